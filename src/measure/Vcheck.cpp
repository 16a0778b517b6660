#include "measure/Vcheck.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/progress.h"
#include "base/services.h"
#include "base/text.h"
#include "engine/Sbakini.h"
#include "engine/Sdskio.h"
#include "engine/Select.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

constexpr std::int64_t kKB = 1024;
constexpr std::int64_t kMB = 1048576;

const wchar_t kUnknown[] = L"(不明)";

std::wstring Pad3(int v) {
  std::wstring s = std::to_wstring(v);
  while (s.size() < 3) s.insert(s.begin(), L' ');
  return s;
}

}  // namespace

// ---------------------------------------------------------------- arithmetic

std::int64_t AllocationSize(std::int64_t size, std::int64_t cluster) {
  if (cluster <= 0) cluster = kDefaultClusterSize;
  if (size < 0) size = 0;
  return (size / cluster + 1) * cluster;
}

std::int64_t FolderOverhead(unsigned long fsCode, const std::wstring& fsName, std::int64_t cluster) {
  if (fsCode == 0 && fsName.compare(0, 4, L"NTFS") == 0) return 0;
  return cluster;
}

int Percent(std::int64_t value, std::int64_t total) {
  if (total <= 0 || value <= 0) return 0;
  return static_cast<int>(static_cast<__int128>(value) * 100 / total);
}

std::wstring FormatUnits(std::int64_t bytes, std::int64_t unit) {
  if (unit <= 0) unit = 1;
  // Rounded half up, in whole numbers: no floating point between us and 2^63.
  const std::int64_t whole = bytes >= 0 ? bytes / unit + ((bytes % unit) * 2 >= unit ? 1 : 0)
                                        : -((-bytes) / unit + (((-bytes) % unit) * 2 >= unit ? 1 : 0));
  return FormatWhole(whole);
}

std::wstring FormatMbPercent(std::int64_t bytes, int percent) {
  return FormatUnits(bytes, kMB) + L" MB (" + Pad3(percent) + L"%)";
}

Verdict FreeSpaceVerdict(std::int64_t free, std::int64_t total, std::int64_t lastUse,
                         std::int64_t planned) {
  if (free < 0 || total <= 0) return Verdict::FreeUnknown;
  if (free + lastUse <= planned) return Verdict::Short;
  if (Percent(free, total) < 10) return Verdict::UnderTenPercent;
  return Verdict::None;
}

std::wstring VerdictText(Verdict v) {
  switch (v) {
    case Verdict::Short: return L"　　　空き容量不足の可能性があります．";
    case Verdict::UnderTenPercent: return L"　　　空き容量が10%未満です．";
    case Verdict::FreeUnknown: return L"　　　バックアップ先の空き容量が読めません．";
    default: return L"";
  }
}

// ---------------------------------------------------------------- behaviour

struct CapacityCheck::RowSpec {
  std::wstring save, exclude;
  bool subfolders = false;
  bool literal = false;  // a save pattern without "*" or "?"
};

void CapacityCheck::Refresh() {
  if (view_) view_->Refresh(d_);
}

void CapacityCheck::Pump(bool force) { LetMessagesRun(app_, force); }

void CapacityCheck::SetStatus(const std::wstring& text) {
  d_.status = text;
  Refresh();
}

void CapacityCheck::Reset() {
  d_.status.clear();
  d_.startCaption = L"開始(&S)";
  d_.startEnabled = true;
  d_.abortVisible = false;
  app_.view.SizeListClear();
  firstPress_ = true;
  app_.AbortRequested = false;
  d_.pageName = L"設定ページ： " + app_.CurrentPageName;
  ResetDisplay();
}

void CapacityCheck::ResetDisplay() {
  lines_.clear();
  app_.view.SizeListClear();
  SetBottomPanel(app_, 2);
  d_.tamdir.clear();
  d_.all.clear();
  d_.free.clear();
  d_.past.clear();
  d_.dest.clear();
  d_.dirCount.clear();
  d_.fileCount.clear();
  d_.src.clear();
  d_.past_ = d_.dest_ = d_.fill = d_.srcBar = d_.freeBar = CheckBar{};
  d_.warnVisible = false;
  d_.msg.clear();
  Refresh();
}

void CapacityCheck::StartClick() {
  if (measuring_) return;
  measuring_ = true;
  app_.AbortRequested = false;
  d_.abortVisible = true;
  d_.startEnabled = false;
  d_.status.clear();
  Refresh();

  const int n = static_cast<int>(app_.pages.size());
  if (firstPress_) {
    firstPress_ = false;
  } else if (n > 0) {
    const int next = (app_.activePage + 1) % n;
    if (next != app_.activePage) {
      app_.view.SetActiveTab(next);
      PageChanged(app_, next);
    }
  }

  const int kbWidth = app_.view.SourceColumnWidth(3);
  if (kbWidth < 100) {
    app_.view.SetSourceColumnWidth(3, 100);
    const int first = app_.view.SourceColumnWidth(0);
    if (first > 100) app_.view.SetSourceColumnWidth(0, first - 100);
  }
  app_.view.SetSizeColumnWidth(0, app_.view.SourceColumnWidth(0));

  MeasurePage();
  ProgressEnd(app_);

  d_.startEnabled = true;
  ++d_.startFocus;
  const int i = app_.activePage;
  std::wstring message;
  if (i >= n - 1) {
    message = n == 1 ? L"容量測定が終了しました." : L"全設定ページの容量測定が終了しました.";
    d_.startCaption = L"開始(&S)";
  } else if (ReadPageVersion(app_, i + 1) >= 6) {
    message = L"[次頁]ボタンで次の設定ページの測定.";
    d_.startCaption = L"次頁(&S)";
  } else {
    d_.startCaption = L"開始(&S)";
    d_.startEnabled = false;
    message = L"次の設定ページの測定には「容量測定」をいったん終了してください．";
  }
  d_.status = message;
  StatusMessage(app_, L"");
  if (app_.AbortRequested) d_.status = L"測定中断．表示結果は正しく無い可能性があります．";
  d_.abortVisible = false;
  measuring_ = false;
  Refresh();
}

void CapacityCheck::MeasurePage() {
  app_.AbortRequested = false;
  d_.pageName = L"設定ページ: " + app_.CurrentPageName;
  ResetDisplay();
  d_.status.clear();
  planned_ = fileCount_ = lastUse_ = olderUse_ = 0;
  free_ = total_ = 0;
  pFree_ = 0;
  destUnreadable_ = sourceUnreadable_ = false;
  Refresh();

  if (app_.env.tamdir.empty()) {
    ShowMessage(app_.user, MsgKind::Warning,
                L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.");
    return;
  }
  if (!CheckDestinationVolume(app_)) return;
  // The medium may be on another drive letter this time.
  const std::wstring tamdir = DestinationOf(app_.env);
  d_.tamdir = L"<" + tamdir + L">";
  Refresh();
  Pump(true);

  const FreeSpaceInfo space = GetFreeSpace(tamdir);
  free_ = space.free;
  total_ = space.total;
  if (free_ >= 0 && total_ > 0) {
    d_.all = FormatUnits(total_, kMB) + L" MB         ";
    pFree_ = Percent(free_, total_);
    d_.free = FormatMbPercent(free_, pFree_);
    d_.freeBar.width = pFree_ * 5;
  } else {
    // Sizes that could not be read are no sizes: no "0 MB" that looks like one.
    d_.all = kUnknown;
    d_.free = kUnknown;
  }

  SetStatus(L"バックアップ予定容量　測定中...");
  Pump(true);
  cluster_ = ClusterSize(tamdir);
  const CodeAndText fs = GetFileSystemName(tamdir);
  overhead_ = FolderOverhead(fs.code, fs.text, cluster_);
  planned_ = overhead_;
  fileCount_ = 0;
  systemFiles_ = SystemFilePaths();
  MeasureRows();
  if (app_.AbortRequested) {
    Refresh();
    return;
  }

  SetStatus(L"前回使用容量　測定中...");
  Pump(true);
  // A destination that exists but cannot be listed shows no generations; its
  // use is unknown, not zero.
  std::wstring dest = tamdir;
  while (dest.size() > 3 && dest.back() == L'\\') dest.pop_back();
  if (PathKind(dest) == 2) {
    std::vector<DirEntry> files, folders;
    if (!ListFolder(dest, files, folders)) destUnreadable_ = true;
  }
  const std::wstring latest = destUnreadable_ ? std::wstring() : LatestGeneration(app_, dest);
  MeasureLastGeneration(latest);
  olderUse_ = 0;
  if (!app_.AbortRequested) {
    SetStatus(L"前々回までの使用容量　測定中...");
    Pump(true);
    MeasureOlderGenerations(latest);
  }
  ShowFigures();
}

void CapacityCheck::MeasureRows() {
  pageExcluded_.clear();
  std::unordered_set<std::wstring> known;
  const std::wstring dest = WithoutTrailingBackslash(DestinationOf(app_.env));

  // The rows are known before they are walked: the bar and the dialog's
  // status line count them.
  ProgressStart(app_, static_cast<std::uint64_t>(app_.RowCount()), 0, L"行");
  auto rowMeasured = [&] {
    ProgressAdd(app_, 1, 0);
    if (d_.status != app_.progress.shown.text) {
      d_.status = app_.progress.shown.text;
      Refresh();
    }
  };
  for (int i = 0; i < app_.RowCount(); ++i) {
    if (i > 0) rowMeasured();
    const SourceRow row = app_.rows[static_cast<size_t>(i)];  // the list may be redrawn meanwhile
    app_.view.SelectRow(i);
    Pump();
    const std::wstring src = RowSourceFolder(row);
    auto setCell = [&](const std::wstring& text) {
      if (i < app_.RowCount()) app_.rows[static_cast<size_t>(i)].size = text;
      app_.view.ShowSourceRows(&app_.rows);
    };
    if (PathKind(src) != 2) {
      setCell(kDeletedCell);
      continue;
    }
    RowSpec spec;
    spec.save = row.save;
    spec.exclude = row.exclude;
    spec.subfolders = RowIncludesSubfolders(row);
    for (const auto& p : UnpackList(row.save)) spec.literal = spec.literal || (!p.empty() && !IsWildcardPattern(p));
    if (spec.subfolders) {
      std::vector<std::wstring> full;
      ExpandExcludedFolders(src, row.excluded, full);
      for (auto& f : full)
        if (known.insert(LowerText(f)).second) pageExcluded_.push_back(std::move(f));
    }
    std::int64_t rowTotal = 0;
    std::wstring cell;
    if (row.save.empty()) {
      AddLine(row.caption, row.comment, L"", L"");
    } else if (IsSkippedFolder(src)) {
      // The backup does not go through a junction, not even the row's own.
      AddLine(row.caption, row.comment, kJunctionCell, L"");
      cell = kJunctionCell;
    } else if (!dest.empty() && (SameFolderText(dest, src) || IsInsideFolder(dest, src))) {
      AddLine(row.caption, row.comment, kExcludedCell, L"");
      cell = kExcludedCell;
    } else {
      MeasureFolder(src, row.caption, row.comment, spec, rowTotal);
    }
    RefreshTotals();
    setCell(cell.empty() ? FormatUnits(rowTotal, kKB) : cell);
    Pump();
    if (app_.AbortRequested) break;
  }
  if (!app_.AbortRequested && app_.RowCount() > 0) {
    rowMeasured();
    ProgressFinish(app_);
  }
  app_.view.SelectRow(-1);

  std::stable_sort(lines_.begin(), lines_.end(), [](const auto& a, const auto& b) {
    return lstrcmpW(a[0].c_str(), b[0].c_str()) < 0;
  });
  app_.view.SizeListClear();
  for (size_t k = 0; k < lines_.size(); ++k) {
    lines_[k][2] = std::to_wstring(k + 1);
    app_.view.SizeListAdd(lines_[k]);
  }
  Pump(true);
}

void CapacityCheck::AddLine(const std::wstring& path, const std::wstring& comment, const std::wstring& size,
                            const std::wstring& files) {
  lines_.push_back({path, comment, std::to_wstring(lines_.size() + 1), size, files});
  app_.view.SizeListAdd(lines_.back());
}

bool CapacityCheck::MeasureFolder(const std::wstring& path, const std::wstring& caption,
                                  const std::wstring& comment, const RowSpec& row, std::int64_t& rowTotal) {
  std::int64_t bytes = overhead_;
  std::vector<DirEntry> files, folders;
  if (!ListFolder(path, files, folders)) {
    // Nothing of it can be counted; the backup reports it as an error line.
    sourceUnreadable_ = true;
    AddLine(caption, comment, kUnreadableCell, L"");
    planned_ += bytes;
    rowTotal += bytes;
    return !app_.AbortRequested;
  }
  const std::vector<std::wstring> names = SelectFiles(files, row.save, row.exclude);
  // Wildcards give the listing's own names; only a literal pattern can give a
  // name in another letter case, or the same file twice.
  std::unordered_map<std::wstring, size_t> index;
  index.reserve(files.size());
  for (size_t k = 0; k < files.size(); ++k) index.emplace(files[k].name, k);
  std::unordered_map<std::wstring, size_t> folded;
  std::unordered_set<std::wstring> done;
  const std::wstring dir = path + L"\\";
  std::int64_t count = 0;
  for (const auto& name : names) {
    size_t at = files.size();
    if (auto it = index.find(name); it != index.end()) at = it->second;
    if (row.literal) {
      if (folded.empty())
        for (size_t k = 0; k < files.size(); ++k) folded.emplace(LowerText(files[k].name), k);
      const std::wstring key = LowerText(name);
      // A literal pattern may name a file a wildcard took already: one copy.
      if (!done.insert(key).second) continue;
      if (at == files.size())
        if (auto f = folded.find(key); f != folded.end()) at = f->second;
    }
    if (IsSystemFile(systemFiles_, dir, name)) continue;
    ++count;
    if (at < files.size()) bytes += AllocationSize(static_cast<std::int64_t>(files[at].size), cluster_);
    Pump();
    if (app_.AbortRequested) break;
  }
  AddLine(caption, comment, FormatUnits(bytes, kKB), std::to_wstring(count));
  planned_ += bytes;
  rowTotal += bytes;
  fileCount_ += count;
  if (lines_.size() % 100 == 0) {
    StatusMessage(app_, path);
    RefreshTotals();
  }
  if (app_.AbortRequested) return false;
  if (!row.subfolders) return true;

  const std::wstring dest = WithoutTrailingBackslash(DestinationOf(app_.env));
  for (const auto& sub : folders) {
    const std::wstring full = path + L"\\" + sub.name;
    if (IsExcludedFolder(pageExcluded_, full) ||
        (!dest.empty() && (SameFolderText(dest, full) || IsInsideFolder(dest, full)))) {
      AddLine(full, L"", kExcludedCell, L"");
    } else if (IsSkippedAttributes(sub.attributes)) {
      AddLine(full, L"", kJunctionCell, L"");
    } else if (!MeasureFolder(full, full, L"", row, rowTotal)) {
      return false;
    }
    Pump();
    if (app_.AbortRequested) return false;
  }
  return true;
}

void CapacityCheck::RefreshTotals() {
  app_.view.SizeListScrollToEnd();
  d_.src = FormatUnits(planned_, kMB) + L" MB ";
  d_.dirCount = L"フォルダ数= " + std::to_wstring(lines_.size());
  d_.fileCount = L"ファイル数= " + std::to_wstring(fileCount_);
  Refresh();
}

std::int64_t CapacityCheck::TreeSize(const std::wstring& path) {
  Pump();
  if (app_.AbortRequested) return 0;
  std::vector<DirEntry> files, folders;
  if (!ListFolder(path, files, folders)) {
    destUnreadable_ = true;
    return 0;
  }
  std::int64_t sum = 0;
  for (const auto& f : files) sum += AllocationSize(static_cast<std::int64_t>(f.size), cluster_);
  for (const auto& d : folders) {
    // A link is one entry here; what it points to belongs to someone else.
    if (!(d.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) sum += TreeSize(path + L"\\" + d.name);
    sum += cluster_;
  }
  return sum;
}

void CapacityCheck::MeasureLastGeneration(const std::wstring& latest) {
  lastUse_ = 0;
  if (latest.empty()) {
    d_.dest.clear();
    Refresh();
    return;
  }
  const std::wstring dest = WithoutTrailingBackslash(DestinationOf(app_.env));
  lastUse_ = TreeSize(dest + L"\\" + latest) + cluster_;
  d_.dest = FormatUnits(lastUse_, kMB) + L" MB       ";
  Refresh();
  Pump();
}

void CapacityCheck::MeasureOlderGenerations(const std::wstring& latest) {
  olderUse_ = 0;
  if (latest.empty()) {
    d_.past.clear();
    Refresh();
    return;
  }
  const std::wstring dest = WithoutTrailingBackslash(DestinationOf(app_.env));
  std::vector<DirEntry> files, folders;
  if (!ListFolder(dest, files, folders)) {
    destUnreadable_ = true;
    return;
  }
  for (const auto& f : files) olderUse_ += AllocationSize(static_cast<std::int64_t>(f.size), cluster_);
  for (const auto& d : folders) {
    if (d.name.size() == 7 && d.name != latest) {
      SetStatus(L"<" + d.name + L">使用容量 測定中...");
      if (!(d.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) olderUse_ += TreeSize(dest + L"\\" + d.name);
      olderUse_ += cluster_;
    }
    Pump();
    if (app_.AbortRequested) break;
  }
}

void CapacityCheck::ShowFigures() {
  const int pL = Percent(lastUse_, total_), pO = Percent(olderUse_, total_), pS = Percent(planned_, total_);
  if (destUnreadable_) {
    d_.dest = kUnreadableCell;
    d_.past = kUnreadableCell;
  } else {
    d_.dest = FormatMbPercent(lastUse_, pL);
    d_.past = FormatMbPercent(olderUse_, pO);
  }
  d_.src = FormatMbPercent(planned_, pS);
  d_.dest_.width = pL * 5;
  d_.fill.width = pL * 5;
  d_.past_.width = pO * 5;
  d_.dest_.left = d_.past_.width - 1;
  d_.fill.left = d_.srcBar.left = d_.dest_.left;
  d_.freeBar.left = d_.dest_.width + d_.past_.width - 2;
  d_.srcBar.width = pS * 5;

  const Verdict v = FreeSpaceVerdict(free_, total_, lastUse_, planned_);
  d_.msg = VerdictText(v);
  if (v == Verdict::None && (destUnreadable_ || sourceUnreadable_))
    d_.msg = L"　　　読めないフォルダがあります．表示結果は正しく無い可能性があります．";
  d_.warnVisible = !d_.msg.empty();
  Refresh();
}

}  // namespace ruzer

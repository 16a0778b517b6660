#include "engine/Scollate.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/progress.h"
#include "base/services.h"
#include "base/text.h"
#include "base/textfile.h"
#include "engine/Sbakini.h"
#include "engine/Sbakup.h"
#include "engine/Sdigest.h"
#include "engine/Sdskio.h"
#include "engine/Select.h"
#include "engine/Slock.h"
#include "store/Fdef.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

// A source row's mirror below a generation and its source folder.
struct RowPlace {
  std::wstring mirrorKey;  // folded, with a trailing backslash
  std::wstring source;     // without a trailing backslash
};

class Collation {
 public:
  Collation(App& app, CollateResult& result, int share) : app_(app), r_(result), share_(share) {}

  void Run(const std::wstring& dest);

 private:
  void Generation(const std::wstring& folder, const std::wstring& name, bool newest);
  void Walk(const std::wstring& folder, const std::wstring& rel, bool root);
  void Copy(const std::wstring& full, const std::wstring& rel, const DirEntry& file);
  void AgainstSource(const std::wstring& full, const std::wstring& rel, const DirEntry& file,
                     std::uint64_t digest);
  void Finding(int& counter, const std::wstring& line);
  bool Stopped() const { return app_.AbortRequested; }
  // When the copy's bytes were last read; 0 when it has no digest.
  std::uint64_t ReadTime(const std::wstring& key, const DirEntry& file) const;
  // With a share: whether this copy is one of those read this time.
  bool Chosen(std::uint64_t readTime);

  App& app_;
  CollateResult& r_;
  int share_ = 1;
  // The first pass (with a share) only gathers the read times.
  bool planning_ = false;
  std::vector<std::uint64_t> times_;
  std::uint64_t limit_ = 0;  // copies read before this time are read now
  std::uint64_t atLimit_ = 0;  // and so many of those read at it
  std::vector<RowPlace> rows_;
  std::vector<std::wstring> log_;
  // The generation under way.
  DigestBook book_;
  std::unordered_map<std::wstring, DigestEntry> entries_;
  std::unordered_set<std::wstring> seen_;
  bool newest_ = false;
  int firstRead_ = 0;
};

void Collation::Finding(int& counter, const std::wstring& line) {
  ++counter;
  log_.push_back(line);
  ErrorListAdd(app_, line);
}

void Collation::Run(const std::wstring& dest) {
  for (const auto& row : app_.rows) {
    const std::wstring source = RowSourceFolder(row);
    if (row.save.empty() || source.empty()) continue;
    rows_.push_back({CaseFreeKey(MirrorName(source)) + L"\\", source});
  }
  // The innermost row's folder is the file's source.
  std::sort(rows_.begin(), rows_.end(),
            [](const RowPlace& a, const RowPlace& b) { return a.mirrorKey.size() > b.mirrorKey.size(); });
  const std::vector<std::wstring> gens = ListGenerations(app_, dest);
  std::wstring base = dest;
  if (base.back() != L'\\') base += L'\\';
  if (share_ > 1) {
    // Only the listings and the digest files: which copies were read longest ago.
    planning_ = true;
    for (auto it = gens.rbegin(); it != gens.rend() && !Stopped(); ++it)
      Generation(base + it->substr(2), it->substr(2), it == gens.rbegin());
    planning_ = false;
    const size_t take = (times_.size() + static_cast<size_t>(share_) - 1) / static_cast<size_t>(share_);
    limit_ = 0;
    atLimit_ = 0;
    if (take > 0) {
      std::nth_element(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(take - 1), times_.end());
      limit_ = times_[take - 1];
      atLimit_ = take - static_cast<size_t>(std::count_if(times_.begin(), times_.end(),
                                                          [&](std::uint64_t t) { return t < limit_; }));
    }
  }
  for (auto it = gens.rbegin(); it != gens.rend() && !Stopped(); ++it) {
    const std::wstring name = it->substr(2);
    Generation(base + name, name, it == gens.rbegin());
  }
  if (gens.empty()) return;
  // Every generation's findings, in the newest one, where the next backup
  // moves it back with the memo of the run it belongs to.
  SYSTEMTIME now = app_.clock.Now();
  wchar_t stamp[32];
  swprintf(stamp, 32, L"%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  std::vector<std::wstring> lines{L"{" + app_.CurrentPageName + L"} " + stamp + L" " + CollateSummary(r_)};
  lines.insert(lines.end(), log_.begin(), log_.end());
  const std::wstring path = base + gens.back().substr(2) + L"\\" + kVerifyLogName;
  const DWORD err = WriteUtf16File(LongPath(path), lines);
  if (err != 0) ErrorListAdd(app_, ErrorLine(err, path));
}

void Collation::Generation(const std::wstring& folder, const std::wstring& name, bool newest) {
  newest_ = newest;
  firstRead_ = 0;
  book_.Reset(folder);
  entries_ = book_.Entries();
  seen_.clear();
  Walk(folder, L"", true);
  if (planning_) {
    book_.Close();
    return;
  }
  if (!Stopped()) {
    std::vector<std::wstring> gone;
    for (const auto& [key, e] : entries_)
      if (!seen_.count(key)) gone.push_back(e.path);
    std::sort(gone.begin(), gone.end());
    for (const auto& path : gone)
      Finding(r_.missing, folder + L"\\" + path + L" <照合:欠落> 保存したファイルがありません");
  }
  if (firstRead_ > 0) {
    const std::wstring line = L"<" + name + L"> ダイジェストの無かった " + GroupedNumber(static_cast<std::uint64_t>(firstRead_)) +
                              L" 個のファイルは，今回読んだ内容を正しいものとして記録しました．";
    log_.push_back(line);
    ErrorListAdd(app_, line);
  }
  book_.Close();
}

void Collation::Walk(const std::wstring& folder, const std::wstring& rel, bool root) {
  std::vector<DirEntry> files, folders;
  if (!ListFolder(folder, files, folders)) {
    const DWORD err = GetLastError();
    if (!planning_) Finding(r_.unreadable, ErrorLine(err ? err : ERROR_ACCESS_DENIED, folder));
    return;
  }
  // The generation's own files (page copy, memo, logs, digests) are no copies.
  if (!root) {
    for (const auto& f : files) {
      LetMessagesRun(app_);
      if (Stopped()) return;
      Copy(folder + L"\\" + f.name, rel + f.name, f);
    }
  }
  for (const auto& d : folders) {
    if (Stopped()) return;
    if (d.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // never followed
    if (root && d.name == kWorkFolderName) continue;
    Walk(folder + L"\\" + d.name, rel + d.name + L"\\", false);
  }
}

std::uint64_t Collation::ReadTime(const std::wstring& key, const DirEntry& file) const {
  auto it = entries_.find(key);
  if (it == entries_.end() || !SameFileTime(it->second.lastWrite, file.lastWrite)) return 0;
  return (static_cast<std::uint64_t>(it->second.read.dwHighDateTime) << 32) | it->second.read.dwLowDateTime;
}

bool Collation::Chosen(std::uint64_t readTime) {
  if (share_ <= 1 || readTime < limit_) return true;
  if (readTime == limit_ && atLimit_ > 0) {
    --atLimit_;
    return true;
  }
  return false;
}

void Collation::Copy(const std::wstring& full, const std::wstring& rel, const DirEntry& file) {
  const std::wstring key = CaseFreeKey(rel);
  if (planning_) {
    times_.push_back(ReadTime(key, file));
    return;
  }
  seen_.insert(key);
  if (!Chosen(ReadTime(key, file))) return;
  StatusMessage(app_, full);
  auto it = entries_.find(key);
  // An entry for another time belongs to a copy that is no longer there (the
  // copy was replaced from outside): this one is as if it had none.
  const bool entry = it != entries_.end() && SameFileTime(it->second.lastWrite, file.lastWrite);
  if (entry && it->second.size != file.size) {
    Finding(r_.damaged, full + L" <照合:破損> サイズが保存したときと違います");
    return;
  }
  CopiedFile read;
  DWORD err = 0;
  if (!DigestOfFile(app_, full, read, &err, &file.lastWrite)) {
    if (Stopped()) return;
    Finding(r_.unreadable, ErrorLine(err, full));
    return;
  }
  ++r_.files;
  r_.bytes += read.size;
  DigestEntry now;
  now.path = rel;
  now.size = read.size;
  now.lastWrite = read.lastWrite;
  now.digest = read.digest;
  now.read = UtcFileTime(app_.clock.Now());
  if (entry && it->second.digest != read.digest) {
    // The entry stays as it was: the next verify says it again.
    Finding(r_.damaged, full + L" <照合:破損> 内容が保存したときと違います");
    return;
  }
  if (!entry) {
    ++firstRead_;
    ++r_.firstRead;
  }
  book_.Add(now);
  if (newest_) AgainstSource(full, rel, file, read.digest);
}

void Collation::AgainstSource(const std::wstring& full, const std::wstring& rel, const DirEntry& file,
                              std::uint64_t digest) {
  const std::wstring key = CaseFreeKey(rel);
  for (const auto& row : rows_) {
    if (key.compare(0, row.mirrorKey.size(), row.mirrorKey) != 0) continue;
    const std::wstring source = row.source + L"\\" + rel.substr(row.mirrorKey.size());
    DirEntry src;
    if (!LookupEntry(source, src) || (src.attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Only a copy the backup takes for unchanged says anything here.
    if (src.size != file.size || !SameFileTime(src.lastWrite, file.lastWrite)) return;
    CopiedFile read;
    DWORD err = 0;
    if (!DigestOfFile(app_, source, read, &err, &src.lastWrite)) {
      if (!Stopped()) Finding(r_.unreadable, ErrorLine(err, source));
      return;
    }
    r_.bytes += read.size;
    if (read.digest != digest)
      Finding(r_.differs, source + L" <照合:内容不一致> 日時とサイズは <" + full +
                              L"> と同じですが，内容が違います");
    return;
  }
}

}  // namespace

CollateResult CollatePage(App& app, int share) {
  CollateResult r;
  ErrorListAdd(app, L"{" + app.CurrentPageName + L"} ページ.");
  if (app.env.tamdir.empty()) {
    ShowMessage(app.user, MsgKind::Warning, L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.");
    r.refused = true;
    return r;
  }
  if (!CheckDestinationVolume(app)) {
    r.refused = true;
    return r;
  }
  const std::wstring& dest = DestinationOf(app.env);
  if (PathKind(dest) != 2) {
    ErrorListAdd(app, L"<" + dest + L"> にバックアップがありません．");
    r.refused = true;
    return r;
  }
  // A backup must not move copies while they are read and their digests written.
  DestinationLock lock;
  if (!AcquireDestination(app, lock)) {
    r.refused = !app.AbortRequested;
    r.aborted = app.AbortRequested;
    return r;
  }
  Collation c(app, r, share);
  c.Run(dest);
  r.aborted = app.AbortRequested;
  return r;
}

std::wstring CollateSummary(const CollateResult& r) {
  std::wstring s = r.aborted ? L"照合中断．" : L"照合終了．";
  const std::uint64_t tenths = (r.bytes * 10 + kMegabyte - 1) / kMegabyte;
  s += GroupedNumber(r.files) + L" 個のファイル (" + GroupedNumber(tenths / 10) + L"." + std::to_wstring(tenths % 10) +
       L" MB) を読みました．";
  s += L"破損 " + GroupedNumber(static_cast<std::uint64_t>(r.damaged)) + L"，欠落 " +
       GroupedNumber(static_cast<std::uint64_t>(r.missing)) + L"，内容不一致 " +
       GroupedNumber(static_cast<std::uint64_t>(r.differs));
  if (r.unreadable > 0) s += L"，読めないもの " + GroupedNumber(static_cast<std::uint64_t>(r.unreadable));
  if (r.firstRead > 0) s += L"，初めて記録 " + GroupedNumber(static_cast<std::uint64_t>(r.firstRead));
  return s + L"．";
}

void RunAutoCollate(App& app, int share) {
  const bool automatic = app.AutoMode;
  app.AbortRequested = false;
  SetBusyMode(app, true);
  SetBottomPanel(app, 1);
  CollateResult all;
  int refused = 0;
  for (int p = 0; p < static_cast<int>(app.pages.size()); ++p) {
    app.activePage = p;
    app.view.SetActiveTab(p);
    PageChanged(app, p);
    if (app.AbortRequested) break;
    if (app.PageUnreadable) {
      ErrorListAdd(app, L"{" + app.CurrentPageName + L"} ページ.");
      ErrorListAdd(app, ErrorLine(ERROR_INVALID_DATA, app.FileSetFolder + app.CurrentPageName + Fdef::kPageExt));
      ++refused;
      continue;
    }
    const CollateResult r = CollatePage(app, share);
    all.files += r.files;
    all.bytes += r.bytes;
    all.firstRead += r.firstRead;
    all.damaged += r.damaged;
    all.missing += r.missing;
    all.differs += r.differs;
    all.unreadable += r.unreadable;
    if (r.refused) ++refused;
    if (app.AbortRequested) break;
  }
  all.aborted = app.AbortRequested;
  if (automatic) {
    RunOutcome outcome;
    outcome.fileSetUnusable = app.IndexUnreadable;
    outcome.aborted = all.aborted;
    outcome.errorLines = all.Findings();
    outcome.pagesRefused = refused;
    app.ExitCode = AutoRunExitCode(outcome);
  }
  SetBusyMode(app, false);
  StatusMessage(app, CollateSummary(all));
  if (automatic && !all.aborted) app.view.CloseWindow();
}

void RunCollate(App& app) {
  app.AbortRequested = false;
  SetBusyMode(app, true);
  SetBottomPanel(app, 1);
  StatusMessage(app, L"照合準備中...");
  LetMessagesRun(app, true);
  const CollateResult r = CollatePage(app);
  SetBusyMode(app, false);
  if (r.refused)
    StatusMessage(app, L"照合できませんでした．");
  else
    StatusMessage(app, CollateSummary(r));
}

}  // namespace ruzer

#include "sources/Vedit.h"

#include <algorithm>
#include <cwctype>

#include "base/disk.h"
#include "base/text.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

constexpr wchar_t kNetworkRefused[] = L"ネットワーク先のファイルのバックアップはできません.";

bool ContainsFolderText(const std::vector<std::wstring>& list, const std::wstring& t) {
  return std::any_of(list.begin(), list.end(), [&](const std::wstring& e) { return SameFolderText(e, t); });
}

bool IsReservedName(const std::wstring& name) {
  // The device names are reserved with any extension and trailing blanks.
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  std::wstring u;
  for (wchar_t c : base) u += static_cast<wchar_t>(std::towupper(c));
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* n : kNames)
    if (u == n) return true;
  if (u.size() == 4 && (u.compare(0, 3, L"COM") == 0 || u.compare(0, 3, L"LPT") == 0)) {
    const wchar_t d = u[3];
    return (d >= L'1' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
  }
  return false;
}

void Warn(App& app, const std::wstring& text) { ShowMessage(app.user, MsgKind::Warning, text); }

}  // namespace

bool CheckSourceFolderForm(App& app, const std::wstring& f) {
  const bool drive = f.size() >= 3 && ((f[0] >= L'A' && f[0] <= L'Z') || (f[0] >= L'a' && f[0] <= L'z')) &&
                     f[1] == L':' && f[2] == L'\\';
  if (!drive) {
    Warn(app, L"<" + f + L"> はドライブ名から始まるフォルダ名ではありません．\r\n\"C:\\フォルダ\" の形で指定してください．");
    return false;
  }
  if (f.size() > 260) {
    Warn(app, L"フォルダ名が長過ぎます．（260文字まで）");
    return false;
  }
  if (f.find(L':', 2) != std::wstring::npos) {
    Warn(app, L"フォルダ名に使えない文字 \":\" が含まれています.");
    return false;
  }
  if (std::any_of(f.begin(), f.end(), [](wchar_t c) { return c < 0x20; })) {
    Warn(app, L"フォルダ名に使えない制御文字が含まれています．");
    return false;
  }
  // Each name below the drive root.
  size_t start = 3;
  while (start < f.size()) {
    size_t end = f.find(L'\\', start);
    if (end == std::wstring::npos) end = f.size();
    const std::wstring name = f.substr(start, end - start);
    if (name.empty()) {
      Warn(app, L"<" + f + L"> には名前のない階層 (\"\\\\\") があります．");
      return false;
    }
    if (name.back() == L'.' || name.back() == L' ') {
      Warn(app, L"<" + name + L"> のように末尾がピリオドや空白の名前は、フォルダ名に使えません．");
      return false;
    }
    if (IsReservedName(name)) {
      Warn(app, L"<" + name + L"> はWindowsの予約名なので、フォルダ名に使えません．");
      return false;
    }
    start = end + 1;
  }
  return true;
}

void FolderDialogLogic::SourceLeft() {
  if (s_.src == s_.sourceAtOpen) return;
  // With no excluded folders there is nothing to re-express: they are taken
  // against the new folder from now on (a new row's folder is typed this way).
  if (s_.dirs.empty())
    s_.sourceAtOpen = s_.src;
  else
    s_.dirEnabled = false;
}

void FolderDialogLogic::BrowseSource() {
  const BrowseResult r = browser_.Browse(L"保存元フォルダの選択", s_.src, L"");
  if (r.kind == BrowseResult::Cancelled) return;
  if (r.kind == BrowseResult::Failed || r.path.empty()) {
    Warn(app_, L"そのフォルダは指定できません.");
    return;
  }
  if (r.path.rfind(L"\\\\", 0) == 0) {
    Warn(app_, kNetworkRefused);
    return;
  }
  s_.src = r.path;
  SourceLeft();
}

void FolderDialogLogic::SwitchClicked() {
  // Entries are relative to the folder the dialog opened with; once the source
  // folder changed, new ones would be taken against the wrong folder.
  s_.dirEnabled = s_.subFolders && s_.src == s_.sourceAtOpen;
}

void FolderDialogLogic::AddExcludedFolder() {
  SourceLeft();  // the field may have changed without losing the focus
  if (!s_.dirEnabled || !s_.dirGroupEnabled) return;
  const std::wstring src = s_.src;
  // Without a source folder there is nothing to pick below.
  if (src.empty()) {
    Warn(app_, L"保存元フォルダ名を指定してください");
    return;
  }
  const BrowseResult r = browser_.Browse(L"除外フォルダの選択", L"", src);
  if (r.kind != BrowseResult::Chosen) return;
  const std::wstring base = !src.empty() && src.back() == L'\\' ? src : src + L'\\';
  // The browser's root keeps the choice at or below S; a path of another
  // spelling that is not below it cannot become a relative entry.
  std::wstring rel;
  if (!IsInsideFolder(src, r.path) || r.path.size() <= base.size())
    rel.clear();
  else
    rel = r.path.substr(base.size());
  if (rel.empty()) {
    ShowMessage(app_.user, MsgKind::Error, src + L" は登録できません.");
    return;
  }
  if (ValidateExcludedFolder(app_, s_, rel)) {
    InsertSorted(s_.dirs, rel);
    s_.dirSelection.clear();
  }
}

void FolderDialogLogic::RemoveEntries(std::vector<std::wstring>& list, const std::vector<int>& selected) {
  std::vector<int> sel = selected;
  std::sort(sel.begin(), sel.end());
  sel.erase(std::unique(sel.begin(), sel.end()), sel.end());
  for (auto it = sel.rbegin(); it != sel.rend(); ++it)
    if (*it >= 0 && *it < static_cast<int>(list.size())) list.erase(list.begin() + *it);
}

void FolderDialogLogic::AddPattern(PatternList which) {
  if (!app_.patternDialog) return;
  const auto picked = app_.patternDialog->Pick(
      s_.src, which == PatternList::Save ? std::optional<std::wstring>(L"*.*") : std::nullopt);
  if (!picked) return;
  const std::wstring t(Trim(*picked, L" "));  // an ideographic space may begin a folder name
  auto& list = List(which);
  if (t.empty() || ContainsFolderText(list, t)) return;
  InsertSorted(list, t);
}

void FolderDialogLogic::ChangePattern(PatternList which, int index) {
  auto& list = List(which);
  if (!app_.patternDialog || index < 0 || index >= static_cast<int>(list.size())) return;
  const auto picked = app_.patternDialog->Pick(s_.src, list[static_cast<size_t>(index)]);
  if (!picked) return;
  const std::wstring t(Trim(*picked, L" "));
  if (t.empty() || ContainsFolderText(list, t)) return;
  list.erase(list.begin() + index);
  InsertSorted(list, t);
}

bool FolderDialogLogic::Ok() {
  if (s_.mode == EditMode::Bulk) return true;
  if (s_.src.empty()) {
    Warn(app_, L"保存元フォルダ名を指定してください");
    return false;
  }
  if (s_.src.rfind(L"\\\\.\\", 0) == 0 || s_.src.rfind(L"\\\\?\\", 0) == 0) {
    Warn(app_, L"<" + s_.src + L"> はデバイスのパスです．\r\n\"C:\\フォルダ\" の形で指定してください．");
    return false;
  }
  if (s_.src.rfind(L"\\\\", 0) == 0) {
    Warn(app_, kNetworkRefused);
    return false;
  }
  s_.src = StripFolderBackslash(s_.src);
  if (!CheckFolderPath(app_, s_.src)) return false;
  if (!CheckSourceFolderForm(app_, s_.src)) return false;
  if (!ValidateRowFolder(app_, s_.mode == EditMode::Change ? s_.row : -1, s_.src)) return false;
  RebaseExcludedFolders(s_);
  return true;
}

// ---------------------------------------------------------------- modes

namespace {
void OpenAllGroups(FolderDialogState& s) {
  s.srcGroupEnabled = s.switchEnabled = s.dirGroupEnabled = s.saveGroupEnabled = s.excludeGroupEnabled = true;
  s.dirEnabled = true;
  s.dirSelection.clear();
}
}  // namespace

void PrepareAdd(App& app, FolderDialogState& s) {
  OpenAllGroups(s);
  s.mode = EditMode::Add;
  s.row = -1;
  s.src.clear();
  s.srcInTabOrder = true;
  s.comment.clear();
  s.subFolders = true;
  s.saves.clear();
  for (const auto& e : UnpackList(app.env.defSave1)) InsertSorted(s.saves, e);
  s.excludes.clear();
  for (const auto& e : UnpackList(app.env.defSave2)) InsertSorted(s.excludes, e);
  s.dirs.clear();
  s.status = L"新規フォルダの登録／保存内容の設定";
  s.sourceAtOpen = s.src;
}

void PrepareChange(App& app, FolderDialogState& s, int index) {
  OpenAllGroups(s);
  const SourceRow& r = app.rows[static_cast<size_t>(index)];
  s.mode = EditMode::Change;
  s.row = index;
  s.src = r.caption;
  s.srcInTabOrder = false;
  s.comment = r.comment;
  s.subFolders = !r.mark.empty() && r.mark[0] == L'o';
  s.saves.clear();
  for (const auto& e : UnpackList(r.save)) InsertSorted(s.saves, e);
  s.excludes.clear();
  for (const auto& e : UnpackList(r.exclude)) InsertSorted(s.excludes, e);
  s.dirs.clear();
  for (const auto& e : UnpackList(GetExcludedFolders(r))) InsertSorted(s.dirs, e);
  s.status = L"保存内容の変更";
  s.sourceAtOpen = s.src;
}

std::wstring BulkLabel(BulkKind kind) {
  switch (kind) {
    case BulkKind::Save: return L"「保存ファイル」";
    case BulkKind::Exclude: return L"「除外ファイル」";
    case BulkKind::Switch: return L"「下位フォルダもバックアップする」スイッチ";
  }
  return std::wstring();
}

void PrepareBulk(App& app, FolderDialogState& s, BulkKind kind, bool switchOn) {
  s.mode = EditMode::Bulk;
  s.bulk = kind;
  s.row = -1;
  s.srcGroupEnabled = false;
  s.src.clear();
  s.comment.clear();
  s.switchEnabled = false;
  s.dirGroupEnabled = false;
  s.dirEnabled = false;
  s.dirs.clear();
  s.dirSelection.clear();
  s.saveGroupEnabled = s.excludeGroupEnabled = false;
  s.saves.clear();
  for (const auto& e : UnpackList(app.env.defSave1)) InsertSorted(s.saves, e);
  s.excludes.clear();
  for (const auto& e : UnpackList(app.env.defSave2)) InsertSorted(s.excludes, e);
  switch (kind) {
    case BulkKind::Save: s.saveGroupEnabled = true; break;
    case BulkKind::Exclude: s.excludeGroupEnabled = true; break;
    case BulkKind::Switch: s.switchEnabled = true; break;
  }
  s.subFolders = switchOn;
  s.status = BulkLabel(kind) + L"の複数行一括変更";
  s.sourceAtOpen = s.src;
}

}  // namespace ruzer

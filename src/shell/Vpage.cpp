#include "shell/Vpage.h"

#include <algorithm>

#include "base/disk.h"
#include "base/inifile.h"
#include "base/services.h"
#include "base/text.h"
#include "base/textfile.h"
#include "store/Fdef.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

constexpr int kHelpOpenFileSet = 42;

MsgButton Warn(App& app, const std::wstring& text) { return ShowMessage(app.user, MsgKind::Warning, text); }
void Fail(App& app, const std::wstring& text) { ShowMessage(app.user, MsgKind::Error, text); }

std::wstring UpperText(const std::wstring& s) {
  std::wstring u = s;
  if (!u.empty()) CharUpperBuffW(u.data(), static_cast<DWORD>(u.size()));
  return u;
}

// ".PAG" of "a.b.pag"; empty when the name has no extension.
std::wstring ExtensionOf(const std::wstring& name) {
  const size_t slash = name.find_last_of(L"\\/");
  const size_t dot = name.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return L"";
  return name.substr(dot);
}

bool IsPageExtension(const std::wstring& name) { return UpperText(ExtensionOf(name)) == Fdef::kPageExt; }

std::wstring PagePath(const App& app, const std::wstring& page) {
  return app.FileSetFolder + page + Fdef::kPageExt;
}

bool FileThere(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Names that Windows keeps for devices, whatever extension follows them.
bool IsDeviceName(const std::wstring& name) {
  std::wstring base = UpperText(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* n : kNames)
    if (base == n) return true;
  return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
         base[3] >= L'1' && base[3] <= L'9';
}

void ShowTabs(App& app) {
  app.view.SetTabs(app.pages);
  app.view.SetActiveTab(app.activePage);
}

// What a page command changes in memory, to put back when the index file
// could not take the change.
struct PageListSnapshot {
  std::vector<std::wstring> pages;
  std::vector<IndexRow> table;
  int active = 0;
  explicit PageListSnapshot(const App& app) : pages(app.pages), table(app.PageIndexTable), active(app.activePage) {}
  void Restore(App& app) const {
    app.pages = pages;
    app.PageIndexTable = table;
    app.activePage = active;
    ShowTabs(app);
    AttachPagePanel(app);
  }
};

std::wstring CannotKeep(const std::wstring& what) {
  return L"目次ファイルに書き込めないため、" + what + L"を取り消しました.";
}

}  // namespace

std::vector<std::wstring> ListPageFiles(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  const std::wstring pattern = folder + L"*.pag";
  HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = fd.cFileName;
    // The short-name match also finds "x.page"; only ".pag" itself counts.
    if (IsPageExtension(name)) names.push_back(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
  });
  return names;
}

void PageNameActivated(PageNameState& state) { state.existing = ListPageFiles(state.folder); }

bool PageNameConfirm(App& app, PageNameState& state) {
  if (state.name.empty()) return false;
  if (!CheckName(app, state.name, false)) return false;
  if (IsPageExtension(state.name)) state.name.resize(state.name.size() - 4);
  std::wstring& name = state.name;
  if (name.empty()) return false;
  // The index file drops blanks around a value, and Windows drops a trailing
  // dot or blank of a file name: such a page would lose its file.
  if (std::any_of(name.begin(), name.end(), [](wchar_t c) { return c < L' '; })) {
    Warn(app, L"ページ名に制御文字は使えません.");
    return false;
  }
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\u3000'; };
  if (blank(name.front()) || blank(name.back()) || name.back() == L'.') {
    Warn(app, L"ページ名の前後の空白や末尾の「.」は使えません.");
    return false;
  }
  if (IsDeviceName(name)) {
    Warn(app, L"\"" + name + L"\" はWindowsの装置名なので、ページ名には使えません.");
    return false;
  }
  PageNameActivated(state);  // what is in the folder now
  const std::wstring file = LowerText(name + Fdef::kPageExt);
  const bool listed = std::any_of(state.existing.begin(), state.existing.end(),
                                  [&](const std::wstring& e) { return LowerText(e) == file; });
  // A page of this file set whose file is missing still owns its name.
  const bool inSet = std::any_of(app.pages.begin(), app.pages.end(),
                                 [&](const std::wstring& p) { return SameFolderText(p, name); });
  if (listed || inSet) {
    Warn(app, L"ページ \"" + name + L"\"は既に使われています.");
    return false;
  }
  const std::wstring path = state.folder + name + Fdef::kPageExt;
  if (path.size() >= MAX_PATH) {
    Warn(app, L"ページ名が長過ぎます.\r\n<" + path + L">");
    return false;
  }
  return true;
}

void AddPage(App& app) {
  if (!app.pageNameDialog) return;
  PageNameState s;
  s.caption = L"設定ページの追加";
  s.folder = app.FileSetFolder;
  s.keepName = true;
  PageNameActivated(s);
  if (!app.pageNameDialog->Show(app, s)) return;
  const std::wstring name = s.name;

  const PageListSnapshot before(app);
  AddPageTab(app, name);
  LoadActivePage(app);
  WriteIndexFile(app);
  if (!IndexOnDiskMatches(app)) {
    before.Restore(app);
    LoadActivePage(app);
    Warn(app, CannotKeep(L"ページ \"" + name + L"\" の追加"));
    return;
  }
  WritePageFile(app);
}

void DeletePage(App& app) {
  if (app.pages.size() <= 1) {
    ShowMessage(app.user, MsgKind::Information, L"これ以上ページを削除することはできません.");
    return;
  }
  const std::wstring name = app.CurrentPageName;
  if (ShowMessage(app.user, MsgKind::Confirmation, L"設定ページ \"" + name + L"\" を削除しますか", kYes | kNo,
                  kNo) != kYes)
    return;

  // A page file that stays behind would be taken for this page's data by a
  // later page of the same name: the page goes only with its file.
  const std::wstring path = PagePath(app, app.ActivePageName());
  std::string bytes;
  const bool hadFile = FileThere(path);
  if (hadFile) {
    // Kept to put the file back should the index file refuse the change.
    const TextReadResult kept = ReadFileBytes(path, bytes);
    if (!kept.ok() || !DeleteFileW(path.c_str())) {
      DWORD e = kept.ok() ? GetLastError() : kept.error;
      if (e == 0) e = ERROR_FILE_TOO_LARGE;
      Fail(app, L"設定ページファイル <" + path + L"> が削除できません.\r\n" + SystemErrorText(e) +
                    L"\r\nページは削除しませんでした.");
      return;
    }
  }

  const PageListSnapshot before(app);
  const int count = static_cast<int>(app.pages.size());
  auto& table = app.PageIndexTable;
  for (int r = app.activePage; r <= count - 2; ++r) {
    if (static_cast<size_t>(r) + 2 >= table.size()) break;
    IndexRow moved = table[static_cast<size_t>(r) + 2];
    moved.no = std::to_wstring(r + 1);
    table[static_cast<size_t>(r) + 1] = moved;
  }
  DeletePageTab(app);
  LoadActivePage(app);
  WriteIndexFile(app);
  if (!IndexOnDiskMatches(app)) {
    if (hadFile) ReplaceFileBytes(path, bytes);
    before.Restore(app);
    LoadActivePage(app);
    Warn(app, CannotKeep(L"ページ \"" + name + L"\" の削除"));
  }
}

void RenamePage(App& app) {
  if (!app.pageNameDialog) return;
  PageNameState s;
  s.caption = L"ページ名の変更";
  s.folder = app.FileSetFolder;
  s.name = app.CurrentPageName;
  PageNameActivated(s);
  if (!app.pageNameDialog->Show(app, s)) return;
  const std::wstring oldName = app.ActivePageName(), newName = s.name;
  const std::wstring oldPath = PagePath(app, oldName), newPath = PagePath(app, newName);

  // The file first: a page must never point at a file that is not there.
  const bool hadFile = FileThere(oldPath);
  if (hadFile && !MoveFileW(oldPath.c_str(), newPath.c_str())) {
    const DWORD e = GetLastError();
    Fail(app, L"設定ページファイル <" + oldPath + L"> の名前を変更できません.\r\n" + SystemErrorText(e) +
                  L"\r\nページ名は変更しませんでした.");
    return;
  }
  const PageListSnapshot before(app);
  app.pages[static_cast<size_t>(app.activePage)] = newName;
  app.CurrentPageName = newName;
  ShowTabs(app);
  const size_t row = static_cast<size_t>(app.activePage) + 1;
  if (row < app.PageIndexTable.size()) app.PageIndexTable[row].name = newName;
  WriteIndexFile(app);
  if (!IndexOnDiskMatches(app)) {
    if (hadFile) MoveFileW(newPath.c_str(), oldPath.c_str());
    before.Restore(app);
    Warn(app, CannotKeep(L"ページ名の変更"));
  }
}

void FileSetSelectionChanged(App& app, const std::wstring& path) {
  if (IsPageExtension(path))
    Warn(app, L"ページ名は目次ファイル名としては使えません.\r\n目次ファイル（.IDX）を入力　または　選択してください.");
}

bool FileSetChoiceAcceptable(App& app, const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  if (name.empty()) return false;
  if (IsPageExtension(name)) {
    FileSetSelectionChanged(app, name);
    return false;
  }
  if (FileThere(path)) return true;
  const std::wstring ext = ExtensionOf(name);
  const std::wstring page = name.substr(0, name.size() - ext.size()) + Fdef::kPageExt;
  for (const std::wstring& e : ListPageFiles(folder)) {
    if (LowerText(e) == LowerText(page)) {
      Warn(app, name + L"と同名のページが既に使われています.\r\n別の目次ファイル名を入力　または　選択してください.");
      return false;
    }
  }
  return true;
}

void OpenFileSet(App& app) {
  if (!app.fileSetOpenDialog) return;
  FileSetOpenRequest r;
  r.title = L"ファイルセットを開く - 目次ファイル（.IDX）の入力／選択";
  r.filter = L"目次（選択可）  と  ページ（選択不可）|*.IDX;*.PAG|目次ファイルのみ|*.IDX";
  r.defaultExt = L"IDX";
  r.initialFolder = app.FileSetFolder;
  r.helpContext = kHelpOpenFileSet;
  r.onSelection = [&app](const std::wstring& p) { FileSetSelectionChanged(app, p); };
  const auto chosen = app.fileSetOpenDialog->Show(app, r);
  if (!chosen || chosen->empty()) return;
  std::wstring path = *chosen;
  if (!FileSetChoiceAcceptable(app, path)) return;
  // A new file set's first page is named after the index file without ".IDX".
  if (!FileThere(path) && UpperText(ExtensionOf(path)) != Fdef::kIndexExt) {
    path += Fdef::kIndexExt;
    if (!FileSetChoiceAcceptable(app, path)) return;
  }
  const size_t slash = path.find_last_of(L'\\');
  app.FileSetFolder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  app.IndexFileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
  ReadIndexFile(app);
}

bool IndexOnDiskMatches(const App& app) {
  IniFile ini;
  const TextReadResult r = ini.Load(app.IndexPath());
  if (!r.ok()) return false;
  if (ini.GetInt(L"Ruzer", L"Count", -1) != static_cast<int>(app.pages.size())) return false;
  for (size_t i = 0; i < app.pages.size(); ++i)
    if (ini.GetString(L"Index", L"Fname" + std::to_wstring(i + 1)) != app.pages[i]) return false;
  return true;
}

}  // namespace ruzer

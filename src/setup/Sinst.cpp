#include "setup/Sinst.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "base/disk.h"
#include "base/handles.h"
#include "base/services.h"
#include "base/text.h"
#include "store/Fdef.h"

namespace ruzer {

namespace {

std::wstring WithoutExtension(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  const size_t slash = name.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return name;
  return name.substr(0, dot);
}

std::wstring IndexPath(const App& app) { return app.FileSetFolder + app.IndexFileName; }

// A file set that a shortcut can name: a full path to an index file.
bool ShortcutIndexUsable(const App& app) {
  const std::wstring index = IndexPath(app);
  if (app.IndexFileName.empty() || index.size() < 3) return false;
  const bool drive = index[1] == L':' && index[2] == L'\\';
  const bool unc = index[0] == L'\\' && index[1] == L'\\';
  return drive || unc;
}

std::wstring MenuFolder(const ShortcutFolders& folders) {
  return folders.programs.empty() ? std::wstring()
                                  : FolderWithoutBackslash(folders.programs) + L"\\" + kMenuFolderName;
}

std::wstring LinkIn(const std::wstring& folder, const std::wstring& name) {
  return FolderWithoutBackslash(folder) + L"\\" + name + kLinkExt;
}

HRESULT FromError(DWORD code) { return HRESULT_FROM_WIN32(code ? code : ERROR_GEN_FAILURE); }

HRESULT SaveLink(const ShortcutSpec& spec, const std::wstring& file) {
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
  if (FAILED(hr)) return hr;
  if (FAILED(hr = link->SetPath(spec.target.c_str()))) return hr;
  if (FAILED(hr = link->SetArguments(spec.arguments.c_str()))) return hr;
  if (FAILED(hr = link->SetWorkingDirectory(spec.workingFolder.c_str()))) return hr;
  ComPtr<IPersistFile> persist;
  if (FAILED(hr = link->QueryInterface(IID_IPersistFile, persist.put_void()))) return hr;
  return persist->Save(file.c_str(), FALSE);
}

std::wstring TempLinkName(const std::wstring& link) {
  wchar_t tail[40];
  swprintf(tail, 40, L"~ruzer-%08lx%04lx.tmp", GetTickCount(), GetCurrentProcessId() & 0xFFFF);
  return FolderOf(link) + tail;
}

}  // namespace

ShortcutFolders SystemShortcutFolders() {
  return ShortcutFolders{GetSpecialFolderPath(CSIDL_STARTUP), GetSpecialFolderPath(CSIDL_PROGRAMS)};
}

std::wstring MaintenanceShortcutName(const App& app) {
  const std::wstring base = WithoutExtension(app.IndexFileName);
  const bool defaultSet =
      app.FileSetFolder == FolderOf(app.programPath) && base == Fdef::kDefaultIndexBase;
  return defaultSet ? std::wstring(kMaintenanceShortcutName) : kMaintenanceShortcutName + (L" " + base);
}

ShortcutSpec AutomaticShortcut(const App& app, const ShortcutFolders& folders) {
  return ShortcutSpec{folders.startup.empty() ? std::wstring() : LinkIn(folders.startup, kAutoShortcutName),
                      app.programPath, L"/A \"" + IndexPath(app) + L"\"",
                      FolderWithoutBackslash(app.FileSetFolder)};
}

ShortcutSpec MaintenanceShortcut(const App& app, const ShortcutFolders& folders) {
  const std::wstring menu = MenuFolder(folders);
  return ShortcutSpec{menu.empty() ? std::wstring() : LinkIn(menu, MaintenanceShortcutName(app)),
                      app.programPath, L"\"" + IndexPath(app) + L"\"", FolderWithoutBackslash(app.FileSetFolder)};
}

ShortcutSpec HelpShortcut(const App& app, const ShortcutFolders& folders) {
  const std::wstring menu = MenuFolder(folders);
  const std::wstring help = WithoutExtension(app.programPath) + Fdef::kHelpExt;
  return ShortcutSpec{menu.empty() ? std::wstring() : LinkIn(menu, kHelpShortcutName), help, L"",
                      FolderOf(help)};
}

HRESULT WriteShortcut(const ShortcutSpec& spec) {
  if (spec.link.empty() || FolderOf(spec.link).empty()) return FromError(ERROR_PATH_NOT_FOUND);
  ComInit com;  // the UI thread's apartment is reused when there is one
  // The new link is complete before it takes the name: a failure half-way
  // never leaves a broken or mixed link behind.
  const std::wstring temp = TempLinkName(spec.link);
  HRESULT hr = SaveLink(spec, temp);
  if (SUCCEEDED(hr)) {
    const DWORD a = GetFileAttributesW(spec.link.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
        (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      SetFileAttributesW(spec.link.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExW(temp.c_str(), spec.link.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return S_OK;
    hr = FromError(GetLastError());
  }
  // The link that was there stays as it was: a working logon backup is
  // worth more than a failed attempt to change it.
  DeleteFileW(temp.c_str());
  return hr;
}

std::optional<ShortcutSpec> ReadShortcut(const std::wstring& link) {
  ComInit com;
  ComPtr<IShellLinkW> shell;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell.put_void())))
    return std::nullopt;
  ComPtr<IPersistFile> persist;
  if (FAILED(shell->QueryInterface(IID_IPersistFile, persist.put_void()))) return std::nullopt;
  if (FAILED(persist->Load(link.c_str(), STGM_READ))) return std::nullopt;
  ShortcutSpec s;
  s.link = link;
  std::wstring buffer(32768, L'\0');
  if (FAILED(shell->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, SLGP_RAWPATH)))
    return std::nullopt;
  s.target = buffer.c_str();
  buffer.assign(buffer.size(), L'\0');
  if (FAILED(shell->GetArguments(buffer.data(), static_cast<int>(buffer.size())))) return std::nullopt;
  s.arguments = buffer.c_str();
  buffer.assign(buffer.size(), L'\0');
  if (FAILED(shell->GetWorkingDirectory(buffer.data(), static_cast<int>(buffer.size())))) return std::nullopt;
  s.workingFolder = buffer.c_str();
  return s;
}

bool RegisterShortcuts(App& app, const MenuRChoice& choice, const ShortcutFolders& folders) {
  const bool usable = ShortcutIndexUsable(app);
  bool autoOk = true, maintOk = true, helpOk = true;
  if (choice.startUp) autoOk = usable && SUCCEEDED(WriteShortcut(AutomaticShortcut(app, folders)));
  if (choice.hoshu) {
    const std::wstring menu = MenuFolder(folders);
    if (PathKind(menu) != 2) {
      const DWORD err = menu.empty() ? ERROR_PATH_NOT_FOUND
                        : CreateDirectoryW(menu.c_str(), nullptr) ? 0
                                                                   : GetLastError();
      if (err != 0) {
        ShowMessage(app.user, MsgKind::Error,
                    L"<" + (menu.empty() ? std::wstring(kMenuFolderName) : menu) + L">フォルダの作成失敗." +
                        L"\r\n" + SystemErrorText(err));
        return false;
      }
    }
    maintOk = usable && SUCCEEDED(WriteShortcut(MaintenanceShortcut(app, folders)));
    helpOk = SUCCEEDED(WriteShortcut(HelpShortcut(app, folders)));
  }
  if (autoOk && maintOk && helpOk) {
    StatusMessage(app, kRegisteredMessage);
    return true;
  }
  ShowMessage(app.user, MsgKind::Error, kRegisterFailedMessage);
  return false;
}

// ---------------------------------------------------------------- removal

std::wstring RemovalQuestion() {
  return std::wstring(L"スタートメニューへの登録と、保存されている設定値をすべて削除します．") + L"\r\n" +
         L"本当に削除してもよろしいですか ？";
}

std::wstring RemovalDoneText(const App& app, bool everythingRemoved) {
  const std::wstring first = everythingRemoved
                                 ? L"スタートメニューへの登録と、保存されていた設定値を削除しました．"
                                 : L"スタートメニューへの登録と設定値の一部が削除できませんでした．";
  return first + L"\r\n" + L"Ruzerを終了させてください．" + L"\r\n\r\n" + L"<" + FolderOf(app.programPath) +
         L">フォルダを削除すれば" + L"\r\n" + L"Ruzerのアンインストールは完了です. ";
}

bool RemoveRegistration(App& app, const ShortcutFolders& folders, const RegistryPlace& key) {
  if (ShowMessage(app.user, MsgKind::Warning, RemovalQuestion(), kYes | kNo, kNo) != kYes) return false;
  bool all = true;

  if (!folders.startup.empty()) {
    const std::wstring link = LinkIn(folders.startup, kAutoShortcutName);
    DeleteFileForced(link);
    if (PathKind(link) != 0) all = false;
  }

  const std::wstring menu = MenuFolder(folders);
  if (!menu.empty() && !DeleteFolderTree(app, menu)) all = false;

  // The parent key stays; when it is missing there is nothing to delete.
  RegKey parent;
  LSTATUS st = RegOpenKeyExW(HKEY_CURRENT_USER, key.parent.c_str(), 0, KEY_READ | KEY_WRITE | DELETE,
                             parent.put());
  if (st == ERROR_SUCCESS) {
    st = RegDeleteTreeW(parent.get(), key.name.c_str());
    if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND) {
      all = false;
      ShowMessage(app.user, MsgKind::Error,
                  L"<HKEY_CURRENT_USER\\" + key.parent + L"\\" + key.name + L"> レジストリキーが削除できません." +
                      L"\r\n" + SystemErrorText(static_cast<DWORD>(st)));
    }
  } else if (st != ERROR_FILE_NOT_FOUND) {
    all = false;
    ShowMessage(app.user, MsgKind::Error,
                L"<HKEY_CURRENT_USER\\" + key.parent + L"\\" + key.name + L"> レジストリキーが削除できません." +
                    L"\r\n" + SystemErrorText(static_cast<DWORD>(st)));
  }

  ShowMessage(app.user, MsgKind::Information, RemovalDoneText(app, all));
  return true;
}

}  // namespace ruzer

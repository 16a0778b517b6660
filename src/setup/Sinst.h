// Shell integration: the shortcuts of the current file set in the Startup
// folder and in the program's start-menu folder, and the removal of
// everything the program put outside its own folder (those shortcuts and the
// registry key). Plain logic; messages go through app.user.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

inline constexpr wchar_t kAutoShortcutName[] = L"自動Ruzer";
inline constexpr wchar_t kMaintenanceShortcutName[] = L"保守用Ruzer";
inline constexpr wchar_t kHelpShortcutName[] = L"Ruzerのヘルプ";
inline constexpr wchar_t kMenuFolderName[] = L"Ruzer";
inline constexpr wchar_t kLinkExt[] = L".lnk";

inline constexpr wchar_t kRegisteredMessage[] = L"スタートメニューに登録しました．";
inline constexpr wchar_t kRegisterFailedMessage[] = L"スタートメニューへの登録に失敗しました．";

// Where the shortcuts go: the Startup folder and the Programs folder of the
// start menu (never created here). Empty when the shell does not know them.
struct ShortcutFolders {
  std::wstring startup;
  std::wstring programs;
};
ShortcutFolders SystemShortcutFolders();

// What a .lnk file holds (as far as this program sets it).
struct ShortcutSpec {
  std::wstring link;       // full path of the .lnk file
  std::wstring target;
  std::wstring arguments;
  std::wstring workingFolder;
};

// The two boxes of the dialog; they keep their state between openings.
struct MenuRChoice {
  bool startUp = false;  // chkStartUp: the automatic shortcut
  bool hoshu = false;    // chkHoshu: the maintenance and help shortcuts
};

// "保守用Ruzer", or "保守用Ruzer " + the index file's base name for any file
// set other than RUZER.IDX beside the program (exact comparisons).
std::wstring MaintenanceShortcutName(const App& app);
// The three shortcuts of the current file set in these folders (the
// maintenance and help links in folders.programs + "\Ruzer").
ShortcutSpec AutomaticShortcut(const App& app, const ShortcutFolders& folders);
ShortcutSpec MaintenanceShortcut(const App& app, const ShortcutFolders& folders);
ShortcutSpec HelpShortcut(const App& app, const ShortcutFolders& folders);

// Writes one .lnk through IShellLinkW / IPersistFile. The link is saved under
// a temporary name beside its place and then replaces an existing file of
// that name (read-only or not). When it cannot be replaced, an existing link
// of that name is removed so that it never points at another file set.
// S_OK or the failure code.
HRESULT WriteShortcut(const ShortcutSpec& spec);
// Reads a .lnk back (target, arguments, working folder); nullopt when it
// cannot be loaded. `link` of the result is the file read.
std::optional<ShortcutSpec> ReadShortcut(const std::wstring& link);

// OK of TfMenuR: creates the chosen shortcuts and reports the result (status
// line on success, a message box otherwise). False when something failed.
bool RegisterShortcuts(App& app, const MenuRChoice& choice,
                       const ShortcutFolders& folders = SystemShortcutFolders());

// The registry key of the program: parent key and the key's own name under
// HKEY_CURRENT_USER. Only the key goes; the parent stays.
struct RegistryPlace {
  std::wstring parent = L"Software\\Rudavu";
  std::wstring name = L"Ruzer";
};

// "登録情報削除...": asks first, then deletes the automatic shortcut, the
// start-menu folder with all its shortcuts and the registry key, and tells
// what was done. False when the user said No.
bool RemoveRegistration(App& app, const ShortcutFolders& folders = SystemShortcutFolders(),
                        const RegistryPlace& key = RegistryPlace());

// Texts of the two boxes of the removal.
std::wstring RemovalQuestion();
std::wstring RemovalDoneText(const App& app, bool everythingRemoved);

}  // namespace ruzer

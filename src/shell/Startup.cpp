#include "shell/Startup.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>

#include "base/disk.h"
#include "base/handles.h"
#include "base/text.h"
#include "engine/Sbakup.h"
#include "engine/Scollate.h"
#include "engine/Snotice.h"
#include "shell/Mainwin.h"
#include "store/Fdef.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

bool g_parked = false;

std::wstring g_registryKeyForTests;
std::wstring g_localAppDataForTests;

std::wstring RegistryKey() {
  return g_registryKeyForTests.empty() ? std::wstring(Fdef::kRegistryKey) : g_registryKeyForTests;
}

std::wstring NamePart(const std::wstring& path) { return path.substr(FolderOf(path).size()); }

// The name with its extension (from the last dot on) replaced; a name without
// one gets the extension appended.
std::wstring ChangeExtension(const std::wstring& path, const std::wstring& ext) {
  const size_t nameStart = FolderOf(path).size();
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || dot < nameStart) return path + ext;
  return path.substr(0, dot) + ext;
}

std::wstring LocalAppDataFolder() {
  if (!g_localAppDataForTests.empty()) return g_localAppDataForTests;
  wchar_t buf[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buf, CSIDL_LOCAL_APPDATA, FALSE)) return {};
  return buf;
}

std::wstring LongDate(const SYSTEMTIME& t) {
  wchar_t buf[128] = {};
  if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &t, nullptr, buf, 128)) return {};
  return buf;
}

bool IsMinimizedShow(int cmd) {
  return cmd == SW_SHOWMINIMIZED || cmd == SW_MINIMIZE || cmd == SW_SHOWMINNOACTIVE;
}

// First n characters upper-cased (letters only change), the rest as given.
std::wstring UpperHead(std::wstring s, size_t n) {
  n = std::min(n, s.size());
  if (n) CharUpperBuffW(s.data(), static_cast<DWORD>(n));
  return s;
}

bool ReadDword(HKEY key, const wchar_t* name, int& value) {
  DWORD type = 0, data = 0, size = sizeof data;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
      ERROR_SUCCESS)
    return false;
  if (type != REG_DWORD || size != sizeof data) return false;
  value = static_cast<std::int32_t>(data);
  return true;
}

void WriteDword(HKEY key, const wchar_t* name, int value) {
  const DWORD data = static_cast<DWORD>(static_cast<std::int32_t>(value));
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

}  // namespace

void SetRegistryKeyForTests(const std::wstring& key) { g_registryKeyForTests = key; }
void SetLocalAppDataForTests(const std::wstring& folder) { g_localAppDataForTests = folder; }

bool AltKeyDown() { return (GetAsyncKeyState(VK_MENU) & 0x8000) != 0; }

StartupInfo ReadStartupInfo(int nCmdShow) {
  StartupInfo info;
  info.showCommand = nCmdShow;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  GetStartupInfoW(&si);
  info.startupShowWindow = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWNORMAL;

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (LocalMemory hold{argv})
    for (int i = 1; i < argc; ++i) info.args.emplace_back(argv[i]);

  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) {
      path.clear();
      break;
    }
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  info.programPath = path;
  return info;
}

int VerifySwitch(const std::wstring& arg) {
  const std::wstring head = UpperHead(arg, 2);
  if (head.compare(0, 2, L"/V") != 0) return 0;
  if (arg.size() == 2) return 1;
  if (arg[2] != L':' || arg.size() < 4 || arg.size() > 7) return 0;
  int n = 0;
  for (size_t i = 3; i < arg.size(); ++i) {
    if (arg[i] < L'0' || arg[i] > L'9') return 0;
    n = n * 10 + (arg[i] - L'0');
  }
  return n;
}

std::wstring ParseCommandLine(App& app, const std::vector<std::wstring>& args, AltKeyProbe altDown,
                              int* verifyShare) {
  std::wstring path;
  app.AutoMode = false;
  if (verifyShare) *verifyShare = 0;
  for (const std::wstring& arg : args) {
    if (arg.empty()) break;
    const bool alt = altDown && altDown();
    if (const int share = VerifySwitch(arg); share > 0) {
      // Alt turns it into an interactive start, as for "/A".
      if (!alt) {
        app.AutoMode = true;
        if (verifyShare) *verifyShare = share;
      }
      continue;
    }
    // Switches are recognised on the upper-cased head; a path keeps its letters.
    const std::wstring head = UpperHead(arg, 2);
    const bool autoSwitch = head.compare(0, 2, L"/A") == 0;
    if (autoSwitch && !alt) app.AutoMode = true;
    if (head.compare(0, 3, L"/X:") == 0)
      path = arg.substr(3, 260);
    else if (!autoSwitch)
      path = arg.substr(0, 260);
  }
  return path;
}

void LocateFileSet(App& app, const std::wstring& pathArg) {
  app.FileSetFolder = FolderOf(app.programPath);
  app.IndexFileName = std::wstring(Fdef::kDefaultIndexBase) + Fdef::kIndexExt;

  if (pathArg.empty()) {
    if (!IsExistingFile(app.IndexPath())) {
      const std::wstring base = LocalAppDataFolder();
      const std::wstring folder = base + Fdef::kAppDataFolder;
      app.FileSetFolder = folder + L"\\";
      const DWORD err = base.empty() ? ERROR_PATH_NOT_FOUND : CreateFolderPath(folder);
      if (err) {
        RestoreFromMinimized(app);
        const std::wstring why = SystemErrorText(err);
        ShowMessage(app.user, MsgKind::Error,
                    (why.empty() ? L"エラー " + std::to_wstring(err) : why) + L"\r\n<" + folder + L">");
        // Without a file set an automatic run has nothing to do, and a later
        // backup from the menu must not close the program behind the user.
        app.AutoMode = false;
        return;
      }
    }
  } else {
    std::wstring path = pathArg;
    if (!path.empty() && path.front() == L'"') path.erase(0, 1);
    if (!path.empty() && path.back() == L'"') path.pop_back();
    app.FileSetFolder = FolderOf(path);
    app.IndexFileName = ChangeExtension(NamePart(path), Fdef::kIndexExt);
    if (!IsExistingFile(app.IndexPath())) {
      RestoreFromMinimized(app);
      ShowMessage(app.user, MsgKind::Error,
                  L"Ruzer起動設定エラー\r\n引数の \"" + app.FileSetFolder + app.IndexFileName + L"\" が見つかりません.",
                  kOk | kHelp, kOk, 0);
      app.AutoMode = false;
      return;
    }
  }

  ReadIndexFile(app);
  app.view.Relayout();
}

void LoadWindowPlacement(App&, IWindowFrame& frame) {
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, RegistryKey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_QUERY_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  if (frame.IsMaximized()) return;
  int v = 0;
  if (!ReadDword(key.get(), L"WinLeft", v)) return;
  frame.SetLeft(v);
  if (!ReadDword(key.get(), L"WinTop", v)) return;
  frame.SetTop(v);
  if (!ReadDword(key.get(), L"WinWidth", v)) return;
  frame.SetWidth(v);
  if (!ReadDword(key.get(), L"WinHeight", v)) return;
  frame.SetHeight(v);
}

void SaveWindowPlacement(App&, IWindowFrame& frame) {
  if (frame.IsMinimized() || frame.IsMaximized()) return;
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, RegistryKey().c_str(), 0, KEY_SET_VALUE, key.put()) !=
      ERROR_SUCCESS)
    return;
  const RECT r = frame.Bounds();
  // A window still parked for a minimised start was never seen there.
  const int top = g_parked ? ParkedFromTop() : static_cast<int>(r.top);
  const std::wstring version = Fdef::kVersion;
  RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  WriteDword(key.get(), L"WinLeft", r.left);
  WriteDword(key.get(), L"WinTop", top);
  WriteDword(key.get(), L"WinWidth", r.right - r.left);
  WriteDword(key.get(), L"WinHeight", r.bottom - r.top);
}

void OnMainWindowCreate(App& app, IWindowFrame& frame, const StartupInfo& info) {
  SetMainFrame(&frame);
  if (app.programPath.empty()) app.programPath = info.programPath;
  g_parked = false;

  app.StartMinimized = false;
  const int show = info.showCommand == SW_SHOWDEFAULT ? info.startupShowWindow : info.showCommand;
  if (IsMinimizedShow(show)) app.StartMinimized = true;

  frame.SetLeft(0);
  frame.SetTop(0);
  frame.SetWidth(480);
  frame.SetHeight(360);
  SetBottomPanel(app, 0);
  LoadWindowPlacement(app, frame);

  if (!info.args.empty() && UpperHead(info.args.front().substr(0, 3), 3) == L"/AM")
    app.StartMinimized = true;

  if (app.StartMinimized) {
    SetParkedFromTop(frame.Bounds().top);
    frame.SetTop(kParkedTop);
    g_parked = true;
  }
}

void OnFirstActivate(App& app, IWindowFrame& frame, const StartupInfo& info) {
  if (app.StartMinimized) {
    frame.MinimizeApplication();
    if (g_parked) frame.SetTop(ParkedFromTop());
  }
  g_parked = false;
  if (info.showCommand == SW_SHOWMAXIMIZED) {
    frame.SetLeft(0);
    frame.SetTop(0);
    frame.SetWidth(frame.ScreenWidth());
    frame.SetHeight(frame.ScreenHeight());
  }
  int verifyShare = 0;
  const std::wstring path = ParseCommandLine(app, info.args, info.altDown, &verifyShare);
  if (app.programPath.empty()) app.programPath = info.programPath;
  app.helpFile = ChangeExtension(app.programPath, Fdef::kHelpExt);
  app.view.SetTitle(std::wstring(Fdef::kProduct) + L"  - " + LongDate(app.clock.Now()));
  const bool automatic = app.AutoMode;
  LocateFileSet(app, path);
  if (app.AutoMode && verifyShare > 0)
    RunAutoCollate(app, verifyShare);
  else if (app.AutoMode)
    RunBackup(app);
  else if (automatic)
    app.ExitCode = kExitFileSetUnusable;  // the automatic run never started
  else if (!app.IndexUnreadable)
    ShowStartNotice(app);  // what the logon runs and the missing disk left unsaid
}

void OnMainWindowClose(App& app, IWindowFrame& frame) {
  SaveWindowPlacement(app, frame);
  if (MainFrame() == &frame) SetMainFrame(nullptr);
}

}  // namespace ruzer

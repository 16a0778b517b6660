// Program start: show state, command line, locating the file set, window
// placement in the registry, automatic mode. Plain logic; the window frame is
// reached through IWindowFrame so tests can stand in for it.
#pragma once

#include <string>
#include <vector>

#include "base/app.h"
#include "base/services.h"

namespace ruzer {

// Alt key state (GetAsyncKeyState(VK_MENU)), replaceable for tests.
using AltKeyProbe = bool (*)();
bool AltKeyDown();

// What the process was started with; filled from the real process by
// ReadStartupInfo, or by a test.
struct StartupInfo {
  int showCommand = SW_SHOWNORMAL;  // nCmdShow
  int startupShowWindow = SW_SHOWNORMAL;  // STARTUPINFOW.wShowWindow
  std::vector<std::wstring> args;   // command-line arguments after the program name
  std::wstring programPath;         // full path of ruzer.exe
  AltKeyProbe altDown = &AltKeyDown;  // asked once per argument when the command line is read
};
StartupInfo ReadStartupInfo(int nCmdShow);

// The file set's path; sets app.AutoMode for "/A" and "/V". `verifyShare`
// gets n for "/V:n" (1 for "/V"), 0 when no verify was asked for.
std::wstring ParseCommandLine(App& app, const std::vector<std::wstring>& args,
                              AltKeyProbe altDown = &AltKeyDown, int* verifyShare = nullptr);
// "/V" gives 1, "/V:n" gives n (1 .. 9999); anything else 0.
int VerifySwitch(const std::wstring& arg);
void LocateFileSet(App& app, const std::wstring& path);
void LoadWindowPlacement(App& app, IWindowFrame& frame);
void SaveWindowPlacement(App& app, IWindowFrame& frame);

// Window creation steps (before the window is shown) and the steps that run
// when the main window first becomes active.
void OnMainWindowCreate(App& app, IWindowFrame& frame, const StartupInfo& info);
void OnFirstActivate(App& app, IWindowFrame& frame, const StartupInfo& info);
void OnMainWindowClose(App& app, IWindowFrame& frame);

// Test seams; an empty text restores the real place.
// Registry key (under HKEY_CURRENT_USER) of the window placement.
void SetRegistryKeyForTests(const std::wstring& key);
// Local application data folder used instead of the shell's one.
void SetLocalAppDataForTests(const std::wstring& folder);

}  // namespace ruzer

// Program entry: platform set-up, the application object, the main window and
// its message loop. Everything the program does runs inside that loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include "base/app.h"
#include "base/win32_user.h"
#include "engine/Vmemo.h"
#include "measure/Vcheck.h"
#include "shell/FF1.h"
#include "shell/Startup.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int nCmdShow) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
              ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&icc);
  // The folder browser and the shell folder tree need an apartment; drag and
  // drop needs OLE on top of it.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HRESULT ole = OleInitialize(nullptr);

  const ruzer::StartupInfo info = ruzer::ReadStartupInfo(nCmdShow);
  int exitCode = 0;
  {
    ruzer::Win32User user;
    ruzer::FF1 window;
    ruzer::App app(user, window, ruzer::SystemClock());
    app.programPath = info.programPath;
    user.SetApp(&app);
    // The dialogs live for the whole run; each keeps its last input.
    ruzer::TfMemo memo(user);
    app.memoDialog = &memo;
    ruzer::TfCheckDialog check(app);
    app.checkDialog = &check;

    if (window.Create(app, inst, info)) {
      user.SetOwner(window.hwnd());
      memo.SetOwner(window.hwnd());
      check.SetOwner(window.hwnd());
      MSG msg;
      BOOL got;
      while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        if (window.TranslateAccel(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (got == 0) exitCode = static_cast<int>(msg.wParam);
    } else {
      exitCode = 1;
    }
    app.memoDialog = nullptr;
    app.checkDialog = nullptr;
    user.SetOwner(nullptr);
    user.CloseHelp();
  }

  if (SUCCEEDED(ole)) OleUninitialize();
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}

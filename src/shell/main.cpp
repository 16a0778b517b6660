// Program entry: platform set-up, the application object, the main window and
// its message loop. Everything the program does runs inside that loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include "base/app.h"
#include "base/handles.h"
#include "base/win32_user.h"
#include "conditions/Venv_view.h"
#include "engine/Sbakup.h"
#include "engine/Vmemo_view.h"
#include "measure/Vcheck_view.h"
#include "restore/Vfind_view.h"
#include "restore/Vrest_view.h"
#include "restore/Vvrfy_view.h"
#include "setup/VmenuR_view.h"
#include "setup/Vwiz_view.h"
#include "shell/FF1.h"
#include "shell/FileSetOpen.h"
#include "shell/Startup.h"
#include "shell/Vpage_view.h"
#include "shell/Vxsort_view.h"
#include "sources/Vedit_view.h"
#include "sources/Vfile_view.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int nCmdShow) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
              ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&icc);
  // The folder browser and the shell folder tree need an apartment; drag and
  // drop needs OLE on top of it.
  const ruzer::ComInit com(ruzer::ComInit::Com);
  const ruzer::ComInit ole(ruzer::ComInit::Ole);  // ends first

  const ruzer::StartupInfo info = ruzer::ReadStartupInfo(nCmdShow);
  int exitCode = 0;
  {
    ruzer::Win32User user;
    ruzer::FF1 window;
    ruzer::App app(user, window, ruzer::SystemClock());
    app.programPath = info.programPath;
    user.SetApp(&app);
    user.SetBoxWatcher([&window](bool waiting) { window.SetBoxWaiting(waiting); });
    // The dialogs live for the whole run; each keeps its last input.
    ruzer::TfMemo memo(user);
    app.memoDialog = &memo;
    ruzer::TfEnv env(user);
    app.envDialog = &env;
    ruzer::TfPage pageName(user);
    app.pageNameDialog = &pageName;
    ruzer::TfXsort pageSort(user);
    app.pageSortDialog = &pageSort;
    ruzer::FileSetOpenDialog openSet;
    app.fileSetOpenDialog = &openSet;
    ruzer::TfFname patternDialog(app);
    app.patternDialog = &patternDialog;
    ruzer::TfEdit folderDialog(app);
    app.folderDialog = &folderDialog;
    ruzer::TfCheckDialog check(app);
    app.checkDialog = &check;
    ruzer::TfRest restoreResults(app);
    ruzer::TfVrfy restoreSearch(app, &restoreResults);
    app.verifyDialog = &restoreSearch;
    ruzer::TfFind find(app);
    app.findDialog = &find;
    ruzer::TfMenuR menuR(user);
    app.menuRDialog = &menuR;
    ruzer::TfWiz wizard(user);
    app.wizardDialog = &wizard;

    if (window.Create(app, inst, info)) {
      user.SetOwner(window.hwnd());
      memo.SetOwner(window.hwnd());
      env.SetOwner(window.hwnd());
      pageName.SetOwner(window.hwnd());
      pageSort.SetOwner(window.hwnd());
      openSet.SetOwner(window.hwnd());
      folderDialog.SetOwner(window.hwnd());
      check.SetOwner(window.hwnd());
      restoreSearch.SetOwner(window.hwnd());
      find.SetOwner(window.hwnd());
      menuR.SetOwner(window.hwnd());
      wizard.SetOwner(window.hwnd());
      MSG msg;
      BOOL got;
      while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        if (window.TranslateAccel(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      // An automatic run tells schedulers how it ended.
      if (got == 0) exitCode = app.ExitCode != 0 ? app.ExitCode : static_cast<int>(msg.wParam);
    } else {
      exitCode = ruzer::kExitNoWindow;  // not 1: that says a run finished with errors
    }
    app.memoDialog = nullptr;
    app.envDialog = nullptr;
    app.pageNameDialog = nullptr;
    app.pageSortDialog = nullptr;
    app.fileSetOpenDialog = nullptr;
    app.folderDialog = nullptr;
    app.patternDialog = nullptr;
    app.checkDialog = nullptr;
    app.verifyDialog = nullptr;
    app.findDialog = nullptr;
    app.menuRDialog = nullptr;
    app.wizardDialog = nullptr;
    user.SetOwner(nullptr);
    user.CloseHelp();
  }

  return exitCode;
}

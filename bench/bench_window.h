// The real main window for the benchmarks that measure inside it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "base/app.h"
#include "base/textfile.h"
#include "shell/FF1.h"
#include "shell/Startup.h"
#include "engine_common.h"

namespace ruzer::bench {

// A file set of one page "Bench" with one row over `source` (sub-folders on) into `dest`.
inline void WriteBenchFileSet(const std::wstring& set, const std::wstring& source, const std::wstring& dest) {
  MakeDirs(set);
  WriteUtf16File(set + L"\\BENCH.IDX", {L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=180", L"",
                                       L"[Index]", L"Fname1=Bench", L"Dpath1=" + dest, L"Volum1=", L"LstDy1=", L""});
  WriteUtf16File(set + L"\\Bench.PAG", {L"[Ruzer]", L"Vers=6.00", L"Path=" + dest, L"Labl=", L"Bday=15",
                                        L"Flgs=1101", L"Cont=1", L"Yfil=*.*", L"Zfil=", L"", L"[Folder00001]",
                                        L"Sorc=" + source, L"Efol=", L"Wfil=*.*", L"Xfil=", L"Mark=o"});
}

// Opens the window on the file set `index` (its folder holds a ruzer.exe in
// name only), at 1100 × 750, with the benchmarks' own registry key, and lets
// messages run until `ready` holds (at most `waitMs`). False when it could not.
inline bool OpenBenchWindow(FF1& win, App& app, const std::wstring& index, bool shown,
                            const std::function<bool()>& ready, int waitMs = 10000) {
  SetRegistryKeyForTests(L"Software\\Rudavu\\RuzerBench");
  StartupInfo info;
  if (shown) {
    info.showCommand = SW_SHOWNORMAL;
    info.startupShowWindow = SW_SHOWNORMAL;
  }
  info.args = {index};
  info.programPath = index.substr(0, index.rfind(L'\\') + 1) + L"ruzer.exe";
  info.altDown = [] { return false; };
  if (!win.Create(app, GetModuleHandleW(nullptr), info)) {
    std::fprintf(stderr, "cannot create the main window\n");
    return false;
  }
  SetWindowPos(win.hwnd(), nullptr, 0, 0, 1100, 750, SWP_NOZORDER);
  for (int i = 0; i < waitMs / 10 && !ready(); ++i) {
    win.PumpMessages();
    Sleep(10);
  }
  return ready();
}

// The real main window, shown, on the one-page file set of WriteBenchFileSet.
struct BenchMainWindow {
  QuietUser user;  // counts the messages a benchmark expects none of
  BenchClock clock;
  AcceptMemo memo;
  FF1 win;
  App app{user, win, clock};
  BenchMainWindow() { app.memoDialog = &memo; }
  // Opens it and waits for the page; `dialog`, opened by a command of the window, is owned by it.
  template <class D>
  bool Open(const std::wstring& index, D& dialog) {
    const bool opened = OpenBenchWindow(win, app, index, true, [&] {
      return app.RowCount() == 1 && app.commandDepth == 0 && !app.PageLoading;
    });
    dialog.SetOwner(win.hwnd());
    if (!opened) std::fprintf(stderr, "file set not loaded\n");
    return opened;
  }
};

}  // namespace ruzer::bench

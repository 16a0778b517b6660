// Capacity measurement of an unchanged tree of 20,000 files in 1,000 folders
// against the backup run over the same tree, side by side in one process and
// in the real main window, as the user starts them: the backup through the
// window's backup command, the measurement through its capacity command and
// the real capacity dialog's start button (the window's size list filled and
// the dialog's totals drawn). The two alternate, each taking each place in the
// order as often as the other; best and median of each.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "bench_window.h"
#include "engine_common.h"
#include "measure/Vcheck_view.h"
#include "shell/FF1.h"
#include "shell/Mainwin.h"
#include "shell/Startup.h"
#include "support/dialog_driver.h"

using namespace ruzer;
using namespace ruzer::bench;

int main() {
  int kFolders = 1000;
  const int kFiles = 20, kReps = 5;
  // A smaller tree for a quick look: RUZER_BENCH_FOLDERS=100.
  if (const char* f = std::getenv("RUZER_BENCH_FOLDERS")) kFolders = std::max(25, std::atoi(f));
  const std::wstring work = TempRoot(L"measure"), src = work + L"\\src", dest = work + L"\\dest",
                     set = work + L"\\set";
  MakeTree(src, kFolders, kFiles, 200);
  MakeDirs(dest);
  WriteBenchFileSet(set, src, dest);

  BenchMainWindow window;
  App& app = window.app;
  TfCheckDialog check(app);
  app.checkDialog = &check;
  if (!window.Open(set + L"\\BENCH.IDX", check)) return 1;

  auto command = [&](Cmd c) {
    SendMessageW(window.win.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(c), 0), 0);
  };
  auto paint = [](HWND w) { RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); };
  // One backup run through the window; false when it did not end normally.
  auto backup = [&](double& seconds) {
    seconds = Seconds([&] {
      command(Cmd::Backup);
      paint(window.win.hwnd());
    });
    return !app.BackupFailed && !app.AbortRequested && window.user.messages == 0;
  };
  const std::int64_t files = static_cast<std::int64_t>(kFolders) * kFiles;
  // The root, a folder per group of 25 and the leaves.
  const int lines = 1 + (kFolders + 24) / 25 + kFolders;
  const std::wstring countText = L"ファイル数= " + std::to_wstring(files);
  // The dialog opened by the window's command, its start button pressed once;
  // false when the figures are not those of the whole tree.
  auto measure = [&](double& seconds) {
    bool ok = false;
    test::DialogDriver driver(600000);
    driver.on(L"容量測定", [&](test::DialogHandle& dlg) {
      seconds = Seconds([&] {
        SendMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(TfCheckDialog::kBtnStart, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg.item(TfCheckDialog::kBtnStart)));
        paint(dlg.hwnd());
        paint(window.win.hwnd());
      });
      ok = check.logic().fileCount() == files && dlg.text(TfCheckDialog::kLblFcnt) == countText &&
           ListView_GetItemCount(window.win.Control(kIdSizeList)) == lines;
      dlg.press(TfCheckDialog::kBtnExit);
    });
    command(Cmd::Check);
    return ok && driver.done() && !driver.timedOut() && window.user.messages == 0;
  };

  double first = 0;
  if (!backup(first)) {
    std::fprintf(stderr, "first run failed\n");
    return 1;
  }
  std::fprintf(stderr, "first run %.2f s\n", first);
  std::vector<double> runs, measurements;
  bool ok = true;
  for (int r = 0; r < kReps && ok; ++r) {
    for (int k = 0; k < 2 && ok; ++k) {
      double t = 0;
      if ((r + k) % 2 == 0) {
        ok = backup(t);
        std::fprintf(stderr, "unchanged run %.2f s\n", t);
        runs.push_back(t);
      } else {
        ok = measure(t);
        std::fprintf(stderr, "measurement %.2f s\n", t);
        measurements.push_back(t);
      }
    }
  }
  const long long counted = check.logic().fileCount();
  SendMessageW(window.win.hwnd(), WM_CLOSE, 0, 0);
  SetRegistryKeyForTests(L"");
  if (!ok) {
    std::fprintf(stderr, "a run failed, or the measurement counted %lld files of %lld\n", counted,
                 static_cast<long long>(files));
    return 1;
  }
  const double bestM = *std::min_element(measurements.begin(), measurements.end()),
               bestR = *std::min_element(runs.begin(), runs.end());
  const double medM = Median(measurements), medR = Median(runs);
  char name[160];
  std::snprintf(name, sizeof name,
                "capacity measurement in the real window, unchanged %lld files / %d folders (best; median)",
                static_cast<long long>(files), kFolders);
  Row(name, Fmt("%.2f s", bestM) + Fmt("; %.2f s", medM),
      Fmt("%.2f s unchanged backup run", bestR) + Fmt("; %.2f s", medR),
      Fmt("%.2fx", bestM / bestR) + Fmt("; %.2fx", medM / medR), "<= 1.2x");
  RemoveAll(work);
  return 0;
}

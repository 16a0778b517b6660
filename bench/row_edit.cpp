// Row edit benchmark: on a page of 5,000 rows shown in the real main window,
// add a row, change it and delete it through the row commands; each command
// writes the page file and redraws the list. Prints the median of several runs.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/textfile.h"
#include "bench_common.h"
#include "bench_window.h"
#include "shell/FF1.h"
#include "shell/Startup.h"
#include "sources/Srows.h"
#include "store/Spage.h"

namespace {

using namespace ruzer;
using bench::Median;
using bench::Ms;
using bench::NoSleepClock;

// Answers the delete question with Yes; any other message is a failure.
class YesUser : public bench::QuietUser {
 public:
  MsgButton Message(const MessageRequest& r) override {
    if (r.text.rfind(L"選択された", 0) == 0) return kYes;
    return QuietUser::Message(r);
  }
};

// The folder settings dialog, answered at once: OK with the fields set.
class InstantDialog : public IFolderDialog {
 public:
  std::wstring src, comment;
  bool Show(FolderDialogState& s) override {
    if (s.mode == EditMode::Add) s.src = src;
    s.comment = comment;
    return true;
  }
};


std::wstring MakeFileSet(int rows) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring dir = std::wstring(tmp) + L"ruzer-rowbench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW((dir + L"newrow").c_str(), nullptr);
  WriteUtf16File(dir + L"BENCH.IDX", {L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=180", L"",
                                      L"[Index]", L"Fname1=ページ", L"Dpath1=E:\\Backup", L"Volum1=", L"LstDy1=", L""});
  std::vector<std::wstring> page = {L"[Ruzer]", L"Vers=6.00", L"Path=E:\\Backup", L"Labl=", L"Bday=15",
                                    L"Flgs=1101", L"Cont=" + std::to_wstring(rows), L"Yfil=*.*", L"Zfil="};
  for (int r = 1; r <= rows; ++r) {
    wchar_t sec[16], folder[64];
    swprintf(sec, 16, L"[Folder%05d]", r);
    swprintf(folder, 64, L"C:\\データ\\フォルダ%05d", r);
    page.insert(page.end(), {L"", sec, std::wstring(L"Sorc=") + folder, L"Efol=コメント", L"Wfil=*.doc:*.xls",
                             L"Xfil=*.tmp", L"U000=sub\\a:sub\\b", L"Mark=o"});
  }
  WriteUtf16File(dir + L"ページ.PAG", page);
  return dir;
}

void RemoveFileSet(const std::wstring& dir) {
  for (const wchar_t* f : {L"BENCH.IDX", L"ページ.PAG"}) DeleteFileW((dir + f).c_str());
  RemoveDirectoryW((dir + L"newrow").c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace

int main() {
  constexpr int kRows = 5000, kRuns = 7;
  const std::wstring dir = MakeFileSet(kRows);
  YesUser user;
  NoSleepClock clock;
  FF1 win;
  App app(user, win, clock);
  InstantDialog dialog;
  dialog.src = dir + L"newrow";
  app.folderDialog = &dialog;
  if (!bench::OpenBenchWindow(win, app, dir + L"BENCH.IDX", false, [&] { return app.RowCount() == kRows; }, 5000)) {
    std::fprintf(stderr, "page not loaded\n");
    return 1;
  }
  HWND list = win.Control(kIdSourceList);
  auto redraw = [&] { RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };

  std::vector<double> add, change, del;
  for (int run = 0; run < kRuns; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    AddRow(app);
    redraw();
    add.push_back(Ms(std::chrono::steady_clock::now() - t0));
    if (app.RowCount() != kRows + 1) {
      std::fprintf(stderr, "row not added\n");
      return 1;
    }
    // AddRow selected the new row.
    dialog.comment = L"変更 " + std::to_wstring(run);
    t0 = std::chrono::steady_clock::now();
    ChangeRow(app);
    redraw();
    change.push_back(Ms(std::chrono::steady_clock::now() - t0));

    t0 = std::chrono::steady_clock::now();
    DeleteRows(app);
    redraw();
    del.push_back(Ms(std::chrono::steady_clock::now() - t0));
    if (app.RowCount() != kRows) {
      std::fprintf(stderr, "row not deleted\n");
      return 1;
    }
  }
  std::vector<double> write, index;
  for (int run = 0; run < kRuns; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    WriteIndexFile(app);
    index.push_back(Ms(std::chrono::steady_clock::now() - t0));
    t0 = std::chrono::steady_clock::now();
    WritePageFile(app);
    write.push_back(Ms(std::chrono::steady_clock::now() - t0));
  }
  std::printf("row_edit: %d rows, page file written and list redrawn, median of %d runs\n", kRows, kRuns);
  std::printf("  AddRow:     %8.1f ms\n", Median(add));
  std::printf("  ChangeRow:  %8.1f ms\n", Median(change));
  std::printf("  DeleteRows: %8.1f ms\n", Median(del));
  std::printf("  of which WritePageFile alone: %8.1f ms (its index file: %.1f ms)\n", Median(write), Median(index));
  std::printf("  target: below 300 ms\n");
  SendMessageW(win.hwnd(), WM_CLOSE, 0, 0);
  SetRegistryKeyForTests(L"");
  RemoveFileSet(dir);
  return user.messages == 0 ? 0 : 1;
}

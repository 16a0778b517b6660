// Page load benchmark: a file set of 50 pages, one of them with 5,000 rows,
// shown in the real main window. Prints the median of several runs of
// LoadActivePage plus painting the source list.
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
#include "shell/Mainwin.h"
#include "shell/Startup.h"
#include "store/Spage.h"

namespace {

using namespace ruzer;
using bench::Median;
using bench::Ms;
using bench::NoSleepClock;
using bench::QuietUser;




std::wstring MakeFileSet(int pages, int bigRows, int smallRows) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring dir = std::wstring(tmp) + L"ruzer-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  std::vector<std::wstring> idx = {L"[Ruzer]", L"Vers=6.00", L"Count=" + std::to_wstring(pages), L"Sleep=1000",
                                   L"Widir=180", L"", L"[Index]"};
  for (int p = 1; p <= pages; ++p) {
    const std::wstring name = L"ページ" + std::to_wstring(p), n = std::to_wstring(p);
    idx.insert(idx.end(), {L"Fname" + n + L"=" + name, L"Dpath" + n + L"=E:\\Backup\\" + name, L"Volum" + n + L"=",
                           L"LstDy" + n + L"="});
    const int rows = p == 1 ? bigRows : smallRows;
    std::vector<std::wstring> page = {L"[Ruzer]", L"Vers=6.00", L"Path=E:\\Backup\\" + name, L"Labl=", L"Bday=15",
                                      L"Flgs=1101", L"Cont=" + std::to_wstring(rows), L"Yfil=*.*", L"Zfil="};
    for (int r = rows; r >= 1; --r) {  // written in reverse: the load sorts them
      wchar_t sec[16], folder[64];
      swprintf(sec, 16, L"[Folder%05d]", rows - r + 1);
      swprintf(folder, 64, L"C:\\データ\\フォルダ%05d", r);
      page.insert(page.end(), {L"", sec, std::wstring(L"Sorc=") + folder, L"Efol=コメント", L"Wfil=*.doc:*.xls",
                               L"Xfil=*.tmp", L"U000=sub\\a:sub\\b", L"Mark=o"});
    }
    WriteUtf16File(dir + name + L".PAG", page);
  }
  idx.push_back(L"");
  WriteUtf16File(dir + L"BENCH.IDX", idx);
  return dir;
}

void RemoveFileSet(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + fd.cFileName).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

}  // namespace

int main() {
  constexpr int kPages = 50, kBigRows = 5000, kSmallRows = 20, kRuns = 7;
  const std::wstring dir = MakeFileSet(kPages, kBigRows, kSmallRows);
  QuietUser user;
  NoSleepClock clock;
  FF1 win;
  App app(user, win, clock);
  if (!bench::OpenBenchWindow(win, app, dir + L"BENCH.IDX", false,
                              [&] { return app.pages.size() == static_cast<size_t>(kPages); }, 5000)) {
    std::fprintf(stderr, "file set not loaded\n");
    return 1;
  }
  HWND list = win.Control(kIdSourceList);

  std::vector<double> store;
  {
    bench::NullView nullView;
    App bare(user, nullView, clock);
    bare.FileSetFolder = dir;
    bare.IndexFileName = L"BENCH.IDX";
    for (int run = 0; run < kRuns; ++run) {
      const auto t0 = std::chrono::steady_clock::now();
      ReadIndexFile(bare);
      store.push_back(Ms(std::chrono::steady_clock::now() - t0));
    }
  }

  std::vector<double> index, big, change;
  for (int run = 0; run < kRuns; ++run) {
    // Reading the index file of 50 pages (and the first, big page with it).
    auto t0 = std::chrono::steady_clock::now();
    ReadIndexFile(app);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    index.push_back(Ms(std::chrono::steady_clock::now() - t0));

    // Loading the 5,000-row page and painting it.
    app.activePage = 0;
    t0 = std::chrono::steady_clock::now();
    LoadActivePage(app);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    big.push_back(Ms(std::chrono::steady_clock::now() - t0));
    if (app.RowCount() != kBigRows || ListView_GetItemCount(list) != kBigRows) {
      std::fprintf(stderr, "expected %d rows, got %d (list %d)\n", kBigRows, app.RowCount(),
                   static_cast<int>(ListView_GetItemCount(list)));
      return 1;
    }

    // A tab change from a small page to the big one, as the user does it.
    TabClicked(app, 1);
    t0 = std::chrono::steady_clock::now();
    TabClicked(app, 0);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    change.push_back(Ms(std::chrono::steady_clock::now() - t0));
  }
  std::printf("page_load: %d pages, %d rows on the big page, median of %d runs\n", kPages, kBigRows, kRuns);
  std::printf("  ReadIndexFile without a window (store only): %8.1f ms\n", Median(store));
  std::printf("  ReadIndexFile (50 pages + first page shown): %8.1f ms\n", Median(index));
  std::printf("  LoadActivePage 5,000 rows + paint:           %8.1f ms\n", Median(big));
  std::printf("  tab change to the 5,000-row page + paint:    %8.1f ms\n", Median(change));
  std::printf("  target: below 1000 ms\n");
  SendMessageW(win.hwnd(), WM_CLOSE, 0, 0);
  SetRegistryKeyForTests(L"");
  RemoveFileSet(dir);
  return user.messages == 0 ? 0 : 1;
}

// Restore result grid: a search folder of 10,000 files whose copies lie in
// each of 30 generations (300,000 copies, every cell filled), searched and
// shown in the real grid; then paging through it, and the memory it holds.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_common.h"
#include "host_files.h"
#include "restore/Vrest.h"
#include "restore/Vvrfy.h"

using namespace ruzer;
using namespace ruzer::bench;

namespace {

constexpr int kFiles = 10000, kGenerations = 30;

// The grid in a plain window, as the dialog shows it.
class GridView : public IRestView {
 public:
  Grid grid;
  HWND frame = nullptr;
  GridView() {
    frame = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                            nullptr, nullptr, nullptr);
    grid.Create(frame, 1, RECT{0, 0, 880, 660});
  }
  ~GridView() override { DestroyWindow(frame); }
  void SetStatus(const std::wstring&) override {}
  void SetRestoreEnabled(bool) override {}
  void GridReloaded() override { grid.Reload(); }
  void CellsChanged() override { grid.Invalidate(); }
  GridRange Selection() override { return grid.Selection(); }
  void SetDefaultColumnWidth(int w) override { grid.SetDefaultColumnWidth(w); }
  void SetColumnWidth(int c, int w) override { grid.SetColumnWidth(c, w); }
};

// 310,000 files, every copy with its own time.
bool MakeFilesOnHost(const std::wstring& work, const std::wstring& mirror) {
  return MakeTreeOnHost(work, mirror,
      "def fill(d,base,keep):\n"
      "  os.makedirs(d,exist_ok=True)\n"
      "  for i in range(" + std::to_string(kFiles) + "):\n"
      "    if not keep(i): continue\n"
      "    p=os.path.join(d,'file%05d.dat'%i)\n"
      "    open(p,'w').close()\n"
      "    os.utime(p,(base+i*7,base+i*7))\n"
      "fill(os.path.join(root,'cur','F'),1273000000,lambda i:True)\n"
      "n=" + std::to_string(kGenerations) + "\n"
      "for g in range(n):\n"
      "  gen='1005%02dA'%(g+1)\n"
      "  fill(os.path.join(root,'full',gen,rel),1272600000+g*86400,lambda i:True)\n"
      "  fill(os.path.join(root,'dest',gen,rel),1272600000+g*86400,lambda i,g=g:g==n-1 or i%10==g%10)\n");
}

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

}  // namespace

int main() {
  const std::wstring work = TempRoot(L"restore");
  const std::wstring folder = work + L"\\cur\\F";
  if (!MakeFilesOnHost(work, MirrorName(folder))) {
    std::fprintf(stderr, "could not make the files\n");
    return 1;
  }
  QuietUser user;
  PumpingView mainView;
  BenchClock clock;
  App app(user, mainView, clock);
  std::vector<std::wstring> lines;
  for (int g = 0; g < kGenerations; ++g) {
    wchar_t name[8];
    swprintf(name, 8, L"1005%02dA", g + 1);
    lines.push_back(GenerationLine(name, L""));
  }

  GridView view;
  Pump();
  bool complete = true;
  // The usual layout: the newest generation a full mirror, each older one the
  // 1,000 files that the run after it replaced; then every generation full.
  for (const wchar_t* layout : {L"dest", L"full"}) {
    const bool full = std::wstring(layout) == L"full";
    app.env.tamdir = work + L"\\" + layout;
    std::vector<double> bare, fills;
    RestState st;
    for (int run = 0; run < 3; ++run) {
      bare.push_back(Seconds([&] {
        std::vector<DirEntry> files, folders;
        ListFolder(folder, files, folders);
        for (const auto& line : lines)
          ListFolder(app.env.tamdir + L"\\" + GenerationOfLine(line) + L"\\" + MirrorName(folder), files, folders);
      }));
      fills.push_back(Seconds([&] {
        OpenRestore(app, st, view, RestoreRequest{folder, lines, 0});
        RedrawWindow(view.grid.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      }));
    }
    std::sort(bare.begin(), bare.end());
    std::sort(fills.begin(), fills.end());
    const bool ok = st.grid.NameCount() == kFiles && st.grid.Cell(kFiles, 2) != kNoTime &&
                    (st.grid.Cell(kFiles, kGenerations + 1) != kNoTime) == full;
    complete = complete && ok;
    const double fill = fills[1], list = bare[1];
    Row(full ? "Restore grid: 10,000 files, each in all 30 generations (300,000 copies), median of 3"
             : "Restore grid: 10,000 files, 30 generations (newest full, 1,000 changed in each older), median of 3",
        Fmt("%.0f ms", fill * 1000), Fmt("%.0f ms bare FindFirstFileW listing of the 31 folders", list * 1000),
        ok ? Fmt("%.2fx", fill / list) : "INCOMPLETE", "< 2 s");
    if (!full) continue;

    // Paging down through the rows, each page painted.
    const int pages = 500;
    const double paging = Seconds([&] {
      for (int i = 0; i < pages; ++i) {
        SendMessageW(view.grid.hwnd(), WM_VSCROLL, SB_PAGEDOWN, 0);
        RedrawWindow(view.grid.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      }
    });
    RECT shown{};
    const bool scrolled = SendMessageW(view.grid.hwnd(), kGridGetCellRect, MAKEWPARAM(kFiles - 1, 0),
                                       reinterpret_cast<LPARAM>(&shown)) != 0;
    // What the grid holds: with every generation, and with the newest only.
    const std::size_t all = st.grid.MemoryBytes();
    RestState one;
    OpenRestore(app, one, view, RestoreRequest{folder, lines, kGenerations - 1});
    const std::size_t single = one.grid.MemoryBytes();
    const double perCell = static_cast<double>(all - single) / (static_cast<double>(kFiles) * (kGenerations - 1));
    Row("Restore grid: one page down, painted", Fmt("%.1f ms", paging * 1000 / pages), "-",
        scrolled ? "reached the end" : "DID NOT SCROLL", "smooth");
    Row("Restore grid memory: 10,000 names + 310,000 cells", Fmt("%.1f MB", all / 1048576.0),
        Fmt("%.1f MB with one generation", single / 1048576.0), Fmt("%.0f bytes per cell", perCell),
        "grows with the names");
  }
  RemoveOnHost(work);
  return complete && user.messages == 0 ? 0 : 1;
}

// "ファイルを探す" over 30 generations of 100,000 files (the newest a full
// mirror, each older one the 1,000 files the run after it replaced), in the
// real dialog opened by the real main window's command: a search by a part of
// a name (15 hits) and one by a wildcard pattern (10,000 hits), each pressed
// as the search button, against a bare FindFirstFileW walk of the same 30
// generation folders in the same run; then the 10,000 rows of the owner-data
// list: shown anew, sorted by a header click, paged through.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "bench_window.h"
#include "engine/Sdskio.h"
#include "engine_common.h"
#include "host_files.h"
#include "restore/Vfind_view.h"
#include "shell/Mainwin.h"
#include "support/dialog_driver.h"

using namespace ruzer;
using namespace ruzer::bench;

namespace {

constexpr int kGenerations = 30, kReps = 7;

// The source (100,000 files in 2,000 folders, four deep, a few of them lost
// since) and its generations. File i is "<word>_<i>.<ext>": every tenth word
// is 見積書, only in the newest generation; each older generation holds five
// changed files in each of 200 folders, with their own times.
bool MakeFilesOnHost(const std::wstring& work, const std::wstring& mirror) {
  return MakeTreeOnHost(work, mirror,
      "tops=['文書','仕事','写真','個人','プロジェクト','経理','資料','共有','設計','お客様']\n"
      "kinds=['会議','報告','見積','契約','写真']\n"
      "words=['見積書','議事録','報告書','企画書','請求書','メモ','IMG','data','notes','draft']\n"
      "exts=['docx','xlsx','pdf','txt','jpg','png','csv']\n"
      "def leaf(L): return os.path.join(tops[L//200],str(2016+(L//20)%10),'%02d_%s'%(L%20+1,kinds[L%5]))\n"
      "def name(i): return '%s_%06d.%s'%(words[i%10],i,exts[(i//10)%7])\n"
      "def put(p,t):\n"
      "  open(p,'wb').close()\n"
      "  os.utime(p,(t,t))\n"
      "base=1700000000\n"
      "src=os.path.join(root,'src')\n"
      "newest=os.path.join(root,'dest','1005" + std::to_string(kGenerations) + "A',rel)\n"
      "for L in range(2000):\n"
      "  d=leaf(L)\n"
      "  os.makedirs(os.path.join(src,d))\n"
      "  os.makedirs(os.path.join(newest,d))\n"
      "  for i in range(L*50,L*50+50):\n"
      "    put(os.path.join(newest,d,name(i)),base+i)\n"
      "    if i%1000!=7: put(os.path.join(src,d,name(i)),base+i)\n"
      "for j in range(1," + std::to_string(kGenerations) + "):\n"
      "  g=os.path.join(root,'dest','1005%02dA'%(" + std::to_string(kGenerations) + "-j),rel)\n"
      "  for t in range(200):\n"
      "    L=(j*13+t*10)%2000\n"
      "    os.makedirs(os.path.join(g,leaf(L)),exist_ok=True)\n"
      "    for s in range(5):\n"
      "      i=L*50+10*s+1+j%9\n"
      "      put(os.path.join(g,leaf(L),name(i)),base-j*86400+i)\n");
}

struct Search {
  const wchar_t* pattern;
  size_t hits;
  const char* name;
  std::vector<double> times, ratios;  // ratios: against the walk of the same round
};

}  // namespace

int main() {
  const std::wstring work = TempRoot(L"find"), src = work + L"\\src", dest = work + L"\\dest",
                     set = work + L"\\set";
  if (!MakeFilesOnHost(work, MirrorName(src))) {
    std::fprintf(stderr, "could not make the files\n");
    return 1;
  }
  WriteBenchFileSet(set, src, dest);
  std::vector<std::wstring> folders;
  for (int g = 1; g <= kGenerations; ++g) {
    wchar_t name[8];
    swprintf(name, 8, L"1005%02dA", g);
    folders.push_back(dest + L"\\" + name);
  }
  const long long stored = 100000 + (kGenerations - 1) * 1000;

  BenchMainWindow window;
  App& app = window.app;
  TfFind find(app);
  app.findDialog = &find;
  if (!window.Open(set + L"\\BENCH.IDX", find)) return 1;

  auto paint = [](HWND w) { RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); };
  Search searches[] = {{L"議事録_0012", 15, "a part of a name", {}, {}}, {L"見積書*", 10000, "a pattern", {}, {}}};
  std::vector<double> walks;
  long long walked = 0;
  bool ok = true;
  double shown = 0, sorted = 0, perPage = 0;
  int pages = 0, lastTop = 0;
  test::DialogDriver driver(1800000);
  driver.on(L"ファイルを探す", [&](test::DialogHandle& dlg) {
    auto search = [&](Search& s) {
      dlg.type(TfFind::kEdtName, s.pattern);
      const double t = Seconds([&] {
        SendMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.item(IDOK)));
        paint(dlg.hwnd());
      });
      const std::wstring expected = L"検索完了．該当 " + FormatWhole(static_cast<std::int64_t>(s.hits)) + L" 件 (" +
                                    std::to_wstring(kGenerations) + L" 世代を検索)．";
      if (find.state().hits.size() != s.hits || dlg.text(TfFind::kStsBar) != expected) {
        char status[400] = {};
        WideCharToMultiByte(CP_UTF8, 0, dlg.text(TfFind::kStsBar).c_str(), -1, status, sizeof status - 1, nullptr,
                            nullptr);
        std::fprintf(stderr, "%s: %zu hits; %s\n", s.name, find.state().hits.size(), status);
        ok = false;
      }
      s.times.push_back(t);
    };
    auto walk = [&] {
      walks.push_back(Seconds([&] {
        walked = 0;
        for (const auto& f : folders) walked += BareWalk(f);
      }));
      ok = ok && walked == stored;
    };
    walk();  // both sides then find the folders in the system's cache
    walks.clear();
    // Interleaved, each side first as often as last.
    for (int r = 0; r < kReps && ok; ++r) {
      if (r % 2 == 0) walk();
      for (int k = 0; k < 2; ++k) search(searches[r % 2 == 0 ? k : 1 - k]);
      if (r % 2 == 1) walk();
      for (Search& s : searches) s.ratios.push_back(s.times.back() / walks.back());
      std::fprintf(stderr, "round %d: walk %.2f s, searches %.2f s and %.2f s\n", r + 1, walks.back(),
                   searches[0].times.back(), searches[1].times.back());
    }
    // The 10,000 rows of the last search, as the list shows them.
    HWND lv = dlg.item(TfFind::kLvHits);
    const int rows = ListView_GetItemCount(lv);
    ok = ok && rows == 10000;
    ListView_SetItemCountEx(lv, 0, 0);
    paint(lv);
    shown = Seconds([&] {
      ListView_SetItemCountEx(lv, rows, LVSICF_NOSCROLL);
      paint(lv);
    });
    NMLISTVIEW click{};
    click.hdr.hwndFrom = lv;
    click.hdr.idFrom = TfFind::kLvHits;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = kColName;
    sorted = Seconds([&] {
      SendMessageW(dlg.hwnd(), WM_NOTIFY, TfFind::kLvHits, reinterpret_cast<LPARAM>(&click));
      paint(lv);
    });
    const double paging = Seconds([&] {
      for (; pages < 2000 && ListView_GetTopIndex(lv) + ListView_GetCountPerPage(lv) < rows; ++pages) {
        SendMessageW(lv, WM_VSCROLL, SB_PAGEDOWN, 0);
        paint(lv);
      }
    });
    lastTop = ListView_GetTopIndex(lv);
    perPage = pages ? paging / pages : 0;
    dlg.press(IDCANCEL);
  });
  SendMessageW(window.win.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(Cmd::Find), 0), 0);
  ok = ok && driver.done() && !driver.timedOut() && window.user.messages == 0;
  SendMessageW(window.win.hwnd(), WM_CLOSE, 0, 0);
  SetRegistryKeyForTests(L"");
  if (!ok || walks.empty()) {
    std::fprintf(stderr, "incomplete: the walk met %lld files of %lld\n", walked, stored);
    RemoveOnHost(work);
    return 1;
  }
  const double walk = Median(walks), bestWalk = *std::min_element(walks.begin(), walks.end());
  for (const Search& s : searches) {
    char name[200];
    std::snprintf(name, sizeof name,
                  "Find a file in the real dialog: 30 generations, 100,000 files (newest full, 1,000 changed in each "
                  "older), search by %s, %zu hits (best; median of %d)",
                  s.name, s.hits, kReps);
    const double t = Median(s.times), best = *std::min_element(s.times.begin(), s.times.end());
    // Other load slows whichever side it meets: the best of each, and each round's own ratio.
    const auto [low, high] = std::minmax_element(s.ratios.begin(), s.ratios.end());
    Row(name, Fmt("%.2f s", best) + Fmt("; %.2f s", t),
        Fmt("%.2f s", bestWalk) + Fmt("; %.2f s bare FindFirstFileW walk of the 30 generation folders", walk),
        Fmt("%.2fx", best / bestWalk) + Fmt("; %.2fx", t / walk) + Fmt("; rounds %.2f", *low) +
            Fmt("-%.2fx", *high) + Fmt(", median %.2fx", Median(s.ratios)),
        "<= 1.2x");
  }
  Row("Find a file: the 10,000 hits shown anew in the owner-data list, painted", Fmt("%.0f ms", shown * 1000), "-",
      "-", "no visible pause");
  Row("Find a file: the 10,000 hits sorted by a header click, painted", Fmt("%.0f ms", sorted * 1000), "-", "-",
      "no visible pause");
  Row("Find a file: one page down through the 10,000 hits, painted", Fmt("%.1f ms", perPage * 1000),
      Fmt("%.0f pages", pages), lastTop > 9000 ? "reached the end" : "DID NOT SCROLL", "smooth");
  RemoveOnHost(work);
  return 0;
}

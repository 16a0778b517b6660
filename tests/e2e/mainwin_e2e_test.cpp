// The real main window in this process, on a file set in a temp folder, checked
// with plain Win32 calls: tabs, source list, bottom panel, busy mode, keys, menus.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/font.h"
#include "shell/FF1.h"
#include "shell/Mainwin.h"
#include "shell/Startup.h"
#include "store/Spage.h"
#include "support/main_window.h"
#include "support/page_text.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

const std::vector<std::wstring> kPages = {L"ホーム", L"Photos", L"仕事"};

void WriteSample(const TempDir& dir) {
  std::vector<IndexRow> index;
  for (size_t i = 0; i < kPages.size(); ++i) {
    index.push_back(IndexRow{L"", kPages[i], L"E:\\Backup\\" + kPages[i], L"", L"2010/06/24 06:00:00"});
    std::vector<std::wstring> page = {L"[Ruzer]", L"Vers=6.00", L"Path=E:\\Backup\\" + kPages[i], L"Labl=",
                                      L"Bday=15", L"Flgs=1101", L"Cont=3", L"Yfil=*.*", L"Zfil="};
    // Written out of order: the list shows them sorted.
    const std::vector<std::wstring> folders = {L"D:\\Data\\" + kPages[i], L"C:\\Users\\me\\Pictures",
                                               L"C:\\Users\\me\\Documents"};
    for (size_t r = 0; r < folders.size(); ++r) {
      page.insert(page.end(), {L"", L"[Folder0000" + std::to_wstring(r + 1) + L"]", L"Sorc=" + folders[r],
                               L"Efol=コメント" + std::to_wstring(r), L"Wfil=*.*", L"Xfil=*.tmp", L"Mark=o"});
    }
    ASSERT_TRUE(WriteBytes(dir / (kPages[i] + L".PAG"), Utf16File(page)));
  }
  ASSERT_TRUE(WriteBytes(dir / L"SAMPLE.IDX", Utf16File(IndexFileLines(index))));
}

std::wstring WindowText(HWND h) {
  wchar_t buf[1024] = {};
  GetWindowTextW(h, buf, 1024);
  return buf;
}

std::wstring TabText(HWND tabs, int i) {
  wchar_t buf[256] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buf;
  item.cchTextMax = 256;
  TabCtrl_GetItem(tabs, i, &item);
  return buf;
}

std::wstring CellText(HWND lv, int item, int column) {
  wchar_t buf[1024] = {};
  ListView_GetItemText(lv, item, column, buf, 1024);
  return buf;
}

std::wstring ColumnTitle(HWND lv, int column) {
  wchar_t buf[256] = {};
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = buf;
  c.cchTextMax = 256;
  ListView_GetColumn(lv, column, &c);
  return buf;
}

int ColumnFormat(HWND lv, int column) {
  LVCOLUMNW c{};
  c.mask = LVCF_FMT;
  ListView_GetColumn(lv, column, &c);
  return c.fmt & LVCFMT_JUSTIFYMASK;
}

std::wstring MenuText(HMENU m, UINT pos) {
  wchar_t buf[256] = {};
  GetMenuStringW(m, pos, buf, 256, MF_BYPOSITION);
  return buf;
}

int Height(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r.bottom - r.top;
}

// Twenty average characters of the list's font.
int ReadableWidth(HWND lv) {
  HDC dc = GetDC(lv);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(lv, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(lv, dc);
  return 20 * tm.tmAveCharWidth;
}

int Width(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r.right - r.left;
}

class MainWindowE2E : public MainWindowTest {
 protected:
  MainWindowE2E() : MainWindowTest(L"Software\\Rudavu\\RuzerE2ETest") {}

  void SetUp() override {
    WriteSample(dir);
    ASSERT_TRUE(window.Start(dir.path(), L"SAMPLE.IDX", ShowCommand()));
    if (ShowCommand() == SW_SHOWNORMAL) SetWindowPos(win.hwnd(), nullptr, 0, 0, 900, 640, SWP_NOZORDER);
    PumpUntil([&] { return app.pages.size() == 3 && app.CurrentPageName == kPages[0] && app.commandDepth == 0; });
    ASSERT_EQ(3u, app.pages.size()) << "the file set was not loaded at first activation";
  }

  virtual int ShowCommand() { return SW_SHOWNORMAL; }

  void TearDown() override { window.Close(); }

  void PumpUntil(const std::function<bool()>& done) { window.PumpUntil(done); }
  void Pump() { win.PumpMessages(); }
  HWND C(int id) { return win.Control(id); }
  int S(int v) { return MulDiv(v, win.Dpi(), 96); }
  void PressKey(HWND target, UINT vk) {
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    Pump();
  }
  void ClickTab(int index) {
    RECT r;
    TabCtrl_GetItemRect(C(kIdTabs), index, &r);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(C(kIdTabs), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(C(kIdTabs), WM_LBUTTONUP, 0, at);
  }
  bool ToolEnabled(Cmd c) {
    return SendMessageW(C(kIdToolBar), TB_ISBUTTONENABLED, static_cast<WPARAM>(c), 0) != 0;
  }
  bool TopMenuEnabled(UINT pos) {
    return (GetMenuState(win.Menu(), pos, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
  }
  bool AbortItemPresent() {
    return GetMenuState(GetSubMenu(win.Menu(), 4), static_cast<UINT>(Cmd::Abort), MF_BYCOMMAND) != static_cast<UINT>(-1);
  }
};

// ---------------------------------------------------------------- tabs and source list

TEST_F(MainWindowE2E, OneTabPerPageAndTheFirstPageShown) {
  HWND tabs = C(kIdTabs);
  ASSERT_EQ(3, TabCtrl_GetItemCount(tabs));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Utf8(kPages[static_cast<size_t>(i)]), Utf8(TabText(tabs, i)));
  EXPECT_EQ(0, TabCtrl_GetCurSel(tabs));
  EXPECT_TRUE(GetWindowLongW(tabs, GWL_STYLE) & TCS_MULTILINE);
  EXPECT_EQ(Utf8(L"保存元リスト　（バックアップ先= <E:\\Backup\\ホーム>）"), Utf8(WindowText(C(kIdSourceGroup))));
  EXPECT_EQ(Utf8(L"Ruzer  - "), Utf8(WindowText(win.hwnd()).substr(0, 9)));
}

TEST_F(MainWindowE2E, SourceListRowsAndColumns) {
  HWND lv = C(kIdSourceList);
  ASSERT_EQ(3, ListView_GetItemCount(lv));
  EXPECT_EQ("C:\\Users\\me\\Documents", Utf8(CellText(lv, 0, 0)));
  EXPECT_EQ("C:\\Users\\me\\Pictures", Utf8(CellText(lv, 1, 0)));
  EXPECT_EQ(Utf8(L"D:\\Data\\ホーム"), Utf8(CellText(lv, 2, 0)));
  EXPECT_EQ(Utf8(L"コメント2"), Utf8(CellText(lv, 0, 1)));
  EXPECT_EQ("1", Utf8(CellText(lv, 0, 2)));
  EXPECT_EQ("3", Utf8(CellText(lv, 2, 2)));
  EXPECT_EQ("*.*", Utf8(CellText(lv, 0, 4)));
  EXPECT_EQ("*.tmp", Utf8(CellText(lv, 0, 5)));
  EXPECT_EQ("o", Utf8(CellText(lv, 0, 6)));

  const std::vector<std::wstring> titles = {L"保存元フォルダ", L"特殊フォルダ/コメント", L"No.", L"容量(KB)",
                                            L"保存ファイル",   L"除外ファイル",         L"下位フォルダ"};
  HWND header = ListView_GetHeader(lv);
  ASSERT_EQ(7, Header_GetItemCount(header));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Utf8(titles[static_cast<size_t>(i)]), Utf8(ColumnTitle(lv, i)));
  EXPECT_EQ(LVCFMT_RIGHT, ColumnFormat(lv, 2));
  EXPECT_EQ(LVCFMT_RIGHT, ColumnFormat(lv, 3));
  EXPECT_EQ(LVCFMT_LEFT, ColumnFormat(lv, 4));
  const int widths[7] = {0, 80, 50, 20, 40, 20, 20};
  for (int i = 1; i < 7; ++i) EXPECT_EQ(S(widths[i]), ListView_GetColumnWidth(lv, i)) << i;
  // Resize rule: the first column takes what the others leave of the group, less 50.
  RECT g;
  GetClientRect(C(kIdSourceGroup), &g);
  EXPECT_EQ(std::max(ReadableWidth(lv), static_cast<int>(g.right) - S(230) - S(50)), ListView_GetColumnWidth(lv, 0));

  const LONG style = GetWindowLongW(lv, GWL_STYLE);
  EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
  EXPECT_TRUE(style & LVS_OWNERDATA);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(style & LVS_NOSORTHEADER);
  EXPECT_FALSE(style & LVS_SINGLESEL);
  EXPECT_FALSE(style & LVS_EDITLABELS);
  const DWORD ex = ListView_GetExtendedListViewStyle(lv);
  EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
}

TEST_F(MainWindowE2E, SelectingRowsThroughTheView) {
  win.SelectRow(2);
  EXPECT_EQ(std::vector<int>{2}, win.SelectedRows());
  ListView_SetItemState(C(kIdSourceList), 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ((std::vector<int>{0, 2}), win.SelectedRows());  // several rows
  win.SelectRow(-1);
  EXPECT_TRUE(win.SelectedRows().empty());
}

TEST_F(MainWindowE2E, ClickingATabLoadsThatPage) {
  ClickTab(2);
  Pump();
  EXPECT_EQ(2, app.activePage);
  EXPECT_EQ(Utf8(kPages[2]), Utf8(app.CurrentPageName));
  EXPECT_EQ(2, TabCtrl_GetCurSel(C(kIdTabs)));
  HWND lv = C(kIdSourceList);
  ASSERT_EQ(3, ListView_GetItemCount(lv));
  EXPECT_EQ(Utf8(L"D:\\Data\\仕事"), Utf8(CellText(lv, 2, 0)));
  EXPECT_EQ(Utf8(L"保存元リスト　（バックアップ先= <E:\\Backup\\仕事>）"), Utf8(WindowText(C(kIdSourceGroup))));
  EXPECT_TRUE(TopMenuEnabled(0));  // the load gave the menus back
}

TEST_F(MainWindowE2E, TabClickedWhileAPageLoadsIsLoadedAfterIt) {
  // The click waits in the queue and arrives at the first pump of the load of page 2.
  RECT r;
  TabCtrl_GetItemRect(C(kIdTabs), 2, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(C(kIdTabs), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(C(kIdTabs), WM_LBUTTONUP, 0, at);
  TabCtrl_SetCurSel(C(kIdTabs), 1);
  TabClicked(app, 1);
  Pump();
  EXPECT_EQ(2, app.activePage);
  EXPECT_EQ(Utf8(kPages[2]), Utf8(app.CurrentPageName));
  EXPECT_EQ(2, TabCtrl_GetCurSel(C(kIdTabs)));
  EXPECT_EQ(Utf8(L"D:\\Data\\仕事"), Utf8(CellText(C(kIdSourceList), 2, 0)));
}

// The shortcut of automatic mode starts minimised without taking the focus;
// the start-up steps must run all the same.
class MinimizedStartE2E : public MainWindowE2E {
 protected:
  int ShowCommand() override { return SW_SHOWMINNOACTIVE; }
};

TEST_F(MinimizedStartE2E, FileSetIsLoadedWithoutActivation) {
  EXPECT_EQ(3, TabCtrl_GetItemCount(C(kIdTabs)));
  EXPECT_EQ(3, ListView_GetItemCount(C(kIdSourceList)));
  EXPECT_EQ(Utf8(dir / L"ruzer.chm"), Utf8(app.helpFile));
}

// ---------------------------------------------------------------- bottom panel

TEST_F(MainWindowE2E, BottomPanelModes) {
  HWND down = C(kIdBottomPanel), oldGroup = C(kIdOldGroup), group = C(kIdListGroup);
  EXPECT_FALSE(IsWindowVisible(down));  // mode 0 at start

  SetBottomPanel(app, 1);
  EXPECT_TRUE(IsWindowVisible(down));
  EXPECT_EQ(S(100), Height(down));
  EXPECT_TRUE(IsWindowVisible(group));
  EXPECT_EQ(Utf8(L"エラーリスト"), Utf8(WindowText(group)));
  EXPECT_TRUE(IsWindowVisible(C(kIdErrorList)));
  EXPECT_FALSE(IsWindowVisible(C(kIdSizeList)));
  EXPECT_FALSE(IsWindowVisible(oldGroup));

  SetBottomPanel(app, 2);
  const int half = S(win.PagePanelHeight() / 2);
  EXPECT_NEAR(half, Height(down), 1);
  EXPECT_EQ(Utf8(L"容量リスト"), Utf8(WindowText(group)));
  EXPECT_TRUE(IsWindowVisible(C(kIdSizeList)));
  EXPECT_FALSE(IsWindowVisible(C(kIdErrorList)));

  SetBottomPanel(app, 3);
  EXPECT_TRUE(IsWindowVisible(oldGroup));
  EXPECT_EQ(Utf8(L"旧バージョンの保存元リスト"), Utf8(WindowText(oldGroup)));
  EXPECT_EQ(Height(down), Height(oldGroup));
  EXPECT_FALSE(IsWindowVisible(group));
  EXPECT_EQ(Utf8(L"下位登録"), Utf8(ColumnTitle(C(kIdOldList), 6)));
  EXPECT_LE(ListView_GetColumnWidth(C(kIdOldList), 3), 2);

  // Size list, then error list, with the old list shown: the old list stays
  // above, 100 pixels less than the bottom panel.
  SetBottomPanel(app, 2);
  const int panel = Height(down);
  EXPECT_NEAR(panel / 2, Height(oldGroup), 1);
  EXPECT_TRUE(IsWindowVisible(C(kIdSepDown)));
  SetBottomPanel(app, 1);
  EXPECT_EQ(panel, Height(down));
  EXPECT_NEAR(panel - S(100), Height(oldGroup), 1);
  EXPECT_TRUE(IsWindowVisible(oldGroup));
  EXPECT_TRUE(IsWindowVisible(C(kIdSepDown)));
  EXPECT_TRUE(IsWindowVisible(C(kIdErrorList)));

  SetBottomPanel(app, 0);
  EXPECT_FALSE(IsWindowVisible(down));
}

TEST_F(MainWindowE2E, SizeListHeaderClicksSort) {
  SetBottomPanel(app, 2);
  HWND lv = C(kIdSizeList);
  win.SizeListClear();
  win.SizeListAdd({L"C:\\a", L"", L"1", L"300", L"4"});
  win.SizeListAdd({L"C:\\b", L"", L"2", L"", L"9"});
  win.SizeListSetCell(1, 3, L"1,200");
  win.SizeListSetCell(7, 3, L"ignored");  // no such row
  ASSERT_EQ(2, ListView_GetItemCount(lv));
  const std::vector<std::wstring> titles = {L"保存元フォルダ", L"特殊フォルダ/コメント", L"No.", L"容量(KB)", L"ファイル数"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Utf8(titles[static_cast<size_t>(i)]), Utf8(ColumnTitle(lv, i)));
  HWND header = ListView_GetHeader(lv);
  RECT r;
  Header_GetItemRect(header, 3, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  auto click = [&] {
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
    Pump();
  };
  click();
  EXPECT_EQ(4, app.sizeSortKey);
  EXPECT_EQ(Utf8(L"1,200"), Utf8(CellText(lv, 0, 3)));
  click();
  EXPECT_EQ(-4, app.sizeSortKey);
  EXPECT_EQ("300", Utf8(CellText(lv, 0, 3)));
  const auto shown = win.SizeListRows();
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\b", L"", L"2", L"1,200", L"9"}), shown[1]);
  win.SizeListClear();
  EXPECT_EQ(0, ListView_GetItemCount(lv));
}

// Lines the list's vertical scroll bar reaches.
int ScrollLines(HWND lv) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(lv, SB_VERT, &si)) return 0;
  return si.nMax + 1;
}

// A measurement adds its lines while it runs; once it lets messages run they
// are drawn, the scroll bar reaches all of them and the last is in sight.
TEST_F(MainWindowE2E, SizeListLinesOfAnOperationAreShownAndTheLastInSight) {
  SetBottomPanel(app, 2);
  HWND lv = C(kIdSizeList);
  win.SizeListClear();
  EnterCommand(app);
  for (int i = 0; i < 200; ++i) {
    win.SizeListAdd({L"C:\\data\\" + std::to_wstring(i), L"", std::to_wstring(i + 1), L"4", L"1"});
    if (i % 50 == 49) win.SizeListScrollToEnd();
  }
  LetMessagesRun(app, true);
  ASSERT_EQ(200, ListView_GetItemCount(lv));
  EXPECT_EQ(200, ScrollLines(lv));
  EXPECT_GE(ListView_GetTopIndex(lv) + ListView_GetCountPerPage(lv), 200);
  LeaveCommand(app);

  // The lines of the next measurement are shown the same way.
  win.SizeListClear();
  for (int i = 0; i < 300; ++i) win.SizeListAdd({L"C:\\next\\" + std::to_wstring(i), L"", L"1", L"4", L"1"});
  Pump();
  EXPECT_EQ(300, ScrollLines(lv));
  EXPECT_EQ(0, ListView_GetTopIndex(lv));
}

// ---------------------------------------------------------------- busy mode and abort

TEST_F(MainWindowE2E, BusyModeLeavesOnlyAbortHelpAndTree) {
  SetBottomPanel(app, 1);
  ErrorListAdd(app, L"前回の行");
  SetBusyMode(app, true);
  Pump();
  EXPECT_TRUE(IsWindowVisible(C(kIdAbortButton)));
  EXPECT_EQ(Utf8(L"中断(F3)"), Utf8(WindowText(C(kIdAbortButton))));
  EXPECT_EQ(C(kIdAbortButton), GetFocus());
  EXPECT_TRUE(AbortItemPresent());
  for (UINT pos = 0; pos < 4; ++pos) EXPECT_FALSE(TopMenuEnabled(pos)) << pos;
  EXPECT_TRUE(TopMenuEnabled(4));  // ヘルプ
  for (Cmd c : {Cmd::Xopen, Cmd::PgAdd, Cmd::PgDel, Cmd::Env, Cmd::Add, Cmd::Del, Cmd::Backup, Cmd::Check,
                Cmd::Verify, Cmd::Find, Cmd::HelpTopic})
    EXPECT_FALSE(ToolEnabled(c)) << static_cast<int>(c);
  EXPECT_FALSE(IsWindowEnabled(C(kIdTabs)));
  EXPECT_TRUE(IsWindowEnabled(C(kIdTree)));
  EXPECT_EQ(0, SendMessageW(C(kIdErrorList), LB_GETCOUNT, 0, 0));

  // Even a click that reached the disabled tabs changes no page.
  ClickTab(1);
  Pump();
  EXPECT_EQ(0, app.activePage);
  EXPECT_EQ(0, TabCtrl_GetCurSel(C(kIdTabs)));

  ErrorListAdd(app, L"C:\\短い行");
  ErrorListAdd(app, L"C:\\とても長いエラーの行 <エラー:5> アクセスが拒否されました。");
  PressKey(C(kIdAbortButton), VK_F3);
  EXPECT_TRUE(app.AbortRequested);
  EXPECT_FALSE(app.busy);
  EXPECT_FALSE(IsWindowVisible(C(kIdAbortButton)));
  EXPECT_FALSE(AbortItemPresent());
  for (UINT pos = 0; pos < 5; ++pos) EXPECT_TRUE(TopMenuEnabled(pos)) << pos;
  EXPECT_TRUE(IsWindowEnabled(C(kIdTabs)));
  EXPECT_TRUE(ToolEnabled(Cmd::HelpTopic));
  EXPECT_TRUE(ToolEnabled(Cmd::Env));

  // Horizontal scroll width: the longest line and two blanks, in the list's font.
  HWND lb = C(kIdErrorList);
  HDC dc = GetDC(lb);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(lb, WM_GETFONT, 0, 0)));
  const std::wstring longest = L"C:\\とても長いエラーの行 <エラー:5> アクセスが拒否されました。  ";
  SIZE sz{};
  GetTextExtentPoint32W(dc, longest.c_str(), static_cast<int>(longest.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(lb, dc);
  EXPECT_EQ(sz.cx, SendMessageW(lb, LB_GETHORIZONTALEXTENT, 0, 0));
  EXPECT_EQ(2, SendMessageW(lb, LB_GETCOUNT, 0, 0));
}

TEST_F(MainWindowE2E, AbortButtonClickEndsBusyMode) {
  SetBusyMode(app, true);
  SendMessageW(C(kIdAbortButton), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(app.AbortRequested);
  EXPECT_FALSE(IsWindowVisible(C(kIdAbortButton)));
}

TEST_F(MainWindowE2E, F3WithNothingRunningChangesNothingVisible) {
  StatusMessage(app, L"そのまま");
  PressKey(C(kIdSourceList), VK_F3);
  EXPECT_TRUE(app.AbortRequested);
  EXPECT_FALSE(IsWindowVisible(C(kIdAbortButton)));
  EXPECT_FALSE(AbortItemPresent());
  for (UINT pos = 0; pos < 5; ++pos) EXPECT_TRUE(TopMenuEnabled(pos));
  wchar_t buf[64] = {};
  SendMessageW(C(kIdStatusBar), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(Utf8(L"そのまま"), Utf8(buf));
}

TEST_F(MainWindowE2E, CloseWhileAnOperationRunsStopsItAndClosesAfterIt) {
  SetBusyMode(app, true);
  EnterCommand(app);  // as inside a running backup
  SendMessageW(win.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(win.hwnd()));
  EXPECT_TRUE(app.AbortRequested);
  EXPECT_FALSE(app.busy);
  LeaveCommand(app);
  SendMessageW(win.hwnd(), WM_COMMAND, 0, 0);  // the end of the handler that ran it
  Pump();
  EXPECT_EQ(nullptr, win.hwnd());
}

// ---------------------------------------------------------------- status bar, menus, tool bar

TEST_F(MainWindowE2E, StatusBarPanels) {
  int parts[2] = {};
  ASSERT_EQ(2, SendMessageW(C(kIdStatusBar), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts)));
  EXPECT_EQ(S(200), parts[0]);
  StatusMessage(app, L"設定データ読み込み中...");
  ShowFreeSpaceText(app, L"空き 1,234 MB");
  wchar_t buf[128] = {};
  SendMessageW(C(kIdStatusBar), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(Utf8(L"設定データ読み込み中..."), Utf8(buf));
  SendMessageW(C(kIdStatusBar), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(Utf8(L"空き 1,234 MB"), Utf8(buf));
}

// During an operation the window draws its fast-changing texts at a pace of
// its own; whatever was set last is in sight at a forced pump and when the
// operation is over.
TEST_F(MainWindowE2E, TextsOfAnOperationEndInSight) {
  auto statusText = [&](int part) {
    wchar_t buf[256] = {};
    SendMessageW(C(kIdStatusBar), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(buf));
    return Utf8(buf);
  };
  SetBottomPanel(app, 1);
  EnterCommand(app);
  for (int i = 0; i < 200; ++i) {
    StatusMessage(app, L"C:\\data\\file" + std::to_wstring(i));
    ShowFreeSpaceText(app, L"空= " + std::to_wstring(i) + L" MB");
    app.view.SetSourceColumnTitle(L"<C:\\data\\" + std::to_wstring(i) + L">");
    ErrorListAdd(app, L"line " + std::to_wstring(i));
  }
  LetMessagesRun(app, true);
  EXPECT_EQ(Utf8(L"C:\\data\\file199"), statusText(1));
  EXPECT_EQ(Utf8(L"空= 199 MB"), statusText(0));
  EXPECT_EQ(Utf8(L"<C:\\data\\199>"), Utf8(ColumnTitle(C(kIdSourceList), 0)));
  EXPECT_EQ(200, SendMessageW(C(kIdErrorList), LB_GETCOUNT, 0, 0));

  StatusMessage(app, L"バックアップ終了．");
  app.view.SetSourceColumnTitle(L"保存元フォルダ");
  LeaveCommand(app);
  SendMessageW(win.hwnd(), WM_COMMAND, 0, 0);  // the end of the handler that ran it
  EXPECT_EQ(Utf8(L"バックアップ終了．"), statusText(1));
  EXPECT_EQ(Utf8(L"保存元フォルダ"), Utf8(ColumnTitle(C(kIdSourceList), 0)));
  // The newest error line is in sight.
  RECT r;
  GetClientRect(C(kIdErrorList), &r);
  const int top = static_cast<int>(SendMessageW(C(kIdErrorList), LB_GETTOPINDEX, 0, 0));
  const int perPage = std::max(1, static_cast<int>(r.bottom / std::max<LRESULT>(1, SendMessageW(C(kIdErrorList), LB_GETITEMHEIGHT, 0, 0))));
  EXPECT_GE(top + perPage, 200);
}

struct MenuItemExpect {
  std::wstring caption;  // empty: separator
  Cmd cmd;
};

void ExpectMenu(HMENU m, const std::vector<MenuItemExpect>& items) {
  ASSERT_EQ(static_cast<int>(items.size()), GetMenuItemCount(m));
  for (UINT i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    if (items[i].caption.empty()) {
      EXPECT_TRUE(GetMenuState(m, i, MF_BYPOSITION) & MF_SEPARATOR);
      continue;
    }
    EXPECT_EQ(Utf8(items[i].caption), Utf8(MenuText(m, i)));
    EXPECT_EQ(static_cast<UINT>(items[i].cmd), GetMenuItemID(m, static_cast<int>(i)));
    const bool grey = (GetMenuState(m, i, MF_BYPOSITION) & MF_GRAYED) != 0;
    EXPECT_EQ(!CommandBuilt(items[i].cmd), grey) << Utf8(items[i].caption);
  }
}

TEST_F(MainWindowE2E, MainMenuCaptionsKeysAndSeparators) {
  HMENU bar = win.Menu();
  const std::vector<std::wstring> tops = {L"ファイル(&F)", L"編集(&E)", L"機能(&J)", L"登録(&R)", L"ヘルプ(&H)"};
  ASSERT_EQ(5, GetMenuItemCount(bar));
  for (UINT i = 0; i < 5; ++i) EXPECT_EQ(Utf8(tops[i]), Utf8(MenuText(bar, i)));
  ExpectMenu(GetSubMenu(bar, 0), {{L"ファイルセットを開く(&O)...\tCtrl+O", Cmd::Xopen},
                                  {L"ページの並べ替え(&S)...\tCtrl+S", Cmd::Xsort},
                                  {L"ページ追加(&P)...\tCtrl+P", Cmd::PgAdd},
                                  {L"ページ削除(&Q)...\tCtrl+Q", Cmd::PgDel},
                                  {L"ページ名変更(&R)...\tCtrl+R", Cmd::PgRen},
                                  {L"", Cmd{}},
                                  {L"旧バージョンのデータ変換(&V)", Cmd::PgOld},
                                  {L"", Cmd{}},
                                  {L"終了(&X)", Cmd::Exit}});
  ExpectMenu(GetSubMenu(bar, 1), {{L"条件設定(&E)...\tCtrl+E", Cmd::Env},
                                  {L"", Cmd{}},
                                  {L"行変更(&C)...", Cmd::Change},
                                  {L"行追加(&A)...\tCtrl+A", Cmd::Add},
                                  {L"行削除(&D)...\tCtrl+D", Cmd::Del},
                                  {L"", Cmd{}},
                                  {L"「下位フォルダもバックアップ」一括変更(&F)...", Cmd::Dir},
                                  {L"保存ファイル一括変更(&S)...", Cmd::Svf},
                                  {L"除外ファイル一括変更(&N)...", Cmd::Exf},
                                  {L"", Cmd{}},
                                  {L"簡単初期設定(&W)...", Cmd::Wiz}});
  ExpectMenu(GetSubMenu(bar, 2), {{L"バックアップ(&B)...\tCtrl+B", Cmd::Backup},
                                  {L"容量測定(&C)...\tCtrl+C", Cmd::Check},
                                  {L"復元(&V)...\tCtrl+V", Cmd::Verify},
                                  {L"ファイルを探す(&F)...\tCtrl+F", Cmd::Find},
                                  {L"照合(&K)...\tCtrl+K", Cmd::Collate}});
  ExpectMenu(GetSubMenu(bar, 3), {{L"スタートメニューへの登録...", Cmd::Inst}, {L"登録情報削除...", Cmd::RegDel}});
  ExpectMenu(GetSubMenu(bar, 4), {{L"ヘルプ(&H)...\tF1", Cmd::HelpTopic}, {L"バージョン情報(&A)...", Cmd::VerInfo}});
  SetBusyMode(app, true);
  ExpectMenu(GetSubMenu(bar, 4), {{L"ヘルプ(&H)...\tF1", Cmd::HelpTopic},
                                  {L"バージョン情報(&A)...", Cmd::VerInfo},
                                  {L"中断\tF3", Cmd::Abort}});
  SetBusyMode(app, false);
}

TEST_F(MainWindowE2E, PopupMenus) {
  ExpectMenu(win.PopupMenu(FF1::Popup::SourceList), {{L"行追加(&A)...\tCtrl+A", Cmd::Add},
                                                      {L"行削除(&D)...\tCtrl+D", Cmd::Del},
                                                      {L"", Cmd{}},
                                                      {L"「下位フォルダもバックアップ」一括変更(&F)...", Cmd::Dir},
                                                      {L"保存ファイル一括変更(&S)...", Cmd::Svf},
                                                      {L"除外ファイル一括変更(&N)...", Cmd::Exf},
                                                      {L"", Cmd{}},
                                                      {L"簡単初期設定(&W)...", Cmd::Wiz},
                                                      {L"保存元リストのヘルプ(&H)", Cmd::HelpSourceList}});
  ExpectMenu(win.PopupMenu(FF1::Popup::Tabs), {{L"ファイルセットを開く(&O)...", Cmd::Xopen},
                                                {L"ページの並べ替え(&S)...", Cmd::Xsort},
                                                {L"ページ追加(&P)...", Cmd::PgAdd},
                                                {L"ページ削除(&Q)...", Cmd::PgDel},
                                                {L"ページ名変更(&R)...", Cmd::PgRen},
                                                {L"ページのヘルプ(&H)", Cmd::HelpPage}});
  ExpectMenu(win.PopupMenu(FF1::Popup::Tree),
             {{L"フォルダ・ツリーのヘルプ(&H)", Cmd::HelpTree}, {L"フォルダの更新(&D)\tF5", Cmd::TreeRefresh}});
  ExpectMenu(win.PopupMenu(FF1::Popup::ErrorList), {{L"エラーリストのヘルプ(&H)", Cmd::HelpErrorList}});
}

TEST_F(MainWindowE2E, PopupHelpItemsOpenTheirKeywords) {
  SendMessageW(win.hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::HelpErrorList), 0);
  SendMessageW(win.hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::HelpPage), 0);
  EXPECT_EQ((std::vector<std::wstring>{L"エラーリスト", L"設定ページの概要"}), user.helpKeywords());
}

TEST_F(MainWindowE2E, ToolBarButtonsHintsAndImages) {
  HWND tb = C(kIdToolBar);
  EXPECT_TRUE(GetWindowLongW(tb, GWL_STYLE) & TBSTYLE_FLAT);
  EXPECT_TRUE(GetWindowLongW(tb, GWL_STYLE) & TBSTYLE_TOOLTIPS);
  const std::vector<std::pair<Cmd, std::wstring>> buttons = {
      {Cmd::Xopen, L"ファイルセットを開く"}, {Cmd::PgAdd, L"ページ追加"}, {Cmd::PgDel, L"ページ削除"}, {Cmd{}, L""},
      {Cmd::Env, L"条件設定"}, {Cmd::Add, L"行追加"}, {Cmd::Del, L"行削除"}, {Cmd{}, L""},
      {Cmd::Backup, L"バックアップ"}, {Cmd::Check, L"容量測定"}, {Cmd::Verify, L"復元"},
      {Cmd::Find, L"ファイルを探す"}, {Cmd{}, L""},
      {Cmd::HelpTopic, L"ヘルプ"}, {Cmd{}, L""}};
  ASSERT_EQ(static_cast<LRESULT>(buttons.size()), SendMessageW(tb, TB_BUTTONCOUNT, 0, 0));
  HWND tip = reinterpret_cast<HWND>(SendMessageW(tb, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(nullptr, tip);
  for (size_t i = 0; i < buttons.size(); ++i) {
    SCOPED_TRACE(i);
    TBBUTTON b{};
    SendMessageW(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    if (buttons[i].first == Cmd{}) {
      EXPECT_TRUE(b.fsStyle & BTNS_SEP);
      continue;
    }
    EXPECT_EQ(static_cast<int>(buttons[i].first), b.idCommand);
    EXPECT_EQ(CommandBuilt(buttons[i].first), ToolEnabled(buttons[i].first));
    wchar_t text[80] = {};
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = tb;
    ti.uId = static_cast<UINT_PTR>(buttons[i].first);
    ti.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(Utf8(buttons[i].second), Utf8(text));
  }
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(tb, TB_GETIMAGELIST, 0, 0));
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images, &cx, &cy);
  EXPECT_EQ(S(16), cx);
  EXPECT_EQ(11, ImageList_GetImageCount(images));
  // A page without a destination has nothing to search: its button follows the page.
  const std::wstring tamdir = app.env.tamdir;
  app.env.tamdir.clear();
  SendMessageW(win.hwnd(), WM_COMMAND, 0, 0);
  EXPECT_FALSE(ToolEnabled(Cmd::Find));
  app.env.tamdir = tamdir;
  SendMessageW(win.hwnd(), WM_COMMAND, 0, 0);
  EXPECT_TRUE(ToolEnabled(Cmd::Find));
}

TEST_F(MainWindowE2E, HelpWithoutItsFileDoesNothing) {
  EXPECT_EQ(Utf8(dir / L"ruzer.chm"), Utf8(app.helpFile));
  PressKey(C(kIdSourceList), VK_F1);
  Pump();
  EXPECT_TRUE(IsWindow(win.hwnd()));
  // No viewer and no error box came up.
  int shown = 0;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM n) {
    if (IsWindowVisible(h)) ++*reinterpret_cast<int*>(n);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&shown));
  EXPECT_EQ(1, shown);
}

TEST_F(MainWindowE2E, AboutBoxShowsNameAndVersionAndEscapeClosesIt) {
  static std::vector<std::wstring> texts;
  static bool seen;
  texts.clear();
  seen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM out) {
      wchar_t cls[32] = {};
      GetClassNameW(h, cls, 32);
      if (IsWindowVisible(h) && std::wstring(cls) == L"#32770") {
        *reinterpret_cast<HWND*>(out) = h;
        return FALSE;
      }
      return TRUE;
    }, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    KillTimer(nullptr, id);
    seen = true;
    texts.push_back(WindowText(dlg));
    EnumChildWindows(dlg, [](HWND h, LPARAM) {
      texts.push_back(WindowText(h));
      return TRUE;
    }, 0);
    PostMessageW(GetDlgItem(dlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
  });
  SendMessageW(win.hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::VerInfo), 0);  // returns when the box closes
  KillTimer(nullptr, timer);
  ASSERT_TRUE(seen);
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), L"Varod"));
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), L"Version  6.00"));
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), L"OK"));
}

// ---------------------------------------------------------------- layout

TEST_F(MainWindowE2E, ShrinkingBelowTheTreeWidthLeavesTwentyPixels) {
  EXPECT_EQ(S(180), Width(C(kIdTree)));
  SetWindowPos(win.hwnd(), nullptr, 0, 0, S(150), 400, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  RECT rc;
  GetClientRect(win.hwnd(), &rc);
  const int client = MulDiv(rc.right, 96, win.Dpi());
  EXPECT_EQ(client - 20, app.treeWidth);
  EXPECT_NEAR(S(client - 20), Width(C(kIdTree)), 1);
}

// At the first-start size (480 x 360) the rule would leave the first column a
// negative width; it keeps twenty characters and the list scrolls sideways.
TEST_F(MainWindowE2E, AtTheFirstStartSizeTheFolderColumnStaysReadable) {
  SetWindowPos(win.hwnd(), nullptr, 0, 0, 480, 360, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  HWND lv = C(kIdSourceList);
  RECT g;
  GetClientRect(C(kIdSourceGroup), &g);
  ASSERT_LT(static_cast<int>(g.right) - S(230) - S(50), ReadableWidth(lv)) << "the window is not narrow enough";
  EXPECT_EQ(ReadableWidth(lv), ListView_GetColumnWidth(lv, 0));
  EXPECT_GE(ReadableWidth(lv), S(20) * 5);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE};
  ASSERT_TRUE(GetScrollInfo(lv, SB_HORZ, &si));
  EXPECT_GT(si.nMax - si.nMin + 1, static_cast<int>(si.nPage));  // room to scroll sideways
  // Widening the window again gives the column its share back.
  SetWindowPos(win.hwnd(), nullptr, 0, 0, 1200, 640, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  GetClientRect(C(kIdSourceGroup), &g);
  EXPECT_EQ(static_cast<int>(g.right) - S(230) - S(50), ListView_GetColumnWidth(lv, 0));
}

TEST_F(MainWindowE2E, DraggingTheSplitterSetsAndStoresTheTreeWidth) {
  HWND splitter = C(kIdSplitter1);
  RECT r;
  GetWindowRect(splitter, &r);
  const int y = (r.top + r.bottom) / 2;
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  ASSERT_EQ(splitter, GetCapture());
  POINT client{0, 0};
  ClientToScreen(win.hwnd(), &client);
  SetCursorPos(client.x + S(250) + S(4) / 2, y);
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
  EXPECT_NEAR(S(250), Width(C(kIdTree)), S(1) + 1);  // follows the mouse while dragged
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_NEAR(250, app.treeWidth, 1);
  const auto lines = ReadUtf16Lines(dir / L"SAMPLE.IDX");
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"Widir=" + std::to_wstring(app.treeWidth)));
}

TEST_F(MainWindowE2E, PumpingKeepsAQuitForTheOuterLoop) {
  PostQuitMessage(7);
  win.PumpMessages();
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, m.wParam);
}

TEST_F(MainWindowE2E, ChangingTheDpiScalesFontsImagesAndColumns) {
  const int before = win.Dpi();
  const int dpi = before * 2;
  const int col1 = ListView_GetColumnWidth(C(kIdSourceList), 1);
  RECT suggested{10, 20, 10 + 1000, 20 + 700};
  SendMessageW(win.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  Pump();
  EXPECT_EQ(dpi, win.Dpi());
  RECT now;
  GetWindowRect(win.hwnd(), &now);
  EXPECT_TRUE(EqualRect(&now, &suggested)) << now.left << "," << now.top << "," << now.right << "," << now.bottom;
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(C(kIdSourceList), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(-UiFontPixelHeight(dpi), lf.lfHeight);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(C(kIdToolBar), TB_GETIMAGELIST, 0, 0)), &cx, &cy);
  EXPECT_EQ(MulDiv(16, dpi, 96), cx);
  int parts[2] = {};
  SendMessageW(C(kIdStatusBar), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  EXPECT_EQ(MulDiv(200, dpi, 96), parts[0]);
  EXPECT_EQ(col1 * 2, ListView_GetColumnWidth(C(kIdSourceList), 1));
  EXPECT_NE(nullptr, TreeView_GetRoot(C(kIdTree)));
  EXPECT_EQ(3, ListView_GetItemCount(C(kIdSourceList)));
}

TEST_F(MainWindowE2E, TheUiFontIsJapaneseAndScaled) {
  HFONT f = reinterpret_cast<HFONT>(SendMessageW(C(kIdSourceList), WM_GETFONT, 0, 0));
  ASSERT_NE(nullptr, f);
  LOGFONTW lf{};
  GetObjectW(f, sizeof lf, &lf);
  EXPECT_EQ(Utf8(UiFontFace()), Utf8(lf.lfFaceName));
  EXPECT_EQ(-UiFontPixelHeight(win.Dpi()), lf.lfHeight);
  const auto& candidates = UiFontCandidates();
  EXPECT_NE(candidates.end(), std::find(candidates.begin(), candidates.end(), UiFontFace()))
      << "no Japanese UI font installed: " << Utf8(UiFontFace());
}

// ---------------------------------------------------------------- folder tree

// Walks down from the root to the node of `path`, expanding on the way.
HTREEITEM FindFolder(FF1& win, HWND tree, HTREEITEM item, const std::wstring& path, int virtualDepth) {
  const std::wstring here = win.TreeNodePath(item);
  if (!here.empty() && _wcsicmp(here.c_str(), path.c_str()) == 0) return item;
  TreeView_Expand(tree, item, TVE_EXPAND);
  for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c)) {
    std::wstring p = win.TreeNodePath(c);
    if (p.empty()) {
      if (virtualDepth > 0)
        if (HTREEITEM found = FindFolder(win, tree, c, path, virtualDepth - 1)) return found;
      continue;
    }
    if (_wcsicmp(p.c_str(), path.c_str()) == 0) return c;
    if (p.back() != L'\\') p += L'\\';
    if (_wcsnicmp(p.c_str(), path.c_str(), p.size()) == 0)
      if (HTREEITEM found = FindFolder(win, tree, c, path, 0)) return found;
  }
  return nullptr;
}

std::vector<std::wstring> ChildNames(FF1& win, HWND tree, HTREEITEM item) {
  std::vector<std::wstring> names;
  TreeView_Expand(tree, item, TVE_EXPAND);
  for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c))
    names.push_back(win.TreeNodeDisplayName(c));
  return names;
}

TEST_F(MainWindowE2E, FolderTreeShowsHiddenFoldersAndRefreshes) {
  HWND tree = C(kIdTree);
  EXPECT_FALSE(GetWindowLongW(tree, GWL_STYLE) & TVS_EDITLABELS);
  // The tree fills once the window is shown and free.
  PumpUntil([&] { return TreeView_GetRoot(tree) != nullptr; });
  HTREEITEM root = TreeView_GetRoot(tree);
  ASSERT_NE(nullptr, root);
  EXPECT_FALSE(win.TreeNodeDisplayName(root).empty());
  ASSERT_TRUE(CreateDirectoryW((dir / L"見える").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((dir / L"隠し").c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesW((dir / L"隠し").c_str(), FILE_ATTRIBUTE_HIDDEN));

  HTREEITEM node = FindFolder(win, tree, root, dir.path(), 2);
  ASSERT_NE(nullptr, node) << "temp folder not found in the tree: " << Utf8(dir.path());
  auto names = ChildNames(win, tree, node);
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"見える"));
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"隠し"));
  for (HTREEITEM c = TreeView_GetChild(tree, node); c; c = TreeView_GetNextSibling(tree, c)) {
    if (win.TreeNodeDisplayName(c) == L"見える") {
      EXPECT_EQ(Utf8(dir / L"見える"), Utf8(win.TreeNodePath(c)));
    }
  }

  // A folder made later shows after F5, which reads the tree again from its first node.
  ASSERT_TRUE(CreateDirectoryW((dir / L"あとから").c_str(), nullptr));
  PressKey(tree, VK_F5);
  root = TreeView_GetRoot(tree);
  ASSERT_NE(nullptr, root);
  EXPECT_TRUE(TreeView_GetItemState(tree, root, TVIS_EXPANDED) & TVIS_EXPANDED);
  node = FindFolder(win, tree, root, dir.path(), 2);
  ASSERT_NE(nullptr, node);
  names = ChildNames(win, tree, node);
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"あとから"));
}

TEST_F(MainWindowE2E, SelectedTreeFolderIsTheSearchFolderOfRestore) {
  HWND tree = C(kIdTree);
  HTREEITEM node = FindFolder(win, tree, TreeView_GetRoot(tree), dir.path(), 2);
  ASSERT_NE(nullptr, node);
  TreeView_SelectItem(tree, node);
  EXPECT_EQ(Utf8(dir.path()), Utf8(win.SelectedTreeFolder()));
}

// ---------------------------------------------------------------- old-version menu item

TEST_F(MainWindowE2E, OldVersionMenuReadsTheBackupCopyIntoTheList) {
  const UINT state = GetMenuState(GetSubMenu(win.Menu(), 0), static_cast<UINT>(Cmd::PgOld), MF_BYCOMMAND);
  EXPECT_EQ(0u, state & (MF_GRAYED | MF_DISABLED));
  // A copy that is already in the current format: its rows come back as they are.
  const std::wstring page = dir / (kPages[0] + L".PAG");
  ASSERT_TRUE(WriteBytes(page + L".BAK",
                         Utf16File({L"[Ruzer]", L"Vers=6.00", L"Path=E:\\Backup\\" + kPages[0], L"Labl=", L"Bday=15",
                                    L"Flgs=1101", L"Cont=1", L"Yfil=*.*", L"Zfil=", L"", L"[Folder00001]",
                                    L"Sorc=F:\\Kept", L"Efol=", L"Wfil=*.*", L"Xfil=", L"Mark=o"})));
  const std::string before = ReadBytes(page);
  user.Expect(L"現在の「保存元リスト」を廃棄して、旧バージョンのリストを読み込み、変換します。よろしいですか？", kOk);
  SendMessageW(win.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Cmd::PgOld), 0), 0);
  PumpUntil([&] { return app.commandDepth == 0 && ListView_GetItemCount(C(kIdSourceList)) == 1; });
  user.VerifyDone();
  ASSERT_EQ(1, ListView_GetItemCount(C(kIdSourceList)));
  EXPECT_EQ("F:\\Kept", Utf8(CellText(C(kIdSourceList), 0, 0)));
  EXPECT_EQ(before, ReadBytes(page));  // nothing written until the next change
}

TEST_F(MainWindowE2E, DrivesShowWithTheirShellNames) {
  HWND tree = C(kIdTree);
  PumpUntil([&] { return TreeView_GetRoot(tree) != nullptr; });
  HTREEITEM c = FindFolder(win, tree, TreeView_GetRoot(tree), L"C:\\", 2);
  ASSERT_NE(nullptr, c);
  EXPECT_NE(std::wstring::npos, win.TreeNodeDisplayName(c).find(L"C:")) << Utf8(win.TreeNodeDisplayName(c));
}

}  // namespace
}  // namespace ruzer::test

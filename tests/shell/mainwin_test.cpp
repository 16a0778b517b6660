// Main-window behaviour through the recording view: bottom panel, busy mode,
// abort, size-list sorting, resize rule, page change and commands.
#include <gtest/gtest.h>

#include "measure/Vcheck.h"
#include "restore/Vfind.h"
#include "shell/Mainwin.h"
#include "sources/Vedit.h"
#include "store/Spage.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

// A view that also counts page loads (LoadActivePage shows the hourglass
// around each one) and how deeply they nest.
class LoadCountingView : public FakeView {
 public:
  int loads = 0, depth = 0, maxDepth = 0;
  void SetHourglass(bool on) override {
    FakeView::SetHourglass(on);
    if (on) {
      ++loads;
      maxDepth = std::max(maxDepth, ++depth);
    } else {
      --depth;
    }
  }
};

struct Trio {
  ScriptedUser user;
  LoadCountingView view;
  FakeClock clock;
  App app{user, view, clock};
};

// A file set of pages named as given; page n has rows "C:\<name>\1" ... "C:\<name>\<rows>".
void WriteFileSet(const TempDir& dir, const std::vector<std::wstring>& pages, int rows) {
  std::vector<std::wstring> idx = {L"[Ruzer]", L"Vers=6.00", L"Count=" + std::to_wstring(pages.size()), L"Sleep=1000",
                                   L"Widir=180", L"", L"[Index]"};
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::wstring n = std::to_wstring(i + 1);
    idx.insert(idx.end(), {L"Fname" + n + L"=" + pages[i], L"Dpath" + n + L"=E:\\B\\" + pages[i], L"Volum" + n + L"=",
                           L"LstDy" + n + L"="});
    std::vector<std::wstring> page = {L"[Ruzer]", L"Vers=6.00", L"Path=E:\\B\\" + pages[i], L"Labl=", L"Bday=15",
                                      L"Flgs=1101", L"Cont=" + std::to_wstring(rows), L"Yfil=*.*", L"Zfil="};
    for (int r = 1; r <= rows; ++r) {
      wchar_t sec[16];
      swprintf(sec, 16, L"[Folder%05d]", r);
      page.insert(page.end(), {L"", sec, L"Sorc=C:\\" + pages[i] + L"\\" + std::to_wstring(r), L"Efol=",
                               L"Wfil=*.*", L"Xfil=", L"Mark=o"});
    }
    ASSERT_TRUE(WriteBytes(dir / (pages[i] + L".PAG"), Utf16File(page)));
  }
  idx.push_back(L"");
  ASSERT_TRUE(WriteBytes(dir / L"SET.IDX", Utf16File(idx)));
}

void OpenFileSet(App& app, const TempDir& dir) {
  app.FileSetFolder = dir.path() + L"\\";
  app.IndexFileName = L"SET.IDX";
  ReadIndexFile(app);
}

// ---------------------------------------------------------------- bottom panel

struct PanelCase {
  const char* name;
  std::vector<int> modes;  // applied in order; the last one is checked
  int pagePanelHeight;
  BottomPanelLayout expected;
  bool oldShown, errorMode;
};

BottomPanelLayout Layout(int height, bool oldVisible, bool oldFills, int oldHeight, bool sepDown, bool group,
                         const wchar_t* caption, bool errors, bool sizes) {
  BottomPanelLayout l;
  l.height = height;
  l.oldVisible = oldVisible;
  l.oldFills = oldFills;
  l.oldHeight = oldHeight;
  l.sepDownVisible = sepDown;
  l.listGroupVisible = group;
  l.listGroupCaption = caption;
  l.errorListVisible = errors;
  l.sizeListVisible = sizes;
  return l;
}

TEST(MainwinBottomPanel, ModesGiveTheExactLayout) {
  const std::vector<PanelCase> cases = {
      {"hidden", {0}, 400, Layout(1, false, false, 0, false, false, L"", false, false), false, false},
      {"error list alone", {1}, 400, Layout(100, false, false, 0, false, true, L"エラーリスト", true, false), false, true},
      {"size list alone, half the page panel", {2}, 401,
       Layout(200, false, false, 0, false, true, L"容量リスト", false, true), false, false},
      {"old list fills the panel", {3}, 401, Layout(200, true, true, 0, false, false, L"", false, false), true, false},
      {"size list below the old list", {3, 2}, 400,
       Layout(200, true, false, 100, true, true, L"容量リスト", false, true), true, false},
      {"size then error list below the old list keeps the height, old list 100 less", {3, 2, 1}, 600,
       Layout(300, true, false, 200, true, true, L"エラーリスト", true, false), true, true},
      {"error list below the old list", {3, 1}, 500,
       Layout(250, true, false, 150, true, true, L"エラーリスト", true, false), true, true},
      {"hiding forgets the old list", {3, 0, 1}, 400,
       Layout(100, false, false, 0, false, true, L"エラーリスト", true, false), false, true},
      {"error list again after the size list", {2, 1}, 400,
       Layout(100, false, false, 0, false, true, L"エラーリスト", true, false), false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    t.view.pagePanelHeight = c.pagePanelHeight;
    for (int m : c.modes) SetBottomPanel(t.app, m);
    const BottomPanelLayout& got = t.view.bottom;
    EXPECT_EQ(c.expected.height, got.height);
    EXPECT_EQ(c.expected.oldVisible, got.oldVisible);
    EXPECT_EQ(c.expected.oldFills, got.oldFills);
    if (c.expected.oldVisible && !c.expected.oldFills) {
      EXPECT_EQ(c.expected.oldHeight, got.oldHeight);
    }
    EXPECT_EQ(c.expected.sepDownVisible, got.sepDownVisible);
    EXPECT_EQ(c.expected.listGroupVisible, got.listGroupVisible);
    if (c.expected.listGroupVisible) {
      EXPECT_EQ(Utf8(c.expected.listGroupCaption), Utf8(got.listGroupCaption));
    }
    EXPECT_EQ(c.expected.errorListVisible, got.errorListVisible);
    EXPECT_EQ(c.expected.sizeListVisible, got.sizeListVisible);
    EXPECT_EQ(c.oldShown, t.app.oldListShown);
    EXPECT_EQ(c.errorMode, t.app.errorListMode);
    EXPECT_EQ(got.height, t.app.bottomHeight);
  }
}

TEST(MainwinBottomPanel, ErrorListBelowOldListUsesTheHeightTheUserDragged) {
  TestApp t;
  t.view.pagePanelHeight = 400;
  SetBottomPanel(t.app, 3);
  t.app.bottomHeight = 330;  // sepMid moved
  SetBottomPanel(t.app, 1);
  EXPECT_EQ(330, t.view.bottom.height);
  EXPECT_EQ(230, t.view.bottom.oldHeight);
}

// ---------------------------------------------------------------- busy mode

TEST(MainwinBusy, OnDisablesEverythingButAbortAndEmptiesTheErrorList) {
  TestApp t;
  ErrorListAdd(t.app, L"old line");
  SetBusyMode(t.app, true);
  EXPECT_TRUE(t.app.busy);
  EXPECT_TRUE(t.view.abortVisible);
  EXPECT_TRUE(t.view.abortFocused);
  EXPECT_FALSE(t.view.menusEnabled);
  EXPECT_FALSE(t.view.toolbarEnabled);
  EXPECT_FALSE(t.view.tabsEnabled);
  EXPECT_TRUE(t.view.errorList.empty());
  EXPECT_TRUE(t.app.errorLines.empty());
}

TEST(MainwinBusy, OffRestoresTheWindowAndClearsAutoMode) {
  TestApp t;
  t.app.AutoMode = true;
  SetBusyMode(t.app, true);
  t.view.SetSourceColumnTitle(L"C:\\in\\work");
  StatusMessage(t.app, L"コピー中");
  SetBusyMode(t.app, false);
  EXPECT_FALSE(t.app.busy);
  EXPECT_FALSE(t.view.abortVisible);
  EXPECT_TRUE(t.view.menusEnabled);
  EXPECT_TRUE(t.view.toolbarEnabled);
  EXPECT_TRUE(t.view.tabsEnabled);
  EXPECT_FALSE(t.app.AutoMode);
  EXPECT_EQ(Utf8(L"保存元フォルダ"), Utf8(t.view.sourceColumnTitle));
  EXPECT_EQ("", Utf8(t.view.status));
}

TEST(MainwinBusy, ScrollWidthIsTheFirstLongestLineWithTwoBlanks) {
  struct Case {
    std::vector<std::wstring> lines;
    std::wstring expected;  // empty: not set at all
  };
  const std::vector<Case> cases = {
      {{L"short", L"the longest one", L"mid line"}, L"the longest one  "},
      {{L"abcd", L"wxyz", L"ab"}, L"abcd  "},  // ties: the first of them
      {{L"日本語のエラー行", L"abcdefg"}, L"日本語のエラー行  "},  // characters, not bytes
      {{}, L""},
  };
  for (const auto& c : cases) {
    TestApp t;
    SetBusyMode(t.app, true);
    for (const auto& l : c.lines) ErrorListAdd(t.app, l);
    SetBusyMode(t.app, false);
    EXPECT_EQ(Utf8(c.expected), Utf8(t.view.errorScrollLine));
    EXPECT_EQ(c.lines.size(), t.view.errorList.size());  // the lines stay after the run
  }
}

// ---------------------------------------------------------------- abort

TEST(MainwinAbort, F3WithNothingRunningOnlySetsTheFlag) {
  TestApp t;
  MainCommand(t.app, Cmd::Abort);
  EXPECT_TRUE(t.app.AbortRequested);
  EXPECT_FALSE(t.view.abortVisible);
  EXPECT_TRUE(t.view.menusEnabled);
  EXPECT_TRUE(t.view.toolbarEnabled);
  EXPECT_TRUE(t.view.tabsEnabled);
  EXPECT_TRUE(t.view.statusHistory.empty());
}

TEST(MainwinAbort, WhileBusyTheWindowIsBackAtOnce) {
  TestApp t;
  t.app.AutoMode = true;
  SetBusyMode(t.app, true);
  EnterCommand(t.app);  // the run is still on the stack
  MainCommand(t.app, Cmd::Abort);
  EXPECT_TRUE(t.app.AbortRequested);
  EXPECT_FALSE(t.app.busy);
  EXPECT_FALSE(t.view.abortVisible);
  EXPECT_TRUE(t.view.menusEnabled);
  EXPECT_FALSE(t.app.AutoMode);
  LeaveCommand(t.app);
}

// ---------------------------------------------------------------- size list

TEST(MainwinSizeList, SortKeyFollowsTheClicks) {
  int key = 0;
  key = NextSizeSortKey(key, 3);
  EXPECT_EQ(4, key);  // first click: greatest first
  key = NextSizeSortKey(key, 3);
  EXPECT_EQ(-4, key);
  key = NextSizeSortKey(key, 3);
  EXPECT_EQ(4, key);
  key = NextSizeSortKey(key, 0);
  EXPECT_EQ(1, key);  // another column starts over
  EXPECT_EQ(-1, NextSizeSortKey(1, 0));
  EXPECT_EQ(5, NextSizeSortKey(-1, 4));
}

TEST(MainwinSizeList, CellComparison) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int column;  // 0-based
    int sign;    // of CompareSizeCells with a positive key (greater first)
  };
  const std::vector<Case> cases = {
      {L"1,200", L"300", 3, -1},      // 1200 > 300 comes first
      {L"1,200", L"1200", 3, 0},      // commas do not count on 容量(KB)
      {L"1,000,000", L"999,999", 3, -1},
      {L"1,200", L"300", 2, 1},       // No.: "1,200" is no number, so 0
      {L"abc", L"5", 4, 1},           // ファイル数: text counts as 0
      {L"", L"0", 4, 0},
      {L"12", L"9", 2, -1},           // numbers, not text
      {L"-3", L"2", 4, 1},
      {L"abc", L"ABD", 0, 1},         // text columns ignore case
      {L"ABC", L"abc", 1, 0},
      {L"C:\\b", L"c:\\A", 0, -1},
      {L"same", L"same", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(std::wstring(c.a) + L" | " + c.b + L" col " + std::to_wstring(c.column)));
    const int key = c.column + 1;
    const int pos = CompareSizeCells(c.a, c.b, key);
    const int neg = CompareSizeCells(c.a, c.b, -key);
    EXPECT_EQ(c.sign, (pos > 0) - (pos < 0));
    EXPECT_EQ(-c.sign, (neg > 0) - (neg < 0));
  }
}

TEST(MainwinSizeList, TwelveHundredFirstThenThreeHundred) {
  TestApp t;
  std::vector<std::vector<std::wstring>> rows = {
      {L"C:\\a", L"", L"1", L"300", L"3"},
      {L"C:\\b", L"", L"2", L"1,200", L"7"},
      {L"C:\\c", L"", L"3", L"x", L"1"},
  };
  SortSizeRows(rows, SizeHeaderClicked(t.app, 3));
  EXPECT_EQ(4, t.app.sizeSortKey);
  EXPECT_EQ(Utf8(L"1,200"), Utf8(rows[0][3]));
  EXPECT_EQ(Utf8(L"300"), Utf8(rows[1][3]));
  EXPECT_EQ("x", Utf8(rows[2][3]));
  SortSizeRows(rows, SizeHeaderClicked(t.app, 3));
  EXPECT_EQ(-4, t.app.sizeSortKey);
  EXPECT_EQ("x", Utf8(rows[0][3]));
  EXPECT_EQ("300", Utf8(rows[1][3]));
  EXPECT_EQ(Utf8(L"1,200"), Utf8(rows[2][3]));
}

// ---------------------------------------------------------------- resize rule

TEST(MainwinResize, TreeWidthFitsTheClient) {
  struct Case {
    int client, tree, expected;
  };
  for (const Case& c : std::vector<Case>{{800, 150, 150}, {100, 150, 80}, {150, 150, 150}, {149, 150, 129},
                                         {20, 150, 1}, {5, 150, 1}}) {
    EXPECT_EQ(c.expected, FitTreeWidth(c.client, c.tree)) << c.client << " " << c.tree;
  }
}

TEST(MainwinResize, FolderColumnTakesTheRestButStaysReadable) {
  struct Case {
    int group, others, margin, readable, expected;
  };
  for (const Case& c : std::vector<Case>{{800, 230, 50, 140, 520},   // the rule
                                         {420, 230, 50, 140, 140},   // exactly readable
                                         {300, 230, 50, 140, 140},   // would be 20: kept readable
                                         {100, 230, 50, 140, 140},   // would be negative
                                         {100, 230, 50, 0, 1}}) {    // no font yet: never below 1
    EXPECT_EQ(c.expected, FirstColumnWidth(c.group, c.others, c.margin, c.readable)) << c.group;
  }
}

TEST(MainwinResize, ShrinkingTheWindowNarrowsTheTreeButMinimisingDoesNot) {
  TestApp t;
  t.app.treeWidth = 180;
  t.view.clientWidth = 120;
  FormResize(t.app);
  EXPECT_EQ(100, t.app.treeWidth);
  EXPECT_EQ(100, t.view.treeWidth);
  t.app.treeWidth = 180;
  t.view.clientWidth = 0;  // minimised
  FormResize(t.app);
  EXPECT_EQ(180, t.app.treeWidth);
}

TEST(MainwinResize, SplitterWidthIsAtLeastOneAndWrittenToTheIndexFile) {
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A"}, 0);
  OpenFileSet(t.app, dir);
  TreeWidthChanged(t.app, -7);
  EXPECT_EQ(1, t.app.treeWidth);
  EXPECT_EQ(1, t.view.treeWidth);
  const auto lines = ReadUtf16Lines(dir / L"SET.IDX");
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"Widir=1"));
}

// ---------------------------------------------------------------- page change

TEST(MainwinPages, TabChangeLoadsThatPage) {
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A", L"B"}, 2);
  OpenFileSet(t.app, dir);
  ASSERT_EQ(2u, t.app.pages.size());
  const int loadsBefore = t.view.loads;
  const int attachesBefore = t.view.attaches;
  TabClicked(t.app, 1);
  EXPECT_EQ(loadsBefore + 1, t.view.loads);
  EXPECT_EQ(attachesBefore + 1, t.view.attaches);
  EXPECT_EQ(1, t.app.activePage);
  EXPECT_EQ("B", Utf8(t.app.CurrentPageName));
  ASSERT_EQ(2u, t.app.rows.size());
  EXPECT_EQ("C:\\B\\1", Utf8(t.app.rows[0].caption));
  EXPECT_EQ(&t.app.rows, t.view.rows);
  EXPECT_NE(t.view.statusHistory.end(),
            std::find(t.view.statusHistory.begin(), t.view.statusHistory.end(), L"設定データ読み込み中..."));
  EXPECT_EQ("", Utf8(t.view.status));
  EXPECT_EQ(0, t.app.commandDepth);
}

TEST(MainwinPages, MutedTabChangeDoesNothing) {
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A", L"B"}, 1);
  OpenFileSet(t.app, dir);
  t.view.statusHistory.clear();
  const int loads = t.view.loads, attaches = t.view.attaches;
  t.app.PageSwitchMuted = true;
  PageChanged(t.app, 1);
  TabClicked(t.app, 1);
  EXPECT_EQ(loads, t.view.loads);
  EXPECT_EQ(attaches, t.view.attaches);
  EXPECT_EQ(0, t.app.activePage);
  EXPECT_TRUE(t.view.statusHistory.empty());
  EXPECT_EQ(-1, t.app.pendingPage);
}

TEST(MainwinPages, TabClickWhileLoadingOnlyMovesThePanelThenLoadsThatPage) {
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A", L"B", L"C"}, 20);
  OpenFileSet(t.app, dir);
  const int loadsBefore = t.view.loads;
  bool clicked = false;
  int attachesAtClick = 0;
  t.view.onPump = [&] {
    if (!t.app.PageLoading || clicked) return;
    clicked = true;
    attachesAtClick = t.view.attaches;
    TabClicked(t.app, 2);  // the user picks C while B is still loading
    EXPECT_EQ(attachesAtClick + 1, t.view.attaches);  // the panel moved
    EXPECT_EQ(1, t.view.depth);                       // no second load inside the first
    EXPECT_EQ(1, t.app.activePage);                   // B stays active until it is loaded
    EXPECT_EQ("B", Utf8(t.app.CurrentPageName));
    EXPECT_EQ(2, t.app.pendingPage);
  };
  TabClicked(t.app, 1);
  ASSERT_TRUE(clicked);
  EXPECT_EQ(1, t.view.maxDepth);
  EXPECT_EQ(loadsBefore + 2, t.view.loads);  // B, then C once B was done
  EXPECT_EQ(2, t.app.activePage);
  EXPECT_EQ(2, t.view.activeTab);
  EXPECT_EQ("C", Utf8(t.app.CurrentPageName));
  ASSERT_EQ(20u, t.app.rows.size());
  EXPECT_EQ("C:\\C\\1", Utf8(t.app.rows[0].caption));
  EXPECT_EQ(-1, t.app.pendingPage);
}

TEST(MainwinPages, TabClickDuringTheFirstLoadIsLoadedWhenTheCommandEnds) {
  // The load at start-up is not a tab change: the chosen tab follows when the
  // start-up handler has returned.
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A", L"B"}, 5);
  bool clicked = false;
  t.view.onPump = [&] {
    if (t.app.PageLoading && !clicked && t.app.pages.size() == 2) {
      clicked = true;
      TabClicked(t.app, 1);
    }
  };
  EnterCommand(t.app);
  OpenFileSet(t.app, dir);
  ASSERT_TRUE(clicked);
  EXPECT_EQ(0, t.app.activePage);
  EXPECT_EQ("A", Utf8(t.app.CurrentPageName));
  EXPECT_EQ("C:\\A\\1", Utf8(t.app.rows[0].caption));
  LeaveCommand(t.app);
  EXPECT_EQ(1, t.app.activePage);
  EXPECT_EQ("B", Utf8(t.app.CurrentPageName));
  EXPECT_EQ("C:\\B\\1", Utf8(t.app.rows[0].caption));
}

TEST(MainwinPages, TabClickWhileBusyIsRefused) {
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A", L"B"}, 1);
  OpenFileSet(t.app, dir);
  const int loads = t.view.loads;
  SetBusyMode(t.app, true);
  t.view.activeTab = 1;  // the click got through somehow
  TabClicked(t.app, 1);
  EXPECT_EQ(loads, t.view.loads);
  EXPECT_EQ(0, t.app.activePage);
  EXPECT_EQ(0, t.view.activeTab);
  EXPECT_EQ(-1, t.app.pendingPage);
}

TEST(MainwinPages, ClickingBackToTheLoadingTabLoadsNothingMore) {
  TempDir dir;
  Trio t;
  WriteFileSet(dir, {L"A", L"B"}, 5);
  OpenFileSet(t.app, dir);
  const int loadsBefore = t.view.loads;
  int clicks = 0;
  t.view.onPump = [&] {
    if (!t.app.PageLoading || clicks >= 2) return;
    TabClicked(t.app, clicks == 0 ? 0 : 1);  // away to A, then back to B
    ++clicks;
  };
  TabClicked(t.app, 1);
  EXPECT_EQ(2, clicks);
  EXPECT_EQ(loadsBefore + 1, t.view.loads);
  EXPECT_EQ(1, t.app.activePage);
  EXPECT_EQ(1, t.view.activeTab);
}

// ---------------------------------------------------------------- commands

class RecordingWindow : public IMainWindowCommands {
 public:
  std::vector<std::string> calls;
  void ShowHelpContents() override { calls.push_back("help"); }
  void ShowAbout() override { calls.push_back("about"); }
  void RefreshFolderTree() override { calls.push_back("tree"); }
};

TEST(MainwinCommands, HelpItemsUseTheirKeywords) {
  const std::vector<std::pair<Cmd, std::wstring>> cases = {
      {Cmd::HelpSourceList, L"保存元リストの編集"},
      {Cmd::HelpTree, L"保存元リストの編集"},
      {Cmd::HelpPage, L"設定ページの概要"},
      {Cmd::HelpErrorList, L"エラーリスト"},
  };
  for (const auto& [cmd, keyword] : cases) {
    TestApp t;
    MainCommand(t.app, cmd);
    ASSERT_EQ(1u, t.user.helpKeywords().size());
    EXPECT_EQ(Utf8(keyword), Utf8(t.user.helpKeywords()[0]));
  }
}

TEST(MainwinCommands, WindowCommandsReachTheWindow) {
  TestApp t;
  RecordingWindow w;
  StatusMessage(t.app, L"前の表示");
  MainCommand(t.app, Cmd::VerInfo, &w);
  EXPECT_EQ("", Utf8(t.view.status));  // a command that opens a dialog clears the status line
  MainCommand(t.app, Cmd::HelpTopic, &w);
  MainCommand(t.app, Cmd::TreeRefresh, &w);
  EXPECT_EQ((std::vector<std::string>{"about", "help", "tree"}), w.calls);
  EXPECT_FALSE(t.view.closed);
  MainCommand(t.app, Cmd::Exit, &w);
  EXPECT_TRUE(t.view.closed);
  EXPECT_EQ(0, t.app.commandDepth);
}

TEST(MainwinCommands, AvailabilityInEachState) {
  const std::vector<Cmd> helpAndTree = {Cmd::HelpTopic, Cmd::VerInfo,     Cmd::Abort,         Cmd::HelpSourceList,
                                        Cmd::HelpPage,  Cmd::HelpTree,    Cmd::HelpErrorList, Cmd::TreeRefresh};
  const std::vector<Cmd> pageCommands = {Cmd::Xopen, Cmd::Xsort, Cmd::PgAdd, Cmd::PgDel,
                                         Cmd::PgRen, Cmd::PgOld, Cmd::Env};
  const std::vector<Cmd> rowCommands = {Cmd::Change, Cmd::Add, Cmd::Del, Cmd::Dir, Cmd::Svf, Cmd::Exf};
  enum State { Normal, Busy, Loading, Running };
  for (State s : {Normal, Busy, Loading, Running}) {
    SCOPED_TRACE(s);
    TestApp t;
    if (s == Busy) SetBusyMode(t.app, true);
    if (s == Loading) t.view.menusEnabled = false;  // LoadActivePage disables the menus
    if (s == Running) EnterCommand(t.app);
    for (Cmd c : helpAndTree) {
      EXPECT_TRUE(CommandAvailable(t.app, c)) << static_cast<int>(c);
    }
    for (Cmd c : rowCommands) {
      EXPECT_EQ(s == Normal, CommandAvailable(t.app, c)) << static_cast<int>(c);
    }
    EXPECT_EQ(s == Normal, CommandAvailable(t.app, Cmd::Exit));
    for (Cmd c : pageCommands) {
      EXPECT_EQ(s == Normal, CommandAvailable(t.app, c)) << static_cast<int>(c);
    }
    for (Cmd c : {Cmd::Wiz, Cmd::Inst, Cmd::RegDel}) EXPECT_EQ(s == Normal, CommandAvailable(t.app, c));
    EXPECT_EQ(s == Normal, CommandAvailable(t.app, Cmd::Check));
    EXPECT_EQ(s == Normal, CommandAvailable(t.app, Cmd::Verify));
    EXPECT_FALSE(CommandAvailable(t.app, Cmd::Find)) << "no destination to search";
    t.app.env.tamdir = L"E:\\Backup";
    EXPECT_EQ(s == Normal, CommandAvailable(t.app, Cmd::Find));
    if (CommandBuilt(Cmd::Backup)) {
      EXPECT_EQ(s == Normal, CommandAvailable(t.app, Cmd::Backup));
    }
  }
}

TEST(MainwinCommands, RestoreOpensTheSearchDialogWithAClearStatusLine) {
  struct Recording : IVerifyDialog {
    int shown = 0;
    int depth = 0;
    App* app = nullptr;
    void Show() override {
      ++shown;
      depth = app->commandDepth;
    }
  } dialog;
  TestApp t;
  dialog.app = &t.app;
  StatusMessage(t.app, L"バックアップ終了．");
  MainCommand(t.app, Cmd::Verify);  // no dialog: nothing happens
  t.app.verifyDialog = &dialog;
  MainCommand(t.app, Cmd::Verify);
  EXPECT_EQ(1, dialog.shown);
  EXPECT_EQ(1, dialog.depth) << "the dialog runs as a command: no second one starts meanwhile";
  EXPECT_EQ(L"", t.view.status);
  EXPECT_EQ(0, t.app.commandDepth);
}

TEST(MainwinCommands, FindOpensItsDialogForAPageWithADestination) {
  struct Recording : IFindDialog {
    int shown = 0;
    void Show() override { ++shown; }
  } dialog;
  TestApp t;
  t.app.findDialog = &dialog;
  MainCommand(t.app, Cmd::Find);
  EXPECT_EQ(0, dialog.shown) << "nothing to search without a destination";
  t.app.env.tamdir = L"E:\\Backup";
  StatusMessage(t.app, L"バックアップ終了．");
  MainCommand(t.app, Cmd::Find);
  EXPECT_EQ(1, dialog.shown);
  EXPECT_EQ(L"", t.view.status);
}

// The folder settings dialog as the row commands see it: records each mode and cancels.
class CancellingFolderDialog : public IFolderDialog {
 public:
  std::vector<std::wstring> statuses;
  bool Show(FolderDialogState& state) override {
    statuses.push_back(state.status);
    return false;
  }
};

TEST(MainwinCommands, RowCommandsReachTheFolderSettingsDialog) {
  TestApp t;
  CancellingFolderDialog dialog;
  t.app.folderDialog = &dialog;
  t.app.rows.resize(2);
  t.app.rows[0].caption = L"C:\a";
  t.app.rows[1].caption = L"C:\b";
  t.view.status = L"前の表示";
  SourceListActivated(t.app);  // Enter or double click with no row selected
  MainCommand(t.app, Cmd::Add);
  EXPECT_EQ(L"", t.view.status);
  t.view.selected = {1};
  SourceListActivated(t.app);
  MainCommand(t.app, Cmd::Svf);
  MainCommand(t.app, Cmd::Exf);
  MainCommand(t.app, Cmd::Dir);
  EXPECT_EQ((std::vector<std::wstring>{L"新規フォルダの登録／保存内容の設定", L"保存内容の変更",
                                       L"「保存ファイル」の複数行一括変更", L"「除外ファイル」の複数行一括変更",
                                       L"「下位フォルダもバックアップする」スイッチの複数行一括変更"}),
            dialog.statuses);
  t.user.Expect(L"選択された1行を削除しますか", kNo);
  MainCommand(t.app, Cmd::Del);
  EXPECT_EQ(2, t.app.RowCount());
  EXPECT_EQ(0, t.app.commandDepth);
  // In busy mode a double click changes nothing.
  SetBusyMode(t.app, true);
  SourceListActivated(t.app);
  EXPECT_EQ(5u, dialog.statuses.size());
}

TEST(MainwinCommands, ExitIsRefusedWhileBusy) {
  TestApp t;
  SetBusyMode(t.app, true);
  MainCommand(t.app, Cmd::Exit);
  EXPECT_FALSE(t.view.closed);
}

TEST(MainwinCommands, MenuOfEachCommand) {
  EXPECT_EQ(CmdMenu::File, MenuOf(Cmd::Xopen));
  EXPECT_EQ(CmdMenu::File, MenuOf(Cmd::Exit));
  EXPECT_EQ(CmdMenu::Edit, MenuOf(Cmd::Env));
  EXPECT_EQ(CmdMenu::Edit, MenuOf(Cmd::Wiz));
  EXPECT_EQ(CmdMenu::Function, MenuOf(Cmd::Backup));
  EXPECT_EQ(CmdMenu::Function, MenuOf(Cmd::Verify));
  EXPECT_EQ(CmdMenu::Function, MenuOf(Cmd::Find));
  EXPECT_EQ(CmdMenu::Function, MenuOf(Cmd::Collate));
  EXPECT_EQ(CmdMenu::Register, MenuOf(Cmd::Inst));
  EXPECT_EQ(CmdMenu::Register, MenuOf(Cmd::RegDel));
  EXPECT_EQ(CmdMenu::Help, MenuOf(Cmd::HelpTopic));
  EXPECT_EQ(CmdMenu::Help, MenuOf(Cmd::Abort));
  EXPECT_EQ(CmdMenu::Popup, MenuOf(Cmd::TreeRefresh));
}

// A clock whose tick the test sets.
class StepClock : public FakeClock {
 public:
  std::uint64_t now = 0;
  std::uint64_t TickMs() override { return now; }
};

TEST(MainwinPump, MessagesRunAtMostEveryFewHundredthsOfASecond) {
  ScriptedUser user;
  FakeView view;
  StepClock clock;
  App app{user, view, clock};
  clock.now = 1000;
  LetMessagesRun(app);
  EXPECT_EQ(1, view.pumps);
  clock.now = 1010;
  LetMessagesRun(app);  // too soon
  EXPECT_EQ(1, view.pumps);
  LetMessagesRun(app, true);  // unless forced
  EXPECT_EQ(2, view.pumps);
  clock.now = 1039;
  LetMessagesRun(app);
  EXPECT_EQ(2, view.pumps);
  clock.now = 1040;
  LetMessagesRun(app);
  EXPECT_EQ(3, view.pumps);
}

TEST(MainwinErrorList, AddAndClearKeepTheMirror) {
  TestApp t;
  ErrorListAdd(t.app, L"{A} ページ.");
  ErrorListAdd(t.app, L"C:\\x <エラー:5> アクセスが拒否されました。");
  EXPECT_EQ(t.app.errorLines, t.view.errorList);
  ErrorListClear(t.app);
  EXPECT_TRUE(t.app.errorLines.empty());
  EXPECT_TRUE(t.view.errorList.empty());
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

class CountingCheckDialog : public ICheckDialog {
 public:
  int shown = 0;
  void Show() override { ++shown; }
};

TEST(MainwinCommands, CapacityCommandOpensTheDialogAfterClearingTheStatusLine) {
  TestApp t;
  CountingCheckDialog dialog;
  t.app.checkDialog = &dialog;
  t.view.status = L"old";
  MainCommand(t.app, Cmd::Check);
  EXPECT_EQ(1, dialog.shown);
  EXPECT_EQ(L"", t.view.status);
  SetBusyMode(t.app, true);
  MainCommand(t.app, Cmd::Check);
  EXPECT_EQ(1, dialog.shown);
}

}  // namespace
}  // namespace ruzer::test

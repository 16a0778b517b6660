// Start-up: command line, show state, window placement, locating the file set.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/Startup.h"
#include "startup_support.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

bool AltUp() { return false; }
bool AltHeld() { return true; }

std::wstring StartupError(const std::wstring& indexPath) {
  return L"Ruzer起動設定エラー\r\n引数の \"" + indexPath + L"\" が見つかりません.";
}

void ExpectStartupError(ScriptedUser& user, const std::wstring& indexPath) {
  struct ScriptedUser::Expect e;
  e.text = StartupError(indexPath);
  e.kind = MsgKind::Error;
  e.buttons = kOk | kHelp;
  e.helpContext = 0;
  user.ExpectFull(e);
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame.user = &t.user;
    SetMainFrame(&frame);
  }
  void TearDown() override {
    SetMainFrame(nullptr);
    SetLocalAppDataForTests(L"");
  }

  TestApp t;
  FakeFrame frame;
  TestRegistryKey key;
};

// ---------------------------------------------------------------- command line

TEST_F(StartupTest, CommandLineCases) {
  const std::wstring longPath = L"d:\\" + std::wstring(300, L'p');
  struct Case {
    const char* what;
    std::vector<std::wstring> args;
    AltKeyProbe alt;
    bool autoMode;
    std::wstring path;
    int verifyShare = 0;
  };
  const Case cases[] = {
      {"nothing", {}, AltUp, false, L""},
      {"/A", {L"/A"}, AltUp, true, L""},
      {"lower-case /a", {L"/a"}, AltUp, true, L""},
      {"/AM counts as /A", {L"/AM"}, AltUp, true, L""},
      {"lower-case /am", {L"/am"}, AltUp, true, L""},
      {"lower-case /x:", {L"/x:d:\\sets\\home.idx"}, AltUp, false, L"d:\\sets\\home.idx"},
      {"/X: without extension", {L"/X:d:\\sets\\home"}, AltUp, false, L"d:\\sets\\home"},
      {"plain path", {L"d:\\sets\\home.txt"}, AltUp, false, L"d:\\sets\\home.txt"},
      {"/A then path", {L"/A", L"d:\\s\\a.idx"}, AltUp, true, L"d:\\s\\a.idx"},
      {"Alt held", {L"/A", L"d:\\s\\a.idx"}, AltHeld, false, L"d:\\s\\a.idx"},
      {"Alt held, /AM", {L"/AM"}, AltHeld, false, L""},
      {"two paths: the later wins", {L"d:\\one.idx", L"/X:e:\\two.idx"}, AltUp, false, L"e:\\two.idx"},
      {"two paths, plain last", {L"/X:e:\\two.idx", L"d:\\one.idx"}, AltUp, false, L"d:\\one.idx"},
      {"empty argument stops", {L"/A", L"", L"d:\\late.idx"}, AltUp, true, L""},
      {"empty first argument", {L"", L"/A"}, AltUp, false, L""},
      {"/X: alone", {L"d:\\one.idx", L"/X:"}, AltUp, false, L""},
      {"/X without colon is a path", {L"/Xd:\\a.idx"}, AltUp, false, L"/Xd:\\a.idx"},
      {"other switch is a path", {L"/B"}, AltUp, false, L"/B"},
      {"/X: path cut at 260", {L"/X:" + longPath}, AltUp, false, longPath.substr(0, 260)},
      {"/V then path", {L"/V", L"d:\\s\\a.idx"}, AltUp, true, L"d:\\s\\a.idx", 1},
      {"/V:30", {L"/V:30", L"/X:d:\\s\\a.idx"}, AltUp, true, L"d:\\s\\a.idx", 30},
      {"lower-case /v:7", {L"/v:7"}, AltUp, true, L"", 7},
      {"Alt held, /V", {L"/V", L"d:\\s\\a.idx"}, AltHeld, false, L"d:\\s\\a.idx"},
      {"/V:0 is a path", {L"/V:0"}, AltUp, false, L"/V:0"},
      {"/V:x is a path", {L"/V:x"}, AltUp, false, L"/V:x"},
      {"/V: too large is a path", {L"/V:10000"}, AltUp, false, L"/V:10000"},
      {"plain path cut at 260", {longPath}, AltUp, false, longPath.substr(0, 260)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    t.app.AutoMode = !c.autoMode;  // every parse starts from off
    int share = -1;
    EXPECT_EQ(Utf8(c.path), Utf8(ParseCommandLine(t.app, c.args, c.alt, &share)));
    EXPECT_EQ(c.autoMode, t.app.AutoMode);
    EXPECT_EQ(c.verifyShare, share);
  }
}

TEST_F(StartupTest, AltIsAskedForEveryArgument) {
  // Alt pressed while the second "/A" is read: the first one has already switched on.
  static int calls;
  calls = 0;
  AltKeyProbe secondHeld = [] { return ++calls >= 2; };
  EXPECT_EQ(L"", ParseCommandLine(t.app, {L"/A", L"/A"}, secondHeld));
  EXPECT_TRUE(t.app.AutoMode);
  EXPECT_EQ(2, calls);
}

TEST(StartupInfoTest, ComesFromTheRunningProcess) {
  const StartupInfo info = ReadStartupInfo(SW_SHOWMINNOACTIVE);
  EXPECT_EQ(SW_SHOWMINNOACTIVE, info.showCommand);
  EXPECT_TRUE(FileExists(info.programPath)) << Utf8(info.programPath);
  const std::wstring name = info.programPath.substr(info.programPath.rfind(L'\\') + 1);
  EXPECT_EQ(0, _wcsicmp(L"test_shell.exe", name.c_str())) << Utf8(info.programPath);
  EXPECT_EQ(static_cast<size_t>(__argc - 1), info.args.size());
  for (size_t i = 0; i < info.args.size() && static_cast<int>(i) + 1 < __argc; ++i)
    EXPECT_EQ(__argv[i + 1], Utf8(info.args[i]));
}

// ---------------------------------------------------------------- start-up error

TEST_F(StartupTest, PathThatIsNoIndexFileGivesTheStartupErrorAndLoadsNothing) {
  TempDir d;
  ASSERT_TRUE(CreateDirectoryW((d / L"sets.IDX").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((d / L"a.b").c_str(), nullptr));
  struct Case {
    const char* what;
    std::wstring arg;
    std::wstring folder, name;
  };
  const Case cases[] = {
      {"missing file", d / L"home.idx", d.path() + L"\\", L"home.IDX"},
      {"other extension", d / L"home.txt", d.path() + L"\\", L"home.IDX"},
      {"no extension", d / L"home", d.path() + L"\\", L"home.IDX"},
      {"a folder where the index should be", d / L"sets.txt", d.path() + L"\\", L"sets.IDX"},
      {"quoted", L"\"" + (d / L"home.idx") + L"\"", d.path() + L"\\", L"home.IDX"},
      {"dot in the folder only", d / L"a.b\\home", d.path() + L"\\a.b\\", L"home.IDX"},
      {"no folder part", L"ruzer-nowhere-9f2.idx", L"", L"ruzer-nowhere-9f2.IDX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    t.app.AutoMode = true;
    ExpectStartupError(t.user, c.folder + c.name);
    LocateFileSet(t.app, c.arg);
    t.user.VerifyDone();
    EXPECT_EQ(Utf8(c.folder), Utf8(t.app.FileSetFolder));
    EXPECT_EQ(Utf8(c.name), Utf8(t.app.IndexFileName));
    EXPECT_FALSE(t.app.AutoMode);
    EXPECT_TRUE(t.app.pages.empty());
    EXPECT_TRUE(t.view.tabs.empty());
  }
  // Only a start without a path creates a file set by itself.
  auto entries = FolderEntries(d.path());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ((std::vector<std::wstring>{L"a.b", L"sets.IDX"}), entries);
  EXPECT_TRUE(FolderEntries(d / L"a.b").empty());
}

TEST_F(StartupTest, MinimisedStartIsRestoredBeforeTheFirstMessage) {
  TempDir d;
  t.app.StartMinimized = true;
  frame.minimized = true;
  ExpectStartupError(t.user, d.path() + L"\\missing.IDX");
  LocateFileSet(t.app, d / L"missing.idx");
  EXPECT_EQ(0, frame.messagesBeforeRestore);
  EXPECT_FALSE(t.app.StartMinimized);
  EXPECT_FALSE(frame.minimized);
  // Once restored, later boxes leave the window alone.
  RestoreFromMinimized(t.app);
  EXPECT_EQ(1, std::count(frame.log.begin(), frame.log.end(), L"restore"));
}

TEST_F(StartupTest, RestoreFromMinimizedDoesNothingForANormalStart) {
  RestoreFromMinimized(t.app);
  EXPECT_TRUE(frame.log.empty());
}

// ---------------------------------------------------------------- placement

TEST_F(StartupTest, SaveStoresPlacementOnlyInTheNormalState) {
  struct Case {
    const char* what;
    bool minimized, maximized, written;
  };
  const Case cases[] = {
      {"normal", false, false, true},
      {"minimised", true, false, false},
      {"maximised", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    key.Remove();
    key.SetText(L"Other", L"kept");
    frame.rect = RECT{-1200, 40, -400, 640};  // a monitor left of the primary one
    frame.minimized = c.minimized;
    frame.maximized = c.maximized;
    SaveWindowPlacement(t.app, frame);
    if (c.written) {
      EXPECT_EQ(L"sz:6.00", key.Value(L"Version"));
      EXPECT_EQ(L"dword:-1200", key.Value(L"WinLeft"));
      EXPECT_EQ(L"dword:40", key.Value(L"WinTop"));
      EXPECT_EQ(L"dword:800", key.Value(L"WinWidth"));
      EXPECT_EQ(L"dword:600", key.Value(L"WinHeight"));
    } else {
      for (const wchar_t* v : {L"Version", L"WinLeft", L"WinTop", L"WinWidth", L"WinHeight"})
        EXPECT_EQ(L"", key.Value(v)) << Utf8(v);
    }
    EXPECT_EQ(L"sz:kept", key.Value(L"Other"));
  }
}

TEST_F(StartupTest, SaveDoesNotCreateAMissingKey) {
  // The removal of the settings deletes the key while the program runs.
  key.Remove();
  SaveWindowPlacement(t.app, frame);
  EXPECT_FALSE(key.Exists());
}

TEST_F(StartupTest, LoadReadsUntilTheFirstMissingOrUnreadableValue) {
  struct Case {
    const char* what;
    void (*fill)(TestRegistryKey&);
    RECT expected;
  };
  const Case cases[] = {
      {"all four",
       [](TestRegistryKey& k) {
         k.SetDword(L"WinLeft", 10);
         k.SetDword(L"WinTop", 20);
         k.SetDword(L"WinWidth", 640);
         k.SetDword(L"WinHeight", 480);
       },
       RECT{10, 20, 650, 500}},
      {"negative left",
       [](TestRegistryKey& k) {
         k.SetDword(L"WinLeft", static_cast<DWORD>(-1000));
         k.SetDword(L"WinTop", 5);
       },
       RECT{-1000, 5, -200, 605}},
      {"height missing",
       [](TestRegistryKey& k) {
         k.SetDword(L"WinLeft", 10);
         k.SetDword(L"WinTop", 20);
         k.SetDword(L"WinWidth", 640);
       },
       RECT{10, 20, 650, 620}},
      {"top missing, later values ignored",
       [](TestRegistryKey& k) {
         k.SetDword(L"WinLeft", 10);
         k.SetDword(L"WinWidth", 640);
         k.SetDword(L"WinHeight", 480);
       },
       RECT{10, 100, 810, 700}},
      {"left stored as text",
       [](TestRegistryKey& k) {
         k.SetText(L"WinLeft", L"10");
         k.SetDword(L"WinTop", 20);
       },
       RECT{100, 100, 900, 700}},
      {"empty key", [](TestRegistryKey& k) { k.SetText(L"Version", L"6.00"); }, RECT{100, 100, 900, 700}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    key.Remove();
    c.fill(key);
    frame.rect = RECT{100, 100, 900, 700};
    LoadWindowPlacement(t.app, frame);
    EXPECT_EQ(RectText(c.expected), RectText(frame.rect));
  }
}

TEST_F(StartupTest, LoadCreatesTheKeySoThatCloseCanStore) {
  key.Remove();
  LoadWindowPlacement(t.app, frame);
  EXPECT_TRUE(key.Exists());
  SaveWindowPlacement(t.app, frame);
  EXPECT_EQ(L"dword:100", key.Value(L"WinLeft"));
}

TEST_F(StartupTest, LoadLeavesAMaximisedWindowAlone) {
  key.SetDword(L"WinLeft", 10);
  frame.maximized = true;
  LoadWindowPlacement(t.app, frame);
  EXPECT_TRUE(frame.log.empty());
}

// ---------------------------------------------------------------- window creation

TEST_F(StartupTest, ShowStateAndFirstArgumentDecideTheMinimisedStart) {
  struct Case {
    const char* what;
    int show, startupShow;
    std::vector<std::wstring> args;
    bool minimized;
  };
  const Case cases[] = {
      {"normal", SW_SHOWNORMAL, SW_SHOWNORMAL, {}, false},
      {"2 show minimised", SW_SHOWMINIMIZED, SW_SHOWNORMAL, {}, true},
      {"6 minimise", SW_MINIMIZE, SW_SHOWNORMAL, {}, true},
      {"7 minimised, not active", SW_SHOWMINNOACTIVE, SW_SHOWNORMAL, {}, true},
      {"3 maximised", SW_SHOWMAXIMIZED, SW_SHOWNORMAL, {}, false},
      {"start-up info ignored unless 10", SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, {}, false},
      {"10 with wShowWindow 2", SW_SHOWDEFAULT, SW_SHOWMINIMIZED, {}, true},
      {"10 with wShowWindow 6", SW_SHOWDEFAULT, SW_MINIMIZE, {}, true},
      {"10 with wShowWindow 7", SW_SHOWDEFAULT, SW_SHOWMINNOACTIVE, {}, true},
      {"10 with wShowWindow 1", SW_SHOWDEFAULT, SW_SHOWNORMAL, {}, false},
      {"/AM", SW_SHOWNORMAL, SW_SHOWNORMAL, {L"/AM"}, true},
      {"/am", SW_SHOWNORMAL, SW_SHOWNORMAL, {L"/am"}, true},
      {"/AMX: first three characters", SW_SHOWNORMAL, SW_SHOWNORMAL, {L"/AMX"}, true},
      {"/A alone", SW_SHOWNORMAL, SW_SHOWNORMAL, {L"/A"}, false},
      {"/AM not first", SW_SHOWNORMAL, SW_SHOWNORMAL, {L"d:\\a.idx", L"/AM"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFrame f;
    StartupInfo info;
    info.showCommand = c.show;
    info.startupShowWindow = c.startupShow;
    info.args = c.args;
    t.app.StartMinimized = !c.minimized;
    OnMainWindowCreate(t.app, f, info);
    EXPECT_EQ(c.minimized, t.app.StartMinimized);
    EXPECT_EQ(c.minimized ? 10000 : 0, f.rect.top);
  }
  SetMainFrame(&frame);
}

TEST_F(StartupTest, CreationStartsAt480By360WithTheBottomPanelHidden) {
  t.app.bottomHeight = 100;
  t.view.bottom.height = 100;
  t.view.bottom.errorListVisible = true;
  OnMainWindowCreate(t.app, frame, StartupInfo{});
  EXPECT_EQ("0,0,480,360", RectText(frame.rect));
  EXPECT_EQ(1, t.view.bottom.height);
  EXPECT_FALSE(t.view.bottom.errorListVisible);
  EXPECT_EQ(1, t.app.bottomHeight);
}

TEST_F(StartupTest, StoredPlacementOverridesTheDefaults) {
  key.SetDword(L"WinLeft", 30);
  key.SetDword(L"WinTop", 40);
  key.SetDword(L"WinWidth", 700);
  key.SetDword(L"WinHeight", 500);
  OnMainWindowCreate(t.app, frame, StartupInfo{});
  EXPECT_EQ("30,40,730,540", RectText(frame.rect));
}

TEST_F(StartupTest, MinimisedStartParksTheWindowAndPutsItBackOnFirstActivation) {
  TempDir d;
  key.SetDword(L"WinLeft", 30);
  key.SetDword(L"WinTop", 250);
  StartupInfo info;
  info.showCommand = SW_SHOWMINNOACTIVE;
  info.args = {L"/A", L"/X:" + (d / L"missing.idx")};
  info.altDown = AltUp;
  info.programPath = d / L"ruzer.exe";
  OnMainWindowCreate(t.app, frame, info);
  EXPECT_EQ(10000, frame.rect.top);
  frame.log.clear();

  ExpectStartupError(t.user, d.path() + L"\\missing.IDX");
  OnFirstActivate(t.app, frame, info);
  ASSERT_GE(frame.log.size(), 3u);
  EXPECT_EQ(L"minimize", frame.log[0]);
  EXPECT_EQ(L"top 250", frame.log[1]);
  EXPECT_EQ(L"restore", frame.log[2]);  // before the error box
  EXPECT_EQ(0, frame.messagesBeforeRestore);
  EXPECT_EQ(250, frame.rect.top);
  EXPECT_FALSE(t.app.AutoMode);
  EXPECT_EQ(4, t.app.ExitCode);  // the automatic run could not use the file set
}

TEST_F(StartupTest, AWindowThatIgnoredTheMoveWhileMinimisedIsNotRestoredOffScreen) {
  TempDir d;
  key.SetDword(L"WinLeft", 30);
  key.SetDword(L"WinTop", 250);
  frame.movesWhileMinimizedAreLost = true;
  StartupInfo info;
  info.args = {L"/AM", d / L"missing.idx"};
  info.altDown = AltUp;
  OnMainWindowCreate(t.app, frame, info);
  frame.minimized = true;  // shown with the minimised show command
  ExpectStartupError(t.user, d.path() + L"\\missing.IDX");
  OnFirstActivate(t.app, frame, info);
  EXPECT_FALSE(frame.minimized);
  EXPECT_EQ(250, frame.rect.top);
  EXPECT_EQ(0, frame.messagesBeforeRestore);
}

TEST_F(StartupTest, ClosingWhileStillParkedStoresTheRealTop) {
  key.SetDword(L"WinLeft", 30);
  key.SetDword(L"WinTop", 250);
  StartupInfo info;
  info.args = {L"/AM"};
  OnMainWindowCreate(t.app, frame, info);
  ASSERT_EQ(10000, frame.rect.top);
  OnMainWindowClose(t.app, frame);
  EXPECT_EQ(L"dword:250", key.Value(L"WinTop"));
}

TEST_F(StartupTest, CloseStoresThePlacement) {
  OnMainWindowCreate(t.app, frame, StartupInfo{});
  frame.rect = RECT{5, 6, 605, 406};
  OnMainWindowClose(t.app, frame);
  EXPECT_EQ(L"dword:5", key.Value(L"WinLeft"));
  EXPECT_EQ(L"dword:6", key.Value(L"WinTop"));
  EXPECT_EQ(L"dword:600", key.Value(L"WinWidth"));
  EXPECT_EQ(L"dword:400", key.Value(L"WinHeight"));
  EXPECT_EQ(L"sz:6.00", key.Value(L"Version"));
}

// ---------------------------------------------------------------- first activation

TEST_F(StartupTest, FirstActivationSetsHelpFileAndDatedTitle) {
  TempDir d;
  StartupInfo info;
  info.args = {d / L"none.idx"};
  info.programPath = d / L"prog.v2\\ruzer.exe";
  t.clock.Set(2010, 6, 24);
  ExpectStartupError(t.user, d.path() + L"\\none.IDX");
  OnFirstActivate(t.app, frame, info);
  EXPECT_EQ(0, t.app.ExitCode);  // an interactive start returns 0 whatever happens
  EXPECT_EQ(Utf8(d / L"prog.v2\\ruzer.chm"), Utf8(t.app.helpFile));
  // Today's date of the program's clock in the user's long format.
  SYSTEMTIME st = t.clock.now;
  wchar_t date[100];
  ASSERT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, date, 100), 0);
  EXPECT_EQ(Utf8(std::wstring(L"Ruzer  - ") + date), Utf8(t.view.title));
  EXPECT_NE(std::wstring::npos, t.view.title.find(L"2010"));
}

TEST_F(StartupTest, ShowMaximisedMakesTheNormalWindowScreenSized) {
  TempDir d;
  StartupInfo info;
  info.showCommand = SW_SHOWMAXIMIZED;
  info.args = {d / L"none.idx"};
  frame.screenWidth = 1600;
  frame.screenHeight = 900;
  ExpectStartupError(t.user, d.path() + L"\\none.IDX");
  OnFirstActivate(t.app, frame, info);
  EXPECT_EQ("0,0,1600,900", RectText(frame.rect));
  EXPECT_FALSE(frame.maximized);
}

TEST_F(StartupTest, AutomaticStartWithAMissingIndexStaysOpenAndInteractive) {
  TempDir d;
  StartupInfo info;
  info.args = {L"/A", d / L"none.idx"};
  info.altDown = AltUp;
  ExpectStartupError(t.user, d.path() + L"\\none.IDX");
  OnFirstActivate(t.app, frame, info);
  EXPECT_FALSE(t.app.AutoMode);
  EXPECT_FALSE(t.view.closed);
  EXPECT_FALSE(t.app.busy);
  EXPECT_TRUE(t.view.statusHistory.empty());  // no backup run started
}

// ---------------------------------------------------------------- local application data

TEST_F(StartupTest, AppDataFolderThatCannotBeCreatedIsReportedAndNothingLoads) {
  TempDir prog, appData;
  // A file where the folder should be: the folder cannot be made.
  ASSERT_TRUE(WriteBytes(appData / L"Ruzer", "not a folder"));
  SetLocalAppDataForTests(appData.path());
  t.app.programPath = prog / L"ruzer.exe";
  t.app.StartMinimized = true;
  t.user.ExpectPrefix(L"", kOk);
  StartupInfo info;
  info.args = {L"/A"};
  info.altDown = AltUp;
  info.programPath = t.app.programPath;
  OnFirstActivate(t.app, frame, info);
  ASSERT_EQ(1u, t.user.shown().size());
  const MessageRequest& m = t.user.shown()[0];
  EXPECT_EQ(MsgKind::Error, m.kind);
  const std::wstring tail = L"\r\n<" + (appData / L"Ruzer") + L">";
  ASSERT_GT(m.text.size(), tail.size()) << Utf8(m.text);
  EXPECT_EQ(Utf8(tail), Utf8(m.text.substr(m.text.size() - tail.size())));
  EXPECT_EQ(0, frame.messagesBeforeRestore);
  // No file set, no automatic run, and a later backup from the menu must not
  // end the program as an automatic one would.
  EXPECT_FALSE(t.app.AutoMode);
  EXPECT_TRUE(t.app.pages.empty());
  EXPECT_TRUE(t.view.statusHistory.empty());
  EXPECT_TRUE(FolderEntries(prog.path()).empty());
}

}  // namespace
}  // namespace ruzer::test

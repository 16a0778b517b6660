// Start-up with real file sets: where the index file is found and that it is
// read (or created) there.
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

std::string IndexWithTwoPages() {
  return Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=2", L"Sleep=1000", L"Widir=180", L"",
                    L"[Index]", L"Fname1=Home", L"Dpath1=", L"Volum1=", L"LstDy1=",
                    L"Fname2=Photos", L"Dpath2=", L"Volum2=", L"LstDy2=", L""});
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class StartupFileSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame.user = &t.user;
    SetMainFrame(&frame);
    SetLocalAppDataForTests(appData.path());
    t.app.programPath = prog / L"ruzer.exe";
  }
  void TearDown() override {
    SetMainFrame(nullptr);
    SetLocalAppDataForTests(L"");
  }

  TempDir prog, appData;
  TestApp t;
  FakeFrame frame;
  TestRegistryKey key;
};

TEST_F(StartupFileSetTest, WithoutArgumentOrIndexBesideTheProgramANewSetIsMadeInLocalAppData) {
  LocateFileSet(t.app, L"");
  EXPECT_EQ(Utf8(appData.path() + L"\\Ruzer\\"), Utf8(t.app.FileSetFolder));
  EXPECT_EQ("RUZER.IDX", Utf8(t.app.IndexFileName));
  EXPECT_TRUE(FileExists(appData / L"Ruzer\\RUZER.IDX"));
  EXPECT_TRUE(FileExists(appData / L"Ruzer\\RUZER.PAG"));
  EXPECT_EQ((std::vector<std::wstring>{L"RUZER"}), t.app.pages);
  EXPECT_FALSE(FileExists(prog / L"RUZER.IDX"));
}

TEST_F(StartupFileSetTest, AnExistingSetInLocalAppDataIsRead) {
  ASSERT_TRUE(CreateDirectoryW((appData / L"Ruzer").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(appData / L"Ruzer\\RUZER.IDX", IndexWithTwoPages()));
  LocateFileSet(t.app, L"");
  EXPECT_EQ((std::vector<std::wstring>{L"Home", L"Photos"}), t.app.pages);
  EXPECT_EQ(&t.app.rows, t.view.rows);  // first page loaded
}

TEST_F(StartupFileSetTest, AnIndexBesideTheProgramWins) {
  ASSERT_TRUE(WriteBytes(prog / L"RUZER.IDX", IndexWithTwoPages()));
  LocateFileSet(t.app, L"");
  EXPECT_EQ(Utf8(prog.path() + L"\\"), Utf8(t.app.FileSetFolder));
  EXPECT_EQ((std::vector<std::wstring>{L"Home", L"Photos"}), t.app.pages);
  EXPECT_FALSE(FolderExists(appData / L"Ruzer"));
}

TEST_F(StartupFileSetTest, EveryArgumentFormOpensTheSameIndex) {
  TempDir sets;
  ASSERT_TRUE(WriteBytes(sets / L"home.IDX", IndexWithTwoPages()));
  const std::vector<std::wstring> forms[] = {
      {L"/X:" + (sets / L"home")},
      {L"/x:" + (sets / L"home.idx")},
      {sets / L"home.txt"},
      {L"\"" + (sets / L"home.idx") + L"\""},
      {L"/A", sets / L"home.idx"},  // Alt held below: an interactive start
      {sets / L"other.idx", sets / L"home.idx"},
  };
  for (const auto& args : forms) {
    SCOPED_TRACE(Utf8(args.back()));
    TestApp a;
    const std::wstring path = ParseCommandLine(a.app, args, AltHeld);
    a.app.programPath = t.app.programPath;
    LocateFileSet(a.app, path);
    EXPECT_TRUE(SameText(sets / L"home.IDX", a.app.IndexPath())) << Utf8(a.app.IndexPath());
    EXPECT_EQ((std::vector<std::wstring>{L"Home", L"Photos"}), a.app.pages);
    EXPECT_FALSE(a.app.AutoMode);
  }
  EXPECT_FALSE(FolderExists(appData / L"Ruzer"));
}

TEST_F(StartupFileSetTest, AltHeldTurnsAnAutomaticStartIntoAnInteractiveOne) {
  TempDir sets;
  ASSERT_TRUE(WriteBytes(sets / L"home.IDX", IndexWithTwoPages()));
  StartupInfo info;
  info.args = {L"/A", sets / L"home.idx"};
  info.altDown = AltHeld;
  info.programPath = t.app.programPath;
  OnFirstActivate(t.app, frame, info);
  EXPECT_FALSE(t.app.AutoMode);
  EXPECT_EQ((std::vector<std::wstring>{L"Home", L"Photos"}), t.app.pages);
  EXPECT_EQ(&t.app.rows, t.view.rows);  // the first page is loaded for the user
  EXPECT_TRUE(t.app.errorLines.empty());  // and nothing was backed up
  EXPECT_FALSE(t.view.closed);
}

TEST_F(StartupFileSetTest, AutomaticStartLeavesPageLoadingToTheBackupRun) {
  TempDir sets;
  ASSERT_TRUE(WriteBytes(sets / L"home.IDX", IndexWithTwoPages()));
  // The pages have no destination: the run reports that, page by page.
  t.user.AnswerAnyWithDefault();
  StartupInfo info;
  info.args = {L"/A", sets / L"home.idx"};
  info.altDown = AltUp;
  info.programPath = t.app.programPath;
  OnFirstActivate(t.app, frame, info);
  EXPECT_EQ((std::vector<std::wstring>{L"Home", L"Photos"}), t.app.pages);
  // The run itself went through the pages.
  EXPECT_NE(t.app.errorLines.end(),
            std::find(t.app.errorLines.begin(), t.app.errorLines.end(), L"{Home} ページ."));
}

}  // namespace
}  // namespace ruzer::test

// Shortcuts of a file set: the .lnk files are real and read back through
// IShellLinkW; the Startup and Programs folders are folders of the test.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "engine/Sdskio.h"
#include "setup/Sinst.h"
#include "sources/Sledit.h"
#include "setup_fixture.h"
#include "shell/Startup.h"
#include "support/drives.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

struct Shortcuts : ::testing::Test {
  TempDir tmp;
  TestApp t;
  ShortcutFolders folders;
  std::wstring prog, sets;

  void SetUp() override {
    prog = tmp / L"Program Files\\Ruzer";
    sets = tmp / L"sets";
    folders.startup = tmp / L"Start Menu\\Programs\\Startup";
    folders.programs = tmp / L"Start Menu\\Programs";
    for (const auto& f : {prog, sets, folders.startup}) MakeFolders(f);
    t.app.programPath = prog + L"\\ruzer.exe";
    UseFileSet(sets + L"\\", L"WORK.IDX");
  }
  void UseFileSet(const std::wstring& folder, const std::wstring& index) {
    t.app.FileSetFolder = folder;
    t.app.IndexFileName = index;
  }
  std::wstring MenuFolder() const { return folders.programs + L"\\Ruzer"; }
  ShortcutSpec Read(const std::wstring& link) {
    auto s = ReadShortcut(link);
    EXPECT_TRUE(s.has_value()) << Utf8(link);
    return s.value_or(ShortcutSpec{});
  }
};

TEST_F(Shortcuts, MaintenanceNamePerFileSet) {
  struct Case {
    std::wstring folder, index, name;
  } cases[] = {
      {prog + L"\\", L"RUZER.IDX", L"保守用Ruzer"},             // the default file set
      {L"D:\\Sets\\", L"WORK.IDX", L"保守用Ruzer WORK"},        // elsewhere
      {prog + L"\\", L"ruzer.IDX", L"保守用Ruzer ruzer"},       // other letter case
      {sets + L"\\", L"RUZER.IDX", L"保守用Ruzer RUZER"},       // the default name elsewhere
      {prog + L"\\", L"WORK.IDX", L"保守用Ruzer WORK"},         // another set beside the program
      {LowerText(prog) + L"\\", L"RUZER.IDX", L"保守用Ruzer RUZER"},  // folders compare exactly
  };
  for (const auto& c : cases) {
    UseFileSet(c.folder, c.index);
    EXPECT_EQ(c.name, MaintenanceShortcutName(t.app)) << Utf8(c.folder + c.index);
  }
}

TEST_F(Shortcuts, AllThreeReadBackWithTargetArgumentsAndWorkingFolder) {
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders));
  EXPECT_EQ(kRegisteredMessage, t.view.status);

  const ShortcutSpec a = Read(folders.startup + L"\\自動Ruzer.lnk");
  EXPECT_EQ(t.app.programPath, a.target);
  EXPECT_EQ(L"/A \"" + sets + L"\\WORK.IDX\"", a.arguments);
  EXPECT_EQ(sets, a.workingFolder);

  const ShortcutSpec m = Read(MenuFolder() + L"\\保守用Ruzer WORK.lnk");
  EXPECT_EQ(t.app.programPath, m.target);
  EXPECT_EQ(L"\"" + sets + L"\\WORK.IDX\"", m.arguments);
  EXPECT_EQ(sets, m.workingFolder);

  const ShortcutSpec h = Read(MenuFolder() + L"\\Ruzerのヘルプ.lnk");
  EXPECT_EQ(prog + L"\\ruzer.chm", h.target);
  EXPECT_EQ(L"", h.arguments);
  EXPECT_EQ(prog + L"\\", h.workingFolder);

  EXPECT_EQ((std::vector<std::wstring>{L"Ruzerのヘルプ.lnk", L"保守用Ruzer WORK.lnk"}), FolderEntries(MenuFolder()));
  EXPECT_EQ(std::vector<std::wstring>{L"自動Ruzer.lnk"}, FolderEntries(folders.startup));
}

// Blanks, Japanese letters and shell characters in the file set's path: the
// arguments split back into exactly "/A" and the index path, and the program
// reads them as automatic mode on that file set.
TEST_F(Shortcuts, PathsThatNeedQuotingComeBackWhole) {
  for (const wchar_t* folder : {L"My Sets 2", L"設定 ファイル", L"a&b^c%PATH%;d,e=f", L"x (y) [z]"}) {
    const std::wstring set = tmp / folder;
    MakeFolders(set);
    UseFileSet(set + L"\\", L"Home Set.IDX");
    ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders)) << Utf8(folder);
    for (const std::wstring& link : {folders.startup + L"\\自動Ruzer.lnk", MenuFolder() + L"\\保守用Ruzer Home Set.lnk"}) {
      const ShortcutSpec s = Read(link);
      EXPECT_EQ(set, s.workingFolder);
      int argc = 0;
      LPWSTR* argv = CommandLineToArgvW((L"ruzer.exe " + s.arguments).c_str(), &argc);
      ASSERT_NE(nullptr, argv);
      std::vector<std::wstring> args(argv + 1, argv + argc);
      LocalFree(argv);
      const bool automatic = link.find(L"自動") != std::wstring::npos;
      ASSERT_EQ(automatic ? 2u : 1u, args.size()) << Utf8(s.arguments);
      if (automatic) {
        EXPECT_EQ(L"/A", args[0]);
      }
      EXPECT_EQ(set + L"\\Home Set.IDX", args.back());
      TestApp parse;
      EXPECT_EQ(set + L"\\Home Set.IDX", ParseCommandLine(parse.app, args, [] { return false; }));
      EXPECT_EQ(automatic, parse.app.AutoMode);
    }
  }
}

TEST_F(Shortcuts, RepeatReplacesTheSameFiles) {
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders));
  UseFileSet(tmp / L"other\\", L"WORK.IDX");
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders));
  EXPECT_EQ(std::vector<std::wstring>{L"自動Ruzer.lnk"}, FolderEntries(folders.startup));
  EXPECT_EQ((std::vector<std::wstring>{L"Ruzerのヘルプ.lnk", L"保守用Ruzer WORK.lnk"}), FolderEntries(MenuFolder()));
  EXPECT_EQ(L"/A \"" + tmp / L"other\\WORK.IDX\"", Read(folders.startup + L"\\自動Ruzer.lnk").arguments);
  EXPECT_EQ(tmp / L"other", Read(MenuFolder() + L"\\保守用Ruzer WORK.lnk").workingFolder);
}

TEST_F(Shortcuts, SeveralFileSetsGetTheirOwnMaintenanceShortcuts) {
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{false, true}, folders));
  UseFileSet(prog + L"\\", L"RUZER.IDX");
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{false, true}, folders));
  EXPECT_EQ((std::vector<std::wstring>{L"Ruzerのヘルプ.lnk", L"保守用Ruzer WORK.lnk", L"保守用Ruzer.lnk"}),
            FolderEntries(MenuFolder()));
  EXPECT_EQ(L"\"" + prog + L"\\RUZER.IDX\"", Read(MenuFolder() + L"\\保守用Ruzer.lnk").arguments);
  EXPECT_TRUE(FolderEntries(folders.startup).empty());
}

TEST_F(Shortcuts, AReadOnlyLinkOfTheSameNameIsReplaced) {
  UseFileSet(tmp / L"A\\", L"A.IDX");
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, false}, folders));
  const std::wstring link = folders.startup + L"\\自動Ruzer.lnk";
  ASSERT_TRUE(SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_READONLY));
  UseFileSet(tmp / L"B\\", L"B.IDX");
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, false}, folders));
  EXPECT_EQ(L"/A \"" + tmp / L"B\\B.IDX\"", Read(link).arguments);
  EXPECT_EQ(std::vector<std::wstring>{L"自動Ruzer.lnk"}, FolderEntries(folders.startup));
}

TEST_F(Shortcuts, NothingChosenReportsSuccessAndCreatesNothing) {
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{false, false}, folders));
  EXPECT_EQ(kRegisteredMessage, t.view.status);
  EXPECT_TRUE(FolderEntries(folders.startup).empty());
  EXPECT_FALSE(FolderExists(MenuFolder()));
}

// A Startup folder that cannot be written to: the automatic shortcut fails,
// the start-menu shortcuts are still made, and the end message says so.
TEST_F(Shortcuts, StartupFolderMissingFailsOnlyTheAutomaticShortcut) {
  folders.startup = tmp / L"no such folder";
  t.user.ExpectFull({kRegisterFailedMessage, kOk, false, MsgKind::Error});
  EXPECT_FALSE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders));
  EXPECT_EQ(L"", t.view.status);
  EXPECT_FALSE(FolderExists(folders.startup));
  EXPECT_EQ(2u, FolderEntries(MenuFolder()).size());
}

// The program's start-menu folder cannot be made: an error with the
// system's text ends the operation, no end message follows.
TEST_F(Shortcuts, StartMenuFolderThatCannotBeCreatedEndsWithTheSystemText) {
  folders.programs = tmp / L"missing\\Programs";
  t.user.ExpectFull({L"<" + folders.programs + L"\\Ruzer>フォルダの作成失敗.\r\n" + SystemErrorText(ERROR_PATH_NOT_FOUND),
                     kOk, false, MsgKind::Error});
  EXPECT_FALSE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders));
  EXPECT_EQ(L"", t.view.status);
  // What was done before stays, and it is right.
  EXPECT_EQ(L"/A \"" + sets + L"\\WORK.IDX\"", Read(folders.startup + L"\\自動Ruzer.lnk").arguments);
}

// A start-menu "folder" that is a file: the same error, with its own text.
TEST_F(Shortcuts, StartMenuFolderNameTakenByAFile) {
  ASSERT_TRUE(WriteBytes(MenuFolder(), "not a folder"));
  t.user.ExpectPrefix(L"<" + MenuFolder() + L">フォルダの作成失敗.\r\n");
  EXPECT_FALSE(RegisterShortcuts(t.app, MenuRChoice{false, true}, folders));
  EXPECT_EQ("not a folder", ReadBytes(MenuFolder()));
}

// No file set was loaded (a start-up error): nothing may point at an empty path.
TEST_F(Shortcuts, NoFileSetMakesNoFileSetShortcut) {
  UseFileSet(L"", L"");
  t.user.Expect(kRegisterFailedMessage);
  EXPECT_FALSE(RegisterShortcuts(t.app, MenuRChoice{true, true}, folders));
  EXPECT_TRUE(FolderEntries(folders.startup).empty());
  EXPECT_EQ(std::vector<std::wstring>{L"Ruzerのヘルプ.lnk"}, FolderEntries(MenuFolder()));
}

// A full Startup drive: the new link cannot be written, and the working link
// stays as it was, so the logon backup does not silently stop.
TEST_F(Shortcuts, AFailedReplacementKeepsTheWorkingLink) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  folders.startup = drive / (L"startup-" + std::to_wstring(GetCurrentProcessId()));
  MakeFolders(folders.startup);
  UseFileSet(tmp / L"A\\", L"A.IDX");
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, false}, folders));
  const std::wstring link = folders.startup + L"\\自動Ruzer.lnk";
  ASSERT_TRUE(ReadShortcut(link).has_value());
  const std::string before = ReadBytes(link);
  const std::wstring filler = folders.startup + L"\\filler.bin";
  FillDisk(filler);

  UseFileSet(tmp / L"B\\", L"B.IDX");
  t.user.Expect(kRegisterFailedMessage);
  EXPECT_FALSE(RegisterShortcuts(t.app, MenuRChoice{true, false}, folders));
  EXPECT_EQ((std::vector<std::wstring>{L"filler.bin", L"自動Ruzer.lnk"}), FolderEntries(folders.startup));
  EXPECT_EQ(before, ReadBytes(link));
  const auto kept = ReadShortcut(link);
  ASSERT_TRUE(kept.has_value());
  EXPECT_NE(std::wstring::npos, kept->arguments.find(L"A.IDX"));
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, folders.startup));
}

}  // namespace
}  // namespace ruzer::test

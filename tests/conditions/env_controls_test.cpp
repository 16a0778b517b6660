// The controls of the backup conditions dialog: free space, browse, read
// label, the pattern lists, the hard-disk warning, and the medium check on
// real removable drives.
#include <gtest/gtest.h>

#include <memory>

#include "conditions/env_fixture.h"
#include "engine/Sdskio.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

const std::wstring kHardDisk =
    L"バックアップ先がハードディスクの場合は、\r\nヘルプの「ハードディスクへの保存時の注意」を\r\n確認してください.";

TEST(FreeSpace, MegabytesUpToOneGigabyteThenGigabytes) {
  struct Case {
    std::int64_t bytes;
    std::wstring text;
  };
  const Case cases[] = {
      {0, L"空き= 0.0MB"},
      {996147200, L"空き= 950.0MB"},
      {1073741824, L"空き= 1,024.0MB"},
      {1073741825, L"空き= 1.0GB"},
      {13207024435LL, L"空き= 12.3GB"},
      {2199023255552LL, L"空き= 2,048.0GB"},
      {-1, L"空き= 0.0MB"},  // could not be measured
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, FreeSpaceText(c.bytes)) << c.bytes;
}

TEST(FreeSpace, LabelFollowsTheDestinationText) {
  EnvDialogState s;
  s.freeLabel = L"old";
  ShowFreeSpaceLabel(s);
  EXPECT_EQ(L"", s.freeLabel);
  TempDir dir;
  s.tamDir = dir.path();
  ShowFreeSpaceLabel(s);
  EXPECT_EQ(FreeSpaceText(GetFreeSpace(dir.path()).free), s.freeLabel);
}

TEST_F(EnvTest, SaveListAddStartsFromAllFilesAndIgnoresDuplicates) {
  EnvDialogState s = Opened(L"");
  ASSERT_EQ((std::vector<std::wstring>{L"*.*"}), s.files1);
  patterns.answers = {L"*.doc", L"*.DOC", std::nullopt, L""};
  for (int i = 0; i < 4; ++i) EnvAddPattern(app, s, 1);
  EXPECT_EQ((std::vector<std::wstring>{L"*.*", L"*.doc"}), s.files1);
  for (const auto& given : patterns.givenText) EXPECT_EQ(std::optional<std::wstring>(L"*.*"), given);
  for (const auto& folder : patterns.givenFolder) EXPECT_FALSE(folder.has_value());
}

TEST_F(EnvTest, ExcludeListAddKeepsThePatternFieldAsItWas) {
  EnvDialogState s = Opened(L"");
  patterns.answers = {L"*.tmp", L"~*"};
  EnvAddPattern(app, s, 2);
  EnvAddPattern(app, s, 2);
  EXPECT_EQ((std::vector<std::wstring>{L"*.tmp", L"~*"}), s.files2);
  EXPECT_FALSE(patterns.givenText[0].has_value());
  EXPECT_EQ(std::vector<std::wstring>{L"*.*"}, s.files1);
}

TEST_F(EnvTest, EditReplacesAnEntryUnlessTheNewPatternIsThere) {
  EnvDialogState s = Opened(L"");
  s.files1 = {L"*.doc", L"*.txt"};
  patterns.answers = {L"*.TXT", L"*.DOC", std::nullopt, L"", L"a.b"};
  EnvEditPattern(app, s, 1, 1);  // same entry, other case: stays
  EnvEditPattern(app, s, 1, 1);  // equals the other entry: stays
  EnvEditPattern(app, s, 1, 1);  // cancelled
  EnvEditPattern(app, s, 1, 1);  // empty
  EXPECT_EQ((std::vector<std::wstring>{L"*.doc", L"*.txt"}), s.files1);
  EnvEditPattern(app, s, 1, 0);
  EXPECT_EQ((std::vector<std::wstring>{L"*.txt", L"a.b"}), s.files1);
  EXPECT_EQ(std::optional<std::wstring>(L"*.doc"), patterns.givenText.back());
}

TEST_F(EnvTest, DeleteRemovesEverySelectedEntry) {
  EnvDialogState s = Opened(L"");
  s.files2 = {L"a", L"b", L"c", L"d"};
  EnvDeletePatterns(s, 2, {3, 0, 3, 9});
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"c"}), s.files2);
}

TEST_F(EnvTest, WithoutAPatternDialogNothingChanges) {
  app.patternDialog = nullptr;
  EnvDialogState s = Opened(L"");
  EnvAddPattern(app, s, 1);
  EnvEditPattern(app, s, 1, 0);
  EXPECT_EQ(std::vector<std::wstring>{L"*.*"}, s.files1);
}

TEST_F(EnvTest, BrowseSetsTheFolderAndWarnsOfAnotherPage) {
  EnvDialogState s = Opened(dir / L"Before");
  t.user.NextFolder(std::nullopt);
  EnvBrowse(app, s);
  EXPECT_EQ(dir / L"Before", s.tamDir);
  t.user.NextFolder(other);
  ExpectBox(t.user, OtherPageHas(other), MsgKind::Warning);
  EnvBrowse(app, s);
  t.user.VerifyDone();
  EXPECT_EQ(other, s.tamDir);
  EXPECT_EQ(FreeSpaceText(GetFreeSpace(other).free), s.freeLabel);
}

TEST_F(EnvTest, HardDiskWarningOnlyBeforeVistaAndOnlyForFixedDisks) {
  const std::wstring fixed = dir.path();  // the temp folder is on a fixed disk
  ASSERT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeW(fixed.substr(0, 3).c_str()));
  WarnHardDisk(app, fixed, 6);
  WarnHardDisk(app, fixed, 10);
  WarnHardDisk(app, L"", 5);
  t.user.VerifyDone();
  ASSERT_TRUE(t.user.shown().empty());
  t.user.ExpectFull(Exact(kHardDisk, MsgKind::Warning, kOk | kHelp, 54));
  WarnHardDisk(app, fixed, 5);
  t.user.VerifyDone();
}

// A removable drive whose medium can be changed between two host folders.
class EnvMedium : public EnvTest {
 protected:
  void SetUp() override {
    EnvTest::SetUp();
    ASSERT_TRUE(MakeFolder(host / L"disc1"));
    ASSERT_TRUE(MakeFolder(host / L"disc2"));
    ASSERT_TRUE(WriteBytes(host / L"disc2\\.windows-label", "VOL2\n"));
    ASSERT_TRUE(MakeFolder(host / L"disc2\\Backup"));
    drive = std::make_unique<MappedDrive>(HostPathOf(host / L"disc1"), DRIVE_REMOVABLE, L"VOL1");
    ASSERT_TRUE(drive->ok()) << drive->error();
    ASSERT_TRUE(MakeFolder(*drive / L"Backup"));
    dest = *drive / L"Backup";
  }
  void TearDown() override { drive.reset(); }
  TempDir host;
  std::unique_ptr<MappedDrive> drive;
  std::wstring dest;
};

TEST_F(EnvMedium, ReadLabelFillsTheField) {
  EnvDialogState s = Opened(dest);
  EnvReadLabel(app, s);
  EXPECT_EQ(L"VOL1", s.volName);
  EXPECT_EQ(static_cast<UINT>(DRIVE_REMOVABLE), GetDriveTypeW(drive->root().c_str()));
  // No hard-disk warning for a removable drive, even before Vista.
  WarnHardDisk(app, dest, 5);
  t.user.VerifyDone();
}

TEST_F(EnvMedium, ReadLabelOfAnUnreadableDriveLeavesTheField) {
  EnvDialogState s = Opened(L"");
  s.volName = L"KEEP";
  ExpectBox(t.user, L"ボリューム名が取得できません", MsgKind::Warning);
  EnvReadLabel(app, s);
  t.user.VerifyDone();
  EXPECT_EQ(L"KEEP", s.volName);
}

TEST_F(EnvMedium, ReadLabelWarnsWhenAnotherPageUsesTheSameMedium) {
  app.PageIndexTable[2].dest = LowerText(dest);
  app.PageIndexTable[2].label = L"VOL1";
  EnvDialogState s = Opened(dest);
  ExpectBox(t.user, OtherPageHas(dest + L">, <VOL1"), MsgKind::Warning);
  EnvReadLabel(app, s);
  t.user.VerifyDone();
  EXPECT_EQ(L"VOL1", s.volName);
}

TEST_F(EnvMedium, RightMediumInsertedDuringRetryGoesOn) {
  EnvDialogState s = Opened(dest);
  s.volName = L"VOL2";
  struct ScriptedUser::Expect wrong;
  wrong.text = WrongMedium(L"VOL1");
  wrong.kind = MsgKind::Warning;
  wrong.buttons = kRetry | kCancel;
  wrong.answer = kRetry;
  t.user.ExpectFull(wrong);  // Retry with the same medium: asked again
  wrong.whileShown = [&] { ASSERT_TRUE(drive->SwapMedium(HostPathOf(host / L"disc2"))); };
  t.user.ExpectFull(wrong);
  ASSERT_TRUE(EnvConfirm(app, s));
  t.user.VerifyDone();
  EXPECT_EQ(L"VOL2", app.env.volname);
  EXPECT_EQ(dest, app.env.tamdir);
  EXPECT_EQ(L"Labl=VOL2", ReadUtf16Lines(Pag(L"P"))[3]);
  EXPECT_EQ(L"VOL2", app.PageIndexTable[1].label);
}

TEST_F(EnvMedium, WrongMediumCancelledStoresNothing) {
  EnvDialogState s = Opened(dest);
  s.volName = L"vol1";  // the label compares exactly
  ExpectBox(t.user, WrongMedium(L"VOL1"), MsgKind::Warning, kRetry | kCancel, kCancel);
  EXPECT_FALSE(EnvConfirm(app, s));
  t.user.VerifyDone();
  EXPECT_EQ(EnvPanel{}, app.env);
  EXPECT_FALSE(FileExists(Pag(L"P")));
}

TEST_F(EnvMedium, TwoPagesShareADestinationOnDifferentMedia) {
  app.PageIndexTable[2].dest = dest;
  app.PageIndexTable[2].label = L"VOL2";
  EnvDialogState s = Opened(dest);
  s.volName = L"VOL1";
  ASSERT_TRUE(EnvConfirm(app, s));
  // With the same label it is refused.
  app.PageIndexTable[2].label = L"VOL1";
  s = Opened(dest);
  s.volName = L"VOL1";
  ExpectBox(t.user, OtherPageHas(dest + L">, <VOL1"), MsgKind::Warning);
  EXPECT_FALSE(EnvConfirm(app, s));
  t.user.VerifyDone();
}


// A destination on a full drive is accepted (the run reports a full disk);
// the dialog shows that nothing is free.
TEST_F(EnvTest, FullDriveShowsNoFreeSpace) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive disk(small);
  ASSERT_TRUE(disk.ok()) << disk.error();
  const std::wstring dest = disk / (L"env-" + std::to_wstring(GetCurrentProcessId()));
  const std::wstring filler = disk / (L"env-filler-" + std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(MakeFolder(dest));
  {
    HANDLE h = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    const std::string chunk(64 * 1024, 'x');
    for (DWORD piece : {65536u, 4096u, 1u}) {
      DWORD put = 0;
      while (WriteFile(h, chunk.data(), piece, &put, nullptr) && put == piece) {
      }
    }
    CloseHandle(h);
  }
  EnvDialogState s = Opened(dest);
  ShowFreeSpaceLabel(s);
  EXPECT_EQ(L"空き= 0.0MB", s.freeLabel);
  EXPECT_TRUE(EnvConfirm(app, s));
  EXPECT_EQ(dest, app.env.tamdir);
  DeleteFileW(filler.c_str());
  RemoveDirectoryW(dest.c_str());
}

}  // namespace
}  // namespace ruzer::test

// Volume label, file system, free space and the medium prompt on mapped drives.
#include <gtest/gtest.h>

#include "engine/Sdskio.h"
#include "engine/disk_helpers.h"
#include "support/drives.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

class Volume : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeFolder(host / L"disk"));
    drive = std::make_unique<MappedDrive>(HostPathOf(host / L"disk"), DRIVE_REMOVABLE, L"RuzerVol");
    ASSERT_TRUE(drive->ok()) << drive->error();
    ASSERT_TRUE(MakeFolder(*drive / L"Backup"));
  }
  TempDir host;
  std::unique_ptr<MappedDrive> drive;
  TestApp t;
};

TEST_F(Volume, LabelAndFileSystemOfTheDriveThatHoldsThePath) {
  for (const std::wstring& path : {drive->root(), *drive / L"Backup", *drive / L"not\\there"}) {
    CodeAndText label = GetVolumeLabel(path);
    EXPECT_EQ(0u, label.code) << Utf8(path);
    EXPECT_EQ(L"RuzerVol", label.text) << Utf8(path);
    CodeAndText fs = GetFileSystemName(path);
    EXPECT_EQ(0u, fs.code);
    EXPECT_FALSE(fs.text.empty());
  }
  ASSERT_TRUE(drive->SetLabel(L""));
  EXPECT_EQ(L"", GetVolumeLabel(drive->root()).text);
}

TEST_F(Volume, EmptyOrUnreadablePathGivesACodeAndNoText) {
  CodeAndText empty = GetVolumeLabel(L"");
  EXPECT_EQ(3u, empty.code);
  EXPECT_EQ(L"", empty.text);
  EXPECT_EQ(3u, GetFileSystemName(L"").code);
  wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  CodeAndText missing = GetVolumeLabel(std::wstring(1, none) + L":\\x");
  EXPECT_NE(0u, missing.code);
  EXPECT_EQ(L"", missing.text);
  EXPECT_NE(0u, GetFileSystemName(std::wstring(1, none) + L":\\x").code);
}

TEST_F(Volume, MediumCheckWithoutLabelTouchesNothing) {
  t.app.env.volname = L"";
  t.app.env.tamdir = std::wstring(1, UnusedDriveLetter()) + L":\\Backup";
  EXPECT_TRUE(CheckDestinationVolume(t.app));
}

TEST_F(Volume, MediumCheckPassesOnTheExactLabel) {
  t.app.env.tamdir = *drive / L"Backup";
  t.app.env.volname = L"RuzerVol";
  EXPECT_TRUE(CheckDestinationVolume(t.app));
}

TEST_F(Volume, WrongLabelAsksUntilCancelled) {
  t.app.env.tamdir = *drive / L"Backup";
  t.app.env.volname = L"RUZERVOL";  // differs only in letter case
  const std::wstring ask = L"ボリューム名 <RUZERVOL> のメディアをセットしてください.";
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kRetry);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kRetry);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kCancel);
  EXPECT_FALSE(CheckDestinationVolume(t.app));
  t.user.VerifyDone();
}

TEST_F(Volume, UnreadableDriveShowsTheSystemText) {
  wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  t.app.env.tamdir = std::wstring(1, none) + L":\\Backup";
  t.app.env.volname = L"NoSuchVol";  // on no drive at all
  DWORD code = GetVolumeLabel(t.app.env.tamdir).code;
  ASSERT_NE(0u, code);
  const std::wstring ask = t.app.env.tamdir + L":" + SystemErrorText(code);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kRetry);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kCancel);
  EXPECT_FALSE(CheckDestinationVolume(t.app));
  t.user.VerifyDone();
}

// USB disks change letters: the labelled medium on exactly one other drive
// is used for this time, with one line that says where it was found.
TEST_F(Volume, TheLabelledMediumOnAnotherLetterIsUsedForThisTime) {
  ASSERT_TRUE(MakeFolder(host / L"other"));
  MappedDrive other(HostPathOf(host / L"other"), DRIVE_REMOVABLE, L"OTHER");
  ASSERT_TRUE(other.ok()) << other.error();
  const wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  const std::wstring found = std::wstring(1, drive->letter()) + L":\\Backup";
  // Yesterday's letter holds no medium, or a disk with another label.
  for (const std::wstring& tamdir : {std::wstring(1, none) + L":\\Backup", other / L"Backup"}) {
    SCOPED_TRACE(Utf8(tamdir));
    t.view.errorList.clear();
    t.app.env.tamdir = tamdir;
    t.app.env.volname = L"RuzerVol";
    t.app.env.tamdirFound.clear();
    EXPECT_TRUE(CheckDestinationVolume(t.app));
    t.user.VerifyDone();
    EXPECT_EQ(tamdir, t.app.env.tamdir);
    EXPECT_EQ(found, t.app.env.tamdirFound);
    EXPECT_EQ(found, DestinationOf(t.app.env));
    EXPECT_EQ((std::vector<std::wstring>{L"ボリューム名 <RuzerVol> のメディアは " + std::wstring(1, drive->letter()) +
                                         L": にありました．今回は <" + found + L"> を使います．"}),
              t.view.errorList);
    // Asked again in the same run: the same drive, no second line.
    EXPECT_TRUE(CheckDestinationVolume(t.app));
    EXPECT_EQ(1u, t.view.errorList.size());
  }
  // Back on its own letter: the page's own folder again.
  t.app.env.tamdir = *drive / L"Backup";
  EXPECT_TRUE(CheckDestinationVolume(t.app));
  EXPECT_EQ(L"", t.app.env.tamdirFound);
  EXPECT_EQ(*drive / L"Backup", DestinationOf(t.app.env));
}

// Two drives with the label: which one is meant cannot be told, so the
// medium is asked for as before and nothing is found.
TEST_F(Volume, TwoDrivesWithTheLabelAreNotGuessedBetween) {
  ASSERT_TRUE(MakeFolder(host / L"twin"));
  MappedDrive twin(HostPathOf(host / L"twin"), DRIVE_REMOVABLE, L"RuzerVol");
  ASSERT_TRUE(twin.ok()) << twin.error();
  const wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  t.app.env.tamdir = std::wstring(1, none) + L":\\Backup";
  t.app.env.volname = L"RuzerVol";
  const std::wstring ask = t.app.env.tamdir + L":" + SystemErrorText(GetVolumeLabel(t.app.env.tamdir).code);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kCancel);
  EXPECT_FALSE(CheckDestinationVolume(t.app));
  t.user.VerifyDone();
  EXPECT_EQ(L"", t.app.env.tamdirFound);
  EXPECT_TRUE(t.view.errorList.empty());
}

TEST(LostMedium, TheErrorsOfAGoneDiskOrShare) {
  for (DWORD code : {ERROR_NOT_READY, ERROR_PATH_NOT_FOUND, ERROR_NETNAME_DELETED, ERROR_BAD_NETPATH,
                     ERROR_DEV_NOT_EXIST, ERROR_INVALID_DRIVE})
    EXPECT_TRUE(IsLostMediumError(code)) << code;
  for (DWORD code : {0ul, 5ul, 32ul, 112ul, 2ul, 183ul}) EXPECT_FALSE(IsLostMediumError(code)) << code;
}

TEST_F(Volume, FreeSpaceOfAMappedDrive) {
  FreeSpaceInfo root = GetFreeSpace(drive->root());
  EXPECT_GT(root.free, 0);
  EXPECT_GE(root.total, root.free);
  FreeSpaceInfo folder = GetFreeSpace(*drive / L"Backup");
  EXPECT_EQ(root.total, folder.total);
  FreeSpaceInfo lower = GetFreeSpace(std::wstring(1, static_cast<wchar_t>(drive->letter() + 32)) + L":\\");
  EXPECT_EQ(root.total, lower.total);
}

TEST(FreeSpace, MissingDriveGivesMinusOneAndNetworkPathGivesZero) {
  wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  FreeSpaceInfo missing = GetFreeSpace(std::wstring(1, none) + L":\\Backup");
  EXPECT_EQ(-1, missing.free);
  EXPECT_EQ(-1, missing.total);
  FreeSpaceInfo unc = GetFreeSpace(L"\\\\no-such-server-ruzer\\share\\x");
  EXPECT_EQ(0, unc.free);
  EXPECT_EQ(0, unc.total);
}

TEST(FreeSpace, SmallDiskReportsItsSize) {
  std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  FreeSpaceInfo f = GetFreeSpace(drive.root());
  EXPECT_EQ(2 * 1048576, f.total);
  EXPECT_LE(f.free, f.total);
  EXPECT_GT(f.free, 0);
}

TEST(ClusterSize, VolumeFolderOrDefault) {
  TempDir d;
  EXPECT_EQ(256, ClusterSize(L""));
  wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  EXPECT_EQ(256, ClusterSize(std::wstring(1, none) + L":\\"));
  DWORD spc = 0, bps = 0, fc = 0, tc = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(d.path().substr(0, 3).c_str(), &spc, &bps, &fc, &tc));
  int cluster = static_cast<int>(spc * bps);
  EXPECT_EQ(cluster, ClusterSize(d.path().substr(0, 3)));
  EXPECT_EQ(cluster, ClusterSize(d.path()));  // a folder stands for its volume
}

}  // namespace
}  // namespace ruzer::test

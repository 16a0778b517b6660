// Volume label, file system, free space and the medium prompt on mapped drives.
#include <gtest/gtest.h>

#include "engine/Sdskio.h"
#include "engine/disk_helpers.h"
#include "support/drives.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

// A letter that names no drive at all.
wchar_t UnusedLetter() {
  DWORD drives = GetLogicalDrives();
  for (wchar_t c = L'L'; c >= L'D'; --c)
    if (!(drives & (1u << (c - L'A')))) return c;
  return 0;
}

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
  wchar_t none = UnusedLetter();
  ASSERT_NE(0, none);
  CodeAndText missing = GetVolumeLabel(std::wstring(1, none) + L":\\x");
  EXPECT_NE(0u, missing.code);
  EXPECT_EQ(L"", missing.text);
  EXPECT_NE(0u, GetFileSystemName(std::wstring(1, none) + L":\\x").code);
}

TEST_F(Volume, MediumCheckWithoutLabelTouchesNothing) {
  t.app.env.volname = L"";
  t.app.env.tamdir = std::wstring(1, UnusedLetter()) + L":\\Backup";
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
  wchar_t none = UnusedLetter();
  ASSERT_NE(0, none);
  t.app.env.tamdir = std::wstring(1, none) + L":\\Backup";
  t.app.env.volname = L"RuzerVol";
  DWORD code = GetVolumeLabel(t.app.env.tamdir).code;
  ASSERT_NE(0u, code);
  const std::wstring ask = t.app.env.tamdir + L":" + SystemErrorText(code);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kRetry);
  ExpectBox(t.user, ask, MsgKind::Warning, kRetry | kCancel, kCancel);
  EXPECT_FALSE(CheckDestinationVolume(t.app));
  t.user.VerifyDone();
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
  wchar_t none = UnusedLetter();
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
  wchar_t none = UnusedLetter();
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

// Real volumes and bad input: an NTFS drive, a FAT volume, a full disk, a
// drive that is gone, folders that cannot be read.
#include <gtest/gtest.h>

#include "engine/Sdskio.h"
#include "measure/measure_fixture.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

using Lines = std::vector<std::vector<std::wstring>>;

std::wstring Kb(std::int64_t bytes) { return FormatUnits(bytes, 1024); }

// Host folder of the FAT volume the CTest fixture mounted, or empty.
std::string FatDiskHostPath() {
  wchar_t buffer[4096];
  const DWORD n = GetEnvironmentVariableW(L"RUZER_FAT_DISK", buffer, 4096);
  if (n == 0 || n >= 4096) return {};
  const std::wstring marker = L"Z:" + std::wstring(buffer) + L".ready";
  std::wstring w = marker;
  for (auto& ch : w)
    if (ch == L'/') ch = L'\\';
  if (GetFileAttributesW(w.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return Utf8(buffer);
}

wchar_t UnusedDriveLetter() {
  const DWORD used = GetLogicalDrives();
  for (wchar_t l = L'Y'; l >= L'G'; --l)
    if (!(used & (1u << (l - L'A')))) return l;
  return 0;
}

struct Volumes : MeasureFixture {
  void Measure() {
    check.Reset();
    check.StartClick();
  }
};

TEST_F(Volumes, NtfsDestinationChargesNoFolderOverhead) {
  const CodeAndText fs = GetFileSystemName(dest);
  ASSERT_EQ(0u, fs.code);
  if (fs.text.compare(0, 4, L"NTFS") != 0) GTEST_SKIP() << "Wine reports " << Utf8(fs.text) << " here";
  const std::int64_t c = ClusterSize(dest);
  PutFile(src + L"\\N\\four.bin", std::string(static_cast<size_t>(c), 'f'));
  PutFile(src + L"\\N\\empty.bin", "");
  MakeFolders(src + L"\\N\\sub");
  SetRows({Row(src + L"\\N")});
  Measure();
  EXPECT_EQ(0, check.folderOverhead());
  EXPECT_EQ(c, check.clusterSize());
  // A file of exactly one cluster takes two; an empty one takes one.
  EXPECT_EQ(3 * c, check.planned());
  EXPECT_EQ((Lines{{src + L"\\N", L"", L"1", Kb(3 * c), L"2"}, {src + L"\\N\\sub", L"", L"2", L"0", L"0"}}),
            sizeList());
}

TEST_F(Volumes, FatDestinationChargesOneClusterPerFolder) {
  const std::string host = FatDiskHostPath();
  if (host.empty()) GTEST_SKIP() << "the FAT volume fixture is not mounted (run through ctest as root with dosfstools)";
  MappedDrive drive(host);
  ASSERT_TRUE(drive.ok()) << drive.error();
  const std::wstring fatDest = drive / (L"m" + std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(CreateDirectoryW(fatDest.c_str(), nullptr));
  const CodeAndText fs = GetFileSystemName(fatDest);
  const std::int64_t c = ClusterSize(fatDest);
  if (fs.text.compare(0, 3, L"FAT") != 0) {
    RemoveTree(fatDest);
    RemoveDirectoryW(fatDest.c_str());
    GTEST_SKIP() << "Wine reports " << Utf8(fs.text) << " for the FAT volume (a fuse mount; the kernel has no vfat)";
  }
  EXPECT_EQ(1024, c);
  app().env.tamdir = fatDest;
  PutFile(src + L"\\F\\one.bin", std::string(1024, 'o'));
  PutFile(src + L"\\F\\sub\\small.bin", "s");
  SetRows({Row(src + L"\\F")});
  // A generation on the FAT volume: its folders are charged too.
  PutFile(fatDest + L"\\100501A\\C_F\\one.bin", std::string(1024, 'o'));
  Measure();
  EXPECT_EQ(1024, check.folderOverhead());
  // The page's one cluster, then per folder one cluster and the files.
  EXPECT_EQ(1024 + (1024 + 2048) + (1024 + 1024), check.planned());
  EXPECT_EQ((Lines{{src + L"\\F", L"", L"1", L"3", L"1"}, {src + L"\\F\\sub", L"", L"2", L"2", L"1"}}), sizeList());
  EXPECT_EQ(2048 + 1024 + 1024, check.lastUse());  // one.bin, C_F, 100501A itself
  RemoveTree(fatDest);
  RemoveDirectoryW(fatDest.c_str());
}

TEST_F(Volumes, FullDiskGivesTheShortageVerdict) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  const std::wstring full = drive / (L"measure-" + std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(CreateDirectoryW(full.c_str(), nullptr));
  const std::wstring filler = drive / (L"fill-" + std::to_wstring(GetCurrentProcessId()));
  {
    HANDLE h = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    const std::string chunk(65536, 'f');
    for (DWORD piece : {65536u, 4096u, 1u})
      for (DWORD put = piece; WriteFile(h, chunk.data(), piece, &put, nullptr) && put == piece;) {
      }
    CloseHandle(h);
  }
  app().env.tamdir = full;
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row(src + L"\\S")});
  Measure();
  EXPECT_EQ(L"　　　空き容量不足の可能性があります．", shown().msg);
  EXPECT_TRUE(shown().warnVisible);
  EXPECT_EQ(L"0 MB (  0%)", shown().free);
  DeleteFileW(filler.c_str());
  RemoveDirectoryW(full.c_str());
}

TEST_F(Volumes, DriveThatIsGoneShowsNoFiguresAsIfRead) {
  const wchar_t letter = UnusedDriveLetter();
  ASSERT_NE(0, letter);
  app().env.tamdir = std::wstring(1, letter) + L":\\Backup";
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row(src + L"\\S")});
  Measure();
  EXPECT_EQ(L"(不明)", shown().all);
  EXPECT_EQ(L"(不明)", shown().free);
  EXPECT_EQ(L"　　　バックアップ先の空き容量が読めません．", shown().msg);
  EXPECT_TRUE(shown().warnVisible);
  EXPECT_EQ(1, check.fileCount());  // the sources are still measured
}

TEST_F(Volumes, RemovedMediumAsksAndCancelMeasuresNothing) {
  const wchar_t letter = UnusedDriveLetter();
  ASSERT_NE(0, letter);
  app().env.tamdir = std::wstring(1, letter) + L":\\Backup";
  app().env.volname = L"USBKEY";
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row(src + L"\\S")});
  t.user.ExpectPrefix(app().env.tamdir + L":", kCancel);
  Measure();
  t.user.VerifyDone();
  EXPECT_TRUE(sizeList().empty());
  EXPECT_EQ(L"", shown().tamdir);
  EXPECT_EQ(L"容量測定が終了しました.", shown().status);
}

TEST_F(Volumes, MissingDestinationFolderMeasuresOnItsDrive) {
  app().env.tamdir = dest + L"\\not-yet";
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row(src + L"\\S")});
  Measure();
  EXPECT_EQ(L"0 MB (  0%)", shown().dest);
  EXPECT_NE(L"(不明)", shown().free);
  EXPECT_EQ(1, check.fileCount());
}

// Makes a folder unreadable on the host; false when that does not stop Wine
// from listing it (root reads everything).
bool MakeUnreadable(const std::wstring& folder) {
  const std::string host = HostPathOf(folder);
  if (host.empty() || !RunHostProgram(L"Z:\\bin\\chmod", {L"000", Wide(host)})) return false;
  for (int i = 0; i < 50; ++i) {
    std::vector<DirEntry> fs, ds;
    if (!ListFolder(folder, fs, ds)) return true;
    Sleep(50);
  }
  return false;
}
void MakeReadable(const std::wstring& folder) {
  RunHostProgram(L"Z:\\bin\\chmod", {L"755", Wide(HostPathOf(folder))});
  Sleep(200);
}

TEST_F(Volumes, FolderThatCannotBeListedIsMarkedNotCountedAsEmpty) {
  PutFile(src + L"\\S\\a.txt", "a");
  PutFile(src + L"\\S\\locked\\secret.txt", "s");
  SetRows({Row(src + L"\\S")});
  if (!MakeUnreadable(src + L"\\S\\locked")) {
    MakeReadable(src + L"\\S\\locked");
    GTEST_SKIP() << "the host lets this user read every folder (root)";
  }
  Measure();
  MakeReadable(src + L"\\S\\locked");
  ASSERT_NE(nullptr, Line(src + L"\\S\\locked"));
  EXPECT_EQ(L"(読込不可)", (*Line(src + L"\\S\\locked"))[3]);
  EXPECT_NE(L"", shown().msg);
}

TEST_F(Volumes, DestinationThatCannotBeListedShowsNoUseFigures) {
  PutFile(dest + L"\\100501A\\x.txt", "x");
  SetRows({});
  if (!MakeUnreadable(dest)) {
    MakeReadable(dest);
    GTEST_SKIP() << "the host lets this user read every folder (root)";
  }
  Measure();
  MakeReadable(dest);
  EXPECT_EQ(L"(読込不可)", shown().dest);
  EXPECT_EQ(L"(読込不可)", shown().past);
}

}  // namespace
}  // namespace ruzer::test

// Real volumes and bad input: an NTFS drive, a FAT volume, a full disk, a
// drive that is gone, folders that cannot be read.
#include <gtest/gtest.h>

#include <memory>

#include "engine/Sbakup.h"
#include "engine/Sdskio.h"
#include "measure/measure_fixture.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

using Lines = std::vector<std::vector<std::wstring>>;

std::wstring Kb(std::int64_t bytes) { return FormatUnits(bytes, 1024); }

wchar_t UnusedDriveLetter() {
  const DWORD used = GetLogicalDrives();
  for (wchar_t l = L'Y'; l >= L'G'; --l)
    if (!(used & (1u << (l - L'A')))) return l;
  return 0;
}

class OkMemo : public IMemoDialog {
 public:
  bool Show(std::wstring& memo) override {
    memo.clear();
    return true;
  }
};

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
  SetRows({Row({.caption = src + L"\\N"})});
  Measure();
  EXPECT_EQ(0, check.folderOverhead());
  EXPECT_EQ(c, check.clusterSize());
  // A file of exactly one cluster takes two; an empty one takes one.
  EXPECT_EQ(3 * c, check.planned());
  EXPECT_EQ((Lines{{src + L"\\N", L"", L"1", Kb(3 * c), L"2"}, {src + L"\\N\\sub", L"", L"2", L"0", L"0"}}),
            sizeList());
}

// The fixture's FAT volume as a Wine drive with a device, so that Wine reads
// the file system from the volume's boot sector as on a real disk.
struct FatVolume : Volumes {
  std::unique_ptr<MappedDrive> drive;
  std::wstring fatDest;
  void SetUp() override {
    const FatDisk fat = FatDiskHostPaths();
    if (!fat.ok()) GTEST_SKIP() << "the FAT volume fixture is not mounted (run through ctest as root with dosfstools)";
    drive = std::make_unique<MappedDrive>(fat.folder, DRIVE_FIXED, L"", fat.device);
    ASSERT_TRUE(drive->ok()) << drive->error();
    fatDest = *drive / (L"m" + std::to_wstring(GetCurrentProcessId()));
    ASSERT_TRUE(CreateDirectoryW(fatDest.c_str(), nullptr));
    app().env.tamdir = fatDest;
  }
  void TearDown() override {
    if (fatDest.empty()) return;
    RemoveTree(fatDest);
    RemoveDirectoryW(fatDest.c_str());
  }
  std::int64_t FreeBytes() {
    ULARGE_INTEGER avail{}, total{}, free{};
    EXPECT_TRUE(GetDiskFreeSpaceExW(fatDest.c_str(), &avail, &total, &free));
    return static_cast<std::int64_t>(free.QuadPart);
  }
};

// The image: mkfs.vfat -F 16 -S 512 -s 8.
constexpr std::int64_t kFatCluster = 4096;

TEST_F(FatVolume, IsReportedAsFatWithItsRealClusterSize) {
  const CodeAndText fs = GetFileSystemName(fatDest);
  EXPECT_EQ(0u, fs.code);
  EXPECT_EQ(L"FAT", fs.text);
  EXPECT_EQ(kFatCluster, ClusterSize(fatDest));
}

TEST_F(FatVolume, ChargesOneClusterPerFolderHereAndOnItsGenerations) {
  const std::int64_t c = kFatCluster;
  PutFile(src + L"\\F\\one.bin", std::string(static_cast<size_t>(c), 'o'));
  PutFile(src + L"\\F\\sub\\small.bin", "s");
  SetRows({Row({.caption = src + L"\\F"})});
  // Generations on the FAT volume: the latest and an older one, their folders charged too.
  PutFile(fatDest + L"\\100501A\\C_F\\one.bin", std::string(static_cast<size_t>(c), 'o'));
  PutFile(fatDest + L"\\100401A\\C_F\\a\\b\\deep.bin", std::string(static_cast<size_t>(c + 1), 'd'));
  PutFile(fatDest + L"\\100401A\\C_F\\empty.bin", "");
  Measure();
  EXPECT_EQ(c, check.clusterSize());
  EXPECT_EQ(c, check.folderOverhead());
  // The page's one cluster, then per folder one cluster and the files.
  EXPECT_EQ(c + (c + 2 * c) + (c + c), check.planned());
  EXPECT_EQ((Lines{{src + L"\\F", L"", L"1", Kb(3 * c), L"1"}, {src + L"\\F\\sub", L"", L"2", Kb(2 * c), L"1"}}),
            sizeList());
  EXPECT_EQ(2 * c + c + c, check.lastUse());  // one.bin, C_F, 100501A itself
  // deep.bin, empty.bin, the folders b, a, C_F and 100401A.
  EXPECT_EQ(2 * c + c + 4 * c, check.olderUse());
}

// Files below `folder` whose size fills whole clusters exactly (empty ones too).
int FilesFillingWholeClusters(const std::wstring& folder, std::int64_t cluster) {
  std::vector<DirEntry> files, folders;
  EXPECT_TRUE(ListFolder(folder, files, folders)) << Utf8(folder);
  int n = 0;
  for (const auto& f : files) n += static_cast<std::int64_t>(f.size) % cluster == 0 ? 1 : 0;
  for (const auto& d : folders) n += FilesFillingWholeClusters(folder + L"\\" + d.name, cluster);
  return n;
}

// The generation a real backup wrote to the FAT volume, measured afterwards,
// against the clusters the volume really gave it: each folder one cluster, as
// charged; each file its clusters, which the measurement counts one more of
// when the size fills them exactly.
TEST_F(FatVolume, GenerationUseAgreesWithTheClustersTheBackupTook) {
  OkMemo memo;
  app().memoDialog = &memo;
  const std::int64_t c = kFatCluster;
  for (const auto& [name, size] : std::vector<std::pair<std::wstring, std::int64_t>>{
           {L"empty.dat", 0}, {L"one.dat", 1}, {L"c-1.dat", c - 1}, {L"c.dat", c}, {L"c+1.dat", c + 1},
           {L"sub\\d.dat", 2 * c}, {L"sub\\deep\\e.dat", 5 * c - 480}, {L"sub\\deep\\f.dat", 3}})
    PutFile(src + L"\\G\\" + name, std::string(static_cast<size_t>(size), 'g'));
  MakeFolders(src + L"\\G\\hollow");
  SetRows({Row({.caption = src + L"\\G"})});
  Measure();
  EXPECT_EQ(8, check.fileCount());
  EXPECT_EQ(0, check.lastUse());

  const std::int64_t before = FreeBytes();
  t.clock.Set(2010, 5, 1);
  RunBackup(app());
  ASSERT_FALSE(app().BackupFailed);
  const std::int64_t taken = before - FreeBytes();
  ASSERT_GT(taken, 0);
  EXPECT_EQ(0, taken % c);

  Measure();
  const int exact = FilesFillingWholeClusters(fatDest + L"\\100501A", c);
  EXPECT_LE(3, exact);  // empty.dat, c.dat, d.dat and whatever the run keeps there
  EXPECT_EQ(taken + exact * c, check.lastUse());
  EXPECT_EQ(0, check.olderUse());
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
  SetRows({Row({.caption = src + L"\\S"})});
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
  SetRows({Row({.caption = src + L"\\S"})});
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
  SetRows({Row({.caption = src + L"\\S"})});
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
  SetRows({Row({.caption = src + L"\\S"})});
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
  SetRows({Row({.caption = src + L"\\S"})});
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

// Copying one file: attributes, times, the temporary name, and failures that
// must leave the previous target as it was.
#include <gtest/gtest.h>

#include "engine/Sdskio.h"
#include "engine/disk_helpers.h"
#include "support/drives.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

constexpr DWORD kRO = FILE_ATTRIBUTE_READONLY, kHid = FILE_ATTRIBUTE_HIDDEN, kSys = FILE_ATTRIBUTE_SYSTEM,
                kArc = FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kShown = kRO | kHid | kSys | kArc;

// A file with a distinct, old time stamp so that a copy that loses it shows.
void MakeOldFile(const std::wstring& path, const std::string& bytes, DWORD attributes) {
  ASSERT_TRUE(MakeFile(path, bytes));
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  SYSTEMTIME st{2009, 3, 0, 14, 10, 20, 30, 0};
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
  }
}

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 4099) & 0xFF);
  return s;
}

struct AttrCase {
  DWORD source;
  DWORD target;  // INVALID_FILE_ATTRIBUTES: no target yet
};

TEST(CopyFileKeepAttributes, CopiesDataTimeAndSourceAttributesOverAnyTarget) {
  const AttrCase cases[] = {
      {0, INVALID_FILE_ATTRIBUTES},
      {kRO | kHid, INVALID_FILE_ATTRIBUTES},
      {kArc, kRO},  // a read-only target is overwritten
      {kSys, kRO | kHid | kSys},
      {kRO, kRO},
      {kArc, kArc},
  };
  for (const auto& c : cases) {
    TempDir d;
    ASSERT_TRUE(MakeFolder(d / L"to"));
    MakeOldFile(d / L"src.dat", "new contents", c.source);
    if (c.target != INVALID_FILE_ATTRIBUTES) {
      ASSERT_TRUE(MakeFile(d / L"to\\src.dat", "old", c.target));
    }
    EXPECT_EQ(0u, CopyFileKeepAttributes(d / L"src.dat", d / L"to\\src.dat")) << c.source << "/" << c.target;
    EXPECT_EQ("new contents", ReadBytes(d / L"to\\src.dat"));
    EXPECT_EQ(AttrOf(d / L"src.dat") & kShown, AttrOf(d / L"to\\src.dat") & kShown) << c.source << "/" << c.target;
    EXPECT_TRUE(SameTime(LastWrite(d / L"src.dat"), LastWrite(d / L"to\\src.dat")));
    EXPECT_EQ(std::vector<std::wstring>{L"src.dat"}, NamesIn(d / L"to"));  // no temporary file left
  }
}

// What the caller's listings say is taken instead of asking the disk again;
// a listing that is out of date must still give the right copy.
TEST(CopyFileKeepAttributes, ListedFactsGiveTheSameCopyEvenWhenOutOfDate) {
  struct HintCase {
    DWORD source;
    DWORD target;       // on disk; INVALID_FILE_ATTRIBUTES: none
    DWORD listedTarget; // what the listing said; INVALID_FILE_ATTRIBUTES: missing
  };
  const HintCase cases[] = {
      {kArc, INVALID_FILE_ATTRIBUTES, INVALID_FILE_ATTRIBUTES},  // the first backup
      {kRO | kHid, INVALID_FILE_ATTRIBUTES, INVALID_FILE_ATTRIBUTES},
      {kArc, kRO, kRO},                      // listed read-only target
      {kSys, kRO | kHid, INVALID_FILE_ATTRIBUTES},  // a read-only target came after the listing
      {kArc, kRO, kArc},                     // it turned read-only after the listing
      {kRO, kArc, INVALID_FILE_ATTRIBUTES},
  };
  for (const auto& c : cases) {
    TempDir d;
    ASSERT_TRUE(MakeFolder(d / L"to"));
    MakeOldFile(d / L"src.dat", "new contents", c.source);
    if (c.target != INVALID_FILE_ATTRIBUTES) {
      ASSERT_TRUE(MakeFile(d / L"to\\src.dat", "old", c.target));
    }
    CopyHints hints;
    hints.sourceAttributes = AttrOf(d / L"src.dat");
    hints.targetKnown = true;
    hints.targetAttributes = c.listedTarget;
    const std::string label = std::to_string(c.source) + "/" + std::to_string(c.target) + "/" +
                              std::to_string(c.listedTarget);
    EXPECT_EQ(0u, CopyFileKeepAttributes(d / L"src.dat", d / L"to\\src.dat", &hints)) << label;
    EXPECT_EQ("new contents", ReadBytes(d / L"to\\src.dat")) << label;
    EXPECT_EQ(AttrOf(d / L"src.dat") & kShown, AttrOf(d / L"to\\src.dat") & kShown) << label;
    EXPECT_TRUE(SameTime(LastWrite(d / L"src.dat"), LastWrite(d / L"to\\src.dat"))) << label;
    EXPECT_EQ(std::vector<std::wstring>{L"src.dat"}, NamesIn(d / L"to")) << label;
  }
}

TEST(CopyFileKeepAttributes, FailuresGiveTheCodeAndLeaveTheTargetAlone) {
  TempDir d;
  ASSERT_TRUE(MakeFolder(d / L"to"));
  MakeOldFile(d / L"to\\t.dat", "previous", kRO | kHid);
  const DWORD before = AttrOf(d / L"to\\t.dat");
  ASSERT_TRUE(MakeFile(d / L"src.dat", "new"));

  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), CopyFileKeepAttributes(d / L"missing.dat", d / L"to\\t.dat"));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), CopyFileKeepAttributes(d / L"src.dat", d / L"nowhere\\t.dat"));
  {
    LockedFile lock(d / L"src.dat");
    ASSERT_TRUE(lock.ok());
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), CopyFileKeepAttributes(d / L"src.dat", d / L"to\\t.dat"));
  }
  {
    // The copy is made, but an open target cannot be replaced: it stays.
    LockedFile lock(d / L"to\\t.dat", FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(lock.ok());
    const DWORD err = CopyFileKeepAttributes(d / L"src.dat", d / L"to\\t.dat");
    EXPECT_TRUE(err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION) << err;
  }
  ASSERT_TRUE(MakeFolder(d / L"to\\dir.dat"));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), CopyFileKeepAttributes(d / L"src.dat", d / L"to\\dir.dat"));
  EXPECT_EQ(PathKind(d / L"to\\dir.dat"), 2);
  RemoveDirectoryW((d / L"to\\dir.dat").c_str());
  EXPECT_EQ("previous", ReadBytes(d / L"to\\t.dat"));
  EXPECT_EQ(before, AttrOf(d / L"to\\t.dat"));
  EXPECT_EQ(std::vector<std::wstring>{L"t.dat"}, NamesIn(d / L"to"));
}

TEST(CopyFileKeepAttributes, FullDiskGives112AndKeepsThePreviousCopy) {
  std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  TempDir d;
  std::wstring folder = drive / (L"copy-" + std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(MakeFolder(folder));
  ASSERT_TRUE(MakeFile(folder + L"\\big.dat", "previous copy"));
  ASSERT_TRUE(MakeFile(d / L"big.dat", Pattern(3 * 1048576)));  // more than the whole disk
  EXPECT_EQ(DWORD(ERROR_DISK_FULL), CopyFileKeepAttributes(d / L"big.dat", folder + L"\\big.dat"));
  EXPECT_EQ("previous copy", ReadBytes(folder + L"\\big.dat"));
  EXPECT_EQ(std::vector<std::wstring>{L"big.dat"}, NamesIn(folder));
  // The shell's copy of a large file fails the same way and leaves nothing either.
  TestApp t;
  EXPECT_NE(0u, CopyOneFile(t.app, d / L"big.dat", folder + L"\\big.dat", kLargeFileThreshold + 1));
  EXPECT_EQ("previous copy", ReadBytes(folder + L"\\big.dat"));
  EXPECT_EQ(std::vector<std::wstring>{L"big.dat"}, NamesIn(folder));
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, folder));
}

// Both ways of copying (plain up to the threshold, large beyond it; the large
// one through CopyFileExW where the path is too long for the shell) give the
// same result.
TEST(CopyOneFile, BothSidesOfTheThresholdOnALongPath) {
  TempDir d;
  std::wstring deep = d.path();
  for (int i = 0; i < 6; ++i) deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
  TestApp t;
  ASSERT_TRUE(CreateFolderReported(t.app, deep));
  MakeOldFile(d / L"s.dat", "payload", kHid);
  ASSERT_TRUE(MakeFile(LongPath(deep + L"\\large.dat"), "older", kRO));
  EXPECT_EQ(0u, CopyOneFile(t.app, d / L"s.dat", deep + L"\\plain.dat", kLargeFileThreshold));
  EXPECT_EQ(0u, CopyOneFile(t.app, d / L"s.dat", deep + L"\\large.dat", kLargeFileThreshold + 1));
  for (const wchar_t* name : {L"plain.dat", L"large.dat"}) {
    std::wstring target = LongPath(deep + L"\\" + name);
    EXPECT_EQ("payload", ReadBytes(target)) << Utf8(name);
    EXPECT_EQ(AttrOf(d / L"s.dat"), AttrOf(target)) << Utf8(name);
    EXPECT_TRUE(SameTime(LastWrite(d / L"s.dat"), LastWrite(target))) << Utf8(name);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"large.dat", L"plain.dat"}), NamesIn(LongPath(deep)));
  EXPECT_FALSE(t.app.AbortRequested);
  EXPECT_TRUE(DeleteFolderTree(t.app, d / std::wstring(50, L'a')));
}

TEST(CopyOneFile, LargeFileThroughTheShellKeepsDataTimeAndAttributes) {
  TempDir d;
  ASSERT_TRUE(MakeFolder(d / L"to"));
  const std::string data = Pattern(kLargeFileThreshold + 1);
  MakeOldFile(d / L"big.bin", data, kRO | kArc);
  ASSERT_TRUE(MakeFile(d / L"to\\big.bin", "older", kRO | kHid));
  TestApp t;
  EXPECT_EQ(0u, CopyOneFile(t.app, d / L"big.bin", d / L"to\\big.bin", kLargeFileThreshold + 1));
  EXPECT_FALSE(t.app.AbortRequested);
  EXPECT_TRUE(ReadBytes(d / L"to\\big.bin") == data);
  EXPECT_EQ(AttrOf(d / L"big.bin"), AttrOf(d / L"to\\big.bin"));
  EXPECT_TRUE(SameTime(LastWrite(d / L"big.bin"), LastWrite(d / L"to\\big.bin")));
  EXPECT_EQ(std::vector<std::wstring>{L"big.bin"}, NamesIn(d / L"to"));
}

// Every file operation works below MAX_PATH and far beyond it.
TEST(LongPaths, TreeDeeperThanMaxPath) {
  TempDir d;
  TestApp t;
  std::wstring top = d / L"long";
  std::wstring deep = top;
  for (int i = 0; i < 8; ++i) deep += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + i)) + L"日本";
  ASSERT_GT(deep.size(), 300u);
  ASSERT_TRUE(CreateFolderReported(t.app, deep));
  EXPECT_EQ(2, PathKind(deep));
  EXPECT_TRUE(FolderIsEmpty(deep));
  ASSERT_TRUE(MakeFile(d / L"s.txt", "long way", kRO));

  std::wstring file = deep + L"\\s.txt";
  EXPECT_EQ(0u, CopyFileKeepAttributes(d / L"s.txt", file));
  EXPECT_EQ(1, PathKind(file));
  EXPECT_FALSE(FolderIsEmpty(deep));
  EXPECT_EQ(0u, CopyFileKeepAttributes(d / L"s.txt", file));  // over its read-only self
  EXPECT_EQ(0u, CopyOneFile(t.app, d / L"s.txt", deep + L"\\big.txt", kLargeFileThreshold + 1));

  std::vector<DirEntry> files, folders;
  ASSERT_TRUE(ListFolder(deep, files, folders));
  EXPECT_EQ(2u, files.size());
  DirEntry e;
  ASSERT_TRUE(LookupEntry(file, e));
  EXPECT_EQ(8u, e.size);
  EXPECT_TRUE(e.attributes & FILE_ATTRIBUTE_READONLY);

  EXPECT_TRUE(MovePath(file, deep + L"\\moved.txt"));
  EXPECT_EQ(0, PathKind(file));
  EXPECT_TRUE(DeleteFileForced(deep + L"\\moved.txt"));
  EXPECT_EQ(0, PathKind(deep + L"\\moved.txt"));

  ASSERT_TRUE(CopyFileKeepAttributes(d / L"s.txt", deep + L"\\left.txt") == 0);
  EXPECT_TRUE(DeleteFolderTree(t.app, top));
  EXPECT_EQ(0, PathKind(top));
}

}  // namespace
}  // namespace ruzer::test

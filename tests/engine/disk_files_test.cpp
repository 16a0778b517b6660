// Path kinds, forced deletion, folder creation and listing on real files.
#include <gtest/gtest.h>

#include "base/disk.h"
#include "engine/disk_helpers.h"
#include "support/drives.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

TEST(PathKind, NothingFileOrFolder) {
  TempDir d;
  ASSERT_TRUE(MakeFile(d / L"f.txt", "x"));
  ASSERT_TRUE(MakeFile(d / L"h.txt", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(MakeFolder(d / L"sub"));
  const std::pair<std::wstring, int> cases[] = {
      {d / L"missing", 0}, {L"", 0},          {d / L"f.txt", 1}, {d / L"h.txt", 1},
      {d / L"sub", 2},     {d / L"sub\\", 2}, {d.path(), 2},     {d / L"f.txt\\x", 0},
  };
  for (const auto& [path, kind] : cases) EXPECT_EQ(kind, PathKind(path)) << Utf8(path);
}

TEST(DeleteFileForced, DeletesWhateverTheAttributes) {
  const DWORD attributes[] = {0,
                              FILE_ATTRIBUTE_ARCHIVE,
                              FILE_ATTRIBUTE_READONLY,
                              FILE_ATTRIBUTE_HIDDEN,
                              FILE_ATTRIBUTE_SYSTEM,
                              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE};
  TempDir d;
  for (DWORD a : attributes) {
    std::wstring f = d / (L"f" + std::to_wstring(a));
    ASSERT_TRUE(MakeFile(f, "data", a));
    EXPECT_TRUE(DeleteFileForced(f)) << a;
    EXPECT_EQ(0, PathKind(f)) << a;
  }
}

TEST(DeleteFileForced, MissingLockedOrFolderIsNotDeleted) {
  TempDir d;
  EXPECT_FALSE(DeleteFileForced(d / L"missing"));
  ASSERT_TRUE(MakeFile(d / L"locked.txt", "x"));
  {
    LockedFile lock(d / L"locked.txt");
    ASSERT_TRUE(lock.ok());
    EXPECT_FALSE(DeleteFileForced(d / L"locked.txt"));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  }
  EXPECT_EQ(1, PathKind(d / L"locked.txt"));
  ASSERT_TRUE(MakeFolder(d / L"sub"));
  ASSERT_TRUE(SetFileAttributesW((d / L"sub").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(DeleteFileForced(d / L"sub"));
  EXPECT_EQ(2, PathKind(d / L"sub"));
}

TEST(DeleteFolderTree, MissingPathIsTrueAndSilent) {
  TempDir d;
  TestApp t;  // any message would fail the test
  EXPECT_TRUE(DeleteFolderTree(t.app, d / L"missing"));
  EXPECT_TRUE(DeleteFolderTree(t.app, d / L"missing\\deeper"));
}

TEST(DeleteFolderTree, RemovesReadOnlyHiddenSystemEntriesAtAnyDepth) {
  TempDir d;
  std::wstring root = d / L"tree";
  ASSERT_TRUE(MakeFolder(root));
  ASSERT_TRUE(MakeFolder(root + L"\\a"));
  ASSERT_TRUE(MakeFolder(root + L"\\a\\b"));
  ASSERT_TRUE(MakeFile(root + L"\\top.txt", "1", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MakeFile(root + L"\\a\\h.txt", "2", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(MakeFile(root + L"\\a\\b\\ro.txt", "3", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(MakeFile(root + L"\\a\\b\\plain.txt", "4", FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesW((root + L"\\a\\b").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_READONLY));
  TestApp t;
  EXPECT_TRUE(DeleteFolderTree(t.app, root));
  EXPECT_EQ(0, PathKind(root));
  EXPECT_EQ(2, PathKind(d.path()));
}

TEST(DeleteFolderTree, StopsSilentlyAtAnEntryThatCannotBeDeleted) {
  TempDir d;
  std::wstring root = d / L"tree";
  ASSERT_TRUE(MakeFolder(root));
  ASSERT_TRUE(MakeFolder(root + L"\\sub"));
  ASSERT_TRUE(MakeFile(root + L"\\sub\\locked.txt", "x"));
  TestApp t;  // no message for a failed entry
  {
    LockedFile lock(root + L"\\sub\\locked.txt");
    ASSERT_TRUE(lock.ok());
    EXPECT_FALSE(DeleteFolderTree(t.app, root));
  }
  EXPECT_EQ(1, PathKind(root + L"\\sub\\locked.txt"));
  EXPECT_EQ(2, PathKind(root + L"\\sub"));
  EXPECT_EQ(2, PathKind(root));
  EXPECT_TRUE(DeleteFolderTree(t.app, root));  // once it is free
  EXPECT_EQ(0, PathKind(root));
}

TEST(DeleteFolderTree, ReportsAnEmptiedFolderThatStays) {
  TempDir d;
  std::wstring root = d / L"held";
  ASSERT_TRUE(MakeFolder(root));
  ASSERT_TRUE(MakeFile(root + L"\\f.txt", "x"));
  TestApp t;
  ExpectBox(t.user, L"<" + root + L"> フォルダが削除できません.", MsgKind::Error);
  {
    // The folder itself is open: its entries can go, the folder cannot.
    LockedFile lock(root, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(lock.ok());
    EXPECT_FALSE(DeleteFolderTree(t.app, root));
  }
  t.user.VerifyDone();
  EXPECT_EQ(0, PathKind(root + L"\\f.txt"));  // its content went first
  EXPECT_EQ(2, PathKind(root));
}

// A link inside the tree must go as a link: what it points to stays. (Wine 8
// cannot remove a folder link at all: RemoveDirectoryW looks through it and
// reports 145, so there the deletion stops at the link; Windows removes it.)
TEST(DeleteFolderTree, NeverFollowsAFolderLink) {
  TempDir d;
  std::wstring outside = d / L"outside";
  ASSERT_TRUE(MakeFolder(outside));
  ASSERT_TRUE(MakeFile(outside + L"\\precious.txt", "keep me"));
  std::wstring root = d / L"tree";
  ASSERT_TRUE(MakeFolder(root));
  ASSERT_TRUE(MakeFolderSymlink(root + L"\\link", outside));
  ASSERT_TRUE(MakeFile(root + L"\\f.txt", "x"));
  TestApp t;
  t.user.AnswerAnyWithDefault();
  if (DeleteFolderTree(t.app, root)) {
    EXPECT_EQ(0, PathKind(root));
  } else {
    EXPECT_EQ(2, PathKind(root + L"\\link"));
    EXPECT_TRUE(t.user.shown().empty());  // a failed entry gives no message
  }
  EXPECT_EQ("keep me", ReadBytes(outside + L"\\precious.txt"));

  // The path itself being a link: at most the link goes.
  ASSERT_TRUE(MakeFolderSymlink(d / L"link2", outside));
  DeleteFolderTree(t.app, d / L"link2");
  EXPECT_EQ("keep me", ReadBytes(outside + L"\\precious.txt"));
  EXPECT_EQ(2, PathKind(outside));
  RemoveFolderSymlink(root + L"\\link");
  RemoveFolderSymlink(d / L"link2");
}

TEST(FolderIsEmpty, OnlyAListableFolderWithoutEntries) {
  TempDir d;
  ASSERT_TRUE(MakeFolder(d / L"empty"));
  ASSERT_TRUE(MakeFolder(d / L"withFile"));
  ASSERT_TRUE(MakeFile(d / L"withFile\\h", "", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(MakeFolder(d / L"withFolder"));
  ASSERT_TRUE(MakeFolder(d / L"withFolder\\x"));
  ASSERT_TRUE(MakeFile(d / L"file", "x"));
  const std::pair<std::wstring, bool> cases[] = {
      {d / L"empty", true}, {d / L"withFile", false}, {d / L"withFolder", false},
      {d / L"missing", false}, {d / L"file", false},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(expected, FolderIsEmpty(path)) << Utf8(path);
}

TEST(CreateFolderReported, CreatesMissingParentsAndAcceptsExisting) {
  TempDir d;
  TestApp t;
  EXPECT_TRUE(CreateFolderReported(t.app, d / L"a\\b\\c"));
  EXPECT_EQ(2, PathKind(d / L"a\\b\\c"));
  EXPECT_TRUE(CreateFolderReported(t.app, d / L"a\\b\\c"));
  EXPECT_TRUE(CreateFolderReported(t.app, d / L"x\\y\\"));
  EXPECT_EQ(2, PathKind(d / L"x\\y"));
  EXPECT_TRUE(CreateFolderReported(t.app, d / L"日本語\\フォルダ"));
  EXPECT_TRUE(CreateFolderReported(t.app, d.path().substr(0, 3)));  // a drive root exists
}

// The message names the real obstacle: a file where a folder must be.
TEST(CreateFolderReported, ReportsAFileInTheWay) {
  TempDir d;
  ASSERT_TRUE(MakeFile(d / L"file", "x"));
  for (const std::wstring& path : {d / L"file", d / L"file\\sub", d / L"file\\sub\\deeper"}) {
    TestApp t;
    ExpectBox(t.user, L"<" + path + L">フォルダの作成失敗.\r\n" + SystemErrorText(ERROR_ALREADY_EXISTS),
              MsgKind::Error);
    EXPECT_FALSE(CreateFolderReported(t.app, path)) << Utf8(path);
    t.user.VerifyDone();
  }
  EXPECT_EQ("x", ReadBytes(d / L"file"));
}

TEST(CreateFolderReported, ReportsAMissingDrive) {
  DWORD drives = GetLogicalDrives();
  wchar_t letter = 0;
  for (wchar_t c = L'L'; c >= L'D' && !letter; --c)
    if (!(drives & (1u << (c - L'A')))) letter = c;
  ASSERT_NE(0, letter);
  std::wstring path = std::wstring(1, letter) + L":\\nowhere\\x";
  TestApp t;
  t.user.ExpectPrefix(L"<" + path + L">フォルダの作成失敗.\r\n");
  EXPECT_FALSE(CreateFolderReported(t.app, path));
  t.user.VerifyDone();
  ASSERT_EQ(1u, t.user.shown().size());
  EXPECT_GT(t.user.shown()[0].text.size(), path.size() + 16);  // the system text follows
}

TEST(ListFolder, FilesAndFoldersWithTheirDataButNoDots) {
  TempDir d;
  ASSERT_TRUE(MakeFile(d / L"a.txt", "12345"));
  ASSERT_TRUE(MakeFile(d / L"h.bin", "", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(MakeFolder(d / L"sub"));
  ASSERT_TRUE(MakeFolder(d / L"empty"));
  ASSERT_TRUE(MakeFolderSymlink(d / L"link", d / L"sub"));
  std::vector<DirEntry> files, folders;
  ASSERT_TRUE(ListFolder(d.path(), files, folders));
  ASSERT_EQ(2u, files.size());
  ASSERT_EQ(3u, folders.size());
  for (const auto& f : files) {
    if (f.name == L"a.txt") {
      EXPECT_EQ(5u, f.size);
      EXPECT_TRUE(SameTime(LastWrite(d / L"a.txt"), f.lastWrite));
    } else {
      EXPECT_EQ(L"h.bin", f.name);
      EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                f.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }
  }
  for (const auto& f : folders) {
    EXPECT_TRUE(f.attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(f.name == L"link", (f.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) << Utf8(f.name);
  }
  RemoveFolderSymlink(d / L"link");

  EXPECT_TRUE(ListFolder(d / L"empty", files, folders));
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(folders.empty());
  EXPECT_FALSE(ListFolder(d / L"missing", files, folders));
  EXPECT_FALSE(ListFolder(d / L"a.txt", files, folders));
}

TEST(ListFolder, EmptyDriveRootIsListable) {
  TempDir host;
  MappedDrive drive(host.hostPath());
  ASSERT_TRUE(drive.ok()) << drive.error();
  std::wstring bare = drive.root().substr(0, 2);  // "Q:"
  std::vector<DirEntry> files, folders;
  EXPECT_TRUE(ListFolder(bare, files, folders));
  EXPECT_TRUE(files.empty());
  ASSERT_TRUE(MakeFile(drive / L"top.txt", "x"));
  EXPECT_TRUE(ListFolder(bare, files, folders));
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(L"top.txt", files[0].name);
}

TEST(LookupEntry, FileFolderAndMissing) {
  TempDir d;
  ASSERT_TRUE(MakeFile(d / L"f.txt", "abc", FILE_ATTRIBUTE_READONLY));
  DirEntry e;
  ASSERT_TRUE(LookupEntry(d / L"f.txt", e));
  EXPECT_EQ(L"f.txt", e.name);
  EXPECT_EQ(3u, e.size);
  EXPECT_TRUE(e.attributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(SameTime(LastWrite(d / L"f.txt"), e.lastWrite));
  {
    LockedFile lock(d / L"f.txt");  // a file in use still has its data
    ASSERT_TRUE(LookupEntry(d / L"f.txt", e));
    EXPECT_EQ(3u, e.size);
  }
  ASSERT_TRUE(LookupEntry(d.path(), e));
  EXPECT_TRUE(e.attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(LookupEntry(d / L"missing", e));
}

TEST(MovePath, MovesFilesAndFoldersButDoesNotReplace) {
  TempDir d;
  ASSERT_TRUE(MakeFile(d / L"a.txt", "a"));
  ASSERT_TRUE(MakeFolder(d / L"dir"));
  ASSERT_TRUE(MakeFile(d / L"dir\\in.txt", "in"));
  ASSERT_TRUE(MakeFolder(d / L"to"));
  EXPECT_TRUE(MovePath(d / L"a.txt", d / L"to\\a.txt"));
  EXPECT_TRUE(MovePath(d / L"dir", d / L"to\\dir"));
  EXPECT_EQ("a", ReadBytes(d / L"to\\a.txt"));
  EXPECT_EQ("in", ReadBytes(d / L"to\\dir\\in.txt"));
  ASSERT_TRUE(MakeFile(d / L"b.txt", "b"));
  EXPECT_FALSE(MovePath(d / L"b.txt", d / L"to\\a.txt"));
  EXPECT_EQ("a", ReadBytes(d / L"to\\a.txt"));
  EXPECT_FALSE(MovePath(d / L"missing", d / L"to\\m"));
}

}  // namespace
}  // namespace ruzer::test

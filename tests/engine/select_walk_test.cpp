// Which folders a row's walk visits: reparse points, excluded folders, the
// sub-folder switch; and the two system files a backup never copies.
#include <gtest/gtest.h>

#include "engine/Select.h"
#include "engine/disk_helpers.h"
#include "support/drives.h"
#include "support/scripted.h"
#include "support/source_row.h"

namespace ruzer::test {
namespace {

using Names = std::vector<std::wstring>;

class Walk : public ::testing::Test {
 protected:
  void SetUp() override {
    // src\{a.txt, sub1\{b.txt, deep\c.txt}, sub2\d.txt, Skip\e.txt, link -> outside}
    src = d / L"src";
    for (const wchar_t* f : {L"src", L"src\\sub1", L"src\\sub1\\deep", L"src\\sub2", L"src\\Skip", L"outside"})
      ASSERT_TRUE(MakeFolder(d / f));
    for (const wchar_t* f : {L"src\\a.txt", L"src\\sub1\\b.txt", L"src\\sub1\\deep\\c.txt", L"src\\sub2\\d.txt",
                             L"src\\Skip\\e.txt", L"outside\\o.txt"})
      ASSERT_TRUE(MakeFile(d / f, "x"));
    ASSERT_TRUE(MakeFolderSymlink(src + L"\\link", d / L"outside"));
  }
  void TearDown() override { RemoveFolderSymlink(src + L"\\link"); }

  // Visited folders relative to the temp folder, in walk order.
  Names Visit(const SourceRow& row, bool* completed = nullptr) {
    Names seen;
    bool done = WalkRowFolders(t.app, row, [&](const std::wstring& folder, const std::vector<DirEntry>& files,
                                               const std::vector<DirEntry>&) {
      seen.push_back(folder.substr(d.path().size() + 1));
      for (const auto& f : files) EXPECT_FALSE(f.attributes & FILE_ATTRIBUTE_DIRECTORY);
      return true;
    });
    if (completed) *completed = done;
    return seen;
  }
  TempDir d;
  std::wstring src;
  TestApp t;
};

TEST_F(Walk, SymlinkedFolderIsAReparsePointAndSkipped) {
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_REPARSE_POINT), AttrOf(src + L"\\link") & FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_TRUE(IsSkippedFolder(src + L"\\link"));
  EXPECT_TRUE(IsSkippedFolder(d / L"missing"));
  EXPECT_TRUE(IsSkippedFolder(L""));
  EXPECT_FALSE(IsSkippedFolder(src));
  EXPECT_FALSE(IsSkippedFolder(src + L"\\"));
  EXPECT_TRUE(IsSkippedAttributes(INVALID_FILE_ATTRIBUTES));
  EXPECT_TRUE(IsSkippedAttributes(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_FALSE(IsSkippedAttributes(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(Walk, WithSubfoldersEveryFolderButLinksAndExcludedOnes) {
  bool done = false;
  Names seen = Visit(Row({.caption = src, .excluded = L"sub1\\deep:SKIP"}), &done);
  EXPECT_TRUE(done);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(L"src", seen.front());
  EXPECT_EQ((Names{L"src", L"src\\sub1", L"src\\sub2"}), Sorted(seen));
  // Depth first: a folder's sub-folders come right after it.
  Names all = Visit(Row({.caption = src + L"\\"}));
  EXPECT_EQ((Names{L"src", L"src\\Skip", L"src\\sub1", L"src\\sub1\\deep", L"src\\sub2"}), Sorted(all));
  auto at = [&](const wchar_t* n) { return std::find(all.begin(), all.end(), n) - all.begin(); };
  EXPECT_EQ(at(L"src\\sub1") + 1, at(L"src\\sub1\\deep"));
}

TEST_F(Walk, SwitchOffEmptyPatternsMissingOrLinkedSourceFolder) {
  for (const std::wstring mark : {L" ", L"", L"O", L"oo"})
    EXPECT_EQ((Names{L"src"}), Visit(Row({.caption = src, .mark = mark}))) << Utf8(mark);
  EXPECT_TRUE(Visit(Row({.caption = src, .save = L""})).empty());
  EXPECT_TRUE(Visit(Row({.caption = d / L"missing"})).empty());
  EXPECT_TRUE(Visit(Row({.caption = src + L"\\link"})).empty());  // a source folder that is a link
  EXPECT_FALSE(RowIsWalked(Row({.caption = src, .save = L""})));
  EXPECT_FALSE(RowIsWalked(Row({.caption = d / L"src\\a.txt"})));
  EXPECT_TRUE(RowIsWalked(Row({.caption = src + L"\\", .mark = L" "})));
  EXPECT_TRUE(RowIncludesSubfolders(Row({.caption = src})));
  EXPECT_FALSE(RowIncludesSubfolders(Row({.caption = src, .mark = L"O"})));
}

TEST_F(Walk, VisitorOrAbortStopsTheWalk) {
  int calls = 0;
  EXPECT_FALSE(WalkRowFolders(t.app, Row({.caption = src}), [&](auto&, auto&, auto&) { return ++calls < 2; }));
  EXPECT_EQ(2, calls);
  calls = 0;
  t.view.onPump = [&] { t.app.AbortRequested = calls > 0; };
  EXPECT_FALSE(WalkRowFolders(t.app, Row({.caption = src}), [&](auto&, auto&, auto&) { return ++calls > 0; }));
  EXPECT_EQ(1, calls);
}

TEST(ExcludedFolder, WholePathsCompareIgnoringCase) {
  SourceRow row = Row({.caption = L"C:\\Data\\", .excluded = L"tmp:sub\\Deep:日本語"});
  const std::pair<std::wstring, bool> cases[] = {
      {L"C:\\Data\\tmp", true},     {L"c:\\DATA\\TMP", true},    {L"C:\\Data\\tmp\\x", false},
      {L"C:\\Data\\sub\\deep", true}, {L"C:\\Data\\sub", false},   {L"C:\\Data\\tmp2", false},
      {L"C:\\Data\\日本語", true},  {L"C:\\Data", false},         {L"C:\\Data\\tmp\\", false},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(expected, IsExcludedFolder(row, path)) << Utf8(path);
  EXPECT_TRUE(IsExcludedFolder(Row({.caption = L"C:\\", .excluded = L"tmp"}), L"C:\\TMP"));
  EXPECT_FALSE(IsExcludedFolder(Row({.caption = L"C:\\Data"}), L"C:\\Data\\"));
  std::vector<std::wstring> full = {L"C:\\Data\\Ä"};
  EXPECT_TRUE(IsExcludedFolder(full, L"c:\\data\\ä"));
  EXPECT_EQ(L"C:", RowSourceFolder(Row({.caption = L"C:\\"})));
  EXPECT_EQ(L"C:\\Data", RowSourceFolder(Row({.caption = L"C:\\Data\\"})));
}

TEST(SystemFiles, OnlyOnTheRootOfTheWindowsDrive) {
  const std::vector<std::wstring> sys = SystemFilePaths();
  const std::wstring root = WindowsDriveRoot();
  std::wstring other = L"Q:\\";
  if (towupper(root[0]) == L'Q') other = L"R:\\";
  std::wstring lowerRoot = root;
  lowerRoot[0] = static_cast<wchar_t>(towlower(lowerRoot[0]));
  struct Case {
    std::wstring dir, name;
    bool expected;
  };
  const Case cases[] = {
      {root, L"hiberfil.sys", true},  {root, L"PAGEFILE.SYS", true},     {lowerRoot, L"pagefile.sys", true},
      {root, L"swapfile.sys", false}, {root + L"sub\\", L"pagefile.sys", false}, {other, L"pagefile.sys", false},
      {other, L"hiberfil.sys", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, IsSystemFile(sys, c.dir, c.name)) << Utf8(c.dir + c.name);
}

}  // namespace
}  // namespace ruzer::test

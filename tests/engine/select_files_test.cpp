// Which files of a folder a row's save and exclude patterns select.
#include <gtest/gtest.h>

#include "engine/Select.h"
#include "engine/disk_helpers.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

using Names = std::vector<std::wstring>;

TEST(MatchPattern, WildcardsOnTheLongNameIgnoringCase) {
  struct Case {
    const wchar_t* pattern;
    const wchar_t* name;
    bool match;
  };
  const Case cases[] = {
      {L"*.*", L"a.txt", true},     {L"*.*", L"noext", true},       {L"*", L"noext", true},
      {L"*", L".hidden", true},     {L"*.txt", L"A.TXT", true},     {L"*.TXT", L"a.txt", true},
      {L"*.txt", L"a.txt.bak", false}, {L"*.txt", L"txt", false},  {L"*.tx", L"a.txt", false},
      {L"?.doc", L"a.doc", true},   {L"?.doc", L"ab.doc", false},   {L"?.doc", L".doc", false},
      {L"a?c", L"abc", true},       {L"a?c", L"ac", false},         {L"~*", L"~$x.doc", true},
      {L"~*", L"a~b", false},       {L"a*b*c", L"axxbyyc", true},   {L"a*b*c", L"axxcyyb", false},
      {L"*a", L"banana", true},     {L"*.*.*", L"a.b.c", true},     {L"data.*", L"data", true},
      {L"data.*", L"data.2010", true}, {L"data.*", L"database", false}, {L"*.", L"noext", true},
      {L"*.", L"a.txt", false},     {L"ÄÖ*", L"äöx", true},         {L"ｄａｔａ*", L"ＤＡＴＡ1", true},
      {L"日本*.txt", L"日本語.TXT", true}, {L"", L"a", false},      {L"**", L"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.match, MatchPattern(c.pattern, c.name)) << Utf8(c.pattern) << " ~ " << Utf8(c.name);
  EXPECT_TRUE(IsWildcardPattern(L"a*"));
  EXPECT_TRUE(IsWildcardPattern(L"a?"));
  EXPECT_FALSE(IsWildcardPattern(L"a.txt"));
}

class Selection : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* n : {L"a.doc", L"B.DOC", L"~tmp.doc", L"c.xls", L"~d.xls", L"a.txt", L"noext", L"日本語.txt"})
      ASSERT_TRUE(MakeFile(d / n, "x"));
    ASSERT_TRUE(MakeFile(d / L"hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MakeFile(d / L"system.txt", "x", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MakeFile(d / L"readonly.txt", "x", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFolder(d / L"folder.txt"));  // a folder that patterns match
    ASSERT_TRUE(MakeFolder(d / L"sub"));
    ASSERT_TRUE(MakeFile(d / L"sub\\inner.txt", "x"));
  }
  // Both forms: reading the folder itself, and from a listing read once.
  Names Select(const std::wstring& save, const std::wstring& exclude) {
    Names direct = SelectFiles(d.path(), save, exclude);
    std::vector<DirEntry> files, folders;
    EXPECT_TRUE(ListFolder(d.path(), files, folders));
    EXPECT_EQ(direct, SelectFiles(files, save, exclude)) << Utf8(save) << " / " << Utf8(exclude);
    return direct;
  }
  TempDir d;
};

TEST_F(Selection, WildcardSelectionLessExcludedNames) {
  struct Case {
    std::wstring save, exclude;
    Names expected;  // compared as sets: listing order is the file system's
  };
  const Names allTxt = {L"a.txt", L"hidden.txt", L"readonly.txt", L"system.txt", L"日本語.txt"};
  const Case cases[] = {
      {L"*.doc:*.xls", L"~*", {L"B.DOC", L"a.doc", L"c.xls"}},
      {L"*.txt", L"", allTxt},  // hidden, system and read-only files too; never folders
      {L"*.txt", L"A.TXT", {L"hidden.txt", L"readonly.txt", L"system.txt", L"日本語.txt"}},
      {L"*.txt", L"*.TXT", {}},
      {L"*.*", L"*.txt:*.doc:*.xls", {L"noext"}},
      {L"*", L"*.*", {}},
      {L"?.doc", L"", {L"B.DOC", L"a.doc"}},
      {L"*.txt", L"missing.txt:zzz*", allTxt},  // excluding what is not there removes nothing
      {L"*.xls::*.doc", L"~*", {L"B.DOC", L"a.doc", L"c.xls"}},  // the empty pattern selects nothing
      {L"*.doc", L"::", {L"B.DOC", L"a.doc", L"~tmp.doc"}},
      {L"", L"", {}},
      {L":", L"", {}},
      {L"sub", L"", {}},         // a literal naming a folder selects nothing
      {L"folder.txt", L"", {}},
      {L"missing.txt", L"", {}},
      {L"sub\\inner.txt", L"", {}},  // never a file of a sub-folder
      {L"日本語.TXT", L"", {L"日本語.TXT"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Sorted(c.expected), Sorted(Select(c.save, c.exclude))) << Utf8(c.save) << " / " << Utf8(c.exclude);
}

TEST_F(Selection, LiteralsAreAppendedAsWrittenAndWildcardsSkipTakenNames) {
  EXPECT_EQ((Names{L"a.txt"}), Select(L"a.txt:*.doc:a.*", L"*.doc"));
  Names wildFirst = Select(L"*.txt:a.txt", L"");  // the literal comes again at the end
  ASSERT_EQ(6u, wildFirst.size());
  EXPECT_EQ(L"a.txt", wildFirst.back());
  EXPECT_EQ(1, std::count(wildFirst.begin(), wildFirst.end() - 1, std::wstring(L"a.txt")));
  Names literalFirst = Select(L"A.TXT:*.txt", L"");  // as written, then no equal name again
  ASSERT_EQ(5u, literalFirst.size());
  EXPECT_EQ(L"A.TXT", literalFirst.front());
  EXPECT_EQ(0, std::count(literalFirst.begin(), literalFirst.end(), std::wstring(L"a.txt")));
  EXPECT_EQ((Names{L"NOEXT", L"noext", L"c.xls"}), Select(L"NOEXT:noext:c.xls", L""));
  EXPECT_EQ((Names{}), Select(L"NOEXT:noext", L"noEXT"));  // exclusion wins, any case
}

TEST_F(Selection, LockedFileIsStillSelected) {
  LockedFile lock(d / L"a.txt");
  ASSERT_TRUE(lock.ok());
  EXPECT_EQ((Names{L"a.txt"}), Select(L"a.txt", L""));
  EXPECT_EQ((Names{L"a.txt"}), Select(L"a.t*", L""));
}

TEST(SelectFiles, MissingFolderSelectsNothing) {
  TempDir d;
  EXPECT_TRUE(SelectFiles(d / L"missing", L"*.*", L"").empty());
  EXPECT_TRUE(SelectFiles(d / L"missing", L"a.txt", L"").empty());
}

TEST(SelectFiles, DriveRootGivenAsLetterAndColon) {
  TempDir host;
  MappedDrive drive(host.hostPath());
  ASSERT_TRUE(drive.ok()) << drive.error();
  ASSERT_TRUE(MakeFile(drive / L"root.txt", "x"));
  ASSERT_TRUE(MakeFolder(drive / L"sub"));
  ASSERT_TRUE(MakeFile(drive / L"sub\\below.txt", "x"));
  std::wstring bare = drive.root().substr(0, 2);
  EXPECT_EQ((Names{L"root.txt"}), SelectFiles(bare, L"*.txt", L""));
  EXPECT_EQ((Names{L"ROOT.txt"}), SelectFiles(bare, L"ROOT.txt:below.txt", L""));
  EXPECT_TRUE(SelectFiles(bare, L"ROOT.txt:below.txt", L"root.TXT").empty());
}

}  // namespace
}  // namespace ruzer::test

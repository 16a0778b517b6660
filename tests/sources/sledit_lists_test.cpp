// Packed lists and the folder comparisons behind the overlap rules.
#include <gtest/gtest.h>

#include "base/text.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

struct UnpackCase {
  std::wstring text;
  List entries;
};

TEST(PackedList, UnpackSplitsAtEveryColonButDropsOneTrailingEmpty) {
  const UnpackCase cases[] = {
      {L"", {}},
      {L"a", {L"a"}},
      {L"a:", {L"a"}},
      {L"a::b", {L"a", L"", L"b"}},
      {L":a", {L"", L"a"}},
      {L":", {L""}},
      {L"::", {L"", L""}},
      {L"*.doc:*.xls:~*", {L"*.doc", L"*.xls", L"~*"}},
      {L"sub\\deeper:日本語", {L"sub\\deeper", L"日本語"}},
  };
  for (const auto& c : cases) {
    List out = {L"left over"};
    UnpackList(out, c.text);
    EXPECT_EQ(c.entries, out) << Utf8(c.text);
    EXPECT_EQ(c.entries, UnpackList(c.text)) << Utf8(c.text);
  }
}

TEST(PackedList, PackJoinsWithColonsAndRoundTrips) {
  EXPECT_EQ(L"", PackList({}));
  EXPECT_EQ(L"a", PackList({L"a"}));
  EXPECT_EQ(L"a::b", PackList({L"a", L"", L"b"}));
  // Every list without a trailing empty entry survives a round trip.
  const List lists[] = {{L"x"}, {L"*.*", L"~*"}, {L"", L"a"}, {L"a", L"", L"b"}, {L"tmp", L"sub\\x"}};
  for (const auto& l : lists) EXPECT_EQ(l, UnpackList(PackList(l)));
}

struct FolderCase {
  std::wstring a, b;
  bool expected;
};

TEST(FolderText, SameFolderTextFoldsCaseByLocaleOnly) {
  const FolderCase cases[] = {
      {L"C:\\Data", L"c:\\data", true},
      {L"C:\\ÄÖÜ", L"c:\\äöü", true},        // beyond ASCII
      {L"C:\\ＡＢＣ", L"c:\\ａｂｃ", true},  // full-width letters
      {L"C:\\データ", L"c:\\データ", true},
      {L"C:\\data\\", L"C:\\data", false},  // a trailing backslash counts
      {L"C:\\a\\..\\b", L"C:\\b", false},   // no path resolution
      {L"C:\\data", L"C:\\date", false},
      {L"", L"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, SameFolderText(c.a, c.b)) << Utf8(c.a) << " / " << Utf8(c.b);
}

TEST(FolderText, IsInsideFolder) {
  const FolderCase cases[] = {
      // parent, path
      {L"C:\\data", L"c:\\DATA\\x", true},
      {L"C:\\data", L"C:\\database", false},
      {L"C:\\a", L"C:\\a\\b", true},
      {L"C:\\", L"C:\\a\\b", true},
      {L"C:\\a", L"C:\\a", false},
      {L"C:\\a\\", L"C:\\a", false},
      {L"C:\\a", L"C:\\a\\", true},
      {L"C:\\", L"C:\\", true},
      {L"C:\\", L"D:\\x", false},
      {L"ab", L"xy\\ab", false},
      {L"sub", L"sub\\x", true},
      {L"sub", L"SUB\\x\\y", true},
      // only A-Z are folded
      {L"C:\\Ä", L"c:\\ä\\x", false},
      {L"C:\\Ä", L"c:\\Ä\\x", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, IsInsideFolder(c.a, c.b)) << Utf8(c.a) << " / " << Utf8(c.b);
}

TEST(FolderText, ExpandExcludedFoldersPutsOneBackslashBetween) {
  List target = {L"stale"};
  ExpandExcludedFolders(L"C:\\data", L"tmp:sub\\deeper", target);
  EXPECT_EQ((List{L"C:\\data\\tmp", L"C:\\data\\sub\\deeper"}), target);
  ExpandExcludedFolders(L"C:\\data\\", L"tmp", target);
  EXPECT_EQ((List{L"C:\\data\\tmp"}), target);
  ExpandExcludedFolders(L"C:\\", L"Windows", target);
  EXPECT_EQ((List{L"C:\\Windows"}), target);
  ExpandExcludedFolders(L"C:\\data", L"", target);
  EXPECT_TRUE(target.empty());
}

}  // namespace
}  // namespace ruzer::test

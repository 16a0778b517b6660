// Generation names, mirror names, the generation list and the free-space text.
#include <gtest/gtest.h>

#include "support/backup_fixture.h"
#include "engine/Sbakini.h"

namespace ruzer::test {
namespace {

TEST(GenerationName, Recognised) {
  struct Case {
    const wchar_t* name;
    bool generation, old;
  } cases[] = {
      {L"100501A", true, false}, {L"991231Z", true, false}, {L"000101M", true, false},
      {L"100501a", false, false},  // small letter: not a generation
      {L"10050A1", false, false},  {L"100501AA", false, false}, {L"10050", false, false},
      {L"1005011", false, false},  {L"１00501A", false, false}, {L"", false, false},
      {L"10101A", false, true},    {L"00101Z", false, true},    {L"70101A", false, true},
      {L"90101A", false, false},  // first digit 8 or 9 is no one-digit year
      {L"80101A", false, false},   {L"10101a", false, false},   {L"1010AA", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.generation, IsGenerationName(c.name)) << Utf8(c.name);
    EXPECT_EQ(c.old, IsOldGenerationName(c.name)) << Utf8(c.name);
  }
}

TEST(GenerationName, DateName) {
  EXPECT_EQ(L"100502", DateName(At(2010, 5, 2)));
  EXPECT_EQ(L"991231", DateName(At(2099, 12, 31)));
  EXPECT_EQ(L"000101", DateName(At(2000, 1, 1)));
}

TEST(MirrorName, Table) {
  struct Case {
    const wchar_t* source;
    const wchar_t* mirror;
  } cases[] = {
      {L"C:\\", L"C"},
      {L"C:", L"C"},
      {L"C:\\Users\\x", L"C_Users\\x"},
      {L"D:\\Data\\Mail", L"D_Data\\Mail"},
      {L"D:\\Data\\Mail\\", L"D_Data\\Mail"},
      {L"c:\\日本語\\フォルダ", L"c_日本語\\フォルダ"},
      // Network folders keep every letter and cannot meet a drive's mirror.
      {L"\\\\srv\\share", L"__srv\\share"},
      {L"\\\\srv\\share\\dir\\", L"__srv\\share\\dir"},
      {L"\\\\arv\\share\\dir", L"__arv\\share\\dir"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.mirror, MirrorName(c.source)) << Utf8(c.source);
}

TEST(FreeSpaceText, Table) {
  const std::int64_t MB = 1048576, GB = 1073741824;
  struct Case {
    std::int64_t free, total;
    const wchar_t* text;
  } cases[] = {
      {0, 100 * MB, L"0.0 MB ( 0%)"},
      {5 * MB / 2, 100 * MB, L"2.5 MB ( 2%)"},
      {1000 * MB, 3000 * MB, L"1,000.0 MB (33%)"},
      {GB, 2 * GB, L"1,024.0 MB (50%)"},  // exactly 1 GB is still shown in MB
      {GB + GB / 2, 3 * GB, L"1.5 GB (50%)"},
      {1234 * GB + GB / 10, 1234 * GB + GB / 10, L"1,234.1 GB (100%)"},
      // A volume that cannot be read: no division by zero, nothing negative.
      {0, 0, L"0.0 MB ( 0%)"},
      {-1, -1, L"0.0 MB ( 0%)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, FreeSpaceText(c.free, c.total)) << c.free;
}

TEST(ListGenerations, OnlyVisibleGenerationFoldersSorted) {
  TempDir d;
  for (const wchar_t* n : {L"100502B", L"100502A", L"090101A", L"100501Z", L"100501a", L"10101A",
                           L"other", L"1005011"})
    MakeFolder(d / n);
  Put(d / L"100503A", "a file is no generation");
  MakeFolder(d / L"100504A");
  SetFileAttributesW((d / L"100504A").c_str(), FILE_ATTRIBUTE_HIDDEN);
  MakeFolder(d / L"100505A");
  SetFileAttributesW((d / L"100505A").c_str(), FILE_ATTRIBUTE_SYSTEM);
  TestApp t;
  EXPECT_EQ((std::vector<std::wstring>{L"20090101A", L"20100501Z", L"20100502A", L"20100502B"}),
            ListGenerations(t.app, d.path()));
  EXPECT_EQ(L"100502B", LatestGeneration(t.app, d.path()));
  EXPECT_EQ(L"100502B", LatestGeneration(t.app, d.path() + L"\\"));
  SetFileAttributesW((d / L"100504A").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((d / L"100505A").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ListGenerations, EmptyOrMissingDestination) {
  TempDir d;
  TestApp t;
  EXPECT_TRUE(ListGenerations(t.app, d.path()).empty());
  EXPECT_EQ(L"", LatestGeneration(t.app, d / L"missing"));
}

TEST(ErrorLine, Format) {
  EXPECT_EQ(L"C:\\a.txt <エラー:32> " + SystemErrorText(32), ErrorLine(32, L"C:\\a.txt"));
  EXPECT_FALSE(SystemErrorText(32).empty());
}

}  // namespace
}  // namespace ruzer::test

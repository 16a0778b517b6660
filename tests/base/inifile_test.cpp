#include "base/inifile.h"

#include <gtest/gtest.h>

#include "support/text.h"

namespace ruzer::test {
namespace {

IniFile Parse(const std::vector<std::wstring>& lines) {
  IniFile ini;
  ini.LoadLines(lines);
  return ini;
}

TEST(IniFile, LoadDropsCommentsEmptyLinesAndBlanks) {
  const IniFile ini = Parse({L"; comment", L"", L"  [ Ruzer ]  ", L"  Vers = 6.00 ", L"\tCount=2\t", L";x=1",
                             L"[index]", L"Fname1=写 真", L"Bare line"});
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Vers=6.00", L"Count=2", L"", L"[index]", L"Fname1=写 真",
                                       L"Bare line", L""}),
            ini.ToLines());
}

TEST(IniFile, NamesMatchWithoutRegardToCase) {
  const IniFile ini = Parse({L"[RUZER]", L"vers=5.00", L"[Index]", L"LstDy1=2010/06/24 06:59:57"});
  EXPECT_EQ(L"5.00", ini.GetString(L"Ruzer", L"Vers"));
  EXPECT_EQ(L"2010/06/24 06:59:57", ini.GetString(L"index", L"Lstdy1"));
  EXPECT_EQ(L"dflt", ini.GetString(L"Ruzer", L"Count", L"dflt"));
  EXPECT_EQ(L"dflt", ini.GetString(L"Other", L"Vers", L"dflt"));
  EXPECT_TRUE(ini.HasSection(L"ruzer"));
  EXPECT_FALSE(ini.HasSection(L"Ruze"));
}

TEST(IniFile, KeysBeforeTheFirstSectionStayButBelongToNoSection) {
  IniFile ini = Parse({L"loose=1", L"[A]", L"k=v"});
  EXPECT_EQ(L"", ini.GetString(L"", L"loose"));
  ini.SetString(L"A", L"k", L"w");
  EXPECT_EQ((std::vector<std::wstring>{L"loose=1", L"", L"[A]", L"k=w", L""}), ini.ToLines());
}

TEST(IniFile, IntegersNeverThrowAndNonIntegersGiveTheDefault) {
  const struct {
    const wchar_t* value;
    int expected;
  } cases[] = {
      {L"12", 12},          {L" 12 ", 12},        {L"-3", -3},           {L"+4", 4},
      {L"0", 0},            {L"abc", 77},         {L"12abc", 77},        {L"", 77},
      {L"1 2", 77},         {L"-", 77},           {L"99999999999", 77},  {L"2147483647", 2147483647},
      {L"-2147483648", -2147483647 - 1},          {L"2147483648", 77},   {L"１２", 77},
      {L"0x10", 77},        {L"1.5", 77},
  };
  for (const auto& c : cases) {
    const IniFile ini = Parse({L"[S]", std::wstring(L"k=") + c.value});
    EXPECT_EQ(c.expected, ini.GetInt(L"S", L"k", 77)) << Utf8(c.value);
  }
  EXPECT_EQ(77, Parse({L"[S]"}).GetInt(L"S", L"k", 77));
}

TEST(IniFile, DecimalsReadPlainNumbersOnly) {
  const struct {
    const wchar_t* text;
    bool ok;
    double value;
  } cases[] = {
      {L"6.00", true, 6.0}, {L"5.00", true, 5.0}, {L"5", true, 5.0},   {L" 5.5 ", true, 5.5},
      {L".5", true, 0.5},   {L"-1.25", true, -1.25}, {L"", false, 0}, {L".", false, 0},
      {L"5.0.0", false, 0}, {L"abc", false, 0},   {L"6,00", false, 0}, {L"1e3", false, 0},
  };
  for (const auto& c : cases) {
    double v = -99;
    EXPECT_EQ(c.ok, ParseDecimal(c.text, v)) << Utf8(c.text);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(c.value, v) << Utf8(c.text);
    }
  }
}

TEST(IniFile, SetReplacesInPlaceOrAppendsAtTheEndOfTheSection) {
  IniFile ini = Parse({L"[Ruzer]", L"VERS=5.00", L"Extra=1", L"[Other]", L"a=b"});
  ini.SetString(L"ruzer", L"Vers", L"6.00");
  ini.SetInt(L"Ruzer", L"Count", 3);
  ini.SetString(L"New", L"k", L"v");
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"VERS=6.00", L"Extra=1", L"Count=3", L"", L"[Other]", L"a=b",
                                       L"", L"[New]", L"k=v", L""}),
            ini.ToLines());
}

TEST(IniFile, RemoveSectionRemovesEveryCopyOfIt) {
  IniFile ini = Parse({L"[Index]", L"a=1", L"[Ruzer]", L"b=2", L"[INDEX]", L"c=3"});
  ini.RemoveSection(L"index");
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"b=2", L""}), ini.ToLines());
}

TEST(IniFile, SavesUtf16WithAnEmptyLineAfterEverySection) {
  TempDir d;
  IniFile ini = Parse({L"[A]", L"k=値", L"[B]"});
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ini.Save(d / L"x.ini"));
  EXPECT_EQ(Utf16File({L"[A]", L"k=値", L"", L"[B]", L""}), ReadBytes(d / L"x.ini"));
}

TEST(IniFile, LoadsAnyEncodingAndReportsFailure) {
  TempDir d;
  ASSERT_TRUE(WriteBytes(d / L"old.idx", "[Ruzer]\r\nVers=5.00\r\n[Index]\r\nFname1=\x8E\xCA\x90\x5E\r\n"));
  IniFile ini;
  ASSERT_TRUE(ini.Load(d / L"old.idx").ok());
  EXPECT_EQ(L"写真", ini.GetString(L"Index", L"Fname1"));
  ASSERT_TRUE(WriteBytes(d / L"new.idx", Utf16File({L"[Index]", L"Fname1=写真"})));
  ASSERT_TRUE(ini.Load(d / L"new.idx").ok());
  EXPECT_EQ(L"写真", ini.GetString(L"Index", L"Fname1"));
  EXPECT_EQ(TextReadStatus::NotFound, ini.Load(d / L"none.idx").status);
  EXPECT_TRUE(ini.sections().empty());
}

TEST(IniFile, SetProfileLineTouchesOnlyItsOwnLine) {
  const struct {
    const char* name;
    std::vector<std::wstring> before;
    std::vector<std::wstring> after;
  } cases[] = {
      {"replaced where it stands",
       {L"; mine", L"[Index]", L"  lstdy1 = old ", L"; keep", L"Fname1=A", L"", L"[X]", L"LstDy1=other"},
       {L"; mine", L"[Index]", L"lstdy1=2010/06/24 06:59:57", L"; keep", L"Fname1=A", L"", L"[X]",
        L"LstDy1=other"}},
      {"added after the section's last line",
       {L"[index]", L"Fname1=A", L"", L"", L"[X]", L"a=b"},
       {L"[index]", L"Fname1=A", L"LstDy1=2010/06/24 06:59:57", L"", L"", L"[X]", L"a=b"}},
      {"added to an empty section",
       {L"[Index]", L"[X]"},
       {L"[Index]", L"LstDy1=2010/06/24 06:59:57", L"[X]"}},
      {"section added at the end",
       {L"[Ruzer]", L"Vers=6.00"},
       {L"[Ruzer]", L"Vers=6.00", L"", L"[Index]", L"LstDy1=2010/06/24 06:59:57", L""}},
      {"empty file", {}, {L"[Index]", L"LstDy1=2010/06/24 06:59:57", L""}},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> lines = c.before;
    SetProfileLine(lines, L"Index", L"LstDy1", L"2010/06/24 06:59:57");
    EXPECT_EQ(c.after, lines) << c.name;
  }
}

TEST(IniFile, WriteProfileValueKeepsTheEncodingAndRefusesBinaryFiles) {
  TempDir d;
  ASSERT_TRUE(WriteBytes(d / L"old.idx", "[Ruzer]\r\nWidir=10\r\n; \x8E\xCA\r\n"));
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WriteProfileValue(d / L"old.idx", L"Ruzer", L"Widir", L"200"));
  EXPECT_EQ("[Ruzer]\r\nWidir=200\r\n; \x8E\xCA\r\n", ReadBytes(d / L"old.idx"));

  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WriteProfileValue(d / L"new.idx", L"Ruzer", L"Widir", L"5"));
  EXPECT_EQ(Utf16File({L"[Ruzer]", L"Widir=5", L""}), ReadBytes(d / L"new.idx"));

  const std::string binary("[Ruzer]\r\n\0\x01\x02", 12);
  ASSERT_TRUE(WriteBytes(d / L"bin.idx", binary));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_INVALID), WriteProfileValue(d / L"bin.idx", L"Ruzer", L"Widir", L"5"));
  EXPECT_EQ(binary, ReadBytes(d / L"bin.idx"));
}

}  // namespace
}  // namespace ruzer::test

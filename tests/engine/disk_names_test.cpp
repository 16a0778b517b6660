// Path, name and text services that need no particular volume.
#include <gtest/gtest.h>

#include "engine/Sdskio.h"
#include "engine/disk_helpers.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

TEST(SystemErrorText, TrimsTheTailAndKeepsTheRest) {
  for (DWORD code : {2u, 3u, 5u, 32u, 112u, 183u}) {
    wchar_t* raw = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&raw), 0, nullptr);
    ASSERT_NE(nullptr, raw) << code;
    std::wstring full = raw;
    LocalFree(raw);
    std::wstring text = SystemErrorText(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_LE(text.size(), 256u);
    // Only a tail of blanks, full stops and control characters went away.
    ASSERT_EQ(0u, full.compare(0, text.size(), text)) << code;
    for (wchar_t c : full.substr(text.size()))
      EXPECT_TRUE(c < 32 || c == L' ' || c == L'.' || c == L'。' || c == L'．' || c == L'　') << code;
    wchar_t last = text.back();
    EXPECT_FALSE(last < 32 || last == L' ' || last == L'.' || last == L'。') << code;
  }
}

TEST(SystemErrorText, UnknownCodeGivesEmptyText) { EXPECT_EQ(L"", SystemErrorText(0x2FFFFFFF)); }

TEST(WindowsDriveRoot, IsTheRootOfTheWindowsFolder) {
  wchar_t win[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(win, MAX_PATH), 3u);
  EXPECT_EQ(std::wstring(win).substr(0, 3), WindowsDriveRoot());
  EXPECT_EQ(L":\\", WindowsDriveRoot().substr(1));
}

TEST(DriveNumber, LetterPosition) {
  const std::pair<std::wstring, int> cases[] = {
      {L"A:\\", 1}, {L"c:\\x", 3}, {L"C", 3}, {L"z:", 26}, {L"Z:\\a", 26},
      {L"1:\\", 0}, {L"", 0},      {L"\\\\srv\\share", 0}, {L"ä:\\", 0},
  };
  for (const auto& [path, n] : cases) EXPECT_EQ(n, DriveNumber(path)) << Utf8(path);
}

TEST(CheckFolderPath, RefusesShortPathsAndTheFirstRefusedCharacterInTableOrder) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:", L"フォルダ名が短か過ぎます."},
      {L"", L"フォルダ名が短か過ぎます."},
      {L"C:\\a?b\\c*", L"フォルダ名に使えない文字 \"*\" が含まれています."},
      {L"C:\\a|b<c", L"フォルダ名に使えない文字 \"<\" が含まれています."},
      {L"C:\\a>b\"c", L"フォルダ名に使えない文字 \"\"\" が含まれています."},
      {L"C:\\a/b", L"フォルダ名に使えない文字 \"/\" が含まれています."},
      {L"C:\\?", L"フォルダ名に使えない文字 \"?\" が含まれています."},
      {L"C:\\x|", L"フォルダ名に使えない文字 \"|\" が含まれています."},
  };
  for (const auto& [path, message] : cases) {
    TestApp t;
    ExpectBox(t.user, message, MsgKind::Warning);
    EXPECT_FALSE(CheckFolderPath(t.app, path)) << Utf8(path);
    t.user.VerifyDone();
  }
}

TEST(CheckFolderPath, AcceptsColonsBackslashesAndAnythingInTheFirstThree) {
  for (const std::wstring path : {L"C:\\x:y", L"C:\\", L"C:/", L"*:?", L"\\\\srv\\share\\日本語", L"C:\\a\\b c"}) {
    TestApp t;
    EXPECT_TRUE(CheckFolderPath(t.app, path)) << Utf8(path);
  }
}

TEST(CheckName, LengthAndRefusedCharacters) {
  struct Case {
    std::wstring name;
    bool pattern;
    std::wstring message;  // empty: passes
  };
  const std::wstring tooLong = L"ファイルやフォルダ名が長過ぎます.";
  auto refused = [](const wchar_t* c) {
    return L"ファイルやフォルダ名に使えない文字 \"" + std::wstring(c) + L"\" が含まれています.";
  };
  const Case cases[] = {
      {std::wstring(260, L'a'), false, L""},
      {std::wstring(261, L'a'), false, tooLong},
      {std::wstring(261, L'*'), true, tooLong},  // length first
      {L"*.txt", true, L""},
      {L"*.txt", false, refused(L"*")},
      {L"a?b*", false, refused(L"*")},
      {L"a?b", false, refused(L"?")},
      {L"a?b", true, L""},
      {L"a:b/c\\d", true, refused(L"\\")},
      {L"a:b/c", true, refused(L"/")},
      {L"a:b", false, refused(L":")},
      {L"|<>", true, refused(L"<")},
      {L"a\"b", true, refused(L"\"")},
      {L"x|", false, refused(L"|")},
      {L"日本語のページ", false, L""},
      {L"", false, L""},
  };
  for (const auto& c : cases) {
    TestApp t;
    if (!c.message.empty()) ExpectBox(t.user, c.message, MsgKind::Warning);
    EXPECT_EQ(c.message.empty(), CheckName(t.app, c.name, c.pattern)) << Utf8(c.name) << " " << c.pattern;
    t.user.VerifyDone();
  }
}

TEST(LongPath, FullPathsGetTheExtendedFormAfterNormalising) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\a\\b", L"\\\\?\\C:\\a\\b"},
      {L"C:\\a\\..\\b\\.\\c", L"\\\\?\\C:\\b\\c"},
      {L"C:\\a/b", L"\\\\?\\C:\\a\\b"},
      {L"C:\\", L"\\\\?\\C:\\"},
      {L"C:", L"\\\\?\\C:\\"},  // a bare drive stands for its root here
      {L"C:\\a\\", L"\\\\?\\C:\\a\\"},
      {L"\\\\srv\\share\\x", L"\\\\?\\UNC\\srv\\share\\x"},
      {L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
      {L"\\\\.\\COM1", L"\\\\.\\COM1"},
      {L"rel\\x", L"rel\\x"},
      {L"", L""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(out, LongPath(in)) << Utf8(in);
  std::wstring deep = L"C:\\" + std::wstring(300, L'x') + L"\\y";
  EXPECT_EQ(L"\\\\?\\" + deep, LongPath(deep));
}

TEST(IsRuzerTempName, OnlyTheCopyTempPattern) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"~ruzer-0A1B2C3D.tmp", true}, {L"~RUZER-abc.TMP", true},  {L"~ruzer-1.tmp", true},
      {L"~ruzer-.tmp", false},        {L"~ruzer-xyz.tmp", false}, {L"ruzer-12.tmp", false},
      {L"~ruzer-12.tmp.doc", false},  {L"~ruzer-12.tm", false},   {L"a.tmp", false},
      {L"~ruzer-" + std::wstring(17, L'1') + L".tmp", false},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(expected, IsRuzerTempName(name)) << Utf8(name);
}

TEST(IsSafeSourcePath, OnlyPlainFullPaths) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"C:\\", true},
      {L"C:\\Data", true},
      {L"c:\\Data\\日本語\\sub folder", true},
      {L"C:\\Data\\", true},
      {L"\\\\server\\share", true},
      {L"\\\\server\\share\\dir", true},
      {L"C:", false},
      {L"C:Data", false},
      {L"Data\\x", false},
      {L"\\Data", false},
      {L"", false},
      {L"C:\\Data\\..\\Windows", false},
      {L"C:\\..", false},
      {L"C:\\Data\\.", false},
      {L"C:\\Data\\\\x", false},
      {L"C:\\Data\\x\\\\", false},
      {L"C:\\Da*ta", false},
      {L"C:\\Da?ta", false},
      {L"C:\\a:b", false},
      {L"C:\\a|b", false},
      {L"C:\\a<b", false},
      {L"C:\\a\"b", false},
      {L"C:\\a/b", false},
      {L"C:\\a\tb", false},
      {L"C:\\dots...", false},
      {L"C:\\blank ", false},
      {L"C:\\Data\\CON", false},
      {L"C:\\Data\\nul.txt", false},
      {L"C:\\Data\\COM1", false},
      {L"C:\\Data\\CONSOLE", true},
      {L"\\\\?\\C:\\Data", false},
      {L"\\\\.\\C:\\Data", false},
      {L"\\\\?\\UNC\\srv\\share", false},
      {L"\\\\server", false},
      {L"\\\\server\\", false},
      {L"\\\\server\\share\\..\\other", false},
      {L"//server/share", false},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(expected, IsSafeSourcePath(path)) << Utf8(path);
}

TEST(IsSafeRelativeFolder, OnlyPlainRelativeFolders) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"tmp", true},        {L"sub\\deeper", true}, {L"日本語", true},   {L"sub\\", true},
      {L"", false},          {L"\\tmp", false},      {L"C:\\tmp", false}, {L"C:tmp", false},
      {L"..", false},        {L"sub\\..\\..", false}, {L".", false},     {L"sub\\.\\x", false},
      {L"a\\\\b", false},    {L"a*", false},         {L"a?", false},      {L"a|b", false},
      {L"\\\\srv\\s", false}, {L"aux", false},
  };
  for (const auto& [rel, expected] : cases) EXPECT_EQ(expected, IsSafeRelativeFolder(rel)) << Utf8(rel);
}

TEST(GetSpecialFolderPath, KnownFolderAndUnknownNumber) {
  std::wstring local = GetSpecialFolderPath(28);  // local application data
  EXPECT_FALSE(local.empty());
  EXPECT_EQ(2, PathKind(local));
  EXPECT_EQ(L"", GetSpecialFolderPath(0x7F));
}

}  // namespace
}  // namespace ruzer::test

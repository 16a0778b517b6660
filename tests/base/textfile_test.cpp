#include "base/textfile.h"

#include <gtest/gtest.h>

#include "support/text.h"

namespace ruzer::test {
namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  TextEncoding encoding;
  std::wstring text;
  bool odd;
};

TEST(TextFile, DecodeRecognisesTheByteOrderMark) {
  const DecodeCase cases[] = {
      {"empty", "", TextEncoding::Ansi, L"", false},
      {"utf16le", std::string("\xFF\xFE" "a\0\xE5\x65", 6), TextEncoding::Utf16Le, L"a日", false},
      {"utf16le odd", std::string("\xFF\xFE" "a\0b", 5), TextEncoding::Utf16Le, L"a", true},
      {"bom only", "\xFF\xFE", TextEncoding::Utf16Le, L"", false},
      {"utf16be", std::string("\xFE\xFF\0a\x65\xE5", 6), TextEncoding::Utf16Be, L"a日", false},
      {"utf8", "\xEF\xBB\xBF\xE6\x97\xA5x", TextEncoding::Utf8, L"日x", false},
      {"cp932", "\x93\xFA\x96\x7B", TextEncoding::Ansi, L"日本", false},
      {"single FF", "\xFF", TextEncoding::Ansi, std::wstring(), false},
  };
  for (const auto& c : cases) {
    TextEncoding enc{};
    bool odd = !c.odd;
    const std::wstring text = DecodeText(c.bytes, &enc, &odd);
    EXPECT_EQ(static_cast<int>(c.encoding), static_cast<int>(enc)) << c.name;
    EXPECT_EQ(c.odd, odd) << c.name;
    if (std::string(c.name) != "single FF") {
      EXPECT_EQ(Utf8(c.text), Utf8(text)) << c.name;
    }
  }
}

TEST(TextFile, DecodeKeepsUnpairedSurrogatesAndNuls) {
  const std::string bytes("\xFF\xFE\x00\xD8\x41\x00\x00\x00\x00\xDC", 10);
  const std::wstring text = DecodeText(bytes);
  ASSERT_EQ(4u, text.size());
  EXPECT_EQ(0xD800, text[0]);
  EXPECT_EQ(L'A', text[1]);
  EXPECT_EQ(L'\0', text[2]);
  EXPECT_EQ(0xDC00, text[3]);
}

TEST(TextFile, SplitLinesAtCrLfLfAndCr) {
  const struct {
    std::wstring text;
    std::vector<std::wstring> lines;
  } cases[] = {
      {L"", {}},
      {L"a", {L"a"}},
      {L"a\r\nb", {L"a", L"b"}},
      {L"a\r\nb\r\n", {L"a", L"b"}},
      {L"a\nb\n", {L"a", L"b"}},
      {L"a\rb\r", {L"a", L"b"}},
      {L"a\r\n\r\nb", {L"a", L"", L"b"}},
      {L"a\r\r\nb", {L"a", L"", L"b"}},
      {L"a\n\rb", {L"a", L"", L"b"}},
      {L"\r\n", {L""}},
      {L"\n\n", {L"", L""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.lines, SplitLines(c.text)) << Utf8(c.text);
  }
}

TEST(TextFile, ReadsUtf16AndAnsiFiles) {
  TempDir d;
  ASSERT_TRUE(WriteBytes(d / L"u.txt", Utf16File({L"[Ruzer]", L"Fname1=写真", L""})));
  ASSERT_TRUE(WriteBytes(d / L"a.txt", "[Ruzer]\r\nFname1=\x8E\xCA\x90\x5E\nlast"));
  TextReadResult u = ReadTextFile(d / L"u.txt");
  ASSERT_TRUE(u.ok());
  EXPECT_EQ(static_cast<int>(TextEncoding::Utf16Le), static_cast<int>(u.encoding));
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Fname1=写真", L""}), u.lines);
  TextReadResult a = ReadTextFile(d / L"a.txt");
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(static_cast<int>(TextEncoding::Ansi), static_cast<int>(a.encoding));
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Fname1=写真", L"last"}), a.lines);
  EXPECT_FALSE(a.hasNul);
}

TEST(TextFile, ReadReportsWhatIsWrong) {
  TempDir d;
  EXPECT_EQ(TextReadStatus::NotFound, ReadTextFile(d / L"none.txt").status);
  EXPECT_EQ(TextReadStatus::NotFound, ReadTextFile(d / L"no\\such\\x.txt").status);
  ASSERT_TRUE(CreateDirectoryW((d / L"dir.txt").c_str(), nullptr));
  EXPECT_EQ(TextReadStatus::IsFolder, ReadTextFile(d / L"dir.txt").status);

  ASSERT_TRUE(WriteBytes(d / L"ten.txt", "0123456789"));
  EXPECT_EQ(TextReadStatus::TooLarge, ReadTextFile(d / L"ten.txt", 9).status);
  EXPECT_TRUE(ReadTextFile(d / L"ten.txt", 10).ok());

  ASSERT_TRUE(WriteBytes(d / L"zero.txt", std::string("a\0b", 3)));
  const TextReadResult n = ReadTextFile(d / L"zero.txt");
  ASSERT_TRUE(n.ok());
  EXPECT_TRUE(n.hasNul);
}

TEST(TextFile, RefusesAFileOverTheLimitWithoutReadingIt) {
  TempDir d;
  ASSERT_TRUE(MakeBigFile(d / L"big.idx", static_cast<long long>(kMaxTextFileBytes) + 1));
  const TextReadResult r = ReadTextFile(d / L"big.idx");
  EXPECT_EQ(TextReadStatus::TooLarge, r.status);
  EXPECT_TRUE(r.lines.empty());
}

TEST(TextFile, ReadOfALockedFileFailsWithTheSystemError) {
  TempDir d;
  ASSERT_TRUE(WriteBytes(d / L"locked.txt", "x"));
  HANDLE h = CreateFileW((d / L"locked.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const TextReadResult r = ReadTextFile(d / L"locked.txt");
  CloseHandle(h);
  EXPECT_EQ(TextReadStatus::Failed, r.status);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), r.error);
}

TEST(TextFile, WritesUtf16WithBomAndCrLfAfterEveryLine) {
  TempDir d;
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WriteUtf16File(d / L"w.txt", {L"a", L"", L"日"}));
  EXPECT_EQ(std::string("\xFF\xFE" "a\0\r\0\n\0\r\0\n\0\xE5\x65\r\0\n\0", 18), ReadBytes(d / L"w.txt"));
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WriteUtf16File(d / L"e.txt", {}));
  EXPECT_EQ("\xFF\xFE", ReadBytes(d / L"e.txt"));
}

TEST(TextFile, WritesAnsiInTheJapaneseCodePage) {
  TempDir d;
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WriteAnsiFile(d / L"ERROR.LOG", {L"日本 <エラー:5>", L"x"}));
  EXPECT_EQ("\x93\xFA\x96\x7B <\x83\x47\x83\x89\x81\x5B:5>\r\nx\r\n", ReadBytes(d / L"ERROR.LOG"));
}

TEST(TextFile, ReplaceLeavesNoTemporaryFileAndKeepsHiddenAttribute) {
  TempDir d;
  const std::wstring f = d / L"RUZER.IDX";
  ASSERT_TRUE(WriteBytes(f, "old"));
  ASSERT_TRUE(SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ReplaceFileBytes(f, "new content"));
  EXPECT_EQ("new content", ReadBytes(f));
  EXPECT_TRUE(GetFileAttributesW(f.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(std::vector<std::wstring>{L"RUZER.IDX"}, FolderEntries(d.path()));
}

// Every failed write keeps the previous file byte for byte and leaves nothing behind.
TEST(TextFile, FailedReplaceKeepsThePreviousFile) {
  TempDir d;
  const std::string before = Utf16File({L"[Ruzer]", L"Vers=6.00"});

  const std::wstring ro = d / L"ro.idx";
  ASSERT_TRUE(WriteBytes(ro, before));
  ASSERT_TRUE(SetFileAttributesW(ro.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), WriteUtf16File(ro, {L"changed"}));
  EXPECT_EQ(before, ReadBytes(ro));

  ASSERT_TRUE(CreateDirectoryW((d / L"folder.idx").c_str(), nullptr));
  EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), WriteUtf16File(d / L"folder.idx", {L"x"}));
  EXPECT_TRUE(FolderExists(d / L"folder.idx"));

  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), WriteUtf16File(d / L"missing\\x.idx", {L"x"}));
  EXPECT_FALSE(FolderExists(d / L"missing"));

  std::vector<std::wstring> left = FolderEntries(d.path());
  std::sort(left.begin(), left.end());
  EXPECT_EQ((std::vector<std::wstring>{L"folder.idx", L"ro.idx"}), left);
}

TEST(TextFile, ReplaceWhileTheTargetIsOpenIsAllOrNothing) {
  TempDir d;
  const std::wstring f = d / L"open.pag";
  ASSERT_TRUE(WriteBytes(f, "before"));
  HANDLE h = CreateFileW(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const DWORD e = ReplaceFileBytes(f, "after");
  CloseHandle(h);
  const std::string now = ReadBytes(f);
  if (e == ERROR_SUCCESS)
    EXPECT_EQ("after", now);
  else
    EXPECT_EQ("before", now);
  EXPECT_EQ(std::vector<std::wstring>{L"open.pag"}, FolderEntries(d.path()));
}

}  // namespace
}  // namespace ruzer::test

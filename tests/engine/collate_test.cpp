// The verify command: damage, missing copies and sources changed behind an
// unchanged time are found, in the newest and in older generations; a sound
// backup gives no finding.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/textfile.h"
#include "engine/Scollate.h"
#include "engine/Sdigest.h"
#include "support/backup_fixture.h"

namespace ruzer::test {
namespace {

// Flips one byte of a file and puts its last-write time back: what a failing
// disk does, unseen by size and time.
void Rot(const std::wstring& path, size_t at = 0) {
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(LongPath(path), bytes).ok()) << Utf8(path);
  ASSERT_LT(at, bytes.size());
  DirEntry before;
  ASSERT_TRUE(LookupEntry(path, before));
  bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
  HANDLE h = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  SetFileTime(h, nullptr, nullptr, &before.lastWrite);
  CloseHandle(h);
  DirEntry after;
  ASSERT_TRUE(LookupEntry(path, after));
  ASSERT_EQ(0, CompareFileTime(&before.lastWrite, &after.lastWrite));
}

class CollateTest : public ::testing::Test, public BackupFixture {
 public:
  // Two generations: 100501A keeps the first a.txt and b.txt, 100502A the mirror.
  void TwoRuns() {
    Put(src + L"\\a.txt", "a first");
    Put(src + L"\\b.txt", "b");
    Put(src + L"\\sub\\c.txt", "c of the sub-folder");
    AddRow(src);
    Backup();
    Put(src + L"\\a.txt", "a second");
    DeleteFileW((src + L"\\b.txt").c_str());
    Day(2010, 5, 2);
    Backup();
    ASSERT_EQ((std::vector<std::wstring>{L"100501A", L"100502A"}), Generations(dest));
  }
  std::wstring Copy(const std::wstring& gen, const std::wstring& file) const { return Mirror(gen, src) + L"\\" + file; }
  CollateResult Verify() {
    t.app.errorLines.clear();
    return CollatePage(t.app);
  }
  std::vector<std::wstring> Findings() const {
    std::vector<std::wstring> out;
    for (const auto& l : t.app.errorLines)
      if (l.find(L" <照合:") != std::wstring::npos) out.push_back(l);
    return out;
  }
};

TEST_F(CollateTest, SoundBackupGivesNoFinding) {
  TwoRuns();
  for (int round = 0; round < 2; ++round) {
    const CollateResult r = Verify();
    EXPECT_EQ(0, r.Findings()) << round;
    EXPECT_EQ(4u, r.files);  // a and sub\c in the mirror, the first a and b in 100501A
    EXPECT_EQ(0, r.firstRead);
    EXPECT_EQ(std::vector<std::wstring>{}, Findings());
  }
  const TextReadResult log = ReadTextFile(dest + L"\\100502A\\" + kVerifyLogName);
  ASSERT_TRUE(log.ok());
  ASSERT_EQ(1u, log.lines.size());
  EXPECT_NE(std::wstring::npos, log.lines[0].find(L"照合終了．4 個のファイル"));
}

// A byte changed on the disk, size and time kept, in either generation; a
// copy gone from an older generation.
TEST_F(CollateTest, DamageAndMissingCopiesAreFoundInEveryGeneration) {
  TwoRuns();
  Rot(Copy(L"100502A", L"sub\\c.txt"), 5);
  Rot(Copy(L"100501A", L"a.txt"));
  ASSERT_TRUE(DeleteFileW(Copy(L"100501A", L"b.txt").c_str()));
  for (int round = 0; round < 2; ++round) {  // reported again until repaired
    const CollateResult r = Verify();
    EXPECT_EQ(2, r.damaged);
    EXPECT_EQ(1, r.missing);
    EXPECT_EQ(0, r.differs);
    EXPECT_EQ((std::vector<std::wstring>{
                  Copy(L"100502A", L"sub\\c.txt") + L" <照合:破損> 内容が保存したときと違います",
                  Copy(L"100501A", L"a.txt") + L" <照合:破損> 内容が保存したときと違います",
                  Copy(L"100501A", L"b.txt") + L" <照合:欠落> 保存したファイルがありません",
              }),
              Findings());
  }
  const TextReadResult log = ReadTextFile(dest + L"\\100502A\\" + kVerifyLogName);
  ASSERT_TRUE(log.ok());
  EXPECT_EQ(4u, log.lines.size());
  EXPECT_EQ(Findings(), std::vector<std::wstring>(log.lines.begin() + 1, log.lines.end()));
}

// The source changed, its size and time did not: the backup takes it for
// unchanged, the verify does not.
TEST_F(CollateTest, SourceChangedBehindAnUnchangedTimeIsReported) {
  TwoRuns();
  const std::wstring a = src + L"\\a.txt";
  DirEntry before;
  ASSERT_TRUE(LookupEntry(a, before));
  Rot(a, 2);
  const CollateResult r = Verify();
  EXPECT_EQ(1, r.differs);
  EXPECT_EQ(0, r.damaged);
  EXPECT_EQ(std::vector<std::wstring>{a + L" <照合:内容不一致> 日時とサイズは <" + Copy(L"100502A", L"a.txt") +
                                      L"> と同じですが，内容が違います"},
            Findings());
}

// Generations of an older version have no digest file: their first read is
// trusted and said so, and from then on damage shows.
TEST_F(CollateTest, CopiesWithoutADigestGetOneFromTheirFirstRead) {
  TwoRuns();
  ASSERT_TRUE(DeleteFileW((dest + L"\\100501A\\" + kDigestFileName).c_str()));
  CollateResult r = Verify();
  EXPECT_EQ(0, r.Findings());
  EXPECT_EQ(2, r.firstRead);
  EXPECT_TRUE(std::count(t.app.errorLines.begin(), t.app.errorLines.end(),
                         L"<100501A> ダイジェストの無かった 2 個のファイルは，今回読んだ内容を正しいものとして記録しました．"));
  Rot(Copy(L"100501A", L"b.txt"));
  r = Verify();
  EXPECT_EQ(0, r.firstRead);
  EXPECT_EQ(std::vector<std::wstring>{Copy(L"100501A", L"b.txt") + L" <照合:破損> 内容が保存したときと違います"},
            Findings());
}

// The command: busy mode while it reads, the counts in the closing status line.
TEST_F(CollateTest, CommandEndsWithTheCountsInTheStatusLine) {
  TwoRuns();
  Rot(Copy(L"100501A", L"a.txt"));
  RunCollate(t.app);
  EXPECT_FALSE(t.app.busy);
  EXPECT_EQ(L"照合終了．4 個のファイル (0.1 MB) を読みました．破損 1，欠落 0，内容不一致 0．", t.view.status);
  EXPECT_EQ(L"{Home} ページ.", t.app.errorLines.front());
}

// "/V:2" reads half of the copies, those read longest ago: two runs read
// every copy once, and a missing one is found whichever half is read.
TEST_F(CollateTest, AShareReadsTheCopiesReadLongestAgo) {
  TwoRuns();
  const FILETIME tenth = UtcFileTime(SYSTEMTIME{2010, 5, 0, 10, 12, 0, 0, 0});
  for (int day : {10, 11}) {
    Day(2010, 5, day);
    const CollateResult r = CollatePage(t.app, 2);
    EXPECT_EQ(2u, r.files) << day;
    EXPECT_EQ(0, r.Findings()) << day;
  }
  int readOnTheTenth = 0, read = 0;
  for (const wchar_t* gen : {L"100501A", L"100502A"}) {
    DigestBook book;
    book.Reset(dest + L"\\" + gen);
    for (const auto& [k, e] : book.Entries()) {
      EXPECT_GE(CompareFileTime(&e.read, &tenth), 0) << Utf8(e.path) << " not read by either";
      readOnTheTenth += CompareFileTime(&e.read, &tenth) == 0;
      ++read;
    }
  }
  EXPECT_EQ(4, read);
  EXPECT_EQ(2, readOnTheTenth);
  ASSERT_TRUE(DeleteFileW(Copy(L"100501A", L"b.txt").c_str()));
  EXPECT_EQ(1, CollatePage(t.app, 3).missing);
}

// "/V": every page, then the exit code; the window closes unless aborted.
TEST_F(CollateTest, AutomaticVerifyGivesItsExitCodeAndCloses) {
  TwoRuns();
  struct Case {
    const char* what;
    bool damage, abort;
    int code;
    bool closed;
  };
  const Case cases[] = {
      {"sound", false, false, kExitDone, true},
      {"damaged", true, false, kExitWithErrors, true},
      {"aborted", false, true, kExitAborted, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.damage) Rot(Copy(L"100502A", L"a.txt"));
    t.view.closed = false;
    t.view.onPump = [&] {
      if (c.abort) t.app.AbortRequested = true;
    };
    t.app.AutoMode = true;
    RunAutoCollate(t.app, 1);
    t.view.onPump = nullptr;
    EXPECT_EQ(c.code, t.app.ExitCode);
    EXPECT_EQ(c.closed, t.view.closed);
    EXPECT_FALSE(t.app.AutoMode);
  }
}

}  // namespace
}  // namespace ruzer::test

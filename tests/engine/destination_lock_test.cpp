// One run per destination, in one process: the normalised key of a
// destination, the lock file and who holds it, a run that meets a held
// destination, and the exit code an automatic run leaves.
#include <gtest/gtest.h>

#include "support/backup_fixture.h"
#include "engine/Slock.h"

namespace ruzer::test {
namespace {

TEST(DestinationKey, SameFolderWrittenDifferentlyGivesOneKey) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  } cases[] = {
      {L"C:\\Backup\\Home", L"c:\\backup\\home\\", true},
      {L"C:\\Backup\\Home", L"C:\\Backup\\.\\x\\..\\Home", true},
      {L"C:\\Backup\\Home", L"C:/Backup/Home", true},
      {L"C:\\Backup\\Home", L"\\\\?\\C:\\Backup\\Home", true},
      {L"C:\\Backup\\Home", L"C:\\Backup\\Home2", false},
      {L"C:\\Backup\\Home", L"D:\\Backup\\Home", false},
      {L"C:\\", L"c:\\", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.same, DestinationKey(c.a) == DestinationKey(c.b)) << Utf8(c.a) << " / " << Utf8(c.b);
    EXPECT_EQ(c.same, DestinationMutexName(c.a) == DestinationMutexName(c.b)) << Utf8(c.a);
  }
  EXPECT_EQ(L"\\\\?\\C:\\BACKUP\\HOME", DestinationKey(L"c:\\backup\\home\\"));
  EXPECT_EQ(L"\\\\?\\C:\\", DestinationKey(L"C:\\"));
  EXPECT_EQ(0u, DestinationMutexName(L"C:\\Backup").find(L"Global\\Ruzer.Destination."));
}

TEST(DestinationLockFile, HolderIsReadableWhileHeldAndTheFileGoesWithTheLock) {
  TempDir tmp;
  const std::wstring dest = tmp / L"dest";
  CreateDirectoryW(dest.c_str(), nullptr);
  const std::wstring lockFile = dest + L"\\" + kLockFileName;
  {
    DestinationLock a;
    std::wstring holder;
    ASSERT_TRUE(a.TryAcquire(dest, L"C:\\sets\\RUZER.IDX", holder));
    EXPECT_EQ(1, PathKind(lockFile));
    const std::wstring who = ReadLockHolder(dest);
    EXPECT_NE(std::wstring::npos, who.find(L"Ruzer 6.00")) << Utf8(who);
    EXPECT_NE(std::wstring::npos, who.find(L"PID " + std::to_wstring(GetCurrentProcessId()))) << Utf8(who);
    EXPECT_NE(std::wstring::npos, who.find(L"<C:\\sets\\RUZER.IDX>")) << Utf8(who);

    // A second holder, also in this process and written another way, is refused
    // and told who holds it; nobody can write or delete the file meanwhile.
    DestinationLock b;
    std::wstring other;
    EXPECT_FALSE(b.TryAcquire(dest + L"\\", L"x", other));
    EXPECT_EQ(who, other);
    EXPECT_FALSE(b.Held());
    EXPECT_FALSE(DeleteFileW(lockFile.c_str()));
    HANDLE w = CreateFileW(lockFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, w);
    if (w != INVALID_HANDLE_VALUE) CloseHandle(w);
  }
  EXPECT_EQ(0, PathKind(lockFile));
  EXPECT_EQ(L"", ReadLockHolder(dest));
  // Released: the next one gets it.
  DestinationLock c;
  std::wstring holder;
  EXPECT_TRUE(c.TryAcquire(dest, L"y", holder));
}

TEST(DestinationLockFile, StaleFileLeftByAnotherMachineDoesNotBlock) {
  TempDir tmp;
  const std::wstring dest = tmp / L"dest";
  CreateDirectoryW(dest.c_str(), nullptr);
  WriteBytes(dest + L"\\" + kLockFileName, Utf16File({L"Program=Ruzer 6.00 (ruzer.exe)", L"PID=1"}));
  SetFileAttributesW((dest + L"\\" + kLockFileName).c_str(), FILE_ATTRIBUTE_HIDDEN);
  DestinationLock a;
  std::wstring holder;
  EXPECT_TRUE(a.TryAcquire(dest, L"z", holder));
}

TEST(DestinationLockFile, MissingDestinationIsHeldByTheMutexAndTheFileFollows) {
  TempDir tmp;
  const std::wstring dest = tmp / L"later";
  DestinationLock a;
  std::wstring holder;
  ASSERT_TRUE(a.TryAcquire(dest, L"s", holder));
  CreateDirectoryW(dest.c_str(), nullptr);
  EXPECT_TRUE(a.TakeFileIfMissing(L"s", holder));
  EXPECT_EQ(1, PathKind(dest + L"\\" + kLockFileName));
}

class HeldDestination : public ::testing::Test, public BackupFixture {};

TEST_F(HeldDestination, RunWaitsThenSkipsThePageNamingTheHolder) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  app().DestinationWaitMs = 1000;
  DestinationLock other;
  std::wstring holder;
  ASSERT_TRUE(other.TryAcquire(dest, L"D:\\other\\OTHER.IDX", holder));

  Backup();
  EXPECT_TRUE(Generations(dest).empty());  // nothing written, nothing moved
  const auto& lines = t.view.errorList;
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(L"{Home} ページ.", lines[0]);
  EXPECT_EQ(0u, lines[1].find(dest + L" <エラー:32> バックアップ先は使用中です (Ruzer 6.00")) << Utf8(lines[1]);
  EXPECT_NE(std::wstring::npos, lines[1].find(L"PID " + std::to_wstring(GetCurrentProcessId())));
  EXPECT_NE(std::wstring::npos, lines[1].find(L"<D:\\other\\OTHER.IDX>"));
  EXPECT_NE(std::wstring::npos, lines[1].find(L"このページは保存しませんでした."));
  bool waited = false;
  for (const auto& s : t.view.statusHistory)
    waited |= s.find(L"バックアップ先 <" + dest + L"> は使用中です (") == 0 && s.find(L"待機中...") != std::wstring::npos;
  EXPECT_TRUE(waited);
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ(L"", app().PageIndexTable[1].last);  // no backup recorded

  // Released: the next run backs the page up as usual.
  other.Release();
  t.view.errorList.clear();
  Backup();
  EXPECT_EQ(std::vector<std::wstring>{L"100501A"}, Generations(dest));
  EXPECT_EQ(0, PathKind(dest + L"\\" + kLockFileName));  // released with the page
}

TEST_F(HeldDestination, AbortWhileWaitingStopsTheRun) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  app().DestinationWaitMs = 1000000;
  DestinationLock other;
  std::wstring holder;
  ASSERT_TRUE(other.TryAcquire(dest, L"o", holder));
  t.view.onPump = [&] { app().AbortRequested = true; };
  Backup();
  EXPECT_TRUE(Generations(dest).empty());
  EXPECT_EQ(L"バックアップ中断．", t.view.status);
}

// ---------------------------------------------------------------- exit codes

TEST(AutoRunExitCode, Table) {
  struct Case {
    bool unusable, failed, aborted;
    int errorLines, refused;
    int code;
  } cases[] = {
      {false, false, false, 0, 0, 0}, {false, false, false, 1, 0, 1}, {false, false, false, 0, 1, 1},
      {false, true, false, 1, 0, 2},  {false, false, true, 0, 0, 3},  {false, false, true, 3, 0, 3},
      {false, true, true, 1, 0, 2},   {true, false, false, 0, 0, 4},  {true, true, true, 2, 1, 4},
  };
  for (const auto& c : cases) {
    RunOutcome o;
    o.fileSetUnusable = c.unusable;
    o.failed = c.failed;
    o.aborted = c.aborted;
    o.errorLines = c.errorLines;
    o.pagesRefused = c.refused;
    EXPECT_EQ(c.code, AutoRunExitCode(o)) << c.unusable << c.failed << c.aborted << c.errorLines << c.refused;
  }
  EXPECT_EQ(0, CountErrorLines({L"{Home} ページ.", L"{仕事} ページ."}));
  EXPECT_EQ(2, CountErrorLines({L"{Home} ページ.", L"C:\\a <エラー:5> x", L"{x} ページ", L"{仕事} ページ."}));
}

class AutoExit : public ::testing::Test, public BackupFixture {
 protected:
  void AutoBackup() {
    app().AutoMode = true;
    Backup();
  }
};

TEST_F(AutoExit, CleanRunIsZeroAndAnInteractiveRunLeavesTheCodeAlone) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  app().ExitCode = 7;
  Backup();  // interactive
  EXPECT_EQ(7, app().ExitCode);
  AutoBackup();
  EXPECT_TRUE(t.view.closed);
  EXPECT_EQ(0, app().ExitCode);
}

TEST_F(AutoExit, FileThatFailsGivesOne) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  HANDLE h = CreateFileW((src + L"\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  AutoBackup();
  CloseHandle(h);
  EXPECT_EQ(kExitWithErrors, app().ExitCode);
}

TEST_F(AutoExit, HeldDestinationGivesOne) {
  AddRow(src);
  app().DestinationWaitMs = 1000;
  DestinationLock other;
  std::wstring holder;
  ASSERT_TRUE(other.TryAcquire(dest, L"o", holder));
  AutoBackup();
  EXPECT_EQ(kExitWithErrors, app().ExitCode);
  EXPECT_TRUE(t.view.closed);  // the run finished; only the page was skipped
}

// Today's generations of a run that never completed do not make the day done:
// a page refused after them is counted, even once a day.
TEST_F(AutoExit, PageRefusedAfterAnUnfinishedRunOfTodayGivesOne) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  app().env.check[1] = true;
  WritePage();
  for (wchar_t c = L'A'; c <= L'Z'; ++c) MakeFolder(dest + L"\\100501" + c);
  t.user.Expect(L"本日分は26回保存されています．\r\nこれ以上保存できません．");
  AutoBackup();
  EXPECT_EQ(kExitWithErrors, app().ExitCode);
}

TEST_F(AutoExit, RefusedPageGivesOneButTheOnceADaySkipDoesNot) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  app().env.check[1] = true;
  WritePage();
  AutoBackup();
  EXPECT_EQ(0, app().ExitCode);
  // Backed up today, once a day: skipped as done.
  AutoBackup();
  EXPECT_EQ(0, app().ExitCode);
  EXPECT_EQ(1u, Generations(dest).size());
  // No destination set: the page is refused with its warning.
  app().env.tamdir.clear();
  app().env.check[1] = false;
  WritePage();
  t.user.Expect(L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.");
  AutoBackup();
  EXPECT_EQ(kExitWithErrors, app().ExitCode);
}

TEST_F(AutoExit, AbortGivesThree) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  int pumps = 0;
  t.view.onPump = [&] {
    if (++pumps == 3) app().AbortRequested = true;
  };
  AutoBackup();
  EXPECT_EQ(kExitAborted, app().ExitCode);
  EXPECT_FALSE(t.view.closed);
}

TEST_F(AutoExit, UnreadableIndexGivesFour) {
  AddRow(src);
  app().IndexUnreadable = true;
  AutoBackup();
  EXPECT_EQ(kExitFileSetUnusable, app().ExitCode);
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

// A run killed while it wrote its memo or log, or while it copied the page
// file back into the previous generation, leaves a temporary file in a
// generation's root; the next run removes it, and only files of those names.
class KilledRootWrites : public ::testing::Test, public BackupFixture {};

TEST_F(KilledRootWrites, NextRunRemovesTheirTemporaryFiles) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  app().env.backdays = 10;
  Backup();
  Day(2010, 5, 2);
  Backup();
  ASSERT_EQ((std::vector<std::wstring>{L"100501A", L"100502A"}), Generations(dest));
  Put(dest + L"\\100501A\\~ruzer-0000abcd.tmp", "page copy cut short");
  Put(dest + L"\\100502A\\~rz1f_2a.tmp", "memo cut short");
  Put(dest + L"\\100502A\\~rzmine.tmp", "not ours");
  Backup();
  ASSERT_EQ((std::vector<std::wstring>{L"100501A", L"100502A", L"100502B"}), Generations(dest));
  EXPECT_EQ(0, PathKind(dest + L"\\100501A\\~ruzer-0000abcd.tmp"));
  EXPECT_EQ(0, PathKind(dest + L"\\100502A\\~rz1f_2a.tmp"));
  EXPECT_EQ(0, PathKind(dest + L"\\100502B\\~rz1f_2a.tmp"));
  EXPECT_EQ(1, PathKind(dest + L"\\100502A\\~rzmine.tmp"));  // moved back with the root files
}

}  // namespace
}  // namespace ruzer::test

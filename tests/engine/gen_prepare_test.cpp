// The preparation of a page's backup: destination checks, the new generation,
// old-format folders, removed rows and retention, on real folders.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/backup_fixture.h"
#include "engine/Sbakini.h"
#include "engine/Sdskio.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

bool Has(const std::vector<std::wstring>& v, const std::wstring& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

class Prepare : public ::testing::Test, public BackupFixture {
 protected:
  BackupState st;
  // A generation folder with root files and one mirror file.
  void Gen(const std::wstring& name, bool withFiles = true) {
    MakeFolder(dest + L"\\" + name);
    if (!withFiles) return;
    Put(dest + L"\\" + name + L"\\Home.PAG", "page of " + Utf8(name));
    Put(dest + L"\\" + name + L"\\MEMO.TXT", "memo of " + Utf8(name));
    Put(dest + L"\\" + name + L"\\ERROR.LOG", "log of " + Utf8(name));
    Put(dest + L"\\" + name + L"\\C_Data\\f.txt", "file of " + Utf8(name));
  }
};

TEST_F(Prepare, FirstBackupCreatesTodaysAInANewDestination) {
  RemoveDirectoryW(dest.c_str());
  t.user.ExpectFull({L"<" + dest + L">フォルダを作成しますか", kYes, false, MsgKind::Confirmation, kYes | kNo});
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_EQ(dest + L"\\", st.DestFolder);
  EXPECT_EQ(dest + L"\\100501A\\", st.NewGeneration);
  EXPECT_EQ(L"", st.PreviousGeneration);
  EXPECT_EQ(-2, st.TodayRunIndex);
  EXPECT_EQ((std::map<std::wstring, std::string>{{L"100501A\\", "<dir>"}}), Tree(dest));
  const auto& h = t.view.statusHistory;
  EXPECT_TRUE(Has(h, L"バックアップ準備中..."));
  EXPECT_TRUE(Has(h, L"削除フォルダの処理中..."));
  EXPECT_EQ(0u, t.view.freeSpace.rfind(L"空= ", 0)) << Utf8(t.view.freeSpace);
  EXPECT_TRUE(t.view.bottom.errorListVisible);
}

TEST_F(Prepare, DestinationNotCreatedWhenTheUserSaysNo) {
  RemoveDirectoryW(dest.c_str());
  t.user.Expect(L"<" + dest + L">フォルダを作成しますか", kNo);
  EXPECT_FALSE(PrepareBackup(app(), st));
  EXPECT_FALSE(FolderExists(dest));
}

TEST_F(Prepare, RefusedConditions) {
  RemoveDirectoryW(dest.c_str());
  struct Case {
    std::wstring tamdir;
    int backdays;
    std::wstring message;
  } cases[] = {
      {L"", 15, L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください."},
      {dest, 0, L"保存日数は１以上の値を設定してください."},
      {dest, -3, L"保存日数は１以上の値を設定してください."},
  };
  for (const auto& c : cases) {
    app().env.tamdir = c.tamdir;
    app().env.backdays = c.backdays;
    t.user.ExpectFull({c.message, kOk, false, MsgKind::Warning, kOk});
    BackupState s;
    EXPECT_FALSE(PrepareBackup(app(), s));
    t.user.VerifyDone();
  }
  EXPECT_FALSE(FolderExists(dest));
}

TEST_F(Prepare, SecondRunOfTheDayMovesTheMirrorForward) {
  Gen(L"100501A");
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_EQ(0, st.TodayRunIndex);
  EXPECT_EQ(dest + L"\\100501B\\", st.NewGeneration);
  EXPECT_EQ(dest + L"\\100501A", st.PreviousGeneration);
  // The mirror moved on; memo and log went back with their generation, the
  // page copy is in both until the run replaces the new one.
  EXPECT_EQ((std::map<std::wstring, std::string>{
                {L"100501A\\", "<dir>"},
                {L"100501A\\ERROR.LOG", "log of 100501A"},
                {L"100501A\\Home.PAG", "page of 100501A"},
                {L"100501A\\MEMO.TXT", "memo of 100501A"},
                {L"100501B\\", "<dir>"},
                {L"100501B\\C_Data\\", "<dir>"},
                {L"100501B\\C_Data\\f.txt", "file of 100501A"},
                {L"100501B\\Home.PAG", "page of 100501A"},
            }),
            Tree(dest));
}

TEST_F(Prepare, LeftoverTempFileInTheRootIsRemoved) {
  Gen(L"100430A");
  Put(dest + L"\\100430A\\~ruzer-ffffffff.tmp", "reserve of a killed run");
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_FALSE(FileExists(dest + L"\\100501A\\~ruzer-ffffffff.tmp"));
  EXPECT_FALSE(FileExists(dest + L"\\100430A\\~ruzer-ffffffff.tmp"));
}

TEST_F(Prepare, TwentySixRunsADayIsTheLimit) {
  for (wchar_t c = L'A'; c <= L'Z'; ++c) Gen(std::wstring(L"100501") + c, c == L'Z');
  const auto before = Tree(dest);
  t.user.ExpectFull({L"本日分は26回保存されています．\r\nこれ以上保存できません．", kOk, false, MsgKind::Warning, kOk});
  EXPECT_FALSE(PrepareBackup(app(), st));
  EXPECT_EQ(before, Tree(dest));
}

TEST_F(Prepare, TheTwentySixthRunIsZ) {
  for (wchar_t c = L'A'; c <= L'Y'; ++c) Gen(std::wstring(L"100501") + c, c == L'Y');
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_EQ(dest + L"\\100501Z\\", st.NewGeneration);
  EXPECT_EQ(24, st.TodayRunIndex);
}

TEST_F(Prepare, OldFormatFoldersAreRenamed) {
  MakeFolder(dest + L"\\10101A");
  MakeFolder(dest + L"\\90101A");
  MakeFolder(dest + L"\\80101A");
  MakeFolder(dest + L"\\30303a");
  MakeFolder(dest + L"\\20202B");
  SetFileAttributesW((dest + L"\\20202B").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_TRUE(FolderExists(dest + L"\\010101A"));
  EXPECT_FALSE(FolderExists(dest + L"\\10101A"));
  EXPECT_TRUE(FolderExists(dest + L"\\90101A"));
  EXPECT_TRUE(FolderExists(dest + L"\\80101A"));
  EXPECT_TRUE(FolderExists(dest + L"\\30303a"));
  EXPECT_TRUE(FolderExists(dest + L"\\20202B"));  // hidden: not ours to rename
  EXPECT_TRUE(Has(t.view.statusHistory, L"旧形式フォルダ\"10101A\"を新形式\"010101A\"に変換中."));
  // The converted folder was the latest: it became today's.
  EXPECT_EQ(dest + L"\\010101A", st.PreviousGeneration);
  SetFileAttributesW((dest + L"\\20202B").c_str(), FILE_ATTRIBUTE_NORMAL);
}

struct RetentionCase {
  const char* title;
  int backdays;
  std::vector<std::wstring> before;
  int day;  // May 2010
  std::vector<std::wstring> after;
};

TEST_F(Prepare, Retention) {
  const RetentionCase cases[] = {
      {"three days, five earlier days", 3,
       {L"100426A", L"100427A", L"100428A", L"100429A", L"100430A"}, 1,
       {L"100429A", L"100430A", L"100501A"}},
      {"one day, first run of the day", 1, {L"100428A", L"100429A", L"100430A"}, 1, {L"100501A"}},
      {"one day, second run of the day", 1, {L"100429A", L"100430A", L"100501A"}, 1,
       {L"100501A", L"100501B"}},
      {"one day, third run of the day", 1, {L"100430A", L"100501A", L"100501B"}, 1,
       {L"100501A", L"100501B", L"100501C"}},
      {"a day without its A is no day", 3, {L"100428A", L"100429B", L"100430A"}, 1,
       {L"100428A", L"100429B", L"100430A", L"100501A"}},
      {"all runs of a kept day stay", 2, {L"100429A", L"100429B", L"100430A", L"100430B"}, 1,
       {L"100430A", L"100430B", L"100501A"}},
      {"fewer days than the retention", 15, {L"100420A", L"100430A"}, 1,
       {L"100420A", L"100430A", L"100501A"}},
      {"second run, retention two", 2, {L"100428A", L"100429A", L"100430A", L"100501A"}, 1,
       {L"100430A", L"100501A", L"100501B"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir d;
    dest = d / L"dest";
    app().env.tamdir = dest;
    app().env.backdays = c.backdays;
    for (const auto& g : c.before) Gen(g);
    Day(2010, 5, c.day);
    BackupState s;
    ASSERT_TRUE(PrepareBackup(app(), s));
    EXPECT_EQ(c.after, Generations(dest));
    for (const auto& g : c.before) {
      const bool gone = !Has(c.after, g);
      EXPECT_EQ(gone, Has(t.view.statusHistory, L"保存期間終了フォルダ<" + g + L">削除.")) << Utf8(g);
    }
    t.view.statusHistory.clear();
  }
}

TEST_F(Prepare, HiddenGenerationIsNeverTouched) {
  Gen(L"100428A");
  Gen(L"100429A");
  Gen(L"100430A");
  SetFileAttributesW((dest + L"\\100430A").c_str(), FILE_ATTRIBUTE_HIDDEN);
  Gen(L"100427A");
  SetFileAttributesW((dest + L"\\100427A").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const auto hidden1 = Tree(dest + L"\\100430A"), hidden2 = Tree(dest + L"\\100427A");
  app().env.backdays = 1;
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_EQ(dest + L"\\100429A", st.PreviousGeneration);  // the hidden one is not the latest
  EXPECT_EQ(hidden1, Tree(dest + L"\\100430A"));
  EXPECT_EQ(hidden2, Tree(dest + L"\\100427A"));
  EXPECT_FALSE(FolderExists(dest + L"\\100428A"));
  EXPECT_FALSE(FolderExists(dest + L"\\100429A"));
  EXPECT_TRUE(FolderExists(dest + L"\\100501A\\C_Data"));
  SetFileAttributesW((dest + L"\\100430A").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((dest + L"\\100427A").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Prepare, HiddenFolderWithTodaysNameIsNotTakenOver) {
  Gen(L"100430A");
  Gen(L"100501A");
  SetFileAttributesW((dest + L"\\100501A").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const auto before = Tree(dest);
  t.user.ExpectFull({L"<" + dest + L"\\100501A>フォルダの作成失敗.\r\n" + SystemErrorText(ERROR_ALREADY_EXISTS),
                     kOk, false, MsgKind::Warning, kOk});
  EXPECT_FALSE(PrepareBackup(app(), st));
  EXPECT_EQ(before, Tree(dest));
  SetFileAttributesW((dest + L"\\100501A").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Prepare, HiddenFolderWithTodaysNameOnAFirstBackup) {
  RemoveDirectoryW(dest.c_str());
  MakeFolder(dest + L"\\100501A");
  Put(dest + L"\\100501A\\private.txt", "not ours");
  SetFileAttributesW((dest + L"\\100501A").c_str(), FILE_ATTRIBUTE_HIDDEN);
  t.user.ExpectPrefix(L"<" + dest + L"\\100501A>フォルダの作成失敗.", kOk);
  EXPECT_FALSE(PrepareBackup(app(), st));
  EXPECT_EQ(L"", st.NewGeneration);
  EXPECT_EQ((std::map<std::wstring, std::string>{{L"100501A\\", "<dir>"}, {L"100501A\\private.txt", "not ours"}}),
            Tree(dest));
  SetFileAttributesW((dest + L"\\100501A").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A run killed or aborted after it made today's generation recorded no
// backup: the day's automatic run backs the page up rather than taking the
// unfinished generation for a done day.
TEST_F(Prepare, AnUnfinishedRunOfTodayIsNoDoneDay) {
  Gen(L"100501A");
  app().AutoMode = true;
  app().PageIndexTable[1].last = L"2010/04/30 08:00:00";
  EXPECT_TRUE(PrepareBackup(app(), st));
  EXPECT_EQ(dest + L"\\100501B\\", st.NewGeneration);
  EXPECT_TRUE(t.clock.sleeps.empty());
}

TEST_F(Prepare, AutomaticModeSkipsAPageSavedToday) {
  Gen(L"100501A");
  app().AutoMode = true;
  app().SleepMs = 1234;
  app().PageIndexTable[1].last = L"2010/05/01 08:00:00";
  const auto before = Tree(dest);
  EXPECT_FALSE(PrepareBackup(app(), st));
  EXPECT_EQ(L"本日分は保存済みです", t.view.status);
  EXPECT_EQ(std::vector<int>{1234}, t.clock.sleeps);
  EXPECT_EQ(before, Tree(dest));
  // Without the once-a-day flag the page is backed up again.
  app().env.check[1] = false;
  BackupState s;
  EXPECT_TRUE(PrepareBackup(app(), s));
  EXPECT_EQ(dest + L"\\100501B\\", s.NewGeneration);
}

TEST_F(Prepare, RemovedRowMovesToThePreviousGeneration) {
  const std::wstring kept = L"C:\\Data", gone = L"C:\\Old\\Deep\\Er";
  Gen(L"100430A");
  Put(dest + L"\\100430A\\C_Old\\Deep\\Er\\x.txt", "x");
  Put(dest + L"\\100430A\\C_Old\\Deep\\Er\\sub\\y.txt", "y");
  WriteBytes(dest + L"\\100430A\\Home.PAG",
             Utf16File(PageLines(app().env, {Row({.caption = kept}),
                                             Row({.caption = gone})})));
  AddRow(kept);
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_FALSE(FolderExists(dest + L"\\100501A\\C_Old"));  // emptied parents go too
  EXPECT_TRUE(FileExists(dest + L"\\100501A\\C_Data\\f.txt"));
  EXPECT_EQ((std::map<std::wstring, std::string>{{L"x.txt", "x"}, {L"sub\\", "<dir>"}, {L"sub\\y.txt", "y"}}),
            Tree(dest + L"\\100430A\\C_Old\\Deep\\Er"));
}

TEST_F(Prepare, RemovedRowParentsThatHoldOtherMirrorsStay) {
  Gen(L"100430A");
  Put(dest + L"\\100430A\\C_Old\\A\\x.txt", "x");
  Put(dest + L"\\100430A\\C_Old\\B\\y.txt", "y");
  WriteBytes(dest + L"\\100430A\\Home.PAG",
             Utf16File(PageLines(app().env, {Row({.caption = L"C:\\Old\\A"}),
                                             Row({.caption = L"C:\\Old\\B"})})));
  AddRow(L"c:\\old\\b");  // letter case does not make a row another one
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_TRUE(FileExists(dest + L"\\100501A\\C_Old\\B\\y.txt"));
  EXPECT_FALSE(FolderExists(dest + L"\\100501A\\C_Old\\A"));
  EXPECT_TRUE(FileExists(dest + L"\\100430A\\C_Old\\A\\x.txt"));
}

TEST_F(Prepare, WithoutThePreviousPageCopyNothingMoves) {
  Gen(L"100430A");
  DeleteFileW((dest + L"\\100430A\\Home.PAG").c_str());
  Put(dest + L"\\100430A\\C_Old\\x.txt", "x");
  AddRow(L"C:\\Data");
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_TRUE(FileExists(dest + L"\\100501A\\C_Old\\x.txt"));
}

TEST_F(Prepare, PageCopyOfAnOldVersionIsNotUsed) {
  Gen(L"100430A");
  Put(dest + L"\\100430A\\C_Old\\x.txt", "x");
  WriteBytes(dest + L"\\100430A\\Home.PAG",
             Utf16File({L"[Ruzer]", L"Vers=5.00", L"Path=" + dest, L"", L"[Folder00001]", L"Sorc=C:\\Old"}));
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_TRUE(FileExists(dest + L"\\100501A\\C_Old\\x.txt"));
}

TEST_F(Prepare, NetworkRowMirrorMovesInsideTheGeneration) {
  Gen(L"100430A");
  Put(dest + L"\\100430A\\__srv\\share\\docs\\n.txt", "n");
  WriteBytes(dest + L"\\100430A\\Home.PAG",
             Utf16File(PageLines(app().env, {Row({.caption = L"\\\\srv\\share\\docs"})})));
  const auto outside = Tree(tmp.path());
  ASSERT_TRUE(PrepareBackup(app(), st));
  EXPECT_TRUE(FileExists(dest + L"\\100430A\\__srv\\share\\docs\\n.txt"));
  EXPECT_FALSE(FolderExists(dest + L"\\100501A\\__srv"));
  EXPECT_TRUE(t.view.errorList.empty());
}

// The page copy on the destination is only a file: folders in it that are no
// plain full paths must not lead the engine outside the generations.
TEST_F(Prepare, HostileRowsInThePageCopyAreReportedAndLeftAlone) {
  // Targets the rows below would reach without the check.
  Put(tmp / L"victim\\keep.txt", "keep");
  MakeFolder(tmp / L"emptyVictim\\inner");
  Gen(L"100430A");
  const std::wstring up = L"C:\\x\\..\\..\\..\\";  // from the mirror up to the temp folder
  const std::vector<std::wstring> hostile = {
      up + L"victim",
      up + L"created\\below",
      up + L"emptyVictim\\inner",
      L"..\\..\\victim",
      L"victim",
      L"\\\\.\\C:\\victim",
      L"\\\\?\\C:\\victim",
      L"C:\\a|b",
      L"C:\\a\\.\\b",
      L"C:relative",
      L"\\rooted\\folder",
      L"\\\\srv\\share\\..\\..\\victim",
      L"\\\\srv\\..\\victim",
      L"\\\\srv",
  };
  std::vector<SourceRow> rows;
  for (const auto& h : hostile) rows.push_back(Row({.caption = h}));
  WriteBytes(dest + L"\\100430A\\Home.PAG", Utf16File(PageLines(app().env, rows)));
  auto outsideBefore = Tree(tmp.path());
  ASSERT_TRUE(PrepareBackup(app(), st));
  auto outsideAfter = Tree(tmp.path());
  // Only the generations changed.
  auto strip = [&](std::map<std::wstring, std::string>& m) {
    for (auto it = m.begin(); it != m.end();)
      it = it->first.rfind(L"dest\\", 0) == 0 ? m.erase(it) : std::next(it);
  };
  strip(outsideBefore);
  strip(outsideAfter);
  EXPECT_EQ(outsideBefore, outsideAfter);
  ASSERT_EQ(hostile.size(), t.view.errorList.size());
  for (size_t i = 0; i < hostile.size(); ++i)
    EXPECT_EQ(ErrorLine(ERROR_BAD_PATHNAME, hostile[i]), t.view.errorList[i]);
  EXPECT_EQ(t.view.errorList, st.errorLog);
}

// The page's letter holds a disk whose label differs only in letter case;
// the labelled disk sits on another letter today. Nothing goes onto the
// wrong disk; the right one takes the generation.
TEST_F(Prepare, WrongVolumeLabelIsNeverWrittenTo) {
  MakeFolder(tmp / L"wrong");
  MakeFolder(tmp / L"right");
  // Two media at once: Wine keeps a drive's label once it has read it.
  MappedDrive wrong(HostPathOf(tmp / L"wrong"), DRIVE_REMOVABLE, L"backup1");
  if (!wrong.ok()) GTEST_SKIP() << wrong.error();
  MappedDrive right(HostPathOf(tmp / L"right"), DRIVE_REMOVABLE, L"BACKUP1");
  if (!right.ok()) GTEST_SKIP() << right.error();
  app().env.volname = L"BACKUP1";  // labels compare with their letter case
  app().env.tamdir = wrong / L"Backup";
  const std::wstring found = std::wstring(1, right.letter()) + L":\\Backup";
  t.user.Expect(L"<" + found + L">フォルダを作成しますか", kYes);
  EXPECT_TRUE(PrepareBackup(app(), st));
  t.user.VerifyDone();
  EXPECT_FALSE(FolderExists(wrong / L"Backup"));
  EXPECT_TRUE(FolderExists(right / L"Backup\\100501A"));
  EXPECT_EQ(wrong / L"Backup", app().env.tamdir);
}

}  // namespace
}  // namespace ruzer::test

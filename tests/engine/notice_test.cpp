// What an interactive start tells of the last runs: pages that waited too
// long, and the errors of each page's newest run.
#include <gtest/gtest.h>

#include "base/textfile.h"
#include "engine/Snotice.h"
#include "support/backup_fixture.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

TEST(StartNotice, AgeOfTheLastBackup) {
  const SYSTEMTIME today = At(2010, 6, 24, 9);
  struct Case {
    const char* what;
    PageFacts page;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"never", {L"P", L"E:\\B", L"", L"", 2, 15}, {L"{P} まだバックアップされていません．"}},
      {"12 days", {L"P", L"E:\\B", L"", L"2010/06/12 23:59:00", 2, 15}, {L"{P} 最後のバックアップから12日経っています．"}},
      {"7 days", {L"P", L"E:\\B", L"", L"2010/06/17 08:00:00", 2, 15}, {}},
      {"8 days", {L"P", L"E:\\B", L"", L"2010/06/16 08:00:00", 2, 15}, {L"{P} 最後のバックアップから8日経っています．"}},
      {"today", {L"P", L"E:\\B", L"", L"2010/06/24 08:00:00", 2, 15}, {}},
      {"retention 3, 4 days", {L"P", L"E:\\B", L"", L"2010/06/20 08:00:00", 2, 3}, {L"{P} 最後のバックアップから4日経っています．"}},
      {"retention 3, 3 days", {L"P", L"E:\\B", L"", L"2010/06/21 08:00:00", 2, 3}, {}},
      {"retention no number", {L"P", L"E:\\B", L"", L"2010/06/20 08:00:00", 2, 0}, {}},
      {"across a year", {L"P", L"E:\\B", L"", L"2009/12/31 08:00:00", 2, 15}, {L"{P} 最後のバックアップから175日経っています．"}},
      {"no destination", {L"P", L"", L"", L"", 2, 15}, {}},
      {"no rows", {L"P", L"E:\\B", L"", L"", 0, 15}, {}},
      {"damaged date", {L"P", L"E:\\B", L"", L"yesterday", 2, 15}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.lines, AgeNotice(c.page, today)) << c.what;
}

TEST(StartNotice, FirstLinesOfTheNewestRunsErrors) {
  EXPECT_TRUE(ErrorNotice(L"Q", L"100624A", {}).empty());
  EXPECT_TRUE(ErrorNotice(L"Q", L"100624A", {L"", L"  "}).empty());
  EXPECT_EQ((std::vector<std::wstring>{L"{Q} 前回のバックアップ (100624A) に 2 件のエラーがあります．", L"a", L"b"}),
            ErrorNotice(L"Q", L"100624A", {L"a", L"", L"b"}));
  std::vector<std::wstring> log;
  for (int i = 0; i < 25; ++i) log.push_back(L"line " + std::to_wstring(i));
  const auto lines = ErrorNotice(L"Q", L"100624B", log);
  ASSERT_EQ(22u, lines.size());
  EXPECT_EQ(L"{Q} 前回のバックアップ (100624B) に 25 件のエラーがあります．", lines.front());
  EXPECT_EQ(L"line 19", lines[20]);
  EXPECT_EQ(L"…ほか 5 件", lines.back());
}

// A file set of four pages on real folders: P waited 12 days, Q's newest run
// had 3 errors, R was backed up today without errors, S's medium is missing.
class StartNoticeSet : public ::testing::Test {
 protected:
  TempDir tmp;
  TestApp t;
  App& app = t.app;

  void Page(const std::wstring& name, const std::wstring& dest, const std::wstring& label,
            const std::wstring& last) {
    EnvPanel env;
    env.tamdir = dest;
    env.volname = label;
    const std::vector<SourceRow> rows = {Row({.caption = L"C:\\Data\\" + name})};
    ASSERT_TRUE(WriteBytes(tmp / (name + L".PAG"), Utf16File(BackupFixture::PageLines(env, rows))));
    app.pages.push_back(name);
    app.PageIndexTable.push_back(IndexRow{std::to_wstring(app.pages.size()), name, dest, label, last});
  }

  void SetUp() override {
    app.FileSetFolder = tmp.path() + L"\\";
    app.IndexFileName = L"RUZER.IDX";
    app.PageIndexTable = {IndexRow{L"No.", L"設定ページ", L"バックアップ先", L"ボリューム名", L"最新バックアップ日"}};
    t.clock.Set(2010, 6, 24, 9);
  }
};

TEST_F(StartNoticeSet, EachPageSaysWhatItNeedsAndNoBoxIsShown) {
  MakeFolder(tmp / L"P\\100612A");
  Page(L"P", tmp / L"P", L"", L"2010/06/12 10:00:00");
  MakeFolder(tmp / L"Q\\100620A");
  MakeFolder(tmp / L"Q\\100624A");
  ASSERT_TRUE(WriteBytes(tmp / L"Q\\100620A\\ERROR.LOG", EncodeAnsiLines({L"old error"})));
  ASSERT_TRUE(WriteBytes(tmp / L"Q\\100624A\\ERROR.LOG",
                         EncodeAnsiLines({L"C:\\Data\\Q\\a.pst <エラー:32> x", L"C:\\Data\\Q\\b <エラー:5> y",
                                          L"C:\\Data\\Q\\c <エラー:2> z"})));
  Page(L"Q", tmp / L"Q", L"", L"2010/06/24 08:00:00");
  MakeFolder(tmp / L"R\\100624A");
  Page(L"R", tmp / L"R", L"", L"2010/06/24 08:00:00");
  Page(L"S", std::wstring(1, UnusedDriveLetter()) + L":\\Backup", L"NOSUCHDISK", L"2010/06/01 08:00:00");

  ShowStartNotice(app);
  t.user.VerifyDone();
  EXPECT_EQ((std::vector<std::wstring>{L"{P} 最後のバックアップから12日経っています．",
                                       L"{Q} 前回のバックアップ (100624A) に 3 件のエラーがあります．",
                                       L"C:\\Data\\Q\\a.pst <エラー:32> x", L"C:\\Data\\Q\\b <エラー:5> y",
                                       L"C:\\Data\\Q\\c <エラー:2> z",
                                       L"{S} 最後のバックアップから23日経っています．"}),
            t.view.errorList);
  EXPECT_EQ(L"確認が必要な設定ページが 3 ページあります．（エラーリスト）", t.view.status);
  EXPECT_TRUE(app.errorListMode);
  EXPECT_TRUE(t.view.bottom.errorListVisible);
}

TEST_F(StartNoticeSet, NothingToSayLeavesListAndStatusAlone) {
  MakeFolder(tmp / L"R\\100624A");
  Page(L"R", tmp / L"R", L"", L"2010/06/24 08:00:00");
  Page(L"NoDest", L"", L"", L"");
  t.view.status = L"";
  ShowStartNotice(app);
  EXPECT_TRUE(t.view.errorList.empty());
  EXPECT_EQ(L"", t.view.status);
}

}  // namespace
}  // namespace ruzer::test

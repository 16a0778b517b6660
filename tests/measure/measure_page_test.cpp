#include <gtest/gtest.h>

#include "base/services.h"
#include "engine/Sdskio.h"
#include "measure/measure_fixture.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

using Lines = std::vector<std::vector<std::wstring>>;

std::wstring Kb(std::int64_t bytes) { return FormatUnits(bytes, 1024); }

struct MeasurePage : MeasureFixture {
  std::int64_t c = 0, o = 0;
  void Measure() {
    check.Reset();
    check.StartClick();
    c = check.clusterSize();
    o = check.folderOverhead();
  }
  std::int64_t A(std::int64_t n) const { return AllocationSize(n, c); }
};

TEST_F(MeasurePage, RowsGiveOneLinePerFolderWithExcludedAndJunctionLines) {
  const std::wstring a = src + L"\\A";
  PutFile(a + L"\\a.txt", std::string(10, 'a'));
  PutFile(a + L"\\b.doc", std::string(5000, 'b'));
  PutFile(a + L"\\~b.doc", std::string(300, 'x'));  // excluded by pattern
  PutFile(a + L"\\c.bin", "not selected");
  PutFile(a + L"\\s1\\c.txt", std::string(4096, 'c'));
  PutFile(a + L"\\skip\\big.txt", std::string(9000, 's'));   // excluded folder
  PutFile(a + L"\\target\\t.txt", std::string(100, 't'));
  ASSERT_TRUE(MakeFolderSymlink(a + L"\\jct", a + L"\\target"));
  ASSERT_TRUE(MakeFolderSymlink(a + L"\\both", a + L"\\target"));  // excluded and a junction
  PutFile(src + L"\\C\\one.txt", "1");
  PutFile(src + L"\\C\\sub\\two.txt", "22");  // switch off: not visited
  PutFile(src + L"\\D\\x.txt", "x");
  MakeFolders(src + L"\\D\\sub");
  SetRows({Row({.caption = a, .comment = L"マイドキュメント", .save = L"*.txt:*.doc", .exclude = L"~*", .excluded = L"skip:both"}),
           Row({.caption = src + L"\\B"}),  // gone
           Row({.caption = src + L"\\C\\", .mark = L""}), Row({.caption = src + L"\\D", .save = L""})});
  Measure();

  const Lines expected = {
      {a, L"マイドキュメント", L"1", Kb(o + A(10) + A(5000)), L"2"},
      {a + L"\\both", L"", L"2", L"(除外)", L""},
      {a + L"\\jct", L"", L"3", L"(Jct)", L""},
      {a + L"\\s1", L"", L"4", Kb(o + A(4096)), L"1"},
      {a + L"\\skip", L"", L"5", L"(除外)", L""},
      {a + L"\\target", L"", L"6", Kb(o + A(100)), L"1"},
      {src + L"\\C\\", L"", L"7", Kb(o + A(1)), L"1"},
      {src + L"\\D", L"", L"8", L"", L""},
  };
  EXPECT_EQ(expected, sizeList());
  EXPECT_EQ(expected, check.lines());

  // The source list: row totals in KB, the missing row marked.
  ASSERT_EQ(4u, app().rows.size());
  EXPECT_EQ(Kb(3 * o + A(10) + A(5000) + A(4096) + A(100)), app().rows[0].size);
  EXPECT_EQ(L"(削除済)", app().rows[1].size);
  EXPECT_EQ(Kb(o + A(1)), app().rows[2].size);
  EXPECT_EQ(L"0", app().rows[3].size);

  const std::int64_t planned = o + 3 * o + A(10) + A(5000) + A(4096) + A(100) + o + A(1);
  EXPECT_EQ(planned, check.planned());
  EXPECT_EQ(5, check.fileCount());
  EXPECT_EQ(L"フォルダ数= 8", shown().dirCount);
  EXPECT_EQ(L"ファイル数= 5", shown().fileCount);
  EXPECT_EQ(L"容量リスト", t.view.bottom.listGroupCaption);
  EXPECT_TRUE(t.view.bottom.sizeListVisible);
  EXPECT_TRUE(t.view.selected.empty());
  RemoveFolderSymlink(a + L"\\jct");
  RemoveFolderSymlink(a + L"\\both");
}

TEST_F(MeasurePage, RowWhoseFolderIsAJunctionCountsNothingLikeTheBackup) {
  PutFile(src + L"\\real\\f.txt", std::string(50, 'f'));
  ASSERT_TRUE(MakeFolderSymlink(src + L"\\link", src + L"\\real"));
  SetRows({Row({.caption = src + L"\\link"})});
  Measure();
  EXPECT_EQ((Lines{{src + L"\\link", L"", L"1", L"(Jct)", L""}}), sizeList());
  EXPECT_EQ(L"(Jct)", app().rows[0].size);
  EXPECT_EQ(0, check.fileCount());
  RemoveFolderSymlink(src + L"\\link");
}

TEST_F(MeasurePage, FolderThatBecameAFileIsDeletedAndTheOtherRowsAreMeasured) {
  PutFile(src + L"\\was-folder", "now a file");
  PutFile(src + L"\\ok\\a.txt", "a");
  SetRows({Row({.caption = src + L"\\was-folder"}), Row({.caption = src + L"\\ok"})});
  Measure();
  EXPECT_EQ(L"(削除済)", app().rows[1].size);
  EXPECT_EQ(Kb(o + A(1)), app().rows[0].size);
  EXPECT_EQ(1u, sizeList().size());
}

TEST_F(MeasurePage, PageExclusionListIsKeptAcrossRows) {
  // A later row meets the folder an earlier row excluded: shut out there too.
  PutFile(src + L"\\A\\in\\x\\f.txt", "f");
  SetRows({Row({.caption = src + L"\\A", .excluded = L"in\\x"}), Row({.caption = src + L"\\A\\in"})});
  Measure();
  int excludedLines = 0;
  for (const auto& l : sizeList()) excludedLines += l[0] == src + L"\\A\\in\\x" && l[3] == L"(除外)";
  EXPECT_EQ(2, excludedLines);
  EXPECT_EQ(0, check.fileCount());
}

TEST_F(MeasurePage, TotalsAreRefreshedEveryHundredthLine) {
  for (int i = 0; i < 205; ++i) MakeFolders(src + L"\\R\\d" + std::to_wstring(1000 + i));
  SetRows({Row({.caption = src + L"\\R"})});
  Measure();
  EXPECT_EQ(206u, sizeList().size());
  int pathStatuses = 0;
  for (const auto& s : t.view.statusHistory)
    if (s.rfind(src, 0) == 0) ++pathStatuses;
  EXPECT_EQ(2, pathStatuses);  // lines 100 and 200
  bool saw100 = false;
  for (const auto& d : checkView.shown) saw100 |= d.dirCount == L"フォルダ数= 100";
  EXPECT_TRUE(saw100);
  // Sorted and numbered from the top.
  for (size_t i = 0; i < sizeList().size(); ++i) EXPECT_EQ(std::to_wstring(i + 1), sizeList()[i][2]);
  EXPECT_EQ(src + L"\\R", sizeList()[0][0]);
  EXPECT_EQ(src + L"\\R\\d1204", sizeList().back()[0]);
}

TEST_F(MeasurePage, LiteralPatternNamingAFileTwiceCountsItOnce) {
  PutFile(src + L"\\L\\a.txt", std::string(10, 'a'));
  SetRows({Row({.caption = src + L"\\L", .save = L"*.txt:A.TXT", .mark = L""})});
  Measure();
  EXPECT_EQ(1, check.fileCount());
  EXPECT_EQ((Lines{{src + L"\\L", L"", L"1", Kb(o + A(10)), L"1"}}), sizeList());
}

TEST_F(MeasurePage, DestinationGenerationsLatestAndOlder) {
  SetRows({});
  PutFile(dest + L"\\100501A\\Home.PAG", std::string(700, 'p'));
  PutFile(dest + L"\\100501A\\C_Data\\a.txt", std::string(5000, 'a'));
  MakeFolders(dest + L"\\100501A\\C_Data\\empty");
  PutFile(dest + L"\\100430A\\old.txt", std::string(3000, 'o'));
  PutFile(dest + L"\\100429B\\x\\y.txt", std::string(1, 'y'));
  PutFile(dest + L"\\note.txt", std::string(20, 'n'));  // a file in the destination counts as older use
  MakeFolders(dest + L"\\other");                         // not seven characters: nothing
  Measure();
  const std::int64_t latest = A(700) + (A(5000) + (0 + c) + c) + c;
  const std::int64_t older = (A(3000) + c) + ((A(1) + c) + c) + A(20);
  EXPECT_EQ(latest, check.lastUse());
  EXPECT_EQ(older, check.olderUse());
  const FreeSpaceInfo fs = GetFreeSpace(dest);
  EXPECT_EQ(FormatMbPercent(latest, Percent(latest, fs.total)), shown().dest);
  EXPECT_EQ(FormatMbPercent(older, Percent(older, fs.total)), shown().past);
}

TEST_F(MeasurePage, DestinationWithoutGenerationsShowsZero) {
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row({.caption = src + L"\\S"})});
  Measure();
  EXPECT_EQ(0, check.lastUse());
  EXPECT_EQ(0, check.olderUse());
  EXPECT_EQ(L"0 MB (  0%)", shown().dest);
  EXPECT_EQ(L"0 MB (  0%)", shown().past);
  const FreeSpaceInfo fs = GetFreeSpace(dest);
  EXPECT_EQ(VerdictText(FreeSpaceVerdict(fs.free, fs.total, 0, check.planned())), shown().msg);
  EXPECT_EQ(FormatUnits(fs.total, 1048576) + L" MB         ", shown().all);
  const int pF = Percent(fs.free, fs.total);
  // Other programs write meanwhile: the free figures are only checked for their form.
  EXPECT_NE(std::wstring::npos, shown().free.find(L" MB ("));
  EXPECT_EQ(L"%)", shown().free.substr(shown().free.size() - 2));
  EXPECT_NEAR(pF * 5, shown().freeBar.width, 5);
  EXPECT_EQ(L"<" + dest + L">", shown().tamdir);
  EXPECT_EQ(L"設定ページ: Home", shown().pageName);
}

TEST_F(MeasurePage, SizesAboveFourGigabytesPerFileAndTwoTerabytesPerPage) {
  constexpr std::int64_t kGB = 1073741824;
  const std::wstring big = src + L"\\Big";
  MakeFolders(big);
  ASSERT_TRUE(MakeBigFile(big + L"\\five.bin", 5 * kGB + 7));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(MakeBigFile(big + L"\\part" + std::to_wstring(i) + L".bin", 800 * kGB));
  SetRows({Row({.caption = big})});
  Measure();
  const std::int64_t bytes = o + A(5 * kGB + 7) + 3 * A(800 * kGB);
  ASSERT_GT(bytes, 2 * 1024 * kGB);
  EXPECT_EQ(o + bytes, check.planned());
  EXPECT_EQ(Kb(bytes), app().rows[0].size);
  EXPECT_EQ(Kb(bytes), sizeList()[0][3]);
  EXPECT_EQ(L"4", sizeList()[0][4]);
}

TEST_F(MeasurePage, NoDestinationWarnsAndMeasuresNothing) {
  app().env.tamdir.clear();
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row({.caption = src + L"\\S"})});
  t.user.ExpectFull({L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.", kOk, false,
                     MsgKind::Warning, kOk});
  Measure();
  t.user.VerifyDone();
  EXPECT_TRUE(sizeList().empty());
  EXPECT_EQ(L"", app().rows[0].size);
  EXPECT_EQ(L"容量測定が終了しました.", shown().status);  // the page counts as done
}

TEST_F(MeasurePage, ColumnWidthsAreWidenedOnce) {
  SetRows({});
  t.view.columnWidths[0] = 300;
  t.view.columnWidths[3] = 60;
  Measure();
  EXPECT_EQ(100, t.view.columnWidths[3]);
  EXPECT_EQ(200, t.view.columnWidths[0]);
  EXPECT_EQ(200, t.view.sizeFirstWidth);
  check.StartClick();  // already 100 wide: nothing changes
  EXPECT_EQ(200, t.view.columnWidths[0]);
}

TEST_F(MeasurePage, AbortPartWayKeepsWhatWasMeasuredAndShowsNoVerdict) {
  for (int i = 0; i < 30; ++i) PutFile(src + L"\\A\\f" + std::to_wstring(i) + L".txt", "x");
  for (int i = 0; i < 5; ++i) PutFile(src + L"\\A\\s" + std::to_wstring(i) + L"\\g.txt", "g");
  PutFile(src + L"\\B\\b.txt", "b");
  SetRows({Row({.caption = src + L"\\A"}), Row({.caption = src + L"\\B"})});
  int pumps = 0;
  t.view.onPump = [&] {
    if (++pumps == 40) check.AbortClick();
  };
  Measure();
  EXPECT_EQ(L"測定中断．表示結果は正しく無い可能性があります．", shown().status);
  EXPECT_LT(sizeList().size(), 7u);
  EXPECT_FALSE(sizeList().empty());
  for (size_t i = 0; i < sizeList().size(); ++i) EXPECT_EQ(std::to_wstring(i + 1), sizeList()[i][2]);
  EXPECT_EQ(L"", shown().dest);
  EXPECT_EQ(L"", shown().past);
  EXPECT_EQ(L"", shown().msg);
  EXPECT_FALSE(shown().warnVisible);
  EXPECT_EQ(L"", app().rows[1].size);  // the second row was never reached
  EXPECT_FALSE(shown().abortVisible);
  EXPECT_TRUE(shown().startEnabled);
}

// ---------------------------------------------------------------- the page cycle

TEST_F(MeasurePage, ButtonCyclesOverThreePagesThenStartsAgain) {
  PutFile(src + L"\\P1\\a.txt", "1");
  PutFile(src + L"\\P2\\b.txt", "22");
  PutFile(src + L"\\P3\\c.txt", "333");
  SetPages({{Row({.caption = src + L"\\P1"})}, {Row({.caption = src + L"\\P2"})}, {Row({.caption = src + L"\\P3"})}});
  check.Reset();
  EXPECT_EQ(L"設定ページ： P1", shown().pageName);
  EXPECT_EQ(L"開始(&S)", shown().startCaption);

  struct Step {
    int page;
    std::wstring caption, status;
  } steps[] = {
      {0, L"次頁(&S)", L"[次頁]ボタンで次の設定ページの測定."},
      {1, L"次頁(&S)", L"[次頁]ボタンで次の設定ページの測定."},
      {2, L"開始(&S)", L"全設定ページの容量測定が終了しました."},
      {0, L"次頁(&S)", L"[次頁]ボタンで次の設定ページの測定."},
  };
  for (const auto& s : steps) {
    check.StartClick();
    EXPECT_EQ(s.page, app().activePage);
    EXPECT_EQ(s.page, t.view.activeTab);
    EXPECT_EQ(s.caption, shown().startCaption);
    EXPECT_EQ(s.status, shown().status);
    EXPECT_TRUE(shown().startEnabled);
    EXPECT_EQ(L"設定ページ: P" + std::to_wstring(s.page + 1), shown().pageName);
    ASSERT_EQ(1u, sizeList().size());
    EXPECT_EQ(src + L"\\P" + std::to_wstring(s.page + 1), sizeList()[0][0]);
    EXPECT_EQ(L"", t.view.status);
  }
}

TEST_F(MeasurePage, NextPageOfAnOldFormatStopsTheCycle) {
  SetPages({{}, {}}, {L"6.00", L"5.00"});
  check.Reset();
  check.StartClick();
  EXPECT_EQ(L"開始(&S)", shown().startCaption);
  EXPECT_FALSE(shown().startEnabled);
  EXPECT_EQ(L"次の設定ページの測定には「容量測定」をいったん終了してください．", shown().status);
}

TEST_F(MeasurePage, SinglePageEndsAtOnceAndMeasuresItAgain) {
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row({.caption = src + L"\\S"})});
  Measure();
  EXPECT_EQ(L"容量測定が終了しました.", shown().status);
  EXPECT_EQ(L"開始(&S)", shown().startCaption);
  PutFile(src + L"\\S\\b.txt", "b");
  check.StartClick();
  EXPECT_EQ(2, check.fileCount());
}

TEST_F(MeasurePage, ResetClearsTheDisplay) {
  PutFile(src + L"\\S\\a.txt", "a");
  SetRows({Row({.caption = src + L"\\S"})});
  Measure();
  ASSERT_FALSE(sizeList().empty());
  check.Reset();
  EXPECT_TRUE(sizeList().empty());
  const CheckDisplay& d = shown();
  for (const std::wstring* s : {&d.tamdir, &d.all, &d.free, &d.past, &d.dest, &d.dirCount, &d.fileCount, &d.src,
                                &d.msg, &d.status})
    EXPECT_EQ(L"", *s);
  for (const CheckBar* b : {&d.past_, &d.dest_, &d.fill, &d.srcBar, &d.freeBar}) EXPECT_EQ(CheckBar{}, *b);
  EXPECT_FALSE(d.warnVisible);
  EXPECT_EQ(L"開始(&S)", d.startCaption);
}

}  // namespace
}  // namespace ruzer::test

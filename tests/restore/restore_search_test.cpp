// The result dialog's search: which versions the generations hold, shown as a
// grid of names and times.
#include "restore_fixture.h"

#include "support/drives.h"

namespace ruzer::test {
namespace {

TEST(RestoreNames, GenerationOfEachLineAndTheColumnsNewestFirst) {
  EXPECT_EQ(L"100501B", GenerationOfLine(L"10年 05月 01日 B : 月末"));
  EXPECT_EQ(L"100430A", GenerationOfLine(GenerationLine(L"100430A", L"")));
  const std::vector<std::wstring> lines = {GenerationLine(L"100430A", L""), GenerationLine(L"100501A", L"m"),
                                           GenerationLine(L"100501B", L"")};
  EXPECT_EQ((std::vector<std::wstring>{L"100501B", L"100501A", L"100430A"}), SearchedGenerations(lines, 0));
  EXPECT_EQ((std::vector<std::wstring>{L"100501B"}), SearchedGenerations(lines, 2));
  EXPECT_TRUE(SearchedGenerations({}, 0).empty());
}

TEST(RestoreNames, PlacesOfAFolderInAGeneration) {
  struct Case {
    const wchar_t* folder;
    std::vector<std::wstring> places;
  };
  const Case cases[] = {
      {L"D:\\A\\B", {L"D_A\\B", L"D\\A\\B"}},  // the row D:\A (or D:\A\B) and the row D:\ .
      {L"D:\\A", {L"D_A", L"D\\A"}},
      {L"D:", {L"D"}},  // the drive root itself
      {L"\\\\srv\\share\\x", {L"__srv\\share\\x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.places, PlacesInGeneration(c.folder)) << Utf8(c.folder);
}

TEST(RestoreNames, SearchFolderIsNormalisedOrRefused) {
  struct Case {
    const wchar_t* text;
    const wchar_t* folder;
  };
  const Case cases[] = {
      {L"C:\\Data\\", L"C:\\Data"},
      {L"C:\\", L"C:"},
      {L"C:\\a\\..\\Data", L"C:\\Data"},  // ".." cannot lead the generation's mirror elsewhere
      {L"C:/Data/x", L"C:\\Data\\x"},
      {L"Data", L""},                    // relative: would mean wherever the program runs
      {L"C:Data", L""},
      {L"C:\\a|b", L""},
      {L"C:\\con\\x", L""},
      {L"\\\\srv\\share\\d", L"\\\\srv\\share\\d"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.folder, NormalizedSearchFolder(c.text)) << Utf8(c.text);
}

TEST(RestoreCells, TimesAndTheirTexts) {
  EXPECT_EQ(L"", FormatCellTime(kNoTime));
  EXPECT_EQ(L"×", FormatCellTime(kFailedCell));
  EXPECT_EQ(L"10/05/01 09:08:07", FormatCellTime(CellTimeOfLocal(At(2010, 5, 1, 9, 8, 7))));
  EXPECT_EQ(L"99/12/31 23:59:59", FormatCellTime(CellTimeOfLocal(At(1999, 12, 31, 23, 59, 59))));
  // The listing's packed date goes in two-second steps; the file's own time does not.
  FILETIME local, utc;
  SYSTEMTIME odd = At(2010, 5, 1, 9, 8, 7);
  SystemTimeToFileTime(&odd, &local);
  LocalFileTimeToFileTime(&local, &utc);
  EXPECT_EQ(L"10/05/01 09:08:06", FormatCellTime(CellTimeOfListing(utc)));
  EXPECT_EQ(L"10/05/01 09:08:07", FormatCellTime(CellTimeOfFile(utc)));
}

TEST(RestoreGridModel, OneRowPerNameWhateverItsCaseAndRowsNeverShrink) {
  RestoreGrid g;
  g.Reset({L"100502A", L"100501A"});
  EXPECT_EQ(6, g.RowCount()) << "a header and five empty rows to begin with";
  EXPECT_EQ(4, g.ColumnCount());
  for (int i = 0; i < 7; ++i) g.AddName(L"f" + std::to_wstring(i));
  EXPECT_EQ(1, g.AddName(L"F0"));
  EXPECT_EQ(2, g.FindName(L"f1"));
  EXPECT_EQ(8, g.RowCount());
  g.Reset({L"100502A"});
  EXPECT_EQ(8, g.RowCount()) << "rows past the names stay, empty";
  EXPECT_EQ(3, g.ColumnCount());
  std::wstring s = L"x";
  g.CellText(3, 0, s);
  EXPECT_EQ(L"", s);
  g.CellText(0, 2, s);
  EXPECT_EQ(L"100502A", s);
}

TEST_F(RestoreTest, GridShowsCurrentFilesThenNamesOnlyTheGenerationsHold) {
  PutAt(folder + L"\\a.txt", "a now", At(2010, 5, 3, 10, 0, 3));
  PutAt(folder + L"\\Report.TXT", "r now", At(2010, 5, 3, 11, 0, 0));
  PutAt(InGen(L"100503A", L"a.txt"), "a now", At(2010, 5, 3, 10, 0, 3));
  PutAt(InGen(L"100503A", L"report.txt"), "r now", At(2010, 5, 3, 11, 0, 0));
  PutAt(InGen(L"100502A", L"a.txt"), "a old", At(2010, 5, 2, 9, 0, 0));
  PutAt(InGen(L"100502A", L"gone.txt"), "gone", At(2010, 5, 2, 9, 30, 0));
  PutAt(InGen(L"100501A", L"older.txt"), "older", At(2010, 5, 1, 8, 0, 0));
  MakeFolder(InGen(L"100503A", L"sub"));  // folders are no rows

  Open({L"100501A", L"100502A", L"100503A"});
  EXPECT_EQ(5, st.grid.ColumnCount());
  EXPECT_EQ(L"ファイル名", Text(0, 0));
  EXPECT_EQ(L"現在", Text(0, 1));
  EXPECT_EQ(L"100503A", Text(0, 2));
  EXPECT_EQ(L"100501A", Text(0, 4));
  ASSERT_EQ(4, st.grid.NameCount());
  // The folder's files first (in listing order), then the others as the search meets them.
  EXPECT_LE(Row(L"a.txt"), 2);
  EXPECT_LE(Row(L"report.txt"), 2);
  EXPECT_EQ(L"Report.TXT", st.grid.Name(Row(L"report.txt"))) << "the name as the folder has it";
  EXPECT_EQ(3, Row(L"gone.txt"));
  EXPECT_EQ(4, Row(L"older.txt"));
  // An unchanged file with an odd second: one second earlier in "現在".
  EXPECT_EQ(L"10/05/03 10:00:02", Text(L"a.txt", 1));
  EXPECT_EQ(L"10/05/03 10:00:03", Text(L"a.txt", 2));
  EXPECT_EQ(L"10/05/02 09:00:00", Text(L"a.txt", 3));
  EXPECT_EQ(L"", Text(L"a.txt", 4));
  EXPECT_EQ(L"", Text(L"gone.txt", 1));
  EXPECT_EQ(L"10/05/02 09:30:00", Text(L"gone.txt", 3));
  EXPECT_EQ(L"検索完了．", view.status);
  EXPECT_TRUE(view.restoreEnabled);
  EXPECT_FALSE(app().AbortRequested);
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 100}}), view.columnWidths);
  EXPECT_EQ(70, view.defaultWidth);
}

TEST_F(RestoreTest, SelectedLineDecidesHowManyGenerationsAreSearched) {
  PutAt(InGen(L"100501A", L"x.txt"), "1", At(2010, 5, 1, 8, 0, 0));
  PutAt(InGen(L"100502A", L"y.txt"), "2", At(2010, 5, 2, 8, 0, 0));
  Open({L"100501A", L"100502A"}, 1);  // the newest only
  EXPECT_EQ(3, st.grid.ColumnCount());
  EXPECT_EQ(L"100502A", Text(0, 2));
  EXPECT_EQ(1, st.grid.NameCount());
  EXPECT_EQ(-1, Row(L"x.txt"));
}

TEST_F(RestoreTest, MissingFolderAndGenerationsWithoutItLeaveCellsEmpty) {
  PutAt(InGen(L"100502A", L"y.txt"), "2", At(2010, 5, 2, 8, 0, 0));
  MakeFolder(dest + L"\\100501A");  // holds nothing of the folder
  Open({L"100501A", L"100502A"});
  EXPECT_EQ(1, st.grid.NameCount());
  EXPECT_EQ(L"", Text(L"y.txt", 1));
  EXPECT_EQ(L"", Text(L"y.txt", 3));
  EXPECT_EQ(L"検索完了．", view.status);
}

TEST_F(RestoreTest, HiddenSystemAndReadOnlyFilesAreListedToo) {
  PutAt(folder + L"\\h.txt", "h", At(2010, 5, 3, 10, 0, 0));
  SetFileAttributesW(LongPath(folder + L"\\h.txt").c_str(),
                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  PutAt(InGen(L"100502A", L"r.txt"), "r", At(2010, 5, 2, 8, 0, 0));
  SetFileAttributesW(LongPath(InGen(L"100502A", L"r.txt")).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  Open({L"100502A"});
  EXPECT_EQ(L"10/05/03 10:00:00", Text(L"h.txt", 1));
  EXPECT_EQ(L"10/05/02 08:00:00", Text(L"r.txt", 2));
  SetFileAttributesW(LongPath(folder + L"\\h.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RestoreTest, ExitDuringTheSearchStopsItAndClosesAfterwards) {
  for (int i = 0; i < 20; ++i) PutAt(InGen(L"100501A", L"f" + std::to_wstring(i)), "x", At(2010, 5, 1, 8, 0, 0));
  PutAt(InGen(L"100502A", L"late.txt"), "x", At(2010, 5, 2, 8, 0, 0));
  int pumps = 0;
  bool closeNow = true;
  t.view.onPump = [&] {
    if (++pumps == 5) closeNow = ExitPressed(t.app, st, view);
  };
  Open({L"100501A", L"100502A"});
  EXPECT_FALSE(closeNow) << "a running search finishes its step first";
  EXPECT_TRUE(st.closeWhenDone);
  EXPECT_EQ(L"検索中断．", view.status);
  EXPECT_LT(st.grid.NameCount(), 21);
  EXPECT_TRUE(view.restoreEnabled);
  RestoreClosed(t.app, st);
  EXPECT_FALSE(t.app.AbortRequested);
}

TEST_F(RestoreTest, ExitWhenIdleClosesAtOnceAndASecondPressSaysSo) {
  Open({L"100501A"});
  EXPECT_TRUE(ExitPressed(t.app, st, view));
  EXPECT_TRUE(t.app.AbortRequested);
  EXPECT_TRUE(ExitPressed(t.app, st, view));
  EXPECT_EQ(L"検索を中断しました.", view.status);
  RestoreClosed(t.app, st);
  EXPECT_FALSE(t.app.AbortRequested);
}

TEST_F(RestoreTest, TimeDisplayWidensEveryColumnButTheFirst) {
  Open({L"100501A"});
  TimeDisplayChanged(st, view, true);
  EXPECT_EQ(140, view.defaultWidth);
  TimeDisplayChanged(st, view, false);
  EXPECT_EQ(70, view.defaultWidth);
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 100}}), view.columnWidths) << "column 0 keeps its width";
  // The next opening keeps the choice.
  TimeDisplayChanged(st, view, true);
  Open({L"100501A"});
  EXPECT_EQ(140, view.defaultWidth);
}

// A drive-root row keeps D:\A\B as D\A\B; MirrorName of the folder is D_A\B. Both are searched.
TEST_F(RestoreTest, FolderBelowADriveRootRowIsFoundInTheRootsMirror) {
  const std::vector<std::wstring> places = PlacesInGeneration(folder);
  ASSERT_EQ(2u, places.size());
  const std::wstring rootPlace = dest + L"\\100501A\\" + places[1];
  PutAt(rootPlace + L"\\r.txt", "from the root row", At(2010, 5, 1, 8, 0, 0));
  PutAt(rootPlace + L"\\both.txt", "root copy", At(2010, 5, 1, 8, 0, 0));
  PutAt(InGen(L"100501A", L"both.txt"), "row copy", At(2010, 5, 1, 9, 0, 0));
  PutAt(InGen(L"100502A", L"n.txt"), "newer row", At(2010, 5, 2, 8, 0, 0));
  Open({L"100501A", L"100502A"});
  EXPECT_EQ(L"10/05/01 08:00:00", Text(L"r.txt", 3));
  EXPECT_EQ(L"10/05/01 09:00:00", Text(L"both.txt", 3)) << "the folder's own mirror comes first";
  EXPECT_EQ(rootPlace + L"\\r.txt", CellSource(st, Row(L"r.txt"), 3));

  Select(Row(L"r.txt"), 3, Row(L"r.txt"), 3);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ("from the root row", ReadBytes(folder + L"\\r.txt"));
  Select(Row(L"both.txt"), 3, Row(L"both.txt"), 3);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ("row copy", ReadBytes(folder + L"\\both.txt"));
}

TEST_F(RestoreTest, LinkInAGenerationIsNeverFollowed) {
  const std::wstring outside = tmp / L"outside";
  PutAt(outside + L"\\secret.txt", "not in the backup", At(2010, 5, 1, 8, 0, 0));
  const std::wstring mirror = dest + L"\\100501A\\" + MirrorName(folder);
  MakeFolder(mirror.substr(0, mirror.rfind(L'\\')));
  if (!MakeFolderSymlink(mirror, outside)) GTEST_SKIP() << "no folder links here";
  PutAt(InGen(L"100502A", L"real.txt"), "backed up", At(2010, 5, 2, 8, 0, 0));
  Open({L"100501A", L"100502A"});
  EXPECT_EQ(-1, Row(L"secret.txt"));
  EXPECT_EQ(1, st.grid.NameCount());
  RemoveFolderSymlink(mirror);
}

}  // namespace
}  // namespace ruzer::test

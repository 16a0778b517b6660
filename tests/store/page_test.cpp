#include <windows.h>

#include "store/store_fixture.h"

namespace ruzer::test {
namespace {

// A file set with one page "P" whose page file holds `lines` (UTF-16).
class PageTest : public OnePageTest {
 protected:
  void WritePage(const std::vector<std::wstring>& lines) { ASSERT_TRUE(WriteBytes(Pag(L"P"), Utf16File(lines))); }
  std::vector<std::wstring> Header(const std::wstring& extra = L"") {
    std::vector<std::wstring> l = {L"[Ruzer]", L"Vers=6.00", L"Path=E:\\Backup", L"Labl=BACKUP1", L"Bday=15",
                                   L"Flgs=1101",  L"Cont=1",    L"Yfil=*.*",       L"Zfil="};
    if (!extra.empty()) l.push_back(extra);
    return l;
  }
};

std::wstring Repeat(const std::wstring& piece, size_t count) {
  std::wstring s;
  for (size_t i = 0; i < count; ++i) s += piece;
  return s;
}

// ---------------------------------------------------------------- writing

TEST_F(PageTest, ExampleRowIsWrittenLineByLine) {
  app.env.tamdir = L"E:\\Backup";
  app.env.volname = L"BACKUP1";
  app.rows = {Row({.caption = L"C:\\Users\\me\\Documents", .comment = L"マイ ドキュメント"})};
  ASSERT_TRUE(WritePageFile(app));
  EXPECT_EQ(Utf16File({L"[Ruzer]", L"Vers=6.00", L"Path=E:\\Backup", L"Labl=BACKUP1", L"Bday=15", L"Flgs=1101",
                       L"Cont=1", L"Yfil=*.*", L"Zfil=", L"", L"[Folder00001]", L"Sorc=C:\\Users\\me\\Documents",
                       L"Efol=マイ ドキュメント", L"Wfil=*.*", L"Xfil=", L"Mark=o"}),
            ReadBytes(Pag(L"P")));
}

TEST_F(PageTest, EmptyPageWritesNineLinesAndReadsBackEmpty) {
  ASSERT_TRUE(WritePageFile(app));
  EXPECT_EQ(Utf16File(EmptyPageLines()), ReadBytes(Pag(L"P")));
  app.rows.push_back(Row({.caption = L"C:\\x"}));
  EXPECT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(0, app.RowCount());
  EXPECT_EQ(EnvPanel{}, app.env);
}

TEST_F(PageTest, WritePageFileWritesTheIndexFirst) {
  AddPageTab(app, L"Second");
  ASSERT_TRUE(WritePageFile(app));
  EXPECT_TRUE(FileExists(Pag(L"Second")));
  EXPECT_EQ(L"Fname2=Second", ReadUtf16Lines(Idx())[11]);
}

TEST_F(PageTest, ExcludedFoldersOf600CharactersTakeThreeULines) {
  const std::wstring excluded = Repeat(L"abcdefghi:", 60);
  ASSERT_EQ(600u, excluded.size());
  app.rows = {Row({.caption = L"C:\\A", .save = L"*.doc", .exclude = L"*.tmp", .excluded = excluded})};
  ASSERT_TRUE(WritePageFile(app));
  const auto lines = ReadUtf16Lines(Pag(L"P"));
  ASSERT_EQ(19u, lines.size());
  EXPECT_EQ(L"U000=" + excluded.substr(0, 250), lines[15]);
  EXPECT_EQ(L"U001=" + excluded.substr(250, 250), lines[16]);
  EXPECT_EQ(L"U002=" + excluded.substr(500), lines[17]);
  EXPECT_EQ(L"Mark=o", lines[18]);

  app.rows.clear();
  ASSERT_TRUE(ReadPageFile(app, false));
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(excluded, GetExcludedFolders(app.rows[0]));
}

TEST_F(PageTest, RoundTripKeepsConditionsAndRows) {
  EnvPanel env;
  env.tamdir = L"\\\\server\\share\\バックアップ";
  env.volname = L"USB-1";
  env.backdays = 365;
  env.check = {false, true, true, false};
  env.defSave1 = L"*.doc:*.xls";
  env.defSave2 = L"*.tmp";
  app.env = env;
  app.rows = {Row({.caption = L"D:\\b", .mark = L""}),
              Row({.caption = L"C:\\a", .comment = L"コメント", .save = L"*.txt:*.DOC", .exclude = L"~*", .excluded = L"sub:sub2\\x"}),
              Row({.caption = L"C:\\c", .save = L"", .excluded = Repeat(L"x", 250)})};
  ASSERT_TRUE(WritePageFile(app));
  const std::vector<SourceRow> written = app.rows;

  app.env = EnvPanel{};
  app.rows.clear();
  LoadActivePage(app);
  EXPECT_EQ(env, app.env);
  ASSERT_EQ(3, app.RowCount());
  // Sorted by caption and numbered from 1.
  EXPECT_EQ(L"C:\\a", app.rows[0].caption);
  EXPECT_EQ(L"C:\\c", app.rows[1].caption);
  EXPECT_EQ(L"D:\\b", app.rows[2].caption);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::to_wstring(i + 1), app.rows[i].no);
  SourceRow a = written[1];
  a.no = L"1";
  EXPECT_EQ(a, app.rows[0]);
  EXPECT_EQ(Repeat(L"x", 250), app.rows[1].excluded) << "exactly one U line";
  EXPECT_EQ(env.tamdir, app.PageIndexTable[1].dest);
  EXPECT_EQ(L"USB-1", app.PageIndexTable[1].label);
}

TEST_F(PageTest, ValuesCannotBreakTheLineStructure) {
  app.rows = {Row({.caption = L"C:\\a\r\nSorc=C:\\evil", .comment = L"x\ny"})};
  ASSERT_TRUE(WritePageFile(app));
  app.rows.clear();
  ASSERT_TRUE(ReadPageFile(app, false));
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"C:\\a  Sorc=C:\\evil", app.rows[0].caption);
  EXPECT_EQ(L"x y", app.rows[0].comment);
}

TEST_F(PageTest, Row100000GetsSectionNumber00000AndStillLoads) {
  for (int i = 1; i <= 100000; ++i) app.rows.push_back(Row({.caption = L"C:\\r" + std::to_wstring(1000000 + i)}));
  ASSERT_TRUE(WritePageFile(app));
  const auto lines = ReadUtf16Lines(Pag(L"P"));
  EXPECT_EQ(L"Cont=100000", lines[6]);
  EXPECT_EQ(L"[Folder00001]", lines[10]);
  EXPECT_EQ(L"[Folder99999]", lines[9 + 99998 * 7 + 1]);
  EXPECT_EQ(L"[Folder00000]", lines[9 + 99999 * 7 + 1]);
  app.rows.clear();
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(100000, app.RowCount());
}

// ---------------------------------------------------------------- reading

TEST_F(PageTest, FirstCharacterDecidesAndTheValueStartsAtTheSixthCharacter) {
  WritePage({L"[Ruzer]", L"Efol=before any row", L"Wfil=ignored", L"Cont=99", L"Pathname",
             L"Labl=  VOL", L"Yfil=", L"", L"[Folder00001]", L"Sorc=C:\\One", L"Eabc=comment", L"W=====*.a",
             L"Xfil=*.b", L"U000=e1:", L"U001=e2", L"Mark=o", L"Sorc=C:\\Two", L"Mark=", L"Zfil=*.z",
             L"S", L"lower=ignored", L"Sorc=C:\\Three"});
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(L"ame", app.env.tamdir);
  EXPECT_EQ(L"  VOL", app.env.volname) << "values keep their blanks";
  EXPECT_EQ(L"", app.env.defSave1);
  EXPECT_EQ(L"*.z", app.env.defSave2);
  ASSERT_EQ(4, app.RowCount());
  // Sorted: "" < "C:\One" < "C:\Three" < "C:\Two".
  EXPECT_EQ(L"", app.rows[0].caption);
  const SourceRow& one = app.rows[1];
  EXPECT_EQ(L"C:\\One", one.caption);
  EXPECT_EQ(L"comment", one.comment);
  EXPECT_EQ(L"=*.a", one.save);
  EXPECT_EQ(L"*.b", one.exclude);
  EXPECT_EQ(L"e1:e2", one.excluded);
  EXPECT_EQ(L"o", one.mark);
  EXPECT_EQ(L"", app.rows[3].excluded) << "the collector starts empty for every row";
}

TEST_F(PageTest, FlagsTakeAsManyCharactersAsThereAre) {
  const struct {
    const wchar_t* value;
    std::array<bool, 4> check;
  } cases[] = {
      {L"01", {false, true, false, true}},   {L"0000", {false, false, false, false}},
      {L"11111", {true, true, true, true}},  {L"0", {false, true, false, true}},
      {L"", {true, true, false, true}},      {L"x0y0", {true, false, true, false}},
  };
  for (const auto& c : cases) {
    WritePage({L"[Ruzer]", std::wstring(L"Flgs=") + c.value});
    ASSERT_TRUE(ReadPageFile(app, false));
    EXPECT_EQ(c.check, app.env.check) << Utf8(c.value);
    app.env = EnvPanel{};
    ReadPageFlags(app);
    EXPECT_EQ(c.check, app.env.check) << Utf8(c.value);
  }
}

TEST_F(PageTest, OldOnceADayLineSetsFlag2) {
  WritePage({L"[Ruzer]", L"Once=0"});
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_FALSE(app.env.check[1]);
  WritePage({L"[Ruzer]", L"Flgs=0000", L"Once=1"});
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_TRUE(app.env.check[1]);
}

TEST_F(PageTest, ValuesAreCutAt260Characters) {
  const std::wstring longPath = L"C:\\" + Repeat(L"長", 400);
  WritePage({L"[Ruzer]", L"Path=" + longPath, L"Sorc=" + longPath, L"U000=" + Repeat(L"u", 300), L"Mark=o"});
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(longPath.substr(0, 260), app.env.tamdir);
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(longPath.substr(0, 260), app.rows[0].caption);
  EXPECT_EQ(Repeat(L"u", 260), app.rows[0].excluded);
}

TEST_F(PageTest, RowWithoutMarkLineLosesItsExcludedFolders) {
  WritePage({L"[Ruzer]", L"Sorc=C:\\A", L"U000=sub", L"Sorc=C:\\B", L"U000=other", L"Mark=o"});
  ASSERT_TRUE(ReadPageFile(app, false));
  ASSERT_EQ(2, app.RowCount());
  EXPECT_EQ(L"", app.rows[0].excluded);
  EXPECT_EQ(L"other", app.rows[1].excluded);
}

TEST_F(PageTest, ReadsEightBitPageFilesOfOlderVersionsAsText) {
  // No "Vers=" line: the rows are current rows.
  ASSERT_TRUE(WriteBytes(Pag(L"P"), "[Ruzer]\r\nPath=E:\\\x8E\xCA\x90\x5E\r\nSorc=C:\\\x93\xFA\x96\x7B\r\nMark=o\r\n"));
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(L"E:\\写真", app.env.tamdir);
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"C:\\日本", app.rows[0].caption);
}

TEST_F(PageTest, MissingPageFileGivesDefaultsAndFalse) {
  app.env.tamdir = L"X";
  app.rows.push_back(Row({.caption = L"C:\\x"}));
  EXPECT_FALSE(ReadPageFile(app, false));
  EXPECT_EQ(EnvPanel{}, app.env);
  EXPECT_EQ(0, app.RowCount());
  EXPECT_EQ(L"", t.view.status);
  EXPECT_EQ(L"P", app.CurrentPageName);
}

TEST_F(PageTest, ReadingShowsProgressAndHidesTheBottomPanelUnlessErrorsAreShown) {
  WritePage(Header());
  t.view.bottom.height = 250;
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(1, t.view.bottom.height);
  EXPECT_NE(t.view.statusHistory.end(),
            std::find(t.view.statusHistory.begin(), t.view.statusHistory.end(), L"設定データ読み込み中..."));
  EXPECT_EQ(L"", t.view.status);

  app.errorListMode = true;
  t.view.bottom.height = 100;
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(100, t.view.bottom.height);
}

// A retention that is no number is shown with its file and value; the rows
// stay, and writing the page keeps the line as the file had it until the
// user sets a retention.
TEST_F(PageTest, NonIntegerRetentionIsReportedKeptAndTheRowsStay) {
  for (const wchar_t* value : {L"abc", L"", L"1.5", L"99999999999", L"15 days", L"30x"}) {
    SCOPED_TRACE(Utf8(value));
    const std::wstring line = std::wstring(L"Bday=") + value;
    WritePage({L"[Ruzer]", L"Vers=6.00", L"Path=E:\\B", line, L"Sorc=C:\\A", L"Mark=o", L"Sorc=C:\\B", L"Mark=o"});
    t.user.ExpectFull(Exact(L"設定ページファイル\"" + Pag(L"P") + L"\"の保存日数\"" + value +
                                L"\"は整数ではありません．\r\nこのページはバックアップしません．「条件設定」で保存日数を設定してください．",
                            MsgKind::Error, kOk, 0));
    EXPECT_TRUE(ReadPageFile(app, false));
    t.user.VerifyDone();
    EXPECT_EQ(line, app.env.badRetention);
    EXPECT_EQ(2, app.RowCount());
    EXPECT_EQ(L"E:\\B", app.env.tamdir);

    app.rows.pop_back();
    ASSERT_TRUE(WritePageFile(app));
    const auto lines = ReadUtf16Lines(Pag(L"P"));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line));
    EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), L"Bday=15"));
  }
  WritePage({L"[Ruzer]", L"Bday= -3 "});
  EXPECT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(-3, app.env.backdays);
  EXPECT_EQ(L"", app.env.badRetention);
}

// During a backup run the page's own run reports it; no box stops the run.
TEST_F(PageTest, NonIntegerRetentionInABackupRunShowsNoBox) {
  WritePage({L"[Ruzer]", L"Bday=30x", L"Sorc=C:\\A", L"Mark=o"});
  app.busy = true;
  EXPECT_TRUE(ReadPageFile(app, false));
  EXPECT_EQ(L"Bday=30x", app.env.badRetention);
  EXPECT_EQ(1, app.RowCount());
}

// ---------------------------------------------------------------- unreadable page files

TEST_F(PageTest, UnreadablePageIsNotWrittenOverWithoutTheUsersYes) {
  const std::string binary = std::string("\xFF\xFE", 2) + std::string("S\0o\0r\0c\0=\0\0\0\0\0", 14);
  ASSERT_TRUE(WriteBytes(Pag(L"P"), binary));
  t.user.ExpectFull(Exact(L"設定ページファイル\"" + Pag(L"P") + L"\"を読み込めません．\r\nファイルの内容が正しくありません．",
                          MsgKind::Error, kOk, 0));
  EXPECT_FALSE(ReadPageFile(app, false));
  EXPECT_TRUE(app.PageUnreadable);
  EXPECT_EQ(0, app.RowCount());

  const std::wstring ask = L"設定ページ\"P\"は読み込めていません．\r\n書き込むと、ファイル\"" + Pag(L"P") +
                           L"\"の元の内容は失われます．よろしいですか？";
  app.rows.push_back(Row({.caption = L"C:\\New"}));
  t.user.ExpectFull(Exact(ask, MsgKind::Confirmation, kYes | kNo, 0, kNo));
  EXPECT_FALSE(WritePageFile(app));
  EXPECT_EQ(binary, ReadBytes(Pag(L"P")));

  t.user.ExpectFull(Exact(ask, MsgKind::Confirmation, kYes | kNo, 0, kYes));
  EXPECT_TRUE(WritePageFile(app));
  t.user.VerifyDone();
  EXPECT_FALSE(app.PageUnreadable);
  EXPECT_EQ(L"Sorc=C:\\New", ReadUtf16Lines(Pag(L"P"))[11]);
  EXPECT_TRUE(WritePageFile(app)) << "asked once";
}

TEST_F(PageTest, LockedPageIsReportedAndKept) {
  WritePage(Header(L"Sorc=C:\\Kept"));
  HANDLE h = CreateFileW(Pag(L"P").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  t.user.ExpectFull(Exact(L"設定ページファイル\"" + Pag(L"P") + L"\"を読み込めません．\r\nファイルを開けません（エラー 32）．",
                          MsgKind::Error, kOk, 0));
  LoadActivePage(app);
  CloseHandle(h);
  t.user.VerifyDone();
  EXPECT_TRUE(app.PageUnreadable);
  // Reading it again once it is free clears the state.
  ASSERT_TRUE(ReadPageFile(app, false));
  EXPECT_FALSE(app.PageUnreadable);
  EXPECT_EQ(1, app.RowCount());
}

TEST_F(PageTest, ReadOnlyPageFileKeepsItsBytes) {
  WritePage(Header(L"Sorc=C:\\Kept"));
  const std::string before = ReadBytes(Pag(L"P"));
  ASSERT_TRUE(SetFileAttributesW(Pag(L"P").c_str(), FILE_ATTRIBUTE_READONLY));
  LoadActivePage(app);
  app.rows.push_back(Row({.caption = L"C:\\Added"}));
  t.user.ExpectFull(Exact(L"設定ページファイル\"" + Pag(L"P") + L"\"の書き込み失敗．（エラー 5）\r\n" + kHint,
                          MsgKind::Error, kOk | kHelp, 40));
  EXPECT_FALSE(WritePageFile(app));
  t.user.VerifyDone();
  EXPECT_EQ(before, ReadBytes(Pag(L"P")));
  EXPECT_EQ(2, app.RowCount()) << "the change stays on screen";
}

// ---------------------------------------------------------------- load, renumber, flags, version

TEST_F(PageTest, LoadActivePageDisablesMenusWhileLoading) {
  WritePage(Header(L"Sorc=C:\\A"));
  std::vector<bool> loadingAtPump, menusAtPump;
  t.view.onPump = [&] {
    loadingAtPump.push_back(app.PageLoading);
    menusAtPump.push_back(t.view.menusEnabled);
  };
  LoadActivePage(app);
  ASSERT_FALSE(loadingAtPump.empty());
  EXPECT_TRUE(loadingAtPump.front());
  EXPECT_FALSE(menusAtPump.front());
  EXPECT_FALSE(app.PageLoading);
  EXPECT_TRUE(t.view.menusEnabled);
  EXPECT_FALSE(t.view.hourglass);
  EXPECT_EQ(L"保存元リスト　（バックアップ先= <E:\\Backup>）", t.view.sourceCaption);
  EXPECT_EQ(L"", t.view.status);

  // Menus that were off (busy mode) stay off.
  t.view.menusEnabled = false;
  LoadActivePage(app);
  EXPECT_FALSE(t.view.menusEnabled);
}

TEST_F(PageTest, RenumberSortsByCaptionAsLstrcmpDoes) {
  app.rows = {Row({.caption = L"C:\\b"}), Row({.caption = L"C:\\B"}), Row({.caption = L"C:\\a"}), Row({.caption = L"C:\\ä"}), Row({.caption = L"C:\\A"})};
  RenumberRows(app, true);
  std::vector<std::wstring> captions;
  for (const auto& r : app.rows) captions.push_back(r.caption);
  for (size_t i = 1; i < captions.size(); ++i)
    EXPECT_LE(lstrcmpW(captions[i - 1].c_str(), captions[i].c_str()), 0) << i;
  EXPECT_LT(lstrcmpW(L"C:\\a", L"C:\\B"), 0) << "not an ordinal order";
  for (size_t i = 0; i < app.rows.size(); ++i) EXPECT_EQ(std::to_wstring(i + 1), app.rows[i].no);

  // Without sorting only the numbers change.
  std::swap(app.rows[0], app.rows[4]);
  const std::wstring first = app.rows[0].caption;
  RenumberRows(app, false);
  EXPECT_EQ(first, app.rows[0].caption);
  EXPECT_EQ(L"1", app.rows[0].no);
  EXPECT_EQ(&app.rows, t.view.rows);
}

TEST_F(PageTest, ReadPageVersionReadsFourCharacters) {
  app.pages = {L"P", L"Q", L"R", L"S"};
  WritePage({L"[Ruzer]", L"Vers=6.00"});
  ASSERT_TRUE(WriteBytes(Pag(L"Q"), "[Ruzer]\r\nVers=5.00123\r\n"));
  ASSERT_TRUE(WriteBytes(Pag(L"R"), Utf16File({L"[Ruzer]", L"Path=x"})));
  EXPECT_DOUBLE_EQ(6.0, ReadPageVersion(app, 0));
  EXPECT_DOUBLE_EQ(5.0, ReadPageVersion(app, 1));
  EXPECT_DOUBLE_EQ(0.0, ReadPageVersion(app, 2)) << "no V line";
  EXPECT_DOUBLE_EQ(0.0, ReadPageVersion(app, 3)) << "no file";
  EXPECT_DOUBLE_EQ(0.0, ReadPageVersion(app, 4)) << "no page";
  EXPECT_DOUBLE_EQ(0.0, ReadPageVersion(app, -1));
}

TEST_F(PageTest, ReadPageFlagsLeavesTheRestAtDefaults) {
  WritePage({L"[Ruzer]", L"Path=E:\\X", L"Flgs=0010", L"Flgs=1111", L"Bday=3"});
  app.env.tamdir = L"stale";
  ReadPageFlags(app);
  EXPECT_EQ((std::array<bool, 4>{false, false, true, false}), app.env.check);
  EXPECT_EQ(L"", app.env.tamdir);
  EXPECT_EQ(15, app.env.backdays);
  EXPECT_EQ(L"P", app.CurrentPageName);
}

TEST(ExcludedFolders, SetReplacesOrAppends) {
  const struct {
    const wchar_t* before;
    const wchar_t* text;
    bool append;
    const wchar_t* after;
  } cases[] = {
      {L"", L"a", false, L"a"},     {L"x", L"a", false, L"a"},   {L"x:y", L"", false, L""},
      {L"", L"a", true, L"a"},      {L"x", L"a", true, L"x:a"},  {L"x:y", L"", true, L"x:y"},
  };
  for (const auto& c : cases) {
    SourceRow r;
    r.excluded = c.before;
    SetExcludedFolders(c.text, r, c.append);
    EXPECT_EQ(c.after, GetExcludedFolders(r)) << Utf8(c.before) << " + " << Utf8(c.text) << " " << c.append;
  }
}

}  // namespace
}  // namespace ruzer::test

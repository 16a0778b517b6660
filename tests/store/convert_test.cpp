#include <windows.h>

#include "store/Convert.h"
#include "store/store_fixture.h"

namespace ruzer::test {
namespace {

struct OldRow {
  std::string folder, save, exclude, mark, comment;
};

// A page file of version 5.00 in the 8-bit code page.
std::string OldPage(const std::vector<OldRow>& rows) {
  std::string s = "[Ruzer]\r\nVers=5.00\r\nPath=E:\\Backup\r\nLabl=\r\nBday=10\r\nOnce=1\r\n";
  int n = 0;
  for (const auto& r : rows) {
    s += "\r\n[Folder" + std::to_string(++n) + "]\r\nSorc=" + r.folder + "\r\nEfol=" + r.comment +
         "\r\nWfil=" + r.save + "\r\nXfil=" + r.exclude + "\r\nMark=" + r.mark + "\r\n";
  }
  return s;
}

class ConvertTest : public OnePageTest {
 protected:
  std::wstring Bak() const { return Pag(L"P") + L".BAK"; }

  // Loads an old page that converts; returns the rows' captions.
  void LoadConverting(const std::string& bytes) {
    ASSERT_TRUE(WriteBytes(Pag(L"P"), bytes));
    t.user.ExpectFull(Exact(kConvertedNotice, MsgKind::Warning, kOk | kHelp, 42));
    LoadActivePage(app);
    t.user.VerifyDone();
  }
};

TEST_F(ConvertTest, SubFoldersMergeIntoTheRowAboveThem) {
  const std::string bytes = OldPage({{"C:\\A", "*.*", "", "o", "\x93\xFA\x96\x7B"},
                                     {"C:\\A\\B", "*.doc", "*.bak", "o", ""},
                                     {"C:\\A\\C", "*.*", "", "", ""}});
  LoadConverting(bytes);
  ASSERT_EQ(1, app.RowCount());
  const SourceRow& row = app.rows[0];
  EXPECT_EQ(L"C:\\A", row.caption);
  EXPECT_EQ(L"日本", row.comment);
  EXPECT_EQ(L"*.*:*.doc", row.save);
  EXPECT_EQ(L"*.bak", row.exclude);
  EXPECT_EQ(L"C", row.excluded);
  EXPECT_EQ(L"o", row.mark);
  EXPECT_EQ(L"1", row.no);

  // The old rows stay beside it, numbered in file order.
  ASSERT_EQ(3u, app.oldRows.size());
  EXPECT_EQ(L"C:\\A\\B", app.oldRows[1].caption);
  EXPECT_EQ(L"2", app.oldRows[1].no);
  EXPECT_EQ(&app.oldRows, t.view.oldRows);
  EXPECT_TRUE(t.view.bottom.oldVisible);
  EXPECT_TRUE(t.view.bottom.oldFills);

  // The copy keeps the old bytes; the page is now of this version.
  EXPECT_EQ(bytes, ReadBytes(Bak()));
  const auto lines = ReadUtf16Lines(Pag(L"P"));
  ASSERT_EQ(17u, lines.size());
  EXPECT_EQ(L"Vers=6.00", lines[1]);
  EXPECT_EQ(L"Bday=10", lines[4]);
  EXPECT_EQ(L"Flgs=1101", lines[5]) << "the old once-a-day line set flag 2";
  EXPECT_EQ(L"U000=C", lines[15]);

  EXPECT_TRUE(app.AbortRequested);
  EXPECT_FALSE(app.AutoMode);

  // From now on it loads as a current page, without converting.
  LoadActivePage(app);
  EXPECT_EQ(1, app.RowCount());
  EXPECT_TRUE(app.oldRows.empty());
}

TEST_F(ConvertTest, FolderWithoutSubFoldersEndsBeforeAnUnrelatedRow) {
  LoadConverting(OldPage({{"C:\\A", "*.*", "", "", ""}, {"D:\\X", "*.txt", "", "o", ""}}));
  ASSERT_EQ(2, app.RowCount());
  EXPECT_EQ(L"C:\\A", app.rows[0].caption);
  EXPECT_EQ(L"", app.rows[0].mark);
  EXPECT_EQ(L"D:\\X", app.rows[1].caption);
  EXPECT_EQ(L"*.txt", app.rows[1].save);
}

TEST_F(ConvertTest, UnmarkedSubFolderOfUnmarkedFolderBecomesExcluded) {
  LoadConverting(OldPage({{"C:\\A", "*.*", "", "", ""}, {"C:\\A\\B", "*.*", "", "", ""}}));
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"B", app.rows[0].excluded);
}

TEST_F(ConvertTest, RootFolderAndMixedCase) {
  LoadConverting(OldPage({{"C:\\", "*.*", "", "o", ""},
                          {"c:\\Windows", "*.*", "", "", ""},
                          {"C:\\Temp\\x", "*.*", "", "", ""},
                          {"E:\\Data", "*.*", "", "o", ""}}));
  ASSERT_EQ(2, app.RowCount());
  EXPECT_EQ(L"C:\\", app.rows[0].caption);
  EXPECT_EQ(L"Windows:Temp\\x", app.rows[0].excluded);
  EXPECT_EQ(L"E:\\Data", app.rows[1].caption);
}

TEST(MergePatternLists, AppendsWhatIsMissingIgnoringCase) {
  const struct {
    const wchar_t *a, *b, *merged;
  } cases[] = {
      {L"*.doc", L"*.txt:*.DOC", L"*.doc:*.txt"},
      {L"", L"*.a", L"*.a"},
      {L"*.a", L"", L"*.a"},
      {L"a:b", L"B:c:c", L"a:b:c:c"},
      {L"a", L"x::y", L"a:x:y"},
      {L"*.ＤＯＣ", L"*.ｄｏｃ", L"*.ＤＯＣ"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.merged, MergePatternLists(c.a, c.b)) << Utf8(c.a) << " + " << Utf8(c.b);
}

TEST_F(ConvertTest, AutomaticRunEndsAndTheWindowStays) {
  app.AutoMode = true;
  LoadConverting(OldPage({{"C:\\A", "*.*", "", "o", ""}}));
  EXPECT_FALSE(app.AutoMode);
  EXPECT_TRUE(app.AbortRequested);
  EXPECT_FALSE(t.view.closed);
}

TEST_F(ConvertTest, PageThatCannotBeWrittenGetsNoNoticeButStillStopsTheRun) {
  const std::string bytes = OldPage({{"C:\\A", "*.*", "", "o", ""}});
  ASSERT_TRUE(WriteBytes(Pag(L"P"), bytes));
  ASSERT_TRUE(SetFileAttributesW(Pag(L"P").c_str(), FILE_ATTRIBUTE_READONLY));
  app.AutoMode = true;
  t.user.ExpectPrefix(L"設定ページファイル\"" + Pag(L"P") + L"\"の書き込み失敗");
  LoadActivePage(app);
  t.user.VerifyDone();
  EXPECT_EQ(bytes, ReadBytes(Pag(L"P")));
  EXPECT_EQ(bytes, ReadBytes(Bak()));
  EXPECT_FALSE(app.AutoMode);
  EXPECT_TRUE(app.AbortRequested);
}

TEST_F(ConvertTest, BackupCopyThatFailsLeavesTheOldRowsUnconverted) {
  const std::string bytes = OldPage({{"C:\\A", "*.*", "", "o", ""}, {"C:\\A\\B", "*.*", "", "", ""}});
  ASSERT_TRUE(WriteBytes(Pag(L"P"), bytes));
  ASSERT_TRUE(WriteBytes(Bak(), "earlier copy"));
  ASSERT_TRUE(SetFileAttributesW(Bak().c_str(), FILE_ATTRIBUTE_READONLY));
  t.user.ExpectFull(Exact(L"\"" + Idx() + L"\" は使えません．\r\n" + kHint, MsgKind::Error, kOk | kHelp, 40));
  LoadActivePage(app);
  t.user.VerifyDone();
  EXPECT_EQ(0, app.RowCount());
  ASSERT_EQ(2u, app.oldRows.size());
  EXPECT_EQ(&app.oldRows, t.view.oldRows);
  EXPECT_EQ(bytes, ReadBytes(Pag(L"P")));
  EXPECT_EQ("earlier copy", ReadBytes(Bak()));
  EXPECT_FALSE(app.AbortRequested);
}

// ---------------------------------------------------------------- converting again

const std::wstring kReconvertAsk =
    L"現在の「保存元リスト」を廃棄して、旧バージョンのリストを読み込み、変換します。よろしいですか？";

TEST_F(ConvertTest, ReconvertCancelledChangesNothing) {
  app.rows = {Row({.caption = L"C:\\Mine"})};
  t.user.ExpectFull(Exact(kReconvertAsk, MsgKind::Confirmation, kOk | kCancel | kHelp, 42, kCancel));
  ReconvertFromBackup(app);
  t.user.VerifyDone();
  EXPECT_EQ(kCancel, t.user.shown()[0].defaultButton);
  EXPECT_EQ(1, app.RowCount());
}

TEST_F(ConvertTest, ReconvertWithoutCopyWarnsAndKeepsThePage) {
  WriteBytes(Pag(L"P"), Utf16File({L"[Ruzer]", L"Sorc=C:\\Mine", L"Mark=o"}));
  LoadActivePage(app);
  t.user.ExpectFull(Exact(kReconvertAsk, MsgKind::Confirmation, kOk | kCancel | kHelp, 42, kOk));
  t.user.ExpectFull(Exact(L"旧バージョンの保存元リストが見つかりません、", MsgKind::Warning, kOk, 0));
  ReconvertFromBackup(app);
  t.user.VerifyDone();
  ASSERT_EQ(1, app.RowCount()) << "an emptied page would be written over the page file at the next change";
  EXPECT_EQ(L"C:\\Mine", app.rows[0].caption);
}

TEST_F(ConvertTest, ReconvertConvertsTheCopyAgain) {
  const std::string bytes = OldPage({{"C:\\A", "*.*", "", "o", ""}, {"C:\\A\\B", "*.*", "", "", ""}});
  LoadConverting(bytes);
  app.rows[0].excluded.clear();
  ASSERT_TRUE(WritePageFile(app));
  t.user.ExpectFull(Exact(kReconvertAsk, MsgKind::Confirmation, kOk | kCancel | kHelp, 42, kOk));
  t.user.ExpectFull(Exact(kConvertedNotice, MsgKind::Warning, kOk | kHelp, 42));
  ReconvertFromBackup(app);
  t.user.VerifyDone();
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"B", app.rows[0].excluded);
  EXPECT_EQ(L"U000=B", ReadUtf16Lines(Pag(L"P"))[15]);
  EXPECT_EQ(bytes, ReadBytes(Bak()));
}

TEST_F(ConvertTest, ReconvertFromACurrentCopyLoadsItWithoutWriting) {
  ASSERT_TRUE(WriteBytes(Pag(L"P"), Utf16File({L"[Ruzer]", L"Vers=6.00", L"Sorc=C:\\Now", L"Mark=o"})));
  ASSERT_TRUE(WriteBytes(Bak(), Utf16File({L"[Ruzer]", L"Vers=6.00", L"Sorc=C:\\Then", L"Mark=o"})));
  const std::string page = ReadBytes(Pag(L"P"));
  LoadActivePage(app);
  t.user.ExpectFull(Exact(kReconvertAsk, MsgKind::Confirmation, kOk | kCancel | kHelp, 42, kOk));
  ReconvertFromBackup(app);
  t.user.VerifyDone();
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"C:\\Then", app.rows[0].caption);
  EXPECT_EQ(L"1", app.rows[0].no);
  EXPECT_EQ(page, ReadBytes(Pag(L"P")));
}

}  // namespace
}  // namespace ruzer::test

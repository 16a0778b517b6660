// Adding, deleting, renaming and re-ordering settings pages, and opening
// another file set: what the window shows and what the files on disk hold.
#include <gtest/gtest.h>

#include "shell/Mainwin.h"
#include "shell/page_fixture.h"

namespace ruzer::test {
namespace {

const std::wstring kPagName =
    L"ページ名は目次ファイル名としては使えません.\r\n目次ファイル（.IDX）を入力　または　選択してください.";
const std::wstring kBlankOrDot = L"ページ名の前後の空白や末尾の「.」は使えません.";

std::wstring Used(const std::wstring& name) { return L"ページ \"" + name + L"\"は既に使われています."; }
std::wstring Device(const std::wstring& name) {
  return L"\"" + name + L"\" はWindowsの装置名なので、ページ名には使えません.";
}

// ---------------------------------------------------------------- add

TEST_F(PageTest, AddPageAppendsItAndWritesBothFiles) {
  names.typing = {{L"Photos.pag"}};
  MainCommand(app, Cmd::PgAdd);
  t.user.VerifyDone();
  EXPECT_EQ(L"設定ページの追加", names.captions[0]);
  EXPECT_EQ((std::vector<std::wstring>{L"A.PAG", L"B.PAG", L"C.PAG"}), names.listsShown[0]);
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C", L"Photos"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(3, app.activePage);
  EXPECT_EQ(3, t.view.activeTab);
  EXPECT_EQ(L"Photos", app.CurrentPageName);
  EXPECT_EQ((IndexRow{L"4", L"Photos", L"", L"", L""}), app.PageIndexTable[4]);
  EXPECT_EQ(IndexOf({R(L"A", L"E:\\A", L"", L"2010/06/20 10:00:00"), R(L"B", L"E:\\B", L"VB"), R(L"C", L"E:\\C"),
                     R(L"Photos", L"")}),
            ReadUtf16Lines(Idx()));
  EXPECT_EQ(EmptyPageLines(), ReadUtf16Lines(Pag(L"Photos")));
}

TEST_F(PageTest, BadPageNamesAreRefusedWithAMessage) {
  ASSERT_TRUE(WriteBytes(dir / L"OTHER.PAG", Utf16File(EmptyPageLines())));  // a page of another file set
  ASSERT_TRUE(WriteBytes(dir / L"Hidden.pag", "x"));
  SetFileAttributesW((dir / L"Hidden.pag").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(DeleteFileW(Pag(L"C").c_str()));  // a page of this set whose file has gone
  const std::wstring tooLong(MAX_PATH - dir.path().size() - 5, L'x');  // fits CheckName, not the path
  struct Case {
    std::wstring typed, message;  // empty message: refused without one
  };
  const Case cases[] = {
      {L"", L""},
      {L".pag", L""},
      {L"a*b", L"ファイルやフォルダ名に使えない文字 \"*\" が含まれています."},
      {L"a?b", L"ファイルやフォルダ名に使えない文字 \"?\" が含まれています."},
      {L"a\\b", L"ファイルやフォルダ名に使えない文字 \"\\\" が含まれています."},
      {L"a:b", L"ファイルやフォルダ名に使えない文字 \":\" が含まれています."},
      {std::wstring(261, L'y'), L"ファイルやフォルダ名が長過ぎます."},
      {L"CON", Device(L"CON")},
      {L"nul.txt", Device(L"nul.txt")},
      {L"Com1", Device(L"Com1")},
      {L"LPT9.pag", Device(L"LPT9")},
      {L"abc.", kBlankOrDot},
      {L"abc ", kBlankOrDot},
      {L" abc", kBlankOrDot},
      {L"abc\u3000", kBlankOrDot},
      {L"a\tb", L"ページ名に制御文字は使えません."},
      {L"other", Used(L"other")},
      {L"Other.PAG", Used(L"Other")},
      {L"HIDDEN", Used(L"HIDDEN")},
      {L"a", Used(L"a")},
      {L"c", Used(L"c")},
      {tooLong, L"ページ名が長過ぎます.\r\n<" + (dir / tooLong) + L".PAG>"},
  };
  const std::string indexBefore = ReadBytes(Idx());
  const auto filesBefore = FolderEntries(dir.path());
  for (const Case& c : cases) {
    names.typing = {{c.typed}};
    if (!c.message.empty()) ExpectBox(t.user, c.message, MsgKind::Warning);
    MainCommand(app, Cmd::PgAdd);
    t.user.VerifyDone();
    EXPECT_EQ(3u, app.pages.size()) << Utf8(c.typed);
  }
  EXPECT_EQ(indexBefore, ReadBytes(Idx()));
  EXPECT_EQ(filesBefore, FolderEntries(dir.path()));
  EXPECT_EQ(L"A", app.CurrentPageName);
}

TEST_F(PageTest, NameDialogStaysOpenUntilANameFits) {
  names.typing = {{L"a", L"Travel"}};
  ExpectBox(t.user, Used(L"a"), MsgKind::Warning);
  MainCommand(app, Cmd::PgAdd);
  t.user.VerifyDone();
  EXPECT_EQ(L"Travel", app.pages.back());
  // The field keeps its last text for the next use.
  names.typing = {{}};
  MainCommand(app, Cmd::PgAdd);
  EXPECT_EQ(L"Travel", names.initialNames.back());
}

TEST_F(PageTest, AddWhenTheIndexCannotBeWrittenLeavesNoPageBehind) {
  const std::string index = ReadBytes(Idx());
  HeldOpen held(Idx());
  ASSERT_TRUE(held.ok());
  names.typing = {{L"Photos"}};
  t.user.Expect(IndexWriteFailed(2));
  t.user.Expect(L"目次ファイルに書き込めないため、ページ \"Photos\" の追加を取り消しました.");
  MainCommand(app, Cmd::PgAdd);
  t.user.VerifyDone();
  held.Close();
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(L"A", app.CurrentPageName);
  EXPECT_EQ(4u, app.PageIndexTable.size());
  EXPECT_FALSE(FileExists(Pag(L"Photos")));
  EXPECT_EQ(index, ReadBytes(Idx()));
}

// ---------------------------------------------------------------- delete

TEST_F(PageTest, DeleteNeedsAYesAndMovesTheRowsUp) {
  app.activePage = 1;
  PageChanged(app, 1);
  ASSERT_EQ(L"B", app.CurrentPageName);
  ExpectBox(t.user, L"設定ページ \"B\" を削除しますか", MsgKind::Confirmation, kYes | kNo, kNo);
  MainCommand(app, Cmd::PgDel);
  EXPECT_TRUE(FileExists(Pag(L"B")));
  EXPECT_EQ(3u, app.pages.size());

  ExpectBox(t.user, L"設定ページ \"B\" を削除しますか", MsgKind::Confirmation, kYes | kNo, kYes);
  MainCommand(app, Cmd::PgDel);
  t.user.VerifyDone();
  EXPECT_FALSE(FileExists(Pag(L"B")));
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"C"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(L"C", app.CurrentPageName);  // the next page
  EXPECT_EQ(L"E:\\C", app.env.tamdir);
  EXPECT_EQ(3u, app.PageIndexTable.size());
  EXPECT_EQ((IndexRow{L"2", L"C", L"E:\\C", L"", L""}), app.PageIndexTable[2]);
  EXPECT_EQ(IndexOf({R(L"A", L"E:\\A", L"", L"2010/06/20 10:00:00"), R(L"C", L"E:\\C")}), ReadUtf16Lines(Idx()));
}

TEST_F(PageTest, DeletingTheLastPageMakesTheFirstActiveAndTheOnlyPageStays) {
  PageChanged(app, 2);
  t.user.Expect(L"設定ページ \"C\" を削除しますか", kYes);
  MainCommand(app, Cmd::PgDel);
  EXPECT_EQ(0, app.activePage);
  EXPECT_EQ(L"A", app.CurrentPageName);
  t.user.Expect(L"設定ページ \"A\" を削除しますか", kYes);
  MainCommand(app, Cmd::PgDel);
  ASSERT_EQ((std::vector<std::wstring>{L"B"}), app.pages);
  ExpectBox(t.user, L"これ以上ページを削除することはできません.", MsgKind::Information);
  MainCommand(app, Cmd::PgDel);
  t.user.VerifyDone();
  EXPECT_TRUE(FileExists(Pag(L"B")));
  EXPECT_EQ(IndexOf({R(L"B", L"E:\\B", L"VB")}), ReadUtf16Lines(Idx()));
}

TEST_F(PageTest, PageWhoseFileCannotBeDeletedStaysAndTheUserIsTold) {
  const std::string before = ReadBytes(Pag(L"A")), indexBefore = ReadBytes(Idx());
  {
    HeldOpen held(Pag(L"A"));
    ASSERT_TRUE(held.ok());
    t.user.Expect(L"設定ページ \"A\" を削除しますか", kYes);
    struct ScriptedUser::Expect e;
    e.text = L"設定ページファイル <" + Pag(L"A") + L"> が削除できません.\r\n";
    e.prefix = true;
    e.kind = MsgKind::Error;
    t.user.ExpectFull(e);
    MainCommand(app, Cmd::PgDel);
    t.user.VerifyDone();
    EXPECT_NE(std::wstring::npos, t.user.shown().back().text.find(L"ページは削除しませんでした."));
  }
  EXPECT_EQ(3u, app.pages.size());
  EXPECT_EQ(before, ReadBytes(Pag(L"A")));
  EXPECT_EQ(indexBefore, ReadBytes(Idx()));
  // A later page of that name is not handed the old file silently.
  names.typing = {{L"a"}};
  ExpectBox(t.user, Used(L"a"), MsgKind::Warning);
  MainCommand(app, Cmd::PgAdd);
  t.user.VerifyDone();
}

TEST_F(PageTest, DeleteWhenTheIndexCannotBeWrittenPutsEverythingBack) {
  const std::string page = ReadBytes(Pag(L"A")), index = ReadBytes(Idx());
  HeldOpen held(Idx());
  ASSERT_TRUE(held.ok());
  t.user.Expect(L"設定ページ \"A\" を削除しますか", kYes);
  t.user.Expect(IndexWriteFailed(2));
  t.user.Expect(L"目次ファイルに書き込めないため、ページ \"A\" の削除を取り消しました.");
  MainCommand(app, Cmd::PgDel);
  t.user.VerifyDone();
  held.Close();
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(L"A", app.CurrentPageName);
  EXPECT_EQ(page, ReadBytes(Pag(L"A")));
  EXPECT_EQ(index, ReadBytes(Idx()));
}

// ---------------------------------------------------------------- rename

TEST_F(PageTest, RenameMovesTheFileAndTheIndexTogether) {
  const std::string content = ReadBytes(Pag(L"A"));
  names.typing = {{L"A", L"a", L"Bilder"}};
  ExpectBox(t.user, Used(L"A"), MsgKind::Warning);
  ExpectBox(t.user, Used(L"a"), MsgKind::Warning);
  MainCommand(app, Cmd::PgRen);
  t.user.VerifyDone();
  EXPECT_EQ(L"ページ名の変更", names.captions[0]);
  EXPECT_EQ(L"A", names.initialNames[0]);
  EXPECT_EQ(L"Bilder", app.CurrentPageName);
  EXPECT_EQ((std::vector<std::wstring>{L"Bilder", L"B", L"C"}), t.view.tabs);
  EXPECT_EQ(L"Bilder", app.PageIndexTable[1].name);
  EXPECT_FALSE(FileExists(Pag(L"A")));
  EXPECT_EQ(content, ReadBytes(Pag(L"Bilder")));
  EXPECT_EQ(IndexOf({R(L"Bilder", L"E:\\A", L"", L"2010/06/20 10:00:00"), R(L"B", L"E:\\B", L"VB"),
                     R(L"C", L"E:\\C")}),
            ReadUtf16Lines(Idx()));
}

TEST_F(PageTest, RenameWhoseFileCannotMoveKeepsTheOldName) {
  const std::string content = ReadBytes(Pag(L"A")), index = ReadBytes(Idx());
  HeldOpen held(Pag(L"A"));
  ASSERT_TRUE(held.ok());
  names.typing = {{L"New"}};
  t.user.ExpectPrefix(L"設定ページファイル <" + Pag(L"A") + L"> の名前を変更できません.\r\n");
  MainCommand(app, Cmd::PgRen);
  t.user.VerifyDone();
  held.Close();
  EXPECT_EQ(L"A", app.CurrentPageName);
  EXPECT_EQ(L"A", t.view.tabs[0]);
  EXPECT_EQ(L"A", app.PageIndexTable[1].name);
  EXPECT_EQ(content, ReadBytes(Pag(L"A")));
  EXPECT_FALSE(FileExists(Pag(L"New")));
  EXPECT_EQ(index, ReadBytes(Idx()));
}

TEST_F(PageTest, RenameWhenTheIndexCannotBeWrittenPutsTheFileBack) {
  const std::string content = ReadBytes(Pag(L"A")), index = ReadBytes(Idx());
  HeldOpen held(Idx());
  names.typing = {{L"New"}};
  t.user.Expect(IndexWriteFailed(2));
  t.user.Expect(L"目次ファイルに書き込めないため、ページ名の変更を取り消しました.");
  MainCommand(app, Cmd::PgRen);
  t.user.VerifyDone();
  held.Close();
  EXPECT_EQ(L"A", app.CurrentPageName);
  EXPECT_EQ(L"A", t.view.tabs[0]);
  EXPECT_EQ(content, ReadBytes(Pag(L"A")));
  EXPECT_FALSE(FileExists(Pag(L"New")));
  EXPECT_EQ(index, ReadBytes(Idx()));
}

TEST_F(PageTest, RenameOfAPageWithoutAFileYet) {
  ASSERT_TRUE(DeleteFileW(Pag(L"A").c_str()));
  names.typing = {{L"Fresh"}};
  MainCommand(app, Cmd::PgRen);
  t.user.VerifyDone();
  EXPECT_EQ(L"Fresh", app.pages[0]);
  EXPECT_FALSE(FileExists(Pag(L"Fresh")));
  EXPECT_EQ(L"Fname1=Fresh", ReadUtf16Lines(Idx())[7]);
}

// ---------------------------------------------------------------- re-order

TEST_F(PageTest, ReorderKeepsTheActivePageAndNumbersTheRows) {
  PageChanged(app, 1);  // B
  sorter.moves = {{2, 0}};  // C to the top
  MainCommand(app, Cmd::Xsort);
  EXPECT_EQ(Idx(), sorter.seen.indexPath);
  EXPECT_EQ(L"No.", sorter.seen.title.no);
  EXPECT_EQ((std::vector<std::wstring>{L"C", L"A", L"B"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(2, app.activePage);
  EXPECT_EQ(L"B", app.CurrentPageName);
  EXPECT_EQ(2, t.view.activeTab);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(std::to_wstring(i), app.PageIndexTable[static_cast<size_t>(i)].no);
  EXPECT_EQ(L"VB", app.PageIndexTable[3].label);
  EXPECT_EQ(IndexOf({R(L"C", L"E:\\C"), R(L"A", L"E:\\A", L"", L"2010/06/20 10:00:00"), R(L"B", L"E:\\B", L"VB")}),
            ReadUtf16Lines(Idx()));
}

TEST_F(PageTest, ReorderCancelledChangesNothing) {
  const std::string index = ReadBytes(Idx());
  const auto table = app.PageIndexTable;
  sorter.moves = {{0, 2}, {1, 0}};
  sorter.ok = false;
  MainCommand(app, Cmd::Xsort);
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), app.pages);
  EXPECT_EQ(table, app.PageIndexTable);
  EXPECT_EQ(index, ReadBytes(Idx()));
}

TEST_F(PageTest, ReorderWhileAnotherProgramHoldsTheIndexIsUndone) {
  const std::string index = ReadBytes(Idx());
  const auto table = app.PageIndexTable;
  HeldOpen held(Idx());
  ASSERT_TRUE(held.ok());
  sorter.moves = {{0, 2}};
  t.user.Expect(IndexWriteFailed(2));
  t.user.Expect(L"目次ファイルに書き込めないため、ページの並べ替えを取り消しました.");
  MainCommand(app, Cmd::Xsort);
  t.user.VerifyDone();
  held.Close();
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(table, app.PageIndexTable);
  EXPECT_EQ(index, ReadBytes(Idx()));
}

TEST(PageSort, DraggedRowsAreRenumbered) {
  PageSortState s;
  for (const wchar_t* n : {L"A", L"B", L"C", L"D"}) {
    s.rows.push_back(IndexRow{L"", n});
    s.origin.push_back(static_cast<int>(s.origin.size()));
  }
  MovePageRow(s, 0, 3);
  MovePageRow(s, 2, 0);
  MovePageRow(s, 1, 9);  // outside: ignored
  std::wstring order, numbers;
  for (const auto& r : s.rows) order += r.name, numbers += r.no;
  EXPECT_EQ(L"DBCA", order);
  EXPECT_EQ(L"1234", numbers);
  EXPECT_EQ((std::vector<int>{3, 1, 2, 0}), s.origin);
}

// ---------------------------------------------------------------- open file set

TEST_F(PageTest, OpenDialogIsAskedWithBothFilters) {
  opener.answer = std::nullopt;
  MainCommand(app, Cmd::Xopen);
  EXPECT_EQ(L"ファイルセットを開く - 目次ファイル（.IDX）の入力／選択", opener.seen.title);
  EXPECT_EQ(L"目次（選択可）  と  ページ（選択不可）|*.IDX;*.PAG|目次ファイルのみ|*.IDX", opener.seen.filter);
  EXPECT_EQ(L"IDX", opener.seen.defaultExt);
  EXPECT_EQ(app.FileSetFolder, opener.seen.initialFolder);
  EXPECT_EQ(42, opener.seen.helpContext);
  EXPECT_EQ(3u, app.pages.size());
}

TEST_F(PageTest, PageFilesAreRefusedWhenSelectedAndWhenChosen) {
  opener.selections = {dir / L"RUZER.IDX", dir / L"B.pag"};
  opener.answer = dir / L"B.PAG";
  ExpectBox(t.user, kPagName, MsgKind::Warning);  // the selection
  ExpectBox(t.user, kPagName, MsgKind::Warning);  // the choice
  MainCommand(app, Cmd::Xopen);
  t.user.VerifyDone();
  EXPECT_EQ(L"RUZER.IDX", app.IndexFileName);
  EXPECT_EQ(3u, app.pages.size());
}

TEST_F(PageTest, NewFileSetWhosePageNameIsTakenIsRefused) {
  opener.answer = dir / L"b.idx";
  ExpectBox(t.user, L"b.idxと同名のページが既に使われています.\r\n別の目次ファイル名を入力　または　選択してください.",
            MsgKind::Warning);
  MainCommand(app, Cmd::Xopen);
  t.user.VerifyDone();
  EXPECT_FALSE(FileExists(dir / L"b.idx"));
  EXPECT_EQ(L"RUZER.IDX", app.IndexFileName);
}

TEST_F(PageTest, NewFileSetIsCreatedAndTheOldOneOpensAgain) {
  opener.answer = dir / L"Second.IDX";
  MainCommand(app, Cmd::Xopen);
  t.user.VerifyDone();
  EXPECT_EQ(L"Second.IDX", app.IndexFileName);
  EXPECT_EQ((std::vector<std::wstring>{L"Second"}), app.pages);
  EXPECT_EQ(t.view.tabs, app.pages);
  EXPECT_EQ(IndexOf({R(L"Second", L"")}), ReadUtf16Lines(dir / L"Second.IDX"));
  EXPECT_EQ(EmptyPageLines(), ReadUtf16Lines(Pag(L"Second")));

  opener.answer = dir / L"RUZER.IDX";
  MainCommand(app, Cmd::Xopen);
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), app.pages);
  EXPECT_EQ(L"E:\\A", app.env.tamdir);
}

// ---------------------------------------------------------------- old version again

TEST_F(PageTest, OldVersionMenuReloadsACurrentBackupCopyWithoutWriting) {
  std::vector<std::wstring> bak = EmptyPageLines();
  bak[6] = L"Cont=1";
  for (const wchar_t* l : {L"", L"[Folder00001]", L"Sorc=C:\\Data", L"Efol=", L"Wfil=*.*", L"Xfil=", L"Mark=o"})
    bak.push_back(l);
  ASSERT_TRUE(WriteBytes(Pag(L"A") + L".BAK", Utf16File(bak)));
  const std::string page = ReadBytes(Pag(L"A")), index = ReadBytes(Idx());
  const std::wstring ask =
      L"現在の「保存元リスト」を廃棄して、旧バージョンのリストを読み込み、変換します。よろしいですか？";
  t.user.ExpectFull(Exact(ask, MsgKind::Confirmation, kOk | kCancel | kHelp, 42, kCancel));
  MainCommand(app, Cmd::PgOld);
  EXPECT_TRUE(app.rows.empty());
  t.user.ExpectFull(Exact(ask, MsgKind::Confirmation, kOk | kCancel | kHelp, 42, kOk));
  MainCommand(app, Cmd::PgOld);
  t.user.VerifyDone();
  ASSERT_EQ(1u, app.rows.size());
  EXPECT_EQ(L"C:\\Data", app.rows[0].caption);
  EXPECT_EQ(page, ReadBytes(Pag(L"A")));
  EXPECT_EQ(index, ReadBytes(Idx()));
}

TEST_F(PageTest, OldVersionMenuConvertsAnOldBackupCopy) {
  const std::vector<std::wstring> old = {L"[Ruzer]", L"Vers=5.00", L"Path=E:\\A", L"Labl=", L"Bday=15",
                                         L"Flgs=1101", L"Cont=2", L"Yfil=*.*", L"Zfil=", L"",
                                         L"[Folder00001]", L"Sorc=C:\\A", L"Efol=", L"Wfil=*.*", L"Xfil=",
                                         L"Mark=o", L"", L"[Folder00002]", L"Sorc=C:\\A\\C", L"Efol=",
                                         L"Wfil=*.*", L"Xfil=", L"Mark="};
  std::string bytes;
  for (const auto& l : old) bytes += Utf8(l) + "\r\n";  // 8-bit text of the old version
  ASSERT_TRUE(WriteBytes(Pag(L"A") + L".BAK", bytes));
  t.user.Expect(L"現在の「保存元リスト」を廃棄して、旧バージョンのリストを読み込み、変換します。よろしいですか？", kOk);
  t.user.Expect(kConvertedNotice);
  MainCommand(app, Cmd::PgOld);
  t.user.VerifyDone();
  ASSERT_EQ(1u, app.rows.size());
  EXPECT_EQ(L"C", app.rows[0].excluded);
  const auto lines = ReadUtf16Lines(Pag(L"A"));
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"U000=C"));
  EXPECT_TRUE(t.view.bottom.oldVisible);
}

TEST_F(PageTest, OldVersionMenuWithoutBackupCopyWarns) {
  t.user.Expect(L"現在の「保存元リスト」を廃棄して、旧バージョンのリストを読み込み、変換します。よろしいですか？", kOk);
  ExpectBox(t.user, L"旧バージョンの保存元リストが見つかりません、", MsgKind::Warning);
  MainCommand(app, Cmd::PgOld);
  t.user.VerifyDone();
  EXPECT_EQ(L"E:\\A", app.env.tamdir);
}

}  // namespace
}  // namespace ruzer::test

// The row commands: change, add, delete and bulk change, written through to the page file.
#include <gtest/gtest.h>

#include "dialog_fakes.h"
#include "sources/Srows.h"
#include "sources_fixture.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

class RowCommandTest : public SourcesTest {
 protected:
  void SetUp() override {
    SourcesTest::SetUp();
    app.folderDialog = &dialog;
    app.patternDialog = &patterns;
  }
  std::string PageBytes() { return ReadBytes(Pag(L"P")); }

  ScriptedFolderDialog dialog{app};
  FakePatternDialog patterns;
};

TEST_F(RowCommandTest, NothingSelectedNothingHappens) {
  Page({Row({.caption = L"a"}), Row({.caption = L"b"})});
  const std::string bytes = PageBytes();
  t.view.selected.clear();
  ChangeRow(app);
  DeleteRows(app);
  BulkChange(app, BulkKind::Save);
  t.view.selected = {7};  // outside the list
  ChangeRow(app);
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_EQ(bytes, PageBytes());
}

TEST_F(RowCommandTest, ChangeRowStoresTheDialogAndRenumbers) {
  Page({Row({.caption = L"a"}), Row({.caption = L"b", .comment = L"old", .excluded = L"x"}), Row({.caption = L"c"})});
  Folder(L"d");
  t.view.selected = {2, 1};
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
    s.comment = L"新しいコメント";
    s.subFolders = false;
    s.src = root() + L"\\d\\";
    return true;
  };
  ChangeRow(app);
  ASSERT_EQ(1u, dialog.shown.size());
  EXPECT_EQ(root() + L"\\b", dialog.shown[0].src) << "the first selected row";
  EXPECT_EQ((List{root() + L"\\a", root() + L"\\c", root() + L"\\d"}), Captions(app.rows));
  const SourceRow& d = app.rows[2];
  EXPECT_EQ(L"新しいコメント", d.comment);
  EXPECT_EQ(L" ", d.mark);
  EXPECT_EQ(L"", d.excluded) << "x lay below b, not below d";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::to_wstring(i + 1), app.rows[i].no);
  EXPECT_EQ(std::vector<int>{2}, t.view.selected);
  ExpectListMatchesFile();
}

TEST_F(RowCommandTest, CancelAndRefusalsLeaveListAndFileUntouched) {
  Page({Row({.caption = L"a"}), Row({.caption = L"b"})});
  const auto rows = app.rows;
  const std::string bytes = PageBytes();
  t.view.selected = {0};
  dialog.act = [](FolderDialogState& s, FolderDialogLogic&) {
    s.comment = L"changed";
    return false;
  };
  ChangeRow(app);
  AddRow(app);
  BulkChange(app, BulkKind::Exclude);
  // OK refused by the overlap check, then given up.
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
    s.src = root() + L"\\B";
    return true;
  };
  t.user.Expect(L"<" + root() + L"\\B> は登録済みです．");
  ChangeRow(app);
  EXPECT_EQ(rows, app.rows);
  EXPECT_EQ(bytes, PageBytes());
}

TEST_F(RowCommandTest, AddRowTakesTheDialogsFieldsAndSelectsTheNewRow) {
  Page({Row({.caption = L"b"})});
  app.env.defSave1 = L"*.doc";
  Folder(L"a\\tmp");
  patterns.answers = {L"*.txt"};
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic& logic) {
    EXPECT_EQ((List{L"*.doc"}), s.saves);
    s.src = root() + L"\\a";
    s.sourceAtOpen = L"";  // typed after opening
    s.comment = L"コメント";
    logic.AddPattern(PatternList::Save);
    return true;
  };
  AddRow(app);
  ASSERT_EQ(2, app.RowCount());
  const SourceRow& a = app.rows[0];
  EXPECT_EQ(root() + L"\\a", a.caption);
  EXPECT_EQ(L"コメント", a.comment);
  EXPECT_EQ(L"*.doc:*.txt", a.save);
  EXPECT_EQ(L"o", a.mark);
  EXPECT_EQ(std::vector<int>{0}, t.view.selected);
  ExpectListMatchesFile();
}

TEST_F(RowCommandTest, AddRowBelowARowEndsInTheExcludedFolderOffer) {
  Page({Row({.caption = L"data"})});
  const std::wstring work = Folder(L"data\\work");
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
    s.src = work;
    return true;
  };
  // The dialog's own check refuses a folder below a row...
  t.user.Expect(L"<" + work + L"> の上位フォルダ <" + root() + L"\\data> が登録済みです．");
  AddRow(app);
  EXPECT_EQ(1, app.RowCount());
  // ...the offer comes when the row operation meets it (as drag and drop does).
  t.user.Expect(L"<" + work + L"> を、フォルダ <" + root() + L"\\data> に除外フォルダとして登録しますか？", kYes);
  EXPECT_FALSE(AddSourceRow(app, work, L""));
  EXPECT_EQ(L"work", app.rows[0].excluded);
  ExpectListMatchesFile();
}

TEST_F(RowCommandTest, DeleteRowsAsksThenRenumbers) {
  Page({Row({.caption = L"a"}), Row({.caption = L"b"}), Row({.caption = L"c"}), Row({.caption = L"d"}), Row({.caption = L"e"})});
  t.view.selected = {3, 0, 2};
  t.user.ExpectFull(Exact(L"選択された3行を削除しますか", MsgKind::Information, kYes | kNo, 0, kNo));
  DeleteRows(app);
  EXPECT_EQ(5, app.RowCount());
  t.user.ExpectFull(Exact(L"選択された3行を削除しますか", MsgKind::Information, kYes | kNo, 0, kYes));
  DeleteRows(app);
  EXPECT_EQ((List{root() + L"\\b", root() + L"\\e"}), Captions(app.rows));
  EXPECT_EQ(L"1", app.rows[0].no);
  EXPECT_EQ(L"2", app.rows[1].no);
  EXPECT_EQ(L"保存元リスト削除完了.", t.view.status);
  EXPECT_TRUE(t.view.selected.empty());
  ExpectListMatchesFile();
}

TEST_F(RowCommandTest, BulkChangeOfSavePatternsTouchesOnlyTheSelectedRows) {
  Page({Row({.caption = L"a", .save = L"*.a", .exclude = L"~a", .excluded = L"x"}), Row({.caption = L"b", .save = L"*.b", .exclude = L"~b", .mark = L" ", .excluded = L"y"}), Row({.caption = L"c"}),
        Row({.caption = L"d", .save = L"*.d", .exclude = L"~d", .excluded = L"z"}), Row({.caption = L"e"})});
  app.env.defSave1 = L"*.doc";
  auto before = app.rows;
  t.view.selected = {3, 1};
  patterns.answers = {L"*.xls"};
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic& logic) {
    EXPECT_EQ((List{L"*.doc"}), s.saves) << "starts from the defaults";
    logic.AddPattern(PatternList::Save);
    return true;
  };
  BulkChange(app, BulkKind::Save);
  EXPECT_EQ(L"「保存ファイル」の複数行一括変更", dialog.shown.at(0).status);
  for (int i : {1, 3}) {
    before[i].save = L"*.doc:*.xls";
  }
  EXPECT_EQ(before, app.rows);
  ExpectListMatchesFile();
}

TEST_F(RowCommandTest, BulkChangeOfTheSwitchWritesEmptyForOffAndStartsFromTheFirstRow) {
  Page({Row({.caption = L"a", .mark = L" "}), Row({.caption = L"b"}), Row({.caption = L"c"})});
  t.view.selected = {2, 0};
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
    EXPECT_FALSE(s.subFolders) << "as row a has it";
    return true;
  };
  BulkChange(app, BulkKind::Switch);
  EXPECT_EQ(L"", app.rows[0].mark);
  EXPECT_EQ(L"o", app.rows[1].mark);
  EXPECT_EQ(L"", app.rows[2].mark);
  dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
    s.subFolders = true;
    return true;
  };
  BulkChange(app, BulkKind::Switch);
  EXPECT_EQ(L"o", app.rows[0].mark);
  ExpectListMatchesFile();
}

// A page file made read-only or locked while the dialog was open.
TEST_F(RowCommandTest, UnwritablePageFileRefusesEveryChangeAndTheListMatchesTheFile) {
  Page({Row({.caption = L"a"}), Row({.caption = L"b"}), Row({.caption = L"c"})});
  Folder(L"n");
  const auto rows = app.rows;
  for (int locked = 0; locked < 2; ++locked) {
    std::optional<ReadOnlyFile> ro;
    std::optional<LockedFile> lock;
    auto makeUnwritable = [&] {
      if (locked) lock.emplace(Pag(L"P"));
      else ro.emplace(Pag(L"P"));
    };
    auto failure = [&] { t.user.ExpectPrefix(L"設定ページファイル\"" + Pag(L"P") + L"\"の書き込み失敗．"); };
    t.view.selected = {1};
    dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
      s.comment = L"x";
      makeUnwritable();
      return true;
    };
    failure();
    ChangeRow(app);
    ro.reset();
    lock.reset();
    EXPECT_EQ(rows, app.rows);
    dialog.act = [&](FolderDialogState& s, FolderDialogLogic&) {
      s.src = root() + L"\\n";
      makeUnwritable();
      return true;
    };
    failure();
    AddRow(app);
    ro.reset();
    lock.reset();
    EXPECT_EQ(rows, app.rows);
    dialog.act = [&](FolderDialogState&, FolderDialogLogic&) {
      makeUnwritable();
      return true;
    };
    failure();
    BulkChange(app, BulkKind::Switch);
    EXPECT_EQ(rows, app.rows);
    t.view.selected = {0, 2};
    t.user.Expect(L"選択された2行を削除しますか", kYes);
    failure();
    DeleteRows(app);
    ro.reset();
    lock.reset();
    EXPECT_EQ(rows, app.rows);
    EXPECT_NE(L"保存元リスト削除完了.", t.view.status);
    t.user.VerifyDone();
    ExpectListMatchesFile();
  }
}

}  // namespace
}  // namespace ruzer::test

// The folder settings and pattern dialogs, real and driven as a user would,
// behind the row commands: the page file on disk must hold what the list shows.
#include <gtest/gtest.h>

#include "dialog_fakes.h"
#include "sources/Srows.h"
#include "sources/Vedit_view.h"
#include "sources/Vfile_view.h"
#include "sources_fixture.h"
#include "support/dialog_driver.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

class FolderDialogE2E : public SourcesTest {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
    SourcesTest::SetUp();
    app.folderDialog = &edit;
    app.patternDialog = &pattern;
  }
  FakeBrowser browser;
  TfEdit edit{app, &browser};
  TfFname pattern{app};
};

TEST_F(FolderDialogE2E, AddChangeBulkChangeAndDeleteThroughTheRealDialogs) {
  Page({Row({.caption = L"a"}), Row({.caption = L"c"})});
  const std::wstring b = Folder(L"b");
  Folder(L"b\\tmp");
  ASSERT_TRUE(WriteBytes(b + L"\\notes.txt", "x"));
  app.env.defSave1 = L"*.doc";
  browser.Chosen(b + L"\\tmp");

  std::wstring status, caption;
  List dirs, saves;
  int halfRight = 0, client = 0, halfRightWide = 0, clientWide = 0;
  DialogDriver add;
  add.on(L"フォルダ設定", [&](DialogHandle& h) {
       caption = h.caption();
       status = h.text(TfEdit::kStsBar);
       RECT rc;
       GetClientRect(h.hwnd(), &rc);
       client = rc.right;
       halfRight = h.rect(TfEdit::kPnlBU1).right;
       h.type(TfEdit::kEdtSrc, b);
       h.type(TfEdit::kEdtSpfol, L"コメント");
       h.press(TfEdit::kBtAddDir);
     })
      .on(L"フォルダ設定", [&](DialogHandle& h) { h.press(TfEdit::kBtnAddf1); })
      .on(L"ファイル名", [&](DialogHandle& h) {
        h.pick(TfFname::kLstFiles, 0);
        h.press(IDOK);
      })
      .on(L"フォルダ設定", [&](DialogHandle& h) {
        dirs = h.rows(TfEdit::kLbDir);
        saves = h.rows(TfEdit::kLstFile1);
        RECT wr;
        GetWindowRect(h.hwnd(), &wr);
        SetWindowPos(h.hwnd(), nullptr, 0, 0, wr.right - wr.left + 201, wr.bottom - wr.top + 50,
                     SWP_NOMOVE | SWP_NOZORDER);
        RECT rc;
        GetClientRect(h.hwnd(), &rc);
        clientWide = rc.right;
        halfRightWide = h.rect(TfEdit::kPnlBU1).right;
        h.press(IDOK);
      });
  AddRow(app);
  ASSERT_TRUE(add.done());
  EXPECT_EQ(L"フォルダ設定", caption);
  EXPECT_EQ(L"新規フォルダの登録／保存内容の設定", status);
  EXPECT_EQ((List{L"tmp"}), dirs);
  EXPECT_EQ((List{L"*.doc", L"notes.txt"}), saves);
  // The save group ends at half the client width, also after a resize.
  EXPECT_NEAR(client / 2, halfRight, 2);
  EXPECT_NEAR(clientWide / 2, halfRightWide, 2);
  EXPECT_GT(clientWide, client);
  ASSERT_EQ(3, app.RowCount());
  EXPECT_EQ(b, app.rows[1].caption);
  EXPECT_EQ(L"コメント", app.rows[1].comment);
  EXPECT_EQ(L"*.doc:notes.txt", app.rows[1].save);
  EXPECT_EQ(L"tmp", app.rows[1].excluded);
  EXPECT_EQ(L"o", app.rows[1].mark);
  ExpectListMatchesFile();

  // Change it: the dialog shows the row, the new comment and switch are stored.
  std::wstring shownSrc, shownComment;
  DialogDriver change;
  change.on(L"フォルダ設定", [&](DialogHandle& h) {
    shownSrc = h.text(TfEdit::kEdtSrc);
    shownComment = h.text(TfEdit::kEdtSpfol);
    status = h.text(TfEdit::kStsBar);
    h.type(TfEdit::kEdtSpfol, L"変更後");
    h.tick(TfEdit::kChkNewDir, false);
    h.press(IDOK);
  });
  t.view.selected = {1};
  ChangeRow(app);
  ASSERT_TRUE(change.done());
  EXPECT_EQ(b, shownSrc);
  EXPECT_EQ(L"コメント", shownComment);
  EXPECT_EQ(L"保存内容の変更", status);
  EXPECT_EQ(L"変更後", app.rows[1].comment);
  EXPECT_EQ(L" ", app.rows[1].mark);
  EXPECT_EQ(L"tmp", app.rows[1].excluded);
  ExpectListMatchesFile();

  // Bulk change of the save patterns of two of the three rows.
  bool srcEnabled = true, saveEnabled = false;
  DialogDriver bulk;
  bulk.on(L"フォルダ設定", [&](DialogHandle& h) {
       status = h.text(TfEdit::kStsBar);
       srcEnabled = h.enabled(TfEdit::kEdtSrc);
       saveEnabled = h.enabled(TfEdit::kLstFile1);
       h.press(TfEdit::kBtnAddf1);
     })
      .on(L"ファイル名", [&](DialogHandle& h) {
        h.type(TfFname::kEdtFname, L" *.xls ");
        h.press(IDOK);
      })
      .on(L"フォルダ設定", [&](DialogHandle& h) { h.press(IDOK); });
  t.view.selected = {0, 2};
  const SourceRow middle = app.rows[1];
  BulkChange(app, BulkKind::Save);
  ASSERT_TRUE(bulk.done());
  EXPECT_EQ(L"「保存ファイル」の複数行一括変更", status);
  EXPECT_FALSE(srcEnabled);
  EXPECT_TRUE(saveEnabled);
  EXPECT_EQ(L"*.doc:*.xls", app.rows[0].save);
  EXPECT_EQ(L"*.doc:*.xls", app.rows[2].save);
  EXPECT_EQ(middle, app.rows[1]);
  ExpectListMatchesFile();

  // Delete one.
  t.view.selected = {0};
  t.user.Expect(L"選択された1行を削除しますか", kYes);
  DeleteRows(app);
  EXPECT_EQ((List{b, root() + L"\\c"}), Captions(app.rows));
  ExpectListMatchesFile();
}

TEST_F(FolderDialogE2E, RefusedOkKeepsTheDialogOpenAndCancelChangesNothing) {
  Page({Row({.caption = L"a"})});
  const std::string before = ReadBytes(Pag(L"P"));
  std::wstring afterRefusal;
  DialogDriver d;
  d.on(L"フォルダ設定", [&](DialogHandle& h) {
     h.type(TfEdit::kEdtSrc, L"\\\\server\\share");
     h.press(IDOK);
   })
      .on(L"フォルダ設定", [&](DialogHandle& h) {
        afterRefusal = h.text(TfEdit::kEdtSrc);
        h.press(IDCANCEL);
      });
  t.user.Expect(L"ネットワーク先のファイルのバックアップはできません.");
  AddRow(app);
  EXPECT_TRUE(d.done());
  EXPECT_EQ(L"\\\\server\\share", afterRefusal);
  EXPECT_EQ(1, app.RowCount());
  EXPECT_EQ(before, ReadBytes(Pag(L"P")));
}

}  // namespace
}  // namespace ruzer::test

// Finding a lost file through the real dialog: four days of backups by the
// real run, a file deleted from a deep folder three backups ago, found by a
// part of its name and brought back; then again over a changed file, and
// into another folder.
#include "restore/Vfind_view.h"
#include "restore_fixture.h"
#include "support/dialog_driver.h"

namespace ruzer::test {
namespace {

TEST(FindDialog, ALostFileIsFoundByPartOfItsNameAndComesBackToItsPlace) {
  if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  BackupFixture f;
  App& app = f.app();
  const std::wstring& src = f.src;
  f.AddRow(src);
  const std::wstring deep = src + L"\\年度\\2009\\報告";
  const std::wstring lost = deep + L"\\四半期報告書-final.txt";
  Put(lost, "the report as it was");
  Put(src + L"\\other.txt", "other");
  f.Day(2010, 5, 1);
  f.Backup();
  ASSERT_TRUE(DeleteFileW(LongPath(lost).c_str()));
  for (int day = 2; day <= 4; ++day) {
    Put(src + L"\\other.txt", "other " + std::to_string(day));
    f.Day(2010, 5, day);
    f.Backup();
  }
  ASSERT_EQ((std::vector<std::wstring>{L"100501A", L"100502A", L"100503A", L"100504A"}), Generations(f.dest));
  const std::wstring stored = f.Mirror(L"100501A", deep) + L"\\四半期報告書-final.txt";
  ASSERT_EQ("the report as it was", ReadBytes(stored));

  const std::wstring elsewhere = f.tmp / L"elsewhere";
  f.t.user.ExpectChoice(L"<" + lost + L"> は既にあり", 1);
  f.t.user.NextFolder(elsewhere);
  std::vector<std::wstring> names, generations, folders, nows;
  std::wstring afterSearch, afterRestore, afterAgain, afterElsewhere;
  std::string restored;
  std::map<std::wstring, std::string> sourceBefore, sourceAfter;
  TfFind dialog(app);
  DialogDriver d;
  d.on(L"ファイルを探す",
       [&](DialogHandle& dlg) {
         dlg.type(TfFind::kEdtName, L"報告書");
         dlg.press(IDOK);
       })
      .on(L"ファイルを探す",
          [&](DialogHandle& dlg) {
            afterSearch = dlg.text(TfFind::kStsBar);
            names = dlg.rows(TfFind::kLvHits, kColName);
            generations = dlg.rows(TfFind::kLvHits, kColGeneration);
            folders = dlg.rows(TfFind::kLvHits, kColFolder);
            nows = dlg.rows(TfFind::kLvHits, kColNow);
            dlg.pick(TfFind::kLvHits, 0);
            dlg.press(TfFind::kBtnRest);
          })
      .on(L"ファイルを探す",
          [&](DialogHandle& dlg) {
            afterRestore = dlg.text(TfFind::kStsBar);
            restored = ReadBytes(lost);
            Put(lost, "changed at the source since");
            dlg.pick(TfFind::kLvHits, 0);
            dlg.press(TfFind::kBtnRest);  // asks: both are kept
          })
      .on(L"ファイルを探す",
          [&](DialogHandle& dlg) {
            afterAgain = dlg.text(TfFind::kStsBar);
            sourceBefore = Tree(src);
            dlg.pick(TfFind::kLvHits, 0);
            dlg.press(TfFind::kBtnOther);
          })
      .on(L"ファイルを探す", [&](DialogHandle& dlg) {
        afterElsewhere = dlg.text(TfFind::kStsBar);
        sourceAfter = Tree(src);
        dlg.key(TfFind::kLvHits, VK_ESCAPE);
      });
  dialog.Show();
  ASSERT_TRUE(d.done()) << d.stepsRun() << " steps ran";
  f.t.user.VerifyDone();

  EXPECT_EQ(L"検索完了．該当 1 件 (4 世代を検索)．", afterSearch);
  EXPECT_EQ((std::vector<std::wstring>{L"四半期報告書-final.txt"}), names);
  EXPECT_EQ((std::vector<std::wstring>{L"100501A"}), generations);
  EXPECT_EQ((std::vector<std::wstring>{deep}), folders);
  EXPECT_EQ((std::vector<std::wstring>{L"なし"}), nows);

  EXPECT_EQ(L"復元完了．1 件を復元しました．", afterRestore);
  EXPECT_EQ("the report as it was", restored);
  EXPECT_EQ(L"復元完了．1 件を復元しました．", afterAgain);
  EXPECT_EQ("changed at the source since", ReadBytes(lost));
  EXPECT_EQ("the report as it was", ReadBytes(deep + L"\\四半期報告書-final (100501A).txt"));
  const FILETIME a = LastWriteOf(stored), b = LastWriteOf(deep + L"\\四半期報告書-final (100501A).txt");
  EXPECT_EQ(0, CompareFileTime(&a, &b));

  EXPECT_EQ(sourceBefore, sourceAfter) << "別の場所へ never touches the source folders";
  const std::wstring copy = elsewhere + L"\\" + deep.substr(0, 1) + L"\\" + deep.substr(3) + L"\\四半期報告書-final.txt";
  EXPECT_EQ("the report as it was", ReadBytes(copy));
  EXPECT_EQ(L"復元完了．1 件を <" + elsewhere + L"> に復元しました．", afterElsewhere);
  EXPECT_FALSE(app.AbortRequested);
  EXPECT_EQ("the report as it was", ReadBytes(stored)) << "the backup is as it was";
}

}  // namespace
}  // namespace ruzer::test

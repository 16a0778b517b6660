// TfEnv, the real Win32 dialog, driven as a user would.
#include <gtest/gtest.h>

#include <memory>

#include "conditions/Venv_view.h"
#include "conditions/env_fixture.h"
#include "engine/Sdskio.h"
#include "support/dialog_driver.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

class EnvDialogE2E : public EnvTest {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
    EnvTest::SetUp();
    ASSERT_TRUE(MakeFolder(host / L"disc"));
    drive = std::make_unique<MappedDrive>(HostPathOf(host / L"disc"), DRIVE_REMOVABLE, L"DISC7");
    ASSERT_TRUE(drive->ok()) << drive->error();
    ASSERT_TRUE(MakeFolder(*drive / L"Backup"));
    app.envDialog = &dialog;
  }
  void TearDown() override { drive.reset(); }

  TempDir host;
  std::unique_ptr<MappedDrive> drive;
  TfEnv dialog{t.user};
};

TEST_F(EnvDialogE2E, ControlsShowThePageAndButtonsAndKeysEditIt) {
  app.env.tamdir = dir.path();
  app.env.defSave2 = L"*.tmp";
  const std::wstring dest = *drive / L"Backup";
  std::wstring free0, free1, label, days;
  std::vector<std::wstring> save, exclude, afterKeys;
  bool once = false, sub = false;
  patterns.answers = {L"*.doc", L"~*", L"*.docx"};
  t.user.NextFolder(dest);
  DialogDriver d(30000);
  d.on(L"バックアップ条件設定 - P", [&](DialogHandle& dlg) {
    free0 = dlg.text(TfEnv::kLblFree);
    days = dlg.text(TfEnv::kEdtBackDays);
    once = dlg.checked(TfEnv::kChk1time);
    sub = dlg.checked(TfEnv::kChkNewDir);
    dlg.press(TfEnv::kBtnAdd1);  // "*.doc"
    dlg.press(TfEnv::kBtnRef);   // the browser gives the drive's folder
    dlg.press(TfEnv::kBtnRdvol);
  });
  d.on(L"バックアップ条件設定 - P", [&](DialogHandle& dlg) {
    save = dlg.rows(TfEnv::kLstFile1);
    free1 = dlg.text(TfEnv::kLblFree);
    label = dlg.text(TfEnv::kEdtVolName);
    dlg.pick(TfEnv::kLstFile2, 0);
    dlg.key(TfEnv::kLstFile2, VK_OEM_MINUS);  // "-" removes *.tmp
    PostMessageW(dlg.item(TfEnv::kLstFile2), WM_CHAR, L'+', 0);  // "+" adds ~*
  });
  d.on(L"バックアップ条件設定 - P", [&](DialogHandle& dlg) {
    dlg.activate(TfEnv::kLstFile1, 1);  // *.doc becomes *.docx
  });
  d.on(L"バックアップ条件設定 - P", [&](DialogHandle& dlg) {
    exclude = dlg.rows(TfEnv::kLstFile2);
    afterKeys = dlg.rows(TfEnv::kLstFile1);
    dlg.press(IDOK);
  });
  OpenEnvDialog(app);
  ASSERT_TRUE(d.done());
  t.user.VerifyDone();
  EXPECT_EQ(FreeSpaceText(GetFreeSpace(dir.path()).free), free0);
  EXPECT_EQ(FreeSpaceText(GetFreeSpace(dest).free), free1);
  EXPECT_EQ(L"15", days);
  EXPECT_TRUE(once);
  EXPECT_TRUE(sub);
  EXPECT_EQ((std::vector<std::wstring>{L"*.*", L"*.doc"}), save);
  EXPECT_EQ(L"DISC7", label);
  EXPECT_EQ((std::vector<std::wstring>{L"~*"}), exclude);
  EXPECT_EQ((std::vector<std::wstring>{L"*.*", L"*.docx"}), afterKeys);
  EXPECT_EQ(dest, app.env.tamdir);
  EXPECT_EQ(L"DISC7", app.env.volname);
  EXPECT_EQ(L"*.*:*.docx", app.env.defSave1);
  EXPECT_EQ(L"~*", app.env.defSave2);
}

TEST_F(EnvDialogE2E, RefusedOkKeepsTheDialogOpenAndEscCancels) {
  const EnvPanel before = app.env;
  std::wstring stillThere;
  DialogDriver d;
  d.on(L"バックアップ条件設定 - P", [&](DialogHandle& dlg) {
     dlg.type(TfEnv::kEdtTamDir, dir.path());
     dlg.type(TfEnv::kEdtBackDays, L"0");
     dlg.press(IDOK);
   }).on(L"バックアップ条件設定 - P", [&](DialogHandle& dlg) {
      stillThere = dlg.text(TfEnv::kEdtTamDir);
      dlg.press(TfEnv::kBtnHelp);
      dlg.key(TfEnv::kEdtTamDir, VK_ESCAPE);
    });
  ExpectBox(t.user, kBadDaysText, MsgKind::Warning);
  OpenEnvDialog(app);
  ASSERT_TRUE(d.done());
  t.user.VerifyDone();
  EXPECT_EQ(dir.path(), stillThere);
  EXPECT_EQ(before, app.env);
  EXPECT_EQ(std::vector<std::wstring>{L"条件設定"}, t.user.helpKeywords());
  EXPECT_FALSE(FileExists(Pag(L"P")));
}

}  // namespace
}  // namespace ruzer::test

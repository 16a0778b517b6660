// The main window's commands of the set-up dialogs and the removal.
#include <gtest/gtest.h>

#include "setup/Sinst.h"
#include "setup/dialogs.h"
#include "shell/Mainwin.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

struct CountingDialog : IWizardDialog, IMenuRDialog {
  int shown = 0;
  std::wstring statusWhenShown = L"<not shown>";
  void Show(App& app) override {
    ++shown;
    statusWhenShown = static_cast<FakeView&>(app.view).status;
  }
};

TEST(SetupCommands, EachOpensItsDialogWithAClearedStatusLine) {
  TestApp t;
  CountingDialog wiz, menu;
  t.app.wizardDialog = &wiz;
  t.app.menuRDialog = &menu;
  t.view.SetStatusText(L"バックアップ終了．");
  MainCommand(t.app, Cmd::Wiz);
  EXPECT_EQ(1, wiz.shown);
  EXPECT_EQ(L"", wiz.statusWhenShown);
  t.view.SetStatusText(L"x");
  MainCommand(t.app, Cmd::Inst);
  EXPECT_EQ(1, menu.shown);
  EXPECT_EQ(L"", menu.statusWhenShown);
  EXPECT_EQ(0, t.app.commandDepth);
  // Not while busy.
  SetBusyMode(t.app, true);
  MainCommand(t.app, Cmd::Wiz);
  MainCommand(t.app, Cmd::Inst);
  MainCommand(t.app, Cmd::RegDel);
  EXPECT_EQ(1, wiz.shown);
  EXPECT_EQ(1, menu.shown);
}

TEST(SetupCommands, RemovalAsksFirstAndNoChangesNothing) {
  TestApp t;
  t.view.SetStatusText(L"x");
  t.user.ExpectFull({RemovalQuestion(), kNo, false, MsgKind::Warning, kYes | kNo});
  MainCommand(t.app, Cmd::RegDel);
  t.user.VerifyDone();
  EXPECT_EQ(L"", t.view.status);
}

}  // namespace
}  // namespace ruzer::test

#include "setup/VmenuR_view.h"

namespace ruzer {

TfMenuR::TfMenuR(IUser& user, HWND owner)
    : Dialog(user, {L"スタートメニューへの登録", 420, 150, false, L"スタートメニューへの登録"}) {
  Dialog::SetOwner(owner);
}

void TfMenuR::Show(App& app) {
  app_ = &app;
  ShowModal();
  app_ = nullptr;
}

void TfMenuR::OnCreate() {
  using namespace dlg;
  const int w = frame().width - 2 * kMargin;
  AddGroup(kGrpIdx, L"設定ファイルセット：", {kMargin, kMargin - 4, w, 46});
  AddLabel(kLblIdx, L"", {kMargin + 10, kMargin + 16, w - 20, kLabelH}, kAnchorTopLeft,
           SS_PATHELLIPSIS | SS_NOPREFIX);
  AddCheck(kChkStartUp, L"「自動Ruzer」を登録(&A)", {kMargin + 4, 62, w - 8, kCheckH});
  AddCheck(kChkHoshu, L"「保守用Ruzer」を登録(&M)", {kMargin + 4, 86, w - 8, kCheckH});
  AddDialogButtons();
}

bool TfMenuR::OnShow() {
  SetChecked(kChkStartUp, choice_.startUp);
  SetChecked(kChkHoshu, choice_.hoshu);
  OnActivate();
  return false;
}

void TfMenuR::OnActivate() {
  if (app_) SetText(kLblIdx, app_->FileSetFolder + app_->IndexFileName);
}

void TfMenuR::Keep() {
  choice_.startUp = Checked(kChkStartUp);
  choice_.hoshu = Checked(kChkHoshu);
}

bool TfMenuR::OnOk() {
  Keep();
  if (app_) RegisterShortcuts(*app_, choice_, folders_ ? *folders_ : SystemShortcutFolders());
  return true;
}

bool TfMenuR::OnCancel() {
  Keep();
  return true;
}

}  // namespace ruzer

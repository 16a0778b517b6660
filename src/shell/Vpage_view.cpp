#include "shell/Vpage_view.h"

namespace ruzer {

TfPage::TfPage(IUser& user, HWND owner) : Dialog(user, {L"設定ページ", 320, 300, false, L"設定ページの操作"}) {
  Dialog::SetOwner(owner);
}

bool TfPage::Show(App& app, PageNameState& state) {
  app_ = &app;
  state_ = &state;
  if (!state.keepName) last_ = state.name;
  SetCaption(state.caption);
  const bool ok = ShowModal() == IDOK;
  app_ = nullptr;
  state_ = nullptr;
  return ok;
}

void TfPage::OnCreate() {
  using namespace dlg;
  AddEdit(kEdtPage, {kMargin, kMargin, 296, kEditH});
  AddGroup(kGrpPage, L"既存のページ（選択不可）", {kMargin, 44, 296, 164});
  AddListBox(kLstPage, {22, 64, 276, 112}, kAnchorTopLeft, LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL);
  AddLabel(kLblHint, L"既存のページ名は選択できません.", {22, 182, 276, kLabelH});
  AddStatusBar(kStatus, L"既存のページ名以外を入力．");
  AddDialogButtons();
}

bool TfPage::OnShow() {
  SetText(kEdtPage, last_);
  FillList();
  Focus(kEdtPage);
  SendMessageW(Item(kEdtPage), EM_SETSEL, 0, -1);
  return true;
}

void TfPage::OnActivate() {
  if (!state_) return;
  PageNameActivated(*state_);
  FillList();
}

void TfPage::FillList() {
  HWND list = Item(kLstPage);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  if (!state_) return;
  for (const auto& e : state_->existing) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
}

bool TfPage::OnOk() {
  if (!app_ || !state_) return true;
  state_->name = Text(kEdtPage);
  const bool ok = PageNameConfirm(*app_, *state_);
  SetText(kEdtPage, state_->name);
  last_ = state_->name;
  FillList();
  return ok;
}

bool TfPage::OnCancel() {
  last_ = Text(kEdtPage);
  return true;
}

}  // namespace ruzer

#include "engine/Vmemo_view.h"

namespace ruzer {

TfMemo::TfMemo(IUser& user, HWND owner) : Dialog(user, {L"メモ", 440, 92, false, L"メモ"}) {
  Dialog::SetOwner(owner);
}

bool TfMemo::Show(std::wstring& memo) {
  if (ShowModal() != IDOK) return false;
  memo = text_;
  return true;
}

void TfMemo::OnCreate() {
  using namespace dlg;
  AddEdit(kEdtMemo, {kMargin, kMargin, frame().width - 2 * kMargin, kEditH}, kAnchorTopWide);
  AddDialogButtons();
}

bool TfMemo::OnShow() {
  // The memo is typed at once: focus in the edit, its text selected.
  SetText(kEdtMemo, text_);
  Focus(kEdtMemo);
  return true;
}

void TfMemo::OnActivate() { SetFocus(Item(kEdtMemo)); }

bool TfMemo::OnOk() {
  text_ = Text(kEdtMemo);
  return true;
}

bool TfMemo::OnCancel() {
  text_ = Text(kEdtMemo);
  return true;
}

}  // namespace ruzer

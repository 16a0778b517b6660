#include "shell/Vabout_view.h"

#include "base/font.h"

namespace ruzer {

TfAbout::TfAbout(IUser& user, HWND owner) : Dialog(user, {AboutBoxTexts().caption, 276, 140, false, L""}), texts_(AboutBoxTexts()) {
  Dialog::SetOwner(owner);
}

void TfAbout::Show() { ShowModal(); }

void TfAbout::OnCreate() {
  using namespace dlg;
  bigDpi_ = 0;
  AddLabel(kLblProduct, texts_.product, {16, 14, 244, 40}, kAnchorTopLeft, SS_CENTER);
  AddLabel(kLblVersion, texts_.version, {16, 62, 244, 22}, kAnchorTopLeft, SS_CENTER);
  AddButton(IDOK, L"OK", {92, 100, kButtonW, kButtonH}, kAnchorTopLeft, true);
}

void TfAbout::OnLayout(int, int) {
  // Also after a DPI change, which gives every control the dialog's font again.
  if (bigDpi_ == dpi()) return;
  bigDpi_ = dpi();
  FontHandle previous = std::move(big_);
  big_.reset(CreateUiFont(dpi() * 3 / 2, true));
  SendMessageW(Item(kLblProduct), WM_SETFONT, reinterpret_cast<WPARAM>(big_.get()), TRUE);
}

}  // namespace ruzer

// TfAbout, the about box: the product's name and version (Vabout) over an OK
// button.
#pragma once

#include "base/dialog.h"
#include "base/handles.h"
#include "shell/Vabout.h"

namespace ruzer {

class TfAbout final : private Dialog {
 public:
  static constexpr int kLblProduct = 101;
  static constexpr int kLblVersion = 102;

  explicit TfAbout(IUser& user, HWND owner = nullptr);
  // Modal; returns when OK, Esc or the close box closed it.
  void Show();

 private:
  void OnCreate() override;
  void OnLayout(int width96, int height96) override;

  AboutTexts texts_;
  FontHandle big_;  // the product's name, half as large again and bold
  int bigDpi_ = 0;
};

}  // namespace ruzer

// The about box: the product's name and version over an OK button. It has no
// behaviour beyond its texts.
#pragma once

#include <string>

#include "base/dialog.h"
#include "base/handles.h"

namespace ruzer {

struct AboutTexts {
  std::wstring caption;
  std::wstring product;
  std::wstring version;  // "Version  6.00"
};
AboutTexts AboutBoxTexts();

class Vabout final : private Dialog {
 public:
  static constexpr int kLblProduct = 101;
  static constexpr int kLblVersion = 102;

  explicit Vabout(IUser& user, HWND owner = nullptr);
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

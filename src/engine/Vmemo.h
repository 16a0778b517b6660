// TfMemo: the memo dialog of the backup run. Created once; keeps the text of
// its last use. The run reaches it through IMemoDialog (app.memoDialog).
#pragma once

#include <windows.h>

#include <string>

#include "base/ui.h"

namespace ruzer {

class TfMemo final : public IMemoDialog {
 public:
  // Control ids.
  static constexpr int kEdtMemo = 101;
  static constexpr int kBtnHelp = 102;

  explicit TfMemo(IUser& user, HWND owner = nullptr) : user_(user), owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }

  // Modal. OK: memo := the text as typed, true. Cancel or closing: false.
  // Either way the text stays for the next use.
  bool Show(std::wstring& memo) override;

  const std::wstring& text() const { return text_; }

 private:
  static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
  void Init(HWND dlg);
  void Keep(HWND dlg);

  IUser& user_;
  HWND owner_;
  std::wstring text_;
  HFONT font_ = nullptr;
};

}  // namespace ruzer

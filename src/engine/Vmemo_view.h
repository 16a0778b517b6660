// TfMemo: the memo dialog of the backup run. Created once; keeps the text of
// its last use. The run reaches it through IMemoDialog (app.memoDialog).
#pragma once

#include <windows.h>

#include <string>

#include "base/dialog.h"
#include "base/ui.h"

namespace ruzer {

class TfMemo final : public IMemoDialog, private Dialog {
 public:
  // Control ids.
  static constexpr int kEdtMemo = 101;
  static constexpr int kBtnHelp = kIdHelp;

  explicit TfMemo(IUser& user, HWND owner = nullptr);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }

  // Modal. OK: memo := the text as typed, true. Cancel or closing: false.
  // Either way the text stays for the next use.
  bool Show(std::wstring& memo) override;

  const std::wstring& text() const { return text_; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnOk() override;
  bool OnCancel() override;
  void OnActivate() override;

  std::wstring text_;
};

}  // namespace ruzer

// TfPage, the Win32 view of the page name dialog (add and rename a page).
// Created once; keeps its last name between uses.
#pragma once

#include "base/dialog.h"
#include "shell/Vpage.h"

namespace ruzer {

class TfPage final : public IPageNameDialog, private Dialog {
 public:
  static constexpr int kEdtPage = 101;
  static constexpr int kGrpPage = 102;
  static constexpr int kLstPage = 103;
  static constexpr int kLblHint = 104;
  static constexpr int kStatus = 105;
  static constexpr int kBtnHelp = kIdHelp;

  explicit TfPage(IUser& user, HWND owner = nullptr);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }

  bool Show(App& app, PageNameState& state) override;

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnOk() override;
  bool OnCancel() override;
  void OnActivate() override;
  void FillList();

  App* app_ = nullptr;
  PageNameState* state_ = nullptr;
  std::wstring last_;
};

}  // namespace ruzer

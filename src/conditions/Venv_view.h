// TfEnv, the Win32 view of the backup conditions dialog. Created once; every
// event goes to the behaviour in conditions/Venv.h.
#pragma once

#include "base/dialog.h"
#include "conditions/Venv.h"

namespace ruzer {

class TfEnv final : public IEnvDialog, private Dialog {
 public:
  // Control ids.
  static constexpr int kGrpTamDir = 100;
  static constexpr int kEdtTamDir = 101;
  static constexpr int kBtnRef = 102;
  static constexpr int kLblFree = 103;
  static constexpr int kLblVolName = 104;
  static constexpr int kEdtVolName = 105;
  static constexpr int kBtnRdvol = 106;
  static constexpr int kLblBackDays = 107;
  static constexpr int kEdtBackDays = 108;
  static constexpr int kSpinBackDays = 109;
  static constexpr int kChk1time = 110;
  static constexpr int kGrpDefault = 111;
  static constexpr int kChkNewDir = 112;
  static constexpr int kGrpFile1 = 113;
  static constexpr int kLstFile1 = 114;
  static constexpr int kBtnAdd1 = 115;
  static constexpr int kBtnDel1 = 116;
  static constexpr int kGrpFile2 = 117;
  static constexpr int kLstFile2 = 118;
  static constexpr int kBtnAdd2 = 119;
  static constexpr int kBtnDel2 = 120;
  static constexpr int kBtnHelp = kIdHelp;

  explicit TfEnv(IUser& user, HWND owner = nullptr);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }

  bool Show(App& app, EnvDialogState& state) override;

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int notifyCode) override;
  bool OnOk() override;
  void OnActivate() override;

  void Pull();  // controls -> state
  void Push();  // state -> controls
  void FillList(int id, const std::vector<std::wstring>& entries);
  std::vector<int> Selected(int id) const;

  App* app_ = nullptr;
  EnvDialogState* state_ = nullptr;
  bool filled_ = false;
};

}  // namespace ruzer

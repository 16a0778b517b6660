// TfVrfy on screen: the search folder with its browse button, the generation
// list, the search button and the status bar, over the behaviour of Vvrfy.h.
#pragma once

#include "base/app.h"
#include "base/dialog.h"
#include "restore/Vvrfy.h"

namespace ruzer {

class TfVrfy final : public Dialog, public IVerifyDialog {
 public:
  // Control ids; btnSrch is IDOK, btnExit IDCANCEL, btnHelp kIdHelp.
  static constexpr int kGrpDir = 101;
  static constexpr int kEdDir = 102;
  static constexpr int kBtnRef = 103;
  static constexpr int kPnlDate = 104;
  static constexpr int kLsPast = 105;
  static constexpr int kStsBar = 106;

  // `results` opens the result dialog (TfRest).
  TfVrfy(App& app, IRestoreDialog* results);

  void Show() override { ShowModal(); }
  const VerifyState& state() const { return st_; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int notifyCode) override;
  bool OnOk() override;  // 検索(&S): the dialog stays
  void Fill();

  App& app_;
  IRestoreDialog* results_;
  VerifyState st_;
  bool filling_ = false;
};

}  // namespace ruzer

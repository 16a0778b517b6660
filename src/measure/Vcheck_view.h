// TfCheck, the capacity dialog: draws CapacityCheck's display record and
// forwards its buttons. Created once; the main window opens it through
// ICheckDialog (app.checkDialog).
#pragma once

#include <windows.h>

#include "base/dialog.h"
#include "measure/Vcheck.h"

namespace ruzer {

class TfCheckDialog final : public ICheckDialog, public ICheckView, private Dialog {
 public:
  // Control ids.
  static constexpr int kLblPageName = 101;
  static constexpr int kLblTamdir = 103;
  static constexpr int kLblAll = 105;
  static constexpr int kLblFree = 107;
  static constexpr int kLblPast = 109;
  static constexpr int kLblDest = 111;
  static constexpr int kLblDirCnt = 113;
  static constexpr int kLblFcnt = 114;
  static constexpr int kLblSrc = 116;
  static constexpr int kGraph = 118;
  static constexpr int kLblMsg = 119;
  static constexpr int kImgWarn = 120;
  static constexpr int kBtnStart = 121;
  static constexpr int kBtnAbort = 122;
  static constexpr int kBtnExit = IDCANCEL;
  static constexpr int kBtnHelp = kIdHelp;
  static constexpr int kStsBar = 130;

  explicit TfCheckDialog(App& app, HWND owner = nullptr);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }

  void Show() override;
  void Refresh(const CheckDisplay& display) override;

  CapacityCheck& logic() { return check_; }
  HWND hwnd() const { return Dialog::hwnd(); }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int notifyCode) override;
  bool OnCancel() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void DrawGraph(const DRAWITEMSTRUCT& di);
  void DrawLabel(const DRAWITEMSTRUCT& di);
  void Apply(const CheckDisplay& d, bool all);

  CapacityCheck check_;
  CheckDisplay shown_;
  bool drawn_ = false;
};

}  // namespace ruzer

// TfRest on screen: the result grid, the time display switch, the restore and
// exit buttons and the status bar, over the behaviour of Vrest.h.
#pragma once

#include "base/app.h"
#include "base/dialog.h"
#include "base/grid.h"
#include "restore/Vrest.h"

namespace ruzer {

class TfRest final : public Dialog, public IRestoreDialog, private IRestView {
 public:
  // Control ids.
  static constexpr int kGd = 201;
  static constexpr int kCkDtime = 202;
  static constexpr int kBtnRest = 203;
  static constexpr int kStsBar = 204;

  explicit TfRest(App& app);

  // Modal, owned by the window active when it is called (the search dialog).
  void Show(const RestoreRequest& request) override;

  const RestState& state() const { return st_; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int notifyCode) override;
  bool OnOk() override { return false; }  // Enter restores nothing by itself
  bool OnCancel() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  // Exit was pressed while a search or restore ran: close now that it returned.
  void CloseIfAsked();

  // IRestView
  void SetStatus(const std::wstring& text) override;
  void SetRestoreEnabled(bool enabled) override { Enable(kBtnRest, enabled); }
  void GridReloaded() override { grid_.Reload(); }
  void CellsChanged() override { grid_.Invalidate(); }
  GridRange Selection() override { return grid_.Selection(); }
  void SetDefaultColumnWidth(int width) override { grid_.SetDefaultColumnWidth(width); }
  void SetColumnWidth(int column, int width) override { grid_.SetColumnWidth(column, width); }

  App& app_;
  RestState st_;
  RestoreRequest request_;
  Grid grid_;
};

}  // namespace ruzer

// TfFind on screen: the name and folder fields, the search and abort buttons,
// the owner-data result list, the restore buttons and the status bar, over
// the behaviour of Vfind.h.
#pragma once

#include "base/app.h"
#include "base/dialog.h"
#include "restore/Vfind.h"

namespace ruzer {

class TfFind final : public Dialog, public IFindDialog, private IFindView {
 public:
  // Control ids; btnSrch is IDOK, btnExit IDCANCEL, btnHelp kIdHelp.
  static constexpr int kLblName = 301;
  static constexpr int kEdtName = 302;
  static constexpr int kLblFolder = 303;
  static constexpr int kEdtFolder = 304;
  static constexpr int kBtnRef = 305;
  static constexpr int kBtnAbort = 306;
  static constexpr int kLvHits = 307;
  static constexpr int kBtnRest = 308;
  static constexpr int kBtnOther = 309;
  static constexpr int kBtnOpen = 310;
  static constexpr int kStsBar = 311;
  static constexpr int kLblDay = 312;
  static constexpr int kCbDay = 313;
  static constexpr int kBtnAsOf = 314;
  static constexpr int kLblLater = 315;

  explicit TfFind(App& app);

  void Show() override;
  const FindState& state() const { return st_; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int notifyCode) override;
  bool OnNotify(NMHDR* nm, LRESULT& result) override;
  bool OnOk() override;  // 検索(&S): the dialog stays
  bool OnCancel() override;
  void ShowSortMark();

  // IFindView
  void SetStatus(const std::wstring& text) override;
  void SetRunning(bool running) override;
  void RowsChanged() override;
  void RowTextsChanged() override;
  std::vector<int> SelectedRows() override;
  bool OpenDocument(const std::wstring& path) override;

  App& app_;
  FindState st_;
  bool filling_ = false;
};

}  // namespace ruzer

// TfXsort, the Win32 view of the page re-ordering dialog: the index table in
// the grid, whose whole rows are dragged into the new order.
#pragma once

#include "base/dialog.h"
#include "base/grid.h"
#include "shell/Vxsort.h"

namespace ruzer {

class TfXsort final : public IPageSortDialog, private Dialog, private IGridModel {
 public:
  static constexpr int kEdtPath = 101;
  static constexpr int kGrid = 102;
  static constexpr int kBtnHelp = kIdHelp;

  explicit TfXsort(IUser& user, HWND owner = nullptr);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }

  bool Show(App& app, PageSortState& state) override;

 private:
  void OnCreate() override;
  bool OnShow() override;

  int RowCount() override;
  int ColumnCount() override { return 5; }
  void CellText(int row, int column, std::wstring& out) override;
  bool MoveRows(int first, int count, int to) override;

  Grid grid_;
  PageSortState* state_ = nullptr;
};

}  // namespace ruzer

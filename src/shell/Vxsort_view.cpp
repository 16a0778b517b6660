#include "shell/Vxsort_view.h"

namespace ruzer {

namespace {
constexpr int kWidth = 448, kHeight = 320;
constexpr int kColumnWidths[] = {30, 80, 100, 70, 100};

const std::wstring& Cell(const IndexRow& r, int column) {
  switch (column) {
    case 0:
      return r.no;
    case 1:
      return r.name;
    case 2:
      return r.dest;
    case 3:
      return r.label;
    default:
      return r.last;
  }
}
}  // namespace

TfXsort::TfXsort(IUser& user, HWND owner)
    : Dialog(user, {L"ページの並べ替え", kWidth, kHeight, false, L"設定ページの操作"}) {
  Dialog::SetOwner(owner);
}

bool TfXsort::Show(App&, PageSortState& state) {
  state_ = &state;
  const bool ok = ShowModal() == IDOK;
  state_ = nullptr;
  return ok;
}

void TfXsort::OnCreate() {
  using namespace dlg;
  AddEdit(kEdtPath, {kMargin, kMargin, kWidth - 2 * kMargin, kEditH}, kAnchorTopWide,
          ES_AUTOHSCROLL | ES_READONLY);
  const int buttonsTop = AddDialogButtons();
  const RECT r{Scale(kMargin), Scale(44), Scale(kWidth - kMargin), Scale(buttonsTop - kGap)};
  grid_.Create(hwnd(), kGrid, r);
  for (int c = 0; c < 5; ++c) grid_.SetColumnWidth(c, kColumnWidths[c]);
  grid_.SetWholeRows(true);
  grid_.SetMultiple(false);
  grid_.SetRowDragging(true);
  grid_.SetModel(this);
}

bool TfXsort::OnShow() {
  SetText(kEdtPath, state_ ? state_->indexPath : std::wstring());
  grid_.Reload();
  SetFocus(grid_.hwnd());
  return true;
}

int TfXsort::RowCount() { return state_ ? static_cast<int>(state_->rows.size()) + 1 : 1; }

void TfXsort::CellText(int row, int column, std::wstring& out) {
  out.clear();
  if (!state_) return;
  if (row == 0) {
    out = Cell(state_->title, column);
    return;
  }
  if (row - 1 < static_cast<int>(state_->rows.size())) out = Cell(state_->rows[static_cast<size_t>(row - 1)], column);
}

bool TfXsort::MoveRows(int first, int count, int to) {
  if (!state_ || count <= 0 || first == to) return false;
  // Row by row, keeping the block's own order.
  for (int i = 0; i < count; ++i) {
    if (to < first)
      MovePageRow(*state_, first - 1 + i, to - 1 + i);
    else
      MovePageRow(*state_, first - 1, to - 1 + count - 1);
  }
  return true;
}

}  // namespace ruzer

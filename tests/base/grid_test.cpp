// The grid control: selection logic as plain code, then the real control in a
// window, driven by mouse and key messages as a user would.
#include <gtest/gtest.h>

#include <numeric>

#include "base/grid.h"

namespace ruzer {
namespace {

GridSelection Sized(int rows, int columns) {
  GridSelection s;
  s.SetSize(rows, columns);
  return s;
}

TEST(GridSelection, StartsOnTheFirstDataCellAndNeverOnTheHeader) {
  GridSelection s = Sized(6, 4);
  EXPECT_EQ(s.Range(), (GridRange{1, 0, 1, 0}));
  s.Click(0, 2, false);  // header row: the nearest data row
  EXPECT_EQ(s.Range(), (GridRange{1, 2, 1, 2}));
  s.Key(VK_UP, false, false);
  EXPECT_EQ(s.Focus(), (GridCell{1, 2}));
}

TEST(GridSelection, ClickAndShiftClickSpanARectangleEitherWay) {
  GridSelection s = Sized(10, 6);
  s.Click(7, 4, false);
  s.Click(3, 2, true);
  EXPECT_EQ(s.Range(), (GridRange{3, 2, 7, 4}));
  EXPECT_EQ(s.Anchor(), (GridCell{7, 4}));
  s.ExtendTo(9, 5);  // dragging on: the anchor stays
  EXPECT_EQ(s.Range(), (GridRange{7, 4, 9, 5}));
  s.Click(2, 1, false);
  EXPECT_EQ(s.Range(), (GridRange{2, 1, 2, 1}));
}

TEST(GridSelection, KeysMoveAndShiftExtendWithinTheGrid) {
  struct Case {
    const char* what;
    UINT vk;
    bool shift, ctrl;
    GridRange expect;
  };
  // Each case starts from a single cell at (4, 2) in a grid of 9 rows x 5 columns.
  const Case cases[] = {
      {"down", VK_DOWN, false, false, {5, 2, 5, 2}},
      {"up", VK_UP, false, false, {3, 2, 3, 2}},
      {"left", VK_LEFT, false, false, {4, 1, 4, 1}},
      {"right", VK_RIGHT, false, false, {4, 3, 4, 3}},
      {"shift down", VK_DOWN, true, false, {4, 2, 5, 2}},
      {"shift left", VK_LEFT, true, false, {4, 1, 4, 2}},
      {"home", VK_HOME, false, false, {4, 0, 4, 0}},
      {"end", VK_END, false, false, {4, 4, 4, 4}},
      {"ctrl home", VK_HOME, false, true, {1, 0, 1, 0}},
      {"ctrl end", VK_END, false, true, {8, 4, 8, 4}},
      {"shift ctrl end", VK_END, true, true, {4, 2, 8, 4}},
      {"page down clamps", VK_NEXT, false, false, {8, 2, 8, 2}},
      {"page up clamps", VK_PRIOR, false, false, {1, 2, 1, 2}},
      {"ctrl a", 'A', false, true, {1, 0, 8, 4}},
  };
  for (const auto& c : cases) {
    GridSelection s = Sized(9, 5);
    s.Click(4, 2, false);
    EXPECT_TRUE(s.Key(c.vk, c.shift, c.ctrl, 10)) << c.what;
    EXPECT_EQ(s.Range(), c.expect) << c.what;
  }
  GridSelection s = Sized(9, 5);
  EXPECT_FALSE(s.Key('A', false, false)) << "a plain letter is not the grid's";
  EXPECT_FALSE(s.Key(VK_RETURN, false, false));
}

TEST(GridSelection, ShiftArrowsGrowAndShrinkAroundTheAnchor) {
  GridSelection s = Sized(9, 5);
  s.Click(4, 2, false);
  s.Key(VK_RIGHT, true, false);
  s.Key(VK_RIGHT, true, false);
  s.Key(VK_DOWN, true, false);
  EXPECT_EQ(s.Range(), (GridRange{4, 2, 5, 4}));
  s.Key(VK_UP, true, false);
  s.Key(VK_UP, true, false);  // past the anchor: the rectangle flips upwards
  EXPECT_EQ(s.Range(), (GridRange{3, 2, 4, 4}));
  s.Key(VK_LEFT, false, false);  // a plain arrow collapses to the moved focus
  EXPECT_EQ(s.Range(), (GridRange{3, 3, 3, 3}));
}

TEST(GridSelection, ShrinkingTheGridKeepsTheSelectionInside) {
  GridSelection s = Sized(20, 8);
  s.Set({5, 3, 19, 7});
  s.SetSize(6, 4);
  EXPECT_EQ(s.Range(), (GridRange{5, 3, 5, 3}));
  s.SetSize(1, 0);  // nothing but the header: the selection rests on (1, 0)
  EXPECT_EQ(s.Range(), (GridRange{1, 0, 1, 0}));
}

TEST(GridSelection, WholeRowsAlwaysSpanEveryColumn) {
  GridSelection s = Sized(8, 3);
  s.SetWholeRows(true);
  s.Click(2, 1, false);
  EXPECT_EQ(s.Range(), (GridRange{2, 0, 2, 2}));
  s.Key(VK_DOWN, true, false);
  EXPECT_EQ(s.Range(), (GridRange{2, 0, 3, 2}));
  s.Key(VK_RIGHT, false, false);  // no columns to move between
  EXPECT_EQ(s.Range(), (GridRange{2, 0, 3, 2}));
}

TEST(GridSelection, SingleModeKeepsOneCell) {
  GridSelection s = Sized(8, 3);
  s.SetMultiple(false);
  s.Click(2, 1, false);
  s.Click(5, 2, true);
  EXPECT_EQ(s.Range(), (GridRange{5, 2, 5, 2}));
  s.Key('A', false, true);
  EXPECT_EQ(s.Range(), (GridRange{5, 2, 5, 2}));
}

TEST(GridDropTarget, BlockLandsOnTheRowDroppedOn) {
  struct Case {
    int top, bottom, over, rows, expect;
  };
  const Case cases[] = {
      {3, 3, 1, 6, 1},   // up: the row takes the place of the one dropped on
      {3, 3, 5, 6, 5},   // down: likewise
      {2, 3, 5, 6, 4},   // a block of two moving down ends with its last row on 5
      {4, 5, 1, 6, 1},   // a block moving up starts on 1
      {2, 4, 3, 6, -1},  // onto itself: no move
      {2, 2, 0, 6, -1},  // the header is no place to drop
      {2, 2, 6, 6, -1},  // past the last row
  };
  for (const auto& c : cases)
    EXPECT_EQ(GridDropTarget(c.top, c.bottom, c.over, c.rows), c.expect)
        << c.top << ".." << c.bottom << " over " << c.over;
}

// ---------------------------------------------------------------- the control

bool CanShowWindows() {
  HWND w = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!w) return false;
  DestroyWindow(w);
  return true;
}

// A huge grid that counts what it is asked for.
class CountingModel : public IGridModel {
 public:
  int rows = 1000001, columns = 30;
  long long cellCalls = 0;
  std::vector<int> order;  // row order, for MoveRows
  int RowCount() override { return rows; }
  int ColumnCount() override { return columns; }
  void CellText(int row, int column, std::wstring& out) override {
    ++cellCalls;
    if (row == 0) {
      out = L"H" + std::to_wstring(column);
      return;
    }
    const int r = row < static_cast<int>(order.size()) ? order[row] : row;
    out = std::to_wstring(r) + L"," + std::to_wstring(column);
  }
  bool MoveRows(int first, int count, int to) override {
    std::vector<int> block(order.begin() + first, order.begin() + first + count);
    order.erase(order.begin() + first, order.begin() + first + count);
    order.insert(order.begin() + to, block.begin(), block.end());
    return true;
  }
};

class GridWindow : public ::testing::Test {
 protected:
  // One host window for the suite: showing a top-level window is the slow part.
  static void SetUpTestSuite() {
    if (CanShowWindows())
      host_ = CreateWindowExW(0, L"STATIC", L"grid host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 400,
                              nullptr, nullptr, nullptr, nullptr);
  }
  static void TearDownTestSuite() {
    if (host_) DestroyWindow(host_);
    host_ = nullptr;
  }
  void SetUp() override {
    if (!host_) GTEST_SKIP() << "no display for windows";
    ASSERT_TRUE(grid_.Create(host_, 77, RECT{0, 0, 600, 300}));
    grid_.SetModel(&model_);
    grid_.SetDefaultColumnWidth(70);
    grid_.SetColumnWidth(0, 100);
  }
  void Pump() {
    UpdateWindow(grid_.hwnd());
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  POINT CenterOf(int row, int column) {
    RECT r{};
    SendMessageW(grid_.hwnd(), kGridGetCellRect, MAKEWPARAM(row, column), reinterpret_cast<LPARAM>(&r));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Mouse(UINT msg, POINT p, WPARAM keys = 0) {
    SendMessageW(grid_.hwnd(), msg, keys, MAKELPARAM(p.x, p.y));
  }
  GridRange Selected() {
    GridRange r;
    SendMessageW(grid_.hwnd(), kGridGetSelection, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }

  static inline HWND host_ = nullptr;
  Grid grid_;
  CountingModel model_;
};

TEST_F(GridWindow, PaintsOnlyTheVisibleCellsOfAMillionRows) {
  model_.cellCalls = 0;
  InvalidateRect(grid_.hwnd(), nullptr, FALSE);
  Pump();
  EXPECT_GT(model_.cellCalls, 0);
  EXPECT_LT(model_.cellCalls, 2000) << "cells are asked for on paint only, and only those shown";
  std::wstring text;
  SendMessageW(grid_.hwnd(), kGridGetCellText, MAKEWPARAM(0, 3), reinterpret_cast<LPARAM>(&text));
  EXPECT_EQ(text, L"H3");
}

TEST_F(GridWindow, MouseDragSelectsARectangle) {
  Mouse(WM_LBUTTONDOWN, CenterOf(2, 1), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, CenterOf(4, 3), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, CenterOf(4, 3));
  EXPECT_EQ(Selected(), (GridRange{2, 1, 4, 3}));
  // Shift+click extends from the anchor.
  Mouse(WM_LBUTTONDOWN, CenterOf(6, 2), MK_LBUTTON | MK_SHIFT);
  Mouse(WM_LBUTTONUP, CenterOf(6, 2));
  EXPECT_EQ(Selected(), (GridRange{2, 1, 6, 2}));
  // A click on the header selects nothing new.
  Mouse(WM_LBUTTONDOWN, CenterOf(0, 2), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, CenterOf(0, 2));
  EXPECT_EQ(Selected(), (GridRange{2, 1, 6, 2}));
}

TEST_F(GridWindow, KeyboardScrollsTheFocusIntoView) {
  SetFocus(grid_.hwnd());
  SendMessageW(grid_.hwnd(), WM_KEYDOWN, VK_NEXT, 0);
  SendMessageW(grid_.hwnd(), WM_KEYDOWN, VK_NEXT, 0);
  const GridRange r = Selected();
  EXPECT_GT(r.top, 10);
  RECT cell{};
  EXPECT_TRUE(SendMessageW(grid_.hwnd(), kGridGetCellRect, MAKEWPARAM(r.top, 0), reinterpret_cast<LPARAM>(&cell)))
      << "the focus row is on screen";
  RECT client;
  GetClientRect(grid_.hwnd(), &client);
  EXPECT_LE(cell.bottom, client.bottom);
  // The last column, far to the right, comes into view too.
  SendMessageW(grid_.hwnd(), WM_KEYDOWN, VK_END, 0);
  EXPECT_TRUE(SendMessageW(grid_.hwnd(), kGridGetCellRect, MAKEWPARAM(r.top, 29), reinterpret_cast<LPARAM>(&cell)));
  EXPECT_LE(cell.right, client.right);
}

TEST_F(GridWindow, HeaderDividerResizesAColumn) {
  RECT c0{};
  SendMessageW(grid_.hwnd(), kGridGetCellRect, MAKEWPARAM(0, 0), reinterpret_cast<LPARAM>(&c0));
  const int before = grid_.ColumnWidth(0);
  Mouse(WM_LBUTTONDOWN, {c0.right, c0.top + 3}, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, {c0.right + 40, c0.top + 3}, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, {c0.right + 40, c0.top + 3});
  EXPECT_GT(grid_.ColumnWidth(0), before + 20);
  EXPECT_EQ(grid_.ColumnWidth(1), 70) << "the other columns keep the default";
}

TEST_F(GridWindow, WholeRowsDragToANewPlace) {
  model_.rows = 8;
  model_.order.resize(8);
  std::iota(model_.order.begin(), model_.order.end(), 0);
  grid_.SetWholeRows(true);
  grid_.SetRowDragging(true);
  grid_.Reload();
  Mouse(WM_LBUTTONDOWN, CenterOf(2, 0), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, CenterOf(2, 0));
  Mouse(WM_LBUTTONDOWN, CenterOf(3, 0), MK_LBUTTON | MK_SHIFT);
  Mouse(WM_LBUTTONUP, CenterOf(3, 0));
  // Rows 2..3 dragged onto row 6.
  Mouse(WM_LBUTTONDOWN, CenterOf(2, 1), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, CenterOf(4, 1), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, CenterOf(6, 1), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, CenterOf(6, 1));
  EXPECT_EQ(model_.order, (std::vector<int>{0, 1, 4, 5, 6, 2, 3, 7}));
  EXPECT_EQ(Selected(), (GridRange{5, 0, 6, 29})) << "the moved rows stay selected";
}

TEST_F(GridWindow, AWindowMadeElsewhereWorksOnceAttached) {
  HWND w = CreateWindowExW(Grid::kExStyle, Grid::ClassName(), L"", WS_CHILD | WS_VISIBLE | Grid::kStyle, 0, 0, 300,
                           200, host_, nullptr, nullptr, nullptr);
  ASSERT_TRUE(w);
  Grid other;
  other.Attach(w);
  other.SetModel(&model_);
  std::wstring text;
  EXPECT_TRUE(SendMessageW(w, kGridGetCellText, MAKEWPARAM(2, 1), reinterpret_cast<LPARAM>(&text)));
  EXPECT_EQ(L"2,1", text);
  GridRange r{3, 1, 4, 2};
  SendMessageW(w, kGridSetSelection, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, other.Selection());
}

}  // namespace
}  // namespace ruzer

// The one grid control of the program: a text grid with a fixed header row,
// owner-drawn and virtual. Cells are asked from a model when they are painted,
// so a grid of any size costs no window and no string per cell.
//
// The selection (a rectangle of cells, or of whole rows) and the row dragging
// are plain code below, testable without a window; the Win32 control forwards
// mouse and keys to them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ruzer {

// ---------------------------------------------------------------- model

class IGridModel {
 public:
  virtual ~IGridModel() = default;
  // Rows including the header row 0.
  virtual int RowCount() = 0;
  virtual int ColumnCount() = 0;
  // Text of one cell into `out` (row 0 is the header). Called while painting.
  virtual void CellText(int row, int column, std::wstring& out) = 0;
  // Whole-row dragging: rows first .. first+count-1 move so that the first of
  // them becomes row `to`. Return false to refuse.
  virtual bool MoveRows(int first, int count, int to) {
    (void)first, (void)count, (void)to;
    return false;
  }
};

// ---------------------------------------------------------------- selection

struct GridCell {
  int row = 1;
  int column = 0;
  bool operator==(const GridCell&) const = default;
};

// Inclusive rectangle of cells.
struct GridRange {
  int top = 1, left = 0, bottom = 1, right = 0;
  bool Contains(int row, int column) const {
    return row >= top && row <= bottom && column >= left && column <= right;
  }
  bool operator==(const GridRange&) const = default;
};

// Anchor and focus cell of a rectangular selection below the fixed header
// row. With whole rows the rectangle always spans every column.
class GridSelection {
 public:
  // Rows include the header row; with fewer than two rows or no column there
  // is nothing to select and the selection stays at (1, 0).
  void SetSize(int rows, int columns);
  void SetWholeRows(bool on);
  void SetMultiple(bool on) { multiple_ = on; }  // false: one cell (or row) only

  int rows() const { return rows_; }
  int columns() const { return columns_; }

  // Mouse down on a cell; shift extends from the anchor.
  void Click(int row, int column, bool shift);
  // Mouse moved with the button held: the focus follows.
  void ExtendTo(int row, int column);
  // A key of the grid (VK_*). pageRows: data rows that fit on one page.
  // Returns true when the key was the grid's.
  bool Key(UINT vk, bool shift, bool ctrl, int pageRows = 10);
  void SelectAll();
  // Anchor at (top, left), focus at (bottom, right); clamped.
  void Set(const GridRange& range);

  GridRange Range() const;
  GridCell Anchor() const { return anchor_; }
  GridCell Focus() const { return focus_; }
  bool Contains(int row, int column) const { return Range().Contains(row, column); }

 private:
  GridCell Clamp(GridCell c) const;
  void MoveFocus(GridCell to, bool extend);

  int rows_ = 2, columns_ = 1;
  bool wholeRows_ = false, multiple_ = true;
  GridCell anchor_, focus_;
};

// ---------------------------------------------------------------- row dragging

// Where a block of rows [top, bottom] goes when it is dropped on data row
// `over`: the first row of the block after the move, or -1 for no move (dropped
// on itself or outside the data rows 1 .. rows-1).
int GridDropTarget(int top, int bottom, int over, int rows);

// ---------------------------------------------------------------- the control

// Messages the control understands besides the usual ones (for the dialogs
// and for tests that drive it as a user would).
enum : UINT {
  kGridGetCellRect = WM_APP + 0x300,  // wParam MAKEWPARAM(row, column), lParam RECT*: client pixels
  kGridSetSelection,                  // lParam const GridRange*
  kGridGetSelection,                  // lParam GridRange*
  kGridGetCellText,                   // wParam MAKEWPARAM(row, column), lParam std::wstring*
};

// Notification codes sent to the parent with WM_COMMAND (HIWORD of wParam).
enum : WORD {
  kGridSelChange = 0x0801,
  kGridRowsMoved = 0x0802,
};

class Grid {
 public:
  Grid() = default;
  ~Grid();
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;

  // Child window at `rect` (client pixels of the parent). WS_TABSTOP, borders
  // and scroll bars are the control's own.
  HWND Create(HWND parent, int id, const RECT& rect);
  // The window class, registered on first use, and the styles the control
  // wants, for windows that a dialog creates itself; Attach then binds the
  // window to this object (it takes the parent's font).
  static const wchar_t* ClassName();
  static constexpr DWORD kStyle = WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS;
  static constexpr DWORD kExStyle = WS_EX_CLIENTEDGE;
  void Attach(HWND hwnd);
  HWND hwnd() const { return hwnd_; }

  void SetModel(IGridModel* model);
  // The model's rows or columns changed: sizes, scroll bars and paint.
  void Reload();
  // Repaint without re-reading the sizes.
  void Invalidate();

  // Widths in 96-DPI pixels, scaled to the window's DPI.
  void SetDefaultColumnWidth(int width);
  void SetColumnWidth(int column, int width);  // negative: back to the default
  int ColumnWidth(int column) const;           // 96-DPI pixels

  void SetWholeRows(bool on);
  void SetMultiple(bool on);
  void SetRowDragging(bool on) { rowDrag_ = on; }

  GridSelection& selection() { return sel_; }
  GridRange Selection() const { return sel_.Range(); }
  void SetSelection(const GridRange& range);
  // Scrolls so that the cell is visible.
  void ScrollIntoView(int row, int column);
  // Cell rectangle in client pixels (the header row is fixed at the top).
  RECT CellRect(int row, int column) const;
  // Cell at a client point; false outside any cell.
  bool HitTest(POINT pt, GridCell& cell) const;

 private:
  template <class T>
  friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
  void Bind(HWND hwnd) { hwnd_ = hwnd; }
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Paint(HDC dc, const RECT& clip);
  void UpdateScrollBars();
  void Scroll(int bar, int code);
  void SetTop(int row);
  void SetLeft(int column);
  void Notify(WORD code);
  int Px(int dip) const { return MulDiv(dip, dpi_, 96); }
  int ColumnPx(int column) const { return Px(ColumnWidth(column)); }
  int RowHeight() const { return rowHeight_; }
  int VisibleDataRows() const;  // fully visible data rows
  int ColumnEdgeAt(int x) const;  // header divider under x: its column, or -1
  void MeasureFont();
  void SelectionChanged(bool scroll);

  HWND hwnd_ = nullptr;
  IGridModel* model_ = nullptr;
  GridSelection sel_;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int rowHeight_ = 18;
  int defaultWidth_ = 64;
  std::vector<int> widths_;  // per column, 96-DPI; negative = default
  int topRow_ = 1;           // first data row shown
  int leftCol_ = 0;          // first column shown
  bool rowDrag_ = false;
  enum class Mouse { None, Selecting, Sizing, Dragging } mouse_ = Mouse::None;
  int sizingColumn_ = -1, sizingStartX_ = 0, sizingStartWidth_ = 0;
  int dropRow_ = -1;  // row under the mouse while dragging
  std::wstring cellText_;  // reused buffer for painting
};

}  // namespace ruzer

#include "base/grid.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "base/font.h"
#include "base/winproc.h"

namespace ruzer {

// ---------------------------------------------------------------- selection

void GridSelection::SetSize(int rows, int columns) {
  rows_ = std::max(2, rows);
  columns_ = std::max(1, columns);
  anchor_ = Clamp(anchor_);
  focus_ = Clamp(focus_);
}

void GridSelection::SetWholeRows(bool on) { wholeRows_ = on; }

GridCell GridSelection::Clamp(GridCell c) const {
  c.row = std::clamp(c.row, 1, rows_ - 1);
  c.column = std::clamp(c.column, 0, columns_ - 1);
  return c;
}

void GridSelection::MoveFocus(GridCell to, bool extend) {
  focus_ = Clamp(to);
  if (!extend || !multiple_) anchor_ = focus_;
}

void GridSelection::Click(int row, int column, bool shift) { MoveFocus({row, column}, shift); }

void GridSelection::ExtendTo(int row, int column) { MoveFocus({row, column}, true); }

bool GridSelection::Key(UINT vk, bool shift, bool ctrl, int pageRows) {
  const int page = std::max(1, pageRows);
  GridCell f = focus_;
  switch (vk) {
    case VK_UP:
      --f.row;
      break;
    case VK_DOWN:
      ++f.row;
      break;
    case VK_LEFT:
      if (wholeRows_) return true;
      --f.column;
      break;
    case VK_RIGHT:
      if (wholeRows_) return true;
      ++f.column;
      break;
    case VK_PRIOR:
      f.row -= page;
      break;
    case VK_NEXT:
      f.row += page;
      break;
    case VK_HOME:
      if (ctrl || wholeRows_) f.row = 1;
      f.column = 0;
      break;
    case VK_END:
      if (ctrl || wholeRows_) f.row = rows_ - 1;
      f.column = columns_ - 1;
      break;
    case 'A':
      if (!ctrl) return false;
      SelectAll();
      return true;
    default:
      return false;
  }
  MoveFocus(f, shift);
  return true;
}

void GridSelection::SelectAll() {
  if (!multiple_) return;
  anchor_ = Clamp({1, 0});
  focus_ = Clamp({rows_ - 1, columns_ - 1});
}

void GridSelection::Set(const GridRange& range) {
  anchor_ = Clamp({range.top, range.left});
  focus_ = Clamp({range.bottom, range.right});
  if (!multiple_) anchor_ = focus_;
}

GridRange GridSelection::Range() const {
  GridRange r;
  r.top = std::min(anchor_.row, focus_.row);
  r.bottom = std::max(anchor_.row, focus_.row);
  r.left = std::min(anchor_.column, focus_.column);
  r.right = std::max(anchor_.column, focus_.column);
  if (!multiple_) r = {focus_.row, focus_.column, focus_.row, focus_.column};
  if (wholeRows_) {
    r.left = 0;
    r.right = columns_ - 1;
  }
  return r;
}

// ---------------------------------------------------------------- row dragging

int GridDropTarget(int top, int bottom, int over, int rows) {
  if (over < 1 || over >= rows || top < 1 || bottom < top || bottom >= rows) return -1;
  if (over >= top && over <= bottom) return -1;
  if (over < top) return over;
  return over - (bottom - top);  // the block's last row lands on `over`
}

// ---------------------------------------------------------------- the control

namespace {

const wchar_t kGridClass[] = L"RuzerGrid";

void RegisterGridClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &ObjectWindowProc<Grid>;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kGridClass;
  done = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Grid::~Grid() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

const wchar_t* Grid::ClassName() {
  RegisterGridClass();
  return kGridClass;
}

HWND Grid::Create(HWND parent, int id, const RECT& rect) {
  CreateWindowExW(kExStyle, ClassName(), L"", WS_CHILD | WS_VISIBLE | kStyle, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), this);
  if (hwnd_) Attach(hwnd_);
  return hwnd_;
}

void Grid::Attach(HWND hwnd) {
  if (!hwnd) return;
  hwnd_ = hwnd;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  mouse_ = Mouse::None;
  topRow_ = 1;
  leftCol_ = 0;
  dpi_ = WindowDpi(hwnd_);
  if (!font_) font_ = reinterpret_cast<HFONT>(SendMessageW(GetParent(hwnd_), WM_GETFONT, 0, 0));
  MeasureFont();
  Reload();
}

void Grid::SetModel(IGridModel* model) {
  model_ = model;
  Reload();
}

void Grid::Reload() {
  const int rows = model_ ? model_->RowCount() : 2;
  const int columns = model_ ? model_->ColumnCount() : 1;
  sel_.SetSize(rows, columns);
  if (!hwnd_) return;
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Grid::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Grid::SetDefaultColumnWidth(int width) {
  defaultWidth_ = std::max(1, width);
  Reload();
}

void Grid::SetColumnWidth(int column, int width) {
  if (column < 0) return;
  if (static_cast<size_t>(column) >= widths_.size()) widths_.resize(column + 1, -1);
  widths_[column] = width < 0 ? -1 : std::max(1, width);
  Reload();
}

int Grid::ColumnWidth(int column) const {
  if (column >= 0 && static_cast<size_t>(column) < widths_.size() && widths_[column] >= 0)
    return widths_[column];
  return defaultWidth_;
}

void Grid::SetWholeRows(bool on) {
  sel_.SetWholeRows(on);
  Invalidate();
}

void Grid::SetMultiple(bool on) {
  sel_.SetMultiple(on);
  Invalidate();
}

void Grid::SetSelection(const GridRange& range) {
  sel_.Set(range);
  SelectionChanged(true);
}

void Grid::SelectionChanged(bool scroll) {
  if (scroll) ScrollIntoView(sel_.Focus().row, sel_.Focus().column);
  Invalidate();
  Notify(kGridSelChange);
}

void Grid::Notify(WORD code) {
  if (!hwnd_) return;
  HWND parent = GetParent(hwnd_);
  if (parent)
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), code),
                 reinterpret_cast<LPARAM>(hwnd_));
}

int Grid::VisibleDataRows() const {
  if (!hwnd_) return 1;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  const int h = rc.bottom - RowHeight();
  return std::max(1, h / std::max(1, RowHeight()));
}

void Grid::UpdateScrollBars() {
  if (!hwnd_) return;
  const int rows = sel_.rows(), columns = sel_.columns();
  // Twice: a scroll bar that appears takes room from the other direction.
  for (int pass = 0; pass < 2; ++pass) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const int visible = VisibleDataRows();
    const int maxTop = std::max(1, rows - visible);
    topRow_ = std::clamp(topRow_, 1, maxTop);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 1;
    si.nMax = std::max(1, rows - 1);
    si.nPage = static_cast<UINT>(visible);
    si.nPos = topRow_;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);

    // Columns: the leftmost column at full scroll is the first from which the
    // rest fits into the window.
    int maxLeft = columns - 1, used = 0;
    for (int c = columns - 1; c >= 0; --c) {
      used += ColumnPx(c);
      if (used > rc.right) break;
      maxLeft = c;
    }
    maxLeft = std::max(0, maxLeft);
    leftCol_ = std::clamp(leftCol_, 0, maxLeft);
    si.nMin = 0;
    si.nMax = columns - 1;
    si.nPage = static_cast<UINT>(columns - maxLeft);
    si.nPos = leftCol_;
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
  }
}

void Grid::SetTop(int row) {
  const int maxTop = std::max(1, sel_.rows() - VisibleDataRows());
  row = std::clamp(row, 1, maxTop);
  if (row == topRow_) return;
  topRow_ = row;
  SetScrollPos(hwnd_, SB_VERT, topRow_, TRUE);
  Invalidate();
}

void Grid::SetLeft(int column) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  GetScrollInfo(hwnd_, SB_HORZ, &si);
  const int maxLeft = std::max(0, si.nMax - static_cast<int>(si.nPage) + 1);
  column = std::clamp(column, 0, maxLeft);
  if (column == leftCol_) return;
  leftCol_ = column;
  SetScrollPos(hwnd_, SB_HORZ, leftCol_, TRUE);
  Invalidate();
}

void Grid::Scroll(int bar, int code) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(hwnd_, bar, &si);
  int pos = bar == SB_VERT ? topRow_ : leftCol_;
  const int page = std::max(1, static_cast<int>(si.nPage));
  switch (code) {
    case SB_LINEUP: pos -= 1; break;
    case SB_LINEDOWN: pos += 1; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  if (bar == SB_VERT)
    SetTop(pos);
  else
    SetLeft(pos);
}

void Grid::ScrollIntoView(int row, int column) {
  if (!hwnd_) return;
  if (row >= 1) {
    const int visible = VisibleDataRows();
    if (row < topRow_)
      SetTop(row);
    else if (row >= topRow_ + visible)
      SetTop(row - visible + 1);
  }
  if (column >= 0) {
    if (column < leftCol_) {
      SetLeft(column);
    } else {
      RECT rc;
      GetClientRect(hwnd_, &rc);
      int left = leftCol_;
      auto rightEdge = [&] {
        int x = 0;
        for (int c = left; c <= column; ++c) x += ColumnPx(c);
        return x;
      };
      while (left < column && rightEdge() > rc.right) ++left;
      SetLeft(left);
    }
  }
}

RECT Grid::CellRect(int row, int column) const {
  RECT r{0, 0, 0, 0};
  if (column < leftCol_ || (row >= 1 && row < topRow_)) return r;
  int x = 0;
  for (int c = leftCol_; c < column; ++c) x += ColumnPx(c);
  const int y = row == 0 ? 0 : RowHeight() * (1 + row - topRow_);
  r = {x, y, x + ColumnPx(column), y + RowHeight()};
  return r;
}

bool Grid::HitTest(POINT pt, GridCell& cell) const {
  if (!hwnd_ || pt.x < 0 || pt.y < 0) return false;
  const int row = pt.y < RowHeight() ? 0 : topRow_ + (pt.y - RowHeight()) / RowHeight();
  if (row >= sel_.rows()) return false;
  int x = 0;
  for (int c = leftCol_; c < sel_.columns(); ++c) {
    const int w = ColumnPx(c);
    if (pt.x < x + w) {
      cell = {row, c};
      return true;
    }
    x += w;
  }
  return false;
}

int Grid::ColumnEdgeAt(int x) const {
  const int slop = std::max(2, Px(3));
  int edge = 0;
  for (int c = leftCol_; c < sel_.columns(); ++c) {
    edge += ColumnPx(c);
    if (x >= edge - slop && x <= edge + slop) return c;
    if (edge > x + slop) break;
  }
  return -1;
}

void Grid::MeasureFont() {
  if (!hwnd_) return;
  const TEXTMETRICW tm = FontMetrics(hwnd_, font_);
  rowHeight_ = std::max(8, static_cast<int>(tm.tmHeight) + Px(6));
}

void Grid::Paint(HDC target, const RECT& clip) {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  const int width = std::max<LONG>(1, rc.right), height = std::max<LONG>(1, rc.bottom);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bmp = CreateCompatibleBitmap(target, width, height);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);

  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  const bool focused = GetFocus() == hwnd_;
  const GridRange range = sel_.Range();
  const GridCell focus = sel_.Focus();
  const int rows = sel_.rows(), columns = sel_.columns();
  const int pad = Px(3);
  HPEN line = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldPen = SelectObject(dc, line);

  auto drawRow = [&](int row, int y) {
    int x = 0;
    for (int c = leftCol_; c < columns && x < width; ++c) {
      const int w = ColumnPx(c);
      RECT cell{x, y, x + w, y + RowHeight()};
      RECT inner{cell.left, cell.top, cell.right - 1, cell.bottom - 1};
      COLORREF textColor;
      if (row == 0) {
        FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &cell, BDR_RAISEDINNER, BF_RECT);
        textColor = GetSysColor(COLOR_BTNTEXT);
      } else if (range.Contains(row, c)) {
        FillRect(dc, &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
        textColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
      } else {
        textColor = GetSysColor(COLOR_WINDOWTEXT);
      }
      if (row != 0) {
        MoveToEx(dc, cell.right - 1, cell.top, nullptr);
        LineTo(dc, cell.right - 1, cell.bottom - 1);
        LineTo(dc, cell.left - 1, cell.bottom - 1);
      }
      if (model_) {
        cellText_.clear();
        model_->CellText(row, c, cellText_);
        if (!cellText_.empty()) {
          SetTextColor(dc, textColor);
          RECT t{cell.left + pad, cell.top, cell.right - pad, cell.bottom};
          DrawTextW(dc, cellText_.c_str(), static_cast<int>(cellText_.size()), &t,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        }
      }
      if (row != 0 && focused && row == focus.row && c == focus.column) DrawFocusRect(dc, &inner);
      x += w;
    }
  };

  for (int r = topRow_, y = RowHeight(); r < rows && y < height; ++r, y += RowHeight()) {
    if (y + RowHeight() <= clip.top || y >= clip.bottom) continue;
    drawRow(r, y);
  }
  drawRow(0, 0);

  if (mouse_ == Mouse::Dragging && dropRow_ >= 1) {
    const int target = GridDropTarget(range.top, range.bottom, dropRow_, rows);
    if (target >= 0) {
      // A bar where the block will land: above the row dropped on when moving up, below it when moving down.
      const int y = dropRow_ < range.top ? RowHeight() * (1 + dropRow_ - topRow_)
                                         : RowHeight() * (2 + dropRow_ - topRow_) - 1;
      RECT bar{0, y - Px(1), width, y + Px(1) + 1};
      FillRect(dc, &bar, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
  }

  SelectObject(dc, oldPen);
  DeleteObject(line);
  BitBlt(target, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, dc, clip.left, clip.top,
         SRCCOPY);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}

LRESULT Grid::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCDESTROY: {
      HWND gone = std::exchange(hwnd_, nullptr);
      return DefWindowProcW(gone, msg, wp, lp);
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      MeasureFont();
      UpdateScrollBars();
      if (LOWORD(lp)) Invalidate();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case 0x02E3: {  // WM_DPICHANGED_AFTERPARENT
      dpi_ = WindowDpi(hwnd_);
      MeasureFont();
      UpdateScrollBars();
      Invalidate();
      return 0;
    }
    case WM_SIZE:
      UpdateScrollBars();
      Invalidate();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      return 0;
    case WM_VSCROLL:
      Scroll(SB_VERT, LOWORD(wp));
      return 0;
    case WM_HSCROLL:
      Scroll(SB_HORZ, LOWORD(wp));
      return 0;
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
      SetTop(topRow_ - 3 * notches);
      return 0;
    }
    case WM_KEYDOWN: {
      const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
      if (sel_.Key(static_cast<UINT>(wp), shift, ctrl, VisibleDataRows())) {
        SelectionChanged(wp != 'A');
        return 0;
      }
      break;
    }
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(hwnd_, &pt);
        if (mouse_ == Mouse::Sizing || (pt.y >= 0 && pt.y < RowHeight() && ColumnEdgeAt(pt.x) >= 0)) {
          SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(hwnd_);
      const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      const bool shift = (wp & MK_SHIFT) != 0;
      if (pt.y < RowHeight()) {
        const int edge = ColumnEdgeAt(pt.x);
        if (edge >= 0) {
          mouse_ = Mouse::Sizing;
          sizingColumn_ = edge;
          sizingStartX_ = pt.x;
          sizingStartWidth_ = ColumnWidth(edge);
          SetCapture(hwnd_);
        }
        return 0;
      }
      GridCell cell;
      if (!HitTest(pt, cell) || cell.row < 1) return 0;
      const GridRange range = sel_.Range();
      if (rowDrag_ && !shift && cell.row >= range.top && cell.row <= range.bottom) {
        mouse_ = Mouse::Dragging;
        dropRow_ = cell.row;
      } else {
        sel_.Click(cell.row, cell.column, shift);
        mouse_ = Mouse::Selecting;
        SelectionChanged(true);
      }
      SetCapture(hwnd_);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (mouse_ == Mouse::None) break;
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (mouse_ == Mouse::Sizing) {
        const int delta = MulDiv(pt.x - sizingStartX_, 96, dpi_);
        SetColumnWidth(sizingColumn_, std::max(4, sizingStartWidth_ + delta));
        return 0;
      }
      RECT rc;
      GetClientRect(hwnd_, &rc);
      // Past an edge the grid scrolls one step per move.
      if (pt.y < RowHeight() && topRow_ > 1) SetTop(topRow_ - 1);
      if (pt.y >= rc.bottom) SetTop(topRow_ + 1);
      if (pt.x < 0 && leftCol_ > 0) SetLeft(leftCol_ - 1);
      if (pt.x >= rc.right) SetLeft(leftCol_ + 1);
      pt.x = std::clamp<LONG>(pt.x, 0, std::max<LONG>(0, rc.right - 1));
      pt.y = std::clamp<LONG>(pt.y, RowHeight(), std::max<LONG>(RowHeight(), rc.bottom - 1));
      GridCell cell;
      if (!HitTest(pt, cell)) {
        // Below the last row or right of the last column: the nearest cell.
        cell.row = HitTest({0, pt.y}, cell) ? cell.row : sel_.rows() - 1;
        GridCell c2;
        cell.column = HitTest({pt.x, RowHeight()}, c2) ? c2.column : sel_.columns() - 1;
      }
      if (mouse_ == Mouse::Selecting) {
        const GridRange before = sel_.Range();
        sel_.ExtendTo(cell.row, cell.column);
        if (!(sel_.Range() == before)) SelectionChanged(false);
      } else if (mouse_ == Mouse::Dragging && cell.row != dropRow_) {
        dropRow_ = cell.row;
        Invalidate();
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const Mouse was = mouse_;
      mouse_ = Mouse::None;
      if (GetCapture() == hwnd_) ReleaseCapture();
      if (was == Mouse::Dragging) {
        const GridRange range = sel_.Range();
        const int target = GridDropTarget(range.top, range.bottom, dropRow_, sel_.rows());
        const int count = range.bottom - range.top + 1;
        if (target >= 0 && model_ && model_->MoveRows(range.top, count, target)) {
          Reload();
          sel_.Set({target, range.left, target + count - 1, range.right});
          SelectionChanged(true);
          Notify(kGridRowsMoved);
        } else if (target < 0 && dropRow_ == sel_.Focus().row) {
          // A plain click on a selected row selects just that row.
          sel_.Click(dropRow_, sel_.Focus().column, false);
          SelectionChanged(false);
        }
        dropRow_ = -1;
        Invalidate();
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (mouse_ != Mouse::None && reinterpret_cast<HWND>(lp) != hwnd_) {
        mouse_ = Mouse::None;
        dropRow_ = -1;
        Invalidate();
      }
      return 0;
    case kGridGetCellRect: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return FALSE;
      *r = CellRect(LOWORD(wp), HIWORD(wp));
      return r->right > r->left;
    }
    case kGridSetSelection:
      if (lp) SetSelection(*reinterpret_cast<const GridRange*>(lp));
      return 0;
    case kGridGetSelection:
      if (lp) *reinterpret_cast<GridRange*>(lp) = sel_.Range();
      return 0;
    case kGridGetCellText: {
      auto* out = reinterpret_cast<std::wstring*>(lp);
      if (!out) return FALSE;
      out->clear();
      const int row = LOWORD(wp), column = HIWORD(wp);
      if (!model_ || row >= model_->RowCount() || column >= model_->ColumnCount()) return FALSE;
      model_->CellText(row, column, *out);
      return TRUE;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace ruzer

// The main window's layout: tool bar, tree, tabs and the page's panes placed by
// hand at the window's DPI, and the splitters between them.
#include <algorithm>

#include "base/font.h"
#include "base/panes.h"
#include "shell/ff1_impl.h"

namespace ruzer {

namespace {

constexpr int kSplitterSize = 4;  // 96-DPI pixels

void Place(HWND h, int x, int y, int w, int hgt, bool visible) {
  if (!h) return;
  if (visible) {
    SetWindowPos(h, nullptr, x, y, std::max(0, w), std::max(0, hgt), SWP_NOZORDER | SWP_NOACTIVATE);
    if (!IsWindowVisible(h)) ShowWindow(h, SW_SHOWNA);
  } else if (IsWindowVisible(h)) {
    ShowWindow(h, SW_HIDE);
  }
}

// Width of kReadableColumnChars average characters of the list's font.
int ReadableColumnWidth(HWND lv) {
  return kReadableColumnChars * FontMetrics(lv, reinterpret_cast<HFONT>(SendMessageW(lv, WM_GETFONT, 0, 0))).tmAveCharWidth;
}

}  // namespace

void FF1::Impl::Layout(bool fitColumns) {
  HWND main = win.hwnd_;
  if (!main || !toolbar) return;
  RECT rc;
  GetClientRect(main, &rc);
  const int w = rc.right, h = rc.bottom;
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  SendMessageW(status, WM_SIZE, 0, 0);
  SetStatusParts();  // the bar follows its part
  RECT tr, sr;
  GetWindowRect(toolbar, &tr);
  GetWindowRect(status, &sr);
  const int top = tr.bottom - tr.top;
  const int bottom = std::max(top, h - static_cast<int>(sr.bottom - sr.top));

  // btnAbort sits at the tool bar's left end; the buttons move right of it.
  if (abortVisible) {
    const DWORD bs = static_cast<DWORD>(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
    const int bh = std::max<int>(HIWORD(bs), S(22));
    const int bw = TextExtent(btnAbort, font.get(), L"中断(F3)").cx + S(16);
    SendMessageW(toolbar, TB_SETINDENT, bw + S(4), 0);
    Place(btnAbort, S(2), std::max(0, (top - bh) / 2), bw, std::min(bh, top), true);
    SetWindowPos(btnAbort, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    SendMessageW(toolbar, TB_SETINDENT, 0, 0);
    Place(btnAbort, 0, 0, 0, 0, false);
  }

  const int midH = bottom - top;
  const int split = S(kSplitterSize);
  const int tw = std::clamp(S(treeWidth), 1, std::max(1, w - split));
  Place(tree, 0, top, tw, midH, true);
  Place(splitter1, tw, top, split, midH, true);
  const int x = tw + split;
  Place(tabs, x, top, std::max(0, w - x), midH, true);
  RECT page{0, 0, std::max(0, w - x), midH};
  TabCtrl_AdjustRect(tabs, FALSE, &page);
  Place(pnlPage, x + page.left, top + page.top, page.right - page.left, page.bottom - page.top, true);
  LayoutPage();
  if (fitColumns) FitFirstColumn();
}

void FF1::Impl::PlacePagePanel() {
  // The panel lies over the display area of the tabs; it moves only when the
  // rows of tabs change.
  RECT tr;
  GetWindowRect(tabs, &tr);
  MapWindowPoints(nullptr, win.hwnd_, reinterpret_cast<POINT*>(&tr), 2);
  RECT want{0, 0, tr.right - tr.left, tr.bottom - tr.top};
  TabCtrl_AdjustRect(tabs, FALSE, &want);
  OffsetRect(&want, tr.left, tr.top);
  RECT now;
  GetWindowRect(pnlPage, &now);
  MapWindowPoints(nullptr, win.hwnd_, reinterpret_cast<POINT*>(&now), 2);
  if (EqualRect(&want, &now)) return;
  Place(pnlPage, want.left, want.top, want.right - want.left, want.bottom - want.top, true);
  LayoutPage();
}

void FF1::Impl::LayoutPage() {
  RECT pr;
  GetClientRect(pnlPage, &pr);
  const int pw = pr.right, ph = pr.bottom;
  const int sep = S(kSplitterSize);
  auto placeGroup = [&](HWND group, HWND list, int x, int y, int w, int h, bool visible) {
    Place(group, x, y, w, h, visible);
    if (visible && list) {
      const RECT in = GroupPaneInner(group, win.dpi_);
      Place(list, in.left, in.top, in.right - in.left, in.bottom - in.top, true);
    }
  };

  const bool down = bottom.height > 1;
  if (!down) {
    bottomHeightPx = 0;
    Place(sepMid, 0, 0, 0, 0, false);
    Place(pnlDown, 0, 0, 0, 0, false);
    placeGroup(grpSource, lsvDir, 0, 0, pw, ph, true);
    return;
  }
  const int bh = std::clamp(S(bottom.height), 0, std::max(0, ph - sep - S(40)));
  bottomHeightPx = bh;
  placeGroup(grpSource, lsvDir, 0, 0, pw, ph - bh - sep, true);
  Place(sepMid, 0, ph - bh - sep, pw, sep, true);
  Place(pnlDown, 0, ph - bh, pw, bh, true);

  if (bottom.oldVisible && bottom.oldFills) {
    placeGroup(grpOld, lvOld, 0, 0, pw, bh, true);
    Place(sepDown, 0, 0, 0, 0, false);
    Place(grpBtm, 0, 0, 0, 0, false);
    return;
  }
  int y = 0;
  if (bottom.oldVisible) {
    const int oh = std::clamp(oldHeightPx >= 0 ? oldHeightPx : S(bottom.oldHeight), 0, bh);
    placeGroup(grpOld, lvOld, 0, 0, pw, oh, true);
    y = oh;
    if (bottom.sepDownVisible) {
      Place(sepDown, 0, y, pw, sep, true);
      y += sep;
    } else {
      Place(sepDown, 0, 0, 0, 0, false);
    }
  } else {
    Place(grpOld, 0, 0, 0, 0, false);
    Place(sepDown, 0, 0, 0, 0, false);
  }
  placeGroup(grpBtm, nullptr, 0, y, pw, bh - y, bottom.listGroupVisible);
  const RECT in = GroupPaneInner(grpBtm, win.dpi_);
  Place(lbErr, in.left, in.top, in.right - in.left, in.bottom - in.top, bottom.listGroupVisible && bottom.errorListVisible);
  Place(lvSize, in.left, in.top, in.right - in.left, in.bottom - in.top, bottom.listGroupVisible && bottom.sizeListVisible);
}

void FF1::Impl::FitFirstColumn() {
  // The first column takes what the other six leave of the group, less 50, but
  // never less than it takes to read a folder: a narrow window scrolls sideways.
  RECT g;
  GetClientRect(grpSource, &g);
  int others = 0;
  for (int i = 1; i < 7; ++i) others += ListView_GetColumnWidth(lsvDir, i);
  ListView_SetColumnWidth(lsvDir, 0, FirstColumnWidth(g.right, others, S(50), ReadableColumnWidth(lsvDir)));
}

void FF1::Impl::OnSplitterDrag(int id, POINT pt, bool done) {
  const int sep = S(kSplitterSize);
  if (id == kIdSplitter1) {
    RECT rc;
    GetClientRect(win.hwnd_, &rc);
    const int px = std::clamp(static_cast<int>(pt.x) - sep / 2, 1, std::max(1, static_cast<int>(rc.right) - sep - S(20)));
    treeWidth = std::max(1, Logical(px));
    Layout(false);
    if (done) TreeWidthChanged(app(), treeWidth);
    return;
  }
  POINT local = pt;
  if (id == kIdSepMid) {
    MapWindowPoints(win.hwnd_, pnlPage, &local, 1);
    RECT pr;
    GetClientRect(pnlPage, &pr);
    const int bh = std::clamp(static_cast<int>(pr.bottom) - static_cast<int>(local.y) - sep / 2, S(20),
                              std::max(S(20), static_cast<int>(pr.bottom) - sep - S(40)));
    bottom.height = std::max(2, Logical(bh));
    if (done) app().bottomHeight = bottom.height;
    LayoutPage();
  } else if (id == kIdSepDown) {
    MapWindowPoints(win.hwnd_, pnlDown, &local, 1);
    oldHeightPx = std::clamp(static_cast<int>(local.y) - sep / 2, 0, std::max(0, bottomHeightPx - sep));
    LayoutPage();
  }
}

}  // namespace ruzer

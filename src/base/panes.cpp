#include "base/panes.h"

#include <algorithm>
#include <string>

#include "base/font.h"

namespace ruzer {

namespace {

constexpr wchar_t kPaneClass[] = L"RuzerPane";
constexpr wchar_t kSplitterClass[] = L"RuzerSplitter";
constexpr wchar_t kFontProp[] = L"RuzerFont";

HFONT PaneFont(HWND h) { return reinterpret_cast<HFONT>(GetPropW(h, kFontProp)); }

void PaintGroup(HWND h) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT rc;
  GetClientRect(h, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  HFONT font = PaneFont(h);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int dpi = WindowDpi(h);
  RECT frame = rc;
  frame.top += tm.tmHeight / 2;
  frame.left += MulDiv(2, dpi, 96);
  frame.right -= MulDiv(2, dpi, 96);
  frame.bottom -= MulDiv(2, dpi, 96);
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  wchar_t text[1024];
  const int n = GetWindowTextW(h, text, 1024);
  if (n > 0) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkMode(dc, OPAQUE);
    // The caption interrupts the frame line, with a blank on either side.
    RECT t{frame.left + MulDiv(8, dpi, 96), rc.top, frame.right - MulDiv(4, dpi, 96), rc.top + tm.tmHeight};
    const std::wstring padded = L" " + std::wstring(text, static_cast<size_t>(n)) + L" ";
    DrawTextW(dc, padded.c_str(), static_cast<int>(padded.size()), &t,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT);
  }
  SelectObject(dc, old);
  EndPaint(h, &ps);
}

LRESULT CALLBACK PaneProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      return SendMessageW(GetParent(h), msg, wp, lp);
    case WM_SETFONT:
      SetPropW(h, kFontProp, reinterpret_cast<HANDLE>(wp));
      if (LOWORD(lp)) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(h, kFontProp));
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcW(h, msg, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(h, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PAINT:
      if (GetWindowLongPtrW(h, GWLP_USERDATA) == static_cast<LONG_PTR>(PaneKind::Group)) {
        PaintGroup(h);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemovePropW(h, kFontProp);
      break;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

LRESULT CALLBACK SplitterProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  HWND root = GetAncestor(h, GA_ROOT);
  auto report = [&](UINT what) {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(root, &pt);
    SendMessageW(root, what, static_cast<WPARAM>(GetDlgCtrlID(h)), MAKELPARAM(static_cast<short>(pt.x), static_cast<short>(pt.y)));
  };
  switch (msg) {
    case WM_SETCURSOR: {
      const bool vertical = GetWindowLongPtrW(h, GWLP_USERDATA) == static_cast<LONG_PTR>(SplitterKind::Vertical);
      SetCursor(LoadCursorW(nullptr, vertical ? IDC_SIZEWE : IDC_SIZENS));
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      SetCapture(h);
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == h) report(kMsgSplitterDrag);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == h) {
        ReleaseCapture();
        report(kMsgSplitterDone);
      }
      return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

// Registered on first use; false when the system refused.
bool Registered(const wchar_t* name, WNDPROC proc, bool arrow) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = arrow ? LoadCursorW(nullptr, IDC_ARROW) : nullptr;  // a splitter sets its own
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Child(HWND parent, int id, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle) {
  return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

HWND CreatePane(HWND parent, int id, const wchar_t* caption, PaneKind kind, DWORD style, DWORD exStyle) {
  static const bool ok = Registered(kPaneClass, &PaneProc, true);
  if (!ok) return nullptr;
  HWND h = Child(parent, id, kPaneClass, caption, style, exStyle);
  if (h) SetWindowLongPtrW(h, GWLP_USERDATA, static_cast<LONG_PTR>(kind));
  return h;
}

RECT GroupPaneInner(HWND group, int dpi) {
  RECT r{};
  GetClientRect(group, &r);
  const int pad = MulDiv(6, dpi, 96);
  const int top = FontMetrics(group, PaneFont(group)).tmHeight + MulDiv(2, dpi, 96);
  r.left += pad;
  r.right = std::max(r.left, r.right - pad);
  r.top += top;
  r.bottom = std::max(r.top, r.bottom - pad);
  return r;
}

HWND CreateSplitter(HWND parent, int id, SplitterKind kind, DWORD style) {
  static const bool ok = Registered(kSplitterClass, &SplitterProc, false);
  if (!ok) return nullptr;
  HWND h = Child(parent, id, kSplitterClass, nullptr, style, 0);
  if (h) SetWindowLongPtrW(h, GWLP_USERDATA, static_cast<LONG_PTR>(kind));
  return h;
}

}  // namespace ruzer

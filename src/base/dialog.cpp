#include "base/dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "base/font.h"
#include "base/winproc.h"

namespace ruzer {

namespace {

// Client size in 96-DPI pixels.
SIZE Client96(HWND w, int dpi) {
  RECT rc{};
  GetClientRect(w, &rc);
  return {MulDiv(rc.right - rc.left, 96, dpi), MulDiv(rc.bottom - rc.top, 96, dpi)};
}

// Dialogs shown now, innermost last; F1 goes to the innermost one that holds the
// focused window. The message filter sees keys in every modal dialog loop,
// whatever control has the focus (an edit control never passes F1 on).
thread_local std::vector<Dialog*> g_shown;
thread_local HHOOK g_filter = nullptr;

LRESULT CALLBACK PlusMinusProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR buttons) {
  if (msg == WM_CHAR) {
    const wchar_t c = static_cast<wchar_t>(wp);
    int button = 0;
    if (c == L'+' || c == L'＋') button = LOWORD(buttons);
    if (c == L'-' || c == L'－') button = HIWORD(buttons);
    if (button) {
      HWND dlg = GetParent(w);
      if (IsWindowEnabled(GetDlgItem(dlg, button))) PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      return 0;
    }
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(w, PlusMinusProc, id);
  return DefSubclassProc(w, msg, wp, lp);
}

}  // namespace

void Dialog::PlusMinusKeys(int list, int addButton, int removeButton) {
  SetWindowSubclass(Item(list), PlusMinusProc, 1, MAKELONG(addButton, removeButton));
}

std::wstring WindowText(HWND w) {
  const int n = GetWindowTextLengthW(w);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(w, s.data(), n + 1)));
  return s;
}

LRESULT CALLBACK Dialog::Filter(int code, WPARAM wp, LPARAM lp) {
  const auto* msg = reinterpret_cast<const MSG*>(lp);
  if (code == MSGF_DIALOGBOX && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
    for (auto it = g_shown.rbegin(); it != g_shown.rend(); ++it) {
      Dialog* d = *it;
      if (d->hwnd_ && (msg->hwnd == d->hwnd_ || IsChild(d->hwnd_, msg->hwnd))) {
        d->Help();
        return TRUE;
      }
    }
  }
  return CallNextHookEx(g_filter, code, wp, lp);
}

Dialog::~Dialog() = default;

int Dialog::ShowModal() {
  // An empty frame; the controls are made and placed in pixels at WM_INITDIALOG.
  alignas(DWORD) WORD tmpl[16] = {};
  auto* t = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  if (frame_.resizable) t->style |= WS_THICKFRAME;
  t->cx = 100;
  t->cy = 50;
  controls_.clear();
  tooltip_ = status_ = nullptr;
  if (g_shown.empty()) g_filter = SetWindowsHookExW(WH_MSGFILTER, &Dialog::Filter, nullptr, GetCurrentThreadId());
  g_shown.push_back(this);
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t, owner_, Proc,
                                            reinterpret_cast<LPARAM>(this));
  g_shown.pop_back();
  if (g_shown.empty() && g_filter) {
    UnhookWindowsHookEx(g_filter);
    g_filter = nullptr;
  }
  hwnd_ = nullptr;
  controls_.clear();
  font_.reset();
  return static_cast<int>(r);
}

void Dialog::SetCaption(const std::wstring& caption) {
  frame_.caption = caption;
  if (hwnd_) SetWindowTextW(hwnd_, caption.c_str());
}

void Dialog::Init(HWND dlg) {
  hwnd_ = dlg;
  SetWindowTextW(dlg, frame_.caption.c_str());
  dpi_ = WindowDpi(dlg);
  font_.reset(CreateUiFont(dpi_));
  SendMessageW(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  OnCreate();

  RECT rc{0, 0, Scale(frame_.width), Scale(frame_.height)};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  minFrame_ = {w, h};
  // Centred on the owner, or on the work area; never off the work area.
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT over = work;
  if (owner_ && IsWindowVisible(owner_) && !IsIconic(owner_)) GetWindowRect(owner_, &over);
  int x = over.left + (over.right - over.left - w) / 2;
  int y = over.top + (over.bottom - over.top - h) / 2;
  x = std::max<int>(work.left, std::min<int>(x, work.right - w));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
  SetWindowPos(dlg, nullptr, x, y, w, h, SWP_NOZORDER);
  Layout();
}

HWND Dialog::Add(const wchar_t* windowClass, int id, const std::wstring& text, Rect96 r, DWORD style,
                 unsigned anchors, DWORD exStyle) {
  HWND c = CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, Scale(r.x),
                           Scale(r.y), Scale(r.w), Scale(r.h), hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
  if (!c) return nullptr;
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_.push_back({id, c, r, r, anchors});
  return c;
}

HWND Dialog::AddLabel(int id, const std::wstring& text, Rect96 r, unsigned anchors, DWORD style) {
  // A caption with a mnemonic shows it underlined; any other text (paths,
  // names, figures set later) shows its ampersands as they are.
  const DWORD prefix = text.find(L'&') == std::wstring::npos ? SS_NOPREFIX : 0;
  return Add(L"STATIC", id, text, r, prefix | style, anchors);
}

HWND Dialog::AddEdit(int id, Rect96 r, unsigned anchors, DWORD style) {
  HWND e = Add(L"EDIT", id, L"", r, WS_TABSTOP | style, anchors, WS_EX_CLIENTEDGE);
  if (e) SendMessageW(e, EM_SETLIMITTEXT, 0, 0);  // no length limit
  return e;
}

HWND Dialog::AddButton(int id, const std::wstring& text, Rect96 r, unsigned anchors, bool isDefault) {
  HWND b = Add(L"BUTTON", id, text, r, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), anchors);
  if (b && isDefault) SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(id), 0);
  return b;
}

HWND Dialog::AddCheck(int id, const std::wstring& text, Rect96 r, unsigned anchors) {
  return Add(L"BUTTON", id, text, r, WS_TABSTOP | BS_AUTOCHECKBOX, anchors);
}

HWND Dialog::AddGroup(int id, const std::wstring& text, Rect96 r, unsigned anchors) {
  return Add(L"BUTTON", id, text, r, BS_GROUPBOX, anchors);
}

HWND Dialog::AddListBox(int id, Rect96 r, unsigned anchors, DWORD style) {
  return Add(L"LISTBOX", id, L"", r, WS_TABSTOP | style, anchors, WS_EX_CLIENTEDGE);
}

HWND Dialog::AddListView(int id, Rect96 r, const std::vector<std::pair<std::wstring, int>>& columns,
                         unsigned anchors, DWORD style) {
  HWND lv = Add(WC_LISTVIEWW, id, L"", r, WS_TABSTOP | style, anchors, WS_EX_CLIENTEDGE);
  if (!lv) return nullptr;
  ListView_SetExtendedListViewStyle(lv, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<wchar_t*>(columns[i].first.c_str());
    col.cx = Scale(columns[i].second);
    ListView_InsertColumn(lv, static_cast<int>(i), &col);
  }
  return lv;
}

int Dialog::AddDialogButtons(const std::wstring& okText, const std::wstring& cancelText) {
  using namespace dlg;
  int statusH = 0;
  if (status_) {
    // The bar is as high as its font makes it.
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT r{};
    GetWindowRect(status_, &r);
    statusH = std::max(kStatusBarH, MulDiv(r.bottom - r.top, 96, dpi_));
  }
  const int y = frame_.height - statusH - kMargin - kButtonH;
  const int count = frame_.helpKeyword.empty() ? 2 : 3;
  int x = frame_.width - kMargin - count * kButtonW - (count - 1) * kGap;
  AddButton(IDOK, okText, {x, y, kButtonW, kButtonH}, kAnchorBottomRight, true);
  x += kButtonW + kGap;
  AddButton(IDCANCEL, cancelText, {x, y, kButtonW, kButtonH}, kAnchorBottomRight);
  if (count == 3) {
    x += kButtonW + kGap;
    AddButton(kIdHelp, L"ヘルプ", {x, y, kButtonW, kButtonH}, kAnchorBottomRight);
  }
  return y;
}

HWND Dialog::AddStatusBar(int id, const std::wstring& text) {
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, text.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                            nullptr);
  if (status_) SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return status_;
}

void Dialog::AddTooltip(int id, const std::wstring& text) {
  if (!tooltip_) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) return;
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(Item(id));
  ti.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

Dialog::Control* Dialog::Find(int id) {
  for (auto& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

const Dialog::Control* Dialog::Find(int id) const {
  for (const auto& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

void Dialog::Move(const Control& c) {
  SetWindowPos(c.hwnd, nullptr, Scale(c.now.x), Scale(c.now.y), Scale(c.now.w), Scale(c.now.h),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog::Place(int id, Rect96 r) {
  if (Control* c = Find(id)) {
    c->now = r;
    Move(*c);
  }
}

Rect96 Dialog::Placed(int id) const {
  const Control* c = Find(id);
  return c ? c->now : Rect96{};
}

void Dialog::Layout() {
  if (!hwnd_) return;
  const SIZE size = Client96(hwnd_, dpi_);
  const int dw = size.cx - frame_.width, dh = size.cy - frame_.height;
  for (auto& c : controls_) {
    Rect96 r = c.r;
    if (c.anchors & kAnchorRight) {
      if (c.anchors & kAnchorLeft)
        r.w = std::max(0, r.w + dw);
      else
        r.x += dw;
    }
    if (c.anchors & kAnchorBottom) {
      if (c.anchors & kAnchorTop)
        r.h = std::max(0, r.h + dh);
      else
        r.y += dh;
    }
    c.now = r;
    Move(c);
  }
  OnLayout(size.cx, size.cy);
  if (status_) SendMessageW(status_, WM_SIZE, 0, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Dialog::ApplyDpi(int dpi, const RECT* suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  const int old = dpi_;
  dpi_ = dpi;
  HFONT f = CreateUiFont(dpi);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
  for (auto& c : controls_) {
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
    wchar_t cls[32] = {};
    GetClassNameW(c.hwnd, cls, 32);
    if (lstrcmpiW(cls, WC_LISTVIEWW) == 0) {
      HWND header = ListView_GetHeader(c.hwnd);
      const int n = header ? Header_GetItemCount(header) : 0;
      for (int i = 0; i < n; ++i)
        ListView_SetColumnWidth(c.hwnd, i, MulDiv(ListView_GetColumnWidth(c.hwnd, i), dpi, old));
    }
  }
  if (status_) SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
  if (tooltip_) SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
  font_.reset(f);  // the old one once no control uses it
  minFrame_ = {MulDiv(minFrame_.cx, dpi, old), MulDiv(minFrame_.cy, dpi, old)};
  RECT r{};
  if (suggested) {
    r = *suggested;
  } else {
    // The same 96-DPI client size at the new scale.
    const SIZE size = Client96(hwnd_, old);
    RECT now{};
    GetWindowRect(hwnd_, &now);
    r = {0, 0, MulDiv(size.cx, dpi, 96), MulDiv(size.cy, dpi, 96)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    OffsetRect(&r, now.left - r.left, now.top - r.top);
  }
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void Dialog::Help() {
  if (!frame_.helpKeyword.empty()) user_.HelpByKeyword(frame_.helpKeyword);
}

std::wstring Dialog::Text(int id) const { return WindowText(Item(id)); }
void Dialog::SetText(int id, const std::wstring& text) { SetWindowTextW(Item(id), text.c_str()); }
bool Dialog::Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Dialog::SetChecked(int id, bool on) {
  SendMessageW(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
void Dialog::Enable(int id, bool on) { EnableWindow(Item(id), on ? TRUE : FALSE); }
bool Dialog::Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
void Dialog::Show(int id, bool on) { ShowWindow(Item(id), on ? SW_SHOW : SW_HIDE); }
void Dialog::Focus(int id) { SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE); }

int Dialog::FocusedId() const {
  HWND f = GetFocus();
  // An edit inside a combo box counts as the combo box.
  while (f && GetParent(f) != hwnd_) f = GetParent(f);
  return f ? GetDlgCtrlID(f) : 0;
}

void Dialog::Close(int result) {
  if (hwnd_) EndDialog(hwnd_, result);
}

INT_PTR CALLBACK Dialog::Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  Dialog* self = WindowObject<Dialog, WM_INITDIALOG>(dlg, msg, lp);
  if (!self) return FALSE;
  if (msg == WM_INITDIALOG) {
    self->Init(dlg);
    return self->OnShow() ? FALSE : TRUE;
  }
  return self->Handle(msg, wp, lp);
}

INT_PTR Dialog::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  INT_PTR result = 0;
  if (OnMessage(msg, wp, lp, result)) {
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (lp == 0 || id == IDOK || id == IDCANCEL || id == kIdHelp) {
        // Enter and Esc reach here as IDOK and IDCANCEL, as the buttons do.
        if (id == IDOK) {
          if (OnOk()) EndDialog(hwnd_, IDOK);
          return TRUE;
        }
        if (id == IDCANCEL) {
          if (OnCancel()) EndDialog(hwnd_, IDCANCEL);
          return TRUE;
        }
        if (id == kIdHelp) {
          Help();
          return TRUE;
        }
      }
      return OnCommand(id, HIWORD(wp)) ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
      LRESULT r = 0;
      if (OnNotify(reinterpret_cast<NMHDR*>(lp), r)) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
        return TRUE;
      }
      return FALSE;
    }
    case WM_HELP:
      Help();
      return TRUE;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) Layout();
      return TRUE;
    case WM_GETMINMAXINFO: {
      auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
      if (minFrame_.cx > 0) mm->ptMinTrackSize = {minFrame_.cx, minFrame_.cy};
      return TRUE;
    }
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) OnActivate();
      return FALSE;
  }
  return FALSE;
}

}  // namespace ruzer

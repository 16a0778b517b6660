#include "engine/Vmemo.h"

#include "base/font.h"

namespace ruzer {

namespace {

// Layout in 96-DPI pixels.
constexpr int kClientW = 440, kClientH = 92;
constexpr int kMargin = 12, kEditH = 24, kButtonW = 92, kButtonH = 28, kGap = 8;

HWND Make(HWND dlg, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w,
          int h, int dpi, HFONT font, DWORD exStyle = 0) {
  HWND c = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, ScaleForDpi(x, dpi),
                           ScaleForDpi(y, dpi), ScaleForDpi(w, dpi), ScaleForDpi(h, dpi), dlg,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
  if (c && font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

std::wstring TextOf(HWND w) {
  const int n = GetWindowTextLengthW(w);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(w, s.data(), n + 1)));
  return s;
}

}  // namespace

bool TfMemo::Show(std::wstring& memo) {
  // An empty frame; the controls are made and placed in pixels at WM_INITDIALOG.
  alignas(DWORD) WORD tmpl[16] = {};
  auto* t = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  t->cx = 100;
  t->cy = 50;
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t, owner_, Proc,
                                            reinterpret_cast<LPARAM>(this));
  if (font_) {
    DeleteObject(font_);
    font_ = nullptr;
  }
  if (r != IDOK) return false;
  memo = text_;
  return true;
}

void TfMemo::Init(HWND dlg) {
  SetWindowTextW(dlg, L"メモ");
  const int dpi = WindowDpi(dlg);
  font_ = CreateUiFont(dpi);
  SendMessageW(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  RECT rc{0, 0, ScaleForDpi(kClientW, dpi), ScaleForDpi(kClientH, dpi)};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
  // Centred on the owner (or the screen).
  RECT over{};
  if (!owner_ || !GetWindowRect(owner_, &over))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  SetWindowPos(dlg, nullptr, over.left + (over.right - over.left - w) / 2,
               over.top + (over.bottom - over.top - h) / 2, w, h, SWP_NOZORDER);

  HWND edit = Make(dlg, L"EDIT", text_.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, kEdtMemo, kMargin, kMargin,
                   kClientW - 2 * kMargin, kEditH, dpi, font_, WS_EX_CLIENTEDGE);
  SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);  // no length limit
  const int by = kClientH - kMargin - kButtonH;
  int bx = kClientW - kMargin - 3 * kButtonW - 2 * kGap;
  Make(dlg, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, bx, by, kButtonW, kButtonH, dpi, font_);
  bx += kButtonW + kGap;
  Make(dlg, L"BUTTON", L"キャンセル", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, bx, by, kButtonW, kButtonH, dpi,
       font_);
  bx += kButtonW + kGap;
  Make(dlg, L"BUTTON", L"ヘルプ", WS_TABSTOP | BS_PUSHBUTTON, kBtnHelp, bx, by, kButtonW, kButtonH, dpi,
       font_);
}

void TfMemo::Keep(HWND dlg) { text_ = TextOf(GetDlgItem(dlg, kEdtMemo)); }

INT_PTR CALLBACK TfMemo::Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TfMemo*>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      self = reinterpret_cast<TfMemo*>(lp);
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      self->Init(dlg);
      // The memo is typed at once: focus in the edit, its text selected.
      HWND edit = GetDlgItem(dlg, kEdtMemo);
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && self) {
        SetFocus(GetDlgItem(dlg, kEdtMemo));
        return TRUE;
      }
      break;
    case WM_HELP:
      if (self) self->user_.HelpByKeyword(L"メモ");
      return TRUE;
    case WM_COMMAND:
      if (!self) break;
      switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:  // also Esc and the close box
          self->Keep(dlg);
          EndDialog(dlg, LOWORD(wp));
          return TRUE;
        case kBtnHelp:
          self->user_.HelpByKeyword(L"メモ");
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace ruzer

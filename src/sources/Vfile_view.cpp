#include "sources/Vfile_view.h"

#include <commctrl.h>

namespace ruzer {

namespace {
constexpr UINT kEnterInField = WM_APP + 1;

// The field takes Enter itself, so that the dialog does not close on it.
LRESULT CALLBACK FieldProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_GETDLGCODE && lp) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if ((m->message == WM_KEYDOWN || m->message == WM_CHAR) && (m->wParam == VK_RETURN || m->wParam == L'\r'))
      return DefSubclassProc(w, msg, wp, lp) | DLGC_WANTMESSAGE;
  }
  if (msg == WM_KEYDOWN && wp == VK_RETURN) {
    PostMessageW(GetParent(w), kEnterInField, 0, 0);
    return 0;
  }
  if (msg == WM_CHAR && wp == L'\r') return 0;  // no beep
  return DefSubclassProc(w, msg, wp, lp);
}
}  // namespace

TfFname::TfFname(App& app) : Dialog(app.user, {L"ファイル名", 360, 300, true, L"ファイル名指定ウィンドウ"}), app_(app) {}

std::optional<std::wstring> TfFname::Pick(const std::optional<std::wstring>& folder,
                                          const std::optional<std::wstring>& text) {
  if (folder) s_.dir = *folder;
  if (text) s_.text = *text;
  // Modal over whichever dialog opened it.
  if (HWND active = GetActiveWindow()) Dialog::SetOwner(active);
  if (ShowModal() != IDOK) return std::nullopt;
  return s_.text;
}

void TfFname::OnCreate() {
  using namespace dlg;
  const int w = frame().width;
  HWND field = AddEdit(kEdtFname, {kMargin, kMargin, w - 2 * kMargin - kButtonW / 2 - kGap, kEditH}, kAnchorTopWide);
  SetWindowSubclass(field, FieldProc, 1, 0);
  AddButton(kBtnAll, L"*.*", {w - kMargin - kButtonW / 2, kMargin, kButtonW / 2, kEditH}, kAnchorTopRight);
  AddTooltip(kBtnAll, L"「すべてのファイル」の指定");
  AddStatusBar(kStsBar, L"ファイル選択orワイルドカード入力．");
  const int buttons = AddDialogButtons();
  const int top = kMargin + kEditH + kGap;
  AddListBox(kLstFiles, {kMargin, top, w - 2 * kMargin, buttons - kGap - top}, kAnchorAll);
}

void TfFname::ShowFiles() {
  HWND list = Item(kLstFiles);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& f : s_.files) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

bool TfFname::OnShow() {
  SetText(kEdtFname, s_.text);
  PatternRelist(s_);
  ShowFiles();
  Focus(kEdtFname);
  return true;
}

void TfFname::OnActivate() { Focus(kEdtFname); }

bool TfFname::OnCommand(int id, int code) {
  switch (id) {
    case kBtnAll:
      if (code == BN_CLICKED) {
        PatternAll(s_);
        SetText(kEdtFname, s_.text);
        ShowFiles();
      }
      return true;
    case kLstFiles:
      if (code == LBN_SELCHANGE) {
        PatternPick(s_, static_cast<int>(SendMessageW(Item(kLstFiles), LB_GETCURSEL, 0, 0)));
        SetText(kEdtFname, s_.text);
      }
      return true;
    case kEdtFname:
      if (code == EN_KILLFOCUS) {
        s_.text = Text(kEdtFname);
        if (s_.text != s_.mask) {
          PatternRelist(s_);
          ShowFiles();
        }
      }
      return code == EN_KILLFOCUS;
  }
  return false;
}


bool TfFname::OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR& result) {
  // Enter in the field lists its mask; the dialog stays open.
  if (msg == kEnterInField) {
    s_.text = Text(kEdtFname);
    PatternRelist(s_);
    ShowFiles();
    result = 0;
    return true;
  }
  return false;
}

bool TfFname::OnOk() {
  s_.text = Text(kEdtFname);
  if (!PatternOk(app_, s_)) return false;
  SetText(kEdtFname, s_.text);
  return true;
}

void TfFname::OnLayout(int width96, int) {
  // The field takes the width above the list, less its margin on both sides.
  using namespace dlg;
  Rect96 r = Placed(kEdtFname);
  Rect96 all = Placed(kBtnAll);
  r.w = all.x - kGap - kMargin;
  (void)width96;
  Place(kEdtFname, r);
}

}  // namespace ruzer

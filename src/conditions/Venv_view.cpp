#include "conditions/Venv_view.h"

#include <commctrl.h>

namespace ruzer {

namespace {
constexpr int kWidth = 480, kHeight = 424;
}

TfEnv::TfEnv(IUser& user, HWND owner)
    : Dialog(user, {L"バックアップ条件設定", kWidth, kHeight, false, L"条件設定"}) {
  Dialog::SetOwner(owner);
}

bool TfEnv::Show(App& app, EnvDialogState& state) {
  app_ = &app;
  state_ = &state;
  SetCaption(state.caption);
  const bool ok = ShowModal() == IDOK;
  app_ = nullptr;
  state_ = nullptr;
  filled_ = false;
  return ok;
}

void TfEnv::OnCreate() {
  using namespace dlg;
  SetCaption(state_ ? state_->caption : frame().caption);
  AddGroup(kGrpTamDir, L"バックアップ先フォルダ(&F)", {12, 8, 456, 92});
  AddEdit(kEdtTamDir, {24, 32, 340, kEditH});
  AddButton(kBtnRef, L"参照(&B)", {372, 30, 84, kButtonH});
  AddLabel(kLblFree, L"", {24, 66, 200, 22}, kAnchorTopLeft, SS_SUNKEN | SS_CENTERIMAGE);

  // The labels are as wide as their captions in a Japanese UI font.
  AddLabel(kLblVolName, L"ボリューム名(&V)：", {12, 114, 126, kLabelH});
  AddEdit(kEdtVolName, {140, 110, 164, kEditH});
  AddButton(kBtnRdvol, L"読取(&R)", {312, 108, 84, kButtonH});
  AddTooltip(kEdtVolName, L"ハードディスクなら空白、交換メディアなら設定する");

  AddLabel(kLblBackDays, L"保存日数(&D)", {12, 150, 126, kLabelH});
  HWND days = AddEdit(kEdtBackDays, {140, 146, 48, kEditH}, kAnchorTopLeft, ES_AUTOHSCROLL | ES_NUMBER);
  SendMessageW(days, EM_SETLIMITTEXT, 3, 0);
  HWND spin = Add(UPDOWN_CLASSW, kSpinBackDays, L"", {188, 146, 18, kEditH},
                  UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS);
  SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(days), 0);
  SendMessageW(spin, UDM_SETRANGE32, 1, 300);
  AddTooltip(kEdtBackDays, L"１～300日");
  AddCheck(kChk1time, L"自動スタート時、１日１回保存(&A)", {216, 147, 252, kCheckH});

  AddGroup(kGrpDefault, L"「フォルダ設定」のデフォルト(&K)", {12, 180, 456, 196});
  AddCheck(kChkNewDir, L"下位フォルダもバックアップする", {24, 202, 300, kCheckH});
  const DWORD listStyle = LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
  AddGroup(kGrpFile1, L"保存ファイル", {24, 228, 212, 138});
  AddListBox(kLstFile1, {34, 248, 148, 108}, kAnchorTopLeft, listStyle);
  AddButton(kBtnAdd1, L"＋", {190, 248, 36, kButtonH});
  AddButton(kBtnDel1, L"－", {190, 282, 36, kButtonH});
  AddGroup(kGrpFile2, L"除外ファイル", {244, 228, 212, 138});
  AddListBox(kLstFile2, {254, 248, 148, 108}, kAnchorTopLeft, listStyle);
  AddButton(kBtnAdd2, L"＋", {410, 248, 36, kButtonH});
  AddButton(kBtnDel2, L"－", {410, 282, 36, kButtonH});
  AddTooltip(kLstFile1, L"ダブル・クリックで変更");
  AddTooltip(kLstFile2, L"ダブル・クリックで変更");
  PlusMinusKeys(kLstFile1, kBtnAdd1, kBtnDel1);
  PlusMinusKeys(kLstFile2, kBtnAdd2, kBtnDel2);
  AddDialogButtons();
}

bool TfEnv::OnShow() {
  if (!app_ || !state_) return false;
  Push();
  filled_ = true;
  // The first activation came before the fill.
  EnvActivated(*app_, *state_);
  SetText(kLblFree, state_->freeLabel);
  Focus(kEdtTamDir);
  return true;
}

void TfEnv::OnActivate() {
  // The frame is activated once before its controls are filled.
  if (!app_ || !state_ || !filled_) return;
  Pull();
  EnvActivated(*app_, *state_);
  SetText(kLblFree, state_->freeLabel);
}

void TfEnv::Pull() {
  EnvDialogState& s = *state_;
  s.tamDir = Text(kEdtTamDir);
  s.volName = Text(kEdtVolName);
  s.backDays = Text(kEdtBackDays);
  s.oncePerDay = Checked(kChk1time);
  s.newDirSub = Checked(kChkNewDir);
}

void TfEnv::Push() {
  const EnvDialogState& s = *state_;
  SetText(kEdtTamDir, s.tamDir);
  SetText(kEdtVolName, s.volName);
  SetText(kEdtBackDays, s.backDays);
  SetChecked(kChk1time, s.oncePerDay);
  SetChecked(kChkNewDir, s.newDirSub);
  SetText(kLblFree, s.freeLabel);
  FillList(kLstFile1, s.files1);
  FillList(kLstFile2, s.files2);
}

void TfEnv::FillList(int id, const std::vector<std::wstring>& entries) {
  HWND list = Item(id);
  // Unchanged entries keep the user's selection.
  const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  bool same = n == static_cast<int>(entries.size());
  for (int i = 0; same && i < n; ++i) {
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXTLEN, i, 0))) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data())))));
    same = text == entries[static_cast<size_t>(i)];
  }
  if (same) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& e : entries) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::vector<int> TfEnv::Selected(int id) const {
  HWND list = Item(id);
  const int n = static_cast<int>(SendMessageW(list, LB_GETSELCOUNT, 0, 0));
  std::vector<int> rows(static_cast<size_t>(std::max(0, n)));
  if (n > 0) SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(rows.data()));
  return rows;
}

bool TfEnv::OnCommand(int id, int code) {
  if (!app_ || !state_) return false;
  App& app = *app_;
  EnvDialogState& s = *state_;
  switch (id) {
    case kBtnRef:
      if (code != BN_CLICKED) return false;
      Pull();
      EnvBrowse(app, s);
      Push();
      return true;
    case kBtnRdvol:
      if (code != BN_CLICKED) return false;
      Pull();
      EnvReadLabel(app, s);
      Push();
      return true;
    case kBtnAdd1:
    case kBtnAdd2:
      if (code != BN_CLICKED) return false;
      Pull();
      EnvAddPattern(app, s, id == kBtnAdd1 ? 1 : 2);
      Push();
      return true;
    case kBtnDel1:
    case kBtnDel2:
      if (code != BN_CLICKED) return false;
      Pull();
      EnvDeletePatterns(s, id == kBtnDel1 ? 1 : 2, Selected(id == kBtnDel1 ? kLstFile1 : kLstFile2));
      Push();
      return true;
    case kLstFile1:
    case kLstFile2: {
      if (code != LBN_DBLCLK) return false;
      const int row = static_cast<int>(SendMessageW(Item(id), LB_GETCARETINDEX, 0, 0));
      Pull();
      EnvEditPattern(app, s, id == kLstFile1 ? 1 : 2, row);
      Push();
      return true;
    }
    default:
      return false;
  }
}

bool TfEnv::OnOk() {
  if (!app_ || !state_) return true;
  Pull();
  const bool ok = EnvConfirm(*app_, *state_);
  SetText(kEdtTamDir, state_->tamDir);
  return ok;
}

}  // namespace ruzer

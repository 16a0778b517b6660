#include "restore/Vrest_view.h"

namespace ruzer {

namespace {
// Posted once the dialog is on screen: the search runs where the user sees it.
constexpr UINT kStartSearch = WM_APP + 0x310;
constexpr int kWidth = 640, kHeight = 420, kStatusH = 22;
}  // namespace

TfRest::TfRest(App& app) : Dialog(app.user, {L"復元ファイルの検索結果", kWidth, kHeight, true, L"復元"}), app_(app) {}

void TfRest::Show(const RestoreRequest& request) {
  request_ = request;
  SetOwner(GetActiveWindow());
  ShowModal();
  RestoreClosed(app_, st_);
}

void TfRest::OnCreate() {
  using namespace dlg;
  const int buttonsY = kHeight - kStatusH - kMargin - kButtonH;
  HWND g = Add(Grid::ClassName(), kGd, L"", {kMargin, kMargin, kWidth - 2 * kMargin, buttonsY - 2 * kMargin},
               Grid::kStyle, kAnchorAll, Grid::kExStyle);
  grid_.Attach(g);
  grid_.SetModel(&st_.grid);
  AddCheck(kCkDtime, L"時刻表示(&T)", {kMargin, buttonsY + 3, 140, kCheckH}, kAnchorBottomLeft);
  AddTooltip(kCkDtime, L"列幅を広げて、時刻も表示します．");
  int x = kWidth - kMargin - 3 * kButtonW - 2 * kGap;
  AddButton(kBtnRest, L"復元(&R)", {x, buttonsY, kButtonW, kButtonH}, kAnchorBottomRight);
  x += kButtonW + kGap;
  AddButton(IDCANCEL, L"閉じる", {x, buttonsY, kButtonW, kButtonH}, kAnchorBottomRight);
  x += kButtonW + kGap;
  AddButton(kIdHelp, L"ヘルプ", {x, buttonsY, kButtonW, kButtonH}, kAnchorBottomRight);
  AddStatusBar(kStsBar, L"");
}

bool TfRest::OnShow() {
  SetChecked(kCkDtime, st_.timeDisplay);
  Enable(kBtnRest, false);
  grid_.SetSelection({1, 0, 1, 0});  // a new search starts at the first file
  Focus(kGd);
  PostMessageW(hwnd(), kStartSearch, 0, 0);
  return true;
}

void TfRest::CloseIfAsked() {
  if (st_.closeWhenDone) Close(IDCANCEL);
}

bool TfRest::OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR& result) {
  if (msg != kStartSearch) return false;
  OpenRestore(app_, st_, *this, request_);
  CloseIfAsked();
  result = 0;
  return true;
}

bool TfRest::OnCommand(int id, int notifyCode) {
  if (id == kBtnRest && notifyCode == BN_CLICKED) {
    // A second click while one runs is not another restore.
    if (!st_.restoring && !st_.searching) {
      RestoreSelection(app_, st_, *this);
      CloseIfAsked();
    }
    return true;
  }
  if (id == kCkDtime && notifyCode == BN_CLICKED) {
    TimeDisplayChanged(st_, *this, Checked(kCkDtime));
    return true;
  }
  return false;
}

bool TfRest::OnCancel() { return ExitPressed(app_, st_, *this); }

void TfRest::SetStatus(const std::wstring& text) {
  SendMessageW(Item(kStsBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace ruzer

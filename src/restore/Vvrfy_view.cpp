#include "restore/Vvrfy_view.h"

namespace ruzer {

namespace {
constexpr int kWidth = 420, kHeight = 356, kStatusH = 22;
}  // namespace

TfVrfy::TfVrfy(App& app, IRestoreDialog* results)
    : Dialog(app.user, {L"復元ファイルの検索", kWidth, kHeight, false, L"復元"}), app_(app), results_(results) {}

void TfVrfy::OnCreate() {
  using namespace dlg;
  AddGroup(kGrpDir, L"検索フォルダ(&F)", {kMargin, 8, kWidth - 2 * kMargin, 62});
  AddEdit(kEdDir, {kMargin + 12, 32, kWidth - 2 * kMargin - 24 - 86, kEditH});
  SendMessageW(Item(kEdDir), EM_SETLIMITTEXT, kSearchFolderMaxLength, 0);
  AddButton(kBtnRef, L"参照(&B)", {kWidth - kMargin - 12 - 78, 31, 78, 26});
  const int buttonsY = kHeight - kStatusH - kMargin - kButtonH;
  AddGroup(kPnlDate, L"検索する日付(&D)", {kMargin, 78, kWidth - 2 * kMargin, buttonsY - 78 - kMargin});
  AddListBox(kLsPast, {kMargin + 12, 100, kWidth - 2 * kMargin - 24, buttonsY - 100 - kMargin - 12});
  AddTooltip(kLsPast, L"選択した日付まで検索します．");
  int x = kWidth - kMargin - 3 * kButtonW - 2 * kGap;
  AddButton(IDOK, L"検索(&S)", {x, buttonsY, kButtonW, kButtonH}, kAnchorTopLeft, true);
  x += kButtonW + kGap;
  AddButton(IDCANCEL, L"閉じる", {x, buttonsY, kButtonW, kButtonH});
  x += kButtonW + kGap;
  AddButton(kIdHelp, L"ヘルプ", {x, buttonsY, kButtonW, kButtonH});
  AddStatusBar(kStsBar, L"");
}

bool TfVrfy::OnShow() {
  VerifyActivated(app_, st_);
  Fill();
  Focus(kLsPast);
  return true;
}

void TfVrfy::Fill() {
  filling_ = true;
  SetText(kEdDir, st_.dir);
  HWND list = Item(kLsPast);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& line : st_.lines) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(st_.selected), 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  Enable(IDOK, st_.searchEnabled);
  SendMessageW(Item(kStsBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(st_.status.c_str()));
  filling_ = false;
}

bool TfVrfy::OnCommand(int id, int notifyCode) {
  if (filling_) return false;
  if (id == kEdDir && notifyCode == EN_CHANGE) {
    st_.dir = Text(kEdDir);
    return true;
  }
  if (id == kLsPast && notifyCode == LBN_SELCHANGE) {
    st_.selected = static_cast<int>(SendMessageW(Item(kLsPast), LB_GETCURSEL, 0, 0));
    return true;
  }
  if (id == kBtnRef && notifyCode == BN_CLICKED) {
    VerifyBrowse(app_, st_);
    SetText(kEdDir, st_.dir);
    return true;
  }
  return false;
}

bool TfVrfy::OnOk() {
  if (!Enabled(IDOK)) return false;
  st_.dir = Text(kEdDir);
  VerifySearch(app_, st_, results_);
  Fill();
  return false;
}

}  // namespace ruzer

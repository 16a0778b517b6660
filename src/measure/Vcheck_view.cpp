#include "measure/Vcheck_view.h"

#include <algorithm>

namespace ruzer {

namespace {

constexpr int kCapAll = 104, kCapFree = 106, kCapPast = 108, kCapDest = 110, kCapSrc = 115;
constexpr int kGrpDest = 102, kGrpSrc = 112, kGrpGraph = 117;

constexpr COLORREF kBlue = RGB(0, 0, 255), kLime = RGB(0, 255, 0), kAqua = RGB(0, 255, 255),
                   kSilver = RGB(192, 192, 192), kMaroon = RGB(128, 0, 0), kBlack = RGB(0, 0, 0),
                   kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255);

// Graph: 500 units wide, five per percent of the volume.
constexpr int kGraphW = 500, kGraphH = 40;

void Fill(HDC dc, int x, int y, int w, int h, COLORREF c) {
  if (w <= 0 || h <= 0) return;
  RECT r{x, y, x + w, y + h};
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

}  // namespace

TfCheckDialog::TfCheckDialog(App& app, HWND owner)
    : Dialog(app.user, {L"容量測定", 540, 392, false, L"容量測定"}), check_(app, this) {
  Dialog::SetOwner(owner);
}

void TfCheckDialog::Show() { ShowModal(); }

void TfCheckDialog::OnCreate() {
  using namespace dlg;
  const DWORD owner = SS_OWNERDRAW;
  AddLabel(kLblPageName, L"", {kMargin, 10, 516, kLabelH});
  AddGroup(kGrpDest, L"バックアップ先", {kMargin, 32, 516, 104});
  AddLabel(kLblTamdir, L"", {24, 52, 492, kLabelH}, kAnchorTopLeft, SS_PATHELLIPSIS);
  AddLabel(kCapAll, L"全容量：", {24, 78, 136, kLabelH}, kAnchorTopLeft, owner);
  AddLabel(kLblAll, L"", {162, 78, 108, kLabelH}, kAnchorTopLeft, SS_RIGHT);
  AddLabel(kCapFree, L"空き容量：", {276, 78, 110, kLabelH}, kAnchorTopLeft, owner);
  AddLabel(kLblFree, L"", {388, 78, 124, kLabelH}, kAnchorTopLeft, SS_RIGHT);
  AddLabel(kCapPast, L"前々回までの容量：", {24, 104, 136, kLabelH}, kAnchorTopLeft, owner | SS_NOTIFY);
  AddLabel(kLblPast, L"", {162, 104, 108, kLabelH}, kAnchorTopLeft, SS_RIGHT);
  AddLabel(kCapDest, L"前回使用容量：", {276, 104, 110, kLabelH}, kAnchorTopLeft, owner | SS_NOTIFY);
  AddLabel(kLblDest, L"", {388, 104, 124, kLabelH}, kAnchorTopLeft, SS_RIGHT);
  AddTooltip(kCapPast, L"前々回までにバックアップした「差分」の容量");
  AddTooltip(kCapDest, L"最新のバックアップ一回分の容量");

  AddGroup(kGrpSrc, L"保存元のファイル", {kMargin, 144, 516, 56});
  AddLabel(kLblDirCnt, L"", {24, 168, 120, kLabelH});
  AddLabel(kLblFcnt, L"", {146, 168, 126, kLabelH}, kAnchorTopLeft, SS_NOTIFY);
  AddTooltip(kLblFcnt, L"実際に保存されるファイル数");
  AddLabel(kCapSrc, L"予定容量：", {276, 168, 110, kLabelH}, kAnchorTopLeft, owner | SS_NOTIFY);
  AddLabel(kLblSrc, L"", {388, 168, 124, kLabelH}, kAnchorTopLeft, SS_RIGHT);
  AddTooltip(kCapSrc, L"新規にバックアップをとった場合の必要容量");

  AddGroup(kGrpGraph, L"各容量の比率のグラフ：", {kMargin, 208, 516, 68});
  AddLabel(kGraph, L"", {20, 228, kGraphW, kGraphH}, kAnchorTopLeft, owner);

  Add(L"STATIC", kImgWarn, L"", {kMargin, 284, 32, 32}, SS_ICON | SS_REALSIZEIMAGE);
  SendMessageW(Item(kImgWarn), STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
  AddLabel(kLblMsg, L"", {50, 290, 478, 22}, kAnchorTopLeft, owner);

  const int by = 326;
  AddButton(kBtnStart, L"開始(&S)", {540 - kMargin - 3 * kButtonW - 2 * kGap, by, kButtonW, kButtonH},
            kAnchorTopLeft, true);
  AddButton(kBtnExit, L"終了(&E)", {540 - kMargin - 2 * kButtonW - kGap, by, kButtonW, kButtonH});
  // The abort button takes the exit button's place while a page is measured.
  AddButton(kBtnAbort, L"中止(&A)", {540 - kMargin - 2 * kButtonW - kGap, by, kButtonW, kButtonH});
  AddButton(kBtnHelp, L"ヘルプ", {540 - kMargin - kButtonW, by, kButtonW, kButtonH});
  AddStatusBar(kStsBar, L"");
}

bool TfCheckDialog::OnShow() {
  // Each opening starts afresh; returning to the dialog from elsewhere keeps
  // what it shows.
  drawn_ = false;
  check_.Reset();
  Focus(kBtnStart);
  return true;
}

void TfCheckDialog::Refresh(const CheckDisplay& d) {
  if (!Dialog::hwnd()) return;
  Apply(d, !drawn_);
  drawn_ = true;
}

void TfCheckDialog::Apply(const CheckDisplay& d, bool all) {
  auto text = [&](int id, const std::wstring& now, const std::wstring& before) {
    if (all || now != before) SetText(id, now);
  };
  const CheckDisplay& o = shown_;
  text(kLblPageName, d.pageName, o.pageName);
  text(kLblTamdir, d.tamdir, o.tamdir);
  text(kLblAll, d.all, o.all);
  text(kLblFree, d.free, o.free);
  text(kLblPast, d.past, o.past);
  text(kLblDest, d.dest, o.dest);
  text(kLblDirCnt, d.dirCount, o.dirCount);
  text(kLblFcnt, d.fileCount, o.fileCount);
  text(kLblSrc, d.src, o.src);
  text(kLblMsg, d.msg, o.msg);
  text(kBtnStart, d.startCaption, o.startCaption);
  if (all || d.status != o.status) {
    HWND bar = Item(kStsBar);
    if (bar) SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(d.status.c_str()));
  }
  if (all || d.warnVisible != o.warnVisible) {
    Dialog::Show(kImgWarn, d.warnVisible);
    InvalidateRect(Item(kLblMsg), nullptr, TRUE);
  }
  if (all || d.past_ != o.past_ || d.dest_ != o.dest_ || d.fill != o.fill || d.srcBar != o.srcBar ||
      d.freeBar != o.freeBar)
    InvalidateRect(Item(kGraph), nullptr, FALSE);
  const bool focusStart = d.startFocus != o.startFocus;
  Enable(kBtnStart, d.startEnabled);
  Dialog::Show(kBtnAbort, d.abortVisible);
  Dialog::Show(kBtnExit, !d.abortVisible);
  if (d.abortVisible && !o.abortVisible) SetFocus(Item(kBtnAbort));
  shown_ = d;
  if (focusStart && d.startEnabled) Focus(kBtnStart);
  else if (!d.abortVisible && o.abortVisible) Focus(d.startEnabled ? kBtnStart : kBtnExit);
}

bool TfCheckDialog::OnCommand(int id, int notifyCode) {
  if (notifyCode != BN_CLICKED) return false;
  if (id == kBtnStart) {
    check_.StartClick();
    return true;
  }
  if (id == kBtnAbort) {
    check_.AbortClick();
    return true;
  }
  return false;
}

bool TfCheckDialog::OnCancel() {
  // Esc or the close box while a page is measured stops the measurement first.
  if (check_.measuring()) {
    check_.AbortClick();
    return false;
  }
  return true;
}

bool TfCheckDialog::OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR& result) {
  if (msg != WM_DRAWITEM) return false;
  const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
  if (di->CtlID == kGraph)
    DrawGraph(*di);
  else
    DrawLabel(*di);
  result = TRUE;
  return true;
}

void TfCheckDialog::DrawGraph(const DRAWITEMSTRUCT& di) {
  HDC dc = di.hDC;
  const int w = di.rcItem.right - di.rcItem.left, h = di.rcItem.bottom - di.rcItem.top;
  const int half = h / 2;
  auto x = [&](int units) { return MulDiv(std::clamp(units, 0, kGraphW), w, kGraphW); };
  auto bar = [&](const CheckBar& b, int top, int height, COLORREF c) {
    const int left = x(b.left), right = x(b.left + b.width);
    Fill(dc, left, top, right - left, height, c);
  };
  Fill(dc, 0, 0, w, h, kMaroon);
  const CheckDisplay& d = shown_;
  bar(d.past_, 0, h, kBlue);
  bar(d.dest_, 0, half, kLime);
  bar(d.fill, half, h - half, kBlack);
  bar(d.srcBar, half, h - half, kAqua);
  bar(d.freeBar, 0, h, kSilver);
}

void TfCheckDialog::DrawLabel(const DRAWITEMSTRUCT& di) {
  HDC dc = di.hDC;
  COLORREF ground = GetSysColor(COLOR_BTNFACE), ink = GetSysColor(COLOR_BTNTEXT);
  switch (di.CtlID) {
    case kCapFree: ground = kSilver; break;
    case kCapPast: ground = kBlue; ink = kWhite; break;
    case kCapDest: ground = kLime; break;
    case kCapSrc: ground = kAqua; break;
    case kLblMsg:
      ink = kRed;
      if (shown_.warnVisible) ground = kWhite;
      break;
    default: break;
  }
  RECT r = di.rcItem;
  HBRUSH b = CreateSolidBrush(ground);
  FillRect(dc, &r, b);
  DeleteObject(b);
  wchar_t buffer[512];
  const int n = GetWindowTextW(di.hwndItem, buffer, 512);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  HGDIOBJ old = SelectObject(dc, font());
  r.left += Scale(2);
  DrawTextW(dc, buffer, n, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  SelectObject(dc, old);
}

}  // namespace ruzer

#include "sources/Vedit_view.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "base/font.h"
#include "base/handles.h"
#include "base/win32_user.h"

namespace ruzer {

// ---------------------------------------------------------------- folder browser

BrowseResult ShellFolderBrowser::Browse(const std::wstring& caption, const std::wstring& initial,
                                        const std::wstring& root) {
  FolderPick pick = BrowseForFolder(owner_, caption, initial, root);
  BrowseResult r;
  r.kind = pick.kind == FolderPick::Chosen ? BrowseResult::Chosen
           : pick.kind == FolderPick::Failed ? BrowseResult::Failed
                                             : BrowseResult::Cancelled;
  r.path = std::move(pick.path);
  return r;
}

// ---------------------------------------------------------------- view

namespace {

constexpr int kW = 520, kH = 470;
constexpr COLORREF kGreyColour = RGB(160, 160, 164);

}  // namespace

TfEdit::TfEdit(App& app, IFolderBrowser* browser)
    : Dialog(app.user, {L"フォルダ設定", kW, kH, true, L"フォルダ設定ウィンドウ"}),
      app_(app),
      browser_(browser ? browser : &shell_) {}

bool TfEdit::Show(FolderDialogState& state) {
  s_ = state;
  const bool ok = ShowModal() == IDOK;
  if (ok) state = s_;
  return ok;
}

void TfEdit::OnCreate() {
  using namespace dlg;
  const int inner = kW - 2 * kMargin;
  AddGroup(kPnlSrc, L"保存元フォルダ(&T) ", {kMargin, 8, inner, 88}, kAnchorTopWide);
  AddEdit(kEdtSrc, {kMargin + 12, 30, inner - 24 - kButtonW - kGap, kEditH}, kAnchorTopWide);
  AddButton(kBtnRef, L"参照(&R)", {kW - kMargin - 12 - kButtonW, 28, kButtonW, kButtonH}, kAnchorTopRight);
  // As wide as the caption in a Japanese UI font.
  AddLabel(kLblSpfol, L"特殊フォルダ/コメント(&S)：", {kMargin + 12, 64, 190, kLabelH});
  AddEdit(kEdtSpfol, {kMargin + 12 + 194, 60, inner - 24 - 194, kEditH}, kAnchorTopWide);
  AddCheck(kChkNewDir, L"下位フォルダもバックアップする(&N)", {kMargin + 4, 102, inner - 8, kCheckH});
  AddGroup(kGrpDir, L"除外フォルダ(&D)", {kMargin, 130, inner, 110}, kAnchorTopWide);
  AddListBox(kLbDir, {kMargin + 12, 150, inner - 24 - 36 - kGap, 80}, kAnchorTopWide,
             LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP);
  AddButton(kBtAddDir, L"＋", {kW - kMargin - 12 - 36, 150, 36, 26}, kAnchorTopRight);
  AddButton(kBtDelDir, L"－", {kW - kMargin - 12 - 36, 182, 36, 26}, kAnchorTopRight);
  AddStatusBar(kStsBar, L"");
  const int buttons = AddDialogButtons();
  const int top = 248, h = buttons - kGap - top;
  const int half = kW / 2;
  AddGroup(kPnlBU1, L"保存ファイル(&F)", {kMargin, top, half - kMargin - kGap / 2, h}, kAnchorAll);
  AddGroup(kPnlBU2, L"除外ファイル(&G)", {half + kGap / 2, top, kW - kMargin - half - kGap / 2, h}, kAnchorAll);
  const DWORD listStyle = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL | WS_VSCROLL | WS_TABSTOP;
  AddListBox(kLstFile1, {0, 0, 10, 10}, kAnchorTopLeft, listStyle);
  AddButton(kBtnAddf1, L"＋", {0, 0, 36, 26});
  AddButton(kBtnDelf1, L"－", {0, 0, 36, 26});
  AddListBox(kLstFile2, {0, 0, 10, 10}, kAnchorTopLeft, listStyle);
  AddButton(kBtnAddf2, L"＋", {0, 0, 36, 26});
  AddButton(kBtnDelf2, L"－", {0, 0, 36, 26});
  AddTooltip(kLstFile1, L"ダブル・クリックで変更");
  AddTooltip(kLstFile2, L"ダブル・クリックで変更");
  PlusMinusKeys(kLbDir, kBtAddDir, kBtDelDir);
  PlusMinusKeys(kLstFile1, kBtnAddf1, kBtnDelf1);
  PlusMinusKeys(kLstFile2, kBtnAddf2, kBtnDelf2);
  if (!grey_) grey_.reset(CreateSolidBrush(kGreyColour));
}

void TfEdit::OnLayout(int width96, int) {
  // The save group takes half the client width; the exclude group the rest.
  using namespace dlg;
  const Rect96 g1 = Placed(kPnlBU1);
  const int half = width96 / 2;
  Rect96 a{kMargin, g1.y, half - kMargin, g1.h};
  Rect96 b{half + kGap, g1.y, width96 - kMargin - half - kGap, g1.h};
  Place(kPnlBU1, a);
  Place(kPnlBU2, b);
  auto inside = [&](const Rect96& g, int list, int add, int del) {
    Place(list, {g.x + 10, g.y + 22, g.w - 20 - 36 - 6, g.h - 32});
    Place(add, {g.right() - 10 - 36, g.y + 22, 36, 26});
    Place(del, {g.right() - 10 - 36, g.y + 54, 36, 26});
  };
  inside(a, kLstFile1, kBtnAddf1, kBtnDelf1);
  inside(b, kLstFile2, kBtnAddf2, kBtnDelf2);
}

void TfEdit::PushList(int id, const std::vector<std::wstring>& entries, const std::vector<int>* selected) {
  HWND w = Item(id);
  SendMessageW(w, WM_SETREDRAW, FALSE, 0);
  SendMessageW(w, LB_RESETCONTENT, 0, 0);
  for (const auto& e : entries) SendMessageW(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
  const int widest = WidestText(w, font(), entries);
  SendMessageW(w, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
  if (selected)
    for (int i : *selected) SendMessageW(w, LB_SETSEL, TRUE, i);
  SendMessageW(w, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(w, nullptr, TRUE);
}

std::vector<int> TfEdit::Selected(int id) const {
  HWND w = Item(id);
  const int n = static_cast<int>(SendMessageW(w, LB_GETSELCOUNT, 0, 0));
  std::vector<int> sel(static_cast<size_t>(n > 0 ? n : 0));
  if (n > 0) SendMessageW(w, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(sel.data()));
  return sel;
}

void TfEdit::Pull() {
  s_.src = Text(kEdtSrc);
  s_.comment = Text(kEdtSpfol);
  s_.subFolders = Checked(kChkNewDir);
  s_.dirSelection = Selected(kLbDir);
}

void TfEdit::Push() {
  if (Text(kEdtSrc) != s_.src) SetText(kEdtSrc, s_.src);
  if (Text(kEdtSpfol) != s_.comment) SetText(kEdtSpfol, s_.comment);
  SetChecked(kChkNewDir, s_.subFolders);
  PushList(kLbDir, s_.dirs, &s_.dirSelection);
  PushList(kLstFile1, s_.saves);
  PushList(kLstFile2, s_.excludes);
  LONG style = GetWindowLongW(Item(kEdtSrc), GWL_STYLE);
  style = s_.srcInTabOrder ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
  SetWindowLongW(Item(kEdtSrc), GWL_STYLE, style);
  for (int id : {kPnlSrc, kEdtSrc, kBtnRef, kLblSpfol, kEdtSpfol}) Enable(id, s_.srcGroupEnabled);
  Enable(kChkNewDir, s_.switchEnabled);
  Enable(kGrpDir, s_.dirGroupEnabled);
  for (int id : {kLbDir, kBtAddDir, kBtDelDir}) Enable(id, s_.dirGroupEnabled && s_.dirEnabled);
  for (int id : {kPnlBU1, kLstFile1, kBtnAddf1, kBtnDelf1}) Enable(id, s_.saveGroupEnabled);
  for (int id : {kPnlBU2, kLstFile2, kBtnAddf2, kBtnDelf2}) Enable(id, s_.excludeGroupEnabled);
  SendMessageW(Item(kStsBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(s_.status.c_str()));
  InvalidateRect(hwnd(), nullptr, TRUE);
}

bool TfEdit::Grey(int groupId) const {
  if (s_.mode != EditMode::Bulk) return false;
  switch (groupId) {
    case kPnlBU1: return s_.bulk != BulkKind::Save;
    case kPnlBU2: return s_.bulk != BulkKind::Exclude;
    case kChkNewDir: return s_.bulk != BulkKind::Switch;
    default: return true;  // pnlSrc, grpDir
  }
}

bool TfEdit::OnShow() {
  Push();
  Focus(s_.srcInTabOrder && s_.srcGroupEnabled ? kEdtSrc : (s_.srcGroupEnabled ? kEdtSpfol : IDOK));
  return true;
}

bool TfEdit::OnCommand(int id, int code) {
  switch (id) {
    case kEdtSrc:
      if (code == EN_KILLFOCUS) {
        s_.src = Text(kEdtSrc);
        logic_.SourceLeft();
        for (int c : {kLbDir, kBtAddDir, kBtDelDir}) Enable(c, s_.dirGroupEnabled && s_.dirEnabled);
      }
      return code == EN_KILLFOCUS;
    case kBtnRef:
      Pull();
      logic_.BrowseSource();
      Push();
      return true;
    case kChkNewDir:
      if (code != BN_CLICKED) return false;
      Pull();
      logic_.SwitchClicked();
      Push();
      return true;
    case kBtAddDir:
      Pull();
      logic_.AddExcludedFolder();
      Push();
      return true;
    case kBtDelDir:
      Pull();
      logic_.RemoveExcludedFolders();
      Push();
      return true;
    case kBtnAddf1:
    case kBtnAddf2:
      Pull();
      logic_.AddPattern(id == kBtnAddf1 ? PatternList::Save : PatternList::Exclude);
      Push();
      return true;
    case kBtnDelf1:
    case kBtnDelf2: {
      Pull();
      const int list = id == kBtnDelf1 ? kLstFile1 : kLstFile2;
      FolderDialogLogic::RemoveEntries(logic_.List(id == kBtnDelf1 ? PatternList::Save : PatternList::Exclude),
                                       Selected(list));
      Push();
      return true;
    }
    case kLstFile1:
    case kLstFile2:
      if (code != LBN_DBLCLK) return false;
      {
        Pull();
        const int current = static_cast<int>(SendMessageW(Item(id), LB_GETCARETINDEX, 0, 0));
        logic_.ChangePattern(id == kLstFile1 ? PatternList::Save : PatternList::Exclude, current);
        Push();
      }
      return true;
  }
  return false;
}

bool TfEdit::OnOk() {
  Pull();
  const bool ok = logic_.Ok();
  Push();
  return ok;
}

bool TfEdit::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
  if (s_.mode != EditMode::Bulk) return false;
  // Bulk mode: the groups not open for input are painted grey.
  if (msg == WM_ERASEBKGND) {
    HDC dc = reinterpret_cast<HDC>(wp);
    RECT rc;
    GetClientRect(hwnd(), &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    for (int g : {kPnlSrc, kChkNewDir, kGrpDir, kPnlBU1, kPnlBU2}) {
      if (!Grey(g)) continue;
      RECT r;
      GetWindowRect(Item(g), &r);
      MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
      FillRect(dc, &r, grey_.get());
    }
    result = TRUE;
    return true;
  }
  if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
    HWND control = reinterpret_cast<HWND>(lp);
    const int id = GetDlgCtrlID(control);
    int group = 0;
    if (id == kPnlSrc || id == kLblSpfol || id == kBtnRef) group = kPnlSrc;
    else if (id == kChkNewDir) group = kChkNewDir;
    else if (id == kGrpDir || id == kBtAddDir || id == kBtDelDir) group = kGrpDir;
    else if (id == kPnlBU1 || id == kBtnAddf1 || id == kBtnDelf1) group = kPnlBU1;
    else if (id == kPnlBU2 || id == kBtnAddf2 || id == kBtnDelf2) group = kPnlBU2;
    if (!group || !Grey(group)) return false;
    HDC dc = reinterpret_cast<HDC>(wp);
    SetBkColor(dc, kGreyColour);
    result = reinterpret_cast<INT_PTR>(grey_.get());
    return true;
  }
  return false;
}

}  // namespace ruzer

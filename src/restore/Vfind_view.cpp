#include "restore/Vfind_view.h"

#include <shellapi.h>

namespace ruzer {

namespace {
constexpr int kWidth = 720, kHeight = 480, kLabelW = 96;
}  // namespace

TfFind::TfFind(App& app) : Dialog(app.user, {L"ファイルを探す", kWidth, kHeight, true, L"ファイルを探す"}), app_(app) {}

void TfFind::Show() {
  ShowModal();
  FindClosed(app_, st_);
}

void TfFind::OnCreate() {
  using namespace dlg;
  const int editX = kMargin + kLabelW, buttonX = kWidth - kMargin - kButtonW;
  const int editW = buttonX - kGap - editX;
  AddLabel(kLblName, L"ファイル名(&N):", {kMargin, 15, kLabelW, kLabelH});
  AddEdit(kEdtName, {editX, 12, editW, kEditH}, kAnchorTopWide);
  AddTooltip(kEdtName, L"名前の一部でも探せます．* と ? が使え、「;」で区切ると複数指定できます．");
  AddButton(IDOK, L"検索(&S)", {buttonX, 10, kButtonW, kButtonH}, kAnchorTopRight, true);
  // The abort button takes the search button's place while a search runs.
  AddButton(kBtnAbort, L"中止(&A)", {buttonX, 10, kButtonW, kButtonH}, kAnchorTopRight);
  AddLabel(kLblFolder, L"フォルダ(&D):", {kMargin, 49, kLabelW, kLabelH});
  AddEdit(kEdtFolder, {editX, 46, editW, kEditH}, kAnchorTopWide);
  AddTooltip(kEdtFolder, L"このフォルダと下位フォルダにあったファイルだけを探します．空欄ならすべてです．");
  AddButton(kBtnRef, L"参照(&B)", {buttonX, 44, kButtonW, kButtonH}, kAnchorTopRight);

  AddStatusBar(kStsBar, L"");
  const int buttonsY = kHeight - kStatusBarH - kMargin - kButtonH;
  // A folder as it was on a day: the folder field and a generation.
  const int dayY = buttonsY - kGap - kButtonH;
  AddLabel(kLblDay, L"世代(&G):", {kMargin, dayY + 5, 60, kLabelH}, kAnchorBottomLeft);
  Add(WC_COMBOBOXW, kCbDay, L"", {kMargin + 60, dayY + 2, 210, 240}, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
      kAnchorBottomLeft);
  AddButton(kBtnAsOf, L"フォルダをこの状態で復元(&Y)...", {kMargin + 278, dayY, 206, kButtonH}, kAnchorBottomLeft);
  AddTooltip(kBtnAsOf, L"「フォルダ」欄のフォルダを下位フォルダごと、選んだ世代を作った時の状態で新しいフォルダに復元します．");
  AddLabel(kLblLater, L"その後に作られたファイルも含まれます．", {kMargin + 492, dayY + 5, kWidth - 2 * kMargin - 492, kLabelH},
           kAnchorBottomLeft);
  AddListView(kLvHits, {kMargin, 82, kWidth - 2 * kMargin, dayY - kGap - 82},
              {{L"名前", 150}, {L"元のフォルダ", 200}, {L"世代", 70}, {L"更新日時", 124}, {L"サイズ", 80},
               {L"現在", 56}, {L"メモ", 120}},
              kAnchorAll, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA);
  LVCOLUMNW right{};
  right.mask = LVCF_FMT;
  right.fmt = LVCFMT_RIGHT;
  ListView_SetColumn(Item(kLvHits), kColSize, &right);

  int x = kMargin;
  AddButton(kBtnRest, L"復元(&R)", {x, buttonsY, kButtonW, kButtonH}, kAnchorBottomLeft);
  x += kButtonW + kGap;
  AddButton(kBtnOther, L"別の場所へ(&O)...", {x, buttonsY, kButtonW + 28, kButtonH}, kAnchorBottomLeft);
  x += kButtonW + 28 + kGap;
  AddButton(kBtnOpen, L"開く(&P)", {x, buttonsY, kButtonW, kButtonH}, kAnchorBottomLeft);
  AddTooltip(kBtnOpen, L"一時フォルダの読み取り専用のコピーを開きます．バックアップは変わりません．");
  AddButton(IDCANCEL, L"閉じる", {kWidth - kMargin - 2 * kButtonW - kGap, buttonsY, kButtonW, kButtonH},
            kAnchorBottomRight);
  AddButton(kIdHelp, L"ヘルプ", {kWidth - kMargin - kButtonW, buttonsY, kButtonW, kButtonH}, kAnchorBottomRight);
}

bool TfFind::OnShow() {
  FindOpened(app_, st_);
  HWND days = Item(kCbDay);
  for (const auto& line : st_.days) SendMessageW(days, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(days, CB_SETCURSEL, static_cast<WPARAM>(st_.day), 0);
  // The fields and the last results stay from the last time.
  filling_ = true;
  SetText(kEdtName, st_.pattern);
  SetText(kEdtFolder, st_.folder);
  filling_ = false;
  SetRunning(false);
  RowsChanged();
  SetStatus(st_.status);
  Focus(kEdtName);
  return true;
}

bool TfFind::OnCommand(int id, int notifyCode) {
  if (filling_) return false;
  if (notifyCode == EN_CHANGE && (id == kEdtName || id == kEdtFolder)) {
    (id == kEdtName ? st_.pattern : st_.folder) = Text(id);
    return true;
  }
  if (id == kCbDay && notifyCode == CBN_SELCHANGE) {
    st_.day = static_cast<int>(SendMessageW(Item(kCbDay), CB_GETCURSEL, 0, 0));
    return true;
  }
  if (notifyCode != BN_CLICKED) return false;
  switch (id) {
    case kBtnRef:
      FindBrowseFolder(app_, st_);
      filling_ = true;
      SetText(kEdtFolder, st_.folder);
      filling_ = false;
      return true;
    case kBtnAbort:
      FindCancel(app_, st_);
      return true;
    case kBtnRest:
      FindRestore(app_, st_, *this);
      return true;
    case kBtnOther:
      FindRestoreElsewhere(app_, st_, *this);
      return true;
    case kBtnOpen:
      FindOpen(app_, st_, *this);
      return true;
    case kBtnAsOf:
      FindRestoreAsOf(app_, st_, *this);
      return true;
    default:
      return false;
  }
}

bool TfFind::OnNotify(NMHDR* nm, LRESULT& result) {
  if (nm->idFrom != static_cast<UINT_PTR>(kLvHits)) return false;
  switch (nm->code) {
    case LVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(nm);
      if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
        const std::wstring text = FindCellText(st_, di->item.iItem, di->item.iSubItem);
        lstrcpynW(di->item.pszText, text.c_str(), di->item.cchTextMax);
      }
      result = 0;
      return true;
    }
    case LVN_COLUMNCLICK:
      FindSortBy(st_, *this, reinterpret_cast<NMLISTVIEW*>(nm)->iSubItem);
      result = 0;
      return true;
    case NM_DBLCLK:
      FindOpen(app_, st_, *this);
      result = 0;
      return true;
    default:
      return false;
  }
}

bool TfFind::OnOk() {
  FindSearch(app_, st_, *this);
  return false;
}

bool TfFind::OnCancel() { return FindCancel(app_, st_); }

void TfFind::SetStatus(const std::wstring& text) {
  SendMessageW(Item(kStsBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TfFind::SetRunning(bool running) {
  const bool hadFocus = FocusedId() == kBtnAbort;
  Dialog::Show(IDOK, !running);
  Dialog::Show(kBtnAbort, running);
  for (int id : {kEdtName, kEdtFolder, kBtnRef, kBtnRest, kBtnOther, kBtnOpen, kCbDay, kBtnAsOf}) Enable(id, !running);
  if (running)
    SetFocus(Item(kBtnAbort));
  else if (hadFocus)
    Focus(kLvHits);
}

void TfFind::RowsChanged() {
  HWND lv = Item(kLvHits);
  // Rows are positions in the sorted list: a selection would now mean other
  // versions. Wine visits every row to clear them, so only when there is one.
  if (ListView_GetSelectedCount(lv) > 0 || ListView_GetNextItem(lv, -1, LVNI_FOCUSED) >= 0)
    ListView_SetItemState(lv, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  // Wine lays the list out anew on every count, even the same.
  const int rows = static_cast<int>(st_.order.size());
  if (ListView_GetItemCount(lv) != rows) ListView_SetItemCountEx(lv, rows, LVSICF_NOSCROLL);
  InvalidateRect(lv, nullptr, FALSE);
  ShowSortMark();
}

void TfFind::RowTextsChanged() { InvalidateRect(Item(kLvHits), nullptr, FALSE); }

void TfFind::ShowSortMark() {
  HWND header = ListView_GetHeader(Item(kLvHits));
  for (int i = 0; i < kFindColumns; ++i) {
    HDITEMW h{};
    h.mask = HDI_FORMAT;
    Header_GetItem(header, i, &h);
    const int before = h.fmt;
    h.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == st_.sortColumn) h.fmt |= st_.sortDescending ? HDF_SORTDOWN : HDF_SORTUP;
    if (h.fmt != before) Header_SetItem(header, i, &h);  // each change repaints the header
  }
}

std::vector<int> TfFind::SelectedRows() {
  HWND lv = Item(kLvHits);
  std::vector<int> rows;
  for (int i = ListView_GetNextItem(lv, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(lv, i, LVNI_SELECTED))
    rows.push_back(i);
  return rows;
}

bool TfFind::OpenDocument(const std::wstring& path) {
  const auto r = reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return r > 32;
}

}  // namespace ruzer

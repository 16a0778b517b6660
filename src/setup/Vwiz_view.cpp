#include "setup/Vwiz_view.h"

#include <algorithm>

namespace ruzer {

namespace {

void DrawBox(HDC dc, int size, bool tick, bool cross) {
  const int m = std::max(1, size / 8);
  const int pen = std::max(1, size / 12);
  RECT box{m, m, size - m, size - m};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &box, white);
  DeleteObject(white);
  HPEN frame = CreatePen(PS_SOLID, std::max(1, size / 16), RGB(90, 90, 90));
  HGDIOBJ old = SelectObject(dc, frame);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, box.left, box.top, box.right, box.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, old);
  DeleteObject(frame);
  if (tick) {
    HPEN p = CreatePen(PS_SOLID, pen + 1, RGB(20, 20, 20));
    old = SelectObject(dc, p);
    const POINT pts[] = {{box.left + (box.right - box.left) / 5, box.top + (box.bottom - box.top) / 2},
                         {box.left + (box.right - box.left) * 2 / 5, box.bottom - (box.bottom - box.top) / 4},
                         {box.right - (box.right - box.left) / 6, box.top + (box.bottom - box.top) / 5}};
    Polyline(dc, pts, 3);
    SelectObject(dc, old);
    DeleteObject(p);
  }
  if (cross) {
    HPEN p = CreatePen(PS_SOLID, pen + 1, RGB(220, 0, 0));
    old = SelectObject(dc, p);
    MoveToEx(dc, 1, 1, nullptr);
    LineTo(dc, size - 2, size - 2);
    MoveToEx(dc, size - 2, 1, nullptr);
    LineTo(dc, 1, size - 2);
    SelectObject(dc, old);
    DeleteObject(p);
  }
}

}  // namespace

HIMAGELIST MakeWizardStateImages(int size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 5, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  const COLORREF key = RGB(255, 0, 255);
  for (int state = 0; state < 5; ++state) {
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, size, size};
    HBRUSH bg = CreateSolidBrush(key);
    FillRect(dc, &all, bg);
    DeleteObject(bg);
    switch (static_cast<WizState>(state)) {
      case WizState::Checked: DrawBox(dc, size, true, false); break;
      case WizState::Unchecked: DrawBox(dc, size, false, false); break;
      case WizState::CrossedChecked: DrawBox(dc, size, true, true); break;
      case WizState::CrossedUnchecked: DrawBox(dc, size, false, true); break;
      case WizState::Blank: break;
    }
    SelectObject(dc, old);
    ImageList_AddMasked(list, bmp, key);
    DeleteObject(bmp);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

TfWiz::TfWiz(IUser& user, HWND owner) : Dialog(user, {L"簡単初期設定", 560, 460, true, L"簡単初期設定"}) {
  Dialog::SetOwner(owner);
}

TfWiz::~TfWiz() {
  if (images_) ImageList_Destroy(images_);
}

void TfWiz::Show(App& app) {
  app_ = &app;
  const WinFamily family = family_ ? *family_ : CurrentFamily();
  lines_ = OpenWizard(app, family, sources_ ? *sources_ : SystemWizardSources());
  ShowModal();
  app_ = nullptr;
}

void TfWiz::OnCreate() {
  using namespace dlg;
  const int w = frame().width - 2 * kMargin;
  AddLabel(kTxOS, L"Windows 7 (またはそれ以降)", {kMargin, kMargin, w, kLabelH}, kAnchorTopWide, SS_CENTER);
  const int buttonsTop = frame().height - kMargin - kButtonH;
  const int groupTop = kMargin + kLabelH + kGap;
  AddGroup(kGrpDir, L"保存元フォルダ(&S)", {kMargin, groupTop, w, buttonsTop - kGap - groupTop}, kAnchorAll);
  AddListView(kLvDir, {kMargin + 8, groupTop + 20, w - 16, buttonsTop - kGap - groupTop - 28},
              {{L"フォルダ名", 160}, {L"パス", 300}}, kAnchorAll,
              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER);
  ListView_SetExtendedListViewStyle(Item(kLvDir), LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  AddDialogButtons();
}

void TfWiz::MakeImages() {
  HIMAGELIST old = images_;
  images_ = MakeWizardStateImages(Scale(16));
  ListView_SetImageList(Item(kLvDir), images_, LVSIL_SMALL);
  if (old) ImageList_Destroy(old);
}

bool TfWiz::OnShow() {
  if (app_) SetText(kTxOS, FamilyCaption(family_ ? *family_ : CurrentFamily()));
  MakeImages();
  Fill();
  Focus(kLvDir);
  return true;
}

void TfWiz::Fill() {
  HWND lv = Item(kLvDir);
  ListView_DeleteAllItems(lv);
  for (size_t i = 0; i < lines_.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(lines_[i].name.c_str());
    item.iImage = ImageOf(lines_[i].state);
    ListView_InsertItem(lv, &item);
    ListView_SetItemText(lv, static_cast<int>(i), 1, const_cast<wchar_t*>(lines_[i].path.c_str()));
  }
  // Each column as wide as its content (or its title).
  ListView_SetColumnWidth(lv, 0, LVSCW_AUTOSIZE_USEHEADER);
  ListView_SetColumnWidth(lv, 1, LVSCW_AUTOSIZE_USEHEADER);
}

void TfWiz::Refresh() {
  HWND lv = Item(kLvDir);
  for (size_t i = 0; i < lines_.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.iImage = ImageOf(lines_[i].state);
    ListView_SetItem(lv, &item);
  }
}

void TfWiz::Click(int index) {
  if (!app_) return;
  if (ClickLine(lines_, index, app_->rows)) Refresh();
}

bool TfWiz::OnNotify(NMHDR* nm, LRESULT& result) {
  if (nm->idFrom != static_cast<UINT_PTR>(kLvDir)) return false;
  if (nm->code == NM_CLICK) {
    // The line under the mouse (a click beside the text counts too).
    LVHITTESTINFO hit{};
    hit.pt = reinterpret_cast<NMITEMACTIVATE*>(nm)->ptAction;
    const int index = ListView_SubItemHitTest(Item(kLvDir), &hit);
    if (index >= 0) {
      ListView_SetItemState(Item(kLvDir), index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      Click(index);
    }
    result = 0;
    return true;
  }
  if (nm->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(nm)->wVKey == VK_SPACE) {
    Click(ListView_GetNextItem(Item(kLvDir), -1, LVNI_SELECTED));
    result = 0;
    return true;
  }
  return false;
}

bool TfWiz::OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR&) {
  // The pictures follow the window's DPI.
  if (msg == WM_DPICHANGED) PostMessageW(hwnd(), WM_APP + 1, 0, 0);
  if (msg == WM_APP + 1) {
    MakeImages();
    return true;
  }
  return false;
}

bool TfWiz::OnOk() {
  if (app_) WizardOk(*app_, lines_);
  return true;
}

}  // namespace ruzer

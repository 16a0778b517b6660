// The main window's IMainView and IWindowFrame: what the behaviour shows
// through it, and the frame's position and size.
#include <algorithm>

#include "base/font.h"
#include "shell/ff1_impl.h"

namespace ruzer {

void FF1::SetTitle(const std::wstring& title) {
  if (hwnd_) SetWindowTextW(hwnd_, title.c_str());
}

void FF1::CloseWindow() {
  if (!hwnd_) return;
  impl_->closePending = true;
  if (!app_ || app_->commandDepth == 0) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void FF1::Impl::DrawTexts(bool evenIfEarly) {
  const std::uint64_t now = GetTickCount64();
  if ((sizeCountStale || sizeListScrollWanted) && (evenIfEarly || now - sizeSyncMs >= kTextPaceMs)) SyncSizeCount();
  if (!(evenIfEarly ? pacer.Pending() : pacer.Due(now))) return;
  ViewPacer::Batch b = pacer.Take(now);
  if (status && b.text[ViewPacer::FreeSpace])
    SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(b.text[ViewPacer::FreeSpace]->c_str()));
  if (status && b.text[ViewPacer::Status])
    SendMessageW(status, SB_SETTEXTW, StatusPart(), reinterpret_cast<LPARAM>(b.text[ViewPacer::Status]->c_str()));
  if (lsvDir && b.text[ViewPacer::ColumnTitle]) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = const_cast<wchar_t*>(b.text[ViewPacer::ColumnTitle]->c_str());
    ListView_SetColumn(lsvDir, 0, &c);
  }
  if (lbErr && b.scrollErrorList) {
    const LRESULT n = SendMessageW(lbErr, LB_GETCOUNT, 0, 0);
    if (n > 0) SendMessageW(lbErr, LB_SETTOPINDEX, static_cast<WPARAM>(n - 1), 0);  // the newest line in sight
  }
}

void FF1::DrawPendingTexts() { impl_->DrawTexts(true); }

void FF1::SetFreeSpaceText(const std::wstring& text) {
  impl_->pacer.Set(ViewPacer::FreeSpace, text);
  impl_->DrawTexts(!impl_->Pacing());
}

void FF1::SetStatusText(const std::wstring& text) {
  impl_->pacer.Set(ViewPacer::Status, text);
  impl_->DrawTexts(!impl_->Pacing());
}

void FF1::SetTabs(const std::vector<std::wstring>& names) {
  HWND tabs = impl_->tabs;
  if (!tabs) return;
  // Only what changed: pages are added and removed one at a time, and a
  // rebuild of every tab each time would make a file set of many pages slow.
  const int want = static_cast<int>(names.size());
  while (TabCtrl_GetItemCount(tabs) > want) TabCtrl_DeleteItem(tabs, TabCtrl_GetItemCount(tabs) - 1);
  for (int i = 0; i < want; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(names[static_cast<size_t>(i)].c_str());
    if (i < TabCtrl_GetItemCount(tabs)) {
      wchar_t now[512] = {};
      TCITEMW cur{};
      cur.mask = TCIF_TEXT;
      cur.pszText = now;
      cur.cchTextMax = 512;
      TabCtrl_GetItem(tabs, i, &cur);
      if (names[static_cast<size_t>(i)] != now) TabCtrl_SetItem(tabs, i, &item);
    } else {
      TabCtrl_InsertItem(tabs, i, &item);
    }
  }
  const int active = app_ ? app_->activePage : 0;
  if (want > 0 && TabCtrl_GetCurSel(tabs) != std::clamp(active, 0, want - 1))
    TabCtrl_SetCurSel(tabs, std::clamp(active, 0, want - 1));
  impl_->PlacePagePanel();
}

void FF1::SetActiveTab(int index) {
  if (!impl_->tabs) return;
  if (TabCtrl_GetCurSel(impl_->tabs) != index) {
    TabCtrl_SetCurSel(impl_->tabs, index);
    impl_->PlacePagePanel();  // multi-line tabs move their rows
  }
}

void FF1::SetTabsEnabled(bool enabled) {
  if (impl_->tabs) EnableWindow(impl_->tabs, enabled);
}

void FF1::AttachPagePanel() {
  if (!impl_->pnlPage) return;
  impl_->PlacePagePanel();  // the caller lets the messages run that draw it there
}

void FF1::ShowSourceRows(const std::vector<SourceRow>* rows) {
  impl_->rows = rows;
  if (!impl_->lsvDir) return;
  const int n = rows ? static_cast<int>(rows->size()) : 0;
  // Setting the count costs a relayout of the list even when it does not
  // change; reading a file set empties the list once per page.
  if (ListView_GetItemCount(impl_->lsvDir) != n) ListView_SetItemCountEx(impl_->lsvDir, n, LVSICF_NOSCROLL);
  InvalidateRect(impl_->lsvDir, nullptr, FALSE);
}

void FF1::SetSourceListCaption(const std::wstring& caption) {
  if (impl_->grpSource) SetWindowTextW(impl_->grpSource, caption.c_str());
}

void FF1::SetSourceColumnTitle(const std::wstring& title) {
  impl_->pacer.Set(ViewPacer::ColumnTitle, title);
  impl_->DrawTexts(!impl_->Pacing());
}

void FF1::SelectRow(int index) {
  HWND lv = impl_->lsvDir;
  if (!lv) return;
  ListView_SetItemState(lv, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index < 0 || index >= ListView_GetItemCount(lv)) return;
  ListView_SetItemState(lv, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(lv, index, FALSE);
}

std::vector<int> FF1::SelectedRows() {
  std::vector<int> out;
  HWND lv = impl_->lsvDir;
  if (!lv) return out;
  for (int i = ListView_GetNextItem(lv, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(lv, i, LVNI_SELECTED))
    out.push_back(i);
  return out;
}

void FF1::ShowOldRows(const std::vector<SourceRow>* rows) {
  impl_->oldRows = rows;
  if (!impl_->lvOld) return;
  ListView_SetItemCountEx(impl_->lvOld, rows ? static_cast<int>(rows->size()) : 0, LVSICF_NOSCROLL);
  InvalidateRect(impl_->lvOld, nullptr, TRUE);
}

int FF1::PagePanelHeight() {
  if (!impl_->pnlPage) return 0;
  RECT r;
  GetClientRect(impl_->pnlPage, &r);
  return impl_->Logical(r.bottom);
}

void FF1::ApplyBottomPanel(const BottomPanelLayout& layout) {
  impl_->bottom = layout;
  impl_->oldHeightPx = -1;
  if (impl_->grpBtm) SetWindowTextW(impl_->grpBtm, layout.listGroupCaption.c_str());
  if (impl_->pnlPage) impl_->LayoutPage();
}

void FF1::ErrorListAdd(const std::wstring& line) {
  HWND lb = impl_->lbErr;
  if (!lb) return;
  if (SendMessageW(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())) < 0) return;
  impl_->pacer.ScrollErrorList();
  impl_->DrawTexts(!impl_->Pacing());
}

void FF1::ErrorListClear() {
  if (!impl_->lbErr) return;
  SendMessageW(impl_->lbErr, LB_RESETCONTENT, 0, 0);
  SendMessageW(impl_->lbErr, LB_SETHORIZONTALEXTENT, 0, 0);
}

void FF1::ErrorListSetScrollWidth(const std::wstring& longestLine) {
  HWND lb = impl_->lbErr;
  if (!lb) return;
  const SIZE sz = TextExtent(lb, reinterpret_cast<HFONT>(SendMessageW(lb, WM_GETFONT, 0, 0)), longestLine);
  SendMessageW(lb, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(sz.cx), 0);
}

void FF1::SetAbortVisible(bool visible) {
  impl_->abortVisible = visible;
  if (!hwnd_) return;
  SetAbortMenuItem(menu_, visible);
  DrawMenuBar(hwnd_);
  impl_->Layout(false);
}

void FF1::FocusAbort() {
  if (impl_->btnAbort && IsWindowVisible(impl_->btnAbort)) SetFocus(impl_->btnAbort);
}

void FF1::SetMainMenusEnabled(bool enabled) {
  if (!menu_) return;
  for (UINT pos = 0; pos < 4; ++pos) EnableMenuItem(menu_, pos, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  if (hwnd_) DrawMenuBar(hwnd_);
}

bool FF1::MainMenusEnabled() {
  if (!menu_) return true;
  return (GetMenuState(menu_, 0, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
}

void FF1::SetToolbarEnabled(bool enabled) {
  impl_->toolbarEnabled = enabled;
  if (!impl_->toolbar) return;
  for (const auto& b : ToolButtons())
    if (b.cmd != Cmd{})
      SendMessageW(impl_->toolbar, TB_ENABLEBUTTON, static_cast<WPARAM>(b.cmd),
                   MAKELPARAM(enabled && CommandBuilt(b.cmd) && (b.cmd != Cmd::Find || impl_->CanFind()), 0));
}

void FF1::SetHourglass(bool on) {
  impl_->hourglass = on;
  SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

void FF1::SetTreeWidth(int width) {
  impl_->treeWidth = std::max(1, width);
  impl_->Layout(false);
}

int FF1::ClientWidth() {
  if (!hwnd_ || IsIconic(hwnd_)) return 0;
  RECT r;
  GetClientRect(hwnd_, &r);
  return impl_->Logical(r.right);
}

void FF1::Relayout() {
  if (!hwnd_) return;
  if (IsWindowVisible(hwnd_) && !IsIconic(hwnd_) && app_) FormResize(*app_);
  else if (app_) impl_->treeWidth = std::max(1, app_->treeWidth);
  impl_->Layout(true);
}

void FF1::PumpMessages() {
  impl_->DrawTexts(false);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Belongs to the outer message loop, which must still see it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (TranslateAccel(&msg)) continue;
    // A dialog running a long operation keeps Tab, Enter and Esc.
    HWND active = GetActiveWindow();
    if (active && active != hwnd_ && IsDialogMessageW(active, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void FF1::Impl::SizeListChanged() {
  if (sizeCountStale || !lvSize) return;
  sizeCountStale = true;
  // During an operation the pump shows them (DrawTexts).
  if (!Pacing()) SyncSizeCount();
}

void FF1::Impl::SyncSizeCount() {
  sizeSyncMs = GetTickCount64();
  if (!lvSize) return;
  if (sizeCountStale) {
    sizeCountStale = false;
    ListView_SetItemCountEx(lvSize, static_cast<int>(sizeRows.size()), LVSICF_NOSCROLL);
  }
  if (sizeListScrollWanted) {
    sizeListScrollWanted = false;
    const int n = ListView_GetItemCount(lvSize);
    if (n > 0) ListView_EnsureVisible(lvSize, n - 1, FALSE);
  }
}

void FF1::SizeListClear() {
  impl_->sizeRows.clear();
  impl_->sizeCountStale = false;
  if (impl_->lvSize) ListView_SetItemCountEx(impl_->lvSize, 0, 0);
}

void FF1::SizeListAdd(const std::vector<std::wstring>& cells) {
  if (!impl_->lvSize) return;
  impl_->sizeRows.emplace_back(cells).resize(5);
  impl_->SizeListChanged();
}

void FF1::SizeListSetCell(int row, int column, const std::wstring& text) {
  HWND lv = impl_->lvSize;
  if (!lv || row < 0 || static_cast<size_t>(row) >= impl_->sizeRows.size() || column < 0 || column >= 5) return;
  impl_->sizeRows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
  ListView_RedrawItems(lv, row, row);
}

std::vector<std::vector<std::wstring>> FF1::SizeListRows() {
  return impl_->lvSize ? impl_->sizeRows : std::vector<std::vector<std::wstring>>{};
}

void FF1::SizeListScrollToEnd() {
  if (!impl_->lvSize) return;
  impl_->sizeListScrollWanted = true;
  if (!impl_->Pacing()) impl_->SyncSizeCount();
}

int FF1::SourceColumnWidth(int column) {
  if (!impl_->lsvDir) return 0;
  return impl_->Logical(ListView_GetColumnWidth(impl_->lsvDir, column));
}

void FF1::SetSourceColumnWidth(int column, int width) {
  if (impl_->lsvDir) ListView_SetColumnWidth(impl_->lsvDir, column, impl_->S(width));
}

void FF1::SetSizeColumnWidth(int column, int width) {
  if (impl_->lvSize) ListView_SetColumnWidth(impl_->lvSize, column, impl_->S(width));
}

// ---------------------------------------------------------------- IWindowFrame

RECT FF1::Bounds() {
  RECT r{};
  if (hwnd_) GetWindowRect(hwnd_, &r);
  return r;
}

void FF1::SetLeft(int left) {
  const RECT r = Bounds();
  if (hwnd_) SetWindowPos(hwnd_, nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FF1::SetTop(int top) {
  const RECT r = Bounds();
  if (hwnd_) SetWindowPos(hwnd_, nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FF1::SetWidth(int width) {
  const RECT r = Bounds();
  if (hwnd_) SetWindowPos(hwnd_, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FF1::SetHeight(int height) {
  const RECT r = Bounds();
  if (hwnd_) SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool FF1::IsMinimized() { return hwnd_ && IsIconic(hwnd_); }

bool FF1::IsMaximized() { return hwnd_ && IsZoomed(hwnd_); }

void FF1::MinimizeApplication() {
  if (hwnd_) ShowWindow(hwnd_, SW_MINIMIZE);
}

void FF1::RestoreApplication() {
  if (hwnd_) SendMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);
}

int FF1::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int FF1::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

}  // namespace ruzer

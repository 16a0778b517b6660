// The Win32 main window TfM: its creation and its window procedure. The layout
// is in ff1_layout.cpp, IMainView and IWindowFrame in ff1_view.cpp.
#include "shell/FF1.h"

#include <htmlhelp.h>

#include <algorithm>

#include "base/font.h"
#include "base/panes.h"
#include "base/winproc.h"
#include "shell/Vabout_view.h"
#include "shell/ff1_impl.h"
#include "store/Fdef.h"

namespace ruzer {

namespace {

constexpr wchar_t kMainClass[] = L"RuzerTfM";

const wchar_t* const kSourceColumns[7] = {L"保存元フォルダ", L"特殊フォルダ/コメント", L"No.", L"容量(KB)",
                                          L"保存ファイル",   L"除外ファイル",         L"下位フォルダ"};
const int kSourceWidths[7] = {200, 80, 50, 20, 40, 20, 20};
const wchar_t* const kSizeColumns[5] = {L"保存元フォルダ", L"特殊フォルダ/コメント", L"No.", L"容量(KB)",
                                        L"ファイル数"};
const int kSizeWidths[5] = {200, 100, 40, 80, 60};

bool RegisterMainClass(HINSTANCE inst) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpfnWndProc = &ObjectWindowProc<FF1::Impl>;
  wc.lpszClassName = kMainClass;
  wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void SetDpiAwareness() {
  // The manifest of ruzer.exe says the same; this covers hosts without it (tests, benchmarks).
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto setContext = reinterpret_cast<SetContextFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  if (setContext && setContext(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) return;  // per monitor v2
  SetProcessDPIAware();
}

HWND MakeList(HWND parent, int id, DWORD style, HINSTANCE inst) {
  HWND lv = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | style, 0, 0, 10, 10,
                            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  ListView_SetExtendedListViewStyle(lv, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  return lv;
}

void AddColumn(HWND lv, int index, const wchar_t* title, int width, bool right) {
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  c.fmt = right ? LVCFMT_RIGHT : LVCFMT_LEFT;
  c.cx = width;
  c.pszText = const_cast<wchar_t*>(title);
  c.iSubItem = index;
  ListView_InsertColumn(lv, index, &c);
}

const std::wstring& RowCell(const SourceRow& r, int column) {
  switch (column) {
    case 0: return r.caption;
    case 1: return r.comment;
    case 2: return r.no;
    case 3: return r.size;
    case 4: return r.save;
    case 5: return r.exclude;
    default: return r.mark;
  }
}

}  // namespace

// ---------------------------------------------------------------- creation

FF1::FF1() : impl_(std::make_unique<Impl>(*this)) {}

FF1::~FF1() {
  // The window goes first; what it used is freed with impl_, OLE last.
  if (hwnd_) {
    impl_->quietDestroy = true;
    DestroyWindow(hwnd_);
  }
}

bool FF1::Create(App& app, HINSTANCE inst, const StartupInfo& info) {
  app_ = &app;
  impl_->inst = inst;
  impl_->info = info;
  SetDpiAwareness();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                           ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  impl_->ole.emplace(ComInit::Ole);  // shell folders and, later, drag and drop
  if (!RegisterMainClass(inst)) return false;

  menu_ = BuildMainMenu();
  for (int i = 0; i < 4; ++i) impl_->popups[i].reset(BuildPopup(static_cast<Popup>(i)));
  impl_->accel.reset(BuildAccelerators());

  CreateWindowExW(0, kMainClass, Fdef::kProduct, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 480, 360, nullptr,
                  menu_, inst, impl_.get());
  if (!hwnd_) return false;
  dpi_ = WindowDpi(hwnd_);
  impl_->CreateControls();
  SetMainFrame(this);
  OnMainWindowCreate(app, *this, info);
  impl_->Layout(true);
  ShowWindow(hwnd_, info.showCommand);
  UpdateWindow(hwnd_);
  // A start that does not take the focus never sees WM_ACTIVATE; the start-up
  // steps (and an automatic run) must not wait for it.
  if (!impl_->firstActivatePosted) {
    impl_->firstActivatePosted = true;
    PostMessageW(hwnd_, kMsgFirstActivate, 0, 0);
  }
  return true;
}

void FF1::Impl::CreateControls() {
  HWND main = win.hwnd_;
  font.reset(CreateUiFont(win.dpi_));
  auto child = [&](HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex, int id) {
    return CreateWindowExW(ex, cls, text, WS_CHILD | style, 0, 0, 10, 10, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  };

  toolbar = child(main, TOOLBARCLASSNAMEW, nullptr,
                  WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, kIdToolBar);
  SetupToolbar();
  btnAbort = child(main, L"BUTTON", L"中断(F3)", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdAbortButton);
  SetWindowPos(btnAbort, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  tree = child(main, WC_TREEVIEWW, nullptr,
               WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                   TVS_SHOWSELALWAYS,
               WS_EX_CLIENTEDGE, kIdTree);
  splitter1 = CreateSplitter(main, kIdSplitter1, SplitterKind::Vertical, WS_VISIBLE);
  tabs = child(main, WC_TABCONTROLW, nullptr, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE, 0, kIdTabs);

  pnlPage = CreatePane(main, kIdPagePanel, nullptr, PaneKind::Plain, WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                       WS_EX_CONTROLPARENT);
  SetWindowPos(pnlPage, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  grpSource = CreatePane(pnlPage, kIdSourceGroup, L"保存元リスト", PaneKind::Group, WS_VISIBLE | WS_CLIPCHILDREN,
                         WS_EX_CONTROLPARENT);
  lsvDir = MakeList(grpSource, kIdSourceList, LVS_OWNERDATA | LVS_NOSORTHEADER, inst);
  for (int i = 0; i < 7; ++i) AddColumn(lsvDir, i, kSourceColumns[i], S(kSourceWidths[i]), i == 2 || i == 3);

  sepMid = CreateSplitter(pnlPage, kIdSepMid, SplitterKind::Horizontal, 0);
  pnlDown = CreatePane(pnlPage, kIdBottomPanel, nullptr, PaneKind::Plain, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
  grpOld = CreatePane(pnlDown, kIdOldGroup, L"旧バージョンの保存元リスト", PaneKind::Group, WS_CLIPCHILDREN,
                      WS_EX_CONTROLPARENT);
  lvOld = MakeList(grpOld, kIdOldList, LVS_OWNERDATA | LVS_NOSORTHEADER, inst);
  for (int i = 0; i < 7; ++i)
    AddColumn(lvOld, i, i == 6 ? L"下位登録" : kSourceColumns[i], i == 3 ? 1 : S(kSourceWidths[i]), i == 2 || i == 3);
  sepDown = CreateSplitter(pnlDown, kIdSepDown, SplitterKind::Horizontal, 0);
  grpBtm = CreatePane(pnlDown, kIdListGroup, L"", PaneKind::Group, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
  lbErr = child(grpBtm, WC_LISTBOXW, nullptr,
                WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, WS_EX_CLIENTEDGE,
                kIdErrorList);
  lvSize = MakeList(grpBtm, kIdSizeList, LVS_OWNERDATA, inst);
  ShowWindow(lvSize, SW_HIDE);
  for (int i = 0; i < 5; ++i) AddColumn(lvSize, i, kSizeColumns[i], S(kSizeWidths[i]), i >= 2);

  status = child(main, STATUSCLASSNAMEW, nullptr, WS_VISIBLE | SBARS_SIZEGRIP, 0, kIdStatusBar);
  progressBar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, status,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdProgressBar)), inst, nullptr);
  SendMessageW(progressBar, PBM_SETRANGE32, 0, 1000);
  SetStatusParts();

  ApplyFonts();
  InitTree();
  InitDragDrop();
}

void FF1::Impl::ApplyFonts() {
  for (HWND h : {btnAbort, tree, tabs, pnlPage, grpSource, lsvDir, pnlDown, grpOld, lvOld, grpBtm, lbErr, lvSize, status})
    if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

void FF1::Impl::SetupToolbar() {
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  const int size = S(16);
  ImageList old = std::move(toolImages);  // freed once the tool bar has the new one
  toolImages.reset(BuildToolImages(size));
  SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
  SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages.get()));
  if (SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0) == 0) {
    std::vector<TBBUTTON> buttons;
    for (const auto& b : ToolButtons()) {
      TBBUTTON t{};
      if (b.cmd == Cmd{}) {
        t.fsStyle = BTNS_SEP;
        t.iBitmap = S(6);
      } else {
        t.iBitmap = b.image;
        t.idCommand = static_cast<int>(b.cmd);
        t.fsState = CommandBuilt(b.cmd) ? TBSTATE_ENABLED : 0;
        t.fsStyle = BTNS_BUTTON;
        t.iString = -1;
      }
      buttons.push_back(t);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    if (HWND tip = reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0))) {
      SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 500);
      SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
      for (const auto& b : ToolButtons()) {
        if (b.cmd == Cmd{}) continue;
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = toolbar;
        ti.uId = static_cast<UINT_PTR>(b.cmd);
        ti.lpszText = const_cast<wchar_t*>(b.hint);
        SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
      }
    }
  }
  SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(size + S(8), size + S(7)));
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
}

// ---------------------------------------------------------------- events

LRESULT FF1::Impl::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  HWND main = win.hwnd_;  // gone from win at WM_NCDESTROY
  switch (msg) {
    case WM_SIZE:
      OnSize(wp);
      return 0;
    case WM_ACTIVATE:
      OnActivate(wp);
      break;
    case kMsgFirstActivate:
      RunFirstActivate();
      return 0;
    case kMsgFillTree:
      FillTreeWhenFree();
      return 0;
    case WM_COMMAND:
      OnCommand(wp, reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY: {
      const LRESULT r = OnNotify(reinterpret_cast<NMHDR*>(lp));
      AfterEvent();
      return r;
    }
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wp), lp);
      AfterEvent();
      return 0;
    case WM_INITMENUPOPUP:
      EnableCommands(reinterpret_cast<HMENU>(wp));
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (OnDragMouse(msg, lp)) return 0;
      break;
    case kMsgDroppedPaths:
      PathsDropped(reinterpret_cast<std::vector<std::wstring>*>(lp), wp != 0);
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case kMsgSplitterDrag:
    case kMsgSplitterDone:
      OnSplitterDrag(static_cast<int>(wp), POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))},
                     msg == kMsgSplitterDone);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      break;
  }
  return DefWindowProcW(main, msg, wp, lp);
}

void FF1::Impl::OnSize(WPARAM kind) {
  if (!toolbar || kind == SIZE_MINIMIZED) return;
  if (IsWindowVisible(win.hwnd_)) FormResize(app());  // sets the tree width through SetTreeWidth
  Layout(true);
}

void FF1::Impl::OnActivate(WPARAM state) {
  if (LOWORD(state) != WA_INACTIVE && !firstActivatePosted) {
    firstActivatePosted = true;
    PostMessageW(win.hwnd_, kMsgFirstActivate, 0, 0);
  }
}

void FF1::Impl::RunFirstActivate() {
  if (!firstActivateDone) {
    firstActivateDone = true;
    EnterCommand(app());
    OnFirstActivate(app(), win, info);
    LeaveCommand(app());
    if (!treeFilled && !closePending) PostMessageW(win.hwnd_, kMsgFillTree, 0, 0);
  }
  AfterEvent();
}

void FF1::Impl::OnCommand(WPARAM wp, HWND from) {
  const int id = LOWORD(wp);
  if (from == btnAbort && btnAbort) {
    if (HIWORD(wp) == BN_CLICKED) RunCommand(Cmd::Abort);
  } else if (from == lbErr && lbErr && HIWORD(wp) == LBN_DBLCLK) {
    // The folder of the line in the tree, as a drag of it onto the tree does.
    EnterCommand(app());
    DropOnTree(app(), DragControl::ErrorList);
    LeaveCommand(app());
  } else if (id >= static_cast<int>(Cmd::Xopen) && id <= static_cast<int>(Cmd::TreeRefresh)) {
    RunCommand(static_cast<Cmd>(id));
  }
  AfterEvent();
}

void FF1::Impl::EnableCommands(HMENU menu) {
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id >= static_cast<UINT>(Cmd::Xopen) && id <= static_cast<UINT>(Cmd::TreeRefresh))
      EnableMenuItem(menu, id, MF_BYCOMMAND | (CommandAvailable(app(), static_cast<Cmd>(id)) ? MF_ENABLED : MF_GRAYED));
  }
}

bool FF1::Impl::OnDragMouse(UINT msg, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      if (dragFrom == DragControl::None) return false;
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ClientToScreen(win.hwnd_, &pt);
      if (msg == WM_MOUSEMOVE) DragMoved(pt);
      else DragReleased(pt);
      return true;
    }
    case WM_RBUTTONDOWN:
    case WM_CANCELMODE:
      CancelDrag();
      break;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != win.hwnd_) CancelDrag();
      break;
  }
  return false;
}

bool FF1::Impl::OnSetCursor() {
  if (dragFrom != DragControl::None) return true;  // the drag keeps its own cursor
  if (!hourglass) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void FF1::Impl::OnClose() {
  if (app().commandDepth > 0) {
    // An operation is running inside this handler's caller: stop it first and
    // close once it has returned, rather than leave it running without a window.
    if (!closePending) AbortCommand(app());
    closePending = true;
    return;
  }
  closePending = false;
  OnMainWindowClose(app(), win);
  DestroyWindow(win.hwnd_);
}

void FF1::Impl::OnDestroy() {
  CancelDrag();
  DoneDragDrop();
  SetMainFrame(nullptr);
  if (!quietDestroy) PostQuitMessage(0);
}

void FF1::Impl::OnNcDestroy() {
  win.hwnd_ = nullptr;
  toolbar = btnAbort = tree = splitter1 = tabs = pnlPage = grpSource = lsvDir = sepMid = pnlDown = grpOld = lvOld =
      sepDown = grpBtm = lbErr = lvSize = status = nullptr;
}

bool FF1::Impl::CanFind() { return win.app_ && FindAvailable(app()); }

void FF1::Impl::AfterEvent() {
  // The find button follows the active page's destination (a tab change, the conditions dialog).
  if (toolbar && toolbarEnabled)
    SendMessageW(toolbar, TB_ENABLEBUTTON, static_cast<WPARAM>(Cmd::Find), MAKELPARAM(CanFind(), 0));
  if (!Pacing()) DrawTexts(true);  // the operation is over: its last texts stay in sight
  if (treeWanted && !Pacing() && !closePending && win.hwnd_) {
    treeWanted = false;
    PostMessageW(win.hwnd_, kMsgFillTree, 0, 0);
  }
  if (closePending && win.app_ && app().commandDepth == 0 && win.hwnd_) PostMessageW(win.hwnd_, WM_CLOSE, 0, 0);
}

void FF1::Impl::RunCommand(Cmd c) { MainCommand(app(), c, this); }

LRESULT FF1::Impl::OnNotify(NMHDR* hdr) {
  if (!hdr) return 0;
  if (hdr->hwndFrom == tabs && hdr->code == TCN_SELCHANGE) {
    TabClicked(app(), TabCtrl_GetCurSel(tabs));
    return 0;
  }
  if (hdr->hwndFrom == lvSize && hdr->code == LVN_GETDISPINFOW) {
    auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
    if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
      di->item.pszText[0] = 0;
      const size_t r = static_cast<size_t>(di->item.iItem), c = static_cast<size_t>(di->item.iSubItem);
      if (di->item.iItem >= 0 && r < sizeRows.size() && c < sizeRows[r].size())
        lstrcpynW(di->item.pszText, sizeRows[r][c].c_str(), di->item.cchTextMax);
    }
    return 0;
  }
  if ((hdr->hwndFrom == lsvDir || hdr->hwndFrom == lvOld) && hdr->code == LVN_GETDISPINFOW) {
    auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
    const auto* list = hdr->hwndFrom == lsvDir ? rows : oldRows;
    if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
      di->item.pszText[0] = 0;
      if (list && di->item.iItem >= 0 && static_cast<size_t>(di->item.iItem) < list->size()) {
        const std::wstring& s = RowCell((*list)[static_cast<size_t>(di->item.iItem)], di->item.iSubItem);
        lstrcpynW(di->item.pszText, s.c_str(), di->item.cchTextMax);
      }
    }
    return 0;
  }
  if (hdr->hwndFrom == lsvDir && (hdr->code == NM_DBLCLK || hdr->code == NM_RETURN)) {
    SourceListActivated(app(), this);
    return 0;
  }
  if (hdr->code == LVN_BEGINDRAG) {
    if (hdr->hwndFrom == lsvDir) StartDrag(DragControl::SourceList);
    else if (hdr->hwndFrom == lvSize) StartDrag(DragControl::SizeList);
    else if (hdr->hwndFrom == lvOld) StartDrag(DragControl::OldList);
    return 0;
  }
  if (hdr->hwndFrom == lvSize && hdr->code == LVN_COLUMNCLICK) {
    SortSizeList(SizeHeaderClicked(app(), reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem));
    return 0;
  }
  if (hdr->hwndFrom == tree) {
    switch (hdr->code) {
      case NM_SETFOCUS:
        if (!treeFilled) FillTreeRoot();  // wanted now, even during an operation
        return 0;
      case TVN_ITEMEXPANDINGW: {
        auto* tv = reinterpret_cast<NMTREEVIEWW*>(hdr);
        if (tv->action & TVE_EXPAND) ExpandNode(tv->itemNew.hItem);
        return FALSE;
      }
      case TVN_DELETEITEMW:
        FreeNode(reinterpret_cast<TreeNode*>(reinterpret_cast<NMTREEVIEWW*>(hdr)->itemOld.lParam));
        return 0;
      case TVN_BEGINDRAGW: {
        // The drop takes the selected node: the dragged one becomes it.
        TreeView_SelectItem(tree, reinterpret_cast<NMTREEVIEWW*>(hdr)->itemNew.hItem);
        StartDrag(DragControl::Tree);
        return 0;
      }
      case TVN_BEGINLABELEDITW:
        return TRUE;  // folder names are not edited here
    }
  }
  if (hdr->code == TTN_GETDISPINFOW) {
    auto* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
    for (const auto& b : ToolButtons())
      if (b.cmd != Cmd{} && static_cast<UINT_PTR>(b.cmd) == hdr->idFrom) di->lpszText = const_cast<wchar_t*>(b.hint);
    return 0;
  }
  return 0;
}

void FF1::Impl::OnContextMenu(HWND from, LPARAM lp) {
  FF1::Popup which;
  if (from == lsvDir) which = FF1::Popup::SourceList;
  else if (from == tabs) which = FF1::Popup::Tabs;
  else if (from == tree) which = FF1::Popup::Tree;
  else if (from == lbErr) which = FF1::Popup::ErrorList;
  else return;
  POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  if (lp == -1) {  // from the keyboard
    RECT r;
    GetWindowRect(from, &r);
    pt = POINT{r.left + S(8), r.top + S(8)};
  }
  HMENU menu = popups[static_cast<int>(which)].get();
  EnableCommands(menu);
  const int cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, win.hwnd_, nullptr);
  if (cmd > 0) RunCommand(static_cast<Cmd>(cmd));
}

void FF1::Impl::OnDpiChanged(int dpi, const RECT* suggested) {
  const int old = win.dpi_;
  if (dpi <= 0 || dpi == old) return;
  win.dpi_ = dpi;
  FontHandle previous = std::move(font);  // freed once the controls have the new one
  font.reset(CreateUiFont(dpi));
  ApplyFonts();
  SetupToolbar();
  SetTreeImages();
  FillTreeRoot();  // the nodes' icons belong to the old list
  for (HWND lv : {lsvDir, lvOld, lvSize}) {
    HWND header = ListView_GetHeader(lv);
    const int n = header ? Header_GetItemCount(header) : 0;
    for (int i = 0; i < n; ++i) ListView_SetColumnWidth(lv, i, MulDiv(ListView_GetColumnWidth(lv, i), dpi, old));
  }
  SetStatusParts();
  oldHeightPx = -1;
  if (suggested)
    SetWindowPos(win.hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout(true);
  InvalidateRect(win.hwnd_, nullptr, TRUE);
}

void FF1::Impl::SortSizeList(int key) {
  const size_t column = static_cast<size_t>(std::abs(key) - 1);
  std::stable_sort(sizeRows.begin(), sizeRows.end(), [&](const auto& a, const auto& b) {
    const std::wstring none;
    return CompareSizeCells(column < a.size() ? a[column] : none, column < b.size() ? b[column] : none, key) < 0;
  });
  SyncSizeCount();
  // The selection stays on its place in the list, not with its line.
  ListView_SetItemState(lvSize, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  InvalidateRect(lvSize, nullptr, FALSE);
}

void FF1::Impl::ShowHelpContents() {
  const std::wstring& file = app().helpFile;
  // Without its file the viewer would only show an error of its own.
  const DWORD attr = file.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(file.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    MessageBeep(MB_OK);
    return;
  }
  HtmlHelpW(win.hwnd_, file.c_str(), HH_DISPLAY_TOC, 0);
}

void FF1::Impl::ShowAbout() {
  TfAbout about(app().user, win.hwnd_);
  about.Show();
}

void FF1::Impl::RefreshFolderTree() { FillTreeRoot(); }

// ---------------------------------------------------------------- public helpers

bool FF1::TranslateAccel(MSG* msg) {
  if (!hwnd_ || !impl_->accel || !msg) return false;
  // Keys typed into the about box or another dialog of ours stay there.
  HWND top = msg->hwnd ? GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
  if (top && top != hwnd_) return false;
  return TranslateAcceleratorW(hwnd_, impl_->accel.get(), msg) != 0;
}

HWND FF1::Control(int id) const {
  const Impl& i = *impl_;
  switch (id) {
    case kIdToolBar: return i.toolbar;
    case kIdAbortButton: return i.btnAbort;
    case kIdTree: return i.tree;
    case kIdSplitter1: return i.splitter1;
    case kIdTabs: return i.tabs;
    case kIdPagePanel: return i.pnlPage;
    case kIdSourceGroup: return i.grpSource;
    case kIdSourceList: return i.lsvDir;
    case kIdSepMid: return i.sepMid;
    case kIdBottomPanel: return i.pnlDown;
    case kIdOldGroup: return i.grpOld;
    case kIdOldList: return i.lvOld;
    case kIdSepDown: return i.sepDown;
    case kIdListGroup: return i.grpBtm;
    case kIdErrorList: return i.lbErr;
    case kIdSizeList: return i.lvSize;
    case kIdStatusBar: return i.status;
    case kIdProgressBar: return i.progressBar;
  }
  return nullptr;
}

HMENU FF1::PopupMenu(Popup which) const { return impl_->popups[static_cast<int>(which)].get(); }

}  // namespace ruzer

// The Win32 main window TfM: controls, layout, IMainView and IWindowFrame.
#include "shell/FF1.h"

#include <htmlhelp.h>

#include <algorithm>

#include "base/font.h"
#include "base/panes.h"
#include "base/winproc.h"
#include "shell/Vabout.h"
#include "shell/ff1_impl.h"
#include "store/Fdef.h"

namespace ruzer {

namespace {

constexpr wchar_t kMainClass[] = L"RuzerTfM";
constexpr int kSplitterSize = 4;  // 96-DPI pixels

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

// Width of kReadableColumnChars average characters of the list's font.
int ReadableColumnWidth(HWND lv) {
  return kReadableColumnChars * FontMetrics(lv, reinterpret_cast<HFONT>(SendMessageW(lv, WM_GETFONT, 0, 0))).tmAveCharWidth;
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

void Place(HWND h, int x, int y, int w, int hgt, bool visible) {
  if (!h) return;
  if (visible) {
    SetWindowPos(h, nullptr, x, y, std::max(0, w), std::max(0, hgt), SWP_NOZORDER | SWP_NOACTIVATE);
    if (!IsWindowVisible(h)) ShowWindow(h, SW_SHOWNA);
  } else if (IsWindowVisible(h)) {
    ShowWindow(h, SW_HIDE);
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

// ---------------------------------------------------------------- layout

void FF1::Impl::Layout(bool fitColumns) {
  HWND main = win.hwnd_;
  if (!main || !toolbar) return;
  RECT rc;
  GetClientRect(main, &rc);
  const int w = rc.right, h = rc.bottom;
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  SendMessageW(status, WM_SIZE, 0, 0);
  SetStatusParts();  // the bar follows its part
  RECT tr, sr;
  GetWindowRect(toolbar, &tr);
  GetWindowRect(status, &sr);
  const int top = tr.bottom - tr.top;
  const int bottom = std::max(top, h - static_cast<int>(sr.bottom - sr.top));

  // btnAbort sits at the tool bar's left end; the buttons move right of it.
  if (abortVisible) {
    const DWORD bs = static_cast<DWORD>(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
    const int bh = std::max<int>(HIWORD(bs), S(22));
    const int bw = TextExtent(btnAbort, font.get(), L"中断(F3)").cx + S(16);
    SendMessageW(toolbar, TB_SETINDENT, bw + S(4), 0);
    Place(btnAbort, S(2), std::max(0, (top - bh) / 2), bw, std::min(bh, top), true);
    SetWindowPos(btnAbort, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    SendMessageW(toolbar, TB_SETINDENT, 0, 0);
    Place(btnAbort, 0, 0, 0, 0, false);
  }

  const int midH = bottom - top;
  const int split = S(kSplitterSize);
  const int tw = std::clamp(S(treeWidth), 1, std::max(1, w - split));
  Place(tree, 0, top, tw, midH, true);
  Place(splitter1, tw, top, split, midH, true);
  const int x = tw + split;
  Place(tabs, x, top, std::max(0, w - x), midH, true);
  RECT page{0, 0, std::max(0, w - x), midH};
  TabCtrl_AdjustRect(tabs, FALSE, &page);
  Place(pnlPage, x + page.left, top + page.top, page.right - page.left, page.bottom - page.top, true);
  LayoutPage();
  if (fitColumns) FitFirstColumn();
}

void FF1::Impl::PlacePagePanel() {
  // The panel lies over the display area of the tabs; it moves only when the
  // rows of tabs change.
  RECT tr;
  GetWindowRect(tabs, &tr);
  MapWindowPoints(nullptr, win.hwnd_, reinterpret_cast<POINT*>(&tr), 2);
  RECT want{0, 0, tr.right - tr.left, tr.bottom - tr.top};
  TabCtrl_AdjustRect(tabs, FALSE, &want);
  OffsetRect(&want, tr.left, tr.top);
  RECT now;
  GetWindowRect(pnlPage, &now);
  MapWindowPoints(nullptr, win.hwnd_, reinterpret_cast<POINT*>(&now), 2);
  if (EqualRect(&want, &now)) return;
  Place(pnlPage, want.left, want.top, want.right - want.left, want.bottom - want.top, true);
  LayoutPage();
}

void FF1::Impl::LayoutPage() {
  RECT pr;
  GetClientRect(pnlPage, &pr);
  const int pw = pr.right, ph = pr.bottom;
  const int sep = S(kSplitterSize);
  auto placeGroup = [&](HWND group, HWND list, int x, int y, int w, int h, bool visible) {
    Place(group, x, y, w, h, visible);
    if (visible && list) {
      const RECT in = GroupPaneInner(group, win.dpi_);
      Place(list, in.left, in.top, in.right - in.left, in.bottom - in.top, true);
    }
  };

  const bool down = bottom.height > 1;
  if (!down) {
    bottomHeightPx = 0;
    Place(sepMid, 0, 0, 0, 0, false);
    Place(pnlDown, 0, 0, 0, 0, false);
    placeGroup(grpSource, lsvDir, 0, 0, pw, ph, true);
    return;
  }
  const int bh = std::clamp(S(bottom.height), 0, std::max(0, ph - sep - S(40)));
  bottomHeightPx = bh;
  placeGroup(grpSource, lsvDir, 0, 0, pw, ph - bh - sep, true);
  Place(sepMid, 0, ph - bh - sep, pw, sep, true);
  Place(pnlDown, 0, ph - bh, pw, bh, true);

  if (bottom.oldVisible && bottom.oldFills) {
    placeGroup(grpOld, lvOld, 0, 0, pw, bh, true);
    Place(sepDown, 0, 0, 0, 0, false);
    Place(grpBtm, 0, 0, 0, 0, false);
    return;
  }
  int y = 0;
  if (bottom.oldVisible) {
    const int oh = std::clamp(oldHeightPx >= 0 ? oldHeightPx : S(bottom.oldHeight), 0, bh);
    placeGroup(grpOld, lvOld, 0, 0, pw, oh, true);
    y = oh;
    if (bottom.sepDownVisible) {
      Place(sepDown, 0, y, pw, sep, true);
      y += sep;
    } else {
      Place(sepDown, 0, 0, 0, 0, false);
    }
  } else {
    Place(grpOld, 0, 0, 0, 0, false);
    Place(sepDown, 0, 0, 0, 0, false);
  }
  placeGroup(grpBtm, nullptr, 0, y, pw, bh - y, bottom.listGroupVisible);
  const RECT in = GroupPaneInner(grpBtm, win.dpi_);
  Place(lbErr, in.left, in.top, in.right - in.left, in.bottom - in.top, bottom.listGroupVisible && bottom.errorListVisible);
  Place(lvSize, in.left, in.top, in.right - in.left, in.bottom - in.top, bottom.listGroupVisible && bottom.sizeListVisible);
}

void FF1::Impl::FitFirstColumn() {
  // The first column takes what the other six leave of the group, less 50, but
  // never less than it takes to read a folder: a narrow window scrolls sideways.
  RECT g;
  GetClientRect(grpSource, &g);
  int others = 0;
  for (int i = 1; i < 7; ++i) others += ListView_GetColumnWidth(lsvDir, i);
  ListView_SetColumnWidth(lsvDir, 0, FirstColumnWidth(g.right, others, S(50), ReadableColumnWidth(lsvDir)));
}

// ---------------------------------------------------------------- events

LRESULT FF1::Impl::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  HWND main = win.hwnd_;
  switch (msg) {
    case WM_SIZE:
      if (!toolbar || wp == SIZE_MINIMIZED) return 0;
      if (IsWindowVisible(main)) FormResize(app());  // sets the tree width through SetTreeWidth
      Layout(true);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !firstActivatePosted) {
        firstActivatePosted = true;
        PostMessageW(main, kMsgFirstActivate, 0, 0);
      }
      break;
    case kMsgFirstActivate:
      if (!firstActivateDone) {
        firstActivateDone = true;
        EnterCommand(app());
        OnFirstActivate(app(), win, info);
        LeaveCommand(app());
        if (!treeFilled && !closePending) PostMessageW(main, kMsgFillTree, 0, 0);
      }
      AfterEvent();
      return 0;
    case kMsgFillTree:
      FillTreeWhenFree();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (reinterpret_cast<HWND>(lp) == btnAbort && btnAbort) {
        if (HIWORD(wp) == BN_CLICKED) RunCommand(Cmd::Abort);
      } else if (reinterpret_cast<HWND>(lp) == lbErr && lbErr && HIWORD(wp) == LBN_DBLCLK) {
        // The folder of the line in the tree, as a drag of it onto the tree does.
        EnterCommand(app());
        DropOnTree(app(), DragControl::ErrorList);
        LeaveCommand(app());
      } else if (id >= static_cast<int>(Cmd::Xopen) && id <= static_cast<int>(Cmd::TreeRefresh)) {
        RunCommand(static_cast<Cmd>(id));
      }
      AfterEvent();
      return 0;
    }
    case WM_NOTIFY: {
      const LRESULT r = OnNotify(reinterpret_cast<NMHDR*>(lp));
      AfterEvent();
      return r;
    }
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wp), lp);
      AfterEvent();
      return 0;
    case WM_INITMENUPOPUP: {
      HMENU m = reinterpret_cast<HMENU>(wp);
      for (int i = 0, n = GetMenuItemCount(m); i < n; ++i) {
        const UINT id = GetMenuItemID(m, i);
        if (id >= static_cast<UINT>(Cmd::Xopen) && id <= static_cast<UINT>(Cmd::TreeRefresh))
          EnableMenuItem(m, id, MF_BYCOMMAND | (CommandAvailable(app(), static_cast<Cmd>(id)) ? MF_ENABLED : MF_GRAYED));
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragFrom != DragControl::None) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(main, &pt);
        DragMoved(pt);
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (dragFrom != DragControl::None) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(main, &pt);
        DragReleased(pt);
        return 0;
      }
      break;
    case WM_RBUTTONDOWN:
    case WM_CANCELMODE:
      CancelDrag();
      break;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != main) CancelDrag();
      break;
    case kMsgDroppedPaths:
      PathsDropped(reinterpret_cast<std::vector<std::wstring>*>(lp), wp != 0);
      return 0;
    case WM_SETCURSOR:
      if (dragFrom != DragControl::None) return TRUE;  // the drag keeps its own cursor
      if (hourglass) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
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
      if (app().commandDepth > 0) {
        // An operation is running inside this handler's caller: stop it first and
        // close once it has returned, rather than leave it running without a window.
        if (!closePending) AbortCommand(app());
        closePending = true;
        return 0;
      }
      closePending = false;
      OnMainWindowClose(app(), win);
      DestroyWindow(main);
      return 0;
    case WM_DESTROY:
      CancelDrag();
      DoneDragDrop();
      SetMainFrame(nullptr);
      if (!quietDestroy) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      win.hwnd_ = nullptr;
      toolbar = btnAbort = tree = splitter1 = tabs = pnlPage = grpSource = lsvDir = sepMid = pnlDown = grpOld =
          lvOld = sepDown = grpBtm = lbErr = lvSize = status = nullptr;
      break;
  }
  return DefWindowProcW(main, msg, wp, lp);
}

bool FF1::Impl::CanFind() { return win.app_ && !app().env.tamdir.empty(); }

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
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id >= static_cast<UINT>(Cmd::Xopen) && id <= static_cast<UINT>(Cmd::TreeRefresh))
      EnableMenuItem(menu, id, MF_BYCOMMAND | (CommandAvailable(app(), static_cast<Cmd>(id)) ? MF_ENABLED : MF_GRAYED));
  }
  const int cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, win.hwnd_, nullptr);
  if (cmd > 0) RunCommand(static_cast<Cmd>(cmd));
}

void FF1::Impl::OnSplitterDrag(int id, POINT pt, bool done) {
  const int sep = S(kSplitterSize);
  if (id == kIdSplitter1) {
    RECT rc;
    GetClientRect(win.hwnd_, &rc);
    const int px = std::clamp(static_cast<int>(pt.x) - sep / 2, 1, std::max(1, static_cast<int>(rc.right) - sep - S(20)));
    treeWidth = std::max(1, Logical(px));
    Layout(false);
    if (done) TreeWidthChanged(app(), treeWidth);
    return;
  }
  POINT local = pt;
  if (id == kIdSepMid) {
    MapWindowPoints(win.hwnd_, pnlPage, &local, 1);
    RECT pr;
    GetClientRect(pnlPage, &pr);
    const int bh = std::clamp(static_cast<int>(pr.bottom) - static_cast<int>(local.y) - sep / 2, S(20),
                              std::max(S(20), static_cast<int>(pr.bottom) - sep - S(40)));
    bottom.height = std::max(2, Logical(bh));
    if (done) app().bottomHeight = bottom.height;
    LayoutPage();
  } else if (id == kIdSepDown) {
    MapWindowPoints(win.hwnd_, pnlDown, &local, 1);
    oldHeightPx = std::clamp(static_cast<int>(local.y) - sep / 2, 0, std::max(0, bottomHeightPx - sep));
    LayoutPage();
  }
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
  Vabout about(app().user, win.hwnd_);
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

// ---------------------------------------------------------------- IMainView

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

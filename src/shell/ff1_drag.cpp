// Drag and drop of the main window: drags start from the tree, the three list
// views and the error list; the main window holds the capture until the button
// is released and hands the drop to the logic in sources/Sdrop. Folders from
// other programs reach the source list through OLE (IDropTarget) or WM_DROPFILES.
#include "shell/ff1_impl.h"

namespace ruzer {

namespace {

// The drag cursors of OLE's own drag and drop, when the system has them.
HCURSOR DragCursor(bool allowed) {
  static HCURSOR yes = nullptr, no = nullptr;
  if (!yes) {
    if (HMODULE ole = GetModuleHandleW(L"ole32.dll")) {
      yes = LoadCursorW(ole, MAKEINTRESOURCEW(2));
      if (!yes) yes = LoadCursorW(ole, MAKEINTRESOURCEW(1));
    }
    if (!yes) yes = LoadCursorW(nullptr, IDC_ARROW);
    no = LoadCursorW(nullptr, IDC_NO);
  }
  return allowed ? yes : no;
}

std::vector<std::wstring> DroppedPaths(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < n; ++i) {
    const UINT len = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring p(len + 1, L'\0');
    DragQueryFileW(drop, i, p.data(), len + 1);
    p.resize(len);
    if (!p.empty()) paths.push_back(p);
  }
  return paths;
}

// lbErr starts a drag itself once the mouse moves with the button down. The
// pressed line becomes the current one first (the drop takes the current line);
// the list box sees the press only when it is a click.
LRESULT CALLBACK ErrorListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  if (msg == WM_LBUTTONDOWN) {
    const LRESULT at = SendMessageW(h, LB_ITEMFROMPOINT, 0, lp);
    if (HIWORD(at) == 0) {
      SendMessageW(h, LB_SETCURSEL, LOWORD(at), 0);
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ClientToScreen(h, &pt);
      if (DragDetect(h, pt)) {
        SetFocus(h);
        reinterpret_cast<FF1::Impl*>(ref)->StartDrag(DragControl::ErrorList);
        return 0;
      }
      // A click: the list box gets it whole.
      DefSubclassProc(h, msg, wp, lp);
      return DefSubclassProc(h, WM_LBUTTONUP, 0, lp);
    }
  }
  return DefSubclassProc(h, msg, wp, lp);
}

// WM_DROPFILES: folders dropped by a program that posts them (the X11 drop, old programs).
LRESULT CALLBACK SourceListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  if (msg == WM_DROPFILES) {
    auto* w = reinterpret_cast<FF1::Impl*>(ref);
    HDROP drop = reinterpret_cast<HDROP>(wp);
    POINT pt{};
    DragQueryPoint(drop, &pt);
    ClientToScreen(h, &pt);
    auto* paths = new std::vector<std::wstring>(DroppedPaths(drop));
    DragFinish(drop);
    w->PathsDropped(paths, w->BesideSourceRow(pt));
    return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

// OLE drop target of the source list: accepts anything that offers file names.
class PathDropTarget final : public IDropTarget {
 public:
  explicit PathDropTarget(FF1::Impl& w) : w_(w) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    accept_ = data && data->QueryGetData(&f) == S_OK;
    Effect(effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    Effect(effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    accept_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL at, DWORD* effect) override {
    FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    if (!data || FAILED(data->GetData(&f, &m))) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    auto* paths = new std::vector<std::wstring>();
    if (auto* drop = static_cast<HDROP>(GlobalLock(m.hGlobal))) {
      *paths = DroppedPaths(drop);
      GlobalUnlock(m.hGlobal);
    }
    ReleaseStgMedium(&m);
    Effect(effect);
    accept_ = false;
    // Registration may ask questions: it runs once the other program's drag is over.
    const POINT pt{at.x, at.y};
    if (!PostMessageW(w_.win.hwnd(), kMsgDroppedPaths, w_.BesideSourceRow(pt) ? 1 : 0,
                      reinterpret_cast<LPARAM>(paths)))
      delete paths;
    return S_OK;
  }

 private:
  void Effect(DWORD* effect) {
    if (!effect) return;
    const DWORD allowed = *effect;
    *effect = !accept_ ? DROPEFFECT_NONE : (allowed & DROPEFFECT_LINK) ? DROPEFFECT_LINK : (allowed & DROPEFFECT_COPY);
  }
  FF1::Impl& w_;
  ULONG refs_ = 1;
  bool accept_ = false;
};

}  // namespace

void FF1::Impl::InitDragDrop() {
  SetWindowSubclass(lbErr, &ErrorListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(lsvDir, &SourceListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  DragAcceptFiles(lsvDir, TRUE);
  if (ole && ole->ok() && !pathTarget) {
    pathTarget.reset(new PathDropTarget(*this));
    if (FAILED(RegisterDragDrop(lsvDir, pathTarget.get()))) pathTarget.reset();
  }
}

void FF1::Impl::DoneDragDrop() {
  if (pathTarget) {
    if (lsvDir) RevokeDragDrop(lsvDir);
    pathTarget.reset();
  }
  if (lbErr) RemoveWindowSubclass(lbErr, &ErrorListProc, 1);
  if (lsvDir) RemoveWindowSubclass(lsvDir, &SourceListProc, 1);
}

void FF1::Impl::StartDrag(DragControl from) {
  if (dragFrom != DragControl::None || !win.hwnd_) return;
  dragFrom = from;
  BeginDrag(app(), from);
  SetCapture(win.hwnd_);
  SetCursor(DragCursor(true));
}

DragControl FF1::Impl::TargetAt(POINT screen) const {
  for (HWND h = WindowFromPoint(screen); h && h != win.hwnd_; h = GetParent(h)) {
    if (!IsWindowVisible(h)) return DragControl::None;
    if (h == tree) return DragControl::Tree;
    if (h == lsvDir) return DragControl::SourceList;
    if (h == lvSize) return DragControl::SizeList;
    if (h == lvOld) return DragControl::OldList;
    if (h == lbErr) return DragControl::ErrorList;
  }
  return DragControl::None;
}

bool FF1::Impl::BesideSourceRow(POINT screen) const {
  if (!lsvDir) return false;
  POINT c = screen;
  ScreenToClient(lsvDir, &c);
  // The row at the same height, found at the list's left edge.
  LVHITTESTINFO hit{};
  hit.pt = POINT{2, c.y};
  const int item = ListView_SubItemHitTest(lsvDir, &hit);
  if (item < 0 || hit.iItem < 0) return false;
  RECT r{};
  if (!ListView_GetItemRect(lsvDir, hit.iItem, &r, LVIR_BOUNDS)) return false;
  return c.x >= r.right;
}

void FF1::Impl::DragMoved(POINT screen) {
  const DragControl target = TargetAt(screen);
  // Every list target takes every drag while the mouse moves; the error list is none.
  SetCursor(DragCursor(target != DragControl::None && target != DragControl::ErrorList));
}

void FF1::Impl::DragReleased(POINT screen) {
  const DragControl from = dragFrom;
  dragFrom = DragControl::None;
  ReleaseCapture();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  const DragControl target = TargetAt(screen);
  EnterCommand(app());
  switch (target) {
    case DragControl::SourceList: DropOnSourceList(app(), from, BesideSourceRow(screen)); break;
    case DragControl::Tree: DropOnTree(app(), from); break;
    case DragControl::SizeList: DropOnSizeList(app(), from); break;
    case DragControl::OldList: DropOnOldList(app(), from); break;
    default: break;
  }
  // Whatever happened, the drag is over: a list drag never outlives it.
  EndDrag(app());
  LeaveCommand(app());
  AfterEvent();
}

void FF1::Impl::CancelDrag() {
  if (dragFrom == DragControl::None) return;
  dragFrom = DragControl::None;
  EndDrag(app());
  if (GetCapture() == win.hwnd_) ReleaseCapture();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void FF1::Impl::PathsDropped(std::vector<std::wstring>* paths, bool besideRow) {
  if (!paths) return;
  EnterCommand(app());
  DropPathsOnSourceList(app(), *paths, besideRow);
  LeaveCommand(app());
  delete paths;
  AfterEvent();
}

// ---------------------------------------------------------------- IMainView

std::wstring FF1::TreeSelectedPath() {
  return impl_->tree ? TreeNodePath(TreeView_GetSelection(impl_->tree)) : std::wstring();
}

std::wstring FF1::TreeSelectedText() {
  return impl_->tree ? TreeNodeDisplayName(TreeView_GetSelection(impl_->tree)) : std::wstring();
}

bool FF1::ShowTreePath(const std::wstring& path) { return impl_->ShowTreePath(path); }

std::optional<std::wstring> FF1::ErrorListCurrentLine() {
  HWND lb = impl_->lbErr;
  if (!lb) return std::nullopt;
  const LRESULT i = SendMessageW(lb, LB_GETCURSEL, 0, 0);
  if (i == LB_ERR) return std::nullopt;
  const LRESULT len = SendMessageW(lb, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
  if (len == LB_ERR) return std::nullopt;
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  SendMessageW(lb, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
  s.resize(wcslen(s.c_str()));
  return s;
}

namespace {
int SelectedLine(HWND lv) { return lv ? ListView_GetNextItem(lv, -1, LVNI_SELECTED) : -1; }
void SelectLine(HWND lv, int row) {
  if (!lv || row < 0 || row >= ListView_GetItemCount(lv)) return;
  ListView_SetItemState(lv, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(lv, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(lv, row, FALSE);
}
}  // namespace

int FF1::SizeListSelected() { return SelectedLine(impl_->lvSize); }
void FF1::SizeListSelect(int row) {
  impl_->SyncSizeCount();
  SelectLine(impl_->lvSize, row);
}
int FF1::OldListSelected() { return SelectedLine(impl_->lvOld); }
void FF1::OldListSelect(int row) { SelectLine(impl_->lvOld, row); }

}  // namespace ruzer

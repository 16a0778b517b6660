// The folder tree trvDir: the shell namespace from the desktop down, hidden
// folders included, read lazily as nodes are expanded.
#include "shell/ff1_impl.h"

namespace ruzer {

namespace {

std::wstring DisplayName(IShellFolder* folder, PCUITEMID_CHILD child) {
  STRRET sr{};
  if (FAILED(folder->GetDisplayNameOf(child, SHGDN_NORMAL, &sr))) return {};
  wchar_t buf[MAX_PATH * 2] = {};
  if (FAILED(StrRetToBufW(&sr, child, buf, static_cast<UINT>(std::size(buf))))) return {};
  return buf;
}

std::wstring PathOf(PCIDLIST_ABSOLUTE pidl) {
  wchar_t buf[MAX_PATH * 4] = {};
  // Virtual folders (Computer, Network, ...) have no file-system path.
  if (!SHGetPathFromIDListEx(pidl, buf, static_cast<DWORD>(std::size(buf)), GPFIDL_DEFAULT)) return {};
  return buf;
}

void Icons(PCIDLIST_ABSOLUTE pidl, int& normal, int& open) {
  SHFILEINFOW fi{};
  normal = open = 0;
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    normal = open = fi.iIcon;
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &fi, sizeof fi,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON))
    open = fi.iIcon;
}

HTREEITEM Insert(FF1::Impl& w, HTREEITEM parent, TreeNode* node, bool children) {
  HWND tree = w.tree;
  int normal = 0, open = 0;
  Icons(node->pidl.get(), normal, open);
  normal = w.TreeIcon(normal);
  open = w.TreeIcon(open);
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
  ins.item.pszText = const_cast<wchar_t*>(node->name.c_str());
  ins.item.iImage = normal;
  ins.item.iSelectedImage = open;
  ins.item.cChildren = children ? 1 : 0;
  ins.item.lParam = reinterpret_cast<LPARAM>(node);
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

int CALLBACK CompareNodes(LPARAM a, LPARAM b, LPARAM folder) {
  const auto* x = reinterpret_cast<const TreeNode*>(a);
  const auto* y = reinterpret_cast<const TreeNode*>(b);
  const HRESULT hr = reinterpret_cast<IShellFolder*>(folder)->CompareIDs(0, ILFindLastID(x->pidl.get()), ILFindLastID(y->pidl.get()));
  return FAILED(hr) ? 0 : static_cast<short>(HRESULT_CODE(hr));
}

}  // namespace

void FF1::Impl::SetTreeImages() {
  treeImagesSet = true;
  SHFILEINFOW fi{};
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  treeOwnImages.reset();
  treeSysImages = nullptr;
  treeIconMap.clear();
  int cx = 0, cy = 0;
  if (small) ImageList_GetIconSize(small, &cx, &cy);
  const int want = S(16);
  if (!small || cx >= want - 2) {  // the system's small icons fit this DPI
    if (small) TreeView_SetImageList(tree, small, TVSIL_NORMAL);
    return;
  }
  // Otherwise the icons are drawn at the size the DPI asks for, from the
  // system's large ones, as nodes need them (the lists share their indexes).
  // IID_IImageList; the import library of the compiler lacks it.
  static const GUID kImageList = {0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};
  if (FAILED(SHGetImageList(SHIL_LARGE, kImageList, reinterpret_cast<void**>(&treeSysImages))) || !treeSysImages) {
    treeSysImages = nullptr;
    TreeView_SetImageList(tree, small, TVSIL_NORMAL);
    return;
  }
  treeOwnImages.reset(ImageList_Create(want, want, ILC_COLOR32 | ILC_MASK, 16, 16));
  TreeView_SetImageList(tree, treeOwnImages.get(), TVSIL_NORMAL);
}

int FF1::Impl::TreeIcon(int systemIndex) {
  if (!treeOwnImages || !treeSysImages) return systemIndex;
  const auto found = treeIconMap.find(systemIndex);
  if (found != treeIconMap.end()) return found->second;
  int index = 0;
  if (IconHandle icon{ImageList_GetIcon(treeSysImages, systemIndex, ILD_TRANSPARENT)})
    index = ImageList_ReplaceIcon(treeOwnImages.get(), -1, icon.get());  // drawn at the list's size
  treeIconMap[systemIndex] = std::max(0, index);
  return std::max(0, index);
}

// The shell's namespace is slow to read: the nodes come after the window is
// first shown (kMsgFillTree), so that start-up and an automatic run do not wait.
void FF1::Impl::InitTree() {
  if (!desktop && FAILED(SHGetDesktopFolder(desktop.put()))) desktop.reset();
}

void FF1::Impl::FillTreeWhenFree() {
  if (treeFilled || closePending) return;
  if (Pacing()) {  // an operation runs: after it, unless the user wants the tree now
    treeWanted = true;
    return;
  }
  if (win.hwnd_) UpdateWindow(win.hwnd_);  // the rest of the window first
  FillTreeRoot();
}

void FF1::Impl::FillTreeRoot() {
  if (!tree || !desktop) return;
  if (!treeImagesSet) SetTreeImages();  // the system's image list is slow to build too
  treeFilled = true;
  treeWanted = false;
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree);  // TVN_DELETEITEM frees the nodes
  treeRoot = nullptr;
  auto* node = new TreeNode;
  if (FAILED(SHGetSpecialFolderLocation(win.hwnd_, CSIDL_DESKTOP, node->pidl.put())) || !node->pidl) {
    delete node;
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    return;
  }
  SHFILEINFOW fi{};
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(node->pidl.get()), 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_DISPLAYNAME))
    node->name = fi.szDisplayName;
  node->path = PathOf(node->pidl.get());
  treeRoot = Insert(*this, TVI_ROOT, node, true);
  ExpandNode(treeRoot);
  TreeView_Expand(tree, treeRoot, TVE_EXPAND);
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
}

TreeNode* FF1::Impl::NodeOf(HTREEITEM item) const {
  if (!tree || !item) return nullptr;
  TVITEMW tv{};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
  return reinterpret_cast<TreeNode*>(tv.lParam);
}

void FF1::Impl::FreeNode(TreeNode* node) { delete node; }

void FF1::Impl::ExpandNode(HTREEITEM item) {
  TreeNode* node = NodeOf(item);
  if (!node || node->listed || !desktop) return;
  node->listed = true;
  ComPtr<IShellFolder> folder;
  if (ILIsEmpty(node->pidl.get())) {
    desktop->AddRef();
    folder.reset(desktop.get());
  } else if (FAILED(desktop->BindToObject(node->pidl.get(), nullptr, IID_IShellFolder, folder.put_void()))) {
    folder.reset();
  }
  int added = 0;
  if (folder) {
    ComPtr<IEnumIDList> list;
    if (folder->EnumObjects(win.hwnd_, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, list.put()) == S_OK && list) {
      CoTaskMemPtr<ITEMIDLIST> child;
      ULONG got = 0;
      while (list->Next(1, child.put(), &got) == S_OK && got == 1) {
        SFGAOF attr = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_STREAM;
        PCUITEMID_CHILD one = child.get();
        if (FAILED(folder->GetAttributesOf(1, &one, &attr))) attr = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
        // Archives that the shell shows as folders are files to a backup.
        if ((attr & SFGAO_FOLDER) && !(attr & SFGAO_STREAM)) {
          auto* n = new TreeNode;
          n->pidl.reset(ILCombine(node->pidl.get(), child.get()));
          n->name = DisplayName(folder.get(), child.get());
          n->path = PathOf(n->pidl.get());
          if (n->pidl && Insert(*this, item, n, (attr & SFGAO_HASSUBFOLDER) != 0)) {
            ++added;
          } else {
            FreeNode(n);
          }
        }
      }
    }
    if (added > 1) {
      TVSORTCB sort{item, &CompareNodes, reinterpret_cast<LPARAM>(folder.get())};
      TreeView_SortChildrenCB(tree, &sort, FALSE);
    }
  }
  if (added == 0) {  // no plus sign on a folder without sub-folders
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.cChildren = 0;
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  }
}

namespace {

// `path` is `folder` or lies below it (A-Z folded, as the file system compares).
bool PathWithin(const std::wstring& folder, const std::wstring& path) {
  if (folder.size() < 3 || path.size() < folder.size()) return false;
  if (CompareStringOrdinal(folder.c_str(), static_cast<int>(folder.size()), path.c_str(),
                           static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL)
    return false;
  return path.size() == folder.size() || folder.back() == L'\\' || path[folder.size()] == L'\\';
}

}  // namespace

bool FF1::Impl::ShowTreePath(const std::wstring& path) {
  if (!tree || !treeRoot || path.size() < 2) return false;
  CoTaskMemPtr<ITEMIDLIST> owned;
  if (FAILED(SHParseDisplayName(path.c_str(), nullptr, owned.put(), 0, nullptr))) owned.reset();
  const PIDLIST_ABSOLUTE target = owned.get();
  HTREEITEM item = treeRoot, found = nullptr;
  // Down from the desktop, one level at a time, into the child that holds the
  // folder: by item id first, by path where the ids differ (folders shown twice).
  for (int depth = 0; depth < 128 && item && !found; ++depth) {
    const TreeNode* node = NodeOf(item);
    if (node && ((target && ILIsEqual(node->pidl.get(), target)) ||
                 (!node->path.empty() && PathWithin(node->path, path) && node->path.size() >= path.size()))) {
      found = item;
      break;
    }
    ExpandNode(item);
    TreeView_Expand(tree, item, TVE_EXPAND);
    HTREEITEM next = nullptr;
    for (int pass = 0; pass < 2 && !next; ++pass) {
      for (HTREEITEM c = TreeView_GetChild(tree, item); c && !next; c = TreeView_GetNextSibling(tree, c)) {
        const TreeNode* n = NodeOf(c);
        if (!n) continue;
        if (pass == 0 ? (target && (ILIsEqual(n->pidl.get(), target) || ILIsParent(n->pidl.get(), target, FALSE)))
                      : (!n->path.empty() && PathWithin(n->path, path)))
          next = c;
      }
    }
    item = next;
  }
  if (!found) return false;
  TreeView_SelectItem(tree, found);
  TreeView_SelectSetFirstVisible(tree, found);
  return true;
}

// ---------------------------------------------------------------- public

std::wstring FF1::TreeNodePath(HTREEITEM item) const {
  const TreeNode* n = impl_->NodeOf(item);
  return n ? n->path : std::wstring();
}

std::wstring FF1::TreeNodeDisplayName(HTREEITEM item) const {
  const TreeNode* n = impl_->NodeOf(item);
  return n ? n->name : std::wstring();
}

void FF1::RefreshTree() { impl_->FillTreeRoot(); }

std::wstring FF1::SelectedTreeFolder() {
  if (!impl_->tree) return std::wstring();
  return TreeNodePath(TreeView_GetSelection(impl_->tree));
}

}  // namespace ruzer

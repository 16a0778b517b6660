// Inside of the main window FF1, shared by its source files (not for other modules).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <commoncontrols.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/font.h"
#include "base/handles.h"
#include "base/panes.h"
#include "shell/FF1.h"
#include "sources/Sdrop.h"
#include "shell/Mainwin.h"
#include "shell/ViewPacer.h"

namespace ruzer {

// Private window messages of the main window.
enum : UINT {
  kMsgFirstActivate = WM_APP + 1,
  // WM_APP + 2 and + 3: kMsgSplitterDrag and kMsgSplitterDone (base/panes.h)
  kMsgDroppedPaths = WM_APP + 4,  // lParam: new std::vector<std::wstring>*, wParam: beside a row
  kMsgFillTree = WM_APP + 5,  // the folder tree fills once the window is shown and free
};

// One item of a menu table; a zero command is a separator.
struct MenuItemDef {
  Cmd cmd;
  const wchar_t* caption;
  const wchar_t* key;  // shown right of the caption, or nullptr
};
struct ToolButtonDef {
  Cmd cmd;  // Cmd{} for a separator
  int image;
  const wchar_t* hint;
};

// Menu, pop-up and tool bar tables (ff1_menus.cpp).
HMENU BuildMainMenu();
HMENU BuildPopup(FF1::Popup which);
void SetAbortMenuItem(HMENU mainMenu, bool present);
HACCEL BuildAccelerators();
const std::vector<ToolButtonDef>& ToolButtons();
// Tool bar images drawn at `size` pixels (ff1_art.cpp).
HIMAGELIST BuildToolImages(int size);

// Folder tree node: absolute item id, file-system path and display name.
struct TreeNode {
  CoTaskMemPtr<ITEMIDLIST> pidl;
  std::wstring path;
  std::wstring name;
  bool listed = false;  // children enumerated
};

struct FF1::Impl : IMainWindowCommands {
  explicit Impl(FF1& w) : win(w) {}
  FF1& win;
  std::optional<ComInit> ole;  // first in, last out: shell folders and drag and drop need it
  App& app() { return *win.app_; }
  void Bind(HWND h) { win.hwnd_ = h; }

  HINSTANCE inst = nullptr;
  StartupInfo info;
  bool firstActivatePosted = false;
  bool firstActivateDone = false;
  bool closePending = false;
  bool quietDestroy = false;  // destroyed by the object, not closed by the user
  bool hourglass = false;
  bool menusEnabled = true;
  bool abortVisible = false;
  bool toolbarEnabled = true;
  AccelTable accel;
  FontHandle font;
  ImageList toolImages;
  MenuHandle popups[4];

  // Controls.
  HWND toolbar = nullptr, btnAbort = nullptr, tree = nullptr, splitter1 = nullptr, tabs = nullptr,
       pnlPage = nullptr, grpSource = nullptr, lsvDir = nullptr, sepMid = nullptr, pnlDown = nullptr,
       grpOld = nullptr, lvOld = nullptr, sepDown = nullptr, grpBtm = nullptr, lbErr = nullptr,
       lvSize = nullptr, status = nullptr;

  // Shown data (owner-data lists read the caller's vectors).
  const std::vector<SourceRow>* rows = nullptr;
  const std::vector<SourceRow>* oldRows = nullptr;
  BottomPanelLayout bottom;
  int treeWidth = 150;    // 96-DPI pixels
  int oldHeightPx = -1;   // old group height set by dragging sepDown (physical), -1 = from layout
  int bottomHeightPx = 1; // physical height of pnlDown

  // Status texts, column title and error-list scroll during an operation:
  // four times a second is readable, and each themed repaint costs Wine
  // dozens of device contexts.
  static constexpr std::uint64_t kTextPaceMs = 250;
  ViewPacer pacer{kTextPaceMs};
  bool Pacing() const { return win.app_ && win.app_->commandDepth > 0; }
  // The active page has a destination to search.
  bool CanFind();
  void DrawTexts(bool evenIfEarly);

  // Lines added to the size list during a measurement are drawn when messages
  // next run, not one by one: a list view that draws redoes its scroll bars for
  // every line (about 15 ms each under Wine).
  // The size list's lines; the list view only asks for what it shows. Its
  // count follows at the pace of the status texts during an operation: Wine
  // lays the list out anew on every count it is given.
  std::vector<std::vector<std::wstring>> sizeRows;
  bool sizeCountStale = false;
  bool sizeListScrollWanted = false;
  std::uint64_t sizeSyncMs = 0;
  void SizeListChanged();
  void SyncSizeCount();

  // Progress of a long operation (ff1_progress.cpp): a bar and its count in
  // parts of their own in the status bar, between the free space and the
  // status line, and the taskbar button (late-bound; absent before Windows 7).
  HWND progressBar = nullptr;
  ProgressView progress;
  bool boxWaiting = false;
  ComPtr<ITaskbarList3> taskbar;
  bool taskbarTried = false;
  int StatusPart() const { return progress.visible ? 3 : 1; }
  void SetStatusParts();
  void ApplyProgress(const ProgressView& p);
  void ApplyTaskbar();

  // Folder tree.
  ComPtr<IShellFolder> desktop;
  HTREEITEM treeRoot = nullptr;
  ImageList treeOwnImages;  // icons at the DPI's size, when the system has none
  HIMAGELIST treeSysImages = nullptr;
  std::map<int, int> treeIconMap;  // system icon index -> index in treeOwnImages
  bool treeImagesSet = false;
  bool treeFilled = false;
  bool treeWanted = false;  // asked for while an operation ran

  // Drag and drop between the controls (ff1_drag.cpp). The main window holds
  // the capture from the drag's start until the button is released.
  DragControl dragFrom = DragControl::None;
  ComPtr<IDropTarget> pathTarget;  // folders from other programs onto lsvDir

  int S(int v) const { return MulDiv(v, win.dpi_, 96); }
  int Logical(int px) const { return MulDiv(px, 96, win.dpi_); }

  // Creation (FF1.cpp).
  void CreateControls();
  void ApplyFonts();
  void SetupToolbar();
  // Layout (ff1_layout.cpp).
  void Layout(bool fitColumns);
  void LayoutPage();
  void PlacePagePanel();
  void FitFirstColumn();
  void OnSplitterDrag(int id, POINT pt, bool done);
  // The window procedure (FF1.cpp): a handler for each message.
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void OnSize(WPARAM kind);
  void OnActivate(WPARAM state);
  void RunFirstActivate();
  void OnCommand(WPARAM wp, HWND from);
  void EnableCommands(HMENU menu);  // as the active page allows them
  bool OnDragMouse(UINT msg, LPARAM lp);  // true when a drag between the controls took the message
  bool OnSetCursor();  // true when the cursor was set
  void OnClose();  // waits for a running operation to stop first
  void OnDestroy();
  void OnNcDestroy();
  LRESULT OnNotify(NMHDR* hdr);
  void OnContextMenu(HWND from, LPARAM lp);
  void RunCommand(Cmd c);
  void OnDpiChanged(int dpi, const RECT* suggested);
  void AfterEvent();
  void SortSizeList(int key);

  // Folder tree (ff1_tree.cpp).
  void InitTree();
  void SetTreeImages();
  int TreeIcon(int systemIndex);
  void FillTreeRoot();
  void FillTreeWhenFree();
  void ExpandNode(HTREEITEM item);
  TreeNode* NodeOf(HTREEITEM item) const;
  void FreeNode(TreeNode* node);

  // Drag and drop (ff1_drag.cpp).
  void InitDragDrop();
  void DoneDragDrop();
  void StartDrag(DragControl from);
  void DragMoved(POINT screen);
  void DragReleased(POINT screen);
  void CancelDrag();
  DragControl TargetAt(POINT screen) const;
  bool BesideSourceRow(POINT screen) const;
  void PathsDropped(std::vector<std::wstring>* paths, bool besideRow);
  // Folder tree: opens it at `path`, its node scrolled to the top (ff1_tree.cpp).
  bool ShowTreePath(const std::wstring& path);

  // IMainWindowCommands
  void ShowHelpContents() override;
  void ShowAbout() override;
  void RefreshFolderTree() override;
};

}  // namespace ruzer

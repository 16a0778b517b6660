// The Win32 main window TfM. It only shows things and forwards events: the
// behaviour is in shell/Mainwin (plain C++), the start-up steps in shell/Startup.
// Pixel values that cross IMainView are at 96 DPI; the window scales them.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/ui.h"
#include "shell/Startup.h"

namespace ruzer {

// Child window ids, also used by tests to find the controls.
enum FF1Control : int {
  kIdToolBar = 1001,
  kIdAbortButton,  // btnAbort
  kIdTree,         // trvDir
  kIdSplitter1,
  kIdTabs,         // PageCtl
  kIdPagePanel,    // pnlPage
  kIdSourceGroup,  // pnlDlist
  kIdSourceList,   // LsvDir
  kIdSepMid,
  kIdBottomPanel,  // pnlDown
  kIdOldGroup,     // pnlMid
  kIdOldList,      // lvOld
  kIdSepDown,
  kIdListGroup,  // pnlBtm
  kIdErrorList,  // lbErr
  kIdSizeList,   // lvSize
  kIdStatusBar,  // stsBar
  kIdProgressBar,  // the operation's bar inside the status bar
};

class FF1 final : public IMainView, public IWindowFrame {
 public:
  FF1();
  ~FF1() override;
  FF1(const FF1&) = delete;
  FF1& operator=(const FF1&) = delete;

  // Registers the class, creates the window hidden, runs OnMainWindowCreate,
  // shows it with info.showCommand. The first WM_ACTIVATE runs OnFirstActivate once.
  bool Create(App& app, HINSTANCE inst, const StartupInfo& info);
  // Keyboard accelerators of the main window; true when the message was used.
  bool TranslateAccel(MSG* msg);
  HWND hwnd() const { return hwnd_; }
  HWND Control(int id) const;  // child window by FF1Control id
  HMENU Menu() const { return menu_; }
  enum class Popup { SourceList, Tabs, Tree, ErrorList };
  HMENU PopupMenu(Popup which) const;
  int Dpi() const { return dpi_; }

  // Folder tree nodes: full file-system path (empty for virtual folders) and display name.
  std::wstring TreeNodePath(HTREEITEM item) const;
  std::wstring TreeNodeDisplayName(HTREEITEM item) const;
  void RefreshTree();  // re-reads the tree from its first node

  // ---- IMainView
  void SetTitle(const std::wstring& title) override;
  void CloseWindow() override;
  void SetFreeSpaceText(const std::wstring& text) override;
  void SetStatusText(const std::wstring& text) override;
  void SetProgress(const ProgressView& progress) override;
  // A message box waits for the user (the taskbar button shows it paused).
  void SetBoxWaiting(bool waiting);
  // What the taskbar button was last given, for tests (Wine draws no taskbar).
  TaskbarProgress TaskbarState() const;
  void SetTabs(const std::vector<std::wstring>& names) override;
  void SetActiveTab(int index) override;
  void SetTabsEnabled(bool enabled) override;
  void AttachPagePanel() override;
  void ShowSourceRows(const std::vector<SourceRow>* rows) override;
  void SetSourceListCaption(const std::wstring& caption) override;
  void SetSourceColumnTitle(const std::wstring& title) override;
  void SelectRow(int index) override;
  std::vector<int> SelectedRows() override;
  void ShowOldRows(const std::vector<SourceRow>* rows) override;
  int PagePanelHeight() override;
  void ApplyBottomPanel(const BottomPanelLayout& layout) override;
  void ErrorListAdd(const std::wstring& line) override;
  void ErrorListClear() override;
  void ErrorListSetScrollWidth(const std::wstring& longestLine) override;
  void SetAbortVisible(bool visible) override;
  void FocusAbort() override;
  void SetMainMenusEnabled(bool enabled) override;
  bool MainMenusEnabled() override;
  void SetToolbarEnabled(bool enabled) override;
  void SetHourglass(bool on) override;
  void SetTreeWidth(int width) override;
  int ClientWidth() override;
  void Relayout() override;
  void PumpMessages() override;
  void DrawPendingTexts() override;
  void SizeListClear() override;
  void SizeListAdd(const std::vector<std::wstring>& cells) override;
  void SizeListSetCell(int row, int column, const std::wstring& text) override;
  std::vector<std::vector<std::wstring>> SizeListRows() override;
  void SizeListScrollToEnd() override;
  int SourceColumnWidth(int column) override;
  void SetSourceColumnWidth(int column, int width) override;
  void SetSizeColumnWidth(int column, int width) override;
  std::wstring SelectedTreeFolder() override;
  std::wstring TreeSelectedPath() override;
  std::wstring TreeSelectedText() override;
  bool ShowTreePath(const std::wstring& path) override;
  std::optional<std::wstring> ErrorListCurrentLine() override;
  int SizeListSelected() override;
  void SizeListSelect(int row) override;
  int OldListSelected() override;
  void OldListSelect(int row) override;

  // ---- IWindowFrame
  RECT Bounds() override;
  void SetLeft(int left) override;
  void SetTop(int top) override;
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  bool IsMinimized() override;
  bool IsMaximized() override;
  void MinimizeApplication() override;
  void RestoreApplication() override;
  int ScreenWidth() override;
  int ScreenHeight() override;

  struct Impl;  // controls and window procedure (shell/ff1_impl.h)

 private:
  friend struct Impl;
  App* app_ = nullptr;
  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  int dpi_ = 96;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ruzer

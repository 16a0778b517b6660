// The two narrow interfaces through which the program's logic reaches the screen.
// Logic never touches an HWND: the Win32 window implements IMainView, the Win32
// message boxes and pickers implement IUser, and tests substitute scripted ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace ruzer {

namespace Fdef {
// The program's name, the caption of its message boxes.
inline constexpr wchar_t kProduct[] = L"Ruzer";
}  // namespace Fdef

struct SourceRow;

// ---------------------------------------------------------------- user dialogs

enum class MsgKind { Warning, Error, Information, Confirmation };

// Buttons are a bit set; the answer is exactly one of them.
enum MsgButton : unsigned {
  kOk = 1u << 0,
  kCancel = 1u << 1,
  kYes = 1u << 2,
  kNo = 1u << 3,
  kAbort = 1u << 4,
  kRetry = 1u << 5,
  kIgnore = 1u << 6,
  kHelp = 1u << 7,  // shown as a Help button; never an answer
};

struct MessageRequest {
  MsgKind kind = MsgKind::Information;
  std::wstring text;
  unsigned buttons = kOk;
  MsgButton defaultButton = kOk;
  int helpContext = 0;  // numeric help topic for the Help button
};

// A question whose answers no standard box words: buttons with texts of their
// own, left to right, and a check box under the text when checkText is set
// ("以降すべて": the answer stands for the rest of a run of such questions).
struct ChoiceRequest {
  MsgKind kind = MsgKind::Confirmation;
  std::wstring text;
  std::vector<std::wstring> choices;
  int defaultChoice = 0;
  std::wstring checkText;
};

struct ChoiceAnswer {
  int choice = -1;  // index into choices; -1 when the box was closed without one
  bool checked = false;
};

class IUser {
 public:
  virtual ~IUser() = default;
  // Modal message box; returns the button the user chose (Cancel/close → kCancel
  // when offered, otherwise the default button).
  virtual MsgButton Message(const MessageRequest& request) = 0;
  // Modal box with the answers of the request (see ChoiceRequest).
  virtual ChoiceAnswer Choose(const ChoiceRequest& request) = 0;
  // Folder browser; nullopt when cancelled.
  virtual std::optional<std::wstring> BrowseFolder(const std::wstring& title,
                                                   const std::wstring& initial) = 0;
  // File-open dialog; filter in the Win32 "name\0pattern\0" style but with '|'
  // as separator ("テキスト|*.txt"). nullopt when cancelled.
  virtual std::optional<std::wstring> OpenFile(const std::wstring& title,
                                               const std::wstring& filter,
                                               const std::wstring& initialFolder) = 0;
  // Help topic by keyword / by number (HtmlHelpW on the program's .chm).
  virtual void HelpByKeyword(const std::wstring& keyword) = 0;
  virtual void HelpByContext(int context) = 0;
};

// ---------------------------------------------------------------- main window

// How the bottom panel is laid out; computed by the logic, applied by the view.
struct BottomPanelLayout {
  int height = 1;             // height of pnlDown
  bool oldVisible = false;    // pnlMid (old-version group)
  bool oldFills = false;      // old group fills the whole bottom panel
  int oldHeight = 0;          // old group height when aligned to the top
  bool sepDownVisible = false;
  bool listGroupVisible = false;  // pnlBtm
  std::wstring listGroupCaption;  // "エラーリスト" / "容量リスト"
  bool errorListVisible = false;
  bool sizeListVisible = false;
};

// Progress of a long operation: the bar in the status bar and the taskbar button.
enum class TaskbarProgress { None, Normal, Indeterminate, Paused, Error };
struct ProgressView {
  bool visible = false;  // the bar between the free-space panel and the status line
  bool marquee = false;  // no total known: a moving bar
  int permille = 0;      // 0..1000 of the way
  std::wstring text;     // beside the bar: "12,345 / 20,000 ファイル　残り約 3 分"
  TaskbarProgress taskbar = TaskbarProgress::None;
  bool operator==(const ProgressView&) const = default;
};

// Primitive operations of the main window. No behaviour lives behind them:
// each one only changes what is shown. The behaviour is in base/services and
// in the main window's own logic.
class IMainView {
 public:
  virtual ~IMainView() = default;

  virtual void SetTitle(const std::wstring& title) = 0;
  virtual void CloseWindow() = 0;  // ends the program's message loop

  // Status bar: panel 0 (free space) and panel 1 (status line).
  virtual void SetFreeSpaceText(const std::wstring& text) = 0;
  virtual void SetStatusText(const std::wstring& text) = 0;

  // Tabs: one per page, in page-list order.
  virtual void SetTabs(const std::vector<std::wstring>& names) = 0;
  virtual void SetActiveTab(int index) = 0;
  virtual void SetTabsEnabled(bool enabled) = 0;
  // Moves the page panel onto the active tab (returns once it is drawn there).
  virtual void AttachPagePanel() = 0;

  // Source list. The view may keep the pointer until the next call (owner data).
  virtual void ShowSourceRows(const std::vector<SourceRow>* rows) = 0;
  virtual void SetSourceListCaption(const std::wstring& caption) = 0;
  virtual void SetSourceColumnTitle(const std::wstring& title) = 0;  // column 0
  virtual void SelectRow(int index) = 0;  // -1 clears the selection; else clear, select, scroll into view
  virtual std::vector<int> SelectedRows() = 0;

  // Old-version list (bottom panel).
  virtual void ShowOldRows(const std::vector<SourceRow>* rows) = 0;

  // Bottom panel.
  virtual int PagePanelHeight() = 0;
  virtual void ApplyBottomPanel(const BottomPanelLayout& layout) = 0;

  // Error list lbErr.
  virtual void ErrorListAdd(const std::wstring& line) = 0;
  virtual void ErrorListClear() = 0;
  virtual void ErrorListSetScrollWidth(const std::wstring& longestLine) = 0;

  // Progress bar and taskbar button of a long operation.
  virtual void SetProgress(const ProgressView& progress) { (void)progress; }

  // Busy mode and menus.
  virtual void SetAbortVisible(bool visible) = 0;  // btnAbort and mnuAbort
  virtual void FocusAbort() = 0;
  virtual void SetMainMenusEnabled(bool enabled) = 0;  // File, Edit, Function, Register
  virtual bool MainMenusEnabled() = 0;                 // File menu state
  virtual void SetToolbarEnabled(bool enabled) = 0;
  virtual void SetHourglass(bool on) = 0;

  // Folder tree width (pixels) and the client width it must fit in.
  virtual void SetTreeWidth(int width) = 0;
  virtual int ClientWidth() = 0;
  virtual void Relayout() = 0;

  // Let pending window messages run (input, paint, the abort key).
  virtual void PumpMessages() = 0;
  // A view that draws fast-changing texts at a measured pace draws what
  // waits now (before a step that lets no messages run for a while).
  virtual void DrawPendingTexts() {}

  // Size list lvSize of the bottom panel: rows of five cells ("保存元フォルダ",
  // "特殊フォルダ/コメント", "No.", "容量(KB)", "ファイル数"). A header click sorts it.
  virtual void SizeListClear() {}
  virtual void SizeListAdd(const std::vector<std::wstring>& cells) { (void)cells; }
  virtual void SizeListSetCell(int row, int column, const std::wstring& text) {
    (void)row, (void)column, (void)text;
  }
  virtual std::vector<std::vector<std::wstring>> SizeListRows() { return {}; }  // in shown order
  virtual void SizeListScrollToEnd() {}
  // Column widths in 96-DPI units: the source list's and the size list's.
  virtual int SourceColumnWidth(int column) {
    (void)column;
    return 0;
  }
  virtual void SetSourceColumnWidth(int column, int width) { (void)column, (void)width; }
  virtual void SetSizeColumnWidth(int column, int width) { (void)column, (void)width; }

  // Full path of the folder selected in the folder tree trvDir; empty when
  // none is selected or it is no file-system folder.
  virtual std::wstring SelectedTreeFolder() { return std::wstring(); }
  // What drag and drop reads and moves. Lines are counted in shown order; -1 is none.
  // Folder tree: the selected node's file-system path (empty for a virtual
  // folder such as Control Panel, or no node) and its display text.
  virtual std::wstring TreeSelectedPath() { return {}; }
  virtual std::wstring TreeSelectedText() { return {}; }
  // Opens the tree at `path` and scrolls its node to the top; false when the tree has no node for it.
  virtual bool ShowTreePath(const std::wstring& path) { (void)path; return false; }
  virtual std::optional<std::wstring> ErrorListCurrentLine() { return std::nullopt; }  // lbErr's current line
  virtual int SizeListSelected() { return -1; }
  virtual void SizeListSelect(int row) { (void)row; }  // select only it and scroll it into view
  virtual int OldListSelected() { return -1; }
  virtual void OldListSelect(int row) { (void)row; }
};

// ---------------------------------------------------------------- memo dialog

// TfMemo: asks for the memo of a backup run. Show returns false when cancelled;
// memo carries the text in and out (the dialog keeps its last text).
class IMemoDialog {
 public:
  virtual ~IMemoDialog() = default;
  virtual bool Show(std::wstring& memo) = 0;
};

// ---------------------------------------------------------------- restore

// TfVrfy: the backup data search of the active page, modal; it opens the
// result dialog itself.
class IVerifyDialog {
 public:
  virtual ~IVerifyDialog() = default;
  virtual void Show() = 0;
};

// ---------------------------------------------------------------- pattern dialog

// TfFname: a file name or wildcard pattern, typed or picked from the files of a
// folder. A folder of nullopt keeps the one of the last use, a text of nullopt
// keeps the field as it was at the last close. Returns the pattern on OK,
// nullopt on Cancel.
class IPatternDialog {
 public:
  virtual ~IPatternDialog() = default;
  virtual std::optional<std::wstring> Pick(const std::optional<std::wstring>& folder,
                                           const std::optional<std::wstring>& text) = 0;
};

// ---------------------------------------------------------------- time

// Wall clock and waiting, replaceable so tests control "today".
class IClock {
 public:
  virtual ~IClock() = default;
  virtual SYSTEMTIME Now() = 0;  // local time
  virtual void Sleep(int ms) = 0;
  virtual std::uint64_t TickMs() = 0;  // monotonic
};

IClock& SystemClock();

// The common case of a message box, in one call.
inline MsgButton ShowMessage(IUser& user, MsgKind kind, const std::wstring& text, unsigned buttons = kOk,
                             MsgButton defaultButton = kOk, int helpContext = 0) {
  MessageRequest m;
  m.kind = kind;
  m.text = text;
  m.buttons = buttons;
  m.defaultButton = defaultButton;
  m.helpContext = helpContext;
  return user.Message(m);
}

}  // namespace ruzer

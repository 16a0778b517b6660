// Drives the program's real dialogs as a user would, from a timer that runs
// inside their modal loops: each step waits until a dialog with its caption is
// the one the user can reach (visible and enabled), then types, ticks, picks and
// presses there. Buttons are pressed by posting their click, so a press that
// opens a nested dialog returns at once and the next step finds that dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ruzer::test {

// Windows need a display (scripts/xvfb.sh); without one there is nothing to drive.
bool CanShowWindows();

// One open dialog, as the steps see it.
class DialogHandle {
 public:
  explicit DialogHandle(HWND dlg) : dlg_(dlg) {}
  HWND hwnd() const { return dlg_; }
  HWND item(int id) const { return GetDlgItem(dlg_, id); }

  std::wstring caption() const;
  std::wstring text(int id) const;
  bool enabled(int id) const;
  bool visible(int id) const;
  bool checked(int id) const;
  bool focused(int id) const;
  RECT rect(int id) const;  // in the dialog's client pixels

  // Replaces the text of an edit (or combo box), as typing would, with EN_CHANGE.
  void type(int id, const std::wstring& text) const;
  // Sets a check box the way a click does (BN_CLICKED follows when it changes).
  void tick(int id, bool on) const;
  // Moves the focus to a control (the previous one sees it leave).
  void focus(int id) const;
  // Selects row `row` of a list box or list view (LBN_SELCHANGE / LVN_ITEMCHANGED),
  // as a click does; `add` keeps the rows already selected.
  void pick(int id, int row, bool add = false) const;
  // Double-clicks a row of a list box or list view.
  void activate(int id, int row) const;
  // Presses a button (posted: the step returns before the handler runs).
  void press(int id) const;
  // A key pressed while the control has the focus (WM_KEYDOWN/WM_CHAR/WM_KEYUP posted).
  void key(int id, UINT vk) const;

  // Rows of a list box, or cells of one column of a list view.
  std::vector<std::wstring> rows(int id, int column = 0) const;
  std::vector<int> selectedRows(int id) const;

 private:
  HWND dlg_;
};

// The steps run in order, each once. The driver's destructor stops its timer;
// a step that never found its dialog within the time limit closes every open
// dialog of the thread so that the test fails instead of hanging.
class DialogDriver {
 public:
  explicit DialogDriver(int timeoutMs = 20000);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Adds a step for the dialog with this caption (empty: any dialog).
  DialogDriver& on(const std::wstring& caption, std::function<void(DialogHandle&)> step);

  bool done() const;  // every step ran
  bool timedOut() const;
  size_t stepsRun() const;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Run();

  struct Step {
    std::wstring caption;
    std::function<void(DialogHandle&)> act;
  };
  std::vector<Step> steps_;
  size_t next_ = 0;
  bool running_ = false;
  bool timedOut_ = false;
  DWORD deadline_ = 0;
  int timeoutMs_;
  UINT_PTR timer_ = 0;
};

// The dialog the user can reach now: visible, enabled, of this thread, with the
// caption (empty: any). nullptr when there is none.
HWND FindDialog(const std::wstring& caption = L"");

}  // namespace ruzer::test

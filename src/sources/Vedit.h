// Behaviour of the folder settings dialog TfEdit, free of any HWND: what each
// control does to the dialog's state and what OK checks before it closes.
// The Win32 view (Vedit_view) mirrors the state into its controls and calls these.
#pragma once

#include <string>
#include <vector>

#include "base/app.h"
#include "sources/Sledit.h"

namespace ruzer {

// The shell's folder browser as the dialog uses it.
struct BrowseResult {
  enum Kind { Cancelled, Failed, Chosen } kind = Cancelled;
  std::wstring path;
};

class IFolderBrowser {
 public:
  virtual ~IFolderBrowser() = default;
  // `root` empty: the whole shell name space; else nothing above it can be chosen.
  virtual BrowseResult Browse(const std::wstring& caption, const std::wstring& initial, const std::wstring& root) = 0;
};

// What the row commands need of the dialog: shown modally over `state`,
// which the command filled; true on OK with the results in `state`.
class IFolderDialog {
 public:
  virtual ~IFolderDialog() = default;
  virtual bool Show(FolderDialogState& state) = 0;
};

enum class PatternList { Save, Exclude };

// Checks what OK needs beyond the common folder-path check: a full path from a
// drive letter, no device path, no reserved or trailing-dot/blank names, no
// ":" after the drive, at most 260 characters. Shows a warning when refused.
bool CheckSourceFolderForm(App& app, const std::wstring& folder);

class FolderDialogLogic {
 public:
  FolderDialogLogic(App& app, IFolderBrowser& browser, FolderDialogState& state)
      : app_(app), browser_(browser), s_(state) {}

  // The focus left edtSrc.
  void SourceLeft();
  // btnRef.
  void BrowseSource();
  // chkNewDir was clicked; state.subFolders holds the new state.
  void SwitchClicked();
  // btAddDir or "+" in lbDir.
  void AddExcludedFolder();
  // btDelDir, btnDelf1, btnDelf2 or "-": removes the selected entries.
  static void RemoveEntries(std::vector<std::wstring>& list, const std::vector<int>& selected);
  void RemoveExcludedFolders() {
    RemoveEntries(s_.dirs, s_.dirSelection);
    s_.dirSelection.clear();
  }
  // btnAddf1/btnAddf2 or "+": a pattern from the pattern dialog.
  void AddPattern(PatternList which);
  // Double click on entry `index` of a pattern list.
  void ChangePattern(PatternList which, int index);
  // OK: true when the dialog may close.
  bool Ok();

  std::vector<std::wstring>& List(PatternList which) {
    return which == PatternList::Save ? s_.saves : s_.excludes;
  }

 private:
  App& app_;
  IFolderBrowser& browser_;
  FolderDialogState& s_;
};

// Fills the state for the three modes (the fields the commands reset).
void PrepareAdd(App& app, FolderDialogState& state);
void PrepareChange(App& app, FolderDialogState& state, int index);
void PrepareBulk(App& app, FolderDialogState& state, BulkKind kind, bool switchOn);
// Status text of bulk mode for a kind.
std::wstring BulkLabel(BulkKind kind);

}  // namespace ruzer

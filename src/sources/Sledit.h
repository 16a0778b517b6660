// Source rows: the operations that add, fill and select rows under the
// overlap rules (the folder comparisons behind them are in base/text.h).
#pragma once

#include <string>
#include <vector>

#include "base/app.h"
#include "base/text.h"

namespace ruzer {

// ---------------------------------------------------------------- folder settings dialog state

// The fields of the folder settings dialog TfEdit, as its behaviour and the
// row operations see them. The view only mirrors this into its controls.
enum class EditMode { Add, Change, Bulk };
enum class BulkKind { Save, Exclude, Switch };

struct FolderDialogState {
  EditMode mode = EditMode::Add;
  int row = -1;                   // change mode: index of the row being changed
  BulkKind bulk = BulkKind::Save;  // bulk mode: the one group that is open
  std::wstring src;               // edtSrc
  bool srcInTabOrder = true;      // edtSrc is skipped by Tab in change mode
  std::wstring comment;           // edtSpfol
  bool subFolders = true;         // chkNewDir
  std::vector<std::wstring> dirs;  // lbDir, relative to SourceAtOpen, kept sorted
  std::vector<int> dirSelection;   // selected entries of lbDir
  bool dirEnabled = true;          // lbDir, btAddDir, btDelDir
  std::vector<std::wstring> saves;     // lstFile1, sorted
  std::vector<std::wstring> excludes;  // lstFile2, sorted
  // Groups open for input (all of them except in bulk mode).
  bool srcGroupEnabled = true;  // pnlSrc
  bool switchEnabled = true;    // chkNewDir
  bool dirGroupEnabled = true;  // grpDir
  bool saveGroupEnabled = true;    // pnlBU1
  bool excludeGroupEnabled = true;  // pnlBU2
  std::wstring status;          // stsBar
  std::wstring sourceAtOpen;    // edtSrc as the command showed the dialog
};

// Inserts into a list kept in the list boxes' order (case-insensitive).
void InsertSorted(std::vector<std::wstring>& list, const std::wstring& entry);
// A path ending in "\" with more than three characters loses that backslash.
std::wstring StripFolderBackslash(const std::wstring& path);

// ---------------------------------------------------------------- rows and the overlap rules

// Checks the source folder confirmed in the folder settings dialog against
// every row but `skip` (-1: none). Refusals show their message; false then.
bool ValidateRowFolder(App& app, int skip, const std::wstring& folder);
// Checks a folder about to become a new row. A folder below an existing row is
// offered as that row's excluded folder (the page file is written after Yes);
// the result is false then too. Equality with a row is left to the callers.
bool AdmitNewRowFolder(App& app, const std::wstring& folder);
// Checks a picked excluded folder (relative) against the dialog's lbDir.
bool ValidateExcludedFolder(App& app, FolderDialogState& dialog, const std::wstring& rel);
// Re-expresses lbDir against a changed source folder; entries outside it go.
void RebaseExcludedFolders(FolderDialogState& dialog);

enum AddRowMode { kRowDefaults = 0, kRowFromDialog = 1 };
// Appends a row after AdmitNewRowFolder; mode 0 takes the page's default
// patterns and switch, mode 1 the fields of `dialog`. Renumbers; true when a
// row was added. Does not write the page file.
bool AddSourceRow(App& app, const std::wstring& folder, const std::wstring& comment, int mode = kRowDefaults,
                  const FolderDialogState* dialog = nullptr);
// The row at `index` takes the dialog's fields (the list re-sorts); returns
// the row's index afterwards.
int StoreDialogIntoRow(App& app, int index, const FolderDialogState& dialog);
// Selects only `index` and scrolls it into view; -1 clears the selection.
void SelectRow(App& app, int index);

}  // namespace ruzer

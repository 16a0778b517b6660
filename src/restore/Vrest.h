// TfRest, the restore result dialog: for one folder, which versions of which
// files the generation folders hold, and the copy of the chosen versions back
// into the folder. This is its behaviour, free of any HWND; the Win32 view is
// in Vrest_view.h.
//
// Grid: row 0 is the header; column 0 the file name, column 1 "現在" (the file
// in the folder now), then one column per searched generation, newest first.
// A cell holds a packed time, not a string, so memory grows with the names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include <windows.h>

#include "base/app.h"
#include "base/grid.h"

namespace ruzer {

// ---------------------------------------------------------------- cell times

// 0: empty; kFailedCell: "×"; else local seconds since 1970 plus one.
using CellTime = std::uint32_t;
inline constexpr CellTime kNoTime = 0;
inline constexpr CellTime kFailedCell = 0xFFFFFFFFu;

// A file's own modification time (UTC, as listed) in local time, to the second.
CellTime CellTimeOfFile(const FILETIME& utc);
// The same with the bias of local time to UTC given (LocalBiasTicks, the one
// FileTimeToLocalFileTime applies now): a search converts many times at once.
CellTime CellTimeOfFile(const FILETIME& utc, std::int64_t bias);
std::int64_t LocalBiasTicks();
// The listing's packed date of the file: local time in two-second steps.
CellTime CellTimeOfListing(const FILETIME& utc);
// A local time given as its parts (tests and the benchmark).
CellTime CellTimeOfLocal(const SYSTEMTIME& local);
// "yy/mm/dd hh:nn:ss" with the locale's date and time separators; "×"; "".
std::wstring FormatCellTime(CellTime t);

// ---------------------------------------------------------------- generations

// The generation folder name of a line of the search dialog's list
// ("10年 05月 01日 B : memo" -> "100501B").
std::wstring GenerationOfLine(const std::wstring& line);
// The generations searched: from the newest line down to the selected one.
std::vector<std::wstring> SearchedGenerations(const std::vector<std::wstring>& lines, int selected);

// The search folder as a full path without trailing backslash ("D:" for a
// drive root), "." and ".." resolved; empty when it is no full drive or
// network path that Windows could create.
std::wstring NormalizedSearchFolder(const std::wstring& text);

// Where a folder's files lie inside a generation, relative to it: first
// MirrorName (D:\A\B -> D_A\B), then, for a folder below a drive root, the
// place a drive-root row keeps it (D\A\B).
std::vector<std::wstring> PlacesInGeneration(const std::wstring& folder);

// ---------------------------------------------------------------- the grid

class RestoreGrid final : public IGridModel {
 public:
  // New search: the header row for these generations, no names, no cells. The
  // row count never shrinks (it starts at a header and five empty rows).
  void Reset(const std::vector<std::wstring>& generations);

  // Row of a name (case-insensitive), -1 when not there.
  int FindName(std::wstring_view name) const;
  // Row of the name, appended when new.
  int AddName(std::wstring_view name);
  int NameCount() const { return static_cast<int>(names_.size()); }
  const std::wstring& Name(int row) const { return names_[row - 1]; }
  const std::vector<std::wstring>& generations() const { return generations_; }

  CellTime Cell(int row, int column) const;
  void SetCell(int row, int column, CellTime t, std::uint8_t place = 0);
  // Which of PlacesInGeneration the copy of a generation cell was found in.
  std::uint8_t Place(int row, int column) const;

  // IGridModel
  int RowCount() override { return rowCount_; }
  int ColumnCount() override { return columns_; }
  void CellText(int row, int column, std::wstring& out) override;

  // Bytes held for names and cells (benchmark).
  std::size_t MemoryBytes() const;

 private:
  const std::wstring& Key(std::wstring_view name) const;  // upper case, in key_

  std::vector<std::wstring> generations_;
  std::vector<std::wstring> names_;
  std::unordered_map<std::wstring, int> index_;  // upper-case name -> row
  std::vector<CellTime> cells_;                  // row-major, columns 1.. per name
  std::vector<std::uint8_t> places_;             // parallel to cells_
  int columns_ = 2;
  int rowCount_ = 6;
  mutable std::wstring key_;
};

// ---------------------------------------------------------------- the dialog

// What the search dialog hands over.
struct RestoreRequest {
  std::wstring folder;              // the search folder as typed
  std::vector<std::wstring> lines;  // the generation list
  int selected = 0;                 // its selected line
};

// Opens the result dialog modally (the search dialog holds it).
class IRestoreDialog {
 public:
  virtual ~IRestoreDialog() = default;
  virtual void Show(const RestoreRequest& request) = 0;
};

// What the behaviour changes on the dialog.
class IRestView {
 public:
  virtual ~IRestView() = default;
  virtual void SetStatus(const std::wstring& text) = 0;
  virtual void SetRestoreEnabled(bool enabled) = 0;
  // The grid's rows or columns changed / only cells changed.
  virtual void GridReloaded() = 0;
  virtual void CellsChanged() = 0;
  virtual GridRange Selection() = 0;
  // Widths in 96-DPI pixels.
  virtual void SetDefaultColumnWidth(int width) = 0;
  virtual void SetColumnWidth(int column, int width) = 0;
};

struct RestState {
  std::wstring base;    // destination with a trailing backslash
  std::wstring folder;  // the search folder, no trailing backslash
  std::vector<std::wstring> places;
  RestoreGrid grid;
  bool timeDisplay = false;  // ckDtime
  bool searching = false, restoring = false;
  bool closeWhenDone = false;  // exit pressed while a search or restore ran
};

// Opening: grid set-up and the search.
void OpenRestore(App& app, RestState& st, IRestView& view, const RestoreRequest& request);
void SearchVersions(App& app, RestState& st, IRestView& view);
// btnRest.
void RestoreSelection(App& app, RestState& st, IRestView& view);
// One cell: the version of generation column `column` back into the folder.
// False when it failed (its message was shown).
bool RestoreOneFile(App& app, RestState& st, int row, int column);
// The box of a failed copy back (error code e): sharing violation, disk full, other.
void ShowRestoreFailure(App& app, const std::wstring& source, const std::wstring& target, DWORD e);
// ckDtime.
void TimeDisplayChanged(RestState& st, IRestView& view, bool checked);
// btnExit / closing: true when the dialog may close now; otherwise it closes
// when the running search or restore has returned (st.closeWhenDone).
bool ExitPressed(App& app, RestState& st, IRestView& view);
// The dialog closed, by whatever means.
void RestoreClosed(App& app, RestState& st);

// The source of a grid cell's copy (full path), for messages and tests.
std::wstring CellSource(const RestState& st, int row, int column);

}  // namespace ruzer

// TfFind, "ファイルを探す": every stored version of the files whose names
// match a pattern, in every generation and mirror of the active page's
// destination, newest generation first; the chosen versions go back to their
// own folders, into a folder the user picks, or open from a temporary copy.
// This is its behaviour, free of any HWND; the Win32 view is in Vfind_view.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

#include "base/app.h"

namespace ruzer {

// ---------------------------------------------------------------- names

// The name patterns of the search: "*" and "?" wildcards, several separated
// by ";", letter case ignored (as in the source rows' patterns). A piece
// without a wildcard matches the names that contain it.
class NamePatterns {
 public:
  explicit NamePatterns(const std::wstring& text);
  const std::vector<std::wstring>& pieces() const { return pieces_; }  // as typed, trimmed
  bool Matches(std::wstring_view name) const;

 private:
  std::vector<std::wstring> pieces_, lowered_;
  mutable std::wstring name_;  // one buffer for every name of a search
};

// The source folder of a folder inside a generation, given relative to the
// generation (the inverse of MirrorName, the row's own folders kept):
// D_A\B -> D:\A\B, D -> D:\, D\A -> D:\A, __srv\share\x -> \\srv\share\x.
// Empty when `rel` lies in no mirror.
std::wstring SourceOfMirror(const std::wstring& rel);

// "name (yymmddX).ext": the name of a restored copy kept beside another version.
std::wstring NameWithGeneration(const std::wstring& name, const std::wstring& generation);

// ---------------------------------------------------------------- results

// The file at the source now, against the stored version (現在).
enum class NowState : std::uint8_t { Missing, Same, Changed };

struct FoundVersion {
  std::wstring name;
  std::wstring folder;  // the source folder: "D:\A\B", "D:\" for a drive root
  std::wstring stored;  // full path of the stored copy
  int generation = 0;   // index into FindState::generations (0 = the newest)
  FILETIME lastWrite{};
  std::uint64_t size = 0;
  NowState now = NowState::Missing;
};

// Columns of the result list.
enum FindColumn : int { kColName, kColFolder, kColGeneration, kColTime, kColSize, kColNow, kColMemo, kFindColumns };

struct FindState {
  std::wstring pattern;  // edtName
  std::wstring folder;   // edtFolder: empty, or the source folder to search below
  std::wstring status;   // stsBar
  bool searching = false, copying = false;

  std::wstring dest;                      // the destination searched, trailing backslash
  std::wstring searchRoot;                // the folder field of that search, as a full path
  std::vector<std::wstring> generations;  // searched, newest first
  std::vector<std::wstring> memos;        // first memo line of each
  std::vector<FoundVersion> hits;
  std::vector<int> order;  // shown rows: indices into hits
  int sortColumn = kColGeneration;
  bool sortDescending = false;  // generation ascending is newest first
  std::wstring lastTarget;      // where "別の場所へ" copied last
  // A folder as it was: the generations to choose from (cbDay, newest first)
  // as lines of the restore search ("10年 05月 01日 A : memo") and as names.
  std::vector<std::wstring> days, dayGenerations;
  int day = -1;
  std::vector<std::wstring> opened;  // temporary copies made by "開く"
};

// What the behaviour changes on the dialog.
class IFindView {
 public:
  virtual ~IFindView() = default;
  virtual void SetStatus(const std::wstring& text) = 0;
  // A search or copy runs: 検索 gives way to 中止, the other buttons are off.
  virtual void SetRunning(bool running) = 0;
  // The rows (count or order) changed / only texts of rows changed.
  virtual void RowsChanged() = 0;
  virtual void RowTextsChanged() = 0;
  // Selected rows, in shown order.
  virtual std::vector<int> SelectedRows() = 0;
  // Opens a file with the program the system has for it.
  virtual bool OpenDocument(const std::wstring& path) = 0;
};

// The narrow interface the main window opens the dialog through.
class IFindDialog {
 public:
  virtual ~IFindDialog() = default;
  virtual void Show() = 0;  // modal
};

// A cell of the list: row in shown order.
std::wstring FindCellText(const FindState& st, int row, int column);

// 検索(&S): checks the input and the destination, then searches. Nothing is written.
void FindSearch(App& app, FindState& st, IFindView& view);
// 参照(&B) beside the folder field.
void FindBrowseFolder(App& app, FindState& st);
// A click on a column header: sorts by it, a second click the other way round.
void FindSortBy(FindState& st, IFindView& view, int column);
// 復元(&R): the selected versions back into their own folders.
void FindRestore(App& app, FindState& st, IFindView& view);
// 別の場所へ(&O): the selected versions into a folder the user picks.
void FindRestoreElsewhere(App& app, FindState& st, IFindView& view);
// 開く(&P): the selected version opened from a read-only copy in the temp folder.
void FindOpen(App& app, FindState& st, IFindView& view);
// The dialog opens: the generations a folder can be restored as of.
void FindOpened(App& app, FindState& st);
// この日の状態で復元(&Y): the folder of edtFolder with all its sub-folders as
// it was when the chosen generation was made, into a new folder "name
// (yymmddX)" in a folder the user picks. Each file comes from that generation
// if it holds it, else from the next newer one, up to the newest; so files
// made later are there too (no generation records when a file was made).
void FindRestoreAsOf(App& app, FindState& st, IFindView& view);
// 中止 / Esc / closing: true when the dialog may close now (nothing runs).
bool FindCancel(App& app, FindState& st);
// The dialog closed: the temporary copies that no program holds any more go.
void FindClosed(App& app, FindState& st);

}  // namespace ruzer

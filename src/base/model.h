// In-memory model of a file set: the page list and its index table, and the
// active page's backup conditions and source rows. On the ground floor, as
// App holds them; the store reads and writes them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ruzer {

// Backup conditions of the active page.
struct EnvPanel {
  std::wstring tamdir;   // destination folder ("Path=")
  std::wstring volname;  // volume label the medium must carry ("Labl=")
  std::int32_t backdays = 15;  // retention in days ("Bday=")
  // check[0..3] are flags 1..4: [1] once a day in automatic mode,
  // [3] sub-folder switch given to new rows.
  std::array<bool, 4> check{true, true, false, true};
  std::wstring defSave1 = L"*.*";  // default save patterns ("Yfil=")
  std::wstring defSave2;           // default exclude patterns ("Zfil=")

  // Not stored as fields of their own:
  // The "Bday=" line as the file has it when its value is no integer. The
  // page is then not backed up, and writing the page keeps that line until
  // the user sets a retention.
  std::wstring badRetention;
  // The same folder as tamdir on the drive where the medium with volname was
  // found this time (USB disks change letters); empty: tamdir itself.
  std::wstring tamdirFound;

  bool operator==(const EnvPanel&) const = default;
};

// One row of the source list (seven columns plus its excluded folders).
struct SourceRow {
  std::wstring caption;   // source folder ("Sorc=")
  std::wstring comment;   // special folder name or comment ("Efol=")
  std::wstring no;        // position from "1", not stored
  std::wstring size;      // last measured size in KB, not stored
  std::wstring save;      // save patterns, packed ("Wfil=")
  std::wstring exclude;   // exclude patterns, packed ("Xfil=")
  std::wstring mark;      // "o" when sub-folders are backed up ("Mark=")
  std::wstring excluded;  // ExcludedFolderList, packed ("U" lines)

  bool operator==(const SourceRow&) const = default;
};

// One row of PageIndexTable (row 0 is the title row).
struct IndexRow {
  std::wstring no;     // "No."
  std::wstring name;   // "設定ページ"
  std::wstring dest;   // "バックアップ先"
  std::wstring label;  // "ボリューム名"
  std::wstring last;   // "最新バックアップ日", "yyyy/mm/dd hh:nn:ss" or empty

  bool operator==(const IndexRow&) const = default;
};

// ---- ExcludedFolderList of one row (packed, as in SourceRow::excluded)
std::wstring GetExcludedFolders(const SourceRow& row);
// Replaces the list with `text`, or with `append` adds it behind; appending
// nothing keeps the list.
void SetExcludedFolders(const std::wstring& text, SourceRow& row, bool append);

}  // namespace ruzer

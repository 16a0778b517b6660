// Source lists of versions before 6.00: every folder had a row of its own.
// They are turned into rows with sub-folders and excluded folders.
#pragma once

#include <string>

#include "base/app.h"

namespace ruzer {

// Converts app.oldRows (just read by ReadPageFile) into source rows and
// writes the page file.
void ConvertOldList(App& app);

// Menu "旧バージョンのデータ変換(&V)": reads the ".BAK" copy of the active
// page again and converts it.
void ReconvertFromBackup(App& app);

// Pattern lists joined by ":": the entries of b that a lacks (compared in
// lower case) are appended to a.
std::wstring MergePatternLists(const std::wstring& a, const std::wstring& b);

}  // namespace ruzer

// Source lists of versions before 6.00: every folder had a row of its own.
// They are turned into rows with sub-folders and excluded folders; the page
// store shows and writes what comes back.
#pragma once

#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

// The rows that app.oldRows (just read by ReadPageFile, in page order)
// become, after those already in app.rows; the old rows are numbered on the
// way. Pumps messages between rows; shows and writes nothing.
std::vector<SourceRow> ConvertOldRows(App& app);

// Pattern lists joined by ":": the entries of b that a lacks (compared in
// lower case) are appended to a.
std::wstring MergePatternLists(const std::wstring& a, const std::wstring& b);

}  // namespace ruzer

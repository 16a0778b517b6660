// The index file (.IDX) of a file set and the page list it carries; every
// change is written through at once.
#pragma once

#include <string>

#include "base/app.h"

namespace ruzer {

// ---- index file
void ReadIndexFile(App& app);
bool WriteIndexFile(App& app);
bool ConvertIndexEncoding(App& app);
void RecordLastBackup(App& app, int page, const SYSTEMTIME& start);
void WriteTreeWidth(App& app, int width);  // folder-tree width update

// ---- page list
void AddPageTab(App& app, const std::wstring& name);
void DeletePageTab(App& app);
void AttachPagePanel(App& app);

}  // namespace ruzer

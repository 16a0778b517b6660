// The file set store: index file (.IDX) and page files (.PAG), the page list
// and the active page. Every change is written through at once.
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

// ---- page file
bool ReadPageFile(App& app, bool fromBackup);
bool WritePageFile(App& app);
void LoadActivePage(App& app);
// Tab `index` became active (the user's tab change, or a caller that switches
// pages the same way). While a page is loading only the panel moves; the chosen
// page is loaded once that load is over.
void PageChanged(App& app, int index);
// Loads the tab chosen while a page was loading, once nothing is loading.
void RunPendingPageChange(App& app);
void RenumberRows(App& app, bool sortFirst);
void ReadPageFlags(App& app);
double ReadPageVersion(App& app, int page);
// The message for a page whose "Bday=" is no integer (env.badRetention):
// which file, which value, and that the page is not backed up meanwhile.
std::wstring BadRetentionText(const App& app);
std::wstring SourceListCaption(const App& app);

}  // namespace ruzer

// The file set store: page files (.PAG) and the active page (the index file
// and the page list are in store/Sindex.h). Every change is written through at once.
#pragma once

#include <string>

#include "base/app.h"
// The page list and the index come with the pages: most callers need both.
#include "store/Sindex.h"

namespace ruzer {

// ---- page file
bool ReadPageFile(App& app, bool fromBackup);
bool WritePageFile(App& app);
void LoadActivePage(App& app);
// Menu "旧バージョンのデータ変換(&V)": reads the ".BAK" copy of the active
// page again and converts it.
void ReconvertFromBackup(App& app);
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

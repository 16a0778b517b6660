// The main window's commands that edit the source list of the active page:
// change, add and delete rows, and the bulk change of several rows. Each change
// is written to the page file at once; a page file that cannot be written
// takes the change back, so the list always shows what the file holds.
#pragma once

#include "base/app.h"
#include "sources/Vedit.h"

namespace ruzer {

void ChangeRow(App& app);
void AddRow(App& app);
void DeleteRows(App& app);
void BulkChange(App& app, BulkKind kind);

}  // namespace ruzer

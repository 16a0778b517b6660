// Drag and drop between the main window's lists and onto them: a folder of the
// folder tree (or of Explorer) dropped on the source list becomes a row, and a
// line dragged from one list to another finds its counterpart there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

// The control a drag started from.
enum class DragControl { None, Tree, SourceList, ErrorList, SizeList, OldList };

// A drag started: the three list views note themselves in app.DragSourceKind.
void BeginDrag(App& app, DragControl from);
// The drag is over, wherever it ended (dropped, cancelled, on no target): a
// list drag never outlives its own drop.
void EndDrag(App& app);

// Folder of an error-list line: the text before the first "<" up to its last
// backslash. Page header lines ("{...") and lines without "<" have none.
std::optional<std::wstring> ErrorLineFolder(const std::wstring& line);

// Drops, one per target. `besideRow`: the point lies to the right of a row's
// cells (not on a row, not below the rows); a folder dropped there is ignored.
void DropOnSourceList(App& app, DragControl from, bool besideRow);
void DropOnTree(App& app, DragControl from);
void DropOnSizeList(App& app, DragControl from);
void DropOnOldList(App& app, DragControl from);

// Files and folders dropped from another program (CF_HDROP) on the source list:
// each folder is registered as a folder of the tree would be; files are refused.
void DropPathsOnSourceList(App& app, const std::vector<std::wstring>& paths, bool besideRow);

// Registers `path` (display text `text`) as a dropped folder: checks, comment
// or warning for an existing row, or a new row written to the page file.
void RegisterDroppedFolder(App& app, const std::wstring& path, const std::wstring& text);

}  // namespace ruzer

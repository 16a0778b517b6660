// Re-ordering of the settings pages (TfXsort): the rows of PageIndexTable are
// dragged into a new order; OK makes it the page order.
#pragma once

#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

struct PageSortState {
  std::wstring indexPath;      // shown above the grid
  IndexRow title;              // the grid's title row
  std::vector<IndexRow> rows;  // one per page, in the order shown
  std::vector<int> origin;     // page position each row had when the dialog opened
};

// The window of TfXsort. Show is modal and returns true on OK; row drags go
// through MovePageRow.
class IPageSortDialog {
 public:
  virtual ~IPageSortDialog() = default;
  virtual bool Show(App& app, PageSortState& state) = 0;
};

PageSortState PageSortStateOf(const App& app);
// Drag of row `from` onto position `to` (both from 0); No. renumbered 1..n.
void MovePageRow(PageSortState& state, int from, int to);
// OK: the rows' order becomes the page order, the active page stays active,
// and the index file is written. False (and nothing changed) when the index
// file could not take the new order.
bool ApplyPageOrder(App& app, const PageSortState& state);
// mnuXsort.
void SortPages(App& app);

}  // namespace ruzer

#include "shell/Vxsort.h"

#include "base/services.h"
#include "shell/Vpage.h"
#include "store/Spage.h"

namespace ruzer {

PageSortState PageSortStateOf(const App& app) {
  PageSortState s;
  s.indexPath = app.IndexPath();
  if (!app.PageIndexTable.empty()) s.title = app.PageIndexTable[0];
  for (size_t i = 0; i < app.pages.size(); ++i) {
    IndexRow row = i + 1 < app.PageIndexTable.size() ? app.PageIndexTable[i + 1] : IndexRow{};
    row.no = std::to_wstring(i + 1);
    row.name = app.pages[i];
    s.rows.push_back(row);
    s.origin.push_back(static_cast<int>(i));
  }
  return s;
}

void MovePageRow(PageSortState& s, int from, int to) {
  const int n = static_cast<int>(s.rows.size());
  if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
  IndexRow row = s.rows[static_cast<size_t>(from)];
  const int origin = s.origin[static_cast<size_t>(from)];
  s.rows.erase(s.rows.begin() + from);
  s.origin.erase(s.origin.begin() + from);
  s.rows.insert(s.rows.begin() + to, row);
  s.origin.insert(s.origin.begin() + to, origin);
  for (int i = 0; i < n; ++i) s.rows[static_cast<size_t>(i)].no = std::to_wstring(i + 1);
}

bool ApplyPageOrder(App& app, const PageSortState& s) {
  if (s.rows.size() != app.pages.size()) return false;
  const std::vector<std::wstring> oldPages = app.pages;
  const std::vector<IndexRow> oldTable = app.PageIndexTable;
  const int oldActive = app.activePage;

  std::vector<IndexRow> table;
  table.push_back(oldTable.empty() ? s.title : oldTable[0]);
  int active = 0;
  for (size_t i = 0; i < s.rows.size(); ++i) {
    const int from = s.origin[i];
    if (from == oldActive) active = static_cast<int>(i);
    IndexRow row = s.rows[i];
    row.no = std::to_wstring(i + 1);
    row.name = oldPages[static_cast<size_t>(from)];
    app.pages[i] = row.name;
    table.push_back(row);
  }
  app.PageIndexTable = table;
  app.activePage = active;
  app.view.SetTabs(app.pages);
  app.view.SetActiveTab(app.activePage);
  AttachPagePanel(app);
  WriteIndexFile(app);
  if (IndexOnDiskMatches(app)) return true;
  // The window must show what the files hold.
  app.pages = oldPages;
  app.PageIndexTable = oldTable;
  app.activePage = oldActive;
  app.view.SetTabs(app.pages);
  app.view.SetActiveTab(app.activePage);
  AttachPagePanel(app);
  ShowMessage(app.user, MsgKind::Warning, L"目次ファイルに書き込めないため、ページの並べ替えを取り消しました.");
  return false;
}

void SortPages(App& app) {
  if (!app.pageSortDialog) return;
  PageSortState s = PageSortStateOf(app);
  if (!app.pageSortDialog->Show(app, s)) return;
  ApplyPageOrder(app, s);
}

}  // namespace ruzer

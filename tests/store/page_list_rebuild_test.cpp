// Opening a file set with many pages must not show and settle every page on its way.
#include "store_fixture.h"

namespace ruzer::test {
namespace {

class PageListRebuild : public StoreTest {};

TEST_F(PageListRebuild, ManyPagesAreShownOnceWithOneSettlingPause) {
  std::vector<IndexRow> pages;
  for (int i = 1; i <= 50; ++i) pages.push_back(IndexRow{L"", L"Page" + std::to_wstring(i), L"", L"", L""});
  WriteIndex(pages);
  ReadIndexFile(app);

  ASSERT_EQ(50u, app.pages.size());
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(0, t.view.activeTab);
  EXPECT_EQ(L"Page1", app.CurrentPageName);
  EXPECT_EQ(51u, app.PageIndexTable.size());
  EXPECT_EQ(L"Page50", app.PageIndexTable[50].name);
  // The page list is rebuilt silently, and the panel stays on the first tab:
  // nothing moves, so nothing pauses.
  EXPECT_EQ(std::vector<int>{}, t.clock.sleeps);
  EXPECT_EQ(1, t.view.attaches);
  EXPECT_FALSE(app.rebuildingPages);

  // Reading a smaller file set while the third tab is active removes the
  // extra pages just as quietly; the panel moves back to the first tab once.
  app.activePage = 2;
  AttachPagePanel(app);
  t.clock.sleeps.clear();
  WriteIndex({IndexRow{L"", L"Only", L"", L"", L""}});
  ReadIndexFile(app);
  EXPECT_EQ(std::vector<std::wstring>{L"Only"}, t.view.tabs);
  EXPECT_EQ(std::vector<int>{300}, t.clock.sleeps);
  EXPECT_EQ(L"Only", app.CurrentPageName);
}

}  // namespace
}  // namespace ruzer::test

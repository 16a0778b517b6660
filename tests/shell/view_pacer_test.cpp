// Pacing of the fast-changing texts of the main window: the newest value
// wins, nothing waits longer than one interval once asked again, nothing is lost.
#include <gtest/gtest.h>

#include "shell/ViewPacer.h"

namespace ruzer::test {
namespace {

TEST(ViewPacer, FirstTextIsDueAtOnceThenOnePerInterval) {
  ViewPacer p(100);
  EXPECT_FALSE(p.Due(0));  // nothing waits
  p.Set(ViewPacer::Status, L"a");
  EXPECT_TRUE(p.Due(5000));
  ViewPacer::Batch b = p.Take(5000);
  ASSERT_TRUE(b.text[ViewPacer::Status]);
  EXPECT_EQ(L"a", *b.text[ViewPacer::Status]);
  EXPECT_FALSE(b.text[ViewPacer::FreeSpace]);
  EXPECT_FALSE(p.Pending());

  p.Set(ViewPacer::Status, L"b");
  p.Set(ViewPacer::Status, L"c");
  p.Set(ViewPacer::ColumnTitle, L"<C:\\x>");
  EXPECT_FALSE(p.Due(5099));
  EXPECT_TRUE(p.Due(5100));
  b = p.Take(5100);
  EXPECT_EQ(L"c", *b.text[ViewPacer::Status]);  // only the newest is drawn
  EXPECT_EQ(L"<C:\\x>", *b.text[ViewPacer::ColumnTitle]);
  EXPECT_FALSE(b.scrollErrorList);
}

TEST(ViewPacer, EmptyTextAndScrollAreKeptLikeAnyOther) {
  ViewPacer p(100);
  p.Take(0);
  p.Set(ViewPacer::FreeSpace, L"");
  p.ScrollErrorList();
  EXPECT_TRUE(p.Pending());
  EXPECT_FALSE(p.Due(50));
  const ViewPacer::Batch b = p.Take(50);  // drawn early when the caller must
  ASSERT_TRUE(b.text[ViewPacer::FreeSpace]);
  EXPECT_EQ(L"", *b.text[ViewPacer::FreeSpace]);
  EXPECT_TRUE(b.scrollErrorList);
  EXPECT_FALSE(p.Pending());
  EXPECT_FALSE(p.Take(60).scrollErrorList);
}

}  // namespace
}  // namespace ruzer::test

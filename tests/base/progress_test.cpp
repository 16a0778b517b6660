// The count and estimate beside the progress bar, and how far the bar goes.
#include <gtest/gtest.h>

#include "base/progress.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

App::Progress Counting(std::uint64_t items, std::uint64_t total, std::uint64_t bytes = 0, std::uint64_t totalBytes = 0) {
  App::Progress p;
  p.active = true;
  p.items = items;
  p.totalItems = total;
  p.bytes = bytes;
  p.totalBytes = totalBytes;
  p.marquee = total == 0;
  p.unit = L"ファイル";
  return p;
}

TEST(Progress, TextBesideTheBar) {
  const std::uint64_t s = 1000;
  struct Case {
    App::Progress p;
    std::uint64_t elapsedMs;
    std::wstring text;
    int permille;
  } cases[] = {
      {Counting(12345, 0), 60 * s, L"12,345 ファイル", 0},  // no total: the count alone
      {Counting(12345, 20000), 5 * s, L"12,345 / 20,000 ファイル", 617},  // no estimate before 10 s
      {Counting(5000, 20000), 60 * s, L"5,000 / 20,000 ファイル　残り約 3 分", 250},
      {Counting(10000, 20000), 100 * s, L"10,000 / 20,000 ファイル　残り約 2 分", 500},
      {Counting(19000, 20000), 60 * s, L"19,000 / 20,000 ファイル　残り 1 分未満", 950},
      {Counting(20000, 20000), 60 * s, L"20,000 / 20,000 ファイル　残り 1 分未満", 990},  // full only when done
      {Counting(23000, 20000), 60 * s, L"23,000 ファイル（前回より多い）", 990},
      // Bytes count half: half the files but nearly all the bytes.
      {Counting(500, 1000, 900, 1000), 20 * s, L"500 / 1,000 ファイル　残り 1 分未満", 700},
      {Counting(100, 1000, 2000, 1000), 20 * s, L"100 ファイル（前回より多い）", 990},
  };
  for (auto& c : cases) {
    c.p.startMs = 1000;
    EXPECT_EQ(Utf8(c.text), Utf8(ProgressText(c.p, 1000 + c.elapsedMs))) << Utf8(c.text);
    EXPECT_EQ(c.permille, ProgressPermille(c.p)) << Utf8(c.text);
  }
}

TEST(Progress, DrawnAtAPaceShownFullWhenDoneAndGoneAtTheEnd) {
  TestApp t;
  ProgressStart(t.app, 4, 0);
  ASSERT_FALSE(t.view.progressHistory.empty());
  EXPECT_TRUE(t.view.progress.visible);
  EXPECT_FALSE(t.view.progress.marquee);
  EXPECT_EQ(TaskbarProgress::Normal, t.view.progress.taskbar);
  for (int i = 0; i < 4; ++i) ProgressAdd(t.app, 1, 0);
  EXPECT_EQ(990, t.view.progress.permille);
  EXPECT_EQ(L"4 / 4 ファイル", t.view.progress.text);
  ProgressFinish(t.app);
  EXPECT_EQ(1000, t.view.progress.permille);
  ProgressEnd(t.app);
  EXPECT_FALSE(t.view.progress.visible);
  EXPECT_EQ(TaskbarProgress::None, t.view.progress.taskbar);
  ProgressAdd(t.app, 1, 0);  // after the end nothing moves
  EXPECT_FALSE(t.view.progress.visible);

  // Unknown total: a moving bar; a stop by error leaves the taskbar red.
  ProgressStart(t.app, 0, 0);
  EXPECT_TRUE(t.view.progress.marquee);
  EXPECT_EQ(TaskbarProgress::Indeterminate, t.view.progress.taskbar);
  ProgressEnd(t.app, true);
  EXPECT_FALSE(t.view.progress.visible);
  EXPECT_EQ(TaskbarProgress::Error, t.view.progress.taskbar);
}

}  // namespace
}  // namespace ruzer::test

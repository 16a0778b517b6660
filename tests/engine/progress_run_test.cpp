// What the backup run shows of its progress: a moving bar the first time, a
// bar toward what the page's last run met afterwards, full at the end.
#include <gtest/gtest.h>

#include "base/services.h"
#include "base/textfile.h"
#include "support/backup_fixture.h"

namespace ruzer::test {
namespace {

class RunProgress : public ::testing::Test, public BackupFixture {};

TEST_F(RunProgress, FirstRunMovesSecondRunCountsTowardTheFirst) {
  for (int i = 0; i < 30; ++i) Put(src + L"\\d" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(i) + L".txt", "12345");
  AddRow(src);
  Backup();
  ASSERT_FALSE(t.view.progressHistory.empty());
  EXPECT_TRUE(t.view.progressHistory.front().marquee);
  EXPECT_EQ(TaskbarProgress::Indeterminate, t.view.progressHistory.front().taskbar);
  EXPECT_FALSE(t.view.progress.visible);
  EXPECT_EQ(TaskbarProgress::None, t.view.progress.taskbar);
  EXPECT_EQ((std::vector<std::wstring>{L"Home=30,150"}), ReadUtf16Lines(sets + L"\\RUZER.CNT"));

  t.view.progressHistory.clear();
  Day(2010, 5, 2);
  Backup();
  int last = -1;
  bool full = false;
  for (const auto& p : t.view.progressHistory) {
    if (!p.visible) continue;
    EXPECT_FALSE(p.marquee);
    EXPECT_GE(p.permille, last);
    last = p.permille;
    full |= p.permille == 1000;
  }
  EXPECT_TRUE(full);
  EXPECT_GT(t.view.progressHistory.size(), 3u);
  EXPECT_EQ(0u, t.view.progressHistory[t.view.progressHistory.size() - 3].text.rfind(L"30 / 30 ファイル", 0));
  EXPECT_FALSE(t.view.progress.visible);
}

// An aborted run records no count: the next run keeps the last complete one.
TEST_F(RunProgress, AnAbortedRunKeepsTheLastCompleteCount) {
  for (int i = 0; i < 10; ++i) Put(src + L"\\f" + std::to_wstring(i) + L".txt", "x");
  AddRow(src);
  Backup();
  for (int i = 10; i < 20; ++i) Put(src + L"\\f" + std::to_wstring(i) + L".txt", "x");
  Day(2010, 5, 2);
  t.view.onPump = [&] {
    if (t.view.status.rfind(src + L"\\f1", 0) == 0) AbortCommand(app());
  };
  Backup();
  t.view.onPump = nullptr;
  EXPECT_EQ(L"バックアップ中断．", t.view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"Home=10,10"}), ReadUtf16Lines(sets + L"\\RUZER.CNT"));
}

// A count file damaged or written by hand tells nothing: a moving bar, and a
// completed run writes a sound line for the page again, keeping the others.
TEST_F(RunProgress, ADamagedCountFileGivesAMovingBar) {
  Put(src + L"\\a.txt", "abc");
  AddRow(src);
  ASSERT_TRUE(WriteBytes(sets + L"\\RUZER.CNT",
                         Utf16File({L"Home=12x,5", L"garbage", L"Gone=1,1", L"Home=99999999999999999999,1"})));
  Backup();
  ASSERT_FALSE(t.view.progressHistory.empty());
  EXPECT_TRUE(t.view.progressHistory.front().marquee);
  EXPECT_EQ((std::vector<std::wstring>{L"Home=1,3"}), ReadUtf16Lines(sets + L"\\RUZER.CNT"));
}

}  // namespace
}  // namespace ruzer::test

#include <gtest/gtest.h>

#include "measure/Vcheck.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

constexpr std::int64_t kGB = 1073741824;
constexpr std::int64_t kTB = 1024 * kGB;

TEST(MeasureArithmetic, AllocationIsOneClusterMoreThanTheFullClusters) {
  struct Case {
    std::int64_t size, cluster, expected;
  } cases[] = {
      {4096, 4096, 8192},  // an exact multiple still takes one more cluster
      {0, 4096, 4096},     // an empty file takes one cluster
      {4095, 4096, 4096},
      {4097, 4096, 8192},
      {1, 512, 512},
      {5 * kGB, 4096, 5 * kGB + 4096},          // above 4 GB: no 32-bit wrap
      {3 * kTB + 1, 65536, 3 * kTB + 65536},    // above 2 TB
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, AllocationSize(c.size, c.cluster)) << c.size << " / " << c.cluster;
}

TEST(MeasureArithmetic, FolderOverheadOnlyOffNtfs) {
  EXPECT_EQ(0, FolderOverhead(0, L"NTFS", 4096));
  EXPECT_EQ(0, FolderOverhead(0, L"NTFS5", 4096));  // the first four characters decide
  EXPECT_EQ(4096, FolderOverhead(0, L"FAT32", 4096));
  EXPECT_EQ(2048, FolderOverhead(0, L"FAT", 2048));
  EXPECT_EQ(4096, FolderOverhead(0, L"ntfs", 4096));  // compared exactly
  EXPECT_EQ(256, FolderOverhead(21, L"", 256));       // unreadable: charged like FAT
  EXPECT_EQ(4096, FolderOverhead(5, L"NTFS", 4096));   // a failed query's text is no answer
}

TEST(MeasureArithmetic, FiguresUseTheLocaleSeparatorAndRoundToWholeUnits) {
  EXPECT_EQ(L"1,206", FormatUnits(1234567, 1024));
  EXPECT_EQ(L"0", FormatUnits(0, 1024));
  EXPECT_EQ(L"2", FormatUnits(1536, 1024));  // half rounds up
  EXPECT_EQ(L"1", FormatUnits(1535, 1024));
  EXPECT_EQ(L"3,221,225,472", FormatUnits(3 * kTB, 1024));
  EXPECT_EQ(L"0 MB (  0%)", FormatMbPercent(0, 0));
  EXPECT_EQ(L"3,145,728 MB ( 75%)", FormatMbPercent(3 * kTB, 75));
  EXPECT_EQ(L"1 MB (100%)", FormatMbPercent(1048576, 100));
}

TEST(MeasureArithmetic, PercentIsWholeAnd64Bit) {
  EXPECT_EQ(75, Percent(3 * kTB, 4 * kTB));
  EXPECT_EQ(9, Percent(999, 10000));
  EXPECT_EQ(0, Percent(5, 0));
  EXPECT_EQ(0, Percent(5, -1));
  EXPECT_EQ(0, Percent(-1, 100));
  EXPECT_EQ(100, Percent(9000 * kTB, 9000 * kTB));  // x*100 would leave 64 bits
}

TEST(MeasureArithmetic, VerdictBoundaries) {
  struct Case {
    std::int64_t free, total, lastUse, planned;
    Verdict expected;
  } cases[] = {
      {900, 10000, 100, 1000, Verdict::Short},             // free + last use equal to planned: short
      {901, 10000, 100, 1000, Verdict::UnderTenPercent},   // one byte more, 9 % free
      {1000, 10000, 0, 500, Verdict::None},                // 10 % free, room enough
      {0, 10000, 0, 0, Verdict::Short},                    // full disk, nothing planned: still short
      {5000, 10000, 0, 5001, Verdict::Short},
      {-1, -1, 0, 10, Verdict::FreeUnknown},               // drive gone
      {0, 0, 0, 10, Verdict::FreeUnknown},                 // size unreadable
      {3 * kTB, 4 * kTB, kTB, 4 * kTB, Verdict::Short},    // 64-bit sums
      {3 * kTB, 4 * kTB, kTB, 4 * kTB - 1, Verdict::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, FreeSpaceVerdict(c.free, c.total, c.lastUse, c.planned))
        << c.free << " " << c.total << " " << c.lastUse << " " << c.planned;
  EXPECT_EQ(L"　　　空き容量不足の可能性があります．", VerdictText(Verdict::Short));
  EXPECT_EQ(L"　　　空き容量が10%未満です．", VerdictText(Verdict::UnderTenPercent));
  EXPECT_EQ(L"", VerdictText(Verdict::None));
}

}  // namespace
}  // namespace ruzer::test

#include <windows.h>

#include <gtest/gtest.h>

#include "support/text.h"

namespace ruzer::test {
TEST(Smoke, AnsiCodePageIsJapanese) { EXPECT_EQ(932u, GetACP()); }
TEST(Smoke, TempDirIsWritable) {
  TempDir d;
  EXPECT_TRUE(WriteBytes(d / L"日本語.txt", "x"));
  EXPECT_TRUE(FileExists(d / L"日本語.txt"));
}
}  // namespace ruzer::test

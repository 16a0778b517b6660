// The real program (ruzer.exe /A) meets a file that another program holds
// open: released within a few seconds it is backed up and the run says 0;
// held for the whole run it is one error line and the run says 1.
#include <gtest/gtest.h>

#include "base/textfile.h"
#include "process.h"
#include "support/backup_fixture.h"

namespace ruzer::test {
namespace {

class HeldByAnotherProgram : public ::testing::Test, public BackupFixture {
 protected:
  void SetUp() override {
    Put(src + L"\\mail.pst", "mailbox");
    Put(src + L"\\a.txt", "a");
    AddRow(src);
  }
  HANDLE Hold() {
    return CreateFileW((src + L"\\mail.pst").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }
  std::wstring Args() const { return L"/A \"" + sets + L"\\RUZER.IDX\""; }
  std::wstring Newest() {
    const auto gens = Generations(dest);
    return gens.empty() ? std::wstring() : dest + L"\\" + gens.back();
  }
};

TEST_F(HeldByAnotherProgram, ReleasedAfterThreeSecondsItIsBackedUp) {
  HANDLE h = Hold();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  RuzerProcess run;
  ASSERT_TRUE(run.Start(Args()));
  Sleep(3000);
  CloseHandle(h);
  ASSERT_TRUE(run.Wait(60000));
  EXPECT_EQ(0u, run.ExitCode());
  const std::wstring gen = Newest();
  ASSERT_FALSE(gen.empty());
  EXPECT_EQ("mailbox", ReadBytes(gen + L"\\" + MirrorName(src) + L"\\mail.pst"));
  EXPECT_EQ(0, PathKind(gen + L"\\ERROR.LOG"));
}

TEST_F(HeldByAnotherProgram, HeldThroughoutItIsOneErrorLine) {
  HANDLE h = Hold();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  RuzerProcess run;
  ASSERT_TRUE(run.Start(Args()));
  const bool ended = run.Wait(60000);
  CloseHandle(h);
  ASSERT_TRUE(ended);
  EXPECT_EQ(1u, run.ExitCode());
  const std::wstring gen = Newest();
  ASSERT_FALSE(gen.empty());
  EXPECT_EQ("a", ReadBytes(gen + L"\\" + MirrorName(src) + L"\\a.txt"));
  const TextReadResult log = ReadTextFile(gen + L"\\ERROR.LOG");
  ASSERT_TRUE(log.ok());
  ASSERT_EQ(1u, log.lines.size() - (log.lines.back().empty() ? 1 : 0));
  EXPECT_EQ(0u, log.lines[0].rfind(src + L"\\mail.pst <エラー:32> ", 0)) << Utf8(log.lines[0]);
}

}  // namespace
}  // namespace ruzer::test

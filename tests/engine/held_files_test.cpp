// Files another program holds open when the run reaches them get a second
// chance at the end of their page; only a file that fails again becomes an
// error line.
#include <gtest/gtest.h>

#include "base/services.h"
#include "base/textfile.h"
#include "support/backup_fixture.h"

namespace ruzer::test {
namespace {

using Files = std::map<std::wstring, std::string>;

class HeldFiles : public ::testing::Test, public BackupFixture {
 protected:
  // Opened without sharing, as a mail program holds its data file.
  HANDLE Hold(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
};

TEST_F(HeldFiles, AFileReleasedDuringTheWaitIsBackedUp) {
  Put(src + L"\\mail.pst", "mailbox");
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  HANDLE h = Hold(src + L"\\mail.pst");
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  bool waited = false;
  t.view.onPump = [&] {
    if (h != INVALID_HANDLE_VALUE && t.view.status == L"使用中のファイルを待っています...") {
      waited = true;
      CloseHandle(h);
      h = INVALID_HANDLE_VALUE;
    }
  };
  Backup();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  EXPECT_TRUE(waited);
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ."}), t.view.errorList);
  EXPECT_EQ((Files{{L"a.txt", "a"}, {L"mail.pst", "mailbox"}}), Tree(Mirror(L"100501A", src)));
}

// Held for the whole run: one error line for it, after the rest of the page,
// and the old copy is still kept in the previous generation.
TEST_F(HeldFiles, AFileHeldThroughoutGivesOneErrorLine) {
  Put(src + L"\\mail.pst", "old mailbox");
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  Backup();
  Put(src + L"\\mail.pst", "new mailbox");
  Put(src + L"\\a.txt", "a2");
  HANDLE h = Hold(src + L"\\mail.pst");
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  Day(2010, 5, 2);
  Backup();
  CloseHandle(h);
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  ASSERT_EQ(2u, t.view.errorList.size());
  EXPECT_EQ(0u, t.view.errorList[1].rfind(ErrorLine(ERROR_SHARING_VIOLATION, src + L"\\mail.pst"), 0))
      << Utf8(t.view.errorList[1]);
  EXPECT_EQ((Files{{L"a.txt", "a2"}}), Tree(Mirror(L"100502A", src)));
  EXPECT_EQ((Files{{L"a.txt", "a"}, {L"mail.pst", "old mailbox"}}), Tree(Mirror(L"100501A", src)));
  EXPECT_EQ(ReadBytes(dest + L"\\100502A\\ERROR.LOG"), EncodeAnsiLines({t.view.errorList[1]}));
}

// The abort key answers during the wait; the held file is then an error line.
TEST_F(HeldFiles, AbortDuringTheWaitStopsAtOnce) {
  Put(src + L"\\mail.pst", "mailbox");
  AddRow(src);
  HANDLE h = Hold(src + L"\\mail.pst");
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  t.view.onPump = [&] {
    if (t.view.status == L"使用中のファイルを待っています...") AbortCommand(app());
  };
  Backup();
  CloseHandle(h);
  EXPECT_EQ(L"バックアップ中断．", t.view.status);
  ASSERT_EQ(2u, t.view.errorList.size());
  EXPECT_EQ(ErrorLine(ERROR_SHARING_VIOLATION, src + L"\\mail.pst"), t.view.errorList[1]);
  EXPECT_LT(t.clock.sleeps.size(), 2u);
}

}  // namespace
}  // namespace ruzer::test

// What a user's own backup disks do that a plain folder does not: the
// labelled USB disk on another drive letter today, and a disk pulled out
// while the run copies.
#include <gtest/gtest.h>

#include <set>

#include "support/backup_fixture.h"
#include "support/drives.h"
#include "store/Spage.h"

namespace ruzer::test {
namespace {

class RealDisks : public ::testing::Test, public BackupFixture {
 protected:
  TempDir host;
};

// Yesterday the disk labelled BACKUP1 was another letter; today it is this
// one. The run backs up onto it, says where it found it, and the page file
// keeps its own path.
TEST_F(RealDisks, TheLabelledMediumOnAnotherLetterTakesTheBackup) {
  MakeFolder(host / L"usb");
  MappedDrive usb(HostPathOf(host / L"usb"), DRIVE_REMOVABLE, L"BACKUP1");
  ASSERT_TRUE(usb.ok()) << usb.error();
  MakeFolder(usb / L"Backup");
  const wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  const std::wstring yesterday = std::wstring(1, none) + L":\\Backup";
  app().env.tamdir = yesterday;
  app().env.volname = L"BACKUP1";
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  const std::string page = ReadBytes(sets + L"\\Home.PAG");

  Backup();
  t.user.VerifyDone();
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"100501A"}), Generations(usb / L"Backup"));
  EXPECT_EQ("a", ReadBytes(usb / (L"Backup\\100501A\\" + MirrorName(src) + L"\\a.txt")));
  const std::wstring found = usb / L"Backup";
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ.",
                                       L"ボリューム名 <BACKUP1> のメディアは " + found.substr(0, 2) +
                                           L" にありました．今回は <" + found + L"> を使います．"}),
            t.view.errorList);
  EXPECT_EQ(page, ReadBytes(sets + L"\\Home.PAG"));
  EXPECT_EQ(yesterday, app().env.tamdir);
}

// A disk with another label on the page's own letter is never written to,
// not even the lock file, when the labelled one cannot be found.
TEST_F(RealDisks, ADiskWithAnotherLabelIsNeverWrittenTo) {
  MakeFolder(host / L"stranger");
  MappedDrive stranger(HostPathOf(host / L"stranger"), DRIVE_REMOVABLE, L"HOLIDAY");
  ASSERT_TRUE(stranger.ok()) << stranger.error();
  MakeFolder(stranger / L"Backup");
  app().env.tamdir = stranger / L"Backup";
  app().env.volname = L"BACKUP1";
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  t.user.ExpectFull({L"ボリューム名 <BACKUP1> のメディアをセットしてください.", kCancel, false, MsgKind::Warning,
                     kRetry | kCancel});
  Backup();
  t.user.VerifyDone();
  EXPECT_TRUE(Tree(stranger / L"Backup").empty());
}

// The destination disappears while the run copies (USB disk pulled): the run
// stops at the first failure with one line and one box, not one per folder
// and file; an automatic run keeps its window and says 2. With the disk back
// the next run completes and every version is still there.
TEST_F(RealDisks, ADiskPulledOutStopsTheRunOnceAndTheNextRunCompletes) {
  MakeFolder(host / L"usb");
  MappedDrive usb(HostPathOf(host / L"usb"), DRIVE_REMOVABLE);
  ASSERT_TRUE(usb.ok()) << usb.error();
  MakeFolder(usb / L"Backup");
  app().env.tamdir = usb / L"Backup";
  app().env.backdays = 100;
  std::vector<std::wstring> names;
  for (int f = 0; f < 4; ++f)
    for (int i = 0; i < 15; ++i) names.push_back(L"d" + std::to_wstring(f) + L"\\f" + std::to_wstring(i) + L".txt");
  for (const auto& n : names) Put(src + L"\\" + n, "v1 " + Utf8(n));
  AddRow(src);
  Backup();
  ASSERT_EQ(L"バックアップ終了．", t.view.status);

  for (const auto& n : names) Put(src + L"\\" + n, "v2 " + Utf8(n));
  Day(2010, 5, 2);
  app().AutoMode = true;
  bool pulled = false;
  int copied = 0;
  t.view.onPump = [&] {
    if (pulled || t.view.status.rfind(src + L"\\", 0) != 0) return;
    if (++copied == 10) pulled = usb.Pull();
  };
  t.user.ExpectFull({L"バックアップ先 <" + usb / L"Backup" + L"> が見つかりません.\r\nバックアップを中止します.", kOk,
                     false, MsgKind::Error, kOk});
  Backup();
  t.view.onPump = nullptr;
  t.user.VerifyDone();
  ASSERT_TRUE(pulled);
  EXPECT_EQ(L"エラーにより中断．", t.view.status);
  EXPECT_EQ(2, app().ExitCode);
  EXPECT_FALSE(t.view.closed);
  ASSERT_EQ(2u, t.view.errorList.size());
  EXPECT_EQ(L"{Home} ページ.", t.view.errorList[0]);
  EXPECT_EQ(0u, t.view.errorList[1].rfind(usb / L"Backup <エラー:", 0)) << Utf8(t.view.errorList[1]);
  EXPECT_NE(0u, app().PageIndexTable[1].last.rfind(L"2010/05/02", 0));  // no backup recorded

  ASSERT_TRUE(usb.PlugIn());
  Day(2010, 5, 3);
  app().AutoMode = false;
  Backup();
  t.user.VerifyDone();
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  // The newest generation is the source; every first version is kept once.
  const auto gens = Generations(usb / L"Backup");
  ASSERT_FALSE(gens.empty());
  EXPECT_EQ(L"100503A", gens.back());
  std::multiset<std::string> held;
  for (const auto& g : gens)
    for (const auto& [rel, content] : Tree(usb / (L"Backup\\" + g)))
      if (rel.back() != L'\\' && rel.find(L'\\') != std::wstring::npos) held.insert(content);
  for (const auto& n : names) {
    EXPECT_EQ("v2 " + Utf8(n), ReadBytes(usb / (L"Backup\\100503A\\" + MirrorName(src) + L"\\" + n)));
    EXPECT_EQ(1u, held.count("v1 " + Utf8(n))) << Utf8(n);
    EXPECT_EQ(1u, held.count("v2 " + Utf8(n))) << Utf8(n);
  }
  for (const auto& g : gens) EXPECT_EQ(0, PathKind(usb / (L"Backup\\" + g + L"\\" + kWorkFolderName)));
}

}  // namespace
}  // namespace ruzer::test

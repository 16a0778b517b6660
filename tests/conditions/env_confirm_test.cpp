// OK of the backup conditions dialog: the checks in their order, then what is
// stored and written.
#include <gtest/gtest.h>

#include "conditions/env_fixture.h"
#include "engine/Sdskio.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

std::vector<std::wstring> IndexLines(const std::wstring& path) { return ReadUtf16Lines(path); }

TEST_F(EnvTest, OpeningFillsTheStateFromThePage) {
  app.env.tamdir = L"E:\\Backup";
  app.env.volname = L"VOL1";
  app.env.backdays = 30;
  app.env.check = {true, false, false, true};
  app.env.defSave1 = L"*.txt:*.DOC:a.b";
  app.env.defSave2 = L"*.tmp";
  const EnvDialogState s = EnvStateFromPanel(app);
  EXPECT_EQ(L"バックアップ条件設定 - P", s.caption);
  EXPECT_EQ(L"E:\\Backup", s.tamDir);
  EXPECT_EQ(L"VOL1", s.volName);
  EXPECT_EQ(L"30", s.backDays);
  EXPECT_FALSE(s.oncePerDay);
  EXPECT_TRUE(s.newDirSub);
  EXPECT_EQ((std::vector<std::wstring>{L"*.DOC", L"*.txt", L"a.b"}), s.files1);  // sorted, case ignored
  EXPECT_EQ((std::vector<std::wstring>{L"*.tmp"}), s.files2);
}

TEST_F(EnvTest, OkStoresWritesThePageAndEmptiesTheLastBackup) {
  const std::wstring dest = dir / L"Dest";
  ASSERT_TRUE(MakeFolder(dest));
  EnvDialogState s = Opened(dest);
  s.backDays = L" 45 ";
  s.oncePerDay = false;
  s.newDirSub = false;
  s.files1 = {L"*.doc", L"*.txt"};
  s.files2 = {L"*.bak"};
  ASSERT_TRUE(EnvConfirm(app, s));
  t.user.VerifyDone();

  EXPECT_EQ(dest, app.env.tamdir);
  EXPECT_EQ(45, app.env.backdays);
  EXPECT_EQ((std::array<bool, 4>{true, false, false, false}), app.env.check);
  EXPECT_EQ(L"*.doc:*.txt", app.env.defSave1);
  EXPECT_EQ(L"*.bak", app.env.defSave2);
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Vers=6.00", L"Path=" + dest, L"Labl=", L"Bday=45",
                                       L"Flgs=1000", L"Cont=0", L"Yfil=*.doc:*.txt", L"Zfil=*.bak"}),
            ReadUtf16Lines(Pag(L"P")));
  EXPECT_EQ(dest, app.PageIndexTable[1].dest);
  EXPECT_EQ(L"", app.PageIndexTable[1].last);
  // The destination changed: the index file was written again with the new row.
  const auto idx = IndexLines(Idx());
  EXPECT_NE(idx.end(), std::find(idx.begin(), idx.end(), L"Dpath1=" + dest));
  EXPECT_NE(idx.end(), std::find(idx.begin(), idx.end(), L"LstDy1="));
  EXPECT_NE(idx.end(), std::find(idx.begin(), idx.end(), L"LstDy2=2010/06/21 10:00:00"));
}

// A page whose retention was no number: the dialog shows the value as the
// file has it, and OK with a real number replaces it for good.
TEST_F(EnvTest, ADamagedRetentionIsShownAndReplacedByOk) {
  const std::wstring dest = dir / L"Dest";
  ASSERT_TRUE(MakeFolder(dest));
  app.env.tamdir = dest;
  app.env.badRetention = L"Bday=30x";
  EXPECT_EQ(L"30x", EnvStateFromPanel(app).backDays);
  EnvDialogState s = Opened(dest);
  s.backDays = L"30x";
  t.user.Expect(L"保存日数は１～300の値を設定してください.");
  EXPECT_FALSE(EnvConfirm(app, s));
  EXPECT_EQ(L"Bday=30x", app.env.badRetention);
  s.backDays = L"300";
  ASSERT_TRUE(EnvConfirm(app, s));
  EXPECT_EQ(L"", app.env.badRetention);
  EXPECT_EQ(L"Bday=300", ReadUtf16Lines(Pag(L"P"))[4]);
}

TEST_F(EnvTest, OnlyDaysChangedWritesThePageButNoSecondIndexWrite) {
  const std::wstring dest = dir / L"Dest";
  ASSERT_TRUE(MakeFolder(dest));
  app.env.tamdir = dest;
  app.PageIndexTable[1].dest = dest;
  ASSERT_TRUE(WriteIndexFile(app));
  EnvDialogState s = Opened(dest);
  s.backDays = L"7";
  ASSERT_TRUE(EnvConfirm(app, s));
  EXPECT_EQ(L"Bday=7", ReadUtf16Lines(Pag(L"P"))[4]);
  EXPECT_EQ(L"", app.PageIndexTable[1].last);
  // Written once, with the page file, before the time was emptied.
  const auto idx = IndexLines(Idx());
  EXPECT_NE(idx.end(), std::find(idx.begin(), idx.end(), L"LstDy1=2010/06/20 10:00:00"));
}

TEST_F(EnvTest, TrailingBackslashGoesExceptOnADriveRoot) {
  const std::wstring dest = dir / L"Dest";
  ASSERT_TRUE(MakeFolder(dest));
  struct Case {
    std::wstring typed, stored;
  };
  const std::wstring root = dest.substr(0, 3);  // the temp folder's drive, as "C:\"
  for (const Case& c : {Case{dest + L"\\", dest}, Case{root, root}}) {
    EnvDialogState s = Opened(c.typed);
    ASSERT_TRUE(EnvConfirm(app, s)) << Utf8(c.typed);
    EXPECT_EQ(c.stored, s.tamDir);
    EXPECT_EQ(c.stored, app.env.tamdir);
  }
}

TEST_F(EnvTest, RefusalsKeepEverythingAsItWas) {
  const std::wstring dest = dir / L"Dest";
  ASSERT_TRUE(MakeFolder(dest));
  ASSERT_TRUE(MakeFile(dir / L"AFile", "x"));
  struct Case {
    std::wstring tamDir, days, message;
  };
  const Case cases[] = {
      {L"", L"15", L"バックアップ先フォルダ名を設定してください."},
      {L"C:", L"15", L"フォルダ名が短か過ぎます."},
      {dir / L"a?b\\c*", L"15", L"フォルダ名に使えない文字 \"*\" が含まれています."},
      {dest, L"0", kBadDaysText},
      {dest, L"301", kBadDaysText},
      {dest, L"", kBadDaysText},
      {dest, L"abc", kBadDaysText},
      {dest, L"12x", kBadDaysText},
      {dest, L"-5", kBadDaysText},
      {dir / L"AFile", L"15",
       L"指定フォルダ名 <" + (dir / L"AFile") + L"> と同じ名前のファイルが存在します.\r\n別の名前にしてください."},
      {other, L"15", OtherPageHas(other)},
      {LowerText(other), L"15", OtherPageHas(LowerText(other))},
  };
  const std::string pageBefore = ReadBytes(Pag(L"P")), indexBefore = ReadBytes(Idx());
  const EnvPanel envBefore = app.env;
  for (const Case& c : cases) {
    EnvDialogState s = Opened(c.tamDir);
    s.backDays = c.days;
    ExpectBox(t.user, c.message, MsgKind::Warning);
    EXPECT_FALSE(EnvConfirm(app, s)) << Utf8(c.tamDir) << " / " << Utf8(c.days);
    t.user.VerifyDone();
    EXPECT_EQ(envBefore, app.env);
    EXPECT_EQ(pageBefore, ReadBytes(Pag(L"P")));
    EXPECT_EQ(indexBefore, ReadBytes(Idx()));
    EXPECT_EQ(L"2010/06/20 10:00:00", app.PageIndexTable[1].last);
  }
}

TEST_F(EnvTest, RetentionBoundsAreAccepted) {
  const std::wstring dest = dir / L"Dest";
  ASSERT_TRUE(MakeFolder(dest));
  for (const auto& [typed, days] : {std::pair<std::wstring, int>{L"1", 1}, {L"300", 300}, {L"３０", 30}}) {
    EnvDialogState s = Opened(dest);
    s.backDays = typed;
    ASSERT_TRUE(EnvConfirm(app, s)) << Utf8(typed);
    EXPECT_EQ(days, app.env.backdays);
  }
}

TEST_F(EnvTest, MissingFolderIsCreatedOnYesAndLeftOnNo) {
  const std::wstring dest = dir / L"New\\Deeper";
  EnvDialogState s = Opened(dest);
  ASSERT_TRUE(ConfirmCreating(s, dest));
  EXPECT_TRUE(FolderExists(dest));

  const std::wstring later = dir / L"Later";
  s = Opened(later);
  ExpectBox(t.user, L"<" + later + L">フォルダを作成しますか", MsgKind::Confirmation, kYes | kNo, kNo);
  ASSERT_TRUE(EnvConfirm(app, s));
  EXPECT_FALSE(FolderExists(later));
  EXPECT_EQ(later, app.env.tamdir);
  EXPECT_EQ(L"Path=" + later, ReadUtf16Lines(Pag(L"P"))[2]);
}

TEST_F(EnvTest, FolderThatCannotBeCreatedKeepsTheDialogOpen) {
  ASSERT_TRUE(MakeFile(dir / L"AFile", "x"));
  const std::wstring dest = dir / L"AFile\\Sub";
  EnvDialogState s = Opened(dest);
  ExpectBox(t.user, L"<" + dest + L">フォルダを作成しますか", MsgKind::Confirmation, kYes | kNo, kYes);
  t.user.ExpectPrefix(L"<" + dest + L">フォルダの作成失敗.\r\n");
  EXPECT_FALSE(EnvConfirm(app, s));
  t.user.VerifyDone();
  EXPECT_EQ(L"", app.env.tamdir);
  EXPECT_FALSE(FileExists(Pag(L"P")));
}

TEST_F(EnvTest, VanishedDriveAsksUntilCancelled) {
  const wchar_t none = UnusedDriveLetter();
  ASSERT_NE(0, none);
  const std::wstring dest = std::wstring(1, none) + L":\\Backup";
  EnvDialogState s = Opened(dest);
  const DWORD code = GetVolumeLabel(dest).code;
  ASSERT_NE(0u, code);
  ExpectBox(t.user, SystemErrorText(code), MsgKind::Warning, kRetry | kCancel, kRetry);
  ExpectBox(t.user, SystemErrorText(code), MsgKind::Warning, kRetry | kCancel, kCancel);
  EXPECT_FALSE(EnvConfirm(app, s));
  t.user.VerifyDone();
  EXPECT_EQ(L"", app.env.tamdir);
}

TEST_F(EnvTest, NetworkPathWithoutLabelSkipsTheDriveCheck) {
  // A path that begins with two backslashes; its "drive" could not be read.
  const std::wstring dest = L"\\\\?\\" + (dir / L"Dest");
  ASSERT_TRUE(MakeFolder(dir / L"Dest"));
  ASSERT_NE(0u, GetVolumeLabel(dest).code);
  EnvDialogState s = Opened(dest);
  ASSERT_TRUE(EnvConfirm(app, s));
  EXPECT_EQ(dest, app.env.tamdir);
}

TEST_F(EnvTest, OtherPagesMayShareAFolderOnlyWithAnotherLabel) {
  app.PageIndexTable[2].label = L"VOL1";
  EXPECT_TRUE(CheckOtherPages(app, other, L"VOL2"));
  EXPECT_TRUE(CheckOtherPages(app, other, L"vol1"));  // labels compare exactly
  ExpectBox(t.user, OtherPageHas(LowerText(other) + L">, <VOL1"), MsgKind::Warning);
  EXPECT_FALSE(CheckOtherPages(app, LowerText(other), L"VOL1"));
  // The active page itself never conflicts.
  app.activePage = 1;
  EXPECT_TRUE(CheckOtherPages(app, other, L"VOL1"));
  t.user.VerifyDone();
}

TEST_F(EnvTest, CancelledDialogStillRefreshesTheHeader) {
  struct Cancelling : IEnvDialog {
    std::wstring caption;
    bool Show(App&, EnvDialogState& s) override {
      caption = s.caption;
      s.tamDir = L"X:\\Changed";
      return false;
    }
  } dialog;
  app.envDialog = &dialog;
  app.env.tamdir = L"E:\\B";
  t.view.status = L"something";
  t.view.sourceCaption = L"";
  OpenEnvDialog(app);
  EXPECT_EQ(L"バックアップ条件設定 - P", dialog.caption);
  EXPECT_EQ(L"", t.view.status);
  EXPECT_EQ(L"E:\\B", app.env.tamdir);
  EXPECT_EQ(L"保存元リスト　（バックアップ先= <E:\\B>）", t.view.sourceCaption);
}

}  // namespace
}  // namespace ruzer::test

#include <windows.h>

#include "store/store_fixture.h"

namespace ruzer::test {
namespace {

const IndexRow kTitle{L"No.", L"設定ページ", L"バックアップ先", L"ボリューム名", L"最新バックアップ日"};

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// ---------------------------------------------------------------- new file set

TEST_F(StoreTest, NewFileSetWritesIndexAndEmptyPageAtOnce) {
  ReadIndexFile(app);
  EXPECT_EQ(Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=150", L"", L"[Index]",
                       L"Fname1=RUZER", L"Dpath1=", L"Volum1=", L"LstDy1=", L""}),
            ReadBytes(Idx()));
  EXPECT_EQ(Utf16File(EmptyPageLines()), ReadBytes(Pag(L"RUZER")));
  EXPECT_EQ(std::vector<std::wstring>{L"RUZER"}, t.view.tabs);
  EXPECT_EQ(0, t.view.activeTab);
  ASSERT_EQ(2u, app.PageIndexTable.size());
  EXPECT_EQ(kTitle, app.PageIndexTable[0]);
  EXPECT_EQ((IndexRow{L"1", L"RUZER", L"", L"", L""}), app.PageIndexTable[1]);
  EXPECT_EQ(L"RUZER", app.CurrentPageName);
  EXPECT_EQ(0, app.RowCount());
  EXPECT_EQ(L"保存元リスト　（バックアップ先= <>）", t.view.sourceCaption);
}

TEST_F(StoreTest, NewFileSetIsNamedAfterItsIndexFileAndKeepsCurrentTimingValues) {
  app.IndexFileName = L"写真.IDX";
  app.SleepMs = 2500;
  app.treeWidth = 222;
  ReadIndexFile(app);
  const auto lines = ReadUtf16Lines(dir / L"写真.IDX");
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(L"Sleep=2500", lines[3]);
  EXPECT_EQ(L"Widir=222", lines[4]);
  EXPECT_EQ(L"Fname1=写真", lines[7]);
  EXPECT_TRUE(FileExists(dir / L"写真.PAG"));
}

TEST_F(StoreTest, SecondPageThatWasBackedUp) {
  ReadIndexFile(app);
  AddPageTab(app, L"Photos");
  app.PageIndexTable[2].dest = L"E:\\Backup";
  app.PageIndexTable[2].label = L"BACKUP1";
  ASSERT_TRUE(WriteIndexFile(app));
  RecordLastBackup(app, 1, At(2010, 6, 24, 6, 59, 57));
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Vers=6.00", L"Count=2", L"Sleep=1000", L"Widir=150", L"",
                                       L"[Index]", L"Fname1=RUZER", L"Dpath1=", L"Volum1=", L"LstDy1=",
                                       L"Fname2=Photos", L"Dpath2=E:\\Backup", L"Volum2=BACKUP1",
                                       L"LstDy2=2010/06/24 06:59:57", L""}),
            ReadUtf16Lines(Idx()));
  EXPECT_EQ(L"2010/06/24 06:59:57", app.PageIndexTable[2].last);

  // And it reads back into the same pages and table.
  TestApp other;
  other.app.FileSetFolder = app.FileSetFolder;
  other.app.IndexFileName = app.IndexFileName;
  ReadIndexFile(other.app);
  EXPECT_EQ((std::vector<std::wstring>{L"RUZER", L"Photos"}), other.app.pages);
  EXPECT_EQ(other.app.pages, other.view.tabs);
  EXPECT_EQ(app.PageIndexTable, other.app.PageIndexTable);
}

// ---------------------------------------------------------------- reading

TEST_F(StoreTest, ReadLoadsPagesTableAndFirstPage) {
  WriteIndex({{L"", L"Home", L"D:\\Old", L"L1", L"2010/06/23 10:00:00"}, {L"", L"Work", L"E:\\W", L"", L""}},
             {L"Sleep=300"});
  ASSERT_TRUE(WriteBytes(Pag(L"Home"), Utf16File({L"[Ruzer]", L"Vers=6.00", L"Path=D:\\New", L"Labl=NEWLBL",
                                                  L"Bday=15", L"Flgs=1101", L"Cont=1", L"Yfil=*.*", L"Zfil=", L"",
                                                  L"[Folder00001]", L"Sorc=C:\\Data", L"Efol=", L"Wfil=*.*",
                                                  L"Xfil=", L"Mark=o"})));
  const std::string before = ReadBytes(Idx());
  ReadIndexFile(app);
  EXPECT_EQ((std::vector<std::wstring>{L"Home", L"Work"}), t.view.tabs);
  EXPECT_EQ(0, app.activePage);
  EXPECT_EQ(0, t.view.activeTab);
  EXPECT_EQ(1000, app.SleepMs) << "the first Sleep key counts";
  EXPECT_EQ(180, app.treeWidth);
  EXPECT_EQ(180, t.view.treeWidth);
  ASSERT_EQ(3u, app.PageIndexTable.size());
  // Destination and label come from the page file once the page is loaded.
  EXPECT_EQ((IndexRow{L"1", L"Home", L"D:\\New", L"NEWLBL", L"2010/06/23 10:00:00"}), app.PageIndexTable[1]);
  EXPECT_EQ((IndexRow{L"2", L"Work", L"E:\\W", L"", L""}), app.PageIndexTable[2]);
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"C:\\Data", app.rows[0].caption);
  EXPECT_EQ(L"1", app.rows[0].no);
  EXPECT_EQ(&app.rows, t.view.rows);
  EXPECT_EQ(L"Home", app.CurrentPageName);
  EXPECT_EQ(before, ReadBytes(Idx())) << "reading writes nothing";
  EXPECT_FALSE(FileExists(Pag(L"Work")));
}

TEST_F(StoreTest, AutomaticModeDoesNotLoadTheFirstPage) {
  WriteIndex({{L"", L"Home", L"", L"", L""}});
  ASSERT_TRUE(WriteBytes(Pag(L"Home"), Utf16File({L"[Ruzer]", L"Path=D:\\X", L"Sorc=C:\\Data", L"Mark=o"})));
  app.AutoMode = true;
  ReadIndexFile(app);
  EXPECT_TRUE(app.AutoMode);
  EXPECT_EQ(0, app.RowCount());
  EXPECT_EQ(L"", app.env.tamdir);
  EXPECT_EQ(L"Home", app.CurrentPageName) << "AttachPagePanel still names the page";
}

TEST_F(StoreTest, ReadingAnotherFileSetRemovesTheExtraPages) {
  WriteIndex({{L"", L"A", L"", L"", L""}, {L"", L"B", L"", L"", L""}, {L"", L"C", L"", L"", L""}});
  ReadIndexFile(app);
  ASSERT_EQ(3u, app.pages.size());
  app.IndexFileName = L"ONE.IDX";
  ASSERT_TRUE(WriteBytes(dir / L"ONE.IDX", Utf16File({L"[Ruzer]", L"Count=1", L"[Index]", L"Fname1=Solo"})));
  ReadIndexFile(app);
  EXPECT_EQ(std::vector<std::wstring>{L"Solo"}, app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(2u, app.PageIndexTable.size());
}

TEST_F(StoreTest, LastBackupKeyIsFoundWhateverItsCase) {
  for (const wchar_t* key : {L"LstDy1", L"Lstdy1", L"LSTDY1", L"lstdy1"}) {
    ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"[Ruzer]", L"Count=1", L"[Index]", L"Fname1=P",
                                             std::wstring(key) + L"=2010/06/24 06:59:57"})));
    ReadIndexFile(app);
    ASSERT_EQ(2u, app.PageIndexTable.size());
    EXPECT_EQ(L"2010/06/24 06:59:57", app.PageIndexTable[1].last) << Utf8(key);
  }
}

TEST_F(StoreTest, IndexWithoutCountIsOnePage) {
  ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"[Ruzer]", L"Vers=6.00", L"[Index]", L"Fname1=Home", L"Fname2=Ignored"})));
  ReadIndexFile(app);
  EXPECT_EQ(std::vector<std::wstring>{L"Home"}, app.pages);
  EXPECT_EQ(2u, app.PageIndexTable.size());
}

TEST_F(StoreTest, CountLargerThanTheKeysMakesNoEmptyPages) {
  ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"[Ruzer]", L"Count=2000000000", L"[Index]", L"Fname1=A", L"Fname2=B"})));
  ReadIndexFile(app);
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B"}), app.pages);
  EXPECT_EQ(3u, app.PageIndexTable.size());
}

TEST_F(StoreTest, NonIntegerCountMeansOnePage) {
  ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"[Ruzer]", L"Count=two", L"[Index]", L"Fname1=A", L"Fname2=B"})));
  ReadIndexFile(app);
  EXPECT_EQ(std::vector<std::wstring>{L"A"}, app.pages);
}

TEST_F(StoreTest, CountZeroLoadsNothingAndTheFirstTabKeepsItsName) {
  WriteIndex({{L"", L"Old", L"", L"", L""}, {L"", L"Second", L"", L"", L""}});
  ASSERT_TRUE(WriteBytes(Pag(L"Old"), Utf16File({L"[Ruzer]", L"Sorc=C:\\Kept", L"Mark=o"})));
  ReadIndexFile(app);
  ASSERT_EQ(1, app.RowCount());

  app.IndexFileName = L"ZERO.IDX";
  ASSERT_TRUE(WriteBytes(dir / L"ZERO.IDX",
                         Utf16File({L"[Ruzer]", L"Count=0", L"Sleep=5", L"Widir=7", L"[Index]", L"Fname1=New"})));
  const int loadsBefore = static_cast<int>(t.view.statusHistory.size());
  ReadIndexFile(app);
  EXPECT_EQ(std::vector<std::wstring>{L"Old"}, app.pages);
  EXPECT_EQ(std::vector<std::wstring>{L"Old"}, t.view.tabs);
  EXPECT_EQ(std::vector<IndexRow>{kTitle}, app.PageIndexTable);
  EXPECT_EQ(1000, app.SleepMs) << "nothing else is read";
  EXPECT_EQ(180, app.treeWidth);
  EXPECT_EQ(1, app.RowCount()) << "no page is loaded";
  EXPECT_EQ(loadsBefore, static_cast<int>(t.view.statusHistory.size()));

  // The page still shown has no table row; writing must cope with that.
  EXPECT_TRUE(WriteIndexFile(app));
  const auto lines = ReadUtf16Lines(dir / L"ZERO.IDX");
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Count=1", L"Sleep=1000", L"Widir=180", L"Vers=6.00", L"",
                                       L"[Index]", L"Fname1=Old", L"Dpath1=", L"Volum1=", L"LstDy1=", L""}),
            lines);
}

TEST_F(StoreTest, TreeWidthIsAtLeastOne) {
  const struct {
    const wchar_t* line;
    int width;
  } cases[] = {{L"Widir=0", 1}, {L"Widir=-5", 1}, {L"Widir=300", 300}, {L"Widir=wide", 180}, {L"Other=1", 180}};
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"[Ruzer]", c.line, L"[Index]", L"Fname1=P"})));
    ReadIndexFile(app);
    EXPECT_EQ(c.width, app.treeWidth) << Utf8(c.line);
    EXPECT_EQ(c.width, t.view.treeWidth) << Utf8(c.line);
  }
}

// ---------------------------------------------------------------- rewrite rules

TEST_F(StoreTest, RewriteKeepsForeignKeysAndSectionsAndPutsIndexLast) {
  ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"; my notes", L"[Ruzer]", L"  Vers = 6.00  ", L"Mine = keep me ",
                                           L"count=1", L"", L"", L"[Index]", L"Fname1=RUZER", L"Dpath1=",
                                           L"Stray1=x", L"", L"[Foreign]", L"A = 1", L"; another comment",
                                           L"B=2"})));
  ReadIndexFile(app);
  ASSERT_TRUE(WriteIndexFile(app));
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Vers=6.00", L"Mine=keep me", L"count=1", L"Sleep=1000",
                                       L"Widir=180", L"", L"[Foreign]", L"A=1", L"B=2", L"", L"[Index]",
                                       L"Fname1=RUZER", L"Dpath1=", L"Volum1=", L"LstDy1=", L""}),
            ReadUtf16Lines(Idx()));
}

TEST_F(StoreTest, RewriteWritesPagesInTabOrderWithTheirTableRows) {
  ReadIndexFile(app);
  AddPageTab(app, L"Two");
  AddPageTab(app, L"Three");
  app.PageIndexTable[3] = IndexRow{L"3", L"Three", L"F:\\", L"VOL", L"2010/01/02 03:04:05"};
  ASSERT_TRUE(WriteIndexFile(app));
  const auto lines = ReadUtf16Lines(Idx());
  ASSERT_EQ(20u, lines.size());
  EXPECT_EQ(L"Count=3", lines[2]);
  EXPECT_EQ((std::vector<std::wstring>{L"Fname2=Two", L"Dpath2=", L"Volum2=", L"LstDy2=", L"Fname3=Three",
                                       L"Dpath3=F:\\", L"Volum3=VOL", L"LstDy3=2010/01/02 03:04:05", L""}),
            std::vector<std::wstring>(lines.begin() + 11, lines.end()));
}

// ---------------------------------------------------------------- older versions

const char kOldIndex[] =
    "[Ruzer]\r\nVers=5.00\r\nCount=1\r\nSleep=1000\r\nWidir=120\r\n\r\n[Index]\r\nFname1=\x8E\xCA\x90\x5E\r\n"
    "Dpath1=E:\\\x8E\xCA\x90\x5E\r\n";

struct ScriptedUser::Expect OldIndexPrompt(MsgButton answer) {
  return Exact(kOldIndexPrompt, MsgKind::Warning, kYes | kAbort | kHelp, 42, answer);
}

TEST_F(StoreTest, OldVersionIndexAskedYesIsConvertedAtTheNextWrite) {
  ASSERT_TRUE(WriteBytes(Idx(), kOldIndex));
  t.user.ExpectFull(OldIndexPrompt(kYes));
  ReadIndexFile(app);
  t.user.VerifyDone();
  ASSERT_EQ(1u, t.user.shown().size());
  EXPECT_EQ(kAbort, t.user.shown()[0].defaultButton);
  EXPECT_EQ(std::vector<std::wstring>{L"写真"}, app.pages);
  EXPECT_EQ(L"E:\\写真", app.PageIndexTable[1].dest);
  EXPECT_EQ(kOldIndex, ReadBytes(Idx())) << "reading alone converts nothing";
  EXPECT_FALSE(t.view.closed);

  ASSERT_TRUE(WriteIndexFile(app));
  EXPECT_EQ((std::vector<std::wstring>{L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=120", L"",
                                       L"[Index]", L"Fname1=写真", L"Dpath1=E:\\写真", L"Volum1=", L"LstDy1=",
                                       L""}),
            ReadUtf16Lines(Idx()));
}

TEST_F(StoreTest, OldVersionIndexAbortClosesTheProgram) {
  ASSERT_TRUE(WriteBytes(Idx(), kOldIndex));
  app.AutoMode = true;
  t.user.ExpectFull(OldIndexPrompt(kAbort));
  ReadIndexFile(app);
  t.user.VerifyDone();
  EXPECT_TRUE(t.view.closed);
  EXPECT_FALSE(app.AutoMode);
  EXPECT_EQ(kOldIndex, ReadBytes(Idx()));
  EXPECT_EQ(0, t.view.attaches) << "no page is attached or loaded";
  EXPECT_FALSE(FileExists(Pag(L"写真")));
}

// The prompt waits for the user, so a minimised start must first come back.
class MinimisedCheckUser : public ScriptedUser {
 public:
  App* app = nullptr;
  std::vector<bool> minimisedAtMessage;
  MsgButton Message(const MessageRequest& r) override {
    minimisedAtMessage.push_back(app->StartMinimized);
    return ScriptedUser::Message(r);
  }
};

TEST_F(StoreTest, OldVersionPromptComesAfterRestoringFromMinimized) {
  ASSERT_TRUE(WriteBytes(Idx(), kOldIndex));
  MinimisedCheckUser user;
  FakeView view;
  FakeClock clock;
  App a(user, view, clock);
  user.app = &a;
  a.FileSetFolder = app.FileSetFolder;
  a.IndexFileName = app.IndexFileName;
  a.StartMinimized = true;
  user.ExpectFull(OldIndexPrompt(kAbort));
  ReadIndexFile(a);
  EXPECT_EQ(std::vector<bool>{false}, user.minimisedAtMessage);
}

TEST_F(StoreTest, OldVersionIndexThatCannotBeConvertedWritesNothing) {
  ASSERT_TRUE(WriteBytes(Idx(), kOldIndex));
  t.user.ExpectFull(OldIndexPrompt(kYes));
  ReadIndexFile(app);
  ASSERT_TRUE(SetFileAttributesW(Idx().c_str(), FILE_ATTRIBUTE_READONLY));
  app.rows.push_back(Row({.caption = L"C:\\New"}));
  t.user.ExpectFull(Exact(IndexWriteFailed(1), MsgKind::Error, kOk | kHelp, 40));
  EXPECT_FALSE(WritePageFile(app));
  t.user.VerifyDone();
  EXPECT_EQ(kOldIndex, ReadBytes(Idx()));
  EXPECT_FALSE(FileExists(Pag(L"写真"))) << "the page is not written either";
}

// ---------------------------------------------------------------- failed writes

TEST_F(StoreTest, ReadOnlyIndexKeepsItsBytesAndReportsFailure2) {
  WriteIndex({{L"", L"P", L"", L"", L""}});
  ReadIndexFile(app);
  const std::string before = ReadBytes(Idx());
  ASSERT_TRUE(SetFileAttributesW(Idx().c_str(), FILE_ATTRIBUTE_READONLY));
  AddPageTab(app, L"Q");
  t.user.ExpectFull(Exact(IndexWriteFailed(2), MsgKind::Error, kOk | kHelp, 40));
  EXPECT_TRUE(WriteIndexFile(app)) << "callers go on";
  t.user.VerifyDone();
  EXPECT_EQ(before, ReadBytes(Idx()));
  EXPECT_EQ(2u, app.pages.size()) << "the change stays in memory";
}

TEST_F(StoreTest, MissingFolderFailsBothWritesAndCreatesNothing) {
  app.FileSetFolder = dir / L"gone\\";
  const std::wstring page = dir / L"gone\\RUZER.PAG";
  t.user.ExpectFull(Exact(IndexWriteFailed(2), MsgKind::Error, kOk | kHelp, 40));
  t.user.ExpectFull(Exact(IndexWriteFailed(2), MsgKind::Error, kOk | kHelp, 40));
  t.user.ExpectFull(Exact(L"設定ページファイル\"" + page + L"\"の書き込み失敗．（エラー 3）\r\n" + kHint, MsgKind::Error,
                          kOk | kHelp, 40));
  ReadIndexFile(app);
  t.user.VerifyDone();
  EXPECT_FALSE(FolderExists(dir / L"gone"));
  EXPECT_EQ(std::vector<std::wstring>{L"RUZER"}, app.pages);
}

// ---------------------------------------------------------------- files that are not index files

TEST_F(StoreTest, IndexThatCannotBeReadIsNeitherLoadedNorWrittenOver) {
  const struct {
    const char* name;
    std::string bytes;  // empty: a file just over the size limit
    std::wstring reason;
  } cases[] = {
      {"binary", std::string("[Ruzer]\r\nCount=1\r\n\0\0\x01\x02[Index]\r\nFname1=A\r\n", 36),
       L"ファイルの内容が正しくありません．"},
      {"no sections", "just some text\r\nnothing=here\r\n", L"ファイルの内容が正しくありません．"},
      {"too large", "", L"ファイルが大きすぎます．"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp a;
    a.app.FileSetFolder = app.FileSetFolder;
    a.app.IndexFileName = app.IndexFileName;
    a.app.AutoMode = true;
    if (c.bytes.empty())
      ASSERT_TRUE(MakeBigFile(Idx(), 64ll * 1024 * 1024 + 1));
    else
      ASSERT_TRUE(WriteBytes(Idx(), c.bytes));
    const long long size = FileSize(Idx());
    const std::string before = c.bytes.empty() ? std::string() : ReadBytes(Idx());

    a.user.ExpectFull(
        Exact(L"目次ファイル\"" + Idx() + L"\"を読み込めません．\r\n" + c.reason, MsgKind::Error, kOk, 0));
    ReadIndexFile(a.app);
    a.user.VerifyDone();
    EXPECT_FALSE(a.app.AutoMode) << "an automatic run has nothing to back up";
    EXPECT_EQ(1u, a.app.PageIndexTable.size());
    EXPECT_FALSE(FileExists(dir / L".PAG"));

    const std::wstring refused =
        L"目次ファイル\"" + Idx() + L"\"は読み込めなかったため、書き込みません．\r\n別のファイルセットを開いてください．";
    a.user.ExpectFull(Exact(refused, MsgKind::Error, kOk, 0));
    a.user.ExpectFull(Exact(refused, MsgKind::Error, kOk, 0));
    EXPECT_FALSE(WriteIndexFile(a.app));
    EXPECT_FALSE(WritePageFile(a.app));
    RecordLastBackup(a.app, 0, At(2010, 6, 24, 6, 59, 57));
    WriteTreeWidth(a.app, 99);
    a.user.VerifyDone();
    EXPECT_EQ(size, FileSize(Idx()));
    if (!c.bytes.empty()) {
      EXPECT_EQ(before, ReadBytes(Idx()));
    }
  }
}

TEST_F(StoreTest, IndexThatBecameUnreadableIsNotRewritten) {
  WriteIndex({{L"", L"P", L"", L"", L""}});
  ReadIndexFile(app);
  const std::string damaged = std::string("\xFF\xFE", 2) + std::string("[\0R\0\0\0", 6);
  ASSERT_TRUE(WriteBytes(Idx(), damaged));
  t.user.ExpectFull(Exact(IndexWriteFailed(2), MsgKind::Error, kOk | kHelp, 40));
  EXPECT_TRUE(WriteIndexFile(app));
  EXPECT_EQ(damaged, ReadBytes(Idx()));
}

TEST_F(StoreTest, UnreadableIndexIsForgottenWhenAnotherFileSetIsRead) {
  ASSERT_TRUE(WriteBytes(Idx(), "garbage without sections"));
  t.user.ExpectPrefix(L"目次ファイル\"");
  ReadIndexFile(app);
  t.user.VerifyDone();
  app.IndexFileName = L"FRESH.IDX";
  ReadIndexFile(app);
  EXPECT_TRUE(FileExists(dir / L"FRESH.IDX"));
  EXPECT_EQ(std::vector<std::wstring>{L"FRESH"}, app.pages);
}

// ---------------------------------------------------------------- single-key updates

TEST_F(StoreTest, RecordLastBackupWritesOnlyItsKey) {
  const std::vector<std::wstring> before = {L"; keep this comment", L"[Ruzer]", L"  Vers = 6.00", L"Count=2",
                                            L"", L"[Index]", L"Fname1=A", L"LstDy1=", L"Fname2=B",
                                            L"lstdy2 = 2009/01/01 00:00:00", L"", L"[Foreign]", L"x = 1"};
  ASSERT_TRUE(WriteBytes(Idx(), Utf16File(before)));
  ReadIndexFile(app);
  RecordLastBackup(app, 1, At(2010, 6, 24, 6, 59, 57));
  std::vector<std::wstring> after = before;
  after[9] = L"lstdy2=2010/06/24 06:59:57";
  EXPECT_EQ(after, ReadUtf16Lines(Idx()));
  EXPECT_EQ(L"2010/06/24 06:59:57", app.PageIndexTable[2].last);
  EXPECT_EQ(L"", app.PageIndexTable[1].last);
}

TEST_F(StoreTest, RecordLastBackupThatCannotWriteAddsAnErrorLine) {
  WriteIndex({{L"", L"A", L"", L"", L""}});
  ReadIndexFile(app);
  const std::string before = ReadBytes(Idx());
  HANDLE h = CreateFileW(Idx().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  RecordLastBackup(app, 0, At(2010, 6, 24, 6, 59, 57));
  CloseHandle(h);
  ASSERT_EQ(1u, app.errorLines.size());
  EXPECT_EQ(0u, app.errorLines[0].rfind(Idx() + L" <エラー:32> ", 0)) << Utf8(app.errorLines[0]);
  EXPECT_EQ(before, ReadBytes(Idx()));
  EXPECT_EQ(L"2010/06/24 06:59:57", app.PageIndexTable[1].last) << "the run still knows it";
}

TEST_F(StoreTest, TreeWidthUpdateWritesOnlyWidirAndOnlyWhenTheIndexExists) {
  WriteTreeWidth(app, 0);
  EXPECT_EQ(1, app.treeWidth);
  EXPECT_FALSE(FileExists(Idx()));

  ASSERT_TRUE(WriteBytes(Idx(), Utf16File({L"; note", L"[Ruzer]", L"Widir=180", L"Count=1", L"[Index]", L"Fname1=A"})));
  WriteTreeWidth(app, -20);
  EXPECT_EQ((std::vector<std::wstring>{L"; note", L"[Ruzer]", L"Widir=1", L"Count=1", L"[Index]", L"Fname1=A"}),
            ReadUtf16Lines(Idx()));
  WriteTreeWidth(app, 240);
  EXPECT_EQ(240, app.treeWidth);
  EXPECT_EQ(L"Widir=240", ReadUtf16Lines(Idx())[2]);
}

// ---------------------------------------------------------------- page list

TEST_F(StoreTest, AttachPagePanelMovesThePanelWaitsAndNamesThePage) {
  app.pages = {L"A", L"B"};
  app.activePage = 1;
  AttachPagePanel(app);
  EXPECT_EQ(1, t.view.attaches);
  EXPECT_GE(t.view.pumps, 1);
  EXPECT_EQ(std::vector<int>{300}, t.clock.sleeps);
  EXPECT_EQ(L"B", app.CurrentPageName);
}

TEST_F(StoreTest, AttachPagePanelPausesOnlyWhenThePanelMoves) {
  app.pages = {L"A", L"B"};
  app.activePage = 1;
  AttachPagePanel(app);
  AttachPagePanel(app);  // already there: an automatic run attaches each page twice
  EXPECT_EQ(2, t.view.attaches);
  EXPECT_EQ(std::vector<int>{300}, t.clock.sleeps);
  app.activePage = 0;
  AttachPagePanel(app);
  EXPECT_EQ((std::vector<int>{300, 300}), t.clock.sleeps);
  EXPECT_EQ(L"A", app.CurrentPageName);
  // Tabs built anew (another file set read): see the page-list rebuild test.
}

TEST_F(StoreTest, AddPageTabAppendsAnActiveEmptyPage) {
  ReadIndexFile(app);
  app.rows.push_back(Row({.caption = L"C:\\Old"}));
  AddPageTab(app, L"Neu");
  EXPECT_EQ((std::vector<std::wstring>{L"RUZER", L"Neu"}), t.view.tabs);
  EXPECT_EQ(1, app.activePage);
  EXPECT_EQ(1, t.view.activeTab);
  EXPECT_EQ(0, app.RowCount());
  EXPECT_EQ(L"Neu", app.CurrentPageName);
  ASSERT_EQ(3u, app.PageIndexTable.size());
  EXPECT_EQ((IndexRow{L"2", L"Neu", L"", L"", L""}), app.PageIndexTable[2]);
}

TEST_F(StoreTest, DeletePageTabActivatesTheNextPageWhileMuted) {
  WriteIndex({{L"", L"A", L"a", L"", L""}, {L"", L"B", L"b", L"", L""}, {L"", L"C", L"c", L"", L""}});
  ReadIndexFile(app);
  std::vector<bool> mutedAtPump;
  t.view.onPump = [&] { mutedAtPump.push_back(app.PageSwitchMuted); };

  app.activePage = 1;
  // The caller has moved the rows after the deleted one up already.
  app.PageIndexTable[2] = IndexRow{L"2", L"C", L"c", L"", L""};
  DeletePageTab(app);
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"C"}), app.pages);
  EXPECT_EQ(app.pages, t.view.tabs);
  EXPECT_EQ(1, app.activePage);
  EXPECT_EQ(1, t.view.activeTab);
  EXPECT_EQ(L"C", app.CurrentPageName);
  EXPECT_EQ(3u, app.PageIndexTable.size());
  EXPECT_EQ(L"C", app.PageIndexTable[2].name);
  ASSERT_FALSE(mutedAtPump.empty());
  EXPECT_TRUE(mutedAtPump[0]);
  EXPECT_FALSE(app.PageSwitchMuted);

  // Deleting the last page activates the first.
  DeletePageTab(app);
  EXPECT_EQ(std::vector<std::wstring>{L"A"}, app.pages);
  EXPECT_EQ(0, app.activePage);
  EXPECT_EQ(L"A", app.CurrentPageName);
  EXPECT_EQ(2u, app.PageIndexTable.size());

  // The only page stays.
  DeletePageTab(app);
  EXPECT_EQ(std::vector<std::wstring>{L"A"}, app.pages);
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

// A write killed between its temporary file and the rename leaves the
// temporary file beside the index; the next reading removes it, but never one
// young enough to belong to a write of another instance, nor a file of
// another kind.
TEST_F(StoreTest, ReadingTheIndexRemovesWhatAKilledWriteLeft) {
  WriteIndex({IndexRow{L"", L"P", L"", L"", L""}});
  struct Case {
    const wchar_t* name;
    int ageMinutes;
    bool removed;
  } cases[] = {
      {L"~rz1a2b_3.tmp", 120, true},    // a write killed two hours ago
      {L"~rz1A2B_FF.TMP", 24 * 60, true},
      {L"~rz1a2b_4.tmp", 0, false},     // another instance is writing
      {L"~rz1a2b_5.tmp", 30, false},
      {L"~rzNOTHEX_1.tmp", 120, false},  // not one of ours
      {L"~rz1a2b.tmp", 120, false},
      {L"~ruzer-0001.tmp", 120, false},  // a copy's temporary name belongs to the generations
      {L"notes.tmp", 120, false},
  };
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  for (const auto& c : cases) {
    const std::wstring path = dir / c.name;
    ASSERT_TRUE(WriteBytes(path, "half"));
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(c.ageMinutes) * 60 * 10000000;
    FILETIME when{t.LowPart, t.HighPart};
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &when));
    CloseHandle(h);
  }
  ReadIndexFile(app);
  for (const auto& c : cases) EXPECT_EQ(!c.removed, FileExists(dir / c.name)) << Utf8(c.name);
  EXPECT_EQ(L"P", app.CurrentPageName);
}

}  // namespace
}  // namespace ruzer::test

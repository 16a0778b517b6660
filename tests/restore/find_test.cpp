// Finding a lost file: the search over every generation and mirror, the
// result list, and the copies back, driven through a fake view and the
// scripted user on a destination laid out by hand.
#include "restore/Vfind.h"
#include "restore_fixture.h"

namespace ruzer::test {
namespace {

class FakeFindView : public IFindView {
 public:
  std::wstring status;
  std::vector<std::wstring> statusHistory;
  bool running = false;
  int runs = 0;
  std::vector<int> selected;
  std::vector<std::wstring> opened;
  bool openWorks = true;

  void SetStatus(const std::wstring& text) override {
    status = text;
    statusHistory.push_back(text);
  }
  void SetRunning(bool on) override {
    running = on;
    runs += on ? 1 : 0;
  }
  void RowsChanged() override {}
  void RowTextsChanged() override {}
  std::vector<int> SelectedRows() override { return selected; }
  bool OpenDocument(const std::wstring& path) override {
    opened.push_back(path);
    return openWorks;
  }
};

class FindTest : public ::testing::Test {
 protected:
  TempDir tmp;
  TestApp t;
  FakeFindView view;
  FindState st;
  std::wstring dest = tmp / L"dest";
  std::wstring src = tmp / L"src";  // the source folder of the page's row

  void SetUp() override {
    MakeFolder(dest);
    t.app.env.tamdir = dest;
  }
  // A stored copy of src\rel in a generation, with its own time.
  std::wstring Store(const std::wstring& gen, const std::wstring& rel, const std::string& bytes,
                     const SYSTEMTIME& time) {
    const std::wstring path = dest + L"\\" + gen + L"\\" + MirrorName(src) + L"\\" + rel;
    PutAt(path, bytes, time);
    return path;
  }
  void Search(const std::wstring& pattern, const std::wstring& folder = L"") {
    st.pattern = pattern;
    st.folder = folder;
    FindSearch(t.app, st, view);
  }
  std::wstring Cell(int row, int column) { return FindCellText(st, row, column); }
  std::vector<std::wstring> Column(int column) {
    std::vector<std::wstring> out;
    for (int r = 0; r < static_cast<int>(st.order.size()); ++r) out.push_back(Cell(r, column));
    return out;
  }
  // The shown row of a version: name and generation.
  int RowOf(const std::wstring& name, const std::wstring& gen) {
    for (int r = 0; r < static_cast<int>(st.order.size()); ++r)
      if (Cell(r, kColName) == name && Cell(r, kColGeneration) == gen) return r;
    return -1;
  }
  void Choose(std::vector<int> rows) { view.selected = std::move(rows); }
};

TEST(FindNames, SourceFolderOfAMirrorPath) {
  const struct {
    const wchar_t* rel;
    const wchar_t* source;
  } cases[] = {
      {L"D_A\\B", L"D:\\A\\B"},          // the row D:\A, its sub-folder B
      {L"D_A", L"D:\\A"},
      {L"D", L"D:\\"},                    // a drive-root row
      {L"D\\A\\B", L"D:\\A\\B"},          // below a drive-root row
      {L"__srv\\share\\x", L"\\\\srv\\share\\x"},
      {L"~ruzer-work", L""},              // our own work folder is no mirror
      {L"1_A", L""},
      {L"DA", L""},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.source, SourceOfMirror(c.rel)) << Utf8(c.rel);
  // The inverse of MirrorName.
  for (const wchar_t* folder : {L"C:\\Users\\me\\Documents", L"E:\\", L"\\\\nas\\share\\mail"})
    EXPECT_EQ(folder, SourceOfMirror(MirrorName(folder))) << Utf8(folder);
}

TEST(FindNames, KeepingBothPutsTheGenerationBeforeTheExtension) {
  const struct {
    const wchar_t* name;
    const wchar_t* kept;
  } cases[] = {
      {L"x.txt", L"x (100501A).txt"},
      {L"archive.tar.gz", L"archive.tar (100501A).gz"},
      {L"Makefile", L"Makefile (100501A)"},
      {L".profile", L".profile (100501A)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.kept, NameWithGeneration(c.name, L"100501A")) << Utf8(c.name);
}

TEST(FindNames, PatternsAreWildcardsSeparatedBySemicolonsIgnoringCase) {
  const struct {
    const wchar_t* patterns;
    const wchar_t* name;
    bool match;
  } cases[] = {
      {L"*port*", L"Report-2010.TXT", true},
      {L"report", L"REPORT", true},
      {L"port", L"Report-2010.TXT", true},  // no wildcard: a part of the name
      {L"report.txt", L"old-report.txt.bak", true},
      {L"report", L"repo.txt", false},
      {L"a?.txt", L"ab.txt", true},
      {L"a?.txt", L"abc.txt", false},
      {L"*.doc; *.xls", L"sheet.XLS", true},
      {L"*.doc;;", L"sheet.xls", false},
      {L"*.*", L"Makefile", true},  // as in the source rows' patterns
      {L"日本*", L"日本語のメモ.txt", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.match, NamePatterns(c.patterns).Matches(c.name)) << Utf8(c.patterns) << " / " << Utf8(c.name);
  EXPECT_EQ((std::vector<std::wstring>{L"*.doc", L"*.xls"}), NamePatterns(L" *.doc ; ;*.xls ").pieces());
}

TEST_F(FindTest, EveryGenerationAndMirrorIsSearchedNewestFirst) {
  // The file at the source now: one version the same, one deleted long ago.
  PutAt(src + L"\\deep\\er\\plan.txt", "plan 3", At(2010, 5, 3, 9, 0, 0));
  Store(L"100503A", L"deep\\er\\plan.txt", "plan 3", At(2010, 5, 3, 9, 0, 0));
  Store(L"100502A", L"deep\\er\\plan.txt", "plan 2", At(2010, 5, 2, 9, 0, 0));
  Store(L"100501A", L"deep\\er\\plan.txt", "plan 1", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"deep\\er\\old-plan.doc", "lost", At(2010, 4, 30, 9, 0, 0));
  Store(L"100501A", L"deep\\unrelated.txt", "x", At(2010, 4, 30, 9, 0, 0));
  // A drive-root row keeps its folders below the letter; another drive's row.
  PutAt(dest + L"\\100502A\\Q\\notes\\plan-b.txt", "b", At(2010, 5, 2, 9, 0, 0));
  PutAt(dest + L"\\100502A\\Q_Work\\PLAN.md", "md", At(2010, 5, 2, 9, 0, 0));
  // Not the user's files: root files, our work folder, a folder named like no mirror.
  PutAt(dest + L"\\100503A\\plan.PAG", "page", At(2010, 5, 3, 9, 0, 0));
  PutAt(dest + L"\\100503A\\~ruzer-work\\plan.txt", "half", At(2010, 5, 3, 9, 0, 0));
  PutAt(dest + L"\\plans\\plan.txt", "elsewhere", At(2010, 5, 3, 9, 0, 0));
  WriteBytes(dest + L"\\100502A\\MEMO.TXT", Utf16File({L"二回目", L"二行目"}));

  Search(L"*plan*");
  EXPECT_EQ(L"検索完了．該当 6 件 (3 世代を検索)．", view.status);
  EXPECT_FALSE(view.running);
  EXPECT_EQ((std::vector<std::wstring>{L"100503A", L"100502A", L"100502A", L"100502A", L"100501A", L"100501A"}),
            Column(kColGeneration));
  const int newest = RowOf(L"plan.txt", L"100503A");
  ASSERT_EQ(0, newest);
  EXPECT_EQ(src + L"\\deep\\er", Cell(newest, kColFolder));
  EXPECT_EQ(L"10/05/03 09:00:00", Cell(newest, kColTime));
  EXPECT_EQ(L"6", Cell(newest, kColSize));
  EXPECT_EQ(L"同じ", Cell(newest, kColNow));
  EXPECT_EQ(L"別の版", Cell(RowOf(L"plan.txt", L"100501A"), kColNow));
  EXPECT_EQ(L"なし", Cell(RowOf(L"old-plan.doc", L"100501A"), kColNow));
  EXPECT_EQ(L"Q:\\notes", Cell(RowOf(L"plan-b.txt", L"100502A"), kColFolder));
  EXPECT_EQ(L"Q:\\Work", Cell(RowOf(L"PLAN.md", L"100502A"), kColFolder));
  EXPECT_EQ(L"二回目", Cell(RowOf(L"PLAN.md", L"100502A"), kColMemo));
  EXPECT_EQ(L"", Cell(newest, kColMemo));
}

TEST_F(FindTest, AFolderLimitsTheSearchToItselfAndBelow) {
  Store(L"100501A", L"a.txt", "top", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"deep\\a.txt", "deep", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"deep\\er\\a.txt", "deeper", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"deeper\\a.txt", "a sibling with a longer name", At(2010, 5, 1, 9, 0, 0));
  const struct {
    std::wstring folder;
    std::vector<std::wstring> folders;
  } cases[] = {
      {src + L"\\DEEP", {src + L"\\deep", src + L"\\deep\\er"}},
      {src + L"\\deep\\er\\", {src + L"\\deep\\er"}},
      {tmp.path(), {src, src + L"\\deep", src + L"\\deep\\er", src + L"\\deeper"}},  // above the row
      {tmp / L"other", {}},
  };
  for (const auto& c : cases) {
    Search(L"a.txt", c.folder);
    auto folders = Column(kColFolder);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(c.folders, folders) << Utf8(c.folder);
  }
}

TEST_F(FindTest, BadInputGivesAClearMessageAndWritesNothing) {
  Store(L"100501A", L"a.txt", "a", At(2010, 5, 1, 9, 0, 0));
  const auto before = Tree(tmp.path());
  const struct {
    std::wstring pattern, folder, tamdir, message;
  } cases[] = {
      {L"", L"", dest, L"探したいファイル名を指定してください"},
      {L" ; ", L"", dest, L"探したいファイル名を指定してください"},
      {L"a.txt;b:c", L"", dest, L"ファイルやフォルダ名に使えない文字 \":\" が含まれています."},
      {L"x|y", L"", dest, L"ファイルやフォルダ名に使えない文字 \"|\" が含まれています."},
      {L"a.txt", L"relative\\folder", dest, L"<relative\\folder> フォルダ名が正しくありません."},
      {L"a.txt", L"", L"", L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください."},
      {L"a.txt", L"", tmp / L"gone", L"<" + tmp / L"gone" + L">フォルダが見つかりません."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.message));
    t.app.env.tamdir = c.tamdir;
    t.user.Expect(c.message);
    Search(c.pattern, c.folder);
    t.user.VerifyDone();
    EXPECT_TRUE(st.hits.empty());
    EXPECT_EQ(0, view.runs) << "no search started";
  }
  EXPECT_EQ(before, Tree(tmp.path()));
}

TEST_F(FindTest, NoGenerationsIsSaidInTheStatusLine) {
  Search(L"*.txt");
  EXPECT_EQ(L"バックアップ・データがありません．", view.status);
  EXPECT_TRUE(st.hits.empty());
}

TEST_F(FindTest, AGenerationThatCannotBeListedIsNamedAndTheOthersAreStillSearched) {
  Store(L"100502A", L"a.txt", "2", At(2010, 5, 2, 9, 0, 0));
  Store(L"100501A", L"a.txt", "1", At(2010, 5, 1, 9, 0, 0));
  // The generation goes while the search runs (a disk pulled, a share dropped).
  t.view.onPump = [&] {
    if (FolderExists(dest + L"\\100501A") && !st.hits.empty()) RemoveTree(dest + L"\\100501A");
  };
  t.user.Expect(L"読めないフォルダがありました．次の場所は検索していません．\r\n<" + dest + L"\\100501A>");
  Search(L"a.txt");
  EXPECT_EQ((std::vector<std::wstring>{L"100502A"}), Column(kColGeneration));
  EXPECT_EQ(L"検索完了．該当 1 件 (2 世代を検索)．", view.status);
}

TEST_F(FindTest, AbortStopsTheSearchWithWhatItFound) {
  for (const wchar_t* gen : {L"100503A", L"100502A", L"100501A"})
    for (int i = 0; i < 5; ++i) Store(gen, L"f" + std::to_wstring(i) + L".txt", "x", At(2010, 5, 1, 9, 0, 0));
  t.view.onPump = [&] {
    if (st.hits.size() == 7) {
      EXPECT_FALSE(FindCancel(t.app, st)) << "the dialog stays while it searches";
    }
  };
  Search(L"*.txt");
  EXPECT_EQ(7u, st.hits.size());
  EXPECT_EQ(L"検索中断．該当 7 件 (3 世代中 1 世代を検索)．", view.status);
  EXPECT_FALSE(t.app.AbortRequested);
  EXPECT_TRUE(FindCancel(t.app, st)) << "nothing runs: the dialog may close";
}

TEST_F(FindTest, AHeaderClickSortsByItsColumnAndAgainTheOtherWay) {
  Store(L"100502A", L"b.txt", "bb", At(2010, 5, 2, 9, 0, 0));
  Store(L"100502A", L"C.txt", "c", At(2010, 4, 1, 9, 0, 0));
  Store(L"100501A", L"a.txt", "aaa", At(2010, 5, 1, 9, 0, 0));
  Search(L"*.txt");
  FindSortBy(st, view, kColName);
  EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt", L"C.txt"}), Column(kColName));
  FindSortBy(st, view, kColName);
  EXPECT_EQ((std::vector<std::wstring>{L"C.txt", L"b.txt", L"a.txt"}), Column(kColName));
  FindSortBy(st, view, kColTime);  // newest first
  EXPECT_EQ((std::vector<std::wstring>{L"b.txt", L"a.txt", L"C.txt"}), Column(kColName));
  FindSortBy(st, view, kColSize);  // largest first
  EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt", L"C.txt"}), Column(kColName));
  FindSortBy(st, view, kColGeneration);
  EXPECT_EQ((std::vector<std::wstring>{L"100502A", L"100502A", L"100501A"}), Column(kColGeneration));
}

TEST_F(FindTest, VersionsGoByFolderThenNameAndTheFolderColumnIgnoresLetterCase) {
  Store(L"100502A", L"gamma\\c.txt", "c", At(2010, 5, 2, 9, 0, 0));
  Store(L"100501A", L"Beta\\z.txt", "z", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"alpha\\y.txt", "y", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"Gamma\\a.txt", "a", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"alpha\\b.txt", "b", At(2010, 5, 1, 9, 0, 0));
  Search(L"*.txt");
  EXPECT_EQ((std::vector<std::wstring>{L"c.txt", L"b.txt", L"y.txt", L"z.txt", L"a.txt"}), Column(kColName));
  FindSortBy(st, view, kColFolder);  // gamma and Gamma are one folder: newest generation first
  EXPECT_EQ((std::vector<std::wstring>{L"b.txt", L"y.txt", L"z.txt", L"c.txt", L"a.txt"}), Column(kColName));
  FindSortBy(st, view, kColFolder);
  EXPECT_EQ((std::vector<std::wstring>{L"c.txt", L"a.txt", L"z.txt", L"b.txt", L"y.txt"}), Column(kColName));
}

// ---------------------------------------------------------------- restore

TEST_F(FindTest, ALostFileComesBackWithItsFoldersTimeAndAttributes) {
  const std::wstring stored = Store(L"100501A", L"deep\\er\\lost.txt", "lost bytes", At(2010, 5, 1, 9, 0, 1));
  SetFileAttributesW(stored.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  Search(L"lost*");
  Choose({0});
  FindRestore(t.app, st, view);
  const std::wstring back = src + L"\\deep\\er\\lost.txt";
  EXPECT_EQ("lost bytes", ReadBytes(back));
  const FILETIME storedTime = LastWriteOf(stored), backTime = LastWriteOf(back);
  EXPECT_EQ(0, CompareFileTime(&storedTime, &backTime));
  EXPECT_EQ(AttributesOf(stored), AttributesOf(back));
  EXPECT_EQ(L"同じ", Cell(0, kColNow));
  EXPECT_EQ(L"復元完了．1 件を復元しました．", view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"lost.txt"}), FolderEntries(src + L"\\deep\\er")) << "no temporary file left";
  SetFileAttributesW(back.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(stored.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FindTest, AnExistingDifferentFileIsOnlyReplacedWhenTheUserSaysSo) {
  const struct {
    int answer;
    std::string after;            // src\a.txt afterwards
    std::vector<std::wstring> files;  // in src afterwards
    std::wstring status;
  } cases[] = {
      {0, "stored", {L"a.txt"}, L"復元完了．1 件を復元しました．"},
      {1, "changed since", {L"a (100501A).txt", L"a.txt"}, L"復元完了．1 件を復元しました．"},
      {2, "changed since", {L"a.txt"}, L"復元完了．0 件を復元しました．1 件をスキップしました．"},
      {-1, "changed since", {L"a.txt"}, L"復元完了．0 件を復元しました．1 件をスキップしました．"},  // box closed
  };
  Store(L"100501A", L"a.txt", "stored", At(2010, 5, 1, 9, 0, 0));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    RemoveTree(src);
    PutAt(src + L"\\a.txt", "changed since", At(2010, 5, 5, 9, 0, 0));
    Search(L"a.txt");
    Choose({0});
    t.user.ExpectChoice(L"<" + src + L"\\a.txt> は既にあり、復元する版と違います.", c.answer);
    FindRestore(t.app, st, view);
    t.user.VerifyDone();
    EXPECT_EQ(c.after, ReadBytes(src + L"\\a.txt"));
    EXPECT_EQ(c.files, FolderEntries(src));
    EXPECT_EQ(c.status, view.status);
  }
  const ChoiceRequest& q = t.user.choicesShown().front();
  EXPECT_EQ((std::vector<std::wstring>{L"上書き", L"両方残す", L"スキップ"}), q.choices);
  EXPECT_EQ(2, q.defaultChoice) << "Enter overwrites nothing";
  EXPECT_EQ(L"", q.checkText) << "one file: nothing to apply to the rest";
  EXPECT_NE(std::wstring::npos, q.text.find(L"10/05/01 09:00:00"));
  EXPECT_NE(std::wstring::npos, q.text.find(L"10/05/05 09:00:00"));
}

TEST_F(FindTest, ForAllTheRestTakesTheAnswerAndTheSameVersionIsNotAsked) {
  for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"}) {
    Store(L"100501A", n, "stored", At(2010, 5, 1, 9, 0, 0));
    PutAt(src + L"\\" + n, "mine", At(2010, 5, 5, 9, 0, 0));
  }
  Store(L"100501A", L"same.txt", "same", At(2010, 5, 1, 9, 0, 0));
  PutAt(src + L"\\same.txt", "same", At(2010, 5, 1, 9, 0, 1));  // less than two seconds away
  Search(L"*.txt");
  FindSortBy(st, view, kColName);
  Choose({0, 1, 2, 3});
  t.user.ExpectChoice(L"<" + src + L"\\a.txt>", 1, true);
  FindRestore(t.app, st, view);
  EXPECT_EQ(L"以降すべて", t.user.choicesShown().front().checkText);
  EXPECT_EQ((std::vector<std::wstring>{L"a (100501A).txt", L"a.txt", L"b (100501A).txt", L"b.txt",
                                       L"c (100501A).txt", L"c.txt", L"same.txt"}),
            FolderEntries(src));
  EXPECT_EQ("mine", ReadBytes(src + L"\\b.txt"));
  EXPECT_EQ(L"復元完了．3 件を復元しました．同じ版があった 1 件はそのままです．", view.status);
  // Kept both once: another time the copy gets a name of its own.
  Choose({0});
  t.user.ExpectChoice(L"<" + src + L"\\a.txt>", 1);
  FindRestore(t.app, st, view);
  EXPECT_EQ("stored", ReadBytes(src + L"\\a (100501A 2).txt"));
}

TEST_F(FindTest, NothingChosenSaysSo) {
  Store(L"100501A", L"a.txt", "a", At(2010, 5, 1, 9, 0, 0));
  Search(L"a.txt");
  Choose({});
  FindRestore(t.app, st, view);
  EXPECT_EQ(L"ファイルを選んでください．", view.status);
  FindRestoreElsewhere(t.app, st, view);
  FindOpen(t.app, st, view);
  EXPECT_TRUE(view.opened.empty());
}

TEST_F(FindTest, ElsewhereKeepsTheFoldersBelowTheSearchRootAndNeverOverwrites) {
  Store(L"100502A", L"deep\\x.txt", "x2", At(2010, 5, 2, 9, 0, 0));
  Store(L"100501A", L"deep\\x.txt", "x1", At(2010, 5, 1, 9, 0, 0));
  Store(L"100501A", L"deep\\er\\y.txt", "y1", At(2010, 5, 1, 9, 0, 0));
  PutAt(src + L"\\deep\\x.txt", "source", At(2010, 5, 5, 9, 0, 0));
  const std::wstring out = tmp / L"out";
  PutAt(out + L"\\er\\y.txt", "already there", At(2010, 5, 5, 9, 0, 0));
  const auto sourceBefore = Tree(src);
  Search(L"*.txt", src + L"\\deep");
  Choose({0, 1, 2});
  t.user.NextFolder(out);
  FindRestoreElsewhere(t.app, st, view);
  EXPECT_EQ(sourceBefore, Tree(src));
  EXPECT_EQ((std::map<std::wstring, std::string>{{L"er\\", "<dir>"},
                                                 {L"er\\y (100501A).txt", "y1"},
                                                 {L"er\\y.txt", "already there"},
                                                 {L"x (100501A).txt", "x1"},
                                                 {L"x.txt", "x2"}}),
            Tree(out));
  EXPECT_EQ(L"復元完了．3 件を <" + out + L"> に復元しました．", view.status);
  // Without a search root the whole source path is kept, from the drive letter.
  Search(L"y.txt");
  Choose({0});
  t.user.NextFolder(tmp / L"all");
  FindRestoreElsewhere(t.app, st, view);
  EXPECT_EQ("y1", ReadBytes(tmp / L"all\\" + src.substr(0, 1) + L"\\" + src.substr(3) + L"\\deep\\er\\y.txt"));
}

TEST_F(FindTest, ElsewhereRefusesTheBackupItself) {
  Store(L"100501A", L"a.txt", "a", At(2010, 5, 1, 9, 0, 0));
  Search(L"a.txt");
  const auto before = Tree(dest);
  for (const std::wstring& inside : {dest + L"\\100501A", dest, tmp.path()}) {
    Choose({0});
    t.user.NextFolder(inside);
    t.user.Expect(L"<" + inside + L"> はバックアップ先と重なっています.\r\n別のフォルダを選んでください.");
    FindRestoreElsewhere(t.app, st, view);
    t.user.VerifyDone();
  }
  EXPECT_EQ(before, Tree(dest));
}

TEST_F(FindTest, OpenShowsAReadOnlyTemporaryCopyThatGoesWhenTheDialogCloses) {
  const std::wstring stored = Store(L"100501A", L"a.txt", "look", At(2010, 5, 1, 9, 0, 0));
  Search(L"a.txt");
  Choose({0});
  FindOpen(t.app, st, view);
  FindOpen(t.app, st, view);
  ASSERT_EQ(2u, view.opened.size());
  EXPECT_NE(view.opened[0], view.opened[1]) << "a program may still hold the first copy";
  for (const auto& copy : view.opened) {
    EXPECT_EQ("look", ReadBytes(copy));
    EXPECT_TRUE(AttributesOf(copy) & FILE_ATTRIBUTE_READONLY);
    EXPECT_NE(std::wstring::npos, copy.find(L"\\ruzer-open\\100501A-"));
  }
  EXPECT_EQ(AttributesOf(stored) & FILE_ATTRIBUTE_READONLY, 0u) << "the backup is never changed";
  FindClosed(t.app, st);
  for (const auto& copy : view.opened) {
    EXPECT_FALSE(FileExists(copy));
    EXPECT_FALSE(FolderExists(copy.substr(0, copy.rfind(L'\\'))));
  }
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

// Files only (folders left out): relative path -> contents.
std::map<std::wstring, std::string> FilesOf(const std::wstring& root) {
  std::map<std::wstring, std::string> files;
  for (const auto& [rel, content] : Tree(root))
    if (rel.back() != L'\\') files[rel] = content;
  return files;
}

TEST(FindAsOfADay, AFolderComesBackAsItWasWhenTheGenerationWasMadePlusLaterFiles) {
  BackupFixture f;
  const std::wstring& src = f.src;
  f.AddRow(src);
  std::vector<std::map<std::wstring, std::string>> days;  // the source after each day's changes
  auto Run = [&](int day) {
    days.push_back(FilesOf(src));
    f.Day(2010, 5, day);
    f.Backup();
  };
  Put(src + L"\\a.txt", "a1");
  Put(src + L"\\sub\\b.txt", "b1");
  Put(src + L"\\sub\\deep\\c.txt", "c1");
  Run(1);
  Put(src + L"\\a.txt", "a2");
  Put(src + L"\\sub\\d.txt", "d1");
  Run(2);
  Put(src + L"\\a.txt", "a3, longer");
  DeleteFileW(LongPath(src + L"\\sub\\b.txt").c_str());
  Run(3);
  Put(src + L"\\e.txt", "e1");  // made after day 2
  Put(src + L"\\sub\\deep\\c.txt", "c2");
  Run(4);
  Put(src + L"\\e.txt", "e2");
  DeleteFileW(LongPath(src + L"\\sub\\d.txt").c_str());
  Put(src + L"\\sub\\deep\\c.txt", "c3");
  Run(5);
  const auto sourceNow = Tree(src);

  for (int chosen = 1; chosen <= 5; ++chosen) {
    SCOPED_TRACE(chosen);
    FindState st;
    FakeFindView view;
    FindOpened(f.app(), st);
    ASSERT_EQ((std::vector<std::wstring>{L"100505A", L"100504A", L"100503A", L"100502A", L"100501A"}),
              st.dayGenerations);
    st.day = 5 - chosen;
    st.folder = src;
    const std::wstring out = f.tmp / (L"out" + std::to_wstring(chosen));
    f.t.user.NextFolder(out);
    FindRestoreAsOf(f.app(), st, view);
    // The day's files, and each file made later in the first version a later day had.
    auto expected = days[static_cast<size_t>(chosen - 1)];
    for (size_t later = static_cast<size_t>(chosen); later < days.size(); ++later)
      for (const auto& [rel, content] : days[later]) expected.emplace(rel, content);
    const std::wstring made = out + L"\\src (" + st.dayGenerations[static_cast<size_t>(st.day)] + L")";
    EXPECT_EQ(expected, FilesOf(made));
    EXPECT_EQ(L"復元完了．<" + src + L"> の " + st.dayGenerations[static_cast<size_t>(st.day)] + L" の状態を <" + made +
                  L"> に復元しました (" + std::to_wstring(expected.size()) + L" 件)．",
              view.status);
  }
  EXPECT_EQ(sourceNow, Tree(src)) << "the source folder is never touched";
  EXPECT_EQ("a2", ReadBytes(f.tmp / L"out2\\src (100502A)\\a.txt"));
  EXPECT_EQ("e1", ReadBytes(f.tmp / L"out2\\src (100502A)\\e.txt"));
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

// Japanese names, found by the part of the name a user remembers.
TEST_F(FindTest, PartOfAJapaneseName) {
  const SYSTEMTIME t0 = At(2010, 5, 1);
  Store(L"100501A", L"見積書\\見積書_山田様.xlsx", "a", t0);
  Store(L"100501A", L"見積書\\見積書_鈴木様.xlsx", "b", t0);
  Store(L"100501A", L"議事録\\定例会議_11月.docx", "c", t0);
  Search(L"見積書");
  EXPECT_EQ((std::vector<std::wstring>{L"見積書_山田様.xlsx", L"見積書_鈴木様.xlsx"}), [&] {
    auto names = Column(kColName);
    std::sort(names.begin(), names.end());
    return names;
  }()) << Utf8(view.status);
}

}  // namespace
}  // namespace ruzer::test

// Drag and drop onto the lists: folders of the tree or of Explorer become rows,
// and lines dragged between the lists find their counterparts.
#include <gtest/gtest.h>

#include "sources/Sdrop.h"
#include "sources/Sledit.h"
#include "sources_fixture.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

// The main view with what drops read: the tree's node, the current error line,
// the size-list lines and the selections of the bottom lists.
class DropView : public FakeView {
 public:
  std::wstring treePath, treeText;
  List treeFolders;  // folders the tree can go to
  List treeShown;    // ShowTreePath calls
  std::optional<std::wstring> errorLine;
  std::vector<std::vector<std::wstring>> sizeLines;
  int sizeSelected = -1, oldSelected = -1;
  List selections;  // "size:i" / "old:i" in call order

  std::wstring TreeSelectedPath() override { return treePath; }
  std::wstring TreeSelectedText() override { return treeText; }
  bool ShowTreePath(const std::wstring& path) override {
    treeShown.push_back(path);
    for (const auto& f : treeFolders)
      if (f == path) return true;
    return false;
  }
  std::optional<std::wstring> ErrorListCurrentLine() override { return errorLine; }
  std::vector<std::vector<std::wstring>> SizeListRows() override { return sizeLines; }
  int SizeListSelected() override { return sizeSelected; }
  void SizeListSelect(int row) override { selections.push_back(L"size:" + std::to_wstring(row)); }
  int OldListSelected() override { return oldSelected; }
  void OldListSelect(int row) override { selections.push_back(L"old:" + std::to_wstring(row)); }
};

class DropTest : public ::testing::Test {
 protected:
  ScriptedUser user;
  DropView view;
  FakeClock clock;
  App app{user, view, clock};
  TempDir dir;

  void SetUp() override {
    app.FileSetFolder = dir.path() + L"\\";
    app.IndexFileName = L"RUZER.IDX";
    ASSERT_TRUE(WriteBytes(dir / L"RUZER.IDX",
                           Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=180", L"",
                                      L"[Index]", L"Fname1=P", L"Dpath1=", L"Volum1=", L"LstDy1=", L""})));
    app.pages = {L"P"};
    app.activePage = 0;
    app.PageIndexTable = {IndexRow{L"No."}, IndexRow{L"1", L"P"}};
    ASSERT_TRUE(CreateDirectoryW(root().c_str(), nullptr));
  }

  std::wstring root() const { return dir / L"src"; }
  std::wstring Folder(const std::wstring& rel) const { return MakeFolderBelow(root(), rel); }
  void Page(const std::vector<SourceRow>& rows) {
    WriteRowsBelow(app, root(), rows);
    view.ShowSourceRows(&app.rows);
  }
  std::vector<SourceRow> DiskRows() { return PageFileRows(app); }
  void ExpectListIsFile() { ExpectRowsMatchFile(app); }
  void DropFolder(const std::wstring& path, const std::wstring& text, bool beside = false) {
    view.treePath = path;
    view.treeText = text;
    DropOnSourceList(app, DragControl::Tree, beside);
  }
  std::wstring NotReal(const std::wstring& p) { return L"<" + p + L"> は登録できません．\r\n(実フォルダではありません．)"; }
  std::wstring NoAccess(const std::wstring& p) {
    return L"<" + p + L"> は登録できません．\r\n(フォルダでは無いか、アクセスできません．)";
  }
  void ExpectWarning(const std::wstring& text) {
    struct ScriptedUser::Expect e;
    e.text = text;
    e.kind = MsgKind::Warning;
    e.buttons = kOk;
    user.ExpectFull(e);
  }
};

// ---------------------------------------------------------------- error lines

TEST(ErrorLineFolder, FolderOfTheFailedFile) {
  const struct {
    std::wstring line;
    std::optional<std::wstring> folder;
  } cases[] = {
      {L"C:\\data\\sub\\a.txt <エラー:5> アクセスが拒否されました", L"C:\\data\\sub"},
      {L"C:\\data\\a<b>.txt <エラー:5> x", L"C:\\data"},  // the first "<" ends the path
      {L"{ホーム} ページ.", std::nullopt},
      {L"{C:\\data\\x <エラー:5>", std::nullopt},
      {L"C:\\data\\a.txt ok", std::nullopt},
      {L"", std::nullopt},
      {L"a.txt <エラー:2> x", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.folder, ErrorLineFolder(c.line)) << Utf8(c.line);
}

// ---------------------------------------------------------------- folder drop from the tree

TEST_F(DropTest, ANewFolderBecomesARowWithTheDefaultsAndIsWritten) {
  Page({Row({.caption = L"alpha"})});
  app.env.defSave1 = L"*.doc";
  app.env.defSave2 = L"*.tmp";
  const std::wstring f = Folder(L"beta");
  view.status = L"前の表示";
  DropFolder(f, L"beta");
  user.VerifyDone();
  EXPECT_EQ(Utf8(L"<" + f + L"> 登録."), Utf8(view.status));
  ASSERT_EQ(2, app.RowCount());
  EXPECT_EQ(f, app.rows[1].caption);
  EXPECT_EQ(L"", app.rows[1].comment) << "the node shows its folder name: no comment";
  EXPECT_EQ(L"*.doc", app.rows[1].save);
  EXPECT_EQ(L"*.tmp", app.rows[1].exclude);
  ExpectListIsFile();
}

TEST_F(DropTest, ANodeShownUnderAnotherNameBringsItAsComment) {
  Page({});
  const std::wstring f = Folder(L"Documents");
  DropFolder(f, L"ドキュメント");
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(L"ドキュメント", app.rows[0].comment);
  ExpectListIsFile();
}

TEST_F(DropTest, ADriveRootTakesItsDisplayNameAsComment) {
  Page({});
  const std::wstring drive = root().substr(0, 3);  // "C:\"
  DropFolder(drive, L"ローカル ディスク (" + drive.substr(0, 2) + L")");
  user.VerifyDone();
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(drive, app.rows[0].caption);
  EXPECT_EQ(L"ローカル ディスク (" + drive.substr(0, 2) + L")", app.rows[0].comment);
  EXPECT_EQ(Utf8(L"<" + drive + L"> 登録."), Utf8(view.status));
  ExpectListIsFile();
}

TEST_F(DropTest, AnExistingRowGetsTheCommentOnceThenTheWarning) {
  Page({Row({.caption = L"Music"})});
  const std::wstring f = root() + L"\\MUSIC";  // same folder, other case
  DropFolder(f, L"ミュージック");
  user.VerifyDone();
  EXPECT_EQ(Utf8(L"コメント欄に <ミュージック> 追加."), Utf8(view.status));
  EXPECT_EQ(L"ミュージック", app.rows[0].comment);
  ExpectListIsFile();

  ExpectWarning(f + L" は登録済みです．");
  DropFolder(f, L"ミュージック");
  user.VerifyDone();
  EXPECT_EQ(L"", view.status);
  EXPECT_EQ(1, app.RowCount());
  ExpectListIsFile();
}

TEST_F(DropTest, AnExistingRowWithoutANewNameIsWarnedAbout) {
  Page({Row({.caption = L"Music", .comment = L"曲"})});
  const std::wstring f = Folder(L"Music");
  for (const std::wstring text : {L"Music", L"ミュージック"}) {
    ExpectWarning(f + L" は登録済みです．");
    DropFolder(f, text);
    user.VerifyDone();
    EXPECT_EQ(L"曲", app.rows[0].comment) << "a comment is never overwritten";
  }
  ExpectListIsFile();
}

TEST_F(DropTest, AFolderBelowARowIsOfferedAsItsExcludedFolderWithoutTheAddedText) {
  Page({Row({.caption = L"data"})});
  const std::wstring f = Folder(L"data\\cache");
  for (MsgButton answer : {kNo, kYes}) {
    user.Expect(L"<" + f + L"> を、フォルダ <" + root() + L"\\data> に除外フォルダとして登録しますか？", answer);
    DropFolder(f, L"cache");
    user.VerifyDone();
    EXPECT_EQ(L"", view.status) << "no \"登録.\" whatever the answer";
    EXPECT_EQ(1, app.RowCount());
    ExpectListIsFile();
  }
  EXPECT_NE(std::wstring::npos, DiskRows()[0].excluded.find(L"cache"));
}

TEST_F(DropTest, RefusedFoldersLeaveThePageAlone) {
  Page({Row({.caption = L"data"})});
  const std::wstring file = root() + L"\\file.txt";
  ASSERT_TRUE(WriteBytes(file, "x"));
  const std::wstring gone = Folder(L"gone");
  ASSERT_TRUE(RemoveDirectoryW(gone.c_str()));  // deleted between drag and drop
  std::wstring longPath = root();
  while (longPath.size() < MAX_PATH) longPath += L"\\" + std::wstring(40, L'x');
  const struct {
    std::wstring path;
    std::wstring warning;
  } cases[] = {
      {L"\\\\server\\share", NotReal(L"\\\\server\\share")},
      {L"\\\\server\\share\\docs", NotReal(L"\\\\server\\share\\docs")},
      {L"\\\\?\\" + root(), NotReal(L"\\\\?\\" + root())},
      {L"C:\\a?b", NotReal(L"C:\\a?b")},
      {L"relative\\x", NotReal(L"relative\\x")},
      {gone, NoAccess(gone)},
      {file, NoAccess(file)},
      {longPath, NoAccess(longPath)},
      {L"Q:\\nowhere", NoAccess(L"Q:\\nowhere")},
  };
  const auto before = ReadBytes(dir / L"P.PAG");
  for (const auto& c : cases) {
    ExpectWarning(c.warning);
    DropFolder(c.path, L"x");
    user.VerifyDone();
    EXPECT_EQ(1, app.RowCount()) << Utf8(c.path);
  }
  EXPECT_EQ(before, ReadBytes(dir / L"P.PAG"));
}

TEST_F(DropTest, NodesWithoutAFolderPathAreNotRegistered) {
  Page({});
  // Control Panel, Recycle Bin: no file-system path. A one-letter path is no path either.
  DropFolder(L"", L"コントロール パネル");
  EXPECT_EQ(Utf8(L"<コントロール パネル> は実フォルダではないため登録できません．"), Utf8(view.status));
  view.statusHistory.clear();
  DropFolder(L"", L"");
  DropFolder(L"C", L"");
  EXPECT_EQ((List{L"", L""}), view.statusHistory) << "no node: the status line is only cleared";
  EXPECT_EQ(0, app.RowCount());
  EXPECT_TRUE(DiskRows().empty());
}

TEST_F(DropTest, AJunctionIsRefusedAsAnUnusableFolder) {
  Page({});
  const std::wstring link = root() + L"\\link";
  if (!MakeFolderSymlink(link, Folder(L"target"))) GTEST_SKIP() << "host symlinks unavailable";
  user.Expect(L"<" + link + L"> は使用できないフォルダです．");
  DropFolder(link, L"link");
  user.VerifyDone();
  EXPECT_EQ(0, app.RowCount());
  RemoveFolderSymlink(link);
}

TEST_F(DropTest, BesideARowOrWhileBusyNothingIsRegistered) {
  Page({});
  const std::wstring f = Folder(L"beta");
  DropFolder(f, L"beta", /*beside=*/true);
  EXPECT_EQ(0, app.RowCount());
  EXPECT_EQ(L"", view.status);
  for (bool* flag : {&app.busy, &app.PageLoading}) {
    *flag = true;
    DropFolder(f, L"beta");
    EXPECT_EQ(Utf8(L"処理中のため、フォルダは登録できません．"), Utf8(view.status));
    EXPECT_EQ(0, app.RowCount());
    *flag = false;
  }
  EXPECT_TRUE(DiskRows().empty());
  DropFolder(f, L"beta");
  EXPECT_EQ(1, app.RowCount());
}

TEST_F(DropTest, APageFileThatCannotBeWrittenTakesTheNewRowBack) {
  Page({Row({.caption = L"alpha"})});
  const std::wstring f = Folder(L"beta");
  LockedFile lock(dir / L"P.PAG");
  ASSERT_TRUE(lock.ok());
  user.ExpectPrefix(L"設定ページファイル\"");
  DropFolder(f, L"ベータ");
  user.VerifyDone();
  ASSERT_EQ(1, app.RowCount());
  EXPECT_EQ(root() + L"\\alpha", app.rows[0].caption);
  EXPECT_EQ(L"1", app.rows[0].no);

  user.ExpectPrefix(L"設定ページファイル\"");
  DropFolder(root() + L"\\alpha", L"アルファ");
  user.VerifyDone();
  EXPECT_EQ(L"", app.rows[0].comment) << "the comment the file could not take is not shown";
}

// ---------------------------------------------------------------- folders from Explorer

TEST_F(DropTest, FoldersFromExplorerBecomeRowsAndFilesAreRefused) {
  Page({Row({.caption = L"music", .comment = L"曲"})});
  const std::wstring a = Folder(L"a"), b = Folder(L"b");
  const std::wstring file = root() + L"\\note.txt";
  ASSERT_TRUE(WriteBytes(file, "x"));
  ExpectWarning(NotReal(L"\\\\server\\share"));
  ExpectWarning(root() + L"\\music は登録済みです．");
  DropPathsOnSourceList(app, {a, file, L"\\\\server\\share", root() + L"\\music", b}, false);
  user.VerifyDone();
  EXPECT_EQ(Utf8(L"<" + b + L"> 登録."), Utf8(view.status));
  EXPECT_NE(view.statusHistory.end(), std::find(view.statusHistory.begin(), view.statusHistory.end(),
                                                L"<" + file + L"> はファイルです．登録できるのはフォルダだけです．"));
  EXPECT_EQ((List{a, b, root() + L"\\music"}), Captions(app.rows));
  for (const auto& r : app.rows) {
    if (r.caption != root() + L"\\music") EXPECT_EQ(L"", r.comment);
  }
  ExpectListIsFile();
}

TEST_F(DropTest, ExplorerDropsWhileBusyOrBesideARowAreRefused) {
  Page({});
  const std::wstring a = Folder(L"a");
  app.busy = true;
  DropPathsOnSourceList(app, {a}, false);
  EXPECT_EQ(Utf8(L"処理中のため、フォルダは登録できません．"), Utf8(view.status));
  app.busy = false;
  DropPathsOnSourceList(app, {a}, true);
  EXPECT_EQ(0, app.RowCount());
  EXPECT_TRUE(DiskRows().empty());
}

// ---------------------------------------------------------------- finding rows and lines

class FindTest : public DropTest {
 protected:
  void SetUp() override {
    DropTest::SetUp();
    Page({Row({.caption = L"Data"}), Row({.caption = L"Data\\Photos"}), Row({.caption = L"database"}), Row({.caption = L"zeta"})});
    // Rows sorted: Data, Data\Photos, database, zeta.
    view.sizeLines = {{root() + L"\\zeta", L""}, {root() + L"\\DATA", L""}, {root() + L"\\data\\photos", L""}};
    app.oldRows = {Row({.caption = root() + L"\\old"}), Row({.caption = root() + L"\\Zeta"})};
  }
  std::wstring R(const std::wstring& rel) { return root() + L"\\" + rel; }
};

TEST_F(FindTest, AnErrorLineSelectsTheRowOfTheFailedFile) {
  const struct {
    std::optional<std::wstring> line;
    std::vector<int> selected;  // empty: selection untouched
  } cases[] = {
      {R(L"data\\photos\\2010\\a.jpg") + L" <エラー:5> アクセスが拒否されました", {1}},  // deepest row, other case
      {R(L"Data\\b.txt") + L" <エラー:32> x", {0}},
      {R(L"database\\c.txt") + L" <エラー:32> x", {2}},  // "Data" is no folder of "database"
      {R(L"ZETA\\d") + L" <エラー:2> x", {3}},
      {R(L"other\\e") + L" <エラー:2> x", {}},
      {L"{P} ページ.", {}},
      {std::nullopt, {}},
  };
  for (const auto& c : cases) {
    view.selected = {};
    view.selectCalls = 0;
    view.errorLine = c.line;
    view.status = L"x";
    DropOnSourceList(app, DragControl::ErrorList, false);
    EXPECT_EQ(c.selected, view.selected) << Utf8(c.line.value_or(L"(none)"));
    EXPECT_EQ(c.selected.empty() ? 0 : 1, view.selectCalls);
    EXPECT_EQ(L"", view.status);
  }
  user.VerifyDone();
}

TEST_F(FindTest, ListLinesSelectTheirRowsAndTheSourceListDroppedOnItselfDoesNothing) {
  const struct {
    DragControl from;
    int sizeSel, oldSel;
    std::vector<int> selected;
  } cases[] = {
      {DragControl::SizeList, 2, -1, {1}},
      {DragControl::SizeList, 1, -1, {0}},
      {DragControl::SizeList, -1, -1, {}},
      {DragControl::OldList, -1, 1, {3}},
      {DragControl::OldList, -1, 0, {}},
      {DragControl::SourceList, 2, 1, {}},
  };
  for (const auto& c : cases) {
    view.selected = {2};
    view.selectCalls = 0;
    view.sizeSelected = c.sizeSel;
    view.oldSelected = c.oldSel;
    BeginDrag(app, c.from);
    DropOnSourceList(app, c.from, false);
    EXPECT_EQ(0, app.DragSourceKind);
    EXPECT_EQ(c.selected.empty() ? std::vector<int>{2} : c.selected, view.selected);
    EXPECT_EQ(c.selected.empty() ? 0 : 1, view.selectCalls);
  }
}

TEST_F(FindTest, ALeftoverSourceListDragIsTakenForADropOnItselfUnlessTheDragEnded) {
  view.errorLine = R(L"zeta\\a") + L" <エラー:5> x";
  BeginDrag(app, DragControl::SourceList);  // dropped nowhere
  DropOnSourceList(app, DragControl::ErrorList, false);
  EXPECT_EQ(0, view.selectCalls);
  EXPECT_EQ(0, app.DragSourceKind);

  BeginDrag(app, DragControl::SourceList);
  EndDrag(app);  // the window ends every drag, wherever it ends
  DropOnSourceList(app, DragControl::ErrorList, false);
  EXPECT_EQ(std::vector<int>{3}, view.selected);
}

TEST_F(FindTest, ListsDroppedOnTheTreeOpenItAtTheFolder) {
  view.treeFolders = {R(L"Data"), R(L"data\\photos"), R(L"zeta")};
  const struct {
    DragControl from;
    std::optional<std::wstring> errorLine;
    std::vector<int> rowSel;
    int sizeSel, oldSel;
    List shown;
    std::wstring status;
  } cases[] = {
      {DragControl::ErrorList, R(L"zeta\\a.txt") + L" <エラー:5> x", {}, -1, -1, {R(L"zeta")}, L""},
      {DragControl::ErrorList, L"{P} ページ.", {}, -1, -1, {}, L""},
      {DragControl::ErrorList, std::nullopt, {}, -1, -1, {}, L""},
      {DragControl::SourceList, std::nullopt, {0}, -1, -1, {R(L"Data")}, L""},
      {DragControl::SourceList, std::nullopt, {}, -1, -1, {}, L""},
      {DragControl::SizeList, std::nullopt, {}, 2, -1, {R(L"data\\photos")}, L""},
      {DragControl::OldList, std::nullopt, {}, -1, 0, {R(L"old")}, L"<" + R(L"old") + L">が見つかりません．"},
      {DragControl::Tree, std::nullopt, {}, -1, -1, {}, L""},
  };
  for (const auto& c : cases) {
    view.treeShown.clear();
    view.status = L"x";
    view.errorLine = c.errorLine;
    view.selected = c.rowSel;
    view.sizeSelected = c.sizeSel;
    view.oldSelected = c.oldSel;
    BeginDrag(app, c.from);
    DropOnTree(app, c.from);
    EndDrag(app);
    EXPECT_EQ(c.shown, view.treeShown) << static_cast<int>(c.from);
    EXPECT_EQ(Utf8(c.status), Utf8(view.status)) << static_cast<int>(c.from);
  }
}

TEST_F(FindTest, LinesDroppedBetweenTheBottomListsFindTheirFolder) {
  const struct {
    DragControl from;
    bool ontoSize;
    std::vector<int> rowSel;
    int sizeSel, oldSel;
    List selections;
    std::wstring status;
  } cases[] = {
      {DragControl::SourceList, true, {0}, -1, -1, {L"size:1"}, L""},  // "Data" finds "DATA"
      {DragControl::SourceList, true, {2}, -1, -1, {}, L""},           // database: no line
      {DragControl::SourceList, true, {}, -1, -1, {}, L""},
      {DragControl::OldList, true, {}, -1, 1, {L"size:0"}, L""},
      {DragControl::SizeList, true, {}, 0, -1, {}, L""},  // onto itself
      {DragControl::SourceList, false, {3}, -1, -1, {L"old:1"}, L""},
      {DragControl::SizeList, false, {}, 0, -1, {L"old:1"}, L""},
      {DragControl::OldList, false, {}, -1, 1, {}, L""},
      {DragControl::ErrorList, true, {}, -1, -1, {}, L""},
      {DragControl::Tree, true, {}, -1, -1, {}, L"フォルダ・ツリー → 容量リスト ドロップ不可．"},
      {DragControl::Tree, false, {}, -1, -1, {}, L"フォルダ・ツリー → 旧バージョンリスト ドロップ不可．"},
  };
  for (const auto& c : cases) {
    view.selections.clear();
    view.status = L"x";
    view.selected = c.rowSel;
    view.sizeSelected = c.sizeSel;
    view.oldSelected = c.oldSel;
    BeginDrag(app, c.from);
    if (c.ontoSize)
      DropOnSizeList(app, c.from);
    else
      DropOnOldList(app, c.from);
    EXPECT_EQ(0, app.DragSourceKind);
    EXPECT_EQ(c.selections, view.selections) << static_cast<int>(c.from) << " onto size " << c.ontoSize;
    EXPECT_EQ(Utf8(c.status), Utf8(view.status));
  }
  user.VerifyDone();
}

}  // namespace
}  // namespace ruzer::test

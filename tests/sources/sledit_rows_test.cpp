// The overlap rules and the operations that add and fill source rows.
#include <gtest/gtest.h>

#include "sources/Sledit.h"
#include "sources_fixture.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

std::wstring Unusable(const std::wstring& f) { return L"<" + f + L"> は使用できないフォルダです．"; }

class RowFolderTest : public SourcesTest {};

TEST_F(RowFolderTest, AttributeTestRefusesMissingFilesAndLinksBeforeAnyRow) {
  Page({Row({.caption = L"data"})});
  const std::wstring file = root() + L"\\file.txt";
  ASSERT_TRUE(WriteBytes(file, "x"));
  const std::wstring link = root() + L"\\link";
  const bool haveLink = MakeFolderSymlink(link, Folder(L"target"));
  List refused = {root() + L"\\gone", Folder(L"data") + L"\\gone", file};
  if (haveLink) refused.push_back(link);
  for (const auto& f : refused) {
    t.view.selectCalls = 0;
    t.user.ExpectFull(Exact(Unusable(f), MsgKind::Error, kOk, 0));
    EXPECT_FALSE(ValidateRowFolder(app, -1, f)) << Utf8(f);
    t.user.ExpectFull(Exact(Unusable(f), MsgKind::Error, kOk, 0));
    EXPECT_FALSE(AdmitNewRowFolder(app, f)) << Utf8(f);
    t.user.VerifyDone();
    EXPECT_EQ(0, t.view.selectCalls) << "no row is looked at";
  }
  if (haveLink) RemoveFolderSymlink(link);
  else GTEST_LOG_(INFO) << "host symlinks unavailable: junction case skipped";
}

struct ValidateCase {
  std::wstring folder;  // below root()
  int skip;
  std::wstring message;  // {F} and {S} stand for the full paths; empty: passes
  std::wstring row;      // the row that the refusal selects (empty: none)
};

TEST_F(RowFolderTest, ValidateRowFolderRefusesEqualAndNestedFolders) {
  Page({Row({.caption = L"data"}), Row({.caption = L"other\\deep"}), Row({.caption = L"zeta"})});
  Folder(L"data\\old");
  Folder(L"database");
  Folder(L"other\\deep\\x");
  const ValidateCase cases[] = {
      {L"data\\old", -1, L"<{F}> の上位フォルダ <{S}> が登録済みです．", L"data"},
      {L"other", -1, L"<{F}> の下位フォルダ <{S}> が登録済みです．", L"other\\deep"},
      {L"other\\deep\\x", -1, L"<{F}> の上位フォルダ <{S}> が登録済みです．", L"other\\deep"},
      {L"DATA", -1, L"<{F}> は登録済みです．", L""},
      {L"data", 0, L"", L""},  // the row itself is skipped
      {L"DATA", 0, L"", L""},
      {L"database", -1, L"", L""},  // a longer name is no sub-folder
      {L"data\\old", 1, L"<{F}> の上位フォルダ <{S}> が登録済みです．", L"data"},
  };
  for (const auto& c : cases) {
    const std::wstring f = root() + L"\\" + c.folder;
    t.view.selected = {2};
    t.view.selectCalls = 0;
    int rowIndex = -1;
    for (int i = 0; i < app.RowCount(); ++i)
      if (!c.row.empty() && app.rows[i].caption == root() + L"\\" + c.row) rowIndex = i;
    if (!c.message.empty()) {
      std::wstring m = c.message;
      m.replace(m.find(L"{F}"), 3, f);
      if (m.find(L"{S}") != std::wstring::npos) m.replace(m.find(L"{S}"), 3, root() + L"\\" + c.row);
      t.user.ExpectFull(Exact(m, MsgKind::Error, kOk, 0));
    }
    EXPECT_EQ(c.message.empty(), ValidateRowFolder(app, c.skip, f)) << Utf8(c.folder);
    t.user.VerifyDone();
    if (rowIndex >= 0)
      EXPECT_EQ(std::vector<int>{rowIndex}, t.view.selected) << Utf8(c.folder);
    else
      EXPECT_EQ(std::vector<int>{2}, t.view.selected) << "selection kept for " << Utf8(c.folder);
  }
}

TEST_F(RowFolderTest, WithNoRowsAnyUsableFolderPasses) {
  EXPECT_TRUE(ValidateRowFolder(app, -1, Folder(L"a")));
  EXPECT_TRUE(AdmitNewRowFolder(app, Folder(L"a")));
  EXPECT_EQ(0, t.view.selectCalls);
}

TEST_F(RowFolderTest, FolderBelowARowIsOfferedAsItsExcludedFolderAndWrittenAfterYes) {
  Page({Row({.caption = L"a"}), Row({.caption = L"data", .excluded = L"tmp"})});
  const std::wstring data = root() + L"\\data";
  const std::wstring work = Folder(L"data\\work");
  const std::wstring offer = L"<" + work + L"> を、フォルダ <" + data + L"> に除外フォルダとして登録しますか？";

  t.user.ExpectFull(Exact(offer, MsgKind::Confirmation, kYes | kNo, 0, kNo));
  EXPECT_FALSE(AdmitNewRowFolder(app, work));
  EXPECT_EQ(L"tmp", app.rows[1].excluded);
  EXPECT_EQ(std::vector<int>{1}, t.view.selected);

  t.user.ExpectFull(Exact(offer, MsgKind::Confirmation, kYes | kNo, 0, kYes));
  EXPECT_FALSE(AdmitNewRowFolder(app, work)) << "no new row is wanted";
  EXPECT_EQ(L"tmp:work", app.rows[1].excluded);
  EXPECT_EQ(2, app.RowCount());
  ExpectListMatchesFile();

  // Deeper folders keep their inner backslashes.
  const std::wstring deep = Folder(L"data\\x\\y");
  t.user.Expect(L"<" + deep + L"> を、フォルダ <" + data + L"> に除外フォルダとして登録しますか？", kYes);
  AdmitNewRowFolder(app, deep);
  EXPECT_EQ(L"tmp:work:x\\y", app.rows[1].excluded);
}

TEST_F(RowFolderTest, FolderNestedWithAnExcludedFolderIsRefused) {
  Page({Row({.caption = L"data", .excluded = L"tmp:Work\\Sub"})});
  const std::wstring data = root() + L"\\data";
  for (const std::wstring rel : {L"tmp", L"TMP", L"tmp\\x", L"work", L"work\\sub\\deeper"}) {
    const std::wstring f = Folder(L"data\\" + rel);
    t.view.selected.clear();
    t.user.ExpectFull(Exact(L"<" + f + L"> (またはその上位/下位フォルダ)は、\r\n<" + data +
                                L"> の行に「除外フォルダ」として登録済みです．",
                            MsgKind::Error, kOk, 0));
    EXPECT_FALSE(AdmitNewRowFolder(app, f)) << Utf8(rel);
    t.user.VerifyDone();
    EXPECT_EQ(std::vector<int>{0}, t.view.selected);
  }
  EXPECT_EQ(L"tmp:Work\\Sub", app.rows[0].excluded);
}

TEST_F(RowFolderTest, FolderAboveARowIsRefusedWithAWarning) {
  Page({Row({.caption = L"a"}), Row({.caption = L"data\\old"})});
  const std::wstring data = root() + L"\\data";
  t.user.ExpectFull(Exact(L"下位フォルダ <" + data + L"\\old> が登録済みです．\r\n先に削除してください．",
                          MsgKind::Warning, kOk, 0));
  EXPECT_FALSE(AdmitNewRowFolder(app, data));
  EXPECT_EQ(std::vector<int>{1}, t.view.selected);
  // Equality is left to the callers.
  EXPECT_TRUE(AdmitNewRowFolder(app, root() + L"\\a"));
}

TEST_F(RowFolderTest, ExcludedFolderThatCannotBeWrittenIsTakenBackWithTheStoresMessage) {
  Page({Row({.caption = L"data", .excluded = L"tmp"})});
  const std::wstring work = Folder(L"data\\work");
  {
    ReadOnlyFile ro(Pag(L"P"));
    t.user.ExpectPrefix(L"<" + work + L"> を、", kYes);
    t.user.ExpectFull(Exact(PageWriteFailed(ERROR_ACCESS_DENIED), MsgKind::Error, kOk | kHelp, 40));
    EXPECT_FALSE(AdmitNewRowFolder(app, work));
    t.user.VerifyDone();
    EXPECT_EQ(L"tmp", app.rows[0].excluded);
  }
  ExpectListMatchesFile();
  {
    LockedFile lock(Pag(L"P"));
    ASSERT_TRUE(lock.ok());
    t.user.ExpectPrefix(L"<" + work + L"> を、", kYes);
    t.user.ExpectPrefix(L"設定ページファイル\"" + Pag(L"P") + L"\"の書き込み失敗．");
    EXPECT_FALSE(AdmitNewRowFolder(app, work));
    t.user.VerifyDone();
    EXPECT_EQ(L"tmp", app.rows[0].excluded);
  }
  ExpectListMatchesFile();
}

// ---------------------------------------------------------------- excluded folders of the dialog

struct ExcludedCase {
  std::wstring rel;
  std::wstring message;  // empty: passes
  int selects;           // entry selected by the refusal, -1 none
};

TEST(ExcludedFolder, ValidateAgainstTheDialogsList) {
  TestApp t;
  const ExcludedCase cases[] = {
      {L"A\\B", L"A\\B は登録済みです.", -1},
      {L"x", L"x は登録済みです.", -1},
      {L"a", L"下位フォルダ a\\b が登録済みです．", 0},
      {L"a\\b\\c", L"上位フォルダ a\\b が登録済みです．", 0},
      {L"X\\y", L"上位フォルダ x が登録済みです．", 1},
      {L"xy", L"", -1},
      {L"a\\bc", L"", -1},
  };
  for (const auto& c : cases) {
    FolderDialogState d;
    d.src = L"C:\\data";
    d.dirs = {L"a\\b", L"x"};
    d.dirSelection = {};
    if (!c.message.empty()) t.user.ExpectFull(Exact(c.message, MsgKind::Error, kOk, 0));
    EXPECT_EQ(c.message.empty(), ValidateExcludedFolder(t.app, d, c.rel)) << Utf8(c.rel);
    t.user.VerifyDone();
    EXPECT_EQ(c.selects < 0 ? std::vector<int>{} : std::vector<int>{c.selects}, d.dirSelection) << Utf8(c.rel);
  }
  // A drive root as the source folder.
  FolderDialogState d;
  d.src = L"D:\\";
  d.dirs = {L"tmp"};
  t.user.Expect(L"上位フォルダ tmp が登録済みです．");
  EXPECT_FALSE(ValidateExcludedFolder(t.app, d, L"tmp\\cache"));
}

struct RebaseCase {
  std::wstring from, to;
  List dirs, expected;
};

TEST(ExcludedFolder, RebaseKeepsWhatLiesBelowTheNewFolder) {
  const RebaseCase cases[] = {
      {L"C:\\data", L"C:\\data\\sub", {L"sub\\x", L"y"}, {L"x"}},
      {L"C:\\data", L"C:\\data", {L"b", L"a"}, {L"b", L"a"}},  // unchanged: not even sorted
      {L"C:\\data", L"C:\\DATA", {L"b", L"a"}, {L"a", L"b"}},
      {L"C:\\data\\sub", L"C:\\data", {L"x", L"y\\z"}, {L"sub\\x", L"sub\\y\\z"}},
      {L"C:\\data", L"D:\\data", {L"x"}, {}},
      {L"C:\\data\\", L"C:\\data\\sub", {L"sub\\x"}, {L"x"}},
      {L"D:\\", L"D:\\work", {L"work\\tmp", L"other"}, {L"tmp"}},
      {L"C:\\data", L"C:\\", {L"x"}, {L"data\\x"}},
      {L"", L"C:\\data", {L"x"}, {}},
  };
  for (const auto& c : cases) {
    FolderDialogState d;
    d.sourceAtOpen = c.from;
    d.src = c.to;
    d.dirs = c.dirs;
    RebaseExcludedFolders(d);
    EXPECT_EQ(c.expected, d.dirs) << Utf8(c.from) << " -> " << Utf8(c.to);
  }
}

// ---------------------------------------------------------------- adding and storing rows

TEST_F(RowFolderTest, AddSourceRowWithDefaultsKeepsOrderAndRenumbers) {
  Page({Row({.caption = L"b"}), Row({.caption = L"d"})});
  app.env.defSave1 = L"*.doc:*.xls";
  app.env.defSave2 = L"~*";
  app.env.check[3] = false;
  EXPECT_TRUE(AddSourceRow(app, Folder(L"c"), L"メモ"));
  app.env.check[3] = true;
  EXPECT_TRUE(AddSourceRow(app, Folder(L"a"), L"", kRowDefaults));
  EXPECT_EQ((List{root() + L"\\a", root() + L"\\b", root() + L"\\c", root() + L"\\d"}), Captions(app.rows));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::to_wstring(i + 1), app.rows[i].no);
  const SourceRow& c = app.rows[2];
  EXPECT_EQ(L"メモ", c.comment);
  EXPECT_EQ(L"*.doc:*.xls", c.save);
  EXPECT_EQ(L"~*", c.exclude);
  EXPECT_EQ(L" ", c.mark);
  EXPECT_EQ(L"", c.excluded);
  EXPECT_EQ(L"o", app.rows[0].mark);
  EXPECT_EQ(&app.rows, t.view.rows);
}

TEST_F(RowFolderTest, AddSourceRowFromTheDialogTakesItsFields) {
  Page({Row({.caption = L"b"})});
  FolderDialogState d;
  d.saves = {L"*.doc", L"*.txt"};
  d.excludes = {L"~*"};
  d.subFolders = false;
  d.dirs = {L"cache", L"tmp\\x"};
  EXPECT_TRUE(AddSourceRow(app, Folder(L"a"), L"c", kRowFromDialog, &d));
  const SourceRow& a = app.rows[0];
  EXPECT_EQ(L"c", a.comment);
  EXPECT_EQ(L"*.doc:*.txt", a.save);
  EXPECT_EQ(L"~*", a.exclude);
  EXPECT_EQ(L" ", a.mark);
  EXPECT_EQ(L"cache:tmp\\x", a.excluded);
  EXPECT_EQ(L"1", a.no);
  // Refused: nothing is appended.
  t.user.ExpectPrefix(L"<" + root() + L"\\gone>");
  EXPECT_FALSE(AddSourceRow(app, root() + L"\\gone", L"", kRowFromDialog, &d));
  EXPECT_EQ(2, app.RowCount());
}

TEST_F(RowFolderTest, StoreDialogIntoRowMovesTheRowToItsPlace) {
  Page({Row({.caption = L"a"}), Row({.caption = L"b", .excluded = L"old"}), Row({.caption = L"c"})});
  FolderDialogState d;
  d.src = Folder(L"d");
  d.comment = L"new";
  d.saves = {L"*.txt"};
  d.subFolders = false;
  d.dirs = {};
  EXPECT_EQ(2, StoreDialogIntoRow(app, 1, d));
  EXPECT_EQ((List{root() + L"\\a", root() + L"\\c", root() + L"\\d"}), Captions(app.rows));
  const SourceRow& r = app.rows[2];
  EXPECT_EQ(L"new", r.comment);
  EXPECT_EQ(L"*.txt", r.save);
  EXPECT_EQ(L"", r.exclude);
  EXPECT_EQ(L" ", r.mark);
  EXPECT_EQ(L"", r.excluded);
  d.src = root() + L"\\d";
  d.dirs = {L"x"};
  EXPECT_EQ(2, StoreDialogIntoRow(app, 2, d));
  EXPECT_EQ(L"x", app.rows[2].excluded);
}

TEST(SelectRowOp, NothingWithNoRowsElseOnlyThatRow) {
  TestApp t;
  SelectRow(t.app, 0);
  EXPECT_EQ(0, t.view.selectCalls);
  t.app.rows.resize(3);
  t.view.selected = {0, 2};
  SelectRow(t.app, 1);
  EXPECT_EQ(std::vector<int>{1}, t.view.selected);
  SelectRow(t.app, -1);
  EXPECT_TRUE(t.view.selected.empty());
}

}  // namespace
}  // namespace ruzer::test

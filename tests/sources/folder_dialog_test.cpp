// The folder settings dialog's behaviour: its controls and the checks on OK.
#include <gtest/gtest.h>

#include "dialog_fakes.h"
#include "sources/Vedit.h"
#include "sources_fixture.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

const std::wstring kNetwork = L"ネットワーク先のファイルのバックアップはできません.";

class FolderDialogTest : public SourcesTest {
 protected:
  void SetUp() override {
    SourcesTest::SetUp();
    app.patternDialog = &patterns;
  }
  FolderDialogState state;
  FakeBrowser browser;
  FakePatternDialog patterns;
  FolderDialogLogic logic{app, browser, state};
};

struct OkCase {
  std::wstring typed;    // "{R}" stands for root()
  std::wstring message;  // "{F}" for the folder as checked; empty: passes
  std::wstring stored;   // edtSrc after a passing OK
};

std::wstring Fill(std::wstring s, const std::wstring& key, const std::wstring& value) {
  for (size_t at; (at = s.find(key)) != std::wstring::npos;) s.replace(at, key.size(), value);
  return s;
}

TEST_F(FolderDialogTest, OkRefusesBadSourceFoldersWithAClearMessage) {
  Folder(L"data");
  const std::wstring drive = L"<{F}> はドライブ名から始まるフォルダ名ではありません．\r\n\"C:\\フォルダ\" の形で指定してください．";
  const std::wstring device = L"<{F}> はデバイスのパスです．\r\n\"C:\\フォルダ\" の形で指定してください．";
  const OkCase cases[] = {
      {L"", L"保存元フォルダ名を指定してください", L""},
      {L"\\\\server\\share", kNetwork, L""},
      {L"\\\\server\\share\\", kNetwork, L""},
      {L"\\\\.\\C:\\data", device, L""},
      {L"\\\\?\\C:\\data", device, L""},
      {L"\\\\?\\UNC\\server\\share", device, L""},
      {L"X:", L"フォルダ名が短か過ぎます.", L""},
      {L"{R}\\a*b?", L"フォルダ名に使えない文字 \"*\" が含まれています.", L""},
      {L"{R}\\a|b", L"フォルダ名に使えない文字 \"|\" が含まれています.", L""},
      {L"{R}\\a:b", L"フォルダ名に使えない文字 \":\" が含まれています.", L""},
      {L"{R}\\a\tb", L"フォルダ名に使えない制御文字が含まれています．", L""},
      {L"data\\x", drive, L""},
      {L"\\data", drive, L""},
      {L"C:data", drive, L""},
      {L"C:/data", drive, L""},
      {L"1:\\data", drive, L""},
      {L"{R}\\CON", L"<CON> はWindowsの予約名なので、フォルダ名に使えません．", L""},
      {L"{R}\\aux.txt\\x", L"<aux.txt> はWindowsの予約名なので、フォルダ名に使えません．", L""},
      {L"{R}\\Lpt1", L"<Lpt1> はWindowsの予約名なので、フォルダ名に使えません．", L""},
      {L"{R}\\data.", L"<data.> のように末尾がピリオドや空白の名前は、フォルダ名に使えません．", L""},
      {L"{R}\\data \\x", L"<data > のように末尾がピリオドや空白の名前は、フォルダ名に使えません．", L""},
      {L"{R}\\..\\x", L"<..> のように末尾がピリオドや空白の名前は、フォルダ名に使えません．", L""},
      {L"{R}\\\\data", L"<{F}> には名前のない階層 (\"\\\\\") があります．", L""},
      {L"C:\\" + std::wstring(258, L'a'), L"フォルダ名が長過ぎます．（260文字まで）", L""},
      {L"{R}\\gone", L"<{F}> は使用できないフォルダです．", L""},
      {L"{R}\\data\\", L"", L"{R}\\data"},
      {L"{R}\\data", L"", L"{R}\\data"},
      {L"{R}\\console", L"<{F}> は使用できないフォルダです．", L""},  // not reserved, only missing
      {L"C:\\", L"", L"C:\\"},  // a drive root keeps its backslash
  };
  for (const auto& c : cases) {
    PrepareAdd(app, state);
    state.src = Fill(c.typed, L"{R}", root());
    const std::wstring checked = StripFolderBackslash(state.src);
    if (!c.message.empty()) t.user.ExpectFull(Exact(Fill(c.message, L"{F}", checked),
                                                    c.message.find(L"使用できない") != std::wstring::npos
                                                        ? MsgKind::Error
                                                        : MsgKind::Warning,
                                                    kOk, 0));
    EXPECT_EQ(c.message.empty(), logic.Ok()) << Utf8(c.typed);
    t.user.VerifyDone();
    if (c.message.empty()) {
      EXPECT_EQ(Fill(c.stored, L"{R}", root()), state.src);
    }
  }
}

TEST_F(FolderDialogTest, ChangeModeSkipsItsOwnRowUntilTheFolderVanishes) {
  Page({Row({.caption = L"a"}), Row({.caption = L"data"})});
  PrepareChange(app, state, 1);
  EXPECT_TRUE(logic.Ok());
  // Another row's folder is still refused.
  state.src = root() + L"\\A";
  t.user.Expect(L"<" + state.src + L"> は登録済みです．");
  EXPECT_FALSE(logic.Ok());
  state.src = root() + L"\\data";
  ASSERT_TRUE(RemoveDirectoryW(state.src.c_str()));
  t.user.ExpectFull(Exact(L"<" + state.src + L"> は使用できないフォルダです．", MsgKind::Error, kOk, 0));
  EXPECT_FALSE(logic.Ok());
  // In add mode the row's own folder counts as registered.
  Folder(L"data");
  PrepareAdd(app, state);
  state.src = root() + L"\\data";
  t.user.Expect(L"<" + state.src + L"> は登録済みです．");
  EXPECT_FALSE(logic.Ok());
}

TEST_F(FolderDialogTest, ChangedSourceFolderLocksTheExcludedFoldersAndRebasesThemOnOk) {
  Page({Row({.caption = L"data", .excluded = L"sub\\x:y"})});
  Folder(L"data\\sub\\x");
  PrepareChange(app, state, 0);
  EXPECT_EQ(root() + L"\\data", state.sourceAtOpen);
  EXPECT_EQ((List{L"sub\\x", L"y"}), state.dirs);
  EXPECT_TRUE(state.dirEnabled);
  logic.SourceLeft();
  EXPECT_TRUE(state.dirEnabled) << "unchanged text";
  state.src = root() + L"\\data\\sub";
  logic.SourceLeft();
  EXPECT_FALSE(state.dirEnabled);
  // The switch does not open them again for another folder.
  state.subFolders = false;
  logic.SwitchClicked();
  state.subFolders = true;
  logic.SwitchClicked();
  EXPECT_FALSE(state.dirEnabled);
  EXPECT_TRUE(logic.Ok());
  EXPECT_EQ((List{L"x"}), state.dirs);
}

TEST_F(FolderDialogTest, AFolderTypedIntoAnEmptyDialogKeepsTheExcludedFoldersOpen) {
  const std::wstring data = Folder(L"data");
  Folder(L"data\\tmp");
  PrepareAdd(app, state);
  state.src = data;
  logic.SourceLeft();
  EXPECT_TRUE(state.dirEnabled) << "no entries to re-express";
  EXPECT_EQ(data, state.sourceAtOpen);
  browser.Chosen(data + L"\\tmp");
  logic.AddExcludedFolder();
  EXPECT_TRUE(logic.Ok());
  EXPECT_EQ((List{L"tmp"}), state.dirs);
  // Typed again without leaving the field, the folder is checked before the browser opens.
  state.src = data + L"\\tmp";
  logic.AddExcludedFolder();
  EXPECT_FALSE(state.dirEnabled);
  EXPECT_EQ(1u, browser.calls.size());
}

TEST_F(FolderDialogTest, SwitchEnablesTheExcludedFoldersExactlyWhenChecked) {
  PrepareAdd(app, state);
  state.subFolders = false;
  logic.SwitchClicked();
  EXPECT_FALSE(state.dirEnabled);
  state.subFolders = true;
  logic.SwitchClicked();
  EXPECT_TRUE(state.dirEnabled);
}

TEST_F(FolderDialogTest, BrowseForTheSourceFolder) {
  PrepareAdd(app, state);
  state.src = L"C:\\start";
  state.sourceAtOpen = state.src;
  state.dirs = {L"x"};
  browser.Cancelled().Failed().Chosen(L"\\\\server\\share").Chosen(root());
  logic.BrowseSource();
  t.user.ExpectFull(Exact(L"そのフォルダは指定できません.", MsgKind::Warning, kOk, 0));
  logic.BrowseSource();
  t.user.ExpectFull(Exact(kNetwork, MsgKind::Warning, kOk, 0));
  logic.BrowseSource();
  EXPECT_EQ(L"C:\\start", state.src);
  EXPECT_TRUE(state.dirEnabled);
  logic.BrowseSource();
  EXPECT_EQ(root(), state.src);
  EXPECT_FALSE(state.dirEnabled) << "the rule for leaving edtSrc follows";
  ASSERT_EQ(4u, browser.calls.size());
  EXPECT_EQ(L"保存元フォルダの選択", browser.calls[0].caption);
  EXPECT_EQ(L"C:\\start", browser.calls[0].initial);
  EXPECT_EQ(L"", browser.calls[0].root);
}

TEST_F(FolderDialogTest, AddExcludedFolderBelowTheSourceFolder) {
  Folder(L"data\\a\\b");
  PrepareAdd(app, state);
  state.src = root() + L"\\data";
  state.sourceAtOpen = state.src;
  const std::wstring s = state.src;
  browser.Chosen(s + L"\\a\\b").Chosen(s + L"\\z").Chosen(s).Cancelled().Chosen(s + L"\\a").Chosen(s + L"\\A\\B");
  logic.AddExcludedFolder();
  logic.AddExcludedFolder();
  EXPECT_EQ((List{L"a\\b", L"z"}), state.dirs);
  t.user.ExpectFull(Exact(s + L" は登録できません.", MsgKind::Error, kOk, 0));
  logic.AddExcludedFolder();
  logic.AddExcludedFolder();  // cancelled
  t.user.ExpectFull(Exact(L"下位フォルダ a\\b が登録済みです．", MsgKind::Error, kOk, 0));
  logic.AddExcludedFolder();
  EXPECT_EQ(std::vector<int>{0}, state.dirSelection);
  t.user.ExpectFull(Exact(L"A\\B は登録済みです.", MsgKind::Error, kOk, 0));
  logic.AddExcludedFolder();
  EXPECT_EQ((List{L"a\\b", L"z"}), state.dirs);
  ASSERT_FALSE(browser.calls.empty());
  EXPECT_EQ(L"除外フォルダの選択", browser.calls[0].caption);
  EXPECT_EQ(L"", browser.calls[0].initial);
  EXPECT_EQ(s, browser.calls[0].root);

  state.dirSelection = {1, 0};
  logic.RemoveExcludedFolders();
  EXPECT_TRUE(state.dirs.empty());
}

TEST_F(FolderDialogTest, AddExcludedFolderOnADriveRootAndWithoutASourceFolder) {
  PrepareAdd(app, state);
  state.src = L"C:\\";
  browser.Chosen(L"C:\\windows");
  logic.AddExcludedFolder();
  EXPECT_EQ((List{L"windows"}), state.dirs);
  state.dirs.clear();
  state.src.clear();
  t.user.Expect(L"保存元フォルダ名を指定してください");
  logic.AddExcludedFolder();
  EXPECT_EQ(1u, browser.calls.size()) << "no browser without a root";
}

TEST_F(FolderDialogTest, AddPatternFromThePatternDialog) {
  PrepareAdd(app, state);
  state.src = L"C:\\data";
  state.saves = {L"*.doc"};
  state.excludes = {};
  patterns.answers = {L"*.TXT", L"*.Doc", L"", std::nullopt, L"  ~*  ", L"*.bak"};
  logic.AddPattern(PatternList::Save);
  logic.AddPattern(PatternList::Save);  // same as *.doc but for case
  logic.AddPattern(PatternList::Save);  // empty
  logic.AddPattern(PatternList::Save);  // cancelled
  EXPECT_EQ((List{L"*.doc", L"*.TXT"}), state.saves);
  logic.AddPattern(PatternList::Exclude);
  logic.AddPattern(PatternList::Exclude);
  EXPECT_EQ((List{L"*.bak", L"~*"}), state.excludes) << "trimmed, in the list's order";
  ASSERT_EQ(6u, patterns.calls.size());
  EXPECT_EQ(L"C:\\data", patterns.calls[0].folder.value_or(L"?"));
  EXPECT_EQ(L"*.*", patterns.calls[0].text.value_or(L"?"));
  EXPECT_FALSE(patterns.calls[4].text.has_value()) << "the exclude list keeps the field";
}

TEST_F(FolderDialogTest, ChangePatternReplacesTheEntryUnlessItIsAlreadyListed) {
  PrepareAdd(app, state);
  state.saves = {L"*.doc", L"*.txt"};
  patterns.answers = {L"*.DOC", L"*.TXT", std::nullopt, L"*.a"};
  logic.ChangePattern(PatternList::Save, 0);  // only the case differs
  logic.ChangePattern(PatternList::Save, 0);  // another entry
  logic.ChangePattern(PatternList::Save, 0);  // cancelled
  EXPECT_EQ((List{L"*.doc", L"*.txt"}), state.saves);
  logic.ChangePattern(PatternList::Save, 1);
  EXPECT_EQ((List{L"*.a", L"*.doc"}), state.saves);
  EXPECT_EQ(L"*.txt", patterns.calls[3].text.value_or(L"?"));
  logic.ChangePattern(PatternList::Exclude, 0);  // empty list: no dialog
  EXPECT_EQ(4u, patterns.calls.size());

  FolderDialogLogic::RemoveEntries(state.saves, {1, 7});
  EXPECT_EQ((List{L"*.a"}), state.saves);
}

TEST_F(FolderDialogTest, ModesFillTheDialog) {
  Page({Row({.caption = L"a", .comment = L"c", .save = L"*.x:*.doc", .exclude = L"~*", .mark = L" ", .excluded = L"t:s"})});
  app.env.defSave1 = L"*.txt:*.doc";
  app.env.defSave2 = L"*.tmp";
  PrepareChange(app, state, 0);
  EXPECT_EQ(EditMode::Change, state.mode);
  EXPECT_EQ(0, state.row);
  EXPECT_EQ(root() + L"\\a", state.src);
  EXPECT_FALSE(state.srcInTabOrder);
  EXPECT_EQ(L"c", state.comment);
  EXPECT_FALSE(state.subFolders);
  EXPECT_TRUE(state.dirEnabled) << "whatever the switch";
  EXPECT_EQ((List{L"*.doc", L"*.x"}), state.saves);
  EXPECT_EQ((List{L"~*"}), state.excludes);
  EXPECT_EQ((List{L"s", L"t"}), state.dirs);
  EXPECT_EQ(L"保存内容の変更", state.status);

  PrepareAdd(app, state);
  EXPECT_EQ(L"", state.src);
  EXPECT_TRUE(state.srcInTabOrder);
  EXPECT_EQ(L"", state.comment);
  EXPECT_TRUE(state.subFolders);
  EXPECT_EQ((List{L"*.doc", L"*.txt"}), state.saves);
  EXPECT_EQ((List{L"*.tmp"}), state.excludes);
  EXPECT_TRUE(state.dirs.empty());
  EXPECT_EQ(L"新規フォルダの登録／保存内容の設定", state.status);

  PrepareBulk(app, state, BulkKind::Switch, false);
  EXPECT_EQ(L"「下位フォルダもバックアップする」スイッチの複数行一括変更", state.status);
  EXPECT_FALSE(state.srcGroupEnabled);
  EXPECT_TRUE(state.switchEnabled);
  EXPECT_FALSE(state.dirGroupEnabled || state.saveGroupEnabled || state.excludeGroupEnabled);
  EXPECT_FALSE(state.subFolders);
  PrepareBulk(app, state, BulkKind::Save, true);
  EXPECT_EQ(L"「保存ファイル」の複数行一括変更", state.status);
  EXPECT_TRUE(state.saveGroupEnabled);
  EXPECT_FALSE(state.switchEnabled || state.excludeGroupEnabled);
  EXPECT_EQ((List{L"*.doc", L"*.txt"}), state.saves);
  PrepareBulk(app, state, BulkKind::Exclude, true);
  EXPECT_EQ(L"「除外ファイル」の複数行一括変更", state.status);
  EXPECT_TRUE(state.excludeGroupEnabled);
  // Bulk mode closes without checks, even with no source folder.
  EXPECT_EQ(L"", state.src);
  EXPECT_TRUE(logic.Ok());
  // The next command opens everything again.
  PrepareAdd(app, state);
  EXPECT_TRUE(state.srcGroupEnabled && state.switchEnabled && state.dirGroupEnabled && state.saveGroupEnabled &&
              state.excludeGroupEnabled);
}

}  // namespace
}  // namespace ruzer::test

// The backup data search: the generation list, the search folder and the way
// into the result dialog.
#include "restore_fixture.h"

#include "base/textfile.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

class RecordingResults : public IRestoreDialog {
 public:
  std::vector<RestoreRequest> shown;
  void Show(const RestoreRequest& r) override { shown.push_back(r); }
};

class VerifyTest : public ::testing::Test {
 protected:
  TempDir tmp;
  TestApp t;
  VerifyState st;
  std::wstring dest = tmp / L"dest";
  void SetUp() override {
    MakeFolder(dest);
    t.app.env.tamdir = dest;
    t.view.treeFolder = L"C:\\Data";
  }
  void Gen(const std::wstring& name) { MakeFolder(dest + L"\\" + name); }
  void Memo(const std::wstring& gen, const std::vector<std::wstring>& lines) {
    Gen(gen);
    ASSERT_EQ(DWORD(0), WriteUtf16File(dest + L"\\" + gen + L"\\MEMO.TXT", lines));
  }
};

TEST(VerifyLines, DateLetterAndMemo) {
  EXPECT_EQ(L"10年 05月 01日 B : 月末の分", GenerationLine(L"100501B", L"月末の分"));
  EXPECT_EQ(L"10年 04月 30日 A", GenerationLine(L"100430A", L""));
  EXPECT_EQ(L"100501B", GenerationOfLine(GenerationLine(L"100501B", L"a : b")));
}

TEST_F(VerifyTest, GenerationsOldestFirstWithTheFirstMemoLine) {
  Memo(L"100501B", {L"二回目", L"二行目"});
  Memo(L"100501A", {L"", L"second line only"});
  Gen(L"100430A");
  Memo(L"100429A", {});  // a memo file without a single line
  Gen(L"1005011A");      // eight characters
  Gen(L"100502a");       // a small letter
  Gen(L"100503X.old");
  Gen(L"100504A");
  SetFileAttributesW((dest + L"\\100504A").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  Gen(L"100505A");
  MakeFolder(dest + L"\\100505A\\Memo.txt");  // a folder of that name is no memo

  VerifyActivated(t.app, st);
  EXPECT_EQ((std::vector<std::wstring>{L"10年 04月 29日 A", L"10年 04月 30日 A", L"10年 05月 01日 A",
                                       L"10年 05月 01日 B : 二回目", L"10年 05月 05日 A"}),
            st.lines);
  EXPECT_EQ(0, st.selected);
  EXPECT_EQ(L"C:\\Data", st.dir);
  EXPECT_EQ(L"", st.status);
  EXPECT_TRUE(st.searchEnabled);
}

TEST_F(VerifyTest, NoGenerationsMeansNoDataAndNoSearch) {
  MakeFolder(dest + L"\\other");
  VerifyActivated(t.app, st);
  EXPECT_TRUE(st.lines.empty());
  EXPECT_EQ(-1, st.selected);
  EXPECT_EQ(L"バックアップ・データがありません．", st.status);
  EXPECT_FALSE(st.searchEnabled);
  // The same for a destination that is not there, or not set.
  t.app.env.tamdir = tmp / L"nowhere";
  VerifyActivated(t.app, st);
  EXPECT_FALSE(st.searchEnabled);
  t.app.env.tamdir.clear();
  VerifyActivated(t.app, st);
  EXPECT_FALSE(st.searchEnabled);
}

TEST_F(VerifyTest, LabelledDestinationAsksForItsMedium) {
  const std::string host = tmp.hostPath();
  if (host.empty()) GTEST_SKIP() << "the temp folder is not on a host drive";
  MakeFolder(tmp / L"medium\\100501A");
  MappedDrive drive(host + "/medium", DRIVE_REMOVABLE, L"BACKUP1");
  ASSERT_TRUE(drive.ok()) << drive.error();
  t.app.env.tamdir = drive.root();
  t.app.env.volname = L"BACKUP2";
  t.user.ExpectFull({L"ボリューム名 <BACKUP2> のメディアをセットしてください.", kRetry, false, MsgKind::Warning,
                     kRetry | kCancel});
  t.user.Expect(L"ボリューム名 <BACKUP2> のメディアをセットしてください.", kCancel);
  VerifyActivated(t.app, st);
  t.user.VerifyDone();
  EXPECT_TRUE(st.lines.empty());
  EXPECT_TRUE(st.searchEnabled) << "giving up leaves the list empty and says nothing more";
  EXPECT_EQ(L"", st.status);
  EXPECT_EQ(L"C:\\Data", st.dir);

  t.app.env.volname = L"BACKUP1";
  VerifyActivated(t.app, st);
  EXPECT_EQ(std::vector<std::wstring>{L"10年 05月 01日 A"}, st.lines);
}

TEST_F(VerifyTest, BrowseStartsAtAnExistingFolderOnly) {
  st.dir = tmp.path();
  t.user.NextFolder(L"D:\\Chosen");
  VerifyBrowse(t.app, st);
  EXPECT_EQ(L"D:\\Chosen", st.dir);
  t.user.NextFolder(std::nullopt);
  VerifyBrowse(t.app, st);
  EXPECT_EQ(L"D:\\Chosen", st.dir) << "cancel changes nothing";
  ASSERT_EQ(2u, t.user.browsed().size());
  EXPECT_EQ(L"検索フォルダの選択", t.user.browsed()[0].first);
  EXPECT_EQ(tmp.path(), t.user.browsed()[0].second);
  EXPECT_EQ(L"", t.user.browsed()[1].second) << "D:\\Chosen does not exist";
}

TEST_F(VerifyTest, SearchOpensTheResultsAndReadsEverythingAgainAfterwards) {
  Gen(L"100501A");
  Gen(L"100502A");
  RecordingResults results;
  VerifyActivated(t.app, st);
  st.dir = L"C:\\Other\\";
  st.selected = 1;
  VerifySearch(t.app, st, &results);
  ASSERT_EQ(1u, results.shown.size());
  EXPECT_EQ(L"C:\\Other\\", results.shown[0].folder);
  EXPECT_EQ(st.lines, results.shown[0].lines);
  EXPECT_EQ(1, results.shown[0].selected);
  EXPECT_EQ(L"C:\\Data", st.dir) << "back from the results the tree's folder shows again";
  EXPECT_EQ(0, st.selected);

  st.dir.clear();
  t.user.ExpectFull({L"検索したいフォルダを指定してください", kOk, false, MsgKind::Information});
  VerifySearch(t.app, st, &results);
  t.user.VerifyDone();
  EXPECT_EQ(1u, results.shown.size());

  st.dir = L"relative\\folder";
  t.user.ExpectFull({L"<relative\\folder> フォルダ名が正しくありません.", kOk, false, MsgKind::Warning});
  VerifySearch(t.app, st, &results);
  t.user.VerifyDone();
  EXPECT_EQ(1u, results.shown.size());
  EXPECT_EQ(L"relative\\folder", st.dir) << "the text stays to be mended";
}

}  // namespace
}  // namespace ruzer::test

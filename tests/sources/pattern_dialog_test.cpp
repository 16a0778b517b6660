// The file-name pattern dialog: its behaviour, then the real dialog driven as a user would.
#include <gtest/gtest.h>

#include <algorithm>

#include "sources/Vfile_view.h"
#include "support/dialog_driver.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

using List = std::vector<std::wstring>;

List Sorted(List l) {
  std::sort(l.begin(), l.end());
  return l;
}

class PatternDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* f : {L"a.txt", L"b.doc", L"hidden.txt", L"system.dat", L"ro.txt"})
      ASSERT_TRUE(WriteBytes(dir / f, "x"));
    SetFileAttributesW((dir / L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((dir / L"system.dat").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((dir / L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateDirectoryW((dir / L"sub.txt").c_str(), nullptr));
  }
  void TearDown() override {
    for (const wchar_t* f : {L"hidden.txt", L"system.dat", L"ro.txt"})
      SetFileAttributesW((dir / f).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  TempDir dir;
  TestApp t;
};

TEST_F(PatternDialogTest, ListsFilesOfEveryKindButNoFolders) {
  PatternDialogState s;
  s.dir = dir.path();
  PatternAll(s);
  EXPECT_EQ(L"*.*", s.text);
  EXPECT_EQ(L"*.*", s.mask);
  EXPECT_EQ((List{L"a.txt", L"b.doc", L"hidden.txt", L"ro.txt", L"system.dat"}), Sorted(s.files));
  s.text = L"*.txt";
  PatternRelist(s);
  EXPECT_EQ((List{L"a.txt", L"hidden.txt", L"ro.txt"}), Sorted(s.files));
  // A missing folder, no folder at all, or a mask that finds nothing: an empty list.
  for (const std::wstring folder : {dir / L"gone", std::wstring()}) {
    s.dir = folder;
    PatternAll(s);
    EXPECT_TRUE(s.files.empty());
  }
  s.dir = dir.path();
  s.text = L"*.none";
  PatternRelist(s);
  EXPECT_TRUE(s.files.empty());
}

TEST_F(PatternDialogTest, PickTakesTheNameAndOkTrimsAndChecksIt) {
  PatternDialogState s;
  s.files = {L"x.doc", L"y.doc"};
  PatternPick(s, 1);
  EXPECT_EQ(L"y.doc", s.text);
  PatternPick(s, 5);
  EXPECT_EQ(L"y.doc", s.text);
  struct Case {
    std::wstring text, message, result;
  } const cases[] = {
      {L"", L"ファイル名を入力してください", L""},
      {L"    ", L"ファイル名を入力してください", L""},
      {L"a:b", L"ファイルやフォルダ名に使えない文字 \":\" が含まれています.", L""},
      {L"sub\\*.txt", L"ファイルやフォルダ名に使えない文字 \"\\\" が含まれています.", L""},
      {std::wstring(261, L'a'), L"ファイルやフォルダ名が長過ぎます.", L""},
      {L"  *.t?t ", L"", L"*.t?t"},
      {L"y.doc", L"", L"y.doc"},
  };
  for (const auto& c : cases) {
    s.text = c.text;
    if (!c.message.empty()) {
      struct ScriptedUser::Expect e;
      e.text = c.message;
      e.kind = MsgKind::Warning;
      t.user.ExpectFull(e);
    }
    EXPECT_EQ(c.message.empty(), PatternOk(t.app, s)) << Utf8(c.text);
    t.user.VerifyDone();
    if (c.message.empty()) EXPECT_EQ(c.result, s.text);
  }
}

TEST_F(PatternDialogTest, RealDialogEnterRelistsClickPicksOkReturnsTheName) {
  if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  TfFname dlg(t.app);
  List afterEnter, all;
  std::wstring caption, status, allText;
  bool stillOpen = false;
  DialogDriver d;
  d.on(L"ファイル名", [&](DialogHandle& h) {
     caption = h.caption();
     allText = h.text(TfFname::kBtnAll);
     all = h.rows(TfFname::kLstFiles);
     status = h.text(TfFname::kStsBar);
     h.type(TfFname::kEdtFname, L"*.doc");
     h.key(TfFname::kEdtFname, VK_RETURN);
   })
      .on(L"ファイル名", [&](DialogHandle& h) {
        stillOpen = true;
        afterEnter = h.rows(TfFname::kLstFiles);
        h.press(TfFname::kBtnAll);
      })
      .on(L"ファイル名", [&](DialogHandle& h) {
        const List rows = h.rows(TfFname::kLstFiles);
        const auto at = std::find(rows.begin(), rows.end(), L"hidden.txt");
        h.pick(TfFname::kLstFiles, static_cast<int>(at - rows.begin()));
        h.press(IDOK);
      });
  const auto picked = dlg.Pick(dir.path(), L"*.*");
  ASSERT_TRUE(d.done());
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(L"hidden.txt", *picked);
  EXPECT_EQ(L"ファイル名", caption);
  EXPECT_EQ(L"*.*", allText);
  EXPECT_EQ(L"ファイル選択orワイルドカード入力．", status);
  EXPECT_EQ(5u, all.size());
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ((List{L"b.doc"}), afterEnter);

  // Blanks only are refused; Cancel gives nothing; the folder and field stay for the next use.
  DialogDriver d2;
  d2.on(L"ファイル名", [&](DialogHandle& h) {
      h.type(TfFname::kEdtFname, L"   ");
      h.press(IDOK);
    })
      .on(L"ファイル名", [&](DialogHandle& h) { h.press(IDCANCEL); });
  t.user.AnswerAnyWithDefault();
  EXPECT_FALSE(dlg.Pick(std::nullopt, std::nullopt).has_value());
  EXPECT_TRUE(d2.done());
  ASSERT_EQ(1u, t.user.shown().size());
  EXPECT_EQ(L"ファイル名を入力してください", t.user.shown()[0].text);
  EXPECT_EQ(dir.path(), dlg.state().dir);
}

}  // namespace
}  // namespace ruzer::test

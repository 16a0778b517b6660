// The easy set-up wizard's lines, crossing, clicks and OK.
#include <gtest/gtest.h>

#include <map>
#include <shlobj.h>

#include "base/handles.h"
#include "setup/Vwiz.h"
#include "setup_fixture.h"
#include "store/Spage.h"
#include "support/scripted.h"
#include "support/source_row.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

// Special folders and registry values of a made-up user "Alice".
class FakeSources : public IWizardSources {
 public:
  std::map<int, std::wstring> special;
  std::map<std::wstring, std::wstring> registry;  // key + "|" + value name
  std::map<std::wstring, std::wstring> env{{L"%USERPROFILE%", L"C:\\Users\\Alice"}};
  bool everyFolderExists = true;
  std::vector<std::wstring> missing;

  FakeSources() {
    special = {{CSIDL_PROFILE, L"C:\\Users\\Alice"},
               {CSIDL_FAVORITES, L"C:\\Users\\Alice\\Favorites"},
               {CSIDL_PERSONAL, L"C:\\Users\\Alice\\Documents"},
               {CSIDL_MYPICTURES, L"C:\\Users\\Alice\\Pictures"},
               {CSIDL_MYVIDEO, L"C:\\Users\\Alice\\Videos"},
               {CSIDL_MYMUSIC, L"C:\\Users\\Alice\\Music"},
               {CSIDL_COMMON_DOCUMENTS, L"C:\\Users\\Public\\Documents"},
               {CSIDL_COMMON_PICTURES, L"C:\\Users\\Public\\Pictures"},
               {CSIDL_COMMON_VIDEO, L"C:\\Users\\Public\\Videos"},
               {CSIDL_COMMON_MUSIC, L"C:\\Users\\Public\\Music"},
               {CSIDL_APPDATA, L"C:\\Users\\Alice\\AppData\\Roaming"},
               {CSIDL_LOCAL_APPDATA, L"C:\\Users\\Alice\\AppData\\Local\\"},
               {CSIDL_COMMON_APPDATA, L"C:\\ProgramData"}};
    registry = {
        {L"Software\\Microsoft\\Windows Live Mail|Store Root", L"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Live Mail\\"},
        {L"Software\\Microsoft\\Windows Mail|Store Root", L"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Mail"},
        {L"Identities|Last User ID", L"{1234}"},
        {L"Identities\\{1234}\\Software\\Microsoft\\Outlook Express\\5.0|Store Root",
         L"%USERPROFILE%\\Local Settings\\Outlook Express\\"},
        {L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name|", L"%USERPROFILE%\\Application Data\\Microsoft\\Address Book\\alice.wab"},
    };
  }
  std::wstring SpecialFolder(int csidl) override {
    auto it = special.find(csidl);
    return it == special.end() ? std::wstring() : it->second;
  }
  std::wstring RegistryText(const std::wstring& key, const std::wstring& value) override {
    auto it = registry.find(key + L"|" + value);
    return it == registry.end() ? std::wstring() : it->second;
  }
  std::wstring Expand(const std::wstring& text) override {
    std::wstring t = text;
    for (const auto& [name, v] : env)
      if (auto at = t.find(name); at != std::wstring::npos) t.replace(at, name.size(), v);
    return t;
  }
  bool FolderExists(const std::wstring& path) override {
    for (const auto& m : missing)
      if (m == path) return false;
    return everyFolderExists;
  }
};

struct Wizard : ::testing::Test {
  TestApp t;
  FakeSources src;
  void SetUp() override { t.app.FileSetFolder = L"C:\\Users\\Alice\\AppData\\Local\\Ruzer\\"; }
  static int Find(const std::vector<WizLine>& lines, const std::wstring& name) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].name == name) return static_cast<int>(i);
    ADD_FAILURE() << "no line " << Utf8(name);
    return -1;
  }
  static WizState StateOf(const std::vector<WizLine>& lines, const std::wstring& name) {
    return lines[static_cast<size_t>(Find(lines, name))].state;
  }
};

TEST(WizardFamily, VersionNumbersAndCaptions) {
  struct Case {
    unsigned major, minor;
    WinFamily family;
  } cases[] = {{4, 0, WinFamily::Xp},    {5, 0, WinFamily::Xp},   {5, 1, WinFamily::Xp},  {5, 2, WinFamily::Xp},
               {6, 0, WinFamily::Vista}, {6, 1, WinFamily::Win7}, {6, 3, WinFamily::Win7}, {10, 0, WinFamily::Win7},
               {7, 0, WinFamily::Win7}};
  for (const auto& c : cases) EXPECT_EQ(c.family, FamilyOf(c.major, c.minor)) << c.major << "." << c.minor;
  EXPECT_EQ(L"Windows XP/2000", FamilyCaption(WinFamily::Xp));
  EXPECT_EQ(L"Windows Vista", FamilyCaption(WinFamily::Vista));
  EXPECT_EQ(L"Windows 7 (またはそれ以降)", FamilyCaption(WinFamily::Win7));
}

TEST_F(Wizard, TheWindows7Lines) {
  const auto lines = WizardLines(WinFamily::Win7, t.app, src);
  struct Expect {
    const wchar_t* name;
    const wchar_t* path;
    WizState state;
  } expected[] = {
      {L"アドレス帳", L"C:\\Users\\Alice\\AppData\\Local\\Microsoft\\Windows Live Contacts", WizState::Checked},
      {L"お気に入り", L"C:\\Users\\Alice\\Favorites", WizState::Checked},
      {L"ダウンロード", L"C:\\Users\\Alice\\Downloads", WizState::Checked},
      {L"マイ ドキュメント", L"C:\\Users\\Alice\\Documents", WizState::Checked},
      {L"マイ ピクチャ", L"C:\\Users\\Alice\\Pictures", WizState::Checked},
      {L"マイ ビデオ", L"C:\\Users\\Alice\\Videos", WizState::Unchecked},
      {L"マイ ミュージック", L"C:\\Users\\Alice\\Music", WizState::Checked},
      {L"リンク", L"C:\\Users\\Alice\\Links", WizState::Checked},
      {L"検索", L"C:\\Users\\Alice\\Searches", WizState::Checked},
      {L"保存したゲーム", L"C:\\Users\\Alice\\Saved Games", WizState::Checked},
      {L"", L"", WizState::Blank},
      {L"パプリックのダウンロード", L"C:\\Users\\Public\\Downloads", WizState::Checked},
      {L"パプリックのドキュメント", L"C:\\Users\\Public\\Documents", WizState::Checked},
      {L"パプリックのピクチャ", L"C:\\Users\\Public\\Pictures", WizState::Checked},
      {L"パプリックのビデオ", L"C:\\Users\\Public\\Videos", WizState::Unchecked},
      {L"パプリックのミュージック", L"C:\\Users\\Public\\Music", WizState::Checked},
      {L"", L"", WizState::Blank},
      {L"メールのデータ", L"C:\\Users\\Alice\\AppData\\Local\\Microsoft\\Windows Live Mail", WizState::Checked},
      {L"Ruzerのファイルセット", L"C:\\Users\\Alice\\AppData\\Local\\Ruzer", WizState::Checked},
      {L"アプリの設定値1", L"C:\\Users\\Alice\\AppData\\Roaming", WizState::Unchecked},
      {L"アプリの設定値2", L"C:\\Users\\Alice\\AppData\\Local", WizState::Unchecked},
      {L"アプリの設定値(共通)", L"C:\\ProgramData", WizState::Unchecked},
  };
  ASSERT_EQ(22u, lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(expected[i].name, lines[i].name) << i;
    EXPECT_EQ(expected[i].path, lines[i].path) << i;
    EXPECT_EQ(expected[i].state, lines[i].state) << i;
  }
}

TEST_F(Wizard, VistaTakesContactsAndWindowsMail) {
  const auto lines = WizardLines(WinFamily::Vista, t.app, src);
  ASSERT_EQ(22u, lines.size());
  EXPECT_EQ(L"C:\\Users\\Alice\\Contacts", lines[0].path);
  EXPECT_EQ(L"C:\\Users\\Alice\\AppData\\Local\\Microsoft\\Windows Mail", lines[17].path);
}

TEST_F(Wizard, TheXpLines) {
  const auto lines = WizardLines(WinFamily::Xp, t.app, src);
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"お気に入り", L"C:\\Users\\Alice\\Favorites"},
      {L"マイ ドキュメント", L"C:\\Users\\Alice\\Documents"},
      {L"共有 ドキュメント", L"C:\\Users\\Public\\Documents"},
      {L"アドレス帳", L"C:\\Users\\Alice\\Application Data\\Microsoft\\Address Book"},
      {L"メールのデータ", L"C:\\Users\\Alice\\Local Settings\\Outlook Express"},
      {L"Ruzerのファイルセット", L"C:\\Users\\Alice\\AppData\\Local\\Ruzer"},
      {L"アプリの設定値1", L"C:\\Users\\Alice\\AppData\\Roaming"},
      {L"アプリの設定値2", L"C:\\Users\\Alice\\AppData\\Local"},
      {L"アプリの設定値(共有)", L"C:\\ProgramData"}};
  ASSERT_EQ(expected.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(expected[i].first, lines[i].name) << i;
    EXPECT_EQ(expected[i].second, lines[i].path) << i;
    EXPECT_EQ(i < 6 ? WizState::Checked : WizState::Unchecked, lines[i].state) << i;
  }
}

// What cannot be found gives an empty path: missing registry values, an
// identity without a store, a special folder the system does not know, a
// folder that is not there.
TEST_F(Wizard, WhatCannotBeFoundGivesAnEmptyPath) {
  src.registry.erase(L"Software\\Microsoft\\Windows Live Mail|Store Root");
  src.registry.erase(L"Identities\\{1234}\\Software\\Microsoft\\Outlook Express\\5.0|Store Root");
  src.special.erase(CSIDL_MYMUSIC);
  src.missing = {L"C:\\Users\\Alice\\Saved Games"};
  auto w7 = WizardLines(WinFamily::Win7, t.app, src);
  EXPECT_EQ(L"", w7[static_cast<size_t>(Find(w7, L"メールのデータ"))].path);
  EXPECT_EQ(L"", w7[static_cast<size_t>(Find(w7, L"マイ ミュージック"))].path);
  EXPECT_EQ(L"", w7[static_cast<size_t>(Find(w7, L"保存したゲーム"))].path);
  auto xp = WizardLines(WinFamily::Xp, t.app, src);
  EXPECT_EQ(L"", xp[static_cast<size_t>(Find(xp, L"メールのデータ"))].path);
  src.registry.erase(L"Identities|Last User ID");
  xp = WizardLines(WinFamily::Xp, t.app, src);
  EXPECT_EQ(L"", xp[static_cast<size_t>(Find(xp, L"メールのデータ"))].path);
  // A file set beside a bare file name has no folder.
  t.app.FileSetFolder = L"";
  w7 = WizardLines(WinFamily::Win7, t.app, src);
  EXPECT_EQ(L"", w7[static_cast<size_t>(Find(w7, L"Ruzerのファイルセット"))].path);
  // Such lines add nothing on OK, even checked.
  std::vector<std::wstring> added;
  t.app.rows.clear();
  t.user.AnswerAnyWithDefault();  // no file set to write to here
  WizardOk(t.app, w7, [&](App&, const std::wstring& f, const std::wstring&) {
    added.push_back(f);
    return true;
  });
  for (const auto& f : added) EXPECT_FALSE(f.empty());
}

// The real lookups only read: no key of the mail programs is made in the
// user's registry by opening the wizard.
TEST_F(Wizard, TheRealLookupsCreateNoRegistryKey) {
  const wchar_t* keys[] = {L"Software\\Microsoft\\Windows Live Mail", L"Software\\Microsoft\\Windows Mail",
                           L"Identities", L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name"};
  auto exists = [](const wchar_t* k) {
    RegKey h;
    return RegOpenKeyExW(HKEY_CURRENT_USER, k, 0, KEY_READ, h.put()) == ERROR_SUCCESS;
  };
  std::vector<bool> before;
  for (auto k : keys) before.push_back(exists(k));
  for (WinFamily f : {WinFamily::Xp, WinFamily::Vista, WinFamily::Win7}) {
    const auto lines = OpenWizard(t.app, f, SystemWizardSources());
    EXPECT_FALSE(lines.empty());
  }
  for (size_t i = 0; i < std::size(keys); ++i) EXPECT_EQ(before[i], exists(keys[i])) << Utf8(keys[i]);
  // The real special folders are there under Wine.
  const auto lines = OpenWizard(t.app, WinFamily::Win7, SystemWizardSources());
  EXPECT_NE(L"", lines[3].path);  // マイ ドキュメント
}

// Crossing uses the folder-inside test, never substrings.
TEST_F(Wizard, CoveredLinesAreCrossedByFolderNotBySubstring) {
  struct Case {
    const wchar_t* row;
    bool crossed;
  } cases[] = {
      {L"C:\\Users\\Al", false},                  // a prefix of the text, not a parent folder
      {L"C:\\Users\\Alice\\Doc", false},
      {L"C:\\Users\\Alice\\Documents2", false},
      {L"C:\\Users\\Alice\\Documents", false},    // the folder itself stays active
      {L"c:\\users\\ALICE\\documents", false},    // in any letter case
      {L"C:\\Users\\Alice\\Documents\\", false},
      {L"C:\\Users\\Alice", true},                // the profile covers it
      {L"c:\\USERS", true},
      {L"C:\\", true},
      {L"C:\\Users\\Alice\\Documents\\Work", true},  // part of it is a row already
      {L"D:\\Users\\Alice\\Documents", false},
      {L"ocuments", false},
  };
  for (const auto& c : cases) {
    auto lines = WizardLines(WinFamily::Win7, t.app, src);
    MarkCovered(lines, {Row({.caption = c.row})});
    EXPECT_EQ(c.crossed ? WizState::CrossedChecked : WizState::Checked, StateOf(lines, L"マイ ドキュメント"))
        << Utf8(c.row);
    // An unchecked line keeps that it was unchecked.
    EXPECT_EQ(IsCrossed(StateOf(lines, L"マイ ビデオ")),
              std::wstring(c.row) == L"C:\\Users\\Alice" || std::wstring(c.row) == L"c:\\USERS" ||
                  std::wstring(c.row) == L"C:\\")
        << Utf8(c.row);
  }
}

TEST_F(Wizard, AProfileRowCrossesEveryLineInsideTheProfile) {
  t.app.rows = {Row({.caption = L"C:\\Users\\Alice"})};
  const auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  for (const auto& l : lines) {
    const bool inProfile = l.path.starts_with(L"C:\\Users\\Alice\\");
    if (l.state == WizState::Blank) continue;
    EXPECT_EQ(inProfile, IsCrossed(l.state)) << Utf8(l.name);
  }
  EXPECT_EQ(WizState::CrossedUnchecked, StateOf(lines, L"アプリの設定値2"));
  EXPECT_EQ(WizState::Checked, StateOf(lines, L"パプリックのドキュメント"));
}

TEST_F(Wizard, CheckingLocalAppDataCrossesWhatIsInsideAndUncheckingBringsItBack) {
  // A sibling whose name only starts like the folder is not inside it.
  src.special[CSIDL_COMMON_APPDATA] = L"C:\\Users\\Alice\\AppData\\Local Sets";
  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  const auto before = lines;
  const int local = Find(lines, L"アプリの設定値2");
  ASSERT_TRUE(ClickLine(lines, local, t.app.rows));
  EXPECT_EQ(WizState::Checked, lines[static_cast<size_t>(local)].state);
  EXPECT_EQ(WizState::CrossedChecked, StateOf(lines, L"メールのデータ"));
  EXPECT_EQ(WizState::CrossedChecked, StateOf(lines, L"アドレス帳"));
  EXPECT_EQ(WizState::CrossedChecked, StateOf(lines, L"Ruzerのファイルセット"));
  EXPECT_EQ(WizState::Unchecked, StateOf(lines, L"アプリの設定値(共通)"));
  EXPECT_EQ(WizState::Unchecked, StateOf(lines, L"アプリの設定値1"));
  // Crossed and blank lines do not react; nor does a click on no line.
  EXPECT_FALSE(ClickLine(lines, Find(lines, L"メールのデータ"), t.app.rows));
  EXPECT_FALSE(ClickLine(lines, 10, t.app.rows));
  EXPECT_FALSE(ClickLine(lines, -1, t.app.rows));
  EXPECT_FALSE(ClickLine(lines, 22, t.app.rows));
  EXPECT_EQ(WizState::CrossedChecked, StateOf(lines, L"メールのデータ"));

  ASSERT_TRUE(ClickLine(lines, local, t.app.rows));
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(before[i].state, lines[i].state) << Utf8(lines[i].name);
}

// Unchecking brings back only what nothing else covers: a row, or another
// checked line around it.
TEST_F(Wizard, UncheckingKeepsLinesThatSomethingElseCovers) {
  t.app.rows = {Row({.caption = L"C:\\Users\\Alice\\AppData\\Local\\Microsoft"})};
  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  EXPECT_EQ(WizState::CrossedChecked, StateOf(lines, L"メールのデータ"));
  // The row lies inside the local folder: that line is crossed as well.
  EXPECT_EQ(WizState::CrossedUnchecked, StateOf(lines, L"アプリの設定値2"));

  t.app.rows.clear();
  src.special[CSIDL_APPDATA] = L"C:\\Users\\Alice\\AppData";  // holds the local folder
  lines = OpenWizard(t.app, WinFamily::Win7, src);
  ASSERT_TRUE(ClickLine(lines, Find(lines, L"アプリの設定値1"), t.app.rows));
  EXPECT_EQ(WizState::CrossedUnchecked, StateOf(lines, L"アプリの設定値2"));
  EXPECT_EQ(WizState::CrossedChecked, StateOf(lines, L"メールのデータ"));
  ASSERT_TRUE(ClickLine(lines, Find(lines, L"アプリの設定値1"), t.app.rows));
  EXPECT_EQ(WizState::Unchecked, StateOf(lines, L"アプリの設定値2"));
  EXPECT_EQ(WizState::Checked, StateOf(lines, L"メールのデータ"));
}

// A file set in another folder shows that folder when the wizard opens again.
TEST_F(Wizard, TheFileSetLineFollowsTheFileSet) {
  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  EXPECT_EQ(L"C:\\Users\\Alice\\AppData\\Local\\Ruzer", lines[18].path);
  t.app.FileSetFolder = L"D:\\Sets\\";
  lines = OpenWizard(t.app, WinFamily::Win7, src);
  EXPECT_EQ(L"D:\\Sets", lines[18].path);
}

struct WizardOnDisk : Wizard {
  TempDir tmp;
  std::vector<std::pair<std::wstring, std::wstring>> added;
  std::vector<std::wstring> refuse;
  AddRowFunction adder = [this](App& app, const std::wstring& folder, const std::wstring& comment) {
    added.emplace_back(folder, comment);
    for (const auto& r : refuse)
      if (r == folder) return false;
    SourceRow row = Row({.caption = folder, .comment = comment});
    row.save = app.env.defSave1;
    row.mark = L"o";
    app.rows.push_back(row);
    return true;
  };
  void SetUp() override {
    WriteFileSet(tmp / L"RUZER.IDX", tmp / L"dest", {});
    t.app.FileSetFolder = tmp.path() + L"\\";
    t.app.IndexFileName = L"RUZER.IDX";
    ReadIndexFile(t.app);
    ASSERT_EQ(1u, t.app.pages.size());
  }
};

TEST_F(WizardOnDisk, OkOnWindows7WithAnEmptyListAddsTheFifteenCheckedLines) {
  const auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  WizardOk(t.app, lines, adder);
  ASSERT_EQ(15u, added.size());
  for (const auto& [folder, comment] : added) {
    EXPECT_NE(L"マイ ビデオ", comment);
    EXPECT_NE(L"パプリックのビデオ", comment);
    EXPECT_FALSE(comment.starts_with(L"アプリの設定値"));
  }
  EXPECT_EQ(L"アドレス帳", added.front().second);  // list order
  EXPECT_EQ(L"Ruzerのファイルセット", added.back().second);
  // Sorted, numbered and written.
  ASSERT_EQ(15u, t.app.rows.size());
  for (size_t i = 1; i < t.app.rows.size(); ++i)
    EXPECT_LT(lstrcmpiW(t.app.rows[i - 1].caption.c_str(), t.app.rows[i].caption.c_str()), 0);
  EXPECT_EQ(L"15", t.app.rows.back().no);
  int sorc = 0;
  for (const auto& line : ReadUtf16Lines(tmp / L"Home.PAG")) sorc += line.starts_with(L"Sorc=");
  EXPECT_EQ(15, sorc);
}

TEST_F(WizardOnDisk, AnExistingRowGetsTheNameAsCommentOnlyWhenItHasNone) {
  t.app.rows = {Row({.caption = L"c:\\users\\alice\\DOCUMENTS"}), Row({.caption = L"C:\\Users\\Alice\\Favorites", .comment = L"mine"})};
  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  EXPECT_EQ(WizState::Checked, StateOf(lines, L"マイ ドキュメント"));
  WizardOk(t.app, lines, adder);
  for (const auto& a : added) {
    EXPECT_NE(L"マイ ドキュメント", a.second);
    EXPECT_NE(L"お気に入り", a.second);
  }
  EXPECT_EQ(13u, added.size());
  auto find = [&](const std::wstring& caption) {
    for (const auto& r : t.app.rows)
      if (r.caption == caption) return r.comment;
    return std::wstring(L"<none>");
  };
  EXPECT_EQ(L"マイ ドキュメント", find(L"c:\\users\\alice\\DOCUMENTS"));
  EXPECT_EQ(L"mine", find(L"C:\\Users\\Alice\\Favorites"));
}

TEST_F(WizardOnDisk, ARefusedFolderIsSkippedAndTheRestStillAdded) {
  refuse = {L"C:\\Users\\Alice\\Documents"};
  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  WizardOk(t.app, lines, adder);
  EXPECT_EQ(15u, added.size());
  EXPECT_EQ(14u, t.app.rows.size());
}

TEST_F(WizardOnDisk, OnlyCheckedLinesAreAdded) {
  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  ClickLine(lines, Find(lines, L"アプリの設定値2"), t.app.rows);  // crosses three checked lines
  ClickLine(lines, Find(lines, L"お気に入り"), t.app.rows);      // unchecks one
  ClickLine(lines, Find(lines, L"マイ ビデオ"), t.app.rows);     // checks one
  WizardOk(t.app, lines, adder);
  std::vector<std::wstring> names;
  for (const auto& a : added) names.push_back(a.second);
  EXPECT_EQ((std::vector<std::wstring>{L"ダウンロード", L"マイ ドキュメント", L"マイ ピクチャ", L"マイ ビデオ",
                                       L"マイ ミュージック", L"リンク", L"検索", L"保存したゲーム",
                                       L"パプリックのダウンロード", L"パプリックのドキュメント",
                                       L"パプリックのピクチャ", L"パプリックのミュージック", L"Ruzerのファイルセット",
                                       L"アプリの設定値2"}),
            names);
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

// With the real row operations: a line whose folder holds a row added just
// before is refused with the overlap rules' message; the others still come.
struct RealFolders : FakeSources {
  bool FolderExists(const std::wstring& path) override {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
};

TEST(WizardRows, OkGoesThroughTheOverlapRules) {
  TempDir tmp;
  TestApp t;
  WriteFileSet(tmp / L"RUZER.IDX", tmp / L"dest", {});
  t.app.FileSetFolder = tmp.path() + L"\\";
  t.app.IndexFileName = L"RUZER.IDX";
  ReadIndexFile(t.app);
  RealFolders src;
  src.special.clear();
  src.registry.clear();
  src.special[CSIDL_PERSONAL] = tmp / L"Alice\\Documents";
  src.special[CSIDL_FAVORITES] = tmp / L"Alice\\Favorites";
  MakeFolders(tmp / L"Alice\\Documents");
  MakeFolders(tmp / L"Alice\\Favorites");

  auto lines = OpenWizard(t.app, WinFamily::Win7, src);
  // The file set's folder holds both: it comes last and is refused.
  t.user.ExpectFull({L"下位フォルダ <" + tmp / L"Alice\\Documents" + L"> が登録済みです．\r\n先に削除してください．", kOk,
                     false, MsgKind::Warning});
  WizardOk(t.app, lines);
  t.user.VerifyDone();
  ASSERT_EQ(2u, t.app.rows.size());
  EXPECT_EQ(tmp / L"Alice\\Documents", t.app.rows[0].caption);
  EXPECT_EQ(L"マイ ドキュメント", t.app.rows[0].comment);
  EXPECT_EQ(L"o", t.app.rows[0].mark);  // the page's sub-folder switch
  EXPECT_EQ(L"お気に入り", t.app.rows[1].comment);
  EXPECT_EQ(L"1", t.app.rows[0].no);

  // Opened again: both lines stay active (their own rows), the file set's
  // line is crossed (it holds rows); OK adds nothing twice.
  lines = OpenWizard(t.app, WinFamily::Win7, src);
  EXPECT_EQ(WizState::Checked, lines[3].state);
  EXPECT_EQ(WizState::CrossedChecked, lines[18].state);
  WizardOk(t.app, lines);
  EXPECT_EQ(2u, t.app.rows.size());
  int sorc = 0;
  for (const auto& line : ReadUtf16Lines(tmp / L"Home.PAG")) sorc += line.starts_with(L"Sorc=");
  EXPECT_EQ(2, sorc);
}

}  // namespace
}  // namespace ruzer::test

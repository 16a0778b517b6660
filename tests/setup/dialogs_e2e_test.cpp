// TfMenuR and TfWiz, the real Win32 dialogs, driven as a user would.
#include <gtest/gtest.h>

#include <map>
#include <shlobj.h>

#include "setup/VmenuR_view.h"
#include "setup/Vwiz_view.h"
#include "setup_fixture.h"
#include "store/Spage.h"
#include "support/dialog_driver.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

struct SetupDialogs : ::testing::Test {
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  }
};

TEST_F(SetupDialogs, MenuRCreatesTheTickedShortcutsAndRemembersTheBoxes) {
  TempDir tmp;
  TestApp t;
  t.app.programPath = tmp / L"prog\\ruzer.exe";
  t.app.FileSetFolder = tmp / L"sets\\";
  t.app.IndexFileName = L"HOME.IDX";
  const ShortcutFolders folders{tmp / L"Startup", tmp / L"Programs"};
  MakeFolders(folders.startup);
  MakeFolders(folders.programs);
  TfMenuR dialog(t.user);
  dialog.SetFoldersForTests(folders);

  std::wstring label, captions;
  bool startUp = true, hoshu = true;
  DialogDriver d;
  d.on(L"スタートメニューへの登録", [&](DialogHandle& dlg) {
     label = dlg.text(TfMenuR::kLblIdx);
     captions = dlg.text(TfMenuR::kGrpIdx) + L"|" + dlg.text(TfMenuR::kChkStartUp) + L"|" +
                dlg.text(TfMenuR::kChkHoshu) + L"|" + dlg.text(kIdHelp);
     startUp = dlg.checked(TfMenuR::kChkStartUp);
     hoshu = dlg.checked(TfMenuR::kChkHoshu);
     dlg.tick(TfMenuR::kChkStartUp, true);
     dlg.tick(TfMenuR::kChkHoshu, true);
     dlg.press(IDOK);
   })
      .on(L"スタートメニューへの登録", [&](DialogHandle& dlg) {
        startUp = dlg.checked(TfMenuR::kChkStartUp);
        hoshu = dlg.checked(TfMenuR::kChkHoshu);
        dlg.press(kIdHelp);
        dlg.press(IDCANCEL);
      });
  dialog.Show(t.app);
  EXPECT_FALSE(startUp);
  EXPECT_FALSE(hoshu);
  EXPECT_EQ(tmp / L"sets\\HOME.IDX", label);
  EXPECT_EQ(L"設定ファイルセット：|「自動Ruzer」を登録(&A)|「保守用Ruzer」を登録(&M)|ヘルプ", captions);
  EXPECT_EQ(kRegisteredMessage, t.view.status);
  EXPECT_EQ(L"/A \"" + tmp / L"sets\\HOME.IDX\"", ReadShortcut(folders.startup + L"\\自動Ruzer.lnk")->arguments);
  EXPECT_EQ(2u, FolderEntries(folders.programs + L"\\Ruzer").size());

  dialog.Show(t.app);
  EXPECT_TRUE(d.done());
  EXPECT_TRUE(startUp);
  EXPECT_TRUE(hoshu);
  EXPECT_EQ(std::vector<std::wstring>{L"スタートメニューへの登録"}, t.user.helpKeywords());
}

// Real folders of a made-up user in the test's folder.
class TempSources : public IWizardSources {
 public:
  std::map<int, std::wstring> special;
  std::wstring mail;
  std::wstring SpecialFolder(int csidl) override { return special.count(csidl) ? special[csidl] : L""; }
  std::wstring RegistryText(const std::wstring& key, const std::wstring& value) override {
    return key == L"Software\\Microsoft\\Windows Live Mail" && value == L"Store Root" ? mail : L"";
  }
  std::wstring Expand(const std::wstring& text) override { return text; }
  bool FolderExists(const std::wstring& path) override { return ruzer::test::FolderExists(path); }
};

int ImageOf(HWND lv, int row) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

void ClickRow(HWND lv, int row) {
  ListView_EnsureVisible(lv, row, FALSE);
  RECT r{};
  r.left = LVIR_LABEL;
  SendMessageW(lv, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(lv, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(lv, WM_LBUTTONUP, 0, at);
}

TEST_F(SetupDialogs, WizardTogglesCrossesAndAddsTheCheckedFolders) {
  TempDir tmp;
  TestApp t;
  WriteFileSet(tmp / L"set\\RUZER.IDX", tmp / L"dest", {});
  t.app.FileSetFolder = tmp / L"set\\";
  t.app.IndexFileName = L"RUZER.IDX";
  ReadIndexFile(t.app);
  TempSources src;
  src.special = {{CSIDL_PERSONAL, tmp / L"Docs"}, {CSIDL_MYVIDEO, tmp / L"Videos"}, {CSIDL_LOCAL_APPDATA, tmp / L"Local"}};
  src.mail = tmp / L"Local\\Mail";
  for (const auto& f : {tmp / L"Docs", tmp / L"Videos", tmp / L"Local\\Mail"}) MakeFolders(f);
  TfWiz dialog(t.user);
  dialog.SetSourcesForTests(&src);
  dialog.SetFamilyForTests(WinFamily::Win7);

  std::wstring os;
  std::vector<std::wstring> names, paths;
  int iconSize = 0, dpi = 96;
  std::vector<int> afterSpace, afterClick;
  const int docs = 3, videos = 5, mail = 17, fileSet = 18, local = 20;
  DialogDriver d;
  d.on(L"簡単初期設定", [&](DialogHandle& dlg) {
     os = dlg.text(TfWiz::kTxOS);
     names = dlg.rows(TfWiz::kLvDir, 0);
     paths = dlg.rows(TfWiz::kLvDir, 1);
     HWND lv = dlg.item(TfWiz::kLvDir);
     int cy = 0;
     ImageList_GetIconSize(ListView_GetImageList(lv, LVSIL_SMALL), &iconSize, &cy);
     HDC dc = GetDC(dlg.hwnd());
     dpi = GetDeviceCaps(dc, LOGPIXELSY);
     ReleaseDC(dlg.hwnd(), dc);
     dlg.pick(TfWiz::kLvDir, local);
     dlg.key(TfWiz::kLvDir, VK_SPACE);  // checks the local folder: the mail line inside is crossed
   })
      .on(L"簡単初期設定", [&](DialogHandle& dlg) {
        HWND lv = dlg.item(TfWiz::kLvDir);
        for (int row : {docs, videos, mail, fileSet, local}) afterSpace.push_back(ImageOf(lv, row));
        ClickRow(lv, videos);  // checks the videos
      })
      .on(L"簡単初期設定", [&](DialogHandle& dlg) {
        HWND lv = dlg.item(TfWiz::kLvDir);
        for (int row : {docs, videos, mail, fileSet, local}) afterClick.push_back(ImageOf(lv, row));
        dlg.press(IDOK);
      });
  dialog.Show(t.app);
  ASSERT_TRUE(d.done());
  EXPECT_EQ(L"Windows 7 (またはそれ以降)", os);
  ASSERT_EQ(22u, names.size());
  EXPECT_EQ(L"マイ ドキュメント", names[docs]);
  EXPECT_EQ(tmp / L"Docs", paths[docs]);
  EXPECT_EQ(L"", paths[1]);  // favourites: not there
  EXPECT_EQ(MulDiv(16, dpi, 96), iconSize);
  using S = WizState;
  auto img = [](S s) { return TfWiz::ImageOf(s); };
  EXPECT_EQ((std::vector<int>{img(S::Checked), img(S::Unchecked), img(S::CrossedChecked), img(S::Checked),
                              img(S::Checked)}),
            afterSpace);
  EXPECT_EQ((std::vector<int>{img(S::Checked), img(S::Checked), img(S::CrossedChecked), img(S::Checked),
                              img(S::Checked)}),
            afterClick);
  std::vector<std::pair<std::wstring, std::wstring>> rows;
  for (const auto& r : t.app.rows) rows.emplace_back(r.caption, r.comment);
  EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{{tmp / L"Docs", L"マイ ドキュメント"},
                                                                {tmp / L"Local", L"アプリの設定値2"},
                                                                {tmp / L"set", L"Ruzerのファイルセット"},
                                                                {tmp / L"Videos", L"マイ ビデオ"}}),
            rows);
}

TEST_F(SetupDialogs, WizardCancelAddsNothingAndHelpOpensItsTopic) {
  TempDir tmp;
  TestApp t;
  TempSources src;
  src.special = {{CSIDL_PERSONAL, tmp.path()}};
  TfWiz dialog(t.user);
  dialog.SetSourcesForTests(&src);
  dialog.SetFamilyForTests(WinFamily::Xp);
  std::wstring os;
  size_t lines = 0;
  DialogDriver d;
  d.on(L"簡単初期設定", [&](DialogHandle& dlg) {
    os = dlg.text(TfWiz::kTxOS);
    lines = dlg.rows(TfWiz::kLvDir).size();
    dlg.press(kIdHelp);
    dlg.press(IDCANCEL);
  });
  dialog.Show(t.app);
  EXPECT_TRUE(d.done());
  EXPECT_EQ(L"Windows XP/2000", os);
  EXPECT_EQ(9u, lines);
  EXPECT_TRUE(t.app.rows.empty());
  EXPECT_EQ(std::vector<std::wstring>{L"簡単初期設定"}, t.user.helpKeywords());
}

}  // namespace
}  // namespace ruzer::test

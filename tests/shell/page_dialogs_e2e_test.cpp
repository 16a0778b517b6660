// The page commands and the backup conditions through the real dialogs, driven
// as a user would; at the end every file of the file sets is compared byte for
// byte with what it must hold.
#include <gtest/gtest.h>

#include <memory>

#include "base/grid.h"
#include "conditions/Venv_view.h"
#include "shell/FileSetOpen.h"
#include "shell/Mainwin.h"
#include "shell/Vpage_view.h"
#include "shell/Vxsort_view.h"
#include "shell/page_fixture.h"
#include "support/dialog_driver.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

// Presses the left button on a grid cell, optionally moves to another, releases.
void MouseOnGrid(HWND grid, int row, int toRow) {
  auto centre = [&](int r) {
    RECT rc{};
    SendMessageW(grid, kGridGetCellRect, MAKEWPARAM(r, 1), reinterpret_cast<LPARAM>(&rc));
    return MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  };
  SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, centre(row));
  if (toRow != row) SendMessageW(grid, WM_MOUSEMOVE, MK_LBUTTON, centre(toRow));
  SendMessageW(grid, WM_LBUTTONUP, 0, centre(toRow));
}

// The file-name field of the platform's file-open dialog.
int FileNameField(DialogHandle& dlg) { return dlg.item(0x47c) ? 0x47c : 0x480; }

class PageDialogsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
    ASSERT_TRUE(CreateDirectoryW((host / L"disc").c_str(), nullptr));
    drive = std::make_unique<MappedDrive>(HostPathOf(host / L"disc"), DRIVE_REMOVABLE, L"VOL1");
    ASSERT_TRUE(drive->ok()) << drive->error();
    ASSERT_TRUE(CreateDirectoryW((*drive / L"Backup").c_str(), nullptr));
    app.FileSetFolder = dir.path() + L"\\";
    app.IndexFileName = L"RUZER.IDX";
    app.envDialog = &env;
    app.pageNameDialog = &pageName;
    app.pageSortDialog = &pageSort;
    app.fileSetOpenDialog = &openSet;
    ReadIndexFile(app);  // a new file set: RUZER.IDX and RUZER.PAG
  }
  void TearDown() override { drive.reset(); }
  // A second page, added without the dialog.
  void names2() {
    AddPageTab(app, L"Two");
    WriteIndexFile(app);
    WritePageFile(app);
    PageChanged(app, 0);
  }
  static UINT GetDpiForWindowCompat(HWND w) {
    HDC dc = GetDC(w);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(w, dc);
    return static_cast<UINT>(dpi);
  }

  TempDir host, dir;
  std::unique_ptr<MappedDrive> drive;
  TestApp t;
  App& app = t.app;
  TfEnv env{t.user};
  TfPage pageName{t.user};
  TfXsort pageSort{t.user};
  FileSetOpenDialog openSet;
};

TEST_F(PageDialogsE2E, EditingTheFileSetLeavesExactlyTheseFiles) {
  const std::wstring dest = *drive / L"Backup";
  std::wstring envCaption, envDays, envFree;
  std::vector<std::wstring> envSave;
  {
    DialogDriver d;
    d.on(L"バックアップ条件設定 - RUZER", [&](DialogHandle& dlg) {
      envCaption = dlg.caption();
      envDays = dlg.text(TfEnv::kEdtBackDays);
      envSave = dlg.rows(TfEnv::kLstFile1);
      dlg.type(TfEnv::kEdtTamDir, dest + L"\\");
      dlg.type(TfEnv::kEdtVolName, L"VOL1");
      dlg.type(TfEnv::kEdtBackDays, L"30");
      dlg.tick(TfEnv::kChk1time, false);
      dlg.press(IDOK);
    });
    MainCommand(app, Cmd::Env);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ(L"15", envDays);
  EXPECT_EQ(std::vector<std::wstring>{L"*.*"}, envSave);
  EXPECT_EQ(dest, app.env.tamdir);
  EXPECT_EQ(L"保存元リスト　（バックアップ先= <" + dest + L">）", t.view.sourceCaption);

  std::vector<std::wstring> listed;
  {
    DialogDriver d;
    d.on(L"設定ページの追加", [&](DialogHandle& dlg) {
      listed = dlg.rows(TfPage::kLstPage);
      dlg.type(TfPage::kEdtPage, L"Photos");
      dlg.press(IDOK);
    });
    MainCommand(app, Cmd::PgAdd);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ(std::vector<std::wstring>{L"RUZER.PAG"}, listed);
  {
    DialogDriver d;
    d.on(L"ページ名の変更", [&](DialogHandle& dlg) {
       EXPECT_EQ(L"Photos", dlg.text(TfPage::kEdtPage));
       dlg.type(TfPage::kEdtPage, L"ruzer.pag");  // refused: the page of the first tab
       dlg.press(IDOK);
     }).on(L"ページ名の変更", [&](DialogHandle& dlg) {
      EXPECT_EQ(L"ruzer", dlg.text(TfPage::kEdtPage));
      dlg.type(TfPage::kEdtPage, L"Bilder");
      dlg.press(IDOK);
    });
    t.user.Expect(L"ページ \"ruzer\"は既に使われています.");
    MainCommand(app, Cmd::PgRen);
    ASSERT_TRUE(d.done());
    t.user.VerifyDone();
  }
  {
    DialogDriver d;
    d.on(L"設定ページの追加", [&](DialogHandle& dlg) {
      EXPECT_EQ(L"Bilder", dlg.text(TfPage::kEdtPage));  // the field keeps its last text
      dlg.type(TfPage::kEdtPage, L"Music");
      dlg.press(IDOK);
    });
    MainCommand(app, Cmd::PgAdd);
    ASSERT_TRUE(d.done());
  }
  ASSERT_EQ((std::vector<std::wstring>{L"RUZER", L"Bilder", L"Music"}), app.pages);
  std::wstring shownPath;
  {
    DialogDriver d;
    d.on(L"ページの並べ替え", [&](DialogHandle& dlg) {
      shownPath = dlg.text(TfXsort::kEdtPath);
      HWND grid = dlg.item(TfXsort::kGrid);
      MouseOnGrid(grid, 3, 3);  // select Music
      MouseOnGrid(grid, 3, 1);  // and drag it to the top
      std::wstring first;
      SendMessageW(grid, kGridGetCellText, MAKEWPARAM(1, 1), reinterpret_cast<LPARAM>(&first));
      EXPECT_EQ(L"Music", first);
      dlg.press(IDOK);
    });
    MainCommand(app, Cmd::Xsort);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ(dir / L"RUZER.IDX", shownPath);
  ASSERT_EQ((std::vector<std::wstring>{L"Music", L"RUZER", L"Bilder"}), app.pages);
  EXPECT_EQ(L"Music", app.CurrentPageName);

  t.user.Expect(L"設定ページ \"Music\" を削除しますか", kYes);
  MainCommand(app, Cmd::PgDel);
  t.user.VerifyDone();
  ASSERT_EQ((std::vector<std::wstring>{L"RUZER", L"Bilder"}), app.pages);

  {
    DialogDriver d;
    d.on(L"ファイルセットを開く - 目次ファイル（.IDX）の入力／選択", [&](DialogHandle& dlg) {
       dlg.type(FileNameField(dlg), L"Second");
       dlg.press(IDOK);
     }).on(L"", [&](DialogHandle& box) {  // the dialog asks before a new file is made
      ASSERT_TRUE(box.item(IDYES));
      box.press(IDYES);
    });
    MainCommand(app, Cmd::Xopen);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ(L"Second.IDX", app.IndexFileName);
  EXPECT_EQ(std::vector<std::wstring>{L"Second"}, app.pages);
  {
    DialogDriver d;
    d.on(L"ファイルセットを開く - 目次ファイル（.IDX）の入力／選択", [&](DialogHandle& dlg) {
      dlg.type(FileNameField(dlg), L"RUZER.IDX");
      dlg.press(IDOK);
    });
    MainCommand(app, Cmd::Xopen);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ((std::vector<std::wstring>{L"RUZER", L"Bilder"}), app.pages);
  EXPECT_EQ(dest, app.env.tamdir);

  auto index = [](const std::wstring& pages) {
    return std::vector<std::wstring>{L"[Ruzer]", L"Vers=6.00", L"Count=" + pages, L"Sleep=1000", L"Widir=150",
                                     L"", L"[Index]"};
  };
  std::vector<std::wstring> ruzerIdx = index(L"2");
  for (const wchar_t* l : {L"Fname1=RUZER", L"", L"Volum1=VOL1", L"LstDy1=", L"Fname2=Bilder", L"Dpath2=",
                           L"Volum2=", L"LstDy2=", L""})
    ruzerIdx.push_back(l);
  ruzerIdx[8] = L"Dpath1=" + dest;
  std::vector<std::wstring> secondIdx = index(L"1");
  for (const wchar_t* l : {L"Fname1=Second", L"Dpath1=", L"Volum1=", L"LstDy1=", L""}) secondIdx.push_back(l);
  std::vector<std::wstring> ruzerPag = EmptyPageLines();
  ruzerPag[2] = L"Path=" + dest;
  ruzerPag[3] = L"Labl=VOL1";
  ruzerPag[4] = L"Bday=30";
  ruzerPag[5] = L"Flgs=1001";

  EXPECT_EQ((std::vector<std::wstring>{L"Bilder.PAG", L"RUZER.IDX", L"RUZER.PAG", L"Second.IDX", L"Second.PAG"}),
            FolderEntries(dir.path()));
  EXPECT_EQ(Utf16File(ruzerIdx), ReadBytes(dir / L"RUZER.IDX"));
  EXPECT_EQ(Utf16File(ruzerPag), ReadBytes(dir / L"RUZER.PAG"));
  EXPECT_EQ(Utf16File(EmptyPageLines()), ReadBytes(dir / L"Bilder.PAG"));
  EXPECT_EQ(Utf16File(secondIdx), ReadBytes(dir / L"Second.IDX"));
  EXPECT_EQ(Utf16File(EmptyPageLines()), ReadBytes(dir / L"Second.PAG"));
}

TEST_F(PageDialogsE2E, CancelledDialogsChangeNothing) {
  names2();
  const std::string index = ReadBytes(dir / L"RUZER.IDX");
  std::wstring status, typedBack;
  std::vector<std::wstring> listed;
  {
    DialogDriver d;
    d.on(L"設定ページの追加", [&](DialogHandle& dlg) {
       HWND bar = FindWindowExW(dlg.hwnd(), nullptr, STATUSCLASSNAMEW, nullptr);
       wchar_t buf[128] = {};
       if (bar) SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
       status = buf;
       dlg.type(TfPage::kEdtPage, L"Draft");
       dlg.press(TfPage::kBtnHelp);
       dlg.press(IDCANCEL);
     }).on(L"設定ページの追加", [&](DialogHandle& dlg) {
      typedBack = dlg.text(TfPage::kEdtPage);
      listed = dlg.rows(TfPage::kLstPage);
      dlg.key(TfPage::kEdtPage, VK_ESCAPE);
    });
    MainCommand(app, Cmd::PgAdd);
    // A page file made meanwhile shows the next time.
    ASSERT_TRUE(WriteBytes(dir / L"Late.PAG", "x"));
    MainCommand(app, Cmd::PgAdd);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ(L"既存のページ名以外を入力．", status);
  EXPECT_EQ(L"Draft", typedBack);
  EXPECT_EQ((std::vector<std::wstring>{L"Late.PAG", L"RUZER.PAG", L"Two.PAG"}), listed);
  EXPECT_EQ(std::vector<std::wstring>{L"設定ページの操作"}, t.user.helpKeywords());

  std::vector<int> widths;
  {
    DialogDriver d;
    d.on(L"ページの並べ替え", [&](DialogHandle& dlg) {
      HWND grid = dlg.item(TfXsort::kGrid);
      for (int c = 0; c < 5; ++c) {
        RECT r{};
        SendMessageW(grid, kGridGetCellRect, MAKEWPARAM(0, c), reinterpret_cast<LPARAM>(&r));
        widths.push_back(MulDiv(r.right - r.left, 96, static_cast<int>(GetDpiForWindowCompat(grid))));
      }
      MouseOnGrid(grid, 2, 2);
      MouseOnGrid(grid, 2, 1);
      dlg.press(IDCANCEL);
    });
    MainCommand(app, Cmd::Xsort);
    ASSERT_TRUE(d.done());
  }
  EXPECT_EQ((std::vector<int>{30, 80, 100, 70, 100}), widths);
  EXPECT_EQ((std::vector<std::wstring>{L"RUZER", L"Two"}), app.pages);
  EXPECT_EQ(index, ReadBytes(dir / L"RUZER.IDX"));
}

}  // namespace
}  // namespace ruzer::test

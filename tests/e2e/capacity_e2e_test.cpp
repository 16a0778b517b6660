// The capacity dialog TfCheck for real: opened by the main window's command,
// two pages measured with its start button, the figures read back from the
// dialog, the main window's size list and its source list.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "base/services.h"
#include "engine/Sdskio.h"
#include "measure/Vcheck_view.h"
#include "shell/FF1.h"
#include "shell/Mainwin.h"
#include "shell/Startup.h"
#include "support/dialog_driver.h"
#include "support/main_window.h"
#include "support/page_text.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

std::wstring Cell(HWND lv, int item, int column) {
  wchar_t buf[1024] = {};
  ListView_GetItemText(lv, item, column, buf, 1024);
  return buf;
}

std::wstring StatusText(HWND bar) {
  wchar_t buf[512] = {};
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
  return buf;
}

void Put(const std::wstring& path, size_t bytes) {
  const size_t slash = path.rfind(L'\\');
  CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(path, std::string(bytes, 'x'))) << Utf8(path);
}

class CapacityDialogE2E : public MainWindowTest {
 protected:
  CapacityDialogE2E() : MainWindowTest(L"Software\\Rudavu\\RuzerCapacityTest") {}
  TfCheckDialog check{app};

  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
    // Page 1: two folders of files and a generation on its destination; page 2: one folder.
    Put(dir / L"src1\\a.doc", 3000);
    Put(dir / L"src1\\b.doc", 10);
    Put(dir / L"src1\\sub\\c.doc", 5000);
    Put(dir / L"src2\\d.txt", 70000);
    CreateDirectoryW((dir / L"dest1").c_str(), nullptr);
    Put(dir / L"dest1\\100501A\\old.doc", 2000000);
    CreateDirectoryW((dir / L"dest2").c_str(), nullptr);
    std::vector<IndexRow> index;
    const std::wstring names[2] = {L"書類", L"写真"};
    for (int i = 0; i < 2; ++i) {
      const std::wstring n = std::to_wstring(i + 1);
      const std::wstring dest = dir / (L"dest" + n);
      index.push_back(IndexRow{L"", names[i], dest, L"", L""});
      ASSERT_TRUE(WriteBytes(dir / (names[i] + L".PAG"),
                             Utf16File({L"[Ruzer]", L"Vers=6.00", L"Path=" + dest, L"Labl=", L"Bday=15",
                                        L"Flgs=1101", L"Cont=1", L"Yfil=*.*", L"Zfil=", L"", L"[Folder00001]",
                                        L"Sorc=" + dir / (L"src" + n), L"Efol=コメント" + n, L"Wfil=*.*",
                                        L"Xfil=", L"Mark=o"})));
    }
    ASSERT_TRUE(WriteBytes(dir / L"CAP.IDX", Utf16File(IndexFileLines(index))));
    app.checkDialog = &check;
    ASSERT_TRUE(window.Start(dir.path(), L"CAP.IDX"));
    check.SetOwner(win.hwnd());
    SetWindowPos(win.hwnd(), nullptr, 0, 0, 900, 640, SWP_NOZORDER);
    window.PumpUntil([&] { return app.pages.size() == 2 && app.commandDepth == 0 && !app.PageLoading; });
    ASSERT_EQ(2u, app.pages.size());
  }

  void TearDown() override {
    app.checkDialog = nullptr;
    window.Close();
  }

  // The start button clicked; returns once the page is measured.
  static void Start(DialogHandle& dlg) {
    SendMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(TfCheckDialog::kBtnStart, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dlg.item(TfCheckDialog::kBtnStart)));
  }
  std::vector<std::vector<std::wstring>> SizeList() {
    HWND lv = win.Control(kIdSizeList);
    std::vector<std::vector<std::wstring>> rows;
    for (int r = 0, n = ListView_GetItemCount(lv); r < n; ++r) {
      rows.emplace_back();
      for (int c = 0; c < 5; ++c) rows.back().push_back(Cell(lv, r, c));
    }
    return rows;
  }
};

TEST_F(CapacityDialogE2E, MeasuresTwoPagesAndShowsTheFiguresInTheDialogAndTheSizeList) {
  const std::int64_t c = ClusterSize(dir.path());
  const CodeAndText fs = GetFileSystemName(dir.path());
  const std::int64_t o = FolderOverhead(fs.code, fs.text, c);
  auto A = [&](std::int64_t n) { return AllocationSize(n, c); };
  auto Kb = [](std::int64_t n) { return FormatUnits(n, 1024); };

  struct Seen {
    std::wstring caption, pageName, startCaption, dirCount, fileCount, src, dest, past, status, tamdir, msg;
    bool abortVisible = true, exitVisible = false, warn = false;
    std::vector<std::vector<std::wstring>> sizeList;
    std::wstring rowCell;
  } ready, first, second;
  auto read = [&](DialogHandle& dlg, Seen& s) {
    s.caption = dlg.caption();
    s.pageName = dlg.text(TfCheckDialog::kLblPageName);
    s.startCaption = dlg.text(TfCheckDialog::kBtnStart);
    s.dirCount = dlg.text(TfCheckDialog::kLblDirCnt);
    s.fileCount = dlg.text(TfCheckDialog::kLblFcnt);
    s.src = dlg.text(TfCheckDialog::kLblSrc);
    s.dest = dlg.text(TfCheckDialog::kLblDest);
    s.past = dlg.text(TfCheckDialog::kLblPast);
    s.tamdir = dlg.text(TfCheckDialog::kLblTamdir);
    s.msg = dlg.text(TfCheckDialog::kLblMsg);
    s.status = StatusText(dlg.item(TfCheckDialog::kStsBar));
    s.abortVisible = dlg.visible(TfCheckDialog::kBtnAbort);
    s.exitVisible = dlg.visible(TfCheckDialog::kBtnExit);
    s.warn = dlg.visible(TfCheckDialog::kImgWarn);
    s.sizeList = SizeList();
    s.rowCell = Cell(win.Control(kIdSourceList), 0, 3);
  };
  DialogDriver d(60000);
  d.on(L"容量測定", [&](DialogHandle& dlg) {
    read(dlg, ready);
    Start(dlg);
    read(dlg, first);
    Start(dlg);
    read(dlg, second);
    dlg.press(TfCheckDialog::kBtnExit);
  });
  SendMessageW(win.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(Cmd::Check), 0), 0);
  ASSERT_TRUE(d.done());

  EXPECT_EQ(L"容量測定", ready.caption);
  EXPECT_EQ(L"設定ページ： 書類", ready.pageName);
  EXPECT_EQ(L"開始(&S)", ready.startCaption);
  EXPECT_FALSE(ready.abortVisible);
  EXPECT_TRUE(ready.exitVisible);

  // Page 1.
  const std::wstring src1 = dir / L"src1";
  EXPECT_EQ(L"設定ページ: 書類", first.pageName);
  EXPECT_EQ(L"<" + (dir / L"dest1") + L">", first.tamdir);
  EXPECT_EQ(L"次頁(&S)", first.startCaption);
  EXPECT_EQ(L"[次頁]ボタンで次の設定ページの測定.", first.status);
  EXPECT_EQ(L"フォルダ数= 2", first.dirCount);
  EXPECT_EQ(L"ファイル数= 3", first.fileCount);
  const std::int64_t own = o + A(3000) + A(10), sub = o + A(5000);
  EXPECT_EQ((std::vector<std::vector<std::wstring>>{{src1, L"コメント1", L"1", Kb(own), L"2"},
                                                     {src1 + L"\\sub", L"", L"2", Kb(sub), L"1"}}),
            first.sizeList);
  EXPECT_EQ(Kb(own + sub), first.rowCell);
  // The latest generation: its file, its own folder and one cluster more.
  const std::int64_t lastUse = A(2000000) + c;
  EXPECT_EQ(FormatUnits(lastUse, 1048576), first.dest.substr(0, first.dest.find(L" MB")));
  EXPECT_EQ(L"0 MB (  0%)", first.past);
  EXPECT_EQ(L" MB (", first.src.substr(1, 5));
  EXPECT_FALSE(first.abortVisible);
  EXPECT_TRUE(first.exitVisible);

  // Page 2, the last one.
  EXPECT_EQ(L"設定ページ: 写真", second.pageName);
  EXPECT_EQ(L"開始(&S)", second.startCaption);
  EXPECT_EQ(L"全設定ページの容量測定が終了しました.", second.status);
  EXPECT_EQ(L"フォルダ数= 1", second.dirCount);
  EXPECT_EQ(L"ファイル数= 1", second.fileCount);
  EXPECT_EQ((std::vector<std::vector<std::wstring>>{{dir / L"src2", L"コメント2", L"1", Kb(o + A(70000)), L"1"}}),
            second.sizeList);
  EXPECT_EQ(Kb(o + A(70000)), second.rowCell);
  EXPECT_EQ(L"0 MB (  0%)", second.dest);  // no generation yet
  EXPECT_EQ(1, app.activePage);
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {
namespace {

TEST_F(CapacityDialogE2E, AbortButtonStopsTheMeasurementWithItsStatusText) {
  std::wstring status, dest;
  bool abortVisible = true, startEnabled = false;
  DialogDriver d(60000);
  d.on(L"容量測定", [&](DialogHandle& dlg) {
    // The abort click waits in the queue and is taken at the measurement's first pump.
    PostMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(TfCheckDialog::kBtnAbort, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dlg.item(TfCheckDialog::kBtnAbort)));
    Start(dlg);
    status = StatusText(dlg.item(TfCheckDialog::kStsBar));
    dest = dlg.text(TfCheckDialog::kLblDest);
    abortVisible = dlg.visible(TfCheckDialog::kBtnAbort);
    startEnabled = dlg.enabled(TfCheckDialog::kBtnStart);
    dlg.key(TfCheckDialog::kBtnStart, VK_ESCAPE);
  });
  SendMessageW(win.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(Cmd::Check), 0), 0);
  ASSERT_TRUE(d.done());
  EXPECT_EQ(L"測定中断．表示結果は正しく無い可能性があります．", status);
  EXPECT_EQ(L"", dest);  // stopped before the destination was measured
  EXPECT_FALSE(abortVisible);
  EXPECT_TRUE(startEnabled);
  EXPECT_EQ(nullptr, FindDialog(L"容量測定"));  // Esc closed it
}

}  // namespace
}  // namespace ruzer::test

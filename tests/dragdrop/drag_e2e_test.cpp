// Its own executable: the pointer tests leave the window system in a state
// (foreground, shell drive cache) that other end-to-end tests must not inherit.
// Drag and drop on the real main window with real mouse input: xdotool moves
// and presses the X pointer of the Xvfb display, Wine turns that into the
// window's own mouse messages. A folder from another process arrives through
// OLE drag and drop, started by this same executable running only the
// DropHelper test in a second process.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>

#include "base/services.h"
#include "shell/FF1.h"
#include "shell/Mainwin.h"
#include "shell/Startup.h"
#include "store/Spage.h"
#include "support/drives.h"
#include "support/main_window.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

const wchar_t kXdotool[] = L"Z:\\usr\\bin\\xdotool";
const wchar_t kRegistryKey[] = L"Software\\Rudavu\\RuzerDragE2ETest";

bool HaveXdotool() { return GetFileAttributesW(kXdotool) != INVALID_FILE_ATTRIBUTES; }

std::wstring Num(LONG v) { return std::to_wstring(v); }

class DragE2E : public MainWindowTest {
 protected:
  DragE2E() : MainWindowTest(kRegistryKey) {}

  std::wstring Src(const std::wstring& rel) const { return dir / (L"src\\" + rel); }

  void SetUp() override {
    if (!HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    // No window settings of an earlier test or run.
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
    ASSERT_TRUE(CreateDirectoryW((dir / L"src").c_str(), nullptr));
    for (const wchar_t* f : {L"alpha", L"beta", L"beta\\sub", L"gamma", L"delta"})
      ASSERT_TRUE(CreateDirectoryW(Src(f).c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir / L"SAMPLE.IDX",
                           Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=220", L"",
                                      L"[Index]", L"Fname1=P", L"Dpath1=" + (dir / L"dest"), L"Volum1=",
                                      L"LstDy1=2010/06/24 06:00:00",
                                      L""})));
    std::vector<std::wstring> page = {L"[Ruzer]", L"Vers=6.00", L"Path=" + (dir / L"dest"), L"Labl=", L"Bday=15",
                                      L"Flgs=1101", L"Cont=2", L"Yfil=*.*", L"Zfil="};
    int n = 0;
    for (const wchar_t* f : {L"alpha", L"beta"})
      page.insert(page.end(), {L"", L"[Folder0000" + std::to_wstring(++n) + L"]", L"Sorc=" + Src(f), L"Efol=",
                               L"Wfil=*.*", L"Xfil=", L"Mark=o"});
    ASSERT_TRUE(WriteBytes(dir / L"P.PAG", Utf16File(page)));
    ASSERT_TRUE(window.Start(dir.path(), L"SAMPLE.IDX"));
    SetWindowPos(win.hwnd(), HWND_TOP, 0, 0, 900, 640, SWP_SHOWWINDOW);
    PumpUntil([&] { return app.RowCount() == 2 && app.commandDepth == 0; });
    ASSERT_EQ(2, app.RowCount()) << "the file set was not loaded";
    Pump(300);
  }

  void TearDown() override {
    window.Close();
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
  }

  void PumpUntil(const std::function<bool()>& done, int ms = 15000) { window.PumpUntil(done, ms); }
  void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
  }
  HWND C(int id) { return win.Control(id); }

  POINT Screen(HWND h, POINT client) {
    ClientToScreen(h, &client);
    return client;
  }
  // Moves the X pointer and waits until the window system has it there.
  void MoveTo(POINT at) {
    ASSERT_TRUE(RunHostProgram(kXdotool, {L"mousemove", Num(at.x), Num(at.y)}));
    POINT now{};
    PumpUntil([&] { return GetCursorPos(&now) && now.x == at.x && now.y == at.y; }, 10000);
    ASSERT_EQ(at.x, now.x) << "the pointer did not move";
    ASSERT_EQ(at.y, now.y);
    Pump(200);
  }
  // Presses at `from`, moves past the drag threshold, on to `to`, releases there.
  void Drag(POINT from, POINT to) {
    MoveTo(from);
    std::vector<std::wstring> a = {L"mousedown", L"1", L"sleep", L"0.3"};
    for (int i = 1; i <= 4; ++i)
      a.insert(a.end(), {L"mousemove", Num(from.x + (to.x - from.x) * i / 4), Num(from.y + (to.y - from.y) * i / 4),
                         L"sleep", L"0.2"});
    a.insert(a.end(), {L"mouseup", L"1"});
    ASSERT_TRUE(RunHostProgram(kXdotool, a));
    // Done once the pointer has reached the end and the button is up again.
    POINT now{};
    PumpUntil([&] { return GetCursorPos(&now) && now.x == to.x && now.y == to.y && !(GetKeyState(VK_LBUTTON) & 0x8000); },
              10000);
    Pump(300);
  }

  // Drags `folder`'s node of the tree onto the source list's free area.
  void DragFromTree(const std::wstring& folder) {
    ASSERT_TRUE(win.ShowTreePath(folder)) << "the tree cannot open at the folder";
    ASSERT_EQ(Utf8(folder), Utf8(win.TreeSelectedPath()));
    HWND tree = C(kIdTree);
    HTREEITEM node = TreeView_GetSelection(tree);
    // Another node is selected first: the drag itself makes the dragged node the one dropped.
    TreeView_SelectItem(tree, TreeView_GetParent(tree, node));
    TreeView_EnsureVisible(tree, node);
    Pump(100);
    RECT r{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, node, &r, TRUE));
    Drag(Screen(tree, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}), SourceListFreeArea());
  }
  // The dropped folder is the row at `at` of `rows` (the rows stay in folder
  // order), announced, and in the page file.
  void ExpectRegistered(const std::wstring& folder, int at, int rows) {
    PumpUntil([&] { return app.RowCount() == rows; });
    user.VerifyDone();
    ASSERT_EQ(rows, app.RowCount());
    EXPECT_EQ(Utf8(folder), Utf8(app.rows[static_cast<size_t>(at)].caption));
    wchar_t status[512] = {};
    SendMessageW(C(kIdStatusBar), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(status));
    EXPECT_EQ(Utf8(L"<" + folder + L"> 登録."), Utf8(status));
    EXPECT_EQ(0, app.DragSourceKind);
    TestApp other;
    other.app.FileSetFolder = dir.path() + L"\\";
    other.app.IndexFileName = L"SAMPLE.IDX";
    other.app.pages = {L"P"};
    other.app.PageIndexTable = {IndexRow{L"No."}, IndexRow{L"1", L"P"}};
    ASSERT_TRUE(ReadPageFile(other.app, false));
    ASSERT_EQ(rows, other.app.RowCount());
    bool found = false;
    for (const auto& row : other.app.rows) found = found || row.caption == folder;
    EXPECT_TRUE(found) << "the new row is in the page file";
  }
  // The error list with a page line and one failed file below the row of beta; row 0 selected.
  void ShowErrorLines() {
    SetBottomPanel(app, 1);
    ErrorListAdd(app, L"{P} ページ.");
    ErrorListAdd(app, Src(L"beta\\sub\\report.doc") + L" <エラー:32> プロセスはファイルにアクセスできません");
    win.SelectRow(0);
    Pump(300);
  }
  void DragErrorLine(int line) {
    HWND lb = C(kIdErrorList);
    ASSERT_TRUE(IsWindowVisible(lb));
    RECT r{};
    ASSERT_NE(LB_ERR, SendMessageW(lb, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&r)));
    Drag(Screen(lb, POINT{r.left + 30, (r.top + r.bottom) / 2}), SourceListFreeArea());
  }
  // The drag of error line `line` selected source row `row` only.
  void ExpectFoundRow(int line, int row) {
    PumpUntil([&] { return win.SelectedRows() == std::vector<int>{row}; });
    EXPECT_EQ(std::vector<int>{row}, win.SelectedRows());
    EXPECT_EQ(line, SendMessageW(C(kIdErrorList), LB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, app.DragSourceKind);
    user.VerifyDone();
  }

  // A point of the source list's free area below its rows.
  POINT SourceListFreeArea() {
    RECT r;
    GetClientRect(C(kIdSourceList), &r);
    return Screen(C(kIdSourceList), POINT{40, r.bottom - 15});
  }
};

TEST_F(DragE2E, AFolderDraggedFromTheTreeBecomesARowInThePageFile) {
  const std::wstring folder = Src(L"gamma");
  ASSERT_NO_FATAL_FAILURE(DragFromTree(folder));
  ExpectRegistered(folder, 2, 3);
}

TEST_F(DragE2E, AnErrorLineDraggedOntoTheSourceListSelectsTheRowOfTheFailedFile) {
  ShowErrorLines();
  ASSERT_NO_FATAL_FAILURE(DragErrorLine(1));
  ExpectFoundRow(1, 1);
}

// What a user does in one sitting: a folder from the tree, then a failed file's
// line, then another folder. No drag may leave anything behind for the next.
TEST_F(DragE2E, DragsOfDifferentKindsFollowOneAnotherInOneWindow) {
  ASSERT_NO_FATAL_FAILURE(DragFromTree(Src(L"gamma")));
  ASSERT_NO_FATAL_FAILURE(ExpectRegistered(Src(L"gamma"), 2, 3));
  ShowErrorLines();
  ASSERT_NO_FATAL_FAILURE(DragErrorLine(1));
  ASSERT_NO_FATAL_FAILURE(ExpectFoundRow(1, 1));
  ASSERT_NO_FATAL_FAILURE(DragFromTree(Src(L"delta")));
  ExpectRegistered(Src(L"delta"), 2, 4);
}

TEST_F(DragE2E, ASizeListLineDraggedOntoTheSourceListSelectsItsRow) {
  SetBottomPanel(app, 2);
  win.SizeListAdd({Src(L"alpha"), L"", L"1", L"12", L"3"});
  win.SizeListAdd({Src(L"beta"), L"", L"2", L"40", L"7"});
  win.SelectRow(0);
  Pump(300);
  HWND lv = C(kIdSizeList);
  ASSERT_TRUE(IsWindowVisible(lv));
  RECT r{};
  ASSERT_TRUE(ListView_GetItemRect(lv, 1, &r, LVIR_LABEL));
  Drag(Screen(lv, POINT{r.left + 20, (r.top + r.bottom) / 2}), SourceListFreeArea());
  PumpUntil([&] { return win.SelectedRows() == std::vector<int>{1}; });
  EXPECT_EQ(std::vector<int>{1}, win.SelectedRows());
  EXPECT_EQ(1, win.SizeListSelected());
  EXPECT_EQ(0, app.DragSourceKind);
  user.VerifyDone();
}

// The other process: drags the folders in RUZER_DROP_PATHS (separated by "|")
// through OLE and drops them where the pointer is.
class DropSource final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDropSource) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    // The button is not held: the drop happens at once where the pointer is.
    return escape ? DRAGDROP_S_CANCEL : (++polls_ > 3 ? DRAGDROP_S_DROP : S_OK);
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  int polls_ = 0;
};

TEST(DropHelper, DragFoldersFromThisProcess) {
  wchar_t buf[4096] = {};
  if (!GetEnvironmentVariableW(L"RUZER_DROP_PATHS", buf, 4096)) GTEST_SKIP() << "only run as the other process";
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  const std::wstring folder = buf;
  PIDLIST_ABSOLUTE pidl = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHParseDisplayName(folder.c_str(), nullptr, &pidl, 0, nullptr)));
  IShellFolder* parent = nullptr;
  PCUITEMID_CHILD child = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child)));
  IDataObject* data = nullptr;
  ASSERT_TRUE(SUCCEEDED(parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr,
                                              reinterpret_cast<void**>(&data))));
  DropSource source;
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_LINK, &effect);
  EXPECT_EQ(DRAGDROP_S_DROP, hr);
  EXPECT_NE(static_cast<DWORD>(DROPEFFECT_NONE), effect);
  data->Release();
  parent->Release();
  CoTaskMemFree(pidl);
  OleUninitialize();
}

TEST_F(DragE2E, AFolderDroppedByAnotherProgramBecomesARow) {
  const std::wstring folder = Src(L"delta");
  MoveTo(SourceListFreeArea());
  Pump(500);
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  SetEnvironmentVariableW(L"RUZER_DROP_PATHS", folder.c_str());
  std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=DropHelper.* --gtest_color=no";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  SetEnvironmentVariableW(L"RUZER_DROP_PATHS", nullptr);
  PumpUntil([&] { return app.RowCount() == 3 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
  PumpUntil([&] { return app.RowCount() == 3; }, 3000);
  DWORD code = 1;
  WaitForSingleObject(pi.hProcess, 10000);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(0u, code) << "the other process could not drag";
  ASSERT_EQ(3, app.RowCount());
  EXPECT_EQ(Utf8(folder), Utf8(app.rows[2].caption));
  EXPECT_EQ(L"", app.rows[2].comment);
  user.VerifyDone();
}

}  // namespace
}  // namespace ruzer::test

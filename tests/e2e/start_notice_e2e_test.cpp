// The real main window started on a file set whose last runs left something
// to tell: the lines are in the error list when the window is idle, and no
// box was shown on the way.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/textfile.h"
#include "shell/FF1.h"
#include "shell/Startup.h"
#include "support/backup_fixture.h"
#include "support/drives.h"
#include "support/main_window.h"
#include "support/page_text.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

struct PageSpec {
  std::wstring name, dest, label, last;
};

void WriteFileSet(const TempDir& dir, const std::vector<PageSpec>& pages) {
  std::vector<IndexRow> index;
  for (const PageSpec& p : pages) {
    index.push_back(IndexRow{L"", p.name, p.dest, p.label, p.last});
    ASSERT_TRUE(WriteBytes(dir / (p.name + L".PAG"),
                           Utf16File({L"[Ruzer]", L"Vers=6.00", L"Path=" + p.dest, L"Labl=" + p.label, L"Bday=15",
                                      L"Flgs=1101", L"Cont=1", L"Yfil=*.*", L"Zfil=", L"", L"[Folder00001]",
                                      L"Sorc=C:\\Data\\" + p.name, L"Efol=", L"Wfil=*.*", L"Xfil=", L"Mark=o"})));
  }
  ASSERT_TRUE(WriteBytes(dir / L"SET.IDX", Utf16File(IndexFileLines(index))));
}

std::vector<std::wstring> ListBoxLines(HWND lb) {
  std::vector<std::wstring> out;
  const LRESULT n = SendMessageW(lb, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    std::wstring s(static_cast<size_t>(SendMessageW(lb, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)), L'\0');
    SendMessageW(lb, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    out.push_back(s);
  }
  return out;
}

TEST(StartNoticeE2E, AgeAndErrorsOfTheLastRunsAreInTheErrorList) {
  TempDir dir;
  ScriptedUser user;  // any box would fail the test
  FakeClock clock;
  clock.Set(2010, 6, 24, 9);
  FF1 win;
  App app{user, win, clock};
  RealMainWindow window(win, app, L"Software\\Rudavu\\RuzerE2ETest");
  MakeFolder(dir / L"P\\100612A");
  MakeFolder(dir / L"Q\\100624A");
  ASSERT_TRUE(WriteBytes(dir / L"Q\\100624A\\ERROR.LOG",
                         EncodeAnsiLines({dir / L"mail\\a.pst <エラー:32> 共有違反です", L"C:\\Data\\Q\\b <エラー:5> x",
                                          L"C:\\Data\\Q\\c <エラー:2> y"})));
  MakeFolder(dir / L"mail");
  MakeFolder(dir / L"R\\100624A");
  const std::wstring missing = std::wstring(1, UnusedDriveLetter()) + L":\\Backup";
  WriteFileSet(dir, {{L"P", dir / L"P", L"", L"2010/06/12 20:00:00"},
                     {L"Q", dir / L"Q", L"", L"2010/06/24 08:00:00"},
                     {L"R", dir / L"R", L"", L"2010/06/24 08:00:00"},
                     {L"S", missing, L"USBDISK", L"2010/06/10 08:00:00"}});
  ASSERT_TRUE(window.Start(dir.path(), L"SET.IDX"));
  window.PumpUntil([&] { return app.pages.size() == 4 && app.commandDepth == 0 && !app.errorLines.empty(); });
  user.VerifyDone();
  HWND lb = win.Control(kIdErrorList);
  EXPECT_TRUE(IsWindowVisible(lb));
  EXPECT_EQ((std::vector<std::wstring>{L"{P} 最後のバックアップから12日経っています．",
                                       L"{Q} 前回のバックアップ (100624A) に 3 件のエラーがあります．",
                                       dir / L"mail\\a.pst <エラー:32> 共有違反です", L"C:\\Data\\Q\\b <エラー:5> x",
                                       L"C:\\Data\\Q\\c <エラー:2> y", L"{S} 最後のバックアップから14日経っています．"}),
            ListBoxLines(lb));
  wchar_t status[256] = {};
  SendMessageW(win.Control(kIdStatusBar), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(status));
  EXPECT_EQ(Utf8(L"確認が必要な設定ページが 3 ページあります．（エラーリスト）"), Utf8(status));
  // A double-click on a line of the log shows its folder in the tree.
  SendMessageW(lb, LB_SETCURSEL, 2, 0);
  for (int i = 0; i < 300 && win.TreeSelectedPath() != dir / L"mail"; ++i) {
    if (i % 50 == 0) SendMessageW(GetParent(lb), WM_COMMAND, MAKEWPARAM(kIdErrorList, LBN_DBLCLK), reinterpret_cast<LPARAM>(lb));
    win.PumpMessages();
    Sleep(10);
  }
  EXPECT_EQ(Utf8(dir / L"mail"), Utf8(win.TreeSelectedPath()));
  window.Close();
}

}  // namespace
}  // namespace ruzer::test

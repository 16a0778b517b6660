// The real progress bar in the main window's status bar during backups: a
// moving bar the first time, then a bar that rises to full.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

#include "base/textfile.h"
#include "engine/Sbakup.h"
#include "shell/FF1.h"
#include "shell/Startup.h"
#include "support/backup_fixture.h"
#include "support/main_window.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

// The real time for the run's pacing, a fixed day for its generation names,
// and a look at the window whenever the run asks the time.
class SamplingClock : public IClock {
 public:
  SYSTEMTIME day{};
  std::function<void()> sample;
  SYSTEMTIME Now() override { return day; }
  void Sleep(int ms) override { ::Sleep(static_cast<DWORD>(ms)); }
  std::uint64_t TickMs() override {
    if (sample) sample();
    return GetTickCount64();
  }
};

struct Seen {
  bool visible = false, marquee = false;
  int pos = 0;
};

TEST(ProgressE2E, TheBarMovesOnTheFirstRunAndRisesToFullOnTheNext) {
  TempDir dir;
  ScriptedUser user;
  SamplingClock clock;
  clock.day = At(2010, 5, 1, 12);
  FF1 win;
  App app{user, win, clock};
  ScriptedMemo memo;
  app.memoDialog = &memo;
  RealMainWindow window(win, app, L"Software\\Rudavu\\RuzerE2ETest");
  const std::wstring src = dir / L"src", dest = dir / L"dest";
  MakeFolder(dest);
  for (int f = 0; f < 20; ++f)
    for (int i = 0; i < 100; ++i)
      Put(src + L"\\d" + std::to_wstring(f) + L"\\f" + std::to_wstring(i) + L".txt", "x");
  ASSERT_TRUE(WriteBytes(dir / L"SET.IDX", Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=0", L"Widir=180", L"",
                                                      L"[Index]", L"Fname1=P", L"Dpath1=" + dest, L"Volum1=",
                                                      L"LstDy1=2010/05/01 06:00:00", L""})));
  ASSERT_TRUE(WriteBytes(dir / L"P.PAG", Utf16File({L"[Ruzer]", L"Vers=6.00", L"Path=" + dest, L"Labl=", L"Bday=15",
                                                    L"Flgs=1101", L"Cont=1", L"Yfil=*.*", L"Zfil=", L"",
                                                    L"[Folder00001]", L"Sorc=" + src, L"Efol=", L"Wfil=*.*", L"Xfil=",
                                                    L"Mark=o"})));
  ASSERT_TRUE(window.Start(dir.path(), L"SET.IDX"));
  window.PumpUntil([&] { return app.pages.size() == 1 && app.RowCount() == 1 && app.commandDepth == 0; });
  ASSERT_EQ(1, app.RowCount());
  HWND bar = win.Control(kIdProgressBar);
  ASSERT_NE(nullptr, bar);
  std::vector<Seen> seen;
  const std::function<void()> sampler = [&] {
    Seen s;
    s.visible = IsWindowVisible(bar) != FALSE;
    s.marquee = (GetWindowLongPtrW(bar, GWL_STYLE) & PBS_MARQUEE) != 0;
    s.pos = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
    seen.push_back(s);
  };
  clock.sample = sampler;

  RunBackup(app);
  EXPECT_FALSE(app.BackupFailed || app.AbortRequested);
  bool moving = false;
  for (const auto& s : seen) moving |= s.visible && s.marquee;
  EXPECT_TRUE(moving) << "no moving bar during the first backup";
  EXPECT_FALSE(IsWindowVisible(bar));

  // Every file changed: the second run copies all of them again.
  clock.sample = nullptr;
  for (int f = 0; f < 20; ++f)
    for (int i = 0; i < 100; ++i) Put(src + L"\\d" + std::to_wstring(f) + L"\\f" + std::to_wstring(i) + L".txt", "y");
  clock.sample = sampler;
  seen.clear();
  clock.day.wDay = 2;
  RunBackup(app);
  clock.sample = nullptr;
  int last = -1, risen = 0;
  bool full = false;
  for (const auto& s : seen) {
    if (!s.visible) continue;
    EXPECT_FALSE(s.marquee);
    EXPECT_GE(s.pos, last);
    if (s.pos > last && last >= 0) ++risen;
    last = s.pos;
    full |= s.pos == 1000;
  }
  EXPECT_GT(risen, 2) << "the bar did not rise during the run";
  EXPECT_TRUE(full) << "the bar did not end at full";
  EXPECT_FALSE(IsWindowVisible(bar));

  window.Close();
}

}  // namespace
}  // namespace ruzer::test

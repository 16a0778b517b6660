// The about box through the real dialog: its texts, and OK closes it.
#include <gtest/gtest.h>

#include "shell/Vabout_view.h"
#include "support/dialog_driver.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

TEST(AboutDialogE2E, ShowsNameAndVersionAndOkClosesIt) {
  if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  ScriptedUser user;
  TfAbout about(user);
  std::wstring product, version, ok;
  bool okIsDefault = false;
  DialogDriver driver;
  driver.on(L"バージョン情報", [&](DialogHandle& d) {
    product = d.text(TfAbout::kLblProduct);
    version = d.text(TfAbout::kLblVersion);
    ok = d.text(IDOK);
    okIsDefault = LOWORD(SendMessageW(d.hwnd(), DM_GETDEFID, 0, 0)) == IDOK;
    d.press(IDOK);
  });
  about.Show();  // returns once the box has closed
  EXPECT_TRUE(driver.done());
  EXPECT_FALSE(driver.timedOut());
  EXPECT_EQ(L"Varod", product);
  EXPECT_EQ(L"Version  6.00", version);
  EXPECT_EQ(L"OK", ok);
  EXPECT_TRUE(okIsDefault);
  EXPECT_EQ(nullptr, FindDialog(L"バージョン情報"));
}

}  // namespace
}  // namespace ruzer::test

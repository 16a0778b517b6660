#include "base/handles.h"

#include <gtest/gtest.h>

#include "support/dialog_driver.h"

namespace ruzer::test {
namespace {

// A window whose device context is its own: what is selected into it stays
// there from one GetDC to the next, so a selection left behind would show.
HWND OwnDcWindow() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = &DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"RuzerOwnDcTest";
  RegisterClassExW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
}

HGDIOBJ CurrentFont(HWND w) {
  HDC dc = GetDC(w);
  HGDIOBJ f = GetCurrentObject(dc, OBJ_FONT);
  ReleaseDC(w, dc);
  return f;
}

TEST(WindowDc, PutsBackTheObjectItReplaced) {
  if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  WindowHandle w(OwnDcWindow());
  ASSERT_TRUE(w);
  const HGDIOBJ before = CurrentFont(w.get());
  FontHandle first(CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  FontHandle second(CreateFontW(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  {
    WindowDc dc(w.get(), first.get());
    ASSERT_TRUE(dc);
    EXPECT_EQ(first.get(), GetCurrentObject(dc.get(), OBJ_FONT));
    dc.Select(second.get());
    EXPECT_EQ(second.get(), GetCurrentObject(dc.get(), OBJ_FONT));
  }
  // The font that was there before the first selection, not the first font.
  EXPECT_EQ(before, CurrentFont(w.get()));
}

}  // namespace
}  // namespace ruzer::test

// The dialog toolkit through a small real dialog: anchors and layout rules on
// resize, the minimum size, centring on the owner, nested dialogs and OK that a
// view may refuse.
#include <gtest/gtest.h>

#include "base/dialog.h"
#include "support/dialog_driver.h"
#include "support/scripted.h"

namespace ruzer::test {
namespace {

constexpr int kEdit = 101, kList = 102, kHalf = 103, kOpen = 104;

// A resizable dialog: an edit across the top, a list filling the middle, a
// label that takes the left half of the width by rule, and a button that opens
// a nested dialog. OK is refused while the edit is empty.
class Sample : public Dialog {
 public:
  explicit Sample(IUser& user, Dialog* nested = nullptr)
      : Dialog(user, {L"見本", 400, 300, true, L"見本のヘルプ"}), nested_(nested) {}
  int oks = 0;

 private:
  void OnCreate() override {
    using namespace dlg;
    AddEdit(kEdit, {kMargin, kMargin, 400 - 2 * kMargin, kEditH}, kAnchorTopWide);
    AddListBox(kList, {kMargin, 44, 400 - 2 * kMargin, 150}, kAnchorAll);
    AddLabel(kHalf, L"半分", {kMargin, 200, 100, kLabelH}, kAnchorBottomLeft);
    AddButton(kOpen, L"開く", {kMargin, 300 - kMargin - kButtonH, kButtonW, kButtonH}, kAnchorBottomLeft);
    AddDialogButtons();
  }
  void OnLayout(int width96, int) override {
    Rect96 r = Placed(kHalf);
    r.w = width96 / 2 - r.x;
    Place(kHalf, r);
  }
  bool OnCommand(int id, int) override {
    if (id != kOpen || !nested_) return false;
    nested_->SetOwner(hwnd());
    nested_->ShowModal();
    return true;
  }
  bool OnOk() override {
    ++oks;
    return !Text(kEdit).empty();
  }
  Dialog* nested_;
};

class Inner : public Dialog {
 public:
  explicit Inner(IUser& user) : Dialog(user, {L"内側", 200, 100, false, L""}) {}

 private:
  void OnCreate() override { AddDialogButtons(); }
};

// A fixed dialog with a status bar, added before the buttons as the dialogs
// with a status line do, and labels: a caption with a mnemonic, and a label
// that gets a path with an ampersand later.
constexpr int kCaptioned = 105, kPathLabel = 106, kStatus = 107;
class WithStatus : public Dialog {
 public:
  explicit WithStatus(IUser& user) : Dialog(user, {L"状態行つき", 300, 160, false, L"見本のヘルプ"}) {}

 private:
  void OnCreate() override {
    using namespace dlg;
    AddLabel(kCaptioned, L"保存日数(&D)", {kMargin, kMargin, 120, kLabelH});
    AddEdit(kEdit, {140, kMargin, 100, kEditH});
    AddLabel(kPathLabel, L"", {kMargin, 44, 276, kLabelH});
    AddStatusBar(kStatus, L"状態");
    AddDialogButtons();
  }
  bool OnShow() override {
    SetText(kPathLabel, L"D:\\A&B\\C");
    return false;
  }
};

class DialogToolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  }
};

TEST_F(DialogToolkit, AnchorsAndRulesFollowAResize) {
  ScriptedUser user;
  Sample sample(user);
  RECT edit{}, list{}, half{}, ok{}, open{}, client{};
  bool helpButton = false;
  SIZE minimum{};
  DialogDriver d;
  d.on(L"見本", [&](DialogHandle& dlg) {
    helpButton = dlg.visible(kIdHelp) && dlg.text(kIdHelp) == L"ヘルプ";
    RECT w{};
    GetWindowRect(dlg.hwnd(), &w);
    // 100 pixels wider and 60 higher.
    SetWindowPos(dlg.hwnd(), nullptr, 0, 0, w.right - w.left + 100, w.bottom - w.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(dlg.hwnd(), &client);
    edit = dlg.rect(kEdit), list = dlg.rect(kList), half = dlg.rect(kHalf), ok = dlg.rect(IDOK),
    open = dlg.rect(kOpen);
    // Smaller than designed is not allowed.
    MINMAXINFO mm{};
    SendMessageW(dlg.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    minimum = {mm.ptMinTrackSize.x, mm.ptMinTrackSize.y};
    dlg.press(IDCANCEL);
  });
  EXPECT_EQ(IDCANCEL, sample.ShowModal());
  ASSERT_TRUE(d.done());
  const int dpi = sample.dpi();
  auto px = [&](int v) { return MulDiv(v, dpi, 96); };
  EXPECT_TRUE(helpButton);
  EXPECT_NEAR(px(500), client.right, 2);
  EXPECT_NEAR(px(360), client.bottom, 2);
  EXPECT_NEAR(px(12), edit.left, 1);                 // left kept
  EXPECT_NEAR(client.right - px(12), edit.right, 2);  // stretched
  EXPECT_NEAR(px(44), list.top, 1);
  EXPECT_NEAR(px(150 + 60), list.bottom - list.top, 2);  // grows both ways
  EXPECT_NEAR(px(200 + 60), half.top, 2);                // moves down
  EXPECT_NEAR(client.right / 2, half.right, 2);          // the rule: half the width
  EXPECT_NEAR(client.right - px(12), ok.right + px(2 * 92 + 2 * 8), 3);
  EXPECT_NEAR(client.bottom - px(12), ok.bottom, 2);
  EXPECT_NEAR(px(12), open.left, 1);
  EXPECT_NEAR(client.bottom - px(12), open.bottom, 2);
  EXPECT_GE(minimum.cx, px(400));
  EXPECT_GE(minimum.cy, px(300));
}

TEST_F(DialogToolkit, OkRefusedByTheViewKeepsTheDialogOpen) {
  ScriptedUser user;
  Sample sample(user);
  bool stillOpen = false;
  DialogDriver d;
  d.on(L"見本", [](DialogHandle& dlg) { dlg.press(IDOK); })
      .on(L"見本", [&](DialogHandle& dlg) {
        stillOpen = true;
        dlg.type(kEdit, L"x");
        dlg.press(IDOK);
      });
  EXPECT_EQ(IDOK, sample.ShowModal());
  EXPECT_TRUE(d.done());
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(2, sample.oks);
}

TEST_F(DialogToolkit, NestedDialogIsCentredOnItsOwnerAndReachedFirst) {
  ScriptedUser user;
  Inner inner(user);
  Sample sample(user, &inner);
  RECT outerRect{}, innerRect{};
  bool outerDisabled = false, innerHasHelp = true;
  DialogDriver d;
  d.on(L"見本", [](DialogHandle& dlg) { dlg.press(kOpen); })
      .on(L"内側", [&](DialogHandle& dlg) {
        GetWindowRect(dlg.hwnd(), &innerRect);
        GetWindowRect(GetWindow(dlg.hwnd(), GW_OWNER), &outerRect);
        outerDisabled = !IsWindowEnabled(GetWindow(dlg.hwnd(), GW_OWNER));
        innerHasHelp = dlg.item(kIdHelp) != nullptr;
        dlg.key(IDOK, VK_ESCAPE);
      })
      .on(L"見本", [](DialogHandle& dlg) { dlg.press(IDCANCEL); });
  EXPECT_EQ(IDCANCEL, sample.ShowModal());
  ASSERT_TRUE(d.done());
  EXPECT_TRUE(outerDisabled);
  EXPECT_FALSE(innerHasHelp);  // no keyword, no Help button
  EXPECT_NEAR((outerRect.left + outerRect.right) / 2, (innerRect.left + innerRect.right) / 2, 2);
  EXPECT_NEAR((outerRect.top + outerRect.bottom) / 2, (innerRect.top + innerRect.bottom) / 2, 2);
}

TEST_F(DialogToolkit, DialogButtonsStayAboveTheStatusBar) {
  ScriptedUser user;
  WithStatus dialog(user);
  RECT ok{}, help{}, status{};
  DialogDriver d;
  d.on(L"状態行つき", [&](DialogHandle& dlg) {
    ok = dlg.rect(IDOK), help = dlg.rect(kIdHelp), status = dlg.rect(kStatus);
    dlg.press(IDOK);
  });
  EXPECT_EQ(IDOK, dialog.ShowModal());
  ASSERT_TRUE(d.done());
  ASSERT_GT(status.bottom, status.top);
  EXPECT_LE(ok.bottom, status.top);
  EXPECT_LE(help.bottom, status.top);
  EXPECT_GT(ok.bottom, status.top - MulDiv(2 * dlg::kMargin, dialog.dpi(), 96));  // still at the bottom
}

TEST_F(DialogToolkit, LabelCaptionsShowMnemonicsAndOtherTextsTheirAmpersands) {
  ScriptedUser user;
  WithStatus dialog(user);
  LONG captioned = 0, path = 0;
  std::wstring pathText;
  DialogDriver d;
  d.on(L"状態行つき", [&](DialogHandle& dlg) {
    captioned = GetWindowLongW(dlg.item(kCaptioned), GWL_STYLE);
    path = GetWindowLongW(dlg.item(kPathLabel), GWL_STYLE);
    pathText = dlg.text(kPathLabel);
    dlg.press(IDCANCEL);
  });
  dialog.ShowModal();
  ASSERT_TRUE(d.done());
  EXPECT_EQ(0, captioned & SS_NOPREFIX);  // "(&D)" shows as an underlined D
  EXPECT_NE(0, path & SS_NOPREFIX);       // "A&B" stays "A&B"
  EXPECT_EQ(L"D:\\A&B\\C", pathText);
}

}  // namespace
}  // namespace ruzer::test

// TfMemo, the real Win32 dialog, driven as a user would.
#include <gtest/gtest.h>

#include "engine/Vmemo_view.h"
#include "support/dialog_driver.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

class MemoDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  }
};

TEST_F(MemoDialog, OkGivesTheTextAsTyped) {
  ScriptedUser user;
  TfMemo memo(user);
  std::wstring caption, buttons;
  bool focusInEdit = false;
  LRESULT limit = 0;
  DialogDriver d;
  d.on(L"メモ", [&](DialogHandle& dlg) {
    caption = dlg.caption();
    focusInEdit = dlg.focused(TfMemo::kEdtMemo);
    limit = SendMessageW(dlg.item(TfMemo::kEdtMemo), EM_GETLIMITTEXT, 0, 0);
    buttons = dlg.text(IDOK) + L"|" + dlg.text(IDCANCEL) + L"|" + dlg.text(TfMemo::kBtnHelp);
    dlg.type(TfMemo::kEdtMemo, L"  週次バックアップ ");
    dlg.press(IDOK);
  });
  std::wstring text = L"unchanged";
  ASSERT_TRUE(memo.Show(text));
  ASSERT_TRUE(d.done());
  EXPECT_EQ(L"  週次バックアップ ", text);  // as typed, blanks included
  EXPECT_EQ(L"メモ", caption);
  EXPECT_TRUE(focusInEdit);
  EXPECT_GT(limit, 1000000);
  EXPECT_EQ(L"OK|キャンセル|ヘルプ", buttons);
}

TEST_F(MemoDialog, EnterClosesWithOkAndEscCancels) {
  ScriptedUser user;
  TfMemo memo(user);
  {
    DialogDriver d;
    d.on(L"メモ", [](DialogHandle& dlg) {
      dlg.type(TfMemo::kEdtMemo, L"by Enter");
      dlg.key(TfMemo::kEdtMemo, VK_RETURN);
    });
    std::wstring text;
    EXPECT_TRUE(memo.Show(text));
    EXPECT_TRUE(d.done());
    EXPECT_EQ(L"by Enter", text);
  }
  {
    DialogDriver d;
    d.on(L"メモ", [](DialogHandle& dlg) { dlg.key(TfMemo::kEdtMemo, VK_ESCAPE); });
    std::wstring text;
    EXPECT_FALSE(memo.Show(text));
    EXPECT_TRUE(d.done());
  }
}

TEST_F(MemoDialog, CancelAndCloseKeepTheTextForTheNextUse) {
  ScriptedUser user;
  TfMemo memo(user);
  std::wstring shown[2];
  DialogDriver d;
  d.on(L"メモ", [](DialogHandle& dlg) {
     dlg.type(TfMemo::kEdtMemo, L"draft");
     dlg.press(IDCANCEL);
   })
      .on(L"メモ", [&](DialogHandle& dlg) {
        shown[0] = dlg.text(TfMemo::kEdtMemo);
        dlg.type(TfMemo::kEdtMemo, L"draft 2");
        PostMessageW(dlg.hwnd(), WM_CLOSE, 0, 0);
      })
      .on(L"メモ", [&](DialogHandle& dlg) {
        shown[1] = dlg.text(TfMemo::kEdtMemo);
        dlg.press(IDOK);
      });
  std::wstring text;
  EXPECT_FALSE(memo.Show(text));
  EXPECT_EQ(L"", text);
  EXPECT_FALSE(memo.Show(text));
  EXPECT_TRUE(memo.Show(text));
  EXPECT_TRUE(d.done());
  EXPECT_EQ(L"draft", shown[0]);
  EXPECT_EQ(L"draft 2", shown[1]);
  EXPECT_EQ(L"draft 2", text);
}

TEST_F(MemoDialog, HelpButtonAndF1OpenTheMemoTopic) {
  ScriptedUser user;
  TfMemo memo(user);
  DialogDriver d;
  d.on(L"メモ", [](DialogHandle& dlg) {
    dlg.press(TfMemo::kBtnHelp);
    dlg.key(IDOK, VK_F1);
    dlg.press(IDCANCEL);
  });
  std::wstring text;
  EXPECT_FALSE(memo.Show(text));
  EXPECT_EQ((std::vector<std::wstring>{L"メモ", L"メモ"}), user.helpKeywords());
}

// The layout is written at 96 DPI; at 150 % and 200 % every control keeps its
// place and size in proportion, and the buttons stay in the corner.
TEST_F(MemoDialog, ScalesWithTheDpi) {
  ScriptedUser user;
  TfMemo memo(user);
  struct Seen {
    int dpi;
    RECT edit, ok, help, client;
    int fontHeight;
  };
  std::vector<Seen> seen;
  auto look = [&](DialogHandle& dlg, int dpi) {
    RECT client{};
    GetClientRect(dlg.hwnd(), &client);
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dlg.item(IDOK), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    seen.push_back({dpi, dlg.rect(TfMemo::kEdtMemo), dlg.rect(IDOK), dlg.rect(TfMemo::kBtnHelp), client,
                    lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight});
  };
  DialogDriver d;
  d.on(L"メモ", [&](DialogHandle& dlg) {
    look(dlg, 96);
    for (int dpi : {144, 192}) {
      SendMessageW(dlg.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
      look(dlg, dpi);
    }
    dlg.type(TfMemo::kEdtMemo, L"高DPI");
    dlg.press(IDOK);
  });
  std::wstring text;
  ASSERT_TRUE(memo.Show(text));
  EXPECT_EQ(L"高DPI", text);
  ASSERT_EQ(3u, seen.size());
  for (const auto& s : seen) {
    SCOPED_TRACE(s.dpi);
    auto px = [&](int v96) { return MulDiv(v96, s.dpi, 96); };
    EXPECT_NEAR(px(440), s.client.right, 2);
    EXPECT_NEAR(px(92), s.client.bottom, 2);
    EXPECT_NEAR(px(12), s.edit.left, 1);
    EXPECT_NEAR(px(416), s.edit.right - s.edit.left, 2);
    EXPECT_NEAR(px(92), s.ok.right - s.ok.left, 1);
    EXPECT_NEAR(px(28), s.ok.bottom - s.ok.top, 1);
    // Help in the bottom-right corner, a margin from both edges.
    EXPECT_NEAR(s.client.right - px(12), s.help.right, 2);
    EXPECT_NEAR(s.client.bottom - px(12), s.help.bottom, 2);
    EXPECT_NEAR(MulDiv(15, s.dpi, 96), s.fontHeight, 1);
  }
}

}  // namespace
}  // namespace ruzer::test

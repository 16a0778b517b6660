// TfMemo, the real Win32 dialog: driven from a timer inside its own modal loop.
#include <gtest/gtest.h>

#include <functional>

#include "engine/Vmemo.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

std::wstring TextOf(HWND w) {
  wchar_t buf[512] = {};
  GetWindowTextW(w, buf, 512);
  return buf;
}

HWND FindMemoDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (IsWindowVisible(w) && std::wstring(cls) == L"#32770") {
          *reinterpret_cast<HWND*>(p) = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs `act` once with the dialog as soon as it is shown.
class Driver {
 public:
  explicit Driver(std::function<void(HWND)> act) {
    act_ = std::move(act);
    done_ = false;
    id_ = SetTimer(nullptr, 0, 30, &Driver::Tick);
  }
  ~Driver() { KillTimer(nullptr, id_); }
  static bool done() { return done_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (done_) return;
    HWND dlg = FindMemoDialog();
    if (!dlg) return;
    done_ = true;
    act_(dlg);
  }
  UINT_PTR id_;
  static inline std::function<void(HWND)> act_;
  static inline bool done_ = false;
};

void Click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Windows need a display (scripts/xvfb.sh); without one there is nothing to drive.
bool CanShowWindows() {
  HWND w = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!w) return false;
  DestroyWindow(w);
  return true;
}

class MemoDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  }
};

TEST_F(MemoDialog, OkGivesTheTextAsTyped) {
  ScriptedUser user;
  TfMemo memo(user);
  std::wstring caption, focusClass, buttons;
  bool focusInEdit = false;
  LRESULT limit = 0;
  Driver d([&](HWND dlg) {
    caption = TextOf(dlg);
    HWND edit = GetDlgItem(dlg, TfMemo::kEdtMemo);
    focusInEdit = GetFocus() == edit;
    limit = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
    buttons = TextOf(GetDlgItem(dlg, IDOK)) + L"|" + TextOf(GetDlgItem(dlg, IDCANCEL)) + L"|" +
              TextOf(GetDlgItem(dlg, TfMemo::kBtnHelp));
    SetWindowTextW(edit, L"  週次バックアップ ");
    Click(dlg, IDOK);
  });
  std::wstring text = L"unchanged";
  ASSERT_TRUE(memo.Show(text));
  ASSERT_TRUE(Driver::done());
  EXPECT_EQ(L"  週次バックアップ ", text);  // as typed, blanks included
  EXPECT_EQ(L"メモ", caption);
  EXPECT_TRUE(focusInEdit);
  EXPECT_GT(limit, 1000000);
  EXPECT_EQ(L"OK|キャンセル|ヘルプ", buttons);
}

TEST_F(MemoDialog, CancelAndCloseKeepTheTextForTheNextUse) {
  ScriptedUser user;
  TfMemo memo(user);
  {
    Driver d([](HWND dlg) {
      SetWindowTextW(GetDlgItem(dlg, TfMemo::kEdtMemo), L"draft");
      Click(dlg, IDCANCEL);
    });
    std::wstring text;
    EXPECT_FALSE(memo.Show(text));
    EXPECT_EQ(L"", text);
  }
  std::wstring shown;
  {
    Driver d([&](HWND dlg) {
      shown = TextOf(GetDlgItem(dlg, TfMemo::kEdtMemo));
      SetWindowTextW(GetDlgItem(dlg, TfMemo::kEdtMemo), L"draft 2");
      SendMessageW(dlg, WM_CLOSE, 0, 0);
    });
    std::wstring text;
    EXPECT_FALSE(memo.Show(text));
  }
  EXPECT_EQ(L"draft", shown);
  {
    Driver d([&](HWND dlg) {
      shown = TextOf(GetDlgItem(dlg, TfMemo::kEdtMemo));
      Click(dlg, IDOK);
    });
    std::wstring text;
    EXPECT_TRUE(memo.Show(text));
    EXPECT_EQ(L"draft 2", text);
  }
  EXPECT_EQ(L"draft 2", shown);
}

TEST_F(MemoDialog, HelpOpensTheMemoTopic) {
  ScriptedUser user;
  TfMemo memo(user);
  Driver d([](HWND dlg) {
    Click(dlg, TfMemo::kBtnHelp);
    Click(dlg, IDCANCEL);
  });
  std::wstring text;
  EXPECT_FALSE(memo.Show(text));
  EXPECT_EQ(std::vector<std::wstring>{L"メモ"}, user.helpKeywords());
}

}  // namespace
}  // namespace ruzer::test

// The Win32 message boxes and pickers, shown for real and answered from a
// second thread the way a user would click them.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "base/win32_user.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

std::wstring ClassOf(HWND w) {
  wchar_t c[64] = {};
  GetClassNameW(w, c, 64);
  return c;
}

std::wstring TextOf(HWND w) {
  wchar_t t[1024] = {};
  GetWindowTextW(w, t, 1024);
  return t;
}

struct Control {
  int id;
  std::wstring cls, text;
  LONG_PTR style;
};

// What a dialog looked like when the driver found it.
struct Seen {
  std::wstring title;
  std::vector<Control> controls;  // in creation order
  HWND owner = nullptr;
  bool ownerEnabled = true;

  std::vector<std::wstring> Buttons() const {
    std::vector<std::wstring> b;
    for (const auto& c : controls)
      if (_wcsicmp(c.cls.c_str(), L"Button") == 0) b.push_back(c.text);
    return b;
  }
  bool HasText(const std::wstring& t) const {
    for (const auto& c : controls)
      if (_wcsicmp(c.cls.c_str(), L"Static") == 0 && c.text == t) return true;
    return false;
  }
  int DefaultButton() const {
    for (const auto& c : controls)
      if (_wcsicmp(c.cls.c_str(), L"Button") == 0 && (c.style & 0x0F) == BS_DEFPUSHBUTTON) return c.id;
    return 0;
  }
};

Seen Look(HWND dlg) {
  Seen s;
  s.title = TextOf(dlg);
  s.owner = GetWindow(dlg, GW_OWNER);
  s.ownerEnabled = s.owner ? IsWindowEnabled(s.owner) != FALSE : true;
  EnumChildWindows(
      dlg,
      [](HWND w, LPARAM p) -> BOOL {
        reinterpret_cast<Seen*>(p)->controls.push_back(
            Control{GetDlgCtrlID(w), ClassOf(w), TextOf(w), GetWindowLongPtrW(w, GWL_STYLE)});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s;
}

void Click(HWND dlg, int id) {
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// Answers the modal dialogs of the calling thread, one step per dialog, from a
// second thread. A dialog that does not come, or does not go, is a failure;
// the driver then closes whatever is left so that the test ends.
class DialogDriver {
 public:
  using Step = std::function<void(HWND dlg, Seen& seen)>;
  explicit DialogDriver(std::vector<Step> steps)
      : ui_(GetCurrentThreadId()), steps_(std::move(steps)), seen_(steps_.size()) {
    thread_ = std::thread([this] { Run(); });
  }
  ~DialogDriver() { Finish(); }

  // Call after the dialog call returned; the seen dialogs are complete then.
  const std::vector<Seen>& Finish() {
    released_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
  }
  const std::string& problem() const { return problem_; }

 private:
  HWND Top() const {
    HWND found = nullptr;
    struct Ctx {
      HWND* found;
    } ctx{&found};
    EnumThreadWindows(
        ui_,
        [](HWND w, LPARAM p) -> BOOL {
          if (IsWindowVisible(w) && IsWindowEnabled(w) && ClassOf(w) == L"#32770") {
            *reinterpret_cast<Ctx*>(p)->found = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return found;
  }

  template <class F>
  bool WaitUntil(F f) {
    for (int i = 0; i < 300; ++i) {  // 15 s
      if (f()) return true;
      if (released_) return false;
      Sleep(50);
    }
    return false;
  }

  void Run() {
    for (size_t i = 0; i < steps_.size(); ++i) {
      HWND dlg = nullptr;
      if (!WaitUntil([&] { return (dlg = Top()) != nullptr; })) {
        problem_ = "dialog " + std::to_string(i + 1) + " did not appear";
        break;
      }
      Sleep(50);  // let it finish its WM_INITDIALOG work
      seen_[i] = Look(dlg);
      steps_[i](dlg, seen_[i]);
      if (!WaitUntil([&] { return !IsWindow(dlg) || !IsWindowEnabled(dlg) || !IsWindowVisible(dlg); })) {
        problem_ = "dialog " + std::to_string(i + 1) + " stayed open";
        break;
      }
    }
    // Close whatever is still up until the test thread is back.
    while (!released_) {
      if (HWND dlg = Top()) {
        if (problem_.empty()) problem_ = "an unexpected dialog appeared: " + Utf8(TextOf(dlg));
        for (int id : {IDCANCEL, IDOK, IDNO, IDABORT}) Click(dlg, id);
      }
      Sleep(100);
    }
  }

  DWORD ui_;
  std::vector<Step> steps_;
  std::vector<Seen> seen_;
  std::thread thread_;
  std::atomic<bool> released_{false};
  std::string problem_;
};

DialogDriver::Step Press(int id) {
  return [id](HWND dlg, Seen&) { Click(dlg, id); };
}

MessageRequest Request(MsgKind kind, const std::wstring& text, unsigned buttons, MsgButton def,
                       int context = 0) {
  MessageRequest r;
  r.kind = kind;
  r.text = text;
  r.buttons = buttons;
  r.defaultButton = def;
  r.helpContext = context;
  return r;
}

int IdOf(MsgButton b) {
  switch (b) {
    case kOk: return IDOK;
    case kCancel: return IDCANCEL;
    case kYes: return IDYES;
    case kNo: return IDNO;
    case kAbort: return IDABORT;
    case kRetry: return IDRETRY;
    case kIgnore: return IDIGNORE;
    case kHelp: return IDHELP;
  }
  return 0;
}

class Win32UserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.helpFile = help / L"ruzer.chm";  // not there
    user.SetApp(&app);
  }
  TempDir help;
  Win32User user;
  FakeView view;
  FakeClock clock;
  App app{user, view, clock};
};

// ---------------------------------------------------------------- button sets

TEST(Win32UserButtons, StandardBoxesOnlyForTheirExactButtonSets) {
  struct Case {
    unsigned buttons;
    MsgButton def;
    UINT style;  // 0: the in-memory box (also for every set with Help)
  };
  const Case cases[] = {
      {kOk, kOk, MB_OK},
      {kOk | kHelp, kOk, 0},
      {kOk | kCancel, kCancel, MB_OKCANCEL | MB_DEFBUTTON2},
      {kOk | kCancel | kHelp, kOk, 0},
      {kYes | kNo, kNo, MB_YESNO | MB_DEFBUTTON2},
      {kYes | kNo | kCancel, kCancel, MB_YESNOCANCEL | MB_DEFBUTTON3},
      {kRetry | kCancel, kRetry, MB_RETRYCANCEL},
      {kAbort | kRetry | kIgnore, kIgnore, MB_ABORTRETRYIGNORE | MB_DEFBUTTON3},
      {kYes | kAbort | kHelp, kAbort, 0},
      {kYes | kAbort, kYes, 0},
      {kOk | kNo, kOk, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons);
    EXPECT_EQ(c.style, Win32User::StandardButtons(c.buttons, c.def));
  }
}

TEST_F(Win32UserTest, EveryButtonGivesItsAnswer) {
  // Each button set the program uses, and each button, at least once.
  struct Case {
    unsigned set;
    MsgButton pressed;
  };
  const Case cases[] = {
      {kOk, kOk},
      {kOk | kCancel, kCancel},
      {kYes | kNo, kNo},
      {kYes | kNo | kCancel, kYes},
      {kRetry | kCancel, kRetry},
      {kAbort | kRetry | kIgnore, kIgnore},
      {kAbort | kRetry | kIgnore, kAbort},
      {kOk | kHelp, kOk},
      {kOk | kCancel | kHelp, kCancel},
      {kYes | kNo | kHelp, kNo},
      {kYes | kAbort | kHelp, kAbort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("buttons " + std::to_string(c.set) + ", pressed " + std::to_string(c.pressed));
    DialogDriver d({Press(IdOf(c.pressed))});
    const MsgButton answer = user.Message(Request(MsgKind::Confirmation, L"テスト", c.set, kOk));
    const auto& seen = d.Finish();
    EXPECT_EQ("", d.problem());
    EXPECT_EQ(c.pressed, answer);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"Ruzer", seen[0].title);
    EXPECT_TRUE(seen[0].HasText(L"テスト"));
    EXPECT_EQ(static_cast<size_t>(__builtin_popcount(c.set)), seen[0].Buttons().size());
  }
}

TEST_F(Win32UserTest, BoxesWithHelpHaveJapaneseCaptionsInOrder) {
  struct Case {
    unsigned set;
    MsgButton def;
    std::vector<std::wstring> captions;
  };
  const Case cases[] = {
      {kOk | kHelp, kOk, {L"OK", L"ヘルプ"}},
      {kOk | kCancel | kHelp, kCancel, {L"OK", L"キャンセル", L"ヘルプ"}},
      {kYes | kNo | kHelp, kNo, {L"はい", L"いいえ", L"ヘルプ"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    DialogDriver d({Press(IDCANCEL)});
    user.Message(Request(MsgKind::Warning, L"x", c.set, c.def));
    const auto& seen = d.Finish();
    EXPECT_EQ("", d.problem());
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(c.captions, seen[0].Buttons());
    EXPECT_EQ(IdOf(c.def), seen[0].DefaultButton());
  }
}

TEST_F(Win32UserTest, OldVersionPromptHasJapaneseButtonsAndAbortAsDefault) {
  const std::wstring text = L"旧バージョンのファイルセットを現バージョンの形式に変換しますか？\r\n"
                            L"（［中止］なら、変換せずRuzer終了.）";
  DialogDriver d({Press(IDYES)});
  const MsgButton answer =
      user.Message(Request(MsgKind::Warning, text, kYes | kAbort | kHelp, kAbort, 42));
  const auto& seen = d.Finish();
  EXPECT_EQ("", d.problem());
  EXPECT_EQ(kYes, answer);
  EXPECT_EQ((std::vector<std::wstring>{L"はい", L"中止", L"ヘルプ"}), seen[0].Buttons());
  EXPECT_EQ(IDABORT, seen[0].DefaultButton());
  EXPECT_TRUE(seen[0].HasText(text));
  EXPECT_EQ(L"Ruzer", seen[0].title);
}

TEST_F(Win32UserTest, ClosingABoxAnswersCancelOrTheDefault) {
  struct Case {
    unsigned buttons;
    MsgButton def, answer;
  };
  const Case cases[] = {
      {kOk | kCancel, kOk, kCancel},
      {kOk | kCancel | kHelp, kOk, kCancel},
      {kYes | kAbort | kHelp, kAbort, kAbort},
      {kYes | kAbort, kYes, kYes},
      {kOk, kOk, kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons);
    DialogDriver d({[](HWND dlg, Seen&) { PostMessageW(dlg, WM_CLOSE, 0, 0); }});
    const MsgButton answer = user.Message(Request(MsgKind::Information, L"x", c.buttons, c.def));
    d.Finish();
    EXPECT_EQ("", d.problem());
    EXPECT_EQ(c.answer, answer);
  }
}

TEST_F(Win32UserTest, AChoiceBoxHasItsOwnButtonsAndCarriesItsCheckBoxBack) {
  struct Case {
    std::wstring press;  // caption; empty: the box is closed
    bool tick;
    ChoiceAnswer answer;
  };
  const Case cases[] = {
      {L"両方残す", true, {1, true}},
      {L"上書き", false, {0, false}},
      {L"", true, {-1, false}},  // closed: no choice, and no "for all"
  };
  ChoiceRequest q;
  q.text = L"<C:\\a.txt> は既にあります.";
  q.choices = {L"上書き", L"両方残す", L"スキップ"};
  q.defaultChoice = 2;
  q.checkText = L"以降すべて";
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.press));
    DialogDriver d({[&c](HWND dlg, Seen& seen) {
      int check = 0, button = 0;
      for (const auto& k : seen.controls) {
        if (k.text == L"以降すべて") check = k.id;
        if (k.text == c.press) button = k.id;
      }
      if (c.tick) SendMessageW(GetDlgItem(dlg, check), BM_SETCHECK, BST_CHECKED, 0);
      if (c.press.empty())
        PostMessageW(dlg, WM_CLOSE, 0, 0);
      else
        Click(dlg, button);
    }});
    const ChoiceAnswer a = user.Choose(q);
    const auto& seen = d.Finish();
    EXPECT_EQ("", d.problem());
    EXPECT_EQ(c.answer.choice, a.choice);
    EXPECT_EQ(c.answer.checked, a.checked);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ((std::vector<std::wstring>{L"以降すべて", L"上書き", L"両方残す", L"スキップ"}), seen[0].Buttons());
    EXPECT_TRUE(seen[0].HasText(q.text));
    int skip = 0;
    for (const auto& k : seen[0].controls)
      if (k.text == L"スキップ") skip = k.id;
    EXPECT_EQ(skip, seen[0].DefaultButton());
  }
}

TEST_F(Win32UserTest, HelpWithoutHelpFileSaysSoAndKeepsTheBoxOpen) {
  const std::wstring missing = L"ヘルプファイルが見つかりません.\r\n<" + app.helpFile + L">";
  for (unsigned set : {kYes | kAbort | kHelp, kOk | kHelp}) {
    SCOPED_TRACE(set);
    const MsgButton answerButton = (set & kYes) ? kYes : kOk;
    DialogDriver d({Press(IDHELP), Press(IDOK), Press(IdOf(answerButton))});
    const MsgButton answer = user.Message(Request(MsgKind::Error, L"失敗", set, kOk, 40));
    const auto& seen = d.Finish();
    EXPECT_EQ("", d.problem());
    EXPECT_EQ(answerButton, answer);
    ASSERT_EQ(3u, seen.size());
    EXPECT_TRUE(seen[1].HasText(missing));
    EXPECT_TRUE(seen[2].HasText(L"失敗"));  // the same box, still open
  }
}

TEST_F(Win32UserTest, HelpByKeywordWithoutHelpFileShowsOnlyTheNotice) {
  DialogDriver d({Press(IDOK)});
  user.HelpByKeyword(L"条件設定");
  const auto& seen = d.Finish();
  EXPECT_EQ("", d.problem());
  EXPECT_TRUE(seen[0].HasText(L"ヘルプファイルが見つかりません.\r\n<" + app.helpFile + L">"));
}

// The main window's taskbar button shows an operation paused while a box
// waits for the user: the box says when it starts and stops waiting.
TEST_F(Win32UserTest, ABoxSaysWhileItWaits) {
  std::vector<bool> told;
  user.SetBoxWatcher([&](bool waiting) { told.push_back(waiting); });
  for (unsigned set : {static_cast<unsigned>(kOk), kYes | kAbort | kHelp}) {
    DialogDriver d({Press((set & kOk) ? IDOK : IDYES)});
    user.Message(Request(MsgKind::Warning, L"x", set, (set & kOk) ? kOk : kYes));
    d.Finish();
  }
  user.SetBoxWatcher(nullptr);
  EXPECT_EQ((std::vector<bool>{true, false, true, false}), told);
}

TEST_F(Win32UserTest, BoxesAreModalToTheMainWindow) {
  HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                              nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(main);
  user.SetOwner(main);
  for (unsigned set : {kOk | kCancel, kYes | kAbort | kHelp}) {
    SCOPED_TRACE(set);
    DialogDriver d({Press((set & kOk) ? IDOK : IDYES)});
    user.Message(Request(MsgKind::Information, L"x", set, kOk));
    const auto& seen = d.Finish();
    EXPECT_EQ(main, seen[0].owner);
    EXPECT_FALSE(seen[0].ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(main));
  }
  user.SetOwner(nullptr);
  DestroyWindow(main);
}

// ---------------------------------------------------------------- pickers

TEST_F(Win32UserTest, FolderBrowserStartsAtTheGivenFolder) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  // Outside the profile folder, which Wine's browser does not open up to its temp folder.
  const std::wstring base = L"C:\\ruzer-browse-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring photos = base + L"\\写真";
  // Wine reuses process ids: a killed earlier run may have left the folders.
  ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(photos.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  {
    // Wine's browser sometimes drops the move to the initial folder when it
    // arrives while the tree is still being filled; the answer is then the
    // desktop. A few attempts tell that race from a callback that never asks.
    std::optional<std::wstring> folder;
    for (int attempt = 0; attempt < 4 && folder != photos; ++attempt) {
      DialogDriver driver({Press(IDOK)});
      folder = user.BrowseFolder(L"保存先フォルダ", photos);
      driver.Finish();
      EXPECT_EQ("", driver.problem());
      ASSERT_TRUE(folder.has_value());
    }
    EXPECT_EQ(Utf8(photos), Utf8(folder.value_or(L"(cancelled)")));
  }
  {
    DialogDriver driver({Press(IDCANCEL)});
    EXPECT_FALSE(user.BrowseFolder(L"保存先フォルダ", base).has_value());
    driver.Finish();
    EXPECT_EQ("", driver.problem());
  }
  RemoveTree(base);
  CoUninitialize();
}

TEST_F(Win32UserTest, OpenFileReturnsTheChosenFile) {
  TempDir d;
  ASSERT_TRUE(WriteBytes(d / L"メモ.txt", "x"));
  {
    DialogDriver driver({[](HWND dlg, Seen&) {
      // The file name box of the explorer-style dialog (cmb13, or edt1 in older ones).
      HWND name = GetDlgItem(dlg, 0x47c);
      if (!name) name = GetDlgItem(dlg, 0x480);
      SetWindowTextW(name, L"メモ.txt");
      Click(dlg, IDOK);
    }});
    const auto file = user.OpenFile(L"開く", L"テキスト|*.txt|すべて|*.*", d.path());
    driver.Finish();
    EXPECT_EQ("", driver.problem());
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(Utf8(d / L"メモ.txt"), Utf8(*file));
  }
  {
    DialogDriver driver({Press(IDCANCEL)});
    EXPECT_FALSE(user.OpenFile(L"開く", L"テキスト|*.txt", d.path()).has_value());
    driver.Finish();
    EXPECT_EQ("", driver.problem());
  }
}

}  // namespace
}  // namespace ruzer::test

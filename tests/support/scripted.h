// Scripted stand-ins for the two window interfaces. A test lists the messages
// it expects, with the answer to give; anything unexpected fails the test.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/ui.h"

namespace ruzer::test {

class ScriptedUser : public IUser {
 public:
  struct Expect {
    std::wstring text;      // exact text, or the start of it when prefix is set
    MsgButton answer = kOk;
    bool prefix = false;
    std::optional<MsgKind> kind;
    std::optional<unsigned> buttons;
    std::optional<int> helpContext;
    // Runs while the box is "open", before the answer is given (swap a medium...).
    std::function<void()> whileShown;
  };
  ~ScriptedUser() override;

  // Expect a message with exactly this text, answered with `answer`.
  ScriptedUser& Expect(const std::wstring& text, MsgButton answer = kOk);
  ScriptedUser& ExpectPrefix(const std::wstring& start, MsgButton answer = kOk);
  ScriptedUser& ExpectFull(const struct Expect& e);
  // Expect a choice box whose text starts with `start`, answered with the
  // choice of that index and the check box as given.
  ScriptedUser& ExpectChoice(const std::wstring& start, int choice, bool checked = false);
  ScriptedUser& NextFolder(std::optional<std::wstring> folder);
  ScriptedUser& NextFile(std::optional<std::wstring> file);

  // Permissive mode: a message with no scripted expectation left is answered
  // with its default button and only recorded in shown() (for fuzz tests).
  ScriptedUser& AnswerAnyWithDefault(bool on = true) {
    permissive_ = on;
    return *this;
  }

  // Every scripted message was shown (checked again in the destructor).
  void VerifyDone();
  const std::vector<MessageRequest>& shown() const { return shown_; }
  const std::vector<ChoiceRequest>& choicesShown() const { return choicesShown_; }
  const std::vector<std::wstring>& helpKeywords() const { return help_; }
  // Title and starting folder of every folder browser shown.
  const std::vector<std::pair<std::wstring, std::wstring>>& browsed() const { return browsed_; }

  MsgButton Message(const MessageRequest& request) override;
  ChoiceAnswer Choose(const ChoiceRequest& request) override;
  std::optional<std::wstring> BrowseFolder(const std::wstring&, const std::wstring&) override;
  std::optional<std::wstring> OpenFile(const std::wstring&, const std::wstring&,
                                       const std::wstring&) override;
  void HelpByKeyword(const std::wstring& keyword) override { help_.push_back(keyword); }
  void HelpByContext(int context) override { help_.push_back(std::to_wstring(context)); }

 private:
  struct ChoiceExpect {
    std::wstring start;
    ChoiceAnswer answer;
  };
  std::deque<struct Expect> script_;
  std::deque<ChoiceExpect> choiceScript_;
  std::vector<ChoiceRequest> choicesShown_;
  std::deque<std::optional<std::wstring>> folders_, files_;
  std::vector<MessageRequest> shown_;
  std::vector<std::wstring> help_;
  std::vector<std::pair<std::wstring, std::wstring>> browsed_;
  bool permissive_ = false;
};

// Records what the logic showed on the main window.
class FakeView : public IMainView {
 public:
  std::wstring title, status, freeSpace, sourceCaption, sourceColumnTitle = L"保存元フォルダ";
  std::wstring treeFolder;  // the folder selected in the folder tree
  std::vector<std::wstring> statusHistory;
  std::vector<std::wstring> tabs;
  int activeTab = 0;
  bool tabsEnabled = true, abortVisible = false, menusEnabled = true, toolbarEnabled = true,
       hourglass = false, closed = false, abortFocused = false;
  const std::vector<SourceRow>* rows = nullptr;
  const std::vector<SourceRow>* oldRows = nullptr;
  std::vector<int> selected;
  int selectCalls = 0;
  std::vector<std::wstring> errorList;
  std::wstring errorScrollLine;
  BottomPanelLayout bottom;
  int pagePanelHeight = 400;
  int treeWidth = 150, clientWidth = 800;
  int pumps = 0, attaches = 0;
  // Called on every pump: lets a test act "while" a long operation runs (press F3, click a tab).
  std::function<void()> onPump;

  void SetTitle(const std::wstring& t) override { title = t; }
  void CloseWindow() override { closed = true; }
  void SetFreeSpaceText(const std::wstring& t) override { freeSpace = t; }
  void SetStatusText(const std::wstring& t) override {
    status = t;
    statusHistory.push_back(t);
  }
  void SetTabs(const std::vector<std::wstring>& names) override { tabs = names; }
  void SetActiveTab(int i) override { activeTab = i; }
  void SetTabsEnabled(bool e) override { tabsEnabled = e; }
  void AttachPagePanel() override { ++attaches; }
  void ShowSourceRows(const std::vector<SourceRow>* r) override { rows = r; }
  void SetSourceListCaption(const std::wstring& c) override { sourceCaption = c; }
  void SetSourceColumnTitle(const std::wstring& t) override { sourceColumnTitle = t; }
  void SelectRow(int i) override {
    ++selectCalls;
    selected.clear();
    if (i >= 0) selected.push_back(i);
  }
  std::vector<int> SelectedRows() override { return selected; }
  void ShowOldRows(const std::vector<SourceRow>* r) override { oldRows = r; }
  int PagePanelHeight() override { return pagePanelHeight; }
  void ApplyBottomPanel(const BottomPanelLayout& l) override { bottom = l; }
  ProgressView progress;
  std::vector<ProgressView> progressHistory;
  void SetProgress(const ProgressView& p) override {
    progress = p;
    progressHistory.push_back(p);
  }
  void ErrorListAdd(const std::wstring& line) override { errorList.push_back(line); }
  void ErrorListClear() override { errorList.clear(); }
  void ErrorListSetScrollWidth(const std::wstring& l) override { errorScrollLine = l; }
  void SetAbortVisible(bool v) override { abortVisible = v; }
  void FocusAbort() override { abortFocused = true; }
  void SetMainMenusEnabled(bool e) override { menusEnabled = e; }
  bool MainMenusEnabled() override { return menusEnabled; }
  void SetToolbarEnabled(bool e) override { toolbarEnabled = e; }
  void SetHourglass(bool on) override { hourglass = on; }
  void SetTreeWidth(int w) override { treeWidth = w; }
  int ClientWidth() override { return clientWidth; }
  void Relayout() override {}
  std::wstring SelectedTreeFolder() override { return treeFolder; }
  void PumpMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
};

// A local time from its fields; the day of the week is left 0.
inline SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  st.wMilliseconds = static_cast<WORD>(ms);
  return st;
}

// A clock the test sets; Sleep only records and advances it.
class FakeClock : public IClock {
 public:
  SYSTEMTIME now{};
  std::uint64_t tick = 0;
  std::vector<int> sleeps;
  FakeClock();  // 2010/06/24 06:59:57
  void Set(int y, int mo, int d, int h = 12, int mi = 0, int s = 0);
  SYSTEMTIME Now() override { return now; }
  void Sleep(int ms) override {
    sleeps.push_back(ms);
    tick += static_cast<std::uint64_t>(ms);
  }
  std::uint64_t TickMs() override { return tick += 1000; }  // every pump is due
};

// The usual trio with an App on top.
struct TestApp {
  ScriptedUser user;
  FakeView view;
  FakeClock clock;
  App app{user, view, clock};
};

}  // namespace ruzer::test

// Parts every benchmark shares.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/ui.h"

namespace ruzer::bench {

// Answers every message with its default button and prints it; a benchmark expects none.
class QuietUser : public IUser {
 public:
  int messages = 0;
  MsgButton Message(const MessageRequest& r) override {
    ++messages;
    std::fwprintf(stderr, L"message: %ls\n", r.text.c_str());
    return r.defaultButton;
  }
  ChoiceAnswer Choose(const ChoiceRequest& r) override {
    ++messages;
    std::fwprintf(stderr, L"choice: %ls\n", r.text.c_str());
    return ChoiceAnswer{};
  }
  std::optional<std::wstring> BrowseFolder(const std::wstring&, const std::wstring&) override { return {}; }
  std::optional<std::wstring> OpenFile(const std::wstring&, const std::wstring&, const std::wstring&) override {
    return {};
  }
  void HelpByKeyword(const std::wstring&) override {}
  void HelpByContext(int) override {}
};

// Real time, but no pauses: the 300 ms settle of a tab change is not the work measured.
class NoSleepClock : public IClock {
 public:
  SYSTEMTIME Now() override { return SystemClock().Now(); }
  void Sleep(int) override {}
  std::uint64_t TickMs() override { return SystemClock().TickMs(); }
};

inline double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A main window that shows nothing and runs no messages: the logic's own share of the time.
class NullView : public IMainView {
 public:
  void SetTitle(const std::wstring&) override {}
  void CloseWindow() override {}
  void SetFreeSpaceText(const std::wstring&) override {}
  void SetStatusText(const std::wstring&) override {}
  void SetTabs(const std::vector<std::wstring>&) override {}
  void SetActiveTab(int) override {}
  void SetTabsEnabled(bool) override {}
  void AttachPagePanel() override {}
  void ShowSourceRows(const std::vector<SourceRow>*) override {}
  void SetSourceListCaption(const std::wstring&) override {}
  void SetSourceColumnTitle(const std::wstring&) override {}
  void SelectRow(int) override {}
  std::vector<int> SelectedRows() override { return {}; }
  void ShowOldRows(const std::vector<SourceRow>*) override {}
  int PagePanelHeight() override { return 400; }
  void ApplyBottomPanel(const BottomPanelLayout&) override {}
  void ErrorListAdd(const std::wstring&) override {}
  void ErrorListClear() override {}
  void ErrorListSetScrollWidth(const std::wstring&) override {}
  void SetAbortVisible(bool) override {}
  void FocusAbort() override {}
  void SetMainMenusEnabled(bool e) override { menus_ = e; }
  bool MainMenusEnabled() override { return menus_; }
  void SetToolbarEnabled(bool) override {}
  void SetHourglass(bool) override {}
  void SetTreeWidth(int) override {}
  int ClientWidth() override { return 800; }
  void Relayout() override {}
  void PumpMessages() override {}

 private:
  bool menus_ = true;
};

}  // namespace ruzer::bench

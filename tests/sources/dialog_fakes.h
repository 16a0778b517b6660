// Stand-ins for the folder browser, the pattern dialog and the folder settings
// dialog: each answers from a script and records how it was called.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sources/Vedit.h"

namespace ruzer::test {

class FakeBrowser : public IFolderBrowser {
 public:
  struct Call {
    std::wstring caption, initial, root;
  };
  std::deque<BrowseResult> answers;
  std::vector<Call> calls;

  FakeBrowser& Chosen(const std::wstring& path) {
    answers.push_back({BrowseResult::Chosen, path});
    return *this;
  }
  FakeBrowser& Cancelled() {
    answers.push_back({BrowseResult::Cancelled, L""});
    return *this;
  }
  FakeBrowser& Failed() {
    answers.push_back({BrowseResult::Failed, L""});
    return *this;
  }
  BrowseResult Browse(const std::wstring& caption, const std::wstring& initial, const std::wstring& root) override {
    calls.push_back({caption, initial, root});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected folder browser";
      return {};
    }
    BrowseResult r = answers.front();
    answers.pop_front();
    return r;
  }
};

class FakePatternDialog : public IPatternDialog {
 public:
  struct Call {
    std::optional<std::wstring> folder, text;
  };
  std::deque<std::optional<std::wstring>> answers;  // nullopt: Cancel
  std::vector<Call> calls;

  std::optional<std::wstring> Pick(const std::optional<std::wstring>& folder,
                                   const std::optional<std::wstring>& text) override {
    calls.push_back({folder, text});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected pattern dialog";
      return std::nullopt;
    }
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

// The folder settings dialog: `act` plays the user on the dialog's behaviour
// and returns true to press OK (which then runs the checks; a refusal ends as
// Cancel) or false to cancel.
class ScriptedFolderDialog : public IFolderDialog {
 public:
  explicit ScriptedFolderDialog(App& app) : app_(app) {}
  std::function<bool(FolderDialogState&, FolderDialogLogic&)> act;
  FakeBrowser browser;
  std::vector<FolderDialogState> shown;  // the state each Show started from

  bool Show(FolderDialogState& state) override {
    shown.push_back(state);
    FolderDialogLogic logic(app_, browser, state);
    if (!act) {
      ADD_FAILURE() << "unexpected folder settings dialog";
      return false;
    }
    return act(state, logic) && logic.Ok();
  }

 private:
  App& app_;
};

}  // namespace ruzer::test

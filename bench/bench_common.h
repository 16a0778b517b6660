// Parts every benchmark shares.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

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
  std::optional<std::wstring> BrowseFolder(const std::wstring&, const std::wstring&) override { return {}; }
  std::optional<std::wstring> OpenFile(const std::wstring&, const std::wstring&, const std::wstring&) override {
    return {};
  }
  void HelpByKeyword(const std::wstring&) override {}
  void HelpByContext(int) override {}
};

}  // namespace ruzer::bench

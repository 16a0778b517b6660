#include "support/scripted.h"

#include <gtest/gtest.h>

#include "support/text.h"

namespace ruzer::test {

ScriptedUser::~ScriptedUser() { VerifyDone(); }

ScriptedUser& ScriptedUser::Expect(const std::wstring& text, MsgButton answer) {
  struct Expect e;
  e.text = text;
  e.answer = answer;
  return ExpectFull(e);
}

ScriptedUser& ScriptedUser::ExpectPrefix(const std::wstring& start, MsgButton answer) {
  struct Expect e;
  e.text = start;
  e.answer = answer;
  e.prefix = true;
  return ExpectFull(e);
}

ScriptedUser& ScriptedUser::ExpectFull(const struct Expect& e) {
  script_.push_back(e);
  return *this;
}

ScriptedUser& ScriptedUser::ExpectChoice(const std::wstring& start, int choice, bool checked) {
  choiceScript_.push_back({start, ChoiceAnswer{choice, checked}});
  return *this;
}

ScriptedUser& ScriptedUser::NextFolder(std::optional<std::wstring> folder) {
  folders_.push_back(std::move(folder));
  return *this;
}

ScriptedUser& ScriptedUser::NextFile(std::optional<std::wstring> file) {
  files_.push_back(std::move(file));
  return *this;
}

void ScriptedUser::VerifyDone() {
  for (const auto& e : script_) ADD_FAILURE() << "expected message not shown: " << Utf8(e.text);
  script_.clear();
  for (const auto& e : choiceScript_) ADD_FAILURE() << "expected choice not shown: " << Utf8(e.start);
  choiceScript_.clear();
}

MsgButton ScriptedUser::Message(const MessageRequest& request) {
  shown_.push_back(request);
  if (script_.empty()) {
    if (permissive_) return request.defaultButton;
    ADD_FAILURE() << "unexpected message: " << Utf8(request.text);
    return request.defaultButton;
  }
  const auto e = script_.front();
  script_.pop_front();
  const bool match = e.prefix ? request.text.rfind(e.text, 0) == 0 : request.text == e.text;
  if (!match) {
    ADD_FAILURE() << "message text\n  shown:    " << Utf8(request.text)
                  << "\n  expected: " << Utf8(e.text);
  }
  if (e.kind) {
    EXPECT_EQ(static_cast<int>(*e.kind), static_cast<int>(request.kind)) << Utf8(request.text);
  }
  if (e.buttons) {
    EXPECT_EQ(*e.buttons, request.buttons) << Utf8(request.text);
  }
  if (e.helpContext) {
    EXPECT_EQ(*e.helpContext, request.helpContext) << Utf8(request.text);
  }
  if (!(request.buttons & e.answer))
    ADD_FAILURE() << "scripted answer is not among the buttons of: " << Utf8(request.text);
  if (e.whileShown) e.whileShown();
  return e.answer;
}

ChoiceAnswer ScriptedUser::Choose(const ChoiceRequest& request) {
  choicesShown_.push_back(request);
  if (choiceScript_.empty()) {
    ADD_FAILURE() << "unexpected choice: " << Utf8(request.text);
    return ChoiceAnswer{};
  }
  const auto e = choiceScript_.front();
  choiceScript_.pop_front();
  if (request.text.rfind(e.start, 0) != 0)
    ADD_FAILURE() << "choice text\n  shown:    " << Utf8(request.text) << "\n  expected: " << Utf8(e.start) << "...";
  if (e.answer.choice >= static_cast<int>(request.choices.size()))
    ADD_FAILURE() << "scripted choice is not among the answers of: " << Utf8(request.text);
  if (e.answer.checked && request.checkText.empty())
    ADD_FAILURE() << "scripted check box is not offered by: " << Utf8(request.text);
  return e.answer;
}

std::optional<std::wstring> ScriptedUser::BrowseFolder(const std::wstring& title, const std::wstring& initial) {
  browsed_.emplace_back(title, initial);
  if (folders_.empty()) {
    ADD_FAILURE() << "unexpected folder browser";
    return std::nullopt;
  }
  auto f = folders_.front();
  folders_.pop_front();
  return f;
}

std::optional<std::wstring> ScriptedUser::OpenFile(const std::wstring&, const std::wstring&,
                                                   const std::wstring&) {
  if (files_.empty()) {
    ADD_FAILURE() << "unexpected file-open dialog";
    return std::nullopt;
  }
  auto f = files_.front();
  files_.pop_front();
  return f;
}

FakeClock::FakeClock() { Set(2010, 6, 24, 6, 59, 57); }

void FakeClock::Set(int y, int mo, int d, int h, int mi, int s) {
  now = At(y, mo, d, h, mi, s);
  // Day of week, so date formatting sees a consistent date.
  FILETIME ft;
  if (SystemTimeToFileTime(&now, &ft)) FileTimeToSystemTime(&ft, &now);
}

}  // namespace ruzer::test

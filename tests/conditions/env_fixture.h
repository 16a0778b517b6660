// A file set of two pages whose first page is loaded, for the backup
// conditions dialog; a scripted pattern dialog.
#pragma once

#include <deque>

#include "conditions/Venv.h"
#include "engine/disk_helpers.h"
#include "sources/Sledit.h"
#include "store/store_fixture.h"

namespace ruzer::test {

// Answers Pick from a queue (nullopt = Cancel) and records what it was given.
class ScriptedPatternDialog : public IPatternDialog {
 public:
  std::deque<std::optional<std::wstring>> answers;
  std::vector<std::optional<std::wstring>> givenText, givenFolder;
  std::optional<std::wstring> Pick(const std::optional<std::wstring>& folder,
                                   const std::optional<std::wstring>& text) override {
    givenFolder.push_back(folder);
    givenText.push_back(text);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected pattern dialog";
      return std::nullopt;
    }
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

inline const std::wstring kBadDaysText = L"保存日数は１～300の値を設定してください.";

inline std::wstring WrongMedium(const std::wstring& label) {
  return L"<" + label + L"> ボリューム名が違います.\r\n正しいメディアをセットして［再試行］をクリックしてください.";
}
inline std::wstring OtherPageHas(const std::wstring& what) {
  return L"別の設定ページに既に <" + what + L"> が設定されています.\r\n別のフォルダにしてください.";
}

class EnvTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    other = dir / L"Other";
    WriteIndex({{L"", L"P", L"", L"", L"2010/06/20 10:00:00"}, {L"", L"Q", other, L"", L"2010/06/21 10:00:00"}});
    ReadIndexFile(app);  // loads page P (no page file yet: defaults)
    ASSERT_EQ(2u, app.pages.size());
    app.patternDialog = &patterns;
  }

  // The state as the dialog opens, with a destination in the temp folder.
  EnvDialogState Opened(const std::wstring& dest) {
    EnvDialogState s = EnvStateFromPanel(app);
    s.tamDir = dest;
    return s;
  }

  // Confirm, expecting the folder-creation question for a missing destination.
  bool ConfirmCreating(EnvDialogState& s, const std::wstring& folder) {
    ExpectBox(t.user, L"<" + folder + L">フォルダを作成しますか", MsgKind::Confirmation, kYes | kNo, kYes);
    return EnvConfirm(app, s);
  }

  ScriptedPatternDialog patterns;
  std::wstring other;
};

}  // namespace ruzer::test

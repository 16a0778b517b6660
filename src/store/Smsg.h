// Messages and small helpers shared by the store's own sources.
#pragma once

#include <string>

#include "base/app.h"
#include "base/textfile.h"

namespace ruzer::store {

inline MsgButton Ask(App& app, MsgKind kind, const std::wstring& text, unsigned buttons,
                     MsgButton def, int help = 0) {
  return ShowMessage(app.user, kind, text, buttons, def, help);
}

inline constexpr wchar_t kMoveFileSetHint[] = L"ヘルプに従ってファイルセットを移動させてください．";
inline constexpr int kHelpFileSetPlace = 40;
inline constexpr int kHelpOldVersion = 42;

// Second line of a "cannot read" message: why the file was not read.
inline std::wstring ReadFailureReason(const TextReadResult& r) {
  switch (r.status) {
    case TextReadStatus::TooLarge:
      return L"ファイルが大きすぎます．";
    case TextReadStatus::IsFolder:
      return L"同じ名前のフォルダがあります．";
    case TextReadStatus::Ok:
      return L"ファイルの内容が正しくありません．";
    default:
      return L"ファイルを開けません（エラー " + std::to_wstring(r.error) + L"）．";
  }
}

}  // namespace ruzer::store

#include "base/help.h"

namespace ruzer {

const std::vector<HelpTopic>& HelpTopics() {
  static const std::vector<HelpTopic> topics = {
      {L"設定ページの操作", 0, L"pages_edit.htm"},
      {L"設定ページの概要", 0, L"pages.htm"},
      {L"保存元リストの編集", 0, L"sources.htm"},
      {L"エラーリスト", 0, L"errorlist.htm"},
      {L"フォルダ設定ウィンドウ", 0, L"folder_dialog.htm"},
      {L"ファイル名指定ウィンドウ", 0, L"pattern_dialog.htm"},
      {L"条件設定", 0, L"conditions.htm"},
      {L"メモ", 0, L"memo.htm"},
      {L"容量測定", 0, L"measure.htm"},
      {L"復元", 0, L"restore.htm"},
      {L"ファイルを探す", 0, L"find.htm"},
      {L"照合", 0, L"verify.htm"},
      {L"簡単初期設定", 0, L"wizard.htm"},
      {L"スタートメニューへの登録", 0, L"startmenu.htm"},
      {L"", 40, L"ctx_fileset_place.htm"},  // the file set cannot be written where it is
      {L"", 42, L"ctx_oldversion.htm"},     // old-version data
      {L"", 54, L"ctx_harddisk.htm"},       // a hard disk as destination
  };
  return topics;
}

std::wstring HelpFileOfKeyword(const std::wstring& keyword) {
  if (keyword.empty()) return {};
  for (const auto& t : HelpTopics())
    if (keyword == t.keyword) return t.file;
  return {};
}

std::wstring HelpFileOfContext(int context) {
  if (context == 0) return kHelpContentsTopic;
  for (const auto& t : HelpTopics())
    if (t.context == context) return t.file;
  return {};
}

std::wstring HelpTopicUrl(const std::wstring& helpFile, const std::wstring& topic) {
  return helpFile + L"::/" + topic;
}

}  // namespace ruzer

// A file set in a fresh temp folder with a scripted user and view.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/app.h"
#include "store/Spage.h"
#include "support/page_text.h"
#include "support/scripted.h"
#include "support/source_row.h"
#include "support/text.h"

namespace ruzer::test {

inline const std::wstring kHint = L"ヘルプに従ってファイルセットを移動させてください．";
inline const std::wstring kOldIndexPrompt =
    L"旧バージョンのファイルセットを現バージョンの形式に変換しますか？\r\n（［中止］なら、変換せずRuzer終了.）";
inline const std::wstring kConvertedNotice =
    L"旧バージョンの保存元リストを変換しました．\r\n\r\n「容量測定」で容量を確認後、バックアップを実行してください．";

inline std::wstring IndexWriteFailed(int which, const std::wstring& indexName = L"RUZER.IDX") {
  return L"目次ファイル\"" + indexName + L"\"の書き込み失敗" + std::to_wstring(which) + L"．\r\n" + kHint;
}

// The user sees a message with exactly this text, kind, buttons and help topic.
inline struct ScriptedUser::Expect Exact(const std::wstring& text, MsgKind kind, unsigned buttons, int help,
                                  MsgButton answer = kOk) {
  struct ScriptedUser::Expect e;
  e.text = text;
  e.kind = kind;
  e.buttons = buttons;
  e.helpContext = help;
  e.answer = answer;
  return e;
}

// The lines of a new, empty page file.
inline std::vector<std::wstring> EmptyPageLines() {
  return {L"[Ruzer]", L"Vers=6.00", L"Path=", L"Labl=", L"Bday=15", L"Flgs=1101", L"Cont=0", L"Yfil=*.*", L"Zfil="};
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.FileSetFolder = dir.path() + L"\\";
    app.IndexFileName = L"RUZER.IDX";
  }

  std::wstring Idx() const { return dir / L"RUZER.IDX"; }
  std::wstring Pag(const std::wstring& page) const { return dir / (page + L".PAG"); }

  // Index file of this version with the given pages (name, destination, label, last backup).
  void WriteIndex(const std::vector<IndexRow>& pages, const std::vector<std::wstring>& ruzerExtra = {}) {
    ASSERT_TRUE(WriteBytes(Idx(), Utf16File(IndexFileLines(pages, ruzerExtra))));
  }

  TestApp t;
  TempDir dir;
  App& app = t.app;
};

// A file set with one page "P", made the active page (its file not read yet).
class OnePageTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    WriteIndex({{L"", L"P", L"", L"", L""}});
    app.pages = {L"P"};
    app.activePage = 0;
    app.PageIndexTable = {IndexRow{L"No."}, IndexRow{L"1", L"P"}};
  }
};

}  // namespace ruzer::test

#include "store/Convert.h"

#include <algorithm>

#include "base/services.h"
#include "base/text.h"
#include "store/Fdef.h"
#include "store/Smsg.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

using store::Ask;

void SortByCaption(std::vector<SourceRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const SourceRow& a, const SourceRow& b) {
    return lstrcmpW(a.caption.c_str(), b.caption.c_str()) < 0;
  });
}

bool Marked(const SourceRow& row) { return row.mark == L"o"; }

void ConvertRows(App& app) {
  std::wstring keptFolder;
  int kept = -1;  // index of the kept row in app.rows
  std::wstring keptSave, keptExclude;
  for (size_t i = 0; i < app.oldRows.size(); ++i) {
    SourceRow& old = app.oldRows[i];
    old.no = std::to_wstring(i + 1);
    const std::wstring folder = old.caption;
    if (kept >= 0 && !keptFolder.empty() && IsInsideFolder(keptFolder, folder)) {
      SourceRow& row = app.rows[static_cast<size_t>(kept)];
      if (!Marked(old)) {
        std::wstring base = keptFolder;
        if (!base.empty() && base.back() == L'\\') base.pop_back();
        SetExcludedFolders(folder.substr(base.size() + 1), row, true);
      } else {
        const std::wstring save = MergePatternLists(keptSave, old.save);
        if (save != keptSave) row.save = keptSave = save;
        const std::wstring exclude = MergePatternLists(keptExclude, old.exclude);
        if (exclude != keptExclude) row.exclude = keptExclude = exclude;
      }
    } else {
      keptFolder = folder;
      keptSave = old.save;
      keptExclude = old.exclude;
      SourceRow row;
      row.caption = folder;
      row.comment = old.comment;
      row.no = std::to_wstring(app.rows.size() + 1);
      row.save = keptSave;
      row.exclude = keptExclude;
      row.mark = old.mark;
      app.rows.push_back(std::move(row));
      kept = static_cast<int>(app.rows.size()) - 1;
      // A folder without sub-folders keeps the next row only when it lies inside it.
      if (!Marked(old) && i + 1 < app.oldRows.size() && !IsInsideFolder(folder, app.oldRows[i + 1].caption))
        keptFolder.clear();
    }
    LetMessagesRun(app);
  }
}

}  // namespace

std::wstring MergePatternLists(const std::wstring& a, const std::wstring& b) {
  if (b.empty()) return a;
  if (a.empty()) return b;
  std::vector<std::wstring> have;
  for (const auto& e : UnpackList(a)) have.push_back(LowerText(e));
  std::wstring result = a;
  for (const auto& e : UnpackList(b)) {
    if (e.empty()) continue;  // an empty pattern would only leave "::" behind
    if (std::find(have.begin(), have.end(), LowerText(e)) == have.end()) result += L":" + e;
  }
  return result;
}

void ConvertOldList(App& app) {
  RestoreFromMinimized(app);
  SetBottomPanel(app, 3);
  StatusMessage(app, L"旧バージョンの保存元リストの変換中...");
  LetMessagesRun(app, true);

  ConvertRows(app);

  SortByCaption(app.rows);
  SortByCaption(app.oldRows);
  app.view.ShowSourceRows(&app.rows);
  app.view.ShowOldRows(&app.oldRows);

  const bool written = WritePageFile(app);
  // An automatic run ends here; the user should look at the result first.
  app.AbortRequested = true;
  app.AutoMode = false;
  if (written) {
    RestoreFromMinimized(app);
    Ask(app, MsgKind::Warning,
        L"旧バージョンの保存元リストを変換しました．\r\n\r\n"
        L"「容量測定」で容量を確認後、バックアップを実行してください．",
        kOk | kHelp, kOk, store::kHelpOldVersion);
  }
}

void ReconvertFromBackup(App& app) {
  const MsgButton answer =
      Ask(app, MsgKind::Confirmation,
          L"現在の「保存元リスト」を廃棄して、旧バージョンのリストを読み込み、変換します。よろしいですか？",
          kOk | kCancel | kHelp, kCancel, store::kHelpOldVersion);
  if (answer != kOk) return;
  StatusMessage(app, L"");
  SetBottomPanel(app, 3);

  // Look before reading: ReadPageFile empties the page first, and an emptied
  // page would be written over the page file at the next change.
  const std::wstring bak = app.FileSetFolder + app.ActivePageName() + Fdef::kPageExt + Fdef::kBackupExt;
  if (!store::IsFile(bak)) {
    Ask(app, MsgKind::Warning, L"旧バージョンの保存元リストが見つかりません、", kOk, kOk);
    return;
  }
  const TextReadResult probe = ReadTextFile(bak);
  if (!probe.ok() || probe.hasNul) {
    Ask(app, MsgKind::Error,
        L"設定ページファイル\"" + bak + L"\"を読み込めません．\r\n" + store::ReadFailureReason(probe), kOk, kOk);
    return;
  }

  ReadPageFile(app, true);
  RenumberRows(app, true);
  app.view.SetSourceListCaption(SourceListCaption(app));
}

}  // namespace ruzer

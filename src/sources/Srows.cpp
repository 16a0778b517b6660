#include "sources/Srows.h"

#include <algorithm>

#include "base/services.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

std::vector<int> Selection(App& app) {
  std::vector<int> sel;
  for (int i : app.view.SelectedRows())
    if (i >= 0 && i < app.RowCount()) sel.push_back(i);
  std::sort(sel.begin(), sel.end());
  sel.erase(std::unique(sel.begin(), sel.end()), sel.end());
  return sel;
}

bool ShowDialog(App& app, FolderDialogState& state) { return app.folderDialog && app.folderDialog->Show(state); }

// Writes the page; when that fails (its message is shown by the store) the
// rows go back to `before`, which is what the file still holds.
bool WriteOrTakeBack(App& app, std::vector<SourceRow>&& before) {
  if (WritePageFile(app)) return true;
  app.rows = std::move(before);
  app.view.ShowSourceRows(&app.rows);
  return false;
}

}  // namespace

void ChangeRow(App& app) {
  const std::vector<int> sel = app.view.SelectedRows();
  if (sel.empty()) return;
  const int index = *std::min_element(sel.begin(), sel.end());
  if (index < 0 || index >= app.RowCount()) return;
  FolderDialogState state;
  PrepareChange(app, state, index);
  if (!ShowDialog(app, state)) return;
  std::vector<SourceRow> before = app.rows;
  const int now = StoreDialogIntoRow(app, index, state);
  // The row may have moved; its No. follows its place.
  RenumberRows(app, false);
  if (WriteOrTakeBack(app, std::move(before))) SelectRow(app, now);
}

void AddRow(App& app) {
  FolderDialogState state;
  PrepareAdd(app, state);
  if (!ShowDialog(app, state)) return;
  std::vector<SourceRow> before = app.rows;
  const bool added = AddSourceRow(app, state.src, state.comment, kRowFromDialog, &state);
  if (!added) {
    // Nothing of this command changed the list; the file is written all the same.
    WritePageFile(app);
    return;
  }
  if (!WriteOrTakeBack(app, std::move(before))) return;
  for (int i = 0; i < app.RowCount(); ++i)
    if (app.rows[static_cast<size_t>(i)].caption == state.src) SelectRow(app, i);
}

void DeleteRows(App& app) {
  const std::vector<int> sel = Selection(app);
  if (sel.empty()) return;
  const int n = static_cast<int>(sel.size());
  if (ShowMessage(app.user, MsgKind::Information, L"選択された" + std::to_wstring(n) + L"行を削除しますか",
                  kYes | kNo, kYes) != kYes)
    return;
  std::vector<SourceRow> before = app.rows;
  for (auto it = sel.rbegin(); it != sel.rend(); ++it) app.rows.erase(app.rows.begin() + *it);
  RenumberRows(app, false);
  if (!WriteOrTakeBack(app, std::move(before))) return;
  SelectRow(app, -1);
  StatusMessage(app, L"保存元リスト削除完了.");
}

void BulkChange(App& app, BulkKind kind) {
  StatusMessage(app, L"");
  const std::vector<int> sel = Selection(app);
  if (sel.empty()) return;
  // The switch box starts as the first selected row has it.
  const std::wstring& mark = app.rows[static_cast<size_t>(sel.front())].mark;
  FolderDialogState state;
  PrepareBulk(app, state, kind, !mark.empty() && mark[0] == L'o');
  if (!ShowDialog(app, state)) return;
  std::vector<SourceRow> before = app.rows;
  for (int i : sel) {
    SourceRow& r = app.rows[static_cast<size_t>(i)];
    switch (kind) {
      case BulkKind::Save: r.save = PackList(state.saves); break;
      case BulkKind::Exclude: r.exclude = PackList(state.excludes); break;
      case BulkKind::Switch: r.mark = state.subFolders ? L"o" : L""; break;
    }
  }
  app.view.ShowSourceRows(&app.rows);
  WriteOrTakeBack(app, std::move(before));
}

}  // namespace ruzer

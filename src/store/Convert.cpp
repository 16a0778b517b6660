#include "store/Convert.h"

#include <algorithm>

#include "base/services.h"
#include "base/text.h"

namespace ruzer {

namespace {

bool Marked(const SourceRow& row) { return row.mark == L"o"; }

}  // namespace

std::vector<SourceRow> ConvertOldRows(App& app) {
  std::vector<SourceRow> rows = app.rows;
  std::wstring keptFolder;
  int kept = -1;  // index of the kept row in rows
  std::wstring keptSave, keptExclude;
  for (size_t i = 0; i < app.oldRows.size(); ++i) {
    SourceRow& old = app.oldRows[i];
    old.no = std::to_wstring(i + 1);
    const std::wstring folder = old.caption;
    if (kept >= 0 && !keptFolder.empty() && IsInsideFolder(keptFolder, folder)) {
      SourceRow& row = rows[static_cast<size_t>(kept)];
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
      row.no = std::to_wstring(rows.size() + 1);
      row.save = keptSave;
      row.exclude = keptExclude;
      row.mark = old.mark;
      rows.push_back(std::move(row));
      kept = static_cast<int>(rows.size()) - 1;
      // A folder without sub-folders keeps the next row only when it lies inside it.
      if (!Marked(old) && i + 1 < app.oldRows.size() && !IsInsideFolder(folder, app.oldRows[i + 1].caption))
        keptFolder.clear();
    }
    LetMessagesRun(app);
  }
  return rows;
}

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

}  // namespace ruzer

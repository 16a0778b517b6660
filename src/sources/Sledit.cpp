#include "sources/Sledit.h"

#include <windows.h>

#include <algorithm>

#include "store/Spage.h"

namespace ruzer {

// ---------------------------------------------------------------- rows and the overlap rules

namespace {

int CompareListText(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

// The order the page keeps its rows in (as the store sorts them on load).
bool CaptionLess(const SourceRow& a, const SourceRow& b) { return lstrcmpW(a.caption.c_str(), b.caption.c_str()) < 0; }

std::wstring WithBackslash(const std::wstring& path) {
  return !path.empty() && path.back() == L'\\' ? path : path + L'\\';
}

// Junctions and symbolic links (0x400), files and folders that cannot be read are no source folders.
bool UsableFolder(const std::wstring& folder) {
  const DWORD a = GetFileAttributesW(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return false;
  return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool AttributeTest(App& app, const std::wstring& folder) {
  if (UsableFolder(folder)) return true;
  ShowMessage(app.user, MsgKind::Error, L"<" + folder + L"> は使用できないフォルダです．");
  return false;
}

}  // namespace

void InsertSorted(std::vector<std::wstring>& list, const std::wstring& entry) {
  auto at = std::upper_bound(list.begin(), list.end(), entry,
                             [](const std::wstring& a, const std::wstring& b) { return CompareListText(a, b) < 0; });
  list.insert(at, entry);
}

std::wstring StripFolderBackslash(const std::wstring& path) {
  if (path.size() > 3 && path.back() == L'\\') return path.substr(0, path.size() - 1);
  return path;
}

bool ValidateRowFolder(App& app, int skip, const std::wstring& folder) {
  if (!AttributeTest(app, folder)) return false;
  for (int i = 0; i < app.RowCount(); ++i) {
    if (i == skip) continue;
    const std::wstring& s = app.rows[static_cast<size_t>(i)].caption;
    if (SameFolderText(folder, s)) {
      ShowMessage(app.user, MsgKind::Error, L"<" + folder + L"> は登録済みです．");
      return false;
    }
    if (IsInsideFolder(s, folder)) {
      SelectRow(app, i);
      ShowMessage(app.user, MsgKind::Error, L"<" + folder + L"> の上位フォルダ <" + s + L"> が登録済みです．");
      return false;
    }
    if (IsInsideFolder(folder, s)) {
      SelectRow(app, i);
      ShowMessage(app.user, MsgKind::Error, L"<" + folder + L"> の下位フォルダ <" + s + L"> が登録済みです．");
      return false;
    }
  }
  return true;
}

bool AdmitNewRowFolder(App& app, const std::wstring& folder) {
  if (!AttributeTest(app, folder)) return false;
  for (int i = 0; i < app.RowCount(); ++i) {
    SourceRow& row = app.rows[static_cast<size_t>(i)];
    const std::wstring s = row.caption;
    if (IsInsideFolder(s, folder)) {
      const std::wstring rel = folder.substr(std::min(folder.size(), WithBackslash(s).size()));
      for (const auto& e : UnpackList(GetExcludedFolders(row))) {
        if (SameFolderText(e, rel) || IsInsideFolder(rel, e) || IsInsideFolder(e, rel)) {
          SelectRow(app, i);
          ShowMessage(app.user, MsgKind::Error,
                      L"<" + folder + L"> (またはその上位/下位フォルダ)は、\r\n<" + s +
                          L"> の行に「除外フォルダ」として登録済みです．");
          return false;
        }
      }
      SelectRow(app, i);
      if (ShowMessage(app.user, MsgKind::Confirmation,
                      L"<" + folder + L"> を、フォルダ <" + s + L"> に除外フォルダとして登録しますか？", kYes | kNo,
                      kYes) != kYes)
        return false;
      const std::wstring before = row.excluded;
      SetExcludedFolders(rel, row, true);
      // A page file that cannot be written keeps the row as the file has it.
      if (!WritePageFile(app)) {
        app.rows[static_cast<size_t>(i)].excluded = before;
        app.view.ShowSourceRows(&app.rows);
      }
      return false;
    }
    if (IsInsideFolder(folder, s)) {
      SelectRow(app, i);
      ShowMessage(app.user, MsgKind::Warning, L"下位フォルダ <" + s + L"> が登録済みです．\r\n先に削除してください．");
      return false;
    }
  }
  return true;
}

bool ValidateExcludedFolder(App& app, FolderDialogState& dialog, const std::wstring& rel) {
  for (const auto& e : dialog.dirs) {
    if (SameFolderText(e, rel)) {
      ShowMessage(app.user, MsgKind::Error, rel + L" は登録済みです.");
      return false;
    }
  }
  const std::wstring base = WithBackslash(dialog.src);
  auto full = [&](const std::wstring& x) {
    return base + (!x.empty() && x.back() == L'\\' ? x.substr(0, x.size() - 1) : x);
  };
  for (size_t i = 0; i < dialog.dirs.size(); ++i) {
    const std::wstring& e = dialog.dirs[i];
    if (IsInsideFolder(full(e), full(rel))) {
      dialog.dirSelection = {static_cast<int>(i)};
      ShowMessage(app.user, MsgKind::Error, L"上位フォルダ " + e + L" が登録済みです．");
      return false;
    }
    if (IsInsideFolder(full(rel), full(e))) {
      dialog.dirSelection = {static_cast<int>(i)};
      ShowMessage(app.user, MsgKind::Error, L"下位フォルダ " + e + L" が登録済みです．");
      return false;
    }
  }
  return true;
}

void RebaseExcludedFolders(FolderDialogState& dialog) {
  const std::wstring& o = dialog.sourceAtOpen;
  const std::wstring& n = dialog.src;
  if (n == o) return;
  std::vector<std::wstring> kept;
  const std::wstring base = WithBackslash(o);
  const size_t cut = WithBackslash(n).size();
  for (const auto& entry : dialog.dirs) {
    const std::wstring full = base + entry;
    if (IsInsideFolder(n, full)) kept.push_back(full.substr(std::min(full.size(), cut)));
  }
  // The list stays in the list box's order.
  dialog.dirs.clear();
  for (const auto& e : kept) InsertSorted(dialog.dirs, e);
  dialog.dirSelection.clear();
}

bool AddSourceRow(App& app, const std::wstring& folder, const std::wstring& comment, int mode,
                  const FolderDialogState* dialog) {
  if (!AdmitNewRowFolder(app, folder)) return false;
  SourceRow row;
  row.caption = folder;
  row.comment = comment;
  if (mode == kRowFromDialog && dialog) {
    row.save = PackList(dialog->saves);
    row.exclude = PackList(dialog->excludes);
    row.mark = dialog->subFolders ? L"o" : L" ";
    SetExcludedFolders(PackList(dialog->dirs), row, false);
  } else {
    row.save = app.env.defSave1;
    row.exclude = app.env.defSave2;
    row.mark = app.env.check[3] ? L"o" : L" ";
  }
  app.rows.insert(std::upper_bound(app.rows.begin(), app.rows.end(), row, CaptionLess), std::move(row));
  RenumberRows(app, false);
  return true;
}

int StoreDialogIntoRow(App& app, int index, const FolderDialogState& dialog) {
  if (index < 0 || index >= app.RowCount()) return index;
  SourceRow row = app.rows[static_cast<size_t>(index)];
  const bool moved = row.caption != dialog.src;
  row.caption = dialog.src;
  row.comment = dialog.comment;
  row.save = PackList(dialog.saves);
  row.exclude = PackList(dialog.excludes);
  row.mark = dialog.subFolders ? L"o" : L" ";
  SetExcludedFolders(PackList(dialog.dirs), row, false);
  if (!moved) {
    app.rows[static_cast<size_t>(index)] = std::move(row);
    app.view.ShowSourceRows(&app.rows);
    return index;
  }
  app.rows.erase(app.rows.begin() + index);
  auto at = std::upper_bound(app.rows.begin(), app.rows.end(), row, CaptionLess);
  const int now = static_cast<int>(at - app.rows.begin());
  app.rows.insert(at, std::move(row));
  app.view.ShowSourceRows(&app.rows);
  return now;
}

void SelectRow(App& app, int index) {
  if (app.rows.empty()) return;
  app.view.SelectRow(index < app.RowCount() ? index : -1);
}

}  // namespace ruzer

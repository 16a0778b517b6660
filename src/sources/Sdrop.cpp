#include "sources/Sdrop.h"

#include <windows.h>

#include "base/disk.h"
#include "base/services.h"
#include "sources/Sledit.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

// Folder texts compare with only the letters A to Z folded, as the file system does for them.
std::wstring FoldAZ(std::wstring text) {
  for (auto& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// `folder` is `row` or lies below it (both A-Z folded).
bool FolderWithinRow(const std::wstring& folder, const std::wstring& row) {
  if (row.empty() || folder.compare(0, row.size(), row) != 0) return false;
  return folder.size() == row.size() || row.back() == L'\\' || folder[row.size()] == L'\\';
}

void Warn(App& app, const std::wstring& text) { ShowMessage(app.user, MsgKind::Warning, text); }

// The first column of the selected line of the list that `kind` names.
std::optional<std::wstring> SelectedFolder(App& app, int kind) {
  switch (kind) {
    case 1: {
      const auto sel = app.view.SelectedRows();
      if (sel.empty() || sel.front() < 0 || sel.front() >= app.RowCount()) return std::nullopt;
      return app.rows[static_cast<size_t>(sel.front())].caption;
    }
    case 2: {
      const int i = app.view.SizeListSelected();
      const auto lines = app.view.SizeListRows();
      if (i < 0 || i >= static_cast<int>(lines.size()) || lines[static_cast<size_t>(i)].empty()) return std::nullopt;
      return lines[static_cast<size_t>(i)].front();
    }
    case 3: {
      const int i = app.view.OldListSelected();
      if (i < 0 || i >= static_cast<int>(app.oldRows.size())) return std::nullopt;
      return app.oldRows[static_cast<size_t>(i)].caption;
    }
    default:
      return std::nullopt;
  }
}

// Selects the source row whose folder holds `folder`; the deepest row wins.
void FindRow(App& app, DragControl from) {
  if (app.DragSourceKind == 1) {  // the source list dropped on itself
    app.DragSourceKind = 0;
    return;
  }
  std::optional<std::wstring> found;
  if (from == DragControl::ErrorList) {
    if (const auto line = app.view.ErrorListCurrentLine()) {
      found = ErrorLineFolder(*line);
      if (!found) return;
    }
  } else {
    found = SelectedFolder(app, app.DragSourceKind);
  }
  if (found) {
    const std::wstring f = FoldAZ(*found);
    for (int i = app.RowCount() - 1; i >= 0; --i) {
      if (FolderWithinRow(f, FoldAZ(app.rows[static_cast<size_t>(i)].caption))) {
        SelectRow(app, i);
        break;
      }
    }
  }
  app.DragSourceKind = 0;
}

// Selects the line of the size list (t = 2) or old-version list (t = 3) of the dragged line's folder.
void FindLine(App& app, int t) {
  if (app.DragSourceKind == 0) return;
  if (app.DragSourceKind == t) {
    app.DragSourceKind = 0;
    return;
  }
  if (const auto folder = SelectedFolder(app, app.DragSourceKind)) {
    if (t == 2) {
      const auto lines = app.view.SizeListRows();
      for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && SameFolderText(lines[i].front(), *folder)) {
          app.view.SizeListSelect(static_cast<int>(i));
          break;
        }
      }
    } else {
      for (size_t i = 0; i < app.oldRows.size(); ++i) {
        if (SameFolderText(app.oldRows[i].caption, *folder)) {
          app.view.OldListSelect(static_cast<int>(i));
          break;
        }
      }
    }
  }
  app.DragSourceKind = 0;
}

// Registration changes the page: not while a backup or a page load is under way.
bool RegistrationRefused(App& app) {
  if (!app.busy && !app.PageLoading) return false;
  StatusMessage(app, L"処理中のため、フォルダは登録できません．");
  return true;
}

}  // namespace

void BeginDrag(App& app, DragControl from) {
  switch (from) {
    case DragControl::SourceList: app.DragSourceKind = 1; break;
    case DragControl::SizeList: app.DragSourceKind = 2; break;
    case DragControl::OldList: app.DragSourceKind = 3; break;
    default: break;  // the tree and the error list are known by their control
  }
}

void EndDrag(App& app) { app.DragSourceKind = 0; }

std::optional<std::wstring> ErrorLineFolder(const std::wstring& line) {
  if (line.empty() || line[0] == L'{') return std::nullopt;
  const size_t lt = line.find(L'<');
  if (lt == std::wstring::npos) return std::nullopt;
  return ParentFolder(line.substr(0, lt));
}

void RegisterDroppedFolder(App& app, const std::wstring& path, const std::wstring& text) {
  const std::wstring& p = path;
  if (p.size() < 2) {
    // A virtual folder of the tree (Control Panel, Recycle Bin, ...) has no path to back up.
    if (!text.empty()) StatusMessage(app, L"<" + text + L"> は実フォルダではないため登録できません．");
    return;
  }
  if (p[1] != L':' || p.find(L'?') != std::wstring::npos) {
    Warn(app, L"<" + p + L"> は登録できません．\r\n(実フォルダではありません．)");
    return;
  }
  // Longer paths cannot be reached by the backup's file calls either.
  if (p.size() >= MAX_PATH || PathKind(p) != 2) {
    Warn(app, L"<" + p + L"> は登録できません．\r\n(フォルダでは無いか、アクセスできません．)");
    return;
  }
  std::wstring comment = text;
  if (comment == p.substr(p.rfind(L'\\') + 1)) comment.clear();
  const std::wstring folded = FoldAZ(p);
  for (auto& row : app.rows) {
    if (FoldAZ(row.caption) != folded) continue;
    if (!comment.empty() && row.comment.empty()) {
      row.comment = comment;
      app.view.ShowSourceRows(&app.rows);
      StatusMessage(app, L"コメント欄に <" + comment + L"> 追加.");
      // The list keeps showing what the page file holds.
      if (!WritePageFile(app)) {
        row.comment.clear();
        app.view.ShowSourceRows(&app.rows);
      }
    } else {
      Warn(app, p + L" は登録済みです．");
    }
    return;
  }
  if (!AddSourceRow(app, p, comment, kRowDefaults)) return;
  app.view.ShowSourceRows(&app.rows);
  StatusMessage(app, L"<" + p + L"> 登録.");
  if (!WritePageFile(app)) {
    for (size_t i = 0; i < app.rows.size(); ++i) {
      if (app.rows[i].caption == p) {
        app.rows.erase(app.rows.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    RenumberRows(app, false);
    app.view.ShowSourceRows(&app.rows);
  }
}

void DropOnSourceList(App& app, DragControl from, bool besideRow) {
  StatusMessage(app, L"");
  switch (from) {
    case DragControl::Tree:
      if (besideRow || RegistrationRefused(app)) return;
      RegisterDroppedFolder(app, app.view.TreeSelectedPath(), app.view.TreeSelectedText());
      return;
    case DragControl::ErrorList:
    case DragControl::SizeList:
    case DragControl::OldList:
    case DragControl::SourceList:
      FindRow(app, from);
      return;
    default:
      return;
  }
}

void DropPathsOnSourceList(App& app, const std::vector<std::wstring>& paths, bool besideRow) {
  StatusMessage(app, L"");
  if (besideRow || paths.empty() || RegistrationRefused(app)) return;
  for (const auto& p : paths) {
    if (p.size() >= 2 && p.size() < MAX_PATH && p[1] == L':' && PathKind(p) == 1) {
      StatusMessage(app, L"<" + p + L"> はファイルです．登録できるのはフォルダだけです．");
      continue;
    }
    // An Explorer drop has no display name of its own: the comment stays empty.
    const size_t slash = p.rfind(L'\\');
    RegisterDroppedFolder(app, p, slash == std::wstring::npos ? p : p.substr(slash + 1));
  }
}

void DropOnTree(App& app, DragControl from) {
  StatusMessage(app, L"");
  std::wstring folder;
  if (from == DragControl::ErrorList) {
    const auto line = app.view.ErrorListCurrentLine();
    if (!line) {  // nothing to show
      app.DragSourceKind = 0;
      return;
    }
    const auto f = ErrorLineFolder(*line);
    if (!f) return;
    folder = *f;
  } else if (from == DragControl::SourceList || from == DragControl::SizeList || from == DragControl::OldList) {
    if (app.DragSourceKind == 0) return;
    const auto f = SelectedFolder(app, app.DragSourceKind);
    if (!f) return;
    folder = *f;
  } else {
    return;
  }
  if (!app.view.ShowTreePath(folder)) StatusMessage(app, L"<" + folder + L">が見つかりません．");
  app.DragSourceKind = 0;
}

namespace {
// The size and old-version lists take a line of the lists, not a folder.
void DropLineOnList(App& app, DragControl from, const wchar_t* listName, int list) {
  if (from == DragControl::Tree) {
    StatusMessage(app, std::wstring(L"フォルダ・ツリー → ") + listName + L" ドロップ不可．");
    return;
  }
  StatusMessage(app, L"");
  if (from == DragControl::SourceList || from == DragControl::SizeList || from == DragControl::OldList)
    FindLine(app, list);
}
}  // namespace

void DropOnSizeList(App& app, DragControl from) { DropLineOnList(app, from, L"容量リスト", 2); }

void DropOnOldList(App& app, DragControl from) { DropLineOnList(app, from, L"旧バージョンリスト", 3); }

}  // namespace ruzer

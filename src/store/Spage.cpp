// Page files (.PAG) and the active page.
#include "store/Spage.h"

#include <algorithm>

#include "base/disk.h"
#include "base/inifile.h"
#include "base/services.h"
#include "store/Convert.h"
#include "store/Fdef.h"
#include "store/Smsg.h"

namespace ruzer {

namespace {

using store::Ask;

constexpr size_t kValueMax = 260;      // characters of a value that are read
constexpr size_t kExcludedPiece = 250; // characters per "U" line

std::wstring PagePath(const App& app, const std::wstring& page) {
  return app.FileSetFolder + page + Fdef::kPageExt;
}

std::wstring OneLine(std::wstring v) {
  for (auto& c : v)
    if (c == L'\r' || c == L'\n' || c == L'\0') c = L' ';
  return v;
}

// Characters 6 to 265 of a line: the text after the five-character key.
std::wstring ValueOf(const std::wstring& line) {
  return line.size() > 5 ? line.substr(5, kValueMax) : std::wstring();
}

void ApplyFlags(EnvPanel& env, const std::wstring& value) {
  for (size_t k = 0; k < env.check.size() && k < value.size(); ++k) env.check[k] = value[k] != L'0';
}

std::vector<std::wstring> PageLines(const App& app) {
  const EnvPanel& e = app.env;
  std::wstring flags;
  for (bool f : e.check) flags += f ? L'1' : L'0';
  std::vector<std::wstring> lines = {
      L"[Ruzer]",
      std::wstring(L"Vers=") + Fdef::kVersion,
      L"Path=" + OneLine(e.tamdir),
      L"Labl=" + OneLine(e.volname),
      // A damaged value stays as it was until the user sets a retention.
      e.badRetention.empty() ? L"Bday=" + std::to_wstring(e.backdays) : OneLine(e.badRetention),
      L"Flgs=" + flags,
      L"Cont=" + std::to_wstring(app.RowCount()),
      L"Yfil=" + OneLine(e.defSave1),
      L"Zfil=" + OneLine(e.defSave2),
  };
  int r = 0;
  for (const SourceRow& row : app.rows) {
    ++r;
    const std::wstring number = std::to_wstring(r + 100000);  // six digits and more; the last five count
    lines.emplace_back();
    lines.push_back(L"[Folder" + number.substr(number.size() - 5) + L"]");
    lines.push_back(L"Sorc=" + OneLine(row.caption));
    lines.push_back(L"Efol=" + OneLine(row.comment));
    lines.push_back(L"Wfil=" + OneLine(row.save));
    lines.push_back(L"Xfil=" + OneLine(row.exclude));
    const std::wstring excluded = OneLine(GetExcludedFolders(row));
    for (size_t at = 0, k = 0; at < excluded.size(); at += kExcludedPiece, ++k) {
      const std::wstring key = std::to_wstring(1000 + k);
      lines.push_back(L"U" + key.substr(key.size() - 3) + L"=" + excluded.substr(at, kExcludedPiece));
    }
    lines.push_back(L"Mark=" + OneLine(row.mark));
  }
  return lines;
}

// Copies through the crash-safe replace, so that a read-only or half-written
// earlier copy is never taken for a good one (CopyFileW under Wine even
// replaces read-only targets).
bool CopyWhole(const std::wstring& from, const std::wstring& to) {
  std::string bytes;
  if (!ReadFileBytes(from, bytes).ok()) return false;
  return ReplaceFileBytes(to, bytes) == ERROR_SUCCESS;
}

void SortByCaption(std::vector<SourceRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const SourceRow& a, const SourceRow& b) {
    return lstrcmpW(a.caption.c_str(), b.caption.c_str()) < 0;
  });
}

// A page from before 6.00: its rows are converted, shown and written, and
// an automatic run stops so that the user looks at them first.
void ConvertOldList(App& app) {
  RestoreFromMinimized(app);
  SetBottomPanel(app, 3);
  StatusMessage(app, L"旧バージョンの保存元リストの変換中...");
  LetMessagesRun(app, true);

  app.rows = ConvertOldRows(app);

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

}  // namespace

bool ReadPageFile(App& app, bool fromBackup) {
  app.rows.clear();
  app.env = EnvPanel{};
  StatusMessage(app, L"設定データ読み込み中...");
  LetMessagesRun(app, true);
  app.view.SetSourceListCaption(L"保存元リスト");
  app.view.ShowSourceRows(&app.rows);
  if (!app.errorListMode) SetBottomPanel(app, 0);

  app.CurrentPageName = app.ActivePageName();
  std::wstring file = PagePath(app, app.CurrentPageName);
  if (fromBackup) file += Fdef::kBackupExt;
  const size_t tableRow = static_cast<size_t>(app.activePage) + 1;
  double version = 6;

  if (!IsExistingFile(file)) {
    if (!fromBackup) app.PageUnreadable = false;
    StatusMessage(app, L"");
    return false;
  }

  TextReadResult text = ReadTextFile(file);
  app.oldRows.clear();
  app.view.ShowOldRows(&app.oldRows);
  if (!text.ok() || text.hasNul) {
    // The page on screen is now empty; writing it must not silently replace the file.
    app.PageUnreadable = true;
    StatusMessage(app, L"");
    RestoreFromMinimized(app);
    Ask(app, MsgKind::Error,
        L"設定ページファイル\"" + file + L"\"を読み込めません．\r\n" + store::ReadFailureReason(text), kOk, kOk);
    return false;
  }
  if (!fromBackup) app.PageUnreadable = false;

  std::vector<SourceRow>* list = nullptr;  // list of the current row
  std::wstring collector;                  // "U" lines of the current row
  bool retentionBad = false;
  for (const std::wstring& line : text.lines) {
    if (!line.empty()) {
      const std::wstring value = ValueOf(line);
      SourceRow* row = list && !list->empty() ? &list->back() : nullptr;
      switch (line[0]) {
        case L'B': {
          int days = 0;
          if (ParseInt(value, days)) {
            app.env.backdays = days;
          } else if (!retentionBad) {
            retentionBad = true;
            app.env.badRetention = line;
          }
          break;
        }
        case L'E':
          if (row) row->comment = value;
          break;
        case L'F':
          ApplyFlags(app.env, value);
          break;
        case L'L':
          app.env.volname = value;
          break;
        case L'M':
          if (row) {
            row->mark = value;
            if (!collector.empty()) SetExcludedFolders(collector, *row, false);
          }
          break;
        case L'O':
          app.env.check[1] = value.empty() || value[0] != L'0';
          break;
        case L'P':
          app.env.tamdir = value;
          break;
        case L'S':
          list = version >= 6 ? &app.rows : &app.oldRows;
          list->push_back(SourceRow{});
          list->back().caption = value;
          collector.clear();
          break;
        case L'U':
          collector += value;
          break;
        case L'V': {
          double v = 0;
          if (ParseDecimal(value, v)) version = v;
          break;
        }
        case L'W':
          if (row) row->save = value;
          break;
        case L'X':
          if (row) row->exclude = value;
          break;
        case L'Y':
          app.env.defSave1 = value;
          break;
        case L'Z':
          app.env.defSave2 = value;
          break;
        default:
          break;
      }
    }
    LetMessagesRun(app);
  }
  text.lines.clear();
  text.lines.shrink_to_fit();

  StatusMessage(app, L"");
  if (app.activePage >= 0 && tableRow < app.PageIndexTable.size()) {
    app.PageIndexTable[tableRow].dest = app.env.tamdir;
    app.PageIndexTable[tableRow].label = app.env.volname;
  }
  app.view.ShowOldRows(&app.oldRows);

  if (retentionBad && !app.busy) {
    // The rows read stay. A backup run reports it in its error list instead
    // and leaves the page and its destination alone.
    RestoreFromMinimized(app);
    Ask(app, MsgKind::Error, BadRetentionText(app), kOk, kOk);
  }

  if (version < 6) {
    bool copied = true;
    if (!fromBackup) copied = CopyWhole(file, file + Fdef::kBackupExt);
    if (!copied) {
      RestoreFromMinimized(app);
      Ask(app, MsgKind::Error,
          L"\"" + app.FileSetFolder + app.IndexFileName + L"\" は使えません．\r\n" + store::kMoveFileSetHint,
          kOk | kHelp, kOk, store::kHelpFileSetPlace);
    } else {
      ConvertOldList(app);
    }
  }

  SortByCaption(app.rows);
  app.view.ShowSourceRows(&app.rows);
  return true;
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
  if (!IsExistingFile(bak)) {
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

bool WritePageFile(App& app) {
  if (!WriteIndexFile(app)) return false;
  const std::wstring path = PagePath(app, app.ActivePageName());
  if (app.PageUnreadable && IsExistingFile(path)) {
    const MsgButton answer =
        Ask(app, MsgKind::Confirmation,
            L"設定ページ\"" + app.ActivePageName() + L"\"は読み込めていません．\r\n" + L"書き込むと、ファイル\"" +
                path + L"\"の元の内容は失われます．よろしいですか？",
            kYes | kNo, kNo);
    if (answer != kYes) return false;
    app.PageUnreadable = false;
  }
  const DWORD e = WriteUtf16File(path, PageLines(app));
  if (e != ERROR_SUCCESS) {
    Ask(app, MsgKind::Error,
        L"設定ページファイル\"" + path + L"\"の書き込み失敗．（エラー " + std::to_wstring(e) + L"）\r\n" +
            store::kMoveFileSetHint,
        kOk | kHelp, kOk, store::kHelpFileSetPlace);
    return false;
  }
  return true;
}

void LoadActivePage(App& app) {
  const bool menusWereOn = app.view.MainMenusEnabled();
  app.view.SetMainMenusEnabled(false);
  app.PageLoading = true;
  app.view.SetHourglass(true);

  ReadPageFile(app, false);

  app.view.SetHourglass(false);
  app.PageLoading = false;
  RenumberRows(app, true);
  StatusMessage(app, L"");
  app.view.SetSourceListCaption(SourceListCaption(app));
  LetMessagesRun(app, true);
  if (menusWereOn) app.view.SetMainMenusEnabled(true);
}

void RenumberRows(App& app, bool sortFirst) {
  if (sortFirst) {
    SortByCaption(app.rows);
    LetMessagesRun(app);
  }
  for (size_t i = 0; i < app.rows.size(); ++i) app.rows[i].no = std::to_wstring(i + 1);
  app.view.ShowSourceRows(&app.rows);
}

void ReadPageFlags(App& app) {
  app.env = EnvPanel{};
  app.CurrentPageName = app.ActivePageName();
  const std::wstring file = PagePath(app, app.CurrentPageName);
  if (!IsExistingFile(file)) return;
  const TextReadResult text = ReadTextFile(file);
  if (!text.ok() || text.hasNul) return;
  for (const auto& line : text.lines) {
    if (!line.empty() && line[0] == L'F') {
      ApplyFlags(app.env, ValueOf(line));
      return;
    }
  }
}

std::wstring BadRetentionText(const App& app) {
  return L"設定ページファイル\"" + PagePath(app, app.CurrentPageName) + L"\"の保存日数\"" + ValueOf(app.env.badRetention) +
         L"\"は整数ではありません．\r\n" + L"このページはバックアップしません．「条件設定」で保存日数を設定してください．";
}

double ReadPageVersion(App& app, int page) {
  if (page < 0 || page >= static_cast<int>(app.pages.size())) return 0;
  const std::wstring file = PagePath(app, app.pages[page]);
  if (!IsExistingFile(file)) return 0;
  const TextReadResult text = ReadTextFile(file);
  if (!text.ok() || text.hasNul) return 0;
  for (const auto& line : text.lines) {
    if (!line.empty() && line[0] == L'V') {
      double v = 0;
      return ParseDecimal(line.size() > 5 ? line.substr(5, 4) : std::wstring(), v) ? v : 0;
    }
  }
  return 0;
}

std::wstring SourceListCaption(const App& app) {
  return L"保存元リスト　（バックアップ先= <" + app.env.tamdir + L">）";
}

void PageChanged(App& app, int index) {
  if (app.PageSwitchMuted) return;
  if (index < 0 || index >= static_cast<int>(app.pages.size())) return;
  if (app.PageLoading) {
    // Only the panel moves. The page being loaded stays the active one until
    // its load is over, so that nothing is read or written under the wrong name.
    app.pendingPage = index;
    app.view.AttachPagePanel();
    return;
  }
  app.pendingPage = -1;
  app.activePage = index;
  app.view.SetActiveTab(index);
  StatusMessage(app, L"設定データ読み込み中...");
  app.view.ShowSourceRows(nullptr);
  AttachPagePanel(app);
  LoadActivePage(app);
  RunPendingPageChange(app);
}

void RunPendingPageChange(App& app) {
  // Each load may collect another tab click; a small bound keeps a stuck flag from looping.
  for (int guard = 0; guard < 100 && app.pendingPage >= 0; ++guard) {
    if (app.PageLoading || app.PageSwitchMuted) return;
    const int index = app.pendingPage;
    app.pendingPage = -1;
    if (index >= static_cast<int>(app.pages.size())) return;
    if (index == app.activePage) {
      app.view.SetActiveTab(index);
      continue;
    }
    PageChanged(app, index);
  }
}

}  // namespace ruzer

// Index file (.IDX) and the page list.
#include "store/Sindex.h"

#include <algorithm>
#include <cwchar>

#include "base/disk.h"
#include "base/inifile.h"
#include "base/services.h"
#include "base/textfile.h"
#include "store/Fdef.h"
#include "store/Smsg.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

using store::Ask;

constexpr wchar_t kRuzer[] = L"Ruzer";
constexpr wchar_t kIndex[] = L"Index";

IndexRow TitleRow() {
  return IndexRow{L"No.", L"設定ページ", L"バックアップ先", L"ボリューム名", L"最新バックアップ日"};
}

// Marks a rebuild of the whole page list; the tabs are shown once at its end.
// Older than this, a temporary file of an index or page write belongs to no
// write under way any more.
constexpr std::uint64_t kStaleTempAgeMs = 60 * 60 * 1000;

class BulkPageList {
 public:
  explicit BulkPageList(App& app) : app_(app) { app_.rebuildingPages = true; }
  ~BulkPageList() { End(); }
  void End() { app_.rebuildingPages = false; }

 private:
  App& app_;
};

void MirrorTabs(App& app) {
  if (app.rebuildingPages) return;
  app.view.SetTabs(app.pages);
  app.view.SetActiveTab(app.activePage);
}

// A value must stay on its own line, or the file would gain lines of its own.
std::wstring OneLine(std::wstring v) {
  for (auto& c : v)
    if (c == L'\r' || c == L'\n' || c == L'\0') c = L' ';
  return v;
}

enum class IndexState { Missing, Ok, Unreadable };

// Reads the index file. A file that is there but is not an index file
// (cannot be read, too large, binary, text without our sections) is
// Unreadable; the caller must then leave it as it is.
IndexState LoadIndex(const std::wstring& path, IniFile& ini, TextReadResult& why) {
  why = ReadTextFile(path);
  if (why.status == TextReadStatus::NotFound || why.status == TextReadStatus::IsFolder)
    return IndexState::Missing;
  if (!why.ok() || why.hasNul) return IndexState::Unreadable;
  ini.LoadLines(why.lines);
  why.lines.clear();
  if (!ini.sections().empty() && !ini.HasSection(kRuzer) && !ini.HasSection(kIndex))
    return IndexState::Unreadable;
  return IndexState::Ok;
}

void ShowIndexUnreadable(App& app, const TextReadResult& why) {
  RestoreFromMinimized(app);
  Ask(app, MsgKind::Error,
      L"目次ファイル\"" + app.IndexPath() + L"\"を読み込めません．\r\n" + store::ReadFailureReason(why), kOk,
      kOk);
}

void ShowIndexWriteFailed(App& app, int which) {
  Ask(app, MsgKind::Error,
      L"目次ファイル\"" + app.IndexFileName + L"\"の書き込み失敗" + std::to_wstring(which) + L"．\r\n" +
          store::kMoveFileSetHint,
      kOk | kHelp, kOk, store::kHelpFileSetPlace);
}

// The highest page number that any key of [Index] names ("Fname12" → 12).
// A count beyond it describes pages without any data.
int HighestPageKey(const IniFile& ini) {
  static const wchar_t* const kPrefixes[] = {L"Fname", L"Dpath", L"Volum", L"LstDy"};
  int highest = 0;
  for (const auto& s : ini.sections()) {
    if (!s.header || !SameName(s.name, kIndex)) continue;
    for (const auto& e : s.entries) {
      if (e.bare || e.key.size() <= 5) continue;
      const std::wstring_view key(e.key);
      bool known = false;
      for (const wchar_t* p : kPrefixes) known = known || SameName(key.substr(0, 5), p);
      if (!known) continue;
      const std::wstring_view digits = key.substr(5);
      if (!std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        continue;
      int n = 0;
      if (ParseInt(digits, n)) highest = std::max(highest, n);
    }
  }
  return highest;
}

std::wstring N(int n) { return std::to_wstring(n); }

void NewFileSet(App& app) {
  const std::wstring& idx = app.IndexFileName;
  const std::wstring name = idx.size() >= 4 ? idx.substr(0, idx.size() - 4) : std::wstring();
  app.pages.assign(1, name);
  app.activePage = 0;
  MirrorTabs(app);
  app.PageIndexTable.assign(1, TitleRow());
  app.PageIndexTable.push_back(IndexRow{L"1", name, L"", L"", L""});
  WriteIndexFile(app);
  LoadActivePage(app);
  WritePageFile(app);
}

}  // namespace

void ReadIndexFile(App& app) {
  {
    BulkPageList bulk(app);
    for (int p = static_cast<int>(app.pages.size()) - 1; p >= 1; --p) {
      app.activePage = p;
      DeletePageTab(app);
    }
  }
  if (app.pages.empty()) app.pages.emplace_back();
  app.activePage = 0;
  if (app.PageIndexTable.empty()) app.PageIndexTable.push_back(TitleRow());
  app.IndexUnreadable = false;

  IniFile ini;
  TextReadResult why;
  switch (LoadIndex(app.IndexPath(), ini, why)) {
    case IndexState::Missing:
      NewFileSet(app);
      return;
    case IndexState::Unreadable:
      // Like an empty index: nothing is loaded, and nothing will be written
      // over the file until another file set is opened.
      app.IndexUnreadable = true;
      app.PageIndexTable.resize(1);
      MirrorTabs(app);
      app.AutoMode = false;
      ShowIndexUnreadable(app, why);
      return;
    case IndexState::Ok:
      break;
  }
  // A write killed half-way leaves its temporary file beside the index.
  RemoveStaleReplaceTemps(app.FileSetFolder, kStaleTempAgeMs);

  int count = ini.GetInt(kRuzer, L"Count", 1);
  if (count <= 0) {
    app.PageIndexTable.resize(1);
    MirrorTabs(app);
    return;
  }
  // A damaged count must not make millions of empty pages.
  count = std::min(count, std::max(1, HighestPageKey(ini)));

  app.PageIndexTable.resize(1);
  BulkPageList bulk(app);
  for (int n = 1; n <= count; ++n) {
    const std::wstring name = ini.GetString(kIndex, L"Fname" + N(n));
    if (n == 1) {
      app.pages[0] = name;
      app.activePage = 0;
      MirrorTabs(app);
      app.PageIndexTable.push_back(IndexRow{});
    } else {
      AddPageTab(app, name);
    }
    app.PageIndexTable.resize(static_cast<size_t>(n) + 1);
    app.PageIndexTable[n] = IndexRow{N(n), name, ini.GetString(kIndex, L"Dpath" + N(n)),
                                     ini.GetString(kIndex, L"Volum" + N(n)),
                                     ini.GetString(kIndex, L"Lstdy" + N(n))};
  }
  bulk.End();

  app.SleepMs = ini.GetInt(kRuzer, L"Sleep", 1000);
  app.treeWidth = std::max(1, ini.GetInt(kRuzer, L"Widir", 180));
  app.view.SetTreeWidth(app.treeWidth);
  app.indexVersion = ini.GetDecimal(kRuzer, L"Vers", 6.0);

  if (app.indexVersion < 6.0) {
    RestoreFromMinimized(app);
    const MsgButton answer =
        Ask(app, MsgKind::Warning,
            L"旧バージョンのファイルセットを現バージョンの形式に変換しますか？\r\n"
            L"（［中止］なら、変換せずRuzer終了.）",
            kYes | kAbort | kHelp, kAbort, store::kHelpOldVersion);
    if (answer != kYes) {
      app.AutoMode = false;
      app.view.CloseWindow();
      return;
    }
  }

  app.activePage = 0;
  MirrorTabs(app);
  AttachPagePanel(app);
  if (!app.AutoMode) LoadActivePage(app);
}

bool ConvertIndexEncoding(App& app) {
  const std::wstring path = app.IndexPath();
  TextReadResult r = ReadTextFile(path);
  // Missing or unreadable: nothing to convert (WriteIndexFile deals with the latter).
  if (!r.ok() || r.hasNul) return true;
  IniFile ini;
  ini.LoadLines(r.lines);
  const std::wstring vers = ini.GetString(kRuzer, L"Vers", Fdef::kVersion);
  if (!(vers < std::wstring(Fdef::kVersion))) return true;
  if (WriteUtf16File(path, r.lines) != ERROR_SUCCESS) {
    ShowIndexWriteFailed(app, 1);
    return false;
  }
  return true;
}

bool WriteIndexFile(App& app) {
  if (app.IndexUnreadable) {
    Ask(app, MsgKind::Error,
        L"目次ファイル\"" + app.IndexPath() +
            L"\"は読み込めなかったため、書き込みません．\r\n別のファイルセットを開いてください．",
        kOk, kOk);
    return false;
  }
  if (!ConvertIndexEncoding(app)) return false;

  const std::wstring path = app.IndexPath();
  IniFile ini;
  TextReadResult why;
  if (LoadIndex(path, ini, why) == IndexState::Unreadable) {
    // Rewriting would lose what the file holds.
    ShowIndexWriteFailed(app, 2);
    return true;
  }
  ini.SetString(kRuzer, L"Vers", Fdef::kVersion);
  ini.SetInt(kRuzer, L"Count", static_cast<int>(app.pages.size()));
  ini.SetInt(kRuzer, L"Sleep", app.SleepMs);
  ini.SetInt(kRuzer, L"Widir", app.treeWidth);

  ini.RemoveSection(kIndex);
  for (size_t i = 0; i < app.pages.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    // After a count of 0 the table has no row for the page that is still shown.
    const IndexRow row = static_cast<size_t>(n) < app.PageIndexTable.size() ? app.PageIndexTable[n] : IndexRow{};
    ini.SetString(kIndex, L"Fname" + N(n), OneLine(app.pages[i]));
    ini.SetString(kIndex, L"Dpath" + N(n), OneLine(row.dest));
    ini.SetString(kIndex, L"Volum" + N(n), OneLine(row.label));
    ini.SetString(kIndex, L"LstDy" + N(n), OneLine(row.last));
  }
  if (ini.Save(path) != ERROR_SUCCESS) ShowIndexWriteFailed(app, 2);
  return true;
}

void RecordLastBackup(App& app, int page, const SYSTEMTIME& start) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%04u/%02u/%02u %02u:%02u:%02u", start.wYear, start.wMonth, start.wDay, start.wHour,
           start.wMinute, start.wSecond);
  const std::wstring text = buf;
  if (!app.IndexUnreadable) {
    const std::wstring path = app.IndexPath();
    const DWORD e = WriteProfileValue(path, kIndex, L"LstDy" + N(page + 1), text);
    // The backup itself succeeded; the run's error list tells that its date was not kept.
    if (e != ERROR_SUCCESS)
      ErrorListAdd(app, path + L" <エラー:" + N(static_cast<int>(e)) + L"> " + SystemErrorText(e));
  }
  const size_t row = static_cast<size_t>(page) + 1;
  if (page >= 0 && row < app.PageIndexTable.size()) app.PageIndexTable[row].last = text;
}

void WriteTreeWidth(App& app, int width) {
  app.treeWidth = std::max(1, width);
  const std::wstring path = app.IndexPath();
  if (app.IndexUnreadable || !IsExistingFile(path)) return;
  // A splitter drag is no moment for a message box; the next full write retries.
  WriteProfileValue(path, kRuzer, L"Widir", N(app.treeWidth));
}

void AddPageTab(App& app, const std::wstring& name) {
  app.pages.push_back(name);
  app.activePage = static_cast<int>(app.pages.size()) - 1;
  MirrorTabs(app);
  app.rows.clear();
  app.PageUnreadable = false;
  app.view.ShowSourceRows(&app.rows);
  AttachPagePanel(app);
  auto& table = app.PageIndexTable;
  if (table.empty()) table.push_back(TitleRow());
  // Rows of earlier pages that the table lacks (after a count of 0) come first.
  while (table.size() < app.pages.size())
    table.push_back(IndexRow{N(static_cast<int>(table.size())), app.pages[table.size() - 1], L"", L"", L""});
  table.resize(app.pages.size());
  table.push_back(IndexRow{N(static_cast<int>(app.pages.size())), name, L"", L"", L""});
}

void DeletePageTab(App& app) {
  const int count = static_cast<int>(app.pages.size());
  // The last page cannot go: there is always an active page.
  if (count <= 1 || app.activePage < 0 || app.activePage >= count) return;
  app.PageSwitchMuted = true;
  const int old = app.activePage;
  app.activePage = old + 1 < count ? old + 1 : 0;
  if (!app.rebuildingPages) app.view.SetActiveTab(app.activePage);
  AttachPagePanel(app);
  app.pages.erase(app.pages.begin() + old);
  if (app.activePage > old) --app.activePage;
  MirrorTabs(app);
  if (app.PageIndexTable.size() > app.pages.size() + 1) app.PageIndexTable.resize(app.pages.size() + 1);
  app.PageSwitchMuted = false;
}

void AttachPagePanel(App& app) {
  // While the page list is rebuilt nothing is shown per page: 50 pages would
  // otherwise cost 50 tab redraws and 50 pauses before the file set appears.
  if (app.rebuildingPages) {
    app.CurrentPageName = app.ActivePageName();
    return;
  }
  app.view.AttachPagePanel();
  LetMessagesRun(app, true);
  // The pause lets a move be seen; a panel already on this tab does not move
  // (an automatic run attaches each page twice before loading it, and a file
  // set read while the first tab is active leaves the panel where it is).
  if (app.attachedPage != app.activePage) app.clock.Sleep(300);
  app.attachedPage = app.activePage;
  app.CurrentPageName = app.ActivePageName();
}

}  // namespace ruzer

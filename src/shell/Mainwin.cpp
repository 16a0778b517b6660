#include "shell/Mainwin.h"

#include <algorithm>
#include <cstdlib>

#include "conditions/Venv.h"
#include "shell/Vpage.h"
#include "shell/Vxsort.h"
#include "store/Convert.h"
#include "engine/Scollate.h"
#include "measure/Vcheck.h"
#include "restore/Vfind.h"
#include "sources/Srows.h"
#include "setup/Sinst.h"
#include "setup/dialogs.h"
#include "store/Spage.h"

#if __has_include("engine/Sbakup.h")
#include "engine/Sbakup.h"
#define RUZER_HAVE_BACKUP 1
#else
#define RUZER_HAVE_BACKUP 0
#endif

namespace ruzer {

void TabClicked(App& app, int index) {
  if (app.PageSwitchMuted) return;
  if (app.busy) {  // the tabs are disabled; the run chooses the pages
    app.view.SetActiveTab(app.activePage);
    return;
  }
  if (app.commandDepth > 0 && !app.PageLoading) {
    if (index < 0 || index >= static_cast<int>(app.pages.size())) return;
    app.pendingPage = index;
    app.view.AttachPagePanel();
    return;
  }
  EnterCommand(app);
  PageChanged(app, index);
  LeaveCommand(app);
}

void TreeWidthChanged(App& app, int width) {
  app.treeWidth = std::max(1, width);
  app.view.SetTreeWidth(app.treeWidth);
  WriteTreeWidth(app, app.treeWidth);
}

int FitTreeWidth(int clientWidth, int treeWidth) {
  const int w = clientWidth < treeWidth ? clientWidth - 20 : treeWidth;
  return std::max(1, w);
}

void FormResize(App& app) {
  const int client = app.view.ClientWidth();
  if (client > 0) app.treeWidth = FitTreeWidth(client, app.treeWidth);
  app.view.SetTreeWidth(app.treeWidth);
}

int FirstColumnWidth(int groupWidth, int otherColumns, int margin, int readable) {
  return std::max({1, readable, groupWidth - otherColumns - margin});
}

int NextSizeSortKey(int key, int column) {
  const int k = column + 1;
  return (std::abs(key) == k && key >= 0) ? -k : k;
}

namespace {
long long CellNumber(const std::wstring& text, bool dropCommas) {
  std::wstring t;
  for (wchar_t c : text)
    if (!(dropCommas && c == L',')) t += c;
  // Optional blanks and sign, then digits only; anything else counts as 0.
  size_t i = 0;
  while (i < t.size() && t[i] == L' ') ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == L'+' || t[i] == L'-')) neg = t[i++] == L'-';
  if (i == t.size()) return 0;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return 0;
    if (v > (9223372036854775807LL - 9) / 10) return 0;  // too big for a number
    v = v * 10 + (t[i] - L'0');
  }
  return neg ? -v : v;
}
}  // namespace

int CompareSizeCells(const std::wstring& a, const std::wstring& b, int key) {
  if (a == b || key == 0) return 0;
  const int column = std::abs(key) - 1;  // 0 caption, 1 comment, 2 No., 3 KB, 4 files
  int cmp;
  if (column >= 2 && column <= 4) {
    const long long x = CellNumber(a, column == 3), y = CellNumber(b, column == 3);
    cmp = x < y ? -1 : (x > y ? 1 : 0);
  } else {
    cmp = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                         b.c_str(), static_cast<int>(b.size())) -
          CSTR_EQUAL;
  }
  // Positive key: greater value first.
  return key > 0 ? -cmp : cmp;
}

void SortSizeRows(std::vector<std::vector<std::wstring>>& rows, int key) {
  const size_t column = static_cast<size_t>(std::abs(key)) - 1;
  if (key == 0) return;
  auto cell = [column](const std::vector<std::wstring>& r) -> const std::wstring& {
    static const std::wstring empty;
    return column < r.size() ? r[column] : empty;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    return CompareSizeCells(cell(a), cell(b), key) < 0;
  });
}

int SizeHeaderClicked(App& app, int column) {
  app.sizeSortKey = NextSizeSortKey(app.sizeSortKey, column);
  return app.sizeSortKey;
}

// ---------------------------------------------------------------- commands

CmdMenu MenuOf(Cmd c) {
  const int v = static_cast<int>(c);
  if (v <= static_cast<int>(Cmd::Exit)) return CmdMenu::File;
  if (v <= static_cast<int>(Cmd::Wiz)) return CmdMenu::Edit;
  if (v <= static_cast<int>(Cmd::Collate)) return CmdMenu::Function;
  if (v <= static_cast<int>(Cmd::RegDel)) return CmdMenu::Register;
  if (v <= static_cast<int>(Cmd::Abort)) return CmdMenu::Help;
  return CmdMenu::Popup;
}

bool CommandBuilt(Cmd c) {
  switch (c) {
    case Cmd::Exit:
    case Cmd::HelpTopic:
    case Cmd::VerInfo:
    case Cmd::Abort:
    case Cmd::HelpSourceList:
    case Cmd::HelpPage:
    case Cmd::HelpTree:
    case Cmd::HelpErrorList:
    case Cmd::TreeRefresh:
    case Cmd::Xopen:
    case Cmd::Xsort:
    case Cmd::PgAdd:
    case Cmd::PgDel:
    case Cmd::PgRen:
    case Cmd::PgOld:
    case Cmd::Env:
    case Cmd::Change:
    case Cmd::Add:
    case Cmd::Del:
    case Cmd::Svf:
    case Cmd::Exf:
    case Cmd::Dir:
    case Cmd::Wiz:
    case Cmd::Inst:
    case Cmd::RegDel:
      return true;
    case Cmd::Backup:
      return RUZER_HAVE_BACKUP != 0;
    case Cmd::Check:
    case Cmd::Verify:
    case Cmd::Find:
    case Cmd::Collate:
      return true;
    default:
      return false;
  }
}

bool FindAvailable(const App& app) { return !app.env.tamdir.empty(); }

bool CommandAvailable(App& app, Cmd c) {
  if (!CommandBuilt(c)) return false;
  switch (MenuOf(c)) {
    case CmdMenu::Help:
    case CmdMenu::Popup:
      return true;  // help, abort and the folder tree stay usable in busy mode
    default:
      // Busy mode and page loads disable these menus; a command still on the
      // stack (messages are pumped inside it) must not be entered a second time.
      if (app.busy || app.commandDepth != 0 || !app.view.MainMenusEnabled()) return false;
      return c != Cmd::Find || FindAvailable(app);
  }
}

namespace {
bool OpensDialog(Cmd c) {
  switch (c) {
    case Cmd::Exit:
    case Cmd::PgOld:
    case Cmd::HelpTopic:
    case Cmd::Abort:
    case Cmd::HelpSourceList:
    case Cmd::HelpPage:
    case Cmd::HelpTree:
    case Cmd::HelpErrorList:
    case Cmd::TreeRefresh:
      return false;
    default:
      return true;
  }
}
}  // namespace

void MainCommand(App& app, Cmd c, IMainWindowCommands* window) {
  if (!CommandAvailable(app, c)) return;
  if (c == Cmd::Abort) {  // runs inside the pump of a long operation
    AbortCommand(app);
    return;
  }
  EnterCommand(app);
  if (OpensDialog(c)) StatusMessage(app, L"");
  switch (c) {
    case Cmd::Exit:
      app.view.CloseWindow();
      break;
    case Cmd::HelpTopic:
      if (window) window->ShowHelpContents();
      break;
    case Cmd::VerInfo:
      if (window) window->ShowAbout();
      break;
    case Cmd::TreeRefresh:
      if (window) window->RefreshFolderTree();
      break;
    case Cmd::HelpSourceList:
    case Cmd::HelpTree:
      app.user.HelpByKeyword(L"保存元リストの編集");
      break;
    case Cmd::HelpPage:
      app.user.HelpByKeyword(L"設定ページの概要");
      break;
    case Cmd::HelpErrorList:
      app.user.HelpByKeyword(L"エラーリスト");
      break;
    case Cmd::Verify:
      if (app.verifyDialog) app.verifyDialog->Show();
      break;
    case Cmd::Find:
      if (app.findDialog) app.findDialog->Show();
      break;
    case Cmd::Xopen:
      OpenFileSet(app);
      break;
    case Cmd::Xsort:
      SortPages(app);
      break;
    case Cmd::PgAdd:
      AddPage(app);
      break;
    case Cmd::PgDel:
      DeletePage(app);
      break;
    case Cmd::PgRen:
      RenamePage(app);
      break;
    case Cmd::PgOld:
      ReconvertFromBackup(app);
      break;
    case Cmd::Env:
      OpenEnvDialog(app);
      break;
    case Cmd::Change:
      ChangeRow(app);
      break;
    case Cmd::Add:
      AddRow(app);
      break;
    case Cmd::Del:
      DeleteRows(app);
      break;
    case Cmd::Svf:
      BulkChange(app, BulkKind::Save);
      break;
    case Cmd::Exf:
      BulkChange(app, BulkKind::Exclude);
      break;
    case Cmd::Dir:
      BulkChange(app, BulkKind::Switch);
      break;
    case Cmd::Wiz:
      if (app.wizardDialog) app.wizardDialog->Show(app);
      break;
    case Cmd::Inst:
      if (app.menuRDialog) app.menuRDialog->Show(app);
      break;
    case Cmd::RegDel:
      RemoveRegistration(app);
      break;
#if RUZER_HAVE_BACKUP
    case Cmd::Backup:
      RunBackup(app);
      break;
#endif
    case Cmd::Check:
      if (app.checkDialog) app.checkDialog->Show();
      break;
    case Cmd::Collate:
      RunCollate(app);
      break;
    default:
      break;
  }
  LeaveCommand(app);
}

void SourceListActivated(App& app, IMainWindowCommands* window) {
  if (app.busy) return;
  MainCommand(app, Cmd::Change, window);
}

void EnterCommand(App& app) { ++app.commandDepth; }

void LeaveCommand(App& app) {
  if (app.commandDepth > 0) --app.commandDepth;
  if (app.commandDepth == 0) RunPendingPageChange(app);
}

}  // namespace ruzer

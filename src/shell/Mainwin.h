// Behaviour of the main window TfM, free of any HWND: tab clicks, resize,
// size-list sorting and the commands. The services every part uses (status
// line, bottom panel, busy mode, pump) are in base/services.h. The Win32
// window (FF1) forwards its events here and implements IMainView for the effects.
#pragma once

#include <string>
#include <vector>

#include "base/app.h"
#include "base/services.h"

namespace ruzer {

// The user clicked tab `index`. While another command runs (after an abort its
// loop may still be on the stack) the page is loaded once that command is over.
void TabClicked(App& app, int index);

// Splitter between folder tree and page area moved to `width` (96-DPI pixels).
void TreeWidthChanged(App& app, int width);

// FormResize: returns the folder-tree width to use for the given client width
// (at least 1).
int FitTreeWidth(int clientWidth, int treeWidth);
// Applies the resize rule to app.treeWidth and the view; a client width of 0
// (minimised) changes nothing.
void FormResize(App& app);

// Width of the source list's first column: what the other columns leave of
// the group less the margin, and never below `readable` (the list scrolls).
constexpr int kReadableColumnChars = 20;
int FirstColumnWidth(int groupWidth, int otherColumns, int margin, int readable);

// Size list sorting. Header click on column `column` (0-based): the new key.
int NextSizeSortKey(int key, int column);
// Comparison of two size-list cells on sort key `key` (<0 a before b, >0 after).
int CompareSizeCells(const std::wstring& a, const std::wstring& b, int key);
// Sorts rows of size-list cells (caption first) on `key`, keeping the order of equal rows.
void SortSizeRows(std::vector<std::vector<std::wstring>>& rows, int key);
// A click on size-list header `column`: updates app.sizeSortKey and returns it.
int SizeHeaderClicked(App& app, int column);

// ---------------------------------------------------------------- commands

// Every command of the menus, pop-up menus, tool bar and keys. The values are
// the Win32 command ids.
enum class Cmd : int {
  // ファイル
  Xopen = 40001,
  Xsort,
  PgAdd,
  PgDel,
  PgRen,
  PgOld,
  Exit,
  // 編集
  Env,
  Change,
  Add,
  Del,
  Dir,
  Svf,
  Exf,
  Wiz,
  // 機能
  Backup,
  Check,
  Verify,
  Find,
  Collate,
  // 登録
  Inst,
  RegDel,
  // ヘルプ
  HelpTopic,
  VerInfo,
  Abort,
  // pop-up menus
  HelpSourceList,
  HelpPage,
  HelpTree,
  HelpErrorList,
  TreeRefresh,
};

enum class CmdMenu { File, Edit, Function, Register, Help, Popup };

// Which main menu a command belongs to (pop-up items count as the menu of the
// command they run; the help and tree items as Popup).
CmdMenu MenuOf(Cmd c);

// The command exists in this build (commands of parts not built are greyed).
bool CommandBuilt(Cmd c);

// Whether the command may run now: built, and not refused by busy mode, by a
// page load (menus disabled) or by another command still running.
bool CommandAvailable(App& app, Cmd c);
// Finding a file needs a destination to search (menu item and tool button).
bool FindAvailable(const App& app);

// What only the window itself can do for a command.
class IMainWindowCommands {
 public:
  virtual ~IMainWindowCommands() = default;
  virtual void ShowHelpContents() = 0;  // help file at its contents
  virtual void ShowAbout() = 0;         // about box, modal
  virtual void RefreshFolderTree() = 0;
};

// Runs a command of the menus, tool bar, pop-ups or keys; does nothing when
// the command is not available.
void MainCommand(App& app, Cmd c, IMainWindowCommands* window = nullptr);

// Double click or Enter on the source list: the row change, except in busy mode.
void SourceListActivated(App& app, IMainWindowCommands* window = nullptr);

// Brackets around every window event handler that may run long; leaving the
// outermost one loads a tab chosen meanwhile.
void EnterCommand(App& app);
void LeaveCommand(App& app);

}  // namespace ruzer

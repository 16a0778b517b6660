// The process-wide state of Ruzer, shared by every part of the program.
// One instance lives for the whole run (tests make their own). All of it is
// used on the one UI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/model.h"
#include "base/ui.h"

namespace ruzer {

struct App {
  App(IUser& u, IMainView& v, IClock& c) : user(u), view(v), clock(c) {}
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  IUser& user;
  IMainView& view;
  IClock& clock;

  // Memo dialog of the backup run; null counts as cancelled.
  class IMemoDialog* memoDialog = nullptr;
  // Pattern dialog TfFname, shared by the folder settings and the backup conditions; null counts as cancelled.
  class IPatternDialog* patternDialog = nullptr;
  // Backup conditions TfEnv, page name TfPage, page order TfXsort and the
  // file-set open dialog; null counts as cancelled.
  class IEnvDialog* envDialog = nullptr;
  class IPageNameDialog* pageNameDialog = nullptr;
  class IPageSortDialog* pageSortDialog = nullptr;
  class IFileSetOpenDialog* fileSetOpenDialog = nullptr;
  // Folder settings dialog TfEdit of the row commands; null counts as cancelled.
  class IFolderDialog* folderDialog = nullptr;
  // Capacity dialog TfCheck; null: the command does nothing.
  class ICheckDialog* checkDialog = nullptr;
  // Backup data search TfVrfy (restore); null: the command does nothing.
  class IVerifyDialog* verifyDialog = nullptr;
  // Finding a lost file, TfFind (restore/Vfind.h); null: the command does nothing.
  class IFindDialog* findDialog = nullptr;
  // Easy set-up TfWiz and start-menu shortcuts TfMenuR (setup/dialogs.h); null: the command does nothing.
  class IWizardDialog* wizardDialog = nullptr;
  class IMenuRDialog* menuRDialog = nullptr;

  // ---- process-wide flags
  bool AutoMode = false;
  bool AbortRequested = false;
  bool StartMinimized = false;
  bool PageLoading = false;
  bool PageSwitchMuted = false;
  bool BackupFailed = false;
  bool rebuildingPages = false;  // ReadIndexFile is rebuilding the page list
  bool busy = false;  // between SetBusyMode on and off
  // Main-window commands on the stack; a second command that would start work
  // is refused while one runs (messages are pumped inside long operations).
  int commandDepth = 0;
  // Tab chosen while a page was loading; loaded once that load has finished.
  int pendingPage = -1;
  // Tab the page panel was last moved onto; it is made on the first tab.
  int attachedPage = 0;

  // ---- start-up
  // What the process returns: the outcome of an automatic run (0 for an
  // interactive start). See AutoRunExitCode.
  int ExitCode = 0;
  std::wstring programPath;  // full path of ruzer.exe
  std::wstring helpFile;     // program path with ".chm"; empty until first activation

  // ---- file set (index file)
  std::wstring FileSetFolder;  // ends in a backslash (empty only for a bare file name)
  std::wstring IndexFileName;  // e.g. "RUZER.IDX"
  std::vector<std::wstring> pages;  // page list = tab captions, in order
  int activePage = 0;               // index into pages
  std::wstring CurrentPageName;
  std::vector<IndexRow> PageIndexTable;  // [0] is the title row
  int SleepMs = 1000;
  // How long a run waits for a destination that another run holds, before it
  // skips that page.
  int DestinationWaitMs = 60000;
  int treeWidth = 150;
  double indexVersion = 6.0;
  // The index file exists but could not be read: it is not written over.
  bool IndexUnreadable = false;

  // ---- active page (page file)
  EnvPanel env;
  std::vector<SourceRow> rows;     // source list, sorted by caption
  std::vector<SourceRow> oldRows;  // old-version list
  // The active page file exists but could not be read: overwriting it needs the user's yes.
  bool PageUnreadable = false;
  int RowCount() const { return static_cast<int>(rows.size()); }

  // ---- progress of the long operation under way (base/progress.h)
  struct Progress {
    bool active = false;
    bool marquee = false;                     // no total known
    std::uint64_t totalItems = 0, totalBytes = 0;
    std::uint64_t items = 0, bytes = 0;       // met so far
    std::uint64_t startMs = 0, shownMs = 0;   // clock ticks
    std::wstring unit;                        // what is counted ("ファイル")
    ProgressView shown;                       // what the view has
  } progress;

  // ---- main window display state
  bool errorListMode = false;
  bool oldListShown = false;
  int sizeSortKey = 0;
  int bottomHeight = 1;  // current height of the bottom panel
  std::vector<std::wstring> errorLines;  // mirror of lbErr
  std::uint64_t lastPumpTick = 0;        // throttle for LetMessagesRun
  // List that started the drag under way: 1 source, 2 size, 3 old-version list; 0 none.
  int DragSourceKind = 0;

  std::wstring IndexPath() const { return FileSetFolder + IndexFileName; }
  std::wstring ActivePageName() const {
    return activePage >= 0 && activePage < static_cast<int>(pages.size()) ? pages[activePage]
                                                                          : std::wstring();
  }
};

}  // namespace ruzer

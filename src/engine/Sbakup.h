// The backup run: every settings page in tab order, each into a new generation
// folder of its destination (see Sbakini.h for the generation layout).
//
// Per folder the source and its mirror are listed once; a file is copied
// only when it is new or differs in size or by two seconds or more in time,
// and every copy that is replaced or drops out of the selection first moves into the
// previous generation. Failures of single files become error lines; a full
// destination stops the run.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

#include "base/app.h"
#include "engine/Sbakini.h"
#include "engine/Sdskio.h"

namespace ruzer {

// The whole run, from the memo dialog to the final status line. Called by the
// menu command and by automatic start-up; an automatic run leaves its exit
// code in app.ExitCode.
void RunBackup(App& app);

// Process exit codes of an automatic run, for schedulers.
enum AutoExitCode : int {
  kExitDone = 0,             // every page backed up or skipped as done today
  kExitWithErrors = 1,       // finished, but the error list has lines or a page was refused
  kExitStoppedByError = 2,   // full destination, previous generation not creatable
  kExitAborted = 3,          // the user aborted
  kExitFileSetUnusable = 4,  // the file set could not be found or read
  kExitNoWindow = 5,         // the program could not make its window: nothing ran
};
struct RunOutcome {
  bool fileSetUnusable = false;
  bool failed = false;   // BackupFailed
  bool aborted = false;  // AbortRequested
  int errorLines = 0;    // lines of the error list other than the page headers
  int pagesRefused = 0;  // pages whose preparation refused them
};
int AutoRunExitCode(const RunOutcome& outcome);
// Error-list lines other than the "{page} ページ." headers.
int CountErrorLines(const std::vector<std::wstring>& errorList);

// Every page in tab order; in automatic mode the window closes after the last.
void BackupAllPages(App& app, BackupState& state, const std::wstring& memo);
// Automatic mode: page `page` was backed up today and backs up once a day.
bool AlreadySavedToday(App& app, int page);
// The copying of the active page after PrepareBackup.
void BackupPage(App& app, BackupState& state, int page, const SYSTEMTIME& start);
void BackupRow(App& app, BackupState& state, int row);

// What one row selects, the same for all its folders.
struct RowFilter {
  std::wstring save;                  // packed save patterns
  std::wstring exclude;               // packed exclude patterns
  std::vector<std::wstring> excluded;  // excluded folders as full paths
};

// What the parent's listings already tell about a sub-folder and its mirror,
// so that the walk asks the file system nothing twice.
struct FolderFacts {
  DWORD srcAttributes = 0;
  const DirEntry* mirror = nullptr;  // the mirror's entry; null when it does not exist yet
};

// One source folder into its mirror; `previous` receives replaced copies
// (empty: there is no previous generation for it). `facts` null: look them up.
void BackupFolder(App& app, BackupState& state, const std::wstring& src, const std::wstring& mirror,
                  const std::wstring& previous, const RowFilter& filter, bool subfolders,
                  const FolderFacts* facts = nullptr);
// Files of the mirror (its listing `mirrorFiles`) that are not in `names`.
void RemoveStaleFiles(App& app, BackupState& state, const std::wstring& src,
                      const std::wstring& mirror, const std::wstring& previous,
                      const std::vector<std::wstring>& names,
                      const std::vector<DirEntry>& mirrorFiles);
// Every sub-folder of the mirror, for a folder backed up without sub-folders.
void RemoveAllSubfolders(App& app, BackupState& state, const std::wstring& src,
                         const std::wstring& mirror, const std::wstring& previous,
                         const std::vector<DirEntry>& mirrorFolders);
// The sub-folders of src depth-first, then the mirror's folders left over.
void BackupSubfolders(App& app, BackupState& state, const std::wstring& src,
                      const std::wstring& mirror, const std::wstring& previous,
                      const RowFilter& filter, const std::vector<DirEntry>& srcFolders,
                      const std::vector<DirEntry>& mirrorFolders);
// One file; srcDir and mirrorDir end in "\". The entries come from the
// listings (null: not there).
void BackupFile(App& app, BackupState& state, const std::wstring& srcDir,
                const std::wstring& mirrorDir, const std::wstring& previous,
                const std::wstring& name, const DirEntry* srcEntry, const DirEntry* mirrorEntry);

// A copy's time that counts as the source's: less than two seconds away in
// either direction (destinations round times: FAT up to two seconds, exFAT,
// network disks less). This takes in every pair of the same two-second step.
bool SameFileTime(const FILETIME& a, const FILETIME& b);

// "MEMO.TXT" of the new generation (prefixed "エラー: " / "中断: ").
void WriteMemo(App& app, BackupState& state, const std::wstring& memo);
// "ERROR.LOG" of the new generation, when the page had error lines.
void WriteErrorLog(App& app, BackupState& state);

}  // namespace ruzer

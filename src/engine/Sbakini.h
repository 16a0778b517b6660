// Generation folders in a page's destination: their names, the mirror of a
// source folder inside one, and the preparation of a run (checks, the new
// generation, removed rows, retention).
//
// Layout: destination\yymmddX (X = "A".."Z", the day's run) holds a copy of
// the page file, "MEMO.TXT", "ERROR.LOG" and one mirror folder per source
// row. The newest generation is a full mirror; an older one keeps only what
// the run after it replaced or removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

#include "base/app.h"
#include "engine/Sdigest.h"

namespace ruzer {

// State of the run for the page being backed up; rebuilt by PrepareBackup.
struct BackupState {
  std::wstring DestFolder;                   // tamdir with a trailing backslash
  std::vector<std::wstring> GenerationList;  // "20" + name of every generation, sorted
  std::wstring NewGeneration;                // the generation this run writes, trailing backslash
  std::wstring PreviousGeneration;           // receives replaced copies; no backslash; may be empty
  // -2 no generation yet, -1 the latest is not from today, 0..25 letter of today's latest.
  int TodayRunIndex = -2;
  // The page was backed up today already and the once-a-day rule skips it.
  bool doneToday = false;

  // For the whole run.
  std::vector<std::wstring> systemFiles;  // hiberfil.sys, pagefile.sys (lower case)
  // Error lines of the current page ("ERROR.LOG").
  std::vector<std::wstring> errorLog;
  // A little room held on the destination while the page is copied, so that
  // a full volume still takes the page's "ERROR.LOG" and "MEMO.TXT".
  std::wstring reserve;
  // When the free-space panel was last refreshed during the walk (app.clock).
  std::uint64_t freeSpaceTick = 0;
  // Pages of this run that their preparation refused (not the once-a-day skip).
  int pagesRefused = 0;
  // Files another program held (sharing or lock violation): tried once more
  // at the end of the page, at least kLockedRetryMs after its first try.
  struct HeldFile {
    std::wstring srcDir, mirrorDir, previous, name;
  };
  std::vector<HeldFile> heldFiles;
  std::uint64_t lastHeldTick = 0;  // app.clock, at the last of them
  bool secondTry = false;           // the files of heldFiles are being tried again
  // The run's work folder (kWorkFolderName in NewGeneration) while it copies.
  std::wstring workFolder;
  // The destination went away during the run (disk pulled, share dropped):
  // the run stopped with one error line.
  bool destinationLost = false;
  // The digest files of NewGeneration and PreviousGeneration.
  DigestBook newBook, prevBook;
};

// How long a file that another program holds gets before its second try.
inline constexpr std::uint64_t kLockedRetryMs = 5000;

// Folder of our own at a generation's root that holds the copies under way.
// No mirror can carry this name (a mirror starts with a drive letter or "_"),
// so whatever is found in it was left by a killed run.
inline constexpr wchar_t kWorkFolderName[] = L"~ruzer-work";

// Seven characters: six digits and a capital "A".."Z".
bool IsGenerationName(const std::wstring& name);
// Six characters of the old naming: five digits (the first not 8 or 9) and "A".."Z".
bool IsOldGenerationName(const std::wstring& name);
// "yymmdd" of a local date.
std::wstring DateName(const SYSTEMTIME& day);

// Relative name of a source folder's mirror inside a generation:
// D:\Data\Mail -> D_Data\Mail, D:\ -> D. A network folder \\srv\share\x
// becomes __srv\share\x, which cannot meet the mirror of a drive.
std::wstring MirrorName(const std::wstring& sourceFolder);

// "20" + name of every generation folder directly in `destination` (hidden,
// system and reparse-point folders are not generations), sorted.
std::vector<std::wstring> ListGenerations(App& app, const std::wstring& destination);
// Name of the latest generation in `destination` (seven characters) or empty.
std::wstring LatestGeneration(App& app, const std::wstring& destination);

// The index records a completed backup of page `page` today.
bool LastBackupIsToday(const App& app, int page);

// Everything before the copying of the active page: true when
// state.NewGeneration exists and the page may be backed up.
bool PrepareBackup(App& app, BackupState& state);
// The steps of PrepareBackup, in the order it calls them.
bool CheckDestination(App& app, BackupState& state);
void ConvertOldGenerations(App& app, BackupState& state);
bool StartGeneration(App& app, BackupState& state);
void MoveRemovedRows(App& app, BackupState& state);
void MoveRowMirror(App& app, BackupState& state, const std::wstring& folder);
// Moves a file or folder of the new generation to the same place in the
// previous one, and its digest entries with it. False when it did not move.
bool MoveToPrevious(BackupState& state, const std::wstring& from, const std::wstring& to, bool folder);
// Path of `full` below the generation `generation` (trailing backslash).
std::wstring BelowGeneration(const std::wstring& generation, const std::wstring& full);
void DeleteExpiredGenerations(App& app, BackupState& state);

// Free-space panel of the active page's destination: "空= 12.3 GB (45%)".
void ShowFreeSpace(App& app);
// The text after "空= " for the given free and total bytes.
std::wstring FreeSpaceText(std::int64_t free, std::int64_t total);

// Error line: path + " <エラー:" + code + "> " + system text. Goes to the
// error list and to the page's error log.
std::wstring ErrorLine(DWORD code, const std::wstring& path);
// `suffix` follows the line as it is (" (使用中: X.EXE)").
void AddErrorLine(App& app, BackupState& state, DWORD code, const std::wstring& path,
                  const std::wstring& suffix = {});

}  // namespace ruzer

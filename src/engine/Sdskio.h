// Disk, path and name services used all over the program: path kinds, forced
// deletion, copying with attributes, volume queries, the medium prompt, the
// checks of typed folder paths and names, and reported folder creation.
// Stateless; the only shared state touched is app.AbortRequested (a cancelled
// copy of a large file).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "base/app.h"

// winbase.h still carries a Win16 macro of this name.
#ifdef GetFreeSpace
#undef GetFreeSpace
#endif

namespace ruzer {

inline constexpr std::uint64_t kMegabyte = 1048576;
inline constexpr std::uint64_t kGigabyte = 1073741824;
// Files strictly larger than this are copied with the shell's progress dialog.
inline constexpr std::uint64_t kLargeFileThreshold = 10 * kMegabyte;
inline constexpr int kDefaultClusterSize = 256;

// Result of the volume queries: an error code (0 = success) and a text.
struct CodeAndText {
  DWORD code = 0;
  std::wstring text;
};

// Bytes free for the user and total bytes of a volume (-1/-1 or 0/0 on failure).
struct FreeSpaceInfo {
  std::int64_t free = 0;
  std::int64_t total = 0;
};

// The system's message for an error code: at most 256 characters, trailing
// control characters, blanks and full stops removed; empty for unknown codes.
std::wstring SystemErrorText(DWORD code);

std::wstring GetSpecialFolderPath(int csidl);
// "C:\" style root of the Windows folder; "c:\" when it cannot be read.
std::wstring WindowsDriveRoot();
// 0 nothing there, 1 a file, 2 a folder.
int PathKind(const std::wstring& path);
// Clears read-only/hidden/system first when needed, then deletes the file.
bool DeleteFileForced(const std::wstring& path);
// Deletes a folder with everything below it. A junction or symbolic link met
// inside the tree is removed as a link; what it points to is never touched.
// Shows "<path> フォルダが削除できません." when the emptied folder stays.
bool DeleteFolderTree(App& app, const std::wstring& path);
// Copies one file over the target (see CopyFileKeepAttributes). Files larger
// than kLargeFileThreshold go through the shell's copy with its progress
// dialog; a cancel there sets app.AbortRequested and gives a non-zero result.
// What the caller's folder listings already tell about a copy, so that it is
// not asked of the disk again. A stale listing costs a retry, never safety.
struct CopyHints {
  DWORD sourceAttributes = INVALID_FILE_ATTRIBUTES;  // unknown: read from the source
  bool targetKnown = false;                          // targetAttributes is from a listing
  DWORD targetAttributes = INVALID_FILE_ATTRIBUTES;  // with targetKnown: missing
  // Folder for the temporary file (same volume as the target); empty: beside
  // the target.
  std::wstring tempFolder;
};
// What a finished copy holds: its size, last-write time and the digest of
// its bytes (ContentHash). `known` is false when no digest could be taken (a
// large copy whose reading back was aborted).
struct CopiedFile {
  bool known = false;
  std::uint64_t size = 0;
  FILETIME lastWrite{};
  std::uint64_t digest = 0;
};
DWORD CopyOneFile(App& app, const std::wstring& source, const std::wstring& target,
                  std::uint64_t size, const CopyHints* hints = nullptr, CopiedFile* copied = nullptr);
// Copies source over target (a read-only target is overwritten) and gives the
// target the source's attributes and last-write time; 0 or the system error
// code (112 = disk full). The data goes to a temporary name beside the target
// first and replaces the target only when complete: a failed copy leaves the
// previous target as it was and no temporary file behind. `copied` receives
// the digest of the bytes as they were read.
DWORD CopyFileKeepAttributes(const std::wstring& source, const std::wstring& target,
                             const CopyHints* hints = nullptr, CopiedFile* copied = nullptr);
// Reads a file through and gives its digest; pumps messages and stops on
// app.AbortRequested (false then, and on a read error with its code in `error`).
// `lastWrite`: the file's time as the caller's listing has it, else asked.
bool DigestOfFile(App& app, const std::wstring& path, CopiedFile& result, DWORD* error = nullptr,
                  const FILETIME* lastWrite = nullptr);
CodeAndText GetVolumeLabel(const std::wstring& path);
CodeAndText GetFileSystemName(const std::wstring& path);
// Medium prompt for app.env.tamdir / app.env.volname (Retry/Cancel until the
// label matches); false when the user cancels. When the destination's drive
// lacks the medium and exactly one other drive carries the label, that drive
// is used for this time (app.env.tamdirFound, with a line in the error list).
bool CheckDestinationVolume(App& app);
// Drive roots ("F:\") whose volume carries `label` (exact), other than the
// drive of `except`.
std::vector<std::wstring> DrivesWithLabel(const std::wstring& label, const std::wstring& except);
// The same folder as `folder` on the one other drive whose volume carries
// `label`; empty when no drive or several do, or `folder` is no drive path.
std::wstring FolderOnLabelledDrive(const std::wstring& folder, const std::wstring& label);
// The destination folder to use now: tamdirFound when the medium was found
// on another drive, otherwise tamdir.
const std::wstring& DestinationOf(const EnvPanel& env);
// Programs that hold the file open, as the system's Restart Manager tells
// them ("OUTLOOK.EXE", several joined by ", "); empty when it cannot tell.
std::wstring ProgramsHoldingFile(const std::wstring& path);
// The folder (or a drive, share) answers as gone: not ready, no such path,
// the network name deleted. `code` is the error of the failed operation.
bool IsLostMediumError(DWORD code);
int ClusterSize(const std::wstring& path);
// 1 for A .. 26 for Z; 0 when the first character is not a letter.
int DriveNumber(const std::wstring& path);
FreeSpaceInfo GetFreeSpace(const std::wstring& path);
// True only for a folder that can be listed and holds nothing.
bool FolderIsEmpty(const std::wstring& path);
// Checks of user-typed folder paths and of names/patterns, with their warning.
bool CheckFolderPath(App& app, const std::wstring& path);
bool CheckName(App& app, const std::wstring& name, bool pattern);
// Creates the folder and its missing parents; error box and false on failure.
bool CreateFolderReported(App& app, const std::wstring& path);

// ---- helpers for the engine

// The "\\?\" form of a full drive path ("\\?\UNC\server\share\..." for UNC)
// so that paths longer than MAX_PATH work; the path is normalised first
// (separators, "." and ".."). Anything else (relative, device forms, empty)
// comes back unchanged.
std::wstring LongPath(const std::wstring& path);

// Case-free key of a file name or of a path of names: they compare without
// regard to letter case. Mostly ASCII, which needs no call.
std::wstring CaseFreeKey(const std::wstring& name);

// Names of the temporary files that CopyFileKeepAttributes/CopyOneFile create
// ("~ruzer-" + hex digits + ".tmp"). A user's file may carry such a name too:
// only where nothing but our own files lie (a generation's root, the work
// folder of a run) does the name make a file a leftover.
bool IsRuzerTempName(const std::wstring& name);

// One entry of a folder listing.
struct DirEntry {
  std::wstring name;
  DWORD attributes = 0;
  FILETIME lastWrite{};
  std::uint64_t size = 0;
};

// Lists the folder (no trailing backslash; "C:" for a drive root) once:
// files (every attribute) and folders, in listing order, "." and ".." left
// out. False when the folder cannot be listed; an empty folder gives true.
bool ListFolder(const std::wstring& folder, std::vector<DirEntry>& files,
                std::vector<DirEntry>& folders);
// The same listing handed over entry by entry, without copying names; `each`
// returns false to stop early. For folders of many thousand files.
bool ForEachListed(const std::wstring& folder, const std::function<bool(const WIN32_FIND_DATAW&)>& each);
// Attributes, time and size of one file or folder; false when it is missing.
bool LookupEntry(const std::wstring& path, DirEntry& entry);
// Renames/moves a file or folder (same volume), long paths allowed.
bool MovePath(const std::wstring& from, const std::wstring& to);

// A source folder the engine may read: "X:\..." or "\\server\share\...", no
// "." or ".." segments, no empty segments, no device forms, no characters
// Windows forbids in names.
bool IsSafeSourcePath(const std::wstring& path);
// An excluded-folder entry: relative (no drive, no leading backslash), no "."
// or ".." segments, no empty segments, no forbidden characters.
bool IsSafeRelativeFolder(const std::wstring& rel);
// One file or folder name as Windows itself would create it: no forbidden
// characters, no trailing dot or blank, no device name.
bool IsValidFileName(const std::wstring& name);

}  // namespace ruzer

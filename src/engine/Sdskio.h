// The backup's own disk work: copying with attributes and digests, volume
// queries, free space, the medium prompt and the names of our temporary
// files (the disk services every part uses are in base/disk.h).
// Stateless; the only shared state touched is app.AbortRequested (a cancelled
// copy of a large file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

#include "base/app.h"
#include "base/disk.h"

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
// Names of the temporary files that CopyFileKeepAttributes/CopyOneFile create
// ("~ruzer-" + hex digits + ".tmp"). A user's file may carry such a name too:
// only where nothing but our own files lie (a generation's root, the work
// folder of a run) does the name make a file a leftover.
bool IsRuzerTempName(const std::wstring& name);

}  // namespace ruzer

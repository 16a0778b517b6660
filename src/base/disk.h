// Disk, path and name services used all over the program: path kinds, long
// paths, forced deletion, folder listings and creation, the system's error
// texts and the checks of typed folder paths and names.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "base/app.h"

namespace ruzer {

// The system's message for an error code: at most 256 characters, trailing
// control characters, blanks and full stops removed; empty for unknown codes.
std::wstring SystemErrorText(DWORD code);

std::wstring GetSpecialFolderPath(int csidl);
// "C:\" style root of the Windows folder; "c:\" when it cannot be read.
std::wstring WindowsDriveRoot();
// 0 nothing there, 1 a file, 2 a folder.
int PathKind(const std::wstring& path);
// A file (not a folder) is there; the path as given, relative ones too.
bool IsExistingFile(const std::wstring& path);
// Clears read-only/hidden/system first when needed, then deletes the file.
bool DeleteFileForced(const std::wstring& path);
// Creates `path` and its missing parents; 0 or the error of the step that failed.
DWORD CreateFolderPath(const std::wstring& path);
// Deletes a folder with everything below it. A junction or symbolic link met
// inside the tree is removed as a link; what it points to is never touched.
// Shows "<path> フォルダが削除できません." when the emptied folder stays.
bool DeleteFolderTree(App& app, const std::wstring& path);
// True only for a folder that can be listed and holds nothing.
bool FolderIsEmpty(const std::wstring& path);
// Checks of user-typed folder paths and of names/patterns, with their warning.
bool CheckFolderPath(App& app, const std::wstring& path);
bool CheckName(App& app, const std::wstring& name, bool pattern);
// Creates the folder and its missing parents; error box and false on failure.
bool CreateFolderReported(App& app, const std::wstring& path);

// "X:\..." (or the bare "X:" that stands for a drive root) and "\\server\...".
bool IsDrivePath(const std::wstring& path);
bool IsUncPath(const std::wstring& path);
// GetFileAttributesW through LongPath; INVALID_FILE_ATTRIBUTES for an empty path.
DWORD PathAttributes(const std::wstring& path);

// The "\\?\" form of a full drive path ("\\?\UNC\server\share\..." for UNC)
// so that paths longer than MAX_PATH work; the path is normalised first
// (separators, "." and ".."). Anything else (relative, device forms, empty)
// comes back unchanged.
std::wstring LongPath(const std::wstring& path);

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

// Which folders of a source row are visited and which files in each of them
// belong to the backup. Shared by the backup run and the capacity measurement.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/app.h"
#include "engine/Sdskio.h"
#include "store/model.h"

namespace ruzer {

// A pattern with "*" or "?" is a wildcard, otherwise a literal name.
bool IsWildcardPattern(const std::wstring& pattern);
// Wildcard match on the long name, ignoring case: "*" any run (also none),
// "?" exactly one character; a trailing ".*" also matches a name that ends
// there, so "*.*" matches every name, also names without a dot.
bool MatchPattern(const std::wstring& pattern, const std::wstring& name);
// The same on a pattern and a name both lower-cased by LowerText already (a
// search over many names lowers each pattern once).
bool MatchLowered(const std::wstring& pattern, const std::wstring& name);

// Files directly in `folder` (no trailing backslash; "C:" for a root) that the
// packed save patterns select and the packed exclude patterns do not.
std::vector<std::wstring> SelectFiles(const std::wstring& folder, const std::wstring& save,
                                      const std::wstring& exclude);
// The same on a listing already read with ListFolder (`files` only).
std::vector<std::wstring> SelectFiles(const std::vector<DirEntry>& files,
                                      const std::wstring& save, const std::wstring& exclude);

// A folder whose attributes cannot be read or that is a reparse point
// (junction, symbolic link) is not visited and not walked below.
bool IsSkippedFolder(const std::wstring& path);
bool IsSkippedAttributes(DWORD attributes);
// Whether the full path of a sub-folder is one of the row's excluded folders.
bool IsExcludedFolder(const SourceRow& row, const std::wstring& path);
// The same against full paths made by ExpandExcludedFolders.
bool IsExcludedFolder(const std::vector<std::wstring>& excludedFull, const std::wstring& path);

// The row's source folder without its trailing backslash ("C:" for a root).
std::wstring RowSourceFolder(const SourceRow& row);
// Save patterns not empty and the source folder an existing folder.
bool RowIsWalked(const SourceRow& row);
// Sub-folder switch exactly "o".
bool RowIncludesSubfolders(const SourceRow& row);

// Visits the row's folders in walk order (the source folder first, then its
// sub-folders depth-first in listing order when the switch is on), skipping
// reparse points, unreadable folders and excluded folders. The visitor gets
// each folder's listing; returning false stops the walk. Lets messages run
// and stops on app.AbortRequested. Returns false when stopped.
using FolderVisitor = std::function<bool(const std::wstring& folder,
                                         const std::vector<DirEntry>& files,
                                         const std::vector<DirEntry>& folders)>;
bool WalkRowFolders(App& app, const SourceRow& row, const FolderVisitor& visit);

// The two files a backup never copies: hiberfil.sys and pagefile.sys on the
// root of the Windows drive, as lower-case full paths.
std::vector<std::wstring> SystemFilePaths();
// srcDir ends in "\"; true when srcDir is a drive root and srcDir + name is
// one of `systemFiles` (compared after lower-casing).
bool IsSystemFile(const std::vector<std::wstring>& systemFiles, const std::wstring& srcDir,
                  const std::wstring& name);

}  // namespace ruzer

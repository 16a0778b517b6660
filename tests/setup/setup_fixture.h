// Helpers of the set-up tests: folders, a full disk, a small file set on disk.
#pragma once

#include <string>
#include <vector>

#include "store/model.h"

namespace ruzer::test {

// Creates the folder and its missing parents.
void MakeFolders(const std::wstring& path);
// Writes zeros into `path` until its drive is full.
void FillDisk(const std::wstring& path);

// Writes a file set of one page "Home" (index + page file) whose
// destination is `dest` and whose rows back up the given folders.
void WriteFileSet(const std::wstring& indexPath, const std::wstring& dest,
                  const std::vector<std::wstring>& sourceFolders);

}  // namespace ruzer::test

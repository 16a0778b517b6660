// The lines of a page file as the program writes them, for fixtures that
// set up pages on disk.
#pragma once

#include <string>
#include <vector>

#include "store/model.h"

namespace ruzer::test {

std::vector<std::wstring> PageFileLines(const EnvPanel& env, const std::vector<SourceRow>& rows,
                                        const std::wstring& version = L"6.00");
// The lines of an index file of this version with these pages (name,
// destination, label, last backup); `ruzerExtra` ends its [Ruzer] section.
std::vector<std::wstring> IndexFileLines(const std::vector<IndexRow>& pages,
                                         const std::vector<std::wstring>& ruzerExtra = {});

}  // namespace ruzer::test

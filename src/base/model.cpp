#include "base/model.h"

namespace ruzer {

std::wstring GetExcludedFolders(const SourceRow& row) { return row.excluded; }

void SetExcludedFolders(const std::wstring& text, SourceRow& row, bool append) {
  if (text.empty()) {
    // Appending nothing keeps the list; replacing with nothing empties it.
    if (!append) row.excluded.clear();
    return;
  }
  if (append && !row.excluded.empty())
    row.excluded += L":" + text;
  else
    row.excluded = text;
}

}  // namespace ruzer

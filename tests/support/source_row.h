// A source-folder row for tests, named field by field:
//   Row({.caption = L"C:\\Data", .exclude = L"*.tmp"})
// Fields not named are empty, but for the two a row is rarely without: every
// file saved ("*.*") and sub-folders included ("o").
#pragma once

#include <string>

#include "store/model.h"

namespace ruzer::test {

// SourceRow's members in its order (designated initialisers must follow it),
// with a new row's save pattern and sub-folder mark. Every member has an
// initialiser, so leaving fields out is no warning.
struct RowFields {
  std::wstring caption{};
  std::wstring comment{};
  std::wstring no{};
  std::wstring size{};
  std::wstring save = L"*.*";
  std::wstring exclude{};
  std::wstring mark = L"o";
  std::wstring excluded{};
};

inline SourceRow Row(const RowFields& f) {
  return SourceRow{.caption = f.caption, .comment = f.comment, .no = f.no, .size = f.size, .save = f.save,
                   .exclude = f.exclude, .mark = f.mark, .excluded = f.excluded};
}

}  // namespace ruzer::test

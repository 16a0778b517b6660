// Restore tests: a destination with generation folders laid out by hand (or
// by the real backup run), a search folder, the dialog's behaviour driven
// through a fake view and the scripted user.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/backup_fixture.h"
#include "restore/Vrest.h"
#include "restore/Vvrfy.h"

namespace ruzer::test {

class FakeRestView : public IRestView {
 public:
  std::wstring status;
  std::vector<std::wstring> statusHistory;
  bool restoreEnabled = true;
  GridRange selection{1, 0, 1, 0};
  int defaultWidth = 0;
  std::vector<std::pair<int, int>> columnWidths;
  int reloads = 0;

  void SetStatus(const std::wstring& text) override {
    status = text;
    statusHistory.push_back(text);
  }
  void SetRestoreEnabled(bool enabled) override { restoreEnabled = enabled; }
  void GridReloaded() override { ++reloads; }
  void CellsChanged() override {}
  GridRange Selection() override { return selection; }
  void SetDefaultColumnWidth(int width) override { defaultWidth = width; }
  void SetColumnWidth(int column, int width) override { columnWidths.emplace_back(column, width); }
};

inline FILETIME LastWriteOf(const std::wstring& path) {
  DirEntry e;
  LookupEntry(path, e);
  return e.lastWrite;
}

inline DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(LongPath(path).c_str()); }

class RestoreTest : public ::testing::Test {
 protected:
  TempDir tmp;
  TestApp t;
  FakeRestView view;
  RestState st;
  std::wstring dest = tmp / L"dest";
  std::wstring folder = tmp / L"work\\F";

  void SetUp() override {
    MakeFolder(dest);
    t.app.env.tamdir = dest;
  }
  App& app() { return t.app; }

  // Path of `name` inside generation `gen`'s mirror of the search folder.
  std::wstring InGen(const std::wstring& gen, const std::wstring& name, const std::wstring& of = L"") {
    return dest + L"\\" + gen + L"\\" + MirrorName(of.empty() ? folder : of) + L"\\" + name;
  }
  // Lines of the search dialog for these generations (oldest first).
  static std::vector<std::wstring> Lines(const std::vector<std::wstring>& gens) {
    std::vector<std::wstring> lines;
    for (const auto& g : gens) lines.push_back(GenerationLine(g, L""));
    return lines;
  }
  void Open(const std::vector<std::wstring>& gens, int selected = 0, const std::wstring& searchFolder = L"") {
    OpenRestore(t.app, st, view, RestoreRequest{searchFolder.empty() ? folder : searchFolder, Lines(gens), selected});
  }
  int Row(const std::wstring& name) { return st.grid.FindName(name); }
  std::wstring Text(int row, int column) {
    std::wstring s;
    st.grid.CellText(row, column, s);
    return s;
  }
  std::wstring Text(const std::wstring& name, int column) { return Text(Row(name), column); }
  void Select(int top, int left, int bottom, int right) { view.selection = {top, left, bottom, right}; }
};

}  // namespace ruzer::test

// A file set of one or more pages in a temp folder for the capacity
// measurement: sources under src, destination under dest, page files written
// from the rows, and a main view that keeps the size list and column widths.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/app.h"
#include "measure/Vcheck.h"
#include "support/scripted.h"
#include "support/source_row.h"
#include "support/text.h"

namespace ruzer::test {

class MeasureView : public FakeView {
 public:
  std::vector<std::vector<std::wstring>> sizeRows;
  int columnWidths[7] = {200, 80, 50, 60, 150, 150, 40};
  int sizeFirstWidth = 200;
  int scrolls = 0;
  void SizeListClear() override { sizeRows.clear(); }
  void SizeListAdd(const std::vector<std::wstring>& cells) override { sizeRows.push_back(cells); }
  void SizeListSetCell(int row, int column, const std::wstring& text) override {
    sizeRows.at(static_cast<size_t>(row)).at(static_cast<size_t>(column)) = text;
  }
  std::vector<std::vector<std::wstring>> SizeListRows() override { return sizeRows; }
  void SizeListScrollToEnd() override { ++scrolls; }
  int SourceColumnWidth(int c) override { return columnWidths[c]; }
  void SetSourceColumnWidth(int c, int w) override { columnWidths[c] = w; }
  void SetSizeColumnWidth(int c, int w) override {
    if (c == 0) sizeFirstWidth = w;
  }
};

// Records every display the measurement draws.
class RecordingCheckView : public ICheckView {
 public:
  std::vector<CheckDisplay> shown;
  void Refresh(const CheckDisplay& d) override { shown.push_back(d); }
};

struct MeasureApp {
  ScriptedUser user;
  MeasureView view;
  FakeClock clock;
  App app{user, view, clock};
};

// Writes a file of `content` (parents made).
void PutFile(const std::wstring& path, const std::string& content);
void MakeFolders(const std::wstring& path);
// Text of a page file for these conditions and rows, at format version `version`.
std::string PageFile(const EnvPanel& env, const std::vector<SourceRow>& rows,
                     const std::wstring& version = L"6.00");

struct MeasureFixture : ::testing::Test {
  TempDir tmp;
  MeasureApp t;
  RecordingCheckView checkView;
  CapacityCheck check{t.app, &checkView};
  std::wstring src, dest, sets;

  MeasureFixture();
  App& app() { return t.app; }
  // Replaces the page's rows (sorted by caption as the source list keeps them) and writes its file.
  void SetRows(std::vector<SourceRow> rows);
  // Pages named P1..Pn; page i gets rows[i] and the destination dest + "\\" + name.
  void SetPages(const std::vector<std::vector<SourceRow>>& rows, const std::vector<std::wstring>& versions = {});
  const CheckDisplay& shown() const { return check.display(); }
  // The size list as the main window shows it.
  const std::vector<std::vector<std::wstring>>& sizeList() const { return t.view.sizeRows; }
  // Line of the size list for a folder, or null.
  const std::vector<std::wstring>* Line(const std::wstring& folder) const;
};

}  // namespace ruzer::test

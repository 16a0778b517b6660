// A one-page file set whose source folders exist on disk, for the row
// operations and commands: the page file can be read back and compared.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/Sledit.h"
#include "store/Spage.h"
#include "store/store_fixture.h"
#include "support/drives.h"

namespace ruzer::test {

inline std::vector<std::wstring> Captions(const std::vector<SourceRow>& rows) {
  std::vector<std::wstring> c;
  for (const auto& r : rows) c.push_back(r.caption);
  return c;
}

// Full path of `rel` below `root`, created with its parents.
inline std::wstring MakeFolderBelow(const std::wstring& root, const std::wstring& rel) {
  std::wstring path = root;
  size_t start = 0;
  while (start <= rel.size()) {
    size_t end = rel.find(L'\\', start);
    if (end == std::wstring::npos) end = rel.size();
    path += L"\\" + rel.substr(start, end - start);
    CreateDirectoryW(path.c_str(), nullptr);
    start = end + 1;
  }
  return path;
}

// The rows of the active page's file as a fresh load sees them.
inline std::vector<SourceRow> PageFileRows(const App& app) {
  TestApp other;
  other.app.FileSetFolder = app.FileSetFolder;
  other.app.IndexFileName = app.IndexFileName;
  other.app.pages = app.pages;
  other.app.activePage = app.activePage;
  other.app.PageIndexTable = app.PageIndexTable;
  ReadPageFile(other.app, false);
  RenumberRows(other.app, true);
  return other.app.rows;
}

// Rows for these sub-folders of `root` (created), sorted, numbered and
// written to the page file.
inline void WriteRowsBelow(App& app, const std::wstring& root, const std::vector<SourceRow>& rows) {
  app.rows.clear();
  for (auto r : rows) {
    r.caption = MakeFolderBelow(root, r.caption);
    app.rows.push_back(r);
  }
  RenumberRows(app, true);
  ASSERT_TRUE(WritePageFile(app));
}

// What the list shows must be what the file holds (No. and size are not stored).
inline void ExpectRowsMatchFile(const App& app) {
  auto disk = PageFileRows(app);
  auto shown = app.rows;
  for (auto* v : {&disk, &shown})
    for (auto& r : *v) r.size.clear();
  EXPECT_EQ(shown, disk);
}

class SourcesTest : public OnePageTest {
 protected:
  void SetUp() override {
    OnePageTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(root().c_str(), nullptr));
  }

  // Folder with the sources; rows are made of its sub-folders.
  std::wstring root() const { return dir / L"src"; }
  // Full path below root(), created with its parents.
  std::wstring Folder(const std::wstring& rel) const { return MakeFolderBelow(root(), rel); }

  // Rows for these sub-folders of root(), sorted and numbered, written to the page file.
  void Page(const std::vector<SourceRow>& rows) { WriteRowsBelow(app, root(), rows); }

  std::vector<SourceRow> DiskRows() { return PageFileRows(app); }

  void ExpectListMatchesFile() {
    ExpectRowsMatchFile(app);
    EXPECT_EQ(&app.rows, t.view.rows);
  }

  std::wstring PageWriteFailed(DWORD error) const {
    return L"設定ページファイル\"" + Pag(L"P") + L"\"の書き込み失敗．（エラー " + std::to_wstring(error) + L"）\r\n" +
           kHint;
  }
};

// Makes a file read-only for the life of the object.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(std::wstring path) : path_(std::move(path)) {
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ~ReadOnlyFile() { SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }

 private:
  std::wstring path_;
};

// Holds a file open without sharing, as another program that locked it.
class LockedFile {
 public:
  explicit LockedFile(const std::wstring& path)
      : h_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~LockedFile() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace ruzer::test

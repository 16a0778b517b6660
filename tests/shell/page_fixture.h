// A file set of three pages on disk, loaded, with scripted page dialogs.
#pragma once

#include <deque>

#include "engine/disk_helpers.h"
#include "shell/Vpage.h"
#include "shell/Vxsort.h"
#include "store/store_fixture.h"

namespace ruzer::test {

// Each Show takes the next list of names and "types" them one after the
// other, pressing OK each time; when the list runs out it presses Cancel.
class ScriptedPageNameDialog : public IPageNameDialog {
 public:
  std::deque<std::vector<std::wstring>> typing;
  std::vector<std::wstring> captions, initialNames;
  std::vector<std::vector<std::wstring>> listsShown;
  bool Show(App& app, PageNameState& s) override {
    captions.push_back(s.caption);
    initialNames.push_back(s.keepName ? kept : s.name);
    listsShown.push_back(s.existing);
    if (typing.empty()) {
      ADD_FAILURE() << "unexpected page name dialog";
      return false;
    }
    const auto names = typing.front();
    typing.pop_front();
    for (const auto& n : names) {
      s.name = n;
      const bool ok = PageNameConfirm(app, s);
      kept = s.name;
      if (ok) return true;
    }
    return false;
  }
  std::wstring kept;
};

// Moves rows as listed, then OK (or Cancel).
class ScriptedSortDialog : public IPageSortDialog {
 public:
  std::vector<std::pair<int, int>> moves;
  bool ok = true;
  PageSortState seen;
  bool Show(App&, PageSortState& s) override {
    seen = s;
    for (auto [from, to] : moves) MovePageRow(s, from, to);
    return ok;
  }
};

// Reports the selections listed, then returns the answer.
class ScriptedOpenDialog : public IFileSetOpenDialog {
 public:
  std::vector<std::wstring> selections;
  std::optional<std::wstring> answer;
  FileSetOpenRequest seen;
  std::optional<std::wstring> Show(App&, const FileSetOpenRequest& r) override {
    seen = r;
    for (const auto& s : selections) r.onSelection(s);
    return answer;
  }
};

class PageTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    WriteIndex({{L"", L"A", L"E:\\A", L"", L"2010/06/20 10:00:00"},
                {L"", L"B", L"E:\\B", L"VB", L""},
                {L"", L"C", L"E:\\C", L"", L""}});
    for (const wchar_t* p : {L"A", L"B", L"C"}) {
      std::vector<std::wstring> lines = EmptyPageLines();
      lines[2] = std::wstring(L"Path=E:\\") + p;
      if (p == std::wstring(L"B")) lines[3] = L"Labl=VB";
      ASSERT_TRUE(WriteBytes(Pag(p), Utf16File(lines)));
    }
    ReadIndexFile(app);
    ASSERT_EQ(3u, app.pages.size());
    app.pageNameDialog = &names;
    app.pageSortDialog = &sorter;
    app.fileSetOpenDialog = &opener;
  }

  // Index lines of a file set with these page rows (name, dest, label, last).
  std::vector<std::wstring> IndexOf(const std::vector<IndexRow>& rows) const { return IndexFileLines(rows); }
  IndexRow R(const std::wstring& name, const std::wstring& dest, const std::wstring& label = L"",
             const std::wstring& last = L"") {
    return IndexRow{L"", name, dest, label, last};
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> n;
    for (size_t i = 1; i < app.PageIndexTable.size(); ++i) n.push_back(app.PageIndexTable[i].name);
    return n;
  }

  ScriptedPageNameDialog names;
  ScriptedSortDialog sorter;
  ScriptedOpenDialog opener;
};

// Holds a file open the way another program might: others may read it, but
// not write, rename or delete it.
class HeldOpen {
 public:
  explicit HeldOpen(const std::wstring& path)
      : h_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldOpen() { Close(); }
  void Close() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace ruzer::test

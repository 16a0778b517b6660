// Restore through the real dialogs: three days of backups by the real run,
// then the search dialog, the result grid, a rectangle across two
// generations, and the files that come back compared with their versions.
#include <map>

#include "restore/Vrest_view.h"
#include "restore/Vvrfy_view.h"
#include "restore_fixture.h"
#include "support/dialog_driver.h"

namespace ruzer::test {
namespace {

struct Version {
  std::string bytes;
  FILETIME time{};
};

// Every file of a generation's mirror of `folder`: name -> contents and time.
std::map<std::wstring, Version> VersionsIn(const std::wstring& mirror) {
  std::map<std::wstring, Version> out;
  std::vector<DirEntry> files, folders;
  ListFolder(mirror, files, folders);
  for (const auto& f : files) out[f.name] = {ReadBytes(mirror + L"\\" + f.name), f.lastWrite};
  return out;
}

std::wstring GridText(HWND grid, int row, int column) {
  std::wstring s;
  SendMessageW(grid, kGridGetCellText, MAKEWPARAM(row, column), reinterpret_cast<LPARAM>(&s));
  return s;
}

POINT CellCenter(HWND grid, int row, int column) {
  RECT r{};
  SendMessageW(grid, kGridGetCellRect, MAKEWPARAM(row, column), reinterpret_cast<LPARAM>(&r));
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Mouse(HWND grid, UINT msg, POINT p, WPARAM keys) { SendMessageW(grid, msg, keys, MAKELPARAM(p.x, p.y)); }

std::wstring StatusText(HWND bar) {
  wchar_t buf[256] = {};
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
  return buf;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

class RestoreDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanShowWindows()) GTEST_SKIP() << "no display for windows";
  }
};

TEST_F(RestoreDialogs, ThreeDaysOfBackupsThenARectangleAcrossTwoGenerationsComesBack) {
  BackupFixture f;
  App& app = f.app();
  const std::wstring& src = f.src;
  f.AddRow(src);
  // Day 1: a, b, c.
  f.memo.answer = L"初回";
  Put(src + L"\\a.txt", "a version 1");
  Put(src + L"\\b.txt", "b version 1");
  Put(src + L"\\c.txt", "c version 1");
  f.Day(2010, 5, 1);
  f.Backup();
  // Day 2: a changed, b deleted, d new.
  f.memo.answer = L"";
  Put(src + L"\\a.txt", "a version 2, longer");
  DeleteFileW(LongPath(src + L"\\b.txt").c_str());
  Put(src + L"\\d.txt", "d version 1");
  f.Day(2010, 5, 2);
  f.Backup();
  // Day 3: a changed again, b made anew, c deleted.
  f.memo.answer = L"三日目\r\n二行目";
  Put(src + L"\\a.txt", "a3");
  Put(src + L"\\b.txt", "b made again");
  DeleteFileW(LongPath(src + L"\\c.txt").c_str());
  f.Day(2010, 5, 3);
  f.Backup();
  ASSERT_EQ((std::vector<std::wstring>{L"100501A", L"100502A", L"100503A"}), Generations(f.dest));
  const std::vector<std::wstring> gens = {L"100503A", L"100502A", L"100501A"};  // grid columns 2, 3, 4
  std::map<std::wstring, std::map<std::wstring, Version>> versions;
  for (const auto& g : gens) versions[g] = VersionsIn(f.Mirror(g, src));
  // What the run kept where: the newest is the mirror, the older ones what was replaced.
  ASSERT_EQ("a version 2, longer", versions[L"100502A"][L"a.txt"].bytes);
  ASSERT_EQ("a version 1", versions[L"100501A"][L"a.txt"].bytes);
  ASSERT_EQ("b version 1", versions[L"100501A"][L"b.txt"].bytes);
  ASSERT_EQ("c version 1", versions[L"100502A"][L"c.txt"].bytes);

  f.t.view.treeFolder = src;
  TfRest results(app);
  TfVrfy search(app, &results);
  std::vector<std::wstring> lines, names;
  std::wstring dirShown, statusAfterSearch, statusAfterRestore, dirAfter;
  int selectedLine = -2;
  bool searchEnabled = false;
  std::map<std::wstring, std::wstring> nowAfter;  // "現在" after the restore, by name
  std::map<std::wstring, int> rowOf;
  GridRange chosen;

  DialogDriver d;
  d.on(L"復元ファイルの検索",
       [&](DialogHandle& dlg) {
         lines = dlg.rows(TfVrfy::kLsPast);
         auto sel = dlg.selectedRows(TfVrfy::kLsPast);
         selectedLine = sel.empty() ? -1 : sel[0];
         dirShown = dlg.text(TfVrfy::kEdDir);
         searchEnabled = dlg.enabled(IDOK);
         dlg.press(IDOK);
       })
      .on(L"復元ファイルの検索結果",
          [&](DialogHandle& dlg) {
            HWND grid = dlg.item(TfRest::kGd);
            statusAfterSearch = StatusText(dlg.item(TfRest::kStsBar));
            for (int r = 1; !GridText(grid, r, 0).empty(); ++r) {
              names.push_back(GridText(grid, r, 0));
              rowOf[names.back()] = r;
            }
            // The rectangle: every file row, the two older generations.
            const int last = static_cast<int>(names.size());
            Mouse(grid, WM_LBUTTONDOWN, CellCenter(grid, 1, 3), MK_LBUTTON);
            Mouse(grid, WM_MOUSEMOVE, CellCenter(grid, last, 4), MK_LBUTTON);
            Mouse(grid, WM_LBUTTONUP, CellCenter(grid, last, 4), 0);
            SendMessageW(grid, kGridGetSelection, 0, reinterpret_cast<LPARAM>(&chosen));
            dlg.press(TfRest::kBtnRest);
          })
      .on(L"復元ファイルの検索結果",
          [&](DialogHandle& dlg) {
            HWND grid = dlg.item(TfRest::kGd);
            statusAfterRestore = StatusText(dlg.item(TfRest::kStsBar));
            for (const auto& [name, row] : rowOf) nowAfter[name] = GridText(grid, row, 1);
            dlg.press(IDCANCEL);
          })
      .on(L"復元ファイルの検索", [&](DialogHandle& dlg) {
        dirAfter = dlg.text(TfVrfy::kEdDir);
        dlg.press(IDCANCEL);
      });
  search.Show();
  ASSERT_TRUE(d.done()) << d.stepsRun() << " steps ran";
  f.t.user.VerifyDone();

  EXPECT_EQ((std::vector<std::wstring>{L"10年 05月 01日 A : 初回", L"10年 05月 02日 A", L"10年 05月 03日 A : 三日目"}),
            lines);
  EXPECT_EQ(0, selectedLine);
  EXPECT_EQ(src, dirShown);
  EXPECT_TRUE(searchEnabled);
  EXPECT_EQ(L"検索完了．", statusAfterSearch);
  ASSERT_EQ(4u, names.size());
  EXPECT_EQ(L"c.txt", names.back()) << "a name only the generations hold comes after the folder's files";
  EXPECT_EQ((GridRange{1, 3, 4, 4}), chosen);
  EXPECT_EQ(L"復元完了.", statusAfterRestore);
  EXPECT_EQ(src, dirAfter);
  EXPECT_FALSE(app.AbortRequested);

  // Each row ends with the oldest selected version it has; rows without one keep their file.
  for (const auto& name : names) {
    const Version* expected = nullptr;
    for (const auto& g : {L"100502A", L"100501A"}) {
      auto it = versions[g].find(name);
      if (it != versions[g].end()) expected = &it->second;
    }
    const std::wstring path = src + L"\\" + name;
    if (!expected) {
      EXPECT_EQ(versions[L"100503A"][name].bytes, ReadBytes(path)) << Utf8(name) << " was not selected";
      continue;
    }
    EXPECT_EQ(expected->bytes, ReadBytes(path)) << Utf8(name);
    EXPECT_TRUE(SameTime(expected->time, LastWriteOf(path))) << Utf8(name);
    EXPECT_EQ(FormatCellTime(CellTimeOfFile(expected->time)), nowAfter[name]) << Utf8(name);
  }
  EXPECT_EQ("a version 1", ReadBytes(src + L"\\a.txt"));
  EXPECT_EQ("b version 1", ReadBytes(src + L"\\b.txt"));
  EXPECT_EQ("c version 1", ReadBytes(src + L"\\c.txt"));
  EXPECT_EQ("d version 1", ReadBytes(src + L"\\d.txt"));
}

TEST_F(RestoreDialogs, EmptyDestinationSaysSoAndTheSearchButtonIsOff) {
  TempDir tmp;
  TestApp t;
  MakeFolder(tmp / L"dest");
  t.app.env.tamdir = tmp / L"dest";
  t.view.treeFolder = tmp.path();
  TfRest results(t.app);
  TfVrfy search(t.app, &results);
  std::wstring status, dir;
  bool enabled = true;
  size_t rows = 99;
  DialogDriver d;
  d.on(L"復元ファイルの検索", [&](DialogHandle& dlg) {
    status = StatusText(dlg.item(TfVrfy::kStsBar));
    enabled = dlg.enabled(IDOK);
    rows = dlg.rows(TfVrfy::kLsPast).size();
    dlg.key(TfVrfy::kLsPast, VK_ESCAPE);
  });
  search.Show();
  ASSERT_TRUE(d.done());
  EXPECT_EQ(L"バックアップ・データがありません．", status);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(0u, rows);
}

}  // namespace
}  // namespace ruzer::test

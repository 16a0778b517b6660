#include "support/backup_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/textfile.h"

#include "support/page_text.h"

namespace ruzer::test {

namespace {
// Each Put gets a time ten seconds after the one before: distinct in the
// two-second form, and fixed, so tests do not depend on the real clock.
SYSTEMTIME NextStamp() {
  static int counter = 0;
  ++counter;
  return At(2009, 1 + (counter / (28 * 8640)) % 12, 1 + (counter / 8640) % 28, (counter / 360) % 24,
            (counter / 6) % 60, (counter % 6) * 10);
}

void ParentsOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos) MakeFolder(path.substr(0, slash));
}
}  // namespace

void MakeFolder(const std::wstring& path) {
  if (GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return;
  ParentsOf(path);
  CreateDirectoryW(LongPath(path).c_str(), nullptr);
}

void PutAt(const std::wstring& path, const std::string& content, const SYSTEMTIME& localTime) {
  ParentsOf(path);
  const std::wstring lp = LongPath(path);
  SetFileAttributesW(lp.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileW(lp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << Utf8(path);
  DWORD written = 0;
  if (!content.empty()) WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  FILETIME local, utc;
  SystemTimeToFileTime(&localTime, &local);
  LocalFileTimeToFileTime(&local, &utc);
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

void Put(const std::wstring& path, const std::string& content) { PutAt(path, content, NextStamp()); }

namespace {
void Walk(const std::wstring& root, const std::wstring& rel, std::map<std::wstring, std::string>& out) {
  std::vector<DirEntry> files, folders;
  if (!ListFolder(rel.empty() ? root : root + L"\\" + rel, files, folders)) return;
  for (const auto& f : files) {
    std::wstring r = rel.empty() ? f.name : rel + L"\\" + f.name;
    std::string bytes;
    ReadFileBytes(LongPath(root + L"\\" + r), bytes);
    out[r] = bytes;
  }
  for (const auto& d : folders) {
    std::wstring r = rel.empty() ? d.name : rel + L"\\" + d.name;
    out[r + L"\\"] = "<dir>";
    if (!(d.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) Walk(root, r, out);
  }
}
}  // namespace

std::map<std::wstring, std::string> Tree(const std::wstring& root) {
  std::map<std::wstring, std::string> out;
  Walk(root, L"", out);
  return out;
}

std::vector<std::wstring> Generations(const std::wstring& dest) {
  std::vector<DirEntry> files, folders;
  std::vector<std::wstring> names;
  ListFolder(dest, files, folders);
  for (const auto& f : folders)
    if (IsGenerationName(f.name)) names.push_back(f.name);
  std::sort(names.begin(), names.end());
  return names;
}

void UseOnePageFileSet(App& a, const std::wstring& sets, const std::wstring& dest) {
  a.FileSetFolder = sets + L"\\";
  a.IndexFileName = L"RUZER.IDX";
  a.pages = {L"Home"};
  a.activePage = 0;
  a.CurrentPageName = L"Home";
  a.PageIndexTable = {IndexRow{L"No.", L"設定ページ", L"バックアップ先", L"ボリューム名", L"最新バックアップ日"},
                      IndexRow{L"1", L"Home", dest, L"", L""}};
  a.env = EnvPanel{};
  a.env.tamdir = dest;
  EXPECT_TRUE(WriteBytes(sets + L"\\RUZER.IDX",
                         Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=1000", L"Widir=150", L"",
                                    L"[Index]", L"Fname1=Home", L"Dpath1=" + dest, L"Volum1=", L"LstDy1=", L""})));
}

BackupFixture::BackupFixture() {
  src = tmp / L"src";
  dest = tmp / L"dest";
  sets = tmp / L"set";
  MakeFolder(src);
  MakeFolder(dest);
  MakeFolder(sets);
  t.app.memoDialog = &memo;
  UseOnePageFileSet(t.app, sets, dest);
  WritePage();
  Day(2010, 5, 1);
}

SourceRow& BackupFixture::AddRow(const std::wstring& folder, const std::wstring& save,
                                 const std::wstring& exclude, const std::wstring& mark,
                                 const std::wstring& excluded) {
  const SourceRow r = Row({.caption = folder, .save = save, .exclude = exclude, .mark = mark, .excluded = excluded});
  auto& rows = t.app.rows;
  auto at = std::find_if(rows.begin(), rows.end(), [&](const SourceRow& x) {
    return lstrcmpW(x.caption.c_str(), folder.c_str()) > 0;
  });
  size_t index = static_cast<size_t>(at - rows.begin());
  rows.insert(at, r);
  for (size_t i = 0; i < rows.size(); ++i) rows[i].no = std::to_wstring(i + 1);
  WritePage();
  return rows[index];
}

std::vector<std::wstring> BackupFixture::PageLines(const EnvPanel& env, const std::vector<SourceRow>& rows) {
  return PageFileLines(env, rows);
}

void BackupFixture::WritePage() {
  ASSERT_TRUE(WriteBytes(sets + L"\\" + t.app.CurrentPageName + L".PAG",
                         Utf16File(PageLines(t.app.env, t.app.rows))));
}

}  // namespace ruzer::test

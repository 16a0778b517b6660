#include "measure/measure_fixture.h"

#include <algorithm>

#include "engine/Sdskio.h"
#include "store/Spage.h"
#include "support/backup_fixture.h"
#include "support/page_text.h"

namespace ruzer::test {

void MakeFolders(const std::wstring& path) { MakeFolder(path); }

void PutFile(const std::wstring& path, const std::string& content) {
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos) MakeFolders(path.substr(0, slash));
  ASSERT_TRUE(WriteBytes(path, content)) << Utf8(path);
}

std::string PageFile(const EnvPanel& env, const std::vector<SourceRow>& rows, const std::wstring& version) {
  return Utf16File(PageFileLines(env, rows, version));
}

MeasureFixture::MeasureFixture() {
  src = tmp / L"src";
  dest = tmp / L"dest";
  sets = tmp / L"set";
  MakeFolders(src);
  MakeFolders(dest);
  MakeFolders(sets);
  UseOnePageFileSet(t.app, sets, dest);
  SetRows({});
}

void MeasureFixture::SetRows(std::vector<SourceRow> rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const SourceRow& x, const SourceRow& y) {
    return lstrcmpW(x.caption.c_str(), y.caption.c_str()) < 0;
  });
  for (size_t i = 0; i < rows.size(); ++i) rows[i].no = std::to_wstring(i + 1);
  t.app.rows = rows;
  t.view.ShowSourceRows(&t.app.rows);
  ASSERT_TRUE(WriteBytes(sets + L"\\" + t.app.CurrentPageName + L".PAG", PageFile(t.app.env, rows)));
}

void MeasureFixture::SetPages(const std::vector<std::vector<SourceRow>>& rows,
                              const std::vector<std::wstring>& versions) {
  App& a = t.app;
  a.pages.clear();
  a.PageIndexTable.resize(1);
  std::vector<std::wstring> index = {L"[Ruzer]", L"Vers=6.00", L"Count=" + std::to_wstring(rows.size()),
                                     L"Sleep=1000", L"Widir=150", L"", L"[Index]"};
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::wstring name = L"P" + std::to_wstring(i + 1);
    const std::wstring d = dest + L"\\" + name;
    MakeFolders(d);
    a.pages.push_back(name);
    a.PageIndexTable.push_back(IndexRow{std::to_wstring(i + 1), name, d, L"", L""});
    EnvPanel env;
    env.tamdir = d;
    const std::wstring version = i < versions.size() ? versions[i] : L"6.00";
    ASSERT_TRUE(WriteBytes(sets + L"\\" + name + L".PAG", PageFile(env, rows[i], version)));
    index.push_back(L"Fname" + std::to_wstring(i + 1) + L"=" + name);
    index.push_back(L"Dpath" + std::to_wstring(i + 1) + L"=" + d);
    index.push_back(L"Volum" + std::to_wstring(i + 1) + L"=");
    index.push_back(L"LstDy" + std::to_wstring(i + 1) + L"=");
  }
  ASSERT_TRUE(WriteBytes(sets + L"\\RUZER.IDX", Utf16File(index)));
  a.activePage = 0;
  a.CurrentPageName = a.pages[0];
  LoadActivePage(a);
}

const std::vector<std::wstring>* MeasureFixture::Line(const std::wstring& folder) const {
  for (const auto& l : t.view.sizeRows)
    if (!l.empty() && l[0] == folder) return &l;
  return nullptr;
}

}  // namespace ruzer::test

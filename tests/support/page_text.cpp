#include "support/page_text.h"

#include <cwchar>

namespace ruzer::test {

std::vector<std::wstring> PageFileLines(const EnvPanel& env, const std::vector<SourceRow>& rows,
                                        const std::wstring& version) {
  std::wstring flags;
  for (bool f : env.check) flags += f ? L'1' : L'0';
  std::vector<std::wstring> lines = {L"[Ruzer]",
                                     L"Vers=" + version,
                                     L"Path=" + env.tamdir,
                                     L"Labl=" + env.volname,
                                     L"Bday=" + std::to_wstring(env.backdays),
                                     L"Flgs=" + flags,
                                     L"Cont=" + std::to_wstring(rows.size()),
                                     L"Yfil=" + env.defSave1,
                                     L"Zfil=" + env.defSave2};
  for (size_t i = 0; i < rows.size(); ++i) {
    wchar_t section[32];
    swprintf(section, 32, L"[Folder%05u]", static_cast<unsigned>(i + 1));
    lines.push_back(L"");
    lines.push_back(section);
    lines.push_back(L"Sorc=" + rows[i].caption);
    lines.push_back(L"Efol=" + rows[i].comment);
    lines.push_back(L"Wfil=" + rows[i].save);
    lines.push_back(L"Xfil=" + rows[i].exclude);
    // Long excluded-folder lists go in pieces of 250 characters.
    for (size_t k = 0; k * 250 < rows[i].excluded.size(); ++k) {
      wchar_t key[16];
      swprintf(key, 16, L"U%03u=", static_cast<unsigned>(k));
      lines.push_back(key + rows[i].excluded.substr(k * 250, 250));
    }
    lines.push_back(L"Mark=" + rows[i].mark);
  }
  return lines;
}

std::vector<std::wstring> IndexFileLines(const std::vector<IndexRow>& pages,
                                         const std::vector<std::wstring>& ruzerExtra) {
  std::vector<std::wstring> lines = {L"[Ruzer]", L"Vers=6.00", L"Count=" + std::to_wstring(pages.size()),
                                     L"Sleep=1000", L"Widir=180"};
  lines.insert(lines.end(), ruzerExtra.begin(), ruzerExtra.end());
  lines.push_back(L"");
  lines.push_back(L"[Index]");
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::wstring n = std::to_wstring(i + 1);
    lines.push_back(L"Fname" + n + L"=" + pages[i].name);
    lines.push_back(L"Dpath" + n + L"=" + pages[i].dest);
    lines.push_back(L"Volum" + n + L"=" + pages[i].label);
    lines.push_back(L"LstDy" + n + L"=" + pages[i].last);
  }
  lines.push_back(L"");
  return lines;
}

}  // namespace ruzer::test

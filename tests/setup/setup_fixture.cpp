#include "setup_fixture.h"

#include <windows.h>

#include "support/text.h"

namespace ruzer::test {

void MakeFolders(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos && slash > 2) MakeFolders(path.substr(0, slash));
  CreateDirectoryW(path.c_str(), nullptr);
}

void FillDisk(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string block(4096, '\0');
  DWORD written = 0;
  for (int i = 0; i < 100000; ++i)
    if (!WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) || written == 0) break;
  // Whatever is left below a block.
  for (int i = 0; i < 4096; ++i)
    if (!WriteFile(h, block.data(), 1, &written, nullptr) || written == 0) break;
  CloseHandle(h);
}

void WriteFileSet(const std::wstring& indexPath, const std::wstring& dest,
                  const std::vector<std::wstring>& sourceFolders) {
  const std::wstring folder = indexPath.substr(0, indexPath.rfind(L'\\'));
  MakeFolders(folder);
  WriteBytes(indexPath, Utf16File({L"[Ruzer]", L"Vers=6.00", L"Count=1", L"Sleep=0", L"Widir=150", L"",
                                   L"[Index]", L"Fname1=Home", L"Dpath1=" + dest, L"Volum1=", L"LstDy1=", L""}));
  std::vector<std::wstring> page = {L"[Ruzer]",   L"Vers=6.00",   L"Path=" + dest, L"Labl=",
                                    L"Bday=15",   L"Flgs=1001",
                                    L"Cont=" + std::to_wstring(sourceFolders.size()),
                                    L"Yfil=*.*",  L"Zfil="};
  for (size_t i = 0; i < sourceFolders.size(); ++i) {
    wchar_t section[32];
    swprintf(section, 32, L"[Folder%05u]", static_cast<unsigned>(i + 1));
    for (const std::wstring& line : {std::wstring(), std::wstring(section), L"Sorc=" + sourceFolders[i],
                                     std::wstring(L"Efol="), std::wstring(L"Wfil=*.*"), std::wstring(L"Xfil="),
                                     std::wstring(L"Mark=o")})
      page.push_back(line);
  }
  WriteBytes(folder + L"\\Home.PAG", Utf16File(page));
}

}  // namespace ruzer::test

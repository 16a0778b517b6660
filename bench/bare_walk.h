// The baseline walk: files below a folder, listed with FindFirstFileW like
// any program would. Shared by the in-process and whole-process benchmarks.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace ruzer::bench {

inline long long BareWalk(const std::wstring& folder) {
  long long n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::wstring> subs;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) subs.push_back(fd.cFileName);
    } else {
      ++n;
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  for (const auto& s : subs) n += BareWalk(folder + L"\\" + s);
  return n;
}

}  // namespace ruzer::bench

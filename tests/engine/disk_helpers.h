// Small helpers shared by the disk and selection tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {

// Expects one message box of this kind and these buttons, answered with `answer`.
inline void ExpectBox(ScriptedUser& user, const std::wstring& text, MsgKind kind,
                      unsigned buttons = kOk, MsgButton answer = kOk) {
  struct ScriptedUser::Expect e;
  e.text = text;
  e.answer = answer;
  e.kind = kind;
  e.buttons = buttons;
  user.ExpectFull(e);
}

inline bool MakeFile(const std::wstring& path, const std::string& bytes, DWORD attributes = 0) {
  if (!WriteBytes(path, bytes)) return false;
  return attributes == 0 || SetFileAttributesW(path.c_str(), attributes);
}

inline bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

inline DWORD AttrOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

// Names directly in a folder (files and folders), sorted; long paths allowed.
inline std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::wstring pattern = folder + L"\\*";
  if (folder.size() > 200 && folder.compare(0, 4, L"\\\\?\\") != 0) pattern = L"\\\\?\\" + pattern;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

inline std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end());
  return v;
}

inline FILETIME LastWrite(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d);
  return d.ftLastWriteTime;
}

inline bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A file (or folder) held open by the test, by default without any sharing:
// others get error 32.
class LockedFile {
 public:
  explicit LockedFile(const std::wstring& path, DWORD share = 0)
      : h_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  ~LockedFile() {
    if (ok()) CloseHandle(h_);
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace ruzer::test

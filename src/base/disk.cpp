#include "base/disk.h"

#include <cstring>

#include <shlobj.h>

#include "base/handles.h"
#include "base/text.h"

namespace ruzer {

namespace {

DirEntry FromFindData(const WIN32_FIND_DATAW& fd) {
  DirEntry e;
  e.name = fd.cFileName;
  e.attributes = fd.dwFileAttributes;
  e.lastWrite = fd.ftLastWriteTime;
  e.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  return e;
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

void ShowMessage(App& app, MsgKind kind, const std::wstring& text) { ShowMessage(app.user, kind, text); }

// `path` and its missing parents; 0 or the error of the step that failed.
DWORD CreateFolders(const std::wstring& path, int depth) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return 0;
  DWORD err = GetLastError();
  if (PathKind(path) == 2) return 0;
  if (err != ERROR_PATH_NOT_FOUND && err != ERROR_FILE_NOT_FOUND) return err;
  std::wstring parent = ParentFolder(path);
  if (parent.empty() || parent.size() >= path.size() || depth > 4096) return err;
  if (IsDrivePath(parent) && parent.size() <= 3) return err;  // the drive itself is missing
  DWORD perr = CreateFolders(parent, depth + 1);
  if (perr) return perr;
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return 0;
  err = GetLastError();
  return PathKind(path) == 2 ? 0 : err;
}

// Drive-relative "X:" stands for the root here.
std::wstring WithRoot(const std::wstring& path) {
  if (path.size() == 2 && IsDrivePath(path)) return path + L'\\';
  return path;
}

bool IsReservedDeviceName(const std::wstring& segment) {
  std::wstring base = segment.substr(0, segment.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (auto& c : base)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
      base == L"CONOUT$")
    return true;
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
      base[3] >= L'0' && base[3] <= L'9')
    return true;
  return false;
}

// One name between backslashes, as Windows allows it in a file system.
bool IsSafeSegment(const std::wstring& s) {
  if (s.empty() || s == L"." || s == L"..") return false;
  for (wchar_t c : s) {
    if (c < 32 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'/' || c == L'\\' ||
        c == L'|' || c == L'?' || c == L'*')
      return false;
  }
  // Windows drops trailing dots and blanks, so such a segment names another folder.
  if (s.back() == L'.' || s.back() == L' ') return false;
  return !IsReservedDeviceName(s);
}

// Segments split at "\"; one trailing backslash is allowed.
bool SafeSegments(const std::wstring& text, size_t start) {
  std::wstring rest = text.substr(start);
  if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  if (rest.empty()) return true;
  size_t pos = 0;
  while (true) {
    size_t slash = rest.find(L'\\', pos);
    if (!IsSafeSegment(rest.substr(pos, slash == std::wstring::npos ? std::wstring::npos : slash - pos)))
      return false;
    if (slash == std::wstring::npos) return true;
    pos = slash + 1;
  }
}

}  // namespace

bool IsDrivePath(const std::wstring& p) {
  return p.size() >= 2 && IsLetter(p[0]) && p[1] == L':' && (p.size() == 2 || p[2] == L'\\');
}

bool IsUncPath(const std::wstring& p) {
  return p.size() > 2 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'?' && p[2] != L'.' &&
         p[2] != L'\\';
}

DWORD PathAttributes(const std::wstring& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(LongPath(path).c_str());
}

DWORD CreateFolderPath(const std::wstring& path) { return CreateFolders(path, 0); }

std::wstring SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text;
  if (n > 0 && buffer) text.assign(buffer, n);
  if (buffer) LocalFree(buffer);
  if (text.size() > 256) text.resize(256);
  while (!text.empty()) {
    wchar_t c = text.back();
    bool trim = c < 32 || c == 127 || c == L' ' || c == L'.' || c == 0x3000 /* ideographic space */ ||
                c == 0x3002 /* 。 */ || c == 0xFF0E /* ． */;
    if (!trim) break;
    text.pop_back();
  }
  return text;
}

std::wstring GetSpecialFolderPath(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return std::wstring();
  return std::wstring(buffer);
}

std::wstring WindowsDriveRoot() {
  wchar_t buffer[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return L"c:\\";
  return std::wstring(buffer).substr(0, 3);
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

int PathKind(const std::wstring& path) {
  DWORD a = PathAttributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return 0;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? 2 : 1;
}

bool DeleteFileForced(const std::wstring& path) {
  std::wstring lp = LongPath(path);
  DWORD a = GetFileAttributesW(lp.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && a != 0 && a != FILE_ATTRIBUTE_ARCHIVE &&
      !(a & FILE_ATTRIBUTE_DIRECTORY))
    SetFileAttributesW(lp.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(lp.c_str()) != 0;
}

namespace {
// A folder link is removed with RemoveDirectoryW; some file systems keep it
// as a file-like link that only DeleteFileW takes.
bool RemoveLink(const std::wstring& path) {
  std::wstring lp = LongPath(path);
  return RemoveDirectoryW(lp.c_str()) || DeleteFileW(lp.c_str());
}
}  // namespace

bool DeleteFolderTree(App& app, const std::wstring& path) {
  DWORD a = PathAttributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  std::wstring lp = LongPath(path);
  // A junction or folder link is removed as a link: never follow it.
  if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Read the whole listing first: deleting while a search is open may skip entries.
    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW fd;
    if (FindHandle h{FindFirstFileW(LongPath(path + L"\\*").c_str(), &fd)}) {
      do {
        if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
          entries.push_back(FromFindData(fd));
      } while (FindNextFileW(h.get(), &fd));
    }
    for (const auto& e : entries) {
      std::wstring child = path + L"\\" + e.name;
      bool ok;
      if ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) && (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ok = RemoveLink(child);
      } else if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = DeleteFolderTree(app, child);
      } else {
        ok = DeleteFileForced(child);
      }
      if (!ok) return false;
    }
  }
  bool removed;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
    removed = RemoveLink(path);  // its attributes would reach through to the target
  } else {
    SetFileAttributesW(lp.c_str(), FILE_ATTRIBUTE_NORMAL);
    removed = RemoveDirectoryW(lp.c_str()) != 0;
  }
  if (!removed) {
    ShowMessage(app, MsgKind::Error, L"<" + path + L"> フォルダが削除できません.");
    return false;
  }
  return true;
}

bool FolderIsEmpty(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileW(LongPath(path + L"\\*").c_str(), &fd));
  if (!h) return false;
  do {
    if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) return false;
  } while (FindNextFileW(h.get(), &fd));
  return true;
}

namespace {
std::wstring RefusedCharMessage(const std::wstring& subject, wchar_t c) {
  return subject + L"に使えない文字 \"" + std::wstring(1, c) + L"\" が含まれています.";
}
}  // namespace

bool CheckFolderPath(App& app, const std::wstring& path) {
  const std::wstring subject = L"フォルダ名";
  if (path.size() < 3) {
    ShowMessage(app, MsgKind::Warning, subject + L"が短か過ぎます.");
    return false;
  }
  for (wchar_t c : std::wstring(L"/*?\"<>|")) {
    if (path.find(c, 3) != std::wstring::npos) {
      ShowMessage(app, MsgKind::Warning, RefusedCharMessage(subject, c));
      return false;
    }
  }
  return true;
}

bool CheckName(App& app, const std::wstring& name, bool pattern) {
  const std::wstring subject = L"ファイルやフォルダ名";
  if (name.size() > 260) {
    ShowMessage(app, MsgKind::Warning, subject + L"が長過ぎます.");
    return false;
  }
  std::wstring refused = L"\\/:\"<>|";
  if (!pattern) refused += L"*?";
  for (wchar_t c : refused) {
    if (name.find(c) != std::wstring::npos) {
      ShowMessage(app, MsgKind::Warning, RefusedCharMessage(subject, c));
      return false;
    }
  }
  return true;
}

bool CreateFolderReported(App& app, const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  DWORD err = CreateFolderPath(p);
  if (PathKind(path) == 2) return true;
  if (err == 0) err = GetLastError();
  ShowMessage(app, MsgKind::Error,
              L"<" + path + L">フォルダの作成失敗." + L"\r\n" + SystemErrorText(err));
  return false;
}

std::wstring LongPath(const std::wstring& path) {
  bool drive = IsDrivePath(path);
  bool unc = IsUncPath(path);
  if (!drive && !unc) return path;
  std::wstring in = WithRoot(path);
  DWORD n = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
  std::wstring full;
  if (n > 0) {
    full.resize(n);
    n = GetFullPathNameW(in.c_str(), n, full.data(), nullptr);
    full.resize(n);
  }
  if (full.empty()) full = in;
  if (IsDrivePath(full)) return L"\\\\?\\" + full;
  if (IsUncPath(full)) return L"\\\\?\\UNC\\" + full.substr(2);
  return full;
}

bool ListFolder(const std::wstring& folder, std::vector<DirEntry>& files,
                std::vector<DirEntry>& folders) {
  files.clear();
  folders.clear();
  return ForEachListed(folder, [&](const WIN32_FIND_DATAW& fd) {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) folders.push_back(FromFindData(fd));
    } else {
      files.push_back(FromFindData(fd));
    }
    return true;
  });
}

bool ForEachListed(const std::wstring& folder, const std::function<bool(const WIN32_FIND_DATAW&)>& each) {
  std::wstring pattern = LongPath(folder + L"\\*");
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH));
  if (!h && GetLastError() == ERROR_INVALID_PARAMETER) h.reset(FindFirstFileW(pattern.c_str(), &fd));
  if (!h) {
    // An empty drive root has not even "." and "..".
    return GetLastError() == ERROR_FILE_NOT_FOUND && PathKind(folder) == 2;
  }
  do {
    if (!each(fd)) break;
  } while (FindNextFileW(h.get(), &fd));
  return true;
}

bool LookupEntry(const std::wstring& path, DirEntry& entry) {
  std::wstring lp = LongPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(lp.c_str(), GetFileExInfoStandard, &data)) {
    size_t slash = path.rfind(L'\\');
    entry.name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    entry.attributes = data.dwFileAttributes;
    entry.lastWrite = data.ftLastWriteTime;
    entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
  }
  // Files held open by the system (pagefile.sys) refuse the attribute query
  // but still show up in a directory search.
  if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
  WIN32_FIND_DATAW fd;
  if (!FindHandle(FindFirstFileW(lp.c_str(), &fd))) return false;
  entry = FromFindData(fd);
  return true;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool IsSafeSourcePath(const std::wstring& path) {
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && path[2] == L'\\')
    return SafeSegments(path, 3);
  if (IsUncPath(path)) {
    // \\server\share must both be there.
    size_t serverEnd = path.find(L'\\', 2);
    if (serverEnd == std::wstring::npos) return false;
    if (!IsSafeSegment(path.substr(2, serverEnd - 2))) return false;
    size_t shareEnd = path.find(L'\\', serverEnd + 1);
    std::wstring share = path.substr(serverEnd + 1, shareEnd == std::wstring::npos
                                                        ? std::wstring::npos
                                                        : shareEnd - serverEnd - 1);
    if (!IsSafeSegment(share)) return false;
    return shareEnd == std::wstring::npos || SafeSegments(path, shareEnd + 1);
  }
  return false;
}

bool IsSafeRelativeFolder(const std::wstring& rel) {
  if (rel.empty() || rel[0] == L'\\') return false;
  return SafeSegments(rel, 0);
}

bool IsValidFileName(const std::wstring& name) { return name.size() <= 255 && IsSafeSegment(name); }

}  // namespace ruzer

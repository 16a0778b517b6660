#include "support/text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ostream>

#include "support/drives.h"

namespace ruzer::test {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string& u) {
  if (u.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, u.data(), static_cast<int>(u.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, u.data(), static_cast<int>(u.size()), w.data(), n);
  return w;
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool ok = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                                    put == bytes.size());
  CloseHandle(h);
  return ok;
}

std::string Utf16File(const std::vector<std::wstring>& lines) {
  std::wstring all;
  for (const auto& l : lines) all += l + L"\r\n";
  std::string out = "\xFF\xFE";
  for (wchar_t c : all) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

std::vector<std::wstring> ReadUtf16Lines(const std::wstring& path) {
  const std::string b = ReadBytes(path);
  std::vector<std::wstring> lines;
  if (b.size() < 2 || static_cast<unsigned char>(b[0]) != 0xFF || static_cast<unsigned char>(b[1]) != 0xFE) {
    ADD_FAILURE() << "not UTF-16 LE with BOM: " << Utf8(path);
    return lines;
  }
  if (b.size() % 2 != 0) ADD_FAILURE() << "odd byte count: " << Utf8(path);
  std::wstring text;
  for (size_t i = 2; i + 1 < b.size(); i += 2)
    text += static_cast<wchar_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8));
  if (!text.empty() && (text.size() < 2 || text.substr(text.size() - 2) != L"\r\n"))
    ADD_FAILURE() << "last line not ended by CR LF: " << Utf8(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

bool MakeBigFile(const std::wstring& path, long long size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = size;
  const bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      std::wstring p = path + L"\\" + n;
      SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(p);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(p.c_str());
      else
        DeleteFileW(p.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring base = tmp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (;;) {
    path_ = base + L"\\ruzer-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create temp folder " << Utf8(path_);
      break;
    }
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::hostPath() const { return HostPathOf(path_); }

}  // namespace ruzer::test


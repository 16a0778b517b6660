#include "base/textfile.h"

#include <algorithm>
#include <atomic>
#include <climits>

#include "base/handles.h"
#include "base/text.h"

namespace ruzer {

namespace {

// MultiByteToWideChar takes int lengths; big inputs are decoded in pieces cut
// after a line feed, which is never part of a multi-byte character in the
// code pages we meet (CP932 trail bytes start at 0x40, UTF-8 ones at 0x80).
constexpr size_t kDecodeChunk = size_t{1} << 26;

void AppendMultiByte(UINT codePage, std::string_view bytes, std::wstring& out) {
  while (!bytes.empty()) {
    size_t n = bytes.size();
    if (n > kDecodeChunk) {
      const size_t lf = bytes.rfind('\n', kDecodeChunk - 1);
      n = (lf == std::string_view::npos || lf == 0) ? kDecodeChunk : lf + 1;
    }
    const int in = static_cast<int>(n);
    const int need = MultiByteToWideChar(codePage, 0, bytes.data(), in, nullptr, 0);
    if (need > 0) {
      const size_t at = out.size();
      out.resize(at + static_cast<size_t>(need));
      const int got = MultiByteToWideChar(codePage, 0, bytes.data(), in, out.data() + at, need);
      out.resize(at + static_cast<size_t>(got > 0 ? got : 0));
    }
    bytes.remove_prefix(n);
  }
}

void AppendUtf16(std::string_view bytes, bool bigEndian, std::wstring& out) {
  const size_t n = bytes.size() / 2;
  out.reserve(out.size() + n);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t i = 0; i < n; ++i) {
    const unsigned lo = p[2 * i + (bigEndian ? 1 : 0)];
    const unsigned hi = p[2 * i + (bigEndian ? 0 : 1)];
    out.push_back(static_cast<wchar_t>(lo | (hi << 8)));
  }
}

std::wstring Hex(unsigned long v) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring s;
  do {
    s.insert(s.begin(), digits[v & 15]);
    v >>= 4;
  } while (v);
  return s;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  constexpr size_t kPiece = 1 << 20;
  while (!bytes.empty()) {
    const DWORD ask = static_cast<DWORD>(std::min(bytes.size(), kPiece));
    DWORD put = 0;
    if (!WriteFile(h, bytes.data(), ask, &put, nullptr)) return false;
    if (put != ask) {
      SetLastError(ERROR_DISK_FULL);  // a short write means the volume is full
      return false;
    }
    bytes.remove_prefix(put);
  }
  return true;
}

std::wstring JoinLines(const std::vector<std::wstring>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::wstring all;
  all.reserve(total);
  for (const auto& l : lines) {
    all += l;
    all += L"\r\n";
  }
  return all;
}

}  // namespace

std::wstring DecodeText(std::string_view bytes, TextEncoding* encoding, bool* oddByte) {
  auto u = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  TextEncoding enc = TextEncoding::Ansi;
  bool odd = false;
  std::wstring out;
  if (bytes.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE) {
    enc = TextEncoding::Utf16Le;
    bytes.remove_prefix(2);
    odd = bytes.size() % 2 != 0;
    AppendUtf16(bytes, false, out);
  } else if (bytes.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF) {
    enc = TextEncoding::Utf16Be;
    bytes.remove_prefix(2);
    odd = bytes.size() % 2 != 0;
    AppendUtf16(bytes, true, out);
  } else if (bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) {
    enc = TextEncoding::Utf8;
    bytes.remove_prefix(3);
    AppendMultiByte(CP_UTF8, bytes, out);
  } else {
    AppendMultiByte(CP_ACP, bytes, out);
  }
  if (encoding) *encoding = enc;
  if (oddByte) *oddByte = odd;
  return out;
}

std::vector<std::wstring> SplitLines(std::wstring_view text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  const size_t n = text.size();
  while (start < n) {
    size_t end = start;
    while (end < n && text[end] != L'\r' && text[end] != L'\n') ++end;
    lines.emplace_back(text.substr(start, end - start));
    if (end < n && text[end] == L'\r' && end + 1 < n && text[end + 1] == L'\n')
      start = end + 2;
    else
      start = end + 1;
  }
  return lines;
}

TextReadResult ReadFileBytes(const std::wstring& path, std::string& bytes, std::uint64_t maxBytes) {
  TextReadResult r;
  bytes.clear();
  const DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    r.error = GetLastError();
    r.status = (r.error == ERROR_FILE_NOT_FOUND || r.error == ERROR_PATH_NOT_FOUND ||
                r.error == ERROR_INVALID_NAME || r.error == ERROR_BAD_NETPATH)
                   ? TextReadStatus::NotFound
                   : TextReadStatus::Failed;
    return r;
  }
  if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
    r.status = TextReadStatus::IsFolder;
    return r;
  }
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    r.error = GetLastError();
    r.status = TextReadStatus::Failed;
    return r;
  }
  const HANDLE h = file.get();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) {
    r.error = GetLastError();
    r.status = TextReadStatus::Failed;
    return r;
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
    r.status = TextReadStatus::TooLarge;
    return r;
  }
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      // The file may have grown since we asked; stay within the limit.
      if (have >= maxBytes) {
        char probe;
        DWORD got = 0;
        if (ReadFile(h, &probe, 1, &got, nullptr) && got > 0) {
          bytes.clear();
          r.status = TextReadStatus::TooLarge;
          return r;
        }
        break;
      }
      bytes.resize(std::min<std::uint64_t>(maxBytes, have + 65536));
    }
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes.size() - have, 1 << 20));
    if (!ReadFile(h, bytes.data() + have, ask, &got, nullptr)) {
      r.error = GetLastError();
      bytes.clear();
      r.status = TextReadStatus::Failed;
      return r;
    }
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);
  r.status = TextReadStatus::Ok;
  return r;
}

TextReadResult ReadTextFile(const std::wstring& path, std::uint64_t maxBytes) {
  std::string bytes;
  TextReadResult r = ReadFileBytes(path, bytes, maxBytes);
  if (!r.ok()) return r;
  std::wstring text = DecodeText(bytes, &r.encoding, &r.oddByte);
  // The code-page conversion need not carry NUL bytes through; look at the bytes.
  const bool utf16 = r.encoding == TextEncoding::Utf16Le || r.encoding == TextEncoding::Utf16Be;
  r.hasNul = utf16 ? text.find(L'\0') != std::wstring::npos : bytes.find('\0') != std::string::npos;
  bytes.clear();
  bytes.shrink_to_fit();
  r.lines = SplitLines(text);
  return r;
}

DWORD ReplaceFileBytes(const std::wstring& path, std::string_view bytes) {
  static std::atomic<unsigned long> counter{0};
  const DWORD oldAttrs = GetFileAttributesW(path.c_str());
  if (oldAttrs == INVALID_FILE_ATTRIBUTES) {
    const DWORD e = GetLastError();
    if (e != ERROR_FILE_NOT_FOUND) return e;  // e.g. the folder is missing
  } else if (oldAttrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
    return ERROR_ACCESS_DENIED;
  }

  const std::wstring folder = FolderOf(path);
  std::wstring temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder + L"~rz" + Hex(GetCurrentProcessId()) + L"_" + Hex(++counter) + L".tmp";
    h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS)
      return GetLastError();
  }
  if (h == INVALID_HANDLE_VALUE) return ERROR_FILE_EXISTS;

  bool failed = false;
  DWORD err = ERROR_SUCCESS;
  auto fail = [&] {
    if (!failed) err = GetLastError();
    failed = true;
  };
  if (!WriteAll(h, bytes) || !FlushFileBuffers(h)) fail();
  if (!CloseHandle(h)) fail();
  if (!failed && oldAttrs != INVALID_FILE_ATTRIBUTES) {
    const DWORD keep = oldAttrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (keep) SetFileAttributesW(temp.c_str(), keep);
  }
  if (!failed &&
      !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    fail();
  if (!failed) return ERROR_SUCCESS;
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temp.c_str());
  return err != ERROR_SUCCESS ? err : ERROR_WRITE_FAULT;
}

bool IsReplaceTempName(const std::wstring& name) {
  auto hex = [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); };
  if (name.size() < 10 || name.compare(0, 3, L"~rz") != 0 ||
      (name.compare(name.size() - 4, 4, L".tmp") != 0 && name.compare(name.size() - 4, 4, L".TMP") != 0))
    return false;
  int underscores = 0;
  for (size_t i = 3; i < name.size() - 4; ++i) {
    if (name[i] == L'_') ++underscores;
    else if (!hex(name[i])) return false;
  }
  return underscores == 1 && name[3] != L'_' && name[name.size() - 5] != L'_';
}

void RemoveStaleReplaceTemps(const std::wstring& folder, std::uint64_t ageMs) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  FILETIME nowFt;
  GetSystemTimeAsFileTime(&nowFt);
  const auto ticks = [](const FILETIME& f) {
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  };
  const std::uint64_t now = ticks(nowFt), age = ageMs * 10000;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((base + L"~rz*.tmp").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> stale;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsReplaceTempName(fd.cFileName) &&
        ticks(fd.ftLastWriteTime) + age < now)
      stale.push_back(base + fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  for (const auto& path : stale) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }
}

std::string EncodeUtf16Lines(const std::vector<std::wstring>& lines) {
  const std::wstring all = JoinLines(lines);
  std::string out;
  out.reserve(2 + all.size() * 2);
  out += "\xFF\xFE";
  for (wchar_t c : all) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

DWORD WriteUtf16File(const std::wstring& path, const std::vector<std::wstring>& lines) {
  return ReplaceFileBytes(path, EncodeUtf16Lines(lines));
}

std::string EncodeAnsiLines(const std::vector<std::wstring>& lines) {
  const std::wstring all = JoinLines(lines);
  std::string out;
  std::wstring_view rest(all);
  constexpr size_t kPiece = size_t{1} << 24;
  while (!rest.empty()) {
    size_t n = std::min(rest.size(), kPiece);
    // Never cut a surrogate pair in two.
    if (n < rest.size() && rest[n - 1] >= 0xD800 && rest[n - 1] <= 0xDBFF) --n;
    const int in = static_cast<int>(n);
    const int need = WideCharToMultiByte(CP_ACP, 0, rest.data(), in, nullptr, 0, nullptr, nullptr);
    if (need > 0) {
      const size_t at = out.size();
      out.resize(at + static_cast<size_t>(need));
      const int got = WideCharToMultiByte(CP_ACP, 0, rest.data(), in, out.data() + at, need, nullptr, nullptr);
      out.resize(at + static_cast<size_t>(got > 0 ? got : 0));
    }
    rest.remove_prefix(n);
  }
  return out;
}

DWORD WriteAnsiFile(const std::wstring& path, const std::vector<std::wstring>& lines) {
  return ReplaceFileBytes(path, EncodeAnsiLines(lines));
}

}  // namespace ruzer

#include "base/text.h"

#include <windows.h>

namespace ruzer {

std::wstring PackList(const std::vector<std::wstring>& entries) {
  std::wstring text;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) text += L':';
    text += entries[i];
  }
  return text;
}

void UnpackList(std::vector<std::wstring>& list, const std::wstring& text) {
  list.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t colon = text.find(L':', start);
    if (colon == std::wstring::npos) {
      list.push_back(text.substr(start));
      break;
    }
    list.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
}

std::vector<std::wstring> UnpackList(const std::wstring& text) {
  std::vector<std::wstring> list;
  UnpackList(list, text);
  return list;
}

std::wstring LowerText(const std::wstring& text) {
  if (text.empty()) return text;
  int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, text.c_str(),
                        static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr, 0);
  if (n <= 0) return text;
  std::wstring out(static_cast<size_t>(n), L'\0');
  n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, text.c_str(),
                    static_cast<int>(text.size()), out.data(), n, nullptr, nullptr, 0);
  if (n <= 0) return text;
  out.resize(static_cast<size_t>(n));
  return out;
}

bool SameFolderText(const std::wstring& a, const std::wstring& b) {
  return LowerText(a) == LowerText(b);
}

namespace {
wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }
}  // namespace

bool IsInsideFolder(const std::wstring& parent, const std::wstring& path) {
  std::wstring p = parent;
  if (!p.empty() && p.back() == L'\\') p.pop_back();
  if (path.size() <= p.size()) return false;
  for (size_t i = 0; i < p.size(); ++i)
    if (FoldAscii(path[i]) != FoldAscii(p[i])) return false;
  return path[p.size()] == L'\\';
}

void ExpandExcludedFolders(const std::wstring& source, const std::wstring& text,
                           std::vector<std::wstring>& target) {
  target.clear();
  std::wstring base = source;
  if (base.empty() || base.back() != L'\\') base += L'\\';
  for (const auto& entry : UnpackList(text)) target.push_back(base + entry);
}

std::wstring CaseFreeKey(const std::wstring& name) {
  std::wstring r = name;
  for (auto& c : r) {
    if (c >= 0x80) return LowerText(name);
    c = FoldAscii(c);
  }
  return r;
}

std::wstring ParentFolder(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) return path.substr(0, slash + 1);
  // "C:name" lies in the current folder of drive C.
  if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
  return std::wstring();
}

std::wstring_view Trim(std::wstring_view s, std::wstring_view blanks) {
  const size_t b = s.find_first_not_of(blanks);
  if (b == std::wstring_view::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring FolderWithoutBackslash(std::wstring folder) {
  while (folder.size() > 1 && folder.back() == L'\\' && !(folder.size() == 3 && folder[1] == L':'))
    folder.pop_back();
  return folder;
}

namespace {
// Grouping of the locale ("3;0" -> 3, "3;2;0" -> 32), as NUMBERFMT wants it.
UINT LocaleGrouping() {
  wchar_t g[16] = L"";
  if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, g, 16)) return 3;
  UINT v = 0;
  for (const wchar_t* p = g; *p; ++p)
    if (*p >= L'1' && *p <= L'9') v = v * 10 + static_cast<UINT>(*p - L'0');
  return v ? v : 3;
}

}  // namespace

std::wstring FormatWhole(std::int64_t value) {
  static const std::wstring thousand = [] {
    wchar_t s[8] = L",";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, s, 8);
    return std::wstring(s);
  }();
  static const std::wstring decimal = [] {
    wchar_t s[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, s, 8);
    return std::wstring(s);
  }();
  static const UINT grouping = LocaleGrouping();
  const std::wstring digits = std::to_wstring(value);
  NUMBERFMTW fmt{};
  fmt.NumDigits = 0;
  fmt.LeadingZero = 1;
  fmt.Grouping = grouping;
  fmt.lpDecimalSep = const_cast<wchar_t*>(decimal.c_str());
  fmt.lpThousandSep = const_cast<wchar_t*>(thousand.c_str());
  fmt.NegativeOrder = 1;
  wchar_t out[64];
  if (GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits.c_str(), &fmt, out, 64) > 0) return out;
  return digits;
}

std::wstring GroupedNumber(std::uint64_t n) { return FormatWhole(static_cast<std::int64_t>(n)); }

}  // namespace ruzer

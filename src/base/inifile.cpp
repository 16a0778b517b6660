#include "base/inifile.h"

#include <climits>

#include "base/text.h"

namespace ruzer {

namespace {

wchar_t Fold(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  if (c < 0x80) return c;
  // Full-width and other letters: the system's own upper-casing of one character.
  return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

// Section name of a trimmed line that starts with "[".
std::wstring_view SectionName(std::wstring_view line) {
  std::wstring_view name = line.substr(1);
  const size_t close = name.find(L']');
  if (close != std::wstring_view::npos) name = name.substr(0, close);
  return Trim(name);
}

}  // namespace

bool ParseInt(std::wstring_view text, int& value) {
  text = Trim(text);
  if (text.empty()) return false;
  bool negative = false;
  if (text.front() == L'+' || text.front() == L'-') {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  long long v = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    v = v * 10 + (c - L'0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseDecimal(std::wstring_view text, double& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  double v = 0;
  double scale = 0;  // 0 before the point, then 0.1, 0.01, ...
  int digits = 0;
  bool point = false;
  for (wchar_t c : text) {
    if (c == L'.' && !point) {
      point = true;
      scale = 0.1;
    } else if (c >= L'0' && c <= L'9') {
      ++digits;
      if (!point) {
        v = v * 10 + (c - L'0');
      } else {
        v += (c - L'0') * scale;
        scale /= 10;
      }
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  value = negative ? -v : v;
  return true;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

void IniFile::LoadLines(const std::vector<std::wstring>& lines) {
  sections_.clear();
  for (const auto& raw : lines) {
    const std::wstring_view line = Trim(raw);
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      Section s;
      s.name = std::wstring(SectionName(line));
      sections_.push_back(std::move(s));
      continue;
    }
    if (sections_.empty()) {
      Section s;
      s.header = false;
      sections_.push_back(std::move(s));
    }
    Entry e;
    const size_t eq = line.find(L'=');
    if (eq == std::wstring_view::npos) {
      e.key = std::wstring(line);
      e.bare = true;
    } else {
      e.key = std::wstring(Trim(line.substr(0, eq)));
      e.value = std::wstring(Trim(line.substr(eq + 1)));
    }
    sections_.back().entries.push_back(std::move(e));
  }
}

TextReadResult IniFile::Load(const std::wstring& path) {
  TextReadResult r = ReadTextFile(path);
  if (r.ok())
    LoadLines(r.lines);
  else
    sections_.clear();
  r.lines.clear();
  r.lines.shrink_to_fit();
  return r;
}

std::vector<std::wstring> IniFile::ToLines() const {
  std::vector<std::wstring> lines;
  for (const auto& s : sections_) {
    if (s.header) lines.push_back(L"[" + s.name + L"]");
    for (const auto& e : s.entries) lines.push_back(e.bare ? e.key : e.key + L"=" + e.value);
    lines.emplace_back();
  }
  return lines;
}

DWORD IniFile::Save(const std::wstring& path) const { return WriteUtf16File(path, ToLines()); }

IniFile::Section* IniFile::FindSection(std::wstring_view name) {
  for (auto& s : sections_)
    if (s.header && SameName(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::wstring_view name) const {
  for (const auto& s : sections_)
    if (s.header && SameName(s.name, name)) return &s;
  return nullptr;
}

bool IniFile::HasSection(std::wstring_view section) const { return FindSection(section) != nullptr; }

const std::wstring* IniFile::Find(std::wstring_view section, std::wstring_view key) const {
  const Section* s = FindSection(section);
  if (!s) return nullptr;
  for (const auto& e : s->entries)
    if (!e.bare && SameName(e.key, key)) return &e.value;
  return nullptr;
}

std::wstring IniFile::GetString(std::wstring_view section, std::wstring_view key,
                                const std::wstring& def) const {
  const std::wstring* v = Find(section, key);
  return v ? *v : def;
}

int IniFile::GetInt(std::wstring_view section, std::wstring_view key, int def) const {
  const std::wstring* v = Find(section, key);
  int n = 0;
  return v && ParseInt(*v, n) ? n : def;
}

double IniFile::GetDecimal(std::wstring_view section, std::wstring_view key, double def) const {
  const std::wstring* v = Find(section, key);
  double d = 0;
  return v && ParseDecimal(*v, d) ? d : def;
}

void IniFile::SetString(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  Section* s = FindSection(section);
  if (!s) {
    Section n;
    n.name = std::wstring(section);
    sections_.push_back(std::move(n));
    s = &sections_.back();
  }
  for (auto& e : s->entries) {
    if (!e.bare && SameName(e.key, key)) {
      e.value = std::wstring(value);
      return;
    }
  }
  Entry e;
  e.key = std::wstring(key);
  e.value = std::wstring(value);
  s->entries.push_back(std::move(e));
}

void IniFile::SetInt(std::wstring_view section, std::wstring_view key, int value) {
  SetString(section, key, std::to_wstring(value));
}

void IniFile::RemoveSection(std::wstring_view section) {
  std::erase_if(sections_, [&](const Section& s) { return s.header && SameName(s.name, section); });
}

void SetProfileLine(std::vector<std::wstring>& lines, std::wstring_view section, std::wstring_view key,
                    std::wstring_view value) {
  size_t i = 0;
  for (; i < lines.size(); ++i) {
    const std::wstring_view t = Trim(lines[i]);
    if (!t.empty() && t.front() == L'[' && SameName(SectionName(t), section)) break;
  }
  if (i == lines.size()) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back(L"[" + std::wstring(section) + L"]");
    lines.push_back(std::wstring(key) + L"=" + std::wstring(value));
    lines.emplace_back();
    return;
  }
  size_t lastContent = i;
  for (size_t j = i + 1; j < lines.size(); ++j) {
    const std::wstring_view t = Trim(lines[j]);
    if (t.empty()) continue;
    if (t.front() == L'[') break;
    lastContent = j;
    if (t.front() == L';') continue;
    const size_t eq = t.find(L'=');
    if (eq == std::wstring_view::npos) continue;
    const std::wstring_view k = Trim(t.substr(0, eq));
    if (SameName(k, key)) {
      lines[j] = std::wstring(k) + L"=" + std::wstring(value);
      return;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1,
               std::wstring(key) + L"=" + std::wstring(value));
}

DWORD WriteProfileValue(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                        std::wstring_view value) {
  TextReadResult r = ReadTextFile(path);
  if (r.status == TextReadStatus::NotFound) {
    r.lines.clear();
    r.encoding = TextEncoding::Utf16Le;
  } else if (!r.ok()) {
    return r.status == TextReadStatus::Failed && r.error != ERROR_SUCCESS ? r.error : ERROR_FILE_INVALID;
  } else if (r.hasNul) {
    return ERROR_FILE_INVALID;
  }
  SetProfileLine(r.lines, section, key, value);
  return r.encoding == TextEncoding::Ansi ? WriteAnsiFile(path, r.lines) : WriteUtf16File(path, r.lines);
}

}  // namespace ruzer

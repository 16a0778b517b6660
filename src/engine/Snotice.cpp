#include "engine/Snotice.h"

#include <algorithm>

#include "base/inifile.h"
#include "base/services.h"
#include "base/text.h"
#include "base/textfile.h"
#include "engine/Sbakini.h"
#include "engine/Sdskio.h"
#include "store/Fdef.h"

namespace ruzer {

namespace {

// Days since 1601 of a local date, or -1.
long long DayNumber(int y, int m, int d) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return -1;
  const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>(t / 864000000000ull);
}

// "yyyy/mm/dd ..." -> day number, or -1.
long long DayOfText(const std::wstring& text) {
  int y = 0, m = 0, d = 0;
  if (text.size() < 10 || text[4] != L'/' || text[7] != L'/' || !ParseInt(text.substr(0, 4), y) ||
      !ParseInt(text.substr(5, 2), m) || !ParseInt(text.substr(8, 2), d))
    return -1;
  return DayNumber(y, m, d);
}

}  // namespace

std::vector<std::wstring> AgeNotice(const PageFacts& page, const SYSTEMTIME& today) {
  if (page.dest.empty() || page.rows == 0) return {};
  const std::wstring head = L"{" + page.name + L"} ";
  if (page.last.empty()) return {head + L"まだバックアップされていません．"};
  const long long then = DayOfText(page.last), now = DayNumber(today.wYear, today.wMonth, today.wDay);
  if (then < 0 || now < 0) return {};
  const int age = page.retention > 0 && page.retention < kWarningAgeDays ? page.retention : kWarningAgeDays;
  const long long days = now - then;
  if (days <= age) return {};
  return {head + L"最後のバックアップから" + std::to_wstring(days) + L"日経っています．"};
}

std::vector<std::wstring> ErrorNotice(const std::wstring& page, const std::wstring& generation,
                                      const std::vector<std::wstring>& log) {
  std::vector<std::wstring> lines;
  for (const auto& l : log)
    if (!Trim(l).empty()) lines.push_back(l);
  if (lines.empty()) return {};
  std::vector<std::wstring> out;
  out.push_back(L"{" + page + L"} 前回のバックアップ (" + generation + L") に " + std::to_wstring(lines.size()) +
                L" 件のエラーがあります．");
  const size_t shown = std::min<size_t>(lines.size(), kNoticeLogLines);
  out.insert(out.end(), lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(shown));
  if (lines.size() > shown) out.push_back(L"…ほか " + std::to_wstring(lines.size() - shown) + L" 件");
  return out;
}

PageFacts ReadPageFacts(const App& app, int page) {
  PageFacts f;
  if (page < 0 || page >= static_cast<int>(app.pages.size())) return f;
  f.name = app.pages[static_cast<size_t>(page)];
  const size_t row = static_cast<size_t>(page) + 1;
  if (row < app.PageIndexTable.size()) f.last = app.PageIndexTable[row].last;
  const TextReadResult text = ReadTextFile(app.FileSetFolder + f.name + Fdef::kPageExt);
  if (!text.ok() || text.hasNul) return f;
  for (const auto& line : text.lines) {
    if (line.empty()) continue;
    const std::wstring value = line.size() > 5 ? line.substr(5) : std::wstring();
    switch (line[0]) {
      case L'P': f.dest = value; break;
      case L'L': f.label = value; break;
      case L'S': ++f.rows; break;
      case L'B':
        if (!ParseInt(value, f.retention)) f.retention = 0;
        break;
      default: break;
    }
  }
  return f;
}

bool ReadNewestRunErrors(App& app, const PageFacts& facts, std::wstring& generation,
                         std::vector<std::wstring>& log) {
  generation.clear();
  log.clear();
  if (facts.dest.empty()) return false;
  std::wstring dest = facts.dest;
  if (!facts.label.empty()) {
    // Only the labelled medium tells of this page's runs; another disk in
    // the drive is nobody's business here, and the medium is never asked for.
    const CodeAndText v = GetVolumeLabel(dest);
    if (v.code != 0 || v.text != facts.label) {
      dest = FolderOnLabelledDrive(dest, facts.label);
      if (dest.empty()) return false;
    }
  }
  const std::wstring newest = LatestGeneration(app, dest);
  if (newest.empty()) return false;
  generation = newest;
  // "E:\" as well as "E:\Backup\": one backslash before the generation.
  const std::wstring path = WithoutTrailingBackslash(dest) + L"\\" + newest + L"\\" + Fdef::kErrorLog;
  if (PathKind(path) != 1) return true;
  const TextReadResult text = ReadTextFile(path, 4u << 20);
  if (text.ok()) log = text.lines;
  return true;
}

void ShowStartNotice(App& app) {
  if (app.pages.empty()) return;
  // An empty card reader must not bring up the system's "no disk" box.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const SYSTEMTIME today = app.clock.Now();
  int pagesNamed = 0;
  for (int p = 0; p < static_cast<int>(app.pages.size()); ++p) {
    const PageFacts facts = ReadPageFacts(app, p);
    std::vector<std::wstring> lines = AgeNotice(facts, today);
    std::wstring generation;
    std::vector<std::wstring> log;
    if (ReadNewestRunErrors(app, facts, generation, log)) {
      const auto errors = ErrorNotice(facts.name, generation, log);
      lines.insert(lines.end(), errors.begin(), errors.end());
    }
    if (lines.empty()) continue;
    if (pagesNamed++ == 0) SetBottomPanel(app, 1);
    for (const auto& l : lines) ErrorListAdd(app, l);
  }
  SetErrorMode(oldMode);
  if (pagesNamed > 0)
    StatusMessage(app, L"確認が必要な設定ページが " + std::to_wstring(pagesNamed) + L" ページあります．（エラーリスト）");
}

}  // namespace ruzer

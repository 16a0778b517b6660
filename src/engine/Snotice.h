// What the last runs left behind, told once at an interactive start: pages
// that have waited too long for a backup, and the errors of each page's
// newest run (an automatic run at logon closes by itself, errors or not).
// Never asks for a medium; reads each page file and the root of each page's
// newest generation, nothing more.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

#include "base/app.h"

namespace ruzer {

// Days without a backup after which a page is named; a shorter retention
// counts instead.
inline constexpr int kWarningAgeDays = 7;
// Lines of a newest run's "ERROR.LOG" shown at the start.
inline constexpr int kNoticeLogLines = 20;

// What the start needs to know of one page.
struct PageFacts {
  std::wstring name;
  std::wstring dest;   // destination folder; empty: none set
  std::wstring label;  // volume label the medium must carry; empty: any
  std::wstring last;   // last backup "yyyy/mm/dd hh:nn:ss"; empty: never
  int rows = 0;
  int retention = 15;  // days; 0 when the page's value is no number
};

// The page's lines about its age (none when it needs no word).
std::vector<std::wstring> AgeNotice(const PageFacts& page, const SYSTEMTIME& today);
// The lines about the newest run's errors: a heading, the first lines of
// its "ERROR.LOG" and what was left out. `log` is that file's lines.
std::vector<std::wstring> ErrorNotice(const std::wstring& page, const std::wstring& generation,
                                      const std::vector<std::wstring>& log);
// Reads the page's facts from its page file and index row.
PageFacts ReadPageFacts(const App& app, int page);
// The newest generation of `facts.dest` and its "ERROR.LOG" lines; nothing
// when the medium is not there or carries another label.
bool ReadNewestRunErrors(App& app, const PageFacts& facts, std::wstring& generation,
                         std::vector<std::wstring>& log);

// Every page of the open file set: the lines go to the error list, and the
// status line says how many pages need attention.
void ShowStartNotice(App& app);

}  // namespace ruzer

// The verify command (照合): every stored copy of the active page, in every
// generation, read and compared with the digest its backup wrote.
//
// What it proves: a copy whose digest was written when it was stored still
// holds those bytes, and no copy with a digest has gone. A copy without one
// (a generation of an older version, or a copy whose entry a killed run did
// not write) gets one from this read, which is trusted. In the newest
// generation a copy whose size and time are the source's is also compared
// with the source: a file changed without its time is found there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

inline constexpr wchar_t kVerifyLogName[] = L"VERIFY.LOG";

struct CollateResult {
  std::uint64_t files = 0;  // copies read
  std::uint64_t bytes = 0;
  int firstRead = 0;  // copies that had no digest and got one from this read
  int damaged = 0;
  int missing = 0;
  int differs = 0;     // newest copy and source: same size and time, other contents
  int unreadable = 0;  // copies or sources that could not be read
  bool refused = false;  // the page has no destination to verify, or it is held
  bool aborted = false;
  int Findings() const { return damaged + missing + differs + unreadable; }
};

// Verifies the active page: findings go to the error list as they are met,
// and "VERIFY.LOG" into the newest generation. With `share` n above 1 only
// the n-th part of the copies is read, those read longest ago (copies without
// a digest first); missing copies are looked for among all of them.
CollateResult CollatePage(App& app, int share = 1);
// The menu command: busy mode, the active page, the closing status line.
void RunCollate(App& app);
// The automatic verify ("/V", "/V:n"): every page in tab order, the exit
// code in app.ExitCode (AutoExitCode: 0 all sound, 1 findings or a page
// that could not be verified, 3 aborted); the window closes unless aborted.
void RunAutoCollate(App& app, int share);
// "照合終了．..." for the status line.
std::wstring CollateSummary(const CollateResult& r);

}  // namespace ruzer

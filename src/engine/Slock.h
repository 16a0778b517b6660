// One run per destination: a backup holds its page's destination for the
// whole page, so that an automatic start, a manual run, or a second file set
// with the same destination never write into it at the same time.
//
// Two locks are held together:
//  - a named mutex derived from the destination's normalised path (full path,
//    long-path form, upper-cased, no trailing backslash). The system releases
//    it when the holder dies. It covers every process of this machine, also
//    while the destination folder does not exist yet.
//  - the file "~ruzer.lock" inside the destination, opened for writing and
//    deleting with read sharing only, and deleted on close. A second holder
//    (also on another machine sharing a network destination) cannot open it
//    for writing, but can read who holds it: the holder writes its program,
//    process id, computer and file set into it.
#pragma once

#include <cstdint>
#include <string>
#include <windows.h>

#include "base/app.h"

namespace ruzer {

inline constexpr wchar_t kLockFileName[] = L"~ruzer.lock";

// Normalised destination: "\\?\" form of the full path, upper-cased (invariant
// culture), without a trailing backslash.
std::wstring DestinationKey(const std::wstring& destination);
// Name of the machine-wide mutex of a destination (derived from its key).
std::wstring DestinationMutexName(const std::wstring& destination);

class DestinationLock {
 public:
  DestinationLock() = default;
  ~DestinationLock() { Release(); }
  DestinationLock(const DestinationLock&) = delete;
  DestinationLock& operator=(const DestinationLock&) = delete;

  // One attempt. True when this object holds the destination; false when
  // someone else does, with `holder` telling who ("Ruzer" at the least).
  // `fileSet` goes into the lock file for the other side to read.
  bool TryAcquire(const std::wstring& destination, const std::wstring& fileSet, std::wstring& holder);
  // Takes the lock file when the destination folder has appeared since the
  // mutex was taken (the run created it). False when someone else holds it.
  bool TakeFileIfMissing(const std::wstring& fileSet, std::wstring& holder);
  void Release();
  bool Held() const { return owned_; }

 private:
  // 1 taken, 0 someone holds it, -1 cannot be made (no folder, read-only medium).
  int OpenFile(const std::wstring& fileSet);

  std::wstring destination_;
  HANDLE mutex_ = nullptr;
  bool owned_ = false;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Who holds the destination, as the holder wrote it into its lock file;
// empty when the file cannot be read.
std::wstring ReadLockHolder(const std::wstring& destination);

// For the run: holds the active page's destination, waiting up to
// app.DestinationWaitMs with a status line. False when the wait ran out (an
// error line names the holder) or the user aborted.
bool AcquireDestination(App& app, DestinationLock& lock);

}  // namespace ruzer

#include "engine/Slock.h"

#include <cstdio>
#include <vector>

#include "base/services.h"
#include "base/textfile.h"
#include "engine/Sdskio.h"
#include "store/Fdef.h"

namespace ruzer {

namespace {

// How often a waiting run looks again.
constexpr int kPollMs = 200;

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
  out.resize(n);
  return out;
}

std::wstring LockFilePath(const std::wstring& destination) {
  std::wstring d = destination;
  while (!d.empty() && d.back() == L'\\') d.pop_back();
  return d + L"\\" + kLockFileName;
}

std::wstring ComputerName() {
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(buf, &n) ? std::wstring(buf, n) : std::wstring();
}

std::wstring ProgramName() {
  wchar_t buf[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring path(buf, n < MAX_PATH ? n : 0);
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t buf[32];
  swprintf(buf, 32, L"%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond);
  return buf;
}

bool IsBusy(DWORD err) { return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION; }

}  // namespace

std::wstring DestinationKey(const std::wstring& destination) {
  std::wstring key = LongPath(FullPath(destination));
  while (key.size() > 7 && key.back() == L'\\') key.pop_back();  // keep "\\?\C:\" whole
  if (key.size() == 6 && key[5] == L':') key += L'\\';              // "\\?\C:" is the root "\\?\C:\"
  std::wstring upper(key.size() * 2 + 1, L'\0');
  const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, key.c_str(),
                              static_cast<int>(key.size()), upper.data(), static_cast<int>(upper.size()),
                              nullptr, nullptr, 0);
  if (n <= 0) return key;
  upper.resize(static_cast<size_t>(n));
  return upper;
}

std::wstring DestinationMutexName(const std::wstring& destination) {
  // Backslashes are not allowed in object names, and paths can be long: a
  // 64-bit FNV-1a hash of the key names it.
  std::uint64_t h = 14695981039346656037ull;
  for (wchar_t c : DestinationKey(destination)) {
    h ^= static_cast<std::uint64_t>(c);
    h *= 1099511628211ull;
  }
  wchar_t buf[64];
  swprintf(buf, 64, L"Global\\Ruzer.Destination.%016llX", static_cast<unsigned long long>(h));
  return buf;
}

int DestinationLock::OpenFile(const std::wstring& fileSet) {
  const std::wstring path = LongPath(LockFilePath(destination_));
  // Read sharing only: nobody else can take it for writing, everybody can
  // read who holds it. Deleted when closed, also when the process dies.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return IsBusy(GetLastError()) ? 0 : -1;
  const std::vector<std::wstring> lines = {
      L"Program=" + std::wstring(Fdef::kProduct) + L" " + Fdef::kVersion + L" (" + ProgramName() + L")",
      L"PID=" + std::to_wstring(GetCurrentProcessId()),
      L"Computer=" + ComputerName(),
      L"FileSet=" + fileSet,
      L"Since=" + Now()};
  const std::string bytes = EncodeUtf16Lines(lines);
  DWORD written = 0;
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  SetEndOfFile(h);
  FlushFileBuffers(h);
  file_ = h;
  return 1;
}

bool DestinationLock::TryAcquire(const std::wstring& destination, const std::wstring& fileSet,
                                 std::wstring& holder) {
  Release();
  destination_ = destination;
  holder.clear();
  mutex_ = CreateMutexW(nullptr, FALSE, DestinationMutexName(destination).c_str());
  if (!mutex_) {
    // Made by another user's Ruzer that still holds it open.
    holder = ReadLockHolder(destination);
    if (holder.empty()) holder = Fdef::kProduct;
    return false;
  }
  const DWORD w = WaitForSingleObject(mutex_, 0);
  if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
    CloseHandle(mutex_);
    mutex_ = nullptr;
    holder = ReadLockHolder(destination);
    if (holder.empty()) holder = Fdef::kProduct;
    return false;
  }
  // The mutex counts recursively within one thread: the file also tells
  // this process's own second holder apart.
  if (PathKind(destination) == 2 && OpenFile(fileSet) == 0) {
    holder = ReadLockHolder(destination);
    if (holder.empty()) holder = Fdef::kProduct;
    Release();
    return false;
  }
  owned_ = true;
  return true;
}

bool DestinationLock::TakeFileIfMissing(const std::wstring& fileSet, std::wstring& holder) {
  if (!owned_ || file_ != INVALID_HANDLE_VALUE || PathKind(destination_) != 2) return true;
  if (OpenFile(fileSet) != 0) return true;
  holder = ReadLockHolder(destination_);
  if (holder.empty()) holder = Fdef::kProduct;
  return false;
}

void DestinationLock::Release() {
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  if (mutex_) {
    ReleaseMutex(mutex_);  // held whenever the handle is kept
    CloseHandle(mutex_);
    mutex_ = nullptr;
  }
  owned_ = false;
}

std::wstring ReadLockHolder(const std::wstring& destination) {
  HANDLE h = CreateFileW(LongPath(LockFilePath(destination)).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return L"";
  std::string bytes(4096, '\0');
  DWORD got = 0;
  const bool ok = ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  if (!ok || got < 2) return L"";
  bytes.resize(got);
  std::wstring text;
  size_t start = (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) ? 2 : 0;
  for (size_t i = start; i + 1 < bytes.size(); i += 2)
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<unsigned char>(bytes[i + 1]) << 8));
  std::wstring program, pid, computer, fileSet, since;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(pos, end - pos);
    pos = end + 2;
    const size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) continue;
    const std::wstring key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == L"Program") program = value;
    else if (key == L"PID") pid = value;
    else if (key == L"Computer") computer = value;
    else if (key == L"FileSet") fileSet = value;
    else if (key == L"Since") since = value;
  }
  if (program.empty()) return L"";
  std::wstring out = program;
  if (!pid.empty()) out += L", PID " + pid;
  if (!computer.empty()) out += L", コンピュータ " + computer;
  if (!fileSet.empty()) out += L", <" + fileSet + L">";
  if (!since.empty()) out += L", " + since + L" から";
  return out;
}

bool AcquireDestination(App& app, DestinationLock& lock) {
  const std::wstring& dest = DestinationOf(app.env);
  const std::wstring fileSet = app.IndexPath();
  std::wstring holder;
  if (lock.TryAcquire(dest, fileSet, holder)) return true;
  const std::uint64_t begin = app.clock.TickMs();
  for (;;) {
    StatusMessage(app, L"バックアップ先 <" + dest + L"> は使用中です (" + holder + L"). 待機中...");
    LetMessagesRun(app, true);
    if (app.AbortRequested) return false;
    if (app.clock.TickMs() - begin >= static_cast<std::uint64_t>(app.DestinationWaitMs)) break;
    app.clock.Sleep(kPollMs);
    if (lock.TryAcquire(dest, fileSet, holder)) return true;
  }
  ErrorListAdd(app, dest + L" <エラー:" + std::to_wstring(ERROR_SHARING_VIOLATION) + L"> " +
                        L"バックアップ先は使用中です (" + holder + L"). このページは保存しませんでした.");
  return false;
}

}  // namespace ruzer

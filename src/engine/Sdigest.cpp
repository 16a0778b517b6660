#include "engine/Sdigest.h"

#include <algorithm>
#include <cstring>

#include "base/disk.h"
#include "base/text.h"
#include "base/textfile.h"

namespace ruzer {

// ------------------------------------------------------------------ XXH64

namespace {

constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kP2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kP3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kP4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kP5 = 0x27D4EB2F165667C5ull;

inline std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// Little-endian reads; x86 and x64 are little-endian and memcpy compiles to one load.
inline std::uint64_t Read64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline std::uint32_t Read32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline std::uint64_t Round(std::uint64_t acc, std::uint64_t lane) {
  acc += lane * kP2;
  acc = Rotl(acc, 31);
  return acc * kP1;
}

inline std::uint64_t Merge(std::uint64_t acc, std::uint64_t v) {
  acc ^= Round(0, v);
  return acc * kP1 + kP4;
}

inline void Stripe(std::uint64_t* acc, const unsigned char* p) {
  acc[0] = Round(acc[0], Read64(p));
  acc[1] = Round(acc[1], Read64(p + 8));
  acc[2] = Round(acc[2], Read64(p + 16));
  acc[3] = Round(acc[3], Read64(p + 24));
}

}  // namespace

void ContentHash::Update(const void* data, std::size_t size) {
  auto p = static_cast<const unsigned char*>(data);
  total_ += size;
  if (buffered_ > 0) {
    const std::size_t n = std::min(size, sizeof buffer_ - buffered_);
    std::memcpy(buffer_ + buffered_, p, n);
    buffered_ += n;
    p += n;
    size -= n;
    if (buffered_ < sizeof buffer_) return;
    Stripe(acc_, buffer_);
    buffered_ = 0;
  }
  std::uint64_t a[4] = {acc_[0], acc_[1], acc_[2], acc_[3]};
  for (; size >= 32; p += 32, size -= 32) Stripe(a, p);
  std::memcpy(acc_, a, sizeof a);
  std::memcpy(buffer_, p, size);
  buffered_ = size;
}

std::uint64_t ContentHash::Final() const {
  std::uint64_t h;
  if (total_ >= 32) {
    h = Rotl(acc_[0], 1) + Rotl(acc_[1], 7) + Rotl(acc_[2], 12) + Rotl(acc_[3], 18);
    for (int i = 0; i < 4; ++i) h = Merge(h, acc_[i]);
  } else {
    h = kP5;  // seed 0
  }
  h += total_;
  const unsigned char* p = buffer_;
  std::size_t n = buffered_;
  for (; n >= 8; p += 8, n -= 8) h = Rotl(h ^ Round(0, Read64(p)), 27) * kP1 + kP4;
  if (n >= 4) {
    h = Rotl(h ^ (static_cast<std::uint64_t>(Read32(p)) * kP1), 23) * kP2 + kP3;
    p += 4;
    n -= 4;
  }
  for (; n > 0; ++p, --n) h = Rotl(h ^ (*p * kP5), 11) * kP1;
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  h *= kP3;
  h ^= h >> 32;
  return h;
}

std::uint64_t HashBytes(const void* data, std::size_t size) {
  ContentHash h;
  h.Update(data, size);
  return h.Final();
}

// ------------------------------------------------------------------ pipeline

namespace {
double Seconds() {
  static const double perSecond = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perSecond;
}

// Waits without a call to the system for what the other thread is about to
// do; after the first spins it lets other threads of the machine run.
template <class Ready>
void SpinUntil(Ready ready) {
  for (int i = 0; !ready(); ++i) {
    if (i < 64)
      YieldProcessor();
    else
      SwitchToThread();
  }
}

// How long the hasher stays awake after its last piece: the gap between two
// large files (closing one, opening the next) is far shorter.
constexpr double kAwakeSeconds = 0.005;
}  // namespace

HashPipeline::HashPipeline() {
  static unsigned char buffers[kSlots][kPieceBytes];
  for (int i = 0; i < kSlots; ++i) slots_[i].data = buffers[i];
}

HashPipeline& HashPipeline::Shared() {
  // Never destroyed: at the end of the process its thread is simply gone.
  static HashPipeline* pipeline = new HashPipeline;
  return *pipeline;
}

unsigned char* HashPipeline::Piece() {
  Slot& s = slots_[next_];
  SpinUntil([&] { return !s.full.load(std::memory_order_acquire); });
  return s.data;
}

void HashPipeline::Hand(std::size_t bytes, bool last) {
  if (bytes == 0) return;
  if (last && !handed_) {
    hash_.Update(slots_[next_].data, bytes);
    return;
  }
  if (!tried_) {
    tried_ = true;
    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wake_) thread_ = CreateThread(nullptr, 64 * 1024, &HashPipeline::ThreadMain, this, 0, nullptr);
  }
  if (!thread_) {  // no second thread: hash here
    hash_.Update(slots_[next_].data, bytes);
    return;
  }
  Slot& s = slots_[next_];
  s.size = bytes;
  s.full.store(true);
  handed_ = true;
  next_ = (next_ + 1) % kSlots;
  if (sleeping_.exchange(false)) SetEvent(wake_);
}

std::uint64_t HashPipeline::Final() {
  for (Slot& s : slots_) SpinUntil([&] { return !s.full.load(std::memory_order_acquire); });
  const std::uint64_t digest = hash_.Final();
  hash_ = ContentHash{};
  handed_ = false;
  return digest;
}

unsigned long __stdcall HashPipeline::ThreadMain(void* self) {
  static_cast<HashPipeline*>(self)->Hasher();
  return 0;
}

void HashPipeline::Hasher() {
  for (int k = 0;; k = (k + 1) % kSlots) {
    Slot& s = slots_[k];
    double idleSince = 0;
    for (int i = 0; !s.full.load(std::memory_order_acquire); ++i) {
      if (i < 64) {
        YieldProcessor();
        continue;
      }
      SwitchToThread();
      if (i % 64 != 0) continue;
      const double now = Seconds();
      if (idleSince == 0) idleSince = now;
      if (now - idleSince < kAwakeSeconds) continue;
      // Asleep until the next piece; the feeder wakes it when it sees the flag.
      sleeping_.store(true);
      if (!s.full.load()) WaitForSingleObject(wake_, INFINITE);
      sleeping_.store(false);
      i = 0;
      idleSince = 0;
    }
    hash_.Update(s.data, s.size);
    s.full.store(false, std::memory_order_release);
  }
}

// ------------------------------------------------------------------ lines

namespace {

constexpr wchar_t kHeader[] = L"Ruzer digests 1 XXH64";

std::wstring Hex16(std::uint64_t v) {
  wchar_t buf[17];
  static const wchar_t digits[] = L"0123456789ABCDEF";
  for (int i = 15; i >= 0; --i, v >>= 4) buf[i] = digits[v & 15];
  buf[16] = 0;
  return buf;
}

bool ParseHex16(const std::wstring& s, std::uint64_t& v) {
  if (s.size() != 16) return false;
  v = 0;
  for (wchar_t c : s) {
    int d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  return true;
}

std::uint64_t FromFileTime(const FILETIME& t) {
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
FILETIME ToFileTime(std::uint64_t v) {
  return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

// Splits at tabs; the last field (the path) takes the rest.
std::vector<std::wstring> Fields(const std::wstring& line, size_t count) {
  std::vector<std::wstring> out;
  size_t at = 0;
  while (out.size() + 1 < count) {
    const size_t tab = line.find(L'\t', at);
    if (tab == std::wstring::npos) break;
    out.push_back(line.substr(at, tab - at));
    at = tab + 1;
  }
  out.push_back(line.substr(at));
  return out;
}

bool IsSafeEntryPath(const std::wstring& p) {
  if (p.empty() || p[0] == L'\\') return false;
  for (wchar_t c : p)
    if (c < 32) return false;
  return true;
}

}  // namespace

bool ParseDigestLine(const std::wstring& line, DigestEntry& e) {
  if (line.size() < 2 || line[0] != L'+' || line[1] != L'\t') return false;
  const auto f = Fields(line.substr(2), 5);
  if (f.size() != 5 || f[0].empty() || f[0].size() > 20) return false;
  std::uint64_t size = 0;
  for (wchar_t c : f[0]) {
    if (c < L'0' || c > L'9') return false;
    size = size * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  std::uint64_t written, digest, read;
  if (!ParseHex16(f[1], written) || !ParseHex16(f[2], digest) || !ParseHex16(f[3], read)) return false;
  if (!IsSafeEntryPath(f[4]) || f[4].back() == L'\\') return false;
  e.size = size;
  e.lastWrite = ToFileTime(written);
  e.digest = digest;
  e.read = ToFileTime(read);
  e.path = f[4];
  return true;
}

std::wstring DigestLine(const DigestEntry& e) {
  return L"+\t" + std::to_wstring(e.size) + L"\t" + Hex16(FromFileTime(e.lastWrite)) + L"\t" +
         Hex16(e.digest) + L"\t" + Hex16(FromFileTime(e.read)) + L"\t" + e.path;
}

FILETIME UtcFileTime(const SYSTEMTIME& local) {
  FILETIME lft{}, utc{};
  SystemTimeToFileTime(&local, &lft);
  LocalFileTimeToFileTime(&lft, &utc);
  return utc;
}

// ------------------------------------------------------------------ the book

namespace {
// Lines waiting to be added go out in pieces of about this many characters.
constexpr size_t kPendingChars = 32 * 1024;
}  // namespace

void DigestBook::Reset(const std::wstring& generation) {
  Close();
  folder_ = generation;
  if (!folder_.empty() && folder_.back() != L'\\') folder_ += L'\\';
  loaded_ = dropped_ = false;
  entries_.clear();
  pending_.clear();
}

std::wstring DigestBook::FilePath() const { return folder_ + kDigestFileName; }

void DigestBook::Load() {
  if (loaded_ || folder_.empty()) return;
  loaded_ = true;
  const TextReadResult text = ReadTextFile(LongPath(FilePath()));
  if (!text.ok()) return;
  size_t lines = 0;
  for (const auto& line : text.lines) {
    ++lines;
    if (line.size() >= 2 && line[0] == L'-' && line[1] == L'\t') {
      const std::wstring path = line.substr(2);
      if (!path.empty() && path.back() == L'\\') {
        const std::wstring prefix = CaseFreeKey(path);
        std::erase_if(entries_, [&](const auto& kv) { return kv.first.compare(0, prefix.size(), prefix) == 0; });
      } else {
        entries_.erase(CaseFreeKey(path));
      }
      continue;
    }
    DigestEntry e;
    if (ParseDigestLine(line, e)) entries_[CaseFreeKey(e.path)] = std::move(e);
  }
  // Runs only append: once most lines are history, the file is written anew
  // (to a temporary name first, as every file of ours).
  if (lines > 2 * entries_.size() + 64 && file_ == INVALID_HANDLE_VALUE) {
    std::vector<std::wstring> out{kHeader};
    out.reserve(entries_.size() + 1);
    for (const auto& [k, e] : entries_) out.push_back(DigestLine(e));
    WriteUtf16File(LongPath(FilePath()), out);
  }
}

bool DigestBook::Write(const std::wstring& lines) {
  if (dropped_) return false;
  if (file_ == INVALID_HANDLE_VALUE) {
    file_ = CreateFileW(LongPath(FilePath()).c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file_, &size);
    std::wstring start;
    if (size.QuadPart == 0) {
      start = L"\xFEFF";
      start += kHeader;
      start += L"\r\n";
    } else {
      // A killed run may have left half a line (or half a character): the
      // lines that follow must start on a line of their own.
      unsigned char tail[2] = {};
      DWORD got = 0;
      LARGE_INTEGER at;
      at.QuadPart = size.QuadPart >= 2 ? size.QuadPart - 2 : 0;
      SetFilePointerEx(file_, at, nullptr, FILE_BEGIN);
      ReadFile(file_, tail, 2, &got, nullptr);
      if (size.QuadPart % 2 == 1) {
        DWORD w = 0;
        const char zero = 0;
        WriteFile(file_, &zero, 1, &w, nullptr);
        start = L"\r\n";
      } else if (!(got == 2 && tail[0] == '\n' && tail[1] == 0)) {
        start = L"\r\n";
      }
    }
    if (!start.empty()) pending_.insert(0, start);
  }
  std::wstring all;
  all.swap(pending_);
  all += lines;
  const DWORD bytes = static_cast<DWORD>(all.size() * sizeof(wchar_t));
  DWORD written = 0;
  return WriteFile(file_, all.data(), bytes, &written, nullptr) && written == bytes;
}

void DigestBook::Drop() {
  Close();
  dropped_ = true;
  pending_.clear();
  DeleteFileForced(FilePath());
}

bool DigestBook::Take(const std::wstring& path, DigestEntry& taken) {
  if (!Active() || dropped_) return false;
  Load();
  auto it = entries_.find(CaseFreeKey(path));
  if (it == entries_.end()) return false;
  taken = std::move(it->second);
  entries_.erase(it);
  if (!Write(L"-\t" + taken.path + L"\r\n")) Drop();
  return true;
}

std::vector<DigestEntry> DigestBook::TakeFolder(const std::wstring& folder) {
  std::vector<DigestEntry> taken;
  if (!Active() || dropped_) return taken;
  Load();
  std::wstring prefix = folder;
  if (prefix.empty()) return taken;
  if (prefix.back() != L'\\') prefix += L'\\';
  const std::wstring key = CaseFreeKey(prefix);
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->first.compare(0, key.size(), key) == 0) {
      taken.push_back(std::move(it->second));
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  if (!taken.empty() && !Write(L"-\t" + prefix + L"\r\n")) Drop();
  return taken;
}

void DigestBook::Add(const DigestEntry& entry) {
  if (!Active() || dropped_ || !IsSafeEntryPath(entry.path)) return;
  pending_ += DigestLine(entry);
  pending_ += L"\r\n";
  if (pending_.size() >= kPendingChars) Flush();
}

void DigestBook::Flush() {
  if (pending_.empty() || dropped_) return;
  // A line that adds an entry may be lost: its copy is then only not yet known.
  if (!Write(L"")) pending_.clear();
}

void DigestBook::Close() {
  Flush();
  pending_.clear();
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
}

const std::unordered_map<std::wstring, DigestEntry>& DigestBook::Entries() {
  Load();
  return entries_;
}

}  // namespace ruzer

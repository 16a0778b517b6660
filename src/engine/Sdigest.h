// Digests of stored copies: the content hash and the digest file that every
// generation keeps at its root ("DIGEST.TXT"), one entry per copy below it.
//
// The file is a journal: a run only appends, so an unchanged run neither reads
// nor writes it. "+" lines give a copy's entry, "-" lines take one away (a
// path ending in "\" takes a whole folder); the last line for a path counts.
// An entry goes from the file before its copy is moved, replaced or deleted,
// and is written only after its copy is in place: a run killed at any moment
// leaves no entry for a copy other than the one it was made from.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>
#include <windows.h>

namespace ruzer {

inline constexpr wchar_t kDigestFileName[] = L"DIGEST.TXT";

// XXH64 (seed 0) of a byte stream, fed in pieces of any size.
class ContentHash {
 public:
  void Update(const void* data, std::size_t size);
  std::uint64_t Final() const;

 private:
  std::uint64_t acc_[4] = {0x60EA27EEADC0B5D6ull, 0xC2B2AE3D27D4EB4Full, 0, 0x61C8864E7A143579ull};
  unsigned char buffer_[32] = {};
  std::size_t buffered_ = 0;
  std::uint64_t total_ = 0;
};
std::uint64_t HashBytes(const void* data, std::size_t size);

// Hashes on a thread of its own while the caller reads (and writes) the next
// piece, so that a large file is read and hashed in the time of the reading
// alone. One stream at a time, fed from one thread:
//   for (;;) { p = Piece(); read n bytes into p; Hand(n, n < kPieceBytes); ... }
//   digest = Final();
// Final also ends a stream left half-way (after a read error).
class HashPipeline {
 public:
  static constexpr std::size_t kPieceBytes = 64 * 1024;
  // The program's one pipeline; its thread starts with the first large file.
  static HashPipeline& Shared();

  // The buffer for the next piece, once the hasher is done with it.
  unsigned char* Piece();
  // `bytes` read into Piece(). A file that is all in its first piece is
  // hashed here: waking the other thread would cost more than the hashing.
  void Hand(std::size_t bytes, bool last);
  // The digest of the stream; the next Piece() starts a new one.
  std::uint64_t Final();

 private:
  static constexpr int kSlots = 4;
  struct Slot {
    std::atomic<bool> full{false};
    std::size_t size = 0;
    unsigned char* data = nullptr;
  };
  HashPipeline();
  static unsigned long __stdcall ThreadMain(void* self);
  void Hasher();

  Slot slots_[kSlots];
  int next_ = 0;           // the slot Piece() gives
  bool handed_ = false;    // the stream has pieces on the other thread
  ContentHash hash_;       // the other thread's while a slot is full
  std::atomic<bool> sleeping_{false};
  void* wake_ = nullptr;   // event the idle hasher waits on
  void* thread_ = nullptr;
  bool tried_ = false;     // to start the thread
};

// What a copy was when it was stored.
struct DigestEntry {
  std::wstring path;  // below the generation, as written
  std::uint64_t size = 0;
  FILETIME lastWrite{};
  std::uint64_t digest = 0;
  FILETIME read{};  // when its bytes were last read (UTC): the copy or a verify
};

// "+\t<size>\t<last write>\t<digest>\t<read>\t<path>": times as FILETIME and
// the digest in 16 hex digits. False for any other line.
bool ParseDigestLine(const std::wstring& line, DigestEntry& entry);
std::wstring DigestLine(const DigestEntry& entry);

// A local time (the run's clock) as a UTC file time.
FILETIME UtcFileTime(const SYSTEMTIME& local);

// The digest file of one generation. Reads it only when an entry is needed.
class DigestBook {
 public:
  DigestBook() = default;
  ~DigestBook() { Close(); }
  DigestBook(const DigestBook&) = delete;
  DigestBook& operator=(const DigestBook&) = delete;

  // The generation folder (with or without trailing backslash); empty: none.
  void Reset(const std::wstring& generation);
  bool Active() const { return !folder_.empty(); }
  std::wstring FilePath() const;

  // Takes the entry of a copy about to be moved, replaced or deleted: gone
  // from the file when this returns. False when the copy had none.
  bool Take(const std::wstring& path, DigestEntry& taken);
  // The same for a folder: every entry below `folder`.
  std::vector<DigestEntry> TakeFolder(const std::wstring& folder);
  // A copy in place (written at the next Flush or Close).
  void Add(const DigestEntry& entry);
  void Flush();
  void Close();

  // Every entry (reads the file the first time).
  const std::unordered_map<std::wstring, DigestEntry>& Entries();

 private:
  void Load();
  bool Write(const std::wstring& lines);
  // The file cannot take a line that takes an entry away: it goes as a whole,
  // so that no entry outlives its copy.
  void Drop();

  std::wstring folder_;  // with trailing backslash
  bool loaded_ = false;
  bool dropped_ = false;
  std::unordered_map<std::wstring, DigestEntry> entries_;
  std::wstring pending_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace ruzer

// Digests of stored copies: the hash itself, the digest taken while copying,
// and the digest file each generation keeps for its copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "base/textfile.h"
#include "engine/Sdigest.h"
#include "support/backup_fixture.h"

namespace ruzer::test {
namespace {

FILETIME LastWrite(const std::wstring& path) {
  DirEntry e;
  LookupEntry(path, e);
  return e.lastWrite;
}

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + 3) % 251);
  return s;
}

// Published XXH64 values (seed 0), checked against Debian's xxhsum.
TEST(ContentHash, GivesThePublishedXxh64Values) {
  struct Case {
    std::string bytes;
    std::uint64_t digest;
  };
  const Case cases[] = {
      {"", 0xEF46DB3751D8E999ull},
      {"abc", 0x44BC2CF5AD770999ull},
      {"Nobody inspects the spammish repetition", 0xFBCEA83C8A378BF1ull},
      {Pattern(100003), 0x148A2FDF3EA2C6E5ull},
  };
  for (const auto& c : cases) EXPECT_EQ(c.digest, HashBytes(c.bytes.data(), c.bytes.size())) << c.bytes.size();
  // Fed in pieces of any size, the stream gives the same value.
  const std::string big = Pattern(100003);
  for (size_t piece : {1u, 7u, 31u, 32u, 33u, 4096u}) {
    ContentHash h;
    for (size_t at = 0; at < big.size(); at += piece) h.Update(big.data() + at, std::min(piece, big.size() - at));
    EXPECT_EQ(0x148A2FDF3EA2C6E5ull, h.Final()) << piece;
  }
}

// The pipeline hashes on its own thread: whatever the pieces, whether the
// hasher was awake or had gone to sleep between two streams, and after a
// stream left half-way, each stream's digest is that of its own bytes.
TEST(HashPipeline, EachStreamGivesTheDigestOfItsOwnBytes) {
  HashPipeline& pipe = HashPipeline::Shared();
  const std::string big = Pattern(HashPipeline::kPieceBytes * 9 + 12345);
  struct Case {
    size_t bytes;
    int pauseMs;  // before the stream: long enough for the hasher to sleep
    bool abandon;  // fed half and ended without using the digest
  };
  const Case cases[] = {{big.size(), 0, false}, {HashPipeline::kPieceBytes, 0, false}, {100, 0, false},
                        {big.size(), 50, false}, {big.size(), 0, true},           {0, 0, false},
                        {HashPipeline::kPieceBytes * 3, 30, false}, {big.size(), 0, false}};
  for (const Case& c : cases) {
    Sleep(static_cast<DWORD>(c.pauseMs));
    size_t at = 0;
    for (;;) {
      unsigned char* piece = pipe.Piece();
      const size_t n = std::min(HashPipeline::kPieceBytes, c.bytes - at);
      std::memcpy(piece, big.data() + at, n);
      at += n;
      const bool last = n < HashPipeline::kPieceBytes;
      pipe.Hand(n, last);
      if (last || (c.abandon && at > c.bytes / 2)) break;
    }
    const std::uint64_t digest = pipe.Final();
    if (!c.abandon) EXPECT_EQ(HashBytes(big.data(), c.bytes), digest) << c.bytes << " after " << c.pauseMs;
  }
}

// The digest is of the bytes the copy wrote, whatever path the copy took:
// empty, one read, exactly one buffer, several buffers, and the shell's copy
// of a large file.
TEST(CopyOneFile, GivesTheDigestOfWhatItCopied) {
  TestApp t;
  TempDir d;
  for (size_t size : {size_t{0}, size_t{5000}, size_t{1} << 20, (size_t{1} << 20) + 1, size_t{3} << 20,
                      (size_t{11} << 20) + 17}) {
    const std::string bytes = Pattern(size);
    ASSERT_TRUE(WriteBytes(d / L"src.bin", bytes));
    CopiedFile copied;
    ASSERT_EQ(0u, CopyOneFile(t.app, d / L"src.bin", d / L"copy.bin", size, nullptr, &copied)) << size;
    EXPECT_TRUE(copied.known) << size;
    EXPECT_EQ(size, copied.size);
    EXPECT_EQ(HashBytes(bytes.data(), bytes.size()), copied.digest) << size;
    DirEntry e;
    ASSERT_TRUE(LookupEntry(d / L"copy.bin", e));
    EXPECT_EQ(0, CompareFileTime(&e.lastWrite, &copied.lastWrite)) << size;
    EXPECT_EQ(bytes.size(), e.size);
  }
}

class DigestFileTest : public ::testing::Test, public BackupFixture {
 public:
  std::map<std::wstring, DigestEntry> BookOf(const std::wstring& gen) {
    DigestBook book;
    book.Reset(dest + L"\\" + gen);
    std::map<std::wstring, DigestEntry> out;
    for (const auto& [k, e] : book.Entries()) out[e.path] = e;
    return out;
  }
  std::wstring Rel(const std::wstring& file) const { return MirrorName(src) + L"\\" + file; }
  static std::uint64_t Digest(const std::string& s) { return HashBytes(s.data(), s.size()); }
};

TEST_F(DigestFileTest, EveryCopyHasItsEntryAndTheEntriesMoveWithTheCopies) {
  Put(src + L"\\keep.txt", "keep");
  Put(src + L"\\edit.txt", "old");
  Put(src + L"\\gone.txt", "gone");
  Put(src + L"\\sub\\s.txt", "s");
  AddRow(src);
  Backup();
  auto first = BookOf(L"100501A");
  ASSERT_EQ(4u, first.size());
  EXPECT_EQ(Digest("old"), first[Rel(L"edit.txt")].digest);
  EXPECT_EQ(3u, first[Rel(L"edit.txt")].size);
  const FILETIME written = LastWrite(src + L"\\edit.txt");
  EXPECT_EQ(0, CompareFileTime(&written, &first[Rel(L"edit.txt")].lastWrite));
  EXPECT_EQ(Digest("s"), first[Rel(L"sub\\s.txt")].digest);

  Put(src + L"\\edit.txt", "new!");
  DeleteFileW((src + L"\\gone.txt").c_str());
  DeleteFileW((src + L"\\sub\\s.txt").c_str());
  RemoveDirectoryW((src + L"\\sub").c_str());
  Day(2010, 5, 2);
  Backup();
  auto now = BookOf(L"100502A"), prev = BookOf(L"100501A");
  EXPECT_EQ((std::vector<std::wstring>{Rel(L"edit.txt"), Rel(L"keep.txt")}), [&] {
    std::vector<std::wstring> v;
    for (const auto& [p, e] : now) v.push_back(p);
    return v;
  }());
  EXPECT_EQ(Digest("new!"), now[Rel(L"edit.txt")].digest);
  EXPECT_EQ(Digest("keep"), now[Rel(L"keep.txt")].digest);
  ASSERT_EQ(3u, prev.size());
  EXPECT_EQ(Digest("old"), prev[Rel(L"edit.txt")].digest);
  EXPECT_EQ(Digest("gone"), prev[Rel(L"gone.txt")].digest);
  EXPECT_EQ(Digest("s"), prev[Rel(L"sub\\s.txt")].digest);
}

// An unchanged run neither reads nor writes the file.
TEST_F(DigestFileTest, UnchangedRunLeavesTheFileAlone) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  Backup();
  const std::wstring file = dest + L"\\100501A\\" + kDigestFileName;
  const std::string before = ReadBytes(file);
  const FILETIME time = LastWrite(file);
  Day(2010, 5, 2);
  Backup();
  const std::wstring moved = dest + L"\\100502A\\" + kDigestFileName;
  EXPECT_EQ(before, ReadBytes(moved));
  const FILETIME after = LastWrite(moved);
  EXPECT_EQ(0, CompareFileTime(&time, &after));
  EXPECT_EQ(0, PathKind(dest + L"\\100501A\\" + kDigestFileName));
}

// A killed write may leave half a line, even half a character: what follows
// starts on a line of its own and the half line counts for nothing.
TEST_F(DigestFileTest, HalfALineAtTheEndIsLeftBehind) {
  TempDir d;
  DigestEntry a;
  a.path = L"D_x\\a.txt";
  a.size = 1;
  a.digest = 42;
  for (const std::string& tail : {std::string("+\0\t\0" "1\0", 6), std::string("+\0\t", 3)}) {
    const std::wstring file = d / kDigestFileName;
    ASSERT_TRUE(WriteBytes(file, Utf16File({L"Ruzer digests 1 XXH64", DigestLine(a)}) + tail));
    DigestBook book;
    book.Reset(d.path());
    DigestEntry b = a;
    b.path = L"D_x\\b.txt";
    book.Add(b);
    book.Close();
    book.Reset(d.path());
    const auto& entries = book.Entries();
    EXPECT_EQ(2u, entries.size()) << tail.size();
    EXPECT_EQ(1u, entries.count(CaseFreeKey(b.path))) << tail.size();
  }
}

}  // namespace
}  // namespace ruzer::test

// Real automatic backups (ruzer.exe /A) of a changing tree, killed at random
// moments and each followed by a clean run: no version that a completed run
// backed up is ever lost or doubled, no temporary file stays, and the page
// and index files read back valid.
//
// RUZER_KILL_SEED=n replays one seed; RUZER_KILL_SEEDS=n runs n seeds
// (default 20), each with RUZER_KILL_ROUNDS kills (default 1). All runs of a case fall on today (the program uses the real
// clock); days and retention are the model test's business.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <set>

#include "base/textfile.h"
#include "engine/Scollate.h"
#include "engine/Slock.h"
#include "support/backup_fixture.h"
#include "process.h"
#include "sources/Sledit.h"
#include "store/Fdef.h"

namespace ruzer::test {
namespace {

using Version = std::pair<std::wstring, std::string>;  // path below the generation, contents

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

std::wstring Fold(std::wstring s) { return LowerText(s); }

class KillCase : public BackupFixture {
 public:
  explicit KillCase(unsigned seed) : rng(seed) {}

  std::mt19937 rng;
  std::set<Version> required;  // held by a completed run
  std::set<Version> ever;      // every contents a source file ever had
  int serial = 0;

  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

  std::string Contents(const std::wstring& rel) {
    // Mostly small, some large enough that a copy takes a while.
    const int kind = Pick(10);
    const size_t size = kind == 0 ? 1500000 + Pick(500000) : kind < 3 ? 100000 + Pick(100000) : 10 + Pick(3000);
    std::string s = Utf8(rel) + " #" + std::to_string(++serial) + " ";
    s.resize(size, static_cast<char>('a' + serial % 26));
    return s;
  }
  void Write(const std::wstring& rel) {
    const std::string c = Contents(rel);
    Put(src + L"\\" + rel, c);
  }

  // Selected source files as versions below a generation.
  std::set<Version> Selection() {
    std::set<Version> out;
    for (const auto& [rel, content] : Tree(src + L"\\A"))
      if (rel.back() != L'\\') out.insert({Fold(MirrorName(src + L"\\A") + L"\\" + rel), content});
    for (const auto& [rel, content] : Tree(src + L"\\B"))
      if (rel.back() != L'\\' && rel.find(L'\\') == std::wstring::npos)
        out.insert({Fold(MirrorName(src + L"\\B") + L"\\" + rel), content});
    return out;
  }
  void NoteSource() {
    for (const auto& [rel, content] : Tree(src))
      if (rel.back() != L'\\') ever.insert({Fold(rel), content});
  }
  bool WasEver(const Version& v) {
    // A version's path below the generation is the mirror name of its row plus the path in the row.
    for (const wchar_t* row : {L"A", L"B"}) {
      const std::wstring m = Fold(MirrorName(src + L"\\" + row)) + L"\\";
      if (v.first.compare(0, m.size(), m) == 0)
        return ever.count({Fold(std::wstring(row) + L"\\" + v.first.substr(m.size())), v.second}) > 0;
    }
    return false;
  }

  void Build() {
    for (int i = 0; i < 12; ++i) Write(L"A\\f" + std::to_wstring(i) + L".txt");
    for (int i = 0; i < 8; ++i) Write(L"A\\d" + std::to_wstring(i % 3) + L"\\g" + std::to_wstring(i) + L".dat");
    Write(L"A\\d0\\deep\\x.txt");
    for (int i = 0; i < 6; ++i) Write(L"B\\b" + std::to_wstring(i) + L".txt");
    Write(L"B\\sub\\never.txt");  // row B has no sub-folders
    app().env.backdays = 30;
    // Every clean run backs up, also the second clean run of a day
    // (RUZER_KILL_ROUNDS > 1), which "once a day" would rightly skip.
    app().env.check[1] = false;
    AddRow(src + L"\\A");
    AddRow(src + L"\\B", L"*.*", L"", L"");
  }

  void Mutate() {
    std::vector<std::wstring> files;
    for (const auto& [rel, c] : Tree(src))
      if (rel.back() != L'\\') files.push_back(rel);
    const int n = 3 + Pick(6);
    for (int i = 0; i < n && !files.empty(); ++i) {
      const std::wstring f = files[static_cast<size_t>(Pick(static_cast<int>(files.size())))];
      const std::wstring path = src + L"\\" + f;
      if (PathKind(path) != 1) continue;
      switch (Pick(5)) {
        case 0:
        case 1: Write(f); break;  // edit
        case 2: DeleteFileW(path.c_str()); break;
        case 3: MoveFileW(path.c_str(), (path + L".r" + std::to_wstring(++serial)).c_str()); break;
        default: Write(f.substr(0, f.rfind(L'\\') + 1) + L"n" + std::to_wstring(++serial) + L".txt"); break;
      }
    }
    if (Pick(3) == 0) {  // a folder renamed
      const std::wstring from = src + L"\\A\\d" + std::to_wstring(Pick(3));
      if (PathKind(from) == 2) MoveFileW(from.c_str(), (from + L"r" + std::to_wstring(++serial)).c_str());
    }
  }

  std::wstring Args() const { return L"/A \"" + sets + L"\\RUZER.IDX\""; }

  // Every check after a clean run; returns whether all held.
  void Check() {
    // The newest generation is the source's selection, byte for byte.
    const auto gens = Generations(dest);
    ASSERT_FALSE(gens.empty());
    std::map<Version, int> held;
    for (const auto& gen : gens) {
      const std::wstring g = dest + L"\\" + gen;
      for (const auto& [rel, content] : Tree(g)) {
        if (rel.back() == L'\\') continue;
        const std::wstring name = rel.substr(rel.rfind(L'\\') + 1);
        EXPECT_FALSE(IsRuzerTempName(name)) << "temporary file " << Utf8(gen + L"\\" + rel);
        if (rel.find(L'\\') == std::wstring::npos) {
          if (rel == L"Home.PAG") {
            std::string page;
            ReadFileBytes(LongPath(sets + L"\\Home.PAG"), page);
            EXPECT_EQ(page, content) << "page copy in " << Utf8(gen);
          } else {
            EXPECT_TRUE(rel == L"MEMO.TXT" || rel == L"ERROR.LOG" || rel == kDigestFileName || rel == kVerifyLogName)
                << "stray " << Utf8(gen + L"\\" + rel);
          }
          continue;
        }
        ++held[{Fold(rel), content}];
      }
    }
    std::set<Version> newest;
    for (const auto& [rel, content] : Tree(dest + L"\\" + gens.back()))
      if (rel.back() != L'\\' && rel.find(L'\\') != std::wstring::npos) newest.insert({Fold(rel), content});
    EXPECT_TRUE(newest == Selection()) << "the newest generation is not the source's mirror";
    EXPECT_EQ(0, PathKind(dest + L"\\" + gens.back() + L"\\ERROR.LOG"));
    for (const auto& v : required) {
      auto it = held.find(v);
      EXPECT_TRUE(it != held.end() && it->second == 1)
          << Utf8(v.first) << " held " << (it == held.end() ? 0 : it->second) << " times";
    }
    for (const auto& [v, n] : held) {
      EXPECT_EQ(1, n) << Utf8(v.first) << " held twice";
      EXPECT_TRUE(WasEver(v)) << Utf8(v.first) << " holds contents the source never had";
    }
    // Nothing else in the destination: no lock file, no temporary file.
    std::vector<DirEntry> files, folders;
    ListFolder(dest, files, folders);
    for (const auto& f : files) ADD_FAILURE() << "stray file " << Utf8(f.name);
    for (const auto& f : folders) EXPECT_TRUE(IsGenerationName(f.name)) << Utf8(f.name);
    // The index file reads back and records today's backup; the page file too.
    const TextReadResult index = ReadTextFile(sets + L"\\RUZER.IDX");
    ASSERT_TRUE(index.ok());
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t today[32];
    swprintf(today, 32, L"LstDy1=%04u/%02u/%02u", now.wYear, now.wMonth, now.wDay);
    bool recorded = false;
    for (const auto& l : index.lines) recorded |= l.compare(0, 17, today) == 0;
    EXPECT_TRUE(recorded) << "last backup not recorded";
    EXPECT_TRUE(ReadTextFile(sets + L"\\Home.PAG").ok());
  }
};

// A verify of every generation finds nothing: no entry a run left calls a
// sound copy damaged or missing.
void VerifiesSound(KillCase& c, const char* when) {
  c.app().errorLines.clear();
  const CollateResult r = CollatePage(c.app());
  EXPECT_FALSE(r.refused) << when;
  EXPECT_EQ(0, r.Findings()) << when;
  for (const auto& line : c.app().errorLines)
    if (line.find(L" <照合:") != std::wstring::npos) ADD_FAILURE() << when << ": " << Utf8(line);
}

// Runs one case; the caller prints the seed when it fails.
void RunCase(unsigned seed, int rounds, DWORD runMs) {
  KillCase c(seed);
  c.Build();
  c.Backup();  // the first generation, in-process (another day: 2010/05/01)
  ASSERT_EQ(L"バックアップ終了．", c.t.view.status);
  c.NoteSource();
  c.required = c.Selection();
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    c.Mutate();
    c.NoteSource();
    DWORD delay = 0;
    {
      RuzerProcess killed;
      ASSERT_TRUE(killed.Start(c.Args()));
      delay = c.Pick(2) ? static_cast<DWORD>(c.Pick(static_cast<int>(runMs)))
                                    : runMs / 2 + static_cast<DWORD>(c.Pick(static_cast<int>(runMs / 2 + 1)));
      killed.Wait(delay);
      killed.Kill();
    }
    VerifiesSound(c, "after the kill");
    RuzerProcess clean;
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(clean.Start(c.Args()));
    if (!clean.Wait(60000)) {
      clean.Kill();
      FAIL() << "the clean run did not end";
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    std::printf("kill-anywhere: seed %u killed after %u ms; clean run %d ms\n", seed, static_cast<unsigned>(delay),
                static_cast<int>(took.count()));
    ASSERT_EQ(0u, clean.ExitCode());
    for (const auto& v : c.Selection()) c.required.insert(v);
    c.Check();
    VerifiesSound(c, "after the clean run");
  }
}

TEST(KillAnywhere, NoVersionLostWhereverARunIsKilled) {
  const int only = EnvInt("RUZER_KILL_SEED", -1);
  const int seeds = EnvInt("RUZER_KILL_SEEDS", 20);
  // Kill moments fall within this span after the start (start-up included).
  const DWORD runMs = static_cast<DWORD>(EnvInt("RUZER_KILL_SPAN_MS", 5000));
  for (int s = only >= 0 ? only : 1; s <= (only >= 0 ? only : seeds); ++s) {
    SCOPED_TRACE("seed " + std::to_string(s) + " (replay: RUZER_KILL_SEED=" + std::to_string(s) + ")");
    const bool before = HasFailure();
    RunCase(static_cast<unsigned>(s), EnvInt("RUZER_KILL_ROUNDS", 1), runMs);
    if (!before && HasFailure()) std::printf("kill-anywhere: seed %d failed; replay with RUZER_KILL_SEED=%d\n", s, s);
  }
}

// "ruzer.exe /V" verifies every page and closes with 0 on a sound backup,
// with 1 once a stored byte has changed; "/V:n" takes the same file set.
TEST(VerifyProcess, ExitsWithWhatItFound) {
  KillCase c(9);
  c.Build();
  c.Backup();
  ASSERT_EQ(L"バックアップ終了．", c.t.view.status);
  const std::wstring index = L" \"" + c.sets + L"\\RUZER.IDX\"";
  auto run = [&](const std::wstring& args) -> DWORD {
    RuzerProcess p;
    if (!p.Start(args + index)) return 99;
    if (!p.Wait(60000)) {
      p.Kill();
      return 98;
    }
    return p.ExitCode();
  };
  EXPECT_EQ(0u, run(L"/V"));
  const std::wstring copy = c.dest + L"\\" + Generations(c.dest).back() + L"\\" + MirrorName(c.src + L"\\B") + L"\\b0.txt";
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(LongPath(copy), bytes).ok());
  DirEntry before;
  ASSERT_TRUE(LookupEntry(copy, before));
  bytes[0] = static_cast<char>(bytes[0] ^ 1);
  ASSERT_TRUE(WriteBytes(copy, bytes));
  HANDLE h = CreateFileW(LongPath(copy).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  SetFileTime(h, nullptr, nullptr, &before.lastWrite);
  CloseHandle(h);
  EXPECT_EQ(1u, run(L"/V:1"));
  const TextReadResult log = ReadTextFile(c.dest + L"\\" + Generations(c.dest).back() + L"\\" + kVerifyLogName);
  ASSERT_TRUE(log.ok());
  ASSERT_EQ(2u, log.lines.size());
  EXPECT_EQ(copy + L" <照合:破損> 内容が保存したときと違います", log.lines[1]);
}

// Two processes: a run that finds its destination held waits, writes nothing
// meanwhile, and completes once the holder lets go.
TEST(OneRunPerDestination, SecondProcessWaitsForTheHolderAndThenCompletes) {
  KillCase c(7);
  c.Build();
  DestinationLock held;
  std::wstring holder;
  ASSERT_TRUE(held.TryAcquire(c.dest, L"held by the test", holder));
  RuzerProcess run;
  ASSERT_TRUE(run.Start(c.Args()));
  EXPECT_FALSE(run.Wait(4000));
  EXPECT_TRUE(Generations(c.dest).empty()) << "written while the destination was held";
  held.Release();
  ASSERT_TRUE(run.Wait(60000));
  EXPECT_EQ(0u, run.ExitCode());
  EXPECT_EQ(1u, Generations(c.dest).size());
}

// Two processes: while ruzer.exe backs up, the destination is held and the
// lock file names it.
TEST(OneRunPerDestination, RunningProgramHoldsItsDestinationAndSaysSo) {
  KillCase c(8);
  c.Build();
  for (int i = 0; i < 12; ++i) Put(c.src + L"\\A\\big" + std::to_wstring(i) + L".bin", std::string(2000000, 'x'));
  RuzerProcess run;
  ASSERT_TRUE(run.Start(c.Args()));
  bool seen = false;
  for (int i = 0; i < 3000 && !seen && run.Running(); ++i) {
    DestinationLock mine;
    std::wstring holder;
    // The file is empty for a moment between its creation and its text, and
    // again while it goes: the holder then reads as the bare product name.
    if (PathKind(c.dest + L"\\" + kLockFileName) == 1 && !mine.TryAcquire(c.dest, L"test", holder) &&
        holder != Fdef::kProduct) {
      seen = holder.find(L"PID " + std::to_wstring(run.Pid())) != std::wstring::npos;
      EXPECT_TRUE(seen) << Utf8(holder);
      EXPECT_NE(std::wstring::npos, holder.find(L"ruzer.exe")) << Utf8(holder);
    }
    Sleep(10);
  }
  EXPECT_TRUE(seen) << "never saw the destination held";
  ASSERT_TRUE(run.Wait(60000));
  EXPECT_EQ(0u, run.ExitCode());
  EXPECT_EQ(0, PathKind(c.dest + L"\\" + kLockFileName));
}

}  // namespace
}  // namespace ruzer::test

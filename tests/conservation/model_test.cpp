// Randomized conservation test: over many simulated days a random history of
// source changes, page changes and runs, checked after every run against a
// small model of what each generation must hold.
//
// RUZER_MODEL_SEED=n runs one seed; RUZER_MODEL_SEEDS=n runs seeds 1..n
// (default 3); RUZER_MODEL_DAYS=n simulates n days (default 60).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "base/textfile.h"
#include "engine/Scollate.h"
#include "engine/Select.h"
#include "support/backup_fixture.h"
#include "sources/Sledit.h"

namespace ruzer::test {
namespace {

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

std::wstring Fold(const std::wstring& s) { return LowerText(s); }

// A file: its contents, its time (seconds of a counter; a real change moves
// it by ten, so two times share a two-second step only when equal).
struct Entry {
  std::wstring name;  // path as written, letter case included
  std::string content;
  long long time = 0;
};
using Files = std::map<std::wstring, Entry>;  // folded path -> entry

struct RowConfig {
  bool present = false;
  std::wstring save = L"*.*", exclude, excluded;
  bool subfolders = true;
};

constexpr int kRows = 4;
const wchar_t* const kSaves[] = {L"*.*", L"*.txt", L"*.txt:*.dat"};
const wchar_t* const kExcludes[] = {L"", L"*.log", L"x*"};
const wchar_t* const kExcluded[] = {L"", L"d1", L"d1\\e1", L"d2:D3"};
const wchar_t* const kFolders[] = {L"", L"d1", L"d1\\e1", L"d2", L"D3", L"d2\\f"};
const wchar_t* const kNames[] = {L"a", L"b", L"x", L"note", L"Data"};
const wchar_t* const kExts[] = {L".txt", L".dat", L".log"};
const int kRetentions[] = {1, 2, 3, 5, 10};

class Model : public BackupFixture {
 public:
  explicit Model(unsigned seed) : rng(seed) {}

  std::mt19937 rng;
  Files source[kRows];  // per row folder, relative to it
  RowConfig rows[kRows];
  long long clock = 0;
  int serial = 0;

  // The generations as they must be: name -> files below the generation
  // (folded path -> entry), and the page copy each holds.
  std::map<std::wstring, Files> gens;
  std::map<std::wstring, std::string> genPage;
  // The rows of the page at each generation's run.
  std::map<std::wstring, std::set<std::wstring>> genRows;

  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
  std::wstring RowFolder(int r) const { return src + L"\\R" + std::to_wstring(r + 1); }

  SYSTEMTIME TimeOf(long long t) const {
    // 2009/01/01 00:00:00 local plus t seconds.
    SYSTEMTIME base = At(2009, 1, 1);
    FILETIME ft;
    SystemTimeToFileTime(&base, &ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    u.QuadPart += static_cast<unsigned long long>(t) * 10000000ull;
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    SYSTEMTIME out;
    FileTimeToSystemTime(&ft, &out);
    return out;
  }

  void WriteFile(int r, Entry& e) { PutAt(RowFolder(r) + L"\\" + e.name, e.content, TimeOf(e.time)); }

  std::string NewContent(size_t size = 0) {
    std::string s = "v";
    s += std::to_string(++serial);
    s += ':';
    if (size == 0) size = s.size() + static_cast<size_t>(Pick(200));
    s.resize(std::max(size, s.size()), static_cast<char>('a' + Pick(26)));
    return s;
  }

  // ---------------------------------------------------------------- changes

  void Create(int r) {
    std::wstring folder = kFolders[Pick(6)];
    std::wstring name = std::wstring(kNames[Pick(5)]) + std::to_wstring(Pick(4)) + kExts[Pick(3)];
    std::wstring rel = folder.empty() ? name : folder + L"\\" + name;
    // A folder of that name written in another case is the same folder.
    for (const auto& [k, e] : source[r]) {
      const size_t slash = e.name.rfind(L'\\');
      if (slash != std::wstring::npos && Fold(e.name.substr(0, slash)) == Fold(folder)) {
        rel = e.name.substr(0, slash) + L"\\" + name;
        break;
      }
    }
    if (source[r].count(Fold(rel))) return;
    Entry e{rel, NewContent(), clock += 10};
    WriteFile(r, e);
    source[r][Fold(rel)] = e;
  }

  Entry* Any(int r) {
    if (source[r].empty()) return nullptr;
    auto it = source[r].begin();
    std::advance(it, Pick(static_cast<int>(source[r].size())));
    return &it->second;
  }

  void Change(int r) {
    Entry* e = Any(r);
    if (!e) return Create(r);
    const std::wstring path = RowFolder(r) + L"\\" + e->name;
    switch (Pick(7)) {
      case 0:
      case 1:  // an edit
        e->content = NewContent();
        e->time = clock += 10;
        WriteFile(r, *e);
        break;
      case 2:  // same size, same second: looks unchanged
        e->content = NewContent(e->content.size());
        WriteFile(r, *e);
        break;
      case 3:  // deleted
        DeleteFileW(path.c_str());
        source[r].erase(Fold(e->name));
        break;
      case 4: {  // renamed
        const size_t slash = e->name.rfind(L'\\');
        const std::wstring to =
            (slash == std::wstring::npos ? L"" : e->name.substr(0, slash + 1)) + L"r" + std::to_wstring(++serial) + L".txt";
        ASSERT_TRUE(MoveFileW(path.c_str(), (RowFolder(r) + L"\\" + to).c_str()));
        Entry moved = *e;
        moved.name = to;
        source[r].erase(Fold(e->name));
        source[r][Fold(to)] = moved;
        break;
      }
      case 5: {  // letter case of the name only
        const size_t slash = e->name.rfind(L'\\');
        std::wstring to = e->name;
        for (size_t i = slash == std::wstring::npos ? 0 : slash + 1; i < to.size(); ++i)
          to[i] = iswupper(to[i]) ? towlower(to[i]) : towupper(to[i]);
        ASSERT_TRUE(MoveFileW(path.c_str(), (RowFolder(r) + L"\\" + to).c_str()));
        e->name = to;
        break;
      }
      default:
        RenameFolder(r);
        break;
    }
  }

  // A folder renamed, or only its letter case changed.
  void RenameFolder(int r) {
    Entry* e = Any(r);
    if (!e) return;
    const size_t slash = e->name.find(L'\\');
    if (slash == std::wstring::npos) return;
    const std::wstring from = e->name.substr(0, slash);
    std::wstring to;
    if (Pick(2)) {
      to = from;
      for (auto& c : to) c = iswupper(c) ? towlower(c) : towupper(c);
    } else {
      to = L"m" + std::to_wstring(++serial);
    }
    ASSERT_TRUE(MoveFileW((RowFolder(r) + L"\\" + from).c_str(), (RowFolder(r) + L"\\" + to).c_str()));
    Files moved;
    for (auto& [k, f] : source[r]) {
      Entry n = f;
      if (Fold(f.name.substr(0, from.size() + 1)) == Fold(from + L"\\")) n.name = to + f.name.substr(from.size());
      moved[Fold(n.name)] = n;
    }
    source[r] = moved;
  }

  void ChangePage() {
    const int r = Pick(kRows);
    switch (Pick(6)) {
      case 0: {
        int present = 0;
        for (const auto& row : rows) present += row.present;
        if (!rows[r].present || present > 1) rows[r].present = !rows[r].present;
        break;
      }
      case 1: rows[r].save = kSaves[Pick(3)]; break;
      case 2: rows[r].exclude = kExcludes[Pick(3)]; break;
      case 3: rows[r].excluded = kExcluded[Pick(4)]; break;
      case 4: rows[r].subfolders = !rows[r].subfolders; break;
      default: app().env.backdays = kRetentions[Pick(5)]; break;
    }
    WriteRows();
  }

  void WriteRows() {
    app().rows.clear();
    for (int r = 0; r < kRows; ++r) {
      if (!rows[r].present) continue;
      app().rows.push_back(Row({.caption = RowFolder(r),
                                .save = rows[r].save,
                                .exclude = rows[r].exclude,
                                .mark = rows[r].subfolders ? L"o" : L"",
                                .excluded = rows[r].excluded}));
    }
    std::sort(app().rows.begin(), app().rows.end(),
              [](const SourceRow& a, const SourceRow& b) { return lstrcmpW(a.caption.c_str(), b.caption.c_str()) < 0; });
    for (size_t i = 0; i < app().rows.size(); ++i) app().rows[i].no = std::to_wstring(i + 1);
    WritePage();
  }

  // ---------------------------------------------------------------- the model

  bool Selected(int r, const Entry& e) const {
    const RowConfig& c = rows[r];
    const size_t slash = e.name.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"" : e.name.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? e.name : e.name.substr(slash + 1);
    if (!folder.empty() && !c.subfolders) return false;
    for (const auto& x : UnpackList(c.excluded)) {
      if (x.empty()) continue;
      const std::wstring fx = Fold(x), ff = Fold(folder);
      if (ff == fx || ff.compare(0, fx.size() + 1, fx + L"\\") == 0) return false;
    }
    bool saved = false;
    for (const auto& p : UnpackList(c.save)) saved |= !p.empty() && MatchPattern(p, name);
    for (const auto& p : UnpackList(c.exclude))
      if (!p.empty() && MatchPattern(p, name)) return false;
    return saved;
  }

  std::wstring Prefix(int r) const { return Fold(MirrorName(RowFolder(r))) + L"\\"; }

  void PredictRun(const SYSTEMTIME& day) {
    const std::wstring today = DateName(day);
    std::vector<std::wstring> list;
    for (const auto& [n, f] : gens) list.push_back(n);
    const std::wstring latest = list.empty() ? L"" : list.back();
    const int todayIndex = latest.empty() ? -2 : latest.compare(0, 6, today) == 0 ? latest[6] - L'A' : -1;
    ASSERT_LT(todayIndex, 25);
    const std::wstring name = today + static_cast<wchar_t>(todayIndex < 0 ? L'A' : L'A' + todayIndex + 1);
    std::set<std::wstring> current;
    for (int r = 0; r < kRows; ++r)
      if (rows[r].present) current.insert(Fold(RowFolder(r)));

    Files mirror;
    if (!latest.empty()) {
      mirror = std::move(gens[latest]);
      gens[latest].clear();
      // Mirrors of rows the page no longer has stay with the previous generation.
      for (const auto& old : genRows[latest]) {
        if (current.count(old)) continue;
        const std::wstring p = Fold(MirrorName(old)) + L"\\";
        for (auto it = mirror.begin(); it != mirror.end();) {
          if (it->first.compare(0, p.size(), p) == 0) {
            gens[latest][it->first] = it->second;
            it = mirror.erase(it);
          } else {
            ++it;
          }
        }
      }
    }
    // Retention: the new day and the (days - 1) latest earlier days with an "A".
    bool previousGone = false;
    if (!latest.empty()) {
      int days = app().env.backdays + (todayIndex >= 0 ? 1 : 0);
      int cut = -1;
      for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
        if (list[i][6] == L'A' && --days <= 1) {
          cut = i - 1;
          break;
        }
      }
      if (app().env.backdays == 1 && todayIndex < 0) cut = static_cast<int>(list.size()) - 1;
      for (int i = 0; i <= cut; ++i) {
        gens.erase(list[i]);
        genPage.erase(list[i]);
        genRows.erase(list[i]);
        previousGone |= list[i] == latest;
      }
    }
    // The walk: unchanged copies stay, the rest of the mirror moves to the
    // previous generation (or goes, when there is none), the selection comes in.
    Files next;
    for (int r = 0; r < kRows; ++r) {
      if (!rows[r].present) continue;
      for (const auto& [k, e] : source[r])
        if (Selected(r, e)) next[Prefix(r) + k] = e;
    }
    for (auto& [k, old] : mirror) {
      auto it = next.find(k);
      if (it != next.end() && it->second.content.size() == old.content.size() && it->second.time == old.time) {
        it->second = old;  // unchanged in time and size: the copy stays as it is
        continue;
      }
      if (!latest.empty() && !previousGone) gens[latest][k] = old;
    }
    gens[name] = next;
    std::string page;
    ReadFileBytes(LongPath(sets + L"\\Home.PAG"), page);
    genPage[name] = page;
    genRows[name] = current;
  }

  void Compare(const std::string& when) {
    SCOPED_TRACE(when);
    std::vector<std::wstring> expected;
    for (const auto& [n, f] : gens) expected.push_back(n);
    ASSERT_EQ(expected, Generations(dest));
    std::set<std::pair<std::wstring, std::string>> held;
    for (const auto& [n, files] : gens) {
      std::map<std::wstring, std::string> want, got;
      for (const auto& [k, e] : files) want[k] = e.content;
      for (const auto& [rel, content] : Tree(dest + L"\\" + n)) {
        if (rel.back() == L'\\') continue;
        if (rel == kDigestFileName || rel == kVerifyLogName) continue;
        if (rel.find(L'\\') == std::wstring::npos) {
          EXPECT_EQ(L"Home.PAG", rel) << "root file in " << Utf8(n);
          EXPECT_EQ(genPage[n], content) << "page copy in " << Utf8(n);
          continue;
        }
        got[Fold(rel)] = content;
        EXPECT_TRUE(held.insert({Fold(rel), content}).second) << Utf8(rel) << " held twice";
      }
      for (const auto& [k, c] : want)
        if (!got.count(k)) ADD_FAILURE() << Utf8(n + L"\\" + k) << " missing";
        else if (got[k] != c) ADD_FAILURE() << Utf8(n + L"\\" + k) << " holds other contents";
      for (const auto& [k, c] : got)
        if (!want.count(k)) ADD_FAILURE() << Utf8(n + L"\\" + k) << " not expected";
    }
  }

  // After every run a verify finds no damage; it reports exactly the newest
  // copies whose source changed behind an unchanged size and time.
  void Verify(const std::string& when) {
    int differs = 0;
    for (const auto& [k, e] : gens.rbegin()->second)
      for (int r = 0; r < kRows; ++r) {
        const std::wstring p = Prefix(r);
        if (k.compare(0, p.size(), p) != 0) continue;
        auto it = source[r].find(k.substr(p.size()));
        if (it != source[r].end() && it->second.content != e.content) ++differs;
      }
    app().errorLines.clear();
    const CollateResult r = CollatePage(app());
    EXPECT_EQ(0, r.damaged + r.missing + r.unreadable) << when;
    EXPECT_EQ(differs, r.differs) << when;
    for (const auto& line : app().errorLines)
      if (line.find(L"<照合:破損>") != std::wstring::npos || line.find(L"<照合:欠落>") != std::wstring::npos)
        ADD_FAILURE() << when << ": " << Utf8(line);
  }

  void Run(const std::string& when) {
    PredictRun(t.clock.now);
    Backup();
    ASSERT_EQ(L"バックアップ終了．", t.view.status) << when;
    Compare(when);
    Verify(when);
  }
};

void RunSeed(unsigned seed, int days) {
  Model m(seed);
  m.app().env.backdays = 3;
  for (int r = 0; r < kRows; ++r) {
    MakeFolder(m.RowFolder(r));
    for (int i = 0; i < 5; ++i) m.Create(r);
  }
  m.rows[0].present = m.rows[1].present = true;
  m.rows[1].subfolders = false;
  m.WriteRows();
  for (int d = 0; d < days; ++d) {
    const int day = d;
    SYSTEMTIME date = At(2011, 1, 1);
    FILETIME ft;
    SystemTimeToFileTime(&date, &ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart += static_cast<unsigned long long>(day) * 864000000000ull;
    ft = FILETIME{u.LowPart, u.HighPart};
    FileTimeToSystemTime(&ft, &date);
    const int runs = m.Pick(10) < 2 ? 0 : m.Pick(10) < 7 ? 1 : 2 + m.Pick(2);
    for (int k = 0; k < runs; ++k) {
      m.t.clock.Set(date.wYear, date.wMonth, date.wDay, 8 + k);
      const int changes = m.Pick(6);
      for (int i = 0; i < changes; ++i) m.Change(m.Pick(kRows));
      if (m.Pick(3) == 0) m.Create(m.Pick(kRows));
      if (m.Pick(3) == 0) m.ChangePage();
      m.Run("day " + std::to_string(d) + " run " + std::to_string(k));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(Conservation, EveryGenerationHoldsWhatTheModelPredicts) {
  const int only = EnvInt("RUZER_MODEL_SEED", -1);
  const int seeds = EnvInt("RUZER_MODEL_SEEDS", 3);
  const int days = EnvInt("RUZER_MODEL_DAYS", 60);
  for (int s = only >= 0 ? only : 1; s <= (only >= 0 ? only : seeds); ++s) {
    SCOPED_TRACE("seed " + std::to_string(s) + " (replay: RUZER_MODEL_SEED=" + std::to_string(s) + ")");
    const bool before = HasFailure();
    RunSeed(static_cast<unsigned>(s), days);
    if (!before && HasFailure()) std::printf("conservation: seed %d failed; replay with RUZER_MODEL_SEED=%d\n", s, s);
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace ruzer::test

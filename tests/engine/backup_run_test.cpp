// The backup run over real folders: what each generation holds afterwards,
// the status and error lines, memo, error log and the page loop.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/backup_fixture.h"
#include "base/textfile.h"
#include "engine/Sbakup.h"
#include "shell/Mainwin.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

bool Has(const std::vector<std::wstring>& v, const std::wstring& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

// Files and folders directly in a folder (names; folders with a trailing backslash).
std::vector<std::wstring> Entries(const std::wstring& folder) {
  std::vector<DirEntry> files, folders;
  std::vector<std::wstring> out;
  ListFolder(folder, files, folders);
  for (const auto& f : files) out.push_back(f.name);
  for (const auto& f : folders) out.push_back(f.name + L"\\");
  std::sort(out.begin(), out.end());
  return out;
}

using Files = std::map<std::wstring, std::string>;

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class BackupRunTest : public ::testing::Test, public BackupFixture {};

// 2010/04/01 10:00:s.ms local time.
SYSTEMTIME TenOClock(int s, int ms) { return At(2010, 4, 1, 10, 0, s, ms); }

// The two runs over one folder on two days, as the layout is meant to be.
TEST_F(BackupRunTest, WorkedExample) {
  const std::wstring data = src + L"\\Data";
  Put(data + L"\\a.txt", "a first");
  Put(data + L"\\b.txt", "b");
  AddRow(data, L"*.*", L"", L"");
  Day(2010, 5, 1, 9);
  Backup();
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"100501A"}), Generations(dest));
  const std::wstring top = MirrorName(data).substr(0, MirrorName(data).find(L'\\')) + L"\\";
  EXPECT_EQ(Sorted({kDigestFileName, L"Home.PAG", top}), Entries(dest + L"\\100501A"));
  EXPECT_EQ((Files{{L"a.txt", "a first"}, {L"b.txt", "b"}}), Tree(Mirror(L"100501A", data)));
  EXPECT_EQ(ReadBytes(sets + L"\\Home.PAG"), ReadBytes(dest + L"\\100501A\\Home.PAG"));
  EXPECT_EQ(L"2010/05/01 09:00:00", app().PageIndexTable[1].last);

  // Before the second run a.txt changes and b.txt goes; the page changes too.
  Put(data + L"\\a.txt", "a second");
  DeleteFileW((data + L"\\b.txt").c_str());
  const std::string pageOfFirstRun = ReadBytes(sets + L"\\Home.PAG");
  app().rows[0].comment = L"changed";
  WritePage();
  Day(2010, 5, 2, 9);
  Backup();
  EXPECT_EQ((std::vector<std::wstring>{L"100501A", L"100502A"}), Generations(dest));
  EXPECT_EQ(Sorted({kDigestFileName, L"Home.PAG", top}), Entries(dest + L"\\100502A"));
  EXPECT_EQ((Files{{L"a.txt", "a second"}}), Tree(Mirror(L"100502A", data)));
  EXPECT_EQ(ReadBytes(sets + L"\\Home.PAG"), ReadBytes(dest + L"\\100502A\\Home.PAG"));
  EXPECT_EQ(Sorted({kDigestFileName, L"Home.PAG", top}), Entries(dest + L"\\100501A"));
  EXPECT_EQ((Files{{L"a.txt", "a first"}, {L"b.txt", "b"}}), Tree(Mirror(L"100501A", data)));
  EXPECT_EQ(pageOfFirstRun, ReadBytes(dest + L"\\100501A\\Home.PAG"));
  EXPECT_EQ(L"2010/05/02 09:00:00", app().PageIndexTable[1].last);
  EXPECT_NE(std::string::npos,
            ReadBytes(sets + L"\\RUZER.IDX").find(Utf16File({L"LstDy1=2010/05/02 09:00:00"}).substr(2)));
  EXPECT_TRUE(Has(t.view.statusHistory, data + L"\\b.txt"));  // moved out: shown with its source path
  EXPECT_TRUE(Has(t.view.statusHistory, data + L"\\a.txt"));  // copied
}

TEST_F(BackupRunTest, UnchangedSourceCopiesNothing) {
  Put(src + L"\\a.txt", "a");
  Put(src + L"\\sub\\b.txt", "b");
  Put(src + L"\\sub\\deeper\\c.txt", "c");
  AddRow(src);
  memo.answer = L"memo";
  Backup();
  const Files mirror = Tree(Mirror(L"100501A", src));
  Day(2010, 5, 2);
  t.view.statusHistory.clear();
  Backup();
  EXPECT_EQ(mirror, Tree(Mirror(L"100502A", src)));
  // The previous generation keeps only its own root files.
  EXPECT_EQ((std::vector<std::wstring>{L"Home.PAG", L"MEMO.TXT"}), Entries(dest + L"\\100501A"));
  for (const auto& s : t.view.statusHistory) EXPECT_EQ(std::wstring::npos, s.find(src)) << Utf8(s);
}

TEST_F(BackupRunTest, ChangesMoveTheOldCopiesToThePreviousGeneration) {
  Put(src + L"\\keep.txt", "keep");
  Put(src + L"\\edit.txt", "old");
  Put(src + L"\\gone.txt", "gone");
  Put(src + L"\\later.tmp", "tmp");
  Put(src + L"\\sub\\s.txt", "s");
  Put(src + L"\\drop\\d.txt", "d");
  Put(src + L"\\skip\\k.txt", "k");
  AddRow(src);
  Backup();

  Put(src + L"\\edit.txt", "new");
  DeleteFileW((src + L"\\gone.txt").c_str());
  DeleteFileW((src + L"\\drop\\d.txt").c_str());
  RemoveDirectoryW((src + L"\\drop").c_str());
  Put(src + L"\\added.txt", "added");
  app().rows[0].exclude = L"*.tmp";
  app().rows[0].excluded = L"skip";
  WritePage();
  Day(2010, 5, 2);
  Backup();
  const std::wstring now = Mirror(L"100502A", src), prev = Mirror(L"100501A", src);
  EXPECT_EQ((Files{{L"added.txt", "added"},
                   {L"edit.txt", "new"},
                   {L"keep.txt", "keep"},
                   {L"sub\\", "<dir>"},
                   {L"sub\\s.txt", "s"}}),
            Tree(now));
  EXPECT_EQ((Files{{L"drop\\", "<dir>"},
                   {L"drop\\d.txt", "d"},
                   {L"edit.txt", "old"},
                   {L"gone.txt", "gone"},
                   {L"later.tmp", "tmp"},
                   {L"skip\\", "<dir>"},
                   {L"skip\\k.txt", "k"}}),
            Tree(prev));
  const auto& h = t.view.statusHistory;
  EXPECT_TRUE(Has(h, src + L"\\gone.txt"));
  EXPECT_TRUE(Has(h, src + L"\\later.tmp"));
  EXPECT_TRUE(Has(h, L"<" + now + L"\\drop> → <" + prev + L"\\drop>"));
  EXPECT_TRUE(Has(h, L"<" + now + L"\\skip> → <" + prev + L"\\skip>"));
}

TEST_F(BackupRunTest, SwitchTurnedOffMovesEverySubfolder) {
  Put(src + L"\\top.txt", "top");
  Put(src + L"\\a\\x.txt", "x");
  Put(src + L"\\b\\c\\y.txt", "y");
  AddRow(src);
  Backup();
  app().rows[0].mark = L" ";
  WritePage();
  Day(2010, 5, 2);
  Backup();
  const std::wstring now = Mirror(L"100502A", src), prev = Mirror(L"100501A", src);
  EXPECT_EQ((Files{{L"top.txt", "top"}}), Tree(now));
  EXPECT_EQ((Files{{L"a\\", "<dir>"}, {L"a\\x.txt", "x"}, {L"b\\", "<dir>"}, {L"b\\c\\", "<dir>"}, {L"b\\c\\y.txt", "y"}}),
            Tree(prev));
  EXPECT_TRUE(Has(t.view.statusHistory, now + L"\\a"));
  EXPECT_TRUE(Has(t.view.statusHistory, now + L"\\b"));
}

TEST_F(BackupRunTest, RetentionOneDeletesWhatLeftTheSelection) {
  const std::wstring main = src + L"\\main", flat = src + L"\\flat";
  Put(main + L"\\keep.txt", "keep");
  Put(main + L"\\gone.txt", "gone");
  Put(main + L"\\edit.txt", "old");
  Put(main + L"\\sub\\s.txt", "s");
  Put(flat + L"\\f\\f.txt", "f");
  AddRow(main);
  AddRow(flat);
  app().env.backdays = 1;
  WritePage();
  Backup();
  DeleteFileW((main + L"\\gone.txt").c_str());
  DeleteFileW((main + L"\\sub\\s.txt").c_str());
  RemoveDirectoryW((main + L"\\sub").c_str());
  Put(main + L"\\edit.txt", "new");
  app().rows[0].mark = L" ";  // flat sorts first
  WritePage();
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ((std::vector<std::wstring>{L"100502A"}), Generations(dest));
  const std::wstring now = Mirror(L"100502A", main);
  EXPECT_EQ((Files{{L"edit.txt", "new"}, {L"keep.txt", "keep"}}), Tree(now));
  EXPECT_EQ(Files{}, Tree(Mirror(L"100502A", flat)));
  const auto& h = t.view.statusHistory;
  EXPECT_TRUE(Has(h, now + L"\\gone.txt :deleted."));
  EXPECT_TRUE(Has(h, L"<" + now + L"\\sub> 削除."));
  EXPECT_TRUE(Has(h, Mirror(L"100502A", flat) + L"\\f :deleted."));
  EXPECT_TRUE(Has(h, L"保存期間終了フォルダ<100501A>削除."));
}

TEST_F(BackupRunTest, RetentionOneSecondRunOfTheDayStillKeepsTheOldCopies) {
  Put(src + L"\\a.txt", "1");
  AddRow(src);
  app().env.backdays = 1;
  WritePage();
  Backup();
  Put(src + L"\\a.txt", "2");
  Backup();
  EXPECT_EQ((std::vector<std::wstring>{L"100501A", L"100501B"}), Generations(dest));
  EXPECT_EQ((Files{{L"a.txt", "1"}}), Tree(Mirror(L"100501A", src)));
  EXPECT_EQ((Files{{L"a.txt", "2"}}), Tree(Mirror(L"100501B", src)));
}

TEST(SameFileTime, LessThanTwoSecondsApartEitherWay) {
  auto at = [](int h, int m, int s, int ms) {
    const SYSTEMTIME st = At(2010, 6, 24, h, m, s, ms);
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
  };
  struct Case {
    FILETIME a, b;
    bool same;
  } cases[] = {
      {at(10, 0, 0, 400), at(10, 0, 1, 900), true},   // the same two-second step
      {at(10, 0, 1, 500), at(10, 0, 2, 0), true},     // FAT: rounded up to the even second
      {at(10, 0, 0, 10), at(10, 0, 2, 0), true},      // FAT: up by almost two seconds
      {at(10, 0, 1, 500), at(10, 0, 1, 0), true},     // a disk that keeps whole seconds
      {at(10, 0, 1, 400), at(10, 0, 1, 410), true},   // exFAT: 10 ms
      {at(9, 59, 59, 999), at(10, 0, 0, 0), true},    // across a step and a minute
      {at(10, 0, 0, 0), at(10, 0, 0, 0), true},
      {at(10, 0, 0, 0), at(10, 0, 2, 0), false},      // two seconds is a change
      {at(10, 0, 58, 0), at(10, 1, 0, 0), false},
      {at(10, 0, 0, 0), at(11, 0, 0, 0), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.same, SameFileTime(c.a, c.b));
    EXPECT_EQ(c.same, SameFileTime(c.b, c.a));
  }
  FILETIME old{}, old2{};
  old2.dwLowDateTime = 1;
  EXPECT_TRUE(SameFileTime(old, old2));
  old2.dwLowDateTime = 20000000;
  EXPECT_FALSE(SameFileTime(old, old2));
}

// Whatever the local DOS form calls the same still counts as the same, at
// the steps and at the ends of the DOS range; two seconds apart never does.
TEST(SameFileTime, TakesInEveryPairOfTheLocalDosForm) {
  auto viaDos = [](FILETIME a, FILETIME b) {
    FILETIME la, lb;
    WORD da, ta, db, tb;
    FileTimeToLocalFileTime(&a, &la);
    FileTimeToLocalFileTime(&b, &lb);
    if (FileTimeToDosDateTime(&la, &da, &ta) && FileTimeToDosDateTime(&lb, &db, &tb))
      return da == db && ta == tb;
    return CompareFileTime(&a, &b) == 0;
  };
  auto ft = [](std::uint64_t v) {
    FILETIME f;
    f.dwLowDateTime = static_cast<DWORD>(v);
    f.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return f;
  };
  const std::uint64_t sec = 10000000;
  std::vector<std::uint64_t> bases = {119600928000000000ull - 86400 * sec, 119600928000000000ull,
                                      119600928000000000ull + 86400 * sec, 129184416000000000ull,
                                      159991200000000000ull - 1, 159991200000000000ull,
                                      159991200000000000ull + 86400 * sec};
  std::uint64_t x = 12345;
  for (int i = 0; i < 200; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    bases.push_back(119600928000000000ull + (x >> 8) % (159991200000000000ull - 119600928000000000ull));
  }
  const std::int64_t deltas[] = {0, 1, -1, 5000000, 10000000, 19999999, 20000000, 20000001, -20000000, 600000000};
  for (std::uint64_t b : bases)
    for (std::int64_t d : deltas) {
      const FILETIME p = ft(b), q = ft(b + static_cast<std::uint64_t>(d));
      if (viaDos(p, q)) ASSERT_TRUE(SameFileTime(p, q)) << b << " " << d;
      ASSERT_EQ(d > -20000000 && d < 20000000, SameFileTime(p, q)) << b << " " << d;
    }
}

// Copies on the destination as Windows stores them: FAT rounds the time up to
// the next even second, a network disk to the nearest second. Neither is a
// change; two seconds or more with the same size is.
TEST_F(BackupRunTest, TimesTheDestinationRoundedAreNoChange) {
  auto at = TenOClock;
  auto utc = [](const SYSTEMTIME& local) {
    FILETIME l, u;
    SystemTimeToFileTime(&local, &l);
    LocalFileTimeToFileTime(&l, &u);
    return u;
  };
  auto setTime = [](const std::wstring& path, const FILETIME& t) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << Utf8(path);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
  };
  struct Case {
    const wchar_t* name;
    SYSTEMTIME source, stored;
  } cases[] = {
      {L"fat-up.txt", at(1, 500), at(2, 0)},        // 10:00:01.5 on FAT: 10:00:02
      {L"fat-almost2.txt", at(3, 10), at(4, 0)},    // 10:00:03.01 on FAT: 10:00:04
      {L"nearest-up.txt", at(5, 600), at(6, 0)},    // rounded to the nearest second
      {L"nearest-down.txt", at(7, 400), at(7, 0)},
  };
  for (const auto& c : cases) PutAt(src + L"\\" + c.name, "AAAA", c.source);
  PutAt(src + L"\\moved.txt", "AAAA", at(10, 0));
  AddRow(src);
  Day(2010, 5, 1);
  Backup();
  const std::wstring first = Mirror(L"100501A", src);
  for (const auto& c : cases) setTime(first + L"\\" + c.name, utc(c.stored));
  PutAt(src + L"\\moved.txt", "BBBB", at(12, 0));  // same size, two seconds later
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ((Files{{L"moved.txt", "AAAA"}}), Tree(Mirror(L"100501A", src)));
  EXPECT_EQ("BBBB", Tree(Mirror(L"100502A", src))[L"moved.txt"]);
  EXPECT_EQ(5u, Tree(Mirror(L"100502A", src)).size());
}

TEST_F(BackupRunTest, FileWithinTheSameTwoSecondsCountsAsUnchanged) {
  auto at = TenOClock;
  PutAt(src + L"\\same.txt", "AAAA", at(0, 400));
  PutAt(src + L"\\next.txt", "AAAA", at(1, 900));
  AddRow(src);
  Backup();
  PutAt(src + L"\\same.txt", "BBBB", at(1, 900));  // same size, same two seconds
  PutAt(src + L"\\next.txt", "BBBB", at(3, 900));  // two seconds later
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ((Files{{L"next.txt", "BBBB"}, {L"same.txt", "AAAA"}}), Tree(Mirror(L"100502A", src)));
}

TEST_F(BackupRunTest, SizeAloneIsAChange) {
  const SYSTEMTIME st = At(2010, 4, 1);
  PutAt(src + L"\\a.txt", "short", st);
  AddRow(src);
  Backup();
  PutAt(src + L"\\a.txt", "longer text", st);
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ((Files{{L"a.txt", "longer text"}}), Tree(Mirror(L"100502A", src)));
  EXPECT_EQ((Files{{L"a.txt", "short"}}), Tree(Mirror(L"100501A", src)));
}

TEST_F(BackupRunTest, RowsThatSelectNothingKeepTheirMirror) {
  const std::wstring a = src + L"\\a", b = src + L"\\b";
  Put(a + L"\\x.txt", "x");
  Put(b + L"\\y.txt", "y");
  AddRow(a);
  AddRow(b);
  Backup();
  app().rows[0].save = L"";  // a: empty save patterns
  WritePage();
  DeleteFileW((b + L"\\y.txt").c_str());
  RemoveDirectoryW(b.c_str());  // b: folder gone
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ((Files{{L"x.txt", "x"}}), Tree(Mirror(L"100502A", a)));
  EXPECT_EQ((Files{{L"y.txt", "y"}}), Tree(Mirror(L"100502A", b)));
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ."}), t.view.errorList);
}

TEST_F(BackupRunTest, MemoAndFinalStatus) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  memo.answer = L"週次バックアップ";
  Backup();
  EXPECT_EQ(Utf16File({L"週次バックアップ"}), ReadBytes(dest + L"\\100501A\\MEMO.TXT"));
  EXPECT_FALSE(FileExists(dest + L"\\100501A\\ERROR.LOG"));
  EXPECT_EQ(1, memo.shown);
  EXPECT_FALSE(t.view.abortVisible);
  EXPECT_TRUE(t.view.menusEnabled);
  EXPECT_EQ(L"保存元フォルダ", t.view.sourceColumnTitle);
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_TRUE(t.view.selected.empty());
  // An empty memo writes no file.
  memo.answer = L"";
  Backup();
  EXPECT_FALSE(FileExists(dest + L"\\100501B\\MEMO.TXT"));
  EXPECT_EQ(Utf16File({L"週次バックアップ"}), ReadBytes(dest + L"\\100501A\\MEMO.TXT"));
}

TEST_F(BackupRunTest, CancelledMemoChangesNothing) {
  Put(src + L"\\a.txt", "a");
  AddRow(src);
  memo.answer.reset();
  t.view.status = L"before";
  Backup();
  EXPECT_EQ(Files{}, Tree(dest));
  EXPECT_EQ(L"before", t.view.status);
  EXPECT_EQ(0, t.view.pumps);
  EXPECT_FALSE(t.view.abortFocused);
  app().memoDialog = nullptr;  // no dialog at all counts as cancelled
  Backup();
  EXPECT_EQ(Files{}, Tree(dest));
}

TEST_F(BackupRunTest, ErrorLogIsInTheAnsiCodePage) {
  const std::wstring locked = src + L"\\使用中.txt";
  Put(locked, "locked");
  Put(src + L"\\free.txt", "free");
  AddRow(src);
  HANDLE h = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  Backup();
  CloseHandle(h);
  const std::wstring line = ErrorLine(ERROR_SHARING_VIOLATION, locked);
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ.", line}), t.view.errorList);
  std::string ansi(line.size() * 2 + 8, '\0');
  ansi.resize(WideCharToMultiByte(932, 0, line.c_str(), static_cast<int>(line.size()), ansi.data(),
                                  static_cast<int>(ansi.size()), nullptr, nullptr));
  EXPECT_EQ(ansi + "\r\n", ReadBytes(dest + L"\\100501A\\ERROR.LOG"));
  EXPECT_EQ(L"バックアップ終了．", t.view.status);  // a single file does not stop the run
  EXPECT_EQ((Files{{L"free.txt", "free"}}), Tree(Mirror(L"100501A", src)));
}

TEST_F(BackupRunTest, ThreePagesOneAfterTheOther) {
  const std::vector<std::wstring> names = {L"P1", L"P2", L"P3"};
  app().pages = names;
  app().PageIndexTable.resize(1);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::wstring d = tmp / (L"dest" + names[i]), s = src + L"\\" + names[i];
    Put(s + L"\\f.txt", Utf8(names[i]));
    app().PageIndexTable.push_back(IndexRow{std::to_wstring(i + 1), names[i], d, L"", L""});
    EnvPanel env;
    env.tamdir = d;
    MakeFolder(d);
    WriteBytes(sets + L"\\" + names[i] + L".PAG",
               Utf16File(PageLines(env, {Row({.caption = s})})));
  }
  // The first page is the one loaded.
  app().CurrentPageName = L"P1";
  app().env.tamdir = tmp / L"destP1";
  app().rows = {Row({.caption = src + L"\\P1", .no = L"1"})};
  memo.answer = L"three";
  Backup();
  for (const auto& n : names) {
    const std::wstring gen = tmp / (L"dest" + n) + L"\\100501A";
    EXPECT_EQ(Utf16File({L"three"}), ReadBytes(gen + L"\\MEMO.TXT")) << Utf8(n);
    EXPECT_EQ(Utf8(n), ReadBytes(gen + L"\\" + MirrorName(src + L"\\" + n) + L"\\f.txt"));
    EXPECT_TRUE(FileExists(gen + L"\\" + n + L".PAG"));
  }
  EXPECT_EQ(2, app().activePage);
  EXPECT_EQ(2, t.view.activeTab);
  EXPECT_EQ(L"P3", app().CurrentPageName);
  EXPECT_EQ((std::vector<std::wstring>{L"{P1} ページ.", L"{P2} ページ.", L"{P3} ページ."}), t.view.errorList);
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_FALSE(t.view.closed);
}

TEST_F(BackupRunTest, AutomaticModeSkipsThePageSavedTodayAndCloses) {
  app().pages = {L"P1", L"P2"};
  app().PageIndexTable.resize(1);
  for (int i = 1; i <= 2; ++i) {
    const std::wstring n = L"P" + std::to_wstring(i), d = tmp / (L"dest" + n), s = src + L"\\" + n;
    Put(s + L"\\f.txt", "f");
    MakeFolder(d);
    EnvPanel env;
    env.tamdir = d;
    WriteBytes(sets + L"\\" + n + L".PAG",
               Utf16File(PageLines(env, {Row({.caption = s})})));
    app().PageIndexTable.push_back(IndexRow{std::to_wstring(i), n, d, L"", i == 1 ? L"2010/05/01 08:00:00" : L""});
  }
  app().AutoMode = true;
  app().SleepMs = 777;
  Backup();
  EXPECT_EQ(0, memo.shown);
  EXPECT_TRUE(Has(t.view.statusHistory, L"本日分は保存済みです"));
  EXPECT_TRUE(std::find(t.clock.sleeps.begin(), t.clock.sleeps.end(), 777) != t.clock.sleeps.end());
  EXPECT_TRUE(Generations(tmp / L"destP1").empty());
  EXPECT_EQ((std::vector<std::wstring>{L"100501A"}), Generations(tmp / L"destP2"));
  EXPECT_FALSE(FileExists(tmp / L"destP2\\100501A\\MEMO.TXT"));
  EXPECT_TRUE(t.view.closed);
  EXPECT_FALSE(app().AutoMode);
}

// Stopped in automatic mode on a page that was not loaded yet: the window
// stays open on it, so it must show that page and not an emptied one that a
// later change would write over the page file.
TEST_F(BackupRunTest, AbortInAutomaticModeLeavesTheActivePageLoaded) {
  app().pages = {L"P1", L"P2"};
  app().PageIndexTable.resize(1);
  std::vector<SourceRow> rows2;
  for (int i = 1; i <= 2; ++i) {
    const std::wstring n = L"P" + std::to_wstring(i), d = tmp / (L"dest" + n);
    MakeFolder(d);
    EnvPanel env;
    env.tamdir = d;
    const std::vector<SourceRow> rows = {Row({.caption = src + L"\\" + n})};
    if (i == 2) rows2 = rows;
    WriteBytes(sets + L"\\" + n + L".PAG", Utf16File(PageLines(env, rows)));
    app().PageIndexTable.push_back(IndexRow{std::to_wstring(i), n, d, L"", L"2010/05/01 08:00:00"});
  }
  app().AutoMode = true;
  int seen = 0;
  t.view.onPump = [&] {
    if (t.view.status == L"本日分は保存済みです" && ++seen == 2) AbortCommand(app());
  };
  Backup();
  EXPECT_EQ(L"バックアップ中断．", t.view.status);
  EXPECT_FALSE(t.view.closed);
  EXPECT_EQ(1, app().activePage);
  EXPECT_EQ(L"P2", app().CurrentPageName);
  EXPECT_EQ(tmp / L"destP2", app().env.tamdir);
  ASSERT_EQ(1, app().RowCount());
  EXPECT_EQ(rows2[0].caption, app().rows[0].caption);
}

TEST_F(BackupRunTest, AutomaticModeBacksUpAPageSavedOnAnotherDay) {
  Put(src + L"\\f.txt", "f");
  AddRow(src);
  app().PageIndexTable[1].last = L"2010/04/30 08:00:00";
  app().AutoMode = true;
  Backup();
  EXPECT_EQ((std::vector<std::wstring>{L"100501A"}), Generations(dest));
  EXPECT_TRUE(t.view.closed);
}

TEST_F(BackupRunTest, DestinationInsideTheSourceIsNotBackedUpIntoItself) {
  dest = src + L"\\backup";
  app().env.tamdir = dest;
  MakeFolder(dest);
  Put(src + L"\\a.txt", "a");
  Put(src + L"\\sub\\b.txt", "b");
  AddRow(src);
  Backup();
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ((Files{{L"a.txt", "a"}, {L"sub\\", "<dir>"}, {L"sub\\b.txt", "b"}}), Tree(Mirror(L"100502A", src)));
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
}

TEST_F(BackupRunTest, HostileRowsAreReportedAndLeftAlone) {
  Put(src + L"\\in\\a.txt", "a");
  Put(tmp / L"victim\\v.txt", "v");
  AddRow(src + L"\\in", L"*.*", L"", L"o", L"..\\..\\victim");
  AddRow(src + L"\\in\\..\\..\\victim");
  AddRow(L"victim");
  const auto before = Tree(tmp.path());
  Backup();
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ.",
                                       ErrorLine(ERROR_BAD_PATHNAME, src + L"\\in\\..\\..\\victim"),
                                       ErrorLine(ERROR_BAD_PATHNAME, src + L"\\in\\..\\..\\victim"),
                                       ErrorLine(ERROR_BAD_PATHNAME, L"victim")}),
            t.view.errorList);
  EXPECT_EQ((Files{{L"v.txt", "v"}}), Tree(tmp / L"victim"));
  EXPECT_EQ(Sorted({L"ERROR.LOG", L"Home.PAG"}), Entries(dest + L"\\100501A"));
}

}  // namespace
}  // namespace ruzer::test

namespace ruzer::test {

TEST_F(BackupRunTest, PageFileThatCannotBeReadIsSkippedAndReported) {
  app().pages = {L"P1", L"P2"};
  app().PageIndexTable.resize(1);
  for (int i = 1; i <= 2; ++i) {
    const std::wstring n = L"P" + std::to_wstring(i), d = tmp / (L"dest" + n);
    MakeFolder(d);
    MakeFolder(d + L"\\100430A");
    Put(src + L"\\" + n + L"\\f.txt", "f");
    EnvPanel env;
    env.tamdir = d;
    const std::vector<SourceRow> rows = {Row({.caption = src + L"\\" + n})};
    std::string bytes = Utf16File(PageLines(env, rows));
    if (i == 1) bytes += std::string("\0\0garbage", 9);  // damaged: NULs in the text
    WriteBytes(sets + L"\\" + n + L".PAG", bytes);
    app().PageIndexTable.push_back(IndexRow{std::to_wstring(i), n, d, L"", L""});
  }
  const std::string damaged = ReadBytes(sets + L"\\P1.PAG");
  t.user.ExpectPrefix(L"設定ページファイル");
  app().AutoMode = true;
  Backup();

  // P1: nothing started, nothing moved, nothing recorded, its file untouched.
  EXPECT_EQ((std::vector<std::wstring>{L"100430A"}), Generations(tmp / L"destP1"));
  EXPECT_EQ(L"", app().PageIndexTable[1].last);
  EXPECT_EQ(damaged, ReadBytes(sets + L"\\P1.PAG"));
  bool reported = false;
  for (const auto& l : t.view.errorList)
    if (l.find(L"P1.PAG <エラー:13> ") != std::wstring::npos) reported = true;
  EXPECT_TRUE(reported);
  // P2 is backed up as usual.
  EXPECT_EQ((std::vector<std::wstring>{L"100430A", L"100501A"}), Generations(tmp / L"destP2"));
}

// A retention that is no number ("30x", a damaged or hand-edited file): the
// page is neither backed up nor pruned, the run says which file and value
// without a box, the other pages go on, and a scheduler sees code 1.
TEST_F(BackupRunTest, RetentionThatIsNoNumberStopsThePageAndDeletesNothing) {
  app().pages = {L"P1", L"P2"};
  app().PageIndexTable.resize(1);
  std::vector<std::wstring> oldGenerations;
  for (int day = 1; day <= 20; ++day) {
    wchar_t name[8];
    swprintf(name, 8, L"1004%02dA", day);
    oldGenerations.push_back(name);
  }
  for (int i = 1; i <= 2; ++i) {
    const std::wstring n = L"P" + std::to_wstring(i), d = tmp / (L"dest" + n);
    for (const auto& g : oldGenerations) MakeFolder(d + L"\\" + g);
    Put(src + L"\\" + n + L"\\f.txt", "f");
    EnvPanel env;
    env.tamdir = d;
    env.backdays = 300;
    const std::vector<SourceRow> rows = {Row({.caption = src + L"\\" + n})};
    std::vector<std::wstring> lines = PageLines(env, rows);
    if (i == 1)
      for (auto& l : lines)
        if (l == L"Bday=300") l = L"Bday=30x";
    WriteBytes(sets + L"\\" + n + L".PAG", Utf16File(lines));
    app().PageIndexTable.push_back(IndexRow{std::to_wstring(i), n, d, L"", L""});
  }
  const std::string p1 = ReadBytes(sets + L"\\P1.PAG");
  app().AutoMode = true;
  Backup();

  EXPECT_EQ(oldGenerations, Generations(tmp / L"destP1"));
  EXPECT_EQ(L"", app().PageIndexTable[1].last);
  EXPECT_EQ(p1, ReadBytes(sets + L"\\P1.PAG"));
  ASSERT_GE(t.view.errorList.size(), 2u);
  EXPECT_EQ(L"{P1} ページ.", t.view.errorList[0]);
  EXPECT_EQ(L"設定ページファイル\"" + sets + L"\\P1.PAG\"の保存日数\"30x\"は整数ではありません．"
            L"このページはバックアップしません．「条件設定」で保存日数を設定してください．",
            t.view.errorList[1]);
  // P2 keeps its 300 days: every old generation stays, today's is added.
  std::vector<std::wstring> p2 = oldGenerations;
  p2.push_back(L"100501A");
  EXPECT_EQ(p2, Generations(tmp / L"destP2"));
  EXPECT_EQ(1, app().ExitCode);
  EXPECT_TRUE(t.view.closed);
}

}  // namespace ruzer::test

// What a backup must never do, under real conditions: lose an earlier
// version, leave a half-written copy, write through a link, stop on one
// locked file, or go on writing to a full volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/backup_fixture.h"
#include "base/textfile.h"
#include "engine/Sbakup.h"
#include "shell/Mainwin.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

using Files = std::map<std::wstring, std::string>;

bool Has(const std::vector<std::wstring>& v, const std::wstring& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

// A version is a file's place in the generation (below the generation
// folder) with its contents; a renamed file is another file.
using Version = std::pair<std::wstring, std::string>;

// Every backed-up file of every generation (the root files are the
// generation's own), and how many generations hold it.
std::map<Version, int> Versions(const std::wstring& dest) {
  std::map<Version, int> out;
  for (const auto& gen : Generations(dest))
    for (const auto& [rel, content] : Tree(dest + L"\\" + gen))
      if (rel.find(L'\\') != std::wstring::npos && rel.back() != L'\\') ++out[{rel, content}];
  return out;
}

// The versions in the newest generation.
std::set<Version> Newest(const std::wstring& dest) {
  std::set<Version> out;
  auto gens = Generations(dest);
  if (gens.empty()) return out;
  for (const auto& [rel, content] : Tree(dest + L"\\" + gens.back()))
    if (rel.find(L'\\') != std::wstring::npos && rel.back() != L'\\') out.insert({rel, content});
  return out;
}

class Reliability : public ::testing::Test, public BackupFixture {
 protected:
  int version = 0;
  std::set<Version> backedUp;  // every version that was ever in the newest mirror

  // New contents for a source file, different from every earlier one.
  void Edit(const std::wstring& rel) { Put(src + L"\\" + rel, Utf8(rel) + " #" + std::to_string(++version)); }

  // Runs, then checks that every version ever backed up is in exactly one
  // generation and that no generation holds anything else.
  void BackupAndCheck(const char* step) {
    SCOPED_TRACE(step);
    Backup();
    EXPECT_EQ(L"バックアップ終了．", t.view.status);
    for (const auto& v : Newest(dest)) backedUp.insert(v);
    const auto found = Versions(dest);
    for (const auto& v : backedUp) {
      auto it = found.find(v);
      EXPECT_TRUE(it != found.end() && it->second == 1)
          << Utf8(v.first) << " [" << v.second << "] in " << (it == found.end() ? 0 : it->second)
          << " generations";
    }
    for (const auto& [v, n] : found) EXPECT_TRUE(backedUp.count(v)) << "unknown " << Utf8(v.first);
  }
};

TEST_F(Reliability, EveryVersionStaysInExactlyOneGeneration) {
  app().env.backdays = 100;
  for (const wchar_t* f : {L"A\\a1.txt", L"A\\sub1\\s.txt", L"A\\sub1\\deep\\d.txt", L"A\\sub2\\t.txt",
                           L"B\\b.txt", L"B\\b.doc", L"B\\x1.txt", L"B\\bsub\\c.txt", L"B\\bsub2\\e.txt",
                           L"C\\c.txt", L"C\\csub\\ignored.txt"})
    Edit(f);
  AddRow(src + L"\\A");
  AddRow(src + L"\\B", L"*.txt");
  AddRow(src + L"\\C", L"*.*", L"", L"");
  BackupAndCheck("first backup");
  EXPECT_EQ(Tree(src + L"\\A"), Tree(Mirror(L"100501A", src + L"\\A")));

  Day(2010, 5, 2);
  Edit(L"A\\a1.txt");
  DeleteFileW((src + L"\\A\\sub1\\s.txt").c_str());
  MoveFileW((src + L"\\A\\sub2\\t.txt").c_str(), (src + L"\\A\\sub2\\t2.txt").c_str());
  Edit(L"A\\new.txt");
  Edit(L"B\\b.txt");
  BackupAndCheck("edits, a deletion, a rename");
  EXPECT_EQ(Tree(src + L"\\A"), Tree(Mirror(L"100502A", src + L"\\A")));

  Edit(L"A\\a1.txt");
  Edit(L"C\\c.txt");
  BackupAndCheck("second run of the day");

  Day(2010, 5, 3);
  Edit(L"A\\sub1\\deep\\d.txt");
  app().rows[0].mark = L" ";
  WritePage();
  BackupAndCheck("sub-folder switch turned off");

  Day(2010, 5, 4);
  app().rows.pop_back();
  WritePage();
  Edit(L"C\\c.txt");
  BackupAndCheck("row removed");
  EXPECT_FALSE(FolderExists(Mirror(L"100504A", src + L"\\C")));

  Day(2010, 5, 6);
  app().rows[1].save = L"*.doc:*.txt";
  app().rows[1].exclude = L"x*";
  WritePage();
  BackupAndCheck("patterns changed");

  Day(2010, 5, 7);
  app().rows[1].excluded = L"bsub";
  WritePage();
  Edit(L"B\\bsub\\c.txt");
  BackupAndCheck("excluded folder added");

  Day(2010, 5, 8);
  MoveFileW((src + L"\\B\\bsub2").c_str(), (src + L"\\B\\bsub3").c_str());
  Edit(L"B\\b.doc");
  Edit(L"B\\bsub3\\e.txt");
  BackupAndCheck("folder renamed");
  EXPECT_EQ(8u, Generations(dest).size());
}

TEST_F(Reliability, LockedSourceFileIsReportedAndTheRunGoesOn) {
  Put(src + L"\\a.txt", "a");
  Put(src + L"\\b.txt", "b");
  Put(src + L"\\c.txt", "c");
  AddRow(src);
  Backup();
  Put(src + L"\\a.txt", "a2");
  Put(src + L"\\b.txt", "b2");
  Put(src + L"\\c.txt", "c2");
  HANDLE h = CreateFileW((src + L"\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  Day(2010, 5, 2);
  Backup();
  CloseHandle(h);
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ.", ErrorLine(32, src + L"\\b.txt")}), t.view.errorList);
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  // The old copy of the locked file went to the previous generation before
  // the copy failed; the new one comes with the next run.
  EXPECT_EQ((Files{{L"a.txt", "a2"}, {L"c.txt", "c2"}}), Tree(Mirror(L"100502A", src)));
  EXPECT_EQ((Files{{L"a.txt", "a"}, {L"b.txt", "b"}, {L"c.txt", "c"}}), Tree(Mirror(L"100501A", src)));
  Backup();
  EXPECT_EQ((Files{{L"a.txt", "a2"}, {L"b.txt", "b2"}, {L"c.txt", "c2"}}), Tree(Mirror(L"100502B", src)));
}

// The old copy cannot move to the previous generation: it is not
// overwritten either, the file is reported, and the next run catches up.
TEST_F(Reliability, MirrorCopyThatCannotMoveIsNotOverwritten) {
  enum Blocker { kHeldOpen, kNameTakenInPrevious };
  for (Blocker blocker : {kHeldOpen, kNameTakenInPrevious}) {
    SCOPED_TRACE(blocker == kHeldOpen ? "held open" : "name taken");
    TempDir d;
    dest = d / L"dest";
    app().env.tamdir = dest;
    MakeFolder(dest);
    app().rows.clear();
    app().PageIndexTable[1].last.clear();
    Put(src + L"\\a.txt", "old");
    AddRow(src);
    Day(2010, 5, 1);
    Backup();
    Put(src + L"\\a.txt", "new");
    Day(2010, 5, 2);
    HANDLE h = INVALID_HANDLE_VALUE;
    bool blocked = false;
    const std::wstring copy = Mirror(L"100502A", src) + L"\\a.txt";
    // Another program acts once the new generation is there.
    t.view.onPump = [&] {
      if (blocked || t.view.status != L"バックアップ中...") return;
      blocked = true;
      if (blocker == kHeldOpen)
        h = CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      else
        MakeFolder(Mirror(L"100501A", src) + L"\\a.txt");
    };
    t.view.errorList.clear();
    Backup();
    t.view.onPump = nullptr;
    ASSERT_TRUE(blocked);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (blocker == kHeldOpen && FileExists(Mirror(L"100501A", src) + L"\\a.txt")) continue;  // moved anyway
    ASSERT_EQ(2u, t.view.errorList.size());
    EXPECT_EQ(0u, t.view.errorList[1].rfind(copy + L" <エラー:", 0)) << Utf8(t.view.errorList[1]);
    EXPECT_EQ("old", ReadBytes(copy));
    if (blocker == kNameTakenInPrevious) RemoveDirectoryW((Mirror(L"100501A", src) + L"\\a.txt").c_str());
    Backup();
    EXPECT_EQ((Files{{L"a.txt", "new"}}), Tree(Mirror(L"100502B", src)));
    EXPECT_EQ((Files{{L"a.txt", "old"}}), Tree(Mirror(L"100502A", src)));
  }
}

// A killed copy leaves its temporary file in the run's work folder at the
// generation's root, which the next run removes. In a mirror every name is a
// user's: a file that merely looks like a temporary one is a version like any
// other, kept in the previous generation when it leaves the source.
TEST_F(Reliability, OnlyTheRunsOwnLeftoversAreRemoved) {
  Put(src + L"\\a.txt", "a");
  Put(src + L"\\sub\\b.txt", "b");
  Put(src + L"\\~ruzer-CAFE.tmp", "mine");
  Put(src + L"\\sub\\~ruzer-0BADF00D.tmp", "mine too");
  AddRow(src);
  Backup();
  EXPECT_EQ(0, PathKind(dest + L"\\100501A\\~ruzer-work"));
  // What a run killed in the middle of a copy leaves behind.
  Put(dest + L"\\100501A\\~ruzer-work\\~ruzer-12345678.tmp", "half a copy");
  Put(src + L"\\a.txt", "a2");
  DeleteFileW((src + L"\\~ruzer-CAFE.tmp").c_str());
  Backup();
  EXPECT_EQ((Files{{L"a.txt", "a2"},
                   {L"sub\\", "<dir>"},
                   {L"sub\\b.txt", "b"},
                   {L"sub\\~ruzer-0BADF00D.tmp", "mine too"}}),
            Tree(Mirror(L"100501B", src)));
  EXPECT_EQ((Files{{L"a.txt", "a"}, {L"~ruzer-CAFE.tmp", "mine"}}), Tree(Mirror(L"100501A", src)));
  EXPECT_EQ(0, PathKind(dest + L"\\100501B\\~ruzer-work"));
  EXPECT_EQ(0, PathKind(dest + L"\\100501A\\~ruzer-work"));
  // When the user's look-alike leaves the selection it moves like any file.
  DeleteFileW((src + L"\\sub\\~ruzer-0BADF00D.tmp").c_str());
  Backup();
  EXPECT_EQ((Files{{L"sub\\", "<dir>"}, {L"sub\\~ruzer-0BADF00D.tmp", "mine too"}}), Tree(Mirror(L"100501B", src)));
}

TEST_F(Reliability, AbortedRunKeepsEveryEarlierVersionAndTheNextRunCompletes) {
  app().env.backdays = 100;
  for (int i = 0; i < 12; ++i) Put(src + L"\\f" + std::to_wstring(i) + L".txt", "v1 of " + std::to_string(i));
  AddRow(src);
  Backup();
  const Files first = Tree(Mirror(L"100501A", src));
  Day(2010, 5, 2);
  for (int i = 0; i < 12; ++i) Put(src + L"\\f" + std::to_wstring(i) + L".txt", "v2 of " + std::to_string(i));
  // F3 after five files of the page.
  int copied = 0;
  bool copying = false;
  std::wstring counted;
  t.view.onPump = [&] {
    const std::wstring& s = t.view.status;
    if (s == L"バックアップ中...") copying = true;
    if (copying && s != counted && s.rfind(src + L"\\f", 0) == 0) {
      counted = s;
      if (++copied == 5) AbortCommand(app());
    }
  };
  memo.answer = L"daily";
  Backup();
  t.view.onPump = nullptr;
  EXPECT_EQ(L"バックアップ中断．", t.view.status);
  EXPECT_EQ(Utf16File({L"中断: daily"}), ReadBytes(dest + L"\\100502A\\MEMO.TXT"));
  EXPECT_EQ(L"2010/05/01 12:00:00", app().PageIndexTable[1].last);  // not recorded
  // Every first version is still there, in one of the two generations.
  const Files now = Tree(Mirror(L"100502A", src)), prev = Tree(Mirror(L"100501A", src));
  int newCopies = 0;
  for (const auto& [name, content] : now) newCopies += content.rfind("v2", 0) == 0;
  EXPECT_EQ(5, newCopies);
  for (const auto& [name, content] : first) {
    const bool inNow = now.count(name) && now.at(name) == content;
    const bool inPrev = prev.count(name) && prev.at(name) == content;
    EXPECT_TRUE(inNow != inPrev) << Utf8(name);
  }
  Backup();
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ(Tree(src), Tree(Mirror(L"100502B", src)));
  EXPECT_EQ(L"2010/05/02 12:00:00", app().PageIndexTable[1].last);
  std::map<std::string, int> copies;
  for (const auto& gen : Generations(dest))
    for (const auto& [rel, content] : Tree(Mirror(gen, src))) ++copies[content];
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(1, copies["v1 of " + std::to_string(i)]) << i;
    EXPECT_EQ(1, copies["v2 of " + std::to_string(i)]) << i;
  }
}

TEST_F(Reliability, LinksAreNeverFollowed) {
  Put(src + L"\\real\\r.txt", "r");
  Put(tmp / L"outside\\o.txt", "o");
  Put(tmp / L"precious\\p.txt", "p");
  if (!MakeFolderSymlink(src + L"\\link", tmp / L"outside")) GTEST_SKIP() << "no symbolic links here";
  AddRow(src);
  AddRow(tmp / L"linkrow");
  ASSERT_TRUE(MakeFolderSymlink(tmp / L"linkrow", tmp / L"outside"));
  Backup();
  EXPECT_EQ((Files{{L"real\\", "<dir>"}, {L"real\\r.txt", "r"}}), Tree(Mirror(L"100501A", src)));
  EXPECT_FALSE(FolderExists(Mirror(L"100501A", tmp / L"linkrow")));

  // A link planted in the mirror where the source has a folder.
  Put(src + L"\\sub\\s.txt", "s");
  ASSERT_TRUE(MakeFolderSymlink(Mirror(L"100501A", src) + L"\\sub", tmp / L"precious"));
  Backup();
  EXPECT_EQ((Files{{L"p.txt", "p"}}), Tree(tmp / L"precious"));
  EXPECT_EQ((Files{{L"o.txt", "o"}}), Tree(tmp / L"outside"));
  EXPECT_TRUE(Has(t.view.errorList, ErrorLine(ERROR_BAD_PATHNAME, Mirror(L"100501B", src) + L"\\sub")));

  // The links go as links, before the temp folder is cleared.
  for (const auto& l : {src + L"\\link", tmp / L"linkrow", Mirror(L"100501B", src) + L"\\sub"}) {
    EXPECT_TRUE(RemoveFolderSymlink(l)) << Utf8(l);
  }
  EXPECT_EQ((Files{{L"p.txt", "p"}}), Tree(tmp / L"precious"));
}

TEST_F(Reliability, PathsLongerThan260Characters) {
  std::wstring deep = src;
  for (int i = 0; i < 6; ++i) deep += L"\\" + std::wstring(45, static_cast<wchar_t>(L'a' + i));
  ASSERT_GT(deep.size(), 300u);
  Put(deep + L"\\long.txt", "long 1");
  Put(src + L"\\short.txt", "short");
  AddRow(src);
  Backup();
  const std::wstring rel = deep.substr(src.size() + 1) + L"\\long.txt";
  EXPECT_EQ("long 1", Tree(Mirror(L"100501A", src))[rel]);
  Put(deep + L"\\long.txt", "long 2");
  Day(2010, 5, 2);
  Backup();
  EXPECT_EQ("long 2", Tree(Mirror(L"100502A", src))[rel]);
  EXPECT_EQ("long 1", Tree(Mirror(L"100501A", src))[rel]);
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ."}), t.view.errorList);
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, src));
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, dest));
}

// hiberfil.sys and pagefile.sys on the Windows drive's root are never copied.
TEST_F(Reliability, SystemFilesOfTheWindowsDriveAreReportedEveryRun) {
  const std::wstring root = WindowsDriveRoot();
  std::vector<std::wstring> made;
  for (const wchar_t* n : {L"hiberfil.sys", L"pagefile.sys"}) {
    const std::wstring p = root + n;
    if (GetFileAttributesW(p.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (!WriteBytes(p, "system")) GTEST_SKIP() << "cannot write to " << Utf8(root);
      made.push_back(p);
    }
  }
  AddRow(root, L"HIBERFIL.SYS:pagefile.sys", L"", L"");
  Backup();
  Backup();
  for (const auto& p : made) DeleteFileW(p.c_str());
  const std::wstring hib = root + L"HIBERFIL.SYS", page = root + L"pagefile.sys";
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ.", ErrorLine(32, hib), ErrorLine(32, page)}),
            t.view.errorList);  // the second run's list
  EXPECT_EQ(Files{}, Tree(Mirror(L"100501A", root)));
  EXPECT_EQ(Files{}, Tree(Mirror(L"100501B", root)));
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
}

// A small volume fills in the middle of the first page.
TEST_F(Reliability, FullDestinationStopsTheRunAndTheNextRunCompletes) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  const std::wstring area = drive / (L"full-" + std::to_wstring(GetCurrentProcessId()));
  MakeFolder(area);
  Put(area + L"\\filler.bin", std::string(1024 * 1024, 'f'));

  // Page P1 backs up to the small volume, P2 elsewhere.
  const std::wstring full = area + L"\\Backup", other = tmp / L"other";
  MakeFolder(full);
  MakeFolder(other);
  const std::wstring big = src + L"\\big", little = src + L"\\little";
  for (int i = 1; i <= 4; ++i) Put(big + L"\\f" + std::to_wstring(i) + L".bin", std::string(300 * 1024, char('0' + i)));
  Put(little + L"\\l.txt", "l");
  app().pages = {L"P1", L"P2"};
  app().PageIndexTable = {app().PageIndexTable[0], IndexRow{L"1", L"P1", full, L"", L""},
                          IndexRow{L"2", L"P2", other, L"", L""}};
  EnvPanel e1, e2;
  e1.tamdir = full;
  e2.tamdir = other;
  const SourceRow r1 = Row({.caption = big, .no = L"1"}), r2 = Row({.caption = little, .no = L"1"});
  WriteBytes(sets + L"\\P1.PAG", Utf16File(PageLines(e1, {r1})));
  WriteBytes(sets + L"\\P2.PAG", Utf16File(PageLines(e2, {r2})));
  app().CurrentPageName = L"P1";
  app().env = e1;
  app().rows = {r1};
  memo.answer = L"nightly";
  t.user.ExpectFull({L"バックアップ先に十分な空き領域がありません.\r\nバックアップを中止します.", kOk, false,
                     MsgKind::Error, kOk});
  Backup();
  t.user.VerifyDone();
  EXPECT_EQ(L"エラーにより中断．", t.view.status);
  ASSERT_EQ(2u, t.view.errorList.size());
  EXPECT_EQ(L"{P1} ページ.", t.view.errorList[0]);
  const std::wstring tail = L" <エラー:112> " + SystemErrorText(112);
  EXPECT_EQ(tail, t.view.errorList[1].substr(t.view.errorList[1].size() - tail.size()));
  EXPECT_EQ(0u, t.view.errorList[1].rfind(big + L"\\f", 0));
  const std::wstring gen = full + L"\\100501A";
  EXPECT_EQ(ReadBytes(gen + L"\\ERROR.LOG"), EncodeAnsiLines({t.view.errorList[1]}));
  EXPECT_EQ(Utf16File({L"エラー: nightly"}), ReadBytes(gen + L"\\MEMO.TXT"));
  EXPECT_TRUE(Generations(other).empty());  // the later page is not touched
  EXPECT_EQ(L"", app().PageIndexTable[1].last);
  // Whatever was copied is whole; no temporary file is left.
  for (const auto& [rel, content] : Tree(gen)) {
    EXPECT_EQ(std::wstring::npos, rel.find(L"~ruzer-")) << Utf8(rel);
    if (rel.find(L'\\') != std::wstring::npos && rel.back() != L'\\') {
      EXPECT_EQ(300u * 1024, content.size()) << Utf8(rel);
    }
  }

  // With room on the volume the next run completes.
  DeleteFileW((area + L"\\filler.bin").c_str());
  app().activePage = 0;
  Day(2010, 5, 2);
  memo.answer = L"";
  Backup();
  EXPECT_EQ(L"バックアップ終了．", t.view.status);
  EXPECT_EQ(Tree(big), Tree(Mirror(L"100502A", big).replace(0, dest.size(), full)));
  EXPECT_EQ((std::vector<std::wstring>{L"100502A"}), Generations(other));
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, area));
}


// Another program fills the volume to its last byte while the page is being
// copied: the error log and the memo still find room.
TEST_F(Reliability, LogAndMemoAreWrittenOnAVolumeFilledToTheLastByte) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  const std::wstring area = drive / (L"last-" + std::to_wstring(GetCurrentProcessId()));
  MakeFolder(area);
  dest = area + L"\\Backup";
  MakeFolder(dest);
  app().env.tamdir = dest;
  Put(src + L"\\a.bin", std::string(100 * 1024, 'a'));
  AddRow(src);
  bool filled = false;
  t.view.onPump = [&] {
    if (filled || t.view.status != L"バックアップ中...") return;
    filled = true;
    HANDLE h = CreateFileW((area + L"\\filler.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::string chunk(4096, 'f');
    DWORD written = 0;
    while (WriteFile(h, chunk.data(), 4096, &written, nullptr) && written == 4096) {
    }
    while (WriteFile(h, chunk.data(), 1, &written, nullptr) && written == 1) {
    }
    CloseHandle(h);
  };
  memo.answer = L"full";
  t.user.Expect(L"バックアップ先に十分な空き領域がありません.\r\nバックアップを中止します.");
  Backup();
  t.view.onPump = nullptr;
  ASSERT_TRUE(filled);
  EXPECT_EQ(L"エラーにより中断．", t.view.status);
  EXPECT_EQ((std::vector<std::wstring>{L"{Home} ページ.", ErrorLine(112, src + L"\\a.bin")}), t.view.errorList);
  EXPECT_EQ(EncodeAnsiLines({ErrorLine(112, src + L"\\a.bin")}), ReadBytes(dest + L"\\100501A\\ERROR.LOG"));
  EXPECT_EQ(Utf16File({L"エラー: full"}), ReadBytes(dest + L"\\100501A\\MEMO.TXT"));
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, area));
}

}  // namespace
}  // namespace ruzer::test

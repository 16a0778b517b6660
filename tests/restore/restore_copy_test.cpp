// The result dialog's restore: the selected versions back into the folder,
// never leaving a file worse than it was.
#include "restore_fixture.h"

#include "support/drives.h"

namespace ruzer::test {
namespace {

bool SameWriteTime(const std::wstring& a, const std::wstring& b) {
  const FILETIME x = LastWriteOf(a), y = LastWriteOf(b);
  return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
}

// Only our own temporary files would be left over.
bool NoTemporaryFiles(const std::wstring& folder) {
  for (const auto& n : FolderEntries(folder))
    if (IsRuzerTempName(n)) return false;
  return true;
}

class Locked {
 public:
  explicit Locked(const std::wstring& path)
      : h_(CreateFileW(LongPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Locked() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

TEST_F(RestoreTest, ARowAcrossThreeGenerationsEndsWithTheOldestSelected) {
  PutAt(folder + L"\\a.txt", "now", At(2010, 5, 4, 10, 0, 0));
  PutAt(InGen(L"100503A", L"a.txt"), "third", At(2010, 5, 3, 10, 0, 1));
  PutAt(InGen(L"100502A", L"a.txt"), "second", At(2010, 5, 2, 10, 0, 0));
  PutAt(InGen(L"100501A", L"a.txt"), "first", At(2010, 5, 1, 10, 0, 0));
  Open({L"100501A", L"100502A", L"100503A"});
  const int r = Row(L"a.txt");
  Select(r, 2, r, 4);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ("first", ReadBytes(folder + L"\\a.txt"));
  EXPECT_TRUE(SameWriteTime(InGen(L"100501A", L"a.txt"), folder + L"\\a.txt"));
  EXPECT_EQ(L"10/05/01 10:00:00", Text(r, 1));
  EXPECT_EQ(L"復元完了.", view.status);
  EXPECT_TRUE(view.restoreEnabled);
  EXPECT_TRUE(NoTemporaryFiles(folder));
}

TEST_F(RestoreTest, DeletedFileComesBackIntoAFolderCreatedAgain) {
  PutAt(InGen(L"100502A", L"gone.txt"), "was here", At(2010, 5, 2, 10, 0, 0));
  Open({L"100502A"});
  ASSERT_FALSE(FolderExists(folder));
  const int r = Row(L"gone.txt");
  EXPECT_EQ(L"", Text(r, 1));
  Select(r, 2, r, 2);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ("was here", ReadBytes(folder + L"\\gone.txt"));
  EXPECT_EQ(L"10/05/02 10:00:00", Text(r, 1));
}

TEST_F(RestoreTest, ReadOnlyCurrentFileIsReplacedAndTakesTheCopysAttributes) {
  PutAt(folder + L"\\ro.txt", "current", At(2010, 5, 4, 10, 0, 0));
  SetFileAttributesW(LongPath(folder + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  PutAt(InGen(L"100502A", L"ro.txt"), "older", At(2010, 5, 2, 10, 0, 0));
  SetFileAttributesW(LongPath(InGen(L"100502A", L"ro.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  Open({L"100502A"});
  Select(1, 2, 1, 2);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ("older", ReadBytes(folder + L"\\ro.txt"));
  EXPECT_EQ(AttributesOf(InGen(L"100502A", L"ro.txt")), AttributesOf(folder + L"\\ro.txt"));
  EXPECT_TRUE(SameWriteTime(InGen(L"100502A", L"ro.txt"), folder + L"\\ro.txt"));
  SetFileAttributesW(LongPath(folder + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RestoreTest, FirstTwoColumnsAndEmptyCellsRestoreNothing) {
  PutAt(folder + L"\\a.txt", "now", At(2010, 5, 4, 10, 0, 0));
  PutAt(InGen(L"100502A", L"b.txt"), "b", At(2010, 5, 2, 10, 0, 0));
  Open({L"100501A", L"100502A"});
  t.user.ExpectFull({L"1～2列目は選択できません.", kOk, false, MsgKind::Warning});
  Select(1, 1, 2, 3);
  RestoreSelection(t.app, st, view);
  t.user.VerifyDone();
  EXPECT_EQ(L"", view.status);
  EXPECT_FALSE(FileExists(folder + L"\\b.txt"));
  // a.txt has no copy in either generation; rows past the names are empty too.
  Select(Row(L"a.txt"), 2, 5, 3);
  RestoreSelection(t.app, st, view);
  const int b = Row(L"b.txt");
  EXPECT_EQ("b", ReadBytes(folder + L"\\b.txt")) << "row " << b << " is inside the selection";
  Select(Row(L"a.txt"), 2, Row(L"a.txt"), 3);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ(L"復元するデータがありません.", view.status);
  EXPECT_EQ("now", ReadBytes(folder + L"\\a.txt"));
}

TEST_F(RestoreTest, LockedCopyGivesTheSystemFileWarningAndTheOthersStillCome) {
  PutAt(InGen(L"100502A", L"locked.dat"), "locked", At(2010, 5, 2, 10, 0, 0));
  PutAt(InGen(L"100502A", L"free.dat"), "free", At(2010, 5, 2, 10, 0, 0));
  Open({L"100502A"});
  const std::wstring src = InGen(L"100502A", L"locked.dat");
  const std::wstring target = folder + L"\\locked.dat";
  MakeFolder(folder);
  Locked lock(src);
  ASSERT_TRUE(lock.ok());
  t.user.ExpectFull({L"\"" + src + L"\" → \"" + target + L"\" コピー失敗 (32)\r\n\"" + src +
                         L"\" ファイルはシステムの作業ファイルの可能性があります.\r\n復元できません．",
                     kOk, false, MsgKind::Warning});
  Select(1, 2, 2, 2);
  RestoreSelection(t.app, st, view);
  t.user.VerifyDone();
  EXPECT_EQ(L"×", Text(L"locked.dat", 1));
  EXPECT_EQ("free", ReadBytes(folder + L"\\free.dat"));
  EXPECT_EQ(L"復元完了.", view.status) << "also when some copies failed";
  EXPECT_FALSE(FileExists(target));
  EXPECT_TRUE(NoTemporaryFiles(folder));
}

TEST_F(RestoreTest, OtherFailuresShowTheCopyLineAlone) {
  PutAt(InGen(L"100502A", L"vanished.txt"), "x", At(2010, 5, 2, 10, 0, 0));
  PutAt(folder + L"\\vanished.txt", "keep me", At(2010, 5, 4, 10, 0, 0));
  Open({L"100502A"});
  const std::wstring src = InGen(L"100502A", L"vanished.txt");
  DeleteFileW(LongPath(src).c_str());
  t.user.ExpectFull({L"\"" + src + L"\" → \"" + folder + L"\\vanished.txt\" コピー失敗 (2)\r\n", kOk, false,
                     MsgKind::Error});
  Select(1, 2, 1, 2);
  RestoreSelection(t.app, st, view);
  t.user.VerifyDone();
  EXPECT_EQ(L"×", Text(1, 1));
  EXPECT_EQ("keep me", ReadBytes(folder + L"\\vanished.txt"));
}

TEST_F(RestoreTest, FullDiskIsReportedOnceAndTheCurrentFileStaysWhole) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  folder = drive / (L"restore-" + std::to_wstring(GetCurrentProcessId()));
  PutAt(folder + L"\\big.dat", "previous copy", At(2010, 5, 4, 10, 0, 0));
  PutAt(InGen(L"100502A", L"big.dat"), std::string(3 * 1048576, 'b'), At(2010, 5, 2, 10, 0, 0));
  Open({L"100502A"});
  t.user.ExpectFull({L"ディスクの空き容量が不足です．\r\nディスクの容量を確保して再度「復元」を実行してください.", kOk,
                     false, MsgKind::Error});
  Select(1, 2, 1, 2);
  RestoreSelection(t.app, st, view);
  t.user.VerifyDone();
  EXPECT_EQ("previous copy", ReadBytes(folder + L"\\big.dat"));
  EXPECT_EQ(std::vector<std::wstring>{L"big.dat"}, FolderEntries(folder)) << "no temporary file left";
  EXPECT_EQ(L"×", Text(1, 1));
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, folder));
}

TEST_F(RestoreTest, ExitDuringARestoreStopsAtOnceAndSaysSo) {
  for (int i = 0; i < 5; ++i)
    PutAt(InGen(L"100502A", L"f" + std::to_wstring(i) + L".txt"), "v", At(2010, 5, 2, 10, 0, 0));
  Open({L"100502A"});
  bool closeNow = true;
  t.view.onPump = [&] { closeNow = ExitPressed(t.app, st, view); };
  t.user.ExpectFull({L"復元は中断されました.", kOk, false, MsgKind::Information});
  Select(1, 2, 5, 2);
  RestoreSelection(t.app, st, view);
  t.user.VerifyDone();
  EXPECT_FALSE(closeNow);
  EXPECT_TRUE(st.closeWhenDone);
  EXPECT_EQ(1u, FolderEntries(folder).size()) << "only the first cell was restored";
  EXPECT_EQ(L"", view.status) << "no end status";
}

TEST_F(RestoreTest, PathsLongerThan260CharactersRestoreLikeShortOnes) {
  folder = tmp.path();
  for (int i = 0; i < 5; ++i) folder += L"\\" + std::wstring(50, static_cast<wchar_t>(L'k' + i));
  ASSERT_GT(folder.size(), 260u);
  PutAt(InGen(L"100502A", L"deep.txt"), "deep", At(2010, 5, 2, 10, 0, 0));
  PutAt(folder + L"\\deep.txt", "now", At(2010, 5, 4, 10, 0, 0));
  Open({L"100502A"});
  EXPECT_EQ(L"10/05/04 10:00:00", Text(L"deep.txt", 1));
  Select(1, 2, 1, 2);
  RestoreSelection(t.app, st, view);
  EXPECT_EQ("deep", ReadBytes(LongPath(folder + L"\\deep.txt")));
  EXPECT_TRUE(SameWriteTime(InGen(L"100502A", L"deep.txt"), folder + L"\\deep.txt"));
  TestApp cleanup;
  EXPECT_TRUE(DeleteFolderTree(cleanup.app, tmp / std::wstring(50, L'k')));
}

TEST_F(RestoreTest, NameWindowsCannotTakeIsReportedNotWrittenElsewhere) {
  // Such names reach a generation only from outside Windows' own rules: made on the host.
  const std::wstring names[] = {L"aux.txt", L"trail.", L"blank "};
  const std::wstring gen = InGen(L"100502A", L"");
  MakeFolder(gen);
  const std::string host = HostPathOf(gen);
  if (host.empty()) GTEST_SKIP() << "the temp folder is not on a host drive";
  std::vector<std::wstring> args;
  for (const auto& n : names) args.push_back(Wide(host + "/" + Utf8(n)));
  RunHostProgram(L"Z:\\bin\\touch", args);
  for (int i = 0; i < 100 && FolderEntries(gen).size() < 3; ++i) Sleep(50);
  Open({L"100502A"});
  std::vector<int> rows;
  for (const auto& n : names) {
    const int r = st.grid.FindName(n);
    if (r > 0) rows.push_back(r);
  }
  if (rows.empty()) {
    std::string listed;
    for (const auto& n : FolderEntries(InGen(L"100502A", L""))) listed += Utf8(n) + " ";
    GTEST_SKIP() << "Wine shows no such names (listed: " << listed << ")";
  }
  MakeFolder(folder);
  EXPECT_EQ(3u, rows.size()) << "each of the names is listed";
  for (int r : rows) {
    const std::wstring n = st.grid.Name(r);
    t.user.ExpectFull({L"\"" + CellSource(st, r, 2) + L"\" → \"" + folder + L"\\" + n + L"\" コピー失敗 (123)\r\n", kOk,
                       false, MsgKind::Error});
    Select(r, 2, r, 2);
    RestoreSelection(t.app, st, view);
    t.user.VerifyDone();
    EXPECT_EQ(L"×", Text(r, 1));
  }
  EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST_F(RestoreTest, LinkSwappedInAfterTheSearchIsNotFollowed) {
  PutAt(InGen(L"100502A", L"a.txt"), "backed up", At(2010, 5, 2, 10, 0, 0));
  Open({L"100502A"});
  const std::wstring outside = tmp / L"outside";
  PutAt(outside + L"\\a.txt", "not in the backup", At(2010, 5, 1, 8, 0, 0));
  const std::wstring mirror = dest + L"\\100502A\\" + MirrorName(folder);
  ASSERT_TRUE(MovePath(mirror, tmp / L"moved"));
  if (!MakeFolderSymlink(mirror, outside)) GTEST_SKIP() << "no folder links here";
  t.user.ExpectFull({L"\"" + mirror + L"\\a.txt\" → \"" + folder + L"\\a.txt\" コピー失敗 (1920)\r\n", kOk, false,
                     MsgKind::Error});
  Select(1, 2, 1, 2);
  RestoreSelection(t.app, st, view);
  t.user.VerifyDone();
  EXPECT_FALSE(FileExists(folder + L"\\a.txt"));
  RemoveFolderSymlink(mirror);
}

}  // namespace
}  // namespace ruzer::test

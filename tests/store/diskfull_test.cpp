#include <windows.h>

#include "store/store_fixture.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

// Writes into `path` until the volume has no byte left.
void FillVolume(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const std::string chunk(65536, 'f');
  for (DWORD piece : {65536u, 4096u, 1u}) {
    for (;;) {
      DWORD put = 0;
      if (!WriteFile(h, chunk.data(), piece, &put, nullptr) || put < piece) break;
    }
  }
  CloseHandle(h);
}

TEST(StoreDiskFull, FullDiskKeepsBothFilesAsTheyWere) {
  const std::string small = SmallDiskHostPath();
  if (small.empty()) GTEST_SKIP() << "the small-disk fixture is not mounted (run through ctest as root)";
  MappedDrive drive(small);
  ASSERT_TRUE(drive.ok()) << drive.error();
  const std::wstring folder = drive / (L"store-" + std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring filler = drive / (L"filler-" + std::to_wstring(GetCurrentProcessId()));

  {
    TestApp t;
    t.app.FileSetFolder = folder + L"\\";
    t.app.IndexFileName = L"RUZER.IDX";
    ReadIndexFile(t.app);  // a new file set: both files written
    const std::string index = ReadBytes(folder + L"\\RUZER.IDX");
    const std::string page = ReadBytes(folder + L"\\RUZER.PAG");
    ASSERT_FALSE(index.empty());
    ASSERT_FALSE(page.empty());

    FillVolume(filler);
    t.app.rows.push_back(Row({.caption = L"C:\\Data"}));
    t.app.PageIndexTable[1].dest = L"E:\\Backup";
    t.user.ExpectFull(Exact(IndexWriteFailed(2), MsgKind::Error, kOk | kHelp, 40));
    t.user.ExpectFull(Exact(L"設定ページファイル\"" + folder + L"\\RUZER.PAG\"の書き込み失敗．（エラー 112）\r\n" + kHint,
                            MsgKind::Error, kOk | kHelp, 40));
    EXPECT_FALSE(WritePageFile(t.app));
    t.user.VerifyDone();
    EXPECT_EQ(index, ReadBytes(folder + L"\\RUZER.IDX"));
    EXPECT_EQ(page, ReadBytes(folder + L"\\RUZER.PAG"));

    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*.tmp").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h) << "a temporary file was left behind";
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
  DeleteFileW(filler.c_str());
  RemoveTree(folder);
}

}  // namespace
}  // namespace ruzer::test

// The measurement counts exactly the files the next backup copies.
#include <gtest/gtest.h>

#include "engine/Sbakup.h"
#include "engine/Sdskio.h"
#include "measure/measure_fixture.h"
#include "support/drives.h"

namespace ruzer::test {
namespace {

class OkMemo : public IMemoDialog {
 public:
  bool Show(std::wstring& memo) override {
    memo.clear();
    return true;
  }
};

// Files below `root` (links are not followed), with their allocation sizes.
void CountFiles(const std::wstring& root, std::int64_t cluster, int& files, std::int64_t& bytes) {
  std::vector<DirEntry> fs, ds;
  ASSERT_TRUE(ListFolder(root, fs, ds)) << Utf8(root);
  for (const auto& f : fs) {
    ++files;
    bytes += AllocationSize(static_cast<std::int64_t>(f.size), cluster);
  }
  for (const auto& d : ds)
    if (!(d.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) CountFiles(root + L"\\" + d.name, cluster, files, bytes);
}

std::vector<std::wstring> Generations(const std::wstring& dest) {
  std::vector<DirEntry> fs, ds;
  std::vector<std::wstring> out;
  ListFolder(dest, fs, ds);
  for (const auto& d : ds) out.push_back(d.name);
  return out;
}

TEST_F(MeasureFixture, FilesCountedAreTheFilesTheNextBackupCopies) {
  OkMemo memo;
  app().memoDialog = &memo;
  const std::wstring a = src + L"\\Docs", b = src + L"\\Mail";
  PutFile(a + L"\\r.doc", std::string(1000, 'r'));
  PutFile(a + L"\\t.xls", std::string(5000, 't'));
  PutFile(a + L"\\~lock.doc", "lock");          // exclude pattern
  PutFile(a + L"\\notes.txt", "n");              // not a save pattern
  PutFile(a + L"\\hidden.doc", std::string(77, 'h'));
  SetFileAttributesW((a + L"\\hidden.doc").c_str(), FILE_ATTRIBUTE_HIDDEN);
  PutFile(a + L"\\system.xls", std::string(99, 's'));
  SetFileAttributesW((a + L"\\system.xls").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  PutFile(a + L"\\Sub\\deep\\d.doc", std::string(4096, 'd'));
  PutFile(a + L"\\Sub\\cache\\c.doc", "c");       // excluded folder, two levels down
  PutFile(a + L"\\Tmp\\x.doc", "x");              // excluded folder
  PutFile(a + L"\\Sub\\sibling\\s.doc", "s");
  PutFile(src + L"\\elsewhere\\e.doc", "e");
  ASSERT_TRUE(MakeFolderSymlink(a + L"\\link", src + L"\\elsewhere"));
  PutFile(b + L"\\inbox.mbx", std::string(12345, 'm'));
  PutFile(b + L"\\Archive\\old.mbx", "o");        // switch off: not visited
  PutFile(b + L"\\readme.txt", "r");              // named literally, also matched by the wildcard
  SetRows({Row({.caption = a, .save = L"*.doc:*.xls", .exclude = L"~*", .excluded = L"Tmp:Sub\\cache"}), Row({.caption = b, .save = L"*.mbx:*.txt:README.TXT", .mark = L""}),
           Row({.caption = src + L"\\gone"})});

  check.Reset();
  check.StartClick();
  const int counted = static_cast<int>(check.fileCount());
  const std::int64_t cluster = check.clusterSize(), overhead = check.folderOverhead();

  t.clock.Set(2010, 5, 1);
  RunBackup(app());
  const auto gens = Generations(dest);
  ASSERT_EQ(1u, gens.size());
  int copied = 0;
  std::int64_t bytes = 0;
  for (const auto& row : {a, b}) CountFiles(dest + L"\\" + gens[0] + L"\\" + MirrorName(row), cluster, copied, bytes);

  EXPECT_EQ(8, copied);
  EXPECT_EQ(copied, counted);
  // Planned: one overhead for the page, one per measured folder, and the files.
  const int folders = 5;  // Docs, Sub, deep, sibling, Mail
  EXPECT_EQ(overhead * (1 + folders) + bytes, check.planned());
  RemoveFolderSymlink(a + L"\\link");
}

}  // namespace
}  // namespace ruzer::test

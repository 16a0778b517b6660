// Damaged, foreign and hostile index and page files: reading them must neither
// crash nor hang, and nothing on disk may change unless the program meant to
// write it (an old-version page is converted only after its ".BAK" copy).
#include <windows.h>

#include <random>

#include "store/store_fixture.h"

namespace ruzer::test {
namespace {

std::string Utf16Bytes(const std::wstring& text, bool bom = true) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (wchar_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }

  std::wstring ValidIndex() {
    return L"[Ruzer]\r\nVers=6.00\r\nCount=2\r\nSleep=1000\r\nWidir=180\r\n\r\n[Index]\r\nFname1=P\r\n"
           L"Dpath1=E:\\Backup\r\nVolum1=VOL\r\nLstDy1=2010/06/24 06:59:57\r\nFname2=Q\r\nDpath2=\r\n"
           L"Volum2=\r\nLstDy2=\r\n\r\n";
  }

  std::wstring ValidPage(const wchar_t* version) {
    std::wstring s = L"[Ruzer]\r\nVers=" + std::wstring(version) +
                     L"\r\nPath=E:\\Backup\r\nLabl=VOL\r\nBday=15\r\nFlgs=1101\r\nCont=3\r\nYfil=*.*\r\nZfil=\r\n";
    for (int r = 1; r <= 3; ++r) {
      s += L"\r\n[Folder0000" + std::to_wstring(r) + L"]\r\nSorc=C:\\Data\\" + std::to_wstring(r) +
           L"\r\nEfol=コメント\r\nWfil=*.*\r\nXfil=*.tmp\r\nU000=sub:sub2\r\nMark=o\r\n";
    }
    return s;
  }

  // Characters that make trouble: NUL, lone surrogates, line breaks, wide text.
  wchar_t OddChar() {
    static const wchar_t chars[] = {L'\0', 0xD800, 0xDC00, 0xDBFF, L'\r', L'\n', L'=', L'[', L']', L';',
                                    L':', L'\\', 0xFFFF, 0xFEFF, L'日', L' ', L'\t', L'S', L'U', L'0'};
    return chars[Int(0, static_cast<int>(std::size(chars)) - 1)];
  }

  std::wstring RandomLine() {
    static const wchar_t firsts[] = L"BEFLMOPSUVWXYZC[;lsv ";
    std::wstring line(1, firsts[Int(0, static_cast<int>(std::size(firsts)) - 2)]);
    const int keyLen = Int(0, 6);
    for (int i = 0; i < keyLen; ++i) line += static_cast<wchar_t>(Int(0x20, 0x7E));
    const int valueLen = Chance(10) ? Int(200, 3000) : Int(0, 40);
    for (int i = 0; i < valueLen; ++i) line += Chance(10) ? OddChar() : static_cast<wchar_t>(Int(0x20, 0x7E));
    return line;
  }

  // A text the store could meet: valid, edited, damaged or foreign.
  std::wstring Text(const std::wstring& valid) {
    std::wstring s = valid;
    const int edits = Int(0, 6);
    for (int e = 0; e < edits; ++e) {
      const size_t at = s.empty() ? 0 : static_cast<size_t>(Int(0, static_cast<int>(s.size())));
      switch (Int(0, 7)) {
        case 0:
          s.insert(at, RandomLine() + L"\r\n");
          break;
        case 1:
          s.insert(at, 1, OddChar());
          break;
        case 2:
          if (!s.empty()) s.erase(at, static_cast<size_t>(Int(1, 80)));
          break;
        case 3:
          s = s.substr(0, at);
          break;
        case 4:
          s.insert(at, L"Sorc=" + std::wstring(static_cast<size_t>(Int(261, 20000)), L'長') + L"\r\n");
          break;
        case 5:
          if (!s.empty()) s[at < s.size() ? at : s.size() - 1] = static_cast<wchar_t>(Int(0, 0xFFFF));
          break;
        case 6:
          s.insert(at, L"Vers=" + std::to_wstring(Int(0, 9)) + L"." + std::to_wstring(Int(0, 99)) + L"\r\n");
          break;
        default:
          s.insert(at, L"Count=" + std::to_wstring(Int(-3, 3) * (Chance(20) ? 1000000 : 1)) + L"\r\n");
          break;
      }
    }
    return s;
  }

  std::string RandomBytes(size_t n) {
    std::string b(n, '\0');
    for (auto& c : b) c = static_cast<char>(Int(0, 255));
    return b;
  }

  // The bytes of a file made from `valid`, in one of the ways files go wrong.
  std::string File(const std::wstring& valid) {
    switch (Int(0, 9)) {
      case 0:
        return RandomBytes(static_cast<size_t>(Int(0, 4096)));
      case 1: {  // 8-bit text with garbage: an older version's file, or a foreign one
        std::string b;
        for (int i = 0, n = Int(1, 60); i < n; ++i) {
          b += Chance(50) ? "Sorc=" : (Chance(50) ? "Vers=5.00" : "");
          b += RandomBytes(static_cast<size_t>(Int(0, 50)));
          b += Chance(80) ? "\r\n" : "\n";
        }
        return b;
      }
      case 2: {  // UTF-16 cut at an odd byte
        std::string b = Utf16Bytes(Text(valid));
        return b.substr(0, b.size() - (b.size() % 2 == 0 && !b.empty() ? 1 : 0));
      }
      case 3: {  // random bytes after a valid start
        std::string b = Utf16Bytes(valid);
        return b.substr(0, static_cast<size_t>(Int(0, static_cast<int>(b.size())))) +
               RandomBytes(static_cast<size_t>(Int(1, 300)));
      }
      case 4:  // without its byte-order mark
        return Utf16Bytes(Text(valid), false);
      case 5: {  // one huge line, no line break at all
        std::wstring line = L"Sorc=";
        line.append(static_cast<size_t>(Int(100000, 1000000)), L'x');
        return Utf16Bytes(Text(valid) + line);
      }
      default:
        return Utf16Bytes(Text(valid));
    }
  }

 private:
  std::mt19937 rng_;
};

void ExpectConsistent(const App& app, const FakeView& view) {
  ASSERT_FALSE(app.pages.empty());
  EXPECT_GE(app.activePage, 0);
  EXPECT_LT(app.activePage, static_cast<int>(app.pages.size()));
  EXPECT_LE(app.PageIndexTable.size(), app.pages.size() + 1);
  EXPECT_GE(app.PageIndexTable.size(), 1u);
  EXPECT_EQ(app.pages, view.tabs);
  for (const auto& r : app.rows) {
    EXPECT_LE(r.caption.size(), 260u);
    EXPECT_LE(r.comment.size(), 260u);
  }
}

// A page file that changed must have been converted: its old bytes are in
// the ".BAK" copy and it is now a page file of this version.
void ExpectConvertedAfterCopy(const std::wstring& page, const std::string& original) {
  EXPECT_TRUE(ReadBytes(page + L".BAK") == original) << "the copy holds the old bytes";
  const auto lines = ReadUtf16Lines(page);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(L"Vers=6.00", lines[1]);
}

TEST(StoreRobustness, DamagedIndexAndPageFilesNeitherCrashNorLoseData) {
  Generator g(20100624);
  TempDir root;
  int converted = 0, loaded = 0, refused = 0;
  for (int c = 0; c < 300; ++c) {
    SCOPED_TRACE("case " + std::to_string(c));
    const std::wstring folder = root / (L"c" + std::to_wstring(c));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring idx = folder + L"\\RUZER.IDX", p = folder + L"\\P.PAG", q = folder + L"\\Q.PAG";

    const std::string idxBytes = g.Chance(40) ? Utf16Bytes(g.ValidIndex()) : g.File(g.ValidIndex());
    const std::string pBytes = g.File(g.ValidPage(g.Chance(30) ? L"5.00" : L"6.00"));
    const std::string qBytes = g.File(g.ValidPage(L"6.00"));
    ASSERT_TRUE(WriteBytes(idx, idxBytes));
    ASSERT_TRUE(WriteBytes(p, pBytes));
    ASSERT_TRUE(WriteBytes(q, qBytes));

    TestApp t;
    t.user.AnswerAnyWithDefault();
    App& app = t.app;
    app.FileSetFolder = folder + L"\\";
    app.IndexFileName = L"RUZER.IDX";
    ReadIndexFile(app);
    ReadPageFlags(app);
    for (int i = -1; i <= 2; ++i) ReadPageVersion(app, i);
    ExpectConsistent(app, t.view);
    if (!app.rows.empty()) ++loaded;
    if (app.IndexUnreadable) ++refused;

    // Only a converted old page may have been written, and only after its copy.
    const bool pChanged = ReadBytes(p) != pBytes, idxChanged = ReadBytes(idx) != idxBytes;
    if (pChanged || idxChanged) {
      ++converted;
      EXPECT_TRUE(pChanged) << "the index is rewritten only together with the page";
      ExpectConvertedAfterCopy(p, pBytes);
    }
    EXPECT_TRUE(ReadBytes(q) == qBytes) << "a page that was not loaded is not written";
    for (const auto& name : FolderEntries(folder)) EXPECT_EQ(std::wstring::npos, name.find(L".tmp")) << Utf8(name);

    // The other page, read directly and from its copy: the same rule.
    app.pages = {L"Q"};
    app.activePage = 0;
    ReadPageFile(app, false);
    ReadPageFile(app, true);
    if (ReadBytes(q) != qBytes) ExpectConvertedAfterCopy(q, qBytes);
    RemoveTree(folder);
  }
  // The generator reaches all three outcomes.
  EXPECT_GT(converted, 0);
  EXPECT_GT(loaded, 0);
  EXPECT_GT(refused, 0);
}

TEST(StoreRobustness, HugeFilesAreRefusedWithoutReadingThem) {
  TempDir d;
  TestApp t;
  t.app.FileSetFolder = d.path() + L"\\";
  t.app.IndexFileName = L"RUZER.IDX";
  ASSERT_TRUE(WriteBytes(d / L"RUZER.IDX", Utf16File({L"[Ruzer]", L"Count=1", L"[Index]", L"Fname1=P"})));
  HANDLE h = CreateFileW((d / L"P.PAG").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  LARGE_INTEGER size;
  size.QuadPart = 3ll * 1024 * 1024 * 1024;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
  CloseHandle(h);
  t.user.ExpectFull(Exact(L"設定ページファイル\"" + (d / L"P.PAG") + L"\"を読み込めません．\r\nファイルが大きすぎます．",
                          MsgKind::Error, kOk, 0));
  ReadIndexFile(t.app);
  t.user.VerifyDone();
  EXPECT_EQ(0, t.app.RowCount());
  EXPECT_TRUE(t.app.PageUnreadable);
  EXPECT_DOUBLE_EQ(0.0, ReadPageVersion(t.app, 0));
  ReadPageFlags(t.app);
  EXPECT_EQ(EnvPanel{}.check, t.app.env.check);
}

}  // namespace
}  // namespace ruzer::test

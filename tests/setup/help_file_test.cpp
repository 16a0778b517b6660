// The compiled help file beside the program holds a topic for every keyword
// and number the program asks for; the program's table covers every help
// keyword and number used in the sources.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstring>
#include <map>

#include <functional>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "base/help.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

std::wstring BuildFolder() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring p = self;
  p = p.substr(0, p.rfind(L'\\'));  // build\tests
  return p.substr(0, p.rfind(L'\\'));
}

// The names stored in a compiled help file: its directory is a list of
// "PMGL" chunks, each entry a length-prefixed UTF-8 name followed by three
// variable-length numbers (section, offset, length).
uint64_t EncInt(const std::string& b, size_t& at) {
  uint64_t v = 0;
  while (at < b.size()) {
    const auto c = static_cast<unsigned char>(b[at++]);
    v = (v << 7) | (c & 0x7F);
    if (!(c & 0x80)) break;
  }
  return v;
}
template <class T>
T At(const std::string& b, size_t at) {
  T v{};
  if (at + sizeof v <= b.size()) memcpy(&v, b.data() + at, sizeof v);
  return v;
}
std::set<std::string> ChmNames(const std::wstring& chm) {
  const std::string b = ReadBytes(chm);
  std::set<std::string> names;
  if (b.rfind("ITSF", 0) != 0) return names;
  const auto dir = static_cast<size_t>(At<uint64_t>(b, 0x48));
  if (b.compare(dir, 4, "ITSP") != 0) return names;
  const size_t chunkSize = At<uint32_t>(b, dir + 0x10);
  const size_t headerLen = At<uint32_t>(b, dir + 0x08);
  for (size_t chunk = dir + headerLen; chunkSize && chunk + chunkSize <= b.size(); chunk += chunkSize) {
    if (b.compare(chunk, 4, "PMGL") != 0) continue;
    const size_t end = chunk + chunkSize - At<uint32_t>(b, chunk + 4);
    for (size_t at = chunk + 0x14; at < end;) {
      const size_t len = static_cast<size_t>(EncInt(b, at));
      if (at + len > end) break;
      names.insert(b.substr(at, len));
      at += len;
      EncInt(b, at), EncInt(b, at), EncInt(b, at);
    }
  }
  return names;
}

// The topic sources in help/html (as Wine sees the source tree).
std::wstring HelpSources() {
  wchar_t root[1024] = {};
  if (!GetEnvironmentVariableW(L"RUZER_SOURCE_DIR", root, 1024)) return {};
  std::wstring src = root;
  for (auto& c : src)
    if (c == L'/') c = L'\\';
  if (src[0] == L'\\') src = L"Z:" + src;
  return src;
}

// A topic compiled into the file, with its source; nullopt when not compiled in.
std::optional<std::string> ReadTopic(const std::wstring& chm, const std::wstring& topic) {
  static std::map<std::wstring, std::set<std::string>> cache;
  if (!cache.count(chm)) cache[chm] = ChmNames(chm);
  std::string stored = "/";
  stored += Utf8(topic);
  if (!cache[chm].count(stored)) return std::nullopt;
  std::wstring rel = topic;
  for (auto& c : rel)
    if (c == L'/') c = L'\\';
  const std::string source = ReadBytes(HelpSources() + L"\\help\\html\\" + rel);
  return source.empty() ? std::optional<std::string>(std::string("<compiled>")) : source;
}

std::string TitleOf(const std::string& html) {
  const size_t a = html.find("<title>"), b = html.find("</title>");
  return a == std::string::npos || b == std::string::npos ? std::string() : html.substr(a + 7, b - a - 7);
}

struct HelpFile : ::testing::Test {
  std::wstring chm = BuildFolder() + L"\\ruzer.chm";
  void SetUp() override {
    ASSERT_TRUE(FileExists(chm)) << "not built: " << Utf8(chm);
    if (HelpSources().empty()) GTEST_SKIP() << "RUZER_SOURCE_DIR is not set";
  }
};

TEST_F(HelpFile, EveryKeywordAndNumberHasItsTopic) {
  ASSERT_FALSE(HelpTopics().empty());
  for (const auto& t : HelpTopics()) {
    const auto html = ReadTopic(chm, t.file);
    ASSERT_TRUE(html.has_value()) << Utf8(t.file);
    EXPECT_FALSE(TitleOf(*html).empty()) << Utf8(t.file);
    // A keyword's topic is about that keyword.
    if (*t.keyword) {
      EXPECT_NE(std::string::npos, html->find(Utf8(t.keyword))) << Utf8(t.file);
    }
  }
  const std::pair<int, const char*> numbered[] = {
      {40, "ファイルセットを書き込めないとき"}, {42, "旧バージョンのデータ"}, {54, "ハードディスクへの保存時の注意"}};
  for (const auto& [context, title] : numbered) {
    const auto html = ReadTopic(chm, HelpFileOfContext(context));
    ASSERT_TRUE(html.has_value()) << context;
    EXPECT_EQ(title, TitleOf(*html));
  }
}

TEST_F(HelpFile, ContentsGettingStartedAndGenerationsWithTheirPictures) {
  const auto contents = ReadTopic(chm, kHelpContentsTopic);
  ASSERT_TRUE(contents.has_value());
  // Every topic is reached from the contents page.
  for (const auto& t : HelpTopics()) EXPECT_NE(std::string::npos, contents->find(Utf8(t.file))) << Utf8(t.file);
  for (const char* page : {"start.htm", "generations.htm", "uninstall.htm", "fileset.htm"}) {
    EXPECT_NE(std::string::npos, contents->find(page)) << page;
    const auto html = ReadTopic(chm, Wide(page));
    ASSERT_TRUE(html.has_value()) << page;
    // Each picture a topic shows is in the file.
    std::regex img(R"re(<img src="([^"]+)")re");
    for (auto it = std::sregex_iterator(html->begin(), html->end(), img); it != std::sregex_iterator(); ++it) {
      const auto picture = ReadTopic(chm, Wide((*it)[1].str()));
      ASSERT_TRUE(picture.has_value()) << page << ": " << (*it)[1].str();
      EXPECT_EQ(0u, picture->rfind("\x89PNG", 0)) << (*it)[1].str();
    }
  }
  EXPECT_EQ(5u, [&] {
    const auto start = ReadTopic(chm, L"start.htm").value_or("");
    size_t n = 0;
    for (size_t at = 0; (at = start.find("class=\"step\"", at)) != std::string::npos; ++at) ++n;
    return n;
  }());
  EXPECT_FALSE(ReadTopic(chm, L"no-such-topic.htm").has_value());
}

TEST(HelpTable, OpensByFileAndFallsBackToTheContents) {
  EXPECT_EQ(L"conditions.htm", HelpFileOfKeyword(L"条件設定"));
  EXPECT_EQ(L"", HelpFileOfKeyword(L"条件"));
  EXPECT_EQ(L"", HelpFileOfKeyword(L""));
  EXPECT_EQ(L"index.htm", HelpFileOfContext(0));
  EXPECT_EQ(L"", HelpFileOfContext(41));
  EXPECT_EQ(L"C:\\Ruzer\\ruzer.chm::/memo.htm", HelpTopicUrl(L"C:\\Ruzer\\ruzer.chm", L"memo.htm"));
}

// Keywords and numbers in the sources: each call of HelpByKeyword with a
// literal, each help keyword of a dialog and each named help context.
TEST(HelpTable, CoversEveryKeywordAndNumberInTheSources) {
  wchar_t root[1024] = {};
  if (!GetEnvironmentVariableW(L"RUZER_SOURCE_DIR", root, 1024)) GTEST_SKIP() << "RUZER_SOURCE_DIR is not set";
  std::wstring src = root;
  for (auto& c : src)
    if (c == L'/') c = L'\\';
  if (src[0] == L'\\') src = L"Z:" + src;
  src += L"\\src";

  std::vector<std::wstring> files;
  std::function<void(const std::wstring&)> walk = [&](const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        walk(folder + L"\\" + name);
      else if (name.ends_with(L".cpp") || name.ends_with(L".h"))
        files.push_back(folder + L"\\" + name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  };
  walk(src);
  ASSERT_GT(files.size(), 10u);

  const std::regex keywordCall(R"re(HelpByKeyword\(\s*L"([^"]+)")re");
  const std::regex keywordField(R"re([hH]elpKeyword\s*[=({,]\s*L"([^"]+)")re");
  // A dialog's frame: {caption, width, height, resizable, help keyword}.
  const std::regex frameKeyword(
      R"re(\{\s*L"[^"]*"\s*,\s*\d+\s*,\s*\d+\s*,\s*(?:true|false)\s*,\s*L"([^"]+)"\s*\})re");
  const std::regex contextConst(R"re(constexpr\s+int\s+kHelp\w*\s*=\s*(\d+))re");
  std::set<std::string> keywords;
  std::set<int> contexts;
  for (const auto& f : files) {
    std::ifstream in(f.c_str());
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    for (const auto* re : {&keywordCall, &keywordField, &frameKeyword})
      for (auto it = std::sregex_iterator(text.begin(), text.end(), *re); it != std::sregex_iterator(); ++it)
        keywords.insert((*it)[1].str());
    for (auto it = std::sregex_iterator(text.begin(), text.end(), contextConst); it != std::sregex_iterator(); ++it)
      contexts.insert(std::stoi((*it)[1].str()));
  }
  EXPECT_TRUE(keywords.count("メモ"));
  EXPECT_TRUE(contexts.count(40));
  for (const auto& k : keywords) EXPECT_NE(L"", HelpFileOfKeyword(Wide(k))) << "no topic for keyword " << k;
  for (int c : contexts) EXPECT_NE(L"", HelpFileOfContext(c)) << "no topic for context " << c;
}

}  // namespace
}  // namespace ruzer::test

// The folders under src/ are floors: each may include only the folders
// below it, base/ is the ground and shell/ the top. The table here is the
// one README's "Layout" shows; a new arrow upwards or across fails with the
// file and line that draws it.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/text.h"

namespace {

using ruzer::test::FolderEntries;
using ruzer::test::FolderExists;

// For each folder, the folders it may include besides itself.
const std::map<std::string, std::set<std::string>>& Allowed() {
  static const std::map<std::string, std::set<std::string>> table = {
      {"base", {}},
      {"store", {"base"}},
      {"sources", {"base", "store"}},
      {"engine", {"base", "store"}},
      {"conditions", {"base", "store", "sources", "engine"}},
      {"measure", {"base", "store", "engine"}},
      {"restore", {"base", "store", "engine", "measure"}},
      {"setup", {"base", "store", "sources"}},
      {"shell", {"base", "store", "sources", "engine", "conditions", "measure", "restore", "setup"}},
  };
  return table;
}

// The source tree as Wine sees it (the host path on drive Z:).
std::wstring SourceRoot() {
  wchar_t buf[1024] = {};
  const DWORD n = GetEnvironmentVariableW(L"RUZER_SOURCE_DIR", buf, 1024);
  if (n == 0 || n >= 1024) return {};
  std::wstring root = buf;
  if (!root.empty() && root[0] == L'/') {
    for (auto& c : root)
      if (c == L'/') c = L'\\';
    root = L"Z:" + root;
  }
  return root;
}

void ListSources(const std::wstring& folder, std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListSources(path, out);
    else if (name.size() > 2 && (name.ends_with(L".h") || name.ends_with(L".cpp")))
      out.push_back(path);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// `#include "x/..."` or `<x/...>`, spaces allowed around the `#`; group 1 is x.
const std::regex& IncludePattern() {
  static const std::regex pattern(R"(^\s*#\s*include\s*["<]([A-Za-z0-9_]+)/)");
  return pattern;
}

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
  return s;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  return all;
}

// The .h and .cpp files of src/<folder>.
std::vector<std::wstring> SourcesOf(const std::wstring& root, const std::string& folder) {
  std::vector<std::wstring> sources;
  ListSources(root + L"\\src\\" + std::wstring(folder.begin(), folder.end()), sources);
  return sources;
}

std::vector<std::string> Folders(const std::wstring& root) {
  std::vector<std::string> folders;
  for (const auto& name : FolderEntries(root + L"\\src"))
    if (FolderExists(root + L"\\src\\" + name)) folders.push_back(Narrow(name));
  return folders;
}

// Every folder that `from` reaches through the table, directly or not.
std::set<std::string> Reach(const std::string& from) {
  std::set<std::string> seen;
  std::vector<std::string> todo(Allowed().at(from).begin(), Allowed().at(from).end());
  while (!todo.empty()) {
    const std::string f = todo.back();
    todo.pop_back();
    if (!seen.insert(f).second) continue;
    for (const auto& g : Allowed().at(f)) todo.push_back(g);
  }
  return seen;
}

TEST(Layering, TheTableIsAStrictOrder) {
  for (const auto& [folder, below] : Allowed()) {
    for (const auto& b : below) ASSERT_TRUE(Allowed().count(b)) << folder << " names " << b << ", not in the table";
    EXPECT_FALSE(Reach(folder).count(folder)) << folder << " reaches itself through the table";
  }
  EXPECT_TRUE(Allowed().at("base").empty()) << "base is the ground floor";
  for (const auto& [folder, below] : Allowed())
    if (folder != "shell") EXPECT_FALSE(below.count("shell")) << folder << " may not include the top";
}

TEST(Layering, NoFolderIncludesOneAboveOrBesideIt) {
  const std::wstring root = SourceRoot();
  if (root.empty()) GTEST_SKIP() << "RUZER_SOURCE_DIR is not set";
  const std::vector<std::string> folders = Folders(root);
  ASSERT_GE(folders.size(), Allowed().size()) << "the source tree was not found under " << Narrow(root);
  for (const auto& f : folders) EXPECT_TRUE(Allowed().count(f)) << "src/" << f << " has no row in the table";

  const std::regex& include = IncludePattern();
  std::vector<std::string> offenders;
  size_t files = 0;
  for (const auto& [folder, below] : Allowed()) {
    const std::vector<std::wstring> sources = SourcesOf(root, folder);
    files += sources.size();
    for (const auto& f : sources) {
      std::ifstream in(f.c_str());
      std::string line;
      std::smatch m;
      for (int n = 1; std::getline(in, line); ++n) {
        if (!std::regex_search(line, m, include)) continue;
        const std::string target = m[1];
        if (target == folder || !Allowed().count(target) || below.count(target)) continue;
        offenders.push_back(Narrow(f) + ":" + std::to_string(n) + ": " + line);
      }
    }
  }
  ASSERT_GT(files, 10u) << "the source tree was not found under " << Narrow(root);
  EXPECT_TRUE(offenders.empty()) << Lines(offenders);
}

// A dialog's two halves are told apart by name: every view on the dialog
// toolkit lives in a Vx_view.h, and a Vx_view.h beside a Vx.h is its behaviour's.
TEST(Layering, DialogViewsLiveInViewFiles) {
  const std::wstring root = SourceRoot();
  if (root.empty()) GTEST_SKIP() << "RUZER_SOURCE_DIR is not set";
  const std::regex view(R"(class\s+\w+\s+(final\s+)?:[^{;]*\b(public|private|protected)\s+Dialog\b)");
  std::vector<std::string> misnamed;
  size_t views = 0;
  for (const auto& [folder, below] : Allowed()) {
    if (folder == "base") continue;  // the toolkit itself
    for (const auto& f : SourcesOf(root, folder)) {
      if (!f.ends_with(L".h")) continue;
      std::ifstream in(f.c_str());
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!std::regex_search(text, view)) continue;
      ++views;
      if (!f.ends_with(L"_view.h")) misnamed.push_back(Narrow(f));
    }
  }
  EXPECT_GT(views, 5u) << "no dialog views were found under " << Narrow(root);
  EXPECT_TRUE(misnamed.empty()) << Lines(misnamed);
}

// The pattern sees the forms that compile, so that a spaced include cannot slip by.
TEST(Layering, IncludeFormsWithSpacesAreSeen) {
  const std::regex& include = IncludePattern();
  std::smatch m;
  for (const std::string line : {"#include \"shell/FF1.h\"", "  #  include \"shell/FF1.h\"", "#include<shell/FF1.h>",
                                  "\t#include \"shell/FF1.h\" // x"}) {
    ASSERT_TRUE(std::regex_search(line, m, include)) << line;
    EXPECT_EQ("shell", m[1].str()) << line;
  }
  for (const std::string line : {"// #include \"shell/FF1.h\"", "#include <windows.h>"})
    EXPECT_FALSE(std::regex_search(line, m, include)) << line;
}

}  // namespace

// The main window's folder is the top of the program: no part below it may
// include anything from shell/. What a part needs of the main window lives in base/.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

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

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
  return s;
}

TEST(Layering, NoPartIncludesTheMainWindowFolder) {
  const std::wstring root = SourceRoot();
  if (root.empty()) GTEST_SKIP() << "RUZER_SOURCE_DIR is not set";
  const std::regex up(R"(^\s*#\s*include\s*["<]shell/)");
  std::vector<std::wstring> files;
  for (const wchar_t* part : {L"base", L"store", L"sources", L"conditions", L"engine", L"measure",
                              L"restore", L"setup"})
    ListSources(root + L"\\src\\" + part, files);
  ASSERT_GT(files.size(), 10u) << "the source tree was not found under " << Narrow(root);
  std::vector<std::string> offenders;
  for (const auto& f : files) {
    std::ifstream in(f.c_str());
    std::string line;
    for (int n = 1; std::getline(in, line); ++n)
      if (std::regex_search(line, up)) offenders.push_back(Narrow(f) + ":" + std::to_string(n) + ": " + line);
  }
  EXPECT_TRUE(offenders.empty()) << [&] {
    std::string all;
    for (const auto& o : offenders) all += o + "\n";
    return all;
  }();
}

}  // namespace

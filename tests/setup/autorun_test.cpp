// The automatic shortcut really starts an automatic backup: the link is
// resolved and its target (the built ruzer.exe) started with its arguments
// in its working folder, as the shell does at logon.
#include <gtest/gtest.h>

#include "engine/Sbakini.h"
#include "setup/Sinst.h"
#include "setup_fixture.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

std::wstring BuiltProgram() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring p = self;
  p = p.substr(0, p.rfind(L'\\'));  // build\tests
  p = p.substr(0, p.rfind(L'\\'));  // build
  return p + L"\\ruzer.exe";
}

TEST(AutomaticShortcut, StartsAnAutomaticRunOnItsFileSet) {
  const std::wstring program = BuiltProgram();
  if (!FileExists(program)) GTEST_SKIP() << "ruzer.exe is not built: " << Utf8(program);
  if (GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0) GTEST_SKIP() << "no display";
  TempDir tmp;
  const std::wstring src = tmp / L"データ", dest = tmp / L"backup";
  const std::wstring index = tmp / L"My Sets\\Home Set.IDX";
  MakeFolders(src);
  MakeFolders(dest);
  ASSERT_TRUE(WriteBytes(src + L"\\memo.txt", "hello"));
  WriteFileSet(index, dest, {src});

  TestApp t;
  t.app.programPath = program;
  t.app.FileSetFolder = tmp / L"My Sets\\";
  t.app.IndexFileName = L"Home Set.IDX";
  ShortcutFolders folders{tmp / L"Startup", tmp / L"Programs"};
  MakeFolders(folders.startup);
  ASSERT_TRUE(RegisterShortcuts(t.app, MenuRChoice{true, false}, folders));

  const auto link = ReadShortcut(folders.startup + L"\\自動Ruzer.lnk");
  ASSERT_TRUE(link.has_value());
  std::wstring command = L"\"" + link->target + L"\" " + link->arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWMINNOACTIVE;  // as the shell starts a logon item
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(link->target.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             link->workingFolder.c_str(), &si, &pi))
      << GetLastError();
  const DWORD waited = WaitForSingleObject(pi.hProcess, 120000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "the automatic run did not close the program";

  // One generation with the mirror of the source and the run's files.
  std::vector<std::wstring> generations;
  for (const auto& name : FolderEntries(dest))
    if (IsGenerationName(name)) generations.push_back(name);
  ASSERT_EQ(1u, generations.size());
  const std::wstring gen = dest + L"\\" + generations[0];
  EXPECT_EQ("hello", ReadBytes(gen + L"\\" + MirrorName(src) + L"\\memo.txt"));
  EXPECT_TRUE(FileExists(gen + L"\\Home.PAG"));
  // The last-backup time went into the index file.
  bool stamped = false;
  for (const auto& line : ReadUtf16Lines(index))
    if (line.starts_with(L"LstDy1=") && line.size() > 7) stamped = true;
  EXPECT_TRUE(stamped);
}

}  // namespace
}  // namespace ruzer::test

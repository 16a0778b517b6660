// Removal of the shortcuts and the registry key: the two boxes, what goes,
// what stays, a second run, a key held open by another process.
#include <gtest/gtest.h>

#include "base/handles.h"
#include "setup/Sinst.h"
#include "setup_fixture.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {
namespace {

constexpr wchar_t kTestRoot[] = L"Software\\RuzerTests";

bool KeyExists(const std::wstring& path) {
  RegKey k;
  return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

void PutValue(const std::wstring& path, const wchar_t* name, DWORD v) {
  RegKey k;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                           k.put(), nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k.get(), name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof v));
}

struct Removal : ::testing::Test {
  TempDir tmp;
  TestApp t;
  ShortcutFolders folders;
  RegistryPlace key;

  void SetUp() override {
    folders.startup = tmp / L"Startup";
    folders.programs = tmp / L"Programs";
    MakeFolders(folders.startup);
    MakeFolders(folders.programs);
    t.app.programPath = tmp / L"prog\\ruzer.exe";
    key.parent = std::wstring(kTestRoot) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"\\Rudavu";
    key.name = L"Ruzer";
    PutValue(KeyPath(), L"WinLeft", 10);
    PutValue(KeyPath() + L"\\Sub", L"x", 1);
    PutValue(key.parent + L"\\Other", L"y", 2);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot); }
  std::wstring KeyPath() const { return key.parent + L"\\" + key.name; }

  void Register(const std::wstring& folder, const std::wstring& index, MenuRChoice choice) {
    t.app.FileSetFolder = folder;
    t.app.IndexFileName = index;
    ASSERT_TRUE(RegisterShortcuts(t.app, choice, folders));
  }
  void ExpectBoth(bool everything) {
    t.user.ExpectFull({RemovalQuestion(), kYes, false, MsgKind::Warning, kYes | kNo});
    t.user.ExpectFull({RemovalDoneText(t.app, everything), kOk, false, MsgKind::Information});
  }
};

TEST_F(Removal, TheTextsOfTheTwoBoxes) {
  EXPECT_EQ(L"スタートメニューへの登録と、保存されている設定値をすべて削除します．\r\n本当に削除してもよろしいですか ？",
            RemovalQuestion());
  EXPECT_EQ(L"スタートメニューへの登録と、保存されていた設定値を削除しました．\r\nRuzerを終了させてください．\r\n\r\n<" +
                tmp / L"prog\\" + L">フォルダを削除すれば\r\nRuzerのアンインストールは完了です. ",
            RemovalDoneText(t.app, true));
}

TEST_F(Removal, DeletesShortcutsMenuFolderAndKeyButKeepsTheRest) {
  Register(tmp / L"a\\", L"A.IDX", {true, true});
  Register(tmp / L"b\\", L"B.IDX", {false, true});
  // What the user keeps: other links in Startup, a copy of a shortcut, the file set.
  ASSERT_TRUE(WriteBytes(folders.startup + L"\\Other.lnk", "x"));
  ASSERT_TRUE(CopyFileW((folders.programs + L"\\Ruzer\\保守用Ruzer A.lnk").c_str(),
                        (folders.programs + L"\\my copy.lnk").c_str(), FALSE));
  ASSERT_TRUE(SetFileAttributesW((folders.startup + L"\\自動Ruzer.lnk").c_str(), FILE_ATTRIBUTE_READONLY));
  MakeFolders(tmp / L"a");
  ASSERT_TRUE(WriteBytes(tmp / L"a\\A.IDX", "set"));

  ExpectBoth(true);
  EXPECT_TRUE(RemoveRegistration(t.app, folders, key));
  t.user.VerifyDone();
  EXPECT_EQ(std::vector<std::wstring>{L"Other.lnk"}, FolderEntries(folders.startup));
  EXPECT_EQ(std::vector<std::wstring>{L"my copy.lnk"}, FolderEntries(folders.programs));
  EXPECT_FALSE(KeyExists(KeyPath()));
  EXPECT_TRUE(KeyExists(key.parent));
  EXPECT_TRUE(KeyExists(key.parent + L"\\Other"));
  EXPECT_EQ("set", ReadBytes(tmp / L"a\\A.IDX"));
}

TEST_F(Removal, NoChangesNothing) {
  Register(tmp / L"a\\", L"A.IDX", {true, true});
  t.user.ExpectFull({RemovalQuestion(), kNo, false, MsgKind::Warning, kYes | kNo});
  EXPECT_FALSE(RemoveRegistration(t.app, folders, key));
  EXPECT_EQ(kNo, t.user.shown().at(0).defaultButton);
  EXPECT_EQ(1u, FolderEntries(folders.startup).size());
  EXPECT_EQ(2u, FolderEntries(folders.programs + L"\\Ruzer").size());
  EXPECT_TRUE(KeyExists(KeyPath()));
}

TEST_F(Removal, RunTwiceTheSecondFindsNothingAndStillTells) {
  Register(tmp / L"a\\", L"A.IDX", {true, true});
  ExpectBoth(true);
  ExpectBoth(true);
  EXPECT_TRUE(RemoveRegistration(t.app, folders, key));
  EXPECT_TRUE(RemoveRegistration(t.app, folders, key));
  t.user.VerifyDone();
  EXPECT_TRUE(FolderEntries(folders.startup).empty());
  EXPECT_FALSE(FolderExists(folders.programs + L"\\Ruzer"));
  EXPECT_FALSE(KeyExists(KeyPath()));
  EXPECT_TRUE(KeyExists(key.parent));
}

// Neither the parent key nor the special folders are made just to find
// nothing in them.
TEST_F(Removal, MissingParentKeyAndFoldersAreNoError) {
  RegDeleteTreeW(HKEY_CURRENT_USER, key.parent.c_str());
  folders.startup = tmp / L"gone\\Startup";
  folders.programs = L"";
  ExpectBoth(true);
  EXPECT_TRUE(RemoveRegistration(t.app, folders, key));
  EXPECT_FALSE(KeyExists(key.parent));
  EXPECT_FALSE(FolderExists(tmp / L"gone"));
}

// A file in the start-menu folder that cannot be deleted (held open without
// sharing): the folder's message, the key still goes, and the last box does
// not claim that everything was removed.
TEST_F(Removal, ABusyStartMenuFolderIsReportedAndTheKeyStillGoes) {
  Register(tmp / L"a\\", L"A.IDX", {true, true});
  const std::wstring menu = folders.programs + L"\\Ruzer";
  ASSERT_TRUE(WriteBytes(menu + L"\\open.txt", "x"));
  HANDLE held = CreateFileW((menu + L"\\open.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  t.user.ExpectFull({RemovalQuestion(), kYes});
  t.user.AnswerAnyWithDefault();
  EXPECT_TRUE(RemoveRegistration(t.app, folders, key));
  CloseHandle(held);
  EXPECT_FALSE(KeyExists(KeyPath()));
  ASSERT_FALSE(t.user.shown().empty());
  EXPECT_EQ(RemovalDoneText(t.app, false), t.user.shown().back().text);
  EXPECT_TRUE(FolderEntries(folders.startup).empty());
}

// Another process holds the key open while it is removed: the key is gone
// for everyone afterwards, and the holder's later writes do not bring it back.
TEST_F(Removal, AKeyHeldByAnotherProcessIsStillDeleted) {
  const std::wstring ready = L"ruzer-test-key-ready-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring done = L"ruzer-test-key-done-" + std::to_wstring(GetCurrentProcessId());
  HANDLE readyEvent = CreateEventW(nullptr, TRUE, FALSE, ready.c_str());
  HANDLE doneEvent = CreateEventW(nullptr, TRUE, FALSE, done.c_str());
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  SetEnvironmentVariableW(L"RUZER_HOLD_KEY", KeyPath().c_str());
  SetEnvironmentVariableW(L"RUZER_HOLD_READY", ready.c_str());
  SetEnvironmentVariableW(L"RUZER_HOLD_DONE", done.c_str());
  std::wstring cmd = L"\"" + std::wstring(self) +
                     L"\" --gtest_also_run_disabled_tests --gtest_filter=RegistryHolder.DISABLED_HoldKeyOpen";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(self, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  SetEnvironmentVariableW(L"RUZER_HOLD_KEY", nullptr);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(readyEvent, 60000)) << "the holder did not open the key";

  ExpectBoth(true);
  EXPECT_TRUE(RemoveRegistration(t.app, folders, key));
  EXPECT_FALSE(KeyExists(KeyPath()));
  SetEvent(doneEvent);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(readyEvent);
  CloseHandle(doneEvent);
  EXPECT_FALSE(KeyExists(KeyPath()));
  EXPECT_TRUE(KeyExists(key.parent));
}

// Runs only as the child of the test above: holds the key open until told.
TEST(RegistryHolder, DISABLED_HoldKeyOpen) {
  wchar_t path[512] = {}, ready[128] = {}, done[128] = {};
  if (!GetEnvironmentVariableW(L"RUZER_HOLD_KEY", path, 512)) GTEST_SKIP();
  GetEnvironmentVariableW(L"RUZER_HOLD_READY", ready, 128);
  GetEnvironmentVariableW(L"RUZER_HOLD_DONE", done, 128);
  RegKey k;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ | KEY_WRITE, k.put()));
  HANDLE r = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready);
  HANDLE d = OpenEventW(SYNCHRONIZE, FALSE, done);
  ASSERT_TRUE(r && d);
  SetEvent(r);
  WaitForSingleObject(d, 60000);
  // A write through the old handle does not recreate the key.
  DWORD v = 1;
  RegSetValueExW(k.get(), L"WinTop", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof v);
  CloseHandle(r);
  CloseHandle(d);
}

}  // namespace
}  // namespace ruzer::test

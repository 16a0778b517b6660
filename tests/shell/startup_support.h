// Shared pieces of the start-up tests: a window frame that records what was
// done to it, and a private registry key for the window placement.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "shell/Startup.h"
#include "support/scripted.h"

namespace ruzer::test {

class FakeFrame : public IWindowFrame {
 public:
  RECT rect{100, 100, 900, 700};
  bool minimized = false, maximized = false;
  int screenWidth = 1280, screenHeight = 1024;
  std::vector<std::wstring> log;  // "left 0", "top 10000", "minimize", "restore", ...
  const ScriptedUser* user = nullptr;
  int messagesBeforeRestore = -1;  // messages already shown when the window was restored

  // Like a Win32 window: moves made while minimised go to the icon, and the
  // window comes back where it was when restored.
  bool movesWhileMinimizedAreLost = false;

  RECT Bounds() override { return rect; }
  void SetLeft(int v) override {
    const LONG w = rect.right - rect.left;
    rect.left = v;
    rect.right = v + w;
    log.push_back(L"left " + std::to_wstring(v));
  }
  void SetTop(int v) override {
    log.push_back(L"top " + std::to_wstring(v));
    if (minimized && movesWhileMinimizedAreLost) return;
    const LONG h = rect.bottom - rect.top;
    rect.top = v;
    rect.bottom = v + h;
  }
  void SetWidth(int v) override {
    rect.right = rect.left + v;
    log.push_back(L"width " + std::to_wstring(v));
  }
  void SetHeight(int v) override {
    rect.bottom = rect.top + v;
    log.push_back(L"height " + std::to_wstring(v));
  }
  bool IsMinimized() override { return minimized; }
  bool IsMaximized() override { return maximized; }
  void MinimizeApplication() override {
    minimized = true;
    log.push_back(L"minimize");
  }
  void RestoreApplication() override {
    minimized = false;
    log.push_back(L"restore");
    if (user && messagesBeforeRestore < 0) messagesBeforeRestore = static_cast<int>(user->shown().size());
  }
  int ScreenWidth() override { return screenWidth; }
  int ScreenHeight() override { return screenHeight; }
};

// A registry key of this test process only, removed again at the end.
class TestRegistryKey {
 public:
  TestRegistryKey();
  ~TestRegistryKey();
  const std::wstring& path() const { return path_; }
  bool Exists() const;
  void Remove();
  void SetDword(const wchar_t* name, DWORD value);
  void SetText(const wchar_t* name, const std::wstring& value);
  // Value as written, for a check: "dword:N" / "sz:text" / "" when missing.
  std::wstring Value(const wchar_t* name) const;

 private:
  std::wstring path_;
};

}  // namespace ruzer::test

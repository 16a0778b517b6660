// The real main window in this process, started as the program starts it, for
// the end-to-end tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "shell/FF1.h"
#include "support/scripted.h"
#include "support/text.h"

namespace ruzer::test {

class RealMainWindow {
 public:
  // Its window settings are kept under `registryKey`, never the user's own.
  RealMainWindow(FF1& win, App& app, std::wstring registryKey);
  ~RealMainWindow() { Close(); }
  RealMainWindow(const RealMainWindow&) = delete;
  RealMainWindow& operator=(const RealMainWindow&) = delete;

  // Started on the file set `indexName` in `folder` as its command line gives
  // it, Alt not held; the program is taken to be in that folder too.
  bool Start(const std::wstring& folder, const std::wstring& indexName, int showCommand = SW_SHOWNORMAL);
  // Lets the window work until `done` holds; the bound only keeps a broken
  // build from hanging the suite.
  void PumpUntil(const std::function<bool()>& done, int ms = 10000);
  // Closes the window and lets its last messages run. The quit its close
  // posts is dropped: left queued it would end the next window's first wait
  // and come before any of its mouse input. Forgets the test key.
  void Close();

 private:
  FF1& win_;
  App& app_;
  std::wstring key_;
  bool started_ = false;
};

// A test of the real main window on a file set in a temp folder, no box
// expected unless scripted, the clock fixed.
class MainWindowTest : public ::testing::Test {
 protected:
  explicit MainWindowTest(const std::wstring& registryKey) : window{win, app, registryKey} {}

  TempDir dir;
  ScriptedUser user;
  FakeClock clock;
  FF1 win;
  App app{user, win, clock};
  RealMainWindow window;
};

}  // namespace ruzer::test

// Shared steps of the tests that start the real main window in this process.
#pragma once

#include <windows.h>

#include "shell/Startup.h"

namespace ruzer::test {

// Closes the window, lets its last messages run and forgets the test key.
inline void CloseMainWindow(HWND main) {
  SendMessageW(main, WM_CLOSE, 0, 0);
  MSG m;
  for (int i = 0; i < 50; ++i) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(1);
  }
  SetRegistryKeyForTests(L"");
}

}  // namespace ruzer::test

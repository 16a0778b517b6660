#include "support/main_window.h"

#include <utility>

#include "shell/Startup.h"

namespace ruzer::test {

RealMainWindow::RealMainWindow(FF1& win, App& app, std::wstring registryKey)
    : win_(win), app_(app), key_(std::move(registryKey)) {}

bool RealMainWindow::Start(const std::wstring& folder, const std::wstring& indexName, int showCommand) {
  SetRegistryKeyForTests(key_);
  started_ = true;
  StartupInfo info;
  info.showCommand = showCommand;
  info.startupShowWindow = SW_SHOWNORMAL;
  info.args = {folder + L"\\" + indexName};
  info.programPath = folder + L"\\ruzer.exe";
  info.altDown = [] { return false; };
  return win_.Create(app_, GetModuleHandleW(nullptr), info);
}

void RealMainWindow::PumpUntil(const std::function<bool()>& done, int ms) {
  const ULONGLONG start = GetTickCount64();
  while (!done() && GetTickCount64() - start < static_cast<ULONGLONG>(ms)) {
    win_.PumpMessages();
    if (!done()) Sleep(10);
  }
}

void RealMainWindow::Close() {
  if (!started_) return;
  started_ = false;
  if (win_.hwnd()) SendMessageW(win_.hwnd(), WM_CLOSE, 0, 0);
  MSG m;
  for (int i = 0; i < 50; ++i) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(1);
  }
  SetRegistryKeyForTests(L"");
}

}  // namespace ruzer::test

#include "base/services.h"

#include <cstdint>

#include "base/progress.h"

namespace ruzer {

namespace {
// Pumping on every file of a large tree would cost more than the copy itself;
// a few times a tenth of a second keeps the window and F3 responsive.
constexpr std::uint64_t kPumpIntervalMs = 30;
// Error list height below the old-version list.
constexpr int kErrorListHeight = 100;

IWindowFrame* g_frame = nullptr;
int g_parkedFromTop = 0;
}  // namespace

void SetMainFrame(IWindowFrame* frame) { g_frame = frame; }
IWindowFrame* MainFrame() { return g_frame; }
void SetParkedFromTop(int top) { g_parkedFromTop = top; }
int ParkedFromTop() { return g_parkedFromTop; }

void RestoreFromMinimized(App& app) {
  if (!app.StartMinimized) return;
  if (g_frame) {
    g_frame->RestoreApplication();
    // A move made while the window was minimised may have gone to its icon
    // rather than its normal place: never come back still parked.
    if (g_frame->Bounds().top >= kParkedTop) g_frame->SetTop(g_parkedFromTop);
  }
  app.StartMinimized = false;
}

void StatusMessage(App& app, const std::wstring& text) { app.view.SetStatusText(text); }

void ShowFreeSpaceText(App& app, const std::wstring& text) { app.view.SetFreeSpaceText(text); }

void LetMessagesRun(App& app, bool force) {
  const std::uint64_t now = app.clock.TickMs();
  if (!force && now - app.lastPumpTick < kPumpIntervalMs) return;
  app.lastPumpTick = now;
  if (force) app.view.DrawPendingTexts();
  app.view.PumpMessages();
}

void SetBottomPanel(App& app, int mode) {
  app.errorListMode = (mode == 1);
  BottomPanelLayout l;  // sepDown and pnlBtm start hidden
  if (mode < 1 || mode > 3) {
    app.oldListShown = false;
    l.height = 1;
    app.bottomHeight = l.height;
    app.view.ApplyBottomPanel(l);
    return;
  }
  const int half = app.view.PagePanelHeight() / 2;
  if (mode == 3) {
    app.oldListShown = true;
    l.height = half;
    l.oldVisible = true;
    l.oldFills = true;
    app.bottomHeight = l.height;
    app.view.ApplyBottomPanel(l);
    return;
  }
  l.listGroupVisible = true;
  l.listGroupCaption = mode == 1 ? L"エラーリスト" : L"容量リスト";
  l.oldVisible = app.oldListShown;
  if (mode == 1) {
    // Below the old-version list the panel keeps its height; alone it gets 100.
    l.height = app.oldListShown ? app.bottomHeight : kErrorListHeight;
    if (app.oldListShown) {
      l.oldHeight = l.height - kErrorListHeight;
      l.sepDownVisible = true;
    }
    l.errorListVisible = true;
  } else {
    l.height = half;
    if (app.oldListShown) {
      l.oldHeight = half / 2;
      l.sepDownVisible = true;
    }
    l.sizeListVisible = true;
  }
  app.bottomHeight = l.height;
  app.view.ApplyBottomPanel(l);
}

void ErrorListAdd(App& app, const std::wstring& line) {
  app.errorLines.push_back(line);
  app.view.ErrorListAdd(line);
}

void ErrorListClear(App& app) {
  app.errorLines.clear();
  app.view.ErrorListClear();
}

void SetBusyMode(App& app, bool on) {
  app.busy = on;
  if (on) {
    app.view.SetAbortVisible(true);
    app.view.SetMainMenusEnabled(false);
    app.view.SetToolbarEnabled(false);
    app.view.SetTabsEnabled(false);
    ErrorListClear(app);
    app.view.FocusAbort();
    return;
  }
  if (app.progress.active) ProgressEnd(app);
  app.view.SetAbortVisible(false);
  app.view.SetMainMenusEnabled(true);
  app.view.SetToolbarEnabled(true);
  app.view.SetTabsEnabled(true);
  if (!app.errorLines.empty()) {
    // Longest line by characters; the first one of that length.
    const std::wstring* longest = &app.errorLines.front();
    for (const auto& l : app.errorLines)
      if (l.size() > longest->size()) longest = &l;
    app.view.ErrorListSetScrollWidth(*longest + L"  ");
  }
  app.AutoMode = false;
  app.view.SetSourceColumnTitle(L"保存元フォルダ");
  StatusMessage(app, L"");
}

void AbortCommand(App& app) {
  app.AbortRequested = true;
  // The menus come back at once, before the running operation sees the flag.
  if (app.busy) SetBusyMode(app, false);
}

}  // namespace ruzer

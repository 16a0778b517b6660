// Main-window services that every part of the program uses: the status line,
// the free-space panel, the error list, the bottom panel, busy mode, the abort
// command, the message pump and the way back from a minimised start. They work
// through IMainView only, so the parts below the main window can call them.
#pragma once

#include <windows.h>

#include <string>

#include "base/app.h"

namespace ruzer {

void StatusMessage(App& app, const std::wstring& text);
void ShowFreeSpaceText(App& app, const std::wstring& text);

// Lets pending window messages run. Throttled by time so that calling it after
// every file costs next to nothing; force=true pumps unconditionally.
void LetMessagesRun(App& app, bool force = false);

// 0 hidden, 1 error list, 2 size list, 3 old-version list.
void SetBottomPanel(App& app, int mode);

void SetBusyMode(App& app, bool on);

// btnAbort, mnuAbort, F3.
void AbortCommand(App& app);

// Error list lbErr (kept mirrored in app.errorLines).
void ErrorListAdd(App& app, const std::wstring& line);
void ErrorListClear(App& app);

// Frame operations of the main window needed at start-up, close and when a
// message must be seen during a minimised start.
class IWindowFrame {
 public:
  virtual ~IWindowFrame() = default;
  virtual RECT Bounds() = 0;  // left, top, right, bottom in screen pixels
  virtual void SetLeft(int left) = 0;
  virtual void SetTop(int top) = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual bool IsMinimized() = 0;
  virtual bool IsMaximized() = 0;
  virtual void MinimizeApplication() = 0;
  virtual void RestoreApplication() = 0;  // the system "restore" command
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
};

// The frame registered by the main window, used by RestoreFromMinimized.
void SetMainFrame(IWindowFrame* frame);
IWindowFrame* MainFrame();

// A minimised start parks the window far below the screen until it is first
// activated; the top it came from is kept here.
constexpr int kParkedTop = 10000;
void SetParkedFromTop(int top);
int ParkedFromTop();

// Brings a minimised start back before a message the user must see.
void RestoreFromMinimized(App& app);

}  // namespace ruzer

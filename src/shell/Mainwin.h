// Behaviour of the main window TfM, free of any HWND: status line, bottom
// panel, busy mode, abort, page change, message pump. The Win32 window (FF1)
// forwards its events here and implements IMainView for the effects.
#pragma once

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

// The user selected tab `index`.
void PageChanged(App& app, int index);

// Splitter between folder tree and page area moved to `width`.
void TreeWidthChanged(App& app, int width);

// FormResize: returns the folder-tree width to use for the given client width.
int FitTreeWidth(int clientWidth, int treeWidth);

// Size-list header click on column `column` (0-based); returns the new key.
int NextSizeSortKey(int key, int column);
// Comparison of two size-list cells on sort key `key` (<0 a before b, >0 after).
int CompareSizeCells(const std::wstring& a, const std::wstring& b, int key);

}  // namespace ruzer

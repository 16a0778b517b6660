// Progress of a long operation (backup, capacity measurement, restore): a bar
// in the main window's status bar and on the taskbar button, and beside the
// bar the count with an estimate, before the status line's text. Updates are
// paced like the status line, so that counting every file costs nothing
// measurable.
#pragma once

#include <cstdint>
#include <string>

#include "base/app.h"

namespace ruzer {

// How often the bar and the count are drawn at most.
inline constexpr std::uint64_t kProgressIntervalMs = 250;
// The estimate of the time left shows only after this much of the operation.
inline constexpr std::uint64_t kEstimateAfterMs = 10000;

// Starts counting toward a total of items and bytes; a total of 0 items is
// unknown: a moving bar and the count alone.
void ProgressStart(App& app, std::uint64_t totalItems, std::uint64_t totalBytes,
                   const std::wstring& unit = L"ファイル");
// Items and bytes met since the last call.
void ProgressAdd(App& app, std::uint64_t items, std::uint64_t bytes);
// The whole way done: a full bar until ProgressEnd.
void ProgressFinish(App& app);
// The operation is over: the bar goes; the taskbar button keeps a red bar
// when it stopped by an error.
void ProgressEnd(App& app, bool failed = false);

// The text beside the bar: "12,345 / 20,000 ファイル　残り約 3 分",
// "12,345 ファイル" (no total), "23,000 ファイル（前回より多い）".
std::wstring ProgressText(const App::Progress& p, std::uint64_t nowMs);
// 0..1000 of the way; short of full until finished.
int ProgressPermille(const App::Progress& p);

}  // namespace ruzer

// Two plain controls for windows that place their children themselves, beside
// the grid. A pane holds other controls and passes their notifications up to
// its parent; a group pane also draws its caption in an etched frame, as a
// group box would, but is a real parent. A splitter is a bar the user drags:
// it tells its top-level window where the mouse is.
#pragma once

#include <windows.h>

namespace ruzer {

enum class PaneKind { Plain, Group };
// A child pane; `style` and `exStyle` are added to WS_CHILD.
HWND CreatePane(HWND parent, int id, const wchar_t* caption, PaneKind kind, DWORD style, DWORD exStyle = 0);
// Room inside a group pane for what it holds: below the caption, inside the frame.
RECT GroupPaneInner(HWND group, int dpi);

// Horizontal: a bar across, dragged up and down; Vertical: dragged sideways.
enum class SplitterKind { Horizontal, Vertical };
HWND CreateSplitter(HWND parent, int id, SplitterKind kind, DWORD style);
// What a splitter sends its top-level window while the mouse drags it and when
// the button is released: wParam the splitter's id, lParam MAKELPARAM of the
// mouse position in the top-level window's client coordinates.
constexpr UINT kMsgSplitterDrag = WM_APP + 2;
constexpr UINT kMsgSplitterDone = WM_APP + 3;

}  // namespace ruzer

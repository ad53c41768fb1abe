// Scroll bars for the controls that scroll: the bar a control shows at the right edge of
// its client area, the keys that scroll, and the mouse wheel.
//
// A window's vertical bar is a child window of class "SCROLLBAR" that shows the window's
// own SB_VERT (range, page, position) and answers the pen by sending the window
// WM_VSCROLL: an arrow scrolls a line (and again while the pen stays on it), the track a
// page towards the pen, the thumb follows a drag (SB_THUMBTRACK, then SB_THUMBPOSITION;
// GetScrollInfo's nTrackPos is the dragged position meanwhile), and every action ends with
// SB_ENDSCROLL. Being a window of its own, the bar takes the pen before the control's
// procedure (or a program's subclass of it) could see it. It shows while the range is
// larger than the page; the control draws its content beside it (VerticalScrollBarWidth).
#pragma once

#include <optional>

#include "platform/user/Controls.h"

namespace platform {

// Gives `hwnd` its vertical bar; from then on SetScrollInfo on SB_VERT keeps the bar in
// place and shows or hides it. Called once by a control when it is created.
void AttachVerticalScrollBar(HWND hwnd);
// The width the bar covers at the right edge of `hwnd`'s client area: SM_CXVSCROLL while
// it shows, else 0.
int VerticalScrollBarWidth(HWND hwnd);
// Paints the bar again over what its window painted beneath it; a control whose painting
// covers its whole client area calls this when it has painted.
void RedrawVerticalScrollBar(HWND hwnd);

// The first line a view that scrolls by whole lines shows after WM_VSCROLL with `wParam`:
// a line or a page (`page` lines) from its first line now (its SB_VERT position), the top,
// the end (`lines` in all), or where the thumb is dragged (out of range when it goes past
// an end: the caller's scroll position keeps it in); none for a code that moves nothing.
std::optional<int> ScrolledTopLine(HWND hwnd, WPARAM wParam, int page, int lines);
// The scroll code of a key that scrolls a view (up and down a line, page up and down,
// home and end), or -1 for any other key.
int ScrollCodeForKey(UINT vk);
// Sends `hwnd` the WM_VSCROLL lines of a turn of the wheel (WM_MOUSEWHEEL's wParam):
// three lines a step, upwards for a turn away from the user.
void ScrollByWheel(HWND hwnd, WPARAM wheel);

// ---- For tests and displays ------------------------------------------------------------------
// A person turning the wheel by `delta` (WHEEL_DELTA a step, positive away from the user)
// with the pointer at `screen`: WM_MOUSEWHEEL is posted to the window a tap there would
// reach (the capture window while the pen holds one). A disabled window takes none, nor
// does one behind a running modal dialog, message box or popup menu.
void TurnWheel(POINT screen, int delta);

}  // namespace platform

// Internal to the shell: what its parts share.
#pragma once

#include "platform/base/Win32Types.h"

namespace platform::shell {

void ResetMenuBars();
void ResetNavigationBar();

// The window in front: the active window, else the foreground window while it shows; null
// when no program window is in front.
HWND FrontWindow();
// Whether the window's SHFullScreen calls hid the navigation bar while it is in front.
bool HidesTaskBar(HWND hwnd);
// Brings the navigation bar up to date with the window in front (made on first need).
void RefreshNavigationBar();

}  // namespace platform::shell

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
// A window come in front that hides the input-panel button lowers the panel: the user
// could not put it away there.
void FollowFrontWindow();
// Lowers the panel while the window in front hides its button.
void LowerPanelIfNoButton();

// The input panel's window follows the panel: shown in the panel's rectangle while up.
void ShowInputPanel(bool up);
// Redraws the menu bar's input-panel button after SHFullScreen changed a window's state.
void NoteFullScreen(HWND hwnd, DWORD state);
// Destroys the panel's window.
void ResetInputPanel();

}  // namespace platform::shell

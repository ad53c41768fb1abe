// Internal to the shell: what its parts share.
#pragma once

#include "platform/base/Win32Types.h"

namespace platform::shell {

void ResetMenuBars();

// The input panel's window follows the panel: shown in the panel's rectangle while up.
void ShowInputPanel(bool up);
// Keeps what SHFullScreen says of the window's input-panel button.
void NoteFullScreen(HWND hwnd, DWORD state);
// Whether the menu bar shows the input-panel button for the foreground window.
bool InputPanelButtonShown();
// Destroys the panel's window and forgets every window's button state.
void ResetInputPanel();

}  // namespace platform::shell

// The program's one menu bar: every screen builds its bar through CreateMenuBar, which
// first destroys the bar of the screen before, so at most one exists at a time.
#pragma once

#include "platform/shell/Shell.h"

// Destroys the current bar, creates the described one (SHCreateMenuBar) and makes it
// current. On failure shows the "menu bar could not be created" text in a plain box
// (no owner) and the current bar becomes none. Returns the new bar or null.
HWND CreateMenuBar(SHMENUBARINFO* info);
// A bar without buttons for `parent`, its resources in the language library.
HWND CreateEmptyMenuBar(HWND parent);
// Destroys the current bar, if any, and forgets it.
void DestroyMenuBar();
// The current bar (null when none).
HWND GetCurrentMenuBar();

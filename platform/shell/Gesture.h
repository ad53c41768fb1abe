// The shell's gesture recogniser: tells a tap from a tap-and-hold when the pen goes down.
#pragma once

#include "platform/base/Win32Types.h"
#include "platform/base/Geometry.h"

// Flag: return the recognised gesture to the caller instead of notifying the window.
constexpr DWORD SHRG_RETURNCMD = 0x00000001;
// The recognised tap-and-hold (a context-menu request).
constexpr DWORD SHRG_GN_CONTEXTMENU = 1000;

struct SHRGINFO {
  DWORD cbSize = sizeof(SHRGINFO);
  HWND hwndClient = nullptr;
  POINT ptDown;
  DWORD dwFlags = 0;
};

// Called at pen-down: SHRG_GN_CONTEXTMENU when the pen stays down, without moving, for the
// hold time; 0 for a plain tap or a bad request. Without a window system, whether the pen
// is held is told in advance (platform::HoldNextPenDown), as a pen driver would measure it.
DWORD SHRecognizeGesture(SHRGINFO* info);

namespace platform {
// The next pen-down that the recogniser is asked about is a hold (once).
void HoldNextPenDown();
// Forgets a hold told in advance and not used.
void ResetGestures();
}  // namespace platform

// The shell's gesture recogniser: tells a tap from a tap-and-hold when the pen goes down,
// and a double tap on a list's row from two single taps.
#pragma once

#include "platform/base/Geometry.h"
#include "platform/base/Win32Types.h"

// Flags: return the recognised gesture to the caller; also send the parent of the client
// window WM_NOTIFY GN_CONTEXTMENU (an NMRGINFO with the point on the screen); wait twice
// the hold time.
constexpr DWORD SHRG_RETURNCMD = 0x00000001;
constexpr DWORD SHRG_NOTIFYPARENT = 0x00000002;
constexpr DWORD SHRG_LONGDELAY = 0x00000008;
// The recognised tap-and-hold (a context-menu request).
constexpr DWORD SHRG_GN_CONTEXTMENU = 1000;

struct SHRGINFO {
  DWORD cbSize = sizeof(SHRGINFO);
  HWND hwndClient = nullptr;
  POINT ptDown;  // client coordinates of hwndClient
  DWORD dwFlags = 0;
};
using PSHRGINFO = SHRGINFO*;

// Called at pen-down: waits, reading the pen, until the pen goes up, moves away, or stays
// down still for the hold time (on the device clock). A hold answers SHRG_GN_CONTEXTMENU;
// anything else (or a bad request) 0. A lift answers at once, without waiting for the hold
// time; the screen is kept up to date while the pen is down. The pen's lifting stays
// queued for the window.
DWORD SHRecognizeGesture(SHRGINFO* info);

namespace platform {

// The system's double tap: a second pen-down on the same row within this time of the
// first, on the device clock, and within DoubleTapDistance() pixels of it.
constexpr DWORD kDoubleTapMilliseconds = 500;
// 6 pixels, 12 on the high-resolution screens.
int DoubleTapDistance();

// Makes list view `list` tell its parent of a double tap on one of its rows: WM_NOTIFY
// NM_DBLCLK (an NMITEMACTIVATE with the row and the point), sent when the second tap's pen
// lifts, after the list's own NM_CLICK, so the whole tap has reached the list before its
// parent acts. Every tap still reaches the list at once and does what a single tap does.
// New contents (LVM_DELETEALLITEMS) forget a first tap. FALSE for a window that is not a
// list view.
BOOL NotifyDoubleTaps(HWND list);

}  // namespace platform

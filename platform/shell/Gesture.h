// The shell's gesture recogniser: tells a tap from a tap-and-hold when the pen goes down.
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
// anything else (or a bad request) 0. The pen's lifting stays queued for the window.
DWORD SHRecognizeGesture(SHRGINFO* info);

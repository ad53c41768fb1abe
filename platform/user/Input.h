// Keyboard accelerators.
#pragma once

#include "platform/user/Window.h"

// ---- Accelerators ------------------------------------------------------------------------
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt = 0;
  WORD key = 0;
  WORD cmd = 0;
};

// A table from an RT_ACCELERATOR resource (null, with the last error set, when the
// module has none: the program then translates nothing).
HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name);
HACCEL CreateAcceleratorTableW(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// A WM_KEYDOWN (or WM_CHAR for a character entry) that matches an entry becomes
// WM_COMMAND (high word 1) sent to `hwnd`; returns nonzero then. A null table
// translates nothing.
int TranslateAcceleratorW(HWND hwnd, HACCEL table, LPMSG msg);

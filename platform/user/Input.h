// Keyboard accelerators and sounds.
#pragma once

#include <string>
#include <vector>

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

// ---- Sounds ---------------------------------------------------------------------------------
constexpr DWORD SND_SYNC = 0x00000000;
constexpr DWORD SND_ASYNC = 0x00000001;
constexpr DWORD SND_NODEFAULT = 0x00000002;
constexpr DWORD SND_MEMORY = 0x00000004;
constexpr DWORD SND_LOOP = 0x00000008;
constexpr DWORD SND_NOSTOP = 0x00000010;
constexpr DWORD SND_ALIAS = 0x00010000;
constexpr DWORD SND_FILENAME = 0x00020000;
constexpr DWORD SND_RESOURCE = 0x00040004;

// Plays nothing here: the request is recorded. A resource sound is looked up among the
// module's WAVE resources (by name or id) and FALSE is returned when it is missing.
BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);

namespace platform {

struct SoundRecord {
  std::u16string name;  // the name, or "#id" for a resource id; empty for a stop request
  DWORD flags = 0;
  bool found = false;
};
// Every PlaySoundW since the last reset, oldest first.
std::vector<SoundRecord> SoundLog();
void ClearSoundLog();

}  // namespace platform

// The device's screen and system: its size (gdi/ScreenSize.h), the system metrics derived
// from it, and the system version.
#pragma once

#include "platform/base/Win32Types.h"
#include "platform/gdi/ScreenSize.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;

// Screen size in pixels and scroll-bar sizes (doubled on 480- and 640-wide screens);
// 0 for a metric this system does not know.
int GetSystemMetrics(int index);

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  WCHAR szCSDVersion[128] = {};
};
using LPOSVERSIONINFOW = OSVERSIONINFOW*;
constexpr DWORD VER_PLATFORM_WIN32_CE = 3;

// Fills the version (5.2 unless a test set another); FALSE with ERROR_INVALID_PARAMETER
// for a null pointer.
BOOL GetVersionExW(LPOSVERSIONINFOW info);

namespace platform {

// The strips the shell keeps for itself, 26 pixels each on the classic screen and doubled on
// a high-resolution one: the navigation bar along the top of the screen and the menu bar
// along its foot. The input panel, 80 pixels high (doubled likewise), lies right above
// the menu bar while it is up (platform/shell/Shell.h).
int TaskBarHeight();
int MenuBarHeight();

// The system version GetVersionExW reports.
void SetOsVersion(DWORD major, DWORD minor);

// Back to 240x320 and version 5.2.
void ResetScreenAndVersion();

}  // namespace platform

#include "platform/user/Screen.h"

#include <atomic>

#include "platform/base/Base.h"

namespace {

constexpr int kDefaultWidth = 240;
constexpr int kDefaultHeight = 320;
constexpr DWORD kDefaultMajor = 5;
constexpr DWORD kDefaultMinor = 2;

std::atomic<DWORD> g_major{kDefaultMajor};
std::atomic<DWORD> g_minor{kDefaultMinor};

// Scroll bars and borders scale with the screen's pixel density: a 480- or 640-pixel
// screen has twice the pixels per inch of the classic one.
int Scale() { return platform::ScreenScale(); }

constexpr int kShellBarHeight = 26;

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return platform::ScreenWidth();
    case SM_CYSCREEN: return platform::ScreenHeight();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 13 * Scale();
    case SM_CYCAPTION: return 26 * Scale();
    case SM_CXBORDER:
    case SM_CYBORDER: return Scale();
    default: return 0;
  }
}

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->dwMajorVersion = g_major;
  info->dwMinorVersion = g_minor;
  info->dwBuildNumber = 0;
  info->dwPlatformId = VER_PLATFORM_WIN32_CE;
  info->szCSDVersion[0] = 0;
  return TRUE;
}

namespace platform {

int TaskBarHeight() { return kShellBarHeight * Scale(); }
int MenuBarHeight() { return kShellBarHeight * Scale(); }

void SetOsVersion(DWORD major, DWORD minor) {
  g_major = major;
  g_minor = minor;
}

void ResetScreenAndVersion() {
  SetScreenSize(kDefaultWidth, kDefaultHeight);
  SetOsVersion(kDefaultMajor, kDefaultMinor);
}

}  // namespace platform

// Windows of other processes. The window system knows only its own windows; the area that
// reaches other processes (ipc/) installs itself here, and FindWindowW, SendMessageW,
// SetForegroundWindow and GetWindowThreadProcessId turn to it for a window that is not
// ours. Without it no other process's window exists.
#pragma once

#include "platform/base/Win32Types.h"

namespace platform::user {

class ForeignWindows {
 public:
  virtual ~ForeignWindows() = default;
  // Whether `hwnd` is a handle of this kind (it may still name a window that is gone).
  virtual bool IsForeign(HWND hwnd) const = 0;
  // A top-level window of another process, as FindWindowW matches; null when none.
  virtual HWND Find(LPCWSTR className, LPCWSTR windowName) = 0;
  // Sends `msg` and waits for the answer; 0 with the last error set when it cannot.
  virtual LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual BOOL SetForeground(HWND hwnd) = 0;
  // The process that owns the window, or 0.
  virtual DWORD ProcessOf(HWND hwnd) const = 0;
};

// Installs the handler (null removes it). It lives as long as the process.
void SetForeignWindows(ForeignWindows* handler);
ForeignWindows* GetForeignWindows();

}  // namespace platform::user

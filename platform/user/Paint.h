// Painting: update regions, WM_PAINT and WM_ERASEBKGND, and the screen that composes the
// visible windows.
//
// Windows draw straight into the screen's bitmap (platform::ScreenBitmap), each through
// a context whose origin is its client area and whose clip is the part of it its
// ancestors and the screen let show. An update region is kept as its bounding rectangle.
// WM_PAINT comes from the queue when nothing else is waiting, for each visible window
// with something to update; a window that does not validate in WM_PAINT is validated
// after it, so a loop never spins on it.
#pragma once

#include <filesystem>
#include <utility>

#include "platform/user/Window.h"

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint;
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

// `rect` in client coordinates; null means the whole client area. A null window means
// every window.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// FALSE when nothing waits to be painted; `rect` (may be null) gets the update rectangle.
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
// Sends WM_PAINT at once when the window has something to update.
BOOL UpdateWindow(HWND hwnd);
// Starts painting: sends WM_ERASEBKGND when the update asked for it, validates the window
// and returns a context clipped to its visible client area. EndPaint releases it.
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// A context on a window's client area, clipped to what of it shows; a null or unknown
// window gets the whole screen. Each call makes a context that ReleaseDC ends.
HDC GetDC(HWND window);
// 1 when `dc` was a window's or the screen's context and is now ended, else 0.
int ReleaseDC(HWND window, HDC dc);

// The context of a window (GetDC; null: the screen), given back by ReleaseDC.
class CWindowDC {
 public:
  CWindowDC() = default;
  explicit CWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
  ~CWindowDC() { reset(); }
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;
  CWindowDC(CWindowDC&& other) noexcept
      : m_window(std::exchange(other.m_window, nullptr)), m_dc(std::exchange(other.m_dc, nullptr)) {}
  CWindowDC& operator=(CWindowDC&& other) noexcept {
    if (this != &other) {
      reset();
      m_window = std::exchange(other.m_window, nullptr);
      m_dc = std::exchange(other.m_dc, nullptr);
    }
    return *this;
  }

  HDC get() const { return m_dc; }
  HWND Window() const { return m_window; }
  // The caller gives the context back with ReleaseDC(Window(), dc).
  HDC release() {
    m_window = nullptr;
    return std::exchange(m_dc, nullptr);
  }
  void reset() {
    if (m_dc) ReleaseDC(m_window, m_dc);
    m_dc = nullptr;
    m_window = nullptr;
  }
  bool IsValid() const { return m_dc != nullptr; }
  explicit operator bool() const { return IsValid(); }

 private:
  HWND m_window = nullptr;
  HDC m_dc = nullptr;
};

namespace platform {

// Where a window draws: its client origin on the screen and the visible part of its
// client area in screen coordinates (empty when hidden). False for an unknown window.
bool WindowDrawingArea(HWND hwnd, POINT* origin, RECT* clip);
// Paints the whole screen now: the desktop, then every visible top-level window from the
// bottom up with its frame and caption, each window before its children.
void PaintScreen();
// Paints the screen and writes it as a PNG file. False when it cannot be written.
bool SaveScreenshot(const std::filesystem::path& file);

}  // namespace platform

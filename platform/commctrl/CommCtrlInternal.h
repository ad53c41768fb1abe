// Internal to the common controls: what the controls share (notifications, pen tracking,
// plain drawing, the image lists behind their handles).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/commctrl/CommCtrl.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/WindowManager.h"

namespace platform::commctrl {

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT TreeViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT TabControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ToolbarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT MonthCalendarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// A private message a list or tree view answers by sending GN_CONTEXTMENU for the client
// point in lParam (kept below the controls' own message ranges).
constexpr UINT kHoldGestureMessage = WM_USER + 0x3F0;

// Fills in `hdr` (sender, id, code) and sends WM_NOTIFY to the control's parent.
LRESULT Notify(HWND control, UINT code, NMHDR* hdr);
// Sends GN_CONTEXTMENU for `client` to the control's parent.
void NotifyHold(HWND control, POINT client);

// Where and when the pen went down on a control, to tell a tap from a tap-and-hold when
// it goes up (GetMessageTime of the pen messages).
struct PenTrack {
  bool down = false;
  POINT at;
  LONG time = 0;
  void Down(HWND control, LPARAM lParam);
  // True when this is the lift of a hold: down long enough and no further than a few
  // pixels away. Ends the tracking (and the capture) either way.
  bool UpIsHold(HWND control, LPARAM lParam);
};

inline bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

HFONT FontOf(HWND hwnd);
int LineHeight(HWND hwnd);
// `n` pixels of the 240 x 320 screen on the present one: every pixel size of a control
// doubles on the high-resolution screen.
int Px(int n);
int TextWidthOf(HWND hwnd, std::u16string_view text);
// Plain drawing in the system colours.
void FillColor(HDC dc, const RECT& r, COLORREF color);
void FrameColor(HDC dc, const RECT& r, COLORREF color);
void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color);
void DrawLabel(HDC dc, std::u16string_view text, RECT r, UINT format, COLORREF color);
// A text cut to `maxChars` into a caller's buffer of `cch` characters (always terminated
// when cch > 0). Returns the characters copied.
int CopyOut(std::u16string_view text, LPWSTR buffer, int cch);
// Draws image `index` of `list` blended `percent`% towards `with` (a greyed toolbar button).
bool DrawImageBlended(HIMAGELIST list, int index, HDC dc, int x, int y, COLORREF with, int percent);
// WM_PAINT of a control: BeginPaint with the control's font selected; the end of the scope
// puts the font back and ends the painting. dc() is null when there is nothing to paint.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd);
  ~PaintScope();
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return m_dc; }
  const RECT& client() const { return m_client; }

 private:
  HWND m_hwnd;
  PAINTSTRUCT m_ps;
  HDC m_dc = nullptr;
  HGDIOBJ m_oldFont = nullptr;
  RECT m_client;
};

// The model a control keeps as its window data: made at WM_NCCREATE, null for a window
// without one (the procedure then leaves the message to DefWindowProcW).
template <typename T>
std::shared_ptr<T> ModelFor(HWND hwnd, UINT msg) {
  if (msg == WM_NCCREATE) platform::user::SetData(hwnd, std::make_shared<T>());
  return platform::user::DataOf<T>(hwnd);
}

// The pen, key, scroll and hold messages a list or tree view hands to its own handlers
// (found beside its model type); the wheel scrolls it by lines. False when `msg` is none
// of them.
template <typename M>
bool RouteInput(HWND hwnd, M& m, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN: OnPenDown(hwnd, m, lParam); return true;
    case WM_LBUTTONUP: OnPenUp(hwnd, m, lParam); return true;
    case WM_LBUTTONDBLCLK: OnDoubleTap(hwnd, m, lParam); return true;
    case WM_KEYDOWN: OnKey(hwnd, m, wParam); return true;
    case WM_VSCROLL: OnScroll(hwnd, m, wParam); return true;
    case WM_MOUSEWHEEL: platform::ScrollByWheel(hwnd, wParam); return true;
    case kHoldGestureMessage: NotifyHold(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return true;
    default: return false;
  }
}

// WM_ERASEBKGND: fills the client area through the context in `dc`; returns 1 (erased).
LRESULT EraseWith(HWND hwnd, WPARAM dc, COLORREF color);
// Invalidates the whole control (with erasing) unless it is gone.
void Redraw(HWND hwnd);

}  // namespace platform::commctrl

// Internal to the common controls: what the controls share (notifications, pen tracking,
// plain drawing, the image lists behind their handles).
#pragma once

#include <string>
#include <string_view>

#include "platform/commctrl/CommCtrl.h"
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
// Invalidates the whole control (with erasing) unless it is gone.
void Redraw(HWND hwnd);

}  // namespace platform::commctrl

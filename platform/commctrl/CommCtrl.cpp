// Registration of the common control classes and what the controls share.
#include <algorithm>
#include <cstdlib>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrlInternal.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/user/Paint.h"
#include "platform/user/TextMeasure.h"

using namespace platform::commctrl;

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  InitCommonControls();
  return TRUE;
}

void InitCommonControls() {
  using platform::user::RegisterSystemClass;
  platform::user::EnsureSystemClasses();
  RegisterSystemClass(WC_LISTVIEWW, ListViewProc, 0);
  RegisterSystemClass(WC_TREEVIEWW, TreeViewProc, 0);
  RegisterSystemClass(WC_TABCONTROLW, TabControlProc, 0);
  RegisterSystemClass(TOOLBARCLASSNAMEW, ToolbarProc, 0);
  RegisterSystemClass(MONTHCAL_CLASSW, MonthCalendarProc, 0);
  RegisterSystemClass(PROGRESS_CLASSW, ProgressProc, 0);
}

namespace platform {

bool SendHoldGesture(HWND control, POINT client) {
  if (!IsWindow(control)) return false;
  SendMessageW(control, commctrl::kHoldGestureMessage, 0, MAKELPARAM(client.x, client.y));
  return true;
}

}  // namespace platform

namespace platform::commctrl {

LRESULT Notify(HWND control, UINT code, NMHDR* hdr) {
  hdr->hwndFrom = control;
  hdr->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
  hdr->code = code;
  HWND parent = GetParent(control);
  if (!parent) return 0;
  return SendMessageW(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

void NotifyHold(HWND control, POINT client) {
  NMRGINFO info;
  info.ptAction = client;
  ClientToScreen(control, &info.ptAction);
  Notify(control, GN_CONTEXTMENU, &info.hdr);
}

void PenTrack::Down(HWND control, LPARAM lParam) {
  down = true;
  at = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  time = GetMessageTime();
  SetCapture(control);
}

bool PenTrack::UpIsHold(HWND control, LPARAM lParam) {
  if (!down) return false;
  down = false;
  if (GetCapture() == control) ReleaseCapture();
  constexpr int kSlop = 4;
  bool still = std::abs(GET_X_LPARAM(lParam) - at.x) <= kSlop && std::abs(GET_Y_LPARAM(lParam) - at.y) <= kSlop;
  return still && static_cast<DWORD>(GetMessageTime() - time) >= platform::kHoldMilliseconds;
}

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

int Px(int n) { return n * platform::ScreenScale(); }

int LineHeight(HWND hwnd) { return platform::user::TextLineHeight(FontOf(hwnd)); }

int TextWidthOf(HWND hwnd, std::u16string_view text) { return platform::user::TextWidth(FontOf(hwnd), text); }

void FillColor(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void FrameColor(HDC dc, const RECT& r, COLORREF color) {
  Line(dc, r.left, r.top, r.right - 1, r.top, color);
  Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, color);
  Line(dc, r.right - 1, r.bottom - 1, r.left, r.bottom - 1, color);
  Line(dc, r.left, r.bottom - 1, r.left, r.top, color);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SetPixel(dc, x2, y2, color);  // LineTo leaves out its end point
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawLabel(HDC dc, std::u16string_view text, RECT r, UINT format, COLORREF color) {
  if (text.empty() || r.right <= r.left) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX | DT_SINGLELINE);
}

int CopyOut(std::u16string_view text, LPWSTR buffer, int cch) {
  if (!buffer || cch <= 0) return 0;
  size_t n = std::min(text.size(), static_cast<size_t>(cch - 1));
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

PaintScope::PaintScope(HWND hwnd) : m_hwnd(hwnd) {
  m_dc = BeginPaint(hwnd, &m_ps);
  GetClientRect(hwnd, &m_client);
  HFONT font = FontOf(hwnd);
  if (m_dc && font) m_oldFont = SelectObject(m_dc, font);
}

PaintScope::~PaintScope() {
  if (!m_dc) return;
  if (m_oldFont) SelectObject(m_dc, m_oldFont);
  EndPaint(m_hwnd, &m_ps);
}

LRESULT EraseWith(HWND hwnd, WPARAM dc, COLORREF color) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillColor(reinterpret_cast<HDC>(dc), client, color);
  return 1;
}

void Redraw(HWND hwnd) {
  if (IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace platform::commctrl

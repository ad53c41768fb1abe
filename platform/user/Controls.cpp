// The standard control classes and the scroll-bar calls shared by every window.
#include <algorithm>

#include "platform/user/ControlsInternal.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace platform::user {

namespace {

// Every control paints itself in WM_PAINT and asks to be painted again when a message
// may have changed how it looks.
template <WNDPROC Impl>
LRESULT Painted(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PaintControl(hwnd);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;  // the control fills its whole client area itself
  LRESULT result = Impl(hwnd, msg, wParam, lParam);
  if (ChangesLook(msg) && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
  return result;
}

}  // namespace

void RegisterControlClasses() {
  RegisterSystemClass(u"BUTTON", Painted<ButtonProc>, 0);
  // Custom buttons of the program's templates behave as plain buttons.
  RegisterSystemClass(u"TTBUTTON", Painted<ButtonProc>, 0);
  RegisterSystemClass(u"STATIC", Painted<StaticProc>, 0);
  RegisterSystemClass(u"EDIT", Painted<EditProc>, 0);
  RegisterSystemClass(u"CAPEDIT", Painted<EditProc>, 0);
  RegisterSystemClass(u"LISTBOX", Painted<ListBoxProc>, 0);
  RegisterSystemClass(u"COMBOBOX", Painted<ComboBoxProc>, 0);
  RegisterSystemClass(u"SCROLLBAR", Painted<ScrollBarProc>, 0);
  RegisterDropListClass();
}

void NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (!parent || !(StyleOf(control) & WS_CHILD)) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

}  // namespace platform::user

using namespace platform::user;

namespace {

ScrollBarState* BarLocked(HWND hwnd, int bar) {
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  switch (bar) {
    case SB_HORZ:
    case SB_CTL: return &w->bars[0];
    case SB_VERT: return &w->bars[1];
    default: return nullptr;
  }
}

int Clamp(const ScrollBarState& s, int pos) {
  int top = s.max - std::max(static_cast<int>(s.page) - 1, 0);
  return std::max(s.min, std::min(pos, std::max(top, s.min)));
}

}  // namespace

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL) {
  std::lock_guard guard(S().lock);
  ScrollBarState* s = BarLocked(hwnd, bar);
  if (!s || !info) return 0;
  if (info->fMask & SIF_RANGE) {
    s->min = info->nMin;
    s->max = std::max(info->nMin, info->nMax);
  }
  if (info->fMask & SIF_PAGE) s->page = std::min<UINT>(info->nPage, static_cast<UINT>(s->max - s->min + 1));
  if (info->fMask & SIF_POS) s->pos = info->nPos;
  s->pos = Clamp(*s, s->pos);
  return s->pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  std::lock_guard guard(S().lock);
  ScrollBarState* s = BarLocked(hwnd, bar);
  if (!s || !info) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = s->min;
    info->nMax = s->max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s->page;
  if (info->fMask & SIF_POS) info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  int old = GetScrollPos(hwnd, bar);
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = minPos;
  si.nMax = maxPos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return IsWindow(hwnd);
}

namespace platform::user {

// A scroll-bar control: taps on its first or last arrow-sized end scroll by a line,
// taps elsewhere by a page towards the tap; the parent moves the position.
LRESULT ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case SBM_SETPOS: return SetScrollPos(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<BOOL>(lParam));
    case SBM_GETPOS: return GetScrollPos(hwnd, SB_CTL);
    case SBM_SETRANGE: {
      SetScrollRange(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<int>(lParam), FALSE);
      return GetScrollPos(hwnd, SB_CTL);
    }
    case SBM_GETRANGE: {
      SCROLLINFO si;
      si.fMask = SIF_RANGE;
      GetScrollInfo(hwnd, SB_CTL, &si);
      if (wParam) *reinterpret_cast<int*>(wParam) = si.nMin;
      if (lParam) *reinterpret_cast<int*>(lParam) = si.nMax;
      return 0;
    }
    case SBM_SETSCROLLINFO: return SetScrollInfo(hwnd, SB_CTL, reinterpret_cast<SCROLLINFO*>(lParam), static_cast<BOOL>(wParam));
    case SBM_GETSCROLLINFO: return GetScrollInfo(hwnd, SB_CTL, reinterpret_cast<SCROLLINFO*>(lParam));
    case WM_LBUTTONDOWN: {
      bool vertical = StyleOf(hwnd) & SBS_VERT;
      RECT r;
      GetClientRect(hwnd, &r);
      int length = vertical ? r.bottom : r.right;
      int at = vertical ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      int arrow = std::min(length / 3, GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL));
      SCROLLINFO si;
      si.fMask = SIF_ALL;
      GetScrollInfo(hwnd, SB_CTL, &si);
      WORD code;
      if (at < arrow) code = SB_LINEUP;
      else if (at >= length - arrow) code = SB_LINEDOWN;
      else {
        int span = std::max(si.nMax - si.nMin, 1);
        int thumb = arrow + (length - 2 * arrow) * (si.nPos - si.nMin) / span;
        code = at < thumb ? SB_PAGEUP : SB_PAGEDOWN;
      }
      HWND parent = GetParent(hwnd);
      UINT scroll = vertical ? WM_VSCROLL : WM_HSCROLL;
      SendMessageW(parent, scroll, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(hwnd));
      SendMessageW(parent, scroll, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(hwnd));
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::user

// Showing, hiding and enabling windows, and what moves with them: the active window, the
// focus, the capture, and the z-order of the top-level windows.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/WindowInternal.h"

namespace platform::user {

namespace {

// Activation, focus and the other transitions, as the device orders their messages.

void SendActivate(HWND hwnd, WORD code, HWND other) {
  if (IsWindow(hwnd)) CallProc(hwnd, WM_ACTIVATE, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(other));
}

// Top-level windows keep two bands, topmost first (WS_EX_TOPMOST: the shell's bars,
// popups), and within a band a window stays below the windows it owns.
bool IsTopmostLocked(HWND hwnd) {
  Window* w = FindLocked(hwnd);
  return w && (w->exStyle & WS_EX_TOPMOST);
}

bool IsOwnedByLocked(HWND hwnd, HWND owner) {
  Window* w = FindLocked(hwnd);
  for (int depth = 0; w && w->owner && depth < 64; ++depth) {
    if (w->owner == owner) return true;
    w = FindLocked(w->owner);
  }
  return false;
}

// Brings a window to the top of its band with the windows it owns still above it.
void MoveToTopLocked(HWND hwnd) {
  auto& list = S().topLevels;
  if (std::find(list.begin(), list.end(), hwnd) == list.end()) return;
  bool topmost = IsTopmostLocked(hwnd);
  std::vector<HWND> group;  // top first, the window itself last
  for (HWND h : list)
    if (h != hwnd && IsTopmostLocked(h) == topmost && IsOwnedByLocked(h, hwnd)) group.push_back(h);
  group.push_back(hwnd);
  for (HWND h : group) list.erase(std::find(list.begin(), list.end(), h));
  for (auto it = group.rbegin(); it != group.rend(); ++it) InsertOnTopLocked(*it);
}

bool CanTakeActivationLocked(const Window* w) {
  return w && !w->destroying && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED) &&
         !(w->exStyle & WS_EX_NOACTIVATE);
}

}  // namespace

// Puts a top-level window on top of its band.
void InsertOnTopLocked(HWND hwnd) {
  auto& list = S().topLevels;
  auto at = list.begin();
  if (!IsTopmostLocked(hwnd)) at = std::find_if(list.begin(), list.end(), [](HWND h) { return !IsTopmostLocked(h); });
  list.insert(at, hwnd);
}

// The window that takes activation when `leaving` is hidden or destroyed: its owner
// when that can take it, else the topmost visible, enabled top-level window that can be
// active (the shell's bars and popups never are). An owner whose other owned windows lie
// above it passes activation to the topmost of them, the one the user sees: a dialog the
// main window owns, closed while the main window's report viewer is up, gives the front
// back to the viewer.
HWND NextActiveLocked(HWND leaving) {
  Window* w = FindLocked(leaving);
  if (w && w->owner) {
    Window* o = FindLocked(w->owner);
    if (CanTakeActivationLocked(o)) {
      for (HWND h : S().topLevels) {
        if (h == o->handle) break;
        if (h != leaving && IsOwnedByLocked(h, o->handle) && CanTakeActivationLocked(FindLocked(h))) return h;
      }
      return o->handle;
    }
  }
  for (HWND h : S().topLevels) {
    if (h == leaving) continue;
    if (CanTakeActivationLocked(FindLocked(h))) return h;
  }
  return nullptr;
}

}  // namespace platform::user

using namespace platform::user;

HWND platform::user::ActivateWithCode(HWND hwnd, WORD code) {
  HWND old = nullptr;
  {
    std::lock_guard guard(S().lock);
    if (hwnd) hwnd = TopLevelLocked(hwnd);
    if (hwnd && !FindLocked(hwnd)) return nullptr;
    old = S().active;
    if (old == hwnd) return old;
    S().active = hwnd;
    if (hwnd) {
      S().foreground = hwnd;
      MoveToTopLocked(hwnd);
    }
  }
  SendActivate(old, WA_INACTIVE, hwnd);
  if (hwnd) SendActivate(hwnd, code, old);
  NotifyShell();
  // The window that was activated may have kept the focus elsewhere; focus never stays
  // in a window that is not active.
  HWND focus = GetFocus();
  bool stray = false;
  {
    std::lock_guard guard(S().lock);
    stray = focus && TopLevelLocked(focus) != S().active;
  }
  if (stray) SetFocus(nullptr);
  return old;
}

// ---- Show, hide, enable -----------------------------------------------------------------------

BOOL ShowWindow(HWND hwnd, int cmd) {
  bool was = false;
  bool child = false;
  bool activate = false;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    was = w->style & WS_VISIBLE;
    child = w->style & WS_CHILD;
    activate = cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_HIDE && cmd != SW_MINIMIZE &&
               !(w->style & WS_DISABLED);
  }
  bool show = cmd != SW_HIDE && cmd != SW_MINIMIZE;
  if (show != was) {
    CallProc(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    {
      std::lock_guard guard(S().lock);
      if (Window* w = FindLocked(hwnd)) {
        if (show) w->style |= WS_VISIBLE;
        else w->style &= ~WS_VISIBLE;
      }
    }
    // What shows now, or what the window uncovered, is painted again.
    if (show) InvalidateTree(hwnd);
    else InvalidateUncovered(hwnd);
  }
  if (show && !child && activate && IsWindow(hwnd)) {
    ActivateWithCode(hwnd, WA_ACTIVE);
  } else if (!show && was) {
    HWND next = nullptr;
    bool wasActive = false;
    bool focusInside = false;
    {
      std::lock_guard guard(S().lock);
      wasActive = !child && S().active == hwnd;
      if (wasActive) next = NextActiveLocked(hwnd);
      focusInside = S().focus && IsInSubtreeLocked(S().focus, hwnd);
    }
    if (wasActive) ActivateWithCode(next, WA_ACTIVE);
    else if (focusInside) SetFocus(nullptr);
  }
  if (!child && show != was) NotifyShell();
  return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  std::lock_guard guard(S().lock);
  return IsVisibleLocked(hwnd) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled = false;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    wasDisabled = w->style & WS_DISABLED;
    if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
    if (enable) w->style &= ~WS_DISABLED;
    else w->style |= WS_DISABLED;
  }
  if (!enable) {
    bool focusInside;
    {
      std::lock_guard guard(S().lock);
      focusInside = S().focus && IsInSubtreeLocked(S().focus, hwnd);
    }
    if (focusInside) SetFocus(nullptr);
  }
  CallProc(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

// ---- Focus, activation, capture -------------------------------------------------------------

HWND SetFocus(HWND hwnd) {
  if (hwnd) {
    HWND top;
    {
      std::lock_guard guard(S().lock);
      Window* w = FindLocked(hwnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      if (!IsEnabledLocked(hwnd)) return nullptr;
      top = TopLevelLocked(hwnd);
    }
    if (GetActiveWindow() != top) {
      ActivateWithCode(top, WA_ACTIVE);
      if (!IsWindow(hwnd)) return nullptr;
    }
  }
  HWND old;
  {
    std::lock_guard guard(S().lock);
    old = S().focus;
    if (old == hwnd) return old;
    S().focus = hwnd;
  }
  if (old && IsWindow(old)) CallProc(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  // The old window may have moved the focus on again; the latest move wins.
  if (hwnd && GetFocus() == hwnd) CallProc(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  std::lock_guard guard(S().lock);
  return S().focus;
}

HWND SetActiveWindow(HWND hwnd) {
  if (hwnd && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return ActivateWithCode(hwnd, WA_ACTIVE);
}

HWND GetActiveWindow() {
  std::lock_guard guard(S().lock);
  return S().active;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (ForeignWindows* foreign = GetForeignWindows(); foreign && foreign->IsForeign(hwnd))
    return foreign->SetForeground(hwnd);
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  ActivateWithCode(hwnd, WA_ACTIVE);
  // The activation may have activated another window in turn (a window that hands the
  // activation on as it gets it): the foreground is the window that ended up active.
  std::lock_guard guard(S().lock);
  S().foreground = S().active ? S().active : TopLevelLocked(hwnd);
  return TRUE;
}

HWND GetForegroundWindow() {
  std::lock_guard guard(S().lock);
  return S().foreground;
}

HWND SetCapture(HWND hwnd) {
  HWND old;
  {
    std::lock_guard guard(S().lock);
    if (!FindLocked(hwnd)) return nullptr;
    old = S().capture;
    S().capture = hwnd;
  }
  if (old && old != hwnd) CallProc(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old;
  {
    std::lock_guard guard(S().lock);
    old = S().capture;
    S().capture = nullptr;
  }
  if (old) CallProc(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  std::lock_guard guard(S().lock);
  return S().capture;
}

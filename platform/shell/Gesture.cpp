// The tap-and-hold recogniser (the pen held down and still for the hold time) and the
// double tap on a list's row.
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/kernel/Clock.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/shell/Gesture.h"
#include "platform/user/WindowManager.h"

namespace {

// How far the pen may wander and still count as held still.
constexpr int kSlop = 4;
constexpr int kDoubleTapDistance = 6;

bool PenIsDown() { return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; }

bool Near(POINT a, POINT b, int distance) {
  return std::abs(a.x - b.x) <= distance && std::abs(a.y - b.y) <= distance;
}

}  // namespace

DWORD SHRecognizeGesture(PSHRGINFO info) {
  if (!info || info->cbSize != sizeof(SHRGINFO) || !IsWindow(info->hwndClient)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!PenIsDown()) return 0;
  HWND client = info->hwndClient;
  POINT down = info->ptDown;
  ClientToScreen(client, &down);
  DWORD hold = platform::kHoldMilliseconds * ((info->dwFlags & SHRG_LONGDELAY) ? 2 : 1);
  DWORD start = GetTickCount();
  bool gone = false;  // lifted or moved away
  auto held = [&] { return !gone && GetTickCount() - start >= hold; };
  // The hold time is a timer of the thread's own, so the wait sleeps until the pen moves,
  // lifts or the time is up: a lift is answered the moment it arrives, and the idle screen
  // is shown meanwhile. When it falls due the pen is asked once more, for a lift that
  // reached no window of this thread.
  UINT_PTR timer = SetTimer(nullptr, 0, hold, nullptr);
  // The recogniser owns the pen while it waits: moves are read here, and the lifting is
  // put back for the window to see after the gesture failed.
  auto filter = [&](MSG& m) {
    if (m.message == WM_TIMER && !m.hwnd && m.wParam == timer) {
      if (!PenIsDown()) gone = true;
      return true;
    }
    if (m.message == WM_MOUSEMOVE) {
      if (!Near(m.pt, down, kSlop)) gone = true;
      return true;
    }
    if (m.message == WM_LBUTTONUP) {
      gone = true;
      PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
      return true;
    }
    return false;
  };
  bool ran = platform::user::RunModalLoop(nullptr, u"gesture", [&] { return gone || held(); }, filter);
  KillTimer(nullptr, timer);
  if (!ran || !held()) return 0;
  if (info->dwFlags & SHRG_NOTIFYPARENT) {
    if (HWND parent = GetParent(client)) {
      NMRGINFO note;
      note.hdr.hwndFrom = client;
      note.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(client));
      note.hdr.code = GN_CONTEXTMENU;
      note.ptAction = down;
      SendMessageW(parent, WM_NOTIFY, note.hdr.idFrom, reinterpret_cast<LPARAM>(&note));
    }
  }
  return SHRG_GN_CONTEXTMENU;
}

// ---- The double tap --------------------------------------------------------------------------

namespace {

// What a watched list remembers of its last pen-down.
struct DoubleTapWatch {
  WNDPROC previous = nullptr;
  bool armed = false;    // the last pen-down may be the first of a double tap
  bool pending = false;  // the pen is down for the second tap
  int row = -1;
  POINT at{};
  DWORD time = 0;
};

std::mutex g_watchLock;
std::map<HWND, DoubleTapWatch> g_watches;

int RowAt(HWND list, POINT at) {
  LVHITTESTINFO hit;
  hit.pt = at;
  SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return (hit.flags & LVHT_ONITEM) ? hit.iItem : -1;
}

// A pen-down on `row`: whether it is the second of a double tap (else it may be a first).
void PenDown(DoubleTapWatch& w, int row, POINT at, DWORD time) {
  w.pending = w.armed && row >= 0 && row == w.row && time - w.time <= platform::kDoubleTapMilliseconds &&
              Near(at, w.at, platform::DoubleTapDistance());
  w.armed = !w.pending && row >= 0;
  w.row = row;
  w.at = at;
  w.time = time;
}

// A lift ends a double tap on the row where it began, unless the pen was held.
bool PenUpEndsDoubleTap(DoubleTapWatch& w, int row, DWORD time) {
  bool ends = w.pending && row == w.row && time - w.time < platform::kHoldMilliseconds;
  w.pending = false;
  return ends;
}

LRESULT WatchProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = nullptr;
  {
    std::lock_guard guard(g_watchLock);
    auto it = g_watches.find(list);
    if (it == g_watches.end()) return DefWindowProcW(list, msg, wParam, lParam);
    previous = it->second.previous;
    if (msg == WM_NCDESTROY) g_watches.erase(it);
    else if (msg == LVM_DELETEALLITEMS) it->second.armed = it->second.pending = false;
  }
  // The list does what a single tap does first; what its parent does meanwhile (new
  // contents) is seen before the tap is judged.
  LRESULT result = CallWindowProcW(previous, list, msg, wParam, lParam);
  if ((msg != WM_LBUTTONDOWN && msg != WM_LBUTTONUP) || !IsWindow(list)) return result;
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  int row = RowAt(list, at);
  DWORD time = static_cast<DWORD>(GetMessageTime());
  bool doubleTap = false;
  {
    std::lock_guard guard(g_watchLock);
    auto it = g_watches.find(list);
    if (it == g_watches.end()) return result;
    if (msg == WM_LBUTTONDOWN) PenDown(it->second, row, at, time);
    else doubleTap = PenUpEndsDoubleTap(it->second, row, time);
  }
  if (doubleTap) {
    NMITEMACTIVATE note;
    note.hdr.hwndFrom = list;
    note.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    note.hdr.code = NM_DBLCLK;
    note.iItem = row;
    note.ptAction = at;
    SendMessageW(GetParent(list), WM_NOTIFY, note.hdr.idFrom, reinterpret_cast<LPARAM>(&note));
  }
  return result;
}

}  // namespace

namespace platform {

int DoubleTapDistance() {
  return kDoubleTapDistance * ScreenScale();
}

BOOL NotifyDoubleTaps(HWND list) {
  if (!platform::user::IsClass(list, WC_LISTVIEWW)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard guard(g_watchLock);
  if (g_watches.count(list)) return TRUE;
  g_watches[list].previous =
      reinterpret_cast<WNDPROC>(SetWindowLongW(list, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc)));
  return TRUE;
}

}  // namespace platform

// The tap-and-hold recogniser: the pen held down and still for the hold time.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/shell/Gesture.h"
#include "platform/user/WindowManager.h"

namespace {

// How far the pen may wander and still count as held still.
constexpr int kSlop = 4;

bool PenIsDown() { return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; }

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
  // The recogniser owns the pen while it waits: moves are read here, and the lifting is
  // put back for the window to see after the gesture failed.
  auto filter = [&](MSG& m) {
    if (m.message == WM_MOUSEMOVE) {
      if (std::abs(m.pt.x - down.x) > kSlop || std::abs(m.pt.y - down.y) > kSlop) gone = true;
      return true;
    }
    if (m.message == WM_LBUTTONUP) {
      gone = true;
      PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
      return true;
    }
    return false;
  };
  // On the running clock the wait wakes by itself; on the test clock the test's idle
  // handler moves time on.
  auto ownIdle = [&] {
    if (platform::TestClock::IsActive()) return false;
    if (!PenIsDown()) gone = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
  };
  bool ran = platform::user::RunModalLoop(nullptr, u"gesture", [&] { return gone || held(); }, filter, ownIdle);
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

// The navigation bar: the shell's strip along the top of the screen, a topmost window that
// shows the title of the window in front and the one button that window's set-up asks for
// (Shell.h says which). It is made when a program window first comes to the front and
// follows the front window from then on through the window system's shell observer.
#include <atomic>
#include <mutex>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/shell/Shell.h"
#include "platform/shell/ShellInternal.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Paint.h"
#include "platform/user/WindowManager.h"

namespace {

constexpr char16_t kBarClass[] = u"NavigationBar";
// Asks the bar, on its own thread, to follow the window in front again.
constexpr UINT kMsgRefresh = WM_USER + 1;
constexpr COLORREF kBarColor = RGB(0, 0, 128);
constexpr COLORREF kTextColor = RGB(255, 255, 255);

enum class BarButton { None, Done, Cancel, Close };

std::mutex g_lock;
HWND g_bar = nullptr;
std::atomic<bool> g_refreshing{false};

struct BarData : platform::user::WindowData {
  HWND pressedFor = nullptr;  // the window in front when the button went down
  bool pressed = false;
};

HWND Bar() {
  std::lock_guard guard(g_lock);
  return g_bar;
}

bool IsDialogWindow(HWND hwnd) { return GetWindowLongW(hwnd, DWL_DLGPROC) != 0; }

BarButton ButtonFor(HWND front) {
  if (!front) return BarButton::None;
  DWORD done = platform::DoneButtonState(front);
  if (done == SHDB_SHOW) return BarButton::Done;
  if (done == SHDB_SHOWCANCEL) return BarButton::Cancel;
  return IsDialogWindow(front) ? BarButton::None : BarButton::Close;
}

// The button's place at the bar's right end: a square as high as the bar, a little wider
// for "ok".
RECT ButtonRect(BarButton button) {
  int height = platform::TaskBarHeight();
  int width = button == BarButton::Done ? height * 3 / 2 : height;
  int right = platform::ScreenWidth();
  return RECT{right - width, 0, right, height};
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

HFONT MakeFont(bool bold) {
  LOGFONTW lf;
  lf.lfHeight = -platform::SystemFontHeight();
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  std::u16string_view face = u"Tahoma";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

// The front window's title; a window without one (a program's screen over its main
// window) shows its owner's.
std::u16string Title(HWND front) {
  std::u16string title;
  for (HWND w = front; w && title.empty(); w = GetWindow(w, GW_OWNER)) title = platform::user::TextOf(w);
  return title;
}

void PaintButton(HDC dc, BarButton button, bool pressed) {
  if (button == BarButton::None) return;
  RECT r = ButtonRect(button);
  int s = platform::ScreenScale();
  RECT face{r.left + 3 * s, r.top + 3 * s, r.right - 3 * s, r.bottom - 3 * s};
  CGdiObject<HBRUSH> fill(CreateSolidBrush(pressed ? kTextColor : kBarColor));
  FillRect(dc, &face, fill.get());
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, s, kTextColor));
  CSelectObjectScope keepPen(dc, pen.get());
  CSelectObjectScope keepBrush(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, face.left, face.top, face.right, face.bottom);
  std::u16string_view text = button == BarButton::Done ? u"ok" : u"\u00D7";
  SetTextColor(dc, pressed ? kBarColor : kTextColor);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void Paint(HWND hwnd, const BarData& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client;
  GetClientRect(hwnd, &client);
  CGdiObject<HBRUSH> background(CreateSolidBrush(kBarColor));
  FillRect(dc, &client, background.get());
  HWND front = platform::shell::FrontWindow();
  BarButton button = ButtonFor(front);
  SetBkMode(dc, TRANSPARENT);
  CGdiObject<HFONT> font(MakeFont(true));
  CSelectObjectScope keepFont(dc, font.get());
  if (front) {
    std::u16string title = Title(front);
    RECT text = client;
    text.left += 6 * platform::ScreenScale();
    if (button != BarButton::None) text.right = ButtonRect(button).left - 2 * platform::ScreenScale();
    SetTextColor(dc, kTextColor);
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  PaintButton(dc, button, d.pressed && d.pressedFor == front);
  EndPaint(hwnd, &ps);
}

// What the button sends the window in front: posted, so that what the window does about
// it (a question, a save) runs after the pen has left the bar.
void Press(HWND front, BarButton button) {
  switch (button) {
    case BarButton::Done: PostMessageW(front, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); break;
    case BarButton::Cancel: PostMessageW(front, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); break;
    case BarButton::Close: PostMessageW(front, WM_CLOSE, 0, 0); break;
    case BarButton::None: break;
  }
}

void OnPenDown(HWND hwnd, BarData& d, POINT p) {
  HWND front = platform::shell::FrontWindow();
  BarButton button = ButtonFor(front);
  if (button == BarButton::None || !Inside(ButtonRect(button), p)) return;
  d.pressed = true;
  d.pressedFor = front;
  SetCapture(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void OnPenUp(HWND hwnd, BarData& d, POINT p) {
  if (!d.pressed) return;
  d.pressed = false;
  HWND front = std::exchange(d.pressedFor, nullptr);
  if (GetCapture() == hwnd) ReleaseCapture();
  InvalidateRect(hwnd, nullptr, TRUE);
  BarButton button = ButtonFor(front);
  if (front == platform::shell::FrontWindow() && button != BarButton::None && Inside(ButtonRect(button), p))
    Press(front, button);
}

LRESULT BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto d = platform::user::DataOf<BarData>(hwnd);
  if (!d) return DefWindowProcW(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT: Paint(hwnd, *d); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: OnPenDown(hwnd, *d, p); return 0;
    case WM_LBUTTONUP: OnPenUp(hwnd, *d, p); return 0;
    case WM_CAPTURECHANGED:
      d->pressed = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case kMsgRefresh: platform::shell::RefreshNavigationBar(); return 0;
    case WM_DESTROY: {
      std::lock_guard guard(g_lock);
      if (g_bar == hwnd) g_bar = nullptr;
      return 0;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

HWND MakeBar() {
  platform::user::EnsureSystemClasses();
  platform::user::RegisterSystemClass(kBarClass, BarProc, 0);
  HWND bar = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kBarClass, u"", WS_POPUP, 0, 0,
                             platform::ScreenWidth(), platform::TaskBarHeight(), nullptr, nullptr, nullptr, nullptr);
  if (!bar) return nullptr;
  platform::user::MarkShellWindow(bar);
  platform::user::SetData(bar, std::make_shared<BarData>());
  std::lock_guard guard(g_lock);
  g_bar = bar;
  return bar;
}

void Follow(HWND bar, HWND front) {
  RECT want{0, 0, platform::ScreenWidth(), platform::TaskBarHeight()};
  RECT now;
  GetWindowRect(bar, &now);
  if (now.right != want.right || now.bottom != want.bottom) MoveWindow(bar, 0, 0, want.right, want.bottom, TRUE);
  bool show = front && !platform::shell::HidesTaskBar(front);
  if (show != static_cast<bool>(IsWindowVisible(bar))) ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(bar, nullptr, TRUE);
}

// Installed with the shell's library: the window system tells the shell of every change
// of the window in front.
struct ObserverInstaller {
  ObserverInstaller() { platform::user::SetShellObserver(&platform::shell::RefreshNavigationBar); }
} g_installer;

}  // namespace

namespace platform {

HWND NavigationBar() {
  HWND bar = Bar();
  return IsWindow(bar) ? bar : nullptr;
}

namespace shell {

HWND FrontWindow() {
  HWND front = GetActiveWindow();
  if (!front || !IsWindowVisible(front)) front = GetForegroundWindow();
  if (!front || !IsWindowVisible(front) || front == Bar()) return nullptr;
  return front;
}

void RefreshNavigationBar() {
  // Making, moving and showing the bar tells the observer again.
  if (g_refreshing.exchange(true)) return;
  FollowFrontWindow();
  HWND front = FrontWindow();
  HWND bar = NavigationBar();
  if (!bar && front && GetWindowThreadProcessId(front, nullptr) == GetCurrentThreadId()) bar = MakeBar();
  if (bar) {
    // The bar's procedure runs on its own thread; another thread asks it there.
    if (GetWindowThreadProcessId(bar, nullptr) == GetCurrentThreadId()) Follow(bar, front);
    else PostMessageW(bar, kMsgRefresh, 0, 0);
  }
  g_refreshing = false;
}

void ResetNavigationBar() {
  HWND bar = NavigationBar();
  if (bar && GetWindowThreadProcessId(bar, nullptr) == GetCurrentThreadId()) DestroyWindow(bar);
  std::lock_guard guard(g_lock);
  g_bar = nullptr;
}

}  // namespace shell
}  // namespace platform

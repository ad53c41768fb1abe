// The default window procedure, subclassing through the window longs, and the window text
// the default procedure keeps.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

// ---- Default procedure and subclassing ----------------------------------------------------

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName) StoreText(hwnd, cs->lpszName);
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT:
      StoreText(hwnd, lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      std::u16string text = TextOf(hwnd);
      size_t count = std::min<size_t>(text.size(), wParam - 1);
      auto* out = reinterpret_cast<LPWSTR>(lParam);
      std::copy_n(text.data(), count, out);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(TextOf(hwnd).size());
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(hwnd);
      return 0;
    case WM_SETFONT: {
      std::lock_guard guard(S().lock);
      if (Window* w = FindLocked(hwnd)) w->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    }
    case WM_GETFONT: {
      std::lock_guard guard(S().lock);
      Window* w = FindLocked(hwnd);
      return w ? reinterpret_cast<LRESULT>(w->font) : 0;
    }
    case WM_SETREDRAW: {
      std::lock_guard guard(S().lock);
      if (Window* w = FindLocked(hwnd)) w->noRedraw = wParam == FALSE;
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = nullptr;
      {
        std::lock_guard guard(S().lock);
        if (Window* w = FindLocked(hwnd)) brush = w->cls->wc.hbrBackground;
      }
      if (!brush) return 0;
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      // Black text on the window colour; buttons and scroll bars on the button face.
      auto dc = reinterpret_cast<HDC>(wParam);
      bool face = msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSCROLLBAR;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(face ? COLOR_BTNFACE : COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(face ? COLOR_BTNFACE : COLOR_WINDOW));
    }
    default:
      return 0;
  }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, msg, wParam, lParam);
}

LONG_PTR GetWindowLongW(HWND hwnd, int index) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT: return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWL_ID: return static_cast<LONG_PTR>(w->id);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWL_USERDATA: return w->userData;
    default: break;
  }
  if (index < 0 || index + 4 > w->cls->wc.cbWndExtra) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  auto it = w->extra.find(index);
  return it == w->extra.end() ? 0 : it->second;
}

LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWL_WNDPROC:
      if (!value) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWL_ID:
      old = static_cast<LONG_PTR>(w->id);
      w->id = static_cast<UINT_PTR>(value);
      return old;
    case GWL_STYLE:
      old = static_cast<LONG_PTR>(static_cast<LONG>(w->style));
      w->style = static_cast<DWORD>(value);
      return old;
    case GWL_EXSTYLE:
      old = static_cast<LONG_PTR>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      return old;
    case GWL_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWL_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    default: break;
  }
  if (index < 0 || index + 4 > w->cls->wc.cbWndExtra) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  old = w->extra[index];
  w->extra[index] = value;
  return old;
}

// ---- Text ------------------------------------------------------------------------------

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  BOOL done = CallProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE : FALSE;
  // The navigation bar shows the foreground window's title.
  if (!(StyleOf(hwnd) & WS_CHILD)) NotifyShell();
  return done;
}

int GetWindowTextW(HWND hwnd, LPWSTR text, int cchMax) {
  if (!text || cchMax <= 0) return 0;
  text[0] = 0;
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(CallProc(hwnd, WM_GETTEXT, static_cast<WPARAM>(cchMax), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthW(HWND hwnd) { return static_cast<int>(CallProc(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

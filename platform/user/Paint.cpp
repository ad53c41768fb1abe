// Update regions, WM_PAINT and the composed screen.
#include "platform/user/Paint.h"

#include <algorithm>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return RECT{};
  return r;
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Union(const RECT& a, const RECT& b) {
  if (Empty(a)) return b;
  if (Empty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

void InvalidateLocked(Window& w, const RECT* rect, bool erase, bool children) {
  RECT client = ClientRectLocked(w);
  RECT r = rect ? Intersect(*rect, client) : client;
  if (!Empty(r)) {
    w.update = Union(w.update, r);
    w.dirty = true;
    w.erase = w.erase || erase;
  }
  if (children)
    for (HWND c : w.children)
      if (Window* cw = FindLocked(c)) InvalidateLocked(*cw, nullptr, erase, true);
}

// The visible part of a window's client area, in screen coordinates.
RECT VisibleClientLocked(const Window& w) {
  if (!IsVisibleLocked(w.handle)) return RECT{};
  POINT o = ClientOriginLocked(w);
  RECT client = ClientRectLocked(w);
  RECT r{o.x, o.y, o.x + client.right, o.y + client.bottom};
  r = Intersect(r, RECT{0, 0, platform::ScreenWidth(), platform::ScreenHeight()});
  for (const Window* up = (w.style & WS_CHILD) ? FindLocked(w.parent) : nullptr; up;
       up = (up->style & WS_CHILD) ? FindLocked(up->parent) : nullptr) {
    POINT uo = ClientOriginLocked(*up);
    RECT uc = ClientRectLocked(*up);
    r = Intersect(r, RECT{uo.x, uo.y, uo.x + uc.right, uo.y + uc.bottom});
  }
  return r;
}

RECT ScreenRectLocked(const Window& w) {
  RECT r = w.rect;
  if ((w.style & WS_CHILD) && w.parent)
    if (const Window* up = FindLocked(w.parent)) {
      POINT o = ClientOriginLocked(*up);
      r = RECT{r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
    }
  return r;
}

// What of the screen a window may not draw on, in screen coordinates: the visible
// top-level windows above its own top-level window (a window never paints over the
// windows in front of it) and, when it clips its children (WS_CLIPCHILDREN), its visible
// children.
std::vector<RECT> CoveredLocked(const Window& w, bool withChildren) {
  std::vector<RECT> covered;
  HWND top = TopLevelLocked(w.handle);
  for (HWND h : S().topLevels) {
    if (h == top) break;
    const Window* t = FindLocked(h);
    if (t && (t->style & WS_VISIBLE) && !t->destroying) covered.push_back(t->rect);
  }
  if (withChildren && (w.style & WS_CLIPCHILDREN))
    for (HWND c : w.children)
      if (const Window* cw = FindLocked(c); cw && (cw->style & WS_VISIBLE) && !cw->destroying)
        covered.push_back(ScreenRectLocked(*cw));
  return covered;
}

// A parent that does not clip its children paints over them: the children under what it
// paints are painted again after it.
void RepaintChildrenOverLocked(const Window& w, const RECT& painted) {
  if (w.style & WS_CLIPCHILDREN) return;
  for (HWND c : w.children) {
    Window* cw = FindLocked(c);
    if (cw && (cw->style & WS_VISIBLE) && !cw->destroying && !Empty(Intersect(cw->rect, painted)))
      InvalidateLocked(*cw, nullptr, true, true);
  }
}

// The frame and caption of a window, drawn around its client area (its non-client part).
void PaintFrame(HWND hwnd) {
  RECT r{};
  RECT clip{};
  DWORD style;
  bool active;
  std::u16string title;
  std::vector<RECT> covered;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w || !(w->style & (WS_BORDER | WS_DLGFRAME))) return;
    r = w->rect;
    clip = r;
    style = w->style;
    active = S().active == hwnd;
    title = w->text;
    covered = CoveredLocked(*w, false);
  }
    POINT at{r.left, r.top};
  if (style & WS_CHILD) {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    Window* up = w ? FindLocked(w->parent) : nullptr;
    if (!up) return;
    POINT o = ClientOriginLocked(*up);
    at = POINT{r.left + o.x, r.top + o.y};
    clip = VisibleClientLocked(*up);
  }
  CMemoryDC surface(platform::CreateSurfaceDC(platform::ScreenBitmap(), at, clip, covered));
  if (!surface) return;
  HDC dc = surface.get();
  RECT all{0, 0, r.right - r.left, r.bottom - r.top};
  CSelectObjectScope brush(dc, GetStockObject(NULL_BRUSH));
  CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, all.left, all.top, all.right, all.bottom);
  if ((style & WS_CAPTION) == WS_CAPTION) {
    RECT caption{1, 1, all.right - 1, 1 + GetSystemMetrics(SM_CYCAPTION)};
    FillRect(dc, &caption, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(
                               (active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION) + 1)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    RECT text = caption;
    text.left += 4;
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
}

}  // namespace

namespace platform::user {

bool PaintIfDirty(HWND hwnd) {
  bool paint;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    paint = w->dirty && IsVisibleLocked(hwnd);
  }
  if (paint) {
    CallProc(hwnd, WM_PAINT, 0, 0);
    ValidateRect(hwnd, nullptr);
  }
  return true;
}

void PaintDirtyTree(HWND hwnd) {
  PaintIfDirty(hwnd);
  std::vector<HWND> children;
  {
    std::lock_guard guard(S().lock);
    if (Window* w = FindLocked(hwnd)) children = w->children;
  }
  // Lower in the z-order first, so the top one ends up on top.
  for (auto it = children.rbegin(); it != children.rend(); ++it) PaintDirtyTree(*it);
}

HWND NextToPaintLocked(DWORD thread) {
  for (auto& [h, w] : S().windows)
    if (w->dirty && w->thread == thread && !w->destroying && !w->noRedraw) {
      if (IsVisibleLocked(h)) return h;
      w->dirty = false;  // a hidden window is painted when it shows
    }
  return nullptr;
}

}  // namespace platform::user

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  std::lock_guard guard(S().lock);
  if (!hwnd) {
    for (HWND h : S().topLevels)
      if (Window* w = FindLocked(h)) InvalidateLocked(*w, nullptr, erase, true);
    S().changed.notify_all();
    return TRUE;
  }
  Window* w = FindLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  InvalidateLocked(*w, rect, erase, false);
  S().changed.notify_all();
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) return FALSE;
  // The update region is one rectangle: validating any part of it validates it all.
  w->dirty = false;
  w->erase = false;
  w->update = RECT{};
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w || !w->dirty) {
    if (rect) *rect = RECT{};
    return FALSE;
  }
  if (rect) *rect = w->update;
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  {
    std::lock_guard guard(S().lock);
    if (!FindLocked(hwnd)) return FALSE;
  }
  // The children waiting to be drawn are drawn with it, as the device's system does: a box
  // shown while its program works shows its texts, not an empty frame.
  PaintDirtyTree(hwnd);
  CallWindowUpdated();
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
  if (!paint) return nullptr;
  POINT origin{};
  RECT clip{};
  std::vector<RECT> covered;
  bool erase;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    paint->rcPaint = w->dirty ? w->update : RECT{};
    erase = w->erase;
    origin = ClientOriginLocked(*w);
    clip = VisibleClientLocked(*w);
    covered = CoveredLocked(*w, true);
    RepaintChildrenOverLocked(*w, paint->rcPaint);
    w->dirty = false;
    w->erase = false;
    w->update = RECT{};
  }
  PaintFrame(hwnd);
  paint->hdc = platform::CreateSurfaceDC(platform::ScreenBitmap(), origin, clip, covered);
  paint->fErase = TRUE;
  if (erase && paint->hdc)
    paint->fErase = CallProc(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) ? FALSE : TRUE;
  else
    paint->fErase = FALSE;
  return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (!paint || !paint->hdc) return FALSE;
  return ReleaseDC(hwnd, paint->hdc) ? TRUE : FALSE;
}

HDC GetDC(HWND window) {
  if (window) {
    std::lock_guard guard(S().lock);
    if (Window* w = FindLocked(window))
      return platform::CreateSurfaceDC(platform::ScreenBitmap(), ClientOriginLocked(*w), VisibleClientLocked(*w),
                                       CoveredLocked(*w, true));
  }
  return platform::CreateScreenDC();
}

int ReleaseDC(HWND, HDC dc) { return platform::ReleaseSurfaceDC(dc); }

namespace platform {

bool WindowDrawingArea(HWND hwnd, POINT* origin, RECT* clip) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) return false;
  if (origin) *origin = ClientOriginLocked(*w);
  if (clip) *clip = VisibleClientLocked(*w);
  return true;
}

namespace {

void PaintTree(HWND hwnd) {
  std::vector<HWND> children;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w || !(w->style & WS_VISIBLE)) return;
    InvalidateLocked(*w, nullptr, true, false);
    children = w->children;
  }
  PaintIfDirty(hwnd);
  // Children lower in the z-order first, so the top one ends up on top.
  for (auto it = children.rbegin(); it != children.rend(); ++it) PaintTree(*it);
}

}  // namespace

void PaintScreen() {
  if (CMemoryDC screen{CreateSurfaceDC(ScreenBitmap(), POINT{0, 0}, RECT{0, 0, ScreenWidth(), ScreenHeight()})}) {
    RECT all{0, 0, ScreenWidth(), ScreenHeight()};
    FillRect(screen.get(), &all, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BACKGROUND + 1)));
  }
  std::vector<HWND> tops;
  {
    std::lock_guard guard(S().lock);
    tops = S().topLevels;
  }
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) PaintTree(*it);
}

bool SaveScreenshot(const std::filesystem::path& file) {
  PaintScreen();
  return SaveBitmapAsPng(ScreenBitmap(), file);
}

}  // namespace platform

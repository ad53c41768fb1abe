// Where windows are: moving and sizing them, their window and client rectangles, points
// from one window's coordinates to another's, the window under a point, and the painting
// again of what a change uncovers.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowInternal.h"

namespace platform::user {

namespace {

// Frame widths: a border is one pixel, a dialog frame or caption adds the caption row.
RECT FrameInsets(const Window& w) {
  RECT in{};
  if (w.style & (WS_BORDER | WS_DLGFRAME)) in = RECT{1, 1, 1, 1};
  if ((w.style & WS_CAPTION) == WS_CAPTION) in.top += GetSystemMetrics(SM_CYCAPTION);
  return in;
}

}  // namespace

RECT ClientRectLocked(const Window& w) {
  RECT in = FrameInsets(w);
  LONG width = std::max<LONG>(0, w.rect.right - w.rect.left - in.left - in.right);
  LONG height = std::max<LONG>(0, w.rect.bottom - w.rect.top - in.top - in.bottom);
  return RECT{0, 0, width, height};
}

POINT ClientOriginLocked(const Window& w) {
  RECT in = FrameInsets(w);
  POINT p{w.rect.left + in.left, w.rect.top + in.top};
  if ((w.style & WS_CHILD) && w.parent) {
    if (Window* up = FindLocked(w.parent)) {
      POINT o = ClientOriginLocked(*up);
      p.x += o.x;
      p.y += o.y;
    }
  }
  return p;
}

void InvalidateTree(HWND hwnd) {
  std::vector<HWND> tree;
  {
    std::lock_guard guard(S().lock);
    CollectPreOrderLocked(hwnd, tree);
  }
  for (HWND h : tree) InvalidateRect(h, nullptr, TRUE);
}

// What a window hidden, moved or destroyed leaves bare is painted again: its parent with
// the siblings it lay over, or, for a top-level window, every window beneath it.
void InvalidateUncovered(HWND hwnd) {
  HWND parent = nullptr;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) return;
    if (w->style & WS_CHILD) {
      Window* up = FindLocked(w->parent);
      if (!up || up->destroying) return;
      parent = up->handle;
    }
  }
  if (parent) InvalidateTree(parent);
  else InvalidateRect(nullptr, nullptr, TRUE);
}

}  // namespace platform::user

using namespace platform::user;

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    // The window may amend its new place first (a closed combo box keeps to its field).
    WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
    CallProc(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    x = pos.x;
    y = pos.y;
    cx = pos.cx;
    cy = pos.cy;
  }
  bool moved = false;
  bool sized = false;
  RECT r{};
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
      moved = x != r.left || y != r.top;
      r = RECT{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    }
    if (!(flags & SWP_NOSIZE)) {
      cx = std::max(cx, 0);
      cy = std::max(cy, 0);
      sized = cx != r.right - r.left || cy != r.bottom - r.top;
      r.right = r.left + cx;
      r.bottom = r.top + cy;
    }
    w->rect = r;
    if (!(flags & SWP_NOZORDER)) {
      std::vector<HWND>* list = (w->style & WS_CHILD) ? (FindLocked(w->parent) ? &FindLocked(w->parent)->children : nullptr)
                                                      : &S().topLevels;
      if (list) {
        auto it = std::find(list->begin(), list->end(), hwnd);
        if (it != list->end()) {
          list->erase(it);
          if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST) {
            list->insert(list->begin(), hwnd);
          } else if (insertAfter == HWND_BOTTOM || insertAfter == HWND_NOTOPMOST) {
            list->push_back(hwnd);
          } else {
            auto after = std::find(list->begin(), list->end(), insertAfter);
            list->insert(after == list->end() ? list->end() : after + 1, hwnd);
          }
        }
      }
    }
  }
  if (moved || sized) {
    InvalidateUncovered(hwnd);
    InvalidateTree(hwnd);
  }
  if (moved) CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  if (sized) {
    RECT client;
    GetClientRect(hwnd, &client);
    CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w || !rect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = w->rect;
  if ((w->style & WS_CHILD) && w->parent)
    if (Window* up = FindLocked(w->parent)) {
      POINT o = ClientOriginLocked(*up);
      rect->left += o.x;
      rect->right += o.x;
      rect->top += o.y;
      rect->bottom += o.y;
    }
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w || !rect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = ClientRectLocked(*w);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOriginLocked(*w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOriginLocked(*w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  std::lock_guard guard(S().lock);
  POINT a{}, b{};
  if (from) {
    Window* w = FindLocked(from);
    if (!w) return 0;
    a = ClientOriginLocked(*w);
  }
  if (to) {
    Window* w = FindLocked(to);
    if (!w) return 0;
    b = ClientOriginLocked(*w);
  }
  LONG dx = a.x - b.x;
  LONG dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

namespace {

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The deepest visible child of `hwnd` under `screen` (the window itself when none).
HWND DeepestLocked(HWND hwnd, POINT screen) {
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  POINT o = ClientOriginLocked(*w);
  POINT local{screen.x - o.x, screen.y - o.y};
  for (HWND c : w->children) {
    Window* cw = FindLocked(c);
    if (cw && (cw->style & WS_VISIBLE) && Contains(cw->rect, local)) return DeepestLocked(c, screen);
  }
  return hwnd;
}

}  // namespace

HWND WindowFromPoint(POINT pt) {
  std::lock_guard guard(S().lock);
  for (HWND h : S().topLevels) {
    Window* w = FindLocked(h);
    if (w && (w->style & WS_VISIBLE) && Contains(w->rect, pt)) return DeepestLocked(h, pt);
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(parent);
  if (!w) return nullptr;
  if (!Contains(ClientRectLocked(*w), pt)) return nullptr;
  for (HWND c : w->children) {
    Window* cw = FindLocked(c);
    if (cw && Contains(cw->rect, pt)) return c;
  }
  return parent;
}

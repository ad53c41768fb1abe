// The window tree's relations: parents, owners, children and siblings, the windows found by
// class and title or by control id, and the walks over a window's descendants.
#include <algorithm>
#include <unistd.h>

#include "platform/base/Base.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/WindowInternal.h"

namespace platform::user {

// Removes `hwnd` from its parent's child list or the top-level list.
void UnlinkLocked(Window& w) {
  auto drop = [&](std::vector<HWND>& list) { list.erase(std::remove(list.begin(), list.end(), w.handle), list.end()); };
  if ((w.style & WS_CHILD) && w.parent) {
    if (Window* up = FindLocked(w.parent)) drop(up->children);
  } else {
    drop(S().topLevels);
  }
}

bool IsInSubtreeLocked(HWND hwnd, HWND root) {
  for (Window* w = FindLocked(hwnd); w; w = (w->style & WS_CHILD) ? FindLocked(w->parent) : nullptr)
    if (w->handle == root) return true;
  return false;
}

void CollectPreOrderLocked(HWND hwnd, std::vector<HWND>& out, bool skipDestroying) {
  Window* w = FindLocked(hwnd);
  if (!w) return;
  out.push_back(hwnd);
  for (HWND c : w->children)
    if (Window* cw = FindLocked(c); cw && !(skipDestroying && cw->destroying))
      CollectPreOrderLocked(c, out, skipDestroying);
}

HWND FindOwnWindow(LPCWSTR className, LPCWSTR windowName) {
  std::lock_guard guard(S().lock);
  for (HWND h : S().topLevels) {
    Window* w = FindLocked(h);
    if (!w || w->destroying) continue;
    if (className && !platform::EqualsIgnoreCase(w->cls->name, className)) continue;
    if (windowName && w->text != windowName) continue;
    return h;
  }
  return nullptr;
}

}  // namespace platform::user

using namespace platform::user;

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  while (w && (w->style & WS_CHILD)) {
    if (w->parent == parent) return TRUE;
    w = FindLocked(w->parent);
  }
  return FALSE;
}

// ---- Relations --------------------------------------------------------------------------

HWND GetAncestor(HWND hwnd, UINT flags) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return (w->style & WS_CHILD) ? w->parent : nullptr;
    case GA_ROOT: return TopLevelLocked(hwnd);
    case GA_ROOTOWNER: {
      Window* top = FindLocked(TopLevelLocked(hwnd));
      while (top && top->owner && FindLocked(top->owner)) top = FindLocked(top->owner);
      return top ? top->handle : nullptr;
    }
    default: return nullptr;
  }
}

HWND GetParent(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(child);
  if (!w || (newParent && !FindLocked(newParent))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = w->parent;
  UnlinkLocked(*w);
  if (newParent) {
    w->style = (w->style | WS_CHILD) & ~WS_POPUP;
    w->parent = newParent;
    FindLocked(newParent)->children.push_back(child);
  } else {
    w->style &= ~WS_CHILD;
    w->parent = nullptr;
    InsertOnTopLocked(child);
  }
  return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  const std::vector<HWND>* list = &S().topLevels;
  if ((w->style & WS_CHILD) && w->parent) {
    Window* up = FindLocked(w->parent);
    if (!up) return nullptr;
    list = &up->children;
  }
  auto it = std::find(list->begin(), list->end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST: return list->empty() ? nullptr : list->front();
    case GW_HWNDLAST: return list->empty() ? nullptr : list->back();
    case GW_HWNDNEXT: return (it == list->end() || it + 1 == list->end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == list->end() || it == list->begin()) ? nullptr : *(it - 1);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND GetDlgItem(HWND dialog, int id) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(dialog);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (HWND c : w->children) {
    Window* cw = FindLocked(c);
    if (cw && static_cast<int>(cw->id) == id) return c;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w || !(w->style & WS_CHILD)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(w->id);
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  if (HWND own = FindOwnWindow(className, windowName)) return own;
  ForeignWindows* foreign = GetForeignWindows();
  return foreign ? foreign->Find(className, windowName) : nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  if (ForeignWindows* foreign = GetForeignWindows(); foreign && foreign->IsForeign(hwnd)) {
    DWORD process = foreign->ProcessOf(hwnd);
    if (!process) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    if (processId) *processId = process;
    return 0;
  }
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId) *processId = static_cast<DWORD>(getpid());
  return w->thread;
}

BOOL EnumChildWindows(HWND parent, BOOL (*proc)(HWND, LPARAM), LPARAM lParam) {
  std::vector<HWND> all;
  {
    std::lock_guard guard(S().lock);
    CollectPreOrderLocked(parent, all);
  }
  for (size_t i = 1; i < all.size(); ++i)
    if (IsWindow(all[i]) && !proc(all[i], lParam)) return FALSE;
  return TRUE;
}

// The window tree: classes, creation and destruction, window longs, text, geometry,
// focus and activation.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <unistd.h>

#include "platform/base/Base.h"
#include "platform/module/Module.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/WindowManager.h"

namespace platform::user {

std::vector<UINT> DefaultShellKeys() {
  std::vector<UINT> keys;
  for (UINT vk = kFirstApplicationButton; vk <= kLastApplicationButton; ++vk) keys.push_back(vk);
  return keys;
}

State& S() {
  static State state;
  return state;
}

Window* FindLocked(HWND hwnd) {
  auto it = S().windows.find(hwnd);
  return it == S().windows.end() ? nullptr : it->second.get();
}

HWND TopLevelLocked(HWND hwnd) {
  Window* w = FindLocked(hwnd);
  while (w && (w->style & WS_CHILD) && w->parent) {
    Window* up = FindLocked(w->parent);
    if (!up) break;
    w = up;
  }
  return w ? w->handle : nullptr;
}

bool IsVisibleLocked(HWND hwnd) {
  for (Window* w = FindLocked(hwnd); w; w = (w->style & WS_CHILD) ? FindLocked(w->parent) : nullptr) {
    if (!(w->style & WS_VISIBLE)) return false;
    if (!(w->style & WS_CHILD)) return true;
  }
  return false;
}

bool IsEnabledLocked(HWND hwnd) {
  for (Window* w = FindLocked(hwnd); w; w = (w->style & WS_CHILD) ? FindLocked(w->parent) : nullptr) {
    if (w->style & WS_DISABLED) return false;
    if (!(w->style & WS_CHILD)) return true;
  }
  return false;
}

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

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) return 0;
    proc = w->proc;
  }
  return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

void SetData(HWND hwnd, std::shared_ptr<WindowData> data) {
  std::lock_guard guard(S().lock);
  if (Window* w = FindLocked(hwnd)) w->data = std::move(data);
}

std::u16string TextOf(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  return w ? w->text : std::u16string();
}

void StoreText(HWND hwnd, std::u16string text) {
  std::lock_guard guard(S().lock);
  if (Window* w = FindLocked(hwnd)) w->text = std::move(text);
}

DWORD StyleOf(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  return w ? w->style : 0;
}

std::u16string ClassNameOf(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  return w ? w->cls->name : std::u16string();
}

bool IsClass(HWND hwnd, std::u16string_view name) { return EqualsIgnoreCase(ClassNameOf(hwnd), name); }

namespace {

std::u16string Folded(std::u16string_view name) {
  std::u16string f(name);
  for (auto& c : f) c = FoldCase(c);
  return f;
}

// Class names may be atoms (MAKEINTRESOURCE-style small values) in the Win32 form;
// this system hands out atoms that are indexes into the class table.
std::u16string ClassKey(LPCWSTR className) {
  if (!className) return {};
  if ((reinterpret_cast<ULONG_PTR>(className) >> 16) == 0) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
    int index = 0xC000;
    for (auto& [key, cls] : S().classes)
      if (index++ == atom) return key;
    return {};
  }
  return Folded(className);
}

std::vector<std::pair<std::u16string, std::pair<WNDPROC, int>>>& SystemClasses() {
  static std::vector<std::pair<std::u16string, std::pair<WNDPROC, int>>> list;
  return list;
}

void RegisterLocked(std::u16string_view name, const WNDCLASSW& wc) {
  auto cls = std::make_shared<WindowClass>();
  cls->name = name;
  cls->wc = wc;
  cls->wc.lpszClassName = nullptr;
  S().classes[Folded(name)] = std::move(cls);
}

// Removes `hwnd` from its parent's child list or the top-level list.
void UnlinkLocked(Window& w) {
  auto drop = [&](std::vector<HWND>& list) { list.erase(std::remove(list.begin(), list.end(), w.handle), list.end()); };
  if ((w.style & WS_CHILD) && w.parent) {
    if (Window* up = FindLocked(w.parent)) drop(up->children);
  } else {
    drop(S().topLevels);
  }
}

HWND NewHandleLocked() {
  S().nextHandle += 4;
  return reinterpret_cast<HWND>(S().nextHandle);
}

}  // namespace

void RegisterSystemClass(std::u16string_view name, WNDPROC proc, int wndExtra) {
  std::lock_guard guard(S().lock);
  for (auto& [n, v] : SystemClasses())
    if (n == name) return;
  SystemClasses().push_back({std::u16string(name), {proc, wndExtra}});
  WNDCLASSW wc;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = wndExtra;
  wc.style = CS_DBLCLKS;
  RegisterLocked(name, wc);
}

void RegisterControlClasses();  // Controls.cpp
void RegisterDialogClass();     // Dialog.cpp
void RegisterMenuClass();       // Menu.cpp

void EnsureSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterControlClasses();
    RegisterDialogClass();
    RegisterMenuClass();
  });
}

namespace {
std::atomic<ForeignWindows*> g_foreign{nullptr};
std::atomic<ShellObserver> g_shellObserver{nullptr};
}  // namespace

void SetForeignWindows(ForeignWindows* handler) { g_foreign = handler; }
ForeignWindows* GetForeignWindows() { return g_foreign; }

void MarkShellWindow(HWND hwnd) {
  std::lock_guard guard(S().lock);
  if (Window* w = FindLocked(hwnd)) w->shell = true;
}

void SetShellObserver(ShellObserver observer) { g_shellObserver = observer; }

void NotifyShell() {
  if (ShellObserver observer = g_shellObserver) observer();
}

}  // namespace platform::user

using namespace platform::user;

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

// Puts a top-level window on top of its band.
void InsertOnTopLocked(HWND hwnd) {
  auto& list = S().topLevels;
  auto at = list.begin();
  if (!IsTopmostLocked(hwnd)) at = std::find_if(list.begin(), list.end(), [](HWND h) { return !IsTopmostLocked(h); });
  list.insert(at, hwnd);
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

bool IsInSubtreeLocked(HWND hwnd, HWND root) {
  for (Window* w = FindLocked(hwnd); w; w = (w->style & WS_CHILD) ? FindLocked(w->parent) : nullptr)
    if (w->handle == root) return true;
  return false;
}

void CollectPreOrderLocked(HWND hwnd, std::vector<HWND>& out, bool skipDestroying = false) {
  Window* w = FindLocked(hwnd);
  if (!w) return;
  out.push_back(hwnd);
  for (HWND c : w->children)
    if (Window* cw = FindLocked(c); cw && !(skipDestroying && cw->destroying))
      CollectPreOrderLocked(c, out, skipDestroying);
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

// Removes a window whose WM_NCDESTROY has run: its timers, hot keys, posted messages
// and its place in the tree.
void RemoveWindowLocked(HWND hwnd) {
  Window* w = FindLocked(hwnd);
  if (!w) return;
  auto& st = S();
  st.timers.erase(std::remove_if(st.timers.begin(), st.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                  st.timers.end());
  st.hotKeys.erase(std::remove_if(st.hotKeys.begin(), st.hotKeys.end(), [&](const HotKey& k) { return k.hwnd == hwnd; }),
                   st.hotKeys.end());
  for (auto& [id, q] : st.queues)
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                   q.posted.end());
  if (st.focus == hwnd) st.focus = nullptr;
  if (st.active == hwnd) st.active = nullptr;
  if (st.foreground == hwnd) st.foreground = nullptr;
  if (st.capture == hwnd) st.capture = nullptr;
  UnlinkLocked(*w);
  for (HWND c : w->children)
    if (Window* cw = FindLocked(c)) cw->parent = nullptr;  // already gone in a normal destroy
  std::shared_ptr<WindowData> data = std::move(w->data);
  st.windows.erase(hwnd);
  // `data` dies here, still under the lock: class data holds no windows of its own.
}

}  // namespace

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

// ---- Classes ----------------------------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW* wc) {
  EnsureSystemClasses();
  if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard guard(S().lock);
  std::u16string key = ClassKey(wc->lpszClassName);
  if (S().classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  RegisterLocked(wc->lpszClassName, *wc);
  int index = 0xC000;
  for (auto& [k, cls] : S().classes) {
    if (k == key) return static_cast<ATOM>(index);
    ++index;
  }
  return 0;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  std::lock_guard guard(S().lock);
  std::u16string key = ClassKey(className);
  auto it = S().classes.find(key);
  if (it == S().classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto& [h, w] : S().windows)
    if (w->cls == it->second) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  S().classes.erase(it);
  return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* wc) {
  EnsureSystemClasses();
  std::lock_guard guard(S().lock);
  auto it = S().classes.find(ClassKey(className));
  if (it == S().classes.end() || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wc = it->second->wc;
  wc->lpszClassName = className;
  return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR name, int cchName) {
  std::u16string n = ClassNameOf(hwnd);
  if (!name || cchName <= 0 || !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  size_t count = std::min<size_t>(n.size(), static_cast<size_t>(cchName - 1));
  std::copy_n(n.data(), count, name);
  name[count] = 0;
  return static_cast<int>(count);
}

// ---- Creation and destruction -----------------------------------------------------------

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param) {
  EnsureSystemClasses();
  HWND hwnd = nullptr;
  {
    std::lock_guard guard(S().lock);
    auto it = S().classes.find(ClassKey(className));
    if (it == S().classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if ((style & WS_CHILD) && !FindLocked(parent)) {
      SetLastError(parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    if (parent && !FindLocked(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    auto w = std::make_unique<Window>();
    hwnd = NewHandleLocked();
    w->handle = hwnd;
    w->cls = it->second;
    w->proc = it->second->wc.lpfnWndProc;
    w->style = style & ~WS_VISIBLE;  // shown below, after creation
    w->exStyle = exStyle;
    w->instance = instance;
    w->thread = GetCurrentThreadId();
    bool child = style & WS_CHILD;
    // A top-level window placed by the system takes the work area: the screen below the
    // navigation bar (the menu bar lies over its foot).
    if (x == CW_USEDEFAULT) {
      x = 0;
      y = child ? 0 : platform::TaskBarHeight();
    }
    if (width == CW_USEDEFAULT) {
      width = child ? 0 : platform::ScreenWidth();
      height = child ? 0 : platform::ScreenHeight() - platform::TaskBarHeight();
    }
    w->rect = RECT{x, y, x + width, y + height};
    if (child) {
      w->parent = parent;
      w->id = reinterpret_cast<UINT_PTR>(menuOrId);
      FindLocked(parent)->children.push_back(hwnd);
    } else {
      w->owner = parent ? TopLevelLocked(parent) : nullptr;
      w->menu = menuOrId;
    }
    S().windows[hwnd] = std::move(w);
    if (!child) InsertOnTopLocked(hwnd);
  }

  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menuOrId;
  cs.hwndParent = parent;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (IsWindow(hwnd) && CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  RECT client;
  GetClientRect(hwnd, &client);
  CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  RECT r{};
  {
    std::lock_guard guard(S().lock);
    if (Window* w = FindLocked(hwnd)) r = w->rect;
  }
  CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  if ((style & WS_CHILD) && !(exStyle & WS_EX_NOPARENTNOTIFY) && IsWindow(parent))
    CallProc(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, LOWORD(reinterpret_cast<UINT_PTR>(menuOrId))),
             reinterpret_cast<LPARAM>(hwnd));
  if ((style & WS_VISIBLE) && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  std::vector<HWND> owned;
  bool wasActive = false;
  bool child = false;
  HWND parent = nullptr;
  UINT_PTR id = 0;
  DWORD exStyle = 0;
  {
    std::lock_guard guard(S().lock);
    Window* w = FindLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (w->thread != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return FALSE;
    w->destroying = true;
    for (HWND h : S().topLevels)
      if (Window* t = FindLocked(h); t && t->owner == hwnd) owned.push_back(h);
    wasActive = S().active == hwnd;
    child = w->style & WS_CHILD;
    parent = w->parent;
    id = w->id;
    exStyle = w->exStyle;
  }
  for (HWND h : owned) DestroyWindow(h);

  // Hidden first; activation passes on before the window hears WM_DESTROY.
  bool wasVisible = false;
  {
    std::lock_guard guard(S().lock);
    if (Window* w = FindLocked(hwnd)) {
      wasVisible = IsVisibleLocked(hwnd);
      w->style &= ~WS_VISIBLE;
    }
  }
  if (wasVisible) InvalidateUncovered(hwnd);
  if (wasActive) {
    HWND next;
    {
      std::lock_guard guard(S().lock);
      next = NextActiveLocked(hwnd);
    }
    ActivateWithCode(next, WA_ACTIVE);
    std::lock_guard guard(S().lock);
    if (S().active == hwnd) S().active = nullptr;
  }
  HWND focus = GetFocus();
  bool focusInside;
  {
    std::lock_guard guard(S().lock);
    focusInside = focus && IsInSubtreeLocked(focus, hwnd);
    if (S().capture && IsInSubtreeLocked(S().capture, hwnd)) S().capture = nullptr;
  }
  if (focusInside) SetFocus(nullptr);
  if (child && !(exStyle & WS_EX_NOPARENTNOTIFY) && IsWindow(parent))
    CallProc(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, LOWORD(id)), reinterpret_cast<LPARAM>(hwnd));

  std::vector<HWND> tree;
  {
    std::lock_guard guard(S().lock);
    // A child already on its way out (its own handler destroys this window) has had
    // its WM_DESTROY, and the call destroying it finishes it.
    CollectPreOrderLocked(hwnd, tree, true);
    for (HWND h : tree)
      if (Window* w = FindLocked(h)) w->destroying = true;
  }
  for (HWND h : tree) CallProc(h, WM_DESTROY, 0, 0);
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    // A child made while the tree heard WM_DESTROY goes too, not left without a parent.
    std::vector<HWND> late;
    {
      std::lock_guard guard(S().lock);
      if (Window* w = FindLocked(*it))
        for (HWND c : w->children)
          if (Window* cw = FindLocked(c); cw && !cw->destroying) late.push_back(c);
    }
    for (HWND c : late) DestroyWindow(c);
    CallProc(*it, WM_NCDESTROY, 0, 0);
    std::lock_guard guard(S().lock);
    RemoveWindowLocked(*it);
  }
  if (!child && wasVisible) NotifyShell();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  std::lock_guard guard(S().lock);
  return FindLocked(hwnd) != nullptr;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  while (w && (w->style & WS_CHILD)) {
    if (w->parent == parent) return TRUE;
    w = FindLocked(w->parent);
  }
  return FALSE;
}

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

// ---- Show, enable, move -------------------------------------------------------------------

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

namespace platform::user {

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

// ---- Test support ----------------------------------------------------------------------------

namespace platform {

int LiveWindowCount() {
  std::lock_guard guard(S().lock);
  return static_cast<int>(std::count_if(S().windows.begin(), S().windows.end(), [](const auto& entry) {
    return !entry.second->shell;
  }));
}

void ResetWindowSystem() {
  EnsureSystemClasses();
  // The shell makes no new bar for windows that are on their way out.
  user::ShellObserver observer = user::g_shellObserver.exchange(nullptr);
  // Destroy what is left as the program would, so that class data is freed in order.
  for (;;) {
    HWND top = nullptr;
    {
      std::lock_guard guard(S().lock);
      for (auto& [h, w] : S().windows)
        if (!(w->style & WS_CHILD) && !w->destroying && w->thread == GetCurrentThreadId()) {
          top = h;
          break;
        }
    }
    if (!top) break;
    DestroyWindow(top);
  }
  user::g_shellObserver = observer;
  user::ResetDialogs();
  user::ResetMenus();
  user::ResetInput();
  std::lock_guard guard(S().lock);
  auto& st = S();
  st.windows.clear();
  st.topLevels.clear();
  st.queues.clear();
  st.timers.clear();
  st.hotKeys.clear();
  st.shellKeys = DefaultShellKeys();
  st.beeps.clear();
  st.keysDown.clear();
  st.keysDownRead.clear();
  st.penDown = st.penDownRead = false;
  st.focus = st.active = st.foreground = st.capture = nullptr;
  for (auto it = st.classes.begin(); it != st.classes.end();) {
    bool system = false;
    for (auto& [name, v] : SystemClasses())
      if (EqualsIgnoreCase(name, it->second->name)) system = true;
    it = system ? std::next(it) : st.classes.erase(it);
  }
}

std::string DescribeScreen() {
  std::lock_guard guard(S().lock);
  std::string out;
  std::function<void(HWND, int)> describe = [&](HWND h, int depth) {
    Window* w = FindLocked(h);
    if (!w || !(w->style & WS_VISIBLE)) return;
    out += std::string(static_cast<size_t>(depth) * 2, ' ');
    out += ToUtf8(w->cls->name);
    if (w->style & WS_CHILD) out += " #" + std::to_string(w->id);
    out += " \"" + ToUtf8(w->text) + "\"";
    out += " (" + std::to_string(w->rect.left) + "," + std::to_string(w->rect.top) + " " +
           std::to_string(w->rect.right - w->rect.left) + "x" + std::to_string(w->rect.bottom - w->rect.top) + ")";
    if (std::string items = MenuWindowItems(w->data); !items.empty()) out += " [" + items + "]";
    if (w->style & WS_DISABLED) out += " disabled";
    if (S().focus == h) out += " [focus]";
    if (S().active == h) out += " [active]";
    out += "\n";
    for (HWND c : w->children) describe(c, depth + 1);
  };
  for (auto it = S().topLevels.rbegin(); it != S().topLevels.rend(); ++it) describe(*it, 0);
  return out.empty() ? std::string("(no visible window)\n") : out;
}

}  // namespace platform

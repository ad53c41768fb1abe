// The window table and a window's life: the lookups the whole window system uses, creation
// and destruction, the hooks of the shell and of other processes' windows, and the reset
// and the picture of the table that tests use.
#include <algorithm>
#include <atomic>

#include "platform/base/Base.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowInternal.h"

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

HWND NewHandleLocked() {
  S().nextHandle += 4;
  return reinterpret_cast<HWND>(S().nextHandle);
}

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

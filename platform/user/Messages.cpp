// The message queues: sent and posted messages, the loops that read them, timers on the
// device clock, pen and key input, hot keys and beeps.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>

#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

namespace {

// How long a loop in a test waits for another thread's message once nothing is left
// to do, before it gives up. Only a test that is about to fail ever waits this long.
constexpr auto kIdleGrace = std::chrono::milliseconds(1500);
// Idle rounds in a row in which the idle handler claims to act but no message arrives.
constexpr int kIdleBudget = 200;

const HWND kBroadcast = HWND_BROADCAST;

std::atomic<DWORD> g_nextThreadId{1};

bool Due(DWORD now, DWORD due) { return static_cast<LONG>(now - due) >= 0; }

bool Matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
  if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter) {
    Window* w = FindLocked(m.hwnd);
    bool child = false;
    while (w && (w->style & WS_CHILD)) {
      if (w->parent == filter) {
        child = true;
        break;
      }
      w = FindLocked(w->parent);
    }
    if (!child) return false;
  }
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

DWORD WindowThreadLocked(HWND hwnd) {
  Window* w = FindLocked(hwnd);
  return w ? w->thread : 0;
}

bool HasInputLocked(DWORD thread) {
  ThreadQueue& q = QueueLocked(thread);
  if (!q.posted.empty() || !q.sent.empty() || q.quit || NextToPaintLocked(thread)) return true;
  DWORD now = GetTickCount();
  for (const Timer& t : S().timers)
    if (t.thread == thread && Due(now, t.due)) return true;
  return false;
}

// Waits until this thread has something to read; false when `limit` passed first.
bool WaitForInput(std::optional<std::chrono::milliseconds> limit) {
  DWORD me = GetCurrentThreadId();
  std::unique_lock guard(S().lock);
  auto deadline = std::chrono::steady_clock::now() + limit.value_or(std::chrono::hours(24 * 365));
  while (!HasInputLocked(me)) {
    auto wake = deadline;
    // On the real clock a timer falls due by itself; wake for it.
    if (!platform::TestClock::IsActive()) {
      DWORD now = GetTickCount();
      for (const Timer& t : S().timers)
        if (t.thread == me) {
          auto at = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<LONG>(t.due - now));
          wake = std::min(wake, at);
        }
    }
    if (S().changed.wait_until(guard, wake) == std::cv_status::timeout && std::chrono::steady_clock::now() >= deadline)
      return HasInputLocked(me);
  }
  return true;
}

bool CallIdle(HWND modal, const std::u16string& what) {
  platform::IdleHandler* handler;
  {
    std::lock_guard guard(S().lock);
    handler = S().idle;
  }
  return handler && handler->OnIdle(modal, what);
}

void PostLocked(DWORD thread, const MSG& m) {
  QueueLocked(thread).posted.push_back(m);
  S().changed.notify_all();
}

MSG MakeMsg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, POINT pt = {}) {
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  m.pt = pt;
  return m;
}

UINT ModifiersLocked(bool asRead = false) {
  UINT mods = 0;
  for (UINT vk : asRead ? S().keysDownRead : S().keysDown) {
    if (vk == VK_SHIFT) mods |= MOD_SHIFT;
    if (vk == VK_CONTROL) mods |= MOD_CONTROL;
    if (vk == VK_MENU) mods |= MOD_ALT;
  }
  return mods;
}

bool IsModifier(UINT vk) { return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU; }

void TrackKeyStateLocked(const MSG& m) {
  if (m.message == WM_LBUTTONDOWN) S().penDownRead = true;
  if (m.message == WM_LBUTTONUP) S().penDownRead = false;
  if ((m.message != WM_KEYDOWN && m.message != WM_KEYUP) || !IsModifier(static_cast<UINT>(m.wParam))) return;
  auto& held = S().keysDownRead;
  UINT vk = static_cast<UINT>(m.wParam);
  held.erase(std::remove(held.begin(), held.end(), vk), held.end());
  if (m.message == WM_KEYDOWN) held.push_back(vk);
}

}  // namespace

namespace platform::user {

ThreadQueue& QueueLocked(DWORD thread) { return S().queues[thread]; }

void DeliverSentMessages() {
  DWORD me = GetCurrentThreadId();
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard guard(S().lock);
      ThreadQueue& q = QueueLocked(me);
      if (q.sent.empty()) return;
      sent = q.sent.front();
      q.sent.pop_front();
      sent->taken = true;
    }
    LRESULT result = sent->call ? sent->call() : CallProc(sent->hwnd, sent->msg, sent->wParam, sent->lParam);
    std::lock_guard guard(S().lock);
    sent->result = result;
    sent->done = true;
    S().changed.notify_all();
  }
}

bool HasIdleHandler() {
  std::lock_guard guard(S().lock);
  return S().idle != nullptr;
}

void CallWindowUpdated() {
  platform::IdleHandler* handler;
  {
    std::lock_guard guard(S().lock);
    handler = S().idle;
  }
  if (handler) handler->OnWindowUpdated();
}

namespace {

// Keeps the window of a modal loop on the list of running ones while the loop runs: the
// windows behind it take no pen meanwhile.
class ModalScope {
 public:
  explicit ModalScope(HWND modal) : m_modal(modal) {
    if (!m_modal) return;
    std::lock_guard guard(S().lock);
    S().modal.push_back(m_modal);
  }
  ~ModalScope() {
    if (!m_modal) return;
    std::lock_guard guard(S().lock);
    auto& list = S().modal;
    if (auto it = std::find(list.rbegin(), list.rend(), m_modal); it != list.rend()) list.erase(std::next(it).base());
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  HWND m_modal;
};

}  // namespace

bool RunModalLoop(HWND modal, const std::u16string& what, const std::function<bool()>& done,
                  const std::function<bool(MSG&)>& filter, const std::function<bool()>& ownIdle) {
  ModalScope scope(modal);
  int idleRounds = 0;
  while (!done()) {
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      idleRounds = 0;
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        return true;
      }
      if (filter && filter(m)) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
      continue;
    }
    if (done()) break;
    if (ownIdle && ownIdle()) continue;
    if (CallIdle(modal, what) && ++idleRounds < kIdleBudget) continue;
    bool test = platform::TestClock::IsActive();
    if (!WaitForInput(test ? std::optional(kIdleGrace) : std::nullopt)) {
      std::fprintf(stderr, "[window system] %s stayed idle with nothing to do; giving up. On screen:\n%s",
                   platform::ToUtf8(what).c_str(), platform::DescribeScreen().c_str());
      return false;
    }
    idleRounds = 0;
  }
  return true;
}

}  // namespace platform::user

DWORD GetCurrentThreadId() {
  thread_local DWORD id = g_nextThreadId++;
  return id;
}

// ---- Sending and posting -------------------------------------------------------------------

namespace {

// Runs `sent` on the thread of its window and waits for the answer, answering messages
// sent to this thread meanwhile so that two threads sending to each other do not lock up.
// A window of this thread runs it at once.
LRESULT SendToWindowThread(const std::shared_ptr<SentMessage>& sent) {
  HWND hwnd = sent->hwnd;
  DWORD me = GetCurrentThreadId();
  DWORD thread = 0;
  {
    std::lock_guard guard(S().lock);
    thread = WindowThreadLocked(hwnd);
    if (!thread) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (thread != me) {
      QueueLocked(thread).sent.push_back(sent);
      S().changed.notify_all();
    }
  }
  if (thread == me) return sent->call ? sent->call() : CallProc(hwnd, sent->msg, sent->wParam, sent->lParam);
  for (;;) {
    DeliverSentMessages();
    std::unique_lock guard(S().lock);
    if (sent->done) return sent->result;
    // A window that died before its thread took the message never answers. Once taken,
    // the procedure may still read what lParam points to, so wait for it to return even
    // when it destroys its window on the way.
    if (!sent->taken && !FindLocked(hwnd)) {
      auto& pending = QueueLocked(thread).sent;
      pending.erase(std::remove(pending.begin(), pending.end(), sent), pending.end());
      return 0;
    }
    S().changed.wait_for(guard, std::chrono::milliseconds(50),
                         [&] { return sent->done || !QueueLocked(me).sent.empty(); });
    if (sent->done) return sent->result;
  }
}

}  // namespace

namespace platform::user {

LRESULT CallOnWindowThread(HWND hwnd, std::function<LRESULT()> call) {
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hwnd;
  sent->call = std::move(call);
  return SendToWindowThread(sent);
}

}  // namespace platform::user

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == kBroadcast) {
    std::vector<HWND> tops;
    {
      std::lock_guard guard(S().lock);
      tops = S().topLevels;
    }
    for (HWND h : tops) SendMessageW(h, msg, wParam, lParam);
    return 0;
  }
  if (ForeignWindows* foreign = GetForeignWindows(); foreign && foreign->IsForeign(hwnd))
    return foreign->Send(hwnd, msg, wParam, lParam);
  bool own = false;
  {
    std::lock_guard guard(S().lock);
    own = WindowThreadLocked(hwnd) == GetCurrentThreadId();
  }
  // A window of this thread: its procedure runs at once (no record of the message needed).
  if (own) return CallProc(hwnd, msg, wParam, lParam);
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hwnd;
  sent->msg = msg;
  sent->wParam = wParam;
  sent->lParam = lParam;
  return SendToWindowThread(sent);
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessageW(GetCurrentThreadId(), msg, wParam, lParam);
  std::lock_guard guard(S().lock);
  if (hwnd == kBroadcast) {
    for (HWND h : S().topLevels) PostLocked(WindowThreadLocked(h), MakeMsg(h, msg, wParam, lParam));
    return TRUE;
  }
  DWORD thread = WindowThreadLocked(hwnd);
  if (!thread) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  PostLocked(thread, MakeMsg(hwnd, msg, wParam, lParam));
  return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard guard(S().lock);
  PostLocked(threadId, MakeMsg(nullptr, msg, wParam, lParam));
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard guard(S().lock);
  ThreadQueue& q = QueueLocked(GetCurrentThreadId());
  q.quit = true;
  q.quitCode = exitCode;
  S().changed.notify_all();
}

// ---- Reading ---------------------------------------------------------------------------------

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) return FALSE;
  DeliverSentMessages();
  DWORD me = GetCurrentThreadId();
  bool remove = removeFlags & PM_REMOVE;
  std::lock_guard guard(S().lock);
  ThreadQueue& q = QueueLocked(me);
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
    *msg = *it;
    if (remove) {
      q.posted.erase(it);
      TrackKeyStateLocked(*msg);
    }
    q.lastPos = MAKELONG(static_cast<WORD>(msg->pt.x), static_cast<WORD>(msg->pt.y));
    q.lastTime = static_cast<LONG>(msg->time);
    return TRUE;
  }
  if (q.quit && ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
    *msg = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0);
    if (remove) q.quit = false;
    return TRUE;
  }
  if (HWND paint = NextToPaintLocked(me)) {
    MSG m = MakeMsg(paint, WM_PAINT, 0, 0);
    if (Matches(m, hwnd, filterMin, filterMax)) {
      *msg = m;
      return TRUE;
    }
  }
  DWORD now = GetTickCount();
  for (Timer& t : S().timers) {
    if (t.thread != me || !Due(now, t.due)) continue;
    MSG m = MakeMsg(t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
    if (!Matches(m, hwnd, filterMin, filterMax)) continue;
    *msg = m;
    if (remove) t.due = now + t.elapse;
    return TRUE;
  }
  return FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  int idleRounds = 0;
  for (;;) {
    if (PeekMessageW(msg, hwnd, filterMin, filterMax, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
    if (CallIdle(nullptr, u"message loop") && ++idleRounds < kIdleBudget) continue;
    bool test = platform::TestClock::IsActive();
    if (!WaitForInput(test ? std::optional(kIdleGrace) : std::nullopt)) {
      std::fprintf(stderr, "[window system] GetMessageW has nothing to read and nobody to wait for; "
                           "answering WM_QUIT. On screen:\n%s",
                   platform::DescribeScreen().c_str());
      *msg = MakeMsg(nullptr, WM_QUIT, 0, 0);
      return FALSE;
    }
    idleRounds = 0;
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  WCHAR ch = 0;
  UINT vk = static_cast<UINT>(msg->wParam);
  std::lock_guard guard(S().lock);
  UINT mods = ModifiersLocked(true);
  if (vk == VK_PACKET) {
    ch = static_cast<WCHAR>(HIWORD(static_cast<DWORD_PTR>(msg->lParam)));
  } else if (vk >= 'A' && vk <= 'Z') {
    if (mods & MOD_CONTROL) ch = static_cast<WCHAR>(vk - 'A' + 1);
    else ch = static_cast<WCHAR>((mods & MOD_SHIFT) ? vk : vk + ('a' - 'A'));
  } else if (vk >= '0' && vk <= '9') {
    ch = static_cast<WCHAR>(vk);
  } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_ESCAPE) {
    ch = static_cast<WCHAR>(vk);
  }
  if (!ch) return FALSE;
  // The character comes before anything already queued (the key's own release).
  QueueLocked(GetCurrentThreadId()).posted.push_front(MakeMsg(msg->hwnd, WM_CHAR, ch, msg->lParam, msg->pt));
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  // A timer without a window still has its procedure to run.
  if (msg->message == WM_TIMER && msg->lParam) {
    {
      std::lock_guard guard(S().lock);
      bool alive = std::any_of(S().timers.begin(), S().timers.end(),
                               [&](const Timer& t) { return t.hwnd == msg->hwnd && t.id == msg->wParam; });
      if (!alive) return 0;
    }
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  if (msg->message == WM_LBUTTONDOWN) {
    // A tap on a window that is not active activates it first.
    HWND top = nullptr;
    {
      std::lock_guard guard(S().lock);
      HWND t = TopLevelLocked(msg->hwnd);
      Window* tw = FindLocked(t);
      if (tw && t != S().active && IsEnabledLocked(t) && !(tw->exStyle & WS_EX_NOACTIVATE)) top = t;
    }
    if (top) ActivateWithCode(top, WA_CLICKACTIVE);
  }
  LRESULT result = CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) {
    // A procedure that did not paint must not have the same WM_PAINT again and again.
    std::lock_guard guard(S().lock);
    if (Window* w = FindLocked(msg->hwnd)) {
      w->dirty = false;
      w->erase = false;
      w->update = RECT{};
    }
  }
  return result;
}

DWORD GetMessagePos() {
  std::lock_guard guard(S().lock);
  return QueueLocked(GetCurrentThreadId()).lastPos;
}

LONG GetMessageTime() {
  std::lock_guard guard(S().lock);
  return QueueLocked(GetCurrentThreadId()).lastTime;
}

// ---- Timers -----------------------------------------------------------------------------------

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  std::lock_guard guard(S().lock);
  DWORD me = GetCurrentThreadId();
  if (hwnd) {
    Window* w = FindLocked(hwnd);
    if (!w || w->thread != me) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
  } else {
    // Timers without a window get an id of their own.
    static UINT_PTR next = 0x7000;
    id = ++next;
  }
  elapse = std::max<UINT>(elapse, 10);
  auto& timers = S().timers;
  auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  Timer t;
  t.hwnd = hwnd;
  t.id = id;
  t.elapse = elapse;
  t.proc = proc;
  t.due = GetTickCount() + elapse;
  t.thread = me;
  if (it != timers.end()) *it = t;
  else timers.push_back(t);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard guard(S().lock);
  auto& timers = S().timers;
  auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  timers.erase(it);
  // A WM_TIMER already queued for it is dropped too.
  for (auto& [thread, q] : S().queues)
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(),
                                  [&](const MSG& m) { return m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == id; }),
                   q.posted.end());
  return TRUE;
}

// ---- Hot keys and beeps ------------------------------------------------------------------------

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk) {
  std::lock_guard guard(S().lock);
  if (hwnd && !FindLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto& keys = S().hotKeys;
  modifiers &= ~MOD_KEYUP;
  auto& held = S().shellKeys;
  if ((modifiers & MOD_WIN) && std::find(held.begin(), held.end(), vk) != held.end()) {
    SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
    return FALSE;
  }
  for (const HotKey& k : keys)
    if (k.vk == vk && k.modifiers == modifiers && !(k.hwnd == hwnd && k.id == id)) {
      SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
      return FALSE;
    }
  keys.erase(std::remove_if(keys.begin(), keys.end(), [&](const HotKey& k) { return k.hwnd == hwnd && k.id == id; }),
             keys.end());
  keys.push_back(HotKey{hwnd, id, modifiers, vk});
  return TRUE;
}

extern "C" BOOL UnregisterFunc1(UINT modifiers, int id) {
  std::lock_guard guard(S().lock);
  if (!(modifiers & MOD_WIN)) return TRUE;
  auto& held = S().shellKeys;
  held.erase(std::remove(held.begin(), held.end(), static_cast<UINT>(id)), held.end());
  return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) {
  std::lock_guard guard(S().lock);
  auto& keys = S().hotKeys;
  auto it = std::find_if(keys.begin(), keys.end(), [&](const HotKey& k) { return k.hwnd == hwnd && k.id == id; });
  if (it == keys.end()) {
    SetLastError(ERROR_HOTKEY_NOT_REGISTERED);
    return FALSE;
  }
  keys.erase(it);
  return TRUE;
}

SHORT GetKeyState(int vk) {
  std::lock_guard guard(S().lock);
  if (vk == static_cast<int>(VK_LBUTTON)) return S().penDownRead ? static_cast<SHORT>(0x8000) : 0;
  auto& held = S().keysDownRead;
  return std::find(held.begin(), held.end(), static_cast<UINT>(vk)) != held.end() ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int vk) {
  std::lock_guard guard(S().lock);
  if (vk == static_cast<int>(VK_LBUTTON)) return S().penDown ? static_cast<SHORT>(0x8000) : 0;
  auto& held = S().keysDown;
  return std::find(held.begin(), held.end(), static_cast<UINT>(vk)) != held.end() ? static_cast<SHORT>(0x8000) : 0;
}

BOOL MessageBeep(UINT type) {
  std::lock_guard guard(S().lock);
  S().beeps.push_back(type);
  return TRUE;
}

// ---- Input as a person gives it ---------------------------------------------------------------

namespace {

// Whether the top-level window `top` takes the pen. While a modal dialog, message box or
// popup menu runs, only that window, what lies above it (its own popups) and the shell's
// windows (bars, panel) do: a window behind it takes no tap, whoever owns it. Otherwise the
// window under the point does (a screen in front covers what lies behind it).
bool TakesPenLocked(HWND top) {
  // The shell's windows judge for themselves what a tap does while a screen waits.
  if (Window* w = FindLocked(top); w && w->shell) return true;
  HWND modal = nullptr;
  for (auto it = S().modal.rbegin(); it != S().modal.rend() && !modal; ++it)
    if (Window* m = FindLocked(*it); m && !m->destroying && IsVisibleLocked(*it)) modal = TopLevelLocked(*it);
  if (!modal || top == modal) return true;
  for (HWND h : S().topLevels) {
    if (h == top) return true;
    if (h == modal) return false;
  }
  return true;
}

void PostPen(UINT msg, POINT screen) {
  std::lock_guard guard(S().lock);
  if (msg == WM_LBUTTONDOWN) S().penDown = true;
  if (msg == WM_LBUTTONUP) S().penDown = false;
  HWND target = PenTargetLocked(screen);
  if (!target) return;
  Window* w = FindLocked(target);
  POINT o = ClientOriginLocked(*w);
  WPARAM keys = msg == WM_LBUTTONUP ? 0 : MK_LBUTTON;
  PostLocked(w->thread, MakeMsg(target, msg, keys, MAKELPARAM(screen.x - o.x, screen.y - o.y), screen));
}

void PostKey(UINT vk, bool down) {
  std::lock_guard guard(S().lock);
  auto& held = S().keysDown;
  bool modifier = IsModifier(vk);
  if (modifier && down) held.push_back(vk);
  UINT mods = ModifiersLocked();
  if (modifier && !down) held.erase(std::remove(held.begin(), held.end(), vk), held.end());
  // The application buttons come as Windows-key combinations; while the shell holds one,
  // pressing it is the shell's business and the program sees nothing.
  if (vk >= kFirstApplicationButton && vk <= kLastApplicationButton) {
    mods |= MOD_WIN;
    auto& shell = S().shellKeys;
    if (std::find(shell.begin(), shell.end(), vk) != shell.end()) return;
  }
  for (const HotKey& k : S().hotKeys) {
    if (k.vk != vk || k.modifiers != (mods & ~MOD_KEYUP)) continue;
    MSG m = MakeMsg(k.hwnd, WM_HOTKEY, static_cast<WPARAM>(k.id), MAKELPARAM(mods | (down ? 0 : MOD_KEYUP), vk));
    DWORD thread = k.hwnd ? WindowThreadLocked(k.hwnd) : GetCurrentThreadId();
    PostLocked(thread, m);
    return;
  }
  HWND target = S().focus ? S().focus : S().active;
  if (!target) return;
  LPARAM lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
  PostLocked(WindowThreadLocked(target), MakeMsg(target, down ? WM_KEYDOWN : WM_KEYUP, vk, lParam));
}

}  // namespace

HWND platform::user::PenTargetLocked(POINT screen) {
  if (S().capture) return S().capture;
  for (HWND h : S().topLevels) {
    Window* w = FindLocked(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (screen.x < w->rect.left || screen.x >= w->rect.right || screen.y < w->rect.top || screen.y >= w->rect.bottom)
      continue;
    if (!TakesPenLocked(h)) return nullptr;
    HWND at = h;
    for (bool descended = true; descended;) {
      descended = false;
      Window* cur = FindLocked(at);
      POINT o = ClientOriginLocked(*cur);
      POINT local{screen.x - o.x, screen.y - o.y};
      for (HWND c : cur->children) {
        Window* cw = FindLocked(c);
        if (cw && (cw->style & WS_VISIBLE) && local.x >= cw->rect.left && local.x < cw->rect.right &&
            local.y >= cw->rect.top && local.y < cw->rect.bottom) {
          at = c;
          descended = true;
          break;
        }
      }
    }
    // Disabled windows take no pen input (a modal dialog's owner, a greyed control).
    return IsEnabledLocked(at) ? at : nullptr;
  }
  return nullptr;
}

namespace platform {

void PenDown(POINT screen) { PostPen(WM_LBUTTONDOWN, screen); }
void PenMove(POINT screen) { PostPen(WM_MOUSEMOVE, screen); }
void PenUp(POINT screen) { PostPen(WM_LBUTTONUP, screen); }
void Tap(POINT screen) {
  PenDown(screen);
  PenUp(screen);
}

void KeyDown(UINT vk) { PostKey(vk, true); }
void KeyUp(UINT vk) { PostKey(vk, false); }
void PressKey(UINT vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void TypeText(std::u16string_view text) {
  for (WCHAR c : text) {
    if (c == u'\t') PressKey(VK_TAB);
    else if (c == u'\r' || c == u'\n') PressKey(VK_RETURN);
    else if (c == u'\b') PressKey(VK_BACK);
    else if (c == 27) PressKey(VK_ESCAPE);
    else {
      std::lock_guard guard(S().lock);
      HWND target = S().focus ? S().focus : S().active;
      if (!target) continue;
      DWORD thread = WindowThreadLocked(target);
      LPARAM packed = static_cast<LPARAM>(static_cast<DWORD>(1u | (static_cast<DWORD>(c) << 16)));
      PostLocked(thread, MakeMsg(target, WM_KEYDOWN, VK_PACKET, packed));
      PostLocked(thread, MakeMsg(target, WM_KEYUP, VK_PACKET, packed));
    }
  }
}

int PumpMessages() {
  int count = 0;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
    ++count;
  }
  return count;
}

std::vector<UINT> BeepLog() {
  std::lock_guard guard(S().lock);
  return S().beeps;
}

IdleHandler* SetIdleHandler(IdleHandler* handler) {
  std::lock_guard guard(S().lock);
  IdleHandler* old = S().idle;
  S().idle = handler;
  return old;
}

}  // namespace platform

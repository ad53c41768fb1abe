// The window system's windows and messages.
//
//   WindowLife.*      creation and destruction: message order, refusal, relations, longs
//   Messages.*        sent (re-entrant, cross-thread) and posted messages, quit, subclassing
//   Timers.*          WM_TIMER on the test clock
//   Activation.*      focus and activation messages, the front after an owned window closes,
//                     pen routing, keys, hot keys
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/DeviceFixture.h"
#include "platform/user/Window.h"

namespace {

using platform::testing::DeviceTest;

std::vector<std::string> g_log;

std::string Name(UINT msg) {
  switch (msg) {
    case WM_NCCREATE: return "NCCREATE";
    case WM_CREATE: return "CREATE";
    case WM_SIZE: return "SIZE";
    case WM_MOVE: return "MOVE";
    case WM_SHOWWINDOW: return "SHOWWINDOW";
    case WM_ACTIVATE: return "ACTIVATE";
    case WM_SETFOCUS: return "SETFOCUS";
    case WM_KILLFOCUS: return "KILLFOCUS";
    case WM_DESTROY: return "DESTROY";
    case WM_NCDESTROY: return "NCDESTROY";
    case WM_PARENTNOTIFY: return "PARENTNOTIFY";
    case WM_LBUTTONDOWN: return "LBUTTONDOWN";
    case WM_LBUTTONUP: return "LBUTTONUP";
    case WM_KEYDOWN: return "KEYDOWN";
    case WM_KEYUP: return "KEYUP";
    case WM_CHAR: return "CHAR";
    case WM_HOTKEY: return "HOTKEY";
    case WM_TIMER: return "TIMER";
    case WM_ENABLE: return "ENABLE";
    default: {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%x", msg);
      return hex;
    }
  }
}

// Logs every message under the window's text (set at WM_NCCREATE by the default
// procedure, so the log starts after it).
LRESULT CALLBACK_Log(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WCHAR text[32] = {};
  if (msg != WM_NCCREATE && msg != WM_GETTEXT) GetWindowTextW(hwnd, text, 32);
  std::string who = msg == WM_NCCREATE ? platform::ToUtf8(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpszName)
                                       : platform::ToUtf8(text);
  bool painting = msg == WM_PAINT || msg == WM_ERASEBKGND || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC);
  if (msg != WM_GETTEXT && msg != WM_GETTEXTLENGTH && !painting) {
    std::string entry = who + ":" + Name(msg);
    if (msg == WM_ACTIVATE) entry += "(" + std::to_string(LOWORD(wParam)) + ")";
    if (msg == WM_CHAR) entry += "(" + std::string(1, static_cast<char>(wParam)) + ")";
    if (msg == WM_PARENTNOTIFY) entry += "(" + Name(LOWORD(wParam)) + ")";
    g_log.push_back(entry);
  }
  if (msg == WM_USER + 50) return 50;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class WindowTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_log.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = CALLBACK_Log;
    wc.lpszClassName = u"LogWindow";
    ASSERT_NE(RegisterClassW(&wc), 0);
  }
  HWND Top(const char16_t* name, DWORD style = WS_VISIBLE, RECT r = {0, 0, 240, 320}) {
    return CreateWindowExW(0, u"LogWindow", name, style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                           nullptr, nullptr, nullptr);
  }
  HWND Child(HWND parent, const char16_t* name, int id, RECT r, DWORD style = WS_CHILD | WS_VISIBLE) {
    return CreateWindowExW(0, u"LogWindow", name, style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
  }
};

using WindowLife = WindowTest;
using Messages = WindowTest;
using Timers = WindowTest;
using Activation = WindowTest;

TEST_F(WindowLife, CreateAndDestroySendTheirMessagesInOrder) {
  HWND main = Top(u"main");
  ASSERT_NE(main, nullptr);
  HWND child = Child(main, u"child", 7, {10, 10, 50, 30});
  ASSERT_NE(child, nullptr);
  std::vector<std::string> expectCreate = {
      "main:NCCREATE", "main:CREATE",     "main:SIZE",   "main:MOVE",           "main:SHOWWINDOW",
      "main:ACTIVATE(1)", "main:SETFOCUS", "child:NCCREATE", "child:CREATE",      "child:SIZE",
      "child:MOVE",   "main:PARENTNOTIFY(CREATE)", "child:SHOWWINDOW"};
  EXPECT_EQ(g_log, expectCreate);

  g_log.clear();
  EXPECT_TRUE(DestroyWindow(main));
  std::vector<std::string> expectDestroy = {"main:ACTIVATE(0)", "main:KILLFOCUS", "main:DESTROY",
                                            "child:DESTROY",    "child:NCDESTROY", "main:NCDESTROY"};
  EXPECT_EQ(g_log, expectDestroy);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(platform::LiveWindowCount(), 0);
}

TEST_F(WindowLife, OwnedWindowsDieBeforeTheirOwnerAndChildNotifiesParent) {
  HWND main = Top(u"main");
  HWND popup = CreateWindowExW(0, u"LogWindow", u"popup", WS_POPUP, 0, 0, 10, 10, main, nullptr, nullptr, nullptr);
  HWND child = Child(main, u"child", 3, {0, 0, 5, 5});
  EXPECT_EQ(GetParent(popup), main);  // the owner
  EXPECT_EQ(GetWindow(popup, GW_OWNER), main);
  g_log.clear();
  DestroyWindow(child);
  EXPECT_EQ(g_log, (std::vector<std::string>{"main:PARENTNOTIFY(DESTROY)", "child:DESTROY", "child:NCDESTROY"}));
  g_log.clear();
  DestroyWindow(main);
  ASSERT_GE(g_log.size(), 2u);
  EXPECT_EQ(g_log[0], "popup:DESTROY");
  EXPECT_EQ(g_log[1], "popup:NCDESTROY");
  EXPECT_EQ(platform::LiveWindowCount(), 0);
}

LRESULT DestroysParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CALLBACK_Log(hwnd, msg, wParam, lParam);
  if (msg == WM_DESTROY)
    if (HWND parent = GetParent(hwnd)) DestroyWindow(parent);
  return result;
}

TEST_F(WindowLife, AChildThatDestroysItsParentOnTheWayOutHearsEachMessageOnce) {
  WNDCLASSW wc;
  wc.lpfnWndProc = DestroysParent;
  wc.lpszClassName = u"DestroysParent";
  ASSERT_NE(RegisterClassW(&wc), 0);
  HWND main = Top(u"main");
  HWND child = CreateWindowExW(0, u"DestroysParent", u"child", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, main, nullptr,
                               nullptr, nullptr);
  g_log.clear();
  EXPECT_TRUE(DestroyWindow(child));
  EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "child:DESTROY"), 1);
  EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "main:DESTROY"), 1);
  EXPECT_EQ(g_log.back(), "child:NCDESTROY");
  EXPECT_EQ(platform::LiveWindowCount(), 0);
}

LRESULT MakesAChildOnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY)
    CreateWindowExW(0, u"LogWindow", u"late", WS_CHILD, 0, 0, 5, 5, hwnd, nullptr, nullptr, nullptr);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(WindowLife, AChildMadeDuringDestructionDiesWithItsParent) {
  WNDCLASSW wc;
  wc.lpfnWndProc = MakesAChildOnDestroy;
  wc.lpszClassName = u"MakesAChild";
  ASSERT_NE(RegisterClassW(&wc), 0);
  HWND main = CreateWindowExW(0, u"MakesAChild", u"", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  g_log.clear();
  EXPECT_TRUE(DestroyWindow(main));
  EXPECT_EQ(g_log, (std::vector<std::string>{"late:NCCREATE", "late:CREATE", "late:SIZE", "late:MOVE", "late:DESTROY",
                                             "late:NCDESTROY"}));
  EXPECT_EQ(platform::LiveWindowCount(), 0);
}

LRESULT RefuseCreate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  g_log.push_back(Name(msg));
  if (msg == WM_CREATE) return -1;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(WindowLife, RefusedCreationLeavesNoWindow) {
  WNDCLASSW wc;
  wc.lpfnWndProc = RefuseCreate;
  wc.lpszClassName = u"Refuser";
  ASSERT_NE(RegisterClassW(&wc), 0);
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  HWND h = CreateWindowExW(0, u"refuser", u"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"NCCREATE", "CREATE", "DESTROY", "NCDESTROY"}));
  EXPECT_EQ(platform::LiveWindowCount(), 0);
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(CreateWindowExW(0, u"LogWindow", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST_F(WindowLife, LongsTextRelationsAndCoordinates) {
  HWND main = Top(u"main", WS_VISIBLE | WS_BORDER, {20, 30, 220, 330});
  HWND a = Child(main, u"a", 101, {10, 20, 60, 40});
  HWND b = Child(main, u"b", 102, {10, 50, 60, 70});
  EXPECT_EQ(GetDlgItem(main, 102), b);
  EXPECT_EQ(GetDlgItem(main, 999), nullptr);
  EXPECT_EQ(GetDlgCtrlID(a), 101);
  EXPECT_EQ(GetWindow(main, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
  EXPECT_TRUE(IsChild(main, b));

  EXPECT_EQ(SetWindowLongW(a, GWL_USERDATA, 0x1234), 0);
  EXPECT_EQ(GetWindowLongW(a, GWL_USERDATA), 0x1234);
  EXPECT_EQ(SetWindowLongW(a, GWL_ID, 55), 101);
  EXPECT_EQ(GetDlgItem(main, 55), a);
  EXPECT_TRUE(GetWindowLongW(a, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetWindowLongW(a, 0), 0);  // no extra bytes in this class
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);

  EXPECT_TRUE(SetWindowTextW(a, u"Hello"));
  WCHAR buf[4];
  EXPECT_EQ(GetWindowTextW(a, buf, 4), 3);  // cut to the buffer, terminated
  EXPECT_EQ(std::u16string(buf), u"Hel");
  EXPECT_EQ(GetWindowTextLengthW(a), 5);

  RECT client;
  GetClientRect(main, &client);  // the one-pixel border is not client area
  EXPECT_EQ(client.right, 198);
  EXPECT_EQ(client.bottom, 298);
  POINT p{0, 0};
  ClientToScreen(a, &p);
  EXPECT_EQ(p.x, 20 + 1 + 10);
  EXPECT_EQ(p.y, 30 + 1 + 20);
  ScreenToClient(main, &p);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
  RECT wr;
  GetWindowRect(b, &wr);
  EXPECT_EQ(wr.left, 31);
  EXPECT_EQ(wr.top, 81);
  EXPECT_EQ(WindowFromPoint(POINT{35, 85}), b);
  EXPECT_EQ(WindowFromPoint(POINT{150, 200}), main);

  EXPECT_EQ(FindWindowW(u"logwindow", u"main"), main);
  EXPECT_EQ(FindWindowW(nullptr, u"a"), nullptr);  // children are not top-level windows
  MoveWindow(b, 0, 0, 5, 5, TRUE);
  GetWindowRect(b, &wr);
  EXPECT_EQ(wr.right - wr.left, 5);
  DestroyWindow(main);
}

// ---- Messages ------------------------------------------------------------------------------

int g_depth = 0;
int g_maxDepth = 0;

LRESULT Recursive(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER) {
    ++g_depth;
    g_maxDepth = std::max(g_maxDepth, g_depth);
    LRESULT r = wParam == 0 ? 1 : 1 + SendMessageW(hwnd, WM_USER, wParam - 1, 0);
    --g_depth;
    return r;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Messages, SentMessagesReenterTheWindowProcedure) {
  WNDCLASSW wc;
  wc.lpfnWndProc = Recursive;
  wc.lpszClassName = u"Recursive";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, u"Recursive", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  g_depth = g_maxDepth = 0;
  EXPECT_EQ(SendMessageW(h, WM_USER, 5, 0), 6);
  EXPECT_EQ(g_maxDepth, 6);
  EXPECT_EQ(g_depth, 0);
  DestroyWindow(h);
  EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

WNDPROC g_first = nullptr;
WNDPROC g_second = nullptr;

LRESULT SubclassA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER + 50) g_log.push_back("A");
  LRESULT r = CallWindowProcW(g_first, hwnd, msg, wParam, lParam);
  return msg == WM_USER + 50 ? r + 100 : r;
}

LRESULT SubclassB(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER + 50) {
    g_log.push_back("B");
    if (wParam == 1) return 7;  // swallowed: the older procedures never see it
  }
  return CallWindowProcW(g_second, hwnd, msg, wParam, lParam);
}

TEST_F(Messages, SubclassingChainsCallTheOlderProcedures) {
  HWND h = Top(u"w", 0);
  g_first = reinterpret_cast<WNDPROC>(SetWindowLongW(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassA)));
  g_second = reinterpret_cast<WNDPROC>(SetWindowLongW(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassB)));
  EXPECT_EQ(g_first, CALLBACK_Log);
  EXPECT_EQ(g_second, SubclassA);
  g_log.clear();
  EXPECT_EQ(SendMessageW(h, WM_USER + 50, 0, 0), 150);
  EXPECT_EQ(g_log, (std::vector<std::string>{"B", "A", "w:0x432"}));
  g_log.clear();
  EXPECT_EQ(SendMessageW(h, WM_USER + 50, 1, 0), 7);
  EXPECT_EQ(g_log, (std::vector<std::string>{"B"}));
  // Restoring the original procedure undoes the chain.
  SetWindowLongW(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_first));
  EXPECT_EQ(SendMessageW(h, WM_USER + 50, 0, 0), 50);
  DestroyWindow(h);
}

std::atomic<DWORD> g_handledOn{0};

LRESULT ThreadAware(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER) {
    g_handledOn = GetCurrentThreadId();
    return static_cast<LRESULT>(wParam * 2);
  }
  if (msg == WM_USER + 2) {  // destroys its window, then still uses what the sender gave
    DestroyWindow(hwnd);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    *reinterpret_cast<std::atomic<int>*>(lParam) = 7;
    return 9;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Messages, CrossThreadSendRunsOnTheOwningThreadWhenItReadsItsQueue) {
  WNDCLASSW wc;
  wc.lpfnWndProc = ThreadAware;
  wc.lpszClassName = u"ThreadAware";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, u"ThreadAware", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  std::atomic<bool> returned{false};
  std::atomic<LRESULT> result{0};
  std::thread other([&] {
    result = SendMessageW(h, WM_USER, 21, 0);
    returned = true;
    PostMessageW(h, WM_USER + 1, 0, 0);
  });
  // The sender waits until this thread reads its queue; GetMessageW handles the sent
  // message and then returns the posted one.
  MSG m;
  ASSERT_TRUE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER + 1);
  other.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(g_handledOn, GetCurrentThreadId());
  DWORD process = 0;
  EXPECT_EQ(GetWindowThreadProcessId(h, &process), GetCurrentThreadId());
  EXPECT_NE(process, 0u);
  DestroyWindow(h);
}

TEST_F(Messages, CrossThreadSendWaitsForAProcedureThatDestroysItsWindow) {
  WNDCLASSW wc;
  wc.lpfnWndProc = ThreadAware;
  wc.lpszClassName = u"ThreadAware";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, u"ThreadAware", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  std::atomic<int> written{0};
  std::atomic<LRESULT> result{0};
  std::atomic<int> writtenOnReturn{0};
  DWORD me = GetCurrentThreadId();
  std::thread other([&] {
    result = SendMessageW(h, WM_USER + 2, 0, reinterpret_cast<LPARAM>(&written));
    writtenOnReturn = written.load();
    PostThreadMessageW(me, WM_USER + 3, 0, 0);
  });
  MSG m;
  ASSERT_TRUE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER + 3);
  other.join();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(result, 9);
  EXPECT_EQ(writtenOnReturn, 7);
}

TEST_F(Messages, PostedMessagesKeepTheirOrderAndQuitComesLast) {
  HWND h = Top(u"w", 0);
  PostQuitMessage(3);
  PostMessageW(h, WM_USER + 1, 1, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_USER + 2, 2, 0);
  PostMessageW(h, WM_USER + 3, 3, 0);
  MSG m;
  std::vector<UINT> got;
  while (GetMessageW(&m, nullptr, 0, 0)) got.push_back(m.message);
  EXPECT_EQ(got, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  // A filter leaves other messages queued.
  PostMessageW(h, WM_USER + 5, 0, 0);
  PostMessageW(h, WM_USER + 6, 0, 0);
  EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 6, WM_USER + 6, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 6);
  EXPECT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 5);
  DestroyWindow(h);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));  // messages for a dead window go with it
}

TEST_F(Messages, BroadcastsReachEveryTopLevelWindowButNoChild) {
  HWND a = Top(u"a", 0);
  HWND b = Top(u"b", 0);
  HWND child = Child(a, u"c", 1, {0, 0, 5, 5}, WS_CHILD);
  g_log.clear();
  SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 224, 0);
  PostMessageW(HWND_BROADCAST, WM_USER + 50, 0, 0);
  platform::PumpMessages();
  std::sort(g_log.begin(), g_log.end());
  EXPECT_EQ(g_log, (std::vector<std::string>{"a:0x1a", "a:0x432", "b:0x1a", "b:0x432"}));
  DestroyWindow(b);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(Messages, AnEmptyQueueInATestGivesUpInsteadOfWaitingForEver) {
  // Nothing posted and no other thread to post: the loop ends as if told to quit.
  MSG m;
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.message, WM_QUIT);
  // A message another thread posts meanwhile is still received.
  DWORD me = GetCurrentThreadId();
  std::thread poster([me] { PostThreadMessageW(me, WM_USER + 9, 0, 0); });
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, WM_USER + 9);
  poster.join();
}

// ---- Timers -------------------------------------------------------------------------------------

int CountTimers(UINT_PTR id) {
  int n = 0;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    if (m.message == WM_TIMER && m.wParam == id) ++n;
  return n;
}

TEST_F(Timers, FireOnlyWhenTheTestClockHasPassedTheirTime) {
  HWND h = Top(u"w", 0);
  EXPECT_EQ(SetTimer(h, 9, 500, nullptr), 9u);
  EXPECT_EQ(CountTimers(9), 0);
  platform::TestClock::Advance(499);
  EXPECT_EQ(CountTimers(9), 0);
  platform::TestClock::Advance(1);
  EXPECT_EQ(CountTimers(9), 1);
  EXPECT_EQ(CountTimers(9), 0);  // the next one is 500 ms on
  platform::TestClock::Advance(5000);
  EXPECT_EQ(CountTimers(9), 1);  // late timers do not pile up
  platform::TestClock::Advance(500);
  EXPECT_TRUE(KillTimer(h, 9));
  EXPECT_EQ(CountTimers(9), 0);
  EXPECT_FALSE(KillTimer(h, 9));
  SetTimer(h, 4, 100, nullptr);
  DestroyWindow(h);  // a window's timers die with it
  platform::TestClock::Advance(1000);
  EXPECT_EQ(CountTimers(4), 0);
}

int g_timerCalls = 0;
void OnTimer(HWND, UINT msg, UINT_PTR, DWORD) {
  if (msg == WM_TIMER) ++g_timerCalls;
}

TEST_F(Timers, TimerProceduresRunFromDispatch) {
  HWND h = Top(u"w", 0);
  g_timerCalls = 0;
  SetTimer(h, 1, 50, OnTimer);
  platform::TestClock::Advance(60);
  EXPECT_EQ(platform::PumpMessages(), 1);
  EXPECT_EQ(g_timerCalls, 1);
  DestroyWindow(h);
  // A timer without a window runs its procedure just the same.
  UINT_PTR id = SetTimer(nullptr, 0, 50, OnTimer);
  ASSERT_NE(id, 0u);
  platform::TestClock::Advance(60);
  EXPECT_EQ(platform::PumpMessages(), 1);
  EXPECT_EQ(g_timerCalls, 2);
  EXPECT_TRUE(KillTimer(nullptr, id));
}

// ---- Focus, activation and input -----------------------------------------------------------------

TEST_F(Activation, ShowingAndFocusingSendActivationAndFocusPairs) {
  HWND one = Top(u"one");
  HWND two = Top(u"two", 0);
  HWND edit = Child(two, u"edit", 5, {0, 0, 100, 20});
  g_log.clear();
  ShowWindow(two, SW_SHOW);
  EXPECT_EQ(g_log, (std::vector<std::string>{"two:SHOWWINDOW", "one:ACTIVATE(0)", "two:ACTIVATE(1)", "one:KILLFOCUS",
                                             "two:SETFOCUS"}));
  EXPECT_EQ(GetActiveWindow(), two);
  EXPECT_EQ(GetForegroundWindow(), two);
  g_log.clear();
  EXPECT_EQ(SetFocus(edit), two);
  EXPECT_EQ(g_log, (std::vector<std::string>{"two:KILLFOCUS", "edit:SETFOCUS"}));
  // Hiding the active window hands activation back.
  g_log.clear();
  ShowWindow(two, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), one);
  EXPECT_EQ(GetFocus(), one);
  EXPECT_EQ(g_log.front(), "two:SHOWWINDOW");
  // A disabled window takes no focus.
  EnableWindow(edit, FALSE);
  EXPECT_EQ(SetFocus(edit), nullptr);
  EXPECT_EQ(GetFocus(), one);
  DestroyWindow(two);
  DestroyWindow(one);
}

// A window that hands the activation on to another as it gets it.
HWND g_handOnTo = nullptr;
LRESULT HandsActivationOn(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CALLBACK_Log(hwnd, msg, wParam, lParam);
  if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && g_handOnTo) SetActiveWindow(g_handOnTo);
  return result;
}

TEST_F(Activation, TheForegroundIsTheWindowThatEndedUpActive) {
  HWND main = Top(u"main");
  HWND other = Top(u"other");
  WNDCLASSW wc;
  wc.lpfnWndProc = HandsActivationOn;
  wc.lpszClassName = u"HandsOn";
  RegisterClassW(&wc);
  HWND handing = CreateWindowExW(0, u"HandsOn", u"handing", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                                 nullptr);
  SetForegroundWindow(main);
  g_handOnTo = other;
  EXPECT_TRUE(SetForegroundWindow(handing));
  g_handOnTo = nullptr;
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(GetForegroundWindow(), other);
  DestroyWindow(handing);
  DestroyWindow(other);
  DestroyWindow(main);
}

TEST_F(Activation, AClosedOwnedWindowHandsTheFrontToItsOwnersTopmostOtherOwnedWindow) {
  HWND owner = Top(u"owner");
  auto owned = [&](const char16_t* name) {
    return CreateWindowExW(0, u"LogWindow", name, WS_VISIBLE, 0, 0, 240, 320, owner, nullptr, nullptr, nullptr);
  };
  HWND viewer = owned(u"viewer");
  HWND dialog = owned(u"dialog");
  EXPECT_EQ(GetActiveWindow(), dialog);
  DestroyWindow(dialog);  // the viewer the user sees takes the front, not the owner below it
  EXPECT_EQ(GetActiveWindow(), viewer);
  DestroyWindow(viewer);  // with none left above it, the owner takes it back
  EXPECT_EQ(GetActiveWindow(), owner);
  DestroyWindow(owner);
}

TEST_F(Activation, PenGoesToTheWindowUnderThePointAndActivatesByClick) {
  HWND back = Top(u"back", WS_VISIBLE, {0, 130, 240, 320});
  HWND front = Top(u"front", WS_VISIBLE, {0, 30, 240, 130});
  HWND button = Child(front, u"button", 1, {10, 10, 60, 30});
  SetActiveWindow(back);
  g_log.clear();
  platform::Tap(POINT{20, 45});
  platform::PumpMessages();
  EXPECT_EQ(g_log, (std::vector<std::string>{"back:ACTIVATE(0)", "front:ACTIVATE(2)", "back:KILLFOCUS",
                                             "front:SETFOCUS", "button:LBUTTONDOWN", "button:LBUTTONUP"}));
  DWORD pos = GetMessagePos();
  EXPECT_EQ(LOWORD(pos), 20);
  EXPECT_EQ(HIWORD(pos), 45);
  // The pen's state as it arrives and as it is read.
  platform::PenDown(POINT{20, 45});
  EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  EXPECT_FALSE(GetKeyState(VK_LBUTTON) & 0x8000);
  platform::PumpMessages();
  EXPECT_TRUE(GetKeyState(VK_LBUTTON) & 0x8000);
  platform::PenUp(POINT{20, 45});
  platform::PumpMessages();
  EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  // A disabled window gets nothing; capture gets everything.
  EnableWindow(button, FALSE);
  g_log.clear();
  platform::Tap(POINT{20, 45});
  platform::PumpMessages();
  EXPECT_TRUE(g_log.empty());
  SetCapture(back);
  platform::Tap(POINT{20, 45});
  platform::PumpMessages();
  EXPECT_EQ(g_log, (std::vector<std::string>{"front:ACTIVATE(0)", "back:ACTIVATE(2)", "front:KILLFOCUS", "back:SETFOCUS",
                                             "back:LBUTTONDOWN", "back:LBUTTONUP"}));
  ReleaseCapture();
  DestroyWindow(front);
  DestroyWindow(back);
}

TEST_F(Activation, KeysBecomeCharactersAndHotKeysGoToTheirWindow) {
  HWND main = Top(u"main");
  HWND target = Child(main, u"t", 1, {0, 0, 10, 10});
  SetFocus(target);
  g_log.clear();
  platform::TypeText(u"a1");
  platform::PressKey('B');
  platform::KeyDown(VK_CONTROL);
  platform::PressKey('Q');
  platform::KeyUp(VK_CONTROL);
  platform::PumpMessages();
  std::vector<std::string> expect = {"t:KEYDOWN", "t:CHAR(a)", "t:KEYUP", "t:KEYDOWN", "t:CHAR(1)", "t:KEYUP",
                                     "t:KEYDOWN", "t:CHAR(b)", "t:KEYUP", "t:KEYDOWN", "t:KEYDOWN", "t:CHAR(\x11)",
                                     "t:KEYUP",   "t:KEYUP"};
  EXPECT_EQ(g_log, expect);

  ASSERT_TRUE(RegisterHotKey(main, 77, 0, VK_ACTION));
  EXPECT_FALSE(RegisterHotKey(target, 78, 0, VK_ACTION));
  EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
  platform::PressKey(VK_ACTION);
  std::vector<MSG> hot;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) hot.push_back(m);
  ASSERT_EQ(hot.size(), 2u);
  EXPECT_EQ(hot[0].hwnd, main);
  EXPECT_EQ(hot[0].message, WM_HOTKEY);
  EXPECT_EQ(hot[0].wParam, 77u);
  EXPECT_EQ(LOWORD(hot[0].lParam), 0);
  EXPECT_EQ(HIWORD(hot[0].lParam), VK_ACTION);
  EXPECT_EQ(LOWORD(hot[1].lParam), MOD_KEYUP);
  EXPECT_TRUE(UnregisterHotKey(main, 77));
  EXPECT_FALSE(UnregisterHotKey(main, 77));

  MessageBeep(0xFFFFFFFF);
  EXPECT_EQ(platform::BeepLog(), (std::vector<UINT>{0xFFFFFFFF}));
  DestroyWindow(main);
}

}  // namespace

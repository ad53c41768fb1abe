// Internal to the window system: the window table, classes, thread queues and the
// helpers the dialog manager, the controls and the menus share.
//
// One mutex guards all of it. It is never held while a window procedure runs: every
// call out copies what it needs, releases the lock and looks the window up again
// afterwards, because the procedure may destroy it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/user/Window.h"

namespace platform::user {

// State a class keeps per window (a control's model); destroyed with the window.
class WindowData {
 public:
  virtual ~WindowData() = default;
};

struct WindowClass {
  std::u16string name;
  WNDCLASSW wc;
};

struct ScrollBarState {
  int min = 0;
  int max = 0;
  UINT page = 0;
  int pos = 0;
  int track = 0;          // where the thumb is dragged to, while `tracking`
  bool tracking = false;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  UINT_PTR id = 0;
  std::u16string text;
  RECT rect;  // in the parent's client coordinates (the screen for top-level windows)
  HWND parent = nullptr;
  HWND owner = nullptr;
  std::vector<HWND> children;  // z-order: first is on top, and first in tab order
  LONG_PTR userData = 0;
  std::map<int, LONG_PTR> extra;
  HINSTANCE instance = nullptr;
  DWORD thread = 0;
  bool destroying = false;
  HFONT font = nullptr;
  HMENU menu = nullptr;
  std::shared_ptr<WindowData> data;
  ScrollBarState bars[2];  // horizontal, vertical (a scroll-bar control uses the first)
  RECT update;             // what waits to be painted, in client coordinates
  bool dirty = false;
  bool erase = false;
  bool noRedraw = false;  // WM_SETREDRAW FALSE: updates wait until redrawing is allowed
  bool shell = false;     // the shell's own window (MarkShellWindow)
};

struct SentMessage {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  std::function<LRESULT()> call;  // run instead of the window procedure when set
  bool taken = false;  // the receiving thread is running it
  bool done = false;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  DWORD due = 0;
  DWORD thread = 0;
};

struct ThreadQueue {
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  bool quit = false;
  int quitCode = 0;
  DWORD lastPos = 0;
  LONG lastTime = 0;
};

struct HotKey {
  HWND hwnd = nullptr;
  int id = 0;
  UINT modifiers = 0;
  UINT vk = 0;
};

// The application buttons 193-200, held by the shell when the device starts.
std::vector<UINT> DefaultShellKeys();
constexpr UINT kFirstApplicationButton = 0xC1;
constexpr UINT kLastApplicationButton = 0xC8;

struct State {
  std::mutex lock;
  std::condition_variable changed;
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> topLevels;  // z-order, top first
  std::map<std::u16string, std::shared_ptr<WindowClass>> classes;  // by folded name
  std::map<DWORD, ThreadQueue> queues;
  std::vector<Timer> timers;
  std::vector<HotKey> hotKeys;
  // Application buttons the shell still holds (it launches programs with them): a program
  // registers one only after UnregisterFunc1 let it go.
  std::vector<UINT> shellKeys = DefaultShellKeys();
  std::vector<UINT> beeps;
  std::vector<UINT> keysDown;      // as input arrives (hot keys are matched on it)
  std::vector<UINT> keysDownRead;  // as the program reads the key messages
  bool penDown = false;            // as input arrives
  bool penDownRead = false;        // as the program reads the pen messages
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND foreground = nullptr;
  HWND capture = nullptr;
  std::vector<HWND> modal;  // the windows of the running modal loops, innermost last
  UINT_PTR nextHandle = 0x10000;
  IdleHandler* idle = nullptr;
};

State& S();

// ---- With the lock held ----------------------------------------------------------------
Window* FindLocked(HWND hwnd);
ThreadQueue& QueueLocked(DWORD thread);
HWND TopLevelLocked(HWND hwnd);
bool IsVisibleLocked(HWND hwnd);  // the window and all its ancestors
bool IsEnabledLocked(HWND hwnd);  // the window and all its ancestors
// Where the pen (and the wheel) at `screen` goes: the capture window while one holds the
// pen, else the deepest visible window under the point, or null when that window lies
// behind a running modal dialog, message box or popup menu, or is disabled.
HWND PenTargetLocked(POINT screen);
// Client area origin in screen coordinates.
POINT ClientOriginLocked(const Window& w);
RECT ClientRectLocked(const Window& w);

// ---- Without the lock ---------------------------------------------------------------------
// Calls the window's procedure on this thread; 0 when the window is gone.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The class data of a window, or null when it has none of type T.
template <typename T>
std::shared_ptr<T> DataOf(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  return w ? std::dynamic_pointer_cast<T>(w->data) : nullptr;
}
void SetData(HWND hwnd, std::shared_ptr<WindowData> data);
std::u16string TextOf(HWND hwnd);          // the stored text, without messages
void StoreText(HWND hwnd, std::u16string text);
DWORD StyleOf(HWND hwnd);
std::u16string ClassNameOf(HWND hwnd);     // as registered
bool IsClass(HWND hwnd, std::u16string_view name);  // ignoring case

// Registers a class of the system (the controls, the dialog class); kept by resets.
void RegisterSystemClass(std::u16string_view name, WNDPROC proc, int wndExtra);
void EnsureSystemClasses();

// The shell's own top-level windows (the navigation bar) belong to no program: they are
// left out of LiveWindowCount, and a program's tests need not close them.
void MarkShellWindow(HWND hwnd);

// The shell follows the foreground window: its observer is called, on the thread that made
// the change and without the window lock, after the active window changes and after a
// top-level window is shown, hidden, destroyed or given a new text. Null removes it.
using ShellObserver = void (*)();
void SetShellObserver(ShellObserver observer);
void NotifyShell();

// Makes `hwnd`'s top-level window the active one (code WA_ACTIVE or WA_CLICKACTIVE),
// sending WM_ACTIVATE to the old and the new window; returns the old one.
HWND ActivateWithCode(HWND hwnd, WORD code);

// A top-level window of this process, as FindWindowW matches; null when none.
HWND FindOwnWindow(LPCWSTR className, LPCWSTR windowName);

// Handles every sent message waiting for this thread.
void DeliverSentMessages();
// Runs `call` on the thread that owns `hwnd` as a sent message is run there (when that
// thread reads its messages) and returns its result; 0 when the window is gone first.
LRESULT CallOnWindowThread(HWND hwnd, std::function<LRESULT()> call);

// Runs this thread's messages until `done()` is true. When the queue is empty the idle
// handler is asked to act for `modal` ("what" names the loop); when it has nothing to
// do and nothing arrives from other threads for a while in a test, the loop gives up and
// returns false. WM_QUIT ends the loop too (and is posted again for the outer loop).
// `filter` sees each message first and returns true when it consumed it.
// `ownIdle`, when given, is asked before the idle handler (true: it acted).
bool RunModalLoop(HWND modal, const std::u16string& what, const std::function<bool()>& done,
                  const std::function<bool(MSG&)>& filter, const std::function<bool()>& ownIdle = {});
bool HasIdleHandler();
// Tells the idle handler that a window was drawn at once (IdleHandler::OnWindowUpdated).
void CallWindowUpdated();
// Draws the window now when it waits to be drawn and is visible; false when it is no
// window. PaintDirtyTree does so for it and then for its children, lower ones first.
bool PaintIfDirty(HWND hwnd);
void PaintDirtyTree(HWND hwnd);

// A modal dialog from a template, as DialogBoxIndirectParamW, with the name its modal
// loop gives the idle handler and a first say when the loop is idle.
INT_PTR RunModalDialog(HINSTANCE instance, const void* templ, HWND owner,
                       INT_PTR (*proc)(HWND, UINT, WPARAM, LPARAM), LPARAM param, int knownId,
                       const std::u16string& what, const std::function<bool()>& ownIdle);

// Paints a standard control in WM_PAINT (Paint of the controls' look).
void PaintControl(HWND hwnd);
// Paints a popup menu window.
void PaintMenuWindow(HWND hwnd, HDC dc);
// Whether `msg` can change how a standard control looks.
bool ChangesLook(UINT msg);
// The first visible window of `thread` that waits for WM_PAINT, or null (lock held).
HWND NextToPaintLocked(DWORD thread);

// The items of a popup menu window for a picture of the screen (takes no window lock).
std::string MenuWindowItems(const std::shared_ptr<WindowData>& data);

// Counts of menus (kept by the menu code) for the live-object check.
int LiveMenuCountInternal();
void ResetMenus();
void ResetDialogs();
void ResetInput();  // accelerator tables

}  // namespace platform::user

// Windows and their messages: window classes, the window tree, one message queue per
// thread, sent and posted messages, timers on the device clock, focus, activation,
// capture, pen and key input, hot keys and beeps.
//
// Window procedures always run on the thread that created the window. A message sent
// from another thread waits in the target thread's queue until that thread reads it
// (GetMessageW, PeekMessageW, or a wait for its own sent message).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Win32Types.h"

// ---- Errors of the window system -----------------------------------------------------------
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_WINDOW_OF_OTHER_THREAD = 1408;
constexpr DWORD ERROR_HOTKEY_ALREADY_REGISTERED = 1409;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
constexpr DWORD ERROR_HOTKEY_NOT_REGISTERED = 1419;
constexpr DWORD ERROR_CONTROL_ID_NOT_FOUND = 1421;

// ---- Packing values into message parameters ------------------------------------------------
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<LONG>(MAKELONG(static_cast<WORD>(lo), static_cast<WORD>(hi))));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
  return static_cast<WPARAM>(MAKELONG(static_cast<WORD>(lo), static_cast<WORD>(hi)));
}
// Signed coordinates packed into an LPARAM.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp))); }

// ---- Messages -------------------------------------------------------------------------
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETTINGCHANGE = 0x001A;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_DELETEITEM = 0x002D;
constexpr UINT WM_VKEYTOITEM = 0x002E;
constexpr UINT WM_CHARTOITEM = 0x002F;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_COMPAREITEM = 0x0039;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_ENTERIDLE = 0x0121;
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_PARENTNOTIFY = 0x0210;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_HOTKEY = 0x0312;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// ---- Window styles ----------------------------------------------------------------------
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
// A tap on the window does not activate it (popup menus).
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// ---- Window longs -----------------------------------------------------------------------
constexpr int GWL_WNDPROC = -4;
constexpr int GWL_HINSTANCE = -6;
constexpr int GWL_HWNDPARENT = -8;
constexpr int GWL_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;
// Dialog windows: the result of the last message their procedure handled, the dialog
// procedure and a value for the procedure's own use.
constexpr int DWL_MSGRESULT = 0;
constexpr int DWL_DLGPROC = 4;
constexpr int DWL_USER = 8;

// ---- Show, position, relations ------------------------------------------------------------
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<LONG_PTR>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<LONG_PTR>(1)))
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-2)))
// Sent or posted to every top-level window (settings and device changes).
#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<LONG_PTR>(0xFFFF)))

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// WM_ACTIVATE codes (low word of wParam).
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;

// ---- Queue --------------------------------------------------------------------------------
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr WPARAM MK_LBUTTON = 0x0001;

// ---- Keys -----------------------------------------------------------------------------------
constexpr UINT VK_LBUTTON = 0x01;  // the pen
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
// The handheld's action (centre) button.
constexpr UINT VK_ACTION = 0x86;
// A key that carries one typed character: TranslateMessage makes a WM_CHAR of the
// UTF-16 unit held in the high word of the key message's lParam.
constexpr UINT VK_PACKET = 0xE7;

constexpr UINT MOD_ALT = 0x0001;
constexpr UINT MOD_CONTROL = 0x0002;
constexpr UINT MOD_SHIFT = 0x0004;
constexpr UINT MOD_WIN = 0x0008;
// Set in WM_HOTKEY's modifiers when the key went up.
constexpr UINT MOD_KEYUP = 0x1000;

// ---- Structures ----------------------------------------------------------------------------
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};
using LPMSG = MSG*;

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;

struct WNDCLASSW {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCWSTR lpszMenuName = nullptr;
  LPCWSTR lpszClassName = nullptr;
};

struct CREATESTRUCTW {
  LPVOID lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  LPCWSTR lpszName = nullptr;
  LPCWSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCTW = CREATESTRUCTW*;

// WM_WINDOWPOSCHANGING's lParam: the place SetWindowPos (or MoveWindow) is about to give
// the window; its procedure may change x, y, cx and cy before they are applied.
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

// WM_COPYDATA's lParam: a number and a block of bytes the receiver may read only while it
// handles the message.
struct COPYDATASTRUCT {
  ULONG_PTR dwData = 0;
  DWORD cbData = 0;
  LPVOID lpData = nullptr;
};
using PCOPYDATASTRUCT = COPYDATASTRUCT*;

struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

// ---- Classes and windows -----------------------------------------------------------------
// Registers a class for the process. Fails (0) with ERROR_CLASS_ALREADY_EXISTS for a name
// already registered and ERROR_INVALID_PARAMETER without a name or procedure.
ATOM RegisterClassW(const WNDCLASSW* wc);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc);
int GetClassNameW(HWND hwnd, LPWSTR name, int cchName);

// Sends WM_NCCREATE, WM_CREATE, WM_SIZE and WM_MOVE; a child also notifies its parent
// (WM_PARENTNOTIFY) unless WS_EX_NOPARENTNOTIFY. WS_VISIBLE shows it afterwards. A
// procedure that refuses creation (WM_NCCREATE returning FALSE, WM_CREATE returning -1)
// gets WM_DESTROY and WM_NCDESTROY and the call returns null.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param);
inline HWND CreateWindowW(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                          int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param) {
  return CreateWindowExW(0, className, windowName, style, x, y, width, height, parent, menuOrId, instance,
                         param);
}
// Destroys the windows it owns first, then sends WM_DESTROY to the window and its
// children from the top down and WM_NCDESTROY from the bottom up.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Pointers do not fit the handheld's 32-bit LONG here, so the window longs are as wide
// as a pointer (the same as the ...Ptr forms).
LONG_PTR GetWindowLongW(HWND hwnd, int index);
LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value);
inline LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) { return GetWindowLongW(hwnd, index); }
inline LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) { return SetWindowLongW(hwnd, index, value); }

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR text, int cchMax);
int GetWindowTextLengthW(HWND hwnd);

BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL ClientToScreen(HWND hwnd, LPPOINT pt);
BOOL ScreenToClient(HWND hwnd, LPPOINT pt);
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
HWND WindowFromPoint(POINT pt);
HWND ChildWindowFromPoint(HWND parent, POINT pt);

constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
// Top-level windows of this process, by class and/or title (null matches any).
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL EnumChildWindows(HWND parent, BOOL (*proc)(HWND, LPARAM), LPARAM lParam);
// The thread that made the window (its procedure runs there) and this process's id.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

// ---- Focus, activation, capture -------------------------------------------------------------
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// ---- Messages -----------------------------------------------------------------------------
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Returns 0 for WM_QUIT, -1 for an invalid window, else nonzero. In a test (the test
// clock running) an empty queue never blocks for ever: see platform::SetIdleHandler.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
DWORD GetMessagePos();
LONG GetMessageTime();
DWORD GetCurrentThreadId();

// Timers: WM_TIMER is made when the queue is read and the device clock has passed the
// timer's due time; one WM_TIMER per timer however late it is.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// The application buttons (keys 193-200) come with MOD_WIN. The shell holds them until
// UnregisterFunc1 lets one go: before that, registering one with MOD_WIN fails
// (ERROR_HOTKEY_ALREADY_REGISTERED) and pressing it reaches no program window.
BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk);
BOOL UnregisterHotKey(HWND hwnd, int id);
// Makes the shell let go of key `id` taken with `modifiers` (MOD_WIN). Exported by name as
// the system library "coredll.dll" does (LoadLibraryW + GetProcAddress).
extern "C" BOOL UnregisterFunc1(UINT modifiers, int id);

// Shift, Ctrl, Alt and the pen (VK_LBUTTON) as of the last key or pen message read: the
// high bit is set while down.
SHORT GetKeyState(int vk);
// The same as the input arrives, before the program reads it (a tap-and-hold
// recogniser asks whether the pen is still down).
SHORT GetAsyncKeyState(int vk);

BOOL MessageBeep(UINT type);

namespace platform {

// ---- For tests and displays ------------------------------------------------------------------
// The program's windows alive now (the shell's own input panel is the device's, not counted).
int LiveWindowCount();
// Destroys every window, unregisters the classes, clears queues, timers, hot keys,
// focus and the beep log; the standard control classes stay. The idle handler stays too:
// it belongs to the scope that installed it (a script may be a fixture's member).
void ResetWindowSystem();

// Pen and keys as a person gives them. Each call posts the input to the queue of the
// thread that owns the window concerned; nothing runs until that thread reads its queue.
// Points are screen coordinates; the pen goes to the capture window or else to the
// window under the point (a tap on a top-level window that is not active activates it
// first with WA_CLICKACTIVE).
void PenDown(POINT screen);
void PenMove(POINT screen);
void PenUp(POINT screen);
void Tap(POINT screen);
// Key down and up to the focus window (or WM_HOTKEY to a hot key's window).
void PressKey(UINT vk);
void KeyDown(UINT vk);
void KeyUp(UINT vk);
// Each character as a VK_PACKET key press (Tab, Enter, Backspace and Esc as their keys).
void TypeText(std::u16string_view text);

// Reads and dispatches everything in this thread's queue (including timers that are due
// and sent messages), without waiting. Returns the number of messages dispatched.
int PumpMessages();

// Every MessageBeep since the last reset, oldest first.
std::vector<UINT> BeepLog();

// Called by every message loop of this system (GetMessageW with an empty queue, modal
// dialogs, message boxes, popup menus) when the thread's queue is empty. `what` names
// the loop ("dialog 127", "popup menu"...). The handler acts (posts input, ends the
// loop) and returns true, or returns false when it has nothing to do; a loop that stays
// idle then gives up so that a test never hangs: see IdleGiveUp.
class IdleHandler {
 public:
  virtual ~IdleHandler() = default;
  virtual bool OnIdle(HWND modalWindow, const std::u16string& what) = 0;
  // A program drew a window at once (UpdateWindow) and may stay busy before it is idle
  // again: what it drew is to be seen now, as on the device (a "Starting..." box while a
  // scanner starts). The screen's handler shows it; others have nothing to do.
  virtual void OnWindowUpdated() {}
};
// Installs `handler` (not owned; null removes it) and returns the previous one.
IdleHandler* SetIdleHandler(IdleHandler* handler);

// A text picture of the visible windows (class, id, text, rectangle; the focus marked),
// for failure messages.
std::string DescribeScreen();

}  // namespace platform

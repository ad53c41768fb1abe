// Message boxes: the modal box of the user library, recorded and answerable headless.
//
// Every box is recorded (owner, text, caption, style, answer). Who answers it is the
// installed handler: tests install a script of expected boxes (platform/testing/
// MessageBoxScript.h), a display installs its own dialog. With no handler the box is
// written to stderr and answered with its default button, as an unattended device would.
#pragma once

#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

// Buttons (the low four bits of the style).
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button and modality.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFMASK = 0x00000F00;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a box and returns the button pressed (0 with ERROR_INVALID_PARAMETER when the
// style names no known button set). Null text and caption read as empty; a null caption
// shows as "Error", as on the device.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace platform {

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::u16string text;
  std::u16string caption;
  UINT style = 0;
  int result = 0;
};

// Answers boxes in place of a person. Called on the thread that shows the box.
class MessageBoxHandler {
 public:
  virtual ~MessageBoxHandler() = default;
  virtual int OnMessageBox(const MessageBoxRecord& box) = 0;
};

// Installs `handler` (not owned; null removes it) and returns the one it replaces.
MessageBoxHandler* SetMessageBoxHandler(MessageBoxHandler* handler);

// The button a box answers with when nobody presses one: its MB_DEFBUTTONn among its
// buttons (the first when out of range).
int DefaultMessageBoxButton(UINT style);
// True when `answer` is one of the buttons of `style`.
bool IsMessageBoxButton(UINT style, int answer);

// True while `hwnd` is a message box on screen.
bool IsMessageBoxWindow(HWND hwnd);

// The boxes shown since the last ClearMessageBoxLog, oldest first (the most recent 256).
std::vector<MessageBoxRecord> MessageBoxLog();
void ClearMessageBoxLog();

}  // namespace platform

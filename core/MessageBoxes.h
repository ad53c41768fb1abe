// The program's message boxes: all captioned with the product name, their texts taken
// from the language library by id or formatted from a caller's format.
//
// Formatted texts are cut at kMessageTextMaxChars characters (a long customer name or
// path shortens the text instead of overrunning it). Formats from the library are
// filled safely: a placeholder the routine passes no value for prints nothing.
//
// "Suspends the wait cursor" means the box is shown inside a CWaitCursorSuspension
// (WaitCursor.h): the arrow shows during the box only when the wait cursor was up once.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

// The caption of every box.
inline constexpr char16_t kProductName[] = u"Slateway";
// The longest formatted message text, without the terminator.
constexpr size_t kMessageTextMaxChars = 383;

// Message-box styles the program uses.
constexpr UINT kStyleStop = 16;          // stop icon, OK
constexpr UINT kStyleWarning = 48;       // exclamation icon, OK
constexpr UINT kStyleYesNoWarning = 52;  // exclamation icon, Yes and No
constexpr UINT kStyleInformation = 64;   // information icon, OK

// Text `id` with the caller's style; returns the button pressed.
int MessageBoxFromResource(HWND owner, UINT id, UINT style);
// Text `id`, exclamation icon; suspends the wait cursor.
void ShowWarningMessage(HWND owner, UINT id);
// The out-of-memory text (40244), exclamation icon.
void ShowMemoryErrorMessage(HWND owner);
// Text `id` as a Yes/No question; true on Yes.
bool AskYesNoRes(HWND owner, UINT id);
// Format `id` filled with `text`, exclamation icon; suspends the wait cursor. Returns
// whether the answer was Yes, which an OK box never gives: callers use it as "no result".
bool ShowWarningResText(HWND owner, UINT id, LPCWSTR text);
// Format `id` filled with a 32-bit value as a Yes/No question; suspends the wait cursor;
// true on Yes.
bool AskYesNoResValue(HWND owner, UINT id, DWORD value);
// The same with a text for a format that asks for one, as the editor's screens call it.
bool AskYesNoResValue(HWND owner, UINT id, LPCWSTR text);
// Format `id` filled with a 32-bit value (such as an error code), stop icon; suspends the
// wait cursor.
void ShowErrorResValue(HWND owner, UINT id, DWORD value);
// Format `id` filled with `text`, information icon; suspends the wait cursor. Returns
// whether the answer was Yes (never, for an OK box).
bool ShowFormattedInfoMessage(HWND owner, UINT id, LPCWSTR text);
// "Error updating <name>.", exclamation icon; suspends the wait cursor.
void ShowUpdateError(HWND owner, LPCWSTR name);
// The caller's format filled with a 32-bit value, exclamation icon; suspends the wait
// cursor.
void ShowWarningFmtValue(HWND owner, LPCWSTR format, DWORD value);
// The caller's format filled with `text` as a Yes/No question; suspends the wait
// cursor; true on Yes.
bool AskYesNoFmtText(HWND owner, LPCWSTR format, LPCWSTR text);
// The caller's format filled with a value, information icon; suspends the wait cursor.
void ShowInfoFmtValue(HWND owner, LPCWSTR format, DWORD value);
// Reads the last system error code, fills `format` with it (cut at 255 characters), and
// shows "Error <code> occurred.  <that text>" with the exclamation icon and no owner.
// Returns the error code.
DWORD ShowLastErrorBox(std::u16string format);

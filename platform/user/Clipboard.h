// The clipboard: one per device, opened by one window at a time, holding blocks of local
// memory by format number.
#pragma once

#include "platform/base/Win32Types.h"

// Format 1 carries UTF-16 text with its null on this device, as the program expects.
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_UNICODETEXT = 13;

// Fails with ERROR_ACCESS_DENIED while the clipboard is open (by any window).
BOOL OpenClipboard(HWND owner);
// Fails with ERROR_INVALID_HANDLE (1418 on the device) when the clipboard is not open.
BOOL CloseClipboard();
// Frees every block held; the opener becomes the clipboard's owner.
BOOL EmptyClipboard();
// The clipboard takes the LocalAlloc block and frees it when it is replaced or emptied
// (once, when the same block was given for several formats).
// Returns the block, or null when the clipboard is not open or the block is null.
HANDLE SetClipboardData(UINT format, HANDLE memory);
// The block held for the format (still owned by the clipboard), or null.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
HWND GetClipboardOwner();

namespace platform {
// Closes and empties the clipboard (between tests).
void ResetClipboard();
}  // namespace platform

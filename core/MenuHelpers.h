// Menu and scroll-bar helpers the program's windows share: counting and reading menu
// items, replacing an item in place, finding an item by text, and the vertical scroll
// position of a window.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"

// The number of items, counting positions from 0 until an item cannot be read (at most
// 256): the handheld offers no item count.
int CountMenuItems(HMENU menu);
// The command id of the item at `position` (0 when it cannot be read).
UINT GetMenuItemIdAt(HMENU menu, int position);
// Replaces an item by a new command and text at the same position. Without the
// by-position bit (0x400) in `flags`, `item` is a command id whose position is found
// first. False when the item is not there or the menu refuses the change.
bool ReplaceMenuItem(HMENU menu, UINT item, UINT flags, UINT newId, LPCWSTR text);
// Copies the item's text (by command, or by position when `flags` is 0x400) into
// `buffer` (`size` characters with the terminator) and returns its length; 0 when the
// menu cannot be read or the text is empty.
int GetMenuItemText(HMENU menu, UINT item, LPWSTR buffer, int size, UINT flags);
// The position of the first item whose text (its first 80 characters) contains `text`;
// -1 when none does.
int FindMenuItemByText(HMENU menu, std::u16string_view text);

// The window's vertical scroll position; -1 for no window or failure.
int GetVertScrollPos(HWND window);
// Sets it and redraws the scroll bar.
void SetVertScrollPos(HWND window, int position);

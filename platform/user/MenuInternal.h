// Internal to the menus: an item as the menu table keeps it, shared by the menu calls
// (Menu.cpp) and the popup menu window (PopupMenu.cpp).
#pragma once

#include <string>
#include <vector>

#include "platform/user/Menu.h"

namespace platform::user {

struct MenuItem {
  UINT type = MFT_STRING;  // MFT_SEPARATOR, MFT_OWNERDRAW, MFT_BITMAP
  UINT state = 0;          // MFS_GRAYED, MFS_CHECKED, MFS_DEFAULT
  UINT id = 0;
  HMENU sub = nullptr;
  std::u16string text;
  ULONG_PTR data = 0;
};

// A copy of the menu's items (none when the handle names no menu); takes the menu lock.
std::vector<MenuItem> MenuItemsOf(HMENU menu);

}  // namespace platform::user

#include "core/MenuHelpers.h"

#include <string>

#include "platform/user/Controls.h"
#include "platform/user/Menu.h"

namespace {

constexpr int kMaxItems = 256;
constexpr UINT kTextLimit = 80;

}  // namespace

int CountMenuItems(HMENU menu) {
  int count = 0;
  while (count < kMaxItems) {
    MENUITEMINFOW info;
    info.fMask = MIIM_ID;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(count), TRUE, &info)) break;
    ++count;
  }
  return count;
}

UINT GetMenuItemIdAt(HMENU menu, int position) {
  MENUITEMINFOW info;
  info.fMask = MIIM_ID;
  if (position < 0 || !GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return 0;
  return info.wID;
}

bool ReplaceMenuItem(HMENU menu, UINT item, UINT flags, UINT newId, LPCWSTR text) {
  int position = -1;
  if (flags & MF_BYPOSITION) {
    position = static_cast<int>(item);
  } else {
    int count = CountMenuItems(menu);
    for (int i = 0; i < count; ++i)
      if (GetMenuItemIdAt(menu, i) == item) {
        position = i;
        break;
      }
  }
  if (position < 0 || !DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION)) return false;
  return InsertMenuW(menu, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING, newId, text) != FALSE;
}

int GetMenuItemText(HMENU menu, UINT item, LPWSTR buffer, int size, UINT flags) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  MENUITEMINFOW info;
  info.fMask = MIIM_TYPE;
  info.dwTypeData = buffer;
  info.cch = static_cast<UINT>(size);
  if (!GetMenuItemInfoW(menu, item, (flags & MF_BYPOSITION) ? TRUE : FALSE, &info)) return 0;
  // Only a string item has a text: the length of any other is not filled in.
  if (info.fType & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_BITMAP)) {
    buffer[0] = 0;
    return 0;
  }
  return static_cast<int>(info.cch);
}

int FindMenuItemByText(HMENU menu, std::u16string_view text) {
  int count = CountMenuItems(menu);
  for (int i = 0; i < count; ++i) {
    WCHAR buffer[kTextLimit + 1] = {};
    int length = GetMenuItemText(menu, static_cast<UINT>(i), buffer, kTextLimit + 1, MF_BYPOSITION);
    if (std::u16string_view(buffer, static_cast<size_t>(length)).find(text) != std::u16string_view::npos) return i;
  }
  return -1;
}

int GetVertScrollPos(HWND window) {
  if (!window) return -1;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  if (!GetScrollInfo(window, SB_VERT, &info)) return -1;
  return info.nPos;
}

void SetVertScrollPos(HWND window, int position) {
  if (!window) return;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(window, SB_VERT, &info, TRUE);
}

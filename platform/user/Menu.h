// Menus: menus and popup menus built in code or loaded from MENU/MENUEX templates, their
// items by command and by position, check and grey states, and the modal popup menu.
//
// A popup menu is shown as a window of class "#32768" listing its items, one row each
// (a separator is a thin line); the pen chooses an item, a tap outside cancels, the
// arrows, Enter and Esc work as on the device. A menu stays on the screen: one taller
// than the screen shows scroll arrows at its top and bottom (a tap scrolls a row, a held
// pen keeps scrolling, the arrow keys bring the chosen row into view), a menu opened
// upward from a bar keeps above it, and a submenu opens beside its parent where there is
// room. WM_INITMENUPOPUP carries the popup's identifier in the low word of lParam: the
// command id of the item that holds it in its parent menu (0 for a menu tracked on its
// own unless SetMenuIdentifier gave one).
#pragma once

#include <string>
#include <vector>

#include "platform/user/Window.h"

constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;

constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_END = 0x0080;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;

constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFS_ENABLED = 0x0000;
constexpr UINT MFS_UNCHECKED = 0x0000;
constexpr UINT MFS_GRAYED = 0x0003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MIIM_DATA = 0x0020;
constexpr UINT MIIM_STRING = 0x0040;
constexpr UINT MIIM_FTYPE = 0x0100;

struct MENUITEMINFOW {
  UINT cbSize = sizeof(MENUITEMINFOW);
  UINT fMask = 0;
  UINT fType = 0;
  UINT fState = 0;
  UINT wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;
  HBITMAP hbmpUnchecked = nullptr;
  ULONG_PTR dwItemData = 0;
  LPWSTR dwTypeData = nullptr;
  UINT cch = 0;
};
using LPMENUITEMINFOW = MENUITEMINFOW*;
using LPCMENUITEMINFOW = const MENUITEMINFOW*;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

struct TPMPARAMS {
  UINT cbSize = sizeof(TPMPARAMS);
  RECT rcExclude;
};

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and the popup menus its items hold.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// With MF_POPUP, `idOrPopup` is the popup menu (the item then holds it; it dies with it).
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
// Inserts before the item `position` names (by command or, with MF_BYPOSITION, by
// position; a position past the end appends).
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
// Removes an item; DeleteMenu destroys a popup the item holds, RemoveMenu keeps it.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
// Fails (FALSE, ERROR_MENU_ITEM_NOT_FOUND) for an item that is not there: code that
// counts items by reading until a read fails relies on it.
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info);
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
// The previous state (MF_CHECKED / MF_GRAYED bits), or -1 (0xFFFFFFFF) when missing.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int cchMax, UINT flags);

// Runs the popup menu modally at the screen point. With TPM_RETURNCMD returns the
// chosen command (0 when cancelled) and sends no WM_COMMAND; otherwise returns TRUE when
// an item was chosen and posts WM_COMMAND to `owner` (unless TPM_NONOTIFY). Sends
// WM_INITMENUPOPUP before showing (and before each submenu) unless TPM_NONOTIFY.
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* params);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
// The screen rectangle of item `item` (by position) of the popup menu `menu` while it is
// open (`window` is not needed: the menu's own window is found). FALSE when the menu is
// not open or the item is not wholly in view.
BOOL GetMenuItemRect(HWND window, HMENU menu, UINT item, LPRECT rect);

// Menus from MENU and MENUEX templates (in memory or RT_MENU resources of a module).
HMENU LoadMenuIndirectW(const void* menuTemplate);
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);

namespace platform {

// Menus alive now.
int LiveMenuCount();
// The identifier WM_INITMENUPOPUP reports for `menu` (see above).
WORD MenuIdentifier(HMENU menu);
void SetMenuIdentifier(HMENU menu, WORD identifier);
// The popup menu being tracked now (the innermost one), or null.
HMENU TrackedMenu();
HWND TrackedMenuWindow();
// The screen rectangles of the scroll arrows of an open menu window (either may be
// null); false when the menu shows all its rows and has none.
bool MenuScrollArrows(HWND menuWindow, RECT* up, RECT* down);

}  // namespace platform

// Menus and their items: the menu table, and the calls that make, change, read and
// destroy menus.
#include "platform/user/Menu.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/base/Base.h"
#include "platform/user/MenuInternal.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

namespace {

struct Menu {
  bool popup = false;
  WORD identifier = 0;
  std::vector<MenuItem> items;
};

std::recursive_mutex g_lock;
std::map<HMENU, std::unique_ptr<Menu>> g_menus;
UINT_PTR g_next = 0x20000;

Menu* Find(HMENU menu) {
  auto it = g_menus.find(menu);
  return it == g_menus.end() ? nullptr : it->second.get();
}

HMENU Create(bool popup) {
  std::lock_guard guard(g_lock);
  g_next += 4;
  HMENU h = reinterpret_cast<HMENU>(g_next);
  auto m = std::make_unique<Menu>();
  m->popup = popup;
  g_menus[h] = std::move(m);
  return h;
}

void DestroyLocked(HMENU menu) {
  Menu* m = Find(menu);
  if (!m) return;
  std::vector<HMENU> subs;
  for (const MenuItem& i : m->items)
    if (i.sub) subs.push_back(i.sub);
  g_menus.erase(menu);
  for (HMENU s : subs) DestroyLocked(s);
}

// The index of the item `position` names, searching popups for a command (the menu that
// holds it is returned through `owner`).
std::optional<size_t> Locate(HMENU menu, UINT position, bool byPosition, HMENU& owner) {
  Menu* m = Find(menu);
  if (!m) return std::nullopt;
  if (byPosition) {
    owner = menu;
    if (position < m->items.size()) return position;
    return std::nullopt;
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    if (!m->items[i].sub && m->items[i].id == position) {
      owner = menu;
      return i;
    }
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    if (m->items[i].sub) {
      if (auto found = Locate(m->items[i].sub, position, false, owner)) return found;
      if (m->items[i].id == position) {  // a popup item named by its own id
        owner = menu;
        return i;
      }
    }
  }
  return std::nullopt;
}

MenuItem* ItemAt(HMENU menu, UINT position, bool byPosition) {
  HMENU owner = nullptr;
  auto index = Locate(menu, position, byPosition, owner);
  if (!index) return nullptr;
  return &Find(owner)->items[*index];
}

MenuItem FromFlags(UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  MenuItem item;
  if (flags & MF_SEPARATOR) item.type = MFT_SEPARATOR;
  else if (flags & MF_OWNERDRAW) item.type = MFT_OWNERDRAW;
  else if (flags & MF_BITMAP) item.type = MFT_BITMAP;
  item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT);
  if (flags & MF_POPUP) {
    item.sub = reinterpret_cast<HMENU>(idOrPopup);
  } else {
    item.id = static_cast<UINT>(idOrPopup);
  }
  if (item.type == MFT_STRING && text) item.text = text;
  if (item.type == MFT_OWNERDRAW) item.data = reinterpret_cast<ULONG_PTR>(text);
  return item;
}

BOOL Insert(HMENU menu, std::optional<size_t> at, HMENU owner, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::lock_guard guard(g_lock);
  Menu* m = Find(owner ? owner : menu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if ((flags & MF_POPUP) && !Find(reinterpret_cast<HMENU>(idOrPopup))) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  MenuItem item = FromFlags(flags, idOrPopup, text);
  if (item.sub) Find(item.sub)->popup = true;
  size_t index = std::min(at.value_or(m->items.size()), m->items.size());
  m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return TRUE;
}

}  // namespace

namespace platform::user {

std::vector<MenuItem> MenuItemsOf(HMENU menu) {
  std::lock_guard guard(g_lock);
  Menu* m = Find(menu);
  return m ? m->items : std::vector<MenuItem>();
}

int LiveMenuCountInternal() {
  std::lock_guard guard(g_lock);
  return static_cast<int>(g_menus.size());
}

void ResetMenus() {
  std::lock_guard guard(g_lock);
  g_menus.clear();
}

}  // namespace platform::user

HMENU CreateMenu() { return Create(false); }
HMENU CreatePopupMenu() { return Create(true); }

BOOL DestroyMenu(HMENU menu) {
  std::lock_guard guard(g_lock);
  if (!Find(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  DestroyLocked(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  std::lock_guard guard(g_lock);
  return Find(menu) ? TRUE : FALSE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  return Insert(menu, std::nullopt, nullptr, flags, idOrPopup, text);
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::lock_guard guard(g_lock);
  if (!Find(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  HMENU owner = menu;
  std::optional<size_t> at;
  if (flags & MF_BYPOSITION) {
    at = position;  // past the end appends
  } else {
    at = Locate(menu, position, false, owner);
    if (!at) {
      SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
      return FALSE;
    }
  }
  return Insert(menu, at, owner, flags & ~MF_BYPOSITION, idOrPopup, text);
}

namespace {

BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroy) {
  std::lock_guard guard(g_lock);
  HMENU owner = nullptr;
  auto index = Locate(menu, position, flags & MF_BYPOSITION, owner);
  if (!index) {
    SetLastError(Find(menu) ? ERROR_MENU_ITEM_NOT_FOUND : ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  Menu* m = Find(owner);
  HMENU sub = m->items[*index].sub;
  m->items.erase(m->items.begin() + static_cast<std::ptrdiff_t>(*index));
  if (destroy && sub) DestroyLocked(sub);
  return TRUE;
}

}  // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, false); }

BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
  std::lock_guard guard(g_lock);
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!Find(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  const MenuItem* i = ItemAt(menu, item, byPosition);
  if (!i) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = i->type;
  // Grey and disabled read back as both bits, the way the device reports them.
  if (info->fMask & MIIM_STATE) info->fState = (i->state & (MF_GRAYED | MF_DISABLED)) ? (i->state | MFS_GRAYED) : i->state;
  if (info->fMask & MIIM_ID) info->wID = i->id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = i->sub;
  if (info->fMask & MIIM_DATA) info->dwItemData = i->data;
  if ((info->fMask & (MIIM_TYPE | MIIM_STRING)) && i->type == MFT_STRING) {
    // cch in: the buffer's size; out: the text's length (also with no buffer).
    if (info->dwTypeData && info->cch > 0) {
      size_t count = std::min<size_t>(i->text.size(), info->cch - 1);
      std::copy_n(i->text.data(), count, info->dwTypeData);
      info->dwTypeData[count] = 0;
      info->cch = static_cast<UINT>(count);
    } else {
      info->cch = static_cast<UINT>(i->text.size());
    }
  }
  return TRUE;
}

BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  std::lock_guard guard(g_lock);
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  MenuItem* i = ItemAt(menu, item, byPosition);
  if (!i) {
    SetLastError(Find(menu) ? ERROR_MENU_ITEM_NOT_FOUND : ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) i->type = info->fType & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_BITMAP);
  if (info->fMask & MIIM_STATE) i->state = info->fState;
  if (info->fMask & MIIM_ID) {
    i->id = info->wID;
    if (i->sub)
      if (Menu* sub = Find(i->sub)) sub->identifier = static_cast<WORD>(info->wID);
  }
  if (info->fMask & MIIM_SUBMENU) i->sub = info->hSubMenu;
  if (info->fMask & MIIM_DATA) i->data = info->dwItemData;
  if ((info->fMask & (MIIM_TYPE | MIIM_STRING)) && info->dwTypeData && i->type == MFT_STRING)
    i->text = info->dwTypeData;
  return TRUE;
}

BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  UINT flags = (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) ? info->fType : MFT_STRING;
  if (info->fMask & MIIM_STATE) flags |= info->fState;
  UINT_PTR idOrPopup = (info->fMask & MIIM_ID) ? info->wID : 0;
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu) {
    flags |= MF_POPUP;
    idOrPopup = reinterpret_cast<UINT_PTR>(info->hSubMenu);
  }
  LPCWSTR text = (info->fMask & (MIIM_TYPE | MIIM_STRING)) ? info->dwTypeData : nullptr;
  if (!InsertMenuW(menu, item, flags | (byPosition ? MF_BYPOSITION : 0), idOrPopup, text)) return FALSE;
  if ((info->fMask & MIIM_ID) && (flags & MF_POPUP)) {
    std::lock_guard guard(g_lock);
    HMENU owner = nullptr;
    for (auto& [h, m] : g_menus)
      for (MenuItem& i : m->items)
        if (i.sub == info->hSubMenu) {
          i.id = info->wID;
          owner = h;
        }
    if (Menu* sub = Find(info->hSubMenu)) sub->identifier = static_cast<WORD>(info->wID);
    (void)owner;
  }
  return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard guard(g_lock);
  MenuItem* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return 0xFFFFFFFF;
  DWORD old = i->state & MF_CHECKED;
  i->state = (i->state & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard guard(g_lock);
  MenuItem* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return -1;
  UINT old = i->state & (MF_GRAYED | MF_DISABLED);
  i->state = (i->state & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(old);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard guard(g_lock);
  const MenuItem* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return 0xFFFFFFFF;
  UINT state = i->state | i->type;
  if (i->sub) {
    Menu* sub = Find(i->sub);
    state = (static_cast<UINT>(sub ? sub->items.size() : 0) << 8) | (state & 0xFF) | MF_POPUP;
  }
  return state;
}

HMENU GetSubMenu(HMENU menu, int position) {
  std::lock_guard guard(g_lock);
  const MenuItem* i = position >= 0 ? ItemAt(menu, static_cast<UINT>(position), true) : nullptr;
  return i ? i->sub : nullptr;
}

int GetMenuItemCount(HMENU menu) {
  std::lock_guard guard(g_lock);
  Menu* m = Find(menu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
  std::lock_guard guard(g_lock);
  const MenuItem* i = position >= 0 ? ItemAt(menu, static_cast<UINT>(position), true) : nullptr;
  if (!i || i->sub) return 0xFFFFFFFF;
  return i->id;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int cchMax, UINT flags) {
  std::lock_guard guard(g_lock);
  const MenuItem* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return 0;
  if (!text || cchMax <= 0) return static_cast<int>(i->text.size());
  size_t count = std::min<size_t>(i->text.size(), static_cast<size_t>(cchMax - 1));
  std::copy_n(i->text.data(), count, text);
  text[count] = 0;
  return static_cast<int>(count);
}

namespace platform {

int LiveMenuCount() { return user::LiveMenuCountInternal(); }

WORD MenuIdentifier(HMENU menu) {
  std::lock_guard guard(g_lock);
  Menu* m = Find(menu);
  if (!m) return 0;
  if (m->identifier) return m->identifier;
  // A popup held by an item answers with that item's id.
  for (auto& [h, parent] : g_menus)
    for (const MenuItem& i : parent->items)
      if (i.sub == menu) return static_cast<WORD>(i.id);
  return 0;
}

void SetMenuIdentifier(HMENU menu, WORD identifier) {
  std::lock_guard guard(g_lock);
  if (Menu* m = Find(menu)) m->identifier = identifier;
}

}  // namespace platform

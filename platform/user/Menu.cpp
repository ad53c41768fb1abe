// Menus, menu templates and the modal popup menu.
#include "platform/user/Menu.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/base/Base.h"
#include "platform/module/Module.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/TextMeasure.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

namespace {

struct Item {
  UINT type = MFT_STRING;  // MFT_SEPARATOR, MFT_OWNERDRAW, MFT_BITMAP
  UINT state = 0;          // MFS_GRAYED, MFS_CHECKED, MFS_DEFAULT
  UINT id = 0;
  HMENU sub = nullptr;
  std::u16string text;
  ULONG_PTR data = 0;
};

struct Menu {
  bool popup = false;
  WORD identifier = 0;
  std::vector<Item> items;
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
  for (const Item& i : m->items)
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

Item* ItemAt(HMENU menu, UINT position, bool byPosition) {
  HMENU owner = nullptr;
  auto index = Locate(menu, position, byPosition, owner);
  if (!index) return nullptr;
  return &Find(owner)->items[*index];
}

Item FromFlags(UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  Item item;
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
  Item item = FromFlags(flags, idOrPopup, text);
  if (item.sub) Find(item.sub)->popup = true;
  size_t index = std::min(at.value_or(m->items.size()), m->items.size());
  m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return TRUE;
}

}  // namespace

namespace platform::user {

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
  const Item* i = ItemAt(menu, item, byPosition);
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
  Item* i = ItemAt(menu, item, byPosition);
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
      for (Item& i : m->items)
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
  Item* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return 0xFFFFFFFF;
  DWORD old = i->state & MF_CHECKED;
  i->state = (i->state & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard guard(g_lock);
  Item* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return -1;
  UINT old = i->state & (MF_GRAYED | MF_DISABLED);
  i->state = (i->state & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(old);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard guard(g_lock);
  const Item* i = ItemAt(menu, item, flags & MF_BYPOSITION);
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
  const Item* i = position >= 0 ? ItemAt(menu, static_cast<UINT>(position), true) : nullptr;
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
  const Item* i = position >= 0 ? ItemAt(menu, static_cast<UINT>(position), true) : nullptr;
  if (!i || i->sub) return 0xFFFFFFFF;
  return i->id;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int cchMax, UINT flags) {
  std::lock_guard guard(g_lock);
  const Item* i = ItemAt(menu, item, flags & MF_BYPOSITION);
  if (!i) return 0;
  if (!text || cchMax <= 0) return static_cast<int>(i->text.size());
  size_t count = std::min<size_t>(i->text.size(), static_cast<size_t>(cchMax - 1));
  std::copy_n(i->text.data(), count, text);
  text[count] = 0;
  return static_cast<int>(count);
}

// ---- The popup menu window ------------------------------------------------------------------

namespace {

constexpr const char16_t* kMenuClass = u"#32768";
constexpr int kSeparatorHeight = 6;

int RowHeight() { return TextLineHeight(nullptr) + 6; }

struct Tracking {
  HWND owner = nullptr;
  UINT flags = 0;
  bool sawDown = false;  // the release of the tap that opened the menu chooses nothing
  bool done = false;
  UINT chosen = 0;
  std::vector<HWND> windows;  // the open menus, outermost first
};
Tracking* g_tracking = nullptr;  // the popup menu being tracked on the UI thread (not owned)

class MenuWindowData : public WindowData {
 public:
  HMENU menu = nullptr;
  int highlight = -1;
};

std::vector<Item> ItemsOf(HMENU menu) {
  std::lock_guard guard(g_lock);
  Menu* m = Find(menu);
  return m ? m->items : std::vector<Item>();
}

// The row under a client y, -1 for none.
int RowAt(HMENU menu, int y) {
  int top = 0;
  std::vector<Item> items = ItemsOf(menu);
  for (size_t i = 0; i < items.size(); ++i) {
    int h = items[i].type == MFT_SEPARATOR ? kSeparatorHeight : RowHeight();
    if (y >= top && y < top + h) return static_cast<int>(i);
    top += h;
  }
  return -1;
}

HWND OpenMenuWindow(HMENU menu, int x, int y, UINT flags);

void Choose(HWND window, int row) {
  auto data = DataOf<MenuWindowData>(window);
  if (!data || !g_tracking) return;
  std::vector<Item> items = ItemsOf(data->menu);
  if (row < 0 || static_cast<size_t>(row) >= items.size()) return;
  const Item& item = items[static_cast<size_t>(row)];
  if (item.type == MFT_SEPARATOR || (item.state & (MF_GRAYED | MF_DISABLED))) return;
  if (item.sub) {
    // Close deeper menus, then open this one beside the row.
    while (g_tracking->windows.size() > 1 && g_tracking->windows.back() != window) {
      HWND last = g_tracking->windows.back();
      g_tracking->windows.pop_back();
      DestroyWindow(last);
    }
    RECT r;
    GetWindowRect(window, &r);
    int top = r.top;
    for (int i = 0; i < row; ++i) top += items[static_cast<size_t>(i)].type == MFT_SEPARATOR ? kSeparatorHeight : RowHeight();
    if (!(g_tracking->flags & TPM_NONOTIFY))
      SendMessageW(g_tracking->owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.sub),
                   MAKELPARAM(platform::MenuIdentifier(item.sub), 0));
    if (g_tracking) g_tracking->windows.push_back(OpenMenuWindow(item.sub, r.right, top, 0));
    return;
  }
  g_tracking->chosen = item.id;
  g_tracking->done = true;
}

LRESULT MenuWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (HDC dc = BeginPaint(hwnd, &ps)) {
        PaintMenuWindow(hwnd, dc);
        EndPaint(hwnd, &ps);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (g_tracking) g_tracking->sawDown = true;
      return 0;
    case WM_LBUTTONUP: {
      if (!g_tracking || !g_tracking->sawDown) return 0;
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      // The capture brings every tap here: find the open menu under it.
      for (auto it = g_tracking->windows.rbegin(); it != g_tracking->windows.rend(); ++it) {
        RECT r;
        GetWindowRect(*it, &r);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
          Choose(*it, RowAt(DataOf<MenuWindowData>(*it)->menu, p.y - r.top - 1));
          return 0;
        }
      }
      g_tracking->done = true;  // a tap outside every menu cancels
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

HWND OpenMenuWindow(HMENU menu, int x, int y, UINT flags) {
  std::vector<Item> items = ItemsOf(menu);
  int width = 40;
  int height = 0;
  for (const Item& i : items) {
    width = std::max(width, TextWidth(nullptr, i.text) + 24);
    height += i.type == MFT_SEPARATOR ? kSeparatorHeight : RowHeight();
  }
  height += 2;
  width += 2;
  if (flags & TPM_CENTERALIGN) x -= width / 2;
  else if (flags & TPM_RIGHTALIGN) x -= width;
  if (flags & TPM_VCENTERALIGN) y -= height / 2;
  else if (flags & TPM_BOTTOMALIGN) y -= height;
  // Kept on the screen.
  x = std::max(0, std::min(x, platform::ScreenWidth() - width));
  y = std::max(0, std::min(y, platform::ScreenHeight() - height));
  HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kMenuClass, u"", WS_POPUP | WS_BORDER, x, y, width, height,
                           g_tracking ? g_tracking->owner : nullptr, nullptr, nullptr, nullptr);
  auto data = std::make_shared<MenuWindowData>();
  data->menu = menu;
  SetData(w, data);
  ShowWindow(w, SW_SHOWNA);
  SetCapture(w);
  return w;
}

bool HandleKey(const MSG& m) {
  if (!g_tracking || (m.message != WM_KEYDOWN && m.message != WM_CHAR && m.message != WM_KEYUP)) return false;
  if (m.message != WM_KEYDOWN) return true;  // keys belong to the menu while it is up
  HWND window = g_tracking->windows.back();
  auto data = DataOf<MenuWindowData>(window);
  if (!data) return true;
  std::vector<Item> items = ItemsOf(data->menu);
  int n = static_cast<int>(items.size());
  auto selectable = [&](int i) { return items[static_cast<size_t>(i)].type != MFT_SEPARATOR; };
  switch (m.wParam) {
    case VK_DOWN:
    case VK_UP: {
      int step = m.wParam == VK_DOWN ? 1 : -1;
      // With nothing highlighted, Down starts at the first item and Up at the last.
      int from = data->highlight >= 0 ? data->highlight : (step > 0 ? -1 : n);
      for (int k = 1; k <= n; ++k) {
        int i = ((from + step * k) % n + n) % n;
        if (selectable(i)) {
          data->highlight = i;
          InvalidateRect(window, nullptr, TRUE);
          break;
        }
      }
      return true;
    }
    case VK_RETURN:
      Choose(window, data->highlight);
      return true;
    case VK_ESCAPE:
      if (g_tracking->windows.size() > 1) {
        g_tracking->windows.pop_back();
        DestroyWindow(window);
        SetCapture(g_tracking->windows.back());
      } else {
        g_tracking->done = true;
      }
      return true;
    default:
      return true;
  }
}

}  // namespace

std::string platform::user::MenuWindowItems(const std::shared_ptr<WindowData>& data) {
  auto menu = std::dynamic_pointer_cast<MenuWindowData>(data);
  if (!menu) return {};
  std::string out;
  for (const Item& item : ItemsOf(menu->menu)) {
    out += out.empty() ? "" : " | ";
    if (item.type == MFT_SEPARATOR) {
      out += "-";
      continue;
    }
    out += platform::ToUtf8(item.text) + " (" + std::to_string(item.id) + ")";
    if (item.state & (MF_GRAYED | MF_DISABLED)) out += " grey";
    if (item.state & MF_CHECKED) out += " checked";
  }
  return out;
}

void platform::user::PaintMenuWindow(HWND hwnd, HDC dc) {
  auto data = DataOf<MenuWindowData>(hwnd);
  if (!data) return;
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  SetBkMode(dc, TRANSPARENT);
  int y = 0;
  std::vector<Item> items = ItemsOf(data->menu);
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    if (item.type == MFT_SEPARATOR) {
      CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
      MoveToEx(dc, 2, y + kSeparatorHeight / 2, nullptr);
      LineTo(dc, client.right - 2, y + kSeparatorHeight / 2);
      y += kSeparatorHeight;
      continue;
    }
    RECT row{0, y, client.right, y + RowHeight()};
    bool lit = static_cast<int>(i) == data->highlight;
    if (lit) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
    bool grey = item.state & (MF_GRAYED | MF_DISABLED);
    SetTextColor(dc, GetSysColor(grey ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    RECT text{row.left + 12, row.top, row.right - 10, row.bottom};
    DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (item.state & MF_CHECKED) {
      RECT mark{row.left + 3, row.top + RowHeight() / 2 - 2, row.left + 8, row.top + RowHeight() / 2 + 3};
      FillRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    if (item.sub) {
      RECT more{row.right - 8, row.top + RowHeight() / 2 - 2, row.right - 4, row.top + RowHeight() / 2 + 2};
      FillRect(dc, &more, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    y += RowHeight();
  }
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS*) {
  if (!IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (g_tracking) {  // one popup menu at a time
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnsureSystemClasses();
  Tracking tracking;
  tracking.owner = owner;
  tracking.flags = flags;
  bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessageW(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(platform::MenuIdentifier(menu), 0));
  }
  if (!IsMenu(menu)) return FALSE;
  g_tracking = &tracking;
  tracking.windows.push_back(OpenMenuWindow(menu, x, y, flags));
  // The menu goes with its owner (its windows are owned by it, so they die too).
  bool finished = RunModalLoop(
      tracking.windows.front(), u"popup menu",
      [&] { return tracking.done || !IsWindow(owner) || !IsWindow(tracking.windows.front()); },
      [&](MSG& m) { return HandleKey(m); });
  if (!finished) tracking.chosen = 0;
  g_tracking = nullptr;
  ReleaseCapture();
  for (auto it = tracking.windows.rbegin(); it != tracking.windows.rend(); ++it) DestroyWindow(*it);
  if (notify) SendMessageW(owner, WM_EXITMENULOOP, TRUE, 0);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(tracking.chosen);
  if (tracking.chosen && notify) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(tracking.chosen, 0), 0);
  return tracking.chosen ? TRUE : FALSE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

// ---- Templates --------------------------------------------------------------------------------

namespace {

constexpr size_t kUnknownMenuSpan = 64 * 1024;
constexpr int kMaxDepth = 8;

class MenuReader {
 public:
  MenuReader(const std::uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Ok() const { return m_ok; }
  WORD Word() {
    if (!m_ok || m_pos + 2 > m_size) {
      m_ok = false;
      return 0;
    }
    WORD v = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
  }
  DWORD Dword() {
    WORD lo = Word();
    return lo | (static_cast<DWORD>(Word()) << 16);
  }
  std::u16string Text() {
    std::u16string s;
    for (WORD c = Word(); m_ok && c; c = Word()) {
      if (s.size() > 1024) m_ok = false;
      s.push_back(static_cast<char16_t>(c));
    }
    return s;
  }
  void Align() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t n) { m_pos += n; }

 private:
  const std::uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
  bool m_ok = true;
};

bool ReadItems(MenuReader& r, HMENU menu, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    WORD flags = r.Word();
    if (!r.Ok()) return false;
    if (flags & MF_POPUP) {
      std::u16string text = r.Text();
      HMENU sub = CreatePopupMenu();
      if (!AppendMenuW(menu, (flags & ~(MF_END)) | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str()) ||
          !ReadItems(r, sub, depth + 1))
        return false;
    } else {
      WORD id = r.Word();
      std::u16string text = r.Text();
      UINT f = flags & ~MF_END;
      if (id == 0 && text.empty()) f |= MF_SEPARATOR;
      if (!r.Ok() || !AppendMenuW(menu, f, id, text.c_str())) return false;
    }
    if (flags & MF_END) return r.Ok();
  }
}

bool ReadItemsEx(MenuReader& r, HMENU menu, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    r.Align();
    DWORD type = r.Dword();
    DWORD state = r.Dword();
    DWORD id = r.Dword();
    WORD flags = r.Word();
    std::u16string text = r.Text();
    if (!r.Ok()) return false;
    UINT f = (type & (MFT_SEPARATOR | MFT_OWNERDRAW)) | (state & (MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT));
    if (flags & 0x01) {
      r.Align();
      r.Dword();  // help id
      HMENU sub = CreatePopupMenu();
      if (!AppendMenuW(menu, f | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str())) return false;
      MENUITEMINFOW info;
      info.fMask = MIIM_ID;
      info.wID = id;
      SetMenuItemInfoW(menu, static_cast<UINT>(GetMenuItemCount(menu) - 1), TRUE, &info);
      if (!ReadItemsEx(r, sub, depth + 1)) return false;
    } else if (!AppendMenuW(menu, f, id, text.c_str())) {
      return false;
    }
    if (flags & MF_END) return true;
  }
}

HMENU Parse(const std::uint8_t* data, size_t size) {
  MenuReader r(data, size);
  WORD version = r.Word();
  WORD offset = r.Word();
  if (!r.Ok() || version > 1) return nullptr;
  HMENU menu = CreateMenu();
  bool ok;
  if (version == 0) {
    r.Skip(offset);
    ok = ReadItems(r, menu, 0);
  } else {
    r.Skip(offset);  // MENUEX: the help id sits before the items
    ok = ReadItemsEx(r, menu, 0);
  }
  if (!ok) {
    DestroyMenu(menu);
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return menu;
}

}  // namespace

HMENU LoadMenuIndirectW(const void* menuTemplate) {
  if (!menuTemplate) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  WORD type = 0;
  DWORD left = 0;
  size_t size = platform::FindResourceOfData(menuTemplate, &type, nullptr, &left) ? left : kUnknownMenuSpan;
  return Parse(static_cast<const std::uint8_t*>(menuTemplate), size);
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
  HRSRC res = FindResourceW(instance, name, RT_MENU);
  if (!res) return nullptr;
  auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(instance, res)));
  return Parse(data, SizeofResource(instance, res));
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
    for (const Item& i : parent->items)
      if (i.sub == menu) return static_cast<WORD>(i.id);
  return 0;
}

void SetMenuIdentifier(HMENU menu, WORD identifier) {
  std::lock_guard guard(g_lock);
  if (Menu* m = Find(menu)) m->identifier = identifier;
}

int MenuRowHeight() { return RowHeight(); }

HWND TrackedMenuWindow() { return g_tracking && !g_tracking->windows.empty() ? g_tracking->windows.back() : nullptr; }

HMENU TrackedMenu() {
  if (!g_tracking || g_tracking->windows.empty()) return nullptr;
  auto data = user::DataOf<MenuWindowData>(g_tracking->windows.back());
  return data ? data->menu : nullptr;
}

}  // namespace platform

namespace platform::user {

void RegisterMenuClass() { RegisterSystemClass(kMenuClass, MenuWindowProc, 0); }

}  // namespace platform::user

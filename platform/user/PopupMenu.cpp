// The popup menu: its window ("#32768") with the layout, scrolling and painting of its rows,
// the pen and keys that choose from it, and the modal loop of TrackPopupMenuEx.
#include <algorithm>
#include <memory>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/MenuInternal.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/TextMeasure.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

// ---- The popup menu window ------------------------------------------------------------------
//
// A menu window lists its items top to bottom inside a frame. When the screen cannot hold
// them all, the window keeps to the screen and shows an arrow strip at its top and bottom;
// the rows between them move by whole rows, down to where the last row ends at the bottom
// arrow (the row at the top may then show in part). Every size is counted in the
// screen's border width, so the whole menu doubles on the high-resolution screen, and the
// text is the system font, measured as the window system measures it.

namespace {

constexpr const char16_t* kMenuClass = u"#32768";
constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT kFirstRepeatMs = 300;  // a tap on an arrow moves a page; held, it scrolls
constexpr UINT kRepeatMs = 60;        // on after this, then a row at this pace

int Unit() { return GetSystemMetrics(SM_CXBORDER); }
int RowHeight() { return TextLineHeight(nullptr) + 6 * Unit(); }
int SeparatorHeight() { return 5 * Unit(); }
int ArrowHeight() { return 12 * Unit(); }
int TextLeft() { return 12 * Unit(); }   // room for the check mark
int TextRight() { return 12 * Unit(); }  // room for a submenu's arrow
// A menu opened upward from a bar scrolls above it rather than cover it while this much
// room is left: the arrows and three rows.
int MinScrollingHeight() { return 2 * (Unit() + ArrowHeight()) + 3 * RowHeight(); }

bool IsSeparator(const MenuItem& item) { return item.type == MFT_SEPARATOR; }
int ItemHeight(const MenuItem& item) { return IsSeparator(item) ? SeparatorHeight() : RowHeight(); }

struct Tracking {
  HWND owner = nullptr;
  UINT flags = 0;
  RECT band{};           // the part of the screen the open menus keep to
  bool sawDown = false;  // the release of the tap that opened the menu chooses nothing
  bool onArrow = false;  // nor does the release of a press on a scroll arrow
  bool done = false;
  UINT chosen = 0;
  std::vector<HWND> windows;  // the open menus, outermost first
};
Tracking* g_tracking = nullptr;  // the popup menu being tracked on the UI thread (not owned)

class MenuWindowData : public WindowData {
 public:
  HMENU menu = nullptr;
  int highlight = -1;
  bool scrolls = false;
  int offset = 0;   // how far the rows are scrolled up, in pixels
  int holding = 0;  // the arrow the pen holds down: -1 up, 1 down, 0 none
};

// ---- Layout

// The screen popup menus keep to: below the shell's navigation bar, which stays usable
// while a menu is open.
RECT ScreenBand() {
  return RECT{0, platform::TaskBarHeight(), platform::ScreenWidth(), platform::ScreenHeight()};
}

SIZE MenuSize(const std::vector<MenuItem>& items) {
  SIZE size{40 * Unit(), 2 * Unit()};
  for (const MenuItem& i : items) {
    size.cx = std::max<LONG>(size.cx, TextWidth(nullptr, i.text) + TextLeft() + TextRight() + 2 * Unit());
    size.cy += ItemHeight(i);
  }
  return size;
}

struct Placement {
  RECT rect{};
  bool scrolls = false;
};

// Where a menu of `size` goes at the point `at` as `flags` align it, inside `band`. A menu
// that does not fit on its side of the point goes to the other side, else shifts to fit,
// and one taller than the band fills it and scrolls. A bottom-aligned menu opens upward
// from a bar: it never covers what lies below its point while a few rows fit above.
Placement PlaceMenu(SIZE size, POINT at, UINT flags, const RECT& band) {
  int width = std::min<int>(size.cx, band.right - band.left);
  int x = at.x;
  if (flags & TPM_CENTERALIGN) x -= width / 2;
  else if (flags & TPM_RIGHTALIGN) x -= width;
  x = std::clamp<int>(x, band.left, band.right - width);
  int y = std::clamp<int>(at.y, band.top, band.bottom);
  int height = size.cy;
  bool centred = flags & TPM_VCENTERALIGN;
  bool upward = !centred && (flags & TPM_BOTTOMALIGN);
  int own = centred ? y - height / 2 : upward ? y - height : y;
  int other = upward ? y : y - height;
  auto fits = [&](int top) { return top >= band.top && top + height <= band.bottom; };
  int top;
  if (fits(own)) {
    top = own;
  } else if (upward && y - band.top >= MinScrollingHeight()) {
    top = std::max<int>(band.top, own);
    height = y - top;
  } else if (!centred && fits(other)) {
    top = other;
  } else if (height <= band.bottom - band.top) {
    top = std::clamp<int>(own, band.top, band.bottom - height);
  } else {
    top = band.top;
    height = band.bottom - band.top;
  }
  return Placement{RECT{x, top, x + width, top + height}, height < size.cy};
}

// Where a submenu of `size` goes beside its parent's row (`row`, on the screen): to the
// right of the parent, else to its left, its first row level with the parent's row as far
// as the band allows. Where neither side has room it goes on the side where it covers less
// of the parent; when it would cover more than the parent's margin, below or above the
// row if it fits there, so the row stays in sight.
Placement PlaceSubmenu(SIZE size, const RECT& parent, const RECT& row, const RECT& band) {
  int width = std::min<int>(size.cx, band.right - band.left);
  int height = std::min<int>(size.cy, band.bottom - band.top);
  int x;
  int top = row.top - Unit();
  if (parent.right + width <= band.right) {
    x = parent.right;
  } else if (parent.left - width >= band.left) {
    x = parent.left - width;
  } else {
    int coverRight = parent.right - (band.right - width);
    int coverLeft = band.left + width - parent.left;
    x = coverLeft < coverRight ? band.left : band.right - width;
    bool hidesRow = std::min(coverLeft, coverRight) > TextRight();
    if (hidesRow && row.bottom + height <= band.bottom) top = row.bottom;
    else if (hidesRow && row.top - height >= band.top) top = row.top - height;
  }
  top = std::clamp<int>(top, band.top, band.bottom - height);
  return Placement{RECT{x, top, x + width, top + height}, height < size.cy};
}

// The rows' part of a menu window `height` tall: inside the frame, between the arrows.
struct RowSpan {
  int top = 0;
  int bottom = 0;
};
RowSpan RowsOf(const MenuWindowData& d, int height) {
  int edge = Unit() + (d.scrolls ? ArrowHeight() : 0);
  return RowSpan{edge, height - edge};
}

// Where each row starts among all the rows, and (last) where they end.
std::vector<int> RowStarts(const std::vector<MenuItem>& items) {
  std::vector<int> starts{0};
  for (const MenuItem& i : items) starts.push_back(starts.back() + ItemHeight(i));
  return starts;
}

// How far a menu's rows scroll at most, in a window `height` tall.
int MaxOffset(const std::vector<MenuItem>& items, const MenuWindowData& d, int height) {
  RowSpan rows = RowsOf(d, height);
  return d.scrolls ? std::max(0, RowStarts(items).back() - (rows.bottom - rows.top)) : 0;
}

int WindowHeight(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r.bottom;
}

// A row's top in its window (above the rows' span when scrolled past).
int RowTop(const std::vector<MenuItem>& items, const MenuWindowData& d, int height, int row) {
  int top = RowsOf(d, height).top - (d.scrolls ? d.offset : 0);
  for (int i = 0; i < row; ++i) top += ItemHeight(items[static_cast<size_t>(i)]);
  return top;
}

// Whether a row shows whole in its window.
bool RowInView(const std::vector<MenuItem>& items, const MenuWindowData& d, int height, int row) {
  if (row < 0 || row >= static_cast<int>(items.size())) return false;
  RowSpan rows = RowsOf(d, height);
  int top = RowTop(items, d, height, row);
  return top >= rows.top && top + ItemHeight(items[static_cast<size_t>(row)]) <= rows.bottom;
}

enum class Part { None, UpArrow, DownArrow, Row };
struct Hit {
  Part part = Part::None;
  int row = -1;
};

Hit HitTest(HWND window, POINT client) {
  auto d = DataOf<MenuWindowData>(window);
  RECT r{};
  GetClientRect(window, &r);
  if (!d || client.x < 0 || client.x >= r.right || client.y < 0 || client.y >= r.bottom) return {};
  RowSpan rows = RowsOf(*d, r.bottom);
  if (d->scrolls && client.y < rows.top) return Hit{Part::UpArrow};
  if (d->scrolls && client.y >= rows.bottom) return Hit{Part::DownArrow};
  std::vector<MenuItem> items = MenuItemsOf(d->menu);
  std::vector<int> starts = RowStarts(items);
  int y = client.y - RowTop(items, *d, r.bottom, 0);
  auto after = std::upper_bound(starts.begin(), starts.end(), y);
  if (y < 0 || after == starts.end()) return {};
  return Hit{Part::Row, static_cast<int>(after - starts.begin()) - 1};
}

// The innermost open menu under a screen point, or null.
HWND MenuAt(POINT screen) {
  for (auto it = g_tracking->windows.rbegin(); it != g_tracking->windows.rend(); ++it) {
    RECT r;
    GetWindowRect(*it, &r);
    if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom) return *it;
  }
  return nullptr;
}

POINT ClientPoint(HWND window, POINT screen) {
  ScreenToClient(window, &screen);
  return screen;
}

// ---- Opening, scrolling, choosing

HWND OpenMenuWindow(HMENU menu, const Placement& place) {
  const RECT& r = place.rect;
  HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kMenuClass, u"", WS_POPUP, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, g_tracking ? g_tracking->owner : nullptr, nullptr,
                           nullptr, nullptr);
  auto data = std::make_shared<MenuWindowData>();
  data->menu = menu;
  data->scrolls = place.scrolls;
  SetData(w, data);
  ShowWindow(w, SW_SHOWNA);
  SetCapture(w);
  return w;
}

// Closes the menus opened from `window`'s rows; the pen and keys go back to it.
void CloseMenusAfter(HWND window) {
  bool closed = false;
  while (g_tracking->windows.size() > 1 && g_tracking->windows.back() != window) {
    HWND last = g_tracking->windows.back();
    g_tracking->windows.pop_back();
    DestroyWindow(last);
    closed = true;
  }
  if (closed) SetCapture(g_tracking->windows.back());
}

// Scrolls the menu's rows to `offset` (kept between their ends); false when they stay
// where they were. A submenu beside a row that moves closes.
bool ScrollTo(HWND window, int offset) {
  auto d = DataOf<MenuWindowData>(window);
  if (!d || !d->scrolls) return false;
  offset = std::clamp(offset, 0, MaxOffset(MenuItemsOf(d->menu), *d, WindowHeight(window)));
  if (offset == d->offset) return false;
  CloseMenusAfter(window);
  d->offset = offset;
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

// Scrolls by one row: the next row up or down comes to the top.
bool ScrollRow(HWND window, int step) {
  auto d = DataOf<MenuWindowData>(window);
  if (!d) return false;
  std::vector<int> starts = RowStarts(MenuItemsOf(d->menu));
  starts.pop_back();
  if (step > 0) {
    auto next = std::upper_bound(starts.begin(), starts.end(), d->offset);
    return next != starts.end() && ScrollTo(window, *next);
  }
  auto at = std::lower_bound(starts.begin(), starts.end(), d->offset);
  return at != starts.begin() && ScrollTo(window, *(at - 1));
}

// Scrolls by a page: down, the row cut at the bottom (or the first below it) comes to the
// top; up, the row at the top comes to the bottom. A few taps reach any row.
bool ScrollPage(HWND window, int step) {
  auto d = DataOf<MenuWindowData>(window);
  if (!d) return false;
  std::vector<int> starts = RowStarts(MenuItemsOf(d->menu));
  RowSpan rows = RowsOf(*d, WindowHeight(window));
  const int span = rows.bottom - rows.top;
  if (step > 0) {
    // The last row starting within the page (or at its end) is the one cut at the bottom.
    auto cut = std::upper_bound(starts.begin(), starts.end(), d->offset + span);
    int next = cut == starts.begin() ? d->offset : *(cut - 1);
    return next > d->offset ? ScrollTo(window, next) : ScrollRow(window, step);
  }
  // The first row whole at the top (the top one may show in part at the rows' end).
  auto top = std::lower_bound(starts.begin(), starts.end(), d->offset);
  int end = top + 1 < starts.end() ? *(top + 1) : d->offset;
  auto first = std::lower_bound(starts.begin(), starts.end(), end - span);
  int next = first == starts.end() ? 0 : *first;
  return next < d->offset ? ScrollTo(window, next) : ScrollRow(window, step);
}

void ScrollIntoView(HWND window, int row) {
  auto d = DataOf<MenuWindowData>(window);
  if (!d || !d->scrolls) return;
  std::vector<MenuItem> items = MenuItemsOf(d->menu);
  int height = WindowHeight(window);
  if (RowInView(items, *d, height, row)) return;
  RowSpan rows = RowsOf(*d, height);
  int top = RowTop(items, *d, height, row);
  int shift = top < rows.top ? top - rows.top : top + ItemHeight(items[static_cast<size_t>(row)]) - rows.bottom;
  ScrollTo(window, d->offset + shift);
}

void StopHolding(HWND window) {
  auto d = DataOf<MenuWindowData>(window);
  if (!d || !d->holding) return;
  d->holding = 0;
  KillTimer(window, kScrollTimer);
}

void OnScrollTimer(HWND window) {
  auto d = DataOf<MenuWindowData>(window);
  if (!d || !d->holding || !ScrollRow(window, d->holding)) {
    StopHolding(window);
    return;
  }
  SetTimer(window, kScrollTimer, kRepeatMs, nullptr);
}

void Choose(HWND window, int row) {
  auto data = DataOf<MenuWindowData>(window);
  if (!data || !g_tracking) return;
  std::vector<MenuItem> items = MenuItemsOf(data->menu);
  if (row < 0 || static_cast<size_t>(row) >= items.size()) return;
  const MenuItem& item = items[static_cast<size_t>(row)];
  if (IsSeparator(item) || (item.state & (MF_GRAYED | MF_DISABLED))) return;
  if (!item.sub) {
    g_tracking->chosen = item.id;
    g_tracking->done = true;
    return;
  }
  // Close deeper menus, then open this one beside the row, brought wholly into view.
  CloseMenusAfter(window);
  ScrollIntoView(window, row);
  RECT r;
  GetWindowRect(window, &r);
  int top = r.top + RowTop(items, *data, r.bottom - r.top, row);
  RECT rowRect{r.left, top, r.right, top + ItemHeight(item)};
  data->highlight = row;  // the row stays lit while its menu is open
  InvalidateRect(window, nullptr, TRUE);
  if (!(g_tracking->flags & TPM_NONOTIFY))
    SendMessageW(g_tracking->owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.sub),
                 MAKELPARAM(platform::MenuIdentifier(item.sub), 0));
  if (!g_tracking || !IsMenu(item.sub)) return;
  Placement place = PlaceSubmenu(MenuSize(MenuItemsOf(item.sub)), r, rowRect, g_tracking->band);
  g_tracking->windows.push_back(OpenMenuWindow(item.sub, place));
}

// The capture brings every pen event to the innermost menu; they act on the menu under
// the pen.
void OnPenDown(POINT screen) {
  g_tracking->sawDown = true;
  HWND window = MenuAt(screen);
  Hit hit = window ? HitTest(window, ClientPoint(window, screen)) : Hit{};
  g_tracking->onArrow = hit.part == Part::UpArrow || hit.part == Part::DownArrow;
  if (!g_tracking->onArrow) return;
  auto d = DataOf<MenuWindowData>(window);
  d->holding = hit.part == Part::UpArrow ? -1 : 1;
  ScrollPage(window, d->holding);
  SetTimer(window, kScrollTimer, kFirstRepeatMs, nullptr);
}

void OnPenMove(POINT screen) {
  for (HWND window : g_tracking->windows) {
    auto d = DataOf<MenuWindowData>(window);
    if (!d || !d->holding) continue;
    Part part = HitTest(window, ClientPoint(window, screen)).part;
    if (part != (d->holding < 0 ? Part::UpArrow : Part::DownArrow)) StopHolding(window);
  }
}

void OnPenUp(POINT screen) {
  for (HWND window : std::vector<HWND>(g_tracking->windows)) StopHolding(window);
  if (!g_tracking->sawDown) return;
  if (g_tracking->onArrow) {
    g_tracking->onArrow = false;
    return;
  }
  HWND window = MenuAt(screen);
  if (!window) {
    g_tracking->done = true;  // a tap outside every menu cancels
    return;
  }
  Hit hit = HitTest(window, ClientPoint(window, screen));
  if (hit.part == Part::Row) Choose(window, hit.row);
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
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      if (!g_tracking) return 0;
      POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &screen);
      if (msg == WM_LBUTTONDOWN) OnPenDown(screen);
      else if (msg == WM_MOUSEMOVE) OnPenMove(screen);
      else OnPenUp(screen);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kScrollTimer) OnScrollTimer(hwnd);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

bool HandleKey(const MSG& m) {
  if (!g_tracking || (m.message != WM_KEYDOWN && m.message != WM_CHAR && m.message != WM_KEYUP)) return false;
  if (m.message != WM_KEYDOWN) return true;  // keys belong to the menu while it is up
  HWND window = g_tracking->windows.back();
  auto data = DataOf<MenuWindowData>(window);
  if (!data) return true;
  std::vector<MenuItem> items = MenuItemsOf(data->menu);
  int n = static_cast<int>(items.size());
  switch (m.wParam) {
    case VK_DOWN:
    case VK_UP: {
      int step = m.wParam == VK_DOWN ? 1 : -1;
      // With nothing highlighted, Down starts at the first item and Up at the last.
      int from = data->highlight >= 0 ? data->highlight : (step > 0 ? -1 : n);
      for (int k = 1; k <= n; ++k) {
        int i = ((from + step * k) % n + n) % n;
        if (!IsSeparator(items[static_cast<size_t>(i)])) {
          data->highlight = i;
          ScrollIntoView(window, i);
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

// ---- Painting

// Draws a shape of one-unit squares from (x, y), so that it doubles with the screen:
// `spans[i]` covers units [from, to) of line i, lines being rows or, `across` false, columns.
struct UnitSpan {
  int from;
  int to;
};
void PaintUnits(HDC dc, int x, int y, std::initializer_list<UnitSpan> spans, int color, bool across = true) {
  int u = Unit();
  int i = 0;
  for (UnitSpan s : spans) {
    RECT r = across ? RECT{x + s.from * u, y + i * u, x + s.to * u, y + (i + 1) * u}
                    : RECT{x + i * u, y + s.from * u, x + (i + 1) * u, y + s.to * u};
    FillRect(dc, &r, GetSysColorBrush(color));
    ++i;
  }
}

// A scroll arrow centred in its strip, grey when the menu cannot scroll that way.
void PaintArrow(HDC dc, const RECT& strip, bool up, bool enabled) {
  int x = (strip.left + strip.right) / 2 - 3 * Unit();
  int y = (strip.top + strip.bottom) / 2 - 2 * Unit();
  int color = enabled ? COLOR_MENUTEXT : COLOR_GRAYTEXT;
  if (up) PaintUnits(dc, x, y, {{3, 4}, {2, 5}, {1, 6}, {0, 7}}, color);
  else PaintUnits(dc, x, y, {{0, 7}, {1, 6}, {2, 5}, {3, 4}}, color);
}

void PaintRow(HDC dc, const MenuItem& item, const RECT& row, bool lit) {
  if (lit) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
  bool grey = item.state & (MF_GRAYED | MF_DISABLED);
  int color = grey ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
  SetTextColor(dc, GetSysColor(color));
  RECT text{row.left + TextLeft(), row.top, row.right - TextRight(), row.bottom};
  DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  int u = Unit();
  int middle = (row.top + row.bottom) / 2;
  if (item.state & MF_CHECKED)  // a tick
    PaintUnits(dc, row.left + 3 * u, middle - 3 * u, {{2, 4}, {3, 5}, {4, 6}, {3, 5}, {2, 4}, {1, 3}, {0, 2}}, color,
               false);
  if (item.sub)  // an arrow pointing to where the submenu opens
    PaintUnits(dc, row.right - 8 * u, middle - 3 * u, {{0, 7}, {1, 6}, {2, 5}, {3, 4}}, color, false);
}

}  // namespace

std::string platform::user::MenuWindowItems(const std::shared_ptr<WindowData>& data) {
  auto menu = std::dynamic_pointer_cast<MenuWindowData>(data);
  if (!menu) return {};
  std::string out;
  for (const MenuItem& item : MenuItemsOf(menu->menu)) {
    out += out.empty() ? "" : " | ";
    if (IsSeparator(item)) {
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
  int u = Unit();
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  SetBkMode(dc, TRANSPARENT);
  std::vector<MenuItem> items = MenuItemsOf(data->menu);
  RowSpan rows = RowsOf(*data, client.bottom);
  int top = RowTop(items, *data, client.bottom, 0);
  for (size_t i = 0; i < items.size() && top < rows.bottom; top += ItemHeight(items[i]), ++i) {
    if (top + ItemHeight(items[i]) <= rows.top) continue;
    if (IsSeparator(items[i])) {
      RECT line{3 * u, top + 2 * u, client.right - 3 * u, top + 3 * u};
      FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
      continue;
    }
    PaintRow(dc, items[i], RECT{u, top, client.right - u, top + RowHeight()}, static_cast<int>(i) == data->highlight);
  }
  // The arrows' strips and the frame cover what a row scrolled in part leaves outside the rows.
  if (data->scrolls) {
    RECT up{u, u, client.right - u, rows.top};
    RECT down{u, rows.bottom, client.right - u, client.bottom - u};
    FillRect(dc, &up, GetSysColorBrush(COLOR_MENU));
    FillRect(dc, &down, GetSysColorBrush(COLOR_MENU));
    PaintArrow(dc, up, true, data->offset > 0);
    PaintArrow(dc, down, false, data->offset < MaxOffset(items, *data, client.bottom));
  }
  for (RECT edge : {RECT{0, 0, client.right, u}, RECT{0, client.bottom - u, client.right, client.bottom},
                    RECT{0, 0, u, client.bottom}, RECT{client.right - u, 0, client.right, client.bottom}})
    FillRect(dc, &edge, GetSysColorBrush(COLOR_WINDOWFRAME));
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
  tracking.band = ScreenBand();
  bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessageW(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(platform::MenuIdentifier(menu), 0));
  }
  if (!IsMenu(menu)) return FALSE;
  g_tracking = &tracking;
  Placement place = PlaceMenu(MenuSize(MenuItemsOf(menu)), POINT{x, y}, flags, tracking.band);
  // Its submenus keep above the bar a menu opened upward from, too.
  if ((flags & TPM_BOTTOMALIGN) && place.rect.bottom <= y) tracking.band.bottom = place.rect.bottom;
  tracking.windows.push_back(OpenMenuWindow(menu, place));
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

BOOL GetMenuItemRect(HWND, HMENU menu, UINT item, LPRECT rect) {
  if (!rect || !IsMenu(menu)) {
    SetLastError(rect ? ERROR_INVALID_MENU_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (HWND window : g_tracking ? g_tracking->windows : std::vector<HWND>()) {
    auto d = DataOf<MenuWindowData>(window);
    if (!d || d->menu != menu) continue;
    RECT r;
    GetWindowRect(window, &r);
    std::vector<MenuItem> items = MenuItemsOf(menu);
    int row = static_cast<int>(item);
    if (!RowInView(items, *d, r.bottom - r.top, row)) break;
    int top = r.top + RowTop(items, *d, r.bottom - r.top, row);
    *rect = RECT{r.left + Unit(), top, r.right - Unit(), top + ItemHeight(items[item])};
    return TRUE;
  }
  SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
  return FALSE;
}

namespace platform {

bool MenuScrollArrows(HWND menuWindow, RECT* up, RECT* down) {
  auto d = user::DataOf<MenuWindowData>(menuWindow);
  if (!d || !d->scrolls) return false;
  RECT r;
  GetWindowRect(menuWindow, &r);
  RowSpan rows = RowsOf(*d, r.bottom - r.top);
  if (up) *up = RECT{r.left + Unit(), r.top + Unit(), r.right - Unit(), r.top + rows.top};
  if (down) *down = RECT{r.left + Unit(), r.top + rows.bottom, r.right - Unit(), r.bottom - Unit()};
  return true;
}

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

// The tab control: a strip of tabs (at the bottom with TCS_BOTTOM) above or below the
// display area the parent fills with its pages. A tap on another tab asks the parent
// (TCN_SELCHANGING, which may refuse) and tells it (TCN_SELCHANGE); TCM_SETCURSEL changes
// the tab quietly, since the caller shows the page itself.
#include <algorithm>
#include <vector>

#include "platform/commctrl/CommCtrlInternal.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"

namespace platform::commctrl {

namespace {

using platform::user::StyleOf;

struct Tab {
  std::u16string text;
  LPARAM lParam = 0;
  int image = -1;
  DWORD state = 0;
};

class TabControl : public platform::user::WindowData {
 public:
  std::vector<Tab> tabs;
  int current = -1;
};

std::shared_ptr<TabControl> Model(HWND hwnd) { return platform::user::DataOf<TabControl>(hwnd); }

int StripHeight(HWND hwnd) { return LineHeight(hwnd) + Px(8); }

bool Bottom(HWND hwnd) { return StyleOf(hwnd) & TCS_BOTTOM; }

RECT Client(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return r;
}

// Tabs as wide as their texts with a margin. When they do not all fit, the margins shrink
// first and what room is left is shared equally, so every text stays whole while it can.
// When even that is too wide, the short texts stay whole and only the longest tabs give
// way, all cut to one width (their texts end in an ellipsis).
std::vector<int> TabWidths(HWND hwnd, const TabControl& m) {
  const int room = Client(hwnd).right;
  const int n = static_cast<int>(m.tabs.size());
  std::vector<int> widths;
  if (n == 0) return widths;
  if (StyleOf(hwnd) & TCS_FIXEDWIDTH) return std::vector<int>(static_cast<size_t>(n), room / n);
  const int margin = Px(12);
  const int leastMargin = Px(4);
  int texts = 0;
  for (const Tab& t : m.tabs) {
    widths.push_back(TextWidthOf(hwnd, t.text));
    texts += widths.back();
  }
  if (texts + margin * n <= room) {
    for (int& w : widths) w += margin;
    return widths;
  }
  if (texts + leastMargin * n <= room) {
    for (int& w : widths) w += (room - texts) / n;
    return widths;
  }
  for (int& w : widths) w += leastMargin;
  // The widest width every tab may keep: the short ones under it keep theirs.
  std::vector<int> sorted = widths;
  std::sort(sorted.begin(), sorted.end());
  int cap = room / n;
  int whole = 0;  // the room the tabs narrower than sorted[k] take
  for (int k = 0; k < n; ++k) {
    const int rest = n - k;
    const int share = (room - whole) / rest;
    if (sorted[static_cast<size_t>(k)] > share) {
      cap = share;
      break;
    }
    whole += sorted[static_cast<size_t>(k)];
  }
  for (int& w : widths) w = std::min(w, cap);
  return widths;
}

// Every tab's rectangle, its labels measured once.
std::vector<RECT> TabRects(HWND hwnd, const TabControl& m) {
  const std::vector<int> widths = TabWidths(hwnd, m);
  const int height = StripHeight(hwnd);
  const int top = Bottom(hwnd) ? Client(hwnd).bottom - height : 0;
  std::vector<RECT> rects;
  int left = 0;
  for (int w : widths) {
    rects.push_back(RECT{left, top, left + w, top + height});
    left += w;
  }
  return rects;
}

int HitTab(HWND hwnd, const TabControl& m, POINT pt) {
  const std::vector<RECT> rects = TabRects(hwnd, m);
  for (size_t i = 0; i < rects.size(); ++i)
    if (Contains(rects[i], pt)) return static_cast<int>(i);
  return -1;
}

// A person choosing tab i: the parent may refuse while leaving the current page.
void Choose(HWND hwnd, TabControl& m, int i) {
  if (i < 0 || i >= static_cast<int>(m.tabs.size()) || i == m.current) return;
  NMHDR asking;
  if (Notify(hwnd, TCN_SELCHANGING, &asking)) return;
  if (!Model(hwnd) || i >= static_cast<int>(m.tabs.size())) return;
  m.current = i;
  Redraw(hwnd);
  NMHDR told;
  Notify(hwnd, TCN_SELCHANGE, &told);
}

LRESULT Insert(HWND hwnd, TabControl& m, int at, const TCITEMW* item) {
  if (!item) return -1;
  Tab t;
  if ((item->mask & TCIF_TEXT) && item->pszText) t.text = item->pszText;
  if (item->mask & TCIF_PARAM) t.lParam = item->lParam;
  if (item->mask & TCIF_IMAGE) t.image = item->iImage;
  at = std::clamp(at, 0, static_cast<int>(m.tabs.size()));
  m.tabs.insert(m.tabs.begin() + at, std::move(t));
  if (m.current >= at) ++m.current;
  if (m.current < 0) m.current = 0;  // the first tab starts chosen
  Redraw(hwnd);
  return at;
}

BOOL GetTab(const TabControl& m, int i, TCITEMW* item) {
  if (!item || i < 0 || i >= static_cast<int>(m.tabs.size())) return FALSE;
  const Tab& t = m.tabs[static_cast<size_t>(i)];
  if (item->mask & TCIF_TEXT) CopyOut(t.text, item->pszText, item->cchTextMax);
  if (item->mask & TCIF_PARAM) item->lParam = t.lParam;
  if (item->mask & TCIF_IMAGE) item->iImage = t.image;
  if (item->mask & TCIF_STATE) item->dwState = t.state & item->dwStateMask;
  return TRUE;
}

BOOL SetTab(HWND hwnd, TabControl& m, int i, const TCITEMW* item) {
  if (!item || i < 0 || i >= static_cast<int>(m.tabs.size())) return FALSE;
  Tab& t = m.tabs[static_cast<size_t>(i)];
  if (item->mask & TCIF_TEXT) t.text = item->pszText ? item->pszText : u"";
  if (item->mask & TCIF_PARAM) t.lParam = item->lParam;
  if (item->mask & TCIF_IMAGE) t.image = item->iImage;
  if (item->mask & TCIF_STATE) t.state = (t.state & ~item->dwStateMask) | (item->dwState & item->dwStateMask);
  Redraw(hwnd);
  return TRUE;
}

// The display area of a window rectangle (larger = FALSE), or the window rectangle of a
// display area (larger = TRUE).
void Adjust(HWND hwnd, BOOL larger, RECT* r) {
  int strip = StripHeight(hwnd);
  int sign = larger ? -1 : 1;
  const int edge = Px(2);
  r->left += sign * edge;
  r->right -= sign * edge;
  if (Bottom(hwnd)) {
    r->top += sign * edge;
    r->bottom -= sign * (strip + edge);
  } else {
    r->top += sign * (strip + edge);
    r->bottom -= sign * edge;
  }
}

void Paint(HWND hwnd, TabControl& m) {
  PaintScope paint(hwnd);
  HDC dc = paint.dc();
  if (!dc) return;
  const RECT& client = paint.client();
  FillColor(dc, client, GetSysColor(COLOR_BTNFACE));
  RECT body = client;
  Adjust(hwnd, FALSE, &body);
  body = RECT{body.left - 1, body.top - 1, body.right + 1, body.bottom + 1};
  COLORREF edge = GetSysColor(COLOR_BTNSHADOW);
  FrameColor(dc, body, edge);
  const std::vector<RECT> rects = TabRects(hwnd, m);
  for (int i = 0; i < static_cast<int>(rects.size()); ++i) {
    const RECT& r = rects[static_cast<size_t>(i)];
    bool current = i == m.current;
    if (current) FillColor(dc, r, GetSysColor(COLOR_WINDOW));
    FrameColor(dc, r, edge);
    if (current) {
      // The chosen tab opens into the display area.
      int y = Bottom(hwnd) ? r.top : r.bottom - 1;
      Line(dc, r.left + 1, y, r.right - 2, y, GetSysColor(COLOR_WINDOW));
    }
    RECT text{r.left + 1, r.top, r.right - 1, r.bottom};
    DrawLabel(dc, m.tabs[static_cast<size_t>(i)].text, text, DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS,
              GetSysColor(COLOR_BTNTEXT));
  }
}

}  // namespace

LRESULT TabControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto m = ModelFor<TabControl>(hwnd, msg);
  if (!m || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto i = static_cast<int>(wParam);
  int count = static_cast<int>(m->tabs.size());
  switch (msg) {
    case TCM_INSERTITEMW: return Insert(hwnd, *m, i, reinterpret_cast<const TCITEMW*>(lParam));
    case TCM_DELETEITEM:
      if (i < 0 || i >= count) return FALSE;
      m->tabs.erase(m->tabs.begin() + i);
      if (m->current == i) m->current = -1;
      else if (m->current > i) --m->current;
      Redraw(hwnd);
      return TRUE;
    case TCM_DELETEALLITEMS:
      m->tabs.clear();
      m->current = -1;
      Redraw(hwnd);
      return TRUE;
    case TCM_GETITEMCOUNT: return count;
    case TCM_GETITEMW: return GetTab(*m, i, reinterpret_cast<TCITEMW*>(lParam));
    case TCM_SETITEMW: return SetTab(hwnd, *m, i, reinterpret_cast<const TCITEMW*>(lParam));
    case TCM_GETCURSEL: return m->current;
    case TCM_SETCURSEL: {
      if (i < 0 || i >= count) return -1;
      int old = m->current;
      m->current = i;
      Redraw(hwnd);
      return old;
    }
    case TCM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || i < 0 || i >= count) return FALSE;
      *r = TabRects(hwnd, *m)[static_cast<size_t>(i)];
      return TRUE;
    }
    case TCM_HITTEST: {
      auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
      if (!info) return -1;
      int hit = HitTab(hwnd, *m, info->pt);
      info->flags = hit >= 0 ? TCHT_ONITEMLABEL : TCHT_NOWHERE;
      return hit;
    }
    case TCM_ADJUSTRECT:
      if (auto* r = reinterpret_cast<RECT*>(lParam)) Adjust(hwnd, static_cast<BOOL>(wParam), r);
      return 0;
    case WM_LBUTTONDOWN:
      Choose(hwnd, *m, HitTab(hwnd, *m, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_LEFT) Choose(hwnd, *m, m->current - 1);
      if (wParam == VK_RIGHT) Choose(hwnd, *m, m->current + 1);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SIZE:
    case WM_SETFONT:
      if (msg == WM_SETFONT) DefWindowProcW(hwnd, msg, wParam, lParam);
      Redraw(hwnd);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      Paint(hwnd, *m);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::commctrl

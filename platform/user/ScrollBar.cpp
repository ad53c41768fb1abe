// Scroll bars: the scroll information every window keeps (SB_HORZ, SB_VERT) or a
// scroll-bar control keeps (SB_CTL), the scroll-bar control, which also serves as the
// vertical bar a scrolling control shows at its right edge, and the wheel.
#include "platform/user/ScrollBar.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/ControlsInternal.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

using namespace platform::user;

namespace {

// The style of a bar made by AttachVerticalScrollBar: it shows its parent's SB_VERT and
// scrolls the parent, instead of keeping a position of its own.
constexpr DWORD kSbsOfParent = 0x0100;
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeat = 350;  // ms an arrow or the track is held before it repeats
constexpr UINT kRepeatEvery = 60;
constexpr int kWheelLines = 3;
constexpr int kMaxWheelLines = 300;

enum class Part { None, LineUp, LineDown, PageUp, PageDown, Thumb };

// What a bar keeps of the pen while it is pressed.
class BarData : public WindowData {
 public:
  Part pressed = Part::None;
  int pen = 0;   // where the pen is, along the bar
  int grab = 0;  // where the pen holds the thumb, from the thumb's start
};

ScrollBarState* BarLocked(HWND hwnd, int bar) {
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  switch (bar) {
    case SB_HORZ:
    case SB_CTL: return &w->bars[0];
    case SB_VERT: return &w->bars[1];
    default: return nullptr;
  }
}

int Clamp(const ScrollBarState& s, int pos) {
  int top = s.max - std::max(static_cast<int>(s.page) - 1, 0);
  return std::max(s.min, std::min(pos, std::max(top, s.min)));
}

// The bar AttachVerticalScrollBar gave `hwnd`, or null.
HWND AttachedBar(HWND hwnd) {
  std::lock_guard guard(S().lock);
  Window* w = FindLocked(hwnd);
  if (!w) return nullptr;
  for (HWND c : w->children)
    if (Window* cw = FindLocked(c); cw && (cw->style & kSbsOfParent) && std::dynamic_pointer_cast<BarData>(cw->data))
      return c;
  return nullptr;
}

bool Shown(HWND bar) { return bar && (StyleOf(bar) & WS_VISIBLE); }

// Keeps `hwnd`'s attached bar at the right edge of its client area, shown while the range
// is larger than the page (and the window is wide enough to hold it beside something).
void PlaceAttachedBar(HWND hwnd) {
  HWND bar = AttachedBar(hwnd);
  if (!bar) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  GetScrollInfo(hwnd, SB_VERT, &si);
  RECT client{};
  GetClientRect(hwnd, &client);
  int width = GetSystemMetrics(SM_CXVSCROLL);
  bool need = si.nMax - si.nMin + 1 > std::max(static_cast<int>(si.nPage), 1) && client.right >= 2 * width;
  bool was = Shown(bar);
  if (need) {
    MoveWindow(bar, client.right - width, 0, width, client.bottom, FALSE);
    if (!was) ShowWindow(bar, SW_SHOWNA);
    InvalidateRect(bar, nullptr, FALSE);
  } else if (was) {
    ShowWindow(bar, SW_HIDE);
  }
  // The content beside the bar changes width.
  if (need != was) InvalidateRect(hwnd, nullptr, TRUE);
}

// The lines a turn of the wheel (WM_MOUSEWHEEL's wParam) scrolls: three a step, at least
// one for any turn; negative for a turn away from the user (towards the top).
int WheelLines(WPARAM wheel) {
  int delta = GET_WHEEL_DELTA_WPARAM(wheel);
  if (delta == 0) return 0;
  int lines = std::clamp(std::abs(delta) * kWheelLines / WHEEL_DELTA, 1, kMaxWheelLines);
  return delta > 0 ? -lines : lines;
}

void SetTracking(HWND hwnd, int bar, bool tracking, int pos) {
  std::lock_guard guard(S().lock);
  if (ScrollBarState* s = BarLocked(hwnd, bar)) {
    s->tracking = tracking;
    s->track = Clamp(*s, pos);
  }
}

}  // namespace

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  int pos;
  {
    std::lock_guard guard(S().lock);
    ScrollBarState* s = BarLocked(hwnd, bar);
    if (!s || !info) return 0;
    if (info->fMask & SIF_RANGE) {
      s->min = info->nMin;
      s->max = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE) s->page = std::min<UINT>(info->nPage, static_cast<UINT>(s->max - s->min + 1));
    if (info->fMask & SIF_POS) s->pos = info->nPos;
    s->pos = Clamp(*s, s->pos);
    pos = s->pos;
  }
  if (bar == SB_VERT) PlaceAttachedBar(hwnd);
  else if (bar == SB_CTL && redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  std::lock_guard guard(S().lock);
  ScrollBarState* s = BarLocked(hwnd, bar);
  if (!s || !info) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = s->min;
    info->nMax = s->max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s->page;
  if (info->fMask & SIF_POS) info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->tracking ? s->track : s->pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  int old = GetScrollPos(hwnd, bar);
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = minPos;
  si.nMax = maxPos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return IsWindow(hwnd);
}

// ---- The scroll-bar control ----------------------------------------------------------------

namespace {

// Whose scroll information a bar shows and moves.
struct Target {
  HWND window;
  int bar;
};

Target TargetOf(HWND bar) {
  return (StyleOf(bar) & kSbsOfParent) ? Target{GetParent(bar), SB_VERT} : Target{bar, SB_CTL};
}

bool Vertical(HWND bar) { return StyleOf(bar) & SBS_VERT; }

SCROLLINFO InfoOf(HWND bar) {
  Target t = TargetOf(bar);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(t.window, t.bar, &si);
  return si;
}

// Where the parts lie along the bar: an arrow at each end, the track between them and the
// thumb in the track, as long as the page is of the range (never shorter than the bar is
// thick, so the pen can hold it).
struct Geometry {
  int length = 0;
  int thickness = 0;
  int arrow = 0;
  int thumbStart = 0;
  int thumbLength = 0;  // 0: no thumb (nothing to scroll, or no room for one)
  int range = 0;        // the positions the thumb travels over, past the first

  int Travel() const { return length - 2 * arrow - thumbLength; }
};

Geometry Measure(HWND bar, const SCROLLINFO& si) {
  RECT r{};
  GetClientRect(bar, &r);
  bool vertical = Vertical(bar);
  Geometry g;
  g.length = vertical ? r.bottom : r.right;
  g.thickness = vertical ? r.right : r.bottom;
  g.arrow = std::min(g.thickness, g.length / 2);
  int track = g.length - 2 * g.arrow;
  int span = si.nMax - si.nMin + 1;
  int page = static_cast<int>(si.nPage);
  g.range = span - std::max(page, 1);
  if (g.range <= 0 || track <= 0) return g;
  int proportional = page > 0 ? static_cast<int>(static_cast<long long>(track) * page / span) : 0;
  g.thumbLength = std::max(std::min(g.thickness, track), proportional);
  if (g.thumbLength >= track) {
    g.thumbLength = 0;
    return g;
  }
  int pos = std::clamp(si.nTrackPos - si.nMin, 0, g.range);
  g.thumbStart = g.arrow + static_cast<int>(static_cast<long long>(g.Travel()) * pos / g.range);
  return g;
}

Part PartAt(const Geometry& g, int along) {
  if (along < g.arrow) return Part::LineUp;
  if (along >= g.length - g.arrow) return Part::LineDown;
  if (g.thumbLength == 0) return Part::None;
  if (along < g.thumbStart) return Part::PageUp;
  if (along < g.thumbStart + g.thumbLength) return Part::Thumb;
  return Part::PageDown;
}

WORD CodeOf(Part part) {
  switch (part) {
    case Part::LineUp: return SB_LINEUP;
    case Part::LineDown: return SB_LINEDOWN;
    case Part::PageUp: return SB_PAGEUP;
    case Part::PageDown: return SB_PAGEDOWN;
    default: return SB_ENDSCROLL;
  }
}

// The position a thumb held `grab` pixels from its start shows with the pen at `along`.
int PositionAt(const Geometry& g, const SCROLLINFO& si, int along, int grab) {
  int travel = g.Travel();
  if (travel <= 0 || g.range <= 0) return si.nPos;
  int at = std::clamp(along - grab - g.arrow, 0, travel);
  return si.nMin + static_cast<int>((static_cast<long long>(at) * g.range + travel / 2) / travel);
}

// Tells the scrolled window: the bar of a window sends it WM_VSCROLL as its own bar would;
// a scroll-bar control tells its parent, naming itself.
void Send(HWND bar, WORD code, int pos = 0) {
  WPARAM wParam = MAKEWPARAM(code, static_cast<WORD>(std::clamp(pos, 0, 0xFFFF)));
  if (StyleOf(bar) & kSbsOfParent) {
    SendMessageW(GetParent(bar), WM_VSCROLL, wParam, 0);
    return;
  }
  if (HWND parent = GetParent(bar))
    SendMessageW(parent, Vertical(bar) ? WM_VSCROLL : WM_HSCROLL, wParam, reinterpret_cast<LPARAM>(bar));
}

int Along(HWND bar, LPARAM lParam) { return Vertical(bar) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam); }

void OnPenDown(HWND bar, BarData& d, LPARAM lParam) {
  SCROLLINFO si = InfoOf(bar);
  Geometry g = Measure(bar, si);
  int along = Along(bar, lParam);
  Part part = PartAt(g, along);
  if (part == Part::None) return;
  d.pressed = part;
  d.pen = along;
  SetCapture(bar);
  if (part == Part::Thumb) {
    d.grab = along - g.thumbStart;
    Target t = TargetOf(bar);
    SetTracking(t.window, t.bar, true, si.nPos);
  } else {
    Send(bar, CodeOf(part));
    SetTimer(bar, kRepeatTimer, kFirstRepeat, nullptr);
  }
  InvalidateRect(bar, nullptr, FALSE);
}

void OnPenMove(HWND bar, BarData& d, LPARAM lParam) {
  if (d.pressed == Part::None) return;
  d.pen = Along(bar, lParam);
  if (d.pressed != Part::Thumb) return;
  SCROLLINFO si = InfoOf(bar);
  int pos = PositionAt(Measure(bar, si), si, d.pen, d.grab);
  if (pos == si.nTrackPos) return;
  Target t = TargetOf(bar);
  SetTracking(t.window, t.bar, true, pos);
  Send(bar, SB_THUMBTRACK, pos);
  InvalidateRect(bar, nullptr, FALSE);
}

// An arrow or the track held: it acts again while the pen stays on it (a page stops when
// the thumb reaches the pen).
void OnRepeat(HWND bar, BarData& d) {
  if (d.pressed == Part::None || d.pressed == Part::Thumb || GetCapture() != bar) {
    KillTimer(bar, kRepeatTimer);
    return;
  }
  SetTimer(bar, kRepeatTimer, kRepeatEvery, nullptr);
  if (PartAt(Measure(bar, InfoOf(bar)), d.pen) == d.pressed) Send(bar, CodeOf(d.pressed));
}

// The pen lifted (or the capture taken away): a dragged thumb settles where it is.
void EndPress(HWND bar, BarData& d) {
  Part pressed = std::exchange(d.pressed, Part::None);
  if (pressed == Part::None) return;
  KillTimer(bar, kRepeatTimer);
  if (GetCapture() == bar) ReleaseCapture();
  if (pressed == Part::Thumb) {
    Target t = TargetOf(bar);
    int pos = InfoOf(bar).nTrackPos;
    Send(bar, SB_THUMBPOSITION, pos);
    SetTracking(t.window, t.bar, false, pos);
  }
  Send(bar, SB_ENDSCROLL);
  InvalidateRect(bar, nullptr, FALSE);
}

// A rectangle across the bar, from `start` for `length` along it.
RECT Across(HWND bar, const Geometry& g, int start, int length) {
  return Vertical(bar) ? RECT{0, start, g.thickness, start + length} : RECT{start, 0, start + length, g.thickness};
}

void Box(HDC dc, const RECT& r, bool pressed) {
  FillRect(dc, &r, GetSysColorBrush(pressed ? COLOR_BTNSHADOW : COLOR_BTNFACE));
  CSelectObjectScope brush(dc, GetStockObject(NULL_BRUSH));
  CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

// An arrow box with its triangle pointing away from the track.
void Arrow(HWND bar, HDC dc, const RECT& r, bool towardsStart, bool pressed) {
  Box(dc, r, pressed);
  int cx = (r.left + r.right) / 2;
  int cy = (r.top + r.bottom) / 2;
  int half = std::max(2, static_cast<int>(std::min(r.right - r.left, r.bottom - r.top)) / 4);
  int tip = towardsStart ? -half / 2 - 1 : half / 2 + 1;
  int base = towardsStart ? half / 2 + 1 : -half / 2 - 1;
  POINT tri[3];
  if (Vertical(bar)) {
    tri[0] = POINT{cx - half, cy + base};
    tri[1] = POINT{cx + half, cy + base};
    tri[2] = POINT{cx, cy + tip};
  } else {
    tri[0] = POINT{cx + base, cy - half};
    tri[1] = POINT{cx + base, cy + half};
    tri[2] = POINT{cx + tip, cy};
  }
  CSelectObjectScope brush(dc, GetStockObject(BLACK_BRUSH));
  CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
  Polygon(dc, tri, 3);
}

void Paint(HWND bar, const BarData& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(bar, &ps);
  if (!dc) return;
  SCROLLINFO si = InfoOf(bar);
  Geometry g = Measure(bar, si);
  RECT track = Across(bar, g, g.arrow, g.length - 2 * g.arrow);
  CGdiObject<HBRUSH> trackBrush(CreateSolidBrush(RGB(232, 232, 232)));
  FillRect(dc, &track, trackBrush ? trackBrush.get() : GetSysColorBrush(COLOR_SCROLLBAR));
  {
    // A line along the track's sides sets it off from what it scrolls.
    CSelectObjectScope brush(dc, GetStockObject(NULL_BRUSH));
    CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, track.left, track.top, track.right, track.bottom);
  }
  if (g.thumbLength > 0) {
    RECT page = Across(bar, g, d.pressed == Part::PageUp ? g.arrow : g.thumbStart + g.thumbLength,
                       d.pressed == Part::PageUp ? g.thumbStart - g.arrow : g.length - g.arrow - g.thumbStart - g.thumbLength);
    if (d.pressed == Part::PageUp || d.pressed == Part::PageDown) FillRect(dc, &page, GetSysColorBrush(COLOR_BTNSHADOW));
    Box(dc, Across(bar, g, g.thumbStart, g.thumbLength), d.pressed == Part::Thumb);
  }
  Arrow(bar, dc, Across(bar, g, 0, g.arrow), true, d.pressed == Part::LineUp);
  Arrow(bar, dc, Across(bar, g, g.length - g.arrow, g.arrow), false, d.pressed == Part::LineDown);
  EndPaint(bar, &ps);
}

void OnWheel(HWND bar, WPARAM wParam, LPARAM lParam) {
  if (StyleOf(bar) & kSbsOfParent) {
    SendMessageW(GetParent(bar), WM_MOUSEWHEEL, wParam, lParam);
    return;
  }
  int lines = WheelLines(wParam);
  if (lines == 0) return;
  for (int i = 0; i < std::abs(lines) && IsWindow(bar); ++i) Send(bar, lines < 0 ? SB_LINEUP : SB_LINEDOWN);
  if (IsWindow(bar)) Send(bar, SB_ENDSCROLL);
}

LRESULT RangeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case SBM_SETPOS: return SetScrollPos(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<BOOL>(lParam));
    case SBM_GETPOS: return GetScrollPos(hwnd, SB_CTL);
    case SBM_SETRANGE:
      SetScrollRange(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<int>(lParam), TRUE);
      return GetScrollPos(hwnd, SB_CTL);
    case SBM_GETRANGE: {
      SCROLLINFO si;
      si.fMask = SIF_RANGE;
      GetScrollInfo(hwnd, SB_CTL, &si);
      if (wParam) *reinterpret_cast<int*>(wParam) = si.nMin;
      if (lParam) *reinterpret_cast<int*>(lParam) = si.nMax;
      return 0;
    }
    case SBM_SETSCROLLINFO:
      return SetScrollInfo(hwnd, SB_CTL, reinterpret_cast<SCROLLINFO*>(lParam), static_cast<BOOL>(wParam));
    case SBM_GETSCROLLINFO: return GetScrollInfo(hwnd, SB_CTL, reinterpret_cast<SCROLLINFO*>(lParam));
    default: return 0;
  }
}

}  // namespace

namespace platform::user {

// The scroll-bar control: a scroll-bar control keeps its own position (SB_CTL) and tells
// its parent; a window's attached bar shows and scrolls its parent's SB_VERT.
LRESULT ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    SetData(hwnd, std::make_shared<BarData>());
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  auto d = DataOf<BarData>(hwnd);
  if (!d) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: Paint(hwnd, *d); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: OnPenDown(hwnd, *d, lParam); return 0;
    case WM_MOUSEMOVE: OnPenMove(hwnd, *d, lParam); return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: EndPress(hwnd, *d); return 0;
    case WM_TIMER:
      if (wParam == kRepeatTimer) OnRepeat(hwnd, *d);
      return 0;
    case WM_MOUSEWHEEL: OnWheel(hwnd, wParam, lParam); return 0;
    case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    default:
      if (msg >= SBM_SETPOS && msg <= SBM_GETSCROLLINFO) return RangeMessage(hwnd, msg, wParam, lParam);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::user

namespace platform {

void AttachVerticalScrollBar(HWND hwnd) {
  if (!hwnd || AttachedBar(hwnd)) return;
  CreateWindowExW(0, u"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT | kSbsOfParent, 0, 0, 0, 0, hwnd, nullptr,
                  nullptr, nullptr);
  PlaceAttachedBar(hwnd);
}

int VerticalScrollBarWidth(HWND hwnd) {
  HWND bar = AttachedBar(hwnd);
  if (!Shown(bar)) return 0;
  RECT r{};
  GetClientRect(bar, &r);
  return r.right;
}

void RedrawVerticalScrollBar(HWND hwnd) {
  HWND bar = AttachedBar(hwnd);
  if (Shown(bar)) InvalidateRect(bar, nullptr, FALSE);
}

std::optional<int> ScrolledTopLine(HWND hwnd, WPARAM wParam, int page, int lines) {
  int pos = 0;
  std::optional<int> dragged;  // where the bar's thumb is held, not bound to 16 bits
  {
    std::lock_guard guard(S().lock);
    ScrollBarState* s = BarLocked(hwnd, SB_VERT);
    if (!s) return std::nullopt;
    pos = s->pos;
    if (s->tracking) dragged = s->track;
  }
  switch (LOWORD(wParam)) {
    case SB_LINEUP: return pos - 1;
    case SB_LINEDOWN: return pos + 1;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return lines;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return dragged ? *dragged : HIWORD(wParam);
    default: return std::nullopt;
  }
}

int ScrollCodeForKey(UINT vk) {
  switch (vk) {
    case VK_UP: return SB_LINEUP;
    case VK_DOWN: return SB_LINEDOWN;
    case VK_PRIOR: return SB_PAGEUP;
    case VK_NEXT: return SB_PAGEDOWN;
    case VK_HOME: return SB_TOP;
    case VK_END: return SB_BOTTOM;
    default: return -1;
  }
}

void ScrollByWheel(HWND hwnd, WPARAM wheel) {
  int lines = WheelLines(wheel);
  if (lines == 0) return;
  WORD code = lines < 0 ? SB_LINEUP : SB_LINEDOWN;
  for (int i = 0; i < std::abs(lines) && IsWindow(hwnd); ++i) SendMessageW(hwnd, WM_VSCROLL, code, 0);
  if (IsWindow(hwnd)) SendMessageW(hwnd, WM_VSCROLL, SB_ENDSCROLL, 0);
}

void TurnWheel(POINT screen, int delta) {
  if (delta == 0) return;
  HWND target;
  {
    std::lock_guard guard(S().lock);
    target = PenTargetLocked(screen);
  }
  if (!target) return;
  auto turn = static_cast<WORD>(static_cast<short>(std::clamp(delta, -32768, 32767)));
  PostMessageW(target, WM_MOUSEWHEEL, MAKEWPARAM(0, turn), MAKELPARAM(screen.x, screen.y));
}

}  // namespace platform

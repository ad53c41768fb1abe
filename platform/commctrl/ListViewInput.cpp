// A list view's pen and keys: taps on rows and on column titles, holds, double taps, the
// arrow, page, home, end and action keys, and the scroll bar's messages.
#include <algorithm>
#include <optional>

#include "platform/commctrl/ListViewInternal.h"
#include "platform/user/ScrollBar.h"

namespace platform::commctrl::listview {

namespace {

NMITEMACTIVATE Activation(POINT pt, const Hit& hit, HWND hwnd, const ListView& m) {
  NMITEMACTIVATE nm;
  nm.iItem = hit.item;
  nm.iSubItem = std::max(hit.column, 0);
  nm.ptAction = pt;
  nm.lParam = ParamOf(hwnd, m, hit.item);
  return nm;
}

}  // namespace

void OnPenDown(HWND hwnd, ListView& m, LPARAM lParam) {
  SetFocus(hwnd);
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  m.headerDown = -1;
  if (pt.y < HeaderHeight(hwnd)) {
    for (int c = 0; c < static_cast<int>(m.columns.size()); ++c)
      if (pt.x >= ColumnLeft(m, c) && pt.x < ColumnLeft(m, c) + m.columns[static_cast<size_t>(c)].width) m.headerDown = c;
    m.pen.Down(hwnd, lParam);
    return;
  }
  Hit hit = HitTest(hwnd, m, pt);
  if (hit.item >= 0) Choose(hwnd, m, hit.item);
  else SetState(hwnd, m, -1, 0, LVIS_SELECTED);
  m.pen.Down(hwnd, lParam);
}

void OnPenUp(HWND hwnd, ListView& m, LPARAM lParam) {
  if (!m.pen.down) return;
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  bool hold = m.pen.UpIsHold(hwnd, lParam);
  if (m.headerDown >= 0) {
    int column = m.headerDown;
    m.headerDown = -1;
    bool same = pt.y < HeaderHeight(hwnd) && pt.x >= ColumnLeft(m, column) &&
                pt.x < ColumnLeft(m, column) + m.columns[static_cast<size_t>(column)].width;
    if (same && !(StyleOf(hwnd) & LVS_NOSORTHEADER)) {
      NMLISTVIEW nm;
      nm.iItem = -1;
      nm.iSubItem = column;
      nm.ptAction = pt;
      Notify(hwnd, LVN_COLUMNCLICK, &nm.hdr);
    }
    return;
  }
  if (hold) {
    NotifyHold(hwnd, pt);
    return;
  }
  Hit hit = HitTest(hwnd, m, pt);
  NMITEMACTIVATE nm = Activation(pt, hit, hwnd, m);
  Notify(hwnd, NM_CLICK, &nm.hdr);
  if (hit.item >= 0 && (m.exStyle & LVS_EX_ONECLICKACTIVATE) && IsWindow(hwnd)) {
    NMITEMACTIVATE act = Activation(pt, hit, hwnd, m);
    Notify(hwnd, LVN_ITEMACTIVATE, &act.hdr);
  }
}

void OnDoubleTap(HWND hwnd, ListView& m, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (pt.y < HeaderHeight(hwnd)) return;  // a double tap on the header changes nothing
  Hit hit = HitTest(hwnd, m, pt);
  NMITEMACTIVATE nm = Activation(pt, hit, hwnd, m);
  Notify(hwnd, NM_DBLCLK, &nm.hdr);
  if (hit.item >= 0 && IsWindow(hwnd)) {
    NMITEMACTIVATE act = Activation(pt, hit, hwnd, m);
    Notify(hwnd, LVN_ITEMACTIVATE, &act.hdr);
  }
}

void OnKey(HWND hwnd, ListView& m, WPARAM vk) {
  int count = Count(hwnd, m);
  if (count == 0) return;
  int focus = NextItem(hwnd, m, -1, LVNI_FOCUSED);
  int page = LinesPerPage(hwnd, m) * PerLine(hwnd, m);
  int next = focus;
  switch (vk) {
    case VK_DOWN: next = focus < 0 ? 0 : focus + PerLine(hwnd, m); break;
    case VK_UP: next = focus < 0 ? 0 : focus - PerLine(hwnd, m); break;
    case VK_RIGHT: next = Report(hwnd) ? focus : focus + 1; break;
    case VK_LEFT: next = Report(hwnd) ? focus : focus - 1; break;
    case VK_NEXT: next = focus + page; break;
    case VK_PRIOR: next = focus - page; break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    case VK_RETURN:
    case VK_ACTION: {
      if (focus < 0) return;
      NMITEMACTIVATE nm;
      nm.iItem = focus;
      nm.lParam = ParamOf(hwnd, m, focus);
      Notify(hwnd, LVN_ITEMACTIVATE, &nm.hdr);
      return;
    }
    default: return;
  }
  next = std::clamp(next, 0, count - 1);
  if (next == focus) return;
  Choose(hwnd, m, next);
  EnsureVisible(hwnd, m, next);
}

LRESULT OnScroll(HWND hwnd, const ListView& m, WPARAM wParam) {
  std::optional<int> top = platform::ScrolledTopLine(hwnd, wParam, LinesPerPage(hwnd, m), LineCount(hwnd, m));
  if (top) ScrollToLine(hwnd, m, *top);
  return 0;
}

}  // namespace platform::commctrl::listview

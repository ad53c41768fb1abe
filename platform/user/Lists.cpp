// List boxes and combo boxes: a list of texts with item data, one selected entry, prefix
// search ignoring case. The combo box here is the drop-down list kind the program uses:
// its text is the selected entry's text; a tap drops or closes its list. The height a
// caller gives a combo box is the extent of the field and its dropped list, as Win32
// callers give it: the window itself is as tall as its field, so that a tap below the
// field reaches what lies there. The dropped list is a popup of its own.
#include <algorithm>
#include <optional>
#include <utility>

#include "platform/base/Base.h"
#include "platform/user/ControlsInternal.h"
#include "platform/user/Dialog.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/TextMeasure.h"

namespace platform::user {

namespace {

struct Entry {
  std::u16string text;
  LPARAM data = 0;
};

class ListModel : public WindowData {
 public:
  std::vector<Entry> entries;
  int current = -1;
  int top = 0;
  bool dropped = false;
  int extent = 0;
  HWND dropList = nullptr;  // a combo box's open list
};

// The open list of a combo box: a popup window under its field (or above it, when there
// is no room below) that takes every tap while it is open (a tap outside closes it), with
// a scroll bar when it holds more entries than it shows.
class DropListData : public WindowData {
 public:
  HWND combo = nullptr;
  int rows = 0;          // entries the list shows at once
  bool sawDown = false;  // the pen's release after the tap that opened the list is not a choice
  HWND barHeld = nullptr;  // the scroll bar the pen went down on, until it is lifted
};

constexpr const char16_t* kDropListClass = u"ComboLBox";
constexpr int kDropRows = 8;

std::shared_ptr<ListModel> Model(HWND hwnd) { return DataOf<ListModel>(hwnd); }

bool Valid(const ListModel& m, INT_PTR i) { return i >= 0 && static_cast<size_t>(i) < m.entries.size(); }

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && platform::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Search from the entry after `start` round to `start` itself (-1: from the first).
LRESULT Find(const ListModel& m, INT_PTR start, LPCWSTR text, bool exact) {
  if (!text || m.entries.empty()) return -1;
  std::u16string_view key(text);
  size_t n = m.entries.size();
  size_t first = Valid(m, start) ? static_cast<size_t>(start) + 1 : 0;
  for (size_t k = 0; k < n; ++k) {
    size_t i = (first + k) % n;
    const std::u16string& t = m.entries[i].text;
    if (exact ? platform::EqualsIgnoreCase(t, key) : StartsWith(t, key)) return static_cast<LRESULT>(i);
  }
  return -1;
}

LRESULT Insert(ListModel& m, INT_PTR at, LPCWSTR text, bool sorted) {
  if (!text) return -1;
  Entry e{text, 0};
  size_t index;
  if (sorted) {
    auto it = std::upper_bound(m.entries.begin(), m.entries.end(), e, [](const Entry& a, const Entry& b) {
      return platform::CompareIgnoreCase(a.text, b.text) < 0;
    });
    index = static_cast<size_t>(it - m.entries.begin());
  } else {
    index = (at < 0 || static_cast<size_t>(at) > m.entries.size()) ? m.entries.size() : static_cast<size_t>(at);
    if (at >= 0 && static_cast<size_t>(at) > m.entries.size()) return -1;
  }
  m.entries.insert(m.entries.begin() + static_cast<std::ptrdiff_t>(index), std::move(e));
  if (m.current >= static_cast<int>(index)) ++m.current;
  return static_cast<LRESULT>(index);
}

LRESULT Delete(ListModel& m, INT_PTR i) {
  if (!Valid(m, i)) return -1;
  m.entries.erase(m.entries.begin() + i);
  if (m.current == static_cast<int>(i)) m.current = -1;
  else if (m.current > static_cast<int>(i)) --m.current;
  return static_cast<LRESULT>(m.entries.size());
}

LRESULT CopyText(const ListModel& m, INT_PTR i, LPARAM buffer) {
  if (!Valid(m, i) || !buffer) return -1;
  const std::u16string& t = m.entries[static_cast<size_t>(i)].text;
  auto* out = reinterpret_cast<WCHAR*>(buffer);
  std::copy(t.begin(), t.end(), out);
  out[t.size()] = 0;
  return static_cast<LRESULT>(t.size());
}

void SetCurrent(HWND hwnd, ListModel& m, int i) {
  m.current = Valid(m, i) ? i : -1;
  StoreText(hwnd, m.current >= 0 ? m.entries[static_cast<size_t>(m.current)].text : u"");
}

// The entry operations the list box and the combo box answer alike, each under its own
// message number.
LRESULT TextLength(const ListModel& m, INT_PTR i) {
  return Valid(m, i) ? static_cast<LRESULT>(m.entries[static_cast<size_t>(i)].text.size()) : -1;
}

LRESULT SelectString(HWND hwnd, ListModel& m, INT_PTR start, LPARAM text) {
  LRESULT found = Find(m, start, reinterpret_cast<LPCWSTR>(text), false);
  if (found >= 0) SetCurrent(hwnd, m, static_cast<int>(found));
  return found;
}

LRESULT SelectIndex(HWND hwnd, ListModel& m, INT_PTR i) {
  SetCurrent(hwnd, m, static_cast<int>(i));
  return Valid(m, i) ? i : -1;
}

LRESULT ItemData(const ListModel& m, INT_PTR i) { return Valid(m, i) ? m.entries[static_cast<size_t>(i)].data : -1; }

LRESULT SetItemData(ListModel& m, INT_PTR i, LPARAM data) {
  if (!Valid(m, i)) return -1;
  m.entries[static_cast<size_t>(i)].data = data;
  return TRUE;
}

int RowHeight() { return TextLineHeight(nullptr) + 2; }

}  // namespace

// ---- List box ----------------------------------------------------------------------------

LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    SetData(hwnd, std::make_shared<ListModel>());
    return TRUE;
  }
  auto m = Model(hwnd);
  if (!m) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto i = static_cast<INT_PTR>(wParam);
  switch (msg) {
    case LB_ADDSTRING: return Insert(*m, -1, reinterpret_cast<LPCWSTR>(lParam), StyleOf(hwnd) & LBS_SORT);
    case LB_INSERTSTRING: return Insert(*m, i, reinterpret_cast<LPCWSTR>(lParam), false);
    case LB_DELETESTRING: return Delete(*m, i);
    case LB_RESETCONTENT:
      m->entries.clear();
      m->current = -1;
      m->top = 0;
      return 0;
    case LB_GETCOUNT: return static_cast<LRESULT>(m->entries.size());
    case LB_GETCURSEL: return m->current;
    case LB_SETCURSEL: return SelectIndex(hwnd, *m, i);
    case LB_GETTEXT: return CopyText(*m, i, lParam);
    case LB_GETTEXTLEN: return TextLength(*m, i);
    case LB_FINDSTRING: return Find(*m, i, reinterpret_cast<LPCWSTR>(lParam), false);
    case LB_FINDSTRINGEXACT: return Find(*m, i, reinterpret_cast<LPCWSTR>(lParam), true);
    case LB_SELECTSTRING: return SelectString(hwnd, *m, i, lParam);
    case LB_GETITEMDATA: return ItemData(*m, i);
    case LB_SETITEMDATA: return SetItemData(*m, i, lParam);
    case LB_GETTOPINDEX: return m->top;
    case LB_SETTOPINDEX:
      if (!Valid(*m, i)) return -1;
      m->top = static_cast<int>(i);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      int row = m->top + GET_Y_LPARAM(lParam) / RowHeight();
      if (Valid(*m, row) && row != m->current) {
        SetCurrent(hwnd, *m, row);
        if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_SELCHANGE);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      int next = m->current;
      if (wParam == VK_DOWN) next = std::min<int>(m->current + 1, static_cast<int>(m->entries.size()) - 1);
      if (wParam == VK_UP) next = std::max(m->current - 1, 0);
      if (next != m->current && Valid(*m, next)) {
        SetCurrent(hwnd, *m, next);
        if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_SELCHANGE);
      }
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- Combo box ---------------------------------------------------------------------------

namespace {

// The height of a combo box's field, which the window keeps while closed: one line of the
// system font and its frame, or less when the caller gave less.
int FieldHeight(int given) { return std::clamp(given, 0, TextLineHeight(nullptr) + 6); }

// Where the open list of a combo box whose field is at `field` (on the screen) lies: below
// the field when its rows fit there, else on the side with more room, always between
// the shell's navigation bar and its menu bar. `rows` is set to the rows it shows.
RECT DropListPlace(const RECT& field, int entries, int& rows) {
  int top = platform::TaskBarHeight();
  int bottom = platform::ScreenHeight() - platform::MenuBarHeight();
  int below = (bottom - static_cast<int>(field.bottom) - 2) / RowHeight();
  int above = (static_cast<int>(field.top) - top - 2) / RowHeight();
  int wanted = std::clamp(entries, 1, kDropRows);
  bool up = wanted > below && above > below;
  rows = std::clamp(wanted, 1, std::max(up ? above : below, 1));
  int height = rows * RowHeight() + 2;
  int y = up ? static_cast<int>(field.top) - height : static_cast<int>(field.bottom);
  return RECT{field.left, y, field.right, y + height};
}

// Shows entry `m.top` at the top of the open list: its scroll bar follows and the rows
// are drawn again.
void ShowTopEntry(HWND list, ListModel& m, int rows) {
  int count = static_cast<int>(m.entries.size());
  m.top = std::clamp(m.top, 0, std::max(count - rows, 0));
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(count - 1, 0);
  si.nPage = static_cast<UINT>(rows);
  si.nPos = m.top;
  SetScrollInfo(list, SB_VERT, &si, TRUE);
  InvalidateRect(list, nullptr, FALSE);
}

// Scrolls the open list, if any, so that the selected entry shows.
void KeepCurrentInView(ListModel& m) {
  auto data = DataOf<DropListData>(m.dropList);
  if (!data || m.current < 0) return;
  if (m.current < m.top) m.top = m.current;
  if (m.current >= m.top + data->rows) m.top = m.current - data->rows + 1;
  ShowTopEntry(m.dropList, m, data->rows);
}

void OpenList(HWND combo, ListModel& m) {
  RECT r;
  GetWindowRect(combo, &r);
  int rows = 0;
  RECT place = DropListPlace(r, static_cast<int>(m.entries.size()), rows);
  // The selected entry shows in the list.
  m.top = m.current >= rows ? m.current - rows + 1 : 0;
  HWND list = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kDropListClass, u"", WS_POPUP | WS_BORDER, place.left,
                              place.top, place.right - place.left, place.bottom - place.top, GetAncestor(combo, GA_ROOT),
                              nullptr, nullptr, nullptr);
  if (!list) return;
  auto data = std::make_shared<DropListData>();
  data->combo = combo;
  data->rows = rows;
  SetData(list, data);
  m.dropList = list;
  platform::AttachVerticalScrollBar(list);
  ShowTopEntry(list, m, rows);
  ShowWindow(list, SW_SHOWNA);
  SetCapture(list);
}

void CloseList(ListModel& m) {
  HWND list = m.dropList;
  m.dropList = nullptr;
  if (!list) return;
  if (GetCapture() == list) ReleaseCapture();
  DestroyWindow(list);
}

void Drop(HWND hwnd, ListModel& m, bool drop) {
  if (m.dropped == drop) return;
  m.dropped = drop;
  if (drop) {
    NotifyParent(hwnd, CBN_DROPDOWN);
    if (m.dropped && IsWindowVisible(hwnd)) OpenList(hwnd, m);
  } else {
    CloseList(m);
    NotifyParent(hwnd, CBN_CLOSEUP);
  }
}

void Choose(HWND hwnd, ListModel& m, int i) {
  if (i == m.current) return;
  SetCurrent(hwnd, m, i);
  KeepCurrentInView(m);
  NotifyParent(hwnd, CBN_SELCHANGE);
}

// The open list's scroll bar under the pen at `client` (a point of the list), or null.
HWND BarAt(HWND list, POINT client) {
  HWND child = ChildWindowFromPoint(list, client);
  return child && child != list && IsWindowVisible(child) ? child : nullptr;
}

// The pen lifted over the open list: a row chooses its entry, a tap beside the list closes
// it and keeps the selection.
void OnListPenUp(HWND list, HWND combo, ListModel& m, POINT at) {
  RECT client;
  GetClientRect(list, &client);
  int rowsRight = client.right - platform::VerticalScrollBarWidth(list);
  bool inside = at.x >= 0 && at.y >= 0 && at.x < client.right && at.y < client.bottom;
  if (inside && at.x >= rowsRight) return;  // lifted over the scroll bar
  if (inside) {
    int row = m.top + at.y / RowHeight();
    if (Valid(m, row)) {
      ChooseComboEntry(combo, row);
      return;
    }
  }
  NotifyParent(combo, CBN_SELENDCANCEL);
  Drop(combo, m, false);
}

void PaintDropList(HWND list, const DropListData& data) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(list, &ps);
  auto m = Model(data.combo);
  if (dc && m) {
    RECT client;
    GetClientRect(list, &client);
    client.right -= platform::VerticalScrollBarWidth(list);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    for (int i = m->top; Valid(*m, i); ++i) {
      int y = (i - m->top) * RowHeight();
      if (y >= client.bottom) break;
      RECT row{0, y, client.right, y + RowHeight()};
      bool lit = i == m->current;
      if (lit) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      row.left += 2;
      const std::u16string& t = m->entries[static_cast<size_t>(i)].text;
      DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &row, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
  }
  EndPaint(list, &ps);
  platform::RedrawVerticalScrollBar(list);
}

}  // namespace

LRESULT DropListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto data = DataOf<DropListData>(hwnd);
  auto m = data ? Model(data->combo) : nullptr;
  if (!m) return DefWindowProcW(hwnd, msg, wParam, lParam);
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // The list holds the pen while it is open, so it hands a press on its scroll bar over,
  // and what the pen does until it is lifted: a quick tap may have been routed here before
  // the bar took the pen.
  auto toBar = [&](HWND bar) {
    MapWindowPoints(hwnd, bar, &at, 1);
    SendMessageW(bar, msg, wParam, MAKELPARAM(at.x, at.y));
  };
  switch (msg) {
    case WM_LBUTTONDOWN:
      data->barHeld = BarAt(hwnd, at);
      if (data->barHeld) toBar(data->barHeld);
      else data->sawDown = true;
      return 0;
    case WM_MOUSEMOVE:
      if (data->barHeld && IsWindow(data->barHeld)) toBar(data->barHeld);
      return 0;
    case WM_LBUTTONUP:
      if (HWND bar = std::exchange(data->barHeld, nullptr); bar && IsWindow(bar)) toBar(bar);
      else if (data->sawDown) OnListPenUp(hwnd, data->combo, *m, at);
      return 0;
    case WM_VSCROLL:
      if (LOWORD(wParam) == SB_ENDSCROLL) {
        // The bar let the pen go: the list takes it back, to hear a tap beside it.
        data->barHeld = nullptr;
        if (GetCapture() != hwnd) SetCapture(hwnd);
      } else if (std::optional<int> top = platform::ScrolledTopLine(hwnd, wParam, data->rows,
                                                                     static_cast<int>(m->entries.size()))) {
        m->top = *top;
        ShowTopEntry(hwnd, *m, data->rows);
      }
      return 0;
    case WM_MOUSEWHEEL:
      platform::ScrollByWheel(hwnd, wParam);
      return 0;
    case WM_CAPTURECHANGED:
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintDropList(hwnd, *data);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void RegisterDropListClass() { RegisterSystemClass(kDropListClass, DropListProc, 0); }

bool ChooseComboEntry(HWND combo, int index) {
  auto m = Model(combo);
  if (!m || !Valid(*m, index)) return false;
  SetFocus(combo);
  Choose(combo, *m, index);
  NotifyParent(combo, CBN_SELENDOK);
  Drop(combo, *m, false);
  return true;
}

LRESULT ComboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    SetData(hwnd, std::make_shared<ListModel>());
    return TRUE;
  }
  auto m = Model(hwnd);
  if (!m) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto i = static_cast<INT_PTR>(wParam);
  switch (msg) {
    case CB_ADDSTRING: return Insert(*m, -1, reinterpret_cast<LPCWSTR>(lParam), StyleOf(hwnd) & CBS_SORT);
    case CB_INSERTSTRING: return Insert(*m, i, reinterpret_cast<LPCWSTR>(lParam), false);
    case CB_DELETESTRING: {
      bool wasCurrent = m->current == static_cast<int>(i);
      LRESULT left = Delete(*m, i);
      if (wasCurrent) StoreText(hwnd, u"");
      return left;
    }
    case CB_RESETCONTENT:
      m->entries.clear();
      SetCurrent(hwnd, *m, -1);
      return 0;
    case CB_GETCOUNT: return static_cast<LRESULT>(m->entries.size());
    case CB_GETCURSEL: return m->current;
    case CB_SETCURSEL: return SelectIndex(hwnd, *m, i);
    case CB_GETLBTEXT: return CopyText(*m, i, lParam);
    case CB_GETLBTEXTLEN: return TextLength(*m, i);
    case CB_FINDSTRING: return Find(*m, i, reinterpret_cast<LPCWSTR>(lParam), false);
    case CB_FINDSTRINGEXACT: return Find(*m, i, reinterpret_cast<LPCWSTR>(lParam), true);
    case CB_SELECTSTRING: return SelectString(hwnd, *m, i, lParam);
    case CB_GETITEMDATA: return ItemData(*m, i);
    case CB_SETITEMDATA: return SetItemData(*m, i, lParam);
    case CB_SHOWDROPDOWN:
      Drop(hwnd, *m, wParam != 0);
      return TRUE;
    case CB_GETDROPPEDSTATE: return m->dropped ? TRUE : FALSE;
    case CB_SETHORIZONTALEXTENT:
      m->extent = static_cast<int>(wParam);
      return 0;
    case CB_GETHORIZONTALEXTENT: return m->extent;
    case CB_LIMITTEXT: return TRUE;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      auto* msgp = reinterpret_cast<MSG*>(lParam);
      // An open list takes Enter and Esc itself.
      if (m->dropped && msgp && msgp->message == WM_KEYDOWN && (msgp->wParam == VK_RETURN || msgp->wParam == VK_ESCAPE))
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_CREATE: {
      // The given height is the dropped extent: the window keeps to its field.
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowPos(hwnd, nullptr, 0, 0, cs->cx, cs->cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOSIZE)) pos->cy = FieldHeight(pos->cy);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      Drop(hwnd, *m, !m->dropped);
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_DOWN:
          if (m->current + 1 < static_cast<int>(m->entries.size())) Choose(hwnd, *m, m->current + 1);
          return 0;
        case VK_UP:
          if (m->current > 0) Choose(hwnd, *m, m->current - 1);
          return 0;
        case VK_F1 + 3:  // F4 drops or closes the list
          Drop(hwnd, *m, !m->dropped);
          return 0;
        case VK_RETURN:
          if (m->dropped) {
            NotifyParent(hwnd, CBN_SELENDOK);
            Drop(hwnd, *m, false);
          }
          return 0;
        case VK_ESCAPE:
          if (m->dropped) {
            NotifyParent(hwnd, CBN_SELENDCANCEL);
            Drop(hwnd, *m, false);
          }
          return 0;
        default:
          return 0;
      }
    case WM_CHAR: {
      // A typed character selects the next entry starting with it.
      WCHAR c = static_cast<WCHAR>(wParam);
      if (c < 0x20) return 0;
      std::u16string key(1, c);
      LRESULT found = Find(*m, m->current, key.c_str(), false);
      if (found >= 0) Choose(hwnd, *m, static_cast<int>(found));
      else MessageBeep(0);
      return 0;
    }
    case WM_SETFOCUS:
      NotifyParent(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Drop(hwnd, *m, false);
      NotifyParent(hwnd, CBN_KILLFOCUS);
      return 0;
    case WM_SETTEXT:
      return CB_ERR;  // a drop-down list shows its entries only
    case WM_DESTROY:
      CloseList(*m);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::user

bool platform::ChooseComboRow(HWND combo, int index) { return platform::user::ChooseComboEntry(combo, index); }

HWND platform::ComboDropList(HWND combo) {
  auto m = platform::user::DataOf<platform::user::ListModel>(combo);
  return m ? m->dropList : nullptr;
}

int platform::ComboRowHeight() { return platform::user::RowHeight(); }

int platform::ComboTopEntry(HWND combo) {
  auto m = platform::user::DataOf<platform::user::ListModel>(combo);
  return m ? m->top : 0;
}

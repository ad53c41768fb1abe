// How the standard controls look: plain and legible, in the system colours, with the
// colours the parent gives through WM_CTLCOLOR*; owner-drawn buttons are drawn by their
// parent through WM_DRAWITEM.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/ControlsInternal.h"
#include "platform/user/Menu.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/TextMeasure.h"

namespace platform::user {

namespace {

HBRUSH SysBrush(int index) { return GetSysColorBrush(index); }

// Asks the parent for the control's colours; the default answer comes from
// DefWindowProcW (black on white, or on the button face).
HBRUSH ControlColors(HWND hwnd, HDC dc, UINT msg) {
  HWND parent = GetParent(hwnd);
  LRESULT brush = parent ? SendMessageW(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd))
                         : DefWindowProcW(hwnd, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  if (!brush) brush = DefWindowProcW(hwnd, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  return reinterpret_cast<HBRUSH>(brush);
}

void Frame(HDC dc, const RECT& r, int width = 1) {
  CSelectObjectScope brush(dc, GetStockObject(NULL_BRUSH));
  CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
  for (int i = 0; i < width; ++i) Rectangle(dc, r.left + i, r.top + i, r.right - i, r.bottom - i);
}

void Text(HDC dc, std::u16string_view text, RECT r, UINT format, bool enabled = true) {
  SetBkMode(dc, TRANSPARENT);
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
}

std::u16string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<size_t>(std::max(length, 0)) + 1, u'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

void PaintButton(HWND hwnd, HDC dc, const RECT& client) {
  DWORD style = StyleOf(hwnd);
  DWORD kind = style & BS_TYPEMASK;
  LRESULT state = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  bool enabled = IsWindowEnabled(hwnd);
  if (kind == BS_OWNERDRAW) {
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = ((state & BST_PUSHED) ? ODS_SELECTED : 0) | ((state & BST_FOCUS) ? ODS_FOCUS : 0) |
                     (enabled ? 0 : ODS_DISABLED);
    item.hwndItem = hwnd;
    item.hDC = dc;
    item.rcItem = client;
    SendMessageW(GetParent(hwnd), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    return;
  }
  std::u16string text = WindowText(hwnd);
  if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
    ControlColors(hwnd, dc, WM_CTLCOLORBTN);
    FillRect(dc, &client, (state & BST_PUSHED) ? SysBrush(COLOR_BTNSHADOW) : SysBrush(COLOR_BTNFACE));
    Frame(dc, client, kind == BS_DEFPUSHBUTTON ? 2 : 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    Text(dc, text, client, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled);
    return;
  }
  // Check boxes, radio buttons and group boxes sit on their parent's background.
  FillRect(dc, &client, ControlColors(hwnd, dc, WM_CTLCOLORSTATIC));
  if (kind == BS_GROUPBOX) {
    RECT box{client.left, client.top + 6, client.right, client.bottom};
    Frame(dc, box);
    RECT label{client.left + 6, client.top, client.right - 6, client.top + 13};
    Text(dc, text, label, DT_LEFT | DT_SINGLELINE, enabled);
    return;
  }
  // Check boxes and radio buttons: an 11-pixel box, ticked or filled when checked.
  int top = (client.bottom - 11) / 2;
  RECT box{client.left + 1, top, client.left + 12, top + 11};
  FillRect(dc, &box, SysBrush(COLOR_WINDOW));
  Frame(dc, box);
  if (state & BST_CHECKED) {
    bool radio = kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
    if (radio) {
      RECT dot{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
      FillRect(dc, &dot, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    } else {
      // A check mark two pixels thick: a cross would read as "no".
      CSelectObjectScope pen(dc, GetStockObject(BLACK_PEN));
      for (int dy = 0; dy < 2; ++dy) {
        const POINT mark[3] = {{box.left + 2, box.top + 4 + dy}, {box.left + 4, box.top + 6 + dy}, {box.left + 9, box.top + 1 + dy}};
        Polyline(dc, mark, 3);
      }
    }
  }
  RECT label{client.left + 16, client.top, client.right, client.bottom};
  Text(dc, text, label, DT_LEFT | DT_VCENTER | DT_SINGLELINE, enabled);
}

void PaintStatic(HWND hwnd, HDC dc, const RECT& client) {
  HBRUSH background = ControlColors(hwnd, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &client, background);
  DWORD style = StyleOf(hwnd);
  UINT align = (style & 3) == SS_CENTER ? DT_CENTER : (style & 3) == SS_RIGHT ? DT_RIGHT : DT_LEFT;
  const UINT breaks = (style & SS_EDITCONTROL) ? DT_WORDBREAK | DT_EDITCONTROL : DT_WORDBREAK;
  Text(dc, WindowText(hwnd), client, align | breaks, IsWindowEnabled(hwnd));
}

void PaintEdit(HWND hwnd, HDC dc, const RECT& client) {
  HBRUSH background = ControlColors(hwnd, dc, WM_CTLCOLOREDIT);
  FillRect(dc, &client, background);
  std::u16string shown = platform::EditDisplayText(hwnd);
  int lines = static_cast<int>(SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0));
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  int height = TextLineHeight(font);
  DWORD selA = 0, selB = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&selA), reinterpret_cast<LPARAM>(&selB));
  const bool focused = GetFocus() == hwnd;
  // From the first line scrolled into view, beside the scroll bar while it shows.
  int first = static_cast<int>(SendMessageW(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0));
  int right = client.right - 1 - platform::VerticalScrollBarWidth(hwnd);
  for (int i = first; i < lines && (i - first) * height < client.bottom; ++i) {
    LRESULT start = SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
    LRESULT length = SendMessageW(hwnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    if (start < 0 || static_cast<size_t>(start + length) > shown.size()) break;
    int top = client.top + 1 + (i - first) * height;
    RECT line{client.left + 1, top, right, top + height};
    std::u16string_view text = std::u16string_view(shown).substr(static_cast<size_t>(start), static_cast<size_t>(length));
    Text(dc, text, line, DT_LEFT | DT_SINGLELINE | DT_EXPANDTABS, IsWindowEnabled(hwnd));
    // What typing replaces is shown: the selection highlighted, else the caret where it
    // goes, so no text is replaced that the user cannot see chosen.
    const size_t from = std::clamp<size_t>(selA, static_cast<size_t>(start), static_cast<size_t>(start + length));
    const size_t to = std::clamp<size_t>(selB, static_cast<size_t>(start), static_cast<size_t>(start + length));
    const int x0 = line.left + TextWidth(font, text.substr(0, from - static_cast<size_t>(start)));
    if (from < to) {
      RECT mark{x0, top, std::min<int>(line.left + TextWidth(font, text.substr(0, to - static_cast<size_t>(start))), right), top + height};
      FillRect(dc, &mark, SysBrush(COLOR_HIGHLIGHT));
      COLORREF old = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      Text(dc, text.substr(from - static_cast<size_t>(start), to - from), mark, DT_LEFT | DT_SINGLELINE | DT_EXPANDTABS);
      SetTextColor(dc, old);
    } else if (focused && selA == selB && selA >= static_cast<DWORD>(start) &&
               (selA < static_cast<DWORD>(start + length) || i + 1 == lines ||
                SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(i + 1), 0) > static_cast<LRESULT>(selA))) {
      RECT caret{std::min(x0, right - 1), top, std::min(x0, right - 1) + 1, top + height};
      FillRect(dc, &caret, SysBrush(COLOR_WINDOWTEXT));
    }
  }
  platform::RedrawVerticalScrollBar(hwnd);
}

void PaintCombo(HWND hwnd, HDC dc, const RECT& client) {
  HBRUSH background = ControlColors(hwnd, dc, WM_CTLCOLOREDIT);
  int h = std::min<int>(client.bottom, TextLineHeight(nullptr) + 6);
  RECT field{client.left, client.top, client.right, client.top + h};
  FillRect(dc, &field, background);
  Frame(dc, field);
  // The button is as wide as a scroll bar, and doubles with it on the high-resolution screen.
  int arrow = std::min<int>(h, GetSystemMetrics(SM_CXVSCROLL));
  RECT button{field.right - arrow, field.top, field.right, field.bottom};
  FillRect(dc, &button, SysBrush(COLOR_BTNFACE));
  Frame(dc, button);
  int inset = arrow / 4;
  int half = std::max(arrow / 6, 1);
  POINT tri[3] = {{button.left + inset, button.top + h / 2 - half}, {button.right - inset, button.top + h / 2 - half},
                  {(button.left + button.right) / 2, button.top + h / 2 + half}};
  {
    CSelectObjectScope brush(dc, GetStockObject(BLACK_BRUSH));
    Polygon(dc, tri, 3);
  }
  RECT text{field.left + 3, field.top, button.left - 2, field.bottom};
  Text(dc, WindowText(hwnd), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE, IsWindowEnabled(hwnd));
}

void PaintList(HWND hwnd, HDC dc, const RECT& client) {
  HBRUSH background = ControlColors(hwnd, dc, WM_CTLCOLORLISTBOX);
  FillRect(dc, &client, background);
  LRESULT count = SendMessageW(hwnd, LB_GETCOUNT, 0, 0);
  LRESULT top = SendMessageW(hwnd, LB_GETTOPINDEX, 0, 0);
  LRESULT current = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
  int row = TextLineHeight(nullptr) + 2;
  for (LRESULT i = top; i < count; ++i) {
    int y = client.top + static_cast<int>(i - top) * row;
    if (y >= client.bottom) break;
    LRESULT length = SendMessageW(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::u16string text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, u'\0');
    SendMessageW(hwnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
    RECT r{client.left, y, client.right, y + row};
    if (i == current) {
      FillRect(dc, &r, SysBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    r.left += 2;
    Text(dc, text, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  if (StyleOf(hwnd) & WS_BORDER) Frame(dc, client);
}

}  // namespace

bool ChangesLook(UINT msg) {
  switch (msg) {
    case WM_SETTEXT:
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETFONT:
    case WM_SIZE:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      return true;
    default:
      return (msg >= BM_GETCHECK && msg <= BM_CLICK && msg != BM_GETCHECK && msg != BM_GETSTATE) ||
             (msg >= EM_GETSEL && msg <= EM_GETLIMITTEXT) || (msg >= CB_GETEDITSEL && msg <= CB_SETHORIZONTALEXTENT) ||
             (msg >= LB_ADDSTRING && msg <= LB_FINDSTRINGEXACT);
  }
}

void PaintControl(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client;
  GetClientRect(hwnd, &client);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  {
    CSelectObjectScope selectedFont(dc, font);
    if (IsClass(hwnd, u"BUTTON") || IsClass(hwnd, u"TTBUTTON")) PaintButton(hwnd, dc, client);
    else if (IsClass(hwnd, u"STATIC")) PaintStatic(hwnd, dc, client);
    else if (IsClass(hwnd, u"EDIT") || IsClass(hwnd, u"CAPEDIT")) PaintEdit(hwnd, dc, client);
    else if (IsClass(hwnd, u"COMBOBOX")) PaintCombo(hwnd, dc, client);
    else if (IsClass(hwnd, u"LISTBOX")) PaintList(hwnd, dc, client);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace platform::user

// The toolbar: a row of image buttons and separators. A tap on an enabled button sends
// WM_COMMAND with its id to the parent (a check button toggles first). A separator with a
// width (iBitmap) leaves room for child controls the program places on the toolbar. Each
// button may carry a tooltip text, given in button order (TB_SETTOOLTIPS).
#include <algorithm>
#include <vector>

#include "platform/commctrl/CommCtrlInternal.h"
#include "platform/module/Module.h"
#include "platform/user/Paint.h"

namespace platform::commctrl {

namespace {

using platform::user::StyleOf;

constexpr COLORREF kFace = RGB(192, 192, 192);  // what shows the button face in a toolbar bitmap
// Sizes on the 240 x 320 screen (doubled on the high-resolution one, see Px).
constexpr int kSeparator = 8;
constexpr int kMargin = 2;
constexpr int kButtonPadding = 7;  // a button's face around its bitmap

struct Button {
  TBBUTTON data;
  std::u16string tooltip;
};

class Toolbar : public platform::user::WindowData {
 public:
  ~Toolbar() override {
    if (images) ImageList_Destroy(images);
  }
  std::vector<Button> buttons;
  HIMAGELIST images = nullptr;  // owned
  SIZE bitmap{16, 15};
  SIZE button{23, 22};
  int pressed = -1;  // button the pen is on
};

std::shared_ptr<Toolbar> Model(HWND hwnd) { return platform::user::DataOf<Toolbar>(hwnd); }

bool IsSeparator(const TBBUTTON& b) { return b.fsStyle & TBSTYLE_SEP; }

int IndexOf(const Toolbar& m, int id) {
  for (size_t i = 0; i < m.buttons.size(); ++i)
    if (!IsSeparator(m.buttons[i].data) && m.buttons[i].data.idCommand == id) return static_cast<int>(i);
  return -1;
}

// A button's width; a separator's own width is the program's room for its controls.
int WidthOf(const Toolbar& m, const TBBUTTON& b) {
  if (b.fsState & TBSTATE_HIDDEN) return 0;
  return IsSeparator(b) ? (b.iBitmap > 0 ? b.iBitmap : Px(kSeparator)) : m.button.cx;
}

RECT ButtonRect(const Toolbar& m, int index) {
  int x = Px(kMargin);
  for (int i = 0; i < index; ++i) x += WidthOf(m, m.buttons[static_cast<size_t>(i)].data);
  int width = WidthOf(m, m.buttons[static_cast<size_t>(index)].data);
  return RECT{x, Px(kMargin), x + width, Px(kMargin) + m.button.cy};
}

int HitButton(const Toolbar& m, POINT pt) {
  for (int i = 0; i < static_cast<int>(m.buttons.size()); ++i)
    if (!IsSeparator(m.buttons[static_cast<size_t>(i)].data) && Contains(ButtonRect(m, i), pt)) return i;
  return -1;
}

bool Usable(const TBBUTTON& b) {
  return (b.fsState & TBSTATE_ENABLED) && !(b.fsState & (TBSTATE_INDETERMINATE | TBSTATE_HIDDEN));
}

// Sets or clears `bit` of button `id`'s state.
BOOL SetBit(HWND hwnd, Toolbar& m, int id, BYTE bit, bool on) {
  int i = IndexOf(m, id);
  if (i < 0) return FALSE;
  BYTE& s = m.buttons[static_cast<size_t>(i)].data.fsState;
  s = static_cast<BYTE>(on ? s | bit : s & ~bit);
  Redraw(hwnd);
  return TRUE;
}

LRESULT HasBit(const Toolbar& m, int id, BYTE bit) {
  int i = IndexOf(m, id);
  return i < 0 ? -1 : (m.buttons[static_cast<size_t>(i)].data.fsState & bit) != 0;
}

LRESULT AddBitmap(Toolbar& m, int count, const TBADDBITMAP* add) {
  if (!add) return -1;
  if (!m.images) m.images = ImageList_Create(m.bitmap.cx, m.bitmap.cy, ILC_MASK, count, 4);
  bool fromResource = add->hInst != nullptr;
  HBITMAP bitmap = fromResource ? LoadBitmapW(add->hInst, MAKEINTRESOURCEW(add->nID)) : reinterpret_cast<HBITMAP>(add->nID);
  int first = ImageList_AddMasked(m.images, bitmap, kFace);
  if (fromResource && bitmap) DeleteObject(bitmap);
  return first;
}

BOOL Insert(HWND hwnd, Toolbar& m, int at, const TBBUTTON* buttons, int count) {
  if (!buttons || count < 0) return FALSE;
  at = std::clamp(at, 0, static_cast<int>(m.buttons.size()));
  for (int i = 0; i < count; ++i) m.buttons.insert(m.buttons.begin() + at + i, Button{buttons[i], {}});
  Redraw(hwnd);
  return TRUE;
}

void SetTooltips(Toolbar& m, int count, const LPCWSTR* texts) {
  int next = 0;
  for (Button& b : m.buttons) {
    if (IsSeparator(b.data)) continue;
    b.tooltip = texts && next < count && texts[next] ? texts[next] : u"";
    ++next;
  }
}

// Without CCS_NORESIZE the toolbar takes its parent's width and one button's height (plus
// its margins); without CCS_NOPARENTALIGN it also moves to the parent's top or bottom.
void AutoSize(HWND hwnd, const Toolbar& m) {
  DWORD style = StyleOf(hwnd);
  HWND parent = GetParent(hwnd);
  if ((style & CCS_NORESIZE) || !parent) return;
  RECT area;
  GetClientRect(parent, &area);
  RECT mine;
  GetWindowRect(hwnd, &mine);
  POINT at{mine.left, mine.top};
  ScreenToClient(parent, &at);
  int height = m.button.cy + 2 * Px(kMargin);
  if (!(style & CCS_NOPARENTALIGN)) at = POINT{0, (style & CCS_BOTTOM) == CCS_BOTTOM ? area.bottom - height : 0};
  MoveWindow(hwnd, at.x, at.y, area.right, height, TRUE);
}

void Paint(HWND hwnd, Toolbar& m) {
  PaintScope paint(hwnd);
  HDC dc = paint.dc();
  if (!dc) return;
  const RECT& client = paint.client();
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  FillColor(dc, client, face);
  if (StyleOf(hwnd) & WS_BORDER) FrameColor(dc, client, GetSysColor(COLOR_BTNSHADOW));
  for (int i = 0; i < static_cast<int>(m.buttons.size()); ++i) {
    const TBBUTTON& b = m.buttons[static_cast<size_t>(i)].data;
    RECT r = ButtonRect(m, i);
    if ((b.fsState & TBSTATE_HIDDEN) || IsSeparator(b)) continue;
    bool down = (b.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) || i == m.pressed;
    if (down) {
      FillColor(dc, r, (b.fsState & TBSTATE_CHECKED) && i != m.pressed ? GetSysColor(COLOR_BTNHIGHLIGHT) : face);
      FrameColor(dc, r, GetSysColor(COLOR_BTNSHADOW));
    }
    int x = r.left + (m.button.cx - m.bitmap.cx) / 2 + (down ? Px(1) : 0);
    int y = r.top + (m.button.cy - m.bitmap.cy) / 2 + (down ? Px(1) : 0);
    if (Usable(b)) DrawImageBlended(m.images, b.iBitmap, dc, x, y, face, 0);
    else DrawImageBlended(m.images, b.iBitmap, dc, x, y, face, 60);
  }
}

void OnPenDown(HWND hwnd, Toolbar& m, LPARAM lParam) {
  int i = HitButton(m, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (i < 0 || !Usable(m.buttons[static_cast<size_t>(i)].data)) return;
  m.pressed = i;
  SetCapture(hwnd);
  Redraw(hwnd);
}

void OnPenUp(HWND hwnd, Toolbar& m, LPARAM lParam) {
  int i = m.pressed;
  if (i < 0) return;
  m.pressed = -1;
  if (GetCapture() == hwnd) ReleaseCapture();
  Redraw(hwnd);
  if (HitButton(m, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != i) return;
  TBBUTTON& b = m.buttons[static_cast<size_t>(i)].data;
  if (!Usable(b)) return;
  if (b.fsStyle & TBSTYLE_CHECK) b.fsState ^= TBSTATE_CHECKED;
  int id = b.idCommand;
  if (HWND parent = GetParent(hwnd))
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT Dispatch(HWND hwnd, Toolbar& m, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto id = static_cast<int>(wParam);
  bool on = LOWORD(lParam) != 0;
  int count = static_cast<int>(m.buttons.size());
  switch (msg) {
    case TB_BUTTONSTRUCTSIZE: return 0;
    case TB_SETBITMAPSIZE:
      m.bitmap = SIZE{std::max<LONG>(LOWORD(lParam), 1), std::max<LONG>(HIWORD(lParam), 1)};
      m.button = SIZE{std::max<LONG>(m.button.cx, m.bitmap.cx + Px(kButtonPadding)),
                      std::max<LONG>(m.button.cy, m.bitmap.cy + Px(kButtonPadding))};
      return TRUE;
    case TB_SETBUTTONSIZE:
      m.button = SIZE{std::max<LONG>(LOWORD(lParam), m.bitmap.cx), std::max<LONG>(HIWORD(lParam), m.bitmap.cy)};
      AutoSize(hwnd, m);
      return TRUE;
    case TB_ADDBITMAP: return AddBitmap(m, id, reinterpret_cast<const TBADDBITMAP*>(lParam));
    case TB_ADDBUTTONSW: return Insert(hwnd, m, count, reinterpret_cast<const TBBUTTON*>(lParam), id);
    case TB_INSERTBUTTONW: return Insert(hwnd, m, id, reinterpret_cast<const TBBUTTON*>(lParam), 1);
    case TB_DELETEBUTTON:
      if (id < 0 || id >= count) return FALSE;
      m.buttons.erase(m.buttons.begin() + id);
      Redraw(hwnd);
      return TRUE;
    case TB_BUTTONCOUNT: return count;
    case TB_GETBUTTON:
      if (id < 0 || id >= count || !lParam) return FALSE;
      *reinterpret_cast<TBBUTTON*>(lParam) = m.buttons[static_cast<size_t>(id)].data;
      return TRUE;
    case TB_COMMANDTOINDEX: return IndexOf(m, id);
    case TB_GETITEMRECT:
      if (id < 0 || id >= count || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = ButtonRect(m, id);
      return TRUE;
    case TB_GETRECT:
      if (IndexOf(m, id) < 0 || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = ButtonRect(m, IndexOf(m, id));
      return TRUE;
    case TB_SETSTATE: {
      int i = IndexOf(m, id);
      if (i < 0) return FALSE;
      m.buttons[static_cast<size_t>(i)].data.fsState = static_cast<BYTE>(LOWORD(lParam));
      Redraw(hwnd);
      return TRUE;
    }
    case TB_GETSTATE: {
      int i = IndexOf(m, id);
      return i < 0 ? -1 : m.buttons[static_cast<size_t>(i)].data.fsState;
    }
    case TB_ENABLEBUTTON: return SetBit(hwnd, m, id, TBSTATE_ENABLED, on);
    case TB_CHECKBUTTON: return SetBit(hwnd, m, id, TBSTATE_CHECKED, on);
    case TB_PRESSBUTTON: return SetBit(hwnd, m, id, TBSTATE_PRESSED, on);
    case TB_HIDEBUTTON: return SetBit(hwnd, m, id, TBSTATE_HIDDEN, on);
    case TB_INDETERMINATE: return SetBit(hwnd, m, id, TBSTATE_INDETERMINATE, on);
    case TB_ISBUTTONENABLED: return HasBit(m, id, TBSTATE_ENABLED);
    case TB_ISBUTTONCHECKED: return HasBit(m, id, TBSTATE_CHECKED);
    case TB_ISBUTTONPRESSED: return HasBit(m, id, TBSTATE_PRESSED);
    case TB_ISBUTTONINDETERMINATE: return HasBit(m, id, TBSTATE_INDETERMINATE);
    case TB_SETTOOLTIPS: SetTooltips(m, id, reinterpret_cast<const LPCWSTR*>(lParam)); return TRUE;
    case TB_AUTOSIZE: AutoSize(hwnd, m); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

LRESULT ToolbarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto m = ModelFor<Toolbar>(hwnd, msg);
  if (!m || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd, *m); return 0;
    case WM_LBUTTONDOWN: OnPenDown(hwnd, *m, lParam); return 0;
    case WM_LBUTTONUP: OnPenUp(hwnd, *m, lParam); return 0;
    default: return Dispatch(hwnd, *m, msg, wParam, lParam);
  }
}

}  // namespace platform::commctrl

HWND CreateToolbarEx(HWND parent, DWORD style, UINT id, int bitmaps, HINSTANCE instance, UINT_PTR bitmapId,
                     const TBBUTTON* buttons, int count, int buttonWidth, int buttonHeight, int bitmapWidth,
                     int bitmapHeight, UINT structSize) {
  InitCommonControls();
  HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, u"", style | WS_CHILD, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
  if (!bar) return nullptr;
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, structSize, 0);
  if (bitmapWidth > 0 && bitmapHeight > 0) SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(bitmapWidth, bitmapHeight));
  if (buttonWidth > 0 && buttonHeight > 0) SendMessageW(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth, buttonHeight));
  TBADDBITMAP add;
  add.hInst = instance;
  add.nID = bitmapId;
  if (bitmaps > 0 && SendMessageW(bar, TB_ADDBITMAP, static_cast<WPARAM>(bitmaps), reinterpret_cast<LPARAM>(&add)) < 0) {
    DestroyWindow(bar);
    return nullptr;
  }
  SendMessageW(bar, TB_ADDBUTTONSW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons));
  SendMessageW(bar, TB_AUTOSIZE, 0, 0);
  return bar;
}

namespace platform {

std::vector<std::u16string> ToolbarTooltips(HWND toolbar) {
  std::vector<std::u16string> texts;
  if (auto m = commctrl::Model(toolbar))
    for (const auto& b : m->buttons) texts.push_back(b.tooltip);
  return texts;
}

}  // namespace platform

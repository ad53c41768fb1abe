// Buttons (push, check box, radio, group box, owner-drawn) and static controls.
#include "platform/base/Base.h"
#include "platform/user/ControlsInternal.h"
#include "platform/user/Dialog.h"

namespace platform::user {

namespace {

class ButtonData : public WindowData {
 public:
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
};

DWORD Kind(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }

bool IsRadio(DWORD kind) { return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON; }

// An automatic radio button unchecks the other automatic radio buttons of its group.
void CheckInGroup(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  std::vector<HWND> siblings;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) siblings.push_back(c);
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end()) return;
  size_t i = static_cast<size_t>(it - siblings.begin());
  size_t start = i;
  while (start > 0 && !(StyleOf(siblings[start]) & WS_GROUP)) --start;
  size_t end = i + 1;
  while (end < siblings.size() && !(StyleOf(siblings[end]) & WS_GROUP)) ++end;
  for (size_t k = start; k < end; ++k) {
    HWND c = siblings[k];
    if (c != hwnd && IsClass(c, u"BUTTON") && Kind(c) == BS_AUTORADIOBUTTON) SendMessageW(c, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
}

void Click(HWND hwnd) {
  auto d = DataOf<ButtonData>(hwnd);
  if (!d) return;
  switch (Kind(hwnd)) {
    case BS_AUTOCHECKBOX: d->check = d->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: d->check = (d->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON: CheckInGroup(hwnd); break;
    default: break;
  }
  NotifyParent(hwnd, BN_CLICKED);
}

LRESULT DlgCode(HWND hwnd) {
  switch (Kind(hwnd)) {
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_PUSHBUTTON:
    case BS_OWNERDRAW: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX: return DLGC_STATIC;
    default: return DLGC_BUTTON;
  }
}

}  // namespace

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      SetData(hwnd, std::make_shared<ButtonData>());
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE:
      return DlgCode(hwnd);
    case BM_GETCHECK: {
      auto d = DataOf<ButtonData>(hwnd);
      return d ? d->check : 0;
    }
    case BM_SETCHECK: {
      auto d = DataOf<ButtonData>(hwnd);
      if (!d) return 0;
      DWORD kind = Kind(hwnd);
      if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_GROUPBOX) return 0;
      d->check = (kind == BS_3STATE || kind == BS_AUTO3STATE) ? std::min<UINT>(static_cast<UINT>(wParam), 2)
                                                              : (wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED);
      if (IsRadio(kind)) {
        // A checked radio button is the one Tab reaches in its group.
        DWORD style = StyleOf(hwnd);
        SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(d->check ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP)));
      }
      return 0;
    }
    case BM_GETSTATE: {
      auto d = DataOf<ButtonData>(hwnd);
      if (!d) return 0;
      return static_cast<LRESULT>(d->check | (d->pushed ? BST_PUSHED : 0) | (d->focused ? BST_FOCUS : 0));
    }
    case BM_SETSTATE: {
      if (auto d = DataOf<ButtonData>(hwnd)) d->pushed = wParam != 0;
      return 0;
    }
    case BM_SETSTYLE: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~0xFFFFu) | (wParam & 0xFFFF)));
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(hwnd)) Click(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      if (Kind(hwnd) == BS_GROUPBOX) return 0;
      SetFocus(hwnd);
      SetCapture(hwnd);
      if (auto d = DataOf<ButtonData>(hwnd)) d->pushed = true;
      return 0;
    case WM_LBUTTONUP: {
      auto d = DataOf<ButtonData>(hwnd);
      if (!d || !d->pushed) return 0;
      d->pushed = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      RECT r;
      GetClientRect(hwnd, &r);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (p.x >= 0 && p.y >= 0 && p.x < r.right && p.y < r.bottom) Click(hwnd);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE)
        if (auto d = DataOf<ButtonData>(hwnd)) d->pushed = true;
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        auto d = DataOf<ButtonData>(hwnd);
        if (d && d->pushed) {
          d->pushed = false;
          Click(hwnd);
        }
      }
      return 0;
    case WM_SETFOCUS:
      if (auto d = DataOf<ButtonData>(hwnd)) d->focused = true;
      return 0;
    case WM_KILLFOCUS:
      if (auto d = DataOf<ButtonData>(hwnd)) {
        d->focused = false;
        d->pushed = false;
      }
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- Static --------------------------------------------------------------------------------

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_LBUTTONDOWN:
      if (StyleOf(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_CLICKED);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::user

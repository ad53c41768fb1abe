// The menu bar: a window at the foot of the screen, owned by the window it serves, with
// text or picture buttons read from a menu bar resource. One bar shows at a time.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/shell/ShellInternal.h"
#include "platform/user/Menu.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/TextMeasure.h"
#include "platform/user/WindowManager.h"

namespace {

constexpr char16_t kBarClass[] = u"menu_worker";
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND_ = 1814;
// Text buttons are at least this wide, so that short words still make a good target.
constexpr int kMinTextButton = 56;
// The input-panel button at the bar's right end, and its index while the pen holds it.
constexpr int kPanelButtonWidth = 32;
constexpr int kPanelButton = -2;

struct BarButton {
  WORD image = I_IMAGENONE;
  WORD command = 0;
  BYTE state = TBSTATE_ENABLED;
  std::u16string text;
  WORD popup = NOMENU;
  RECT rect;
};

struct BarData : platform::user::WindowData {
  HWND parent = nullptr;
  HMENU menu = nullptr;      // owned: destroyed with the bar
  HBITMAP bitmap = nullptr;  // owned
  HFONT font = nullptr;      // owned
  int imageWidth = 0;
  int imageHeight = 0;
  std::vector<BarButton> buttons;
  int pressed = -1;
};

std::mutex g_barsLock;
std::vector<HWND> g_bars;  // creation order: the last live one is current

BarButton* ByCommand(BarData& d, WPARAM command) {
  for (auto& b : d.buttons)
    if (b.command == static_cast<WORD>(command)) return &b;
  return nullptr;
}

RECT PanelButtonRect(HWND bar) {
  RECT client;
  GetClientRect(bar, &client);
  return RECT{client.right - kPanelButtonWidth * platform::ScreenScale(), client.top, client.right, client.bottom};
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The input-panel button when the foreground window shows it, else the button under the pen.
int HitButton(HWND bar, const BarData& d, POINT p) {
  if (platform::IsInputPanelButtonShown() && Inside(PanelButtonRect(bar), p)) return kPanelButton;
  for (size_t i = 0; i < d.buttons.size(); ++i) {
    const RECT& r = d.buttons[i].rect;
    if (!(d.buttons[i].state & TBSTATE_HIDDEN) && Inside(r, p)) return static_cast<int>(i);
  }
  return -1;
}

void Layout(BarData& d) {
  int s = platform::ScreenScale();
  int height = platform::MenuBarHeight();
  int x = 0;
  for (auto& b : d.buttons) {
    int width = 0;
    if (b.state & TBSTATE_HIDDEN) width = 0;
    else if (b.image != I_IMAGENONE && d.bitmap) width = d.imageWidth * s + 8 * s;
    else width = std::max(kMinTextButton * s, platform::user::TextWidth(d.font, b.text) + 16 * s);
    b.rect = RECT{x, 0, x + width, height};
    x += width;
  }
}

void PaintImage(HDC dc, const BarData& d, const BarButton& b) {
  CMemoryDC source{CreateCompatibleDC(dc)};
  if (!source) return;
  CSelectionScope<SelectObjectTraits> keep(source.get(), d.bitmap);
  int s = platform::ScreenScale();
  int w = d.imageWidth * s;
  int h = d.imageHeight * s;
  int x = b.rect.left + (b.rect.right - b.rect.left - w) / 2;
  int y = (b.rect.bottom - h) / 2;
  StretchBlt(dc, x, y, w, h, source.get(), b.image * d.imageWidth, 0, d.imageWidth, d.imageHeight, SRCCOPY);
}

// A keyboard: its outline, three rows of keys and the space bar, on a grid of 18 x 12 points.
// The button stays lit while the panel is up.
void PaintPanelButton(HDC dc, const RECT& button, bool pressed) {
  RECT face{button.left, button.top + 1, button.right, button.bottom};
  if (pressed) FillRect(dc, &face, GetSysColorBrush(COLOR_HIGHLIGHT));
  else if (platform::IsInputPanelUp()) FillRect(dc, &face, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  int s = platform::ScreenScale();
  int left = (button.left + button.right) / 2 - 9 * s;
  int top = (button.top + button.bottom) / 2 - 6 * s;
  HBRUSH ink = GetSysColorBrush(pressed ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  auto box = [&](int x, int y, int w, int h) {
    RECT r{left + x * s, top + y * s, left + (x + w) * s, top + (y + h) * s};
    FillRect(dc, &r, ink);
  };
  box(0, 0, 18, 1);
  box(0, 11, 18, 1);
  box(0, 0, 1, 12);
  box(17, 0, 1, 12);
  for (int row = 0; row < 3; ++row)
    for (int x = 2 + row % 2; x + 2 <= 16; x += 3) box(x, 2 + row * 2, 2, 1);
  box(5, 8, 8, 1);
}

void Paint(HWND hwnd, BarData& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT line{client.left, client.top, client.right, client.top + 1};
  FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
  SetBkMode(dc, TRANSPARENT);
  CSelectionScope<SelectObjectTraits> keepFont(dc, d.font);
  for (size_t i = 0; i < d.buttons.size(); ++i) {
    const BarButton& b = d.buttons[i];
    if (b.state & TBSTATE_HIDDEN) continue;
    bool down = static_cast<int>(i) == d.pressed || (b.state & (TBSTATE_PRESSED | TBSTATE_CHECKED));
    RECT r = b.rect;
    r.top += 1;
    if (down) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (b.image != I_IMAGENONE && d.bitmap) {
      PaintImage(dc, d, b);
      continue;
    }
    COLORREF color = !(b.state & TBSTATE_ENABLED) ? GetSysColor(COLOR_GRAYTEXT)
                     : down                        ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                   : GetSysColor(COLOR_BTNTEXT);
    SetTextColor(dc, color);
    DrawTextW(dc, b.text.c_str(), static_cast<int>(b.text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  if (platform::IsInputPanelButtonShown()) PaintPanelButton(dc, PanelButtonRect(hwnd), d.pressed == kPanelButton);
  keepFont.reset();
  EndPaint(hwnd, &ps);
}

// The bar's text: the shell's 8-point face at the screen's resolution.
HFONT MakeBarFont() {
  LOGFONTW lf;
  lf.lfHeight = -11 * platform::ScreenScale();
  lf.lfWeight = 400;
  std::u16string_view face = u"Tahoma";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

// Opens the button's popup above it, or tells the parent the button's command.
void Activate(HWND bar, const std::shared_ptr<BarData>& d, const BarButton& b) {
  HWND parent = d->parent;
  if (b.popup != NOMENU && d->menu) {
    HMENU popup = GetSubMenu(d->menu, b.popup);
    if (!popup) return;
    platform::SetMenuIdentifier(popup, b.command);
    RECT window;
    GetWindowRect(bar, &window);
    TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_BOTTOMALIGN, window.left + b.rect.left, window.top, parent, nullptr);
    return;
  }
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(b.command, 0), reinterpret_cast<LPARAM>(bar));
}

void OnPenUp(HWND hwnd, const std::shared_ptr<BarData>& d, POINT p) {
  int was = d->pressed;
  d->pressed = -1;
  if (GetCapture() == hwnd) ReleaseCapture();
  InvalidateRect(hwnd, nullptr, TRUE);
  if (was == -1 || HitButton(hwnd, *d, p) != was) return;
  if (was == kPanelButton) {
    SipShowIM(platform::IsInputPanelUp() ? SIPF_OFF : SIPF_ON);
    return;
  }
  BarButton b = d->buttons[static_cast<size_t>(was)];
  if (b.state & TBSTATE_ENABLED) Activate(hwnd, d, b);
}

void Forget(HWND hwnd) {
  HWND show = nullptr;
  {
    std::lock_guard guard(g_barsLock);
    bool wasCurrent = !g_bars.empty() && g_bars.back() == hwnd;
    g_bars.erase(std::remove(g_bars.begin(), g_bars.end(), hwnd), g_bars.end());
    if (wasCurrent && !g_bars.empty()) show = g_bars.back();
  }
  // The bar of the window beneath comes back when the top one goes.
  if (show && IsWindow(show)) ShowWindow(show, SW_SHOWNA);
}

LRESULT BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto d = platform::user::DataOf<BarData>(hwnd);
  if (!d) return DefWindowProcW(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT: Paint(hwnd, *d); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: {
      int hit = HitButton(hwnd, *d, p);
      // The bar of a window that a modal dialog or message box disabled waits with it; the
      // input-panel button is the shell's and serves whichever screen is in front, also a
      // dialog that brought no bar of its own.
      if (hit != kPanelButton && !IsWindowEnabled(d->parent)) return 0;
      if (hit == -1 || (hit >= 0 && !(d->buttons[static_cast<size_t>(hit)].state & TBSTATE_ENABLED))) return 0;
      d->pressed = hit;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_LBUTTONUP: OnPenUp(hwnd, d, p); return 0;
    case WM_SETTINGCHANGE:
      // The input-panel button shows whether the panel is up.
      if (wParam == SPI_SETSIPINFO) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case SHCMBM_GETMENU: return reinterpret_cast<LRESULT>(d->menu);
    case SHCMBM_GETSUBMENU: {
      BarButton* b = ByCommand(*d, static_cast<WPARAM>(lParam));
      return (b && b->popup != NOMENU && d->menu) ? reinterpret_cast<LRESULT>(GetSubMenu(d->menu, b->popup)) : 0;
    }
    case TB_SETSTATE: {
      BarButton* b = ByCommand(*d, wParam);
      if (!b) return FALSE;
      b->state = static_cast<BYTE>(LOWORD(static_cast<DWORD_PTR>(lParam)));
      Layout(*d);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TB_GETSTATE: {
      BarButton* b = ByCommand(*d, wParam);
      return b ? b->state : -1;
    }
    case TB_ENABLEBUTTON: {
      BarButton* b = ByCommand(*d, wParam);
      if (!b) return FALSE;
      b->state = static_cast<BYTE>(LOWORD(static_cast<DWORD_PTR>(lParam)) ? (b->state | TBSTATE_ENABLED)
                                                                          : (b->state & ~TBSTATE_ENABLED));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TB_GETRECT: {
      BarButton* b = ByCommand(*d, wParam);
      if (!b || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = b->rect;
      return TRUE;
    }
    case WM_DESTROY:
      if (d->menu) DestroyMenu(std::exchange(d->menu, nullptr));
      if (d->bitmap) DeleteObject(std::exchange(d->bitmap, nullptr));
      if (d->font) DeleteObject(std::exchange(d->font, nullptr));
      Forget(hwnd);
      return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// Reads the bar resource: false when it is missing or cut short.
bool ReadButtons(HINSTANCE instance, UINT id, WORD& menuId, std::vector<BarButton>& buttons) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!found) return false;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  DWORD size = SizeofResource(instance, found);
  auto word = [&](size_t index) {
    WORD w = 0;
    std::memcpy(&w, data + index * 2, 2);
    return w;
  };
  if (!data || size < 4) return false;
  menuId = word(0);
  size_t count = word(1);
  if (size < (2 + count * 7) * 2) return false;
  WCHAR text[64];
  for (size_t i = 0; i < count; ++i) {
    size_t at = 2 + i * 7;
    BarButton b;
    b.image = word(at);
    b.command = word(at + 1);
    b.state = static_cast<BYTE>(word(at + 2));
    WORD stringId = word(at + 4);
    if (stringId && LoadStringW(instance, stringId, text, 64) > 0) b.text = text;
    b.popup = word(at + 6);
    buttons.push_back(std::move(b));
  }
  return true;
}

void EnsureBarClass() {
  platform::user::EnsureSystemClasses();
  platform::user::RegisterSystemClass(kBarClass, BarProc, 0);
}

}  // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  if (!info || info->cbSize != sizeof(SHMENUBARINFO) || !IsWindow(info->hwndParent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hwndMB = nullptr;
  auto d = std::make_shared<BarData>();
  d->parent = info->hwndParent;
  WORD menuId = 0;
  if (!(info->dwFlags & SHCMBF_EMPTYBAR)) {
    if (!ReadButtons(info->hInstRes, info->nToolBarId, menuId, d->buttons)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND_);
      return FALSE;
    }
    bool anyPopup = std::any_of(d->buttons.begin(), d->buttons.end(), [](auto& b) { return b.popup != NOMENU; });
    if (anyPopup && !(d->menu = LoadMenuW(info->hInstRes, MAKEINTRESOURCEW(menuId)))) return FALSE;
    if (info->nBmpId && info->cBmpImages > 0) {
      d->bitmap = LoadBitmapW(info->hInstRes, MAKEINTRESOURCEW(static_cast<ULONG_PTR>(info->nBmpId)));
      BITMAP bm{};
      if (d->bitmap && GetObjectW(d->bitmap, sizeof(bm), &bm)) {
        d->imageWidth = bm.bmWidth / info->cBmpImages;
        d->imageHeight = bm.bmHeight;
      }
    }
  }
  d->font = MakeBarFont();
  Layout(*d);
  EnsureBarClass();
  // A window keeps one bar: a new one replaces it.
  if (HWND old = SHFindMenuBar(info->hwndParent)) DestroyWindow(old);
  int height = platform::MenuBarHeight();
  HWND bar = CreateWindowExW(WS_EX_NOACTIVATE, kBarClass, u"", WS_POPUP, 0, platform::ScreenHeight() - height,
                             platform::ScreenWidth(), height, info->hwndParent, nullptr, nullptr, nullptr);
  if (!bar) {
    if (d->menu) DestroyMenu(d->menu);
    if (d->bitmap) DeleteObject(d->bitmap);
    if (d->font) DeleteObject(d->font);
    return FALSE;
  }
  platform::user::SetData(bar, d);
  // The bar is the shell's: its input-panel button serves a dialog in front that brought no
  // bar of its own, while the bar's other buttons wait with their window (BarProc).
  platform::user::MarkShellWindow(bar);
  std::vector<HWND> others;
  {
    std::lock_guard guard(g_barsLock);
    others = g_bars;
    g_bars.push_back(bar);
  }
  for (HWND other : others)
    if (IsWindow(other)) ShowWindow(other, SW_HIDE);
  if (!(info->dwFlags & SHCMBF_HIDDEN)) ShowWindow(bar, SW_SHOWNA);
  info->hwndMB = bar;
  return TRUE;
}

HWND SHFindMenuBar(HWND parent) {
  std::vector<HWND> bars;
  {
    std::lock_guard guard(g_barsLock);
    bars = g_bars;
  }
  for (HWND bar : bars)
    if (auto d = platform::user::DataOf<BarData>(bar); d && d->parent == parent) return bar;
  return nullptr;
}

namespace platform {

HWND CurrentMenuBar() {
  std::lock_guard guard(g_barsLock);
  return g_bars.empty() ? nullptr : g_bars.back();
}

namespace shell {

void ResetMenuBars() {
  std::lock_guard guard(g_barsLock);
  g_bars.clear();
}

}  // namespace shell

}  // namespace platform

// The input panel's keyboard window and the input-panel button's state per window.
#include "platform/shell/InputPanel.h"

#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/shell/Shell.h"
#include "platform/shell/ShellInternal.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowManager.h"

namespace {

using platform::PanelKey;

// The window class of the panel: a shell window (WS_EX_TOPMOST | WS_EX_NOACTIVATE, marked
// with platform::user::MarkShellWindow) that takes taps whatever window is active.
constexpr char16_t kPanelClass[] = u"input_panel";
constexpr int kRows = 5;
// Widths are counted in half keys: a row is ten keys wide.
constexpr int kRowSpan = 20;

struct KeySpec {
  std::optional<PanelKey> special;  // none: the key types `sign`
  WCHAR sign = 0;
  int span = 2;
};
using KeyRow = std::vector<KeySpec>;
using Layer = std::array<KeyRow, kRows>;

KeyRow Signs(std::u16string_view signs) {
  KeyRow row;
  for (WCHAR c : signs) row.push_back(KeySpec{std::nullopt, c, 2});
  return row;
}

KeyRow Framed(KeySpec left, std::u16string_view signs, KeySpec right) {
  KeyRow row{left};
  for (const KeySpec& k : Signs(signs)) row.push_back(k);
  row.push_back(right);
  return row;
}

KeyRow BottomRow() {
  return KeyRow{{PanelKey::Layer, 0, 3}, {std::nullopt, u'@', 2}, {std::nullopt, u'-', 2}, {PanelKey::Space, 0, 6},
                {std::nullopt, u',', 2}, {std::nullopt, u'.', 2},  {PanelKey::Enter, 0, 3}};
}

// Layer 0 holds the letters, layer 1 the signs.
const std::array<Layer, 2>& Layers() {
  static const std::array<Layer, 2> layers{
      Layer{Signs(u"1234567890"), Signs(u"qwertyuiop"), Signs(u"asdfghjkl'"),
            Framed({PanelKey::Shift, 0, 3}, u"zxcvbnm", {PanelKey::Backspace, 0, 3}), BottomRow()},
      Layer{Signs(u"1234567890"), Signs(u"!@#$%&*()+"), Signs(u"/:;'\"?=_\\~"),
            Framed({PanelKey::Tab, 0, 3}, u"<>[]{}|", {PanelKey::Backspace, 0, 3}), BottomRow()}};
  return layers;
}

struct PlacedKey {
  KeySpec spec;
  RECT rect;
};

std::vector<PlacedKey> PlaceKeys(int layer, const RECT& client) {
  std::vector<PlacedKey> keys;
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  for (int r = 0; r < kRows; ++r) {
    int top = client.top + r * height / kRows;
    int bottom = client.top + (r + 1) * height / kRows;
    int at = 0;
    for (const KeySpec& k : Layers()[static_cast<size_t>(layer)][static_cast<size_t>(r)]) {
      RECT rect{client.left + at * width / kRowSpan, top, client.left + (at + k.span) * width / kRowSpan, bottom};
      keys.push_back(PlacedKey{k, rect});
      at += k.span;
    }
  }
  return keys;
}

int HitKey(const std::vector<PlacedKey>& keys, POINT p) {
  for (size_t i = 0; i < keys.size(); ++i) {
    const RECT& r = keys[i].rect;
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return static_cast<int>(i);
  }
  return -1;
}

enum class Shift { Off, Once, Locked };

struct PanelData : platform::user::WindowData {
  int layer = 0;
  Shift shift = Shift::Off;
  int pressed = -1;  // the key under the pen, in the order of PlaceKeys
  HFONT font = nullptr;
  int fontScale = 0;
};

struct PanelState {
  std::mutex lock;
  HWND window = nullptr;
};

PanelState& Panel() {
  static PanelState state;
  return state;
}

std::vector<PlacedKey> KeysOf(HWND hwnd, const PanelData& d) {
  RECT client;
  GetClientRect(hwnd, &client);
  return PlaceKeys(d.layer, client);
}

WCHAR Typed(const PanelData& d, WCHAR sign) {
  return d.shift == Shift::Off ? sign : platform::UpperCase(sign);
}

// ---- Drawing ----------------------------------------------------------------------------------

// The shift arrow, the backspace arrow and the enter arrow, on a grid of 12 x 10 points.
constexpr POINT kShiftArrow[] = {{6, 0}, {11, 5}, {8, 5}, {8, 10}, {4, 10}, {4, 5}, {1, 5}};
constexpr POINT kBackArrow[] = {{5, 2}, {1, 5}, {5, 8}, {1, 5}, {12, 5}};
constexpr POINT kEnterArrow[] = {{11, 1}, {11, 6}, {1, 6}, {4, 3}, {1, 6}, {4, 9}};

template <size_t N>
void DrawGlyph(HDC dc, const RECT& key, const POINT (&grid)[N], bool closed, bool filled, COLORREF color) {
  int s = platform::ScreenScale();
  int left = (key.left + key.right) / 2 - 6 * s;
  int top = (key.top + key.bottom) / 2 - 5 * s;
  std::array<POINT, N> points;
  for (size_t i = 0; i < N; ++i) points[i] = POINT{left + grid[i].x * s, top + grid[i].y * s};
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, s, color));
  CGdiObject<HBRUSH> brush(CreateSolidBrush(color));
  CSelectObjectScope keepPen(dc, pen.get());
  CSelectObjectScope keepBrush(dc, filled ? brush.get() : GetStockObject(NULL_BRUSH));
  if (closed) Polygon(dc, points.data(), static_cast<int>(N));
  else Polyline(dc, points.data(), static_cast<int>(N));
}

// The key's face colour and its text colour.
std::pair<int, int> KeyColours(const PanelData& d, const KeySpec& k, bool pressed) {
  bool lit = pressed || (k.special == PanelKey::Shift && d.shift == Shift::Locked);
  if (lit) return {COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
  return {k.special ? COLOR_BTNFACE : COLOR_WINDOW, COLOR_BTNTEXT};
}

void PaintKey(HDC dc, const PanelData& d, const PlacedKey& key, bool pressed) {
  auto [face, ink] = KeyColours(d, key.spec, pressed);
  // A line of the panel's background stays between neighbouring keys.
  RECT r{key.rect.left + 1, key.rect.top + 1, key.rect.right, key.rect.bottom};
  FillRect(dc, &r, GetSysColorBrush(face));
  COLORREF color = GetSysColor(ink);
  std::u16string label;
  if (!key.spec.special) {
    label = std::u16string(1, Typed(d, key.spec.sign));
  } else {
    switch (*key.spec.special) {
      case PanelKey::Shift: DrawGlyph(dc, r, kShiftArrow, true, d.shift != Shift::Off, color); return;
      case PanelKey::Backspace: DrawGlyph(dc, r, kBackArrow, false, false, color); return;
      case PanelKey::Enter: DrawGlyph(dc, r, kEnterArrow, false, false, color); return;
      case PanelKey::Tab: label = u"tab"; break;
      case PanelKey::Layer: label = d.layer == 0 ? u"sym" : u"abc"; break;
      case PanelKey::Space: return;
    }
  }
  SetTextColor(dc, color);
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;  // "&" is a key like any other
  DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &r, format);
}

void EnsureFont(PanelData& d) {
  int s = platform::ScreenScale();
  if (d.font && d.fontScale == s) return;
  if (d.font) DeleteObject(d.font);
  LOGFONTW lf;
  lf.lfHeight = -10 * s;
  lf.lfWeight = 400;
  std::u16string_view face = u"Tahoma";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  d.font = CreateFontIndirectW(&lf);
  d.fontScale = s;
}

void Paint(HWND hwnd, PanelData& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW));
  EnsureFont(d);
  SetBkMode(dc, TRANSPARENT);
  {
    CSelectObjectScope keepFont(dc, d.font);
    std::vector<PlacedKey> keys = PlaceKeys(d.layer, client);
    for (size_t i = 0; i < keys.size(); ++i) PaintKey(dc, d, keys[i], static_cast<int>(i) == d.pressed);
  }
  EndPaint(hwnd, &ps);
}

// ---- Typing -----------------------------------------------------------------------------------

// Types as the device's keyboard would: a sign as a typed character, the other keys as
// their virtual keys, all through the focused window's queue.
void Strike(HWND hwnd, PanelData& d, const KeySpec& k) {
  if (!k.special) {
    platform::TypeText(std::u16string(1, Typed(d, k.sign)));
    if (d.shift == Shift::Once) d.shift = Shift::Off;
    InvalidateRect(hwnd, nullptr, TRUE);
    return;
  }
  switch (*k.special) {
    case PanelKey::Shift:
      d.shift = d.shift == Shift::Off ? Shift::Once : d.shift == Shift::Once ? Shift::Locked : Shift::Off;
      break;
    case PanelKey::Layer:
      d.layer = 1 - d.layer;
      d.shift = Shift::Off;
      break;
    case PanelKey::Backspace: platform::PressKey(VK_BACK); break;
    case PanelKey::Enter: platform::PressKey(VK_RETURN); break;
    case PanelKey::Tab: platform::PressKey(VK_TAB); break;
    case PanelKey::Space: platform::TypeText(u" "); break;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void SetPressed(HWND hwnd, PanelData& d, int key) {
  if (d.pressed == key) return;
  d.pressed = key;
  InvalidateRect(hwnd, nullptr, TRUE);
}

void OnPenUp(HWND hwnd, PanelData& d, POINT p) {
  if (GetCapture() == hwnd) ReleaseCapture();
  int was = d.pressed;
  SetPressed(hwnd, d, -1);
  std::vector<PlacedKey> keys = KeysOf(hwnd, d);
  if (was >= 0 && HitKey(keys, p) == was) Strike(hwnd, d, keys[static_cast<size_t>(was)].spec);
}

LRESULT PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto d = platform::user::DataOf<PanelData>(hwnd);
  if (!d) return DefWindowProcW(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT: Paint(hwnd, *d); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: {
      int hit = HitKey(KeysOf(hwnd, *d), p);
      if (hit < 0) return 0;
      SetCapture(hwnd);
      SetPressed(hwnd, *d, hit);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd) SetPressed(hwnd, *d, HitKey(KeysOf(hwnd, *d), p));
      return 0;
    case WM_LBUTTONUP: OnPenUp(hwnd, *d, p); return 0;
    case WM_SHOWWINDOW:
      if (!wParam) {
        if (GetCapture() == hwnd) ReleaseCapture();
        d->pressed = -1;
      }
      return 0;
    case WM_DESTROY:
      if (d->font) DeleteObject(std::exchange(d->font, nullptr));
      return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

HWND LivePanel() {
  std::lock_guard guard(Panel().lock);
  if (Panel().window && !IsWindow(Panel().window)) Panel().window = nullptr;
  return Panel().window;
}

HWND CreatePanel(const RECT& r) {
  platform::user::EnsureSystemClasses();
  platform::user::RegisterSystemClass(kPanelClass, PanelProc, 0);
  HWND panel = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kPanelClass, u"", WS_POPUP, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  if (!panel) return nullptr;
  platform::user::SetData(panel, std::make_shared<PanelData>());
  platform::user::MarkShellWindow(panel);
  std::lock_guard guard(Panel().lock);
  Panel().window = panel;
  return panel;
}

std::optional<POINT> FindKey(const std::function<bool(const KeySpec&)>& match) {
  HWND panel = platform::InputPanelWindow();
  auto d = panel ? platform::user::DataOf<PanelData>(panel) : nullptr;
  if (!d) return std::nullopt;
  for (const PlacedKey& k : KeysOf(panel, *d)) {
    if (!match(k.spec)) continue;
    POINT middle{(k.rect.left + k.rect.right) / 2, (k.rect.top + k.rect.bottom) / 2};
    ClientToScreen(panel, &middle);
    return middle;
  }
  return std::nullopt;
}

}  // namespace

namespace platform {

std::optional<POINT> InputPanelKeyAt(WCHAR c) {
  switch (c) {
    case u' ': return InputPanelKeyAt(PanelKey::Space);
    case u'\b': return InputPanelKeyAt(PanelKey::Backspace);
    case u'\r': return InputPanelKeyAt(PanelKey::Enter);
    case u'\t': return InputPanelKeyAt(PanelKey::Tab);
    default: break;
  }
  return FindKey([c](const KeySpec& k) { return !k.special && LowerCase(k.sign) == LowerCase(c); });
}

std::optional<POINT> InputPanelKeyAt(PanelKey key) {
  return FindKey([key](const KeySpec& k) { return k.special == key; });
}

HWND InputPanelWindow() {
  HWND panel = LivePanel();
  return panel && IsWindowVisible(panel) ? panel : nullptr;
}

namespace shell {

void ShowInputPanel(bool up) {
  HWND panel = LivePanel();
  if (!up) {
    if (panel) ShowWindow(panel, SW_HIDE);
    return;
  }
  SIPINFO info;
  if (!SystemParametersInfoW(SPI_GETSIPINFO, sizeof(info), &info, 0)) return;
  const RECT& r = info.rcSipRect;
  if (!panel) panel = CreatePanel(r);
  else MoveWindow(panel, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  if (panel) ShowWindow(panel, SW_SHOWNA);
}

// The menu bar's input-panel button follows the foreground window's full-screen state,
// which the shell keeps; the bar only needs drawing again.
void NoteFullScreen(HWND, DWORD) {
  if (HWND bar = CurrentMenuBar()) InvalidateRect(bar, nullptr, TRUE);
}

void ResetInputPanel() {
  if (HWND panel = LivePanel()) DestroyWindow(panel);
  std::lock_guard guard(Panel().lock);
  Panel().window = nullptr;
}

}  // namespace shell

}  // namespace platform

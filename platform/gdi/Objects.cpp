// The handle table, stock objects, device contexts and their state, selection and deletion.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <unordered_map>

#include "platform/base/Base.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/ScreenSize.h"

namespace platform::gdi {
namespace {

struct Table {
  std::unordered_map<std::uintptr_t, std::unique_ptr<Object>> objects;
  std::uintptr_t next = 1;
  int live = 0;
  std::array<HGDIOBJ, 16> stock{};
  std::array<HGDIOBJ, 32> sysBrushes{};
  HGDIOBJ defaultBitmap = nullptr;
  HGDIOBJ screen = nullptr;
};

Table& T() {
  static Table* table = new Table;  // lives as long as the process: stock objects outlive tests
  return *table;
}

std::atomic<int> g_depth{16};

HGDIOBJ AddStock(std::unique_ptr<Object> o) {
  o->stock = true;
  return Add(std::move(o));
}

HGDIOBJ MakeStockBrush(COLORREF color, bool hollow) {
  auto b = std::make_unique<Brush>();
  b->color = color;
  b->hollow = hollow;
  return AddStock(std::move(b));
}

HGDIOBJ MakeStockPen(COLORREF color, int style) {
  auto p = std::make_unique<Pen>();
  p->color = color;
  p->style = style;
  return AddStock(std::move(p));
}

// The twenty colours every palette device reserves: the first ten and the last ten
// entries of the default colour table.
constexpr PALETTEENTRY kStaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

// The system font follows the screen: its height doubles on a high-resolution screen, so
// what draws with it (menus, message boxes, captions, plain controls) keeps its size on the
// device's glass whichever screen a test or the display chose.
void SyncSystemFont(Table& t) {
  if (Font* f = FindFont(t.stock[SYSTEM_FONT])) f->log.lfHeight = -platform::SystemFontHeight();
}

void EnsureStock() {
  Table& t = T();
  if (t.stock[WHITE_BRUSH]) {
    SyncSystemFont(t);
    return;
  }
  t.stock[WHITE_BRUSH] = MakeStockBrush(RGB(255, 255, 255), false);
  t.stock[LTGRAY_BRUSH] = MakeStockBrush(RGB(192, 192, 192), false);
  t.stock[GRAY_BRUSH] = MakeStockBrush(RGB(128, 128, 128), false);
  t.stock[DKGRAY_BRUSH] = MakeStockBrush(RGB(64, 64, 64), false);
  t.stock[BLACK_BRUSH] = MakeStockBrush(RGB(0, 0, 0), false);
  t.stock[NULL_BRUSH] = MakeStockBrush(0, true);
  t.stock[WHITE_PEN] = MakeStockPen(RGB(255, 255, 255), PS_SOLID);
  t.stock[BLACK_PEN] = MakeStockPen(RGB(0, 0, 0), PS_SOLID);
  t.stock[NULL_PEN] = MakeStockPen(0, PS_NULL);
  auto font = std::make_unique<Font>();
  font->log.lfHeight = -platform::SystemFontHeight();
  font->log.lfWeight = FW_NORMAL;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), font->log.lfFaceName);
  t.stock[SYSTEM_FONT] = AddStock(std::move(font));
  auto palette = std::make_unique<Palette>();
  palette->entries.assign(std::begin(kStaticColors), std::end(kStaticColors));
  t.stock[DEFAULT_PALETTE] = AddStock(std::move(palette));
  auto one = MakeDeviceBitmap(1, 1, 1);
  t.defaultBitmap = AddStock(std::move(one));
}

void Select(HGDIOBJ& slot, HGDIOBJ object) {
  if (Object* old = Find(slot)) --old->selections;
  slot = object;
  if (Object* now = Find(object)) ++now->selections;
}

void DeselectAll(Dc& dc) {
  for (HGDIOBJ* slot : {&dc.pen, &dc.brush, &dc.font, &dc.bitmap, &dc.palette}) Select(*slot, nullptr);
}

}  // namespace

std::recursive_mutex& Lock() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

HGDIOBJ Add(std::unique_ptr<Object> object) {
  Table& t = T();
  std::uintptr_t key = (t.next++ + 0x1000) << 4;
  if (!object->stock) ++t.live;
  t.objects.emplace(key, std::move(object));
  return reinterpret_cast<HGDIOBJ>(key);
}

Object* Find(HGDIOBJ handle) {
  if (!handle) return nullptr;
  auto& objects = T().objects;
  auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == objects.end() ? nullptr : it->second.get();
}

HDC NewDc(HGDIOBJ bitmap, bool memory, bool window) {
  EnsureStock();
  Table& t = T();
  auto dc = std::make_unique<Dc>();
  dc->memory = memory;
  dc->window = window;
  Select(dc->pen, t.stock[BLACK_PEN]);
  Select(dc->brush, t.stock[WHITE_BRUSH]);
  Select(dc->font, t.stock[SYSTEM_FONT]);
  Select(dc->palette, t.stock[DEFAULT_PALETTE]);
  Select(dc->bitmap, bitmap ? bitmap : t.defaultBitmap);
  return static_cast<HDC>(Add(std::move(dc)));
}

Bitmap* Target(Dc& dc) { return FindBitmap(dc.bitmap); }

RECT VisibleRect(Dc& dc, const Bitmap& target) {
  RECT r{0, 0, target.width, target.height};
  if (dc.hasClip) {
    r.left = std::max(r.left, dc.clip.left);
    r.top = std::max(r.top, dc.clip.top);
    r.right = std::min(r.right, dc.clip.right);
    r.bottom = std::min(r.bottom, dc.clip.bottom);
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
  }
  return r;
}

bool Uncovered(const Dc& dc, int x, int y) {
  for (const RECT& r : dc.covered)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return false;
  return true;
}

namespace {

// `area` less the `covered` rectangles, as rectangles that do not overlap.
std::vector<RECT> Subtract(const RECT& area, const std::vector<RECT>& covered) {
  std::vector<RECT> parts{area};
  for (const RECT& c : covered) {
    std::vector<RECT> next;
    for (const RECT& p : parts) {
      RECT i{std::max(p.left, c.left), std::max(p.top, c.top), std::min(p.right, c.right), std::min(p.bottom, c.bottom)};
      if (i.left >= i.right || i.top >= i.bottom) {
        next.push_back(p);
        continue;
      }
      if (p.top < i.top) next.push_back(RECT{p.left, p.top, p.right, i.top});
      if (i.bottom < p.bottom) next.push_back(RECT{p.left, i.bottom, p.right, p.bottom});
      if (p.left < i.left) next.push_back(RECT{p.left, i.top, i.left, i.bottom});
      if (i.right < p.right) next.push_back(RECT{i.right, i.top, p.right, i.bottom});
    }
    parts = std::move(next);
  }
  return parts;
}

}  // namespace

COLORREF SysColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(192, 192, 192);
    case COLOR_BACKGROUND: return RGB(0, 128, 128);
    case COLOR_ACTIVECAPTION: return RGB(0, 0, 128);
    case COLOR_INACTIVECAPTION: return RGB(128, 128, 128);
    case COLOR_MENU: return RGB(255, 255, 255);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
    case COLOR_MENUTEXT: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(192, 192, 192);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    default: return 0;
  }
}

// ---- Canvas and Pixels -------------------------------------------------------------------

Canvas::Canvas(Dc& dc) {
  m_target = Target(dc);
  if (!m_target) return;
  m_target->Pull();
  m_cr = cairo_create(m_target->surface);
  RECT v = VisibleRect(dc, *m_target);
  std::vector<RECT> parts = Subtract(v, dc.covered);
  if (parts.empty()) parts.push_back(RECT{0, 0, 0, 0});
  for (const RECT& p : parts) cairo_rectangle(m_cr, p.left, p.top, p.right - p.left, p.bottom - p.top);
  cairo_clip(m_cr);
  cairo_translate(m_cr, dc.origin.x, dc.origin.y);
  cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
}

Canvas::~Canvas() {
  if (!m_cr) return;
  cairo_destroy(m_cr);
  cairo_surface_flush(m_target->surface);
  m_target->Push();
}

Pixels::Pixels(Bitmap& bitmap, bool write) : m_bitmap(bitmap), m_write(write) {
  m_bitmap.Pull();
  cairo_surface_flush(m_bitmap.surface);
  m_data = cairo_image_surface_get_data(m_bitmap.surface);
  m_stride = static_cast<size_t>(cairo_image_surface_get_stride(m_bitmap.surface));
}

Pixels::~Pixels() {
  if (!m_write) return;
  cairo_surface_mark_dirty(m_bitmap.surface);
  m_bitmap.Push();
}

}  // namespace platform::gdi

using namespace platform::gdi;

// ---- Contexts -----------------------------------------------------------------------------

HDC CreateCompatibleDC(HDC dc) {
  std::lock_guard lock(Lock());
  if (dc && !FindDc(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return NewDc(nullptr, true, false);
}

BOOL DeleteDC(HDC handle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DeselectAll(*dc);
  auto& objects = T().objects;
  objects.erase(reinterpret_cast<std::uintptr_t>(handle));
  --T().live;
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
  std::lock_guard lock(Lock());
  if (handle && !FindDc(handle)) return 0;
  int depth = platform::ScreenColorDepth();
  int dpi = platform::ScreenPixelsPerInch();
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return platform::ScreenWidth() * 254 / (dpi * 10);
    case VERTSIZE: return platform::ScreenHeight() * 254 / (dpi * 10);
    case HORZRES: return platform::ScreenWidth();
    case VERTRES: return platform::ScreenHeight();
    case BITSPIXEL: return depth;
    case PLANES: return 1;
    case NUMCOLORS: return depth <= 8 ? 20 : -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB |
             (depth <= 8 ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi;
    case SIZEPALETTE: return depth <= 8 ? 1 << depth : 0;
    case COLORRES: return depth <= 8 ? 18 : depth;
    default: return 0;
  }
}

// ---- Selection and deletion -------------------------------------------------------------------

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  Object* o = Find(object);
  if (!dc || !o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case Kind::Pen: slot = &dc->pen; break;
    case Kind::Brush: slot = &dc->brush; break;
    case Kind::Font: slot = &dc->font; break;
    case Kind::Bitmap:
      // A bitmap belongs to one memory context at a time.
      if (!dc->memory || (!o->stock && o->selections > 0 && dc->bitmap != object)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      slot = &dc->bitmap;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
  HGDIOBJ previous = *slot;
  Select(*slot, object);
  return previous;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->pen;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_FONT: return dc->font;
    case OBJ_BITMAP: return dc->bitmap;
    case OBJ_PAL: return dc->palette;
    default: return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ handle) {
  std::lock_guard lock(Lock());
  Object* o = Find(handle);
  if (!o || o->kind == Kind::Dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (o->stock) return TRUE;  // deleting a stock object does nothing
  if (o->selections > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  T().objects.erase(reinterpret_cast<std::uintptr_t>(handle));
  --T().live;
  return TRUE;
}

HGDIOBJ GetStockObject(int index) {
  std::lock_guard lock(Lock());
  EnsureStock();
  if (index < 0 || index >= static_cast<int>(T().stock.size())) return nullptr;
  return T().stock[static_cast<size_t>(index)];
}

DWORD GetObjectType(HGDIOBJ handle) {
  std::lock_guard lock(Lock());
  Object* o = Find(handle);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Palette: return OBJ_PAL;
    case Kind::Dc: return static_cast<Dc*>(o)->memory ? OBJ_MEMDC : OBJ_DC;
  }
  return 0;
}

namespace {

template <typename S>
int CopyOut(const S& value, int size, LPVOID buffer) {
  if (!buffer) return static_cast<int>(sizeof(S));
  if (size < static_cast<int>(sizeof(S))) return 0;
  std::memcpy(buffer, &value, sizeof(S));
  return static_cast<int>(sizeof(S));
}

}  // namespace

int GetObjectW(HGDIOBJ handle, int size, LPVOID buffer) {
  std::lock_guard lock(Lock());
  Object* o = Find(handle);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (o->kind) {
    case Kind::Pen: {
      auto* p = static_cast<Pen*>(o);
      LOGPEN lp;
      lp.lopnStyle = static_cast<UINT>(p->style);
      lp.lopnWidth.x = p->width;
      lp.lopnColor = p->color;
      return CopyOut(lp, size, buffer);
    }
    case Kind::Brush: {
      auto* b = static_cast<Brush*>(o);
      LOGBRUSH lb;
      lb.lbStyle = b->hollow ? BS_NULL : BS_SOLID;
      lb.lbColor = b->color;
      return CopyOut(lb, size, buffer);
    }
    case Kind::Font: return CopyOut(static_cast<Font*>(o)->log, size, buffer);
    case Kind::Palette: {
      WORD count = static_cast<WORD>(static_cast<Palette*>(o)->entries.size());
      return CopyOut(count, size, buffer);
    }
    case Kind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o);
      DIBSECTION ds;
      ds.dsBm.bmWidth = b->width;
      ds.dsBm.bmHeight = b->height;
      ds.dsBm.bmPlanes = 1;
      ds.dsBm.bmBitsPixel = static_cast<WORD>(b->bitsPerPixel);
      ds.dsBm.bmWidthBytes = ((b->width * b->bitsPerPixel + 15) / 16) * 2;
      if (b->dib) {
        ds.dsBm.bmWidthBytes = static_cast<LONG>(b->bitsStride);
        ds.dsBm.bmBits = b->bits.get();
        ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        ds.dsBmih.biWidth = b->width;
        ds.dsBmih.biHeight = b->topDown ? -b->height : b->height;
        ds.dsBmih.biPlanes = 1;
        ds.dsBmih.biBitCount = static_cast<WORD>(b->bitsPerPixel);
        ds.dsBmih.biCompression = b->compression;
        ds.dsBmih.biSizeImage = static_cast<DWORD>(b->bitsSize);
        ds.dsBmih.biClrUsed = static_cast<DWORD>(b->colors.size());
        std::copy(std::begin(b->masks), std::end(b->masks), ds.dsBitfields);
        if (buffer && size >= static_cast<int>(sizeof(DIBSECTION))) return CopyOut(ds, size, buffer);
      }
      return CopyOut(ds.dsBm, size, buffer);
    }
    case Kind::Dc: break;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

// ---- Context state --------------------------------------------------------------------------

namespace {

template <typename V>
V Exchange(HDC handle, V Dc::*member, V value, V failure) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) return failure;
  V old = dc->*member;
  dc->*member = value;
  return old;
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) { return Exchange(dc, &Dc::textColor, color, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF color) { return Exchange(dc, &Dc::bkColor, color, CLR_INVALID); }
COLORREF GetTextColor(HDC handle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  return dc ? dc->textColor : CLR_INVALID;
}
COLORREF GetBkColor(HDC handle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  return dc ? dc->bkColor : CLR_INVALID;
}
int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return Exchange(dc, &Dc::bkMode, mode, 0);
}
int GetBkMode(HDC handle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  return dc ? dc->bkMode : 0;
}

DWORD GetSysColor(int index) { return SysColor(index); }

HBRUSH GetSysColorBrush(int index) {
  std::lock_guard lock(Lock());
  if (index < 0 || index >= static_cast<int>(T().sysBrushes.size())) return nullptr;
  HGDIOBJ& b = T().sysBrushes[static_cast<size_t>(index)];
  if (!b) b = MakeStockBrush(SysColor(index), false);
  return static_cast<HBRUSH>(b);
}

// ---- Profiles and test support -------------------------------------------------------------

namespace platform {

void SetScreenColorDepth(int bitsPerPixel) {
  if (bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32)
    g_depth = bitsPerPixel;
}

int ScreenColorDepth() { return g_depth; }

int ScreenPixelsPerInch() { return 96 * ScreenScale(); }

int SystemFontHeight() { return kSystemFontHeight * ScreenScale(); }

int LiveGdiObjectCount() {
  std::lock_guard lock(Lock());
  return T().live;
}

void ResetGdi() {
  std::lock_guard lock(Lock());
  Table& t = T();
  for (auto it = t.objects.begin(); it != t.objects.end();) {
    if (it->second->stock) {
      it->second->selections = 0;
      ++it;
    } else {
      it = t.objects.erase(it);
    }
  }
  t.live = 0;
  if (t.screen) {
    t.objects.erase(reinterpret_cast<std::uintptr_t>(t.screen));
    t.screen = nullptr;
  }
  g_depth = 16;
  ResetText();
}

HBITMAP ScreenBitmap() {
  std::lock_guard lock(Lock());
  Table& t = T();
  Bitmap* screen = FindBitmap(t.screen);
  // A new screen shape takes effect once no context draws on the old one.
  if (screen && screen->selections == 0 &&
      (screen->width != ScreenWidth() || screen->height != ScreenHeight() ||
       screen->bitsPerPixel != ScreenColorDepth())) {
    t.objects.erase(reinterpret_cast<std::uintptr_t>(t.screen));
    t.screen = nullptr;
  }
  if (!t.screen) {
    auto b = MakeDeviceBitmap(std::max(1, ScreenWidth()), std::max(1, ScreenHeight()), ScreenColorDepth());
    t.screen = AddStock(std::move(b));
  }
  return static_cast<HBITMAP>(t.screen);
}

HDC CreateSurfaceDC(HBITMAP surface, POINT origin, RECT clip, const std::vector<RECT>& covered) {
  std::lock_guard lock(Lock());
  if (!FindBitmap(surface)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HDC handle = NewDc(surface, false, true);
  Dc* dc = FindDc(handle);
  dc->origin = origin;
  dc->hasClip = true;
  dc->clip = clip;
  dc->covered = covered;
  return handle;
}

HDC CreateScreenDC() {
  std::lock_guard lock(Lock());
  return NewDc(ScreenBitmap(), false, true);
}

int ReleaseSurfaceDC(HDC handle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || !dc->window) return 0;
  return DeleteDC(handle) ? 1 : 0;
}

}  // namespace platform

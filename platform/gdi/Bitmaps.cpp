// Bitmaps and DIB sections, their pixel formats, single pixels and block transfers.
#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "platform/base/Base.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/module/Module.h"

namespace platform::gdi {
namespace {

constexpr int kMaxSide = 16384;

struct Channel {
  int shift = 0;
  int bits = 0;
};

Channel ChannelOf(DWORD mask) {
  if (!mask) return {};
  int shift = std::countr_zero(mask);
  return {shift, std::popcount(mask >> shift)};
}

// Widens an n-bit component to 8 bits by repeating its bits, so that full scale stays
// full scale (31 of 5 bits is 255).
std::uint32_t Widen(std::uint32_t v, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return (v >> (bits - 8)) & 0xFF;
  std::uint32_t r = v << (8 - bits);
  for (int filled = bits; filled < 8; filled *= 2) r |= r >> filled;
  return r & 0xFF;
}

std::uint32_t Narrow(std::uint32_t c8, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return c8 << (bits - 8);
  return c8 >> (8 - bits);
}

// The three colour channels of a masked (16 or 32 bits) pixel, found once for a bitmap.
struct MaskedFormat {
  explicit MaskedFormat(const DWORD* masks) : masks(masks) {
    for (int c = 0; c < 3; ++c) channels[c] = ChannelOf(masks[c]);
  }
  std::uint32_t ToRgb(std::uint32_t v) const {
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c)
      out |= Widen((v & masks[c]) >> channels[c].shift, channels[c].bits) << (16 - 8 * c);
    return out;
  }
  std::uint32_t FromRgb(std::uint32_t rgb) const {
    std::uint32_t v = 0;
    for (int c = 0; c < 3; ++c)
      v |= (Narrow((rgb >> (16 - 8 * c)) & 0xFF, channels[c].bits) << channels[c].shift) & masks[c];
    return v;
  }
  const DWORD* masks;
  Channel channels[3];
};

std::uint32_t ReadMasked(const BYTE* row, int x, int bitsPerPixel) {
  if (bitsPerPixel == 16) {
    const BYTE* q = row + static_cast<size_t>(x) * 2;
    return q[0] | (std::uint32_t{q[1]} << 8);
  }
  const BYTE* q = row + static_cast<size_t>(x) * 4;
  return q[0] | (std::uint32_t{q[1]} << 8) | (std::uint32_t{q[2]} << 16) | (std::uint32_t{q[3]} << 24);
}

void WriteMasked(BYTE* row, int x, int bitsPerPixel, std::uint32_t v) {
  const int bytes = bitsPerPixel == 16 ? 2 : 4;
  BYTE* q = row + static_cast<size_t>(x) * bytes;
  for (int i = 0; i < bytes; ++i) q[i] = static_cast<BYTE>(v >> (8 * i));
}

bool IsMasked(int bitsPerPixel) { return bitsPerPixel == 16 || bitsPerPixel == 32; }

bool ValidDepth(int bpp) {
  return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

cairo_surface_t* NewSurface(int width, int height) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}

}  // namespace

Bitmap::~Bitmap() {
  if (surface) cairo_surface_destroy(surface);
}

std::uint32_t Bitmap::ReadDibPixel(int x, int y) const {
  const BYTE* p = DibRow(y);
  switch (bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8: {
      int bitPos = x * bitsPerPixel;
      int shift = 8 - bitsPerPixel - (bitPos % 8);
      unsigned index = (p[bitPos / 8] >> shift) & ((1u << bitsPerPixel) - 1);
      if (index >= colors.size()) return 0;
      const RGBQUAD& q = colors[index];
      return (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
    }
    case 24: {
      const BYTE* q = p + static_cast<size_t>(x) * 3;
      return (std::uint32_t{q[2]} << 16) | (std::uint32_t{q[1]} << 8) | q[0];
    }
    default: return MaskedFormat(masks).ToRgb(ReadMasked(p, x, bitsPerPixel));
  }
}

void Bitmap::WriteDibPixel(int x, int y, std::uint32_t rgb, const std::function<int(std::uint32_t)>& palette) {
  BYTE* p = DibRow(y);
  switch (bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8: {
      int bitPos = x * bitsPerPixel;
      int shift = 8 - bitsPerPixel - (bitPos % 8);
      unsigned mask = ((1u << bitsPerPixel) - 1) << shift;
      unsigned index = static_cast<unsigned>(palette ? palette(rgb) : NearestIndex(rgb));
      BYTE& b = p[bitPos / 8];
      b = static_cast<BYTE>((b & ~mask) | ((index << shift) & mask));
      return;
    }
    case 24: {
      BYTE* q = p + static_cast<size_t>(x) * 3;
      q[0] = static_cast<BYTE>(rgb);
      q[1] = static_cast<BYTE>(rgb >> 8);
      q[2] = static_cast<BYTE>(rgb >> 16);
      return;
    }
    default: WriteMasked(p, x, bitsPerPixel, MaskedFormat(masks).FromRgb(rgb)); return;
  }
}

int Bitmap::NearestIndex(std::uint32_t rgb) const {
  int best = 0;
  long bestDistance = -1;
  int r = static_cast<int>((rgb >> 16) & 0xFF), g = static_cast<int>((rgb >> 8) & 0xFF),
      b = static_cast<int>(rgb & 0xFF);
  for (size_t i = 0; i < colors.size(); ++i) {
    long dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

void Bitmap::Pull() {
  if (!dib) return;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  // The masked formats, the usual ones, with their channels found once for all pixels.
  const MaskedFormat format(masks);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(RowStart(data, stride, y));
    if (IsMasked(bitsPerPixel)) {
      const BYTE* from = DibRow(y);
      for (int x = 0; x < width; ++x) row[x] = format.ToRgb(ReadMasked(from, x, bitsPerPixel));
    } else {
      for (int x = 0; x < width; ++x) row[x] = ReadDibPixel(x, y);
    }
  }
  cairo_surface_mark_dirty(surface);
}

void Bitmap::Push() {
  if (!dib) return;
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  // Palette lookups repeat for the same few colours; remember them.
  std::unordered_map<std::uint32_t, int> nearest;
  const std::function<int(std::uint32_t)> lookup = [&](std::uint32_t rgb) {
    auto [it, added] = nearest.try_emplace(rgb, 0);
    if (added) it->second = NearestIndex(rgb);
    return it->second;
  };
  const MaskedFormat format(masks);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<const std::uint32_t*>(RowStart(data, stride, y));
    if (IsMasked(bitsPerPixel)) {
      BYTE* to = DibRow(y);
      for (int x = 0; x < width; ++x) WriteMasked(to, x, bitsPerPixel, format.FromRgb(row[x] & 0xFFFFFF));
    } else {
      for (int x = 0; x < width; ++x) WriteDibPixel(x, y, row[x] & 0xFFFFFF, lookup);
    }
  }
}

std::unique_ptr<Bitmap> MakeDeviceBitmap(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  auto b = std::make_unique<Bitmap>();
  b->width = width;
  b->height = height;
  b->bitsPerPixel = bitsPerPixel;
  b->surface = NewSurface(width, height);
  if (!b->surface) return nullptr;
  return b;
}

std::unique_ptr<Bitmap> MakeDibSection(const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                                       size_t colorCount, const DWORD* masks) {
  int bpp = header.biBitCount;
  LONG h = header.biHeight;
  if (!ValidDepth(bpp) || header.biWidth <= 0 || h == 0 || h == INT32_MIN) return nullptr;
  int height = h < 0 ? -h : h;
  if (header.biWidth > kMaxSide || height > kMaxSide) return nullptr;
  bool fields = header.biCompression == BI_BITFIELDS;
  if (header.biCompression != BI_RGB && !(fields && (bpp == 16 || bpp == 32))) return nullptr;
  auto b = MakeDeviceBitmap(header.biWidth, height, bpp);
  if (!b) return nullptr;
  b->dib = true;
  b->topDown = h < 0;
  b->compression = header.biCompression;
  if (fields) {
    if (!masks || !masks[0] || !masks[1] || !masks[2]) return nullptr;
    std::copy(masks, masks + 3, b->masks);
  } else if (bpp == 32 || bpp == 24) {
    b->masks[0] = 0xFF0000;
    b->masks[1] = 0x00FF00;
    b->masks[2] = 0x0000FF;
  }
  if (bpp <= 8) {
    b->colors.assign(size_t{1} << bpp, RGBQUAD{});
    if (colors) std::copy(colors, colors + std::min(colorCount, b->colors.size()), b->colors.begin());
  }
  b->bitsStride = DibStride(b->width, bpp);
  b->bitsSize = b->bitsStride * static_cast<size_t>(height);
  b->bits = std::make_unique<BYTE[]>(b->bitsSize);
  b->Pull();
  return b;
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

// The DIB section selected into a context, or null.
Bitmap* SelectedDib(HDC handle) {
  Dc* dc = FindDc(handle);
  Bitmap* b = dc ? Target(*dc) : nullptr;
  return b && b->dib ? b : nullptr;
}

// Maps a context's logical point to its bitmap; false when it lies outside what is visible.
bool MapPoint(Dc& dc, Bitmap& target, int& x, int& y) {
  x += dc.origin.x;
  y += dc.origin.y;
  RECT v = VisibleRect(dc, target);
  return x >= v.left && x < v.right && y >= v.top && y < v.bottom;
}

std::uint32_t ApplyRop(DWORD rop, std::uint32_t src, std::uint32_t dst, std::uint32_t pattern) {
  switch (rop) {
    case SRCCOPY: return src;
    case SRCPAINT: return src | dst;
    case SRCAND: return src & dst;
    case SRCINVERT: return src ^ dst;
    case NOTSRCCOPY: return ~src & 0xFFFFFF;
    case DSTINVERT: return ~dst & 0xFFFFFF;
    case PATCOPY: return pattern;
    case BLACKNESS: return 0;
    case WHITENESS: return 0xFFFFFF;
    default: return dst;
  }
}

bool RopUsesSource(DWORD rop) {
  return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT || rop == NOTSRCCOPY;
}

bool KnownRop(DWORD rop) {
  return RopUsesSource(rop) || rop == DSTINVERT || rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS;
}

// Picks source index `i` of `count` destination pixels spread over `srcCount` source pixels.
long long SourceIndex(long long i, long long count, long long srcCount) {
  return ((2 * i + 1) * srcCount) / (2 * count);
}

// The indexes [first, last) of a run of `count` pixels starting at `start` that fall
// inside [low, high).
void VisibleRun(long long start, long long count, long long low, long long high, long long& first,
                long long& last) {
  first = std::max(0LL, low - start);
  last = std::min(count, high - start);
  if (last < first) last = first;
}

// Sizes and positions are taken as 64-bit values, and only the part of each rectangle
// that lies inside its bitmap is visited: a caller may pass a rectangle far larger than
// the bitmap (or negative sizes up to the extreme) and the work stays that of the bitmap.
BOOL Transfer(HDC destHandle, long long x, long long y, long long width, long long height, HDC srcHandle,
              long long srcX, long long srcY, long long srcWidth, long long srcHeight, DWORD rop) {
  std::lock_guard lock(Lock());
  Dc* dest = FindDc(destHandle);
  Bitmap* target = dest ? Target(*dest) : nullptr;
  if (!target || !KnownRop(rop)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Dc* src = nullptr;
  Bitmap* source = nullptr;
  if (RopUsesSource(rop)) {
    src = FindDc(srcHandle);
    source = src ? Target(*src) : nullptr;
    if (!source) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  // Negative sizes mirror.
  bool mirrorX = (width < 0) != (srcWidth < 0), mirrorY = (height < 0) != (srcHeight < 0);
  if (width < 0) { x += width + 1; width = -width; }
  if (height < 0) { y += height + 1; height = -height; }
  if (srcWidth < 0) { srcX += srcWidth + 1; srcWidth = -srcWidth; }
  if (srcHeight < 0) { srcY += srcHeight + 1; srcHeight = -srcHeight; }
  if (width == 0 || height == 0 || (source && (srcWidth == 0 || srcHeight == 0))) return TRUE;

  std::uint32_t pattern = 0;
  if (Brush* b = FindBrush(dest->brush)) pattern = ToPixel(b->color);

  // Read the visible part of the source first: it may be the destination itself.
  long long si0 = 0, si1 = 0, sj0 = 0, sj1 = 0;
  std::vector<std::uint32_t> from;
  if (source) {
    RECT v = VisibleRect(*src, *source);
    VisibleRun(srcX + src->origin.x, srcWidth, v.left, v.right, si0, si1);
    VisibleRun(srcY + src->origin.y, srcHeight, v.top, v.bottom, sj0, sj1);
    if (si0 == si1 || sj0 == sj1) return TRUE;  // nothing of the source is there to copy
    from.resize(static_cast<size_t>((si1 - si0) * (sj1 - sj0)));
    Pixels in(*source, false);
    for (long long j = sj0; j < sj1; ++j)
      for (long long i = si0; i < si1; ++i)
        from[static_cast<size_t>((j - sj0) * (si1 - si0) + (i - si0))] =
            in.Get(static_cast<int>(srcX + i + src->origin.x), static_cast<int>(srcY + j + src->origin.y));
  }
  RECT v = VisibleRect(*dest, *target);
  long long di0, di1, dj0, dj1;
  VisibleRun(x + dest->origin.x, width, v.left, v.right, di0, di1);
  VisibleRun(y + dest->origin.y, height, v.top, v.bottom, dj0, dj1);
  Pixels out(*target, true);
  for (long long j = dj0; j < dj1; ++j) {
    const int dy = static_cast<int>(y + j + dest->origin.y);
    long long sj = 0;
    if (source) {
      sj = SourceIndex(j, height, srcHeight);
      if (mirrorY) sj = srcHeight - 1 - sj;
      if (sj < sj0 || sj >= sj1) continue;
    }
    for (long long i = di0; i < di1; ++i) {
      const int dx = static_cast<int>(x + i + dest->origin.x);
      if (!dest->covered.empty() && !Uncovered(*dest, dx, dy)) continue;
      std::uint32_t s = 0;
      if (source) {
        long long si = SourceIndex(i, width, srcWidth);
        if (mirrorX) si = srcWidth - 1 - si;
        if (si < si0 || si >= si1) continue;
        s = from[static_cast<size_t>((sj - sj0) * (si1 - si0) + (si - si0))];
      }
      out.Set(dx, dy, ApplyRop(rop, s, out.Get(dx, dy), pattern));
    }
  }
  return TRUE;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  std::lock_guard lock(Lock());
  if (dc && !FindDc(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto b = MakeDeviceBitmap(width, height, platform::ScreenColorDepth());
  if (!b) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HBITMAP>(Add(std::move(b)));
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
  std::lock_guard lock(Lock());
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
      (dc && !FindDc(dc))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const BYTE* after = reinterpret_cast<const BYTE*>(info) + h.biSize;
  DWORD masks[3] = {};
  if (h.biCompression == BI_BITFIELDS) {
    // The masks follow a 40-byte header and sit inside the longer ones.
    const BYTE* m = h.biSize == sizeof(BITMAPINFOHEADER) ? after : reinterpret_cast<const BYTE*>(info) + 40;
    std::memcpy(masks, m, sizeof masks);
    if (h.biSize == sizeof(BITMAPINFOHEADER)) after += sizeof masks;
  }
  size_t colorCount = 0;
  if (h.biBitCount <= 8) {
    colorCount = h.biClrUsed ? h.biClrUsed : (size_t{1} << h.biBitCount);
    colorCount = std::min(colorCount, size_t{256});
  }
  auto b = MakeDibSection(h, reinterpret_cast<const RGBQUAD*>(after), colorCount, masks);
  if (!b) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (bits) *bits = b->bits.get();
  return static_cast<HBITMAP>(Add(std::move(b)));
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  std::lock_guard lock(Lock());
  Bitmap* b = SelectedDib(dc);
  if (!b || !colors || start >= b->colors.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(b->colors.size()) - start);
  std::copy_n(b->colors.begin() + start, n, colors);
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  std::lock_guard lock(Lock());
  Bitmap* b = SelectedDib(dc);
  if (!b || !colors || start >= b->colors.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(b->colors.size()) - start);
  std::copy_n(colors, n, b->colors.begin() + start);
  return n;
}

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
  HRSRC found = FindResourceW(instance, name, RT_BITMAP);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(instance, found);
  const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
  DWORD size = SizeofResource(instance, found);
  if (!data) return nullptr;
  auto image = platform::ParsePackedDib(data, size);
  if (!image) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return platform::CreateBitmapFromDib(*image);
}

COLORREF GetPixel(HDC handle, int x, int y) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  Bitmap* b = dc ? Target(*dc) : nullptr;
  if (!b || !MapPoint(*dc, *b, x, y)) return CLR_INVALID;
  if (b->dib) return ToColorRef(b->ReadDibPixel(x, y));
  Pixels px(*b, false);
  return ToColorRef(px.Get(x, y));
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  Bitmap* b = dc ? Target(*dc) : nullptr;
  if (!b || !MapPoint(*dc, *b, x, y) || !Uncovered(*dc, x, y)) return CLR_INVALID;
  if (b->dib) {
    b->WriteDibPixel(x, y, ToPixel(color));
    return ToColorRef(b->ReadDibPixel(x, y));
  }
  Pixels px(*b, true);
  px.Set(x, y, ToPixel(color));
  return color & 0xFFFFFF;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  return Transfer(dest, x, y, width, height, src, srcX, srcY, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
  return Transfer(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop);
}

namespace platform {

HBITMAP CreateBitmapFromDib(const DibImage& image) {
  std::lock_guard lock(Lock());
  auto b = MakeDibSection(image.header, image.colors.data(), image.colors.size(), image.masks);
  if (!b || image.bits.size() < b->bitsSize) return nullptr;
  std::memcpy(b->bits.get(), image.bits.data(), b->bitsSize);
  b->Pull();
  return static_cast<HBITMAP>(Add(std::move(b)));
}

bool SaveBitmapAsPng(HBITMAP handle, const std::filesystem::path& file) {
  std::lock_guard lock(Lock());
  Bitmap* b = FindBitmap(handle);
  if (!b) return false;
  b->Pull();
  cairo_surface_flush(b->surface);
  return cairo_surface_write_to_png(b->surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool SaveDcAsPng(HDC handle, const std::filesystem::path& file) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) return false;
  return SaveBitmapAsPng(static_cast<HBITMAP>(dc->bitmap), file);
}

}  // namespace platform

namespace platform {

bool ReadBitmapPixels(HBITMAP bitmap, std::vector<std::uint32_t>& pixels, int* width, int* height) {
  std::lock_guard lock(Lock());
  Bitmap* b = FindBitmap(bitmap);
  if (!b || b->dib || !width || !height) return false;
  *width = b->width;
  *height = b->height;
  pixels.resize(static_cast<size_t>(b->width) * static_cast<size_t>(b->height));
  Pixels px(*b, false);
  for (int y = 0; y < b->height; ++y) {
    const std::uint32_t* row = px.Row(y);
    std::copy(row, row + b->width, pixels.begin() + static_cast<std::ptrdiff_t>(y) * b->width);
  }
  return true;
}

}  // namespace platform

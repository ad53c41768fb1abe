#include "core/DibSection.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/gdi/BitmapRows.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/user/Paint.h"

namespace {

HPALETTE g_sharedPalette = nullptr;

constexpr RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// The twenty fixed colours at both ends, a 6x6x6 colour cube (red changing slowest,
// blue fastest) and a grey ramp between them.
std::array<RGBQUAD, 256> MakeDefaultTable() {
  std::array<RGBQUAD, 256> t{};
  const RGBQUAD low[10] = {Quad(0, 0, 0),       Quad(128, 0, 0),     Quad(0, 128, 0),   Quad(128, 128, 0),
                           Quad(0, 0, 128),     Quad(128, 0, 128),   Quad(0, 128, 128), Quad(192, 192, 192),
                           Quad(192, 220, 192), Quad(166, 202, 240)};
  const RGBQUAD high[10] = {Quad(255, 251, 240), Quad(160, 160, 164), Quad(128, 128, 128), Quad(255, 0, 0),
                            Quad(0, 255, 0),     Quad(255, 255, 0),   Quad(0, 0, 255),     Quad(255, 0, 255),
                            Quad(0, 255, 255),   Quad(255, 255, 255)};
  std::copy(std::begin(low), std::end(low), t.begin());
  std::copy(std::begin(high), std::end(high), t.begin() + 246);
  const BYTE levels[6] = {0, 44, 86, 135, 192, 255};
  size_t i = 10;
  for (BYTE r : levels)
    for (BYTE g : levels)
      for (BYTE b : levels) t[i++] = Quad(r, g, b);
  // 20 greys spread evenly from 37 to 242, each rounded to the nearest level.
  for (int k = 0; k < 20; ++k) {
    BYTE v = static_cast<BYTE>(37 + (205 * k + 9) / 19);
    t[static_cast<size_t>(226 + k)] = Quad(v, v, v);
  }
  return t;
}

const std::array<RGBQUAD, 256> kDefaultTable = MakeDefaultTable();

// A LOGPALETTE with room for `count` entries.
class LogPalette {
 public:
  explicit LogPalette(size_t count)
      : m_bytes(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (std::max<size_t>(count, 1) - 1)) {
    Get()->palVersion = 0x300;
    Get()->palNumEntries = static_cast<WORD>(count);
  }
  LOGPALETTE* Get() { return reinterpret_cast<LOGPALETTE*>(m_bytes.data()); }
  PALETTEENTRY* Entries() { return Get()->palPalEntry; }

 private:
  std::vector<BYTE> m_bytes;
};

void ReplaceSharedPalette(HPALETTE palette) {
  if (g_sharedPalette) DeleteObject(g_sharedPalette);
  g_sharedPalette = palette;
}

bool MakeSharedPalette(const RGBQUAD* colors, size_t count) {
  LogPalette log(count);
  for (size_t i = 0; i < count; ++i)
    log.Entries()[i] = PALETTEENTRY{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
  ReplaceSharedPalette(CreatePalette(log.Get()));
  return g_sharedPalette != nullptr;
}

void PutU32(std::vector<BYTE>& out, DWORD v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

}  // namespace

CDibSection::CDibSection() { Init(); }

CDibSection::~CDibSection() { Destroy(); }

int CDibSection::GetColorCount(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 16;
    case 8: return 256;
    case 16:
    case 32: return 3;
    default: return 0;
  }
}

const RGBQUAD* CDibSection::DefaultColorTable() { return kDefaultTable.data(); }

HPALETTE CDibSection::SharedPalette() { return g_sharedPalette; }

bool CDibSection::CreateDefaultPalette(int wantedSize) {
  std::vector<RGBQUAD> colors;
  if (wantedSize >= 1 && wantedSize <= 2) {
    colors = {kDefaultTable[0], kDefaultTable[255]};
  } else if (wantedSize >= 3 && wantedSize <= 16) {
    colors.assign(kDefaultTable.begin(), kDefaultTable.begin() + 8);
    colors.insert(colors.end(), kDefaultTable.begin() + 248, kDefaultTable.end());
  } else {
    colors.assign(kDefaultTable.begin(), kDefaultTable.end());
  }
  return MakeSharedPalette(colors.data(), colors.size());
}

int CDibSection::CreateFromBitmap(HBITMAP bitmap, HPALETTE palette) {
  BITMAP bm;
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return 0;
  // A section made before is replaced, not leaked.
  m_bitmap.reset();
  m_bits = nullptr;
  LONG height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  BITMAPINFOHEADER& h = m_info.header;
  h = BITMAPINFOHEADER{};
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = bm.bmWidth;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bm.bmBitsPixel;
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(((bm.bmBitsPixel * bm.bmWidth + 31) & ~31) / 8 * height);
  m_colorCount = GetColorCount(bm.bmBitsPixel);

  {
    CWindowDC screen(nullptr);
    CaptureColorTable(screen.get(), bitmap);
    if (palette) SetPaletteFromHandle(palette);
    const bool realize = palette && g_sharedPalette;
    CSelectPaletteScope realized(screen.get(), realize ? g_sharedPalette : nullptr);
    if (realize) RealizePalette(screen.get());
    m_bitmap.reset(
        CreateDIBSection(screen.get(), reinterpret_cast<const BITMAPINFO*>(&m_info), m_usage, &m_bits, nullptr, 0));
  }
  if (!m_bitmap) {
    m_bits = nullptr;
    return 0;
  }
  if (!palette) CreatePaletteFromColors();

  BOOL copied = FALSE;
  {
    CMemoryDC from = CMemoryDC::CompatibleWith(nullptr);
    CMemoryDC to = CMemoryDC::CompatibleWith(nullptr);
    CSelectObjectScope fromBitmap(from.get(), bitmap);
    CSelectObjectScope toBitmap(to.get(), m_bitmap.get());
    CSelectPaletteScope fromPalette(from.get(), g_sharedPalette);
    CSelectPaletteScope toPalette(to.get(), g_sharedPalette);
    copied = fromBitmap && toBitmap && BitBlt(to.get(), 0, 0, bm.bmWidth, height, from.get(), 0, 0, SRCCOPY);
  }
  if (!copied) {
    // The bitmap could not be read (it is selected into another context).
    m_bitmap.reset();
    m_bits = nullptr;
    return 0;
  }
  return 1;
}

int CDibSection::SaveBmpFile(LPCWSTR fileName) {
  if (!fileName || !*fileName || !m_bitmap || !m_bits) return 0;
  const DWORD tableBytes = 4 * static_cast<DWORD>(m_colorCount);
  const DWORD offset = 14 + 40 + tableBytes;
  const DWORD imageSize = m_info.header.biSizeImage;
  std::vector<BYTE> file;
  file.reserve(offset + imageSize);
  file.push_back('B');
  file.push_back('M');
  PutU32(file, imageSize + offset);
  PutU32(file, 0);  // two reserved words
  PutU32(file, offset);
  const BYTE* header = reinterpret_cast<const BYTE*>(&m_info.header);
  file.insert(file.end(), header, header + 40);
  const BYTE* table = reinterpret_cast<const BYTE*>(m_info.colors);
  file.insert(file.end(), table, table + tableBytes);
  const BYTE* bits = static_cast<const BYTE*>(m_bits);
  file.insert(file.end(), bits, bits + imageSize);
  return platform::WriteDeviceFileAtomic(fileName, file.data(), static_cast<DWORD>(file.size())) ? 1 : 0;
}

int CDibSection::Draw(HDC dc, POINT point, SIZE size) {
  if (!m_bitmap) return 0;
  CMemoryDC mem = CMemoryDC::CompatibleWith(dc);
  CSelectObjectScope selected(mem.get(), m_bitmap.get());
  // The caller's context gets its palette back at the end, so the shared one can be
  // deleted later.
  const bool realize = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) && g_sharedPalette;
  CSelectPaletteScope realized(dc, realize ? g_sharedPalette : nullptr);
  if (realize) RealizePalette(dc);
  return StretchBlt(dc, point.x, point.y, size.cx, size.cy, mem.get(), 0, 0, m_info.header.biWidth,
                    m_info.header.biHeight, SRCCOPY);
}

int CDibSection::SetColorTable(int count, const RGBQUAD* entries) {
  if (count <= 0 || count > 256 || !entries || m_colorCount == 0) return 0;
  int n = std::min(count, m_colorCount);
  std::copy(entries, entries + n, m_info.colors);
  if (m_bitmap && m_info.header.biBitCount <= 8) {
    CMemoryDC mem = CMemoryDC::CompatibleWith(nullptr);
    CSelectObjectScope selected(mem.get(), m_bitmap.get());
    if (selected) SetDIBColorTable(mem.get(), 0, static_cast<UINT>(n), entries);
  }
  return 1;
}

int CDibSection::ReadColorTable(HDC dc, int first, int count, RGBQUAD* entries) {
  if (!entries || first < 0 || count <= 0) return 0;
  DIBSECTION ds;
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  if (GetObjectW(bitmap, sizeof ds, &ds) != static_cast<int>(sizeof ds) || !ds.dsBm.bmBits) return 0;
  int bpp = ds.dsBm.bmBitsPixel;
  if (bpp > 8 || ds.dsBm.bmHeight <= 0) return 0;
  // The bottom row comes first in a bottom-up section and last in a top-down one.
  const platform::RowOrder order = ds.dsBmih.biHeight < 0 ? platform::RowOrder::TopDown : platform::RowOrder::BottomUp;
  BYTE* bottom = platform::RowStart(static_cast<BYTE*>(ds.dsBm.bmBits), static_cast<size_t>(ds.dsBm.bmWidthBytes),
                                    ds.dsBm.bmHeight - 1, order, ds.dsBm.bmHeight);
  const BYTE saved = *bottom;
  const int shift = 8 - bpp;
  const BYTE mask = static_cast<BYTE>(((1u << bpp) - 1) << shift);
  int read = 0;
  for (int index = first; index < first + count && index < (1 << bpp); ++index) {
    *bottom = static_cast<BYTE>((saved & ~mask) | ((index << shift) & mask));
    COLORREF c = GetPixel(dc, 0, ds.dsBm.bmHeight - 1);
    if (c == CLR_INVALID) break;
    entries[read++] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
  }
  *bottom = saved;
  return read;
}

int CDibSection::ReadColorTableOf(HDC dc, HBITMAP bitmap, int count, RGBQUAD* entries) {
  CMemoryDC mem = CMemoryDC::CompatibleWith(dc);
  CSelectObjectScope selected(mem.get(), bitmap);
  return selected ? ReadColorTable(mem.get(), 0, count, entries) : 0;
}

const RGBQUAD* CDibSection::CaptureColorTable(HDC dc, HBITMAP bitmap) {
  int want = std::min(m_colorCount, 256);
  int read = want > 0 ? ReadColorTableOf(dc, bitmap, want, m_info.colors) : 0;
  if (read != want) std::copy(kDefaultTable.begin(), kDefaultTable.begin() + want, m_info.colors);
  return m_info.colors;
}

bool CDibSection::CreatePaletteFromColors() {
  int want = std::min(m_colorCount, 256);
  if (m_bitmap && want > 0) {
    RGBQUAD colors[256];
    if (ReadColorTableOf(nullptr, m_bitmap.get(), want, colors) == want)
      return MakeSharedPalette(colors, static_cast<size_t>(want));
  }
  return CreateDefaultPalette(m_colorCount ? m_colorCount : 256);
}

int CDibSection::SetPalette(const LOGPALETTE* palette) {
  if (palette && palette->palNumEntries >= 1 && palette->palNumEntries <= 256) {
    HPALETTE made = CreatePalette(palette);
    if (made) {
      ReplaceSharedPalette(made);
      RGBQUAD colors[256];
      const PALETTEENTRY* entries = palette->palPalEntry;  // palNumEntries of them follow the header
      for (int i = 0; i < palette->palNumEntries; ++i) {
        const PALETTEENTRY& e = entries[i];
        colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
      }
      if (SetColorTable(palette->palNumEntries, colors)) return 1;
    }
  }
  CreatePaletteFromColors();
  return 0;
}

int CDibSection::SetPaletteFromHandle(HPALETTE palette) {
  UINT count = std::min<UINT>(GetPaletteEntries(palette, 0, 0, nullptr), 256);
  if (count == 0) return SetPalette(nullptr);
  LogPalette log(count);
  count = GetPaletteEntries(palette, 0, count, log.Entries());
  log.Get()->palNumEntries = static_cast<WORD>(count);
  return SetPalette(count ? log.Get() : nullptr);
}

void CDibSection::Destroy() {
  m_bitmap.reset();
  ReplaceSharedPalette(nullptr);
  m_bits = nullptr;
  m_colorCount = 0;
  m_info = Info{};
}

void CDibSection::Init() {
  m_bitmap.release();
  m_bits = nullptr;
}

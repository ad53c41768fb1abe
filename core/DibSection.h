// A device-independent copy of a screen bitmap that can be drawn and written as a .BMP
// file, and the program-wide palette its instances share.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"

class CDibSection {
 public:
  // The header and a full table, laid out as a BITMAPINFO with 256 colours.
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  };

  CDibSection();
  virtual ~CDibSection();
  CDibSection(const CDibSection&) = delete;
  CDibSection& operator=(const CDibSection&) = delete;

  // Entries of the colour table a depth has: 1 -> 2, 2 -> 4, 4 -> 16, 8 -> 256, 16 and
  // 32 -> 3 (the bit masks), 24 and anything else -> 0.
  static int GetColorCount(int bitsPerPixel);
  // Replaces the shared palette with a default one of 2 entries (wanted 1-2: entries 0 and
  // 255 of the default table), 16 (3-16: entries 0-7 and 248-255) or 256 (anything else).
  static bool CreateDefaultPalette(int wantedSize);
  // The default colour table (256 entries).
  static const RGBQUAD* DefaultColorTable();
  // The shared palette (owned by this class; null when there is none).
  static HPALETTE SharedPalette();

  // Makes the section from `bitmap` (of any depth) and copies its pixels; with `palette`,
  // that palette's colours become the shared palette and the colour table. 1 on success,
  // 0 when the bitmap cannot be read or the section cannot be made.
  int CreateFromBitmap(HBITMAP bitmap, HPALETTE palette);
  // Writes the section as a .BMP file (replacing an existing one, through a temporary
  // file). 1 when the whole file was written; 0 for a missing name, no section, or a
  // file that cannot be written (an existing file is then left as it was).
  int SaveBmpFile(LPCWSTR fileName);
  // Stretches the section onto `dc` at `point` with `size`; the stretch's result (0 with no section).
  int Draw(HDC dc, POINT point, SIZE size);
  // Copies min(count, colour count) entries into the table and the section. 0 when count
  // is 0 or over 256, the entries are missing, or the depth has no table.
  int SetColorTable(int count, const RGBQUAD* entries);
  // Reads `count` colours from index `first` of the bitmap (8 bits per pixel or fewer, a
  // DIB section) selected into `dc` by drawing each index into the first pixel of its
  // bottom row and reading the pixel back. The pixel is restored. Returns the number read.
  int ReadColorTable(HDC dc, int first, int count, RGBQUAD* entries);
  // Reads the table of `bitmap` into this object; the default table's first entries when
  // it cannot be read. Returns the object's table.
  const RGBQUAD* CaptureColorTable(HDC dc, HBITMAP bitmap);
  // Makes the shared palette from the section's own colours, or the default palette of
  // the colour count (256 without a table) when they cannot be read.
  bool CreatePaletteFromColors();
  // Makes `palette` (1-256 entries) the shared palette and the colour table: 1. Otherwise
  // rebuilds the palette from the bitmap and returns 0.
  int SetPalette(const LOGPALETTE* palette);
  int SetPaletteFromHandle(HPALETTE palette);
  // Deletes the section and the shared palette and clears header and table.
  void Destroy();
  // Forgets the handles without freeing them.
  void Init();

  HBITMAP GetBitmap() const { return m_bitmap.get(); }
  void* GetBits() const { return m_bits; }
  const Info& GetInfo() const { return m_info; }
  int GetColorCountInUse() const { return m_colorCount; }

 private:
  // Reads `count` colours of `bitmap` through a memory context compatible with `dc`.
  int ReadColorTableOf(HDC dc, HBITMAP bitmap, int count, RGBQUAD* entries);

  CGdiObject<HBITMAP> m_bitmap;
  Info m_info{};
  void* m_bits = nullptr;  // owned by the section
  UINT m_usage = DIB_RGB_COLORS;
  int m_colorCount = 0;
};

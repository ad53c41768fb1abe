// Device-independent bitmaps as bytes: the packed form bitmap resources hold and the
// .BMP file form, read and written in every depth (1, 2, 4, 8, 16, 24, 32 bits).
#pragma once

#include <optional>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace platform {

struct DibImage {
  BITMAPINFOHEADER header;      // biSize 40; the height's sign says bottom-up (+) or top-down (-)
  std::vector<RGBQUAD> colors;  // the colour table as stored
  DWORD masks[3] = {};          // for BI_BITFIELDS
  std::vector<BYTE> bits;       // rows as stored, each padded to 4 bytes
};

// Reads a packed DIB: the header (40 bytes or a later, longer form), the three masks of
// BI_BITFIELDS, the colour table, then the bits. Refuses anything malformed, truncated,
// compressed with run lengths, or larger than 16384 pixels a side: nullopt, never a crash.
std::optional<DibImage> ParsePackedDib(const BYTE* data, size_t size);
// Reads a .BMP file: "BM", the file header, then a packed DIB whose bits start at the
// offset the file header names.
std::optional<DibImage> ParseBmpFile(const BYTE* data, size_t size);
// The bytes of a .BMP file holding `image`: file header, the 40-byte header, the masks
// (BI_BITFIELDS only), every colour of the table, the bits.
std::vector<BYTE> BuildBmpFile(const DibImage& image);
// A new DIB section holding `image`; null when its shape is refused.
HBITMAP CreateBitmapFromDib(const DibImage& image);

// Bytes per row of a DIB: rows are padded to 4 bytes.
constexpr size_t DibStride(int width, int bitsPerPixel) {
  return ((static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) + 31) / 32) * 4;
}

}  // namespace platform

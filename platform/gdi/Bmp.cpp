// Reading and writing device-independent bitmaps as bytes. Every length and offset read
// from outside is checked before it is used: damaged bytes give nullopt, never a crash.
#include "platform/gdi/Bmp.h"

#include <cstring>

namespace platform {
namespace {

constexpr LONG kMaxSide = 16384;

std::uint32_t U32(const BYTE* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t U16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

void Put32(std::vector<BYTE>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void Put16(std::vector<BYTE>& out, std::uint16_t v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}

// Reads header, masks and colour table; `tableEnd` receives where the table ends, and
// `hintBytes` the size of the unused table an image of more than 8 bits may carry.
std::optional<DibImage> ParseHeader(const BYTE* data, size_t size, size_t& tableEnd, size_t& hintBytes) {
  if (!data || size < 40) return std::nullopt;
  std::uint32_t headerSize = U32(data);
  if (headerSize < 40 || headerSize > size) return std::nullopt;
  DibImage image;
  BITMAPINFOHEADER& h = image.header;
  h.biSize = 40;
  h.biWidth = static_cast<LONG>(U32(data + 4));
  h.biHeight = static_cast<LONG>(U32(data + 8));
  h.biPlanes = U16(data + 12);
  h.biBitCount = U16(data + 14);
  h.biCompression = U32(data + 16);
  h.biSizeImage = U32(data + 20);
  h.biXPelsPerMeter = static_cast<LONG>(U32(data + 24));
  h.biYPelsPerMeter = static_cast<LONG>(U32(data + 28));
  h.biClrUsed = U32(data + 32);
  h.biClrImportant = U32(data + 36);

  int bpp = h.biBitCount;
  bool depthOk = bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  if (!depthOk || h.biPlanes != 1 || h.biWidth <= 0 || h.biWidth > kMaxSide || h.biHeight == 0 ||
      h.biHeight < -kMaxSide || h.biHeight > kMaxSide)
    return std::nullopt;
  bool fields = h.biCompression == BI_BITFIELDS;
  if (h.biCompression != BI_RGB && !(fields && (bpp == 16 || bpp == 32))) return std::nullopt;

  size_t pos = headerSize;
  if (fields) {
    // A 40-byte header is followed by the masks; the longer headers hold them.
    const BYTE* m = data + 40;
    if (headerSize == 40) {
      if (size < 52) return std::nullopt;
      pos += 12;
    } else if (headerSize < 52) {
      return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) image.masks[i] = U32(m + 4 * i);
  }
  if (bpp <= 8) {
    size_t count = h.biClrUsed ? h.biClrUsed : (size_t{1} << bpp);
    if (count > 256) return std::nullopt;
    if (size < pos || (size - pos) / 4 < count) return std::nullopt;
    image.colors.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const BYTE* q = data + pos + 4 * i;
      image.colors[i] = RGBQUAD{q[0], q[1], q[2], q[3]};
    }
    pos += 4 * count;
    h.biClrUsed = static_cast<DWORD>(count);
  } else {
    // A deeper image may still carry a table (a hint for palette devices), which is
    // not kept; in a packed DIB its bits follow it.
    hintBytes = 4 * static_cast<size_t>(h.biClrUsed);
    h.biClrUsed = 0;
  }
  tableEnd = pos;
  return image;
}

bool TakeBits(DibImage& image, const BYTE* data, size_t size, size_t offset) {
  LONG height = image.header.biHeight < 0 ? -image.header.biHeight : image.header.biHeight;
  size_t need = DibStride(image.header.biWidth, image.header.biBitCount) * static_cast<size_t>(height);
  if (offset > size || size - offset < need) return false;
  image.bits.assign(data + offset, data + offset + need);
  return true;
}

}  // namespace

std::optional<DibImage> ParsePackedDib(const BYTE* data, size_t size) {
  size_t tableEnd = 0, hintBytes = 0;
  auto image = ParseHeader(data, size, tableEnd, hintBytes);
  if (!image || tableEnd > size || size - tableEnd < hintBytes ||
      !TakeBits(*image, data, size, tableEnd + hintBytes))
    return std::nullopt;
  return image;
}

std::optional<DibImage> ParseBmpFile(const BYTE* data, size_t size) {
  if (!data || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  std::uint32_t offBits = U32(data + 10);
  // The file names where its bits start, so a table of a deep image needs no skipping.
  size_t tableEnd = 0, hintBytes = 0;
  auto image = ParseHeader(data + 14, size - 14, tableEnd, hintBytes);
  if (!image || offBits < 14 + tableEnd || !TakeBits(*image, data, size, offBits)) return std::nullopt;
  return image;
}

std::vector<BYTE> BuildBmpFile(const DibImage& image) {
  const BITMAPINFOHEADER& h = image.header;
  bool fields = h.biCompression == BI_BITFIELDS;
  std::uint32_t offBits = 14 + 40 + (fields ? 12 : 0) + 4 * static_cast<std::uint32_t>(image.colors.size());
  std::vector<BYTE> out;
  out.reserve(offBits + image.bits.size());
  out.push_back('B');
  out.push_back('M');
  Put32(out, offBits + static_cast<std::uint32_t>(image.bits.size()));
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, offBits);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(h.biWidth));
  Put32(out, static_cast<std::uint32_t>(h.biHeight));
  Put16(out, 1);
  Put16(out, h.biBitCount);
  Put32(out, h.biCompression);
  Put32(out, static_cast<std::uint32_t>(image.bits.size()));
  Put32(out, static_cast<std::uint32_t>(h.biXPelsPerMeter));
  Put32(out, static_cast<std::uint32_t>(h.biYPelsPerMeter));
  Put32(out, static_cast<std::uint32_t>(image.colors.size()));
  Put32(out, h.biClrImportant);
  if (fields)
    for (DWORD m : image.masks) Put32(out, m);
  for (const RGBQUAD& q : image.colors) {
    out.push_back(q.rgbBlue);
    out.push_back(q.rgbGreen);
    out.push_back(q.rgbRed);
    out.push_back(q.rgbReserved);
  }
  out.insert(out.end(), image.bits.begin(), image.bits.end());
  return out;
}

}  // namespace platform

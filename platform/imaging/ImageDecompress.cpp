// Picture decoding through libpng (simplified API), libjpeg and giflib, and BMP through the
// drawing area's own reader. Every decoder is bounded: pictures over kMaxPixels are refused
// before any pixel memory is taken, and a decoder's error ends the decode, never the program.
#include "platform/imaging/ImageDecompress.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "platform/base/Base.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/GdiInternal.h"

namespace platform {
namespace {

constexpr int kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = 16u * 1024 * 1024;
constexpr size_t kMaxFileBytes = 64u * 1024 * 1024;

bool SizeAllowed(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

bool StartsWith(const BYTE* data, size_t size, const char* magic, size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

bool DecodeBmp(const BYTE* data, size_t size, RgbaPicture& out) {
  auto image = ParseBmpFile(data, size);
  if (!image) return false;
  LONG h = image->header.biHeight;
  if (!SizeAllowed(static_cast<std::uint64_t>(image->header.biWidth), static_cast<std::uint64_t>(h < 0 ? -h : h)))
    return false;
  std::lock_guard lock(gdi::Lock());
  auto dib = gdi::MakeDibSection(image->header, image->colors.data(), image->colors.size(), image->masks);
  if (!dib || image->bits.size() < dib->bitsSize) return false;
  std::memcpy(dib->bits.get(), image->bits.data(), dib->bitsSize);
  out.width = dib->width;
  out.height = dib->height;
  out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      out.pixels[static_cast<size_t>(y) * static_cast<size_t>(out.width) + static_cast<size_t>(x)] =
          0xFF000000u | dib->ReadDibPixel(x, y);
  return true;
}

bool DecodePng(const BYTE* data, size_t size, RgbaPicture& out) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return false;
  if (!SizeAllowed(image.width, image.height)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return true;
}

// ---- JPEG: libjpeg reports errors through a longjmp back into DecodeJpegInto -----------

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void JpegFail(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void JpegQuiet(j_common_ptr) {}

// Only plain C objects live in this frame, so the jump skips no destructor; `out` belongs
// to the caller.
bool DecodeJpegInto(const BYTE* data, size_t size, RgbaPicture& out, std::vector<BYTE>& row) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = JpegFail;
  err.base.output_message = JpegQuiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || !SizeAllowed(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0xFFFFFFFFu);
  row.assign(static_cast<size_t>(cinfo.output_width) * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row.data()};
    size_t y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
    std::uint32_t* dst = out.pixels.data() + y * static_cast<size_t>(out.width);
    for (size_t x = 0; x < cinfo.output_width; ++x)
      dst[x] = 0xFF000000u | (std::uint32_t{row[3 * x]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) | row[3 * x + 2];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool DecodeJpeg(const BYTE* data, size_t size, RgbaPicture& out) {
  std::vector<BYTE> row;
  return DecodeJpegInto(data, size, out, row);
}

// ---- GIF: the first frame on the logical screen ---------------------------------------

struct GifSource {
  const BYTE* data;
  size_t size;
  size_t pos;
};

int GifRead(GifFileType* gif, GifByteType* buffer, int length) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  size_t n = std::min(static_cast<size_t>(std::max(length, 0)), src->size - src->pos);
  std::memcpy(buffer, src->data + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

// Reads the records up to the first image descriptor, keeping the graphic control block
// that applies to it. False at the end of the file or on damage.
bool GifFindFirstFrame(GifFileType* gif, GraphicsControlBlock& gcb) {
  while (true) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_OK;
    if (type != EXTENSION_RECORD_TYPE) return false;  // the terminator before any frame
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) DGifExtensionToGCB(block[0], block + 1, &gcb);
    while (block)
      if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
  }
}

// Decodes the first frame's rows one at a time into the logical screen. The frame's own
// size is checked before any row is decoded (a small screen may carry a huge frame), rows
// below the screen are not decoded, and nothing after the first frame is read.
bool DecodeGifFrame(GifFileType* gif, const GraphicsControlBlock& gcb, RgbaPicture& out) {
  const GifImageDesc& d = gif->Image;
  if (!SizeAllowed(static_cast<std::uint64_t>(std::max(d.Width, 0)), static_cast<std::uint64_t>(std::max(d.Height, 0))))
    return false;
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  if (!map) return false;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);  // transparent
  std::vector<GifPixelType> row(static_cast<size_t>(d.Width));
  // Interlaced frames store rows in four passes: every 8th from 0, every 8th from 4, every
  // 4th from 2, every 2nd from 1.
  static constexpr int kPassStart[] = {0, 4, 2, 1}, kPassStep[] = {8, 8, 4, 2};
  const int passes = d.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int first = d.Interlace ? kPassStart[pass] : 0, step = d.Interlace ? kPassStep[pass] : 1;
    for (int y = first; y < d.Height; y += step) {
      const int cy = d.Top + y;
      if (!d.Interlace && cy >= out.height) return true;  // the rest is off the screen
      if (DGifGetLine(gif, row.data(), d.Width) != GIF_OK) return false;
      if (cy < 0 || cy >= out.height) continue;
      for (int x = 0; x < d.Width; ++x) {
        const int cx = d.Left + x;
        if (cx < 0 || cx >= out.width) continue;
        const int index = row[static_cast<size_t>(x)];
        // An index past the colour map is treated as transparent, not read.
        if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        out.pixels[static_cast<size_t>(cy) * static_cast<size_t>(out.width) + static_cast<size_t>(cx)] =
            0xFF000000u | (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
      }
    }
  }
  return true;
}

bool DecodeGif(const BYTE* data, size_t size, RgbaPicture& out) {
  GifSource src{data, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, GifRead, &error);
  if (!gif) return false;
  GraphicsControlBlock gcb;
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  bool ok = SizeAllowed(static_cast<std::uint64_t>(std::max(gif->SWidth, 0)),
                        static_cast<std::uint64_t>(std::max(gif->SHeight, 0))) &&
            GifFindFirstFrame(gif, gcb) && DecodeGifFrame(gif, gcb, out);
  DGifCloseFile(gif, &error);
  return ok;
}

}  // namespace

bool DecodePicture(const BYTE* data, size_t size, RgbaPicture& out) {
  out = RgbaPicture{};
  if (!data || size == 0) return false;
  bool ok = false;
  if (StartsWith(data, size, "BM", 2)) ok = DecodeBmp(data, size, out);
  else if (StartsWith(data, size, "\x89PNG", 4)) ok = DecodePng(data, size, out);
  else if (StartsWith(data, size, "\xFF\xD8", 2)) ok = DecodeJpeg(data, size, out);
  else if (StartsWith(data, size, "GIF8", 4)) ok = DecodeGif(data, size, out);
  if (!ok) out = RgbaPicture{};
  return ok;
}

}  // namespace platform

namespace {

// Lays the picture over the background colour: transparent parts show the background.
std::uint32_t OverBackground(std::uint32_t argb, std::uint32_t background) {
  std::uint32_t a = argb >> 24;
  if (a == 0xFF) return argb & 0xFFFFFF;
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    std::uint32_t f = (argb >> shift) & 0xFF, b = (background >> shift) & 0xFF;
    out |= ((f * a + b * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

HRESULT DecompressImageIndirect(DecompressImageInfo* info) {
  if (!info || info->dwSize < sizeof(DecompressImageInfo) || !info->phBM || !info->pfnGetData || !info->pbBuffer ||
      info->dwBufferMax == 0)
    return E_INVALIDARG;
  *info->phBM = nullptr;

  std::vector<BYTE> file;
  while (true) {
    DWORD n = info->pfnGetData(reinterpret_cast<LPSTR>(info->pbBuffer), info->dwBufferMax, info->lParam);
    if (n == 0) break;
    n = std::min(n, info->dwBufferMax);
    if (file.size() + n > platform::kMaxFileBytes) return E_FAIL;
    file.insert(file.end(), info->pbBuffer, info->pbBuffer + n);
  }
  platform::RgbaPicture picture;
  if (!platform::DecodePicture(file.data(), file.size(), picture)) return E_FAIL;

  std::uint32_t background = info->crTransparentOverride == 0xFFFFFFFF
                                 ? 0xFFFFFF
                                 : platform::gdi::ToPixel(info->crTransparentOverride);
  for (auto& p : picture.pixels) p = OverBackground(p, background);

  // The size: the scale, then shrunk to fit the maximum keeping the shape.
  int scale = info->iScale > 0 ? info->iScale : 100;
  // In floating point: width times a large scale overflows an int.
  double w = picture.width * (scale / 100.0), h = picture.height * (scale / 100.0);
  int maxW = info->iMaxWidth > 0 ? info->iMaxWidth : 10000, maxH = info->iMaxHeight > 0 ? info->iMaxHeight : 10000;
  double fit = std::min({1.0, maxW / w, maxH / h});
  int width = std::max(1, static_cast<int>(w * fit)), height = std::max(1, static_cast<int>(h * fit));

  int depth = info->iBitDepth;
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) depth = 24;
  std::lock_guard lock(platform::gdi::Lock());
  auto bitmap = platform::gdi::MakeDeviceBitmap(width, height, depth);
  if (!bitmap) return E_FAIL;
  cairo_surface_t* source = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(picture.pixels.data()), CAIRO_FORMAT_RGB24, picture.width, picture.height,
      picture.width * 4);
  cairo_t* cr = cairo_create(bitmap->surface);
  cairo_scale(cr, static_cast<double>(width) / picture.width, static_cast<double>(height) / picture.height);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(source);
  cairo_surface_flush(bitmap->surface);
  *info->phBM = static_cast<HBITMAP>(platform::gdi::Add(std::move(bitmap)));
  if (info->pfnImageProgress) info->pfnImageProgress(info->hdc, TRUE, info->lParam);
  return S_OK;
}

// BMP bytes and picture decoding. Groups:
//   Bmp      - packed DIBs and .BMP files of every depth, written and read back byte for byte;
//              damaged bytes refused
//   Picture  - PNG, JPEG, GIF and BMP pictures (made here with each library's encoder)
//              decoded at their size, scaled within a maximum, transparency over white;
//              damaged files decode to nothing, never a crash
#include <csetjmp>
#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi/Bmp.h"
#include "platform/imaging/ImageDecompress.h"
#include "platform/testing/DrawingFixture.h"

// After our own headers: these libraries define TRUE and FALSE as macros.
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace {

using Bmp = platform::testing::DrawingTest;
using Picture = platform::testing::DrawingTest;
using platform::testing::PixelOf;

// A small image of `bpp` bits with a recognisable pattern in its bits and table.
platform::DibImage MakeImage(int bpp, int width, int height) {
  platform::DibImage image;
  image.header.biSize = 40;
  image.header.biWidth = width;
  image.header.biHeight = height;
  image.header.biPlanes = 1;
  image.header.biBitCount = static_cast<WORD>(bpp);
  image.header.biCompression = BI_RGB;
  if (bpp <= 8)
    for (int i = 0; i < (1 << bpp); ++i)
      image.colors.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0});
  size_t stride = platform::DibStride(width, bpp);
  image.bits.resize(stride * static_cast<size_t>(height < 0 ? -height : height));
  for (size_t i = 0; i < image.bits.size(); ++i) image.bits[i] = static_cast<BYTE>(i * 37 + 11);
  // Padding bytes carry no pixel; keep them zero as a writer would.
  size_t used = (static_cast<size_t>(width) * static_cast<size_t>(bpp) + 7) / 8;
  for (size_t row = 0; row < image.bits.size() / stride; ++row)
    for (size_t k = used; k < stride; ++k) image.bits[row * stride + k] = 0;
  if (bpp == 32)
    for (size_t i = 3; i < image.bits.size(); i += 4) image.bits[i] = 0;
  return image;
}

std::uint32_t U32At(const std::vector<BYTE>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

// ---- Bmp ------------------------------------------------------------------------------------

TEST_F(Bmp, FilesOfEveryDepthAreWrittenInTheFileLayoutAndReadBackExactly) {
  for (int bpp : {1, 2, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    platform::DibImage image = MakeImage(bpp, 13, 5);
    std::vector<BYTE> file = platform::BuildBmpFile(image);
    size_t table = 4 * image.colors.size();
    ASSERT_EQ(file.size(), 14 + 40 + table + image.bits.size());
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32At(file, 2), file.size());
    EXPECT_EQ(U32At(file, 6), 0u);
    EXPECT_EQ(U32At(file, 10), 54 + table);
    EXPECT_EQ(U32At(file, 14), 40u);
    EXPECT_EQ(U32At(file, 18), 13u);
    EXPECT_EQ(U32At(file, 22), 5u);
    EXPECT_EQ(file[28], bpp);
    EXPECT_EQ(U32At(file, 34), image.bits.size());
    EXPECT_TRUE(std::equal(image.bits.begin(), image.bits.end(), file.begin() + 54 + static_cast<long>(table)));

    auto back = platform::ParseBmpFile(file.data(), file.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bits, image.bits);
    ASSERT_EQ(back->colors.size(), image.colors.size());
    for (size_t i = 0; i < image.colors.size(); ++i) EXPECT_EQ(std::memcmp(&back->colors[i], &image.colors[i], 4), 0);
    EXPECT_EQ(platform::BuildBmpFile(*back), file) << "a second round gives the same bytes";

    // Through a DIB section and back: the pixels survive.
    HBITMAP bitmap = platform::CreateBitmapFromDib(*back);
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION ds;
    ASSERT_EQ(GetObjectW(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(std::memcmp(ds.dsBm.bmBits, image.bits.data(), image.bits.size()), 0);
    DeleteObject(bitmap);
  }
}

TEST_F(Bmp, TopDownAndBitfieldImagesAreRead) {
  platform::DibImage image = MakeImage(16, 4, -3);
  image.header.biCompression = BI_BITFIELDS;
  image.masks[0] = 0xF800;
  image.masks[1] = 0x07E0;
  image.masks[2] = 0x001F;
  std::vector<BYTE> file = platform::BuildBmpFile(image);
  EXPECT_EQ(U32At(file, 10), 54u + 12) << "the three masks follow the header";
  auto back = platform::ParseBmpFile(file.data(), file.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->header.biHeight, -3);
  EXPECT_EQ(back->masks[1], 0x07E0u);
  EXPECT_EQ(back->bits, image.bits);
}

TEST_F(Bmp, APackedDibSkipsTheOptionalTableOfADeepImage) {
  // A 24-bit packed DIB may carry biClrUsed colours between its header and its bits.
  platform::DibImage image = MakeImage(24, 2, 2);
  std::vector<BYTE> file = platform::BuildBmpFile(image);
  std::vector<BYTE> packed(file.begin() + 14, file.end());
  packed[32] = 3;
  packed.insert(packed.begin() + 40, 12, BYTE{0xEE});
  auto back = platform::ParsePackedDib(packed.data(), packed.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bits, image.bits);
  EXPECT_FALSE(platform::ParsePackedDib(packed.data(), packed.size() - 13)) << "a cut table leaves too few bits";
}

TEST_F(Bmp, DamagedBytesAreRefused) {
  const std::vector<BYTE> good = platform::BuildBmpFile(MakeImage(8, 6, 4));
  ASSERT_TRUE(platform::ParseBmpFile(good.data(), good.size()));
  struct Case {
    const char* what;
    size_t at;
    std::uint32_t value;
    int bytes;
  };
  const Case cases[] = {
      {"no BM", 0, 'X', 1},
      {"header size below 40", 14, 12, 4},
      {"header larger than the file", 14, 100000, 4},
      {"zero width", 18, 0, 4},
      {"negative width", 18, 0xFFFFFFFF, 4},
      {"huge height", 22, 0x7FFFFFFF, 4},
      {"two planes", 26, 2, 2},
      {"depth 3", 28, 3, 2},
      {"run-length compression", 30, BI_RLE8, 4},
      {"bit fields on 8 bits", 30, BI_BITFIELDS, 4},
      {"300 colours", 46, 300, 4},
      {"bits offset past the end", 10, 100000, 4},
      {"bits offset inside the table", 10, 20, 4},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> bad = good;
    for (int i = 0; i < c.bytes; ++i) bad[c.at + static_cast<size_t>(i)] = static_cast<BYTE>(c.value >> (8 * i));
    EXPECT_FALSE(platform::ParseBmpFile(bad.data(), bad.size())) << c.what;
  }
  for (size_t n : {size_t{0}, size_t{13}, size_t{54}, size_t{500}, good.size() - 1})
    EXPECT_FALSE(platform::ParseBmpFile(good.data(), n)) << "cut at " << n;
  EXPECT_FALSE(platform::ParseBmpFile(nullptr, 100));
  EXPECT_FALSE(platform::ParsePackedDib(good.data() + 14, 39));
}

TEST_F(Bmp, RandomDamageNeverCrashesTheReader) {
  const std::vector<BYTE> good = platform::BuildBmpFile(MakeImage(4, 9, 7));
  std::mt19937 random(7);
  int read = 0;
  for (int round = 0; round < 2000; ++round) {
    std::vector<BYTE> bad = good;
    for (int k = 0; k < 3; ++k) bad[random() % bad.size()] = static_cast<BYTE>(random());
    bad.resize(random() % (bad.size() + 1));
    if (auto image = platform::ParseBmpFile(bad.data(), bad.size())) {
      ++read;
      LONG h = image->header.biHeight < 0 ? -image->header.biHeight : image->header.biHeight;
      EXPECT_EQ(image->bits.size(), platform::DibStride(image->header.biWidth, image->header.biBitCount) * static_cast<size_t>(h));
    }
  }
  EXPECT_GT(read, 0) << "some damage leaves a readable file";
}

// ---- Picture encoders for the tests ------------------------------------------------------------

// Pixels 0xAARRGGBB, top row first.
struct Rgba {
  int width, height;
  std::vector<std::uint32_t> pixels;
};

Rgba Pattern(int width, int height) {
  Rgba r{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height))};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      r.pixels[static_cast<size_t>(y * width + x)] = x < width / 2 ? 0xFFFF0000u : 0xFF0000FFu;  // red | blue
  return r;
}

std::vector<BYTE> EncodePng(const Rgba& image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr);
  std::vector<BYTE> out(size);
  png_image_write_to_memory(&png, out.data(), &size, 0, image.pixels.data(), 0, nullptr);
  out.resize(size);
  return out;
}

std::vector<BYTE> EncodeJpeg(const Rgba& image) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<BYTE> row(static_cast<size_t>(image.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t p = image.pixels[cinfo.next_scanline * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
      row[3 * static_cast<size_t>(x)] = static_cast<BYTE>(p >> 16);
      row[3 * static_cast<size_t>(x) + 1] = static_cast<BYTE>(p >> 8);
      row[3 * static_cast<size_t>(x) + 2] = static_cast<BYTE>(p);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<BYTE> out(buffer, buffer + size);
  free(buffer);
  return out;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<BYTE>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// Index 0 red, 1 blue, 2 green (transparent when `transparent`); the left half red. An
// interlaced picture has red even rows and blue odd rows, stored in the four passes.
std::vector<BYTE> EncodeGif(int width, int height, bool transparent, bool interlaced = false) {
  std::vector<BYTE> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifWrite, &error);
  GifColorType colors[4] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, width, height, 2, 0, map);
  if (transparent) {
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 0;
    gcb.TransparentColor = 2;
    GifByteType ext[4];
    size_t n = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
  }
  EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr);
  std::vector<GifPixelType> line(static_cast<size_t>(width));
  const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
    for (int y = interlaced ? starts[pass] : 0; y < height; y += interlaced ? steps[pass] : 1) {
      for (int x = 0; x < width; ++x)
        line[static_cast<size_t>(x)] = interlaced ? y % 2 : x < width / 2 ? 0 : (transparent && y == 0 ? 2 : 1);
      EGifPutLine(gif, line.data(), width);
    }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// Feeds `bytes` to the decoder in reads of at most the buffer's size.
struct Feed {
  const std::vector<BYTE>* bytes;
  size_t pos = 0;
};

DWORD ReadFeed(LPSTR buffer, DWORD size, LPARAM param) {
  auto* feed = reinterpret_cast<Feed*>(param);
  size_t n = std::min<size_t>(size, feed->bytes->size() - feed->pos);
  if (n) std::memcpy(buffer, feed->bytes->data() + feed->pos, n);
  feed->pos += n;
  return static_cast<DWORD>(n);
}

// Decodes through the decoder's public entry: bitmap (owned by the caller) or null.
HBITMAP Decode(const std::vector<BYTE>& bytes, int maxWidth = 0, int maxHeight = 0, HRESULT* result = nullptr,
               int scale = 100) {
  Feed feed{&bytes};
  BYTE buffer[64];  // small on purpose: many reads
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  DecompressImageInfo info;
  info.pbBuffer = buffer;
  info.dwBufferMax = sizeof buffer;
  info.phBM = &bitmap;
  info.iBitDepth = 16;
  info.lParam = reinterpret_cast<LPARAM>(&feed);
  info.iMaxWidth = maxWidth;
  info.iMaxHeight = maxHeight;
  info.iScale = scale;
  info.pfnGetData = ReadFeed;
  HRESULT hr = DecompressImageIndirect(&info);
  if (result) *result = hr;
  EXPECT_EQ(SUCCEEDED(hr), bitmap != nullptr);
  return bitmap;
}

struct Shape {
  int width = 0, height = 0, bpp = 0;
};

Shape ShapeOf(HBITMAP b) {
  BITMAP bm;
  if (!GetObjectW(b, sizeof bm, &bm)) return {};
  return {bm.bmWidth, bm.bmHeight, bm.bmBitsPixel};
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// ---- Picture -------------------------------------------------------------------------------------

TEST_F(Picture, EachFormatDecodesAtItsOwnSizeWithItsColours) {
  struct Case {
    const char* format;
    std::vector<BYTE> bytes;
    int tolerance;
  };
  const Rgba pattern = Pattern(32, 16);
  platform::DibImage dib = MakeImage(24, 32, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      BYTE* p = dib.bits.data() + static_cast<size_t>(15 - y) * platform::DibStride(32, 24) + static_cast<size_t>(x) * 3;
      p[0] = x < 16 ? 0 : 255;
      p[1] = 0;
      p[2] = x < 16 ? 255 : 0;
    }
  const Case cases[] = {
      {"png", EncodePng(pattern), 0},
      {"jpeg", EncodeJpeg(pattern), 24},
      {"gif", EncodeGif(32, 16, false), 0},
      {"bmp", platform::BuildBmpFile(dib), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    HBITMAP b = Decode(c.bytes);
    ASSERT_NE(b, nullptr);
    Shape s = ShapeOf(b);
    EXPECT_EQ(s.width, 32);
    EXPECT_EQ(s.height, 16);
    EXPECT_EQ(s.bpp, 16) << "the depth asked for";
    EXPECT_TRUE(Near(PixelOf(b, 3, 8), RGB(255, 0, 0), c.tolerance));
    EXPECT_TRUE(Near(PixelOf(b, 28, 8), RGB(0, 0, 255), c.tolerance));
    DeleteObject(b);
  }
}

TEST_F(Picture, LargePicturesShrinkToFitTheMaximumKeepingTheirShape) {
  const std::vector<BYTE> png = EncodePng(Pattern(200, 100));
  struct Case {
    int maxWidth, maxHeight, width, height, scale = 100;
  };
  const Case cases[] = {
      {0, 0, 200, 100},      // no limit: 10000
      {50, 50, 50, 25},      // width decides
      {400, 20, 40, 20},     // height decides
      {300, 300, 200, 100},  // smaller pictures are not enlarged
      {1, 1, 1, 1},
      {0, 0, 100, 50, 50},   // the scale comes first
      {300, 300, 300, 150, 20000000},  // a scale far past the maximum still fits it
  };
  for (const Case& c : cases) {
    HBITMAP b = Decode(png, c.maxWidth, c.maxHeight, nullptr, c.scale);
    ASSERT_NE(b, nullptr);
    Shape s = ShapeOf(b);
    EXPECT_EQ(s.width, c.width) << c.maxWidth << "x" << c.maxHeight;
    EXPECT_EQ(s.height, c.height) << c.maxWidth << "x" << c.maxHeight;
    DeleteObject(b);
  }
  HBITMAP small = Decode(png, 50, 50);
  EXPECT_TRUE(Near(PixelOf(small, 5, 12), RGB(255, 0, 0), 8)) << "the left half stays red";
  EXPECT_TRUE(Near(PixelOf(small, 45, 12), RGB(0, 0, 255), 8));
  DeleteObject(small);
}

TEST_F(Picture, TransparentPartsShowWhite) {
  Rgba image = Pattern(4, 2);
  image.pixels[0] = 0x00FF0000;  // fully transparent red
  image.pixels[1] = 0x80000000;  // half transparent black
  HBITMAP png = Decode(EncodePng(image));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(PixelOf(png, 0, 0), RGB(255, 255, 255));
  EXPECT_TRUE(Near(PixelOf(png, 1, 0), RGB(127, 127, 127), 2));
  DeleteObject(png);
  HBITMAP gif = Decode(EncodeGif(4, 2, true));
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(PixelOf(gif, 3, 0), RGB(255, 255, 255)) << "the transparent index";
  EXPECT_EQ(PixelOf(gif, 3, 1), RGB(0, 0, 255));
  DeleteObject(gif);
}

TEST_F(Picture, DamagedOrUnknownFilesDecodeToNothing) {
  const std::vector<BYTE> files[] = {EncodePng(Pattern(40, 30)), EncodeJpeg(Pattern(40, 30)), EncodeGif(40, 30, false),
                                     platform::BuildBmpFile(MakeImage(8, 40, 30))};
  std::mt19937 random(11);
  for (const auto& good : files) {
    for (size_t cut : {size_t{0}, size_t{3}, size_t{10}, good.size() / 2}) {
      std::vector<BYTE> bad(good.begin(), good.begin() + static_cast<long>(cut));
      HRESULT hr = S_OK;
      HBITMAP b = Decode(bad, 0, 0, &hr);
      if (b) DeleteObject(b);
      EXPECT_TRUE(cut > good.size() / 4 || FAILED(hr)) << "a file cut at " << cut << " is no picture";
    }
    // Random damage: either a picture or nothing; never a crash or a leak.
    for (int round = 0; round < 150; ++round) {
      std::vector<BYTE> bad = good;
      for (int k = 0; k < 4; ++k) bad[4 + random() % (bad.size() - 4)] = static_cast<BYTE>(random());
      if (HBITMAP b = Decode(bad)) DeleteObject(b);
    }
  }
  HRESULT hr = S_OK;
  EXPECT_EQ(Decode(std::vector<BYTE>{'h', 'e', 'l', 'l', 'o'}, 0, 0, &hr), nullptr);
  EXPECT_EQ(hr, E_FAIL);
  // A GIF claiming a 60000 x 60000 screen is refused before any pixel memory is taken.
  std::vector<BYTE> huge = EncodeGif(4, 4, false);
  huge[6] = huge[8] = 0x60;
  huge[7] = huge[9] = 0xEA;
  EXPECT_EQ(Decode(huge, 0, 0, &hr), nullptr);
  DecompressImageInfo empty;
  EXPECT_EQ(DecompressImageIndirect(&empty), E_INVALIDARG);
  EXPECT_EQ(DecompressImageIndirect(nullptr), E_INVALIDARG);
}

}  // namespace

namespace {

TEST_F(Picture, GifFramesAreCheckedBeforeTheirRowsAndOnlyTheFirstIsDecoded) {
  HRESULT hr = S_OK;
  // A 4 x 4 screen whose frame is 20000 pixels wide: refused, though the screen is small.
  std::vector<BYTE> wide = EncodeGif(20000, 1, false);
  wide[6] = wide[8] = 4;
  wide[7] = wide[9] = 0;
  EXPECT_EQ(Decode(wide, 0, 0, &hr), nullptr);
  EXPECT_EQ(hr, E_FAIL);

  // A good first frame followed by a 40000 x 40000 frame whose data is cut short: the
  // first frame is shown and the second is never decoded.
  std::vector<BYTE> two = EncodeGif(4, 4, false);
  ASSERT_EQ(two.back(), 0x3B);
  two.pop_back();
  two.insert(two.end(), {0x2C, 0, 0, 0, 0, 0x40, 0x9C, 0x40, 0x9C, 0x00, 0x02, 0x02, 0x4C, 0x01, 0x00, 0x3B});
  HBITMAP b = Decode(two, 0, 0, &hr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(ShapeOf(b).width, 4);
  EXPECT_EQ(PixelOf(b, 0, 3), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(b, 3, 3), RGB(0, 0, 255));
  DeleteObject(b);

  b = Decode(EncodeGif(3, 11, false, true));
  ASSERT_NE(b, nullptr);
  for (int y = 0; y < 11; ++y) EXPECT_EQ(PixelOf(b, 1, y), y % 2 ? RGB(0, 0, 255) : RGB(255, 0, 0)) << "row " << y;
  DeleteObject(b);
}

}  // namespace

// CDibSection. Groups:
//   DibTable   - colour counts by depth, the default colour table, the default palettes
//   DibFile    - sections of every depth written as .BMP files, byte for byte; failures
//   DibCopy    - copying screen bitmaps, drawing, colour tables and palettes
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

#include "DrawingLibraryFixture.h"
#include "core/DibSection.h"
#include "platform/base/Faults.h"

namespace {

using Dib = slateway::testing::DrawingLibraryTest;
using platform::testing::CountColor;
using platform::testing::PixelOf;
using platform::testing::Surface;

constexpr char16_t kFile[] = u"\\My Documents\\KTWSignature.bmp";

RGBQUAD Quad(int r, int g, int b) { return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0}; }

bool Same(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// A source DIB section of `bpp` bits with distinct table colours and a pattern of pixels.
struct Source {
  HBITMAP bitmap = nullptr;
  BYTE* bits = nullptr;
  std::vector<RGBQUAD> table;
  size_t size = 0;
  Source(int width, int height, int bpp) {
    std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bpp);
    if (bpp <= 8)
      for (int i = 0; i < (1 << bpp); ++i) table.push_back(Quad(i, 255 - i, (i * 7) & 0xFF));
    if (!table.empty())
      std::memcpy(storage.data() + sizeof(BITMAPINFOHEADER), table.data(), table.size() * sizeof(RGBQUAD));
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
    size_t stride = ((static_cast<size_t>(width) * static_cast<size_t>(bpp) + 31) / 32) * 4;
    size_t used = (static_cast<size_t>(width) * static_cast<size_t>(bpp) + 7) / 8;
    size = stride * static_cast<size_t>(height);
    for (size_t row = 0; row < static_cast<size_t>(height); ++row)
      for (size_t k = 0; k < used; ++k) {
        BYTE v = static_cast<BYTE>(row * 31 + k * 17 + 5);
        if (bpp == 16 && k % 2 == 1) v &= 0x7F;  // 5-5-5 leaves the top bit unused
        if (bpp == 32 && k % 4 == 3) v = 0;      // and 32 bits the fourth byte
        bits[row * stride + k] = v;
      }
    // Bits past the last pixel of a row are no pixel: a copy leaves them 0.
    size_t tail = (static_cast<size_t>(width) * static_cast<size_t>(bpp)) % 8;
    if (tail)
      for (size_t row = 0; row < static_cast<size_t>(height); ++row)
        bits[row * stride + used - 1] &= static_cast<BYTE>(0xFF << (8 - tail));
  }
  ~Source() { DeleteObject(bitmap); }
};

std::vector<BYTE> ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t U32(const std::vector<BYTE>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t U16(const std::vector<BYTE>& b, size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

// ---- DibTable -------------------------------------------------------------------------------

TEST_F(Dib, ColourCountsFollowTheDepth) {
  const std::pair<int, int> cases[] = {{1, 2}, {2, 4}, {4, 16}, {8, 256}, {16, 3}, {32, 3}, {24, 0}, {0, 0}, {12, 0}, {-1, 0}};
  for (auto [bpp, count] : cases) EXPECT_EQ(CDibSection::GetColorCount(bpp), count) << bpp;
}

TEST_F(Dib, TheDefaultColourTableIsGeneratedExactly) {
  const RGBQUAD* t = CDibSection::DefaultColorTable();
  const RGBQUAD fixed[20] = {Quad(0, 0, 0),       Quad(128, 0, 0),     Quad(0, 128, 0),     Quad(128, 128, 0),
                             Quad(0, 0, 128),     Quad(128, 0, 128),   Quad(0, 128, 128),   Quad(192, 192, 192),
                             Quad(192, 220, 192), Quad(166, 202, 240), Quad(255, 251, 240), Quad(160, 160, 164),
                             Quad(128, 128, 128), Quad(255, 0, 0),     Quad(0, 255, 0),     Quad(255, 255, 0),
                             Quad(0, 0, 255),     Quad(255, 0, 255),   Quad(0, 255, 255),   Quad(255, 255, 255)};
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(Same(t[i], fixed[i])) << i;
    EXPECT_TRUE(Same(t[246 + i], fixed[10 + i])) << 246 + i;
  }
  for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i].rgbReserved, 0);
  // 10-225: every combination of the six levels, once each.
  const std::set<int> levels = {0, 44, 86, 135, 192, 255};
  std::set<std::uint32_t> seen;
  for (int i = 10; i <= 225; ++i) {
    EXPECT_TRUE(levels.count(t[i].rgbRed) && levels.count(t[i].rgbGreen) && levels.count(t[i].rgbBlue)) << i;
    seen.insert((t[i].rgbRed << 16) | (t[i].rgbGreen << 8) | t[i].rgbBlue);
  }
  EXPECT_EQ(seen.size(), 216u);
  EXPECT_TRUE(Same(t[10], Quad(0, 0, 0)));
  EXPECT_TRUE(Same(t[11], Quad(0, 0, 44)));
  EXPECT_TRUE(Same(t[225], Quad(255, 255, 255)));
  // 226-245: a grey ramp from 37 to 242.
  EXPECT_TRUE(Same(t[226], Quad(37, 37, 37)));
  EXPECT_TRUE(Same(t[245], Quad(242, 242, 242)));
  for (int i = 227; i <= 245; ++i) {
    EXPECT_EQ(t[i].rgbRed, t[i].rgbGreen);
    EXPECT_EQ(t[i].rgbRed, t[i].rgbBlue);
    EXPECT_GT(t[i].rgbRed, t[i - 1].rgbRed);
    EXPECT_NEAR(t[i].rgbRed - t[i - 1].rgbRed, 205.0 / 19, 1.0);
  }
}

TEST_F(Dib, DefaultPalettesHaveTwoSixteenOrAllEntries) {
  const std::pair<int, UINT> cases[] = {{1, 2},     {2, 2},     {3, 16},  {16, 16}, {17, 256},
                                        {256, 256}, {257, 256}, {0, 256}, {-5, 256}};
  for (auto [wanted, size] : cases) {
    ASSERT_TRUE(CDibSection::CreateDefaultPalette(wanted));
    HPALETTE p = CDibSection::SharedPalette();
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), size) << wanted;
    EXPECT_EQ(platform::LiveGdiObjectCount(), 1) << "the palette before was deleted";
  }
  const RGBQUAD* t = CDibSection::DefaultColorTable();
  PALETTEENTRY e[16];
  CDibSection::CreateDefaultPalette(2);
  GetPaletteEntries(CDibSection::SharedPalette(), 0, 2, e);
  EXPECT_EQ(e[0].peRed, 0);
  EXPECT_EQ(e[1].peRed, 255) << "entry 255: white";
  CDibSection::CreateDefaultPalette(16);
  GetPaletteEntries(CDibSection::SharedPalette(), 0, 16, e);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(e[i].peGreen, t[i].rgbGreen) << i;
    EXPECT_EQ(e[8 + i].peGreen, t[248 + i].rgbGreen) << 248 + i;
  }
  CDibSection().Destroy();  // deletes the shared palette
  EXPECT_EQ(CDibSection::SharedPalette(), nullptr);
}

// ---- DibFile ---------------------------------------------------------------------------------

TEST_F(Dib, SectionsOfEveryDepthAreWrittenInTheBmpLayout) {
  for (int bpp : {1, 2, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    Source src(13, 5, bpp);
    ASSERT_NE(src.bitmap, nullptr);
    CDibSection dib;
    ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
    ASSERT_EQ(dib.SaveBmpFile(kFile), 1);
    std::vector<BYTE> f = ReadBytes(Linux(kFile));
    const size_t colors = static_cast<size_t>(CDibSection::GetColorCount(bpp));
    const size_t offset = 14 + 40 + 4 * colors;
    const size_t image = ((static_cast<size_t>(bpp) * 13 + 31) & ~size_t{31}) / 8 * 5;
    ASSERT_EQ(f.size(), offset + image);
    EXPECT_EQ(f[0], 0x42);
    EXPECT_EQ(f[1], 0x4D);
    EXPECT_EQ(U32(f, 2), offset + image);
    EXPECT_EQ(U16(f, 6), 0);
    EXPECT_EQ(U16(f, 8), 0);
    EXPECT_EQ(U32(f, 10), offset);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 13u);
    EXPECT_EQ(U32(f, 22), 5u);
    EXPECT_EQ(U16(f, 26), 1);
    EXPECT_EQ(U16(f, 28), bpp);
    EXPECT_EQ(U32(f, 30), 0u) << "no compression";
    EXPECT_EQ(U32(f, 34), image);
    for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32(f, at), 0u) << "the rest of the header is 0";
    for (size_t i = 0; i < colors; ++i) {
      RGBQUAD expected = bpp <= 8 ? src.table[i] : CDibSection::DefaultColorTable()[i];
      EXPECT_EQ(f[54 + 4 * i], expected.rgbBlue) << i;
      EXPECT_EQ(f[54 + 4 * i + 1], expected.rgbGreen) << i;
      EXPECT_EQ(f[54 + 4 * i + 2], expected.rgbRed) << i;
      EXPECT_EQ(f[54 + 4 * i + 3], 0) << i;
    }
    EXPECT_TRUE(std::equal(src.bits, src.bits + src.size, f.begin() + static_cast<long>(offset)))
        << "the pixels, bottom-up rows padded to 4 bytes, as the source held them";
  }
}

TEST_F(Dib, TwentyFourBitsHaveNoTableAndEightBitsAFullOne) {
  for (auto [bpp, offset] : {std::pair{24, 54u}, std::pair{8, 1078u}}) {
    Source src(3, 3, bpp);
    CDibSection dib;
    ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
    ASSERT_EQ(dib.SaveBmpFile(kFile), 1);
    EXPECT_EQ(U32(ReadBytes(Linux(kFile)), 10), offset) << bpp;
  }
}

TEST_F(Dib, SavingFailsWithoutANameASectionOrAWritableFile) {
  CDibSection empty;
  EXPECT_EQ(empty.SaveBmpFile(kFile), 0) << "no section";
  Source src(4, 4, 24);
  CDibSection dib;
  ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
  EXPECT_EQ(dib.SaveBmpFile(nullptr), 0);
  EXPECT_EQ(dib.SaveBmpFile(u""), 0);
  EXPECT_EQ(dib.SaveBmpFile(u"\\No Such Folder\\x.bmp"), 0);

  WriteText(kFile, "the old file");
  platform::InjectFault(platform::Fault::FileWrite);
  EXPECT_EQ(dib.SaveBmpFile(kFile), 0) << "a failed write is reported";
  EXPECT_EQ(ReadText(kFile), "the old file") << "and leaves the old file whole";
  EXPECT_EQ(dib.SaveBmpFile(kFile), 1);
  EXPECT_EQ(ReadText(kFile).substr(0, 2), "BM") << "replaced";
}

// ---- DibCopy ----------------------------------------------------------------------------------

TEST_F(Dib, AScreenBitmapIsCopiedAtTheScreenDepth) {
  Surface screen(6, 4, RGB(255, 255, 255));
  SetPixel(screen.dc, 1, 0, RGB(255, 0, 0));
  SelectObject(screen.dc, screen.old);  // the section reads the bitmap through its own context
  CDibSection dib;
  ASSERT_EQ(dib.CreateFromBitmap(screen.bitmap, nullptr), 1);
  screen.old = SelectObject(screen.dc, screen.bitmap);
  EXPECT_EQ(dib.GetInfo().header.biBitCount, 16);
  EXPECT_EQ(dib.GetColorCountInUse(), 3);
  auto* bits = static_cast<const BYTE*>(dib.GetBits());
  // Bottom-up: the top row is the last of the four 12-byte rows.
  const BYTE* top = bits + 3 * 12;
  EXPECT_EQ(top[2] | (top[3] << 8), 0x7C00) << "red in 5-5-5";
  EXPECT_EQ(top[0] | (top[1] << 8), 0x7FFF) << "white";
  EXPECT_EQ(GetPaletteEntries(CDibSection::SharedPalette(), 0, 0, nullptr), 16u)
      << "the default palette for three colours";
  EXPECT_TRUE(Same(dib.GetInfo().colors[1], CDibSection::DefaultColorTable()[1]));
}

TEST_F(Dib, ABitmapHeldByAnotherContextCannotBeCopiedAndTheObjectStaysUsable) {
  Surface screen(4, 4);
  CDibSection dib;
  EXPECT_EQ(dib.CreateFromBitmap(screen.bitmap, nullptr), 0);
  EXPECT_EQ(dib.GetBitmap(), nullptr);
  EXPECT_EQ(dib.CreateFromBitmap(nullptr, nullptr), 0);
  SelectObject(screen.dc, screen.old);
  EXPECT_EQ(dib.CreateFromBitmap(screen.bitmap, nullptr), 1);
  EXPECT_EQ(dib.CreateFromBitmap(screen.bitmap, nullptr), 1) << "a second copy replaces the first";
  dib.Destroy();
  EXPECT_EQ(dib.GetBitmap(), nullptr);
  EXPECT_EQ(dib.GetInfo().header.biSize, 0u);
  screen.old = SelectObject(screen.dc, screen.bitmap);
}

TEST_F(Dib, DrawStretchesTheSectionOntoAContext) {
  Source src(2, 2, 24);
  // Bottom-up 24 bits: bytes 0-2 are pixel (0, 1).
  src.bits[0] = 0;
  src.bits[1] = 0;
  src.bits[2] = 255;
  CDibSection dib;
  Surface target(10, 10, RGB(0, 0, 0));
  EXPECT_EQ(dib.Draw(target.dc, POINT{1, 1}, SIZE{4, 4}), 0) << "nothing to draw yet";
  ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
  EXPECT_NE(dib.Draw(target.dc, POINT{1, 1}, SIZE{4, 4}), 0);
  for (int y = 3; y < 5; ++y)
    for (int x = 1; x < 3; ++x) EXPECT_EQ(GetPixel(target.dc, x, y), RGB(255, 0, 0)) << x << "," << y;
  EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(target.dc, 5, 5), RGB(0, 0, 0));
  EXPECT_EQ(GetCurrentObject(target.dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE));
}

TEST_F(Dib, OnAPaletteDeviceDrawRealisesTheSharedPaletteAndGivesTheOldOneBack) {
  platform::SetScreenColorDepth(8);
  Source src(2, 2, 8);
  CDibSection dib;
  ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
  HDC screen = GetDC(nullptr);
  ASSERT_NE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_NE(dib.Draw(screen, POINT{0, 0}, SIZE{2, 2}), 0);
  EXPECT_EQ(GetPixel(screen, 0, 1), RGB(src.table[src.bits[0]].rgbRed, src.table[src.bits[0]].rgbGreen,
                                        src.table[src.bits[0]].rgbBlue));
  EXPECT_EQ(GetCurrentObject(screen, OBJ_PAL), GetStockObject(DEFAULT_PALETTE))
      << "the shared palette is not left selected, so it can be deleted";
  ReleaseDC(nullptr, screen);
  dib.Destroy();
  EXPECT_EQ(CDibSection::SharedPalette(), nullptr);
}

TEST_F(Dib, ColourTablesAreSetWithinTheirSizeOnly) {
  Source src(4, 4, 8);
  src.bits[0] = 1;  // pixel (0, 3) shows entry 1
  CDibSection dib;
  ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
  const RGBQUAD two[2] = {Quad(1, 2, 3), Quad(9, 8, 7)};
  EXPECT_EQ(dib.SetColorTable(0, two), 0);
  EXPECT_EQ(dib.SetColorTable(257, two), 0);
  EXPECT_EQ(dib.SetColorTable(2, nullptr), 0);
  EXPECT_EQ(dib.SetColorTable(2, two), 1);
  EXPECT_TRUE(Same(dib.GetInfo().colors[1], two[1]));
  EXPECT_TRUE(Same(dib.GetInfo().colors[2], src.table[2])) << "the rest stays";
  Surface target(4, 4);
  dib.Draw(target.dc, POINT{0, 0}, SIZE{4, 4});
  EXPECT_EQ(GetPixel(target.dc, 0, 3), RGB(9, 8, 7)) << "the section shows the new colours";
  ASSERT_EQ(dib.SaveBmpFile(kFile), 1);
  std::vector<BYTE> f = ReadBytes(Linux(kFile));
  EXPECT_EQ(f[54 + 4 + 2], 9) << "the file holds them";

  Source wide(2, 2, 24);
  CDibSection noTable;
  ASSERT_EQ(noTable.CreateFromBitmap(wide.bitmap, nullptr), 1);
  EXPECT_EQ(noTable.SetColorTable(2, two), 0) << "24 bits have no table";
  RGBQUAD many[4] = {Quad(1, 1, 1), Quad(2, 2, 2), Quad(3, 3, 3), Quad(4, 4, 4)};
  Source mono(8, 1, 1);
  CDibSection two_colour;
  ASSERT_EQ(two_colour.CreateFromBitmap(mono.bitmap, nullptr), 1);
  EXPECT_EQ(two_colour.SetColorTable(4, many), 1);
  EXPECT_TRUE(Same(two_colour.GetInfo().colors[1], many[1]));
  EXPECT_TRUE(Same(two_colour.GetInfo().colors[2], RGBQUAD{})) << "no more than the colour count";
}

TEST_F(Dib, ReadColorTableSamplesEachIndexAndRestoresThePixel) {
  Source src(3, 2, 4);
  const BYTE before = src.bits[0];
  CDibSection dib;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, src.bitmap);
  RGBQUAD got[16];
  EXPECT_EQ(dib.ReadColorTable(dc, 2, 20, got), 14) << "indexes 2 to 15";
  for (int i = 0; i < 14; ++i) EXPECT_TRUE(Same(got[i], src.table[static_cast<size_t>(2 + i)])) << i;
  EXPECT_EQ(src.bits[0], before);
  SelectObject(dc, old);
  Surface screen(2, 2);
  EXPECT_EQ(dib.ReadColorTable(screen.dc, 0, 4, got), 0) << "a 16-bit screen bitmap has no table";
  DeleteDC(dc);
}

TEST_F(Dib, PalettesBecomeTheColourTable) {
  Source src(2, 2, 8);
  CDibSection dib;
  ASSERT_EQ(dib.CreateFromBitmap(src.bitmap, nullptr), 1);
  EXPECT_EQ(GetPaletteEntries(CDibSection::SharedPalette(), 0, 0, nullptr), 256u);
  PALETTEENTRY e[3];
  GetPaletteEntries(CDibSection::SharedPalette(), 0, 3, e);
  EXPECT_EQ(e[2].peRed, src.table[2].rgbRed) << "built from the section's own colours";

  std::vector<BYTE> storage(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
  log->palVersion = 0x300;
  log->palNumEntries = 3;
  PALETTEENTRY* entries = log->palPalEntry;
  entries[0] = {10, 20, 30, 0};
  entries[1] = {40, 50, 60, 0};
  entries[2] = {70, 80, 90, 0};
  EXPECT_EQ(dib.SetPalette(log), 1);
  EXPECT_EQ(GetPaletteEntries(CDibSection::SharedPalette(), 0, 0, nullptr), 3u);
  EXPECT_TRUE(Same(dib.GetInfo().colors[1], Quad(40, 50, 60)));
  EXPECT_EQ(dib.SetPalette(nullptr), 0);
  EXPECT_EQ(GetPaletteEntries(CDibSection::SharedPalette(), 0, 0, nullptr), 256u) << "rebuilt from the bitmap";

  HPALETTE mine = CreatePalette(log);
  EXPECT_EQ(dib.SetPaletteFromHandle(mine), 1);
  EXPECT_NE(CDibSection::SharedPalette(), mine) << "the shared palette is a copy; the caller keeps its own";
  EXPECT_TRUE(Same(dib.GetInfo().colors[2], Quad(70, 80, 90)));

  // With a palette, the copy takes the palette's colours as its table.
  CDibSection withPalette;
  ASSERT_EQ(withPalette.CreateFromBitmap(src.bitmap, mine), 1);
  EXPECT_TRUE(Same(withPalette.GetInfo().colors[0], Quad(10, 20, 30)));
  EXPECT_TRUE(Same(withPalette.GetInfo().colors[3], src.table[3])) << "past the palette, the bitmap's own";
  EXPECT_TRUE(DeleteObject(mine));
}

}  // namespace

// Drawing area. Groups:
//   GdiObjects  - the handle table: live counts, stock objects, selection rules, GetObjectW
//   GdiScreen   - device capabilities of the screen profiles, screen contexts
//   GdiDib      - DIB sections of every depth: caller-written bits seen by drawing and back
//   GdiShapes   - lines, rectangles, polygons and fills, compared pixel by pixel
//   GdiBlt      - block transfers: copy, clipping, stretching, mirroring, raster operations
//   GdiText     - text extents with the fixed metrics, DrawTextW layout, painted text
//   GdiPalette  - logical palettes and the default palette
//   GdiPng      - the PNG writer
#include <climits>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/imaging/ImageDecompress.h"
#include "platform/testing/DrawingFixture.h"

namespace {

using Gdi = platform::testing::DrawingTest;
using platform::testing::CountColor;
using platform::testing::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// A DIB section of `bpp` bits, `width` x `height` (negative height: top-down).
struct Dib {
  HBITMAP bitmap = nullptr;
  BYTE* bits = nullptr;
  Dib(int width, int height, int bpp, const std::vector<RGBQUAD>& colors = {}) {
    std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bpp);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
    if (!colors.empty()) std::memcpy(storage.data() + sizeof(BITMAPINFOHEADER), colors.data(), colors.size() * sizeof(RGBQUAD));
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
  }
  ~Dib() { DeleteObject(bitmap); }
};

// A memory context with `bitmap` selected for the life of the object.
struct Selected {
  HDC dc;
  HGDIOBJ old;
  explicit Selected(HBITMAP bitmap) : dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, bitmap)) {}
  ~Selected() {
    SelectObject(dc, old);
    DeleteDC(dc);
  }
};

// ---- GdiObjects ---------------------------------------------------------------------------

TEST_F(Gdi, ObjectsAreCountedUntilDeletedAndStockObjectsNever) {
  HGDIOBJ stock = GetStockObject(WHITE_BRUSH);
  EXPECT_EQ(platform::LiveGdiObjectCount(), 0) << "stock objects are not counted";
  HPEN pen = CreatePen(PS_SOLID, 2, kRed);
  HBRUSH brush = CreateSolidBrush(kRed);
  LOGFONTW lf;
  lf.lfHeight = -13;
  HFONT font = CreateFontIndirectW(&lf);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
  EXPECT_EQ(platform::LiveGdiObjectCount(), 5);
  EXPECT_TRUE(DeleteObject(stock)) << "deleting a stock object does nothing and is no error";
  EXPECT_EQ(GetStockObject(WHITE_BRUSH), stock);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(pen), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(font),
                    static_cast<HGDIOBJ>(bitmap)})
    EXPECT_TRUE(DeleteObject(o));
  EXPECT_FALSE(DeleteObject(pen)) << "a deleted handle is no longer valid";
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(platform::LiveGdiObjectCount(), 0);
}

TEST_F(Gdi, SelectedObjectsCannotBeDeletedAndABitmapBelongsToOneContext) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(a, 8, 8);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ oldBitmap = SelectObject(a, bitmap);
  ASSERT_NE(oldBitmap, nullptr);
  EXPECT_EQ(SelectObject(b, bitmap), nullptr) << "already selected into another context";
  HGDIOBJ oldPen = SelectObject(a, pen);
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  EXPECT_NE(SelectObject(b, pen), nullptr) << "a pen may be selected into several contexts";
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(GetCurrentObject(a, OBJ_BITMAP), bitmap);

  SelectObject(a, oldPen);
  SelectObject(b, oldPen);
  SelectObject(a, oldBitmap);
  EXPECT_NE(SelectObject(b, bitmap), nullptr) << "free again";
  EXPECT_TRUE(DeleteDC(b)) << "deleting a context lets go of what it had selected";
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteObject(pen));
  DeleteDC(a);
}

TEST_F(Gdi, GetObjectDescribesEachKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(dc, 30, 20);
  BITMAP bm;
  ASSERT_EQ(GetObjectW(ddb, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 30);
  EXPECT_EQ(bm.bmHeight, 20);
  EXPECT_EQ(bm.bmBitsPixel, 16) << "the screen's depth";
  EXPECT_EQ(bm.bmPlanes, 1);
  EXPECT_EQ(bm.bmBits, nullptr);

  Dib dib(5, -3, 8);
  DIBSECTION ds;
  ASSERT_EQ(GetObjectW(dib.bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmBits, dib.bits);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 8) << "rows padded to 4 bytes";
  EXPECT_EQ(ds.dsBm.bmHeight, 3);
  EXPECT_EQ(ds.dsBmih.biHeight, -3) << "top-down";
  EXPECT_EQ(GetObjectW(dib.bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));

  HPEN pen = CreatePen(PS_SOLID, 3, kRed);
  LOGPEN lp;
  ASSERT_EQ(GetObjectW(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, kRed);
  LOGFONTW lf;
  lf.lfHeight = -26;
  lf.lfWeight = FW_BOLD;
  std::memcpy(lf.lfFaceName, u"Tahoma", 14);
  HFONT font = CreateFontIndirectW(&lf);
  LOGFONTW back;
  ASSERT_EQ(GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof back));
  EXPECT_EQ(back.lfHeight, -26);
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  EXPECT_EQ(std::u16string(back.lfFaceName), u"Tahoma");
  EXPECT_EQ(GetObjectW(reinterpret_cast<HGDIOBJ>(0x12345), sizeof bm, &bm), 0);

  DeleteObject(font);
  DeleteObject(pen);
  DeleteObject(ddb);
  DeleteDC(dc);
}

TEST_F(Gdi, AMemoryContextStartsWithTheDefaults) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE));
  BITMAP bm;
  ASSERT_TRUE(GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(GetTextColor(dc), kBlack);
  EXPECT_EQ(GetBkColor(dc), kWhite);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetTextColor(dc, kRed), kBlack);
  EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
  DeleteDC(dc);
}

// ---- GdiScreen ----------------------------------------------------------------------------

TEST_F(Gdi, EachScreenProfileReportsItsSizeResolutionAndDepth) {
  struct Case {
    platform::ScreenProfile profile;
    int width, height, dpi;
  };
  const Case cases[] = {
      {platform::ScreenProfile::Portrait240x320, 240, 320, 96},
      {platform::ScreenProfile::Portrait480x640, 480, 640, 192},
      {platform::ScreenProfile::Landscape640x480, 640, 480, 192},
      {platform::ScreenProfile::Wide800x480, 800, 480, 192},
  };
  for (const Case& c : cases) {
    platform::SetScreenProfile(c.profile);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), c.width);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), c.height);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), c.dpi);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), c.dpi);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0) << "16 bits is no palette device";
    EXPECT_NE(GetDeviceCaps(screen, RASTERCAPS) & RC_STRETCHBLT, 0);
    // The screen's own bitmap takes the profile's shape.
    BITMAP bm;
    ASSERT_TRUE(GetObjectW(GetCurrentObject(screen, OBJ_BITMAP), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, c.width);
    EXPECT_EQ(bm.bmHeight, c.height);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  }
  platform::SetScreenColorDepth(8);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, RC_PALETTE);
  EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 256);
  ReleaseDC(nullptr, screen);
}

TEST_F(Gdi, ScreenContextsAreCountedUntilReleasedAndDrawOnTheScreen) {
  HDC a = GetDC(nullptr);
  HDC b = GetDC(nullptr);
  EXPECT_EQ(platform::LiveGdiObjectCount(), 2);
  EXPECT_EQ(SetPixel(a, 10, 20, kRed), kRed);
  EXPECT_EQ(GetPixel(b, 10, 20), kRed) << "both draw on the one screen";
  EXPECT_EQ(GetPixel(a, 240, 0), CLR_INVALID) << "outside the screen";
  EXPECT_EQ(SelectObject(a, GetStockObject(WHITE_BRUSH)), GetStockObject(WHITE_BRUSH));
  HBITMAP bitmap = CreateCompatibleBitmap(a, 2, 2);
  EXPECT_EQ(SelectObject(a, bitmap), nullptr) << "only memory contexts take bitmaps";
  DeleteObject(bitmap);
  HDC memory = CreateCompatibleDC(a);
  EXPECT_EQ(ReleaseDC(nullptr, memory), 0) << "a memory context is deleted, not released";
  DeleteDC(memory);
  EXPECT_EQ(ReleaseDC(nullptr, a), 1);
  EXPECT_EQ(ReleaseDC(nullptr, b), 1);
}

TEST_F(Gdi, SurfaceContextsDrawAtTheirOriginWithinTheirClip) {
  HBITMAP surface = CreateCompatibleBitmap(nullptr, 40, 40);
  {
    Selected whole(surface);
    RECT all{0, 0, 40, 40};
    FillRect(whole.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  HDC window = platform::CreateSurfaceDC(surface, POINT{10, 10}, RECT{10, 10, 20, 20});
  ASSERT_NE(window, nullptr);
  RECT all{-10, -10, 50, 50};
  FillRect(window, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetPixel(window, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(window, 10, 0), CLR_INVALID) << "outside the clip";
  EXPECT_EQ(ReleaseDC(nullptr, window), 1);
  {
    Selected whole(surface);
    EXPECT_EQ(CountColor(whole.dc, RECT{0, 0, 40, 40}, kBlack), 100) << "only the clip was painted";
    EXPECT_EQ(GetPixel(whole.dc, 10, 10), kBlack);
    EXPECT_EQ(GetPixel(whole.dc, 9, 10), kWhite);
    EXPECT_EQ(GetPixel(whole.dc, 20, 19), kWhite);
  }
  DeleteObject(surface);
}

// ---- GdiDib ---------------------------------------------------------------------------------

TEST_F(Gdi, DibSectionsOfEveryDepthShowWhatTheCallerWroteAndKeepWhatIsDrawn) {
  const std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  struct Case {
    int bpp;
    // Bytes of the first pixel meaning pure red, and how many bytes hold it.
    std::vector<BYTE> redBytes;
    BYTE firstByteMask;
  };
  const Case cases[] = {
      {1, {0x80}, 0x80},        // index 1 of a 2-colour table
      {2, {0x40}, 0xC0},        // index 1
      {4, {0x10}, 0xF0},        // index 1
      {8, {0x01}, 0xFF},        // index 1
      {16, {0x00, 0x7C}, 0xFF},  // 5-5-5: red 31
      {24, {0x00, 0x00, 0xFF}, 0xFF},
      {32, {0x00, 0x00, 0xFF, 0x00}, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bpp);
    std::vector<RGBQUAD> colors(table.begin(), table.begin() + std::min<size_t>(table.size(), size_t{1} << c.bpp));
    Dib dib(3, 2, c.bpp, c.bpp <= 8 ? colors : std::vector<RGBQUAD>{});
    ASSERT_NE(dib.bitmap, nullptr);
    Selected s(dib.bitmap);
    EXPECT_EQ(GetPixel(s.dc, 0, 1), kBlack) << "new sections are zero";
    // Bottom-up: the first bytes are the bottom row, the pixel (0, 1).
    for (size_t i = 0; i < c.redBytes.size(); ++i) dib.bits[i] = c.redBytes[i];
    EXPECT_EQ(GetPixel(s.dc, 0, 1), kRed) << "drawing sees the caller's bytes";
    EXPECT_EQ(GetPixel(s.dc, 0, 0), kBlack);
    // Drawing writes the section's format back into its memory.
    RECT top{0, 0, 3, 1};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(s.dc, &top, red);
    DeleteObject(red);
    size_t stride = ((3 * static_cast<size_t>(c.bpp) + 31) / 32) * 4;
    for (size_t i = 0; i < c.redBytes.size(); ++i)
      EXPECT_EQ(dib.bits[stride + i] & (i == 0 ? c.firstByteMask : 0xFF), c.redBytes[i]) << "byte " << i;
    EXPECT_EQ(SetPixel(s.dc, 2, 1, RGB(250, 10, 10)), c.bpp <= 8 ? kRed : (c.bpp == 16 ? RGB(255, 8, 8) : RGB(250, 10, 10)))
        << "a palette section takes the nearest entry; 16 bits keeps 5 bits a colour";
  }
}

TEST_F(Gdi, DibColourTablesCanBeReadAndReplaced) {
  Dib dib(4, 4, 4, {{1, 2, 3, 0}, {4, 5, 6, 0}});
  Selected s(dib.bitmap);
  RGBQUAD got[16];
  EXPECT_EQ(GetDIBColorTable(s.dc, 0, 16, got), 16u);
  EXPECT_EQ(got[1].rgbRed, 6);
  EXPECT_EQ(got[2].rgbRed, 0) << "entries the caller did not give are black";
  const RGBQUAD green{0, 255, 0, 0};
  EXPECT_EQ(SetDIBColorTable(s.dc, 15, 4, &green), 1u) << "cut at the table's end";
  dib.bits[0] = 0xF0;
  EXPECT_EQ(GetPixel(s.dc, 0, 3), RGB(0, 255, 0));
  EXPECT_EQ(GetDIBColorTable(s.dc, 16, 1, got), 0u);
}

TEST_F(Gdi, MalformedDibRequestsAreRefused) {
  std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = 4;
  info->bmiHeader.biHeight = 4;
  info->bmiHeader.biPlanes = 1;
  void* bits = reinterpret_cast<void*>(1);
  struct Case {
    WORD bpp;
    LONG width, height;
    DWORD compression;
  };
  const Case cases[] = {{3, 4, 4, BI_RGB}, {8, 0, 4, BI_RGB}, {8, 4, 0, BI_RGB}, {8, 4, 4, BI_RLE8},
                        {24, 4, 4, BI_BITFIELDS}, {8, 100000, 4, BI_RGB}};
  for (const Case& c : cases) {
    info->bmiHeader.biBitCount = c.bpp;
    info->bmiHeader.biWidth = c.width;
    info->bmiHeader.biHeight = c.height;
    info->bmiHeader.biCompression = c.compression;
    EXPECT_EQ(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << c.bpp << " " << c.width;
    EXPECT_EQ(bits, nullptr);
  }
  info->bmiHeader.biBitCount = 8;
  info->bmiHeader.biWidth = 4;
  info->bmiHeader.biHeight = 4;
  info->bmiHeader.biCompression = BI_RGB;
  EXPECT_EQ(CreateDIBSection(nullptr, info, DIB_PAL_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST_F(Gdi, SixteenBitSectionsWithMasksUseThem) {
  std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD));
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = 2;
  info->bmiHeader.biHeight = 1;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 16;
  info->bmiHeader.biCompression = BI_BITFIELDS;
  const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};  // 5-6-5
  std::memcpy(storage.data() + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(b, nullptr);
  {
    Selected s(b);
    SetPixel(s.dc, 0, 0, RGB(0, 255, 0));
    auto* p = static_cast<BYTE*>(bits);
    EXPECT_EQ(p[0] | (p[1] << 8), 0x07E0);
    p[2] = 0x1F;
    p[3] = 0x00;
    EXPECT_EQ(GetPixel(s.dc, 1, 0), RGB(0, 0, 255));
  }
  DeleteObject(b);
}

// ---- GdiShapes ------------------------------------------------------------------------------

TEST_F(Gdi, LineToStopsBeforeItsEndPointAndMovesThere) {
  Surface s(20, 20);
  POINT previous;
  MoveToEx(s.dc, 2, 5, nullptr);
  EXPECT_TRUE(LineTo(s.dc, 12, 5));
  for (int x = 2; x < 12; ++x) EXPECT_EQ(GetPixel(s.dc, x, 5), kBlack) << x;
  EXPECT_EQ(GetPixel(s.dc, 12, 5), kWhite) << "the end point is left out";
  EXPECT_EQ(GetPixel(s.dc, 1, 5), kWhite);
  EXPECT_EQ(GetPixel(s.dc, 5, 4), kWhite) << "one pixel thick";
  MoveToEx(s.dc, 0, 0, &previous);
  EXPECT_EQ(previous.x, 12);
  EXPECT_EQ(previous.y, 5);
  LineTo(s.dc, 10, 10);  // a diagonal
  for (int i = 0; i < 10; ++i) EXPECT_EQ(GetPixel(s.dc, i, i), kBlack) << i;
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 20, 20}, kBlack), 19) << "10 + 10, crossing at (5, 5)";
  // Lines reaching far past the bitmap draw their visible part, at the cost of that part.
  MoveToEx(s.dc, INT_MIN, 15, nullptr);
  EXPECT_TRUE(LineTo(s.dc, INT_MAX, 15));
  MoveToEx(s.dc, -1000000000, -999999985, nullptr);
  EXPECT_TRUE(LineTo(s.dc, 1000000000, 1000000015));
  EXPECT_EQ(CountColor(s.dc, RECT{0, 15, 20, 16}, kBlack), 20);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(s.dc, x, x + 15), kBlack) << x;
}

TEST_F(Gdi, PolylineWithAWidePenCoversBothSidesOfThePath) {
  Surface s(30, 30);
  HPEN pen = CreatePen(PS_SOLID, 4, kRed);
  HGDIOBJ old = SelectObject(s.dc, pen);
  const POINT points[3] = {{5, 15}, {25, 15}, {25, 25}};
  EXPECT_TRUE(Polyline(s.dc, points, 3));
  for (int y = 14; y <= 16; ++y) EXPECT_EQ(GetPixel(s.dc, 15, y), kRed) << y;
  EXPECT_EQ(GetPixel(s.dc, 15, 19), kWhite);
  EXPECT_EQ(GetPixel(s.dc, 25, 20), kRed);
  EXPECT_FALSE(Polyline(s.dc, points, 1)) << "one point is no line";
  SelectObject(s.dc, old);
  DeleteObject(pen);
}

TEST_F(Gdi, RectangleFillsWithTheBrushAndOutlinesWithThePen) {
  Surface s(20, 20);
  HBRUSH brush = CreateSolidBrush(kRed);
  HGDIOBJ old = SelectObject(s.dc, brush);
  EXPECT_TRUE(Rectangle(s.dc, 2, 3, 10, 8));
  // Outline at columns 2 and 9, rows 3 and 7; interior red; right and bottom excluded.
  EXPECT_EQ(GetPixel(s.dc, 2, 3), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 9, 7), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 5, 3), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 5, 5), kRed);
  EXPECT_EQ(GetPixel(s.dc, 10, 5), kWhite);
  EXPECT_EQ(GetPixel(s.dc, 5, 8), kWhite);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 20, 20}, kRed), 6 * 3);
  // Without a pen the interior alone is drawn, one pixel smaller.
  HGDIOBJ oldPen = SelectObject(s.dc, GetStockObject(NULL_PEN));
  Rectangle(s.dc, 12, 12, 16, 16);
  EXPECT_EQ(CountColor(s.dc, RECT{11, 11, 17, 17}, kRed), 9);
  SelectObject(s.dc, oldPen);
  SelectObject(s.dc, old);
  DeleteObject(brush);
}

TEST_F(Gdi, PolygonFillsItsInsideAndClosesItsOutline) {
  Surface s(20, 20);
  HBRUSH brush = CreateSolidBrush(kRed);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
  HGDIOBJ oldBrush = SelectObject(s.dc, brush);
  HGDIOBJ oldPen = SelectObject(s.dc, pen);
  const POINT square[4] = {{2, 2}, {12, 2}, {12, 12}, {2, 12}};
  EXPECT_TRUE(Polygon(s.dc, square, 4));
  EXPECT_EQ(GetPixel(s.dc, 7, 7), kRed);
  EXPECT_EQ(GetPixel(s.dc, 2, 7), RGB(0, 0, 255)) << "the closing edge is drawn";
  EXPECT_EQ(GetPixel(s.dc, 12, 12), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(s.dc, 13, 7), kWhite);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 20, 20}, kRed), 9 * 9);
  SelectObject(s.dc, oldBrush);
  SelectObject(s.dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

TEST_F(Gdi, FillRectTakesBrushesAndSystemColourIndexes) {
  Surface s(10, 10);
  RECT r{1, 1, 4, 3};
  EXPECT_EQ(FillRect(s.dc, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH))), 1);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 10, 10}, RGB(192, 192, 192)), 6);
  RECT r2{5, 5, 6, 6};
  FillRect(s.dc, &r2, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_HIGHLIGHT + 1)));
  EXPECT_EQ(GetPixel(s.dc, 5, 5), GetSysColor(COLOR_HIGHLIGHT));
  RECT empty{8, 8, 8, 9};
  EXPECT_EQ(FillRect(s.dc, &empty, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 10, 10}, kBlack), 0);
  EXPECT_EQ(FillRect(s.dc, &r, reinterpret_cast<HBRUSH>(0x777770)), 0) << "no such brush";
}

// ---- GdiBlt ------------------------------------------------------------------------------------

TEST_F(Gdi, BitBltCopiesARegionAndClipsAtTheEdges) {
  Surface src(10, 10);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 9, 9, RGB(0, 0, 255));
  Surface dst(12, 12, kBlack);
  EXPECT_TRUE(BitBlt(dst.dc, 5, 5, 10, 10, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 5, 5), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 11, 11), kWhite);
  EXPECT_EQ(GetPixel(dst.dc, 4, 4), kBlack);
  // A source area partly outside its bitmap leaves those destination pixels alone.
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 3, 3, src.dc, 8, 8, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dst.dc, 2, 2), kBlack);
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 3, 3, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 3, 3, src.dc, 0, 0, 0x00AA0029)) << "unknown raster operation";
}

TEST_F(Gdi, TransfersFarLargerThanTheBitmapsCostOnlyTheBitmaps) {
  Surface src(4, 4, kRed);
  Surface dst(6, 6, kBlack);
  // Sizes past every bitmap: only what lies inside both is read and written.
  EXPECT_TRUE(BitBlt(dst.dc, 1, 1, 1 << 30, 1 << 30, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 4, 4), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 5, 5), kBlack) << "outside the source: left alone";
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), kBlack);
  EXPECT_TRUE(BitBlt(dst.dc, INT_MIN / 2, 0, INT_MAX, INT_MAX, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(GetPixel(dst.dc, 5, 5), kWhite);
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 6, 6, src.dc, 0, 0, INT_MAX, INT_MIN, SRCCOPY));
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, INT_MIN, 2, src.dc, 0, 0, 4, 4, BLACKNESS));
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), kBlack) << "mirrored leftwards from 0 still reaches column 0";
}

TEST_F(Gdi, BitBltWithinOneBitmapReadsBeforeItWrites) {
  Surface s(10, 1);
  for (int x = 0; x < 10; ++x) SetPixel(s.dc, x, 0, RGB(x * 20, 0, 0));
  EXPECT_TRUE(BitBlt(s.dc, 1, 0, 9, 1, s.dc, 0, 0, SRCCOPY));
  for (int x = 1; x < 10; ++x) EXPECT_EQ(GetPixel(s.dc, x, 0), RGB((x - 1) * 20, 0, 0));
}

TEST_F(Gdi, RasterOperationsCombineSourceDestinationAndBrush) {
  struct Case {
    DWORD rop;
    COLORREF expected;
  };
  const COLORREF src = RGB(0xF0, 0x0F, 0x33), dst = RGB(0x3C, 0x3C, 0xFF);
  const Case cases[] = {
      {SRCCOPY, src},
      {SRCAND, RGB(0x30, 0x0C, 0x33)},
      {SRCPAINT, RGB(0xFC, 0x3F, 0xFF)},
      {SRCINVERT, RGB(0xCC, 0x33, 0xCC)},
      {NOTSRCCOPY, RGB(0x0F, 0xF0, 0xCC)},
      {DSTINVERT, RGB(0xC3, 0xC3, 0x00)},
      {PATCOPY, RGB(192, 192, 192)},
      {BLACKNESS, kBlack},
      {WHITENESS, kWhite},
  };
  Surface from(1, 1, src);
  for (const Case& c : cases) {
    Surface to(1, 1, dst);
    HGDIOBJ old = SelectObject(to.dc, GetStockObject(LTGRAY_BRUSH));
    EXPECT_TRUE(BitBlt(to.dc, 0, 0, 1, 1, from.dc, 0, 0, c.rop));
    EXPECT_EQ(GetPixel(to.dc, 0, 0), c.expected) << std::hex << c.rop;
    SelectObject(to.dc, old);
  }
}

TEST_F(Gdi, StretchBltDoublesShrinksAndMirrors) {
  Surface src(2, 2);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 1, 1, RGB(0, 0, 255));
  Surface dst(8, 8, kBlack);
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(CountColor(dst.dc, RECT{0, 0, 2, 2}, kRed), 4) << "each pixel becomes 2 x 2";
  EXPECT_EQ(CountColor(dst.dc, RECT{2, 2, 4, 4}, RGB(0, 0, 255)), 4);
  EXPECT_EQ(GetPixel(dst.dc, 2, 0), kWhite);
  EXPECT_EQ(GetPixel(dst.dc, 4, 4), kBlack);
  // Mirrored horizontally: the red corner lands on the right.
  EXPECT_TRUE(StretchBlt(dst.dc, 4, 4, 2, 2, src.dc, 1, 0, -2, 2, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 5, 4), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 4, 5), RGB(0, 0, 255));
  // Shrunk: 2 x 2 into one pixel picks one of them.
  Surface one(1, 1, kBlack);
  EXPECT_TRUE(StretchBlt(one.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_NE(GetPixel(one.dc, 0, 0), kBlack);
}

// ---- GdiText -----------------------------------------------------------------------------------

struct FontScope {
  HDC dc;
  HFONT font;
  HGDIOBJ old;
  FontScope(HDC d, LONG height, LONG weight = FW_NORMAL) : dc(d) {
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::memcpy(lf.lfFaceName, u"Tahoma", 14);
    font = CreateFontIndirectW(&lf);
    old = SelectObject(dc, font);
  }
  ~FontScope() {
    SelectObject(dc, old);
    DeleteObject(font);
  }
};

TEST_F(Gdi, FixedMetricsDependOnTheFontHeightOnly) {
  Surface s(10, 10);
  struct Case {
    LONG height;
    LONG weight;
    int advance, line;
  };
  const Case cases[] = {{-13, FW_NORMAL, 7, 13}, {-13, FW_BOLD, 7, 13}, {-26, FW_BOLD, 13, 26},
                        {16, FW_NORMAL, 8, 16},  {0, FW_NORMAL, 6, 12}};
  for (const Case& c : cases) {
    FontScope f(s.dc, c.height, c.weight);
    SIZE size;
    ASSERT_TRUE(GetTextExtentPoint32W(s.dc, u"Wil l", 5, &size));
    EXPECT_EQ(size.cx, 5 * c.advance) << c.height;
    EXPECT_EQ(size.cy, c.line);
    ASSERT_TRUE(GetTextExtentPoint32W(s.dc, u"", 0, &size));
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, c.line);
    TEXTMETRICW tm;
    ASSERT_TRUE(GetTextMetricsW(s.dc, &tm));
    EXPECT_EQ(tm.tmHeight, c.line);
    EXPECT_EQ(tm.tmAveCharWidth, c.advance);
  }
  SIZE size;
  EXPECT_FALSE(GetTextExtentPoint32W(s.dc, u"x", -1, &size));
}

// A font's metrics are kept once measured; they follow the text profile and the system
// font's screen-dependent height all the same.
TEST_F(Gdi, MetricsFollowTheProfileAndTheScreenOfTheSystemFont) {
  Surface s(10, 10);
  HGDIOBJ old = SelectObject(s.dc, GetStockObject(SYSTEM_FONT));
  TEXTMETRICW fixed, display, again, doubled;
  ASSERT_TRUE(GetTextMetricsW(s.dc, &fixed));
  EXPECT_EQ(fixed.tmHeight, 12);
  platform::SetTextProfile(platform::TextProfile::Display);
  ASSERT_TRUE(GetTextMetricsW(s.dc, &display));
  ASSERT_TRUE(GetTextMetricsW(s.dc, &again));
  EXPECT_NE(display.tmAveCharWidth, fixed.tmAveCharWidth) << "measured again in the real font";
  EXPECT_EQ(again.tmHeight, display.tmHeight);
  EXPECT_EQ(again.tmAveCharWidth, display.tmAveCharWidth);
  platform::SetTextProfile(platform::TextProfile::Fixed);
  platform::SetScreenSize(480, 640);
  SelectObject(s.dc, GetStockObject(SYSTEM_FONT));
  ASSERT_TRUE(GetTextMetricsW(s.dc, &doubled));
  EXPECT_EQ(doubled.tmHeight, 2 * fixed.tmHeight);
  SelectObject(s.dc, old);
}

TEST_F(Gdi, ExtentExReportsWhatFitsAndEachPartialExtent) {
  Surface s(10, 10);
  FontScope f(s.dc, -13);  // 7 pixels a character
  int fit = -1;
  int dx[6] = {};
  SIZE size;
  ASSERT_TRUE(GetTextExtentExPointW(s.dc, u"abcdef", 6, 22, &fit, dx, &size));
  EXPECT_EQ(fit, 3) << "21 fits in 22, 28 does not";
  const int expected[6] = {7, 14, 21, 28, 35, 42};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(dx[i], expected[i]);
  EXPECT_EQ(size.cx, 42);
  ASSERT_TRUE(GetTextExtentExPointW(s.dc, u"abcdef", 6, 0, &fit, nullptr, nullptr));
  EXPECT_EQ(fit, 0);
  ASSERT_TRUE(GetTextExtentExPointW(s.dc, u"abcdef", 6, 1000, &fit, nullptr, nullptr));
  EXPECT_EQ(fit, 6);
}

TEST_F(Gdi, DrawTextMeasuresWrapsAndAligns) {
  Surface s(100, 60);
  FontScope f(s.dc, -10);  // 5 pixels a character, 10 a line
  RECT r{0, 0, 1000, 0};
  EXPECT_EQ(DrawTextW(s.dc, u"one two", -1, &r, DT_CALCRECT | DT_SINGLELINE), 10);
  EXPECT_EQ(r.right, 35);
  EXPECT_EQ(r.bottom, 10);
  RECT w{0, 0, 40, 0};
  EXPECT_EQ(DrawTextW(s.dc, u"one two three four", -1, &w, DT_CALCRECT | DT_WORDBREAK), 30)
      << "\"one two\" / \"three\" / \"four\"";
  EXPECT_EQ(w.right, 35) << "as wide as the widest line";
  // A word wider than the line stands alone, cut off; as an edit control breaks it, it is
  // broken where the line ends, after a folder's "\\" when one is on the line.
  RECT path{0, 0, 40, 0};
  EXPECT_EQ(DrawTextW(s.dc, u"at \\Data\\Lists.db ok", -1, &path, DT_CALCRECT | DT_WORDBREAK), 30);
  EXPECT_EQ(path.right, 70) << "\"\\Data\\Lists.db\" overruns the line";
  path = {0, 0, 40, 0};
  EXPECT_EQ(DrawTextW(s.dc, u"at \\Data\\Lists.db ok", -1, &path, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL), 40)
      << "\"at\" / \"\\Data\\\" / \"Lists.db\" / \"ok\"";
  EXPECT_EQ(path.right, 40);
  path = {0, 0, 20, 0};
  EXPECT_EQ(DrawTextW(s.dc, u"abcdefghij", -1, &path, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL), 30);
  RECT lines{0, 0, 100, 0};
  EXPECT_EQ(DrawTextW(s.dc, u"a\r\nb\nc", -1, &lines, DT_CALCRECT), 30);
  RECT prefix{0, 0, 100, 0};
  DrawTextW(s.dc, u"&Save", -1, &prefix, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(prefix.right, 20) << "the prefix mark takes no room";
  DrawTextW(s.dc, u"&Save", -1, &prefix, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(prefix.right, 25);

  // Centred both ways in a 100 x 60 box: "abcd" is 20 x 10, so it lands at (40, 25).
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, kRed);
  RECT box{0, 0, 100, 60};
  EXPECT_EQ(DrawTextW(s.dc, u"abcd", 4, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 10);
  EXPECT_EQ(GetPixel(s.dc, 40, 25), kRed) << "the opaque background covers the text's box";
  EXPECT_EQ(GetPixel(s.dc, 39, 25), kWhite);
  EXPECT_EQ(GetPixel(s.dc, 59, 34), kRed);
  EXPECT_EQ(GetPixel(s.dc, 60, 34), kWhite);
  EXPECT_EQ(GetPixel(s.dc, 59, 35), kWhite);
}

TEST_F(Gdi, EllipsisCutsALineToItsBox) {
  Surface s(100, 20);
  FontScope f(s.dc, -10);
  RECT r{0, 0, 40, 10};
  DrawTextW(s.dc, u"abcdefghijkl", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(r.right, 40) << "\"abcde...\" is 8 characters of 5 pixels";
}

TEST_F(Gdi, PaintedTextStaysInsideItsCellsInTheTextColour) {
  Surface s(80, 30);
  FontScope f(s.dc, -20);  // 10 x 20 cells
  SetBkMode(s.dc, TRANSPARENT);
  SetTextColor(s.dc, kRed);
  ASSERT_TRUE(ExtTextOutW(s.dc, 10, 5, 0, nullptr, u"HIM", 3, nullptr));
  EXPECT_GT(CountColor(s.dc, RECT{10, 5, 20, 25}, kRed), 5) << "an H leaves ink in its cell";
  EXPECT_GT(CountColor(s.dc, RECT{30, 5, 40, 25}, kRed), 5);
  int all = CountColor(s.dc, RECT{0, 0, 80, 30}, kRed);
  EXPECT_EQ(CountColor(s.dc, RECT{10, 5, 40, 25}, kRed), all) << "no ink outside the text's box";
  // ETO_OPAQUE fills the given rectangle with the background colour first.
  SetBkColor(s.dc, RGB(0, 0, 255));
  RECT r{50, 0, 80, 30};
  ExtTextOutW(s.dc, 50, 0, ETO_OPAQUE, &r, u"", 0, nullptr);
  EXPECT_EQ(CountColor(s.dc, r, RGB(0, 0, 255)), 30 * 30);
}

TEST_F(Gdi, DisplayTextUsesARealFontWithGrowingExtents) {
  platform::SetTextProfile(platform::TextProfile::Display);
  Surface s(200, 40);
  FontScope f(s.dc, -13);
  SIZE one, two;
  ASSERT_TRUE(GetTextExtentPoint32W(s.dc, u"Sales", 5, &one));
  ASSERT_TRUE(GetTextExtentPoint32W(s.dc, u"Sales Sales", 11, &two));
  EXPECT_GT(one.cx, 10);
  EXPECT_GT(two.cx, 2 * one.cx);
  EXPECT_GE(one.cy, 13);
  int dx[5];
  ASSERT_TRUE(GetTextExtentExPointW(s.dc, u"Sales", 5, 1000, nullptr, dx, nullptr));
  for (int i = 1; i < 5; ++i) EXPECT_GT(dx[i], dx[i - 1]);
  EXPECT_EQ(dx[4], one.cx);
  SetBkMode(s.dc, TRANSPARENT);
  ExtTextOutW(s.dc, 2, 2, 0, nullptr, u"Sales", 5, nullptr);
  EXPECT_GT(CountColor(s.dc, RECT{0, 0, 200, 40}, kWhite), 0);
  EXPECT_LT(CountColor(s.dc, RECT{0, 0, 200, 40}, kWhite), 200 * 40) << "something was drawn";
}

TEST_F(Gdi, EllipsisCutsWhereTheCharacterAtATimeCutDid) {
  platform::SetTextProfile(platform::TextProfile::Display);
  Surface s(10, 10);
  FontScope f(s.dc, -13);
  auto width = [&](const std::u16string& text) {
    SIZE size{};
    GetTextExtentPoint32W(s.dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  const std::u16string texts[] = {u"Birchwood Cafe:Front Bench", u"Credit Memo 100", u"AVAVAVAV WAWAWA To To",
                                  u"iiiiiiiiii WWWWWWWW", u"שלום עולם ומלואו", u"cafe\u0301 re\u0301sume\u0301 na\u0308ive"};
  for (const std::u16string& text : texts) {
    for (int limit : {8, 20, 33, 47, 64, 90, 140}) {
      std::u16string expected = text;
      if (width(expected) > limit) {
        while (!expected.empty() && width(expected + u"...") > limit) expected.pop_back();
        expected += u"...";
      }
      RECT r{0, 0, limit, 20};
      DrawTextW(s.dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_CALCRECT);
      EXPECT_EQ(r.right, width(expected)) << platform::ToUtf8(text) << " in " << limit;
    }
  }
}

// ---- GdiPalette ----------------------------------------------------------------------------------

TEST_F(Gdi, PalettesKeepTheirEntriesAndSelectionSwapsThem) {
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
  log->palVersion = 0x300;
  log->palNumEntries = 3;
  PALETTEENTRY* e = log->palPalEntry;
  e[0] = {1, 2, 3, 0};
  e[1] = {4, 5, 6, 0};
  e[2] = {7, 8, 9, 0};
  HPALETTE palette = CreatePalette(log);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u);
  PALETTEENTRY got[4];
  EXPECT_EQ(GetPaletteEntries(palette, 1, 4, got), 2u);
  EXPECT_EQ(got[1].peBlue, 9);
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE old = SelectPalette(dc, palette, FALSE);
  EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(dc), 3u);
  EXPECT_FALSE(DeleteObject(palette)) << "still selected";
  SelectPalette(dc, old, FALSE);
  EXPECT_EQ(GetPaletteEntries(old, 0, 0, nullptr), 20u) << "the twenty reserved colours";
  EXPECT_EQ(GetPaletteEntries(old, 7, 1, got), 1u);
  EXPECT_EQ(got[0].peRed, 192);
  EXPECT_TRUE(DeleteObject(palette));
  DeleteDC(dc);
  log->palNumEntries = 0;
  EXPECT_EQ(CreatePalette(log), nullptr);
}

// ---- GdiPng ---------------------------------------------------------------------------------------

TEST_F(Gdi, PngWriterSavesWhatTheContextHolds) {
  Surface s(7, 5);
  SetPixel(s.dc, 3, 2, kRed);
  auto file = Root() / "shot.png";
  ASSERT_TRUE(platform::SaveDcAsPng(s.dc, file));
  std::ifstream in(file, std::ios::binary);
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  platform::RgbaPicture picture;
  ASSERT_TRUE(platform::DecodePicture(bytes.data(), bytes.size(), picture));
  EXPECT_EQ(picture.width, 7);
  EXPECT_EQ(picture.height, 5);
  EXPECT_EQ(picture.pixels[2 * 7 + 3] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(picture.pixels[0] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_FALSE(platform::SaveDcAsPng(s.dc, Root() / "missing" / "folder" / "x.png"));
  EXPECT_FALSE(platform::SaveBitmapAsPng(nullptr, file));
}

}  // namespace

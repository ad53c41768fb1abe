// Drawing helpers and picture files. Groups:
//   DrawHelpers  - lines, frames, filled rectangles, bitmaps (doubled on high resolution),
//                  resource bitmaps, the two drop-down buttons, compared pixel by pixel
//   ImageFile    - picture files loaded at their size or within a maximum; files that are
//                  missing, empty or damaged
#include <algorithm>
#include <fstream>
#include <random>
#include <vector>

#include "DrawingLibraryFixture.h"
#include "core/DrawHelpers.h"
#include "core/ImageFile.h"
#include "core/ResourceText.h"
#include "platform/gdi/Bmp.h"
#include "platform/module/Module.h"
#include "resources/resource_ids.h"

namespace {

using DrawHelpers = slateway::testing::DrawingLibraryTest;
using ImageFile = slateway::testing::DrawingLibraryTest;
using platform::testing::CountColor;
using platform::testing::PixelOf;
using platform::testing::Surface;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(192, 192, 192);

// ---- DrawHelpers ------------------------------------------------------------------------------

TEST_F(DrawHelpers, DrawLineUsesItsOwnPenAndPutsTheOldOneBack) {
  Surface s(20, 20);
  DrawLine(s.dc, 1, 2, 3, 12, 3, kRed);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 20, 20}, kRed), 10);
  EXPECT_EQ(GetPixel(s.dc, 2, 3), kRed);
  EXPECT_EQ(GetPixel(s.dc, 12, 3), kWhite) << "a polyline leaves out its last point";
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  DrawLine(s.dc, 3, 5, 10, 15, 10, kBlue);
  EXPECT_EQ(GetPixel(s.dc, 10, 9), kBlue) << "three pixels wide";
  EXPECT_EQ(GetPixel(s.dc, 10, 11), kBlue);
}

TEST_F(DrawHelpers, DrawFrameRectOutlinesAllFourSides) {
  Surface s(20, 20);
  DrawFrameRect(s.dc, 1, 2, 3, 10, 8, kRed);
  for (POINT p : {POINT{2, 3}, POINT{10, 3}, POINT{10, 8}, POINT{2, 8}, POINT{6, 3}, POINT{10, 5}, POINT{6, 8}, POINT{2, 5}})
    EXPECT_EQ(GetPixel(s.dc, p.x, p.y), kRed) << p.x << "," << p.y;
  EXPECT_EQ(GetPixel(s.dc, 6, 5), kWhite);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 20, 20}, kRed), 2 * 9 + 2 * 4);
}

TEST_F(DrawHelpers, DrawFilledRectFillsWithTheStockBrushInsideAThinOutline) {
  Surface s(20, 20);
  HBRUSH mine = CreateSolidBrush(kRed);
  HGDIOBJ old = SelectObject(s.dc, mine);
  DrawFilledRect(s.dc, 2, 2, 10, 8, LTGRAY_BRUSH, kBlue);
  EXPECT_EQ(GetPixel(s.dc, 6, 5), kGrey);
  EXPECT_EQ(GetPixel(s.dc, 2, 2), kBlue);
  EXPECT_EQ(GetPixel(s.dc, 10, 8), kBlue);
  EXPECT_EQ(GetPixel(s.dc, 11, 8), kWhite);
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_BRUSH), mine) << "the caller's brush is put back";
  // No stock brush by that index: the context's brush fills.
  DrawFilledRect(s.dc, 12, 12, 16, 16, 99, kBlue);
  EXPECT_EQ(GetPixel(s.dc, 14, 14), kRed);
  SelectObject(s.dc, old);
  DeleteObject(mine);
}

HBITMAP TwoByTwo() {
  HBITMAP b = CreateCompatibleBitmap(nullptr, 2, 2);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b);
  SetPixel(dc, 0, 0, kRed);
  SetPixel(dc, 1, 0, kBlue);
  SetPixel(dc, 0, 1, kBlue);
  SetPixel(dc, 1, 1, kRed);
  SelectObject(dc, old);
  DeleteDC(dc);
  return b;
}

TEST_F(DrawHelpers, DrawBitmapCopiesAtItsSizeOrTwiceThatOnHighResolution) {
  HBITMAP b = TwoByTwo();
  {
    Surface s(10, 10);
    DrawBitmap(s.dc, b, 3, 4);
    EXPECT_EQ(GetPixel(s.dc, 3, 4), kRed);
    EXPECT_EQ(GetPixel(s.dc, 4, 4), kBlue);
    EXPECT_EQ(GetPixel(s.dc, 4, 5), kRed);
    EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 10, 10}, kWhite), 96);
  }
  SetHighResolution(true);
  {
    Surface s(10, 10);
    DrawBitmap(s.dc, b, 3, 4);
    EXPECT_EQ(CountColor(s.dc, RECT{3, 4, 5, 6}, kRed), 4) << "each pixel becomes 2 x 2";
    EXPECT_EQ(CountColor(s.dc, RECT{5, 4, 7, 6}, kBlue), 4);
    EXPECT_EQ(CountColor(s.dc, RECT{5, 6, 7, 8}, kRed), 4);
    EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 10, 10}, kWhite), 84);
  }
  // A bitmap that cannot be read is not drawn.
  Surface holder(2, 2);
  Surface s(10, 10);
  DrawBitmap(s.dc, holder.bitmap, 0, 0);
  DrawBitmap(s.dc, nullptr, 0, 0);
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 10, 10}, kWhite), 100);
  DeleteObject(b);
}

TEST_F(DrawHelpers, DrawResourceBitmapDrawsTheLibrarysBitmapAndSkipsMissingOnes) {
  HBITMAP arrow = LoadBitmapW(GetResourceInstance(), MAKEINTRESOURCEW(IDB_HEADER_DROPDOWN));
  ASSERT_NE(arrow, nullptr);
  BITMAP bm;
  GetObjectW(arrow, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 9);
  EXPECT_EQ(bm.bmHeight, 9);
  Surface s(20, 20, kRed);
  DrawResourceBitmap(IDB_HEADER_DROPDOWN, GetResourceInstance(), s.dc, 5, 6);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(GetPixel(s.dc, 5 + x, 6 + y), PixelOf(arrow, x, y)) << x << "," << y;
  EXPECT_EQ(GetPixel(s.dc, 4, 6), kRed);
  DeleteObject(arrow);
  Surface untouched(20, 20, kRed);
  DrawResourceBitmap(9999, GetResourceInstance(), untouched.dc, 0, 0);
  DrawResourceBitmap(IDB_HEADER_DROPDOWN, nullptr, untouched.dc, 0, 0);
  EXPECT_EQ(CountColor(untouched.dc, RECT{0, 0, 20, 20}, kRed), 400);
}

// Where the arrow's dark triangle is: its pixels that are black.
std::vector<POINT> ArrowInk() {
  HBITMAP arrow = LoadBitmapW(GetResourceInstance(), MAKEINTRESOURCEW(IDB_HEADER_DROPDOWN));
  std::vector<POINT> ink;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      if (PixelOf(arrow, x, y) == kBlack) ink.push_back(POINT{x, y});
  DeleteObject(arrow);
  return ink;
}

TEST_F(DrawHelpers, TheLeftDropDownButtonPutsItsArrowAfterTheText) {
  const std::vector<POINT> ink = ArrowInk();
  ASSERT_FALSE(ink.empty());
  Surface s(200, 30);
  const RECT item{0, 0, 200, 26};
  // The system font is 6 pixels a character and 12 high; "Show: All" is 54 wide.
  DrawDropDownButtonLeft(s.dc, item, u"Show: All", false);
  EXPECT_EQ(GetPixel(s.dc, 199, 25), kGrey);
  EXPECT_EQ(GetPixel(s.dc, 199, 26), kWhite) << "only the item";
  for (POINT p : ink) EXPECT_EQ(GetPixel(s.dc, 6 + 54 + 10 + p.x, 10 + p.y), kBlack);
  EXPECT_GT(CountColor(s.dc, RECT{6, 4, 60, 16}, kBlack), 10) << "the text";
  EXPECT_EQ(GetPixel(s.dc, 2, 10), kGrey) << "no frame without the focus";

  DrawDropDownButtonLeft(s.dc, item, u"Show: All", true);
  // The frame: 4 left of the text, 3 above, 15 past its end, 5 below its 12-pixel line.
  EXPECT_EQ(GetPixel(s.dc, 2, 10), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 75, 10), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 40, 1), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 40, 21), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 1, 10), kGrey);
}

TEST_F(DrawHelpers, ButtonTextIsCutAtEighteenCharacters) {
  const std::vector<POINT> ink = ArrowInk();
  Surface s(300, 30);
  DrawDropDownButtonLeft(s.dc, RECT{0, 0, 300, 26}, u"Sort By: Customer Name Descending", false);
  for (POINT p : ink) EXPECT_EQ(GetPixel(s.dc, 6 + 18 * 6 + 10 + p.x, 10 + p.y), kBlack);
  EXPECT_EQ(CountColor(s.dc, RECT{6 + 18 * 6, 4, 6 + 18 * 6 + 10, 16}, kBlack), 0) << "no 19th character";
}

TEST_F(DrawHelpers, ALongChoiceIsCutSoTheArrowStaysInsideTheButton) {
  const std::vector<POINT> ink = ArrowInk();
  for (const char16_t* text : {u"All Documents", u"Sales Receipts", u"Sort By: Customer Name"}) {
    Surface s(140, 30);
    DrawDropDownButtonLeft(s.dc, RECT{0, 0, 100, 26}, text, false);
    EXPECT_EQ(CountColor(s.dc, RECT{100, 0, 140, 26}, kWhite), 40 * 26) << "nothing drawn past the button";
    bool arrowShown = false;
    for (int x = 6; x + 9 <= 100 && !arrowShown; ++x)
      arrowShown = std::all_of(ink.begin(), ink.end(), [&](POINT p) { return GetPixel(s.dc, x + p.x, 10 + p.y) == kBlack; });
    EXPECT_TRUE(arrowShown) << "the arrow is inside the button";
    Surface r(140, 30);
    DrawDropDownButtonRight(r.dc, RECT{0, 0, 100, 26}, text, false);
    EXPECT_EQ(CountColor(r.dc, RECT{100 - 12 - 2, 0, 100 - 12, 26}, kGrey), 2 * 26) << "the text stops before the arrow";
  }
}

TEST_F(DrawHelpers, TheRightDropDownButtonPutsItsArrowAtTheRightEdge) {
  const std::vector<POINT> ink = ArrowInk();
  Surface s(120, 30);
  DrawDropDownButtonRight(s.dc, RECT{0, 0, 120, 26}, u"Sort", true);
  for (POINT p : ink) EXPECT_EQ(GetPixel(s.dc, 120 - 12 + p.x, 10 + p.y), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 6 + 24 + 14, 10), kBlack) << "the frame ends 14 past the text";
}

TEST_F(DrawHelpers, HighResolutionDoublesTheButtonsOffsetsAndArrow) {
  SetHighResolution(true);
  const std::vector<POINT> ink = ArrowInk();
  Surface s(300, 60);
  DrawDropDownButtonLeft(s.dc, RECT{0, 0, 300, 52}, u"Show", false);
  for (POINT p : ink) EXPECT_EQ(GetPixel(s.dc, 12 + 24 + 20 + 2 * p.x + 1, 20 + 2 * p.y + 1), kBlack);
  Surface r(300, 60);
  DrawDropDownButtonRight(r.dc, RECT{0, 0, 300, 52}, u"Sort", false);
  for (POINT p : ink) EXPECT_EQ(GetPixel(r.dc, 300 - 28 + 2 * p.x, 14 + 2 * p.y), kBlack);
}

// ---- ImageFile ---------------------------------------------------------------------------------

constexpr char16_t kLogo[] = u"\\My Documents\\logo.bmp";

// Writes a 24-bit picture, left half red and right half blue, as a .BMP file.
void WriteLogo(int width, int height) {
  platform::DibImage image;
  image.header.biSize = 40;
  image.header.biWidth = width;
  image.header.biHeight = height;
  image.header.biPlanes = 1;
  image.header.biBitCount = 24;
  size_t stride = platform::DibStride(width, 24);
  image.bits.assign(stride * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      BYTE* p = image.bits.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
      p[x < width / 2 ? 2 : 0] = 255;
    }
  std::vector<BYTE> bytes = platform::BuildBmpFile(image);
  std::ofstream out(platform::MapDevicePath(kLogo), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(ImageFile, APictureLoadsAtItsSizeAndTheScreensDepth) {
  WriteLogo(64, 32);
  HDC screen = GetDC(nullptr);
  {
    CImageFile file(true);
    EXPECT_FALSE(file.IsLoaded());
    EXPECT_EQ(file.Load(screen, kLogo, 0, 0), 1);
    ASSERT_TRUE(file.IsLoaded());
    EXPECT_EQ(file.GetWidth(), 64);
    EXPECT_EQ(file.GetHeight(), 32);
    BITMAP bm;
    GetObjectW(file.GetBitmap(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 16);
    EXPECT_EQ(PixelOf(file.GetBitmap(), 5, 5), kRed);
    EXPECT_EQ(PixelOf(file.GetBitmap(), 60, 5), kBlue);
  }
  ReleaseDC(nullptr, screen);
}

TEST_F(ImageFile, ALargePictureShrinksWithinTheMaximum) {
  WriteLogo(200, 100);
  HDC screen = GetDC(nullptr);
  CImageFile file(true);
  ASSERT_EQ(file.Load(screen, kLogo, 80, 80), 1);
  EXPECT_EQ(file.GetWidth(), 80);
  EXPECT_EQ(file.GetHeight(), 40);
  // Loading again replaces the bitmap it owns.
  ASSERT_EQ(file.Load(screen, kLogo, 0, 30), 1);
  EXPECT_EQ(file.GetWidth(), 60);
  EXPECT_EQ(platform::LiveGdiObjectCount(), 3) << "screen context, memory context, one bitmap";
  ReleaseDC(nullptr, screen);
}

TEST_F(ImageFile, MissingFilesAreNotOpenedAndDamagedOnesAreNotLoaded) {
  HDC screen = GetDC(nullptr);
  CImageFile file(true);
  EXPECT_EQ(file.Load(screen, u"\\My Documents\\none.bmp", 0, 0), 0);
  EXPECT_FALSE(file.IsLoaded());
  WriteText(kLogo, "");
  EXPECT_EQ(file.Load(screen, kLogo, 0, 0), 1) << "the file opened";
  EXPECT_FALSE(file.IsLoaded()) << "but holds no picture";
  EXPECT_EQ(file.GetWidth(), 0);
  WriteLogo(20, 10);
  std::string good = ReadText(kLogo);
  std::mt19937 random(3);
  for (int round = 0; round < 40; ++round) {
    std::string bad = good.substr(0, random() % good.size());
    if (round % 2)
      for (int k = 0; k < 3; ++k) bad += static_cast<char>(random());
    WriteText(kLogo, bad);
    EXPECT_EQ(file.Load(screen, kLogo, 0, 0), 1);
  }
  WriteText(kLogo, "GIF89a not really");
  EXPECT_EQ(file.Load(screen, kLogo, 0, 0), 1);
  EXPECT_FALSE(file.IsLoaded());
  ReleaseDC(nullptr, screen);
}

TEST_F(ImageFile, WithoutOwnershipTheCallerKeepsTheBitmap) {
  WriteLogo(8, 8);
  HBITMAP kept = nullptr;
  {
    CImageFile file(false);
    ASSERT_EQ(file.Load(nullptr, kLogo, 0, 0), 1);
    kept = file.GetBitmap();
  }
  EXPECT_EQ(GetObjectType(kept), OBJ_BITMAP) << "still alive";
  EXPECT_TRUE(DeleteObject(kept));
}

TEST_F(ImageFile, PngPicturesLoadToo) {
  Surface s(12, 6, kBlue);
  SetPixel(s.dc, 0, 0, kRed);
  ASSERT_TRUE(platform::SaveDcAsPng(s.dc, Linux(u"\\My Documents\\logo.png")));
  CImageFile file(true);
  ASSERT_EQ(file.Load(s.dc, u"\\My Documents\\logo.png", 0, 0), 1);
  ASSERT_TRUE(file.IsLoaded());
  EXPECT_EQ(file.GetWidth(), 12);
  EXPECT_EQ(PixelOf(file.GetBitmap(), 0, 0), kRed);
  EXPECT_EQ(PixelOf(file.GetBitmap(), 5, 5), kBlue);
}

}  // namespace

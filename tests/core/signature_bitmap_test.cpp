// The signature: strokes drawn from their text, and the bitmap file made of them. Groups:
//   Strokes    - the point text, new strokes, high resolution, short and long texts
//   Signature  - the file: its shape, the strokes and the background bitmap in place
#include <fstream>
#include <string>
#include <vector>

#include "DrawingLibraryFixture.h"
#include "core/ResourceText.h"
#include "core/SignatureBitmap.h"
#include "platform/gdi/Bmp.h"
#include "platform/module/Module.h"
#include "resources/resource_ids.h"

namespace {

using Strokes = slateway::testing::DrawingLibraryTest;
using Signature = slateway::testing::DrawingLibraryTest;
using platform::testing::CountColor;
using platform::testing::PixelOf;
using platform::testing::Surface;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

std::u16string Point(int x, int y) {
  const char16_t* digits = u"0123456789ABCDEF";
  return {digits[(x >> 4) & 15], digits[x & 15], digits[(y >> 4) & 15], digits[y & 15]};
}

// ---- Strokes --------------------------------------------------------------------------------

TEST_F(Strokes, OneStrokeThroughThreePoints) {
  Surface s(60, 40);
  DrawSignatureStrokes(s.dc, 2, u"0A8A0B0B0C0C");
  EXPECT_EQ(GetPixel(s.dc, 10, 10), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 11, 11), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 12, 12), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 10, 12), kWhite);
  EXPECT_LT(CountColor(s.dc, RECT{0, 0, 60, 40}, kBlack), 20) << "a short 2-pixel stroke";
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_PEN), GetStockObject(BLACK_PEN)) << "the pen is put back";
}

TEST_F(Strokes, AYOf128OrMoreStartsANewStroke) {
  Surface s(60, 40);
  DrawSignatureStrokes(s.dc, 1, Point(10, 10 + 128) + Point(14, 10) + Point(30, 10 + 128) + Point(34, 10));
  EXPECT_EQ(CountColor(s.dc, RECT{10, 10, 14, 11}, kBlack), 4);
  EXPECT_EQ(CountColor(s.dc, RECT{30, 10, 34, 11}, kBlack), 4);
  EXPECT_EQ(CountColor(s.dc, RECT{15, 0, 30, 40}, kBlack), 0) << "nothing joins the two strokes";
}

TEST_F(Strokes, HighResolutionDoublesTheCoordinates) {
  SetHighResolution(true);
  Surface s(60, 40);
  DrawSignatureStrokes(s.dc, 2, u"0A8A0B0B0C0C");
  EXPECT_EQ(GetPixel(s.dc, 20, 20), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 22, 22), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 24, 24), kBlack);
  EXPECT_EQ(GetPixel(s.dc, 12, 12), kWhite);
}

TEST_F(Strokes, EmptyShortAndOddTextsDrawNothingAndLeaveNothing) {
  Surface s(40, 40);
  for (const char16_t* text : {u"", u"0A8", u"0A8A", u"0A8A0B0"}) {
    DrawSignatureStrokes(s.dc, 2, text);
    EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 40, 40}, kBlack), 0) << "text " << platform::ToUtf8(text);
  }
  // Characters that are no hexadecimal digits are skipped within their pair.
  DrawSignatureStrokes(s.dc, 1, u"0A8Ax3x3");
  EXPECT_EQ(CountColor(s.dc, RECT{0, 0, 40, 40}, kBlack), 7) << "(10, 10) to (3, 3)";
}

TEST_F(Strokes, AStrokeLongerThanTheBufferIsDrawnWhole) {
  Surface s(240, 120);
  // 750 points shuttling between (0, 10) and (5, 10), then one far point: the segment to it
  // crosses the buffer's limit and must still be drawn.
  std::u16string text;
  for (int k = 0; k < kSignaturePointBuffer; ++k) text += Point(k % 2 ? 5 : 0, 10);
  text += Point(205, 100);
  DrawSignatureStrokes(s.dc, 1, text);
  EXPECT_EQ(GetPixel(s.dc, 3, 10), kBlack);
  // The segment from (5, 10) to (205, 100) passes (105, 55).
  EXPECT_GT(CountColor(s.dc, RECT{103, 53, 108, 58}, kBlack), 0);
  EXPECT_GT(CountColor(s.dc, RECT{200, 96, 205, 101}, kBlack), 0) << "up to the last point";
}

// ---- Signature --------------------------------------------------------------------------------

struct Decoded {
  platform::DibImage image;
  HBITMAP bitmap = nullptr;
  ~Decoded() {
    if (bitmap) DeleteObject(bitmap);
  }
};

void ReadFile(const std::filesystem::path& p, Decoded& out) {
  std::ifstream in(p, std::ios::binary);
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto image = platform::ParseBmpFile(bytes.data(), bytes.size());
  ASSERT_TRUE(image) << "a readable .BMP file";
  out.image = *image;
  out.bitmap = platform::CreateBitmapFromDib(*image);
  ASSERT_NE(out.bitmap, nullptr);
}

// A colour as 5 bits a component keep it.
COLORREF At16Bits(COLORREF c) {
  auto q = [](int v) { return static_cast<BYTE>(((v >> 3) << 3) | (v >> 5)); };
  return RGB(q(GetRValue(c)), q(GetGValue(c)), q(GetBValue(c)));
}

// Checks that the background bitmap shows at (4, 16), each of its pixels `scale` times.
void ExpectBackground(HBITMAP file, int width, int height, int scale) {
  HBITMAP background = LoadBitmapW(GetResourceInstance(), MAKEINTRESOURCEW(IDB_SIGNATURE_BACKGROUND));
  ASSERT_NE(background, nullptr);
  BITMAP bm;
  GetObjectW(background, sizeof bm, &bm);
  HDC bg = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBg = SelectObject(bg, background);
  HDC fd = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFd = SelectObject(fd, file);
  int marks = 0;
  for (int y = 0; y < bm.bmHeight; ++y)
    for (int x = 0; x < bm.bmWidth; ++x) {
      COLORREF c = GetPixel(bg, x, y);
      int fx = 4 + x * scale + scale - 1, fy = 16 + y * scale + scale - 1;
      if (c == kWhite || fx >= width || fy >= height) continue;
      ++marks;
      EXPECT_EQ(GetPixel(fd, fx, fy), At16Bits(c)) << x << "," << y;
    }
  EXPECT_GT(marks, 5) << "some of the background shows within the bitmap";
  SelectObject(fd, oldFd);
  SelectObject(bg, oldBg);
  DeleteDC(fd);
  DeleteDC(bg);
  DeleteObject(background);
}

TEST_F(Signature, TheFileHoldsTheStrokesOverTheBackground) {
  constexpr char16_t kFile[] = u"\\My Documents\\KTWSignature.bmp";
  // A stroke across the middle, away from the background's marks.
  ASSERT_TRUE(SaveSignatureBitmap(nullptr, Point(100, 20 + 128) + Point(150, 20) + Point(150, 30), kFile));
  Decoded d;
  ReadFile(Linux(kFile), d);
  EXPECT_EQ(d.image.header.biWidth, 240);
  EXPECT_EQ(d.image.header.biHeight, 80);
  EXPECT_EQ(d.image.header.biBitCount, 16) << "the screen's depth";
  EXPECT_EQ(GetObjectType(d.bitmap), OBJ_BITMAP);
  EXPECT_EQ(PixelOf(d.bitmap, 120, 20), kBlack);
  EXPECT_EQ(PixelOf(d.bitmap, 150, 25), kBlack);
  EXPECT_EQ(PixelOf(d.bitmap, 200, 5), kWhite);
  EXPECT_EQ(PixelOf(d.bitmap, 0, 0), kWhite);
  ExpectBackground(d.bitmap, 240, 80, 1);
}

TEST_F(Signature, HighResolutionDoublesTheBitmapTheBackgroundAndTheStrokes) {
  SetHighResolution(true);
  constexpr char16_t kFile[] = u"\\My Documents\\SIGNATURE_1001.BMP";
  ASSERT_TRUE(SaveSignatureBitmap(nullptr, Point(100, 20 + 128) + Point(150, 20), kFile));
  Decoded d;
  ReadFile(Linux(kFile), d);
  EXPECT_EQ(d.image.header.biWidth, 480);
  EXPECT_EQ(d.image.header.biHeight, 160);
  EXPECT_EQ(PixelOf(d.bitmap, 240, 40), kBlack);
  EXPECT_EQ(PixelOf(d.bitmap, 240, 20), kWhite);
  ExpectBackground(d.bitmap, 480, 160, 2);
}

TEST_F(Signature, AnEmptySignatureStillMakesTheFileAndAnUnwritableOneFails) {
  ASSERT_TRUE(SaveSignatureBitmap(nullptr, u"", u"\\My Documents\\KTWSignatureLine.bmp"));
  Decoded d;
  ReadFile(Linux(u"\\My Documents\\KTWSignatureLine.bmp"), d);
  EXPECT_EQ(PixelOf(d.bitmap, 120, 40), kWhite);
  // Only the base line: the pad's mark where to start signing stays on the pad.
  int line = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 240; ++x) {
      const COLORREF c = PixelOf(d.bitmap, x, y);
      if (c == kWhite) continue;
      EXPECT_EQ(c, At16Bits(RGB(0xC0, 0xC0, 0xC0))) << x << "," << y;
      ++line;
    }
  EXPECT_GT(line, 100);
  EXPECT_FALSE(SaveSignatureBitmap(nullptr, u"0A8A0B0B", u"\\Missing Folder\\KTWSignature.bmp"));
}

}  // namespace

// The language-library test device with a fresh drawing area; at the end it checks that
// the test left no drawing object or context alive.
#pragma once

#include "LanguageLibraryFixture.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Files.h"
#include "platform/testing/DrawingFixture.h"

namespace slateway::testing {

class DrawingLibraryTest : public LanguageLibraryTest {
 protected:
  void SetUp() override {
    platform::ResetGdi();
    LanguageLibraryTest::SetUp();
    CreateDirectoryW(u"\\My Documents", nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(platform::LiveGdiObjectCount(), 0) << "a drawing object or context was left alive";
    platform::ResetGdi();
    LanguageLibraryTest::TearDown();
  }

  // The colour of pixel (x, y) of `bitmap`.
  static COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
  }
  static int CountColor(HDC dc, RECT r, COLORREF c) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == c;
    return n;
  }
};

}  // namespace slateway::testing

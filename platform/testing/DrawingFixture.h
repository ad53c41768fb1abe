// The test device with a fresh drawing area: the classic 240 x 320 screen of 16 bits,
// fixed text metrics, no drawing objects; at the end it checks that the test deleted
// every object and context it made.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Screen.h"

namespace platform::testing {

// A memory context with a new bitmap of the screen's depth selected, filled with `fill`;
// all three are deleted at the end of the scope.
struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Surface(int width, int height, COLORREF fill = RGB(255, 255, 255)) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, width, height);
    old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

// The colour of pixel (x, y) of `bitmap` (read through a memory context of its own).
inline COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

// How many pixels of `r` have colour `c`.
inline int CountColor(HDC dc, RECT r, COLORREF c) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == c;
  return n;
}

class DrawingTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ResetScreenAndVersion();
    ResetGdi();
  }
  void TearDown() override {
    EXPECT_EQ(LiveGdiObjectCount(), 0) << "a drawing object or context was left alive";
    ResetGdi();
    ResetScreenAndVersion();
    DeviceTest::TearDown();
  }
};

}  // namespace platform::testing

#include "core/SignatureBitmap.h"

#include <vector>

#include "core/DibSection.h"
#include "core/DrawHelpers.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {

void Flush(HDC dc, std::vector<POINT>& stroke) {
  if (stroke.size() >= 2) Polyline(dc, stroke.data(), static_cast<int>(stroke.size()));
}

}  // namespace

void DrawSignatureStrokes(HDC dc, int penWidth, std::u16string_view strokes) {
  if (strokes.size() < 4) return;
  HPEN pen = CreatePen(PS_SOLID, penWidth, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  const int factor = IsHighResolution() ? 2 : 1;
  std::vector<POINT> stroke;
  stroke.reserve(kSignaturePointBuffer);
  for (size_t i = 0; i + 4 <= strokes.size(); i += 4) {
    int x = HexTextToInt(strokes.substr(i, 2));
    int y = HexTextToInt(strokes.substr(i + 2, 2));
    if (y >= 128) {
      Flush(dc, stroke);
      stroke.clear();
      y -= 128;
    } else if (stroke.size() == kSignaturePointBuffer) {
      // The buffer is full: draw what it holds and go on from its last point.
      Flush(dc, stroke);
      POINT last = stroke.back();
      stroke.assign(1, last);
    }
    stroke.push_back(POINT{x * factor, y * factor});
  }
  Flush(dc, stroke);
  if (oldPen) SelectObject(dc, oldPen);
  DeleteObject(pen);
}

bool SaveSignatureBitmap(HWND window, std::u16string_view strokes, LPCWSTR fileName) {
  const int factor = IsHighResolution() ? 2 : 1;
  const int width = 240 * factor, height = 80 * factor;
  HDC windowDc = GetDC(window);
  HDC mem = CreateCompatibleDC(windowDc);
  HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
  ReleaseDC(window, windowDc);
  if (!mem || !bitmap) {
    if (mem) DeleteDC(mem);
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  HGDIOBJ old = SelectObject(mem, bitmap);
  const RECT all{0, 0, width, height};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawResourceBitmap(IDB_SIGNATURE_BACKGROUND, GetResourceInstance(), mem, 4, 16);
  DrawSignatureStrokes(mem, 2, strokes);
  // The section copies the pixels through its own context, so the bitmap is let go here.
  SelectObject(mem, old);
  DeleteDC(mem);

  bool written = false;
  {
    CDibSection dib;
    written = dib.CreateFromBitmap(bitmap, nullptr) && dib.SaveBmpFile(fileName);
  }
  DeleteObject(bitmap);
  return written;
}

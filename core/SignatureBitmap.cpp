#include "core/SignatureBitmap.h"

#include <vector>

#include "core/DibSection.h"
#include "core/DrawHelpers.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {

void Flush(HDC dc, std::vector<POINT>& stroke) {
  if (stroke.size() >= 2) Polyline(dc, stroke.data(), static_cast<int>(stroke.size()));
}

// The signature on its background in a new bitmap compatible with the window's context;
// none when the bitmap or a context cannot be made. The bitmap comes back selected out,
// so the section can copy its pixels through a context of its own.
CGdiObject<HBITMAP> RenderSignature(HWND window, std::u16string_view strokes) {
  const int factor = IsHighResolution() ? 2 : 1;
  const int width = 240 * factor, height = 80 * factor;
  CWindowDC windowDc(window);
  CMemoryDC mem = CMemoryDC::CompatibleWith(windowDc.get());
  CGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDc.get(), width, height));
  windowDc.reset();
  if (!mem || !bitmap) return {};
  CSelectObjectScope selected(mem.get(), bitmap.get());
  const RECT all{0, 0, width, height};
  FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawResourceBitmap(IDB_SIGNATURE_BACKGROUND, GetResourceInstance(), mem.get(), 4, 16);
  DrawSignatureStrokes(mem.get(), 2, strokes);
  return bitmap;
}

}  // namespace

void DrawSignatureStrokes(HDC dc, int penWidth, std::u16string_view strokes) {
  if (strokes.size() < 4) return;
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, penWidth, RGB(0, 0, 0)));
  CSelectObjectScope selected(dc, pen.get());
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
}

bool SaveSignatureBitmap(HWND window, std::u16string_view strokes, LPCWSTR fileName) {
  CGdiObject<HBITMAP> bitmap = RenderSignature(window, strokes);
  if (!bitmap) return false;
  CDibSection dib;
  return dib.CreateFromBitmap(bitmap.get(), nullptr) && dib.SaveBmpFile(fileName);
}

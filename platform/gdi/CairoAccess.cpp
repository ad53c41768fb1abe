#include "platform/gdi/CairoAccess.h"

#include <mutex>

#include "platform/gdi/GdiInternal.h"

namespace platform {

bool DrawWithCairo(HDC dc, const std::function<void(cairo_t*)>& draw) {
  std::lock_guard<std::recursive_mutex> lock(gdi::Lock());
  gdi::Dc* d = gdi::FindDc(dc);
  if (!d) return false;
  gdi::Canvas canvas(*d);
  if (!canvas.Ok()) return false;
  cairo_set_antialias(canvas.Cr(), CAIRO_ANTIALIAS_DEFAULT);
  draw(canvas.Cr());
  return true;
}

cairo_surface_t* CopyBitmapToSurface(HBITMAP bitmap) {
  std::lock_guard<std::recursive_mutex> lock(gdi::Lock());
  gdi::Bitmap* b = gdi::FindBitmap(bitmap);
  if (!b || !b->surface) return nullptr;
  b->Pull();
  cairo_surface_flush(b->surface);
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, b->width, b->height);
  cairo_t* cr = cairo_create(copy);
  cairo_set_source_surface(cr, b->surface, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(copy);
  return copy;
}

}  // namespace platform

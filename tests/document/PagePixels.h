// A page drawn from page row `top` down `rows` rows, `width` pixels wide, on white: the
// bytes of the image, `PixelRowBytes(width)` a row.
#pragma once

#include <cairo.h>

#include <vector>

#include "platform/htmlview/HtmlPage.h"

namespace page_test {

inline int PixelRowBytes(int width) { return cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width); }

inline std::vector<unsigned char> DrawnPixels(platform::htmlview::HtmlPage& page, int width, int top, int rows) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, rows);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_translate(cr, 0, -top);
  page.Draw(cr, litehtml::position(0, top, width, rows));
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<unsigned char> pixels(data, data + static_cast<size_t>(cairo_image_surface_get_stride(surface)) * rows);
  cairo_surface_destroy(surface);
  return pixels;
}

}  // namespace page_test

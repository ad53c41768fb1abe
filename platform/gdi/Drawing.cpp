// Pens, brushes, lines and shapes. Paths run through pixel centres and antialiasing is
// off, so a one-pixel line covers exactly the pixels it names, as on the handheld.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/Base.h"
#include "platform/gdi/GdiInternal.h"

using namespace platform::gdi;

namespace {

// Sets up `cr` for the context's pen; false for a null pen (nothing to stroke).
bool UsePen(cairo_t* cr, Dc& dc) {
  Pen* pen = FindPen(dc.pen);
  if (!pen || pen->style == PS_NULL) return false;
  COLORREF c = pen->color;
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
  int width = std::max(1, pen->width);
  cairo_set_line_width(cr, width);
  // Wide pens have round ends and joins; a thin line stops short of its end point.
  cairo_set_line_cap(cr, width > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, width > 1 ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
  if (pen->style == PS_DASH) {
    const double dash[] = {6.0, 2.0};
    cairo_set_dash(cr, dash, 2, 0);
  }
  return true;
}

bool UseBrush(cairo_t* cr, HGDIOBJ handle) {
  Brush* brush = FindBrush(handle);
  if (!brush || brush->hollow) return false;
  COLORREF c = brush->color;
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
  return true;
}

void PathThroughCentres(cairo_t* cr, const POINT* points, int count) {
  cairo_new_path(cr);
  cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
  for (int i = 1; i < count; ++i) cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
}

// Narrows the steps [first, last) of a line to those whose coordinate, starting at
// `start` and moving `delta` over `len` steps, can land inside [low, high).
void NarrowSteps(double start, double delta, double len, double low, double high, double& first, double& last) {
  if (delta == 0) {
    if (start < low - 1 || start > high + 1) last = first;
    return;
  }
  double a = (low - 1 - start) * len / delta, b = (high + 1 - start) * len / delta;
  first = std::max(first, std::floor(std::min(a, b)));
  last = std::min(last, std::ceil(std::max(a, b)) + 1);
}

// A thin polyline: each segment stops before its end point; the last point is left out too.
void StrokeThin(cairo_t* cr, const POINT* points, int count) {
  double clipLeft, clipTop, clipRight, clipBottom;
  cairo_clip_extents(cr, &clipLeft, &clipTop, &clipRight, &clipBottom);
  for (int i = 1; i < count; ++i) {
    double x0 = points[i - 1].x + 0.5, y0 = points[i - 1].y + 0.5;
    double x1 = points[i].x + 0.5, y1 = points[i].y + 0.5;
    double dx = x1 - x0, dy = y1 - y0;
    double len = std::max(std::abs(dx), std::abs(dy));
    if (len == 0) continue;
    // Pixels are lit at each step along the major axis, as a line-drawing routine does;
    // only the steps that can land inside the clip are visited, so a line of any length
    // costs what its visible part does.
    double first = 0, last = len;
    NarrowSteps(x0, dx, len, clipLeft, clipRight, first, last);
    NarrowSteps(y0, dy, len, clipTop, clipBottom, first, last);
    for (double s = first; s < last; ++s) {
      double px = std::floor(x0 + dx * s / len), py = std::floor(y0 + dy * s / len);
      cairo_rectangle(cr, px, py, 1, 1);
    }
  }
  cairo_fill(cr);
}

BOOL DrawPolyline(HDC handle, const POINT* points, int count) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || !points || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Canvas canvas(*dc);
  if (!canvas.Ok()) return FALSE;
  cairo_t* cr = canvas.Cr();
  if (!UsePen(cr, *dc)) return TRUE;
  Pen* pen = FindPen(dc->pen);
  if (pen->width <= 1 && pen->style == PS_SOLID) {
    StrokeThin(cr, points, count);
  } else {
    PathThroughCentres(cr, points, count);
    cairo_stroke(cr);
  }
  return TRUE;
}

}  // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_DASH && style != PS_NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard lock(Lock());
  auto pen = std::make_unique<Pen>();
  pen->style = style;
  pen->width = std::max(1, width);
  pen->color = color & 0xFFFFFF;
  return static_cast<HPEN>(Add(std::move(pen)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  std::lock_guard lock(Lock());
  auto brush = std::make_unique<Brush>();
  brush->color = color & 0xFFFFFF;
  return static_cast<HBRUSH>(Add(std::move(brush)));
}

BOOL MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  POINT from;
  {
    std::lock_guard lock(Lock());
    Dc* dc = FindDc(handle);
    if (!dc) return FALSE;
    from = dc->position;
    dc->position = POINT{x, y};
  }
  const POINT points[2] = {from, POINT{x, y}};
  return DrawPolyline(handle, points, 2);
}

BOOL Polyline(HDC dc, const POINT* points, int count) { return DrawPolyline(dc, points, count); }

BOOL Polygon(HDC handle, const POINT* points, int count) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || !points || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Canvas canvas(*dc);
  if (!canvas.Ok()) return FALSE;
  cairo_t* cr = canvas.Cr();
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  if (UseBrush(cr, dc->brush)) {
    PathThroughCentres(cr, points, count);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  if (UsePen(cr, *dc)) {
    Pen* pen = FindPen(dc->pen);
    if (pen->width <= 1 && pen->style == PS_SOLID) {
      // The outline is closed: it comes back to the first point.
      std::vector<POINT> closed(points, points + count);
      closed.push_back(points[0]);
      StrokeThin(cr, closed.data(), static_cast<int>(closed.size()));
    } else {
      PathThroughCentres(cr, points, count);
      cairo_close_path(cr);
      cairo_stroke(cr);
    }
  }
  return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) return FALSE;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  Canvas canvas(*dc);
  if (!canvas.Ok()) return FALSE;
  cairo_t* cr = canvas.Cr();
  Pen* pen = FindPen(dc->pen);
  bool outline = pen && pen->style != PS_NULL;
  // Without a pen the interior is one pixel smaller, as the outline would have covered it.
  int shrink = outline ? 0 : 1;
  if (UseBrush(cr, dc->brush)) {
    cairo_rectangle(cr, left, top, std::max(0, right - left - shrink), std::max(0, bottom - top - shrink));
    cairo_fill(cr);
  }
  if (outline && right - left > 0 && bottom - top > 0) {
    UsePen(cr, *dc);
    int w = std::max(1, pen->width);
    if (w == 1 && pen->style == PS_SOLID) {
      cairo_rectangle(cr, left, top, right - left, 1);
      cairo_rectangle(cr, left, bottom - 1, right - left, 1);
      cairo_rectangle(cr, left, top, 1, bottom - top);
      cairo_rectangle(cr, right - 1, top, 1, bottom - top);
      cairo_fill(cr);
    } else {
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
      cairo_rectangle(cr, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
      cairo_stroke(cr);
    }
  }
  return TRUE;
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || !rect) return 0;
  auto value = reinterpret_cast<std::uintptr_t>(brushHandle);
  HGDIOBJ brush = brushHandle;
  if (value >= 1 && value <= 31) brush = GetSysColorBrush(static_cast<int>(value - 1));
  if (!FindBrush(brush)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  Canvas canvas(*dc);
  if (!canvas.Ok()) return 0;
  cairo_t* cr = canvas.Cr();
  if (UseBrush(cr, brush)) {
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    cairo_fill(cr);
  }
  return 1;
}

// Drawing with cairo itself on what a device context draws on, for components (the HTML
// viewer) that lay out their own content instead of going through the GDI calls.
#pragma once

#include <cairo.h>

#include <functional>

#include "platform/gdi/Gdi.h"

namespace platform {

// Runs `draw` with a cairo context on the target of `dc`, translated to its origin and
// clipped to its visible part (antialiasing left at cairo's default). False, and `draw`
// not run, when `dc` is no context or draws on nothing.
bool DrawWithCairo(HDC dc, const std::function<void(cairo_t*)>& draw);

// A new RGB24 image surface holding a copy of the bitmap's pixels (the caller destroys
// it); null when `bitmap` is no bitmap.
cairo_surface_t* CopyBitmapToSurface(HBITMAP bitmap);

}  // namespace platform

// Small drawing routines every screen uses: bitmaps (doubled on a high-resolution
// screen), lines, frames, filled rectangles and the two drop-down buttons of the main window.
#pragma once

#include <string_view>

#include "platform/gdi/Gdi.h"

// Copies `bitmap` to (x, y) through a memory context; stretched to twice its size on a
// high-resolution screen. Nothing is drawn when the bitmap cannot be read.
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);
// Loads bitmap `id` from `module` and draws it with DrawBitmap; nothing when it is missing.
void DrawResourceBitmap(UINT id, HINSTANCE module, HDC dc, int x, int y);
// A solid line of `width` and `color` from (x1, y1) to (x2, y2) (a two-point polyline).
void DrawLine(HDC dc, int width, int x1, int y1, int x2, int y2, COLORREF color);
// The outline of a rectangle as a closed five-point polyline.
void DrawFrameRect(HDC dc, int width, int left, int top, int right, int bottom, COLORREF color);
// A five-point polygon outlined with a thin pen of `color` and filled with stock brush
// `stockBrush` (the context's current brush when that is no stock brush index).
void DrawFilledRect(HDC dc, int left, int top, int right, int bottom, int stockBrush, COLORREF color);

// The main window's Show and Sort By buttons: light grey, the button's text (first 18
// characters) drawn transparently, the drop-down arrow after the text (Left) or at the
// right edge (Right), and a black frame around the text while the button has the focus.
void DrawDropDownButtonLeft(HDC dc, const RECT& item, std::u16string_view text, bool focused);
void DrawDropDownButtonRight(HDC dc, const RECT& item, std::u16string_view text, bool focused);

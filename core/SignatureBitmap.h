// The captured signature as a bitmap file that documents reference and the HTML view shows.
#pragma once

#include <string_view>

#include "platform/gdi/Gdi.h"

// The most points one polyline of a stroke holds; a longer stroke is drawn as several
// polylines that join end to start.
constexpr int kSignaturePointBuffer = 750;

// Draws the signature strokes: four hexadecimal digits a point, two for x and two for y;
// a y of 128 or more starts a new stroke at (x, y - 128). Black pen of `penWidth`;
// coordinates doubled on a high-resolution screen. Digits that are not hexadecimal are
// skipped within their pair; a trailing group of fewer than four characters is ignored.
void DrawSignatureStrokes(HDC dc, int penWidth, std::u16string_view strokes);

// Renders the signature on a 240 x 80 bitmap (480 x 160 on a high-resolution screen):
// white, the signature background bitmap at (4, 16), the strokes with a 2-pixel pen; then
// writes it as a .BMP file at `fileName`. True when the file was written.
bool SaveSignatureBitmap(HWND window, std::u16string_view strokes, LPCWSTR fileName);

// Points, sizes and rectangles in device pixels, shared by drawing and windows.
#pragma once

#include "platform/base/Win32Types.h"

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
using LPPOINT = POINT*;

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
using LPSIZE = SIZE*;

// Right and bottom lie just outside the rectangle.
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

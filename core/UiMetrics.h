// Sizes of the user interface in pixels, which double on a high-resolution screen, and
// the shape of the screen.
#pragma once

#include "platform/base/Win32Types.h"

// The program-wide high-resolution flag: every interface size doubles while it is set.
// Start-up sets it once from IsHighResolutionScreen (ScreenResolution.h).
bool IsHighResolution();
void SetHighResolution(bool highResolution);

// Interface size `id` (0 to 61) in pixels for the current resolution; 0 for any other
// id. Sizes 22 and 23 are the horizontal and vertical resolution of `window`'s screen.
int GetUiMetric(int id, HWND window = nullptr);

// The screen is wider than high.
bool IsLandscapeScreen();
// The screen is as wide as high.
bool IsSquareScreen();
// The operating system's major version is 5 or more.
bool IsOsVersion5OrLater();

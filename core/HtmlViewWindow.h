// The HTML display control inside a window: the document editor's and the report window's page.
#pragma once

#include "platform/base/Win32Types.h"

// The control's child id.
constexpr int kHtmlViewControlId = 10;

// Starts the HTML display for `instance` (failure is told with a plain box and the window is
// made all the same) and creates the control covering `parent`'s client area.
HWND CreateHtmlViewWindow(HINSTANCE instance, HWND parent);

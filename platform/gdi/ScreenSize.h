// The size of the device's screen: one of the handheld screen profiles, set by tests or a
// display. The screen's bitmap and its contexts take their shape from it; the window
// system's metrics are derived from it.
#pragma once

namespace platform {

// The screens the program supports: the classic portrait screen and the three
// high-resolution shapes.
enum class ScreenProfile { Portrait240x320, Portrait480x640, Landscape640x480, Wide800x480 };

void SetScreenProfile(ScreenProfile profile);
// Any other size, for screens between the profiles.
void SetScreenSize(int width, int height);
int ScreenWidth();
int ScreenHeight();

// How many screen pixels one pixel of the interface takes: 2 on the high-resolution screens
// (480, 640 or 800 pixels on a side), 1 on the classic one. Every pixel size of the
// interface (bars, buttons, borders, the system font) is multiplied by it.
int ScreenScale();

}  // namespace platform

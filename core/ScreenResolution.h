// Telling a high-resolution screen, on which the program doubles its interface sizes.
#pragma once

// True when the screen's width is 640, else when its height is 640, else when its width
// is 800, else when its height is 800 pixels. Start-up sets the program-wide
// high-resolution flag from it.
bool IsHighResolutionScreen();

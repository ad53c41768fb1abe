// The desktop window that shows the handheld's screen: an SDL2 window holding the composed
// screen, scaled up, with the mouse as the pen and the keyboard as the keys.
//
// The window adds no behaviour. Whenever the program's thread has nothing left to do it
// hands a copy of the screen to the window's own thread, which updates the part that
// changed; mouse and keys go back as the input a person gives (platform::PenDown,
// platform::TypeText...). F1-F8 are the application buttons (keys 193-200), F9 suspends
// the device and F10 turns it on (power notifications); closing the
// window sends WM_CLOSE to the foreground window, as the shell's close does.
#pragma once

#include <string>

#include "platform/base/Geometry.h"
#include "platform/base/Win32Types.h"

namespace platform::display {

struct DisplayOptions {
  bool highResolution = false;  // 480 x 640 instead of 240 x 320
  int scale = 2;                // window pixels per screen pixel
  std::string title = "Slateway";
};

// Reads "--hires" and "--scale N" (1 to 4); false, with a line on stderr, for anything
// it does not know.
bool ParseDisplayArguments(int argc, char** argv, DisplayOptions& options);

// Sets the screen profile, switches text to the display's fonts and opens the window on
// a thread of its own, while the program goes on starting. Without a display to ask for
// (no DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER) writes one line on stderr (naming
// xvfb-run) and returns false; a display that turns out not to answer is told the same
// way, and the program then ends with status 1 at its first frame, before it shows
// anything. Call on the program's thread: that thread's message loops feed the window.
bool OpenDisplay(const DisplayOptions& options);
// Closes the window (also done at exit). When the desktop connection went away (the
// program was then asked to end, platform::RequestProcessEnd), the window cannot be closed
// nor can the desktop libraries clean up at exit: the process ends here, with 0, once its
// output is flushed.
void CloseDisplay();

// Where a window pixel lands on the handheld's screen at `scale` (clamped to the screen).
POINT WindowToScreen(int x, int y, int scale, int screenWidth, int screenHeight);
// The handheld key for a function key of the desktop: F1-F8 are the application buttons
// 193-200; 0 for other keys. `function` counts from 1.
UINT HardwareKeyForFunctionKey(int function);

}  // namespace platform::display

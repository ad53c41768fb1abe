#include "core/ScreenResolution.h"

#include "platform/user/Screen.h"

bool IsHighResolutionScreen() {
  // FIXME: read HORZRES and VERTRES through GetDeviceCaps once device contexts exist;
  // the screen's size is the same thing on this device.
  const int width = platform::ScreenWidth();
  const int height = platform::ScreenHeight();
  return width == 640 || height == 640 || width == 800 || height == 800;
}

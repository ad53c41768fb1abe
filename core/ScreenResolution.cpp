#include "core/ScreenResolution.h"

#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"

bool IsHighResolutionScreen() {
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  const int width = GetDeviceCaps(screen, HORZRES);
  const int height = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
  return width == 640 || height == 640 || width == 800 || height == 800;
}

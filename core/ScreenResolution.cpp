#include "core/ScreenResolution.h"

#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"

bool IsHighResolutionScreen() {
  CWindowDC screen(nullptr);
  if (!screen) return false;
  const int width = GetDeviceCaps(screen.get(), HORZRES);
  const int height = GetDeviceCaps(screen.get(), VERTRES);
  return width == 640 || height == 640 || width == 800 || height == 800;
}

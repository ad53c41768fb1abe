#include "platform/gdi/ScreenSize.h"

#include <atomic>

namespace {

std::atomic<int> g_width{240};
std::atomic<int> g_height{320};

}  // namespace

namespace platform {

void SetScreenProfile(ScreenProfile profile) {
  switch (profile) {
    case ScreenProfile::Portrait240x320: SetScreenSize(240, 320); break;
    case ScreenProfile::Portrait480x640: SetScreenSize(480, 640); break;
    case ScreenProfile::Landscape640x480: SetScreenSize(640, 480); break;
    case ScreenProfile::Wide800x480: SetScreenSize(800, 480); break;
  }
}

void SetScreenSize(int width, int height) {
  g_width = width;
  g_height = height;
}

int ScreenWidth() { return g_width; }
int ScreenHeight() { return g_height; }

int ScreenScale() { return (g_width >= 480 || g_height >= 480) ? 2 : 1; }

}  // namespace platform

#include "core/UiMetrics.h"

#include <array>
#include <atomic>

#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace {

std::atomic<bool> g_highResolution{false};

// Sizes that depend on the screen instead of the table.
constexpr int kScrollBarWidth = -1;
constexpr int kHorizontalResolution = -2;
constexpr int kVerticalResolution = -3;

struct UiSize {
  int normal;
  int high;
};

// Indexed by metric id.
constexpr std::array<UiSize, 62> kUiSizes = {{
    {4, 4},          // 0
    {16, 16},        // 1
    {18, 36},        // 2
    {240, 480},      // 3
    {80, 160},       // 4
    {80, 160},       // 5
    {2, 2},          // 6
    {0, 0},          // 7
    {20, 40},        // 8
    {240, 480},      // 9
    {98, 196},       // 10
    {26, 52},        // 11 height of a dialog heading
    {48, 96},        // 12
    {4, 4},          // 13
    {48, 96},        // 14
    {100, 200},      // 15
    {16, 32},        // 16
    {16, 32},        // 17
    {14, kScrollBarWidth},  // 18
    {22, 44},        // 19
    {20, 40},        // 20
    {32, 64},        // 21
    {kHorizontalResolution, kHorizontalResolution},  // 22
    {kVerticalResolution, kVerticalResolution},      // 23
    {1, 2},          // 24 resolution factor
    {16, 32},        // 25
    {15, 30},        // 26
    {114, 293},      // 27
    {116, 294},      // 28
    {20, 40},        // 29
    {48, 96},        // 30
    {48, 96},        // 31
    {13, 26},        // 32
    {13, 26},        // 33
    {32, 64},        // 34
    {16, 32},        // 35
    {54, 108},       // 36
    {23, 46},        // 37
    {16, 32},        // 38
    {6, 12},         // 39
    {4, 8},          // 40
    {14, 28},        // 41
    {16, 32},        // 42
    {0, 0},          // 43
    {0, 0},          // 44
    {0, 0},          // 45
    {0, 0},          // 46
    {12, 24},        // 47
    {18, 36},        // 48
    {28, 56},        // 49
    {16, 32},        // 50
    {126, 270},      // 51
    {98, 190},       // 52
    {64, 190},       // 53
    {100, 200},      // 54
    {16, 32},        // 55
    {40, 80},        // 56
    {29, 58},        // 57
    {32, 64},        // 58
    {135, 270},      // 59
    {178, 356},      // 60
    {220, 440},      // 61
}};

}  // namespace

bool IsHighResolution() { return g_highResolution; }

void SetHighResolution(bool highResolution) { g_highResolution = highResolution; }

namespace {

// A resolution of the context the window draws into.
int WindowResolution(HWND window, int index) {
  CWindowDC dc(window);
  return dc ? GetDeviceCaps(dc.get(), index) : 0;
}

}  // namespace

int GetUiMetric(int id, HWND window) {
  if (id < 0 || id >= static_cast<int>(kUiSizes.size())) return 0;
  const UiSize& size = kUiSizes[static_cast<size_t>(id)];
  int value = IsHighResolution() ? size.high : size.normal;
  switch (value) {
    case kScrollBarWidth: return GetSystemMetrics(SM_CXHSCROLL);
    case kHorizontalResolution: return WindowResolution(window, HORZRES);
    case kVerticalResolution: return WindowResolution(window, VERTRES);
    default: return value;
  }
}

bool IsLandscapeScreen() { return platform::ScreenWidth() > platform::ScreenHeight(); }

bool IsSquareScreen() { return platform::ScreenWidth() == platform::ScreenHeight(); }

bool IsOsVersion5OrLater() {
  OSVERSIONINFOW info;
  return GetVersionExW(&info) && info.dwMajorVersion >= 5;
}

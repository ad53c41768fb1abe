// The display's pen and keys: window pixels to screen points at 2x, function keys to the
// application buttons.
#include <gtest/gtest.h>

#include "platform/display/Display.h"

namespace {

using platform::display::HardwareKeyForFunctionKey;
using platform::display::WindowToScreen;

TEST(DisplayInput, WindowPixelsMapToScreenPointsAtTwiceTheSize) {
  POINT p = WindowToScreen(0, 0, 2, 240, 320);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = WindowToScreen(1, 1, 2, 240, 320);  // both window pixels of screen pixel 0
  EXPECT_EQ(p.x, 0);
  p = WindowToScreen(241, 615, 2, 240, 320);
  EXPECT_EQ(p.x, 120);
  EXPECT_EQ(p.y, 307);
  p = WindowToScreen(479, 639, 2, 240, 320);
  EXPECT_EQ(p.x, 239);
  EXPECT_EQ(p.y, 319);
  // A drag past the edge stays on the screen.
  p = WindowToScreen(-5, 700, 2, 240, 320);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 319);
  p = WindowToScreen(479, 639, 1, 480, 640);
  EXPECT_EQ(p.x, 479);
}

TEST(DisplayInput, FunctionKeysOneToEightAreTheApplicationButtons) {
  EXPECT_EQ(HardwareKeyForFunctionKey(1), 193u);
  EXPECT_EQ(HardwareKeyForFunctionKey(8), 200u);
  EXPECT_EQ(HardwareKeyForFunctionKey(0), 0u);
  EXPECT_EQ(HardwareKeyForFunctionKey(9), 0u);
}

}  // namespace

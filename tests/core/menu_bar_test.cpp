// The program's one menu bar: a new bar replaces the old one; a failure is told in a
// plain box and leaves no bar.
#include "core/MenuBar.h"
#include "platform/testing/MessageBoxScript.h"
#include "tests/core/LanguageLibraryFixture.h"

namespace {

using platform::testing::MessageBoxScript;
using MenuBar = slateway::testing::LanguageLibraryTest;

TEST_F(MenuBar, CreatingTwiceLeavesOnlyTheSecondBar) {
  HWND dialog = CreateWindowExW(0, u"STATIC", u"", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr, nullptr);
  HWND first = CreateEmptyMenuBar(dialog);
  ASSERT_NE(first, nullptr);
  HWND second = CreateEmptyMenuBar(dialog);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(GetCurrentMenuBar(), second);
  EXPECT_EQ(platform::CurrentMenuBar(), second);
  DestroyMenuBar();
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(GetCurrentMenuBar(), nullptr);
  DestroyWindow(dialog);
}

TEST_F(MenuBar, AFailedBarIsToldAndLeavesNone) {
  HWND dialog = CreateWindowExW(0, u"STATIC", u"", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr, nullptr);
  HWND old = CreateEmptyMenuBar(dialog);
  MessageBoxScript boxes;
  boxes.Expect(u"The menu bar could not be created.").Caption(u"Slateway").Style(0);
  SHMENUBARINFO info;
  info.hwndParent = dialog;
  info.nToolBarId = 9999;  // no such bar
  info.hInstRes = GetResourceInstance();
  EXPECT_EQ(CreateMenuBar(&info), nullptr);
  EXPECT_EQ(boxes.Shown().size(), 1u);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(GetCurrentMenuBar(), nullptr);
  DestroyWindow(dialog);
}

}  // namespace

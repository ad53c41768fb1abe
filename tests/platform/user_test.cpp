// Message boxes, the cursor, the screen and the process launcher.
//
// Groups:
//   MessageBox.*       default answers, the log, the script of expected boxes
//   Cursor.*           system cursors and the record of what was shown
//   Screen.*           profiles, system metrics, the system version
//   CreateProcess.*    launches are recorded; a launcher may refuse them
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "platform/process/Process.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/user/Cursor.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Screen.h"

namespace {

using platform::testing::MessageBoxScript;

class UserTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::ClearMessageBoxLog();
    platform::ResetCursor();
    platform::ResetScreenAndVersion();
    platform::ClearProcessLaunches();
  }
  void TearDown() override {
    platform::SetProcessLauncher({});
    platform::ResetScreenAndVersion();
    DeviceTest::TearDown();
  }
};

// ---- MessageBox ------------------------------------------------------------------------

TEST_F(UserTest, MessageBoxWithoutHandlerAnswersTheDefaultButton) {
  struct Case {
    UINT style;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONEXCLAMATION, IDYES},   // 52
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_RETRYCANCEL | MB_DEFBUTTON3, IDRETRY},  // out of range: the first button
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageBoxW(nullptr, u"Question", u"Slateway", c.style), c.answer) << c.style;
  EXPECT_EQ(MessageBoxW(nullptr, u"Bad", u"Slateway", 9), 0) << "no such button set";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  std::vector<platform::MessageBoxRecord> log = platform::MessageBoxLog();
  ASSERT_EQ(log.size(), std::size(cases));
  EXPECT_EQ(log[2].style, 52u);
  EXPECT_EQ(log[2].result, IDYES);
  EXPECT_EQ(log[2].text, u"Question");
  EXPECT_EQ(log[2].caption, u"Slateway");
}

TEST_F(UserTest, MessageBoxScriptAnswersAndRecordsOwnerTextCaptionStyle) {
  MessageBoxScript boxes;
  boxes.Expect(u"Delete this invoice?").Caption(u"Slateway").Style(52).Answer(IDNO);
  boxes.ExpectAny().Answer(IDCANCEL);
  HWND owner = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(MessageBoxW(owner, u"Delete this invoice?", u"Slateway", 52), IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Anything", nullptr, MB_OKCANCEL), IDCANCEL);
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(boxes.Shown()[0].owner, owner);
  EXPECT_EQ(boxes.Shown()[1].caption, u"Error") << "a null caption reads as the system's";
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST_F(UserTest, MessageBoxScriptAnswersTheBoxEvenWhenAnotherWindowIsActive) {
  WNDCLASSW wc;
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) ShowWindow(h, SW_SHOW);  // a window that shows itself while the box is up
    return DefWindowProcW(h, m, w, l);
  };
  wc.lpszClassName = u"ShowsItself";
  ASSERT_NE(RegisterClassW(&wc), 0);
  HWND other = CreateWindowExW(0, u"ShowsItself", u"", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  PostMessageW(other, WM_USER, 0, 0);
  MessageBoxScript boxes;
  boxes.Expect(u"Delete this invoice?").Answer(IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Delete this invoice?", u"Slateway", MB_YESNO), IDNO);
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(platform::LiveWindowCount(), 1);
  DestroyWindow(other);
}

TEST_F(UserTest, MessageBoxScriptFailsOnAnUnexpectedBox) {
  EXPECT_NONFATAL_FAILURE(
      {
        MessageBoxScript boxes;
        EXPECT_EQ(MessageBoxW(nullptr, u"Surprise", u"Slateway", MB_YESNO | MB_DEFBUTTON2), IDNO);
      },
      "unexpected message box: \"Surprise\"");
}

TEST_F(UserTest, MessageBoxScriptFailsOnABoxNeverShownOrADifferentText) {
  EXPECT_NONFATAL_FAILURE(
      {
        MessageBoxScript boxes;
        boxes.Expect(u"Saved.");
      },
      "expected message box never shown: Saved.");
  EXPECT_NONFATAL_FAILURE(
      {
        MessageBoxScript boxes;
        boxes.Expect(u"Saved.");
        MessageBoxW(nullptr, u"Not saved.", u"Slateway", MB_OK);
      },
      "Not saved.");
}

// ---- Cursor ----------------------------------------------------------------------------

TEST_F(UserTest, CursorRecordsTheSystemCursorsShown) {
  EXPECT_EQ(platform::CurrentCursorId(), IDC_ARROW_ID);
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(wait, nullptr);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(SetCursor(wait), arrow);
  EXPECT_EQ(platform::CurrentCursorId(), IDC_WAIT_ID);
  EXPECT_EQ(SetCursor(arrow), wait);
  EXPECT_EQ(platform::CursorHistory(), (std::vector<WORD>{IDC_WAIT_ID, IDC_ARROW_ID}));
  EXPECT_EQ(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(32650))), nullptr);
  // A handle that is no cursor changes nothing.
  EXPECT_EQ(SetCursor(reinterpret_cast<HCURSOR>(&wait)), arrow);
  EXPECT_EQ(platform::CurrentCursorId(), IDC_ARROW_ID);
}

// ---- Screen ----------------------------------------------------------------------------

TEST_F(UserTest, ScreenProfilesSetSizeAndScrollBars) {
  struct Case {
    platform::ScreenProfile profile;
    int width, height, scroll;
  } cases[] = {
      {platform::ScreenProfile::Portrait240x320, 240, 320, 13},
      {platform::ScreenProfile::Portrait480x640, 480, 640, 26},
      {platform::ScreenProfile::Landscape640x480, 640, 480, 26},
      {platform::ScreenProfile::Wide800x480, 800, 480, 26},
  };
  for (const Case& c : cases) {
    platform::SetScreenProfile(c.profile);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), c.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), c.height);
    EXPECT_EQ(GetSystemMetrics(SM_CXHSCROLL), c.scroll);
  }
  EXPECT_EQ(GetSystemMetrics(999), 0);
}

TEST_F(UserTest, ScreenVersionIsSettable) {
  OSVERSIONINFOW info;
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  platform::SetOsVersion(4, 21);
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 4u);
  EXPECT_EQ(info.dwMinorVersion, 21u);
  EXPECT_FALSE(GetVersionExW(nullptr));
}

// ---- CreateProcess ---------------------------------------------------------------------

TEST_F(UserTest, CreateProcessRecordsTheLaunch) {
  std::u16string commandLine = u"file:Slateway.htm#Main_Contents";
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcessW(u"peghelp.exe", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             nullptr, &info));
  EXPECT_NE(info.dwProcessId, 0u);
  EXPECT_EQ(info.hProcess, nullptr) << "nothing to close for a recorded launch";
  std::vector<platform::ProcessLaunch> launches = platform::ProcessLaunches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].application, u"peghelp.exe");
  EXPECT_EQ(launches[0].commandLine, commandLine);
  EXPECT_FALSE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                              &info));
}

TEST_F(UserTest, CreateProcessLauncherMayRefuse) {
  platform::SetProcessLauncher([](const platform::ProcessLaunch&) { return ERROR_FILE_NOT_FOUND; });
  PROCESS_INFORMATION info;
  EXPECT_FALSE(CreateProcessW(u"peghelp.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(platform::ProcessLaunches().size(), 1u) << "refused launches are recorded too";
}

}  // namespace

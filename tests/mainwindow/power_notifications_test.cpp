// The power thread: transitions reach the window's thread as sent messages, other
// broadcasts are dropped, and stopping joins the thread even while it is handing one over.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "core/Preferences.h"
#include "core/WindowMessages.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/PowerNotifications.h"
#include "mainwindow/Program.h"
#include "mainwindow/SampleDevice.h"
#include "platform/kernel/MsgQueue.h"
#include "platform/testing/Eventually.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

constexpr UINT kTransition = 1230;
std::vector<WPARAM> g_states;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kTransition) {
    g_states.push_back(wParam);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class PowerNotifications : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_states.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = u"PowerTarget";
    RegisterClassW(&wc);
    m_window = CreateWindowExW(0, u"PowerTarget", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_window);
    DeviceTest::TearDown();
  }
  // Lets the thread's sent messages in until `count` arrived or `limit` went by.
  void WaitForStates(size_t count, std::chrono::milliseconds limit = platform::testing::kEventLimit) {
    platform::testing::Eventually(
        [&] {
          MSG msg;
          PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
          return g_states.size() >= count;
        },
        limit);
  }
  void Write(HANDLE writer, DWORD message, DWORD flags, DWORD size) {
    POWER_BROADCAST broadcast;
    broadcast.Message = message;
    broadcast.Flags = flags;
    ASSERT_TRUE(WriteMsgQueue(writer, &broadcast, size, 0, 0));
  }
  HWND m_window = nullptr;
};

TEST_F(PowerNotifications, TransitionsArriveOnTheWindowThreadAndStopJoins) {
  CPowerNotifications power(m_window, kTransition);
  ASSERT_TRUE(power.Start());
  platform::InjectPowerTransition(platform::PowerTransition::Suspend);
  platform::InjectPowerTransition(platform::PowerTransition::On);
  WaitForStates(2);
  EXPECT_EQ(g_states, (std::vector<WPARAM>{POWER_STATE_SUSPEND, POWER_STATE_ON}));

  // A transition on its way while the window's thread stops the watch: both finish.
  platform::InjectPowerTransition(platform::PowerTransition::Suspend);
  power.Stop();
  EXPECT_FALSE(power.IsRunning());
  platform::InjectPowerTransition(platform::PowerTransition::On);  // no longer heard
  WaitForStates(4, std::chrono::milliseconds(50));
  EXPECT_LE(g_states.size(), 3u);
}

TEST_F(PowerNotifications, ShortOrOtherBroadcastsAreNoTransition) {
  MSGQUEUEOPTIONS options;
  options.cbMaxMessage = 4096;
  options.bReadAccess = TRUE;
  HANDLE reader = CreateMsgQueue(u"TestQ", &options);
  options.bReadAccess = FALSE;
  HANDLE writer = CreateMsgQueue(u"TestQ", &options);
  Write(writer, PBT_TRANSITION, POWER_STATE_SUSPEND, 12);
  Write(writer, PBT_POWERSTATUSCHANGE, POWER_STATE_SUSPEND, 16);
  std::vector<BYTE> longName(600, 'a');  // longer than the 44 bytes of a bare broadcast
  auto* broadcast = reinterpret_cast<POWER_BROADCAST*>(longName.data());
  broadcast->Message = PBT_TRANSITION;
  broadcast->Flags = POWER_STATE_ON | 0x12;
  ASSERT_TRUE(WriteMsgQueue(writer, longName.data(), 600, 0, 0));
  EXPECT_EQ(CPowerNotifications::ReadTransition(reader), 0u);
  EXPECT_EQ(CPowerNotifications::ReadTransition(reader), 0u);
  EXPECT_EQ(CPowerNotifications::ReadTransition(reader), POWER_STATE_ON);
  CloseMsgQueue(writer);
  CloseMsgQueue(reader);
}

class PowerWatch : public mainwindow_test::MainWindowTest {
 protected:
  void TearDown() override {
    platform::ResetScreenAndVersion();
    MainWindowTest::TearDown();
  }
};

TEST_F(PowerWatch, OnlyTheSocketScannerOnALaterSystemIsWatchedUntilClose) {
  ASSERT_TRUE(PrepareNewDevice());
  CPreferences().SetString(u"ScannerMake", u"Socket");  // the scanner chosen on Options' Bar Codes page
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    EXPECT_NE(program.GetMainFrame()->GetPowerNotifications(), nullptr);
    program.End();
  }
  platform::SetOsVersion(3, 0);
  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  EXPECT_EQ(program.GetMainFrame()->GetPowerNotifications(), nullptr);
  program.End();
}

}  // namespace

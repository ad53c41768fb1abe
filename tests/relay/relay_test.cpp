// The relay program run for real: slatelaunch reaches a main window of this test, or
// starts a stand-in main program when none runs.
#include <chrono>
#include <thread>

#include "core/RegistryKey.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/ProgramRun.h"
#include "relay/Relay.h"

namespace {

using namespace std::chrono_literals;

struct Command {
  ULONG_PTR code;
  std::u16string data;
};
std::vector<Command> g_commands;

LRESULT MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    g_commands.push_back({copy->dwData, std::u16string(static_cast<const char16_t*>(copy->lpData),
                                                       copy->cbData / sizeof(char16_t))});
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class RelayTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_commands.clear();
  }
  void TearDown() override {
    platform::SetProcessLauncher({});
    DeviceTest::TearDown();
  }

  static int Launch(const std::string& word) { return platform::testing::RunProgram(SLATEWAY_SLATELAUNCH, {word}); }
};

TEST_F(RelayTest, EachWordReachesTheRunningMainWindowAsItsCode) {
  WNDCLASSW wc;
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = u"Slateway";
  RegisterClassW(&wc);
  HWND main = CreateWindowExW(0, u"Slateway", u"Slateway", 0, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(platform::ShareWindowsWithOtherProcesses());
  const std::pair<const char*, Command> kExpected[] = {
      {"RETRIEVING_INVOICES", {73, u""}}, {"UPDATE_QB_JOBS", {43, u""}}, {"UPDATE_QB_JOBS_SILENT", {33, u""}},
      {"UPDATE_QB_ITEMS", {53, u""}},     {"CONVERT_1_TO_2", {83, u""}}, {"GET_OWNER_INFO", {63, u""}},
      {"LOAD_DB_UPDATE", {103, u"LOAD_DB_UPDATE"}}, {"GET_DB", {123, u"GET_DB"}},
      {"OPEN_DB", {133, u"OPEN_DB"}},     {"CLOSE_DB", {143, u"CLOSE_DB"}}};
  for (const auto& [word, command] : kExpected) {
    g_commands.clear();
    EXPECT_EQ(Launch(word), 0);
    ASSERT_EQ(g_commands.size(), 1u) << word;
    EXPECT_EQ(g_commands[0].code, command.code) << word;
    EXPECT_EQ(g_commands[0].data, command.data) << word;
  }
  // Nothing is sent for STOP, for an unknown word, or for a word in the wrong case.
  g_commands.clear();
  for (const char* word : {"STOP", "HELLO", "update_qb_items"}) EXPECT_EQ(Launch(word), 0);
  EXPECT_TRUE(g_commands.empty());
  platform::StopSharingWindows();
  DestroyWindow(main);
}

TEST_F(RelayTest, StartsTheMainProgramWhenNoneRunsAndThenSendsTheCommand) {
  // The folder is recorded with its closing backslash; the path gets no second one.
  CRegistryKey(nullptr, kRootKeyPath).SetString(CBstr(u"ProgramPath"), CBstr(u"\\Apps\\"));
  EXPECT_EQ(GetMainProgramPath(), u"\\Apps\\Slateway.exe");
  std::filesystem::create_directories(Root() / "Apps");
  std::filesystem::create_symlink(SLATEWAY_RELAY_RECEIVER, Root() / "Apps" / "Slateway");
  EXPECT_EQ(Launch("GET_DB"), 0);
  EXPECT_EQ(ReadText(u"\\relay-log.txt"), "123 12 GET_DB\n");

  // The program keeps running; it is found again and closed.
  HWND main = FindWindowW(u"Slateway", u"Slateway");
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(platform::testing::CloseProgramOf(main));
}

TEST_F(RelayTest, AStartThatFailsShowsTwoBoxesAndSendsNothing) {
  EXPECT_EQ(GetMainProgramPath(), u"\\Program Files\\VendelSoftware\\Slateway\\Slateway.exe");
  platform::SetProcessLauncher([](const platform::ProcessLaunch&) { return ERROR_FILE_NOT_FOUND; });
  platform::ClearProcessLaunches();
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"Could not start Slateway DedadErude Edition.  Please reinstall.").Caption(u"");
  boxes.Expect(u"\\Program Files\\VendelSoftware\\Slateway\\Slateway.exe").Caption(u"Program path");
  EXPECT_EQ(RunRelay(u"GET_DB"), 0);
  EXPECT_EQ(boxes.Pending(), 0u);
  ASSERT_EQ(platform::ProcessLaunches().size(), 1u);
  EXPECT_EQ(platform::ProcessLaunches()[0].commandLine, u"");
}

}  // namespace

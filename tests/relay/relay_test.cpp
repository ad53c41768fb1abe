// The relay program run for real: slatelaunch reaches a main window of this test, or
// starts a stand-in main program when none runs.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "core/RegistryKey.h"
#include "platform/ipc/Channel.h"
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
LRESULT g_answer = 1;  // what the window answers a command

LRESULT MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    g_commands.push_back({copy->dwData, std::u16string(static_cast<const char16_t*>(copy->lpData),
                                                       copy->cbData / sizeof(char16_t))});
    return g_answer;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class RelayTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_commands.clear();
    g_answer = 1;
  }
  void TearDown() override {
    platform::SetProcessLauncher({});
    DeviceTest::TearDown();
  }

  static int Launch(const std::string& word) { return platform::testing::RunProgram(SLATEWAY_SLATELAUNCH, {word}); }
  // A main window of this test that other processes reach; null when it cannot be shared.
  static HWND MakeSharedMainWindow() {
    WNDCLASSW wc;
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = u"Slateway";
    RegisterClassW(&wc);
    HWND main = CreateWindowExW(0, u"Slateway", u"Slateway", 0, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
    return platform::ShareWindowsWithOtherProcesses() ? main : nullptr;
  }
};

TEST_F(RelayTest, EachWordReachesTheRunningMainWindowAsItsCode) {
  HWND main = MakeSharedMainWindow();
  ASSERT_NE(main, nullptr);
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
  // Nothing is sent for STOP, for an unknown word, or for a word in the wrong case; only
  // STOP is a command (the program runs).
  g_commands.clear();
  EXPECT_EQ(Launch("STOP"), kRelayAnswered);
  for (const char* word : {"HELLO", "update_qb_items"}) EXPECT_EQ(Launch(word), kRelayUnknownWord);
  EXPECT_TRUE(g_commands.empty());
  // The program's answer that it could not carry a command out is the relay's failure.
  g_answer = 0;
  EXPECT_EQ(Launch("UPDATE_QB_ITEMS"), kRelayFailed);
  EXPECT_EQ(g_commands.size(), 1u);
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
  EXPECT_EQ(RunRelay(u"GET_DB"), kRelayNoAnswer);
  EXPECT_EQ(boxes.Pending(), 0u);
  ASSERT_EQ(platform::ProcessLaunches().size(), 1u);
  EXPECT_EQ(platform::ProcessLaunches()[0].commandLine, u"");
}

TEST_F(RelayTest, UsageErrorsAndUnknownWordsStartNothingAndHelpTouchesNoDevice) {
  // A start would work: the stand-in waits where the relay looks for the program.
  CRegistryKey(nullptr, kRootKeyPath).SetString(CBstr(u"ProgramPath"), CBstr(u"\\Apps"));
  std::filesystem::create_directories(Root() / "Apps");
  std::filesystem::create_symlink(SLATEWAY_RELAY_RECEIVER, Root() / "Apps" / "Slateway");
  auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Root())) names.push_back(entry.path());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> before = listing();
  EXPECT_EQ(Launch("--help"), 0);
  EXPECT_EQ(Launch("--version"), 0);
  EXPECT_EQ(listing(), before) << "help and version touch no device";

  EXPECT_EQ(platform::testing::RunProgram(SLATEWAY_SLATELAUNCH, {}), kRelayUnknownWord) << "no word";
  EXPECT_EQ(Launch("--bogus"), kRelayUnknownWord);
  EXPECT_EQ(Launch("HELLO"), kRelayUnknownWord);
  EXPECT_EQ(Launch("get_db"), kRelayUnknownWord);
  EXPECT_EQ(FindWindowW(u"Slateway", u"Slateway"), nullptr) << "nothing was started";
  EXPECT_FALSE(std::filesystem::exists(Root() / "relay-log.txt"));
}

TEST_F(RelayTest, StalledConnectionsNeitherPileUpThreadsNorKeepOutARealCommand) {
  HWND main = MakeSharedMainWindow();
  ASSERT_NE(main, nullptr);
  auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator());
  };
  const auto threadsBefore = threads();
  // Peers that connect and never finish a request, far more than are read at once.
  std::vector<platform::ipc::UniqueFd> stalled;
  for (int i = 0; i < 300; ++i) {
    stalled.emplace_back(platform::ipc::ConnectTo(static_cast<DWORD>(getpid())));
    ASSERT_TRUE(stalled.back()) << i;
    if (i % 3 == 0) ::send(stalled.back().get(), "SWIP", 4, MSG_NOSIGNAL);
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Launch("GET_DB"), kRelayAnswered);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(g_commands.size(), 1u);
  EXPECT_EQ(g_commands[0].code, 123u);
  // The relay itself takes a few tens of milliseconds; a command that waited for the
  // stalled peers to be cut would take their five seconds.
  EXPECT_LT(took, 3s);
  EXPECT_LE(threads(), threadsBefore + 5) << "the acceptor's workers at most";
  // Most stalled peers were cut to make room; those still read are at most the bound.
  size_t open = 0;
  for (const auto& fd : stalled) {
    char byte;
    if (::recv(fd.get(), &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN) ++open;
  }
  EXPECT_LE(open, 32u);
  platform::StopSharingWindows();
  DestroyWindow(main);
}

}  // namespace

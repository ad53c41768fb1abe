// Windows and events across processes. The window cases reach this process's
// own windows through its socket, as another process does; events cross a fork.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/ipc/Channel.h"
#include "platform/platform.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/Eventually.h"

using namespace platform::ipc;

namespace {

struct Received {
  ULONG_PTR code = 0;
  std::string bytes;
  const void* where = nullptr;
};
std::vector<Received> g_received;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    g_received.push_back({copy->dwData, std::string(static_cast<const char*>(copy->lpData), copy->cbData), copy->lpData});
    return 7;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class IpcTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_received.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = u"Receiver";
    RegisterClassW(&wc);
    ASSERT_TRUE(platform::ShareWindowsWithOtherProcesses());
  }
  void TearDown() override {
    platform::StopSharingWindows();
    platform::SetCrossProcessReplyLimit(0);
    DeviceTest::TearDown();
  }
  HWND MakeWindow(LPCWSTR title) {
    return CreateWindowExW(0, u"Receiver", title, 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }
  // How another process names `hwnd`.
  static HWND Across(HWND hwnd) {
    return ForeignHandle(static_cast<DWORD>(getpid()), reinterpret_cast<std::uintptr_t>(hwnd));
  }
  // Writes raw bytes to this process's socket and reads the answer.
  static ReplyFrame Raw(const FrameHeader& header, std::string_view body) {
    UniqueFd fd(ConnectTo(static_cast<DWORD>(getpid())));
    EXPECT_TRUE(fd);
    WriteAll(fd.get(), &header, sizeof(header));
    WriteAll(fd.get(), body.data(), body.size());
    ::shutdown(fd.get(), SHUT_WR);
    ReplyFrame reply;
    reply.magic = 0;
    EXPECT_TRUE(ReadAll(fd.get(), &reply, sizeof(reply), 5000));
    return reply;
  }
};

TEST_F(IpcTest, CopyDataArrivesAsACopyAndTheAnswerComesBack) {
  HWND w = MakeWindow(u"Main");
  char text[] = "DBUpdate";
  COPYDATASTRUCT copy{53, 8, text};
  EXPECT_EQ(SendMessageW(Across(w), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 7);
  ASSERT_EQ(g_received.size(), 1u);
  EXPECT_EQ(g_received[0].code, 53u);
  EXPECT_EQ(g_received[0].bytes, "DBUpdate");
  EXPECT_NE(g_received[0].where, text);

  // Larger than allowed, a block that is missing, or a message whose pointer cannot
  // cross: refused by the sender.
  std::string big(platform::kMaxCopyDataBytes + 1, 'x');
  COPYDATASTRUCT tooBig{1, static_cast<DWORD>(big.size()), big.data()};
  COPYDATASTRUCT missing{1, 4, nullptr};
  EXPECT_EQ(SendMessageW(Across(w), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&tooBig)), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SendMessageW(Across(w), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&missing)), 0);
  EXPECT_EQ(SendMessageW(Across(w), WM_USER + 1, 0, reinterpret_cast<LPARAM>(&copy)), 0);
  EXPECT_EQ(g_received.size(), 1u);

  // A sender that claims more than the limit, or sends less than it claims, is refused
  // by the receiver before the window sees anything.
  FrameHeader header;
  header.kind = static_cast<std::uint32_t>(Request::Send);
  header.hwnd = reinterpret_cast<std::uintptr_t>(w);
  header.msg = WM_COPYDATA;
  header.size = platform::kMaxCopyDataBytes + 1;
  EXPECT_EQ(Raw(header, "").status, static_cast<std::uint32_t>(ReplyStatus::Refused));
  header.size = 100;
  EXPECT_EQ(Raw(header, "only ten b").status, static_cast<std::uint32_t>(ReplyStatus::Refused));
  platform::PumpMessages();
  EXPECT_EQ(g_received.size(), 1u);
  DestroyWindow(w);
  // A window that is gone is no window to the sender either.
  EXPECT_EQ(SendMessageW(Across(w), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 0);
}

TEST_F(IpcTest, ForegroundMovesToTheNamedWindow) {
  HWND a = MakeWindow(u"A");
  HWND b = MakeWindow(u"B");
  SetForegroundWindow(b);
  EXPECT_TRUE(SetForegroundWindow(Across(a)));
  // The window's own thread brings it forward once it reads its messages.
  platform::testing::Eventually([&] {
    platform::PumpMessages();
    return GetForegroundWindow() == a;
  });
  EXPECT_EQ(GetForegroundWindow(), a);
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST_F(IpcTest, AReceiverThatDoesNotAnswerOrDiesNeverHangsTheSender) {
  // A window whose thread is busy: the sender gives up at the reply limit.
  std::promise<HWND> made;
  std::promise<void> release;
  std::thread owner([&] {
    HWND w = MakeWindow(u"Busy");
    made.set_value(w);
    release.get_future().wait();
    platform::PumpMessages();
    DestroyWindow(w);
  });
  HWND busy = made.get_future().get();
  platform::SetCrossProcessReplyLimit(200);
  COPYDATASTRUCT copy{1, 0, nullptr};
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageW(Across(busy), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 0);
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, platform::testing::kEventLimit);  // not hung
  release.set_value();
  owner.join();

  // A peer that takes the request and dies answers at once, as does one that is not there.
  constexpr DWORD kGone = 0x7FFFFFF0;
  UniqueFd listening(ListenAt(SocketPath(kGone)));
  ASSERT_TRUE(listening);
  std::thread dying([&] {
    UniqueFd peer(::accept(listening.get(), nullptr, nullptr));
    FrameHeader header;
    ReadAll(peer.get(), &header, sizeof(header), 5000);
  });
  platform::SetCrossProcessReplyLimit(0);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageW(ForeignHandle(kGone, 0x10004), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  dying.join();
  listening.reset();
  ::unlink(SocketPath(kGone).c_str());
  EXPECT_EQ(SendMessageW(ForeignHandle(kGone, 0x10004), WM_CLOSE, 0, 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, platform::testing::kEventLimit);  // not hung
}

TEST_F(IpcTest, ANamedEventIsOneObjectForEveryProcess) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"KTWJUMPSTART");
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(event, 20), WAIT_TIMEOUT);
  pid_t child = fork();
  if (child == 0) {
    HANDLE same = CreateEventW(nullptr, TRUE, FALSE, u"KTWJUMPSTART");
    bool opened = same && GetLastError() == ERROR_ALREADY_EXISTS;
    _exit(opened && SetEvent(same) ? 0 : 1);
  }
  EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
  // Manual reset: it stays signalled until reset.
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);
  CloseHandle(event);
  // With every holder gone, the name makes a new event with the state asked for.
  event = CreateEventW(nullptr, FALSE, TRUE, u"KTWJUMPSTART");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);  // an automatic reset
  CloseHandle(event);
}

// The lock that keeps two programs of a device apart: one holder at a time, and a holder
// that dies without letting go (killed) lets go all the same.
TEST_F(IpcTest, ADeviceLockHasOneHolderAndADeadOneLetsGo) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    platform::CDeviceLock held;
    const char taken = held.TryTake(u"Slateway") && held.IsHeld() ? 1 : 0;
    if (::write(ready[1], &taken, 1) != 1) _exit(1);
    ::pause();  // killed while holding it
    _exit(0);
  }
  char taken = 0;
  ASSERT_EQ(::read(ready[0], &taken, 1), 1);
  EXPECT_EQ(taken, 1);
  platform::CDeviceLock lock;
  EXPECT_FALSE(lock.TryTake(u"Slateway"));
  EXPECT_TRUE(lock.TryTake(u"Other")) << "another name is another lock";
  ::kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  platform::CDeviceLock after;
  EXPECT_TRUE(after.TryTake(u"Slateway"));
  platform::CDeviceLock second;  // a second holder in the same process is refused too
  EXPECT_FALSE(second.TryTake(u"Slateway"));
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace

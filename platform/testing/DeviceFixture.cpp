#include "platform/testing/DeviceFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/shell/Shell.h"
#include "platform/user/Menu.h"
#include "platform/user/Window.h"

namespace platform::testing {

SYSTEMTIME DefaultTestTime() {
  SYSTEMTIME t;
  t.wYear = 2026;
  t.wMonth = 3;
  t.wDayOfWeek = 2;
  t.wDay = 10;
  t.wHour = 9;
  t.wMinute = 30;
  return t;
}

void DeviceTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "slateway-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  ASSERT_NE(made, nullptr) << "cannot make a temporary device root";
  m_root = made;
  CloseAllKernelHandles();
  ResetWindowSystem();
  ResetShell();
  ResetPimStore();
  SetDeviceRoot(m_root);
  ReloadRegistry();
  ClearFaults();
  TestClock::Set(DefaultTestTime());
  CaptureDebugOutput(false);
  SetLastError(ERROR_SUCCESS);
}

void DeviceTest::TearDown() {
  ClearFaults();
  EXPECT_EQ(OpenRegistryKeyCount(), 0) << "a registry key was left open";
  EXPECT_EQ(OpenKernelHandleCount(), 0) << "a file or search handle was left open";
  EXPECT_EQ(LiveWindowCount(), 0) << "a window was left open:\n" << DescribeScreen();
  EXPECT_EQ(LiveMenuCount(), 0) << "a menu was left undestroyed";
  ResetWindowSystem();
  ResetShell();
  CloseAllKernelHandles();
  ResetPimStore();
  ReloadRegistry();
  TestClock::Clear();
  std::error_code ec;
  std::filesystem::remove_all(m_root, ec);
}

void DeviceTest::WriteText(std::u16string_view devicePath, std::string_view bytes) {
  std::filesystem::path p = MapDevicePath(devicePath);
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << p;
}

std::string DeviceTest::ReadText(std::u16string_view devicePath) const {
  std::ifstream in(MapDevicePath(devicePath), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void DeviceTest::Restart() {
  CloseAllKernelHandles();
  ReloadRegistry();
}

}  // namespace platform::testing

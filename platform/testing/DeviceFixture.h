// The test device: each test runs inside a fresh temporary device root with an empty
// registry and the test clock standing at a fixed moment.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace platform::testing {

// The moment the test clock shows when a test starts: Tuesday 2026-03-10 09:30:00 local,
// UTC+0.
SYSTEMTIME DefaultTestTime();

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The Linux folder that plays "\" for this test.
  const std::filesystem::path& Root() const { return m_root; }
  // Linux path of a device path.
  std::filesystem::path Linux(std::u16string_view devicePath) const { return MapDevicePath(devicePath); }
  // Writes and reads whole files by device path (for arranging and checking).
  void WriteText(std::u16string_view devicePath, std::string_view bytes);
  std::string ReadText(std::u16string_view devicePath) const;
  // Drops the registry and open handles held in memory, as a device restart does.
  void Restart();

 private:
  std::filesystem::path m_root;
};

}  // namespace platform::testing

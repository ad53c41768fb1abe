// The device a user gets, for every test of the program's code: the build runs the real
// `slateway-install` unattended on an empty device root (and, for the first-started device,
// the program's first start after it), and each test starts from a copy in its own fresh
// root. The test finds what the installer and the setup library leave, with their questions
// answered by their defaults and en-US regional settings, not a hand-made arrangement; after
// the first start also the sample documents. A default that breaks a user's device breaks
// the tests that read it.
#pragma once

#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/testing/DeviceFixture.h"

namespace slateway::testing {

enum class DeviceStage {
  Installed,     // slateway-install has run; the program has never started
  FirstStarted,  // and the program's first start has laid out its sample documents
};

// True for the program's own code (an executable or shared library) in its program folder:
// only an installation replaces it, by putting a whole new folder in the old one's place,
// never by writing into it, so every test's device can share the test device's file. The
// device's libraries in \Windows\ are copied: tests put other builds in their place.
inline bool IsProgramCode(const std::filesystem::path& relative, const std::filesystem::path& file) {
  if (relative.parent_path() != std::filesystem::path("Program Files") / "Slateway") return false;
  char magic[4] = {};
  std::ifstream(file, std::ios::binary).read(magic, sizeof magic);
  return std::string_view(magic, sizeof magic) == "\x7f" "ELF";
}

// Copies the test device of `stage` into the empty folder `root`. The program's code is
// linked rather than copied: it is most of the device's bytes, and a suite makes hundreds
// of devices. Every other file is the test's own to change.
inline void LayDownDevice(const std::filesystem::path& root, DeviceStage stage) {
  namespace fs = std::filesystem;
  const fs::path from = fs::path(SLATEWAY_TEST_DEVICE) / (stage == DeviceStage::Installed ? "installed" : "started");
  ASSERT_TRUE(fs::is_directory(from)) << from << " is missing: build the test_device target";
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::path relative = it->path().lexically_relative(from), to = root / relative;
    if (it->is_directory()) {
      fs::create_directory(to, ec);
    } else {
      const bool linked = IsProgramCode(relative, it->path()) && (fs::create_hard_link(it->path(), to, ec), !ec);
      // A link cannot cross to another file system: there the file is copied.
      if (!linked) fs::copy_file(it->path(), to, ec);
    }
    ASSERT_FALSE(ec) << "cannot lay " << to << " down: " << ec.message();
  }
  ASSERT_FALSE(ec) << "cannot read the test device " << from << ": " << ec.message();
}

class InstalledDeviceTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    LayDownDevice(Root(), m_stage);
    Restart();  // the registry as the copied hives hold it
  }

  // The device the test starts from; a fixture that wants the first-started one sets it
  // before SetUp.
  DeviceStage m_stage = DeviceStage::Installed;
};

}  // namespace slateway::testing

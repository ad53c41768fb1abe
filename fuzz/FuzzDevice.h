// A device for fuzz targets: one temporary device root for the whole run, emptied before
// every input so that no input sees what an earlier one left, and message boxes answered
// with OK and counted.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

#include "platform/base/Faults.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"
#include "platform/user/MessageBox.h"

namespace fuzzing {

class CountingBoxes final : public platform::MessageBoxHandler {
 public:
  int OnMessageBox(const platform::MessageBoxRecord&) override {
    ++shown;
    return IDOK;
  }
  int shown = 0;
};

class FuzzDevice {
 public:
  static FuzzDevice& Get() {
    static FuzzDevice device;
    return device;
  }
  // Empties the device and the registry and writes `bytes` into the device file `name`
  // (a path below the root, folders separated by "/"; missing folders are made).
  void Reset(std::string_view name, const uint8_t* data, size_t size) {
    platform::CloseAllKernelHandles();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_root, ec))
      std::filesystem::remove_all(entry.path(), ec);
    platform::ReloadRegistry();
    platform::ClearFaults();
    std::filesystem::create_directories((m_root / name).parent_path(), ec);
    std::ofstream(m_root / name, std::ios::binary).write(reinterpret_cast<const char*>(data),
                                                         static_cast<std::streamsize>(size));
    boxes.shown = 0;
  }
  const std::filesystem::path& Root() const { return m_root; }
  CountingBoxes boxes;

 private:
  FuzzDevice() {
    std::string pattern = (std::filesystem::temp_directory_path() / "slateway-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    m_root = pattern;
    platform::SetDeviceRoot(m_root);
    platform::SetMessageBoxHandler(&boxes);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Get().m_root, ec);
    });
  }
  std::filesystem::path m_root;
};

// Stops the run on a broken promise, so that libFuzzer keeps the input.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace fuzzing

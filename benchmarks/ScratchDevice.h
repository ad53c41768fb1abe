// The scratch device every benchmark runs on: a new temporary folder made the device root,
// with the build's language library installed in the program folder when a benchmark
// needs it (SLATEWAY_RESOURCE_LIBRARY, which such a benchmark defines).
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/ResourceText.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/Module.h"

namespace bench {

// A device root of its own, removed with the object (unless kept).
class ScratchDevice {
 public:
  enum class Language { None, Loaded };

  explicit ScratchDevice(Language language = Language::None) {
    std::string pattern = (std::filesystem::temp_directory_path() / "slateway-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    m_root = pattern;
    platform::SetDeviceRoot(m_root);
#ifdef SLATEWAY_RESOURCE_LIBRARY
    if (language == Language::Loaded) LoadLanguage();
#else
    (void)language;
#endif
  }
  ~ScratchDevice() {
    if (m_library) {
      SetResourceInstance(nullptr);
      FreeLibrary(m_library);
    }
    std::error_code ignored;
    if (!m_keep) std::filesystem::remove_all(m_root, ignored);
  }
  ScratchDevice(const ScratchDevice&) = delete;
  ScratchDevice& operator=(const ScratchDevice&) = delete;

  const std::filesystem::path& Root() const { return m_root; }
  // Leaves the folder in place when the object goes, for looking at what the run wrote.
  void Keep() { m_keep = true; }

#ifdef SLATEWAY_RESOURCE_LIBRARY
  // Copies the language library into the program folder, as the installer lays it out.
  void InstallLanguage() const {
    const std::filesystem::path folder = m_root / "Program Files" / "Slateway";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, folder / "QVNLANGUAGE.DLL",
                               std::filesystem::copy_options::overwrite_existing);
  }
  // Installs the language library and loads it as the resource library, once; the run
  // ends when it cannot be loaded. Returns the library, freed with the object.
  HMODULE LoadLanguage() {
    if (m_library) return m_library;
    InstallLanguage();
    m_library = LoadLibraryW(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
    if (!m_library) {
      std::fprintf(stderr, "the language library did not load\n");
      std::abort();
    }
    SetResourceInstance(m_library);
    return m_library;
  }
#endif

 private:
  std::filesystem::path m_root;
  HMODULE m_library = nullptr;
  bool m_keep = false;
};

// The run's one scratch device, made at its first use and removed when the run ends. A
// static made after it (a store opened on it) is destroyed first, so it closes in time.
inline ScratchDevice& Scratch() {
  static ScratchDevice device;
  return device;
}

}  // namespace bench

// A test device with the built language library installed in the program folder, the
// root key's "ProgramPath" pointing there, and the library loaded as the program's
// resource instance. Resets the program-wide interface state around each test.
#pragma once

#include <filesystem>
#include <string>

#include "core/ResourceLibrary.h"
#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "core/WaitCursor.h"
#include "platform/module/Module.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Cursor.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Screen.h"

namespace slateway::testing {

inline constexpr char16_t kProgramFolder[] = u"\\Program Files\\Slateway";

class LanguageLibraryTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ResetInterfaceState();
    InstallLibrary();
    SetProgramPath(kProgramFolder);
    if (m_loadLibrary) {
      ASSERT_TRUE(LoadResourceLibrary());
    }
  }
  void TearDown() override {
    FreeResourceLibrary();
    EXPECT_EQ(platform::LoadedModuleCount(), 0) << "a module was left loaded";
    ResetInterfaceState();
    DeviceTest::TearDown();
  }

  void InstallLibrary() {
    std::filesystem::path target = Linux(std::u16string(kProgramFolder) + u"\\QVNLANGUAGE.DLL");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, target, std::filesystem::copy_options::overwrite_existing);
  }

  void SetProgramPath(std::u16string_view folder) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway", 0, nullptr, 0, 0, nullptr,
                              &key, &disposition),
              static_cast<LONG>(ERROR_SUCCESS));
    std::u16string value(folder);
    RegSetValueExW(key, u"ProgramPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
  }

  static void ResetInterfaceState() {
    EndWaitCursor(true);
    platform::ResetCursor();
    platform::ResetScreenAndVersion();
    SetHighResolution(false);
    platform::ClearMessageBoxLog();
    platform::ClearProcessLaunches();
    platform::SetProcessLauncher({});
  }

  // Tests that arrange a broken installation themselves clear this before SetUp.
  bool m_loadLibrary = true;
};

}  // namespace slateway::testing

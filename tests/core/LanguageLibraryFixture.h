// The installed device with the language library loaded from its program folder as the
// program's resource instance. Resets the program-wide interface state around each test.
#pragma once

#include <filesystem>
#include <string>

#include "core/ResourceLibrary.h"
#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "core/WaitCursor.h"
#include "InstalledDeviceFixture.h"
#include "platform/module/Module.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/user/Cursor.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Screen.h"

namespace slateway::testing {

inline constexpr char16_t kProgramFolder[] = u"\\Program Files\\Slateway";

class LanguageLibraryTest : public InstalledDeviceTest {
 protected:
  void SetUp() override {
    InstalledDeviceTest::SetUp();
    ResetInterfaceState();
    if (m_loadLibrary) {
      ASSERT_TRUE(LoadResourceLibrary());
    }
  }
  void TearDown() override {
    FreeResourceLibrary();
    EXPECT_EQ(platform::LoadedModuleCount(), 0) << "a module was left loaded";
    ResetInterfaceState();
    InstalledDeviceTest::TearDown();
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

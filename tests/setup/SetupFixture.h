// A device for the setup library: the program's registry values and data folder files
// arranged and read back by name, with scripted answers to the library's questions.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MessageBoxScript.h"
#include "setup/SetupRegistryKey.h"

namespace setup_test {

inline constexpr char16_t kDataFolder[] = u"\\Application Data\\VendelSoftware\\Slateway";
inline constexpr char16_t kDatabase[] = u"\\Application Data\\VendelSoftware\\Slateway\\Database\\Slateway.db";

class SetupTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::ClearProcessLaunches();
  }

  static void SetRoot(std::u16string_view name, std::u16string_view text) {
    ASSERT_TRUE(CSetupRegistryKey().SetString(name, text));
  }
  static void SetPreference(std::u16string_view name, std::u16string_view text) {
    ASSERT_TRUE(OpenPreferencesKey()->SetString(name, text));
  }
  static std::optional<DWORD> Dword(const char16_t* key, std::u16string_view name) {
    DWORD value = 0;
    CSetupRegistryKey k(HKEY_CURRENT_USER, key);
    return k.GetDword(name, value) ? std::optional<DWORD>(value) : std::nullopt;
  }
  static std::optional<DWORD> RootDword(std::u16string_view name) { return Dword(kSetupRootKey, name); }
  static std::u16string Preference(std::u16string_view name) {
    std::u16string text;
    OpenPreferencesKey()->GetString(name, text);
    return text;
  }
  static std::u16string DataFile(std::u16string_view name) { return std::u16string(kDataFolder) + u"\\" + std::u16string(name); }
  bool Exists(std::u16string_view devicePath) const { return std::filesystem::exists(Linux(devicePath)); }
  void Place(std::u16string_view devicePath, std::string_view bytes) {
    std::filesystem::create_directories(Linux(devicePath).parent_path());
    WriteText(devicePath, bytes);
  }

  platform::testing::MessageBoxScript boxes;
};

inline constexpr char16_t kTaxQuestion[] = u"Will you be charging sales tax with Slateway?";
inline constexpr char16_t kSettingsQuestion[] =
    u"Would you like to use your existing Slateway settings? This may take a few minutes.";
inline constexpr char16_t kStartQuestion[] = u"Would you like to start Slateway now?";
inline constexpr char16_t kKeepItemsQuestion[] =
    u"Would you like to keep your existing Items List?\n\n Select \"Yes\" to keep the list, or select \"No\" to "
    u"delete the list.";
inline constexpr char16_t kKeepSettingsQuestion[] =
    u"Would you like to keep your existing Options and Templates settings?\n\n Select \"Yes\" to keep the settings, "
    u"or select \"No\" to delete the settings (this may take a few minutes).";

}  // namespace setup_test

// The setup library's export of the program's settings into the settings file
// "SlatewaySettings.oat" of the data folder, from which the program restores them at its
// next start.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/registry/Registry.h"

enum class SettingsExportMode {
  Keep = 0,       // removal: every value is written
  Migration = 1,  // install over an earlier version: its storage locations are left out
};

inline constexpr char16_t kSettingsFileName[] = u"SlatewaySettings.oat";

// Writes the file (created anew). A file that cannot be written is reported in a box
// owned by the foreground window; false then.
bool ExportSettings(SettingsExportMode mode);

// One value element: "<name TYPE='t'>text</name>", the name without its blanks.
std::u16string FormatRegistryValue(std::u16string_view name, DWORD type, const BYTE* data, DWORD size);
// A text of the root key carried into the Preferences element: a type 'S' element.
std::u16string FormatCarriedValue(std::u16string_view name, std::u16string_view text);
// The value elements of one key; in migration mode without the storage locations.
void WriteKeyValues(HKEY key, SettingsExportMode mode, std::u16string& out);

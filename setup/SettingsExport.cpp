#include "setup/SettingsExport.h"

#include <algorithm>
#include <array>

#include "core/SettingsFileText.h"
#include "core/WaitCursor.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"
#include "setup/SetupFolders.h"
#include "setup/SetupRegistryKey.h"

namespace {

// Texts that versions before 5 kept in the root key and that now live in Preferences.
constexpr std::array<const char16_t*, 16> kCarriedValues = {
    pref::kInvoicePath.name,          pref::kInvoiceLocation.name,      pref::kFirstCompany.name.name,
    pref::kFirstCompany.address1.name, pref::kFirstCompany.address2.name, pref::kFirstCompany.address3.name,
    pref::kFirstCompany.email.name,   pref::kFirstCompany.phone.name,   pref::kFirstCompany.showLogo.name,
    pref::kCompanyB.name.name,        pref::kCompanyB.address1.name,    pref::kCompanyB.address2.name,
    pref::kCompanyB.address3.name,    pref::kCompanyB.email.name,       pref::kCompanyB.phone.name,
    pref::kCompanyB.showLogo.name};

// Where the new installation keeps its own files: not carried over an upgrade.
constexpr std::array<const char16_t*, 5> kLocationValues = {pref::kDatabase.name, pref::kDatabasePath.name,
                                                            pref::kImagePath.name, pref::kLogoPath.name,
                                                            pref::kDbLocation.name};

// The program's own keys lie at most two levels below the root key.
constexpr int kMaxDepth = 16;

bool IsLocationValue(std::u16string_view name) {
  return std::any_of(kLocationValues.begin(), kLocationValues.end(),
                     [&](const char16_t* location) { return platform::EqualsIgnoreCase(name, location); });
}

struct ExportWalk {
  SettingsExportMode mode;
  std::u16string carried;  // the carried-over elements, or empty
  std::u16string text;

  void Subkeys(HKEY key, int depth) {
    ForEachRegistrySubkey(key, [&](const std::u16string& name) { Key(key, name, depth); });
  }

  // A subkey's element (empty when it cannot be opened), then the elements below it.
  void Key(HKEY parent, const std::u16string& name, int depth) {
    CRegKeyHandle key;
    bool open = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    text += u"<" + name + u">";
    if (depth == 1 && platform::EqualsIgnoreCase(name, u"Preferences")) text += carried;
    if (open) WriteKeyValues(key.get(), mode, text);
    text += u"</" + name + u">";
    if (open && depth < kMaxDepth) Subkeys(key.get(), depth + 1);
  }
};

}  // namespace

std::u16string FormatRegistryValue(std::u16string_view name, DWORD type, const BYTE* data, DWORD size) {
  std::u16string element(name);
  element.erase(std::remove(element.begin(), element.end(), u' '), element.end());
  std::u16string letter;
  std::u16string value = FormatSettingsValue(type, data, size, &letter);
  return u"<" + element + u" TYPE='" + letter + u"'>" + value + u"</" + element + u">";
}

std::u16string FormatCarriedValue(std::u16string_view name, std::u16string_view text) {
  std::u16string value(text);
  return FormatRegistryValue(name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

void WriteKeyValues(HKEY key, SettingsExportMode mode, std::u16string& out) {
  ForEachRegistryValue(key, [&](const std::u16string& name, DWORD type, const BYTE* data, DWORD size) {
    if (mode == SettingsExportMode::Migration && IsLocationValue(name)) return;
    out += FormatRegistryValue(name, type, data, size);
  });
}

bool ExportSettings(SettingsExportMode mode) {
  CWaitCursorScope wait;
  std::u16string path = GetDataFolder(true) + u"\\" + kSettingsFileName;
  ExportWalk walk{mode, {}, kSettingsFileHeader};
  {
    CSetupRegistryKey root;
    // Versions before 5 kept the company block and the documents' place in the root key.
    if (GetStoredVersion(root) < 5.0) {
      for (const char16_t* name : kCarriedValues) {
        std::u16string value;
        if (root.GetString(name, value) && !value.empty()) walk.carried += FormatCarriedValue(name, value);
      }
    }
  }
  CRegKeyHandle root;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSetupRootKey, 0, KEY_READ, root.put()) == ERROR_SUCCESS)
    walk.Subkeys(root.get(), 1);
  walk.text += kSettingsFileFooter;
  // The device's ANSI code page is UTF-8, so no character is lost on the way to the file.
  if (platform::WriteFileAtomic(platform::MapDevicePath(path), platform::ToUtf8(walk.text))) return true;
  std::u16string message = u"Could not save previous settings to '" + path + u"'. Error: " +
                           platform::ToUtf16(std::to_string(GetLastError()));
  MessageBoxW(GetForegroundWindow(), message.c_str(), u"Slateway", MB_OK);
  return false;
}

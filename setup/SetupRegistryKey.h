// The setup library's registry key: one key opened (created when missing) for the object's
// lifetime, with string and DWORD values, and the Preferences helpers built on it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/PreferenceTable.h"
#include "platform/registry/RegKeyHandle.h"

// The program's root key and its Preferences subkey under HKEY_CURRENT_USER.
inline constexpr char16_t kSetupRootKey[] = u"Software\\VendelSoftware\\Slateway";
inline constexpr char16_t kSetupPreferencesKey[] = u"Software\\VendelSoftware\\Slateway\\Preferences";

class CSetupRegistryKey {
 public:
  // A null root means HKEY_CURRENT_USER, a null subkey the program's root key. A key that
  // cannot be opened leaves an object whose calls all answer false.
  explicit CSetupRegistryKey(HKEY root = nullptr, const char16_t* subkey = nullptr);
  virtual ~CSetupRegistryKey() = default;
  CSetupRegistryKey(const CSetupRegistryKey&) = delete;
  CSetupRegistryKey& operator=(const CSetupRegistryKey&) = delete;

  bool IsOpen() const { return static_cast<bool>(m_key); }
  // Closes the key; true when it was closed or none was open.
  bool Close();
  bool SetDword(std::u16string_view name, DWORD value);
  // A REG_SZ with its terminating null.
  bool SetString(std::u16string_view name, std::u16string_view text);
  // True when the value exists, read whole however long it is; `text` is replaced only
  // when the value is not empty. On false, GetLastError tells why (ERROR_FILE_NOT_FOUND:
  // the value is missing).
  bool GetString(std::u16string_view name, std::u16string& text);
  bool DeleteValue(std::u16string_view name);
  // True when the value exists; reads at most its first 4 bytes.
  bool GetDword(std::u16string_view name, DWORD& value);

 private:
  CRegKeyHandle m_key;
};

std::unique_ptr<CSetupRegistryKey> OpenPreferencesKey();
// 1 with the value's text when it exists; 0 otherwise, `text` (the default) left as it
// was. Only a missing value has the default written back; a stored value is never written
// over.
int GetPreferenceString(CSetupRegistryKey& key, const TextPreference& preference, std::u16string& text);
bool SetPreferenceDword(CSetupRegistryKey& key, const DwordPreference& preference, DWORD value);
bool SetPreferenceString(CSetupRegistryKey& key, const TextPreference& preference, std::u16string_view text);

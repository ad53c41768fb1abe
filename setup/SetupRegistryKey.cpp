#include "setup/SetupRegistryKey.h"

#include <vector>

namespace {
// Texts are read first into a buffer of this many characters, terminator included.
constexpr DWORD kTextBufferChars = 260;
}  // namespace

CSetupRegistryKey::CSetupRegistryKey(HKEY root, const char16_t* subkey) {
  if (!root) root = HKEY_CURRENT_USER;
  if (!subkey) subkey = kSetupRootKey;
  if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.put(), nullptr) != ERROR_SUCCESS)
    m_key.reset();
}

bool CSetupRegistryKey::Close() {
  m_key.reset();
  return true;
}

bool CSetupRegistryKey::SetDword(std::u16string_view name, DWORD value) {
  if (!m_key) return false;
  std::u16string n(name);
  return RegSetValueExW(m_key.get(), n.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

bool CSetupRegistryKey::SetString(std::u16string_view name, std::u16string_view text) {
  if (!m_key) return false;
  std::u16string n(name), t(text);
  // The whole text and its terminator, so that readers find the text ended.
  DWORD bytes = static_cast<DWORD>((t.size() + 1) * sizeof(char16_t));
  return RegSetValueExW(m_key.get(), n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool CSetupRegistryKey::GetString(std::u16string_view name, std::u16string& text) {
  if (!m_key) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  std::u16string n(name);
  // Most texts fit the first buffer; a longer one is read again whole at the size the
  // registry gives, one spare character keeping the text ended.
  std::vector<char16_t> buffer(kTextBufferChars + 1, 0);
  DWORD bytes = kTextBufferChars * sizeof(char16_t);
  LONG rc = RegQueryValueExW(m_key.get(), n.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  if (rc == ERROR_MORE_DATA) {
    buffer.assign(bytes / sizeof(char16_t) + 2, 0);
    bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(char16_t));
    rc = RegQueryValueExW(m_key.get(), n.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  }
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  std::u16string value(buffer.data());
  if (!value.empty()) text = value;
  return true;
}

bool CSetupRegistryKey::GetDword(std::u16string_view name, DWORD& value) {
  if (!m_key) return false;
  std::u16string n(name);
  BYTE data[4] = {};
  DWORD bytes = sizeof data;
  if (RegQueryValueExW(m_key.get(), n.c_str(), nullptr, nullptr, data, &bytes) != ERROR_SUCCESS) return false;
  value = static_cast<DWORD>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24);
  return true;
}

bool CSetupRegistryKey::DeleteValue(std::u16string_view name) {
  std::u16string n(name);
  return m_key && RegDeleteValueW(m_key.get(), n.c_str()) == ERROR_SUCCESS;
}

std::unique_ptr<CSetupRegistryKey> OpenPreferencesKey() {
  return std::make_unique<CSetupRegistryKey>(HKEY_CURRENT_USER, kSetupPreferencesKey);
}

int GetPreferenceString(CSetupRegistryKey& key, const TextPreference& preference, std::u16string& text) {
  if (key.GetString(preference.name, text)) return 1;
  // Only a missing value takes the default: one that could not be read is the user's
  // and stays as it is stored.
  if (GetLastError() == ERROR_FILE_NOT_FOUND) key.SetString(preference.name, text);
  return 0;
}

bool SetPreferenceDword(CSetupRegistryKey& key, const DwordPreference& preference, DWORD value) {
  return key.SetDword(preference.name, value);
}

bool SetPreferenceString(CSetupRegistryKey& key, const TextPreference& preference, std::u16string_view text) {
  return key.SetString(preference.name, text);
}

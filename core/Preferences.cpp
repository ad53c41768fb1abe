#include "core/Preferences.h"

#include <cassert>

std::unique_ptr<CRegistryKey> CPreferences::s_key;
int CPreferences::s_useCount = 0;
bool CPreferences::s_useOutlook = false;
bool CPreferences::s_displayBalances = false;
bool CPreferences::s_displayCustomerCC = false;
bool CPreferences::s_roSigned = false;
bool CPreferences::s_encryption = false;
bool CPreferences::s_continuous = false;
bool CPreferences::s_qtyPrompt = false;
bool CPreferences::s_displayProductCosts = false;

CPreferences* g_preferences = nullptr;

namespace {
std::u16string Name(std::u16string_view name) { return std::u16string(name); }
}  // namespace

CPreferences::CPreferences() {
  ++s_useCount;
  if (!s_key) s_key = std::make_unique<CRegistryKey>(HKEY_CURRENT_USER, kPreferencesKeyPath);
  LoadCachedFlags();
}

CPreferences::~CPreferences() {
  if (--s_useCount == 0) s_key.reset();
}

DWORD CPreferences::GetDword(std::u16string_view name, DWORD def) {
  std::u16string n = Name(name);
  DWORD value = def;
  if (s_key->GetDword(n.c_str(), value)) return value;
  if (GetLastError() == ERROR_FILE_NOT_FOUND) s_key->SetDword(n.c_str(), def);
  return def;
}

std::u16string CPreferences::Get(const TextPreference& preference) {
  assert(preference.def != nullptr);
  std::u16string text(preference.def);
  GetString(preference.name, text);
  return text;
}

std::u16string CPreferences::GetShown(const TextPreference& preference) {
  assert(preference.shown != nullptr);
  std::u16string text(preference.shown);
  GetString(preference.name, text);
  return text;
}

bool CPreferences::Read(const TextPreference& preference, std::u16string& text) {
  return GetString(preference.name, text);
}

bool CPreferences::QueryDword(std::u16string_view name, DWORD& value) {
  return s_key->GetDword(Name(name).c_str(), value);
}

bool CPreferences::GetString(std::u16string_view name, std::u16string& text) {
  CBstr value(text);
  if (s_key->GetString(CBstr(name), value)) {
    text = value.str();
    return true;
  }
  if (GetLastError() == ERROR_FILE_NOT_FOUND) s_key->SetString(CBstr(name), CBstr(text));
  return false;
}

bool CPreferences::SetDword(std::u16string_view name, DWORD value) {
  return s_key->SetDword(Name(name).c_str(), value);
}

bool CPreferences::SetString(std::u16string_view name, std::u16string_view text) {
  return s_key->SetString(CBstr(name), CBstr(text));
}

bool CPreferences::GetBinary(std::u16string_view name, BYTE* buffer, DWORD& count) {
  return s_key->GetBinary(Name(name).c_str(), buffer, count);
}

bool CPreferences::SetBinary(std::u16string_view name, const BYTE* buffer, DWORD count) {
  return s_key->SetBinary(Name(name).c_str(), buffer, count);
}

void CPreferences::LoadCachedFlags() {
  // A first start writes every default back: one write of the hive for all of them.
  platform::CRegistryBatch batch;
  s_useOutlook = Get(pref::kUseOutlook) != 0;
  s_displayBalances = Get(pref::kDisplayBalances) != 0;
  s_displayCustomerCC = Get(pref::kDisplayCustomerCC) != 0;
  s_roSigned = Get(pref::kRoSigned) != 0;
  s_encryption = Get(pref::kEncryption) != 0;
  s_continuous = Get(pref::kContinuous) != 0;
  s_qtyPrompt = Get(pref::kQtyPrompt) != 0;
}

bool CPreferences::SetFlag(const DwordPreference& preference, bool value, bool& cached) {
  cached = value;
  return s_key->SetDword(preference.name, value ? 1 : 0);
}

bool CPreferences::SetUseOutlook(bool value) { return SetFlag(pref::kUseOutlook, value, s_useOutlook); }
bool CPreferences::SetDisplayBalances(bool value) { return SetFlag(pref::kDisplayBalances, value, s_displayBalances); }
bool CPreferences::SetDisplayCustomerCC(bool value) {
  return SetFlag(pref::kDisplayCustomerCC, value, s_displayCustomerCC);
}
bool CPreferences::SetDisplayProductCosts(bool value) {
  return SetFlag(pref::kDisplayProductCosts, value, s_displayProductCosts);
}
bool CPreferences::SetRoSigned(bool value) { return SetFlag(pref::kRoSigned, value, s_roSigned); }
bool CPreferences::SetContinuous(bool value) { return SetFlag(pref::kContinuous, value, s_continuous); }
bool CPreferences::SetQtyPrompt(bool value) { return SetFlag(pref::kQtyPrompt, value, s_qtyPrompt); }

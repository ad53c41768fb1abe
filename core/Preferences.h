// The store of options and remembered values under the program's "Preferences" key.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/PreferenceTable.h"
#include "core/RegistryKey.h"

inline constexpr const WCHAR* kPreferencesKeyPath = u"Software\\VendelSoftware\\Slateway\\Preferences";

// Every read names its default, and a read of a missing value writes that default back,
// so every value the program ever asked for is present in the key (and in a settings
// export). A value that exists but cannot be read as asked is left alone: the caller gets
// the default and nothing stored is overwritten.
//
// Instances are handles on one shared key, opened by the first live instance and closed
// with the last. Each construction reloads the cached flags.
class CPreferences {
 public:
  CPreferences();
  virtual ~CPreferences();
  CPreferences(const CPreferences&) = delete;
  CPreferences& operator=(const CPreferences&) = delete;

  // The accessors every reader and writer of a value in the table uses.
  // The stored value, or the entry's default (written back when the value was missing).
  DWORD Get(const DwordPreference& preference) { return GetDword(preference.name, preference.def); }
  // The same with the default a settings screen shows for a missing value.
  DWORD GetShown(const DwordPreference& preference) { return GetDword(preference.name, preference.shown); }
  // True when the value was read; writes nothing when it is missing.
  bool Query(const DwordPreference& preference, DWORD& value) { return QueryDword(preference.name, value); }
  bool Set(const DwordPreference& preference, DWORD value) { return SetDword(preference.name, value); }
  // The stored text, or the entry's default when it is missing (written back) or empty.
  std::u16string Get(const TextPreference& preference);
  std::u16string GetShown(const TextPreference& preference);
  // `text` holds the default on entry, for an entry whose default is worked out at run time
  // or a caller that compares with what is stored; as `GetString`.
  bool Read(const TextPreference& preference, std::u16string& text);
  bool Set(const TextPreference& preference, std::u16string_view text) { return SetString(preference.name, text); }

  // By name, for the settings file's restore (any name it holds) and for the accessors.
  // The stored value, or `def` (written back when the value was missing).
  DWORD GetDword(std::u16string_view name, DWORD def);
  // True when the value was read; writes nothing when it is missing.
  bool QueryDword(std::u16string_view name, DWORD& value);
  // `text` holds the default on entry. True when the value was read (a stored empty text
  // keeps the default); false when it was missing, after writing the default back.
  bool GetString(std::u16string_view name, std::u16string& text);
  bool SetDword(std::u16string_view name, DWORD value);
  // An empty text is stored as an empty value.
  bool SetString(std::u16string_view name, std::u16string_view text);
  // `count` is the buffer size on entry and the bytes read on return (0 when unreadable).
  bool GetBinary(std::u16string_view name, BYTE* buffer, DWORD& count);
  bool SetBinary(std::u16string_view name, const BYTE* buffer, DWORD count);

  // Reads the seven loaded flags in their fixed order, each with its default and the
  // write-back of a missing value.
  void LoadCachedFlags();

  // Each writes the value of the same name and keeps the cached flag in step.
  bool SetUseOutlook(bool value);
  bool SetDisplayBalances(bool value);
  bool SetDisplayCustomerCC(bool value);
  bool SetDisplayProductCosts(bool value);
  bool SetRoSigned(bool value);
  bool SetContinuous(bool value);
  bool SetQtyPrompt(bool value);

  // The cached flags, readable without a registry access.
  static bool UseOutlook() { return s_useOutlook; }
  static bool DisplayBalances() { return s_displayBalances; }
  static bool DisplayCustomerCC() { return s_displayCustomerCC; }
  static bool RoSigned() { return s_roSigned; }
  static bool Encryption() { return s_encryption; }
  static bool Continuous() { return s_continuous; }
  static bool QtyPrompt() { return s_qtyPrompt; }
  static bool DisplayProductCosts() { return s_displayProductCosts; }

 private:
  bool SetFlag(const DwordPreference& preference, bool value, bool& cached);

  static std::unique_ptr<CRegistryKey> s_key;
  static int s_useCount;
  static bool s_useOutlook;
  static bool s_displayBalances;
  static bool s_displayCustomerCC;
  static bool s_roSigned;
  static bool s_encryption;
  static bool s_continuous;
  static bool s_qtyPrompt;
  static bool s_displayProductCosts;
};

// The main window's instance, published for code that does not make its own (not owned).
extern CPreferences* g_preferences;

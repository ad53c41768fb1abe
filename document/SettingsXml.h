// The settings file (".oat"): the program's registry settings exported as one line of XML
// and restored from it.
//
// Format: "<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='4' EDITION='STANDARD'
// COUNTRY='US'><SETTINGS>", then for every subkey of the exported key, depth first and not
// nested, "<name>" + its values + "</name>", each value "<name TYPE='x'>text</name>", and
// "</SETTINGS></SLATEWAY></VENDELSOFTWARE>". TYPE 'S' text (with "&", "<" and ">"
// escaped), 'D' a 32-bit value as an unsigned decimal, 'B' two lower-case hex digits per
// byte, '' any other type. The exported key's own values are not written.
//
// Import restores only the first "CustomSettings" element (into the caller's key) and
// the first "Preferences" element (through the Preferences store).
#pragma once

#include <string>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CRegistryKey;

class CSettingsXml {
 public:
  // `customSettingsKey` receives restored custom settings (not owned; may be null for an
  // instance that only exports).
  CSettingsXml(HWND owner, CRegistryKey* customSettingsKey);
  virtual ~CSettingsXml();
  CSettingsXml(const CSettingsXml&) = delete;
  CSettingsXml& operator=(const CSettingsXml&) = delete;

  // Exports HKEY_CURRENT_USER "Software\VendelSoftware\Slateway"; ExportKey's result.
  bool Export(CBstr fileName);
  // Writes the settings file for the key (hive by name: "HKEY_CLASSES_ROOT",
  // "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_USERS") through a temporary file
  // renamed over the target. True when at least one subkey was written and the file was
  // written whole; a key that cannot be opened still gives a file of header and footer,
  // and false.
  bool ExportKey(std::u16string_view hiveName, std::u16string_view keyPath, std::u16string_view fileName);
  // Restores the values of the file. True when the file could be read (the parser's error
  // is shown otherwise and nothing is written) and its values were stored; false, with
  // nothing changed, when the settings could not be written. `count` is the number of
  // value elements handled.
  bool Import(CBstr fileName, int* count);

  // The text of one value as the file stores it, and its TYPE letter (empty for none).
  static std::u16string FormatValue(DWORD type, const BYTE* data, DWORD size, std::u16string* typeLetter);

 private:
  int ImportSection(class CXmlDocument& xml, std::u16string_view section, bool preferences);

  HWND m_owner;
  CRegistryKey* m_customSettingsKey;  // not owned
};

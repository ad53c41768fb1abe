#include "document/SettingsXml.h"

#include <cstdio>
#include <vector>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "core/SettingsFileText.h"
#include "core/WaitCursor.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/registry/Registry.h"
#include "platform/user/MessageBox.h"

namespace {

// Settings keys are one level deep; the walk stops well before a hostile registry could
// exhaust the stack.
constexpr int kMaxDepth = 32;

HKEY HiveByName(std::u16string_view name) {
  if (name == u"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (name == u"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (name == u"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (name == u"HKEY_USERS") return HKEY_USERS;
  return nullptr;
}

// A decimal with an optional sign, read into 64 bits and cut to the low 32, so values of
// 2^31 and above (written unsigned) come back whole. Reading stops at the first character
// that is not a digit.
DWORD ParseDword(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  unsigned long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = value * 10 + (text[i] - u'0');
  if (negative) value = 0 - value;
  return static_cast<DWORD>(value);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Hex digits two at a time, other characters skipped; a last single digit is one byte.
std::vector<BYTE> ParseHex(std::u16string_view text) {
  std::vector<BYTE> bytes;
  int high = -1;
  for (char16_t c : text) {
    int d = HexDigit(c);
    if (d < 0) continue;
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<BYTE>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) bytes.push_back(static_cast<BYTE>(high));
  return bytes;
}

void AppendValues(HKEY key, std::u16string& text) {
  ForEachRegistryValue(key, [&](const std::u16string& valueName, DWORD type, const BYTE* data, DWORD size) {
    std::u16string letter;
    std::u16string value = FormatSettingsValue(type, data, size, &letter);
    text += u"<" + valueName + u" TYPE='" + letter + u"'>" + value + u"</" + valueName + u">";
  });
}

void AppendKey(HKEY parent, const std::u16string& name, int depth, std::u16string& text, bool& any);

// Every subkey of `key`, each followed by its own subkeys.
void AppendSubkeys(HKEY key, int depth, std::u16string& text, bool& any) {
  ForEachRegistrySubkey(key, [&](const std::u16string& name) { AppendKey(key, name, depth, text, any); });
}

// One subkey's element (empty when it cannot be opened), then its own subkeys.
void AppendKey(HKEY parent, const std::u16string& name, int depth, std::u16string& text, bool& any) {
  CRegKeyHandle key;
  bool open = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
  text += u"<" + name + u">";
  if (open) AppendValues(key.get(), text);
  text += u"</" + name + u">";
  any = true;
  if (open && depth < kMaxDepth) AppendSubkeys(key.get(), depth + 1, text, any);
}

}  // namespace

CSettingsXml::CSettingsXml(HWND owner, CRegistryKey* customSettingsKey)
    : m_owner(owner), m_customSettingsKey(customSettingsKey) {}

CSettingsXml::~CSettingsXml() = default;

std::u16string CSettingsXml::FormatValue(DWORD type, const BYTE* data, DWORD size, std::u16string* typeLetter) {
  return FormatSettingsValue(type, data, size, typeLetter);
}

bool CSettingsXml::Export(CBstr fileName) { return ExportKey(u"HKEY_CURRENT_USER", kRootKeyPath, fileName.view()); }

bool CSettingsXml::ExportKey(std::u16string_view hiveName, std::u16string_view keyPath, std::u16string_view fileName) {
  CWaitCursorScope wait;
  std::u16string text = kSettingsFileHeader;
  bool any = false;
  HKEY hive = HiveByName(hiveName);
  CRegKeyHandle key;
  std::u16string path(keyPath);
  if (hive != nullptr && RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
    AppendSubkeys(key.get(), 1, text, any);
  }
  text += kSettingsFileFooter;
  // The device's ANSI code page is UTF-8, so no character is lost on the way to the file.
  bool written = platform::WriteFileAtomic(platform::MapDevicePath(fileName), platform::ToUtf8(text));
  return any && written;
}

int CSettingsXml::ImportSection(CXmlDocument& xml, std::u16string_view section, bool preferences) {
  int count = 0;
  CPreferences* store = nullptr;
  std::unique_ptr<CPreferences> ownStore;
  CBstr name, text, type;
  for (bool ok = xml.FindFirstChild(section, u"TYPE", &name, &text, &type); ok;
       ok = xml.FindNextChild(&name, &text, &type)) {
    ++count;
    if (preferences && store == nullptr) {
      ownStore = std::make_unique<CPreferences>();
      store = ownStore.get();
    }
    std::u16string_view t = type.view();
    if (t == u"D") {
      DWORD value = ParseDword(text.view());
      if (preferences)
        store->SetDword(name.view(), value);
      else if (m_customSettingsKey)
        m_customSettingsKey->SetDword(name.c_str(), value);
    } else if (t == u"S") {
      // The parser has already turned the escapes back into characters: nothing more to do.
      if (preferences)
        store->SetString(name.view(), text.view());
      else if (m_customSettingsKey)
        m_customSettingsKey->SetString(name, text.IsNull() ? CBstr(u"") : text);
    } else if (t == u"B") {
      std::vector<BYTE> bytes = ParseHex(text.view());
      if (preferences)
        store->SetBinary(name.view(), bytes.data(), static_cast<DWORD>(bytes.size()));
      else if (m_customSettingsKey)
        m_customSettingsKey->SetBinary(name.c_str(), bytes.data(), static_cast<DWORD>(bytes.size()));
    }
  }
  return count;
}

bool CSettingsXml::Import(CBstr fileName, int* count) {
  CWaitCursorScope wait;
  int handled = 0;
  if (count) *count = 0;
  CXmlDocument xml(m_owner);
  CBstr error;
  if (!xml.LoadFile(fileName.view(), &error)) {
    MessageBoxW(m_owner, error.c_str(), kProductName, MB_OK);
    return false;
  }
  // The whole file lands in one write of the hive, or not at all; a write that fails
  // leaves every setting as it was, and the import reports it.
  platform::CRegistryBatch batch;
  handled += ImportSection(xml, u"CustomSettings", false);
  handled += ImportSection(xml, u"Preferences", true);
  if (batch.End() != ERROR_SUCCESS) return false;
  if (count) *count = handled;
  return true;
}

// Any bytes as a settings file: the import either succeeds without a box, or shows the
// parser's error once, counts nothing and writes nothing.
#include <cstddef>
#include <cstdint>

#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "document/SettingsXml.h"
#include "fuzz/FuzzDevice.h"

namespace {

DWORD ValueCount(const WCHAR* path) {
  HKEY key = nullptr;
  DWORD values = 0;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using fuzzing::Require;
  fuzzing::FuzzDevice& device = fuzzing::FuzzDevice::Get();
  device.Reset("s.oat", data, size);

  int count = -1;
  bool ok;
  {
    CRegistryKey key(HKEY_CURRENT_USER, u"Software\\Fuzz\\Restored");
    CSettingsXml importer(nullptr, &key);
    ok = importer.Import(CBstr(u"\\s.oat"), &count);
  }
  if (ok) {
    Require(count >= 0);
    Require(device.boxes.shown == 0);
  } else {
    Require(count == 0);
    Require(device.boxes.shown == 1);
    Require(ValueCount(u"Software\\Fuzz\\Restored") + ValueCount(kPreferencesKeyPath) == 0);
  }
  Require(platform::OpenRegistryKeyCount() == 0);
  return 0;
}

#include "core/ResourceLibrary.h"

#include <vector>

#include "core/MessageBoxes.h"
#include "core/ResourceText.h"
#include "platform/module/Module.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/user/MessageBox.h"

namespace {

constexpr char16_t kRootKey[] = u"Software\\VendelSoftware\\Slateway";
constexpr char16_t kProgramPathValue[] = u"ProgramPath";

// The root key's "ProgramPath" text, or empty when the key or value is missing or no
// text.
std::u16string ReadProgramPath() {
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRootKey, 0, KEY_READ, key.put()) != static_cast<LONG>(ERROR_SUCCESS))
    return {};
  std::vector<BYTE> data(1024 + 2, 0);
  DWORD size = 1024;
  DWORD type = 0;
  LONG result = RegQueryValueExW(key.get(), kProgramPathValue, nullptr, &type, data.data(), &size);
  key.reset();
  if (result != static_cast<LONG>(ERROR_SUCCESS) || type != REG_SZ) return {};
  std::u16string text;
  for (DWORD i = 0; i + 1 < size; i += 2) {
    WCHAR c = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace

std::u16string GetResourceLibraryPath() { return ReadProgramPath() + u"\\" + kResourceLibraryName; }

bool LoadResourceLibrary() {
  HMODULE library = LoadLibraryW(GetResourceLibraryPath().c_str());
  if (!library) {
    MessageBoxW(nullptr, u"Failed to load resources library. Please re-install.", kProductName, kStyleWarning);
    return false;
  }
  SetResourceInstance(library);
  return true;
}

void FreeResourceLibrary() {
  HINSTANCE library = GetResourceInstance();
  SetResourceInstance(nullptr);
  if (library) FreeLibrary(library);
}

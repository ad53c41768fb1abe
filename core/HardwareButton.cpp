#include "core/HardwareButton.h"

#include <string>

#include "core/Utilities.h"
#include "platform/module/Module.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/user/Window.h"

namespace {

// A text value of an open key; false when missing or not text.
bool ReadText(HKEY key, const WCHAR* valueName, CBstr& out) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
    return false;
  }
  std::u16string text(size / sizeof(WCHAR) + 1, u'\0');
  if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  text.resize(size / sizeof(WCHAR));
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  out = CBstr(text);
  return true;
}

}  // namespace

CHardwareButton::CHardwareButton() : m_keyPrefix(u"40C") {}

CHardwareButton::~CHardwareButton() = default;

bool CHardwareButton::GetFirstKey(CBstr& name, CBstr& resetCommand) {
  m_nextIndex = 1;
  return GetNextKey(name, resetCommand);
}

bool CHardwareButton::GetNextKey(CBstr& name, CBstr& resetCommand) {
  // Opened for reading only: looking for a button must not leave empty entries behind.
  std::u16string path = std::u16string(kKeysPath) + m_keyPrefix.str();
  std::string number = std::to_string(m_nextIndex);
  path.append(number.begin(), number.end());
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  if (!ReadText(key.get(), u"Name", name)) return false;
  CBstr command(u"");
  ReadText(key.get(), u"ResetCmd", command);
  resetCommand = std::move(command);
  ++m_nextIndex;
  return true;
}

UINT CHardwareButton::FindKey(CBstr buttonName) {
  CBstr wanted = TruncateAtText(buttonName, u" (");
  CBstr name;
  CBstr resetCommand;
  if (!GetFirstKey(name, resetCommand)) return 0;
  for (UINT key = kFirstKey; key <= kLastKey; ++key) {
    if (name.view() == wanted.view()) return key;
    // A gap in the entries ends the search: a stale name must not stand for a later key.
    if (key == kLastKey || !GetNextKey(name, resetCommand)) break;
  }
  return 0;
}

void CHardwareButton::BindButton(HWND window, CBstr buttonName, bool releaseOnly) {
  HMODULE coredll = LoadLibraryW(u"coredll.dll");
  if (!coredll) return;
  auto release = reinterpret_cast<BOOL (*)(UINT, int)>(GetProcAddress(coredll, "UnregisterFunc1"));
  if (UINT key = release ? FindKey(buttonName) : 0) {
    release(kModifiers, static_cast<int>(key));
    if (!releaseOnly) RegisterHotKey(window, static_cast<int>(key), kModifiers, key);
  }
  FreeLibrary(coredll);
}

void CHardwareButton::UnbindAll(HWND window) {
  for (UINT key = kFirstKey; key <= kLastKey; ++key) UnregisterHotKey(window, static_cast<int>(key));
}

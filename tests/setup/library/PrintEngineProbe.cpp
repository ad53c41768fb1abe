// A printing engine library for the removal tests: unregistering it leaves a mark in the
// registry where the test can see it.
#include "platform/platform.h"

extern "C" HRESULT DllUnregisterServer() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Probe", 0, nullptr, 0, 0, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  DWORD one = 1;
  RegSetValueExW(key, u"Unregistered", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);
  return S_OK;
}

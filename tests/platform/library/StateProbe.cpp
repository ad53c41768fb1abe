// A library of code that the loader tests open with LoadLibraryW. It is linked against the
// platform library, so what it does lands in the process's one registry and window table.
#include "platform/platform.h"

extern "C" {

// Writes `text` as the value "Marker" of HKCU\Software\Probe; the registry's result.
LONG ProbeWriteMarker(LPCWSTR text) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Probe", 0, nullptr, 0, 0, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  std::u16string value(text);
  rc = RegSetValueExW(key, u"Marker", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return rc;
}

// A static control showing `text`, a child of `parent`; null when it cannot be made.
HWND ProbeCreateLabel(HWND parent, LPCWSTR text) {
  return CreateWindowExW(0, u"STATIC", text, WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent, nullptr, nullptr,
                         nullptr);
}

// The windows alive as this library counts them.
int ProbeLiveWindowCount() { return platform::LiveWindowCount(); }

}  // extern "C"

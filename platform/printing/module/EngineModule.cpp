// The printing engine's module as the device installs it (\Windows\PREngineCE.dll): the
// installer calls DllRegisterServer, the uninstaller DllUnregisterServer. The engines
// themselves live in the platform library that this module is linked against.
#include "platform/printing/PrintEngines.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() { return RegisterPrintEngineClasses(); }

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return UnregisterPrintEngineClasses();
}

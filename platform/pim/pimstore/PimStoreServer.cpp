// pimstore.dll: the contacts server's own library, which the program loads to register it.
#include "platform/pim/Pim.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() { return RegisterPimServer(); }

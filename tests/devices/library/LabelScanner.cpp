// A stand-in for the Symbol scanner library whose label buffer the test writes: each read
// request copies the bytes of "\Windows\Label.bin" into the buffer and posts the message at
// once, so a test can hand the driver any header it likes.
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/Win32Types.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/user/Window.h"

extern "C" {

DWORD SCAN_Open(LPCWSTR, HANDLE* handle) {
  *handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(1));
  return 0;
}
DWORD SCAN_Close(HANDLE) { return 0; }
DWORD SCAN_Enable(HANDLE) { return 0; }
DWORD SCAN_Disable(HANDLE) { return 0; }
DWORD SCAN_Flush(HANDLE) { return 0; }
DWORD SCAN_SetSoftTrigger(HANDLE, DWORD) { return 0; }
void* SCAN_AllocateBuffer_W(DWORD size) { return new BYTE[size](); }
DWORD SCAN_DeallocateBuffer_W(void* buffer) {
  delete[] static_cast<BYTE*>(buffer);
  return 0;
}
DWORD SCAN_ReadLabelMsg_W(HANDLE, void* buffer, HWND window, UINT message, DWORD, DWORD*) {
  std::ifstream in(platform::MapDevicePath(u"\\Windows\\Label.bin"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return 0;  // nothing to scan yet: the request stays pending
  std::memcpy(buffer, bytes.data(), std::min<size_t>(bytes.size(), 7095));
  PostMessageW(window, message, 0, 0);
  return 0;
}

}  // extern "C"

// "ScnAPI32.dll": the Symbol scanner's library. "SCN1:" is the scanner of the device file.
// A read request lends the library a label buffer and a window: the next scan is written
// into the buffer and the message posted, which ends the request. Calls answer 0 on
// success, else an error code.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/base/Win32Types.h"
#include "platform/scanners/ScannerFeed.h"
#include "platform/user/Window.h"

namespace {

enum : DWORD {
  kOk = 0,
  kNoDevice = 0xA0000001,
  kBadHandle = 0xA0000002,
  kNotEnabled = 0xA0000003,
  kBadArgument = 0xA0000004,
  kReadPending = 0xA0000005,
  kDeviceFailure = 0xA000000B,
};

// The label buffer: 32-bit words from its start, the label's UTF-16 text at the data offset.
constexpr size_t kWordSize = 0, kWordHeaderSize = 1, kWordDataOffset = 3, kWordDataLength = 4, kWordStatus = 6;
constexpr DWORD kHeaderSize = 148;

HANDLE const kHandle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5C1));

struct Request {
  BYTE* buffer = nullptr;
  HWND window = nullptr;
  UINT message = 0;
};

struct Library {
  std::mutex lock;
  bool open = false;
  bool enabled = false;
  DWORD softTrigger = 0;
  Request pending;
  platform::scanners::CCodeFeed feed;
};

Library& L() {
  static Library library;
  return library;
}

void PutWord(BYTE* buffer, size_t index, DWORD value) { std::memcpy(buffer + index * 4, &value, 4); }
DWORD Word(const BYTE* buffer, size_t index) {
  DWORD value;
  std::memcpy(&value, buffer + index * 4, 4);
  return value;
}

// Ends the pending request with `status` and, for a label, its text.
bool Complete(DWORD status, std::u16string_view text) {
  Request request;
  {
    std::lock_guard guard(L().lock);
    request = L().pending;
    L().pending = Request{};
  }
  if (!request.buffer) return false;
  DWORD capacity = Word(request.buffer, kWordSize);
  size_t room = capacity > kHeaderSize + 2 ? (capacity - kHeaderSize) / 2 - 1 : 0;
  size_t n = std::min(text.size(), room);
  if (n) std::memcpy(request.buffer + kHeaderSize, text.data(), n * 2);
  std::memset(request.buffer + kHeaderSize + n * 2, 0, 2);
  PutWord(request.buffer, kWordDataLength, static_cast<DWORD>(n * 2));
  PutWord(request.buffer, kWordStatus, status);
  if (request.window) PostMessageW(request.window, request.message, 0, reinterpret_cast<LPARAM>(request.buffer));
  return false;  // the request is answered: nothing more until the next one
}

bool ValidHandle(HANDLE handle) { return handle == kHandle && L().open; }

}  // namespace

extern "C" {

DWORD SCAN_Open(LPCWSTR name, HANDLE* handle) {
  if (!name || !handle) return kBadArgument;
  if (std::u16string_view(name) != u"SCN1:") return kNoDevice;
  if (!L().open) {
    if (!L().feed.Open()) return kNoDevice;
    L().feed.Watch([](const std::u16string& code) { return Complete(kOk, code); },
                   [] { Complete(kDeviceFailure, {}); });
    L().open = true;
  }
  *handle = kHandle;
  return kOk;
}

DWORD SCAN_Close(HANDLE handle) {
  if (!ValidHandle(handle)) return kBadHandle;
  L().feed.Close();
  std::lock_guard guard(L().lock);
  L().open = false;
  L().enabled = false;
  L().pending = Request{};
  return kOk;
}

DWORD SCAN_Enable(HANDLE handle) {
  if (!ValidHandle(handle)) return kBadHandle;
  L().enabled = true;
  return kOk;
}

DWORD SCAN_Disable(HANDLE handle) {
  if (!ValidHandle(handle)) return kBadHandle;
  L().feed.Arm(false);
  std::lock_guard guard(L().lock);
  L().enabled = false;
  L().pending = Request{};
  return kOk;
}

void* SCAN_AllocateBuffer_W(DWORD size) {
  if (size < kHeaderSize + 2) return nullptr;
  auto* buffer = new (std::nothrow) BYTE[size]();
  if (!buffer) return nullptr;
  PutWord(buffer, kWordSize, size);
  PutWord(buffer, kWordHeaderSize, kHeaderSize);
  PutWord(buffer, kWordDataOffset, kHeaderSize);
  return buffer;
}

DWORD SCAN_DeallocateBuffer_W(void* buffer) {
  if (!buffer) return kBadArgument;
  {
    std::lock_guard guard(L().lock);
    if (L().pending.buffer == buffer) return kReadPending;
  }
  delete[] static_cast<BYTE*>(buffer);
  return kOk;
}

DWORD SCAN_ReadLabelMsg_W(HANDLE handle, void* buffer, HWND window, UINT message, DWORD /*timeout*/,
                          DWORD* /*requestId*/) {
  if (!ValidHandle(handle)) return kBadHandle;
  if (!buffer) return kBadArgument;
  if (!L().enabled) return kNotEnabled;
  {
    std::lock_guard guard(L().lock);
    if (L().pending.buffer) return kReadPending;
    L().pending = Request{static_cast<BYTE*>(buffer), window, message};
  }
  L().feed.Arm(true);
  return kOk;
}

DWORD SCAN_Flush(HANDLE handle) {
  if (!ValidHandle(handle)) return kBadHandle;
  L().feed.Arm(false);
  std::lock_guard guard(L().lock);
  L().pending = Request{};
  return kOk;
}

// Pulling the soft trigger scans the code waiting in the device file, if any.
DWORD SCAN_SetSoftTrigger(HANDLE handle, DWORD state) {
  if (!ValidHandle(handle)) return kBadHandle;
  bool pulled = state != 0 && L().softTrigger == 0;
  L().softTrigger = state;
  if (pulled) L().feed.PollNow();
  return kOk;
}

}  // extern "C"

// "ScanAPI.dll": the Socket scanner's library. Device 1 is the scanner of the device file;
// once the program asks for data events, every scan is posted to its window and read with
// ScanGetData. Calls answer 0 on success, else one of the codes ScanErrToText explains.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/base/Win32Types.h"
#include "platform/scanners/ScannerFeed.h"
#include "platform/user/Window.h"

namespace {

constexpr long kDevice = 1;
enum : long {
  kOk = 0,
  kNotInitialised = -1,
  kNoDevice = -2,
  kNotOpen = -3,
  kNoData = -4,
  kBufferTooSmall = -5,
  kBadDevice = -6,
  kBadArgument = -7,
};

struct Library {
  bool initialised = false;
  bool open = false;
  platform::scanners::CScanMailbox scans;
  platform::scanners::CCodeFeed feed;
};

Library& L() {
  static Library library;
  return library;
}

long Check(long device) {
  if (!L().initialised) return kNotInitialised;
  if (device != kDevice) return kBadDevice;
  return kOk;
}

}  // namespace

extern "C" {

long ScanInit() {
  L().initialised = true;
  return kOk;
}

long ScanCloseDevice(long device);

long ScanDeinit() {
  if (!L().initialised) return kNotInitialised;
  ScanCloseDevice(kDevice);
  L().initialised = false;
  return kOk;
}

long ScanErrToText(long code, WCHAR* text, DWORD size) {
  const char16_t* message = u"Unknown error";
  switch (code) {
    case kOk: message = u"No error"; break;
    case kNotInitialised: message = u"The scanner library was not initialised"; break;
    case kNoDevice: message = u"No scanner is attached"; break;
    case kNotOpen: message = u"The scanner is not open"; break;
    case kNoData: message = u"No scanned data is waiting"; break;
    case kBufferTooSmall: message = u"The buffer is too small for the scanned data"; break;
    case kBadDevice: message = u"No such scanner device"; break;
    case kBadArgument: message = u"An argument is not valid"; break;
  }
  if (!text || size == 0) return kBadArgument;
  std::u16string_view view(message);
  size_t n = std::min<size_t>(view.size(), size - 1);
  std::memcpy(text, view.data(), n * sizeof(WCHAR));
  text[n] = 0;
  return kOk;
}

long ScanOpenDevice(long device) {
  if (long error = Check(device)) return error;
  if (L().open) return kOk;
  if (!L().feed.Open()) return kNoDevice;
  L().feed.Watch([](const std::u16string& code) { return L().scans.Deliver(code); });
  L().open = true;
  return kOk;
}

long ScanCloseDevice(long device) {
  if (long error = Check(device)) return error;
  L().feed.Close();
  L().open = false;
  L().scans.Clear(true);
  return kOk;
}

long ScanRequestDataEvents(long device, HWND window, UINT message) {
  if (long error = Check(device)) return error;
  if (!L().open) return kNotOpen;
  L().scans.SetWindow(window, message, static_cast<WPARAM>(kDevice));
  L().feed.Arm(window != nullptr);
  return kOk;
}

long ScanTrigger(long device) {
  if (long error = Check(device)) return error;
  if (!L().open) return kNotOpen;
  if (!L().feed.DevicePresent()) return kNoDevice;
  L().feed.PollNow();
  return kOk;
}

long ScanGetData(long device, WCHAR* buffer, long* length) {
  if (long error = Check(device)) return error;
  if (!buffer || !length || *length <= 0) return kBadArgument;
  if (!L().open) return kNotOpen;
  std::u16string code;
  if (!L().scans.Peek(code)) return kNoData;
  if (static_cast<long>(code.size()) >= *length) return kBufferTooSmall;
  L().scans.Take(code);
  std::memcpy(buffer, code.data(), code.size() * sizeof(WCHAR));
  buffer[code.size()] = 0;
  *length = static_cast<long>(code.size());
  return kOk;
}

long ScanAbort(long device) {
  if (long error = Check(device)) return error;
  L().scans.Clear(false);
  return kOk;
}

long ScanSetGoodReadSound(long device, long) { return Check(device); }

long ScanGetDevInfo(long device, void* info) {
  if (long error = Check(device)) return error;
  return info ? kOk : kBadArgument;
}

long ScanGetStatus(long device) {
  if (long error = Check(device)) return error;
  if (!L().open) return kNotOpen;
  return L().feed.DevicePresent() ? kOk : kNoDevice;
}

}  // extern "C"

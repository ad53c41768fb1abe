// "Grabba.dll": the Grabba scanner's library. Once opened, enabled and told where to send
// its notifications (type 2: post a message to a window), every scan is posted there and
// read with GrabbaBarcodeGetLength and GrabbaBarcodeGetUnicodeString. Calls answer 0 on
// success, else a negative error code.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/base/Win32Types.h"
#include "platform/scanners/ScannerFeed.h"
#include "platform/user/Window.h"

namespace {

enum : int {
  kOk = 0,
  kNoDevice = -1,
  kNotOpen = -2,
  kBadArgument = -3,
  kNoData = -4,
  kNotEnabled = -5,
};
constexpr int kNotifyByMessage = 2;
constexpr int kModel = 3;

struct Library {
  bool open = false;
  bool enabled = false;
  platform::scanners::CScanMailbox scans;  // posted to the barcode notification's window
  platform::scanners::CCodeFeed feed;
};

Library& L() {
  static Library library;
  return library;
}

void Rearm() { L().feed.Arm(L().enabled && L().scans.HasWindow()); }

}  // namespace

extern "C" {

int GrabbaOpen() {
  if (L().open) return kOk;
  if (!L().feed.Open()) return kNoDevice;
  L().feed.Watch([](const std::u16string& code) { return L().scans.Deliver(code); });
  L().open = true;
  return kOk;
}

int GrabbaClose() {
  if (!L().open) return kNotOpen;
  L().feed.Close();
  L().open = false;
  L().enabled = false;
  L().scans.Clear(true);
  return kOk;
}

int GrabbaGetModel(int* model) {
  if (!model) return kBadArgument;
  if (!L().open) return kNotOpen;
  *model = kModel;
  return kOk;
}

int GrabbaBarcodeEnable() {
  if (!L().open) return kNotOpen;
  L().enabled = true;
  Rearm();
  return kOk;
}

int GrabbaBarcodeDisable() {
  if (!L().open) return kNotOpen;
  L().enabled = false;
  Rearm();
  return kOk;
}

// Type 2 posts `message` to `window` at each event; any other type stops the messages.
int GrabbaBarcodeSetNotificationType(int type, int /*flags*/, HWND window, UINT message) {
  if (!L().open) return kNotOpen;
  if (type == kNotifyByMessage && !window) return kBadArgument;
  L().scans.SetWindow(type == kNotifyByMessage ? window : nullptr, message);
  Rearm();
  return kOk;
}

// The device's own notifications (battery, connection); this scanner raises none.
int GrabbaSetNotificationType(int type, int /*flags*/, HWND window, UINT /*message*/) {
  if (!L().open) return kNotOpen;
  if (type == kNotifyByMessage && !window) return kBadArgument;
  return kOk;
}

// 1 starts a scan: a code waiting in the device file is read at once; 0 stops it.
int GrabbaBarcodeTrigger(int on) {
  if (!L().open) return kNotOpen;
  if (!L().enabled) return kNotEnabled;
  if (!L().feed.DevicePresent()) return kNoDevice;
  if (on) L().feed.PollNow();
  return kOk;
}

int GrabbaBarcodeGetLength(int* length) {
  if (!length) return kBadArgument;
  if (!L().open) return kNotOpen;
  std::u16string code;
  if (!L().scans.Peek(code)) return kNoData;
  *length = static_cast<int>(code.size());
  return kOk;
}

// Copies at most `length` characters of the last scan and a terminating null.
int GrabbaBarcodeGetUnicodeString(WCHAR* buffer, int length) {
  if (!buffer || length < 0) return kBadArgument;
  if (!L().open) return kNotOpen;
  std::u16string code;
  if (!L().scans.Take(code)) return kNoData;
  size_t n = std::min(code.size(), static_cast<size_t>(length));
  std::memcpy(buffer, code.data(), n * sizeof(WCHAR));
  buffer[n] = 0;
  return kOk;
}

// The last scan as 8-bit bytes (characters above 255 become '?').
int GrabbaBarcodeGetData(BYTE* buffer, int size) {
  if (!buffer || size <= 0) return kBadArgument;
  std::u16string code;
  if (!L().scans.Peek(code)) return kNoData;
  int n = std::min(static_cast<int>(code.size()), size);
  for (int i = 0; i < n; ++i) buffer[i] = code[i] < 256 ? static_cast<BYTE>(code[i]) : '?';
  return n;
}

}  // extern "C"

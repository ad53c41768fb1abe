// "Grabba.dll": the Grabba scanner's library. Once opened, enabled and told where to send
// its notifications (type 2: post a message to a window), every scan is posted there and
// read with GrabbaBarcodeGetLength and GrabbaBarcodeGetUnicodeString. Calls answer 0 on
// success, else a negative error code.
#include <algorithm>
#include <cstring>
#include <mutex>
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
  std::mutex lock;
  bool open = false;
  bool enabled = false;
  HWND window = nullptr;  // from the barcode notification type
  UINT message = 0;
  std::u16string last;
  bool waiting = false;
  platform::scanners::CCodeFeed feed;
};

Library& L() {
  static Library library;
  return library;
}

bool Deliver(const std::u16string& code) {
  HWND window;
  UINT message;
  {
    std::lock_guard guard(L().lock);
    L().last = code;
    L().waiting = true;
    window = L().window;
    message = L().message;
  }
  if (window) PostMessageW(window, message, 0, 0);
  return true;
}

void Rearm() { L().feed.Arm(L().enabled && L().window != nullptr); }

}  // namespace

extern "C" {

int GrabbaOpen() {
  if (L().open) return kOk;
  if (!L().feed.Open()) return kNoDevice;
  L().feed.Watch(Deliver);
  L().open = true;
  return kOk;
}

int GrabbaClose() {
  if (!L().open) return kNotOpen;
  L().feed.Close();
  std::lock_guard guard(L().lock);
  L().open = false;
  L().enabled = false;
  L().window = nullptr;
  L().waiting = false;
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
  {
    std::lock_guard guard(L().lock);
    L().window = type == kNotifyByMessage ? window : nullptr;
    L().message = message;
  }
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
  std::lock_guard guard(L().lock);
  if (!L().open) return kNotOpen;
  if (!L().waiting) return kNoData;
  *length = static_cast<int>(L().last.size());
  return kOk;
}

// Copies at most `length` characters of the last scan and a terminating null.
int GrabbaBarcodeGetUnicodeString(WCHAR* buffer, int length) {
  if (!buffer || length < 0) return kBadArgument;
  std::lock_guard guard(L().lock);
  if (!L().open) return kNotOpen;
  if (!L().waiting) return kNoData;
  size_t n = std::min(L().last.size(), static_cast<size_t>(length));
  std::memcpy(buffer, L().last.data(), n * sizeof(WCHAR));
  buffer[n] = 0;
  L().waiting = false;
  return kOk;
}

// The last scan as 8-bit bytes (characters above 255 become '?').
int GrabbaBarcodeGetData(BYTE* buffer, int size) {
  if (!buffer || size <= 0) return kBadArgument;
  std::lock_guard guard(L().lock);
  if (!L().waiting) return kNoData;
  int n = std::min(static_cast<int>(L().last.size()), size);
  for (int i = 0; i < n; ++i) buffer[i] = L().last[i] < 256 ? static_cast<BYTE>(L().last[i]) : '?';
  return n;
}

}  // extern "C"

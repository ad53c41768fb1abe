// The scanner hardware as the three scanner libraries see it: a device file under the
// device root into which a person or a test writes one code a line. A library opens the
// feed when its device opens; codes written from then on are scans, read once each in
// the order written.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/base/Win32Types.h"

namespace platform::scanners {

// The one scanner of the device.
inline constexpr char16_t kScannerDeviceFile[] = u"\\Windows\\Scanner.txt";

class CCodeFeed {
 public:
  CCodeFeed() = default;
  ~CCodeFeed();
  CCodeFeed(const CCodeFeed&) = delete;
  CCodeFeed& operator=(const CCodeFeed&) = delete;

  // False when the device file does not exist (no scanner attached). Codes already in the
  // file are not scans: reading starts at its end.
  bool Open(std::u16string_view devicePath = kScannerDeviceFile);
  // Stops watching and forgets the file.
  void Close();
  bool IsOpen() const;
  // True while the device file is still there.
  bool DevicePresent() const;

  // The next whole line written since the last one, without its line end (blank lines are
  // skipped); false when none waits. Safe from any thread.
  bool Next(std::u16string& code);

  // While armed, a background watcher hands every new code to `onCode` (on the watcher's
  // thread), which answers whether the feed stays armed, and calls `onLost` once when the
  // device file disappears. Disarming waits for a call in progress to end, so the callbacks
  // must not arm or disarm themselves.
  void Watch(std::function<bool(const std::u16string&)> onCode, std::function<void()> onLost = nullptr);
  void Arm(bool armed);
  // Looks for a new code now, as the watcher would; true when one was handed on.
  bool PollNow();

 private:
  void StopWatcher();
  void Run();

  mutable std::mutex m_lock;
  std::string m_path;  // the Linux path while open
  long long m_offset = 0;
  bool m_open = false;
  bool m_lost = false;

  std::mutex m_deliver;  // held while a code is handed on, so disarming waits for it
  std::function<bool(const std::u16string&)> m_onCode;
  std::function<void()> m_onLost;
  bool m_armed = false;
  bool m_stop = false;
  std::condition_variable m_wake;
  std::thread m_watcher;
};

// The last scan of a library that posts its scans to a window, kept until the program
// reads it. Safe from any thread.
class CScanMailbox {
 public:
  // Where scans are posted (null: nowhere), with which message and wParam.
  void SetWindow(HWND window, UINT message, WPARAM wParam = 0);
  bool HasWindow() const;
  // Keeps `code` as the waiting scan and posts the message; always true (stay armed).
  bool Deliver(const std::u16string& code);
  // The waiting scan: Peek leaves it, Take removes it; false when none waits.
  bool Peek(std::u16string& code) const;
  bool Take(std::u16string& code);
  // Forgets the waiting scan and, with `window`, the window too.
  void Clear(bool window);

 private:
  mutable std::mutex m_lock;
  HWND m_window = nullptr;
  UINT m_message = 0;
  WPARAM m_wParam = 0;
  std::u16string m_last;
  bool m_waiting = false;
};

}  // namespace platform::scanners

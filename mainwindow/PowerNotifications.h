// The system's power notifications for the main window: a thread waits on a queue of
// power broadcasts and hands each transition to the main window's thread with a sent
// message, so whatever the transition asks of the devices runs on the thread that owns
// them, and before the suspend goes on.
#pragma once

#include <atomic>
#include <thread>

#include "platform/platform.h"

// True when the system reports a major version of 4 or more.
bool IsOSVersion4OrLater();

class CPowerNotifications {
 public:
  // Transitions to "on" or "suspend" arrive at `window` as `message` with the new power
  // state (POWER_STATE_ON or POWER_STATE_SUSPEND) in wParam.
  CPowerNotifications(HWND window, UINT message);
  ~CPowerNotifications();
  CPowerNotifications(const CPowerNotifications&) = delete;
  CPowerNotifications& operator=(const CPowerNotifications&) = delete;

  // Creates the queue, asks for every power notification and starts the thread; false,
  // with no thread, when the queue or the request cannot be had.
  bool Start();
  // Cancels the request, wakes and joins the thread and closes the queue. Messages the
  // thread sends meanwhile are still handled, so the two threads never wait on each other.
  void Stop();
  bool IsRunning() const { return m_thread.joinable(); }

  // Reads one broadcast from `queue`: the new power state of a transition of at least 16
  // bytes, else 0. A read failure is written to the debug output.
  static DWORD ReadTransition(HANDLE queue);

 private:
  void Run();

  HWND m_window;
  UINT m_message;
  HANDLE m_queue = nullptr;
  HANDLE m_request = nullptr;
  std::thread m_thread;
  std::atomic<bool> m_stopping{false};
  std::atomic<bool> m_done{false};
};

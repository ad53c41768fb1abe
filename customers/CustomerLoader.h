// The customer list's background loader: prepares the customer source, loads its list and
// builds its letter index on a thread of its own, so that the list window opens at once.
//
// The loader only calls the source's Open, LoadList and BuildLetterIndex. It stops at a
// flag between those steps (a long LoadList is cut short through the source) and is always
// joined: Start stops and joins a loader that still
// runs, and so do Stop and the destructor, so the source is never left to a thread nobody
// waits for. When it has finished (not when stopped) it posts the done message to the
// notify window, whose thread then reads what it built.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "platform/base/Win32Types.h"

class CCustomerSource;

class CCustomerLoader {
 public:
  // Thread priorities as the program names them: 3 normal, 4 below normal.
  static constexpr int kPriorityNormal = 3;
  static constexpr int kPriorityBelowNormal = 4;

  CCustomerLoader() = default;
  ~CCustomerLoader();
  CCustomerLoader(const CCustomerLoader&) = delete;
  CCustomerLoader& operator=(const CCustomerLoader&) = delete;

  // Where the done message goes (wParam 1 when the source was loaded, 0 when it could not
  // be prepared); null: nowhere.
  void SetNotify(HWND window, UINT message) {
    m_notify.store(window);
    m_message = message;
  }
  void Start(CCustomerSource& source, std::u16string filter, bool byCompany, int priority);
  // Asks a running loader to stop (its list load cut short) and waits for it.
  void Stop();
  // Waits for the loader to end; nothing when none was started.
  void Wait();
  // A loader was started and has not yet ended.
  bool Running() const { return m_thread.joinable() && !m_finished.load(); }

 private:
  void Run(CCustomerSource& source, std::u16string filter, bool byCompany, int priority);

  std::thread m_thread;
  CCustomerSource* m_source = nullptr;  // not owned; the running loader's
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_finished{false};
  std::atomic<HWND> m_notify{nullptr};
  UINT m_message = 0;
};

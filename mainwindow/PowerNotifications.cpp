#include "mainwindow/PowerNotifications.h"

#include <chrono>

#include "platform/base/Format.h"
#include "platform/kernel/MsgQueue.h"

namespace {

constexpr char16_t kQueueName[] = u"PowerMsgQ";
constexpr DWORD kMaxMessage = 4096;
constexpr DWORD kStateMask = 0xFFFF0000;

MSGQUEUEOPTIONS QueueOptions(bool read) {
  MSGQUEUEOPTIONS options;
  options.dwSize = 20;
  options.dwFlags = MSGQUEUE_NOPRECOMMIT;
  options.dwMaxMessages = 32;
  options.cbMaxMessage = kMaxMessage;
  options.bReadAccess = read ? TRUE : FALSE;
  return options;
}

}  // namespace

bool IsOSVersion4OrLater() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExW(&info) && info.dwMajorVersion >= 4;
}

CPowerNotifications::CPowerNotifications(HWND window, UINT message) : m_window(window), m_message(message) {}

CPowerNotifications::~CPowerNotifications() { Stop(); }

bool CPowerNotifications::Start() {
  if (IsRunning()) return true;
  MSGQUEUEOPTIONS options = QueueOptions(true);
  m_queue = CreateMsgQueue(kQueueName, &options);
  if (!m_queue) return false;
  m_request = RequestPowerNotifications(m_queue, POWER_NOTIFY_ALL);
  if (!m_request) {
    CloseMsgQueue(m_queue);
    m_queue = nullptr;
    return false;
  }
  m_stopping = false;
  m_done = false;
  m_thread = std::thread(&CPowerNotifications::Run, this);
  return true;
}

void CPowerNotifications::Stop() {
  if (m_request) StopPowerNotifications(m_request);
  m_request = nullptr;
  if (m_thread.joinable()) {
    m_stopping = true;
    // A message of our own wakes the wait; the thread sees the stop before reading on.
    MSGQUEUEOPTIONS options = QueueOptions(false);
    if (HANDLE writer = CreateMsgQueue(kQueueName, &options)) {
      const DWORD wake = 0;
      WriteMsgQueue(writer, &wake, sizeof wake, 0, 0);
      CloseMsgQueue(writer);
    }
    // A transition the thread is handing over waits for this thread: let it through.
    while (!m_done) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_thread.join();
  }
  if (m_queue) CloseMsgQueue(m_queue);
  m_queue = nullptr;
}

DWORD CPowerNotifications::ReadTransition(HANDLE queue) {
  // The buffer holds the queue's longest message, so a long state name cannot stay stuck
  // at the head of the queue; only the first two words are looked at.
  alignas(DWORD) BYTE buffer[kMaxMessage];
  DWORD read = 0, flags = 0;
  if (!ReadMsgQueue(queue, buffer, sizeof buffer, &read, INFINITE, &flags)) {
    WCHAR text[96];
    wsprintfW(text, u" ProcessPowerNotification: ReadMsgQueue: ERROR:%d\n", static_cast<int>(GetLastError()));
    OutputDebugStringW(text);
    return 0;
  }
  if (read < 16) return 0;
  const auto* broadcast = reinterpret_cast<const POWER_BROADCAST*>(buffer);
  if (broadcast->Message != PBT_TRANSITION) return 0;
  return broadcast->Flags & kStateMask;
}

void CPowerNotifications::Run() {
  for (;;) {
    const DWORD result = WaitForSingleObject(m_queue, INFINITE);
    if (result != WAIT_OBJECT_0) {
      WCHAR text[96];
      wsprintfW(text, u" PMNotify: WaitForSingleObject returned %d (error %d)\r\n", static_cast<int>(result),
                static_cast<int>(GetLastError()));
      OutputDebugStringW(text);
      break;
    }
    if (m_stopping) break;
    const DWORD state = ReadTransition(m_queue);
    if (state == POWER_STATE_ON || state == POWER_STATE_SUSPEND) SendMessageW(m_window, m_message, state, 0);
  }
  m_done = true;
}

#include "platform/scanners/ScannerFeed.h"

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/user/Window.h"

namespace platform::scanners {

namespace {
// How often the watcher looks at the device file: quick enough that a scan feels at once.
constexpr auto kWatchInterval = std::chrono::milliseconds(40);
}  // namespace

CCodeFeed::~CCodeFeed() { Close(); }

bool CCodeFeed::Open(std::u16string_view devicePath) {
  std::filesystem::path path = platform::MapDevicePath(devicePath);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  auto size = std::filesystem::file_size(path, error);
  std::lock_guard guard(m_lock);
  m_path = path.string();
  m_offset = error ? 0 : static_cast<long long>(size);
  m_open = true;
  m_lost = false;
  return true;
}

void CCodeFeed::Close() {
  StopWatcher();
  std::lock_guard guard(m_lock);
  m_open = false;
  m_path.clear();
  m_offset = 0;
}

bool CCodeFeed::IsOpen() const {
  std::lock_guard guard(m_lock);
  return m_open;
}

bool CCodeFeed::DevicePresent() const {
  std::lock_guard guard(m_lock);
  std::error_code error;
  return m_open && std::filesystem::is_regular_file(m_path, error);
}

bool CCodeFeed::Next(std::u16string& code) {
  std::lock_guard guard(m_lock);
  if (!m_open) return false;
  std::ifstream in(m_path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  long long end = in.tellg();
  // A file cut shorter than what was read (a person emptied it) starts again from its top.
  if (end < m_offset) m_offset = 0;
  in.seekg(m_offset);
  std::string rest(static_cast<size_t>(end - m_offset), '\0');
  in.read(rest.data(), static_cast<std::streamsize>(rest.size()));
  size_t start = 0;
  for (size_t newline; (newline = rest.find('\n', start)) != std::string::npos; start = newline + 1) {
    std::string line = rest.substr(start, newline - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    m_offset += static_cast<long long>(newline + 1);
    code = platform::ToUtf16(line);
    return true;
  }
  // Only blank lines, or a line still being written: skip the former, wait for the latter.
  m_offset += static_cast<long long>(start);
  return false;
}

void CCodeFeed::Watch(std::function<bool(const std::u16string&)> onCode, std::function<void()> onLost) {
  StopWatcher();
  {
    std::lock_guard deliver(m_deliver);
    m_onCode = std::move(onCode);
    m_onLost = std::move(onLost);
    m_stop = false;
  }
  m_watcher = std::thread([this] { Run(); });
}

void CCodeFeed::Arm(bool armed) {
  std::lock_guard deliver(m_deliver);
  m_armed = armed;
  m_wake.notify_all();
}

bool CCodeFeed::PollNow() {
  std::lock_guard deliver(m_deliver);
  if (!m_armed) return false;
  if (!DevicePresent()) {
    bool first = false;
    {
      std::lock_guard guard(m_lock);
      first = m_open && !m_lost;
      m_lost = true;
    }
    if (first && m_onLost) m_onLost();
    return false;
  }
  std::u16string code;
  if (!Next(code)) return false;
  if (m_onCode) m_armed = m_onCode(code);
  return true;
}

void CCodeFeed::StopWatcher() {
  {
    std::lock_guard deliver(m_deliver);
    m_stop = true;
    m_armed = false;
    m_wake.notify_all();
  }
  if (m_watcher.joinable()) m_watcher.join();
}

void CCodeFeed::Run() {
  for (;;) {
    {
      std::unique_lock deliver(m_deliver);
      m_wake.wait_for(deliver, kWatchInterval, [this] { return m_stop; });
      if (m_stop) return;
    }
    PollNow();
  }
}

void CScanMailbox::SetWindow(HWND window, UINT message, WPARAM wParam) {
  std::lock_guard guard(m_lock);
  m_window = window;
  m_message = message;
  m_wParam = wParam;
}

bool CScanMailbox::HasWindow() const {
  std::lock_guard guard(m_lock);
  return m_window != nullptr;
}

bool CScanMailbox::Deliver(const std::u16string& code) {
  HWND window;
  UINT message;
  WPARAM wParam;
  {
    std::lock_guard guard(m_lock);
    m_last = code;
    m_waiting = true;
    window = m_window;
    message = m_message;
    wParam = m_wParam;
  }
  if (window) PostMessageW(window, message, wParam, 0);
  return true;
}

bool CScanMailbox::Peek(std::u16string& code) const {
  std::lock_guard guard(m_lock);
  if (m_waiting) code = m_last;
  return m_waiting;
}

bool CScanMailbox::Take(std::u16string& code) {
  std::lock_guard guard(m_lock);
  if (m_waiting) code = m_last;
  bool had = m_waiting;
  m_waiting = false;
  return had;
}

void CScanMailbox::Clear(bool window) {
  std::lock_guard guard(m_lock);
  m_waiting = false;
  if (window) m_window = nullptr;
}

}  // namespace platform::scanners

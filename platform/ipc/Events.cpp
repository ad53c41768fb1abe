// Events. One without a name lives in this process; one with a name is a small file in the
// device root's event folder, changed under its lock by every process that opened it: its
// state, its kind and the processes holding it. A waiter looks at the state again every
// few milliseconds.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/Base.h"
#include "platform/ipc/Channel.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/kernel/MsgQueue.h"

using namespace platform::ipc;

namespace {

using Clock = std::chrono::steady_clock;

// Bytes of an event's name (the file name spells each byte in two characters).
constexpr size_t kLongestName = 120;

class Event : public platform::kernel::WaitableObject {
 public:
  virtual void Set(bool signalled) = 0;
};

class LocalEvent : public Event {
 public:
  LocalEvent(bool manual, bool initial) : m_manual(manual), m_signalled(initial) {}

  void Set(bool signalled) override {
    std::lock_guard guard(m_lock);
    m_signalled = signalled;
    m_changed.notify_all();
  }

  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock guard(m_lock);
    auto ready = [this] { return m_signalled; };
    if (milliseconds == INFINITE) m_changed.wait(guard, ready);
    else if (!m_changed.wait_for(guard, std::chrono::milliseconds(milliseconds), ready)) return WAIT_TIMEOUT;
    if (!m_manual) m_signalled = false;
    return WAIT_OBJECT_0;
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_manual;
  bool m_signalled;
};

// The file: byte 0 the state, byte 1 the kind (1: manual reset), then one 32-bit process
// id for each handle open on the event.
class SharedEvent : public Event {
 public:
  // Opens or makes the event's file; `existed` tells whether a live event was found.
  static std::shared_ptr<SharedEvent> Open(const std::u16string& name, bool manual, bool initial, bool& existed) {
    auto event = std::shared_ptr<SharedEvent>(new SharedEvent);
    std::filesystem::path folder = SocketFolder() / "events";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // Any name is a file name this way, up to a length.
    std::string utf8 = platform::ToUtf8(name);
    if (utf8.size() > kLongestName) {
      errno = ENAMETOOLONG;
      return nullptr;
    }
    const std::string file = HexFileName(name);
    event->m_fd.reset(::open((folder / file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!event->m_fd) return nullptr;
    Locked lock(event->m_fd.get());
    std::vector<std::uint8_t> state = event->Read();
    // Holders that ended without closing no longer count.
    std::vector<std::uint8_t> live;
    for (size_t at = 2; at + 4 <= state.size(); at += 4) {
      std::uint32_t pid = 0;
      std::memcpy(&pid, state.data() + at, 4);
      if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) live.insert(live.end(), &state[at], &state[at] + 4);
    }
    existed = state.size() >= 2 && !live.empty();
    if (!existed) live.clear();
    std::vector<std::uint8_t> next = {existed ? state[0] : static_cast<std::uint8_t>(initial),
                                      existed ? state[1] : static_cast<std::uint8_t>(manual)};
    next.insert(next.end(), live.begin(), live.end());
    std::uint32_t self = static_cast<std::uint32_t>(::getpid());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&self);
    next.insert(next.end(), bytes, bytes + 4);
    event->Write(next);
    return event;
  }

  ~SharedEvent() override {
    if (!m_fd) return;
    Locked lock(m_fd.get());
    std::vector<std::uint8_t> state = Read();
    std::uint32_t self = static_cast<std::uint32_t>(::getpid());
    for (size_t at = 2; at + 4 <= state.size(); at += 4) {
      if (std::memcmp(state.data() + at, &self, 4) == 0) {
        state.erase(state.begin() + static_cast<long>(at), state.begin() + static_cast<long>(at) + 4);
        break;
      }
    }
    Write(state);
  }

  void Set(bool signalled) override {
    Locked lock(m_fd.get());
    std::vector<std::uint8_t> state = Read();
    if (state.size() < 2) return;
    state[0] = signalled;
    Write(state);
  }

  DWORD Wait(DWORD milliseconds) override {
    auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds == INFINITE ? 0 : milliseconds);
    for (;;) {
      {
        Locked lock(m_fd.get());
        std::vector<std::uint8_t> state = Read();
        if (state.size() >= 2 && state[0]) {
          if (!state[1]) {
            state[0] = 0;
            Write(state);
          }
          return WAIT_OBJECT_0;
        }
      }
      if (milliseconds != INFINITE && Clock::now() >= deadline) return WAIT_TIMEOUT;
      auto step = std::chrono::milliseconds(5);
      if (milliseconds != INFINITE)
        step = std::min(step, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
      std::this_thread::sleep_for(std::max(step, std::chrono::milliseconds(0)));
    }
  }

 private:
  struct Locked {
    explicit Locked(int fd) : fd(fd) { ::flock(fd, LOCK_EX); }
    ~Locked() { ::flock(fd, LOCK_UN); }
    int fd;
  };

  std::vector<std::uint8_t> Read() const {
    std::vector<std::uint8_t> bytes(4096);
    ssize_t n = ::pread(m_fd.get(), bytes.data(), bytes.size(), 0);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
  }

  void Write(const std::vector<std::uint8_t>& bytes) const {
    if (::pwrite(m_fd.get(), bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()))
      (void)::ftruncate(m_fd.get(), static_cast<off_t>(bytes.size()));
  }

  UniqueFd m_fd;
};

BOOL SetState(HANDLE handle, bool signalled) {
  auto event = platform::kernel::FindObjectOf<Event>(handle);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set(signalled);
  return TRUE;
}

}  // namespace

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_SUCCESS);
    return platform::kernel::InsertObject(std::make_shared<LocalEvent>(manualReset, initialState));
  }
  bool existed = false;
  auto event = SharedEvent::Open(name, manualReset, initialState, existed);
  if (!event) {
    SetLastError(platform::ErrorFromErrno(errno));
    return nullptr;
  }
  HANDLE handle = platform::kernel::InsertObject(event);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL SetEvent(HANDLE event) { return SetState(event, true); }

BOOL ResetEvent(HANDLE event) { return SetState(event, false); }

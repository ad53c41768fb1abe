// Windows across processes: the listener that answers for this process's windows, and the
// other side, which the window system asks about windows that are not its own.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/Base.h"
#include "platform/ipc/Channel.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/WindowManager.h"

using namespace platform::ipc;

namespace {

constexpr DWORD kDefaultReplyLimit = 10 * 60 * 1000;
// Finding a window and bringing it to the front are answered by the listener itself.
constexpr DWORD kQuickReplyLimit = 5000;
// A sender has this long to deliver its whole request.
constexpr DWORD kRequestLimit = 5000;

std::atomic<DWORD> g_replyLimit{kDefaultReplyLimit};

DWORD Self() { return static_cast<DWORD>(::getpid()); }

void AnswerSentMessages() { platform::user::DeliverSentMessages(); }

// ---- The receiving side ------------------------------------------------------------------
//
// One thread, the acceptor, takes every connection and reads the requests of all of them
// at once as their bytes arrive, so a peer that connects and stalls costs a descriptor, not
// a thread. At most kMaxReading connections are read at once: one more cuts the one that
// has waited longest, and a connection that has not delivered its whole request within
// kRequestLimit is cut. A real sender writes its request at once, so it is read before
// either cut can reach it. Find requests are answered by the acceptor itself; the others
// wait for the window's thread and go to at most kMaxWorkers workers, through a queue of
// at most kMaxQueued (beyond it a request is refused at once).

constexpr size_t kMaxReading = 32;
constexpr size_t kMaxWorkers = 4;
constexpr size_t kMaxQueued = 32;
// How long the acceptor sleeps at most between looks at its stop flag.
constexpr int kAcceptorTick = 50;

using Clock = std::chrono::steady_clock;

void Reply(int fd, ReplyStatus status, std::int64_t value) {
  ReplyFrame reply;
  reply.status = static_cast<std::uint32_t>(status);
  reply.value = value;
  WriteAll(fd, &reply, sizeof(reply));
}

// One of our windows named by a request: a live window of this process, else null.
HWND OwnWindow(std::uint64_t local) {
  HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(local));
  return local && local <= 0xFFFFFFFFu && IsWindow(hwnd) ? hwnd : nullptr;
}

// A connection whose request is still coming in.
struct Reading {
  UniqueFd fd;
  CRequestReader request;
  Clock::time_point deadline;
};

// A complete request waiting for a worker.
struct Ready {
  UniqueFd fd;
  FrameHeader header;
  std::vector<std::uint8_t> body;
};

class Listener {
 public:
  bool Start() {
    std::lock_guard guard(m_lock);
    if (m_fd) return true;
    m_path = SocketPath(Self());
    m_fd.reset(ListenAt(m_path));
    if (!m_fd) return false;
    ::fcntl(m_fd.get(), F_SETFL, ::fcntl(m_fd.get(), F_GETFL) | O_NONBLOCK);
    m_stopping = false;
    m_acceptor = std::thread([this] { Accept(); });
    return true;
  }

  void Stop() {
    std::thread acceptor;
    {
      std::lock_guard guard(m_lock);
      if (!m_fd) return;
      m_stopping = true;
      acceptor = std::move(m_acceptor);
    }
    m_wake.notify_all();
    // Once the acceptor has ended, no worker is added.
    acceptor.join();
    std::vector<std::thread> workers;
    {
      std::lock_guard guard(m_lock);
      workers = std::move(m_workers);
      m_workers.clear();
    }
    // A worker may be waiting for a window of this thread to take its message.
    while (m_running > 0) {
      AnswerSentMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (std::thread& worker : workers) worker.join();
    std::lock_guard guard(m_lock);
    // What no worker took gets no answer: its sender sees the connection close.
    m_queue.clear();
    ::unlink(m_path.c_str());
    m_fd.reset();
  }

  ~Listener() { Stop(); }

 private:
  void Accept() {
    std::deque<Reading> reading;
    while (!m_stopping) {
      std::vector<pollfd> waitFor{{m_fd.get(), POLLIN, 0}};
      for (const Reading& r : reading) waitFor.push_back({r.fd.get(), POLLIN, 0});
      ::poll(waitFor.data(), waitFor.size(), NextWait(reading));
      // Requests first, so that a connection cut below for room has had its chance.
      for (size_t i = reading.size(); i-- > 0;)
        if (waitFor[i + 1].revents && !ReadMore(reading[i])) reading.erase(reading.begin() + static_cast<long>(i));
      const auto now = Clock::now();
      while (!reading.empty() && reading.front().deadline <= now) reading.pop_front();
      if (waitFor[0].revents & POLLIN) TakeConnections(reading, now);
    }
  }

  // Milliseconds until the earliest deadline, at most one tick.
  static int NextWait(const std::deque<Reading>& reading) {
    if (reading.empty()) return kAcceptorTick;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(reading.front().deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left + 1, 0, kAcceptorTick));
  }

  // Accepts the connections waiting at the socket. A peer of another user is turned away;
  // a connection past the bound cuts the one that has waited longest.
  void TakeConnections(std::deque<Reading>& reading, Clock::time_point now) {
    // A round takes at most one bound's worth, so that a flood cannot keep the acceptor here.
    for (size_t taken = 0; taken < kMaxReading; ++taken) {
      int fd = ::accept4(m_fd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0) return;
      UniqueFd owned(fd);
      ucred peer{};
      socklen_t size = sizeof(peer);
      if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid()) continue;
      if (reading.size() >= kMaxReading) reading.pop_front();
      reading.push_back({std::move(owned), CRequestReader(), now + std::chrono::milliseconds(kRequestLimit)});
    }
  }

  // Reads what has arrived; false once the connection is done with (answered, handed to a
  // worker, refused or gone).
  bool ReadMore(Reading& r) {
    std::uint8_t buffer[4096];
    ssize_t n = ::recv(r.fd.get(), buffer, std::min(sizeof(buffer), r.request.Wanted()), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) {
      // The sender stopped short of what it announced.
      Reply(r.fd.get(), ReplyStatus::Refused, 0);
      return false;
    }
    r.request.Take(buffer, static_cast<size_t>(n));
    switch (r.request.GetState()) {
      case CRequestReader::State::Reading: return true;
      case CRequestReader::State::Refused: Reply(r.fd.get(), ReplyStatus::Refused, 0); return false;
      case CRequestReader::State::Complete: break;
    }
    // Finding a window needs no window's thread: answered here, at once.
    if (static_cast<Request>(r.request.Header().kind) == Request::Find)
      AnswerRequest(r.fd.get(), r.request.Header(), r.request.Body());
    else
      HandToWorker(std::move(r));
    return false;
  }

  void HandToWorker(Reading&& r) {
    std::lock_guard guard(m_lock);
    if (m_queue.size() >= kMaxQueued) {
      Reply(r.fd.get(), ReplyStatus::Refused, 0);
      return;
    }
    m_queue.push_back({std::move(r.fd), r.request.Header(), r.request.Body()});
    if (m_idle == 0 && m_workers.size() < kMaxWorkers) m_workers.emplace_back([this] { Work(); });
    m_wake.notify_one();
  }

  void Work() {
    for (;;) {
      Ready job;
      {
        std::unique_lock guard(m_lock);
        ++m_idle;
        m_wake.wait(guard, [this] { return m_stopping || !m_queue.empty(); });
        --m_idle;
        if (m_stopping) break;
        job = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_running;
      }
      AnswerRequest(job.fd.get(), job.header, job.body);
      --m_running;
    }
    // The window system keeps a queue for every thread that sent; this one is done.
    std::lock_guard guard(platform::user::S().lock);
    platform::user::S().queues.erase(GetCurrentThreadId());
  }

  std::mutex m_lock;
  std::condition_variable m_wake;
  UniqueFd m_fd;
  std::filesystem::path m_path;
  std::atomic<bool> m_stopping{false};
  std::thread m_acceptor;
  std::vector<std::thread> m_workers;
  std::deque<Ready> m_queue;
  size_t m_idle = 0;
  std::atomic<int> m_running{0};
};

Listener& TheListener() {
  static Listener listener;
  return listener;
}

// ---- The sending side ----------------------------------------------------------------------

// Sends one request to process `pid` and reads its answer within `limit`; false with the
// last error set when there is none.
bool Ask(DWORD pid, const FrameHeader& header, const void* body, DWORD limit, ReplyFrame& reply) {
  UniqueFd fd(ConnectTo(pid));
  if (!fd) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (!WriteAll(fd.get(), &header, sizeof(header)) || (header.size && !WriteAll(fd.get(), body, header.size))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (!ReadAll(fd.get(), &reply, sizeof(reply), limit, &AnswerSentMessages) || reply.magic != kReplyMagic) {
    // A peer that died answers nothing at once; a live one that took too long, a time-out.
    pollfd check{fd.get(), POLLIN, 0};
    bool closed = ::poll(&check, 1, 0) > 0;
    SetLastError(closed ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TIMEOUT);
    return false;
  }
  if (reply.status != static_cast<std::uint32_t>(ReplyStatus::Done)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

// The processes with a socket in the folder, in order; a socket nobody listens on any
// more (its process ended without closing it) is removed on the way.
std::vector<DWORD> Peers() {
  std::vector<DWORD> pids;
  std::filesystem::path folder = SocketFolder();
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (name.size() < 6 || name.compare(name.size() - 5, 5, ".sock") != 0) continue;
    char* end = nullptr;
    unsigned long pid = std::strtoul(name.c_str(), &end, 10);
    if (end != name.c_str() + name.size() - 5 || pid == 0 || pid > 0x7FFFFFFF || pid == Self()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::filesystem::remove(entry.path(), ec);
      continue;
    }
    pids.push_back(static_cast<DWORD>(pid));
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

class OtherProcesses : public platform::user::ForeignWindows {
 public:
  bool IsForeign(HWND hwnd) const override {
    DWORD pid = 0;
    std::uint64_t local = 0;
    return SplitForeignHandle(hwnd, pid, local);
  }

  HWND Find(LPCWSTR className, LPCWSTR windowName) override {
    std::vector<std::uint8_t> body = EncodeFind(className, windowName);
    FrameHeader header;
    header.kind = static_cast<std::uint32_t>(Request::Find);
    header.sender = Self();
    header.size = static_cast<std::uint32_t>(body.size());
    for (DWORD pid : Peers()) {
      ReplyFrame reply;
      if (Ask(pid, header, body.data(), kQuickReplyLimit, reply) && reply.value)
        return ForeignHandle(pid, static_cast<std::uint64_t>(reply.value));
    }
    return nullptr;
  }

  LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    DWORD pid = 0;
    FrameHeader header;
    SplitForeignHandle(hwnd, pid, header.hwnd);
    // Only what needs no pointer of ours, or whose bytes are copied, can cross.
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    bool copyOk = msg != WM_COPYDATA ||
                  (copy && copy->cbData <= platform::kMaxCopyDataBytes && (copy->lpData || copy->cbData == 0));
    if (!MayCrossProcesses(msg) || !copyOk || (msg != WM_COPYDATA && lParam != 0)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    header.kind = static_cast<std::uint32_t>(Request::Send);
    header.msg = msg;
    header.sender = Self();
    // Our own window travels as its handle here; anything else means nothing there.
    header.wParam = IsWindow(reinterpret_cast<HWND>(wParam)) ? wParam : 0;
    if (msg == WM_COPYDATA) {
      header.data = copy->dwData;
      header.size = copy->cbData;
    }
    ReplyFrame reply;
    if (!Ask(pid, header, msg == WM_COPYDATA ? copy->lpData : nullptr, g_replyLimit, reply)) return 0;
    return static_cast<LRESULT>(reply.value);
  }

  BOOL SetForeground(HWND hwnd) override {
    DWORD pid = 0;
    FrameHeader header;
    SplitForeignHandle(hwnd, pid, header.hwnd);
    header.kind = static_cast<std::uint32_t>(Request::Activate);
    header.sender = Self();
    ReplyFrame reply;
    return Ask(pid, header, nullptr, kQuickReplyLimit, reply) ? TRUE : FALSE;
  }

  DWORD ProcessOf(HWND hwnd) const override {
    DWORD pid = 0;
    std::uint64_t local = 0;
    if (!SplitForeignHandle(hwnd, pid, local)) return 0;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 ? pid : 0;
  }
};

// The window system asks this process's ipc about other processes from the start.
const bool g_installed = [] {
  static OtherProcesses others;
  platform::user::SetForeignWindows(&others);
  return true;
}();

}  // namespace

namespace platform::ipc {

void AnswerRequest(int fd, const FrameHeader& header, const std::vector<std::uint8_t>& body) {
  const auto kind = static_cast<Request>(header.kind);
  if (kind == Request::Find) {
    std::u16string className, windowName;
    bool hasClass = false, hasTitle = false;
    if (!DecodeFind(body, className, hasClass, windowName, hasTitle)) return Reply(fd, ReplyStatus::Refused, 0);
    HWND found = platform::user::FindOwnWindow(hasClass ? className.c_str() : nullptr,
                                               hasTitle ? windowName.c_str() : nullptr);
    return Reply(fd, ReplyStatus::Done, static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(found)));
  }
  HWND hwnd = OwnWindow(header.hwnd);
  if (!hwnd) return Reply(fd, ReplyStatus::Refused, 0);
  if (kind == Request::Activate) {
    // Answered first: the sender need not wait for this window's thread.
    Reply(fd, ReplyStatus::Done, TRUE);
    platform::user::CallOnWindowThread(hwnd, [hwnd] { return static_cast<LRESULT>(SetForegroundWindow(hwnd)); });
    return;
  }
  if (kind != Request::Send || !MayCrossProcesses(header.msg) || (header.msg != WM_COPYDATA && !body.empty()))
    return Reply(fd, ReplyStatus::Refused, 0);
  // The sender's window, when it named one, as this process knows it.
  WPARAM from = header.wParam ? reinterpret_cast<WPARAM>(ForeignHandle(header.sender, header.wParam)) : 0;
  LRESULT result = 0;
  if (header.msg == WM_COPYDATA) {
    COPYDATASTRUCT copy;
    copy.dwData = static_cast<ULONG_PTR>(header.data);
    copy.cbData = static_cast<DWORD>(body.size());
    copy.lpData = body.empty() ? nullptr : const_cast<std::uint8_t*>(body.data());
    result = SendMessageW(hwnd, WM_COPYDATA, from, reinterpret_cast<LPARAM>(&copy));
  } else {
    result = SendMessageW(hwnd, header.msg, from, 0);
  }
  Reply(fd, ReplyStatus::Done, static_cast<std::int64_t>(result));
}

}  // namespace platform::ipc

namespace platform {

bool ShareWindowsWithOtherProcesses() { return TheListener().Start(); }

void StopSharingWindows() { TheListener().Stop(); }

void SetCrossProcessReplyLimit(DWORD milliseconds) {
  g_replyLimit = milliseconds ? milliseconds : kDefaultReplyLimit;
}

}  // namespace platform

// Windows across processes: the listener that answers for this process's windows, and the
// other side, which the window system asks about windows that are not its own.
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

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

bool MayCross(UINT msg) { return msg == WM_COPYDATA || msg == WM_CLOSE || msg == WM_NULL; }

void AnswerSentMessages() { platform::user::DeliverSentMessages(); }

// ---- The receiving side ------------------------------------------------------------------

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

// Reads one request from `fd`, carries it out and answers. A request that is malformed,
// larger than allowed or shorter than its header claims is refused before anything of
// it reaches a window.
void Serve(int fd) {
  FrameHeader header;
  if (!ReadAll(fd, &header, sizeof(header), kRequestLimit)) return;
  auto kind = static_cast<Request>(header.kind);
  bool known = kind == Request::Find || kind == Request::Send || kind == Request::Activate;
  if (header.magic != kFrameMagic || !known || header.size > platform::kMaxCopyDataBytes) {
    Reply(fd, ReplyStatus::Refused, 0);
    return;
  }
  std::vector<std::uint8_t> body(header.size);
  if (!body.empty() && !ReadAll(fd, body.data(), body.size(), kRequestLimit)) {
    Reply(fd, ReplyStatus::Refused, 0);
    return;
  }
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
    Reply(fd, ReplyStatus::Done, TRUE);
    platform::user::CallOnWindowThread(hwnd, [hwnd] { return static_cast<LRESULT>(SetForegroundWindow(hwnd)); });
    return;
  }
  if (!MayCross(header.msg) || (header.msg != WM_COPYDATA && !body.empty()))
    return Reply(fd, ReplyStatus::Refused, 0);
  // The sender's window, when it named one, as this process knows it.
  WPARAM from = header.wParam ? reinterpret_cast<WPARAM>(ForeignHandle(header.sender, header.wParam)) : 0;
  LRESULT result = 0;
  if (header.msg == WM_COPYDATA) {
    COPYDATASTRUCT copy;
    copy.dwData = static_cast<ULONG_PTR>(header.data);
    copy.cbData = header.size;
    copy.lpData = body.empty() ? nullptr : body.data();
    result = SendMessageW(hwnd, WM_COPYDATA, from, reinterpret_cast<LPARAM>(&copy));
  } else {
    result = SendMessageW(hwnd, header.msg, from, 0);
  }
  Reply(fd, ReplyStatus::Done, static_cast<std::int64_t>(result));
}

struct Worker {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> finished = std::make_shared<std::atomic<bool>>(false);
};

class Listener {
 public:
  bool Start() {
    std::lock_guard guard(m_lock);
    if (m_fd) return true;
    m_path = SocketPath(Self());
    m_fd.reset(ListenAt(m_path));
    if (!m_fd) return false;
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
    acceptor.join();
    // A worker may be waiting for a window of this thread to take its message.
    for (;;) {
      std::list<Worker> done;
      bool busy = false;
      {
        std::lock_guard guard(m_lock);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
          if (*it->finished) {
            done.splice(done.end(), m_workers, it++);
          } else {
            busy = true;
            ++it;
          }
        }
      }
      for (Worker& w : done) w.thread.join();
      if (!busy) break;
      AnswerSentMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::lock_guard guard(m_lock);
    ::unlink(m_path.c_str());
    m_fd.reset();
  }

  ~Listener() { Stop(); }

 private:
  void Accept() {
    while (!m_stopping) {
      pollfd waitFor{m_fd.get(), POLLIN, 0};
      if (::poll(&waitFor, 1, 50) <= 0) continue;
      int fd = ::accept4(m_fd.get(), nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ucred peer{};
      socklen_t size = sizeof(peer);
      if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid()) {
        ::close(fd);
        continue;
      }
      Worker worker;
      auto finished = worker.finished;
      worker.thread = std::thread([fd, finished] {
        UniqueFd owned(fd);
        Serve(fd);
        // The window system keeps a queue for every thread that sent; this one is done.
        std::lock_guard guard(platform::user::S().lock);
        platform::user::S().queues.erase(GetCurrentThreadId());
        *finished = true;
      });
      std::lock_guard guard(m_lock);
      m_workers.push_back(std::move(worker));
      Reap();
    }
  }

  // Joins the workers that have finished (lock held).
  void Reap() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
      if (*it->finished) {
        it->thread.join();
        it = m_workers.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::mutex m_lock;
  UniqueFd m_fd;
  std::filesystem::path m_path;
  std::atomic<bool> m_stopping{false};
  std::thread m_acceptor;
  std::list<Worker> m_workers;
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
    if (!MayCross(msg) || !copyOk || (msg != WM_COPYDATA && lParam != 0)) {
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

namespace platform {

bool ShareWindowsWithOtherProcesses() { return TheListener().Start(); }

void StopSharingWindows() { TheListener().Stop(); }

void SetCrossProcessReplyLimit(DWORD milliseconds) {
  g_replyLimit = milliseconds ? milliseconds : kDefaultReplyLimit;
}

}  // namespace platform

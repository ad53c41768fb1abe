#include "platform/ipc/Channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/base/Base.h"
#include "platform/base/Faults.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/user/Window.h"

namespace platform::ipc {

namespace {

// A socket address for `path`. A path too long for the address goes through the open
// folder's entry in /proc, which `folder` keeps open meanwhile.
bool AddressOf(const std::filesystem::path& path, sockaddr_un& address, UniqueFd& folder) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  std::string text = path.string();
  if (text.size() >= sizeof(address.sun_path)) {
    folder.reset(::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder) return false;
    text = "/proc/self/fd/" + std::to_string(folder.get()) + "/" + path.filename().string();
    if (text.size() >= sizeof(address.sun_path)) return false;
  }
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

bool MayCrossProcesses(UINT msg) { return msg == WM_COPYDATA || msg == WM_CLOSE || msg == WM_NULL; }

size_t CRequestReader::Wanted() const {
  if (m_state != State::Reading) return 0;
  if (m_headerBytes < sizeof(m_header)) return sizeof(m_header) - m_headerBytes;
  return m_body.size() - m_bodyBytes;
}

void CRequestReader::Take(const std::uint8_t* bytes, size_t count) {
  count = std::min(count, Wanted());
  if (count == 0) return;
  if (m_headerBytes < sizeof(m_header)) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(&m_header) + m_headerBytes, bytes, count);
    m_headerBytes += count;
    if (m_headerBytes == sizeof(m_header)) HeaderDone();
    return;
  }
  std::memcpy(m_body.data() + m_bodyBytes, bytes, count);
  m_bodyBytes += count;
  if (m_bodyBytes == m_body.size()) BodyDone();
}

void CRequestReader::HeaderDone() {
  const auto kind = static_cast<Request>(m_header.kind);
  const bool known = kind == Request::Find || kind == Request::Send || kind == Request::Activate;
  if (m_header.magic != kFrameMagic || !known || m_header.size > platform::kMaxCopyDataBytes ||
      (kind == Request::Activate && m_header.size != 0) ||
      (kind == Request::Send && (!MayCrossProcesses(m_header.msg) || (m_header.msg != WM_COPYDATA && m_header.size)))) {
    m_state = State::Refused;
    return;
  }
  // The body is allocated only now that its size is known to be within the limit.
  m_body.resize(m_header.size);
  if (m_body.empty()) BodyDone();
}

void CRequestReader::BodyDone() {
  m_state = State::Complete;
  if (static_cast<Request>(m_header.kind) != Request::Find) return;
  std::u16string className, windowName;
  bool hasClass = false, hasTitle = false;
  if (!DecodeFind(m_body, className, hasClass, windowName, hasTitle)) m_state = State::Refused;
}

namespace {

// `folder` made when missing and closed to everyone but the user; false when it is no folder
// of the user's own (a link, another user's) or cannot be written.
bool MakePrivateFolder(const std::filesystem::path& folder) {
  ::mkdir(folder.c_str(), 0700);
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return false;
  return ::access(folder.c_str(), W_OK) == 0;
}

// The meeting place of a device root that cannot be written (a read-only card or mount):
// the user's runtime folder, one folder per root, named by the root's path. Empty when
// there is none the user alone may use.
std::filesystem::path RuntimeFolderOf(const std::filesystem::path& root) {
  std::filesystem::path base;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && MakePrivateFolder(runtime))
    base = std::filesystem::path(runtime) / "slateway";
  else
    base = std::filesystem::path("/tmp") / ("slateway-" + std::to_string(::geteuid()));
  if (!MakePrivateFolder(base)) return {};
  // FNV-1a: the same name in every process and every build.
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : root.string()) hash = (hash ^ c) * 1099511628211ull;
  char name[24];
  std::snprintf(name, sizeof(name), "ipc-%016llx", static_cast<unsigned long long>(hash));
  std::filesystem::path folder = base / name;
  return MakePrivateFolder(folder) ? folder : std::filesystem::path();
}

}  // namespace

std::filesystem::path SocketFolder() {
  std::filesystem::path folder = DeviceRoot() / ".platform" / "ipc";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // Only the user may look in: a socket there is a way into the program.
  ::chmod(folder.parent_path().c_str(), 0700);
  ::chmod(folder.c_str(), 0700);
  if (::access(folder.c_str(), W_OK) == 0 && !ShouldFail(Fault::ReadOnlyRoot)) return folder;
  // Programs of a root they cannot write still find each other, and one of them still
  // knows it is the only one: every process of the root decides the same way.
  if (std::filesystem::path runtime = RuntimeFolderOf(DeviceRoot()); !runtime.empty()) return runtime;
  return folder;
}

std::string HexFileName(std::u16string_view name) {
  static const char kHex[] = "0123456789abcdef";
  std::string file;
  for (unsigned char c : platform::ToUtf8(name)) {
    file += kHex[c >> 4];
    file += kHex[c & 15];
  }
  return file;
}

std::filesystem::path SocketPath(DWORD pid) { return SocketFolder() / (std::to_string(pid) + ".sock"); }

int ConnectTo(DWORD pid) {
  sockaddr_un address;
  UniqueFd folder;
  if (!AddressOf(SocketPath(pid), address, folder)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return -1;
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return -1;
  return fd.release();
}

int ListenAt(const std::filesystem::path& path) {
  sockaddr_un address;
  UniqueFd folder;
  if (!AddressOf(path, address, folder)) return -1;
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return -1;
  ::unlink(path.c_str());
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return -1;
  ::chmod(path.c_str(), 0600);
  if (::listen(fd.get(), 16) != 0) return -1;
  return fd.release();
}

bool WriteAll(int fd, const void* bytes, size_t count) {
  const char* p = static_cast<const char*>(bytes);
  while (count > 0) {
    ssize_t n = ::send(fd, p, count, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* bytes, size_t count, DWORD milliseconds, void (*whileWaiting)()) {
  using Clock = std::chrono::steady_clock;
  const bool limited = milliseconds != INFINITE;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? milliseconds : 0);
  char* p = static_cast<char*>(bytes);
  while (count > 0) {
    int slice = 50;
    if (limited) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      slice = static_cast<int>(std::min<long long>(left, slice));
    }
    pollfd waitFor{fd, POLLIN, 0};
    int ready = ::poll(&waitFor, 1, slice);
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) {
      if (whileWaiting) whileWaiting();
      continue;
    }
    ssize_t n = ::recv(fd, p, count, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

std::vector<std::uint8_t> EncodeFind(LPCWSTR className, LPCWSTR windowName) {
  std::uint32_t flags = (className ? 1u : 0u) | (windowName ? 2u : 0u);
  std::vector<std::uint8_t> body(sizeof(flags));
  std::memcpy(body.data(), &flags, sizeof(flags));
  for (LPCWSTR text : {className, windowName}) {
    if (!text) continue;
    std::u16string_view view(text);
    const auto* first = reinterpret_cast<const std::uint8_t*>(view.data());
    body.insert(body.end(), first, first + (view.size() + 1) * sizeof(WCHAR));
  }
  return body;
}

bool DecodeFind(const std::vector<std::uint8_t>& body, std::u16string& className, bool& hasClass,
                std::u16string& windowName, bool& hasTitle) {
  std::uint32_t flags = 0;
  if (body.size() < sizeof(flags) || (body.size() - sizeof(flags)) % sizeof(WCHAR) != 0) return false;
  std::memcpy(&flags, body.data(), sizeof(flags));
  if (flags > 3) return false;
  std::u16string units((body.size() - sizeof(flags)) / sizeof(WCHAR), u'\0');
  std::memcpy(units.data(), body.data() + sizeof(flags), units.size() * sizeof(WCHAR));
  size_t at = 0;
  auto take = [&](std::u16string& out) {
    size_t end = units.find(u'\0', at);
    if (end == std::u16string::npos) return false;
    out = units.substr(at, end - at);
    at = end + 1;
    return true;
  };
  hasClass = flags & 1;
  hasTitle = flags & 2;
  if (hasClass && !take(className)) return false;
  if (hasTitle && !take(windowName)) return false;
  return at == units.size();
}

HWND ForeignHandle(DWORD pid, std::uint64_t local) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>((static_cast<std::uint64_t>(pid) << 32) |
                                                            (local & 0xFFFFFFFFu)));
}

bool SplitForeignHandle(HWND hwnd, DWORD& pid, std::uint64_t& local) {
  auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(hwnd));
  std::uint64_t high = value >> 32;
  // Our own handles fit in 32 bits; the special handles (HWND_TOPMOST...) are all ones.
  if (high == 0 || high > 0x7FFFFFFF) return false;
  pid = static_cast<DWORD>(high);
  local = value & 0xFFFFFFFFu;
  return local != 0;
}

}  // namespace platform::ipc

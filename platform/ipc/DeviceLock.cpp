// Locks of the device root: one file each in the ipc folder, held with flock. The file is
// never removed, so every taker locks the same file; the kernel drops the lock with the
// last descriptor, which a process that dies closes too.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/Base.h"
#include "platform/ipc/Channel.h"
#include "platform/ipc/Ipc.h"

namespace platform {

bool CDeviceLock::TryTake(std::u16string_view name) {
  if (IsHeld()) return true;
  std::filesystem::path folder = ipc::SocketFolder() / "locks";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  ::chmod(folder.c_str(), 0700);
  const std::string file = ipc::HexFileName(name);
  // Close-on-exec: a program this one starts must not hold its lock.
  const int fd = ::open((folder / file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return !held;
  }
  m_fd = fd;
  return true;
}

void CDeviceLock::Release() {
  if (m_fd < 0) return;
  ::close(m_fd);
  m_fd = -1;
}

}  // namespace platform

// The device root and the mapping of device paths onto it.
#include "platform/kernel/DeviceRoot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "platform/base/Base.h"
#include "platform/base/Faults.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// Error codes the handle-based calls report but the shared header does not name.
constexpr DWORD kErrorTooManyOpenFiles = 4;
constexpr DWORD kErrorNotSameDevice = 17;

std::mutex g_rootMutex;
fs::path g_root;
bool g_rootChosen = false;

fs::path DefaultRoot() {
  if (const char* explicitRoot = std::getenv("SLATEWAY_DEVICE_ROOT"); explicitRoot && *explicitRoot)
    return explicitRoot;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return fs::path(data) / "slateway" / "device";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "slateway" / "device";
}

// Absolute and without "." / ".." / trailing separator, so prefix checks are plain.
fs::path Normalised(const fs::path& p) {
  std::error_code ec;
  fs::path abs = fs::absolute(p, ec);
  if (ec) abs = p;
  abs = abs.lexically_normal();
  if (abs.has_filename() || abs == abs.root_path()) return abs;
  return abs.parent_path();
}

// Another local user must reach nothing under the root: it holds the customers (card
// fields included), the settings and the registry's locks. A root made before the program
// kept it private loses its group and other bits here; one line says so when it cannot.
void MakeRootPrivate(const fs::path& root) {
  struct stat st {};
  if (::stat(root.c_str(), &st) != 0 || (st.st_mode & 077) == 0) return;
  int error = ::chmod(root.c_str(), st.st_mode & 07700) == 0 ? 0 : errno;
  if (error == 0 && ::stat(root.c_str(), &st) == 0 && (st.st_mode & 077) == 0) return;
  std::fprintf(stderr, "slateway: the device root %s stays open to other users: %s\n", root.c_str(),
               error ? std::strerror(error) : "its file system keeps no permissions");
}

void UseRoot(const fs::path& root) {
  g_root = Normalised(root);
  g_rootChosen = true;
  // Whatever the process makes from now on (folders, files, hives, databases, journals
  // SQLite writes on its own) is its user's alone, whatever umask it was started with.
  ::umask(077);
  std::error_code ec;
  fs::create_directories(g_root, ec);
  MakeRootPrivate(g_root);
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::vector<std::u16string_view> SplitDevicePath(std::u16string_view devicePath) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (start <= devicePath.size()) {
    size_t end = start;
    while (end < devicePath.size() && !IsSeparator(devicePath[end])) ++end;
    std::u16string_view part = devicePath.substr(start, end - start);
    if (part == u"..") {
      // Climbing never leaves the root: ".." at the top stays at the top.
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return parts;
}

// The entry of `folder` whose name equals `name` ignoring case; the exact spelling wins
// when both exist, otherwise the first in byte order, so the answer never depends on the
// order the folder happens to list its entries in.
std::optional<fs::path> FindEntryIgnoringCase(const fs::path& folder, std::u16string_view name,
                                              const std::string& utf8Name) {
  std::error_code ec;
  fs::path exact = folder / utf8Name;
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  std::optional<fs::path> best;
  fs::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  for (const fs::directory_entry& entry : it) {
    std::string candidate = entry.path().filename().string();
    if (!EqualsIgnoreCase(ToUtf16(candidate), name)) continue;
    if (!best || candidate < best->filename().string()) best = entry.path();
  }
  return best;
}

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

const fs::path& DeviceRoot() {
  std::lock_guard lock(g_rootMutex);
  if (!g_rootChosen) UseRoot(DefaultRoot());
  return g_root;
}

void SetDeviceRoot(const fs::path& root) {
  std::lock_guard lock(g_rootMutex);
  UseRoot(root);
}

fs::path MapDevicePath(std::u16string_view devicePath) {
  fs::path current = DeviceRoot();
  bool existing = true;  // once a component is missing, the rest cannot exist either
  for (std::u16string_view part : SplitDevicePath(devicePath)) {
    std::string utf8 = ToUtf8(part);
    if (existing) {
      if (std::optional<fs::path> found = FindEntryIgnoringCase(current, part, utf8)) {
        current = *found;
        continue;
      }
      existing = false;
    }
    current /= utf8;
  }
  return current;
}

std::u16string ToDevicePath(const fs::path& linuxPath) {
  const fs::path root = DeviceRoot();
  const fs::path target = Normalised(linuxPath);
  auto r = root.begin();
  auto t = target.begin();
  for (; r != root.end(); ++r, ++t) {
    if (t == target.end() || *r != *t) return {};
  }
  std::u16string device;
  for (; t != target.end(); ++t) {
    if (t->empty()) continue;
    device += u'\\';
    device += ToUtf16(t->string());
  }
  return device.empty() ? std::u16string(u"\\") : device;
}

namespace {
void SyncFolder(const fs::path& folder) {
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    CloseQuietly(dirFd);
  }
}
}  // namespace

namespace {
// The atomic writer names its temporary "." + target name + ".tmp-" + six letters or
// digits (what mkstemp fills in); nothing else in a folder is ever taken for one.
//
// A writer holds its temporary flock'ed from before it writes until after the rename, and
// makes sure, once it holds the lock, that the name is still its file (a sweep may have
// taken the file between mkstemp and flock; the writer then starts again). So a temporary
// that can be locked is one whose writer is gone, however young it is.
constexpr std::string_view kTempMarker = ".tmp-";
constexpr size_t kTempSuffixLength = 6;

bool IsAtomicWriterTemporary(std::string_view name) {
  const size_t tail = kTempMarker.size() + kTempSuffixLength;
  if (name.size() < 2 + tail || name[0] != '.') return false;
  std::string_view marker = name.substr(name.size() - tail, kTempMarker.size());
  if (marker != kTempMarker) return false;
  for (char c : name.substr(name.size() - kTempSuffixLength))
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

// Whether `path` names the file open as `fd`.
bool NamesOpenFile(const fs::path& path, int fd) {
  struct stat named {}, open {};
  return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev &&
         named.st_ino == open.st_ino;
}

// Folders already swept by this process: a crash leaves temporaries behind once, so one
// sweep per folder and run is enough and keeps repeated saves cheap.
std::mutex g_sweptMutex;
std::set<fs::path> g_sweptFolders;

// A new temporary beside `path`, locked and still named by its path, or -1 (errno set).
int MakeLockedTemporary(const fs::path& folder, const fs::path& path, std::string& temp) {
  constexpr int kTries = 8;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    temp = (folder / ("." + path.filename().string() + std::string(kTempMarker) + "XXXXXX")).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return -1;
    ::flock(fd, LOCK_EX);
    if (NamesOpenFile(temp, fd)) return fd;
    CloseQuietly(fd);  // swept before it was locked: its name is gone, so is the file
  }
  errno = EAGAIN;
  return -1;
}
}  // namespace

int RemoveStaleTemporaries(const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return 0;
  int removed = 0;
  for (const fs::directory_entry& entry : it) {
    const std::string name = entry.path().filename().string();
    if (!IsAtomicWriterTemporary(name) || !entry.is_regular_file(ec) || entry.is_symlink(ec)) continue;
    // A live writer holds its temporary locked until the rename; a crashed one held it
    // only as long as it lived. The name must still be the file locked: a writer that
    // finished meanwhile has renamed it away.
    int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && NamesOpenFile(entry.path(), fd) && ::unlink(entry.path().c_str()) == 0)
      ++removed;
    CloseQuietly(fd);
  }
  return removed;
}

int RemoveStaleTemporariesUnder(const fs::path& root) {
  std::vector<fs::path> folders{root};
  std::error_code ec;
  // Links to folders are not followed: what lies behind them is not the device's.
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) folders.push_back(it->path());
  }
  int removed = 0;
  std::lock_guard lock(g_sweptMutex);
  for (const fs::path& folder : folders) {
    removed += RemoveStaleTemporaries(folder);
    g_sweptFolders.insert(fs::absolute(folder));
  }
  return removed;
}

bool IsDeviceRootWritable() {
  if (ShouldFail(Fault::ReadOnlyRoot)) return false;
  // The permission bits alone do not tell: root passes them, a read-only mount does not.
  std::string probe = (DeviceRoot() / ".write-check-XXXXXX").string();
  int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

namespace {

// Another entry of the folder that names the same device file as `path` (the device
// ignores case), besides `path` itself.
bool HasCaseTwin(const fs::path& path) {
  std::error_code ec;
  const std::u16string name = ToUtf16(path.filename().string());
  for (const fs::directory_entry& entry : fs::directory_iterator(path.parent_path(), ec)) {
    const std::string candidate = entry.path().filename().string();
    if (candidate != path.filename().string() && EqualsIgnoreCase(ToUtf16(candidate), name)) return true;
  }
  return false;
}

// Gives the written temporary the target's name. Replacing: a rename over whatever is
// there. Not replacing: a second name for the temporary, which the system refuses when the
// name is taken, and which is withdrawn again when another spelling of it appeared.
DWORD PlaceTemporary(const std::string& temp, const fs::path& path, bool replace) {
  if (ShouldFail(Fault::FileRename)) return ERROR_ACCESS_DENIED;
  if (replace) return ::rename(temp.c_str(), path.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
  if (::link(temp.c_str(), path.c_str()) != 0) return errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno);
  if (HasCaseTwin(path)) {
    ::unlink(path.c_str());
    return ERROR_FILE_EXISTS;
  }
  return ERROR_SUCCESS;
}

bool WriteAndPlace(const fs::path& path, std::string_view bytes, bool durable, bool replace) {
  if (!path.has_filename()) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  std::string temp;
  int fd = MakeLockedTemporary(folder, path, temp);
  if (fd < 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return false;
  }
  {
    std::lock_guard lock(g_sweptMutex);
    if (g_sweptFolders.insert(fs::absolute(folder)).second) RemoveStaleTemporaries(folder);
  }
  DWORD error = ERROR_SUCCESS;
  // mkstemp makes the file private, as every new file under the root is; a replaced file
  // keeps the permissions it had.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  if (ShouldFail(Fault::FileWrite)) {
    error = ERROR_WRITE_FAULT;
  } else if (ShouldFail(Fault::DiskFull)) {
    error = ERROR_DISK_FULL;
  } else if (!WriteAll(fd, bytes) || (durable && ::fsync(fd) != 0)) {
    error = ErrorFromErrno(errno);
  }
  if (error == ERROR_SUCCESS) error = PlaceTemporary(temp, path, replace);
  // Not replacing, the temporary's own name is left over after a success too.
  if (error != ERROR_SUCCESS || !replace) ::unlink(temp.c_str());
  // Closed only now: the lock must cover the rename.
  if (::close(fd) != 0 && error == ERROR_SUCCESS) error = ErrorFromErrno(errno);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  // The rename itself must reach the disk too, or a power cut may bring the old name back.
  if (durable) SyncFolder(folder);
  SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace

bool WriteFileAtomic(const fs::path& path, std::string_view bytes, bool durable) {
  return WriteAndPlace(path, bytes, durable, true);
}

bool WriteNewFileAtomic(const fs::path& path, std::string_view bytes) { return WriteAndPlace(path, bytes, true, false); }

bool SyncFile(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  bool ok = ::fsync(fd) == 0;
  if (!ok) SetLastError(ErrorFromErrno(errno));
  CloseQuietly(fd);
  SyncFolder(path.parent_path().empty() ? fs::path(".") : path.parent_path());
  return ok;
}

BOOL WriteDeviceFileAtomic(LPCWSTR devicePath, const void* bytes, DWORD count) {
  if (!devicePath || (!bytes && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string_view name(devicePath, WideLength(devicePath));
  fs::path target = MapDevicePath(name);
  if (target == DeviceRoot()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::string_view data(static_cast<const char*>(bytes), count);
  return WriteFileAtomic(target, data) ? TRUE : FALSE;
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EXDEV: return kErrorNotSameDevice;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case EIO: return ERROR_WRITE_FAULT;
    default: return ERROR_ACCESS_DENIED;
  }
}

}  // namespace platform

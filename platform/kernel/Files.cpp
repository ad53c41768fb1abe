// Files and folders of the device over POSIX descriptors, and the handle table that
// every kernel HANDLE of the process lives in.
#include "platform/kernel/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/base/Base.h"
#include "platform/base/Faults.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/KernelObjects.h"

namespace fs = std::filesystem;

namespace platform::kernel {
namespace {

std::mutex g_tableMutex;
std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> g_table;
// Handles are never reused within a run, so a stale handle cannot reach a newer object.
UINT_PTR g_nextHandle = 0x100;

}  // namespace

HANDLE InsertObject(std::shared_ptr<KernelObject> object) {
  std::lock_guard lock(g_tableMutex);
  UINT_PTR value = g_nextHandle;
  g_nextHandle += 4;
  g_table.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindObject(HANDLE handle) {
  std::lock_guard lock(g_tableMutex);
  auto it = g_table.find(reinterpret_cast<UINT_PTR>(handle));
  return it == g_table.end() ? nullptr : it->second;
}

bool RemoveObject(HANDLE handle) {
  std::shared_ptr<KernelObject> doomed;  // released after the lock, outside the table
  std::lock_guard lock(g_tableMutex);
  auto it = g_table.find(reinterpret_cast<UINT_PTR>(handle));
  if (it == g_table.end()) return false;
  doomed = std::move(it->second);
  g_table.erase(it);
  return true;
}

void ForEachObject(const std::function<void(KernelObject&)>& visit) {
  std::lock_guard lock(g_tableMutex);
  for (auto& [value, object] : g_table) visit(*object);
}

FILETIME FileTimeFromTimespec(const timespec& ts) {
  // Seconds between 1601-01-01 and 1970-01-01.
  constexpr LONGLONG kEpochDelta = 11644473600LL;
  LONGLONG seconds = static_cast<LONGLONG>(ts.tv_sec) + kEpochDelta;
  if (seconds < 0) return {};
  ULONGLONG value = static_cast<ULONGLONG>(seconds) * 10000000ULL + static_cast<ULONGLONG>(ts.tv_nsec) / 100;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

}  // namespace platform::kernel

using platform::kernel::FileTimeFromTimespec;
using platform::kernel::KernelObject;

namespace {

// "The directory name is invalid": a folder call given a file.
constexpr DWORD kErrorDirectory = 267;
constexpr DWORD kErrorNegativeSeek = 131;

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileId&) const = default;
};

// An open file: one descriptor per handle, so each handle has its own file pointer.
class FileObject : public KernelObject {
 public:
  FileObject(int fd, DWORD access, DWORD share, FileId id) : m_fd(fd), m_access(access), m_share(share), m_id(id) {}
  ~FileObject() override { ::close(m_fd); }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  int Fd() const { return m_fd; }
  DWORD Access() const { return m_access; }
  DWORD Share() const { return m_share; }
  const FileId& Id() const { return m_id; }

 private:
  int m_fd;
  DWORD m_access;
  DWORD m_share;
  FileId m_id;
};

// A folder search: the matches are taken when the search starts and handed out in order.
class FindObject : public KernelObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAW> entries) : m_entries(std::move(entries)) {}
  bool Next(WIN32_FIND_DATAW* out) {
    std::lock_guard lock(m_mutex);
    if (m_next >= m_entries.size()) return false;
    *out = m_entries[m_next++];
    return true;
  }

 private:
  std::mutex m_mutex;
  std::vector<WIN32_FIND_DATAW> m_entries;
  size_t m_next = 0;
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::u16string_view View(LPCWSTR text) { return {text, platform::WideLength(text)}; }

bool StatPath(const fs::path& path, struct stat* st) { return ::stat(path.c_str(), st) == 0; }

FileId IdOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// The error for a path that does not exist: the file is missing, or already its folder is.
DWORD MissingError(const fs::path& path) {
  struct stat st {};
  if (StatPath(path.parent_path(), &st) && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

// True when a new open with `access`/`share` clashes with the handles open on `id`:
// each side must allow what the other one does. Called with the table locked.
bool SharingConflict(const FileId& id, DWORD access, DWORD share) {
  bool conflict = false;
  platform::kernel::ForEachObject([&](KernelObject& object) {
    auto* file = dynamic_cast<FileObject*>(&object);
    if (!file || !(file->Id() == id)) return;
    if ((access & GENERIC_READ) && !(file->Share() & FILE_SHARE_READ)) conflict = true;
    if ((access & GENERIC_WRITE) && !(file->Share() & FILE_SHARE_WRITE)) conflict = true;
    if ((file->Access() & GENERIC_READ) && !(share & FILE_SHARE_READ)) conflict = true;
    if ((file->Access() & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) conflict = true;
  });
  return conflict;
}

bool IsOpen(const FileId& id) {
  bool open = false;
  platform::kernel::ForEachObject([&](KernelObject& object) {
    auto* file = dynamic_cast<FileObject*>(&object);
    if (file && file->Id() == id) open = true;
  });
  return open;
}

// Serialises opening against the share checks, so two threads cannot both pass the check
// and then open the same file exclusively.
std::mutex g_openMutex;

std::shared_ptr<FileObject> FileOf(HANDLE handle) {
  return platform::kernel::FindObjectOf<FileObject>(handle);
}

DWORD AttributesOf(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  // Searches and attribute reads tell such an entry from a file without opening it.
  if (!S_ISREG(st.st_mode)) return FILE_ATTRIBUTE_DEVICE;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

void FillTimes(const struct stat& st, FILETIME* creation, FILETIME* access, FILETIME* write) {
  // Linux keeps no portable creation time; the last change of the inode comes closest
  // without ever lying in the future of the last write.
  FILETIME mtime = FileTimeFromTimespec(st.st_mtim);
  if (creation) *creation = std::min(FileTimeFromTimespec(st.st_ctim), mtime, [](const FILETIME& a, const FILETIME& b) {
    return (static_cast<ULONGLONG>(a.dwHighDateTime) << 32 | a.dwLowDateTime) <
           (static_cast<ULONGLONG>(b.dwHighDateTime) << 32 | b.dwLowDateTime);
  });
  if (access) *access = FileTimeFromTimespec(st.st_atim);
  if (write) *write = mtime;
}

std::string ReadWhole(int fd, bool* ok) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      *ok = false;
      return bytes;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  *ok = true;
  return bytes;
}

// Splits "\folder\pattern" into the folder's device path and the last component.
void SplitLast(std::u16string_view path, std::u16string_view* folder, std::u16string_view* last) {
  size_t cut = path.find_last_of(u"\\/");
  if (cut == std::u16string_view::npos) {
    *folder = {};
    *last = path;
  } else {
    *folder = path.substr(0, cut);
    *last = path.substr(cut + 1);
  }
}

bool IsDeviceRoot(const fs::path& path) { return path == platform::DeviceRoot(); }

}  // namespace

// ---- Handle-based file calls ----------------------------------------------------------

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
  if (!fileName || creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING ||
      (creationDisposition == TRUNCATE_EXISTING && !(desiredAccess & GENERIC_WRITE))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (platform::ShouldFail(platform::Fault::FileOpen)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const fs::path path = platform::MapDevicePath(View(fileName));
  std::lock_guard openLock(g_openMutex);
  struct stat st {};
  const bool existed = StatPath(path, &st);
  if (existed && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // The device holds files and folders only: a pipe, a device or a socket in their place
  // (or a link to one) is no file to open, and opening a pipe would wait for a writer.
  if (existed && !S_ISREG(st.st_mode)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  if (!existed) {
    DWORD missing = MissingError(path);
    if (missing == ERROR_PATH_NOT_FOUND || creationDisposition == OPEN_EXISTING ||
        creationDisposition == TRUNCATE_EXISTING) {
      SetLastError(missing);
      return INVALID_HANDLE_VALUE;
    }
  } else if (creationDisposition == CREATE_NEW) {
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  // The share check comes before anything is truncated, so a refused open changes nothing.
  if (existed && SharingConflict(IdOf(st), desiredAccess, shareMode)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }

  int flags = O_CLOEXEC;
  const bool read = desiredAccess & GENERIC_READ;
  const bool write = desiredAccess & GENERIC_WRITE;
  flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  if (!existed) flags |= O_CREAT | O_EXCL;
  // Never waits: a pipe put in the file's place since the look above is refused below.
  int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0600);  // the device's files are its user's alone
  if (fd >= 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    fd = -1;
  }
  if (fd < 0) {
    SetLastError(errno == ENOENT ? MissingError(path) : errno == EEXIST ? ERROR_FILE_EXISTS : platform::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  const bool truncate = existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING);
  struct stat opened {};
  DWORD error = ERROR_SUCCESS;
  if (::fstat(fd, &opened) != 0) error = platform::ErrorFromErrno(errno);
  else if (!S_ISREG(opened.st_mode)) error = ERROR_NOT_SUPPORTED;
  else if (truncate && ::ftruncate(fd, 0) != 0) error = platform::ErrorFromErrno(errno);
  if (error != ERROR_SUCCESS) {
    ::close(fd);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = platform::kernel::InsertObject(
      std::make_shared<FileObject>(fd, desiredAccess & (GENERIC_READ | GENERIC_WRITE), shareMode, IdOf(opened)));
  const bool reportExisting = existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPVOID) {
  if (read) *read = 0;
  std::shared_ptr<FileObject> object = FileOf(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  if (!(object->Access() & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
  if (!buffer && toRead > 0) return Fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < toRead) {
    ssize_t n = ::read(object->Fd(), static_cast<char*>(buffer) + done, toRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (read) *read = done;
      return Fail(platform::ErrorFromErrno(errno));
    }
    if (n == 0) break;  // the end of the file: success with what was there
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPVOID) {
  if (written) *written = 0;
  std::shared_ptr<FileObject> object = FileOf(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  if (!(object->Access() & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  if (!buffer && toWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
  if (platform::ShouldFail(platform::Fault::FileWrite)) return Fail(ERROR_WRITE_FAULT);
  if (platform::ShouldFail(platform::Fault::DiskFull)) return Fail(ERROR_DISK_FULL);
  DWORD done = 0;
  while (done < toWrite) {
    ssize_t n = ::write(object->Fd(), static_cast<const char*>(buffer) + done, toWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return Fail(platform::ErrorFromErrno(errno));
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  std::shared_ptr<FileObject> object = FileOf(file);
  struct stat st {};
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (::fstat(object->Fd(), &st) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<ULONGLONG>(st.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  // A caller that passes no high part and gets INVALID_FILE_SIZE tells a size of
  // 4 GiB - 1 from a failure by the last error, so success clears it.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD moveMethod) {
  std::shared_ptr<FileObject> object = FileOf(file);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : moveMethod == FILE_END ? SEEK_END : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  // With a high part the two halves form one signed 64-bit distance; without, the low
  // part alone is a signed 32-bit one.
  LONGLONG move = distanceHigh
                      ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                              static_cast<DWORD>(distance))
                      : static_cast<LONGLONG>(distance);
  // The base is read without moving the pointer, so a refused move leaves it in place.
  off_t base = 0;
  if (whence == SEEK_CUR) {
    base = ::lseek(object->Fd(), 0, SEEK_CUR);
  } else if (whence == SEEK_END) {
    struct stat st {};
    base = ::fstat(object->Fd(), &st) == 0 ? st.st_size : -1;
  }
  if (base < 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  LONGLONG target = 0;
  if (__builtin_add_overflow(static_cast<LONGLONG>(base), move, &target)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (target < 0) {
    SetLastError(kErrorNegativeSeek);
    return INVALID_SET_FILE_POINTER;
  }
  if (::lseek(object->Fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<ULONGLONG>(target) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<ULONGLONG>(target));
}

BOOL SetEndOfFile(HANDLE file) {
  std::shared_ptr<FileObject> object = FileOf(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  if (!(object->Access() & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  off_t position = ::lseek(object->Fd(), 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(object->Fd(), position) != 0) return Fail(platform::ErrorFromErrno(errno));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  std::shared_ptr<FileObject> object = FileOf(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  if (!(object->Access() & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  if (::fsync(object->Fd()) != 0) return Fail(platform::ErrorFromErrno(errno));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite) {
  std::shared_ptr<FileObject> object = FileOf(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  struct stat st {};
  if (::fstat(object->Fd(), &st) != 0) return Fail(platform::ErrorFromErrno(errno));
  FillTimes(st, creation, lastAccess, lastWrite);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  if (!platform::kernel::RemoveObject(object)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

// ---- Files and folders by name ------------------------------------------------------------

BOOL DeleteFileW(LPCWSTR fileName) {
  if (!fileName) return Fail(ERROR_INVALID_PARAMETER);
  const fs::path path = platform::MapDevicePath(View(fileName));
  std::lock_guard openLock(g_openMutex);
  struct stat st {};
  if (!StatPath(path, &st)) return Fail(MissingError(path));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  // An open file stays where it is: deleting it under a handle would leave the holder
  // writing to a file nobody can find again.
  if (IsOpen(IdOf(st))) return Fail(ERROR_SHARING_VIOLATION);
  if (::unlink(path.c_str()) != 0) return Fail(platform::ErrorFromErrno(errno));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL MoveFileW(LPCWSTR existingName, LPCWSTR newName) {
  if (!existingName || !newName) return Fail(ERROR_INVALID_PARAMETER);
  const fs::path source = platform::MapDevicePath(View(existingName));
  std::lock_guard openLock(g_openMutex);
  struct stat from {};
  if (!StatPath(source, &from)) return Fail(MissingError(source));
  if (IsDeviceRoot(source)) return Fail(ERROR_ACCESS_DENIED);
  if (IsOpen(IdOf(from))) return Fail(ERROR_SHARING_VIOLATION);

  std::u16string_view folder, leaf;
  SplitLast(View(newName), &folder, &leaf);
  if (leaf.empty() || leaf == u"." || leaf == u"..") return Fail(ERROR_INVALID_NAME);
  fs::path target = platform::MapDevicePath(View(newName));
  struct stat to {};
  if (StatPath(target, &to)) {
    // Renaming a file to its own name in another case is a rename, not a clash.
    if (!(IdOf(to) == IdOf(from)) || target.parent_path() != source.parent_path()) return Fail(ERROR_ALREADY_EXISTS);
    target = target.parent_path() / platform::ToUtf8(leaf);
  } else {
    struct stat parent {};
    if (!StatPath(target.parent_path(), &parent) || !S_ISDIR(parent.st_mode)) return Fail(ERROR_PATH_NOT_FOUND);
  }
  if (target == source) {
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  // RENAME_NOREPLACE keeps a file that appears meanwhile from being replaced.
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return Fail(platform::ErrorFromErrno(errno));
    if (::rename(source.c_str(), target.c_str()) != 0) return Fail(platform::ErrorFromErrno(errno));
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL CopyFileW(LPCWSTR existingName, LPCWSTR newName, BOOL failIfExists) {
  if (!existingName || !newName) return Fail(ERROR_INVALID_PARAMETER);
  const fs::path source = platform::MapDevicePath(View(existingName));
  const fs::path target = platform::MapDevicePath(View(newName));
  std::lock_guard openLock(g_openMutex);
  struct stat from {};
  if (!StatPath(source, &from)) return Fail(MissingError(source));
  if (S_ISDIR(from.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  // The copy reads the source as a reader that lets others read, and replaces the target
  // as a writer that shares with nobody.
  if (SharingConflict(IdOf(from), GENERIC_READ, FILE_SHARE_READ)) return Fail(ERROR_SHARING_VIOLATION);
  struct stat to {};
  if (StatPath(target, &to)) {
    if (S_ISDIR(to.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (failIfExists) return Fail(ERROR_FILE_EXISTS);
    // Copying a file onto itself would truncate the only copy of its bytes.
    if (IdOf(to) == IdOf(from) || IsOpen(IdOf(to))) return Fail(ERROR_SHARING_VIOLATION);
  } else {
    struct stat parent {};
    if (!StatPath(target.parent_path(), &parent) || !S_ISDIR(parent.st_mode)) return Fail(ERROR_PATH_NOT_FOUND);
  }
  int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(platform::ErrorFromErrno(errno));
  bool ok = false;
  std::string bytes = ReadWhole(fd, &ok);
  int readErrno = errno;
  ::close(fd);
  if (!ok) return Fail(platform::ErrorFromErrno(readErrno));
  // Through the atomic writer, so a failed copy leaves an older target whole.
  if (!platform::WriteFileAtomic(target, bytes)) return FALSE;
  const timespec times[2] = {from.st_atim, from.st_mtim};
  ::utimensat(AT_FDCWD, target.c_str(), times, 0);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES) {
  if (!pathName) return Fail(ERROR_INVALID_PARAMETER);
  const fs::path path = platform::MapDevicePath(View(pathName));
  struct stat st {};
  if (StatPath(path, &st)) return Fail(ERROR_ALREADY_EXISTS);
  if (::mkdir(path.c_str(), 0700) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return Fail(ERROR_PATH_NOT_FOUND);
    return Fail(platform::ErrorFromErrno(errno));
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR pathName) {
  if (!pathName) return Fail(ERROR_INVALID_PARAMETER);
  const fs::path path = platform::MapDevicePath(View(pathName));
  struct stat st {};
  if (!StatPath(path, &st)) return Fail(MissingError(path));
  if (!S_ISDIR(st.st_mode)) return Fail(kErrorDirectory);
  if (IsDeviceRoot(path)) return Fail(ERROR_ACCESS_DENIED);
  if (::rmdir(path.c_str()) != 0) {
    if (errno == ENOTEMPTY || errno == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY);
    return Fail(platform::ErrorFromErrno(errno));
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  const fs::path path = platform::MapDevicePath(View(fileName));
  struct stat st {};
  if (!StatPath(path, &st)) {
    SetLastError(MissingError(path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(st);
}

// ---- Folder search ----------------------------------------------------------------------

namespace platform {

bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  // Greedy matching with one backtrack point: the last "*" seen.
  auto matches = [](std::u16string_view p, std::u16string_view n) {
    size_t pi = 0, ni = 0, starP = std::u16string_view::npos, starN = 0;
    while (ni < n.size()) {
      if (pi < p.size() && p[pi] == u'*') {
        starP = pi++;
        starN = ni;
      } else if (pi < p.size() && (p[pi] == u'?' || FoldCase(p[pi]) == FoldCase(n[ni]))) {
        ++pi;
        ++ni;
      } else if (starP != std::u16string_view::npos) {
        pi = starP + 1;
        ni = ++starN;
      } else {
        return false;
      }
    }
    while (pi < p.size() && p[pi] == u'*') ++pi;
    return pi == p.size();
  };
  if (matches(pattern, name)) return true;
  // A trailing ".*" also matches a name without an extension ("*.*" finds "README").
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" && name.find(u'.') == std::u16string_view::npos)
    return matches(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

int OpenKernelHandleCount() {
  int count = 0;
  kernel::ForEachObject([&](KernelObject&) { ++count; });
  return count;
}

void CloseAllKernelHandles() {
  // Taken out under the lock and destroyed after it, so no object dies inside the table.
  std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> doomed;
  {
    std::lock_guard lock(kernel::g_tableMutex);
    doomed.swap(kernel::g_table);
  }
}

}  // namespace platform

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
  if (!fileName || !findData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view folderPart, pattern;
  SplitLast(View(fileName), &folderPart, &pattern);
  const fs::path folder = platform::MapDevicePath(folderPart);
  struct stat folderStat {};
  if (!StatPath(folder, &folderStat) || !S_ISDIR(folderStat.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // The names are sorted apart from the (large) find records, which are copied once, in
  // order, at the end.
  std::vector<std::u16string> names;
  std::vector<WIN32_FIND_DATAW> found;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    std::u16string name = platform::ToUtf16(entry.path().filename().string());
    if (name == u"." || name == u".." || name.size() >= MAX_PATH) continue;
    if (pattern.empty() || !platform::MatchesWildcard(pattern, name)) continue;
    struct stat st {};
    if (!StatPath(entry.path(), &st)) continue;  // a dangling link, or gone meanwhile
    WIN32_FIND_DATAW data;
    data.dwFileAttributes = AttributesOf(st);
    FillTimes(st, &data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime);
    if (!S_ISDIR(st.st_mode)) {
      data.nFileSizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(st.st_size) >> 32);
      data.nFileSizeLow = static_cast<DWORD>(st.st_size);
    }
    std::copy(name.begin(), name.end(), data.cFileName);
    data.cFileName[name.size()] = 0;
    names.push_back(std::move(name));
    found.push_back(data);
  }
  if (found.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::vector<size_t> order(found.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&names](size_t a, size_t b) {
    int compared = platform::CompareIgnoreCase(names[a], names[b]);
    return compared != 0 ? compared < 0 : names[a] < names[b];  // names differing in case only
  });
  std::vector<WIN32_FIND_DATAW> entries;
  entries.reserve(found.size());
  for (size_t i : order) entries.push_back(found[i]);
  auto search = std::make_shared<FindObject>(std::move(entries));
  search->Next(findData);
  HANDLE handle = platform::kernel::InsertObject(std::move(search));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData) {
  auto search = platform::kernel::FindObjectOf<FindObject>(findFile);
  if (!search) return Fail(ERROR_INVALID_HANDLE);
  if (!findData) return Fail(ERROR_INVALID_PARAMETER);
  if (!search->Next(findData)) return Fail(ERROR_NO_MORE_FILES);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL FindClose(HANDLE findFile) {
  if (!platform::kernel::FindObjectOf<FindObject>(findFile)) return Fail(ERROR_INVALID_HANDLE);
  return CloseHandle(findFile);
}

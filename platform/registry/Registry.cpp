#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <unordered_map>

#include "platform/kernel/Clock.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/registry/Hive.h"

namespace platform {
namespace {

using registry::Key;
using registry::Value;

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

// Identifies one version of a hive file, so a change by another process is noticed.
struct FileIdentity {
  bool exists = false;
  ino_t inode = 0;
  off_t size = 0;
  timespec mtime{};
  bool operator==(const FileIdentity& o) const {
    return exists == o.exists && inode == o.inode && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
  }
};

// Beside each hive file lies "<hive>.lock", shared by every process that uses the hive:
// an exclusive flock on it covers each read-modify-write of the hive (re-read, change,
// atomic write), and its first eight bytes count the hive's writes. A reader compares that
// count with the one it last saw, so noticing another process's save costs one small read
// rather than a stat of the hive on every call. The count is read and written with
// pread/pwrite, never mapped: a lock file cut short by anyone then reads as a count of 0
// (the hive is looked at once) and is whole again at the next save, where a mapping
// would kill the process with SIGBUS.
struct HiveLock {
  int fd = -1;
  pid_t owner = 0;  // a forked child must open its own: a shared descriptor shares the lock
  int depth = 0;
  bool stalled = false;  // the last try timed out: the next ones do not wait
};

struct Hive {
  const char16_t* fileName;
  std::unique_ptr<Key> top;
  FileIdentity identity;
  bool loaded = false;
  bool unsynced = false;  // written by rename but not yet forced to the disk
  bool dirty = false;     // changed inside a batch, written when the batch ends
  bool recheck = false;   // look at the file at the next access
  std::uint64_t seenWrites = 0;  // the lock file's count when the file was last read or written
  HiveLock lock;
  std::filesystem::path path;  // the hive file, mapped once per device root
};

struct OpenKey {
  size_t hive;
  std::vector<std::u16string> path;
};

class Registry {
 public:
  Registry() {
    m_hives[0].fileName = u"HKEY_CLASSES_ROOT.reg";
    m_hives[1].fileName = u"HKEY_CURRENT_USER.reg";
    m_hives[2].fileName = u"HKEY_LOCAL_MACHINE.reg";
    m_hives[3].fileName = u"HKEY_USERS.reg";
  }

  ~Registry() {
    for (size_t i = 0; i < m_hives.size(); ++i) Sync(i);
  }

  std::recursive_mutex mutex;

  void Reset() {
    m_batchDepth = 0;
    for (size_t i = 0; i < m_hives.size(); ++i) Sync(i);
    ++m_generation;
    for (Hive& h : m_hives) {
      CloseLock(h.lock);
      h.path.clear();
      h.top.reset();
      h.loaded = false;
      h.dirty = false;
      h.recheck = false;
      h.identity = {};
    }
    m_open.clear();
  }

  int OpenCount() const { return static_cast<int>(m_open.size()); }

  // Resolves a handle (a root or an open key) to its hive and path.
  bool Resolve(HKEY key, OpenKey& out) const {
    auto raw = reinterpret_cast<ULONG_PTR>(key);
    if (raw >= 0x80000000u && raw <= 0x80000003u) {
      out = {static_cast<size_t>(raw - 0x80000000u), {}};
      return true;
    }
    auto it = m_open.find(key);
    if (it == m_open.end()) return false;
    out = it->second;
    return true;
  }

  // The key a handle names, or null (with the error) when it is gone.
  Key* Lookup(const OpenKey& k, LONG& error) {
    Key* node = Top(k.hive);
    for (const auto& name : k.path) {
      node = node->FindSubkey(name);
      if (!node) {
        error = ERROR_KEY_DELETED;
        return nullptr;
      }
    }
    return node;
  }

  HKEY AddHandle(OpenKey k) {
    HKEY h = reinterpret_cast<HKEY>(m_nextHandle);
    m_nextHandle += 4;
    m_open.emplace(h, std::move(k));
    return h;
  }

  bool CloseHandle(HKEY key) { return m_open.erase(key) == 1; }

  // The hive's tree for reading. Outside a batch the file is read again when the shared
  // write count says another process saved it; inside one, at most once per batch; never
  // while this process holds the hive's lock (nobody else can change it then).
  Key* Top(size_t hive) {
    Hive& h = m_hives[hive];
    if (!h.loaded) {
      Load(h);
    } else if (h.lock.depth == 0 && (m_batchDepth == 0 || h.recheck)) {
      // The count is taken before the file is looked at, so a save after it is noticed.
      std::uint64_t writes = SharedWrites(h);
      bool look = h.recheck || writes != h.seenWrites;
      h.recheck = false;
      h.seenWrites = writes;
      if (look && !(Identify(HivePath(h)) == h.identity)) Load(h);
    }
    return h.top.get();
  }

  // Takes the hive's lock for a change and brings the tree up to date with the file.
  // ERROR_CANTWRITE when the lock file cannot be made or another process holds it too
  // long (see TakeLock). Each successful call is paired with FinishChange.
  LONG BeginChange(size_t hive) {
    Hive& h = m_hives[hive];
    if (h.dirty) return ERROR_SUCCESS;  // the batch already holds the lock
    if (!Lock(h)) return ERROR_CANTWRITE;
    if (!h.loaded || !(Identify(HivePath(h)) == h.identity)) Load(h);
    return ERROR_SUCCESS;
  }

  // Ends a change begun by BeginChange. Inside a batch a change only marks the hive, which
  // keeps its lock until the batch ends; outside one the hive is written now.
  LONG FinishChange(size_t hive, LONG result, bool changed) {
    Hive& h = m_hives[hive];
    if (h.dirty) return result;
    if (changed && m_batchDepth > 0) {
      h.dirty = true;
      return result;
    }
    if (changed) result = Save(h);
    Unlock(h);
    return result;
  }

  void BeginBatch() {
    if (m_batchDepth++ > 0) return;
    for (Hive& h : m_hives) h.recheck = true;
  }

  // Writes every hive the outermost batch changed, each by one rename, and lets go of
  // their locks. A hive that cannot be written goes back to what its file holds.
  LONG EndBatch() {
    if (m_batchDepth == 0) return ERROR_INVALID_FUNCTION;
    if (--m_batchDepth > 0) return ERROR_SUCCESS;
    LONG result = ERROR_SUCCESS;
    for (Hive& h : m_hives) {
      if (!h.dirty) continue;
      h.dirty = false;
      LONG saved = Save(h);
      if (saved != ERROR_SUCCESS) result = saved;
      Unlock(h);
    }
    return result;
  }

  LONG Sync(size_t hive) {
    Hive& h = m_hives[hive];
    if (!h.unsynced) return ERROR_SUCCESS;
    h.unsynced = false;
    return SyncFile(HivePath(h)) ? ERROR_SUCCESS : ERROR_CANTWRITE;
  }

  // Changes whenever what a hive holds may have changed: a write, a reload, a reset.
  ULONGLONG Generation(size_t hive) {
    Top(hive);  // notices a hive file rewritten by another process
    return m_generation;
  }

 private:
  // Mapping a device path looks each folder up ignoring case; the hive's file is found
  // once and kept until the device root changes (Reset).
  static const std::filesystem::path& HivePath(Hive& h) {
    if (h.path.empty()) h.path = MapDevicePath(std::u16string(u"\\Windows\\Registry\\") + h.fileName);
    return h.path;
  }

  static FileIdentity Identify(const std::filesystem::path& path) {
    struct stat st;
    FileIdentity id;
    if (::stat(path.c_str(), &st) != 0) return id;
    id.exists = true;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.mtime = st.st_mtim;
    return id;
  }

  // Opens (creating when missing) the hive's lock file.
  bool OpenLock(Hive& h) {
    HiveLock& lock = h.lock;
    if (lock.fd >= 0 && lock.owner == ::getpid()) return true;
    if (lock.fd >= 0) {  // inherited across a fork: the parent's descriptor is not ours to lock
      ::close(lock.fd);
      lock.fd = -1;
      lock.depth = 0;
    }
    std::filesystem::path path = HivePath(h);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    path += ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    lock.fd = fd;
    lock.owner = ::getpid();
    return true;
  }

  static void CloseLock(HiveLock& lock) {
    if (lock.fd >= 0) ::close(lock.fd);
    lock = {};
  }

  // The hive's write count as every process sees it; nothing when there is no lock file
  // or it holds less than a count.
  std::optional<std::uint64_t> ReadWriteCount(Hive& h) {
    if (!OpenLock(h)) return std::nullopt;
    std::uint64_t count = 0;
    ssize_t n;
    do {
      n = ::pread(h.lock.fd, &count, sizeof count, 0);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(sizeof count)) return std::nullopt;
    return count;
  }
  std::uint64_t SharedWrites(Hive& h) { return ReadWriteCount(h).value_or(0); }

  // Counts a save of the hive; called under its lock, so no other process counts at once.
  // A count that was lost (the file cut short) starts again from the clock, far from any
  // count a reader may have seen, so that the next save is never taken for one it knows.
  void CountWrite(Hive& h) {
    std::optional<std::uint64_t> count = ReadWriteCount(h);
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    std::uint64_t next = count ? *count + 1 : static_cast<std::uint64_t>(now);
    if (::pwrite(h.lock.fd, &next, sizeof next, 0) == static_cast<ssize_t>(sizeof next)) h.seenWrites = next;
  }

  // Another process holds a hive only for one read-modify-write or one batch, a few
  // milliseconds. A hold much longer than that, with no save of the hive meanwhile, is a
  // process stopped or gone astray, and the program must not stall behind it: the change
  // fails (ERROR_CANTWRITE), and until the lock is had again further changes of that hive
  // fail at once instead of waiting. While other processes keep saving, the lock is
  // passed around rather than held, and the wait goes on.
  static constexpr auto kLockPatience = std::chrono::seconds(1);

  bool TakeLock(Hive& h) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + kLockPatience;
    std::uint64_t writes = SharedWrites(h);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
      if (::flock(h.lock.fd, LOCK_EX | LOCK_NB) == 0) return true;
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK || h.lock.stalled) return false;
      if (Clock::now() >= deadline) {
        std::uint64_t now = SharedWrites(h);
        if (now == writes) return false;
        writes = now;
        deadline = Clock::now() + kLockPatience;
      }
      std::this_thread::sleep_for(pause);
      pause = std::min<std::chrono::milliseconds>(pause * 2, std::chrono::milliseconds(10));
    }
  }

  bool Lock(Hive& h) {
    if (h.lock.depth > 0 && h.lock.owner == ::getpid()) {
      ++h.lock.depth;
      return true;
    }
    if (!OpenLock(h)) return false;
    if (!TakeLock(h)) {
      if (!h.lock.stalled)
        std::fprintf(stderr, "registry: %s.lock is held by another process; its changes fail until it lets go\n",
                     HivePath(h).c_str());
      h.lock.stalled = true;
      return false;
    }
    h.lock.stalled = false;
    h.lock.depth = 1;
    return true;
  }

  static void Unlock(Hive& h) {
    if (h.lock.depth == 0 || --h.lock.depth > 0) return;
    ::flock(h.lock.fd, LOCK_UN);
  }

  // Writes the hive. On failure the change is dropped again by reading the file back, so
  // memory never holds what the file does not. The rename makes each change whole on disk
  // at once; forcing it to the disk waits for a flush or the close of a key.
  LONG Save(Hive& h) {
    std::filesystem::path path = HivePath(h);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (WriteFileAtomic(path, registry::SerializeHive(*h.top), false)) {
      h.identity = Identify(path);
      h.unsynced = true;
      ++m_generation;
      CountWrite(h);
      return ERROR_SUCCESS;
    }
    Load(h);
    return ERROR_CANTWRITE;
  }

  static std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // A repair is noted beside the hive until the program tells the user (TakeRegistryRepairs):
  // whichever process of the device read the damaged file first, the program hears of it
  // once. A line each: the lines left out, or 0 when the hive started empty.
  static std::filesystem::path RepairNotePath(const std::filesystem::path& path) {
    std::filesystem::path note = path;
    note += ".repaired";
    return note;
  }

  static void NoteRepair(const std::filesystem::path& path, size_t skippedLines) {
    const int fd = ::open(RepairNotePath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const std::string line = std::to_string(skippedLines) + '\n';
    if (::write(fd, line.data(), line.size()) < 0) std::perror("registry: the repair note");
    ::close(fd);
  }

 public:
  platform::RegistryRepairs TakeRepairs() {
    platform::RegistryRepairs repairs;
    for (Hive& h : m_hives) {
      const std::filesystem::path note = RepairNotePath(HivePath(h));
      std::ifstream in(note);
      for (size_t lines = 0; in >> lines;) {
        if (lines == 0) ++repairs.hivesStartedEmpty;
        repairs.skippedLines += lines;
      }
      in.close();
      std::error_code ec;
      std::filesystem::remove(note, ec);
    }
    return repairs;
  }

 private:
  // A free name beside the hive for keeping a damaged file: ".damaged", ".damaged.1", ...
  static std::filesystem::path AsideName(const std::filesystem::path& path) {
    std::filesystem::path aside = path;
    aside += ".damaged";
    for (int n = 1; std::filesystem::exists(aside); ++n) {
      aside = path;
      aside += ".damaged." + std::to_string(n);
    }
    return aside;
  }

  // Reads the hive file into memory. A file that is not a hive at all is renamed aside and
  // the hive starts empty. A hive with damaged lines keeps every entry that reads: a copy
  // of the file is kept aside, the readable part is written back at once (so the damage is
  // reported once, not at every start), and what was skipped is reported on stderr.
  void Load(Hive& h) {
    ++m_generation;
    const std::filesystem::path& path = HivePath(h);
    h.seenWrites = SharedWrites(h);  // read before the file: a save after it is noticed
    h.identity = Identify(path);
    h.top = std::make_unique<Key>();
    h.loaded = true;
    if (!h.identity.exists) return;
    std::string text = ReadFileBytes(path);
    auto parsed = registry::ParseHive(text);
    if (parsed && parsed->skippedLines == 0) {
      h.top = std::move(parsed->top);
      return;
    }
    if (!Lock(h)) {  // cannot be mended now: use what reads, and try again at the next start
      if (parsed) h.top = std::move(parsed->top);
      return;
    }
    // Another process may have mended or replaced the file meanwhile: then it is read as
    // it is now, once more.
    if (!(Identify(path) == h.identity)) {
      h.seenWrites = SharedWrites(h);
      h.identity = Identify(path);
      text = ReadFileBytes(path);
      parsed = registry::ParseHive(text);
      if (parsed && parsed->skippedLines == 0) {
        h.top = std::move(parsed->top);
        Unlock(h);
        return;
      }
    }
    std::error_code ec;
    std::filesystem::path aside = AsideName(path);
    if (parsed) {
      std::filesystem::copy_file(path, aside, ec);
      h.top = std::move(parsed->top);
      std::fprintf(stderr, "registry: %s cannot be read in full; %zu damaged lines skipped, the file kept as %s\n",
                   path.c_str(), parsed->skippedLines, aside.c_str());
      NoteRepair(path, parsed->skippedLines);
      if (WriteFileAtomic(path, registry::SerializeHive(*h.top), false)) {
        h.unsynced = true;
        CountWrite(h);
      }
    } else {
      // A damaged hive is kept aside for whoever wants to look at it, never overwritten.
      std::filesystem::rename(path, aside, ec);
      std::fprintf(stderr, "registry: %s cannot be read; kept as %s, starting with an empty hive\n", path.c_str(),
                   aside.c_str());
      NoteRepair(path, 0);
    }
    h.identity = Identify(path);
    Unlock(h);
  }

  std::array<Hive, 4> m_hives;
  ULONGLONG m_generation = 0;
  int m_batchDepth = 0;
  std::unordered_map<HKEY, OpenKey> m_open;
  ULONG_PTR m_nextHandle = 0x1000;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

// Splits "a\b\\c\" into its non-empty components; false when a name is too long or the
// path goes deeper than a key may lie.
bool SplitPath(LPCWSTR subKey, std::vector<std::u16string>& parts) {
  if (!subKey) return true;
  std::u16string_view path(subKey);
  size_t start = 0;
  while (start <= path.size()) {
    size_t sep = path.find(u'\\', start);
    if (sep == std::u16string_view::npos) sep = path.size();
    if (sep > start) {
      if (sep - start > kMaxKeyNameLength || parts.size() == registry::kMaxKeyDepth) return false;
      parts.emplace_back(path.substr(start, sep - start));
    }
    start = sep + 1;
  }
  return true;
}

std::u16string_view ValueName(LPCWSTR name) { return name ? std::u16string_view(name) : std::u16string_view(); }

void Touch(Key& key) { key.lastWrite = CurrentFileTime(); }

// Copies bytes to a caller's buffer with the registry's size protocol.
LONG CopyOut(const std::vector<BYTE>& data, LPBYTE buffer, LPDWORD cbData) {
  if (!cbData) return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD need = static_cast<DWORD>(data.size());
  if (!buffer) {
    *cbData = need;
    return ERROR_SUCCESS;
  }
  if (*cbData < need) {
    *cbData = need;
    return ERROR_MORE_DATA;
  }
  if (need) std::memcpy(buffer, data.data(), need);
  *cbData = need;
  return ERROR_SUCCESS;
}

LONG CopyName(const std::u16string& name, LPWSTR buffer, LPDWORD cch) {
  if (!buffer || !cch) return ERROR_INVALID_PARAMETER;
  if (*cch < name.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
  buffer[name.size()] = 0;
  *cch = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

enum class Access { Read, Change };

// Runs `body` on the key a handle names, under the registry's lock; the handle's errors
// (unknown handle, deleted key) come back without calling it. A change runs under the
// hive's cross-process lock too, on the tree as the file holds it now: `body` sets
// `changed` when it changed the tree, and the hive is then written (or, inside a batch,
// written when the batch ends).
template <Access access, class Body>
LONG OnKey(HKEY key, Body&& body) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  OpenKey k;
  if (!r.Resolve(key, k)) return ERROR_INVALID_HANDLE;
  LONG result = ERROR_SUCCESS;
  if constexpr (access == Access::Read) {
    Key* node = r.Lookup(k, result);
    return node ? body(r, k, *node) : result;
  } else {
    result = r.BeginChange(k.hive);
    if (result != ERROR_SUCCESS) return result;
    bool changed = false;
    Key* node = r.Lookup(k, result);
    if (node) result = body(k, *node, changed);
    return r.FinishChange(k.hive, result, changed && result == ERROR_SUCCESS);
  }
}

template <class Body>
LONG WithKey(HKEY key, Body&& body) {
  return OnKey<Access::Read>(key, std::forward<Body>(body));
}

template <class Body>
LONG WithKeyToChange(HKEY key, Body&& body) {
  return OnKey<Access::Change>(key, std::forward<Body>(body));
}

}  // namespace

void ReloadRegistry() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.Reset();
}

ULONGLONG RegistryGeneration(HKEY root) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  OpenKey k;
  if (!r.Resolve(root, k)) return 0;
  return r.Generation(k.hive);
}

void BeginRegistryBatch() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.BeginBatch();
}

LONG EndRegistryBatch() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.EndBatch();
}

RegistryRepairs TakeRegistryRepairs() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.TakeRepairs();
}

int OpenRegistryKeyCount() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.OpenCount();
}

}  // namespace platform

using platform::OpenKey;
using platform::Registry;
using platform::WithKey;
using platform::WithKeyToChange;
using platform::TheRegistry;
using platform::registry::Key;
using platform::registry::Value;

namespace {
// Walks `parts` below `node`, creating what is missing when `create` is set. Fills the
// path of the key reached; null when a part is missing and nothing may be created.
Key* Walk(Key* node, const std::vector<std::u16string>& parts, bool create, OpenKey& target, bool& created) {
  for (const auto& name : parts) {
    Key* sub = node->FindSubkey(name);
    if (!sub) {
      if (!create) return nullptr;
      auto fresh = std::make_unique<Key>();
      fresh->name = name;
      platform::Touch(*fresh);
      sub = fresh.get();
      node->subkeys.emplace(name, std::move(fresh));
      created = true;
    }
    target.path.push_back(sub->name);
    node = sub;
  }
  return node;
}

LONG OpenOrCreate(HKEY key, LPCWSTR subKey, bool create, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::vector<std::u16string> parts;
  if (!platform::SplitPath(subKey, parts)) return ERROR_INVALID_PARAMETER;
  // Opening a key that is there needs no lock; creating one goes through a change.
  LONG opened = WithKey(key, [&](Registry& r, const OpenKey& base, Key& node) -> LONG {
    OpenKey target = base;
    bool created = false;
    if (!Walk(&node, parts, false, target, created)) return ERROR_FILE_NOT_FOUND;
    *result = r.AddHandle(std::move(target));
    if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
  if (opened != ERROR_FILE_NOT_FOUND || !create) return opened;
  OpenKey target;
  bool created = false;
  LONG made = WithKeyToChange(key, [&](const OpenKey& base, Key& node, bool& changed) -> LONG {
    if (base.path.size() + parts.size() > platform::registry::kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    target = base;
    Walk(&node, parts, true, target, created);
    changed = created;
    return ERROR_SUCCESS;
  });
  if (made != ERROR_SUCCESS) return made;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  *result = r.AddHandle(std::move(target));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}
}  // namespace

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  return OpenOrCreate(key, subKey, true, result, disposition);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  return OpenOrCreate(key, subKey, false, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  OpenKey k;
  if (!r.Resolve(key, k)) return ERROR_INVALID_HANDLE;
  if (k.path.empty() && reinterpret_cast<ULONG_PTR>(key) >= 0x80000000u) return ERROR_SUCCESS;
  if (!r.CloseHandle(key)) return ERROR_INVALID_HANDLE;
  r.Sync(k.hive);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD cbData) {
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  return WithKey(key, [&](Registry&, const OpenKey&, Key& node) -> LONG {
    Value* v = node.FindValue(platform::ValueName(valueName));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    return platform::CopyOut(v->data, data, cbData);
  });
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
  if (!data && cbData) return ERROR_INVALID_PARAMETER;
  std::u16string_view name = platform::ValueName(valueName);
  if (name.size() > platform::kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  return WithKeyToChange(key, [&](const OpenKey&, Key& node, bool& changed) -> LONG {
    Value* v = node.FindValue(name);
    if (!v) {
      node.values.push_back({std::u16string(name), type, {}});
      v = &node.values.back();
    }
    v->type = type;
    v->data.assign(data, data + cbData);
    platform::Touch(node);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  std::u16string_view name = platform::ValueName(valueName);
  return WithKeyToChange(key, [&](const OpenKey&, Key& node, bool& changed) -> LONG {
    auto it = std::find_if(node.values.begin(), node.values.end(),
                           [&](const Value& v) { return platform::EqualsIgnoreCase(v.name, name); });
    if (it == node.values.end()) return ERROR_FILE_NOT_FOUND;
    node.values.erase(it);
    platform::Touch(node);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  std::vector<std::u16string> parts;
  if (!platform::SplitPath(subKey, parts)) return ERROR_INVALID_PARAMETER;
  if (parts.empty()) return ERROR_INVALID_PARAMETER;  // a key does not delete itself
  std::u16string last = parts.back();
  parts.pop_back();
  return WithKeyToChange(key, [&](const OpenKey&, Key& node, bool& changed) -> LONG {
    OpenKey unused;
    bool created = false;
    Key* parent = Walk(&node, parts, false, unused, created);
    if (!parent || !parent->subkeys.erase(last)) return ERROR_FILE_NOT_FOUND;
    platform::Touch(*parent);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD, LPWSTR className,
                   LPDWORD cchClass, PFILETIME lastWriteTime) {
  return WithKey(key, [&](Registry&, const OpenKey&, Key& node) -> LONG {
    if (index >= node.subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const Key& sub = *std::next(node.subkeys.begin(), index)->second;
    LONG copied = platform::CopyName(sub.name, name, cchName);
    if (copied != ERROR_SUCCESS) return copied;
    if (className && cchClass && *cchClass) className[0] = 0;
    if (cchClass) *cchClass = 0;
    if (lastWriteTime) *lastWriteTime = sub.lastWrite;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD cchValueName, LPDWORD,
                   LPDWORD type, LPBYTE data, LPDWORD cbData) {
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  return WithKey(key, [&](Registry&, const OpenKey&, Key& node) -> LONG {
    if (index >= node.values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = node.values[index];
    LONG copied = platform::CopyName(v.name, valueName, cchValueName);
    if (copied != ERROR_SUCCESS) return copied;
    if (type) *type = v.type;
    return platform::CopyOut(v.data, data, cbData);
  });
}

LONG RegQueryInfoKeyW(HKEY key, LPWSTR className, LPDWORD cchClass, LPDWORD, LPDWORD subKeys,
                      LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                      LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptor,
                      PFILETIME lastWriteTime) {
  return WithKey(key, [&](Registry&, const OpenKey&, Key& node) -> LONG {
    if (className && cchClass && *cchClass) className[0] = 0;
    if (cchClass) *cchClass = 0;
    DWORD maxSub = 0, maxName = 0, maxData = 0;
    for (const auto& entry : node.subkeys)
      maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(entry.second->name.size()));
    for (const Value& v : node.values) {
      maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
      maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.data.size()));
    }
    if (subKeys) *subKeys = static_cast<DWORD>(node.subkeys.size());
    if (maxSubKeyLen) *maxSubKeyLen = maxSub;
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = static_cast<DWORD>(node.values.size());
    if (maxValueNameLen) *maxValueNameLen = maxName;
    if (maxValueLen) *maxValueLen = maxData;
    if (securityDescriptor) *securityDescriptor = 0;
    if (lastWriteTime) *lastWriteTime = node.lastWrite;
    return ERROR_SUCCESS;
  });
}

LONG RegFlushKey(HKEY key) {
  return WithKey(key, [&](Registry& r, const OpenKey& k, Key&) -> LONG { return r.Sync(k.hive); });
}

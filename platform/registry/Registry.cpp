#include "platform/registry/Registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
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

struct Hive {
  const char16_t* fileName;
  std::unique_ptr<Key> top;
  FileIdentity identity;
  bool loaded = false;
  bool unsynced = false;  // written by rename but not yet forced to the disk
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
    for (size_t i = 0; i < m_hives.size(); ++i) Sync(i);
    ++m_generation;
    for (Hive& h : m_hives) {
      h.path.clear();
      h.top.reset();
      h.loaded = false;
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

  Key* Top(size_t hive) {
    Hive& h = m_hives[hive];
    FileIdentity now = Identify(HivePath(h));
    if (!h.loaded || !(now == h.identity)) Load(h, now);
    return h.top.get();
  }

  // Writes the hive after a change. On failure the change is dropped again by reading
  // the file back, so memory never holds what the file does not. The rename makes each
  // change whole on disk at once; forcing it to the disk waits for a flush or the close
  // of a key, so a burst of changes (a settings page saving hundreds of values) costs one
  // disk sync instead of hundreds.
  LONG Save(size_t hive) {
    Hive& h = m_hives[hive];
    std::filesystem::path path = HivePath(h);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (WriteFileAtomic(path, registry::SerializeHive(*h.top), false)) {
      h.identity = Identify(path);
      h.unsynced = true;
      ++m_generation;
      return ERROR_SUCCESS;
    }
    h.loaded = false;
    return ERROR_CANTWRITE;
  }

  LONG Sync(size_t hive) {
    Hive& h = m_hives[hive];
    if (!h.unsynced) return ERROR_SUCCESS;
    h.unsynced = false;
    return SyncFile(HivePath(h)) ? ERROR_SUCCESS : ERROR_CANTWRITE;
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

  void Load(Hive& h, const FileIdentity& id) {
    ++m_generation;
    h.top = std::make_unique<Key>();
    h.loaded = true;
    h.identity = id;
    if (!id.exists) return;
    std::filesystem::path path = HivePath(h);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    auto parsed = registry::ParseHive(text.str());
    if (parsed) {
      h.top = std::move(*parsed);
      return;
    }
    // A damaged hive is kept aside for whoever wants to look at it, never overwritten.
    std::filesystem::path aside = path;
    aside += ".damaged";
    for (int n = 1; std::filesystem::exists(aside); ++n) {
      aside = path;
      aside += ".damaged." + std::to_string(n);
    }
    std::error_code ec;
    std::filesystem::rename(path, aside, ec);
    std::fprintf(stderr, "registry: %s cannot be read; kept as %s, starting with an empty hive\n",
                 path.c_str(), aside.c_str());
    h.identity = Identify(path);
  }

  std::array<Hive, 4> m_hives;
  ULONGLONG m_generation = 0;

 public:
  // Changes whenever what a hive holds may have changed: a write, a reload, a reset.
  ULONGLONG Generation(size_t hive) {
    Top(hive);  // notices a hive file rewritten by another process
    return m_generation;
  }

 private:
  std::unordered_map<HKEY, OpenKey> m_open;
  ULONG_PTR m_nextHandle = 0x1000;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

// Splits "a\b\\c\" into its non-empty components.
bool SplitPath(LPCWSTR subKey, std::vector<std::u16string>& parts) {
  if (!subKey) return true;
  std::u16string_view path(subKey);
  size_t start = 0;
  while (start <= path.size()) {
    size_t sep = path.find(u'\\', start);
    if (sep == std::u16string_view::npos) sep = path.size();
    if (sep > start) {
      if (sep - start > kMaxKeyNameLength) return false;
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

// Runs `body` on the key a handle names, under the registry's lock; the handle's errors
// (unknown handle, deleted key) come back without calling it.
template <class Body>
LONG WithKey(HKEY key, Body&& body) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  OpenKey k;
  if (!r.Resolve(key, k)) return ERROR_INVALID_HANDLE;
  LONG error = ERROR_SUCCESS;
  Key* node = r.Lookup(k, error);
  if (!node) return error;
  return body(r, k, *node);
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

int OpenRegistryKeyCount() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.OpenCount();
}

}  // namespace platform

using platform::OpenKey;
using platform::Registry;
using platform::WithKey;
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
  return WithKey(key, [&](Registry& r, const OpenKey& base, Key& node) -> LONG {
    OpenKey target = base;
    bool created = false;
    if (!Walk(&node, parts, create, target, created)) return ERROR_FILE_NOT_FOUND;
    if (created) {
      LONG saved = r.Save(target.hive);
      if (saved != ERROR_SUCCESS) return saved;
    }
    *result = r.AddHandle(std::move(target));
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
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
  return WithKey(key, [&](Registry& r, const OpenKey& k, Key& node) -> LONG {
    Value* v = node.FindValue(name);
    if (!v) {
      node.values.push_back({std::u16string(name), type, {}});
      v = &node.values.back();
    }
    v->type = type;
    v->data.assign(data, data + cbData);
    platform::Touch(node);
    return r.Save(k.hive);
  });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  std::u16string_view name = platform::ValueName(valueName);
  return WithKey(key, [&](Registry& r, const OpenKey& k, Key& node) -> LONG {
    auto it = std::find_if(node.values.begin(), node.values.end(),
                           [&](const Value& v) { return platform::EqualsIgnoreCase(v.name, name); });
    if (it == node.values.end()) return ERROR_FILE_NOT_FOUND;
    node.values.erase(it);
    platform::Touch(node);
    return r.Save(k.hive);
  });
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  std::vector<std::u16string> parts;
  if (!platform::SplitPath(subKey, parts)) return ERROR_INVALID_PARAMETER;
  if (parts.empty()) return ERROR_INVALID_PARAMETER;  // a key does not delete itself
  std::u16string last = parts.back();
  parts.pop_back();
  return WithKey(key, [&](Registry& r, const OpenKey& k, Key& node) -> LONG {
    OpenKey unused;
    bool created = false;
    Key* parent = Walk(&node, parts, false, unused, created);
    if (!parent || !parent->subkeys.erase(last)) return ERROR_FILE_NOT_FOUND;
    platform::Touch(*parent);
    return r.Save(k.hive);
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

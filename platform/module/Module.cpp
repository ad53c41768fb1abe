#include "platform/module/Module.h"

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/PeImage.h"

namespace {

using platform::module::PeImage;
using platform::module::ResourceEntry;
using platform::module::ResourceKey;

// A loaded module: the file's bytes and its resource index, owned by the module table.
struct LoadedModule {
  std::filesystem::path linuxPath;
  std::u16string devicePath;
  int uses = 0;
  PeImage image;
};

// The program's own module: it carries no resources here (its icon and version come
// from the build), but it has a handle and a path like any other module.
struct ProgramModule {
  std::u16string devicePath = u"\\Program Files\\Slateway\\Slateway.exe";
};

std::mutex g_lock;
std::map<HMODULE, std::unique_ptr<LoadedModule>> g_modules;
ProgramModule g_program;

HMODULE ProgramHandle() { return reinterpret_cast<HMODULE>(&g_program); }

LoadedModule* Find(HMODULE module) {
  auto it = g_modules.find(module);
  return it == g_modules.end() ? nullptr : it->second.get();
}

// Reads a whole file; false with the last error set when it cannot.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
  }
  auto size = std::filesystem::file_size(path, ec);
  // A language library is a few hundred kilobytes; anything this large is not one.
  constexpr std::uintmax_t kLargest = 64u * 1024 * 1024;
  if (ec || size > kLargest) {
    SetLastError(ec ? ERROR_READ_FAULT : ERROR_BAD_FORMAT);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  if (size && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    SetLastError(ERROR_READ_FAULT);
    return false;
  }
  return true;
}

std::optional<ResourceKey> KeyOf(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return ResourceKey::Id(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
  std::u16string_view text(name);
  if (!text.empty() && text[0] == u'#') {
    unsigned value = 0;
    if (text.size() < 2 || text.size() > 6) return std::nullopt;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9') return std::nullopt;
      value = value * 10 + (c - u'0');
    }
    if (value > 0xFFFF) return std::nullopt;
    return ResourceKey::Id(static_cast<WORD>(value));
  }
  return ResourceKey::Name(std::u16string(text));
}

HRSRC ToHandle(const ResourceEntry* entry) {
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
}

HRSRC FindIn(HMODULE module, LPCWSTR name, LPCWSTR type, std::optional<WORD> language) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::optional<ResourceKey> typeKey = KeyOf(type);
  std::optional<ResourceKey> nameKey = KeyOf(name);
  std::lock_guard guard(g_lock);
  if (!module || module == ProgramHandle()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  LoadedModule* loaded = Find(module);
  if (!loaded) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!typeKey || !loaded->image.HasType(*typeKey)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  const ResourceEntry* entry = nameKey ? loaded->image.Find(*typeKey, *nameKey, language) : nullptr;
  if (!entry) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return ToHandle(entry);
}

// The entry behind a resource handle of `module`, or null when the handle is not one of
// its resources.
const ResourceEntry* EntryOf(LoadedModule* loaded, HRSRC resource) {
  if (!loaded || !resource) return nullptr;
  for (const ResourceEntry& entry : loaded->image.Entries())
    if (ToHandle(&entry) == resource) return &entry;
  return nullptr;
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::filesystem::path linuxPath = platform::MapDevicePath(fileName);
  std::error_code ec;
  std::filesystem::path identity = std::filesystem::weakly_canonical(linuxPath, ec);
  if (ec) identity = linuxPath;

  {
    std::lock_guard guard(g_lock);
    for (auto& [handle, loaded] : g_modules) {
      if (loaded->linuxPath == identity) {
        ++loaded->uses;
        return handle;
      }
    }
  }

  auto loaded = std::make_unique<LoadedModule>();
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(linuxPath, bytes)) return nullptr;
  if (!loaded->image.Parse(std::move(bytes))) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  loaded->linuxPath = identity;
  loaded->devicePath = platform::ToDevicePath(identity);
  if (loaded->devicePath.empty()) loaded->devicePath = fileName;
  loaded->uses = 1;

  std::lock_guard guard(g_lock);
  // Another thread may have loaded the same file meanwhile: keep the first.
  for (auto& [handle, other] : g_modules) {
    if (other->linuxPath == identity) {
      ++other->uses;
      return handle;
    }
  }
  HMODULE handle = reinterpret_cast<HMODULE>(loaded.get());
  g_modules.emplace(handle, std::move(loaded));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard guard(g_lock);
  if (module == ProgramHandle()) return TRUE;
  auto it = g_modules.find(module);
  if (it == g_modules.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--it->second->uses == 0) g_modules.erase(it);
  return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  if (!moduleName) return ProgramHandle();
  std::u16string_view name(moduleName);
  std::lock_guard guard(g_lock);
  for (auto& [handle, loaded] : g_modules) {
    std::u16string_view path(loaded->devicePath);
    size_t slash = path.find_last_of(u"\\/");
    std::u16string_view leaf = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    if (platform::EqualsIgnoreCase(path, name) || platform::EqualsIgnoreCase(leaf, name)) return handle;
  }
  std::u16string_view program(g_program.devicePath);
  size_t slash = program.find_last_of(u'\\');
  if (platform::EqualsIgnoreCase(program, name) ||
      (slash != std::u16string_view::npos && platform::EqualsIgnoreCase(program.substr(slash + 1), name)))
    return ProgramHandle();
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  std::u16string path;
  {
    std::lock_guard guard(g_lock);
    if (!module || module == ProgramHandle()) {
      path = g_program.devicePath;
    } else if (LoadedModule* loaded = Find(module)) {
      path = loaded->devicePath;
    } else {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
  }
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  size_t count = std::min<size_t>(path.size(), size - 1);
  std::memcpy(fileName, path.data(), count * sizeof(WCHAR));
  fileName[count] = 0;
  if (count < path.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return static_cast<DWORD>(count);
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  return FindIn(module, name, type, std::nullopt);
}

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  return FindIn(module, name, type, language);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  std::lock_guard guard(g_lock);
  const ResourceEntry* entry = EntryOf(Find(module), resource);
  if (!entry) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // An empty resource still has an address, so callers can tell it from a failure.
  return const_cast<std::uint8_t*>(entry->data);
}

LPVOID LockResource(HGLOBAL resourceData) { return resourceData; }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  std::lock_guard guard(g_lock);
  const ResourceEntry* entry = EntryOf(Find(module), resource);
  if (!entry) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return entry->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int cchBuffer) {
  if (!buffer || cchBuffer < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The text is copied under the lock, so a module freed on another thread meanwhile
  // cannot pull it away halfway.
  std::lock_guard guard(g_lock);
  std::u16string_view text;
  bool found = false;
  LoadedModule* loaded = Find(instance);
  if (!loaded) {
    SetLastError(instance && instance != ProgramHandle() ? ERROR_INVALID_HANDLE : ERROR_RESOURCE_TYPE_NOT_FOUND);
  } else if (id <= 0xFFFF) {
    found = loaded->image.FindString(static_cast<WORD>(id), text);
    if (!found) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  } else {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  }
  if (cchBuffer == 0) {
    *reinterpret_cast<LPCWSTR*>(buffer) = found ? text.data() : nullptr;
    return found ? static_cast<int>(text.size()) : 0;
  }
  size_t count = found ? std::min<size_t>(text.size(), static_cast<size_t>(cchBuffer - 1)) : 0;
  if (count) std::memcpy(buffer, text.data(), count * sizeof(WCHAR));
  buffer[count] = 0;
  return static_cast<int>(count);
}

namespace platform {

void SetProgramModulePath(std::u16string_view devicePath) {
  std::lock_guard guard(g_lock);
  g_program.devicePath = devicePath;
}

int LoadedModuleCount() {
  std::lock_guard guard(g_lock);
  return static_cast<int>(g_modules.size());
}

bool FindResourceOfData(const void* data, WORD* typeId, WORD* nameId, DWORD* bytesLeft) {
  auto* at = static_cast<const std::uint8_t*>(data);
  std::lock_guard guard(g_lock);
  // An empty resource holds no byte, yet LoadResource gives its address: it is that
  // address's resource (with nothing left to read) when no resource with bytes holds it.
  // Otherwise a reader would take the address for memory of unknown size and may run off
  // the end of the file.
  const ResourceEntry* found = nullptr;
  for (auto& [handle, loaded] : g_modules) {
    for (const ResourceEntry& entry : loaded->image.Entries()) {
      if (!entry.data || at < entry.data) continue;
      if (at < entry.data + entry.size) {
        found = &entry;
        break;
      }
      if (entry.size == 0 && at == entry.data && !found) found = &entry;
    }
    if (found && found->size != 0) break;
  }
  if (!found) return false;
  if (typeId) *typeId = found->type.isId ? found->type.id : 0;
  if (nameId) *nameId = found->name.isId ? found->name.id : 0;
  if (bytesLeft) *bytesLeft = static_cast<DWORD>(found->data + found->size - at);
  return true;
}

}  // namespace platform

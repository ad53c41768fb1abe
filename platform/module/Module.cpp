#include "platform/module/Module.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
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

// A loaded module, owned by the module table: a resource library (the file's bytes and
// its resource index) or a code library (a shared object opened by the dynamic loader,
// closed when the module goes; it has no resources).
struct LoadedModule {
  LoadedModule() = default;
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  ~LoadedModule() {
    if (code) dlclose(code);
  }

  std::filesystem::path linuxPath;
  std::u16string devicePath;
  int uses = 0;
  PeImage image;
  void* code = nullptr;
};

// What a module path names: the file to open, whether it is a shared object, and the
// device path the module is known by.
struct ModuleFile {
  std::filesystem::path linuxPath;
  std::u16string devicePath;
  bool shared = false;
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

bool IsFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// A shared object starts with the ELF signature; anything else is read as a PE image.
bool IsSharedObject(const std::filesystem::path& path) {
  char magic[4] = {};
  std::ifstream in(path, std::ios::binary);
  return in.read(magic, sizeof magic) && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

// The device paths a module name may stand for: a name with a folder is that file; a bare
// name is looked for in the program's folder, then in "\Windows", then in the root.
std::vector<std::u16string> Candidates(std::u16string_view name, std::u16string_view programPath) {
  if (name.find_first_of(u"\\/") != std::u16string_view::npos) return {std::u16string(name)};
  std::vector<std::u16string> candidates;
  size_t slash = programPath.find_last_of(u'\\');
  if (slash != std::u16string_view::npos)
    candidates.push_back(std::u16string(programPath.substr(0, slash + 1)) + std::u16string(name));
  candidates.push_back(u"\\Windows\\" + std::u16string(name));
  candidates.push_back(u"\\" + std::u16string(name));
  return candidates;
}

// "coredll.dll", the system's own library, is the platform library itself: its exported C
// functions (UnregisterFunc1...) are what GetProcAddress finds there.
std::optional<ModuleFile> SystemLibrary(std::u16string_view name) {
  constexpr std::u16string_view kSystem = u"coredll.dll";
  size_t slash = name.find_last_of(u"\\/");
  std::u16string_view folder = slash == std::u16string_view::npos ? u"" : name.substr(0, slash);
  std::u16string_view file = slash == std::u16string_view::npos ? name : name.substr(slash + 1);
  auto same = [](std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
             return std::towlower(x) == std::towlower(y);
           });
  };
  if (!same(file, kSystem) || !(folder.empty() || same(folder, u"\\Windows"))) return std::nullopt;
  Dl_info self{};
  if (!dladdr(reinterpret_cast<void*>(&LoadLibraryW), &self) || !self.dli_fname) return std::nullopt;
  return ModuleFile{self.dli_fname, u"\\Windows\\coredll.dll", true};
}

// Finds the file behind a module name. A library of code is built for this system as the
// handheld name with ".so" added ("\Windows\ScanAPI.dll" is "ScanAPI.dll.so" there); a file
// of the name itself is taken as it is, a shared object or a PE image by its first bytes.
std::optional<ModuleFile> Locate(std::u16string_view name, std::u16string_view programPath) {
  if (auto system = SystemLibrary(name)) return system;
  for (const std::u16string& candidate : Candidates(name, programPath)) {
    std::filesystem::path path = platform::MapDevicePath(candidate);
    if (IsFile(path)) return ModuleFile{path, platform::ToDevicePath(path), IsSharedObject(path)};
    std::filesystem::path object = platform::MapDevicePath(candidate + u".so");
    if (IsFile(object)) {
      std::u16string device = platform::ToDevicePath(object);
      if (device.size() > 3) device.resize(device.size() - 3);
      return ModuleFile{object, device, true};
    }
  }
  return std::nullopt;
}

// Opens a shared object. Its own start-up code may call back into the platform, so this
// runs without the module table's lock.
bool OpenSharedObject(LoadedModule& module) {
  module.code = dlopen(module.linuxPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module.code) return true;
  const char* why = dlerror();
  OutputDebugStringW((u"LoadLibraryW: " + platform::ToUtf16(why ? why : "cannot open") + u"\n").c_str());
  SetLastError(ERROR_BAD_FORMAT);
  return false;
}

// Reads and indexes a resource library.
bool ReadResourceLibrary(LoadedModule& module) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(module.linuxPath, bytes)) return false;
  if (!module.image.Parse(std::move(bytes))) {
    SetLastError(ERROR_BAD_FORMAT);
    return false;
  }
  return true;
}

// The module already loaded from `path`, given one more use; null when there is none.
HMODULE UseLoaded(const std::filesystem::path& path) {
  for (auto& [handle, loaded] : g_modules) {
    if (loaded->linuxPath == path) {
      ++loaded->uses;
      return handle;
    }
  }
  return nullptr;
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
  std::u16string programPath;
  {
    std::lock_guard guard(g_lock);
    programPath = g_program.devicePath;
  }
  std::optional<ModuleFile> file = Locate(fileName, programPath);
  if (!file) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::error_code ec;
  std::filesystem::path identity = std::filesystem::weakly_canonical(file->linuxPath, ec);
  if (ec) identity = file->linuxPath;

  {
    std::lock_guard guard(g_lock);
    if (HMODULE handle = UseLoaded(identity)) return handle;
  }

  auto loaded = std::make_unique<LoadedModule>();
  loaded->linuxPath = identity;
  if (!(file->shared ? OpenSharedObject(*loaded) : ReadResourceLibrary(*loaded))) return nullptr;
  loaded->devicePath = file->devicePath.empty() ? std::u16string(fileName) : file->devicePath;
  loaded->uses = 1;

  std::unique_lock guard(g_lock);
  // Another thread may have loaded the same file meanwhile: keep the first (ours is
  // closed after the lock is let go, as closing may run the library's own code).
  if (HMODULE handle = UseLoaded(identity)) {
    guard.unlock();
    loaded.reset();
    return handle;
  }
  HMODULE handle = reinterpret_cast<HMODULE>(loaded.get());
  g_modules.emplace(handle, std::move(loaded));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL FreeLibrary(HMODULE module) {
  std::unique_ptr<LoadedModule> unloaded;
  {
    std::lock_guard guard(g_lock);
    if (module == ProgramHandle()) return TRUE;
    auto it = g_modules.find(module);
    if (it == g_modules.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (--it->second->uses == 0) {
      unloaded = std::move(it->second);
      g_modules.erase(it);
    }
  }
  // A library's clean-up code may call into the platform: it runs without the lock.
  unloaded.reset();
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  // An ordinal travels in the low word of the name pointer; exports are found by name only.
  if (!procName || (reinterpret_cast<ULONG_PTR>(procName) >> 16) == 0 || !*procName) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard guard(g_lock);
  LoadedModule* loaded = Find(module);
  if (!loaded && module && module != ProgramHandle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = loaded && loaded->code ? dlsym(loaded->code, procName) : nullptr;
  // dlsym also searches the libraries this one depends on (the platform among them);
  // only the module's own functions are its exports.
  Dl_info where{};
  link_map* map = nullptr;
  if (symbol && (!dladdr(symbol, &where) || dlinfo(loaded->code, RTLD_DI_LINKMAP, &map) != 0 || !map ||
                 !where.dli_fname || std::strcmp(where.dli_fname, map->l_name) != 0))
    symbol = nullptr;
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName) {
  if (!procName || IS_INTRESOURCE(procName)) return GetProcAddress(module, reinterpret_cast<LPCSTR>(procName));
  return GetProcAddress(module, platform::ToUtf8(procName).c_str());
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

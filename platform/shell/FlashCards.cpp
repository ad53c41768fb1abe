// Storage-card enumeration over the card list in the registry.
#include "platform/shell/FlashCards.h"

#include <memory>
#include <mutex>
#include <set>

#include "platform/base/Base.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/registry/Registry.h"

namespace {

struct CardSearch {
  std::vector<std::u16string> names;
  size_t next = 0;
};

std::mutex g_lock;
std::set<CardSearch*>& Searches() {
  static std::set<CardSearch*> searches;
  return searches;
}

bool WriteCardList(const std::vector<std::u16string>& names) {
  CRegKeyHandle key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::kStorageCardsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  std::u16string multi;
  for (const auto& n : names) {
    multi += n;
    multi.push_back(u'\0');
  }
  multi.push_back(u'\0');
  return RegSetValueExW(key.get(), platform::kStorageCardsValue, 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(multi.data()),
                        static_cast<DWORD>(multi.size() * sizeof(WCHAR))) == ERROR_SUCCESS;
}

void FillFindData(const std::u16string& name, LPWIN32_FIND_DATAW data) {
  *data = WIN32_FIND_DATAW{};
  data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY;
  const size_t n = std::min<size_t>(name.size(), MAX_PATH - 1);
  name.copy(data->cFileName, n);
  data->cFileName[n] = u'\0';
}

bool IsCardFolder(const std::u16string& name) {
  std::u16string path = u"\\" + name;
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

HANDLE FindFirstFlashCard(LPWIN32_FIND_DATAW findData) {
  if (!findData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_unique<CardSearch>();
  for (auto& name : platform::ListedStorageCards())
    if (IsCardFolder(name)) search->names.push_back(name);
  if (search->names.empty()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
  }
  FillFindData(search->names[0], findData);
  search->next = 1;
  std::lock_guard guard(g_lock);
  CardSearch* raw = search.release();
  Searches().insert(raw);
  return raw;
}

BOOL FindNextFlashCard(HANDLE handle, LPWIN32_FIND_DATAW findData) {
  std::lock_guard guard(g_lock);
  auto* search = static_cast<CardSearch*>(handle);
  if (!Searches().count(search) || !findData) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (search->next >= search->names.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  FillFindData(search->names[search->next++], findData);
  return TRUE;
}

BOOL FindCloseFlashCard(HANDLE handle) {
  std::lock_guard guard(g_lock);
  auto* search = static_cast<CardSearch*>(handle);
  if (!Searches().erase(search)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::unique_ptr<CardSearch> owner(search);  // the handle table's object dies here
  return TRUE;
}

namespace platform {

std::vector<std::u16string> ListedStorageCards() {
  std::vector<std::u16string> names;
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kStorageCardsKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return names;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.get(), kStorageCardsValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_MULTI_SZ || type == REG_SZ) && size >= sizeof(WCHAR)) {
    std::u16string buffer(size / sizeof(WCHAR), u'\0');
    if (RegQueryValueExW(key.get(), kStorageCardsValue, nullptr, &type,
                         reinterpret_cast<LPBYTE>(buffer.data()), &size) == ERROR_SUCCESS) {
      size_t start = 0;
      while (start < buffer.size()) {
        size_t end = buffer.find(u'\0', start);
        if (end == std::u16string::npos) end = buffer.size();
        if (end == start) break;  // the empty entry ends the list
        names.push_back(buffer.substr(start, end - start));
        start = end + 1;
      }
    }
  }
  return names;
}

bool InsertStorageCard(std::u16string_view name) {
  if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return false;
  std::vector<std::u16string> names = ListedStorageCards();
  bool listed = false;
  for (const auto& n : names) listed = listed || EqualsIgnoreCase(n, name);
  if (!listed) {
    names.emplace_back(name);
    if (!WriteCardList(names)) return false;
  }
  std::u16string path = u"\\" + std::u16string(name);
  if (!IsCardFolder(std::u16string(name))) return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
  return true;
}

bool RemoveStorageCard(std::u16string_view name) {
  std::vector<std::u16string> names = ListedStorageCards();
  std::vector<std::u16string> kept;
  for (auto& n : names)
    if (!EqualsIgnoreCase(n, name)) kept.push_back(n);
  if (kept.size() == names.size()) return false;
  return WriteCardList(kept);
}

int OpenFlashCardSearchCount() {
  std::lock_guard guard(g_lock);
  return static_cast<int>(Searches().size());
}

}  // namespace platform

#include "platform/mapi/MessageStores.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiInternal.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/registry/Registry.h"

namespace platform::mapi {

namespace {

std::u16string ReadText(HKEY key, const WCHAR* name) {
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::u16string text(bytes / sizeof(WCHAR) + 1, u'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &bytes) != ERROR_SUCCESS) return {};
  text.resize(text.find(u'\0') == std::u16string::npos ? text.size() : text.find(u'\0'));
  return text;
}

DWORD ReadNumber(HKEY key, const WCHAR* name) {
  DWORD type = 0, value = 0, bytes = sizeof value;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;
  return value;
}

bool WriteText(HKEY key, const WCHAR* name, const std::u16string& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}

struct Failure {
  std::string call;
  HRESULT hr;
  int skip;
};

std::vector<Failure>& Failures() {
  static std::vector<Failure> failures;
  return failures;
}

std::unique_ptr<SubmittedMessage>& LastMessage() {
  static std::unique_ptr<SubmittedMessage> last;
  return last;
}

}  // namespace

std::vector<MessageStoreConfig> ReadMessageStores() {
  std::vector<MessageStoreConfig> stores;
  CRegKeyHandle root;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMessageStoresKeyPath, 0, KEY_READ, root.put()) == ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      WCHAR name[256];
      DWORD length = 256;
      if (RegEnumKeyExW(root.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      CRegKeyHandle key;
      if (RegOpenKeyExW(root.get(), name, 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
      MessageStoreConfig store;
      store.key.assign(name, length);
      store.displayName = ReadText(key.get(), u"DisplayName");
      if (store.displayName.empty()) store.displayName = store.key;
      store.address = ReadText(key.get(), u"Address");
      store.isDefault = ReadNumber(key.get(), u"Default") != 0;
      stores.push_back(std::move(store));
    }
  }
  if (stores.empty()) stores.push_back({kDefaultStoreName, kDefaultStoreName, {}, true});
  bool seenDefault = false;
  for (MessageStoreConfig& store : stores) {
    store.isDefault = store.isDefault && !seenDefault;
    seenDefault = seenDefault || store.isDefault;
  }
  if (!seenDefault) stores.front().isDefault = true;
  return stores;
}

bool WriteMessageStores(const std::vector<MessageStoreConfig>& stores) {
  CRegistryBatch batch;
  LONG rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMessageStoresKeyPath);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
  for (const MessageStoreConfig& store : stores) {
    std::u16string path = std::u16string(kMessageStoresKeyPath) + u"\\" + store.key;
    CRegKeyHandle key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
      return false;
    DWORD isDefault = store.isDefault ? 1 : 0;
    if (!WriteText(key.get(), u"DisplayName", store.displayName) || !WriteText(key.get(), u"Address", store.address) ||
        RegSetValueExW(key.get(), u"Default", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&isDefault), sizeof isDefault) !=
            ERROR_SUCCESS)
      return false;
  }
  return true;
}

std::u16string OutboxFolder(std::u16string_view storeKey) {
  return u"\\Messaging\\" + std::u16string(storeKey) + u"\\Outbox";
}

const SubmittedMessage* LastSubmittedMessage() { return LastMessage().get(); }

void InjectMapiFailure(std::string_view call, HRESULT hr, int skip) {
  Failures().push_back({std::string(call), hr, skip});
}

void ResetMessaging() {
  Failures().clear();
  LastMessage().reset();
}

HRESULT InjectedFailure(std::string_view call) {
  auto& failures = Failures();
  for (auto it = failures.begin(); it != failures.end(); ++it) {
    if (it->call != call) continue;
    if (it->skip > 0) {
      --it->skip;
      return S_OK;
    }
    HRESULT hr = it->hr;
    failures.erase(it);
    return hr;
  }
  return S_OK;
}

void RecordSubmitted(SubmittedMessage message) { LastMessage() = std::make_unique<SubmittedMessage>(std::move(message)); }

}  // namespace platform::mapi

// ---- Memory ----------------------------------------------------------------------------------
// Each block is preceded by a header that links the blocks hung on it; the header keeps the
// caller's part aligned for any property value.
namespace {
struct alignas(16) BlockHeader {
  BlockHeader* nextMore;
  BlockHeader* lastMore;
};

BlockHeader* HeaderOf(LPVOID buffer) { return static_cast<BlockHeader*>(buffer) - 1; }

BlockHeader* NewBlock(ULONG size) {
  void* memory = std::calloc(1, sizeof(BlockHeader) + size);
  return static_cast<BlockHeader*>(memory);
}
}  // namespace

HRESULT MAPIAllocateBuffer(ULONG size, LPVOID* buffer) {
  if (!buffer) return E_INVALIDARG;
  *buffer = nullptr;
  BlockHeader* block = NewBlock(size);
  if (!block) return E_OUTOFMEMORY;
  *buffer = block + 1;
  return S_OK;
}

HRESULT MAPIAllocateMore(ULONG size, LPVOID link, LPVOID* buffer) {
  if (!buffer || !link) return E_INVALIDARG;
  *buffer = nullptr;
  BlockHeader* block = NewBlock(size);
  if (!block) return E_OUTOFMEMORY;
  BlockHeader* root = HeaderOf(link);
  if (root->lastMore)
    root->lastMore->nextMore = block;
  else
    root->nextMore = block;
  root->lastMore = block;
  *buffer = block + 1;
  return S_OK;
}

ULONG MAPIFreeBuffer(LPVOID buffer) {
  if (!buffer) return 0;
  BlockHeader* block = HeaderOf(buffer);
  while (block) {
    BlockHeader* next = block->nextMore;
    std::free(block);
    block = next;
  }
  return 0;
}

void FreeProws(LPSRowSet rows) {
  if (!rows) return;
  for (ULONG i = 0; i < rows->cRows; ++i) MAPIFreeBuffer(rows->aRow[i].lpProps);
  MAPIFreeBuffer(rows);
}

// Key containers are files "<name>.key" in kContainerFolder, one line per key pair the
// container holds ("signature", "exchange"). Only the pairs' existence is kept: the
// program never signs or exchanges with them, it only makes sure they are there.

#include "platform/crypt/Crypt.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/base/Base.h"
#include "platform/crypt/Rc4.h"
#include "platform/kernel/DeviceRoot.h"

namespace platform::crypt {
namespace {

constexpr std::u16string_view kDefaultContainerFile = u".default";
constexpr std::size_t kMd5Length = 16;
constexpr std::size_t kRc4KeyBytes = 5;     // 40 bits
constexpr std::size_t kRc4SaltBytes = 11;   // 88 bits of zero salt

struct MdCtxDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxDeleter>;

struct Provider {
  std::u16string containerFile;  // empty for a verify-only context
};

struct Key {
  bool isPair = false;      // a container key pair: exists, cannot encrypt here
  DWORD slot = 0;           // AT_SIGNATURE or AT_KEYEXCHANGE for a pair
  std::vector<BYTE> bytes;  // the RC4 key
  Rc4 stream;
  bool streamRunning = false;  // false: the next call starts the stream afresh
};

struct Hash {
  MdCtx ctx;
};

struct FailPlan {
  int skip = 0;
  int times = 0;
  DWORD error = 0;
};

// The handle tables: the only owners of provider, key and hash objects.
struct State {
  std::mutex mutex;
  ULONG_PTR nextHandle = 0x1000;
  std::map<ULONG_PTR, std::unique_ptr<Provider>> providers;
  std::map<ULONG_PTR, std::unique_ptr<Key>> keys;
  std::map<ULONG_PTR, std::unique_ptr<Hash>> hashes;
  std::array<FailPlan, static_cast<std::size_t>(Step::Count)> failures{};
};

State& GetState() {
  static State state;
  return state;
}

DWORD DefaultError(Step step) {
  switch (step) {
    case Step::AcquireContext: return NTE_BAD_KEYSET;
    case Step::GetUserKey: return NTE_NO_KEY;
    default: return NTE_FAIL;
  }
}

// Under the state's lock: true when this call of `step` must fail (the error is set).
bool Injected(State& s, Step step) {
  FailPlan& plan = s.failures[static_cast<std::size_t>(step)];
  if (plan.times <= 0) return false;
  if (plan.skip > 0) {
    --plan.skip;
    return false;
  }
  --plan.times;
  SetLastError(plan.error != 0 ? plan.error : DefaultError(step));
  return true;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

template <typename T>
T* Find(std::map<ULONG_PTR, std::unique_ptr<T>>& table, ULONG_PTR handle) {
  auto it = table.find(handle);
  return it == table.end() ? nullptr : it->second.get();
}

template <typename T>
ULONG_PTR Add(State& s, std::map<ULONG_PTR, std::unique_ptr<T>>& table, std::unique_ptr<T> object) {
  ULONG_PTR handle = s.nextHandle++;
  table.emplace(handle, std::move(object));
  return handle;
}

// Container names become file names, so anything that could leave the folder or hide
// as a special name is refused.
bool ValidContainerName(std::u16string_view name) {
  if (name.empty() || name.size() > 200 || name.front() == u'.') return false;
  for (char16_t c : name) {
    if (c < 0x20 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' ||
        c == u'"' || c == u'<' || c == u'>' || c == u'|')
      return false;
  }
  return true;
}

std::filesystem::path ContainerPath(std::u16string_view file) {
  std::u16string device(kContainerFolder);
  device += u'\\';
  device += file;
  device += u".key";
  return MapDevicePath(device);
}

// Reads the key pairs a container records; false when the container is missing.
bool ReadContainer(const std::u16string& file, std::vector<DWORD>& slots) {
  std::error_code ec;
  std::filesystem::path path = ContainerPath(file);
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  slots.clear();
  std::string line;
  while (std::getline(in, line)) {
    if (line == "signature") slots.push_back(AT_SIGNATURE);
    if (line == "exchange") slots.push_back(AT_KEYEXCHANGE);
  }
  return true;
}

bool WriteContainer(const std::u16string& file, const std::vector<DWORD>& slots) {
  std::error_code ec;
  std::filesystem::path path = ContainerPath(file);
  std::filesystem::create_directories(path.parent_path(), ec);
  std::string text;
  for (DWORD slot : slots) text += slot == AT_SIGNATURE ? "signature\n" : "exchange\n";
  return WriteFileAtomic(path, text);
}

bool HasSlot(const std::vector<DWORD>& slots, DWORD slot) {
  for (DWORD s : slots)
    if (s == slot) return true;
  return false;
}

bool Digest(const Hash& hash, std::array<BYTE, kMd5Length>& out) {
  MdCtx copy(EVP_MD_CTX_new());
  unsigned int length = 0;
  return copy && EVP_MD_CTX_copy_ex(copy.get(), hash.ctx.get()) == 1 &&
         EVP_DigestFinal_ex(copy.get(), out.data(), &length) == 1 && length == kMd5Length;
}

BOOL RunCipher(HCRYPTKEY keyHandle, HCRYPTHASH hashHandle, BOOL final, DWORD flags, BYTE* data,
               DWORD* dataLength, DWORD bufferLength, bool encrypt) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  Key* key = Find(s.keys, keyHandle);
  if (key == nullptr || key->isPair) return Fail(NTE_BAD_KEY);
  Hash* hash = nullptr;
  if (hashHandle != 0 && (hash = Find(s.hashes, hashHandle)) == nullptr) return Fail(NTE_BAD_HASH);
  if (flags != 0) return Fail(NTE_BAD_FLAGS);
  if (dataLength == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (Injected(s, encrypt ? Step::Encrypt : Step::Decrypt)) return FALSE;
  if (data == nullptr) return TRUE;  // a stream cipher's output is as long as its input
  if (encrypt && bufferLength < *dataLength) return Fail(ERROR_MORE_DATA);

  if (hash != nullptr && encrypt && EVP_DigestUpdate(hash->ctx.get(), data, *dataLength) != 1)
    return Fail(NTE_FAIL);
  if (!key->streamRunning) {
    key->stream.Reset(key->bytes.data(), key->bytes.size());
    key->streamRunning = true;
  }
  key->stream.Apply(data, *dataLength);
  if (hash != nullptr && !encrypt && EVP_DigestUpdate(hash->ctx.get(), data, *dataLength) != 1)
    return Fail(NTE_FAIL);
  if (final) key->streamRunning = false;
  return TRUE;
}

}  // namespace

void FailNext(Step step, DWORD error, int times, int skip) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  s.failures[static_cast<std::size_t>(step)] = FailPlan{skip, times, error};
}

void ClearFailures() {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  s.failures.fill(FailPlan{});
}

int OpenCryptHandleCount() {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  return static_cast<int>(s.providers.size() + s.keys.size() + s.hashes.size());
}

}  // namespace platform::crypt

using namespace platform::crypt;

BOOL CryptAcquireContextW(HCRYPTPROV* prov, LPCWSTR container, LPCWSTR provider, DWORD provType,
                          DWORD flags) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (prov == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *prov = 0;
  if (provType != PROV_RSA_FULL) return Fail(NTE_BAD_PROV_TYPE);
  if (provider != nullptr && std::u16string_view(provider) != MS_DEF_PROV_W)
    return Fail(NTE_KEYSET_NOT_DEF);
  const DWORD mode = flags & (CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET);
  if (flags != mode || (mode != 0 && mode != CRYPT_VERIFYCONTEXT && mode != CRYPT_NEWKEYSET &&
                        mode != CRYPT_DELETEKEYSET))
    return Fail(NTE_BAD_FLAGS);
  if (Injected(s, Step::AcquireContext)) return FALSE;

  auto object = std::make_unique<Provider>();
  if (mode != CRYPT_VERIFYCONTEXT) {
    std::u16string_view name = container != nullptr ? std::u16string_view(container) : u"";
    if (!name.empty() && !ValidContainerName(name)) return Fail(NTE_BAD_KEYSET_PARAM);
    object->containerFile = name.empty() ? std::u16string(kDefaultContainerFile) : std::u16string(name);
    std::vector<DWORD> slots;
    const bool exists = ReadContainer(object->containerFile, slots);
    if (mode == 0 && !exists) return Fail(NTE_BAD_KEYSET);
    if (mode == CRYPT_NEWKEYSET) {
      if (exists) return Fail(NTE_EXISTS);
      if (!WriteContainer(object->containerFile, {})) return Fail(NTE_FAIL);
    }
    if (mode == CRYPT_DELETEKEYSET) {
      if (!exists) return Fail(NTE_BAD_KEYSET);
      std::error_code ec;
      if (!std::filesystem::remove(ContainerPath(object->containerFile), ec)) return Fail(NTE_FAIL);
      return TRUE;  // no context comes back
    }
  }
  *prov = Add(s, s.providers, std::move(object));
  return TRUE;
}

BOOL CryptReleaseContext(HCRYPTPROV prov, DWORD flags) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (flags != 0) return Fail(NTE_BAD_FLAGS);
  if (s.providers.erase(prov) == 0) return Fail(NTE_BAD_UID);
  return TRUE;
}

BOOL CryptGetUserKey(HCRYPTPROV prov, DWORD keySpec, HCRYPTKEY* key) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (key == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *key = 0;
  Provider* p = Find(s.providers, prov);
  if (p == nullptr) return Fail(NTE_BAD_UID);
  if (keySpec != AT_SIGNATURE && keySpec != AT_KEYEXCHANGE) return Fail(NTE_BAD_KEY);
  if (Injected(s, Step::GetUserKey)) return FALSE;
  std::vector<DWORD> slots;
  if (p->containerFile.empty()) return Fail(NTE_NO_KEY);
  if (!ReadContainer(p->containerFile, slots)) return Fail(NTE_BAD_KEYSET);
  if (!HasSlot(slots, keySpec)) return Fail(NTE_NO_KEY);
  auto object = std::make_unique<Key>();
  object->isPair = true;
  object->slot = keySpec;
  *key = Add(s, s.keys, std::move(object));
  return TRUE;
}

BOOL CryptGenKey(HCRYPTPROV prov, ALG_ID algId, DWORD /*flags*/, HCRYPTKEY* key) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (key == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *key = 0;
  Provider* p = Find(s.providers, prov);
  if (p == nullptr) return Fail(NTE_BAD_UID);
  DWORD slot = 0;
  if (algId == AT_SIGNATURE || algId == CALG_RSA_SIGN) slot = AT_SIGNATURE;
  if (algId == AT_KEYEXCHANGE || algId == CALG_RSA_KEYX) slot = AT_KEYEXCHANGE;
  if (slot == 0) return Fail(NTE_BAD_ALGID);
  if (Injected(s, Step::GenKey)) return FALSE;
  // A verify-only context holds its pairs for the moment; a container records them.
  if (!p->containerFile.empty()) {
    std::vector<DWORD> slots;
    if (!ReadContainer(p->containerFile, slots)) return Fail(NTE_BAD_KEYSET);
    if (!HasSlot(slots, slot)) {
      slots.push_back(slot);
      if (!WriteContainer(p->containerFile, slots)) return Fail(NTE_FAIL);
    }
  }
  auto object = std::make_unique<Key>();
  object->isPair = true;
  object->slot = slot;
  *key = Add(s, s.keys, std::move(object));
  return TRUE;
}

BOOL CryptDestroyKey(HCRYPTKEY key) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (s.keys.erase(key) == 0) return Fail(NTE_BAD_KEY);
  return TRUE;
}

BOOL CryptCreateHash(HCRYPTPROV prov, ALG_ID algId, HCRYPTKEY key, DWORD flags, HCRYPTHASH* hash) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (hash == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *hash = 0;
  if (Find(s.providers, prov) == nullptr) return Fail(NTE_BAD_UID);
  if (algId != CALG_MD5) return Fail(NTE_BAD_ALGID);
  if (key != 0) return Fail(NTE_BAD_KEY);
  if (flags != 0) return Fail(NTE_BAD_FLAGS);
  if (Injected(s, Step::CreateHash)) return FALSE;
  auto object = std::make_unique<Hash>();
  object->ctx.reset(EVP_MD_CTX_new());
  if (!object->ctx || EVP_DigestInit_ex(object->ctx.get(), EVP_md5(), nullptr) != 1)
    return Fail(NTE_NO_MEMORY);
  *hash = Add(s, s.hashes, std::move(object));
  return TRUE;
}

BOOL CryptHashData(HCRYPTHASH hash, const BYTE* data, DWORD dataLength, DWORD flags) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  Hash* h = Find(s.hashes, hash);
  if (h == nullptr) return Fail(NTE_BAD_HASH);
  if (flags != 0) return Fail(NTE_BAD_FLAGS);
  if (data == nullptr && dataLength != 0) return Fail(ERROR_INVALID_PARAMETER);
  if (Injected(s, Step::HashData)) return FALSE;
  if (dataLength != 0 && EVP_DigestUpdate(h->ctx.get(), data, dataLength) != 1) return Fail(NTE_FAIL);
  return TRUE;
}

BOOL CryptDestroyHash(HCRYPTHASH hash) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (s.hashes.erase(hash) == 0) return Fail(NTE_BAD_HASH);
  return TRUE;
}

BOOL CryptDeriveKey(HCRYPTPROV prov, ALG_ID algId, HCRYPTHASH baseData, DWORD flags,
                    HCRYPTKEY* key) {
  State& s = GetState();
  std::lock_guard lock(s.mutex);
  if (key == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *key = 0;
  if (Find(s.providers, prov) == nullptr) return Fail(NTE_BAD_UID);
  Hash* h = Find(s.hashes, baseData);
  if (h == nullptr) return Fail(NTE_BAD_HASH);
  if (algId != CALG_RC4) return Fail(NTE_BAD_ALGID);
  const DWORD bits = flags >> 16;
  if ((bits != 0 && bits != kRc4KeyBytes * 8) ||
      (flags & 0xFFFF & ~(CRYPT_EXPORTABLE | CRYPT_NO_SALT)) != 0)
    return Fail(NTE_BAD_FLAGS);
  if (Injected(s, Step::DeriveKey)) return FALSE;
  std::array<BYTE, kMd5Length> value{};
  if (!Digest(*h, value)) return Fail(NTE_FAIL);
  auto object = std::make_unique<Key>();
  // The key with its zero salt in one allocation (without CRYPT_NO_SALT the salt is zeros).
  object->bytes.assign(kRc4KeyBytes + ((flags & CRYPT_NO_SALT) == 0 ? kRc4SaltBytes : 0), 0);
  std::copy_n(value.begin(), kRc4KeyBytes, object->bytes.begin());
  *key = Add(s, s.keys, std::move(object));
  return TRUE;
}

BOOL CryptEncrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                  DWORD* dataLength, DWORD bufferLength) {
  return RunCipher(key, hash, final, flags, data, dataLength, bufferLength, true);
}

BOOL CryptDecrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                  DWORD* dataLength) {
  return RunCipher(key, hash, final, flags, data, dataLength, 0, false);
}

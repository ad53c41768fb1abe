#include "core/CryptoHelper.h"

#include <cstring>
#include <utility>

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/crypt/Crypt.h"

namespace {

// One owner per provider object, released on every path.
class CryptContext {
 public:
  CryptContext() = default;
  CryptContext(const CryptContext&) = delete;
  CryptContext& operator=(const CryptContext&) = delete;
  ~CryptContext() {
    if (m_prov != 0) CryptReleaseContext(m_prov, 0);
  }
  HCRYPTPROV* put() { return &m_prov; }
  HCRYPTPROV get() const { return m_prov; }

 private:
  HCRYPTPROV m_prov = 0;
};

class CryptKey {
 public:
  CryptKey() = default;
  CryptKey(const CryptKey&) = delete;
  CryptKey& operator=(const CryptKey&) = delete;
  ~CryptKey() { reset(); }
  void reset() {
    if (m_key != 0) CryptDestroyKey(m_key);
    m_key = 0;
  }
  HCRYPTKEY* put() {
    reset();
    return &m_key;
  }
  HCRYPTKEY get() const { return m_key; }

 private:
  HCRYPTKEY m_key = 0;
};

class CryptHash {
 public:
  CryptHash() = default;
  CryptHash(const CryptHash&) = delete;
  CryptHash& operator=(const CryptHash&) = delete;
  ~CryptHash() {
    if (m_hash != 0) CryptDestroyHash(m_hash);
  }
  HCRYPTHASH* put() { return &m_hash; }
  HCRYPTHASH get() const { return m_hash; }

 private:
  HCRYPTHASH m_hash = 0;
};

// A LocalAlloc block, so that an allocation failure is reported like the device's.
class LocalBlock {
 public:
  explicit LocalBlock(SIZE_T bytes) : m_mem(static_cast<BYTE*>(LocalAlloc(LPTR, bytes))) {}
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;
  ~LocalBlock() {
    if (m_mem != nullptr) LocalFree(m_mem);
  }
  BYTE* get() const { return m_mem; }

 private:
  BYTE* m_mem;
};

// Opens the program's container with the default provider, creating it when it is
// missing.
bool AcquireProgramContext(CryptContext& context) {
  if (CryptAcquireContextW(context.put(), kCryptoContainerName, nullptr, PROV_RSA_FULL, 0) &&
      context.get() != 0)
    return true;
  return CryptAcquireContextW(context.put(), kCryptoContainerName, nullptr, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET) &&
         context.get() != 0;
}

// Hashes the pass phrase and derives the RC4 key from it. `step` names the call that failed.
enum class KeyStep { None, CreateHash, HashData, DeriveKey };

KeyStep DeriveRc4Key(const CryptContext& context, LPCWSTR passPhrase, CryptHash& hash, CryptKey& key) {
  if (!CryptCreateHash(context.get(), CALG_MD5, 0, 0, hash.put())) return KeyStep::CreateHash;
  const DWORD bytes = static_cast<DWORD>(platform::WideLength(passPhrase) * sizeof(WCHAR));
  if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(passPhrase), bytes, 0))
    return KeyStep::HashData;
  if (!CryptDeriveKey(context.get(), CALG_RC4, hash.get(), CRYPT_EXPORTABLE, key.put()))
    return KeyStep::DeriveKey;
  return KeyStep::None;
}

bool OutputFits(const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outLength) {
  if ((input == nullptr && inputLength != 0) || outLength == nullptr) return false;
  if (output == nullptr || *outLength < inputLength) {
    *outLength = inputLength;
    return false;
  }
  return true;
}

}  // namespace

CCryptoHelper::CCryptoHelper() { m_initialised = InitKeys(); }

BOOL CCryptoHelper::InitKeys() {
  CryptContext context;
  if (!CryptAcquireContextW(context.put(), kCryptoContainerName, MS_DEF_PROV_W, PROV_RSA_FULL, 0)) {
    m_lastError = u"CryptAcquireContext with 0 keyset failed";
    if (!CryptAcquireContextW(context.put(), kCryptoContainerName, MS_DEF_PROV_W, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET)) {
      m_lastError = u"CryptAcquireContext with 0 CRYPT_NEWKEYSET failed: ";
      return FALSE;
    }
  }

  CryptKey key;
  if (!CryptGetUserKey(context.get(), AT_SIGNATURE, key.put())) {
    if (GetLastError() != NTE_NO_KEY) {
      m_lastError = u"CryptGetUserKey failed";
      return FALSE;
    }
    m_lastError = u"CryptGetUserKey failed NTE_NO_KEY";
    if (!CryptGenKey(context.get(), AT_SIGNATURE, 0, key.put())) {
      m_lastError = u"CryptGenKey failed";
      return FALSE;
    }
  }
  key.reset();

  if (!CryptGetUserKey(context.get(), AT_KEYEXCHANGE, key.put())) {
    if (GetLastError() != NTE_NO_KEY) {
      m_lastError = u"Error during CryptGetUserKey!";
      return FALSE;
    }
    if (!CryptGenKey(context.get(), AT_KEYEXCHANGE, 0, key.put())) {
      m_lastError = u"Error during CryptGenKey!";
      return FALSE;
    }
  }
  return TRUE;
}

BOOL CCryptoHelper::EncrpytString(const BYTE* input, DWORD inputLength, BYTE* output,
                                  DWORD* outLength, LPCWSTR passPhrase) {
  if (!m_initialised) return FALSE;
  if (!OutputFits(input, inputLength, output, outLength)) {
    m_lastError = u"The output buffer of EncrpytString is too small.";
    return FALSE;
  }
  CryptContext context;
  if (!AcquireProgramContext(context)) {
    m_lastError = u"A cryptographic service handle could not be acquired.";
    return FALSE;
  }
  CryptHash hash;
  CryptKey key;
  switch (DeriveRc4Key(context, passPhrase, hash, key)) {
    case KeyStep::CreateHash: m_lastError = u"CryptCreateHash failed!"; return FALSE;
    case KeyStep::HashData: m_lastError = u"CryptHashData failed!"; return FALSE;
    case KeyStep::DeriveKey: m_lastError = u"CryptDeriveKey failed!"; return FALSE;
    case KeyStep::None: break;
  }
  LocalBlock work(static_cast<SIZE_T>(inputLength) + 1);
  if (work.get() == nullptr) {
    m_lastError = u"Malloc Error in EncrpytString!";
    return FALSE;
  }
  if (inputLength != 0) std::memcpy(work.get(), input, inputLength);
  DWORD length = inputLength;
  if (!CryptEncrypt(key.get(), 0, TRUE, 0, work.get(), &length, inputLength)) {
    m_lastError = u"CryptEncrypt Error in EncrpytString!";
    return FALSE;
  }
  if (length != 0) std::memcpy(output, work.get(), length);
  *outLength = length;
  return TRUE;
}

BOOL CCryptoHelper::DecryptString(const BYTE* input, DWORD inputLength, BYTE* output,
                                  DWORD* outLength, LPCWSTR passPhrase) {
  if (!m_initialised) return FALSE;
  if (!OutputFits(input, inputLength, output, outLength)) return FALSE;
  CryptContext context;
  if (!CryptAcquireContextW(context.put(), kCryptoContainerName, nullptr, PROV_RSA_FULL, 0) ||
      context.get() == 0)
    return FALSE;
  CryptHash hash;
  CryptKey key;
  if (DeriveRc4Key(context, passPhrase, hash, key) != KeyStep::None) return FALSE;
  // The work buffer is as long as the input, whatever its length.
  LocalBlock work(static_cast<SIZE_T>(inputLength) + 1);
  if (work.get() == nullptr) return FALSE;
  if (inputLength != 0) std::memcpy(work.get(), input, inputLength);
  DWORD length = inputLength;
  if (!CryptDecrypt(key.get(), 0, TRUE, 0, work.get(), &length)) return FALSE;
  if (length != 0) std::memcpy(output, work.get(), length);
  *outLength = length;
  return TRUE;
}

namespace {
constexpr std::u16string_view kScrambleKey = u"quietharbour";
}

void ScrambleText(std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) text[i] ^= kScrambleKey[i % kScrambleKey.size()];
}

void ScrambleText(BSTR text) {
  const UINT length = SysStringLen(text);
  for (UINT i = 0; i < length; ++i) text[i] ^= kScrambleKey[i % kScrambleKey.size()];
}

#include "core/CryptoHelper.h"

#include <cstring>
#include <utility>

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/base/UniqueHandle.h"
#include "platform/crypt/CryptHandles.h"

namespace {

// Opens the program's container with the default provider, creating it when it is
// missing.
bool AcquireProgramContext(CCryptContext& context) {
  if (CryptAcquireContextW(context.put(), kCryptoContainerName, nullptr, PROV_RSA_FULL, 0) &&
      context.get() != 0)
    return true;
  return CryptAcquireContextW(context.put(), kCryptoContainerName, nullptr, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET) &&
         context.get() != 0;
}

// Hashes the pass phrase and derives the RC4 key from it. `step` names the call that failed.
enum class KeyStep { None, CreateHash, HashData, DeriveKey };

KeyStep DeriveRc4Key(const CCryptContext& context, LPCWSTR passPhrase, CCryptHash& hash, CCryptKey& key) {
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
  CCryptContext context;
  if (!CryptAcquireContextW(context.put(), kCryptoContainerName, MS_DEF_PROV_W, PROV_RSA_FULL, 0)) {
    m_lastError = u"CryptAcquireContext with 0 keyset failed";
    if (!CryptAcquireContextW(context.put(), kCryptoContainerName, MS_DEF_PROV_W, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET)) {
      m_lastError = u"CryptAcquireContext with 0 CRYPT_NEWKEYSET failed: ";
      return FALSE;
    }
  }

  CCryptKey key;
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
  CCryptContext context;
  if (!AcquireProgramContext(context)) {
    m_lastError = u"A cryptographic service handle could not be acquired.";
    return FALSE;
  }
  CCryptHash hash;
  CCryptKey key;
  switch (DeriveRc4Key(context, passPhrase, hash, key)) {
    case KeyStep::CreateHash: m_lastError = u"CryptCreateHash failed!"; return FALSE;
    case KeyStep::HashData: m_lastError = u"CryptHashData failed!"; return FALSE;
    case KeyStep::DeriveKey: m_lastError = u"CryptDeriveKey failed!"; return FALSE;
    case KeyStep::None: break;
  }
  CLocalMemory work = CLocalMemory::Allocate(static_cast<SIZE_T>(inputLength) + 1);
  if (!work) {
    m_lastError = u"Malloc Error in EncrpytString!";
    return FALSE;
  }
  if (inputLength != 0) std::memcpy(work.as<BYTE>(), input, inputLength);
  DWORD length = inputLength;
  if (!CryptEncrypt(key.get(), 0, TRUE, 0, work.as<BYTE>(), &length, inputLength)) {
    m_lastError = u"CryptEncrypt Error in EncrpytString!";
    return FALSE;
  }
  if (length != 0) std::memcpy(output, work.as<BYTE>(), length);
  *outLength = length;
  return TRUE;
}

BOOL CCryptoHelper::DecryptString(const BYTE* input, DWORD inputLength, BYTE* output,
                                  DWORD* outLength, LPCWSTR passPhrase) {
  if (!m_initialised) return FALSE;
  if (!OutputFits(input, inputLength, output, outLength)) return FALSE;
  CCryptContext context;
  if (!CryptAcquireContextW(context.put(), kCryptoContainerName, nullptr, PROV_RSA_FULL, 0) ||
      context.get() == 0)
    return FALSE;
  CCryptHash hash;
  CCryptKey key;
  if (DeriveRc4Key(context, passPhrase, hash, key) != KeyStep::None) return FALSE;
  // The work buffer is as long as the input, whatever its length.
  CLocalMemory work = CLocalMemory::Allocate(static_cast<SIZE_T>(inputLength) + 1);
  if (!work) return FALSE;
  if (inputLength != 0) std::memcpy(work.as<BYTE>(), input, inputLength);
  DWORD length = inputLength;
  if (!CryptDecrypt(key.get(), 0, TRUE, 0, work.as<BYTE>(), &length)) return FALSE;
  if (length != 0) std::memcpy(output, work.as<BYTE>(), length);
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

// The device's cryptographic service provider: key containers, MD5 hashes and RC4 keys
// derived from them, with the results and error codes of the Base provider.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

using HCRYPTPROV = ULONG_PTR;
using HCRYPTKEY = ULONG_PTR;
using HCRYPTHASH = ULONG_PTR;
using ALG_ID = UINT;

// Provider types and names.
constexpr DWORD PROV_RSA_FULL = 1;
#define MS_DEF_PROV_W u"Microsoft Base Cryptographic Provider v1.0"

// CryptAcquireContextW flags.
constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000;
constexpr DWORD CRYPT_NEWKEYSET = 0x00000008;
constexpr DWORD CRYPT_DELETEKEYSET = 0x00000010;

// Key pair slots of a container.
constexpr DWORD AT_KEYEXCHANGE = 1;
constexpr DWORD AT_SIGNATURE = 2;

// Algorithms.
constexpr ALG_ID CALG_MD5 = 0x00008003;
constexpr ALG_ID CALG_RC4 = 0x00006801;
constexpr ALG_ID CALG_RSA_SIGN = 0x00002400;
constexpr ALG_ID CALG_RSA_KEYX = 0x0000A400;

// Key flags: the upper 16 bits of CryptDeriveKey's flags carry the key length in bits.
constexpr DWORD CRYPT_EXPORTABLE = 0x00000001;
constexpr DWORD CRYPT_NO_SALT = 0x00000010;

// Error codes the provider leaves in GetLastError.
constexpr DWORD NTE_BAD_UID = 0x80090001;
constexpr DWORD NTE_BAD_HASH = 0x80090002;
constexpr DWORD NTE_BAD_KEY = 0x80090003;
constexpr DWORD NTE_BAD_LEN = 0x80090004;
constexpr DWORD NTE_BAD_DATA = 0x80090005;
constexpr DWORD NTE_BAD_ALGID = 0x80090008;
constexpr DWORD NTE_BAD_FLAGS = 0x80090009;
constexpr DWORD NTE_BAD_TYPE = 0x8009000A;
constexpr DWORD NTE_BAD_KEY_STATE = 0x8009000B;
constexpr DWORD NTE_BAD_HASH_STATE = 0x8009000C;
constexpr DWORD NTE_NO_KEY = 0x8009000D;
constexpr DWORD NTE_NO_MEMORY = 0x8009000E;
constexpr DWORD NTE_EXISTS = 0x8009000F;
constexpr DWORD NTE_PERM = 0x80090010;
constexpr DWORD NTE_BAD_PROV_TYPE = 0x80090014;
constexpr DWORD NTE_BAD_KEYSET = 0x80090016;
constexpr DWORD NTE_PROV_TYPE_NOT_DEF = 0x80090017;
constexpr DWORD NTE_KEYSET_NOT_DEF = 0x80090019;
constexpr DWORD NTE_BAD_KEYSET_PARAM = 0x8009001F;
constexpr DWORD NTE_FAIL = 0x80090020;

// Every call answers TRUE, or FALSE with the reason in GetLastError.
//
// Containers: a null or empty name is the default container. Flags 0 open an existing
// container (NTE_BAD_KEYSET when there is none), CRYPT_NEWKEYSET creates one (NTE_EXISTS
// when it is there), CRYPT_DELETEKEYSET removes it (no handle comes back), and
// CRYPT_VERIFYCONTEXT gives a handle without a container. The provider name is null (the
// default) or MS_DEF_PROV_W; the type must be PROV_RSA_FULL.
BOOL CryptAcquireContextW(HCRYPTPROV* prov, LPCWSTR container, LPCWSTR provider, DWORD provType,
                          DWORD flags);
BOOL CryptReleaseContext(HCRYPTPROV prov, DWORD flags);

// The container's key pair in slot AT_SIGNATURE or AT_KEYEXCHANGE; NTE_NO_KEY when the
// container has none yet. CryptGenKey makes one (and records it in the container); pair
// keys cannot encrypt here, only their existence matters.
BOOL CryptGetUserKey(HCRYPTPROV prov, DWORD keySpec, HCRYPTKEY* key);
BOOL CryptGenKey(HCRYPTPROV prov, ALG_ID algId, DWORD flags, HCRYPTKEY* key);
BOOL CryptDestroyKey(HCRYPTKEY key);

// CALG_MD5 only, without a key.
BOOL CryptCreateHash(HCRYPTPROV prov, ALG_ID algId, HCRYPTKEY key, DWORD flags, HCRYPTHASH* hash);
BOOL CryptHashData(HCRYPTHASH hash, const BYTE* data, DWORD dataLength, DWORD flags);
BOOL CryptDestroyHash(HCRYPTHASH hash);

// CALG_RC4 from an MD5 hash. The key is 40 bits long (the length in the flags' upper 16
// bits is 0 or 40): the first 5 bytes of the hash value, followed by 11 zero bytes of salt
// unless CRYPT_NO_SALT is given.
BOOL CryptDeriveKey(HCRYPTPROV prov, ALG_ID algId, HCRYPTHASH baseData, DWORD flags,
                    HCRYPTKEY* key);

// RC4 in place: *dataLength bytes of data, which bufferLength must cover (else
// ERROR_MORE_DATA with the size needed in *dataLength); a null data pointer only asks the
// size. The key stream runs on across calls until one with `final` set, after which the
// next call starts a fresh stream. A hash, when given, takes in the plain text.
BOOL CryptEncrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                  DWORD* dataLength, DWORD bufferLength);
BOOL CryptDecrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                  DWORD* dataLength);

namespace platform::crypt {

// The steps a test can make fail.
enum class Step {
  AcquireContext,
  GetUserKey,
  GenKey,
  CreateHash,
  HashData,
  DeriveKey,
  Encrypt,
  Decrypt,
  Count
};

// After `skip` more successful calls of `step`, the next `times` calls fail with `error`
// (0 picks the step's usual error: NTE_BAD_KEYSET, NTE_NO_KEY, else NTE_FAIL) and change
// nothing.
void FailNext(Step step, DWORD error = 0, int times = 1, int skip = 0);
void ClearFailures();

// Providers, keys and hashes open right now (tests check for leaks).
int OpenCryptHandleCount();

// The device folder that keeps the key containers, one file per container.
inline constexpr char16_t kContainerFolder[] = u"\\Windows\\Crypto";

}  // namespace platform::crypt

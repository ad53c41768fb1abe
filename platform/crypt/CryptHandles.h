// Owners of the CryptoAPI's objects: a provider context (CryptReleaseContext), a key
// (CryptDestroyKey) and a hash (CryptDestroyHash). 0 is "no object" for all three.
//
//   CCryptContext context;
//   if (CryptAcquireContextW(context.put(), ...)) ...
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/crypt/Crypt.h"

inline BOOL ReleaseCryptContext(HCRYPTPROV prov) { return CryptReleaseContext(prov, 0); }

using CCryptContext = CUniqueHandle<NullHandleTraits<HCRYPTPROV, &ReleaseCryptContext>>;
using CCryptKey = CUniqueHandle<NullHandleTraits<HCRYPTKEY, &CryptDestroyKey>>;
using CCryptHash = CUniqueHandle<NullHandleTraits<HCRYPTHASH, &CryptDestroyHash>>;

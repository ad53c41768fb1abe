// Owners of the CryptoAPI's objects: a provider context (CryptReleaseContext), a key
// (CryptDestroyKey) and a hash (CryptDestroyHash). 0 is "no object" for all three.
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/crypt/Crypt.h"

struct CryptProvTraits {
  using Handle = HCRYPTPROV;
  static Handle Invalid() { return 0; }
  static void Close(Handle prov) { CryptReleaseContext(prov, 0); }
};

struct CryptKeyTraits {
  using Handle = HCRYPTKEY;
  static Handle Invalid() { return 0; }
  static void Close(Handle key) { CryptDestroyKey(key); }
};

struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle Invalid() { return 0; }
  static void Close(Handle hash) { CryptDestroyHash(hash); }
};

// CCryptContext context; CryptAcquireContextW(context.put(), ...);
class CCryptContext : public CUniqueHandle<CryptProvTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};

class CCryptKey : public CUniqueHandle<CryptKeyTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};

class CCryptHash : public CUniqueHandle<CryptHashTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};

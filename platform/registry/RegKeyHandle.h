// The owner of an opened registry key (RegOpenKeyExW, RegCreateKeyExW), closed by
// RegCloseKey. Hold only keys that were opened: the predefined roots (HKEY_CURRENT_USER
// ...) are never owned.
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/registry/Registry.h"

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle key) { RegCloseKey(key); }
};

// CRegKeyHandle key; if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) ...
class CRegKeyHandle : public CUniqueHandle<RegKeyTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};

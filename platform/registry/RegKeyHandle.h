// The owner of an opened registry key (RegOpenKeyExW, RegCreateKeyExW), closed by
// RegCloseKey. Hold only keys that were opened: the predefined roots (HKEY_CURRENT_USER
// ...) are never owned.
//
//   CRegKeyHandle key;
//   if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) ...
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/registry/Registry.h"

using CRegKeyHandle = CUniqueHandle<NullHandleTraits<HKEY, &RegCloseKey>>;

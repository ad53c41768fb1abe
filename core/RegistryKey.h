// The one way the program opens a registry key and reads or writes its values.
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/platform.h"
#include "platform/registry/RegKeyHandle.h"

// The program's root key under HKEY_CURRENT_USER.
inline constexpr const WCHAR* kRootKeyPath = u"Software\\VendelSoftware\\Slateway";

// Opens (creating when missing) one key for the object's lifetime. A key that cannot be
// opened leaves a usable object whose reads and writes all answer false. Failed reads
// leave the last system error code in the thread's last error, so callers can tell a
// missing value (ERROR_FILE_NOT_FOUND) from one that cannot be read.
class CRegistryKey {
 public:
  // root 0 means HKEY_CURRENT_USER; a null path means the program's root key.
  explicit CRegistryKey(HKEY root = nullptr, const WCHAR* keyPath = nullptr);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  bool IsOpen() const { return m_isOpen; }

  // Reads at most 4 bytes of the value, whatever its type; `value` is untouched on failure.
  bool GetDword(const WCHAR* name, DWORD& value);
  // Reads the value's bytes; on failure `count` becomes 0.
  bool GetBinary(const WCHAR* name, BYTE* buffer, DWORD& count);
  bool SetDword(const WCHAR* name, DWORD value);
  bool SetBinary(const WCHAR* name, const BYTE* buffer, DWORD count);
  // Reads a text value into `value`. A stored empty text leaves `value` as it was (the
  // caller's text is the default) and answers true; a missing value answers false and
  // also leaves it. The name is the call's own (taken by value).
  bool GetString(CBstr name, CBstr& value);
  // Writes a REG_SZ with its terminating null; a null or empty text writes a single null.
  bool SetString(CBstr name, CBstr value);

 private:
  bool GrowValueBuffer(DWORD size);

  CRegKeyHandle m_key;
  bool m_isOpen = false;
  CBstr m_keyPath;
  // The text read buffer: always two zero bytes longer than m_valueBufferSize, so a text
  // read into it is terminated whatever the registry returned.
  CLocalMemory m_valueBuffer;
  DWORD m_valueBufferSize = 1024;
};

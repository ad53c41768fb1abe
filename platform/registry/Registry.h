// The device registry: four hives of keys and typed values, kept as text files under the
// device root and rewritten (by rename) on every change.
#pragma once

#include "platform/base/Win32Types.h"

using HKEY = struct HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Results are system error codes. A key lies at most 32 levels below its hive's top;
// creating one deeper fails with ERROR_INVALID_PARAMETER. Key and value names compare ignoring case and keep the
// case they were created with; a null or empty value name is the key's default value.
// Value bytes are kept exactly as written and reads do no type check. A buffer too small
// gives ERROR_MORE_DATA with the size needed; a null data pointer asks for the size.
// Subkeys enumerate alphabetically ignoring case, values in the order they were created.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options,
                     REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegCloseKey(HKEY key);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD cbData);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD cbData);
LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes the key with everything below it, as the handheld does.
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD reserved,
                   LPWSTR className, LPDWORD cchClass, PFILETIME lastWriteTime);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD cchValueName,
                   LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cbData);
LONG RegQueryInfoKeyW(HKEY key, LPWSTR className, LPDWORD cchClass, LPDWORD reserved,
                      LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                      LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptor,
                      PFILETIME lastWriteTime);
LONG RegFlushKey(HKEY key);

namespace platform {
// Forgets every hive held in memory and closes every open key, so the next call reads
// the hive files afresh: what a restart of the device does.
void ReloadRegistry();
// A number that changes whenever the hive of `root` may hold something new (a write in
// this process, a hive file rewritten by another, a reload). Lets readers keep what they
// derived from registry values until it changes.
ULONGLONG RegistryGeneration(HKEY root);
// A batch of changes: between BeginRegistryBatch and the matching EndRegistryBatch (they
// nest; only the outermost pair counts) each hive changed is written once, when the batch
// ends, by one temporary file and rename: a crash inside the batch leaves the old file, so
// a batch lands whole or not at all. A hive's cross-process lock is taken at its first
// change in the batch and held until the batch ends, and a hive is checked for other
// processes' saves once per batch. Calls inside the batch report what they did in memory;
// EndRegistryBatch reports the writing (ERROR_CANTWRITE, with the batch's changes to that
// hive dropped, when a hive cannot be written). A batch belongs to the process: changes
// made by any thread while it is open join it.
void BeginRegistryBatch();
LONG EndRegistryBatch();
// A batch for one scope; End() reports the result, else the destructor ends it.
class CRegistryBatch {
 public:
  CRegistryBatch() { BeginRegistryBatch(); }
  ~CRegistryBatch() { End(); }
  CRegistryBatch(const CRegistryBatch&) = delete;
  CRegistryBatch& operator=(const CRegistryBatch&) = delete;
  LONG End() {
    if (!m_open) return m_result;
    m_open = false;
    return m_result = EndRegistryBatch();
  }

 private:
  bool m_open = true;
  LONG m_result = ERROR_SUCCESS;
};
// Keys open right now (tests check for leaks).
int OpenRegistryKeyCount();
// Damaged hive files mended since the last call, by any process of the device (each was
// kept aside as "<hive>.damaged" first): the lines left out, and the hives that could not
// be read at all and started empty. Taken once: the next call reports only later repairs.
struct RegistryRepairs {
  size_t skippedLines = 0;
  size_t hivesStartedEmpty = 0;
  bool Any() const { return skippedLines || hivesStartedEmpty; }
};
RegistryRepairs TakeRegistryRepairs();
}  // namespace platform

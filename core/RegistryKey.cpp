#include "core/RegistryKey.h"

#include <cstring>

CRegistryKey::CRegistryKey(HKEY root, const WCHAR* keyPath)
    : m_keyPath(keyPath ? keyPath : kRootKeyPath) {
  m_valueBuffer = CLocalMemory::Allocate(m_valueBufferSize + 2, LHND);
  if (!m_valueBuffer) platform::ThrowOutOfMemory();
  HKEY opened = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(root ? root : HKEY_CURRENT_USER, m_keyPath.c_str(), 0, nullptr, 0, 0, nullptr, &opened,
                      &disposition) == ERROR_SUCCESS) {
    m_key.reset(opened);
    m_isOpen = true;
  }
}

CRegistryKey::~CRegistryKey() = default;

bool CRegistryKey::GetDword(const WCHAR* name, DWORD& value) {
  if (!m_isOpen) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD read = value;
  DWORD size = sizeof read;
  LONG rc = RegQueryValueExW(m_key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  value = read;
  return true;
}

bool CRegistryKey::GetBinary(const WCHAR* name, BYTE* buffer, DWORD& count) {
  if (!m_isOpen) {
    SetLastError(ERROR_INVALID_HANDLE);
    count = 0;
    return false;
  }
  LONG rc = RegQueryValueExW(m_key.get(), name, nullptr, nullptr, buffer, &count);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    count = 0;
    return false;
  }
  return true;
}

bool CRegistryKey::SetDword(const WCHAR* name, DWORD value) {
  if (!m_isOpen) return false;
  return RegSetValueExW(m_key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

bool CRegistryKey::SetBinary(const WCHAR* name, const BYTE* buffer, DWORD count) {
  if (!m_isOpen) return false;
  return RegSetValueExW(m_key.get(), name, 0, REG_BINARY, buffer, count) == ERROR_SUCCESS;
}

bool CRegistryKey::GrowValueBuffer(DWORD size) {
  HLOCAL grown = LocalReAlloc(m_valueBuffer.get(), size + 2, LMEM_MOVEABLE | LMEM_ZEROINIT);
  if (!grown) return false;
  // The old block became the grown one: it is not freed again.
  m_valueBuffer.release();
  m_valueBuffer.reset(grown);
  m_valueBufferSize = size;
  return true;
}

bool CRegistryKey::GetString(CBstr name, CBstr& value) {
  if (!m_isOpen) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  std::memset(m_valueBuffer.get(), 0, m_valueBufferSize + 2);
  DWORD size = m_valueBufferSize;
  LONG rc = RegQueryValueExW(m_key.get(), name.c_str(), nullptr, nullptr, m_valueBuffer.as<BYTE>(), &size);
  if (rc == ERROR_MORE_DATA) {
    if (!GrowValueBuffer(size)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    std::memset(m_valueBuffer.get(), 0, m_valueBufferSize + 2);
    size = m_valueBufferSize;
    rc = RegQueryValueExW(m_key.get(), name.c_str(), nullptr, nullptr, m_valueBuffer.as<BYTE>(), &size);
  }
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  // The registry copies bytes, not characters: read the text through memcpy so an odd
  // byte count or an unaligned block never matters. The buffer's two spare zero bytes
  // guarantee a terminator.
  WCHAR first = 0;
  std::memcpy(&first, m_valueBuffer.get(), sizeof first);
  if (size != 0 && first != 0) {
    std::u16string text;
    for (DWORD i = 0; i + 1 < m_valueBufferSize + 2; i += 2) {
      WCHAR c;
      std::memcpy(&c, m_valueBuffer.as<BYTE>() + i, sizeof c);
      if (c == 0) break;
      text += c;
    }
    value = CBstr(text);
  }
  return true;
}

bool CRegistryKey::SetString(CBstr name, CBstr value) {
  if (!m_isOpen) return false;
  static const WCHAR kEmpty[1] = {0};
  const WCHAR* text = value.IsEmpty() ? kEmpty : value.get();
  DWORD bytes = (value.Length() + 1) * sizeof(WCHAR);
  return RegSetValueExW(m_key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) ==
         ERROR_SUCCESS;
}

#include "core/FileVersionInfo.h"

#include <cstdio>
#include <cstring>

#include "platform/base/Base.h"
#include "platform/module/Module.h"

void CFileVersionInfo::Reset() {
  m_codePage = kDefaultCodePage;
  m_language = kDefaultLanguage;
  m_fixed = VS_FIXEDFILEINFO{};
  m_data.clear();
}

bool CFileVersionInfo::Load(LPCWSTR moduleName) {
  Reset();
  HMODULE module = GetModuleHandleW(moduleName);
  if (module == nullptr) return false;
  WCHAR fileName[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, fileName, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return LoadFile(fileName);
}

bool CFileVersionInfo::LoadFile(LPCWSTR fileName) {
  Reset();

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(fileName, &handle);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(fileName, handle, size, data.data())) return false;
  m_data = std::move(data);

  LPVOID value = nullptr;
  UINT length = 0;
  if (VerQueryValueW(m_data.data(), u"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO))
    std::memcpy(&m_fixed, value, sizeof(VS_FIXEDFILEINFO));
  if (VerQueryValueW(m_data.data(), u"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    const auto* bytes = static_cast<const BYTE*>(value);
    m_language = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
    m_codePage = static_cast<WORD>(bytes[2] | (bytes[3] << 8));
  }
  return m_fixed.dwSignature == VS_FFI_SIGNATURE;
}

std::u16string CFileVersionInfo::GetString(std::u16string_view name) const {
  if (m_data.empty()) return {};
  char table[16];
  std::snprintf(table, sizeof table, "%04x%04x", unsigned(m_language), unsigned(m_codePage));
  std::u16string path = u"\\StringFileInfo\\" + platform::ToUtf16(table) + u"\\";
  path += name;
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(m_data.data(), path.c_str(), &value, &length)) return {};
  // The length counts the terminating null; the text ends at the first null either way.
  std::u16string text;
  const auto* bytes = static_cast<const BYTE*>(value);
  for (UINT i = 0; i < length; ++i) {
    const WCHAR c = static_cast<WCHAR>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

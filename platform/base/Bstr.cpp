#include "platform/base/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/base/Base.h"
#include "platform/base/Faults.h"

namespace {
// Layout: [DWORD byte count][characters][2 zero bytes]; the BSTR points at the characters.
BSTR AllocateBytes(const void* source, UINT byteLength) {
  if (byteLength > std::numeric_limits<UINT>::max() - 8 ||
      platform::ShouldFail(platform::Fault::TextAllocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* block = static_cast<BYTE*>(std::malloc(sizeof(DWORD) + byteLength + 2 * sizeof(WCHAR)));
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DWORD count = byteLength;
  std::memcpy(block, &count, sizeof count);
  BYTE* chars = block + sizeof(DWORD);
  if (source)
    std::memcpy(chars, source, byteLength);
  else
    std::memset(chars, 0, byteLength);
  std::memset(chars + byteLength, 0, 2 * sizeof(WCHAR));
  return reinterpret_cast<BSTR>(chars);
}
}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(platform::WideLength(text)));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > std::numeric_limits<UINT>::max() / 2 - 8) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return AllocateBytes(text, length * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT byteLength) { return AllocateBytes(bytes, byteLength); }

INT SysReAllocString(BSTR* target, LPCOLESTR text) {
  return SysReAllocStringLen(target, text, static_cast<UINT>(platform::WideLength(text)));
}

INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length) {
  if (!target) return FALSE;
  BSTR fresh = SysAllocStringLen(text, length);
  if (!fresh) return FALSE;
  SysFreeString(*target);
  *target = fresh;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<BYTE*>(text) - sizeof(DWORD));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  DWORD count;
  std::memcpy(&count, reinterpret_cast<BYTE*>(text) - sizeof(DWORD), sizeof count);
  return count;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

// ---- CBstr ---------------------------------------------------------------------------------
namespace {
BSTR CopyOrThrow(const OLECHAR* text, UINT length) {
  BSTR copy = SysAllocStringLen(text, length);
  if (!copy) platform::ThrowOutOfMemory();
  return copy;
}
}  // namespace

CBstr::CBstr(LPCOLESTR text) {
  if (text) m_str = CopyOrThrow(text, static_cast<UINT>(platform::WideLength(text)));
}

CBstr::CBstr(std::u16string_view text) : m_str(CopyOrThrow(text.data(), static_cast<UINT>(text.size()))) {}

CBstr::CBstr(const CBstr& other) {
  if (other.m_str) m_str = CopyOrThrow(other.m_str, other.Length());
}

CBstr& CBstr::operator=(const CBstr& other) {
  if (this != &other) {
    BSTR copy = other.m_str ? CopyOrThrow(other.m_str, other.Length()) : nullptr;
    SysFreeString(m_str);
    m_str = copy;
  }
  return *this;
}

CBstr& CBstr::operator=(CBstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(m_str);
    m_str = other.m_str;
    other.m_str = nullptr;
  }
  return *this;
}

CBstr::~CBstr() { SysFreeString(m_str); }

CBstr CBstr::Attach(BSTR text) {
  CBstr b;
  b.m_str = text;
  return b;
}

BSTR CBstr::release() {
  BSTR s = m_str;
  m_str = nullptr;
  return s;
}

void CBstr::reset(BSTR text) {
  if (text == m_str) return;
  SysFreeString(m_str);
  m_str = text;
}

BSTR* CBstr::put() {
  reset();
  return &m_str;
}

// Length-prefixed automation texts (BSTR) and the RAII owner the program holds them in.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// The classic contract: a 4-byte byte count before the characters, a terminating null
// after them, embedded nulls allowed. Allocation failure returns null (ERROR_NOT_ENOUGH_MEMORY).
BSTR SysAllocString(LPCOLESTR text);                 // null in, null out
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);  // text may be null: zero-filled
BSTR SysAllocStringByteLen(LPCSTR bytes, UINT byteLength);
INT SysReAllocString(BSTR* target, LPCOLESTR text);
INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);       // characters; 0 for null
UINT SysStringByteLen(BSTR text);   // bytes; 0 for null

// Owns one BSTR. Copies copy the text; a failed allocation throws E_OUTOFMEMORY, so a
// CBstr built from a non-null text is never silently null. A null CBstr reads as "".
class CBstr {
 public:
  CBstr() = default;
  CBstr(std::nullptr_t) {}
  CBstr(LPCOLESTR text);
  CBstr(std::u16string_view text);
  CBstr(const std::u16string& text) : CBstr(std::u16string_view(text)) {}
  CBstr(const CBstr& other);
  CBstr(CBstr&& other) noexcept : m_str(other.m_str) { other.m_str = nullptr; }
  CBstr& operator=(const CBstr& other);
  CBstr& operator=(CBstr&& other) noexcept;
  ~CBstr();

  // Takes ownership of a BSTR that someone else allocated.
  static CBstr Attach(BSTR text);

  BSTR get() const { return m_str; }
  BSTR release();
  void reset(BSTR text = nullptr);
  // Frees the current text and hands out the slot for an out-parameter.
  BSTR* put();

  bool IsNull() const { return m_str == nullptr; }
  bool IsEmpty() const { return Length() == 0; }
  UINT Length() const { return SysStringLen(m_str); }
  std::u16string_view view() const { return {m_str ? m_str : u"", Length()}; }
  std::u16string str() const { return std::u16string(view()); }
  const WCHAR* c_str() const { return m_str ? m_str : u""; }

  friend bool operator==(const CBstr& a, const CBstr& b) { return a.view() == b.view(); }
  friend bool operator==(const CBstr& a, std::u16string_view b) { return a.view() == b; }

 private:
  BSTR m_str = nullptr;
};

// Printf-style formatting of wide texts as the handheld's user library offers it
// (wsprintfW), plus a typed, bounded form for C++ callers.
//
// Conversions: %s (wide text; "%hs" narrow UTF-8, "%ls" wide), %c ("%hc", "%lc"),
// %d %i %u %x %X with an optional "l" or "h" size, "%I64d"/"%I64u"/"%I64x" for 64-bit
// values, %p, and %%. Flags "-", "0", "+", " " and "#", a width and a precision
// (characters for texts, digits for numbers) are honoured; "*" is not. Anything else is
// copied as it stands. As on the device, "l" means 32 bits: pass LONG, DWORD or int for
// "%ld"/"%lu"/"%lx", never a 64-bit `long`. A null text argument prints "(null)".
#pragma once

#include <cstdarg>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// The device's classic contract: writes at most 1023 characters and the terminating null
// into `buffer`, which must be large enough for the result (at most 1024 characters);
// returns the number of characters written. Code that formats texts from outside into a
// smaller buffer uses FormatWideInto instead.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);

namespace platform {

// One argument of the typed formatter. Numbers and texts convert to the conversion that
// consumes them: a number consumed by "%s" prints nothing, a text consumed by "%d" prints
// 0, so a format text from outside (a resource library) can never read past its arguments.
class FormatArg {
 public:
  enum class Kind { Number, WideText, NarrowText };
  FormatArg(int value) : m_kind(Kind::Number), m_number(value) {}
  FormatArg(unsigned value) : m_kind(Kind::Number), m_number(value) {}
  FormatArg(long value) : m_kind(Kind::Number), m_number(value) {}
  FormatArg(unsigned long value) : m_kind(Kind::Number), m_number(static_cast<std::int64_t>(value)) {}
  FormatArg(long long value) : m_kind(Kind::Number), m_number(value) {}
  FormatArg(unsigned long long value) : m_kind(Kind::Number), m_number(static_cast<std::int64_t>(value)) {}
  FormatArg(LPCWSTR text) : m_kind(Kind::WideText), m_wide(text) {}
  FormatArg(const std::u16string& text) : m_kind(Kind::WideText), m_wide(text.c_str()) {}
  FormatArg(LPCSTR text) : m_kind(Kind::NarrowText), m_narrow(text) {}

  Kind kind() const { return m_kind; }
  std::int64_t number() const { return m_number; }
  LPCWSTR wide() const { return m_wide; }
  LPCSTR narrow() const { return m_narrow; }

 private:
  Kind m_kind;
  std::int64_t m_number = 0;
  LPCWSTR m_wide = nullptr;
  LPCSTR m_narrow = nullptr;
};

// Formats `format` with `args`; conversions beyond the last argument print nothing. The
// result is cut to `maxChars` characters (never splitting a surrogate pair).
std::u16string FormatWide(std::u16string_view format, std::initializer_list<FormatArg> args,
                          size_t maxChars = SIZE_MAX);

// The same into a caller's buffer of `cchBuffer` characters: at most cchBuffer - 1
// characters and the terminating null. Returns the number of characters written.
int FormatWideInto(LPWSTR buffer, size_t cchBuffer, std::u16string_view format,
                   std::initializer_list<FormatArg> args);

}  // namespace platform

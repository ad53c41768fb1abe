#include "platform/base/Base.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/base/Faults.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point from UTF-16; unpaired surrogates become U+FFFD.
char32_t DecodeUtf16(const WCHAR* s, size_t n, size_t& i) {
  char32_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (i < n && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
      char32_t lo = s[i++];
      return 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
    }
    return kReplacement;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) return kReplacement;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one code point from UTF-8; malformed or overlong sequences and encoded
// surrogates consume one byte and become U+FFFD.
char32_t DecodeUtf8(const unsigned char* s, size_t n, size_t& i) {
  unsigned char b = s[i];
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if (b < 0x80) {
    ++i;
    return b;
  } else if ((b & 0xE0) == 0xC0) {
    extra = 1; c = b & 0x1F; min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2; c = b & 0x0F; min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3; c = b & 0x07; min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (s[i + k] & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += extra + 1;
  return c;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

bool IsKnownCodePage(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_UTF8; }
}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int cchWideChar, LPSTR multi,
                        int cbMultiByte, LPCSTR, BOOL* usedDefaultChar) {
  if (!IsKnownCodePage(codePage) || !wide || cchWideChar == 0 || cchWideChar < -1 ||
      cbMultiByte < 0 || (cbMultiByte > 0 && !multi)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = cchWideChar == -1 ? platform::WideLength(wide) + 1 : static_cast<size_t>(cchWideChar);
  std::string out = platform::ToUtf8(std::u16string_view(wide, n));
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  if (cbMultiByte == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(multi, out.data(), out.size());
  return static_cast<int>(out.size());
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR multi, int cbMultiByte, LPWSTR wide,
                        int cchWideChar) {
  if (!IsKnownCodePage(codePage) || !multi || cbMultiByte == 0 || cbMultiByte < -1 ||
      cchWideChar < 0 || (cchWideChar > 0 && !wide)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = cbMultiByte == -1 ? std::strlen(multi) + 1 : static_cast<size_t>(cbMultiByte);
  std::u16string out = platform::ToUtf16(std::string_view(multi, n));
  if (cchWideChar == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(wide, out.data(), out.size() * sizeof(WCHAR));
  return static_cast<int>(out.size());
}

// ---- Local memory ---------------------------------------------------------------------
// Each block carries its size in front, so LocalSize and zero-filling growth work.
namespace {
struct LocalHeader {
  SIZE_T size;
  SIZE_T pad;  // keeps the payload 16-byte aligned
};
LocalHeader* HeaderOf(HLOCAL mem) { return static_cast<LocalHeader*>(mem) - 1; }
// A size so large that adding the header would wrap around: no block can hold it.
bool TooLarge(SIZE_T bytes) { return bytes > SIZE_MAX - sizeof(LocalHeader); }
}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  if (TooLarge(bytes) || platform::ShouldFail(platform::Fault::Allocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* h = static_cast<LocalHeader*>(std::malloc(sizeof(LocalHeader) + bytes));
  if (!h) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  h->size = bytes;
  if (flags & LMEM_ZEROINIT) std::memset(h + 1, 0, bytes);
  return h + 1;
}

HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags) {
  if (!mem) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (TooLarge(bytes) || platform::ShouldFail(platform::Fault::Allocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LocalHeader* old = HeaderOf(mem);
  SIZE_T oldSize = old->size;
  auto* h = static_cast<LocalHeader*>(std::realloc(old, sizeof(LocalHeader) + bytes));
  if (!h) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  h->size = bytes;
  if ((flags & LMEM_ZEROINIT) && bytes > oldSize)
    std::memset(reinterpret_cast<BYTE*>(h + 1) + oldSize, 0, bytes - oldSize);
  return h + 1;
}

HLOCAL LocalFree(HLOCAL mem) {
  if (mem) std::free(HeaderOf(mem));
  return nullptr;
}

SIZE_T LocalSize(HLOCAL mem) { return mem ? HeaderOf(mem)->size : 0; }

// ---- Interlocked ------------------------------------------------------------------------
LONG InterlockedIncrement(LONG volatile* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(LONG volatile* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

namespace {
bool g_captureDebugOutput = false;
std::u16string& CapturedDebugOutput() {
  static std::u16string captured;
  return captured;
}
}  // namespace

void OutputDebugStringW(LPCWSTR text) {
  static const bool enabled = std::getenv("SLATEWAY_DEBUG") != nullptr;
  if (g_captureDebugOutput && text) CapturedDebugOutput() += text;
  if (!enabled || !text) return;
  std::string s = platform::ToUtf8(text);
  std::fwrite(s.data(), 1, s.size(), stderr);
}

namespace platform {

namespace {
std::string DescribeHResult(HRESULT hr) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "HRESULT 0x%08X", static_cast<unsigned>(hr));
  return buf;
}
}  // namespace

HResultError::HResultError(HRESULT hr) : std::runtime_error(DescribeHResult(hr)), m_hr(hr) {}

void ThrowHResult(HRESULT hr) { throw HResultError(hr); }

void CaptureDebugOutput(bool on) {
  g_captureDebugOutput = on;
  CapturedDebugOutput().clear();
}

std::u16string TakeDebugOutput() { return std::exchange(CapturedDebugOutput(), {}); }

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, DecodeUtf16(text.data(), text.size(), i));
  return out;
}

namespace {
// True when the four units from `s` are all ASCII (one test instead of four).
bool FourAscii(const char16_t* s) {
  std::uint64_t units;
  std::memcpy(&units, s, sizeof units);
  return (units & 0xFF80FF80FF80FF80ull) == 0;
}
}  // namespace

size_t WriteUtf8Strict(std::u16string_view value, char* out) {
  const char16_t* s = value.data();
  const size_t n = value.size();
  char* p = out;
  for (size_t i = 0; i < n; ++i) {
    if (i + 4 <= n && FourAscii(s + i)) {
      for (int k = 0; k < 4; ++k) *p++ = static_cast<char>(s[i + k]);
      i += 3;
      continue;
    }
    char32_t c = s[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c >= 0xDC00 || i + 1 == n || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return SIZE_MAX;
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);  // two units, four bytes
    }
    if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return static_cast<size_t>(p - out);
}

bool ToUtf8Strict(std::u16string_view value, std::string& out) {
  out.resize(value.size() * 3);
  size_t written = WriteUtf8Strict(value, out.data());
  if (written == SIZE_MAX) return false;
  out.resize(written);
  return true;
}

std::string EscapeLineBytes(std::string_view bytes) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size());
  for (char byte : bytes) {
    auto c = static_cast<unsigned char>(byte);
    if (c == '%' || c < 0x20 || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += byte;
    }
  }
  return out;
}

std::optional<std::string> UnescapeLineBytes(std::string_view text) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = digit(text[i + 1]), low = digit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::u16string ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  for (size_t i = 0; i < utf8.size();) {
    if (s[i] < 0x80) {
      out.push_back(s[i++]);  // most texts are plain ASCII
      continue;
    }
    AppendUtf16(out, DecodeUtf8(s, utf8.size(), i));
  }
  return out;
}

bool IsWellFormedUtf16(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

size_t WideLength(LPCWSTR text) {
  if (!text) return 0;
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

namespace {
// A character mapped one for one by an ICU case mapping; a half of a surrogate pair, or a
// character whose partner lies outside the Basic Multilingual Plane, stays as it is.
WCHAR MapUnit(WCHAR c, UChar32 mapped) {
  if (U16_IS_SURROGATE(c) || mapped > 0xFFFF || mapped < 0) return c;
  return static_cast<WCHAR>(mapped);
}

UChar32 Fold(UChar32 c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? c + 0x20 : c;  // most names are plain ASCII
  return u_foldCase(c, U_FOLD_CASE_DEFAULT);
}
}  // namespace

WCHAR UpperCase(WCHAR c) { return MapUnit(c, u_toupper(c)); }
WCHAR LowerCase(WCHAR c) { return MapUnit(c, u_tolower(c)); }
WCHAR FoldCase(WCHAR c) { return MapUnit(c, Fold(c)); }

int CompareIgnoreCase(std::u16string_view a, std::u16string_view b) {
  const auto na = static_cast<int32_t>(a.size());
  const auto nb = static_cast<int32_t>(b.size());
  int32_t i = 0, j = 0;
  while (i < na && j < nb) {
    UChar32 x, y;
    U16_NEXT(a.data(), i, na, x);
    U16_NEXT(b.data(), j, nb, y);
    x = Fold(x);
    y = Fold(y);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i == na && j == nb) return 0;
  return i == na ? -1 : 1;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

}  // namespace platform

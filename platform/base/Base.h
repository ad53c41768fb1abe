// Thread error state, code-page conversion, local memory, interlocked operations and
// the program-wide out-of-memory failure.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// ---- Last error -----------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD error);

// ---- Code pages: the device's ANSI code page is UTF-8 on this platform -----------
constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;

// cchWideChar / cbMultiByte of -1 means "up to and including the terminating null".
// A destination size of 0 asks for the size needed. Text that does not fit fails with
// ERROR_INSUFFICIENT_BUFFER. Unpaired surrogates and broken UTF-8 become U+FFFD.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar, LPSTR multi,
                        int cbMultiByte, LPCSTR defaultChar, BOOL* usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int cbMultiByte, LPWSTR wide,
                        int cchWideChar);

// ---- Local memory (the movable, zero-fillable blocks the program's buffers use) ----
constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
constexpr UINT LHND = LMEM_MOVEABLE | LMEM_ZEROINIT;

// Blocks are addressed directly (a "movable" block is its own handle here). A failure
// returns null with ERROR_NOT_ENOUGH_MEMORY; LocalReAlloc leaves the old block intact then.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags);
HLOCAL LocalFree(HLOCAL mem);
SIZE_T LocalSize(HLOCAL mem);

// ---- Interlocked operations ---------------------------------------------------------
LONG InterlockedIncrement(LONG volatile* value);
LONG InterlockedDecrement(LONG volatile* value);
LONG InterlockedExchange(LONG volatile* target, LONG value);
LONG InterlockedExchangeAdd(LONG volatile* target, LONG value);
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);

// ---- Debug output ----------------------------------------------------------------------
// Written to stderr when SLATEWAY_DEBUG is set; otherwise dropped, as on a device
// without a debugger attached.
void OutputDebugStringW(LPCWSTR text);

namespace platform {

// The failure every text allocation raises when memory runs out, and any other failure
// that code wants to carry as an HRESULT through an exception.
class HResultError : public std::runtime_error {
 public:
  explicit HResultError(HRESULT hr);
  HRESULT Code() const { return m_hr; }

 private:
  HRESULT m_hr;
};

// While capturing, every debug output text is also kept for the caller (tests read what a
// failure wrote); TakeDebugOutput hands the kept text over and starts afresh.
void CaptureDebugOutput(bool on);
std::u16string TakeDebugOutput();

[[noreturn]] void ThrowHResult(HRESULT hr);
[[noreturn]] inline void ThrowOutOfMemory() { ThrowHResult(E_OUTOFMEMORY); }

// UTF-16 <-> UTF-8 without the Win32 calling convention.
// The two halves of a UTF-16 pair.
inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
std::string ToUtf8(std::u16string_view text);
// The UTF-8 form of `text` into `out` (replacing it): false, `out` unspecified, when the
// text holds an unpaired surrogate, which no UTF-8 form keeps.
bool ToUtf8Strict(std::u16string_view text, std::string& out);
// The same written to `out`, which has room for three bytes a unit: the bytes written, or
// SIZE_MAX at an unpaired surrogate.
size_t WriteUtf8Strict(std::u16string_view text, char* out);
std::u16string ToUtf16(std::string_view utf8);

// Bytes made safe for one line of a text file: "%", control characters and DEL become
// "%" and two hexadecimal digits; UnescapeLineBytes undoes it, nothing when an escape is
// cut short or not hexadecimal.
std::string EscapeLineBytes(std::string_view bytes);
std::optional<std::string> UnescapeLineBytes(std::string_view text);

// True when every surrogate of the text is part of a pair (the text converts to UTF-8
// and back without change).
bool IsWellFormedUtf16(std::u16string_view text);

// Length of a null-terminated UTF-16 text (0 for null).
size_t WideLength(LPCWSTR text);

// Case of every script, from ICU's simple mappings: one character for one, so a name keeps
// its length ("\u00DF" stays "\u00DF"). A character whose partner lies outside the Basic
// Multilingual Plane, or a half of a surrogate pair, maps to itself here.
WCHAR FoldCase(WCHAR c);
WCHAR UpperCase(WCHAR c);
WCHAR LowerCase(WCHAR c);
// Names compared "ignoring case" (file names, registry names, sorted lists): each
// character, a surrogate pair as one, through Unicode's simple case folding.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
// <0, 0, >0 in code point order after folding both sides.
int CompareIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace platform

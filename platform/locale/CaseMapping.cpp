// Case mapping by ICU's one-for-one mapping: CharUpperW, CharLowerW and their buffer forms.
#include "platform/locale/Locale.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "platform/base/Base.h"

namespace {

bool IsSingleChar(LPWSTR text) { return (reinterpret_cast<ULONG_PTR>(text) >> 16) == 0; }

// Maps `length` characters in place, a surrogate pair as one character; a mapping that
// would change the length of the text (none of ICU's simple ones does) is left out.
void MapCase(LPWSTR text, size_t length, UChar32 (*map)(UChar32)) {
  const auto n = static_cast<int32_t>(length);
  for (int32_t i = 0; i < n;) {
    const int32_t start = i;
    UChar32 c;
    U16_NEXT(text, i, n, c);
    const UChar32 mapped = map(c);
    if (mapped != c && U16_LENGTH(mapped) == i - start) {
      int32_t at = start;
      U16_APPEND_UNSAFE(text, at, mapped);
    }
  }
}

LPWSTR MapCaseOf(LPWSTR text, UChar32 (*map)(UChar32)) {
  if (IsSingleChar(text)) {
    const auto c = static_cast<UChar32>(reinterpret_cast<ULONG_PTR>(text));
    const UChar32 mapped = map(c);
    return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(U16_LENGTH(mapped) == 1 ? mapped : c));
  }
  MapCase(text, platform::WideLength(text), map);
  return text;
}

}  // namespace

LPWSTR CharUpperW(LPWSTR text) { return MapCaseOf(text, u_toupper); }
LPWSTR CharLowerW(LPWSTR text) { return MapCaseOf(text, u_tolower); }

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
  if (!text) return 0;
  MapCase(text, length, u_toupper);
  return length;
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
  if (!text) return 0;
  MapCase(text, length, u_tolower);
  return length;
}

// Texts compared by the locale's collation (ICU's): CompareStringW and VarBstrCmp.
#include "platform/locale/Locale.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <array>
#include <map>
#include <memory>
#include <string>

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/locale/LocaleInternal.h"
#include "platform/locale/LocaleProfile.h"

using namespace platform::locale;

namespace {

struct CollatorClose {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorClose>;

// The locale's collator that tells case apart (tertiary strength) or not (secondary: accents
// still count). Each thread opens its own; null when ICU cannot open one.
UCollator* CollatorOf(const LocaleProfile& p, bool ignoreCase) {
  thread_local std::map<std::string, std::array<CollatorPtr, 2>> collators;
  CollatorPtr& collator = collators[p.icuName][ignoreCase ? 1 : 0];
  if (!collator) {
    UErrorCode status = U_ZERO_ERROR;
    collator.reset(ucol_open(p.icuName.c_str(), &status));
    if (U_FAILURE(status)) {
      collator.reset();
      return nullptr;
    }
    ucol_setStrength(collator.get(), ignoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
  }
  return collator.get();
}

}  // namespace

int CompareStringW(LCID locale, DWORD cmpFlags, LPCWSTR string1, int cch1, LPCWSTR string2,
                   int cch2) {
  const LocaleProfile* p = ResolveLocale(locale);
  if (!p || !string1 || !string2 || (cmpFlags & ~NORM_IGNORECASE)) return Fail(ERROR_INVALID_PARAMETER);
  std::u16string_view a(string1, cch1 < 0 ? platform::WideLength(string1) : static_cast<size_t>(cch1));
  std::u16string_view b(string2, cch2 < 0 ? platform::WideLength(string2) : static_cast<size_t>(cch2));
  const bool ignoreCase = (cmpFlags & NORM_IGNORECASE) != 0;
  int r = 0;
  if (UCollator* collator = CollatorOf(*p, ignoreCase))
    r = ucol_strcoll(collator, a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()));
  // Texts the collator cannot tell apart are equal only when they are the same text (but
  // for case, when case is ignored); the others keep a fixed order among themselves.
  if (r == 0) {
    const auto na = static_cast<int32_t>(a.size()), nb = static_cast<int32_t>(b.size());
    r = ignoreCase ? platform::CompareIgnoreCase(a, b) : u_strCompare(a.data(), na, b.data(), nb, true);
  }
  return r < 0 ? CSTR_LESS_THAN : r > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

HRESULT VarBstrCmp(BSTR left, BSTR right, LCID locale, ULONG flags) {
  // Lengths come from the BSTR prefix, so embedded nulls take part in the comparison.
  const int cl = static_cast<int>(SysStringLen(left));
  const int cr = static_cast<int>(SysStringLen(right));
  int result = CompareStringW(locale, flags & NORM_IGNORECASE, left ? left : u"", cl,
                              right ? right : u"", cr);
  switch (result) {
    case CSTR_LESS_THAN: return VARCMP_LT;
    case CSTR_EQUAL: return VARCMP_EQ;
    case CSTR_GREATER_THAN: return VARCMP_GT;
    default: return E_INVALIDARG;
  }
}

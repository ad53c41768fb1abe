// Numbers and amounts as texts of a locale: GetNumberFormatW and GetCurrencyFormatW take a
// plain decimal text, round it half up and write it with the separators, grouping and
// orders of the locale's format or of the caller's format record.
#include "platform/locale/Locale.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/base/Base.h"
#include "platform/locale/LocaleInternal.h"
#include "platform/locale/LocaleProfile.h"

using namespace platform::locale;

namespace {

// "3;0" -> 3, "3;2;0" -> 32, "3" -> 30, "0" -> 0: the format record's grouping number.
UINT GroupingFromText(std::u16string_view s) {
  UINT v = 0;
  bool endsInZero = false;
  for (char16_t c : s) {
    if (c >= u'0' && c <= u'9') {
      if (c == u'0') {
        endsInZero = true;
      } else {
        v = v * 10 + static_cast<UINT>(c - u'0');
        endsInZero = false;
      }
    }
  }
  if (v == 0) return 0;
  return endsInZero ? v : v * 10;
}

// ---- Number formatting core -------------------------------------------------------------

struct ParsedNumber {
  bool negative = false;
  std::u16string intDigits;   // no leading zeros ("" for zero)
  std::u16string fracDigits;  // as given
};

// Strict syntax: ["-"] digits ["." digits], at least one digit in all.
std::optional<ParsedNumber> ParseValue(LPCWSTR value) {
  if (!value) return std::nullopt;
  std::u16string_view s(value);
  ParsedNumber n;
  size_t i = 0;
  if (i < s.size() && s[i] == u'-') {
    n.negative = true;
    ++i;
  }
  bool seenDot = false;
  bool anyDigit = false;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= u'0' && c <= u'9') {
      anyDigit = true;
      (seenDot ? n.fracDigits : n.intDigits).push_back(c);
    } else if (c == u'.' && !seenDot) {
      seenDot = true;
    } else {
      return std::nullopt;
    }
  }
  if (!anyDigit) return std::nullopt;
  size_t firstNonZero = n.intDigits.find_first_not_of(u'0');
  n.intDigits = firstNonZero == std::u16string::npos ? u"" : n.intDigits.substr(firstNonZero);
  return n;
}

// Rounds half up (away from zero on the magnitude) to `digits` decimals.
void RoundDigits(ParsedNumber& n, UINT digits) {
  if (n.fracDigits.size() <= digits) {
    n.fracDigits.append(digits - n.fracDigits.size(), u'0');
    return;
  }
  const bool up = n.fracDigits[digits] >= u'5';
  n.fracDigits.resize(digits);
  if (!up) return;
  // Add one unit in the last kept place, carrying through the fraction into the integer.
  std::u16string all = n.intDigits + n.fracDigits;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0; --i) {
    if (all[i] == u'9') {
      all[i] = u'0';
    } else {
      ++all[i];
      break;
    }
  }
  if (i < 0) all.insert(all.begin(), u'1');
  const size_t intLen = all.size() - digits;
  n.intDigits = all.substr(0, intLen);
  n.fracDigits = all.substr(intLen);
}

std::u16string GroupDigits(const std::u16string& digits, UINT grouping, std::u16string_view sep) {
  if (grouping == 0 || digits.empty()) return digits;
  std::vector<UINT> sizes;
  bool repeat = true;
  std::u16string g = platform::ToUtf16(std::to_string(grouping));
  if (g.size() > 1 && g.back() == u'0') {
    repeat = false;
    g.pop_back();
  }
  for (char16_t c : g) sizes.push_back(static_cast<UINT>(c - u'0'));
  std::vector<std::u16string> groups;  // from the right
  size_t end = digits.size();
  size_t idx = 0;
  while (end > 0) {
    UINT size;
    if (idx < sizes.size()) {
      size = sizes[idx];
    } else if (repeat) {
      size = sizes.back();
    } else {
      size = static_cast<UINT>(end);
    }
    if (size == 0 || size >= end) {
      groups.push_back(digits.substr(0, end));
      break;
    }
    groups.push_back(digits.substr(end - size, size));
    end -= size;
    ++idx;
  }
  std::u16string out;
  for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
    if (!out.empty()) out += sep;
    out += *it;
  }
  return out;
}

struct CommonFormat {
  UINT digits;
  UINT leadingZero;
  UINT grouping;
  std::u16string decimal;
  std::u16string thousand;
};

bool ValidGrouping(UINT g) {
  // Group sizes 1-9 with an optional closing 0; at most three sizes.
  if (g == 0) return true;
  if (g > 9990) return false;
  std::string s = std::to_string(g);
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == '0' && i + 1 != s.size()) return false;
  return true;
}

// The magnitude of the value as text: grouped integer part, separator, decimals.
std::u16string FormatMagnitude(ParsedNumber n, const CommonFormat& f, bool& isZero) {
  RoundDigits(n, f.digits);
  isZero = n.intDigits.empty() && n.fracDigits.find_first_not_of(u'0') == std::u16string::npos;
  std::u16string integer = n.intDigits;
  if (integer.empty() && (f.leadingZero || f.digits == 0)) integer = u"0";
  std::u16string out = GroupDigits(integer, f.grouping, f.thousand);
  if (f.digits > 0) {
    out += f.decimal;
    out += n.fracDigits;
  }
  return out;
}

bool ReadCommonFromLocale(const LocaleProfile& p, bool money, CommonFormat& f) {
  f.digits = ToUInt(money ? p.currDigits : p.digits);
  f.leadingZero = ToUInt(p.leadingZero);
  f.grouping = GroupingFromText(money ? p.monGrouping : p.grouping);
  f.decimal = money ? p.monDecimal : p.decimal;
  f.thousand = money ? p.monThousand : p.thousand;
  return true;
}

bool ReadCommonFromRecord(UINT digits, UINT leadingZero, UINT grouping, LPCWSTR decimal,
                          LPCWSTR thousand, CommonFormat& f) {
  if (digits > 9 || leadingZero > 1 || !ValidGrouping(grouping) || !decimal || !thousand)
    return false;
  f.digits = digits;
  f.leadingZero = leadingZero;
  f.grouping = grouping;
  f.decimal = decimal;
  f.thousand = thousand;
  return true;
}

std::u16string ApplyNumberOrder(const std::u16string& m, bool negative, UINT order) {
  if (!negative) return m;
  switch (order) {
    case 0: return u"(" + m + u")";
    case 1: return u"-" + m;
    case 2: return u"- " + m;
    case 3: return m + u"-";
    default: return m + u" -";
  }
}

std::u16string ApplyCurrencyOrder(const std::u16string& m, const std::u16string& sym,
                                  bool negative, UINT positiveOrder, UINT negativeOrder) {
  if (!negative) {
    switch (positiveOrder) {
      case 0: return sym + m;
      case 1: return m + sym;
      case 2: return sym + u" " + m;
      default: return m + u" " + sym;
    }
  }
  switch (negativeOrder) {
    case 0: return u"(" + sym + m + u")";
    case 1: return u"-" + sym + m;
    case 2: return sym + u"-" + m;
    case 3: return sym + m + u"-";
    case 4: return u"(" + m + sym + u")";
    case 5: return u"-" + m + sym;
    case 6: return m + u"-" + sym;
    case 7: return m + sym + u"-";
    case 8: return u"-" + m + u" " + sym;
    case 9: return u"-" + sym + u" " + m;
    case 10: return m + u" " + sym + u"-";
    case 11: return sym + u" " + m + u"-";
    case 12: return sym + u" -" + m;
    case 13: return m + u"- " + sym;
    case 14: return u"(" + sym + u" " + m + u")";
    default: return u"(" + m + u" " + sym + u")";
  }
}

// What the number and money calls share: the profile, the flags (none beside a format
// record) and the value; null when any of them is refused.
const LocaleProfile* BeginNumberFormat(LCID locale, DWORD flags, LPCWSTR value, bool hasRecord,
                                       std::optional<ParsedNumber>& n) {
  const LocaleProfile* p = ResolveLocale(locale, (flags & LOCALE_NOUSEROVERRIDE) == 0);
  if (!p || (hasRecord && flags != 0) || (flags & ~LOCALE_NOUSEROVERRIDE)) return nullptr;
  n = ParseValue(value);
  return n ? p : nullptr;
}

}  // namespace

int GetNumberFormatW(LCID locale, DWORD flags, LPCWSTR value, const NUMBERFMTW* format,
                     LPWSTR numberStr, int cchNumber) {
  std::optional<ParsedNumber> n;
  const LocaleProfile* p = BeginNumberFormat(locale, flags, value, format != nullptr, n);
  if (!p) return Fail(ERROR_INVALID_PARAMETER);
  CommonFormat f;
  UINT negativeOrder;
  if (format) {
    if (!ReadCommonFromRecord(format->NumDigits, format->LeadingZero, format->Grouping,
                              format->lpDecimalSep, format->lpThousandSep, f) ||
        format->NegativeOrder > 4)
      return Fail(ERROR_INVALID_PARAMETER);
    negativeOrder = format->NegativeOrder;
  } else {
    ReadCommonFromLocale(*p, false, f);
    negativeOrder = ToUInt(p->negNumber);
  }
  bool isZero = false;
  std::u16string m = FormatMagnitude(*n, f, isZero);
  return CopyOut(ApplyNumberOrder(m, n->negative && !isZero, negativeOrder), numberStr, cchNumber);
}

int GetCurrencyFormatW(LCID locale, DWORD flags, LPCWSTR value, const CURRENCYFMTW* format,
                       LPWSTR currencyStr, int cchCurrency) {
  std::optional<ParsedNumber> n;
  const LocaleProfile* p = BeginNumberFormat(locale, flags, value, format != nullptr, n);
  if (!p) return Fail(ERROR_INVALID_PARAMETER);
  CommonFormat f;
  UINT positiveOrder, negativeOrder;
  std::u16string symbol;
  if (format) {
    if (!ReadCommonFromRecord(format->NumDigits, format->LeadingZero, format->Grouping,
                              format->lpDecimalSep, format->lpThousandSep, f) ||
        format->NegativeOrder > 15 || format->PositiveOrder > 3 || !format->lpCurrencySymbol)
      return Fail(ERROR_INVALID_PARAMETER);
    positiveOrder = format->PositiveOrder;
    negativeOrder = format->NegativeOrder;
    symbol = format->lpCurrencySymbol;
  } else {
    ReadCommonFromLocale(*p, true, f);
    positiveOrder = ToUInt(p->currPositive);
    negativeOrder = ToUInt(p->currNegative);
    symbol = p->currency;
  }
  bool isZero = false;
  std::u16string m = FormatMagnitude(*n, f, isZero);
  return CopyOut(ApplyCurrencyOrder(m, symbol, n->negative && !isZero, positiveOrder, negativeOrder),
                 currencyStr, cchCurrency);
}

// The device's regional settings: the locale in force, the user's overrides of single items,
// and the NLS calls over them. The settings of each locale come from ICU (LocaleData.cpp).
#include "platform/locale/Locale.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/kernel/Clock.h"
#include "platform/locale/LocaleProfile.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/registry/Registry.h"

namespace {

using platform::locale::LocaleProfile;

// ---- The locale in force ------------------------------------------------------------------------

constexpr char16_t kDefaultLocale[] = u"en-US";

const LocaleProfile& DefaultProfile() { return *platform::locale::FindLocaleProfile(kDefaultLocale); }

// The profile of a locale name as a person or the registry spells it; null when ICU does
// not know the locale.
const LocaleProfile* ProfileNamed(std::u16string_view name) {
  return platform::locale::FindLocaleProfile(platform::locale::CanonicalLocaleName(platform::ToUtf8(name)));
}

std::optional<std::u16string> ReadLocaleValue(HKEY key, const char16_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  std::u16string buffer(size / 2 + 1, u'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  buffer.resize(platform::WideLength(buffer.c_str()));
  return buffer;
}

// The device setting. The environment wins; the registry value is read once per change
// of the registry (formatting a total asks for the locale many times a second).
std::u16string ReadProfileSetting() {
  if (const char* env = std::getenv("SLATEWAY_LOCALE"); env && *env) return platform::ToUtf16(env);
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return {};
  return ReadLocaleValue(key.get(), platform::kLocaleValue).value_or(u"");
}

// The user's own changes to single items of the profile, kept beside the profile name
// under the names the Control Panel gives them.
struct OverrideItem {
  const char16_t* valueName;
  std::u16string LocaleProfile::*field;
};
const OverrideItem kOverrides[] = {
    {u"sDecimal", &LocaleProfile::decimal},
    {u"sThousand", &LocaleProfile::thousand},
    {u"sGrouping", &LocaleProfile::grouping},
    {u"iDigits", &LocaleProfile::digits},
    {u"iLZero", &LocaleProfile::leadingZero},
    {u"iNegNumber", &LocaleProfile::negNumber},
    {u"sCurrency", &LocaleProfile::currency},
    {u"sMonDecimalSep", &LocaleProfile::monDecimal},
    {u"sMonThousandSep", &LocaleProfile::monThousand},
    {u"sMonGrouping", &LocaleProfile::monGrouping},
    {u"iCurrDigits", &LocaleProfile::currDigits},
    {u"iCurrency", &LocaleProfile::currPositive},
    {u"iNegCurr", &LocaleProfile::currNegative},
    {u"sShortDate", &LocaleProfile::shortDate},
    {u"iDate", &LocaleProfile::dateOrder},
    {u"sTimeFormat", &LocaleProfile::timeFormat},
    {u"s1159", &LocaleProfile::am},
    {u"s2359", &LocaleProfile::pm},
};

// The profile in force, with or without the user's overrides, as last read from the
// registry. Each thread keeps its own copy and reads the registry again only when it has
// changed (or the environment's choice has), so the texts stay valid while a call uses them.
struct ProfileCache {
  ULONGLONG generation = ~0ULL;
  std::string environment;
  const LocaleProfile* base = nullptr;
  LocaleProfile effective;
};

void Refresh(ProfileCache& c) {
  c.base = ProfileNamed(ReadProfileSetting());
  if (!c.base) c.base = &DefaultProfile();
  c.effective = *c.base;
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  for (const OverrideItem& item : kOverrides) {
    if (auto v = ReadLocaleValue(key.get(), item.valueName)) {
      // A decimal count is one digit, as the format record allows; anything else would
      // ask for billions of zeros, so the profile's own count stays.
      const bool countsDigits = item.field == &LocaleProfile::digits || item.field == &LocaleProfile::currDigits;
      if (countsDigits && (v->size() != 1 || (*v)[0] < u'0' || (*v)[0] > u'9')) continue;
      c.effective.*(item.field) = *v;
    }
  }
}

const LocaleProfile& CurrentProfile(bool withOverrides = true) {
  thread_local ProfileCache cache;
  const char* env = std::getenv("SLATEWAY_LOCALE");
  std::string environment = env ? env : "";
  ULONGLONG generation = platform::RegistryGeneration(HKEY_LOCAL_MACHINE);
  if (generation != cache.generation || environment != cache.environment) {
    Refresh(cache);
    // Reading the values may itself load the hive; take the number after it.
    cache.generation = platform::RegistryGeneration(HKEY_LOCAL_MACHINE);
    cache.environment = environment;
  }
  return withOverrides ? cache.effective : *cache.base;
}

// The profile a locale id stands for; null for an id ICU does not know.
const LocaleProfile* ResolveLocale(LCID locale, bool withOverrides = true) {
  switch (locale) {
    case LOCALE_NEUTRAL:
    case LOCALE_USER_DEFAULT:
    case LOCALE_SYSTEM_DEFAULT:
      return &CurrentProfile(withOverrides);
    case LOCALE_INVARIANT:
      return &DefaultProfile();
    default:
      break;
  }
  // An explicit id answers without the user's overrides, even the device's own id (which
  // for a locale without an id of its own is the one ICU cannot name).
  if (locale == CurrentProfile(false).lcid) return &CurrentProfile(false);
  return platform::locale::FindLocaleProfile(platform::locale::LocaleNameOfLcid(locale));
}

// Copies a result into the caller's buffer with the usual size conventions.
int CopyOut(std::u16string_view text, LPWSTR out, int cch) {
  const int needed = static_cast<int>(text.size()) + 1;
  if (cch < 0 || (cch > 0 && !out)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cch == 0) return needed;
  if (cch < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  text.copy(out, text.size());
  out[text.size()] = u'\0';
  return needed;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

std::optional<std::u16string> LocaleItem(const LocaleProfile& p, LCTYPE type) {
  if (type >= LOCALE_SDAYNAME1 && type < LOCALE_SDAYNAME1 + 7) return p.dayNames[type - LOCALE_SDAYNAME1];
  if (type >= LOCALE_SABBREVDAYNAME1 && type < LOCALE_SABBREVDAYNAME1 + 7)
    return p.abbrevDayNames[type - LOCALE_SABBREVDAYNAME1];
  if (type >= LOCALE_SMONTHNAME1 && type < LOCALE_SMONTHNAME1 + 12)
    return p.monthNames[type - LOCALE_SMONTHNAME1];
  if (type >= LOCALE_SABBREVMONTHNAME1 && type < LOCALE_SABBREVMONTHNAME1 + 12)
    return p.abbrevMonthNames[type - LOCALE_SABBREVMONTHNAME1];
  switch (type) {
    case LOCALE_ILANGUAGE: {
      static const char16_t kHex[] = u"0123456789abcdef";
      std::u16string s(4, u'0');
      for (int i = 0; i < 4; ++i) s[3 - i] = kHex[(p.lcid >> (4 * i)) & 0xF];
      return s;
    }
    case LOCALE_SLANGUAGE: return p.language;
    case LOCALE_SENGLANGUAGE: return p.englishLanguage;
    case LOCALE_SABBREVLANGNAME: return p.abbrevLanguage;
    case LOCALE_SCOUNTRY: return p.country;
    case LOCALE_SENGCOUNTRY: return p.englishCountry;
    case LOCALE_SNAME: return p.name;
    case LOCALE_SLIST: return p.list;
    case LOCALE_IMEASURE: return p.measure;
    case LOCALE_SDECIMAL: return p.decimal;
    case LOCALE_STHOUSAND: return p.thousand;
    case LOCALE_SGROUPING: return p.grouping;
    case LOCALE_IDIGITS: return p.digits;
    case LOCALE_ILZERO: return p.leadingZero;
    case LOCALE_INEGNUMBER: return p.negNumber;
    case LOCALE_SNATIVEDIGITS: return p.nativeDigits;
    case LOCALE_SCURRENCY: return p.currency;
    case LOCALE_SINTLSYMBOL: return p.intlSymbol;
    case LOCALE_SMONDECIMALSEP: return p.monDecimal;
    case LOCALE_SMONTHOUSANDSEP: return p.monThousand;
    case LOCALE_SMONGROUPING: return p.monGrouping;
    case LOCALE_ICURRDIGITS:
    case LOCALE_IINTLCURRDIGITS: return p.currDigits;
    case LOCALE_ICURRENCY: return p.currPositive;
    case LOCALE_INEGCURR: return p.currNegative;
    case LOCALE_SDATE: return p.dateSep;
    case LOCALE_STIME: return p.timeSep;
    case LOCALE_SSHORTDATE: return p.shortDate;
    case LOCALE_SLONGDATE: return p.longDate;
    case LOCALE_IDATE: return p.dateOrder;
    case LOCALE_ILDATE: return p.longDateOrder;
    case LOCALE_STIMEFORMAT: return p.timeFormat;
    case LOCALE_ITIME: return p.time24;
    case LOCALE_ICENTURY: return u"1";
    case LOCALE_ITLZERO: {
      const bool twoDigitHours = p.timeFormat.find(u"HH") != std::u16string::npos ||
                                 p.timeFormat.find(u"hh") != std::u16string::npos;
      return twoDigitHours ? u"1" : u"0";
    }
    case LOCALE_IDAYLZERO: return p.shortDate.find(u"dd") != std::u16string::npos ? u"1" : u"0";
    case LOCALE_IMONLZERO: return p.shortDate.find(u"MM") != std::u16string::npos ? u"1" : u"0";
    case LOCALE_S1159: return p.am;
    case LOCALE_S2359: return p.pm;
    case LOCALE_SPOSITIVESIGN: return u"";
    case LOCALE_SNEGATIVESIGN: return u"-";
    case LOCALE_IDEFAULTANSICODEPAGE: return u"65001";
    case LOCALE_IFIRSTDAYOFWEEK: return p.firstDayOfWeek;
    default: return std::nullopt;
  }
}

bool IsNumericItem(LCTYPE type) {
  switch (type) {
    case LOCALE_IMEASURE: case LOCALE_IDIGITS: case LOCALE_ILZERO: case LOCALE_INEGNUMBER:
    case LOCALE_ICURRDIGITS: case LOCALE_IINTLCURRDIGITS: case LOCALE_ICURRENCY:
    case LOCALE_INEGCURR: case LOCALE_IDATE: case LOCALE_ILDATE: case LOCALE_ITIME:
    case LOCALE_ICENTURY: case LOCALE_ITLZERO: case LOCALE_IDAYLZERO: case LOCALE_IMONLZERO:
    case LOCALE_IDEFAULTANSICODEPAGE: case LOCALE_ILANGUAGE: case LOCALE_IFIRSTDAYOFWEEK:
      return true;
    default:
      return false;
  }
}

UINT ToUInt(std::u16string_view s) {
  UINT v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') break;
    v = v * 10 + static_cast<UINT>(c - u'0');
  }
  return v;
}

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

// ---- Dates and times ----------------------------------------------------------------------

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}
// Sunday 0 (Sakamoto's method).
int DayOfWeek(int y, int m, int d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

std::u16string Num(int v, int width) {
  std::u16string s = platform::ToUtf16(std::to_string(v));
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), u'0');
  return s;
}

// Walks a picture: calls `element(letter, count)` for runs of picture letters and
// `literal(text)` for everything else; quoted text is literal, '' is a quote.
template <class Element, class Literal>
void WalkPicture(std::u16string_view pic, std::u16string_view letters, Element element,
                 Literal literal) {
  size_t i = 0;
  while (i < pic.size()) {
    char16_t c = pic[i];
    if (c == u'\'') {
      std::u16string lit;
      ++i;
      while (i < pic.size()) {
        if (pic[i] == u'\'') {
          if (i + 1 < pic.size() && pic[i + 1] == u'\'') {
            lit.push_back(u'\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        lit.push_back(pic[i++]);
      }
      literal(lit);
    } else if (letters.find(c) != std::u16string_view::npos) {
      size_t n = 0;
      while (i < pic.size() && pic[i] == c) {
        ++n;
        ++i;
      }
      element(c, n);
    } else {
      literal(std::u16string(1, c));
      ++i;
    }
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

// ---- Public calls ---------------------------------------------------------------------------

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int cchData) {
  const LocaleProfile* p = ResolveLocale(locale, (type & LOCALE_NOUSEROVERRIDE) == 0);
  if (!p) return Fail(ERROR_INVALID_PARAMETER);
  const bool asNumber = (type & LOCALE_RETURN_NUMBER) != 0;
  const LCTYPE item = type & ~(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER);
  std::optional<std::u16string> text = LocaleItem(*p, item);
  if (!text) return Fail(ERROR_INVALID_PARAMETER);
  if (!asNumber) return CopyOut(*text, data, cchData);
  if (!IsNumericItem(item)) return Fail(ERROR_INVALID_PARAMETER);
  constexpr int kWords = sizeof(DWORD) / sizeof(WCHAR);
  if (cchData == 0) return kWords;
  if (cchData < kWords || !data) return Fail(ERROR_INSUFFICIENT_BUFFER);
  DWORD v = item == LOCALE_ILANGUAGE ? p->lcid : ToUInt(*text);
  std::memcpy(data, &v, sizeof v);
  return kWords;
}

LCID GetUserDefaultLCID() { return CurrentProfile(false).lcid; }
LCID GetSystemDefaultLCID() { return CurrentProfile(false).lcid; }

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

int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format,
                   LPWSTR dateStr, int cchDate) {
  const LocaleProfile* p = ResolveLocale(locale, (flags & LOCALE_NOUSEROVERRIDE) == 0);
  if (!p) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD kindFlags = flags & (DATE_SHORTDATE | DATE_LONGDATE);
  if (flags & ~(DATE_SHORTDATE | DATE_LONGDATE | LOCALE_NOUSEROVERRIDE)) return Fail(ERROR_INVALID_PARAMETER);
  if (kindFlags == (DATE_SHORTDATE | DATE_LONGDATE) || (format && kindFlags))
    return Fail(ERROR_INVALID_PARAMETER);
  SYSTEMTIME st;
  if (date) {
    st = *date;
  } else {
    GetLocalTime(&st);
  }
  if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth))
    return Fail(ERROR_INVALID_PARAMETER);
  std::u16string_view picture = format ? std::u16string_view(format)
                                : kindFlags == DATE_LONGDATE ? std::u16string_view(p->longDate)
                                                             : std::u16string_view(p->shortDate);
  const int dow = DayOfWeek(st.wYear, st.wMonth, st.wDay);  // Sunday 0
  const int dowIndex = (dow + 6) % 7;                        // Monday 0, as the names are kept
  // Beside the day of the month a month is named as inside a date ("3. M\u00E4rz", "3 marca"),
  // otherwise as it stands alone ("M\u00E4rz 2026", "marzec 2026").
  bool withDay = false;
  WalkPicture(picture, u"dMyg", [&](char16_t c, size_t n) { withDay = withDay || (c == u'd' && n <= 2); },
              [](const std::u16string&) {});
  const auto& monthNames = withDay ? p->monthNamesInDate : p->monthNames;
  const auto& abbrevMonthNames = withDay ? p->abbrevMonthNamesInDate : p->abbrevMonthNames;
  std::u16string out;
  WalkPicture(
      picture, u"dMyg",
      [&](char16_t c, size_t n) {
        switch (c) {
          case u'd':
            if (n == 1) out += Num(st.wDay, 1);
            else if (n == 2) out += Num(st.wDay, 2);
            else if (n == 3) out += p->abbrevDayNames[dowIndex];
            else out += p->dayNames[dowIndex];
            break;
          case u'M':
            if (n == 1) out += Num(st.wMonth, 1);
            else if (n == 2) out += Num(st.wMonth, 2);
            else if (n == 3) out += abbrevMonthNames[st.wMonth - 1];
            else out += monthNames[st.wMonth - 1];
            break;
          case u'y':
            if (n == 1) out += Num(st.wYear % 100, 1);
            else if (n == 2) out += Num(st.wYear % 100, 2);
            else out += Num(st.wYear, 4);
            break;
          default:  // era
            out += p->era;
            break;
        }
      },
      [&](const std::u16string& lit) { out += lit; });
  return CopyOut(out, dateStr, cchDate);
}

int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format,
                   LPWSTR timeStr, int cchTime) {
  const LocaleProfile* p = ResolveLocale(locale, (flags & LOCALE_NOUSEROVERRIDE) == 0);
  if (!p) return Fail(ERROR_INVALID_PARAMETER);
  if (flags & ~(TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER |
                TIME_FORCE24HOURFORMAT | LOCALE_NOUSEROVERRIDE))
    return Fail(ERROR_INVALID_PARAMETER);
  SYSTEMTIME st;
  if (time) {
    st = *time;
  } else {
    GetLocalTime(&st);
  }
  if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999)
    return Fail(ERROR_INVALID_PARAMETER);
  std::u16string_view picture = format ? std::u16string_view(format) : std::u16string_view(p->timeFormat);
  const bool force24 = (flags & TIME_FORCE24HOURFORMAT) != 0;
  const bool noMarker = (flags & TIME_NOTIMEMARKER) != 0;
  const bool noMinutes = (flags & TIME_NOMINUTESORSECONDS) != 0;
  const bool noSeconds = noMinutes || (flags & TIME_NOSECONDS) != 0;
  std::u16string out;
  // Literal text waits here until the next element shows whether it is kept: the text
  // between an element and a left-out one goes with the left-out one.
  std::u16string pendingLiteral;
  WalkPicture(
      picture, u"hHmst",
      [&](char16_t c, size_t n) {
        const bool dropped = (c == u's' && noSeconds) || (c == u'm' && noMinutes) ||
                             (c == u't' && noMarker);
        if (dropped) {
          pendingLiteral.clear();
          return;
        }
        out += pendingLiteral;
        pendingLiteral.clear();
        switch (c) {
          case u'h': {
            int h = st.wHour;
            if (!force24) {
              h %= 12;
              if (h == 0) h = 12;
            }
            out += Num(h, n >= 2 ? 2 : 1);
            break;
          }
          case u'H': out += Num(st.wHour, n >= 2 ? 2 : 1); break;
          case u'm': out += Num(st.wMinute, n >= 2 ? 2 : 1); break;
          case u's': out += Num(st.wSecond, n >= 2 ? 2 : 1); break;
          default: {
            std::u16string marker = st.wHour < 12 ? p->am : p->pm;
            out += n == 1 ? marker.substr(0, 1) : marker;
            break;
          }
        }
      },
      [&](const std::u16string& lit) { pendingLiteral += lit; });
  out += pendingLiteral;
  // A marker left empty (24-hour locales) leaves no trailing blank behind.
  while (!out.empty() && out.back() == u' ' && !picture.empty() && picture.back() == u't') out.pop_back();
  return CopyOut(out, timeStr, cchTime);
}

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

namespace platform {

std::u16string CurrentLocaleProfile() { return CurrentProfile(false).name; }

bool SetLocaleProfile(std::u16string_view name) {
  const LocaleProfile* p = ProfileNamed(name);
  if (!p) return false;
  CRegKeyHandle key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLocaleKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExW(key.get(), kLocaleValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(p->name.c_str()),
                        static_cast<DWORD>((p->name.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}

std::u16string UserLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LC_MONETARY", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    std::u16string name = locale::CanonicalLocaleName(value);
    return name.empty() ? kDefaultLocale : name;
  }
  return kDefaultLocale;
}

bool AdoptUserLocale() {
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLocaleKey, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS) {
    auto holds = [&](const char16_t* name) {
      return RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    if (holds(kLocaleValue)) return false;
    for (const OverrideItem& item : kOverrides)
      if (holds(item.valueName)) return false;
  }
  return SetLocaleProfile(UserLocaleName());
}

}  // namespace platform

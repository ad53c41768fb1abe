// The device's regional settings: four locale profiles and the NLS calls over them.
#include "platform/locale/Locale.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/kernel/Clock.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/registry/Registry.h"

namespace {

// ---- Profiles ------------------------------------------------------------------------------

struct LocaleProfile {
  LCID lcid;
  const char16_t* name;
  const char16_t* language;     // LOCALE_SLANGUAGE
  const char16_t* englishLanguage;
  const char16_t* country;
  const char16_t* abbrevLanguage;
  const char16_t* list;
  const char16_t* measure;  // "0" metric, "1" US
  const char16_t* decimal;
  const char16_t* thousand;
  const char16_t* grouping;
  const char16_t* digits;
  const char16_t* leadingZero;
  const char16_t* negNumber;
  const char16_t* currency;
  const char16_t* intlSymbol;
  const char16_t* monDecimal;
  const char16_t* monThousand;
  const char16_t* monGrouping;
  const char16_t* currDigits;
  const char16_t* currPositive;  // ICURRENCY
  const char16_t* currNegative;  // INEGCURR
  const char16_t* dateSep;
  const char16_t* timeSep;
  const char16_t* shortDate;
  const char16_t* longDate;
  const char16_t* dateOrder;      // IDATE
  const char16_t* longDateOrder;  // ILDATE
  const char16_t* timeFormat;
  const char16_t* time24;  // ITIME
  const char16_t* am;
  const char16_t* pm;
  std::array<const char16_t*, 7> dayNames;  // Monday first
  std::array<const char16_t*, 7> abbrevDayNames;
  std::array<const char16_t*, 12> monthNames;
  std::array<const char16_t*, 12> abbrevMonthNames;
};

const LocaleProfile kProfiles[] = {
    {0x0409, u"en-US", u"English (United States)", u"English", u"United States", u"ENU", u",",
     u"1", u".", u",", u"3;0", u"2", u"1", u"1", u"$", u"USD", u".", u",", u"3;0", u"2", u"0",
     u"0", u"/", u":", u"M/d/yyyy", u"dddd, MMMM dd, yyyy", u"0", u"0", u"h:mm:ss tt", u"0",
     u"AM", u"PM",
     {u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday", u"Sunday"},
     {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"},
     {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
      u"September", u"October", u"November", u"December"},
     {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov",
      u"Dec"}},
    {0x0809, u"en-GB", u"English (United Kingdom)", u"English", u"United Kingdom", u"ENG",
     u",", u"0", u".", u",", u"3;0", u"2", u"1", u"1", u"\u00A3", u"GBP", u".", u",", u"3;0",
     u"2", u"0", u"1", u"/", u":", u"dd/MM/yyyy", u"dd MMMM yyyy", u"1", u"1", u"HH:mm:ss",
     u"1", u"AM", u"PM",
     {u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday", u"Sunday"},
     {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"},
     {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
      u"September", u"October", u"November", u"December"},
     {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov",
      u"Dec"}},
    {0x0407, u"de-DE", u"Deutsch (Deutschland)", u"German", u"Deutschland", u"DEU", u";",
     u"0", u",", u".", u"3;0", u"2", u"1", u"1", u"\u20AC", u"EUR", u",", u".", u"3;0", u"2",
     u"3", u"8", u".", u":", u"dd.MM.yyyy", u"dddd, d. MMMM yyyy", u"1", u"1", u"HH:mm:ss",
     u"1", u"", u"",
     {u"Montag", u"Dienstag", u"Mittwoch", u"Donnerstag", u"Freitag", u"Samstag", u"Sonntag"},
     {u"Mo", u"Di", u"Mi", u"Do", u"Fr", u"Sa", u"So"},
     {u"Januar", u"Februar", u"M\u00E4rz", u"April", u"Mai", u"Juni", u"Juli", u"August",
      u"September", u"Oktober", u"November", u"Dezember"},
     {u"Jan", u"Feb", u"Mrz", u"Apr", u"Mai", u"Jun", u"Jul", u"Aug", u"Sep", u"Okt", u"Nov",
      u"Dez"}},
    {0x040C, u"fr-FR", u"Fran\u00E7ais (France)", u"French", u"France", u"FRA", u";", u"0",
     u",", u"\u00A0", u"3;0", u"2", u"1", u"1", u"\u20AC", u"EUR", u",", u"\u00A0", u"3;0",
     u"2", u"3", u"8", u"/", u":", u"dd/MM/yyyy", u"dddd d MMMM yyyy", u"1", u"1", u"HH:mm:ss",
     u"1", u"", u"",
     {u"lundi", u"mardi", u"mercredi", u"jeudi", u"vendredi", u"samedi", u"dimanche"},
     {u"lun.", u"mar.", u"mer.", u"jeu.", u"ven.", u"sam.", u"dim."},
     {u"janvier", u"f\u00E9vrier", u"mars", u"avril", u"mai", u"juin", u"juillet", u"ao\u00FBt",
      u"septembre", u"octobre", u"novembre", u"d\u00E9cembre"},
     {u"janv.", u"f\u00E9vr.", u"mars", u"avr.", u"mai", u"juin", u"juil.", u"ao\u00FBt",
      u"sept.", u"oct.", u"nov.", u"d\u00E9c."}},
};

const LocaleProfile& DefaultProfile() { return kProfiles[0]; }

const LocaleProfile* FindProfileByName(std::u16string_view name) {
  for (const auto& p : kProfiles)
    if (platform::EqualsIgnoreCase(name, p.name)) return &p;
  return nullptr;
}

std::optional<std::u16string> ReadLocaleValue(HKEY key, const char16_t* name);

// The device setting. The environment wins; the registry value is read once per change
// of the registry (formatting a total asks for the locale many times a second).
std::u16string ReadProfileSetting() {
  if (const char* env = std::getenv("SLATEWAY_LOCALE"); env && *env) return platform::ToUtf16(env);
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return {};
  return ReadLocaleValue(key.get(), platform::kLocaleValue).value_or(u"");
}

// The user's own changes to single items of the profile, kept beside the profile name.
struct OverrideItem {
  const char16_t* valueName;
  const char16_t* LocaleProfile::*field;
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

// The profile in force, with or without the user's overrides, as last read from the
// registry. Each thread keeps its own copy and reads the registry again only when it has
// changed (or the environment's choice has), so the texts stay valid while a call uses them.
struct ProfileCache {
  ULONGLONG generation = ~0ULL;
  std::string environment;
  const LocaleProfile* base = nullptr;
  LocaleProfile effective = DefaultProfile();
  std::array<std::u16string, std::size(kOverrides)> texts;
};

void Refresh(ProfileCache& c) {
  c.base = FindProfileByName(ReadProfileSetting());
  if (!c.base) c.base = &DefaultProfile();
  c.effective = *c.base;
  CRegKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  for (size_t i = 0; i < std::size(kOverrides); ++i) {
    if (auto v = ReadLocaleValue(key.get(), kOverrides[i].valueName)) {
      // A decimal count is one digit, as the format record allows; anything else would
      // ask for billions of zeros, so the profile's own count stays.
      const bool countsDigits = kOverrides[i].field == &LocaleProfile::digits ||
                                kOverrides[i].field == &LocaleProfile::currDigits;
      if (countsDigits && (v->size() != 1 || (*v)[0] < u'0' || (*v)[0] > u'9')) continue;
      c.texts[i] = *v;
      c.effective.*(kOverrides[i].field) = c.texts[i].c_str();
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

// The profile a locale id stands for; null for an id the device does not know.
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
  for (const auto& p : kProfiles)
    if (p.lcid == locale) return &p;
  return nullptr;
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
    case LOCALE_SCOUNTRY:
    case LOCALE_SENGCOUNTRY: return p.country;
    case LOCALE_SNAME: return p.name;
    case LOCALE_SLIST: return p.list;
    case LOCALE_IMEASURE: return p.measure;
    case LOCALE_SDECIMAL: return p.decimal;
    case LOCALE_STHOUSAND: return p.thousand;
    case LOCALE_SGROUPING: return p.grouping;
    case LOCALE_IDIGITS: return p.digits;
    case LOCALE_ILZERO: return p.leadingZero;
    case LOCALE_INEGNUMBER: return p.negNumber;
    case LOCALE_SNATIVEDIGITS: return u"0123456789";
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
    case LOCALE_ITLZERO: return std::u16string_view(p.timeFormat).starts_with(u"HH") ? u"1" : u"0";
    case LOCALE_IDAYLZERO: return std::u16string_view(p.shortDate).find(u"dd") != std::u16string_view::npos ? u"1" : u"0";
    case LOCALE_IMONLZERO: return std::u16string_view(p.shortDate).find(u"MM") != std::u16string_view::npos ? u"1" : u"0";
    case LOCALE_S1159: return p.am;
    case LOCALE_S2359: return p.pm;
    case LOCALE_SPOSITIVESIGN: return u"";
    case LOCALE_SNEGATIVESIGN: return u"-";
    case LOCALE_IDEFAULTANSICODEPAGE: return u"65001";
    default: return std::nullopt;
  }
}

bool IsNumericItem(LCTYPE type) {
  switch (type) {
    case LOCALE_IMEASURE: case LOCALE_IDIGITS: case LOCALE_ILZERO: case LOCALE_INEGNUMBER:
    case LOCALE_ICURRDIGITS: case LOCALE_IINTLCURRDIGITS: case LOCALE_ICURRENCY:
    case LOCALE_INEGCURR: case LOCALE_IDATE: case LOCALE_ILDATE: case LOCALE_ITIME:
    case LOCALE_ICENTURY: case LOCALE_ITLZERO: case LOCALE_IDAYLZERO: case LOCALE_IMONLZERO:
    case LOCALE_IDEFAULTANSICODEPAGE: case LOCALE_ILANGUAGE:
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
            else if (n == 3) out += p->abbrevMonthNames[st.wMonth - 1];
            else out += p->monthNames[st.wMonth - 1];
            break;
          case u'y':
            if (n == 1) out += Num(st.wYear % 100, 1);
            else if (n == 2) out += Num(st.wYear % 100, 2);
            else out += Num(st.wYear, 4);
            break;
          default:  // era
            out += u"A.D.";
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

int CompareStringW(LCID locale, DWORD cmpFlags, LPCWSTR string1, int cch1, LPCWSTR string2,
                   int cch2) {
  if (!ResolveLocale(locale) || !string1 || !string2 || (cmpFlags & ~NORM_IGNORECASE))
    return Fail(ERROR_INVALID_PARAMETER);
  std::u16string_view a(string1, cch1 < 0 ? platform::WideLength(string1) : static_cast<size_t>(cch1));
  std::u16string_view b(string2, cch2 < 0 ? platform::WideLength(string2) : static_cast<size_t>(cch2));
  int r = platform::CompareIgnoreCase(a, b);
  if (r == 0 && !(cmpFlags & NORM_IGNORECASE)) {
    // Same letters: lower case sorts first, then plain code order decides the rest.
    for (size_t i = 0; i < a.size() && r == 0; ++i) {
      if (a[i] == b[i]) continue;
      const bool aLower = platform::LowerCase(a[i]) == a[i];
      const bool bLower = platform::LowerCase(b[i]) == b[i];
      if (aLower != bLower) r = aLower ? -1 : 1;
      else r = a[i] < b[i] ? -1 : 1;
    }
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
}  // namespace

LPWSTR CharUpperW(LPWSTR text) {
  if (IsSingleChar(text)) {
    auto c = static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(text));
    return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(platform::UpperCase(c)));
  }
  for (LPWSTR p = text; *p; ++p) *p = platform::UpperCase(*p);
  return text;
}

LPWSTR CharLowerW(LPWSTR text) {
  if (IsSingleChar(text)) {
    auto c = static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(text));
    return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(platform::LowerCase(c)));
  }
  for (LPWSTR p = text; *p; ++p) *p = platform::LowerCase(*p);
  return text;
}

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
  if (!text) return 0;
  for (DWORD i = 0; i < length; ++i) text[i] = platform::UpperCase(text[i]);
  return length;
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
  if (!text) return 0;
  for (DWORD i = 0; i < length; ++i) text[i] = platform::LowerCase(text[i]);
  return length;
}

namespace platform {

std::vector<std::u16string> LocaleProfileNames() {
  std::vector<std::u16string> names;
  for (const auto& p : kProfiles) names.emplace_back(p.name);
  return names;
}

std::u16string CurrentLocaleProfile() { return CurrentProfile(false).name; }

bool SetLocaleProfile(std::u16string_view name) {
  const LocaleProfile* p = FindProfileByName(name);
  if (!p) return false;
  CRegKeyHandle key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLocaleKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  std::u16string value = p->name;
  return RegSetValueExW(key.get(), kLocaleValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}

}  // namespace platform

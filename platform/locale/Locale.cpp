// The device's regional settings: the locale in force, the user's overrides of its single
// items, GetLocaleInfoW over them, and the calls that choose the device's locale. The
// settings of each locale come from ICU (LocaleData.cpp); the number and money texts are
// made in NumberFormat.cpp, the date and time texts in DateFormat.cpp, and texts are
// compared in Collation.cpp and mapped to upper or lower case in CaseMapping.cpp.
#include "platform/locale/Locale.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/base/Base.h"
#include "platform/locale/LocaleInternal.h"
#include "platform/locale/LocaleProfile.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/registry/Registry.h"

using namespace platform::locale;

namespace {

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

}  // namespace

namespace platform::locale {

// The profile a locale id stands for; null for an id ICU does not know.
const LocaleProfile* ResolveLocale(LCID locale, bool withOverrides) {
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

UINT ToUInt(std::u16string_view s) {
  UINT v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') break;
    v = v * 10 + static_cast<UINT>(c - u'0');
  }
  return v;
}

}  // namespace platform::locale

namespace {

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

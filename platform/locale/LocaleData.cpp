// Reads a locale's regional settings from ICU and turns them into the items and pictures the
// NLS calls answer with: separators and groupings, the currency and where its symbol and
// the minus sign stand, the date and time pictures, the names of days and months.
//
// Numbers are always written with the digits 0-9 (ICU's "latn" digits and their
// separators), and dates in the Gregorian calendar, whatever the locale's own habit:
// the program reads its amounts back with the C runtime and stores Gregorian dates.
#include <unicode/calendar.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/smpdtfmt.h>
#include <unicode/ucurr.h>
#include <unicode/uloc.h>
#include <unicode/ulocdata.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/base/Base.h"
#include "platform/locale/LocaleProfile.h"

namespace platform::locale {

namespace {

// The id of a locale that has none of its own (LOCALE_CUSTOM_UNSPECIFIED).
constexpr LCID kCustomLcid = 0x1000;

std::u16string Text(const icu::UnicodeString& s) {
  return s.isBogus() || s.isEmpty() ? std::u16string() : std::u16string(s.getBuffer(), static_cast<size_t>(s.length()));
}

std::u16string Digit(int value) { return ToUtf16(std::to_string(value)); }

// The languages ICU has data for ("de", "ja", ...).
const std::set<std::string, std::less<>>& KnownLanguages() {
  static const std::set<std::string, std::less<>> languages = [] {
    std::set<std::string, std::less<>> set;
    int32_t count = 0;
    const icu::Locale* all = icu::Locale::getAvailableLocales(count);
    for (int32_t i = 0; i < count; ++i) set.insert(all[i].getLanguage());
    return set;
  }();
  return languages;
}

bool IsKnownRegion(const char* localeId, std::string_view region) {
  if (uloc_getISO3Country(localeId)[0] != '\0') return true;
  return region.size() == 3 && std::all_of(region.begin(), region.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ---- Number and money patterns -----------------------------------------------------------------

bool IsDirectionMark(char16_t c) { return c == 0x200E || c == 0x200F || c == 0x061C; }
bool IsBlank(char16_t c) { return c == u' ' || c == 0x00A0 || c == 0x202F || c == 0x2009; }

// The positive and the negative part of a number pattern; the negative part is empty when
// the pattern has none (then it is the positive one with a minus sign in front).
std::pair<std::u16string, std::u16string> SplitPattern(const icu::UnicodeString& pattern) {
  const std::u16string text = Text(pattern);
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\'') quoted = !quoted;
    if (text[i] == u';' && !quoted) return {text.substr(0, i), text.substr(i + 1)};
  }
  return {text, {}};
}

// The shape of a pattern part: "N" the number, "S" the currency symbol, "-", "(", ")" and
// " " for a blank; quoted text, marks of writing direction and other signs left out.
std::u16string Shape(std::u16string_view part) {
  std::u16string shape;
  bool quoted = false;
  auto put = [&](char16_t c) {
    if (shape.empty() ? c != u' ' : shape.back() != c) shape.push_back(c);
  };
  for (char16_t c : part) {
    if (c == u'\'') quoted = !quoted;
    if (quoted || c == u'\'') continue;
    if (c == 0x00A4) put(u'S');
    else if (std::u16string_view(u"#0123456789,.@").find(c) != std::u16string_view::npos) put(u'N');
    else if (c == u'-' || c == u'(' || c == u')') put(c);
    else if (IsBlank(c)) put(u' ');
  }
  while (!shape.empty() && shape.back() == u' ') shape.pop_back();
  return shape;
}

std::u16string NegativeShape(const std::pair<std::u16string, std::u16string>& parts) {
  return parts.second.empty() ? u"-" + Shape(parts.first) : Shape(parts.second);
}

// The order among `shapes` ("$" written "S", the number "N") that a shape is; when none is
// exactly, the first that is so but for blanks; else `fallback`.
UINT OrderOf(std::u16string_view shape, const std::vector<std::u16string_view>& shapes, UINT fallback) {
  for (size_t i = 0; i < shapes.size(); ++i)
    if (shapes[i] == shape) return static_cast<UINT>(i);
  auto solid = [](std::u16string_view s) {
    std::u16string out(s);
    std::erase(out, u' ');
    return out;
  };
  for (size_t i = 0; i < shapes.size(); ++i)
    if (solid(shapes[i]) == solid(shape)) return static_cast<UINT>(i);
  return fallback;
}

// INEGNUMBER: 0 "(1.1)", 1 "-1.1", 2 "- 1.1", 3 "1.1-", 4 "1.1 -".
UINT NegativeNumberOrder(const std::pair<std::u16string, std::u16string>& parts) {
  return OrderOf(NegativeShape(parts), {u"(N)", u"-N", u"- N", u"N-", u"N -"}, 1);
}

// ICURRENCY: 0 "$1.1", 1 "1.1$", 2 "$ 1.1", 3 "1.1 $".
UINT PositiveMoneyOrder(std::u16string_view positive) {
  const std::u16string shape = Shape(positive);
  const size_t symbol = shape.find(u'S');
  const size_t number = shape.find(u'N');
  if (symbol == std::u16string::npos || number == std::u16string::npos) return 0;
  const size_t from = std::min(symbol, number), to = std::max(symbol, number);
  const bool apart = shape.substr(from, to - from).find(u' ') != std::u16string::npos;
  return (symbol < number ? 0 : 1) + (apart ? 2 : 0);
}

// INEGCURR: the sixteen orders of GetCurrencyFormatW.
UINT NegativeMoneyOrder(const std::pair<std::u16string, std::u16string>& parts) {
  const std::u16string shape = NegativeShape(parts);
  const UINT fallback = shape.find(u'S') < shape.find(u'N') ? 1 : 5;
  return OrderOf(shape,
                 {u"(SN)", u"-SN", u"S-N", u"SN-", u"(NS)", u"-NS", u"N-S", u"NS-", u"-N S", u"-S N", u"N S-",
                  u"S N-", u"S -N", u"N- S", u"(S N)", u"(N S)"},
                 fallback);
}

// "3;0", "3;2;0" or "0", as the Control Panel writes a grouping.
std::u16string GroupingOf(const icu::DecimalFormat& format) {
  const int primary = format.getGroupingSize();
  if (!format.isGroupingUsed() || primary <= 0) return u"0";
  const int secondary = format.getSecondaryGroupingSize();
  std::u16string text = Digit(std::min(primary, 9));
  if (secondary > 0 && secondary != primary) text += u";" + Digit(std::min(secondary, 9));
  return text + u";0";
}

std::unique_ptr<icu::DecimalFormat> NumberFormatOf(const icu::Locale& locale, UNumberFormatStyle style) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, style, status));
  if (U_FAILURE(status) || !dynamic_cast<icu::DecimalFormat*>(format.get())) return nullptr;
  return std::unique_ptr<icu::DecimalFormat>(static_cast<icu::DecimalFormat*>(format.release()));
}

void ReadNumbers(const icu::Locale& locale, LocaleProfile& p) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::DecimalFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    using S = icu::DecimalFormatSymbols;
    p.decimal = Text(symbols.getSymbol(S::kDecimalSeparatorSymbol));
    p.thousand = Text(symbols.getSymbol(S::kGroupingSeparatorSymbol));
    p.monDecimal = Text(symbols.getSymbol(S::kMonetarySeparatorSymbol));
    p.monThousand = Text(symbols.getSymbol(S::kMonetaryGroupingSeparatorSymbol));
    p.intlSymbol = Text(symbols.getSymbol(S::kIntlCurrencySymbol));
    p.currency = Text(symbols.getSymbol(S::kCurrencySymbol));
    // A country without a currency of its own shows the currency's code.
    if (p.currency.empty() || p.currency == u"\u00A4") p.currency = p.intlSymbol;
    icu::UnicodeString code(symbols.getSymbol(S::kIntlCurrencySymbol));
    status = U_ZERO_ERROR;
    const int32_t digits = ucurr_getDefaultFractionDigits(code.getTerminatedBuffer(), &status);
    if (U_SUCCESS(status)) p.currDigits = Digit(std::clamp(digits, 0, 9));
  }
  if (auto number = NumberFormatOf(locale, UNUM_DECIMAL)) {
    icu::UnicodeString pattern;
    p.grouping = GroupingOf(*number);
    p.negNumber = Digit(static_cast<int>(NegativeNumberOrder(SplitPattern(number->toPattern(pattern)))));
  }
  if (auto money = NumberFormatOf(locale, UNUM_CURRENCY)) {
    icu::UnicodeString pattern;
    const auto parts = SplitPattern(money->toPattern(pattern));
    p.monGrouping = GroupingOf(*money);
    p.currPositive = Digit(static_cast<int>(PositiveMoneyOrder(parts.first)));
    p.currNegative = Digit(static_cast<int>(NegativeMoneyOrder(parts)));
  }
  p.list = p.decimal == u"," ? u";" : u",";
}

// ---- Date and time patterns -------------------------------------------------------------------

std::u16string Quoted(std::u16string_view literal) {
  std::u16string out = u"'";
  for (char16_t c : literal) out += c == u'\'' ? std::u16string(u"''") : std::u16string(1, c);
  return out + u"'";
}

std::u16string Run(char16_t letter, size_t count) { return std::u16string(count, letter); }

// One field of an ICU date pattern as GetDateFormatW writes it; empty for a field the
// pictures do not know. Years are always written whole.
std::u16string DateField(char16_t letter, size_t n) {
  switch (letter) {
    case u'y': case u'Y': case u'u': case u'U': case u'r': return u"yyyy";
    case u'M': case u'L': return n <= 2 ? Run(u'M', n) : n == 4 ? u"MMMM" : u"MMM";
    case u'd': return Run(u'd', std::min<size_t>(n, 2));
    case u'E': return n == 4 ? u"dddd" : u"ddd";
    case u'c': case u'e': return n < 3 ? u"" : n == 4 ? u"dddd" : u"ddd";
    case u'G': return u"gg";
    default: return u"";
  }
}

// One field of an ICU time pattern as GetTimeFormatW writes it.
std::u16string TimeField(char16_t letter, size_t n) {
  const size_t width = std::min<size_t>(n, 2);
  switch (letter) {
    case u'h': case u'K': return Run(u'h', width);
    case u'H': case u'k': return Run(u'H', width);
    case u'm': case u's': return Run(letter, width);
    case u'a': case u'b': case u'B': return u"tt";
    default: return u"";
  }
}

// An ICU date or time pattern as a picture of GetDateFormatW or GetTimeFormatW: quoted
// text stays quoted, marks of writing direction go, and a time's no-break blanks are plain
// ones (the program's own time pictures and the texts people type have plain blanks).
std::u16string Picture(std::u16string_view pattern, bool time) {
  std::u16string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      std::u16string literal;
      bool closed = false;
      for (++i; i < pattern.size(); ++i) {
        if (pattern[i] != u'\'') {
          literal += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
          literal += u'\'';
          ++i;
        } else {
          closed = true;
          ++i;
          break;
        }
      }
      // "''" outside quotes is a quote of its own.
      out += Quoted(literal.empty() && closed ? u"'" : literal);
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      size_t n = 0;
      while (i < pattern.size() && pattern[i] == c) ++n, ++i;
      out += time ? TimeField(c, n) : DateField(c, n);
    } else {
      if (!IsDirectionMark(c)) out += time && IsBlank(c) ? u' ' : c;
      ++i;
    }
  }
  return out;
}

// Calls `field(letter, count)` for each field of a picture and `literal(text)` for the
// text between them.
template <class Field, class Literal>
void EachPart(std::u16string_view picture, Field field, Literal literal) {
  size_t i = 0;
  while (i < picture.size()) {
    const char16_t c = picture[i];
    if (c == u'\'') {
      size_t end = i + 1;
      std::u16string text;
      for (; end < picture.size(); ++end) {
        if (picture[end] != u'\'') text += picture[end];
        else if (end + 1 < picture.size() && picture[end + 1] == u'\'') text += u'\'', ++end;
        else break;
      }
      literal(text);
      i = end + 1;
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      size_t n = 0;
      while (i < picture.size() && picture[i] == c) ++n, ++i;
      field(c, n);
    } else {
      literal(std::u16string(1, c));
      ++i;
    }
  }
}

// IDATE and ILDATE: 0 month first, 1 day first, 2 year first.
std::u16string DateOrderOf(std::u16string_view picture) {
  int order = -1;
  EachPart(
      picture,
      [&](char16_t c, size_t n) {
        if (order >= 0) return;
        if (c == u'M') order = 0;
        else if (c == u'd' && n <= 2) order = 1;
        else if (c == u'y') order = 2;
      },
      [](const std::u16string&) {});
  return Digit(std::max(order, 0));
}

// The text between the first field of `first` and the field after it: the date or the
// time separator.
std::u16string SeparatorOf(std::u16string_view picture, std::u16string_view first, std::u16string_view fallback) {
  std::u16string separator;
  int state = 0;  // 0 before the first field, 1 collecting, 2 done
  EachPart(
      picture,
      [&](char16_t c, size_t) {
        if (state == 0 && first.find(c) != std::u16string_view::npos) state = 1;
        else if (state == 1) state = 2;
      },
      [&](const std::u16string& text) {
        if (state == 1) separator += text;
      });
  return separator.empty() ? std::u16string(fallback) : separator;
}

std::u16string PatternOf(icu::DateFormat* format) {
  icu::UnicodeString pattern;
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format)) simple->toPattern(pattern);
  return Text(pattern);
}

// Copies N names of an ICU list from `first` on; the names stay empty when ICU has fewer.
template <size_t N, class Get>
void CopyNames(Get get, size_t first, std::array<std::u16string, N>& out) {
  int32_t count = 0;
  const icu::UnicodeString* names = get(count);
  if (!names || count < static_cast<int32_t>(first + N)) return;
  for (size_t i = 0; i < N; ++i) out[i] = Text(names[first + i]);
}

void ReadDates(const icu::Locale& locale, LocaleProfile& p) {
  std::unique_ptr<icu::DateFormat> shortDate(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  std::unique_ptr<icu::DateFormat> longDate(icu::DateFormat::createDateInstance(icu::DateFormat::kFull, locale));
  std::unique_ptr<icu::DateFormat> time(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
  if (auto pattern = PatternOf(shortDate.get()); !pattern.empty()) p.shortDate = Picture(pattern, false);
  if (auto pattern = PatternOf(longDate.get()); !pattern.empty()) p.longDate = Picture(pattern, false);
  if (auto pattern = PatternOf(time.get()); !pattern.empty()) p.timeFormat = Picture(pattern, true);
  p.dateOrder = DateOrderOf(p.shortDate);
  p.longDateOrder = DateOrderOf(p.longDate);
  p.dateSep = SeparatorOf(p.shortDate, u"dMy", u"/");
  p.timeSep = SeparatorOf(p.timeFormat, u"hH", u":");
  p.time24 = p.timeFormat.find(u'H') != std::u16string::npos ? u"1" : u"0";

  UErrorCode status = U_ZERO_ERROR;
  const icu::DateFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    using S = icu::DateFormatSymbols;
    auto days = [&](S::DtContextType context, S::DtWidthType width) {
      return [&symbols, context, width](int32_t& count) { return symbols.getWeekdays(count, context, width); };
    };
    auto months = [&](S::DtContextType context, S::DtWidthType width) {
      return [&symbols, context, width](int32_t& count) { return symbols.getMonths(count, context, width); };
    };
    // ICU counts the days from Sunday at 1; the names are kept from Monday.
    std::array<std::u16string, 7> sundayFirst, shortSundayFirst;
    CopyNames(days(S::FORMAT, S::WIDE), 1, sundayFirst);
    CopyNames(days(S::FORMAT, S::ABBREVIATED), 1, shortSundayFirst);
    for (size_t i = 0; i < 7; ++i) {
      p.dayNames[i] = sundayFirst[(i + 1) % 7];
      p.abbrevDayNames[i] = shortSundayFirst[(i + 1) % 7];
    }
    CopyNames(months(S::STANDALONE, S::WIDE), 0, p.monthNames);
    CopyNames(months(S::STANDALONE, S::ABBREVIATED), 0, p.abbrevMonthNames);
    CopyNames(months(S::FORMAT, S::WIDE), 0, p.monthNamesInDate);
    CopyNames(months(S::FORMAT, S::ABBREVIATED), 0, p.abbrevMonthNamesInDate);
    int32_t count = 0;
    // A 24-hour locale writes no marker, so a 12-hour picture of the program shows none.
    if (p.time24 == u"0") {
      const icu::UnicodeString* markers = symbols.getAmPmStrings(count);
      if (markers && count >= 2) {
        p.am = Text(markers[0]);
        p.pm = Text(markers[1]);
      }
    }
    const icu::UnicodeString* eras = symbols.getEras(count);
    if (eras && count >= 2) p.era = Text(eras[1]);
  }
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(locale, status));
  if (U_SUCCESS(status)) {
    const UCalendarDaysOfWeek first = calendar->getFirstDayOfWeek(status);
    if (U_SUCCESS(status)) p.firstDayOfWeek = Digit((static_cast<int>(first) + 5) % 7);  // Sunday 1 -> 6
  }
}

// ---- Names of the locale ------------------------------------------------------------------------

LCID LcidOf(const icu::Locale& locale) {
  auto id = static_cast<LCID>(uloc_getLCID(locale.getName()));
  if (id < 0x400) {
    // A name with its script may have no id of its own where the language and country do.
    const std::string languageAndCountry = std::string(locale.getLanguage()) + "_" + locale.getCountry();
    id = static_cast<LCID>(uloc_getLCID(languageAndCountry.c_str()));
  }
  return id < 0x400 ? kCustomLcid : id;
}

void ReadNames(const icu::Locale& locale, LocaleProfile& p) {
  icu::UnicodeString text;
  p.language = Text(locale.getDisplayName(locale, text));
  p.englishLanguage = Text(locale.getDisplayLanguage(icu::Locale::getEnglish(), text.remove()));
  p.country = Text(locale.getDisplayCountry(locale, text.remove()));
  p.englishCountry = Text(locale.getDisplayCountry(icu::Locale::getEnglish(), text.remove()));
  std::string abbrev = locale.getISO3Language();
  for (char& c : abbrev) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  p.abbrevLanguage = ToUtf16(abbrev);
  p.lcid = LcidOf(locale);
  UErrorCode status = U_ZERO_ERROR;
  p.measure = ulocdata_getMeasurementSystem(locale.getName(), &status) == UMS_US ? u"1" : u"0";
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberingSystem> digits(icu::NumberingSystem::createInstance(locale, status));
  if (U_SUCCESS(status) && digits && !digits->isAlgorithmic() && digits->getRadix() == 10)
    p.nativeDigits = Text(digits->getDescription());
}

// What a profile holds where ICU has nothing to say.
LocaleProfile Defaults() {
  LocaleProfile p;
  p.list = u",";
  p.measure = u"0";
  p.decimal = p.monDecimal = u".";
  p.thousand = p.monThousand = u",";
  p.grouping = p.monGrouping = u"3;0";
  p.digits = p.currDigits = u"2";
  p.leadingZero = u"1";
  p.negNumber = u"1";
  p.nativeDigits = u"0123456789";
  p.currency = u"\u00A4";
  p.currPositive = u"0";
  p.currNegative = u"1";
  p.dateSep = u"/";
  p.timeSep = u":";
  p.shortDate = u"yyyy-MM-dd";
  p.longDate = u"yyyy MMMM d, dddd";
  p.dateOrder = p.longDateOrder = u"2";
  p.timeFormat = u"HH:mm:ss";
  p.time24 = u"1";
  p.era = u"AD";
  p.firstDayOfWeek = u"0";
  return p;
}

std::unique_ptr<LocaleProfile> ReadProfile(std::u16string_view name) {
  auto p = std::make_unique<LocaleProfile>(Defaults());
  p->name = name;
  p->icuName = ToUtf8(name);
  std::replace(p->icuName.begin(), p->icuName.end(), '-', '_');
  const icu::Locale plain(p->icuName.c_str());
  const icu::Locale data((p->icuName + "@calendar=gregorian;numbers=latn").c_str());
  ReadNames(plain, *p);
  ReadNumbers(data, *p);
  ReadDates(data, *p);
  // The handheld has always shown negative dollars in brackets, and every device made
  // before its regional settings came from the system is an en-US one whose lists and
  // documents show "($1.10)".
  if (p->name == u"en-US") p->currNegative = u"0";
  return p;
}

}  // namespace

std::u16string CanonicalLocaleName(std::string_view name) {
  std::string text(name.substr(0, name.find_first_of(".@")));
  if (text == "C" || text == "POSIX") return u"en-US";
  if (text.empty()) return {};
  // Of the POSIX modifiers only a script says something about the formats.
  const size_t at = name.find('@');
  const std::string_view modifier = at == std::string_view::npos ? std::string_view() : name.substr(at + 1);
  if (modifier == "latin" || modifier == "cyrillic") {
    const size_t country = text.find_first_of("_-");
    text.insert(country == std::string::npos ? text.size() : country, modifier == "latin" ? "_Latn" : "_Cyrl");
  }
  std::replace(text.begin(), text.end(), '-', '_');
  char canonical[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_canonicalize(text.c_str(), canonical, sizeof canonical, &status);
  if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) return {};
  icu::Locale given(canonical);
  if (given.isBogus() || !KnownLanguages().contains(std::string_view(given.getLanguage()))) return {};
  std::string region = given.getCountry();
  if (region.empty()) {
    icu::Locale likely(given);
    likely.addLikelySubtags(status);
    if (U_SUCCESS(status)) region = likely.getCountry();
  } else if (!IsKnownRegion(canonical, region)) {
    return {};
  }
  if (region.empty()) return {};
  std::string tag = given.getLanguage();
  if (*given.getScript()) tag += std::string("-") + given.getScript();
  return ToUtf16(tag + "-" + region);
}

const LocaleProfile* FindLocaleProfile(std::u16string_view canonicalName) {
  static std::mutex mutex;
  static std::map<std::u16string, std::unique_ptr<LocaleProfile>, std::less<>> profiles;
  std::lock_guard lock(mutex);
  if (auto it = profiles.find(canonicalName); it != profiles.end()) return it->second.get();
  // Unknown names are remembered too (as null), so a bad setting costs one look.
  std::unique_ptr<LocaleProfile> profile;
  if (!canonicalName.empty() && CanonicalLocaleName(ToUtf8(canonicalName)) == canonicalName)
    profile = ReadProfile(canonicalName);
  return profiles.emplace(std::u16string(canonicalName), std::move(profile)).first->second.get();
}

std::u16string LocaleNameOfLcid(LCID lcid) {
  char name[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = uloc_getLocaleForLCID(lcid, name, sizeof name, &status);
  if (U_FAILURE(status) || n <= 0 || status == U_STRING_NOT_TERMINATED_WARNING) return {};
  return CanonicalLocaleName(name);
}

}  // namespace platform::locale

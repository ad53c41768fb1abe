// A locale's regional settings as the NLS calls answer them, read from ICU's data. Shared by
// the calls (Locale.cpp, NumberFormat.cpp, DateFormat.cpp, Collation.cpp) and the reader
// (LocaleData.cpp); not part of the platform's surface.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

namespace platform::locale {

// Every item is a text in the form GetLocaleInfoW gives it: numbers as decimal digits,
// groupings as "3;0", dates and times as pictures of GetDateFormatW and GetTimeFormatW.
struct LocaleProfile {
  LCID lcid = 0;
  std::u16string name;  // "de-DE"
  std::string icuName;  // "de_DE", for ICU's own calls
  std::u16string language;
  std::u16string englishLanguage;
  std::u16string country;
  std::u16string englishCountry;
  std::u16string abbrevLanguage;
  std::u16string list;
  std::u16string measure;  // "0" metric, "1" US
  std::u16string decimal;
  std::u16string thousand;
  std::u16string grouping;
  std::u16string digits;
  std::u16string leadingZero;
  std::u16string negNumber;
  std::u16string nativeDigits;
  std::u16string currency;
  std::u16string intlSymbol;
  std::u16string monDecimal;
  std::u16string monThousand;
  std::u16string monGrouping;
  std::u16string currDigits;
  std::u16string currPositive;  // ICURRENCY
  std::u16string currNegative;  // INEGCURR
  std::u16string dateSep;
  std::u16string timeSep;
  std::u16string shortDate;
  std::u16string longDate;
  std::u16string dateOrder;      // IDATE
  std::u16string longDateOrder;  // ILDATE
  std::u16string timeFormat;
  std::u16string time24;  // ITIME
  std::u16string am;
  std::u16string pm;
  std::u16string era;             // of the years the pictures show ("AD")
  std::u16string firstDayOfWeek;  // IFIRSTDAYOFWEEK: "0" Monday ... "6" Sunday
  std::array<std::u16string, 7> dayNames;  // Monday first
  std::array<std::u16string, 7> abbrevDayNames;
  // Month names standing alone (a calendar's title) and inside a date ("3. März"): the
  // two differ in languages that decline the month after a day.
  std::array<std::u16string, 12> monthNames;
  std::array<std::u16string, 12> abbrevMonthNames;
  std::array<std::u16string, 12> monthNamesInDate;
  std::array<std::u16string, 12> abbrevMonthNamesInDate;
};

// The name a locale goes by on the device ("de-DE", "zh-Hant-TW"), from a BCP 47 tag or a
// POSIX locale ("de_DE.UTF-8", "sr_RS@latin", "de"; a missing country is the likeliest
// one). "C" and "POSIX" are en-US. Empty when ICU has no data for the language.
std::u16string CanonicalLocaleName(std::string_view name);

// The settings of a canonical name, read once and kept for the life of the process; null
// for a name CanonicalLocaleName would not give.
const LocaleProfile* FindLocaleProfile(std::u16string_view canonicalName);

// The canonical name of a locale id, or empty for an id ICU does not know.
std::u16string LocaleNameOfLcid(LCID lcid);

}  // namespace platform::locale

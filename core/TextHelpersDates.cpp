// Date and time texts: today and a number of days on in the short date format and in the
// stored "yyyy-MM-dd" form, the time and time-stamp texts, dates read back in the user's
// date order, and the date ranges the reports offer.
#include "core/TextHelpers.h"

#include <string>

#include "core/TextHelpersInternal.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"

using text_helpers::AtoiText;
using text_helpers::Contains;

namespace {

constexpr ULONGLONG kTicksPerDay = 864000000000ULL;

std::u16string PadNumber(int value, int width) {
  std::u16string s = platform::ToUtf16(std::to_string(value));
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), u'0');
  return s;
}

std::u16string DateText(LCID locale, DWORD flags, const SYSTEMTIME& date, LPCWSTR picture) {
  WCHAR buffer[256];
  int n = GetDateFormatW(locale, flags, &date, picture, buffer, 256);
  return n > 0 ? std::u16string(buffer, static_cast<size_t>(n - 1)) : std::u16string();
}

std::u16string ShortDate(const SYSTEMTIME& date) { return DateText(LOCALE_USER_DEFAULT, DATE_SHORTDATE, date, nullptr); }
std::u16string StorageDate(const SYSTEMTIME& date) { return DateText(LOCALE_USER_DEFAULT, 0, date, u"yyyy-MM-dd"); }

SYSTEMTIME AddDays(const SYSTEMTIME& date, LONGLONG days, bool& ok) {
  FILETIME ft;
  SYSTEMTIME result{};
  ok = SystemTimeToFileTime(&date, &ft) != FALSE;
  if (!ok) return result;
  // A day count read from a file can be anything; one that leaves the calendar is no date.
  LONGLONG ticks = 0, moved64 = 0;
  if (__builtin_mul_overflow(days, static_cast<LONGLONG>(kTicksPerDay), &ticks) ||
      __builtin_add_overflow(static_cast<LONGLONG>(platform::FileTimeToUInt64(ft)), ticks, &moved64) || moved64 < 0) {
    ok = false;
    return result;
  }
  FILETIME moved = platform::UInt64ToFileTime(static_cast<ULONGLONG>(moved64));
  ok = FileTimeToSystemTime(&moved, &result) != FALSE;
  return result;
}

SYSTEMTIME Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

int DayOfWeekOf(const SYSTEMTIME& d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  int y = d.wYear;
  if (d.wMonth < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[d.wMonth - 1] + d.wDay) % 7;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

void GetTodayDateText(CBstr& out) { out = CBstr(ShortDate(Today())); }

void GetTodayDateTexts(CBstr& shortDate, CBstr& storageDate) {
  SYSTEMTIME today = Today();
  shortDate = CBstr(ShortDate(today));
  storageDate = CBstr(StorageDate(today));
}

void GetFutureDateTexts(CBstr& shortDate, CBstr& storageDate, int days) {
  bool ok = false;
  SYSTEMTIME date = AddDays(Today(), days, ok);
  if (!ok) return;
  shortDate = CBstr(ShortDate(date));
  storageDate = CBstr(StorageDate(date));
}

void AddDaysToDateText(std::u16string_view dateText, int days, CBstr& shortDate, CBstr& storageDate) {
  SYSTEMTIME parsed;
  ParseDateText(dateText, parsed);
  bool ok = false;
  SYSTEMTIME date = AddDays(parsed, days, ok);
  if (!ok) return;
  shortDate = CBstr(ShortDate(date));
  storageDate = CBstr(StorageDate(date));
}

void GetCurrentTimeText(CBstr& out) {
  SYSTEMTIME now = Today();
  WCHAR buffer[64];
  int n = GetTimeFormatW(0, TIME_NOSECONDS, &now, u"hh':'mm':'ss tt", buffer, 64);
  out = CBstr(n > 0 ? std::u16string(buffer, static_cast<size_t>(n - 1)) : std::u16string());
}

void GetTimestampText(CBstr& out) {
  SYSTEMTIME now = Today();
  std::u16string s = platform::ToUtf16(std::to_string(now.wYear)) + u"-" + PadNumber(now.wMonth, 2) + u"-" +
                     PadNumber(now.wDay, 2) + u"T" + PadNumber(now.wHour, 2) + u":" +
                     PadNumber(now.wMinute, 2) + u":" + PadNumber(now.wSecond, 2);
  out = CBstr(s);
}

int GetDateOrder() {
  WCHAR buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, buffer, 8) <= 0) return kMonthDayYear;
  std::u16string_view v(buffer);
  if (v == u"1") return kDayMonthYear;
  if (v == u"2") return kYearMonthDay;
  return kMonthDayYear;
}

int ParseDateParts(std::u16string_view input, int& month, int& day, int& year, int order) {
  // "." separates the parts of the short dates of many day-month-year locales; such a
  // date must read back as it was shown.
  WCHAR sep = Contains(input, u'-') ? u'-' : Contains(input, u'/') ? u'/' : Contains(input, u'.') ? u'.' : u'/';
  std::u16string text = TrimWhitespace(input);
  size_t p1 = text.find(sep);
  std::u16string first = text.substr(0, p1);
  std::u16string second, rest;
  if (p1 != std::u16string::npos) {
    size_t p2 = text.find(sep, p1 + 1);
    second = text.substr(p1 + 1, p2 == std::u16string::npos ? std::u16string::npos : p2 - p1 - 1);
    if (p2 != std::u16string::npos) rest = text.substr(p2 + 1);
  }
  int a = AtoiText(first);
  int b;
  if (order == kDayMonthYear && second.size() == 3) {
    static const char16_t* const kMonths[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                              u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    b = 0;
    for (int i = 0; i < 12; ++i)
      if (second == kMonths[i]) b = i + 1;
  } else {
    b = AtoiText(second);
  }
  int c = AtoiText(rest);
  int y;
  if (order == kMonthDayYear) {
    month = a;
    day = b;
    y = c;
  } else if (order == kDayMonthYear) {
    day = a;
    month = b;
    y = c;
  } else {
    y = a;
    month = b;
    day = c;
  }
  if (y >= 0 && y < 51) y += 2000;
  else if (y >= 51 && y <= 99) y += 1900;
  year = y;
  return 1;
}

void ParseDateText(std::u16string_view text, SYSTEMTIME& out) {
  int month = 0, day = 0, year = 0;
  ParseDateParts(text, month, day, year, GetDateOrder());
  out = SYSTEMTIME{};
  out.wYear = static_cast<WORD>(year);
  out.wMonth = static_cast<WORD>(month);
  out.wDay = static_cast<WORD>(day);
}

void FormatDateMonthFirst(std::u16string_view storageDate, CBstr& out) {
  int month = 0, day = 0, year = 0;
  ParseDateParts(storageDate, month, day, year, kYearMonthDay);
  SYSTEMTIME date{};
  date.wYear = static_cast<WORD>(year);
  date.wMonth = static_cast<WORD>(month);
  date.wDay = static_cast<WORD>(day);
  out = CBstr(DateText(LOCALE_USER_DEFAULT, 0, date, u"MM-dd-yyyy"));
}

void ParseTimestampText(std::u16string_view text, SYSTEMTIME& out) {
  // Cut as wcstok does with a new delimiter for each piece: leading delimiters of the
  // piece are skipped, the piece ends at the next one.
  static const char16_t kDelimiters[] = {u'-', u'-', u'T', u':', u':', u'-'};
  int pieces[6] = {};
  size_t pos = 0;
  bool ended = false;
  for (int i = 0; i < 6 && !ended; ++i) {
    const WCHAR d = kDelimiters[i];
    while (pos < text.size() && text[pos] == d) ++pos;
    if (pos >= text.size()) break;
    size_t end = text.find(d, pos);
    if (end == std::u16string_view::npos) {
      end = text.size();
      ended = true;
    }
    pieces[i] = AtoiText(text.substr(pos, end - pos));
    pos = end + 1;
  }
  out = SYSTEMTIME{};
  // Every time stamp is written year-month-day, whatever the device's date order.
  out.wYear = static_cast<WORD>(pieces[0]);
  out.wMonth = static_cast<WORD>(pieces[1]);
  out.wDay = static_cast<WORD>(pieces[2]);
  out.wHour = static_cast<WORD>(pieces[3]);
  out.wMinute = static_cast<WORD>(pieces[4]);
  out.wSecond = static_cast<WORD>(pieces[5]);
}

int CompareDateTexts(std::u16string_view a, std::u16string_view b) {
  SYSTEMTIME ta, tb;
  ParseTimestampText(a, ta);
  ParseTimestampText(b, tb);
  return CompareSystemTimes(ta, tb);
}

void GetDateRange(std::u16string_view rangeName, CBstr& start, CBstr& end) {
  CBstr name(rangeName);
  auto is = [&](const char16_t* word) {
    CBstr w(word);
    return VarBstrCmp(name.get(), w.get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
  };
  const SYSTEMTIME today = Today();
  bool ok = false;
  if (is(u"Today")) {
    start = CBstr(ShortDate(today));
    end = start;
  } else if (is(u"Yesterday")) {
    SYSTEMTIME d = AddDays(today, -1, ok);
    if (!ok) return;
    start = CBstr(ShortDate(d));
    end = start;
  } else if (is(u"Last Week")) {
    const int dow = DayOfWeekOf(today);
    bool ok2 = false;
    SYSTEMTIME first = AddDays(today, -dow - 7, ok);
    SYSTEMTIME last = AddDays(today, -dow - 1, ok2);
    if (!ok || !ok2) return;
    start = CBstr(ShortDate(first));
    end = CBstr(ShortDate(last));
  } else if (is(u"Last Month")) {
    SYSTEMTIME first{};
    first.wYear = today.wMonth == 1 ? today.wYear - 1 : today.wYear;
    first.wMonth = today.wMonth == 1 ? 12 : today.wMonth - 1;
    first.wDay = 1;
    SYSTEMTIME last = first;
    last.wDay = static_cast<WORD>(DaysInMonth(first.wYear, first.wMonth));
    start = CBstr(ShortDate(first));
    end = CBstr(ShortDate(last));
  } else if (is(u"All")) {
    start = CBstr();
    end = CBstr();
  }
}

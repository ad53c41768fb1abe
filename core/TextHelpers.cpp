// Text, number, money and date helpers.
#include "core/TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/CustomSettings.h"
#include "core/MessageBoxes.h"
#include "core/ResourceText.h"
#include "core/WaitCursor.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

constexpr ULONGLONG kTicksPerDay = 864000000000ULL;

bool Contains(std::u16string_view text, WCHAR c) { return text.find(c) != std::u16string_view::npos; }

void ReplaceAll(std::u16string& text, WCHAR from, WCHAR to) {
  for (auto& c : text)
    if (c == from) c = to;
}

std::u16string TrimLeft(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  return std::u16string(s.substr(i));
}

std::u16string TrimRight(std::u16string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlankChar(s[n - 1])) --n;
  return std::u16string(s.substr(0, n));
}

std::u16string Printf(const char* format, double value) {
  char buffer[400];  // "%f" of the largest double needs 317 characters
  std::snprintf(buffer, sizeof buffer, format, value);
  return platform::ToUtf16(buffer);
}

std::u16string PadNumber(int value, int width) {
  std::u16string s = platform::ToUtf16(std::to_string(value));
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), u'0');
  return s;
}

// atoi over UTF-16: leading blanks, a sign, digits; held at the int limits.
int AtoiText(std::u16string_view s) { return BstrToInt(s.substr(0, std::min<size_t>(s.size(), 19))); }

// The largest amount, price, rate or quantity read. No document holds a figure near it,
// cents are still exact below it, and a product of two such figures stays far inside a
// double, so no line amount or total can overflow.
constexpr double kMaxNumberRead = 1e13;

// Sets aside the exponent of the number in the text ("e-5" of "1.5e-5"), whose sign is
// its own and not the amount's; "" when there is none.
std::u16string TakeExponent(std::u16string& text) {
  auto digit = [&](size_t i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
  for (size_t i = 1; i < text.size(); ++i) {
    if ((text[i] != u'e' && text[i] != u'E') || !(digit(i - 1) || text[i - 1] == u'.')) continue;
    size_t end = i + 1;
    if (end < text.size() && (text[end] == u'-' || text[end] == u'+')) ++end;
    if (!digit(end)) return {};
    while (digit(end)) ++end;
    std::u16string exponent = text.substr(i, end - i);
    text.erase(i, end - i);
    return exponent;
  }
  return {};
}

// The decimal number at the start of the text (wcstod without its "inf", "nan" and hex
// forms, which no amount field means) with `exponent` (from TakeExponent); 0 when there is
// none or when it lies beyond kMaxNumberRead either way.
double ReadDouble(std::u16string_view s, std::u16string_view exponent, bool* beyond) {
  size_t i = 0;
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  std::string number;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) number.push_back(static_cast<char>(s[i++]));
  bool digits = false;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
    number.push_back(static_cast<char>(s[i++]));
    digits = true;
  }
  if (i < s.size() && s[i] == u'.') {
    number.push_back('.');
    ++i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
      number.push_back(static_cast<char>(s[i++]));
      digits = true;
    }
  }
  if (!digits) return 0;
  for (char16_t c : exponent) number.push_back(static_cast<char>(c));
  double v = std::strtod(number.c_str(), nullptr);
  const bool read = std::isfinite(v) && std::fabs(v) <= kMaxNumberRead;
  if (beyond) *beyond = !read;
  return read ? v : 0;
}

// Step 4 of reading an amount: "-" signs and parentheses make a single leading "-".
std::u16string ApplySignRules(std::u16string text) {
  text = TrimWhitespace(text);
  if (Contains(text, u'-')) {
    ReplaceAll(text, u'-', u' ');
    text = u"-" + TrimWhitespace(text);
  }
  if (Contains(text, u'(')) {
    ReplaceAll(text, u'(', u' ');
    ReplaceAll(text, u')', u' ');
    text = u"-" + TrimWhitespace(text);
  }
  return text;
}

// GetCurrencyFormatW into a buffer of the size the call asks for.
bool CurrencyFormat(std::u16string_view value, const CURRENCYFMTW* format, std::u16string& out) {
  std::u16string input(value);
  int needed = GetCurrencyFormatW(0, 0, input.c_str(), format, nullptr, 0);
  if (needed <= 0) return false;
  std::u16string buffer(static_cast<size_t>(needed), u'\0');
  int written = GetCurrencyFormatW(0, 0, input.c_str(), format, buffer.data(), needed);
  if (written <= 0) return false;
  buffer.resize(static_cast<size_t>(written - 1));
  out = std::move(buffer);
  return true;
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

// ---- Numbers and money -----------------------------------------------------------------------

void LongToText(LONG value, CBstr& out) { out = CBstr(platform::ToUtf16(std::to_string(value))); }

void ByteToHexText(UINT value, CBstr& out) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string s;
  do {
    s.insert(s.begin(), kHex[value & 0xF]);
    value >>= 4;
  } while (value);
  if (s.size() == 1) s.insert(s.begin(), u'0');
  out = CBstr(s);
}

int HexTextToInt(std::u16string_view text) {
  unsigned value = 0;
  for (WCHAR c : text) {
    c = platform::UpperCase(c);
    if (c >= u'0' && c <= u'9') value = value * 16 + static_cast<unsigned>(c - u'0');
    else if (c >= u'A' && c <= u'F') value = value * 16 + static_cast<unsigned>(c - u'A' + 10);
  }
  return static_cast<int>(value);
}

CBstr FormatNumberText(double value, bool withDecimals, bool forceTwoDigits) {
  if (!withDecimals) return CBstr(Printf("%.0f", value));
  CRegionalSettings& rs = RegionalSettings();
  std::u16string plain = Printf("%f", value);
  std::u16string text;
  bool ok;
  if (forceTwoDigits) {
    rs.CurrencyFormat().NumDigits = 2;
    ok = CurrencyFormat(plain, &rs.CurrencyFormat(), text);
    rs.CurrencyFormat().NumDigits = rs.DefaultDigits();
  } else {
    ok = CurrencyFormat(plain, nullptr, text);
  }
  if (!ok) text = plain;  // "inf" or "nan": no amount to format
  rs.RemoveCurrencySymbol(text);
  // A symbol that stood apart ("1,50 €") leaves its blank behind.
  text = TrimWhitespace(text);
  TrimZerosKeepTwoDecimals(text);
  return CBstr(text);
}

// ParseNumberText; `beyond` (may be null) tells a number that lies beyond the limit.
double ParseNumber(std::u16string_view input, bool* beyond) {
  if (beyond) *beyond = false;
  if (input.empty()) return 0;
  const CRegionalSettings& rs = RegionalSettings();
  std::u16string text(input);
  rs.RemoveCurrencySymbol(text);
  rs.RemoveThousandSeparators(text);
  if (Contains(text, u'%')) text.pop_back();
  if (rs.DecimalSeparator() == u',') ReplaceAll(text, u',', u'.');
  const std::u16string exponent = TakeExponent(text);
  return ReadDouble(ApplySignRules(std::move(text)), exponent, beyond);
}

double ParseNumberText(std::u16string_view input) { return ParseNumber(input, nullptr); }

bool IsNumberTooLarge(std::u16string_view text) {
  bool beyond = false;
  ParseNumber(text, &beyond);
  return beyond;
}

bool IsNumberText(std::u16string_view text) {
  bool beyond = false;
  ParseNumber(text, &beyond);
  return !beyond && std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

void FormatCurrencyText(CBstr& textInOut, bool keepSymbol) {
  const CRegionalSettings& rs = RegionalSettings();
  std::u16string text = textInOut.str();
  rs.RemoveThousandSeparators(text);
  if (rs.DecimalSeparator() == u',') ReplaceAll(text, u',', u'.');
  text = ApplySignRules(std::move(text));
  std::u16string formatted;
  if (CurrencyFormat(text, nullptr, formatted)) {
    if (!keepSymbol) {
      rs.RemoveCurrencySymbol(formatted);
      RemoveCharFromText(formatted, u' ');
    }
    TrimZerosKeepTwoDecimals(formatted);
    text = std::move(formatted);
  }
  textInOut = CBstr(text);
}

void NormalizeAmountText(CBstr& textInOut, bool dropTypedSymbol, bool percentByDefault) {
  if (textInOut.IsEmpty()) return;
  const std::u16string symbol(RegionalSettings().CurrencySymbol());
  std::u16string text = textInOut.str();
  if (dropTypedSymbol) {
    size_t pos = text.find(symbol);
    if (pos != std::u16string::npos) text.erase(pos, symbol.size());
  }
  CBstr number = FormatNumberText(ParseNumberText(text), true, false);
  if (text.find(symbol) != std::u16string::npos || (!percentByDefault && !Contains(text, u'%'))) {
    textInOut = CBstr(symbol + number.str());
  } else {
    textInOut = CBstr(number.str() + u"%");
  }
}

void UnformatMoneyText(std::u16string_view input, CBstr& out, BYTE& negative) {
  const CRegionalSettings& rs = RegionalSettings();
  std::u16string text(input);
  negative = 0;
  if (!text.empty() && text[0] == u'(') {
    negative = 1;
    text.erase(0, 1);
    if (Contains(text, u')')) text.pop_back();
  }
  if (text.starts_with(rs.CurrencySymbol())) text.erase(0, rs.CurrencySymbol().size());
  const WCHAR group = rs.ThousandSeparator();
  size_t first = text.find(group);
  if (first != std::u16string::npos) {
    // The amount ends at the first blank after its digit groups; every group is kept.
    size_t blank = text.find(u' ', first);
    if (blank != std::u16string::npos) text.resize(blank);
    RemoveCharFromText(text, group);
  }
  out = CBstr(text);
}

void AppendPercentSign(CBstr& text) {
  if (text.IsEmpty() || Contains(text.view(), u'%')) return;
  text = CBstr(text.str() + u"%");
}

void MaskCardNumber(CBstr& text) {
  std::u16string s = text.str();
  if (s.empty()) return;
  const size_t keep = s.size() >= 9 ? 4 : 0;
  for (size_t i = 0; i + keep < s.size(); ++i) s[i] = u'x';
  text = CBstr(s);
}

int GetTrailingDigits(std::u16string_view text, CBstr& out) {
  size_t end = text.size();
  while (end > 0 && !(text[end - 1] >= u'0' && text[end - 1] <= u'9')) --end;
  size_t start = end;
  while (start > 0 && text[start - 1] >= u'0' && text[start - 1] <= u'9') --start;
  if (start == end) return 0;
  out = CBstr(text.substr(start, end - start));
  return 1;
}

int HasDigit(std::u16string_view text) {
  for (WCHAR c : text)
    if (c >= u'0' && c <= u'9') return 1;
  return 0;
}

// ---- Dates and times -------------------------------------------------------------------------

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

// ---- Text ----------------------------------------------------------------------------------------

void ReplaceQuoteWithSpace(CBstr& text) {
  // Done on the UTF-16 text itself, so no character is lost to a code-page round trip.
  std::u16string s = text.str();
  size_t pos = s.find(u'"');
  if (pos == std::u16string::npos) return;
  s[pos] = u' ';
  text = CBstr(s);
}

void AppendBackslash(CBstr& path) {
  if (path.IsEmpty() || path.view().back() == u'\\') return;
  path = CBstr(path.str() + u"\\");
}

void GetTextAfterColon(std::u16string_view text, CBstr& out) {
  size_t pos = text.find(u':');
  if (pos == std::u16string_view::npos || pos == 0) {
    out = CBstr(u"");
    return;
  }
  out = CBstr(text.substr(pos + 1));
}

void GetTextBeforeLastColon(std::u16string_view text, CBstr& out) {
  size_t pos = text.rfind(u':');
  out = CBstr(pos == std::u16string_view::npos ? std::u16string_view() : text.substr(0, pos));
}

int ReplaceLineBreaks(CBstr& text) {
  std::u16string s = TrimWhitespace(text.view());
  std::u16string out;
  int replaced = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') {
      out.push_back(u' ');
      ++i;
      replaced = 1;
    } else {
      out.push_back(s[i]);
    }
  }
  text = CBstr(out);
  return replaced;
}

void TruncateWithEllipsis(std::u16string_view text, CBstr& out) {
  if (text.size() >= 33) {
    out = CBstr(std::u16string(text.substr(0, 28)) + u"...");
  } else {
    out = CBstr(text);
  }
}

int SplitPersonName(std::u16string_view input, CBstr& firstName, CBstr& lastName, LPCWSTR separator) {
  std::u16string text = TrimWhitespace(input);
  WCHAR sep;
  if (separator && *separator) sep = separator[0];
  else if (Contains(text, u',')) sep = u',';
  else if (Contains(text, u'/')) sep = u'/';
  else sep = u' ';
  size_t pos = text.find(sep);
  std::u16string last = text.substr(0, pos);
  std::u16string first = pos == std::u16string::npos ? std::u16string() : TrimLeft(std::u16string_view(text).substr(pos + 1));
  if (sep == u' ') std::swap(first, last);
  firstName = CBstr(first);
  lastName = CBstr(last);
  return !first.empty() && !last.empty() ? 1 : 0;
}

namespace {
bool HasDigitIn(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}
}  // namespace

int SplitCityStateZip(std::u16string_view input, CBstr& city, CBstr& state, CBstr& zip) {
  std::u16string text = TrimWhitespace(input);
  size_t comma = text.find(u',');
  std::u16string rest;
  if (comma != std::u16string::npos) {
    city = CBstr(TrimWhitespace(std::u16string_view(text).substr(0, comma)));
    rest = text.substr(comma + 1);
  } else if (HasDigitIn(text)) {
    // "ST 12345" or "12345": no city was written before them.
    city = CBstr(u"");
    rest = text;
  } else {
    city = CBstr(text);
  }
  // The zip starts at the first word that holds a digit; the words before it are the state.
  std::u16string parts[2];
  bool inZip = false;
  for (size_t at = 0; at < rest.size();) {
    size_t end = rest.find_first_of(u", ", at);
    if (end == std::u16string::npos) end = rest.size();
    std::u16string_view word = std::u16string_view(rest).substr(at, end - at);
    if (!word.empty()) {
      inZip = inZip || HasDigitIn(word);
      std::u16string& part = parts[inZip ? 1 : 0];
      if (!part.empty()) part += u' ';
      part += word;
    }
    at = end + 1;
  }
  state = CBstr(parts[0]);
  zip = CBstr(parts[1]);
  return 0;
}

std::u16string FormatCityStateZip(std::u16string_view city, std::u16string_view state, std::u16string_view zip) {
  std::u16string tail(state);
  if (!state.empty() && !zip.empty()) tail += u' ';
  tail += zip;
  if (city.empty()) return tail.empty() || HasDigitIn(tail) ? tail : u", " + tail;
  if (!tail.empty()) return std::u16string(city) + u", " + tail;
  // A city with a digit alone would read back as a zip.
  return HasDigitIn(city) ? std::u16string(city) + u"," : std::u16string(city);
}

TextMeasure FixedPitchMeasure(float characterWidth) {
  return [characterWidth](std::u16string_view text) { return characterWidth * static_cast<float>(text.size()); };
}

int SplitTextAtWidth(const TextMeasure& measure, CBstr& textInOut, CBstr& line, float width) {
  std::u16string text = textInOut.str();
  size_t length = 0;
  bool reached = false;
  while (length < text.size()) {
    ++length;
    if (measure(std::u16string_view(text).substr(0, length)) >= width) {
      reached = true;
      break;
    }
  }
  if (!reached) {
    line = CBstr(text);
    textInOut = CBstr(u"");
    return 0;
  }
  std::u16string_view prefix = std::u16string_view(text).substr(0, length);
  size_t blank = prefix.rfind(u' ');
  size_t take = blank != std::u16string_view::npos ? blank + 1 : length - 1;
  if (take == 0) take = 1;  // one character wider than the column still moves on
  line = CBstr(prefix.substr(0, take));
  textInOut = CBstr(std::u16string_view(text).substr(take));
  return 1;
}

int ParseCardTrack(CBstr& track, CBstr& holderName, CBstr& cardNumber, CBstr& expiryMonth, CBstr& expiryYear) {
  std::u16string text = track.str();
  size_t b = text.find(u'B');
  if (b == std::u16string::npos) return 0;
  text.erase(0, b + 1);
  track = CBstr(text);
  size_t caret = text.find(u'^');
  if (caret == std::u16string::npos) return 0;
  cardNumber = CBstr(std::u16string_view(text).substr(0, caret));
  text.erase(0, caret + 1);
  track = CBstr(text);
  caret = text.find(u'^');
  if (caret == std::u16string::npos) return 0;
  holderName = CBstr(TrimRight(std::u16string_view(text).substr(0, caret)));
  text.erase(0, caret + 1);
  track = CBstr(text);
  // A short track has no whole expiry date: nothing is read past its end.
  if (text.size() < 4) return 0;
  expiryYear = CBstr(std::u16string_view(text).substr(0, 2));
  expiryMonth = CBstr(std::u16string_view(text).substr(2, 2));
  return 1;
}

int GetHeaderFieldCode(CBstr fieldId, WCHAR& outChar, CBstr& name) {
  std::u16string text = fieldId.str();
  size_t comma = text.find(u',');
  if (comma != std::u16string::npos) {
    outChar = comma + 1 < text.size() ? text[comma + 1] : u'\0';
    name = CBstr(std::u16string_view(text).substr(0, comma));
    return 1;
  }
  for (auto& c : text) c = platform::UpperCase(c);
  name = CBstr(text);
  static const struct {
    const char16_t* id;
    int code;
  } kFields[] = {{u"BILLTO", 2},     {u"BILLFROM", 3},  {u"JOB", 4},          {u"L", 5},
                 {u"NUMBER", 6},     {u"DATE", 7},      {u"DUEDATE", 8},      {u"CUSTOMERMSG", 9},
                 {u"NOTES", 23},     {u"TAX", 10},      {u"TERMS", 11},       {u"T", 14},
                 {u"S", 12},         {u"SHIPTO", 15},   {u"SHIPVIA", 16},     {u"SHIPDATE", 17},
                 {u"PONUM", 18},     {u"REP", 20},      {u"ACCOUNT", 19},     {u"PAYMENT", 21},
                 {u"CHKNUM", 22},    {u"PAYAMOUNT", 30}, {u"CCARDNUM", 29},   {u"CCARDEXP", 28},
                 {u"CLASS", 31},     {u"OTHER1", 24},   {u"OTHER2", 25},      {u"OTHER3", 26}};
  for (const auto& f : kFields)
    if (text == f.id) return f.code;
  return 0;
}

void CopyTaxCodeText(CBstr text, CBstr& out) { out = std::move(text); }

namespace {

// "'<label>'" and `rest` in a warning: the label without its colon goes in as text, never
// as a format, so a "%" in it prints as itself.
void ShowFieldMessage(HWND owner, std::u16string_view fieldLabel, std::u16string_view rest) {
  const std::u16string_view name = fieldLabel.substr(0, fieldLabel.find(u':'));
  const std::u16string text = u"'" + std::u16string(name) + u"'" + std::u16string(rest);
  CWaitCursorSuspension arrow;
  MessageBoxW(owner, text.c_str(), kProductName, kStyleWarning);
}

}  // namespace

void ShowRequiredFieldMessage(HWND owner, std::u16string_view fieldLabel) {
  ShowFieldMessage(owner, fieldLabel, u" is a required field.");
}

void ShowNumberTooLargeMessage(HWND owner, std::u16string_view fieldLabel) {
  ShowFieldMessage(owner, fieldLabel, u" holds a number too large to use. Please type a smaller number.");
}

int ParseDocumentVersion(HWND owner, CBstr versionText) {
  std::u16string text = versionText.str();
  if (text.empty()) return 2;
  auto isLetter = [](WCHAR c) { return platform::UpperCase(c) != platform::LowerCase(c); };
  for (int pass = 0; pass < 2 && !text.empty() && isLetter(text[0]); ++pass) {
    const WCHAR letter = text[0];
    std::erase(text, letter);
  }
  const int version = AtoiText(text);
  if (version <= 2) return 2;
  if (version <= 4) return version;
  ShowWarningResText(owner, IDS_NEWER_DOCUMENT_VERSION, versionText.c_str());
  return 4;
}

// ---- Document kinds ---------------------------------------------------------------------------

int GetDocumentTypeFromText(CBstr typeWord) {
  std::u16string w = typeWord.str();
  for (auto& c : w) c = platform::UpperCase(c);
  if (w == u"INVOICE") return kInvoice;
  if (w == u"ESTIMATE") return kEstimate;
  if (w == u"SALESRECEIPT" || w == u"SALES RECEIPT") return kSalesReceipt;
  if (w == u"PAYMENT") return kPayment;
  if (w == u"SALESORDER" || w == u"SALES ORDER") return kSalesOrder;
  if (w == u"CREDITMEMO" || w == u"CREDIT MEMO") return kCreditMemo;
  if (w == u"MEMORIZED") return kMemorized;
  return kOtherKind;
}

int GetDocumentTypeName(int kind, CBstr& out) {
  UINT id;
  switch (kind) {
    case kEstimate: id = IDS_DOCTYPE_ESTIMATE; break;
    case kSalesReceipt: id = IDS_DOCTYPE_SALES_RECEIPT; break;
    case kPayment: id = IDS_DOCTYPE_PAYMENT; break;
    case kSalesOrder: id = IDS_DOCTYPE_SALES_ORDER; break;
    case kCreditMemo: id = IDS_DOCTYPE_CREDIT_MEMO; break;
    case kMemorized: id = IDS_DOCTYPE_MEMORIZED; break;
    default: id = IDS_DOCTYPE_INVOICE; break;
  }
  out = LoadResString(id);
  return static_cast<int>(out.Length());
}

CBstr GetCustomDocumentTypeName(int kind, CBstr& out, const CCustomSettings* settings) {
  const int k = kind >= 1 && kind <= 5 ? kind : 0;
  if (!settings) settings = g_customSettings;
  if (settings) {
    out = CBstr(settings->GetCaption(k, 0));
  } else {
    CCustomSettings stored;
    stored.Load();
    out = CBstr(stored.GetCaption(k, 0));
  }
  return out;
}

void LoadDocumentTypeMenuTexts(const CCustomSettings& settings, CBstr& invoice, CBstr& estimate,
                               CBstr& salesReceipt, CBstr& payment, CBstr& salesOrder,
                               CBstr& creditMemo) {
  CBstr* outs[] = {&invoice, &estimate, &salesReceipt, &payment, &salesOrder, &creditMemo};
  for (int kind = 0; kind < 6; ++kind) *outs[kind] = CBstr(settings.GetCaption(kind, 0) + u"...");
}

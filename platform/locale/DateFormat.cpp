// Dates and times as texts of a locale: GetDateFormatW and GetTimeFormatW write a date or a
// time of the Gregorian calendar by the locale's pictures or by the caller's.
#include "platform/locale/Locale.h"

#include <string>

#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"
#include "platform/locale/LocaleInternal.h"
#include "platform/locale/LocaleProfile.h"

using namespace platform::locale;

namespace {

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

}  // namespace

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

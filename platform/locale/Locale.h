// Regional settings of the device: locale texts, number, money, date and time formatting,
// comparison and case mapping, all answered from the device's locale (any locale ICU knows).
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

using LCTYPE = DWORD;

// ---- Locale identifiers -------------------------------------------------------------
constexpr LCID LOCALE_NEUTRAL = 0x0000;  // treated as the user default
constexpr LCID LOCALE_INVARIANT = 0x007F;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// ---- GetLocaleInfoW items ---------------------------------------------------------------
constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;
constexpr LCTYPE LOCALE_RETURN_NUMBER = 0x20000000;

constexpr LCTYPE LOCALE_ILANGUAGE = 0x0001;
constexpr LCTYPE LOCALE_SLANGUAGE = 0x0002;
constexpr LCTYPE LOCALE_SABBREVLANGNAME = 0x0003;
constexpr LCTYPE LOCALE_SCOUNTRY = 0x0006;
constexpr LCTYPE LOCALE_SLIST = 0x000C;
constexpr LCTYPE LOCALE_IMEASURE = 0x000D;
constexpr LCTYPE LOCALE_SDECIMAL = 0x000E;
constexpr LCTYPE LOCALE_STHOUSAND = 0x000F;
constexpr LCTYPE LOCALE_SGROUPING = 0x0010;
constexpr LCTYPE LOCALE_IDIGITS = 0x0011;
constexpr LCTYPE LOCALE_ILZERO = 0x0012;
constexpr LCTYPE LOCALE_SNATIVEDIGITS = 0x0013;
constexpr LCTYPE LOCALE_SCURRENCY = 0x0014;
constexpr LCTYPE LOCALE_SINTLSYMBOL = 0x0015;
constexpr LCTYPE LOCALE_SMONDECIMALSEP = 0x0016;
constexpr LCTYPE LOCALE_SMONTHOUSANDSEP = 0x0017;
constexpr LCTYPE LOCALE_SMONGROUPING = 0x0018;
constexpr LCTYPE LOCALE_ICURRDIGITS = 0x0019;
constexpr LCTYPE LOCALE_IINTLCURRDIGITS = 0x001A;
constexpr LCTYPE LOCALE_ICURRENCY = 0x001B;
constexpr LCTYPE LOCALE_INEGCURR = 0x001C;
constexpr LCTYPE LOCALE_SDATE = 0x001D;
constexpr LCTYPE LOCALE_STIME = 0x001E;
constexpr LCTYPE LOCALE_SSHORTDATE = 0x001F;
constexpr LCTYPE LOCALE_SLONGDATE = 0x0020;
constexpr LCTYPE LOCALE_IDATE = 0x0021;
constexpr LCTYPE LOCALE_ILDATE = 0x0022;
constexpr LCTYPE LOCALE_ITIME = 0x0023;
constexpr LCTYPE LOCALE_ICENTURY = 0x0024;
constexpr LCTYPE LOCALE_ITLZERO = 0x0025;
constexpr LCTYPE LOCALE_IDAYLZERO = 0x0026;
constexpr LCTYPE LOCALE_IMONLZERO = 0x0027;
constexpr LCTYPE LOCALE_S1159 = 0x0028;
constexpr LCTYPE LOCALE_S2359 = 0x0029;
constexpr LCTYPE LOCALE_SDAYNAME1 = 0x002A;        // Monday ... LOCALE_SDAYNAME7 (0x30) Sunday
constexpr LCTYPE LOCALE_SABBREVDAYNAME1 = 0x0031;  // ... 0x37
constexpr LCTYPE LOCALE_SMONTHNAME1 = 0x0038;      // January ... LOCALE_SMONTHNAME12 (0x43)
constexpr LCTYPE LOCALE_SABBREVMONTHNAME1 = 0x0044;  // ... 0x4F
constexpr LCTYPE LOCALE_SPOSITIVESIGN = 0x0050;
constexpr LCTYPE LOCALE_SNEGATIVESIGN = 0x0051;
constexpr LCTYPE LOCALE_SNAME = 0x005C;
constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;
constexpr LCTYPE LOCALE_SENGCOUNTRY = 0x1002;
constexpr LCTYPE LOCALE_STIMEFORMAT = 0x1003;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr LCTYPE LOCALE_IFIRSTDAYOFWEEK = 0x100C;  // "0" Monday ... "6" Sunday
constexpr LCTYPE LOCALE_INEGNUMBER = 0x1010;

// ---- Number and currency formatting ----------------------------------------------------
// Grouping: the decimal digits of the value are the group sizes from the decimal point
// leftwards; a last size is repeated unless the value ends in 0 (3 = "3;0" = 1,234,567;
// 32 = "3;2;0" = 12,34,567; 30 = "3" = 1234,567; 0 = no grouping).
struct NUMBERFMTW {
  UINT NumDigits = 0;
  UINT LeadingZero = 0;
  UINT Grouping = 0;
  LPWSTR lpDecimalSep = nullptr;
  LPWSTR lpThousandSep = nullptr;
  UINT NegativeOrder = 0;  // 0 "(1.1)", 1 "-1.1", 2 "- 1.1", 3 "1.1-", 4 "1.1 -"
};
using LPNUMBERFMTW = NUMBERFMTW*;

struct CURRENCYFMTW {
  UINT NumDigits = 0;
  UINT LeadingZero = 0;
  UINT Grouping = 0;
  LPWSTR lpDecimalSep = nullptr;
  LPWSTR lpThousandSep = nullptr;
  UINT NegativeOrder = 0;  // 0-15, see GetCurrencyFormatW
  UINT PositiveOrder = 0;  // 0 "$1.1", 1 "1.1$", 2 "$ 1.1", 3 "1.1 $"
  LPWSTR lpCurrencySymbol = nullptr;
};
using LPCURRENCYFMTW = CURRENCYFMTW*;

// The value text must be an optional "-", then digits with at most one "." among them
// (at least one digit); anything else (blanks, separators, signs elsewhere) fails with
// ERROR_INVALID_PARAMETER. The decimal text is rounded half up to the digit count.
// With a format record the flags must be 0; without one the locale's own settings are
// used. An output size of 0 asks for the size needed (characters with the null); a
// buffer too small fails with ERROR_INSUFFICIENT_BUFFER. Results count the null.
int GetNumberFormatW(LCID locale, DWORD flags, LPCWSTR value, const NUMBERFMTW* format,
                     LPWSTR numberStr, int cchNumber);
// Negative orders: 0 "($1.1)", 1 "-$1.1", 2 "$-1.1", 3 "$1.1-", 4 "(1.1$)", 5 "-1.1$",
// 6 "1.1-$", 7 "1.1$-", 8 "-1.1 $", 9 "-$ 1.1", 10 "1.1 $-", 11 "$ 1.1-", 12 "$ -1.1",
// 13 "1.1- $", 14 "($ 1.1)", 15 "(1.1 $)".
int GetCurrencyFormatW(LCID locale, DWORD flags, LPCWSTR value, const CURRENCYFMTW* format,
                       LPWSTR currencyStr, int cchCurrency);

// ---- Locale texts -----------------------------------------------------------------------
// Copies the item with its null; a size of 0 asks for the size. With LOCALE_RETURN_NUMBER
// a numeric item is written as one DWORD (cchData counts WCHARs, so at least 2).
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int cchData);
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();

// ---- Dates and times ------------------------------------------------------------------
constexpr DWORD DATE_SHORTDATE = 0x00000001;
constexpr DWORD DATE_LONGDATE = 0x00000002;
constexpr DWORD TIME_NOMINUTESORSECONDS = 0x00000001;
constexpr DWORD TIME_NOSECONDS = 0x00000002;
constexpr DWORD TIME_NOTIMEMARKER = 0x00000004;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x00000008;

// Pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, gg (era); text in single quotes is
// copied ('' is a quote); any other character is copied. A null date means today (local
// time). A date that is no calendar date fails with ERROR_INVALID_PARAMETER.
int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format,
                   LPWSTR dateStr, int cchDate);
// Pictures: h hh (12-hour), H HH (24-hour), m mm, s ss, t tt, quoted literals.
// TIME_NOSECONDS also applies to an explicit picture: the seconds and the literal text
// between them and the element before are left out ("hh':'mm':'ss tt" gives "09:30 AM"),
// as the flag's name promises. TIME_NOMINUTESORSECONDS does the same for the minutes.
int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format,
                   LPWSTR timeStr, int cchTime);

// ---- Comparison and case ----------------------------------------------------------------
constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Texts are ordered by the locale's collation (ICU's): letters compare ignoring case and
// accents first, then accents, and only texts that are equal so are ordered lower case
// before upper case. Texts are equal only when they are the same text, or with
// NORM_IGNORECASE the same but for case. A length of -1 means "up to the null". 0 with
// ERROR_INVALID_PARAMETER for a null text or unknown flags.
int CompareStringW(LCID locale, DWORD cmpFlags, LPCWSTR string1, int cch1, LPCWSTR string2,
                   int cch2);

constexpr HRESULT VARCMP_LT = 0;
constexpr HRESULT VARCMP_EQ = 1;
constexpr HRESULT VARCMP_GT = 2;
constexpr HRESULT VARCMP_NULL = 3;
// Compares two BSTRs as CompareStringW does; a null BSTR equals "".
HRESULT VarBstrCmp(BSTR left, BSTR right, LCID locale, ULONG flags);

// Upper- or lower-cases the text in place (ICU's one-for-one mappings, so the length stays)
// and returns it; a "pointer" whose high word is 0 is one character, and the result is that
// character mapped.
LPWSTR CharUpperW(LPWSTR text);
LPWSTR CharLowerW(LPWSTR text);
DWORD CharUpperBuffW(LPWSTR text, DWORD length);
DWORD CharLowerBuffW(LPWSTR text, DWORD length);

namespace platform {

// The device's locale: the registry value "Profile" (REG_SZ, e.g. "de-DE") of
// HKEY_LOCAL_MACHINE "System\Locale"; the environment variable SLATEWAY_LOCALE takes
// precedence. A name ICU does not know, or none, means en-US. String values of the same key
// named after the item as the Control Panel names them ("sDecimal", "sThousand",
// "sGrouping", "iDigits", "iLZero", "iNegNumber", "sCurrency", "sMonDecimalSep",
// "sMonThousandSep", "sMonGrouping", "iCurrDigits", "iCurrency", "iNegCurr", "sShortDate",
// "iDate", "sTimeFormat", "s1159", "s2359") are the user's overrides of the locale's own
// items for the default locales; LOCALE_NOUSEROVERRIDE skips them.
inline constexpr char16_t kLocaleKey[] = u"System\\Locale";
inline constexpr char16_t kLocaleValue[] = u"Profile";

// The name of the locale in force ("de-DE").
std::u16string CurrentLocaleProfile();
// Stores the device's locale under the name the device gives it ("de_DE.UTF-8" and "de"
// are stored as "de-DE"); false for a locale ICU does not know.
bool SetLocaleProfile(std::u16string_view name);

// The locale of the user's environment, from the first of LC_ALL, LC_NUMERIC, LC_MONETARY,
// LC_TIME and LANG that is set; "C", "POSIX", none or one ICU does not know is en-US.
std::u16string UserLocaleName();
// A new device takes the user's locale: when the registry holds no regional settings yet
// (no locale and no override), stores UserLocaleName(). A device that holds them keeps
// them. True when the locale was stored.
bool AdoptUserLocale();

}  // namespace platform

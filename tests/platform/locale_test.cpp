// Regional settings of the device.
//
// Groups: LocaleInfo* (items of the profiles, the profile setting, overrides, sizes);
// Icu*, *UserLocale* (the formats of any locale ICU knows, the locale a new device takes);
// NumberFormat* and CurrencyFormat* (input syntax, rounding, grouping, orders, records,
// buffers); DateFormat* and TimeFormat* (pictures, short dates, seconds left out);
// Compare* and Case* (ordering, case, BSTR comparison, case mapping).
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/locale/Locale.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class Locale : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    unsetenv("SLATEWAY_LOCALE");
  }
  void Use(const char16_t* profile) { ASSERT_TRUE(platform::SetLocaleProfile(profile)); }
  // A value of the locale key, as the Control Panel writes the user's overrides.
  static void SetValue(const char16_t* name, const std::u16string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static std::u16string Info(LCTYPE type, LCID lcid = LOCALE_USER_DEFAULT) {
    WCHAR buffer[128] = {};
    int n = GetLocaleInfoW(lcid, type, buffer, 128);
    return n > 0 ? std::u16string(buffer) : u"<fail>";
  }
  static std::u16string Number(const char16_t* value, const NUMBERFMTW* format = nullptr) {
    WCHAR buffer[128] = {};
    int n = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, value, format, buffer, 128);
    return n > 0 ? std::u16string(buffer) : u"<fail>";
  }
  static std::u16string Money(const char16_t* value, const CURRENCYFMTW* format = nullptr) {
    WCHAR buffer[128] = {};
    int n = GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, value, format, buffer, 128);
    return n > 0 ? std::u16string(buffer) : u"<fail>";
  }
  static std::u16string Date(const SYSTEMTIME& d, const char16_t* picture, DWORD flags = 0) {
    WCHAR buffer[128] = {};
    int n = GetDateFormatW(LOCALE_USER_DEFAULT, flags, &d, picture, buffer, 128);
    return n > 0 ? std::u16string(buffer) : u"<fail>";
  }
  static SYSTEMTIME Day(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(m);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(hh);
    t.wMinute = static_cast<WORD>(mm);
    t.wSecond = static_cast<WORD>(ss);
    return t;
  }
};

// ---- Locale items --------------------------------------------------------------------------

TEST_F(Locale, LocaleInfoAnswersTheItemsOfEachProfile) {
  struct Row {
    const char16_t* profile;
    LCTYPE type;
    const char16_t* expected;
  } rows[] = {
      {u"en-US", LOCALE_SCURRENCY, u"$"},        {u"en-US", LOCALE_SMONDECIMALSEP, u"."},
      {u"en-US", LOCALE_SMONTHOUSANDSEP, u","},  {u"en-US", LOCALE_SMONGROUPING, u"3;0"},
      {u"en-US", LOCALE_IDIGITS, u"2"},          {u"en-US", LOCALE_ICURRDIGITS, u"2"},
      {u"en-US", LOCALE_ICURRENCY, u"0"},        {u"en-US", LOCALE_INEGCURR, u"0"},
      {u"en-US", LOCALE_IDATE, u"0"},            {u"en-US", LOCALE_SSHORTDATE, u"M/d/yyyy"},
      {u"en-US", LOCALE_SDECIMAL, u"."},         {u"en-US", LOCALE_STHOUSAND, u","},
      {u"en-US", LOCALE_SGROUPING, u"3;0"},      {u"en-US", LOCALE_ILZERO, u"1"},
      {u"en-US", LOCALE_INEGNUMBER, u"1"},       {u"en-US", LOCALE_SMONTHNAME1 + 1, u"February"},
      {u"en-US", LOCALE_SABBREVMONTHNAME1 + 11, u"Dec"},
      {u"de-DE", LOCALE_SCURRENCY, u"\u20AC"},   {u"de-DE", LOCALE_SMONDECIMALSEP, u","},
      {u"de-DE", LOCALE_SMONTHOUSANDSEP, u"."},  {u"de-DE", LOCALE_INEGCURR, u"8"},
      {u"de-DE", LOCALE_ICURRENCY, u"3"},        {u"de-DE", LOCALE_IDATE, u"1"},
      {u"de-DE", LOCALE_SSHORTDATE, u"dd.MM.yyyy"}, {u"de-DE", LOCALE_SMONTHNAME1 + 2, u"M\u00E4rz"},
      {u"en-GB", LOCALE_SCURRENCY, u"\u00A3"},   {u"en-GB", LOCALE_IDATE, u"1"},
      {u"en-GB", LOCALE_SSHORTDATE, u"dd/MM/yyyy"}, {u"fr-FR", LOCALE_SMONTHOUSANDSEP, u"\u202F"},
      {u"fr-FR", LOCALE_SSHORTDATE, u"dd/MM/yyyy"}, {u"fr-FR", LOCALE_SMONTHNAME1 + 7, u"ao\u00FBt"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    EXPECT_EQ(Info(r.type), r.expected) << std::hex << r.type;
    EXPECT_EQ(Info(r.type, LOCALE_SYSTEM_DEFAULT), r.expected) << std::hex << r.type;
  }
}

TEST_F(Locale, LocaleInfoDefaultsToEnUsAndFollowsTheDeviceSetting) {
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"en-US");
  EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
  Use(u"de-de");  // names compare ignoring case
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"de-DE");
  EXPECT_EQ(GetUserDefaultLCID(), 0x0407u);
  EXPECT_FALSE(platform::SetLocaleProfile(u"xx-YY"));
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"de-DE");
  // An explicit locale id answers from its own profile whatever the setting.
  EXPECT_EQ(Info(LOCALE_SCURRENCY, 0x0409), u"$");
  EXPECT_EQ(Info(LOCALE_SCURRENCY, 0x040C), u"\u20AC");
  EXPECT_EQ(Info(LOCALE_SCURRENCY, 0x0413), u"\u20AC");  // nl-NL: every locale ICU knows
  EXPECT_EQ(Info(LOCALE_SCURRENCY, 0x7777), u"<fail>");
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Locale, EnvironmentOverridesTheDeviceSetting) {
  Use(u"de-DE");
  setenv("SLATEWAY_LOCALE", "fr-FR", 1);
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"fr-FR");
  EXPECT_EQ(Info(LOCALE_SSHORTDATE), u"dd/MM/yyyy");
  unsetenv("SLATEWAY_LOCALE");
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"de-DE");
}

TEST_F(Locale, UserOverridesReplaceSingleItemsUnlessRefused) {
  SetValue(u"iCurrDigits", u"3");
  EXPECT_EQ(Info(LOCALE_ICURRDIGITS), u"3");
  EXPECT_EQ(Info(LOCALE_ICURRDIGITS | LOCALE_NOUSEROVERRIDE), u"2");
  EXPECT_EQ(Money(u"2.5"), u"$2.500");
  EXPECT_EQ(Info(LOCALE_ICURRDIGITS, 0x0409), u"2");  // an explicit id has no overrides
}

TEST_F(Locale, DecimalCountOverridesOutOfRangeAreIgnored) {
  for (const std::u16string& bad : {std::u16string(u"12"), std::u16string(u"x"), std::u16string(u"4000000000")}) {
    for (const char16_t* name : {u"iDigits", u"iCurrDigits"}) SetValue(name, bad);
    EXPECT_EQ(Info(LOCALE_IDIGITS), u"2");
    EXPECT_EQ(Money(u"2.5"), u"$2.50");
    EXPECT_EQ(Number(u"2.5"), u"2.50");
  }
}

TEST_F(Locale, LocaleInfoReportsSizesAndRefusesShortBuffers) {
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, nullptr, 0), 9);
  WCHAR small[4];
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, small, 4), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  WCHAR grouping[4];
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SMONGROUPING, grouping, 4), 4);
  EXPECT_EQ(std::u16string(grouping), u"3;0");
  DWORD digits = 0;
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICURRDIGITS | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPWSTR>(&digits), 2),
            2);
  EXPECT_EQ(digits, 2u);
  EXPECT_EQ(Info(0x7777), u"<fail>");
}

// ---- Any locale ICU knows -----------------------------------------------------------------------

TEST_F(Locale, IcuLocalesGiveTheirMoneyAndDates) {
  struct Row {
    const char16_t* profile;
    const char16_t* money;
    const char16_t* negative;
    const char16_t* shortDate;
    const char16_t* longDate;
    const char16_t* firstDay;
  } rows[] = {
      // ICU writes a no-break blank between amount and symbol; the orders of the money
      // format write a plain one. Short dates show the whole year.
      {u"de-DE", u"1.234,50 \u20AC", u"-1.234,50 \u20AC", u"10.03.2026", u"Dienstag, 10. M\u00E4rz 2026", u"0"},
      {u"fr-FR", u"1\u202F234,50 \u20AC", u"-1\u202F234,50 \u20AC", u"10/03/2026", u"mardi 10 mars 2026", u"0"},
      {u"ja-JP", u"\uFFE51,235", u"-\uFFE51,235", u"2026/03/10", u"2026\u5E743\u670810\u65E5\u706B\u66DC\u65E5", u"6"},
      {u"en-GB", u"\u00A31,234.50", u"-\u00A31,234.50", u"10/03/2026", u"Tuesday, 10 March 2026", u"0"},
      {u"en-US", u"$1,234.50", u"($1,234.50)", u"3/10/2026", u"Tuesday, March 10, 2026", u"6"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(platform::ToUtf8(r.profile));
    Use(r.profile);
    EXPECT_EQ(Money(u"1234.5"), r.money);
    EXPECT_EQ(Money(u"-1234.5"), r.negative);
    EXPECT_EQ(Date(Day(2026, 3, 10), nullptr, DATE_SHORTDATE), r.shortDate);
    EXPECT_EQ(Date(Day(2026, 3, 10), nullptr, DATE_LONGDATE), r.longDate);
    EXPECT_EQ(Info(LOCALE_IFIRSTDAYOFWEEK), r.firstDay);
  }
  // A month beside a day is named as inside a date, alone as it stands alone.
  Use(u"pl-PL");
  EXPECT_EQ(Date(Day(2026, 3, 10), u"d MMMM"), u"10 marca");
  EXPECT_EQ(Date(Day(2026, 3, 10), u"MMMM yyyy"), u"marzec 2026");
}

TEST_F(Locale, IcuLocalesAreNamedInEitherSpelling) {
  const std::pair<const char16_t*, const char16_t*> names[] = {
      {u"de_DE.UTF-8", u"de-DE"}, {u"de", u"de-DE"}, {u"pt-br", u"pt-BR"},
      {u"zh_TW", u"zh-TW"},       {u"C", u"en-US"},  {u"sr_RS.UTF-8@latin", u"sr-Latn-RS"}};
  for (const auto& [given, stored] : names) {
    ASSERT_TRUE(platform::SetLocaleProfile(given)) << platform::ToUtf8(given);
    EXPECT_EQ(platform::CurrentLocaleProfile(), stored);
  }
  for (const char16_t* unknown : {u"xx-YY", u"de-XX", u"", u"-"}) EXPECT_FALSE(platform::SetLocaleProfile(unknown));
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"sr-Latn-RS");
  EXPECT_EQ(GetUserDefaultLCID(), 0x241Au);
}

// The user's locale variables for one test, put back afterwards.
class UserLocale : public Locale {
 protected:
  static constexpr const char* kVariables[] = {"LC_ALL", "LC_NUMERIC", "LC_MONETARY", "LC_TIME", "LANG"};
  void SetUp() override {
    Locale::SetUp();
    for (const char* v : kVariables) {
      if (const char* value = std::getenv(v)) m_saved[v] = value;
      unsetenv(v);
    }
  }
  void TearDown() override {
    for (const char* v : kVariables) {
      auto it = m_saved.find(v);
      if (it == m_saved.end()) unsetenv(v);
      else setenv(v, it->second.c_str(), 1);
    }
    Locale::TearDown();
  }
  std::map<std::string, std::string> m_saved;
};

TEST_F(UserLocale, TheFirstVariableSetNamesTheUsersLocale) {
  EXPECT_EQ(platform::UserLocaleName(), u"en-US");
  setenv("LANG", "fr_FR.UTF-8", 1);
  EXPECT_EQ(platform::UserLocaleName(), u"fr-FR");
  setenv("LC_TIME", "ja_JP.UTF-8", 1);
  EXPECT_EQ(platform::UserLocaleName(), u"ja-JP");
  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  EXPECT_EQ(platform::UserLocaleName(), u"de-DE");
  setenv("LC_ALL", "POSIX", 1);
  EXPECT_EQ(platform::UserLocaleName(), u"en-US");
  setenv("LC_ALL", "xx_YY.UTF-8", 1);
  EXPECT_EQ(platform::UserLocaleName(), u"en-US");
}

TEST_F(UserLocale, ANewDeviceTakesItAndADeviceWithSettingsKeepsThem) {
  setenv("LANG", "de_DE.UTF-8", 1);
  ASSERT_TRUE(platform::AdoptUserLocale());
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"de-DE");
  EXPECT_EQ(Money(u"-1234.5"), u"-1.234,50 \u20AC");
  setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_FALSE(platform::AdoptUserLocale());
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"de-DE");

  // A device whose registry holds only an override of one item is an en-US one with it.
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, platform::kLocaleKey), ERROR_SUCCESS);
  SetValue(u"sCurrency", u"\u00A3");
  EXPECT_FALSE(platform::AdoptUserLocale());
  EXPECT_EQ(platform::CurrentLocaleProfile(), u"en-US");
  EXPECT_EQ(Money(u"2"), u"\u00A32.00");
}

// ---- Numbers and money -------------------------------------------------------------------

TEST_F(Locale, NumberFormatFollowsEachProfile) {
  struct Row {
    const char16_t* profile;
    const char16_t* value;
    const char16_t* expected;
  } rows[] = {
      {u"en-US", u"1234567.891", u"1,234,567.89"}, {u"en-US", u"-1234.5", u"-1,234.50"},
      {u"en-US", u".5", u"0.50"},                  {u"en-US", u"0", u"0.00"},
      {u"en-US", u"999.995", u"1,000.00"},         {u"en-US", u"-0.001", u"0.00"},
      {u"de-DE", u"1234567.891", u"1.234.567,89"}, {u"de-DE", u"-1234.5", u"-1.234,50"},
      {u"fr-FR", u"1234.5", u"1\u202F234,50"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    EXPECT_EQ(Number(r.value), r.expected);
  }
}

TEST_F(Locale, CurrencyFormatFollowsEachProfile) {
  struct Row {
    const char16_t* profile;
    const char16_t* value;
    const char16_t* expected;
  } rows[] = {
      {u"en-US", u"1234.5", u"$1,234.50"},           {u"en-US", u"-1234.5", u"($1,234.50)"},
      {u"en-US", u"1234567890.125", u"$1,234,567,890.13"}, {u"en-US", u"0.004", u"$0.00"},
      {u"de-DE", u"1234.5", u"1.234,50 \u20AC"},     {u"de-DE", u"-1234.5", u"-1.234,50 \u20AC"},
      {u"de-DE", u"1000000", u"1.000.000,00 \u20AC"}, {u"en-GB", u"-3", u"-\u00A33.00"},
      {u"fr-FR", u"-1234567.5", u"-1\u202F234\u202F567,50 \u20AC"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    EXPECT_EQ(Money(r.value), r.expected);
  }
}

TEST_F(Locale, FormatInputMustBeAPlainDecimalText) {
  const char16_t* bad[] = {u"", u"-", u".", u"1,234", u" 12", u"12 ", u"+5", u"1.2.3", u"$5", u"(5)", u"1e5", u"5-", u"--5", u"abc"};
  for (const char16_t* value : bad) {
    SetLastError(0);
    WCHAR buffer[64];
    EXPECT_EQ(GetNumberFormatW(LOCALE_USER_DEFAULT, 0, value, nullptr, buffer, 64), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, value, nullptr, buffer, 64), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  WCHAR buffer[64];
  EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, 64), 0);
  EXPECT_EQ(Number(u"007.10"), u"7.10");
  EXPECT_EQ(Number(u"5."), u"5.00");
}

TEST_F(Locale, RoundingIsHalfUpOnTheDecimalText) {
  NUMBERFMTW f{2, 1, 3, const_cast<LPWSTR>(u"."), const_cast<LPWSTR>(u","), 1};
  struct Row {
    const char16_t* value;
    UINT digits;
    const char16_t* expected;
  } rows[] = {
      {u"1.005", 2, u"1.01"},   // the text, not the nearest double, is rounded
      {u"1.0049", 2, u"1.00"},  {u"-2.5", 0, u"-3"},     {u"9.5", 0, u"10"},
      {u"99.999", 2, u"100.00"}, {u"0.125", 2, u"0.13"}, {u"1.2", 4, u"1.2000"},
      {u"123456789012345678901234567890.5", 0, u"123,456,789,012,345,678,901,234,567,891"},
  };
  for (const auto& r : rows) {
    f.NumDigits = r.digits;
    EXPECT_EQ(Number(r.value, &f), r.expected);
  }
}

TEST_F(Locale, GroupingStyles) {
  NUMBERFMTW f{0, 1, 3, const_cast<LPWSTR>(u"."), const_cast<LPWSTR>(u","), 1};
  struct Row {
    UINT grouping;
    const char16_t* expected;
  } rows[] = {{0, u"1234567890"}, {3, u"1,234,567,890"}, {32, u"1,23,45,67,890"}, {30, u"1234567,890"}, {2, u"12,34,56,78,90"}};
  for (const auto& r : rows) {
    f.Grouping = r.grouping;
    EXPECT_EQ(Number(u"1234567890", &f), r.expected) << r.grouping;
  }
  f.Grouping = 3;
  EXPECT_EQ(Number(u"123", &f), u"123");
  EXPECT_EQ(Number(u"1234", &f), u"1,234");
  f.Grouping = 303;  // a 0 that is not last is no grouping
  WCHAR buffer[32];
  EXPECT_EQ(GetNumberFormatW(LOCALE_USER_DEFAULT, 0, u"1", &f, buffer, 32), 0);
}

TEST_F(Locale, NumberNegativeOrdersAndLeadingZero) {
  const char16_t* expected[] = {u"(0.50)", u"-0.50", u"- 0.50", u"0.50-", u"0.50 -"};
  NUMBERFMTW f{2, 1, 3, const_cast<LPWSTR>(u"."), const_cast<LPWSTR>(u","), 0};
  for (UINT order = 0; order < 5; ++order) {
    f.NegativeOrder = order;
    EXPECT_EQ(Number(u"-0.5", &f), expected[order]) << order;
  }
  f.NegativeOrder = 1;
  f.LeadingZero = 0;
  EXPECT_EQ(Number(u"-0.5", &f), u"-.50");
  f.NegativeOrder = 5;
  WCHAR buffer[32];
  EXPECT_EQ(GetNumberFormatW(LOCALE_USER_DEFAULT, 0, u"1", &f, buffer, 32), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Locale, CurrencyOrdersAndRecord) {
  const char16_t* negative[] = {u"($1.10)", u"-$1.10", u"$-1.10", u"$1.10-", u"(1.10$)", u"-1.10$",
                                u"1.10-$", u"1.10$-", u"-1.10 $", u"-$ 1.10", u"1.10 $-", u"$ 1.10-",
                                u"$ -1.10", u"1.10- $", u"($ 1.10)", u"(1.10 $)"};
  const char16_t* positive[] = {u"$1.10", u"1.10$", u"$ 1.10", u"1.10 $"};
  CURRENCYFMTW f{2, 1, 3, const_cast<LPWSTR>(u"."), const_cast<LPWSTR>(u","), 0, 0, const_cast<LPWSTR>(u"$")};
  for (UINT order = 0; order < 16; ++order) {
    f.NegativeOrder = order;
    EXPECT_EQ(Money(u"-1.1", &f), negative[order]) << order;
  }
  for (UINT order = 0; order < 4; ++order) {
    f.PositiveOrder = order;
    EXPECT_EQ(Money(u"1.1", &f), positive[order]) << order;
  }
  f.PositiveOrder = 4;
  EXPECT_EQ(Money(u"1.1", &f), u"<fail>");
  f.PositiveOrder = 0;
  f.lpCurrencySymbol = nullptr;
  EXPECT_EQ(Money(u"1.1", &f), u"<fail>");
  // A record comes with no flags.
  f.lpCurrencySymbol = const_cast<LPWSTR>(u"$");
  WCHAR buffer[32];
  EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, u"1", &f, buffer, 32), 0);
}

TEST_F(Locale, FormatBufferSizes) {
  // "$1,234.50" is 9 characters and the null.
  EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, u"1234.5", nullptr, nullptr, 0), 10);
  WCHAR exact[10];
  EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, u"1234.5", nullptr, exact, 10), 10);
  EXPECT_EQ(std::u16string(exact), u"$1,234.50");
  WCHAR shortBuffer[9];
  SetLastError(0);
  EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, u"1234.5", nullptr, shortBuffer, 9), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  // A large amount does not fit the 30 characters some callers give.
  WCHAR thirty[30];
  EXPECT_EQ(GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, u"123456789012345678901.000000", nullptr, thirty, 30), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

// ---- Dates and times ------------------------------------------------------------------------

TEST_F(Locale, DatePictures) {
  const SYSTEMTIME d = Day(2007, 2, 3);
  struct Row {
    const char16_t* picture;
    const char16_t* expected;
  } rows[] = {
      {u"d/M/yy", u"3/2/07"},        {u"dd-MM-yyyy", u"03-02-2007"}, {u"yyyy-MM-dd", u"2007-02-03"},
      {u"MM-dd-yyyy", u"02-03-2007"}, {u"d MMM yyyy", u"3 Feb 2007"}, {u"dddd, MMMM d", u"Saturday, February 3"},
      {u"ddd", u"Sat"},              {u"'Day' d 'of' M", u"Day 3 of 2"}, {u"'it''s' d", u"it's 3"},
      {u"y", u"7"},                  {u"", u""},
  };
  for (const auto& r : rows) EXPECT_EQ(Date(d, r.picture), r.expected);
}

TEST_F(Locale, ShortDatesAcrossProfiles) {
  struct Row {
    const char16_t* profile;
    SYSTEMTIME date;
    const char16_t* expected;
  } rows[] = {
      {u"en-US", Day(2026, 3, 10), u"3/10/2026"},  {u"en-US", Day(2025, 12, 31), u"12/31/2025"},
      {u"de-DE", Day(2026, 3, 10), u"10.03.2026"}, {u"de-DE", Day(2024, 2, 29), u"29.02.2024"},
      {u"en-GB", Day(2026, 1, 1), u"01/01/2026"},  {u"fr-FR", Day(2026, 8, 5), u"05/08/2026"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    EXPECT_EQ(Date(r.date, nullptr, DATE_SHORTDATE), r.expected);
  }
  Use(u"de-DE");
  EXPECT_EQ(Date(Day(2026, 3, 10), u"d MMM"), u"10 M\u00E4rz");
}

TEST_F(Locale, DateFormatRefusesNonDatesAndMixedFlags) {
  const SYSTEMTIME bad[] = {Day(2026, 0, 1), Day(2026, 13, 1), Day(2026, 2, 29), Day(2026, 4, 31), Day(2026, 5, 0), Day(1600, 1, 1)};
  for (const auto& d : bad) EXPECT_EQ(Date(d, nullptr, DATE_SHORTDATE), u"<fail>");
  EXPECT_EQ(Date(Day(2026, 1, 1), u"d", DATE_SHORTDATE), u"<fail>");
  // A null date is today by the device clock (the test clock here).
  WCHAR buffer[32];
  ASSERT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, 32), 0);
  EXPECT_EQ(std::u16string(buffer), u"3/10/2026");
}

TEST_F(Locale, TimePicturesAndLeftOutSeconds) {
  struct Row {
    const char16_t* profile;
    SYSTEMTIME time;
    DWORD flags;
    const char16_t* picture;
    const char16_t* expected;
  } rows[] = {
      {u"en-US", Day(2026, 3, 10, 9, 5, 7), 0, u"hh':'mm':'ss tt", u"09:05:07 AM"},
      {u"en-US", Day(2026, 3, 10, 9, 5, 7), TIME_NOSECONDS, u"hh':'mm':'ss tt", u"09:05 AM"},
      {u"en-US", Day(2026, 3, 10, 0, 0, 0), TIME_NOSECONDS, u"hh':'mm':'ss tt", u"12:00 AM"},
      {u"en-US", Day(2026, 3, 10, 23, 59, 59), TIME_NOSECONDS, u"hh':'mm':'ss tt", u"11:59 PM"},
      {u"en-US", Day(2026, 3, 10, 13, 4, 0), 0, nullptr, u"1:04:00 PM"},
      {u"en-US", Day(2026, 3, 10, 13, 4, 0), TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, u"h:mm tt", u"13:04"},
      {u"en-US", Day(2026, 3, 10, 13, 4, 0), TIME_NOMINUTESORSECONDS, u"h:mm:ss tt", u"1 PM"},
      {u"de-DE", Day(2026, 3, 10, 13, 4, 9), 0, nullptr, u"13:04:09"},
      {u"de-DE", Day(2026, 3, 10, 13, 4, 9), TIME_NOSECONDS, u"hh':'mm':'ss tt", u"01:04"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    WCHAR buffer[64] = {};
    ASSERT_GT(GetTimeFormatW(LOCALE_USER_DEFAULT, r.flags, &r.time, r.picture, buffer, 64), 0);
    EXPECT_EQ(std::u16string(buffer), r.expected);
  }
  SYSTEMTIME bad = Day(2026, 1, 1, 24, 0, 0);
  WCHAR buffer[64];
  EXPECT_EQ(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &bad, nullptr, buffer, 64), 0);
}

// ---- Comparison and case ------------------------------------------------------------------------

TEST_F(Locale, CompareIsCaseSensitiveWithoutFlagsAndOrdersLikeAWordList) {
  struct Row {
    const char16_t* a;
    const char16_t* b;
    DWORD flags;
    int expected;
  } rows[] = {
      {u"MAIN MEMORY", u"MAIN MEMORY", 0, CSTR_EQUAL}, {u"Main Memory", u"MAIN MEMORY", 0, CSTR_LESS_THAN},
      {u"Main Memory", u"MAIN MEMORY", NORM_IGNORECASE, CSTR_EQUAL}, {u"apple", u"Banana", 0, CSTR_LESS_THAN},
      {u"Apple", u"apple", 0, CSTR_GREATER_THAN}, {u"abc", u"ab", 0, CSTR_GREATER_THAN}, {u"", u"", 0, CSTR_EQUAL},
  };
  for (const auto& r : rows) EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, r.flags, r.a, -1, r.b, -1), r.expected);
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"abcX", 3, u"abcY", 3), CSTR_EQUAL);
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, -1, u"a", -1), 0);
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0x100, u"a", -1, u"a", -1), 0);
}

TEST_F(Locale, VarBstrCmpTreatsNullAsEmpty) {
  BSTR all = SysAllocString(u"All");
  BSTR lower = SysAllocString(u"all");
  BSTR empty = SysAllocString(u"");
  EXPECT_EQ(VarBstrCmp(all, all, LOCALE_USER_DEFAULT, 0), VARCMP_EQ);
  EXPECT_EQ(VarBstrCmp(lower, all, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
  EXPECT_EQ(VarBstrCmp(all, lower, LOCALE_USER_DEFAULT, 0), VARCMP_GT);
  EXPECT_EQ(VarBstrCmp(all, lower, LOCALE_USER_DEFAULT, NORM_IGNORECASE), VARCMP_EQ);
  EXPECT_EQ(VarBstrCmp(nullptr, empty, LOCALE_USER_DEFAULT, 0), VARCMP_EQ);
  EXPECT_EQ(VarBstrCmp(nullptr, all, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
  SysFreeString(all);
  SysFreeString(lower);
  SysFreeString(empty);
}

TEST_F(Locale, CaseIsIgnoredInNamesOfEveryScript) {
  // Greek with accents, Latin Extended-B and Additional (Vietnamese), Ukrainian, Armenian.
  const std::pair<const char16_t*, const char16_t*> same[] = {
      {u"\u03A3\u038A\u03A3\u03A5\u03A6\u039F\u03A3", u"\u03C3\u03AF\u03C3\u03C5\u03C6\u03BF\u03C2"},
      {u"\u01A0n \u1EE8ng", u"\u01A1N \u1EE9NG"}, {u"\u0490\u0430\u043D\u043D\u0430", u"\u0491\u0410\u041D\u041D\u0410"},
      {u"\u0535\u0580\u0565\u0582\u0561\u0576", u"\u0565\u0550\u0535\u0552\u0531\u0546"},
  };
  for (const auto& [a, b] : same) {
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1), CSTR_EQUAL) << platform::ToUtf8(a);
    EXPECT_NE(CompareStringW(LOCALE_USER_DEFAULT, 0, a, -1, b, -1), CSTR_EQUAL) << platform::ToUtf8(a);
    EXPECT_TRUE(platform::EqualsIgnoreCase(a, b)) << platform::ToUtf8(a);
  }
  // Accents still count, and names sort as the locale's word lists do.
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"\u00C9mile", -1, u"emile", -1), CSTR_GREATER_THAN);
  EXPECT_FALSE(platform::EqualsIgnoreCase(u"\u00C9mile", u"emile"));
  Use(u"de-DE");
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"\u00C4pfel", -1, u"Banane", -1), CSTR_LESS_THAN);
  Use(u"sv-SE");  // in Swedish the letter comes after z
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"\u00C4pple", -1, u"Zebra", -1), CSTR_GREATER_THAN);
  // Texts the collation cannot tell apart are still not the same text.
  EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"a\u0001b", 3, u"ab", 2), CSTR_LESS_THAN);
}

TEST_F(Locale, CaseMappingOfTextsAndSingleCharacters) {
  std::u16string text = u"Storage Card \u00E4\u00DF";
  EXPECT_EQ(CharUpperW(text.data()), text.data());
  EXPECT_EQ(text, u"STORAGE CARD \u00C4\u00DF");
  CharLowerW(text.data());
  EXPECT_EQ(text, u"storage card \u00E4\u00DF");
  auto single = reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(u'q'))));
  EXPECT_EQ(single, static_cast<ULONG_PTR>(u'Q'));
  std::u16string part = u"abcdef";
  EXPECT_EQ(CharUpperBuffW(part.data(), 3), 3u);
  EXPECT_EQ(part, u"ABCdef");
  // Every script, a character outside the Basic Multilingual Plane included.
  std::u16string wide = u"\u01C6 \u1EE9 \u0491 \u03AC \U00010428";
  CharUpperW(wide.data());
  EXPECT_EQ(wide, u"\u01C4 \u1EE8 \u0490 \u0386 \U00010400");
  CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  EXPECT_EQ(wide, u"\u01C6 \u1EE9 \u0491 \u03AC \U00010428");
}

}  // namespace

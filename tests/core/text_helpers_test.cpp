// Text, number, money and date helpers, over the en-US and de-DE regional settings.
//
// Groups: Regional* (what the program keeps of the locale); Parse*, Format*, Normalize*,
// Unformat* (amount texts both ways, in both locales); Card*, Digits* (small number
// texts); Dates*, Timestamp*, DateRange* (today's texts, parsing, month and year ends,
// report ranges); Text* (quotes, colons, line breaks, names, addresses, column splitting,
// card tracks, field codes, document kinds).
#include <cstdlib>
#include <string>
#include <vector>

#include "core/CustomSettings.h"
#include "core/TextHelpers.h"
#include "platform/locale/Locale.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class TextHelpers : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    unsetenv("SLATEWAY_LOCALE");
    RegionalSettings().Reset();
  }
  void TearDown() override {
    RegionalSettings().Reset();
    DeviceTest::TearDown();
  }
  // Switches the device to a profile and reloads the program's regional settings, as the
  // main window does when the device's settings change.
  void Use(const char16_t* profile) {
    ASSERT_TRUE(platform::SetLocaleProfile(profile));
    LoadRegionalSettings();
  }
  void Override(const char16_t* name, const char16_t* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::u16string v(value);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()), static_cast<DWORD>((v.size() + 1) * 2));
    RegCloseKey(key);
  }
  static void SetClock(int y, int m, int d, int hh = 9, int mm = 30, int ss = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(m);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(hh);
    t.wMinute = static_cast<WORD>(mm);
    t.wSecond = static_cast<WORD>(ss);
    platform::TestClock::Set(t);
  }
};

const char16_t kEuro[] = u"\u20AC";
std::u16string Eur(std::u16string_view s) { return std::u16string(s) + u" " + kEuro; }

// ---- Regional settings ---------------------------------------------------------------------

TEST_F(TextHelpers, RegionalSettingsKeepTheSymbolOneCharacterPerSeparatorAndTheFormatRecord) {
  const CRegionalSettings& rs = RegionalSettings();
  EXPECT_EQ(rs.CurrencySymbol(), u"$");
  EXPECT_EQ(rs.DecimalSeparator(), u'.');
  EXPECT_EQ(rs.ThousandSeparator(), u',');
  Use(u"de-DE");
  EXPECT_EQ(rs.CurrencySymbol(), kEuro);
  EXPECT_EQ(rs.DecimalSeparator(), u',');
  EXPECT_EQ(rs.ThousandSeparator(), u'.');
  EXPECT_EQ(rs.Grouping(), 3u);
  EXPECT_EQ(rs.CurrencyFormat().NegativeOrder, 8u);
  EXPECT_EQ(rs.CurrencyFormat().PositiveOrder, 3u);
  EXPECT_EQ(rs.CurrencyFormat().NumDigits, 2u);
  EXPECT_EQ(std::u16string(rs.CurrencyFormat().lpCurrencySymbol), kEuro);
  // A grouping of "3;2;0" no longer fits the four characters the item was once read into.
  Override(u"sMonGrouping", u"3;2;0");
  LoadRegionalSettings();
  EXPECT_EQ(rs.Grouping(), 3u);
  Use(u"sv-SE");  // a symbol of two letters is kept whole
  EXPECT_EQ(rs.CurrencySymbol(), u"kr");
  EXPECT_EQ(std::u16string(rs.CurrencyFormat().lpCurrencySymbol), u"kr");
  Use(u"en-US");
  EXPECT_EQ(rs.CurrencySymbol(), u"$");
  EXPECT_EQ(rs.CurrencyFormat().NegativeOrder, 0u);
}

// ---- Amount texts -----------------------------------------------------------------------------

TEST_F(TextHelpers, ParseNumberTextInBothLocales) {
  struct Row {
    const char16_t* profile;
    std::u16string text;
    double expected;
  } rows[] = {
      {u"en-US", u"(1,234.50)", -1234.5},       {u"en-US", u"12.5%", 12.5},
      {u"en-US", u"$-3", -3},                   {u"en-US", u"", 0},
      {u"en-US", u"-$5.00", -5},                {u"en-US", u"$1,234,567.89", 1234567.89},
      {u"en-US", u"($1,000,000.00)", -1000000}, {u"en-US", u"12abc", 12},
      {u"en-US", u"abc", 0},                    {u"en-US", u"  7 ", 7},
      {u"en-US", u"nan", 0},                    {u"en-US", u"inf", 0},
      // An exponent keeps its own sign; figures beyond 1e13 either way read as none.
      {u"en-US", u"1.5e-3", 0.0015},            {u"en-US", u"(2E2)", -200},
      {u"en-US", u"-1e13", -1e13},              {u"en-US", u"1e-400", 0},
      {u"en-US", u"1e308", 0},                  {u"en-US", u"100000000000001", 0},
      {u"de-DE", u"1.234,5", 1234.5},           {u"de-DE", Eur(u"-1.234,50"), -1234.5},
      {u"de-DE", u"(" + Eur(u"1.234,50") + u")", -1234.5}, {u"de-DE", u"12,5%", 12.5},
      {u"de-DE", Eur(u"1.000.000,00"), 1000000}, {u"de-DE", u"", 0},
      {u"de-DE", u"x", 0},
      // A symbol of several letters goes whole; the wide and the narrow no-break blank
      // both group thousands where one of them does.
      {u"sv-SE", u"-1\u00A0234,50 kr", -1234.5},   {u"de-CH", u"CHF-1\u2019234.50", -1234.5},
      {u"fr-FR", Eur(u"1\u00A0234,50"), 1234.5},  {u"fr-FR", Eur(u"1\u202F234,50"), 1234.5},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    EXPECT_DOUBLE_EQ(ParseNumberText(r.text), r.expected) << platform::ToUtf8(r.text);
  }
}

TEST_F(TextHelpers, FormatNumberTextInBothLocales) {
  struct Row {
    const char16_t* profile;
    double value;
    NumberDigits digits;
    const char16_t* expected;
  } rows[] = {
      {u"en-US", 2.75, NumberDigits::Whole, u"3"},
      {u"en-US", 1234.5, NumberDigits::CurrencyDigits, u"1,234.50"},
      {u"en-US", -1234.5, NumberDigits::CurrencyDigits, u"(1,234.50)"},
      {u"en-US", 1234567.891, NumberDigits::TwoDigits, u"1,234,567.89"},
      {u"en-US", 0, NumberDigits::CurrencyDigits, u"0.00"},
      // A negative figure too small for the digits shown is zero, without a sign.
      {u"en-US", -0.004, NumberDigits::TwoDigits, u"0.00"},
      {u"en-US", -0.0, NumberDigits::Whole, u"0"},
      {u"en-US", -0.01, NumberDigits::TwoDigits, u"(0.01)"},
      {u"de-DE", -0.0, NumberDigits::CurrencyDigits, u"0,00"},
      // Past the 30 characters a fixed buffer once held.
      {u"en-US", 1e21, NumberDigits::CurrencyDigits, u"1,000,000,000,000,000,000,000.00"},
      {u"de-DE", 2.75, NumberDigits::Whole, u"3"},
      {u"de-DE", 1234.5, NumberDigits::CurrencyDigits, u"1.234,50"},
      {u"de-DE", -1234.5, NumberDigits::TwoDigits, u"-1.234,50"},
      {u"de-DE", 1e21, NumberDigits::CurrencyDigits, u"1.000.000.000.000.000.000.000,00"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    EXPECT_EQ(FormatNumberText(r.value, r.digits).str(), r.expected) << r.value;
  }
}

TEST_F(TextHelpers, FormatNumberTextTrimsAThreeDigitCurrencyToTwo) {
  Override(u"iCurrDigits", u"3");
  for (const char16_t* profile : {u"en-US", u"de-DE"}) {
    Use(profile);
    const bool de = profile[0] == u'd';
    EXPECT_EQ(FormatNumberText(2.5, NumberDigits::CurrencyDigits).str(), de ? u"2,50" : u"2.50");
    EXPECT_EQ(FormatNumberText(2.125, NumberDigits::CurrencyDigits).str(), de ? u"2,125" : u"2.125");
    // Forcing two digits puts the record back to the locale's digit count afterwards.
    EXPECT_EQ(FormatNumberText(2.125, NumberDigits::TwoDigits).str(), de ? u"2,13" : u"2.13");
    EXPECT_EQ(RegionalSettings().CurrencyFormat().NumDigits, RegionalSettings().DefaultDigits());
  }
}

TEST_F(TextHelpers, FormatCurrencyTextInBothLocales) {
  struct Row {
    const char16_t* profile;
    std::u16string text;
    bool keepSymbol;
    std::u16string expected;
  } rows[] = {
      {u"en-US", u"1234.5", true, u"$1,234.50"},
      {u"en-US", u"1234.5", false, u"1,234.50"},
      {u"en-US", u"-1234.5", true, u"($1,234.50)"},
      {u"en-US", u"(1,234.5)", true, u"($1,234.50)"},
      {u"en-US", u"1000000", true, u"$1,000,000.00"},
      {u"en-US", u"abc", true, u"abc"},  // no number: the normalised text stays
      {u"en-US", u"$5", true, u"$5"},
      {u"en-US", u"", true, u""},
      // A stored negative zero reads as zero.
      {u"en-US", u"-0", false, u"0.00"},
      {u"en-US", u"-0.00", true, u"$0.00"},
      {u"en-US", u"(0)", false, u"0.00"},
      {u"en-US", u"-0.001", false, u"0.00"},
      {u"de-DE", u"-0,00", false, u"0,00"},
      {u"de-DE", u"1234,5", true, Eur(u"1.234,50")},
      {u"de-DE", u"1234,5", false, u"1.234,50"},
      {u"de-DE", u"-1.234,5", true, u"-" + Eur(u"1.234,50")},
      {u"de-DE", u"(1.234,5)", false, u"-1.234,50"},
      {u"de-DE", u"1.000.000", true, Eur(u"1.000.000,00")},
      {u"de-DE", u"zwei", false, u"zwei"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    CBstr text(r.text);
    FormatCurrencyText(text, r.keepSymbol);
    EXPECT_EQ(text.str(), r.expected) << platform::ToUtf8(r.text);
  }
}

TEST_F(TextHelpers, NormalizeAmountTextChoosesMoneyOrPercent) {
  struct Row {
    const char16_t* profile;
    std::u16string text;
    bool dropSymbol;
    bool percentByDefault;
    std::u16string expected;
  } rows[] = {
      {u"en-US", u"7", false, true, u"7.00%"},
      {u"en-US", u"7", false, false, u"$7.00"},
      {u"en-US", u"$7", true, true, u"7.00%"},
      {u"en-US", u"$7", true, false, u"$7.00"},
      {u"en-US", u"$7", false, true, u"$7.00"},
      {u"en-US", u"12.5%", false, false, u"12.50%"},
      {u"en-US", u"1,234.5", false, false, u"$1,234.50"},
      {u"en-US", u"", false, false, u""},
      {u"de-DE", u"7", false, false, std::u16string(kEuro) + u"7,00"},
      {u"de-DE", u"7", false, true, u"7,00%"},
      {u"de-DE", std::u16string(kEuro) + u"7", true, true, u"7,00%"},
      {u"de-DE", u"1.234,5", false, false, std::u16string(kEuro) + u"1.234,50"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    CBstr text(r.text);
    NormalizeAmountText(text, r.dropSymbol, r.percentByDefault);
    EXPECT_EQ(text.str(), r.expected) << platform::ToUtf8(r.text);
  }
}

TEST_F(TextHelpers, UnformatMoneyTextKeepsEveryDigitGroup) {
  struct Row {
    const char16_t* profile;
    std::u16string text;
    const char16_t* expected;
    BYTE negative;
  } rows[] = {
      {u"en-US", u"($1,234.50)", u"1234.50", 1},
      {u"en-US", u"$1,234,567.00", u"1234567.00", 0},  // a million keeps all its groups
      {u"en-US", u"$12.00", u"12.00", 0},
      {u"en-US", u"1,234 USD", u"1234", 0},
      {u"en-US", u"(12.00", u"12.00", 1},
      {u"en-US", u"", u"", 0},
      {u"de-DE", Eur(u"1.234,50"), u"1234,50", 0},
      {u"de-DE", u"(" + Eur(u"1.234.567,00") + u")", u"1234567,00", 1},
      {u"de-DE", std::u16string(kEuro) + u"5", u"5", 0},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    CBstr out(u"old");
    BYTE negative = 7;
    UnformatMoneyText(r.text, out, negative);
    EXPECT_EQ(out.str(), r.expected) << platform::ToUtf8(r.text);
    EXPECT_EQ(negative, r.negative) << platform::ToUtf8(r.text);
  }
}

// ---- Small number texts ------------------------------------------------------------------------

TEST_F(TextHelpers, CardNumbersAreMaskedButTheirLastFour) {
  struct Row {
    const char16_t* text;
    const char16_t* expected;
  } rows[] = {{u"4111111111111111", u"xxxxxxxxxxxx1111"}, {u"12345678", u"xxxxxxxx"}, {u"123456789", u"xxxxx6789"},
              {u"1", u"x"}, {u"", u""}};
  for (const auto& r : rows) {
    CBstr text(r.text);
    MaskCardNumber(text);
    EXPECT_EQ(text.str(), r.expected);
  }
}

TEST_F(TextHelpers, DigitsHexAndPercentTexts) {
  CBstr out;
  EXPECT_EQ(GetTrailingDigits(u"INV-0042", out), 1);
  EXPECT_EQ(out.str(), u"0042");
  EXPECT_EQ(GetTrailingDigits(u"12ab34x", out), 1);
  EXPECT_EQ(out.str(), u"34");
  out = CBstr(u"keep");
  EXPECT_EQ(GetTrailingDigits(u"abc", out), 0);
  EXPECT_EQ(out.str(), u"keep");
  EXPECT_EQ(HasDigit(u"no digits"), 0);
  EXPECT_EQ(HasDigit(u"route 66"), 1);

  struct Hex {
    const char16_t* text;
    int value;
  } hex[] = {{u"ff", 255}, {u"1A", 26}, {u"x1-f", 31}, {u"", 0}, {u"zz", 0}};
  for (const auto& h : hex) EXPECT_EQ(HexTextToInt(h.text), h.value);
  struct Byte {
    UINT value;
    const char16_t* text;
  } bytes[] = {{10, u"0a"}, {255, u"ff"}, {0, u"00"}, {4096, u"1000"}};
  for (const auto& b : bytes) {
    ByteToHexText(b.value, out);
    EXPECT_EQ(out.str(), b.text);
  }
  LongToText(-42, out);
  EXPECT_EQ(out.str(), u"-42");

  CBstr rate(u"8.25");
  AppendPercentSign(rate);
  AppendPercentSign(rate);
  EXPECT_EQ(rate.str(), u"8.25%");
  CBstr empty;
  AppendPercentSign(empty);
  EXPECT_TRUE(empty.IsEmpty());
}

// ---- Dates --------------------------------------------------------------------------------------

TEST_F(TextHelpers, TodayAndFutureDatesInBothLocales) {
  struct Row {
    const char16_t* profile;
    int y, m, d, days;
    const char16_t* shortToday;
    const char16_t* shortFuture;
    const char16_t* storageFuture;
  } rows[] = {
      {u"en-US", 2026, 3, 10, 30, u"3/10/2026", u"4/9/2026", u"2026-04-09"},
      {u"en-US", 2025, 12, 31, 1, u"12/31/2025", u"1/1/2026", u"2026-01-01"},
      {u"en-US", 2024, 2, 28, 1, u"2/28/2024", u"2/29/2024", u"2024-02-29"},
      {u"de-DE", 2026, 3, 10, 30, u"10.03.2026", u"09.04.2026", u"2026-04-09"},
      {u"de-DE", 2025, 12, 31, 1, u"31.12.2025", u"01.01.2026", u"2026-01-01"},
      {u"de-DE", 2026, 2, 28, 1, u"28.02.2026", u"01.03.2026", u"2026-03-01"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    SetClock(r.y, r.m, r.d);
    CBstr shortDate, storage;
    GetTodayDateText(shortDate);
    EXPECT_EQ(shortDate.str(), r.shortToday);
    GetTodayDateTexts(shortDate, storage);
    EXPECT_EQ(shortDate.str(), r.shortToday);
    GetFutureDateTexts(shortDate, storage, r.days);
    EXPECT_EQ(shortDate.str(), r.shortFuture);
    EXPECT_EQ(storage.str(), r.storageFuture);
    // Reading today's short date back and adding the days gives the same texts.
    CBstr again, againStorage;
    AddDaysToDateText(r.shortToday, r.days, again, againStorage);
    EXPECT_EQ(again.str(), r.shortFuture);
    EXPECT_EQ(againStorage.str(), r.storageFuture);
  }
}

TEST_F(TextHelpers, AddDaysLeavesBothTextsForTextThatIsNoDate) {
  for (const char16_t* profile : {u"en-US", u"de-DE"}) {
    Use(profile);
    for (const char16_t* bad : {u"", u"hello", u"13/45/2026", u"31.02.2026"}) {
      CBstr shortDate(u"s"), storage(u"t");
      AddDaysToDateText(bad, 1, shortDate, storage);
      EXPECT_EQ(shortDate.str(), u"s") << platform::ToUtf8(bad);
      EXPECT_EQ(storage.str(), u"t");
    }
  }
  Use(u"de-DE");
  CBstr shortDate, storage;
  AddDaysToDateText(u"3-Feb-07", 0, shortDate, storage);
  EXPECT_EQ(storage.str(), u"2007-02-03");
}

TEST_F(TextHelpers, ParseDatePartsByOrder) {
  struct Row {
    const char16_t* text;
    int order;
    int month, day, year;
  } rows[] = {
      {u"3-Feb-07", kDayMonthYear, 2, 3, 2007},   {u"3-February-07", kDayMonthYear, 0, 3, 2007},
      {u"3-feb-07", kDayMonthYear, 0, 3, 2007},   {u"3/10/2026", kMonthDayYear, 3, 10, 2026},
      {u"10.03.2026", kDayMonthYear, 3, 10, 2026}, {u"2026-03-10", kYearMonthDay, 3, 10, 2026},
      {u" 1/2/50 ", kMonthDayYear, 1, 2, 2050},  {u"1/2/51", kMonthDayYear, 1, 2, 1951},
      {u"1/2/99", kMonthDayYear, 1, 2, 1999},    {u"1/2/100", kMonthDayYear, 1, 2, 100},
      {u"", kMonthDayYear, 0, 0, 2000},
  };
  for (const auto& r : rows) {
    int month = -1, day = -1, year = -1;
    EXPECT_EQ(ParseDateParts(r.text, month, day, year, r.order), 1);
    EXPECT_EQ(month, r.month) << platform::ToUtf8(r.text);
    EXPECT_EQ(day, r.day) << platform::ToUtf8(r.text);
    EXPECT_EQ(year, r.year) << platform::ToUtf8(r.text);
  }
  EXPECT_EQ(GetDateOrder(), kMonthDayYear);
  Use(u"de-DE");
  EXPECT_EQ(GetDateOrder(), kDayMonthYear);
  SYSTEMTIME t;
  ParseDateText(u"10.03.2026", t);
  EXPECT_EQ(t.wYear, 2026);
  EXPECT_EQ(t.wMonth, 3);
  EXPECT_EQ(t.wDay, 10);
  EXPECT_EQ(t.wHour, 0);
}

TEST_F(TextHelpers, TimestampsAreAlwaysYearMonthDay) {
  SetClock(2026, 1, 5, 7, 8, 9);
  CBstr stamp;
  GetTimestampText(stamp);
  EXPECT_EQ(stamp.str(), u"2026-01-05T07:08:09");
  for (const char16_t* profile : {u"en-US", u"de-DE", u"en-GB"}) {
    Use(profile);
    SYSTEMTIME t;
    ParseTimestampText(u"2026-03-10T09:30:15", t);
    EXPECT_EQ(t.wYear, 2026);
    EXPECT_EQ(t.wMonth, 3);
    EXPECT_EQ(t.wDay, 10);
    EXPECT_EQ(t.wHour, 9);
    EXPECT_EQ(t.wMinute, 30);
    EXPECT_EQ(t.wSecond, 15);
    // On a day-month-year device these once read as an invalid date and compared equal.
    EXPECT_EQ(CompareDateTexts(u"2026-03-10T09:30:00", u"2026-03-28T00:00:00"), -1);
    EXPECT_EQ(CompareDateTexts(u"2026-12-31T23:59:59", u"2026-03-28T00:00:00"), 1);
    EXPECT_EQ(CompareDateTexts(u"2026-03-10T09:30:00", u"2026-03-10T09:30:00"), 0);
  }
  SYSTEMTIME partial;
  ParseTimestampText(u"2026-03-10", partial);
  EXPECT_EQ(partial.wDay, 10);
  EXPECT_EQ(partial.wHour, 0);
  EXPECT_EQ(CompareDateTexts(u"garbage", u"2026-03-10T00:00:00"), 0);
  EXPECT_EQ(CompareDateTexts(u"2026-13-10T00:00:00", u"2026-03-10T00:00:00"), 0);
}

TEST_F(TextHelpers, TimeAndMonthFirstTexts) {
  SetClock(2026, 3, 10, 14, 5, 59);
  CBstr out;
  GetCurrentTimeText(out);
  EXPECT_EQ(out.str(), u"02:05 PM");
  Use(u"de-DE");
  GetCurrentTimeText(out);
  EXPECT_EQ(out.str(), u"02:05");
  FormatDateMonthFirst(u"2026-03-10", out);
  EXPECT_EQ(out.str(), u"03-10-2026");
  FormatDateMonthFirst(u"not a date", out);
  EXPECT_EQ(out.str(), u"");
}

TEST_F(TextHelpers, DateRangesAcrossWeekMonthAndYearEnds) {
  struct Row {
    const char16_t* profile;
    int y, m, d;
    const char16_t* name;
    const char16_t* start;
    const char16_t* end;
  } rows[] = {
      {u"en-US", 2026, 3, 10, u"Today", u"3/10/2026", u"3/10/2026"},
      {u"en-US", 2026, 3, 1, u"Yesterday", u"2/28/2026", u"2/28/2026"},
      {u"en-US", 2026, 3, 10, u"Last Week", u"3/1/2026", u"3/7/2026"},
      {u"en-US", 2026, 1, 2, u"Last Week", u"12/21/2025", u"12/27/2025"},
      {u"en-US", 2026, 3, 8, u"Last Week", u"3/1/2026", u"3/7/2026"},  // on a Sunday
      {u"en-US", 2026, 3, 10, u"Last Month", u"2/1/2026", u"2/28/2026"},
      {u"en-US", 2024, 3, 31, u"Last Month", u"2/1/2024", u"2/29/2024"},
      {u"en-US", 2026, 1, 15, u"Last Month", u"12/1/2025", u"12/31/2025"},
      {u"de-DE", 2026, 1, 1, u"Yesterday", u"31.12.2025", u"31.12.2025"},
      {u"de-DE", 2026, 3, 10, u"Last Month", u"01.02.2026", u"28.02.2026"},
      {u"de-DE", 2026, 1, 2, u"Last Week", u"21.12.2025", u"27.12.2025"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    SetClock(r.y, r.m, r.d);
    CBstr start, end;
    GetDateRange(r.name, start, end);
    EXPECT_EQ(start.str(), r.start) << platform::ToUtf8(r.name) << " " << r.y << "-" << r.m << "-" << r.d;
    EXPECT_EQ(end.str(), r.end) << platform::ToUtf8(r.name);
  }
  CBstr start(u"a"), end(u"b");
  GetDateRange(u"today", start, end);  // names compare exactly
  EXPECT_EQ(start.str(), u"a");
  GetDateRange(u"All", start, end);
  EXPECT_TRUE(start.IsNull());
  EXPECT_TRUE(end.IsNull());
}

// ---- Text ------------------------------------------------------------------------------------

TEST_F(TextHelpers, QuotesColonsAndLineBreaks) {
  CBstr quoted(u"Z\u00FCrich \"Nord\" \u20AC");
  ReplaceQuoteWithSpace(quoted);
  EXPECT_EQ(quoted.str(), u"Z\u00FCrich  Nord\" \u20AC");  // nothing lost to a code page

  struct Path {
    const char16_t* in;
    const char16_t* out;
  } paths[] = {{u"", u""}, {u"\\Docs", u"\\Docs\\"}, {u"\\Docs\\", u"\\Docs\\"}};
  for (const auto& p : paths) {
    CBstr path(p.in);
    AppendBackslash(path);
    EXPECT_EQ(path.str(), p.out);
  }

  CBstr out;
  GetTextAfterColon(u"Cust:Job:Phase", out);
  EXPECT_EQ(out.str(), u"Job:Phase");
  GetTextAfterColon(u":Job", out);
  EXPECT_EQ(out.str(), u"");
  GetTextAfterColon(u"NoColon", out);
  EXPECT_EQ(out.str(), u"");
  GetTextBeforeLastColon(u"A:B:C", out);
  EXPECT_EQ(out.str(), u"A:B");
  GetTextBeforeLastColon(u"ABC", out);
  EXPECT_EQ(out.str(), u"");

  CBstr lines(u"  first\r\nsecond\r\n ");
  EXPECT_EQ(ReplaceLineBreaks(lines), 1);
  EXPECT_EQ(lines.str(), u"first second");
  CBstr plain(u"one line");
  EXPECT_EQ(ReplaceLineBreaks(plain), 0);

  TruncateWithEllipsis(std::u16string(32, u'a'), out);
  EXPECT_EQ(out.str(), std::u16string(32, u'a'));
  TruncateWithEllipsis(std::u16string(33, u'b'), out);
  EXPECT_EQ(out.str(), std::u16string(28, u'b') + u"...");
}

TEST_F(TextHelpers, PersonNamesAndAddressesSplit) {
  struct Name {
    const char16_t* text;
    const char16_t* separator;
    const char16_t* first;
    const char16_t* last;
    int result;
  } names[] = {
      {u"Smith, John", nullptr, u"John", u"Smith", 1},  {u"John Smith", nullptr, u"John", u"Smith", 1},
      {u"Smith/John", nullptr, u"John", u"Smith", 1},   {u"  Mary Ann Smith ", nullptr, u"Mary", u"Ann Smith", 1},
      {u"Madonna", nullptr, u"Madonna", u"", 0},        {u"Doe;Jane", u";", u"Jane", u"Doe", 1},
      {u"", nullptr, u"", u"", 0},
  };
  for (const auto& n : names) {
    CBstr first, last;
    EXPECT_EQ(SplitPersonName(n.text, first, last, n.separator), n.result) << platform::ToUtf8(n.text);
    EXPECT_EQ(first.str(), n.first) << platform::ToUtf8(n.text);
    EXPECT_EQ(last.str(), n.last) << platform::ToUtf8(n.text);
  }
  struct Address {
    const char16_t* text;
    const char16_t* city;
    const char16_t* state;
    const char16_t* zip;
  } addresses[] = {
      {u"Springfield, IL 62704", u"Springfield", u"IL", u"62704"},
      {u" Portland, OR, 97201 ", u"Portland", u"OR", u"97201"},
      {u"Berlin", u"Berlin", u"", u""},
      {u"Salt Lake City,UT  84101-1234", u"Salt Lake City", u"UT", u"84101-1234"},
  };
  for (const auto& a : addresses) {
    CBstr city, state, zip;
    EXPECT_EQ(SplitCityStateZip(a.text, city, state, zip), 0);
    EXPECT_EQ(city.str(), a.city);
    EXPECT_EQ(state.str(), a.state);
    EXPECT_EQ(zip.str(), a.zip);
  }
  // Any parts written as a city line split back into the same parts, a missing one too.
  const char16_t* parts[][3] = {{u"Springfield", u"IL", u"62704"}, {u"Berlin", u"", u"10115"},
                                {u"", u"ON", u"K1A 0B1"},          {u"", u"", u"12345"},
                                {u"", u"TX", u""},                 {u"Area 51", u"", u""},
                                {u"Leeds", u"", u""},              {u"", u"", u""}};
  for (const auto& p : parts) {
    const std::u16string line = FormatCityStateZip(p[0], p[1], p[2]);
    CBstr city, state, zip;
    SplitCityStateZip(line, city, state, zip);
    EXPECT_EQ(city.str(), p[0]) << platform::ToUtf8(line);
    EXPECT_EQ(state.str(), p[1]) << platform::ToUtf8(line);
    EXPECT_EQ(zip.str(), p[2]) << platform::ToUtf8(line);
  }
  EXPECT_EQ(FormatCityStateZip(u"Springfield", u"IL", u"62704"), u"Springfield, IL 62704");
}

TEST_F(TextHelpers, SplitTextAtWidthCutsAfterBlanksAndAlwaysMovesOn) {
  const TextMeasure tenEach = FixedPitchMeasure(10);
  struct Row {
    const char16_t* text;
    float width;
    const char16_t* line;
    const char16_t* rest;
    int result;
  } rows[] = {
      {u"hello world foo", 60, u"hello ", u"world foo", 1},
      {u"abcdefghij", 35, u"abc", u"defghij", 1},
      {u"abc", 100, u"abc", u"", 0},
      {u"abc", 30, u"ab", u"c", 1},  // exactly the width counts as too wide
      {u"abc", 5, u"a", u"bc", 1},   // one character wider than the column
      {u"abc", 0, u"a", u"bc", 1},
      {u"", 10, u"", u"", 0},
  };
  for (const auto& r : rows) {
    CBstr text(r.text), line;
    EXPECT_EQ(SplitTextAtWidth(tenEach, text, line, r.width), r.result) << platform::ToUtf8(r.text);
    EXPECT_EQ(line.str(), r.line) << platform::ToUtf8(r.text);
    EXPECT_EQ(text.str(), r.rest) << platform::ToUtf8(r.text);
  }
  // A caller's loop over a column narrower than any character ends.
  CBstr text(u"wide text"), line;
  int lines = 0;
  while (SplitTextAtWidth(tenEach, text, line, 3) && lines < 100) ++lines;
  EXPECT_EQ(lines, 9);  // one character a line
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(TextHelpers, CardTracksAreReadOrRefused) {
  CBstr track(u"%B4111111111111111^DOE/JOHN   ^2512101000?"), holder, number, month, year;
  EXPECT_EQ(ParseCardTrack(track, holder, number, month, year), 1);
  EXPECT_EQ(number.str(), u"4111111111111111");
  EXPECT_EQ(holder.str(), u"DOE/JOHN");
  EXPECT_EQ(year.str(), u"25");
  EXPECT_EQ(month.str(), u"12");

  const char16_t* refused[] = {u"%4111^DOE^2512", u"%B4111", u"%B4111^DOE", u"%B4111^DOE^25", u""};
  for (const char16_t* bad : refused) {
    CBstr t(bad), h, n, m(u"mm"), y(u"yy");
    EXPECT_EQ(ParseCardTrack(t, h, n, m, y), 0) << platform::ToUtf8(bad);
    EXPECT_EQ(m.str(), u"mm");  // nothing read past a short track's end
    EXPECT_EQ(y.str(), u"yy");
  }
}

TEST_F(TextHelpers, HeaderFieldCodesAndDocumentKinds) {
  struct Field {
    const char16_t* id;
    int code;
  } fields[] = {{u"BILLTO", 2},  {u"billto", 2}, {u"L", 5},       {u"T", 14},     {u"S", 12},
                {u"NOTES", 23},  {u"CLASS", 31}, {u"PAYAMOUNT", 30}, {u"ITEM", 0}, {u"", 0},
                {u"OTHER1", 24}, {u"other2", 25}, {u"OTHER3", 26}};
  for (const auto& f : fields) {
    WCHAR c = u'?';
    CBstr name;
    EXPECT_EQ(static_cast<int>(GetHeaderFieldCode(CBstr(f.id), c, name)), f.code) << platform::ToUtf8(f.id);
  }
  WCHAR c = 0;
  CBstr name;
  EXPECT_EQ(GetHeaderFieldCode(CBstr(u"Other,5"), c, name), HeaderField::Line);
  EXPECT_EQ(c, u'5');
  EXPECT_EQ(name.str(), u"Other");
  GetHeaderFieldCode(CBstr(u"shipVia"), c, name);
  EXPECT_EQ(name.str(), u"SHIPVIA");

  struct Kind {
    const char16_t* word;
    int kind;
  } kinds[] = {{u"Invoice", 0},      {u"ESTIMATE", 1},  {u"SalesReceipt", 2}, {u"sales receipt", 2},
               {u"Payment", 3},      {u"Sales Order", 4}, {u"SALESORDER", 4}, {u"credit memo", 5},
               {u"Memorized", 6},    {u"Quote", 7},     {u"", 7}};
  for (const auto& k : kinds) EXPECT_EQ(GetDocumentTypeFromText(CBstr(k.word)), k.kind) << platform::ToUtf8(k.word);

  CBstr tax;
  CopyTaxCodeText(CBstr(u"TAX"), tax);
  EXPECT_EQ(tax.str(), u"TAX");
}

TEST_F(TextHelpers, CustomDocumentTypeNamesComeFromTheTitleCaptions) {
  CCustomSettings settings;
  settings.SetCaption(2, 0, u"Cash Sale");
  settings.SetCaption(0, 0, u"Bill");
  CBstr out;
  EXPECT_EQ(GetCustomDocumentTypeName(2, out, &settings).str(), u"Cash Sale");
  EXPECT_EQ(out.str(), u"Cash Sale");
  GetCustomDocumentTypeName(9, out, &settings);  // any other kind: the invoice's
  EXPECT_EQ(out.str(), u"Bill");
  GetCustomDocumentTypeName(6, out, &settings);
  EXPECT_EQ(out.str(), u"Bill");

  CBstr t[6];
  LoadDocumentTypeMenuTexts(settings, t[0], t[1], t[2], t[3], t[4], t[5]);
  EXPECT_EQ(t[0].str(), u"Bill...");
  EXPECT_EQ(t[2].str(), u"Cash Sale...");
  for (int kind = 0; kind < 6; ++kind) EXPECT_EQ(t[kind].str(), settings.GetCaption(kind, 0) + u"...");
}

}  // namespace

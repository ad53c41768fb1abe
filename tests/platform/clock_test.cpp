// Time: conversions between SYSTEMTIME and FILETIME, and the test clock.
//
//   TimeConversion.*  round trips across month and leap-year ends, rejected fields, weekday
//   TestClockTime.*   Set/Advance, tick count, local offset, comparisons
#include <gtest/gtest.h>

#include "platform/testing/DeviceFixture.h"

namespace {

using platform::testing::DeviceTest;

SYSTEMTIME Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  st.wMilliseconds = static_cast<WORD>(ms);
  return st;
}

ULONGLONG Ticks(const SYSTEMTIME& st) {
  FILETIME ft;
  EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
  return platform::FileTimeToUInt64(ft);
}

constexpr ULONGLONG kDay = 864000000000ULL;

TEST(TimeConversion, KnownMomentsAndTheDayAfterMonthEnds) {
  EXPECT_EQ(Ticks(Make(1601, 1, 1)), 0u);
  EXPECT_EQ(Ticks(Make(1970, 1, 1)), 116444736000000000ULL);
  // The next day is one day later across each kind of month end.
  struct Case {
    SYSTEMTIME last, next;
  } cases[] = {
      {Make(2024, 2, 28), Make(2024, 2, 29)},  // leap year
      {Make(2024, 2, 29), Make(2024, 3, 1)},
      {Make(2023, 2, 28), Make(2023, 3, 1)},   // common year
      {Make(2000, 2, 29), Make(2000, 3, 1)},   // divisible by 400
      {Make(1900, 2, 28), Make(1900, 3, 1)},   // divisible by 100 only
      {Make(2026, 4, 30), Make(2026, 5, 1)},
      {Make(2026, 12, 31), Make(2027, 1, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.last.wYear << "-" << c.last.wMonth << "-" << c.last.wDay);
    EXPECT_EQ(Ticks(c.next) - Ticks(c.last), kDay);
  }
}

TEST(TimeConversion, RoundTripKeepsEveryFieldAndComputesTheWeekday) {
  struct Case {
    SYSTEMTIME time;
    WORD weekday;  // 0 = Sunday
  } cases[] = {
      {Make(1601, 1, 1), 1},
      {Make(1970, 1, 1), 4},
      {Make(2000, 2, 29, 23, 59, 59, 999), 2},
      {Make(2026, 3, 10, 9, 30), 2},
      {Make(2026, 12, 31, 12, 0, 0, 1), 4},
      {Make(30827, 12, 31, 23, 59, 59, 999), 5},
  };
  for (const Case& c : cases) {
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&c.time, &ft));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(back.wYear, c.time.wYear);
    EXPECT_EQ(back.wMonth, c.time.wMonth);
    EXPECT_EQ(back.wDay, c.time.wDay);
    EXPECT_EQ(back.wHour, c.time.wHour);
    EXPECT_EQ(back.wMinute, c.time.wMinute);
    EXPECT_EQ(back.wSecond, c.time.wSecond);
    EXPECT_EQ(back.wMilliseconds, c.time.wMilliseconds);
    EXPECT_EQ(back.wDayOfWeek, c.weekday) << c.time.wYear << "-" << c.time.wMonth << "-" << c.time.wDay;
  }
}

TEST(TimeConversion, InvalidFieldsAreRejectedAndTheWeekdayIgnored) {
  const SYSTEMTIME invalid[] = {
      Make(2026, 0, 1),  Make(2026, 13, 1),   Make(2026, 1, 0),        Make(2026, 4, 31),
      Make(2023, 2, 29), Make(1900, 2, 29),   Make(1600, 12, 31),      Make(30828, 1, 1),
      Make(2026, 1, 1, 24), Make(2026, 1, 1, 0, 60), Make(2026, 1, 1, 0, 0, 60), Make(2026, 1, 1, 0, 0, 0, 1000),
  };
  for (const SYSTEMTIME& st : invalid) {
    FILETIME ft = platform::UInt64ToFileTime(42);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(platform::FileTimeToUInt64(ft), 42u);
  }
  SYSTEMTIME wrongWeekday = Make(2026, 3, 10);
  wrongWeekday.wDayOfWeek = 6;
  EXPECT_EQ(Ticks(wrongWeekday), Ticks(Make(2026, 3, 10)));
  FILETIME notATime = platform::UInt64ToFileTime(0x8000000000000000ULL);
  SYSTEMTIME out;
  EXPECT_FALSE(FileTimeToSystemTime(&notATime, &out));
}

TEST(TimeConversion, CompareFileTimeOrdersByBothHalves) {
  const FILETIME low = platform::UInt64ToFileTime(0x00000001FFFFFFFFULL);
  const FILETIME high = platform::UInt64ToFileTime(0x0000000200000000ULL);
  EXPECT_EQ(CompareFileTime(&low, &high), -1);
  EXPECT_EQ(CompareFileTime(&high, &low), 1);
  EXPECT_EQ(CompareFileTime(&low, &low), 0);
}

class TestClockTime : public DeviceTest {};

TEST_F(TestClockTime, TimeStandsStillUntilAdvanced) {
  platform::TestClock::Set(Make(2024, 2, 28, 23, 59, 59, 500), 60);
  ASSERT_TRUE(platform::TestClock::IsActive());
  const DWORD ticks = GetTickCount();
  SYSTEMTIME local, utc;
  GetLocalTime(&local);
  GetSystemTime(&utc);
  EXPECT_EQ(local.wHour, 23);
  EXPECT_EQ(utc.wHour, 22);
  EXPECT_EQ(GetTickCount(), ticks);
  platform::TestClock::Advance(1000);
  EXPECT_EQ(GetTickCount(), ticks + 1000);
  GetLocalTime(&local);
  EXPECT_EQ(local.wMonth, 2);
  EXPECT_EQ(local.wDay, 29);
  EXPECT_EQ(local.wHour, 0);
  EXPECT_EQ(local.wSecond, 0);
  EXPECT_EQ(local.wMilliseconds, 500);
  EXPECT_EQ(local.wDayOfWeek, 4);
  EXPECT_EQ(platform::FileTimeToUInt64(platform::CurrentFileTime()), Ticks(Make(2024, 2, 28, 23, 0, 0, 500)));
}

TEST_F(TestClockTime, LocalFileTimeUsesTheClockOffsetBothWays) {
  platform::TestClock::Set(Make(2026, 3, 10, 9, 30), -300);
  const FILETIME utc = platform::UInt64ToFileTime(Ticks(Make(2026, 3, 10, 2, 0)));
  FILETIME local, back;
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  EXPECT_EQ(platform::FileTimeToUInt64(local), Ticks(Make(2026, 3, 9, 21, 0)));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
  EXPECT_EQ(CompareFileTime(&back, &utc), 0);
}

TEST_F(TestClockTime, ClearReturnsToTheSystemClock) {
  platform::TestClock::Set(Make(1999, 1, 1));
  platform::TestClock::Clear();
  EXPECT_FALSE(platform::TestClock::IsActive());
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_GE(now.wYear, 2024);
}

TEST_F(TestClockTime, RandomRepeatsItsSequenceForEachTestClock) {
  platform::TestClock::Set(Make(2026, 1, 1));
  const DWORD first[3] = {Random(), Random(), Random()};
  EXPECT_FALSE(first[0] == first[1] && first[1] == first[2]);
  platform::TestClock::Set(Make(2026, 1, 1));
  EXPECT_EQ(Random(), first[0]);
  EXPECT_EQ(Random(), first[1]);
}

}  // namespace

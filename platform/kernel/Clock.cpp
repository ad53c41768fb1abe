// The wall clock, the tick count and the FILETIME/SYSTEMTIME conversions, with the test
// clock that replaces the system's time while a test runs.
#include "platform/kernel/Clock.h"

#include <unistd.h>

#include <cassert>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/base/Base.h"

namespace {

constexpr ULONGLONG kTicksPerMillisecond = 10000;
constexpr ULONGLONG kTicksPerSecond = 10000000;
constexpr LONGLONG kSecondsPerDay = 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr LONGLONG kDaysTo1970 = 134774;
// FILETIME values with the top bit set are not times.
constexpr ULONGLONG kMaxFileTime = 0x7FFFFFFFFFFFFFFFULL;

struct TestClockState {
  bool active = false;
  ULONGLONG utc = 0;  // FILETIME units
  LONGLONG offsetMinutes = 0;
  DWORD ticks = 0;
};

std::mutex g_clockMutex;
TestClockState g_testClock;

std::mutex g_randomMutex;
ULONGLONG g_randomState = 0;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
LONGLONG DaysFromCivil(LONGLONG y, unsigned m, unsigned d) {
  y -= m <= 2;
  const LONGLONG era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<LONGLONG>(doe) - 719468;
}

void CivilFromDays(LONGLONG z, LONGLONG* year, unsigned* month, unsigned* day) {
  z += 719468;
  const LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<LONGLONG>(yoe) + era * 400 + (*month <= 2);
}

bool ValidSystemTime(const SYSTEMTIME& st) {
  if (st.wYear < 1601 || st.wYear > 30827) return false;
  if (st.wMonth < 1 || st.wMonth > 12) return false;
  if (st.wDay < 1 || st.wDay > DaysInMonth(st.wYear, st.wMonth)) return false;
  return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

ULONGLONG ToTicks(const SYSTEMTIME& st) {
  const LONGLONG days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysTo1970;
  const LONGLONG seconds = days * kSecondsPerDay + st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  return static_cast<ULONGLONG>(seconds) * kTicksPerSecond + st.wMilliseconds * kTicksPerMillisecond;
}

SYSTEMTIME FromTicks(ULONGLONG ticks) {
  const auto days = static_cast<LONGLONG>(ticks / (kTicksPerSecond * kSecondsPerDay));
  const ULONGLONG inDay = ticks % (kTicksPerSecond * kSecondsPerDay);
  LONGLONG year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days - kDaysTo1970, &year, &month, &day);
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  const ULONGLONG seconds = inDay / kTicksPerSecond;
  st.wHour = static_cast<WORD>(seconds / 3600);
  st.wMinute = static_cast<WORD>(seconds / 60 % 60);
  st.wSecond = static_cast<WORD>(seconds % 60);
  st.wMilliseconds = static_cast<WORD>(inDay % kTicksPerSecond / kTicksPerMillisecond);
  return st;
}

ULONGLONG TicksFromTimespec(const timespec& ts) {
  const LONGLONG seconds = static_cast<LONGLONG>(ts.tv_sec) + kDaysTo1970 * kSecondsPerDay;
  return static_cast<ULONGLONG>(seconds) * kTicksPerSecond + static_cast<ULONGLONG>(ts.tv_nsec) / 100;
}

SYSTEMTIME FromTm(const tm& t, long nanoseconds) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(t.tm_year + 1900);
  st.wMonth = static_cast<WORD>(t.tm_mon + 1);
  st.wDay = static_cast<WORD>(t.tm_mday);
  st.wDayOfWeek = static_cast<WORD>(t.tm_wday);
  st.wHour = static_cast<WORD>(t.tm_hour);
  st.wMinute = static_cast<WORD>(t.tm_min);
  st.wSecond = static_cast<WORD>(t.tm_sec > 59 ? 59 : t.tm_sec);  // a leap second
  st.wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
  return st;
}

// The local offset from UTC, in seconds, at the UTC moment `ticks`.
bool LocalOffsetAt(ULONGLONG ticks, LONGLONG* offsetSeconds) {
  const auto seconds = static_cast<LONGLONG>(ticks / kTicksPerSecond) - kDaysTo1970 * kSecondsPerDay;
  const auto when = static_cast<time_t>(seconds);
  tm local {};
  if (!localtime_r(&when, &local)) return false;
  *offsetSeconds = local.tm_gmtoff;
  return true;
}

bool ShiftTicks(ULONGLONG ticks, LONGLONG deltaSeconds, ULONGLONG* out) {
  const LONGLONG delta = deltaSeconds * static_cast<LONGLONG>(kTicksPerSecond);
  if (delta < 0 && ticks < static_cast<ULONGLONG>(-delta)) return false;
  const ULONGLONG shifted = ticks + static_cast<ULONGLONG>(delta);
  if (shifted > kMaxFileTime) return false;
  *out = shifted;
  return true;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

namespace {
// The time now, local or UTC, from the test clock when one is set.
void ReadClock(LPSYSTEMTIME time, bool local) {
  if (!time) return;
  {
    std::lock_guard lock(g_clockMutex);
    if (g_testClock.active) {
      const LONGLONG offset = local ? g_testClock.offsetMinutes * 60 * static_cast<LONGLONG>(kTicksPerSecond) : 0;
      *time = FromTicks(g_testClock.utc + static_cast<ULONGLONG>(offset));
      return;
    }
  }
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  tm broken {};
  if (local)
    localtime_r(&now.tv_sec, &broken);
  else
    gmtime_r(&now.tv_sec, &broken);
  *time = FromTm(broken, now.tv_nsec);
}
}  // namespace

void GetLocalTime(LPSYSTEMTIME time) { ReadClock(time, true); }

void GetSystemTime(LPSYSTEMTIME time) { ReadClock(time, false); }

DWORD GetTickCount() {
  {
    std::lock_guard lock(g_clockMutex);
    if (g_testClock.active) return g_testClock.ticks;
  }
  timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  // Wraps after 49.7 days, as the handheld's count does.
  return static_cast<DWORD>(static_cast<ULONGLONG>(now.tv_sec) * 1000 + static_cast<ULONGLONG>(now.tv_nsec) / 1000000);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
  if (!systemTime || !fileTime || !ValidSystemTime(*systemTime)) return Fail(ERROR_INVALID_PARAMETER);
  *fileTime = platform::UInt64ToFileTime(ToTicks(*systemTime));
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  if (!fileTime || !systemTime) return Fail(ERROR_INVALID_PARAMETER);
  const ULONGLONG ticks = platform::FileTimeToUInt64(*fileTime);
  if (ticks > kMaxFileTime) return Fail(ERROR_INVALID_PARAMETER);
  *systemTime = FromTicks(ticks);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local) {
  if (!utc || !local) return Fail(ERROR_INVALID_PARAMETER);
  const ULONGLONG ticks = platform::FileTimeToUInt64(*utc);
  LONGLONG offsetSeconds = 0;
  {
    std::lock_guard lock(g_clockMutex);
    if (g_testClock.active) offsetSeconds = g_testClock.offsetMinutes * 60;
    else if (!LocalOffsetAt(ticks, &offsetSeconds)) return Fail(ERROR_INVALID_PARAMETER);
  }
  ULONGLONG shifted = 0;
  if (!ShiftTicks(ticks, offsetSeconds, &shifted)) return Fail(ERROR_INVALID_PARAMETER);
  *local = platform::UInt64ToFileTime(shifted);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc) {
  if (!local || !utc) return Fail(ERROR_INVALID_PARAMETER);
  const ULONGLONG ticks = platform::FileTimeToUInt64(*local);
  LONGLONG offsetSeconds = 0;
  {
    std::lock_guard lock(g_clockMutex);
    if (g_testClock.active) {
      offsetSeconds = g_testClock.offsetMinutes * 60;
    } else {
      // The offset depends on the UTC moment we are looking for: guess with the local
      // time read as UTC, then correct once with the offset at the guess.
      ULONGLONG guess = 0;
      if (!LocalOffsetAt(ticks, &offsetSeconds) || !ShiftTicks(ticks, -offsetSeconds, &guess) ||
          !LocalOffsetAt(guess, &offsetSeconds))
        return Fail(ERROR_INVALID_PARAMETER);
    }
  }
  ULONGLONG shifted = 0;
  if (!ShiftTicks(ticks, -offsetSeconds, &shifted)) return Fail(ERROR_INVALID_PARAMETER);
  *utc = platform::UInt64ToFileTime(shifted);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  if (!a || !b) return 0;
  const ULONGLONG x = platform::FileTimeToUInt64(*a);
  const ULONGLONG y = platform::FileTimeToUInt64(*b);
  return x < y ? -1 : x > y ? 1 : 0;
}

DWORD Random() {
  std::lock_guard lock(g_randomMutex);
  if (g_randomState == 0) {
    // Seeded once per run from the moment and the process, unless a test clock has
    // fixed the sequence already.
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    g_randomState = (static_cast<ULONGLONG>(now.tv_sec) * 1000000007ULL) ^ static_cast<ULONGLONG>(now.tv_nsec) ^
                    (static_cast<ULONGLONG>(::getpid()) << 32);
    if (g_randomState == 0) g_randomState = 1;
  }
  // xorshift64*: fast, never sticks at zero, good enough for sequence seeds.
  g_randomState ^= g_randomState >> 12;
  g_randomState ^= g_randomState << 25;
  g_randomState ^= g_randomState >> 27;
  return static_cast<DWORD>((g_randomState * 0x2545F4914F6CDD1DULL) >> 32);
}

void Sleep(DWORD milliseconds) {
  if (platform::TestClock::IsActive()) {
    platform::TestClock::Advance(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace platform {

void TestClock::Set(const SYSTEMTIME& local, int utcOffsetMinutes) {
  assert(ValidSystemTime(local));
  if (!ValidSystemTime(local)) return;
  const ULONGLONG localTicks = ToTicks(local);
  const LONGLONG offsetTicks = static_cast<LONGLONG>(utcOffsetMinutes) * 60 * static_cast<LONGLONG>(kTicksPerSecond);
  {
    std::lock_guard lock(g_clockMutex);
    // A clock that is already running keeps its tick count, so elapsed times measured
    // across a change of date stay sane.
    if (!g_testClock.active) g_testClock.ticks = 0;
    g_testClock.active = true;
    g_testClock.utc = static_cast<ULONGLONG>(static_cast<LONGLONG>(localTicks) - offsetTicks);
    g_testClock.offsetMinutes = utcOffsetMinutes;
  }
  // Each test starts the same pseudo-random sequence.
  std::lock_guard lock(g_randomMutex);
  g_randomState = 0x9E3779B97F4A7C15ULL;
}

void TestClock::Advance(DWORD milliseconds) {
  std::lock_guard lock(g_clockMutex);
  if (!g_testClock.active) return;
  g_testClock.utc += static_cast<ULONGLONG>(milliseconds) * kTicksPerMillisecond;
  g_testClock.ticks += milliseconds;  // wraps like the real count
}

void TestClock::Clear() {
  std::lock_guard lock(g_clockMutex);
  g_testClock = TestClockState{};
}

bool TestClock::IsActive() {
  std::lock_guard lock(g_clockMutex);
  return g_testClock.active;
}

ULONGLONG FileTimeToUInt64(const FILETIME& ft) {
  return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME UInt64ToFileTime(ULONGLONG value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

FILETIME CurrentFileTime() {
  {
    std::lock_guard lock(g_clockMutex);
    if (g_testClock.active) return UInt64ToFileTime(g_testClock.utc);
  }
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return UInt64ToFileTime(TicksFromTimespec(now));
}

}  // namespace platform

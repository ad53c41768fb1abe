// Time: local and UTC wall clock, the tick count, and conversions between the forms.
#pragma once

#include "platform/base/Win32Types.h"

void GetLocalTime(LPSYSTEMTIME time);
void GetSystemTime(LPSYSTEMTIME time);
DWORD GetTickCount();
// Waits `milliseconds`. With the test clock running, the clock moves on instead and the
// call returns at once.
void Sleep(DWORD milliseconds);
// Fails (ERROR_INVALID_PARAMETER) for fields out of range: month 0, day 31 of April...
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
// The handheld's pseudo-random number.
DWORD Random();

namespace platform {

// The test clock: once set, every time call answers from it instead of the system.
// Time stands still until a test advances it.
class TestClock {
 public:
  // Local wall time and the local offset from UTC in minutes (local = UTC + offset).
  static void Set(const SYSTEMTIME& local, int utcOffsetMinutes = 0);
  static void Advance(DWORD milliseconds);
  static void Clear();
  static bool IsActive();
};

ULONGLONG FileTimeToUInt64(const FILETIME& ft);
FILETIME UInt64ToFileTime(ULONGLONG value);
// Current UTC as a FILETIME (the test clock when active).
FILETIME CurrentFileTime();

}  // namespace platform

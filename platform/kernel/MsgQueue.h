// Point-to-point message queues, waiting on kernel objects, and the power manager's
// notifications delivered through queues.
//
// A queue is named (or not); each CreateMsgQueue gives a handle for reading or writing on
// the queue of that name, which lives while any handle on it is open. A read handle is
// signalled while a message waits.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD ERROR_TIMEOUT = 1460;
constexpr DWORD ERROR_PIPE_NOT_CONNECTED = 233;

constexpr DWORD MSGQUEUE_NOPRECOMMIT = 0x00000001;
constexpr DWORD MSGQUEUE_ALLOW_BROKEN = 0x00000002;
constexpr DWORD MSGQUEUE_MSGALERT = 0x00000001;

struct MSGQUEUEOPTIONS {
  DWORD dwSize = sizeof(MSGQUEUEOPTIONS);
  DWORD dwFlags = 0;
  DWORD dwMaxMessages = 0;  // 0: no limit
  DWORD cbMaxMessage = 0;
  BOOL bReadAccess = FALSE;
};
using LPMSGQUEUEOPTIONS = MSGQUEUEOPTIONS*;

// Null with ERROR_INVALID_PARAMETER for a missing structure, a wrong size or a zero
// message size.
HANDLE CreateMsgQueue(LPCWSTR name, LPMSGQUEUEOPTIONS options);
// Takes the oldest message into `buffer`. Waits up to `timeout` ms (INFINITE: no limit)
// for one: ERROR_TIMEOUT when none came. A message longer than the buffer stays queued
// (ERROR_INSUFFICIENT_BUFFER). Without a writer left and no MSGQUEUE_ALLOW_BROKEN:
// ERROR_PIPE_NOT_CONNECTED.
BOOL ReadMsgQueue(HANDLE queue, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead, DWORD timeout, DWORD* flags);
// Adds a message (at most the queue's message size); with the queue full, waits up to
// `timeout` ms for room (ERROR_TIMEOUT).
BOOL WriteMsgQueue(HANDLE queue, LPCVOID buffer, DWORD size, DWORD timeout, DWORD flags);
BOOL CloseMsgQueue(HANDLE queue);

// WAIT_OBJECT_0 when the object is signalled within `milliseconds`, WAIT_TIMEOUT when
// not, WAIT_FAILED (ERROR_INVALID_HANDLE) for a handle that cannot be waited on.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

// ---- Power notifications ---------------------------------------------------------------------
constexpr DWORD PBT_TRANSITION = 0x00000001;
constexpr DWORD PBT_RESUME = 0x00000002;
constexpr DWORD PBT_POWERSTATUSCHANGE = 0x00000004;
constexpr DWORD POWER_NOTIFY_ALL = 0xFFFFFFFF;
constexpr DWORD POWER_STATE_ON = 0x00010000;
constexpr DWORD POWER_STATE_SUSPEND = 0x00200000;

// The record written to a notified queue: 12 bytes of header, then the name of the new
// system power state ("on", "suspend") with its terminator; Length counts the name's bytes.
struct POWER_BROADCAST {
  DWORD Message = 0;
  DWORD Flags = 0;
  DWORD Length = 0;
  WCHAR SystemPowerState[1] = {};
};

// Sends the notifications of the kinds in `flags` (PBT_*) to `queue` (a handle of a queue
// created for reading or writing). Returns a handle for StopPowerNotifications, or null.
HANDLE RequestPowerNotifications(HANDLE queue, DWORD flags);
BOOL StopPowerNotifications(HANDLE notification);

namespace platform {

enum class PowerTransition { On, Suspend };
// The device turns on or suspends: every queue that asked hears of it (tests and the
// display's keys give these).
void InjectPowerTransition(PowerTransition transition);

}  // namespace platform

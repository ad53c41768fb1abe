// Other processes of the same device: their windows, named events, and starting our own
// programs.
//
// A process that shares its windows listens on a Unix domain socket in a folder of the
// device root that only the user may read. Another process of the same root then finds
// its top-level windows with FindWindowW (by class, title or both), sends them WM_COPYDATA
// (the bytes are copied across; the receiver reads them while it handles the message),
// WM_CLOSE or WM_NULL with SendMessageW, and brings them to the front with
// SetForegroundWindow. A sent message waits in the receiver's queue until its window's
// thread reads messages, as a sent message of another thread does; the sender waits for
// the answer at most the reply limit, and a receiver that dies answers 0 at once.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/kernel/MsgQueue.h"
#include "platform/process/Process.h"

// ---- Events ------------------------------------------------------------------------------
// An event with a name is one object for every process of the device root that opens the
// name (CreateEventW of an existing name opens it, keeps its state and sets
// ERROR_ALREADY_EXISTS); it lives while any process holds a handle on it. Names are
// compared exactly. WaitForSingleObject waits on an event; CloseHandle closes it.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

namespace platform {

// A lock of the device root, by name, held by one holder at a time: taken in one step, so two
// processes that try at once never both get it, and let go by the system when its process
// ends, however it ends. A second holder in the same process is refused too.
class CDeviceLock {
 public:
  CDeviceLock() = default;
  ~CDeviceLock() { Release(); }
  CDeviceLock(const CDeviceLock&) = delete;
  CDeviceLock& operator=(const CDeviceLock&) = delete;

  // False at once when another holds it; else true, and held by this object from now on
  // (IsHeld). Where no lock can be made at all (a device root that cannot be written) the
  // answer is true without a hold: nothing is kept apart then, but nothing is refused.
  bool TryTake(std::u16string_view name);
  void Release();
  bool IsHeld() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

// The most bytes a WM_COPYDATA carries to another process; a larger one is refused.
constexpr DWORD kMaxCopyDataBytes = 64 * 1024;

// Lets the other processes of this device root reach this process's top-level windows,
// until StopSharingWindows (or the end of the process). True when it listens.
bool ShareWindowsWithOtherProcesses();
// Stops listening and waits for the messages being handled; safe to call when not sharing.
// Called on a thread that owns windows, it answers their sent messages meanwhile.
void StopSharingWindows();

// How long a sender waits for another process to answer a sent message (default ten
// minutes: a desktop command may run a long list update). 0 restores the default.
void SetCrossProcessReplyLimit(DWORD milliseconds);

// A launcher (see SetProcessLauncher) that really starts our own programs: the device path
// names a file of the device root, taken as it is or without its ".exe" ("\Program
// Files\Slateway\Slateway.exe" starts "Slateway" there). The program runs in its own
// session, with this device root and the command line (when not empty) as its one argument.
// ERROR_FILE_NOT_FOUND when there is no such executable file.
DWORD LaunchOwnProgram(const ProcessLaunch& launch);

}  // namespace platform

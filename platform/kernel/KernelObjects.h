// Internal to the platform: the process-wide table behind every kernel HANDLE, and the
// time conversion the file calls share with the clock.
#pragma once

#include <ctime>
#include <functional>
#include <memory>

#include "platform/base/Win32Types.h"

namespace platform::kernel {

// Anything a HANDLE can stand for. The table owns its objects; a call that works on
// one holds a shared reference, so CloseHandle on another thread never pulls an open
// descriptor out from under it.
class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// An object WaitForSingleObject waits on by asking it (events).
class WaitableObject : public KernelObject {
 public:
  // WAIT_OBJECT_0 when signalled within `milliseconds` (INFINITE: no limit), else
  // WAIT_TIMEOUT.
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

// Adds `object` to the table and returns its new handle (never null, never
// INVALID_HANDLE_VALUE).
HANDLE InsertObject(std::shared_ptr<KernelObject> object);
// The object behind `handle` when it has type T, else null.
std::shared_ptr<KernelObject> FindObject(HANDLE handle);
template <typename T>
std::shared_ptr<T> FindObjectOf(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindObject(handle));
}
// Removes `handle`; false when it was not in the table.
bool RemoveObject(HANDLE handle);
// Calls `visit` for each object while the table is locked (the visitor must not call
// back into the table).
void ForEachObject(const std::function<void(KernelObject&)>& visit);

// FILETIME of a POSIX time (100 ns units since 1601-01-01 UTC). Times before 1601 give 0.
FILETIME FileTimeFromTimespec(const timespec& ts);

}  // namespace platform::kernel

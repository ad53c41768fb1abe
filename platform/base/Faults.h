// Fault injection: tests make the nth call of an operation fail, to prove that writers
// leave the old state whole and that failures are reported, not swallowed.
#pragma once

namespace platform {

enum class Fault {
  Allocation,   // LocalAlloc / LocalReAlloc return null
  TextAllocation,  // SysAlloc* return null (CBstr throws E_OUTOFMEMORY)
  FileWrite,    // WriteFile and the atomic writer fail to write
  DiskFull,     // WriteFile and the atomic writer find no room left (ERROR_DISK_FULL)
  FileRename,   // the rename that completes an atomic write fails
  FileOpen,     // CreateFileW fails with ERROR_ACCESS_DENIED
  ComInitialize,  // CoInitializeEx fails with E_FAIL
  Crash,        // CrashPoint ends the process at once, as a kill would
  FolderExchange,  // exchanging two folders in one step is refused, as some file systems do
  DatabaseCommit,  // the outermost commit of the program's database fails, its work still open
  ReadOnlyRoot,  // the device root answers that nothing can be made in it (IsDeviceRootWritable,
                 // the meeting place of its processes), as a read-only mount does even for root
  Count
};

// The exit status of a process that ended at a crash point.
constexpr int kCrashExitCode = 86;

// After `skip` more successful calls of `fault`, the next `times` calls fail.
void InjectFault(Fault fault, int skip = 0, int times = 1);
void ClearFaults();
// Called by the platform at each fault point: true when this call must fail.
bool ShouldFail(Fault fault);
// A point where a kill may strike a writer: with Fault::Crash armed, the process ends here
// at once (no clean-up, no destructors), so a test in a child process can prove what such
// a kill leaves behind.
void CrashPoint();

}  // namespace platform

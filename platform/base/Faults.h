// Fault injection: tests make the nth call of an operation fail, to prove that writers
// leave the old state whole and that failures are reported, not swallowed.
#pragma once

namespace platform {

enum class Fault {
  Allocation,   // LocalAlloc / LocalReAlloc return null
  TextAllocation,  // SysAlloc* return null (CBstr throws E_OUTOFMEMORY)
  FileWrite,    // WriteFile and the atomic writer fail to write
  FileRename,   // the rename that completes an atomic write fails
  FileOpen,     // CreateFileW fails with ERROR_ACCESS_DENIED
  ComInitialize,  // CoInitializeEx fails with E_FAIL
  DatabaseCommit,  // the outermost commit of the program's database fails, its work still open
  Count
};

// After `skip` more successful calls of `fault`, the next `times` calls fail.
void InjectFault(Fault fault, int skip = 0, int times = 1);
void ClearFaults();
// Called by the platform at each fault point: true when this call must fail.
bool ShouldFail(Fault fault);

}  // namespace platform

// Starting other programs. Headless, a launch is recorded rather than run, so that tests
// can read which program was started with which command line; a display or a later
// launcher that really starts the project's own executables installs itself as the
// handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

struct STARTUPINFOW {
  DWORD cb = sizeof(STARTUPINFOW);
  DWORD dwFlags = 0;
  WORD wShowWindow = 0;
};
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts `applicationName` (a program name such as "peghelp.exe" or a device path) with
// `commandLine` as its arguments. A recorded launch fills `processInfo` with a process id
// and null handles (nothing to close). FALSE with the handler's error when it refuses
// the launch, or ERROR_INVALID_PARAMETER when no program is named.
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInfo);

// The component system of a thread: nothing runs in it on this platform, but the program
// starts and ends it and stops when the start fails. Calls nest: each start that did not
// fail (S_OK first, S_FALSE after) wants one CoUninitialize; an extra one is ignored.
HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
void CoUninitialize();

namespace platform {

// Starts of the component system not yet ended on this thread (tests check the balance).
int ComInitializeCount();

struct ProcessLaunch {
  std::u16string application;
  std::u16string commandLine;
};

// Decides a launch: returns ERROR_SUCCESS to let it count as started, or an error code
// to refuse it. Replaces the recording default; an empty function restores it.
using ProcessLauncher = std::function<DWORD(const ProcessLaunch&)>;
void SetProcessLauncher(ProcessLauncher launcher);

// Launches asked for since the last clear (also those a launcher refused), oldest first.
std::vector<ProcessLaunch> ProcessLaunches();
void ClearProcessLaunches();

}  // namespace platform

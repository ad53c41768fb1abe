#include "platform/process/Process.h"

#include <mutex>

#include "platform/base/Base.h"

namespace {

std::mutex g_lock;
platform::ProcessLauncher g_launcher;
std::vector<platform::ProcessLaunch> g_launches;
DWORD g_nextProcessId = 0x1000;

}  // namespace

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                    LPPROCESS_INFORMATION processInfo) {
  if (!applicationName || !*applicationName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  platform::ProcessLaunch launch{applicationName, commandLine ? commandLine : u""};
  platform::ProcessLauncher launcher;
  DWORD processId = 0;
  {
    std::lock_guard guard(g_lock);
    g_launches.push_back(launch);
    launcher = g_launcher;
    processId = g_nextProcessId++;
  }
  DWORD error = launcher ? launcher(launch) : ERROR_SUCCESS;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  if (processInfo) {
    processInfo->hProcess = nullptr;
    processInfo->hThread = nullptr;
    processInfo->dwProcessId = processId;
    processInfo->dwThreadId = processId + 1;
  }
  return TRUE;
}

namespace platform {

void SetProcessLauncher(ProcessLauncher launcher) {
  std::lock_guard guard(g_lock);
  g_launcher = std::move(launcher);
}

std::vector<ProcessLaunch> ProcessLaunches() {
  std::lock_guard guard(g_lock);
  return g_launches;
}

void ClearProcessLaunches() {
  std::lock_guard guard(g_lock);
  g_launches.clear();
}

}  // namespace platform

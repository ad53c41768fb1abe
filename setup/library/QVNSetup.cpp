// QVNSetup: the setup library an installer loads and calls around installing and removing
// the program. Only the four entry points leave the library.
#include <string_view>
#include <type_traits>

#include "platform/process/Process.h"
#include "setup/SetupExports.h"
#include "setup/SetupSteps.h"

namespace {

// The component system, started for the library's whole stay in the installer's process.
bool g_componentsStarted = false;
__attribute__((constructor)) void StartComponents() { g_componentsStarted = SUCCEEDED(CoInitializeEx(nullptr, 0)); }
__attribute__((destructor)) void EndComponents() {
  if (g_componentsStarted) CoUninitialize();
}

// Nothing may unwind into the installer: running out of memory is a failed call.
template <typename Step>
int Guarded(Step step) {
  try {
    return step();
  } catch (...) {
    return static_cast<int>(E_OUTOFMEMORY);
  }
}

std::u16string_view Folder(LPCWSTR folder) { return folder ? std::u16string_view(folder) : std::u16string_view(); }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int Install_Init(HWND owner, BOOL firstCall, BOOL, LPCWSTR) {
  return Guarded([&] { return InstallInit(owner, firstCall != FALSE); });
}

__attribute__((visibility("default"))) int Install_Exit(HWND owner, LPCWSTR installFolder, WORD failedFolders,
                                                        WORD failedFiles, WORD failedRegistryKeys,
                                                        WORD failedRegistryValues, WORD failedShortcuts) {
  InstallFailures failures{failedFolders, failedFiles, failedRegistryKeys, failedRegistryValues, failedShortcuts};
  return Guarded([&] { return InstallExit(owner, Folder(installFolder), failures); });
}

__attribute__((visibility("default"))) int Uninstall_Init(HWND owner, LPCWSTR) {
  return Guarded([&] { return UninstallInit(owner); });
}

__attribute__((visibility("default"))) int Uninstall_Exit(HWND owner) {
  return Guarded([&] { return UninstallExit(owner, g_componentsStarted); });
}

}  // extern "C"

// The installer takes the entry points by these types.
static_assert(std::is_same_v<decltype(&Install_Init), InstallInitFunction>);
static_assert(std::is_same_v<decltype(&Install_Exit), InstallExitFunction>);
static_assert(std::is_same_v<decltype(&Uninstall_Init), UninstallInitFunction>);
static_assert(std::is_same_v<decltype(&Uninstall_Exit), UninstallExitFunction>);

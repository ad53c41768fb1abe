// How an installer calls a setup library: the four functions it exports by name, their
// types and the results they give. The installer loads the library before copying the
// program's files, calls Install_Init, copies, calls Install_Exit with what failed; a
// removal calls Uninstall_Init before deleting the files and Uninstall_Exit after.
#pragma once

#include "platform/base/Win32Types.h"

inline constexpr char kInstallInitExport[] = "Install_Init";
inline constexpr char kInstallExitExport[] = "Install_Exit";
inline constexpr char kUninstallInitExport[] = "Uninstall_Init";
inline constexpr char kUninstallExitExport[] = "Uninstall_Exit";

// Install_Init: 0 lets the installation go on.
inline constexpr int kInstallInitContinue = 0;
// Install_Exit: 0 when done; 1 asks the installer to take the installation back.
inline constexpr int kInstallExitDone = 0;
inline constexpr int kInstallExitUninstall = 1;
// Uninstall_Init: 0 lets the removal go on; Uninstall_Exit: 0 when done.
inline constexpr int kUninstallInitContinue = 0;
inline constexpr int kUninstallExitDone = 0;

// A library that runs out of memory answers E_OUTOFMEMORY, which the installer counts as
// a failed call.
using InstallInitFunction = int (*)(HWND owner, BOOL firstCall, BOOL previouslyInstalled, LPCWSTR installFolder);
using InstallExitFunction = int (*)(HWND owner, LPCWSTR installFolder, WORD failedFolders, WORD failedFiles,
                                    WORD failedRegistryKeys, WORD failedRegistryValues, WORD failedShortcuts);
using UninstallInitFunction = int (*)(HWND owner, LPCWSTR installFolder);
using UninstallExitFunction = int (*)(HWND owner);

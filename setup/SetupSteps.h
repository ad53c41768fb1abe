// What the setup library does around installing and removing the program: carrying the
// settings and the items database of an earlier version over, leaving word for the
// program's next start, placing the sample database, and cleaning up on removal.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// What the installer could not do; any count above 0 fails the installation.
struct InstallFailures {
  WORD folders = 0;
  WORD files = 0;
  WORD registryKeys = 0;
  WORD registryValues = 0;
  WORD shortcuts = 0;
  bool Any() const { return folders || files || registryKeys || registryValues || shortcuts; }
};

// Before the installer copies anything. Always 0 (go on).
int InstallInit(HWND owner, bool firstCall);
// After the installer has copied the program into `installFolder`: 1 at once when
// anything failed, else 0.
int InstallExit(HWND owner, std::u16string_view installFolder, const InstallFailures& failures);
// Before the removal deletes the program's files. Always 0.
int UninstallInit(HWND owner);
// After the removal; the printing engine is unregistered only when the component system
// started. Always 0.
int UninstallExit(HWND owner, bool componentsStarted = true);

// The earlier version's QVNDatabase.db (in the items database folder) as Slateway.db in
// the database folder, replacing one there. True when copied.
bool CopyOldDatabase();
// A DatabasePath on a storage card becomes the card's name in DBLocation and the path
// below the card in DatabasePath.
void FixStorageCardPaths();
// The sample database becomes Slateway.db unless one is there; the sample goes anyway.
void PlaceSampleDatabase();
// Starts <installFolder>\Slateway.exe without arguments.
bool StartMainProgram(std::u16string_view installFolder);
// Unregisters the printing engine's library unless other programs still share it.
void UnregisterPrintEngine();

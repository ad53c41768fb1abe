// The help viewer every program on the device may start ("peghelp.exe" with the command
// line "file:Name.htm#anchor"): the help file in the HTML viewer, in a window of its own
// over the whole work area, opened at the anchor. Links within the file move to their
// anchors; the navigation bar's close button ends the viewer.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/process/Process.h"

namespace platform {

// Opens the viewer (or brings the open one to the front) on the file and anchor of
// `commandLine`. A name without a folder is looked for in \Windows and then in the running
// program's folder. ERROR_FILE_NOT_FOUND, with nothing opened, when there is no such file.
DWORD OpenHelpViewer(std::u16string_view commandLine);

// A process launcher (see SetProcessLauncher) that opens the viewer for "peghelp.exe" and
// leaves every other program as a recorded launch.
DWORD LaunchHelpViewer(const ProcessLaunch& launch);

}  // namespace platform

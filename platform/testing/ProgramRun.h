// Runs one of our programs in the test's device root, as another process of the device.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

namespace platform::testing {

// Starts `program` with `arguments` on the current device root and waits for it to end,
// answering the messages sent to this thread meanwhile (so it can send to the test's
// windows). Its exit code; -1 when it could not start, was killed or outlived `limit` (it
// is killed then and the test fails).
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::chrono::seconds limit = std::chrono::seconds(30));

// Closes the program that owns `window` (a window of another process) with WM_CLOSE and
// waits for the process to end; when it has not ended within `wait` it is killed. True
// when it ended by itself.
bool CloseProgramOf(HWND window, std::chrono::seconds wait = std::chrono::seconds(5));

}  // namespace platform::testing

// On-line help: the device's help viewer opened at a topic of the program's help file
// "Slateway.htm", which is installed beside the program.
#pragma once

#include <string>

// The viewer's command line for `topic`: "file:Slateway.htm#" + the topic's anchor
// (the contents page for topics without a page of their own).
std::u16string GetHelpCommandLine(int topic);

// Starts the help viewer "peghelp.exe" at `topic` without waiting for it. A viewer that
// cannot be started is not reported.
void ShowHelp(int topic);

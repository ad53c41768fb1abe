// Slateway's command line: its own options, the display's, and the document to open.
#pragma once

#include <string>

#include "platform/display/Display.h"

enum class CommandLineChoice {
  Run,         // start the program
  Answered,    // --help or --version printed their answer: end with 0
  UsageError,  // a line on stderr said what is wrong: end with 2
};

struct SlatewayCommandLine {
  platform::display::DisplayOptions display;
  // The handheld's command line: the name of a document to open, or empty.
  std::u16string document;
};

// Reads the arguments after the program's name. "--help" and "--version" print their
// answer; "--hires" and "--scale N" are the display's; an argument of the form "--name"
// that none of these knows, or "--scale" without a number from 1 to 4, is a usage error.
// The other arguments, and every one after "--", name the document (joined by spaces).
// Nothing here opens a window or touches the device.
CommandLineChoice ReadCommandLine(int argc, char** argv, SlatewayCommandLine& line);

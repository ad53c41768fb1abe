// The whole program without a screen, for the tests that drive a running Slateway from
// another process (the relay's commands). Every window is the platform's own; the program
// runs until its main window closes. The command line is the program's.
#include <string>

#include "mainwindow/Program.h"
#include "mainwindow/SampleDevice.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::u16string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += u' ';
    commandLine += platform::ToUtf16(argv[i]);
  }
  PrepareNewDevice();
  return RunSlateway(commandLine);
}

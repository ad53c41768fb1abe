// Slateway: the sales-document program in a desktop window. A new device root is first
// given the embedded default (the sample database and a few sample documents); then the
// program starts, runs until its window is closed, and ends.
//
// Usage: Slateway [--hires] [--scale N] [document]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mainwindow/Program.h"
#include "mainwindow/SampleDevice.h"
#include "platform/display/Display.h"
#include "platform/mapi/Mapi.h"
#include "platform/platform.h"

namespace {

// The process's component and messaging systems: started before anything else, and ended
// at exit whatever their start gave.
void StartProcessServices() {
  if (SUCCEEDED(CoInitializeEx(nullptr, 0))) MAPIInitialize(nullptr);
  std::atexit([] {
    MAPIUninitialize();
    CoUninitialize();
  });
}

}  // namespace

int main(int argc, char** argv) {
  StartProcessServices();
  platform::display::DisplayOptions options;
  // The display's own options are read first; what is left names a document to open.
  std::u16string commandLine;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--hires") {
      argv[kept++] = argv[i];
    } else if (arg == "--scale" && i + 1 < argc) {
      argv[kept++] = argv[i++];
      argv[kept++] = argv[i];
    } else {
      if (!commandLine.empty()) commandLine += u' ';
      commandLine += platform::ToUtf16(arg);
    }
  }
  if (!platform::display::ParseDisplayArguments(kept, argv, options)) return 2;
  if (!platform::display::OpenDisplay(options)) return 1;
  if (!PrepareNewDevice()) std::fprintf(stderr, "Slateway: the sample documents could not all be laid out\n");
  const int code = RunSlateway(commandLine);
  platform::display::CloseDisplay();
  return code;
}

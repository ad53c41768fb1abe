// slatelaunch: the relay program. Its command line is one command word of the desktop
// companion, which it hands to the running Slateway (starting it when needed).
#include <string>

#include "platform/platform.h"
#include "relay/Relay.h"

int main(int argc, char** argv) {
  std::string word;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) word += ' ';
    word += argv[i];
  }
  // The main program is started for real.
  platform::SetProcessLauncher(&platform::LaunchOwnProgram);
  return RunRelay(platform::ToUtf16(word));
}

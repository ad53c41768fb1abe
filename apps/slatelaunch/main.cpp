// slatelaunch: the relay program. Its command line is one command word of the desktop
// companion, which it hands to the running Slateway (starting it when needed).
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/version/ProgramVersion.h"
#include "relay/Relay.h"

namespace {

constexpr int kUsageError = 2;

constexpr char kUsage[] = R"(Usage: slatelaunch WORD
       slatelaunch --help | --version

Hands one command of the desktop companion to the running Slateway, starting the
program first when it is not running, and waits until the program has carried it out.

Words (exact, upper case):
  RETRIEVING_INVOICES    save the open document and write the six stylesheet templates
  UPDATE_QB_JOBS         reload the register behind a progress window that waits for Ok
  UPDATE_QB_JOBS_SILENT  reload the register behind a progress window that closes itself
  UPDATE_QB_ITEMS        import the update lists the desktop copied to the device
  CONVERT_1_TO_2         accepted; does nothing
  GET_OWNER_INFO         write the owner information file OwnerInfo.xml
  LOAD_DB_UPDATE         replace the database by the update file DBUpdate.db
  GET_DB                 copy the database to the update file DBUpdate.db
  OPEN_DB                open the database again
  CLOSE_DB               close the database
  STOP                   start the program when it is not running; sends nothing

Environment:
  SLATEWAY_DEVICE_ROOT   the folder that plays the handheld's file system
                         (default: $XDG_DATA_HOME/slateway/device, or
                         ~/.local/share/slateway/device)

Files (under the device root):
  Program Files/Slateway/Slateway   the program started when none runs, as installed by
                                    slateway-install (its folder is the registry value
                                    ProgramPath; without it, Program Files/VendelSoftware/
                                    Slateway)
  .platform/ipc/                    the sockets through which the programs reach each other

Exit status:
  0  the command was delivered and the program answered
  1  the program could not be found or started, or did not answer
  2  a usage error: no word, a word slatelaunch does not know, or an unknown option;
     nothing was started
  3  the program answered that it could not carry the command out (a list update that
     failed or was stopped, a database update without an update file)
)";

void PrintVersion() {
  std::printf("slatelaunch (%s) %s\n", platform::ToUtf8(platform::version::program::kProductName).c_str(),
              platform::ToUtf8(platform::version::program::kVersionText).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string word;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    // No command word begins with "--": such an argument is an option of this program.
    if (arg.rfind("--", 0) == 0) {
      if (arg == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
      }
      if (arg == "--version") {
        PrintVersion();
        return 0;
      }
      std::fprintf(stderr, "slatelaunch: unknown option %s (try slatelaunch --help)\n", argv[i]);
      return kUsageError;
    }
    if (i > 1) word += ' ';
    word += arg;
  }
  if (word.empty()) {
    std::fprintf(stderr, "slatelaunch: no command word given (try slatelaunch --help)\n");
    return kUsageError;
  }
  // The main program is started for real.
  platform::SetProcessLauncher(&platform::LaunchOwnProgram);
  const RelayResult result = RunRelay(platform::ToUtf16(word));
  if (result == kRelayUnknownWord)
    std::fprintf(stderr, "slatelaunch: unknown command word \"%s\"; nothing was started (try slatelaunch --help)\n",
                 word.c_str());
  else if (result == kRelayFailed)
    std::fprintf(stderr, "slatelaunch: Slateway could not carry out the command \"%s\"\n", word.c_str());
  else if (result == kRelayNoAnswer && GetLastError() == ERROR_TIMEOUT)
    std::fprintf(stderr,
                 "slatelaunch: Slateway took the command \"%s\" but did not finish it in the time slatelaunch waits; "
                 "it may still be carrying it out\n",
                 word.c_str());
  else if (result == kRelayNoAnswer)
    std::fprintf(stderr, "slatelaunch: Slateway could not be reached; the command \"%s\" was not carried out\n",
                 word.c_str());
  return result;
}

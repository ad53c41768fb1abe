// Slateway: the sales-document program in a desktop window. A device without the program,
// or with an older one, is first installed by the installer beside this program, and a
// new device root is given the embedded default (the sample database and a few sample
// documents); then the program starts, runs until its window is closed, and ends.
//
// Usage: Slateway [--hires] [--scale N] [--] [document]; --help tells more.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apps/common/FrontDoor.h"
#include "apps/install/Installer.h"
#include "apps/slateway/CommandLine.h"
#include "mainwindow/Program.h"
#include "mainwindow/SampleDevice.h"
#include "platform/display/Display.h"
#include "platform/htmlview/HelpViewer.h"
#include "platform/mapi/Mapi.h"
#include "platform/platform.h"

extern char** environ;

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

// Runs "slateway-install --update" from this program's folder when the device has no
// installation or an older one, so a program started from the desktop's menu finds itself
// installed. The copy in the device's program folder has no installer beside it and runs
// as it is. A failed installation is said on stderr; the start-up then tells the user what
// is missing.
void InstallWhenNeeded() {
  const InstalledVersion installed = CompareInstallation();
  if (installed != InstalledVersion::None && installed != InstalledVersion::Older) return;
  std::string installer = (frontdoor::OwnFolder() / "slateway-install").string();
  if (access(installer.c_str(), X_OK) != 0) return;
  std::string update = "--update";
  char* argv[] = {installer.data(), update.data(), nullptr};
  pid_t child = 0;
  int status = 0;
  bool ended = posix_spawn(&child, installer.c_str(), nullptr, nullptr, argv, environ) == 0;
  if (ended) {
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) == -1 && errno == EINTR) {
    }
    ended = waited == child;
  }
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "Slateway: %s could not install the program on the device\n", installer.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  SlatewayCommandLine line;
  switch (ReadCommandLine(argc, argv, line)) {
    case CommandLineChoice::Run: break;
    case CommandLineChoice::Answered: return 0;
    case CommandLineChoice::UsageError: return frontdoor::kUsageError;
  }
  StartProcessServices();
  if (!platform::display::OpenDisplay(line.display)) return 1;
  // The help the program asks for shows on the screen.
  platform::SetProcessLauncher(&platform::LaunchHelpViewer);
  InstallWhenNeeded();
  if (!PrepareNewDevice()) std::fprintf(stderr, "Slateway: the sample documents could not all be laid out\n");
  const int code = RunSlateway(line.document);
  platform::display::CloseDisplay();
  return code;
}

// slateway-install: installs Slateway on the device from the build's bin folder, as the
// handheld's installer does, through the setup library QVNSetup; "--uninstall" removes it.
// The device root comes from the environment as for the program itself. The setup
// library's questions are asked on the terminal when a person sits at one; otherwise each is
// answered with its default button, as an unattended device would.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "apps/install/Installer.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

fs::path OwnFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path();
}

// Yes/no questions on the terminal; an empty line takes the box's default button.
class TerminalAnswers final : public platform::MessageBoxHandler {
 public:
  int OnMessageBox(const platform::MessageBoxRecord& box) override {
    const int fallback = platform::DefaultMessageBoxButton(box.style);
    if ((box.style & MB_TYPEMASK) != MB_YESNO) {
      std::printf("%s\n", platform::ToUtf8(box.text).c_str());
      return fallback;
    }
    for (;;) {
      std::printf("%s [%s] ", platform::ToUtf8(box.text).c_str(), fallback == IDYES ? "Y/n" : "y/N");
      std::fflush(stdout);
      std::string line;
      if (!std::getline(std::cin, line) || line.empty()) return fallback;
      if (line[0] == 'y' || line[0] == 'Y') return IDYES;
      if (line[0] == 'n' || line[0] == 'N') return IDNO;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  const bool uninstall = argc == 2 && std::strcmp(argv[1], "--uninstall") == 0;
  if (argc > 2 || (argc == 2 && !uninstall)) {
    std::fprintf(stderr, "usage: slateway-install [--uninstall]\n");
    return 2;
  }
  TerminalAnswers terminal;
  // Only a person at a terminal is asked; a script that reads or hides the output is not.
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) platform::SetMessageBoxHandler(&terminal);

  CInstaller installer(OwnFolder());
  std::string error;
  const bool ok = uninstall ? installer.Uninstall(error) : installer.Install(error);
  platform::SetMessageBoxHandler(nullptr);
  if (!ok) {
    std::fprintf(stderr, "slateway-install: %s\n", error.c_str());
    return 1;
  }
  if (uninstall) {
    std::printf("slateway-install: removed Slateway from %s\n", platform::DeviceRoot().c_str());
    return 0;
  }
  std::printf("slateway-install: installed into %s\n", platform::MapDevicePath(kInstallFolder).c_str());
  // This process shows no screen, so a start the setup library asked for is left to the
  // caller (make run starts the program next).
  for (const platform::ProcessLaunch& launch : platform::ProcessLaunches())
    std::printf("slateway-install: start %s when ready\n", platform::ToUtf8(launch.application).c_str());
  return 0;
}

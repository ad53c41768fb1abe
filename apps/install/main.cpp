// slateway-install: installs Slateway on the device from the folders this installer was
// built or installed with, as the handheld's installer does, through the setup library
// QVNSetup; "--uninstall" removes it, "--update" installs only what the device lacks. The
// device root comes from the environment as for the program itself. The setup library's
// questions, and the device owner's name and e-mail that the handheld's own settings would
// ask for, are asked on the terminal when a person sits at one; otherwise each takes its
// default answer, as an unattended device would.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "apps/common/FrontDoor.h"
#include "apps/install/Installer.h"
#include "platform/platform.h"
#include "platform/shell/DeviceOwner.h"

namespace fs = std::filesystem;

namespace {

constexpr char kProgram[] = "slateway-install";

constexpr char kUsage[] =
    "Usage: slateway-install [--update | --uninstall]\n"
    "\n"
    "Installs Slateway on the device as the handheld's installer does: the program files go\n"
    "into \\Program Files\\Slateway of the device, and the setup library QVNSetup carries the\n"
    "settings and the items database of an earlier version over. It asks for the device\n"
    "owner's name (offered: the owner the device has, else your account's full name) and\n"
    "e-mail, which documents, reports and mail carry. Its questions are asked on the\n"
    "terminal; without one, each takes its default answer.\n"
    "\n"
    "  (nothing)    install, over an installation that is there\n"
    "  --update     install only when the device has no installation or an older one; over\n"
    "               an installation of this version, replace the program files that differ\n"
    "               from this build's, asking nothing\n"
    "  --uninstall  remove Slateway; the setup library asks whether to keep the items list\n"
    "               and the settings\n"
    "  --help       show this help and end\n"
    "  --version    show the version and end\n"
    "\n"
    "Environment:\n"
    "  SLATEWAY_DEVICE_ROOT  the folder that holds the device's files; by default\n"
    "                        $XDG_DATA_HOME/slateway/device (~/.local/share/slateway/device)\n"
    "\n"
    "Files: the program files are taken from this program's folder, then from\n"
    "" SLATEWAY_LIBRARY_FOLDER " and " SLATEWAY_DATA_FOLDER " beside it.\n"
    "\n"
    "Exit status: 0 when done, 1 when the installation or removal failed, 2 for a bad\n"
    "command line.\n";

enum class Action { Install, Update, Uninstall };

// Reads the command line into `action`. -1 to go on, else the code to end with.
int ReadCommandLine(int argc, char** argv, Action& action) {
  int actions = 0;
  bool stray = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      frontdoor::PrintVersion(kProgram);
      return 0;
    }
    if (arg == "--update" || arg == "--uninstall") {
      action = arg == "--update" ? Action::Update : Action::Uninstall;
      ++actions;
    } else if (frontdoor::IsLongOption(arg)) {
      return frontdoor::UnknownOption(kProgram, arg);
    } else {
      stray = true;
    }
  }
  if (actions <= 1 && !stray) return -1;
  std::fprintf(stderr, "usage: slateway-install [--update | --uninstall] (try 'slateway-install --help')\n");
  return frontdoor::kUsageError;
}

// Where the program files are: beside this program in the build, in the library and data
// folders beside its folder once installed.
std::vector<fs::path> SourceFolders() {
  const fs::path own = frontdoor::OwnFolder();
  return {own, (own / SLATEWAY_LIBRARY_FOLDER).lexically_normal(), (own / SLATEWAY_DATA_FOLDER).lexically_normal()};
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

std::u16string Trimmed(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return platform::ToUtf16(line.substr(first, line.find_last_not_of(" \t\r") - first + 1));
}

bool IsEMailAddress(std::u16string_view text) {
  if (text.find(u'@') == std::u16string_view::npos) return false;
  for (char16_t c : text)
    if (c < 0x20 || std::u16string_view(u" ,;<>()\"[]\\").find(c) != std::u16string_view::npos) return false;
  return true;
}

// A text question on the terminal; an empty line (or the input's end) takes `offered`.
std::u16string AskText(const char* question, const std::u16string& offered, size_t longest, bool email) {
  for (;;) {
    std::printf("%s [%s] ", question, platform::ToUtf8(offered).c_str());
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line)) return offered;
    const std::u16string answer = Trimmed(line);
    if (answer.empty()) return offered;
    if (answer.size() > longest)
      std::printf("At most %zu characters, please.\n", longest);
    else if (email && !IsEMailAddress(answer))
      std::printf("That is no e-mail address.\n");
    else
      return answer;
  }
}

// The device owner, asked as the handheld's own settings would.
OwnerAnswers AskOwner() {
  OwnerAnswers owner = SuggestedOwner();
  owner.name = AskText("Owner's name:", owner.name, platform::kOwnerName.Characters(), false);
  owner.email = AskText("Owner's e-mail:", owner.email, platform::kOwnerEMail.Characters(), true);
  return owner;
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "slateway-install: %s\n", error.c_str());
  return 1;
}

// An installation of this version or a newer one is kept; this version's gets the files
// of the build that differ from it.
int UpdateInstalled(CInstaller& installer, InstalledVersion installed) {
  if (installed == InstalledVersion::Newer) {
    std::printf("slateway-install: the device in %s holds a newer Slateway; left as it is\n",
                platform::DeviceRoot().c_str());
    return 0;
  }
  std::string error;
  int replaced = 0;
  if (!installer.Refresh(error, replaced)) return Fail(error);
  if (replaced == 0)
    std::printf("slateway-install: Slateway is installed and up to date in %s\n", platform::DeviceRoot().c_str());
  else
    std::printf("slateway-install: %d program file%s brought up to date in %s\n", replaced, replaced == 1 ? "" : "s",
                platform::DeviceRoot().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Action action = Action::Install;
  if (const int code = ReadCommandLine(argc, argv, action); code >= 0) return code;

  CInstaller installer(SourceFolders());
  if (action == Action::Update) {
    const InstalledVersion installed = CompareInstallation();
    if (installed == InstalledVersion::Same || installed == InstalledVersion::Newer)
      return UpdateInstalled(installer, installed);
  }
  TerminalAnswers terminal;
  // Only a person at a terminal is asked; a script that reads or hides the output is not.
  const bool attended = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  if (attended) platform::SetMessageBoxHandler(&terminal);

  const bool uninstall = action == Action::Uninstall;
  if (attended && !uninstall) installer.SetOwner(AskOwner());
  // A new device takes the user's regional settings before anything is written in them; a
  // device that has had the program keeps the formats its documents were written in.
  if (!uninstall && CompareInstallation() == InstalledVersion::None) platform::AdoptUserLocale();
  std::string error;
  const bool ok = uninstall ? installer.Uninstall(error) : installer.Install(error);
  platform::SetMessageBoxHandler(nullptr);
  if (!ok) return Fail(error);
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

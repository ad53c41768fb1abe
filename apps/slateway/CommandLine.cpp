#include "apps/slateway/CommandLine.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "apps/common/FrontDoor.h"

namespace {

constexpr char kProgram[] = "Slateway";

constexpr char kUsage[] =
    "Usage: Slateway [--hires] [--scale N] [--] [DOCUMENT]\n"
    "\n"
    "Slateway keeps the customers and items exported from the desktop accounting package\n"
    "and makes, edits, signs, prints and e-mails invoices, estimates, sales receipts, sales\n"
    "orders, payments and credit memos. It shows a field salesperson's handheld screen in a\n"
    "desktop window: the mouse is the pen, F1-F8 are the handheld's buttons.\n"
    "\n"
    "  DOCUMENT     open this document file in the editor, by its path on the device\n"
    "               (\"/My Documents/INV1.QVN\")\n"
    "  --hires      the 480 x 640 screen instead of 240 x 320\n"
    "  --scale N    window pixels per screen pixel, 1 to 4 (default 2)\n"
    "  --           what follows is the document's name, even when it begins with --\n"
    "  --help       show this help and end\n"
    "  --version    show the version and end\n"
    "\n"
    "A device with no installation, or an older one, is first installed by the\n"
    "slateway-install beside this program; a new device is given sample documents and\n"
    "the regional settings (numbers, money, dates) of the user's locale.\n"
    "\n"
    "Environment:\n"
    "  SLATEWAY_DEVICE_ROOT  the folder that holds the device's files; by default\n"
    "                        $XDG_DATA_HOME/slateway/device (~/.local/share/slateway/device)\n"
    "  LC_ALL, LC_NUMERIC, LC_MONETARY, LC_TIME, LANG\n"
    "                        the first that is set is the locale a new device takes\n"
    "                        (C, POSIX or none: en-US); a device keeps the one it has\n"
    "  DISPLAY, WAYLAND_DISPLAY\n"
    "                        the desktop the window opens on (none: see xvfb-run)\n"
    "\n"
    "Files, under the device root: Program Files/Slateway (the installed program),\n"
    "My Documents (the documents), Windows/Registry (the settings), Printer Output (print\n"
    "jobs as PDF files).\n"
    "\n"
    "Exit status: 0 when the program ended, 1 without a display, 2 for a bad command line.\n";

}  // namespace

CommandLineChoice ReadCommandLine(int argc, char** argv, SlatewayCommandLine& line) {
  // The display's options are handed on as a command line of their own.
  std::vector<char*> display = {argv[0]};
  bool documentOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--" && !documentOnly) {
      documentOnly = true;
    } else if (documentOnly || !frontdoor::IsLongOption(arg)) {
      if (!line.document.empty()) line.document += u' ';
      line.document += platform::ToUtf16(arg);
    } else if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return CommandLineChoice::Answered;
    } else if (arg == "--version") {
      frontdoor::PrintVersion(kProgram);
      return CommandLineChoice::Answered;
    } else if (arg == "--hires") {
      display.push_back(argv[i]);
    } else if (arg == "--scale") {
      if (i + 1 == argc) {
        std::fprintf(stderr, "%s: --scale needs a number from 1 to 4\n", kProgram);
        return CommandLineChoice::UsageError;
      }
      display.push_back(argv[i]);
      display.push_back(argv[++i]);
    } else {
      frontdoor::UnknownOption(kProgram, arg);
      return CommandLineChoice::UsageError;
    }
  }
  if (!platform::display::ParseDisplayArguments(static_cast<int>(display.size()), display.data(), line.display))
    return CommandLineChoice::UsageError;
  return CommandLineChoice::Run;
}

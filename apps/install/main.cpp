// slateway-install: lays out the device the way the handheld's installer does: the
// program's files go into "\Program Files\Slateway" and the folder is recorded as the
// root key's "ProgramPath". Run from the build's bin folder; the device root comes from
// the environment as for the program itself.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/Folders.h"
#include "core/RegistryKey.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {
constexpr const WCHAR* kProgramFolder = u"\\Program Files\\Slateway";
// The platform library lies beside the program, which looks for it in its own folder.
const char* const kFiles[] = {"Slateway", "libslateway_platform.so", "QVNLANGUAGE.DLL", "Slateway.htm",
                              "SlatewaySample.db"};

fs::path OwnFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path();
}

bool Install(const fs::path& from, const std::string& name) {
  std::ifstream in(from / name, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "slateway-install: %s is missing beside the installer\n", name.c_str());
    return false;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::u16string target = std::u16string(kProgramFolder) + u"\\" + platform::ToUtf16(name);
  fs::path linux = platform::MapDevicePath(target);
  std::error_code ec;
  fs::create_directories(linux.parent_path(), ec);
  if (!platform::WriteFileAtomic(linux, bytes.str())) {
    std::fprintf(stderr, "slateway-install: cannot write %s\n", linux.c_str());
    return false;
  }
  fs::permissions(linux, fs::status(from / name).permissions(), ec);
  return true;
}

// The default CSV export stylesheet goes into the templates folder of the application
// data, unless the user already put one of their own there.
bool InstallCsvStylesheet(const fs::path& from) {
  CBstr folder;
  if (!GetAppDataFolder(folder, true)) return false;
  fs::path target = platform::MapDevicePath(folder.str() + u"Templates\\CSV_Export.xsl");
  if (fs::exists(target)) return true;
  std::ifstream in(from / "CSV_Export.xsl", std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "slateway-install: CSV_Export.xsl is missing beside the installer\n");
    return false;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  return platform::WriteFileAtomic(target, bytes.str());
}
}  // namespace

int main() {
  fs::path from = OwnFolder();
  bool ok = true;
  for (const char* name : kFiles) ok = Install(from, name) && ok;
  ok = InstallCsvStylesheet(from) && ok;
  if (!ok) return 1;
  CRegistryKey root;
  if (!root.SetString(CBstr(u"ProgramPath"), CBstr(kProgramFolder))) {
    std::fprintf(stderr, "slateway-install: cannot record the program folder in the registry\n");
    return 1;
  }
  std::printf("slateway-install: installed into %s\n", platform::MapDevicePath(kProgramFolder).c_str());
  return 0;
}

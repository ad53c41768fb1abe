#include "apps/install/Installer.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "core/Folders.h"
#include "datastore/SampleAmounts.h"
#include "platform/platform.h"
#include "platform/version/ProgramVersion.h"
#include "setup/SetupExports.h"
#include "setup/SetupFolders.h"
#include "setup/SetupRegistryKey.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSetupLibraryFile[] = "QVNSetup.dll.so";
// Where the setup library waits while an installation runs, as the device's installer
// unpacks it before anything else.
constexpr char16_t kSetupStaging[] = u"\\Temp\\Slateway Setup";
constexpr char16_t kSetupModule[] = u"\\Temp\\Slateway Setup\\QVNSetup.dll";
// Written beside a program file until every file of the installation is there.
constexpr char kStagedSuffix[] = ".new";

// The printing engine is shared by the programs that print: one module in "\Windows",
// registered while any of them is installed, its users counted under the module's name.
constexpr char kPrintEngineFile[] = "PREngineCE.dll.so";
constexpr char kPimStoreFile[] = "pimstore.dll.so";
const char* const kScannerLibraries[] = {"ScanAPI.dll.so", "ScnAPI32.dll.so", "Grabba.dll.so"};
constexpr char16_t kPrintEngineModule[] = u"\\Windows\\PREngineCE.dll";
constexpr char16_t kSharedUsersKey[] = u"Software\\Apps\\Shared";

// The program's files, laid side by side in the program folder; the sample database among
// them is what the program itself falls back on when it finds no database.
const char* const kProgramFiles[] = {"Slateway",        "libslateway_platform.so", "libslateway_htmlview.so",
                                     "libslateway_mapi.so", "QVNLANGUAGE.DLL",      "Slateway.htm",
                                     "SlatewaySample.db",   kSetupLibraryFile};

struct SetupLibrary {
  HMODULE module = nullptr;
  InstallInitFunction installInit = nullptr;
  InstallExitFunction installExit = nullptr;
  UninstallInitFunction uninstallInit = nullptr;
  UninstallExitFunction uninstallExit = nullptr;

  SetupLibrary() = default;
  SetupLibrary(const SetupLibrary&) = delete;
  SetupLibrary& operator=(const SetupLibrary&) = delete;
  ~SetupLibrary() {
    if (module) FreeLibrary(module);
  }

  bool Load(const std::u16string& path, std::string& error) {
    module = LoadLibraryW(path.c_str());
    if (!module) {
      error = "the setup library " + platform::ToUtf8(path) + " cannot be loaded";
      return false;
    }
    installInit = reinterpret_cast<InstallInitFunction>(GetProcAddress(module, kInstallInitExport));
    installExit = reinterpret_cast<InstallExitFunction>(GetProcAddress(module, kInstallExitExport));
    uninstallInit = reinterpret_cast<UninstallInitFunction>(GetProcAddress(module, kUninstallInitExport));
    uninstallExit = reinterpret_cast<UninstallExitFunction>(GetProcAddress(module, kUninstallExitExport));
    if (installInit && installExit && uninstallInit && uninstallExit) return true;
    error = "the setup library lacks one of its entry points";
    return false;
  }
};

bool ReadWholeFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return static_cast<bool>(in) || in.eof();
}

// One file of the installation: where it comes from and the device path it goes to.
struct PlacedFile {
  fs::path from;
  std::u16string to;
  fs::path Target() const { return platform::MapDevicePath(to); }
  fs::path Staged() const { return fs::path(Target().string() + kStagedSuffix); }
};

// The file `name` in the first of `folders` that holds it; in the first folder when none
// does, so that a missing file is reported where the build would have put it.
fs::path FindSource(const std::vector<fs::path>& folders, std::string_view name) {
  std::error_code ec;
  for (const fs::path& folder : folders)
    if (fs::exists(folder / name, ec)) return folder / name;
  return folders.front() / name;
}

// True when both files exist and hold the same bytes.
bool SameBytes(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const auto size = fs::file_size(a, ec);
  if (ec || fs::file_size(b, ec) != size || ec) return false;
  std::ifstream one(a, std::ios::binary), other(b, std::ios::binary);
  std::vector<char> left(1 << 16), right(1 << 16);
  while (one && other) {
    one.read(left.data(), static_cast<std::streamsize>(left.size()));
    other.read(right.data(), static_cast<std::streamsize>(right.size()));
    if (one.gcount() != other.gcount() || !std::equal(left.begin(), left.begin() + one.gcount(), right.begin()))
      return false;
  }
  return one.eof() && other.eof();
}

// Writes the file beside its target, with the source's permissions.
bool Stage(const PlacedFile& file, int& failedFolders) {
  std::error_code ec;
  fs::create_directories(file.Target().parent_path(), ec);
  if (ec) {
    ++failedFolders;
    return false;
  }
  std::string bytes;
  if (!ReadWholeFile(file.from, bytes) || !platform::WriteFileAtomic(file.Staged(), bytes)) return false;
  fs::permissions(file.Staged(), fs::status(file.from).permissions(), ec);
  return true;
}

// The program's files into the program folder, and the libraries the device itself keeps
// in \Windows\.
std::vector<PlacedFile> ProgramFilesToPlace(const std::vector<fs::path>& sources, const std::u16string& installFolder) {
  std::vector<PlacedFile> files;
  for (const char* name : kProgramFiles)
    files.push_back({FindSource(sources, name), JoinPath(installFolder, platform::ToUtf16(name))});
  files.push_back({FindSource(sources, kPrintEngineFile), std::u16string(kPrintEngineModule) + u".so"});
  // The contacts store's server is a library of the device itself: laid in \Windows\ where the
  // program loads it by name, and left there at removal.
  files.push_back({FindSource(sources, kPimStoreFile), u"\\Windows\\pimstore.dll.so"});
  // So are the scanner makers' libraries, which the scanner drivers load from \Windows\.
  for (const char* library : kScannerLibraries)
    files.push_back({FindSource(sources, library), u"\\Windows\\" + platform::ToUtf16(library)});
  return files;
}

// The program's files, the sample database where the program's database lives (the setup
// library makes it the database unless the user has one), and the CSV stylesheet unless the
// user put one of their own in its place.
std::vector<PlacedFile> FilesToPlace(const std::vector<fs::path>& sources, const std::u16string& installFolder) {
  std::vector<PlacedFile> files = ProgramFilesToPlace(sources, installFolder);
  files.push_back({FindSource(sources, "SlatewaySample.db"), JoinPath(GetDatabaseFolder(), u"SlatewaySample.db")});
  CBstr templates;
  if (GetAppDataFolder(templates, true)) {
    std::u16string stylesheet = templates.str() + u"Templates\\CSV_Export.xsl";
    if (!fs::exists(platform::MapDevicePath(stylesheet)))
      files.push_back({FindSource(sources, "CSV_Export.xsl"), stylesheet});
  }
  return files;
}

// Writes every file beside its target; counts what failed, the first reason in `error`.
void StageAll(const std::vector<PlacedFile>& files, int& failedFolders, int& failedFiles, std::string& error) {
  for (const PlacedFile& file : files) {
    if (!Stage(file, failedFolders)) {
      ++failedFiles;
      if (error.empty()) error = "cannot install " + file.from.string();
    }
  }
}

// Puts every staged file in place of its target.
void PutInPlace(const std::vector<PlacedFile>& files, int& failedFiles, std::string& error) {
  std::error_code ec;
  for (const PlacedFile& file : files) {
    fs::rename(file.Staged(), file.Target(), ec);
    if (ec) {
      ++failedFiles;
      if (error.empty()) error = "cannot put " + file.Target().string() + " in place";
    }
  }
}

// Removes what is left of the staged files.
void RemoveStaged(const std::vector<PlacedFile>& files) {
  std::error_code ec;
  for (const PlacedFile& file : files) fs::remove(file.Staged(), ec);
}

// Calls the module's own registration routine (DllRegisterServer or DllUnregisterServer).
bool CallRegistration(const char* routine) {
  HMODULE module = LoadLibraryW(kPrintEngineModule);
  if (!module) return false;
  using Registration = HRESULT (*)();
  auto call = reinterpret_cast<Registration>(GetProcAddress(module, routine));
  const bool ok = call && SUCCEEDED(call());
  FreeLibrary(module);
  return ok;
}

// Registers the engine and counts this program among its users when it was not installed
// before (an installation over an earlier one is counted already).
bool RegisterPrintEngine(bool newUser) {
  CSetupRegistryKey shared(HKEY_LOCAL_MACHINE, kSharedUsersKey);
  DWORD users = 0;
  const bool counted = shared.GetDword(kPrintEngineModule, users);
  if ((!counted || newUser) && !shared.SetDword(kPrintEngineModule, counted ? users + 1 : 1)) return false;
  return CallRegistration("DllRegisterServer");
}

// This program no longer uses the engine; the last user takes the module away (the setup
// library has unregistered it by then).
void ReleasePrintEngine() {
  CSetupRegistryKey shared(HKEY_LOCAL_MACHINE, kSharedUsersKey);
  DWORD users = 0;
  if (!shared.GetDword(kPrintEngineModule, users)) return;
  if (users > 1) {
    shared.SetDword(kPrintEngineModule, users - 1);
    return;
  }
  shared.DeleteValue(kPrintEngineModule);
  DeleteFileOrLibrary(kPrintEngineModule);
}

// The version an installation records: "major.minor".
std::string BuildVersionText() {
  return std::to_string(platform::version::program::kMajor) + "." + std::to_string(platform::version::program::kMinor);
}

// The installed version and folder, and for a new installation or one over a version
// that kept its database elsewhere, the database where the setup library places it.
bool RecordInstallation(const std::u16string& installFolder, double earlierVersion) {
  platform::CRegistryBatch batch;
  bool ok;
  {
    CSetupRegistryKey root;
    ok = root.SetString(u"Version", platform::ToUtf16(BuildVersionText())) &&
         root.SetString(u"ProgramPath", installFolder);
    if (earlierVersion < 5.0) {
      auto preferences = OpenPreferencesKey();
      ok = preferences->SetString(u"Database", u"Slateway.db") &&
           preferences->SetString(u"DatabasePath", GetDatabaseFolder()) &&
           preferences->SetString(u"DBLocation", u"MAIN MEMORY") && ok;
    }
  }
  return batch.End() == ERROR_SUCCESS && ok;
}

WORD Count(int n) { return static_cast<WORD>(n > 0xFFFF ? 0xFFFF : n); }

}  // namespace

InstalledVersion CompareInstallation() {
  CSetupRegistryKey root;
  std::u16string path;
  if (!root.GetString(u"ProgramPath", path) || path.empty()) return InstalledVersion::None;
  // Compared as the setup library reads the stored text: a decimal number.
  const std::string text = BuildVersionText();
  double build = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), build);
  const double installed = GetStoredVersion(root);
  if (installed < build) return InstalledVersion::Older;
  return installed > build ? InstalledVersion::Newer : InstalledVersion::Same;
}

CInstaller::CInstaller(fs::path sourceFolder, std::u16string installFolder)
    : CInstaller(std::vector<fs::path>{std::move(sourceFolder)}, std::move(installFolder)) {}

CInstaller::CInstaller(std::vector<fs::path> sourceFolders, std::u16string installFolder)
    : m_sources(std::move(sourceFolders)), m_installFolder(std::move(installFolder)) {
  if (m_sources.empty()) m_sources.push_back(fs::current_path());
}

bool CInstaller::Install(std::string& error) {
  // The setup library first, from where nothing of an earlier installation lies.
  std::string setupBytes;
  if (!ReadWholeFile(FindSource(m_sources, kSetupLibraryFile), setupBytes)) {
    error = std::string(kSetupLibraryFile) + " is missing beside the installer";
    return false;
  }
  std::error_code ec;
  fs::path staging = platform::MapDevicePath(kSetupStaging);
  fs::create_directories(staging, ec);
  if (!platform::WriteFileAtomic(staging / kSetupLibraryFile, setupBytes)) {
    error = "the setup library cannot be unpacked into " + staging.string();
    return false;
  }
  bool installed = false;
  {
    SetupLibrary setup;
    if (!setup.Load(kSetupModule, error)) {
      fs::remove_all(staging, ec);
      return false;
    }
    double earlier = 0.0;
    bool previouslyInstalled = false;
    {
      CSetupRegistryKey root;
      std::u16string path;
      previouslyInstalled = root.GetString(u"ProgramPath", path);
      earlier = GetStoredVersion(root);
    }
    if (setup.installInit(nullptr, TRUE, previouslyInstalled, m_installFolder.c_str()) != kInstallInitContinue) {
      error = "the setup library stopped the installation";
      fs::remove_all(staging, ec);
      return false;
    }

    const std::vector<PlacedFile> files = FilesToPlace(m_sources, m_installFolder);
    // The setup library makes the sample the device's database only where it has none.
    const std::u16string database = JoinPath(GetDatabaseFolder(), u"Slateway.db");
    const bool newDatabase = !fs::exists(platform::MapDevicePath(database));

    int failedFolders = 0, failedFiles = 0, failedValues = 0;
    StageAll(files, failedFolders, failedFiles, error);
    // The registry before the files: it lands whole or not at all, and the files, already
    // written beside their targets, are put in place only once it has.
    if (failedFiles == 0 && failedFolders == 0 && !RecordInstallation(m_installFolder, earlier)) {
      ++failedValues;
      if (error.empty()) error = "cannot record the installation in the registry";
    }
    if (failedFiles == 0 && failedFolders == 0 && failedValues == 0) {
      PutInPlace(files, failedFiles, error);
      if (failedFiles == 0 && !RegisterPrintEngine(!previouslyInstalled)) {
        ++failedValues;
        if (error.empty()) error = "cannot register the printing engine";
      }
    }
    RemoveStaged(files);

    int result = setup.installExit(nullptr, m_installFolder.c_str(), Count(failedFolders), Count(failedFiles), 0,
                                   Count(failedValues), 0);
    installed = result == kInstallExitDone && failedFolders + failedFiles + failedValues == 0;
    if (!installed && error.empty()) error = "the setup library could not finish the installation";
    if (installed && newDatabase && fs::exists(platform::MapDevicePath(database)) &&
        !WriteSampleAmountsInDeviceForm(database)) {
      // The program lays the sample out again, whole, at its first start.
      DeleteFileW(database.c_str());
      error = "the sample database could not take the device's number formats";
      installed = false;
    }
  }
  fs::remove_all(staging, ec);
  return installed;
}

bool CInstaller::Uninstall(std::string& error) {
  std::u16string programPath;
  {
    CSetupRegistryKey root;
    if (!root.GetString(u"ProgramPath", programPath) || programPath.empty()) {
      error = "Slateway is not installed";
      return false;
    }
  }
  SetupLibrary setup;
  if (!setup.Load(JoinPath(programPath, u"QVNSetup.dll"), error)) return false;
  if (setup.uninstallInit(nullptr, programPath.c_str()) != kUninstallInitContinue) {
    error = "the setup library stopped the removal";
    return false;
  }
  for (const char* name : kProgramFiles) {
    // The setup library removes itself last.
    if (std::string_view(name) == kSetupLibraryFile) continue;
    DeleteFileW(JoinPath(programPath, platform::ToUtf16(name)).c_str());
  }
  setup.uninstallExit(nullptr);
  ReleasePrintEngine();
  return true;
}

bool CInstaller::Refresh(std::string& error, int& replaced) {
  replaced = 0;
  std::u16string programPath;
  {
    CSetupRegistryKey root;
    if (!root.GetString(u"ProgramPath", programPath) || programPath.empty()) {
      error = "Slateway is not installed";
      return false;
    }
  }
  std::vector<PlacedFile> changed;
  for (const PlacedFile& file : ProgramFilesToPlace(m_sources, programPath))
    if (!SameBytes(file.from, file.Target())) changed.push_back(file);
  int failedFolders = 0, failedFiles = 0;
  StageAll(changed, failedFolders, failedFiles, error);
  if (failedFolders + failedFiles == 0) PutInPlace(changed, failedFiles, error);
  RemoveStaged(changed);
  if (failedFolders + failedFiles != 0) return false;
  replaced = static_cast<int>(changed.size());
  return true;
}

#include "apps/install/Installer.h"

#include <fcntl.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "core/Folders.h"
#include "core/PreferenceTable.h"
#include "datastore/SampleAmounts.h"
#include "platform/platform.h"
#include "platform/shell/DeviceOwner.h"
#include "platform/version/ProgramVersion.h"
#include "setup/SetupExports.h"
#include "setup/SetupFolders.h"
#include "setup/SetupRegistryKey.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSetupLibraryFile[] = "QVNSetup.dll.so";
// Where an installation stages everything, as the device's installer unpacks its package
// before anything else: the setup library, the new program folder built whole before it
// takes the place of the installed one in one step, and the device's other files waiting
// for their places. A run begins by clearing what a killed run left here, and ends by
// removing it.
constexpr char16_t kSetupStaging[] = u"\\Temp\\Slateway Setup";
constexpr char16_t kSetupModule[] = u"\\Temp\\Slateway Setup\\QVNSetup.dll";
constexpr char kStagedProgram[] = "Program";
constexpr char kStagedDeviceFiles[] = "Device";
// Where the installed program folder waits while a file system that cannot exchange two
// folders in one step switches them in two renames.
constexpr char kRetiredProgram[] = "Retired";

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

fs::path Staging() { return platform::MapDevicePath(kSetupStaging); }

// Names on the device compare without regard to case.
bool IsProgramFile(const fs::path& name) {
  for (const char* file : kProgramFiles)
    if (::strcasecmp(name.c_str(), file) == 0) return true;
  return false;
}

// Copies `from` to `staged`, with the source's permissions for its owner only: the device is
// the user's alone. Nothing staged is used before SyncStaging has put all of it on the disk
// at once.
bool StageFile(const fs::path& from, const fs::path& staged) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes) || !platform::WriteFileAtomic(staged, bytes, false)) return false;
  std::error_code ec;
  fs::permissions(staged, fs::status(from).permissions() & fs::perms::owner_all, ec);
  platform::CrashPoint();
  return true;
}

// A file of the device outside the program folder: where it comes from, the device path it
// goes to, and where it waits in the staging folder meanwhile.
struct DeviceFile {
  fs::path from;
  std::u16string to;
  fs::path staged;
  fs::path Target() const { return platform::MapDevicePath(to); }
};

// The libraries the device provides and, `withData`, the sample database where the
// program's database lives (the setup library makes it the database unless the user has
// one) and the CSV stylesheet unless the user put one of their own in its place.
std::vector<DeviceFile> DeviceFilesToPlace(const std::vector<fs::path>& sources, bool withData) {
  std::vector<DeviceFile> files;
  if (withData)
    files.push_back({FindSource(sources, "SlatewaySample.db"), JoinPath(GetDatabaseFolder(), u"SlatewaySample.db"), {}});
  files.push_back({FindSource(sources, kPrintEngineFile), std::u16string(kPrintEngineModule) + u".so", {}});
  // The contacts store's server is a library of the device itself: laid in \Windows\ where the
  // program loads it by name, and left there at removal.
  files.push_back({FindSource(sources, kPimStoreFile), u"\\Windows\\pimstore.dll.so", {}});
  // So are the scanner makers' libraries, which the scanner drivers load from \Windows\.
  for (const char* library : kScannerLibraries)
    files.push_back({FindSource(sources, library), u"\\Windows\\" + platform::ToUtf16(library), {}});
  CBstr templates;
  if (withData && GetAppDataFolder(templates, true)) {
    std::u16string stylesheet = templates.str() + u"Templates\\CSV_Export.xsl";
    if (!fs::exists(platform::MapDevicePath(stylesheet)))
      files.push_back({FindSource(sources, "CSV_Export.xsl"), stylesheet, {}});
  }
  for (size_t i = 0; i < files.size(); ++i)
    files[i].staged = Staging() / kStagedDeviceFiles / (std::to_string(i) + "-" + files[i].from.filename().string());
  return files;
}

// Builds the new program folder whole in the staging folder: the program's files from the
// build, and whatever else the installed folder holds (nothing of the user's is lost when
// the folders change places). False with the reason in `error`.
bool StageProgramFolder(const std::vector<fs::path>& sources, const fs::path& installed, std::string& error) {
  const fs::path staged = Staging() / kStagedProgram;
  std::error_code ec;
  fs::create_directories(staged, ec);
  for (const char* name : kProgramFiles) {
    const fs::path from = FindSource(sources, name);
    if (!StageFile(from, staged / name)) {
      error = "cannot install " + from.string();
      return false;
    }
  }
  for (const auto& entry : fs::directory_iterator(installed, ec)) {
    if (IsProgramFile(entry.path().filename())) continue;
    const auto options = fs::copy_options::recursive | fs::copy_options::copy_symlinks;
    fs::copy(entry.path(), staged / entry.path().filename(), options, ec);
    if (ec) {
      error = "cannot carry " + entry.path().string() + " over into the new program folder";
      return false;
    }
  }
  platform::CrashPoint();
  return true;
}

bool Fsync(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

// Puts everything staged on the disk, files and folders, so that the switch never brings in
// a file that a power cut could still empty.
bool SyncStaging() {
  std::error_code ec;
  bool synced = Fsync(Staging());
  for (auto it = fs::recursive_directory_iterator(Staging(), ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    synced = Fsync(it->path()) && synced;
  return synced && !ec;
}

// Puts folder `staged` in the place of folder `installed` and `installed` in the place of
// `staged`, in one step. A file system that cannot do so gets two renames, with the
// installed folder waiting as kRetiredProgram in between (ClearStaging puts it back when a
// kill strikes there). A missing `installed` is a plain rename.
bool ExchangeFolders(const fs::path& staged, const fs::path& installed) {
  std::error_code ec;
  if (!fs::exists(installed, ec)) {
    fs::create_directories(installed.parent_path(), ec);
    return ::rename(staged.c_str(), installed.c_str()) == 0;
  }
  const bool refused = platform::ShouldFail(platform::Fault::FolderExchange);
  if (!refused && ::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, installed.c_str(), RENAME_EXCHANGE) == 0)
    return true;
  if (!refused && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  const fs::path retired = Staging() / kRetiredProgram;
  if (::rename(installed.c_str(), retired.c_str()) != 0) return false;
  platform::CrashPoint();
  if (::rename(staged.c_str(), installed.c_str()) != 0) {
    ::rename(retired.c_str(), installed.c_str());
    return false;
  }
  // The switch is done; the earlier folder takes the staged one's name, as an exchange
  // would have left it.
  ::rename(retired.c_str(), staged.c_str());
  return true;
}

// What a killed run left: a program folder waiting as kRetiredProgram goes back in its
// place, and everything staged goes.
void ClearStaging(const fs::path& installed) {
  std::error_code ec;
  const fs::path retired = Staging() / kRetiredProgram;
  if (fs::exists(retired, ec) && !fs::exists(installed, ec)) fs::rename(retired, installed, ec);
  fs::remove_all(Staging(), ec);
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
      // The installer writes the key directly: the program's store is not running here.
      ok = preferences->SetString(pref::kDatabase.name, u"Slateway.db") &&
           preferences->SetString(pref::kDatabasePath.name, GetDatabaseFolder()) &&
           preferences->SetString(pref::kDbLocation.name, u"MAIN MEMORY") && ok;
    }
  }
  return batch.End() == ERROR_SUCCESS && ok;
}

// Puts the staged program folder in the place of `installed` and records the installation;
// when the registry cannot take it, the earlier folder goes back.
void SwitchProgramFolder(const fs::path& installed, const std::u16string& installFolder, double earlierVersion,
                         std::string& error, int& failedFolders, int& failedValues) {
  const fs::path staged = Staging() / kStagedProgram;
  std::error_code ec;
  const bool fresh = !fs::exists(installed, ec);
  if (!SyncStaging() || !ExchangeFolders(staged, installed)) {
    ++failedFolders;
    if (error.empty()) error = "cannot put " + installed.string() + " in place";
    return;
  }
  platform::CrashPoint();
  if (RecordInstallation(installFolder, earlierVersion)) return;
  ++failedValues;
  if (error.empty()) error = "cannot record the installation in the registry";
  if (fresh) fs::rename(installed, staged, ec);
  else ExchangeFolders(staged, installed);
}

// Puts each staged device file in its place; counts what failed, the first reason in `error`.
void PlaceDeviceFiles(const std::vector<DeviceFile>& files, int& failedFiles, std::string& error) {
  std::error_code ec;
  for (const DeviceFile& file : files) {
    fs::rename(file.staged, file.Target(), ec);
    if (ec) {
      ++failedFiles;
      if (error.empty()) error = "cannot put " + file.Target().string() + " in place";
    }
    platform::CrashPoint();
  }
}

// Stages each device file; counts what failed, the first reason in `error`.
void StageDeviceFiles(const std::vector<DeviceFile>& files, int& failedFolders, int& failedFiles, std::string& error) {
  std::error_code ec;
  for (const DeviceFile& file : files) {
    fs::create_directories(file.Target().parent_path(), ec);
    if (ec || !StageFile(file.from, file.staged)) {
      ++(ec ? failedFolders : failedFiles);
      if (error.empty()) error = "cannot install " + file.from.string();
    }
  }
}

// The owner's name and e-mail go into the device's owner record; what else it holds stays.
bool RecordOwner(const OwnerAnswers& answers) {
  platform::DeviceOwner owner = platform::ReadDeviceOwner().value_or(platform::DeviceOwner{});
  owner.name = answers.name;
  owner.email = answers.email;
  return platform::WriteDeviceOwner(owner);
}

WORD Count(int n) { return static_cast<WORD>(n > 0xFFFF ? 0xFFFF : n); }

}  // namespace

OwnerAnswers SuggestedOwner() {
  const std::optional<platform::DeviceOwner> owner = platform::ReadDeviceOwner();
  if (owner && !owner->name.empty()) return {owner->name, owner->email};
  return {platform::AccountFullName(), owner ? owner->email : std::u16string()};
}

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
  const fs::path installed = platform::MapDevicePath(m_installFolder);
  ClearStaging(installed);
  // The device comes with its shell's application buttons; the scanner's trigger is chosen
  // among them. A device root made here has them from the start.
  platform::InstallHardwareKeyEntries();
  // So does its owner, whom the device's settings name before any program is installed.
  if (!RecordOwner(m_owner ? *m_owner : SuggestedOwner())) {
    error = "the device owner cannot be recorded";
    return false;
  }
  // The setup library first, from where nothing of an earlier installation lies.
  std::string setupBytes;
  if (!ReadWholeFile(FindSource(m_sources, kSetupLibraryFile), setupBytes)) {
    error = std::string(kSetupLibraryFile) + " is missing beside the installer";
    return false;
  }
  std::error_code ec;
  const fs::path staging = Staging();
  fs::create_directories(staging / kStagedDeviceFiles, ec);
  if (!platform::WriteFileAtomic(staging / kSetupLibraryFile, setupBytes, false)) {
    error = "the setup library cannot be unpacked into " + staging.string();
    fs::remove_all(staging, ec);
    return false;
  }
  platform::CrashPoint();
  bool done = false;
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
    platform::CrashPoint();
    // The setup library makes the sample the device's database only where it has none.
    const std::u16string database = JoinPath(GetDatabaseFolder(), u"Slateway.db");
    const bool newDatabase = !fs::exists(platform::MapDevicePath(database));

    int failedFolders = 0, failedFiles = 0, failedValues = 0;
    const std::vector<DeviceFile> deviceFiles = DeviceFilesToPlace(m_sources, true);
    if (!StageProgramFolder(m_sources, installed, error)) ++failedFiles;
    StageDeviceFiles(deviceFiles, failedFolders, failedFiles, error);
    // The switch: the new program folder takes the place of the old in one step, then the
    // registry records it (whole or not at all; the old folder goes back when it cannot).
    if (failedFiles + failedFolders == 0)
      SwitchProgramFolder(installed, m_installFolder, earlier, error, failedFolders, failedValues);
    if (failedFiles + failedFolders + failedValues == 0) {
      platform::CrashPoint();
      PlaceDeviceFiles(deviceFiles, failedFiles, error);
      if (failedFiles == 0 && !RegisterPrintEngine(!previouslyInstalled)) {
        ++failedValues;
        if (error.empty()) error = "cannot register the printing engine";
      }
    }
    int result = setup.installExit(nullptr, m_installFolder.c_str(), Count(failedFolders), Count(failedFiles), 0,
                                   Count(failedValues), 0);
    done = result == kInstallExitDone && failedFolders + failedFiles + failedValues == 0;
    if (!done && error.empty()) error = "the setup library could not finish the installation";
    if (done && newDatabase && fs::exists(platform::MapDevicePath(database)) &&
        !WriteSampleAmountsInDeviceForm(database)) {
      // The program lays the sample out again, whole, at its first start.
      DeleteFileW(database.c_str());
      error = "the sample database could not take the device's number formats";
      done = false;
    }
    platform::CrashPoint();
  }
  fs::remove_all(staging, ec);
  return done;
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
  ClearStaging(platform::MapDevicePath(programPath));
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
  const fs::path installed = platform::MapDevicePath(programPath);
  ClearStaging(installed);
  int changedProgramFiles = 0;
  for (const char* name : kProgramFiles)
    if (!SameBytes(FindSource(m_sources, name), installed / name)) ++changedProgramFiles;
  std::vector<DeviceFile> libraries = DeviceFilesToPlace(m_sources, false);
  std::erase_if(libraries, [](const DeviceFile& file) { return SameBytes(file.from, file.Target()); });
  std::error_code ec;
  fs::create_directories(Staging() / kStagedDeviceFiles, ec);
  int failedFolders = 0, failedFiles = 0;
  // The program folder changes in one step, as at an installation; the registry keeps
  // what it holds.
  if (changedProgramFiles > 0 && !StageProgramFolder(m_sources, installed, error)) ++failedFiles;
  StageDeviceFiles(libraries, failedFolders, failedFiles, error);
  if (failedFolders + failedFiles == 0 && changedProgramFiles > 0 &&
      !(SyncStaging() && ExchangeFolders(Staging() / kStagedProgram, installed))) {
    ++failedFolders;
    if (error.empty()) error = "cannot put " + installed.string() + " in place";
  }
  if (failedFolders + failedFiles == 0) PlaceDeviceFiles(libraries, failedFiles, error);
  fs::remove_all(Staging(), ec);
  if (failedFolders + failedFiles != 0) return false;
  replaced = changedProgramFiles + static_cast<int>(libraries.size());
  return true;
}

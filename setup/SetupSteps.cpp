#include "setup/SetupSteps.h"

#include <array>

#include "core/Folders.h"
#include "core/Utilities.h"
#include "platform/kernel/Files.h"
#include "platform/module/Module.h"
#include "platform/process/Process.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Screen.h"
#include "setup/SettingsExport.h"
#include "setup/SetupFolders.h"
#include "setup/SetupRegistryKey.h"

namespace {

constexpr char16_t kCaption[] = u"Slateway";
constexpr char16_t kNoSalesTax[] = u"NoSalesTax";
constexpr char16_t kUpgrade[] = u"Upgrade";
constexpr char16_t kConvertDatabase[] = u"ConvertDB4To5";
constexpr char16_t kDatabaseFile[] = u"Slateway.db";
constexpr char16_t kSampleDatabaseFile[] = u"SlatewaySample.db";
constexpr char16_t kDefaultProgramPath[] = u"\\Program Files\\VendelSoftware\\Slateway";
constexpr char16_t kDefaultImagePath[] = u"\\Application Data\\VendelSoftware\\Slateway\\Images";

// The oldest and newest versions whose settings and database are carried over.
constexpr double kFirstCarriedVersion = 4.0;
constexpr double kLastCarriedVersion = 4.4;

// Card folders in the order they are tested; the first one the path holds decides.
constexpr std::array<const char16_t*, 7> kStorageCards = {u"SD Card",   u"Storage Card",    u"Built-in Storage",
                                                          u"CF Card",   u"iPAQ File Store", u"Compact Flash",
                                                          u"Mini SD"};

// Every document type's sales tax and second tax, on screen and on the printer.
constexpr std::array<const char16_t*, 24> kTaxDisplayFlags = {
    u"InvSalesTaxOnScreen", u"InvSalesTaxOnPrinter", u"EstSalesTaxOnScreen", u"EstSalesTaxOnPrinter",
    u"RecSalesTaxOnScreen", u"RecSalesTaxOnPrinter", u"PaySalesTaxOnScreen", u"PaySalesTaxOnPrinter",
    u"SOSalesTaxOnScreen",  u"SOSalesTaxOnPrinter",  u"CMSalesTaxOnScreen",  u"CMSalesTaxOnPrinter",
    u"InvTax2OnScreen",     u"InvTax2OnPrinter",     u"EstTax2OnScreen",     u"EstTax2OnPrinter",
    u"RecTax2OnScreen",     u"RecTax2OnPrinter",     u"PayTax2OnScreen",     u"PayTax2OnPrinter",
    u"SOTax2OnScreen",      u"SOTax2OnPrinter",      u"CMTax2OnScreen",      u"CMTax2OnPrinter"};

bool AskYes(HWND owner, const char16_t* question) {
  return MessageBoxW(owner, question, kCaption, MB_YESNO) == IDYES;
}

std::u16string DataFile(std::u16string_view name) { return JoinPath(GetDataFolder(true), name); }

void DeleteMarker(std::u16string_view word) { DeleteFileW(DataFile(std::u16string(word) + u".txt").c_str()); }

void RemoveFolderUnlessRoot(const std::u16string& folder) {
  if (!IsRootFolder(folder)) RemoveDirectoryW(folder.c_str());
}

}  // namespace

int InstallInit(HWND owner, bool firstCall) {
  GetDataFolder(true);
  CSetupRegistryKey root;
  std::u16string versionText;
  const bool earlier = root.GetString(u"Version", versionText) && !versionText.empty();
  const double version = GetStoredVersion(root);
  const std::u16string settingsFile = DataFile(kSettingsFileName);
  // Settings kept by an earlier removal wait in the data folder for the program to
  // restore them; they hold the sales-tax choice too.
  const bool keptSettings = !earlier && FileExists(settingsFile);

  OSVERSIONINFOW os;
  GetVersionExW(&os);
  bool exported = false;
  // Only a question that was asked can be answered No.
  bool chargesTax = true;
  if (os.dwMajorVersion > 4 && firstCall) {
    if (version >= kFirstCarriedVersion && version <= kLastCarriedVersion &&
        AskYes(owner, u"Would you like to use your existing Slateway settings? This may take a few minutes.")) {
      exported = ExportSettings(SettingsExportMode::Migration);
    }
    if (version == 0.0 && !keptSettings) chargesTax = AskYes(owner, u"Will you be charging sales tax with Slateway?");
  }
  if (!exported && !chargesTax) WriteMarkerFile(kNoSalesTax);

  if (firstCall && (earlier || keptSettings)) {
    WriteMarkerFile(kUpgrade);
    // A settings file the program restored at an earlier start would otherwise be
    // restored again over everything changed since.
    DWORD upgrading = 0;
    if (earlier && !exported && !(root.GetDword(u"Upgrading", upgrading) && upgrading != 0))
      DeleteFileW(settingsFile.c_str());
    // Without the old database in place the new one needs no conversion.
    if (earlier && version <= kLastCarriedVersion && CopyOldDatabase()) WriteMarkerFile(kConvertDatabase);
  }
  return 0;
}

int InstallExit(HWND owner, std::u16string_view installFolder, const InstallFailures& failures) {
  if (failures.Any()) return 1;
  {
    // The settings land together or not at all; the markers go only once they landed,
    // so a failed write is done again by the next installation.
    platform::CRegistryBatch batch;
    FixStorageCardPaths();
    const bool noSalesTax = MarkerFileExists(kNoSalesTax);
    if (noSalesTax) {
      auto preferences = OpenPreferencesKey();
      SetPreferenceDword(*preferences, pref::kUseSalesTax, 0);
      CSetupRegistryKey custom(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway\\CustomSettings");
      for (const char16_t* flag : kTaxDisplayFlags) custom.SetDword(flag, 0);
    }
    const bool upgrade = MarkerFileExists(kUpgrade);
    const bool convert = MarkerFileExists(kConvertDatabase);
    {
      CSetupRegistryKey root;
      if (upgrade) root.SetDword(u"Upgrading", 1);
      if (convert) root.SetDword(u"DBConvert4To5", 1);
    }
    if (batch.End() == ERROR_SUCCESS) {
      if (noSalesTax) DeleteMarker(kNoSalesTax);
      if (upgrade) DeleteMarker(kUpgrade);
      if (convert) DeleteMarker(kConvertDatabase);
    }
  }
  PlaceSampleDatabase();
  if (AskYes(owner, u"Would you like to start Slateway now?")) StartMainProgram(installFolder);
  return 0;
}

int UninstallInit(HWND owner) {
  GetDataFolder(true);
  if (!AskYes(owner,
              u"Would you like to keep your existing Items List?\n\n Select \"Yes\" to keep the list, or select "
              u"\"No\" to delete the list.")) {
    std::u16string folder = GetItemsDatabaseFolder();
    DeleteFileW(JoinPath(folder, kDatabaseFile).c_str());
    RemoveFolderUnlessRoot(folder);
  }
  if (AskYes(owner,
             u"Would you like to keep your existing Options and Templates settings?\n\n Select \"Yes\" to keep the "
             u"settings, or select \"No\" to delete the settings (this may take a few minutes).")) {
    ExportSettings(SettingsExportMode::Keep);
  } else {
    DeleteFileW(DataFile(kSettingsFileName).c_str());
  }
  std::u16string images = kDefaultImagePath;
  bool named = false;
  {
    auto preferences = OpenPreferencesKey();
    named = GetPreferenceString(*preferences, pref::kImagePath, images) != 0;
  }
  DeleteFileW(JoinPath(images, u"KTWSignature.bmp").c_str());
  // While no picture folder is named the program keeps the signature in the device's root:
  // the last customer's signature is not left behind there either.
  if (!named) DeleteFileW(u"\\KTWSignature.bmp");
  DeleteFileW(DataFile(u"Slateway DedadErude Edition_log.txt").c_str());
  return 0;
}

int UninstallExit(HWND, bool componentsStarted) {
  if (componentsStarted) UnregisterPrintEngine();
  std::u16string programPath = kDefaultProgramPath;
  {
    CSetupRegistryKey root;
    root.GetString(u"ProgramPath", programPath);
  }
  DeleteFileOrLibrary(JoinPath(programPath, u"QVNSetup.dll"));
  RemoveFolderUnlessRoot(programPath);
  RemoveDirectoryW(GetDataFolder(true).c_str());
  std::u16string vendor = GetDataFolder(false);
  CBstr ownerInfo;
  if (GetOwnerInfoFilePath(ownerInfo)) DeleteFileW(ownerInfo.c_str());
  RemoveDirectoryW(vendor.c_str());
  RemoveDirectoryW(u"\\Program Files\\VendelSoftware");
  RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\VendelInvoice");
  RegDeleteKeyW(HKEY_CURRENT_USER, kSetupRootKey);
  return 0;
}

bool CopyOldDatabase() {
  std::u16string from = JoinPath(GetItemsDatabaseFolder(), u"QVNDatabase.db");
  std::u16string to = JoinPath(GetDatabaseFolder(), kDatabaseFile);
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

void FixStorageCardPaths() {
  auto preferences = OpenPreferencesKey();
  std::u16string path;
  GetPreferenceString(*preferences, pref::kDatabasePath, path);
  for (const char16_t* card : kStorageCards) {
    std::u16string prefix = u"\\" + std::u16string(card) + u"\\";
    if (path.find(prefix) == std::u16string::npos) continue;
    for (size_t at; (at = path.find(prefix)) != std::u16string::npos;) path.erase(at, prefix.size());
    SetPreferenceString(*preferences, pref::kDbLocation, card);
    SetPreferenceString(*preferences, pref::kDatabasePath, path);
    return;
  }
}

void PlaceSampleDatabase() {
  std::u16string folder = GetDatabaseFolder();
  std::u16string database = JoinPath(folder, kDatabaseFile);
  std::u16string sample = JoinPath(folder, kSampleDatabaseFile);
  if (!FileExists(database)) MoveFileW(sample.c_str(), database.c_str());
  DeleteFileW(sample.c_str());
}

bool StartMainProgram(std::u16string_view installFolder) {
  std::u16string program = JoinPath(installFolder, u"Slateway.exe");
  std::u16string commandLine;
  PROCESS_INFORMATION info;
  return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                        &info) != FALSE;
}

void UnregisterPrintEngine() {
  HMODULE engine = LoadLibraryW(u"\\Windows\\PREngineCE.dll");
  if (!engine) return;
  WCHAR path[MAX_PATH + 1] = {};
  CRegKeyHandle shared;
  DWORD users = 0, size = sizeof users;
  if (GetModuleFileNameW(engine, path, MAX_PATH) &&
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Apps\\Shared", 0, KEY_READ, shared.put()) == ERROR_SUCCESS &&
      RegQueryValueExW(shared.get(), path, nullptr, nullptr, reinterpret_cast<BYTE*>(&users), &size) ==
          ERROR_SUCCESS &&
      users <= 1) {
    using Unregister = HRESULT (*)();
    if (auto unregister = reinterpret_cast<Unregister>(GetProcAddress(engine, "DllUnregisterServer"))) unregister();
  }
  FreeLibrary(engine);
}

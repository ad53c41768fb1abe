// slateway-install with the real setup library: fresh install, reinstall, an install that
// fails part of the way or is killed at any step, a removal whose kept settings the program
// can restore, the update of an installation of this version, and the files of an installed
// copy's folders.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Folders.h"
#include "core/RegistryKey.h"
#include "core/Utilities.h"
#include "document/SettingsXml.h"
#include "mainwindow/DesktopFiles.h"
#include "platform/base/Faults.h"
#include "platform/printing/PrintEngines.h"
#include "platform/registry/Registry.h"
#include "platform/shell/DeviceOwner.h"
#include "tests/apps/InstallerFixture.h"

namespace {

using installer_test::InstallerTest;
using namespace setup_test;

constexpr char16_t kProgram[] = u"\\Program Files\\Slateway\\Slateway";

std::u16string RootText(std::u16string_view name) {
  std::u16string text;
  CSetupRegistryKey().GetString(name, text);
  return text;
}

using Installer = InstallerTest;

TEST_F(Installer, FreshInstallLaysOutTheProgramAndItsDatabase) {
  ASSERT_TRUE(Install(true));
  EXPECT_EQ(ReadText(kProgram), "new Slateway");
  EXPECT_TRUE(Exists(u"\\Program Files\\Slateway\\QVNSetup.dll.so"));
  EXPECT_EQ(ReadText(kDatabase), "sample");
  EXPECT_EQ(ReadText(DataFile(u"Templates\\CSV_Export.xsl")), "new CSV_Export.xsl");
  EXPECT_EQ(RootText(u"Version"), u"5.0");
  EXPECT_EQ(RootText(u"ProgramPath"), u"\\Program Files\\Slateway");
  EXPECT_EQ(Preference(u"DatabasePath"), u"\\Application Data\\VendelSoftware\\Slateway\\Database");
  CLSID engine;
  EXPECT_EQ(CLSIDFromProgID(kPrinterCEProgId, &engine), S_OK) << "the shared printing engine is registered";
  DWORD users = 0;
  EXPECT_TRUE(CSetupRegistryKey(HKEY_LOCAL_MACHINE, u"Software\\Apps\\Shared").GetDword(u"\\Windows\\PREngineCE.dll", users));
  EXPECT_EQ(users, 1u);
  EXPECT_EQ(RegisterPimStore(), S_OK) << "the contacts server the device provides is in place";
  for (const char16_t* library : {u"ScanAPI.dll", u"ScnAPI32.dll", u"Grabba.dll"}) {
    HMODULE scanner = LoadLibraryW((std::u16string(u"\\Windows\\") + library).c_str());
    EXPECT_NE(scanner, nullptr) << "the scanner library the drivers load is in place";
    if (scanner) FreeLibrary(scanner);
  }
  EXPECT_EQ(platform::ComInitializeCount(), 0) << "the setup library ends what it started";
  EXPECT_FALSE(Exists(u"\\Temp\\Slateway Setup"));
  EXPECT_FALSE(Exists(u"\\Program Files\\Slateway\\Slateway.new"));
}

TEST_F(Installer, ReinstallKeepsTheUsersDatabaseAndPlaces) {
  ASSERT_TRUE(Install(true));
  WriteText(kDatabase, "my lists");
  SetPreference(u"DBLocation", u"Storage Card");
  Build("Slateway", "newer Slateway");
  ASSERT_TRUE(Install(false));
  EXPECT_EQ(ReadText(kProgram), "newer Slateway");
  EXPECT_EQ(ReadText(kDatabase), "my lists");
  EXPECT_EQ(Preference(u"DBLocation"), u"Storage Card");
  EXPECT_EQ(RootDword(u"Upgrading"), 1u);
}

// The owner questions stand in for the device's own owner settings: unattended, the account's
// full name and no e-mail; asked, the answers; the rest of the record is the device's.
TEST_F(Installer, RecordsTheDeviceOwnerAskedForOrTheAccountsName) {
  ASSERT_TRUE(Install(true));
  std::optional<platform::DeviceOwner> owner = platform::ReadDeviceOwner();
  ASSERT_TRUE(owner.has_value());
  EXPECT_EQ(owner->name, platform::AccountFullName());
  EXPECT_FALSE(owner->name.empty()) << "the account has a full name or at least a login name";
  EXPECT_EQ(owner->email, u"");

  ASSERT_TRUE(platform::WriteDeviceOwner({u"Ada Field", u"Field & Co", u"1 Pier Road", u"555-0100", u""}));
  EXPECT_EQ(SuggestedOwner().name, u"Ada Field") << "a device that names its owner offers that name";
  ASSERT_TRUE(Install(false, OwnerAnswers{u"Nora Birch", u"nora@birchwood.example"}));
  ASSERT_TRUE(Install(false)) << "unattended, a reinstall keeps the owner";
  owner = platform::ReadDeviceOwner();
  ASSERT_TRUE(owner.has_value());
  EXPECT_EQ(owner->name, u"Nora Birch");
  EXPECT_EQ(owner->email, u"nora@birchwood.example");
  EXPECT_EQ(owner->company, u"Field & Co");
  EXPECT_EQ(owner->phone, u"555-0100");

  const std::u16string longName(40, u'x');
  ASSERT_TRUE(Install(false, OwnerAnswers{longName, u""}));
  EXPECT_EQ(platform::ReadDeviceOwner()->name, longName.substr(0, 35)) << "cut to its field, its null kept";
}

TEST_F(Installer, UpgradeThatFailsPartOfTheWayLeavesTheOldInstallationWorking) {
  SetRoot(u"Version", u"4.2");
  SetRoot(u"ProgramPath", u"\\Program Files\\Slateway");
  SetPreference(u"DatabasePath", u"\\My Documents");
  Place(kProgram, "old Slateway");
  Place(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL", "old texts");
  Place(u"\\My Documents\\QVNDatabase.db", "version four");
  std::filesystem::remove(source / "Slateway.htm");

  boxes.Expect(kSettingsQuestion).Answer(IDNO);
  std::string error;
  EXPECT_FALSE(CInstaller(source).Install(error));
  EXPECT_NE(error.find("Slateway.htm"), std::string::npos) << error;
  EXPECT_EQ(ReadText(kProgram), "old Slateway");
  EXPECT_EQ(ReadText(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"), "old texts");
  EXPECT_FALSE(Exists(u"\\Program Files\\Slateway\\QVNSetup.dll.so"));
  EXPECT_FALSE(Exists(u"\\Temp\\Slateway Setup")) << "nothing staged is left";
  EXPECT_EQ(ReadText(u"\\My Documents\\QVNDatabase.db"), "version four");
  EXPECT_EQ(RootText(u"Version"), u"4.2");
  EXPECT_EQ(Preference(u"DatabasePath"), u"\\My Documents");
  EXPECT_FALSE(RootDword(u"Upgrading").has_value());
  EXPECT_FALSE(RootDword(u"DBConvert4To5").has_value());
}

TEST_F(Installer, RemovalKeepsListAndSettingsThatTheProgramRestores) {
  ASSERT_TRUE(Install(true));
  SetPreference(u"CompanyName", u"Smith & Sons <br> Ltd");
  ASSERT_TRUE(CSetupRegistryKey(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway\\CustomSettings")
                  .SetDword(u"InvSalesTaxOnScreen", 0));
  // The owner information the program wrote for the desktop goes with the program.
  ASSERT_TRUE(WriteOwnerInfoFile(nullptr));
  CBstr ownerInfo;
  ASSERT_TRUE(GetOwnerInfoFilePath(ownerInfo));
  ASSERT_TRUE(Exists(ownerInfo.view()));
  boxes.Expect(kKeepItemsQuestion).Answer(IDYES);
  boxes.Expect(kKeepSettingsQuestion).Answer(IDYES);
  std::string error;
  ASSERT_TRUE(CInstaller(source).Uninstall(error)) << error;
  EXPECT_FALSE(Exists(ownerInfo.view()));
  EXPECT_FALSE(Exists(u"\\Program Files\\Slateway"));
  EXPECT_TRUE(RootText(u"ProgramPath").empty());
  EXPECT_EQ(ReadText(kDatabase), "sample");
  EXPECT_FALSE(CInstaller(source).Uninstall(error)) << "nothing is installed any more";
  CLSID engine;
  EXPECT_EQ(CLSIDFromProgID(kPrinterCEProgId, &engine), CO_E_CLASSSTRING) << "its last user is gone";
  EXPECT_FALSE(Exists(u"\\Windows\\PREngineCE.dll.so"));

  CRegistryKey custom(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway\\CustomSettings");
  int count = 0;
  ASSERT_TRUE(CSettingsXml(nullptr, &custom).Import(CBstr(DataFile(u"SlatewaySettings.oat")), &count));
  EXPECT_EQ(Preference(u"CompanyName"), u"Smith & Sons <br> Ltd");
  EXPECT_EQ(Dword(u"Software\\VendelSoftware\\Slateway\\CustomSettings", u"InvSalesTaxOnScreen"), 0u);
}

TEST_F(Installer, UpdateOfThisVersionReplacesTheChangedProgramFilesAllOrNoneAskingNothing) {
  std::string error;
  int replaced = -1;
  EXPECT_EQ(CompareInstallation(), InstalledVersion::None);
  EXPECT_FALSE(CInstaller(source).Refresh(error, replaced)) << "nothing is installed";
  ASSERT_TRUE(Install(true));
  EXPECT_EQ(CompareInstallation(), InstalledVersion::Same);
  WriteText(kDatabase, "my lists");

  // The message box script fails the test on any question.
  Build("QVNLANGUAGE.DLL", "changed texts");
  std::filesystem::remove(source / "Slateway.htm");
  EXPECT_FALSE(CInstaller(source).Refresh(error, replaced));
  EXPECT_EQ(ReadText(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"), "new QVNLANGUAGE.DLL");
  Build("Slateway.htm", "new Slateway.htm");
  error.clear();
  ASSERT_TRUE(CInstaller(source).Refresh(error, replaced)) << error;
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(ReadText(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"), "changed texts");
  EXPECT_EQ(ReadText(kDatabase), "my lists");
  EXPECT_FALSE(Exists(u"\\Application Data\\VendelSoftware\\Slateway\\Database\\SlatewaySample.db"));
  EXPECT_FALSE(RootDword(u"Upgrading").has_value()) << "no upgrade for the program to carry out";
  ASSERT_TRUE(CInstaller(source).Refresh(error, replaced)) << error;
  EXPECT_EQ(replaced, 0);

  SetRoot(u"Version", u"4.4");
  EXPECT_EQ(CompareInstallation(), InstalledVersion::Older);
  SetRoot(u"Version", u"9.1");
  EXPECT_EQ(CompareInstallation(), InstalledVersion::Newer);
}

TEST_F(Installer, InstalledCopyTakesItsFilesFromTheLibraryAndDataFolders) {
  namespace fs = std::filesystem;
  const fs::path libraries = Root() / "lib", data = Root() / "share";
  fs::create_directories(libraries);
  fs::create_directories(data);
  for (const char* name : {"QVNSetup.dll.so", "QVNLANGUAGE.DLL", "libslateway_platform.so"})
    fs::rename(source / name, libraries / name);
  for (const char* name : {"Slateway.htm", "SlatewaySample.db", "CSV_Export.xsl"}) fs::rename(source / name, data / name);
  boxes.Expect(kTaxQuestion).Answer(IDYES);
  boxes.Expect(kStartQuestion).Answer(IDNO);
  std::string error;
  ASSERT_TRUE(CInstaller(std::vector<fs::path>{source, libraries, data}).Install(error)) << error;
  EXPECT_EQ(ReadText(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"), "new QVNLANGUAGE.DLL");
  EXPECT_EQ(ReadText(u"\\Program Files\\Slateway\\Slateway.htm"), "new Slateway.htm");
  EXPECT_EQ(ReadText(kDatabase), "sample");
  EXPECT_EQ(ReadText(kProgram), "new Slateway");
}

// The program files a build writes as text, so that a test can tell two builds apart.
const char* const kBuiltText[] = {"Slateway", "libslateway_platform.so", "libslateway_htmlview.so",
                                  "libslateway_mapi.so", "QVNLANGUAGE.DLL", "Slateway.htm"};

class KilledInstall : public InstallerTest {
 protected:
  void BuildGeneration(const std::string& generation) {
    for (const char* name : kBuiltText) Build(name, generation + " " + name);
  }
  // The build every file of the program folder `folder` comes from; "mixed" otherwise.
  std::string GenerationIn(std::u16string_view folder = u"\\Program Files\\Slateway") const {
    std::set<std::string> seen;
    for (const char* name : kBuiltText) {
      const std::string text = ReadText(std::u16string(folder) + u"\\" + platform::ToUtf16(name));
      seen.insert(text.substr(0, text.find(' ')));
    }
    for (const char16_t* name : {u"QVNSetup.dll.so", u"SlatewaySample.db", u"notes.txt"})
      if (!Exists(std::u16string(folder) + u"\\" + name)) seen.insert("incomplete");
    return seen.size() == 1 ? *seen.begin() : "mixed";
  }
  // Installs the build in a child process that is killed at its `step`th crash point (with
  // folders switched in two renames when `inTwo`); true when it was killed.
  bool InstallKilledAt(int step, bool inTwo) {
    const pid_t child = ::fork();
    if (child == 0) {
      platform::InjectFault(platform::Fault::Crash, step);
      if (inTwo) platform::InjectFault(platform::Fault::FolderExchange, 0, 1000);
      boxes.Expect(kStartQuestion).Answer(IDNO);
      std::string error;
      ::_exit(CInstaller(source).Install(error) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    // The child wrote the registry behind this process's back.
    platform::ReloadRegistry();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 1) << "the install failed at step " << step;
    return WEXITSTATUS(status) == platform::kCrashExitCode;
  }
  // Upgrades to a new build through an install killed at `step`, checks what the kill left,
  // and lets the next run finish. The step of the last crash point is the one that is not
  // killed; -1 when killed. `switched` becomes true when the kill left the new program.
  bool UpgradeKilledAt(int step, bool inTwo, bool& switched) {
    const std::string before = "g" + std::to_string(m_generation), after = "g" + std::to_string(++m_generation);
    BuildGeneration(after);
    const bool killed = InstallKilledAt(step, inTwo);
    const std::string left = GenerationIn();
    switched = left == after;
    // Folders switched in two renames leave a moment without one, the old one waiting whole
    // in the staging folder until the next run puts it back.
    const bool waiting = inTwo && !Exists(u"\\Program Files\\Slateway") &&
                         GenerationIn(u"\\Temp\\Slateway Setup\\Retired") == before;
    EXPECT_TRUE(left == before || left == after || waiting) << left << " after a kill at step " << step;
    if (killed) {
      EXPECT_TRUE(Install(false)) << "the run after a kill at step " << step;
    }
    EXPECT_EQ(GenerationIn(), after) << step;
    EXPECT_FALSE(Exists(u"\\Temp\\Slateway Setup")) << "staged files left after step " << step;
    return killed;
  }

  int m_generation = 0;
};

TEST_F(KilledInstall, LeavesOneWholeProgramAndTheNextRunFinishesTheUpgrade) {
  BuildGeneration("g0");
  ASSERT_TRUE(Install(true));
  Place(u"\\Program Files\\Slateway\\notes.txt", "mine");
  int switchStep = -1;
  bool switched = false;
  for (int step = 0; UpgradeKilledAt(step, false, switched); ++step)
    if (switched && switchStep < 0) switchStep = step;
  ASSERT_GT(switchStep, 0);
  // Where folders cannot change places in one step: a kill between the two renames, and
  // right after them.
  for (int step : {switchStep, switchStep + 1}) EXPECT_TRUE(UpgradeKilledAt(step, true, switched));
}

}  // namespace

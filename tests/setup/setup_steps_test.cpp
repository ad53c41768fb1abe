// The setup library around an installation and a removal: questions asked, markers left
// in the data folder, the flags they become for the program's next start, the carried
// database, the sample database, storage-card paths and what a removal keeps.
#include <filesystem>
#include <string>

#include "platform/printing/PrintEngines.h"
#include "setup/SetupSteps.h"
#include "tests/setup/SetupFixture.h"

namespace {

using namespace setup_test;

constexpr char16_t kCustomSettings[] = u"Software\\VendelSoftware\\Slateway\\CustomSettings";

class SetupSteps : public SetupTest {
 protected:
  bool Marker(std::u16string_view word) { return Exists(DataFile(std::u16string(word) + u".txt")); }
  void FinishInstall(int startAnswer = IDNO) {
    boxes.Expect(kStartQuestion).Caption(u"Slateway").Style(MB_YESNO).Answer(startAnswer);
    EXPECT_EQ(InstallExit(nullptr, u"\\Program Files\\Slateway", {}), 0);
  }
};

TEST_F(SetupSteps, FreshInstallAnsweredNoToSalesTaxTurnsEveryTaxDisplayOff) {
  boxes.Expect(kTaxQuestion).Caption(u"Slateway").Style(MB_YESNO).Answer(IDNO);
  EXPECT_EQ(InstallInit(nullptr, true), 0);
  EXPECT_EQ(ReadText(DataFile(u"NoSalesTax.txt")), "NoSalesTax");
  EXPECT_FALSE(Marker(u"Upgrade"));
  FinishInstall();
  EXPECT_FALSE(Marker(u"NoSalesTax"));
  EXPECT_EQ(Dword(kSetupPreferencesKey, u"UseSalesTax"), 0u);
  EXPECT_EQ(Dword(kCustomSettings, u"InvSalesTaxOnScreen"), 0u);
  EXPECT_EQ(Dword(kCustomSettings, u"CMTax2OnPrinter"), 0u);
  EXPECT_FALSE(RootDword(u"Upgrading").has_value());
}

TEST_F(SetupSteps, FreshInstallAnsweredYesLeavesSalesTaxAlone) {
  boxes.Expect(kTaxQuestion).Answer(IDYES);
  InstallInit(nullptr, true);
  Place(DataFile(u"Database\\SlatewaySample.db"), "sample");
  FinishInstall(IDYES);
  EXPECT_FALSE(Dword(kSetupPreferencesKey, u"UseSalesTax").has_value());
  EXPECT_EQ(ReadText(kDatabase), "sample");
  EXPECT_FALSE(Exists(DataFile(u"Database\\SlatewaySample.db")));
  ASSERT_EQ(platform::ProcessLaunches().size(), 1u);
  EXPECT_EQ(platform::ProcessLaunches()[0].application, u"\\Program Files\\Slateway\\Slateway.exe");
  EXPECT_TRUE(StartMainProgram(u"\\"));
  EXPECT_EQ(platform::ProcessLaunches()[1].application, u"\\Slateway.exe");
}

TEST_F(SetupSteps, UpgradeFrom42CarriesTheOldDatabaseAndMarksItForConversion) {
  SetRoot(u"Version", u"4.2");
  SetPreference(u"DatabasePath", u"\\My Documents\\Lists");
  Place(u"\\My Documents\\Lists\\QVNDatabase.db", "version four");
  boxes.Expect(kSettingsQuestion).Answer(IDNO);  // no sales-tax question on an upgrade
  InstallInit(nullptr, true);
  EXPECT_TRUE(Marker(u"Upgrade"));
  EXPECT_TRUE(Marker(u"ConvertDB4To5"));
  EXPECT_FALSE(Marker(u"NoSalesTax"));
  EXPECT_EQ(ReadText(kDatabase), "version four");

  // An existing database stays; the sample goes anyway.
  Place(DataFile(u"Database\\SlatewaySample.db"), "sample");
  FinishInstall();
  EXPECT_EQ(RootDword(u"Upgrading"), 1u);
  EXPECT_EQ(RootDword(u"DBConvert4To5"), 1u);
  EXPECT_FALSE(Marker(u"Upgrade"));
  EXPECT_FALSE(Marker(u"ConvertDB4To5"));
  EXPECT_EQ(ReadText(kDatabase), "version four");
  EXPECT_FALSE(Exists(DataFile(u"Database\\SlatewaySample.db")));
}

TEST_F(SetupSteps, UpgradeFromVersion5NeedsNoConversionAndDropsARestoredSettingsFile) {
  SetRoot(u"Version", u"5.0");
  Place(DataFile(u"SlatewaySettings.oat"), "<restored at an earlier start/>");
  InstallInit(nullptr, true);  // no question at all
  EXPECT_TRUE(Marker(u"Upgrade"));
  EXPECT_FALSE(Marker(u"ConvertDB4To5"));
  EXPECT_FALSE(Exists(DataFile(u"SlatewaySettings.oat")));

  // One the program has not restored yet stays for it.
  Place(DataFile(u"SlatewaySettings.oat"), "<waiting/>");
  FinishInstall();
  InstallInit(nullptr, true);
  EXPECT_TRUE(Exists(DataFile(u"SlatewaySettings.oat")));
}

TEST_F(SetupSteps, InstallAfterARemovalThatKeptTheSettingsRestoresThem) {
  Place(DataFile(u"SlatewaySettings.oat"), "<kept/>");
  InstallInit(nullptr, true);
  EXPECT_TRUE(Marker(u"Upgrade"));
  FinishInstall();
  EXPECT_EQ(RootDword(u"Upgrading"), 1u);
}

TEST_F(SetupSteps, FailedInstallationChangesNothing) {
  SetRoot(u"Version", u"4.4");
  boxes.Expect(kSettingsQuestion).Answer(IDNO);
  InstallInit(nullptr, true);
  InstallFailures failures;
  failures.files = 1;
  EXPECT_EQ(InstallExit(nullptr, u"\\Program Files\\Slateway", failures), 1);
  EXPECT_TRUE(Marker(u"Upgrade"));
  EXPECT_FALSE(RootDword(u"Upgrading").has_value());
}

TEST_F(SetupSteps, DatabasePathOnAStorageCardBecomesItsLocation) {
  SetPreference(u"DatabasePath", u"\\Storage Card\\Docs");
  FixStorageCardPaths();
  EXPECT_EQ(Preference(u"DBLocation"), u"Storage Card");
  EXPECT_EQ(Preference(u"DatabasePath"), u"Docs");
  // The SD card is looked for before the storage card.
  SetPreference(u"DatabasePath", u"\\Storage Card\\SD Card\\x");
  FixStorageCardPaths();
  EXPECT_EQ(Preference(u"DBLocation"), u"SD Card");
  // A path of 300 characters is read whole, not taken for missing and written over.
  const std::u16string deep = u"Lists\\" + std::u16string(293, u'd');
  SetPreference(u"DatabasePath", u"\\Storage Card\\" + deep);
  FixStorageCardPaths();
  EXPECT_EQ(Preference(u"DBLocation"), u"Storage Card");
  EXPECT_EQ(Preference(u"DatabasePath"), deep);
  SetPreference(u"DatabasePath", u"\\Docs\\" + deep);
  FixStorageCardPaths();
  EXPECT_EQ(Preference(u"DatabasePath"), u"\\Docs\\" + deep);
}

TEST_F(SetupSteps, RemovalAnsweredNoDeletesListAndSettingsButNeverACardsRoot) {
  SetPreference(u"DBLocation", u"Storage Card");
  SetPreference(u"DatabasePath", u"None");
  Place(u"\\Storage Card\\Slateway.db", "lists");
  Place(DataFile(u"SlatewaySettings.oat"), "old");
  // With no picture folder named, the program keeps the customer's signature in the root.
  Place(u"\\KTWSignature.bmp", "strokes");
  boxes.Expect(kKeepItemsQuestion).Answer(IDNO);
  boxes.Expect(kKeepSettingsQuestion).Answer(IDNO);
  EXPECT_EQ(UninstallInit(nullptr), 0);
  EXPECT_FALSE(Exists(u"\\KTWSignature.bmp"));
  EXPECT_FALSE(Exists(u"\\Storage Card\\Slateway.db"));
  EXPECT_TRUE(Exists(u"\\Storage Card"));
  EXPECT_FALSE(Exists(DataFile(u"SlatewaySettings.oat")));
}

TEST_F(SetupSteps, RemovalAnsweredYesKeepsListAndSettingsAndDropsTheProgram) {
  SetRoot(u"ProgramPath", u"\\Program Files\\Slateway");
  SetPreference(u"DatabasePath", u"\\Application Data\\VendelSoftware\\Slateway\\Database");
  SetPreference(u"LastTerms", u"Net 30");
  SetPreference(u"ImagePath", u"\\Pictures");  // the folder a desktop update named
  Place(u"\\Pictures\\KTWSignature.bmp", "strokes");
  Place(u"\\KTWSignature.bmp", "a file of the user's own");
  Place(kDatabase, "lists");
  Place(u"\\Program Files\\Slateway\\QVNSetup.dll.so", "library");
  Place(u"\\Application Data\\VendelSoftware\\OwnerInfo.xml", "<owner/>");
  boxes.Expect(kKeepItemsQuestion).Answer(IDYES);
  boxes.Expect(kKeepSettingsQuestion).Answer(IDYES);
  UninstallInit(nullptr);
  EXPECT_EQ(UninstallExit(nullptr), 0);
  EXPECT_EQ(ReadText(kDatabase), "lists");
  EXPECT_NE(ReadText(DataFile(u"SlatewaySettings.oat")).find("<LastTerms TYPE='S'>Net 30</LastTerms>"),
            std::string::npos);
  EXPECT_FALSE(Exists(u"\\Program Files\\Slateway"));
  EXPECT_FALSE(Exists(u"\\Application Data\\VendelSoftware\\OwnerInfo.xml"));
  EXPECT_TRUE(Preference(u"LastTerms").empty());
  EXPECT_FALSE(Exists(u"\\Pictures\\KTWSignature.bmp"));
  EXPECT_TRUE(Exists(u"\\KTWSignature.bmp"));
}

}  // namespace

namespace {

// The printing engine's library is unregistered only when no other program shares it.
TEST_F(SetupSteps, RemovalUnregistersThePrintEngineOnlyWhenNothingElseSharesIt) {
  std::filesystem::create_directories(Linux(u"\\Windows"));
  std::filesystem::copy_file(SLATEWAY_PRINT_ENGINE_MODULE, Linux(u"\\Windows\\PREngineCE.dll.so"));
  ASSERT_EQ(RegisterPrintEngineClasses(), S_OK);
  CSetupRegistryKey shared(HKEY_LOCAL_MACHINE, u"Software\\Apps\\Shared");
  const auto registered = [] {
    CLSID engine;
    return CLSIDFromProgID(kPrinterCEProgId, &engine) == S_OK;
  };

  UnregisterPrintEngine();
  EXPECT_TRUE(registered()) << "no shared-use count: left alone";
  ASSERT_TRUE(shared.SetDword(u"\\Windows\\PREngineCE.dll", 2));
  UnregisterPrintEngine();
  EXPECT_TRUE(registered());
  ASSERT_TRUE(shared.SetDword(u"\\Windows\\PREngineCE.dll", 1));
  UnregisterPrintEngine();
  EXPECT_FALSE(registered());
  EXPECT_EQ(platform::LoadedModuleCount(), 0);
}

}  // namespace

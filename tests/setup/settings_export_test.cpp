// The setup library's settings file: value texts, carried-over company values, what
// migration leaves out, and a file that cannot be written.
#include <string>
#include <vector>

#include "platform/base/Faults.h"
#include "setup/SettingsExport.h"
#include "tests/setup/SetupFixture.h"

namespace {

class SettingsExport : public setup_test::SetupTest {
 protected:
  std::string Exported(SettingsExportMode mode) {
    EXPECT_TRUE(ExportSettings(mode));
    return ReadText(DataFile(u"SlatewaySettings.oat"));
  }
};

TEST_F(SettingsExport, FormatsEveryValueTypeWithBlanklessNames) {
  DWORD largest = 0xFFFFFFFFu;
  EXPECT_EQ(FormatRegistryValue(u"Start Number", REG_DWORD, reinterpret_cast<BYTE*>(&largest), 4),
            u"<StartNumber TYPE='D'>4294967295</StartNumber>");
  const BYTE bytes[] = {0x0A, 0xFF};
  EXPECT_EQ(FormatRegistryValue(u"Key", REG_BINARY, bytes, 2), u"<Key TYPE='B'>0aff</Key>");
  EXPECT_EQ(FormatRegistryValue(u"Odd", REG_MULTI_SZ, bytes, 2), u"<Odd TYPE=''></Odd>");
  EXPECT_EQ(FormatCarriedValue(u"CompanyName", u"Smith & Sons <br>"),
            u"<CompanyName TYPE='S'>Smith &amp; Sons &lt;br&gt;</CompanyName>");
}

TEST_F(SettingsExport, MigrationCarriesRootCompanyValuesAndLeavesLocationsOut) {
  SetRoot(u"Version", u"4.2");
  SetRoot(u"CompanyName", u"Acme");
  SetRoot(u"CompanyPhone", u"555");
  SetRoot(u"CompanyEMail", u"");  // empty texts are not carried
  SetPreference(u"DatabasePath", u"\\Old");
  SetPreference(u"LastTerms", u"Net 15");
  ASSERT_TRUE(CSetupRegistryKey(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway\\CustomSettings")
                  .SetDword(u"InvSalesTaxOnScreen", 1));

  std::string file = Exported(SettingsExportMode::Migration);
  EXPECT_EQ(file,
            "<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='4' EDITION='STANDARD' COUNTRY='US'><SETTINGS>"
            "<CustomSettings><InvSalesTaxOnScreen TYPE='D'>1</InvSalesTaxOnScreen></CustomSettings>"
            "<Preferences><CompanyName TYPE='S'>Acme</CompanyName><CompanyPhone TYPE='S'>555</CompanyPhone>"
            "<LastTerms TYPE='S'>Net 15</LastTerms></Preferences></SETTINGS></SLATEWAY></VENDELSOFTWARE>");

  // Kept at removal by version 5: every value, nothing carried.
  SetRoot(u"Version", u"5.0");
  file = Exported(SettingsExportMode::Keep);
  EXPECT_NE(file.find("<Preferences><DatabasePath TYPE='S'>\\Old</DatabasePath><LastTerms"), std::string::npos);
  EXPECT_EQ(file.find("CompanyName"), std::string::npos);
}

TEST_F(SettingsExport, FileThatCannotBeWrittenIsReported) {
  SetPreference(u"LastTerms", u"Net 15");
  boxes.ExpectAny().Caption(u"Slateway").Style(MB_OK);
  platform::InjectFault(platform::Fault::FileWrite, 0, 10);
  EXPECT_FALSE(ExportSettings(SettingsExportMode::Keep));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text.rfind(u"Could not save previous settings to '\\Application Data\\VendelSoftware"
                                        u"\\Slateway\\SlatewaySettings.oat'. Error: ",
                                        0),
            0u);
  EXPECT_FALSE(Exists(DataFile(u"SlatewaySettings.oat")));
}

}  // namespace

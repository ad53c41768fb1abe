// The printer choice: read back by the stored names, defaults written back, and a save
// that refuses a missing printer, port or paper type without writing anything.
#include <gtest/gtest.h>

#include "core/Preferences.h"
#include "customers/PrinterSettings.h"
#include "platform/registry/Registry.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class PrinterSettings : public platform::testing::DeviceTest {};

TEST_F(PrinterSettings, DefaultsAreWrittenBackAndAnUnknownPrinterIsNotChosen) {
  CPreferences preferences;
  preferences.SetString(u"PrinterName", u"No such printer");
  PrinterChoice choice = CPrinterSettings::Load();
  EXPECT_EQ(choice.printer, -1);
  EXPECT_EQ(choice.port, -1);
  EXPECT_EQ(choice.paperType, 1);
  EXPECT_EQ(choice.textSize, 2);
  EXPECT_EQ(choice.notesTextSize, 1);
  DWORD stored = 0;
  EXPECT_TRUE(preferences.QueryDword(u"PrintTextSize", stored));
  EXPECT_EQ(stored, 2u);
}

TEST_F(PrinterSettings, ASaveMissingARequiredChoiceWritesNothing) {
  PrinterChoice choice;
  choice.printer = 8;
  choice.paperType = 0;
  EXPECT_EQ(CPrinterSettings::Save(choice), u"Printer Port");
  CPreferences preferences;
  DWORD id = 0;
  EXPECT_FALSE(preferences.QueryDword(u"PrinterID", id));
  choice.port = 3;
  choice.paperType = -1;
  EXPECT_EQ(CPrinterSettings::Save(choice), u"Paper Type");
  choice.printer = -1;
  EXPECT_EQ(CPrinterSettings::Save(choice), u"Printer");
}

TEST_F(PrinterSettings, ASavedChoiceIsReadAgainAfterARestart) {
  PrinterChoice choice{8, 3, 0, 2, 1, 4, 0};
  EXPECT_EQ(CPrinterSettings::Save(choice), u"");
  platform::ReloadRegistry();
  PrinterChoice read = CPrinterSettings::Load();
  EXPECT_EQ(read.printer, 8);
  EXPECT_EQ(read.port, 3);
  EXPECT_EQ(read.paperType, 0);
  EXPECT_EQ(read.itemsUsing, 2);
  EXPECT_EQ(read.copies, 1);
  EXPECT_EQ(read.textSize, 4);
  CPreferences preferences;
  EXPECT_EQ(preferences.GetDword(u"PrinterID", 0), 8u);
  EXPECT_EQ(preferences.GetDword(u"PrinterPortID", 0), 3u);
}

}  // namespace

// The printer choice: read back by the stored names, defaults written back, and a save
// that refuses a missing printer, port or paper type without writing anything.
#include <gtest/gtest.h>

#include <functional>

#include "../devices/PrintTestSupport.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "customers/PrinterSettingsDlg.h"
#include "devices/PrintEngine.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Screen.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"
#include "customers/PrinterSettings.h"
#include "platform/registry/Registry.h"
#include "platform/testing/DeviceFixture.h"
#include "tests/core/LanguageLibraryFixture.h"
#include "tests/core/FullStorage.h"

namespace {

class PrinterSettings : public slateway::testing::LanguageLibraryTest {};

// The lists are the language library's texts by the engine's numbers; a new device prints
// on sheets until the user says otherwise.
TEST_F(PrinterSettings, TheListsNameTheEnginesPrintersPortsAndPaper) {
  const auto printers = CPrinterSettings::PrinterNames();
  const auto ports = CPrinterSettings::PortNames();
  ASSERT_EQ(printers.size(), 44u);
  ASSERT_EQ(ports.size(), 18u);
  EXPECT_EQ(printers[8], u"3-inch Thermal Roll");
  EXPECT_EQ(ports[3], u"COM3:");
  EXPECT_EQ(printers.back(), u"Generic Page Printer");
  EXPECT_EQ(CPrinterSettings::PaperTypes(), (std::vector<std::u16string>{u"Continuous", u"Sheet"}));
  EXPECT_EQ(CPrinterSettings::Load().paperType, 1);
}

TEST_F(PrinterSettings, DefaultsAreWrittenBackAndAnUnknownPrinterIsNotChosen) {
  CPreferences preferences;
  preferences.SetString(u"PrinterName", u"No such printer");  // left by another device's settings: what this is about
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

namespace {

class PrinterSettingsDialog : public print_test::PrintTest {
 protected:
  INT_PTR Run(std::function<void(platform::testing::DialogDriver&)> act) {
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_PRINTER_SETTINGS, std::move(act));
    CPrintEngine engine(nullptr);
    CPrinterSettingsDlg dialog(GetResourceInstance(), nullptr, &engine);
    INT_PTR result = dialog.DoModal();
    EXPECT_EQ(ui.Pending(), 0u);
    return result;
  }
};

TEST_F(PrinterSettingsDialog, OkWithoutAPrinterSaysSoAndStaysOpen) {
  INT_PTR result = Run([](platform::testing::DialogDriver& d) {
    EXPECT_EQ(d.Selection(IDC_PRINTER_MODEL), -1);
    EXPECT_EQ(d.Text(IDC_PRINT_TEXT_SIZE), u"Normal");
    platform::testing::UiScript inner;
    inner.ExpectMessageBox(u"'Printer' is a required field.", IDOK);
    d.Ok();
    EXPECT_EQ(inner.Pending(), 0u);
    d.Cancel();
  });
  EXPECT_EQ(result, CPrinterSettingsDlg::kNotSaved);
}

// Portrait, landscape and square screens each get their layout, and every control of it
// lies on the screen between the navigation bar and the menu bar, the test button too.
TEST_F(PrinterSettingsDialog, EveryControlIsOnScreenWhateverItsShape) {
  const struct {
    int width, height;
    UINT layout;
  } screens[] = {{240, 320, IDD_PRINTER_SETTINGS},
                 {480, 640, IDD_PRINTER_SETTINGS},
                 {320, 240, IDD_PRINTER_SETTINGS_LANDSCAPE},
                 {640, 480, IDD_PRINTER_SETTINGS_LANDSCAPE},
                 {240, 240, IDD_PRINTER_SETTINGS_SQUARE},
                 {480, 480, IDD_PRINTER_SETTINGS_SQUARE}};
  for (const auto& screen : screens) {
    platform::SetScreenSize(screen.width, screen.height);
    ASSERT_EQ(CPrinterSettingsDlg::TemplateForScreen(), screen.layout);
    // The bars are 26 pixels high, doubled on the high-resolution screens.
    const int bar = std::min(screen.width, screen.height) >= 480 ? 52 : 26;
    platform::testing::UiScript ui;
    ui.ExpectDialog(screen.layout, [&](platform::testing::DialogDriver& d) {
      for (int id : {IDC_PRINTER_MODEL, IDC_PRINTER_PAPER, IDC_PRINTER_PORT, IDC_PRINT_ITEMS_USING, IDC_PRINT_COPIES,
                     IDC_PRINT_TEXT_SIZE, IDC_PRINT_NOTES_SIZE, IDC_PRINTER_TEST}) {
        RECT r{};
        GetWindowRect(d.Control(id), &r);
        EXPECT_GE(r.top, bar) << screen.width << "x" << screen.height << " #" << id;
        EXPECT_LE(r.bottom, screen.height - bar) << screen.width << "x" << screen.height << " #" << id;
        EXPECT_LE(r.right, screen.width) << screen.width << "x" << screen.height << " #" << id;
      }
      d.Cancel();
    });
    CPrinterSettingsDlg dialog(GetResourceInstance(), nullptr, nullptr);
    EXPECT_EQ(dialog.DoModal(), CPrinterSettingsDlg::kNotSaved);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  platform::ResetScreenAndVersion();
}

// Settings the device cannot write say so and keep the dialog open; nothing of them is kept.
TEST_F(PrinterSettingsDialog, SettingsThatCannotBeWrittenSaySoAndStayOpen) {
  INT_PTR result = Run([](platform::testing::DialogDriver& d) {
    d.Choose(IDC_PRINTER_PORT, 3).Choose(IDC_PRINTER_MODEL, 8);
    slateway::testing::OkOnAFullStorage(d, LoadResText(IDS_CUSTOMIZE_NOT_SAVED));
    d.Cancel();
  });
  EXPECT_EQ(result, CPrinterSettingsDlg::kNotSaved);
  platform::ReloadRegistry();
  EXPECT_EQ(CPrinterSettings::Load().printer, -1);
}

TEST_F(PrinterSettingsDialog, TheTestSavesAndAnswersWhatTheEngineCheckSays) {
  auto choose = [](platform::testing::DialogDriver& d) {
    d.Choose(IDC_PRINTER_PORT, 3).Choose(IDC_PRINTER_MODEL, 8).Press(IDC_PRINTER_TEST);
  };
  EXPECT_EQ(Run(choose), CPrinterSettingsDlg::kSaved);
  EXPECT_EQ(CPreferences().GetDword(u"PrinterID", 0), 8u);
  platform::printing::Conditions().failAfterSteps = 0;
  EXPECT_EQ(Run(choose), CPrinterSettingsDlg::kNotSaved);
}

}  // namespace

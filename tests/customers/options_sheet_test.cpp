// The Options sheet driven as a user would: one change on every page collected as the
// main window reads it, the scanner's values stored across a restart, an emptied start
// number refused on its page, the trigger-button list built from the shell's keys, and a
// scanner replaced without a restart.
#include <gtest/gtest.h>

#include "../core/FieldFormTyping.h"
#include "../core/LanguageLibraryFixture.h"
#include "core/HardwareButton.h"
#include "core/Preferences.h"
#include "customers/OptionsSheet.h"
#include "devices/InputDevice.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/registry/Registry.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

class OptionsSheet : public slateway::testing::LanguageLibraryTest {
 protected:
  static void ShellKey(int entry, std::u16string name, std::u16string target) {
    HKEY key = nullptr;
    std::u16string path = u"Software\\Microsoft\\Shell\\Keys\\40C" + std::u16string(1, u'0' + entry);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr);
    RegSetValueExW(key, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR)));
    RegSetValueExW(key, u"ResetCmd", 0, REG_SZ, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>((target.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
  }
  static HWND Page(DialogDriver& d, int tab) {
    HWND page = slateway::testing::ShowTabPage(d, IDC_TAB_CONTROL, tab);
    if (!page) ADD_FAILURE() << "no page on show";
    return page;
  }
  static void Type(DialogDriver& d, int tab, int field, std::u16string_view text) {
    slateway::testing::TypeIntoField(d, Page(d, tab), field, text);
  }
  static void Choose(DialogDriver& d, int tab, int field, int entry) {
    slateway::testing::ChooseInField(d, Page(d, tab), field, entry);
  }
};

TEST_F(OptionsSheet, OneChangeOnEveryPageIsCollectedAndTheScannerValuesSurviveARestart) {
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Options");
    EXPECT_EQ(d.Tabs(IDC_TAB_CONTROL).Texts(),
              (std::vector<std::u16string>{u"Numbers", u"Storage", u"Other", u"Bar Codes"}));
    Type(d, COptionsSheet::kNumbers, 0, u"500");
    Type(d, COptionsSheet::kNumbers, 1, u"200 ");  // a blank typed after the number is not kept
    Choose(d, COptionsSheet::kStorage, 2, 1);   // Services
    Choose(d, COptionsSheet::kOther, 1, 1);     // Use Sales Tax: No
    Choose(d, COptionsSheet::kBarCodes, 1, 0);  // Button 1 (Calendar)
    Choose(d, COptionsSheet::kBarCodes, 5, 4);  // New Document: the credit memo, before the sales order
    EXPECT_EQ(d.Tabs(IDC_TAB_CONTROL).Current(), COptionsSheet::kBarCodes);
    Choose(d, COptionsSheet::kBarCodes, 3, 0);  // Continuous: Yes, chosen last: OK ends its open editor
    d.Ok();
  });
  COptionsSheet sheet(GetResourceInstance(), nullptr, nullptr);
  ASSERT_EQ(sheet.DoModal(), 1);
  std::u16string number;
  sheet.GetStartNumber(0, number);
  EXPECT_EQ(number, u"500");
  sheet.GetStartNumber(1, number);
  EXPECT_EQ(number, u"200");
  sheet.GetStartNumber(3, number);
  EXPECT_EQ(number, u"1");
  EXPECT_EQ(sheet.Values().style, 1);
  EXPECT_FALSE(sheet.Values().useSalesTax);
  EXPECT_TRUE(sheet.Values().useBusinessAddress);
  EXPECT_EQ(sheet.Values().scanNewDoc, 5);
  EXPECT_EQ(sheet.Values().triggerButton, u"Button 1");
  EXPECT_TRUE(sheet.Values().continuous);
  platform::ReloadRegistry();
  CPreferences preferences;
  EXPECT_EQ(preferences.GetDword(u"Continuous", 0), 1u);
  std::u16string button;
  EXPECT_TRUE(preferences.GetString(u"Button1", button));
  EXPECT_EQ(button, u"Button 1") << "kept by the key name the binding looks up";
}

TEST_F(OptionsSheet, AnEmptiedStartNumberKeepsTheSheetOpenOnTheNumbersPage) {
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [](DialogDriver& d) {
    Type(d, COptionsSheet::kNumbers, 2, u"");
    d.Key(VK_BACK);
    Page(d, COptionsSheet::kOther);
    platform::testing::UiScript inner;
    inner.ExpectMessageBox(u"'Start Receipt #' is a required field.", IDOK);
    d.Ok();
    EXPECT_EQ(inner.Pending(), 0u);
    EXPECT_EQ(d.Tabs(IDC_TAB_CONTROL).Current(), COptionsSheet::kNumbers);
    d.Cancel();
  });
  COptionsSheet sheet(GetResourceInstance(), nullptr, nullptr);
  EXPECT_EQ(sheet.DoModal(), 0);
}

TEST_F(OptionsSheet, ChoiceListsFromTheDevice) {
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys"), ERROR_SUCCESS);
  CHardwareButton none;
  std::vector<HardwareButtonChoice> empty = COptionsChoices::HardwareButtons(none);
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_EQ(empty[0].text, u"<NO BUTTONS>");
  ShellKey(1, u"Record", u"\\Windows\\Voice \"Notes.lnk");
  CHardwareButton buttons;
  std::vector<HardwareButtonChoice> one = COptionsChoices::HardwareButtons(buttons);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].text, u"Record (Voice  Notes)");
  EXPECT_EQ(COptionsChoices::StyleCode(u"Professional"), 3);
  EXPECT_EQ(COptionsChoices::StyleCode(u"Fancy"), 0);
  EXPECT_EQ(COptionsChoices::CodeColumns({u"Color", u"Size", u"Weight"}).size(), 4u);
  EXPECT_EQ(COptionsChoices::StorageLocations().front(), u"Main Memory");
}

TEST_F(OptionsSheet, AReplacedScannerTakesEffectAtOnceAndNoneLeavesNoDriver) {
  std::unique_ptr<CInputDevice> scanner = CreateScannerDriver(u"Symbol", nullptr, nullptr, 0, 0);
  ASSERT_NE(scanner, nullptr);
  CPreferences().SetString(u"ScannerMake", u"Symbol");  // the scanner chosen on Options' Bar Codes page
  HWND main = CreateWindowExW(0, u"STATIC", u"Main", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  auto choose = [](int make) {
    return [make](DialogDriver& d) {
      Choose(d, COptionsSheet::kBarCodes, 0, make);
      Choose(d, COptionsSheet::kBarCodes, 4, 0);  // Qty Prompt: Yes
      d.Ok();
    };
  };
  {
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, choose(2));  // Socket
    COptionsSheet sheet(GetResourceInstance(), nullptr, main, &scanner);
    ASSERT_EQ(sheet.DoModal(), 1);
  }
  ASSERT_NE(scanner, nullptr);
  EXPECT_EQ(scanner->GetKind(), kDeviceSocketScanner);
  EXPECT_EQ(scanner->GetQtyPrompt(), 1);
  EXPECT_EQ(scanner->GetNotifyWindow(), main);
  {
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, choose(0));  // None
    COptionsSheet sheet(GetResourceInstance(), nullptr, main, &scanner);
    ASSERT_EQ(sheet.DoModal(), 1);
  }
  EXPECT_EQ(scanner, nullptr);
  platform::ReloadRegistry();
  std::u16string make;
  EXPECT_TRUE(CPreferences().GetString(u"ScannerMake", make));
  EXPECT_EQ(make, u"None");
  DestroyWindow(main);
}

}  // namespace

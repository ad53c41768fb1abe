// CCustomSettings: the value-name and default tables, load without write-back, save of
// every named caption and flag (whole or not at all), and the round trip through the
// registry.
#include <set>

#include "core/CustomSettings.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class CustomSettings : public platform::testing::DeviceTest {
 protected:
  HKEY OpenKey() {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kCustomSettingsKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }
  std::set<std::u16string> StoredNames() {
    std::set<std::u16string> names;
    HKEY key = OpenKey();
    WCHAR name[256];
    for (DWORD i = 0;; ++i) {
      DWORD cch = 256;
      if (RegEnumValueW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace(name, cch);
    }
    RegCloseKey(key);
    return names;
  }
  void StoreDword(const WCHAR* name, DWORD v) {
    HKEY key = OpenKey();
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
    RegCloseKey(key);
  }
  void StoreText(const WCHAR* name, std::u16string text) {
    HKEY key = OpenKey();
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * 2));
    RegCloseKey(key);
  }
};

TEST_F(CustomSettings, ValueNamesFollowTheTablesIncludingTheirIrregularNames) {
  struct Case {
    bool caption;
    int kind, row;
    std::u16string name;
  } cases[] = {
      {true, 0, 0, u"Title"},           {true, 1, 0, u"EstTitle"},
      {true, 4, 0, u"SOitle"},          {true, 5, 3, u"CMBillTo"},
      {true, 2, 38, u"RecCustC2"},      {true, 3, 17, u""},
      {true, 0, 18, u""},               {true, 4, 36, u""},
      {false, 0, 0, u"InvCompanyNameOnScreen"},
      {false, 3, 5, u"PayCompanyLogoOnPrinter"},
      {false, 0, 47, u"InvChkNumOnPrinter"},
      {false, 0, 48, u"InvNotesReuse"}, {false, 4, 48, u"SONotesReuse"},
      {false, 0, 49, u"InvNotesInvOnScreen"},
      {false, 0, 50, u"InvNotesInvOnPrinter"},
      {false, 1, 49, u"EstNotesOnScreen"},
      {false, 5, 50, u"CMNotesOnPrinter"},
      {false, 0, 51, u"InvDateColOnScreen"},
      {false, 2, 77, u"RecTax2OnScreen"},
      {false, 0, 79, u"CustC1OnScreen"},
      {false, 0, 82, u"CustC2OnPrinter"},
      {false, 1, 79, u"EstCustC1OnScreen"},
      {false, 5, 82, u"CMCustC2OnPrinter"},
  };
  for (const Case& c : cases) {
    std::u16string name = c.caption ? CCustomSettings::CaptionValueName(c.kind, c.row)
                                     : CCustomSettings::FlagValueName(c.kind, c.row);
    EXPECT_EQ(platform::ToUtf8(name), platform::ToUtf8(c.name)) << c.kind << "/" << c.row;
  }
}

TEST_F(CustomSettings, AnEmptyKeyGivesEveryDefaultAndStaysEmpty) {
  CCustomSettings settings;
  EXPECT_EQ(settings.GetCaption(0, 0), u"Invoice");
  EXPECT_EQ(settings.GetCaption(3, 0), u"Customer Payment");
  EXPECT_EQ(settings.GetCaption(4, 2), u"S.O. No.:");
  EXPECT_EQ(settings.GetCaption(1, 3), u"Name/Address:");
  EXPECT_EQ(settings.GetCaption(3, 21), u"Memo");
  EXPECT_EQ(settings.GetCaption(3, 30), u"Tax AMT");
  EXPECT_EQ(settings.GetCaption(5, 5), u"P.O. No.:");
  EXPECT_EQ(settings.GetCaption(3, 33), u"Exp. Date:");
  EXPECT_EQ(settings.GetCaption(0, 22), u"");
  EXPECT_EQ(settings.GetCaption(0, 17), u"");

  struct Flag {
    int kind, row;
    BYTE value;
  } flags[] = {
      {3, 4, 0}, {3, 5, 1},                          // payment logo: not on screen, on printer
      {4, 14, 1}, {0, 14, 0},                        // ship-to shown for sales orders only
      {0, 22, 1}, {1, 22, 0},                        // terms on invoices
      {1, 26, 1}, {0, 26, 0},                        // sales rep on estimates
      {5, 53, 1}, {5, 54, 1}, {0, 53, 0},            // item column on credit memos
      {3, 69, 1}, {3, 74, 1}, {0, 69, 0},            // Other 1-3 on payments
      {2, 42, 0}, {4, 43, 1},                        // signature
      {0, 48, 0}, {2, 49, 1}, {3, 68, 1}, {0, 82, 0},
  };
  for (const Flag& f : flags) EXPECT_EQ(settings.GetFlag(f.kind, f.row), f.value) << f.kind << "/" << f.row;
  EXPECT_TRUE(StoredNames().empty()) << "loading writes nothing back";
}

TEST_F(CustomSettings, StoredValuesOverrideDefaultsButAnEmptyCaptionDoesNot) {
  StoreText(u"SOitle", u"Work Order");
  StoreText(u"EstDate", u"");
  StoreDword(u"InvShipToOnScreen", 7);
  StoreDword(u"PayCompanyNameOnScreen", 0);
  CCustomSettings settings;
  EXPECT_EQ(settings.GetCaption(4, 0), u"Work Order");
  EXPECT_EQ(settings.GetCaption(1, 1), u"Date:") << "a stored empty caption reads as the default";
  EXPECT_EQ(settings.GetFlag(0, 14), 1) << "7 loads as 1";
  EXPECT_EQ(settings.GetFlag(3, 0), 0);

  settings.Save();
  HKEY key = OpenKey();
  DWORD v = 0, size = 4;
  ASSERT_EQ(RegQueryValueExW(key, u"InvShipToOnScreen", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(v, 1u) << "and saves back as 1";
  RegCloseKey(key);
}

TEST_F(CustomSettings, SaveWritesEveryNamedCaptionAndEveryFlagButNotTheUnnamedRows) {
  CCustomSettings settings;
  ASSERT_EQ(settings.Save(), 1);
  std::set<std::u16string> names = StoredNames();
  EXPECT_EQ(names.size(), 36u * 6 + 83u * 6);
  for (int kind = 0; kind < 6; ++kind) {
    for (int row = 0; row < CCustomSettings::kCaptionRows; ++row) {
      std::u16string name = CCustomSettings::CaptionValueName(kind, row);
      if (!name.empty()) {
        EXPECT_EQ(names.count(name), 1u) << platform::ToUtf8(name);
      }
    }
    for (int row = 0; row < CCustomSettings::kFlagRows; ++row)
      EXPECT_EQ(names.count(CCustomSettings::FlagValueName(kind, row)), 1u);
  }
}

TEST_F(CustomSettings, ChangesSurviveSaveAndAFreshLoad) {
  {
    CCustomSettings settings;
    settings.SetCaption(2, 25, u"Beschreibung \x00e9");
    settings.SetCaption(0, 22, u"");
    settings.SetCaption(1, 22, u"Thank you");
    settings.SetFlag(5, 65, 1);
    settings.SetFlag(0, 0, 0);
    settings.Save();
  }
  Restart();
  CCustomSettings settings;
  EXPECT_EQ(settings.GetCaption(2, 25), u"Beschreibung \x00e9");
  EXPECT_EQ(settings.GetCaption(1, 22), u"Thank you");
  EXPECT_EQ(settings.GetCaption(0, 22), u"");
  EXPECT_EQ(settings.GetFlag(5, 65), 1);
  EXPECT_EQ(settings.GetFlag(0, 0), 0);
  EXPECT_EQ(settings.IsShown(5, 65, 66, true), 1);
  EXPECT_EQ(settings.IsShown(5, 65, 66, false), 0);
}

TEST_F(CustomSettings, ASaveThatCannotBeWrittenReportsItAndStoresNothing) {
  StoreDword(u"InvTitleOnScreen", 1);
  CCustomSettings settings;
  settings.SetFlag(0, 6, 0);
  settings.SetCaption(0, 0, u"Bill");
  platform::InjectFault(platform::Fault::FileRename);
  EXPECT_EQ(settings.Save(), 0);
  EXPECT_EQ(StoredNames(), std::set<std::u16string>{u"InvTitleOnScreen"}) << "no value of a failed save is stored";
  Restart();
  EXPECT_EQ(CCustomSettings().GetFlag(0, 6), 1);
}

}  // namespace

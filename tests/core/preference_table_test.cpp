// The table of Preferences values and its accessors: every entry listed here once (the
// list is checked against the table's source), each read giving its default on a new
// device and giving back what was written.
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "core/Preferences.h"
#include "platform/testing/DeviceFixture.h"

namespace {

template <typename Entry, size_t N>
void Append(std::vector<const Entry*>& list, const Entry (&entries)[N]) {
  for (const Entry& entry : entries) list.push_back(&entry);
}

std::vector<const DwordPreference*> Numbers() {
  using namespace pref;
  std::vector<const DwordPreference*> list = {
      &kUseOutlook,         &kDisplayBalances,    &kDisplayCustomerCC,  &kRoSigned,           &kEncryption,
      &kContinuous,         &kQtyPrompt,          &kDisplayProductCosts, &kInvoiceStyle,      &kUseDescriptions,
      &kUseSalesTax,        &kTrackInventory,     &kUseBusAddress,      &kLastCommaFirst,     &kQbLastCommaFirst,
      &kPlaySounds,         &kScanNewDoc,         &kUseWm2003Contacts,  &kLastShowType,       &kLastSortType,
      &kLastSortDirection,  &kLastView,           &kLastScrollPos,      &kViewInvRegByCompany, &kFitToScreen,
      &kFontSize,           &kShowLineTo,         &kShowLinks,          &kShowSignature,      &kInvToolBar,
      &kToBePrinted,        &kToBeEMailed,        &kRemoveZeroQtyItems, &kClearTemplateQtys,  &kDefaultCompany,
      &kLastCompanyPage,    &kLastCustPage,       &kShowCheckBoxes,     &kAlphabetizeItems,   &kViewItemsByName,
      &kItemsToolBar,       &kViewByCompany,      &kPrinterId,          &kPrinterPortId,      &kPrinterPaperType,
      &kPrintNumCopies,     &kPrintTextSize,      &kPrintNotesTextSize, &kPrintItemsUsing,    &kPrintBillToPhone,
      &kUseEuroAddrFormat};
  Append(list, kNumberReset);
  return list;
}

std::vector<const TextPreference*> Texts() {
  using namespace pref;
  std::vector<const TextPreference*> list = {
      &kScannerMake,     &kMagReaderMake,     &kButton1,           &kCodeColumn,         &kMailBox,
      &kInvoiceLocation, &kInvoicePath,       &kMemorizedPath,     &kDeletedPath,        &kUploadedFolder,
      &kDbLocation,      &kDatabasePath,      &kDatabase,          &kImagePath,          &kLogoPath,
      &kLastInvoice,     &kLastTaxName,       &kLastTaxRate,       &kLastTaxVendor,      &kLastLogo,
      &kLogoWidth,       &kLogoHeight,        &kLastTerms,         &kLastShipVia,        &kLastPaymentMethod,
      &kLastAccount,     &kLastRep,           &kLastRepFullName,   &kPrinterName,        &kPrinterPort,
      &kEmailTo,         &kEmailCc,           &kEmailBcc,          &kEmailBodyQvn,       &kEmailBodyHtml,
      &kEmailReportSubject, &kEmailReportBodyHtml, &kLastEmailType, &kLastReportDocType, &kLastReportDates,
      &kCompanyBUserName};
  Append(list, kStartNumber);
  Append(list, kLastNumber);
  Append(list, kLastMessage);
  Append(list, kLastMessageListId);
  for (const CompanyPreferences* company : {&kFirstCompany, &kCompanyB})
    for (const TextPreference* entry : {&company->name, &company->address1, &company->address2, &company->address3,
                                        &company->phone, &company->email, &company->showLogo})
      list.push_back(entry);
  return list;
}

// The names the table's source declares: each entry opens with its name.
std::multiset<std::u16string> NamesInTableSource() {
  std::ifstream file(SLATEWAY_PREFERENCE_TABLE);
  std::stringstream text;
  text << file.rdbuf();
  const std::string source = text.str();
  std::multiset<std::u16string> names;
  const std::regex entry(R"(\{\s*u"([A-Za-z0-9_]+)\")");
  for (auto it = std::sregex_iterator(source.begin(), source.end(), entry); it != std::sregex_iterator(); ++it)
    names.insert(platform::ToUtf16((*it)[1].str()));
  return names;
}

class PreferenceTable : public platform::testing::DeviceTest {};

TEST_F(PreferenceTable, EveryEntryIsListedHereAndNoTwoShareAName) {
  std::multiset<std::u16string> listed;
  for (const DwordPreference* entry : Numbers()) listed.insert(entry->name);
  for (const TextPreference* entry : Texts()) listed.insert(entry->name);
  EXPECT_EQ(listed, NamesInTableSource()) << "an entry of the table is missing from this test, or the reverse";
  EXPECT_EQ(std::set<std::u16string>(listed.begin(), listed.end()).size(), listed.size()) << "one name, two entries";
}

TEST_F(PreferenceTable, EachNumberReadsItsDefaultOnANewDeviceAndThenWhatWasWritten) {
  CPreferences preferences;
  for (const DwordPreference* entry : Numbers()) {
    SCOPED_TRACE(platform::ToUtf8(entry->name));
    EXPECT_EQ(preferences.Get(*entry), entry->def);
    DWORD stored = 0;
    EXPECT_TRUE(preferences.Query(*entry, stored)) << "the default was written back";
    EXPECT_EQ(stored, entry->def);
    ASSERT_TRUE(preferences.Set(*entry, entry->def + 7));
    EXPECT_EQ(preferences.Get(*entry), entry->def + 7);
    EXPECT_EQ(preferences.GetShown(*entry), entry->def + 7) << "a stored value wins over a screen's default";
  }
}

TEST_F(PreferenceTable, EachTextReadsItsDefaultOnANewDeviceAndThenWhatWasWritten) {
  CPreferences preferences;
  for (const TextPreference* entry : Texts()) {
    SCOPED_TRACE(platform::ToUtf8(entry->name));
    if (entry->def) {
      EXPECT_EQ(preferences.Get(*entry), entry->def);
    } else {
      std::u16string text = u"worked out";
      EXPECT_FALSE(preferences.Read(*entry, text));
      EXPECT_EQ(text, u"worked out");
    }
    ASSERT_TRUE(preferences.Set(*entry, u"Caf\u00e9 \"12'\""));
    std::u16string text = u"unused";
    EXPECT_TRUE(preferences.Read(*entry, text));
    EXPECT_EQ(text, u"Caf\u00e9 \"12'\"");
    if (entry->def) {
      EXPECT_EQ(preferences.Get(*entry), text);
    }
  }
}

TEST_F(PreferenceTable, ScreensWithTheirOwnDefaultShowItForAValueNeverStored) {
  CPreferences preferences;
  int screens = 0;
  for (const DwordPreference* entry : Numbers()) {
    if (entry->shown == entry->def) continue;
    ++screens;
    EXPECT_EQ(preferences.GetShown(*entry), entry->shown) << platform::ToUtf8(entry->name);
  }
  for (const TextPreference* entry : Texts()) {
    if (!entry->shown || std::u16string_view(entry->shown) == std::u16string_view(entry->def)) continue;
    ++screens;
    EXPECT_EQ(preferences.GetShown(*entry), entry->shown) << platform::ToUtf8(entry->name);
    EXPECT_EQ(preferences.Get(*entry), entry->shown) << "what the screen showed was written back";
  }
  EXPECT_EQ(screens, 9) << "copies, trigger button, mail box and the six start numbers";
}

}  // namespace

// The customer source over the device's contacts.
//
// Groups:
//   ContactsList*    restriction by category and company, sort orders, rows, letter index
//   ContactsStore*   adding (tags, ids), finding and updating by id and by names, deleting
//   ContactsRecord*  records by object id, the street kept through a read and an update
//   ContactsLocate*  the locator: shown and read back, or the question when not found
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../core/InstalledDeviceFixture.h"
#include "core/Folders.h"
#include "datastore/ContactsSource.h"
#include "datastore/ItemStore.h"
#include "platform/testing/ContactsStore.h"
#include "platform/testing/UiScript.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;

class ContactsSourceTest : public platform::testing::ContactsTestOn<slateway::testing::InstalledDeviceTest> {
 protected:
  void SetUp() override {
    ContactsTestOn::SetUp();
    src.emplace(nullptr);
  }

  LONG Add(std::u16string_view first, std::u16string_view last, std::u16string_view company,
           std::u16string_view categories = u"", std::u16string_view street = u"") {
    return AddContact(first, last, company, categories, [&](CPimContact& c) {
      c.PutProperty(PIM_BusinessAddressStreet, street);
      c.PutProperty(PIM_BusinessTelephoneNumber, u"555-" + std::u16string(last));
    });
  }

  std::unique_ptr<CPimContact> Stored(LONG oid) {
    std::unique_ptr<CPimContact> c;
    EXPECT_EQ(app->GetItemFromOid(oid, &c), S_OK);
    return c;
  }

  std::vector<std::u16string> EntryNames(int count) {
    std::vector<std::u16string> names;
    for (int row = 0; row < count; ++row) {
      CCustomerListEntry entry;
      EXPECT_EQ(src->GetEntryAt(row, entry), 1);
      names.push_back(entry.GetDisplayName(src->LetterIndexByCompany()));
    }
    return names;
  }

  std::optional<CContactsSource> src;  // made inside the test's device root
};

TEST_F(ContactsSourceTest, ContactsListRestrictsSortsAndIndexesLetters) {
  EXPECT_EQ(src->GetCount(u"", false), 0);
  src->BuildLetterIndex(u"", false);
  for (int position = 1; position <= kLetterPositions; ++position) EXPECT_EQ(src->GetLetterRow(position), 0);

  LONG bell = Add(u"Ann", u"Bell", u"Zinc Ltd", u"Slateway");
  Add(u"", u"", u"Alpha Inc", u"Tom's \"best\"");
  Add(u"Cy", u"Baker", u"");
  ASSERT_EQ(src->Open(), 1);
  ASSERT_EQ(src->GetCount(u"", false), 3);
  EXPECT_EQ(EntryNames(3), (std::vector<std::u16string>{u"Alpha Inc", u"Baker, Cy", u"Bell, Ann"}));
  CCustomerListEntry entry;
  ASSERT_EQ(src->GetEntryAt(2, entry), 1);
  EXPECT_EQ(entry.GetId(), bell);
  EXPECT_EQ(entry.GetCompanyName().view(), u"Zinc Ltd");
  EXPECT_EQ(entry.GetPhone().view(), u"555-Bell");
  EXPECT_EQ(src->GetEntryAt(3, entry), 0);
  src->BuildLetterIndex(u"", false);
  EXPECT_EQ(src->GetLetterRow(2), 0);  // A: the company that has no person name
  EXPECT_EQ(src->GetLetterRow(3), 1);  // B: Baker

  // By company: only contacts with a company, sorted by it.
  ASSERT_EQ(src->GetCount(u"", true), 2);
  src->BuildLetterIndex(u"", true);
  EXPECT_EQ(EntryNames(2), (std::vector<std::u16string>{u"Alpha Inc", u"Zinc Ltd"}));
  EXPECT_EQ(src->GetLetterRow(27), 1);
  // A category with quotation marks in it is data.
  EXPECT_EQ(src->GetCount(u"Tom's \"best\"", false), 1);
  EXPECT_EQ(src->GetCount(u"Slateway", true), 1);
  // Reapplying keeps the filter and sees a contact added meanwhile.
  Add(u"Di", u"Cole", u"Cole Co", u"Slateway");
  src->ReopenItems();
  src->ReapplyFilter();
  EXPECT_EQ(EntryNames(2), (std::vector<std::u16string>{u"Cole Co", u"Zinc Ltd"}));
}

TEST_F(ContactsSourceTest, ContactsStoreAddsTaggedContactsAndFindsThemByIdThenNames) {
  CContactCustomer record;
  record.SetField(kCustFirstName, u"Bo");
  record.SetField(kCustLastName, u"O\"Neil");
  record.SetField(kCustCompanyName, u"Neil & Sons");
  EXPECT_EQ(src->AddRecord(record, nullptr, kContactKindDesktopCustomer), 0);  // not open yet
  ASSERT_EQ(src->Open(), 1);
  ASSERT_EQ(src->AddRecord(record, nullptr, kContactKindDesktopCustomer), 1);
  LONG oid = std::stol(platform::ToUtf8(record.GetListID()));
  EXPECT_EQ(Stored(oid)->Text(PIM_Categories), u"DedadErude");
  EXPECT_EQ(Stored(oid)->Text(PIM_FileAs), u"O\"Neil, Bo");
  CContactCustomer other;
  other.SetField(kCustName, u"Walk-in");
  ASSERT_EQ(src->AddRecord(other, nullptr, 0), 1);
  LONG walkIn = std::stol(platform::ToUtf8(other.GetListID()));
  EXPECT_EQ(Stored(walkIn)->Text(PIM_Categories), u"Slateway");

  // Found by names, quotation mark and ampersand included.
  CContactCustomer byNames;
  byNames.SetField(kCustFirstName, u"Bo");
  byNames.SetField(kCustLastName, u"O\"Neil");
  byNames.SetField(kCustCompanyName, u"Neil & Sons");
  EXPECT_EQ(src->Exists(byNames), oid);
  EXPECT_EQ(CContactsSource::FindCondition(byNames),
            u"[LastName] = \"O\"\"Neil\" AND [FirstName] = \"Bo\" AND [CompanyName] = \"Neil & Sons\"");
  // A record with no names searches by its Name as the last name.
  CContactCustomer nameOnly;
  nameOnly.SetField(kCustContact, u"Walk-in");
  EXPECT_EQ(CContactsSource::FindCondition(nameOnly), u"[LastName] = \"Walk-in\"");
  CContactCustomer nothing;
  EXPECT_EQ(src->Exists(nothing), 0);

  // Two contacts with the same names: the record's own id decides which one is updated.
  LONG twin = Add(u"Bo", u"O\"Neil", u"Neil & Sons");
  CContactCustomer second;
  second.SetField(kCustListID, platform::ToUtf16(std::to_string(twin)));
  second.SetField(kCustLastName, u"O\"Neil");
  second.SetField(kCustFirstName, u"Bo");
  second.SetField(kCustPhone, u"555-0199");
  ASSERT_EQ(src->UpdateRecord(second, nullptr), 1);
  EXPECT_EQ(Stored(twin)->Text(PIM_BusinessTelephoneNumber), u"555-0199");
  EXPECT_EQ(Stored(oid)->Text(PIM_BusinessTelephoneNumber), u"");
  CContactCustomer missing;
  missing.SetField(kCustLastName, u"Nobody");
  EXPECT_EQ(src->UpdateRecord(missing, nullptr), 0);

  // Deleting a row.
  ASSERT_EQ(src->GetCount(u"", false), 3);
  EXPECT_EQ(src->DeleteEntry(2), 1);
  EXPECT_EQ(src->GetCount(u"", false), 2);
  EXPECT_EQ(src->DeleteEntry(5), 0);
}

TEST_F(ContactsSourceTest, ContactsRecordKeepsTheStreetThroughReadAndUpdate) {
  LONG oid = Add(u"Nora", u"Lind", u"Cafe", u"", u"12 Alder Street");
  ASSERT_EQ(src->GetCount(u"", false), 1);
  CContactCustomer record(true);
  ASSERT_TRUE(src->GetRecordAt(0, record, false, true));
  EXPECT_EQ(record.FieldView(kCustBillToAddr1), u"12 Alder Street");
  EXPECT_EQ(record.FieldView(kCustPhone), u"555-Lind");
  ASSERT_EQ(src->UpdateRecord(record, nullptr), 1);
  EXPECT_EQ(Stored(oid)->Text(PIM_BusinessAddressStreet), u"12 Alder Street");
  // A desktop customer's street lines are joined; the ship-to goes to the home address.
  record.SetField(kCustBillToAddr2, u"1 Dock Rd");
  record.SetField(kCustBillToAddr3, u"Unit 4");
  CCustomerShipTo shipTo{u"9 Elm St", u"Salem", u"OR", u"97301"};
  ASSERT_EQ(src->UpdateRecord(record, &shipTo), 1);
  EXPECT_EQ(Stored(oid)->Text(PIM_BusinessAddressStreet), u"1 Dock Rd\r\nUnit 4");
  EXPECT_EQ(Stored(oid)->Text(PIM_HomeAddressCity), u"Salem");

  std::unique_ptr<CCustomerRecord> byOid = src->GetRecordByOid(oid, true);
  ASSERT_NE(byOid, nullptr);
  EXPECT_EQ(byOid->FieldView(kCustListID), platform::ToUtf16(std::to_string(oid)));
  EXPECT_EQ(std::u16string(byOid->GetDisplayName(false)), u"Cafe");
  EXPECT_EQ(src->GetRecordByOid(oid + 100, false), nullptr);
  CContactCustomer loaded;
  ASSERT_EQ(loaded.LoadFromOid(nullptr, oid), 1);
  EXPECT_EQ(loaded.FieldView(kCustBillToCity), u"Salem");  // home address first without by-company
  EXPECT_EQ(loaded.LoadFromOid(nullptr, oid + 100), 0);
}

TEST_F(ContactsSourceTest, ContactsStoreCreateNewTagsTheContactTheCardSaved) {
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kContactCardFirstField + 1, u"Quill");
    d.Ok();
  });
  EXPECT_EQ(src->CreateNew(kContactKindDesktopCustomer), nullptr);
  ASSERT_EQ(src->GetCount(u"DedadErude", false), 1);
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(kContactCardFirstField + 1), u"Quill");
    d.TypeInto(kContactCardFirstField + 2, u"Quill Co");
    d.Ok();
  });
  EXPECT_EQ(src->EditEntry(nullptr, 0, false), 1);
  EXPECT_EQ(src->GetCount(u"", true), 1);
}

TEST_F(ContactsSourceTest, ContactsLocateShowsAndReadsBackOrAsks) {
  LONG oid = Add(u"Ann", u"Lee", u"Lee & Co");
  HWND notify = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CContactLocator locator(nullptr, nullptr, notify, &*src);
  CContactCustomer record;
  record.SetField(kCustFirstName, u"Ann");
  record.SetField(kCustLastName, u"Lee");  // no id yet: found by names
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kContactCardFirstField + 4, u"555-0100");
    d.Ok();
  });
  ASSERT_EQ(locator.LocateContact(record), 1);
  EXPECT_EQ(record.FieldView(kCustListID), platform::ToUtf16(std::to_string(oid)));
  EXPECT_EQ(record.FieldView(kCustPhone), u"555-0100");

  CContactCustomer stranger;
  stranger.SetField(kCustLastName, u"Nobody");
  ui.ExpectMessageBox(u"Could not locate Nobody. Display customer list?", IDYES);
  EXPECT_EQ(locator.LocateContact(stranger), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, notify, kMsgChooseCustomer, kMsgChooseCustomer, PM_REMOVE));
  DestroyWindow(notify);
}

// A new device's contacts are the customers of the database it was installed with, read
// alike by both sources.
using ContactsDefaultTest = slateway::testing::InstalledDeviceTest;

TEST_F(ContactsDefaultTest, ContactsListOfANewDeviceIsTheSampleCustomers) {
  CBstr database;
  GetDatabaseFilePath(database, true);
  CItemStore store(nullptr);
  ASSERT_TRUE(store.Open(database.str()));
  CQBCustomerSource table(nullptr, store);
  ASSERT_TRUE(table.LoadList());
  CContactsSource contacts(nullptr);
  ASSERT_EQ(contacts.GetCount(u"", false), 4);
  int matched = 0;
  for (int row = 0; row < table.GetCount(u"", false); ++row) {
    CTableCustomer customer;
    ASSERT_TRUE(table.GetRecordAt(row, customer, false, true));
    if (customer.FieldView(kCustSublevel) != u"0") continue;
    for (int c = 0; c < 4; ++c) {
      CContactCustomer contact(true);
      ASSERT_TRUE(contacts.GetRecordAt(c, contact, false, true));
      if (contact.FieldView(kCustLastName) != customer.FieldView(kCustLastName)) continue;
      ++matched;
      for (int field : {kCustFirstName, kCustCompanyName, kCustPhone, kCustEmail, kCustBillToCity, kCustBillToState,
                        kCustBillToPostalCode})
        EXPECT_EQ(contact.FieldView(field), customer.FieldView(field)) << field;
      EXPECT_EQ(contact.FieldView(kCustBillToAddr1), customer.FieldView(kCustBillToAddr2));
    }
  }
  EXPECT_EQ(matched, 4);
}

}  // namespace

// Customer records: the table and contact kinds, their naming rules, Reset, the copy
// rules, loading from a contact, and the customer list row.
//
// Groups:
//   CustomerName*    display, list and full names of both kinds, LastCommaFirst
//   CustomerReset*   what Reset clears, keeps and sets, by decimal separator
//   CustomerCopy*    the copy constructors and AssignFields
//   CustomerContact* LoadFromContact: addresses and the telephone order
//   CustomerEntry*   the list row: phone choice and indent by Sublevel
#include <map>
#include <set>
#include <vector>
#include <regex>

#include "core/Preferences.h"
#include "datastore/CustomerRecord.h"
#include "platform/locale/Locale.h"
#include "../core/InstalledDeviceFixture.h"

namespace {

class CustomerRecordTest : public slateway::testing::InstalledDeviceTest {
 protected:
  // Show Name as on Options' Other page.
  void SetLastCommaFirst(bool on) {
    CPreferences preferences;
    ASSERT_TRUE(preferences.SetDword(u"LastCommaFirst", on ? 1 : 0));
  }
};

std::u16string Text(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : u""; }

struct Names {
  const char16_t* first;
  const char16_t* last;
  const char16_t* company;
  const char16_t* salutation;
};

void Fill(CCustomerRecord& record, const Names& names) {
  record.SetField(kCustFirstName, names.first);
  record.SetField(kCustLastName, names.last);
  record.SetField(kCustCompanyName, names.company);
  record.SetField(kCustSalutation, names.salutation);
}

TEST_F(CustomerRecordTest, CustomerNamePersonNameFollowsLastCommaFirst) {
  struct Case {
    bool lastCommaFirst;
    Names names;
    const char16_t* expected;
  } cases[] = {
      {false, {u"Ann", u"Lee", u"", u""}, u"Ann Lee"},
      {true, {u"Ann", u"Lee", u"", u""}, u"Lee, Ann"},
      {true, {u"Ann", u"", u"", u""}, u"Ann"},
      {true, {u"", u"Lee", u"", u""}, u"Lee"},
      {false, {u"", u"Lee", u"", u""}, u"Lee"},
      {false, {u"", u"", u"Acme", u""}, u"Acme"},  // no person: the company
  };
  for (const Case& c : cases) {
    SetLastCommaFirst(c.lastCommaFirst);
    CTableCustomer table;
    Fill(table, c.names);
    EXPECT_EQ(Text(table.GetDisplayName(false)), c.expected) << c.lastCommaFirst;
  }
}

TEST_F(CustomerRecordTest, CustomerNameTableKindPrefersParentThenFullName) {
  CTableCustomer job;
  Fill(job, {u"Ann", u"Lee", u"Acme", u"Dr."});
  job.SetField(kCustName, u"Kitchen");
  job.SetField(kCustFullName, u"Lee:Kitchen");
  EXPECT_EQ(Text(job.GetDisplayName(false)), u"Lee:Kitchen");
  job.SetField(kCustParentFullName, u"Lee");
  EXPECT_EQ(Text(job.GetDisplayName(true)), u"Lee");  // a job prints as its customer

  CTableCustomer customer;
  customer.SetField(kCustFullName, u"Acme Ltd");
  customer.SetField(kCustCompanyName, u"Acme Company");
  EXPECT_EQ(Text(customer.GetListName(false)), u"Acme Ltd");
  EXPECT_EQ(Text(customer.GetListName(true)), u"Acme Company");
  customer.SetField(kCustContact, u"Bea Bo");
  EXPECT_EQ(Text(customer.GetListName(true)), u"Bea Bo");
  EXPECT_EQ(Text(customer.GetListName(false)), u"Bea Bo");

  EXPECT_EQ(Text(job.ComposeFullName()), u"Dr. Ann Lee");
  CTableCustomer partial;
  Fill(partial, {u"", u"Lee", u"", u"Dr."});
  EXPECT_EQ(Text(partial.ComposeFullName()), u"Dr. Lee");
}

TEST_F(CustomerRecordTest, CustomerNameContactKindByCompanyAndSwap) {
  struct Case {
    bool byCompany;
    bool swap;
    Names names;
    const char16_t* extra;
    const char16_t* expected;
  } cases[] = {
      {true, false, {u"Ann", u"Lee", u"Acme", u""}, u"", u"Acme"},
      {false, false, {u"Ann", u"Lee", u"Acme", u""}, u"", u"Ann Lee"},
      {false, true, {u"Ann", u"Lee", u"Acme", u""}, u"", u"Acme"},   // swapped to the company
      {true, true, {u"Ann", u"Lee", u"Acme", u""}, u"", u"Ann Lee"},  // swapped to the person
      {true, false, {u"Ann", u"Lee", u"", u""}, u"", u"Ann Lee"},     // no company: the person
      {true, false, {u"", u"", u"", u"Dr."}, u"", u"Dr. "},
      {false, true, {u"Ann", u"Lee", u"", u""}, u"", u""},           // swapped, nothing there
      {false, false, {u"", u"", u"Acme", u""}, u"", u"Acme"},
      {false, false, {u"", u"", u"Acme", u"Dr."}, u"", u"Dr. "},
      {false, false, {u"", u"", u"", u""}, u"Jr.", u"Jr."},          // the further name
      {false, false, {u"", u"", u"", u""}, u"", u""},
  };
  for (const Case& c : cases) {
    CContactCustomer contact(c.byCompany);
    Fill(contact, c.names);
    contact.SetField(kCustExtraName, c.extra);
    EXPECT_EQ(Text(contact.GetDisplayName(c.swap)), c.expected) << c.byCompany << c.swap;
  }
}

TEST_F(CustomerRecordTest, CustomerNameOnlyCompanyListsUnderCompanyInBothModes) {
  CContactCustomer contact;
  Fill(contact, {u"", u"", u"Acme", u""});
  EXPECT_EQ(Text(contact.GetListName(true)), u"Acme");
  EXPECT_EQ(Text(contact.GetListName(false)), u"Acme");
  Fill(contact, {u"Ann", u"Lee", u"Acme", u""});
  EXPECT_EQ(Text(contact.GetListName(false)), u"Lee, Ann");
  EXPECT_EQ(Text(contact.GetListName(true)), u"Acme");
  Fill(contact, {u"Ann", u"", u"", u""});
  EXPECT_EQ(Text(contact.GetListName(true)), u"Ann");

  Fill(contact, {u"Ann", u"Lee", u"", u"Ms"});
  contact.SetField(kCustExtraName, u"PhD");
  EXPECT_EQ(Text(contact.ComposeFullName()), u"Ms Ann Lee");
  contact.SetMarkerText(u"x");
  EXPECT_EQ(Text(contact.ComposeFullName()), u"Ms Ann Lee PhD");
}

TEST_F(CustomerRecordTest, CustomerResetKeepsCarriedFieldsAndZeroesBalances) {
  for (const auto& [profile, zero] : std::map<std::u16string, std::u16string>{{u"en-US", u"0.00"}, {u"de-DE", u"0,00"}}) {
    ASSERT_TRUE(platform::SetLocaleProfile(profile));
    CTableCustomer record;
    for (int i = 0; i < kCustomerFieldCount; ++i) record.SetField(i, u"v");
    record.SetMarkerText(u"m");
    record.Reset();
    for (int i = 0; i < kCustomerFieldCount; ++i) {
      bool kept = i == kCustExtraName || i == kCustMobile || (i >= kCustCCNum && i <= kCustCCZip) || i == kCustSalesRep;
      if (i == kCustSublevel) {
        EXPECT_EQ(record.FieldView(i), u"0");
      } else if (i == kCustBalance || i == kCustTotalBalance) {
        EXPECT_EQ(record.FieldView(i), zero) << platform::ToUtf8(profile);
      } else {
        EXPECT_EQ(record.FieldView(i), kept ? u"v" : u"") << i;
      }
    }
    EXPECT_TRUE(record.GetMarkerText().view().empty());
  }
}

TEST_F(CustomerRecordTest, CustomerResetNewRecordsGetFreshBracedIds) {
  CTableCustomer a;
  CContactCustomer b(true);
  static const std::regex guid("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$");
  EXPECT_TRUE(std::regex_match(platform::ToUtf8(a.GetListID()), guid));
  EXPECT_TRUE(std::regex_match(platform::ToUtf8(b.GetListID()), guid));
  EXPECT_NE(a.GetListID(), b.GetListID());
  EXPECT_TRUE(b.GetByCompany());
  EXPECT_EQ(a.FieldView(kCustSublevel), u"0");
}

TEST_F(CustomerRecordTest, CustomerCopyTableCopiesAllContactCopiesItsFew) {
  CTableCustomer table;
  for (int i = 0; i < kCustomerFieldCount; ++i) table.SetField(i, u"t" + std::u16string(1, char16_t(u'A' + i % 26)));
  table.SetSpareText(u"spare");
  CTableCustomer tableCopy(table);
  for (int i = 0; i < kCustomerFieldCount; ++i) EXPECT_EQ(tableCopy.FieldView(i), table.FieldView(i)) << i;
  EXPECT_EQ(tableCopy.GetSpareText().view(), u"spare");

  CContactCustomer contact(true);
  for (int i = 0; i < kCustomerFieldCount; ++i) contact.SetField(i, u"c");
  contact.SetSpareText(u"s");
  CContactCustomer contactCopy(contact);
  const std::set<int> copied = {kCustListID, kCustFirstName, kCustName, kCustLastName, kCustCompanyName,
                                kCustBillToCity, kCustBillToState, kCustBillToPostalCode, kCustPhone,
                                kCustAltPhone, kCustFax, kCustEmail};
  for (int i = 0; i < kCustomerFieldCount; ++i) EXPECT_EQ(contactCopy.FieldView(i), copied.count(i) ? u"c" : u"") << i;
  EXPECT_TRUE(contactCopy.GetByCompany());
  EXPECT_EQ(contactCopy.GetSpareText().view(), u"s");
}

TEST_F(CustomerRecordTest, CustomerCopyAssignFieldsSkipsFurtherNameAndMobile) {
  CCustomerFields block;
  for (int i = 0; i < kCustomerFieldCount; ++i) block[i] = CBstr(u"new");
  CTableCustomer record;
  record.SetField(kCustExtraName, u"keep");
  record.SetField(kCustMobile, u"555");
  record.AssignFields(block);
  for (int i = 0; i < kCustomerFieldCount; ++i) {
    if (i == kCustExtraName) EXPECT_EQ(record.FieldView(i), u"keep");
    else if (i == kCustMobile) EXPECT_EQ(record.FieldView(i), u"555");
    else EXPECT_EQ(record.FieldView(i), u"new") << i;
  }
  // The contact kind takes no block, the table kind no contact.
  CContactCustomer contact;
  contact.AssignFields(block);
  EXPECT_EQ(contact.FieldView(kCustNotes), u"");

  CTableCustomer job;
  struct Job {
    BSTR GetField(int slot) const { return slot < 8 ? texts[slot].get() : nullptr; }
    CBstr texts[8] = {u"name", u"desc", u"type", u"status", u"start", u"x", u"projected", u"end"};
  } doc;
  job.SetJobInfoFrom(doc);
  EXPECT_EQ(job.FieldView(kCustJobStatus), u"status");
  EXPECT_EQ(job.FieldView(kCustJobStartDate), u"start");
  EXPECT_EQ(job.FieldView(kCustJobProjectedEndDate), u"projected");
  EXPECT_EQ(job.FieldView(kCustJobEndDate), u"end");
  EXPECT_EQ(job.FieldView(kCustJobDesc), u"desc");
  contact.SetJobInfoFrom(doc);
  EXPECT_EQ(contact.FieldView(kCustJobStatus), u"");
}

class FakeContact : public IContactProperties {
 public:
  std::u16string GetText(ContactProperty property) const override {
    auto it = texts.find(property);
    return it == texts.end() ? u"" : it->second;
  }
  LONG GetOid() const override { return oid; }
  std::map<ContactProperty, std::u16string> texts;
  LONG oid = 4711;
};

TEST_F(CustomerRecordTest, CustomerContactAddressChoice) {
  FakeContact contact;
  contact.texts = {{kContactFirstName, u"Ann"}, {kContactLastName, u"Lee"},
                   {kContactHomeStreet, u"1 Home Rd"}, {kContactHomeCity, u"Hometown"},
                   {kContactBusinessCity, u"Worktown"}};
  struct Case {
    bool skip;
    bool businessFirst;
    const char16_t* street;
    const char16_t* city;
  } cases[] = {
      {false, true, u"1 Home Rd", u"Hometown"},  // empty business street: the home address
      {false, false, u"1 Home Rd", u"Hometown"},
      {true, true, u"", u""},
  };
  for (const Case& c : cases) {
    CContactCustomer record;
    record.LoadFromContact(contact, c.skip, c.businessFirst);
    EXPECT_EQ(record.FieldView(kCustBillToAddr1), c.street);
    EXPECT_EQ(record.FieldView(kCustBillToCity), c.city);
  }
  contact.texts[kContactBusinessStreet] = u"2 Work St";
  CContactCustomer business;
  business.LoadFromContact(contact, false, true);
  EXPECT_EQ(business.FieldView(kCustBillToAddr1), u"2 Work St");
  EXPECT_EQ(business.FieldView(kCustBillToCity), u"Worktown");
  CContactCustomer home;
  home.LoadFromContact(contact, false, false);
  EXPECT_EQ(home.FieldView(kCustBillToCity), u"Hometown");
  EXPECT_EQ(home.FieldView(kCustListID), u"4711");
  EXPECT_EQ(home.FieldView(kCustName), u"Ann Lee");
  EXPECT_EQ(home.FieldView(kCustFullName), u"Ann Lee");
}

TEST_F(CustomerRecordTest, CustomerContactTelephoneOrder) {
  const ContactProperty all[] = {kContactBusinessPhone1, kContactBusinessPhone2, kContactBusinessPhone3,
                                 kContactHomePhone1, kContactHomePhone2, kContactOtherPhone};
  // Removing numbers one by one walks through each order.
  const std::vector<ContactProperty> businessOrder = {kContactBusinessPhone1, kContactBusinessPhone2, kContactBusinessPhone3,
                                                      kContactHomePhone1, kContactHomePhone2, kContactOtherPhone};
  const std::vector<ContactProperty> homeOrder = {kContactHomePhone1, kContactHomePhone2, kContactBusinessPhone1,
                                                  kContactBusinessPhone2, kContactBusinessPhone3, kContactOtherPhone};
  for (bool businessFirst : {true, false}) {
    FakeContact contact;
    for (ContactProperty p : all) contact.texts[p] = u"#" + std::u16string(1, char16_t(u'0' + p % 10)) + std::u16string(1, char16_t(u'0' + p / 10));
    for (ContactProperty expected : businessFirst ? businessOrder : homeOrder) {
      CContactCustomer record;
      record.LoadFromContact(contact, true, businessFirst);
      EXPECT_EQ(record.FieldView(kCustPhone), contact.texts[expected]) << businessFirst << " " << expected;
      contact.texts[expected].clear();
    }
    CContactCustomer none;
    none.LoadFromContact(contact, true, businessFirst);
    EXPECT_EQ(none.FieldView(kCustPhone), u"");
  }
}

TEST_F(CustomerRecordTest, CustomerEntryPhoneAndIndent) {
  CCustomerListEntry entry;
  entry.SetName(u"Lee");
  entry.SetCompanyName(u"Acme");
  entry.SetPhone(u"111");
  EXPECT_EQ(entry.GetPhoneText(true), u"111");
  EXPECT_EQ(entry.GetPhoneText(false), u"111");  // no AltPhone: the phone
  entry.SetAltPhone(u"222");
  EXPECT_EQ(entry.GetPhoneText(false), u"222");
  entry.SetPhone(u"");
  EXPECT_EQ(entry.GetPhoneText(true), u"222");

  struct Case {
    const char16_t* sublevel;
    const char16_t* expected;
  } cases[] = {
      {u"0", u"Lee"},
      {u"1", u"  Lee"},
      {u"5", u"      Lee"},
      {u"7", u"        Lee"},
      {u"40", u"                   Lee"},  // deeper levels keep the widest indent
      {u"", u"Lee"},
  };
  for (const Case& c : cases) {
    entry.SetSublevel(c.sublevel);
    EXPECT_EQ(entry.GetDisplayName(false), c.expected) << platform::ToUtf8(c.sublevel);
  }
  entry.SetSublevel(u"1");
  EXPECT_EQ(entry.GetDisplayName(true), u"  Acme");
  entry.SetCompanyName(u"");
  EXPECT_EQ(entry.GetDisplayName(true), u"  Lee");
}

}  // namespace

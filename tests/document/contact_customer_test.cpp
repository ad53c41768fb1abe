// A customer chosen from the device's contacts becomes the document's customer, with the
// address and telephone number the contact gives.
#include <gtest/gtest.h>

#include "SalesDocumentFixture.h"
#include "core/Preferences.h"
#include "datastore/ContactsSource.h"
#include "document/SalesDocument.h"

namespace {

class ContactCustomer : public sales_test::SalesDocumentTest {};

TEST_F(ContactCustomer, AChosenContactBecomesTheDocumentCustomer) {
  ASSERT_TRUE(CPreferences().SetUseOutlook(true));  // contacts mode, which imported settings bring: what this is about
  std::unique_ptr<CPOutlookApp> app;
  ASSERT_EQ(CreatePOutlookApp(kPocketOutlookProgId, &app), S_OK);
  ASSERT_EQ(app->Logon(nullptr), S_OK);
  std::unique_ptr<CPimContact> contact;
  ASSERT_EQ(app->CreateItem(olContactItem, &contact), S_OK);
  contact->PutProperty(PIM_FirstName, u"Ann");
  contact->PutProperty(PIM_LastName, u"Lee");
  contact->PutProperty(PIM_CompanyName, u"Lee & Co");
  contact->PutProperty(PIM_HomeAddressStreet, u"3 Home Lane");
  contact->PutProperty(PIM_HomeAddressCity, u"Salem");
  contact->PutProperty(PIM_BusinessAddressStreet, u"1 Dock Rd");
  contact->PutProperty(PIM_BusinessAddressCity, u"Portland");
  contact->PutProperty(PIM_BusinessAddressState, u"OR");
  contact->PutProperty(PIM_BusinessAddressPostalCode, u"97201");
  contact->PutProperty(PIM_HomeTelephoneNumber, u"555-0102");
  contact->PutProperty(PIM_Business2TelephoneNumber, u"555-0101");
  ASSERT_EQ(contact->Save(), S_OK);

  auto doc = NewDocument();
  CContactCustomer chosen(true);  // the business address first
  ASSERT_EQ(chosen.LoadFromOid(nullptr, contact->Oid()), 1);
  doc->SetCustomer(chosen);
  CContactCustomer back(true);
  ASSERT_TRUE(doc->GetXmlDocument().ReadCustomer(&back, true));
  EXPECT_EQ(back.FieldView(kCustListID), platform::ToUtf16(std::to_string(contact->Oid())));
  EXPECT_EQ(back.FieldView(kCustCompanyName), u"Lee & Co");
  EXPECT_EQ(back.FieldView(kCustBillToAddr1), u"1 Dock Rd");
  EXPECT_EQ(back.FieldView(kCustBillToCity), u"Portland");
  EXPECT_EQ(back.FieldView(kCustBillToPostalCode), u"97201");
  EXPECT_EQ(back.FieldView(kCustPhone), u"555-0101");  // the business numbers come first

  CContactCustomer home(false);
  ASSERT_EQ(home.LoadFromOid(nullptr, contact->Oid()), 1);
  EXPECT_EQ(home.FieldView(kCustBillToAddr1), u"3 Home Lane");
  EXPECT_EQ(home.FieldView(kCustPhone), u"555-0102");
}

}  // namespace

// The name form and the company form driven through the data-entry dialog: values read
// back on OK, nothing written on Cancel or when nothing changed.
#include "FieldFormFixture.h"
#include "core/NameForm.h"
#include "core/Preferences.h"
#include "platform/shell/DeviceOwner.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

class SmallForms : public slateway::testing::FieldFormTest {
 protected:
  static CCompanyInfo Company(DWORD number) {
    CCompanyInfo company(nullptr, number);
    company.SetUserName(u"Cy Seller");
    company.SetName(u"Harbour");
    company.SetPhone(u"555-0199");
    return company;
  }
};

TEST_F(SmallForms, NameFormReadsNameAndTypeBackOnOkOnly) {
  CNameForm form(GetResourceInstance(), nullptr, CBstr(u"New Item"), CBstr(u"Name:"), 31, CBstr(u"Bolt"), 0,
                 CBstr(u"Service"), true);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"New Item");
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 1), u"Type:");
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(1, 2), u"Bolt");
    Edit(d, 1, u"Hex bolt");
    d.Cancel();
  });
  EXPECT_EQ(form.DoModal(), 0);
  EXPECT_EQ(form.GetValue().view(), u"Bolt");

  CNameForm plain(GetResourceInstance(), nullptr, CBstr(u"Rename"), CBstr(u"Name:"), 31, CBstr(u"Bolt"), 0, CBstr(),
                  false);
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 1), u"Name:");
    Edit(d, 0, u"Hex bolt");
    d.Ok();
  });
  EXPECT_EQ(plain.DoModal(), 1);
  EXPECT_EQ(plain.GetValue().view(), u"Hex bolt");
  EXPECT_EQ(form.GetType().view(), u"Service");
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(SmallForms, CompanyFormWritesTheSevenRowsOnlyWhenAccepted) {
  CCompanyInfo company = Company(CCompanyInfo::kCompanyB);
  CMyCompanyForm form(GetResourceInstance(), nullptr, company);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) { d.Ok(); });  // nothing changed: end code 2
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    Edit(d, 1, u"Changed");
    d.Cancel();
  });
  EXPECT_EQ(form.DoModal(), 2);
  EXPECT_EQ(form.DoModal(), 0);
  EXPECT_EQ(company.GetName(), u"Harbour");

  CMyCompanyForm again(GetResourceInstance(), nullptr, company);
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"My Company");
    Edit(d, 0, u"Di Buyer");
    Edit(d, 2, u"2 Pier\rDock 9\rBay City");
    Edit(d, 6, u"Info@harbour.example");
    d.Ok();
  });
  EXPECT_EQ(again.DoModal(), 1);
  EXPECT_EQ(company.GetUserName(), u"Di Buyer");
  EXPECT_EQ(company.GetName(), u"Harbour");
  EXPECT_EQ(company.GetAddress1(), u"2 Pier");
  EXPECT_EQ(company.GetAddress2(), u"Dock 9");
  EXPECT_EQ(company.GetAddress3(), u"Bay City");
  EXPECT_EQ(company.GetPhone(), u"555-0199");
  EXPECT_EQ(company.GetEMail(), u"Info@harbour.example");
}

TEST_F(SmallForms, TheFirstCompanyShowsTheUserNameWithoutOfferingAnEdit) {
  CCompanyInfo company = Company(CCompanyInfo::kFirstCompany);
  CMyCompanyForm form(GetResourceInstance(), nullptr, company);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 2), u"Cy Seller");
    SendMessageW(d.Window(), kMsgStartEditor, 0, 0);
    EXPECT_EQ(d.Focus(), d.Control(IDC_FORM_LIST)) << "no editor opens over the name";
    Edit(d, 5, u"555-0100");
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(), 1);
  EXPECT_EQ(company.GetUserName(), u"Cy Seller");
  EXPECT_EQ(company.GetPhone(), u"555-0100");
}

// The installer names the device's owner; the first company's form shows that name.
TEST_F(SmallForms, TheFirstCompanyOfAnInstalledDeviceShowsItsOwner) {
  const std::optional<platform::DeviceOwner> owner = platform::ReadDeviceOwner();
  ASSERT_TRUE(owner.has_value());
  ASSERT_FALSE(owner->name.empty());
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  CMyCompanyForm form(GetResourceInstance(), nullptr, company);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 1), u"My Name:");
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 2), owner->name);
    d.Cancel();
  });
  form.DoModal();
  EXPECT_EQ(ui.Pending(), 0u);
}

}  // namespace

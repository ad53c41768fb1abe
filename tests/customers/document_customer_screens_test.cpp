// The customer screens the editor opens on its document: the customer dialog on the
// document's copy of a customer, at the page asked for, and its answer.
#include <gtest/gtest.h>

#include "CustomerScreensFixture.h"
#include "customers/CustomerDlg.h"
#include "customers/DocumentCustomerScreens.h"
#include "core/FullScreenDialog.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using DocumentCustomerScreens = customers_test::CustomerScreensTest;

TEST_F(DocumentCustomerScreens, TheCustomerDialogOpensAtThePageAskedForOnTheDocumentsCopy) {
  CTableCustomer record;
  ASSERT_TRUE(Store().GetCustomerByFullName(u"Maple Court Apartments", record.Fields()));
  CDocumentCustomerScreens screens(GetResourceInstance(), &Store(), nullptr);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    auto* customer = CCustomerDlg::FromHandle(d.Window());
    ASSERT_NE(customer, nullptr);
    EXPECT_EQ(customer->ShownPage(), kPageShipTo);
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Edit Customer:Job");
    Edit(d, *customer->Page(kPageShipTo), 0, u"Loading Bay 2");
    d.Ok();
  });
  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Texts().size(), 7u) << "a job has its Job Info page";
    d.Cancel();
  });
  EXPECT_EQ(screens.EditDocumentCustomer(nullptr, record, kPageShipTo, false, false), 1);
  EXPECT_EQ(record.FieldView(kCustShipToAddr1), u"Loading Bay 2");
  EXPECT_EQ(screens.EditDocumentCustomer(nullptr, record, kPageAddressInfo, false, true), 0);
  EXPECT_EQ(ui.Pending(), 0u);
}

}  // namespace

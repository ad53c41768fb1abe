// The customer list window over the sample database: letter jumps, picking a customer for
// the invoice, adding one through the customer dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "CustomerScreensFixture.h"
#include "core/DialogTitleBar.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "customers/CustomerDlg.h"
#include "customers/CustomerListWnd.h"
#include "datastore/ItemStore.h"
#include "core/UiMetrics.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace customers_test {
namespace {

using platform::testing::DialogDriver;

class CustomerList : public CustomerScreensTest {
 protected:
  void SetUp() override {
    CustomerScreensTest::SetUp();
    // Made once the test's device is there: the store's one key is opened by its first instance.
    preferences = std::make_unique<CPreferences>();
    dialog = std::make_unique<CCustomerDialogRunner>(GetResourceInstance(), &Store());
    source = std::make_unique<CQBCustomerSource>(nullptr, Store(), dialog.get());
  }
  void TearDown() override {
    window.reset();
    source.reset();
    preferences.reset();
    CustomerScreensTest::TearDown();
  }
  CCustomerListWnd& Open(int mode) {
    window = std::make_unique<CCustomerListWnd>(GetResourceInstance(), historyWindow, source.get(), preferences.get());
    window->SetDocumentOf([this] { return doc.get(); });
    window->StartLoader(CCustomerLoader::kPriorityBelowNormal);
    window->Show(nullptr, mode);
    return *window;
  }
  platform::testing::ListViewDriver List() { return platform::testing::ListViewDriver(window->ListWindow()); }
  // Customers named "<letter>nnn" for each letter given, `each` of them.
  void AddCustomers(std::u16string_view letters, int each) {
    ASSERT_TRUE(Store().BeginTransaction());
    for (char16_t letter : letters) {
      for (int i = 0; i < each; ++i) {
        CTableCustomer customer;
        std::u16string name = std::u16string(1, letter) + u"ustomer " + std::u16string(1, char16_t(u'A' + i / 26)) +
                              std::u16string(1, char16_t(u'a' + i % 26));
        customer.SetField(kCustName, name);
        customer.SetField(kCustFullName, name);
        ASSERT_TRUE(Store().InsertCustomer(customer.Fields()));
      }
    }
    ASSERT_TRUE(Store().CommitTransaction());
  }

  std::unique_ptr<CPreferences> preferences;
  std::unique_ptr<CCustomerDialogRunner> dialog;
  std::unique_ptr<CQBCustomerSource> source;
  std::unique_ptr<CCustomerListWnd> window;
};

TEST_F(CustomerList, LetterButtonsShowEachLettersFirstRowNearTheTop) {
  AddCustomers(u"ACDKPQW", 15);
  CCustomerListWnd& list = Open(CCustomerListWnd::kManageMode);
  const int count = List().Count();
  ASSERT_EQ(count, 7 * 15 + 7);
  // The letter's first row is on screen, in the page's upper part.
  auto shownFirst = [&](char16_t letter) {
    const int row = List().Find(std::u16string(1, letter) + u"ustomer Aa");
    const int top = List().Top();
    return row >= top && row - top < List().PerPage() / 2 + 1 ? row : -1;
  };
  EXPECT_NE(shownFirst(u'A'), -1);  // the opening jump went to "a"
  list.PressLetterButton(201);      // "cde": c
  EXPECT_NE(shownFirst(u'C'), -1);
  list.PressLetterButton(201);      // d
  EXPECT_NE(shownFirst(u'D'), -1);
  list.PressLetterButton(201);      // e: no customer, the list's top
  EXPECT_EQ(List().Top(), 0);
  list.PressLetterButton(208);      // "xyz": x
  list.PressLetterButton(207);      // "uvw": u
  list.PressLetterButton(207);      // v
  list.PressLetterButton(207);      // w: near the end, never beyond the last row
  EXPECT_LE(List().Top() + List().PerPage(), count);
  EXPECT_GE(List().Find(u"Wustomer Aa"), List().Top());
  list.PressLetterButton(207);      // u again: the group wraps
  EXPECT_EQ(list.Jump().Current(), 22);
}

TEST_F(CustomerList, CompanyOrderJumpsByCompanyNames) {
  CCustomerListWnd& list = Open(CCustomerListWnd::kManageMode);
  SendMessageW(list.GetHwnd(), WM_COMMAND, IDM_CUSTOMER_BY_COMPANY, 0);
  EXPECT_TRUE(list.ByCompany());
  // Company names of the sample: Birchwood Cafe, Maple Court Apartments, O'Connell Bakery.
  EXPECT_EQ(source->GetLetterRow(14), List().Find(u"Maple Court Apartments"));
  EXPECT_EQ(source->GetLetterRow(8), 0);  // no company under "h": Hallett has none
  SendMessageW(list.GetHwnd(), WM_COMMAND, IDM_CUSTOMER_BY_NAME, 0);
  EXPECT_FALSE(list.ByCompany());
  EXPECT_EQ(source->GetLetterRow(9), List().Find(u"Hallett, Owen"));
}

TEST_F(CustomerList, PicksACustomerForTheInvoiceAndAddsANewOneExactly) {
  CCustomerListWnd& list = Open(CCustomerListWnd::kPickMode);
  list.PressLetterButton(204);  // l
  list.PressLetterButton(204);  // m
  EXPECT_EQ(list.Jump().Current(), 14);
  const int maple = source->GetLetterRow(14);
  ASSERT_EQ(List().Text(maple), u"Maple Court Apartments");
  List().Tap(maple);
  EXPECT_EQ(list.CurrentRow(), maple);
  SendMessageW(list.GetHwnd(), WM_COMMAND, kTitleOkButtonId, 0);
  EXPECT_FALSE(IsWindowVisible(list.GetHwnd()));
  EXPECT_EQ(doc->GetCustomer()->FieldView(kCustName), u"Maple Court Apartments");
  CCustomerFields mapleRow;
  ASSERT_TRUE(Store().GetCustomerByFullName(u"Maple Court Apartments", mapleRow));
  EXPECT_EQ(doc->GetCustomer()->FieldView(kCustBillToCity), mapleRow[kCustBillToCity].view());
  ASSERT_TRUE(history.CanUndo());
  EXPECT_EQ(history.GetUndoName()->str(), u"Select Customer");

  list.Show(nullptr, CCustomerListWnd::kPickMode);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    auto* customer = CCustomerDlg::FromHandle(d.Window());
    ASSERT_NE(customer, nullptr);
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"New Customer");
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Texts(),
              (std::vector<std::u16string>{u"Address Info", u"Bill To", u"Ship To", u"Additional Info",
                                           u"Payment Info", u"Notes"}));
    Edit(d, *customer->Page(kPageAddressInfo), 0, u"Zephyr Tools");
    Edit(d, *customer->Page(kPageAddressInfo), 2, u"Zephyr Tools Ltd");
    Edit(d, *customer->Page(kPageAddressInfo), 6, u"555-0199");
    d.Tabs(full_screen::CPageTabs::kTabControlId).Tap(u"Notes");
    EXPECT_EQ(customer->ShownPage(), kPageNotes);
    Edit(d, *customer->Page(kPageNotes), 0, u"Calls ahead");
    d.Ok();
  });
  SendMessageW(list.GetHwnd(), WM_COMMAND, IDM_CUSTOMER_NEW, 0);
  EXPECT_EQ(ui.Pending(), 0u);

  CCustomerFields stored;
  ASSERT_TRUE(Store().GetCustomerByFullName(u"Zephyr Tools", stored));
  CTableCustomer fresh;
  CCustomerFields expected = fresh.Fields();
  expected[kCustListID] = stored[kCustListID];
  expected[kCustTimeCreated] = stored[kCustTimeCreated];
  expected[kCustTimeModified] = stored[kCustTimeModified];
  expected[kCustName] = CBstr(u"Zephyr Tools");
  expected[kCustFullName] = CBstr(u"Zephyr Tools");
  expected[kCustCompanyName] = CBstr(u"Zephyr Tools Ltd");
  expected[kCustPhone] = CBstr(u"555-0199");
  expected[kCustBillToAddr1] = CBstr(u"Zephyr Tools");  // an empty first line takes the name
  expected[kCustNotes] = CBstr(u"Calls ahead");
  for (int f = 0; f < kCustomerFieldCount; ++f) {
    if (f == kCustExtraName || f == kCustMobile) continue;  // not stored
    EXPECT_EQ(stored[f].view(), expected[f].view()) << "field " << f;
  }
  // Picked in pick mode: the new customer is the invoice's.
  EXPECT_EQ(doc->GetCustomer()->FieldView(kCustName), u"Zephyr Tools");
  EXPECT_FALSE(IsWindowVisible(list.GetHwnd()));
  EXPECT_GE(List().Find(u"Zephyr Tools"), 0);
}

TEST_F(CustomerList, ManagesCustomersThroughTheRowMenuAndADoubleTap) {
  CCustomerListWnd& list = Open(CCustomerListWnd::kManageMode);
  const int hallett = List().Find(u"Hallett, Owen");
  platform::testing::UiScript ui;
  ui.ExpectPopupMenu([](platform::testing::MenuDriver& menu) {
    EXPECT_EQ(menu.Texts(), (std::vector<std::u16string>{u"Edit...", u"Add Job...", u"-", u"Delete"}));
    menu.Choose(u"Add Job...");
  });
  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    auto* job = CCustomerDlg::FromHandle(d.Window());
    EXPECT_EQ(job->Page(kPageAddressInfo)->Model().Field(0)->value.view(), u"Hallett, Owen");
    // The input panel's keys go straight into the job's name.
    d.Pump();
    EXPECT_EQ(GetFocus(), job->Page(kPageAddressInfo)->EditorWindow());
    d.Type(u"Fence");
    d.Ok();
  });
  List().Hold(hallett);
  EXPECT_EQ(ui.Pending(), 0u);
  const int fence = List().Find(u"  Fence");
  ASSERT_EQ(fence, hallett + 1);
  EXPECT_EQ(list.CurrentRow(), hallett);

  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    auto* job = CCustomerDlg::FromHandle(d.Window());
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Texts().size(), 7u);  // a job: Job Info
    Edit(d, *job->Page(kPageAddressInfo), 6, u"555-0100");
    d.Ok();
  });
  List().DoubleTap(fence);
  CCustomerFields stored;
  ASSERT_TRUE(Store().GetCustomerByFullName(u"Hallett, Owen:Fence", stored));
  EXPECT_EQ(stored[kCustPhone].view(), u"555-0100");

  // The last row deleted: the row before it becomes current.
  const int last = List().Count() - 1;
  ui.ExpectPopupMenu([](platform::testing::MenuDriver& menu) { menu.Choose(u"Delete"); });
  ui.ExpectMessageBox(LoadResText(IDS_CONFIRM_DELETE_CUSTOMER), IDYES);
  List().Hold(last);
  platform::PumpMessages();
  EXPECT_EQ(List().Count(), last);
  EXPECT_EQ(list.CurrentRow(), last - 1);
  EXPECT_EQ(List().Selection(), last - 1);
}

// Pictures of the list and of the customer dialog on the small and the large screen, for
// people to look at (written where SLATEWAY_SCREENSHOTS points, else into the device root).
TEST_F(CustomerList, IsPicturedWithItsDialogOnBothScreenSizes) {
  const char* dir = std::getenv("SLATEWAY_SCREENSHOTS");
  for (int width : {240, 480}) {
    platform::SetScreenProfile(width == 240 ? platform::ScreenProfile::Portrait240x320
                                            : platform::ScreenProfile::Portrait480x640);
    SetHighResolution(width == 480);
    auto file = [&](const char* name) {
      return (dir ? std::filesystem::path(dir) : Linux(u"\\")) / (name + std::to_string(width) + ".png");
    };
    CCustomerListWnd& list = Open(CCustomerListWnd::kPickMode);
    List().Tap(1);
    UpdateWindow(list.GetHwnd());
    EXPECT_TRUE(platform::SaveScreenshot(file("customer_list_")));
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
      EXPECT_TRUE(platform::SaveScreenshot(file("customer_dialog_")));
      // The tabs and their pages begin below the title row's buttons, whatever the tab.
      d.Tabs(IDC_TAB_CONTROL).Tap(1);
      RECT tabs{}, ok{}, cancel{};
      GetWindowRect(d.Control(IDC_TAB_CONTROL), &tabs);
      GetWindowRect(d.Control(1009), &ok);
      GetWindowRect(d.Control(IDCANCEL), &cancel);
      EXPECT_GE(tabs.top, std::max(ok.bottom, cancel.bottom)) << width;
      d.Cancel();
    });
    SendMessageW(list.GetHwnd(), WM_COMMAND, IDM_CUSTOMER_EDIT, 0);
    EXPECT_TRUE(std::filesystem::exists(file("customer_dialog_")));
    window.reset();
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

}  // namespace
}  // namespace customers_test

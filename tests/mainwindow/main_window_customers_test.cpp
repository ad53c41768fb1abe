// The customer list in the running program: the editor asks for its document's customer,
// the list update and the desktop's database commands keep the list in step with the
// database, and the templates come from the open document.
#include <filesystem>

#include "MainWindowFixture.h"
#include "../core/FieldFormTyping.h"
#include "../datastore/DatabaseTest.h"
#include "core/DialogTitleBar.h"
#include "core/Folders.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "customers/CustomerDlg.h"
#include "customers/CustomerListWnd.h"
#include "datastore/ItemStore.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "editor/EditCommand.h"
#include "listupdate/UpdateListWriter.h"
#include "mainwindow/DesktopFiles.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/PrivateMessages.h"
#include "mainwindow/Program.h"
#include "mainwindow/SampleDevice.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::ListViewDriver;

class MainWindowCustomers : public mainwindow_test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(PrepareNewDevice());
  }
  void TearDown() override {
    m_program.End();
    MainWindowTest::TearDown();
  }
  void Start() {
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    frame = m_program.GetMainFrame();
    editor = frame->GetEditor();
  }
  LRESULT Send(ULONG_PTR code) {
    COPYDATASTRUCT copy{code, 0, nullptr};
    return SendMessageW(frame->GetHwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
  }
  ListViewDriver List() { return ListViewDriver(frame->GetCustomerList()->ListWindow()); }
  HWND ListDialog() { return frame->GetCustomerList()->GetHwnd(); }
  std::u16string CustomerOfDocument() {
    return std::u16string(editor->GetDocument().GetCustomer()->FieldView(kCustName));
  }

  CProgram m_program;
  CMainFrame* frame = nullptr;
  CDocumentView* editor = nullptr;
};

TEST_F(MainWindowCustomers, TheEditorsRequestPicksACustomerOrMakesOneForTheOpenDocument) {
  CPreferences().SetDword(u"UseWM2003Contacts", 1);
  Start();
  ASSERT_NE(frame->GetCustomerList(), nullptr);
  editor->NewDocument(kDocInvoice);
  editor->ShowView(-1);
  SendMessageW(frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(editor->GetWindow()));
  ASSERT_TRUE(frame->IsCustomerListVisible());
  List().Tap(u"Maple Court Apartments");
  SendMessageW(ListDialog(), WM_COMMAND, kTitleOkButtonId, 0);
  EXPECT_FALSE(frame->IsCustomerListVisible());
  EXPECT_EQ(CustomerOfDocument(), u"Maple Court Apartments");
  EXPECT_TRUE(m_program.GetDocumentHistory()->CanUndo());

  // A customer made in the list's dialog is stored and becomes the document's.
  SendMessageW(frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(editor->GetWindow()));
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    auto* customer = CCustomerDlg::FromHandle(d.Window());
    ASSERT_NE(customer, nullptr);
    slateway::testing::TypeIntoField(d, customer->Page(kPageAddressInfo)->GetHwnd(), 0, u"Zephyr Tools");
    d.Ok();
  });
  SendMessageW(ListDialog(), WM_COMMAND, IDM_CUSTOMER_NEW, 0);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(CustomerOfDocument(), u"Zephyr Tools");
  CCustomerFields stored;
  EXPECT_TRUE(frame->GetItemStore()->GetCustomerByFullName(u"Zephyr Tools", stored));

  // The main window activated under the shown list leaves the list its menu bar.
  frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
  SendMessageW(frame->GetHwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetParent(GetCurrentMenuBar()), ListDialog());
}

TEST_F(MainWindowCustomers, ABalanceMovedByADocumentShowsInTheList) {
  CPreferences().SetDisplayBalances(true);
  Start();
  frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
  const int parent = List().Find(u"Birchwood Cafe");
  ASSERT_GE(parent, 0);
  EXPECT_EQ(List().Text(parent, 1), u"412.30");
  SendMessageW(ListDialog(), WM_COMMAND, IDCANCEL, 0);

  // An invoice of 25.00 on one of its jobs.
  CCustomerFields job;
  ASSERT_TRUE(frame->GetItemStore()->GetCustomerByFullName(u"Birchwood Cafe:Patio", job));
  CTableCustomer record;
  record.AssignFields(job);
  editor->NewDocument(kDocInvoice);
  editor->GetDocument().SetCustomer(record);
  frame->UpdateCustomerBalance(editor->GetDocument(), 25.0, false);
  platform::PumpMessages();
  frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
  EXPECT_EQ(List().Text(parent, 1), u"437.30");
}

TEST_F(MainWindowCustomers, TheListUpdateHandsTheImportedCustomersToTheList) {
  Start();
  frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
  const int before = List().Count();
  ASSERT_GT(before, 0);
  SendMessageW(ListDialog(), WM_COMMAND, IDCANCEL, 0);

  const CDatabaseFiles files = GetDatabaseFiles();
  CUpdateListWriter lists;
  lists.Option("CLEAR_ITEM_LIST", u"no");
  lists.Option("CLEAR_CUSTOMER_LIST", u"no");
  ASSERT_TRUE(lists.Save(files.folder + u"NWQItems.xml"));
  CUpdateListWriter people;
  people.Record("CUSTOMER", {{"LISTID", u"c-9"}, {"NAME", u"Quarry Lane"}, {"FULLNAME", u"Quarry Lane"},
                             {"SUBLEVEL", u"0"}, {"BALANCE", u"4.00"}});
  ASSERT_TRUE(people.Save(files.folder + u"NWQCustomers.xml"));
  EXPECT_EQ(Send(53), 1);

  frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
  EXPECT_EQ(List().Count(), before + 1);
  EXPECT_GE(List().Find(u"Quarry Lane"), 0);
}

TEST_F(MainWindowCustomers, DatabaseCommandsWaitForTheLoaderAndTheListFollowsANewDatabase) {
  // Enough customers that the loader is still at them when a command arrives at once.
  const CDatabaseFiles files = GetDatabaseFiles();
  ASSERT_EQ(datastore_test::RawDb(Linux(files.Database()))
                .Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                      "INSERT INTO CustomerList (ListID, Name, FullName, Sublevel) "
                      "SELECT 'B-' || i, 'Bulk ' || i, 'Bulk ' || i, '0' FROM n"),
            0);
  Start();
  CCustomerListWnd* list = frame->GetCustomerList();
  list->StartLoader(CCustomerLoader::kPriorityBelowNormal);
  EXPECT_EQ(Send(143), 1);  // CLOSE_DB
  EXPECT_FALSE(list->LoaderRunning());
  EXPECT_FALSE(frame->GetItemStore()->IsOpen());
  EXPECT_EQ(Send(133), 1);  // OPEN_DB
  EXPECT_TRUE(frame->GetItemStore()->IsOpen());

  // The desktop hands back a database with a customer more.
  EXPECT_EQ(Send(123), 1);  // GET_DB
  EXPECT_FALSE(list->LoaderRunning());
  std::string customers;
  {
    datastore_test::RawDb update(Linux(files.Update()));
    ASSERT_EQ(update.Exec("INSERT INTO CustomerList (ListID, Name, FullName, Sublevel) "
                          "VALUES ('N-1', 'Newfield Farm', 'Newfield Farm', '0')"),
              0);
    customers = update.Column("SELECT COUNT(*) FROM CustomerList").at(0);
  }
  EXPECT_EQ(Send(103), 1);  // LOAD_DB_UPDATE
  frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
  EXPECT_EQ(std::to_string(List().Count()), customers);
  EXPECT_GE(List().Find(u"Newfield Farm"), 0);
}

TEST_F(MainWindowCustomers, TemplatesSaveTheOpenDocumentOnlyWhileTheEditorIsInFront) {
  Start();
  editor->NewDocument(kDocEstimate);
  const std::u16string file = editor->GetDocument().GetFilePath().str();
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(Send(73), 1);  // the register is in front
  EXPECT_FALSE(std::filesystem::exists(Linux(file)));
  CBstr data;
  GetAppDataFolder(data, true);
  EXPECT_TRUE(std::filesystem::exists(Linux(data.str() + u"Templates\\KTWCreditMemo.XSL")));

  editor->ShowView(-1);
  EXPECT_EQ(Send(73), 1);
  EXPECT_NE(ReadText(file).find("DOCTYPE=\"ESTIMATE\""), std::string::npos);
}

}  // namespace

// The customer list in the running program: picked from for the editor's document, kept in
// step with balances, list updates and the desktop's database commands.
#include "MainWindowFixture.h"
#include "../core/FieldFormTyping.h"
#include "../datastore/DatabaseTest.h"
#include "core/DialogTitleBar.h"
#include "core/Folders.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/WindowMessages.h"
#include "customers/CustomerDlg.h"
#include "customers/CustomerListWnd.h"
#include "customers/CustomerPages.h"
#include "datastore/ItemStore.h"
#include "document/JobRecord.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "listupdate/UpdateListWriter.h"
#include "mainwindow/DesktopFiles.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

class MainWindowCustomers : public mainwindow_test::MainWindowTest {
 protected:
  MainWindowCustomers() { m_stage = slateway::testing::DeviceStage::FirstStarted; }
  void Start() {
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    frame = m_program.GetMainFrame();
    editor = frame->GetEditor();
  }
  void TearDown() override {
    m_program.End();
    MainWindowTest::TearDown();
  }
  LRESULT Send(DesktopCommand code) {
    COPYDATASTRUCT copy{static_cast<ULONG_PTR>(code), 0, nullptr};
    return SendMessageW(frame->GetHwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
  }
  // The list shown for managing, as the user finds it.
  platform::testing::ListViewDriver ShownList() {
    frame->ShowContacts(frame->GetHwnd(), CCustomerListWnd::kManageMode);
    return platform::testing::ListViewDriver(frame->GetCustomerList()->ListWindow());
  }
  HWND ListDialog() { return frame->GetCustomerList()->GetHwnd(); }
  std::u16string DocumentCustomer() { return std::u16string(editor->GetDocument().GetCustomer()->FieldView(kCustName)); }
  // The editor's request for a customer, answered with the row tapped and ok.
  void PickForEditor(const std::u16string& row) {
    SendMessageW(frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(editor->GetWindow()));
    platform::testing::ListViewDriver(frame->GetCustomerList()->ListWindow()).Tap(row);
    SendMessageW(ListDialog(), WM_COMMAND, kTitleOkButtonId, 0);
  }
  // The saved document's job: its name and list id.
  std::u16string SavedJob() {
    CJobRecord job;
    EXPECT_TRUE(editor->GetDocument().Save());
    editor->GetDocument().GetXmlDocument().ReadJob(&job);
    return CBstr(job.GetField(0)).str() + u"|" + CBstr(job.GetField(15)).str();
  }

  CProgram m_program;
  CMainFrame* frame = nullptr;
  CDocumentView* editor = nullptr;
};

TEST_F(MainWindowCustomers, TheEditorsRequestPicksACustomerOrMakesOneForTheOpenDocument) {
  // A new device keeps its customers in the table: the program's list serves every pick,
  // whatever chooser the system offers.
  Start();
  editor->NewDocument(kDocInvoice);
  editor->ShowView(-1);
  SendMessageW(frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(editor->GetWindow()));
  ASSERT_TRUE(frame->IsCustomerListVisible());
  platform::testing::ListViewDriver(frame->GetCustomerList()->ListWindow()).Tap(u"Maple Court Apartments");
  SendMessageW(ListDialog(), WM_COMMAND, kTitleOkButtonId, 0);
  EXPECT_FALSE(frame->IsCustomerListVisible());
  EXPECT_EQ(DocumentCustomer(), u"Maple Court Apartments");
  EXPECT_TRUE(m_program.GetDocumentHistory()->CanUndo());

  // A job is chosen with the list id the desktop knows it by.
  SendMessageW(frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(editor->GetWindow()));
  platform::testing::ListViewDriver(frame->GetCustomerList()->ListWindow())
      .Tap(std::u16string(CCustomerRecord::IndentOfSublevel(u"1")) + u"Patio");
  SendMessageW(ListDialog(), WM_COMMAND, kTitleOkButtonId, 0);
  CCustomerFields patio;
  ASSERT_TRUE(frame->GetItemStore()->GetCustomerByFullName(u"Birchwood Cafe:Patio", patio));
  const CCustomerRecord* chosen = editor->GetDocument().GetCustomer();
  EXPECT_EQ(chosen->FieldView(kCustFullName), u"Birchwood Cafe:Patio");
  EXPECT_EQ(chosen->FieldView(kCustListID), patio[kCustListID].view());

  // Managing the customers from the menu chooses nobody for the document out of sight.
  SendMessageW(frame->GetHwnd(), WM_COMMAND, IDM_MAIN_CUSTOMERS, 0);
  ASSERT_TRUE(frame->IsCustomerListVisible());
  platform::testing::ListViewDriver(frame->GetCustomerList()->ListWindow()).Tap(u"Maple Court Apartments");
  SendMessageW(ListDialog(), WM_COMMAND, kTitleOkButtonId, 0);
  EXPECT_EQ(editor->GetDocument().GetCustomer()->FieldView(kCustFullName), u"Birchwood Cafe:Patio");

  // A customer made in the list's dialog is stored and becomes the document's.
  SendMessageW(frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(editor->GetWindow()));
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [&](platform::testing::DialogDriver& d) {
    slateway::testing::TypeIntoField(d, CCustomerDlg::FromHandle(d.Window())->Page(kPageAddressInfo)->GetHwnd(), 0,
                                     u"Zephyr Tools");
    d.Ok();
  });
  SendMessageW(ListDialog(), WM_COMMAND, IDM_CUSTOMER_NEW, 0);
  EXPECT_EQ(DocumentCustomer(), u"Zephyr Tools");
  CCustomerFields stored;
  EXPECT_TRUE(frame->GetItemStore()->GetCustomerByFullName(u"Zephyr Tools", stored));

  // The main window activated under the shown list leaves the list its menu bar.
  ShownList();
  SendMessageW(frame->GetHwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  platform::PumpMessages();
  EXPECT_EQ(GetParent(GetCurrentMenuBar()), ListDialog());
}

// A job with nothing on its Job Info page, picked on Bill To, becomes the document's job
// and the register names it; a customer who is no job, picked next, leaves no job behind.
TEST_F(MainWindowCustomers, AJobWithAnEmptyJobInfoPageBecomesTheDocumentsJob) {
  Start();
  platform::testing::ListViewDriver list = ShownList();
  platform::testing::UiScript ui;
  ui.ExpectPopupMenu([](platform::testing::MenuDriver& menu) { menu.Choose(u"Add Job..."); });
  ui.ExpectDialog(IDD_TABBED_FORM, [](platform::testing::DialogDriver& d) {
    d.Pump();
    d.Type(u"Greenhouse");  // the job's name, and nothing else
    d.Ok();
  });
  list.Hold(list.Find(u"Birchwood Cafe"));
  SendMessageW(ListDialog(), WM_COMMAND, kTitleOkButtonId, 0);
  editor->NewDocument(kDocInvoice);
  editor->ShowView(-1);
  PickForEditor(std::u16string(CCustomerRecord::IndentOfSublevel(u"1")) + u"Greenhouse");
  CCustomerFields greenhouse;
  ASSERT_TRUE(frame->GetItemStore()->GetCustomerByFullName(u"Birchwood Cafe:Greenhouse", greenhouse));
  EXPECT_EQ(SavedJob(), u"Greenhouse|" + greenhouse[kCustListID].str());
  platform::PumpMessages();
  std::vector<std::u16string> names;
  for (int i = 0; const CRegisterRow* row = frame->GetRegister()->GetRowRecord(i); ++i)
    if (row->number == editor->GetDocument().GetNumber().view()) names.push_back(row->name);
  EXPECT_EQ(names, std::vector<std::u16string>{u"Birchwood Cafe:Greenhouse"});
  PickForEditor(u"Hallett, Owen");
  EXPECT_EQ(SavedJob(), u"|");
}

TEST_F(MainWindowCustomers, TheListFollowsBalancesListUpdatesAndANewDatabase) {
  CPreferences().SetDisplayBalances(true);  // the balances this follows, shown as the desktop's update chose
  Start();
  const int parent = ShownList().Find(u"Birchwood Cafe");
  EXPECT_EQ(ShownList().Text(parent, 1), u"412.30");
  SendMessageW(ListDialog(), WM_COMMAND, IDCANCEL, 0);
  // An invoice of 25.00 on one of its jobs, saved while the list is hidden.
  CCustomerFields job;
  ASSERT_TRUE(frame->GetItemStore()->GetCustomerByFullName(u"Birchwood Cafe:Patio", job));
  CTableCustomer record;
  record.AssignFields(job);
  editor->NewDocument(kDocInvoice);
  editor->GetDocument().SetCustomer(record);
  frame->UpdateCustomerBalance(editor->GetDocument(), CDecimal(25, 0), false);
  platform::PumpMessages();
  EXPECT_EQ(ShownList().Text(parent, 1), u"437.30");

  const int before = ShownList().Count();
  const CDatabaseFiles files = GetDatabaseFiles();
  CUpdateListWriter lists;
  lists.Option("CLEAR_ITEM_LIST", u"no");
  lists.Option("CLEAR_CUSTOMER_LIST", u"no");
  ASSERT_TRUE(lists.Save(files.folder + u"NWQItems.xml"));
  CUpdateListWriter people;
  people.Record("CUSTOMER", {{"LISTID", u"c-9"}, {"NAME", u"Quarry Lane"}, {"FULLNAME", u"Quarry Lane"}});
  ASSERT_TRUE(people.Save(files.folder + u"NWQCustomers.xml"));
  EXPECT_EQ(Send(DesktopCommand::UpdateLists), 1);
  EXPECT_EQ(ShownList().Count(), before + 1);
  EXPECT_GE(ShownList().Find(u"Quarry Lane"), 0);

  // The desktop hands back the database with a customer more.
  EXPECT_EQ(Send(DesktopCommand::CopyDatabase), 1);
  ASSERT_EQ(datastore_test::RawDb(Linux(files.Update()))
                .Exec("INSERT INTO CustomerList (ListID, Name, FullName) VALUES ('N-1', 'Newfield Farm', 'Newfield Farm')"),
            0);
  EXPECT_EQ(Send(DesktopCommand::LoadDatabaseUpdate), 1);
  EXPECT_EQ(ShownList().Count(), before + 2);
  EXPECT_GE(ShownList().Find(u"Newfield Farm"), 0);
}

TEST_F(MainWindowCustomers, DatabaseCommandsWaitForTheLoaderAndTemplatesSaveOnlyTheDocumentInFront) {
  Start();
  // Enough customers that the loader is still at them when a command arrives at once.
  ASSERT_EQ(datastore_test::RawDb(Linux(GetDatabaseFiles().Database()))
                .Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                      "INSERT INTO CustomerList (ListID, Name, FullName) SELECT 'B-' || i, 'B' || i, 'B' || i FROM n"),
            0);
  frame->GetCustomerList()->StartLoader(CCustomerLoader::kPriorityBelowNormal);
  EXPECT_EQ(Send(DesktopCommand::CloseDatabase), 1);
  EXPECT_FALSE(frame->GetCustomerList()->LoaderRunning());
  EXPECT_FALSE(frame->GetItemStore()->IsOpen());
  EXPECT_EQ(Send(DesktopCommand::OpenDatabase), 1);
  EXPECT_TRUE(frame->GetItemStore()->IsOpen());

  editor->NewDocument(kDocEstimate);
  const std::u16string file = editor->GetDocument().GetFilePath().str();
  EXPECT_EQ(Send(DesktopCommand::Templates), 1);  // the register is in front
  EXPECT_FALSE(std::filesystem::exists(Linux(file)));
  CBstr data;
  GetAppDataFolder(data, true);
  EXPECT_TRUE(std::filesystem::exists(Linux(data.str() + u"Templates\\KTWCreditMemo.XSL")));
  editor->ShowView(-1);
  EXPECT_EQ(Send(DesktopCommand::Templates), 1);
  EXPECT_NE(ReadText(file).find("DOCTYPE=\"ESTIMATE\""), std::string::npos);
}

// Figures(): the stored balance and total, then what the list and Edit Customer:Job show
// (a job's dialog shows none).
class CustomerBalances : public MainWindowCustomers {
 protected:
  void StartOn(const char16_t* fullName) {
    CPreferences().SetDisplayBalances(true);  // as the desktop's list update chose
    Start();
    CTableCustomer record;
    EXPECT_TRUE(frame->GetItemStore()->GetCustomerByFullName(fullName, record.Fields()));
    editor->NewDocument(kDocInvoice);
    editor->GetDocument().SetCustomer(record);
  }
  std::u16string Figures(std::u16string_view fullName, std::u16string_view row) {
    CCustomerFields stored;
    EXPECT_TRUE(frame->GetItemStore()->GetCustomerByFullName(fullName, stored));
    std::u16string text = stored[kCustBalance].str() + u" " + stored[kCustTotalBalance].str();
    platform::PumpMessages();
    auto list = ShownList();
    text += u" " + list.Tap(row).Text(list.Find(row), 1);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, [&](platform::testing::DialogDriver& d) {
      CBstr shown;
      if (row == fullName)
        CCustomerDlg::FromHandle(d.Window())->Page(kPageAddressInfo)->GetFieldText(1, shown);
      text += u" " + shown.str();
      d.Cancel();
    });
    SendMessageW(ListDialog(), WM_COMMAND, IDM_CUSTOMER_EDIT, 0);
    SendMessageW(ListDialog(), WM_COMMAND, IDCANCEL, 0);
    return text;
  }
};

TEST_F(CustomerBalances, ACustomersOwnDocumentsMoveTheBalanceItsScreensShow) {
  StartOn(u"Hallett, Owen");
  CSalesDocument& doc = editor->GetDocument();
  ASSERT_TRUE(editor->AddScannedItem(u"Rake"));  // 18.50 and the customer's 2.5% city tax
  ASSERT_TRUE(doc.Save());
  EXPECT_EQ(Figures(u"Hallett, Owen", u"Hallett, Owen"), u"18.96 18.96 18.96 18.96");
  ASSERT_TRUE(editor->AddScannedItem(u"Potting Soil"));  // 9.75 and its tax: 10.00 more
  ASSERT_TRUE(doc.Save());
  ASSERT_TRUE(doc.Save());  // saved again: nothing more moves
  EXPECT_EQ(Figures(u"Hallett, Owen", u"Hallett, Owen"), u"28.96 28.96 28.96 28.96");
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"Void this document? Every price is set to zero.").Answer(IDYES);
  ASSERT_TRUE(doc.Void());
  ASSERT_TRUE(doc.Save());
  EXPECT_EQ(Figures(u"Hallett, Owen", u"Hallett, Owen"), u"0.00 0.00 0.00 0.00");
}

TEST_F(CustomerBalances, AJobsDocumentsMoveItAndItsParentThroughSaveAsDeleteAndRestore) {
  const char16_t *job = u"Maple Court Apartments:Courtyard", *parent = u"Maple Court Apartments";
  const std::u16string row = std::u16string(CCustomerRecord::IndentOfSublevel(u"1")) + u"Courtyard";
  StartOn(job);
  CSalesDocument& doc = editor->GetDocument();
  ASSERT_TRUE(editor->AddScannedItem(u"Lawn Care"));  // 40.00, not taxable
  ASSERT_TRUE(doc.Save());
  const std::u16string first = doc.GetFilePath().str();
  EXPECT_EQ(Figures(parent, parent), u"1,250.00 1,290.00 1,290.00 1,290.00");  // its own balance stays

  // Saved over the first file (40.00) from a copy (80.00 by then): the first file's figure goes.
  ASSERT_TRUE(doc.SaveAs(u"\\My Documents\\Courtyard copy.QVN", kDocInvoice));
  ASSERT_TRUE(editor->AddScannedItem(u"Lawn Care"));
  ASSERT_TRUE(doc.Save());
  ASSERT_TRUE(doc.SaveAs(first, kDocInvoice));
  EXPECT_EQ(Figures(job, row), u"160.00 160.00 160.00 ");

  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"Delete Invoice " + doc.GetNumber().str() + u", Maple Court Apartments:Courtyard?").Answer(IDYES);
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_DELETE_DOCUMENT, 0);
  platform::PumpMessages();
  EXPECT_EQ(Figures(parent, parent), u"1,250.00 1,330.00 1,330.00 1,330.00");

  // Restored from the deleted folder; a copy kept there counts for nothing.
  const std::u16string deleted = u"\\My Documents\\Deleted\\";
  ASSERT_TRUE(doc.Open(deleted + first.substr(first.rfind(u'\\') + 1)));
  ASSERT_TRUE(doc.SaveAs(deleted + u"Spare.QVN", kDocInvoice));
  ASSERT_TRUE(doc.SaveAs(first, kDocInvoice));
  EXPECT_EQ(Figures(job, row), u"160.00 160.00 160.00 ");
  EXPECT_EQ(Figures(parent, parent), u"1,250.00 1,410.00 1,410.00 1,410.00");
}

}  // namespace

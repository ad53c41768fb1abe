// The main window's register actions: which shown kind lists a document, a row's files,
// the delete questions, the header bar's popups, deleting and exporting a row's document,
// and customer balances moved through their parents.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../core/FieldFormTyping.h"
#include "core/FieldForm.h"
#include "core/Folders.h"
#include "customers/CustomerDlg.h"
#include "customers/CustomerPages.h"
#include "core/EmailMessageForm.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/WindowMessages.h"
#include "datastore/CustomerRecord.h"
#include "datastore/CustomerFields.h"
#include "datastore/ItemStore.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "editor/EditorDialogs.h"
#include "editor/ItemListWnd.h"
#include "mainwindow/HeaderBar.h"
#include "mainwindow/MainFrame.h"
#include "platform/base/Faults.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "mainwindow/RowActions.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/printing/PrintEngines.h"
#include "platform/shell/FileDialogs.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"
#include "tests/core/FieldFormTyping.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::MenuDriver;
using platform::testing::MessageBoxScript;
using platform::testing::UiScript;

TEST(RowActions, ShownKindsAndDeleteQuestions) {
  EXPECT_TRUE(ShowsDocumentKind(kShowInvoices, 0, u""));
  EXPECT_TRUE(ShowsDocumentKind(kShowCreditMemos, 5, u""));
  EXPECT_FALSE(ShowsDocumentKind(kShowInvoices, 1, u""));
  EXPECT_TRUE(ShowsDocumentKind(kShowEverything, 3, u""));
  EXPECT_TRUE(ShowsDocumentKind(kShowUploaded, 2, u"Uploaded"));
  EXPECT_FALSE(ShowsDocumentKind(kShowUploaded, 2, u""));
  EXPECT_TRUE(ShowsDocumentKind(kShowMemorized, 6, u""));
  EXPECT_FALSE(ShowsDocumentKind(kShowAllDocuments, 0, u""));  // the caller keeps "All" itself

  EXPECT_EQ(DeleteQuestionId(3, true, kShowAllDocuments), IDS_DELETE_NAMED);
  EXPECT_EQ(DeleteQuestionId(3, true, kShowDeleted), IDS_DELETE_NAMED_FOR_GOOD);
  EXPECT_EQ(DeleteQuestionId(5, false, kShowAllDocuments), IDS_DELETE_CREDIT_MEMO);
  EXPECT_EQ(DeleteQuestionId(9, false, kShowAllDocuments), IDS_DELETE_INVOICE);
}

class DocumentActions : public mainwindow_test::MainWindowTest {
 protected:
  DocumentActions() { m_stage = slateway::testing::DeviceStage::FirstStarted; }
  void SetUp() override {
    MainWindowTest::SetUp();
    WriteDocument(u"INV7.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"7\"", "<FULLNAME>Acme:Site</FULLNAME>", "40.00");
    WriteDocument(u"PAY3.QVN", "VERSION=\"4\" DOCTYPE=\"PAYMENT\" ID=\"3\" PAYAMOUNT=\"25.00\"",
                  "<FULLNAME>Acme:Site</FULLNAME>");
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    m_frame = m_program.GetMainFrame();
    m_list = m_frame->GetRegister();
    CPreferences().SetDisplayBalances(true);  // the balances these tests follow, shown as the desktop's update chose
    AddCustomer(u"Acme", u"0", u"", u"100.00");
    AddCustomer(u"Acme:Site", u"1", u"Acme", u"60.00");
  }
  void TearDown() override {
    m_program.End();
    MainWindowTest::TearDown();
  }
  void AddCustomer(const char16_t* fullName, const char16_t* level, const char16_t* parent, const char16_t* total) {
    CCustomerFields fields;
    fields[kCustName] = CBstr(fullName);
    fields[kCustFullName] = CBstr(fullName);
    fields[kCustListID] = CBstr(fullName);
    fields[kCustSublevel] = CBstr(level);
    fields[kCustParentFullName] = CBstr(parent);
    fields[kCustBalance] = CBstr(total);
    fields[kCustTotalBalance] = CBstr(total);
    ASSERT_EQ(m_frame->GetItemStore()->InsertCustomer(fields), 1);
  }
  // The signature line picture in the device's image folder.
  void PlaceSignatureLine() {
    CBstr line(u"KTWSignatureLine.bmp");
    GetImageFilePath(line);
    WriteText(line.str(), "BM");
  }
  std::u16string Balance(const char16_t* fullName, int field = kCustBalance) {
    CCustomerFields fields;
    EXPECT_TRUE(m_frame->GetItemStore()->GetCustomerByFullName(fullName, fields));
    return fields[field].str();
  }
  // The settings written to "Slateway.oat" from the menu (the name offered), or read back.
  void ExportThenImportSettings(UiScript& ui, bool import) {
    ui.ExpectDialog(0, [import](DialogDriver& d) {
      if (import) d.TypeInto(kFileDialogName, u"Slateway.oat");
      EXPECT_EQ(d.Text(kFileDialogName), u"Slateway.oat");
      d.Ok();
    });
    ui.ExpectMessageBox(import ? u"The settings were imported." : u"The file was saved.", IDOK);
    SendMessageW(m_frame->GetHwnd(), WM_COMMAND, import ? IDM_MAIN_IMPORT_SETTINGS : IDM_MAIN_EXPORT_SETTINGS, 0);
  }
  int RowOf(std::u16string_view number) {
    for (int i = 0; i < m_list->GetRowCount(); ++i)
      if (m_list->GetRowRecord(i)->number == number) return i;
    return -1;
  }

  CProgram m_program;
  CMainFrame* m_frame = nullptr;
  CRegisterList* m_list = nullptr;
};

TEST_F(DocumentActions, SortChoicesAlwaysTurnTheOrderAndACancelledShowLeavesItsName) {
  const bool ascending = m_frame->IsAscending();
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_EQ(m.Texts(), (std::vector<std::u16string>{u"Balance", u"Date", u"Number", u"Customer", u"Type",
                                                      u"Complete"}));
    m.Choose(u"Number");  // the current kind: the order turns all the same
  });
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Customer"); });
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Cancel(); });
  m_frame->OnSortButton();
  EXPECT_EQ(m_frame->IsAscending(), !ascending);
  m_frame->OnSortButton();
  EXPECT_EQ(m_frame->IsAscending(), ascending);
  EXPECT_EQ(m_frame->GetSortKind(), kSortCustomer);
  EXPECT_EQ(m_list->GetSortKind(), kSortCustomer);
  EXPECT_EQ(m_list->GetRowRecord(0)->number, u"7");  // "Acme:Site" both: stable by kind

  m_frame->OnShowButton();
  WCHAR text[32] = {};
  GetWindowTextW(m_frame->GetHeaderBar()->GetShowButton(), text, 32);
  EXPECT_EQ(std::u16string(text), u"Show");
  EXPECT_EQ(m_frame->GetShowKind(), kShowAllDocuments);
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(DocumentActions, DeletingAPaymentMovesTheFileFirstThenGivesTheAmountBack) {
  const int row = RowOf(u"3");
  ASSERT_GE(row, 0);
  {
    MessageBoxScript boxes;
    boxes.Expect(u"Delete Customer Payment 3, Acme:Site?").Answer(IDYES);
    EXPECT_TRUE(m_frame->DeleteRowDocument(row));
  }
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\My Documents\\PAY3.QVN")));
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\My Documents\\Deleted\\PAY3.QVN")));
  EXPECT_EQ(RowOf(u"3"), -1);
  EXPECT_EQ(Balance(u"Acme:Site"), u"85.00");
  EXPECT_EQ(Balance(u"Acme", kCustTotalBalance), u"125.00");
  EXPECT_EQ(Balance(u"Acme"), u"100.00");  // a parent's own balance stays
}

TEST_F(DocumentActions, ASignedDocumentOrAFailedMoveLeavesFileRowAndBalance) {
  WriteDocument(u"INV8.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"8\" SIGNED=\"1\"",
                "<FULLNAME>Acme:Site</FULLNAME>", "5.00");
  CPreferences().SetRoSigned(true);  // signed documents read-only, as the desktop's update chose: what this is about
  m_frame->ReloadRegister(false);
  {
    MessageBoxScript boxes;
    boxes.Expect(u"Delete Invoice 8, Acme:Site?").Answer(IDYES);
    boxes.Expect(u"This document is signed and cannot be deleted.").Answer(IDOK);
    EXPECT_FALSE(m_frame->DeleteRowDocument(RowOf(u"8")));
  }
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\My Documents\\INV8.QVN")));
  EXPECT_GE(RowOf(u"8"), 0);

  // A file where the deleted folder goes: the document is not moved, so nothing else changes.
  WriteText(u"\\My Documents\\Deleted", "in the way");
  {
    MessageBoxScript boxes;
    boxes.Expect(u"Delete Invoice 7, Acme:Site?").Answer(IDYES);
    boxes.Expect(u"Could not delete file \\My Documents\\INV7.QVN.  Tap View > Refresh List to reload documents.")
        .Answer(IDOK);
    EXPECT_FALSE(m_frame->DeleteRowDocument(RowOf(u"7")));
  }
  EXPECT_GE(RowOf(u"7"), 0);
  EXPECT_EQ(Balance(u"Acme:Site"), u"60.00");
}

TEST_F(DocumentActions, TheDeletedViewAsksAndDeletesForGoodWithoutABalanceChange) {
  {
    MessageBoxScript boxes;
    boxes.Expect(u"Delete Invoice 7, Acme:Site?").Answer(IDYES);
    ASSERT_TRUE(m_frame->DeleteRowDocument(RowOf(u"7")));
  }
  EXPECT_EQ(Balance(u"Acme:Site"), u"20.00");
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Deleted"); });
  m_frame->OnShowButton();
  ASSERT_EQ(m_frame->GetShowKind(), kShowDeleted);
  ASSERT_GE(RowOf(u"7"), 0);
  ui.ExpectMessageBox(u"Delete Invoice 7, Acme:Site for good? It cannot be restored afterwards.", IDYES);
  EXPECT_TRUE(m_frame->DeleteRowDocument(RowOf(u"7")));
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\My Documents\\Deleted\\INV7.QVN")));
  EXPECT_EQ(Balance(u"Acme:Site"), u"20.00");
}

TEST_F(DocumentActions, ParentWalkStopsOnLoopingDataAndEstimatesMoveNothing) {
  AddCustomer(u"Loop", u"2", u"Loop:Back", u"0.00");
  AddCustomer(u"Loop:Back", u"2", u"Loop", u"0.00");
  EXPECT_TRUE(MoveCustomerBalance(*m_frame->GetItemStore(), u"Loop", CDecimal(10, 0), false));
  EXPECT_EQ(Balance(u"Loop"), u"10.00");
  EXPECT_EQ(Balance(u"Loop:Back", kCustTotalBalance), u"0.00");
  EXPECT_FALSE(MoveCustomerBalance(*m_frame->GetItemStore(), u"Nobody", CDecimal(10, 0), false));

  WriteDocument(u"EST1.QVN", "VERSION=\"4\" DOCTYPE=\"ESTIMATE\" ID=\"1\"", "<FULLNAME>Acme:Site</FULLNAME>", "9.00");
  auto estimate = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, nullptr);
  ASSERT_TRUE(estimate->Open(u"\\My Documents\\EST1.QVN"));
  m_frame->UpdateCustomerBalance(*estimate, CDecimal(9, 0), false);
  EXPECT_EQ(Balance(u"Acme:Site"), u"60.00");
}

TEST_F(DocumentActions, TheRowMenuExportsTheRowAsAPage) {
  PlaceSignatureLine();
  const int row = RowOf(u"7");
  m_list->Select(row);
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) {
    const auto items = m.Items();
    EXPECT_EQ(items.back().text, u"Delete Invoice");
    EXPECT_FALSE(items.front().grayed);  // "Edit..." opens the row in the editor
    m.Open(u"Export to");
  });
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"HTML..."); });
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Export As");
    EXPECT_EQ(d.Text(kFileDialogName), u"Invoice7");
    d.TypeInto(kFileDialogName, u"Seven");
    d.Ok();
  });
  ui.ExpectMessageBox(u"The file was saved.", IDOK);
  m_frame->ShowRowMenu(m_frame->GetHwnd(), row, POINT{10, 60});
  EXPECT_NE(ReadText(u"\\Seven.HTM").find("40.00"), std::string::npos);
  EXPECT_EQ(ReadText(u"\\KTWSignatureLine.bmp"), "BM");
  EXPECT_EQ(ui.Pending(), 0u);
}

// An export the storage cannot take says so, and no file is left behind.
TEST_F(DocumentActions, SettingsThatCannotBeExportedSaySoAndLeaveNoFile) {
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Ok(); });
  ui.ExpectMessageBox(u"The file \\Slateway.oat could not be written.", IDOK);
  platform::InjectFault(platform::Fault::FileWrite, 0, 1000);  // the storage is full
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_MAIN_EXPORT_SETTINGS, 0);
  platform::ClearFaults();
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Slateway.oat")));
}

TEST_F(DocumentActions, SettingsExportedFromTheMenuComeBackOnImport) {
  CPreferences().SetString(u"Button1", u"Scan");  // the trigger button, as Options' Bar Codes page keeps it
  UiScript ui;
  ExportThenImportSettings(ui, false);
  EXPECT_NE(ReadText(u"\\Slateway.oat").find("Scan"), std::string::npos);

  CPreferences().SetString(u"Button1", u"Other");  // changed after the export: the import brings "Scan" back
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });  // cancelled: nothing read
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_MAIN_IMPORT_SETTINGS, 0);
  ExportThenImportSettings(ui, true);
  std::u16string button;
  CPreferences().GetString(u"Button1", button);
  EXPECT_EQ(button, u"Scan");
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(DocumentActions, ANewlySavedDocumentAddsItsRowOrTurnsTheRegisterToAllDocuments) {
  WriteDocument(u"INV9.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"9\"", "<FULLNAME>Acme:Site</FULLNAME>", "15.00");
  CSalesDocument invoice(nullptr, nullptr, 4, false, nullptr);
  ASSERT_TRUE(invoice.Open(u"\\My Documents\\INV9.QVN"));
  SendMessageW(m_frame->GetHwnd(), kMsgDocumentAdded, 0, reinterpret_cast<LPARAM>(&invoice));
  EXPECT_GE(RowOf(u"9"), 0);
  EXPECT_EQ(Balance(u"Acme:Site"), u"75.00");
  EXPECT_EQ(Balance(u"Acme", kCustTotalBalance), u"115.00");

  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Invoices"); });
  m_frame->OnShowButton();
  ASSERT_EQ(m_frame->GetShowKind(), kShowInvoices);
  WriteDocument(u"PAY4.QVN", "VERSION=\"4\" DOCTYPE=\"PAYMENT\" ID=\"4\" PAYAMOUNT=\"5.00\"",
                "<FULLNAME>Acme:Site</FULLNAME>");
  CSalesDocument payment(nullptr, nullptr, 4, false, nullptr);
  ASSERT_TRUE(payment.Open(u"\\My Documents\\PAY4.QVN"));
  SendMessageW(m_frame->GetHwnd(), kMsgDocumentAdded, 0, reinterpret_cast<LPARAM>(&payment));
  EXPECT_EQ(m_frame->GetShowKind(), kShowAllDocuments);
  EXPECT_GE(RowOf(u"4"), 0);
  EXPECT_EQ(Balance(u"Acme:Site"), u"70.00");

  // A memorized template saved anew owes nothing.
  WriteText(u"\\My Documents\\Memorized\\INV9.QVN", ReadText(u"\\My Documents\\INV9.QVN"));
  CSalesDocument memorized(nullptr, nullptr, 4, false, nullptr);
  ASSERT_TRUE(memorized.Open(u"\\My Documents\\Memorized\\INV9.QVN"));
  SendMessageW(m_frame->GetHwnd(), kMsgDocumentAdded, 0, reinterpret_cast<LPARAM>(&memorized));
  EXPECT_EQ(Balance(u"Acme:Site"), u"70.00");
}

class EditorActions : public DocumentActions {
 protected:
  void SetUp() override {
    DocumentActions::SetUp();
    editor = m_frame->GetEditor();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  void Command(int id) { SendMessageW(editor->GetWindow(), WM_COMMAND, id, 0); }
  void SetCustomer(const char16_t* fullName) {
    CTableCustomer customer;
    customer.SetField(kCustName, fullName);
    customer.SetField(kCustFullName, fullName);
    editor->GetDocument().SetCustomer(customer);
  }
  double Amount(const char16_t* fullName) { return ParseNumberText(Balance(fullName)); }
  // The sample device's Invoice 100 (Birchwood Cafe) in the editor.
  bool OpenSampleInvoice() {
    for (int i = 0; i < m_list->GetRowCount(); ++i)
      if (m_list->GetRowRecord(i)->fileName == u"Invoice100") return m_frame->OpenSelectedDocument(i) == 1;
    return false;
  }

  CDocumentView* editor = nullptr;
};

TEST_F(EditorActions, ANewInvoiceFromTheRegisterIsSavedExportedDeletedAndSettingsComeBack) {
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Memorized"); });  // none: the list is empty space
  m_frame->OnShowButton();
  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_EQ(m.Texts(), (std::vector<std::u16string>{u"Invoice...", u"Estimate...", u"Sales Receipt...",
                                                      u"Customer Payment...", u"Sales Order...", u"Credit Memo..."}));
    m.Choose(u"Invoice...");
  });
  ASSERT_TRUE(platform::SendHoldGesture(m_list->GetHwnd(), POINT{20, 40}));
  ASSERT_TRUE(IsWindowVisible(editor->GetWindow()));
  CSalesDocument& doc = editor->GetDocument();
  EXPECT_EQ(doc.GetDocType(), kDocInvoice);
  SetCustomer(u"Acme:Site");
  ASSERT_TRUE(editor->AddScannedItem(u"Hose 50 ft"));
  const double total = doc.GetBalanceAmount().ToDouble();
  ASSERT_GT(total, 0);
  Command(IDOK);  // saves what was written
  const std::u16string number = doc.GetNumber().str();
  EXPECT_EQ(m_frame->GetShowKind(), kShowAllDocuments);
  ASSERT_GE(RowOf(number), 0);
  EXPECT_DOUBLE_EQ(Amount(u"Acme:Site"), 60 + total);

  // Printed from its row: the printer is asked for, the job comes out as a file.
  platform::printing::ResetConditions();
  m_list->Select(RowOf(number));
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Print..."); });
  ui.ExpectDialog(IDD_PRINTER_SETTINGS, [](DialogDriver& d) {
    d.Choose(IDC_PRINTER_PORT, 3).Choose(IDC_PRINTER_MODEL, 8);
    d.Ok();
  });
  m_frame->ShowRowMenu(m_frame->GetHwnd(), RowOf(number), POINT{10, 60});
  const std::u16string printed = platform::printing::LastOutputFile();
  ASSERT_FALSE(printed.empty());
  EXPECT_TRUE(std::filesystem::exists(Linux(printed)));
  platform::printing::ResetConditions();

  PlaceSignatureLine();
  m_list->Select(RowOf(number));  // as a hold on the row does
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Open(u"Export to"); });
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"HTML..."); });
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kFileDialogName, u"New");
    d.Ok();
  });
  ui.ExpectMessageBox(u"The file was saved.", IDOK);
  m_frame->ShowRowMenu(m_frame->GetHwnd(), RowOf(number), POINT{10, 60});
  EXPECT_NE(ReadText(u"\\New.HTM").find("Garden hose"), std::string::npos);

  // Opened again from its row, and deleted from the editor.
  const std::u16string file(doc.GetFileName().view());
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Edit..."); });
  m_frame->ShowRowMenu(m_frame->GetHwnd(), RowOf(number), POINT{10, 60});
  ASSERT_TRUE(IsWindowVisible(editor->GetWindow()));
  ASSERT_EQ(doc.GetNumber().str(), number);
  ui.ExpectMessageBox(u"Delete Invoice " + number + u", Acme:Site?", IDYES);
  Command(IDM_DELETE_DOCUMENT);
  Pump();
  EXPECT_FALSE(IsWindowVisible(editor->GetWindow()));
  EXPECT_EQ(RowOf(number), -1);
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\My Documents\\Deleted\\" + file)));
  EXPECT_DOUBLE_EQ(Amount(u"Acme:Site"), 60);
  EXPECT_NE(doc.GetNumber().str(), number);  // a fresh invoice took its place

  ExportThenImportSettings(ui, false);
  ExportThenImportSettings(ui, true);
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(EditorActions, SavingOverAFileMovesBalancesByTheDifferenceAndAFailedDeleteKeepsAll) {
  platform::testing::ListViewDriver(m_list->GetHwnd()).DoubleTap(RowOf(u"3"));
  Pump();
  CSalesDocument& doc = editor->GetDocument();
  ASSERT_EQ(doc.GetNumber().str(), u"3");
  doc.SetAttribute(u"PAYAMOUNT", CBstr(u"35.00"));
  ASSERT_TRUE(doc.Save());
  EXPECT_EQ(Balance(u"Acme:Site"), u"50.00");
  EXPECT_EQ(Balance(u"Acme", kCustTotalBalance), u"90.00");
  EXPECT_EQ(m_list->GetRowRecord(RowOf(u"3"))->amount, u"35.00");
  ASSERT_TRUE(doc.Save());  // the file holds 35.00 now: nothing more moves
  EXPECT_EQ(Balance(u"Acme:Site"), u"50.00");

  // Another customer: the first gets the saved payment back, the new one takes it all.
  AddCustomer(u"Bolt", u"0", u"", u"0.00");
  SetCustomer(u"Bolt");
  ASSERT_TRUE(doc.Save());
  EXPECT_EQ(Balance(u"Acme:Site"), u"85.00");
  EXPECT_DOUBLE_EQ(Amount(u"Bolt"), -35);

  WriteText(u"\\My Documents\\Deleted", "in the way");
  MessageBoxScript boxes;
  boxes.Expect(u"Delete Customer Payment 3, Bolt?").Answer(IDYES);
  boxes.Expect(u"Could not delete file \\My Documents\\PAY3.QVN.  Tap View > Refresh List to reload documents.")
      .Answer(IDOK);
  EXPECT_EQ(SendMessageW(m_frame->GetHwnd(), kMsgDeleteDocument, 0, reinterpret_cast<LPARAM>(&doc)), 0);
  EXPECT_GE(RowOf(u"3"), 0);
  EXPECT_EQ(doc.GetNumber().str(), u"3");
  EXPECT_DOUBLE_EQ(Amount(u"Bolt"), -35);
}

TEST_F(EditorActions, AddToInvoiceIsOneStepAndOneItemOpensItsFormOnTheQuantity) {
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_NEW_INVOICE, 0);
  ASSERT_TRUE(IsWindowVisible(editor->GetWindow()));
  Command(IDM_EDITOR_ADD_LINE_ITEM);
  CItemListWnd* list = editor->GetItemListWnd();
  ASSERT_TRUE(list && list->IsVisible());
  platform::testing::TreeViewDriver tree(list->Tree()->Window());
  CCommandProcessor& history = *editor->GetHistory();
  CSalesDocument& doc = editor->GetDocument();
  auto lines = [&] { return doc.GetXmlDocument().CountElements(u"LINEITEM"); };
  for (const char16_t* category : {u"Inventory Part", u"Service"}) tree.TapButton(tree.Find(category));
  UiScript ui;
  // The hold menu's "Add to invoice" on the node, then the form `form`.
  auto addToInvoice = [&](const char16_t* node, int form, UiScript::DialogAction answer) {
    ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Add to invoice"); });
    ui.ExpectDialog(form, std::move(answer));
    tree.Hold(tree.Find(node));
    Pump();
  };

  // A category: its items asked for in one form run, then one "Add Item" step.
  addToInvoice(u"Garden Tools", IDD_ADD_LINE_ITEMS, [](DialogDriver& d) {
    slateway::testing::TypeIntoField(d, d.Window(), 0, u"2");
    d.Press(IDC_FORM_EXTRA1);
    slateway::testing::TypeIntoField(d, d.Window(), 0, u"3");
    d.Press(IDC_FORM_EXTRA1);
  });
  ASSERT_EQ(lines(), 2);
  EXPECT_EQ(history.GetUndoCount(), 1u);
  EXPECT_EQ(history.GetUndoName()->str(), u"Add Item");
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(lines(), 0) << "one undo takes the whole batch";
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(lines(), 2);

  // One item: the line's own form, opened on the quantity (the list, put away after a
  // batch, opened again).
  Command(IDM_EDITOR_ADD_LINE_ITEM);
  ASSERT_TRUE(list->IsVisible());
  addToInvoice(u"Lawn Care", IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 1), u"Quantity:");
    // What is typed at once goes into the quantity.
    ASSERT_NE(GetFocus(), nullptr);
    EXPECT_EQ(GetFocus(), CFieldForm::FromHandle(d.Window())->EditorWindow());
    SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
    d.Type(u"4");
    d.Ok();
  });
  ASSERT_EQ(lines(), 3);
  CLineItemTexts added;
  ASSERT_TRUE(doc.GetXmlDocument().ReadLineItemAt(2, &added));
  EXPECT_EQ(added.quantity.str(), u"4");
  EXPECT_EQ(history.GetUndoCount(), 2u);
  // Cancelled, it adds nothing and takes no step.
  addToInvoice(u"Lawn Care", IDD_FIELD_FORM, [](DialogDriver& d) { d.Cancel(); });
  EXPECT_EQ(lines(), 3);
  EXPECT_EQ(history.GetUndoCount(), 2u);
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(EditorActions, TheEditorsMailRequestMailsItsOwnDocument) {
  ASSERT_EQ(m_frame->OpenSelectedDocument(RowOf(u"7")), 1);
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(CEmailMessageForm::kAttached, 2), u"INV7.QVN");
    d.Cancel();
  });
  Command(IDM_EMAIL_QVN);
  EXPECT_EQ(ui.Pending(), 0u);
}

// Mailing while the signature pad is open sends the signature drawn on it, once.
TEST_F(EditorActions, MailWithThePadOpenCarriesTheSignatureOnIt) {
  ASSERT_EQ(m_frame->OpenSelectedDocument(RowOf(u"7")), 1);
  CSalesDocument& doc = editor->GetDocument();
  editor->ToggleSignatureBar();
  ASSERT_NE(editor->GetSignatureBar(), nullptr);
  editor->GetSignatureStrokes().Add(POINT{10, 10}, true);
  editor->GetSignatureStrokes().Add(POINT{40, 20}, false);
  const std::u16string strokes = editor->GetSignatureStrokes().ToText();
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) { d.Cancel(); });
  Command(IDM_EMAIL_QVN);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(editor->GetSignatureBar(), nullptr);
  EXPECT_EQ(doc.GetSignature().str(), strokes);
  EXPECT_NE(ReadText(doc.GetFilePath().view()).find(platform::ToUtf8(strokes)), std::string::npos)
      << "the file that goes out holds it";
}

TEST_F(EditorActions, TheMenuBarNamesNewEntriesGreysRowCommandsAndChecksTheView) {
  HWND bar = GetCurrentMenuBar();
  ASSERT_NE(bar, nullptr);
  platform::testing::ToolbarDriver buttons(bar);
  CPreferences().SetDword(u"ViewInvRegByCompany", 0);  // View > By Name, chosen before
  UiScript ui;
  for (int row : {-1, 0}) {
    if (row < 0) m_list->SetSelectionMark(-1);
    else m_list->Select(row);
    ui.ExpectPopupMenu([](MenuDriver& m) { m.Open(u"Document"); });
    ui.ExpectPopupMenu([row](MenuDriver& m) {
      EXPECT_FALSE(m.Items()[0].grayed);  // "Show Document"
      EXPECT_EQ(m.Items()[1].grayed, row < 0);
      EXPECT_EQ(m.Items()[4].grayed, row < 0);
      m.Cancel();
    });
    ui.ExpectPopupMenu([](MenuDriver& m) { m.Cancel(); });  // the menu it came from
    buttons.Tap(IDM_MAIN_MENU_BUTTON);
  }
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Open(u"View"); });
  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_FALSE(m.Items()[0].checked);
    EXPECT_TRUE(m.Items()[1].checked);
    m.Cancel();
  });
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Cancel(); });
  buttons.Tap(IDM_MAIN_MENU_BUTTON);

  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_EQ(m.Texts()[3], u"Customer Payment...");  // the kinds' own captions
    m.Choose(u"Estimate...");
  });
  buttons.Tap(IDM_NEW_INVOICE);
  ASSERT_TRUE(IsWindowVisible(editor->GetWindow()));
  EXPECT_EQ(editor->GetDocument().GetDocType(), kDocEstimate);
  EXPECT_EQ(ui.Pending(), 0u);

  // The editor's request for a new invoice shows one.
  SendMessageW(m_frame->GetHwnd(), kMsgNewInvoice, 0, 0);
  EXPECT_EQ(editor->GetDocument().GetDocType(), kDocInvoice);

  // New over a changed document in sight offers it for saving: Cancel keeps it and its
  // history, No starts the new one and empties the history.
  CCommandProcessor& history = *editor->GetHistory();
  CSalesDocument& doc = editor->GetDocument();
  HWND main = m_frame->GetHwnd();
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_STYLE_SERVICE, 0);
  ASSERT_TRUE(doc.IsModified());
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Cancel(); });
  SendMessageW(main, WM_COMMAND, IDM_NEW_ESTIMATE, 0);
  EXPECT_EQ(doc.GetDocType(), kDocInvoice);
  EXPECT_TRUE(history.CanUndo());
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kDiscard); });
  SendMessageW(main, WM_COMMAND, IDM_NEW_ESTIMATE, 0);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(doc.GetDocType(), kDocEstimate);
  EXPECT_FALSE(history.CanUndo());

  // The register's New over a document changed out of sight (as the options applied to it
  // change it) asks nothing, and its file keeps what was last saved.
  ASSERT_TRUE(doc.Save());
  const std::u16string file = doc.GetFilePath().str();
  const std::string saved = ReadText(file);
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_STYLE_BOTH, 0);
  ASSERT_TRUE(doc.IsModified());
  ShowWindow(editor->GetWindow(), SW_HIDE);
  SendMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);  // the register's bar again
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Invoice..."); });
  platform::testing::ToolbarDriver(GetCurrentMenuBar()).Tap(IDM_NEW_INVOICE);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(doc.GetDocType(), kDocInvoice);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow()));
  EXPECT_EQ(ReadText(file), saved);

  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_MAIN_OTHER_LISTS, 0);
  ASSERT_TRUE(editor->IsItemListVisible());
  WCHAR heading[40] = {};
  GetDlgItemTextW(editor->GetItemListWnd()->GetHwnd(), IDC_DIALOG_HEADING, heading, 40);
  EXPECT_EQ(std::u16string(heading), u"Other Lists");
}

}  // namespace

// Save As from the editor starts in the documents folder and writes the one file chosen
// there, which the register then lists.
TEST_F(EditorActions, SaveAsWritesOneCopyInTheDocumentsFolder) {
  ASSERT_EQ(m_frame->OpenSelectedDocument(0), 1);
  CSalesDocument& doc = editor->GetDocument();
  const std::u16string own = doc.GetFilePath().str();
  const std::string original = ReadText(own);
  const int rows = m_list->GetRowCount();
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kFileDialogName, u"Copy");
    d.Ok();
  });
  Command(IDM_EDITOR_SAVE_AS);
  Pump();
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(doc.GetFilePath().str(), u"\\My Documents\\Copy.QVN");
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\My Documents\\Copy.QVN")));
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Copy.QVN")));
  EXPECT_EQ(ReadText(own), original);
  EXPECT_EQ(m_list->GetRowCount(), rows + 1);
  EXPECT_EQ(GetParent(GetCurrentMenuBar()), editor->GetWindow());
}

// Every way another document or the register can come forward while the editor holds
// changes goes as leaving the editor goes: the save-changes question before another
// document takes its place, a saving close that a failed save stops, and the register back
// with its own menu bar.
TEST_F(EditorActions, NoRouteAwayFromTheEditorLosesItsChanges) {
  ASSERT_EQ(m_frame->OpenSelectedDocument(RowOf(u"7")), 1);
  CSalesDocument& doc = editor->GetDocument();
  ASSERT_TRUE(editor->AddScannedItem(u"Hose 50 ft"));
  ASSERT_TRUE(doc.IsModified());
  HWND main = m_frame->GetHwnd();
  auto barOf = [] { return GetParent(platform::CurrentMenuBar()); };

  // A row's tap that reaches the main window, kept by Cancel.
  UiScript ui;
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kCancel); });
  PostMessageW(main, kMsgOpenRow, static_cast<WPARAM>(RowOf(u"3")), 0);
  Pump();
  EXPECT_EQ(doc.GetNumber().str(), u"7");
  EXPECT_TRUE(doc.IsModified());

  // The main window's New, saved by Yes: the file holds the line, a new invoice shows.
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kSave); });
  SendMessageW(main, WM_COMMAND, IDM_NEW_INVOICE, 0);
  EXPECT_NE(ReadText(u"\\My Documents\\INV7.QVN").find("Garden hose"), std::string::npos);
  EXPECT_NE(doc.GetNumber().str(), u"7");
  EXPECT_EQ(ui.Pending(), 0u);

  // A second start, given a document, brings the running program forward as it was.
  ASSERT_TRUE(editor->AddScannedItem(u"Hose 50 ft"));
  const std::u16string number = doc.GetNumber().str();
  {
    CProgram second;
    EXPECT_EQ(second.Start(u"\\My Documents\\PAY3.QVN"), ProgramStart::AlreadyRunning);
  }
  Pump();
  EXPECT_EQ(GetForegroundWindow(), editor->GetWindow());
  EXPECT_EQ(barOf(), editor->GetWindow());
  EXPECT_EQ(doc.GetNumber().str(), number);
  EXPECT_TRUE(doc.IsModified());

  // Closing with a save that fails keeps the program and the editor on the document.
  MessageBoxScript boxes;
  boxes.ExpectAny().Answer(IDOK);
  platform::InjectFault(platform::Fault::FileRename);
  SendMessageW(main, WM_CLOSE, 0, 0);
  platform::ClearFaults();
  EXPECT_EQ(boxes.Pending(), 0u);
  ASSERT_TRUE(IsWindow(main));
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow()));
  EXPECT_TRUE(doc.IsModified());

  // Done saves and hides the editor; the register comes back with its own bar.
  Command(IDOK);
  Pump();
  EXPECT_FALSE(doc.IsModified());
  EXPECT_FALSE(IsWindowVisible(editor->GetWindow()));
  EXPECT_GE(RowOf(number), 0);
  EXPECT_EQ(barOf(), main);

  // New over changes answered No asks once (a second question fails the script) and drops them.
  ASSERT_EQ(m_frame->OpenSelectedDocument(RowOf(number)), 1);
  ASSERT_TRUE(editor->AddScannedItem(u"Hose 50 ft"));
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kDiscard); });
  SendMessageW(main, WM_COMMAND, IDM_NEW_INVOICE, 0);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_NE(doc.GetNumber().str(), number);
  EXPECT_FALSE(doc.IsModified());
}

// A sample invoice with terms, every form the editor opens on it cancelled: the document
// and its due date stay as they were and nothing counts as a change. The e-mail saves the
// document before its form (so the mail carries the file); no other form writes the file.
TEST_F(EditorActions, FormsCancelledLeaveTheDocumentAsItWas) {
  ASSERT_TRUE(OpenSampleInvoice());
  CSalesDocument& doc = editor->GetDocument();
  ASSERT_EQ(doc.GetTerms().str(), u"Net 30");
  const std::u16string dueDate = doc.GetDueDate().str();
  ASSERT_NE(dueDate, doc.GetDate().str());
  auto xmlText = [&doc] {
    CBstr text;
    doc.GetXmlDocument().GetDataDocument()->get_xml(&text);
    return text.str();
  };
  const std::u16string xml = xmlText();
  const std::u16string line = std::u16string(doc.GetFirstLineRow(1, nullptr, nullptr)->GetKey()) + u",D";
  auto tap = [this](const char16_t* link) {
    SendMessageW(editor->GetWindow(), kMsgLinkTapped, 0, reinterpret_cast<LPARAM>(link));
  };
  const struct {
    const char* form;
    std::function<void()> open;
  } forms[] = {
      {"e-mail as HTML", [&] { Command(IDM_EMAIL_HTML); }},
      {"e-mail as QVN", [&] { Command(IDM_EMAIL_QVN); }},
      {"line item", [&] { tap(line.c_str()); }},
      {"bill-to customer", [&] { tap(u"BILLTO"); }},
      {"company", [&] { Command(IDM_EDITOR_COMPANY); }},
      {"customer message", [&] { Command(IDM_EDITOR_CUSTOMER_MESSAGE); }},
      {"notes", [&] { Command(IDM_EDITOR_NOTES); }},
      {"attributes", [&] { Command(IDM_EDITOR_ATTRIBUTES); }},
  };
  std::string file;
  for (const auto& form : forms) {
    if (file.empty() && std::string_view(form.form).rfind("e-mail", 0) != 0) {
      file = ReadText(doc.GetFilePath().view());
      EXPECT_NE(file.find("DUEDATE=\"" + platform::ToUtf8(dueDate) + "\""), std::string::npos);
    }
    UiScript ui;
    ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });
    form.open();
    Pump();
    EXPECT_EQ(ui.Pending(), 0u) << form.form;
    EXPECT_EQ(doc.GetDueDate().str(), dueDate) << form.form;
    EXPECT_TRUE(xmlText() == xml) << form.form;
    EXPECT_FALSE(doc.IsModified()) << form.form;
    if (!file.empty()) {
      EXPECT_TRUE(ReadText(doc.GetFilePath().view()) == file) << form.form;
    }
  }

  // The customer form accepted as it was keeps the bill-to contact and country.
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Ok(); });
  tap(u"BILLTO");
  Pump();
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_NE(xmlText().find(u"<CONTACT>Nora Lindqvist</CONTACT>"), std::u16string::npos);
  EXPECT_NE(xmlText().find(u"<COUNTRY>USA</COUNTRY>"), std::u16string::npos);
  EXPECT_EQ(doc.GetDueDate().str(), dueDate);
}

// On the device the installer lays down, a deleted document goes once into a folder of its
// own and its balance moves once, from the register and from the editor alike; the Deleted
// view lists those documents alone and erases only them; a memorized document lands in its
// own folder, owes nothing, and a document started from it owes its total.
TEST_F(EditorActions, OnANewDeviceDeletedAndMemorizedDocumentsKeepFoldersOfTheirOwn) {
  const auto files = [this](const char16_t* folder) {
    std::error_code ec;
    long count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Linux(folder), ec)) count += entry.is_regular_file();
    return count;
  };
  const long live = files(u"\\My Documents");
  UiScript ui;
  ui.ExpectMessageBox(u"Delete Invoice 7, Acme:Site?", IDYES);
  ASSERT_TRUE(m_frame->DeleteRowDocument(RowOf(u"7")));
  EXPECT_EQ(Balance(u"Acme:Site"), u"20.00");
  ASSERT_EQ(m_frame->OpenSelectedDocument(RowOf(u"3")), 1);
  ui.ExpectMessageBox(u"Delete Customer Payment 3, Acme:Site?", IDYES);
  Command(IDM_DELETE_DOCUMENT);
  Pump();
  EXPECT_EQ(Balance(u"Acme:Site"), u"45.00");
  m_frame->ReloadRegister(false);
  EXPECT_EQ(RowOf(u"7"), -1);
  EXPECT_EQ(RowOf(u"3"), -1);
  EXPECT_EQ(files(u"\\My Documents"), live - 2);
  EXPECT_EQ(files(u"\\My Documents\\Deleted"), 2);

  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Deleted"); });
  m_frame->OnShowButton();
  EXPECT_EQ(m_list->GetRowCount(), 2);
  ui.ExpectMessageBox(u"Delete Invoice 7, Acme:Site for good? It cannot be restored afterwards.", IDYES);
  ASSERT_TRUE(m_frame->DeleteRowDocument(RowOf(u"7")));
  EXPECT_EQ(files(u"\\My Documents\\Deleted"), 1);
  EXPECT_EQ(files(u"\\My Documents"), live - 2);
  EXPECT_EQ(Balance(u"Acme:Site"), u"45.00");

  // Docs Folder set to the deleted folder on the Options screen: nothing there is deleted.
  CPreferences().SetString(u"InvoicePath", u"Deleted");
  m_frame->ReloadRegister(false);
  EXPECT_EQ(m_list->GetRowCount(), 0);
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"All Documents"); });
  m_frame->OnShowButton();
  ui.ExpectMessageBox(u"Delete Customer Payment 3, Acme:Site?", IDYES);
  ui.ExpectMessageBox(
      u"Could not delete file \\My Documents\\Deleted\\PAY3.QVN.  Tap View > Refresh List to reload documents.", IDOK);
  EXPECT_FALSE(m_frame->DeleteRowDocument(RowOf(u"3")));
  EXPECT_EQ(files(u"\\My Documents\\Deleted"), 1);
  EXPECT_EQ(Balance(u"Acme:Site"), u"45.00");
  CPreferences().SetString(u"InvoicePath", u"");  // and back to the documents root

  m_frame->NewDocument(m_frame->GetHwnd(), kDocInvoice);
  SetCustomer(u"Acme:Site");
  ASSERT_TRUE(editor->AddScannedItem(u"Hose 50 ft"));
  const double total = editor->GetDocument().GetBalanceAmount().ToDouble();
  ui.ExpectDialog(IDD_MEMORIZE, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_MEMORIZE_NAME), u"Acme:Site Invoice");
    d.Ok();
  });
  ui.ExpectMessageBox(u"The document has been memorized.", IDOK);
  Command(IDM_EDITOR_MEMORIZE);
  Pump();
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\My Documents\\Memorized\\Acme_Site Invoice.QVN")));
  EXPECT_DOUBLE_EQ(Amount(u"Acme:Site"), 45 + total) << "the invoice itself is saved, the template owes nothing";
  Command(IDOK);
  Pump();
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Memorized"); });
  m_frame->OnShowButton();
  ASSERT_EQ(m_list->GetRowCount(), 1);
  EXPECT_EQ(m_list->GetRowRecord(0)->fileName, u"Acme_Site Invoice") << "the row names the file as it is named";
  ASSERT_EQ(m_frame->OpenSelectedDocument(0), 1);
  EXPECT_EQ(editor->GetDocument().GetDocType(), kDocInvoice);
  Command(IDOK);
  Pump();
  EXPECT_DOUBLE_EQ(Amount(u"Acme:Site"), 45 + 2 * total);
  EXPECT_EQ(files(u"\\My Documents"), live) << "two deleted, the memorized invoice and the one from its template";
  EXPECT_EQ(ui.Pending(), 0u);
}

// No save writes over another document, whatever kind the register shows, nor over a file
// another program laid down meanwhile under the new invoice's number.
TEST_F(EditorActions, NoSaveWritesOverAnotherDocumentWhateverTheRegisterShows) {
  UiScript ui;
  const auto showEstimates = [&] {
    ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Estimates"); });
    m_frame->OnShowButton();
  };
  const auto saveNew = [&] {
    ASSERT_TRUE(editor->AddScannedItem(u"Hose 50 ft"));
    Command(IDOK);
    Pump();
  };
  CSalesDocument& doc = editor->GetDocument();
  showEstimates();
  m_frame->NewDocument(m_frame->GetHwnd(), kDocInvoice);
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    slateway::testing::TypeIntoField(d, d.Window(), 0, u"103");
    d.Ok();
  });
  ui.ExpectMessageBox(LoadResText(IDS_CONFIRM_START_INVOICE), IDNO);  // typed, not the new start
  SendMessageW(editor->GetWindow(), kMsgLinkTapped, 0, reinterpret_cast<LPARAM>(u"NUMBER"));
  Pump();
  saveNew();
  const std::string typed = ReadText(u"\\My Documents\\Invoice103.QVN");
  m_frame->NewDocument(m_frame->GetHwnd(), kDocInvoice);
  EXPECT_EQ(doc.GetNumber().str(), u"102");
  saveNew();
  showEstimates();
  m_frame->NewDocument(m_frame->GetHwnd(), kDocInvoice);
  EXPECT_EQ(doc.GetNumber().str(), u"104") << "103 is taken though no invoice is shown";
  WriteDocument(u"INVOICE104.qvn", "VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"104\"", "<FULLNAME>Desk</FULLNAME>");
  const std::string theirs = ReadText(u"\\My Documents\\INVOICE104.qvn");
  ui.ExpectMessageBox(LoadResText(IDS_NUMBER_TAKEN_RENUMBER), IDOK);
  ui.ExpectMessageBox(u"The new number is 105", IDOK);
  saveNew();
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_NE(typed.find("ID=\"103\""), std::string::npos);
  EXPECT_EQ(ReadText(u"\\My Documents\\Invoice103.QVN"), typed);
  EXPECT_EQ(ReadText(u"\\My Documents\\INVOICE104.qvn"), theirs);
  EXPECT_NE(ReadText(u"\\My Documents\\Invoice105.QVN").find("ID=\"105\""), std::string::npos);
}

// Deleting the sample Invoice 100 moves it to the deleted folder under its own name.
TEST_F(EditorActions, ADeletedDocumentKeepsItsOwnName) {
  int row = -1;
  for (int i = 0; i < m_list->GetRowCount(); ++i)
    if (m_list->GetRowRecord(i)->fileName == u"Invoice100") row = i;
  MessageBoxScript boxes;
  boxes.ExpectAny().Answer(IDYES);
  ASSERT_TRUE(m_frame->DeleteRowDocument(row));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Linux(u"\\My Documents\\Deleted")))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"Invoice100.QVN"});
}

// A new bill-to street for the invoice's own customer leaves every line's tax code and the
// tax as they were.
TEST_F(EditorActions, TheCustomersNewAddressLeavesTheLinesTaxAlone) {
  ASSERT_TRUE(OpenSampleInvoice());
  CSalesDocument& doc = editor->GetDocument();
  auto untaxedLines = [&doc] {
    CBstr text;
    doc.GetXmlDocument().GetDataDocument()->get_xml(&text);
    size_t count = 0;
    for (size_t at = 0; (at = text.view().find(u"<TAXABLE>Non</TAXABLE>", at)) != std::u16string_view::npos; ++at) ++count;
    return count;
  };
  const size_t untaxed = untaxedLines();
  ASSERT_GT(untaxed, 0u);
  const std::u16string tax = doc.GetTaxText().str();
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    auto* customer = CCustomerDlg::FromHandle(d.Window());
    ASSERT_NE(customer, nullptr);
    customer->ShowPage(kPageBillTo);
    slateway::testing::TypeIntoField(d, customer->Page(kPageBillTo)->GetHwnd(), 0, u"14 Alder Street");
    d.Ok();
  });
  SendMessageW(editor->GetWindow(), kMsgLinkTapped, 0, reinterpret_cast<LPARAM>(u"BILLTO"));
  Pump();
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(doc.GetCustomer()->FieldView(kCustBillToAddr1), u"14 Alder Street");
  EXPECT_EQ(untaxedLines(), untaxed);
  EXPECT_EQ(doc.GetTaxText().str(), tax);
}

namespace {

// Back from the editor the register draws selected the row its commands act on: the row of
// the document just left, whichever route opened it.
TEST_F(EditorActions, BackFromTheEditorTheRowTheCommandsActOnIsDrawnSelected) {
  const int row = RowOf(u"3");
  ASSERT_GE(row, 0);
  ASSERT_EQ(m_frame->OpenSelectedDocument(row), 1);
  Command(IDOK);
  Pump();
  ASSERT_FALSE(IsWindowVisible(editor->GetWindow()));
  HWND list = m_list->GetHwnd();
  EXPECT_EQ(m_list->GetSelectionMark(), row);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED), LVIS_SELECTED);
  EXPECT_EQ(GetFocus(), list) << "a list out of focus draws no selection";
}

}  // namespace

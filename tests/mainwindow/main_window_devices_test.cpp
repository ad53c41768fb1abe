// The main window's devices and options from the running program: the scanner made at
// start-up and let go on suspend, the Options dialog's numbers, scanner and database move,
// printing a row and the editor's document, and the device's contact chooser.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../core/FieldFormTyping.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/WindowMessages.h"
#include "core/ResourceText.h"
#include "customers/OptionsSheet.h"
#include "datastore/CustomerRecord.h"
#include "datastore/ItemStore.h"
#include "devices/ScannerDrivers.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "platform/kernel/MsgQueue.h"
#include "platform/pim/Pim.h"
#include "platform/printing/PrintEngines.h"
#include "platform/testing/UiScript.h"
#include "platform/testing/Eventually.h"
#include "resources/resource_ids.h"
#include "tests/core/FullStorage.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;
using slateway::testing::ChooseInField;
using slateway::testing::ShowTabPage;
using slateway::testing::TypeIntoField;

class MainWindowDevices : public mainwindow_test::MainWindowTest {
 protected:
  MainWindowDevices() { m_stage = slateway::testing::DeviceStage::FirstStarted; }
  void SetUp() override {
    MainWindowTest::SetUp();
    WriteText(u"\\Windows\\Scanner.txt", "");
    platform::printing::ResetConditions();
  }
  void TearDown() override {
    m_program.End();
    platform::printing::ResetConditions();
    MainWindowTest::TearDown();
  }
  void Start(const char16_t* scanner) {
    // The scanner and its trigger button chosen on Options' Bar Codes page.
    CPreferences().SetString(u"ScannerMake", scanner);
    CPreferences().SetString(u"Button1", u"Button1");
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    m_frame = m_program.GetMainFrame();
  }
  CScannerDriver* Scanner() { return dynamic_cast<CScannerDriver*>(m_frame->GetScanner()); }
  bool Resumed() {
    MSG msg;
    return PeekMessageW(&msg, m_frame->GetHwnd(), kMsgResumed, kMsgResumed, PM_REMOVE) != 0;
  }
  // Runs the Options dialog from the editor's request with `act` on its pages; `boxes`
  // are the messages expected afterwards.
  void Options(std::function<void(DialogDriver&)> act, std::vector<std::u16string> boxes = {}) {
    UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
      act(d);
      d.Ok();
    });
    for (std::u16string& box : boxes) ui.ExpectMessageBox(std::move(box), IDOK);
    SendMessageW(m_frame->GetHwnd(), kMsgOptions, 0, 0);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  static void Type(DialogDriver& d, int tab, int field, std::u16string_view text) {
    TypeIntoField(d, ShowTabPage(d, IDC_TAB_CONTROL, tab), field, text);
  }
  static void Choose(DialogDriver& d, int tab, int field, std::u16string_view entry) {
    ChooseInField(d, ShowTabPage(d, IDC_TAB_CONTROL, tab), field, entry);
  }
  static std::u16string Preference(const char16_t* name) {
    std::u16string value;
    CPreferences().GetString(name, value);
    return value;
  }

  CProgram m_program;
  CMainFrame* m_frame = nullptr;
};

TEST_F(MainWindowDevices, TheScannerIsOpenedForTheEditorAndLetGoOnSuspend) {
  Start(u"Grabba");
  ASSERT_NE(Scanner(), nullptr);
  EXPECT_EQ(m_frame->GetEditor()->GetScanner(), m_frame->GetScanner());
  EXPECT_TRUE(Scanner()->IsOpened());
  SendMessageW(m_frame->GetHwnd(), kMsgPowerTransition, POWER_STATE_SUSPEND, 0);
  EXPECT_FALSE(Scanner()->IsOpened());
  EXPECT_FALSE(Scanner()->IsLoaded());  // every make but Socket is unloaded too
  SendMessageW(m_frame->GetHwnd(), kMsgPowerTransition, POWER_STATE_ON, 0);
  EXPECT_TRUE(Resumed());
}

TEST_F(MainWindowDevices, ASocketScannerIsClosedBySuspendFromThePowerThreadAndKeptLoaded) {
  Start(u"Socket");
  ASSERT_NE(m_frame->GetPowerNotifications(), nullptr);
  ASSERT_TRUE(Scanner() && Scanner()->IsOpened());
  platform::InjectPowerTransition(platform::PowerTransition::Suspend);
  platform::InjectPowerTransition(platform::PowerTransition::On);
  platform::testing::Eventually([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    return !Scanner()->IsOpened();
  });
  EXPECT_FALSE(Scanner()->IsOpened());
  EXPECT_TRUE(Scanner()->IsLoaded());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(Resumed());
}

TEST_F(MainWindowDevices, OptionsRestartOneNumberingAndReplaceTheScannerEverywhere) {
  Start(u"Grabba");
  ASSERT_TRUE(m_frame->GetEditor()->ToggleScannerBar());  // the bar of the scanner being replaced
  ASSERT_NE(m_frame->GetEditor()->GetScannerBar(), nullptr);
  Options([](DialogDriver& d) {
    Type(d, COptionsSheet::kNumbers, 0, u"INV-0500");
    Type(d, COptionsSheet::kBarCodes, 0, u"Socket");
    Choose(d, COptionsSheet::kStorage, 2, u"Services");
  });
  EXPECT_EQ(CPreferences().GetDword(u"InvoiceStyle", 0), 1u);
  EXPECT_EQ(m_frame->GetEditor()->GetDocument().GetStyle(), 1);
  EXPECT_EQ(Preference(u"StartInvNumber"), u"INV-0500");
  EXPECT_EQ(Preference(u"LastInvNumber"), u"INV-499");
  EXPECT_EQ(CPreferences().GetDword(u"InvNumReset", 0), 1u);
  EXPECT_EQ(CPreferences().GetDword(u"EstNumReset", 0), 0u);  // the other kinds count on
  ASSERT_NE(m_frame->GetScanner(), nullptr);
  EXPECT_EQ(m_frame->GetScanner()->GetKind(), kDeviceSocketScanner);
  EXPECT_EQ(m_frame->GetEditor()->GetScanner(), m_frame->GetScanner());
  EXPECT_EQ(m_frame->GetEditor()->GetScannerBar(), nullptr);
  EXPECT_NE(m_frame->GetPowerNotifications(), nullptr);  // a Socket scanner is watched at once
}

// Options that cannot be stored say so and keep the sheet open, nothing changed; ok with
// room stores them for good.
TEST_F(MainWindowDevices, OptionsThatCannotBeStoredSaySoAndKeepTheSheetOpen) {
  Start(u"None");
  const std::u16string number = Preference(u"StartInvNumber");
  UiScript ui;
  ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) {
    Type(d, COptionsSheet::kNumbers, 0, u"INV-0500");
    Choose(d, COptionsSheet::kStorage, 2, u"Services");
    slateway::testing::OkOnAFullStorage(d, LoadResText(IDS_CUSTOMIZE_NOT_SAVED));
    EXPECT_EQ(Preference(u"StartInvNumber"), number);
    EXPECT_NE(m_frame->GetEditor()->GetDocument().GetStyle(), 1);
    d.Ok();
  });
  SendMessageW(m_frame->GetHwnd(), kMsgOptions, 0, 0);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(m_frame->GetEditor()->GetDocument().GetStyle(), 1);
  m_program.End();  // and the device restarts
  platform::ReloadRegistry();
  EXPECT_EQ(Preference(u"StartInvNumber"), u"INV-0500");
  EXPECT_EQ(CPreferences().GetDword(u"InvoiceStyle", 0), 1u);
}

// A new documents folder takes the open document along, also when the name order changes
// in the same visit.
TEST_F(MainWindowDevices, ANewDocumentsFolderTakesTheOpenDocumentAlongWithANameChange) {
  std::filesystem::create_directories(Linux(u"\\My Documents\\Qdocs"));
  Start(u"None");
  ASSERT_EQ(m_frame->OpenSelectedDocument(0), 1);
  CSalesDocument& document = m_frame->GetEditor()->GetDocument();
  const std::u16string name(document.GetFileName().view());
  Options([](DialogDriver& d) {
    Choose(d, COptionsSheet::kStorage, 1, u"Qdocs");
    Choose(d, COptionsSheet::kOther, 4, u"Last, First");
  });
  EXPECT_EQ(CPreferences().GetDword(u"LastCommaFirst", 0), 1u);
  CBstr folder;
  GetDocumentsFolder(folder);
  EXPECT_NE(folder.view().find(u"Qdocs"), std::u16string_view::npos);
  EXPECT_EQ(document.GetFilePath().str(), folder.str() + name);
  EXPECT_TRUE(document.IsModified());
}

// Options follow into the document the editor holds out of sight, and New from the
// register then starts another without a question: the file keeps what Done saved, and
// nothing is written into the new documents folder.
TEST_F(MainWindowDevices, OptionsOverADocumentOutOfSightLeaveItsFileAndNewAsksNothing) {
  std::filesystem::create_directories(Linux(u"\\My Documents\\Qdocs"));
  Start(u"None");
  ASSERT_EQ(m_frame->OpenSelectedDocument(0), 1);
  HWND editor = m_frame->GetEditor()->GetWindow();
  CSalesDocument& document = m_frame->GetEditor()->GetDocument();
  const std::u16string path = document.GetFilePath().str();
  SendMessageW(editor, WM_COMMAND, IDOK, 0);  // Done
  ASSERT_FALSE(IsWindowVisible(editor));
  const std::string saved = ReadText(path);
  Options([](DialogDriver& d) {
    Choose(d, COptionsSheet::kStorage, 1, u"Qdocs");
    Choose(d, COptionsSheet::kStorage, 2, u"Services");
  });
  const std::u16string moved = document.GetFilePath().str();
  ASSERT_NE(moved, path);
  EXPECT_TRUE(document.IsModified());
  UiScript ui;  // a question fails the test
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_NEW_INVOICE, 0);
  EXPECT_TRUE(document.IsNewDocument());
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_EQ(ReadText(path), saved);
  EXPECT_FALSE(std::filesystem::exists(Linux(moved)));
}

TEST_F(MainWindowDevices, ADatabaseMoveThatCannotCopyOrOpenKeepsTheOldDatabase) {
  // The folder list offers the documents folder's subfolders, and the database goes into
  // the folder chosen there.
  std::filesystem::create_directories(Linux(u"\\My Documents\\Qmissing"));
  std::filesystem::create_directories(Linux(u"\\My Documents\\Qmoved"));
  std::filesystem::create_directories(Linux(u"\\My Documents\\Qbad"));
  Start(u"None");
  const char16_t* kNotMoved = u"The database could not be moved. The database in use stays where it was.";
  const std::u16string copying =
      u"No database was found in the new folder. The database in use will be copied there.";
  const std::u16string installed = u"\\Application Data\\VendelSoftware\\Slateway\\Database";
  // A folder that went away while the dialog was open takes no copy.
  Options(
      [this](DialogDriver& d) {
        Choose(d, COptionsSheet::kStorage, 4, u"Qmissing");
        std::filesystem::remove(Linux(u"\\My Documents\\Qmissing"));
      },
      {copying, kNotMoved, u"Source: " + installed + u"\\Slateway.db", u"Dest: \\My Documents\\Qmissing\\Slateway.db"});
  EXPECT_EQ(Preference(u"DatabasePath"), installed);
  EXPECT_TRUE(m_frame->GetItemStore()->IsOpen());

  Options([](DialogDriver& d) { Choose(d, COptionsSheet::kStorage, 4, u"Qmoved"); }, {copying});
  EXPECT_EQ(Preference(u"DatabasePath"), u"Qmoved");
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\My Documents\\Qmoved\\Slateway.db")));
  EXPECT_TRUE(m_frame->GetItemStore()->IsOpen());

  // A file there that does not open as a database: the one in use stays open.
  WriteText(u"\\My Documents\\Qbad\\Slateway.db", "not a database");
  Options([](DialogDriver& d) { Choose(d, COptionsSheet::kStorage, 4, u"Qbad"); },
          {u"A database was found in the new folder and will be used.",
           u"The database \\My Documents\\Qbad\\Slateway.db cannot be read: the file is damaged or is not a Slateway "
           u"database. Move or rename the file and load the items from the desktop again, or put back a saved copy of it.",
           kNotMoved, u"Source: \\My Documents\\Qmoved\\Slateway.db", u"Dest: \\My Documents\\Qbad\\Slateway.db"});
  EXPECT_EQ(Preference(u"DatabasePath"), u"Qmoved");
  EXPECT_TRUE(m_frame->GetItemStore()->IsOpen());
}

// A new device has chosen no documents folder: Options shows the root it uses and takes it
// back unchanged, and choosing that root by name keeps the documents where they are.
TEST_F(MainWindowDevices, OptionsKeepTheDocumentsFolderOfANewDevice) {
  Start(u"None");
  const int rows = m_frame->GetRegister()->GetRowCount();
  ASSERT_GT(rows, 0);
  Options([](DialogDriver&) {});
  EXPECT_EQ(Preference(u"InvoicePath"), u"");
  Options([](DialogDriver& d) { Choose(d, COptionsSheet::kStorage, 1, u"My Documents"); });
  CBstr folder;
  GetDocumentsFolder(folder);
  EXPECT_EQ(folder.str(), u"\\My Documents\\");
  EXPECT_EQ(m_frame->GetRegister()->GetRowCount(), rows);
  ASSERT_EQ(m_frame->OpenSelectedDocument(0), 1);
  CSalesDocument& document = m_frame->GetEditor()->GetDocument();
  document.SetAttribute(u"MEMO", CBstr(u"saved"));
  EXPECT_TRUE(document.Save());
  EXPECT_EQ(document.GetFilePath().view().substr(0, folder.view().size()), folder.view());
}

TEST_F(MainWindowDevices, PrintingARowAsksForThePrinterAndTheEditorsDocumentIsMarkedPrinted) {
  Start(u"None");
  CRegisterList* list = m_frame->GetRegister();
  ASSERT_GT(list->GetRowCount(), 0);
  list->Select(0);
  UiScript ui;
  ui.ExpectDialog(IDD_PRINTER_SETTINGS, [](DialogDriver& d) {
    d.Choose(IDC_PRINTER_PORT, 3).Choose(IDC_PRINTER_MODEL, 8);
    d.Ok();
  });
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_PRINT_DOCUMENT, 0);
  const std::u16string printed = platform::printing::LastOutputFile();
  ASSERT_FALSE(printed.empty());
  EXPECT_TRUE(std::filesystem::exists(Linux(printed)));

  // The editor's document: the stored printer is used without asking. Its signature is in
  // the printout, and its picture drawn for the job is gone afterwards.
  std::u16string file;
  ASSERT_TRUE(list->GetRowFileName(0, file));
  CSalesDocument& document = m_frame->GetEditor()->GetDocument();
  ASSERT_TRUE(document.Open(u"\\My Documents\\" + file + u".QVN"));
  ASSERT_TRUE(document.SetSignature(u"10,10;40,30;", {.stamp = true, .quiet = true}));
  platform::printing::ClearRecordedOps();
  SendMessageW(m_frame->GetHwnd(), kMsgPrint, 0, reinterpret_cast<LPARAM>(&document));
  EXPECT_EQ(document.GetAttribute(u"TOBEPRINTED").str(), u"false");
  const std::u16string second = platform::printing::LastOutputFile();
  EXPECT_NE(second, printed);
  std::u16string picture;
  for (const auto& op : platform::printing::RecordedOps())
    if (op.kind == platform::printing::PrintOp::kPicture) picture = op.text;
  EXPECT_NE(picture.find(u"KTWPrintSignature.bmp"), std::u16string::npos);
  EXPECT_FALSE(std::filesystem::exists(Linux(picture)));

  // Without a port the printer is asked for even so; cancelled, nothing is printed.
  CPreferences().SetString(u"PrinterPort", u"");
  ui.ExpectDialog(IDD_PRINTER_SETTINGS, [](DialogDriver& d) { d.Cancel(); });
  SendMessageW(m_frame->GetHwnd(), kMsgPrint, 0, reinterpret_cast<LPARAM>(&document));
  EXPECT_EQ(platform::printing::LastOutputFile(), second);
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(MainWindowDevices, AChosenContactBecomesTheCustomerAndAFailingChooserOffersTheOwnList) {
  ASSERT_TRUE(CPreferences().SetUseOutlook(true));  // contacts mode, which imported settings bring: what this is about
  Start(u"None");
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });  // cancelled: no message at all
  EXPECT_EQ(m_frame->ChooseContact(m_frame->GetHwnd(), 0), 1);
  std::u16string chosen;
  ui.ExpectDialog(0, [&chosen](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Contacts List");
    ASSERT_FALSE(d.Rows(kChooserList).empty());
    chosen = d.Rows(kChooserList).front();
    d.Ok();
  });
  // Looking through the contacts from the menu changes no document.
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_MAIN_CUSTOMERS, 0);
  const CCustomerRecord* customer = m_frame->GetEditor()->GetDocument().GetCustomer();
  EXPECT_TRUE(customer == nullptr || customer->FieldView(kCustCompanyName).empty());
  EXPECT_FALSE(m_frame->GetEditor()->GetHistory()->CanUndo());
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Ok(); });
  EXPECT_EQ(m_frame->ChooseContact(m_frame->GetHwnd(), 0), 1);
  customer = m_frame->GetEditor()->GetDocument().GetCustomer();
  ASSERT_NE(customer, nullptr);
  // The list shows a business by its name; the person to ask for comes along.
  EXPECT_EQ(chosen, u"Birchwood Cafe");
  EXPECT_EQ(customer->FieldView(kCustCompanyName), chosen);
  EXPECT_FALSE(customer->FieldView(kCustLastName).empty());
  EXPECT_TRUE(m_frame->GetEditor()->GetHistory()->CanUndo());
  // The editor asking for a customer gets the device's chooser too, not the program's list.
  bool chooserShown = false;
  ui.ExpectDialog(0, [&chooserShown](DialogDriver& d) {
    chooserShown = !d.Rows(kChooserList).empty();
    d.Cancel();
  });
  SendMessageW(m_frame->GetHwnd(), kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(m_frame->GetHwnd()));
  EXPECT_TRUE(chooserShown);
  EXPECT_FALSE(m_frame->IsCustomerListVisible());

  std::filesystem::remove(Linux(u"\\Windows\\Contacts.db"));
  std::filesystem::create_directories(Linux(u"\\Windows\\Contacts.db"));  // the store cannot open
  ResetPimStore();
  ui.ExpectMessageBox(u"ChooseContact failed.  HResult: -2147467259. On the next attempt, Slateway will display "
                      u"your Contacts using it's own dialog.",
                      IDOK);
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_MAIN_CUSTOMERS, 0);
  EXPECT_EQ(CPreferences().GetDword(u"UseWM2003Contacts", 0), 1u);
  // From then on the program's own customer list manages the customers.
  SendMessageW(m_frame->GetHwnd(), WM_COMMAND, IDM_MAIN_CUSTOMERS, 0);
  EXPECT_TRUE(m_frame->IsCustomerListVisible());
  EXPECT_EQ(ui.Pending(), 0u);
  CPreferences().SetUseOutlook(false);
}

}  // namespace

// The reports from the running program: each report opened from the main window for a
// date range, shown, printed on the printer asked for and mailed; a report of one document
// from the editor and from the main window, mailed to that document's customer; saved as a
// page; a second report taking the place of one still open.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../core/FieldFormTyping.h"
#include "core/EmailMessageForm.h"
#include "core/FieldForm.h"
#include "core/Parcel.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/Utilities.h"
#include "core/WindowMessages.h"
#include "devices/PrintEngine.h"
#include "editor/DocumentView.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/RegisterList.h"
#include "mainwindow/Program.h"
#include "platform/base/Faults.h"
#include "platform/mapi/MessageStores.h"
#include "platform/printing/PrintEngines.h"
#include "platform/shell/FileDialogs.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "reports/Report.h"
#include "reports/ReportView.h"
#include "resources/resource_ids.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::MessageBoxScript;
using platform::testing::UiScript;

class MainWindowReports : public mainwindow_test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    platform::printing::ResetConditions();
    platform::mapi::ResetMessaging();
    CPreferences().SetDword(u"PrintNumCopies", 0);  // one copy, the first of Printer Settings' copies list
    CPreferences().SetString(u"LastReportDocType", u"All Documents");  // chosen last on a report's options
    Document(u"INV1.QVN", "INVOICE", "3/9/2026", "$100.00", "Widget", "5");
    Document(u"REC1.QVN", "SALESRECEIPT", "3/10/2026", "$40.00", "Widget", "2");
    Document(u"CRM1.QVN", "CREDITMEMO", "3/10/2026", "$15.00", "Widget", "1");
    Document(u"OLD1.QVN", "INVOICE", "3/1/2026", "$500.00", "Widget", "50");
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    m_frame = m_program.GetMainFrame();
    m_hwnd = m_frame->GetHwnd();
  }
  void TearDown() override {
    m_program.End();
    platform::mapi::ResetMessaging();
    platform::printing::ResetConditions();
    MainWindowTest::TearDown();
  }
  void Document(std::u16string_view name, const char* type, const char* date, const char* total, const char* item,
                const char* quantity) {
    WriteText(std::u16string(mainwindow_test::kDocuments) + std::u16string(name),
              std::string("<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"") + type + "\" DATE=\"" +
                  date + "\"><LINEITEM><TYPE>Inventory Part</TYPE><NAME>" + item + "</NAME><QUANTITY>" + quantity +
                  "</QUANTITY><PRICE>10</PRICE><COST>4</COST></LINEITEM><TOTALS><TOTAL>" + total +
                  "</TOTAL></TOTALS></SALESDOCUMENT>");
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  // The options form of the report: From moved back one day from today, OK.
  static void ExpectRangeFromYesterday(UiScript& ui) {
    ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
      SendMessageW(d.Window(), kMsgStartEditor, 0, 1);
      d.Ok();
    });
    ui.ExpectDialog(IDD_DATE_PICKER, [](DialogDriver& d) {
      SetFocus(d.Control(IDC_DATE_CALENDAR));
      d.Key(VK_LEFT);
      d.Ok();
    });
  }
  // What a poppler tool says of the last printout (empty when nothing was printed).
  std::string PdfTool(const std::string& tool) {
    const std::u16string file = platform::printing::LastOutputFile();
    std::string text;
    if (file.empty()) return text;
    if (FILE* pipe = popen((tool + " '" + Linux(file).string() + "' " + (tool == "pdfinfo" ? "" : "-")).c_str(), "r")) {
      char buffer[4096];
      while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
      pclose(pipe);
    }
    return text;
  }
  std::string PdfText() { return PdfTool("pdftotext -layout"); }
  // The printer settings dialog before a report prints: the 3.8-inch roll printer (8) on
  // port 3, or Cancel.
  static void ExpectPrinterSettings(UiScript& ui, bool ok) {
    ui.ExpectDialog(IDD_PRINTER_SETTINGS, [ok](DialogDriver& d) {
      if (!ok) return d.Cancel();
      d.Choose(IDC_PRINTER_PORT, 3).Choose(IDC_PRINTER_MODEL, 8).Ok();
    });
  }
  // Mails the report from its viewer: checks the To the form offers, then `act` on the
  // form (choose, type, OK or Cancel).
  static void MailReport(CReportView& view, std::u16string_view offeredTo, std::function<void(DialogDriver&)> act,
                         bool sent) {
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(CEmailMessageForm::kTo, 2), offeredTo);
      act(d);
    });
    MessageBoxScript boxes;
    if (sent) boxes.Expect(LoadResText(IDS_EMAIL_IN_OUTBOX));
    view.OnCommand(IDM_REPORT_EMAIL_HTML);
    EXPECT_EQ(boxes.Pending(), 0u);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  // The text of every message in the outbox.
  std::string Outbox() {
    std::string all;
    const auto folder = Linux(platform::mapi::OutboxFolder(platform::mapi::kDefaultStoreName));
    if (!std::filesystem::exists(folder)) return all;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      all.append(std::istreambuf_iterator<char>(in), {});
    }
    return all;
  }
  size_t OutboxCount() {
    const auto folder = Linux(platform::mapi::OutboxFolder(platform::mapi::kDefaultStoreName));
    if (!std::filesystem::exists(folder)) return 0;
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
  }

  CProgram m_program;
  CMainFrame* m_frame = nullptr;
  HWND m_hwnd = nullptr;
};

TEST_F(MainWindowReports, EachReportIsBuiltShownPrintedAndMailed) {
  struct Case {
    int kind;
    const char* title;
    const char16_t* figure;  // on the page
    const char* printed;     // in the printout
  };
  const Case cases[] = {
      {kReportRouteAccount, "Route Sales Accountability", u"Widget", "Widget"},
      {kReportRouteCash, "Route Sales And Cash", u"$125.00", "$125.00"},
      {kReportProfitMargin, "Profit Margin", u"70.00", "70.00"},  // 7 sold at 10 on the two sales
      {kReportPickList, "Warehouse Pick List", u"<TD align=\"right\">8</TD>", "Widget"},
  };
  size_t mailed = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    {
      UiScript ui;
      if (c.kind != kReportRouteAccount) ExpectRangeFromYesterday(ui);
      SendMessageW(m_hwnd, kMsgShowReport, static_cast<WPARAM>(c.kind), 0);
      EXPECT_EQ(ui.Pending(), 0u);
    }
    CReportView* view = m_frame->GetReportView();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->GetView(), nullptr) << "built and shown";
    EXPECT_NE(view->GetReport()->GetHtml().find(c.figure), std::u16string::npos)
        << platform::ToUtf8(view->GetReport()->GetHtml());

    // The printer is asked for first: Cancel prints nothing, OK prints on the printer chosen.
    for (bool ok : {false, true}) {
      const std::u16string before = platform::printing::LastOutputFile();
      UiScript ui;
      ExpectPrinterSettings(ui, ok);
      view->OnCommand(IDM_REPORT_PRINT);
      Pump();
      EXPECT_EQ(ui.Pending(), 0u);
      EXPECT_EQ(platform::printing::LastOutputFile() != before, ok);
    }
    const std::string printed = PdfText();
    EXPECT_NE(printed.find(c.title), std::string::npos) << printed;
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
    const std::string info = PdfTool("pdfinfo");
    const size_t size = info.find("Page size:");
    ASSERT_NE(size, std::string::npos) << info;
    EXPECT_NEAR(std::stod(info.substr(size + 10)), 309.6, 0.5) << "the 3.8-inch roll chosen, not letter paper";
    EXPECT_EQ(m_frame->GetPrintEngine()->GetProgressWindow(), nullptr);

    // No document is open in the editor: the form offers no address.
    MailReport(*view, u"", [](DialogDriver& d) {
      slateway::testing::TypeIntoField(d, d.Window(), CEmailMessageForm::kTo, u"office@route.example");
      d.Ok();
    }, true);
    EXPECT_EQ(OutboxCount(), ++mailed);
    EXPECT_TRUE(FileExists(std::u16string(mainwindow_test::kDocuments) + platform::ToUtf16(c.title) + u".htm"));

    view->OnCommand(IDOK);
    Pump();
    EXPECT_EQ(m_frame->GetReportView(), nullptr) << "the closed viewer is deleted";
  }
}

TEST_F(MainWindowReports, AReportOfOneDocumentReadsItsFileByPathOrNameAndMailsToItsCustomer) {
  std::filesystem::copy_file(std::string(SLATEWAY_DOCUMENT_TEST_DATA) + "/golden/invoice.QVN",
                             Linux(std::u16string(mainwindow_test::kDocuments) + u"Inv1001.QVN"));
  SendMessageW(m_hwnd, kMsgReloadRegister, 0, 0);
  int row = -1;
  for (int i = 0; i < m_frame->GetRegister()->GetRowCount(); ++i) {
    std::u16string name;
    if (m_frame->GetRegister()->GetRowFileName(i, name) && name == u"Inv1001") row = i;
  }
  ASSERT_GE(row, 0);
  ASSERT_EQ(m_frame->OpenSelectedDocument(row), 1);
  CDocumentView* editor = m_frame->GetEditor();

  // From the editor's menu: the report is of the open document, named by its full path.
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_REPORT_PICK_LIST, 0);
  Pump();
  ASSERT_NE(m_frame->GetReportView(), nullptr);
  std::u16string page = m_frame->GetReportView()->GetReport()->GetHtml();
  EXPECT_NE(page.find(u"Nut"), std::u16string::npos) << platform::ToUtf8(page);
  EXPECT_EQ(page.find(u"Widget"), std::u16string::npos) << "the other documents are not in it";
  EXPECT_NE(page.find(u"Inv1001.QVN"), std::u16string::npos) << "the file as it is named";

  // Its customer is offered as To, its company's address as the other choice.
  MailReport(*m_frame->GetReportView(), u"ann@example.test", [](DialogDriver& d) {
    CFieldForm& form = *CFieldForm::FromHandle(d.Window());
    ASSERT_TRUE(slateway::testing::TapFieldRow(d, form, CEmailMessageForm::kTo, true));  // its arrow
    slateway::testing::ChooseInOpenList(d, form.EditorWindow(), 1);
    d.Ok();
  }, true);
  EXPECT_NE(Outbox().find("To: pat@example.test"), std::string::npos) << Outbox();

  // From the main window, a bare file name is one of the documents folder.
  m_frame->GetReportView()->OnCommand(IDOK);
  Pump();
  ASSERT_TRUE(editor->Close());
  SendParcel(m_hwnd, kMsgShowReport, kReportProfitMargin, std::make_unique<std::u16string>(u"INV1001.QVN"));
  ASSERT_NE(m_frame->GetReportView(), nullptr);
  page = m_frame->GetReportView()->GetReport()->GetHtml();
  EXPECT_NE(page.find(u"Inv1001.QVN"), std::u16string::npos) << platform::ToUtf8(page);
  EXPECT_EQ(page.find(u"Widget"), std::u16string::npos);
  // The editor is closed: no document's addresses are offered any more.
  MailReport(*m_frame->GetReportView(), u"", [](DialogDriver& d) { d.Cancel(); }, false);
}

TEST_F(MainWindowReports, TheMenuOpensAReportWithoutADocument) {
  SendMessageW(m_hwnd, WM_COMMAND, IDM_REPORT_ROUTE_ACCOUNT, 0);
  ASSERT_NE(m_frame->GetReportView(), nullptr);
  EXPECT_NE(m_frame->GetReportView()->GetView(), nullptr);
}

// A cancelled save says nothing; a page that cannot be written says so and leaves no file.
TEST_F(MainWindowReports, AReportIsSavedAsItsPageAndOnlyAFailedSaveIsTold) {
  SendMessageW(m_hwnd, kMsgShowReport, kReportRouteAccount, 0);
  CReportView* first = m_frame->GetReportView();
  ASSERT_NE(first, nullptr);
  const HWND firstWindow = first->GetWindow();
  SendMessageW(m_hwnd, kMsgShowReport, kReportRouteAccount, 0);
  EXPECT_FALSE(IsWindow(firstWindow)) << "the viewer still open was closed for the next";
  CReportView* view = m_frame->GetReportView();
  {
    UiScript ui;
    ui.ExpectDialog(0, [](DialogDriver& d) {
      d.TypeInto(kFileDialogName, u"Route");
      d.Ok();
    });
    MessageBoxScript boxes;
    boxes.Expect(LoadResText(IDS_FILE_SAVED));
    view->OnCommand(IDM_REPORT_SAVE_HTML);
    Pump();
    EXPECT_EQ(boxes.Pending(), 0u);
  }
  EXPECT_EQ(ReadText(u"\\Route.HTM"), platform::ToUtf8(view->GetReport()->GetHtml()));
  {
    UiScript ui;
    ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });
    MessageBoxScript boxes;  // any box fails the test
    view->OnCommand(IDM_REPORT_SAVE_HTML);
    Pump();
    EXPECT_EQ(ui.Pending(), 0u);
  }
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kFileDialogName, u"Full");
    d.Ok();
  });
  MessageBoxScript boxes;
  boxes.Expect(LoadResText(IDS_EXPORT_FAILED)).Style(MB_ICONEXCLAMATION);
  platform::InjectFault(platform::Fault::FileWrite, 0, 1000);  // the storage is full
  view->OnCommand(IDM_REPORT_SAVE_HTML);
  Pump();
  platform::ClearFaults();
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Full.HTM")));
}

}  // namespace

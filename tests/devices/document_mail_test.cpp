// E-mail of the open document and of reports, through the message form and the Outbox.
//
//   DocumentMail.AsFile*   the saved document file attached; what is remembered
//   DocumentMail.AsHtml*   the printout page with its pictures; the logo only when printed
//   DocumentMail.Report*   the report file; its subject remembered
//   DocumentMail.Stops*    an empty To, Cancel, a failed save or report file send nothing
#include <gtest/gtest.h>

#include "../document/SalesDocumentFixture.h"
#include "platform/testing/MailReader.h"
#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/EmailMessageForm.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "datastore/CustomerRecord.h"
#include "devices/DocumentMail.h"
#include "platform/base/Faults.h"
#include "platform/mapi/MessageStores.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

class DocumentMail : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    platform::mapi::ResetMessaging();
    InstallServices();
    m_window = MakeOwner();
    MakeFolders();
  }
  void TearDown() override {
    platform::mapi::ResetMessaging();
    SalesDocumentTest::TearDown();
  }

  std::unique_ptr<CSalesDocument> Invoice(std::u16string_view customerAddress) {
    auto doc = Make();
    doc->InitNew(4, kDocInvoice);
    doc->GetCustomer()->SetField(kCustEmail, customerAddress);
    doc->GetCompany()->SetUserName(u"Owen Owner");
    doc->GetCompany()->SetEMail(u"owen@shop.example");
    return doc;
  }

  // Runs the message form: checks the To row and the attachment shown, optionally types
  // into a row, then OK (or Cancel).
  void ExpectForm(platform::testing::UiScript& ui, std::u16string to, std::u16string attached, bool ok = true,
                  int row = -1, std::u16string typed = {}) {
    ui.ExpectDialog(IDD_FIELD_FORM, [=](DialogDriver& d) {
      auto rows = d.ListView(IDC_FORM_LIST);
      EXPECT_EQ(rows.Text(CEmailMessageForm::kTo, 2), to);
      EXPECT_EQ(rows.Text(CEmailMessageForm::kAttached, 2), attached);
      if (row >= 0) {
        SendMessageW(d.Window(), kMsgStartEditor, 0, row);
        SendMessageW(d.Focus(), EM_SETSEL, 0, -1);
        d.Type(typed);
      }
      ok ? d.Ok() : d.Cancel();
    });
  }

  // Sends the document as its page through the form, confirmed as it comes; the mail sent.
  mail_test::ReadMail SendAsHtml(CSalesDocument& doc) {
    std::u16string page = doc.GetFileName().str();
    page.replace(page.size() - 4, 4, u".htm");
    platform::testing::UiScript ui;
    ExpectForm(ui, u"ann@customer.example", page);
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(LoadResText(IDS_EMAIL_IN_OUTBOX));
    EXPECT_EQ(EmailDocumentAsHtml(m_window, doc), 1);
    mail_test::ReadMail mail = OnlyMail();
    EXPECT_EQ(mail.attachments.empty() ? u"" : platform::ToUtf16(mail.attachments[0].fileName), page);
    return mail;
  }

  std::vector<std::filesystem::path> Outbox() {
    return mail_test::MailFiles(Linux(platform::mapi::OutboxFolder(platform::mapi::kDefaultStoreName)));
  }
  mail_test::ReadMail OnlyMail() {
    auto files = Outbox();
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? mail_test::ReadMail{} : mail_test::ParseMail(mail_test::ReadFileBytes(files[0]));
  }
  HWND m_window = nullptr;

  static std::u16string Pref(std::u16string_view name) {
    std::u16string text = u"(missing)";
    CPreferences().GetString(name, text);
    return text;
  }
  static bool Stored(const char16_t* name) {
    CRegKeyHandle key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, kPreferencesKeyPath, 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
           RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
};

}  // namespace

TEST_F(DocumentMail, AsFileSendsTheSavedDocumentToTheCustomer) {
  auto doc = Invoice(u"ann@customer.example");
  platform::testing::UiScript ui;
  ExpectForm(ui, u"ann@customer.example", doc->GetFileName().str());
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(LoadResText(IDS_EMAIL_IN_OUTBOX));
  EXPECT_EQ(EmailDocumentAsQvn(m_window, *doc), 1);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_FALSE(doc->IsModified()) << "saved before it was sent";

  mail_test::ReadMail mail = OnlyMail();
  EXPECT_EQ(mail.to, std::vector<std::string>{"ann@customer.example"});
  EXPECT_EQ(mail.subject, "Invoice from Owen Owner");
  EXPECT_EQ(mail.body, platform::ToUtf8(Pref(u"EMAIL_BODY_QVN")));
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].data, ReadText(doc->GetFilePath().view()));
  EXPECT_EQ(Pref(u"EMAIL_TO"), u"ann@customer.example");
  EXPECT_FALSE(Stored(u"EMAIL_CC")) << "an empty CC is not stored";
  EXPECT_EQ(Pref(u"LAST_EMAIL_TYPE"), u"QVN");
}

// The subject names the sender from the owner's data: the owner's own name, else the
// company's; without either it is the document's caption alone.
TEST_F(DocumentMail, TheSubjectNamesWhoSendsOrNobody) {
  const struct {
    const char16_t* owner;
    const char16_t* company;
    const char* subject;
  } cases[] = {{u"", u"Birchwood Supplies", "Invoice from Birchwood Supplies"},
               {u"", CCompanyInfo::kUnnamedCompany, "Invoice"}};
  for (const auto& c : cases) {
    platform::mapi::ResetMessaging();
    std::filesystem::remove_all(Linux(platform::mapi::OutboxFolder(platform::mapi::kDefaultStoreName)));
    auto doc = Invoice(u"ann@customer.example");
    doc->GetCompany()->SetUserName(c.owner);
    doc->GetCompany()->SetName(c.company);
    platform::testing::UiScript ui;
    ExpectForm(ui, u"ann@customer.example", doc->GetFileName().str());
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(LoadResText(IDS_EMAIL_IN_OUTBOX));
    EXPECT_EQ(EmailDocumentAsQvn(m_window, *doc), 1);
    EXPECT_EQ(OnlyMail().subject, c.subject);
  }
}

// An unsigned document's page shows the empty signature line; an image folder without
// that picture gets it drawn, and the mail carries it.
TEST_F(DocumentMail, AsHtmlDrawsTheSignatureLineTheImageFolderLacks) {
  auto doc = Invoice(u"ann@customer.example");
  CBstr line(u"KTWSignatureLine.bmp");
  GetImageFilePath(line);
  ASSERT_FALSE(std::filesystem::exists(Linux(line.view())));
  mail_test::ReadMail mail = SendAsHtml(*doc);
  ASSERT_EQ(mail.attachments.size(), 2u);
  EXPECT_EQ(mail.attachments[1].fileName, "KTWSignatureLine.bmp");
  EXPECT_EQ(mail.attachments[1].data.substr(0, 2), "BM");
}

TEST_F(DocumentMail, AsHtmlAttachesThePageSignatureAndTheLogoOnlyWhenPrinted) {
  for (BYTE logoPrinted : {1, 0}) {
    platform::mapi::ResetMessaging();
    std::filesystem::remove_all(Linux(platform::mapi::OutboxFolder(platform::mapi::kDefaultStoreName)));
    m_settings->SetFlag(kDocInvoice, 5, logoPrinted);
    auto doc = Invoice(u"ann@customer.example");
    CBstr logo(u"logo.bmp");
    GetLogoFilePath(logo);
    WriteText(logo.view(), "BM-logo");
    doc->SetLogo(logo.c_str(), 10, 10);
    CBstr line(u"KTWSignatureLine.bmp");
    GetImageFilePath(line);
    WriteText(line.view(), "BM-line");

    mail_test::ReadMail mail = SendAsHtml(*doc);
    ASSERT_EQ(mail.attachments.size(), logoPrinted ? 3u : 2u);
    EXPECT_EQ(mail.attachments[0].contentType, "text/html");
    EXPECT_EQ(mail.attachments[1].data, "BM-line");
    if (logoPrinted) {
      EXPECT_EQ(mail.attachments[2].data, "BM-logo");
    }
    EXPECT_TRUE(Stored(u"EMAIL_CC")) << "stored even when empty";
    EXPECT_EQ(Pref(u"LAST_EMAIL_TYPE"), u"HTML");
  }
}

TEST_F(DocumentMail, ReportIsWrittenSentAndItsChangedSubjectOfferedAgain) {
  auto doc = Invoice(u"ann@customer.example");
  CBstr folder;
  GetDocumentsFolder(folder);
  std::u16string report = folder.str() + u"Sales.htm";
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(LoadResText(IDS_EMAIL_IN_OUTBOX));
  {
    platform::testing::UiScript ui;
    ExpectForm(ui, u"ann@customer.example", report, true, CEmailMessageForm::kSubject, u"Weekly sales");
    EXPECT_EQ(EmailReport(m_window, doc.get(), u"Sales", u"<html>Sales €</html>"), 1);
  }
  EXPECT_EQ(ReadText(report), "<html>Sales €</html>");
  mail_test::ReadMail mail = OnlyMail();
  EXPECT_EQ(mail.subject, "Weekly sales");
  EXPECT_EQ(mail.body, platform::ToUtf8(Pref(u"EMAIL_REPORT_BODY_HTML")));
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].data, "<html>Sales €</html>");

  platform::testing::UiScript again;
  again.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(CEmailMessageForm::kSubject, 2), u"Weekly sales");
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(CEmailMessageForm::kAttached, 2), report);
    d.Cancel();
  });
  EXPECT_EQ(EmailReport(m_window, doc.get(), u"Sales", u"<html/>"), 1);
}

// A message that cannot be put in the Outbox (no such message store, a full disk) is told
// once, and the form comes back with the user's texts; sent from there once the account is
// right, or cancelled.
TEST_F(DocumentMail, AFailedSendSaysSoAndOpensTheFormAgainWithTheTextsTyped) {
  auto doc = Invoice(u"ann@customer.example");
  for (bool unknownStore : {true, false}) {
    // The account chosen in Options' e-mail page: one the device no longer has, or the default.
    CPreferences().Set(pref::kMailBox, unknownStore ? u"Nowhere" : u"");
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      SendMessageW(d.Window(), kMsgStartEditor, 0, CEmailMessageForm::kSubject);
      SendMessageW(d.Focus(), EM_SETSEL, 0, -1);
      d.Type(u"Your invoice");
      if (!unknownStore) platform::InjectFault(platform::Fault::FileWrite, 0, 1000);
      d.Ok();
    });
    ui.ExpectMessageBox(LoadResText(IDS_EMAIL_NOT_SENT), IDOK);
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(CEmailMessageForm::kSubject, 2), u"Your invoice");
      platform::ClearFaults();
      CPreferences().Set(pref::kMailBox, u"");
      unknownStore ? d.Ok() : d.Cancel();
    });
    if (unknownStore) ui.ExpectMessageBox(LoadResText(IDS_EMAIL_IN_OUTBOX), IDOK);
    EXPECT_EQ(EmailDocumentAsQvn(m_window, *doc), unknownStore ? 1 : 0);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  EXPECT_EQ(OnlyMail().subject, "Your invoice");
}

TEST_F(DocumentMail, StopsWithoutRecipientOnCancelAndOnFailedFiles) {
  auto doc = Invoice(u"");
  {
    platform::testing::UiScript ui;
    ExpectForm(ui, u"", doc->GetFileName().str());
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(LoadResText(IDS_EMAIL_NEEDS_RECIPIENT));
    EXPECT_EQ(EmailDocumentAsQvn(m_window, *doc), 0) << "the company's address is offered, not chosen";
  }
  {
    auto customer = Invoice(u"ann@customer.example");
    platform::testing::UiScript ui;
    ExpectForm(ui, u"ann@customer.example", customer->GetFileName().str(), false);
    EXPECT_EQ(EmailDocumentAsQvn(m_window, *customer), 1);
  }
  platform::testing::UiScript noForm;  // a form shown from here on fails the test
  {
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(u"Failed to save Report.").Caption(u"Slateway");
    EXPECT_EQ(EmailReport(m_window, doc.get(), u"No\\such\\folder", u"<html/>"), 0);
  }
  {
    doc->SetModified(true);
    platform::InjectFault(platform::Fault::FileRename, 0, 100);
    platform::testing::MessageBoxScript boxes;
    boxes.ExpectAny();
    EXPECT_EQ(EmailDocumentAsQvn(m_window, *doc), 0) << "a document that was not saved is not sent";
    platform::ClearFaults();
  }
  EXPECT_TRUE(Outbox().empty());
  EXPECT_EQ(platform::mapi::LiveMessageCount(), 0);
}

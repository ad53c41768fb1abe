#include "devices/DocumentMail.h"

#include <functional>
#include <string>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/EmailMessageForm.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerRecord.h"
#include "devices/MailSession.h"
#include "document/DocumentNumbering.h"
#include "document/DocumentStylesheet.h"
#include "document/SalesDocument.h"
#include "platform/base/Base.h"
#include "platform/registry/Registry.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

constexpr char16_t kReportNotSaved[] = u"Failed to save Report.";
// The custom-settings row that shows the logo on the printout.
constexpr int kRowShowLogoOnPaper = 5;

// What the user confirmed in the message form.
struct MailEntries {
  CBstr to, cc, bcc, subject, message;
};

enum class FormOutcome { kSend, kCancelled, kNoRecipient };

CBstr CustomerAddress(CSalesDocument* document) {
  CCustomerRecord* customer = document ? document->GetCustomer() : nullptr;
  return customer ? CBstr(customer->GetEmail()) : CBstr();
}

CBstr CompanyAddress(CSalesDocument* document) {
  CCompanyInfo* company = document ? document->GetCompany() : nullptr;
  return company ? CBstr(company->GetEMail()) : CBstr();
}

// Shows the message form with the defaults, or with the texts of `again` as the user left
// them. kSend fills `entries`; an empty To has been told to the user by then.
FormOutcome RunMailForm(HWND owner, CSalesDocument* document, const CBstr& subject, const CBstr& body,
                        const CBstr& attached, MailEntries& entries, const MailEntries* again = nullptr) {
  CBstr customerTo = again ? again->to : CustomerAddress(document);
  CEmailMessageForm form(GetResourceInstance(), owner, customerTo, again ? again->cc : CBstr(),
                         again ? again->bcc : CBstr(), CompanyAddress(document), again ? again->subject : subject,
                         again ? again->message : body, attached);
  // The form starts on the address offered last, the user's own company: the message is
  // meant for the customer, so the To row starts with the customer's address (or empty).
  if (FormField* to = form.Form().Model().Field(CEmailMessageForm::kTo)) to->value = customerTo;
  INT_PTR code = form.DoModal();
  if (code != CFieldFormModel::kEndAccepted && code != CFieldFormModel::kEndUnchanged) return FormOutcome::kCancelled;
  if (form.GetTo().IsEmpty()) {
    ShowWarningMessage(owner, IDS_EMAIL_NEEDS_RECIPIENT);
    return FormOutcome::kNoRecipient;
  }
  entries = {form.GetTo(), form.GetCc(), form.GetBcc(), form.GetSubject(), form.GetMessage()};
  return FormOutcome::kSend;
}

int ResultOf(FormOutcome outcome) { return outcome == FormOutcome::kNoRecipient ? 0 : 1; }

// The remembered recipients; `always` stores an empty CC or BCC too.
void RememberRecipients(CPreferences& preferences, const MailEntries& entries, bool always) {
  preferences.Set(pref::kEmailTo, entries.to.view());
  if (always || !entries.cc.IsEmpty()) preferences.Set(pref::kEmailCc, entries.cc.view());
  if (always || !entries.bcc.IsEmpty()) preferences.Set(pref::kEmailBcc, entries.bcc.view());
}

// Sends under the wait cursor and tells the user when the message is in the Outbox; false
// when it could not be put there.
bool SendEntries(HWND owner, CMailSession& session, const MailEntries& entries, LPCWSTR attachment1,
                 LPCWSTR attachment2 = nullptr, LPCWSTR attachment3 = nullptr) {
  CWaitCursorScope wait;
  bool sent = session.Send(entries.to.c_str(), entries.cc.c_str(), entries.bcc.c_str(), entries.subject.c_str(),
                           entries.message.c_str(), attachment1, attachment2, attachment3);
  wait.End();
  if (sent) MessageBoxFromResource(owner, IDS_EMAIL_IN_OUTBOX, kStyleInformation);
  return sent;
}

// What one e-mail needs besides the form: the attachments and how the entries are
// remembered once confirmed.
struct MailJob {
  LPCWSTR attachment1;
  LPCWSTR attachment2 = nullptr;
  LPCWSTR attachment3 = nullptr;
  std::function<void(const MailEntries&)> remember = {};
};

// The form, then the send. A message that could not be put in the Outbox (no such message
// store, a full disk) is told, and the form opens again with the texts as the user left
// them, until it is sent or the user cancels. 1 when sent or cancelled before any failure,
// else 0.
int FormAndSend(HWND owner, CSalesDocument* document, const CBstr& subject, const CBstr& body, const CBstr& attached,
                CMailSession& session, const MailJob& job) {
  MailEntries entries;
  bool failed = false;
  for (;;) {
    FormOutcome outcome = RunMailForm(owner, document, subject, body, attached, entries, failed ? &entries : nullptr);
    if (outcome != FormOutcome::kSend) return failed ? 0 : ResultOf(outcome);
    job.remember(entries);
    if (SendEntries(owner, session, entries, job.attachment1, job.attachment2, job.attachment3)) return 1;
    MessageBoxFromResource(owner, IDS_EMAIL_NOT_SENT, kStyleWarning);
    failed = true;
  }
}

// Who sends, from the owner's data: the owner's own name (the company record's user name,
// else the device owner's), or when that was never given the company's name; empty when
// neither is known.
std::u16string SenderName(CSalesDocument* document) {
  std::u16string name, company, address, phone, email;
  if (document && document->GetCompany()) {
    name = document->GetCompany()->GetUserName();
    company = document->GetCompany()->GetName();
  } else {
    COwnerInfo(false).GetOwnerInfo(name, company, address, phone, email);
  }
  if (!name.empty()) return name;
  return company == CCompanyInfo::kUnnamedCompany ? std::u16string() : company;
}

// "<what> from <sender>", or `what` alone when nobody is known to send it.
std::u16string FromSender(std::u16string what, CSalesDocument* document) {
  const std::u16string sender = SenderName(document);
  return sender.empty() ? what : what + u" from " + sender;
}

int SettingsKindOf(const CSalesDocument& document) {
  int type = document.GetDocType();
  return type >= 0 && type < CCustomSettings::kKinds ? type : 0;
}

// "<the user's caption of the type> from <sender>".
CBstr DocumentSubject(CSalesDocument& document) {
  return CBstr(FromSender(document.GetCustomSettings().GetCaption(SettingsKindOf(document), 0), &document));
}

// `path` without its extension when it ends in `extension` (ignoring case), plus ".htm".
std::u16string HtmlNameOf(std::u16string_view path, std::u16string_view extension) {
  if (path.size() >= extension.size() &&
      platform::EqualsIgnoreCase(path.substr(path.size() - extension.size()), extension))
    path.remove_suffix(extension.size());
  return std::u16string(path) + u".htm";
}

}  // namespace

int EmailDocumentAsQvn(HWND owner, CSalesDocument& document) {
  // A document that could not be saved would go out stale, or not at all.
  if (!document.Save(false)) return 0;
  CMailSession session;
  CPreferences preferences;
  CBstr body(preferences.Get(pref::kEmailBodyQvn));
  MailJob job{document.GetFilePath().c_str()};
  job.remember = [&](const MailEntries& entries) {
    platform::CRegistryBatch batch;
    RememberRecipients(preferences, entries, false);
    preferences.Set(pref::kEmailBodyQvn, entries.message.view());
    preferences.Set(pref::kLastEmailType, u"QVN");
  };
  return FormAndSend(owner, &document, DocumentSubject(document), body, document.GetFileName(), session, job);
}

int EmailDocumentAsHtml(HWND owner, CSalesDocument& document) {
  if (!document.Save(false)) return 0;
  CMailSession session;
  CBstr numberedPath;
  MakeDocumentFileName(document.GetNumber().view(), numberedPath, document.GetDocType());
  std::u16string exportPath = HtmlNameOf(numberedPath.view(), u".QVN");
  CBstr logo, signature;
  // The page is the printout's; a page that was not written must not be sent.
  if (!ExportHtml(document, owner, exportPath, &logo, &signature, false)) return 0;

  CPreferences preferences;
  CBstr body(preferences.Get(pref::kEmailBodyHtml));
  bool logoShown = document.GetCustomSettings().IsShown(SettingsKindOf(document), kRowShowLogo, kRowShowLogoOnPaper, false);
  LPCWSTR signatureFile = signature.IsEmpty() ? nullptr : signature.c_str();
  LPCWSTR logoFile = logoShown && !logo.IsEmpty() ? logo.c_str() : nullptr;
  MailJob job{exportPath.c_str(), signatureFile, logoFile};
  job.remember = [&](const MailEntries& entries) {
    platform::CRegistryBatch batch;
    RememberRecipients(preferences, entries, true);
    preferences.Set(pref::kEmailBodyHtml, entries.message.view());
    preferences.Set(pref::kLastEmailType, u"HTML");
  };
  return FormAndSend(owner, &document, DocumentSubject(document), body,
                     CBstr(HtmlNameOf(document.GetFileName().view(), u".QVN")), session, job);
}

int EmailReport(HWND owner, CSalesDocument* document, std::u16string_view reportName, std::u16string_view reportHtml) {
  CMailSession session;
  CBstr folder;
  GetDocumentsFolder(folder);
  std::u16string path = folder.str();
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  path += std::u16string(reportName) + u".htm";
  if (!WriteAnsiTextFile(reportHtml, path)) {
    MessageBoxW(owner, kReportNotSaved, kProductName, MB_OK);
    return 0;
  }

  CPreferences preferences;
  std::u16string subjectText = FromSender(u"Report", document);
  preferences.Read(pref::kEmailReportSubject, subjectText);
  CBstr subject(subjectText);
  CBstr body(preferences.Get(pref::kEmailReportBodyHtml));
  MailJob job{path.c_str()};
  job.remember = [&](const MailEntries& entries) {
    platform::CRegistryBatch batch;
    RememberRecipients(preferences, entries, true);
    preferences.Set(pref::kEmailReportSubject, entries.subject.view());
    preferences.Set(pref::kEmailReportBodyHtml, entries.message.view());
  };
  return FormAndSend(owner, document, subject, body, CBstr(path), session, job);
}

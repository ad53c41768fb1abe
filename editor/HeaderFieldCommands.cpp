#include "editor/HeaderFieldCommands.h"

#include "core/CustomSettings.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "document/DocumentNumbering.h"
#include "document/SalesDocument.h"
#include "platform/kernel/Files.h"
#include "platform/locale/Locale.h"
#include "platform/user/MessageBox.h"

namespace {

// The settings rows of the message and of the notes (screen and paper).
constexpr int kRowMessageOnScreen = 40;
constexpr int kRowNotesOnScreen = 49;
constexpr int kRowNotesOnPaper = 50;

std::vector<CBstr> OldValues(CSalesDocument& document, const std::vector<std::u16string>& attributes, size_t count) {
  std::vector<CBstr> values;
  for (size_t i = 0; i < count && i < attributes.size(); ++i) values.push_back(document.GetAttribute(attributes[i]));
  return values;
}

bool ParseCalendarDate(const CBstr& text, SYSTEMTIME& date) {
  date = SYSTEMTIME{};
  if (text.IsEmpty()) return false;
  ParseDateText(text.view(), date);
  return true;
}

const WCHAR* CustomFieldAttribute(HeaderField field) {
  if (field == HeaderField::Other3) return u"OTHER3";
  if (field == HeaderField::Other2) return u"OTHER2";
  return u"OTHER1";
}

}  // namespace

// ---- The common shape -------------------------------------------------------------------------

CHeaderFieldCommand::CHeaderFieldCommand(CSalesDocument& document, LPCWSTR name, std::vector<std::u16string> attributes,
                                         std::vector<CBstr> newValues, Shape shape)
    : CDocumentCommand(document, name, true),
      m_old(OldValues(document, attributes, newValues.size())),
      m_new(std::move(newValues)),
      m_before(document, std::move(attributes)),
      m_shape(shape) {}

bool CHeaderFieldCommand::Unchanged() const {
  for (size_t i = 0; i < m_new.size(); ++i)
    if (!EditTextEquals(m_old[i], m_new[i])) return false;
  return true;
}

bool CHeaderFieldCommand::Do(bool) {
  if (m_shape.equalityTest && Unchanged()) return true;
  CWaitCursorScope wait;
  if (!Apply()) return false;
  RenderAfterDo();
  return true;
}

bool CHeaderFieldCommand::Undo() {
  if (m_shape.equalityTest && Unchanged()) return true;
  CWaitCursorScope wait;
  RevertCachedState();
  m_before.Restore(Document());
  AfterRestore();
  Render(m_shape.undoRender);
  return true;
}

// ---- One attribute ----------------------------------------------------------------------------

CChangeAttributeCommand::CChangeAttributeCommand(CSalesDocument& document, LPCWSTR name, std::u16string attribute,
                                                 const CBstr& value)
    : CHeaderFieldCommand(document, name, {attribute}, {value}, Shape{}), m_attribute(std::move(attribute)) {}

bool CChangeAttributeCommand::Apply() {
  Document().SetAttribute(m_attribute, NewValue(0));
  return true;
}

CChangeAccountCommand::CChangeAccountCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Account", u"ACCOUNT", v) {}
CChangeCardNumberCommand::CChangeCardNumberCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Credit Card Number", u"CCARDNUM", v) {}
CChangeCheckNumberCommand::CChangeCheckNumberCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Check Number", u"CHKNUM", v) {}
CChangeCustomFieldCommand::CChangeCustomFieldCommand(CSalesDocument& d, const CBstr& v, HeaderField field)
    : CChangeAttributeCommand(d, u"Change Custom Field", CustomFieldAttribute(field), v) {}
CChangePaymentMethodCommand::CChangePaymentMethodCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Payment Method", u"PAYMENT", v) {}
CChangePONumberCommand::CChangePONumberCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change PONumber", u"PONUM", v) {}
CChangeShipViaCommand::CChangeShipViaCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Shipping Method", u"SHIPVIA", v) {}
CChangePaymentAmountCommand::CChangePaymentAmountCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Payment", u"PAYAMOUNT", v) {}

CChangeShipDateCommand::CChangeShipDateCommand(CSalesDocument& d, const CBstr& v)
    : CChangeAttributeCommand(d, u"Change Ship Date", u"SHIPDATE", v) {}

// ---- Fields that the document works out together --------------------------------------------

CChangeTermsCommand::CChangeTermsCommand(CSalesDocument& d, const CBstr& terms)
    : CHeaderFieldCommand(d, u"Change Terms", {u"TERMS", u"TERMDAYS", u"DUEDATE", u"DUEDATEQB"}, {terms}, Shape{}) {}

bool CChangeTermsCommand::Apply() {
  Document().SetTerms(NewValue(0));
  return true;
}

// The document keeps the term days beside TERMS: they follow the old terms again.
void CChangeTermsCommand::RevertCachedState() { Document().SetTerms(OldValue(0)); }

namespace {
const CHeaderFieldCommand::Shape kDateShape{false, RenderMode::KeepPosition, RenderMode::KeepPosition};
}

// A new date also moves the due date by the term days; both come back on Undo.
CChangeDateCommand::CChangeDateCommand(CSalesDocument& d, const CBstr& date)
    : CHeaderFieldCommand(d, u"Change Date", {u"DATE", u"DATEQB", u"DUEDATE", u"DUEDATEQB"}, {date}, kDateShape) {}

bool CChangeDateCommand::Apply() {
  SYSTEMTIME date;
  return ParseCalendarDate(NewValue(0), date) && Document().SetDate(date);
}

CChangeDueDateCommand::CChangeDueDateCommand(CSalesDocument& d, const CBstr& dueDate)
    : CHeaderFieldCommand(d, u"Change Due Date", {u"DUEDATE", u"DUEDATEQB"}, {dueDate}, kDateShape) {}

bool CChangeDueDateCommand::Apply() {
  SYSTEMTIME date;
  return ParseCalendarDate(NewValue(0), date) && Document().SetDueDate(date);
}

CChangeCardExpiryCommand::CChangeCardExpiryCommand(CSalesDocument& d, const CBstr& expiry)
    : CHeaderFieldCommand(d, u"Change Card Expiry", {u"CCARDEXP", u"CARDEXPMONTH", u"CARDEXPYEAR"}, {expiry},
                          kDateShape) {}

bool CChangeCardExpiryCommand::Apply() {
  SYSTEMTIME date;
  return ParseCalendarDate(NewValue(0), date) && Document().SetCardExpiry(date);
}

CChangeRepCommand::CChangeRepCommand(CSalesDocument& d, const CBstr& rep, const CBstr& fullName)
    : CHeaderFieldCommand(d, u"Change REP", {u"REP", u"REP_FULLNAME"}, {rep, fullName}, Shape{}) {}

bool CChangeRepCommand::Apply() {
  m_shownInPlace = Document().SetRep(NewValue(0), NewValue(1));
  return true;
}

void CChangeRepCommand::RenderAfterDo() {
  if (!m_shownInPlace) Render(RenderMode::KeepPosition);
}

CChangeTaxCommand::CChangeTaxCommand(CSalesDocument& d, const CBstr& name, const CBstr& rate, const CBstr& vendor)
    : CHeaderFieldCommand(d, u"Change Tax", {u"TAXNAME", u"TAXRATE", u"TAXVENDOR"}, {name, rate, vendor},
                          Shape{true, RenderMode::KeepPosition, RenderMode::ScrollToEnd}) {}

bool CChangeTaxCommand::Apply() {
  Document().SetTax(NewValue(0), NewValue(1), NewValue(2), true);
  return true;
}

// The rate factor is read again from the restored TAXRATE, then every line and total.
void CChangeTaxCommand::AfterRestore() {
  CBstr name, rate, vendor;
  Document().GetTax(name, rate, vendor);
  Document().RecalcTotals();
}

// ---- Message and notes ------------------------------------------------------------------------

CSelectMessageCommand::CSelectMessageCommand(CSalesDocument& d, const CBstr& message, const CBstr& listId, bool show,
                                             CCustomSettings& settings)
    : CHeaderFieldCommand(d, u"Select Message", {u"CUSTOMERMSG", u"CUSTOMERMSG_LISTID"}, {message, listId},
                          Shape{true, RenderMode::ScrollToEnd, RenderMode::ScrollToEnd}),
      m_settings(settings),
      m_oldShow(settings.GetFlag(CSalesDocument::SettingsKind(d.GetDocType()), kRowMessageOnScreen) != 0),
      m_newShow(show) {}

// Unlike the other fields, a change of the show flag alone is a change.
bool CSelectMessageCommand::Do(bool) {
  if (Unchanged() && m_oldShow == m_newShow) return true;
  CWaitCursorScope wait;
  Apply();
  Render(RenderMode::ScrollToEnd);
  return true;
}

bool CSelectMessageCommand::Apply() {
  Document().SetCustomerMessage(NewValue(0), NewValue(1));
  if (m_newShow != m_oldShow) {
    m_settings.SetFlag(CSalesDocument::SettingsKind(Document().GetDocType()), kRowMessageOnScreen, m_newShow ? 1 : 0);
    Document().RebuildStylesheet();
  }
  return true;
}

CEditNotesCommand::CEditNotesCommand(CSalesDocument& d, const CBstr& notes, CCustomSettings& settings)
    : CHeaderFieldCommand(d, u"Edit Notes", {u"NOTES"}, {notes},
                          Shape{false, RenderMode::ScrollToEnd, RenderMode::ScrollToEnd}),
      m_settings(settings) {}

bool CEditNotesCommand::Apply() {
  const int kind = CSalesDocument::SettingsKind(Document().GetDocType());
  if (!NewValue(0).IsEmpty() && !m_settings.IsShown(kind, kRowNotesOnScreen, kRowNotesOnPaper, true)) {
    m_settings.SetFlag(kind, kRowNotesOnScreen, 1);
    Document().RebuildStylesheet();
  }
  Document().SetNotes(NewValue(0).view());
  m_settings.Save();
  return true;
}

// ---- The number -------------------------------------------------------------------------------

CChangeNumberCommand::CChangeNumberCommand(CSalesDocument& d, const CBstr& number, const CBstr& presentFile,
                                           int documentType)
    : CDocumentCommand(d, u"Change Number", false),
      m_oldNumber(d.GetNumber()),
      m_newNumber(number),
      m_presentFile(presentFile),
      m_documentType(documentType) {}

bool CChangeNumberCommand::Do(bool) {
  if (EditTextEquals(m_oldNumber, m_newNumber)) return false;
  CWaitCursorScope wait;
  CBstr newPath;
  MakeDocumentFileName(m_newNumber.view(), newPath, m_documentType);
  if (GetFileAttributesW(newPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
    wait.End();
    const int answer = MessageBoxW(nullptr,
                                   u"A file already exists with this number.  This may cause you to lose an existing "
                                   u"document.  Are you sure you want to choose this number?",
                                   u"Slateway", MB_YESNO);
    if (answer != IDYES) return false;
    wait.Begin();
  }
  CSalesDocument& document = Document();
  document.SetNumber(m_newNumber.view());
  document.SetFilePath(newPath.view());
  // The document leaves its old file only once it stands in the new one.
  const bool hadFile = !m_presentFile.IsEmpty() && !document.IsNewDocument() &&
                       GetFileAttributesW(m_presentFile.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool sameFile = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, m_presentFile.c_str(), -1,
                                       newPath.c_str(), -1) == CSTR_EQUAL;
  if (hadFile && !sameFile && document.Save()) DeleteFileW(m_presentFile.c_str());
  Render(RenderMode::KeepPosition);
  return true;
}

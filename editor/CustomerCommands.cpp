#include "editor/CustomerCommands.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/CompanyInfo.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/WaitCursor.h"
#include "datastore/ContactsSource.h"
#include "datastore/CustomerRecord.h"
#include "datastore/CustomerSource.h"
#include "document/JobRecord.h"
#include "document/SalesDocument.h"
#include "document/ShipToAddress.h"
#include "document/XmlDocument.h"
#include "platform/xml/XmlDom.h"
#include "editor/DocumentView.h"

namespace {

IDocumentCustomerScreens* g_customerScreens = nullptr;

// The customer fields the document's customer block keeps itself; the others (payment,
// balance, notes, ship-to, job...) are taken from the stored customer before editing.
constexpr int kFieldsOfTheDocument[] = {
    kCustListID,      kCustName,         kCustFullName,     kCustParentFullName,   kCustCompanyName,
    kCustSalutation,  kCustExtraName,    kCustFirstName,    kCustLastName,         kCustContact,
    kCustBillToAddr1, kCustBillToAddr2,  kCustBillToAddr3,  kCustBillToAddr4,      kCustBillToCity,
    kCustBillToState, kCustBillToPostalCode, kCustBillToCountry, kCustPhone,        kCustAltPhone,
    kCustFax,         kCustSalesTaxCode, kCustPriceLevel,   kCustEmail};

bool KeptByTheDocument(int field) {
  return std::find(std::begin(kFieldsOfTheDocument), std::end(kFieldsOfTheDocument), field) !=
         std::end(kFieldsOfTheDocument);
}

std::unique_ptr<CCustomerRecord> CopyOf(const CCustomerRecord& customer) {
  if (const auto* contact = dynamic_cast<const CContactCustomer*>(&customer))
    return std::make_unique<CContactCustomer>(*contact);
  auto copy = std::make_unique<CTableCustomer>();
  copy->Fields() = customer.Fields();
  return copy;
}

// The document's ship-to element (a null node when it has none) and its child elements.
CXmlDomNode ShipToBlock(CSalesDocument& document) {
  CXmlDomNode block;
  if (CXmlDomDocument* xml = document.GetXmlDocument().GetDataDocument()) xml->selectSingleNode(u"/*/SHIPTO", &block);
  return block;
}

std::vector<CXmlDomNode> ElementsOf(const CXmlDomNode& block) {
  std::vector<CXmlDomNode> elements;
  if (!block) return elements;
  CXmlDomNode child;
  for (block.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    DOMNodeType type = NODE_INVALID;
    child.get_nodeType(&type);
    if (type == NODE_ELEMENT) elements.push_back(child);
  }
  return elements;
}

// The customer block's children that the document writes but its reader leaves out: the
// form starts from them, so a form accepted as it was keeps the contact and the country.
// A child the block does not have leaves the record's field as it is.
void TakeWrittenOnlyTexts(CSalesDocument& document, CCustomerRecord& record) {
  CXmlDocument& xml = document.GetXmlDocument();
  const std::vector<std::u16string> present = xml.BlockChildNames(u"CUSTOMER");
  const std::pair<const char16_t*, int> children[] = {{u"CONTACT", kCustContact}, {u"COUNTRY", kCustBillToCountry}};
  for (const auto& [child, field] : children) {
    CBstr text;
    if (std::find(present.begin(), present.end(), child) != present.end() &&
        xml.ReadBlockChild(u"CUSTOMER", child, &text))
      record.SetField(field, text.view());
  }
}

}  // namespace

CHiddenDocumentPage::CHiddenDocumentPage(CSalesDocument& document) : m_view(document.GetView()) {
  if (m_view) m_view->SetHidden(true);
}

CHiddenDocumentPage::~CHiddenDocumentPage() {
  if (m_view) m_view->SetHidden(false);
}

void SetDocumentCustomerScreens(IDocumentCustomerScreens* screens) { g_customerScreens = screens; }
IDocumentCustomerScreens* GetDocumentCustomerScreens() { return g_customerScreens; }

// ---- Customer -------------------------------------------------------------------------------

CEditCustomerCommand::CEditCustomerCommand(CSalesDocument& document, HINSTANCE instance, HWND parent, HWND notify,
                                           const CCustomerRecord& customer, CCustomerSource* source, int initialPage,
                                           bool jobName)
    : CDocumentCommand(document, u"Edit Customer", false),
      m_instance(instance),
      m_parent(parent),
      m_notify(notify),
      m_customer(CopyOf(customer)),
      m_source(source),
      m_initialPage(initialPage),
      m_jobName(jobName),
      m_subLevel(jobName || customer.FieldView(kCustFullName).find(u':') != std::u16string_view::npos) {}

CEditCustomerCommand::~CEditCustomerCommand() = default;

bool CEditCustomerCommand::EditTableCustomer() {
  IDocumentCustomerScreens* screens = GetDocumentCustomerScreens();
  if (!screens) return false;
  CTableCustomer record;
  record.Fields() = m_customer->Fields();
  TakeWrittenOnlyTexts(Document(), record);
  CCustomerSource* source = m_source ? m_source : screens->CustomerSource();
  CCustomerFields stored;
  if (source && source->FindByFullName(record.FieldView(kCustFullName), stored)) {
    for (int field = 0; field < kCustomerFieldCount; ++field)
      if (!KeptByTheDocument(field)) record.Fields()[field] = stored[field];
  }
  m_before->Fields() = record.Fields();
  if (screens->EditDocumentCustomer(m_parent, record, m_initialPage, m_jobName, m_subLevel) == 0) return false;
  m_customer->Fields() = record.Fields();
  return true;
}

bool CEditCustomerCommand::Do(bool) {
  if (m_customer->FieldView(kCustListID).empty()) {
    // A customer typed into the document, or one whose link is lost: offer the list.
    BSTR name = m_customer->GetDisplayName(Document().GetLastCommaFirst());
    if (!name || !*name || AskYesNoFmtText(m_parent, u"Could not locate %s.  Display customer list?", name))
      PostMessageW(m_notify, kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(m_parent));
    return false;
  }
  bool confirmed = false;
  m_before = CopyOf(*m_customer);
  if (auto* contact = dynamic_cast<CContactCustomer*>(m_customer.get())) {
    CContactLocator locator(m_instance, m_parent, m_notify, m_source);
    confirmed = locator.LocateContact(*contact) != 0;
  } else {
    confirmed = EditTableCustomer();
  }
  if (!confirmed) return false;
  CWaitCursorScope wait;
  Document().SetCustomer(*m_customer, m_before.get());
  Render(RenderMode::KeepPosition);
  return true;
}

// ---- Company --------------------------------------------------------------------------------

CEditCompanyCommand::CEditCompanyCommand(CSalesDocument& document, std::unique_ptr<CCompanyInfo> first,
                                         bool twoCompanies, CompanyChooser chooser, CompanyEditor editor)
    : CDocumentCommand(document, u"Edit Company", false),
      m_first(std::move(first)),
      m_second(std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kCompanyB)),
      m_twoCompanies(twoCompanies),
      m_chooser(std::move(chooser)),
      m_editor(std::move(editor)) {
  m_second->Load();
}

CEditCompanyCommand::~CEditCompanyCommand() = default;

bool CEditCompanyCommand::Do(bool) {
  if (!m_first) return false;
  CPreferences preferences;
  if (m_twoCompanies) {
    if (!m_chooser) return false;
    const int page = static_cast<int>(preferences.Get(pref::kLastCompanyPage));
    if (!m_chooser(*m_first, *m_second, page)) return false;
    CWaitCursorScope wait;
    const bool second = preferences.Get(pref::kDefaultCompany) != 0;
    Document().SetCompany(second ? *m_second : *m_first);
    Render(RenderMode::KeepPosition);
    m_first->Save();
    m_second->Save();
    return true;
  }
  if (!m_editor || !m_editor(*m_first)) return false;
  CWaitCursorScope wait;
  Document().SetCompany(*m_first);
  Render(RenderMode::KeepPosition);
  m_first->Save();
  return true;
}

// ---- Ship-to address and job ------------------------------------------------------------------

CEditShipToCommand::CEditShipToCommand(CSalesDocument& document, ShipToEditor editor)
    : CDocumentCommand(document, u"Edit Ship To", true),
      m_address(std::make_unique<CShipToAddress>(nullptr, &document.GetXmlDocument())),
      m_before(std::make_unique<CShipToAddress>(nullptr, &document.GetXmlDocument())),
      m_editor(std::move(editor)) {
  CXmlDomNode block = ShipToBlock(document);
  m_blockBefore = static_cast<bool>(block);
  for (const CXmlDomNode& child : ElementsOf(block)) {
    CBstr name;
    child.get_nodeName(&name);
    m_childrenBefore.push_back(name.str());
  }
}

CEditShipToCommand::~CEditShipToCommand() = default;

void CEditShipToCommand::Show() {
  Document().SetModified(true);
  Document().RebuildStylesheet();
  Render(RenderMode::KeepPosition);
}

bool CEditShipToCommand::Do(bool isRedo) {
  if (!isRedo && (!m_editor || !m_editor(*m_address))) return false;
  CWaitCursorScope wait;
  m_address->WriteToDocument();
  Show();
  return true;
}

bool CEditShipToCommand::Undo() {
  CWaitCursorScope wait;
  m_before->WriteToDocument();
  // The block as it was: what the edit added goes again.
  CXmlDomNode block = ShipToBlock(Document());
  for (const CXmlDomNode& child : ElementsOf(block)) {
    CBstr name;
    child.get_nodeName(&name);
    const bool added = std::find(m_childrenBefore.begin(), m_childrenBefore.end(), name.str()) == m_childrenBefore.end();
    if (!m_blockBefore || added) block.removeChild(child);
  }
  if (!m_blockBefore && block) {
    CXmlDomNode parent;
    block.get_parentNode(&parent);
    if (parent) parent.removeChild(block);
  }
  Show();
  return true;
}

CEditJobCommand::CEditJobCommand(CSalesDocument& document, JobEditor editor)
    : CDocumentCommand(document, u"", false), m_job(std::make_unique<CJobRecord>()), m_editor(std::move(editor)) {
  if (const CJobRecord* present = document.GetJob()) {
    for (int slot = 0; slot < CJobRecord::kSlots; ++slot) {
      BSTR text = present->GetField(slot);
      m_job->SetField(slot, text ? CBstr(text) : CBstr());
    }
  }
}

CEditJobCommand::~CEditJobCommand() = default;

bool CEditJobCommand::Do(bool) {
  if (!m_editor) return false;
  BSTR name = m_job->GetField(0);
  const bool isNew = !name || !*name;
  {
    CHiddenDocumentPage hidden(Document());
    if (!m_editor(*m_job, isNew)) return false;
    Document().SetJob(*m_job);
  }
  Render(RenderMode::KeepPosition);
  return true;
}

// ---- Logo, style, Customize ----------------------------------------------------------------------

CChangeLogoCommand::CChangeLogoCommand(CSalesDocument& document, std::u16string path, int width, int height)
    : CDocumentCommand(document, u"Image", false), m_path(std::move(path)), m_width(width), m_height(height) {}

bool CChangeLogoCommand::Do(bool) {
  CWaitCursorScope wait;
  Document().SetLogo(m_path.c_str(), m_width, m_height, {.showColumn = true, .rebuild = true});
  Render(RenderMode::ScrollToTop);
  return true;
}

CChangeStyleCommand::CChangeStyleCommand(CSalesDocument& document, int newStyle, bool saveAsDefault)
    : CDocumentCommand(document, u"change style", true),
      m_oldStyle(document.GetStyle()),
      m_newStyle(newStyle),
      m_saveAsDefault(saveAsDefault) {}

bool CChangeStyleCommand::Do(bool) {
  CWaitCursorScope wait;
  if (m_saveAsDefault && CPreferences().Set(pref::kInvoiceStyle, static_cast<DWORD>(m_newStyle)))
    m_preferenceWritten = true;
  Document().SetStyle(m_newStyle);
  return true;
}

bool CChangeStyleCommand::Undo() {
  CWaitCursorScope wait;
  Document().SetStyle(m_oldStyle);
  if (m_preferenceWritten) CPreferences().Set(pref::kInvoiceStyle, static_cast<DWORD>(m_oldStyle));
  return true;
}

CCustomizeCommand::CCustomizeCommand(CSalesDocument& document, HWND parent, HWND notify, DWORD firstPage,
                                     CCustomSettings& settings)
    : CDocumentCommand(document, u"Customize", false),
      m_parent(parent),
      m_notify(notify),
      m_firstPage(firstPage),
      m_settings(settings) {}

bool CCustomizeCommand::Do(bool) {
  IDocumentCustomerScreens* screens = GetDocumentCustomerScreens();
  if (!screens) return false;
  {
    CHiddenDocumentPage hidden(Document());
    if (screens->Customize(m_parent, m_firstPage, m_settings, Document()) != 1) return false;
    CWaitCursorScope wait;
    Document().RebuildStylesheet();
  }
  Render(RenderMode::KeepPosition);
  PostMessageW(m_notify, kMsgNewTextsChanged, 0, 0);
  return true;
}

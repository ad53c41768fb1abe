#include "editor/SelectCustomerCommand.h"

#include "core/Preferences.h"
#include "datastore/CustomerRecord.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"

namespace {

// A copy of the document's customer of the kind the program works with now, with every
// field: a contact's own copy keeps only the texts a contact has, and Undo would then
// write a customer block without the addresses and account fields it had.
std::unique_ptr<CCustomerRecord> CopyOfCustomer(const CCustomerRecord& customer) {
  std::unique_ptr<CCustomerRecord> copy;
  const auto* contact = CPreferences::UseOutlook() ? dynamic_cast<const CContactCustomer*>(&customer) : nullptr;
  if (contact)
    copy = std::make_unique<CContactCustomer>(*contact);
  else
    copy = std::make_unique<CTableCustomer>();
  copy->Fields() = customer.Fields();
  return copy;
}

}  // namespace

CSelectCustomerCommand::CSelectCustomerCommand(CSalesDocument& document, std::unique_ptr<CCustomerRecord> chosen)
    : CDocumentCommand(document, u"Select Customer", true), m_chosen(std::move(chosen)) {}

CSelectCustomerCommand::~CSelectCustomerCommand() = default;

bool CSelectCustomerCommand::Do(bool) {
  if (!m_chosen) return false;
  if (!m_previous) {
    if (const CCustomerRecord* present = Document().GetCustomer()) m_previous = CopyOfCustomer(*present);
    m_previousElements = Document().GetXmlDocument().BlockChildNames(u"CUSTOMER");
  }
  Document().SetCustomer(*m_chosen);
  Render(RenderMode::KeepPosition);
  return true;
}

bool CSelectCustomerCommand::Undo() {
  if (!m_previous) return false;
  Document().SetCustomer(*m_previous);
  Document().GetXmlDocument().DropEmptyBlockChildren(u"CUSTOMER", m_previousElements);
  Render(RenderMode::KeepPosition);
  return true;
}

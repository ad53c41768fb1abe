#include "editor/SelectCustomerCommand.h"

#include "core/Preferences.h"
#include "datastore/CustomerRecord.h"
#include "document/SalesDocument.h"

namespace {

// A copy of the document's customer of the kind the program works with now: every field
// of a table customer, the contact's own texts of a contact.
std::unique_ptr<CCustomerRecord> CopyOfCustomer(const CCustomerRecord& customer) {
  if (CPreferences::UseOutlook()) {
    if (const auto* contact = dynamic_cast<const CContactCustomer*>(&customer))
      return std::make_unique<CContactCustomer>(*contact);
  }
  auto copy = std::make_unique<CTableCustomer>();
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
  }
  Document().SetCustomer(*m_chosen);
  Render(kRenderKeepPosition);
  return true;
}

bool CSelectCustomerCommand::Undo() {
  if (!m_previous) return false;
  Document().SetCustomer(*m_previous);
  Render(kRenderKeepPosition);
  return true;
}

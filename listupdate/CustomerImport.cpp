// The customers of one customer file, into the customer table or the device's contacts.
#include "core/CryptoHelper.h"
#include "core/Preferences.h"
#include "core/SmallDialogs.h"
#include "core/Utilities.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "listupdate/ImportText.h"
#include "listupdate/ListUpdater.h"
#include "resources/resource_ids.h"

namespace {

void ScrambleField(CCustomerRecord& record, int field) {
  std::u16string text(record.FieldView(field));
  if (text.empty()) return;
  ScrambleText(text);
  record.SetField(field, text);
}

// Whether the stored row already holds every column of the incoming customer.
bool SameAsStored(const CCustomerFields& stored, const CCustomerFields& incoming) {
  for (int column = 0; column < kCustomerColumnCount; ++column) {
    int field = CustomerFieldOfColumn(column);
    if (stored[field].view() != incoming[field].view()) return false;
  }
  return true;
}

}  // namespace

int CListUpdater::ImportCustomers() {
  if (!m_reader->SelectList(u"CUSTOMER")) return 1;
  if (!m_progress->SetStatusId(IDS_UPDATE_IMPORTING_CUSTOMERS)) return 0;
  if (CPreferences::UseOutlook() && m_clearCustomers) {
    // Contacts are never deleted by an import: existing ones are overwritten instead.
    m_clearCustomers = false;
    m_overwriteCustomers = false;
  } else if (m_clearCustomers && !m_customersCleared) {
    m_customersCleared = true;
    m_overwriteCustomers = false;
    m_store->DeleteAllCustomers();
  }
  for (auto record = m_reader->FirstCustomer(); record; record = m_reader->NextCustomer()) {
    if (!Status(u"Importing Customer " + NumberText(m_customerCounter))) return 0;
    ++m_customerCounter;
    if (BstrToInt(record->FieldView(kCustSublevel)) > 0) {
      CBstr terms;
      if (m_store->GetCustomerTermsByFullName(record->FieldView(kCustParentFullName), terms))
        record->SetField(kCustTerms, terms.view());
    }
    if (!CPreferences::DisplayBalances()) {
      record->SetField(kCustBalance, ZeroMoneyText());
      record->SetField(kCustTotalBalance, ZeroMoneyText());
    }
    if (CPreferences::DisplayCustomerCC()) {
      for (int field : {kCustCCNum, kCustCCExpMon, kCustCCExpYear}) ScrambleField(*record, field);
    } else {
      for (int field : {kCustCCNum, kCustCCExpMon, kCustCCExpYear, kCustCCName, kCustCCAddr, kCustCCZip})
        record->SetField(field, u"");
    }
    bool exists = false;
    // A customer or job the files brought before is looked up even while the table is
    // being filled anew: it is the row this run added.
    const bool repeated = SeenBefore(u"CUSTOMER", record->GetListID());
    const bool lookUp = !m_clearCustomers || repeated;
    if (lookUp && m_customers->HasOwnTable()) {
      // A customer the table holds unchanged needs no write and no question.
      CCustomerFields stored;
      exists = m_store->GetCustomerByListID(record->GetListID(), stored);
      if (exists && SameAsStored(stored, record->Fields())) continue;
    } else if (lookUp) {
      exists = m_customers->Exists(*record) != 0;
    }
    if (exists) {
      BSTR display = record->GetDisplayName(false);
      std::u16string name(display ? display : u"");
      if (!m_overwriteCustomers || AskOverwrite(name, true) == COverwritePromptDlg::kYes)
        m_customers->UpdateRecord(*record, nullptr);
    } else {
      m_customers->AddRecord(*record, nullptr, 2);
    }
  }
  return 1;
}

#include "datastore/NamedList.h"

CNamedList::CNamedList(CItemStore* store, std::u16string_view category,
                       std::u16string_view recordElement, std::u16string_view listElement,
                       std::u16string_view progressText)
    : m_store(store),
      m_category(category),
      m_recordElement(recordElement),
      m_listElement(listElement),
      m_progressText(progressText) {}

CNamedList::~CNamedList() = default;

std::unique_ptr<CNamedList> CNamedList::ConstructAccounts(CItemStore* store) {
  return std::make_unique<CAccountsList>(store);
}

std::unique_ptr<CDbRecord> CNamedList::FindByName(std::u16string_view name) {
  return FindListEntry(*m_store, m_category, name);
}

std::unique_ptr<CDbRecord> CNamedList::GetByListID(std::u16string_view listId) {
  return GetListEntryByListID(*m_store, m_category, listId);
}

int CNamedList::AddEntry(std::u16string_view name, std::u16string_view listId,
                         std::u16string_view created, std::u16string_view modified,
                         std::u16string_view description, bool checkDuplicates) {
  auto record = NewListEntry(m_category, name, listId, created, modified);
  record->SetField(kFieldSalesDescription, description);
  int result = AddListEntry(*m_store, *record, checkDuplicates);
  FreeEntries();
  return result;
}

int CNamedList::UpdateEntry(CDbRecord& record, std::u16string_view name,
                            std::u16string_view created, std::u16string_view modified,
                            std::u16string_view description) {
  record.SetField(kFieldListType, m_category);
  RenameListEntry(record, name);
  record.SetField(kFieldSalesDescription, description);
  record.SetField(kFieldTimeCreated, created);
  record.SetField(kFieldTimeModified, modified);
  bool stored = UpdateListEntry(*m_store, record);
  FreeEntries();
  return stored ? 1 : 0;
}

int CNamedList::GetFirstRecord(CBstr& name, CBstr& description) {
  auto child = m_walk.First(*m_store, m_category, CChildWalk::kByName);
  if (!child) return 0;
  CopyFieldText(*child, kFieldName, name);
  CopyFieldText(*child, kFieldSalesDescription, description);
  return 1;
}

int CNamedList::GetNextRecord(CBstr& name, CBstr& description) {
  auto child = m_walk.Next();
  if (!child) return 0;
  CopyFieldText(*child, kFieldName, name);
  CopyFieldText(*child, kFieldSalesDescription, description);
  return 1;
}

void CNamedList::FreeEntries() {
  m_entries.clear();
  m_entries.shrink_to_fit();
  m_readIndex = 0;
}

void CNamedList::LoadEntries() {
  FreeEntries();
  int expected = CountListEntries(*m_store, m_category);
  if (expected <= 0) return;
  m_entries.reserve(static_cast<size_t>(expected));
  Entry entry;
  for (int more = GetFirstRecord(entry.name, entry.description); more;
       more = GetNextRecord(entry.name, entry.description)) {
    m_entries.push_back(std::move(entry));
    entry = Entry{};
  }
}

int CNamedList::GetFirstEntry(CBstr& name, CBstr& description) {
  if (m_entries.empty()) LoadEntries();
  m_readIndex = 0;
  return GetNextEntry(name, description);
}

int CNamedList::GetNextEntry(CBstr& name, CBstr& description) {
  if (m_readIndex >= m_entries.size()) return 0;
  const Entry& entry = m_entries[m_readIndex++];
  name = entry.name;
  description = entry.description;
  return 1;
}

int CNamedList::GetFirstName(CBstr& name) {
  if (m_entries.empty()) LoadEntries();
  m_readIndex = 0;
  return GetNextName(name);
}

int CNamedList::GetNextName(CBstr& name) {
  if (m_readIndex >= m_entries.size()) return 0;
  name = m_entries[m_readIndex++].name;
  return 1;
}

// ---- The seven lists -------------------------------------------------------------------------

CAccountsList::CAccountsList(CItemStore* store)
    : CNamedList(store, kAccountsCategory, u"INCOME_ACCOUNT", u"ACCOUNTLIST", u"Updating Account") {}

CClassesList::CClassesList(CItemStore* store)
    : CNamedList(store, kClassesCategory, u"CLASS", u"CLASSES", u"Updating Classes") {}

CCustomerTypesList::CCustomerTypesList(CItemStore* store)
    : CNamedList(store, kCustomerTypesCategory, u"CUSTOMERTYPE", u"CUSTOMERTYPES",
                 u"Updating Customer Types") {}

CPaymentMethodsList::CPaymentMethodsList(CItemStore* store)
    : CNamedList(store, kPaymentMethodsCategory, u"PAYMENTMETHOD", u"PAYMENTMETHODS",
                 u"Payment Method") {}

CSalesRepsList::CSalesRepsList(CItemStore* store)
    : CNamedList(store, kSalesRepsCategory, u"SALESREP", u"SALESREPS", u"Updating Sales Reps") {}

CShippingMethodsList::CShippingMethodsList(CItemStore* store)
    : CNamedList(store, kShippingMethodsCategory, u"SHIPMETHOD", u"SHIPMETHODS",
                 u"Shipping Method") {}

CVendorsList::CVendorsList(CItemStore* store)
    : CNamedList(store, kVendorsCategory, u"VENDOR", u"VENDORS", u"Vendor") {}

// The custom customer and item fields of CListCache: each kind is one simple list whose
// entries name one field each.
#include "datastore/ListCache.h"
#include "datastore/ItemStore.h"

// ---- Customer fields -------------------------------------------------------------------------

std::unique_ptr<CDbRecord> CListCache::FindCustomerField(std::u16string_view name) {
  return FindListEntry(*m_store, kCustomCustomerFieldsCategory, name);
}

int CListCache::AddCustomerField(std::u16string_view name, std::u16string_view listId,
                                 std::u16string_view created, std::u16string_view modified) {
  return AddEntry(kCustomCustomerFieldsCategory, name, listId, created, modified, {}, false);
}

void CListCache::LoadCustomerFieldNames() {
  LoadNames(kCustomCustomerFieldsCategory, CChildWalk::kByName);
}

int CListCache::GetFirstCustomerFieldName(CBstr& name) {
  return GetFirstName(kCustomCustomerFieldsCategory, CChildWalk::kByName, name);
}

int CListCache::GetNextCustomerFieldName(CBstr& name) { return GetNextName(name); }

// ---- Item fields ----------------------------------------------------------------------------

std::unique_ptr<CDbRecord> CListCache::FindItemField(std::u16string_view name) {
  return FindListChild(*m_store, kCustomItemFieldsCategory, name);
}

int CListCache::AddItemField(std::u16string_view name, std::u16string_view listId,
                             std::u16string_view created, std::u16string_view modified) {
  return AddEntry(kCustomItemFieldsCategory, name, listId, created, modified, {}, false);
}

int CListCache::UpdateItemField(CDbRecord& record, std::u16string_view name,
                                std::u16string_view created, std::u16string_view modified) {
  return UpdateEntry(record, name, created, modified);
}

void CListCache::DeleteAllItemFields() {
  FreeNames();
  m_store->DeleteChildren(kCustomItemFieldsCategory);
}

void CListCache::LoadItemFieldNames() { LoadNames(kCustomItemFieldsCategory, CChildWalk::kUnordered); }

int CListCache::GetFirstItemFieldName(CBstr& name) {
  return GetFirstName(kCustomItemFieldsCategory, CChildWalk::kUnordered, name);
}

int CListCache::GetNextItemFieldName(CBstr& name) {
  if (GetNextName(name)) return 1;
  name = CBstr(u"");
  return 0;
}

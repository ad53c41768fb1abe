#include "datastore/ListAccessor.h"

CListAccessor::CListAccessor(CItemStore* store) : m_store(store) {}

CListAccessor::~CListAccessor() = default;

int CListAccessor::AddEntry(std::u16string_view category, std::u16string_view name,
                            std::u16string_view text, std::u16string_view listId,
                            std::u16string_view created, std::u16string_view modified,
                            bool skipDuplicateCheck) {
  auto record = NewListEntry(category, name, listId, created, modified);
  record->SetField(kFieldSalesDescription, text);
  return AddListEntry(*m_store, *record, !skipDuplicateCheck);
}

bool CListAccessor::ReadWalkEntry(std::unique_ptr<CDbRecord> child, CBstr& name, CBstr& text,
                                  CBstr& listId) {
  if (!child) return false;
  // The walk reads only a few columns; the entry is read again so that callers always see
  // the stored row. Should the row have gone meanwhile (the store has said so), the
  // walk's own texts still name it.
  auto full = ReadListEntry(*m_store, *child);
  const CDbRecord& entry = full ? *full : *child;
  CopyFieldText(entry, kFieldName, name);
  CopyFieldText(entry, kFieldSalesDescription, text);
  CopyFieldText(entry, kFieldListID, listId);
  return true;
}

// ---- Customer messages --------------------------------------------------------------------

std::unique_ptr<CDbRecord> CListAccessor::FindCustomerMsg(std::u16string_view name) {
  return FindListEntry(*m_store, kCustomerMsgsCategory, name);
}

std::unique_ptr<CDbRecord> CListAccessor::GetCustomerMsgByListID(std::u16string_view listId) {
  return GetListEntryByListID(*m_store, kCustomerMsgsCategory, listId);
}

int CListAccessor::AddCustomerMsg(std::u16string_view name, std::u16string_view text,
                                  std::u16string_view listId, std::u16string_view created,
                                  std::u16string_view modified, bool skipDuplicateCheck) {
  return AddEntry(kCustomerMsgsCategory, name, text, listId, created, modified,
                  skipDuplicateCheck);
}

int CListAccessor::UpdateCustomerMsg(CDbRecord* record, std::u16string_view name,
                                     std::u16string_view text, std::u16string_view listId,
                                     std::u16string_view created, std::u16string_view modified) {
  if (!record) return 0;
  record->SetField(kFieldListType, kCustomerMsgsCategory);
  RenameListEntry(*record, name);
  record->SetField(kFieldSalesDescription, text);
  record->SetField(kFieldTimeCreated, created);
  record->SetField(kFieldTimeModified, modified);
  return UpdateListEntry(*m_store, *record, listId) ? 1 : 0;
}

bool CListAccessor::GetFirstCustomerMsg(CBstr& name, CBstr& text, CBstr& listId) {
  return ReadWalkEntry(m_walk.First(*m_store, kCustomerMsgsCategory, CChildWalk::kByName), name,
                       text, listId);
}

bool CListAccessor::GetNextCustomerMsg(CBstr& name, CBstr& text, CBstr& listId) {
  return ReadWalkEntry(m_walk.Next(), name, text, listId);
}

// ---- Labels ---------------------------------------------------------------------------------

std::unique_ptr<CDbRecord> CListAccessor::FindLabel(std::u16string_view name) {
  return FindListEntry(*m_store, kLabelsCategory, name);
}

std::unique_ptr<CDbRecord> CListAccessor::GetLabelByListID(std::u16string_view listId) {
  return GetListEntryByListID(*m_store, kLabelsCategory, listId);
}

int CListAccessor::AddLabel(std::u16string_view name, std::u16string_view text,
                            std::u16string_view listId, std::u16string_view created,
                            std::u16string_view modified, bool skipDuplicateCheck) {
  return AddEntry(kLabelsCategory, name, text, listId, created, modified, skipDuplicateCheck);
}

int CListAccessor::UpdateLabel(CDbRecord* record, LPCWSTR name, LPCWSTR text, LPCWSTR listId,
                               LPCWSTR created, LPCWSTR modified) {
  if (!record) return 0;
  record->SetField(kFieldListType, kLabelsCategory);
  if (name) RenameListEntry(*record, name);
  if (text) record->SetField(kFieldSalesDescription, text);
  if (created) record->SetField(kFieldTimeCreated, created);
  if (modified) record->SetField(kFieldTimeModified, modified);
  return UpdateListEntry(*m_store, *record, listId ? std::u16string_view(listId) : u"") ? 1 : 0;
}

bool CListAccessor::GetFirstLabel(CBstr& name, CBstr& text, CBstr& listId) {
  return ReadWalkEntry(m_walk.First(*m_store, kLabelsCategory, CChildWalk::kByName), name, text,
                       listId);
}

bool CListAccessor::GetNextLabel(CBstr& name, CBstr& text, CBstr& listId) {
  return ReadWalkEntry(m_walk.Next(), name, text, listId);
}

#include "listupdate/GroupList.h"

#include <exception>

#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"

void CGroupList::DeleteMembers(std::u16string_view groupName) { m_store->DeleteChildren(groupName); }

int CGroupList::UpdateGroup(CDbRecord& record, std::u16string_view name, std::u16string_view created,
                            std::u16string_view modified, std::u16string_view editSequence) {
  record.SetField(kFieldName, name);
  record.SetField(kFieldTimeCreated, created);
  record.SetField(kFieldTimeModified, modified);
  record.SetField(kFieldEditSequenceCopy, editSequence);
  m_store->UpdateItem(record);
  return 0;
}

int CGroupList::AddGroup(std::u16string_view name, std::u16string_view listId, std::u16string_view created,
                         std::u16string_view modified, std::u16string_view editSequence, bool checkDuplicates) {
  auto record = CDbRecord::CDbRecordOfType(kObjectGroup, -1);
  record->SetField(kFieldListType, u"Group");
  record->SetField(kFieldName, name);
  record->SetField(kFieldFullName, name);
  record->SetField(kFieldListID, listId);
  record->SetField(kFieldTimeCreated, created);
  record->SetField(kFieldTimeModified, modified);
  record->SetField(kFieldEditSequenceCopy, editSequence);
  record->SetField(kFieldParent, u"Group");
  return m_store->AddItem(nullptr, *record,
                          checkDuplicates ? CItemStore::OnDuplicate::Refuse : CItemStore::OnDuplicate::Insert);
}

CImportTransaction::CImportTransaction(CItemStore& store)
    : m_store(store), m_open(store.BeginTransaction()), m_exceptions(std::uncaught_exceptions()) {}

CImportTransaction::~CImportTransaction() {
  if (!m_open) return;
  if (std::uncaught_exceptions() > m_exceptions || !m_store.CommitTransaction()) m_store.RollbackTransaction();
}

void CImportTransaction::Rollback() {
  if (m_open) m_store.RollbackTransaction();
  m_open = false;
}

bool CImportTransaction::Commit() {
  if (!m_open) return false;
  m_open = false;
  if (m_store.CommitTransaction()) return true;
  m_store.RollbackTransaction();
  return false;
}

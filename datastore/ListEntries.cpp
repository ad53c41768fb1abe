#include "datastore/ListEntries.h"

std::unique_ptr<CDbRecord> NewListEntry(std::u16string_view category) {
  auto record = CDbRecord::CDbRecordOfType(kListEntryKind, -1);
  record->SetField(kFieldListType, category);
  record->SetField(kFieldParent, category);
  return record;
}

std::unique_ptr<CDbRecord> NewListEntry(std::u16string_view category, std::u16string_view name,
                                        std::u16string_view listId, std::u16string_view created,
                                        std::u16string_view modified) {
  auto record = NewListEntry(category);
  record->SetField(kFieldName, name);
  SetFieldUnlessEmpty(*record, kFieldListID, listId);
  record->SetField(kFieldTimeCreated, created);
  record->SetField(kFieldTimeModified, modified);
  return record;
}

void SetFieldUnlessEmpty(CDbRecord& record, int index, std::u16string_view text) {
  if (!text.empty()) record.SetField(index, text);
}

void RenameListEntry(CDbRecord& record, std::u16string_view name) {
  std::u16string_view fullName = record.FieldView(kFieldFullName);
  if (fullName.empty() || fullName == record.FieldView(kFieldName)) record.SetField(kFieldFullName, name);
  record.SetField(kFieldName, name);
}

void CopyFieldText(const CDbRecord& record, int index, CBstr& out) {
  out = CBstr(record.FieldView(index));
}

std::unique_ptr<CDbRecord> FindListChild(CItemStore& store, std::u16string_view category,
                                         std::u16string_view name) {
  std::unique_ptr<CDbRecord> child;
  if (!store.FindChildByName(name, kListEntryKind, category, child)) return nullptr;
  return child;
}

std::unique_ptr<CDbRecord> FindListEntry(CItemStore& store, std::u16string_view category,
                                         std::u16string_view name) {
  auto child = FindListChild(store, category, name);
  if (!child) return nullptr;
  return store.GetItem(*child, true);
}

std::unique_ptr<CDbRecord> GetListEntryByListID(CItemStore& store, std::u16string_view category,
                                                std::u16string_view listId) {
  return store.GetItemByListID(listId, category);
}

std::unique_ptr<CDbRecord> ReadListEntry(CItemStore& store, CDbRecord& record) {
  return store.GetItem(record, true);
}

int AddListEntry(CItemStore& store, CDbRecord& record, bool checkDuplicates) {
  return store.AddItem(nullptr, record,
                       checkDuplicates ? CItemStore::OnDuplicate::Refuse : CItemStore::OnDuplicate::Insert);
}

bool UpdateListEntry(CItemStore& store, CDbRecord& record) { return store.UpdateItem(record); }

bool UpdateListEntry(CItemStore& store, CDbRecord& record, std::u16string_view listId) {
  if (listId.empty() || record.FieldView(kFieldListID) == listId) return store.UpdateItem(record);
  // An update finds its row by the list id it is given, so it cannot change the id: the
  // row under the old id is replaced by one under the new id, both or neither.
  if (!store.BeginTransaction()) return false;
  bool done = store.DeleteItem(&record);
  CBstr oldId(record.FieldView(kFieldListID));
  if (done) {
    record.SetField(kFieldListID, listId);
    done = store.AddItem(nullptr, record, CItemStore::OnDuplicate::Insert) == 1;
  }
  if (done && store.CommitTransaction()) return true;
  store.RollbackTransaction();
  record.SetField(kFieldListID, oldId);
  return false;
}

int CountListEntries(CItemStore& store, std::u16string_view parent) {
  return store.GetChildCount(parent);
}

// ---- Walks ----------------------------------------------------------------------------------

CChildWalk::CChildWalk() = default;
CChildWalk::~CChildWalk() = default;

std::unique_ptr<CDbRecord> CChildWalk::First(CItemStore& store, std::u16string_view parent,
                                             Order order) {
  End();
  m_store = &store;
  std::unique_ptr<CDbRecord> first;
  m_cursor = store.GetFirstChild(parent, first, {.byName = order == kByName, .unordered = order == kUnordered});
  if (!m_cursor) return nullptr;
  return first;
}

std::unique_ptr<CDbRecord> CChildWalk::Next() {
  if (!m_cursor || !m_store) return nullptr;
  auto child = m_store->GetNextChild(*m_cursor);
  if (!child) m_cursor.reset();
  return child;
}

void CChildWalk::End() { m_cursor.reset(); }

CItemSelectWalk::CItemSelectWalk() = default;
CItemSelectWalk::~CItemSelectWalk() = default;

std::unique_ptr<CDbRecord> CItemSelectWalk::First(CItemStore& store, std::u16string_view type1,
                                                  std::u16string_view type2,
                                                  std::u16string_view parent1,
                                                  std::u16string_view parent2) {
  End();
  m_store = &store;
  return store.SelectFirstItem(m_select, type1, type2, parent1, parent2);
}

std::unique_ptr<CDbRecord> CItemSelectWalk::Next() {
  if (!m_store || !m_select.IsOpen()) return nullptr;
  return m_store->SelectNextItem(m_select);
}

void CItemSelectWalk::End() { m_select.Close(); }

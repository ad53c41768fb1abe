#include "datastore/ListCache.h"

CListCache::CListCache(CItemStore* store) : m_store(store) {}

CListCache::~CListCache() = default;

// ---- The name cache ---------------------------------------------------------------------------

void CListCache::FreeNames() {
  m_names.clear();
  m_names.shrink_to_fit();
  m_cacheCategory.clear();
  m_readIndex = 0;
}

void CListCache::LoadNames(std::u16string_view category, CChildWalk::Order order) {
  FreeNames();
  int expected = CountListEntries(*m_store, category);
  if (expected <= 0) return;
  m_names.reserve(static_cast<size_t>(expected));
  for (auto child = m_walk.First(*m_store, category, order); child; child = m_walk.Next())
    m_names.emplace_back(child->FieldView(kFieldName));
  if (!m_names.empty()) m_cacheCategory = category;
}

int CListCache::GetFirstName(std::u16string_view category, CChildWalk::Order order, CBstr& name) {
  if (m_names.empty() || m_cacheCategory != category) LoadNames(category, order);
  m_readIndex = 0;
  return GetNextName(name);
}

int CListCache::GetNextName(CBstr& name) {
  if (m_readIndex >= m_names.size()) return 0;
  name = m_names[m_readIndex++];
  return 1;
}

int CListCache::GetFirstRecordName(std::u16string_view category, CBstr& name) {
  auto child = m_walk.First(*m_store, category, CChildWalk::kByName);
  // Nothing reads on from here: an open cursor would hold the file's read lock for as long
  // as the list lives.
  m_walk.End();
  if (!child) return 0;
  CopyFieldText(*child, kFieldName, name);
  return 1;
}

int CListCache::AddEntry(std::u16string_view category, std::u16string_view name,
                         std::u16string_view listId, std::u16string_view created,
                         std::u16string_view modified, std::u16string_view amount,
                         bool setAmount) {
  auto record = NewListEntry(category, name, listId, created, modified);
  if (setAmount) record->SetField(kFieldSalesAmount, amount);
  int result = AddListEntry(*m_store, *record, true);
  FreeNames();
  return result;
}

// ---- Job types ----------------------------------------------------------------------------------

std::unique_ptr<CDbRecord> CListCache::FindJobType(std::u16string_view name) {
  return FindListEntry(*m_store, kJobTypesCategory, name);
}

std::unique_ptr<CDbRecord> CListCache::GetJobTypeByListID(std::u16string_view listId) {
  return GetListEntryByListID(*m_store, kJobTypesCategory, listId);
}

int CListCache::AddJobType(std::u16string_view name, std::u16string_view listId,
                           std::u16string_view created, std::u16string_view modified) {
  return AddEntry(kJobTypesCategory, name, listId, created, modified, {}, false);
}

int CListCache::UpdateEntry(CDbRecord& record, std::u16string_view name,
                            std::u16string_view created, std::u16string_view modified) {
  RenameListEntry(record, name);
  record.SetField(kFieldTimeCreated, created);
  record.SetField(kFieldTimeModified, modified);
  bool stored = UpdateListEntry(*m_store, record);
  FreeNames();
  return stored ? 1 : 0;
}

int CListCache::UpdateJobType(CDbRecord& record, std::u16string_view name,
                              std::u16string_view created, std::u16string_view modified) {
  return UpdateEntry(record, name, created, modified);
}

int CListCache::GetFirstJobTypeRecordName(CBstr& name) {
  return GetFirstRecordName(kJobTypesCategory, name);
}

void CListCache::LoadJobTypeNames() { LoadNames(kJobTypesCategory, CChildWalk::kByName); }

int CListCache::GetFirstJobTypeName(CBstr& name) {
  return GetFirstName(kJobTypesCategory, CChildWalk::kByName, name);
}

// ---- Terms --------------------------------------------------------------------------------------

std::unique_ptr<CDbRecord> CListCache::FindTerm(std::u16string_view name) {
  return FindListEntry(*m_store, kTermsCategory, name);
}

std::unique_ptr<CDbRecord> CListCache::GetTermByListID(std::u16string_view listId) {
  return GetListEntryByListID(*m_store, kTermsCategory, listId);
}

int CListCache::AddTerm(std::u16string_view name, std::u16string_view listId,
                        std::u16string_view dueDays, std::u16string_view created,
                        std::u16string_view modified) {
  return AddEntry(kTermsCategory, name, listId, created, modified, dueDays, true);
}

int CListCache::UpdateTerm(CDbRecord& record, std::u16string_view name, std::u16string_view dueDays,
                           std::u16string_view created, std::u16string_view modified) {
  record.SetField(kFieldSalesAmount, dueDays);
  return UpdateEntry(record, name, created, modified);
}

int CListCache::GetFirstTermRecordName(CBstr& name) {
  return GetFirstRecordName(kTermsCategory, name);
}

void CListCache::LoadTermNames() { LoadNames(kTermsCategory, CChildWalk::kByName); }

int CListCache::GetFirstTermName(CBstr& name) {
  return GetFirstName(kTermsCategory, CChildWalk::kByName, name);
}

int CListCache::GetTermDueDays(std::u16string_view name, CBstr& dueDays) {
  dueDays = CBstr(u"");
  auto term = FindTerm(name);
  if (!term) return 0;
  CopyFieldText(*term, kFieldSalesAmount, dueDays);
  return 1;
}

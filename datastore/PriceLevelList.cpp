#include "datastore/PriceLevelList.h"

#include "core/TextHelpers.h"
#include "platform/locale/Locale.h"

namespace {

// Equality as the program compares list names: the user's locale, case-sensitive.
bool SameName(const CBstr& a, std::u16string_view b) {
  CBstr other(b);
  return VarBstrCmp(a.get(), other.get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

}  // namespace

double PriceLevelFactorFromPercent(std::u16string_view percent) {
  return ParseNumberText(percent) * 0.01;
}

CPriceLevelList::CPriceLevelList(CItemStore* store) : m_store(store) {}

CPriceLevelList::~CPriceLevelList() = default;

void CPriceLevelList::FreeLevels() {
  m_levels.clear();
  m_levels.shrink_to_fit();
  m_readIndex = 0;
}

int CPriceLevelList::ReadRecord(std::unique_ptr<CDbRecord> row, CBstr& name, CBstr& listId,
                                CBstr& created, CBstr& modified, CBstr& editSequence,
                                CBstr& percent) {
  if (!row) return 0;
  CopyFieldText(*row, kFieldName, name);
  CopyFieldText(*row, kFieldListID, listId);
  CopyFieldText(*row, kFieldTimeCreated, created);
  CopyFieldText(*row, kFieldTimeModified, modified);
  CopyFieldText(*row, kFieldEditSequenceCopy, editSequence);
  CopyFieldText(*row, kFieldSalesAmount, percent);
  return 1;
}

int CPriceLevelList::GetFirstRecord(CBstr& name, CBstr& listId, CBstr& created, CBstr& modified,
                                    CBstr& editSequence, CBstr& percent) {
  return ReadRecord(m_select.First(*m_store, kPriceLevelsCategory, u"", kPriceLevelsCategory, u""),
                    name, listId, created, modified, editSequence, percent);
}

int CPriceLevelList::GetNextRecord(CBstr& name, CBstr& listId, CBstr& created, CBstr& modified,
                                   CBstr& editSequence, CBstr& percent) {
  return ReadRecord(m_select.Next(), name, listId, created, modified, editSequence, percent);
}

// The edit sequence goes into both of its texts: the row's column is written from the one
// and read back into both, so the copy alone would be lost on the way to the file.
static void SetEditSequence(CDbRecord& record, std::u16string_view editSequence) {
  record.SetField(kFieldEditSequenceCopy, editSequence);
  record.SetField(kFieldEditSequenceColumn, editSequence);
}

int CPriceLevelList::AddPriceLevel(std::u16string_view name, std::u16string_view listId,
                                   std::u16string_view created, std::u16string_view modified,
                                   std::u16string_view editSequence, std::u16string_view percent) {
  auto record = NewListEntry(kPriceLevelsCategory, name, listId, created, modified);
  record->SetField(kFieldSalesAmount, percent);
  SetEditSequence(*record, editSequence);
  int result = AddListEntry(*m_store, *record, true);
  FreeLevels();
  return result;
}

int CPriceLevelList::UpdatePriceLevel(CDbRecord& record, std::u16string_view name,
                                      std::u16string_view listId, std::u16string_view created,
                                      std::u16string_view modified,
                                      std::u16string_view editSequence,
                                      std::u16string_view percent) {
  RenameListEntry(record, name);
  record.SetField(kFieldSalesAmount, percent);
  record.SetField(kFieldTimeCreated, created);
  record.SetField(kFieldTimeModified, modified);
  SetEditSequence(record, editSequence);
  bool stored = UpdateListEntry(*m_store, record, listId);
  FreeLevels();
  return stored ? 1 : 0;
}

void CPriceLevelList::LoadLevels() {
  FreeLevels();
  int expected = CountListEntries(*m_store, kPriceLevelsCategory);
  if (expected <= 0) return;
  m_levels.reserve(static_cast<size_t>(expected));
  for (auto row = m_select.First(*m_store, kPriceLevelsCategory, u"", kPriceLevelsCategory, u"");
       row; row = m_select.Next()) {
    Level level;
    CopyFieldText(*row, kFieldName, level.name);
    CopyFieldText(*row, kFieldSalesAmount, level.percent);
    m_levels.push_back(std::move(level));
  }
}

int CPriceLevelList::GetFirstLevel(CBstr& name, CBstr& percent) {
  if (m_levels.empty()) LoadLevels();
  m_readIndex = 0;
  return GetNextLevel(name, percent);
}

int CPriceLevelList::GetNextLevel(CBstr& name, CBstr& percent) {
  if (m_readIndex >= m_levels.size()) return 0;
  const Level& level = m_levels[m_readIndex++];
  name = level.name;
  percent = level.percent;
  return 1;
}

double CPriceLevelList::GetLevelFactor(std::u16string_view name) {
  if (name.empty()) return 0;
  if (m_levels.empty()) LoadLevels();
  for (const Level& level : m_levels) {
    if (SameName(level.name, name)) return PriceLevelFactorFromPercent(level.percent.view());
  }
  return 0;
}

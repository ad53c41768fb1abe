#include "datastore/TaxCodeList.h"

#include <string>

#include "platform/locale/Locale.h"

namespace {

bool SameText(std::u16string_view a, std::u16string_view b) {
  CBstr left(a), right(b);
  return VarBstrCmp(left.get(), right.get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string upper(text);
  if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

}  // namespace

CBstr TaxableFlagText(std::u16string_view taxable) {
  return CBstr(SameText(UpperCase(taxable), u"TRUE") ? u"yes" : u"no");
}

CTaxCodeList::CTaxCodeList(CItemStore* store) : m_store(store) {}

CTaxCodeList::~CTaxCodeList() = default;

void CTaxCodeList::ClearCodes() {
  m_codes.clear();
  m_codes.shrink_to_fit();
  m_readIndex = 0;
}

std::unique_ptr<CDbRecord> CTaxCodeList::FindTaxCode(std::u16string_view name) {
  return FindListEntry(*m_store, kTaxCodesCategory, name);
}

std::unique_ptr<CDbRecord> CTaxCodeList::GetTaxCodeByListID(std::u16string_view listId) {
  return GetListEntryByListID(*m_store, kTaxCodesCategory, listId);
}

bool CTaxCodeList::ReadWalkEntry(std::unique_ptr<CDbRecord> child, CBstr& name,
                                 CBstr& description, CBstr& taxable) {
  if (!child) return false;
  // The walk does not read the Taxable column: without a second read every code would
  // carry the new-record default and none would ever be taxable.
  auto full = ReadListEntry(*m_store, *child);
  CopyFieldText(*child, kFieldName, name);
  CopyFieldText(*child, kFieldSalesDescription, description);
  if (full)
    CopyFieldText(*full, kFieldTaxable, taxable);
  else
    taxable = CBstr(u"");
  return true;
}

bool CTaxCodeList::GetFirstRecord(CBstr& name, CBstr& description, CBstr& taxable) {
  return ReadWalkEntry(m_walk.First(*m_store, kTaxCodesCategory, CChildWalk::kByName), name,
                       description, taxable);
}

bool CTaxCodeList::GetNextRecord(CBstr& name, CBstr& description, CBstr& taxable) {
  return ReadWalkEntry(m_walk.Next(), name, description, taxable);
}

int CTaxCodeList::AddTaxCode(std::u16string_view name, std::u16string_view description,
                             std::u16string_view listId, std::u16string_view taxable,
                             std::u16string_view created, std::u16string_view modified,
                             bool skipDuplicateCheck) {
  ClearCodes();
  auto record = NewListEntry(kTaxCodesCategory, name, listId, created, modified);
  record->SetField(kFieldSalesDescription, description);
  record->SetField(kFieldTaxable, TaxableFlagText(taxable));
  return AddListEntry(*m_store, *record, !skipDuplicateCheck);
}

int CTaxCodeList::UpdateTaxCode(CDbRecord& record, std::u16string_view name,
                                std::u16string_view description, std::u16string_view listId,
                                std::u16string_view taxable, std::u16string_view created,
                                std::u16string_view modified) {
  ClearCodes();
  RenameListEntry(record, name);
  record.SetField(kFieldSalesDescription, description);
  record.SetField(kFieldTaxable, TaxableFlagText(taxable));
  record.SetField(kFieldTimeCreated, created);
  record.SetField(kFieldTimeModified, modified);
  return UpdateListEntry(*m_store, record, listId) ? 1 : 0;
}

void CTaxCodeList::LoadCodes() {
  ClearCodes();
  Code code;
  for (bool more = GetFirstRecord(code.name, code.description, code.taxable); more;
       more = GetNextRecord(code.name, code.description, code.taxable)) {
    m_codes.push_back(std::move(code));
    code = Code{};
  }
}

int CTaxCodeList::CopyName(size_t index, CBstr& name, bool withDescription) {
  if (index >= m_codes.size()) return 0;
  const Code& code = m_codes[index];
  if (!withDescription) {
    name = code.name;
  } else {
    std::u16string text(code.name.view());
    text += u" - ";
    text += code.description.view();
    name = CBstr(text);
  }
  return 1;
}

int CTaxCodeList::GetFirstTaxCode(CBstr& name, bool withDescription) {
  if (m_codes.empty()) LoadCodes();
  m_readIndex = 0;
  // A table whose first code has no name counts as empty.
  if (m_codes.empty() || m_codes.front().name.IsEmpty()) return 0;
  return CopyName(m_readIndex++, name, withDescription);
}

int CTaxCodeList::GetNextTaxCode(CBstr& name, bool withDescription) {
  if (!CopyName(m_readIndex, name, withDescription)) return 0;
  ++m_readIndex;
  return 1;
}

bool CTaxCodeList::IsTaxable(int documentVersion, std::u16string_view code) {
  if (m_codes.empty()) LoadCodes();
  if (documentVersion >= 4) {
    for (const Code& entry : m_codes) {
      if (SameText(entry.name.view(), code))
        return SameText(entry.taxable.view(), u"true") || SameText(entry.taxable.view(), u"yes");
    }
    return false;
  }
  return UpperCase(code) == u"YES";
}

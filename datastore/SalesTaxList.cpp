#include "datastore/SalesTaxList.h"

#include "platform/locale/Locale.h"

CSalesTaxList::CSalesTaxList(CItemStore* store) : m_store(store) {}

CSalesTaxList::~CSalesTaxList() = default;

void CSalesTaxList::Clear() {
  m_taxes.clear();
  m_taxes.shrink_to_fit();
}

int CSalesTaxList::ReadRow(std::unique_ptr<CDbRecord> row, CBstr& name, CBstr& rate,
                           CBstr& vendor, CBstr& listId) {
  if (!row) return 0;
  CopyFieldText(*row, kFieldName, name);
  CopyFieldText(*row, kFieldSalesAmount, rate);
  CopyFieldText(*row, kFieldVendor, vendor);
  CopyFieldText(*row, kFieldListID, listId);
  return 1;
}

int CSalesTaxList::GetFirstSalesTax(CBstr& name, CBstr& rate, CBstr& vendor, CBstr& listId) {
  return ReadRow(m_select.First(*m_store, kSalesTaxItemType, kSalesTaxGroupType, kSalesTaxItemType,
                                kSalesTaxGroupType),
                 name, rate, vendor, listId);
}

int CSalesTaxList::GetNextSalesTax(CBstr& name, CBstr& rate, CBstr& vendor, CBstr& listId) {
  return ReadRow(m_select.Next(), name, rate, vendor, listId);
}

void CSalesTaxList::LoadSalesTaxes() {
  Clear();
  // Groups hang under their own type node: the select runs even when there is no sales
  // tax item, or a list of groups alone would never be found.
  SalesTax tax;
  for (int more = GetFirstSalesTax(tax.name, tax.rate, tax.vendor, tax.listId); more;
       more = GetNextSalesTax(tax.name, tax.rate, tax.vendor, tax.listId)) {
    m_taxes.push_back(std::move(tax));
    tax = SalesTax{};
  }
}

int CSalesTaxList::GetRateByName(std::u16string_view name, CBstr& rate) {
  if (m_taxes.empty()) LoadSalesTaxes();
  CBstr wanted(name);
  for (const SalesTax& tax : m_taxes) {
    if (VarBstrCmp(tax.name.get(), wanted.get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ) {
      rate = tax.rate;
      return 1;
    }
  }
  rate = CBstr(u"");
  return 0;
}

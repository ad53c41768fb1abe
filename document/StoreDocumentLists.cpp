#include "document/StoreDocumentLists.h"

#include "core/Utilities.h"
#include "datastore/DbRecord.h"
#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/PriceLevelList.h"
#include "datastore/SalesTaxList.h"
#include "datastore/StoreLists.h"
#include "datastore/TaxCodeList.h"

CStoreDocumentLists::CStoreDocumentLists(CTaxCodeList* taxCodes, CSalesTaxList* salesTaxes,
                                         CPriceLevelList* priceLevels, CListCache* terms, CNamedList* salesReps)
    : m_taxCodes(taxCodes), m_salesTaxes(salesTaxes), m_priceLevels(priceLevels), m_terms(terms), m_salesReps(salesReps) {}

CStoreDocumentLists::CStoreDocumentLists(CStoreLists& lists)
    : CStoreDocumentLists(&lists.TaxCodes(), &lists.SalesTaxes(), &lists.PriceLevels(), &lists.Terms(),
                          &lists.SalesReps()) {}

bool CStoreDocumentLists::IsTaxable(int documentVersion, std::u16string_view taxCode) {
  if (!m_taxCodes) return IsTaxableWithoutList(documentVersion, taxCode);
  return m_taxCodes->IsTaxable(documentVersion, taxCode);
}

double CStoreDocumentLists::GetLevelFactor(std::u16string_view levelName) {
  return m_priceLevels ? m_priceLevels->GetLevelFactor(levelName) : 0;
}

bool CStoreDocumentLists::GetSalesTaxRate(std::u16string_view taxName, CBstr& rate) {
  return m_salesTaxes && m_salesTaxes->GetRateByName(taxName, rate) == 1;
}

bool CStoreDocumentLists::GetTermDays(std::u16string_view termName, int& days) {
  CBstr dueDays;
  if (!m_terms || m_terms->GetTermDueDays(termName, dueDays) != 1) return false;
  days = BstrToInt(dueDays.view());
  return true;
}

bool CStoreDocumentLists::GetRepFullName(std::u16string_view rep, CBstr& fullName) {
  if (!m_salesReps) return false;
  std::unique_ptr<CDbRecord> entry = m_salesReps->FindByName(rep);
  if (!entry) return false;
  fullName = CBstr(entry->FieldView(kFieldSalesDescription));
  return true;
}

#include "datastore/StoreLists.h"

#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/PriceLevelList.h"
#include "datastore/SalesTaxList.h"
#include "datastore/TaxCodeList.h"

CStoreLists::CStoreLists(CItemStore* store)
    : m_taxCodes(std::make_unique<CTaxCodeList>(store)),
      m_salesTaxes(std::make_unique<CSalesTaxList>(store)),
      m_terms(std::make_unique<CListCache>(store)),
      m_vendors(std::make_unique<CVendorsList>(store)),
      m_priceLevels(std::make_unique<CPriceLevelList>(store)),
      m_customerTypes(std::make_unique<CCustomerTypesList>(store)),
      m_salesReps(std::make_unique<CSalesRepsList>(store)),
      m_jobTypes(std::make_unique<CListCache>(store)),
      m_classes(std::make_unique<CClassesList>(store)),
      m_paymentMethods(std::make_unique<CPaymentMethodsList>(store)),
      m_shippingMethods(std::make_unique<CShippingMethodsList>(store)),
      m_itemFields(std::make_unique<CListCache>(store)),
      m_customerFields(std::make_unique<CListCache>(store)) {}

CStoreLists::~CStoreLists() = default;

void CStoreLists::Unload() {
  m_taxCodes->ClearCodes();
  m_terms->FreeNames();
  m_vendors->FreeEntries();
  m_priceLevels->FreeLevels();
  m_customerTypes->FreeEntries();
  m_salesReps->FreeEntries();
  m_salesTaxes->Clear();
  m_jobTypes->FreeNames();
  m_classes->FreeEntries();
  m_itemFields->FreeFieldNames();
  m_customerFields->FreeFieldNames();
  m_paymentMethods->FreeEntries();
  m_shippingMethods->FreeEntries();
}

void CStoreLists::Reload() {
  m_taxCodes->LoadCodes();
  m_salesReps->LoadEntries();
  m_salesTaxes->LoadSalesTaxes();
  m_terms->LoadTermNames();
  m_vendors->LoadEntries();
  m_priceLevels->LoadLevels();
  m_customerTypes->LoadEntries();
  m_jobTypes->LoadJobTypeNames();
  m_classes->LoadEntries();
  m_paymentMethods->LoadEntries();
  m_shippingMethods->LoadEntries();
  m_itemFields->LoadItemFieldNames();
  m_customerFields->LoadCustomerFieldNames();
}

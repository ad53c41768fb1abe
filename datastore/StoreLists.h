// The named lists the program keeps in memory over the item store: tax codes, sales taxes,
// terms, vendors, price levels, customer types, sales reps, job types, classes, payment
// methods, shipping methods and the custom item and customer field names.
//
// One object owns all thirteen for the life of the store. Each list caches its entries for
// the pickers; when the desktop replaces list data under them (a list update, a change in
// the items list), the caller empties every cache with Unload before the writes and fills
// them again with Reload after, so no picker hands out a name from before the change.
// The store is not owned and must outlive this object.
#pragma once

#include <memory>

class CItemStore;
class CListCache;
class CNamedList;
class CPriceLevelList;
class CSalesTaxList;
class CTaxCodeList;

class CStoreLists {
 public:
  explicit CStoreLists(CItemStore* store);
  ~CStoreLists();
  CStoreLists(const CStoreLists&) = delete;
  CStoreLists& operator=(const CStoreLists&) = delete;

  // Empties every list's cache; the next read of a list goes to the store.
  void Unload();
  // Reads every list from the store into its cache again.
  void Reload();

  CTaxCodeList& TaxCodes() const { return *m_taxCodes; }
  CSalesTaxList& SalesTaxes() const { return *m_salesTaxes; }
  CListCache& Terms() const { return *m_terms; }
  CNamedList& Vendors() const { return *m_vendors; }
  CPriceLevelList& PriceLevels() const { return *m_priceLevels; }
  CNamedList& CustomerTypes() const { return *m_customerTypes; }
  CNamedList& SalesReps() const { return *m_salesReps; }
  CListCache& JobTypes() const { return *m_jobTypes; }
  CNamedList& Classes() const { return *m_classes; }
  CNamedList& PaymentMethods() const { return *m_paymentMethods; }
  CNamedList& ShippingMethods() const { return *m_shippingMethods; }
  CListCache& ItemFields() const { return *m_itemFields; }
  CListCache& CustomerFields() const { return *m_customerFields; }

 private:
  // Made in this order, the order the program's lists depend on one another.
  std::unique_ptr<CTaxCodeList> m_taxCodes;
  std::unique_ptr<CSalesTaxList> m_salesTaxes;
  std::unique_ptr<CListCache> m_terms;
  std::unique_ptr<CNamedList> m_vendors;
  std::unique_ptr<CPriceLevelList> m_priceLevels;
  std::unique_ptr<CNamedList> m_customerTypes;
  std::unique_ptr<CNamedList> m_salesReps;
  std::unique_ptr<CListCache> m_jobTypes;
  std::unique_ptr<CNamedList> m_classes;
  std::unique_ptr<CNamedList> m_paymentMethods;
  std::unique_ptr<CNamedList> m_shippingMethods;
  std::unique_ptr<CListCache> m_itemFields;
  std::unique_ptr<CListCache> m_customerFields;
};

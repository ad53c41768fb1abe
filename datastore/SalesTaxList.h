// Sales tax items and sales tax groups: a name, a rate (kept as SalesAmount), a vendor and
// a list id each. The list keeps every item and group of the database in memory for the
// rate look-ups of the totals; the editor's picker walks the rows straight from the store.
#pragma once

#include <string_view>
#include <vector>

#include "datastore/ListEntries.h"
#include "platform/base/Bstr.h"

class CSalesTaxList {
 public:
  explicit CSalesTaxList(CItemStore* store);
  virtual ~CSalesTaxList();
  CSalesTaxList(const CSalesTaxList&) = delete;
  CSalesTaxList& operator=(const CSalesTaxList&) = delete;

  // Empties the table.
  void Clear();
  // The items and groups straight from the store: 1 and the first (next) one, 0 when
  // there is none left.
  int GetFirstSalesTax(CBstr& name, CBstr& rate, CBstr& vendor, CBstr& listId);
  int GetNextSalesTax(CBstr& name, CBstr& rate, CBstr& vendor, CBstr& listId);
  void LoadSalesTaxes();
  // 1 and the rate text of the first item or group of that name (exact, case-sensitive);
  // 0 and an empty text when there is none. Loads the table when it is empty.
  int GetRateByName(std::u16string_view name, CBstr& rate);

  size_t GetCount() const { return m_taxes.size(); }

 private:
  struct SalesTax {
    CBstr name;
    CBstr rate;
    CBstr vendor;
    CBstr listId;
  };
  int ReadRow(std::unique_ptr<CDbRecord> row, CBstr& name, CBstr& rate, CBstr& vendor,
              CBstr& listId);

  CItemStore* m_store;  // not owned
  CItemSelectWalk m_select;
  std::vector<SalesTax> m_taxes;
};

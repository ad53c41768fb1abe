// Route Sales Accountability: per inventory item, what the driver took out (starting
// quantity), brought back (ending quantity), sold by that difference and invoiced on the
// saved documents, and the balance between the two.
#pragma once

#include <unordered_map>

#include "core/Decimal.h"
#include "reports/Report.h"

class CItemStore;

class CRouteAccountReport : public CReport {
 public:
  struct Entry {
    std::u16string name;
    std::u16string description;
    int out = 0;
    int in = 0;
    int sold = 0;
    CDecimal invoiced;
    CDecimal balance;
  };

  // `items` is the item list the quantities come from (not owned; may be null: no item
  // then gives quantities or descriptions).
  CRouteAccountReport(HWND parent, CItemStore* items);

  std::u16string GetXsl() override;
  bool BuildXml(HWND parent, std::u16string_view start, std::u16string_view end, std::u16string_view documentTypes,
                std::u16string_view documentId) override;
  bool Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) override;

  const std::vector<Entry>& Entries() const { return m_entries; }

 private:
  Entry& FindOrAdd(const std::u16string& name);
  void LoadOpeningEntries();
  void Accumulate(CXmlDocument& document);
  void LookUpItems();
  void WriteReport();

  CItemStore* m_items;
  std::vector<Entry> m_entries;
  std::unordered_map<std::u16string, size_t> m_index;
};

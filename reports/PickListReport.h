// Warehouse Pick List: per inventory item, the quantity ordered on the saved documents of a
// date range and a document type, or on one given document.
#pragma once

#include <unordered_map>

#include "core/Decimal.h"
#include "reports/Report.h"

class CPickListReport : public CReport {
 public:
  struct Entry {
    std::u16string name;
    CDecimal ordered;
  };

  CPickListReport(HWND parent, std::u16string_view documentId);

  std::u16string GetXsl() override;
  bool BuildXml(HWND parent, std::u16string_view start, std::u16string_view end, std::u16string_view documentTypes,
                std::u16string_view documentId) override;
  bool Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) override;
  // The header lines under the title: name, then the document or the dates and type.
  virtual void PrintHeader();

  // Entries in the order their item was first met.
  const std::vector<Entry>& Entries() const { return m_entries; }

 private:
  // The type code the Documents choice keeps (7: every type).
  int FilterCode() const;
  void Accumulate(CXmlDocument& document);
  void WriteReport();

  std::vector<Entry> m_entries;
  std::unordered_map<std::u16string, size_t> m_index;
};

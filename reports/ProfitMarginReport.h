// Profit Margin: the sales price and purchase cost of what was sold on the saved documents
// of a date range, or on one given document, with profit and margin.
#pragma once

#include "core/Decimal.h"
#include "reports/Report.h"

class CProfitMarginReport : public CReport {
 public:
  CProfitMarginReport(HWND parent, std::u16string_view documentId);

  std::u16string GetXsl() override;
  bool BuildXml(HWND parent, std::u16string_view start, std::u16string_view end, std::u16string_view documentTypes,
                std::u16string_view documentId) override;
  bool Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) override;

  double TotalSales() const { return m_sales.ToDouble(); }
  double TotalPurchase() const { return m_purchase.ToDouble(); }
  double Profit() const { return m_profit; }
  double Margin() const { return m_margin; }

 private:
  void Accumulate(CXmlDocument& document);
  void PrintHeader();

  // Sums of line amounts, each rounded to the cent as a document rounds its line amounts.
  CDecimal m_sales;
  CDecimal m_purchase;
  double m_profit = 0;
  double m_margin = 0;
};

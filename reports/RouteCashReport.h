// Route Sales And Cash: the totals of the saved documents of a date range as charge sales,
// cash sales and returns, and the money the driver accounts for.
#pragma once

#include "reports/Report.h"

class CRouteCashReport : public CReport {
 public:
  explicit CRouteCashReport(HWND parent);

  std::u16string GetXsl() override;
  bool BuildXml(HWND parent, std::u16string_view start, std::u16string_view end, std::u16string_view documentTypes,
                std::u16string_view documentId) override;
  bool Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) override;

  double ChargeSales() const { return m_charge; }
  double CashSales() const { return m_cash; }
  double Returns() const { return m_returns; }
  const std::u16string& TotalText() const { return m_total; }

 private:
  void Accumulate(CXmlDocument& document);

  double m_charge = 0;
  double m_cash = 0;
  double m_returns = 0;
  std::u16string m_total;
};

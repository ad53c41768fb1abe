#include "reports/ProfitMarginReport.h"

#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "devices/PrintEngine.h"
#include "document/LineFigures.h"
#include "document/XmlDocument.h"

namespace {
bool IsSale(std::u16string_view type) {
  return type == u"INVOICE" || type == u"SALESRECEIPT" || type == u"ESTIMATE" || type == u"SALESORDER";
}

bool IsSoldLine(std::u16string_view type) {
  return type == u"Inventory Part" || type == u"Non-inventory Part" || type == u"Other Charge" || type == u"Service";
}
}  // namespace

CProfitMarginReport::CProfitMarginReport(HWND parent, std::u16string_view documentId)
    : CReport(parent, kReportProfitMargin, u"Profit Margin", documentId) {}

bool CProfitMarginReport::BuildXml(HWND parent, std::u16string_view start, std::u16string_view end,
                                   std::u16string_view, std::u16string_view documentId) {
  m_startDate = start;
  m_endDate = end;
  m_documentId = documentId;
  m_sales = m_purchase = CDecimal();
  m_profit = m_margin = 0;
  const bool single = !m_documentId.empty();
  BeginBuild(parent, single);
  ScanDocuments({.singleFile = single, .dateFilter = true}, [this](CXmlDocument& document) { Accumulate(document); });

  // Profit and margin come from the totals as shown, so the page adds up to what it says.
  const std::u16string salesText = Money(m_sales.ToDouble());
  const std::u16string purchaseText = Money(m_purchase.ToDouble());
  const double shownSales = ParseNumberText(salesText);
  m_profit = shownSales - ParseNumberText(purchaseText);
  const std::u16string profitText = FormatNumberText(m_profit, NumberDigits::CurrencyDigits).str();
  if (shownSales != 0) m_margin = ParseNumberText(profitText) / shownSales * 100;
  const std::u16string marginText = FormatNumberText(m_margin, NumberDigits::CurrencyDigits).str() + u"%";

  EndBuild([&] {
    Begin(u"REPORT");
    Text(u"INVOICE", DocumentFileName());
    Text(u"SALESREP", m_salesRep);
    Text(u"STARTDATE", m_startDate);
    Text(u"ENDDATE", m_endDate);
    Begin(u"TOTALS");
    NamedAmount(u"TOTAL", u"TOTAL SALES PRICE", salesText);
    NamedAmount(u"TOTAL", u"TOTAL PURCHASE PRICE", purchaseText);
    NamedAmount(u"TOTAL", u"PROFIT", profitText);
    End(u"TOTALS");
    NamedAmount(u"PROFIT_MARGIN", u"PROFIT MARGIN", marginText);
    End(u"REPORT");
  });
  return true;
}

void CProfitMarginReport::Accumulate(CXmlDocument& document) {
  if (!IsSale(ReadDocType(document))) return;
  CLineItemTexts line;
  for (LONG i = 0; document.ReadLineItemAt(i, &line, i > 0); ++i) {
    if (!IsSoldLine(line.type.view())) continue;
    // A line's sale is its amount as the document works it out: the quantity times the
    // price in cents, rounded to the cent; its cost is rounded the same way.
    const CDecimal quantity = ReadLineFigure(line.quantity.view());
    m_sales += (quantity * ReadLineFigure(line.price.view()).Cents()).Cents();
    m_purchase += (quantity * ReadLineFigure(line.cost.view())).Cents();
  }
}

std::u16string CProfitMarginReport::GetXsl() {
  std::u16string xsl = XslTitleAndName();
  if (!m_documentId.empty()) {
    xsl += u"</TR><TR><TD><b>Invoice: </b><xsl:value-of select='REPORT/INVOICE' /></TD>";
  } else if (BothDatesSet() && m_startDate == m_endDate) {
    xsl += u"</TR><TR><TD><b>Invoice Date(s): </b><xsl:value-of select='REPORT/STARTDATE' /></TD>";
  } else if (BothDatesSet()) {
    xsl += u"</TR><TR><TD><b>From: </b><xsl:value-of select='REPORT/STARTDATE' /></TD>"
           u"<TD><b>To: </b><xsl:value-of select='REPORT/ENDDATE' /></TD>";
  } else {
    xsl += u"</TR><TR><TD><b>Invoice: </b>All</TD>";
  }
  xsl += u"</TR></TABLE><br/><TABLE width='100%'><xsl:for-each select='REPORT/TOTALS/TOTAL'>"
         u"<TR><TH align='left' width='70%'><xsl:value-of select='NAME' /></TH><TD width='5%'></TD>"
         u"<TD align='right'><xsl:value-of select='AMOUNT'/></TD></TR></xsl:for-each></TABLE>"
         u"<HR align='left' width='100%' /><TABLE width='100%'>"
         u"<TR><TH align='left' width='50%'><xsl:value-of select='/REPORT/PROFIT_MARGIN/NAME' /></TH>"
         u"<TD width='5%'></TD><TD align='right'><strong><xsl:value-of select='/REPORT/PROFIT_MARGIN/AMOUNT'/>"
         u"</strong></TD></TR></TABLE>";
  return WrapXsl(xsl);
}

bool CProfitMarginReport::Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) {
  if (!BeginPrint(engine, skipPageSetup, title)) return false;
  TitleLine(m_name, true);
  PrintHeader();
  TotalRows({{u"Total Sales", m_sales.ToDouble()},
             {u"Total Purchase Price", m_purchase.ToDouble()},
             {u"Total Profit", m_profit}},
            u"PROFIT MARGIN", Money(m_margin) + u"%");
  return EndPrint();
}

void CProfitMarginReport::PrintHeader() {
  SetFont(2);
  Printer()->SetTextAlignment(0);
  const float y = CurrentY() + 0.125f;
  const float afterName = LabelAndValue(u"Name: ", m_salesRep, 0, y);
  if (!m_documentId.empty()) {
    LabelAndValue(u"Invoice: ", DocumentFileName(), 0, CurrentY());
  } else if (BothDatesSet() && m_startDate == m_endDate) {
    LabelAndValue(u"Date: ", m_startDate, afterName - 0.0625f + 0.125f, y);
  } else if (BothDatesSet()) {
    const float next = CurrentY();
    const float x = LabelAndValue(u"From: ", m_startDate, 0, next);
    LabelAndValue(u" To: ", m_endDate, x, next);
  } else {
    LabelAndValue(u"Invoice: ", u"ALL", 0, CurrentY());
  }
}

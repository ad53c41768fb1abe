#include "reports/RouteCashReport.h"

#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "devices/PrintEngine.h"
#include "document/XmlDocument.h"

CRouteCashReport::CRouteCashReport(HWND parent) : CReport(parent, kReportRouteCash, u"Route Sales And Cash", u"") {}

bool CRouteCashReport::BuildXml(HWND parent, std::u16string_view start, std::u16string_view end, std::u16string_view,
                                std::u16string_view) {
  m_startDate = start;
  m_endDate = end;
  m_charge = m_cash = m_returns = 0;
  BeginBuild(parent, false);
  ScanDocuments({.dateFilter = true}, [this](CXmlDocument& document) { Accumulate(document); });
  CBstr total;
  FormatCurrencyValue((m_cash + m_charge) - m_returns, total, true);
  m_total = total.str();
  EndBuild([this] {
    Begin(u"REPORT");
    Text(u"SALESREP", m_salesRep);
    Text(u"STARTDATE", m_startDate);
    Text(u"ENDDATE", m_endDate);
    Begin(u"SALES");
    NamedAmount(u"SALE", u"CHARGE SALES", Money(m_charge));
    NamedAmount(u"SALE", u"CASH SALES", Money(m_cash));
    NamedAmount(u"SALE", u"RETURNS", Money(m_returns));
    End(u"SALES");
    NamedAmount(u"TOTAL", u"TOTAL", m_total);
    WriteNotes();
    End(u"REPORT");
  });
  return true;
}

void CRouteCashReport::Accumulate(CXmlDocument& document) {
  const std::u16string type = ReadDocType(document);
  double* sum = nullptr;
  if (type == u"INVOICE" || type == u"SALESORDER") {
    sum = &m_charge;
  } else if (type == u"SALESRECEIPT") {
    sum = &m_cash;
  } else if (type == u"CREDITMEMO") {
    sum = &m_returns;
  } else {
    return;
  }
  bool recomputed = false;
  const std::optional<double> total = document.ReadTotalFigure(&recomputed);
  CBstr text;
  document.ReadTotal(&text);
  const std::u16string damaged = u"its total \"" + text.str() + u"\" is not a number; ";
  if (!total) {
    NoteDocument(damaged + u"it is not counted.");
    return;
  }
  if (recomputed) NoteDocument(damaged + u"counted as its subtotal and tax, " + Money(*total) + u".");
  *sum += *total;
}

std::u16string CRouteCashReport::GetXsl() {
  std::u16string xsl = XslTitleAndName();
  if (BothDatesSet() && m_startDate == m_endDate) {
    xsl += u"<TD><b>Date: </b><xsl:value-of select='REPORT/STARTDATE' /></TD>";
  } else if (BothDatesSet()) {
    xsl += u"</TR><TR><TD><b>From: </b><xsl:value-of select='REPORT/STARTDATE' /></TD>"
           u"<TD><b>To: </b><xsl:value-of select='REPORT/ENDDATE' /></TD>";
  }
  xsl += u"</TR></TABLE><br/><TABLE width='100%'><xsl:for-each select='REPORT/SALES/SALE'>"
         u"<TR><TH align='left' width='50%'><xsl:value-of select='NAME' /></TH><TD width='5%'></TD>"
         u"<TD align='right'><xsl:value-of select='AMOUNT'/></TD></TR></xsl:for-each></TABLE>"
         u"<HR align='left' width='100%' /><TABLE width='100%'>"
         u"<TR><TH align='left' width='50%'><xsl:value-of select='/REPORT/TOTAL/NAME' /></TH><TD width='5%'></TD>"
         u"<TD align='right'><xsl:value-of select='/REPORT/TOTAL/AMOUNT'/></TD></TR></TABLE>";
  xsl += XslNotes();
  return WrapXsl(xsl);
}

bool CRouteCashReport::Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) {
  if (!BeginPrint(engine, skipPageSetup, title)) return false;
  TitleLine(m_name, false);
  HeaderLines();
  TotalRows({{u"Charge", m_charge}, {u"Cash", m_cash}, {u"Returns", m_returns}}, u"TOTAL", m_total);
  NoteLines();
  return EndPrint();
}

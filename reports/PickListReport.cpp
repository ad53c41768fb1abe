#include "reports/PickListReport.h"

#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "devices/PrintEngine.h"
#include "document/LineFigures.h"
#include "document/XmlDocument.h"

namespace {
constexpr int kAllTypes = 7;
const std::vector<CReportColumn> kColumns{
    {u"Item", 29, true, false},
    {u"Quantity", 19, true, true},
};

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool ChoosesAllTypes(std::u16string_view types) { return types.empty() || types == u"All Documents"; }
}  // namespace

CPickListReport::CPickListReport(HWND parent, std::u16string_view documentId)
    : CReport(parent, kReportPickList, u"Warehouse Pick List", documentId) {}

int CPickListReport::FilterCode() const {
  struct Choice {
    std::u16string_view text;
    int code;
  };
  static constexpr Choice kChoices[] = {
      {u"Estimates", 1}, {u"Sales Receipts", 2}, {u"Sales Orders", 4}, {u"Invoices", 0}};
  for (const Choice& choice : kChoices)
    if (SameIgnoringCase(m_documentTypes, choice.text)) return choice.code;
  return kAllTypes;
}

bool CPickListReport::BuildXml(HWND parent, std::u16string_view start, std::u16string_view end,
                               std::u16string_view documentTypes, std::u16string_view documentId) {
  m_startDate = start;
  m_endDate = end;
  m_documentTypes = documentTypes;
  m_documentId = documentId;
  m_entries.clear();
  m_index.clear();
  const bool single = !m_documentId.empty();
  BeginBuild(parent, single);
  // The one document given is taken whatever its date.
  ScanDocuments({.singleFile = single, .dateFilter = !single},
                [this](CXmlDocument& document) { Accumulate(document); });
  EndBuild([this] { WriteReport(); });
  return true;
}

void CPickListReport::Accumulate(CXmlDocument& document) {
  const int filter = FilterCode();
  if (!m_documentTypes.empty() && filter != kAllTypes &&
      GetDocumentTypeFromText(CBstr(ReadDocType(document))) != filter)
    return;
  CLineItemTexts line;
  for (LONG i = 0; document.ReadLineItemAt(i, &line, i > 0); ++i) {
    if (line.type.view() != u"Inventory Part") continue;
    std::u16string name = line.name.str();
    auto found = m_index.find(name);
    if (found == m_index.end()) {
      found = m_index.emplace(name, m_entries.size()).first;
      m_entries.push_back({name, {}});
    }
    m_entries[found->second].ordered += ReadLineFigure(line.quantity.view());
  }
}

void CPickListReport::WriteReport() {
  Begin(u"REPORT");
  Text(u"INVOICE", DocumentFileName());
  Text(u"SALESREP", m_salesRep);
  Text(u"STARTDATE", m_startDate);
  Text(u"ENDDATE", m_endDate);
  if (!m_documentTypes.empty()) Text(u"DOCTYPES", m_documentTypes);
  Begin(u"ITEMS");
  for (const Entry& entry : m_entries) {
    Begin(u"ITEM");
    Text(u"NAME", entry.name);
    Text(u"ORDERED", Quantity(entry.ordered));
    End(u"ITEM");
  }
  End(u"ITEMS");
  End(u"REPORT");
}

std::u16string CPickListReport::GetXsl() {
  std::u16string xsl = XslTitleAndName();
  const std::u16string_view typePart =
      u"</TR><TR><TD><b>Document Type: </b><xsl:value-of select='REPORT/DOCTYPES' /></TD></TR>";
  if (!m_documentId.empty()) {
    xsl += u"</TR><TR><TD><b>Document: </b><xsl:value-of select='REPORT/INVOICE' /></TD></TR>";
  } else if (BothDatesSet() && m_startDate == m_endDate) {
    xsl += u"</TR><TR><TD><b>Document Date(s): </b><xsl:value-of select='REPORT/STARTDATE' /></TD>";
    xsl += typePart;
  } else if (BothDatesSet()) {
    xsl += u"</TR><TR><TD><b>From: </b><xsl:value-of select='REPORT/STARTDATE' /></TD>"
           u"<TD><b>To: </b><xsl:value-of select='REPORT/ENDDATE' /></TD>";
    xsl += typePart;
  } else {
    xsl += u"</TR><TR><TD><b>Document Date(s): </b>All Dates</TD>";
    xsl += typePart;
  }
  xsl += u"</TABLE><br/><TABLE width='100%'><TR><TH align='left' width='50%'><U>Item</U></TH>"
         u"<TH align='right'><U>Quantity</U></TH></TR>"
         u"<xsl:for-each select='REPORT/ITEMS/ITEM'><TR><TD align='left'><xsl:value-of select='NAME' /></TD>"
         u"<TD align='right'><xsl:value-of select='ORDERED' /></TD></TR></xsl:for-each></TABLE>";
  return WrapXsl(xsl);
}

bool CPickListReport::Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) {
  if (!BeginPrint(engine, skipPageSetup, title)) return false;
  TitleLine(m_name, false);
  PrintHeader();
  ColumnHeadings(kColumns);
  std::vector<std::vector<std::u16string>> rows;
  for (const Entry& entry : m_entries) rows.push_back({entry.name, Quantity(entry.ordered)});
  ColumnRows(kColumns, rows);
  return EndPrint();
}

void CPickListReport::PrintHeader() {
  SetFont(2);
  Printer()->SetTextAlignment(0);
  LabelAndValue(u"Name: ", m_salesRep, 0, CurrentY() + 0.125f);
  if (!m_documentId.empty()) {
    LabelAndValue(u"Document: ", DocumentFileName(), 0, CurrentY());
  } else if (!BothDatesSet()) {
    // A type filter applies whatever the dates, so the printout names it as the page does.
    const std::u16string types = ChoosesAllTypes(m_documentTypes) ? u" All Types" : m_documentTypes;
    LabelAndValue(u"Document Dates: ", u"All Dates", 0, CurrentY());
    LabelAndValue(u"Document Types: ", types, 0, CurrentY());
  } else if (m_startDate == m_endDate) {
    LabelAndValue(u"Document Date: ", m_startDate, 0, CurrentY());
    LabelAndValue(u"Document Type: ", m_documentTypes, 0, CurrentY());
  } else {
    const float y = CurrentY();
    const float x = LabelAndValue(u"From: ", m_startDate, 0, y);
    LabelAndValue(u" To: ", m_endDate, x, y);
    LabelAndValue(u"Document Type: ", m_documentTypes, 0, CurrentY());
  }
}

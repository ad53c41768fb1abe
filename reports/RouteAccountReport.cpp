#include "reports/RouteAccountReport.h"

#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "datastore/SqlDatabase.h"
#include "devices/PrintEngine.h"
#include "document/LineFigures.h"
#include "document/XmlDocument.h"

namespace {
const std::vector<CReportColumn> kColumns{
    {u"Item", 29, true, false},  {u"Out", 10, true, true},      {u"In", 10, true, true},
    {u"Sold", 12, true, true},   {u"Invoiced", 20, true, true}, {u"Balance", 19, true, true},
};

bool IsCounted(std::u16string_view type) {
  return type == u"INVOICE" || type == u"SALESRECEIPT" || type == u"CREDITMEMO" || type == u"SALESORDER";
}

// The list types an entry's item is looked up among.
constexpr std::u16string_view kLookUpTypes[] = {u"Service",      u"Inventory Part",   u"Non-inventory Part",
                                                u"Other Charge", u"SubTotal",         u"Discount Payment",
                                                u"Sales Tax Item"};
}  // namespace

CRouteAccountReport::CRouteAccountReport(HWND parent, CItemStore* items)
    : CReport(parent, kReportRouteAccount, u"Route Sales Accountability", u""), m_items(items) {}

CRouteAccountReport::Entry& CRouteAccountReport::FindOrAdd(const std::u16string& name) {
  auto found = m_index.find(name);
  if (found == m_index.end()) {
    found = m_index.emplace(name, m_entries.size()).first;
    m_entries.push_back({});
    m_entries.back().name = name;
  }
  return m_entries[found->second];
}

bool CRouteAccountReport::BuildXml(HWND parent, std::u16string_view start, std::u16string_view end,
                                   std::u16string_view, std::u16string_view) {
  m_startDate = start;
  m_endDate = end;
  m_entries.clear();
  m_index.clear();
  BeginBuild(parent, false);
  LoadOpeningEntries();
  // Every saved document counts: what left the truck is matched against all of them.
  ScanDocuments({}, [this](CXmlDocument& document) { Accumulate(document); });
  LookUpItems();
  StepProgress();
  for (Entry& entry : m_entries) {
    entry.sold = entry.out - entry.in;
    entry.balance = CDecimal(entry.sold, 0) - entry.invoiced;
  }
  EndBuild([this] { WriteReport(); });
  return true;
}

void CRouteAccountReport::LoadOpeningEntries() {
  if (!m_items) return;
  CItemSelect select;
  for (auto item = m_items->SelectFirstItem(select, u"Inventory Part"); item; item = m_items->SelectNextItem(select)) {
    const int out = item->GetQuantity(kStartingQuantity);
    if (out == 0) continue;
    const BSTR name = item->GetField(kFieldName);
    FindOrAdd(name ? std::u16string(name) : std::u16string()).out = out;
  }
}

void CRouteAccountReport::Accumulate(CXmlDocument& document) {
  const std::u16string type = ReadDocType(document);
  if (!IsCounted(type)) return;
  const bool returned = type == u"CREDITMEMO";
  CLineItemTexts line;
  for (LONG i = 0; document.ReadLineItemAt(i, &line, i > 0); ++i) {
    if (line.type.view() != u"Inventory Part") continue;
    Entry& entry = FindOrAdd(line.name.str());
    if (returned) continue;
    // A quantity that is no number cannot be counted as any number of items.
    if (!line.quantity.IsEmpty() && !IsNumberText(line.quantity.view())) {
      NoteDocument(u"the quantity \"" + line.quantity.str() + u"\" of " + line.name.str() +
                   u" is not a number; it is not counted.");
      continue;
    }
    entry.invoiced += ReadLineFigure(line.quantity.view());
  }
}

void CRouteAccountReport::LookUpItems() {
  if (!m_items) return;
  for (Entry& entry : m_entries) {
    auto item = m_items->FindItemLike(u"Name", entry.name, kLookUpTypes, false);
    if (!item) continue;
    const BSTR description = item->GetField(kFieldSalesDescription);
    entry.description = description ? description : u"";
    entry.in = item->GetQuantity(kEndingQuantity);
  }
}

void CRouteAccountReport::WriteReport() {
  Begin(u"REPORT");
  Text(u"SALESREP", m_salesRep);
  Text(u"STARTDATE", m_startDate);
  Text(u"ENDDATE", m_endDate);
  Begin(u"ITEMS");
  for (const Entry& entry : m_entries) {
    Begin(u"ITEM");
    Text(u"NAME", entry.name);
    Text(u"DESCRIPTION", entry.description);
    Text(u"OUT", Quantity(entry.out));
    Text(u"IN", Quantity(entry.in));
    Text(u"SOLD", Quantity(entry.sold));
    Text(u"INVOICED", Quantity(entry.invoiced));
    Text(u"BALANCE", Quantity(entry.balance));
    End(u"ITEM");
  }
  End(u"ITEMS");
  WriteNotes();
  End(u"REPORT");
}

std::u16string CRouteAccountReport::GetXsl() {
  std::u16string xsl = XslTitleAndName();
  xsl += u"<TD><b>Date: </b><xsl:value-of select='REPORT/STARTDATE' /></TD></TR></TABLE><br/>"
         u"<TABLE><TR><TH>Item</TH><TH>Out</TH><TH>In</TH><TH>Sold</TH><TH>Invoiced</TH><TH>Balance</TH></TR>"
         u"<xsl:for-each select='REPORT/ITEMS/ITEM'><TR><TD><xsl:value-of select='NAME' /></TD>"
         u"<TD><xsl:value-of select='OUT' /></TD><TD><xsl:value-of select='IN' /></TD>"
         u"<TD><xsl:value-of select='SOLD' /></TD><TD><xsl:value-of select='INVOICED' /></TD>"
         u"<TD><xsl:value-of select='BALANCE' /></TD></TR></xsl:for-each></TABLE>";
  xsl += XslNotes();
  return WrapXsl(xsl);
}

bool CRouteAccountReport::Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) {
  if (!BeginPrint(engine, skipPageSetup, title)) return false;
  TitleLine(m_name, false);
  HeaderLines();
  ColumnHeadings(kColumns);
  std::vector<std::vector<std::u16string>> rows;
  for (const Entry& entry : m_entries) {
    rows.push_back({entry.name, Quantity(entry.out), Quantity(entry.in), Quantity(entry.out - entry.in),
                    Quantity(entry.invoiced), Quantity(entry.balance)});
  }
  ColumnRows(kColumns, rows);
  NoteLines();
  return EndPrint();
}

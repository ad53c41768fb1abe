// The four reports built over one Documents folder: rows and totals against figures worked
// out by hand, the date range and its edges, document types, one given document, and a
// document that cannot be read.
#include "ReportTestSupport.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "platform/testing/MessageBoxScript.h"
#include "reports/PickListReport.h"
#include "reports/ProfitMarginReport.h"
#include "reports/RouteAccountReport.h"
#include "reports/RouteCashReport.h"

namespace {

using report_test::ReportTest;

std::u16string Xml(CReport& report) {
  CBstr xml;
  report.GetReportDocument().GetDataDocument()->get_xml(&xml);
  return xml.str();
}

// Whether the report's XML holds `part`; the whole XML is shown when not.
::testing::AssertionResult Holds(CReport& report, const std::u16string& part) {
  if (Xml(report).find(part) != std::u16string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << platform::ToUtf8(Xml(report));
}

using Picks = std::vector<std::pair<std::u16string, double>>;

Picks Picked(const CPickListReport& report) {
  Picks rows;
  for (const auto& e : report.Entries()) rows.emplace_back(e.name, e.ordered.ToDouble());
  return rows;
}

TEST_F(ReportTest, PickListAddsInventoryLinesPerItemByTypeAndRange) {
  WriteFixture();
  CPickListReport report(nullptr, u"");
  ASSERT_TRUE(report.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"All Documents", u""));
  EXPECT_EQ(Picked(report), (Picks{{u"Widget", 8.5}, {u"Gadget", 4}})) << "the service line adds nothing";
  EXPECT_TRUE(Holds(report, u"<DOCTYPES>All Documents</DOCTYPES><ITEMS><ITEM><NAME>Widget</NAME><ORDERED>8.5</ORDERED>"));

  report.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"Estimates", u"");
  EXPECT_EQ(Picked(report), (Picks{{u"Gadget", 4}}));
  report.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"sales receipts", u"");
  EXPECT_EQ(Picked(report), (Picks{{u"Widget", 2.5}})) << "the choice is matched without regard to case";
  report.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"Sales Orders", u"");
  EXPECT_TRUE(report.Entries().empty());

  report.BuildXml(nullptr, u"", u"", u"", u"");
  EXPECT_EQ(Picked(report), (Picks{{u"Widget", 8.5}, {u"Gadget", 7}, {u"Bolt", 2}}))
      << "no dates: every document; memorized and deleted ones are not in the folder";
  EXPECT_EQ(Xml(report).find(u"DOCTYPES"), std::u16string::npos);

  report.BuildXml(nullptr, u"", u"", u"", u"D6.QVN");
  EXPECT_EQ(Picked(report), (Picks{{u"Gadget", 3}}));
  EXPECT_TRUE(Holds(report, u"<INVOICE>D6.QVN</INVOICE>"));
}

TEST_F(ReportTest, ProfitMarginComesFromTheShownTotals) {
  WriteFixture();
  CProfitMarginReport report(nullptr, u"");
  ASSERT_TRUE(report.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"", u""));
  // Sales 50 + 30 + 20 + 50.
  EXPECT_TRUE(Holds(report, u"<TOTAL><NAME>TOTAL SALES PRICE</NAME><AMOUNT>150.00</AMOUNT></TOTAL>"
                            u"<TOTAL><NAME>TOTAL PURCHASE PRICE</NAME><AMOUNT>70.50</AMOUNT></TOTAL>"
                            u"<TOTAL><NAME>PROFIT</NAME><AMOUNT>79.50</AMOUNT></TOTAL></TOTALS>"
                            u"<PROFIT_MARGIN><NAME>PROFIT MARGIN</NAME><AMOUNT>53.00%</AMOUNT>"));

  report.BuildXml(nullptr, u"1/1/2026", u"1/31/2026", u"", u"");
  EXPECT_TRUE(Holds(report, u"<AMOUNT>0.00</AMOUNT></TOTAL></TOTALS><PROFIT_MARGIN><NAME>PROFIT MARGIN</NAME>"
                            u"<AMOUNT>0.00%</AMOUNT>"))
      << "nothing sold: zeros and no division";

  report.BuildXml(nullptr, u"", u"", u"", u"D2.QVN");
  EXPECT_DOUBLE_EQ(report.TotalSales(), 20);
  EXPECT_DOUBLE_EQ(report.Profit(), 7.5);
}

TEST_F(ReportTest, RouteCashSumsTotalsByTypeWithinTheRangeBothEndsIncluded) {
  WriteFixture();
  CRouteCashReport report(nullptr);
  ASSERT_TRUE(report.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"", u""));
  EXPECT_DOUBLE_EQ(report.ChargeSales(), 100);
  EXPECT_DOUBLE_EQ(report.CashSales(), 40);
  EXPECT_DOUBLE_EQ(report.Returns(), 15);
  EXPECT_TRUE(Holds(report, u"<SALE><NAME>CHARGE SALES</NAME><AMOUNT>100.00</AMOUNT></SALE>"
                            u"<SALE><NAME>CASH SALES</NAME><AMOUNT>40.00</AMOUNT></SALE>"
                            u"<SALE><NAME>RETURNS</NAME><AMOUNT>15.00</AMOUNT></SALE></SALES>"
                            u"<TOTAL><NAME>TOTAL</NAME><AMOUNT>$125.00</AMOUNT></TOTAL>"));

  report.BuildXml(nullptr, u"3/2/2026", u"3/2/2026", u"", u"");
  EXPECT_EQ(report.TotalText(), u"$25.00") << "one day: its sales receipt less its credit memo";
  report.BuildXml(nullptr, u"2/28/2026", u"3/1/2026", u"", u"");
  EXPECT_DOUBLE_EQ(report.ChargeSales(), 130) << "the sales order on the first day and the invoice on the last";
  report.BuildXml(nullptr, u"3/1/2026", u"", u"", u"");
  EXPECT_EQ(report.TotalText(), u"$155.00") << "one date alone filters nothing";
}

TEST_F(ReportTest, RouteAccountabilityMatchesLoadedStockAgainstEverySavedDocument) {
  WriteFixture();
  CRouteAccountReport report(nullptr, items);
  ASSERT_TRUE(report.BuildXml(nullptr, u"3/10/2026", u"3/10/2026", u"", u""));
  ASSERT_EQ(report.Entries().size(), 3u);
  struct Row {
    std::u16string name;
    int out, in, sold;
    double invoiced, balance;
  };
  std::vector<Row> rows;
  for (const auto& e : report.Entries())
    rows.push_back({e.name, e.out, e.in, e.sold, e.invoiced.ToDouble(), e.balance.ToDouble()});
  // Loaded items first in store order, then items met on documents; the credit memo adds
  // nothing, the estimate and payment are ignored.
  const Row widget{u"Widget", 10, 3, 7, 7.5, -0.5}, bolt{u"Bolt", 5, 5, 0, 2, -2}, gadget{u"Gadget", 0, 2, -2, 3, -5};
  for (const Row& want : {widget, bolt, gadget}) {
    auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == want.name; });
    ASSERT_NE(it, rows.end()) << platform::ToUtf8(want.name);
    EXPECT_EQ(std::tie(it->out, it->in, it->sold, it->invoiced, it->balance),
              std::tie(want.out, want.in, want.sold, want.invoiced, want.balance))
        << platform::ToUtf8(want.name);
  }
  EXPECT_EQ(rows.back().name, u"Gadget");
  EXPECT_TRUE(Holds(report, u"<NAME>Widget</NAME><DESCRIPTION>Blue widget</DESCRIPTION><OUT>10</OUT><IN>3</IN>"
                            u"<SOLD>7</SOLD><INVOICED>7.5</INVOICED><BALANCE>(0.5)</BALANCE>"));
}

// A quantity counts as the document reads it and shows as it shows its total quantity; a
// line's sale is its amount, to the cent.
TEST_F(ReportTest, QuantitiesCountAsTheDocumentReadsThem) {
  struct Row {
    const char16_t* locale;
    const char *quantity, *price;
    double counted;
    std::u16string shown;
    double sales;
  } const rows[] = {
      {u"en-US", "2.5", "3.33", 2.5, u"2.5", 8.33},  // 8.325, half away from zero
      {u"en-US", "(1)", "3.33", -1, u"(1)", -3.33},
      {u"en-US", "1,000", "3.33", 1000, u"1,000", 3330},
      {u"de-DE", "2,5", "3,33", 2.5, u"2,5", 8.33},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.quantity);
    UseLocale(row.locale);
    WriteDocument("Q.QVN", "INVOICE", "3/1/2026", "", {{"Inventory Part", "Widget", row.quantity, row.price, "0"}});
    auto document = Make();
    ASSERT_TRUE(document->GetXmlDocument().LoadFile(folder + u"Q.QVN", nullptr));
    document->RecalcTotals();
    EXPECT_EQ(document->GetTotalQuantityText().str(), row.shown);
    CPickListReport pick(nullptr, u"");
    ASSERT_TRUE(pick.BuildXml(nullptr, u"", u"", u"", u""));
    ASSERT_EQ(pick.Entries().size(), 1u);
    EXPECT_EQ(pick.Entries()[0].ordered.ToDouble(), row.counted);
    EXPECT_TRUE(Holds(pick, u"<ORDERED>" + row.shown + u"</ORDERED>"));
    CRouteAccountReport route(nullptr, items);
    ASSERT_TRUE(route.BuildXml(nullptr, u"", u"", u"", u""));
    ASSERT_EQ(route.Entries().size(), 1u);
    EXPECT_EQ(route.Entries()[0].invoiced.ToDouble(), row.counted);
    CProfitMarginReport margin(nullptr, u"");
    ASSERT_TRUE(margin.BuildXml(nullptr, u"", u"", u"", u""));
    EXPECT_DOUBLE_EQ(margin.TotalSales(), row.sales);
  }
}

TEST_F(ReportTest, AmountsThatAreNoNumbersAreWorkedOutAgainOrLeftOutWithAWord) {
  const auto document = [&](const char* file, const char* type, const char* quantity, const char* subtotal,
                            const char* total) {
    WriteFile(folder + platform::ToUtf16(file),
              std::string("<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"") + type +
                  "\" DATE=\"3/1/2026\"><LINEITEM><TYPE>Inventory Part</TYPE><NAME>Widget</NAME><QUANTITY>" +
                  quantity + "</QUANTITY></LINEITEM><TOTALS><SUBTOTAL>" + subtotal + "</SUBTOTAL><TAX>1.60</TAX><TOTAL>" +
                  total + "</TOTAL></TOTALS></SALESDOCUMENT>");
  };
  document("N1.QVN", "INVOICE", "2", "20.00", "abc");
  document("N2.QVN", "SALESRECEIPT", "abc", "", "NaN");
  document("N3.QVN", "INVOICE", "1e400", "x", "1e400");
  CRouteCashReport cash(nullptr);
  ASSERT_TRUE(cash.BuildXml(nullptr, u"", u"", u"", u""));
  EXPECT_DOUBLE_EQ(cash.ChargeSales(), 21.60) << "N1 from its subtotal and tax; N3 not counted";
  EXPECT_DOUBLE_EQ(cash.CashSales(), 0);
  EXPECT_TRUE(Holds(cash, u"<NOTES><NOTE>N1.QVN: its total \"abc\" is not a number; counted as its subtotal and "
                          u"tax, 21.60.</NOTE><NOTE>N2.QVN: its total \"NaN\" is not a number; it is not counted."
                          u"</NOTE><NOTE>N3.QVN: its total \"1e400\" is not a number; it is not counted.</NOTE></NOTES>"));

  CRouteAccountReport route(nullptr, items);
  ASSERT_TRUE(route.BuildXml(nullptr, u"", u"", u"", u""));
  ASSERT_EQ(route.Entries().size(), 1u);
  EXPECT_EQ(route.Entries()[0].invoiced, CDecimal(2, 0));
  EXPECT_TRUE(Holds(route, u"<NOTE>N2.QVN: the quantity \"abc\" of Widget is not a number; it is not counted.</NOTE>"
                           u"<NOTE>N3.QVN: the quantity \"1e400\" of Widget is not a number; it is not counted."));
}

TEST_F(ReportTest, AnUnreadableDocumentIsSkippedWithItsMessage) {
  WriteFixture();
  WriteFile(folder + u"BROKEN.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT DOCTYPE=\"INVOICE\"><unclosed>");
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"Failed to load '" + folder + u"BROKEN.QVN'.  This file may be corrupt.").Caption(u"Slateway");
  CRouteCashReport report(nullptr);
  ASSERT_TRUE(report.BuildXml(nullptr, u"", u"", u"", u""));
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(report.TotalText(), u"$155.00");
}

TEST_F(ReportTest, AnEmptyFolderGivesZerosAndNoItems) {
  CRouteCashReport cash(nullptr);
  ASSERT_TRUE(cash.BuildXml(nullptr, u"", u"", u"", u""));
  EXPECT_EQ(cash.TotalText(), u"$0.00");
  CPickListReport pick(nullptr, u"");
  ASSERT_TRUE(pick.BuildXml(nullptr, u"", u"", u"", u""));
  EXPECT_TRUE(Holds(pick, u"<ITEMS/>"));
}

}  // namespace

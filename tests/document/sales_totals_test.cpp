// Line items, totals and tax of a sales document.
//   SalesTotals.*      the table of line kinds and tax modes with hand-worked figures,
//                      decimal rounding of lines and sums, the tax-inclusive switch
//   SalesTotalTexts.*  the exact texts written into the lines, TOTALS and the page
//   SalesLineEdits.*   add, insert, update, delete, clear quantities, keys, the current
//                      line, the add-item sound and the print rows
#include <cmath>
#include <random>

#include "core/CustomSettings.h"
#include "core/Decimal.h"
#include "core/Preferences.h"
#include "datastore/CustomerRecord.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "platform/user/Sound.h"
#include "SalesDocumentFixture.h"

namespace {

using sales_test::SalesDocumentTest;
using SalesTotals = SalesDocumentTest;
using SalesTotalTexts = SalesDocumentTest;
using SalesLineEdits = SalesDocumentTest;

struct LineSpec {
  const char16_t* type;
  const char16_t* quantity;
  const char16_t* price;
  const char16_t* taxCode;
};

struct TotalsCase {
  const char* name;
  std::vector<LineSpec> lines;
  double subtotal;
  double tax;
  double total;
  const char16_t* rate = u"10%";
  bool useSalesTax = true;
};

void AddLines(CSalesDocument& doc, const std::vector<LineSpec>& lines) {
  for (const LineSpec& l : lines) {
    auto record = SalesDocumentTest::Line(l.type, l.quantity, l.price, l.taxCode);
    ASSERT_TRUE(doc.AddLineItem(*record, true, false, 0));
  }
}

std::u16string Money(double v) {
  CBstr text;
  FormatCurrencyValue(v, text, true);
  return text.str();
}

// Every figure below is worked out by hand at a rate of 10 %: "Tax" lines are taxable,
// "Non" lines are not.
const TotalsCase kCases[] = {
    {"no lines", {}, 0, 0, 0},
    {"line amounts round before they are summed",
     {{u"Service", u"1", u"0.125", u"Non"}, {u"Service", u"1", u"0.125", u"Non"}}, 0.26, 0, 0.26},
    {"tax is the rounded sum of unrounded line taxes",
     {{u"Service", u"1", u"0.05", u"Tax"}, {u"Service", u"1", u"0.05", u"Tax"}, {u"Service", u"1", u"0.05", u"Tax"}},
     0.15, 0.02, 0.17},
    {"taxable and untaxed items", {{u"Inventory Part", u"2", u"50", u"Tax"}, {u"Service", u"3", u"10", u"Non"}}, 130, 10,
     140},
    {"negative quantity", {{u"Service", u"-2", u"10", u"Tax"}, {u"Service", u"3", u"10", u"Tax"}}, 10, 1, 11},
    {"negative price", {{u"Service", u"1", u"-40", u"Tax"}, {u"Service", u"1", u"100", u"Tax"}}, 60, 6, 66},
    {"fractional quantities", {{u"Service", u"2.5", u"1.10", u"Non"}, {u"Service", u"0.333", u"3", u"Non"}}, 3.75, 0,
     3.75},
    {"zero quantity adds nothing", {{u"Service", u"0", u"10", u"Tax"}, {u"Service", u"1", u"5", u"Tax"}}, 5, 0.5, 5.5},
    {"payment is always negative", {{u"Service", u"1", u"100", u"Non"}, {u"Payment", u"", u"25", u"Non"}}, 75, 0, 75},
    {"payment already negative", {{u"Service", u"1", u"100", u"Non"}, {u"Payment", u"", u"-25", u"Non"}}, 75, 0, 75},
    {"payment bears no tax", {{u"Service", u"1", u"100", u"Tax"}, {u"Payment", u"", u"25", u"Tax"}}, 75, 10, 85},
    {"percentage discount under an item", {{u"Service", u"2", u"50", u"Non"}, {u"Discount", u"", u"10%", u"Non"}}, 90,
     0, 90},
    {"taxable percentage discount of a taxable item lowers the tax",
     {{u"Service", u"2", u"50", u"Tax"}, {u"Discount", u"", u"10%", u"Tax"}}, 90, 9, 99},
    {"untaxed discount of a taxable item keeps the tax",
     {{u"Service", u"2", u"50", u"Tax"}, {u"Discount", u"", u"10%", u"Non"}}, 90, 10, 100},
    {"percentage discount after a subtotal takes the subtotal",
     {{u"Service", u"1", u"30", u"Non"}, {u"Service", u"1", u"70", u"Non"}, {u"Subtotal", u"", u"", u""},
      {u"Discount", u"", u"10%", u"Non"}},
     90, 0, 90},
    {"percentage discount as the first line is zero", {{u"Discount", u"", u"10%", u"Non"}, {u"Service", u"1", u"20", u"Non"}},
     20, 0, 20},
    {"two percentage discounts take the same base",
     {{u"Service", u"2", u"50", u"Non"}, {u"Discount", u"", u"10%", u"Non"}, {u"Discount", u"", u"5%", u"Non"}}, 85, 0,
     85},
    {"percentage discount passes over a sales tax item to its base",
     {{u"Service", u"1", u"200", u"Non"}, {u"Sales Tax Item", u"", u"8%", u"Non"}, {u"Discount", u"", u"10%", u"Non"}},
     180, 0, 180},
    {"percentage sales tax item adds nothing", {{u"Service", u"1", u"100", u"Non"}, {u"Sales Tax Item", u"", u"8%", u"Non"}},
     100, 0, 100},
    {"percentage sales tax group adds nothing",
     {{u"Service", u"1", u"100", u"Non"}, {u"Sales Tax Group", u"", u"8%", u"Non"}}, 100, 0, 100},
    {"fixed sales tax item adds its amount", {{u"Service", u"1", u"100", u"Non"}, {u"Sales Tax Item", u"", u"7.50", u"Non"}},
     107.5, 0, 107.5},
    {"fixed sales tax group adds its amount",
     {{u"Service", u"1", u"100", u"Non"}, {u"Sales Tax Group", u"", u"3", u"Non"}}, 103, 0, 103},
    {"fixed discount is negative and lowers the tax after a subtotal is running",
     {{u"Service", u"1", u"100", u"Tax"}, {u"Discount", u"", u"5", u"Tax"}}, 95, 9.5, 104.5},
    {"fixed discount as the first line has no tax effect",
     {{u"Discount", u"", u"5", u"Tax"}, {u"Service", u"1", u"100", u"Tax"}}, 95, 10, 105},
    {"fixed discount with thousands separator", {{u"Service", u"1", u"5000", u"Non"}, {u"Discount", u"", u"1,000.00", u"Non"}},
     4000, 0, 4000},
    {"label lines are ignored", {{u"QVNLABEL", u"", u"", u""}, {u"Service", u"1", u"12", u"Tax"}}, 12, 1.2, 13.2},
    {"subtotal line changes no sum",
     {{u"Service", u"1", u"10", u"Tax"}, {u"Subtotal", u"", u"", u""}, {u"Service", u"1", u"10", u"Tax"}}, 20, 2, 22},
    {"price zero", {{u"Service", u"3", u"0", u"Tax"}}, 0, 0, 0},
    {"sales tax switched off", {{u"Service", u"2", u"50", u"Tax"}, {u"Discount", u"", u"5", u"Tax"}}, 95, 0, 95, u"10%",
     false},
    {"no tax rate", {{u"Service", u"2", u"50", u"Tax"}}, 100, 0, 100, u"0%"},
    {"fractional rate", {{u"Service", u"1", u"19.99", u"Tax"}, {u"Service", u"1", u"5.01", u"Tax"}}, 25, 2.06, 27.06,
     u"8.25%"},
};

TEST_F(SalesTotals, EveryLineKindAndTaxModeGivesTheHandWorkedFigures) {
  for (const TotalsCase& c : kCases) {
    SCOPED_TRACE(c.name);
    auto doc = NewDocument(kDocInvoice, c.rate);
    if (!c.useSalesTax) doc->SetUseSalesTax(false);
    AddLines(*doc, c.lines);
    doc->RecalcTotals();
    EXPECT_EQ(doc->GetSubtotalText().str(), Money(c.subtotal));
    EXPECT_EQ(doc->GetTaxText().str(), Money(c.tax));
    EXPECT_EQ(doc->GetTotalText().str(), Money(c.total));
    CBstr subtotal, tax, total, quantity;
    ASSERT_TRUE(doc->GetXmlDocument().ReadTotals(&subtotal, &tax, &total, &quantity));
    EXPECT_EQ(total.str(), Money(c.total)) << "TOTALS block";
    EXPECT_TRUE(doc->IsModified());
  }
}

TEST_F(SalesTotalTexts, FiguresAreWrittenInTheLinesAndTheTotals) {
  auto doc = NewDocument();
  AddLines(*doc, {{u"Service", u"2", u"50", u"Tax"}, {u"Discount", u"", u"10%", u"Tax"}, {u"Subtotal", u"", u"", u""},
                  {u"Payment", u"", u"25", u"Non"}, {u"Payment", u"", u"-5", u"Non"}, {u"Service", u"4", u"0", u"Tax"},
                  {u"Service", u"1.5", u"2", u"Non"}});
  doc->RecalcTotals();
  CLineItemTexts item = LineAt(*doc, 0);
  EXPECT_EQ(item.price.str(), u"50.00");
  EXPECT_EQ(item.total.str(), u"100.00T");
  CLineItemTexts discount = LineAt(*doc, 1);
  EXPECT_EQ(discount.price.str(), u"-10%");
  EXPECT_EQ(discount.quantity.str(), u"");
  EXPECT_DOUBLE_EQ(ParseNumberText(discount.total.view()), -10);
  CLineItemTexts subtotal = LineAt(*doc, 2);
  EXPECT_EQ(subtotal.total.str(), u"90.00");
  EXPECT_EQ(subtotal.quantity.str(), u" ");
  EXPECT_EQ(subtotal.price.str(), u" ");
  CLineItemTexts payment = LineAt(*doc, 3);
  EXPECT_EQ(payment.price.str(), u"-25");
  EXPECT_DOUBLE_EQ(ParseNumberText(payment.total.view()), -25);
  EXPECT_EQ(LineAt(*doc, 4).price.str(), u"-5") << "a negative payment keeps its text";
  CLineItemTexts free = LineAt(*doc, 5);
  EXPECT_EQ(free.total.str(), u"0") << "price 0: the price text as read, without T";
  EXPECT_EQ(free.price.str(), u"0.00");
  EXPECT_EQ(LineAt(*doc, 6).total.str(), u"3.00");

  EXPECT_EQ(doc->GetSubtotalText().str(), u"$63.00");
  EXPECT_EQ(doc->GetTaxText().str(), u"$9.00");
  EXPECT_EQ(doc->GetTotalText().str(), u"$72.00");
  EXPECT_EQ(doc->GetTotalQuantityText().str(), u"7.5");
  CBstr s, t, total, q;
  doc->GetXmlDocument().ReadTotals(&s, &t, &total, &q);
  EXPECT_EQ(s.str(), u"$63.00");
  EXPECT_EQ(q.str(), u"7.5");
}

// Prices typed as the locale prints them come back as the amounts they were; the totals
// are printed in the locale's money format (a symbol of several letters and narrow
// no-break blanks between the thousands included) and read back as the figures summed.
TEST_F(SalesTotalTexts, TotalsReadBackWhatTheyPrintInEachLocale) {
  struct Case {
    const char16_t* locale;
    const char16_t* tax;
    const char16_t* total;
  } cases[] = {{u"de-DE", u"2.469,10 \u20AC", u"-2.817,79 \u20AC"},
               {u"fr-FR", u"2\u202F469,10 \u20AC", u"-2\u202F817,79 \u20AC"},
               {u"ja-JP", u"\uFFE52,469.10", u"-\uFFE52,817.79"},
               {u"en-GB", u"\u00A32,469.10", u"-\u00A32,817.79"},
               {u"de-CH", u"CHF 2\u2019469.10", u"CHF-2\u2019817.79"}};
  auto printed = [](double v) { return FormatNumberText(v, NumberDigits::TwoDigits).str(); };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.locale));
    UseLocale(c.locale);
    auto doc = NewDocument(kDocInvoice, u"10%");
    const std::u16string price = printed(12345.5), other = printed(7.37), payment = printed(-30000);
    AddLines(*doc, {{u"Service", u"2", price.c_str(), u"Tax"},
                    {u"Service", u"3", other.c_str(), u"Non"},
                    {u"Payment", u"", payment.c_str(), u"Non"}});
    doc->RecalcTotals();
    EXPECT_DOUBLE_EQ(ParseNumberText(LineAt(*doc, 0).price.view()), 12345.5);
    EXPECT_DOUBLE_EQ(ParseNumberText(LineAt(*doc, 1).total.view()), 22.11);
    EXPECT_EQ(doc->GetTaxText().str(), c.tax);
    EXPECT_EQ(doc->GetTotalText().str(), c.total);
    CBstr s, t, total, q;
    ASSERT_TRUE(doc->GetXmlDocument().ReadTotals(&s, &t, &total, &q));
    EXPECT_NEAR(ParseNumberText(s.view()), -5286.89, 1e-9);
    EXPECT_NEAR(ParseNumberText(t.view()), 2469.10, 1e-9);
    EXPECT_NEAR(ParseNumberText(total.view()), -2817.79, 1e-9);
  }
}

TEST_F(SalesTotalTexts, BracketedAmountsStayNegativeThroughRepeatedRecalculations) {
  struct Case {
    const char16_t* locale;
    const char16_t* payment;
    const char16_t* discount;
    const char16_t* salesTax;
    const char16_t* item;
  } cases[] = {{u"en-US", u"(30.00)", u"(5.00)", u"(2.50)", u"100"},
               {u"de-DE", u"(30,00)", u"(5,00)", u"(2,50)", u"100"},
               // A file that an earlier version left with a doubled sign.
               {u"en-US", u"-(30.00)", u"-(5.00)", u"(2.50)", u"100"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.locale) + " " + platform::ToUtf8(c.payment));
    UseLocale(c.locale);
    auto doc = NewDocument(kDocInvoice, u"0%");
    AddLines(*doc, {{u"Service", u"1", c.item, u"Non"}, {u"Payment", u"", c.payment, u"Non"},
                    {u"Discount", u"", c.discount, u"Non"}, {u"Sales Tax Item", u"", c.salesTax, u"Non"}});
    for (int pass = 0; pass < 2; ++pass) {
      doc->RecalcTotals();
      EXPECT_EQ(doc->GetTotalText().str(), Money(100 - 30 - 5 - 2.5)) << "pass " << pass;
      for (LONG i = 1; i <= 3; ++i) {
        const std::u16string price = LineAt(*doc, i).price.str();
        EXPECT_EQ(price.find(u"-("), std::u16string::npos) << platform::ToUtf8(price);
        EXPECT_LT(ParseNumberText(price), 0) << platform::ToUtf8(price);
      }
    }
  }
}

TEST_F(SalesTotalTexts, ADocumentWithoutLinesWritesZeroTotals) {
  auto doc = NewDocument();
  doc->RecalcTotals();
  CBstr s, t, total, q;
  ASSERT_TRUE(doc->GetXmlDocument().ReadTotals(&s, &t, &total, &q));
  EXPECT_EQ(s.str(), u"$0.00");
  EXPECT_EQ(t.str(), u"$0.00");
  EXPECT_EQ(total.str(), u"$0.00");
  EXPECT_EQ(q.str(), u"0");
}

TEST_F(SalesTotalTexts, FiguresBeyondAnyAmountCountAsNoneAndTheTotalsStayWritten) {
  auto doc = NewDocument();
  AddLines(*doc, {{u"Service", u"1e308", u"1e308", u"Tax"}, {u"Service", u"2", u"1e-400", u"Non"},
                  {u"Service", u"1", u"5", u"Non"}});
  doc->RecalcTotals();
  EXPECT_EQ(LineAt(*doc, 0).price.str(), u"0.00");
  EXPECT_EQ(LineAt(*doc, 0).quantity.str(), u"0") << "the line shows what it counts";
  EXPECT_EQ(LineAt(*doc, 1).price.str(), u"0.00") << "a vanishing price is no negative dollar";
  EXPECT_EQ(LineAt(*doc, 1).quantity.str(), u"2");
  CBstr s, t, total, q;
  ASSERT_TRUE(doc->GetXmlDocument().ReadTotals(&s, &t, &total, &q));
  EXPECT_EQ(s.str(), u"$5.00");
  EXPECT_EQ(t.str(), u"$0.00");
  EXPECT_EQ(total.str(), u"$5.00");
}

TEST_F(SalesTotalTexts, ThePageShowsLineTotalsAndTheLineTaxInItsOwnCell) {
  sales_test::PageLog page;
  ViewInto(&page);
  auto doc = NewDocument();
  ASSERT_NE(doc->GetView(), nullptr);
  doc->GetCustomSettings().SetFlag(0, kRowLineTotalOnScreen, 1);
  auto record = Line(u"Service", u"2", u"50", u"Tax");
  doc->AddLineItem(*record, true, false, 1);
  EXPECT_EQ(page.Last(u"AJIDLT1"), u"100.00T") << "the total stays shown";
  EXPECT_EQ(page.Last(u"AJIDX1"), u"10.00");
  EXPECT_EQ(LineAt(*doc, 0).taxAmount.str(), u"10.00");
  EXPECT_EQ(page.Last(u"AJIDSubtotal"), u"$100.00");
  EXPECT_EQ(page.Last(u"AJIDTaxes"), u"$10.00");
  EXPECT_EQ(page.Last(u"AJIDTotal"), u"$110.00");
  EXPECT_EQ(page.Last(u"AJIDTotalQty"), u"2");
}

// What a document holds, as the page and the file show it.
struct Shown {
  std::vector<std::u16string> prices, totals;
  std::u16string subtotal, tax, total;
  bool operator==(const Shown&) const = default;
};

Shown ShownOf(CSalesDocument& doc) {
  Shown shown{{}, {}, doc.GetSubtotalText().str(), doc.GetTaxText().str(), doc.GetTotalText().str()};
  CLineItemTexts line;
  for (LONG i = 0; doc.GetXmlDocument().ReadLineItemAt(i, &line); ++i) {
    shown.prices.push_back(line.price.str());
    shown.totals.push_back(line.total.str());
  }
  return shown;
}

std::u16string XmlOf(CSalesDocument& doc) {
  CBstr xml;
  doc.GetXmlDocument().GetDataDocument()->get_xml(&xml);
  return xml.str();
}

// The subtotal is the sum of the figures the lines show (all but subtotal lines).
CDecimal SumOfShownLines(CSalesDocument& doc) {
  CDecimal sum;
  CLineItemTexts line;
  for (LONG i = 0; doc.GetXmlDocument().ReadLineItemAt(i, &line); ++i)
    if (line.type.view() != u"Subtotal") sum += CDecimal::FromDouble(ParseNumberText(line.total.view()));
  return sum;
}

// Each case has a figure that a binary product rounds the other way (2.5 x 0.57 is
// 1.4249999... in binary) or a half cent below zero.
TEST_F(SalesTotals, LinesAndSubtotalRoundTheDecimalAlike) {
  struct Case {
    const char* name;
    std::vector<LineSpec> lines;
    std::vector<const char16_t*> totals;
    const char16_t* subtotal;
  } cases[] = {
      {"binary below the half cent", {{u"Service", u"2.5", u"0.57", u"Non"}}, {u"1.43"}, u"$1.43"},
      {"price of three decimals is worked as shown", {{u"Service", u"7", u"0.145", u"Non"}}, {u"1.05"}, u"$1.05"},
      {"negative half cent rounds away from zero", {{u"Service", u"-2.5", u"0.57", u"Non"}}, {u"(1.43)"}, u"($1.43)"},
      {"payment of a half cent", {{u"Service", u"1", u"1", u"Non"}, {u"Payment", u"", u"0.125", u"Non"}},
       {u"1.00", u"(0.13)"}, u"$0.87"},
      {"fixed discount of a half cent", {{u"Service", u"1", u"1", u"Non"}, {u"Discount", u"", u"0.125", u"Non"}},
       {u"1.00", u"(0.13)"}, u"$0.87"},
      {"percentage discount of a half cent", {{u"Service", u"1", u"0.25", u"Non"}, {u"Discount", u"", u"10%", u"Non"}},
       {u"0.25", u"(0.03)"}, u"$0.22"},
      {"percentage of a non-whole quantity",
       {{u"Service", u"2.5", u"0.57", u"Non"}, {u"Subtotal", u"", u"", u""}, {u"Discount", u"", u"10%", u"Non"}},
       {u"1.43", u"1.43", u"(0.14)"}, u"$1.29"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = NewDocument();
    AddLines(*doc, c.lines);
    doc->RecalcTotals();
    for (size_t i = 0; i < c.totals.size(); ++i) EXPECT_EQ(LineAt(*doc, static_cast<LONG>(i)).total.str(), c.totals[i]);
    EXPECT_EQ(doc->GetSubtotalText().str(), c.subtotal);
    const std::u16string xml = XmlOf(*doc);
    auto record = Line(u"Service", u"0", u"1");
    doc->AddLineItem(*record, true, false, 1);
    doc->DeleteLineItem(CBstr(record->FieldView(kLineFieldKey)), nullptr, false);
    EXPECT_EQ(doc->GetSubtotalText().str(), c.subtotal) << "an unrelated edit changes nothing";
    doc->RecalcTotals();
    EXPECT_EQ(XmlOf(*doc), xml);
  }
}

TEST_F(SalesTotals, RandomLinesAddUpToTheSubtotalAndStayPut) {
  std::mt19937 random(20261210);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto decimal = [&](int units, int scale) { return platform::ToUtf16(CDecimal(units, scale).PlainText()); };
  for (int round = 0; round < 200; ++round) {
    auto doc = NewDocument(kDocInvoice, round % 2 ? u"8.25%" : u"7%");
    std::vector<std::u16string> texts;
    const int count = 1 + pick(6);
    for (int i = 0; i < count; ++i) {
      const std::u16string quantity = decimal(pick(2000) - 200, pick(3));
      const std::u16string price = decimal(pick(100000), 2 + pick(2));
      const bool discount = pick(8) == 0;
      auto record = discount ? Line(u"Discount", u"", pick(2) ? u"12.5%" : u"0.35", u"Tax")
                             : Line(u"Service", quantity, price, pick(2) ? u"Tax" : u"Non");
      doc->AddLineItem(*record, true, false, 1);
    }
    SCOPED_TRACE(platform::ToUtf8(XmlOf(*doc)));
    CBstr sum;
    FormatCurrencyValue(SumOfShownLines(*doc).ToDouble(), sum, true);
    EXPECT_EQ(doc->GetSubtotalText().str(), sum.str());
    const std::u16string xml = XmlOf(*doc);
    doc->RecalcTotals();
    EXPECT_EQ(XmlOf(*doc), xml) << "a recalculation with no change";
  }
}

CDecimal FigureOf(std::u16string text) {
  if (!text.empty() && text.back() == u'T') text.pop_back();
  return CDecimal::FromDouble(ParseNumberText(text));
}

// Switched on, every line is its quantity times its price, the lines add up to the total and
// the tax is what the taxed ones hold; switched off, the document is the one it was.
TEST_F(SalesTotals, RandomTaxInclusiveDocumentsMultiplyOutAndComeBack) {
  std::mt19937 random(20261211);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto decimal = [&](int units, int scale) { return platform::ToUtf16(CDecimal(units, scale).PlainText()); };
  for (int round = 0; round < 300; ++round) {
    const int rateUnits = pick(25001);  // thousandths of a percent
    auto doc = NewDocument(kDocInvoice, decimal(rateUnits, 3) + u"%");
    for (int i = 0, count = 1 + pick(6); i < count; ++i)
      doc->AddLineItem(*Line(u"Service", decimal(pick(4000) - 400, pick(4)), decimal(1 + pick(1000000), 2),
                             pick(3) ? u"Tax" : u"Non"),
                       true, false, 1);
    doc->SetBoolAttribute(u"AMTINCTAX", false);
    const std::u16string off = XmlOf(*doc);
    doc->SetBoolAttribute(u"AMTINCTAX", true);
    doc->RecalcTotals(CSalesDocument::PriceSwitch::NowIncludeTax);
    SCOPED_TRACE(platform::ToUtf8(XmlOf(*doc)));
    CDecimal lines, taxed;
    CLineItemTexts line;
    for (LONG i = 0; doc->GetXmlDocument().ReadLineItemAt(i, &line); ++i) {
      const CDecimal amount = FigureOf(line.total.str());
      EXPECT_EQ(amount, (FigureOf(line.quantity.str()) * FigureOf(line.price.str())).Cents()) << "line " << i;
      lines += amount;
      if (line.taxable.view() == u"Tax") taxed += amount;
    }
    const CDecimal tax = FigureOf(doc->GetTaxText().str());
    EXPECT_EQ(FigureOf(doc->GetTotalText().str()), lines);
    EXPECT_EQ(FigureOf(doc->GetSubtotalText().str()) + tax, lines);
    const double rate = rateUnits / 100000.0;
    EXPECT_NEAR(tax.ToDouble(), taxed.ToDouble() * rate / (1 + rate), 0.005 + 1e-9);
    const std::u16string on = XmlOf(*doc);
    doc->RecalcTotals();
    EXPECT_EQ(XmlOf(*doc), on) << "a second pass";
    doc->SetBoolAttribute(u"AMTINCTAX", false);
    doc->RecalcTotals(CSalesDocument::PriceSwitch::NowExcludeTax);
    EXPECT_EQ(XmlOf(*doc), off) << "the round trip";
  }
}

// 3 x 3.27 and 2.25 x 29.69 taxable, 0.5 x 7.50 not, worked by hand: switched on, a taxable
// price becomes price x (1 + rate) to the cent and the total moves by that rounding.
TEST_F(SalesTotals, TheTaxInclusiveSwitchMultipliesOutAndComesBackToThePrices) {
  const std::pair<const char16_t*, Shown> cases[] = {
      {u"0%", {{u"3.27", u"29.69"}, {u"9.81T", u"66.80T"}, u"$80.36", u"$0.00", u"$80.36"}},
      {u"2.5%", {{u"3.35", u"30.43"}, {u"10.05T", u"68.47T"}, u"$80.35", u"$1.92", u"$82.27"}},
      {u"8.875%", {{u"3.56", u"32.32"}, {u"10.68T", u"72.72T"}, u"$80.35", u"$6.80", u"$87.15"}},
      {u"10%", {{u"3.60", u"32.66"}, {u"10.80T", u"73.49T"}, u"$80.38", u"$7.66", u"$88.04"}},
      {u"19%", {{u"3.89", u"35.33"}, {u"11.67T", u"79.49T"}, u"$80.36", u"$14.55", u"$94.91"}},
  };
  for (auto [rate, on] : cases) {
    SCOPED_TRACE(platform::ToUtf8(rate));
    auto doc = NewDocument(kDocInvoice, rate);
    AddLines(*doc, {{u"Service", u"3", u"3.27", u"Tax"},
                    {u"Service", u"2.25", u"29.69", u"Tax"},
                    {u"Service", u"0.5", u"7.50", u"Non"}});
    doc->RecalcTotals();
    const Shown without = ShownOf(*doc);
    on.prices.push_back(u"7.50");  // an untaxed price holds no tax
    on.totals.push_back(u"3.75");
    for (int trip = 0; trip < 2; ++trip) {
      doc->SetBoolAttribute(u"AMTINCTAX", true);
      doc->RecalcTotals(CSalesDocument::PriceSwitch::NowIncludeTax);
      EXPECT_EQ(ShownOf(*doc), on) << "trip " << trip;
      doc->SetBoolAttribute(u"AMTINCTAX", false);
      doc->RecalcTotals(CSalesDocument::PriceSwitch::NowExcludeTax);
      EXPECT_EQ(ShownOf(*doc), without) << "round trip " << trip;
    }
  }
  // A percentage takes the shown price, a fixed taxable discount is a price, a payment bears no tax.
  auto doc = NewDocument(kDocInvoice, u"10%");
  AddLines(*doc, {{u"Service", u"2", u"50", u"Tax"},
                  {u"Discount", u"", u"10%", u"Tax"},
                  {u"Subtotal", u"", u"", u""},
                  {u"Discount", u"", u"5", u"Tax"},
                  {u"Payment", u"", u"20", u"Non"}});
  doc->SetBoolAttribute(u"AMTINCTAX", true);
  doc->RecalcTotals(CSalesDocument::PriceSwitch::NowIncludeTax);
  const Shown on = ShownOf(*doc);
  EXPECT_EQ(on.totals, (std::vector<std::u16string>{u"110.00T", u"(11.00)", u"99.00", u"(5.50)", u"(20.00)"}));
  EXPECT_EQ(on.subtotal + u" " + on.tax + u" " + on.total, u"$65.00 $8.50 $73.50");
  doc->SetBoolAttribute(u"AMTINCTAX", false);
  doc->RecalcTotals(CSalesDocument::PriceSwitch::NowExcludeTax);
  EXPECT_EQ(ParseNumberText(LineAt(*doc, 3).price.view()), -5);
  EXPECT_EQ(doc->GetTotalText().str(), u"$73.50");
  // A price typed while prices include tax is the price (11.06 was shown before).
  doc = NewDocument(kDocInvoice, u"10%");
  doc->GetCustomSettings().SetFlag(0, kRowLineTotalOnScreen, 1);
  doc->SetBoolAttribute(u"AMTINCTAX", true);
  AddLines(*doc, {{u"Service", u"1", u"11.05", u"Tax"}, {u"Service", u"1", u"5.50", u"Non"}});
  doc->RecalcTotals();
  EXPECT_EQ(ShownOf(*doc), (Shown{{u"11.05", u"5.50"}, {u"11.05T", u"5.50"}, u"$15.55", u"$1.00", u"$16.55"}));
  EXPECT_EQ(LineAt(*doc, 0).taxAmount.str(), u"1.00");
}

TEST_F(SalesTotals, TheTaxSwitchTurnsThePriceOfALineWithoutAmount) {
  auto doc = NewDocument();
  doc->GetCustomSettings().SetFlag(0, kRowLineTotalOnScreen, 0);
  doc->SetBoolAttribute(u"AMTINCTAX", true);
  auto zeroQuantity = Line(u"Service", u"0", u"10", u"Tax");
  zeroQuantity->SetField(kLineFieldTaxAmount, u"1.00");
  auto zeroPrice = Line(u"Service", u"3", u"0", u"Tax");
  zeroPrice->SetField(kLineFieldTaxAmount, u"1.00");
  doc->AddLineItem(*zeroQuantity, true, false, 1);
  doc->AddLineItem(*zeroPrice, true, false, 1);
  doc->RecalcTotals(CSalesDocument::PriceSwitch::NowExcludeTax);
  EXPECT_EQ(LineAt(*doc, 0).price.str(), u"9.09") << "turned by the rate, as any other price";
  EXPECT_EQ(LineAt(*doc, 1).price.str(), u"0.00");
  EXPECT_EQ(doc->GetTotalText().str(), u"$0.00");
}

TEST_F(SalesTotals, OlderDocumentsTakeTheTaxAnswerFromTheLine) {
  auto doc = NewDocument();
  doc->SetVersion(3);
  AddLines(*doc, {{u"Service", u"1", u"100", u"yes"}, {u"Service", u"1", u"100", u"Tax"}});
  doc->RecalcTotals();
  EXPECT_EQ(doc->GetTaxText().str(), u"$10.00");
}

TEST_F(SalesTotals, CustomerTaxAndTaxChangesRecalculate) {
  lists.salesTaxes[u"County"] = u"5%";
  auto doc = NewDocument();
  auto record = Line(u"Service", u"1", u"200", u"Tax");
  doc->AddLineItem(*record, true, false, 1);
  EXPECT_EQ(doc->GetTaxText().str(), u"$20.00");
  doc->GetCustomer()->SetField(kCustItemSalesTax, u"County");
  doc->ApplyCustomerTax();
  EXPECT_EQ(doc->GetTaxText().str(), u"$10.00");
  CBstr name, rate, vendor;
  doc->GetTax(name, rate, vendor);
  EXPECT_EQ(name.str(), u"County");
  EXPECT_EQ(rate.str(), u"5%");
  doc->SetTakeCustomerTax(false);
  doc->SetTax(CBstr(u"State"), CBstr(u"10%"), CBstr(u""), true);
  doc->ApplyCustomerTax();
  EXPECT_EQ(doc->GetTaxText().str(), u"$20.00") << "the customer's tax is not taken";
}

// ---- Line edits ----------------------------------------------------------------------------------

TEST_F(SalesLineEdits, NewLinesGetFreeKeysAndGoBeforeTheCurrentLine) {
  auto doc = NewDocument();
  for (const char16_t* name : {u"A", u"B", u"C"}) {
    auto record = Line(u"Service", u"1", u"1");
    record->SetField(kLineFieldName, name);
    ASSERT_TRUE(doc->AddLineItem(*record, false, false, 1));
  }
  EXPECT_EQ(LineAt(*doc, 2).key.str(), u"3");
  doc->SetCurrentLineKey(CBstr(u"2"));
  auto inserted = Line(u"Service", u"1", u"1");
  inserted->SetField(kLineFieldName, u"X");
  inserted->SetField(kLineFieldKey, u"1");  // taken: a fresh key is chosen
  ASSERT_TRUE(doc->InsertLineItem(*inserted));
  EXPECT_EQ(inserted->FieldView(kLineFieldKey), u"4");
  EXPECT_EQ(LineAt(*doc, 1).name.str(), u"X");
  EXPECT_EQ(LineAt(*doc, 2).name.str(), u"B");
  auto atEnd = Line(u"Service", u"1", u"1");
  atEnd->SetField(kLineFieldKey, u"77");
  ASSERT_TRUE(doc->AddLineItem(*atEnd, true, false, 1));
  EXPECT_EQ(LineAt(*doc, 4).key.str(), u"77") << "a free key of its own is kept";
  EXPECT_EQ(doc->GetTotalText().str(), u"$5.00");
}

TEST_F(SalesLineEdits, ThePriceLevelIsAppliedToNewLinesOnly) {
  lists.levels[u"Wholesale"] = -0.1;
  auto doc = NewDocument();
  auto record = Line(u"Service", u"2", u"50");
  record->SetField(kLineFieldPriceLevel, u"Wholesale");
  doc->AddLineItem(*record, true, false, 1);
  EXPECT_EQ(LineAt(*doc, 0).price.str(), u"45.00");
  EXPECT_EQ(doc->GetSubtotalText().str(), u"$90.00");
  // Put back after a delete (as an undo does): the price already carries the level.
  auto removed = doc->DeleteLineItem(CBstr(u"1"), nullptr, false, true);
  ASSERT_NE(removed, nullptr);
  doc->AddLineItem(*removed, true, false, 1);
  EXPECT_EQ(LineAt(*doc, 0).price.str(), u"45.00");
  EXPECT_EQ(doc->GetSubtotalText().str(), u"$90.00");
}

TEST_F(SalesLineEdits, DeleteGivesTheNextKeyAndKeepsTheCurrentRecordAsAsked) {
  auto doc = NewDocument();
  for (int i = 0; i < 3; ++i) {
    auto record = Line(u"Service", u"1", u"10");
    doc->AddLineItem(*record, true, false, 1);
  }
  ASSERT_TRUE(doc->SelectLineItem(CBstr(u"1")));
  CBstr next;
  auto removed = doc->DeleteLineItem(CBstr(u"2"), &next, false, true);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(next.str(), u"3");
  EXPECT_EQ(removed->FieldView(kLineFieldKey), u"2");
  ASSERT_NE(doc->GetCurrentLineItem(), nullptr) << "not asked: the current record stays";
  EXPECT_EQ(doc->GetCurrentLineItem()->FieldView(kLineFieldKey), u"1");
  EXPECT_EQ(doc->GetTotalText().str(), u"$20.00");

  removed = doc->DeleteLineItem(CBstr(u"1"), &next, true, true);
  ASSERT_NE(doc->GetCurrentLineItem(), nullptr);
  EXPECT_EQ(doc->GetCurrentLineItem()->FieldView(kLineFieldKey), u"1");
  EXPECT_TRUE(doc->GetCurrentLineKey().IsNull()) << "the deleted line was current";
  auto copy = doc->CopyCurrentLineItem();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->FieldView(kLineFieldPrice), u"10.00");

  EXPECT_EQ(doc->DeleteLineItem(CBstr(u"9"), &next, true, true), nullptr);
  EXPECT_EQ(doc->GetTotalText().str(), u"$10.00");
  doc->DeleteLineItem(CBstr(u"3"), &next, false);
  EXPECT_EQ(doc->GetCurrentLineItem(), nullptr) << "three-argument form: nothing kept";
  EXPECT_EQ(next.str(), u"");
  EXPECT_EQ(doc->GetTotalText().str(), u"$0.00");
}

TEST_F(SalesLineEdits, UpdateRewritesAKnownLineAndClearQuantitiesZeroesAll) {
  auto doc = NewDocument();
  auto record = Line(u"Service", u"1", u"10");
  doc->AddLineItem(*record, true, false, 1);
  auto changed = doc->ReadLineItem(CBstr(u"1"));
  ASSERT_NE(changed, nullptr);
  changed->SetField(kLineFieldQuantity, u"3");
  EXPECT_TRUE(doc->UpdateLineItem(*changed));
  EXPECT_EQ(doc->GetTotalText().str(), u"$30.00");
  changed->SetField(kLineFieldKey, u"42");
  EXPECT_FALSE(doc->UpdateLineItem(*changed));
  EXPECT_EQ(doc->ReadLineItem(CBstr(u"42")), nullptr);
  doc->ClearLineQuantities();
  EXPECT_EQ(LineAt(*doc, 0).quantity.str(), u"0");
  EXPECT_EQ(doc->GetTotalText().str(), u"$0.00");
}

TEST_F(SalesLineEdits, SetAllLinesTaxCodeWritesEveryLine) {
  auto doc = NewDocument();
  for (int i = 0; i < 3; ++i) {
    auto record = Line(u"Service", u"1", u"10", u"Non");
    doc->AddLineItem(*record, true, false, 1);
  }
  doc->SetAllLinesTaxCode(CBstr(u"Tax"));
  doc->RecalcTotals();
  for (LONG i = 0; i < 3; ++i) EXPECT_EQ(LineAt(*doc, i).taxable.str(), u"Tax");
  EXPECT_EQ(doc->GetTaxText().str(), u"$3.00");
}

TEST_F(SalesLineEdits, TheAddItemSoundPlaysWhenAskedButNotForCreditMemos) {
  platform::ClearSoundLog();
  auto invoice = NewDocument(kDocInvoice);
  auto record = Line(u"Service", u"1", u"1");
  invoice->AddLineItem(*record, true, true, 1);
  auto silent = Line(u"Service", u"1", u"1");
  invoice->AddLineItem(*silent, true, false, 1);
  auto memo = NewDocument(kDocCreditMemo);
  auto memoLine = Line(u"Service", u"1", u"1");
  memo->AddLineItem(*memoLine, true, true, 1);
  auto log = platform::SoundLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sound, u"ADDITEMSOUNDNAME2");
  EXPECT_TRUE(log[0].flags & SND_ASYNC);
  EXPECT_EQ(log[0].flags & SND_RESOURCE, SND_RESOURCE);
  EXPECT_TRUE(log[0].result) << "the language library holds the sound";

  CPreferences().SetDword(u"PlaySounds", 0);  // Play Sounds: No on Options' Other page
  auto quiet = NewDocument(kDocInvoice);
  auto quietLine = Line(u"Service", u"1", u"1");
  quiet->AddLineItem(*quietLine, true, true, 1);
  EXPECT_EQ(platform::SoundLog().size(), 1u);
}

TEST_F(SalesLineEdits, LineRowsFollowTheStyle) {
  auto doc = NewDocument();
  auto record = Line(u"Service", u"2", u"5");
  record->SetField(kLineFieldName, u"Labour");
  record->SetField(6, u"Two hours");
  doc->AddLineItem(*record, true, false, 1);
  doc->SetStyle(0);
  CBstr type, quantity;
  auto row = doc->GetFirstLineRow(2, &type, &quantity);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::u16string(row->GetColumn(0)), u"Labour - Two hours");
  EXPECT_EQ(std::u16string(row->GetColumn(1)), u"2");
  EXPECT_EQ(std::u16string(row->GetColumn(3)), u"10.00");
  EXPECT_EQ(std::u16string(row->GetKey()), u"1");
  EXPECT_EQ(type.str(), u"Service");
  EXPECT_EQ(doc->GetNextLineRow(2, &type, &quantity), nullptr);
  doc->SetStyle(3);
  row = doc->GetFirstLineRow(0, &type, &quantity);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::u16string(row->GetColumn(0)), u"Two hours");
  EXPECT_EQ(std::u16string(row->GetColumn(1)), u"10.00");
}

}  // namespace

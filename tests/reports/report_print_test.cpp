// Reports printed through the graphic engine: the PDF of each report holds its title,
// header and figures; a long name is shortened to its column; continuous paper set up for
// the job is closed and the progress window goes with the job.
#include <algorithm>
#include <cstdio>

#include "ReportTestSupport.h"
#include "devices/PrintEngine.h"
#include "platform/printing/PrintEngines.h"
#include "platform/testing/MessageBoxScript.h"
#include "reports/PickListReport.h"
#include "reports/ProfitMarginReport.h"
#include "reports/RouteAccountReport.h"
#include "reports/RouteCashReport.h"

namespace {

using platform::printing::PrintOp;
using platform::printing::RecordedOps;

// The share of dark pixels on page 1 of a job's PDF, rendered as a reader sees it, from the
// page's top left to (`right`, `bottom`) in the engine's inches; -1 when nothing renders.
double DarkShare(const std::string& pdf, float pageWidth, float right, float bottom) {
  constexpr int kDpi = 50;
  std::string bytes;
  if (FILE* pipe = popen(("pdftoppm -gray -r 50 -f 1 -l 1 '" + pdf + "'").c_str(), "r")) {
    char buffer[65536];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) bytes.append(buffer, n);
    pclose(pipe);
  }
  int width = 0, height = 0, maximum = 0, header = 0;
  if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &width, &height, &maximum, &header) != 3 ||
      bytes.size() < static_cast<size_t>(header + 1) + static_cast<size_t>(width) * height)
    return -1;
  const float margin = (static_cast<float>(width) / kDpi - pageWidth) / 2;  // the paper's, beyond the engine's page
  auto pixel = [&](float inches, int limit) { return std::clamp(static_cast<int>((inches + margin) * kDpi), 0, limit); };
  const unsigned char* pixels = reinterpret_cast<const unsigned char*>(bytes.data()) + header + 1;
  long dark = 0, all = 0;
  for (int y = pixel(0, height); y < pixel(bottom, height); ++y)
    for (int x = pixel(0, width); x < pixel(right, width); ++x, ++all)
      dark += pixels[static_cast<size_t>(y) * width + x] < 128;
  return all ? static_cast<double>(dark) / all : -1;
}

class ReportPrint : public report_test::ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    platform::printing::ResetConditions();
    platform::printing::ClearRecordedOps();
    CPreferences().SetDword(u"PrintNumCopies", 0);  // one copy, the first of Printer Settings' copies list
    WriteFixture();
  }
  void TearDown() override {
    platform::printing::ResetConditions();
    platform::printing::ClearRecordedOps();
    ReportTest::TearDown();
  }
  // The text of the job's PDF.
  std::string PrintedText(CReport& report) {
    CPrintEngine engine(nullptr);
    EXPECT_TRUE(report.Print(&engine, false, u"Printing Report"));
    EXPECT_EQ(engine.GetProgressWindow(), nullptr) << "the job's progress window closes with it";
    const std::u16string file = platform::printing::LastOutputFile();
    if (file.empty()) return {};
    std::string text;
    if (FILE* pipe = popen(("pdftotext -layout '" + Linux(file).string() + "' -").c_str(), "r")) {
      char buffer[4096];
      while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
      pclose(pipe);
    }
    return text;
  }
  static void ExpectAll(const std::string& text, std::initializer_list<const char*> parts) {
    for (const char* part : parts) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
};

TEST_F(ReportPrint, EachReportPrintsItsTitleHeaderAndFigures) {
  CPickListReport pick(nullptr, u"");
  pick.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"Estimates", u"");
  ExpectAll(PrintedText(pick), {"Warehouse Pick List", "Name: Pat Route", "From: 3/1/2026", "To: 3/3/2026",
                                "Document Type: Estimates", "Item", "Quantity", "Gadget", "4"});

  CProfitMarginReport margin(nullptr, u"");
  margin.BuildXml(nullptr, u"3/1/2026", u"3/3/2026", u"", u"");
  ExpectAll(PrintedText(margin), {"Profit Margin", "Total Sales", "150.00", "Total Purchase Price", "70.50",
                                  "Total Profit", "PROFIT MARGIN", "53.00%"});
  for (const PrintOp& op : RecordedOps()) {
    if (op.kind != PrintOp::kLine) continue;
    EXPECT_EQ(op.y, op.y2) << "the rule over the margin is level";
  }

  CRouteCashReport cash(nullptr);
  cash.BuildXml(nullptr, u"3/2/2026", u"3/2/2026", u"", u"");
  ExpectAll(PrintedText(cash), {"Route Sales And Cash", "Date: 3/2/2026", "Charge", "0.00", "Cash", "40.00",
                                "Returns", "15.00", "TOTAL", "$25.00"});

  CRouteAccountReport account(nullptr, items);
  account.BuildXml(nullptr, u"3/10/2026", u"3/10/2026", u"", u"");
  ExpectAll(PrintedText(account), {"Route Sales Accountability", "Date: 3/10/2026", "Out", "In", "Sold", "Invoiced",
                                   "Balance", "Widget", "7.5", "(0.5)", "Gadget", "(5)"});
}

// On the rendered page, from its top to the table's last row, text and thin cell boxes
// darken about a tenth, boxes stroked an inch wide four fifths. The second report on the
// same engine shows that nothing the first job drew with is taken over.
TEST_F(ReportPrint, TheHeaderAndTableOfAPrintedReportCanBeRead) {
  CRouteAccountReport account(nullptr, items);
  account.BuildXml(nullptr, u"3/10/2026", u"3/10/2026", u"", u"");
  CPickListReport pick(nullptr, u"");
  pick.BuildXml(nullptr, u"", u"", u"", u"");
  CPrintEngine engine(nullptr);
  for (CReport* report : {static_cast<CReport*>(&account), static_cast<CReport*>(&pick)}) {
    platform::printing::ClearRecordedOps();
    ASSERT_TRUE(report->Print(&engine, false, u"Printing Report"));
    float right = 0, bottom = 0, pageWidth = 0;
    for (const PrintOp& op : RecordedOps()) {
      if (op.kind != PrintOp::kRect || op.page != 1) continue;
      right = std::max(right, op.x2);
      bottom = std::max(bottom, op.y2);
    }
    ASSERT_GT(bottom, 0);
    engine.GetPrinter()->GetPageWidth(&pageWidth);
    const double dark = DarkShare(Linux(platform::printing::LastOutputFile()).string(), pageWidth, right, bottom);
    EXPECT_GT(dark, 0.005) << platform::ToUtf8(report->GetName()) << ": its text is on the page";
    EXPECT_LT(dark, 0.25) << platform::ToUtf8(report->GetName());
  }
}

TEST_F(ReportPrint, WithoutDatesThePickListNamesItsTypeFilter) {
  CPickListReport pick(nullptr, u"");
  pick.BuildXml(nullptr, u"", u"", u"Estimates", u"");
  ExpectAll(PrintedText(pick), {"Document Dates: All Dates", "Document Types: Estimates"});
  pick.BuildXml(nullptr, u"", u"", u"All Documents", u"");
  ExpectAll(PrintedText(pick), {"Document Types: All Types"});
}

TEST_F(ReportPrint, ALongNameIsShortenedToItsColumnAndContinuousPaperIsClosed) {
  CPreferences().SetDword(u"PrinterPaperType", 0);  // Continuous paper on Printer Settings
  WriteDocument("D8.QVN", "INVOICE", "3/2/2026", "$1.00",
                {{"Inventory Part", "Extraordinarily long stainless steel hexagonal widget", "1", "1", "1"}});
  CPickListReport pick(nullptr, u"");
  pick.BuildXml(nullptr, u"3/2/2026", u"3/2/2026", u"Invoices", u"");
  CPrintEngine engine(nullptr);
  ASSERT_TRUE(pick.Print(&engine, false, u"Printing Report"));
  float pageWidth = 0;
  const PrintOp* name = nullptr;
  for (const PrintOp& op : RecordedOps()) {
    if (op.kind == PrintOp::kText && op.text.starts_with(u"Extra")) name = &op;
    if (op.kind == PrintOp::kRect && op.fill == 0xC0C0C0 && op.x == 0) pageWidth = op.x2 / 0.29f;
  }
  ASSERT_NE(name, nullptr);
  EXPECT_LT(name->text.size(), std::u16string_view(u"Extraordinarily long stainless steel hexagonal widget").size());
  EXPECT_LE(name->x2, pageWidth * 0.29f + 0.001f) << "inside the item column";
  std::vector<int> modes;
  for (const PrintOp& op : RecordedOps())
    if (op.kind == PrintOp::kSetupPage) modes.push_back(static_cast<int>(op.x));
  ASSERT_FALSE(modes.empty());
  EXPECT_EQ(modes.front(), 2);
  EXPECT_EQ(modes.back(), 0) << "the job leaves continuous mode";
}

TEST_F(ReportPrint, RowsGoOnANewPageBeforeThePageEnds) {
  std::vector<report_test::DocLine> lines;
  std::vector<std::string> names;
  for (int i = 0; i < 90; ++i) names.push_back("Part " + std::to_string(i));
  for (const std::string& name : names) lines.push_back({"Inventory Part", name.c_str(), "1", "1", "1"});
  WriteDocument("D9.QVN", "SALESORDER", "3/5/2026", "$90.00", lines);
  CPickListReport pick(nullptr, u"");
  pick.BuildXml(nullptr, u"", u"", u"", u"D9.QVN");
  CPrintEngine engine(nullptr);
  ASSERT_TRUE(pick.Print(&engine, false, u"Printing Report"));
  int pages = 1;
  for (const PrintOp& op : RecordedOps()) {
    pages = std::max(pages, op.page);
    if (op.kind != PrintOp::kText && op.kind != PrintOp::kRect) continue;
    EXPECT_LE(op.y2, 10.5f) << "inside the page";
  }
  EXPECT_GE(pages, 2);
  const PrintOp* last = nullptr;
  for (const PrintOp& op : RecordedOps())
    if (op.kind == PrintOp::kText && op.text == u"Part 89") last = &op;
  ASSERT_NE(last, nullptr) << "every row printed";
  EXPECT_EQ(last->page, pages);
}

TEST_F(ReportPrint, AJobThatCannotStartDrawsNothingAndClosesItsProgress) {
  platform::printing::Conditions().statusAtStart = kPrinterNotReady;
  platform::testing::MessageBoxScript boxes;
  boxes.ExpectAny();
  CRouteCashReport cash(nullptr);
  cash.BuildXml(nullptr, u"", u"", u"", u"");
  CPrintEngine engine(nullptr);
  EXPECT_FALSE(cash.Print(&engine, false, u"Printing Report"));
  EXPECT_EQ(boxes.Pending(), 0u) << "the printer's state was told";
  EXPECT_EQ(engine.GetProgressWindow(), nullptr);
  for (const PrintOp& op : RecordedOps()) EXPECT_NE(op.kind, PrintOp::kText);
}

}  // namespace

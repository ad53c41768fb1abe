// Printing: connecting the engines (errors, retries), starting jobs, the text engine's
// port, the page layout's arithmetic, and whole documents printed to PDF.
//   Connect*     engine creation, version and status errors; a failed connect keeps nothing
//   TextEngine*  bytes on a file port and replies read back
//   Layout*      columns by style, word wrap, narrow paper, page breaks, totals placement
//   Document*    the golden invoice as PDF text; copies; payments; labels; a failing printer
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/ResourceText.h"
#include "devices/PrintEngine.h"
#include "devices/PrintLayout.h"
#include "platform/base/Faults.h"
#include "platform/testing/MessageBoxScript.h"
#include "PrintTestSupport.h"
#include "resources/resource_ids.h"

namespace {

using namespace print_test;
using Printing = PrintTest;

// Customize Template: the invoice prints only the columns of `rows`.
void ShowOnly(CCustomSettings& settings, std::initializer_list<int> rows) {
  for (int row : {kShowServiceDateRow, kShowNameRow, kShowDescriptionRow, kShowQuantityRow, kShowPriceRow,
                  kShowCustom1Row, kShowCustom2Row, kShowTotalRow, kShowTaxableRow, kShowTaxAmountRow})
    settings.SetFlag(0, row, std::find(rows.begin(), rows.end(), row) != rows.end());
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TEST_F(Printing, ConnectReportsEachFailureAndRetriesClean) {
  CPrintEngine engine(nullptr);
  ASSERT_EQ(UnregisterPrintEngineClasses(), S_OK);
  EXPECT_FALSE(engine.ConnectPrinter(false));
  EXPECT_TRUE(platform::MessageBoxLog().empty()) << "silent without messages";
  EXPECT_FALSE(engine.ConnectPrinter(true));
  ASSERT_EQ(platform::MessageBoxLog().size(), 1u);
  EXPECT_NE(platform::MessageBoxLog().back().text.find(u"0x800401F3"), std::u16string::npos);

  ASSERT_EQ(RegisterPrintEngineClasses(), S_OK);
  platform::printing::Conditions().createResult = E_OUTOFMEMORY;
  EXPECT_FALSE(engine.ConnectPrinter(true));
  EXPECT_NE(platform::MessageBoxLog().back().text.find(u"0x8007000E"), std::u16string::npos);

  platform::printing::Conditions().createResult = S_OK;
  platform::printing::Conditions().version = 1602;
  EXPECT_FALSE(engine.ConnectPrinter(true));
  EXPECT_EQ(platform::MessageBoxLog().back().text, LoadResText(IDS_PRINT_ENGINE_TOO_OLD));
  EXPECT_EQ(engine.GetPrinter(), nullptr) << "the too-old engine is not kept";

  platform::printing::Conditions().version = 1603;
  EXPECT_TRUE(engine.ConnectPrinter(true));
  EXPECT_NE(engine.GetPrinter(), nullptr);
}

TEST_F(Printing, BeginDocumentNeedsAReadyPrinterAndSetsUpContinuousPaper) {
  // Three copies on continuous paper, chosen on Printer Settings.
  CPreferences().SetDword(u"PrintNumCopies", 2);
  CPreferences().SetDword(u"PrinterPaperType", 0);
  platform::printing::Conditions().statusAtStart = kPrinterNotReady;
  CPrintEngine engine(nullptr);
  EXPECT_FALSE(engine.BeginDocument(false, u"Report"));
  EXPECT_NE(platform::MessageBoxLog().back().text.find(u"status 2"), std::u16string::npos);

  platform::printing::Conditions().statusAtStart = kPrinterBusy;
  CPrintEngine busy(nullptr);
  ASSERT_TRUE(busy.BeginDocument(false, u"Report"));
  EXPECT_EQ(busy.GetCopyCount(), 3);
  EXPECT_EQ(RecordedOps().front().text, u"Report 1 of 3");
  EXPECT_EQ(Count(PrintOp::kSetupPage), 0) << "a busy printer is not set up";

  platform::printing::ClearRecordedOps();
  platform::printing::Conditions().statusAtStart = kPrinterReady;
  CPrintEngine ready(nullptr);
  ASSERT_TRUE(ready.BeginDocument(false, u"Report"));
  ASSERT_EQ(Count(PrintOp::kSetupPage), 1);
  EXPECT_FLOAT_EQ(RecordedOps().back().y, 0.5f);
  float top = -1;
  ready.GetPrinter()->GetTopOffset(&top);
  EXPECT_EQ(top, 0.0f);
}

TEST_F(Printing, EngineCheckPrintsATestPageAndAnswersTheStatus) {
  CPrintEngine engine(nullptr);
  EXPECT_TRUE(engine.RunEngineCheck());
  EXPECT_EQ(Count(PrintOp::kTestPrint), 1);
  EXPECT_NE(ReadText(platform::printing::LastOutputFile()).find("%PDF-"), std::string::npos);

  platform::printing::Conditions().failAfterSteps = 0;
  CPrintEngine failing(nullptr);
  EXPECT_FALSE(failing.RunEngineCheck());
}

TEST_F(Printing, TextEngineWritesBytesToItsFilePortAndReadsReplies) {
  CPreferences().SetDword(u"PrinterPortID", 4);  // the port chosen on Printer Settings
  WriteText(u"\\Printer Output\\Port4.txt.reply", "T1:%B4111^DOE/JOHN^2512?");
  CPrintEngine engine(nullptr);
  ASSERT_TRUE(engine.ConnectTextEngine(false));
  LONG written = 0;
  const char command[] = "! UTILITIES\r\nMCR 120 T1 T2\r\n";
  engine.GetTextEngine()->WriteBytes(reinterpret_cast<const BYTE*>(command), sizeof command - 1, &written);
  engine.GetTextEngine()->Flush();
  EXPECT_EQ(written, static_cast<LONG>(sizeof command - 1));
  LONG result = 0, count = 0;
  std::u16string reply;
  engine.GetTextEngine()->ReadBytes(255, 0, 0, 2000, &result, &count, &reply);
  EXPECT_EQ(reply, u"T1:%B4111^DOE/JOHN^2512?");
  engine.GetTextEngine()->ReadBytes(255, 0, 0, 2000, &result, &count, &reply);
  EXPECT_EQ(count, 0) << "each reply is read once";
  engine.DisconnectTextEngine();
  EXPECT_EQ(ReadText(u"\\Printer Output\\Port4.txt"), command);
}

TEST_F(Printing, TextEngineThatCannotOpenItsPortIsNotKept) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\PrEngineCE\\Ports", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  std::u16string missing = u"/dev/no-such-port";
  RegSetValueExW(key, u"3", 0, REG_SZ, reinterpret_cast<const BYTE*>(missing.c_str()),
                 static_cast<DWORD>((missing.size() + 1) * 2));
  RegCloseKey(key);
  CPrintEngine engine(nullptr);
  EXPECT_FALSE(engine.ConnectTextEngine(true));
  EXPECT_EQ(engine.GetTextEngine(), nullptr);
  EXPECT_TRUE(platform::MessageBoxLog().empty());
}

// ---- Layout ------------------------------------------------------------------------------

class Layout : public PrintTest {
 protected:
  void SetUp() override {
    PrintTest::SetUp();
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_PrinterCE, nullptr, CLSCTX_ALL, IID_IPrinterCE, &object), S_OK);
    m_engine = static_cast<CPrinterCE*>(object);
  }
  void TearDown() override {
    m_layout.reset();
    if (m_engine) m_engine->Release();
    PrintTest::TearDown();
  }
  CPrintLayout& Make(int style, LONG printerId = 5) {
    LONG result = 0;
    m_engine->SelectPrinter(printerId, 3, -1, &result);
    CPrintLayoutArgs args;
    args.engine = m_engine;
    args.style = style;
    args.settings = m_settings.get();
    args.printerId = printerId;
    args.notes = m_notes;
    m_layout = std::make_unique<CPrintLayout>(args);
    return *m_layout;
  }
  CPrinterCE* m_engine = nullptr;
  std::unique_ptr<CPrintLayout> m_layout;
  std::u16string m_notes;
};

TEST_F(Layout, StandardStylesSpanThePageWithTheAmountMarked) {
  struct Case {
    int style;
    std::vector<float> percent;
  } cases[] = {{0, {48, 12, 20, 20}}, {1, {48, 12, 20, 20}}, {2, {48, 12, 20, 20}}, {3, {80, 20}}};
  for (const Case& c : cases) {
    CPrintLayout& layout = Make(c.style);
    ASSERT_EQ(layout.GetColumnCount(), static_cast<int>(c.percent.size())) << c.style;
    float left = 0;
    for (size_t i = 0; i < c.percent.size(); ++i) {
      const CPrintLayout::Column* column = layout.GetColumn(static_cast<int>(i));
      EXPECT_NEAR(column->left, left, 1e-4);
      EXPECT_NEAR(column->right - column->left, 8.0f * c.percent[i] / 100, 1e-4);
      EXPECT_EQ(column->taxMark, i + 1 == c.percent.size());
      EXPECT_EQ(column->wraps, i == 0);
      left = column->right;
    }
  }
  EXPECT_EQ(Make(1).GetColumn(2)->heading, u"Rate");
}

TEST_F(Layout, CustomStylePacksShownColumnsAndMarksOnlyTheAmount) {
  ShowOnly(*m_settings, {});
  CPrintLayout& none = Make(4);
  EXPECT_EQ(none.GetColumnCount(), 0) << "no flags: no table, no division by zero";

  ShowOnly(*m_settings, {kShowDescriptionRow, kShowCustom1Row, kShowTotalRow});
  EXPECT_EQ(CPrintLayout::BaseWidths(4, m_settings.get(), 0), (std::vector<float>{55, 10, 15}));
  CPrintLayout& layout = Make(4);
  ASSERT_EQ(layout.GetColumnCount(), 3);
  EXPECT_FALSE(layout.GetColumn(1)->taxMark);
  EXPECT_TRUE(layout.GetColumn(2)->taxMark);
  EXPECT_TRUE(layout.GetColumn(0)->wraps);
  EXPECT_FLOAT_EQ(layout.GetColumn(2)->right, 8.0f);
  EXPECT_NEAR(layout.GetColumn(0)->right, 8.0f * (55 + 20.0f / 3) / 100, 1e-4) << "the 20 left over is shared";

  m_settings->SetFlag(0, kShowNameRow, 1);
  EXPECT_EQ(CPrintLayout::BaseWidths(4, m_settings.get(), 0), (std::vector<float>{20, 35, 10, 15}));
}

TEST_F(Layout, WrapBreaksAtTheLastBlankOrInsideALongWord) {
  CPrintLayout& layout = Make(0);
  float width = 0;
  m_engine->GetTextWidth(u"alpha beta", &width);
  std::u16string text = u"alpha beta gamma", line;
  ASSERT_TRUE(layout.WrapLine(text, width + 0.01f, false, line));
  EXPECT_EQ(line, u"alpha beta");
  EXPECT_EQ(text, u"gamma") << "the rest loses its leading blank";

  float five = 0;
  m_engine->GetTextWidth(u"abcde", &five);
  text = u"abcdefghij";
  ASSERT_TRUE(layout.WrapLine(text, five, false, line));
  EXPECT_EQ(line, u"abcde") << "the character that reached the width stays on the line";
  EXPECT_EQ(text, u"fghij");

  text = u"one\r\n\r\ntwo";
  std::vector<std::u16string> lines;
  while (layout.WrapLine(text, 8.0f, true, line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"one", u"", u"two"}));
  text.clear();
  EXPECT_FALSE(layout.WrapLine(text, 8.0f, true, line));
  EXPECT_EQ(layout.CountLines(u"one\r\ntwo\r\nthree", true), 3);
  EXPECT_EQ(layout.CountLines(u"one\r\ntwo", false), 1);
}

// The wrap as it was first written: the line grows a character at a time and the whole
// line is measured again each time. The one-pass wrap must break every text where it did.
bool WrapOneCharacterAtATime(CPrinterCE& engine, std::u16string& text, float width, bool breakAtCr,
                             std::u16string& line) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  line.clear();
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (breakAtCr && c == u'\r') {
      text.erase(0, i + 1 + (i + 1 < text.size() && text[i + 1] == u'\n'));
      return true;
    }
    std::u16string candidate = line + c;
    float measured = 0;
    engine.GetTextWidth(candidate, &measured);
    if (measured < width) {
      line = std::move(candidate);
      continue;
    }
    std::u16string rest;
    size_t at = line.find_last_of(u" \t");
    if (blank(c)) {
      rest = text.substr(i + 1);
    } else if (at != std::u16string::npos) {
      rest = line.substr(at + 1) + text.substr(i);
      line.erase(at);
    } else {
      line = std::move(candidate);
      rest = text.substr(i + 1);
    }
    size_t start = 0;
    while (start < rest.size() && blank(rest[start])) ++start;
    text = rest.substr(start);
    return true;
  }
  text.clear();
  return true;
}

TEST_F(Layout, OnePassWrapBreaksWhereTheCharacterAtATimeWrapDid) {
  CPrintLayout& layout = Make(0);
  const std::u16string texts[] = {
      u"Part 125 with a long description that runs past its column and wraps",
      u"Supercalifragilisticexpialidociousness-without-any-blank-at-all-in-it",
      u"  leading blanks,   runs of   blanks\tand\ttabs,  and trailing blanks   ",
      u"one\r\ntwo\r\n\r\nfour with a longer line after the empty one\rfive\n",
      u"שלום עולם, זוהי שורה ארוכה בעברית שנשברת בין המילים כמו כל שורה אחרת",
      u"مرحبا بالعالم هذا سطر طويل بالعربية يلتف عند المسافات",
      u"e\u0301e\u0301e\u0301 cafe\u0301 re\u0301sume\u0301 na\u0308ive co\u0327a A\u030a\u0301ngstro\u0308m x\u0336\u0336\u0336",
      u"Mixed English עברית and ∑ symbols ≥ 1 — with dashes – and “quotes”",
  };
  for (float points : {7.0f, 12.0f}) {
    m_engine->SetFontSize(points);
    for (const std::u16string& text : texts) {
      std::vector<float> prefixes;
      ASSERT_EQ(m_engine->GetTextPrefixWidths(text, &prefixes), S_OK);
      for (size_t i = 0; i < text.size(); ++i) {
        float alone = 0;
        m_engine->GetTextWidth(std::u16string_view(text).substr(0, i + 1), &alone);
        ASSERT_EQ(prefixes[i], alone) << "prefix " << i << " of " << platform::ToUtf8(text);
      }
      for (float width : {0.05f, 0.4f, 0.83f, 1.5f, 3.84f, 8.0f}) {
        for (bool breakAtCr : {false, true}) {
          std::u16string oldRest = text, newRest = text, oldLine, newLine;
          for (int lines = 0; lines < 200; ++lines) {
            bool oldMore = WrapOneCharacterAtATime(*m_engine, oldRest, width, breakAtCr, oldLine);
            bool newMore = layout.WrapLine(newRest, width, breakAtCr, newLine);
            ASSERT_EQ(newMore, oldMore);
            ASSERT_EQ(newLine, oldLine) << platform::ToUtf8(text) << " at " << width << " inches, line " << lines;
            ASSERT_EQ(newRest, oldRest);
            if (!newMore) break;
          }
        }
      }
    }
  }
}

TEST_F(Layout, WrapKeepsASurrogatePairWholeAndMeasuresNoFurtherThanANul) {
  CPrintLayout& layout = Make(0);
  const std::u16string pair = u"\U0001F600";  // one character, two units
  float one = 0;
  m_engine->GetTextWidth(pair, &one);
  std::u16string text = pair + pair + pair, line;
  ASSERT_TRUE(layout.WrapLine(text, one * 1.5f, false, line));
  EXPECT_EQ(line, pair + pair) << "the pair that reached the width stays whole on the line";
  EXPECT_EQ(text, pair);

  std::vector<float> widths;
  ASSERT_EQ(m_engine->GetTextPrefixWidths(std::u16string(u"ab\0cd", 5), &widths), S_OK);
  float a = 0, ab = 0;
  m_engine->GetTextWidth(u"a", &a);
  m_engine->GetTextWidth(u"ab", &ab);
  EXPECT_EQ(widths, (std::vector<float>{a, ab, ab, ab, ab})) << "nothing after a U+0000 is drawn";
}

TEST_F(Layout, NarrowPaperPutsEveryFieldLeftAndWidePaperAlternates) {
  CPrintLayout& wide = Make(0);
  float lx = 0, vx = 0, y = 0;
  wide.PlaceField(1.0f, 2.0f, 0.2f, &lx, &vx, &y);
  EXPECT_EQ(lx, 0.0f);
  EXPECT_EQ(vx, 1.0f);
  wide.PlaceField(1.0f, 2.0f, 0.2f, &lx, &vx, &y);
  EXPECT_FLOAT_EQ(lx, 8.0f - 1.0f - 2.0f - 0.0625f);
  EXPECT_FLOAT_EQ(vx, 8.0f - 2.0f - 0.0625f);
  EXPECT_FLOAT_EQ(y, wide.GetBandHeight() + 0.125f) << "the right column starts at the top too";

  CPrintLayout& narrow = Make(0, 6);
  EXPECT_TRUE(narrow.IsNarrow());
  EXPECT_TRUE(narrow.IsFirstPageOnly());
  for (int i = 0; i < 3; ++i) {
    narrow.PlaceField(0.5f, 0.5f, 0.2f, &lx, &vx, &y);
    EXPECT_EQ(lx, 0.0f);
    EXPECT_FLOAT_EQ(y, narrow.GetBandHeight() + 0.125f + 0.2f * i);
  }
}

TEST_F(Layout, BandBottomLimitRowsAndTotalsStayOnThePage) {
  m_notes = u"a\r\nb";
  CPrintLayout& layout = Make(0);
  EXPECT_FLOAT_EQ(layout.GetBandHeight(), 1.0f) << "a wide page's band is at least an inch";
  EXPECT_FLOAT_EQ(layout.GetBottomLimit(), 10.5f - (0 + 2 + 5) * 0.25f);
  EXPECT_FLOAT_EQ(layout.SignatureBlockHeight(), 1.0f + 0.0625f + 2.5f * 5 / 12 + 0.25f);

  m_engine->SetCurrentY(10.3f);
  float top = layout.StartRow();
  EXPECT_EQ(top, 0.0f);
  EXPECT_EQ(layout.GetPageCount(), 2);

  m_engine->SetCurrentY(2.0f);
  EXPECT_FLOAT_EQ(layout.PlaceItemRule(), layout.GetBottomLimit() - 0.25f);
  EXPECT_FLOAT_EQ(layout.FirstTotalsTop(), layout.GetBottomLimit());

  m_engine->SetCurrentY(9.5f);
  EXPECT_EQ(layout.PlaceItemRule(), 0.0f) << "below the limit the totals go to a new page";
  EXPECT_FLOAT_EQ(layout.FirstTotalsTop(), 0.25f);
  EXPECT_EQ(layout.GetPageCount(), 3);

  m_engine->SetCurrentY(10.4f);
  EXPECT_EQ(layout.ContinuationTop(0.2f), 0.0f) << "wrapped lines break pages too";
}

// ---- Documents ---------------------------------------------------------------------------

class DocumentPrint : public PrintTest {
 protected:
  bool Print(CSalesDocument& doc) {
    CPrintEngine engine(nullptr);
    CBstr signature(u"Signature.bmp");
    GetImageFilePath(signature);
    return engine.PrintDocument(signature.c_str(), m_settings.get(), &doc, false);
  }
};

TEST_F(DocumentPrint, GoldenInvoiceBecomesAPdfHoldingEveryLineAndTotal) {
  MakeFolders();
  CBstr logo(u"logo.bmp");
  GetLogoFilePath(logo);
  WritePicture(logo.view(), 120, 60);
  CPreferences().SetDword(u"PrintNumCopies", 0);  // one copy, the first of Printer Settings' copies list
  m_settings->SetFlag(kDocInvoice, 15, 1);  // Ship To
  auto doc = OpenGolden();
  ASSERT_TRUE(Print(*doc));
  std::u16string file = platform::printing::LastOutputFile();
  ASSERT_FALSE(file.empty());
  std::string path = Linux(file).string();
  std::string info = RunCommand("pdfinfo '" + path + "'");
  size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 6)), 1) << info;
  std::string text = RunCommand("pdftotext -layout '" + path + "' -");
  for (const char* expected : {"Invoice", "Owner & Sons", "1001", "3/10/2026", "Ann Lee", "Springfield, IL 62701",
                               "Net 30", "Nut é", "Bolt", "3.75T", "1.00T", "4.75", "0.39", "5.14", "State (8.25%)",
                               "First line", "Second & last"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(Count(PrintOp::kPicture), 2) << "logo and signature";
  for (const PrintOp& op : RecordedOps())
    if (op.kind == PrintOp::kText || op.kind == PrintOp::kPicture) {
      EXPECT_LE(op.y2, 10.5f) << "inside the page";
    }
  EXPECT_NE(text.find("(signed 3/10/2026 - 09:30:00 AM)"), std::string::npos);
  const PrintOp* heading = FindText(u"Description");
  ASSERT_NE(heading, nullptr);
  for (const PrintOp& op : Texts()) {
    if (op.text != u"USA") continue;
    EXPECT_GT(heading->y, op.y2) << "the headings stand below the taller field column";
  }
  EXPECT_EQ(RecordedOps().front().text, u"Printing Invoice...");
}

// A printout that cannot be written (Printer Output full) is told once, not dropped
// without a word.
TEST_F(DocumentPrint, AFullPrinterOutputSaysSoOnce) {
  // One copy (the first choice of Printer Settings' copies list): one job meets the full folder.
  CPreferences().SetDword(u"PrintNumCopies", 0);
  auto doc = OpenGolden();
  platform::InjectFault(platform::Fault::FileWrite, 0, 100);
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(LoadResText(IDS_PRINT_OUTPUT_NOT_SAVED));
  EXPECT_FALSE(Print(*doc));
  platform::ClearFaults();
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_TRUE(platform::printing::LastOutputFile().empty());
}

// The desktop's lists head a customer's address lines with its name: printed, the Bill To
// block shows it once.
TEST_F(DocumentPrint, TheBillToBlockPrintsEachLineOnce) {
  CPreferences().SetDword(u"PrintNumCopies", 0);  // one copy, the first of Printer Settings' copies list
  auto doc = OpenGolden();
  CXmlDocument& xml = doc->GetXmlDocument();
  CXmlDomNode customer;
  ASSERT_EQ(xml.GetDataDocument()->selectSingleNode(u"/*/CUSTOMER", &customer), S_OK);
  for (const char16_t* child : {u"COMPANYNAME", u"ADDRESS1"})
    ASSERT_EQ(xml.SetChildText(customer, child, CBstr(u"Birchwood Cafe")), S_OK);
  ASSERT_TRUE(Print(*doc));
  int shown = 0;
  for (const PrintOp& op : Texts()) shown += op.text == u"Birchwood Cafe";
  EXPECT_EQ(shown, 1);
}

TEST_F(DocumentPrint, CopiesAreCountedInTheProgressText) {
  CPreferences().SetDword(u"PrintNumCopies", 1);  // two copies, the second of Printer Settings' copies list
  auto doc = OpenGolden("estimate.QVN");
  doc->SetDocType(kDocEstimate);
  ASSERT_TRUE(Print(*doc));
  std::vector<std::u16string> status;
  for (const PrintOp& op : RecordedOps())
    if (op.kind == PrintOp::kStatusText) status.push_back(op.text);
  EXPECT_EQ(status, (std::vector<std::u16string>{u"Printing Estimate 1 of 2", u"Printing Estimate 2 of 2"}));
  EXPECT_EQ(RecordedOps().back().page, 2) << "one page a copy";
}

TEST_F(DocumentPrint, TaxWithoutANameShowsAZeroRateInTheUsersDecimals) {
  CPreferences().SetDword(u"PrintNumCopies", 0);  // one copy, the first of Printer Settings' copies list
  UseLocale(u"de-DE");
  auto doc = OpenGolden();
  doc->SetAttribute(u"TAXNAME", CBstr(u""));
  ASSERT_TRUE(Print(*doc));
  EXPECT_NE(FindText(u"Tax (0,00%)"), nullptr);
  EXPECT_TRUE(FindText(u"Total")->bold);
  EXPECT_FALSE(FindText(u"Subtotal")->bold);
}

TEST_F(DocumentPrint, PaymentHasNoRuleAndShowsCardFields) {
  auto doc = OpenGolden("payment.QVN");
  doc->SetDocType(kDocPayment);
  doc->SetAttribute(u"CCARDNUM", CBstr(u"4111-XXXX"));
  doc->SetAttribute(u"OTHER1", CBstr(u"not printed"));
  for (int row : {70, 72, 74}) m_settings->SetFlag(kDocPayment, row, 1);
  ASSERT_TRUE(Print(*doc));
  EXPECT_EQ(Count(PrintOp::kLine), 0);
  EXPECT_NE(FindText(u"4111-XXXX"), nullptr);
  EXPECT_EQ(FindText(u"not printed"), nullptr);
}

TEST_F(DocumentPrint, LabelLinePrintsOnlyItsNameInBold) {
  auto doc = OpenGolden();
  doc->SetStyle(0);
  CLineItemTexts label;
  label.type = CBstr(u"QVNLABEL");
  label.name = CBstr(u"Kitchen parts");
  label.description = CBstr(u"Kitchen parts");
  label.total = CBstr(u"99.99");
  ASSERT_TRUE(doc->GetXmlDocument().UpdateLineItemAt(0, label));
  ASSERT_TRUE(Print(*doc));
  const PrintOp* op = FindText(u"Kitchen parts");
  ASSERT_NE(op, nullptr);
  EXPECT_TRUE(op->bold);
  EXPECT_EQ(FindText(u"99.99"), nullptr);
  const PrintOp* bolt = FindText(u"Bolt");
  ASSERT_NE(bolt, nullptr);
  EXPECT_FALSE(bolt->bold);
}

TEST_F(DocumentPrint, WrappedCellsContinueSideBySideAndUnmarkedAmountsLineUp) {
  ShowOnly(*m_settings, {kShowNameRow, kShowDescriptionRow, kShowTotalRow});
  auto doc = OpenGolden();
  CLineItemTexts line;
  line.name = CBstr(u"alpha beta gamma delta epsilon zeta eta theta iota kappa");
  line.description = CBstr(u"one two three four five six seven eight nine ten eleven twelve thirteen");
  line.total = CBstr(u"2.00");
  ASSERT_TRUE(doc->GetXmlDocument().UpdateLineItemAt(0, line));
  ASSERT_TRUE(Print(*doc));

  std::vector<PrintOp> nameLines, descriptionLines;
  for (const PrintOp& op : Texts()) {
    if (op.page != 1 || op.y < 3.0f) continue;
    if (op.x == 0.0f && op.text.find(u"alpha") == 0) nameLines.push_back(op);
  }
  ASSERT_FALSE(nameLines.empty());
  float itemRight = 8.0f * (20 + 30.0f / 3) / 100;  // 20 + 35 + 15 shown, 30 shared out
  for (const PrintOp& op : Texts())
    if (op.page == 1 && std::abs(op.x - itemRight) < 1e-3 && op.y >= nameLines[0].y) descriptionLines.push_back(op);
  ASSERT_GE(descriptionLines.size(), 2u) << "the description wraps in its own column";
  bool continued = false;
  for (const PrintOp& op : Texts()) {
    if (op.x != 0.0f || op.text.find(u"zeta") == std::u16string::npos) continue;
    continued = true;
    EXPECT_FLOAT_EQ(op.y, descriptionLines[1].y) << "the second lines share a row";
  }
  EXPECT_TRUE(continued);

  const PrintOp* amount = FindText(u"2.00");
  const PrintOp* marked = FindText(u"3.75T");
  ASSERT_TRUE(amount && marked);
  EXPECT_FLOAT_EQ(marked->x2, 8.0f);
  void* object = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_PrinterCE, nullptr, CLSCTX_ALL, IID_IPrinterCE, &object), S_OK);
  auto* measure = static_cast<CPrinterCE*>(object);
  float width = 0;
  measure->SetFontSize(amount->fontSize);
  measure->GetTextWidth(u"2.00T", &width);
  measure->Release();
  EXPECT_NEAR(amount->x + width, 8.0f, 1e-4) << "no mark is added, yet the amount lines up with marked ones";
}

// A custom value wraps inside its column; a line without one keeps its quantity in place.
TEST_F(DocumentPrint, ACustomValueWrapsInsideItsColumnAndAnEmptyOneMovesNothing) {
  ShowOnly(*m_settings, {kShowDescriptionRow, kShowQuantityRow, kShowCustom1Row, kShowTotalRow});
  auto doc = OpenGolden();
  const std::u16string value = u"Brushed stainless steel with a satin finish";
  CLineItemTexts line;
  line.customName1 = CBstr(u"Finish");
  line.customValue1 = CBstr(value);
  ASSERT_TRUE(doc->GetXmlDocument().UpdateLineItemAt(0, line));
  ASSERT_TRUE(Print(*doc));

  // 55 (a description without a name), 10, 10 and 15, and the 10 left over shared out.
  const float left = 8.0f * (55 + 10 + 5.0f) / 100, right = 8.0f * (55 + 10 + 10 + 7.5f) / 100;
  const PrintOp* heading = FindText(u"Description");
  ASSERT_NE(heading, nullptr);
  std::u16string printed;
  std::vector<float> quantityEnds;
  for (const PrintOp& op : Texts()) {
    if (op.page != 1 || op.y <= heading->y) continue;
    if (op.text == u"2" || op.text == u"3") quantityEnds.push_back(op.x2);
    if (op.text.empty() || value.find(op.text) == std::u16string::npos) continue;
    printed += (printed.empty() ? u"" : u" ") + op.text;
    EXPECT_NEAR(op.x, left + 0.0625f, 1e-3) << "a little in from the quantity's right edge";
    EXPECT_LE(op.x2, right + 1e-3);
  }
  EXPECT_EQ(printed, value);
  EXPECT_EQ(quantityEnds, (std::vector<float>(2, left))) << "the line without a value too";
}

// On the 2.8-inch roll at normal text size the number and date find no room beside the
// company lines: they go below the band, and no text covers another on the page.
TEST_F(DocumentPrint, OnNarrowPaperTheNumberAndDateKeepClearOfTheCompanyLines) {
  for (DWORD printer : {DWORD{6}, DWORD{5}}) {
    SCOPED_TRACE(printer);
    CPreferences().SetDword(u"PrinterID", printer);  // chosen on Printer Settings; the text size left Normal
    platform::printing::ClearRecordedOps();
    auto doc = OpenGolden();
    ASSERT_TRUE(Print(*doc));
    const std::vector<PrintOp> texts = Texts();
    const PrintOp* number = FindText(u"1001");
    const PrintOp* company = FindText(u"Owner & Sons");
    ASSERT_TRUE(number && company);
    EXPECT_EQ(number->y > company->y + 0.5f, printer == 6) << "below the band on the roll only";
    for (const PrintOp& a : texts)
      for (const PrintOp& b : texts) {
        if (&a == &b || a.page != b.page || a.text.empty() || b.text.empty()) continue;
        const bool overlap = a.x < b.x2 - 0.01f && b.x < a.x2 - 0.01f && a.y < b.y2 - 0.01f && b.y < a.y2 - 0.01f;
        EXPECT_FALSE(overlap && (a.text == u"1001" || a.text == u"3/10/2026"))
            << platform::ToUtf8(a.text) << " over " << platform::ToUtf8(b.text);
      }
  }
}

TEST_F(DocumentPrint, AbortInTheProgressWindowStopsTheJob) {
  auto doc = OpenGolden();
  CPrintEngine engine(MakeOwner());
  ASSERT_TRUE(engine.BeginDocument(false, u"Invoice"));
  ASSERT_NE(engine.GetProgressWindow(), nullptr);
  HWND window = engine.GetProgressWindow()->GetHwnd();
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  CBstr signature(u"Signature.bmp");
  GetImageFilePath(signature);
  EXPECT_FALSE(engine.PrintDocument(signature.c_str(), m_settings.get(), doc.get(), false));
  EXPECT_EQ(Count(PrintOp::kText), 0);
  EXPECT_EQ(Count(PrintOp::kEndDocument), 1);
  EXPECT_TRUE(platform::printing::LastOutputFile().empty());
  EXPECT_EQ(engine.GetProgressWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(DocumentPrint, PrinterFailingMidwayEndsTheJobAndLeavesNoFile) {
  auto doc = OpenGolden();
  platform::printing::Conditions().failAfterSteps = 12;
  EXPECT_FALSE(Print(*doc));
  EXPECT_EQ(Count(PrintOp::kEndDocument), 1);
  int drawn = Count(PrintOp::kText) + Count(PrintOp::kRect) + Count(PrintOp::kLine) + Count(PrintOp::kPicture) +
              Count(PrintOp::kNewPage);
  EXPECT_EQ(drawn, 12) << "nothing is drawn once the printer failed";
  EXPECT_TRUE(platform::printing::LastOutputFile().empty());
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Printer Output")) &&
               !std::filesystem::is_empty(Linux(u"\\Printer Output")));
}

}  // namespace

// The generated page stylesheet.
//   StylesheetPage.EveryTypeStyleFlavourAndRowSet...  every document type, line style,
//        description switch, flavour and many Customize row sets give a stylesheet the
//        transformer accepts, whose page parses cleanly as HTML and carries exactly the
//        links and element ids its shown fields and columns call for
//   StylesheetPage.*   the edge cases one by one: every row off, no line table, odd header
//        fields, custom columns without captions, hostile captions and document texts
//   StylesheetTemplates.*  the six template files of the desktop companion
#include <map>
#include <random>

#include <libxml/xpath.h>

#include "SalesDocumentFixture.h"
#include "StylesheetTestSupport.h"
#include "core/CustomSettings.h"
#include "core/Utilities.h"
#include "document/StylesheetBuilder.h"
#include "document/XmlDocument.h"

namespace {

using slateway::testing::ParsedPage;
using slateway::testing::ParsePage;

const char* const kGolden[] = {"invoice.QVN",    "estimate.QVN",   "salesreceipt.QVN",
                               "payment.QVN",    "salesorder.QVN", "creditmemo.QVN"};

std::filesystem::path GoldenFolder() { return std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden"; }

enum class Flavour { ScreenLinks, ScreenPlain, File };

struct PageLine {
  std::string key;
  bool label;
};

class StylesheetPage : public sales_test::SalesDocumentTest {
 protected:

  CStylesheetSource Source(int type, int style, bool descriptions) const {
    CStylesheetSource s;
    s.type = type;
    s.styleCode = style;
    s.useDescriptions = descriptions;
    s.settings = m_settings.get();
    s.customerCompany = u"Lee Supplies";
    s.customerPerson = u"Ann Lee";
    s.customerHasAddress = true;
    return s;
  }

  static std::u16string Build(CStylesheetSource s, Flavour flavour, bool screenRows) {
    s.showLinks = flavour == Flavour::ScreenLinks;
    return BuildStylesheetText(s, flavour == Flavour::File, kOwnDocumentType, screenRows);
  }

  // Loads the document text, transforms it with the stylesheet and parses the page.
  static ParsedPage Render(const std::string& documentBytes, const std::u16string& xsl, std::u16string* html = nullptr) {
    CXmlDocument doc(nullptr);
    EXPECT_EQ(doc.GetDataDocument()->loadBytes(documentBytes), S_OK);
    HRESULT hr = doc.LoadStylesheet(xsl);
    EXPECT_EQ(hr, S_OK) << platform::ToUtf8(xsl);
    CBstr out;
    hr = doc.Transform(&out);
    EXPECT_EQ(hr, S_OK) << platform::ToUtf8(doc.GetDataDocument()->GetTransformError());
    if (html) *html = out.str();
    return ParsePage(out.str());
  }

  static std::vector<PageLine> Lines(const std::string& documentBytes) {
    CXmlDocument doc(nullptr);
    doc.GetDataDocument()->loadBytes(documentBytes);
    std::vector<PageLine> lines;
    CLineItemTexts line;
    for (bool ok = doc.ReadFirstLineItem(&line); ok; ok = doc.ReadNextLineItem(&line))
      lines.push_back({platform::ToUtf8(line.key.str()), line.type.str() == u"QVNLABEL"});
    return lines;
  }

  bool Shown(int kind, int screen, int printer, bool screenRows) const {
    return m_settings->IsShown(kind, screen, printer, screenRows) != 0;
  }

  // The links and ids the page must carry, worked out from the rows independently of
  // the generator's tables.
  void Expected(int kind, const CStylesheetSource& s, Flavour flavour, bool screenRows, const std::vector<PageLine>& lines,
                std::set<std::string>* links, std::set<std::string>* ids) const {
    auto shown = [&](int a, int b) { return Shown(kind, a, b, screenRows); };
    const bool link = flavour == Flavour::ScreenLinks;
    struct Target {
      int a, b;
      const char* link;
    };
    const bool payment = kind == 3;
    const Target targets[] = {
        {6, 7, "T"},          {4, 5, "L"},          {10, 11, "NUMBER"},  {0, 1, "BILLFROM"},
        {8, 9, "DATE"},       {12, 13, "BILLTO"},   {14, 15, "SHIPTO"},  {18, 19, "SHIPVIA"},
        {16, 17, "SHIPDATE"}, {69, 70, payment ? "CCARDNUM" : "OTHER1"}, {71, 72, payment ? "CCARDEXP" : "OTHER2"},
        {73, 74, payment ? "PAYAMOUNT" : "OTHER3"},  {20, 21, "PONUM"},    {22, 23, "TERMS"},
        {44, 45, "PAYMENT"},  {46, 47, "CHKNUM"},   {30, 31, "JOB"},     {24, 25, "DUEDATE"},
        {26, 27, "REP"},      {40, 41, "CUSTOMERMSG"}, {49, 50, "NOTES"}, {42, 43, "S"},
    };
    if (link) {
      for (const Target& t : targets)
        if (shown(t.a, t.b)) links->insert(t.link);
      if (s.useSalesTax && shown(34, 35)) links->insert("TAX");
    }
    if (shown(26, 27)) ids->insert("AJIDREP");
    if (shown(32, 33)) ids->insert("AJIDSubtotal");
    if (s.useSalesTax && shown(34, 35)) ids->insert("AJIDTaxes");
    if (shown(36, 37)) ids->insert("AJIDTotal");
    if (shown(38, 39)) ids->insert("AJIDTotalQty");
    if (!s.showLineTo) return;
    // Line cells: (id prefix, link letter or 0).
    std::vector<std::pair<std::string, char>> cells;
    const std::string nameId = s.useDescriptions ? "AJIDD" : "AJIDN";
    const char nameLetter = s.useDescriptions ? 'D' : 'N';
    switch (s.styleCode) {
      case 0:
      case 1:
      case 2:
        cells = {{nameId, nameLetter}, {"AJIDQ", 'Q'}, {"AJIDP", 'P'}, {"AJIDLT", 'P'}};
        break;
      case 4: {
        const std::u16string c1 = m_settings->GetCaption(kind, 37), c2 = m_settings->GetCaption(kind, 38);
        if (shown(51, 52)) cells.push_back({"AJIDS", 'S'});
        if (shown(53, 54)) cells.push_back({"AJIDN", 'N'});
        if (shown(55, 56)) cells.push_back({"AJIDD", 'D'});
        if (shown(57, 58)) cells.push_back({"AJIDQ", 'Q'});
        if (shown(59, 60)) cells.push_back({"AJIDP", 'P'});
        if (shown(63, 64)) cells.push_back({"AJIDT", 'T'});
        if (shown(79, 80) && !c1.empty()) cells.push_back({"AJIDC", 0});
        if (shown(81, 82) && !c2.empty()) cells.push_back({"AJIDE", 0});
        if (shown(65, 66)) cells.push_back({"AJIDX", 0});
        if (shown(61, 62)) cells.push_back({"AJIDLT", 0});
        break;
      }
      default:
        cells = {{nameId, nameLetter}, {"AJIDLT", 'P'}};
        break;
    }
    for (const PageLine& line : lines) {
      ids->insert("AJIDR" + line.key);  // the line's own table section
      if (line.label && s.styleCode != 4) {
        if (link) links->insert(line.key + ",N");
        continue;
      }
      for (const auto& [prefix, letter] : cells) {
        ids->insert(prefix + line.key);
        if (link && letter) links->insert(line.key + "," + letter);
      }
    }
  }

  void RandomRows(std::mt19937& random, int kind) {
    std::bernoulli_distribution half(0.5);
    for (int row = 0; row < CCustomSettings::kFlagRows; ++row) m_settings->SetFlag(kind, row, half(random) ? 1 : 0);
  }
  void AllRows(int kind, BYTE value) {
    for (int row = 0; row < CCustomSettings::kFlagRows; ++row) m_settings->SetFlag(kind, row, value);
  }
};

TEST_F(StylesheetPage, EveryTypeStyleFlavourAndRowSetGivesAValidPageWithItsLinksAndIds) {
  std::mt19937 random(20261209);
  int pages = 0;
  for (int kind = 0; kind < 6; ++kind) {
    const std::string document = slateway::testing::ReadBytes(GoldenFolder() / kGolden[kind]);
    const std::vector<PageLine> lines = Lines(document);
    ASSERT_FALSE(lines.empty());
    // Row sets: the defaults, all on, all off, then random ones.
    for (int set = 0; set < 7; ++set) {
      if (set == 0) {
        m_settings = std::make_unique<CCustomSettings>();
      } else if (set == 1 || set == 2) {
        AllRows(kind, set == 1 ? 1 : 0);
      } else {
        RandomRows(random, kind);
      }
      for (int style = 0; style <= 4; ++style) {
        for (bool descriptions : {false, true}) {
          for (Flavour flavour : {Flavour::ScreenLinks, Flavour::ScreenPlain, Flavour::File}) {
            for (bool screenRows : {true, false}) {
              if (flavour != Flavour::File && !screenRows) continue;
              CStylesheetSource s = Source(kind, style, descriptions);
              s.showLineTo = (set + style) % 5 != 1;
              s.useSalesTax = (set + style) % 3 != 2;
              s.businessAddress = style % 2 == 0;
              s.version = set == 4 ? 2 : 4;
              s.tableAddressBlock = set == 5;
              SCOPED_TRACE(testing::Message() << "kind " << kind << " set " << set << " style " << style << " desc "
                                              << descriptions << " flavour " << static_cast<int>(flavour)
                                              << " screenRows " << screenRows);
              const std::u16string xsl = Build(s, flavour, screenRows);
              ParsedPage page = Render(document, xsl);
              ++pages;
              EXPECT_EQ(page.errors, 0) << slateway::testing::Join(page.problems);
              EXPECT_TRUE(page.problems.empty()) << slateway::testing::Join(page.problems);
              std::set<std::string> links, ids;
              Expected(kind, s, flavour, screenRows, lines, &links, &ids);
              EXPECT_EQ(page.links, links);
              EXPECT_EQ(page.ids, ids);
              EXPECT_EQ(page.ids.size(), page.idList.size()) << "an id is used twice";
              EXPECT_EQ(page.lineTables, s.showLineTo ? 1 : 0);
              if (flavour == Flavour::File) {
                EXPECT_EQ(xsl.find(u"HREF"), std::u16string::npos);
              }
            }
          }
        }
      }
    }
  }
  EXPECT_GT(pages, 1500);
}

TEST_F(StylesheetPage, WithEveryRowOffOnlyTheFrameRemains) {
  for (int kind = 0; kind < 6; ++kind) {
    AllRows(kind, 0);
    CStylesheetSource s = Source(kind, 4, false);
    s.showLineTo = false;
    ParsedPage page = Render(slateway::testing::ReadBytes(GoldenFolder() / kGolden[kind]), Build(s, Flavour::ScreenLinks, true));
    EXPECT_EQ(page.errors, 0);
    EXPECT_TRUE(page.links.empty());
    EXPECT_TRUE(page.ids.empty());
    EXPECT_TRUE(page.images.empty());
    // Nothing of the document shows: every text node is blank.
    std::string visible = page.text;
    std::erase_if(visible, [](char c) { return c == '|' || std::isspace(static_cast<unsigned char>(c)); });
    EXPECT_EQ(visible, "");
    EXPECT_EQ(page.lineTables, 0);
  }
}

TEST_F(StylesheetPage, LineTableFollowsTheShowLineToFlagWhateverTheStyle) {
  const std::string document = slateway::testing::ReadBytes(GoldenFolder() / "invoice.QVN");
  for (int style = 0; style <= 5; ++style) {
    for (bool on : {false, true}) {
      CStylesheetSource s = Source(0, style, false);
      s.showLineTo = on;
      ParsedPage page = Render(document, Build(s, Flavour::ScreenLinks, true));
      EXPECT_EQ(page.lineTables, on ? 1 : 0) << style;
      EXPECT_EQ(page.ids.count("AJIDLT1"), on ? 1u : 0u) << style;  // style 5 lays out as style 3
    }
  }
}

TEST_F(StylesheetPage, HeaderFieldsPairUpAndAnOddOneStandsAlone) {
  const std::string document = slateway::testing::ReadBytes(GoldenFolder() / "invoice.QVN");
  AllRows(0, 0);
  // Terms, due date and rep: three fields make a full row and a row with its left cell.
  for (int row : {22, 24, 26}) m_settings->SetFlag(0, row, 1);
  CStylesheetSource s = Source(0, 4, false);
  s.showLineTo = false;
  ParsedPage page = Render(document, Build(s, Flavour::ScreenLinks, true));
  EXPECT_EQ(page.errors, 0) << slateway::testing::Join(page.problems);
  EXPECT_TRUE(page.problems.empty());
  std::vector<std::vector<std::string>> fieldRows;
  for (const auto& row : page.rowLinks)
    if (!row.empty() && !row[0].empty()) fieldRows.push_back(row);
  EXPECT_EQ(fieldRows, (std::vector<std::vector<std::string>>{{"TERMS", "DUEDATE"}, {"REP"}}));
  EXPECT_EQ(page.links, (std::set<std::string>{"TERMS", "DUEDATE", "REP"}));
}

TEST_F(StylesheetPage, FileFlavourHasNoLinksWhateverTheShowLinksFlag) {
  const std::string document = slateway::testing::ReadBytes(GoldenFolder() / "invoice.QVN");
  AllRows(0, 1);
  for (int style = 0; style <= 4; ++style) {
    CStylesheetSource s = Source(0, style, style % 2 == 1);
    s.showLinks = true;
    const std::u16string xsl = BuildStylesheetText(s, true, kOwnDocumentType, true);
    ParsedPage page = Render(document, xsl);
    EXPECT_TRUE(page.links.empty()) << style;
    EXPECT_FALSE(page.ids.empty()) << style;  // the ids stay, for the printed page's updates
  }
}

TEST_F(StylesheetPage, CustomColumnsShowOnlyWithACaption) {
  const std::string document =
      "<?xml version=\"1.0\"?><D VERSION=\"4\"><CUSTOMER/><JOB/><TOTALS/><LINEITEM ID=\"7\"><TYPE>Service</TYPE>"
      "<CUSTOM_1_VALUE>blue</CUSTOM_1_VALUE><CUSTOM_2_VALUE>large</CUSTOM_2_VALUE></LINEITEM></D>";
  for (int row : {79, 80, 81, 82}) m_settings->SetFlag(0, row, 1);
  m_settings->SetCaption(0, 37, u"");
  m_settings->SetCaption(0, 38, u"Size");
  ParsedPage page = Render(document, Build(Source(0, 4, false), Flavour::ScreenLinks, true));
  EXPECT_EQ(page.ids.count("AJIDC7"), 0u);
  EXPECT_EQ(page.ids.count("AJIDE7"), 1u);
  EXPECT_EQ(page.text.find("blue"), std::string::npos);
  EXPECT_NE(page.text.find("large"), std::string::npos);
  EXPECT_NE(page.text.find("Size"), std::string::npos);
}

// In the page sent to a customer each line-table heading is aligned as its column's
// figures are: a heading over right-aligned figures is right-aligned too.
TEST_F(StylesheetPage, LineHeadingsAlignWithTheirColumnsFigures) {
  const std::string document =
      "<?xml version=\"1.0\"?><D VERSION=\"4\"><CUSTOMER/><JOB/><TOTALS/><LINEITEM ID=\"2\"><TYPE>Service</TYPE>"
      "<SERVICED>3/1/2026</SERVICED><QUANTITY>3</QUANTITY><NAME>Fix</NAME><DESCRIPTION>Fix it</DESCRIPTION>"
      "<PRICE>5</PRICE><TOTAL>15.00</TOTAL><TAXABLE>Tax</TAXABLE><TAX_AMOUNT>0.30</TAX_AMOUNT></LINEITEM></D>";
  for (int row = 51; row <= 66; ++row) m_settings->SetFlag(0, row, 1);
  auto classes = [](xmlXPathContext* context, const char* path) {
    std::vector<bool> right;
    xmlXPathObject* found = xmlXPathEvalExpression(BAD_CAST path, context);
    for (int i = 0; found && found->nodesetval && i < found->nodesetval->nodeNr; ++i) {
      xmlChar* value = xmlGetProp(found->nodesetval->nodeTab[i], BAD_CAST "class");
      right.push_back(value && xmlStrEqual(value, BAD_CAST "n"));
      xmlFree(value);
    }
    xmlXPathFreeObject(found);
    return right;
  };
  for (int style : {0, 2, 4}) {
    SCOPED_TRACE(style);
    std::u16string html;
    Render(document, Build(Source(0, style, false), Flavour::File, false), &html);
    const std::string bytes = platform::ToUtf8(html);
    htmlDocPtr page = htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8", HTML_PARSE_NONET);
    ASSERT_NE(page, nullptr);
    xmlXPathContext* context = xmlXPathNewContext(page);
    const std::vector<bool> headings = classes(context, "//table[@class='ln']/tr[1]/th");
    const std::vector<bool> figures = classes(context, "//table[@class='ln']/tbody[1]/tr[1]/td");
    EXPECT_GE(headings.size(), 4u);
    EXPECT_EQ(headings, figures);
    xmlXPathFreeContext(context);
    xmlFreeDoc(page);
  }
}

TEST_F(StylesheetPage, LabelLinesSpanTheFixedTables) {
  const std::string document =
      "<?xml version=\"1.0\"?><D VERSION=\"4\"><CUSTOMER/><JOB/><TOTALS/>"
      "<LINEITEM ID=\"1\"><TYPE>QVNLABEL</TYPE><NAME>Parts</NAME></LINEITEM>"
      "<LINEITEM ID=\"2\"><TYPE>Service</TYPE><QUANTITY>1</QUANTITY><NAME>Fix</NAME><PRICE>5</PRICE><TOTAL>5.00</TOTAL>"
      "</LINEITEM></D>";
  for (int style = 0; style <= 3; ++style) {
    ParsedPage page = Render(document, Build(Source(0, style, false), Flavour::ScreenLinks, true));
    EXPECT_EQ(page.errors, 0);
    EXPECT_EQ(page.ids.count("AJIDLT1"), 0u) << style;
    EXPECT_EQ(page.ids.count("AJIDLT2"), 1u) << style;
    EXPECT_EQ(page.links.count("1,N"), 1u) << style;
    EXPECT_NE(page.text.find("Parts"), std::string::npos) << style;
  }
}

// In the chosen columns a label line is its text alone: the figures a new line carries
// (quantity 1, rate 0) are not shown beside it.
TEST_F(StylesheetPage, LabelLinesShowNoFiguresInChosenColumns) {
  const std::string document =
      "<?xml version=\"1.0\"?><D VERSION=\"4\"><CUSTOMER/><JOB/><TOTALS/>"
      "<LINEITEM ID=\"1\"><TYPE>QVNLABEL</TYPE><QUANTITY>37</QUANTITY><NAME>Parts</NAME><PRICE>41</PRICE>"
      "<TOTAL>7.77T</TOTAL><TAXABLE>Tax</TAXABLE></LINEITEM>"
      "<LINEITEM ID=\"2\"><TYPE>Service</TYPE><QUANTITY>3</QUANTITY><NAME>Fix</NAME><PRICE>5</PRICE><TOTAL>15.00</TOTAL>"
      "<TAXABLE>Tax</TAXABLE></LINEITEM></D>";
  for (int row : {53, 57, 59, 61, 63}) m_settings->SetFlag(0, row, 1);
  ParsedPage page = Render(document, Build(Source(0, 4, false), Flavour::ScreenLinks, true));
  EXPECT_EQ(page.errors, 0);
  EXPECT_NE(page.text.find("Parts"), std::string::npos);
  for (const char* figure : {"37", "41", "7.77T"}) EXPECT_EQ(page.text.find(figure), std::string::npos) << figure;
  EXPECT_NE(page.text.find("15.00"), std::string::npos);
  EXPECT_EQ(page.ids.count("AJIDLT1"), 1u) << "the cells stay, empty";
}

// Captions come from the user: markup, references, braces and format conversions in
// them show as typed and break nothing.
TEST_F(StylesheetPage, HostileCaptionsShowAsTyped) {
  const std::u16string hostile = u"<b>A&amp;B \"q\" 'a' {x} %s %d</b>";
  for (int kind = 0; kind < 6; ++kind) {
    AllRows(kind, 1);
    for (int row = 0; row < CCustomSettings::kCaptionRows; ++row) m_settings->SetCaption(kind, row, hostile);
    const std::string document = slateway::testing::ReadBytes(GoldenFolder() / kGolden[kind]);
    for (Flavour flavour : {Flavour::ScreenLinks, Flavour::File}) {
      for (int style : {0, 4}) {
        ParsedPage page = Render(document, Build(Source(kind, style, false), flavour, true));
        EXPECT_EQ(page.errors, 0);
        EXPECT_EQ(std::count(page.elementNames.begin(), page.elementNames.end(), "b"), 0);
        const std::string typed = platform::ToUtf8(hostile);
        size_t count = 0;
        for (size_t at = page.text.find(typed); at != std::string::npos; at = page.text.find(typed, at + 1)) ++count;
        // Title, number, date, bill-to, the header fields, the column heads and totals.
        EXPECT_GE(count, 20u) << kind;
      }
    }
  }
}

// Every text of the document carries markup characters and quotes: the page shows them
// as text and never as markup.
TEST_F(StylesheetPage, DocumentTextsWithMarkupRenderAsText) {
  const std::string evil = "&lt;i&gt;x&amp;y&quot;q&apos;a&lt;/i&gt;";
  const std::string shown = "<i>x&y\"q'a</i>";
  std::string doc = "<?xml version=\"1.0\"?><D VERSION=\"4\" STYLE=\"4\"";
  for (const char* a : {"ID", "DATE", "DUEDATE", "TERMS", "SHIPVIA", "SHIPDATE", "PONUM", "PAYMENT", "CHKNUM", "OTHER1",
                        "OTHER2", "OTHER3", "REP", "CUSTOMERMSG", "NOTES", "TAXNAME", "TAXRATE", "SIGNED", "CCARDNUM",
                        "CCARDEXP", "PAYAMOUNT", "LOGOWIDTH", "LOGOHEIGHT", "VOID"})
    doc += std::string(" ") + a + "=\"" + evil + "\"";
  doc += ">";
  auto block = [&](const char* name, std::initializer_list<const char*> children) {
    doc += std::string("<") + name + ">";
    for (const char* c : children) doc += std::string("<") + c + ">" + evil + "</" + c + ">";
    doc += std::string("</") + name + ">";
  };
  block("COMPANY", {"NAME", "ADDRESS1", "ADDRESS2", "ADDRESS3", "PHONE", "EMAIL", "GRAPHIC"});
  block("SHIPTO", {"NAME", "ADDRESS1", "ADDRESS2", "ADDRESS3", "CITY", "STATE", "ZIP", "COUNTRY"});
  block("CUSTOMER", {"FIRSTNAME", "LASTNAME", "NAME", "COMPANYNAME", "FULLNAME", "ADDRESS1", "ADDRESS2", "ADDRESS3",
                     "ADDRESS4", "CITY", "STATE", "ZIP", "COUNTRY", "SIGNATURE_FILE"});
  block("JOB", {"NAME"});
  block("TOTALS", {"SUBTOTAL", "TAX", "TOTAL", "TOTALQTY"});
  doc += "<LINEITEM ID=\"1\">";
  for (const char* c : {"TYPE", "QUANTITY", "NAME", "DESCRIPTION", "PRICE", "TOTAL", "TAXABLE", "TAX_AMOUNT", "SERVICED",
                        "CUSTOM_1_VALUE", "CUSTOM_2_VALUE"})
    doc += std::string("<") + c + ">" + evil + "</" + c + ">";
  doc += "</LINEITEM></D>";

  for (int kind = 0; kind < 6; ++kind) AllRows(kind, 1);
  for (int kind : {0, 3}) {
    for (int style = 0; style <= 4; ++style) {
      for (Flavour flavour : {Flavour::ScreenLinks, Flavour::ScreenPlain, Flavour::File}) {
        for (bool business : {false, true}) {
          CStylesheetSource s = Source(kind, style, style % 2 == 0);
          s.businessAddress = business;
          ParsedPage page = Render(doc, Build(s, flavour, true));
          EXPECT_EQ(page.errors, 0) << slateway::testing::Join(page.problems);
          EXPECT_EQ(std::count(page.elementNames.begin(), page.elementNames.end(), "i"), 0);
          EXPECT_NE(page.text.find(shown), std::string::npos);
          // Picture sources are written as URIs (the HTML output escapes them); they name
          // the same files once unescaped.
          std::vector<std::string> images;
          for (const auto& image : page.images) images.push_back(slateway::testing::UnescapeUri(image));
          EXPECT_NE(std::find(images.begin(), images.end(), shown), images.end());
        }
      }
    }
  }
}

// A customer whose name also heads the address lines (as the desktop's lists write it)
// shows each line once in the bill-to and ship-to blocks, whichever layout draws them.
TEST_F(StylesheetPage, AddressBlocksShowEachLineOnce) {
  const std::string doc =
      "<?xml version=\"1.0\"?><D VERSION=\"4\" STYLE=\"4\">"
      "<SHIPTO><NAME>Birchwood Cafe</NAME><ADDRESS1>Birchwood Cafe</ADDRESS1><ADDRESS2>12 Alder Street</ADDRESS2>"
      "</SHIPTO><CUSTOMER><FIRSTNAME>Nora</FIRSTNAME><LASTNAME>Lindqvist</LASTNAME><NAME>Birchwood Cafe</NAME>"
      "<COMPANYNAME>Birchwood Cafe</COMPANYNAME><FULLNAME>Birchwood Cafe</FULLNAME>"
      "<ADDRESS1>Birchwood Cafe</ADDRESS1><ADDRESS2>12 Alder Street</ADDRESS2><CITY>Portland</CITY></CUSTOMER>"
      "<JOB/><TOTALS/></D>";
  AllRows(0, 1);
  auto count = [](const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  };
  for (Flavour flavour : {Flavour::ScreenLinks, Flavour::ScreenPlain, Flavour::File}) {
    for (bool business : {false, true}) {
      for (const char16_t* person : {u"", u"Nora Lindqvist"}) {
        CStylesheetSource s = Source(0, 4, false);
        s.businessAddress = business;
        s.customerCompany = u"Birchwood Cafe";
        s.customerPerson = person;
        ParsedPage page = Render(doc, Build(s, flavour, true));
        EXPECT_EQ(count(page.text, "12 Alder Street"), 2u);
        EXPECT_EQ(count(page.text, "Birchwood Cafe"), 2u) << page.text;
      }
    }
  }
}

TEST_F(StylesheetPage, PicturesComeFromTheCompanyAndTheSignatureLine) {
  std::string document = slateway::testing::ReadBytes(GoldenFolder() / "invoice.QVN");
  AllRows(0, 1);
  ParsedPage page = Render(document, Build(Source(0, 4, false), Flavour::File, false));
  // The golden invoice has a logo and the signature line picture.
  EXPECT_EQ(page.images, (std::vector<std::string>{"logo.bmp", "KTWSignatureLine.bmp"}));
  // Without a signature file the page still asks for the signature line.
  const std::string tag = "<SIGNATURE_FILE>KTWSignatureLine.bmp</SIGNATURE_FILE>";
  document.replace(document.find(tag), tag.size(), "");
  page = Render(document, Build(Source(0, 4, false), Flavour::File, false));
  EXPECT_EQ(page.images.back(), "KTWSignatureLine.bmp");
}

TEST_F(StylesheetPage, MissingSettingsGiveNoStylesheet) {
  CStylesheetSource s;
  EXPECT_TRUE(BuildStylesheetText(s, false, kOwnDocumentType, true).empty());
}

TEST_F(StylesheetPage, EscapeXmlTextWritesTheFiveReferences) {
  EXPECT_EQ(EscapeXmlText(u"a<b>&\"'c"), u"a&lt;b&gt;&amp;&quot;&apos;c");
  EXPECT_EQ(EscapeXmlText(u""), u"");
  EXPECT_EQ(EscapeXmlText(u"plain é"), u"plain é");
  EXPECT_EQ(EscapeXmlText(u"a<\"'&", false), u"a&lt;\"'&amp;");
}

TEST_F(StylesheetPage, MissingHtmlResourceAppendsNothing) {
  EXPECT_TRUE(LoadHtmlResource(206).empty());
  EXPECT_FALSE(LoadHtmlResource(219).empty());
}

using StylesheetTemplates = StylesheetPage;

TEST_F(StylesheetTemplates, SixPlainTemplatesAreWritten) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Templates", nullptr));
  m_settings->SetCaption(3, 0, u"Payment & Co");
  CStylesheetSource s = Source(0, 4, false);
  ASSERT_TRUE(WriteStylesheetTemplates(s, u"\\Templates\\"));
  const std::map<std::string, int> files = {{"KTWInvoice.XSL", 0},    {"KTWEstimate.XSL", 1},
                                            {"KTWSalesReceipt.XSL", 2}, {"KTWPayment.XSL", 3},
                                            {"KTWSalesOrder.XSL", 4},   {"KTWCreditMemo.XSL", 5}};
  for (const auto& [name, kind] : files) {
    SCOPED_TRACE(name);
    const std::string bytes = slateway::testing::ReadBytes(Root() / "Templates" / name);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find("HREF"), std::string::npos);
    ParsedPage page = Render(slateway::testing::ReadBytes(GoldenFolder() / kGolden[kind]), platform::ToUtf16(bytes));
    EXPECT_EQ(page.errors, 0);
    if (kind == 3) {
      EXPECT_NE(page.text.find("Payment & Co"), std::string::npos);
    }
  }
  // A folder that does not exist: nothing can be written.
  EXPECT_FALSE(WriteStylesheetTemplates(s, u"\\Missing\\"));
}

}  // namespace

// Exports of a sales document.
//   DocumentExport.Html*  the page and its pictures beside it, the signature drawn afresh
//                         under a unique name, line breaks of the notes, the result and
//                         warnings when a part cannot be written
//   DocumentExport.Csv*   the user's stylesheet of the templates folder, quoting, fields
//                         a spreadsheet would take for formulas, and the fixed message
//                         when the stylesheet is missing
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "SalesDocumentFixture.h"
#include "StylesheetTestSupport.h"
#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/ResourceText.h"
#include "datastore/CustomerRecord.h"
#include "document/DocumentStylesheet.h"
#include "document/StylesheetBuilder.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

using slateway::testing::ParsePage;
using slateway::testing::ReadBytes;

std::filesystem::path GoldenFolder() { return std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden"; }

class DocumentExport : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    InstallServices();
    ASSERT_TRUE(CreateDirectoryW(u"\\Export", nullptr));
  }

  std::unique_ptr<CSalesDocument> Golden(const char* file, int type) {
    auto doc = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, nullptr);
    EXPECT_EQ(doc->GetXmlDocument().GetDataDocument()->loadBytes(ReadBytes(GoldenFolder() / file)), S_OK);
    doc->SetDocType(type);
    doc->SetVersion(4);
    doc->RebuildStylesheet();
    return doc;
  }
  // The golden document without its signature strokes.
  std::unique_ptr<CSalesDocument> Unsigned(const char* file, int type) {
    auto doc = Golden(file, type);
    EXPECT_TRUE(doc->GetXmlDocument().SetSignature(CBstr(u"")));
    return doc;
  }

  // Puts a file where the program looks for a picture of that name.
  std::string PlacePicture(bool logo, std::u16string_view name, const std::string& bytes) {
    CBstr path{std::u16string(name)};
    logo ? GetLogoFilePath(path) : GetImageFilePath(path);
    std::filesystem::path file = Linux(path.str());
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }

  std::vector<std::u16string> BoxTexts() {
    std::vector<std::u16string> texts;
    for (const auto& box : platform::MessageBoxLog()) texts.push_back(box.text);
    return texts;
  }

  static bool HasLinks(CSalesDocument& doc) {
    CBstr html;
    EXPECT_EQ(doc.GetXmlDocument().Transform(&html), S_OK);
    return !ParsePage(html.str()).links.empty();
  }
};

TEST_F(DocumentExport, HtmlPageAndPicturesAreWrittenBesideEachOther) {
  auto doc = Unsigned("invoice.QVN", kDocInvoice);
  PlacePicture(true, u"logo.bmp", "BM-logo");
  PlacePicture(false, u"KTWSignatureLine.bmp", "BM-line");
  CBstr logo, signature;
  ASSERT_TRUE(ExportHtml(*doc, nullptr, u"\\Export\\invoice.htm", &logo, &signature, false));
  EXPECT_TRUE(platform::MessageBoxLog().empty());
  EXPECT_EQ(logo.str(), u"\\Export\\logo.bmp");
  EXPECT_EQ(signature.str(), u"\\Export\\KTWSignatureLine.bmp");
  EXPECT_EQ(ReadBytes(Linux(u"\\Export\\logo.bmp")), "BM-logo");
  EXPECT_EQ(ReadBytes(Linux(u"\\Export\\KTWSignatureLine.bmp")), "BM-line");

  const std::string page = ReadBytes(Linux(u"\\Export\\invoice.htm"));
  auto parsed = ParsePage(page);
  EXPECT_EQ(parsed.errors, 0);
  EXPECT_TRUE(parsed.links.empty());  // a page for files carries no links
  EXPECT_EQ(parsed.images, (std::vector<std::string>{"logo.bmp", "KTWSignatureLine.bmp"}));
  // The notes' line break is a line break, the ampersand stays text.
  EXPECT_NE(page.find("First line<br>Second &amp; last"), std::string::npos);
  EXPECT_NE(parsed.text.find("Owner & Sons"), std::string::npos);
  // The document is left with its screen page.
  EXPECT_TRUE(HasLinks(*doc));
}

TEST_F(DocumentExport, SignedDocumentGetsItsSignatureDrawnUnderAUniqueName) {
  auto doc = Golden("invoice.QVN", kDocInvoice);
  PlacePicture(true, u"logo.bmp", "BM-logo");
  ASSERT_TRUE(doc->GetXmlDocument().SetSignature(CBstr(u"0a0a14141e1e28289414")));
  ASSERT_TRUE(doc->GetXmlDocument().SetSignatureFile(CBstr(u"KTWSignature.bmp")));
  CBstr logo, first, second;
  ASSERT_TRUE(ExportHtml(*doc, nullptr, u"\\Export\\a.htm", &logo, &first, true));
  ASSERT_TRUE(ExportHtml(*doc, nullptr, u"\\Export\\b.htm", &logo, &second, true));
  for (const CBstr* path : {&first, &second}) {
    const std::string name = platform::ToUtf8(path->str()).substr(std::string("\\Export\\").size());
    EXPECT_TRUE(std::regex_match(name, std::regex("SIGNATURE_[0-9A-Fa-f]{32}\\.BMP"))) << name;
    EXPECT_EQ(ReadBytes(Linux(path->str())).substr(0, 2), "BM");
  }
  EXPECT_NE(first.str(), second.str());
  auto page = ParsePage(ReadBytes(Linux(u"\\Export\\a.htm")));
  EXPECT_EQ(page.images.back(), platform::ToUtf8(first.str()).substr(8));
  // The document still refers to its own signature picture, and the export's drawing
  // does not stay behind in the image folder.
  CBstr file;
  ASSERT_TRUE(doc->GetXmlDocument().ReadSignatureFile(&file));
  EXPECT_EQ(file.str(), u"KTWSignature.bmp");
  CBstr drawn{platform::ToUtf16(platform::ToUtf8(first.str()).substr(8))};
  GetImageFilePath(drawn);
  EXPECT_FALSE(std::filesystem::exists(Linux(drawn.str())));
}

// A page written into the folder its pictures come from (the top folder of a device whose
// image folder is the top folder) finds them beside it already: exported, nothing copied
// onto itself.
TEST_F(DocumentExport, APageBesideItsOwnPicturesIsExportedWithoutCopyingThem) {
  auto doc = Unsigned("invoice.QVN", kDocInvoice);
  ASSERT_TRUE(doc->GetXmlDocument().SetCompanyGraphic(CBstr(u"")));
  const std::string line = PlacePicture(false, u"KTWSignatureLine.bmp", "BM-line");
  CBstr page(u"invoice.htm");
  GetImageFilePath(page);
  CBstr logo, signature;
  EXPECT_TRUE(ExportHtml(*doc, nullptr, page.view(), &logo, &signature, false));
  EXPECT_TRUE(platform::MessageBoxLog().empty());
  EXPECT_EQ(ReadBytes(line), "BM-line");
  EXPECT_EQ(Linux(signature.str()), std::filesystem::path(line));
  EXPECT_TRUE(std::filesystem::exists(Linux(page.str())));
}

TEST_F(DocumentExport, MissingLogoFileIsReportedButThePageStays) {
  auto doc = Unsigned("invoice.QVN", kDocInvoice);
  PlacePicture(false, u"KTWSignatureLine.bmp", "BM-line");
  CBstr logo, signature;
  EXPECT_FALSE(ExportHtml(*doc, nullptr, u"\\Export\\invoice.htm", &logo, &signature, false));
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\Export\\invoice.htm")));
  EXPECT_TRUE(logo.IsNull());
  EXPECT_EQ(signature.str(), u"\\Export\\KTWSignatureLine.bmp");
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_EXPORT_LOGO_NOT_COPIED),
                                                     LoadResText(IDS_EXPORT_FAILED)}));
}

TEST_F(DocumentExport, DocumentWithoutLogoNeedsNoLogoFile) {
  auto doc = Unsigned("invoice.QVN", kDocInvoice);
  ASSERT_TRUE(doc->GetXmlDocument().SetCompanyGraphic(CBstr(u"")));
  PlacePicture(false, u"KTWSignatureLine.bmp", "BM-line");
  CBstr logo, signature;
  EXPECT_TRUE(ExportHtml(*doc, nullptr, u"\\Export\\invoice.htm", &logo, &signature, false));
  EXPECT_TRUE(platform::MessageBoxLog().empty());
  EXPECT_TRUE(logo.IsNull());
}

TEST_F(DocumentExport, PageThatCannotBeWrittenFailsWhateverThePictures) {
  auto doc = Unsigned("invoice.QVN", kDocInvoice);
  PlacePicture(true, u"logo.bmp", "BM-logo");
  PlacePicture(false, u"KTWSignatureLine.bmp", "BM-line");
  CBstr logo, signature;
  EXPECT_FALSE(ExportHtml(*doc, nullptr, u"\\Nowhere\\invoice.htm", &logo, &signature, false));
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_EXPORT_PAGE_NOT_WRITTEN),
                                                     LoadResText(IDS_EXPORT_FAILED)}));
  EXPECT_TRUE(logo.IsNull());
  EXPECT_TRUE(signature.IsNull());
  EXPECT_TRUE(HasLinks(*doc));
}

TEST_F(DocumentExport, CsvWithoutItsStylesheetShowsTheFixedMessage) {
  std::filesystem::remove(Linux(u"\\Application Data\\VendelSoftware\\Slateway\\Templates\\CSV_Export.xsl"));
  auto doc = Golden("invoice.QVN", kDocInvoice);
  EXPECT_FALSE(ExportCsv(*doc, nullptr, u"\\Export\\invoice.csv"));
  auto log = platform::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, u"Failed to load CSV_Export.xsl file.  Export aborted.");
  EXPECT_EQ(log[0].caption, u"Slateway");
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Export\\invoice.csv")));
}

TEST_F(DocumentExport, CsvQuotesEveryTextAndDoublesItsQuotes) {
  auto doc = NewDocument(kDocInvoice, u"");
  auto line = Line(u"Service", u"2", u"1,250.00");
  line->SetField(6, u"Bolts, \"hex\" & nuts");
  line->SetField(kLineFieldName, u"Bolt \"A\"");
  ASSERT_TRUE(doc->AddLineItem(*line, true, false, 0));
  auto second = Line(u"Service", u"1", u"3");
  second->SetField(6, u"plain");
  ASSERT_TRUE(doc->AddLineItem(*second, true, false, 0));
  doc->GetXmlDocument().SetRootAttribute(u"DATE", CBstr(u"3/10/2026"));
  ASSERT_TRUE(ExportCsv(*doc, nullptr, u"\\Export\\invoice.csv"));
  EXPECT_TRUE(platform::MessageBoxLog().empty());
  // The amounts are whatever the lines hold.
  const std::string total1 = platform::ToUtf8(LineAt(*doc, 0).total.str());
  const std::string total2 = platform::ToUtf8(LineAt(*doc, 1).total.str());
  EXPECT_EQ(ReadBytes(Linux(u"\\Export\\invoice.csv")),
            "Type,Number,Date,Customer,Line,Item Type,Item,Description,Quantity,Rate,Amount,Tax Code\r\n"
            "\"INVOICE\",\"100\",\"3/10/2026\",\"\",\"1\",\"Service\",\"Bolt \"\"A\"\"\","
            "\"Bolts, \"\"hex\"\" & nuts\",\"2\",\"1,250.00\",\"" + total1 + "\",\"Non\"\r\n"
            "\"INVOICE\",\"100\",\"3/10/2026\",\"\",\"2\",\"Service\",\"Service line\",\"plain\",\"1\",\"3\",\"" +
                total2 + "\",\"Non\"\r\n");
}

// The rows of a CSV text as a spreadsheet reads them: fields in quotes with their quotes
// doubled, separated by commas, rows ended by CR LF.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool next = i + 1 < text.size();
    if (quoted && c == '"' && next && text[i + 1] == '"') {
      field += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || (c == '\r' && next && text[i + 1] == '\n'))) {
      rows.back().push_back(std::move(field));
      field.clear();
      if (c == '\r') {
        rows.emplace_back();
        ++i;
      }
    } else {
      field += c;
    }
  }
  rows.pop_back();  // after the last CR LF
  return rows;
}

TEST_F(DocumentExport, CsvFieldsNeverReadAsFormulasAndNegativeAmountsStayNumbers) {
  auto doc = NewDocument(kDocInvoice, u"");
  CTableCustomer customer;
  customer.SetField(kCustFullName, u"=cmd|' /C calc'!A0");
  ASSERT_EQ(doc->GetXmlDocument().WriteCustomer(customer, false), 0);
  const std::u16string withNul(u"Acme\0Tools", 10);
  const std::pair<std::u16string, std::u16string> names[] = {
      {u"@SUM(A1:A9)", withNul}, {u"-2+3", u"\tTab"}, {u"+1+1", u"\rCR"}};
  for (const auto& [name, description] : names) {
    auto line = Line(u"Service", u"-2", u"-3.5");
    line->SetField(kLineFieldName, name);
    line->SetField(6, description);
    ASSERT_TRUE(doc->AddLineItem(*line, true, false, 0));
  }
  ASSERT_TRUE(ExportCsv(*doc, nullptr, u"\\Export\\invoice.csv"));
  auto rows = ReadCsv(ReadBytes(Linux(u"\\Export\\invoice.csv")));
  ASSERT_EQ(rows.size(), 4u);
  for (const auto& row : rows) ASSERT_EQ(row.size(), 12u);
  const std::string total = platform::ToUtf8(LineAt(*doc, 0).total.str());
  const std::vector<std::string> first{"'=cmd|' /C calc'!A0", "1", "Service", "'@SUM(A1:A9)",
                                       "Acme\xEF\xBF\xBDTools", "-2", "-3.5", total, "Non"};
  EXPECT_EQ(std::vector<std::string>(rows[1].begin() + 3, rows[1].end()), first);
  EXPECT_EQ(rows[2][6] + rows[2][7] + rows[3][6] + rows[3][7], "'-2+3'\tTab'+1+1'\rCR");
  for (const auto& row : rows) {
    for (size_t column = 0; column < row.size(); ++column) {
      const std::string& field = row[column];
      const bool formula = !field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string::npos;
      EXPECT_TRUE(!formula || (column >= 8 && column <= 10 && std::regex_match(field, std::regex("-[0-9.,]+"))))
          << "column " << column << ": " << field;
    }
  }
}

TEST_F(DocumentExport, CsvStylesheetThatGivesNothingIsATransformFailure) {
  CBstr templates;
  ASSERT_TRUE(GetAppDataFolder(templates, true));
  std::filesystem::path target = Linux(templates.str() + u"Templates\\CSV_Export.xsl");
  std::filesystem::create_directories(target.parent_path());
  std::ofstream(target) << "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                           "<xsl:output method=\"text\"/><xsl:template match=\"/\"/></xsl:stylesheet>";
  auto doc = Golden("invoice.QVN", kDocInvoice);
  EXPECT_FALSE(ExportCsv(*doc, nullptr, u"\\Export\\invoice.csv"));
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_EXPORT_TRANSFORM_FAILED)}));
  EXPECT_TRUE(HasLinks(*doc));
}

TEST_F(DocumentExport, SignatureFileNamesAreUnique) {
  std::set<std::u16string> names;
  for (int i = 0; i < 200; ++i) names.insert(MakeSignatureFileName().str());
  EXPECT_EQ(names.size(), 200u);
  EXPECT_TRUE(std::regex_match(platform::ToUtf8(*names.begin()), std::regex("SIGNATURE_[0-9A-Fa-f]{32}\\.BMP")));
}

}  // namespace

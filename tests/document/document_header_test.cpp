// The header of a document file as readers take it, older versions included.
//   DocumentHeaderType.*     DOCTYPE words (spaced, lower-case), the ESTIMATE flag of
//                            files without a type word, templates and their original type
//   DocumentHeaderVersion.*  VERSION: none, low, letters, above 4 with the warning
//   DocumentHeaderFields.*   STYLE, the missing DATE and logo size, the whole rule set on
//                            a file from disk
#include <string>

#include "document/DocumentHeader.h"
#include "document/XmlDocument.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

class DocumentHeaderTest : public platform::testing::DeviceTest {
 protected:
  // A document whose root carries `attributes` (raw XML attribute text).
  CXmlDocument& Load(const std::u16string& attributes) {
    m_doc = std::make_unique<CXmlDocument>(nullptr);
    EXPECT_TRUE(m_doc->LoadXmlText(u"<?xml version=\"1.0\"?><QVN " + attributes + u"><CUSTOMER/><JOB/><TOTALS/></QVN>"));
    return *m_doc;
  }
  std::u16string Root(std::u16string_view name) {
    CBstr value;
    return m_doc->GetRootAttribute(name, &value) ? value.str() : u"<missing>";
  }
  std::unique_ptr<CXmlDocument> m_doc;
};

using DocumentHeaderType = DocumentHeaderTest;
using DocumentHeaderVersion = DocumentHeaderTest;
using DocumentHeaderFields = DocumentHeaderTest;

TEST_F(DocumentHeaderType, TypeWordsAreReadWhateverTheirCaseAndBlanks) {
  const struct {
    const char16_t* attributes;
    int type;
  } cases[] = {
      {u"DOCTYPE=\"INVOICE\"", kInvoice},           {u"DOCTYPE=\"estimate\"", kEstimate},
      {u"DOCTYPE=\"SalesReceipt\"", kSalesReceipt}, {u"DOCTYPE=\"SALES RECEIPT\"", kSalesReceipt},
      {u"DOCTYPE=\"Payment\"", kPayment},           {u"DOCTYPE=\"sales order\"", kSalesOrder},
      {u"DOCTYPE=\"SALESORDER\"", kSalesOrder},     {u"DOCTYPE=\"Credit Memo\"", kCreditMemo},
      {u"DOCTYPE=\"CREDITMEMO\"", kCreditMemo},     {u"DOCTYPE=\"MEMORIZED\"", kMemorized},
      // A known word wins over the old flag.
      {u"DOCTYPE=\"INVOICE\" ESTIMATE=\"YES\"", kInvoice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.attributes));
    CXmlDocument& doc = Load(c.attributes);
    std::u16string before = Root(u"DOCTYPE");
    EXPECT_EQ(ReadDocumentType(doc, true), c.type);
    EXPECT_EQ(Root(u"DOCTYPE"), before) << "a known word is left as written";
  }
}

TEST_F(DocumentHeaderType, FilesWithoutATypeWordAreEstimatesByTheOldFlagAndGainTheWord) {
  const struct {
    const char16_t* attributes;
    int type;
    const char16_t* word;
  } cases[] = {
      {u"ESTIMATE=\"YES\"", kEstimate, u"ESTIMATE"},
      {u"ESTIMATE=\"NO\"", kInvoice, u"INVOICE"},
      {u"ESTIMATE=\"yes\"", kInvoice, u"INVOICE"},  // the flag is compared exactly
      {u"", kInvoice, u"INVOICE"},
      {u"DOCTYPE=\"\" ESTIMATE=\"YES\"", kEstimate, u"ESTIMATE"},
      {u"DOCTYPE=\"QUOTE\" ESTIMATE=\"YES\"", kEstimate, u"ESTIMATE"},
      {u"DOCTYPE=\"BILL\"", kInvoice, u"INVOICE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.attributes));
    CXmlDocument& doc = Load(c.attributes);
    std::u16string before = Root(u"DOCTYPE");
    EXPECT_EQ(ReadDocumentType(doc, false), c.type);
    EXPECT_EQ(Root(u"DOCTYPE"), before) << "the register scan only reads";
    EXPECT_EQ(ReadDocumentType(doc, true), c.type);
    EXPECT_EQ(Root(u"DOCTYPE"), c.word);
    EXPECT_EQ(ReadDocumentType(doc, true), c.type) << "the written word reads the same";
  }
}

TEST_F(DocumentHeaderType, TemplatesOpenAsTheirOriginalType) {
  const struct {
    const char16_t* original;
    int type;
  } cases[] = {
      {u"ORIGINAL_DOCTYPE=\"SALESORDER\"", kSalesOrder}, {u"ORIGINAL_DOCTYPE=\"credit memo\"", kCreditMemo},
      {u"ORIGINAL_DOCTYPE=\"ESTIMATE\"", kEstimate},     {u"", kInvoice},
      {u"ORIGINAL_DOCTYPE=\"MEMORIZED\"", kInvoice},     {u"ORIGINAL_DOCTYPE=\"??\"", kInvoice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.original));
    CXmlDocument& doc = Load(u"DOCTYPE=\"MEMORIZED\" VERSION=\"4\" " + std::u16string(c.original));
    CDocumentFileHeader kept = ApplyOlderFileRules(doc, nullptr, false);
    EXPECT_EQ(kept.storedType, kMemorized);
    EXPECT_EQ(kept.openType, c.type);
    EXPECT_EQ(Root(u"DOCTYPE"), u"MEMORIZED") << "not opened as a document: the template stays";
    CDocumentFileHeader opened = ApplyOlderFileRules(doc, nullptr, true);
    EXPECT_EQ(opened.storedType, kMemorized);
    EXPECT_EQ(opened.openType, c.type);
    EXPECT_EQ(Root(u"DOCTYPE"), DocumentTypeWord(c.type));
  }
  EXPECT_EQ(std::u16string(DocumentTypeWord(7)), u"INVOICE");
  EXPECT_EQ(std::u16string(DocumentTypeWord(-1)), u"INVOICE");
  EXPECT_EQ(std::u16string(DocumentTypeWord(kMemorized)), u"MEMORIZED");
}

TEST_F(DocumentHeaderVersion, VersionsReadTwoToFourAndWarnAboveFour) {
  const struct {
    const char16_t* attributes;
    int version;
    bool warned;
  } cases[] = {
      {u"", 2, false},           {u"VERSION=\"\"", 2, false},     {u"VERSION=\"1\"", 2, false},
      {u"VERSION=\"2\"", 2, false}, {u"VERSION=\"3\"", 3, false}, {u"VERSION=\"4\"", 4, false},
      {u"VERSION=\"V3\"", 3, false}, {u"VERSION=\"VR4\"", 4, false}, {u"VERSION=\"V5\"", 4, true},
      {u"VERSION=\"12\"", 4, true},  {u"VERSION=\"-3\"", 2, false},  {u"VERSION=\"x\"", 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.attributes));
    platform::testing::MessageBoxScript boxes;
    if (c.warned) boxes.ExpectAny();
    CXmlDocument& doc = Load(c.attributes);
    EXPECT_EQ(ReadDocumentVersion(doc, nullptr), c.version);
    EXPECT_EQ(boxes.Shown().size(), c.warned ? 1u : 0u);
  }
}

TEST_F(DocumentHeaderFields, StyleIsFourWhenMissingOrOutOfRange) {
  const struct {
    const char16_t* attributes;
    int style;
  } cases[] = {
      {u"", 4},           {u"STYLE=\"\"", 4},  {u"STYLE=\"0\"", 0},  {u"STYLE=\"2\"", 2},
      {u"STYLE=\"4\"", 4}, {u"STYLE=\"5\"", 4}, {u"STYLE=\"-1\"", 4}, {u"STYLE=\"99999999999\"", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.attributes));
    EXPECT_EQ(ReadDocumentStyle(Load(c.attributes)), c.style);
  }
}

TEST_F(DocumentHeaderFields, MissingDateAndLogoSizeAreFilled) {
  // The test clock stands at 2026-03-10.
  CXmlDocument& doc = Load(u"TERMS=\"Net 30\" TERMDAYS=\"30\"");
  EXPECT_TRUE(FillMissingHeaderFields(doc));
  EXPECT_EQ(Root(u"DATE"), u"3/10/2026");
  EXPECT_EQ(Root(u"DATEQB"), u"2026-03-10");
  EXPECT_EQ(Root(u"DUEDATE"), u"4/9/2026");
  EXPECT_EQ(Root(u"DUEDATEQB"), u"2026-04-09");
  EXPECT_EQ(Root(u"LOGOWIDTH"), u"32");
  EXPECT_EQ(Root(u"LOGOHEIGHT"), u"32");
  EXPECT_FALSE(FillMissingHeaderFields(doc)) << "nothing is missing any more";

  // Present values stay; an empty DATE counts as missing.
  Load(u"DATE=\"1/2/2009\" DUEDATE=\"2/1/2009\" LOGOWIDTH=\"64\" LOGOHEIGHT=\"48\"");
  EXPECT_FALSE(FillMissingHeaderFields(*m_doc));
  EXPECT_EQ(Root(u"DATE") + Root(u"DUEDATE") + Root(u"LOGOWIDTH") + Root(u"LOGOHEIGHT"), u"1/2/20092/1/20096448");
  Load(u"DATE=\"\" LOGOWIDTH=\"64\"");
  EXPECT_TRUE(FillMissingHeaderFields(*m_doc));
  EXPECT_EQ(Root(u"DATE") + u"|" + Root(u"DUEDATE"), u"3/10/2026|3/10/2026") << "no terms: due today";
  EXPECT_EQ(Root(u"LOGOHEIGHT"), u"<missing>") << "the height follows only a missing width";
}

TEST_F(DocumentHeaderFields, TermDaysThatLeaveTheCalendarGiveADueDateOfToday) {
  // Found by fuzzing: a day count this large overflowed the date arithmetic.
  for (const char16_t* days : {u"2147483647", u"-2147483648", u"342949672960", u"99999999"}) {
    SCOPED_TRACE(platform::ToUtf8(days));
    Load(u"TERMDAYS=\"" + std::u16string(days) + u"\"");
    EXPECT_TRUE(FillMissingHeaderFields(*m_doc));
    EXPECT_EQ(Root(u"DATE"), u"3/10/2026");
    EXPECT_EQ(Root(u"DUEDATE") + u"|" + Root(u"DUEDATEQB"), u"3/10/2026|2026-03-10");
  }
}

TEST_F(DocumentHeaderFields, AnOldEstimateFromDiskOpensWithEveryRule) {
  WriteText(u"\\My Documents\\Est 7.QVN",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
            "<ESTIMATE ID=\"7\" ESTIMATE=\"YES\" TERMDAYS=\"15\">\r\n"
            "  <CUSTOMER><FULLNAME>Old</FULLNAME></CUSTOMER><JOB/><TOTALS><TOTAL>1.00</TOTAL></TOTALS>\r\n"
            "</ESTIMATE>\r\n");
  m_doc = std::make_unique<CXmlDocument>(nullptr);
  CBstr error;
  ASSERT_TRUE(m_doc->LoadFile(u"\\My Documents\\Est 7.QVN", &error));
  CDocumentFileHeader header = ApplyOlderFileRules(*m_doc, nullptr, true);
  EXPECT_EQ(header.storedType, kEstimate);
  EXPECT_EQ(header.openType, kEstimate);
  EXPECT_EQ(header.version, 2);
  EXPECT_EQ(header.style, 4);
  EXPECT_EQ(Root(u"DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(Root(u"DUEDATEQB"), u"2026-03-25");
  EXPECT_EQ(Root(u"LOGOWIDTH") + Root(u"LOGOHEIGHT"), u"3232");
  EXPECT_EQ(Root(u"VERSION"), u"<missing>") << "VERSION is never written";
  // Saved and read again, the file now carries what the rules wrote.
  ASSERT_TRUE(m_doc->SaveFile(u"\\My Documents\\Est 7.QVN"));
  CXmlDocument again(nullptr);
  ASSERT_TRUE(again.LoadFile(u"\\My Documents\\Est 7.QVN", &error));
  CBstr type;
  EXPECT_TRUE(again.GetRootAttribute(u"DOCTYPE", &type));
  EXPECT_EQ(type.str(), u"ESTIMATE");
}

}  // namespace

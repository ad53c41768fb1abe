// Document files as the program writes them.
//   DocumentSkeleton.*  the new-document skeleton of the language library: for every type
//                       the concatenated strings load as a version-4 document with its
//                       blocks; the library's texts for a load that finds no memory
//   DocumentGolden.*    a document of each type written from known fields matches its
//                       golden file byte for byte and reads back field by field
//   DocumentOlder.*     files of older versions and other writers still read, and the
//                       opener's rules give them a type, version, style and date
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SalesDocumentFixture.h"
#include "core/CompanyInfo.h"
#include "core/ResourceText.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "document/DocumentHeader.h"
#include "document/JobRecord.h"
#include "document/XmlDocument.h"
#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "resources/resource_ids.h"

namespace {

class DocumentSkeleton : public sales_test::SalesDocumentTest {
 protected:
  static std::u16string Skeleton(UINT typeString) {
    std::u16string text;
    for (UINT id : {static_cast<UINT>(IDS_SKELETON_DECLARATION), typeString,
                    static_cast<UINT>(IDS_SKELETON_COMPANY_SHIPTO), static_cast<UINT>(IDS_SKELETON_CUSTOMER),
                    static_cast<UINT>(IDS_SKELETON_JOB), static_cast<UINT>(IDS_SKELETON_TOTALS),
                    static_cast<UINT>(IDS_SKELETON_END)})
      text += LoadResText(id);
    return text;
  }
};

TEST_F(DocumentSkeleton, EveryTypeGivesALoadableVersionFourDocumentWithItsBlocks) {
  const UINT types[] = {IDS_SKELETON_INVOICE, IDS_SKELETON_ESTIMATE, IDS_SKELETON_SALES_RECEIPT,
                        IDS_SKELETON_PAYMENT, IDS_SKELETON_SALES_ORDER, IDS_SKELETON_CREDIT_MEMO};
  for (UINT type : types) {
    SCOPED_TRACE(type);
    std::u16string text = Skeleton(type);
    CXmlDocument doc(nullptr);
    ASSERT_TRUE(doc.LoadXmlText(text)) << platform::ToUtf8(text);
    CBstr version;
    EXPECT_TRUE(doc.GetRootAttribute(u"VERSION", &version));
    EXPECT_EQ(version.str(), u"4");
    for (const char16_t* block : {u"CUSTOMER", u"JOB", u"TOTALS"}) EXPECT_EQ(doc.CountElements(block), 1);
    EXPECT_EQ(doc.WriteTotals(CBstr(u"0.00"), CBstr(u"0.00"), CBstr(u"0.00"), CBstr()), 0);
    EXPECT_TRUE(doc.SetSignatureFile(CBstr(u"KTWSignatureLine.bmp")));
    EXPECT_FALSE(doc.HasLineItems());
    ASSERT_TRUE(CreateDirectoryW(u"\\Docs", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(doc.SaveFile(u"\\Docs\\new.QVN"));
    CXmlDocument back(nullptr);
    CBstr error;
    EXPECT_TRUE(back.LoadFile(u"\\Docs\\new.QVN", &error));
  }
}

TEST_F(DocumentSkeleton, MemoryFailuresWhileLoadingShowTheLibraryTexts) {
  WriteText(u"\\a.QVN", platform::ToUtf8(Skeleton(IDS_SKELETON_INVOICE)));
  const std::u16string bytesText = LoadResText(IDS_OUT_OF_MEMORY);
  const std::u16string wideText = LoadResText(IDS_TEXT_OUT_OF_MEMORY);
  ASSERT_FALSE(bytesText.empty());
  ASSERT_FALSE(wideText.empty()) << "the language library has the text";
  EXPECT_NE(bytesText, wideText);
  CXmlDocument doc(nullptr);
  CBstr error;
  platform::InjectFault(platform::Fault::Allocation);  // the file's bytes
  EXPECT_FALSE(doc.LoadFile(u"\\a.QVN", &error));
  EXPECT_EQ(error.str(), bytesText);
  platform::InjectFault(platform::Fault::Allocation, 1);  // the wide text
  EXPECT_FALSE(doc.LoadFile(u"\\a.QVN", &error));
  EXPECT_EQ(error.str(), wideText);
}

struct TypeCase {
  UINT skeleton;
  const char* file;
};
const TypeCase kTypes[] = {
    {IDS_SKELETON_INVOICE, "invoice.QVN"},         {IDS_SKELETON_ESTIMATE, "estimate.QVN"},
    {IDS_SKELETON_SALES_RECEIPT, "salesreceipt.QVN"}, {IDS_SKELETON_PAYMENT, "payment.QVN"},
    {IDS_SKELETON_SALES_ORDER, "salesorder.QVN"},  {IDS_SKELETON_CREDIT_MEMO, "creditmemo.QVN"},
};

const std::pair<const char16_t*, const char16_t*> kHeader[] = {
    {u"STYLE", u"4"},          {u"ID", u"1001"},          {u"DATE", u"3/10/2026"},    {u"DATEQB", u"2026-03-10"},
    {u"DUEDATE", u"4/9/2026"}, {u"DUEDATEQB", u"2026-04-09"}, {u"TERMS", u"Net 30"}, {u"TERMDAYS", u"30"},
    {u"PAYMENT", u""},         {u"TAXNAME", u"State"},    {u"TAXRATE", u"8.25%"},     {u"SHOWMSG", u"NO"},
    {u"NOTES", u"First line<br>Second & last"},           {u"PAID", u"NO"},          {u"AMTINCTAX", u"false"},
    {u"OTHER1FIELDNAME", u"Other 1"},                     {u"SIGNED", u"(signed 3/10/2026 - 09:30:00 AM)"},
};

CDbRecord GoldenLine(std::u16string_view key, std::u16string_view name, std::u16string_view quantity,
                     std::u16string_view price) {
  CDbRecord r;
  r.SetField(13, key);
  r.SetField(1, u"Inventory Part");
  r.SetField(0, u"80000001-1234567890");
  r.SetField(5, u"Hardware");
  r.SetField(10, quantity);
  r.SetField(3, name);
  r.SetField(6, u"");
  r.SetField(11, price);
  r.SetField(18, u"0.10");
  r.SetField(8, u"Tax");
  r.SetField(2, u"each");
  r.SetField(19, u"");
  return r;
}

// The customer block's fields with the texts the golden files hold.
const std::pair<int, const char16_t*> kCustomer[] = {
    {kCustListID, u"80000007-1234567890"}, {kCustFirstName, u"Ann"},     {kCustLastName, u"Lee"},
    {kCustContact, u"Bo Lee"},            {kCustName, u"Kitchen"},       {kCustSalutation, u"Dr."},
    {kCustExtraName, u"Jr."},             {kCustCompanyName, u"Lee & Co"}, {kCustFullName, u"Lee & Co:Kitchen"},
    {kCustParentFullName, u"Lee & Co"},   {kCustBillToAddr1, u"2 Side Rd"}, {kCustBillToAddr2, u"Flat <2>"},
    {kCustBillToAddr3, u""},              {kCustBillToAddr4, u""},       {kCustBillToCity, u"Springfield"},
    {kCustBillToState, u"IL"},            {kCustBillToPostalCode, u"62701"}, {kCustBillToCountry, u"USA"},
    {kCustPhone, u"555-0101"},            {kCustAltPhone, u""},          {kCustFax, u"555-0102"},
    {kCustSalesTaxCode, u"Tax"},          {kCustPriceLevel, u"Gold"},    {kCustEmail, u"ann@example.test"},
};
// Job slots as stored (5 and 11 are not).
const char16_t* const kJob[CJobRecord::kSlots] = {
    u"Kitchen", u"Refit", u"Remodel", u"Open", u"3/1/2026", u"3/2/2026", u"5/1/2026", u"", u"2 Side Rd",
    u"", u"", u"unused", u"Springfield", u"IL", u"62701", u"80000009-1234567890", u"Side door"};

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using DocumentGolden = DocumentSkeleton;

TEST_F(DocumentGolden, EachTypeIsWrittenExactlyAndReadsBackFieldByField) {
  const std::filesystem::path golden = std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden";
  ASSERT_TRUE(CreateDirectoryW(u"\\Docs", nullptr));
  for (const TypeCase& t : kTypes) {
    SCOPED_TRACE(t.file);
    CXmlDocument doc(nullptr);
    doc.SetUseSalesTax(true);
    ASSERT_TRUE(doc.LoadXmlText(Skeleton(t.skeleton)));
    for (const auto& [name, value] : kHeader) ASSERT_TRUE(doc.SetRootAttribute(name, CBstr(value)));
    ASSERT_EQ(doc.WriteCompany(u"COMPANY", CBstr(u"Pat Owner"), CBstr(u"Owner & Sons"), CBstr(u"1 Main St"),
                               CBstr(u"Suite 2"), CBstr(u""), CBstr(u"555-0100"), CBstr(u"pat@example.test"),
                               CBstr(u"YES")),
              0);
    ASSERT_TRUE(doc.SetCompanyGraphic(CBstr(u"logo.bmp")));
    CShipToTexts ship;
    ship.name = CBstr(u"Ann Lee");
    ship.address1 = CBstr(u"2 Side Rd");
    ship.address2 = CBstr(u"");
    ship.city = CBstr(u"Springfield");
    ship.state = CBstr(u"IL");
    ship.zip = CBstr(u"62701");
    ship.country = CBstr(u"USA");
    ASSERT_EQ(doc.WriteShipTo(ship), 0);
    CTableCustomer customer;
    for (const auto& [index, text] : kCustomer) customer.SetField(index, text);
    ASSERT_EQ(doc.WriteCustomer(customer, false), 0);
    ASSERT_TRUE(doc.SetSignature(CBstr(u"10,10;12,14;")));
    ASSERT_TRUE(doc.SetSignatureFile(CBstr(u"KTWSignatureLine.bmp")));
    CJobRecord job;
    for (int i = 0; i < CJobRecord::kSlots; ++i) job.SetField(i, CBstr(kJob[i]));
    ASSERT_EQ(doc.WriteJob(job), 0);
    ASSERT_EQ(doc.InsertLineItem(CBstr(), GoldenLine(doc.ChooseLineKey(CBstr()).view(), u"Bolt", u"3", u"1.25")), S_OK);
    ASSERT_EQ(doc.InsertLineItem(CBstr(u"1"), GoldenLine(doc.ChooseLineKey(CBstr(u"1")).view(), u"Nut é", u"2", u"0.50")),
              S_OK);
    ASSERT_EQ(doc.WriteTotals(CBstr(u"4.75"), CBstr(u"0.39"), CBstr(u"5.14"), CBstr(u"5")), 0);
    const std::u16string path = u"\\Docs\\" + platform::ToUtf16(t.file);
    ASSERT_TRUE(doc.SaveFile(path));
    std::string written = ReadText(path);
    if (std::getenv("SLATEWAY_UPDATE_GOLDEN")) {
      std::ofstream(golden / t.file, std::ios::binary) << written;
    }
    EXPECT_EQ(written, ReadFile(golden / t.file));

    CXmlDocument back(nullptr);
    CBstr error;
    ASSERT_TRUE(back.LoadFile(path, &error));
    for (const auto& [name, value] : kHeader) {
      CBstr read;
      EXPECT_TRUE(back.GetRootAttribute(name, &read));
      EXPECT_EQ(read.str(), value) << platform::ToUtf8(name);
    }
    CShipToTexts shipBack;
    ASSERT_TRUE(back.ReadShipTo(&shipBack));
    EXPECT_EQ(shipBack.name.str() + shipBack.city.str() + shipBack.zip.str(), u"Ann LeeSpringfield62701");
    CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
    ASSERT_TRUE(back.ReadCompany(&company));
    EXPECT_EQ(company.GetName(), u"Owner & Sons");
    EXPECT_EQ(company.GetUserName(), u"Pat Owner");
    EXPECT_EQ(company.GetAddress1() + u"|" + company.GetAddress2() + u"|" + company.GetAddress3(), u"1 Main St|Suite 2|");
    EXPECT_EQ(company.GetPhone() + u"|" + company.GetEMail() + u"|" + company.GetShowLogo(),
              u"555-0100|pat@example.test|YES");
    CTableCustomer customerBack;
    ASSERT_TRUE(back.ReadCustomer(&customerBack, false));
    for (const auto& [index, text] : kCustomer) {
      if (index == kCustContact || index == kCustBillToCountry) continue;  // written, never read
      EXPECT_EQ(customerBack.FieldView(index), text) << "customer field " << index;
    }
    CJobRecord jobBack;
    ASSERT_TRUE(back.ReadJob(&jobBack));
    for (int i = 0; i < CJobRecord::kSlots; ++i) {
      if (i == 5 || i == 11) continue;
      EXPECT_EQ(std::u16string(jobBack.GetField(i)), kJob[i]) << "job slot " << i;
    }
    CBstr strokes;
    EXPECT_TRUE(back.ReadSignature(&strokes));
    EXPECT_EQ(strokes.str(), u"10,10;12,14;");
    CBstr graphic, signature, sub, tax, total, qty;
    EXPECT_TRUE(back.ReadCompanyGraphic(&graphic));
    EXPECT_EQ(graphic.str(), u"logo.bmp");
    EXPECT_TRUE(back.ReadSignatureFile(&signature));
    EXPECT_EQ(signature.str(), u"KTWSignatureLine.bmp");
    EXPECT_TRUE(back.ReadTotals(&sub, &tax, &total, &qty));
    EXPECT_EQ(sub.str() + u"|" + tax.str() + u"|" + total.str() + u"|" + qty.str(), u"4.75|0.39|5.14|5");
    CDbRecord line;
    ASSERT_TRUE(back.ReadLineItem(CBstr(u"2"), &line));
    EXPECT_EQ(line.FieldView(3), u"Nut é");
    EXPECT_EQ(line.FieldView(6), u"Nut é");
    EXPECT_EQ(line.FieldView(12), u"1.00T");
    EXPECT_EQ(line.FieldView(0), u"80000001-1234567890");
    CLineItemTexts first;
    ASSERT_TRUE(back.ReadFirstLineItem(&first));
    EXPECT_EQ(first.key.str(), u"2") << "inserted before line 1";
    ASSERT_TRUE(back.ReadNextLineItem(&first));
    EXPECT_EQ(first.key.str() + u"|" + first.quantity.str() + u"|" + first.total.str(), u"1|3|3.75T");
  }
}

using DocumentOlder = platform::testing::DeviceTest;

TEST_F(DocumentOlder, VersionTwoFileFromAnotherWriterReads) {
  // Single-byte encoding, no VERSION, the old ESTIMATE flag, blocks in another order,
  // indentation, and the CODE and TAX2 children only other writers put in.
  WriteText(u"\\old.QVN",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
            "<INVOICE ID=\"17\" ESTIMATE=\"YES\" DATE=\"1/2/2009\" NOTES=\"Caf\xe9\">\r\n"
            "  <LINEITEM ID=\"1\">\r\n    <CODE>X1</CODE>\r\n    <TYPE>Service</TYPE>\r\n"
            "    <NAME>Repair</NAME>\r\n    <TAX2>Y</TAX2>\r\n  </LINEITEM>\r\n"
            "  <TOTALS>\r\n    <TOTAL>12.00</TOTAL>\r\n  </TOTALS>\r\n"
            "  <CUSTOMER>\r\n    <FULLNAME>Old \x80 Customer</FULLNAME>\r\n  </CUSTOMER>\r\n"
            "</INVOICE>\r\n");
  CXmlDocument doc(nullptr);
  CBstr error;
  ASSERT_TRUE(doc.LoadFile(u"\\old.QVN", &error));
  CBstr value;
  EXPECT_FALSE(doc.GetRootAttribute(u"VERSION", &value));
  EXPECT_TRUE(doc.GetRootAttribute(u"ESTIMATE", &value));
  EXPECT_EQ(value.str(), u"YES");
  EXPECT_TRUE(doc.GetRootAttribute(u"NOTES", &value));
  EXPECT_EQ(value.str(), u"Caf\u00e9");
  EXPECT_TRUE(doc.GetCustomerFullName(&value));
  EXPECT_EQ(value.str(), u"Old \u20ac Customer");
  EXPECT_TRUE(doc.ReadTotal(&value));
  EXPECT_EQ(value.str(), u"12.00");
  CLineItemTexts line;
  ASSERT_TRUE(doc.ReadFirstLineItem(&line));
  EXPECT_EQ(line.code.str() + line.tax2.str() + line.name.str(), u"X1YRepair");
  EXPECT_FALSE(doc.ReadNextLineItem(&line));
  CTableCustomer customer;
  ASSERT_TRUE(doc.ReadCustomer(&customer, false));
  EXPECT_EQ(customer.FieldView(kCustFullName), u"Old \u20ac Customer");
  EXPECT_EQ(customer.FieldView(kCustFirstName), u"");

  // The opener's rules: an estimate by the old flag (and the word written), version 2,
  // style 4, today's date, the default logo size.
  CDocumentFileHeader header = ApplyOlderFileRules(doc, nullptr, true);
  EXPECT_EQ(header.storedType, kEstimate);
  EXPECT_EQ(header.version, 2);
  EXPECT_EQ(header.style, 4);
  for (const auto& [name, expected] : {std::pair{u"DOCTYPE", u"ESTIMATE"}, std::pair{u"DATE", u"1/2/2009"},
                                       std::pair{u"LOGOWIDTH", u"32"}, std::pair{u"LOGOHEIGHT", u"32"}}) {
    EXPECT_TRUE(doc.GetRootAttribute(name, &value));
    EXPECT_EQ(value.str(), expected) << platform::ToUtf8(name);
  }
  EXPECT_FALSE(doc.GetRootAttribute(u"DUEDATE", &value)) << "a file with its date keeps its due date as it is";
}

}  // namespace

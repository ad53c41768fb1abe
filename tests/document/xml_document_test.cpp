// The XML document wrapper.
//   XmlDocumentFiles.*   loading files (the "<?xml" test, error texts, encodings), saving
//                        atomically, round trips
//   XmlDocumentTree.*    root attributes, the element writer, the child walk, searches and
//                        SetChildText's absent/empty rules
//   XmlDocumentBlocks.*  block writers and readers: created or refused when missing; the
//                        company and customer blocks into and from their records
//   XmlDocumentLines.*   line search, removal, next key, indexed reads and the cursor
#include <string>

#include "core/CompanyInfo.h"
#include "core/ResourceText.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "document/JobRecord.h"
#include "document/XmlDocument.h"
#include "../core/InstalledDeviceFixture.h"

namespace {


constexpr char kSkeleton[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<QVN VERSION=\"4\" ID=\"1001\" DOCTYPE=\"INVOICE\">"
    "<CUSTOMER><LISTID>80000001</LISTID><FIRSTNAME>Ann</FIRSTNAME><LASTNAME>Lee</LASTNAME>"
    "<COMPANYNAME>Lee &amp; Co</COMPANYNAME><FULLNAME>Lee, Ann</FULLNAME><EMAIL></EMAIL></CUSTOMER>"
    "<JOB/><TOTALS><SUBTOTAL>10.00</SUBTOTAL><TAX>0.80</TAX><TOTAL>10.80</TOTAL></TOTALS>"
    "<LINEITEM ID=\"1\"><TYPE>Service</TYPE><QUANTITY>1</QUANTITY><NAME>Labour</NAME><PRICE>10.00</PRICE>"
    "<TOTAL>10.00</TOTAL><CODE>C1</CODE><TAX2>T2</TAX2></LINEITEM>"
    "<LINEITEM ID=\"2\"><TYPE>Inventory Part</TYPE><NAME>Bolt</NAME></LINEITEM>"
    "<LINEITEM ID=\"4\"><NAME>Nut</NAME></LINEITEM>"
    "</QVN>";

class XmlDocumentTest : public slateway::testing::InstalledDeviceTest {
 protected:
  void SetUp() override {
    InstalledDeviceTest::SetUp();
    doc = std::make_unique<CXmlDocument>(nullptr);
    ASSERT_TRUE(doc->IsUsable());
  }
  void LoadSkeleton() { ASSERT_TRUE(doc->LoadXmlText(platform::ToUtf16(kSkeleton))); }
  std::u16string Xml() {
    CBstr x;
    doc->GetDataDocument()->get_xml(&x);
    return x.str();
  }
  std::unique_ptr<CXmlDocument> doc;
};

using XmlDocumentFiles = XmlDocumentTest;
using XmlDocumentTree = XmlDocumentTest;
using XmlDocumentBlocks = XmlDocumentTest;
using XmlDocumentLines = XmlDocumentTest;

// ---- Files ----------------------------------------------------------------------------------

TEST_F(XmlDocumentFiles, LoadFailuresGiveTheirErrorTexts) {
  const std::u16string path = u"\\My Documents\\Inv 1.QVN";
  CBstr error;
  EXPECT_FALSE(doc->LoadFile(path, &error));
  EXPECT_EQ(error.str(), u"Unknown") << "missing file";
  WriteText(path, "");
  EXPECT_FALSE(doc->LoadFile(path, &error));
  EXPECT_EQ(error.str(), u"Unknown") << "zero bytes";
  const std::u16string corrupt = u"Failed to load '" + path + u"'.  This file may be corrupt.";
  const char* bad[] = {
      "<QVN ID=\"1\"><TOTALS/></QVN>",                       // well formed, but no declaration
      "<?xml version=\"1.0\"?><QVN><TOTALS></QVN>",          // truncated / mismatched
      "PK\x03\x04 not xml at all",                           // not XML
      "<?xml version=\"1.0\"?>",                             // no root
  };
  for (const char* bytes : bad) {
    SCOPED_TRACE(bytes);
    WriteText(path, bytes);
    EXPECT_FALSE(doc->LoadFile(path, &error));
    EXPECT_EQ(error.str(), corrupt);
  }
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
}

TEST_F(XmlDocumentFiles, TextWithoutDeclarationLeavesTheDocumentAsItWas) {
  LoadSkeleton();
  EXPECT_FALSE(doc->LoadXmlText(u"<OTHER/>"));
  CBstr id;
  EXPECT_TRUE(doc->GetRootAttribute(u"ID", &id));
  EXPECT_EQ(id.str(), u"1001");
  EXPECT_FALSE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><A><B></A>"));
}

TEST_F(XmlDocumentFiles, MemoryFailuresGiveTheMemoryTexts) {
  WriteText(u"\\a.xml", kSkeleton);
  CBstr error;
  platform::InjectFault(platform::Fault::Allocation);
  EXPECT_FALSE(doc->LoadFile(u"\\a.xml", &error));
  EXPECT_EQ(error.str(), LoadResText(40244));
  platform::InjectFault(platform::Fault::Allocation, 1);
  EXPECT_FALSE(doc->LoadFile(u"\\a.xml", &error));
  EXPECT_EQ(error.str(), LoadResText(40250));
  EXPECT_TRUE(doc->LoadFile(u"\\a.xml", &error));
  EXPECT_TRUE(error.IsNull()) << "success clears the error text";
}

TEST_F(XmlDocumentFiles, SaveAndLoadRoundTripNonAsciiAndKeepTheOldFileOnFailure) {
  LoadSkeleton();
  ASSERT_TRUE(doc->SetRootAttribute(u"NOTES", CBstr(u"caf\u00e9 \u20ac \u4e2d<br>second & last")));
  const std::u16string path = u"\\My Documents\\Inv 1001.QVN";
  EXPECT_FALSE(doc->SaveFile(path)) << "the folder does not exist yet";
  ASSERT_TRUE(CreateDirectoryW(u"\\My Documents", nullptr));
  ASSERT_TRUE(doc->SaveFile(path));
  std::string saved = ReadText(path);
  CXmlDocument back(nullptr);
  CBstr error;
  ASSERT_TRUE(back.LoadFile(path, &error)) << platform::ToUtf8(error.view());
  CBstr notes;
  EXPECT_TRUE(back.GetRootAttribute(u"NOTES", &notes));
  EXPECT_EQ(notes.str(), u"caf\u00e9 \u20ac \u4e2d<br>second & last");

  doc->SetRootAttribute(u"ID", CBstr(u"1002"));
  platform::InjectFault(platform::Fault::FileRename);
  EXPECT_FALSE(doc->SaveFile(path));
  EXPECT_EQ(ReadText(path), saved);
  CXmlDocument empty(nullptr);
  EXPECT_FALSE(empty.SaveFile(u"\\empty.xml")) << "nothing to write";
}

TEST_F(XmlDocumentFiles, DocumentOfFiveThousandLinesSavesAndOpensAgain) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><QVN VERSION=\"4\"><TOTALS/>";
  for (int i = 1; i <= 5000; ++i)
    text += "<LINEITEM ID=\"" + std::to_string(i) + "\"><TYPE>Service</TYPE><ACCOUNT>Services</ACCOUNT><VENDOR></VENDOR>"
            "<CATNAME>Service</CATNAME><NUMBER>{8F0D1E22-6C4B-4E3A-9B77-1F2E3D4C5B6A}</NUMBER><QUANTITY>2</QUANTITY>"
            "<NAME>Consulting</NAME><DESCRIPTION>Consulting by the hour, on site</DESCRIPTION><PRICE>85.00</PRICE>"
            "<COST>0</COST><PRICELEVEL></PRICELEVEL><TOTAL>170.00T</TOTAL><TAXABLE>Tax</TAXABLE><UNITOFMEASURE>"
            "</UNITOFMEASURE><TAX_AMOUNT>14.03</TAX_AMOUNT><SERVICED></SERVICED><QBSERVICED></QBSERVICED></LINEITEM>";
  text += "</QVN>";
  ASSERT_TRUE(doc->LoadXmlText(platform::ToUtf16(text)));
  ASSERT_TRUE(CreateDirectoryW(u"\\My Documents", nullptr));
  ASSERT_TRUE(doc->SaveFile(u"\\My Documents\\Big.QVN"));
  CXmlDocument back(nullptr);
  CBstr error;
  ASSERT_TRUE(back.LoadFile(u"\\My Documents\\Big.QVN", &error)) << platform::ToUtf8(error.view());
  EXPECT_EQ(back.GetLineCount(), 5000);
}

TEST_F(XmlDocumentFiles, DeclaredSingleByteEncodingIsHonoured) {
  WriteText(u"\\old.QVN", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><QVN NOTES=\"caf\xe9 \x80\"/>");
  CBstr error, notes;
  ASSERT_TRUE(doc->LoadFile(u"\\old.QVN", &error));
  doc->GetRootAttribute(u"NOTES", &notes);
  EXPECT_EQ(notes.str(), u"caf\u00e9 \u20ac");
}

TEST_F(XmlDocumentFiles, StylesheetTransformsTheData) {
  LoadSkeleton();
  ASSERT_EQ(doc->LoadStylesheet(u"<?xml version=\"1.0\"?><xsl:stylesheet version=\"1.0\" "
                                u"xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output method=\"html\"/>"
                                u"<xsl:template match=\"/\"><p id=\"AJIDTotal\"><xsl:value-of select=\"//TOTALS/TOTAL\"/>"
                                u"</p></xsl:template></xsl:stylesheet>"),
            S_OK);
  CBstr html;
  ASSERT_EQ(doc->Transform(&html), S_OK);
  EXPECT_NE(html.view().find(u"<p id=\"AJIDTotal\">10.80</p>"), std::u16string_view::npos);
  EXPECT_EQ(doc->LoadStylesheet(u"<broken"), S_FALSE);
  EXPECT_EQ(doc->Transform(&html), E_FAIL);
}

TEST_F(XmlDocumentFiles, StylesheetTellsWhichRootAttributesItMayShow) {
  LoadSkeleton();
  EXPECT_FALSE(doc->StylesheetMayRead(u"PAID"));  // no stylesheet yet
  auto sheet = [&](std::u16string_view body) {
    return doc->LoadStylesheet(u"<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                               u"<xsl:template match='/'>" +
                               std::u16string(body) + u"</xsl:template></xsl:stylesheet>") == S_OK;
  };
  ASSERT_TRUE(sheet(u"<p><xsl:value-of select='/SALESDOCUMENT/@ID'/></p>"));
  EXPECT_TRUE(doc->StylesheetMayRead(u"ID"));
  EXPECT_FALSE(doc->StylesheetMayRead(u"PAID"));
  // Attributes reached without their names may be any of them.
  for (const char16_t* body : {u"<xsl:for-each select='*/@ *'><xsl:value-of select='.'/></xsl:for-each>",
                               u"<xsl:for-each select='*/@x:*' xmlns:x='urn:x'><xsl:value-of select='.'/></xsl:for-each>",
                               u"<xsl:value-of select='count(*/attribute::node())'/>", u"<xsl:copy-of select='*'/>"}) {
    ASSERT_TRUE(sheet(body));
    EXPECT_TRUE(doc->StylesheetMayRead(u"PAID")) << platform::ToUtf8(body);
  }
}

// ---- Tree --------------------------------------------------------------------------------------

TEST_F(XmlDocumentTree, RootAttributes) {
  LoadSkeleton();
  CBstr value(u"stale");
  EXPECT_FALSE(doc->GetRootAttribute(u"PAID", &value));
  EXPECT_TRUE(!value.IsNull() && value.IsEmpty()) << "missing gives the empty text, not absent";
  EXPECT_TRUE(doc->SetRootAttribute(u"PAID", CBstr()));
  EXPECT_TRUE(doc->GetRootAttribute(u"PAID", &value));
  EXPECT_EQ(value.str(), u"");
  EXPECT_TRUE(doc->SetRootAttribute(u"PAID", CBstr(u"YES")));
  doc->GetRootAttribute(u"PAID", &value);
  EXPECT_EQ(value.str(), u"YES");
  CXmlDocument empty(nullptr);
  EXPECT_FALSE(empty.SetRootAttribute(u"X", CBstr(u"1"))) << "no root";
}

TEST_F(XmlDocumentTree, ElementWriterBuildsNestedTrees) {
  ASSERT_EQ(doc->BeginElement(CBstr(u"REPORT")), S_OK);
  doc->AddTextElement(CBstr(u"TITLE"), CBstr(u"Sales & tax"));
  doc->AddTextElement(CBstr(u"ABSENT"), CBstr());
  doc->AddTextElement(CBstr(u"EMPTY"), CBstr(u""));
  doc->BeginElement(CBstr(u"ROW"));
  doc->AddTextElement(CBstr(u"AMOUNT"), CBstr(u"1.00"));
  doc->EndElement(CBstr(u"ROW"));
  doc->BeginElement(CBstr(u"ROW"));
  doc->EndElement(CBstr(u"ROW"));
  doc->EndElement(CBstr(u"REPORT"));
  std::u16string xml = Xml();
  EXPECT_NE(xml.find(u"<REPORT><TITLE>Sales &amp; tax</TITLE><EMPTY></EMPTY><ROW><AMOUNT>1.00</AMOUNT></ROW><ROW/></REPORT>"),
            std::u16string::npos)
      << platform::ToUtf8(xml);
  EXPECT_TRUE(doc->SaveFile(u"\\report.xml"));
  CXmlDocument back(nullptr);
  CBstr error;
  EXPECT_TRUE(back.LoadFile(u"\\report.xml", &error)) << "a written tree carries its declaration";
}

TEST_F(XmlDocumentTree, ChildWalkReturnsNameTextAndAttribute) {
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version='1.0'?><S><Preferences><A TYPE='S'>x</A><B>y</B><C TYPE=''/>"
                               u"</Preferences><Preferences><Z TYPE='D'>1</Z></Preferences><Empty/></S>"));
  CBstr name, text, attr;
  std::u16string seen;
  for (bool ok = doc->FindFirstChild(u"Preferences", u"TYPE", &name, &text, &attr); ok;
       ok = doc->FindNextChild(&name, &text, &attr))
    seen += name.str() + u"=" + text.str() + u"/" + (attr.IsNull() ? u"(absent)" : attr.str()) + u";";
  EXPECT_EQ(seen, u"A=x/S;B=y/(absent);C=/;");
  EXPECT_FALSE(doc->FindNextChild(&name, &text, &attr)) << "stays at the end";
  EXPECT_FALSE(doc->FindFirstChild(u"Empty", u"TYPE", &name, &text, &attr));
  EXPECT_TRUE(name.IsNull() && text.IsNull() && attr.IsNull());
  EXPECT_FALSE(doc->FindFirstChild(u"Missing", u"TYPE", &name, &text, &attr));
}

TEST_F(XmlDocumentTree, SetChildTextAbsentAndEmptyRules) {
  LoadSkeleton();
  ASSERT_EQ(doc->SelectElement(u"CUSTOMER", 0), 0);
  CXmlDomNode customer;
  doc->GetDataDocument()->selectSingleNode(u"//CUSTOMER", &customer);
  doc->SetChildText(customer, u"FIRSTNAME", CBstr());  // existing: becomes empty
  EXPECT_EQ(doc->GetChildText(customer, u"FIRSTNAME").str(), u"");
  doc->SetChildText(customer, u"FAX", CBstr());  // missing + absent: not created
  CXmlDomNode fax;
  EXPECT_EQ(customer.selectSingleNode(u"FAX", &fax), S_FALSE);
  doc->SetChildText(customer, u"ALTPHONE", CBstr(u""));  // missing + empty: created empty, last
  CXmlDomNode last;
  EXPECT_EQ(customer.selectSingleNode(u"*[last()]", &last), S_OK);
  CBstr lastName;
  last.get_nodeName(&lastName);
  EXPECT_EQ(lastName.str(), u"ALTPHONE");
  EXPECT_EQ(doc->GetChildText(customer, u"NOPE").str(), u"");
  EXPECT_EQ(doc->SelectElement(u"CUSTOMER", 1), 1);
}

TEST_F(XmlDocumentTree, CountsAndIndexedAttributes) {
  LoadSkeleton();
  EXPECT_EQ(doc->CountElements(u"LINEITEM"), 3);
  EXPECT_EQ(doc->CountElements(u"NOPE"), 0);
  CBstr id;
  EXPECT_EQ(doc->SelectElementAt(u"LINEITEM", 2, u"ID", &id), 0);
  EXPECT_EQ(id.str(), u"4");
  EXPECT_EQ(doc->GetItemAttribute(1, u"ID", &id), 0);
  EXPECT_EQ(id.str(), u"2");
  EXPECT_NE(doc->GetItemAttribute(1, u"MISSING", &id), 0);
  EXPECT_NE(doc->GetItemAttribute(3, u"ID", &id), 0);
}

// ---- Blocks ------------------------------------------------------------------------------------------

TEST_F(XmlDocumentBlocks, CompanyAndShipToAreCreatedWhenMissingAndReadBack) {
  LoadSkeleton();
  EXPECT_EQ(doc->WriteCompany(u"COMPANY", CBstr(), CBstr(u"Acme"), CBstr(u"1 Road"), CBstr(u""), CBstr(u""),
                              CBstr(u"555"), CBstr(u"a@acme.test"), CBstr(u"YES")),
            0);
  EXPECT_TRUE(doc->SetCompanyGraphic(CBstr(u"logo.bmp")));
  CBstr graphic;
  EXPECT_TRUE(doc->ReadCompanyGraphic(&graphic));
  EXPECT_EQ(graphic.str(), u"logo.bmp");
  std::u16string xml = Xml();
  EXPECT_NE(xml.find(u"<COMPANY><NAME>Acme</NAME><ADDRESS1>1 Road</ADDRESS1><ADDRESS2></ADDRESS2><ADDRESS3></ADDRESS3>"
                     u"<PHONE>555</PHONE><EMAIL>a@acme.test</EMAIL><SHOWLOGO>YES</SHOWLOGO><GRAPHIC>logo.bmp</GRAPHIC>"
                     u"</COMPANY></QVN>"),
            std::u16string::npos)
      << platform::ToUtf8(xml);

  CShipToTexts ship;
  ship.name = CBstr(u"Ann");
  ship.address1 = CBstr(u"2 Lane");
  ship.address2 = CBstr(u"");
  ship.city = CBstr(u"Town");
  ship.state = CBstr(u"ST");
  ship.zip = CBstr(u"12345");
  ship.country = CBstr(u"US");
  ship.email = CBstr(u"ann@x.test");
  EXPECT_EQ(doc->WriteShipTo(ship), 0);
  CShipToTexts read;
  ASSERT_TRUE(doc->ReadShipTo(&read));
  EXPECT_EQ(read.name.str(), u"Ann");
  EXPECT_EQ(read.city.str(), u"Town");
  EXPECT_EQ(read.email.str(), u"ann@x.test");
  EXPECT_EQ(read.address3.str(), u"") << "not written, reads empty";
  EXPECT_EQ(read.phone.str(), u"");
  CXmlDomNode phone;
  EXPECT_EQ(doc->GetDataDocument()->selectSingleNode(u"//SHIPTO/PHONE", &phone), S_FALSE);
}

TEST_F(XmlDocumentBlocks, CustomerAndTotalsReadersAndWritersRefuseMissingBlocks) {
  LoadSkeleton();
  CBstr text(u"keep"), first, last;
  EXPECT_TRUE(doc->GetCustomerFullName(&text));
  EXPECT_EQ(text.str(), u"Lee, Ann");
  EXPECT_TRUE(doc->GetCustomerCompanyName(&text));
  EXPECT_EQ(text.str(), u"Lee & Co");
  EXPECT_TRUE(doc->GetCustomerLastFirstName(&first, &last));
  EXPECT_EQ(first.str() + u" " + last.str(), u"Ann Lee");
  EXPECT_TRUE(doc->SetSignature(CBstr()));
  EXPECT_TRUE(doc->ReadSignature(&text));
  EXPECT_EQ(text.str(), u"");
  EXPECT_TRUE(doc->SetSignatureFile(CBstr(u"KTWSignature.bmp")));
  EXPECT_TRUE(doc->ReadSignatureFile(&text));
  EXPECT_EQ(text.str(), u"KTWSignature.bmp");

  EXPECT_EQ(doc->WriteTotals(CBstr(u"20.00"), CBstr(u"1.60"), CBstr(u"21.60"), CBstr()), 0);
  CBstr sub, tax, total, qty;
  EXPECT_TRUE(doc->ReadTotals(&sub, &tax, &total, &qty));
  EXPECT_EQ(sub.str() + u"|" + tax.str() + u"|" + total.str() + u"|" + qty.str(), u"20.00|1.60|21.60|");
  EXPECT_TRUE(doc->ReadTotal(&total));
  EXPECT_EQ(total.str(), u"21.60");

  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><QVN/>"));
  text = CBstr(u"keep");
  EXPECT_FALSE(doc->GetCustomerFullName(&text));
  EXPECT_EQ(text.str(), u"keep") << "outputs stay as they were";
  EXPECT_NE(doc->WriteTotals(CBstr(u"1"), CBstr(u"2"), CBstr(u"3"), CBstr()), 0);
  EXPECT_FALSE(doc->SetSignature(CBstr(u"strokes")));
  total = CBstr(u"keep");
  EXPECT_FALSE(doc->ReadTotal(&total));
  EXPECT_EQ(total.str(), u"") << "the total is cleared first";
  EXPECT_EQ(Xml().find(u"TOTALS"), std::u16string::npos) << "nothing was created";
}

TEST_F(XmlDocumentBlocks, JobSlotsMapToTheirChildren) {
  LoadSkeleton();
  CJobRecord job;
  const char16_t* texts[CJobRecord::kSlots] = {u"Kitchen", u"Refit", u"Remodel", u"Open", u"3/1/2026", u"3/2/2026",
                                               u"5/1/2026", u"", u"1 Oak St", u"Flat 2", u"Rear", u"unused",
                                               u"Town", u"ST", u"12345", u"80000005-1", u"Call first"};
  for (int i = 0; i < CJobRecord::kSlots; ++i) ASSERT_TRUE(job.SetField(i, CBstr(texts[i])));
  EXPECT_FALSE(job.SetField(17, CBstr(u"x")));
  EXPECT_EQ(job.GetField(-1), nullptr);
  ASSERT_EQ(doc->WriteJob(job), 0);
  EXPECT_NE(Xml().find(u"<JOB><LISTID>80000005-1</LISTID><NAME>Kitchen</NAME><DESC>Refit</DESC><TYPE>Remodel</TYPE>"
                       u"<ADDRESS1>1 Oak St</ADDRESS1><ADDRESS2>Flat 2</ADDRESS2><ADDRESS3>Rear</ADDRESS3>"
                       u"<CITY>Town</CITY><STATE>ST</STATE><ZIP>12345</ZIP><STATUS>Open</STATUS>"
                       u"<STARTDATE>3/1/2026</STARTDATE><PROJECTEDENDDATE>5/1/2026</PROJECTEDENDDATE>"
                       u"<ENDDATE></ENDDATE><NOTES>Call first</NOTES></JOB>"),
            std::u16string::npos)
      << platform::ToUtf8(Xml());
  CJobRecord back;
  ASSERT_TRUE(doc->ReadJob(&back));
  for (int i : {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16})
    EXPECT_EQ(std::u16string(back.GetField(i)), texts[i]) << "slot " << i;
  EXPECT_EQ(back.GetField(5), nullptr) << "slot 5 is not stored";
  EXPECT_EQ(back.GetField(11), nullptr) << "slot 11 is not stored";
  CJobRecord fresh;
  ASSERT_EQ(doc->WriteJob(fresh), 0);
  ASSERT_TRUE(doc->ReadJob(&back));
  EXPECT_EQ(std::u16string(back.GetField(0)), u"") << "absent slots empty existing children";
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><D/>"));
  EXPECT_NE(doc->WriteJob(job), 0) << "a missing block is not created";
  EXPECT_FALSE(doc->ReadJob(&back));
}

TEST_F(XmlDocumentBlocks, CompanyBlockReadsIntoTheCompanyRecord) {
  LoadSkeleton();
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  company.SetName(u"keep");
  EXPECT_FALSE(doc->ReadCompany(&company)) << "the skeleton here has no company block";
  EXPECT_EQ(company.GetName(), u"keep") << "a missing block leaves the record alone";
  ASSERT_EQ(doc->WriteCompany(u"COMPANY", CBstr(u"Pat"), CBstr(u"Acme <West>"), CBstr(u"1 Road"), CBstr(u"Unit 4"),
                              CBstr(u""), CBstr(u"555"), CBstr(u"a@acme.test"), CBstr(u"NO")),
            0);
  ASSERT_TRUE(doc->ReadCompany(&company));
  EXPECT_EQ(company.GetName(), u"Acme <West>");
  EXPECT_EQ(company.GetUserName(), u"Pat");
  EXPECT_EQ(company.GetAddress1() + u"|" + company.GetAddress2() + u"|" + company.GetAddress3(), u"1 Road|Unit 4|");
  EXPECT_EQ(company.GetPhone(), u"555");
  EXPECT_EQ(company.GetEMail(), u"a@acme.test");
  EXPECT_EQ(company.GetShowLogo(), u"NO");
  EXPECT_FALSE(company.IsLogoShown());
  // The optional children: a rewrite without them keeps the stored ones.
  ASSERT_EQ(doc->WriteCompany(u"COMPANY", CBstr(), CBstr(u"Acme"), CBstr(), CBstr(), CBstr(), CBstr(), CBstr(), CBstr()), 0);
  ASSERT_TRUE(doc->ReadCompany(&company));
  EXPECT_EQ(company.GetUserName() + u"|" + company.GetShowLogo() + u"|" + company.GetAddress1(), u"Pat|NO|");
}

// A table customer with every field the block stores, and the extras older files carry.
CTableCustomer FullCustomer() {
  CTableCustomer c;
  const std::pair<int, const char16_t*> fields[] = {
      {kCustListID, u"80000007-1"},   {kCustFirstName, u"Ann"},        {kCustLastName, u"Lee"},
      {kCustContact, u"Bo"},          {kCustName, u"Ann Lee"},         {kCustSalutation, u"Dr."},
      {kCustExtraName, u"Jr."},       {kCustCompanyName, u"Lee & Co"}, {kCustFullName, u"Lee & Co:Kitchen"},
      {kCustParentFullName, u"Lee & Co"}, {kCustBillToAddr1, u"1 Oak"}, {kCustBillToAddr2, u"Flat 2"},
      {kCustBillToAddr3, u""},        {kCustBillToAddr4, u"Rear"},     {kCustBillToCity, u"Town"},
      {kCustBillToState, u"ST"},      {kCustBillToPostalCode, u"12345"}, {kCustBillToCountry, u"US"},
      {kCustPhone, u"555-1"},         {kCustAltPhone, u"555-2"},       {kCustFax, u"555-3"},
      {kCustSalesTaxCode, u"Tax"},    {kCustPriceLevel, u"Gold"},      {kCustEmail, u"ann@lee.test"},
  };
  for (const auto& [index, text] : fields) c.SetField(index, text);
  return c;
}

TEST_F(XmlDocumentBlocks, CustomerBlockIsWrittenInItsOrderAndReadBack) {
  LoadSkeleton();
  CTableCustomer customer = FullCustomer();
  customer.ClearField(kCustBillToAddr4);  // absent: no child is made for it
  ASSERT_EQ(doc->WriteCustomer(customer, false), 0);
  // Children the block had keep their places; the others follow in the written order.
  EXPECT_NE(Xml().find(u"<CUSTOMER><LISTID>80000007-1</LISTID><FIRSTNAME>Ann</FIRSTNAME><LASTNAME>Lee</LASTNAME>"
                       u"<COMPANYNAME>Lee &amp; Co</COMPANYNAME><FULLNAME>Lee &amp; Co:Kitchen</FULLNAME>"
                       u"<EMAIL>ann@lee.test</EMAIL><CONTACT>Bo</CONTACT><NAME>Ann Lee</NAME>"
                       u"<SALUTATION>Dr.</SALUTATION><SUFFIX>Jr.</SUFFIX><PARENTFULLNAME>Lee &amp; Co</PARENTFULLNAME>"
                       u"<ADDRESS1>1 Oak</ADDRESS1><ADDRESS2>Flat 2</ADDRESS2><ADDRESS3></ADDRESS3><CITY>Town</CITY>"
                       u"<STATE>ST</STATE><ZIP>12345</ZIP><COUNTRY>US</COUNTRY><PHONE>555-1</PHONE>"
                       u"<ALTPHONE>555-2</ALTPHONE><FAX>555-3</FAX><SALESTAXNAME>Tax</SALESTAXNAME>"
                       u"<PRICELEVEL>Gold</PRICELEVEL></CUSTOMER>"),
            std::u16string::npos)
      << platform::ToUtf8(Xml());

  CTableCustomer back;
  back.SetField(kCustBillToCountry, u"kept");
  back.SetField(kCustContact, u"kept");
  back.SetField(kCustBillToAddr4, u"old");
  ASSERT_TRUE(doc->ReadCustomer(&back, false));
  for (int index : {kCustListID, kCustFirstName, kCustLastName, kCustName, kCustSalutation, kCustExtraName,
                    kCustCompanyName, kCustFullName, kCustParentFullName, kCustBillToAddr1, kCustBillToAddr2,
                    kCustBillToAddr3, kCustBillToCity, kCustBillToState, kCustBillToPostalCode, kCustPhone,
                    kCustAltPhone, kCustFax, kCustSalesTaxCode, kCustPriceLevel, kCustEmail})
    EXPECT_EQ(back.FieldView(index), customer.FieldView(index)) << "field " << index;
  EXPECT_EQ(back.FieldView(kCustBillToAddr4), u"") << "a missing child reads empty";
  EXPECT_EQ(back.FieldView(kCustBillToCountry), u"kept") << "COUNTRY is written, never read";
  EXPECT_EQ(back.FieldView(kCustContact), u"kept") << "CONTACT is written, never read";

  // A second write empties the children of absent fields but creates none.
  CTableCustomer sparse;
  sparse.SetField(kCustListID, u"80000008-1");
  for (int i = 0; i < kCustomerFieldCount; ++i)
    if (i != kCustListID) sparse.ClearField(i);
  ASSERT_EQ(doc->WriteCustomer(sparse, false), 0);
  ASSERT_TRUE(doc->ReadCustomer(&back, false));
  EXPECT_EQ(back.FieldView(kCustListID), u"80000008-1");
  EXPECT_EQ(back.FieldView(kCustFirstName), u"");
  EXPECT_EQ(Xml().find(u"<ADDRESS4>"), std::u16string::npos);
}

TEST_F(XmlDocumentBlocks, CustomerAccountChildrenOfOlderFilesAreReadWhenPresent) {
  ASSERT_TRUE(doc->LoadXmlText(
      u"<?xml version=\"1.0\"?><QVN><CUSTOMER><LISTID>9</LISTID><TERMSNAME>Net 15</TERMSNAME><ACCOUNT>A-1</ACCOUNT>"
      u"<BALANCE>10.00</BALANCE><TOTALBALANCE>12.50</TOTALBALANCE><RESALE>R9</RESALE><CREDITLIMIT>500</CREDITLIMIT>"
      u"<CC>xxxx</CC><CCMO>04</CCMO><CCYR>2029</CCYR><CCNAME>A LEE</CCNAME><CCADDR>1 Oak</CCADDR><CCZIP>12345</CCZIP>"
      u"<CUSTOMERTYPE>Retail</CUSTOMERTYPE><NOTES>n</NOTES><SUBLEVEL>1</SUBLEVEL><PARENTLISTID>8</PARENTLISTID>"
      u"</CUSTOMER></QVN>"));
  CTableCustomer back;
  ASSERT_TRUE(doc->ReadCustomer(&back, false));
  const std::pair<int, const char16_t*> expected[] = {
      {kCustTerms, u"Net 15"},    {kCustAccountNumber, u"A-1"}, {kCustBalance, u"10.00"},
      {kCustTotalBalance, u"12.50"}, {kCustResaleNumber, u"R9"}, {kCustCreditLimit, u"500"},
      {kCustCCNum, u"xxxx"},      {kCustCCExpMon, u"04"},       {kCustCCExpYear, u"2029"},
      {kCustCCName, u"A LEE"},    {kCustCCAddr, u"1 Oak"},      {kCustCCZip, u"12345"},
      {kCustCustomerType, u"Retail"}, {kCustNotes, u"n"},       {kCustSublevel, u"1"},
      {kCustParentListID, u"8"},
  };
  for (const auto& [index, text] : expected) EXPECT_EQ(back.FieldView(index), text) << "field " << index;

  // Without them the record keeps what it had (a new record's zero balances).
  LoadSkeleton();
  CTableCustomer fresh;
  fresh.SetField(kCustBalance, u"0.00");
  fresh.SetField(kCustTerms, u"Due on receipt");
  ASSERT_TRUE(doc->ReadCustomer(&fresh, false));
  EXPECT_EQ(fresh.FieldView(kCustBalance), u"0.00");
  EXPECT_EQ(fresh.FieldView(kCustTerms), u"Due on receipt");
  EXPECT_EQ(fresh.FieldView(kCustFullName), u"Lee, Ann");
}

TEST_F(XmlDocumentBlocks, ContactsCustomerIsKeyedByOidAndNamedFromFullName) {
  LoadSkeleton();
  CContactCustomer contact;
  contact.SetField(kCustListID, u"4711");
  contact.SetField(kCustFirstName, u"Ann");
  ASSERT_EQ(doc->WriteCustomer(contact, true), 0);
  EXPECT_NE(Xml().find(u"<OID>4711</OID>"), std::u16string::npos) << platform::ToUtf8(Xml());
  EXPECT_NE(Xml().find(u"<LISTID>80000001</LISTID>"), std::u16string::npos) << "the table key is left alone";

  const struct {
    const char16_t* first;
    const char16_t* last;
    const char16_t* full;
    const char16_t* company;
    const char16_t* wantFirst;
    const char16_t* wantLast;
    const char16_t* wantCompany;
  } cases[] = {
      // "Last, First" with both parts wins over the name children, and the company is taken.
      {u"X", u"Y", u"Lee, Ann", u"Co", u"Ann", u"Lee", u"Co"},
      {u"X", u"Y", u"Lee, Ann", u"", u"Ann", u"Lee", u""},
      // Otherwise the name children stay and only a non-empty company is taken.
      {u"Ann", u"Lee", u"Ann Lee", u"Co", u"Ann", u"Lee", u"Co"},
      {u"Ann", u"Lee", u"Lee,", u"", u"Ann", u"Lee", u"before"},
      {u"Ann", u"", u"", u"", u"Ann", u"", u"before"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.full));
    ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><QVN><CUSTOMER><OID>12</OID><LISTID>L</LISTID><FIRSTNAME>" +
                                 std::u16string(c.first) + u"</FIRSTNAME><LASTNAME>" + c.last + u"</LASTNAME><FULLNAME>" +
                                 c.full + u"</FULLNAME><NAME>N</NAME><COMPANYNAME>" + c.company +
                                 u"</COMPANYNAME><CITY>Town</CITY></CUSTOMER></QVN>"));
    CContactCustomer back;
    back.SetField(kCustCompanyName, u"before");
    back.SetField(kCustName, u"name before");
    back.SetField(kCustFullName, u"full before");
    ASSERT_TRUE(doc->ReadCustomer(&back, true));
    EXPECT_EQ(back.FieldView(kCustListID), u"12");
    EXPECT_EQ(back.FieldView(kCustFirstName), c.wantFirst);
    EXPECT_EQ(back.FieldView(kCustLastName), c.wantLast);
    EXPECT_EQ(back.FieldView(kCustCompanyName), c.wantCompany);
    EXPECT_EQ(back.FieldView(kCustName), u"name before") << "NAME is not taken for a contact";
    EXPECT_EQ(back.FieldView(kCustFullName), u"full before") << "FULLNAME is not taken for a contact";
    EXPECT_EQ(back.FieldView(kCustBillToCity), u"Town");
  }
}

TEST_F(XmlDocumentBlocks, CustomerWithoutItsBlockIsNeitherReadNorWritten) {
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><QVN><JOB/></QVN>"));
  CTableCustomer customer = FullCustomer();
  EXPECT_NE(doc->WriteCustomer(customer, false), 0);
  EXPECT_EQ(doc->CountElements(u"CUSTOMER"), 0) << "the block is not created";
  CTableCustomer back;
  back.SetField(kCustFirstName, u"kept");
  EXPECT_FALSE(doc->ReadCustomer(&back, false));
  EXPECT_EQ(back.FieldView(kCustFirstName), u"kept");
}

// ---- Lines -----------------------------------------------------------------------------------------------

TEST_F(XmlDocumentLines, KeySearchesCompareExactText) {
  LoadSkeleton();
  EXPECT_TRUE(doc->HasLineItems());
  EXPECT_TRUE(doc->HasLineItem(CBstr(u"2")));
  EXPECT_FALSE(doc->HasLineItem(CBstr(u"02")));
  EXPECT_FALSE(doc->HasLineItem(CBstr(u"3")));
  EXPECT_FALSE(doc->HasLineItem(CBstr()));
  EXPECT_TRUE(doc->IsLineKeyTaken(CBstr(u"4")));
  EXPECT_FALSE(doc->IsLineKeyTaken(CBstr(u"5")));
  // A list of another tag held from an earlier search is not taken for the line list.
  doc->CountElements(u"TOTALS");
  EXPECT_TRUE(doc->IsLineKeyTaken(CBstr(u"1")));
  EXPECT_TRUE(doc->FindLineItem(CBstr(u"4")));
}

TEST_F(XmlDocumentLines, IndexFollowsEditsDuplicateKeysAndDocumentsLoadedAnyWay) {
  LoadSkeleton();
  CDbRecord twin;
  twin.SetField(13, u"2");
  twin.SetField(3, u"Twin");
  LONG position = -1;
  ASSERT_EQ(doc->InsertLineItem(CBstr(u"4"), twin, &position), S_OK);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(doc->GetLinePosition(CBstr(u"2")), 1) << "a key carried twice names the first line";
  ASSERT_TRUE(doc->RemoveLineItem(CBstr(u"2"), &position));
  EXPECT_EQ(position, 1);
  EXPECT_EQ(doc->GetLinePosition(CBstr(u"2")), 1) << "the other line of that key";
  EXPECT_EQ(doc->GetLineCount(), 3);
  CLineItemTexts line;
  ASSERT_TRUE(doc->ReadLineItemAt(1, &line));
  EXPECT_EQ(line.name.str(), u"Twin");
  // Loaded into the DOM itself, and lines below other elements count too.
  ASSERT_EQ(doc->GetDataDocument()->loadXML(u"<R><LINEITEM ID=\"7\"/><X><LINEITEM ID=\"8\"/></X></R>"), S_OK);
  EXPECT_EQ(doc->GetLineCount(), 2);
  EXPECT_EQ(doc->GetLinePosition(CBstr(u"8")), 1);
  EXPECT_EQ(doc->GetLinePosition(CBstr(u"2")), -1);
}

TEST_F(XmlDocumentLines, OneLineTransformsWithTheRootAndNoOtherLine) {
  LoadSkeleton();
  ASSERT_EQ(doc->LoadStylesheet(u"<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                                u"<xsl:output method='text'/><xsl:template match='/'><xsl:value-of select='/*/@ID'/>:"
                                u"<xsl:value-of select='count(//LINEITEM)'/>:<xsl:value-of select='//LINEITEM/NAME'/>"
                                u"</xsl:template></xsl:stylesheet>"),
            S_OK);
  CBstr text;
  ASSERT_EQ(doc->TransformLine(1, &text), S_OK);
  EXPECT_EQ(text.str(), u"1001:1:Bolt");
  EXPECT_EQ(doc->TransformLine(3, &text), E_FAIL);
}

TEST_F(XmlDocumentLines, NextKeyAndRemoval) {
  LoadSkeleton();
  CBstr next;
  EXPECT_TRUE(doc->GetNextLineKey(CBstr(u"1"), &next));
  EXPECT_EQ(next.str(), u"2");
  EXPECT_FALSE(doc->GetNextLineKey(CBstr(u"4"), &next)) << "the last line";
  EXPECT_FALSE(doc->GetNextLineKey(CBstr(u"9"), &next));
  EXPECT_TRUE(doc->RemoveLineItem(CBstr(u"2")));
  EXPECT_FALSE(doc->RemoveLineItem(CBstr(u"2")));
  EXPECT_TRUE(doc->GetNextLineKey(CBstr(u"1"), &next));
  EXPECT_EQ(next.str(), u"4");
  EXPECT_TRUE(doc->RemoveLineItem(CBstr(u"4")));
  EXPECT_FALSE(doc->GetNextLineKey(CBstr(u"1"), &next)) << "one line left";
  EXPECT_EQ(doc->CountElements(u"LINEITEM"), 1);
}

TEST_F(XmlDocumentLines, IndexedReadAndCursor) {
  LoadSkeleton();
  CLineItemTexts line;
  ASSERT_TRUE(doc->ReadLineItemAt(0, &line));
  EXPECT_EQ(line.key.str(), u"1");
  EXPECT_EQ(line.type.str(), u"Service");
  EXPECT_EQ(line.code.str(), u"C1");
  EXPECT_EQ(line.tax2.str(), u"T2");
  EXPECT_EQ(line.description.str(), u"") << "missing child";
  ASSERT_TRUE(doc->ReadLineItemAt(2, &line, true));
  EXPECT_EQ(line.name.str(), u"Nut");
  EXPECT_FALSE(doc->ReadLineItemAt(3, &line, true));
  // A removal between indexed calls makes the reused list stale: it is fetched again.
  doc->ReadLineItemAt(0, &line);
  doc->RemoveLineItem(CBstr(u"1"));
  ASSERT_TRUE(doc->ReadLineItemAt(0, &line, true));
  EXPECT_EQ(line.key.str(), u"2");

  std::u16string keys;
  for (bool ok = doc->ReadFirstLineItem(&line); ok; ok = doc->ReadNextLineItem(&line)) keys += line.key.str() + u",";
  EXPECT_EQ(keys, u"2,4,");
  EXPECT_FALSE(doc->ReadNextLineItem(&line));
  EXPECT_FALSE(doc->ReadNextLineItem(&line)) << "keeps failing";
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><QVN/>"));
  EXPECT_FALSE(doc->ReadFirstLineItem(&line));
  EXPECT_FALSE(doc->HasLineItems());
}

}  // namespace

// ---- Line items from records -------------------------------------------------------------------

namespace {

CDbRecord LineRecord(std::u16string_view key, std::u16string_view name) {
  CDbRecord r;
  r.SetField(13, key);
  r.SetField(1, u"Service");
  r.SetField(16, u"Income");
  r.SetField(17, u"Vendor Co");
  r.SetField(5, u"Labour");
  r.SetField(0, u"80000010-1");
  r.SetField(10, u"2");
  r.SetField(3, name);
  r.SetField(6, u"");
  r.SetField(11, u"1.50");
  r.SetField(18, u"0.75");
  r.SetField(21, u"Retail");
  r.SetField(8, u"Non");
  r.SetField(2, u"hour");
  r.SetField(22, u"0.00");
  r.SetField(19, u"3/15/2026");
  r.SetField(25, u"Colour");
  r.SetField(26, u"Red");
  r.SetField(27, u"");
  r.SetField(28, u"");
  return r;
}

std::u16string LineKeys(CXmlDocument& doc) {
  std::u16string keys;
  CLineItemTexts line;
  for (bool ok = doc.ReadFirstLineItem(&line); ok; ok = doc.ReadNextLineItem(&line)) keys += line.key.str() + u",";
  return keys;
}

}  // namespace

TEST_F(XmlDocumentLines, InsertWritesEveryChildInItsOrder) {
  LoadSkeleton();
  ASSERT_EQ(doc->InsertLineItem(CBstr(u"2"), LineRecord(u"7", u"Setup")), S_OK);
  EXPECT_EQ(LineKeys(*doc), u"1,7,2,4,");
  CXmlDomNode line;
  ASSERT_EQ(doc->GetDataDocument()->selectSingleNode(u"//LINEITEM[@ID='7']", &line), S_OK);
  CBstr xml;
  line.get_xml(&xml);
  EXPECT_EQ(xml.str(),
            u"<LINEITEM ID=\"7\"><TYPE>Service</TYPE><ACCOUNT>Income</ACCOUNT><VENDOR>Vendor Co</VENDOR>"
            u"<CATNAME>Labour</CATNAME><NUMBER>80000010-1</NUMBER><QUANTITY>2</QUANTITY><NAME>Setup</NAME>"
            u"<DESCRIPTION>Setup</DESCRIPTION><PRICE>1.50</PRICE><COST>0.75</COST><PRICELEVEL>Retail</PRICELEVEL>"
            u"<TOTAL>3.00</TOTAL><TAXABLE>Non</TAXABLE><UNITOFMEASURE>hour</UNITOFMEASURE><TAX_AMOUNT>0.00</TAX_AMOUNT>"
            u"<SERVICED>3/15/2026</SERVICED><QBSERVICED>2026-03-15</QBSERVICED><CUSTOM_1_NAME>Colour</CUSTOM_1_NAME>"
            u"<CUSTOM_1_VALUE>Red</CUSTOM_1_VALUE></LINEITEM>");

  CDbRecord undated = LineRecord(u"8", u"Nut");
  undated.SetField(19, u"");
  ASSERT_EQ(doc->InsertLineItem(CBstr(), undated), S_OK);
  ASSERT_EQ(doc->InsertLineItem(CBstr(u"99"), LineRecord(u"9", u"Bolt")), S_OK) << "an unknown key appends";
  EXPECT_EQ(LineKeys(*doc), u"1,7,2,4,8,9,");
  CLineItemTexts read;
  ASSERT_TRUE(doc->ReadLineItemAt(4, &read));
  EXPECT_EQ(read.serviceDate.str(), u"");
  CXmlDomNode qb;
  doc->GetDataDocument()->selectSingleNode(u"//LINEITEM[@ID='8']/QBSERVICED", &qb);
  ASSERT_FALSE(qb.IsNull());
  CBstr qbText;
  qb.get_text(&qbText);
  EXPECT_EQ(qbText.str(), u"") << "an empty service date gives an empty desktop date";
}

TEST_F(XmlDocumentLines, ReadUpdateAndIndexedUpdateFollowTheirFieldLists) {
  LoadSkeleton();
  ASSERT_EQ(doc->InsertLineItem(CBstr(), LineRecord(u"5", u"Setup")), S_OK);
  CDbRecord read;
  ASSERT_TRUE(doc->ReadLineItem(CBstr(u"5"), &read));
  EXPECT_EQ(read.FieldView(13), u"5");
  EXPECT_EQ(read.FieldView(3), u"Setup");
  EXPECT_EQ(read.FieldView(6), u"Setup");
  EXPECT_EQ(read.FieldView(12), u"3.00") << "TOTAL goes to text 12";
  EXPECT_EQ(read.FieldView(25), u"Colour");
  EXPECT_EQ(read.FieldView(16), u"") << "ACCOUNT is not read back";
  EXPECT_EQ(read.FieldView(17), u"") << "VENDOR is not read back";
  EXPECT_FALSE(doc->ReadLineItem(CBstr(u"6"), &read));

  CDbRecord changed = LineRecord(u"5", u"Teardown");
  changed.SetField(16, u"Other account");
  changed.SetField(11, u"9.00");
  changed.SetField(19, u"4/1/2026");
  changed.SetField(27, u"Size");
  ASSERT_EQ(doc->UpdateLineItem(changed), S_OK);
  CDbRecord again;
  ASSERT_TRUE(doc->ReadLineItem(CBstr(u"5"), &again));
  EXPECT_EQ(again.FieldView(3), u"Teardown");
  EXPECT_EQ(again.FieldView(6), u"") << "the rewrite takes the description as it is";
  EXPECT_EQ(again.FieldView(11), u"9.00");
  EXPECT_EQ(again.FieldView(12), u"3.00") << "TOTAL stays";
  EXPECT_EQ(again.FieldView(27), u"Size") << "a missing custom child is created for a present value";
  CXmlDomNode node;
  doc->GetDataDocument()->selectSingleNode(u"//LINEITEM[@ID='5']/ACCOUNT", &node);
  CBstr text;
  node.get_text(&text);
  EXPECT_EQ(text.str(), u"Income") << "ACCOUNT stays";
  doc->GetDataDocument()->selectSingleNode(u"//LINEITEM[@ID='5']/QBSERVICED", &node);
  node.get_text(&text);
  EXPECT_EQ(text.str(), u"2026-04-01");
  std::u16string before = Xml();
  EXPECT_EQ(doc->UpdateLineItem(LineRecord(u"404", u"Ghost")), S_OK);
  EXPECT_EQ(Xml(), before) << "an unknown key changes nothing";

  CLineItemTexts values;
  values.total = CBstr(u"18.00T");
  values.serviceDate = CBstr(u"12/31/2025");
  values.customName2 = CBstr(u"Size");
  values.customValue2 = CBstr(u"XL");
  ASSERT_TRUE(doc->UpdateLineItemAt(3, values));
  EXPECT_FALSE(doc->UpdateLineItemAt(4, values, true));
  ASSERT_TRUE(doc->ReadLineItem(CBstr(u"5"), &again));
  EXPECT_EQ(again.FieldView(12), u"18.00T");
  EXPECT_EQ(again.FieldView(3), u"Teardown") << "absent values leave their children";
  EXPECT_EQ(again.FieldView(19), u"12/31/2025");
  EXPECT_EQ(again.FieldView(28), u"XL");
  doc->GetDataDocument()->selectSingleNode(u"//LINEITEM[@ID='5']/QBSERVICED", &node);
  node.get_text(&text);
  EXPECT_EQ(text.str(), u"2025-12-31");
}

TEST_F(XmlDocumentLines, LineKeyRule) {
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><D><LINEITEM ID=\"1\"/><LINEITEM ID=\"2\"/><LINEITEM ID=\"3\"/></D>"));
  EXPECT_EQ(doc->ChooseLineKey(CBstr(u"3")).str(), u"4") << "taken";
  EXPECT_EQ(doc->ChooseLineKey(CBstr(u"17")).str(), u"17") << "free";
  EXPECT_EQ(doc->ChooseLineKey(CBstr(u"03")).str(), u"03") << "keys compare as exact texts";
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><D><LINEITEM ID=\"1\"/><LINEITEM ID=\"2\"/><LINEITEM ID=\"4\"/></D>"));
  EXPECT_EQ(doc->ChooseLineKey(CBstr()).str(), u"5") << "4 is tried first and found taken";
  EXPECT_EQ(doc->ChooseLineKey(CBstr(u"")).str(), u"5");
  ASSERT_TRUE(doc->LoadXmlText(u"<?xml version=\"1.0\"?><D/>"));
  EXPECT_EQ(doc->ChooseLineKey(CBstr()).str(), u"1");
}

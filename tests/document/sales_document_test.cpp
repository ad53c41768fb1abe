// The sales document object and its numbers.
//   SalesHeader.*     header setters and getters of every type: dates, terms, card expiry,
//                     notes, tax, rep, messages, logo, status, view options, file path, job
//   SalesRoundTrip.*  a document saved and loaded again keeps every field
//   NumberStep.*      the step rule of number texts
//   DocumentNumbers.* the next free number across existing files, gaps, file names, the
//                     counter bookkeeping, the user's own number and file names
//   DocumentStartup.* what the program's start-up installs for every document
#include <filesystem>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "document/DocumentHeader.h"
#include "core/Folders.h"
#include "core/Utilities.h"
#include "core/Preferences.h"
#include "datastore/CustomerRecord.h"
#include "document/DocumentNumbering.h"
#include "platform/testing/MessageBoxScript.h"
#include "resources/resource_ids.h"
#include "SalesDocumentFixture.h"
#include "StylesheetTestSupport.h"

namespace {

using platform::testing::MessageBoxScript;
using sales_test::SalesDocumentTest;
using SalesHeader = SalesDocumentTest;
using SalesRoundTrip = SalesDocumentTest;
using DocumentNumbers = SalesDocumentTest;

SYSTEMTIME Date(WORD year, WORD month, WORD day) {
  SYSTEMTIME d{};
  d.wYear = year;
  d.wMonth = month;
  d.wDay = day;
  return d;
}

// ---- Header ------------------------------------------------------------------------------------

TEST_F(SalesHeader, EveryTypeKeepsItsHeaderFields) {
  lists.terms[u"Net 30"] = 30;
  for (int type = kDocInvoice; type <= kDocMemorized; ++type) {
    SCOPED_TRACE(type);
    auto doc = NewDocument(type);
    doc->SetDocTypeAttribute(u"DOCTYPE", type);
    doc->SetTerms(CBstr(u"Net 30"));
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(doc->SetDate(Date(2026, 3, 1)));
    EXPECT_EQ(doc->GetDate().str(), u"3/1/2026");
    EXPECT_EQ(doc->GetAttribute(u"DATEQB").str(), u"2026-03-01");
    EXPECT_EQ(doc->GetDueDate().str(), u"3/31/2026");
    EXPECT_EQ(doc->GetAttribute(u"DUEDATEQB").str(), u"2026-03-31");
    EXPECT_EQ(doc->GetTerms().str(), u"Net 30");
    EXPECT_EQ(doc->GetAttribute(u"TERMDAYS").str(), u"30");
    ASSERT_TRUE(doc->SetCardExpiry(Date(2027, 9, 1)));
    EXPECT_EQ(doc->GetCardExpiry().str(), u"09/2027");
    EXPECT_EQ(doc->GetAttribute(u"CARDEXPMONTH").str(), u"September");
    EXPECT_EQ(doc->GetAttribute(u"CARDEXPYEAR").str(), u"2027");
    doc->SetNotes(u"First line\r\nSecond line\nThird");
    EXPECT_EQ(doc->GetNotes().str(), u"First line<br>Second line<br>Third");
    doc->SetRep(CBstr(u"JD"), CBstr(u"Jane Doe"));
    CBstr rep, fullName;
    doc->GetRep(rep, fullName);
    EXPECT_EQ(rep.str(), u"JD");
    EXPECT_EQ(fullName.str(), u"Jane Doe");
    doc->SetCustomerMessage(CBstr(u"Thank you"), CBstr(u"{M1}"));
    CBstr message, listId;
    EXPECT_TRUE(doc->GetCustomerMessage(message, listId));
    EXPECT_EQ(message.str(), u"Thank you");
    EXPECT_EQ(listId.str(), u"{M1}");
    EXPECT_EQ(doc->GetDocType(), type);
    CBstr word;
    doc->GetXmlDocument().GetRootAttribute(u"DOCTYPE", &word);
    EXPECT_EQ(word.str(), std::u16string(DocumentTypeWord(type)));
  }
}

TEST_F(SalesHeader, DatesWithoutTermsAndDueDates) {
  auto doc = NewDocument();
  doc->SetDateToday();
  EXPECT_EQ(doc->GetDate().str(), u"3/10/2026");
  EXPECT_EQ(doc->GetAttribute(u"DATEQB").str(), u"2026-03-10");
  ASSERT_TRUE(doc->SetDate(Date(2026, 2, 27)));
  EXPECT_EQ(doc->GetDueDate().str(), u"2/27/2026") << "no terms: due the same day";
  lists.terms[u"Net 10"] = 10;
  doc->SetTerms(CBstr(u"Net 10"));
  EXPECT_EQ(doc->GetDueDate().str(), u"3/9/2026");
  doc->SetDueDateFromToday();
  EXPECT_EQ(doc->GetDueDate().str(), u"3/20/2026");
  ASSERT_TRUE(doc->SetDueDate(Date(2026, 12, 24)));
  EXPECT_EQ(doc->GetDueDate().str(), u"12/24/2026");
  EXPECT_EQ(doc->GetAttribute(u"DUEDATEQB").str(), u"2026-12-24");
  EXPECT_FALSE(doc->SetDate(Date(2026, 2, 30)));
  EXPECT_EQ(doc->GetDate().str(), u"2/27/2026") << "no calendar date: nothing changes";
  doc->SetTerms(CBstr(u"Unknown"));
  EXPECT_EQ(doc->GetAttribute(u"TERMDAYS").str(), u"0");
}

TEST_F(SalesHeader, TaxWithoutNameAndRateChangesNothing) {
  auto doc = NewDocument();
  doc->SetTax(CBstr(u""), CBstr(u""), CBstr(u"Vendor"), true);
  EXPECT_FALSE(doc->IsModified());
  CBstr name, rate, vendor;
  doc->GetTax(name, rate, vendor);
  EXPECT_EQ(name.str(), u"State");
  EXPECT_EQ(rate.str(), u"10%");
  doc->SetTax(CBstr(u"City"), CBstr(u"7.5%"), CBstr(u"Town"), false);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_DOUBLE_EQ(doc->GetTaxRateFactor(), 0.075);
  doc->SetUseSalesTax(false);
  doc->GetTax(name, rate, vendor);
  EXPECT_EQ(rate.str(), u"0.00%");
  EXPECT_EQ(doc->GetCustomSettings().GetFlag(3, kRowTaxOnScreen), 0);
}

TEST_F(SalesHeader, EachDocumentMarksTaxableTotalsByItsOwnSalesTaxChoice) {
  auto taxed = NewDocument();
  auto untaxed = NewDocument();
  untaxed->SetUseSalesTax(false);  // the later document must not turn the first one's off
  // Added without working the totals out again, each line keeps the total written with it.
  taxed->AddLineItem(*Line(u"Service", u"2", u"12.50", u"Tax"), true, false, 0);
  untaxed->AddLineItem(*Line(u"Service", u"2", u"12.50", u"Tax"), true, false, 0);
  EXPECT_EQ(LineAt(*taxed, 0).total.str(), u"25.00T");
  EXPECT_EQ(LineAt(*untaxed, 0).total.str(), u"25.00");
}

TEST_F(SalesHeader, StatusFlagsPaidVoidAndSigned) {
  auto doc = NewDocument();
  EXPECT_EQ(doc->GetStatusFlags(), 0);
  doc->TogglePaid();
  EXPECT_EQ(doc->GetAttribute(u"PAID").str(), u"YES") << "missing PAID counts as NO";
  EXPECT_EQ(doc->GetStatusFlags(), kStatusPaid);
  doc->TogglePaid();
  EXPECT_EQ(doc->GetAttribute(u"PAID").str(), u"NO");
  doc->SetAttribute(u"VOID", CBstr(u"YES"));
  doc->SetAttribute(u"SIGNED", CBstr(u"(signed 3/10/2026 - 09:30:00 AM)"));
  EXPECT_EQ(doc->GetStatusFlags(), kStatusVoid);
  CPreferences().SetRoSigned(true);  // signed documents read-only, as the desktop's update chose
  EXPECT_EQ(doc->GetStatusFlags(), kStatusVoid | kStatusSignedReadOnly);
}

TEST_F(SalesHeader, BoolAttributesAndViewOptions) {
  auto doc = NewDocument();
  EXPECT_TRUE(doc->GetBoolAttribute(u"TOBEPRINTED", true)) << "missing: the default";
  doc->SetBoolAttribute(u"TOBEPRINTED", false);
  EXPECT_EQ(doc->GetAttribute(u"TOBEPRINTED").str(), u"false");
  EXPECT_FALSE(doc->GetBoolAttribute(u"TOBEPRINTED", true));
  doc->SetBoolAttribute(u"AMTINCTAX", true);
  EXPECT_TRUE(doc->GetBoolAttribute(u"AMTINCTAX", false));

  EXPECT_EQ(doc->GetViewOption(3), 0);
  EXPECT_EQ(doc->GetViewOption(kViewShowLineTo), 1);
  EXPECT_EQ(doc->ToggleViewOption(kViewShowLineTo), 0);
  EXPECT_EQ(CPreferences().GetDword(u"ShowLineTo", 1), 0u);
  EXPECT_EQ(doc->ToggleViewOption(kViewShowLinks), 0);
  EXPECT_EQ(doc->GetViewOption(kViewShowLinks), 0);
  const int signature = doc->GetViewOption(kViewShowSignature);
  EXPECT_EQ(doc->ToggleViewOption(kViewShowSignature), signature ? 0 : 1);
  // A stored ShowLinks of 0 comes back as 1 for the next document, and is written so.
  auto next = NewDocument();
  EXPECT_EQ(next->GetViewOption(kViewShowLinks), 1);
  EXPECT_EQ(CPreferences().GetDword(u"ShowLinks", 0), 1u);
  EXPECT_EQ(next->GetViewOption(kViewShowLineTo), 0);
}

TEST_F(SalesHeader, PrintFlagsDefaultNotesAndRepFromCustomer) {
  CPreferences preferences;
  preferences.SetDword(u"ToBeEMailed", 1);  // "To be e-mailed" checked last in the editor's Attributes
  auto doc = NewDocument();
  doc->SetPrintFlags();
  EXPECT_EQ(doc->GetAttribute(u"TOBEEMAILED").str(), u"true");
  EXPECT_EQ(doc->GetAttribute(u"TOBEPRINTED").str(), u"");
  doc->GetCustomSettings().SetFlag(0, kRowReuseNotes, 1);
  doc->GetCustomSettings().SetCaption(0, kCaptionDefaultNotes, u"Pay within\r\n30 days");
  doc->ApplyDefaultNotes();
  EXPECT_EQ(doc->GetNotes().str(), u"Pay within<br>30 days");
  lists.reps[u"JD"] = u"Jane Doe";
  doc->GetCustomer()->SetField(kCustSalesRep, u"JD");
  doc->SetRepFromCustomer();
  EXPECT_EQ(doc->GetAttribute(u"REP_FULLNAME").str(), u"Jane Doe");
}

TEST_F(SalesHeader, PageUpdatesOnlyWithAPage) {
  auto headless = NewDocument();
  EXPECT_FALSE(headless->SetRep(CBstr(u"AB"), CBstr(u"Al Bee"))) << "no page to show it in";
  EXPECT_EQ(headless->GetAttribute(u"REP").str(), u"AB");
  sales_test::PageLog page;
  ViewInto(&page);
  auto shown = NewDocument();
  EXPECT_TRUE(shown->SetRep(CBstr(u"AB"), CBstr(u"Al Bee")));
  EXPECT_EQ(page.Last(u"AJIDREP"), u"AB");
  shown->SetStyle(2);
  EXPECT_EQ(shown->GetAttribute(u"STYLE").str(), u"2");
  EXPECT_EQ(page.renders, 1);
  shown->SetStyle(2);
  EXPECT_EQ(page.renders, 1) << "the same style does nothing";
}

TEST_F(SalesHeader, LogoFilePathAndJob) {
  auto doc = NewDocument();
  doc->SetLogo(nullptr, 1, 1, {.showColumn = true});
  EXPECT_FALSE(doc->IsModified());
  doc->GetCustomSettings().SetFlag(0, kRowShowLogo, 0);
  doc->SetLogo(u"\\My Documents\\Logos\\acme.bmp", 120, 48, {.showColumn = true});
  CBstr path;
  int width = 0, height = 0;
  doc->GetLogo(path, width, height);
  EXPECT_EQ(path.str(), u"acme.bmp");
  EXPECT_EQ(width, 120);
  EXPECT_EQ(height, 48);
  std::u16string logoWidth;
  CPreferences().GetString(u"LogoWidth", logoWidth);
  EXPECT_EQ(logoWidth, u"120");
  EXPECT_EQ(doc->GetTypeFlag(kRowShowLogo), 1);

  doc->SetFilePath(u"\\My Documents\\Invoice100.QVN");
  EXPECT_EQ(doc->GetFilePath().str(), u"\\My Documents\\Invoice100.QVN");
  EXPECT_EQ(doc->GetFileName().str(), u"Invoice100.QVN");
  EXPECT_EQ(doc->GetAttribute(u"FILENAME").str(), u"Invoice100.QVN");

  CJobRecord job;
  for (int slot = 0; slot < CJobRecord::kSlots; ++slot)
    job.SetField(slot, CBstr(u"job " + platform::ToUtf16(std::to_string(slot))));
  doc->SetJob(job);
  CJobRecord read;
  ASSERT_TRUE(doc->GetXmlDocument().ReadJob(&read));
  EXPECT_EQ(std::u16string(read.GetField(0)), u"job 0");
  EXPECT_EQ(std::u16string(read.GetField(15)), u"job 15");
  EXPECT_EQ(std::u16string(doc->GetJob()->GetField(16)), u"job 16");
}

// ---- Round trip --------------------------------------------------------------------------------

TEST_F(SalesRoundTrip, ASavedDocumentKeepsEveryField) {
  lists.terms[u"Net 15"] = 15;
  auto doc = NewDocument(kDocSalesOrder);
  doc->SetDocTypeAttribute(u"DOCTYPE", kDocSalesOrder);
  doc->SetAttribute(u"ID", CBstr(u"SO-17"));
  doc->SetDate(Date(2026, 4, 2));
  doc->SetTerms(CBstr(u"Net 15"));
  doc->SetCardExpiry(Date(2028, 1, 1));
  doc->SetNotes(u"a\nb");
  doc->SetRep(CBstr(u"JD"), CBstr(u"Jane Doe"));
  doc->SetCustomerMessage(CBstr(u"Thanks & goodbye <3"), CBstr(u"{M}"));
  doc->SetTax(CBstr(u"State"), CBstr(u"8%"), CBstr(u"Tax Office"), false);
  doc->SetBoolAttribute(u"AMTINCTAX", false);
  doc->SetAttribute(u"PONUM", CBstr(u"PO-9"));
  doc->SetLogo(u"\\Logos\\logo.png", 64, 32);
  CJobRecord job;
  job.SetField(0, CBstr(u"Kitchen"));
  job.SetField(15, CBstr(u"{JOB}"));
  doc->SetJob(job);
  doc->GetCustomer()->SetField(kCustFirstName, u"Ann");
  doc->GetCustomer()->SetField(kCustLastName, u"Lee");
  doc->GetCustomer()->SetField(kCustCompanyName, u"Lee & Co");
  doc->GetCustomer()->SetField(kCustBillToCity, u"Springfield");
  doc->GetXmlDocument().WriteCustomer(*doc->GetCustomer(), false);
  doc->GetXmlDocument().WriteCompany(u"COMPANY", CBstr(u"Me"), CBstr(u"Acme"), CBstr(u"1 Road"), CBstr(u""),
                                     CBstr(u""), CBstr(u"555"), CBstr(u"a@b.c"), CBstr(u"YES"));
  auto item = Line(u"Service", u"2", u"12.50", u"Tax");
  doc->AddLineItem(*item, true, false, 1);
  auto discount = Line(u"Discount", u"", u"10%", u"Tax");
  doc->AddLineItem(*discount, true, false, 1);
  CBstr path;
  MakeDocumentFileName(u"SO-17", path, kDocSalesOrder);
  std::filesystem::create_directories(Linux(GetFolderFromPath(path.view()).view()));
  ASSERT_TRUE(doc->GetXmlDocument().SaveFile(path.view()));

  auto loaded = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, nullptr);
  CBstr error;
  ASSERT_TRUE(loaded->GetXmlDocument().LoadFile(path.view(), &error));
  loaded->SetVersion(4);
  for (const char16_t* name : {u"ID", u"DOCTYPE", u"DATE", u"DATEQB", u"DUEDATE", u"DUEDATEQB", u"TERMS", u"TERMDAYS",
                               u"CCARDEXP", u"CARDEXPMONTH", u"CARDEXPYEAR", u"NOTES", u"REP", u"REP_FULLNAME",
                               u"CUSTOMERMSG", u"CUSTOMERMSG_LISTID", u"TAXNAME", u"TAXRATE", u"TAXVENDOR",
                               u"AMTINCTAX", u"PONUM", u"LOGOWIDTH", u"LOGOHEIGHT"})
    EXPECT_EQ(loaded->GetAttribute(name).str(), doc->GetAttribute(name).str()) << platform::ToUtf8(name);
  CBstr logo;
  int w = 0, h = 0;
  loaded->GetLogo(logo, w, h);
  EXPECT_EQ(logo.str(), u"logo.png");
  CJobRecord readJob;
  ASSERT_TRUE(loaded->GetXmlDocument().ReadJob(&readJob));
  EXPECT_EQ(std::u16string(readJob.GetField(0)), u"Kitchen");
  EXPECT_EQ(std::u16string(readJob.GetField(15)), u"{JOB}");
  CTableCustomer customer;
  ASSERT_TRUE(loaded->GetXmlDocument().ReadCustomer(&customer, false));
  EXPECT_EQ(customer.FieldView(kCustCompanyName), u"Lee & Co");
  EXPECT_EQ(customer.FieldView(kCustBillToCity), u"Springfield");
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  ASSERT_TRUE(loaded->GetXmlDocument().ReadCompany(&company));
  EXPECT_EQ(company.GetName(), u"Acme");
  EXPECT_EQ(company.GetShowLogo(), u"YES");
  // The lines, and totals worked out again from them, are the same.
  CBstr tax, rate, vendor;
  loaded->GetTax(tax, rate, vendor);
  loaded->RecalcTotals();
  EXPECT_EQ(loaded->GetTotalText().str(), doc->GetTotalText().str());
  EXPECT_EQ(loaded->GetTotalText().str(), u"$24.30");
  CLineItemTexts first = LineAt(*loaded, 0);
  EXPECT_EQ(first.total.str(), u"25.00T");
  EXPECT_EQ(LineAt(*loaded, 1).price.str(), u"-10%");
}

// ---- Step rule ----------------------------------------------------------------------------------

TEST(NumberStep, RaisesAndLowersTheLastRunOfDigits) {
  struct Case {
    const char16_t* text;
    bool up;
    const char16_t* result;
  };
  const Case cases[] = {
      {u"99", true, u"100"},          {u"INV-0041", true, u"INV-42"}, {u"A12B", true, u"A13B"},
      {u"", true, u"0"},              {u"0", false, u"0"},            {u"7A", true, u"8A"},
      {u"007", true, u"8"},           {u"007", false, u"6"},          {u"100", false, u"99"},
      {u"A10-X", false, u"A9-X"},     {u"12  ", true, u"13"},         {u"Order", true, u"Order0"},
      {u"2026-05", true, u"2026-6"},  {u"99999999999", true, u"100000000000"},
      {u"12345678901234567890", false, u"12345678901234567889"},     {u"1000000000000", false, u"999999999999"},
  };
  for (const Case& c : cases) EXPECT_EQ(StepNumberText(c.text, c.up), c.result) << platform::ToUtf8(c.text);
  CBstr text(u"B-9");
  StepNumberText(text, true);
  EXPECT_EQ(text.str(), u"B-10");
}

// ---- Numbers and files ------------------------------------------------------------------------------

std::u16string DocumentsFolder() {
  CBstr folder;
  GetDocumentsFolder(folder);
  return folder.str();
}

std::string DocumentFile(const char* type, const char* id) {
  return std::string("<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"") + type + "\" ID=\"" + id +
         "\"/>";
}

TEST_F(DocumentNumbers, AFreshInstallationStartsAtTheDefaults) {
  const std::pair<int, const char16_t*> expected[] = {
      {kDocInvoice, u"100"}, {kDocEstimate, u"1"}, {kDocSalesReceipt, u"100"},
      {kDocPayment, u"100"}, {kDocSalesOrder, u"100"}, {kDocCreditMemo, u"100"}};
  for (const auto& [type, number] : expected) {
    CBstr path, next;
    GetNextDocumentNumber(nullptr, path, next, type);
    EXPECT_EQ(next.str(), number) << type;
    std::u16string start, last;
    CPreferences preferences;
    EXPECT_TRUE(preferences.GetString(StartNumberPreference(type).name, start)) << "written back";
    EXPECT_TRUE(preferences.GetString(LastNumberPreference(type).name, last));
    EXPECT_EQ(start, DefaultStartNumber(type));
  }
  CBstr path, next;
  GetNextDocumentNumber(nullptr, path, next, kDocEstimate);
  EXPECT_EQ(path.str(), DocumentsFolder() + u"Estimate1.QVN");
  EXPECT_EQ(std::u16string_view(LastNumberPreference(kDocMemorized).name), u"LastInvNumber");
}

TEST_F(DocumentNumbers, ExistingFilesAndGapsAcrossTypes) {
  const std::u16string folder = DocumentsFolder();
  WriteText(folder + u"Invoice100.QVN", DocumentFile("INVOICE", "100"));
  WriteText(folder + u"Invoice101.QVN", DocumentFile("INVOICE", "101"));
  WriteText(folder + u"Invoice103.QVN", DocumentFile("INVOICE", "103"));
  WriteText(folder + u"Estimate102.QVN", DocumentFile("ESTIMATE", "102"));
  WriteText(folder + u"Broken.QVN", "not a document");
  CBstr path, next;
  GetNextDocumentNumber(nullptr, path, next, kDocInvoice);
  EXPECT_EQ(next.str(), u"102") << "an estimate's number is no invoice's";
  EXPECT_EQ(path.str(), folder + u"Invoice102.QVN");
  UpdateNumberCounterOnSave(kDocInvoice, u"102", true);
  GetNextDocumentNumber(nullptr, path, next, kDocInvoice);
  EXPECT_EQ(next.str(), u"104") << "103 is in use";
  CXmlDocument scratch(nullptr);
  EXPECT_TRUE(IsNumberInDocumentFolder(nullptr, u"103", kDocInvoice, scratch));
  EXPECT_FALSE(IsNumberInDocumentFolder(nullptr, u"103", kDocEstimate, scratch));
  EXPECT_FALSE(IsNumberInDocumentFolder(nullptr, u"10", kDocInvoice, scratch)) << "exact comparison";
}

TEST_F(DocumentNumbers, ANumberIsTakenByItsFileOrByADocumentCarryingIt) {
  const std::u16string folder = DocumentsFolder();
  WriteText(folder + u"Invoice100.QVN", DocumentFile("INVOICE", "100"));
  WriteText(folder + u"INVOICE101.qvn", "another program's file");  // the name 101 gives, in its own case
  WriteText(folder + u"Kept for Hallett.QVN", DocumentFile("INVOICE", "102"));
  WriteText(folder + u"Estimate103.QVN", DocumentFile("ESTIMATE", "103"));
  CBstr path, next;
  GetNextDocumentNumber(nullptr, path, next, kDocInvoice);
  EXPECT_EQ(next.str(), u"103");
  EXPECT_TRUE(IsDocumentNumberTaken(nullptr, u"101", kDocInvoice));
  EXPECT_TRUE(IsDocumentNumberTaken(nullptr, u"102", kDocInvoice));
  EXPECT_FALSE(IsDocumentNumberTaken(nullptr, u"103", kDocInvoice));
  EXPECT_TRUE(IsDocumentNumberTaken(nullptr, u"103", kDocEstimate));
  WriteText(folder + u"Invoicex_y.QVN", DocumentFile("INVOICE", "x_y"));
  EXPECT_TRUE(IsDocumentNumberTaken(nullptr, u"x/y", kDocInvoice)) << "both numbers name one file";
}

TEST_F(DocumentNumbers, ANewStartNumberAndTheCounterOnSave) {
  SetStartNumber(kDocInvoice, u"500");
  CBstr path, next;
  GetNextDocumentNumber(nullptr, path, next, kDocInvoice);
  EXPECT_EQ(next.str(), u"500");
  UpdateNumberCounterOnSave(kDocInvoice, u"500", true);
  CPreferences preferences;
  EXPECT_EQ(preferences.GetDword(u"InvNumReset", 7), 0u);
  std::u16string last;
  preferences.GetString(u"LastInvNumber", last);
  EXPECT_EQ(last, u"499");
  WriteText(DocumentsFolder() + u"Invoice500.QVN", DocumentFile("INVOICE", "500"));
  GetNextDocumentNumber(nullptr, path, next, kDocInvoice);
  EXPECT_EQ(next.str(), u"501") << "only through the in-use test";
  UpdateNumberCounterOnSave(kDocInvoice, u"501", true);
  preferences.GetString(u"LastInvNumber", last);
  EXPECT_EQ(last, u"501");
  UpdateNumberCounterOnSave(kDocInvoice, u"Sample 900", true);
  UpdateNumberCounterOnSave(kDocInvoice, u"777", false);
  preferences.GetString(u"LastInvNumber", last);
  EXPECT_EQ(last, u"501") << "sample documents and typed numbers never move the counter";
}

TEST_F(DocumentNumbers, TheUsersOwnNumberMayBecomeTheNewStart) {
  auto doc = NewDocument(kDocPayment);
  MessageBoxScript boxes;
  boxes.ExpectAny().Answer(IDNO);
  doc->SetNumber(u"P-77");
  EXPECT_EQ(boxes.Shown().at(0).text, LoadResText(IDS_CONFIRM_START_PAYMENT));
  EXPECT_EQ(doc->GetNumber().str(), u"P-77");
  EXPECT_FALSE(doc->IsNumberFromCounter());
  std::u16string start = u"none";
  CPreferences().GetString(u"StartPayNumber", start);
  EXPECT_EQ(start, u"none");
  boxes.ExpectAny().Answer(IDYES);
  doc->SetNumber(u"P-80");
  EXPECT_TRUE(doc->IsNumberFromCounter());
  CPreferences().GetString(u"StartPayNumber", start);
  EXPECT_EQ(start, u"P-80");
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentNumbers, FileNamesStayInTheDocumentsFolder) {
  const std::u16string folder = DocumentsFolder();
  struct Case {
    const char16_t* number;
    std::u16string file;
  };
  const Case cases[] = {
      {u"100", u"Invoice100.QVN"},
      {u"..\\..\\Windows\\x", u"Invoice.._.._Windows_x.QVN"},
      {u"A/B:C*D?E\"F<G>H|I", u"InvoiceA_B_C_D_E_F_G_H_I.QVN"},
      {u"tab\there", u"Invoicetab_here.QVN"},
      {u"7 A", u"Invoice7 A.QVN"},
  };
  for (const Case& c : cases) {
    CBstr path;
    EXPECT_TRUE(MakeDocumentFileName(c.number, path, kDocInvoice));
    EXPECT_EQ(path.str(), folder + c.file);
  }
  CBstr path;
  MakeDocumentFileName(std::u16string(200, u'9'), path, kDocCreditMemo);
  EXPECT_EQ(path.str(), folder + u"Credit Memo" + std::u16string(kMaxNumberInFileName, u'9') + u".QVN");
  MakeDocumentFileName(u"5", path, kDocMemorized);
  EXPECT_EQ(path.str(), folder + u"Invoice5.QVN");
  // A name made from any number can be written.
  MakeDocumentFileName(u"x/y", path, kDocInvoice);
  WriteText(path.str(), DocumentFile("INVOICE", "x/y"));
  CXmlDocument scratch(nullptr);
  EXPECT_TRUE(IsNumberInDocumentFolder(nullptr, u"x/y", kDocInvoice, scratch));
}

// ---- Start-up ----------------------------------------------------------------------------------

using DocumentStartup = SalesDocumentTest;

TEST_F(DocumentStartup, StylesheetRebuildsFailUntilTheServicesAreInstalled) {
  auto doc = NewDocument();
  auto linkCount = [&] {
    CBstr html;
    if (doc->GetXmlDocument().Transform(&html) != S_OK) return size_t{0};
    return slateway::testing::ParsePage(html.str()).links.size();
  };
  EXPECT_FALSE(doc->RebuildStylesheet()) << "no builder: the failure is told, not hidden";

  InstallServices();
  ASSERT_TRUE(doc->RebuildStylesheet());
  EXPECT_GT(linkCount(), 0u);
  // A change of layout now reaches the page: without links it has none.
  EXPECT_EQ(doc->ToggleViewOption(kViewShowLinks), 0);
  EXPECT_EQ(linkCount(), 0u);

  RemoveDocumentServices();
  EXPECT_EQ(doc->ToggleViewOption(kViewShowLinks), 1);
  EXPECT_EQ(linkCount(), 0u) << "without a builder the page keeps its old stylesheet";
  EXPECT_FALSE(doc->RebuildStylesheet());
}

}  // namespace

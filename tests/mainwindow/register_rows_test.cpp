// Register rows read from document files, and the six sort orders.
//   RegisterRows.*  golden files of every type, old versions' names, show filters, marks
//                   and amounts.
//   RegisterSort.*  each order with ties, descending, and orders that are not total.
#include <gtest/gtest.h>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "document/XmlDocument.h"
#include "mainwindow/RegisterRows.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using RegisterRows = mainwindow_test::MainWindowTest;

CRegisterRow Read(std::u16string_view name, int showKind = kShowAllDocuments, CRegisterOptions options = {}) {
  CXmlDocument xml(nullptr);
  CRegisterRow row;
  std::u16string error;
  row.number = u"<filtered>";
  const RowReadResult result =
      ReadRegisterRow(xml, std::u16string(mainwindow_test::kDocuments) + std::u16string(name), showKind, options, row, error);
  if (result == RowReadResult::Unreadable) row.number = u"<unreadable>";
  return row;
}

TEST_F(RegisterRows, GoldenFilesOfEveryTypeGiveTheirRows) {
  const struct {
    const char* file;
    int type;
    const char16_t* amount;
  } kGolden[] = {{"invoice", 0, u"5.14"},    {"estimate", 1, u"5.14"},   {"salesreceipt", 2, u"5.14"},
                 {"payment", 3, u"0.00"},    {"salesorder", 4, u"5.14"}, {"creditmemo", 5, u"5.14"}};
  std::filesystem::create_directories(Linux(mainwindow_test::kDocuments));
  for (const auto& golden : kGolden) {
    SCOPED_TRACE(golden.file);
    std::filesystem::copy_file(std::string(SLATEWAY_DOCUMENT_TEST_DATA) + "/golden/" + golden.file + ".QVN",
                               Linux(std::u16string(mainwindow_test::kDocuments) + u"doc.qvn"),
                               std::filesystem::copy_options::overwrite_existing);
    CRegisterRow row = Read(u"doc.qvn");
    EXPECT_EQ(row.type, golden.type);
    EXPECT_EQ(row.number, u"1001");
    EXPECT_EQ(row.date, u"3/10/2026");
    EXPECT_EQ(row.amount, golden.amount);  // a payment shows its PAYAMOUNT, here none
    EXPECT_EQ(row.name, u"Lee & Co:Kitchen");
    EXPECT_EQ(row.fileName, u"doc");
  }
}

TEST_F(RegisterRows, NamesFollowTheDocumentVersionAndTheOptions) {
  const std::string customer = "<FIRSTNAME>Ann</FIRSTNAME><LASTNAME>Lee</LASTNAME><COMPANYNAME>Lee Co</COMPANYNAME>"
                               "<FULLNAME>Lee Co full</FULLNAME>";
  WriteText(u"\\My Documents\\old.QVN",
            "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"2\" ESTIMATE=\"YES\"><CUSTOMER>" + customer +
                "</CUSTOMER><JOB><NAME>Porch</NAME></JOB></SALESDOCUMENT>");
  CRegisterOptions options;
  EXPECT_EQ(Read(u"old.QVN", 2, options).name, u"Lee Co:Porch");
  EXPECT_EQ(Read(u"old.QVN", 2, options).type, 1);  // before DOCTYPE, ESTIMATE="YES"
  options.viewByCompany = false;
  EXPECT_EQ(Read(u"old.QVN", 2, options).name, u"Ann Lee:Porch");
  options.lastCommaFirst = true;
  EXPECT_EQ(Read(u"old.QVN", 2, options).name, u"Lee, Ann:Porch");

  WriteDocument(u"new.QVN", "VERSION=\"3\" DOCTYPE=\"invoice\"", "<FULLNAME>Only Full</FULLNAME>");
  EXPECT_EQ(Read(u"new.QVN").name, u"Only Full");  // no company: the full name alone
  EXPECT_EQ(Read(u"new.QVN").type, 0);             // the type word in any case
  WriteDocument(u"nameless.QVN", "VERSION=\"2\" DOCTYPE=\"INVOICE\"", "<FULLNAME>Fallback</FULLNAME>");
  EXPECT_EQ(Read(u"nameless.QVN", 2, options).name, u"Fallback");
}

TEST_F(RegisterRows, ShowKindsFilterAndMemorizedDocumentsStayInTheirOwnView) {
  EXPECT_TRUE(IsShownInKind(0, u"INVOICE", u"yes"));
  EXPECT_FALSE(IsShownInKind(0, u"INVOICE", u"YES"));  // completion is exactly "yes"
  EXPECT_TRUE(IsShownInKind(1, u"ESTIMATE", u"no"));
  EXPECT_TRUE(IsShownInKind(5, u"INVOICE", u""));
  EXPECT_FALSE(IsShownInKind(5, u"ESTIMATE", u""));
  EXPECT_TRUE(IsShownInKind(8, u"SALESRECEIPT", u""));
  EXPECT_TRUE(IsShownInKind(kShowDeleted, u"MEMORIZED", u""));
  for (int kind = 0; kind <= 8; ++kind) EXPECT_FALSE(IsShownInKind(kind, u"MEMORIZED", u"yes")) << kind;
  EXPECT_EQ(GetShowKind(99).band, GetShowKind(kShowAllDocuments).band);

  WriteText(u"\\My Documents\\Memorized\\TEMPLATE.QVN",
            "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"MEMORIZED\" ORIGINAL_DOCTYPE=\"SALESORDER\" "
            "ID=\"7\"><CUSTOMER/><TOTALS><TOTAL>$1,250.00</TOTAL></TOTALS></SALESDOCUMENT>");
  CXmlDocument xml(nullptr);
  CRegisterRow row;
  std::u16string error;
  const std::u16string path = GetShowKindFolder(kShowMemorized) + u"TEMPLATE.QVN";
  EXPECT_EQ(ReadRegisterRow(xml, path, 2, {}, row, error), RowReadResult::Filtered);
  ASSERT_EQ(ReadRegisterRow(xml, path, kShowMemorized, {}, row, error), RowReadResult::Row);
  EXPECT_EQ(row.type, 6);
  EXPECT_EQ(row.sourceType, 4);
  EXPECT_EQ(row.amount, u"1,250.00");  // the currency symbol is not shown
}

TEST_F(RegisterRows, MarksAndAmounts) {
  WriteDocument(u"pay.QVN", "VERSION=\"4\" DOCTYPE=\"PAYMENT\" PAYAMOUNT=\"$40.00\" VOID=\"yes\" PAID=\"YES\"",
                "<SIGNATURE>1,2,3</SIGNATURE>", "999.00");
  CRegisterRow row = Read(u"pay.QVN");
  EXPECT_EQ(row.amount, u"40.00");
  EXPECT_EQ(row.marks, kRowMarkVoid | kRowMarkPaid);  // signed counts only with RO_SIGNED
  CRegisterOptions readOnlySigned;
  readOnlySigned.readOnlySigned = true;
  EXPECT_EQ(Read(u"pay.QVN", 2, readOnlySigned).marks, kRowMarkSigned | kRowMarkVoid | kRowMarkPaid);
  WriteDocument(u"empty.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\"");
  EXPECT_EQ(Read(u"empty.QVN").amount, u"0.00");
  for (const char* zero : {"-0", "$-0.00", "(0.00)"}) {  // a negative zero owes nothing
    WriteDocument(u"zero.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\"", "", zero);
    EXPECT_EQ(Read(u"zero.QVN").amount, u"0.00") << zero;
  }
  EXPECT_FALSE(Read(u"empty.QVN").date.empty());  // no date: today's
  WriteText(u"\\My Documents\\broken.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT");
  EXPECT_EQ(Read(u"broken.QVN").number, u"<unreadable>");
  // A total that is no number: worked out from the subtotal and tax, else marked.
  for (const char* total : {"abc", "NaN", "1e400"}) {
    WriteDocument(u"bad.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\"", "", total);
    EXPECT_EQ(Read(u"bad.QVN").amount, kRegisterNoFigure) << total;
  }
  WriteText(u"\\My Documents\\bad.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\">"
                                         "<TOTALS><SUBTOTAL>$1,020.00</SUBTOTAL><TAX>$1.60</TAX><TOTAL>abc</TOTAL></TOTALS>"
                                         "</SALESDOCUMENT>");
  EXPECT_EQ(Read(u"bad.QVN").amount, u"1,021.60");
}

TEST_F(RegisterRows, TheJobsUpdateGivesInvoicesTheirJobsKindAndAddsUnknownCustomers) {
  CBstr database;
  GetDatabaseFilePath(database, true);
  CItemStore store(nullptr);
  ASSERT_TRUE(store.Open(database.str()));
  CQBCustomerSource source(nullptr, store);
  CJobsUpdate jobs;
  jobs.source = &source;
  const std::string customer = "<LISTID>NEW-1</LISTID><FULLNAME>New Customer</FULLNAME>";
  const std::string estimateJob = "<JOB><NAME>Deck</NAME><TYPE>estimate</TYPE></JOB>";
  auto write = [&](std::u16string_view name, const std::string& attributes) {
    WriteText(std::u16string(mainwindow_test::kDocuments) + std::u16string(name),
              "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" " + attributes + "><CUSTOMER>" + customer +
                  "</CUSTOMER>" + estimateJob + "</SALESDOCUMENT>");
  };
  write(u"inv.QVN", "DOCTYPE=\"INVOICE\"");
  write(u"receipt.QVN", "DOCTYPE=\"SALESRECEIPT\"");
  write(u"bare.QVN", "");
  auto read = [&](std::u16string_view name) {
    CXmlDocument xml(nullptr);
    CRegisterRow row;
    std::u16string error;
    ReadRegisterRow(xml, std::u16string(mainwindow_test::kDocuments) + std::u16string(name), 2, {}, row, error, &jobs);
    return row.type;
  };
  EXPECT_EQ(read(u"inv.QVN"), 1);
  EXPECT_NE(ReadText(u"\\My Documents\\inv.QVN").find("DOCTYPE=\"ESTIMATE\""), std::string::npos);
  // A sales receipt stays one: only invoices and estimates take the job's kind.
  EXPECT_EQ(read(u"receipt.QVN"), 2);
  EXPECT_NE(ReadText(u"\\My Documents\\receipt.QVN").find("DOCTYPE=\"SALESRECEIPT\""), std::string::npos);
  EXPECT_EQ(read(u"bare.QVN"), 1);
  CCustomerFields added;
  EXPECT_TRUE(store.GetCustomerByListID(u"NEW-1", added));
  EXPECT_EQ(added[kCustFullName].view(), u"New Customer");
}

// The logo's sides are kept as the texts the editor stored, which the jobs update copies.
TEST_F(RegisterRows, TheJobsUpdateWritesTheLogoSizesTheEditorStored) {
  CCustomSettings settings;
  settings.SetFlag(0, 5, 1);  // invoices show the logo on paper
  CJobsUpdate jobs;
  jobs.settings = &settings;
  {
    // The logo last picked in the editor, with the width it stored.
    CPreferences preferences;
    preferences.Set(pref::kLastLogo, u"logo.bmp");
    preferences.Set(pref::kLogoWidth, u"64");
  }
  WriteText(std::u16string(mainwindow_test::kDocuments) + u"logo.QVN",
            "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\"></SALESDOCUMENT>");
  CXmlDocument xml(nullptr);
  CRegisterRow row;
  std::u16string error;
  ReadRegisterRow(xml, std::u16string(mainwindow_test::kDocuments) + u"logo.QVN", 2, {}, row, error, &jobs);
  const std::string saved = ReadText(u"\\My Documents\\logo.QVN");
  EXPECT_NE(saved.find("LOGOWIDTH=\"64\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("LOGOHEIGHT=\"32\""), std::string::npos) << "a side never stored is the editor's default";
}

// ---- Sorting ----------------------------------------------------------------------------------

CRegisterRow Row(std::u16string number, std::u16string amount = u"", std::u16string date = u"", int type = 0,
                 std::u16string complete = u"", std::u16string name = u"") {
  CRegisterRow row;
  row.number = std::move(number);
  row.amount = std::move(amount);
  row.date = std::move(date);
  row.type = type;
  row.complete = std::move(complete);
  row.name = std::move(name);
  return row;
}

std::vector<std::u16string> Sorted(const std::vector<CRegisterRow>& rows, int kind, bool ascending = true) {
  std::vector<const CRegisterRow*> order;
  for (const auto& row : rows) order.push_back(&row);
  SortRegisterRows(order, kind, ascending);
  std::vector<std::u16string> numbers;
  for (const auto* row : order) numbers.push_back(row->number);
  return numbers;
}

using Numbers = std::vector<std::u16string>;

TEST(RegisterSort, EachOrderKeepsTiesInPlace) {
  EXPECT_EQ(Sorted({Row(u"INV-10"), Row(u"INV-9"), Row(u"B"), Row(u"a")}, kSortNumber),
            (Numbers{u"a", u"B", u"INV-9", u"INV-10"}));
  EXPECT_EQ(Sorted({Row(u"X100000000000000000000000000001"), Row(u"X99999999999999999999999999999")}, kSortNumber),
            (Numbers{u"X99999999999999999999999999999", u"X100000000000000000000000000001"}));
  EXPECT_EQ(Sorted({Row(u"1", u"3.00"), Row(u"2", u"(5.00)"), Row(u"3", u"1,000.00")}, kSortBalance),
            (Numbers{u"2", u"1", u"3"}));
  EXPECT_EQ(Sorted({Row(u"1", u"", u"3/10/2026"), Row(u"2", u"", u"12/1/2025"), Row(u"3", u"", u"3/9/2026")}, kSortDate),
            (Numbers{u"2", u"3", u"1"}));
  // Estimates after every other type; the others keep their order.
  EXPECT_EQ(Sorted({Row(u"e", u"", u"", 1), Row(u"i", u"", u"", 0), Row(u"p", u"", u"", 3), Row(u"s", u"", u"", 4)},
                   kSortType),
            (Numbers{u"i", u"p", u"s", u"e"}));
  EXPECT_EQ(Sorted({Row(u"1", u"", u"", 0, u"yes"), Row(u"2", u"", u"", 0, u"no"), Row(u"3", u"", u"", 0, u"yes")},
                   kSortComplete),
            (Numbers{u"2", u"1", u"3"}));
  EXPECT_EQ(Sorted({Row(u"1", u"", u"", 0, u"", u"beta"), Row(u"2", u"", u"", 0, u"", u"Alpha")}, kSortCustomer),
            (Numbers{u"2", u"1"}));
  EXPECT_EQ(Sorted({Row(u"INV-10"), Row(u"INV-9"), Row(u"INV-11")}, kSortNumber, false),
            (Numbers{u"INV-11", u"INV-10", u"INV-9"}));
}

TEST(RegisterSort, OrdersThatAreNotTotalStillKeepEveryRow) {
  // Unreadable dates equal every date, and numbers mix digit and text comparisons: no
  // order exists, yet every row comes back exactly once.
  std::vector<CRegisterRow> rows;
  for (int i = 0; i < 200; ++i) {
    std::u16string text = i % 3 ? u"A" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) : u"b";
    rows.push_back(Row(text + platform::ToUtf16(std::to_string(i)), u"", i % 2 ? u"junk" : u"1/2/2026"));
  }
  for (int kind : {kSortDate, kSortNumber}) {
    Numbers sorted = Sorted(rows, kind);
    std::sort(sorted.begin(), sorted.end());
    Numbers all;
    for (const auto& row : rows) all.push_back(row.number);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(sorted, all);
  }
}

}  // namespace

// The CustomerList statements of CSqlDatabase.
//
// Groups:
//   CustomerWrite*  the 62-field block reaches the 61 columns; notes; card fields with
//                   U+0000; hard texts in every field; the caller's block is untouched
//   CustomerRead*   reads by ListID and FullName; missing rows leave the block alone
//   CustomerList*   the list query's order, rows and bounds
//   CustomerChange* replace and the deletes, with their real results
#include <sqlite3.h>

#include "DatabaseTest.h"

namespace datastore_test {
namespace {

// Every field with a value of its own ("f<index>").
CCustomerFields DistinctFields() {
  CCustomerFields fields;
  for (int i = 0; i < kCustomerFieldCount; ++i) fields[i] = CBstr(platform::ToUtf16("f" + std::to_string(i)));
  return fields;
}

CCustomerFields Customer(std::u16string_view listId, std::u16string_view fullName, std::u16string_view sublevel = u"0") {
  CCustomerFields fields;
  fields[kCustListID] = CBstr(listId);
  fields[kCustName] = CBstr(fullName.substr(fullName.rfind(u':') == std::u16string_view::npos ? 0 : fullName.rfind(u':') + 1));
  fields[kCustFullName] = CBstr(fullName);
  fields[kCustSublevel] = CBstr(sublevel);
  fields[kCustCompanyName] = CBstr(u"Co " + std::u16string(fullName));
  fields[kCustPhone] = CBstr(u"555-0100");
  fields[kCustTotalBalance] = CBstr(u"12.50");
  return fields;
}

// A card number scrambled with a repeating XOR key: a character equal to its key
// character becomes U+0000.
std::u16string Scrambled(std::u16string_view text) {
  static constexpr char16_t kKey[] = u"quietharbour";
  std::u16string out(text);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(out[i] ^ kKey[i % 12]);
  return out;
}

class CustomerTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    OpenFresh();
  }
};

// ---- Writes ---------------------------------------------------------------------------------------

TEST_F(CustomerTest, CustomerWriteInsertPutsEachFieldIntoTheColumnOfItsName) {
  ASSERT_TRUE(db.InsertCustomer(DistinctFields()));
  RawDb raw(File());
  auto stored = raw.Rows("SELECT * FROM CustomerList");
  ASSERT_EQ(stored.size(), 1u);
  ASSERT_EQ(stored[0].size(), 61u);
  // Columns 0-10 are fields 0-10; field 11 has no column; the card fields 45-50 are the
  // last six columns; SalesRep (51) follows CreditLimit (44).
  std::vector<std::string> expected;
  for (int i = 0; i <= 10; ++i) expected.push_back("f" + std::to_string(i));
  for (int i = 12; i <= 44; ++i) expected.push_back("f" + std::to_string(i));
  for (int i = 51; i <= 61; ++i) expected.push_back("f" + std::to_string(i));
  for (int i = 45; i <= 50; ++i) expected.push_back("f" + std::to_string(i));
  EXPECT_EQ(stored[0], expected);
  EXPECT_EQ(raw.Column("SELECT SalesRep || '|' || CCNum || '|' || PriceLevel FROM CustomerList"),
            std::vector<std::string>{"f51|f45|f61"});
}

TEST_F(CustomerTest, CustomerWriteReadBackFillsEveryFieldButTheExtraName) {
  CCustomerFields written = DistinctFields();
  ASSERT_TRUE(db.InsertCustomer(written));
  CCustomerFields read;
  read[kCustExtraName] = CBstr(u"kept");
  ASSERT_TRUE(db.GetCustomerByListID(u"f0", read));
  for (int i = 0; i < kCustomerFieldCount; ++i) {
    if (i == kCustExtraName) continue;
    EXPECT_EQ(read[i].str(), written[i].str()) << "field " << i;
  }
  EXPECT_EQ(read[kCustExtraName].str(), u"kept");
}

TEST_F(CustomerTest, CustomerWriteApostrophesInEveryFieldAndNotesOnOneLine) {
  CCustomerFields fields = DistinctFields();
  for (int i = 1; i < kCustomerFieldCount; ++i) fields[i] = CBstr(fields[i].str() + u" O'Brien's");
  fields[kCustCompanyName] = CBstr(u"Joe's Diner");
  fields[kCustNotes] = CBstr(u"  First line\r\nSecond line  ");
  const CCustomerFields before = fields;
  ASSERT_TRUE(db.InsertCustomer(fields));
  for (int i = 0; i < kCustomerFieldCount; ++i) EXPECT_EQ(fields[i].str(), before[i].str()) << "field " << i;

  CCustomerFields read;
  ASSERT_TRUE(db.GetCustomerByListID(u"f0", read));
  EXPECT_EQ(read[kCustCompanyName].str(), u"Joe's Diner");
  EXPECT_EQ(read[kCustTerms].str(), u"f39 O'Brien's");
  EXPECT_EQ(read[kCustSalesRep].str(), u"f51 O'Brien's");
  EXPECT_EQ(read[kCustNotes].str(), u"First line Second line");
}

TEST_F(CustomerTest, CustomerWriteNotesLineBreaksOfEveryKind) {
  struct Case {
    const char16_t* notes;
    const char16_t* stored;
  } cases[] = {
      {u"one\r\ntwo", u"one two"},
      {u"one\ntwo\nthree", u"one two three"},
      {u"one\rtwo", u"one two"},
      {u" \r\n one\r\n\r\ntwo \r\n", u"one  two"},
      // Without a line break the notes go in exactly as typed.
      {u"  padded  ", u"  padded  "},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.notes));
    std::u16string id = u"N" + platform::ToUtf16(std::to_string(n++));
    CCustomerFields fields = Customer(id, id);
    fields[kCustNotes] = CBstr(c.notes);
    ASSERT_TRUE(db.InsertCustomer(fields));
    CCustomerFields read;
    ASSERT_TRUE(db.GetCustomerByListID(id, read));
    EXPECT_EQ(read[kCustNotes].str(), c.stored);
  }
}

TEST_F(CustomerTest, CustomerWriteScrambledCardFieldsWithCharacterZeroRoundTrip) {
  CCustomerFields fields = Customer(u"C-1", u"Card Holder");
  std::u16string number = Scrambled(u"quiet4111111111111");  // starts with five zeros
  ASSERT_EQ(number.substr(0, 5), std::u16string(5, u'\0'));
  fields[kCustCCNum] = CBstr(number);
  fields[kCustCCExpMon] = CBstr(Scrambled(u"08"));
  fields[kCustCCExpYear] = CBstr(Scrambled(u"2029"));
  fields[kCustCCName] = CBstr(std::u16string(u"Ann\0Lee", 7));
  fields[kCustCCAddr] = CBstr(std::u16string(u"\xDC00lone", 5));
  ASSERT_TRUE(db.InsertCustomer(fields));
  CCustomerFields read;
  ASSERT_TRUE(db.GetCustomerByListID(u"C-1", read));
  for (int f : {kCustCCNum, kCustCCExpMon, kCustCCExpYear, kCustCCName, kCustCCAddr}) {
    EXPECT_EQ(read[f].str(), fields[f].str()) << "field " << f;
    EXPECT_EQ(read[f].Length(), fields[f].Length()) << "field " << f;
  }
  EXPECT_EQ(Scrambled(read[kCustCCNum].view()), u"quiet4111111111111");
}

TEST_F(CustomerTest, CustomerWriteNamesWithCharacterZeroAndNonLatinLetters) {
  std::u16string names[] = {std::u16string(u"Zero\0Name", 9), u"Ærø Ĳssel 東京 Łódź", u"50% off_sale"};
  for (const std::u16string& name : names) {
    SCOPED_TRACE(Utf8(name));
    CCustomerFields fields = Customer(u"ID " + name, name);
    ASSERT_TRUE(db.InsertCustomer(fields));
    CCustomerFields read;
    ASSERT_TRUE(db.GetCustomerByFullName(name, read));
    EXPECT_EQ(read[kCustFullName].str(), name);
    EXPECT_EQ(read[kCustListID].str(), u"ID " + name);
    EXPECT_TRUE(db.HasCustomerRecord(u"ID " + name));
  }
  // A wildcard in a name is a letter, not a pattern.
  CCustomerFields read;
  EXPECT_FALSE(db.GetCustomerByFullName(u"50_ off%sale", read));
}

// ---- Reads ----------------------------------------------------------------------------------------

TEST_F(CustomerTest, CustomerWriteAbsentFieldsAreEmptyTextsRowAfterRow) {
  CCustomerFields first = DistinctFields();
  ASSERT_TRUE(db.InsertCustomer(first));
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-2", u"Second")));
  RawDb raw(File());
  EXPECT_EQ(raw.Column("SELECT FullName || '|' || Salutation || '|' || typeof(CCZip) FROM CustomerList ORDER BY ListID"),
            (std::vector<std::string>{"Second||text", "f5|f10|text"}));
}

TEST_F(CustomerTest, CustomerReadMissingRowLeavesTheBlockUnchanged) {
  CCustomerFields block = DistinctFields();
  EXPECT_FALSE(db.GetCustomerByListID(u"nobody", block));
  EXPECT_FALSE(db.GetCustomerByFullName(u"Nobody", block));
  EXPECT_FALSE(db.HasCustomerRecord(u"nobody"));
  CBstr terms(u"kept");
  EXPECT_FALSE(db.GetCustomerTermsByFullName(u"Nobody", terms));
  EXPECT_EQ(terms.str(), u"kept");
  for (int i = 0; i < kCustomerFieldCount; ++i) EXPECT_EQ(block[i].str(), DistinctFields()[i].str());
}

TEST_F(CustomerTest, CustomerReadNullColumnsGiveEmptyTexts) {
  ASSERT_EQ(db.Execute(u"INSERT INTO CustomerList (ListID, FullName) VALUES ('bare', 'Bare')"), SQLITE_OK);
  CCustomerFields read = DistinctFields();
  ASSERT_TRUE(db.GetCustomerByFullName(u"Bare", read));
  EXPECT_EQ(read[kCustListID].str(), u"bare");
  EXPECT_FALSE(read[kCustPhone].IsNull());
  EXPECT_EQ(read[kCustPhone].str(), u"");
  EXPECT_EQ(read[kCustCCZip].str(), u"");
  CBstr terms(u"kept");
  ASSERT_TRUE(db.GetCustomerTermsByFullName(u"Bare", terms));
  EXPECT_EQ(terms.str(), u"");
  ASSERT_TRUE(db.InsertCustomer(DistinctFields()));
  ASSERT_TRUE(db.GetCustomerTermsByFullName(u"f5", terms));
  EXPECT_EQ(terms.str(), u"f39");
}

TEST_F(CustomerTest, CustomerReadWithoutTheTableFails) {
  ASSERT_EQ(db.Execute(u"DROP TABLE CustomerList"), SQLITE_OK);
  CCustomerFields read;
  EXPECT_FALSE(db.HasCustomerRecord(u"x"));
  EXPECT_EQ(db.LastError(), u"HasCustomerRecord prepare failed");
  EXPECT_FALSE(db.GetCustomerByListID(u"x", read));
  EXPECT_FALSE(db.OpenCustomerList());
  EXPECT_EQ(db.CustomerRowCount(), 0);
  EXPECT_FALSE(db.InsertCustomer(Customer(u"x", u"X")));
  EXPECT_EQ(db.LastError(), u"no such table: CustomerList");
}

// ---- The customer list ----------------------------------------------------------------------------

TEST_F(CustomerTest, CustomerListOrdersByUpperFullNameWithJobsAfterTheirCustomer) {
  const char16_t* names[] = {u"bob's shop", u"Alice:Kitchen", u"alice", u"Carl", u"Alice:Attic", u"Bob's Shop:Roof"};
  int n = 0;
  for (const char16_t* name : names) {
    std::u16string id = u"L" + platform::ToUtf16(std::to_string(n++));
    std::u16string_view view(name);
    ASSERT_TRUE(db.InsertCustomer(Customer(id, name, view.find(u':') == std::u16string_view::npos ? u"0" : u"1")));
  }
  ASSERT_TRUE(db.OpenCustomerList());
  ASSERT_EQ(db.CustomerRowCount(), 6);
  EXPECT_EQ(db.CustomerColumnCount(), 7);
  std::vector<std::u16string> order;
  for (int r = 0; r < db.CustomerRowCount(); ++r) {
    CCustomerFields row;
    ASSERT_TRUE(db.GetCustomerListRow(r, row));
    order.push_back(row[kCustFullName].str());
  }
  EXPECT_EQ(order, (std::vector<std::u16string>{u"alice", u"Alice:Attic", u"Alice:Kitchen", u"bob's shop",
                                                u"Bob's Shop:Roof", u"Carl"}));
}

TEST_F(CustomerTest, CustomerListRowCarriesItsSevenTextsAndIsBoundsChecked) {
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-7", u"Seven")));
  ASSERT_TRUE(db.OpenCustomerList());
  CCustomerFields row;
  row[kCustEmail] = CBstr(u"untouched");
  ASSERT_TRUE(db.GetCustomerListRow(0, row));
  EXPECT_EQ(row[kCustListID].str(), u"C-7");
  EXPECT_EQ(row[kCustName].str(), u"Seven");
  EXPECT_EQ(row[kCustFullName].str(), u"Seven");
  EXPECT_EQ(row[kCustSublevel].str(), u"0");
  EXPECT_EQ(row[kCustCompanyName].str(), u"Co Seven");
  EXPECT_EQ(row[kCustPhone].str(), u"555-0100");
  EXPECT_EQ(row[kCustTotalBalance].str(), u"12.50");
  EXPECT_EQ(row[kCustEmail].str(), u"untouched");
  EXPECT_FALSE(db.GetCustomerListRow(1, row));
  EXPECT_FALSE(db.GetCustomerListRow(-1, row));
  db.FreeCustomerTable();
  EXPECT_FALSE(db.GetCustomerListRow(0, row));
}

// ---- Changes -----------------------------------------------------------------------------------------

TEST_F(CustomerTest, CustomerChangeReplaceInsertsUnknownAndRewritesKnown) {
  ASSERT_TRUE(db.ReplaceCustomer(Customer(u"C-1", u"First")));
  CCustomerFields read;
  ASSERT_TRUE(db.GetCustomerByListID(u"C-1", read));
  EXPECT_EQ(read[kCustFullName].str(), u"First");
  ASSERT_TRUE(db.ReplaceCustomer(Customer(u"C-1", u"Renamed")));
  ASSERT_TRUE(db.OpenCustomerList());
  EXPECT_EQ(db.CustomerRowCount(), 1);
  ASSERT_TRUE(db.GetCustomerByListID(u"C-1", read));
  EXPECT_EQ(read[kCustFullName].str(), u"Renamed");
  EXPECT_EQ(db.TransactionDepth(), 0);
}

TEST_F(CustomerTest, CustomerChangeDeletesReportTheirResults) {
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-1", u"O'Malley")));
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-2", u"Second")));
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-3", u"Third")));
  EXPECT_TRUE(db.DeleteCustomerByFullName(u"O'Malley"));
  EXPECT_FALSE(db.HasCustomerRecord(u"C-1"));
  EXPECT_TRUE(db.DeleteCustomerByListID(u"C-2"));
  EXPECT_FALSE(db.HasCustomerRecord(u"C-2"));
  EXPECT_TRUE(db.DeleteAllCustomers());
  ASSERT_TRUE(db.OpenCustomerList());
  EXPECT_EQ(db.CustomerRowCount(), 0);
  EXPECT_FALSE(db.HasCustomerRecord(u"C-3"));

  ASSERT_EQ(db.Execute(u"DROP TABLE CustomerList"), SQLITE_OK);
  EXPECT_FALSE(db.DeleteAllCustomers());
  EXPECT_FALSE(db.DeleteCustomerByFullName(u"Any"));
  EXPECT_FALSE(db.DeleteCustomerByListID(u"C-3"));
}

}  // namespace
}  // namespace datastore_test

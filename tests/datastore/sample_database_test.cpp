// The sample database made at build time: it opens, passes the open check, and its tree
// and customers hang together.
#include <sqlite3.h>

#include "DatabaseTest.h"

namespace datastore_test {
namespace {

class SampleDatabaseTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    std::filesystem::copy_file(SLATEWAY_SAMPLE_DB, File());
    ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
    CBstr message;
    ASSERT_TRUE(db.OpenItemsList(message)) << Utf8(message.view());
    EXPECT_TRUE(recorder.notices.empty());
  }
};

TEST_F(SampleDatabaseTest, HasTheSchemaOfANewFile) {
  CSqlDatabase fresh;
  ASSERT_EQ(fresh.Open(u"\\Data\\Fresh.db"), SQLITE_OK);
  fresh.Close();
  RawDb sample(File()), made(Linux(u"\\Data\\Fresh.db"));
  const std::string master = "SELECT type, name, sql FROM sqlite_master ORDER BY rowid";
  EXPECT_EQ(sample.Rows(master), made.Rows(master));
}

TEST_F(SampleDatabaseTest, EveryNodeHangsUnderAnExistingParent) {
  RawDb raw(File());
  // Each node's Parent is the FullName of another node; only "My Lists" has none.
  EXPECT_EQ(raw.Column("SELECT Name FROM ItemsList a WHERE Parent <> '' AND NOT EXISTS "
                       "(SELECT 1 FROM ItemsList b WHERE b.FullName = a.Parent)"),
            std::vector<std::string>{});
  EXPECT_EQ(raw.Column("SELECT Name FROM ItemsList WHERE Parent = ''"), std::vector<std::string>{"My Lists"});
  EXPECT_EQ(raw.Column("SELECT count(DISTINCT ListID) = count(*) FROM ItemsList"), std::vector<std::string>{"1"});
  for (const char16_t* type : {u"Service", u"Inventory Part", u"Non-inventory Part", u"Other Charge", u"Subtotal",
                               u"Discount", u"Payment", u"Sales Tax Item", u"Sales Tax Group", u"Group"}) {
    CItemRow row;
    auto items = db.SelectItems(row, type, u"", u"", u"", true);
    ASSERT_TRUE(items) << Utf8(type);
    int count = 1;
    while (db.StepItemRow(*items, row, false)) ++count;
    EXPECT_GE(count, 2) << Utf8(type) << ": its category node and at least one entry";
  }
  for (const char16_t* list : {u"Price Levels", u"Terms", u"Tax Codes", u"Customer Msgs", u"Job Types"})
    EXPECT_GT(db.GetChildCount(list), 0) << Utf8(list);
}

TEST_F(SampleDatabaseTest, JobsFollowTheirCustomersInTheList) {
  ASSERT_TRUE(db.OpenCustomerList());
  ASSERT_GE(db.CustomerRowCount(), 4);
  std::u16string lastCustomer;
  int jobs = 0;
  for (int r = 0; r < db.CustomerRowCount(); ++r) {
    CCustomerFields row;
    ASSERT_TRUE(db.GetCustomerListRow(r, row));
    if (row[kCustSublevel].str() == u"0") {
      lastCustomer = row[kCustFullName].str();
      continue;
    }
    ++jobs;
    EXPECT_EQ(row[kCustFullName].str().rfind(lastCustomer + u":", 0), 0u) << Utf8(row[kCustFullName].view());
    CCustomerFields job;
    ASSERT_TRUE(db.GetCustomerByListID(row[kCustListID].view(), job));
    EXPECT_TRUE(db.HasCustomerRecord(job[kCustParentListID].view()));
  }
  EXPECT_GE(jobs, 2);
}

}  // namespace
}  // namespace datastore_test

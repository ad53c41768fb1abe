// CSqlDatabase: the file, its schema, the upgrade, the open check, statements and
// transactions.
//
// Groups:
//   Schema*       a new file holds exactly the two tables and three indexes
//   Open*         existing, missing-folder, read-only, locked, damaged and foreign files
//   Upgrade*      version 4 files, running twice, after a half-done upgrade, failure
//   Transaction*  commit, rollback, nesting, failures inside a transaction
//   Text*         a text with an unpaired surrogate comes back through every read
//   Lifecycle*    closing with open cursors, calls on a closed database, threads
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "DatabaseTest.h"
#include "datastore/DbRecord.h"
#include "platform/testing/Eventually.h"
#include "resources/resource_ids.h"

namespace datastore_test {
namespace {

// The columns of both tables in file order, with their declared types, written out here
// independently of the creation texts.
const std::vector<std::pair<std::string, std::string>> kItemsColumns = {
    {"ListID", "varchar(38)"},       {"ListType", "varchar(32)"},     {"Name", "varchar(128)"},
    {"FullName", "varchar(128)"},    {"SalesDescription", "TEXT"},    {"PurchaseCost", "varchar(10)"},
    {"SalesAmount", "varchar(10)"},  {"Taxable", "varchar(3)"},       {"Tax2", "varchar(3)"},
    {"TimeCreated", "varchar(25)"},  {"TimeModified", "varchar(25)"}, {"EditSequence", "varchar (25)"},
    {"UnitOfMeasure", "varchar(25)"}, {"Account", "varchar (159)"},   {"Vendor", "varchar (159)"},
    {"Parent", "varchar(159)"},      {"UseCount", "INTEGER"},         {"ObjectPosition", "INTEGER"},
    {"StartingQuantity", "INTEGER"}, {"EndingQuantity", "INTEGER"},   {"QuantityOnHand", "INTEGER"},
    {"QuantityOnSalesOrder", "INTEGER"}, {"ReorderPoint", "INTEGER"}, {"ObjectType", "INTEGER"},
    {"IsOpen", "INTEGER"},           {"sReserved1", "varchar(31)"},   {"sReserved2", "varchar(36)"},
    {"sReserved3", "varchar(100)"},  {"sReserved4", "varchar(10)"},   {"nReserved1", "INTEGER"},
};

const std::vector<std::string> kCustomerColumns = {
    "ListID", "TimeCreated", "TimeModified", "EditSequence", "Name", "FullName", "Sublevel",
    "ParentListID", "ParentFullName", "CompanyName", "Salutation", "FirstName", "MiddleName",
    "LastName", "BillToAddr1", "BillToAddr2", "BillToAddr3", "BillToAddr4", "BillToCity",
    "BillToState", "BillToPostalCode", "BillToCountry", "ShipToAddr1", "ShipToAddr2",
    "ShipToAddr3", "ShipToAddr4", "ShipToCity", "ShipToState", "ShipToPostalCode",
    "ShipToCountry", "Phone", "Mobile", "AltPhone", "Fax", "Email", "Contact", "AltContact",
    "CustomerType", "Terms", "SalesTaxCode", "ItemSalesTax", "ResaleNumber", "AccountNumber",
    "CreditLimit", "SalesRep", "Balance", "TotalBalance", "JobStatus", "JobStartDate",
    "JobProjectedEndDate", "JobEndDate", "JobDesc", "JobType", "Notes", "PriceLevel", "CCNum",
    "CCExpMon", "CCExpYear", "CCName", "CCAddr", "CCZip"};

std::vector<std::string> ColumnNames(RawDb& raw, const std::string& table) {
  std::vector<std::string> names;
  for (auto& row : raw.Rows("PRAGMA table_info(" + table + ")")) names.push_back(row[1]);
  return names;
}

std::vector<std::string> Prefix(const std::vector<std::string>& all, size_t n) {
  return std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(n));
}

// A version 4 file: the same tables without the six card and five reserved columns.
void MakeVersion4File(const std::filesystem::path& file, bool withItems = true) {
  RawDb raw(file);
  std::string items = Utf8(kCreateItemsTable);
  items = items.substr(0, items.find(", sReserved1")) + ")";
  std::string customers = Utf8(kCreateCustomerTable);
  customers = customers.substr(0, customers.find(",CCNum")) + ")";
  if (withItems) {
    ASSERT_EQ(raw.Exec(items), SQLITE_OK);
    ASSERT_EQ(raw.Exec("INSERT INTO ItemsList (ListID, Name, UseCount) VALUES ('{OLD-1}', 'Old item', 1)"), SQLITE_OK);
  }
  ASSERT_EQ(raw.Exec(customers), SQLITE_OK);
  ASSERT_EQ(raw.Exec("INSERT INTO CustomerList (ListID, Name, FullName) VALUES ('C-1', 'Old customer', 'Old customer')"), SQLITE_OK);
}

CCustomerFields Customer(const std::u16string& listId, const std::u16string& name) {
  CCustomerFields fields;
  fields[kCustListID] = CBstr(listId);
  fields[kCustName] = CBstr(name);
  fields[kCustFullName] = CBstr(name);
  fields[kCustSublevel] = CBstr(u"0");
  return fields;
}

// ---- Schema -----------------------------------------------------------------------------------

TEST_F(DatabaseTest, SchemaOfNewFileIsExactlyTwoTablesAndTheirIndexes) {
  OpenFresh();
  ASSERT_EQ(recorder.notices.size(), 1u);
  EXPECT_TRUE(recorder.notices[0].warning);
  EXPECT_EQ(recorder.notices[0].id, IDS_DB_NEW_DATABASE);
  EXPECT_EQ(recorder.notices[0].text, kDbPath);

  RawDb raw(File());
  auto master = raw.Rows("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid");
  std::vector<std::vector<std::string>> expected = {
      {"table", "ItemsList", "ItemsList", Utf8(kCreateItemsTable)},
      {"index", "i2", "ItemsList", "CREATE INDEX i2 ON ItemsList(Name ASC)"},
      {"index", "i1", "ItemsList", "CREATE INDEX i1 ON ItemsList(Parent ASC)"},
      {"index", "i3", "ItemsList", "CREATE INDEX i3 ON ItemsList(ListID ASC)"},
      {"table", "CustomerList", "CustomerList", Utf8(kCreateCustomerTable)},
      {"index", "ItemsByParentName", "ItemsList", "CREATE INDEX ItemsByParentName ON ItemsList(Parent ASC, Name ASC)"},
      {"index", "CustomersByListID", "CustomerList", "CREATE INDEX CustomersByListID ON CustomerList(ListID ASC)"},
      {"index", "CustomersByFullName", "CustomerList",
       "CREATE INDEX CustomersByFullName ON CustomerList(FullName ASC)"},
  };
  EXPECT_EQ(master, expected);
}

TEST_F(DatabaseTest, SchemaColumnsHaveTheirOrderAndDeclaredTypes) {
  OpenFresh();
  RawDb raw(File());
  std::vector<std::pair<std::string, std::string>> items;
  for (auto& row : raw.Rows("PRAGMA table_info(ItemsList)")) items.emplace_back(row[1], row[2]);
  EXPECT_EQ(items, kItemsColumns);
  EXPECT_EQ(ColumnNames(raw, "CustomerList"), kCustomerColumns);
  // No column has a default, a key or a constraint.
  for (auto& row : raw.Rows("PRAGMA table_info(CustomerList)")) {
    EXPECT_EQ(row[3], "0") << row[1];
    EXPECT_EQ(row[4], "<null>") << row[1];
    EXPECT_EQ(row[5], "0") << row[1];
  }
  auto customerTypes = raw.Rows("SELECT type FROM pragma_table_info('CustomerList') WHERE name IN ('EditSequence','ParentFullName','Notes','CCZip') ORDER BY cid");
  EXPECT_EQ(customerTypes, (std::vector<std::vector<std::string>>{{"varchar (16)"}, {"varchar (255)"}, {"TEXT"}, {"varchar (41)"}}));
}

TEST_F(DatabaseTest, SchemaOfNewFileEqualsAnUpgradedVersion4File) {
  OpenFresh();
  db.Close();
  MakeVersion4File(Linux(u"\\Data\\Old.db"));
  CSqlDatabase old;
  ASSERT_EQ(old.Open(u"\\Data\\Old.db"), SQLITE_OK);
  ASSERT_TRUE(old.UpgradeSchema());
  old.Close();
  // Same columns in the same order; the upgrade's declared types are spelled with a
  // blank ("varchar (31)"), which the engine reads as the same text affinity.
  RawDb fresh(File()), upgraded(Linux(u"\\Data\\Old.db"));
  for (const char* table : {"ItemsList", "CustomerList"}) {
    EXPECT_EQ(ColumnNames(fresh, table), ColumnNames(upgraded, table)) << table;
  }
}

// ---- Opening -------------------------------------------------------------------------------------

TEST_F(DatabaseTest, OpenExistingFileShowsNoWarningAndKeepsItsRows) {
  OpenFresh();
  ASSERT_EQ(db.Execute(u"INSERT INTO CustomerList (ListID, Name) VALUES ('C-9', 'Kept')"), SQLITE_OK);
  db.Close();
  recorder.notices.clear();

  CSqlDatabase again;
  again.SetNotices(&recorder);
  EXPECT_EQ(again.Open(kDbPath), SQLITE_OK);
  EXPECT_TRUE(recorder.notices.empty());
  EXPECT_TRUE(again.HasCustomerRecord(u"C-9"));
  EXPECT_EQ(again.Path(), kDbPath);
  EXPECT_TRUE(again.OpenFlag());
}

TEST_F(DatabaseTest, OpenGivesAnOlderFileTheLookupIndexesAndKeepsItsTablesAndRows) {
  const char* kIndexes = "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name";
  const char* kContents = "SELECT * FROM ItemsList ORDER BY rowid";
  const char* kTables = "SELECT name, sql FROM sqlite_master WHERE type = 'table'";
  {
    // A file as the program made it before the lookup indexes existed.
    RawDb raw(File());
    ASSERT_EQ(raw.Exec(Utf8(kCreateItemsTable)), SQLITE_OK);
    for (const char16_t* index : kCreateItemsIndexes) ASSERT_EQ(raw.Exec(Utf8(index)), SQLITE_OK);
    ASSERT_EQ(raw.Exec(Utf8(kCreateCustomerTable)), SQLITE_OK);
    ASSERT_EQ(raw.Exec("INSERT INTO ItemsList (ListID, Name, Parent, UseCount) VALUES ('{1}', 'Old', 'Cat', 1), "
                       "('{2}', 'Older', 'Cat', 2); INSERT INTO CustomerList (ListID, FullName) VALUES ('C-1', 'Ann')"),
              SQLITE_OK);
  }
  RawDb before(File());
  auto rows = before.Rows(kContents);
  auto tables = before.Rows(kTables);
  EXPECT_EQ(before.Column(kIndexes), (std::vector<std::string>{"i1", "i2", "i3"}));

  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  CBstr message;
  EXPECT_TRUE(db.OpenItemsList(message));
  EXPECT_TRUE(db.LastError().empty());
  RawDb after(File());
  EXPECT_EQ(after.Column(kIndexes), (std::vector<std::string>{"CustomersByFullName", "CustomersByListID",
                                                               "ItemsByParentName", "i1", "i2", "i3"}));
  EXPECT_EQ(after.Rows(kContents), rows);
  EXPECT_EQ(after.Rows(kTables), tables);
  EXPECT_EQ(after.Column("SELECT FullName FROM CustomerList"), std::vector<std::string>{"Ann"});
  // The duplicate check finds a child through the new index rather than reading the category.
  auto plan = after.Rows("EXPLAIN QUERY PLAN SELECT * FROM ItemsList WHERE Parent = 'Cat' AND Name = 'Old'");
  ASSERT_FALSE(plan.empty());
  EXPECT_NE(plan[0].back().find("ItemsByParentName"), std::string::npos) << plan[0].back();
  EXPECT_TRUE(db.ItemNameExists(u"Older", u"Cat"));

  // Opened again, the file keeps exactly one copy of each index.
  db.Close();
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  EXPECT_EQ(after.Column("SELECT count(*) FROM sqlite_master"), std::vector<std::string>{"8"});
}

// A file that keeps its texts as UTF-16 reads and writes the same texts as one in UTF-8.
TEST_F(DatabaseTest, OpenFileStoringUtf16TextsReadsAndWritesTheSameTexts) {
  {
    RawDb raw(File());
    ASSERT_EQ(raw.Exec("PRAGMA encoding = 'UTF-16le'"), SQLITE_OK);
    ASSERT_EQ(raw.Exec(Utf8(kCreateItemsTable)), SQLITE_OK);
    ASSERT_EQ(raw.Exec(Utf8(kCreateCustomerTable)), SQLITE_OK);
    ASSERT_EQ(raw.Exec("INSERT INTO CustomerList (ListID, FullName) VALUES ('C-1', 'Ren\xc3\xa9" "e \xe6\x97\xa5')"),
              SQLITE_OK);
  }
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  CCustomerFields read;
  ASSERT_TRUE(db.GetCustomerByListID(u"C-1", read));
  EXPECT_EQ(read[kCustFullName].str(), u"Ren\u00e9e \u65e5");
  CItemRow row;
  row[kRowListID] = CBstr(u"{1}");
  row[kRowListType] = CBstr(u"Service");
  row[kRowName] = CBstr(u"Caf\u00e9 \U0001F600");
  ASSERT_TRUE(db.AddRecord(row));
  CItemRow back;
  ASSERT_TRUE(db.GetItemRowOfType(u"{1}", u"Service", back));
  EXPECT_EQ(back[kRowName].str(), u"Caf\u00e9 \U0001F600");
}

TEST_F(DatabaseTest, OpenInMissingFolderFailsWithEngineMessageAndLeavesNoFile) {
  int rc = db.Open(u"\\No Such Folder\\Slateway.db");
  EXPECT_EQ(rc, SQLITE_CANTOPEN);
  EXPECT_FALSE(db.LastError().empty());
  EXPECT_FALSE(db.IsConnected());
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\No Such Folder")));
  CBstr message;
  EXPECT_FALSE(db.OpenItemsList(message));
  EXPECT_EQ(db.Execute(u"SELECT 1"), SQLITE_MISUSE);
}

TEST_F(DatabaseTest, OpenThatCannotMakeTheTablesLeavesNoHalfMadeFile) {
  // A folder in the place of the rollback journal: the engine creates the file but
  // cannot write the tables into it.
  std::filesystem::create_directories(Linux(u"\\Data\\Slateway.db-journal"));
  int rc = db.Open(kDbPath);
  EXPECT_NE(rc, SQLITE_OK);
  EXPECT_FALSE(db.LastError().empty());
  EXPECT_FALSE(db.IsConnected());
  EXPECT_FALSE(std::filesystem::exists(File()));
  EXPECT_EQ(db.TransactionDepth(), 0);
  // Once the obstacle is gone the next start makes a whole file.
  std::filesystem::remove(Linux(u"\\Data\\Slateway.db-journal"));
  OpenFresh();
  RawDb raw(File());
  EXPECT_EQ(raw.Column("SELECT count(*) FROM sqlite_master"), std::vector<std::string>{"8"});
}

struct BadFileCase {
  const char* name;
  std::function<void(const std::filesystem::path&)> make;
  int code;
};

TEST_F(DatabaseTest, OpenCheckRefusesFilesThatAreNoUsableDatabase) {
  auto writeBytes = [](const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  };
  auto makeRealDatabaseCutTo = [&](size_t size) {
    return [size](const std::filesystem::path& file) {
      CSqlDatabase maker;
      ASSERT_EQ(maker.Open(platform::ToDevicePath(file)), SQLITE_OK);
      ASSERT_EQ(maker.BeginTransaction(), SQLITE_OK);
      for (int i = 0; i < 100; ++i) {
        CItemRow row;
        row[kRowListID] = CBstr(u"{ID-" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u"}");
        row[kRowName] = CBstr(std::u16string(200, u'x'));
        ASSERT_TRUE(maker.AddRecord(row));
      }
      ASSERT_EQ(maker.CommitTransaction(), SQLITE_OK);
      maker.Close();
      std::filesystem::resize_file(file, size);
    };
  };
  std::vector<BadFileCase> cases = {
      {"text file", [&](const auto& f) { writeBytes(f, "Not a database at all, just some words.\n"); }, SQLITE_NOTADB},
      {"cut inside the header", makeRealDatabaseCutTo(50), SQLITE_CORRUPT},
      {"cut after the first pages", makeRealDatabaseCutTo(3 * 4096), SQLITE_CORRUPT},
      {"empty file", [&](const auto& f) { writeBytes(f, ""); }, SQLITE_ERROR},
      {"foreign database", [](const auto& f) { RawDb raw(f); raw.Exec("CREATE TABLE Other (x)"); }, SQLITE_ERROR},
  };
  for (const BadFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(File());
    c.make(File());
    CSqlDatabase bad;
    EXPECT_EQ(bad.Open(kDbPath), SQLITE_OK);  // the engine opens lazily; the check tells
    CBstr message;
    EXPECT_FALSE(bad.OpenItemsList(message));
    std::u16string last = bad.LastError();
    EXPECT_EQ(last.rfind(u"Error DB:OpenItemsList reported:", 0), 0u) << Utf8(last);
    EXPECT_GT(last.size(), std::u16string(u"Error DB:OpenItemsList reported:").size());
    EXPECT_EQ(Utf8(message.view()), Utf8(last) + " Error: " + std::to_string(c.code));
    EXPECT_EQ(bad.ItemIdRowCount(), 0);
    // The file is left as it was: nothing deleted or moved.
    EXPECT_TRUE(std::filesystem::exists(File()));
    EXPECT_TRUE(bad.Close());
  }
}

TEST_F(DatabaseTest, OpenCheckCountsTheListIds) {
  OpenFresh();
  EXPECT_EQ(db.ItemIdRowCount(), 0);
  for (const char16_t* id : {u"{A}", u"{B}", u"{C}"}) {
    CItemRow row;
    row[kRowListID] = CBstr(id);
    ASSERT_TRUE(db.AddRecord(row));
  }
  CBstr message;
  ASSERT_TRUE(db.OpenItemsList(message));
  EXPECT_EQ(db.ItemIdRowCount(), 3);
  db.FreeItemIdTable();
  EXPECT_EQ(db.ItemIdRowCount(), 0);
}

TEST_F(DatabaseTest, ReadOnlyFileReadsButEveryWriteFailsWithTheEngineMessage) {
  OpenFresh();
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-1", u"Stays")));
  db.Close();
  std::filesystem::permissions(File(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);

  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  CBstr message;
  EXPECT_TRUE(db.OpenItemsList(message));
  EXPECT_TRUE(db.HasCustomerRecord(u"C-1"));

  EXPECT_FALSE(db.InsertCustomer(Customer(u"C-2", u"Refused")));
  EXPECT_NE(db.LastError().find(u"readonly"), std::u16string::npos) << Utf8(db.LastError());
  EXPECT_FALSE(db.DeleteAllCustomers());
  EXPECT_FALSE(db.DeleteCustomerByFullName(u"Stays"));
  EXPECT_FALSE(db.ReplaceCustomer(Customer(u"C-1", u"Changed")));
  CItemRow row;
  row[kRowListID] = CBstr(u"{X}");
  EXPECT_FALSE(db.AddRecord(row));
  EXPECT_EQ(db.LastError().rfind(u"Insert Failed: INSERT INTO ItemsList", 0), 0u);
  EXPECT_FALSE(db.DeleteChildren(u"Anything"));
  EXPECT_FALSE(db.DeleteByListType(u"Service", std::nullopt));

  CCustomerFields read;
  ASSERT_TRUE(db.GetCustomerByListID(u"C-1", read));
  EXPECT_EQ(read[kCustName].str(), u"Stays");
  db.Close();
  std::filesystem::permissions(File(), std::filesystem::perms::owner_all);
}

TEST_F(DatabaseTest, LockedFileFailsTheCheckAndWritesWithDatabaseIsLocked) {
  OpenFresh();
  db.Close();
  RawDb holder(File());
  ASSERT_EQ(holder.Exec("BEGIN EXCLUSIVE; INSERT INTO CustomerList (ListID) VALUES ('L');"), SQLITE_OK);

  db.SetBusyWait(50);  // waited for, a bounded time
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  CBstr message;
  EXPECT_FALSE(db.OpenItemsList(message));
  EXPECT_EQ(db.LastError(), u"Error DB:OpenItemsList reported:database is locked");
  EXPECT_EQ(message.str(), u"Error DB:OpenItemsList reported:database is locked Error: 5");
  EXPECT_FALSE(db.InsertCustomer(Customer(u"C-2", u"Waiting")));
  EXPECT_EQ(db.LastError(), u"database is locked");

  ASSERT_EQ(holder.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_TRUE(db.OpenItemsList(message));
  EXPECT_TRUE(db.InsertCustomer(Customer(u"C-2", u"Now")));
}

// ---- Upgrade -------------------------------------------------------------------------------------

TEST_F(DatabaseTest, UpgradeOfVersion4FileAddsElevenColumnsAndKeepsRows) {
  MakeVersion4File(File());
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  EXPECT_TRUE(recorder.notices.empty());
  {
    RawDb raw(File());
    EXPECT_EQ(ColumnNames(raw, "CustomerList"), Prefix(kCustomerColumns, 55));
  }
  // Before the upgrade an insert names columns the file lacks.
  CItemRow row;
  row[kRowListID] = CBstr(u"{NEW}");
  row[kRowName] = CBstr(u"New item");
  EXPECT_FALSE(db.AddRecord(row));

  ASSERT_TRUE(db.UpgradeSchema());
  RawDb raw(File());
  std::vector<std::string> itemNames;
  for (auto& c : kItemsColumns) itemNames.push_back(c.first);
  EXPECT_EQ(ColumnNames(raw, "ItemsList"), itemNames);
  EXPECT_EQ(ColumnNames(raw, "CustomerList"), kCustomerColumns);
  EXPECT_EQ(raw.Column("SELECT Name FROM ItemsList WHERE ListID = '{OLD-1}'"), std::vector<std::string>{"Old item"});
  EXPECT_EQ(raw.Column("SELECT CCNum FROM CustomerList WHERE ListID = 'C-1'"), std::vector<std::string>{"<null>"});
  EXPECT_TRUE(db.AddRecord(row));
  EXPECT_TRUE(db.InsertCustomer(Customer(u"C-2", u"Card holder")));
  EXPECT_EQ(db.TransactionDepth(), 0);
}

TEST_F(DatabaseTest, UpgradeTwiceOrAfterAHalfDoneUpgradeGivesTheSameFile) {
  MakeVersion4File(File());
  {
    // An older program stopped after three of the eleven columns.
    RawDb raw(File());
    for (int i = 0; i < 3; ++i) ASSERT_EQ(raw.Exec(Utf8(kSchemaUpgradeSteps[i].statement)), SQLITE_OK);
  }
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  EXPECT_TRUE(db.UpgradeSchema());
  EXPECT_TRUE(db.UpgradeSchema());
  RawDb raw(File());
  EXPECT_EQ(ColumnNames(raw, "CustomerList"), kCustomerColumns);
  EXPECT_EQ(ColumnNames(raw, "ItemsList").size(), kItemsColumns.size());
  // A new file needs no upgrade at all.
  db.Close();
  std::filesystem::remove(File());
  OpenFresh();
  EXPECT_TRUE(db.UpgradeSchema());
}

TEST_F(DatabaseTest, FailedUpgradeRollsBackEveryColumnItAdded) {
  MakeVersion4File(File(), /*withItems=*/false);
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  EXPECT_FALSE(db.UpgradeSchema());
  EXPECT_EQ(db.LastError(), u"no such table: ItemsList");
  EXPECT_EQ(db.TransactionDepth(), 0);
  RawDb raw(File());
  EXPECT_EQ(ColumnNames(raw, "CustomerList"), Prefix(kCustomerColumns, 55));
}

TEST_F(DatabaseTest, UpgradeWhoseCommitIsRefusedLeavesNoTransactionOpen) {
  MakeVersion4File(File());
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  RawDb reader(File());
  ASSERT_EQ(reader.Exec("BEGIN; SELECT count(*) FROM CustomerList;"), SQLITE_OK);
  EXPECT_FALSE(db.UpgradeSchema());
  EXPECT_EQ(db.TransactionDepth(), 0);
  ASSERT_EQ(reader.Exec("ROLLBACK"), SQLITE_OK);
  EXPECT_EQ(ColumnNames(reader, "CustomerList"), Prefix(kCustomerColumns, 55));
  EXPECT_TRUE(db.UpgradeSchema());
  EXPECT_EQ(ColumnNames(reader, "CustomerList"), kCustomerColumns);
}

// ---- Transactions ------------------------------------------------------------------------------

TEST_F(DatabaseTest, TransactionRollbackUndoesAndCommitKeeps) {
  OpenFresh();
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-1", u"Undone")));
  ASSERT_EQ(db.RollbackTransaction(), SQLITE_OK);
  EXPECT_FALSE(db.HasCustomerRecord(u"C-1"));

  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-2", u"Kept")));
  ASSERT_EQ(db.CommitTransaction(), SQLITE_OK);
  db.Close();
  ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
  EXPECT_TRUE(db.HasCustomerRecord(u"C-2"));
}

TEST_F(DatabaseTest, TransactionNestedRollbackUndoesOnlyItsOwnPart) {
  OpenFresh();
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"A", u"Outer")));
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  EXPECT_EQ(db.TransactionDepth(), 2);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"B", u"Inner")));
  ASSERT_EQ(db.RollbackTransaction(), SQLITE_OK);
  EXPECT_EQ(db.TransactionDepth(), 1);
  EXPECT_TRUE(db.HasCustomerRecord(u"A"));
  EXPECT_FALSE(db.HasCustomerRecord(u"B"));
  ASSERT_EQ(db.CommitTransaction(), SQLITE_OK);
  EXPECT_EQ(db.TransactionDepth(), 0);
  EXPECT_TRUE(db.HasCustomerRecord(u"A"));
}

TEST_F(DatabaseTest, TransactionOuterRollbackUndoesCommittedInnerWork) {
  OpenFresh();
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"B", u"Inner")));
  ASSERT_EQ(db.CommitTransaction(), SQLITE_OK);
  ASSERT_EQ(db.RollbackTransaction(), SQLITE_OK);
  EXPECT_FALSE(db.HasCustomerRecord(u"B"));
  EXPECT_EQ(db.TransactionDepth(), 0);
}

TEST_F(DatabaseTest, TransactionEndWithoutBeginReportsTheEngineFailure) {
  OpenFresh();
  EXPECT_NE(db.CommitTransaction(), SQLITE_OK);
  EXPECT_NE(db.LastError().find(u"no transaction is active"), std::u16string::npos) << Utf8(db.LastError());
  EXPECT_NE(db.RollbackTransaction(), SQLITE_OK);
  EXPECT_EQ(db.TransactionDepth(), 0);
}

TEST_F(DatabaseTest, TransactionRollsBackWorkAfterAFailedStatement) {
  OpenFresh();
  {
    RawDb raw(File());
    ASSERT_EQ(raw.Exec("CREATE TRIGGER refuse BEFORE INSERT ON CustomerList WHEN NEW.Name = 'Boom' "
                       "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END;"),
              SQLITE_OK);
  }
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"A", u"First")));
  EXPECT_FALSE(db.InsertCustomer(Customer(u"B", u"Boom")));
  EXPECT_EQ(db.LastError(), u"refused by the test");
  ASSERT_EQ(db.RollbackTransaction(), SQLITE_OK);
  EXPECT_FALSE(db.HasCustomerRecord(u"A"));
}

TEST_F(DatabaseTest, TransactionReplaceCustomerInsideACallerTransactionKeepsTheStoredOne) {
  OpenFresh();
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-1", u"Original")));
  {
    RawDb raw(File());
    ASSERT_EQ(raw.Exec("CREATE TRIGGER refuse BEFORE INSERT ON CustomerList WHEN NEW.Name = 'Boom' "
                       "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END;"),
              SQLITE_OK);
  }
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.InsertCustomer(Customer(u"C-2", u"Also here")));
  EXPECT_FALSE(db.ReplaceCustomer(Customer(u"C-1", u"Boom")));
  EXPECT_EQ(db.LastError(), u"refused by the test");
  EXPECT_EQ(db.TransactionDepth(), 1);
  ASSERT_EQ(db.CommitTransaction(), SQLITE_OK);
  CCustomerFields read;
  ASSERT_TRUE(db.GetCustomerByListID(u"C-1", read));
  EXPECT_EQ(read[kCustName].str(), u"Original");
  EXPECT_TRUE(db.HasCustomerRecord(u"C-2"));
}

// ---- Texts ---------------------------------------------------------------------------------------

// No UTF-8 keeps an unpaired surrogate, so such a text is stored in another form: every
// read gives it back as it was written, from files keeping their texts either way.
TEST_F(DatabaseTest, TextWithUnpairedSurrogateComesBackThroughEveryRead) {
  static const std::u16string lone(u"x\xD800y", 3);
  static constexpr std::u16string_view kTypes[] = {u"Service", u"Other Charge"};
  using Read = std::function<std::u16string(CSqlDatabase&)>;
  // The Name of the row a read of the item table fills.
  auto item = [](std::function<bool(CSqlDatabase&, CItemRow&)> read) -> Read {
    return [read](CSqlDatabase& d) { CItemRow r; return read(d, r) ? r[kRowName].str() : u"(none)"; };
  };
  // A field of the customer a read fills.
  auto customer = [](int field, std::function<bool(CSqlDatabase&, CCustomerFields&)> read) -> Read {
    return [field, read](CSqlDatabase& d) { CCustomerFields f; return read(d, f) ? f[field].str() : u"(none)"; };
  };
  // The current row of a search walk under "P".
  auto found = [](std::function<std::u16string(CSqlDatabase&, CSqlCursor&)> read) -> Read {
    return [read](CSqlDatabase& d) {
      auto cursor = d.OpenFindCursor(u"P", true, false);
      int kind = 0;
      return cursor && d.NextFindRow(*cursor, kind) ? read(d, *cursor) : u"(none)";
    };
  };
  const std::pair<const char*, Read> reads[] = {
      {"GetItemRow", item([](auto& d, auto& r) { return d.GetItemRow(u"{1}", u"Service", u"P", r); })},
      {"GetItemRowOfType", item([](auto& d, auto& r) { return d.GetItemRowOfType(u"{1}", u"Service", r); })},
      {"GetItemRowOfType, two types", item([](auto& d, auto& r) { return d.GetItemRowOfType(u"{1}", kTypes, r); })},
      {"FindChildByName", item([](auto& d, auto& r) { return d.FindChildByName(lone, u"P", r); })},
      {"FindItemRow", item([](auto& d, auto& r) { return d.FindItemRow(u"Name", u"\xD800", kTypes, r, true); })},
      {"OpenChildCursor", item([](auto& d, auto& r) { return !!d.OpenChildCursor(u"P", r, true, false, false); })},
      {"SelectItems", item([](auto& d, auto& r) { return !!d.SelectItems(r, u"Service", u"", u"P", u"", true); })},
      {"ReadFindRow", found([](auto& d, auto& c) { CItemRow r; return d.ReadFindRow(c, r), r[kRowName].str(); })},
      {"FindRowHolds", found([](auto& d, auto& c) {
         std::u16string shown;
         return d.FindRowHolds(c, CFindText(u"\xD800", CFindText::Field::Name), &shown) ? shown : u"(none)";
       })},
      {"GetItemStampOfType",
       [](CSqlDatabase& d) { CBstr s; return d.GetItemStampOfType(u"{1}", u"Service", s) ? s.str() : u"(none)"; }},
      {"GetCustomerByListID",
       customer(kCustFullName, [](auto& d, auto& f) { return d.GetCustomerByListID(u"C-1", f); })},
      {"GetCustomerByFullName",
       customer(kCustNotes, [](auto& d, auto& f) { return d.GetCustomerByFullName(lone, f); })},
      {"GetCustomerListRow",
       customer(kCustFullName, [](auto& d, auto& f) { return d.OpenCustomerList() && d.GetCustomerListRow(0, f); })},
      {"GetCustomerTermsByFullName",
       [](CSqlDatabase& d) { CBstr t; return d.GetCustomerTermsByFullName(lone, t) ? t.str() : u"(none)"; }},
  };
  for (const char* encoding : {"UTF-8", "UTF-16le"}) {
    SCOPED_TRACE(encoding);
    db.Close();
    std::filesystem::remove(File());
    RawDb(File()).Exec(std::string("PRAGMA encoding = '") + encoding + "';" + Utf8(kCreateItemsTable) + ";" +
                       Utf8(kCreateCustomerTable));
    ASSERT_EQ(db.Open(kDbPath), SQLITE_OK);
    CItemRow row;
    for (int slot : {kRowName, kRowFullName, kRowTimeModified}) row[slot] = CBstr(lone);
    row[kRowListID] = CBstr(u"{1}");
    row[kRowListType] = CBstr(u"Service");
    row[kRowParent] = CBstr(u"P");
    ASSERT_TRUE(db.AddRecord(row));
    CCustomerFields fields;
    for (int field : {kCustFullName, kCustTerms, kCustNotes}) fields[field] = CBstr(lone);
    fields[kCustListID] = CBstr(u"C-1");
    ASSERT_TRUE(db.InsertCustomer(fields));
    for (const auto& [route, read] : reads) EXPECT_EQ(read(db), lone) << route;
  }
}

// ---- Life cycle ----------------------------------------------------------------------------------

TEST_F(DatabaseTest, LifecycleCloseFinalizesOpenCursorsAndReallyCloses) {
  OpenFresh();
  for (const char16_t* name : {u"One", u"Two"}) {
    CItemRow row;
    row[kRowListID] = NewListId();
    row[kRowName] = CBstr(name);
    row[kRowFullName] = CBstr(name);
    row[kRowParent] = CBstr(u"Root");
    ASSERT_TRUE(db.AddRecord(row));
  }
  CItemRow row;
  auto children = db.OpenChildCursor(u"Root", row, true, false, false);
  ASSERT_TRUE(children);
  auto select = db.SelectItems(row, u"", u"", u"Root", u"", true);
  ASSERT_TRUE(select);
  EXPECT_TRUE(db.Close());
  EXPECT_FALSE(db.IsConnected());
  EXPECT_FALSE(children->IsOpen());
  EXPECT_FALSE(db.NextChild(*children, row));
  EXPECT_FALSE(db.StepItemRow(*select, row, true));
  // Closed means closed: the file can be replaced and opened again.
  std::filesystem::remove(File());
  OpenFresh();
}

TEST_F(DatabaseTest, LifecycleCursorOutlivingItsDatabaseIsHarmless) {
  std::unique_ptr<CSqlCursor> cursor;
  {
    CSqlDatabase local;
    ASSERT_EQ(local.Open(u"\\Data\\Local.db"), SQLITE_OK);
    CItemRow row;
    row[kRowListID] = CBstr(u"{1}");
    row[kRowParent] = CBstr(u"P");
    ASSERT_TRUE(local.AddRecord(row));
    cursor = local.OpenChildCursor(u"P", row, false, true, true);
    ASSERT_TRUE(cursor);
  }
  EXPECT_FALSE(cursor->IsOpen());
}

TEST_F(DatabaseTest, LifecycleCallsOnAnUnopenedDatabaseFailCleanly) {
  CItemRow row;
  CCustomerFields fields;
  EXPECT_EQ(db.Execute(u"DELETE FROM ItemsList"), SQLITE_MISUSE);
  EXPECT_EQ(db.LastError(), u"The database is not open");
  EXPECT_FALSE(db.AddRecord(row));
  EXPECT_FALSE(db.GetItemRow(u"{1}", u"Service", u"", row));
  EXPECT_FALSE(db.OpenChildCursor(u"P", row, true, false, false));
  EXPECT_FALSE(db.OpenCustomerList());
  EXPECT_FALSE(db.GetCustomerByListID(u"C", fields));
  EXPECT_NE(db.BeginTransaction(), SQLITE_OK);
  EXPECT_EQ(db.TransactionDepth(), 0);
  EXPECT_TRUE(db.Close());
}

TEST_F(DatabaseTest, LifecycleCustomerListReadOnALoaderThreadWhileWriting) {
  OpenFresh();
  std::thread loader([&] {
    CCustomerFields fields;
    for (int i = 0; i < 200; ++i) {
      if (db.OpenCustomerList()) {
        for (int r = 0; r < db.CustomerRowCount(); ++r) db.GetCustomerListRow(r, fields);
      }
    }
  });
  for (int i = 0; i < 60; ++i) {
    std::u16string id = u"C-" + platform::ToUtf16(std::to_string(i));
    ASSERT_TRUE(db.InsertCustomer(Customer(id, id)));
  }
  loader.join();
  ASSERT_TRUE(db.OpenCustomerList());
  EXPECT_EQ(db.CustomerRowCount(), 60);
}

// A box runs a message loop. While it is up, the customer list's loader thread must still
// reach the database, or a loop that waits for the loader would wait for good.
class ProbingNotices : public IDatabaseNotices {
 public:
  explicit ProbingNotices(CSqlDatabase& db) : m_db(db) {}
  ~ProbingNotices() override {
    for (std::thread& t : m_threads) t.join();
  }
  void Warning(UINT, std::u16string_view) override { Probe(); }
  void Error(UINT, DWORD) override { Probe(); }
  std::vector<bool> reached;

 private:
  void Probe() {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> result = done->get_future();
    m_threads.emplace_back([this, done] {
      m_db.CustomerRowCount();
      done->set_value();
    });
    // A database locked while the box shows keeps the probe waiting past any limit.
    reached.push_back(result.wait_for(platform::testing::kEventLimit) == std::future_status::ready);
  }
  CSqlDatabase& m_db;
  std::vector<std::thread> m_threads;
};

TEST_F(DatabaseTest, LifecycleBoxesAreShownWithTheDatabaseUnlocked) {
  ProbingNotices probe(db);
  db.SetNotices(&probe);
  OpenFresh();  // the new-file warning
  ASSERT_EQ(db.Execute(u"INSERT INTO ItemsList (ListID, ListType, Parent) VALUES ('{1}', 'T', 'P');"
                       u"CREATE TRIGGER refuse_insert BEFORE INSERT ON ItemsList BEGIN SELECT RAISE(ABORT, 'no'); END;"
                       u"CREATE TRIGGER refuse_update BEFORE UPDATE ON ItemsList BEGIN SELECT RAISE(ABORT, 'no'); END;"),
            SQLITE_OK);
  CItemRow row;
  row[kRowListID] = CBstr(u"{1}");
  EXPECT_FALSE(db.AddRecord(row));
  EXPECT_FALSE(db.UpdateItem(row, std::nullopt, std::nullopt));
  EXPECT_FALSE(db.UpdatePathFields(u"{1}", u"T", u"X", u"Q", u"P"));
  EXPECT_EQ(probe.reached, std::vector<bool>(4, true));
  db.SetNotices(&recorder);
}

}  // namespace
}  // namespace datastore_test

// Without a notice sink the SQL layer shows the program's message boxes, with the texts
// of the language library and no owner window; the item store names a database that does not open.
#include <sqlite3.h>

#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "datastore/SqlDatabase.h"
#include "platform/testing/MessageBoxScript.h"
#include "tests/core/LanguageLibraryFixture.h"

namespace {

using DatabaseMessagesTest = slateway::testing::LanguageLibraryTest;

TEST_F(DatabaseMessagesTest, NewFileWarningAndFailedWritesShowTheirBoxes) {
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"The database \\Slateway.db was not found. A new, empty database has been created.")
      .Caption(u"Slateway").Style(48);
  CSqlDatabase db;
  ASSERT_EQ(db.Open(u"\\Slateway.db"), SQLITE_OK);
  ASSERT_EQ(db.Execute(u"CREATE TRIGGER refuse_insert BEFORE INSERT ON ItemsList WHEN NEW.Name = 'Boom' "
                       u"BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                       u"CREATE TRIGGER refuse_update BEFORE UPDATE ON ItemsList WHEN NEW.Name = 'Boom' "
                       u"BEGIN SELECT RAISE(ABORT, 'refused'); END;"),
            SQLITE_OK);

  boxes.Expect(u"The record could not be added to the database (error 19).").Caption(u"Slateway").Style(16);
  CItemRow row;
  row[kRowListID] = NewListId();
  row[kRowName] = CBstr(u"Boom");
  EXPECT_FALSE(db.AddRecord(row));
  // The statement is kept in the program folder the registry names.
  std::string file = ReadText(u"\\Program Files\\Slateway\\AddRecordSQLInsert.txt");
  EXPECT_EQ(file.rfind("INSERT INTO ItemsList", 0), 0u);
  EXPECT_NE(file.find("'Boom'"), std::string::npos);

  boxes.Expect(u"The record could not be changed in the database (error 19).").Caption(u"Slateway").Style(16);
  row[kRowName] = CBstr(u"Fine");
  ASSERT_TRUE(db.AddRecord(row));
  row[kRowName] = CBstr(u"Boom");
  EXPECT_FALSE(db.UpdateItem(row, std::nullopt, std::nullopt));
  EXPECT_EQ(boxes.Pending(), 0u);
  for (const auto& box : boxes.Shown()) EXPECT_EQ(box.owner, nullptr);
  db.Close();
}

TEST_F(DatabaseMessagesTest, ADatabaseThatDoesNotOpenIsNamedWithWhatToDo) {
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"The database \\Card\\Lists\\Slateway.db could not be opened or made there. Check that its folder, "
               u"or the storage card that holds it, is in place and can be written to, then try again.")
      .Caption(u"Slateway").Style(48);
  CItemStore store(nullptr);
  EXPECT_EQ(store.Open(u"\\Card\\Lists\\Slateway.db"), 0);
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Card")));

  boxes.Expect(u"The database \\Slateway.db was not found. A new, empty database has been created.");
  ASSERT_EQ(store.Open(u"\\Slateway.db"), 1);
  store.Close();
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(Linux(u"\\Slateway.db").string().c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  boxes.Expect(u"The database \\Slateway.db is in use by another program. Close that program and try again.");
  store.Database().SetBusyWait(50);
  EXPECT_EQ(store.Open(u"\\Slateway.db"), 0);
  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_EQ(store.Open(u"\\Slateway.db"), 1);
  EXPECT_EQ(boxes.Pending(), 0u);
}

}  // namespace

// Fixture of the list object tests: an item store opened on a fresh database in the
// test's device root, with the SQL layer's notices recorded, and helpers to read rows back.
#pragma once

#include <string>
#include <vector>

#include "DatabaseTest.h"
#include "datastore/ItemStore.h"
#include "datastore/ListEntries.h"
#include "platform/testing/MessageBoxScript.h"

namespace datastore_test {

class ListTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    store.Database().SetNotices(&recorder);
    ASSERT_EQ(store.Open(kDbPath), 1);
    recorder.notices.clear();  // the new-file warning
  }
  void TearDown() override {
    store.Close();
    DatabaseTest::TearDown();
  }

  // The stored rows of one category as "Name|SalesDescription|SalesAmount|Taxable" texts,
  // by Name.
  std::vector<std::string> Rows(const std::string& category) {
    RawDb raw(File());
    std::vector<std::string> out;
    for (auto& row : raw.Rows("SELECT Name, SalesDescription, SalesAmount, Taxable FROM ItemsList "
                              "WHERE Parent = '" + category + "' ORDER BY Name"))
      out.push_back(row[0] + "|" + row[1] + "|" + row[2] + "|" + row[3]);
    return out;
  }
  // One column of the category's row of that list id.
  std::string Column(const std::string& column, const std::string& listId) {
    RawDb raw(File());
    auto values = raw.Column("SELECT " + column + " FROM ItemsList WHERE ListID = '" + listId + "'");
    return values.size() == 1 ? values[0] : "<" + std::to_string(values.size()) + " rows>";
  }
  // Removes an entry through the store, as the list tree's delete does.
  bool Delete(std::unique_ptr<CDbRecord> record) { return record && store.DeleteItem(record.get()); }

  // Every box the code under test shows must be expected by the test.
  platform::testing::MessageBoxScript boxes;
  CItemStore store{nullptr};
};

inline std::string Text(const CBstr& text) { return Utf8(text.view()); }
inline std::string Field(const CDbRecord& record, int index) { return Utf8(record.FieldView(index)); }

}  // namespace datastore_test

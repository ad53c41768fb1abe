// The ItemsList statements of CSqlDatabase.
//
// Groups:
//   ItemWrite*   insert and update reach the right columns; numbers; failures and their
//                diagnostics (box, last error, AddRecordSQLInsert.txt, modification time)
//   ItemText*    hard texts (apostrophes, wildcards, non-Latin, U+0000, surrogates) survive
//                every statement and never change the caller's row
//   ItemFind*    exact and contains searches (wildcards, U+0000 and unpaired surrogates are
//                letters like any other), the column check, list-type conditions
//   ItemCursor*  the child cursor's order and child counts; the item select's filters
//   ItemDelete*  the deletes and the partial updates
#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "DatabaseTest.h"
#include "core/RegistryKey.h"
#include "datastore/DbRecord.h"
#include "resources/resource_ids.h"

namespace datastore_test {
namespace {

CItemRow Item(std::u16string_view name, std::u16string_view parent, std::u16string_view listType = u"Service") {
  CItemRow row;
  row[kRowListID] = NewListId();
  row[kRowListType] = CBstr(listType);
  row[kRowName] = CBstr(name);
  row[kRowFullName] = CBstr(name);
  row[kRowParent] = CBstr(parent);
  row[kRowUseCount] = CBstr(u"1");
  row[kRowObjectPosition] = CBstr(u"-1");
  row[kRowObjectType] = CBstr(u"1");
  row[kRowIsOpen] = CBstr(u"0");
  return row;
}

// Every slot with a value of its own: texts "t<slot>", numbers 100 + slot.
CItemRow DistinctRow() {
  CItemRow row;
  for (int slot = 0; slot < kItemRowSlots; ++slot) {
    bool number = slot >= 15 && slot <= 24 && slot != kRowParent;
    std::string text = number ? std::to_string(100 + slot) : "t" + std::to_string(slot);
    row[slot] = CBstr(platform::ToUtf16(text));
  }
  return row;
}

void ExpectSameSlots(const CItemRow& a, const CItemRow& b, std::initializer_list<int> slots) {
  for (int slot : slots) EXPECT_EQ(Utf8(a[slot].view()), Utf8(b[slot].view())) << "slot " << slot;
}

class ItemTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    OpenFresh();
    recorder.notices.clear();
  }
  void AddRefusingTrigger() {
    RawDb raw(File());
    ASSERT_EQ(raw.Exec("CREATE TRIGGER refuse_insert BEFORE INSERT ON ItemsList WHEN NEW.Name = 'Boom' "
                       "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END;"
                       "CREATE TRIGGER refuse_update BEFORE UPDATE ON ItemsList WHEN NEW.Name = 'Boom' "
                       "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END;"),
              SQLITE_OK);
  }
};

// ---- Writes ----------------------------------------------------------------------------------------

TEST_F(ItemTest, ItemWriteInsertPutsEverySlotIntoItsColumn) {
  CItemRow row = DistinctRow();
  ASSERT_TRUE(db.AddRecord(row));
  RawDb raw(File());
  auto stored = raw.Rows("SELECT * FROM ItemsList");
  ASSERT_EQ(stored.size(), 1u);
  std::vector<std::string> expected = {"t0", "t1", "t2", "t3", "t4", "t12", "t5", "t6", "t7", "t8",
                                       "t9", "t10", "t11", "t13", "t14", "t21", "115", "122", "116",
                                       "117", "118", "119", "120", "123", "124", "t25", "t26", "t27",
                                       "t28", "0"};
  EXPECT_EQ(stored[0], expected);
  // The numbers are stored as integers, not as texts.
  EXPECT_EQ(raw.Column("SELECT typeof(UseCount) || typeof(ReorderPoint) || typeof(IsOpen) FROM ItemsList"),
            std::vector<std::string>{"integerintegerinteger"});
}

TEST_F(ItemTest, ItemWriteFullReadFillsTheSlotsOfColumns0To24AndTheMemberQuantity) {
  CItemRow row = DistinctRow();
  ASSERT_TRUE(db.AddRecord(row));
  CItemRow read;
  ASSERT_TRUE(db.GetItemRow(u"t0", u"t1", u"t21", read));
  ExpectSameSlots(read, row, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 28});
  for (int slot : {25, 26, 27}) EXPECT_TRUE(read[slot].IsNull()) << "reserved slot " << slot << " is not read";
}

TEST_F(ItemTest, ItemWriteUpdateWritesAllButTheReservedColumns) {
  CItemRow row = DistinctRow();
  ASSERT_TRUE(db.AddRecord(row));
  CItemRow changed = DistinctRow();
  for (int slot = 1; slot < kItemRowSlots; ++slot) {
    bool number = slot >= 15 && slot <= 24 && slot != kRowParent;
    changed[slot] = CBstr(number ? platform::ToUtf16(std::to_string(500 + slot)) : u"new" + changed[slot].str());
  }
  ASSERT_TRUE(db.UpdateItem(changed, u"t1", u"t21"));
  RawDb raw(File());
  auto stored = raw.Rows("SELECT * FROM ItemsList");
  std::vector<std::string> expected = {"t0", "newt1", "newt2", "newt3", "newt4", "newt12", "newt5",
                                       "newt6", "newt7", "newt8", "newt9", "newt10", "newt11",
                                       "newt13", "newt14", "newt21", "515", "522", "516", "517",
                                       "518", "519", "520", "523", "524", "t25", "t26", "t27", "t28", "0"};
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0], expected);
  EXPECT_EQ(raw.Column("SELECT typeof(UseCount) || typeof(StartingQuantity) || typeof(ObjectType) FROM ItemsList"),
            std::vector<std::string>{"integerintegerinteger"});
}

TEST_F(ItemTest, ItemWriteUpdateMatchesListTypeAndParentOnlyWhenGiven) {
  CItemRow row = Item(u"Widget", u"Parts");
  ASSERT_TRUE(db.AddRecord(row));
  CItemRow changed = row;
  changed[kRowSalesAmount] = CBstr(u"9.50");
  ASSERT_TRUE(db.UpdateItem(changed, u"Other Type", std::nullopt));  // matches nothing
  CItemRow read;
  ASSERT_TRUE(db.GetItemRow(row[kRowListID].view(), u"Service", u"", read));
  EXPECT_EQ(read[kRowSalesAmount].str(), u"");
  ASSERT_TRUE(db.UpdateItem(changed, u"Service", u"Parts"));
  ASSERT_TRUE(db.GetItemRow(row[kRowListID].view(), u"Service", u"", read));
  EXPECT_EQ(read[kRowSalesAmount].str(), u"9.50");
}

TEST_F(ItemTest, ItemWriteEmptyNumberTextsAreStoredAsZero) {
  CItemRow row;
  row[kRowListID] = CBstr(u"{EMPTY}");
  ASSERT_TRUE(db.AddRecord(row));
  RawDb raw(File());
  EXPECT_EQ(raw.Column("SELECT UseCount || ObjectPosition || ObjectType || IsOpen || ReorderPoint FROM ItemsList"),
            std::vector<std::string>{"00000"});
  ASSERT_TRUE(db.UpdateItem(row, std::nullopt, std::nullopt));
}

TEST_F(ItemTest, ItemWriteSuccessStampsTheModificationTime) {
  ASSERT_TRUE(db.AddRecord(Item(u"Stamped", u"P")));
  SYSTEMTIME now = platform::testing::DefaultTestTime();
  FILETIME expected{};
  ASSERT_TRUE(SystemTimeToFileTime(&now, &expected));
  CRegistryKey key;
  DWORD low = 0, high = 0;
  ASSERT_TRUE(key.GetDword(u"DBModFileTimeLow", low));
  ASSERT_TRUE(key.GetDword(u"DBModFileTimeHigh", high));
  EXPECT_EQ(low, expected.dwLowDateTime);
  EXPECT_EQ(high, expected.dwHighDateTime);
}

TEST_F(ItemTest, ItemWriteInsideATransactionStampsOnlyWhenItCommits) {
  CRegistryKey key;
  DWORD low = 0;
  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.AddRecord(Item(u"Undone", u"P")));
  EXPECT_FALSE(key.GetDword(u"DBModFileTimeLow", low));
  ASSERT_EQ(db.RollbackTransaction(), SQLITE_OK);
  EXPECT_FALSE(key.GetDword(u"DBModFileTimeLow", low));

  ASSERT_EQ(db.BeginTransaction(), SQLITE_OK);
  ASSERT_TRUE(db.AddRecord(Item(u"Kept", u"P")));
  ASSERT_TRUE(db.AddRecord(Item(u"Kept too", u"P")));
  EXPECT_FALSE(key.GetDword(u"DBModFileTimeLow", low));
  ASSERT_EQ(db.CommitTransaction(), SQLITE_OK);
  EXPECT_TRUE(key.GetDword(u"DBModFileTimeLow", low));
}

TEST_F(ItemTest, ItemWriteFailedInsertReportsAndWritesTheStatementFile) {
  {
    CRegistryKey key;
    ASSERT_TRUE(key.SetString(CBstr(u"ProgramPath"), CBstr(u"\\Program Files\\Slateway")));
  }
  std::filesystem::create_directories(Linux(u"\\Program Files\\Slateway"));
  AddRefusingTrigger();
  CItemRow row = Item(u"Boom", u"O'Neil's");
  EXPECT_FALSE(db.AddRecord(row));

  std::u16string last = db.LastError();
  ASSERT_EQ(last.rfind(u"Insert Failed: INSERT INTO ItemsList (ListID, ListType,", 0), 0u) << Utf8(last);
  EXPECT_NE(last.find(u"'O''Neil''s'"), std::u16string::npos);
  ASSERT_EQ(recorder.notices.size(), 1u);
  EXPECT_FALSE(recorder.notices[0].warning);
  EXPECT_EQ(recorder.notices[0].id, IDS_DB_INSERT_FAILED);
  EXPECT_EQ(recorder.notices[0].value, static_cast<DWORD>(SQLITE_CONSTRAINT));
  std::string file = ReadText(u"\\Program Files\\Slateway\\AddRecordSQLInsert.txt");
  EXPECT_EQ(file, Utf8(last.substr(std::u16string(u"Insert Failed: ").size())));
  EXPECT_FALSE(db.ItemNameExists(u"Boom", u""));
}

// The insert statement is kept for the connection: a refused row must leave it ready for
// the next, whose empty texts are stored as empty texts, not NULL.
TEST_F(ItemTest, ItemWriteInsertAfterARefusedOneStoresItsOwnValues) {
  AddRefusingTrigger();
  CItemRow boom = Item(u"Boom", u"P");
  boom[kRowVendor] = CBstr(u"Left behind");
  EXPECT_FALSE(db.AddRecord(boom));
  ASSERT_TRUE(db.AddRecord(Item(u"Fine", u"P")));
  ASSERT_TRUE(db.AddRecord(Item(u"Caf\u00e9 \U0001F600", u"P")));
  RawDb raw(File());
  EXPECT_EQ(raw.Column("SELECT Name || '|' || Vendor || '|' || typeof(Vendor) || typeof(sReserved1) FROM ItemsList"),
            (std::vector<std::string>{"Fine||texttext", "Caf\u00e9 \U0001F600||texttext"}));
}

TEST_F(ItemTest, ItemWriteFailedInsertWithoutProgramPathWritesTheFileAtTheRoot) {
  AddRefusingTrigger();
  CItemRow row = Item(u"Boom", u"P");
  row[kRowVendor] = CBstr(std::u16string(u"Nul\0Vendor", 10));  // travels as a parameter
  EXPECT_FALSE(db.AddRecord(row));
  std::string file = ReadText(u"\\AddRecordSQLInsert.txt");
  EXPECT_EQ(file.rfind("INSERT INTO ItemsList", 0), 0u);
  EXPECT_EQ(file.find("?"), std::string::npos) << "bound values are shown in the statement: " << file;
  EXPECT_NE(file.find("'Boom'"), std::string::npos);
}

TEST_F(ItemTest, ItemWriteFailedUpdatesShowTheUpdateBox) {
  CItemRow row = Item(u"Fine", u"P");
  ASSERT_TRUE(db.AddRecord(row));
  AddRefusingTrigger();
  CItemRow changed = row;
  changed[kRowName] = CBstr(u"Boom");
  EXPECT_FALSE(db.UpdateItem(changed, std::nullopt, std::nullopt));
  EXPECT_EQ(db.LastError(), u"refused by the test");
  ASSERT_EQ(recorder.notices.size(), 1u);
  EXPECT_EQ(recorder.notices[0].id, IDS_DB_UPDATE_FAILED);
  EXPECT_EQ(recorder.notices[0].value, static_cast<DWORD>(SQLITE_CONSTRAINT));
}

// ---- Hard texts -------------------------------------------------------------------------------------

struct HardText {
  const char* label;
  std::u16string text;
};

std::vector<HardText> HardTexts() {
  return {
      {"apostrophes", u"O'Brien's 'quoted'"},
      {"percent", u"100% Cotton"},
      {"underscore", u"snake_case_name"},
      {"backslash", u"C:\\Items\\"},
      {"non-Latin", u"Пример ελληνικά 名前 שלום"},
      {"outside the BMP", u"Cake \U0001F382"},
      {"character 0", std::u16string(u"Card\0Data\0", 10)},
      {"unpaired surrogate", std::u16string(u"x\xD800y", 3)},
      {"SQL text", u"x'); DROP TABLE ItemsList; --"},
  };
}

TEST_F(ItemTest, ItemTextHardTextsSurviveInsertLookupsAndUpdate) {
  for (const HardText& hard : HardTexts()) {
    SCOPED_TRACE(hard.label);
    std::u16string parent = u"Parent " + hard.text;
    CItemRow row = Item(hard.text, parent, u"List " + hard.text);
    row[kRowVendor] = CBstr(hard.text);
    row[kRowSalesDescription] = CBstr(hard.text);
    row[kRowTimeCreated] = CBstr(hard.text);
    const CItemRow before = row;
    ASSERT_TRUE(db.AddRecord(row)) << Utf8(db.LastError());
    ExpectSameSlots(row, before, {0, 1, 2, 3, 4, 8, 14, 21});  // the caller's row is untouched

    EXPECT_TRUE(db.ItemNameExists(hard.text, parent));
    EXPECT_FALSE(db.ItemNameExists(hard.text, parent + u"x"));
    EXPECT_EQ(db.GetChildCount(parent), 1);
    EXPECT_TRUE(db.HasChildren(parent));
    CItemRow read;
    ASSERT_TRUE(db.FindChildByName(hard.text, parent, read));
    ExpectSameSlots(read, row, {0, 1, 2, 3, 4, 8, 14, 21});
    EXPECT_EQ(read[kRowName].Length(), hard.text.size());
    CItemRow byType;
    ASSERT_TRUE(db.GetItemRowOfType(row[kRowListID].view(), u"List " + hard.text, byType));

    CItemRow changed = row;
    changed[kRowVendor] = CBstr(hard.text + u" 2");
    ASSERT_TRUE(db.UpdateItem(changed, u"List " + hard.text, parent));
    ASSERT_TRUE(db.GetItemRow(row[kRowListID].view(), u"List " + hard.text, parent, read));
    EXPECT_EQ(read[kRowVendor].str(), hard.text + u" 2");

    CItemRow child;
    auto cursor = db.OpenChildCursor(parent, child, true, false, false);
    ASSERT_TRUE(cursor);
    EXPECT_EQ(child[kRowName].str(), hard.text);
    EXPECT_FALSE(db.NextChild(*cursor, child));

    ASSERT_TRUE(db.DeleteItemRow(row[kRowListID].view(), u"List " + hard.text, parent));
    EXPECT_FALSE(db.ItemNameExists(hard.text, parent));
  }
}

// ---- Finding ------------------------------------------------------------------------------------------

// Each contains search for `value` among the Service items finds the item named `found`
// first, or nothing when `found` is empty.
struct ContainsCase {
  std::u16string value;
  std::optional<std::u16string> found;
};

void ExpectContainsSearches(CSqlDatabase& db, const std::vector<ContainsCase>& cases) {
  for (const ContainsCase& c : cases) {
    SCOPED_TRACE(Utf8(c.value));
    CItemRow row;
    bool found = db.FindItemRow(u"Name", c.value, u"Service", row, true);
    EXPECT_EQ(found, c.found.has_value());
    if (c.found && found) {
      EXPECT_EQ(row[kRowName].str(), *c.found);
    }
  }
}

TEST_F(ItemTest, ItemFindContainsTreatsWildcardsOfTheValueAsLetters) {
  for (const char16_t* name : {u"100% Cotton", u"1000 Cotton", u"a_b", u"axb", u"back\\slash", u"O'Hara Mix"})
    ASSERT_TRUE(db.AddRecord(Item(name, u"P")));
  ExpectContainsSearches(db, {{u"0%", u"100% Cotton"}, {u"_", u"a_b"}, {u"a_b", u"a_b"},
                              {u"k\\s", u"back\\slash"}, {u"'Hara", u"O'Hara Mix"}, {u"cotton", u"100% Cotton"},
                              {u"%%", std::nullopt}, {u"zzz", std::nullopt}});
}

TEST_F(ItemTest, ItemFindContainsComparesEveryCharacterOfHardTexts) {
  const std::u16string withNul(u"Widget\0A", 8), unpaired(u"Gad\xD800get", 7);
  for (const std::u16string& name : {std::u16string(u"Plain"), withNul, unpaired})
    ASSERT_TRUE(db.AddRecord(Item(name, u"P")));
  // "Plain" comes first: a search that matched every row would find it.
  ExpectContainsSearches(db, {{std::u16string(u"\0", 1), withNul}, {std::u16string(u"t\0a", 3), withNul},
                              {std::u16string(u"\0B", 2), std::nullopt}, {u"gad", unpaired},
                              {std::u16string(u"\xD800", 1), unpaired}, {std::u16string(u"d\xD800G", 3), unpaired},
                              {std::u16string(u"\xDC00", 1), std::nullopt}});
}

TEST_F(ItemTest, ItemFindBoundValueWithQuotesWildcardsAndNulMatchesOnlyItself) {
  const std::u16string hostile = std::u16string(u"O'Brien \"100%\" a_b") + u'\0' + u"' OR '1'='1";
  // Rows a quoted literal, a LIKE pattern or a text cut at its U+0000 would find first.
  for (const char16_t* decoy : {u"O'Brien \"100%\" a_b", u"O'Brien \"100X\" aXb", u"Plain"})
    ASSERT_TRUE(db.AddRecord(Item(decoy, u"P", u"Other Charge")));
  CItemRow stored = Item(hostile, u"P", u"Other Charge");
  ASSERT_TRUE(db.AddRecord(stored));
  static constexpr std::u16string_view types[] = {u"Service", u"Other Charge"};
  CItemRow row;
  ASSERT_TRUE(db.FindItemRow(u"Name", hostile, types, row, false));
  EXPECT_EQ(row[kRowName].str(), hostile);
  EXPECT_EQ(row[kRowListID].str(), stored[kRowListID].str());
  ASSERT_TRUE(db.FindItemRow(u"Name", hostile.substr(8), types, row, true));
  EXPECT_EQ(row[kRowName].str(), hostile);
  EXPECT_FALSE(db.FindItemRow(u"Name", u"O'Brien%", types, row, false));
  EXPECT_FALSE(db.FindItemRow(u"Name", u"%_%", types, row, true));
  EXPECT_FALSE(db.FindItemRow(u"Name", hostile, u"Service' OR ListType = 'Other Charge", row, false));
}

TEST_F(ItemTest, ItemFindExactMatchAndListTypeConditions) {
  ASSERT_TRUE(db.AddRecord(Item(u"Hammer", u"Tools", u"Inventory Part")));
  ASSERT_TRUE(db.AddRecord(Item(u"Repair", u"Labour", u"Service")));
  ASSERT_TRUE(db.AddRecord(Item(u"Bob's", u"Lists", u"Bob's List")));
  CItemRow row;
  EXPECT_FALSE(db.FindItemRow(u"Name", u"Hamm", u"Inventory Part", row, false));
  EXPECT_TRUE(db.FindItemRow(u"Name", u"Hammer", u"Inventory Part", row, false));
  EXPECT_FALSE(db.FindItemRow(u"Name", u"Hammer", u"Service", row, false));
  // Callers may name several types; each is matched exactly.
  static constexpr std::u16string_view several[] = {u"Service", u"Inventory Part", u"Payment"};
  EXPECT_TRUE(db.FindItemRow(u"Name", u"Hammer", several, row, false));
  EXPECT_TRUE(db.FindItemRow(u"name", u"Repair", several, row, false));
  EXPECT_TRUE(db.FindItemRow(u"Name", u"Bob's", u"Bob's List", row, false));
  EXPECT_TRUE(db.GetItemRowOfType(row[kRowListID].view(), u"Bob's List", row));
}

TEST_F(ItemTest, ItemFindStampOfOneOrSeveralTypesIsThatOfTheRowRead) {
  CItemRow part = Item(u"Hammer", u"Tools", u"Inventory Part");
  part[kRowTimeModified] = CBstr(u"2009-06-01T10:00:00");
  ASSERT_TRUE(db.AddRecord(part));
  static constexpr std::u16string_view several[] = {u"Service", u"Inventory Part"};
  for (const CListTypes& types : {CListTypes(u"Inventory Part"), CListTypes(several)}) {
    CBstr stamp;
    ASSERT_TRUE(db.GetItemStampOfType(part[kRowListID].view(), types, stamp));
    EXPECT_EQ(stamp.str(), u"2009-06-01T10:00:00");
  }
  CBstr stamp(u"kept");
  EXPECT_FALSE(db.GetItemStampOfType(part[kRowListID].view(), u"Service", stamp));
  EXPECT_FALSE(db.GetItemStampOfType(u"{none}", u"Inventory Part", stamp));
  EXPECT_EQ(stamp.str(), u"kept");
}

TEST_F(ItemTest, ItemFindRefusesAColumnThatIsNoItemsListColumn) {
  ASSERT_TRUE(db.AddRecord(Item(u"Hammer", u"Tools")));
  CItemRow row;
  for (const char16_t* column : {u"Nonsense", u"Name = Name OR 1", u"", u"Name; DROP TABLE ItemsList"}) {
    EXPECT_FALSE(db.FindItemRow(column, u"Hammer", u"Service", row, false)) << Utf8(column);
    EXPECT_EQ(db.LastError().rfind(u"No such column: ", 0), 0u);
  }
  EXPECT_TRUE(db.ItemNameExists(u"Hammer", u""));
}

TEST_F(ItemTest, ItemFindMissingRowsAndAMissingTableAreNotFound) {
  CItemRow row;
  EXPECT_FALSE(db.GetItemRow(u"{none}", u"Service", u"", row));
  EXPECT_FALSE(db.GetItemRowOfType(u"{none}", u"Service", row));
  EXPECT_EQ(db.GetChildCount(u"Nobody"), 0);
  EXPECT_FALSE(db.HasChildren(u"Nobody"));
  ASSERT_EQ(db.Execute(u"DROP TABLE ItemsList"), SQLITE_OK);
  EXPECT_FALSE(db.ItemNameExists(u"x", u""));
  EXPECT_EQ(db.LastError(), u"Prepare failed");
  EXPECT_EQ(db.GetChildCount(u"x"), 0);
  EXPECT_FALSE(db.OpenChildCursor(u"x", row, true, false, false));
  EXPECT_EQ(db.LastError(), u"Prepare failed");
  CSqlText query(u"SELECT * FROM ItemsList");
  EXPECT_EQ(db.QueryItemRow(query, row), SQLITE_ERROR);
}

// ---- Cursors -------------------------------------------------------------------------------------------

class ItemCursorTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    // Tools holds three children inserted in neither name nor position order; Saws
    // has two children of its own.
    struct Child {
      const char16_t* name;
      const char16_t* position;
    } children[] = {{u"Saws", u"2"}, {u"Drills", u"3"}, {u"Hammers", u"1"}};
    for (const Child& c : children) {
      CItemRow row = Item(c.name, u"Tools");
      row[kRowFullName] = CBstr(std::u16string(u"Tools:") + c.name);
      row[kRowObjectPosition] = CBstr(c.position);
      row[kRowObjectType] = CBstr(u"256");
      ASSERT_TRUE(db.AddRecord(row));
    }
    ASSERT_TRUE(db.AddRecord(Item(u"Hand saw", u"Tools:Saws")));
    ASSERT_TRUE(db.AddRecord(Item(u"Jigsaw", u"Tools:Saws")));
  }

  std::vector<std::pair<std::u16string, std::u16string>> List(bool byName, bool unordered) {
    std::vector<std::pair<std::u16string, std::u16string>> out;
    CItemRow row;
    auto cursor = db.OpenChildCursor(u"Tools", row, byName, unordered, false);
    if (!cursor) return out;
    do {
      out.emplace_back(row[kRowName].str(), row[kRowUseCount].str());
    } while (db.NextChild(*cursor, row));
    EXPECT_FALSE(cursor->IsOpen());
    return out;
  }
};

TEST_F(ItemCursorTest, ItemCursorChildrenByNameOrPositionWithTheirChildCounts) {
  using Rows = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(List(true, false), (Rows{{u"Drills", u"0"}, {u"Hammers", u"0"}, {u"Saws", u"2"}}));
  EXPECT_EQ(List(false, false), (Rows{{u"Hammers", u"0"}, {u"Saws", u"2"}, {u"Drills", u"0"}}));
  Rows unordered = List(false, true);
  std::sort(unordered.begin(), unordered.end());
  EXPECT_EQ(unordered, (Rows{{u"Drills", u"0"}, {u"Hammers", u"0"}, {u"Saws", u"2"}}));
}

TEST_F(ItemCursorTest, ItemCursorReadsTheNineColumnsIntoTheirSlots) {
  CItemRow row;
  auto cursor = db.OpenChildCursor(u"Tools", row, true, false, false);
  ASSERT_TRUE(cursor);
  EXPECT_EQ(row[kRowName].str(), u"Drills");
  EXPECT_EQ(row[kRowFullName].str(), u"Tools:Drills");
  EXPECT_EQ(row[kRowParent].str(), u"Tools");
  EXPECT_EQ(row[kRowListType].str(), u"Service");
  EXPECT_EQ(row[kRowObjectPosition].str(), u"3");
  EXPECT_EQ(row[kRowObjectType].str(), u"256");
  EXPECT_EQ(row[kRowIsOpen].str(), u"0");
  EXPECT_TRUE(row[kRowVendor].IsNull());
}

TEST_F(ItemCursorTest, ItemCursorWithoutChildrenIsNullAndLeavesNoOpenStatement) {
  CItemRow row;
  EXPECT_FALSE(db.OpenChildCursor(u"Tools:Drills", row, true, false, false));
  EXPECT_TRUE(row[kRowName].IsNull());
  // Nothing was left open: the connection closes at once.
  EXPECT_TRUE(db.Close());
}

TEST_F(ItemCursorTest, ItemCursorPrepareOnlyReturnsAnUnsteppedCursor) {
  CItemRow row;
  auto cursor = db.OpenChildCursor(u"Tools", row, true, false, true);
  ASSERT_TRUE(cursor);
  EXPECT_TRUE(row[kRowName].IsNull());
  ASSERT_TRUE(db.NextChild(*cursor, row));
  EXPECT_EQ(row[kRowName].str(), u"Drills");
  EXPECT_EQ(db.FinalizeStatement(*cursor), 0);
  EXPECT_FALSE(cursor->IsOpen());
  EXPECT_FALSE(db.NextChild(*cursor, row));
}

std::set<std::u16string> Names(CSqlDatabase& db, std::u16string_view lt1, std::u16string_view lt2,
                               std::u16string_view p1, std::u16string_view p2) {
  std::set<std::u16string> names;
  CItemRow row;
  auto cursor = db.SelectItems(row, lt1, lt2, p1, p2, true);
  if (!cursor) return names;
  do names.insert(row[kRowName].str());
  while (db.StepItemRow(*cursor, row, true));
  return names;
}

TEST_F(ItemTest, ItemCursorSelectFiltersByTypesAndParents) {
  ASSERT_TRUE(db.AddRecord(Item(u"Bolt", u"Hardware", u"Inventory Part")));
  ASSERT_TRUE(db.AddRecord(Item(u"Nut", u"Fasteners", u"Inventory Part")));
  ASSERT_TRUE(db.AddRecord(Item(u"Install", u"Hardware", u"Service")));
  ASSERT_TRUE(db.AddRecord(Item(u"Design", u"Studio", u"Service")));
  ASSERT_TRUE(db.AddRecord(Item(u"Net 30", u"Terms", u"Terms")));
  using S = std::set<std::u16string>;
  struct Case {
    const char16_t *lt1, *lt2, *p1, *p2;
    S expected;
  } cases[] = {
      {u"Inventory Part", u"", u"", u"", S{u"Bolt", u"Nut"}},
      {u"Inventory Part", u"Service", u"", u"", S{u"Bolt", u"Nut", u"Install", u"Design"}},
      {u"Inventory Part", u"", u"Hardware", u"", S{u"Bolt"}},
      {u"Inventory Part", u"Service", u"Hardware", u"Studio", S{u"Bolt", u"Install", u"Design"}},
      {u"", u"", u"Hardware", u"", S{u"Bolt", u"Install"}},
      {u"", u"", u"", u"", S{u"Bolt", u"Nut", u"Install", u"Design", u"Net 30"}},
      {u"Payment", u"", u"", u"", S{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(std::u16string(c.lt1) + u"|" + c.lt2 + u"|" + c.p1 + u"|" + c.p2));
    EXPECT_EQ(Names(db, c.lt1, c.lt2, c.p1, c.p2), c.expected);
  }
}

TEST_F(ItemTest, ItemCursorTwoSelectsWalkIndependently) {
  for (const char16_t* name : {u"A", u"B", u"C"}) ASSERT_TRUE(db.AddRecord(Item(name, u"P", u"Inventory Part")));
  CItemRow first, second;
  auto one = db.SelectItems(first, u"Inventory Part", u"", u"", u"", true);
  auto two = db.SelectItems(second, u"Inventory Part", u"", u"", u"", true);
  ASSERT_TRUE(one && two);
  int count = 1;
  while (db.StepItemRow(*one, first, false)) ++count;
  EXPECT_EQ(count, 3);
  EXPECT_TRUE(db.StepItemRow(*two, second, true));
}

// ---- Deletes and partial updates -------------------------------------------------------------------

TEST_F(ItemTest, ItemDeleteNarrowsByParentOnlyWhenGiven) {
  CItemRow a = Item(u"Shared", u"List A");
  CItemRow b = a;
  b[kRowParent] = CBstr(u"List B");
  ASSERT_TRUE(db.AddRecord(a));
  ASSERT_TRUE(db.AddRecord(b));
  ASSERT_TRUE(db.DeleteItemRow(a[kRowListID].view(), u"Service", u"List A"));
  EXPECT_EQ(db.GetChildCount(u"List A"), 0);
  EXPECT_EQ(db.GetChildCount(u"List B"), 1);
  ASSERT_TRUE(db.AddRecord(a));
  ASSERT_TRUE(db.DeleteItemRow(a[kRowListID].view(), u"Service", u""));
  EXPECT_EQ(db.GetChildCount(u"List A") + db.GetChildCount(u"List B"), 0);
}

TEST_F(ItemTest, ItemDeleteByListTypeAndChildren) {
  ASSERT_TRUE(db.AddRecord(Item(u"Net 30", u"Terms", u"Terms")));
  ASSERT_TRUE(db.AddRecord(Item(u"Net 60", u"Old Terms", u"Terms")));
  ASSERT_TRUE(db.AddRecord(Item(u"Fix", u"Labour", u"Service")));
  ASSERT_TRUE(db.AddRecord(Item(u"Bolt", u"Hardware", u"Inventory Part")));
  ASSERT_TRUE(db.DeleteByListType(u"Terms", std::optional<std::u16string_view>(u"Old Terms")));
  EXPECT_TRUE(db.ItemNameExists(u"Net 30", u""));
  EXPECT_FALSE(db.ItemNameExists(u"Net 60", u""));
  static constexpr std::u16string_view itemTypes[] = {u"Service", u"Inventory Part"};
  ASSERT_TRUE(db.DeleteByListType(itemTypes, std::nullopt));
  EXPECT_FALSE(db.ItemNameExists(u"Fix", u""));
  EXPECT_FALSE(db.ItemNameExists(u"Bolt", u""));
  EXPECT_TRUE(db.ItemNameExists(u"Net 30", u""));
  ASSERT_TRUE(db.DeleteChildren(u"Terms"));
  EXPECT_FALSE(db.HasChildren(u"Terms"));
}

TEST_F(ItemTest, ItemDeletePartialUpdatesMoveAndOpen) {
  CItemRow row = Item(u"Drill", u"Tools");
  row[kRowFullName] = CBstr(u"Tools:Drill");
  ASSERT_TRUE(db.AddRecord(row));
  EXPECT_TRUE(db.UpdatePathFields(row[kRowListID].view(), u"Service", u"Gear's:Drill", u"Gear's", u"Tools"));
  CItemRow read;
  ASSERT_TRUE(db.FindChildByName(u"Drill", u"Gear's", read));
  EXPECT_EQ(read[kRowFullName].str(), u"Gear's:Drill");
  // The old parent no longer matches: nothing changes, and that is no failure.
  EXPECT_TRUE(db.UpdatePathFields(row[kRowListID].view(), u"Service", u"X:Drill", u"X", u"Tools"));
  EXPECT_TRUE(db.FindChildByName(u"Drill", u"Gear's", read));

  read[kRowIsOpen] = CBstr(u"1");
  ASSERT_TRUE(db.UpdateIsOpen(read));
  ASSERT_TRUE(db.FindChildByName(u"Drill", u"Gear's", read));
  EXPECT_EQ(read[kRowIsOpen].str(), u"1");
  EXPECT_TRUE(recorder.notices.empty());
}

}  // namespace
}  // namespace datastore_test

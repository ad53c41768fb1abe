// CItemStore on a temporary database: the tree rules, the walks, the search and the
// error box.
//
// Groups:
//   StoreOpen*    opening, and the box of a file that fails the open check
//   StoreRecord*  record to row and back
//   StoreTree*    adding with the duplicate rule, children, order, open state, selects
//   StoreRename*  the rename walk, and a failure in its middle rolling everything back
//   StoreDelete*  the delete walk with use counts, and a failure in its middle
//   StoreFind*    the search: ancestors, Find next, the kind filters, Cancel
#include <algorithm>
#include <string>
#include <vector>

#include "DatabaseTest.h"
#include "core/WaitCursor.h"
#include "datastore/ItemStore.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

using datastore_test::RawDb;
using datastore_test::Utf8;
using platform::testing::MessageBoxScript;

class ItemStoreTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    std::filesystem::create_directories(Linux(u"\\Data"));
    store.Database().SetNotices(&recorder);
    ASSERT_EQ(store.Open(datastore_test::kDbPath), 1);
    store.AddRootNode(u"My Lists", u"", kObjectRoot);
    store.AddRootNode(u"Other Lists", u"My Lists", kObjectOtherLists);
    store.AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
  }
  void TearDown() override {
    store.Close();
    DeviceTest::TearDown();
  }

  // A node under `parent` with the path rule applied; returns its record.
  std::unique_ptr<CDbRecord> Add(std::u16string_view name, std::u16string_view parent, int kind, int useCount = 1,
                                 std::u16string_view description = u"", std::u16string_view listType = u"Inventory Part") {
    auto record = CDbRecord::CDbRecordOfType(kind, -1);
    record->SetField(kFieldName, name);
    record->SetField(kFieldParent, parent);
    record->SetField(kFieldListType, listType);
    record->SetField(kFieldSalesDescription, description);
    std::u16string fullName = CItemStore::IsItemTypeOrRootName(parent) ? std::u16string(name)
                                                                       : std::u16string(parent) + u":" + std::u16string(name);
    record->SetField(kFieldFullName, fullName);
    record->SetUseCount(useCount);
    EXPECT_EQ(store.AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse), 1) << Utf8(name);
    return record;
  }

  // Every row as "FullName|Parent|UseCount", sorted.
  std::vector<std::string> Tree() {
    RawDb raw(Linux(datastore_test::kDbPath));
    std::vector<std::string> rows;
    for (auto& r : raw.Rows("SELECT FullName, Parent, UseCount FROM ItemsList")) rows.push_back(r[0] + "|" + r[1] + "|" + r[2]);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  // A tools tree under "Item Lists": Tools > {Hammer, Power > {Drill, Saw}}.
  void BuildTools() {
    Add(u"Tools", u"Item Lists", kObjectCategory);
    Add(u"Hammer", u"Tools", kObjectItem, 1, u"Claw hammer");
    Add(u"Power", u"Tools", kObjectCategory);
    Add(u"Drill", u"Tools:Power", kObjectItem, 1, u"Power drill");
    Add(u"Saw", u"Tools:Power", kObjectItem, 1, u"Circular saw");
  }

  datastore_test::NoticeRecorder recorder;
  CItemStore store{nullptr};
};

std::u16string Field(const CDbRecord& record, int index) { return std::u16string(record.FieldView(index)); }

TEST_F(ItemStoreTest, StoreOpenFailedCheckShowsPathAndError) {
  store.Close();
  RawDb(Linux(u"\\Data\\Other.db")).Exec("CREATE TABLE Foreign (x)");
  // The box's words come from the language library (see database_messages_test.cpp).
  MessageBoxScript boxes;
  boxes.ExpectAny().Caption(u"Slateway").Style(48);
  CItemStore other(nullptr);
  EXPECT_EQ(other.Open(u"\\Data\\Other.db"), 0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(other.LastError().rfind(u"Error DB:OpenItemsList reported:", 0), 0u) << Utf8(other.LastError());
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(ItemStoreTest, StoreOpenOfAFileThatCannotBeMadeShowsTheAttempt) {
  MessageBoxScript boxes;
  boxes.ExpectAny().Caption(u"Slateway").Style(48);
  CItemStore other(nullptr);
  other.Database().SetNotices(&recorder);
  EXPECT_EQ(other.Open(u"\\No such folder\\x.db"), 0);
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(ItemStoreTest, StoreRecordRoundTripsEveryMappedColumn) {
  auto record = CDbRecord::CDbRecordOfType(kObjectListedItem, 7);
  const std::pair<int, const char16_t*> texts[] = {
      {kFieldListType, u"Service"}, {kFieldName, u"O'Hara fee"}, {kFieldParent, u"Fees"},
      {kFieldSalesDescription, u"Hourly"}, {kFieldSalesAmount, u"12.50"}, {kFieldTaxable, u"Non"},
      {kFieldTax2, u"t2"}, {kFieldTimeCreated, u"2026-01-01T10:00:00"}, {kFieldTimeModified, u"2026-01-02T10:00:00"},
      {kFieldAccount, u"Sales"}, {kFieldVendor, u"Vend'or"}, {kFieldPurchaseCost, u"3.25"},
      {kFieldCustomValue1, u"42"}, {kFieldCustomValue2, u"hr"}};
  for (auto [index, text] : texts) record->SetField(index, text);
  record->SetField(kFieldQuantity, u"3");  // how many of the item the group adds
  record->SetUseCount(3);
  record->SetIsOpen(1);
  for (int q = 0; q < kDbRecordQuantities; ++q) record->SetQuantity(static_cast<DbRecordQuantity>(q), 10 + q);
  ASSERT_EQ(store.AddItem(nullptr, *record, CItemStore::OnDuplicate::RefuseAndTell), 1);

  auto read = store.GetItem(*record, false);
  ASSERT_TRUE(read);
  for (auto [index, text] : texts) EXPECT_EQ(Field(*read, index), text) << index;
  EXPECT_EQ(Field(*read, kFieldFullName), u"O'Hara fee");  // empty FullName: the Name
  EXPECT_EQ(Field(*read, kFieldRate), u"12.50");
  EXPECT_EQ(Field(*read, kFieldEditSequenceCopy), u"42");
  EXPECT_EQ(Field(*read, kFieldUnitOfMeasure), u"") << "the second custom value is no unit of measure";
  EXPECT_EQ(Field(*read, kFieldQuantity), u"3");
  EXPECT_EQ(read->GetUseCount(), 3);
  EXPECT_EQ(read->GetIsOpen(), 1);
  for (int q = 0; q < kDbRecordQuantities; ++q) EXPECT_EQ(read->GetQuantity(static_cast<DbRecordQuantity>(q)), 10 + q);
  // A full-row read does not take kind and position from the row unless asked to keep them.
  EXPECT_EQ(read->GetObjectType(), kObjectItem);
  EXPECT_EQ(read->GetObjectPosition(), -1);
  auto kept = store.GetItem(*record, true);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->GetObjectType(), kObjectListedItem);
  EXPECT_EQ(kept->GetObjectPosition(), 7);
  // A member stored before members kept their quantity (NULL after the schema upgrade,
  // empty when written) adds one.
  for (const char* stored : {"NULL", "''"}) {
    RawDb(Linux(datastore_test::kDbPath)).Exec(std::string("UPDATE ItemsList SET sReserved4 = ") + stored);
    EXPECT_EQ(Field(*store.GetItem(*record, false), kFieldQuantity), u"1") << stored;
  }

  // An empty Parent is written from field 23.
  auto moved = CDbRecord::CDbRecordOfType(kObjectItem, -1);
  moved->SetField(kFieldName, u"Nut");
  moved->SetField(kFieldFallbackParent, u"Group A");
  ASSERT_EQ(store.AddItem(nullptr, *moved, CItemStore::OnDuplicate::Insert), 1);
  std::unique_ptr<CDbRecord> found;
  ASSERT_TRUE(store.FindChildByName(u"Nut", kObjectLabel, u"Group A", found));
  EXPECT_EQ(found->GetObjectType(), kObjectLabel);
}

TEST_F(ItemStoreTest, StoreRecordGetItemOfVanishedRowShowsItsName) {
  auto record = Add(u"Widget", u"Item Lists", kObjectItem);
  ASSERT_TRUE(store.DeleteItem(record.get()));
  MessageBoxScript boxes;
  boxes.Expect(u"Vendel Database Engine Error: DB:GetItem reported:  Could not locate item 'Widget' in the database file")
      .Caption(u"Slateway")
      .Style(0);
  EXPECT_FALSE(store.GetItem(*record, false));
  EXPECT_EQ(store.LastError(), u"Could not locate item 'Widget' in the database file");
  EXPECT_FALSE(store.DeleteItem(nullptr));
}

TEST_F(ItemStoreTest, StoreTreeDuplicateNamesAndCase) {
  Add(u"Bolt", u"Item Lists", kObjectItem);
  auto again = CDbRecord::CDbRecordOfType(kObjectItem, -1);
  again->SetField(kFieldName, u"Bolt");
  again->SetField(kFieldParent, u"Item Lists");
  EXPECT_EQ(store.AddItem(nullptr, *again, CItemStore::OnDuplicate::Refuse), 0);  // no message asked for
  {
    MessageBoxScript boxes;
    boxes.Expect(u"'Bolt' already exists in the category.").Caption(u"Slateway").Style(48);
    EXPECT_EQ(store.AddItem(nullptr, *again, CItemStore::OnDuplicate::RefuseAndTell), 0);
  }
  again->SetField(kFieldName, u"bolt");  // another letter case is another name
  EXPECT_EQ(store.AddItem(nullptr, *again, CItemStore::OnDuplicate::RefuseAndTell), 1);
  Add(u"Bolt", u"Tools", kObjectItem);  // the same name under another parent
  // Roots added again stay single.
  store.AddRootNode(u"My Lists", u"", kObjectRoot);
  EXPECT_EQ(store.GetChildCount(u""), 1);
  EXPECT_EQ(store.GetChildCount(u"My Lists"), 2);
}

TEST_F(ItemStoreTest, StoreTreeChildrenOrderCountsAndOpenState) {
  BuildTools();
  auto position = [&](std::u16string_view name, int pos) {
    std::unique_ptr<CDbRecord> node;
    ASSERT_TRUE(store.FindChildByName(name, kObjectItem, u"Tools", node));
    auto full = store.GetItem(*node, false);
    full->SetObjectType(name == u"Power" ? kObjectCategory : kObjectItem);
    full->SetObjectPosition(pos);
    ASSERT_TRUE(store.UpdateItem(*full));
  };
  position(u"Hammer", 2);
  position(u"Power", 1);

  std::unique_ptr<CDbRecord> first;
  auto cursor = store.GetFirstChild(u"Tools", first, {.byName = true});
  ASSERT_TRUE(cursor && first);
  EXPECT_EQ(Field(*first, kFieldName), u"Hammer");
  auto second = store.GetNextChild(*cursor);
  ASSERT_TRUE(second);
  EXPECT_EQ(Field(*second, kFieldName), u"Power");
  EXPECT_EQ(second->GetChildCount(), 2);
  EXPECT_EQ(second->GetObjectType(), kObjectCategory);
  EXPECT_FALSE(store.GetNextChild(*cursor));

  cursor = store.GetFirstChild(u"Tools", first, {});  // by ObjectPosition
  EXPECT_EQ(Field(*first, kFieldName), u"Power");
  EXPECT_EQ(first->GetObjectPosition(), 1);

  cursor = store.GetFirstChild(u"Tools", first, {.byName = true, .prepareOnly = true});
  ASSERT_TRUE(cursor);
  EXPECT_EQ(Field(*first, kFieldName), u"");
  auto next = store.GetNextChild(*cursor);
  ASSERT_TRUE(next);
  EXPECT_EQ(Field(*next, kFieldName), u"Hammer");

  EXPECT_FALSE(store.GetFirstChild(u"Tools:Power:Drill", first, {.byName = true}));
  EXPECT_TRUE(store.HasChildren(u"Tools:Power"));
  EXPECT_FALSE(store.HasChildren(u"tools:power"));  // paths compare exactly

  // Open state by ListID.
  next->SetIsOpen(1);
  ASSERT_TRUE(store.UpdateIsOpenState(*next));
  cursor = store.GetFirstChild(u"Tools", first, {.byName = true});
  EXPECT_EQ(first->GetIsOpen(), 1);
  EXPECT_EQ(store.GetNextChild(*cursor)->GetIsOpen(), 0);
}

TEST_F(ItemStoreTest, StoreTreeSelectsInterleave) {
  Add(u"A", u"Item Lists", kObjectItem, 1, u"", u"Service");
  Add(u"B", u"Item Lists", kObjectItem, 1, u"", u"Service");
  Add(u"C", u"Item Lists", kObjectItem, 1, u"", u"Payment");
  Add(u"D", u"Item Lists", kObjectItem, 1, u"", u"Payment");
  CItemSelect services, payments;
  std::vector<std::u16string> seen;
  auto s = store.SelectFirstItem(services, u"Service");
  auto p = store.SelectFirstItem(payments, u"Payment");
  while (s || p) {
    if (s) seen.push_back(Field(*s, kFieldName)), s = store.SelectNextItem(services);
    if (p) seen.push_back(Field(*p, kFieldName)), p = store.SelectNextItem(payments);
  }
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"A", u"C", u"B", u"D"}));
  EXPECT_FALSE(services.IsOpen());

  static constexpr std::u16string_view kBoth[] = {u"Service", u"Payment"};
  auto found = store.FindItemLike(u"Name", u"D", kBoth, false);
  ASSERT_TRUE(found);
  auto both = store.GetItemByListID(found->FieldView(0), kBoth);
  ASSERT_TRUE(both);
  EXPECT_EQ(Field(*both, kFieldName), u"D");
  EXPECT_FALSE(store.FindItemLike(u"Name", u"%", u"Service", true));  // the pattern is literal
}

TEST_F(ItemStoreTest, StoreTreeExactLookupDoesNotTakeALongerName) {
  Add(u"Kit Deluxe", u"Group", kObjectGroup, 1, u"", u"Group");
  // A group looked up by its name must not find another group that merely contains it.
  EXPECT_FALSE(store.FindItemLike(u"Name", u"Kit", u"Group", false));
  EXPECT_TRUE(store.FindItemLike(u"Name", u"Kit", u"Group", true));
  Add(u"Kit", u"Group", kObjectGroup, 1, u"", u"Group");
  auto kit = store.FindItemLike(u"Name", u"Kit", u"Group", false);
  ASSERT_TRUE(kit);
  EXPECT_EQ(Field(*kit, kFieldName), u"Kit");
  EXPECT_FALSE(store.FindItemLike(u"Name; DROP TABLE ItemsList", u"Kit", u"Group", false));  // no such column
  EXPECT_TRUE(store.FindItemLike(u"Name", u"Kit", u"Group", false));
}

TEST_F(ItemStoreTest, StoreRenameRewritesEveryDescendant) {
  BuildTools();
  std::unique_ptr<CDbRecord> tools;
  ASSERT_TRUE(store.FindChildByName(u"Tools", kObjectCategory, u"Item Lists", tools));
  tools->SetField(kFieldName, u"Gear");
  tools->SetField(kFieldFullName, u"Gear");
  ASSERT_TRUE(store.UpdateItem(*tools));
  ASSERT_TRUE(store.UpdateSubtreePaths(u"Tools", u"Gear"));
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Gear:Hammer|Gear|1", "Gear:Power:Drill|Gear:Power|1",
                                              "Gear:Power:Saw|Gear:Power|1", "Gear:Power|Gear|1", "Gear|Item Lists|1",
                                              "Item Lists|My Lists|1", "My Lists||1", "Other Lists|My Lists|1"}));
  EXPECT_EQ(GetWaitCursorCount(), 0);

  // Children placed directly under an item-type node keep their plain names.
  ASSERT_TRUE(store.UpdateSubtreePaths(u"Gear", u"Service"));
  std::unique_ptr<CDbRecord> power;
  ASSERT_TRUE(store.FindChildByName(u"Power", kObjectCategory, u"Service", power));
  EXPECT_EQ(Field(*power, kFieldFullName), u"Power");
  ASSERT_TRUE(store.FindChildByName(u"Drill", kObjectItem, u"Power", power));
  EXPECT_EQ(Field(*power, kFieldFullName), u"Power:Drill");
}

TEST_F(ItemStoreTest, StoreRenameFailureInTheMiddleLeavesTheTree) {
  BuildTools();
  const std::vector<std::string> before = Tree();
  ASSERT_EQ(RawDb(Linux(datastore_test::kDbPath))
                .Exec("CREATE TRIGGER refuse BEFORE UPDATE ON ItemsList WHEN old.Name = 'Saw' "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
            SQLITE_OK);
  MessageBoxScript boxes;
  boxes.ExpectAny().Caption(u"Slateway").Style(0);
  // Hammer, then Power with Drill are rewritten before Saw fails.
  EXPECT_FALSE(store.UpdateSubtreePaths(u"Tools", u"Gear"));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text.rfind(u"Vendel Database Engine Error: DB:UpdatePathFields reported ", 0), 0u)
      << Utf8(boxes.Shown()[0].text);
  EXPECT_EQ(Tree(), before);
  EXPECT_EQ(store.Database().TransactionDepth(), 0);

  // Inside a caller's transaction the walk undoes only its own part.
  ASSERT_TRUE(store.BeginTransaction());
  Add(u"Level", u"Item Lists", kObjectItem);
  boxes.ExpectAny();
  EXPECT_FALSE(store.UpdateSubtreePaths(u"Tools", u"Gear"));
  ASSERT_TRUE(store.CommitTransaction());
  std::vector<std::string> expected = before;
  expected.push_back("Level|Item Lists|1");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Tree(), expected);
}

TEST_F(ItemStoreTest, StoreDeleteContentsHonoursUseCounts) {
  Add(u"Jobs", u"My Lists", kObjectCategory);
  Add(u"Sub", u"My Lists:Jobs", kObjectCategory);
  Add(u"Once", u"My Lists:Jobs:Sub", kObjectListedItem, 1);
  Add(u"Shared", u"My Lists:Jobs:Sub", kObjectListedItem, 2);
  Add(u"Direct", u"My Lists:Jobs", kObjectListedItem, 1);
  Add(u"Elsewhere", u"Item Lists", kObjectItem);
  ASSERT_TRUE(store.DeleteCategoryContents(u"My Lists:Jobs"));
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Elsewhere|Item Lists|1", "Item Lists|My Lists|1",
                                              "My Lists:Jobs:Sub:Shared|My Lists:Jobs:Sub|1", "My Lists:Jobs|My Lists|1",
                                              "My Lists||1", "Other Lists|My Lists|1"}));
  std::unique_ptr<CDbRecord> jobs;
  ASSERT_TRUE(store.FindChildByName(u"Jobs", kObjectCategory, u"My Lists", jobs));
  ASSERT_TRUE(store.DeleteCategoryObject(jobs->FieldView(kFieldListID), jobs->FieldView(kFieldListType)));
  EXPECT_FALSE(store.HasChildren(u"My Lists:Jobs:Sub") && store.GetChildCount(u"My Lists") != 2);
  EXPECT_EQ(store.GetChildCount(u"My Lists"), 2);
}

TEST_F(ItemStoreTest, StoreDeleteFailureInTheMiddleLeavesTheTree) {
  Add(u"Jobs", u"My Lists", kObjectCategory);
  Add(u"A1", u"My Lists:Jobs", kObjectListedItem, 1);
  Add(u"B2", u"My Lists:Jobs", kObjectListedItem, 3);
  Add(u"C3", u"My Lists:Jobs", kObjectListedItem, 1);
  Add(u"D4", u"My Lists:Jobs", kObjectListedItem, 1);
  const std::vector<std::string> before = Tree();
  ASSERT_EQ(RawDb(Linux(datastore_test::kDbPath))
                .Exec("CREATE TRIGGER refuse BEFORE DELETE ON ItemsList WHEN old.Name = 'C3' "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
            SQLITE_OK);
  EXPECT_FALSE(store.DeleteCategoryContents(u"My Lists:Jobs"));
  EXPECT_EQ(Tree(), before);  // A1 deleted and B2 lowered, then both undone
  EXPECT_EQ(store.Database().TransactionDepth(), 0);
  ASSERT_EQ(RawDb(Linux(datastore_test::kDbPath)).Exec("DROP TRIGGER refuse"), SQLITE_OK);
  EXPECT_TRUE(store.DeleteCategoryContents(u"My Lists:Jobs"));
  EXPECT_EQ(store.GetChildCount(u"My Lists:Jobs"), 1);
}

// A find dialog that records what it was shown and cancels on request.
class FakeProgress : public IFindProgress {
 public:
  void Show() override { visible = true; }
  void Hide() override { visible = false; }
  void ShowNodeText(std::u16string_view text) override { texts.emplace_back(text); }
  bool Cancelled() override { return ++pumps > cancelAfter; }
  void Destroy() override { destroyed = true; }

  bool visible = false;
  bool destroyed = false;
  int pumps = 0;
  int cancelAfter = 1000;
  std::vector<std::u16string> texts;
};

std::vector<std::u16string> Names(CTypedPointerList<CDbRecord>& results) {
  std::vector<std::u16string> names;
  for (int i = 0; i < results.GetCount(); ++i) names.emplace_back(results.GetAt(i)->FieldView(kFieldName));
  results.DeleteAll();
  return names;
}

TEST_F(ItemStoreTest, StoreFindReturnsAncestorsAndFindNextContinues) {
  BuildTools();
  Add(u"Drill terms", u"Other Lists", kObjectListEntry, 1, u"", u"Terms");
  FakeProgress progress;
  store.CreateFindProgressDialog(&progress);
  CTypedPointerList<CDbRecord> results;
  CFindState state;
  ASSERT_EQ(store.FindText(u"My Lists", u"DRILL", results, state, false, 0, true), 1);
  EXPECT_EQ(Names(results), (std::vector<std::u16string>{u"Drill", u"Power", u"Tools", u"Item Lists"}));
  EXPECT_TRUE(store.FoundLeaf());
  EXPECT_EQ(store.FoundPath(), u"Tools:Power:Drill");
  EXPECT_FALSE(progress.visible);
  EXPECT_EQ(progress.texts, (std::vector<std::u16string>{u"Item Lists", u"Tools", u"Hammer", u"Power", u"Drill"}));
  // "Other Lists" is not searched without the flag.
  EXPECT_EQ(store.FindText(nullptr, u"DRILL", results, state, false, 0, true), 0);
  EXPECT_TRUE(state.Exhausted());
  EXPECT_EQ(results.GetCount(), 0);

  // The description mode: a matched container is entered by Find next.
  ASSERT_EQ(store.FindText(u"My Lists", u"POWER", results, state, false, kFindNameAndDescription, true), 1);
  EXPECT_EQ(Names(results), (std::vector<std::u16string>{u"Power", u"Tools", u"Item Lists"}));
  EXPECT_FALSE(store.FoundLeaf());
  ASSERT_EQ(store.FindText(nullptr, u"POWER", results, state, false, kFindNameAndDescription, true), 1);
  EXPECT_EQ(Names(results), (std::vector<std::u16string>{u"Drill", u"Power", u"Tools", u"Item Lists"}));
  EXPECT_EQ(store.FindText(nullptr, u"POWER", results, state, false, kFindNameAndDescription, true), 0);

  // The description alone, and the other-lists filter that skips containers.
  ASSERT_EQ(store.FindText(u"My Lists", u"CLAW", results, state, false, kFindDescription, true), 1);
  EXPECT_EQ(Names(results)[0], u"Hammer");
  ASSERT_EQ(store.FindText(u"Other Lists", u"TERMS", results, state, true, 0, true), 1);
  EXPECT_EQ(Names(results), (std::vector<std::u16string>{u"Drill terms"}));
  // With the flag "Other Lists" is searched and "Item Lists" (a root) is not entered.
  ASSERT_EQ(store.FindText(u"My Lists", u"DRILL", results, state, true, 0, true), 1);
  EXPECT_EQ(Names(results), (std::vector<std::u16string>{u"Drill terms", u"Other Lists"}));
  EXPECT_EQ(store.FindText(nullptr, u"DRILL", results, state, true, 0, true), 0);

  store.EndFind(state);
  EXPECT_TRUE(progress.destroyed);
  EXPECT_FALSE(state.IsActive());
}

// The search as it was first written: each child read whole through the tree's child
// cursor, its text built by the field mode and upper-cased unit by unit. Gives the
// FullNames Find and Find next report, in order.
void ReferenceFind(CItemStore& store, std::u16string_view parent, std::u16string_view upper, int fieldMode,
                   bool unordered, std::vector<std::u16string>& found) {
  std::unique_ptr<CDbRecord> node;
  std::unique_ptr<CSqlCursor> cursor = store.GetFirstChild(parent, node, {.byName = true, .unordered = unordered});
  for (; node; node = store.GetNextChild(*cursor)) {
    const int kind = node->GetObjectType();
    if (kind == kObjectOtherLists) continue;
    std::u16string name(node->FieldView(kFieldName)), description(node->FieldView(kFieldSalesDescription));
    std::u16string text = fieldMode == kFindDescription         ? (description.empty() ? name : description)
                          : fieldMode == kFindNameAndDescription ? name + u" " + description
                                                                 : name;
    for (char16_t& c : text) c = platform::UpperCase(c);
    const bool match = text.find(upper) != std::u16string::npos;
    const bool container = (kind & kObjectContainerMask) != 0;
    if (match) found.emplace_back(node->FieldView(kFieldFullName));
    if (container) ReferenceFind(store, node->FieldView(kFieldFullName), upper, fieldMode, match, found);
  }
}

TEST_F(ItemStoreTest, StoreFindMatchesHostileTextsAsTheWholeTextSearchDid) {
  const std::u16string nul(u"\0", 1);
  Add(u"Straße", u"Item Lists", kObjectCategory, 1, u"Ärger und Öl");
  Add(u"Nul" + nul + u"Name", u"Straße", kObjectItem, 1, u"desc" + nul + u"tail");
  Add(std::u16string(u"Lone \xD800 high"), u"Straße", kObjectItem, 1, std::u16string(u"\xDC00 low first"));
  Add(u"fıle ſpecial", u"Straße", kObjectItem, 1, u"dotless i, long s");
  Add(u"Plain", u"Item Lists", kObjectCategory, 1, u"");
  Add(u"widget", u"Plain", kObjectItem, 1, u"GADGET part");
  Add(u"emoji \U0001F600 item", u"Plain", kObjectItem, 1, u"ascii tail");
  Add(u"name end", u"Plain", kObjectItem, 1, u"start desc");
  Add(u"Ελληνικά", u"Plain", kObjectItem, 1, u"κείμενο ς");

  const std::u16string needles[] = {u"E",       nul,          u"L" + nul + u"N", std::u16string(u"\xD800"),
                                    u"\xDC00",  u"FILE",      u"SPECIAL",        u"ÄRGER",
                                    u"ÖL",      u"END START", u"T" + nul,        u"\U0001F600",
                                    u"ΚΕΊΜΕΝΟ Σ", u"GADGET",  u"ZZZ",            u""};
  for (int fieldMode : {0, kFindDescription, kFindNameAndDescription}) {
    for (const std::u16string& needle : needles) {
      std::vector<std::u16string> expected, got;
      ReferenceFind(store, u"My Lists", needle, fieldMode, false, expected);
      CTypedPointerList<CDbRecord> results;
      CFindState state;
      for (const char16_t* start = u"My Lists";
           store.FindText(start, needle, results, state, false, fieldMode, true) == 1; start = nullptr) {
        got.emplace_back(results.GetAt(0)->FieldView(kFieldFullName));
        EXPECT_EQ(results.GetAt(0)->GetChildCount(), store.GetChildCount(got.back())) << "a found node keeps its count";
        results.DeleteAll();
      }
      store.EndFind(state);
      EXPECT_EQ(got, expected) << "mode " << fieldMode << ", needle " << Utf8(needle);
    }
  }
}

TEST_F(ItemStoreTest, StoreFindCancelEndsWithNoResult) {
  BuildTools();
  FakeProgress progress;
  progress.cancelAfter = 3;  // the user presses Cancel while Hammer is being tested
  store.CreateFindProgressDialog(&progress);
  CTypedPointerList<CDbRecord> results;
  CFindState state;
  EXPECT_EQ(store.FindText(u"My Lists", u"DRILL", results, state, false, 0, true), 0);
  EXPECT_TRUE(state.Cancelled());
  EXPECT_FALSE(state.IsActive());
  EXPECT_EQ(results.GetCount(), 0);
  EXPECT_FALSE(progress.visible);
  EXPECT_EQ(progress.texts.size(), 3u);
  EXPECT_EQ(store.FindText(nullptr, u"DRILL", results, state, false, 0, true), 0);
}

}  // namespace

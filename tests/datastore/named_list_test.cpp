// CNamedList and its seven lists.
//
// Groups:
//   NamedListInstances  the category and texts of each of the seven lists
//   NamedListStore      add, change and delete against the database; lookups by name
//                       and list id; apostrophes; duplicates
//   NamedListCache      the cached walk: name order, empty lists, the end, emptied by
//                       the list's own writes only
#include <memory>

#include "ListTest.h"
#include "datastore/NamedList.h"

namespace datastore_test {
namespace {

class NamedListTest : public ListTest {
 protected:
  CSalesRepsList reps{&store};
};

TEST_F(NamedListTest, NamedListInstancesCarryTheirCategoryAndTexts) {
  const struct {
    std::unique_ptr<CNamedList> list;
    const char16_t *category, *listElement, *recordElement, *progress;
  } cases[] = {
      {std::make_unique<CAccountsList>(&store), u"Accounts", u"ACCOUNTLIST", u"INCOME_ACCOUNT", u"Updating Account"},
      {std::make_unique<CClassesList>(&store), u"Classes", u"CLASSES", u"CLASS", u"Updating Classes"},
      {std::make_unique<CCustomerTypesList>(&store), u"Customer Types", u"CUSTOMERTYPES", u"CUSTOMERTYPE",
       u"Updating Customer Types"},
      {std::make_unique<CPaymentMethodsList>(&store), u"Payment Methods", u"PAYMENTMETHODS", u"PAYMENTMETHOD",
       u"Payment Method"},
      {std::make_unique<CSalesRepsList>(&store), u"Sales Reps", u"SALESREPS", u"SALESREP", u"Updating Sales Reps"},
      {std::make_unique<CShippingMethodsList>(&store), u"Shipping Methods", u"SHIPMETHODS", u"SHIPMETHOD",
       u"Shipping Method"},
      {std::make_unique<CVendorsList>(&store), u"Vendors", u"VENDORS", u"VENDOR", u"Vendor"},
      {CNamedList::ConstructAccounts(&store), u"Accounts", u"ACCOUNTLIST", u"INCOME_ACCOUNT", u"Updating Account"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.list->Category(), c.category);
    EXPECT_EQ(c.list->ListElement(), c.listElement);
    EXPECT_EQ(c.list->RecordElement(), c.recordElement);
    EXPECT_EQ(c.list->ProgressText(), c.progress);
  }
}

TEST_F(NamedListTest, NamedListInstancesEachWriteTheirOwnCategory) {
  CVendorsList vendors(&store);
  CClassesList classes(&store);
  ASSERT_EQ(vendors.AddEntry(u"Acme", u"{V1}", u"c", u"m", u"", true), 1);
  ASSERT_EQ(classes.AddEntry(u"Acme", u"{C1}", u"c", u"m", u"", true), 1);
  EXPECT_EQ(Column("ListType", "{V1}"), "Vendors");
  EXPECT_EQ(Column("Parent", "{C1}"), "Classes");
  EXPECT_EQ(vendors.GetByListID(u"{C1}"), nullptr);
  ASSERT_NE(classes.GetByListID(u"{C1}"), nullptr);
}

TEST_F(NamedListTest, NamedListStoreAddWritesAnEntryOfKindTwo) {
  ASSERT_EQ(reps.AddEntry(u"JD", u"{R1}", u"2026-01-02T03:04:05", u"2026-02-03T04:05:06", u"Jane Doe", true), 1);
  RawDb raw(File());
  auto rows = raw.Rows("SELECT ListID, ListType, Name, FullName, Parent, SalesDescription, TimeCreated, "
                       "TimeModified, ObjectType, ObjectPosition FROM ItemsList WHERE ListID = '{R1}'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"{R1}", "Sales Reps", "JD", "JD", "Sales Reps", "Jane Doe",
                                               "2026-01-02T03:04:05", "2026-02-03T04:05:06", "2", "-1"}));
}

TEST_F(NamedListTest, NamedListStoreEntryWithoutListIdGetsANewOne) {
  ASSERT_EQ(reps.AddEntry(u"JD", u"", u"", u"", u"", true), 1);
  auto found = reps.FindByName(u"JD");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->FieldView(kFieldListID).size(), 38u);  // a braced GUID
  EXPECT_EQ(found->FieldView(kFieldListID).front(), u'{');
}

TEST_F(NamedListTest, NamedListStoreLooksUpByNameAndByListId) {
  ASSERT_EQ(reps.AddEntry(u"O'Brien", u"{R1}", u"c1", u"m1", u"Pat O'Brien", true), 1);
  ASSERT_EQ(reps.AddEntry(u"Smith", u"{R2}", u"c2", u"m2", u"", true), 1);

  auto byName = reps.FindByName(u"O'Brien");
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(Field(*byName, kFieldListID), "{R1}");
  EXPECT_EQ(Field(*byName, kFieldSalesDescription), "Pat O'Brien");
  EXPECT_EQ(Field(*byName, kFieldTimeCreated), "c1");
  EXPECT_EQ(byName->GetObjectType(), kListEntryKind);

  auto byId = reps.GetByListID(u"{R2}");
  ASSERT_NE(byId, nullptr);
  EXPECT_EQ(Field(*byId, kFieldName), "Smith");

  EXPECT_EQ(reps.FindByName(u"o'brien"), nullptr);  // names compare exactly
  EXPECT_EQ(reps.FindByName(u"Nobody"), nullptr);
  EXPECT_EQ(reps.GetByListID(u"{nope}"), nullptr);
  EXPECT_EQ(reps.GetByListID(u"x' OR '1'='1"), nullptr);
}

TEST_F(NamedListTest, NamedListStoreFindThenAddKeepsTheApostropheSingle) {
  // The list update looks a name up before adding it; neither may change the text.
  std::u16string name = u"Mike's Shop";
  EXPECT_EQ(reps.FindByName(name), nullptr);
  ASSERT_EQ(reps.AddEntry(name, u"{R1}", u"", u"", u"", true), 1);
  EXPECT_EQ(name, u"Mike's Shop");
  EXPECT_EQ(Rows("Sales Reps"), (std::vector<std::string>{"Mike's Shop||0|Tax"}));
  CBstr first;
  ASSERT_EQ(reps.GetFirstName(first), 1);
  EXPECT_EQ(Text(first), "Mike's Shop");
}

TEST_F(NamedListTest, NamedListStoreDuplicatesAreRefusedOnlyWhenChecked) {
  ASSERT_EQ(reps.AddEntry(u"JD", u"{R1}", u"", u"", u"", true), 1);
  EXPECT_EQ(reps.AddEntry(u"JD", u"{R2}", u"", u"", u"", true), 0);
  EXPECT_EQ(Rows("Sales Reps").size(), 1u);
  EXPECT_EQ(reps.AddEntry(u"jd", u"{R3}", u"", u"", u"", true), 1);  // another letter case
  EXPECT_EQ(reps.AddEntry(u"JD", u"{R4}", u"", u"", u"", false), 1);
  EXPECT_EQ(Rows("Sales Reps").size(), 3u);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(NamedListTest, NamedListStoreUpdateRewritesTheEntry) {
  ASSERT_EQ(reps.AddEntry(u"JD", u"{R1}", u"c1", u"m1", u"Jane", true), 1);
  auto entry = reps.FindByName(u"JD");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(reps.UpdateEntry(*entry, u"J'D", u"c2", u"m2", u"Jane D'Arc"), 1);
  EXPECT_EQ(Column("Name", "{R1}"), "J'D");
  EXPECT_EQ(Column("FullName", "{R1}"), "J'D");  // no stale path left behind
  EXPECT_EQ(Column("SalesDescription", "{R1}"), "Jane D'Arc");
  EXPECT_EQ(Column("TimeCreated", "{R1}"), "c2");
  EXPECT_EQ(Column("TimeModified", "{R1}"), "m2");
  EXPECT_EQ(Field(*entry, kFieldListType), "Sales Reps");
  EXPECT_EQ(reps.FindByName(u"JD"), nullptr);
  EXPECT_NE(reps.FindByName(u"J'D"), nullptr);
}

TEST_F(NamedListTest, NamedListStoreUpdateReportsAFailedWrite) {
  ASSERT_EQ(reps.AddEntry(u"JD", u"{R1}", u"", u"", u"", true), 1);
  auto entry = reps.FindByName(u"JD");
  ASSERT_NE(entry, nullptr);
  RawDb raw(File());
  ASSERT_EQ(raw.Exec("CREATE TRIGGER refuse BEFORE UPDATE ON ItemsList BEGIN SELECT RAISE(ABORT, 'no'); END;"),
            SQLITE_OK);
  boxes.ExpectAny();
  EXPECT_EQ(reps.UpdateEntry(*entry, u"New", u"", u"", u""), 0);
  EXPECT_EQ(Column("Name", "{R1}"), "JD");
}

TEST_F(NamedListTest, NamedListStoreDeletedEntryLeavesTheListOnReload) {
  ASSERT_EQ(reps.AddEntry(u"A", u"{R1}", u"", u"", u"", true), 1);
  ASSERT_EQ(reps.AddEntry(u"B", u"{R2}", u"", u"", u"", true), 1);
  CBstr name;
  ASSERT_EQ(reps.GetFirstName(name), 1);
  ASSERT_TRUE(Delete(reps.FindByName(u"A")));
  EXPECT_EQ(reps.FindByName(u"A"), nullptr);
  reps.FreeEntries();
  ASSERT_EQ(reps.GetFirstName(name), 1);
  EXPECT_EQ(Text(name), "B");
  EXPECT_EQ(reps.GetNextName(name), 0);
}

TEST_F(NamedListTest, NamedListCacheWalksInNameOrder) {
  for (auto [name, description] : {std::pair{u"Mia", u"m"}, {u"Al", u"a"}, {u"Zed", u""}, {u"Bo", u"b"}})
    ASSERT_EQ(reps.AddEntry(name, u"", u"", u"", description, true), 1);
  CBstr name, description;
  std::vector<std::string> walked;
  for (int more = reps.GetFirstEntry(name, description); more; more = reps.GetNextEntry(name, description))
    walked.push_back(Text(name) + "/" + Text(description));
  EXPECT_EQ(walked, (std::vector<std::string>{"Al/a", "Bo/b", "Mia/m", "Zed/"}));

  std::vector<std::string> names;
  for (int more = reps.GetFirstName(name); more; more = reps.GetNextName(name)) names.push_back(Text(name));
  EXPECT_EQ(names, (std::vector<std::string>{"Al", "Bo", "Mia", "Zed"}));

  std::vector<std::string> records;
  for (int more = reps.GetFirstRecord(name, description); more; more = reps.GetNextRecord(name, description))
    records.push_back(Text(name));
  EXPECT_EQ(records, names);
}

TEST_F(NamedListTest, NamedListCacheEmptyListLeavesTheOutTextsAlone) {
  CBstr name(u"keep"), description(u"this");
  EXPECT_EQ(reps.GetFirstEntry(name, description), 0);
  EXPECT_EQ(reps.GetFirstName(name), 0);
  EXPECT_EQ(reps.GetFirstRecord(name, description), 0);
  EXPECT_EQ(reps.GetNextRecord(name, description), 0);
  EXPECT_EQ(Text(name), "keep");
  EXPECT_EQ(Text(description), "this");
}

TEST_F(NamedListTest, NamedListCacheStaysAtTheEndUntilTheNextFirst) {
  ASSERT_EQ(reps.AddEntry(u"A", u"", u"", u"", u"", true), 1);
  CBstr name, description;
  ASSERT_EQ(reps.GetFirstEntry(name, description), 1);
  EXPECT_EQ(reps.GetNextEntry(name, description), 0);
  EXPECT_EQ(reps.GetNextEntry(name, description), 0);
  EXPECT_EQ(reps.GetNextName(name), 0);
  EXPECT_EQ(Text(name), "A");
  EXPECT_EQ(reps.GetFirstEntry(name, description), 1);
}

TEST_F(NamedListTest, NamedListCacheIsEmptiedByTheListsOwnWritesOnly) {
  ASSERT_EQ(reps.AddEntry(u"B", u"", u"", u"", u"", true), 1);
  CBstr name;
  ASSERT_EQ(reps.GetFirstName(name), 1);

  // Another object writing the same category leaves this cache as it was.
  CSalesRepsList other(&store);
  ASSERT_EQ(other.AddEntry(u"A", u"", u"", u"", u"", true), 1);
  ASSERT_EQ(reps.GetFirstName(name), 1);
  EXPECT_EQ(Text(name), "B");

  // The list's own add empties it: the new name comes in name order.
  ASSERT_EQ(reps.AddEntry(u"C", u"", u"", u"", u"", true), 1);
  std::vector<std::string> names;
  for (int more = reps.GetFirstName(name); more; more = reps.GetNextName(name)) names.push_back(Text(name));
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));

  // And so does its own update.
  auto c = reps.FindByName(u"C");
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(reps.UpdateEntry(*c, u"0", u"", u"", u""), 1);
  ASSERT_EQ(reps.GetFirstName(name), 1);
  EXPECT_EQ(Text(name), "0");
}

}  // namespace
}  // namespace datastore_test

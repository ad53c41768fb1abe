// CListCache: job types, terms and the custom customer and item fields.
//
// Groups:
//   ListCacheJobTypes     add (duplicates refused), find, list id, update, delete, names
//   ListCacheTerms        due days kept as SalesAmount; GetTermDueDays's three outcomes
//   ListCacheNames        the cache: loading, reloading after writes, which list it holds
//   CustomFields          customer fields (name order) and item fields (store order),
//                         duplicates, reload after add, update, delete all, the end text
#include <algorithm>

#include "ListTest.h"
#include "datastore/ListCache.h"

namespace datastore_test {
namespace {

class ListCacheTest : public ListTest {
 protected:
  std::vector<std::string> JobTypeNames() {
    std::vector<std::string> out;
    CBstr name;
    for (int more = cache.GetFirstJobTypeName(name); more; more = cache.GetNextName(name)) out.push_back(Text(name));
    return out;
  }
  std::vector<std::string> TermNames() {
    std::vector<std::string> out;
    CBstr name;
    for (int more = cache.GetFirstTermName(name); more; more = cache.GetNextName(name)) out.push_back(Text(name));
    return out;
  }
  std::vector<std::string> CustomerFieldNames() {
    std::vector<std::string> out;
    CBstr name;
    for (int more = cache.GetFirstCustomerFieldName(name); more; more = cache.GetNextCustomerFieldName(name))
      out.push_back(Text(name));
    return out;
  }
  std::vector<std::string> ItemFieldNames() {
    std::vector<std::string> out;
    CBstr name;
    for (int more = cache.GetFirstItemFieldName(name); more; more = cache.GetNextItemFieldName(name))
      out.push_back(Text(name));
    std::sort(out.begin(), out.end());  // the store's order is not defined
    return out;
  }
  CListCache cache{&store};
};

// ---- Job types ------------------------------------------------------------------------------

TEST_F(ListCacheTest, ListCacheJobTypesAddFindUpdateDelete) {
  ASSERT_EQ(cache.AddJobType(u"Repair", u"{J1}", u"c1", u"m1"), 1);
  ASSERT_EQ(cache.AddJobType(u"Owner's job", u"{J2}", u"c2", u"m2"), 1);
  EXPECT_EQ(Column("ListType", "{J1}"), "Job Types");
  EXPECT_EQ(Column("Parent", "{J2}"), "Job Types");
  EXPECT_EQ(Column("ObjectType", "{J2}"), "2");

  auto found = cache.FindJobType(u"Owner's job");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(Field(*found, kFieldListID), "{J2}");
  auto byId = cache.GetJobTypeByListID(u"{J1}");
  ASSERT_NE(byId, nullptr);
  EXPECT_EQ(Field(*byId, kFieldName), "Repair");

  EXPECT_EQ(cache.UpdateJobType(*byId, u"Repairs", u"c3", u"m3"), 1);
  EXPECT_EQ(Column("Name", "{J1}"), "Repairs");
  EXPECT_EQ(Column("TimeModified", "{J1}"), "m3");
  EXPECT_EQ(JobTypeNames(), (std::vector<std::string>{"Owner's job", "Repairs"}));

  ASSERT_TRUE(Delete(cache.FindJobType(u"Repairs")));
  cache.FreeNames();
  EXPECT_EQ(JobTypeNames(), (std::vector<std::string>{"Owner's job"}));
}

TEST_F(ListCacheTest, ListCacheJobTypesRefuseAnExistingName) {
  ASSERT_EQ(cache.AddJobType(u"Repair", u"{J1}", u"", u""), 1);
  EXPECT_EQ(cache.AddJobType(u"Repair", u"{J2}", u"", u""), 0);
  EXPECT_EQ(Rows("Job Types").size(), 1u);
  EXPECT_EQ(cache.GetJobTypeByListID(u"{J2}"), nullptr);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ListCacheTest, ListCacheJobTypesFirstRecordNameReadsTheStore) {
  CBstr name(u"keep");
  EXPECT_EQ(cache.GetFirstJobTypeRecordName(name), 0);
  EXPECT_EQ(Text(name), "keep");
  ASSERT_EQ(cache.AddJobType(u"B", u"", u"", u""), 1);
  ASSERT_EQ(cache.AddJobType(u"A", u"", u"", u""), 1);
  EXPECT_EQ(cache.GetFirstJobTypeRecordName(name), 1);
  EXPECT_EQ(Text(name), "A");
  // Nothing reads on from it, so no read of the file stays open (it would keep other
  // writers of the file out for as long as the list lives).
  RawDb other(File());
  EXPECT_EQ(other.Exec("DELETE FROM ItemsList WHERE Name = 'B'"), SQLITE_OK);
}

// ---- Terms ------------------------------------------------------------------------------------

TEST_F(ListCacheTest, ListCacheTermsKeepTheirDueDays) {
  ASSERT_EQ(cache.AddTerm(u"Net 30", u"{T1}", u"30", u"c", u"m"), 1);
  ASSERT_EQ(cache.AddTerm(u"Due on receipt", u"{T2}", u"0", u"c", u"m"), 1);
  EXPECT_EQ(Column("SalesAmount", "{T1}"), "30");
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"Due on receipt", "Net 30"}));

  auto term = cache.GetTermByListID(u"{T1}");
  ASSERT_NE(term, nullptr);
  EXPECT_EQ(cache.UpdateTerm(*term, u"Net 45", u"45", u"c2", u"m2"), 1);
  CBstr days;
  EXPECT_EQ(cache.GetTermDueDays(u"Net 45", days), 1);
  EXPECT_EQ(Text(days), "45");
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"Due on receipt", "Net 45"}));
  EXPECT_EQ(cache.AddTerm(u"Net 45", u"{T3}", u"10", u"", u""), 0);
}

TEST_F(ListCacheTest, ListCacheTermsDueDaysOfUnknownAndEmptyTerms) {
  ASSERT_EQ(cache.AddTerm(u"Open", u"{T1}", u"", u"", u""), 1);
  ASSERT_EQ(cache.AddTerm(u"Cash o'clock", u"{T2}", u"7", u"", u""), 1);
  const struct {
    const char16_t* name;
    int result;
    std::string days;
  } cases[] = {{u"Open", 1, ""}, {u"Cash o'clock", 1, "7"}, {u"Nowhere", 0, ""}, {u"open", 0, ""}, {u"", 0, ""}};
  for (const auto& c : cases) {
    CBstr days(u"stale");
    EXPECT_EQ(cache.GetTermDueDays(c.name, days), c.result) << Utf8(c.name);
    EXPECT_EQ(Text(days), c.days) << Utf8(c.name);
  }
}

// ---- The cache ----------------------------------------------------------------------------------

TEST_F(ListCacheTest, ListCacheNamesEmptyListLeavesTheOutText) {
  CBstr name(u"keep");
  EXPECT_EQ(cache.GetFirstJobTypeName(name), 0);
  EXPECT_EQ(cache.GetFirstTermName(name), 0);
  EXPECT_EQ(cache.GetNextName(name), 0);
  EXPECT_EQ(cache.GetFirstCustomerFieldName(name), 0);
  EXPECT_EQ(Text(name), "keep");
}

TEST_F(ListCacheTest, ListCacheNamesReloadAfterTheirOwnWritesOnly) {
  ASSERT_EQ(cache.AddTerm(u"B", u"", u"", u"", u""), 1);
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"B"}));
  // A write past this object is not seen until the cache is emptied...
  CListCache other(&store);
  ASSERT_EQ(other.AddTerm(u"A", u"", u"", u"", u""), 1);
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"B"}));
  cache.LoadTermNames();
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"A", "B"}));
  // ...while this object's own writes empty it.
  ASSERT_EQ(cache.AddTerm(u"C", u"", u"", u"", u""), 1);
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(ListCacheTest, ListCacheNamesNeverHandOutAnotherListsNames) {
  ASSERT_EQ(cache.AddTerm(u"Net 30", u"", u"30", u"", u""), 1);
  ASSERT_EQ(cache.AddJobType(u"Repair", u"", u"", u""), 1);
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"Net 30"}));
  EXPECT_EQ(JobTypeNames(), (std::vector<std::string>{"Repair"}));
  EXPECT_EQ(TermNames(), (std::vector<std::string>{"Net 30"}));
}

// ---- Custom fields --------------------------------------------------------------------------------

TEST_F(ListCacheTest, CustomFieldsCustomerFieldsComeInNameOrder) {
  ASSERT_EQ(cache.AddCustomerField(u"Zone", u"{F1}", u"c", u"m"), 1);
  ASSERT_EQ(cache.AddCustomerField(u"Birthday", u"{F2}", u"c", u"m"), 1);
  EXPECT_EQ(CustomerFieldNames(), (std::vector<std::string>{"Birthday", "Zone"}));
  EXPECT_EQ(Column("ListType", "{F1}"), "Custom Customer Fields");
  EXPECT_EQ(Column("Parent", "{F1}"), "Custom Customer Fields");
  EXPECT_EQ(Column("TimeCreated", "{F1}"), "c");

  auto found = cache.FindCustomerField(u"Zone");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(Field(*found, kFieldListID), "{F1}");
  EXPECT_EQ(found->GetObjectType(), kListEntryKind);
  EXPECT_EQ(cache.FindCustomerField(u"Missing"), nullptr);

  // The end leaves the caller's text as it was.
  CBstr name;
  ASSERT_EQ(cache.GetFirstCustomerFieldName(name), 1);
  ASSERT_EQ(cache.GetNextCustomerFieldName(name), 1);
  EXPECT_EQ(cache.GetNextCustomerFieldName(name), 0);
  EXPECT_EQ(Text(name), "Zone");
}

TEST_F(ListCacheTest, CustomFieldsAddRefusesDuplicatesAndReloads) {
  ASSERT_EQ(cache.AddCustomerField(u"Zone", u"", u"", u""), 1);
  EXPECT_EQ(CustomerFieldNames(), (std::vector<std::string>{"Zone"}));
  EXPECT_EQ(cache.AddCustomerField(u"Zone", u"", u"", u""), 0);
  ASSERT_EQ(cache.AddCustomerField(u"Area", u"", u"", u""), 1);
  EXPECT_EQ(CustomerFieldNames(), (std::vector<std::string>{"Area", "Zone"}));

  ASSERT_EQ(cache.AddItemField(u"Color", u"", u"", u""), 1);
  EXPECT_EQ(cache.AddItemField(u"Color", u"", u"", u""), 0);
  EXPECT_EQ(ItemFieldNames(), (std::vector<std::string>{"Color"}));
  ASSERT_EQ(cache.AddItemField(u"Size", u"", u"", u""), 1);
  EXPECT_EQ(ItemFieldNames(), (std::vector<std::string>{"Color", "Size"}));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ListCacheTest, CustomFieldsItemFieldEndEmptiesTheText) {
  CBstr name(u"keep");
  EXPECT_EQ(cache.GetFirstItemFieldName(name), 0);
  EXPECT_EQ(Text(name), "keep");
  ASSERT_EQ(cache.AddItemField(u"Color", u"", u"", u""), 1);
  ASSERT_EQ(cache.GetFirstItemFieldName(name), 1);
  EXPECT_EQ(Text(name), "Color");
  EXPECT_EQ(cache.GetNextItemFieldName(name), 0);
  EXPECT_EQ(Text(name), "");
}

TEST_F(ListCacheTest, CustomFieldsItemFieldsFindUpdateAndDeleteAll) {
  ASSERT_EQ(cache.AddItemField(u"Color", u"{I1}", u"c1", u"m1"), 1);
  ASSERT_EQ(cache.AddItemField(u"Size's", u"{I2}", u"c1", u"m1"), 1);
  ASSERT_EQ(cache.AddCustomerField(u"Zone", u"{F1}", u"", u""), 1);

  auto field = cache.FindItemField(u"Size's");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(Field(*field, kFieldListID), "{I2}");
  EXPECT_EQ(field->GetObjectType(), kListEntryKind);
  EXPECT_EQ(cache.FindItemField(u"Zone"), nullptr);

  EXPECT_EQ(ItemFieldNames(), (std::vector<std::string>{"Color", "Size's"}));
  auto full = cache.FindItemField(u"Color");
  ASSERT_NE(full, nullptr);
  auto stored = store.GetItem(*full, true);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(cache.UpdateItemField(*stored, u"Colour", u"c2", u"m2"), 1);
  EXPECT_EQ(Column("Name", "{I1}"), "Colour");
  EXPECT_EQ(Column("TimeModified", "{I1}"), "m2");
  EXPECT_EQ(ItemFieldNames(), (std::vector<std::string>{"Colour", "Size's"}));

  cache.DeleteAllItemFields();
  EXPECT_EQ(ItemFieldNames(), (std::vector<std::string>{}));
  EXPECT_EQ(Rows("Custom Item Fields").size(), 0u);
  EXPECT_EQ(CustomerFieldNames(), (std::vector<std::string>{"Zone"}));
}

TEST_F(ListCacheTest, CustomFieldsFreeFieldNamesEmptiesTheCache) {
  ASSERT_EQ(cache.AddCustomerField(u"Zone", u"", u"", u""), 1);
  CBstr name;
  ASSERT_EQ(cache.GetFirstCustomerFieldName(name), 1);
  cache.FreeFieldNames();
  EXPECT_EQ(cache.GetNextCustomerFieldName(name), 0);
  RawDb raw(File());
  ASSERT_EQ(raw.Exec("DELETE FROM ItemsList WHERE Parent = 'Custom Customer Fields'"), SQLITE_OK);
  EXPECT_EQ(cache.GetFirstCustomerFieldName(name), 0);
}

}  // namespace
}  // namespace datastore_test

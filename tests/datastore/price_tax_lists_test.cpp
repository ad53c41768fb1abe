// CPriceLevelList, CTaxCodeList and CSalesTaxList.
//
// Groups:
//   PriceLevels  add, update, delete; the stored walk and the cache; factors by percent;
//                the edit sequence survives the file
//   TaxCodes     the taxable text rule; add, update, delete; names with descriptions;
//                IsTaxable by document version; more codes than the old fixed table
//   SalesTaxes   items and groups, rates by name, group-only lists, long lists, and
//                walks interleaved with other selects
#include <algorithm>
#include <cmath>

#include "ListTest.h"
#include "datastore/PriceLevelList.h"
#include "datastore/SalesTaxList.h"
#include "datastore/TaxCodeList.h"

namespace datastore_test {
namespace {

class PriceTaxTest : public ListTest {
 protected:
  // A sales tax item or group as the list update stores it: an item under its type node.
  void AddSalesTax(std::u16string_view name, std::u16string_view type, std::u16string_view rate,
                   std::u16string_view vendor, std::u16string_view listId = u"") {
    auto record = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    record->SetField(kFieldName, name);
    record->SetField(kFieldListType, type);
    record->SetField(kFieldParent, type);
    record->SetField(kFieldSalesAmount, rate);
    record->SetField(kFieldVendor, vendor);
    if (!listId.empty()) record->SetField(kFieldListID, listId);
    ASSERT_EQ(store.AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse), 1);
  }
  CPriceLevelList levels{&store};
  CTaxCodeList codes{&store};
  CSalesTaxList taxes{&store};
};

// ---- Price levels -----------------------------------------------------------------------------

TEST_F(PriceTaxTest, PriceLevelsAddStoresEveryText) {
  ASSERT_EQ(levels.AddPriceLevel(u"Wholesale", u"{P1}", u"c1", u"m1", u"1234567", u"-10"), 1);
  RawDb raw(File());
  auto rows = raw.Rows("SELECT Name, ListType, Parent, SalesAmount, TimeCreated, TimeModified, EditSequence, "
                       "ObjectType FROM ItemsList WHERE ListID = '{P1}'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Wholesale", "Price Levels", "Price Levels", "-10", "c1", "m1",
                                               "1234567", "2"}));
  CBstr name, id, created, modified, sequence, percent;
  ASSERT_EQ(levels.GetFirstRecord(name, id, created, modified, sequence, percent), 1);
  EXPECT_EQ(Text(name) + "|" + Text(id) + "|" + Text(created) + "|" + Text(modified) + "|" + Text(sequence) + "|" +
                Text(percent),
            "Wholesale|{P1}|c1|m1|1234567|-10");
  EXPECT_EQ(levels.GetNextRecord(name, id, created, modified, sequence, percent), 0);
  EXPECT_EQ(levels.AddPriceLevel(u"Wholesale", u"{P2}", u"", u"", u"", u"5"), 0);
}

TEST_F(PriceTaxTest, PriceLevelsFactorByPercent) {
  ASSERT_EQ(levels.AddPriceLevel(u"Minus ten", u"", u"", u"", u"", u"-10"), 1);
  ASSERT_EQ(levels.AddPriceLevel(u"Plus 12.5", u"", u"", u"", u"", u"12.5"), 1);
  ASSERT_EQ(levels.AddPriceLevel(u"Joe's", u"", u"", u"", u"", u"25%"), 1);
  ASSERT_EQ(levels.AddPriceLevel(u"Zero", u"", u"", u"", u"", u"0"), 1);
  ASSERT_EQ(levels.AddPriceLevel(u"Junk", u"", u"", u"", u"", u"abc"), 1);
  const struct {
    const char16_t* name;
    double factor;
  } cases[] = {{u"Minus ten", -0.1}, {u"Plus 12.5", 0.125}, {u"Joe's", 0.25}, {u"Zero", 0},
               {u"Junk", 0},         {u"minus ten", 0},     {u"Nobody", 0},  {u"", 0}};
  for (const auto& c : cases) EXPECT_NEAR(levels.GetLevelFactor(c.name), c.factor, 1e-12) << Utf8(c.name);
}

TEST_F(PriceTaxTest, PriceLevelsUpdateAndDeleteReachTheCache) {
  ASSERT_EQ(levels.AddPriceLevel(u"Retail", u"{P1}", u"", u"", u"1", u"5"), 1);
  EXPECT_NEAR(levels.GetLevelFactor(u"Retail"), 0.05, 1e-12);
  auto record = store.GetItemByListID(u"{P1}", kPriceLevelsCategory);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(levels.UpdatePriceLevel(*record, u"Retail", u"{P1}", u"c", u"m", u"2", u"-20"), 1);
  EXPECT_EQ(Column("EditSequence", "{P1}"), "2");
  EXPECT_NEAR(levels.GetLevelFactor(u"Retail"), -0.2, 1e-12);

  CBstr name, percent;
  ASSERT_EQ(levels.GetFirstLevel(name, percent), 1);
  EXPECT_EQ(Text(name) + " " + Text(percent), "Retail -20");
  EXPECT_EQ(levels.GetNextLevel(name, percent), 0);

  ASSERT_TRUE(store.DeleteItem(record.get()));
  levels.FreeLevels();
  EXPECT_EQ(levels.GetFirstLevel(name, percent), 0);
  EXPECT_EQ(levels.GetLevelFactor(u"Retail"), 0);
}

TEST_F(PriceTaxTest, PriceLevelsUpdateToANewListIdReplacesTheRow) {
  ASSERT_EQ(levels.AddPriceLevel(u"Retail", u"{OLD}", u"", u"", u"", u"5"), 1);
  auto record = store.GetItemByListID(u"{OLD}", kPriceLevelsCategory);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(levels.UpdatePriceLevel(*record, u"Retail", u"{NEW}", u"", u"", u"9", u"7"), 1);
  EXPECT_EQ(Column("SalesAmount", "{NEW}"), "7");
  EXPECT_EQ(Column("SalesAmount", "{OLD}"), "<0 rows>");
  EXPECT_EQ(Rows("Price Levels").size(), 1u);
}

TEST_F(PriceTaxTest, PriceLevelsCachedWalkAndFactorUseTheLevelsOnly) {
  ASSERT_EQ(levels.AddPriceLevel(u"B", u"", u"", u"", u"", u"2"), 1);
  ASSERT_EQ(levels.AddPriceLevel(u"A", u"", u"", u"", u"", u"1"), 1);
  auto other = NewListEntry(kTermsCategory);
  other->SetField(kFieldName, u"A");
  other->SetField(kFieldSalesAmount, u"30");
  ASSERT_EQ(AddListEntry(store, *other, true), 1);
  std::vector<std::string> walked;
  CBstr name, percent;
  for (int more = levels.GetFirstLevel(name, percent); more; more = levels.GetNextLevel(name, percent))
    walked.push_back(Text(name) + "=" + Text(percent));
  std::sort(walked.begin(), walked.end());
  EXPECT_EQ(walked, (std::vector<std::string>{"A=1", "B=2"}));
  EXPECT_NEAR(levels.GetLevelFactor(u"A"), 0.01, 1e-12);
}

// ---- Tax codes ------------------------------------------------------------------------------------

TEST_F(PriceTaxTest, TaxCodesTaxableTextRule) {
  const struct {
    const char16_t* given;
    const char* stored;
  } cases[] = {{u"true", "yes"}, {u"TRUE", "yes"}, {u"True", "yes"}, {u"tRuE", "yes"}, {u"1", "no"},
               {u"yes", "no"},   {u"false", "no"}, {u"", "no"},      {u"true ", "no"}};
  int n = 0;
  for (const auto& c : cases) {
    std::u16string name = u"C" + std::u16string(1, static_cast<char16_t>(u'a' + n));
    std::string id = "{T" + std::to_string(n++) + "}";
    ASSERT_EQ(codes.AddTaxCode(name, u"", platform::ToUtf16(id), c.given, u"", u"", false), 1);
    EXPECT_EQ(Column("Taxable", id), c.stored) << Utf8(c.given);
  }
}

TEST_F(PriceTaxTest, TaxCodesAddFindUpdateDelete) {
  ASSERT_EQ(codes.AddTaxCode(u"Tax", u"Taxable sales", u"{T1}", u"true", u"c", u"m", false), 1);
  ASSERT_EQ(codes.AddTaxCode(u"Non", u"Non-taxable", u"{T2}", u"false", u"c", u"m", false), 1);
  EXPECT_EQ(codes.AddTaxCode(u"Tax", u"again", u"{T3}", u"true", u"", u"", false), 0);
  EXPECT_EQ(codes.AddTaxCode(u"Tax", u"again", u"{T3}", u"true", u"", u"", true), 1);
  ASSERT_TRUE(store.DeleteItem(codes.GetTaxCodeByListID(u"{T3}").get()));

  auto tax = codes.FindTaxCode(u"Tax");
  ASSERT_NE(tax, nullptr);
  EXPECT_EQ(Field(*tax, kFieldListID), "{T1}");
  EXPECT_EQ(Field(*tax, kFieldTaxable), "yes");
  EXPECT_EQ(codes.FindTaxCode(u"tax"), nullptr);

  EXPECT_TRUE(codes.IsTaxable(4, u"Tax"));
  EXPECT_EQ(codes.UpdateTaxCode(*tax, u"Tax", u"Was taxable", u"{T1}", u"no", u"c2", u"m2"), 1);
  EXPECT_EQ(Rows("Tax Codes"), (std::vector<std::string>{"Non|Non-taxable|0|no", "Tax|Was taxable|0|no"}));
  EXPECT_FALSE(codes.IsTaxable(4, u"Tax"));  // the update emptied the table

  ASSERT_TRUE(Delete(codes.FindTaxCode(u"Non")));
  codes.ClearCodes();
  CBstr name;
  std::vector<std::string> names;
  for (int more = codes.GetFirstTaxCode(name, false); more; more = codes.GetNextTaxCode(name, false))
    names.push_back(Text(name));
  EXPECT_EQ(names, (std::vector<std::string>{"Tax"}));
}

TEST_F(PriceTaxTest, TaxCodesWalkNamesWithAndWithoutDescriptions) {
  ASSERT_EQ(codes.AddTaxCode(u"Tax", u"Taxable", u"", u"true", u"", u"", false), 1);
  ASSERT_EQ(codes.AddTaxCode(u"Non", u"", u"", u"false", u"", u"", false), 1);
  ASSERT_EQ(codes.AddTaxCode(u"Out", u"Out of state", u"", u"false", u"", u"", false), 1);
  CBstr name;
  std::vector<std::string> plain, described;
  for (int more = codes.GetFirstTaxCode(name, false); more; more = codes.GetNextTaxCode(name, false))
    plain.push_back(Text(name));
  for (int more = codes.GetFirstTaxCode(name, true); more; more = codes.GetNextTaxCode(name, true))
    described.push_back(Text(name));
  EXPECT_EQ(plain, (std::vector<std::string>{"Non", "Out", "Tax"}));
  EXPECT_EQ(described, (std::vector<std::string>{"Non - ", "Out - Out of state", "Tax - Taxable"}));
  EXPECT_EQ(codes.GetNextTaxCode(name, false), 0);

  CBstr description, taxable;
  std::vector<std::string> records;
  for (bool more = codes.GetFirstRecord(name, description, taxable); more;
       more = codes.GetNextRecord(name, description, taxable))
    records.push_back(Text(name) + "|" + Text(description) + "|" + Text(taxable));
  EXPECT_EQ(records, (std::vector<std::string>{"Non||no", "Out|Out of state|no", "Tax|Taxable|yes"}));
}

TEST_F(PriceTaxTest, TaxCodesEmptyListGivesNoCode) {
  CBstr name(u"keep"), description, taxable;
  EXPECT_EQ(codes.GetFirstTaxCode(name, true), 0);
  EXPECT_FALSE(codes.GetFirstRecord(name, description, taxable));
  EXPECT_EQ(Text(name), "keep");
  EXPECT_FALSE(codes.IsTaxable(4, u"Tax"));
}

TEST_F(PriceTaxTest, TaxCodesIsTaxableByDocumentVersion) {
  ASSERT_EQ(codes.AddTaxCode(u"Tax", u"", u"", u"true", u"", u"", false), 1);
  ASSERT_EQ(codes.AddTaxCode(u"Non", u"", u"", u"false", u"", u"", false), 1);
  // A code stored by other means with "true" counts too; "Yes" does not (exact compare).
  for (auto [name, text] : {std::pair{u"T2", u"true"}, {u"Y2", u"Yes"}}) {
    auto raw = NewListEntry(kTaxCodesCategory);
    raw->SetField(kFieldName, name);
    raw->SetField(kFieldTaxable, text);
    ASSERT_EQ(AddListEntry(store, *raw, true), 1);
  }
  const struct {
    int version;
    const char16_t* code;
    bool taxable;
  } cases[] = {
      {4, u"Tax", true},  {5, u"Tax", true},  {4, u"Non", false}, {4, u"T2", true},    {4, u"Y2", false},
      {4, u"tax", false}, {4, u"yes", false}, {4, u"", false},    {4, u"Other", false}, {3, u"yes", true},
      {3, u"YES", true},  {3, u"yEs", true},  {2, u"Yes", true},  {3, u"Tax", false},  {3, u"no", false},
      {3, u"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(codes.IsTaxable(c.version, c.code), c.taxable) << "version " << c.version << " " << Utf8(c.code);
}

TEST_F(PriceTaxTest, TaxCodesKeepEveryCodeOfTheDatabase) {
  // More codes than the 25 the table once held: the late ones are taxable all the same.
  for (int i = 0; i < 40; ++i) {
    char16_t name[4] = {u'C', static_cast<char16_t>(u'0' + i / 10), static_cast<char16_t>(u'0' + i % 10), 0};
    ASSERT_EQ(codes.AddTaxCode(name, u"", u"", i % 2 ? u"true" : u"false", u"", u"", false), 1);
  }
  EXPECT_TRUE(codes.IsTaxable(4, u"C25"));
  EXPECT_TRUE(codes.IsTaxable(4, u"C39"));
  EXPECT_FALSE(codes.IsTaxable(4, u"C38"));
  EXPECT_EQ(codes.GetCount(), 40u);
  int count = 0;
  CBstr name;
  for (int more = codes.GetFirstTaxCode(name, false); more; more = codes.GetNextTaxCode(name, false)) ++count;
  EXPECT_EQ(count, 40);
  EXPECT_EQ(Text(name), "C39");
}

// ---- Sales taxes ------------------------------------------------------------------------------------

TEST_F(PriceTaxTest, SalesTaxesRatesOfItemsAndGroups) {
  AddSalesTax(u"City", kSalesTaxItemType, u"1.5", u"City Treasurer", u"{S1}");
  AddSalesTax(u"State", kSalesTaxItemType, u"6", u"State Dept.", u"{S2}");
  AddSalesTax(u"City + State", kSalesTaxGroupType, u"7.5", u"", u"{G1}");
  AddSalesTax(u"O'Hare", kSalesTaxGroupType, u"9.25", u"", u"{G2}");
  const struct {
    const char16_t* name;
    int found;
    std::string rate;
  } cases[] = {{u"City", 1, "1.5"},         {u"State", 1, "6"},  {u"City + State", 1, "7.5"},
               {u"O'Hare", 1, "9.25"},      {u"city", 0, ""},    {u"Nowhere", 0, ""},
               {u"", 0, ""}};
  for (const auto& c : cases) {
    CBstr rate(u"stale");
    EXPECT_EQ(taxes.GetRateByName(c.name, rate), c.found) << Utf8(c.name);
    EXPECT_EQ(Text(rate), c.rate) << Utf8(c.name);
  }

  std::vector<std::string> walked;
  CBstr name, rate, vendor, id;
  for (int more = taxes.GetFirstSalesTax(name, rate, vendor, id); more;
       more = taxes.GetNextSalesTax(name, rate, vendor, id))
    walked.push_back(Text(name) + "|" + Text(rate) + "|" + Text(vendor) + "|" + Text(id));
  std::sort(walked.begin(), walked.end());
  EXPECT_EQ(walked, (std::vector<std::string>{"City + State|7.5||{G1}", "City|1.5|City Treasurer|{S1}",
                                              "O'Hare|9.25||{G2}", "State|6|State Dept.|{S2}"}));
}

TEST_F(PriceTaxTest, SalesTaxesGroupsAloneAreFound) {
  AddSalesTax(u"Combined", kSalesTaxGroupType, u"8", u"");
  CBstr rate;
  EXPECT_EQ(taxes.GetRateByName(u"Combined", rate), 1);
  EXPECT_EQ(Text(rate), "8");
}

TEST_F(PriceTaxTest, SalesTaxesIgnoreOtherItemsAndKeepLongLists) {
  AddSalesTax(u"Service tax", u"Service", u"3", u"");  // an item of another type
  for (int i = 0; i < 30; ++i) {
    std::u16string name = u"Tax " + platform::ToUtf16(std::to_string(i));
    AddSalesTax(name, i % 3 ? kSalesTaxItemType : kSalesTaxGroupType, platform::ToUtf16(std::to_string(i)), u"");
  }
  taxes.LoadSalesTaxes();
  EXPECT_EQ(taxes.GetCount(), 30u);
  CBstr rate;
  EXPECT_EQ(taxes.GetRateByName(u"Tax 29", rate), 1);
  EXPECT_EQ(Text(rate), "29");
  EXPECT_EQ(taxes.GetRateByName(u"Service tax", rate), 0);
  taxes.Clear();
  EXPECT_EQ(taxes.GetCount(), 0u);
  EXPECT_EQ(taxes.GetRateByName(u"Tax 21", rate), 1);  // loaded again when empty
}

TEST_F(PriceTaxTest, SalesTaxesWalkSurvivesAnInterleavedPriceLevelWalk) {
  AddSalesTax(u"A", kSalesTaxItemType, u"1", u"");
  AddSalesTax(u"B", kSalesTaxItemType, u"2", u"");
  AddSalesTax(u"C", kSalesTaxGroupType, u"3", u"");
  ASSERT_EQ(levels.AddPriceLevel(u"L1", u"", u"", u"", u"", u"1"), 1);
  ASSERT_EQ(levels.AddPriceLevel(u"L2", u"", u"", u"", u"", u"2"), 1);
  CBstr name, rate, vendor, id;
  CBstr level, levelId, created, modified, sequence, percent;
  int taxCount = 0, levelCount = 0;
  bool moreTaxes = taxes.GetFirstSalesTax(name, rate, vendor, id);
  bool moreLevels = levels.GetFirstRecord(level, levelId, created, modified, sequence, percent);
  while (moreTaxes || moreLevels) {
    if (moreTaxes) {
      ++taxCount;
      moreTaxes = taxes.GetNextSalesTax(name, rate, vendor, id);
    }
    if (moreLevels) {
      ++levelCount;
      moreLevels = levels.GetNextRecord(level, levelId, created, modified, sequence, percent);
    }
  }
  EXPECT_EQ(taxCount, 3);
  EXPECT_EQ(levelCount, 2);
}

}  // namespace
}  // namespace datastore_test

// CDbRecord, the generic list record, and the list ids it is given.
//
// Groups:
//   RecordMake*   the five ways a record starts out
//   RecordField*  texts by index, range checks, number/text pairs
//   RecordTotal*  the line total text and its tax mark
#include <regex>
#include <set>

#include "core/TextHelpers.h"
#include "datastore/DbRecord.h"
#include "platform/locale/Locale.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using RecordTest = platform::testing::DeviceTest;

std::u16string Text(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : u"<null>"; }

bool IsBracedGuid(BSTR text) {
  static const std::regex pattern("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$");
  return text && std::regex_match(platform::ToUtf8(Text(text)), pattern);
}

TEST_F(RecordTest, RecordMakeDefaultHasFreshIdAndDefaults) {
  CDbRecord record;
  EXPECT_TRUE(IsBracedGuid(record.GetField(kFieldListID))) << platform::ToUtf8(Text(record.GetField(0)));
  EXPECT_EQ(record.GetUseCount(), 1);
  EXPECT_EQ(Text(record.GetUseCountText()), u"1");
  EXPECT_EQ(record.GetIsOpen(), 0);
  EXPECT_EQ(Text(record.GetIsOpenText()), u"0");
  EXPECT_EQ(record.GetObjectType(), 0);
  EXPECT_EQ(record.GetObjectTypeText(), nullptr);
  EXPECT_EQ(record.GetObjectPositionText(), nullptr);
  struct {
    int index;
    const char16_t* text;
  } defaults[] = {{kFieldSalesAmount, u"0"}, {kFieldTaxable, u"Tax"}, {kFieldQuantity, u"1"}, {kFieldRate, u"0"},
                  {12, u"0"}, {kFieldPurchaseCost, u"0"}, {kFieldName, u""}, {kFieldCustomValue2, u""}};
  for (const auto& d : defaults) EXPECT_EQ(Text(record.GetField(d.index)), d.text) << d.index;
  for (int q = 0; q < kDbRecordQuantities; ++q) EXPECT_EQ(record.GetQuantity(static_cast<DbRecordQuantity>(q)), 0);
  EXPECT_EQ(record.GetChildCount(), 0);
  EXPECT_EQ(record.GetChildrenLoaded(), 0);
}

TEST_F(RecordTest, RecordMakeEveryNewRecordGetsItsOwnId) {
  std::set<std::u16string> ids;
  for (int i = 0; i < 200; ++i) ids.insert(Text(CDbRecord().GetField(kFieldListID)));
  EXPECT_EQ(ids.size(), 200u);
}

TEST_F(RecordTest, RecordMakeWithAGivenIdHasThatIdAndTheDefaults) {
  CDbRecord record(CBstr(u"80000002-1234"));
  EXPECT_EQ(Text(record.GetField(kFieldListID)), u"80000002-1234");
  // Read as views first, then handed out: the same default texts either way.
  EXPECT_EQ(record.FieldView(kFieldTaxable), u"Tax");
  EXPECT_EQ(record.FieldView(kFieldName), u"");
  EXPECT_EQ(Text(record.GetField(kFieldTaxable)), u"Tax");
  EXPECT_EQ(Text(record.GetField(kFieldName)), u"");
  EXPECT_EQ(Text(record.GetUseCountText()), u"1");
  record.SetObjectType(32);
  EXPECT_EQ(Text(record.GetObjectTypeText()), u"32");
  auto copy = CDbRecord::CDbRecordCopy(record, 3);
  EXPECT_EQ(Text(copy->GetField(kFieldListID)), u"80000002-1234");
  EXPECT_EQ(Text(copy->GetField(kFieldQuantity)), u"1");
}

TEST_F(RecordTest, RecordMakeOfTypeSetsTypeAndPositionWithTheirTexts) {
  auto record = CDbRecord::CDbRecordOfType(256, -1);
  EXPECT_EQ(record->GetObjectType(), 256);
  EXPECT_EQ(Text(record->GetObjectTypeText()), u"256");
  EXPECT_EQ(record->GetObjectPosition(), -1);
  EXPECT_EQ(Text(record->GetObjectPositionText()), u"-1");
  EXPECT_EQ(Text(record->GetField(kFieldTaxable)), u"Tax");
  EXPECT_TRUE(IsBracedGuid(record->GetField(kFieldListID)));
}

TEST_F(RecordTest, RecordMakeFromNamesSkipsTheDefaults) {
  auto named = CDbRecord::CDbRecordFromNames(u"80000001-1234", u"Net 30", u"Terms:Net 30");
  EXPECT_EQ(Text(named->GetField(kFieldListID)), u"80000001-1234");
  EXPECT_EQ(Text(named->GetField(kFieldName)), u"Net 30");
  EXPECT_EQ(Text(named->GetField(kFieldFullName)), u"Terms:Net 30");
  EXPECT_EQ(Text(named->GetField(kFieldTaxable)), u"");
  EXPECT_EQ(Text(named->GetField(kFieldQuantity)), u"");
  EXPECT_EQ(named->GetUseCount(), 1);
  EXPECT_EQ(Text(named->GetIsOpenText()), u"0");
  EXPECT_EQ(Text(named->GetObjectPositionText()), u"-1");
  EXPECT_EQ(named->GetObjectTypeText(), nullptr);
  for (LPCWSTR none : {static_cast<LPCWSTR>(nullptr), u""}) {
    auto fresh = CDbRecord::CDbRecordFromNames(none, u"A", u"A");
    EXPECT_TRUE(IsBracedGuid(fresh->GetField(kFieldListID)));
  }
}

TEST_F(RecordTest, RecordMakeCopyKeepsTextsAndIdButNotUseCountOrOpenState) {
  CDbRecord source;
  source.SetField(kFieldName, u"Hammer");
  source.SetField(kFieldVendor, u"Tool Co");
  source.SetField(kFieldCustomValue2, nullptr);
  source.SetUseCount(4);
  source.SetIsOpen(1);
  source.SetObjectType(16);
  source.SetObjectPosition(7);
  source.SetQuantity(kQuantityOnHand, 12);
  auto copy = CDbRecord::CDbRecordCopy(source, 7);
  EXPECT_EQ(Text(copy->GetField(kFieldListID)), Text(source.GetField(kFieldListID)));
  EXPECT_EQ(Text(copy->GetField(kFieldName)), u"Hammer");
  EXPECT_EQ(Text(copy->GetField(kFieldVendor)), u"Tool Co");
  EXPECT_EQ(Text(copy->GetField(kFieldCustomValue2)), u"");  // absent in the source: the default stays
  EXPECT_EQ(copy->GetUseCount(), 1);
  EXPECT_EQ(copy->GetIsOpen(), 0);
  EXPECT_EQ(copy->GetObjectType(), 16);
  EXPECT_EQ(copy->GetObjectPosition(), 7);
  EXPECT_EQ(copy->GetQuantity(kQuantityOnHand), 12);
  // The copy owns its texts.
  source.SetField(kFieldName, u"Changed");
  EXPECT_EQ(Text(copy->GetField(kFieldName)), u"Hammer");
}

TEST_F(RecordTest, RecordFieldIndexesOutsideTheRecordAreRefused) {
  CDbRecord record;
  EXPECT_NE(record.SetField(29, u"x"), 0);
  EXPECT_NE(record.SetField(-1, u"x"), 0);
  EXPECT_EQ(record.GetField(29), nullptr);
  EXPECT_EQ(record.GetField(-1), nullptr);
  EXPECT_EQ(record.SetField(28, u"Each"), 0);
  EXPECT_EQ(Text(record.GetField(28)), u"Each");
}

TEST_F(RecordTest, RecordFieldKeepsEmbeddedZerosAndNullMeansAbsent) {
  CDbRecord record;
  std::u16string withZero(u"a\0b", 3);
  EXPECT_EQ(record.SetField(kFieldName, withZero), 0);
  EXPECT_EQ(Text(record.GetField(kFieldName)), withZero);
  EXPECT_EQ(record.SetField(kFieldName, static_cast<LPCWSTR>(nullptr)), 0);
  EXPECT_EQ(record.GetField(kFieldName), nullptr);
  EXPECT_EQ(record.SetField(kFieldName, CBstr()), 0);
  EXPECT_EQ(record.GetField(kFieldName), nullptr);
}

TEST_F(RecordTest, RecordFieldIsOpenTextSetsTheNumber) {
  CDbRecord record;
  struct {
    LPCWSTR text;
    int number;
  } cases[] = {{u"1", 1}, {u"0", 0}, {u"", 0}, {u" 1", 1}, {nullptr, 0}};
  for (const auto& c : cases) {
    record.SetIsOpen(5);
    record.SetIsOpenText(c.text);
    EXPECT_EQ(record.GetIsOpen(), c.number);
    if (c.text) EXPECT_EQ(Text(record.GetIsOpenText()), c.text);
    else EXPECT_EQ(record.GetIsOpenText(), nullptr);
  }
}

TEST_F(RecordTest, RecordTotalQuantityTimesRateWithTaxMark) {
  LoadRegionalSettings();
  struct Case {
    const char16_t* quantity;
    const char16_t* rate;
    const char16_t* taxable;
    bool salesTax;
    const char16_t* total;
  } cases[] = {
      {u"2", u"1.5", u"Tax", true, u"3.00T"},
      {u"2", u"1.5", u"Tax", false, u"3.00"},
      {u"2", u"1.5", u"", true, u"3.00"},
      {u"2", u"1.5", u"Non", true, u"3.00T"},       // any three-character code
      {u"2", u"1.5", u"Taxable", true, u"3.00"},
      {u"3", u"0.125", u"", false, u"0.38"},  // two decimals forced
      {u"1", u"$1,234.50", u"", false, u"1,234.50"},
      {u"", u"9", u"", false, u"0.00"},
      {u"-1", u"(5)", u"", false, u"5.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(std::u16string(c.quantity) + u" x " + c.rate));
    CDbRecord line;
    line.SetField(kFieldQuantity, c.quantity);
    line.SetField(kFieldRate, c.rate);
    line.SetField(kFieldTaxable, c.taxable);
    EXPECT_EQ(line.GetLineTotalText(c.salesTax).str(), c.total);
  }
}

TEST_F(RecordTest, RecordTotalFollowsADecimalCommaLocale) {
  ASSERT_TRUE(platform::SetLocaleProfile(u"de-DE"));
  LoadRegionalSettings();
  CDbRecord line;
  line.SetField(kFieldQuantity, u"2");
  line.SetField(kFieldRate, u"1,5");
  EXPECT_EQ(line.GetLineTotalText(true).str(), u"3,00T");
  ASSERT_TRUE(platform::SetLocaleProfile(u"en-US"));
  LoadRegionalSettings();
}

}  // namespace

// CLineItemRow: the printed row of one line item.
//
// Groups:
//   LineItemRowColumns   slots 0-11, null slots, bounds, the column count
//   LineItemRowLayout    every style code and name mode; the custom layout's packing;
//                        where the key goes
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "datastore/LineItemRow.h"
#include "platform/base/Base.h"

namespace {

std::string Col(const CLineItemRow& row, int index) {
  BSTR text = row.GetColumn(index);
  return text ? platform::ToUtf8(text) : "<null>";
}

std::vector<std::string> Cols(const CLineItemRow& row) {
  std::vector<std::string> out;
  for (int i = 0; i < kLineRowColumns; ++i) out.push_back(Col(row, i));
  return out;
}

CLineRowTexts Line() {
  CLineRowTexts line;
  line.key = u"7";
  line.type = u"Service";
  line.name = u"Lawn";
  line.description = u"Mowing, front";
  line.quantity = u"2";
  line.price = u"15.00";
  line.total = u"30.00T";
  line.taxable = u"Tax";
  line.taxAmount = u"2.40";
  line.serviceDate = u"2026-03-10";
  line.customValue1 = u"red";
  line.customValue2 = u"large";
  return line;
}

const std::string N = "<null>";

TEST(LineItemRowColumns, SlotsHoldCopiesAndRejectIndexesOutsideTheRow) {
  CLineItemRow row;
  for (int i = 0; i < kLineRowColumns; ++i) EXPECT_EQ(row.GetColumn(i), nullptr) << i;
  std::u16string text = u"abc";
  EXPECT_TRUE(row.SetColumn(11, text));
  text[0] = u'X';
  EXPECT_EQ(Col(row, 11), "abc");
  EXPECT_TRUE(row.SetColumn(0, u""));
  EXPECT_NE(row.GetColumn(0), nullptr);  // an empty text is still a column
  EXPECT_FALSE(row.SetColumn(12, u"x"));
  EXPECT_FALSE(row.SetColumn(-1, u"x"));
  EXPECT_EQ(row.GetColumn(12), nullptr);
  EXPECT_EQ(row.GetColumn(-1), nullptr);
  EXPECT_EQ(row.GetColumn(1000), nullptr);
}

TEST(LineItemRowColumns, ColumnCountStopsAtTheFirstEmptySlot) {
  CLineItemRow row;
  EXPECT_EQ(row.GetColumnCount(), 0);
  row.SetColumn(0, u"a");
  row.SetColumn(1, u"b");
  row.SetColumn(3, u"d");
  EXPECT_EQ(row.GetColumnCount(), 2);
}

TEST(LineItemRowLayout, StandardStylesByNameMode) {
  const struct {
    int nameMode;
    CLineRowTexts line;
    std::string name;
  } cases[] = {
      {kLineNameDescriptionFirst, Line(), "Mowing, front"},
      {kLineNameOnly, Line(), "Lawn"},
      {kLineNameAndDescription, Line(), "Lawn - Mowing, front"},
  };
  for (int style : {0, 1, 2}) {
    for (const auto& c : cases) {
      auto row = CLineItemRow::LayOut(c.line, style, c.nameMode, {});
      EXPECT_EQ(Cols(*row), (std::vector<std::string>{c.name, "2", "15.00", "30.00T", N, "7", N, N, N, N,
                                                      N, N}))
          << "style " << style << " mode " << c.nameMode;
      EXPECT_EQ(row->GetColumnCount(), 4);
    }
  }
}

TEST(LineItemRowLayout, NameFallsBackWhenOneTextIsEmpty) {
  CLineRowTexts noDescription = Line();
  noDescription.description = u"";
  CLineRowTexts noName = Line();
  noName.name = u"";
  EXPECT_EQ(Col(*CLineItemRow::LayOut(noDescription, 0, kLineNameDescriptionFirst, {}), 0), "Lawn");
  EXPECT_EQ(Col(*CLineItemRow::LayOut(noName, 0, kLineNameAndDescription, {}), 0), "Mowing, front");
  EXPECT_EQ(Col(*CLineItemRow::LayOut(noDescription, 0, kLineNameAndDescription, {}), 0), "Lawn - ");
  EXPECT_EQ(Col(*CLineItemRow::LayOut(noName, 0, kLineNameOnly, {}), 0), "");
}

TEST(LineItemRowLayout, DescriptionAndTotalStyle) {
  auto row = CLineItemRow::LayOut(Line(), kLineStyleDescriptionTotal, kLineNameOnly, {});
  EXPECT_EQ(Cols(*row), (std::vector<std::string>{"Mowing, front", "30.00T", N, N, N, "7", N, N, N, N, N, N}));
}

TEST(LineItemRowLayout, CustomStylePacksTheShownColumnsInTheirOrder) {
  const struct {
    std::set<int> shown;
    std::vector<std::string> columns;  // 0-4
  } cases[] = {
      {{}, {N, N, N, N, N}},
      {{kShowTotalRow}, {"30.00T", N, N, N, N}},
      {{kShowTaxAmountRow, kShowNameRow}, {"Lawn", "2.40", N, N, N}},
      {{kShowCustom2Row, kShowCustom1Row, kShowPriceRow, kShowServiceDateRow},
       {"2026-03-10", "15.00", "red", "large", N}},
      {{kShowDescriptionRow, kShowQuantityRow, kShowTotalRow, kShowTaxableRow},
       {"Mowing, front", "2", "30.00T", "Tax", N}},
  };
  for (const auto& c : cases) {
    auto row = CLineItemRow::LayOut(Line(), kLineStyleCustom, kLineNameOnly,
                                    [&](int flagRow) { return c.shown.count(flagRow) > 0; });
    auto all = Cols(*row);
    std::vector<std::string> first(all.begin(), all.begin() + 5);
    EXPECT_EQ(first, c.columns) << c.shown.size() << " shown";
    EXPECT_EQ(Col(*row, 5), "7");
  }
}

TEST(LineItemRowLayout, CustomStyleWithEveryColumnKeepsTheSixthColumnAndTheKey) {
  auto row = CLineItemRow::LayOut(Line(), kLineStyleCustom, kLineNameOnly, [](int) { return true; });
  EXPECT_EQ(Cols(*row), (std::vector<std::string>{"2026-03-10", "Lawn", "Mowing, front", "2", "15.00", "red",
                                                  "large", "30.00T", "Tax", "2.40", N, N}));
  EXPECT_EQ(row->GetColumnCount(), 10);
  ASSERT_NE(row->GetKey(), nullptr);
  EXPECT_EQ(platform::ToUtf8(row->GetKey()), "7");
}

TEST(LineItemRowLayout, CustomStyleAsksOnlyTheTenFlagRows) {
  std::set<int> asked;
  CLineItemRow::LayOut(Line(), kLineStyleCustom, kLineNameOnly, [&](int flagRow) {
    asked.insert(flagRow);
    return false;
  });
  EXPECT_EQ(asked, (std::set<int>{52, 54, 56, 58, 60, 62, 64, 66, 80, 82}));
}

TEST(LineItemRowLayout, LabelLineInTheCustomStylePrintsItsNameOnly) {
  CLineRowTexts label = Line();
  label.type = kLabelLineType;
  label.name = u"Back yard";
  auto row = CLineItemRow::LayOut(label, kLineStyleCustom, kLineNameOnly, [](int) { return true; });
  EXPECT_EQ(Cols(*row), (std::vector<std::string>{"Back yard", N, N, N, N, "7", N, N, N, N, N, N}));
}

TEST(LineItemRowLayout, UnknownStyleCodesUseTheStandardLayout) {
  for (int style : {-1, 5, 99}) {
    auto row = CLineItemRow::LayOut(Line(), style, kLineNameOnly, {});
    EXPECT_EQ(Col(*row, 0), "Lawn") << style;
    EXPECT_EQ(Col(*row, 3), "30.00T") << style;
  }
}

TEST(LineItemRowLayout, LineWithoutKeyLeavesColumnFiveEmpty) {
  CLineRowTexts line = Line();
  line.key = u"";
  auto row = CLineItemRow::LayOut(line, 0, kLineNameOnly, {});
  EXPECT_EQ(row->GetColumn(kLineRowKeyColumn), nullptr);
  EXPECT_EQ(row->GetKey(), nullptr);
}

}  // namespace

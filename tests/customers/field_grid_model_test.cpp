// The Customize page rows: checks, toggles, the caption editing rules, Tab order, commit.
#include <gtest/gtest.h>

#include "customers/FieldGridModel.h"

namespace {

constexpr DWORD kApplies = FieldGridRow::kApplies;
constexpr DWORD kRequired = FieldGridRow::kRequired;

struct FieldGridRows : ::testing::Test {
  CFieldGridModel model;
  void SetUp() override {
    std::u16string title = u"Invoice";
    std::u16string po = u"P.O.";
    model.AddRow(0, 18, kApplies, u"Company:", nullptr, 1, 60, 1, 0);
    model.AddRow(1, 0, 0x8000 | kRequired | kApplies, u"Title:", &title, 1, 60, 0, 1);
    model.AddRow(2, 0, 0x8000 | kRequired, u"P.O. No.:", &po, 1, 60, 1, 1);
  }
};

TEST_F(FieldGridRows, RowsBeyondFifteenAreIgnoredAndChecksFollowTheApplyFlag) {
  std::u16string caption = u"x";
  EXPECT_FALSE(model.AddRow(15, 0, kApplies, u"Sixteenth:", &caption, 1, 60, 1, 1));
  EXPECT_EQ(model.RowCount(), 3);
  EXPECT_EQ(model.CheckImage(0, CFieldGridModel::kScreenColumn), CFieldGridModel::kChecked);
  EXPECT_EQ(model.CheckImage(0, CFieldGridModel::kPrinterColumn), CFieldGridModel::kUnchecked);
  EXPECT_EQ(model.CheckImage(2, CFieldGridModel::kScreenColumn), CFieldGridModel::kNotApplicable);
  // A tap on a row that does not apply still flips its stored byte.
  EXPECT_TRUE(model.Toggle(2, CFieldGridModel::kPrinterColumn));
  BYTE screen = 9, printer = 9;
  std::u16string text;
  ASSERT_TRUE(model.GetRow(2, screen, printer, text));
  EXPECT_EQ(printer, 0);
  EXPECT_TRUE(model.IsChanged());
  EXPECT_FALSE(model.GetRow(15, screen, printer, text));
}

TEST_F(FieldGridRows, CaptionEditsKeepOrReplaceAndRefuseTheAmpersand) {
  EXPECT_FALSE(model.TypeCharacter(1, u'&'));
  EXPECT_TRUE(model.TypeCharacter(1, u'A'));
  model.EndEdit(1, nullptr);  // cancelled
  EXPECT_EQ(model.CellText(1, CFieldGridModel::kCaptionColumn), u"Invoice");
  EXPECT_FALSE(model.IsChanged());
  std::u16string same = u"Invoice";
  model.EndEdit(1, &same);
  EXPECT_FALSE(model.IsChanged());
  std::u16string other = u"Bill";
  model.EndEdit(1, &other);
  EXPECT_TRUE(model.IsChanged());
  EXPECT_EQ(model.CellText(1, CFieldGridModel::kCaptionColumn), u"Bill");
}

TEST_F(FieldGridRows, TabWrapsToTheNextRowThatApplies) {
  EXPECT_EQ(model.NextEditableRow(1), 0);
  EXPECT_EQ(model.NextEditableRow(0), 1);
  CFieldGridModel none;
  EXPECT_EQ(none.NextEditableRow(0), -1);
}

TEST_F(FieldGridRows, CommitRefusesAnEmptiedRequiredCaptionOnlyOnAChangedPage) {
  std::u16string empty;
  EXPECT_EQ(model.RefusingRow(), -1);
  model.EndEdit(1, &empty);
  EXPECT_EQ(model.RefusingRow(), 1);
  // Every caption empty: the page may be committed.
  model.EndEdit(2, &empty);
  EXPECT_EQ(model.RefusingRow(), -1);
}

}  // namespace

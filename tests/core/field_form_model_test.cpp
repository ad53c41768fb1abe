// The data-entry form's rules without its windows.
#include <string>
#include <vector>

#include "core/FieldFormModel.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using FieldForm = platform::testing::DeviceTest;

std::u16string Text(const CFieldFormModel& form, int index, bool lineBreaks = true) {
  CBstr out;
  EXPECT_EQ(form.GetFieldText(index, out, lineBreaks ? FieldRows::JoinedOnLines : FieldRows::Joined), 1);
  return out.str();
}

TEST_F(FieldForm, FieldsBeyondTheFifteenthSlotAreIgnored) {
  CFieldFormModel form;
  EXPECT_EQ(form.AddField(15, kFieldText, 0, CBstr(u"Late"), CBstr(u"x"), 1, 10, nullptr), 1);
  EXPECT_EQ(form.FieldCount(), 0);
  CBstr out(u"kept");
  EXPECT_EQ(form.GetFieldText(15, out), 0);
  EXPECT_EQ(out.view(), u"kept");
  form.AddField(0, kFieldMonth, 0, CBstr(u"Month"), CBstr(), 1, 10, nullptr);
  form.AddField(1, kFieldYear, 0, CBstr(u"Year"), CBstr(), 1, 10, nullptr);
  EXPECT_EQ(form.EntriesOf(0).size(), 12u);
  EXPECT_EQ(form.EntriesOf(0)[11], u"12 - Dec");
  EXPECT_EQ(form.EntriesOf(1).front(), u"2026");  // the test clock's year
  EXPECT_EQ(form.EntriesOf(1).back(), u"2036");
  EXPECT_FALSE(CFieldFormModel::HasArrow(kFieldMonth));
  EXPECT_TRUE(CFieldFormModel::HasArrow(kFieldYesNo));
  form.RemoveAllFields();
  EXPECT_EQ(form.FieldCount(), 0);
  EXPECT_EQ(form.Field(0), nullptr);
}

TEST_F(FieldForm, EndCodesAndTheRequiredField) {
  CFieldFormModel one;
  one.AddField(0, kFieldText, kFlagEditable, CBstr(u"Name"), CBstr(u"Ada"), 1, 10, nullptr);
  int required = 0;
  EXPECT_EQ(one.EndCheck(required), CFieldFormModel::kEndUnchanged);
  one.CommitText(0, nullptr);  // cancelled: no change
  EXPECT_EQ(one.EndCheck(required), CFieldFormModel::kEndUnchanged);
  CBstr empty(u"");
  one.CommitText(0, &empty);
  EXPECT_EQ(one.EndCheck(required), CFieldFormModel::kEndAccepted);

  CFieldFormModel two;
  two.AddField(0, kFieldText, kFlagEditable | kFlagRequired | kFlagHidden, CBstr(u"Hidden"), CBstr(), 1, 9, nullptr);
  two.AddField(1, kFieldText, kFlagEditable, CBstr(u"Memo"), CBstr(), 1, 9, nullptr);
  two.AddField(2, kFieldText, kFlagEditable | kFlagRequired, CBstr(u"Name:"), CBstr(), 1, 9, nullptr);
  two.changed = true;
  EXPECT_EQ(two.EndCheck(required), CFieldFormModel::kEndCancelled);  // every value empty
  CBstr memo(u"note");
  two.CommitText(1, &memo);
  EXPECT_EQ(two.EndCheck(required), -1);
  EXPECT_EQ(required, 2);  // the hidden required field does not count
  CBstr name(u"Bo");
  two.CommitText(2, &name);
  EXPECT_EQ(two.EndCheck(required), CFieldFormModel::kEndAccepted);
}

// A number typed with blanks around it is stored without them; other texts keep what was typed.
TEST_F(FieldForm, TypedNumbersAreStoredWithoutSurroundingBlanks) {
  CFieldFormModel form;
  const struct { int flags; const char16_t *typed, *stored; } cases[] = {
      {kFlagRequired | kFlagNumberText, u"200 ", u"200"}, {kFlagNumericKeys, u"\t 12 ", u"12"},
      {kFlagNumber, u" 3.5", u"3.5"}, {0, u"Ada ", u"Ada "}};
  for (int i = 0; i < 4; ++i) {
    form.AddField(i, kFieldText, kFlagEditable | cases[i].flags, CBstr(u"F:"), CBstr(), 1, 40, nullptr);
    const CBstr typed(cases[i].typed);
    form.CommitText(i, &typed);
    EXPECT_EQ(form.Field(i)->value.str(), cases[i].stored) << i;
  }
  const CBstr blanks(u"  ");  // no number: the required field is empty
  form.CommitText(0, &blanks);
  int required = -1;
  EXPECT_EQ(form.EndCheck(required), -1);
  EXPECT_EQ(required, 0);
}

class MultiLine : public FieldForm {
 protected:
  void SetUp() override {
    FieldForm::SetUp();
    form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Name"), CBstr(), 1, 10, nullptr);
    form.AddField(1, kFieldMultiLine, kFlagEditable, CBstr(u"Address"), CBstr(), 4, 80, nullptr);
    for (int row = 2; row <= 4; ++row) form.AddField(row, kFieldMultiLineRow, 0, CBstr(), CBstr(), 1, 80, nullptr);
  }
  CFieldFormModel form;
};

TEST_F(MultiLine, LinesGoOnePerRowAndJoinWithoutLoss) {
  CBstr typed(u"1 Main St\r\n\r\nSpringfield");
  form.CommitText(1, &typed, {u"1 Main St", u"", u"Springfield"});
  EXPECT_EQ(form.Field(3)->value.view(), u"Springfield");
  EXPECT_TRUE(form.Field(4)->value.IsEmpty());  // a row without a line is emptied
  EXPECT_EQ(Text(form, 1), typed.view());
  EXPECT_EQ(form.EditorText(1), typed.view());

  CBstr longer(u"a\nb\nc\nd\ne");
  form.CommitText(1, &longer, {u"a", u"b", u"c", u"d", u"e"});
  EXPECT_EQ(form.Field(4)->value.view(), u"d\r\ne");  // beyond the last row: kept on it
  EXPECT_EQ(Text(form, 1), u"a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(Text(form, 1, false), u"abcd\r\ne");

  // Where the editor wrapped a line, the rows join back without a break nobody typed.
  CBstr wrapped(u"12 Long Road \r\nSpringfield");
  form.CommitText(1, &wrapped, {u"12 Long ", u"Road ", u"Springfield"}, {true, false, false});
  EXPECT_EQ(Text(form, 1), u"12 Long Road \r\nSpringfield");
  CBstr beyond(u"a b c d e");
  form.CommitText(1, &beyond, {u"a ", u"b ", u"c ", u"d ", u"e"}, {true, true, true, true, false});
  EXPECT_EQ(form.Field(4)->value.view(), u"d e");
  EXPECT_EQ(Text(form, 1), u"a b c d e");
}

TEST_F(MultiLine, MovingSkipsRowsThatCannotBeEditedAndWraps) {
  EXPECT_EQ(form.NextField(1, 4, true), 0);  // past the last row back to the first
  EXPECT_EQ(form.NextField(0, 1, false), 1);  // before the first to the last editable
  form.Field(1)->flags |= kFlagHidden;
  EXPECT_EQ(form.NextField(0, 1, true), 0);
  form.Field(0)->flags &= ~kFlagEditable;
  EXPECT_EQ(form.NextField(0, 1, true), -1);
}

TEST_F(FieldForm, TypedTextsJoinTheChoiceListWhileThereIsRoom) {
  FieldChoiceList list;
  list.AddNew(CBstr(u"Main"), CBstr(u"1 Main St"));
  CFieldFormModel form;
  form.AddField(0, kFieldChoiceText, kFlagEditable, CBstr(u"Ship to"), CBstr(), 2, 80, &list);
  form.AddField(1, kFieldChoiceTextRow, 0, CBstr(), CBstr(), 1, 80, &list);
  const std::u16string longText = u"Warehouse 12, Industrial Park Road East";
  form.RememberTypedText(0, CBstr(longText));
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.first[1].view(), u"Warehouse 12, Industrial Par...");
  EXPECT_EQ(list.second[1].view(), longText);
  EXPECT_EQ(list.isNew[1], 1);
  form.Field(0)->changed = true;
  form.RememberTypedText(0, CBstr(u"1 Main St"));  // known: no entry, no change
  EXPECT_EQ(list.count, 2);
  EXPECT_FALSE(form.Field(0)->changed);
  form.ApplyChoice(0, 0);
  EXPECT_EQ(form.Field(0)->value.view(), u"1 Main St");

  CFieldFormModel typed;
  typed.AddField(0, kFieldTextWithChoices, kFlagEditable | kFlagLinkedPair, CBstr(u"Rep"), CBstr(), 1, 40, &list);
  typed.AddField(1, kFieldText, kFlagEditable, CBstr(u"Initials"), CBstr(u"JD"), 1, 4, nullptr);
  typed.Field(0)->changed = true;
  while (list.count < FieldChoiceList::kCapacity) typed.RememberTypedText(0, CBstr(u"Rep " + std::u16string(1, char16_t(u'A' + list.count))));
  EXPECT_EQ(list.second[63].view(), u"JD");
  typed.RememberTypedText(0, CBstr(u"One too many"));
  EXPECT_EQ(list.count, 64);
  EXPECT_EQ(list.FindFirst(u"One too many"), -1);
}

TEST_F(FieldForm, ItemTypesShowTheirRowsAndASmallFormIsLeftAlone) {
  CFieldFormModel form;
  for (int i = 0; i < 7; ++i) form.AddField(i, i ? kFieldText : kFieldItemType, kFlagEditable, CBstr(), CBstr(), 1, 9, nullptr);
  form.ApplyChoice(0, 5);  // "Sales Tax Item"
  EXPECT_TRUE(form.Field(6)->flags & kFlagHidden);
  EXPECT_TRUE(form.Field(5)->flags & kFlagMoney);
  form.ApplyItemType(u"Service");
  EXPECT_FALSE(form.Field(6)->flags & kFlagHidden);
  EXPECT_FALSE(form.Field(5)->flags & kFlagMoney);
  EXPECT_EQ(form.DisplayText(6), u"");
  form.ApplyItemType(u"Subtotal");
  EXPECT_EQ(form.DisplayText(5), u"");  // hidden rows show nothing

  CFieldFormModel secret;
  secret.AddField(0, kFieldText, kFlagMasked, CBstr(u"Password"), CBstr(u"ab"), 1, 41, nullptr);
  secret.AddField(1, kFieldText, kFlagMasked, CBstr(u"Again"), CBstr(), 1, 41, nullptr);
  EXPECT_EQ(secret.DisplayText(0), u"********");
  EXPECT_EQ(secret.DisplayText(1), u"");
}

}  // namespace

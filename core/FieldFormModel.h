// The rules of the shared data-entry form, apart from its windows: the field records and
// their kinds, what a row shows, how an edited text is stored back over a field's rows,
// choice lists that grow with typed texts, which rows an item type shows, moving between
// fields and how the form may end. The dialog calls these; tests use them directly.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextHelpers.h"
#include "platform/base/Bstr.h"
#include "platform/platform.h"

// A field's choice list, made and kept by the form's owner; the form reads it and adds
// the texts the user types. First texts are shown, second texts go with them (an id, an
// address). Owners use the third and fourth texts for their own purposes.
struct FieldChoiceList {
  static constexpr int kCapacity = 64;
  int count = 0;
  std::array<CBstr, kCapacity> first;
  std::array<CBstr, kCapacity> second;
  std::array<CBstr, kCapacity> third;
  std::array<CBstr, kCapacity> fourth;
  std::array<BYTE, kCapacity> isNew{};

  // Appends an entry marked new; false when the list is full.
  bool AddNew(CBstr firstText, CBstr secondText);
  int FindFirst(std::u16string_view text) const;
  int FindSecond(std::u16string_view text) const;
};

// Field kinds.
enum FieldKind : int {
  kFieldText = 0,
  kFieldMultiLine = 1,
  kFieldMultiLineRow = 2,
  kFieldItemType = 3,
  kFieldYesNo = 4,
  kFieldUnit = 5,
  kFieldBusinessType = 6,
  kFieldCustomerType = 7,
  kFieldJobStatus = 8,
  kFieldSubtotalOnly = 9,
  kFieldChoice = 10,
  kFieldChoiceToo = 11,
  kFieldDate = 12,
  kFieldChoiceText = 14,
  kFieldChoiceTextRow = 15,
  kFieldTextWithChoices = 16,
  kFieldAddressKind = 17,
  kFieldNameOrder = 19,
  kFieldCustomerSource = 20,
  kFieldEmptyList = 22,
  kFieldMonth = 23,
  kFieldYear = 24,
};

// Field flag bits.
enum FieldFlag : DWORD {
  kFlagNumber = 0x1,
  kFlagMoney = 0x2,
  kFlagPercent = 0x4,
  kFlagNumericKeys = 0x8,
  kFlagRequired = 0x10,
  kFlagHidden = 0x20,
  kFlagEditable = 0x40,
  kFlagLinkedPair = 0x80,
  // A number kept as text (a document number that may carry letters): what is typed keeps
  // no surrounding blanks, as with the number fields (0x1, 0x8).
  kFlagNumberText = 0x100,
  kFlagMultiLineChoice = 0x200,
  // A storage location: choosing one fills the next field with its folders (either bit).
  kFlagStorageLocation = 0x400 | 0x20000,
  kFlagWide = 0x800,
  kFlagNoEnter = 0x1000,
  kFlagColonAllowed = 0x4000,
  kFlagNoAmpersand = 0x8000,
  kFlagDateRange = 0x10000,
  kFlagFreeText = 0x40000,
  kFlagMasked = 0x80000,
};

struct FormField {
  bool changed = false;
  int kind = kFieldText;
  int lines = 0;
  int maxLength = 0;
  DWORD flags = 0;
  CBstr label;
  CBstr value;
  CBstr startValue;  // the value the field was added with
  // The row's text runs on into the next row: the editor wrapped it there, the user typed
  // no line break, so none is put back when the rows are joined.
  bool wrapped = false;
  FieldChoiceList* choices = nullptr;  // the owner's
  RECT arrow{};
};

// Which rows of a field GetFieldText reads.
enum class FieldRows {
  Own,            // the field's own row only
  Joined,         // with its continuation rows, run together
  JoinedOnLines,  // with its continuation rows, each starting a line of its own
};

class CFieldFormModel {
 public:
  static constexpr int kMaxFields = 15;

  // End codes of the form.
  enum EndCode : int { kEndCancelled = 0, kEndAccepted = 1, kEndUnchanged = 2, kEndHardwareKey = 3 };

  // Creates the record in slot `index` (fields go in order from 0); an index of 15 or
  // more is ignored. Always 1.
  int AddField(int index, int kind, DWORD flags, const CBstr& label, const CBstr& value, int lines, int maxLength,
               FieldChoiceList* choices);
  void RemoveAllFields();
  int FieldCount() const { return m_count; }
  FormField* Field(int index) const;

  // The value; with Joined the non-empty values of the following continuation rows are
  // added, with JoinedOnLines each after CR LF too (unless the row above wrapped into it),
  // and one CR LF stands for any run of empty rows before a non-empty one. 0 for an index
  // of 15 or more.
  int GetFieldText(int index, CBstr& out, FieldRows rows = FieldRows::Own) const;

  // What the value column shows: nothing for a hidden row, eight asterisks for a masked
  // value, the number display (which is also stored back) for number fields.
  std::u16string DisplayText(int index);

  // The entries a field's drop-down offers; empty for kinds without one.
  std::vector<std::u16string> EntriesOf(int index) const;
  static bool HasArrow(int kind);
  static bool HasEditor(int kind);
  static bool IsContinuation(int kind) { return kind == kFieldMultiLineRow || kind == kFieldChoiceTextRow; }

  // The text an editor over this field starts with: a multi-line text joined from its
  // rows (CR LF between them for plain multi-line texts), else the value.
  std::u16string EditorText(int index) const;

  // Stores an editor's text back. A null text (cancelled) or the same text keeps the
  // value; anything else marks the form changed. A number typed into a single-line field
  // is stored without the blanks around it (TypedText). Multi-line texts go one line per row
  // (`lines` as the editor wrapped them; `wrapped[i]` when line i was wrapped by the editor
  // rather than ended by the user): rows without a line are emptied, lines beyond the last
  // row are added to the last row that got text.
  void CommitText(int index, const CBstr* text, const std::vector<std::u16string>& lines = {},
                  const std::vector<bool>& wrapped = {});
  // Stores a typed choice text over the head and continuation rows, cut to the width.
  void CommitSplitText(int index, const CBstr* text, const TextMeasure& measure, float width);

  // The text as a field keeps it when typed: a single-line field holding a number (flags
  // 0x1, 0x8, 0x100) drops the blanks around it; other fields keep it as it is.
  CBstr TypedText(int index, const CBstr& text) const;

  // A text typed into a kind-14 or kind-16 field joins its choice list as a new entry
  // (while there is room); for kind 14 a known text clears the field's changed mark.
  void RememberTypedText(int index, const CBstr& text);
  // Applies the choice of entry `entry` in a drop-down of field `index` to the fields
  // after it; the value itself is written when the editor is committed. True when the
  // next field should be edited now (it got a location's folders, or a linked value).
  bool ApplyChoice(int index, int entry);
  // The rows an item type shows (fields 5 to 8); nothing for smaller forms.
  void ApplyItemType(std::u16string_view type);

  // The editable visible field `step` rows away from `from` (wrapping), or -1.
  int NextField(int from, int step, bool forward) const;

  // The first required visible field whose value is empty, or -1.
  int MissingRequiredField() const;
  // The first shown number field whose text is a number too large to use (ParseNumberText
  // would read it as 0); -1 when none.
  int NumberTooLargeField() const;
  // How ending would finish now: kEndUnchanged, kEndCancelled, kEndAccepted; -1 when a
  // required field is empty (its index in `required`).
  int EndCheck(int& required) const;

  bool changed = false;
  bool ownerChanged = false;
  bool initialising = false;
  CBstr lastTyped;

 private:
  int LastRowOf(int head) const;

  std::array<std::unique_ptr<FormField>, kMaxFields> m_fields;
  int m_count = 0;
};

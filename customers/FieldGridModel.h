// The rows of one Customize page: for each labelled place of a document, whether it shows
// on the screen and on the printer and the caption it carries, with the rules for editing
// them in place. CFieldGridPage draws these rows and feeds the user's taps and keys here.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FieldGridRow {
  // How the caption is edited.
  static constexpr int kTextBox = 0;
  static constexpr int kTextOrList = 16;
  static constexpr int kListOnly = 11;
  static constexpr int kNoCaption = 18;
  // Row flags.
  static constexpr DWORD kRequired = 0x10;
  static constexpr DWORD kHidden = 0x20;
  static constexpr DWORD kApplies = 0x40;
  static constexpr DWORD kNoAmpersand = 0x8000;

  bool changed = false;
  int kind = kTextBox;
  int lines = 1;
  int maxLength = 60;  // characters including the terminator
  DWORD flags = 0;
  std::u16string label;
  std::optional<std::u16string> caption;
  BYTE onScreen = 0;
  BYTE onPrinter = 0;
  std::vector<std::u16string> choices;

  bool IsListKind() const { return kind == 4 || kind == kListOnly || kind == 14 || kind == kTextOrList; }
  bool IsEditable() const { return (flags & kHidden) == 0 && (flags & kApplies) != 0; }
};

class CFieldGridModel {
 public:
  static constexpr int kMaxRows = 15;
  // List columns: label, spacer, the two check columns and the caption.
  static constexpr int kLabelColumn = 1;
  static constexpr int kScreenColumn = 3;
  static constexpr int kPrinterColumn = 4;
  static constexpr int kCaptionColumn = 5;
  // Check images.
  static constexpr int kUnchecked = 0;
  static constexpr int kChecked = 1;
  static constexpr int kNotApplicable = 2;

  // An index of kMaxRows or more is ignored (false).
  bool AddRow(int index, int kind, DWORD flags, std::u16string_view label, const std::u16string* caption, int lines,
              int maxLength, BYTE onScreen, BYTE onPrinter, std::vector<std::u16string> choices = {});
  // The two bytes and the caption (empty when the row has none); false for an index out of range.
  bool GetRow(int index, BYTE& onScreen, BYTE& onPrinter, std::u16string& caption) const;
  int RowCount() const { return m_count; }
  // Null for an index without a row.
  const FieldGridRow* Row(int index) const;

  // The text of a cell: the label or the caption, empty on hidden rows and other columns.
  std::u16string CellText(int index, int column) const;
  int CheckImage(int index, int column) const;
  // A tap on a check column flips the stored byte and marks the page changed (also on a row
  // that does not apply, whose image stays the not-applicable one). False for other columns.
  bool Toggle(int index, int column);
  // Whether a typed character may go into the row's caption; false means beep and drop it.
  // A character taken marks the row changed.
  bool TypeCharacter(int index, char16_t ch);
  // The end of a caption edit: the text, or nothing when the edit was cancelled. A text
  // differing from the caption marks the page changed; the caption becomes the text.
  void EndEdit(int index, const std::u16string* text);
  // The row Tab moves to from `index`: the next editable row, wrapping once; -1 for none.
  int NextEditableRow(int index) const;
  // -1 when the page may be committed; else the row whose required caption is empty.
  int RefusingRow() const;

  bool IsChanged() const { return m_changed; }
  void MarkChanged() { m_changed = true; }

 private:
  FieldGridRow* MutableRow(int index);

  std::array<std::unique_ptr<FieldGridRow>, kMaxRows> m_rows;
  int m_count = 0;
  bool m_changed = false;
};

#include "customers/FieldGridModel.h"

bool CFieldGridModel::AddRow(int index, int kind, DWORD flags, std::u16string_view label, const std::u16string* caption,
                             int lines, int maxLength, BYTE onScreen, BYTE onPrinter,
                             std::vector<std::u16string> choices) {
  if (index < 0 || index >= kMaxRows) return false;
  auto row = std::make_unique<FieldGridRow>();
  row->kind = kind;
  row->flags = flags;
  row->label = label;
  if (caption) row->caption = *caption;
  row->lines = lines;
  row->maxLength = maxLength;
  row->onScreen = onScreen;
  row->onPrinter = onPrinter;
  row->choices = std::move(choices);
  if (!m_rows[index]) ++m_count;
  m_rows[index] = std::move(row);
  return true;
}

const FieldGridRow* CFieldGridModel::Row(int index) const {
  if (index < 0 || index >= kMaxRows) return nullptr;
  return m_rows[index].get();
}

FieldGridRow* CFieldGridModel::MutableRow(int index) { return const_cast<FieldGridRow*>(Row(index)); }

bool CFieldGridModel::GetRow(int index, BYTE& onScreen, BYTE& onPrinter, std::u16string& caption) const {
  const FieldGridRow* row = Row(index);
  if (!row) return false;
  onScreen = row->onScreen;
  onPrinter = row->onPrinter;
  caption = row->caption.value_or(u"");
  return true;
}

std::u16string CFieldGridModel::CellText(int index, int column) const {
  const FieldGridRow* row = Row(index);
  if (!row || (row->flags & FieldGridRow::kHidden)) return {};
  if (column == kLabelColumn) return row->label;
  if (column == kCaptionColumn) return row->caption.value_or(u"");
  return {};
}

int CFieldGridModel::CheckImage(int index, int column) const {
  const FieldGridRow* row = Row(index);
  if (!row || !(row->flags & FieldGridRow::kApplies)) return kNotApplicable;
  BYTE value = column == kScreenColumn ? row->onScreen : row->onPrinter;
  return value ? kChecked : kUnchecked;
}

bool CFieldGridModel::Toggle(int index, int column) {
  FieldGridRow* row = MutableRow(index);
  if (!row || (column != kScreenColumn && column != kPrinterColumn)) return false;
  BYTE& value = column == kScreenColumn ? row->onScreen : row->onPrinter;
  value = value ? 0 : 1;
  m_changed = true;
  return true;
}

bool CFieldGridModel::TypeCharacter(int index, char16_t ch) {
  FieldGridRow* row = MutableRow(index);
  if (!row) return false;
  if (ch == u'&' && (row->flags & FieldGridRow::kNoAmpersand)) return false;
  row->changed = true;
  return true;
}

void CFieldGridModel::EndEdit(int index, const std::u16string* text) {
  FieldGridRow* row = MutableRow(index);
  if (!row || !text) return;
  if (row->caption.value_or(u"") != *text) m_changed = true;
  row->caption = *text;
}

int CFieldGridModel::NextEditableRow(int index) const {
  if (m_count == 0) return -1;
  for (int step = 1; step <= m_count; ++step) {
    int candidate = (index + step) % m_count;
    const FieldGridRow* row = Row(candidate);
    if (row && row->IsEditable()) return candidate;
  }
  return -1;
}

int CFieldGridModel::RefusingRow() const {
  if (!m_changed) return -1;
  bool anyCaption = false;
  for (int i = 0; i < m_count; ++i) {
    const FieldGridRow* row = Row(i);
    if (row && row->caption && !row->caption->empty()) anyCaption = true;
  }
  if (!anyCaption) return -1;
  for (int i = 0; i < m_count; ++i) {
    const FieldGridRow* row = Row(i);
    if (!row || (row->flags & FieldGridRow::kHidden) || !(row->flags & FieldGridRow::kRequired)) continue;
    if (!row->caption || row->caption->empty()) return i;
  }
  return -1;
}

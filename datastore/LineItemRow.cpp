#include "datastore/LineItemRow.h"

#include <string>

namespace {

bool ValidColumn(int index) { return index >= 0 && index < kLineRowColumns; }

std::u16string NameColumn(const CLineRowTexts& line, int nameMode) {
  switch (nameMode) {
    case kLineNameAndDescription:
      if (line.name.empty()) return std::u16string(line.description);
      return std::u16string(line.name) + u" - " + std::u16string(line.description);
    case kLineNameDescriptionFirst:
      return std::u16string(line.description.empty() ? line.name : line.description);
    default:
      return std::u16string(line.name);
  }
}

void LayOutStandard(CLineItemRow& row, const CLineRowTexts& line, int nameMode) {
  row.SetColumn(0, NameColumn(line, nameMode));
  row.SetColumn(1, line.quantity);
  row.SetColumn(2, line.price);
  row.SetColumn(3, line.total);
}

void LayOutCustom(CLineItemRow& row, const CLineRowTexts& line,
                  const std::function<bool(int)>& isShown) {
  if (line.type == kLabelLineType) {
    row.SetColumn(0, line.name);
    return;
  }
  if (!isShown) return;
  const struct {
    int flagRow;
    std::u16string_view text;
  } columns[] = {
      {kShowServiceDateRow, line.serviceDate}, {kShowNameRow, line.name},
      {kShowDescriptionRow, line.description}, {kShowQuantityRow, line.quantity},
      {kShowPriceRow, line.price},             {kShowCustom1Row, line.customValue1},
      {kShowCustom2Row, line.customValue2},    {kShowTotalRow, line.total},
      {kShowTaxableRow, line.taxable},         {kShowTaxAmountRow, line.taxAmount},
  };
  int next = 0;
  for (const auto& column : columns) {
    if (isShown(column.flagRow)) row.SetColumn(next++, column.text);
  }
}

}  // namespace

bool CLineItemRow::SetColumn(int index, std::u16string_view text) {
  if (!ValidColumn(index)) return false;
  m_column[index] = CBstr(text);
  return true;
}

BSTR CLineItemRow::GetColumn(int index) const {
  return ValidColumn(index) ? m_column[index].get() : nullptr;
}

int CLineItemRow::GetColumnCount() const {
  int count = 0;
  while (count < kLineRowColumns && !m_column[count].IsNull()) ++count;
  return count;
}

void CLineItemRow::SetKey(std::u16string_view key) {
  if (key.empty()) return;
  m_key = CBstr(key);
  // Column 5 is the key's only when the layout did not reach it.
  if (m_column[kLineRowKeyColumn].IsNull() || GetColumnCount() <= kLineRowKeyColumn)
    m_column[kLineRowKeyColumn] = m_key;
}

std::unique_ptr<CLineItemRow> CLineItemRow::LayOut(const CLineRowTexts& line, int styleCode,
                                                   int nameMode,
                                                   const std::function<bool(int)>& isShown) {
  auto row = std::make_unique<CLineItemRow>();
  if (styleCode == kLineStyleCustom) {
    LayOutCustom(*row, line, isShown);
  } else if (styleCode == kLineStyleDescriptionTotal) {
    row->SetColumn(0, line.description);
    row->SetColumn(1, line.total);
  } else {
    LayOutStandard(*row, line, nameMode);
  }
  row->SetKey(line.key);
  return row;
}

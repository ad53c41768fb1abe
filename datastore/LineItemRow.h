// One printed line item: the column texts a sales document lays out for the printer and
// for its own walks over the lines (the zero-quantity sweep), plus the line's key.
//
// Columns 0-11; a column nobody filled is null, so a reader can tell where the layout
// ends. The line key lives in a member of its own and is also placed in column 5 when no
// laid-out column occupies it: a custom layout may show six or more columns, and its
// sixth column must reach the printer instead of being overwritten by the key. Code that
// wants the key reads GetKey().
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

inline constexpr int kLineRowColumns = 12;
inline constexpr int kLineRowKeyColumn = 5;

// How the name column of the standard layouts is made (the "print items using" choice).
enum LineRowNameMode {
  kLineNameDescriptionFirst = 0,  // DESCRIPTION, or NAME when the description is empty
  kLineNameOnly = 1,              // NAME
  kLineNameAndDescription = 2     // NAME - DESCRIPTION, or DESCRIPTION when NAME is empty
};

// Custom-settings flag rows (of the document's type) that switch the columns of the
// custom layout on, in the order the columns are packed from column 0.
enum LineRowFlagRow {
  kShowServiceDateRow = 52,
  kShowNameRow = 54,
  kShowDescriptionRow = 56,
  kShowQuantityRow = 58,
  kShowPriceRow = 60,
  kShowCustom1Row = 80,
  kShowCustom2Row = 82,
  kShowTotalRow = 62,
  kShowTaxableRow = 64,
  kShowTaxAmountRow = 66
};

// Layout style codes of a document's line table.
inline constexpr int kLineStyleDescriptionTotal = 3;
inline constexpr int kLineStyleCustom = 4;

// The type of a label line, which prints its name only.
inline constexpr char16_t kLabelLineType[] = u"QVNLABEL";

// The line texts the layouts read (absent children are empty texts).
struct CLineRowTexts {
  std::u16string_view key;          // ID
  std::u16string_view type;         // TYPE
  std::u16string_view name;         // NAME
  std::u16string_view description;  // DESCRIPTION
  std::u16string_view quantity;     // QUANTITY
  std::u16string_view price;        // PRICE
  std::u16string_view total;        // TOTAL
  std::u16string_view taxable;      // TAXABLE
  std::u16string_view taxAmount;    // TAX_AMOUNT
  std::u16string_view serviceDate;  // SERVICED
  std::u16string_view customValue1; // CUSTOM_1_VALUE
  std::u16string_view customValue2; // CUSTOM_2_VALUE
};

class CLineItemRow {
 public:
  CLineItemRow() = default;
  CLineItemRow(const CLineItemRow&) = delete;
  CLineItemRow& operator=(const CLineItemRow&) = delete;

  // Replaces column `index` (0-11) by a copy of `text`; false for any other index (nothing
  // changes). A text that cannot be copied raises E_OUTOFMEMORY.
  bool SetColumn(int index, std::u16string_view text);
  // The column's text itself (not a copy); null for an empty slot or an index outside 0-11.
  BSTR GetColumn(int index) const;
  // The number of leading columns that hold a text (where a printer's row ends).
  int GetColumnCount() const;

  // The line's key; null when the line has none.
  BSTR GetKey() const { return m_key.get(); }
  // Sets the key and places it in column 5 when that column is free. An empty key is no
  // key: nothing changes.
  void SetKey(std::u16string_view key);

  // Lays out one line by the document's style code:
  //   0-2 (and any code other than 3 and 4): 0 name (by `nameMode`), 1 QUANTITY, 2 PRICE,
  //       3 TOTAL;
  //   3: 0 DESCRIPTION, 1 TOTAL;
  //   4: a label line gives 0 NAME; any other line the columns whose flag row `isShown`
  //       answers true for, packed from column 0 in the order of LineRowFlagRow.
  // Then the key as SetKey does. `isShown` may be empty for styles other than 4 (a custom
  // layout without it shows nothing but the key).
  static std::unique_ptr<CLineItemRow> LayOut(const CLineRowTexts& line, int styleCode,
                                              int nameMode,
                                              const std::function<bool(int flagRow)>& isShown);

 private:
  CBstr m_column[kLineRowColumns];
  CBstr m_key;
};

// How a line item's figures read and a quantity shows: the one reading the document's
// totals use, for everything else that counts lines (the reports) to count as they do.
#pragma once

#include <string_view>

#include "core/Decimal.h"
#include "platform/base/Bstr.h"

// The figure a line's QUANTITY, PRICE or COST text names, as the totals read it: in the
// device's number format (its decimal and thousand separators), a bracketed or minus-signed
// figure negative, the exact decimal the text holds ("2.5" is 2.5, "(1)" is -1); 0 for a
// text that names no figure.
CDecimal ReadLineFigure(std::u16string_view text);

// A quantity as the document shows its total quantity: the device's number format with
// no trailing zeros ("6.5", "-1", "1,000").
CBstr FormatQuantity(const CDecimal& quantity);

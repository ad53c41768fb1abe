#include "document/LineFigures.h"

#include "core/TextHelpers.h"
#include "core/Utilities.h"

CDecimal ReadLineFigure(std::u16string_view text) { return CDecimal::FromDouble(ParseNumberText(text)); }

CBstr FormatQuantity(const CDecimal& quantity) {
  CBstr text = FormatNumberText(quantity.ToDouble(), NumberDigits::CurrencyDigits);
  TrimTrailingZeros(text);
  return text;
}

// Exact decimal figures for money. A price, a quantity and a rate are read as the decimal
// texts the user typed or the document stores ("0.145", "2.5", "8.25%"), not as the
// nearest binary fraction: 2.5 x 0.57 is 1.425 and rounds to 1.43 wherever it is rounded,
// on the line and in the sum alike.
//
// A figure is units x 10^-scale; units and scale are kept as small as the value allows, so
// equal values are equal figures. Sums and products are exact while they fit; a product
// that would not fit drops its last decimals (rounded), far below any cent.
#pragma once

#include <string>

class CDecimal {
 public:
  CDecimal() = default;
  CDecimal(long long units, int scale);
  // The shortest decimal that reads back as `value` (what the text held when the value was
  // read from a text of up to 15 digits); 0 for a value that is no number.
  static CDecimal FromDouble(double value);

  CDecimal operator+(const CDecimal& other) const;
  CDecimal operator-(const CDecimal& other) const { return *this + -other; }
  CDecimal operator-() const;
  CDecimal operator*(const CDecimal& other) const;
  CDecimal& operator+=(const CDecimal& other) { return *this = *this + other; }
  // The quotient rounded to `digits` decimals, half away from zero; 0 for a zero divisor.
  CDecimal DividedBy(const CDecimal& divisor, int digits) const;
  // Rounded to `digits` decimals, half away from zero (-0.125 gives -0.13 at two).
  CDecimal Rounded(int digits) const;
  CDecimal Cents() const { return Rounded(2); }

  bool IsZero() const { return m_units == 0; }
  int Sign() const { return m_units < 0 ? -1 : m_units > 0 ? 1 : 0; }
  double ToDouble() const;
  // "-1234.5" with at least `minDigits` decimals, "." as separator.
  std::string PlainText(int minDigits = 0) const;

  bool operator==(const CDecimal& other) const = default;

 private:
  CDecimal(__int128 units, int scale, bool);
  void Normalize();

  __int128 m_units = 0;
  int m_scale = 0;
};

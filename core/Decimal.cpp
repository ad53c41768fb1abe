#include "core/Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

using Int128 = __int128;

// Beyond 24 decimals no figure of money or quantity means anything.
constexpr int kMaxScale = 24;
constexpr int kMaxPower = 38;
// The largest units kept: a figure that would pass it stays at it.
constexpr Int128 kSaturated = (Int128(1) << 126);

Int128 Power10(int n) {
  Int128 p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// `units` / 10^digits, rounded half away from zero.
Int128 DivideRounded(Int128 units, int digits) {
  if (digits > kMaxPower) return 0;
  const Int128 p = Power10(digits);
  Int128 q = units / p;
  const Int128 r = units % p;
  if (2 * (r < 0 ? -r : r) >= p) q += units < 0 ? -1 : 1;
  return q;
}

bool MultiplyFits(Int128 a, Int128 b, Int128& out) {
  return !__builtin_mul_overflow(a, b, &out) && out < kSaturated && out > -kSaturated;
}

}  // namespace

CDecimal::CDecimal(long long units, int scale) : CDecimal(Int128(units), scale, true) {}

CDecimal::CDecimal(Int128 units, int scale, bool) : m_units(units), m_scale(scale) { Normalize(); }

void CDecimal::Normalize() {
  if (m_scale > kMaxScale) {
    m_units = DivideRounded(m_units, m_scale - kMaxScale);
    m_scale = kMaxScale;
  }
  while (m_scale < 0) {
    Int128 scaled;
    m_units = MultiplyFits(m_units, 10, scaled) ? scaled : (m_units < 0 ? -kSaturated : kSaturated);
    ++m_scale;
  }
  while (m_scale > 0 && m_units % 10 == 0) {
    m_units /= 10;
    --m_scale;
  }
  if (m_units == 0) m_scale = 0;
}

CDecimal CDecimal::FromDouble(double value) {
  if (!std::isfinite(value)) return {};
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  const char* p = buffer;
  const char* end = result.ptr;
  bool negative = false;
  if (p < end && *p == '-') {
    negative = true;
    ++p;
  }
  Int128 units = 0;
  int scale = 0;
  bool fraction = false;
  for (; p < end && *p != 'e'; ++p) {
    if (*p == '.') {
      fraction = true;
      continue;
    }
    units = units * 10 + (*p - '0');
    if (fraction) ++scale;
  }
  if (p < end && *p == 'e') scale -= std::atoi(p + 1);
  return CDecimal(negative ? -units : units, scale, true);
}

CDecimal CDecimal::operator-() const {
  CDecimal r = *this;
  r.m_units = -r.m_units;
  return r;
}

CDecimal CDecimal::operator+(const CDecimal& other) const {
  // Both at the finer scale; when the coarser figure would not fit there, both drop
  // decimals of the finer one until it does.
  for (int scale = std::max(m_scale, other.m_scale);; --scale) {
    Int128 a = m_scale > scale ? DivideRounded(m_units, m_scale - scale) : m_units;
    Int128 b = other.m_scale > scale ? DivideRounded(other.m_units, other.m_scale - scale) : other.m_units;
    Int128 sum;
    if (MultiplyFits(a, Power10(scale - std::min(scale, m_scale)), a) &&
        MultiplyFits(b, Power10(scale - std::min(scale, other.m_scale)), b) &&
        !__builtin_add_overflow(a, b, &sum) && sum < kSaturated && sum > -kSaturated)
      return CDecimal(sum, scale, true);
    if (scale == 0) return CDecimal(m_units < 0 ? -kSaturated : kSaturated, 0, true);
  }
}

CDecimal CDecimal::operator*(const CDecimal& other) const {
  Int128 a = m_units, b = other.m_units;
  int scaleA = m_scale, scaleB = other.m_scale;
  Int128 product;
  while (!MultiplyFits(a, b, product)) {
    if (scaleA == 0 && scaleB == 0) return CDecimal((a < 0) != (b < 0) ? -kSaturated : kSaturated, 0, true);
    if (scaleA >= scaleB) {
      a = DivideRounded(a, 1);
      --scaleA;
    } else {
      b = DivideRounded(b, 1);
      --scaleB;
    }
  }
  return CDecimal(product, scaleA + scaleB, true);
}

CDecimal CDecimal::DividedBy(const CDecimal& divisor, int digits) const {
  if (divisor.IsZero()) return {};
  // this / divisor = (units * 10^k) / divisor units, at `digits` decimals.
  const int k = digits + divisor.m_scale - m_scale;
  Int128 numerator = m_units, denominator = divisor.m_units;
  if (k >= 0 ? !MultiplyFits(numerator, Power10(k), numerator)
             : !MultiplyFits(denominator, Power10(-k), denominator))
    return FromDouble(ToDouble() / divisor.ToDouble()).Rounded(digits);
  Int128 q = numerator / denominator;
  const Int128 r = numerator % denominator;
  const Int128 absR = r < 0 ? -r : r, absD = denominator < 0 ? -denominator : denominator;
  if (2 * absR >= absD) q += (numerator < 0) != (denominator < 0) ? -1 : 1;
  return CDecimal(q, digits, true);
}

CDecimal CDecimal::Rounded(int digits) const {
  if (m_scale <= digits) return *this;
  return CDecimal(DivideRounded(m_units, m_scale - digits), digits, true);
}

std::string CDecimal::PlainText(int minDigits) const {
  Int128 u = m_units < 0 ? -m_units : m_units;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
    u /= 10;
  } while (u != 0);
  if (static_cast<int>(digits.size()) <= m_scale) digits.insert(0, m_scale + 1 - digits.size(), '0');
  std::string text = m_units < 0 ? "-" : "";
  text += digits.substr(0, digits.size() - m_scale);
  const int shown = std::max(m_scale, minDigits);
  if (shown > 0) {
    text += '.';
    text += digits.substr(digits.size() - m_scale);
    text.append(shown - m_scale, '0');
  }
  return text;
}

double CDecimal::ToDouble() const { return std::strtod(PlainText().c_str(), nullptr); }

// Exact decimal figures: what the binary form loses, half away from zero, division to the
// cent, and figures too large for exact sums.
#include <gtest/gtest.h>

#include <cmath>

#include "core/Decimal.h"

TEST(Decimal, FiguresRoundTheDecimalTheyWereReadFrom) {
  EXPECT_EQ((CDecimal::FromDouble(2.5) * CDecimal::FromDouble(0.57)).Cents().PlainText(), "1.43");
  EXPECT_EQ(CDecimal::FromDouble(1e-5).PlainText(), "0.00001");
  EXPECT_EQ(CDecimal::FromDouble(1.5e20).PlainText(), "150000000000000000000");
  EXPECT_EQ(CDecimal::FromDouble(0.1) + CDecimal::FromDouble(0.2), CDecimal(3, 1));
  EXPECT_EQ(CDecimal(-125, 3).Cents().PlainText(2), "-0.13");
  EXPECT_EQ(CDecimal(-1, 0).DividedBy(CDecimal(8, 0), 2).PlainText(), "-0.13");
  EXPECT_EQ(CDecimal(1100, 2).DividedBy(CDecimal(11, 1), 2).PlainText(2), "10.00");
  EXPECT_TRUE(CDecimal(1, 0).DividedBy(CDecimal(), 2).IsZero());
}

TEST(Decimal, FiguresBeyondExactSumsStayNearTheirValue) {
  const CDecimal big = CDecimal::FromDouble(9.87654321012345e12) * CDecimal::FromDouble(1.23456789012345e-3);
  const CDecimal product = big * big * big;
  const double expected = std::pow(9.87654321012345e12 * 1.23456789012345e-3, 3);
  EXPECT_NEAR(product.ToDouble() / expected, 1, 1e-12);
  EXPECT_NEAR((product + product).ToDouble() / expected, 2, 1e-12);
}

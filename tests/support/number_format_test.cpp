// Reports must come out byte-identical from the Linux and the Windows build.
// These values sit exactly on rounding boundaries or at the ends of the range,
// where a non-conforming printf or x87 arithmetic would show.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Format(const char* format, double value) {
  char text[128];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

TEST(NumberFormatting, HalvesRoundToEvenLikeC99) {
  EXPECT_EQ("2", Format("%.0f", 2.5));
  EXPECT_EQ("4", Format("%.0f", 3.5));
  EXPECT_EQ("0.12", Format("%.2f", 0.125));
  EXPECT_EQ("0.38", Format("%.2f", 0.375));
  EXPECT_EQ("1.1", Format("%.1f", 1.05));  // 1.05 is stored just above the half
  EXPECT_EQ("0.2", Format("%.1f", 0.25));
  EXPECT_EQ("-0.0", Format("%.1f", -0.04));
}

TEST(NumberFormatting, LargeAndTinyValuesPrintAllDigits) {
  EXPECT_EQ("12345678901234568.00", Format("%.2f", 12345678901234567.0));
  EXPECT_EQ("1e+300", Format("%g", 1e300));
  EXPECT_EQ("4.9406564584124654e-324", Format("%.17g", 4.9406564584124654e-324));
  EXPECT_EQ("0.10000000000000001", Format("%.17g", 0.1));
  EXPECT_EQ("11.5", Format("%.17g", 11.5));
}

TEST(NumberFormatting, DoubleArithmeticIsNotExtended) {
  // With x87 extended precision or a fused multiply-add the sum would differ
  // in its last bits.
  volatile double a = 0.1, b = 0.2;
  volatile double square = a * a;
  double residue = a * a - square;  // a fused multiply-add leaves the rounding error here
  EXPECT_EQ("0", Format("%.17g", residue));
  EXPECT_EQ("0.30000000000000004", Format("%.17g", a + b));
}

}  // namespace

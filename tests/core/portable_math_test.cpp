// The program's own trigonometry against the C library: at most one unit in
// the last place apart over the arguments a route produces, exact at the
// points where the answer is exact, and no trap on impossible arguments.
#include "core/portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

std::int64_t UlpDistance(double a, double b) {
  if (a == b) return 0;
  std::int64_t x, y;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  if (x < 0) x = std::numeric_limits<std::int64_t>::min() - x;
  if (y < 0) y = std::numeric_limits<std::int64_t>::min() - y;
  return x > y ? x - y : y - x;
}

// A fixed pseudo-random sequence in [low, high).
class Sequence {
 public:
  double Next(double low, double high) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return low + (high - low) * double(state_ >> 11) * 0x1p-53;
  }

 private:
  std::uint64_t state_ = 7;
};

}  // namespace

TEST(PortableMath, SineAndCosineStayWithinOneUlpOfTheLibrary) {
  Sequence s;
  for (int i = 0; i < 200000; ++i) {
    double x = s.Next(-7.0, 7.0);  // every longitude difference in radians
    ASSERT_LE(UlpDistance(PortableSin(x), std::sin(x)), 1) << x;
    ASSERT_LE(UlpDistance(PortableCos(x), std::cos(x)), 1) << x;
  }
  for (double x : {1e-300, 1e-8, 0.785398163397448, 1.5707963267948966, 3.141592653589793,
                   -4.71238898038469, 6.283185307179586, 1000.0}) {
    EXPECT_LE(UlpDistance(PortableSin(x), std::sin(x)), 1) << x;
    EXPECT_LE(UlpDistance(PortableCos(x), std::cos(x)), 1) << x;
  }
  EXPECT_EQ(PortableSin(0.0), 0.0);
  EXPECT_EQ(PortableCos(0.0), 1.0);
}

TEST(PortableMath, ArcCosineStaysWithinOneUlpAndIsExactAtTheEnds) {
  Sequence s;
  for (int i = 0; i < 200000; ++i) {
    double x = s.Next(-1.0, 1.0);
    ASSERT_LE(UlpDistance(PortableAcos(x), std::acos(x)), 1) << x;
    double near = s.Next(0.9999999, 1.0);  // short distances on the sphere
    ASSERT_LE(UlpDistance(PortableAcos(near), std::acos(near)), 1) << near;
  }
  EXPECT_EQ(PortableAcos(1.0), 0.0);
  EXPECT_EQ(PortableAcos(-1.0), std::acos(-1.0));
  EXPECT_TRUE(std::isnan(PortableAcos(1.0000001)));
  EXPECT_TRUE(std::isnan(PortableAcos(std::numeric_limits<double>::quiet_NaN())));
}

TEST(PortableMath, ImpossibleArgumentsGiveNumbersOrNaNButNeverTrap) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(PortableSin(inf)));
  EXPECT_TRUE(std::isnan(PortableCos(-inf)));
  EXPECT_TRUE(std::isnan(PortableCos(std::numeric_limits<double>::quiet_NaN())));
  for (double huge : {1e6, -3e7, 1e300}) {
    EXPECT_LE(std::fabs(PortableSin(huge)), 1.0) << huge;
    EXPECT_LE(std::fabs(PortableCos(huge)), 1.0) << huge;
  }
}

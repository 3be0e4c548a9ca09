// The program's own trigonometry: at most one unit in the last place from
// the true value, on both platforms. The reference tables hold the true
// values rounded to double, computed with 200-bit arithmetic (mpmath);
// natively the C library serves as a second yardstick over many arguments
// (the Windows C library itself is off by more near multiples of pi/2).
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

TEST(PortableMath, SineAndCosineAreWithinOneUlpOfTheTrueValue) {
  const struct {
    double x, sine, cosine;
  } table[] = {
      {0.5, 0.479425538604203, 0.8775825618903728},
      {1.0, 0.8414709848078965, 0.5403023058681398},
      {2.0, 0.9092974268256817, -0.4161468365471424},
      {3.0, 0.1411200080598672, -0.9899924966004454},
      {4.0, -0.7568024953079282, -0.6536436208636119},
      {5.0, -0.9589242746631385, 0.28366218546322625},
      {6.0, -0.27941549819892586, 0.960170286650366},
      {-0.3, -0.29552020666133955, 0.955336489125606},
      {-2.5, -0.5984721441039565, -0.8011436155469337},
      {0.7853981633974483, 0.7071067811865475, 0.7071067811865476},
      {1.5707963267948966, 1.0, 6.123233995736766e-17},
      {3.141592653589793, 1.2246467991473532e-16, -1.0},
      {4.712386551901107, -0.9999999999970512, -2.4284835832980683e-06},
      {4.71238898038469, -1.0, -1.8369701987210297e-16},
      {-4.71238898038469, 1.0, -1.8369701987210297e-16},
      {6.283185307179586, -2.4492935982947064e-16, 1.0},
      {1000.0, 0.8268795405320025, 0.5623790762907029},
      {12345.678, -0.7040813137533816, 0.7101193587160628},
      {1e-08, 1e-08, 1.0},
      {1.720623728455827, 0.9887968559815354, -0.1492674700027798},
      {3.385017849650211, -0.24102824856806812, -0.9705181004969509},
      {4.132709917919753, -0.836638488285394, -0.5477554563119665},
      {6.1943039728787035, -0.08876435503243899, 0.9960526538670911},
      {3.3585800463590303, -0.21528864151195598, -0.9765504599537785},
      {5.912549953315839, -0.3622077167189492, 0.9320974036812062},
      {-6.593926804029394, -0.3057647048574739, 0.9521071080836556},
      {-0.4812828387065249, -0.4629166666796166, 0.8864018048888623},
      {6.206994037976392, -0.07611757415335874, 0.997098849114273},
      {2.0856437439169397, 0.8703678645516588, -0.4924020515349072},
      {5.612606884508718, -0.6214392633502384, 0.7834623424049896},
      {-5.415116494855979, 0.763082231441576, 0.6463014065110372},
  };
  for (const auto& row : table) {
    EXPECT_LE(UlpDistance(PortableSin(row.x), row.sine), 1) << row.x;
    EXPECT_LE(UlpDistance(PortableCos(row.x), row.cosine), 1) << row.x;
  }
  EXPECT_EQ(PortableSin(0.0), 0.0);
  EXPECT_EQ(PortableCos(0.0), 1.0);
}

TEST(PortableMath, ArcCosineIsWithinOneUlpAndExactAtTheEnds) {
  const struct {
    double x, arcCosine;
  } table[] = {
      {0.0, 1.5707963267948966},
      {0.25, 1.318116071652818},
      {-0.25, 1.8234765819369754},
      {0.5, 1.0471975511965979},
      {-0.5, 2.0943951023931957},
      {0.75, 0.7227342478134157},
      {-0.75, 2.4188584057763776},
      {0.99, 0.1415394733244273},
      {-0.99, 3.000053180265366},
      {0.9999999999, 1.4142136208911564e-05},
      {0.999999999999999, 4.4703483581542975e-08},
      {0.9999999999999998, 2.1073424255447017e-08},
      {-0.9999999999999999, 3.141592638688632},
      {0.123456789, 1.4470237543681796},
      {0.9999993, 0.0011832160256109614},
  };
  for (const auto& row : table) EXPECT_LE(UlpDistance(PortableAcos(row.x), row.arcCosine), 1) << row.x;
  EXPECT_EQ(PortableAcos(1.0), 0.0);
  EXPECT_EQ(PortableAcos(-1.0), 3.141592653589793);
  EXPECT_TRUE(std::isnan(PortableAcos(1.0000001)));
  EXPECT_TRUE(std::isnan(PortableAcos(std::numeric_limits<double>::quiet_NaN())));
}

#ifndef _WIN32
TEST(PortableMath, AgreesWithTheCLibraryOverEveryRouteArgument) {
  Sequence s;
  for (int i = 0; i < 200000; ++i) {
    double x = s.Next(-7.0, 7.0);  // every longitude difference in radians
    ASSERT_LE(UlpDistance(PortableSin(x), std::sin(x)), 1) << x;
    ASSERT_LE(UlpDistance(PortableCos(x), std::cos(x)), 1) << x;
    double c = s.Next(-1.0, 1.0);
    ASSERT_LE(UlpDistance(PortableAcos(c), std::acos(c)), 1) << c;
    double near = s.Next(0.9999999, 1.0);  // short distances on the sphere
    ASSERT_LE(UlpDistance(PortableAcos(near), std::acos(near)), 1) << near;
  }
}
#endif

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

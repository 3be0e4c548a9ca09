// The classic polynomial kernels on [-pi/4, pi/4] (sin and cos) and the
// rational approximation of acos around 0 with its half-angle forms near
// +-1, as in the freely distributed fdlibm. Arguments are reduced by pi/2
// split into 33-bit pieces, so the products with the quadrant count are
// exact; arguments beyond a million radians (never a real coordinate) are
// first taken modulo 2 pi, an exact operation.
#include "core/portable_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kTwoOverPi = 6.36619772367581382433e-01;
constexpr double kPiOver2Part1 = 1.57079632673412561417e+00;   // first 33 bits of pi/2
constexpr double kPiOver2Part1Tail = 6.07710050650619224932e-11;
constexpr double kPiOver2Part2 = 6.07710050630396597660e-11;   // next 33 bits
constexpr double kPiOver2Part2Tail = 2.02226624879595063154e-21;
constexpr double kPiOver4 = 7.85398163397448278999e-01;
constexpr double kTwoPi = 6.28318530717958623200e+00;
constexpr double kLargeArgument = 1.0e6;

constexpr double kS1 = -1.66666666666666324348e-01;
constexpr double kS2 = 8.33333333332248946124e-03;
constexpr double kS3 = -1.98412698298579493134e-04;
constexpr double kS4 = 2.75573137070700676789e-06;
constexpr double kS5 = -2.50507602534068634195e-08;
constexpr double kS6 = 1.58969099521155010221e-10;

constexpr double kC1 = 4.16666666666666019037e-02;
constexpr double kC2 = -1.38888888888741095749e-03;
constexpr double kC3 = 2.48015872894767294178e-05;
constexpr double kC4 = -2.75573143513906633035e-07;
constexpr double kC5 = 2.08757232129817482790e-09;
constexpr double kC6 = -1.13596475577881948265e-11;

std::uint64_t Bits(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

double FromBits(std::uint64_t bits) {
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// sin(x + y) for |x| <= pi/4, y the tail of x.
double KernelSin(double x, double y) {
  const double z = x * x;
  const double v = z * x;
  const double r = kS2 + z * (kS3 + z * (kS4 + z * (kS5 + z * kS6)));
  return x - ((z * (0.5 * y - v * r) - y) - v * kS1);
}

// cos(x + y) for |x| <= pi/4, y the tail of x.
double KernelCos(double x, double y) {
  const double ax = std::fabs(x);
  if (ax < 0x1p-27) return 1.0;
  const double z = x * x;
  const double r = z * (kC1 + z * (kC2 + z * (kC3 + z * (kC4 + z * (kC5 + z * kC6)))));
  if (ax < 0.3) return 1.0 - (0.5 * z - (z * r - x * y));
  // 1 - qx is exact: qx is x / 4 cut to its high word (or 0.28125).
  const double qx = ax > 0.78125 ? 0.28125 : FromBits(((Bits(ax) >> 32) - 0x00200000) << 32);
  const double hz = 0.5 * z - qx;
  const double a = 1.0 - qx;
  return a - (hz - (z * r - x * y));
}

// x = n * pi/2 + (y0 + y1) with |y0| <= about pi/4; returns n mod 4.
int ReduceByHalfPi(double x, double& y0, double& y1) {
  if (std::fabs(x) <= kPiOver4) {
    y0 = x;
    y1 = 0.0;
    return 0;
  }
  if (!(std::fabs(x) < kLargeArgument)) x = std::fmod(x, kTwoPi);  // NaN stays NaN
  if (std::fabs(x) <= kPiOver4 || x != x) {
    y0 = x;
    y1 = 0.0;
    return 0;
  }
  const int n = static_cast<int>(x * kTwoOverPi + (x < 0 ? -0.5 : 0.5));
  const double fn = n;
  double r = x - fn * kPiOver2Part1;
  double w = fn * kPiOver2Part1Tail;
  y0 = r - w;
  if (std::fabs(y0) < std::fabs(x) * 0x1p-16) {
    // Close to a multiple of pi/2: take 33 more bits of pi/2.
    const double t = r;
    w = fn * kPiOver2Part2;
    r = t - w;
    w = fn * kPiOver2Part2Tail - ((t - r) - w);
    y0 = r - w;
  }
  y1 = (r - y0) - w;
  return n & 3;
}

// The rational approximation of (asin(x) - x) / x^3 in x^2 = z.
constexpr double kP0 = 1.66666666666666657415e-01;
constexpr double kP1 = -3.25565818622400915405e-01;
constexpr double kP2 = 2.01212532134862925881e-01;
constexpr double kP3 = -4.00555345006794114027e-02;
constexpr double kP4 = 7.91534994289814532176e-04;
constexpr double kP5 = 3.47933107596021167570e-05;
constexpr double kQ1 = -2.40339491173441421878e+00;
constexpr double kQ2 = 2.02094576023350569471e+00;
constexpr double kQ3 = -6.88283971605453293030e-01;
constexpr double kQ4 = 7.70381505559019352791e-02;
constexpr double kPiOver2High = 1.57079632679489655800e+00;
constexpr double kPiOver2Low = 6.12323399573676603587e-17;
constexpr double kPi = 3.14159265358979311600e+00;

double AsinRatio(double z) {
  const double p = z * (kP0 + z * (kP1 + z * (kP2 + z * (kP3 + z * (kP4 + z * kP5)))));
  const double q = 1.0 + z * (kQ1 + z * (kQ2 + z * (kQ3 + z * kQ4)));
  return p / q;
}

}  // namespace

double PortableSin(double x) {
  double y0, y1;
  switch (ReduceByHalfPi(x, y0, y1)) {
    case 0: return KernelSin(y0, y1);
    case 1: return KernelCos(y0, y1);
    case 2: return -KernelSin(y0, y1);
    default: return -KernelCos(y0, y1);
  }
}

double PortableCos(double x) {
  double y0, y1;
  switch (ReduceByHalfPi(x, y0, y1)) {
    case 0: return KernelCos(y0, y1);
    case 1: return -KernelSin(y0, y1);
    case 2: return -KernelCos(y0, y1);
    default: return KernelSin(y0, y1);
  }
}

double PortableAcos(double x) {
  const double ax = std::fabs(x);
  if (ax >= 1.0) {
    if (x == 1.0) return 0.0;
    if (x == -1.0) return kPi;
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (x != x) return x;
  if (ax < 0.5) {
    if (ax < 0x1p-57) return kPiOver2High + kPiOver2Low;
    const double r = AsinRatio(x * x);
    return kPiOver2High - (x - (kPiOver2Low - x * r));
  }
  if (x < 0) {
    const double z = (1.0 + x) * 0.5;
    const double s = std::sqrt(z);
    const double w = AsinRatio(z) * s - kPiOver2Low;
    return kPi - 2.0 * (s + w);
  }
  const double z = (1.0 - x) * 0.5;
  const double s = std::sqrt(z);
  const double df = FromBits(Bits(s) & 0xFFFFFFFF00000000ULL);
  const double c = (z - df * df) / (s + df);
  const double w = AsinRatio(z) * s + c;
  return 2.0 * (df + w);
}

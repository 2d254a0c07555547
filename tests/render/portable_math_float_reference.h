// The float Sin, Cos and Atan2 of the portable maths as first written:
// every argument through the reduction modulo pi/2 (the four-piece
// subtraction; arguments from 1.5e6 up, which take the long reduction, are
// not covered here) and atan2's special cases asked first. The library's
// forms must return these bits.
#pragma once
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "render/portable_math_constants.h"

namespace portable_math_float_reference {

using namespace portable_math::constants;

template <int N>
double Horner(const double (&c)[N], double z) {
  double p = c[N - 1];
  for (int i = N - 2; i >= 0; --i) p = c[i] + z * p;
  return p;
}

struct Reduced {
  int quadrant;
  double hi, lo;
};

inline void TwoSum(double a, double b, double& s, double& e) {
  s = a + b;
  const double bb = s - a;
  e = (a - (s - bb)) + (b - bb);
}

// |x| below 1.5e6, finite.
inline Reduced Reduce(double x) {
  if (std::fabs(x) <= QUARTER_PI_HI) return {0, x, 0.0};
  const double k = std::floor(x * TWO_OVER_PI + 0.5);
  const double r1 = x - k * HALF_PI_1;
  double t_hi, t_lo, u_hi, u_lo;
  TwoSum(r1, -(k * HALF_PI_2), t_hi, t_lo);
  TwoSum(t_hi, -(k * HALF_PI_3), u_hi, u_lo);
  const double tail = (t_lo + u_lo) - k * HALF_PI_4;
  double hi, lo;
  TwoSum(u_hi, tail, hi, lo);
  return {static_cast<int>(static_cast<std::int64_t>(k) & 3), hi, lo};
}

inline double SinPlain(double x) {
  const double z = x * x;
  return x + x * z * Horner(SIN_POLY, z);
}

inline double CosPlain(double x) {
  const double z = x * x;
  return 1.0 - (0.5 * z - z * z * Horner(COS_POLY, z));
}

inline float Sin(float xf) {
  const double x = xf;
  if (!std::isfinite(x)) return static_cast<float>(x - x);
  if (std::fabs(x) < 0x1p-26) return xf;
  const Reduced v = Reduce(x);
  const double r = v.hi + v.lo;
  switch (v.quadrant) {
    case 0: return static_cast<float>(SinPlain(r));
    case 1: return static_cast<float>(CosPlain(r));
    case 2: return static_cast<float>(-SinPlain(r));
    default: return static_cast<float>(-CosPlain(r));
  }
}

inline float Cos(float xf) {
  const double x = xf;
  if (!std::isfinite(x)) return static_cast<float>(x - x);
  const Reduced v = Reduce(x);
  const double r = v.hi + v.lo;
  switch (v.quadrant) {
    case 0: return static_cast<float>(CosPlain(r));
    case 1: return static_cast<float>(-SinPlain(r));
    case 2: return static_cast<float>(-CosPlain(r));
    default: return static_cast<float>(SinPlain(r));
  }
}

inline double AtanUnitPlain(double z) {
  const int i = static_cast<int>(z * 16.0 + 0.5);
  const double c = static_cast<double>(i) * 0.0625;
  const double t = (z - c) / (1.0 + z * c);
  const double t2 = t * t;
  return ATAN_TABLE[i][0] + (ATAN_TABLE[i][1] + (t + t * t2 * Horner(ATAN_POLY, t2)));
}

inline bool Atan2Special(double y, double x, double& out) {
  const bool x_negative = std::signbit(x);
  if (y == 0.0) {
    out = x_negative ? std::copysign(PI_HI, y) : std::copysign(0.0, y);
    return true;
  }
  if (x == 0.0) {
    out = std::copysign(HALF_PI_HI, y);
    return true;
  }
  if (std::isinf(x)) {
    if (std::isinf(y)) {
      out = std::copysign(x_negative ? THREE_QUARTER_PI_HI : QUARTER_PI_HI, y);
    } else {
      out = x_negative ? std::copysign(PI_HI, y) : std::copysign(0.0, y);
    }
    return true;
  }
  if (std::isinf(y)) {
    out = std::copysign(HALF_PI_HI, y);
    return true;
  }
  return false;
}

inline float Atan2(float yf, float xf) {
  const double y = yf, x = xf;
  if (std::isnan(x) || std::isnan(y)) return static_cast<float>(x + y);
  double special = 0.0;
  if (Atan2Special(y, x, special)) return static_cast<float>(special);
  const double ax = std::fabs(x), ay = std::fabs(y);
  double a = ay > ax ? HALF_PI_HI - AtanUnitPlain(ax / ay) : AtanUnitPlain(ay / ax);
  if (std::signbit(x)) a = PI_HI - a;
  return static_cast<float>(std::copysign(a, y));
}

}  // namespace portable_math_float_reference

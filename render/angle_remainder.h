// std::fmod(a, d) for a divisor d > 0 without the library call, bit for
// bit. The remainder of floats is exact, and for a positive a less than
// 2^24 divisors from d its double computation is too: k d fits 53 bits for
// a whole k below 2^24, and a - k d is a multiple of the finer of the two
// floats' units below 2d in size, some 26 bits. The quotient is taken from
// the divisor's reciprocal, so k may miss by one either way; one step puts
// the remainder into [0, d), exactly again as the result is a float.
// Everything else (zeros, negative or non-finite angles, an infinite
// divisor, quotients from 2^24) takes the library's.
#pragma once
#include <cmath>
#include <limits>

// reciprocal: 1.0 / d, worked out once per divisor.
inline float AngleRemainder(float a, float d, double reciprocal) {
  const double ad = a, dd = d;
  const double q = ad * reciprocal;
  if (!(a > 0.0f && d > 0.0f && d < std::numeric_limits<float>::infinity() && q < 16777216.0)) {
    return std::fmod(a, d);
  }
  const double k = std::floor(q);
  double r = ad - k * dd;
  if (r < 0.0) {
    r += dd;
  } else if (r >= dd) {
    r -= dd;
  }
  return static_cast<float>(r);
}

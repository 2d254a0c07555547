// The one way a computed float or double becomes an index, a count or a
// channel value where it may be out of range or not a number: held to
// [lo, hi] first (NaN taking lo), then truncated toward zero, so the
// conversion is always defined.
#pragma once

template <typename Int, typename Float>
inline Int IndexFromFloat(Float v, Int lo, Int hi) {
  if (!(v > static_cast<Float>(lo))) return lo;
  if (!(v < static_cast<Float>(hi))) return hi;
  return static_cast<Int>(v);
}

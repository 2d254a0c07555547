// The 16-bit distance code of an item matte: a signed distance d in
// rendered pixels (positive inside), times the layer's scale s, over the
// range that the render pipelines decode with: 16384 on the edge, 0 at
// range / 2 or more outside, 32768 at range / 2 or more inside.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/index_from_float.h"

constexpr std::uint16_t MATTE_EDGE_CODE = 16384;
constexpr std::uint16_t MATTE_FULL_CODE = 32768;

inline std::uint16_t MatteDistanceCode(float d, float s, double range) {
  const double code = (static_cast<double>(d * s) / range + 0.5) * 32768.0 + 0.5;
  return IndexFromFloat<std::uint16_t>(code, 0, 32768);
}

// Block means of a supersampled distance field, in 32-bit floats summed in
// row-major order within the block, converted from grid to output pixels
// (divided by s) and refined within 1.5 output pixels of the outline.
#include "render/downsample_distance.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float EDGE_BAND_PX = 1.5f;
constexpr float PARTIAL_COVERAGE_LOW = 0.002f;
constexpr float PARTIAL_COVERAGE_HIGH = 0.998f;

}  // namespace

float DownsampledDistanceAt(const DownsampleDistance& b, std::int32_t x, std::int32_t y) {
  const std::int32_t s = b.supersample;
  const std::int64_t gx0 = static_cast<std::int64_t>(x + b.block_offset) * s;
  const std::int64_t gy0 = static_cast<std::int64_t>(y + b.block_offset) * s;
  float sum_distance = 0.0f;
  float sum_coverage = 0.0f;
  for (std::int32_t j = 0; j < s; ++j) {
    const std::int64_t row = (gy0 + j) * b.grid_width;
    for (std::int32_t i = 0; i < s; ++i) {
      const std::int64_t g = row + gx0 + i;
      sum_distance += b.distance[g];
      if (b.coverage != nullptr) {
        sum_coverage += b.coverage[g];
      } else if (b.mask != nullptr && b.mask[g] != 0) {
        sum_coverage += 1.0f;
      }
    }
  }
  float d = b.scale * sum_distance / static_cast<float>(s);
  const float c = b.scale * sum_coverage;
  const float wgt = std::clamp(EDGE_BAND_PX - std::fabs(d), 0.0f, 1.0f);
  if (wgt > 0.0f && c > PARTIAL_COVERAGE_LOW && c < PARTIAL_COVERAGE_HIGH) {
    d = (1.0f - wgt) * d + (c - 0.5f) * wgt;
  }
  return d;
}

void DownsampleDistance::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const float d = DownsampledDistanceAt(*this, x, y);
      if (dest != nullptr) {
        dest[static_cast<std::int64_t>(y) * dest_row_length + x] = d;
      } else if (write_through) {
        const std::int64_t i = static_cast<std::int64_t>(y) * width + x;
        pane_depth[i] = std::max(d, 0.0f);
        pane_distance[i] = d;
        if (pane_height != nullptr) pane_height[i] = d;
      }
    }
  }
}

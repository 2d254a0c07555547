// Span ends are limited to the row in float before they become column
// indices, so spans far outside the raster (or not numbers) touch nothing.
#include "render/span_coverage.h"

#include <algorithm>
#include <cmath>

namespace {

// A column index of a span end that may lie far outside the row (or be not
// a number), limited to [lo, hi] before it becomes an integer.
std::int32_t ClampedColumn(float v, std::int32_t lo, std::int32_t hi) {
  if (!(v > static_cast<float>(lo))) return lo;
  if (!(v < static_cast<float>(hi))) return hi;
  return static_cast<std::int32_t>(v);
}

}  // namespace

void AddSpanCoverage(const SpanContext& c, float x1, float x2) {
  if (c.width <= 0) return;
  if (c.coverage_row != nullptr) {
    const std::int32_t first = ClampedColumn(std::floor(x1), 0, c.width);
    const std::int32_t last = ClampedColumn(std::ceil(x2) - 1.0f, -1, c.width - 1);
    for (std::int32_t x = first; x <= last; ++x) {
      const float fx = static_cast<float>(x);
      const float overlap = std::min(x2, fx + 1.0f) - std::max(x1, fx);
      if (overlap > 0.0f) {
        c.coverage_row[x] = std::min(1.0f, c.coverage_row[x] + std::min(1.0f, overlap) * c.weight);
      }
    }
    return;
  }
  if (c.mask_row == nullptr) return;
  const std::int32_t first = ClampedColumn(std::ceil(x1 - 0.5f), 0, c.width);
  const std::int32_t last = ClampedColumn(std::floor(x2 - 0.5f), -1, c.width - 1);
  for (std::int32_t x = first; x <= last; ++x) c.mask_row[x] = 255;
}

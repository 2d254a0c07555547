// Span ends are limited to the row in float before they become column
// indices, so spans far outside the raster (or not numbers) touch nothing.
#include "render/span_coverage.h"

#include <algorithm>
#include <cmath>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

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
    auto add_column = [&](std::int32_t x) {
      const float fx = static_cast<float>(x);
      const float overlap = std::min(x2, fx + 1.0f) - std::max(x1, fx);
      if (overlap > 0.0f) {
        c.coverage_row[x] = std::min(1.0f, c.coverage_row[x] + std::min(1.0f, overlap) * c.weight);
      }
    };
    std::int32_t x = first;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
    // Columns wholly inside the span (x >= x1 and x + 1 <= x2, that is
    // ceil(x1) <= x < floor(x2)) overlap it by exactly 1, so each takes
    // min(1, row + 1 x weight): the same operations four columns at a time.
    const std::int32_t inner_begin = ClampedColumn(std::ceil(x1), first, last + 1);
    const std::int32_t inner_end = ClampedColumn(std::floor(x2), inner_begin, last + 1);
    if (inner_end - inner_begin >= 4) {
      for (; x < inner_begin; ++x) add_column(x);
      const __m128 one = _mm_set1_ps(1.0f);
      const __m128 add = _mm_mul_ps(one, _mm_set1_ps(c.weight));
      for (; x + 4 <= inner_end; x += 4) {
        float* at = c.coverage_row + x;
        _mm_storeu_ps(at, _mm_min_ps(_mm_add_ps(_mm_loadu_ps(at), add), one));
      }
    }
#endif
    for (; x <= last; ++x) add_column(x);
    return;
  }
  if (c.mask_row == nullptr) return;
  const std::int32_t first = ClampedColumn(std::ceil(x1 - 0.5f), 0, c.width);
  const std::int32_t last = ClampedColumn(std::floor(x2 - 0.5f), -1, c.width - 1);
  for (std::int32_t x = first; x <= last; ++x) c.mask_row[x] = 255;
}

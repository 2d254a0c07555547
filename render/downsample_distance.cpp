// Block means of a supersampled distance field, in 32-bit floats summed in
// row-major order within the block, converted from grid to output pixels
// (divided by s) and refined within 1.5 output pixels of the outline.
#include "render/downsample_distance.h"

#include <algorithm>
#include <cmath>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

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

namespace {

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// Four destination pixels of a 2 x 2 block with float coverage: the same
// float operations in the same order as DownsampledDistanceAt (the block
// summed row by row from 0, the division by s, the clamp and the blend),
// four lanes at a time.
void DownsampleFour2x2(const DownsampleDistance& b, std::int32_t x, std::int32_t y, float* out) {
  const std::int64_t gx0 = static_cast<std::int64_t>(x + b.block_offset) * 2;
  const std::int64_t gy0 = static_cast<std::int64_t>(y + b.block_offset) * 2;
  const std::int64_t row0 = gy0 * b.grid_width + gx0;
  const std::int64_t row1 = row0 + b.grid_width;
  auto block_sum = [&](const float* plane) {
    const __m128 a0 = _mm_loadu_ps(plane + row0);
    const __m128 a1 = _mm_loadu_ps(plane + row0 + 4);
    const __m128 b0 = _mm_loadu_ps(plane + row1);
    const __m128 b1 = _mm_loadu_ps(plane + row1 + 4);
    __m128 sum = _mm_add_ps(_mm_setzero_ps(), _mm_shuffle_ps(a0, a1, _MM_SHUFFLE(2, 0, 2, 0)));
    sum = _mm_add_ps(sum, _mm_shuffle_ps(a0, a1, _MM_SHUFFLE(3, 1, 3, 1)));
    sum = _mm_add_ps(sum, _mm_shuffle_ps(b0, b1, _MM_SHUFFLE(2, 0, 2, 0)));
    return _mm_add_ps(sum, _mm_shuffle_ps(b0, b1, _MM_SHUFFLE(3, 1, 3, 1)));
  };
  const __m128 scale = _mm_set1_ps(b.scale);
  const __m128 zero = _mm_setzero_ps();
  const __m128 one = _mm_set1_ps(1.0f);
  __m128 d = _mm_div_ps(_mm_mul_ps(scale, block_sum(b.distance)), _mm_set1_ps(2.0f));
  const __m128 c = _mm_mul_ps(scale, block_sum(b.coverage));
  const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), d);
  const __m128 t = _mm_sub_ps(_mm_set1_ps(EDGE_BAND_PX), magnitude);
  // std::clamp(t, 0, 1): t < 0 gives 0, else 1 < t gives 1, else t.
  const __m128 below = _mm_cmplt_ps(t, zero);
  const __m128 above = _mm_cmplt_ps(one, t);
  __m128 wgt = _mm_or_ps(_mm_and_ps(above, one), _mm_andnot_ps(above, t));
  wgt = _mm_andnot_ps(below, wgt);
  const __m128 refine = _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(wgt, zero), _mm_cmpgt_ps(c, _mm_set1_ps(PARTIAL_COVERAGE_LOW))),
                                   _mm_cmplt_ps(c, _mm_set1_ps(PARTIAL_COVERAGE_HIGH)));
  const __m128 blended = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(one, wgt), d),
                                    _mm_mul_ps(_mm_sub_ps(c, _mm_set1_ps(0.5f)), wgt));
  d = _mm_or_ps(_mm_and_ps(refine, blended), _mm_andnot_ps(refine, d));
  _mm_storeu_ps(out, d);
}
#endif

// The distances of destination pixels [0, count) of row y into out.
void DownsampleRow(const DownsampleDistance& b, std::int32_t y, std::int32_t count, float* out) {
  std::int32_t x = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  if (b.supersample == 2 && b.coverage != nullptr) {
    for (; x + 4 <= count; x += 4) DownsampleFour2x2(b, x, y, out + x);
  }
#endif
  for (; x < count; ++x) out[x] = DownsampledDistanceAt(b, x, y);
}

}  // namespace

void DownsampleDistance::operator()(std::int32_t begin, std::int32_t end) const {
  if (dest == nullptr && !write_through) return;
  for (std::int32_t y = begin; y < end; ++y) {
    if (dest != nullptr) {
      DownsampleRow(*this, y, width, dest + static_cast<std::int64_t>(y) * dest_row_length);
      continue;
    }
    const std::int64_t row = static_cast<std::int64_t>(y) * width;
    DownsampleRow(*this, y, width, pane_distance + row);
    std::int32_t x = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
    // max(0, d) in lane form keeps d unless 0 > d: std::max(d, 0), -0 and
    // NaN included.
    const __m128 zero = _mm_setzero_ps();
    for (; x + 4 <= width; x += 4) {
      const __m128 d = _mm_loadu_ps(pane_distance + row + x);
      _mm_storeu_ps(pane_depth + row + x, _mm_max_ps(zero, d));
      if (pane_height != nullptr) _mm_storeu_ps(pane_height + row + x, d);
    }
#endif
    for (; x < width; ++x) {
      const float d = pane_distance[row + x];
      pane_depth[row + x] = std::max(d, 0.0f);
      if (pane_height != nullptr) pane_height[row + x] = d;
    }
  }
}

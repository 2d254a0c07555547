#include "render/matte_field_kernels.h"

#include <algorithm>
#include <cmath>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

void CenterScalePlane::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) dst[i] = (src[i] - 0.5f) * k;
}

void BlendFarSmoothed::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = field[i];
    const float w = std::clamp((std::fabs(d) - 2.0f) * 0.125f, 0.0f, 1.0f);
    field[i] = w * smooth[i] + (1.0f - w) * d;
  }
}

void RunningMaxDiffRows::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const std::int64_t row = static_cast<std::int64_t>(y) * width;
    const float* ra = a + row;
    const float* rb = b + row;
    float* ro = out + row;
    auto at = [&](std::int32_t x) {
      float m = 0.0f;
      const std::int32_t lo = std::max(x - radius, 0);
      const std::int32_t hi = std::min(x + radius, width - 1);
      for (std::int32_t k = lo; k <= hi; ++k) m = std::max(m, std::fabs(ra[k] - rb[k]));
      ro[x] = m;
    };
    std::int32_t x = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
    // Where the whole window lies in the row, four pixels at a time. The
    // maximum takes no rounding and |a - b| is never -0, so the order in
    // which the window is taken does not show; a NaN difference is passed
    // over by the lanes' max as by std::max.
    if (radius >= 0 && width - 2 * radius >= 4) {
      for (; x < radius; ++x) at(x);
      const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
      for (; x + 4 + radius <= width; x += 4) {
        __m128 m = _mm_setzero_ps();
        for (std::int32_t k = x - radius; k <= x + radius; ++k) {
          const __m128 diff = _mm_and_ps(_mm_sub_ps(_mm_loadu_ps(ra + k), _mm_loadu_ps(rb + k)), magnitude);
          m = _mm_max_ps(diff, m);
        }
        _mm_storeu_ps(ro + x, m);
      }
    }
#endif
    for (; x < width; ++x) at(x);
  }
}

void RunningMaxColumns::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const std::int32_t lo = std::max(y - radius, 0);
    const std::int32_t hi = std::min(y + radius, height - 1);
    float* dst = out + static_cast<std::int64_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) dst[x] = 0.0f;
    for (std::int32_t k = lo; k <= hi; ++k) {
      const float* s = src + static_cast<std::int64_t>(k) * width;
      for (std::int32_t x = 0; x < width; ++x) dst[x] = std::max(dst[x], s[x]);
    }
  }
}

void CopyPlaneRect::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const float* src = field + static_cast<std::int64_t>(y + margin) * field_width + margin;
    float* dist = pane_distance + static_cast<std::int64_t>(y) * out_width;
    float* depth = pane_depth + static_cast<std::int64_t>(y) * out_width;
    for (std::int32_t x = 0; x < out_width; ++x) {
      dist[x] = src[x];
      depth[x] = std::max(src[x], 0.0f);
    }
  }
}

#include "render/mask_combine.h"

#include <algorithm>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "host/suites/aegp_layer_mask_suite7.h"

namespace {

constexpr auto MODE_INTERSECT = static_cast<std::uint32_t>(PF_MaskMode_INTERSECT);
constexpr auto MODE_SUBTRACT = static_cast<std::uint32_t>(PF_MaskMode_SUBTRACT);

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// c combined with m (or 1 - m when inverted) over [begin, end), four pixels
// at a time with the same float operations as CombineRange; returns where
// the lanes stopped.
std::int64_t CombineLanes(float* c, const float* m, std::int64_t begin, std::int64_t end, std::uint32_t mode,
                          bool inverted) {
  const __m128 one = _mm_set1_ps(1.0f);
  std::int64_t i = begin;
  for (; i + 4 <= end; i += 4) {
    __m128 mv = _mm_loadu_ps(m + i);
    if (inverted) mv = _mm_sub_ps(one, mv);
    const __m128 cv = _mm_loadu_ps(c + i);
    __m128 out;
    if (mode == MODE_INTERSECT) {
      out = _mm_mul_ps(cv, mv);
    } else if (mode == MODE_SUBTRACT) {
      out = _mm_mul_ps(cv, _mm_sub_ps(one, mv));
    } else {
      out = _mm_add_ps(cv, _mm_mul_ps(_mm_sub_ps(one, cv), mv));
    }
    _mm_storeu_ps(c + i, out);
  }
  return i;
}
#endif

// c combined with the mask values given by m_at(i), over [begin, end).
template <typename MaskValue>
void CombineRange(float* c, std::int64_t begin, std::int64_t end, std::uint32_t mode, const MaskValue& m_at) {
  if (mode == MODE_INTERSECT) {
    for (std::int64_t i = begin; i < end; ++i) c[i] = c[i] * m_at(i);
  } else if (mode == MODE_SUBTRACT) {
    for (std::int64_t i = begin; i < end; ++i) c[i] = c[i] * (1.0f - m_at(i));
  } else {
    for (std::int64_t i = begin; i < end; ++i) c[i] = c[i] + (1.0f - c[i]) * m_at(i);
  }
}

}  // namespace

void CombineMaskCoverage(float* c, float* m, std::int64_t n, bool inverted, std::uint32_t mode, bool first) {
  if (inverted) {
    for (std::int64_t i = 0; i < n; ++i) m[i] = 1.0f - m[i];
  }
  // An intersection that comes first starts from everything.
  if (mode == MODE_INTERSECT && first) std::fill_n(c, n, 1.0f);
  CombineRange(c, 0, n, mode, [&](std::int64_t i) { return m[i]; });
}

void CombineMaskCoverageInWindow(float* c, const float* m, std::int32_t width, std::int32_t height,
                                 const GridWindow& window, bool inverted, std::uint32_t mode, bool first) {
  const std::int64_t n = static_cast<std::int64_t>(width) * height;
  if (mode == MODE_INTERSECT && first) std::fill_n(c, n, 1.0f);
  const float outside = inverted ? 1.0f : 0.0f;
  // Adding 0 and multiplying by 1 - 0 or by 1 leave a coverage as it is.
  const bool outside_changes = mode == MODE_INTERSECT ? !inverted : inverted;
  auto constant = [&](std::int64_t begin, std::int64_t end) {
    if (outside_changes && begin < end) CombineRange(c, begin, end, mode, [&](std::int64_t) { return outside; });
  };
  const bool empty = window.last_row < window.first_row || window.last_col < window.first_col;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int64_t row = static_cast<std::int64_t>(y) * width;
    if (empty || y < window.first_row || y > window.last_row) {
      constant(row, row + width);
      continue;
    }
    constant(row, row + window.first_col);
    std::int64_t begin = row + window.first_col;
    const std::int64_t end = row + window.last_col + 1;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
    begin = CombineLanes(c, m, begin, end, mode, inverted);
#endif
    if (inverted) {
      CombineRange(c, begin, end, mode, [&](std::int64_t i) { return 1.0f - m[i]; });
    } else {
      CombineRange(c, begin, end, mode, [&](std::int64_t i) { return m[i]; });
    }
    constant(end, row + width);
  }
}

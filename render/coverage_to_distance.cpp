#include "render/coverage_to_distance.h"

#include <algorithm>
#include <cmath>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "render/portable_math.h"

float GilesErfinv(float x) {
  float w = -portable_math::Log((1.0f - x) * (1.0f + x));
  float p;
  if (w < 5.0f) {
    w = w - 2.5f;
    p = 2.81022636e-08f;
    p = 3.43273939e-07f + p * w;
    p = -3.5233877e-06f + p * w;
    p = -4.39150654e-06f + p * w;
    p = 0.00021858087f + p * w;
    p = -0.00125372503f + p * w;
    p = -0.00417768164f + p * w;
    p = 0.246640727f + p * w;
    p = 1.50140941f + p * w;
  } else {
    w = std::sqrt(w) - 3.0f;
    p = -0.000200214257f;
    p = 0.000100950558f + p * w;
    p = 0.00134934322f + p * w;
    p = -0.00367342844f + p * w;
    p = 0.00573950773f + p * w;
    p = -0.0076224613f + p * w;
    p = 0.00943887047f + p * w;
    p = 1.00167406f + p * w;
    p = 2.83297682f + p * w;
  }
  return p * x;
}

namespace {

constexpr float COVERAGE_LOW = 0.0001f;
constexpr float COVERAGE_HIGH = 0.999999f;

// The edge estimate e and its weight a for a clamped coverage c.
struct EdgeEstimate {
  float e;
  float a;
};

EdgeEstimate EstimateAt(float c) {
  const float u = 2.0f * c - 1.0f;
  return {GAUSSIAN_EDGE_SCALE * GilesErfinv(u), std::clamp((0.985f - c) / 0.05f, 0.0f, 1.0f)};
}

}  // namespace

void CoverageToDistance::operator()(std::int32_t begin, std::int32_t end) const {
  if (begin >= end) return;
  // Away from the edges the coverage is 0 or 1, which clamps to one of the
  // two limits; their estimates are worked out once, by the same operations
  // a pixel would do, so only the pixels between pay for the inverse error
  // function.
  const EdgeEstimate low = EstimateAt(COVERAGE_LOW);
  const EdgeEstimate high = EstimateAt(COVERAGE_HIGH);
  auto pixel = [&](std::int32_t j) {
    const float c = std::clamp(coverage[j], COVERAGE_LOW, COVERAGE_HIGH);
    const float d = field[j];
    const float m = disagreement[j];
    const float sm = smooth != nullptr ? smooth[j] : d;
    const EdgeEstimate est = c == COVERAGE_LOW ? low : (c == COVERAGE_HIGH ? high : EstimateAt(c));
    const float b = std::clamp((0.55f - m) / 0.45f, 0.0f, 1.0f);
    out[j] = d + b * ((1.0f - est.a) * sm + est.a * est.e - d);
  };
  std::int32_t i = begin;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  // Four pixels at a time where all four coverages clamp to a limit, with
  // the same operations per lane; the clamps pick as std::clamp does (a NaN
  // passes through, and its block goes pixel by pixel).
  const __m128 lo = _mm_set1_ps(COVERAGE_LOW), hi = _mm_set1_ps(COVERAGE_HIGH);
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  const __m128 e_lo = _mm_set1_ps(low.e), e_hi = _mm_set1_ps(high.e);
  const __m128 a_lo = _mm_set1_ps(low.a), a_hi = _mm_set1_ps(high.a);
  auto select = [](__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
  };
  auto clamp = [&](__m128 v, __m128 l, __m128 h) {
    return select(_mm_cmplt_ps(v, l), l, select(_mm_cmplt_ps(h, v), h, v));
  };
  for (; i + 4 <= end; i += 4) {
    const __m128 c = clamp(_mm_loadu_ps(coverage + i), lo, hi);
    const __m128 at_low = _mm_cmpeq_ps(c, lo);
    if (_mm_movemask_ps(_mm_or_ps(at_low, _mm_cmpeq_ps(c, hi))) != 0xF) {
      for (std::int32_t j = i; j < i + 4; ++j) pixel(j);
      continue;
    }
    const __m128 e = select(at_low, e_lo, e_hi);
    const __m128 a = select(at_low, a_lo, a_hi);
    const __m128 d = _mm_loadu_ps(field + i);
    const __m128 sm = smooth != nullptr ? _mm_loadu_ps(smooth + i) : d;
    const __m128 b = clamp(
        _mm_div_ps(_mm_sub_ps(_mm_set1_ps(0.55f), _mm_loadu_ps(disagreement + i)), _mm_set1_ps(0.45f)), zero, one);
    const __m128 blend = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(one, a), sm), _mm_mul_ps(a, e)), d);
    _mm_storeu_ps(out + i, _mm_add_ps(d, _mm_mul_ps(b, blend)));
  }
#endif
  for (; i < end; ++i) pixel(i);
}

#include "render/coverage_to_distance.h"

#include <algorithm>
#include <cmath>

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
  for (std::int32_t i = begin; i < end; ++i) {
    const float c = std::clamp(coverage[i], COVERAGE_LOW, COVERAGE_HIGH);
    const float d = field[i];
    const float m = disagreement[i];
    const float sm = smooth != nullptr ? smooth[i] : d;
    const EdgeEstimate est = c == COVERAGE_LOW ? low : (c == COVERAGE_HIGH ? high : EstimateAt(c));
    const float b = std::clamp((0.55f - m) / 0.45f, 0.0f, 1.0f);
    out[i] = d + b * ((1.0f - est.a) * sm + est.a * est.e - d);
  }
}

// The edge estimate of a coverage matte: where a matte's blurred coverage
// lies between the far inside and the far outside, the distance to a
// straight edge that, blurred by a Gaussian of standard deviation 2.45
// pixels, gives that coverage; it replaces the distance transform's field
// where the field departs little from its own blur. Distances are in grid
// pixels, positive inside a pane.
#pragma once
#include <cstdint>

// The inverse error function in single precision, after the published
// approximation of M. Giles: two degree-8 polynomials, one in
// w - 2.5 for w = -ln((1 - x)(1 + x)) < 5 and one in sqrt(w) - 3 beyond,
// times x. For x in (-1, 1).
float GilesErfinv(float x);

// 2.45 * sqrt(2): the offset e = GAUSSIAN_EDGE_SCALE * erfinv(2c - 1) is
// where a straight edge blurred by a Gaussian of sigma 2.45 has coverage c.
constexpr float GAUSSIAN_EDGE_SCALE = 3.4648232f;

// Per pixel, with c = clamp(coverage, 0.0001, 0.999999), d = field,
// m = disagreement, sm = smooth (d when smooth is null):
// e = GAUSSIAN_EDGE_SCALE * erfinv(2c - 1), a = clamp((0.985 - c) / 0.05, 0, 1),
// b = clamp((0.55 - m) / 0.45, 0, 1), out = d + b * ((1 - a) * sm + a * e - d).
// Items are pixels.
struct CoverageToDistance {
  const float* coverage;
  const float* field;
  const float* disagreement;
  const float* smooth;  // may be null
  float* out;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

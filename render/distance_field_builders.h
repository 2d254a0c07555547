// Signed distance fields of a pane raster, in pixels of that raster:
// positive inside the pane, negative outside, 0 on the outline. A float
// coverage plane (inside where coverage >= 0.5) is seeded so that
// anti-aliased edge pixels carry their sub-pixel offset from the 0.5
// iso-line; an 8-bit mask (inside where value >= 128) is seeded as a hard
// edge. Both are measured with the exact Euclidean transform and combined
// per pixel into the distance d and the depth max(d, 0).
#pragma once
#include <cstdint>

// Builders. The outputs are caller-owned width x height planes, distinct
// from each other and from the input, and are always fully written; they
// hold the squared distances while the transform runs, so the builders
// allocate only per-chunk line scratch. Nothing is written when
// width x height is 0.
void DistanceFieldFromCoverage(const float* coverage, std::int32_t width, std::int32_t height, float* out_depth,
                               float* out_distance);
void DistanceFieldFromMask8(const std::uint8_t* mask, std::int32_t width, std::int32_t height, float* out_depth,
                            float* out_distance);

// Pixel bodies (items = pixel indices y * width + x, count width x height).

// Seeds from coverage: 0 where the pixel belongs to the set measured to,
// infinity where it does not, and for edge pixels (1 + e)^2 - 1 and
// (1 - e)^2 - 1, e being the pixel centre's signed offset from the 0.5
// iso-line.
struct DistanceInitCoverage {
  const float* coverage;
  float* to_outside;
  float infinity;
  float* to_inside;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct DistanceInitMask8 {
  const std::uint8_t* mask;
  float* to_inside;
  float infinity;
  float* to_outside;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// Squared distances to signed distance and depth.
struct DistanceCombineCoverage {
  const float* to_outside;
  const float* to_inside;
  const float* coverage;
  float* out_depth;
  float* out_distance;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct DistanceCombineMask8 {
  const std::uint8_t* mask;
  const float* to_outside;
  const float* to_inside;
  float* out_depth;
  float* out_distance;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// Sub-pixel correction of a distance field near the outline, in place:
// within 1.5 pixels of the outline the field is blended towards the edge
// offset that the coverage plane gives. Reads neighbours only of the
// coverage, so it may run on the field it corrects. Run it as
// ParallelFor(width * height, RefineEdgeDistance{field, coverage, width, height}).
struct RefineEdgeDistance {
  float* field;
  const float* coverage;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

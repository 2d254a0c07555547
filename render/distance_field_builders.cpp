// Seeding, combination and sub-pixel refinement of the pane distance field.
// Frame: pixels of the raster handed in, pixel (x, y) at index y * width + x.
// Sign: distances are positive inside the pane (coverage >= 0.5 or mask
// value >= 128) and negative outside. The transform itself works on squared
// distances: the to-inside plane measures each pixel's squared distance to
// the pane, the to-outside plane its squared distance to the outside.
#include "render/distance_field_builders.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/distance_transform.h"
#include "render/float_plane.h"
#include "render/parallel_for.h"

namespace {

constexpr float COVERAGE_INSIDE = 0.9999f;
constexpr float COVERAGE_OUTSIDE = 0.0001f;
constexpr float EDGE_GRADIENT_MIN = 0.05f;
constexpr float EDGE_GRADIENT_MAX = 1.0f;
constexpr float EDGE_OFFSET_LIMIT = 0.75f;
constexpr float REFINE_BAND = 1.5f;
constexpr float REFINE_COVERAGE_LOW = 0.002f;
constexpr float REFINE_COVERAGE_HIGH = 0.998f;
constexpr std::uint8_t MASK_INSIDE = 128;

// Signed offset in pixels of the centre of pixel (x, y), of coverage c, from
// the 0.5 iso-line, estimated from the steepest one-sided difference along
// each axis. Neighbours beyond the border stand in as the pixel itself.
float EdgeOffset(const float* coverage, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y,
                 float c) {
  const std::int64_t i = static_cast<std::int64_t>(y) * width + x;
  const float left = x > 0 ? coverage[i - 1] : c;
  const float right = x + 1 < width ? coverage[i + 1] : c;
  const float up = y > 0 ? coverage[i - width] : c;
  const float down = y + 1 < height ? coverage[i + width] : c;
  const float gx = std::max(std::fabs(c - left), std::fabs(right - c));
  const float gy = std::max(std::fabs(c - up), std::fabs(down - c));
  const float g = std::clamp(std::sqrt(gx * gx + gy * gy), EDGE_GRADIENT_MIN, EDGE_GRADIENT_MAX);
  return (c - 0.5f) / g;
}

// Calls pixel(i, x, y) for the pixel indices [begin, end) without a
// division per pixel.
template <typename Pixel>
void ForEachPixel(std::int32_t begin, std::int32_t end, std::int32_t width, const Pixel& pixel) {
  if (begin >= end) return;
  std::int32_t y = begin / width;
  std::int32_t x = begin - y * width;
  for (std::int32_t i = begin; i < end; ++i) {
    pixel(i, x, y);
    if (++x == width) {
      x = 0;
      ++y;
    }
  }
}

void FillZero(float* plane, std::int64_t count) { std::fill(plane, plane + count, 0.0f); }

// Seeds of one pixel (x, y), index i, for the to-inside and the to-outside
// plane; the pixel bodies and the fused column pass share them.
struct CoverageSeeds {
  const float* coverage;
  std::int32_t width;
  std::int32_t height;
  float infinity;
  void operator()(std::int32_t x, std::int32_t y, std::int64_t i, float& to_inside, float& to_outside) const {
    const float c = coverage[i];
    if (c >= COVERAGE_INSIDE) {
      to_outside = infinity;
      to_inside = 0.0f;
      return;
    }
    if (c <= COVERAGE_OUTSIDE) {
      to_outside = 0.0f;
      to_inside = infinity;
      return;
    }
    const float e = EdgeOffset(coverage, width, height, x, y, c);
    if (e > EDGE_OFFSET_LIMIT) {
      to_outside = infinity;
      to_inside = 0.0f;
    } else if (e < -EDGE_OFFSET_LIMIT) {
      to_outside = 0.0f;
      to_inside = infinity;
    } else {
      // A neighbour one pixel away along the gradient then receives
      // (1 +- e)^2, the square of its own distance to the iso-line.
      const float e2 = e * e;
      to_outside = e2 + 2.0f * e;
      to_inside = e2 - 2.0f * e;
    }
  }
};

struct Mask8Seeds {
  const std::uint8_t* mask;
  float infinity;
  void operator()(std::int32_t, std::int32_t, std::int64_t i, float& to_inside, float& to_outside) const {
    const bool inside = mask[i] >= MASK_INSIDE;
    to_inside = inside ? 0.0f : infinity;
    to_outside = inside ? infinity : 0.0f;
  }
};

// Signed distance of pixel i from its two transformed squares. Edge seeds
// can leave small negative squares; they stand for 0. The square is chosen
// before the root so the loop has no branch.
struct CoverageCombine {
  const float* coverage;
  float operator()(std::int64_t i, float to_inside, float to_outside) const {
    const bool inside = coverage[i] >= 0.5f;
    const float root = std::sqrt(std::max(inside ? to_outside : to_inside, 0.0f));
    return inside ? root : -root;
  }
};

struct Mask8Combine {
  const std::uint8_t* mask;
  float operator()(std::int64_t i, float to_inside, float to_outside) const {
    return mask[i] >= MASK_INSIDE ? std::sqrt(to_outside) : -std::sqrt(to_inside);
  }
};

}  // namespace

void DistanceInitCoverage::operator()(std::int32_t begin, std::int32_t end) const {
  const CoverageSeeds seeds{coverage, width, height, infinity};
  ForEachPixel(begin, end, width, [&](std::int32_t i, std::int32_t x, std::int32_t y) {
    seeds(x, y, i, to_inside[i], to_outside[i]);
  });
}

void DistanceInitMask8::operator()(std::int32_t begin, std::int32_t end) const {
  const Mask8Seeds seeds{mask, infinity};
  for (std::int32_t i = begin; i < end; ++i) seeds(0, 0, i, to_inside[i], to_outside[i]);
}

void DistanceCombineCoverage::operator()(std::int32_t begin, std::int32_t end) const {
  const CoverageCombine combine{coverage};
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = combine(i, to_inside[i], to_outside[i]);
    out_distance[i] = d;
    out_depth[i] = std::max(d, 0.0f);
  }
}

void DistanceCombineMask8::operator()(std::int32_t begin, std::int32_t end) const {
  const Mask8Combine combine{mask};
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = combine(i, to_inside[i], to_outside[i]);
    out_distance[i] = d;
    out_depth[i] = std::max(d, 0.0f);
  }
}

void RefineEdgeDistance::operator()(std::int32_t begin, std::int32_t end) const {
  ForEachPixel(begin, end, width, [&](std::int32_t i, std::int32_t x, std::int32_t y) {
    const float d = field[i];
    const float w = std::clamp(REFINE_BAND - std::fabs(d), 0.0f, 1.0f);
    if (w == 0.0f) return;
    const float c = coverage[i];
    if (!(c > REFINE_COVERAGE_LOW && c < REFINE_COVERAGE_HIGH)) return;
    const float e = EdgeOffset(coverage, width, height, x, y, c);
    if (std::fabs(e) > EDGE_OFFSET_LIMIT) return;
    field[i] = (1.0f - w) * d + w * e;
  });
}

namespace {

// Seeds over pixel indices (the init bodies' items).
template <typename Seeds>
struct Seed {
  const Seeds& seeds;
  float* to_inside;
  float* to_outside;
  std::int32_t width;
  void operator()(std::int32_t begin, std::int32_t end) const {
    ForEachPixel(begin, end, width, [&](std::int32_t i, std::int32_t x, std::int32_t y) {
      seeds(x, y, i, to_inside[i], to_outside[i]);
    });
  }
};

// The row pass of the to-outside plane and the combination in one sweep
// over the chunk's rows: each transformed row is combined with the finished
// to-inside row at once. The two planes are the output planes themselves
// (to-inside in out_depth, to-outside in out_distance), each pixel read
// before it is overwritten. A chunk without scratch combines its rows as
// the column pass left them, as the separate passes would.
template <typename Combine>
struct RowPassAndCombine {
  const Combine& combine;
  std::int32_t n;
  float* out_depth;     // holds the to-inside squares on entry
  float* out_distance;  // holds the to-outside squares on entry
  std::int32_t width;

  void operator()(std::int32_t begin, std::int32_t end) const {
    if (begin >= end) return;
    EdtScratch scratch;
    const bool transform = scratch.Allocate(n, 1);
    const std::size_t row_bytes = static_cast<std::size_t>(width) * sizeof(float);
    for (std::int32_t y = begin; y < end; ++y) {
      const std::int64_t row = static_cast<std::int64_t>(y) * width;
      float* depth = out_depth + row;
      float* distance = out_distance + row;
      const float* to_outside = distance;
      if (transform) {
        std::memcpy(scratch.f.get(), distance, row_bytes);
        DistanceTransform1D(scratch.f.get(), width, scratch.v.get(), scratch.z.get(), scratch.d.get());
        to_outside = scratch.d.get();
      }
      for (std::int32_t x = 0; x < width; ++x) {
        const float dd = combine(row + x, depth[x], to_outside[x]);
        distance[x] = dd;
        depth[x] = std::max(dd, 0.0f);
      }
    }
  }
};

// Both builders: seeds, the two transforms, the combine. The two work
// planes are still claimed, so a frame that cannot have them degrades as
// before (outputs 0: "no pane anywhere at distance 0" rather than
// garbage), but the squares are worked out in the output planes, which the
// combine overwrites pixel by pixel: the claimed memory is never touched
// and costs no page faults. Passes, in order: seeds, the to-inside
// columns, the to-inside rows, the to-outside columns, the to-outside rows
// with the combine; each line's operations are those of the transform.
// Seeding stays a pass of its own in row order: done inside the column
// pass it would write the to-outside plane across a page per row.
template <typename Seeds, typename Combine>
void BuildDistanceField(std::int32_t width, std::int32_t height, float* out_depth, float* out_distance,
                        const Seeds& seeds, const Combine& combine) {
  if (width <= 0 || height <= 0) return;
  const std::int64_t count64 = static_cast<std::int64_t>(width) * height;
  FloatPlane to_inside_claim;
  FloatPlane to_outside_claim;
  if (!AllocateFloatPlane(to_inside_claim, width, height) || !AllocateFloatPlane(to_outside_claim, width, height)) {
    to_inside_claim.data.reset();
    to_outside_claim.data.reset();
    FillZero(out_depth, count64);
    FillZero(out_distance, count64);
    return;
  }
  const std::int32_t n = std::max(width, height);
  float* to_inside = out_depth;
  float* to_outside = out_distance;
  // A plane holds fewer than 2^31 elements, so the count fits.
  ParallelFor(static_cast<std::int32_t>(count64), Seed<Seeds>{seeds, to_inside, to_outside, width});
  DistanceTransform2D(to_inside, width, height);
  ParallelFor(width, EdtColumnPass{n, to_outside, width, height});
  ParallelFor(height, RowPassAndCombine<Combine>{combine, n, out_depth, out_distance, width});
}

}  // namespace

void DistanceFieldFromCoverage(const float* coverage, std::int32_t width, std::int32_t height, float* out_depth,
                               float* out_distance) {
  BuildDistanceField(width, height, out_depth, out_distance, CoverageSeeds{coverage, width, height, DISTANCE_INFINITY},
                     CoverageCombine{coverage});
}

void DistanceFieldFromMask8(const std::uint8_t* mask, std::int32_t width, std::int32_t height, float* out_depth,
                            float* out_distance) {
  BuildDistanceField(width, height, out_depth, out_distance, Mask8Seeds{mask, DISTANCE_INFINITY}, Mask8Combine{mask});
}

// Seeding, combination and sub-pixel refinement of the pane distance field.
// Frame: pixels of the raster handed in, pixel (x, y) at index y * width + x.
// Sign: distances are positive inside the pane (coverage >= 0.5 or mask
// value >= 128) and negative outside. The transform itself works on squared
// distances: the to-inside plane measures each pixel's squared distance to
// the pane, the to-outside plane its squared distance to the outside.
#include "render/distance_field_builders.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

void DistanceInitCoverage::operator()(std::int32_t begin, std::int32_t end) const {
  ForEachPixel(begin, end, width, [&](std::int32_t i, std::int32_t x, std::int32_t y) {
    const float c = coverage[i];
    if (c >= COVERAGE_INSIDE) {
      to_outside[i] = infinity;
      to_inside[i] = 0.0f;
      return;
    }
    if (c <= COVERAGE_OUTSIDE) {
      to_outside[i] = 0.0f;
      to_inside[i] = infinity;
      return;
    }
    const float e = EdgeOffset(coverage, width, height, x, y, c);
    if (e > EDGE_OFFSET_LIMIT) {
      to_outside[i] = infinity;
      to_inside[i] = 0.0f;
    } else if (e < -EDGE_OFFSET_LIMIT) {
      to_outside[i] = 0.0f;
      to_inside[i] = infinity;
    } else {
      // A neighbour one pixel away along the gradient then receives
      // (1 +- e)^2, the square of its own distance to the iso-line.
      const float e2 = e * e;
      to_outside[i] = e2 + 2.0f * e;
      to_inside[i] = e2 - 2.0f * e;
    }
  });
}

void DistanceInitMask8::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const bool inside = mask[i] >= MASK_INSIDE;
    to_inside[i] = inside ? 0.0f : infinity;
    to_outside[i] = inside ? infinity : 0.0f;
  }
}

void DistanceCombineCoverage::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    // Edge seeds can leave small negative squares; they stand for 0. The
    // square is chosen before the root so the loop has no branch.
    const bool inside = coverage[i] >= 0.5f;
    const float root = std::sqrt(std::max(inside ? to_outside[i] : to_inside[i], 0.0f));
    const float d = inside ? root : -root;
    out_distance[i] = d;
    out_depth[i] = std::max(d, 0.0f);
  }
}

void DistanceCombineMask8::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = mask[i] >= MASK_INSIDE ? std::sqrt(to_outside[i]) : -std::sqrt(to_inside[i]);
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

// Both builders: two work planes, seeds, the two transforms, the combine.
// When a work plane is missing the outputs read as "no pane anywhere at
// distance 0" rather than garbage.
template <typename Init, typename Combine>
void BuildDistanceField(std::int32_t width, std::int32_t height, float* out_depth, float* out_distance,
                        const Init& make_init, const Combine& make_combine) {
  if (width <= 0 || height <= 0) return;
  const std::int64_t count64 = static_cast<std::int64_t>(width) * height;
  FloatPlane to_inside;
  FloatPlane to_outside;
  if (!AllocateFloatPlane(to_inside, width, height) || !AllocateFloatPlane(to_outside, width, height)) {
    to_inside.data.reset();
    to_outside.data.reset();
    FillZero(out_depth, count64);
    FillZero(out_distance, count64);
    return;
  }
  // A plane holds fewer than 2^31 elements, so the count fits.
  const std::int32_t count = static_cast<std::int32_t>(count64);
  ParallelFor(count, make_init(to_inside.data.get(), to_outside.data.get()));
  DistanceTransform2D(to_inside.data.get(), width, height);
  DistanceTransform2D(to_outside.data.get(), width, height);
  ParallelFor(count, make_combine(to_inside.data.get(), to_outside.data.get()));
}

}  // namespace

void DistanceFieldFromCoverage(const float* coverage, std::int32_t width, std::int32_t height, float* out_depth,
                               float* out_distance) {
  BuildDistanceField(
      width, height, out_depth, out_distance,
      [&](float* to_inside, float* to_outside) {
        return DistanceInitCoverage{coverage, to_outside, DISTANCE_INFINITY, to_inside, width, height};
      },
      [&](float* to_inside, float* to_outside) {
        return DistanceCombineCoverage{to_outside, to_inside, coverage, out_depth, out_distance};
      });
}

void DistanceFieldFromMask8(const std::uint8_t* mask, std::int32_t width, std::int32_t height, float* out_depth,
                            float* out_distance) {
  BuildDistanceField(
      width, height, out_depth, out_distance,
      [&](float* to_inside, float* to_outside) {
        return DistanceInitMask8{mask, to_inside, DISTANCE_INFINITY, to_outside};
      },
      [&](float* to_inside, float* to_outside) {
        return DistanceCombineMask8{mask, to_outside, to_inside, out_depth, out_distance};
      });
}

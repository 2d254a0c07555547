// Signed distances to free path panes in the shape's own frame, output
// pixels, positive inside (nonzero winding) and negative outside. All
// arithmetic is in 32-bit floats; the square root is taken once, at the end.
#include "render/path_distance.h"

#include <algorithm>
#include <cmath>

namespace {

// The shape slot's capacities. The point and start arrays come from the
// pre-render record, so counts beyond them must never turn into reads.
constexpr std::int32_t PATH_POINT_CAPACITY = 512;
constexpr std::int32_t SUBPATH_CAPACITY = 8;

// Folds the closed outline of points begin ... end - 1 (end - begin >= 3)
// into the least squared edge distance and the winding count about (px, py).
// Several outlines folded into the same best and winding make one region.
inline void FoldOutline(float px, float py, const float* points, std::int32_t begin, std::int32_t end, float& best,
                        std::int32_t& winding) {
  float ax = points[2 * (end - 1)];
  float ay = points[2 * (end - 1) + 1];
  for (std::int32_t i = begin; i < end; ++i) {
    const float bx = points[2 * i];
    const float by = points[2 * i + 1];
    const float ex = ax - bx;
    const float ey = ay - by;
    const float wx = px - bx;
    const float wy = py - by;
    // The small addend keeps a zero-length edge finite: t = 0, the distance to B.
    float t = (ex * wx + ey * wy) / (ex * ex + ey * ey + 1e-12f);
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = wx - t * ex;
    const float dy = wy - t * ey;
    best = std::min(best, dx * dx + dy * dy);

    const float c = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    if (py >= ay) {
      if (by > py && c > 0.0f) ++winding;
    } else {
      if (py >= by && c < 0.0f) --winding;
    }
    ax = bx;
    ay = by;
  }
}

inline float SignedFromFold(float best, std::int32_t winding) {
  const float d = std::sqrt(best);
  return winding != 0 ? d : -d;
}

inline std::int32_t ClampedStart(std::uint32_t stored, std::int32_t count) {
  // Stored unsigned, read signed: a wrapped value is negative and clamps to 0.
  return std::clamp(static_cast<std::int32_t>(stored), std::int32_t{0}, count);
}

}  // namespace

float PolygonDistance(float px, float py, const float* points, std::int32_t begin, std::int32_t end) {
  begin = std::max(begin, std::int32_t{0});
  end = std::min(end, PATH_POINT_CAPACITY);
  if (end - begin < 3) return SHAPE_DISTANCE_NONE;
  float best = 1e30f;
  std::int32_t winding = 0;
  FoldOutline(px, py, points, begin, end, best, winding);
  return SignedFromFold(best, winding);
}

float CompoundPathDistance(float px, float py, const float* points, std::int32_t count, const std::uint32_t* starts,
                           std::int32_t subpath_count, std::int32_t merge_mode) {
  if (subpath_count <= 1) return count < 3 ? SHAPE_DISTANCE_NONE : PolygonDistance(px, py, points, 0, count);
  if (count < 3) return SHAPE_DISTANCE_NONE;
  count = std::min(count, PATH_POINT_CAPACITY);
  subpath_count = std::min(subpath_count, SUBPATH_CAPACITY);

  auto sub_path_end = [&](std::int32_t k) {
    return k + 1 < subpath_count ? ClampedStart(starts[k + 1], count) : count;
  };

  if (merge_mode >= 0 && merge_mode <= 2) {
    // One region: a hole drawn against its outline cuts it, one drawn the
    // same way does not.
    float best = 1e30f;
    std::int32_t winding = 0;
    for (std::int32_t k = 0; k < subpath_count; ++k) {
      const std::int32_t begin = ClampedStart(starts[k], count);
      const std::int32_t end = sub_path_end(k);
      if (end - begin >= 3) FoldOutline(px, py, points, begin, end, best, winding);
    }
    if (best > 1e29f) return SHAPE_DISTANCE_NONE;
    return SignedFromFold(best, winding);
  }

  bool have_region = false;
  float acc = SHAPE_DISTANCE_NONE;
  for (std::int32_t k = 0; k < subpath_count; ++k) {
    const std::int32_t begin = ClampedStart(starts[k], count);
    const std::int32_t end = sub_path_end(k);
    if (end - begin < 3) continue;
    const float d = PolygonDistance(px, py, points, begin, end);
    if (!have_region) {
      acc = d;
      have_region = true;
    } else if (merge_mode == 3) {
      acc = std::min(acc, -d);
    } else if (merge_mode == 4) {
      acc = std::min(acc, d);
    } else {
      acc = std::max(std::min(-acc, d), std::min(acc, -d));
    }
  }
  return acc;
}

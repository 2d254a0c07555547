// The analytic pane field over the output's pixel grid: each primitive's
// signed distance (positive inside, output pixels) at the pixel centre in
// the primitive's own turned frame, merged across primitives. Stars and
// polygons are prepared once per field, not once per pixel.
#include "render/shape_distance_field.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/parallel_for.h"
#include "render/path_distance.h"
#include "render/shape_distance_functions.h"

namespace {

float RoundedBoxDistance(float u, float v, const ShapePrimitive& p) {
  const float qx = std::fabs(u) - (p.half_width - p.corner_radius);
  const float qy = std::fabs(v) - (p.half_height - p.corner_radius);
  const float ox = std::max(qx, 0.0f);
  const float oy = std::max(qy, 0.0f);
  return -(std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - p.corner_radius);
}

// Per-frame preparation of the shapes whose distance has constant parts:
// the star's and polygon's turn and chord polylines.
struct PreparedShapes {
  PreparedStar stars[MAX_SHAPE_SLOTS];
  PreparedPolygon polygons[MAX_SHAPE_SLOTS];

  PreparedShapes(int n, const ShapePrimitive* primitives) {
    for (int i = 0; i < n && i < MAX_SHAPE_SLOTS; ++i) {
      const ShapePrimitive& p = primitives[i];
      if (p.kind == SHAPE_STAR) {
        stars[i] = PrepareStar(p.outer_radius, p.inner_radius, p.points, -90.0f, p.outer_roundness,
                               p.inner_roundness);
      } else if (p.kind == SHAPE_POLYGON) {
        polygons[i] = PrepareRegularPolygon(p.outer_radius, p.points, -90.0f, p.outer_roundness);
      }
    }
  }
};

float PrimitiveDistance(float u, float v, int i, const ShapePrimitive& p, const PreparedShapes& prepared,
                        int shape_count, const ShapeSlot* slots, std::uint32_t merge_mode) {
  switch (p.kind) {
    case SHAPE_ELLIPSE:
      return EllipseDistance(u, v, p.half_width, p.half_height);
    case SHAPE_POLYGON:
      return RegularPolygonDistance(prepared.polygons[i], u, v);
    case SHAPE_STAR:
      return StarDistance(prepared.stars[i], u, v);
    case SHAPE_PATH:
      if (i < shape_count && slots[i].subpath_count > 1) {
        return CompoundPathDistance(u, v, p.vertices, p.vertex_count, slots[i].subpath_start,
                                    static_cast<std::int32_t>(slots[i].subpath_count), merge_mode);
      }
      if (p.vertex_count >= 3) return PolygonDistance(u, v, p.vertices, 0, p.vertex_count);
      return SHAPE_DISTANCE_NONE;
    default:
      return RoundedBoxDistance(u, v, p);
  }
}

float PreparedMergedDistance(float x, float y, std::uint32_t merge_mode, int n, const ShapePrimitive* primitives,
                             const PreparedShapes& prepared, int shape_count, const ShapeSlot* slots) {
  float acc = merge_mode == MERGE_INTERSECT ? 1e30f : -1e30f;
  const bool unite = merge_mode != MERGE_SUBTRACT && merge_mode != MERGE_INTERSECT && merge_mode != MERGE_EXCLUDE;
  for (int i = 0; i < n; ++i) {
    const ShapePrimitive& p = primitives[i];
    const float dx = x - p.center_x;
    const float dy = y - p.center_y;
    const float u = p.rot_cos * dx + p.rot_sin * dy;
    const float v = p.rot_cos * dy - p.rot_sin * dx;
    if (unite && p.kind == SHAPE_STAR && prepared.stars[i].far_radius > 0.0f) {
      // A star far enough away is outside and further from the point than
      // the edge already found: its distance cannot raise the union.
      const float r = ConservativeRadius(u, v);
      const float far_radius = prepared.stars[i].far_radius;
      if (r > far_radius && -((r - far_radius) * FAR_DISTANCE_SCALE) < acc) continue;
    }
    const float d = PrimitiveDistance(u, v, i, p, prepared, shape_count, slots, merge_mode);
    switch (merge_mode) {
      case MERGE_SUBTRACT:
        if (n == 1) {
          acc = d;
        } else if (i == n - 1) {
          acc = std::min(acc, -d);
        } else {
          acc = std::max(acc, d);
        }
        break;
      case MERGE_INTERSECT:
        acc = std::min(acc, d);
        break;
      case MERGE_EXCLUDE:
        acc = i == 0 ? d : std::max(std::min(-acc, d), std::min(acc, -d));
        break;
      default:
        acc = std::max(acc, d);
        break;
    }
  }
  return acc;
}

// The union over the shapes listed in index (in their order), as
// PreparedMergedDistance takes it over all of them.
float UnitedDistance(float x, float y, int m, const int* index, const ShapePrimitive* primitives,
                     const PreparedShapes& prepared, int shape_count, const ShapeSlot* slots,
                     std::uint32_t merge_mode) {
  float acc = -1e30f;
  for (int k = 0; k < m; ++k) {
    const int i = index[k];
    const ShapePrimitive& p = primitives[i];
    const float dx = x - p.center_x;
    const float dy = y - p.center_y;
    const float u = p.rot_cos * dx + p.rot_sin * dy;
    const float v = p.rot_cos * dy - p.rot_sin * dx;
    if (p.kind == SHAPE_STAR && prepared.stars[i].far_radius > 0.0f) {
      const float r = ConservativeRadius(u, v);
      const float far_radius = prepared.stars[i].far_radius;
      if (r > far_radius && -((r - far_radius) * FAR_DISTANCE_SCALE) < acc) continue;
    }
    acc = std::max(acc, PrimitiveDistance(u, v, i, p, prepared, shape_count, slots, merge_mode));
  }
  return acc;
}

}  // namespace

float MergedShapeDistance(float x, float y, std::uint32_t merge_mode, int n, const ShapePrimitive* primitives,
                          int shape_count, const ShapeSlot* slots) {
  const PreparedShapes prepared(n, primitives);
  return PreparedMergedDistance(x, y, merge_mode, n, primitives, prepared, shape_count, slots);
}

namespace {

// The union is the greatest of the shapes' distances, so a shape whose
// distance over a run of pixels is provably below another shape's there
// cannot decide any of them: it is left out of the run. Each shape's value
// at the run's middle pixel bounds it over the run, its distance changing
// by at most the pixel offset (times the scale of its turn) from one pixel
// to the next, with a margin far above the rounding of the few float
// operations between them. Shapes whose distance is exact (box and
// ellipse) bound their signed value; stars and polygons only the size of
// it, with the star's far radius giving its upper bound away from it.
// Leaving out a value strictly below the maximum changes neither the
// maximum nor which of equal maxima (+0 or -0) comes first.
constexpr std::int32_t CULL_RUN = 16;
constexpr float CULL_RELATIVE_MARGIN = 2e-5f;
constexpr float CULL_ABSOLUTE_MARGIN = 0.02f;
// The general ellipse solves a cubic whose rounding is harder to bound.
constexpr float CULL_ELLIPSE_RELATIVE_MARGIN = 1e-3f;
constexpr float CULL_ELLIPSE_ABSOLUTE_MARGIN = 0.5f;

struct RunBounds {
  float low;
  float high;
};

float ShapeExtent(const ShapePrimitive& p) {
  const float roundness = std::fabs(p.outer_roundness) + std::fabs(p.inner_roundness);
  const float radius = std::fabs(p.outer_radius) + std::fabs(p.inner_radius);
  return std::fabs(p.half_width) + std::fabs(p.half_height) + std::fabs(p.corner_radius) +
         radius * (1.0f + roundness / 25.0f);
}

// An upper bound of a star's distance over the run from its far radius
// alone (no evaluation): infinity unless the whole run lies beyond it.
float StarFarHigh(std::int32_t x0, std::int32_t x1, std::int32_t y, int i, const ShapePrimitive& p,
                  const PreparedShapes& prepared) {
  const double far_radius = prepared.stars[i].far_radius;
  if (!(far_radius > 0.0)) return std::numeric_limits<float>::infinity();
  // Least radius over the run of the point's turned frame, below every
  // pixel's ConservativeRadius.
  const double cy = static_cast<double>(y) - p.center_y;
  const double cx = std::max({0.0, static_cast<double>(x0) - p.center_x, p.center_x - static_cast<double>(x1 - 1)});
  const double scale = std::sqrt(static_cast<double>(p.rot_cos) * p.rot_cos + static_cast<double>(p.rot_sin) * p.rot_sin);
  const double r = std::sqrt(cx * cx + cy * cy) * scale * 0.9998 - 1e-3;
  if (!(r > far_radius)) return std::numeric_limits<float>::infinity();
  // Raised to the lowest float where it would not fit one: still above the
  // distance, which is no lower than that.
  const double high = -((r - far_radius) * 0.998);
  const double lowest = std::numeric_limits<float>::lowest();
  return static_cast<float>(high < lowest ? lowest : high);
}

RunBounds BoundsOverRun(std::int32_t x0, std::int32_t x1, std::int32_t y, int i, const ShapePrimitive& p,
                        const PreparedShapes& prepared, int shape_count, const ShapeSlot* slots,
                        std::uint32_t merge_mode) {
  constexpr float INF = std::numeric_limits<float>::infinity();
  const bool exact = p.kind == SHAPE_BOX || p.kind == SHAPE_ELLIPSE || (p.kind != SHAPE_POLYGON &&
                                                                        p.kind != SHAPE_STAR && p.kind != SHAPE_PATH);
  if (p.kind == SHAPE_PATH) return {-INF, INF};
  const std::int32_t xm = x0 + (x1 - 1 - x0) / 2;
  const float reach = static_cast<float>(std::max(xm - x0, x1 - 1 - xm));
  const float fx = static_cast<float>(xm), fy = static_cast<float>(y);
  const float dx = fx - p.center_x, dy = fy - p.center_y;
  const float u = p.rot_cos * dx + p.rot_sin * dy;
  const float v = p.rot_cos * dy - p.rot_sin * dx;
  // A star's bound needs only the size of its distance, not its side.
  const float d = p.kind == SHAPE_STAR ? StarDistanceMagnitude(prepared.stars[i], u, v)
                                       : PrimitiveDistance(u, v, i, p, prepared, shape_count, slots, merge_mode);
  if (!std::isfinite(d)) return {-INF, INF};
  const float turn = std::sqrt(p.rot_cos * p.rot_cos + p.rot_sin * p.rot_sin) * 1.001f;
  const float size = std::fabs(fx) + std::fabs(fy) + std::fabs(p.center_x) + std::fabs(p.center_y) +
                     std::fabs(d) + reach * turn + ShapeExtent(p);
  const bool general_ellipse = p.kind == SHAPE_ELLIPSE && !(std::fabs(p.half_width - p.half_height) < 0.5f);
  const float margin = general_ellipse ? CULL_ELLIPSE_ABSOLUTE_MARGIN + CULL_ELLIPSE_RELATIVE_MARGIN * size
                                       : CULL_ABSOLUTE_MARGIN + CULL_RELATIVE_MARGIN * size;
  const float spread = reach * turn + margin;
  if (!std::isfinite(spread)) return {-INF, INF};
  if (exact) return {d - spread, d + spread};
  RunBounds b{-(std::fabs(d) + spread), INF};
  if (p.kind == SHAPE_STAR) b.high = StarFarHigh(x0, x1, y, i, p, prepared);
  return b;
}

}  // namespace

void ShapeDistanceField(std::uint32_t merge_mode, int n, const ShapePrimitive* primitives, int shape_count,
                        const ShapeSlot* slots, FloatPlane& pane_depth, FloatPlane& pane_distance,
                        FloatPlane* pane_height) {
  const std::int32_t w = pane_distance.width;
  const PreparedShapes prepared(n, primitives);
  const bool unite = merge_mode != MERGE_SUBTRACT && merge_mode != MERGE_INTERSECT && merge_mode != MERGE_EXCLUDE;
  const bool cull = unite && n >= 2 && n <= MAX_SHAPE_SLOTS;
  ParallelFor(pane_distance.height, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      float* depth_row = pane_depth.Row(y);
      float* distance_row = pane_distance.Row(y);
      float* height_row = pane_height != nullptr ? pane_height->Row(y) : nullptr;
      for (std::int32_t x0 = 0; x0 < w; x0 += CULL_RUN) {
        const std::int32_t x1 = std::min(w, x0 + CULL_RUN);
        if (!cull) {
          for (std::int32_t x = x0; x < x1; ++x) {
            const float acc = PreparedMergedDistance(static_cast<float>(x), static_cast<float>(y), merge_mode, n,
                                                     primitives, prepared, shape_count, slots);
            depth_row[x] = std::max(acc, 0.0f);
            distance_row[x] = acc;
            if (height_row != nullptr) height_row[x] = acc;
          }
          continue;
        }
        RunBounds bounds[MAX_SHAPE_SLOTS];
        float best_low = -std::numeric_limits<float>::infinity();
        // Stars are bounded last, nearest first: a star whose far radius
        // already puts it below a lower bound found so far needs no
        // evaluation at all.
        int stars[MAX_SHAPE_SLOTS];
        float star_high[MAX_SHAPE_SLOTS];
        int star_count = 0;
        for (int i = 0; i < n; ++i) {
          if (primitives[i].kind == SHAPE_STAR) {
            star_high[i] = StarFarHigh(x0, x1, y, i, primitives[i], prepared);
            stars[star_count++] = i;
            continue;
          }
          bounds[i] = BoundsOverRun(x0, x1, y, i, primitives[i], prepared, shape_count, slots, merge_mode);
          if (bounds[i].low > best_low) best_low = bounds[i].low;
        }
        for (int k = 1; k < star_count; ++k) {  // insertion sort, highest bound first
          const int i = stars[k];
          int j = k;
          for (; j > 0 && star_high[stars[j - 1]] < star_high[i]; --j) stars[j] = stars[j - 1];
          stars[j] = i;
        }
        for (int k = 0; k < star_count; ++k) {
          const int i = stars[k];
          if (star_high[i] < best_low) {
            bounds[i] = {-std::numeric_limits<float>::infinity(), star_high[i]};
            continue;
          }
          bounds[i] = BoundsOverRun(x0, x1, y, i, primitives[i], prepared, shape_count, slots, merge_mode);
          if (bounds[i].low > best_low) best_low = bounds[i].low;
        }
        int index[MAX_SHAPE_SLOTS];
        int m = 0;
        for (int i = 0; i < n; ++i) {
          if (bounds[i].high < best_low) continue;
          index[m++] = i;
        }
        for (std::int32_t x = x0; x < x1; ++x) {
          const float acc = UnitedDistance(static_cast<float>(x), static_cast<float>(y), m, index, primitives,
                                           prepared, shape_count, slots, merge_mode);
          depth_row[x] = std::max(acc, 0.0f);
          distance_row[x] = acc;
          if (height_row != nullptr) height_row[x] = acc;
        }
      }
    }
  });
}

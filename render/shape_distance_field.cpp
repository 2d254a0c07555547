// The analytic pane field over the output's pixel grid: each primitive's
// signed distance (positive inside, output pixels) at the pixel centre in
// the primitive's own turned frame, merged across primitives. Stars and
// polygons are prepared once per field, not once per pixel.
#include "render/shape_distance_field.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

float MergedShapeDistance(float x, float y, std::uint32_t merge_mode, int n, const ShapePrimitive* primitives,
                          int shape_count, const ShapeSlot* slots) {
  const PreparedShapes prepared(n, primitives);
  return PreparedMergedDistance(x, y, merge_mode, n, primitives, prepared, shape_count, slots);
}

void ShapeDistanceField(std::uint32_t merge_mode, int n, const ShapePrimitive* primitives, int shape_count,
                        const ShapeSlot* slots, FloatPlane& pane_depth, FloatPlane& pane_distance,
                        FloatPlane* pane_height) {
  const std::int32_t w = pane_distance.width;
  const PreparedShapes prepared(n, primitives);
  ParallelFor(pane_distance.height, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      float* depth_row = pane_depth.Row(y);
      float* distance_row = pane_distance.Row(y);
      float* height_row = pane_height != nullptr ? pane_height->Row(y) : nullptr;
      for (std::int32_t x = 0; x < w; ++x) {
        const float acc = PreparedMergedDistance(static_cast<float>(x), static_cast<float>(y), merge_mode, n,
                                                 primitives, prepared, shape_count, slots);
        depth_row[x] = std::max(acc, 0.0f);
        distance_row[x] = acc;
        if (height_row != nullptr) height_row[x] = acc;
      }
    }
  });
}

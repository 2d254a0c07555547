// The analytic pane field over the output's pixel grid: each primitive's
// signed distance (positive inside, output pixels) at the pixel centre in
// the primitive's own turned frame, merged across primitives. Stars and
// polygons are prepared once per field, not once per pixel.
#include "render/shape_distance_field.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "render/ellipse_distance_lanes.h"
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
constexpr std::int32_t CULL_BLOCK_WIDTH = 4 * CULL_RUN;
constexpr std::int32_t CULL_BLOCK_ROWS = 8;
constexpr float CULL_RELATIVE_MARGIN = 2e-5f;
constexpr float CULL_ABSOLUTE_MARGIN = 0.02f;
// The general ellipse solves a cubic whose rounding is harder to bound.
constexpr float CULL_ELLIPSE_RELATIVE_MARGIN = 1e-3f;
constexpr float CULL_ELLIPSE_ABSOLUTE_MARGIN = 0.5f;

struct RunBounds {
  float low;
  float high;
};

// The pixels [x0, x1) x [y0, y1) that one set of bounds covers: a run of a
// row, or a block of runs over a few rows. Bounds are taken at its middle
// pixel and widened by its reach, the largest x offset from there plus the
// largest y offset (no less than the straight distance to any pixel).
struct Span {
  std::int32_t x0, x1, y0, y1;
  std::int32_t MiddleX() const { return x0 + (x1 - 1 - x0) / 2; }
  std::int32_t MiddleY() const { return y0 + (y1 - 1 - y0) / 2; }
  float Reach() const {
    const std::int32_t xm = MiddleX(), ym = MiddleY();
    return static_cast<float>(std::max(xm - x0, x1 - 1 - xm) + std::max(ym - y0, y1 - 1 - ym));
  }
};

[[maybe_unused]] bool IsBoxKind(std::int32_t kind) {
  return kind != SHAPE_ELLIPSE && kind != SHAPE_POLYGON && kind != SHAPE_STAR && kind != SHAPE_PATH;
}

bool IsNearCircle(const ShapePrimitive& p) {
  return p.kind == SHAPE_ELLIPSE && std::fabs(p.half_width - p.half_height) < 0.5f;
}

float ShapeExtent(const ShapePrimitive& p) {
  const float roundness = std::fabs(p.outer_roundness) + std::fabs(p.inner_roundness);
  const float radius = std::fabs(p.outer_radius) + std::fabs(p.inner_radius);
  return std::fabs(p.half_width) + std::fabs(p.half_height) + std::fabs(p.corner_radius) +
         radius * (1.0f + roundness / 25.0f);
}

// An upper bound of a star's distance over the span from its far radius
// alone (no evaluation): infinity unless the whole span lies beyond it.
float StarFarHigh(const Span& span, int i, const ShapePrimitive& p, const PreparedShapes& prepared) {
  const double far_radius = prepared.stars[i].far_radius;
  if (!(far_radius > 0.0)) return std::numeric_limits<float>::infinity();
  // Least radius over the span of the point's turned frame, below every
  // pixel's ConservativeRadius.
  const double cy =
      std::max({0.0, static_cast<double>(span.y0) - p.center_y, p.center_y - static_cast<double>(span.y1 - 1)});
  const double cx =
      std::max({0.0, static_cast<double>(span.x0) - p.center_x, p.center_x - static_cast<double>(span.x1 - 1)});
  const double scale = std::sqrt(static_cast<double>(p.rot_cos) * p.rot_cos + static_cast<double>(p.rot_sin) * p.rot_sin);
  const double r = std::sqrt(cx * cx + cy * cy) * scale * 0.9998 - 1e-3;
  if (!(r > far_radius)) return std::numeric_limits<float>::infinity();
  // Raised to the lowest float where it would not fit one: still above the
  // distance, which is no lower than that.
  const double high = -((r - far_radius) * 0.998);
  const double lowest = std::numeric_limits<float>::lowest();
  return static_cast<float>(high < lowest ? lowest : high);
}

// A general ellipse with semi-axes a >= b > 0 lies inside the circle of
// radius a about its centre and holds the circle of radius b, so its signed
// distance at a point r from the centre lies in [b - r, a - r]: a bound
// from one square root, with the margins of the exact one.
bool HasRoughEllipseBound(const ShapePrimitive& p) {
  return p.kind == SHAPE_ELLIPSE && !IsNearCircle(p) && p.half_width > 0.0f && p.half_height > 0.0f &&
         std::isfinite(p.half_width) && std::isfinite(p.half_height);
}

RunBounds RoughEllipseBoundsOverRun(const Span& span, const ShapePrimitive& p) {
  constexpr float INF = std::numeric_limits<float>::infinity();
  const float reach = span.Reach();
  const float fx = static_cast<float>(span.MiddleX()), fy = static_cast<float>(span.MiddleY());
  const float dx = fx - p.center_x, dy = fy - p.center_y;
  const float u = p.rot_cos * dx + p.rot_sin * dy;
  const float v = p.rot_cos * dy - p.rot_sin * dx;
  const float r = std::sqrt(u * u + v * v);
  const float low = std::min(p.half_width, p.half_height) - r;
  const float high = std::max(p.half_width, p.half_height) - r;
  if (!std::isfinite(low) || !std::isfinite(high)) return {-INF, INF};
  const float turn = std::sqrt(p.rot_cos * p.rot_cos + p.rot_sin * p.rot_sin) * 1.001f;
  const float size = std::fabs(fx) + std::fabs(fy) + std::fabs(p.center_x) + std::fabs(p.center_y) +
                     std::max(std::fabs(low), std::fabs(high)) + reach * turn + ShapeExtent(p);
  const float spread = reach * turn + CULL_ELLIPSE_ABSOLUTE_MARGIN + CULL_ELLIPSE_RELATIVE_MARGIN * size;
  if (!std::isfinite(spread)) return {-INF, INF};
  return {low - spread, high + spread};
}

RunBounds BoundsOverRun(const Span& span, int i, const ShapePrimitive& p,
                        const PreparedShapes& prepared, int shape_count, const ShapeSlot* slots,
                        std::uint32_t merge_mode) {
  constexpr float INF = std::numeric_limits<float>::infinity();
  const bool exact = p.kind == SHAPE_BOX || p.kind == SHAPE_ELLIPSE || (p.kind != SHAPE_POLYGON &&
                                                                        p.kind != SHAPE_STAR && p.kind != SHAPE_PATH);
  if (p.kind == SHAPE_PATH) return {-INF, INF};
  // With a semi-axis that is not positive (a size that fell back to the
  // centre) the general ellipse's value is no distance and may jump from one
  // pixel to the next: nothing bounds it.
  if (p.kind == SHAPE_ELLIPSE && !IsNearCircle(p) && !HasRoughEllipseBound(p)) return {-INF, INF};
  const float reach = span.Reach();
  const float fx = static_cast<float>(span.MiddleX()), fy = static_cast<float>(span.MiddleY());
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
  if (p.kind == SHAPE_STAR) b.high = StarFarHigh(span, i, p, prepared);
  return b;
}

}  // namespace

namespace {

// The shapes of candidates (count of them, in their order) that may decide
// the union at some pixel of the span, into index; returns their count.
// Every shape left out is below another one of them at every pixel of the
// span, so the union over the candidates equals the union over all.
int SpanSurvivors(const Span& span, const int* candidates, int count, const ShapePrimitive* primitives,
                  const PreparedShapes& prepared, int shape_count, const ShapeSlot* slots, std::uint32_t merge_mode,
                  int* index) {
  RunBounds bounds[MAX_SHAPE_SLOTS];
  float best_low = -std::numeric_limits<float>::infinity();
  // Stars are bounded last, nearest first: a star whose far radius
  // already puts it below a lower bound found so far needs no
  // evaluation at all.
  int stars[MAX_SHAPE_SLOTS];
  float star_high[MAX_SHAPE_SLOTS];
  int star_count = 0;
  for (int c = 0; c < count; ++c) {
    const int i = candidates[c];
    if (primitives[i].kind == SHAPE_STAR) {
      star_high[i] = StarFarHigh(span, i, primitives[i], prepared);
      stars[star_count++] = i;
      continue;
    }
    // A far general ellipse is left out on its rough bound alone; the
    // exact one is taken below only where the rough one cannot decide.
    bounds[i] = HasRoughEllipseBound(primitives[i])
                    ? RoughEllipseBoundsOverRun(span, primitives[i])
                    : BoundsOverRun(span, i, primitives[i], prepared, shape_count, slots, merge_mode);
    if (bounds[i].low > best_low) best_low = bounds[i].low;
  }
  int open = 0;  // shapes bounded so far that stay in
  for (int c = 0; c < count; ++c) {
    const int i = candidates[c];
    if (primitives[i].kind != SHAPE_STAR && !(bounds[i].high < best_low)) ++open;
  }
  for (int c = 0; c < count && open > 1; ++c) {
    const int i = candidates[c];
    if (!HasRoughEllipseBound(primitives[i]) || bounds[i].high < best_low) continue;
    // Both bounds hold, so does the narrower interval of the two.
    const RunBounds exact = BoundsOverRun(span, i, primitives[i], prepared, shape_count, slots, merge_mode);
    bounds[i].low = std::max(bounds[i].low, exact.low);
    bounds[i].high = std::min(bounds[i].high, exact.high);
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
    bounds[i] = BoundsOverRun(span, i, primitives[i], prepared, shape_count, slots, merge_mode);
    if (bounds[i].low > best_low) best_low = bounds[i].low;
  }
  int m = 0;
  for (int c = 0; c < count; ++c) {
    const int i = candidates[c];
    if (bounds[i].high < best_low) continue;
    index[m++] = i;
  }
  return m;
}

}  // namespace

namespace {

// Shape i's distance at the pixels x0 ... x0 + len - 1 of row y into d,
// each by the very operations PrimitiveDistance performs for it. d holds
// CULL_RUN values; lanes past len may be written with pixels beyond the run.
void ShapeDistancesOverRun(std::int32_t x0, int len, std::int32_t y, int i, const ShapePrimitive& p,
                           const PreparedShapes& prepared, int shape_count, const ShapeSlot* slots,
                           std::uint32_t merge_mode, float* d) {
  const float fy = static_cast<float>(y);
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  const bool box = IsBoxKind(p.kind);
  if (box || IsNearCircle(p)) {
    // Four pixels a lane each; the turn's dy terms are the same in every
    // lane, and max and min take their operands swapped so that equal
    // values, zeros of either sign and NaN pick what std::max and std::min
    // pick.
    const __m128 cx = _mm_set1_ps(p.center_x);
    const float dy = fy - p.center_y;
    const __m128 rc = _mm_set1_ps(p.rot_cos);
    const __m128 rs = _mm_set1_ps(p.rot_sin);
    const __m128 rs_dy = _mm_set1_ps(p.rot_sin * dy);
    const __m128 rc_dy = _mm_set1_ps(p.rot_cos * dy);
    const __m128 zero = _mm_setzero_ps();
    const __m128 sign = _mm_set1_ps(-0.0f);
    const __m128 steps = _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f);
    if (box) {
      const __m128 inner_x = _mm_set1_ps(p.half_width - p.corner_radius);
      const __m128 inner_y = _mm_set1_ps(p.half_height - p.corner_radius);
      const __m128 corner = _mm_set1_ps(p.corner_radius);
      for (int k = 0; k < len; k += 4) {
        const __m128 x = _mm_add_ps(_mm_set1_ps(static_cast<float>(x0 + k)), steps);
        const __m128 dx = _mm_sub_ps(x, cx);
        const __m128 u = _mm_add_ps(_mm_mul_ps(rc, dx), rs_dy);
        const __m128 v = _mm_sub_ps(rc_dy, _mm_mul_ps(rs, dx));
        const __m128 qx = _mm_sub_ps(_mm_andnot_ps(sign, u), inner_x);
        const __m128 qy = _mm_sub_ps(_mm_andnot_ps(sign, v), inner_y);
        const __m128 ox = _mm_max_ps(zero, qx);
        const __m128 oy = _mm_max_ps(zero, qy);
        const __m128 outside = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(ox, ox), _mm_mul_ps(oy, oy)));
        const __m128 inside = _mm_min_ps(zero, _mm_max_ps(qy, qx));
        const __m128 r = _mm_sub_ps(_mm_add_ps(outside, inside), corner);
        _mm_storeu_ps(d + k, _mm_xor_ps(r, sign));
      }
    } else {
      const __m128 mean = _mm_set1_ps((p.half_width + p.half_height) * 0.5f);
      for (int k = 0; k < len; k += 4) {
        const __m128 x = _mm_add_ps(_mm_set1_ps(static_cast<float>(x0 + k)), steps);
        const __m128 dx = _mm_sub_ps(x, cx);
        const __m128 u = _mm_add_ps(_mm_mul_ps(rc, dx), rs_dy);
        const __m128 v = _mm_sub_ps(rc_dy, _mm_mul_ps(rs, dx));
        _mm_storeu_ps(d + k, _mm_sub_ps(mean, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(u, u), _mm_mul_ps(v, v)))));
      }
    }
    return;
  }
#endif
#if defined(PRISMORA_ELLIPSE_LANES)
  if (p.kind == SHAPE_ELLIPSE) {
    // Four pixels at a time in double lanes; pixels the lanes decline go
    // two at a time, then to the plain function.
    float us[CULL_RUN], vs[CULL_RUN];
    const float dy = fy - p.center_y;
    const int whole = (len + 3) & ~3;
    for (int k = 0; k < whole; ++k) {
      const float dx = static_cast<float>(x0 + k) - p.center_x;
      us[k] = p.rot_cos * dx + p.rot_sin * dy;
      vs[k] = p.rot_cos * dy - p.rot_sin * dx;
    }
    for (int k = 0; k < whole; k += 4) {
      if (ellipse_lanes::EllipseDistanceQuad(us + k, vs + k, p.half_width, p.half_height, d + k)) continue;
      for (int j = k; j < k + 4; j += 2) {
        if (ellipse_lanes::EllipseDistancePair(us + j, vs + j, p.half_width, p.half_height, d + j)) continue;
        d[j] = EllipseDistance(us[j], vs[j], p.half_width, p.half_height);
        d[j + 1] = EllipseDistance(us[j + 1], vs[j + 1], p.half_width, p.half_height);
      }
    }
    return;
  }
#endif
  if (p.kind == SHAPE_STAR) {
    // Four pixels at a time; the last group repeats the run's last pixel.
    float us[CULL_RUN], vs[CULL_RUN], ds[CULL_RUN];
    const float dy = fy - p.center_y;
    const int whole = (len + 3) & ~3;
    for (int k = 0; k < whole; ++k) {
      const float dx = static_cast<float>(x0 + std::min(k, len - 1)) - p.center_x;
      us[k] = p.rot_cos * dx + p.rot_sin * dy;
      vs[k] = p.rot_cos * dy - p.rot_sin * dx;
    }
    for (int k = 0; k < whole; k += 4) StarDistance4(prepared.stars[i], us + k, vs + k, ds + k);
    for (int k = 0; k < len; ++k) d[k] = ds[k];
    return;
  }
  const float dy = fy - p.center_y;
  for (int k = 0; k < len; ++k) {
    const float dx = static_cast<float>(x0 + k) - p.center_x;
    const float u = p.rot_cos * dx + p.rot_sin * dy;
    const float v = p.rot_cos * dy - p.rot_sin * dx;
    d[k] = PrimitiveDistance(u, v, i, p, prepared, shape_count, slots, merge_mode);
  }
}

// The merged distance at the pixels x0 ... x0 + len - 1 of row y over the
// shapes listed in index (in their order), shape by shape: each pixel's
// value goes through the same merges in the same order as
// PreparedMergedDistance takes them over those shapes.
void MergedDistancesOverRun(std::int32_t x0, int len, std::int32_t y, int m, const int* index, int n,
                            const ShapePrimitive* primitives, const PreparedShapes& prepared, int shape_count,
                            const ShapeSlot* slots, std::uint32_t merge_mode, float* acc) {
  const bool unite = merge_mode != MERGE_SUBTRACT && merge_mode != MERGE_INTERSECT && merge_mode != MERGE_EXCLUDE;
  const float start = merge_mode == MERGE_INTERSECT ? 1e30f : -1e30f;
  // Every lane of the run, so that four-pixel groups read set values.
  for (int k = 0; k < CULL_RUN; ++k) acc[k] = start;
  const float fy = static_cast<float>(y);
  for (int j = 0; j < m; ++j) {
    const int i = index[j];
    const ShapePrimitive& p = primitives[i];
    if (unite && p.kind == SHAPE_STAR && prepared.stars[i].far_radius > 0.0f) {
      // The far star's skip looks at each pixel's value so far.
      // Pixels are worked four at a time, a group only when one of its
      // pixels is not skipped; the last group repeats the run's last pixel.
      const float far_radius = prepared.stars[i].far_radius;
      const float dy = fy - p.center_y;
      const int whole = (len + 3) & ~3;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
      {
        // The turn, the radius and the skip test of four pixels a lane
        // each, by the operations of the plain loop below; the pixel
        // index is clamped as an integer before its conversion.
        alignas(16) float us[CULL_RUN], vs[CULL_RUN];
        const __m128 cx = _mm_set1_ps(p.center_x);
        const __m128 rc = _mm_set1_ps(p.rot_cos);
        const __m128 rs = _mm_set1_ps(p.rot_sin);
        const __m128 rs_dy = _mm_set1_ps(p.rot_sin * dy);
        const __m128 rc_dy = _mm_set1_ps(p.rot_cos * dy);
        const __m128 far = _mm_set1_ps(far_radius);
        const __m128 shrink = _mm_set1_ps(0.9999f);
        const __m128 scale = _mm_set1_ps(FAR_DISTANCE_SCALE);
        const __m128 sign = _mm_set1_ps(-0.0f);
        const __m128i last = _mm_set1_epi32(x0 + (len - 1));
        for (int k = 0; k < whole; k += 4) {
          const __m128i index = _mm_add_epi32(_mm_set1_epi32(x0 + k), _mm_set_epi32(3, 2, 1, 0));
          // min of signed 32-bit lanes without SSE4.1
          const __m128i over = _mm_cmpgt_epi32(index, last);
          const __m128i clamped = _mm_or_si128(_mm_and_si128(over, last), _mm_andnot_si128(over, index));
          const __m128 dx = _mm_sub_ps(_mm_cvtepi32_ps(clamped), cx);
          const __m128 u = _mm_add_ps(_mm_mul_ps(rc, dx), rs_dy);
          const __m128 v = _mm_sub_ps(rc_dy, _mm_mul_ps(rs, dx));
          _mm_store_ps(us + k, u);
          _mm_store_ps(vs + k, v);
          const __m128 r = _mm_mul_ps(_mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(u, u), _mm_mul_ps(v, v))), shrink);
          const __m128 a = _mm_loadu_ps(acc + k);
          const __m128 skip = _mm_and_ps(_mm_cmpgt_ps(r, far),
                                         _mm_cmplt_ps(_mm_xor_ps(_mm_mul_ps(_mm_sub_ps(r, far), scale), sign), a));
          const int in_run = len - k >= 4 ? 0xF : (1 << (len - k)) - 1;
          const int wanted = ~_mm_movemask_ps(skip) & in_run;
          if (wanted == 0) continue;
          alignas(16) float d[4];
          StarDistance4(prepared.stars[i], us + k, vs + k, d);
          // std::max(acc, d) is acc < d ? d : acc, which max_ps(d, acc) is.
          const __m128 keep = _mm_castsi128_ps(_mm_cmpeq_epi32(
              _mm_and_si128(_mm_set1_epi32(wanted), _mm_set_epi32(8, 4, 2, 1)), _mm_setzero_si128()));
          const __m128 merged = _mm_max_ps(_mm_load_ps(d), a);
          _mm_storeu_ps(acc + k, _mm_or_ps(_mm_and_ps(keep, a), _mm_andnot_ps(keep, merged)));
        }
      }
      continue;
#endif
      float us[CULL_RUN], vs[CULL_RUN];
      bool wanted[CULL_RUN];
      for (int k = 0; k < whole; ++k) {
        const float dx = static_cast<float>(x0 + std::min(k, len - 1)) - p.center_x;
        us[k] = p.rot_cos * dx + p.rot_sin * dy;
        vs[k] = p.rot_cos * dy - p.rot_sin * dx;
        const float r = ConservativeRadius(us[k], vs[k]);
        wanted[k] = k < len && !(r > far_radius && -((r - far_radius) * FAR_DISTANCE_SCALE) < acc[k]);
      }
      for (int k = 0; k < whole; k += 4) {
        if (!(wanted[k] || wanted[k + 1] || wanted[k + 2] || wanted[k + 3])) continue;
        float d[4];
        StarDistance4(prepared.stars[i], us + k, vs + k, d);
        for (int j = 0; j < 4; ++j) {
          if (wanted[k + j]) acc[k + j] = std::max(acc[k + j], d[j]);
        }
      }
      continue;
    }
    float d[CULL_RUN];
    ShapeDistancesOverRun(x0, len, y, i, p, prepared, shape_count, slots, merge_mode, d);
    switch (merge_mode) {
      case MERGE_SUBTRACT:
        if (n == 1) {
          for (int k = 0; k < len; ++k) acc[k] = d[k];
        } else if (i == n - 1) {
          for (int k = 0; k < len; ++k) acc[k] = std::min(acc[k], -d[k]);
        } else {
          for (int k = 0; k < len; ++k) acc[k] = std::max(acc[k], d[k]);
        }
        break;
      case MERGE_INTERSECT:
        for (int k = 0; k < len; ++k) acc[k] = std::min(acc[k], d[k]);
        break;
      case MERGE_EXCLUDE:
        if (i == 0) {
          for (int k = 0; k < len; ++k) acc[k] = d[k];
        } else {
          for (int k = 0; k < len; ++k) acc[k] = std::max(std::min(-acc[k], d[k]), std::min(acc[k], -d[k]));
        }
        break;
      default:
        for (int k = 0; k < len; ++k) acc[k] = std::max(acc[k], d[k]);
        break;
    }
  }
}

}  // namespace

void ShapeDistanceField(std::uint32_t merge_mode, int n, const ShapePrimitive* primitives, int shape_count,
                        const ShapeSlot* slots, FloatPlane& pane_depth, FloatPlane& pane_distance,
                        FloatPlane* pane_height) {
  const std::int32_t w = pane_distance.width;
  const PreparedShapes prepared(n, primitives);
  const bool unite = merge_mode != MERGE_SUBTRACT && merge_mode != MERGE_INTERSECT && merge_mode != MERGE_EXCLUDE;
  const bool cull = unite && n >= 2 && n <= MAX_SHAPE_SLOTS;
  int all[MAX_SHAPE_SLOTS];
  const int listed = std::min(n, MAX_SHAPE_SLOTS);
  for (int i = 0; i < listed; ++i) all[i] = i;
  ParallelFor(pane_distance.height, [&](std::int32_t begin, std::int32_t end) {
    // Shapes are first culled over blocks of a few rows of the worker's
    // own band, then what is left over each run of a row.
    for (std::int32_t y0 = begin; y0 < end; y0 += CULL_BLOCK_ROWS) {
      const std::int32_t y1 = std::min(end, y0 + CULL_BLOCK_ROWS);
      for (std::int32_t bx0 = 0; bx0 < w; bx0 += CULL_BLOCK_WIDTH) {
        const std::int32_t bx1 = std::min(w, bx0 + CULL_BLOCK_WIDTH);
        int block[MAX_SHAPE_SLOTS];
        int block_count = 0;
        if (cull) {
          block_count = SpanSurvivors(Span{bx0, bx1, y0, y1}, all, n, primitives, prepared, shape_count, slots,
                                      merge_mode, block);
        }
        for (std::int32_t y = y0; y < y1; ++y) {
          float* depth_row = pane_depth.Row(y);
          float* distance_row = pane_distance.Row(y);
          float* height_row = pane_height != nullptr ? pane_height->Row(y) : nullptr;
          for (std::int32_t x0 = bx0; x0 < bx1; x0 += CULL_RUN) {
            const std::int32_t x1 = std::min(bx1, x0 + CULL_RUN);
            const int len = x1 - x0;
            float acc[CULL_RUN];
            if (!cull) {
              if (n > MAX_SHAPE_SLOTS) {
                for (std::int32_t x = x0; x < x1; ++x) {
                  acc[x - x0] = PreparedMergedDistance(static_cast<float>(x), static_cast<float>(y), merge_mode, n,
                                                       primitives, prepared, shape_count, slots);
                }
              } else {
                MergedDistancesOverRun(x0, len, y, n, all, n, primitives, prepared, shape_count, slots, merge_mode,
                                       acc);
              }
            } else if (block_count <= 1) {
              MergedDistancesOverRun(x0, len, y, block_count, block, n, primitives, prepared, shape_count, slots,
                                     merge_mode, acc);
            } else {
              int index[MAX_SHAPE_SLOTS];
              const int m = SpanSurvivors(Span{x0, x1, y, y + 1}, block, block_count, primitives, prepared,
                                          shape_count, slots, merge_mode, index);
              MergedDistancesOverRun(x0, len, y, m, index, n, primitives, prepared, shape_count, slots, merge_mode,
                                     acc);
            }
            int k = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
            // std::max(a, 0) is 0 > a ? 0 : a, which max_ps(0, a) is.
            for (; k + 4 <= len; k += 4) {
              const __m128 a = _mm_loadu_ps(acc + k);
              _mm_storeu_ps(depth_row + x0 + k, _mm_max_ps(_mm_setzero_ps(), a));
              _mm_storeu_ps(distance_row + x0 + k, a);
            }
#endif
            for (; k < len; ++k) {
              depth_row[x0 + k] = std::max(acc[k], 0.0f);
              distance_row[x0 + k] = acc[k];
            }
            if (height_row != nullptr) std::copy(acc, acc + len, height_row + x0);
          }
        }
      }
    }
  });
}

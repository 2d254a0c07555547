// Signed distances to ellipses, regular polygons and stars about the origin
// of the shape's own frame, in output pixels, positive inside.
//
// Polygons and stars are folded into one edge's sector by their symmetry:
// the point is turned so that a vertex lies on the +x axis, its angle is
// reduced modulo the sector, and the distance is taken to the single edge of
// that sector. Rounded edges are cubic Bezier curves cut into chords whose
// parameters crowd towards the ends, where the curvature sits.
#include "render/shape_distance_functions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "render/angle_remainder.h"
#include "render/portable_math.h"
#include "render/ray_crossings.h"
#include "render/star_chord_blocks.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>

#include <cfloat>

#include "render/portable_math_constants.h"
#endif

namespace {

constexpr float PI_F = 3.1415927f;
constexpr float TWO_PI_F = 6.2831855f;

struct Vec2 {
  float x;
  float y;
};

double SignOf(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

// t_i = (1 - cos(i pi / chords)) / 2 for i = 0 ... chords, the last forced
// to exactly 1 so the final chord ends on the far vertex.
template <int CHORDS>
const std::array<float, CHORDS + 1>& ChordParameters() {
  static const std::array<float, CHORDS + 1> table = [] {
    std::array<float, CHORDS + 1> t{};
    t[0] = 0.0f;
    for (int i = 1; i < CHORDS; ++i) {
      t[i] = (1.0f - portable_math::Cos(static_cast<float>(i) * PI_F / static_cast<float>(CHORDS))) / 2.0f;
    }
    t[CHORDS] = 1.0f;
    return t;
  }();
  return table;
}

Vec2 BezierPoint(const Vec2& p0, const Vec2& p1, const Vec2& p2, const Vec2& p3, float t) {
  const float u = 1.0f - t;
  const float b0 = u * u * u;
  const float b1 = 3.0f * u * u * t;
  const float b2 = 3.0f * u * t * t;
  const float b3 = t * t * t;
  return {b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y};
}

// Samples the curve at the chord parameters into curve[0 ... CHORDS].
template <int CHORDS>
void SampleCurve(const Vec2& p0, const Vec2& p1, const Vec2& p2, const Vec2& p3, std::array<Vec2, CHORDS + 1>& curve) {
  const auto& t = ChordParameters<CHORDS>();
  curve[0] = p0;
  for (int i = 1; i <= CHORDS; ++i) curve[i] = BezierPoint(p0, p1, p2, p3, t[i]);
}

struct ChordHit {
  float d2;     // least squared distance to a chord
  float cross;  // side of that chord's line: >= 0 on its left, the inside
};

float PositiveAngle(const Vec2& p) {
  float a = portable_math::Atan2(p.y, p.x);
  if (a < 0.0f) a += TWO_PI_F;
  return a;
}

}  // namespace

float EllipseDistance(float px, float py, float a, float b) {
  if (std::fabs(a - b) < 0.5f) return (a + b) * 0.5f - std::sqrt(px * px + py * py);

  // Nearest point on the ellipse from the closed-form root of its cubic,
  // in the first quadrant with the point nearer the major axis's normal.
  double p_x = std::fabs(static_cast<double>(px));
  double p_y = std::fabs(static_cast<double>(py));
  double ab_x = a;
  double ab_y = b;
  if (p_x > p_y) {
    std::swap(p_x, p_y);
    std::swap(ab_x, ab_y);
  }
  const double l = ab_y * ab_y - ab_x * ab_x;
  const double m = ab_x * p_x / l;
  const double n = ab_y * p_y / l;
  const double msq = m * m;
  const double nsq = n * n;
  const double c = (msq + nsq - 1.0) / 3.0;
  const double ccube = c * c * c;
  const double q = ccube + 2.0 * msq * nsq;
  const double dd = ccube + msq * nsq;
  const double g = m + m * nsq;

  double co;
  if (dd < 0.0) {
    const double h = portable_math::Acos(q / ccube) / 3.0;
    const double s = portable_math::Cos(h);
    const double t = portable_math::Sin(h) * std::sqrt(3.0);
    const double rx = std::sqrt(msq - c * (s + t + 2.0));
    const double ry = std::sqrt(msq - c * (s - t + 2.0));
    const double rxy = rx * ry;
    co = (ry + SignOf(l) * rx + (rxy > 1e-12 ? std::fabs(g) / rxy : 0.0) - m) / 2.0;
  } else {
    const double h = 2.0 * m * n * std::sqrt(dd);
    const double s = SignOf(q + h) * portable_math::PowOneThird(std::fabs(q + h));
    const double u = SignOf(q - h) * portable_math::PowOneThird(std::fabs(q - h));
    const double rx = -s - u - 4.0 * c + 2.0 * msq;
    const double ry = (s - u) * std::sqrt(3.0);
    const double rm = std::max(std::sqrt(rx * rx + ry * ry), 1e-12);
    co = (ry / std::sqrt(std::max(rm - rx, 1e-12)) + 2.0 * g / rm - m) / 2.0;
  }
  co = std::clamp(co, 0.0, 1.0);
  const double rx = co * ab_x;
  const double ry = std::sqrt(std::max(0.0, 1.0 - co * co)) * ab_y;
  const double dx = rx - p_x;
  const double dy = ry - p_y;
  const double dist = std::sqrt(dx * dx + dy * dy);
  const bool inside = p_x * p_x / (ab_x * ab_x) + p_y * p_y / (ab_y * ab_y) < 1.0;
  const float result = static_cast<float>(inside ? dist : -dist);
  // A point on the curve is outside, but its distance is +0, never -0.
  return result == 0.0f ? 0.0f : result;
}

namespace {

// The chord polyline of a sampled curve with each chord's constants, in the
// same operations the distance uses on it.
template <int CHORDS>
ChordPolyline<CHORDS> PrepareChords(const std::array<Vec2, CHORDS + 1>& curve) {
  ChordPolyline<CHORDS> c;
  for (int i = 0; i <= CHORDS; ++i) {
    c.x[i] = curve[i].x;
    c.y[i] = curve[i].y;
  }
  for (int i = 0; i < CHORDS; ++i) {
    const Vec2 p = curve[i];
    const float ex = curve[i + 1].x - p.x;
    const float ey = curve[i + 1].y - p.y;
    c.ex[i] = ex;
    c.ey[i] = ey;
    c.e2[i] = ex * ex + ey * ey;
    c.e2_divisor[i] = c.e2[i] > 1e-8f ? c.e2[i] : 1.0f;
  }
  return c;
}

// Squared distance from q to the chord starting at i, as NearestChord
// computes it.
template <int CHORDS>
inline float ChordDistance2(float qx, float qy, const ChordPolyline<CHORDS>& c, int i) {
  const float wx = qx - c.x[i];
  const float wy = qy - c.y[i];
  const float projection = (wx * c.ex[i] + wy * c.ey[i]) / c.e2_divisor[i];
  const float clamped = projection < 0.0f ? 0.0f : (1.0f < projection ? 1.0f : projection);
  const float s = c.e2[i] > 1e-8f ? clamped : 0.0f;
  const float dx = qx - (c.x[i] + s * c.ex[i]);
  const float dy = qy - (c.y[i] + s * c.ey[i]);
  return dx * dx + dy * dy;
}

// The nearest chord with the side of its line; on a tie the earlier chord
// wins.
template <int CHORDS>
ChordHit NearestPreparedChord(const Vec2& q, const ChordPolyline<CHORDS>& c) {
  ChordHit hit{1e30f, 0.0f};
  for (int i = 0; i < CHORDS; ++i) {
    const float d2 = ChordDistance2(q.x, q.y, c, i);
    if (d2 < hit.d2) {
      hit.d2 = d2;
      hit.cross = (q.y - c.y[i]) * c.ex[i] - (q.x - c.x[i]) * c.ey[i];
    }
  }
  return hit;
}

// The least squared chord distance alone. The least of a set of floats is
// the same whichever order they are compared in (the values are squares,
// so no -0, and NaN never wins a comparison), so every chord's distance is
// worked out first in a loop without branches, which the compiler turns
// into vector arithmetic of the same operations, and the least is taken
// after.
template <int CHORDS>
float LeastChordDistance2(const Vec2& q, const ChordPolyline<CHORDS>& c) {
  float d2[CHORDS];
  for (int i = 0; i < CHORDS; ++i) {
    const float wx = q.x - c.x[i];
    const float wy = q.y - c.y[i];
    const float projection = (wx * c.ex[i] + wy * c.ey[i]) / c.e2_divisor[i];
    const float low = projection < 0.0f ? 0.0f : projection;
    const float clamped = 1.0f < projection ? 1.0f : low;
    const float s = c.e2[i] > 1e-8f ? clamped : 0.0f;
    const float dx = q.x - (c.x[i] + s * c.ex[i]);
    const float dy = q.y - (c.y[i] + s * c.ey[i]);
    d2[i] = dx * dx + dy * dy;
  }
  constexpr int LANES = 4;
  static_assert(CHORDS % LANES == 0);
  float best[LANES] = {1e30f, 1e30f, 1e30f, 1e30f};
  for (int i = 0; i < CHORDS; i += LANES) {
    for (int j = 0; j < LANES; ++j) best[j] = d2[i + j] < best[j] ? d2[i + j] : best[j];
  }
  float least = best[0];
  for (int j = 1; j < LANES; ++j) least = best[j] < least ? best[j] : least;
  return least;
}

// A radius beyond which every point is outside the polyline's star, also as
// the rounded ray test decides it. A ray that the test finds crossing a
// chord passes within rounding distance of it; when every chord's line
// stays clear of the centre (sin of the angle between chord and ray at
// least MIN_RAY_SINE for any ray through the chord), the crossing radius it
// computes is within a tiny fraction of the chord's farthest end. The
// margins (0.1% and a whole pixel) exceed that rounding many times over.
// Returns 0 (no cull) for curves that are not finite or have a chord whose
// line passes near the centre.
template <int CHORDS>
float FarRadius(const std::array<Vec2, CHORDS + 1>& curve) {
  constexpr double MIN_RAY_SINE = 0.01;
  double r_max = 0.0;
  for (const Vec2& c : curve) {
    if (!std::isfinite(c.x) || !std::isfinite(c.y)) return 0.0f;
    r_max = std::max(r_max, portable_math::Hypot(static_cast<double>(c.x), static_cast<double>(c.y)));
  }
  for (int i = 0; i < CHORDS; ++i) {
    const double x0 = curve[i].x, y0 = curve[i].y;
    const double ex = static_cast<double>(curve[i + 1].x) - x0;
    const double ey = static_cast<double>(curve[i + 1].y) - y0;
    const double length = portable_math::Hypot(ex, ey);
    if (length == 0.0) continue;  // never crossed: its cross product is 0
    const double line_distance = std::fabs(ex * y0 - ey * x0) / length;
    const double far_end = std::max(portable_math::Hypot(x0, y0), portable_math::Hypot(static_cast<double>(curve[i + 1].x),
                                                                   static_cast<double>(curve[i + 1].y)));
    if (!(line_distance >= MIN_RAY_SINE * far_end)) return 0.0f;
  }
  return static_cast<float>(r_max * 1.001 + 1.0);
}

Vec2 TurnedPoint(float px, float py, float c, float s) { return {c * px + s * py, c * py - s * px}; }

// Rounding margin of the block bounds. A chord distance as computed is at
// least (true distance - 3u(|P| + |e|))(1 - 3u), u = 2^-24, whatever the
// rounding of its projection (every clamped projection is a point of the
// chord); the disc reach adds DISC_MARGIN (|P| + |e|), hundreds of times
// that.
constexpr double DISC_MARGIN = 1e-4;

template <int CHORDS>
ChordBlocks PrepareChordBlocks(const ChordPolyline<CHORDS>& c) {
  static_assert(CHORDS == STAR_CHORDS);
  ChordBlocks blocks;
  for (int b = 0; b < STAR_BLOCKS; ++b) {
    double lo_x = 0.0, hi_x = 0.0, lo_y = 0.0, hi_y = 0.0, magnitude = 0.0;
    for (int k = 0; k < STAR_BLOCK_CHORDS; ++k) {
      const int i = b * STAR_BLOCK_CHORDS + k;
      // The chord as the distance and the ray test see it: from P by e.
      const double px = c.x[i], py = c.y[i];
      const double ex = c.ex[i], ey = c.ey[i];
      const double cx = px + ex, cy = py + ey;
      if (!std::isfinite(px) || !std::isfinite(py) || !std::isfinite(cx) || !std::isfinite(cy)) return ChordBlocks{};
      if (k == 0) {
        lo_x = hi_x = px;
        lo_y = hi_y = py;
      }
      lo_x = std::min({lo_x, px, cx});
      hi_x = std::max({hi_x, px, cx});
      lo_y = std::min({lo_y, py, cy});
      hi_y = std::max({hi_y, py, cy});
      magnitude = std::max(magnitude, portable_math::Hypot(px, py) + portable_math::Hypot(ex, ey));
    }
    // The disc about a centre that is exactly a float, so the point's
    // offset from it rounds once per coordinate.
    const float mx = static_cast<float>((lo_x + hi_x) * 0.5), my = static_cast<float>((lo_y + hi_y) * 0.5);
    double radius = 0.0;
    for (int k = 0; k < STAR_BLOCK_CHORDS; ++k) {
      const int i = b * STAR_BLOCK_CHORDS + k;
      const double px = c.x[i], py = c.y[i];
      radius = std::max({radius, portable_math::Hypot(px - mx, py - my),
                         portable_math::Hypot(px + static_cast<double>(c.ex[i]) - mx, py + static_cast<double>(c.ey[i]) - my)});
    }
    const double reach = radius * (1.0 + 1e-9) + DISC_MARGIN * magnitude;
    float reach_up = static_cast<float>(reach);
    if (static_cast<double>(reach_up) < reach) reach_up = std::nextafter(reach_up, std::numeric_limits<float>::infinity());
    blocks.disc_x[b] = mx;
    blocks.disc_y[b] = my;
    blocks.disc_reach[b] = reach_up;
  }
  blocks.usable = true;
  return blocks;
}

// Sector angles by which the kept pieces' reach is widened, and the least
// clearance below which a chord is taken to run through the centre (its
// angular extent then unknown).
constexpr double OUTLINE_ANGLE_MARGIN = 1e-3;
// The most outline pieces walked per point when they cannot be kept.
constexpr std::int32_t OUTLINE_MAX_WALKED_PIECES = 64;
constexpr double OUTLINE_MAX_CHORD_TURN = 3.1415926535897931 - 0.1;

// The angular extent [lo, hi] of an edge from angle 0 to end_angle (its
// chords turn less than half a turn each, so each chord's extent lies
// between its ends' angles); false when it is not known that way or the
// edge winds about the centre on its way.
template <int CHORDS>
bool EdgeAngleRange(const ChordPolyline<CHORDS>& edge, double end_angle, double& lo, double& hi) {
  bool bounded = true;
  double angle = 0.0;
  lo = 0.0;
  hi = 0.0;
  for (int i = 0; i < CHORDS && bounded; ++i) {
    const double px = edge.x[i], py = edge.y[i], cx = edge.x[i + 1], cy = edge.y[i + 1];
    if (!std::isfinite(px) || !std::isfinite(py) || !std::isfinite(cx) || !std::isfinite(cy)) {
      bounded = false;
      break;
    }
    if (i == 0) angle = portable_math::Atan2(py, px);
    lo = std::min(lo, angle);
    hi = std::max(hi, angle);
    const double turn = portable_math::Atan2(px * cy - py * cx, px * cx + py * cy);
    if (!(std::fabs(turn) < OUTLINE_MAX_CHORD_TURN) || (px == 0.0 && py == 0.0) || (cx == 0.0 && cy == 0.0)) {
      bounded = false;
    }
    angle += turn;
  }
  lo = std::min(lo, angle);
  hi = std::max(hi, angle);
  return bounded && std::fabs(angle - end_angle) < 0.01;
}

// Which pieces of the star's outline a ray in the folded sector can meet,
// from the angular extent of the sector edge.
StarOutline PrepareStarOutline(const ChordPolyline<STAR_CHORDS>& edge, std::int32_t n, float half, float two_half) {
  StarOutline outline;
  const double h = half;
  double lo = 0.0, hi = 0.0;
  bool bounded = EdgeAngleRange<STAR_CHORDS>(edge, h, lo, hi);

  const std::int64_t total = 2 * static_cast<std::int64_t>(n);
  std::int32_t first = 0, last = -1;
  if (bounded) {
    // Piece j reaches [lo, hi] + j * half when even, (j + 1) * half - [hi,
    // lo] when odd; the folded sector is [0, half].
    const double low_end = -OUTLINE_ANGLE_MARGIN, high_end = h + OUTLINE_ANGLE_MARGIN;
    const auto reach = [&](std::int32_t j, double& a, double& b) {
      if (j % 2 == 0) {
        a = lo + j * h;
        b = hi + j * h;
      } else {
        a = (j + 1) * h - hi;
        b = (j + 1) * h - lo;
      }
    };
    // Compared in double first: with a great many points the sector is so
    // narrow that the piece numbers would not fit an integer.
    const double j_low = std::floor((low_end - hi) / h) - 2.0;
    const double j_high = std::ceil((high_end - lo) / h) + 2.0;
    if (!(j_high - j_low <= static_cast<double>(4 * total + 8)) || !(std::fabs(j_low) < 1e9) ||
        !(std::fabs(j_high) < 1e9)) {
      bounded = false;
    } else {
      const std::int32_t j_from = static_cast<std::int32_t>(j_low);
      const std::int32_t j_to = static_cast<std::int32_t>(j_high);
      first = j_to + 1;
      for (std::int32_t j = j_from; j <= j_to; ++j) {
        double a = 0.0, b = 0.0;
        reach(j, a, b);
        if (b >= low_end && a <= high_end) {
          first = std::min(first, j);
          last = std::max(last, j);
        }
      }
      if (last < first) bounded = false;
    }
    if (bounded && last - first + 1 < total && last - first + 1 <= STAR_OUTLINE_MAX_PIECES) {
      outline.piece_count = last - first + 1;
      outline.first_piece = first;
      for (std::int32_t p = 0; p < outline.piece_count; ++p) {
        double a = 0.0, b = 0.0;
        reach(first + p, a, b);
        outline.reach_lo[p] = static_cast<float>(a - OUTLINE_ANGLE_MARGIN);
        outline.reach_hi[p] = static_cast<float>(b + OUTLINE_ANGLE_MARGIN);
      }
    }
  }
  if (outline.piece_count == 0 && total <= STAR_OUTLINE_MAX_PIECES) {
    outline.piece_count = total;
    outline.first_piece = 0;
    outline.whole = true;
  }
  for (std::int32_t p = 0; p < outline.piece_count; ++p) {
    for (int i = 0; i < STAR_CHORDS; ++i) {
      StarOutlinePoint(edge, n, two_half, outline.first_piece + p, i, outline.x[p * STAR_CHORDS + i],
                       outline.y[p * STAR_CHORDS + i]);
    }
  }
  if (outline.piece_count > 0) {
    const int end = outline.piece_count * STAR_CHORDS;
    StarOutlinePoint(edge, n, two_half, outline.first_piece + outline.piece_count, 0, outline.x[end], outline.y[end]);
  }
  return outline;
}

// Whether the point at rho along the unit direction (dir_x, dir_y) of the
// folded sector angle a_sector lies inside the star's outline: an odd
// number of outline crossings beyond it.
bool InsideStarOutline(const PreparedStar& g, float a_sector, float dir_x, float dir_y, float rho) {
  const StarOutline& outline = g.outline;
  std::int32_t count = 0;
  if (outline.piece_count > 0) {
    for (std::int32_t p = 0; p < outline.piece_count; ++p) {
      if (!outline.whole && !(a_sector >= outline.reach_lo[p] && a_sector <= outline.reach_hi[p])) continue;
      const int at = p * STAR_CHORDS;
      count += RayCrossingsBeyond(outline.x.data() + at, outline.y.data() + at, STAR_CHORDS, dir_x, dir_y, rho);
    }
  } else {
    // Too many pieces to keep: every piece, point by point, or with more
    // pieces than OUTLINE_MAX_WALKED_PIECES those nearest the sector, so a
    // star of absurdly many points still costs a bounded time per pixel.
    float x[STAR_CHORDS + 1], y[STAR_CHORDS + 1];
    const std::int64_t total = 2 * static_cast<std::int64_t>(g.points);
    const bool all = total <= OUTLINE_MAX_WALKED_PIECES;
    const std::int32_t j_begin = all ? 0 : -OUTLINE_MAX_WALKED_PIECES / 2;
    const std::int32_t j_end = all ? static_cast<std::int32_t>(total) : OUTLINE_MAX_WALKED_PIECES / 2;
    for (std::int32_t j = j_begin; j < j_end; ++j) {
      for (int i = 0; i <= STAR_CHORDS; ++i) StarOutlinePoint(g.curve, g.points, g.two_half, j, i, x[i], y[i]);
      count += RayCrossingsBeyond(x, y, STAR_CHORDS, dir_x, dir_y, rho);
    }
  }
  return (count & 1) != 0;
}

// Sector angles by which each bin and each chord's angular extent are
// widened: far more than the rounding of the ray test's side of a point,
// of a float direction's angle and of the bin read from a float angle.
constexpr double SIGN_ANGLE_MARGIN = 1e-5;
// Part of the outline's greatest radius by which the crossing radii are
// widened: the ray test's crossing radius lies between its chord ends'
// radii along the ray up to a few units in 2^-24 of them.
constexpr double SIGN_RADIUS_MARGIN = 1e-4;

// For every bin, the radii along its rays between which the ray test can
// count a crossing. It rests on the outline keeping clear of the centre by
// more than a chord's length: then a ray's crossings on its far side lie
// at negative radii and are never counted, each chord's angular extent is
// short and known from its ends, and the crossings on the near side are
// odd in number for every ray exactly when the outline winds an odd number
// of times about the centre, which the walk itself tells at rho 0.
StarSignBins PrepareStarSignBins(const PreparedStar& g) {
  StarSignBins bins;
  const StarOutline& outline = g.outline;
  const double half = g.half;
  if (outline.piece_count <= 0 || !(half > 0.0) || !(g.half < 1.6f)) return bins;
  const int chords = outline.piece_count * STAR_CHORDS;
  double clearance = std::numeric_limits<double>::infinity();
  double longest = 0.0, farthest = 0.0;
  for (int i = 0; i < chords; ++i) {
    const double px = outline.x[i], py = outline.y[i];
    const double cx = outline.x[i + 1], cy = outline.y[i + 1];
    if (!std::isfinite(px) || !std::isfinite(py) || !std::isfinite(cx) || !std::isfinite(cy)) return bins;
    const double ex = cx - px, ey = cy - py;
    const double e2 = ex * ex + ey * ey;
    const double t = e2 > 0.0 ? std::clamp(-(px * ex + py * ey) / e2, 0.0, 1.0) : 0.0;
    clearance = std::min(clearance, portable_math::Hypot(px + t * ex, py + t * ey));
    longest = std::max(longest, std::sqrt(e2));
    farthest = std::max({farthest, portable_math::Hypot(px, py), portable_math::Hypot(cx, cy)});
  }
  if (!(clearance > 1.05 * longest + 1e-3 * farthest)) return bins;

  const double width = half / STAR_SIGN_BINS;
  const double m = SIGN_ANGLE_MARGIN;
  double from_x[STAR_SIGN_BINS], from_y[STAR_SIGN_BINS], to_x[STAR_SIGN_BINS], to_y[STAR_SIGN_BINS];
  for (int j = 0; j < STAR_SIGN_BINS; ++j) {
    from_x[j] = portable_math::Cos(j * width - m);
    from_y[j] = portable_math::Sin(j * width - m);
    to_x[j] = portable_math::Cos((j + 1) * width + m);
    to_y[j] = portable_math::Sin((j + 1) * width + m);
  }
  double inner[STAR_SIGN_BINS], outer[STAR_SIGN_BINS];
  bool met[STAR_SIGN_BINS] = {};
  bool inner_known[STAR_SIGN_BINS];
  for (int j = 0; j < STAR_SIGN_BINS; ++j) {
    inner[j] = std::numeric_limits<double>::infinity();
    outer[j] = 0.0;
    inner_known[j] = true;
  }
  constexpr double TWO_PI = 6.283185307179586;
  for (int i = 0; i < chords; ++i) {
    const double px = outline.x[i], py = outline.y[i];
    const double cx = outline.x[i + 1], cy = outline.y[i + 1];
    const double angle = portable_math::Atan2(py, px);
    const double turn = portable_math::Atan2(px * cy - py * cx, px * cx + py * cy);
    const double lo = std::min(angle, angle + turn) - m;
    const double hi = std::max(angle, angle + turn) + m;
    for (int k = -1; k <= 1; ++k) {
      // Bin j spans [j width - m, (j + 1) width + m].
      const double a = (lo + k * TWO_PI - m) / width - 1.0;
      const double b = (hi + k * TWO_PI + m) / width;
      if (!(b >= 0.0) || !(a <= STAR_SIGN_BINS - 1)) continue;
      const int j_lo = static_cast<int>(std::ceil(std::max(a, 0.0)));
      const int j_hi = static_cast<int>(std::floor(std::min(b, static_cast<double>(STAR_SIGN_BINS - 1))));
      for (int j = j_lo; j <= j_hi; ++j) {
        met[j] = true;
        for (const auto& [vx, vy] : {std::pair{px, py}, std::pair{cx, cy}}) {
          // Least along the bin's rays at one of its ends: the rays lie
          // within a quarter turn of the point, where that is concave.
          const double along_from = vx * from_x[j] + vy * from_y[j];
          const double along_to = vx * to_x[j] + vy * to_y[j];
          if (!(along_from > 0.0 && along_to > 0.0)) inner_known[j] = false;
          inner[j] = std::min({inner[j], along_from, along_to});
          outer[j] = std::max(outer[j], portable_math::Hypot(vx, vy));
        }
      }
    }
  }
  const double margin = SIGN_RADIUS_MARGIN * farthest + 1e-6;
  for (int j = 0; j < STAR_SIGN_BINS; ++j) {
    const double low = met[j] && inner_known[j] ? inner[j] - margin : 0.0;
    float low_f = low > 0.0 ? static_cast<float>(low) : 0.0f;
    if (static_cast<double>(low_f) > low && low_f > 0.0f) low_f = std::nextafter(low_f, 0.0f);
    const double high = outer[j] + margin;
    float high_f = static_cast<float>(high);
    if (static_cast<double>(high_f) < high) high_f = std::nextafter(high_f, std::numeric_limits<float>::infinity());
    bins.inner[j] = low_f;
    bins.outer[j] = high_f;
  }
  bins.bin_scale = static_cast<float>(STAR_SIGN_BINS / half);
  // The parity of the crossings a ray sees from the centre, asked of the
  // walk itself on three rays; they must agree.
  bool sides[3];
  for (int k = 0; k < 3; ++k) {
    const float a = g.half * (0.25f * static_cast<float>(k + 1));
    sides[k] = InsideStarOutline(g, a, portable_math::Cos(a), portable_math::Sin(a), 0.0f);
  }
  if (sides[0] != sides[1] || sides[1] != sides[2]) return StarSignBins{};
  bins.near_inside = sides[0];
  bins.usable = std::isfinite(bins.bin_scale);
  return bins;
}

// The star's side from its bins: 1 inside, 0 outside, -1 when the outline
// must be walked.
inline int StarSideFromBins(const PreparedStar& g, float a_sector, float rho) {
  const StarSignBins& bins = g.sign;
  if (!bins.usable || !(a_sector >= 0.0f && a_sector <= g.half)) return -1;
  int j = static_cast<int>(a_sector * bins.bin_scale);
  if (j > STAR_SIGN_BINS - 1) j = STAR_SIGN_BINS - 1;
  if (rho < bins.inner[static_cast<std::size_t>(j)]) return bins.near_inside ? 1 : 0;
  if (rho > bins.outer[static_cast<std::size_t>(j)]) return 0;
  return -1;
}

// Point i (0 to POLYGON_CHORDS) of piece k (any integer, taken modulo the
// sides) of the rounded polygon's outline: the sector edge turned by k
// sides. A piece ends on the next piece's first point, so the two see the
// very same float point.
void PolygonOutlinePoint(const ChordPolyline<POLYGON_CHORDS>& edge, std::int32_t sides, float seg, std::int32_t piece,
                         int i, float& x, float& y) {
  std::int32_t k = piece % sides;
  if (k < 0) k += sides;
  if (i == POLYGON_CHORDS) {
    k = (k + 1) % sides;
    i = 0;
  }
  if (k == 0) {
    x = edge.x[i];
    y = edge.y[i];
    return;
  }
  const float turn = static_cast<float>(k) * seg;
  const float c = portable_math::Cos(turn);
  const float s = portable_math::Sin(turn);
  x = c * edge.x[i] - s * edge.y[i];
  y = s * edge.x[i] + c * edge.y[i];
}

// The pieces a ray in the sector [0, seg) can meet: the sector's own edge
// and its two neighbours, unless the edge reaches further round than one
// side either way (then none are kept and the whole outline is walked).
PolygonOutline PreparePolygonOutline(const ChordPolyline<POLYGON_CHORDS>& edge, std::int32_t sides, float seg) {
  PolygonOutline outline;
  const double s = seg;
  double lo = 0.0, hi = 0.0;
  if (!EdgeAngleRange<POLYGON_CHORDS>(edge, s, lo, hi)) return outline;
  if (!(lo > -s + OUTLINE_ANGLE_MARGIN && hi < 2.0 * s - OUTLINE_ANGLE_MARGIN)) return outline;
  outline.piece_count = POLYGON_OUTLINE_PIECES;
  for (std::int32_t p = 0; p < POLYGON_OUTLINE_PIECES; ++p) {
    for (int i = 0; i < POLYGON_CHORDS; ++i) {
      PolygonOutlinePoint(edge, sides, seg, p - 1, i, outline.x[p * POLYGON_CHORDS + i],
                          outline.y[p * POLYGON_CHORDS + i]);
    }
  }
  constexpr int END = POLYGON_OUTLINE_PIECES * POLYGON_CHORDS;
  PolygonOutlinePoint(edge, sides, seg, POLYGON_OUTLINE_PIECES - 1, POLYGON_CHORDS, outline.x[END], outline.y[END]);
  return outline;
}

// Whether the point at rho along the unit direction (dir_x, dir_y) of the
// sector lies inside the rounded polygon's outline: an odd number of
// outline crossings beyond it.
bool InsidePolygonOutline(const PreparedPolygon& g, float dir_x, float dir_y, float rho) {
  const PolygonOutline& outline = g.outline;
  std::int32_t count = 0;
  if (outline.piece_count > 0) {
    count = RayCrossingsBeyond(outline.x.data(), outline.y.data(), outline.piece_count * POLYGON_CHORDS, dir_x, dir_y,
                            rho);
  } else {
    float x[POLYGON_CHORDS + 1], y[POLYGON_CHORDS + 1];
    const bool all = g.sides <= OUTLINE_MAX_WALKED_PIECES;
    const std::int32_t k_begin = all ? 0 : -OUTLINE_MAX_WALKED_PIECES / 2;
    const std::int32_t k_end = all ? g.sides : OUTLINE_MAX_WALKED_PIECES / 2;
    for (std::int32_t k = k_begin; k < k_end; ++k) {
      for (int i = 0; i <= POLYGON_CHORDS; ++i) PolygonOutlinePoint(g.curve, g.sides, g.seg, k, i, x[i], y[i]);
      count += RayCrossingsBeyond(x, y, POLYGON_CHORDS, dir_x, dir_y, rho);
    }
  }
  return (count & 1) != 0;
}

}  // namespace

PreparedPolygon PrepareRegularPolygon(float radius, std::int32_t sides, float start_angle_deg, float roundness) {
  PreparedPolygon g;
  g.r = std::max(0.5f, radius);
  const float theta = start_angle_deg * PI_F / 180.0f;
  g.turn_cos = portable_math::Cos(theta);
  g.turn_sin = portable_math::Sin(theta);
  g.sides = std::max(sides, std::int32_t{3});
  g.seg = TWO_PI_F / static_cast<float>(g.sides);
  g.seg_reciprocal = 1.0 / static_cast<double>(g.seg);
  g.roundness = roundness;
  const float r = g.r;
  const float seg = g.seg;
  if (roundness == 0.0f) {
    g.half = seg / 2.0f;
    g.cos_half = portable_math::Cos(g.half);
    g.hh = portable_math::Sin(g.half) * r;
    return g;
  }
  const float h = (roundness / 100.0f) * r * portable_math::Tan(seg / 4.0f);
  const float cs = portable_math::Cos(seg);
  const float ss = portable_math::Sin(seg);
  const Vec2 p0{r, 0.0f};
  const Vec2 p1{r, h};
  const Vec2 p2{r * cs + h * ss, r * ss - h * cs};
  const Vec2 p3{r * cs, r * ss};
  std::array<Vec2, POLYGON_CHORDS + 1> curve;
  SampleCurve<POLYGON_CHORDS>(p0, p1, p2, p3, curve);
  g.curve = PrepareChords<POLYGON_CHORDS>(curve);
  if (roundness < 0.0f) g.outline = PreparePolygonOutline(g.curve, g.sides, seg);
  return g;
}

float RegularPolygonDistance(const PreparedPolygon& g, float px, float py) {
  const Vec2 p = TurnedPoint(px, py, g.turn_cos, g.turn_sin);
  const float a = PositiveAngle(p);
  const float rho = std::sqrt(p.x * p.x + p.y * p.y);
  const float a_sector = AngleRemainder(a, g.seg, g.seg_reciprocal);

  if (g.roundness == 0.0f) {
    // Straight edge between the vertices at 0 and seg: ex is the distance
    // beyond its line, ey how far along it the point lies past its half
    // length.
    const float ex = portable_math::Cos(a_sector - g.half) * rho - g.cos_half * g.r;
    const float ey = std::fabs(portable_math::Sin(a_sector - g.half)) * rho - g.hh;
    const float q = ey + std::max(0.0f, std::min(-ey, g.hh));
    const float sign = ex > 0.0f ? 1.0f : -1.0f;
    return -sign * std::sqrt(q * q + ex * ex);
  }

  const float cos_a = portable_math::Cos(a_sector);
  const float sin_a = portable_math::Sin(a_sector);
  const Vec2 q{rho * cos_a, rho * sin_a};
  const ChordHit hit = NearestPreparedChord<POLYGON_CHORDS>(q, g.curve);
  const float d = std::sqrt(hit.d2);
  if (g.roundness > 0.0f) return hit.cross >= 0.0f ? d : -d;
  // Negative roundness pulls the edge in and leaves a spike at each vertex.
  // Beyond a spike the nearest point is the vertex itself, where the last
  // chord's side says nothing about inside, and a ray from the centre
  // through a chord end can slip between the two chords by rounding; the
  // side comes from the whole outline, as for the star.
  return InsidePolygonOutline(g, cos_a, sin_a, rho) ? d : -d;
}

float RegularPolygonDistance(float px, float py, float radius, std::int32_t sides, float start_angle_deg,
                             float roundness) {
  return RegularPolygonDistance(PrepareRegularPolygon(radius, sides, start_angle_deg, roundness), px, py);
}

PreparedStar PrepareStar(float outer_radius, float inner_radius, std::int32_t points, float start_angle_deg,
                         float outer_roundness, float inner_roundness) {
  PreparedStar g;
  float ro_radius = std::max(0.5f, outer_radius);
  float ri_radius = std::max(0.5f, inner_radius);
  const std::int32_t n = std::max(points, std::int32_t{3});
  float ro = outer_roundness;
  float ri = inner_roundness;
  float start = start_angle_deg;
  if (ri_radius > ro_radius) {
    // The inner vertices reach further out: they become the outer ones,
    // half a point round from the given start.
    std::swap(ro_radius, ri_radius);
    std::swap(ro, ri);
    start += 180.0f / static_cast<float>(n);
  }
  g.ro_radius = ro_radius;
  g.points = n;
  const float theta = start * PI_F / 180.0f;
  g.turn_cos = portable_math::Cos(theta);
  g.turn_sin = portable_math::Sin(theta);
  const float half = PI_F / static_cast<float>(n);
  g.half = half;
  g.two_half = 2.0f * half;
  g.two_half_reciprocal = 1.0 / static_cast<double>(g.two_half);
  const Vec2 vo{ro_radius, 0.0f};
  const Vec2 vi{ri_radius * portable_math::Cos(half), ri_radius * portable_math::Sin(half)};
  g.vo_x = vo.x;
  g.vi_x = vi.x;
  g.vi_y = vi.y;
  g.straight = ro == 0.0f && ri == 0.0f;
  if (g.straight) {
    g.ex = vi.x - vo.x;
    g.ey = vi.y - vo.y;
    g.e2 = g.ex * g.ex + g.ey * g.ey;
    return g;
  }
  const float quarter_tan = portable_math::Tan(half / 4.0f);
  const float ho = 2.0f * (ro / 100.0f) * ro_radius * quarter_tan;
  const float hi = 2.0f * (ri / 100.0f) * ri_radius * quarter_tan;
  const float ch = portable_math::Cos(half);
  const float sh = portable_math::Sin(half);
  const Vec2 p1{ro_radius, ho};
  const Vec2 p2{ri_radius * ch + hi * sh, ri_radius * sh - hi * ch};
  std::array<Vec2, STAR_CHORDS + 1> curve;
  SampleCurve<STAR_CHORDS>(vo, p1, p2, vi, curve);
  g.curve = PrepareChords<STAR_CHORDS>(curve);
  g.blocks = PrepareChordBlocks<STAR_CHORDS>(g.curve);
  g.outline = PrepareStarOutline(g.curve, n, half, g.two_half);
  g.far_radius = FarRadius<STAR_CHORDS>(curve);
  g.sign = PrepareStarSignBins(g);
  return g;
}

namespace {

// The star's distance from the point's folded sector angle, its radius and
// the sector angle's cosine and sine.
float StarDistanceInSector(const PreparedStar& g, float a_sector, float rho, float cos_a, float sin_a) {
  const Vec2 q{rho * cos_a, rho * sin_a};

  if (g.straight) {
    const float ex = g.ex;
    const float ey = g.ey;
    if (g.e2 < 0.001f) return g.ro_radius - rho;  // the vertices merge into a circle
    const float s = std::clamp(((q.x - g.vo_x) * ex + (q.y - 0.0f) * ey) / g.e2, 0.0f, 1.0f);
    const float dx = q.x - (g.vo_x + s * ex);
    const float dy = q.y - (0.0f + s * ey);
    const float d = std::sqrt(dx * dx + dy * dy);
    return (q.y - 0.0f) * ex - (q.x - g.ro_radius) * ey >= 0.0f ? d : -d;
  }

  const bool blocked = g.blocks.usable && std::isfinite(q.x) && std::isfinite(q.y);
  const float d = std::sqrt(blocked ? BlockedLeastDistance2(q.x, q.y, g.curve, g.blocks) : LeastChordDistance2<STAR_CHORDS>(q, g.curve));
  // The magnitude is the distance to the sector's own edge; the side comes
  // from the whole outline, which near a vertex can fold over the sector
  // edge (inward rounding) or meet it exactly at a chord end.
  const int side = StarSideFromBins(g, a_sector, rho);
  if (side >= 0) return side != 0 ? d : -d;
  return InsideStarOutline(g, a_sector, cos_a, sin_a, rho) ? d : -d;
}

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// Two lanes of the float functions' double arithmetic, each lane the
// scalar form's operations in its order (portable_math.cpp); a lane whose
// argument needs anything but the form written here is flagged in the
// returned mask and taken by the scalar function instead.
namespace lanes {

namespace pmc = portable_math::constants;

inline __m128d Select(__m128d mask, __m128d yes, __m128d no) {
  return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}

template <int N>
inline __m128d Horner(const double (&c)[N], __m128d z) {
  __m128d p = _mm_set1_pd(c[N - 1]);
  for (int i = N - 2; i >= 0; --i) p = _mm_add_pd(_mm_set1_pd(c[i]), _mm_mul_pd(z, p));
  return p;
}

inline __m128d AbsMask() { return _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF)); }

// Atan2(float) of finite non-zero arguments: the result before its
// rounding to float; bits 0 and 1 of *fast tell which lanes were such.
inline __m128d Atan2(__m128d y, __m128d x, int* fast) {
  const __m128d ax = _mm_and_pd(x, AbsMask()), ay = _mm_and_pd(y, AbsMask());
  const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(static_cast<double>(FLT_MAX));
  const __m128d ok = _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(ax, zero), _mm_cmpgt_pd(ay, zero)),
                                _mm_and_pd(_mm_cmple_pd(ax, top), _mm_cmple_pd(ay, top)));
  *fast = _mm_movemask_pd(ok);
  const __m128d swap = _mm_cmpgt_pd(ay, ax);
  // z in (0, 1] on the lanes taken here, 0 on the others so that no
  // non-finite value reaches the table index.
  const __m128d z = _mm_and_pd(ok, _mm_div_pd(Select(swap, ax, ay), Select(swap, ay, ax)));
  const __m128i i = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(z, _mm_set1_pd(16.0)), _mm_set1_pd(0.5)));
  const __m128d c = _mm_mul_pd(_mm_cvtepi32_pd(i), _mm_set1_pd(0.0625));
  const __m128d t = _mm_div_pd(_mm_sub_pd(z, c), _mm_add_pd(_mm_set1_pd(1.0), _mm_mul_pd(z, c)));
  const __m128d t2 = _mm_mul_pd(t, t);
  const int i0 = _mm_cvtsi128_si32(i), i1 = _mm_cvtsi128_si32(_mm_shuffle_epi32(i, _MM_SHUFFLE(1, 1, 1, 1)));
  const __m128d head = _mm_set_pd(pmc::ATAN_TABLE[i1][0], pmc::ATAN_TABLE[i0][0]);
  const __m128d tail = _mm_set_pd(pmc::ATAN_TABLE[i1][1], pmc::ATAN_TABLE[i0][1]);
  const __m128d series = _mm_add_pd(t, _mm_mul_pd(_mm_mul_pd(t, t2), Horner(pmc::ATAN_POLY, t2)));
  const __m128d unit = _mm_add_pd(head, _mm_add_pd(tail, series));
  __m128d a = Select(swap, _mm_sub_pd(_mm_set1_pd(pmc::HALF_PI_HI), unit), unit);
  const __m128d sign = _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(0x8000000000000000ull)));
  const __m128d x_negative = _mm_castsi128_pd(_mm_cmpeq_epi32(
      _mm_shuffle_epi32(_mm_srai_epi32(_mm_castpd_si128(x), 31), _MM_SHUFFLE(3, 3, 1, 1)), _mm_set1_epi32(-1)));
  a = Select(x_negative, _mm_sub_pd(_mm_set1_pd(pmc::PI_HI), a), a);
  return _mm_or_pd(_mm_andnot_pd(sign, a), _mm_and_pd(sign, y));
}

// Sin(float) and Cos(float) within a quarter turn: the double results
// before their rounding; bits 0 and 1 of *fast tell the lanes within it,
// *tiny those where Sin gives its argument back.
inline void SinCos(__m128d x, __m128d* sin_x, __m128d* cos_x, int* fast, int* tiny) {
  const __m128d ax = _mm_and_pd(x, AbsMask());
  *fast = _mm_movemask_pd(_mm_cmple_pd(ax, _mm_set1_pd(pmc::QUARTER_PI_HI)));
  *tiny = _mm_movemask_pd(_mm_cmplt_pd(ax, _mm_set1_pd(0x1p-26)));
  const __m128d z = _mm_mul_pd(x, x);
  *sin_x = _mm_add_pd(x, _mm_mul_pd(_mm_mul_pd(x, z), Horner(pmc::SIN_POLY, z)));
  *cos_x = _mm_sub_pd(_mm_set1_pd(1.0), _mm_sub_pd(_mm_mul_pd(_mm_set1_pd(0.5), z),
                                                   _mm_mul_pd(_mm_mul_pd(z, z), Horner(pmc::COS_POLY, z))));
}

inline __m128 ToFloats(__m128d lo, __m128d hi) { return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi)); }
inline __m128d LowDoubles(__m128 v) { return _mm_cvtps_pd(v); }
inline __m128d HighDoubles(__m128 v) { return _mm_cvtps_pd(_mm_movehl_ps(v, v)); }

}  // namespace lanes
#endif

}  // namespace

float StarDistance(const PreparedStar& g, float px, float py) {
  const Vec2 p = TurnedPoint(px, py, g.turn_cos, g.turn_sin);
  const float a = PositiveAngle(p);
  // Fold into [0, half]: each point is two mirrored half-edges.
  float a_sector = AngleRemainder(a, g.two_half, g.two_half_reciprocal);
  if (a_sector > g.half) a_sector = g.two_half - a_sector;
  const float rho = std::sqrt(p.x * p.x + p.y * p.y);
  const float cos_a = portable_math::Cos(a_sector);
  const float sin_a = portable_math::Sin(a_sector);
  return StarDistanceInSector(g, a_sector, rho, cos_a, sin_a);
}

void StarDistance4(const PreparedStar& g, const float* px, const float* py, float* out) {
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  // The turn, the angle, the fold and the sector angle's cosine and sine of
  // four points side by side, each lane as StarDistance takes it.
  const __m128 x = _mm_loadu_ps(px), y = _mm_loadu_ps(py);
  const __m128 c = _mm_set1_ps(g.turn_cos), s = _mm_set1_ps(g.turn_sin);
  const __m128 tx = _mm_add_ps(_mm_mul_ps(c, x), _mm_mul_ps(s, y));
  const __m128 ty = _mm_sub_ps(_mm_mul_ps(c, y), _mm_mul_ps(s, x));
  alignas(16) float p_x[4], p_y[4], angle[4], sector[4], rho[4], cos_a[4], sin_a[4];
  _mm_store_ps(p_x, tx);
  _mm_store_ps(p_y, ty);
  int fast_lo = 0, fast_hi = 0;
  const __m128d a_lo = lanes::Atan2(lanes::LowDoubles(ty), lanes::LowDoubles(tx), &fast_lo);
  const __m128d a_hi = lanes::Atan2(lanes::HighDoubles(ty), lanes::HighDoubles(tx), &fast_hi);
  __m128 a = lanes::ToFloats(a_lo, a_hi);
  const __m128 negative = _mm_cmplt_ps(a, _mm_setzero_ps());
  a = _mm_or_ps(_mm_and_ps(negative, _mm_add_ps(a, _mm_set1_ps(TWO_PI_F))), _mm_andnot_ps(negative, a));
  _mm_store_ps(angle, a);
  const int fast_angle = fast_lo | (fast_hi << 2);
  for (int k = 0; k < 4; ++k) {
    if ((fast_angle >> k & 1) == 0) angle[k] = PositiveAngle(Vec2{p_x[k], p_y[k]});
  }
  // The remainder: k from the quotient, one step of correction.
  a = _mm_load_ps(angle);
  const float two_half = g.two_half;
  const auto remainder = [&](__m128d ad, int* ok_lanes) {
    const __m128d dd = _mm_set1_pd(two_half);
    const __m128d q = _mm_mul_pd(ad, _mm_set1_pd(g.two_half_reciprocal));
    const __m128d ok = _mm_and_pd(_mm_cmpgt_pd(ad, _mm_setzero_pd()), _mm_cmplt_pd(q, _mm_set1_pd(16777216.0)));
    const __m128d k = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_and_pd(ok, q)));
    const __m128d r = _mm_sub_pd(ad, _mm_mul_pd(k, dd));
    const __m128d below = _mm_cmplt_pd(r, _mm_setzero_pd());
    const __m128d above = _mm_andnot_pd(below, _mm_cmpge_pd(r, dd));
    *ok_lanes = _mm_movemask_pd(ok);
    return lanes::Select(below, _mm_add_pd(r, dd), lanes::Select(above, _mm_sub_pd(r, dd), r));
  };
  int exact_lo = 0, exact_hi = 0;
  const __m128d r_lo = remainder(lanes::LowDoubles(a), &exact_lo);
  const __m128d r_hi = remainder(lanes::HighDoubles(a), &exact_hi);
  int exact = exact_lo | (exact_hi << 2);
  const bool divisor_plain = two_half > 0.0f && two_half < std::numeric_limits<float>::infinity();
  if (!divisor_plain) exact = 0;
  __m128 folded = lanes::ToFloats(r_lo, r_hi);
  _mm_store_ps(sector, folded);
  for (int k = 0; k < 4; ++k) {
    if ((exact >> k & 1) == 0) sector[k] = AngleRemainder(angle[k], two_half, g.two_half_reciprocal);
  }
  folded = _mm_load_ps(sector);
  const __m128 over = _mm_cmpgt_ps(folded, _mm_set1_ps(g.half));
  folded = _mm_or_ps(_mm_and_ps(over, _mm_sub_ps(_mm_set1_ps(two_half), folded)), _mm_andnot_ps(over, folded));
  _mm_store_ps(sector, folded);
  _mm_store_ps(rho, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(tx, tx), _mm_mul_ps(ty, ty))));
  __m128d sin_lo, cos_lo, sin_hi, cos_hi;
  int trig_lo = 0, trig_hi = 0, tiny_lo = 0, tiny_hi = 0;
  lanes::SinCos(lanes::LowDoubles(folded), &sin_lo, &cos_lo, &trig_lo, &tiny_lo);
  lanes::SinCos(lanes::HighDoubles(folded), &sin_hi, &cos_hi, &trig_hi, &tiny_hi);
  _mm_store_ps(sin_a, lanes::ToFloats(sin_lo, sin_hi));
  _mm_store_ps(cos_a, lanes::ToFloats(cos_lo, cos_hi));
  const int trig = trig_lo | (trig_hi << 2), tiny = tiny_lo | (tiny_hi << 2);
  for (int k = 0; k < 4; ++k) {
    if ((trig >> k & 1) == 0) {
      cos_a[k] = portable_math::Cos(sector[k]);
      sin_a[k] = portable_math::Sin(sector[k]);
    } else if ((tiny >> k & 1) != 0) {
      sin_a[k] = sector[k];
    }
  }
  if (!g.straight && g.blocks.usable) {
    // The least chord distance of the four points side by side when all
    // four take the blocked form; the side stays lane by lane.
    const __m128 vrho = _mm_load_ps(rho);
    const __m128 qx = _mm_mul_ps(vrho, _mm_load_ps(cos_a));
    const __m128 qy = _mm_mul_ps(vrho, _mm_load_ps(sin_a));
    // x - x is 0 for finite x and NaN for infinities and NaN.
    const __m128 zero = _mm_setzero_ps();
    const int finite = _mm_movemask_ps(_mm_and_ps(_mm_cmpeq_ps(_mm_sub_ps(qx, qx), zero),
                                                  _mm_cmpeq_ps(_mm_sub_ps(qy, qy), zero)));
    if (finite == 0xF) {
      alignas(16) float q_x[4], q_y[4], least[4];
      _mm_store_ps(q_x, qx);
      _mm_store_ps(q_y, qy);
      BlockedLeastDistance2FourPoints(q_x, q_y, g.curve, g.blocks, least);
      alignas(16) float dist[4];
      _mm_store_ps(dist, _mm_sqrt_ps(_mm_load_ps(least)));
      for (int k = 0; k < 4; ++k) {
        const float d = dist[k];
        const int side = StarSideFromBins(g, sector[k], rho[k]);
        if (side >= 0) {
          out[k] = side != 0 ? d : -d;
        } else {
          out[k] = InsideStarOutline(g, sector[k], cos_a[k], sin_a[k], rho[k]) ? d : -d;
        }
      }
      return;
    }
  }
  for (int k = 0; k < 4; ++k) out[k] = StarDistanceInSector(g, sector[k], rho[k], cos_a[k], sin_a[k]);
#else
  for (int k = 0; k < 4; ++k) out[k] = StarDistance(g, px[k], py[k]);
#endif
}

float StarDistanceMagnitude(const PreparedStar& g, float px, float py) {
  const Vec2 p = TurnedPoint(px, py, g.turn_cos, g.turn_sin);
  const float a = PositiveAngle(p);
  float a_sector = AngleRemainder(a, g.two_half, g.two_half_reciprocal);
  if (a_sector > g.half) a_sector = g.two_half - a_sector;
  const float rho = std::sqrt(p.x * p.x + p.y * p.y);
  const float cos_a = portable_math::Cos(a_sector);
  const float sin_a = portable_math::Sin(a_sector);
  const Vec2 q{rho * cos_a, rho * sin_a};
  if (g.straight) {
    if (g.e2 < 0.001f) return std::fabs(g.ro_radius - rho);
    const float s = std::clamp(((q.x - g.vo_x) * g.ex + (q.y - 0.0f) * g.ey) / g.e2, 0.0f, 1.0f);
    const float dx = q.x - (g.vo_x + s * g.ex);
    const float dy = q.y - (0.0f + s * g.ey);
    return std::sqrt(dx * dx + dy * dy);
  }
  const bool blocked = g.blocks.usable && std::isfinite(q.x) && std::isfinite(q.y);
  return std::sqrt(blocked ? BlockedLeastDistance2(q.x, q.y, g.curve, g.blocks) : LeastChordDistance2<STAR_CHORDS>(q, g.curve));
}

void StarOutlinePoint(const ChordPolyline<STAR_CHORDS>& edge, std::int32_t points, float two_half, std::int64_t piece,
                      int i, float& x, float& y) {
  const std::int32_t n = std::max(points, std::int32_t{3});
  const std::int64_t total = 2 * static_cast<std::int64_t>(n);
  std::int64_t j = piece % total;
  if (j < 0) j += total;
  const bool mirrored = (j % 2) != 0;
  // The ends of a mirrored piece are the even neighbours' points.
  if (mirrored && i == 0) {
    StarOutlinePoint(edge, n, two_half, j - 1, STAR_CHORDS, x, y);
    return;
  }
  if (mirrored && i == STAR_CHORDS) {
    StarOutlinePoint(edge, n, two_half, j + 1, 0, x, y);
    return;
  }
  const std::int32_t k = static_cast<std::int32_t>((mirrored ? (j + 1) / 2 : j / 2) % n);
  const float sx = mirrored ? edge.x[STAR_CHORDS - i] : edge.x[i];
  const float sy = mirrored ? -edge.y[STAR_CHORDS - i] : edge.y[i];
  if (k == 0) {
    x = sx;
    y = sy;
    return;
  }
  const float turn = static_cast<float>(k) * two_half;
  const float c = portable_math::Cos(turn);
  const float s = portable_math::Sin(turn);
  x = c * sx - s * sy;
  y = s * sx + c * sy;
}

float StarDistance(float px, float py, float outer_radius, float inner_radius, std::int32_t points,
                   float start_angle_deg, float outer_roundness, float inner_roundness) {
  return StarDistance(PrepareStar(outer_radius, inner_radius, points, start_angle_deg, outer_roundness,
                                  inner_roundness),
                      px, py);
}
